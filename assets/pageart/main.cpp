// Draws the three printed pages of the survey form into JPEG files: pagina1.jpg, pagina2.jpg and
// pagina3.jpg in the folder given on the command line. The files are committed in assets/pages
// and embedded in the program.
//
//   pageart DIR              the three pictures
//   pageart --overlay DIR    also paginaN-overlay.png: every control of the page's table outlined
//                            in red over its picture, to check that each box lies under its control
#include "PageArt.h"
#include "PageCanvas.h"
#include "TabellaPagina1.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

namespace {

void drawOverlay(QImage& image, const QList<ControlSpec>& table) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(220, 0, 0, 200), 1));
    p.setBrush(Qt::NoBrush);
    for (const ControlSpec& s : table) {
        if (!s.visible)
            continue;
        const QRect r = EffectiveRect(s);
        if (s.kind == ControlKind::RadioGroup) {
            p.setPen(QPen(QColor(0, 0, 220, 120), 1, Qt::DotLine));
            p.drawRect(r);
            p.setPen(QPen(QColor(220, 0, 0, 200), 1));
            const RadioLayout layout = RadioGroupLayout(int(s.items.size()), s.columns);
            for (int i = 0; i < s.items.size(); ++i) {
                const QRect cell = RadioCell(layout, r.size(), i).translated(r.topLeft());
                p.drawEllipse(QPointF(cell.left() + 7.5, cell.center().y() + 0.5), 6, 6);
                if (!s.items[i].caption.isEmpty())
                    p.drawText(QRect(cell.left() + 16, cell.top(), cell.width() - 16, cell.height()),
                               Qt::AlignLeft | Qt::AlignVCenter, s.items[i].caption);
            }
        } else {
            p.drawRect(r.adjusted(0, 0, -1, -1));
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
        const char* name;
        int height;
        void (*draw)(PageCanvas&);
        QList<ControlSpec> (*table)();
    };
    const Page pages[] = {{"pagina1", kPagina1Height, DrawPagina1, TabellaPagina1},
                          {"pagina2", kPagina2Height, DrawPagina2, nullptr},
                          {"pagina3", kPagina3Height, DrawPagina3, nullptr}};
    int failures = 0;
    for (const Page& p : pages) {
        PageCanvas canvas(p.height);
        p.draw(canvas);
        QImage image = canvas.image();
        const QString base = dir + u'/' + QString::fromLatin1(p.name);
        if (!SaveJpeg(image, base + QStringLiteral(".jpg"))) {
            std::fprintf(stderr, "cannot write %s.jpg\n", qPrintable(base));
            ++failures;
        }
        if (overlay && p.table) {
            drawOverlay(image, p.table());
            if (!image.save(base + QStringLiteral("-overlay.png")))
                ++failures;
        }
    }
    return failures ? 1 : 0;
}
