#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QSize>

// A photograph-like picture: gradients with fine noise, so that the JPEG has the size of a real
// photograph (a few megabytes at 12 megapixels) rather than that of a flat drawing.
inline QByteArray PhotographJpeg(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(12);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.bounded(48));
            line[x] = qRgb((x / 16 + n) & 0xFF, (y / 12 + n) & 0xFF, ((x + y) / 28 + n) & 0xFF);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(90);
    writer.write(image);
    return bytes;
}
