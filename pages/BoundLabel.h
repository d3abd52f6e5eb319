#pragma once

#include "BoundControl.h"

#include <QLabel>

// A transparent read-only text showing a field's display text; a date shows in the system's short
// date format. It takes no focus.
class BoundLabel : public QLabel, public BoundControl {
    Q_OBJECT

public:
    explicit BoundLabel(QWidget* parent = nullptr);

    // The display text of a value of the given field.
    static QString DisplayText(Field* field);

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field*) override { return true; }
};
