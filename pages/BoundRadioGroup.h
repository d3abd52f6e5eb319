#pragma once

#include "BoundControl.h"
#include "ControlDef.h"

#include <QList>
#include <QWidget>

class QButtonGroup;
class QRadioButton;
class QStyle;

// A frameless group of radio buttons bound to one field. The buttons fill the columns from top to
// bottom; the group is one stop in the tab order and has no way back to no selection.
class BoundRadioGroup : public QWidget, public BoundControl {
    Q_OBJECT

public:
    explicit BoundRadioGroup(QWidget* parent = nullptr);

    void setItems(const QList<ControlItem>& items);
    const QList<ControlItem>& items() const { return m_items; }
    void setColumns(int columns);
    int columns() const { return m_columns; }
    void setTransparent(bool transparent);
    void setBold(bool bold);

    // The selected item, -1 for none.
    int itemIndex() const { return m_index; }
    QRadioButton* button(int item) const { return m_buttons.value(item); }
    RadioLayout layoutRule() const { return RadioGroupLayout(int(m_items.size()), m_columns); }

protected:
    void showValue(const QVariant& value) override;
    bool writeValue(Field* field) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void rebuild();
    void placeButtons();
    void updateMask();
    void select(int item);
    void choose(int item);

    QList<ControlItem> m_items;
    QList<QRadioButton*> m_buttons;
    int m_columns = 1;
    int m_index = -1;
    bool m_bold = false;
    QStyle* m_captionStyle = nullptr; // the buttons with a caption, made on first need
};
