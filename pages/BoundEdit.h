#pragma once

#include "BoundControl.h"

#include <QLineEdit>

// A single-line text box bound to a string field or, for counts, to an integer field.
class BoundEdit : public QLineEdit, public BoundControl {
    Q_OBJECT

public:
    explicit BoundEdit(QWidget* parent = nullptr);

    // Characters accepted for a string field; -1 takes the field's size.
    void setMaxChars(int chars);

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool integerField() const;
    void applyLimit();

    int m_maxChars = -1;
};
