#pragma once

#include <QString>

// The folder of the executable, ending with a separator; every path of the program is built on
// it. Set once at start-up; tests point it at a temporary folder.
QString ExeDir();
void SetExeDir(const QString& folder);
