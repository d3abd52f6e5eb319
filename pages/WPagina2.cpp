#include "WPagina2.h"

#include "TabellaPagina2.h"

#include <QPixmap>

TWinPagina2::TWinPagina2(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina2"));
    setPagePicture(QPixmap(QStringLiteral(":/pages/pagina2.jpg")));
    buildControls(TabellaPagina2());
}
