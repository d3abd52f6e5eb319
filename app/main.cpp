#include "Servizi.h"
#include "WMain.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varno"));
    ImpostaLocale();
    LoadProgramFonts();
    QApplication::setFont(ProgramFont());
    TWinMain window;
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           window.screen()->availableGeometry()));
    window.show();
    window.RecuperaScheda();
    return QApplication::exec();
}
