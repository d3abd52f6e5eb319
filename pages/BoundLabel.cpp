#include "BoundLabel.h"

#include "BoundDateEdit.h"
#include "Field.h"

BoundLabel::BoundLabel(QWidget* parent) : QLabel(parent), BoundControl(this) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

QString BoundLabel::DisplayText(Field* f) {
    if (!f || f->isNull())
        return {};
    if (f->kind() == FieldKind::DateTime) {
        // The short date only, as the date box shows it; a stored time of day is not shown.
        return f->asDateTime().date().toString(BoundDateEdit::ShortDateFormat());
    }
    return f->asString();
}

void BoundLabel::showValue(const QVariant&) {
    setText(DisplayText(field()));
}
