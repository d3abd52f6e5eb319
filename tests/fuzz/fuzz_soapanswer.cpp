// Any bytes as the body of a SendScheda answer: read as the service call reads it. A fault or an
// answer not understood is an error with a message, never a crash, a hang or a read past the data.

#include "VarnoError.h"
#include "WSDL_ServerVARNO.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    bool overwrite = false;
    QString info = QStringLiteral("sent");
    try {
        LeggiRispostaSendScheda(bytes, overwrite, info);
    } catch (const VarnoError& e) {
        if (e.message().isEmpty())
            __builtin_trap(); // every failure must say something
    }
    return 0;
}
