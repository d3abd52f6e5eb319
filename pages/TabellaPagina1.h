#pragma once

#include "ControlDef.h"

// Page 1: identification (section 1) and description (section 2) of the building.
QList<ControlDef> TabellaPagina1();
