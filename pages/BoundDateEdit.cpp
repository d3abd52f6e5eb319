#include "BoundDateEdit.h"

#include "Field.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

QString BoundDateEdit::ShortDateFormat() {
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    // The mask takes digits only, in parts of fixed width: a month shown by name is shown by
    // number, day and month with two digits, the year with four.
    f.replace(QRegularExpression(QStringLiteral("M+")), QStringLiteral("MM"));
    f.replace(QRegularExpression(QStringLiteral("d{3,}")), QString());
    f.replace(QRegularExpression(QStringLiteral("d+")), QStringLiteral("dd"));
    if (!f.contains(QLatin1String("yyyy")))
        f.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    f = f.trimmed();
    return f;
}

namespace {
// One digit place for each letter of the format; every other character is a literal.
QString maskOf(const QString& format) {
    QString mask;
    for (QChar c : format) {
        if (c == u'd' || c == u'M' || c == u'y')
            mask += u'9';
        else
            mask += u'\\' + QString(c);
    }
    return mask + QStringLiteral(";_");
}
} // namespace

BoundDateEdit::BoundDateEdit(QWidget* parent)
    : QLineEdit(parent), BoundControl(this), m_format(ShortDateFormat()), m_mask(maskOf(m_format)) {
    setFocusPolicy(Qt::StrongFocus);
    setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid #7f9db9; background: white; padding: 0 1px; }"));

    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("BtnCalendario"));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setAutoRaise(false);
    connect(m_button, &QToolButton::clicked, this, &BoundDateEdit::openCalendar);

    m_popup = new QWidget(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("CalendarioPopup"));
    auto* column = new QVBoxLayout(m_popup);
    column->setContentsMargins(1, 1, 1, 1);
    column->setSpacing(0);
    m_calendar = new QCalendarWidget(m_popup);
    m_calendar->setGridVisible(false);
    column->addWidget(m_calendar);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 2, 4, 4);
    m_today = new QPushButton(QStringLiteral("Today"), m_popup);
    m_clear = new QPushButton(QStringLiteral("Clear"), m_popup);
    m_today->setObjectName(QStringLiteral("BtnToday"));
    m_clear->setObjectName(QStringLiteral("BtnClear"));
    row->addWidget(m_today);
    row->addStretch();
    row->addWidget(m_clear);
    column->addLayout(row);
    connect(m_today, &QPushButton::clicked, this, [this] { pick(QDate::currentDate()); });
    connect(m_clear, &QPushButton::clicked, this, [this] { pick(QDate()); });
    connect(m_calendar, &QCalendarWidget::clicked, this, [this](QDate d) { pick(d); });
    connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate d) { pick(d); });

    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!m_showing && !modified() && !markModified())
            showValue(fieldValue());
    });
    showText(QString());
}

void BoundDateEdit::showText(const QString& text) {
    m_showing = true;
    const bool mask = hasFocus() || !text.isEmpty();
    if (inputMask().isEmpty() != !mask)
        setInputMask(mask ? m_mask : QString());
    setText(text);
    m_showing = false;
}

bool BoundDateEdit::blank() const {
    const QString t = text();
    return !std::any_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
}

QDate BoundDateEdit::shownDate() const {
    if (blank())
        return {};
    return QDate::fromString(text(), m_format);
}

void BoundDateEdit::showValue(const QVariant& value) {
    setReadOnly(!field());
    const QDate d = value.isValid() ? value.toDateTime().date() : QDate();
    showText(d.isValid() ? d.toString(m_format) : QString());
}

bool BoundDateEdit::writeValue(Field* f) {
    if (blank()) {
        f->clear();
        return true;
    }
    const QDate d = shownDate();
    if (!d.isValid()) {
        // Text that is no date (31 February, month 13, a part left blank) leaves the stored
        // date as it was; the box shows it again.
        BoundControl::Beep();
        return true;
    }
    // Only the date is edited; a stored time of day stays.
    const QDateTime old = f->asDateTime();
    f->setValue(QDateTime(d, old.isValid() ? old.time() : QTime(0, 0), Qt::UTC));
    return true;
}

void BoundDateEdit::pick(const QDate& d) {
    m_popup->hide();
    if (!field() || isReadOnly() || !markModified())
        return;
    setFocus(Qt::PopupFocusReason);
    m_showing = true;
    setInputMask(m_mask);
    setText(d.isValid() ? d.toString(m_format) : QString());
    m_showing = false;
}

void BoundDateEdit::openCalendar() {
    if (!field() || isReadOnly())
        return;
    setFocus(Qt::MouseFocusReason);
    const QDate d = shownDate();
    m_calendar->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        if (at.y() + m_popup->height() > avail.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
        at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void BoundDateEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reset();
        selectAll();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_F4) &&
        (event->key() == Qt::Key_F4 || event->modifiers() & Qt::AltModifier)) {
        openCalendar();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (!field() || isReadOnly() || !typed.at(0).isDigit()) {
            BoundControl::Beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void BoundDateEdit::focusInEvent(QFocusEvent* event) {
    if (inputMask().isEmpty()) {
        m_showing = true;
        setInputMask(m_mask);
        m_showing = false;
    }
    QLineEdit::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason)
        selectAll();
}

void BoundDateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    handleFocusOut(event);
    if (!modified())
        showValue(fieldValue()); // an empty box loses its separators
}

void BoundDateEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int w = std::min(height(), 17);
    m_button->setGeometry(width() - w - 1, 1, w, height() - 2);
    setTextMargins(0, 0, w, 0);
}

void BoundDateEdit::wheelEvent(QWheelEvent* event) {
    event->ignore();
}
