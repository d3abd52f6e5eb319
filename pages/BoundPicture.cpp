#include "BoundPicture.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

const QString BoundPicture::EmptyCaption = QStringLiteral("(Immagine)");

BoundPicture::BoundPicture(QWidget* parent) : QFrame(parent), BoundControl(this) {
    // A stop in the tab order: the clipboard keys act on the box that has the focus.
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    m_decoder = [](const QByteArray& bytes) { return QImage::fromData(bytes); };

    m_menu = new QMenu(this);
    m_cut = m_menu->addAction(QStringLiteral("Cu&t"));
    m_copy = m_menu->addAction(QStringLiteral("&Copy"));
    m_paste = m_menu->addAction(QStringLiteral("&Paste"));
    m_delete = m_menu->addAction(QStringLiteral("&Delete"));
    m_menu->addSeparator();
    m_load = m_menu->addAction(QStringLiteral("&Load..."));
    m_saveAs = m_menu->addAction(QStringLiteral("Save &As..."));
}

void BoundPicture::setDecoder(Decoder decoder) {
    m_decoder = std::move(decoder);
    showValue(fieldValue());
}

void BoundPicture::showValue(const QVariant& value) {
    m_picture = value.isValid() && m_decoder ? m_decoder(value.toByteArray()) : QImage();
    update();
}

void BoundPicture::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect inside = contentsRect();
    p.setClipRect(inside);
    if (m_picture.isNull()) {
        p.setFont(font());
        p.drawText(inside, Qt::AlignCenter, EmptyCaption);
        return;
    }
    const QSize s = m_picture.size() / m_picture.devicePixelRatio();
    p.drawImage(QRect(inside.center() - QPoint(s.width() / 2, s.height() / 2), s), m_picture);
}

void BoundPicture::contextMenuEvent(QContextMenuEvent* event) {
    m_menu->popup(event->globalPos());
    event->accept();
}
