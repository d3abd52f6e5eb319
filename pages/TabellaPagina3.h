#pragma once

#include "ControlDef.h"

// Page 3 of the survey form: section 8 (usability judgement) and section 9 (other observations),
// with the header band that repeats the identification entered on page 1. Every control binds
// through the page's DataSource2.
QList<ControlDef> TabellaPagina3();
