// varnotool set-server INI ADDRESS [--if-empty]: writes ADDRESS as "IP_ADDRESS" of section
// "SERVER" of an INI file, keeping every other line; with --if-empty only when the file has no
// address yet. A missing file is made.

#include "Command.h"
#include "IniDati.h"
#include "IniFile.h"

namespace {

int run(const QStringList& args);
const Command command{"set-server", "INI ADDRESS [--if-empty]", run};
const Command::Registration registration(command);

int run(const QStringList& args) {
    QStringList plain;
    bool ifEmpty = false;
    for (const QString& a : args) {
        if (a == u"--if-empty")
            ifEmpty = true;
        else if (a.startsWith(u"--"))
            return usageError(command);
        else
            plain.append(a);
    }
    if (plain.size() != 2 || plain[1].isEmpty())
        return usageError(command);
    IniFile ini(plain[0]);
    if (ifEmpty && !LeggiIndirizzoServer(ini).isEmpty())
        return 0;
    ini.writeString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS"), plain[1]);
    return 0;
}

} // namespace
