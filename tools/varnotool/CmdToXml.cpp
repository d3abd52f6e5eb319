// varnotool to-xml FILE: the XML datapacket of a form file, as the send dialog produces it.

#include "Command.h"
#include "Dataset.h"

namespace {

int run(const QStringList& args);
const Command command{"to-xml", "FILE", run};
const Command::Registration registration(command);

int run(const QStringList& args) {
    if (args.size() != 1)
        return usageError(command);
    Dataset scratch; // a scratch dataset, as the send dialog loads each file
    scratch.loadFromFile(args[0]);
    writeOut(scratch.xmlData());
    return 0;
}

} // namespace
