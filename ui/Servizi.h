#pragma once

#include <QFont>
#include <QString>

// The program's message box: remembers the focused widget, shows the box owned by the active
// window with the flags combined with task-modal and topmost, gives the focus back, and returns
// the Windows code of the button pressed.
int Messaggio(const QString& text, const QString& caption, int flags);

// Wait cursor before a lengthy step, and its end.
void CursoreAttesa();
void RipristinaCursore();

// Tahoma (the faces installed with the system's fonts-wine package, else DejaVu Sans) at the given pixel
// height.
QFont ProgramFont(int pixelSize = 11, bool bold = false);
// Dates and numbers follow the system's locale; a system without one (the C locale) gets the
// Italian conventions of the paper form.
void ImpostaLocale();

// Loads the Tahoma faces into the application's font database; call once after QApplication.
void LoadProgramFonts();
