// The baseline of the start-up benchmark: a bare Qt widgets window of the given size, centred on
// the screen, until it is exposed.   bench_startup_bare WIDTH HEIGHT
#include "EsposizioneFinestra.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QSize size(argc > 2 ? atoi(argv[1]) : 992, argc > 2 ? atoi(argv[2]) : 668);
    QWidget window;
    window.resize(size);
    new EsposizioneFinestra(&window);
    window.setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, window.screen()->availableGeometry()));
    window.show();
    return QApplication::exec();
}
