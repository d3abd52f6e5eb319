#pragma once

#include "BoundControl.h"

#include <QDate>
#include <QLineEdit>

class QCalendarWidget;
class QPushButton;
class QToolButton;

// A date box with a drop-down calendar bound to a date-time field. It shows the date in the
// system's short date format, edits only the date and keeps a stored time of day. Typing goes
// through a mask of that format: each digit takes the place under the caret and the separators
// stand, whether the box was entered by a click, by Tab or Shift+Tab, or its text selected. The
// calendar has the buttons "Today" and "Clear".
class BoundDateEdit : public QLineEdit, public BoundControl {
    Q_OBJECT

public:
    explicit BoundDateEdit(QWidget* parent = nullptr);

    // The date the text holds; a null QDate when the box is empty or its text is no date.
    QDate shownDate() const;
    QCalendarWidget* calendarWidget() const { return m_calendar; }
    QToolButton* dropDownButton() const { return m_button; }
    QPushButton* todayButton() const { return m_today; }
    QPushButton* clearButton() const { return m_clear; }

    // The system's short date format with a four-digit year, used to show and type dates.
    static QString ShortDateFormat();

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The wheel is left to the page, which scrolls.
    void wheelEvent(QWheelEvent* event) override;

private:
    // The mask while the box is edited or shows a date; an empty box without the focus shows no
    // separators.
    void showText(const QString& text);
    bool blank() const;
    void pick(const QDate& date);
    void openCalendar();

    QString m_format;
    QString m_mask;
    QToolButton* m_button = nullptr;
    QWidget* m_popup = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QPushButton* m_today = nullptr;
    QPushButton* m_clear = nullptr;
    bool m_showing = false;
};
