#pragma once

#include "ControlDef.h"

// The controls of page 2 (typology, structural and non-structural damage, external hazard, soil
// and foundations) over the printed page, in stacking order.
QList<ControlDef> TabellaPagina2();
