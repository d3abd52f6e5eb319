#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>

// The scan of GIF bytes the picture decoder uses to pick one frame. A frame begins at its graphic
// control extension: 0x21 0xF9 0x04, four bytes of it, its terminator, and the image descriptor
// 0x2C eight bytes after the 0x21. Positions are only taken where at least nine bytes follow.

// "GIF8" at the start of at least five bytes.
bool IsGif(const QByteArray& bytes);
// Number of frames; -1 for bytes that are not a GIF.
int GifFrameCount(const QByteArray& bytes);
// Logical screen size (two 16-bit values at byte 6 and 8); empty when the bytes are too short.
QSize GifScreenSize(const QByteArray& bytes);

struct GifFrame {
    qsizetype start = -1; // position of the frame's 0x21; -1 when there is no such frame
    QRect rect;           // left, top, width, height inside the logical screen
    int delay = 0;        // in hundredths of a second
    bool transparent = false;
    int disposal = 0; // disposal method, bits 2-4 of the packed field
};
// Frame number n, counted from 1.
GifFrame GifFrameAt(const QByteArray& bytes, int n);

// The GIF reduced to start with frame n (2 or more): everything before the first frame, then
// frame n and everything after it. For n 0 or 1 the bytes are returned whole. When there is no
// frame n the result ends before the first frame.
QByteArray GifFromFrame(const QByteArray& bytes, int n);
