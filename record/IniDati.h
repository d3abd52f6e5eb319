#pragma once

#include <QString>
#include <array>
#include <optional>

class Dataset;
class IniFile;

// The identification values a squad types on every form, remembered in section "CONFIG" of the
// INI file from one form to the next. SchedaN is the number to give the next new form.
struct TIniDati {
    QString Squadra;
    QString SchedaN;
    QString IstatReg;
    QString IstatProv;
    QString IstatComune;
    QString CodLocIstat;
    QString SezCensIstat;
    QString Provincia;
    QString Comune;
    QString Localita;

    bool operator==(const TIniDati&) const = default;
};

// One CONFIG key, the form record field whose value it remembers, and the member that holds it.
struct ChiaveIni {
    const char* chiave;
    const char* campo;
    QString TIniDati::*membro;
};

// The ten keys in the order in which they are always read and written.
const std::array<ChiaveIni, 10>& ChiaviConfig();

// Reads the ten keys, empty text for a missing one.
void LeggiIni(const IniFile& ini, TIniDati& dati);
// Writes the ten keys in one replacement of the file; an empty member gives "Key=". Raises
// VarnoError naming the file when it cannot be written.
void ScriviIni(IniFile& ini, const TIniDati& dati);
// "IP_ADDRESS" of section "SERVER", empty text when missing.
QString LeggiIndirizzoServer(const IniFile& ini);

// The standard text-to-integer conversion: leading spaces, an optional sign, then decimal digits,
// or hexadecimal digits after $, x, X, 0x or 0X (taken as a 32-bit pattern, so $FFFFFFFF is -1).
// Anything else, trailing blanks included, gives no value; so does a number outside 32 bits.
std::optional<qint32> TestoInIntero(const QString& text);
// The number with at least four digits, zeros on the left after the sign: 8 gives 0008, 10000
// stays 10000, -4 gives -0004.
QString FormatoNumeroScheda(qint64 n);
// After the first save of a new form: key SchedaN := the saved form's number plus one, formatted
// as above. Any failure (a number that is not an integer, a refused write) is ignored and leaves
// the key as it was; returns whether the key was written.
bool AvanzaNumeroScheda(IniFile& ini, const QString& schedaN);

// New: the ten members assigned as text to their fields (a longer text is cut to the field size).
void AssegnaDatiIni(Dataset& scheda, const TIniDati& dati);
// Save: the nine members other than SchedaN replaced by the values of their fields in the form
// record (a null field gives the empty text).
void RicordaDatiScheda(const Dataset& scheda, TIniDati& dati);
