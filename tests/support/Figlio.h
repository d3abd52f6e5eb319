#pragma once

#include <QByteArray>
#include <functional>
#include <optional>

// What a child process sent back: its exit code and the bytes it wrote.
struct EsitoFiglio {
    int codice = -1;
    QByteArray uscita;
};

// Runs lavoro in a forked child: it fills the bytes to send back and returns the child's exit
// code. Empty when the child could not be made, could not send its bytes, or did not exit.
std::optional<EsitoFiglio> InUnFiglio(const std::function<int(QByteArray& uscita)>& lavoro);

// In a child of the superuser: gives up its privileges for those of "nobody". False on failure.
bool SenzaPrivilegi();
