#pragma once

#include "BoundControl.h"

#include <QDateEdit>

class QPushButton;

// A date box with a drop-down calendar bound to a date-time field. It shows the date in the
// system's short date format, edits only the date and keeps a stored time of day. The calendar
// has the buttons "Today" and "Clear".
class BoundDateEdit : public QDateEdit, public BoundControl {
    Q_OBJECT

public:
    explicit BoundDateEdit(QWidget* parent = nullptr);

    // The date shown; a null QDate when the box is empty.
    QDate shownDate() const;
    QPushButton* todayButton() const { return m_today; }
    QPushButton* clearButton() const { return m_clear; }

    // The system's short date format with a four-digit year, used to show and type dates.
    static QString ShortDateFormat();

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The wheel changes the value only while the box has the focus; otherwise it scrolls the page.
    void wheelEvent(QWheelEvent* event) override;
    // Tab leaves the box instead of moving between the parts of the date.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    void setShownDate(const QDate& date);
    void pick(const QDate& date);
    void closeCalendar();

    QPushButton* m_today = nullptr;
    QPushButton* m_clear = nullptr;
    bool m_showing = false;
};
