// Draws the three printed pages of the survey form into JPEG files: pagina1.jpg, pagina2.jpg and
// pagina3.jpg in the folder given on the command line. The files are committed in assets/pages
// and embedded in the program.
//
// With --overlay, each page whose control table is known is also written as paginaN-overlay.png
// with every control drawn over the picture in red (squares for check boxes, circles for the
// buttons of radio groups, plain outlines for the rest), to see that each box lies under its
// control.
#include "PageArt.h"
#include "PageCanvas.h"
#include "TabellaPagina2.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

namespace {

void DrawOverlay(QImage& image, const QList<ControlSpec>& table) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(220, 0, 0);
    const QColor faint(220, 0, 0, 110);
    for (const ControlSpec& s : table) {
        if (!s.visible)
            continue;
        const QRectF r = QRectF(EffectiveRect(s)).adjusted(0.5, 0.5, -0.5, -0.5);
        switch (s.kind) {
        case ControlKind::CheckBox:
            p.setPen(QPen(red, 1));
            p.drawRect(r);
            // The tick mark of a check box sits at its left.
            p.drawRect(
                QRectF(s.rect.left() + 1.5, s.rect.top() + (s.rect.height() - 13) / 2.0 + 0.5, 12, 12));
            break;
        case ControlKind::RadioGroup: {
            p.setPen(QPen(faint, 1, Qt::DashLine));
            p.drawRect(r);
            p.setPen(QPen(red, 1));
            const RadioLayout l = RadioGroupLayout(int(s.items.size()), s.columns);
            for (int i = 0; i < s.items.size(); ++i) {
                const QRect cell = RadioCell(l, s.rect.size(), i).translated(s.rect.topLeft());
                p.drawEllipse(QPointF(cell.left() + 7, cell.center().y() + 0.5), 6, 6);
                if (!s.items[i].caption.isEmpty())
                    p.drawText(QRect(cell.left() + 16, cell.top(), cell.width() - 16, cell.height()),
                               Qt::AlignLeft | Qt::AlignVCenter, s.items[i].caption);
            }
            break;
        }
        default:
            p.setPen(QPen(red, 1));
            p.drawRect(r);
            break;
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool overlay = args.removeAll(QStringLiteral("--overlay")) > 0;
    const QString dir = args.isEmpty() ? QStringLiteral(".") : args.first();
    struct Page {
        const char* file;
        int height;
        void (*draw)(PageCanvas&);
        QList<ControlSpec> (*table)();
    };
    const Page pages[] = {{"pagina1", kPagina1Height, DrawPagina1, nullptr},
                          {"pagina2", kPagina2Height, DrawPagina2, TabellaPagina2},
                          {"pagina3", kPagina3Height, DrawPagina3, nullptr}};
    int failures = 0;
    for (const Page& p : pages) {
        PageCanvas canvas(p.height);
        p.draw(canvas);
        QImage image = canvas.image();
        const QString path = dir + u'/' + QString::fromLatin1(p.file);
        if (!SaveJpeg(image, path + QStringLiteral(".jpg"))) {
            std::fprintf(stderr, "cannot write %s.jpg\n", qPrintable(path));
            ++failures;
        }
        if (overlay && p.table) {
            DrawOverlay(image, p.table());
            if (!image.save(path + QStringLiteral("-overlay.png"), "png")) {
                std::fprintf(stderr, "cannot write %s-overlay.png\n", qPrintable(path));
                ++failures;
            }
        }
    }
    return failures ? 1 : 0;
}
