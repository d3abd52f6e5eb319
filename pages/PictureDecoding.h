#pragma once

#include "PictureFormat.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <atomic>

// Stored picture bytes turned into an image, with no widget, bounded and cancellable so that it
// can run on a worker thread: a JPEG with more scans than a camera or an editor ever writes is
// refused before it is decoded, a decoding that runs past the time limit or is cancelled stops at
// its next read, and an image is never larger than the allocation limit. Only the formats of the
// picture boxes are read (BMP, icon, metafiles, PNG, JPEG, GIF), each by its own reader.

struct PictureLimits {
    // A progressive JPEG of a camera or an editor has about ten scans; hostile ones have tens of
    // thousands, each a full pass over the picture.
    std::atomic<int> maxJpegScans{100};
    std::atomic<int> timeLimitMs{10000};
};
// The limits every decoding uses; tests change them.
PictureLimits& CurrentPictureLimits();
// The largest image a reader may allocate, in megabytes: a 100-megapixel photograph decoded whole
// takes 400.
constexpr int PictureAllocationLimitMb = 512;

// The marker structure of JPEG bytes, read without decoding: start of image, the segments with
// their lengths, the entropy-coded data of each scan up to its next marker, and the end of image.
struct JpegLayout {
    bool wellFormed = false; // every segment lies within the bytes, a frame header comes first
    bool complete = false;   // the end-of-image marker follows the last scan
    int scans = 0;
    bool progressive = false;
    QSize size;
};
JpegLayout ScanJpeg(const QByteArray& bytes);

// An enhanced metafile whose records lie within its bytes, as many as its header counts, the last
// one the end-of-file record.
bool EnhancedMetafileWellFormed(const QByteArray& bytes);

struct PictureRequest {
    // The format the bytes must be in; None reads them in the format their content shows.
    PictureFormat format = PictureFormat::None;
    // When valid: only the centred part of this size is decoded, at the picture's natural size
    // (what a picture box shows of a larger picture).
    QSize shownPart;
    // When valid: the picture is scaled down, in proportion, to fit this size.
    QSize fitInto;
    // Set from another thread to stop the decoding at its next read.
    const std::atomic<bool>* cancel = nullptr;
};

struct DecodedPicture {
    PictureFormat format = PictureFormat::None;
    QImage image;      // null for a metafile that is kept without being drawn
    QSize naturalSize; // the whole picture's size in pixels
    QRect part;        // where the image lies in the natural picture (all of it unless shownPart)
    QString error;     // the format's message when the bytes were not decoded
    bool ok() const { return error.isEmpty(); }
};

// Decodes stored bytes (legacy header already skipped). Bytes that are not whole pictures of the
// requested format (a JPEG without its end, a metafile whose records run past its bytes), too
// costly ones and cancelled decodings give the format's "... is not valid" message.
DecodedPicture DecodePicture(const QByteArray& bytes, const PictureRequest& request = {});

// How many decodings of bytes of a known format have been made since the program began.
int PictureDecodeCount();
