// Draws the three printed pages of the survey form into JPEG files: pagina1.jpg, pagina2.jpg and
// pagina3.jpg in the folder given on the command line. The files are committed in assets/pages
// and embedded in the program.
//
// `pageart --overlay DIR` also writes paginaN-overlay.png beside them for each page that has a
// control table: the controls outlined over the picture, to check that every box lies under its
// control.
#include "Overlay.h"
#include "PageArt.h"
#include "PageCanvas.h"
#include "TabellaPagina1.h"
#include "TabellaPagina2.h"
#include "TabellaPagina3.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool overlay = args.removeAll(QStringLiteral("--overlay")) > 0;
    const QString dir = args.isEmpty() ? QStringLiteral(".") : args.first();
    struct Page {
        const char* name;
        int height;
        void (*draw)(PageCanvas&);
        QList<ControlDef> (*table)();
    };
    const Page pages[] = {{"pagina1", kPagina1Height, DrawPagina1, TabellaPagina1},
                          {"pagina2", kPagina2Height, DrawPagina2, TabellaPagina2},
                          {"pagina3", kPagina3Height, DrawPagina3, TabellaPagina3}};
    int failures = 0;
    for (const Page& p : pages) {
        PageCanvas canvas(p.height);
        p.draw(canvas);
        const QImage image = canvas.image();
        const QString base = dir + u'/' + QString::fromLatin1(p.name);
        if (!SaveJpeg(image, base + QStringLiteral(".jpg"))) {
            std::fprintf(stderr, "cannot write %s.jpg\n", qPrintable(base));
            ++failures;
        }
        if (overlay && p.table &&
            !DrawOverlay(image, p.table()).save(base + QStringLiteral("-overlay.png"))) {
            std::fprintf(stderr, "cannot write %s-overlay.png\n", qPrintable(base));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
