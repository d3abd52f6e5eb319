#include "BoundChoiceBox.h"

#include "Field.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWheelEvent>

BoundChoiceBox::BoundChoiceBox(QWidget* parent) : QComboBox(parent), BoundControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    setEditable(false);
    setMaxVisibleItems(16);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) {
        if (m_showing)
            return;
        if (!markModified())
            showValue(fieldValue());
    });
}

void BoundChoiceBox::setItems(const QList<ControlItem>& items) {
    m_showing = true;
    m_items = items;
    clear();
    for (const ControlItem& item : items)
        addItem(item.caption);
    m_showing = false;
    showValue(fieldValue());
}

void BoundChoiceBox::showValue(const QVariant& value) {
    m_showing = true;
    setCurrentIndex(field() ? MatchItem(m_items, value) : -1);
    m_showing = false;
}

bool BoundChoiceBox::writeValue(Field* f) {
    const int i = currentIndex();
    if (i < 0 || i >= m_items.size())
        return true; // there is no way back to an empty choice, so nothing to write
    const ControlItem& item = m_items[i];
    const QVariant v = item.value.isValid() ? item.value : QVariant(item.caption);
    if (v.typeId() == QMetaType::QString ||
        (v.typeId() == QMetaType::Bool && f->kind() != FieldKind::Boolean))
        f->setAsString(MatchText(v));
    else
        f->setValue(v);
    return true;
}

void BoundChoiceBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !view()->isVisible()) {
        reset();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void BoundChoiceBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    handleFocusOut(event);
}

void BoundChoiceBox::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}
