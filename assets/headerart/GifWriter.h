#pragma once

#include <QByteArray>
#include <QImage>

// Writes a still picture as a GIF89a file: the image is reduced to at most 256 colours and its
// pixels are LZW-compressed. Qt reads GIF but does not write it.
QByteArray EncodeGif(const QImage& image);
