#pragma once

#include "DataPacket.h"

#include <QByteArray>

// Reads a datapacket in the binary encoding. Every length is checked against the bytes at hand:
// whatever runs past the end is rejected with "Mismatch in datapacket.", and nothing is read
// beyond the data. Errors are VarnoError with the engine's code.
class BinaryPacketReader {
public:
    // True when the data starts with the binary magic (or the older 0x0000ABCD one).
    static bool hasMagic(const QByteArray& data);
    static DataPacket read(const QByteArray& data);

    // True when the type code can stand for a column's (or, with property set, a property's) values.
    static bool validType(quint32 type, bool property);
};
