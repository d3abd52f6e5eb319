#include "Command.h"

#include "VarnoError.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
QList<Command>& registry() {
    static QList<Command> list;
    return list;
}
} // namespace

const QList<Command>& Command::all() {
    return registry();
}

const Command* Command::find(const QString& name) {
    for (const Command& c : registry())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

Command::Registration::Registration(const Command& command) {
    registry().append(command);
}

void writeOut(const QByteArray& bytes) {
    // Output sent to a full disk is a failure, not a success with a file cut short.
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        throw VarnoError(QStringLiteral("Impossibile scrivere l'uscita: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(errno))));
}

void writeErr(const QString& text) {
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fputc('\n', stderr);
}

int usageError(const Command& command) {
    writeErr(QStringLiteral("usage: varnotool %1 %2")
                 .arg(QLatin1String(command.name), QLatin1String(command.usage)));
    return 2;
}
