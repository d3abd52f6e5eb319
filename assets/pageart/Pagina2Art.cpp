#include "PageArt.h"
#include "PageCanvas.h"

void DrawPagina2(PageCanvas& canvas) {
    canvas.frame(QRect(6, 6, 888, kPagina2Height - 12));
}
