#pragma once

#include "BoundControl.h"
#include "ControlDef.h"

#include <QComboBox>

// A drop-down list of fixed items (Description and Value) bound to one field. Free text cannot
// be entered; a value matching no item shows empty.
class BoundChoiceBox : public QComboBox, public BoundControl {
    Q_OBJECT

public:
    explicit BoundChoiceBox(QWidget* parent = nullptr);

    void setItems(const QList<ControlItem>& items);
    const QList<ControlItem>& items() const { return m_items; }

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The wheel changes the value only while the box has the focus; otherwise it scrolls the page.
    void wheelEvent(QWheelEvent* event) override;

private:
    QList<ControlItem> m_items;
    bool m_showing = false;
};
