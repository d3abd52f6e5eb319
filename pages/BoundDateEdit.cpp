#include "BoundDateEdit.h"

#include "Field.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {
// The empty box is the minimum date shown as a blank.
const QDate kEmpty(1752, 9, 14);
} // namespace

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

BoundDateEdit::BoundDateEdit(QWidget* parent) : QDateEdit(parent), BoundControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    setDisplayFormat(ShortDateFormat());
    setMinimumDate(kEmpty);
    setSpecialValueText(QStringLiteral(" "));
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setCalendarPopup(true);

    auto* calendar = new QCalendarWidget(this);
    calendar->setGridVisible(false);
    auto* buttons = new QWidget(calendar);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(4, 2, 4, 4);
    m_today = new QPushButton(QStringLiteral("Today"), buttons);
    m_clear = new QPushButton(QStringLiteral("Clear"), buttons);
    m_today->setObjectName(QStringLiteral("BtnToday"));
    m_clear->setObjectName(QStringLiteral("BtnClear"));
    row->addWidget(m_today);
    row->addStretch();
    row->addWidget(m_clear);
    if (auto* column = qobject_cast<QVBoxLayout*>(calendar->layout()))
        column->addWidget(buttons);
    // The calendar's own size leaves out the row of buttons.
    calendar->setMinimumSize(calendar->sizeHint() + QSize(0, buttons->sizeHint().height()));
    setCalendarWidget(calendar);
    connect(m_today, &QPushButton::clicked, this, [this] { pick(QDate::currentDate()); });
    connect(m_clear, &QPushButton::clicked, this, [this] { pick(QDate()); });

    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (!m_showing && !modified() && !markModified())
            showValue(fieldValue());
    });
}

QDate BoundDateEdit::shownDate() const {
    return date() == kEmpty ? QDate() : date();
}

void BoundDateEdit::setShownDate(const QDate& d) {
    m_showing = true;
    setDate(d.isValid() ? d : kEmpty);
    m_showing = false;
}

void BoundDateEdit::pick(const QDate& d) {
    closeCalendar();
    if (!markModified())
        return;
    setShownDate(d);
}

void BoundDateEdit::closeCalendar() {
    if (QWidget* popup = calendarWidget()->window(); popup && popup != window())
        popup->hide();
}

void BoundDateEdit::showValue(const QVariant& value) {
    setReadOnly(!field());
    setShownDate(value.isValid() ? value.toDateTime().date() : QDate());
}

bool BoundDateEdit::writeValue(Field* f) {
    const QDate d = shownDate();
    if (!d.isValid()) {
        f->clear();
        return true;
    }
    // Only the date is edited; a stored time of day stays.
    const QDateTime old = f->asDateTime();
    f->setValue(QDateTime(d, old.isValid() ? old.time() : QTime(0, 0), Qt::UTC));
    return true;
}

void BoundDateEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reset();
        event->accept();
        return;
    }
    if (!shownDate().isValid() && field() && !event->text().isEmpty() && event->text().at(0).isDigit()) {
        // Typing into the empty box starts from today's date, its first part selected.
        if (!markModified())
            return;
        setShownDate(QDate::currentDate());
        setCurrentSectionIndex(0);
        setSelectedSection(currentSection());
    }
    QDateEdit::keyPressEvent(event);
}

void BoundDateEdit::focusOutEvent(QFocusEvent* event) {
    // The spin box first settles the typed text: a valid date is taken, an invalid one falls back
    // to the date shown before.
    QDateEdit::focusOutEvent(event);
    handleFocusOut(event);
}

void BoundDateEdit::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QDateEdit::wheelEvent(event);
}
