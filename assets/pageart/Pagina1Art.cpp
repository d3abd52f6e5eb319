#include "PageArt.h"
#include "PageCanvas.h"

void DrawPagina1(PageCanvas& canvas) {
    canvas.frame(QRect(6, 6, 888, kPagina1Height - 12));
}
