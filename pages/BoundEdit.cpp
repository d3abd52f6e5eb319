#include "BoundEdit.h"

#include "Cp1252.h"
#include "Field.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QValidator>

namespace {
// Refuses text that Windows-1252 cannot hold, whether typed or pasted.
class Cp1252Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (Cp1252::canEncode(input))
            return Acceptable;
        BoundControl::Beep();
        return Invalid;
    }
};

bool isPrintable(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}
} // namespace

BoundEdit::BoundEdit(QWidget* parent) : QLineEdit(parent), BoundControl(this) {
    setValidator(new Cp1252Validator(this));
    setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid #7f9db9; background: white; padding: 0 1px; }"));
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!modified())
            markModified();
    });
}

void BoundEdit::setMaxChars(int chars) {
    m_maxChars = chars;
    applyLimit();
}

bool BoundEdit::integerField() const {
    Field* f = field();
    return f && isIntegerKind(f->kind());
}

void BoundEdit::applyLimit() {
    Field* f = field();
    int limit = 32767; // no limit
    if (f && f->kind() == FieldKind::String)
        limit = m_maxChars >= 0 ? m_maxChars : (f->size() > 0 ? f->size() : 32767);
    setMaxLength(limit);
}

void BoundEdit::showValue(const QVariant&) {
    applyLimit();
    Field* f = field();
    setText(f ? f->asString() : QString());
    setReadOnly(!f);
    if (hasFocus())
        selectAll();
}

bool BoundEdit::writeValue(Field* f) {
    const QString t = text();
    if (!isIntegerKind(f->kind())) {
        f->setAsString(t);
        return true;
    }
    if (t.isEmpty()) {
        f->clear();
        return true;
    }
    // An optional sign and digits make an integer, however many digits: a number too long for
    // 64 bits is out of range like any other.
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    if (!integer.match(t).hasMatch()) {
        refuse(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(t, f->name()));
        selectAll();
        return false;
    }
    bool fits = false;
    const qlonglong n = t.toLongLong(&fits);
    const qint64 lo = Field::minValue(f->kind()), hi = Field::maxValue(f->kind());
    if (!fits || n < lo || n > hi) {
        const double shown = fits ? double(n) : t.toDouble();
        refuse(QString::asprintf(
            "%.15g is not a valid value for field '%s'. The allowed range is %.15g to %.15g", shown,
            qUtf8Printable(f->name()), double(lo), double(hi)));
        selectAll();
        return false;
    }
    f->setValue(int(n));
    return true;
}

void BoundEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reset();
        selectAll();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (isPrintable(typed) && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (!field() || isReadOnly()) {
            BoundControl::Beep();
            event->accept();
            return;
        }
        bool refused = !Cp1252::canEncode(typed);
        if (integerField())
            refused = refused || std::any_of(typed.begin(), typed.end(), [](QChar c) {
                          return !(c.isDigit() && c.unicode() < 128) && c != u'+' && c != u'-';
                      });
        if (refused) {
            BoundControl::Beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void BoundEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    handleFocusOut(event);
}
