#include "MetafileRenderer.h"

#include <QtEndian>
#include <algorithm>

#ifdef VARNO_HAVE_LIBWMF
#include <cstring>
#include <libwmf/api.h>
#include <libwmf/gd.h>
#endif

namespace {

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

// The largest side of a drawn metafile; larger ones are drawn smaller, in proportion.
constexpr unsigned MaxSide = 4096;

} // namespace

bool WindowsMetafileWellFormed(const QByteArray& b) {
    qsizetype at = 0;
    if (b.size() >= 22 && u32(b, 0) == 0x9AC6CDD7u)
        at = 22;
    if (at + 18 > b.size() || (u16(b, at) != 1 && u16(b, at) != 2) || u16(b, at + 2) != 9)
        return false;
    at += 18;
    while (at + 6 <= b.size()) {
        const quint64 words = u32(b, at);
        if (words < 3 || quint64(at) + words * 2 > quint64(b.size()))
            return false;
        if (u16(b, at + 4) == 0) // the end record
            return true;
        at += qsizetype(words * 2);
    }
    return false;
}

#ifdef VARNO_HAVE_LIBWMF

namespace {

int appendToBuffer(void* context, char* buffer, int length) {
    static_cast<QByteArray*>(context)->append(buffer, length);
    return length;
}

} // namespace

bool CanRenderWindowsMetafile() {
    return true;
}

QImage RenderWindowsMetafile(const QByteArray& bytes) {
    if (!WindowsMetafileWellFormed(bytes))
        return QImage();
    wmfAPI* api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_gd_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return QImage();
    }
    // The library reads from a buffer of its own; the stored bytes stay untouched.
    QByteArray copy(bytes.constData(), bytes.size());
    QByteArray png;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(copy.data()), long(copy.size())) == wmf_E_None) {
        wmfD_Rect bbox;
        unsigned int width = 0;
        unsigned int height = 0;
        if (wmf_scan(api, 0, &bbox) == wmf_E_None &&
            wmf_display_size(api, &width, &height, 96.0, 96.0) == wmf_E_None && width > 0 && height > 0) {
            if (width > MaxSide || height > MaxSide) {
                const double scale = double(MaxSide) / std::max(width, height);
                width = std::max(1u, unsigned(width * scale));
                height = std::max(1u, unsigned(height * scale));
            }
            wmf_gd_t* device = WMF_GD_GetData(api);
            device->type = wmf_gd_png;
            device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
            device->sink.context = &png;
            device->sink.function = appendToBuffer;
            device->width = width;
            device->height = height;
            device->bbox = bbox;
            if (wmf_play(api, 0, &bbox) != wmf_E_None)
                png.clear();
        }
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return png.isEmpty() ? QImage() : QImage::fromData(png, "PNG");
}

#else

bool CanRenderWindowsMetafile() {
    return false;
}

QImage RenderWindowsMetafile(const QByteArray&) {
    return QImage();
}

#endif
