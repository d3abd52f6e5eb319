#include "Avvio.h"
#include "WMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PreparaApplicazione();
    TWinMain window;
    MostraFinestraPrincipale(window);
    window.RecuperaScheda();
    return QApplication::exec();
}
