#pragma once

#include "BoundControl.h"

#include <QSpinBox>

// A number box with up and down buttons bound to a small-integer field: increment 1, large
// increment 10 (Page Up / Page Down), an upper bound MaxValue and no lower bound.
class BoundSpinEdit : public QSpinBox, public BoundControl {
    Q_OBJECT

public:
    explicit BoundSpinEdit(QWidget* parent = nullptr);

    void setMaxValue(int maxValue);
    int maxValue() const { return m_maxValue; }

    void stepBy(int steps) override;

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    StepEnabled stepEnabled() const override;
    void fixup(QString& input) const override;
    // A null field shows no number, also when the spin box rewrites its text (when it is shown,
    // for instance).
    QString textFromValue(int value) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The wheel changes the value only while the box has the focus; otherwise it scrolls the page.
    void wheelEvent(QWheelEvent* event) override;

private:
    int m_maxValue = 32767;
    bool m_showing = false;
    bool m_null = false; // the box shows a null field and the user has not changed it
};
