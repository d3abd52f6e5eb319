#include "WPagina1.h"

#include "TabellaPagina1.h"

#include <QPixmap>

TWinPagina1::TWinPagina1(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina1"));
    setPagePicture(QPixmap(QStringLiteral(":/pages/pagina1.jpg")));
    buildControls(TabellaPagina1());
}
