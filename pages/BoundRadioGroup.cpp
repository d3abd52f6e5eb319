#include "BoundRadioGroup.h"

#include "Field.h"
#include "Servizi.h"

#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {
// Captions beside their buttons stand closer to them than the toolkit's spacing, as on the
// printed form, so that a long caption ends clear of the next button of its row.
class CaptionStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_RadioButtonLabelSpacing)
            return 3;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};
} // namespace

BoundRadioGroup::BoundRadioGroup(QWidget* parent) : QWidget(parent), BoundControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    setTransparent(true);
}

void BoundRadioGroup::setItems(const QList<ControlItem>& items) {
    m_items = items;
    rebuild();
}

void BoundRadioGroup::setColumns(int columns) {
    m_columns = columns;
    placeButtons();
}

void BoundRadioGroup::setTransparent(bool transparent) {
    setAutoFillBackground(!transparent);
    updateMask();
    if (!transparent) {
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }
    update();
}

void BoundRadioGroup::setBold(bool bold) {
    m_bold = bold;
    for (QRadioButton* b : std::as_const(m_buttons))
        b->setFont(ProgramFont(11, bold));
    placeButtons(); // the buttons' sizes follow their font
}

void BoundRadioGroup::rebuild() {
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (int i = 0; i < m_items.size(); ++i) {
        auto* b = new QRadioButton(m_items[i].caption, this);
        if (!m_items[i].caption.isEmpty()) {
            if (!m_captionStyle) {
                m_captionStyle = new CaptionStyle;
                m_captionStyle->setParent(this);
            }
            b->setStyle(m_captionStyle);
        }
        // The group is the one focus stop; clicks on a button focus the group (ClickFocus of the
        // parent) and keyboard choosing is the group's.
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoExclusive(false);
        b->setFont(ProgramFont(11, m_bold));
        connect(b, &QRadioButton::clicked, this, [this, i] { choose(i); });
        m_buttons.append(b);
        b->show();
    }
    placeButtons();
    select(m_index < m_items.size() ? m_index : -1);
}

void BoundRadioGroup::placeButtons() {
    const RadioLayout l = layoutRule();
    for (int i = 0; i < m_buttons.size(); ++i) {
        const QRect cell = RadioCell(l, size(), i);
        QRadioButton* b = m_buttons[i];
        const QSize hint = b->sizeHint();
        const int w = std::min(hint.width(), cell.width());
        const int h = std::min(hint.height(), cell.height());
        b->setGeometry(cell.x(), cell.y() + (cell.height() - h) / 2, w, h);
    }
    updateMask();
}

void BoundRadioGroup::updateMask() {
    if (autoFillBackground()) {
        clearMask();
        return;
    }
    // A transparent group takes clicks only on its buttons (with the frame that shows the focus
    // around one): a click beside them reaches the control underneath, such as a button of a
    // neighbouring group that this one overlaps. Focused with no button selected, it shows the
    // focus around its edge.
    QRegion region;
    if (hasFocus() && m_index < 0)
        region = QRegion(rect()).subtracted(QRegion(rect().adjusted(2, 2, -2, -2)));
    for (QRadioButton* b : std::as_const(m_buttons))
        region += b->geometry().adjusted(-1, -1, 1, 1);
    setMask(region);
}

void BoundRadioGroup::select(int item) {
    m_index = item;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setChecked(i == item);
    updateMask();
    update();
}

void BoundRadioGroup::choose(int item) {
    if (item == m_index) {
        select(item); // a click on the selected button changes nothing
        return;
    }
    if (!markModified()) {
        select(m_index);
        return;
    }
    select(item);
}

void BoundRadioGroup::showValue(const QVariant& value) {
    select(field() ? MatchItem(m_items, value) : -1);
}

bool BoundRadioGroup::writeValue(Field* f) {
    if (m_index < 0) {
        f->clear();
        return true;
    }
    const ControlItem& item = m_items[m_index];
    const QVariant v = item.value.isValid() ? item.value : QVariant(item.caption);
    if (v.typeId() == QMetaType::Bool && f->kind() != FieldKind::Boolean)
        f->setAsString(MatchText(v));
    else if (v.typeId() == QMetaType::QString)
        f->setAsString(v.toString());
    else
        f->setValue(v);
    return true;
}

void BoundRadioGroup::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeButtons();
}

void BoundRadioGroup::paintEvent(QPaintEvent*) {
    if (!hasFocus())
        return;
    // The focus shows around the selected button, or around the group when none is selected.
    QStyleOptionFocusRect opt;
    opt.initFrom(this);
    opt.rect = m_index >= 0 ? m_buttons[m_index]->geometry().adjusted(-1, -1, 1, 1) : rect();
    opt.backgroundColor = Qt::white;
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
}

void BoundRadioGroup::keyPressEvent(QKeyEvent* event) {
    const int n = int(m_items.size());
    switch (event->key()) {
    case Qt::Key_Escape:
        reset();
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (n > 0)
            choose(m_index < 0 ? 0 : std::min(m_index + 1, n - 1));
        break;
    case Qt::Key_Up:
    case Qt::Key_Left:
        if (n > 0)
            choose(m_index < 0 ? 0 : std::max(m_index - 1, 0));
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void BoundRadioGroup::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    updateMask();
    update();
}

void BoundRadioGroup::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    updateMask();
    update();
    handleFocusOut(event);
}
