// Draws the three printed pages of the survey form into JPEG files: pagina1.jpg, pagina2.jpg and
// pagina3.jpg in the folder given on the command line. The files are committed in assets/pages
// and embedded in the program.
#include "PageArt.h"
#include "PageCanvas.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    struct Page {
        const char* file;
        int height;
        void (*draw)(PageCanvas&);
    };
    const Page pages[] = {{"pagina1.jpg", kPagina1Height, DrawPagina1},
                          {"pagina2.jpg", kPagina2Height, DrawPagina2},
                          {"pagina3.jpg", kPagina3Height, DrawPagina3}};
    int failures = 0;
    for (const Page& p : pages) {
        PageCanvas canvas(p.height);
        p.draw(canvas);
        const QString path = dir + u'/' + QString::fromLatin1(p.file);
        if (!SaveJpeg(canvas.image(), path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
