#pragma once

#include "DataPacket.h"

#include <QByteArray>

// Renders a datapacket as the one-line XML document the server receives, in single-byte mode:
// Windows-1252 bytes, no encoding declaration. Raises VarnoError with the engine's code on a
// column type or a value the rendering cannot express.
class XmlPacketWriter {
public:
    static QByteArray write(const DataPacket& packet);

    // The name a column takes in attributes: blanks and ( ) # * ! $ % ? become underscores.
    static QByteArray alteredName(const QByteArray& name);
    // The fieldtype name of a type code; empty when the type has none.
    static QByteArray typeName(quint32 type);
    // The property names written as attributes rather than as PARAM elements.
    static bool isAttributeProperty(const QByteArray& name);
    // A value's text: the nine escaped characters replaced, every other byte copied.
    static void appendEscaped(QByteArray& out, const char* data, qsizetype size);
    // Bytes in base64 (standard alphabet, "=" padding, no line breaks).
    static void appendBase64(QByteArray& out, const char* data, qsizetype size);
};
