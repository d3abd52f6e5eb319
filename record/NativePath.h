#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on this system, and not every name is valid UTF-8 (a form copied from a
// system that writes names in another code page). A name is carried in a QString that keeps its
// bytes: valid UTF-8 is decoded as such, and every other byte b becomes the lone surrogate
// U+DC00 + b, which no valid text holds. encode() gives the very bytes back, so such a file can be
// listed, opened, sent and moved. Qt's own file classes would turn those bytes into U+FFFD and
// lose the file; code that may meet such names goes through these two functions.
namespace NativePath {
QString decode(const QByteArray& bytes);
QByteArray encode(const QString& path);
// The name as a person should read it: the bytes that are not UTF-8 read as Windows-1252.
QString display(const QString& name);
} // namespace NativePath
