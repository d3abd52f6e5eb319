#include "BoundSpinEdit.h"

#include "Field.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

BoundSpinEdit::BoundSpinEdit(QWidget* parent) : QSpinBox(parent), BoundControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    // The box takes any small integer while typing; MaxValue is applied when the number is
    // written, and the buttons stop at it.
    setRange(-32768, 32767);
    setSingleStep(1);
    setAccelerated(false);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        if (!m_showing)
            m_null = false;
        if (!m_showing && !modified() && !markModified())
            showValue(fieldValue());
    });
}

void BoundSpinEdit::setMaxValue(int maxValue) {
    m_maxValue = std::min(maxValue, 32767);
}

void BoundSpinEdit::stepBy(int steps) {
    if (!field() || !markModified())
        return;
    const int base = lineEdit()->text().trimmed().isEmpty() ? 0 : value();
    m_null = false;
    const qint64 next = std::clamp<qint64>(qint64(base) + steps, minimum(), m_maxValue);
    setValue(int(next));
    selectAll();
}

QAbstractSpinBox::StepEnabled BoundSpinEdit::stepEnabled() const {
    if (!field() || isReadOnly())
        return StepNone;
    StepEnabled e = StepDownEnabled;
    if (value() < m_maxValue)
        e |= StepUpEnabled;
    return e;
}

void BoundSpinEdit::fixup(QString& input) const {
    // A cleared box stands for 0.
    if (input.trimmed().isEmpty() || input.trimmed() == u"-" || input.trimmed() == u"+")
        input = QStringLiteral("0");
}

QString BoundSpinEdit::textFromValue(int value) const {
    return m_null ? QString() : QSpinBox::textFromValue(value);
}

void BoundSpinEdit::showValue(const QVariant& value) {
    m_showing = true;
    Field* f = field();
    setReadOnly(!f);
    m_null = !(f && value.isValid());
    setValue(m_null ? 0 : value.toInt());
    lineEdit()->setText(textFromValue(QSpinBox::value()));
    m_showing = false;
}

bool BoundSpinEdit::writeValue(Field* f) {
    const QString t = lineEdit()->text().trimmed();
    bool ok = false;
    int v = t.toInt(&ok);
    if (!ok)
        v = t.isEmpty() || t == u"-" || t == u"+" ? 0 : value();
    v = std::min(v, m_maxValue);
    f->setValue(v);
    return true;
}

void BoundSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reset();
        selectAll();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

void BoundSpinEdit::focusOutEvent(QFocusEvent* event) {
    // The typed text is read before the spin box corrects it.
    handleFocusOut(event);
    QSpinBox::focusOutEvent(event);
    if (!modified())
        showValue(fieldValue()); // an empty box for null stays empty
}

void BoundSpinEdit::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QSpinBox::wheelEvent(event);
}
