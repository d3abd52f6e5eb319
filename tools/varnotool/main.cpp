// varnotool: form files by hand. "varnotool COMMAND ARGS..."; see Command.h for subcommands.

#include "Command.h"
#include "DataPacket.h"
#include "VarnoError.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <memory>
#include <new>

int main(int argc, char** argv) {
    const Command* wanted = argc > 1 ? Command::find(QString::fromLocal8Bit(argv[1])) : nullptr;
    std::unique_ptr<QCoreApplication> application;
    if (wanted && wanted->gui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    QStringList args = app.arguments().mid(1);
    const Command* command = args.isEmpty() ? nullptr : Command::find(args.first());
    if (!command) {
        QList<Command> list = Command::all();
        std::sort(list.begin(), list.end(),
                  [](const Command& a, const Command& b) { return qstrcmp(a.name, b.name) < 0; });
        QString text = QStringLiteral("usage:");
        for (const Command& c : list)
            text += QStringLiteral("\n  varnotool %1 %2").arg(QLatin1String(c.name), QLatin1String(c.usage));
        writeErr(text);
        return 2;
    }
    args.removeFirst();
    try {
        return command->run(args);
    } catch (const VarnoError& e) {
        writeErr(e.message());
    } catch (const std::bad_alloc&) {
        writeErr(DataPacketError::message(DataPacketError::OutOfMemory));
    }
    return 1;
}
