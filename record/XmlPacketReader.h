#pragma once

#include "DataPacket.h"

#include <QByteArray>

// Reads an XML datapacket: the one-line documents the XML writer produces and the same documents
// laid out with blanks and line breaks, in single-byte (Windows-1252) or UTF-8 mode. A document
// that does not start with DATAPACKET, METADATA and FIELDS, or breaks off, is rejected with
// "Mismatch in datapacket."; nothing is read beyond the data.
class XmlPacketReader {
public:
    static DataPacket read(const QByteArray& data);
};
