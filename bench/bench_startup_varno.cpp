// The program's own start-up, as main() runs it, until its main window is exposed.
#include "Avvio.h"
#include "EsposizioneFinestra.h"
#include "WMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PreparaApplicazione();
    TWinMain window;
    new EsposizioneFinestra(&window);
    MostraFinestraPrincipale(window);
    return QApplication::exec();
}
