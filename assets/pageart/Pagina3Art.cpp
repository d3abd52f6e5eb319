#include "PageArt.h"
#include "PageCanvas.h"

void DrawPagina3(PageCanvas& canvas) {
    canvas.frame(QRect(6, 6, 888, kPagina3Height - 12));
}
