#include "Overlay.h"

#include "PageCanvas.h"

#include <QPainter>

QImage DrawOverlay(const QImage& page, const QList<ControlDef>& table) {
    QImage out = page.convertToFormat(QImage::Format_ARGB32);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(230, 0, 0);
    QFont tabFont(QStringLiteral("DejaVu Sans"));
    tabFont.setPixelSize(8);
    p.setFont(tabFont);
    for (const ControlDef& s : table) {
        const QRectF r = QRectF(EffectiveRect(s)).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(red, 1.0, s.kind == ControlKind::Label ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(Qt::NoBrush);
        switch (s.kind) {
        case ControlKind::RadioGroup: {
            p.setPen(QPen(red, 0.6, Qt::DotLine));
            p.drawRect(r);
            p.setPen(QPen(red, 1.0));
            const RadioLayout l = RadioGroupLayout(int(s.items.size()), s.columns);
            for (int i = 0; i < s.items.size(); ++i) {
                const QRect cell = RadioCell(l, s.rect.size(), i).translated(s.rect.topLeft());
                const QPoint c = PageCanvas::radioButtonCentre(cell);
                p.drawEllipse(QPointF(c) + QPointF(0.5, 0.5), PageCanvas::kRadioButtonSize / 2.0,
                              PageCanvas::kRadioButtonSize / 2.0);
            }
            break;
        }
        case ControlKind::ChoiceBox: {
            p.drawRect(r);
            const qreal x = r.right() - 8, y = r.center().y();
            p.drawLine(QPointF(r.right() - 16, r.top()), QPointF(r.right() - 16, r.bottom()));
            p.drawPolygon(QPolygonF({QPointF(x - 4, y - 2), QPointF(x + 4, y - 2), QPointF(x, y + 3)}));
            break;
        }
        case ControlKind::SpinEdit: {
            p.drawRect(r);
            const qreal x = r.right() - 8;
            p.drawLine(QPointF(r.right() - 16, r.top()), QPointF(r.right() - 16, r.bottom()));
            p.drawLine(QPointF(r.right() - 16, r.center().y()), QPointF(r.right(), r.center().y()));
            p.drawLine(QPointF(x - 3, r.top() + 7), QPointF(x, r.top() + 3));
            p.drawLine(QPointF(x + 3, r.top() + 7), QPointF(x, r.top() + 3));
            p.drawLine(QPointF(x - 3, r.bottom() - 7), QPointF(x, r.bottom() - 3));
            p.drawLine(QPointF(x + 3, r.bottom() - 7), QPointF(x, r.bottom() - 3));
            break;
        }
        case ControlKind::Picture:
            p.drawRect(r);
            p.drawLine(r.topLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomLeft());
            break;
        case ControlKind::Memo:
            p.drawRect(r);
            p.drawLine(QPointF(r.right() - 16, r.top()), QPointF(r.right() - 16, r.bottom()));
            break;
        default:
            p.drawRect(r);
            break;
        }
        if (s.tabOrder >= 0) {
            p.setPen(red);
            p.drawText(QPointF(r.left() + 1, r.top() - 1), QString::number(s.tabOrder));
        }
    }
    p.end();
    return out;
}
