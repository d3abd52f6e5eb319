// Any bytes as Varno.Ini: the ten values and the server address are read, then the nine values
// and the number are written back and read again. Reading never fails; a write either succeeds
// and keeps what it wrote, or raises the error naming the file.

#include "IniDati.h"
#include "IniFile.h"
#include "VarnoError.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <unistd.h>

namespace {
const QString& iniPath() {
    static const QString path = QDir::temp().filePath(QStringLiteral("fuzz_inifile_%1.ini").arg(::getpid()));
    static const struct Cleanup {
        ~Cleanup() { QFile::remove(path); }
    } cleanup;
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile f(iniPath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    IniFile ini(iniPath());
    TIniDati dati;
    LeggiIni(ini, dati);
    LeggiIndirizzoServer(ini);
    AvanzaNumeroScheda(ini, dati.SchedaN);
    dati.Comune = QStringLiteral("Citt\u00e0 \"'[x]=;");
    dati.Localita = QStringLiteral("riga\r\nnuova");
    try {
        ScriviIni(ini, dati);
    } catch (const VarnoError&) {
        return 0;
    }
    TIniDati letti;
    LeggiIni(ini, letti);
    // The value just written comes back as it was.
    if (letti.Comune != QStringLiteral("Citt\u00e0 \"'[x]=;"))
        __builtin_trap();
    return 0;
}
