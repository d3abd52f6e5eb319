#include "BoundMemo.h"

#include "Cp1252.h"
#include "Field.h"

#include <QKeyEvent>
#include <QMimeData>

BoundMemo::BoundMemo(QWidget* parent) : QPlainTextEdit(parent), BoundControl(this) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing && !modified() && !markModified())
            showValue(fieldValue());
    });
}

void BoundMemo::showValue(const QVariant&) {
    m_showing = true;
    Field* f = field();
    QString t = f ? f->asString() : QString();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    setPlainText(t);
    setReadOnly(!f);
    m_showing = false;
}

bool BoundMemo::writeValue(Field* f) {
    QString t = toPlainText();
    t.replace(u'\n', QLatin1String("\r\n"));
    f->setAsString(t);
    return true;
}

void BoundMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reset();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !Cp1252::canEncode(typed)) {
        BoundControl::Beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void BoundMemo::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !Cp1252::canEncode(source->text())) {
        BoundControl::Beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

void BoundMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    handleFocusOut(event);
}
