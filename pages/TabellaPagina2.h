#pragma once

#include "ControlSpec.h"

// The controls of page 2 (typology, structural and non-structural damage, external hazard, soil
// and foundations) over the printed page, in stacking order.
QList<ControlSpec> TabellaPagina2();
