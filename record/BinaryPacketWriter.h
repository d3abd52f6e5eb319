#pragma once

#include "DataPacket.h"

#include <QByteArray>

// Writes a datapacket in the binary encoding of form files: a 24-byte header, the column
// descriptors, the packet-property block and the rows, back to back. Raises VarnoError with the
// engine's code on a column the encoding cannot hold.
class BinaryPacketWriter {
public:
    static QByteArray write(const DataPacket& packet);

    // A value of the given type code as the rows and properties store it (used by both).
    static void appendValue(QByteArray& out, quint32 type, const QVariant& value, bool property);
};
