#pragma once

#include <QPointer>
#include <QString>
#include <QVariant>

#include "DataSource.h"
class Dataset;
class Field;
class QFocusEvent;
class QWidget;

// What every bound control shares: its data source and field, the flag of a change made by the
// user and not yet written, and the two directions of the binding. The control owns only its
// display state; the value lives in the record.
class BoundControl {
public:
    explicit BoundControl(QWidget* self);
    virtual ~BoundControl();
    BoundControl(const BoundControl&) = delete;
    BoundControl& operator=(const BoundControl&) = delete;

    QWidget* widget() const { return m_self; }

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return m_source; }
    void setDataField(const QString& name);
    const QString& dataField() const { return m_field; }

    // The bound field while a record is open, else nullptr.
    Field* field() const;
    // The field's value, invalid for null or when no record is open.
    QVariant fieldValue() const;

    bool modified() const { return m_modified; }

    // Shows the field's value (nothing when no record is open) and drops any pending change.
    void dataChanged();
    // Writes a pending change into the field. False when the control refused its content.
    bool updateRecord();
    // The value a pending change would give the field, worked out on a scratch copy of the field:
    // the record, the control and the focus stay as they are and no message shows. False when
    // nothing is pending or the control would refuse its content.
    bool pendingValue(QVariant* value);
    // Writes a pending change into the field of the same name of another dataset (a copy of the
    // record), leaving this control's field and its pending state as they are. False when the
    // control refused its content; true when nothing is pending or the copy has no such field.
    bool writePendingInto(Dataset& copy);

    // Called by a data source that is being destroyed.
    void dataSourceGone(DataSource* source);

    // The beep of a refused key; counted, so that tests can tell it happened.
    static void Beep();
    static int beepCount();

protected:
    // Shows the value; `value` is invalid for null or no record.
    virtual void showValue(const QVariant& value) = 0;
    // Writes the control's content into the field (which is bound). False when refused.
    virtual bool writeValue(Field* field) = 0;

    // The user changed the control: the record enters editing. False when no record is open (the
    // control should then refuse the change).
    bool markModified();
    // Restores the field's value after Esc.
    void reset();
    // Focus loss: writes the pending value. Focus moving to a popup or another window is not
    // leaving the control.
    void handleFocusOut(QFocusEvent* event);
    // Shows an engine message about the control's content and keeps the focus on it.
    void refuse(const QString& message);

private:
    QWidget* m_self;
    QPointer<DataSource> m_source;
    QString m_field;
    bool m_modified = false;
    bool m_updating = false;
    bool m_probing = false;
};
