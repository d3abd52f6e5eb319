#pragma once

#include "ControlSpec.h"

// Page 1: identification (section 1) and description (section 2) of the building.
QList<ControlSpec> TabellaPagina1();
