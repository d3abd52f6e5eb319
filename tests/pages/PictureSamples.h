#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

// Picture files made in the tests: the image library's own writers, and a small GIF writer for
// pictures of several frames (the library reads GIF but cannot write it).
namespace PictureSamples {

// A 40 x 30 picture: left half red, right half blue.
QImage Sample(QSize size = QSize(40, 30));
// The image written by the library in a format ("bmp", "jpg", "png", "ico").
QByteArray Encode(const QImage& image, const char* format);

struct GifFrameSpec {
    QRect rect;     // inside the logical screen
    int colour = 1; // index into the palette black, red, green, blue
    int delay = 0;  // hundredths of a second
    int disposal = 0;
};
// A GIF89a of the given frames, each with its graphic control extension; the palette is black,
// red, green and blue.
QByteArray Gif(QSize screen, const QList<GifFrameSpec>& frames);
QColor GifColour(int index);

// A Windows metafile with a placeable header and no records but the end, and an enhanced
// metafile with a header and the end record.
QByteArray Wmf();
// A Windows metafile of 400 x 300 units at 1440 per inch holding a rectangle filled red over its
// top-left 300 x 200 units.
QByteArray WmfRectangle();
QByteArray Emf();

// JPEG files written marker by marker, grey, with every AC coefficient zero, so that they are
// small whatever their size:
// - a progressive one whose DC scan is followed by `acScans` scans of one AC band each (a
//   valid-looking file that costs the decoder a full pass over the picture per scan);
// - a baseline one whose left half is dark (level 64) and right half light (level 192).
QByteArray ProgressiveJpegManyScans(QSize size, int acScans);
QByteArray HalvesJpeg(QSize size);

} // namespace PictureSamples
