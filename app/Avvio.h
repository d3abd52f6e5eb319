#pragma once

class TWinMain;

// The program's start-up before its message loop, shared by main() and by the start-up benchmark
// so that both take the very same path.

// Application name, the Italian conventions when the system sets none, the program's fonts.
void PreparaApplicazione();
// The main window centred on its screen's available area and shown.
void MostraFinestraPrincipale(TWinMain& window);
