// varnotool check FILE...: loads each file; prints its name and "OK" or the error message.

#include "Command.h"
#include "DataPacket.h"
#include "Dataset.h"
#include "VarnoError.h"

#include <new>

namespace {

int run(const QStringList& args);
const Command command{"check", "FILE...", run};
const Command::Registration registration(command);

int run(const QStringList& args) {
    if (args.isEmpty())
        return usageError(command);
    int status = 0;
    for (const QString& file : args) {
        QString result = QStringLiteral("OK");
        try {
            Dataset scratch;
            scratch.loadFromFile(file);
        } catch (const VarnoError& e) {
            result = e.message();
            status = 1;
        } catch (const std::bad_alloc&) {
            result = DataPacketError::message(DataPacketError::OutOfMemory);
            status = 1;
        }
        writeOut((file + QStringLiteral(": ") + result + u'\n').toLocal8Bit());
    }
    return status;
}

} // namespace
