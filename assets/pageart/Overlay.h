#pragma once

#include "ControlDef.h"

#include <QImage>

// A check picture: the page with every control of its table outlined in red over it, the kind
// readable at a glance (a square for a check box, a circle for each radio button, a drop-down
// mark for a choice box, arrows for a spin edit, a cross for a picture box, a dashed outline for
// a label), with the tab position in small figures.
QImage DrawOverlay(const QImage& page, const QList<ControlDef>& table);
