#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the single-byte character set of every text the form stores.
namespace Cp1252 {

// Decodes every byte; the five bytes the code page leaves undefined become U+0081 and the like.
QString decode(const QByteArray& bytes);
// Encodes text; a character the code page cannot hold becomes '?'.
QByteArray encode(const QString& text);
bool canEncode(QChar c);
bool canEncode(const QString& text);

} // namespace Cp1252
