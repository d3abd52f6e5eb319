#include "WPagina1.h"

#include "BoundPicture.h"
#include "ImmagineHook.h"
#include "TabellaPagina1.h"
#include "WebImage.h"

#include <QPixmap>

TWinPagina1::TWinPagina1(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TWinPagina1"));
    setPagePicture(QPixmap(QStringLiteral(":/pages/pagina1.jpg")));
    buildControls(TabellaPagina1());
    // The photocopy's picture hook decodes stored pictures through the page's invisible decoder.
    auto* foto = qobject_cast<BoundPicture*>(control(QStringLiteral("ImgS1_FotocopiaAggregato")));
    foto->setGraphicClassHook(
        ImmagineGetGraphicClassPagina1(qobject_cast<TWebImage*>(control(QStringLiteral("WebImage1")))));
}
