#pragma once

class PageCanvas;

// The printed pages of the survey form, each drawn from its region layout and its control table.
void DrawPagina1(PageCanvas& canvas);
void DrawPagina2(PageCanvas& canvas);
void DrawPagina3(PageCanvas& canvas);

constexpr int kPagina1Height = 1286;
constexpr int kPagina2Height = 1274;
constexpr int kPagina3Height = 1292;

class QPainter;
class QRect;

// The square printed under a check box of the given control rectangle: the size and place of the
// box the program draws (14 pixels, at the left, centred), so that no printed edge shows around it.
QRect TickSquare(const QRect& control);

// The page numbers 1 to 3: height in page coordinates (0 for another number), and the page
// drawn through a painter whose transformation maps page coordinates onto its device.
int PaginaHeight(int page);
void DrawPagina(int page, QPainter& painter);
