#pragma once

#include "BoundControl.h"

#include <QCheckBox>

// A check box without a caption bound to a Boolean field: ticked for True, not ticked for False,
// grayed for null. The user's clicks go from not ticked or grayed to ticked and from ticked to
// not ticked; the box never returns to grayed by itself.
class BoundCheckBox : public QCheckBox, public BoundControl {
    Q_OBJECT

public:
    explicit BoundCheckBox(QWidget* parent = nullptr);

    static const QString ValueChecked;   // "True"
    static const QString ValueUnchecked; // "False"

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
