#include "BoundLabel.h"

#include "BoundDateEdit.h"
#include "Field.h"

#include <QLocale>

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
        const QDateTime dt = f->asDateTime();
        QString s = dt.date().toString(BoundDateEdit::ShortDateFormat());
        if (dt.time() != QTime(0, 0))
            s += u' ' + dt.time().toString(QLocale().timeFormat(QLocale::LongFormat));
        return s;
    }
    return f->asString();
}

void BoundLabel::showValue(const QVariant&) {
    setText(DisplayText(field()));
}
