#include "PageArt.h"

#include "PageCanvas.h"

int PaginaHeight(int page) {
    switch (page) {
    case 1:
        return kPagina1Height;
    case 2:
        return kPagina2Height;
    case 3:
        return kPagina3Height;
    default:
        return 0;
    }
}

void DrawPagina(int page, QPainter& painter) {
    void (*const draw[])(PageCanvas&) = {DrawPagina1, DrawPagina2, DrawPagina3};
    if (page < 1 || page > 3)
        return;
    PageCanvas canvas(painter, PaginaHeight(page));
    draw[page - 1](canvas);
}
