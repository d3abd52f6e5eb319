#pragma once

class PageCanvas;

// The printed pages of the survey form, each drawn from its region layout and its control table.
void DrawPagina1(PageCanvas& canvas);
void DrawPagina2(PageCanvas& canvas);
void DrawPagina3(PageCanvas& canvas);

constexpr int kPagina1Height = 1286;
constexpr int kPagina2Height = 1274;
constexpr int kPagina3Height = 1292;
