#include "Avvio.h"

#include "Servizi.h"
#include "WMain.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

void PreparaApplicazione() {
    QApplication::setApplicationName(QStringLiteral("Varno"));
    ImpostaLocale();
    LoadProgramFonts();
    QApplication::setFont(ProgramFont());
}

void MostraFinestraPrincipale(TWinMain& window) {
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           window.screen()->availableGeometry()));
    window.show();
}
