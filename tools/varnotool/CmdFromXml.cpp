// varnotool from-xml IN OUT: an XML datapacket written as a binary form file.

#include "Command.h"
#include "Dataset.h"

namespace {

int run(const QStringList& args);
const Command command{"from-xml", "IN OUT", run};
const Command::Registration registration(command);

int run(const QStringList& args) {
    if (args.size() != 2)
        return usageError(command);
    Dataset scratch;
    scratch.loadFromFile(args[0]);
    scratch.mergeChangeLog();
    scratch.saveToFile(args[1], Dataset::PacketFormat::Binary);
    return 0;
}

} // namespace
