#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class BoundControl;
#include "Dataset.h"
class Field;

// Binds controls to a dataset by field name, with automatic edit: the first change made in a
// control puts the record into editing state. Every control bound to a field shows its new value
// as soon as the field changes, and all of them when the record changes as a whole or the dataset
// opens or closes.
class DataSource : public QObject {
    Q_OBJECT

public:
    explicit DataSource(Dataset* dataset, QObject* parent = nullptr);
    ~DataSource() override;

    Dataset* dataSet() const { return m_dataset; }
    Field* field(const QString& name) const;
    // The dataset is open on a record.
    bool active() const;

    void attach(BoundControl* control);
    void detach(BoundControl* control);
    const QList<BoundControl*>& controls() const { return m_controls; }

    // Automatic edit: moves the record from browsing to editing. False when no record is open.
    bool edit();

    // Writes the pending value of every control changed by the user and not yet written (at most
    // the focused one, since the others wrote theirs when they lost the focus). False when a
    // control refused its text; it has told the user and kept the focus.
    bool UpdateRecord();
    // The same into a copy of the record, changing nothing here.
    bool WritePendingInto(Dataset& copy);

private:
    void recordChanged();
    void fieldChanged(const QString& name);
    void stateChanged();

    QPointer<Dataset> m_dataset;
    QList<BoundControl*> m_controls;
    QHash<QString, QList<BoundControl*>> m_byField;
    bool m_wasActive = false;
};
