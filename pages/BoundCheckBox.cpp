#include "BoundCheckBox.h"

#include "Field.h"

#include <QKeyEvent>

const QString BoundCheckBox::ValueChecked = QStringLiteral("True");
const QString BoundCheckBox::ValueUnchecked = QStringLiteral("False");

BoundCheckBox::BoundCheckBox(QWidget* parent) : QCheckBox(parent), BoundControl(this) {
    setTristate(true);
    setCheckState(Qt::Unchecked);
}

void BoundCheckBox::showValue(const QVariant& value) {
    Field* f = field();
    if (!f)
        setCheckState(Qt::Unchecked);
    else if (!value.isValid())
        setCheckState(Qt::PartiallyChecked);
    else if (f->kind() == FieldKind::Boolean)
        setCheckState(value.toBool() ? Qt::Checked : Qt::Unchecked);
    else {
        // A non-Boolean field ticks on the checked text and grays on anything else.
        const QString t = f->asString();
        setCheckState(t.compare(ValueChecked, Qt::CaseInsensitive) == 0     ? Qt::Checked
                      : t.compare(ValueUnchecked, Qt::CaseInsensitive) == 0 ? Qt::Unchecked
                                                                            : Qt::PartiallyChecked);
    }
}

bool BoundCheckBox::writeValue(Field* f) {
    switch (checkState()) {
    case Qt::PartiallyChecked:
        f->clear();
        break;
    case Qt::Checked:
        f->kind() == FieldKind::Boolean ? f->setValue(true) : f->setAsString(ValueChecked);
        break;
    case Qt::Unchecked:
        f->kind() == FieldKind::Boolean ? f->setValue(false) : f->setAsString(ValueUnchecked);
        break;
    }
    return true;
}

void BoundCheckBox::nextCheckState() {
    if (!markModified())
        return; // no record: nothing to change
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void BoundCheckBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reset();
        event->accept();
        return;
    }
    QCheckBox::keyPressEvent(event);
}

void BoundCheckBox::focusOutEvent(QFocusEvent* event) {
    QCheckBox::focusOutEvent(event);
    handleFocusOut(event);
}
