#include "WPagina3.h"

#include "TabellaPagina3.h"

#include <QPixmap>

TWinPagina3::TWinPagina3(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina3"));
    setPagePicture(QPixmap(QStringLiteral(":/pages/pagina3.jpg")));
    buildControls(TabellaPagina3());
}
