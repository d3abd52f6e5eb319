#include "PictureFormat.h"

#include <QtEndian>

namespace {

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

bool startsWith(const QByteArray& b, const char* magic, int length) {
    return b.size() >= length && memcmp(b.constData(), magic, size_t(length)) == 0;
}

bool isWindowsMetafile(const QByteArray& b) {
    if (b.size() >= 22 && u32(b, 0) == 0x9AC6CDD7u) // placeable header
        return true;
    // A bare metafile header: type 1 (memory) or 2 (disk), header size 9 words, version 1 or 3.
    return b.size() >= 18 && (u16(b, 0) == 1 || u16(b, 0) == 2) && u16(b, 2) == 9 &&
           (u16(b, 4) == 0x0100 || u16(b, 4) == 0x0300);
}

} // namespace

const QList<PictureFormat>& KnownPictureFormats() {
    static const QList<PictureFormat> known{PictureFormat::Bitmap, PictureFormat::Icon,
                                            PictureFormat::Metafile, PictureFormat::Png, PictureFormat::Jpeg};
    return known;
}

PictureFormat KnownFormat(PictureFormat format) {
    return KnownPictureFormats().contains(format) ? format : PictureFormat::None;
}

bool IsEnhancedMetafile(const QByteArray& b) {
    // The first record is the header (type 1) with the signature " EMF" at byte 40.
    return b.size() >= 88 && u32(b, 0) == 1 && u32(b, 40) == 0x464D4520u;
}

PictureFormat DetectPictureFormat(const QByteArray& b) {
    if (startsWith(b, "BM", 2) && b.size() >= 26)
        return PictureFormat::Bitmap;
    if (startsWith(b, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (startsWith(b, "GIF8", 4) && b.size() >= 5)
        return PictureFormat::Gif;
    if (startsWith(b, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (b.size() >= 22 && u16(b, 0) == 0 && u16(b, 2) == 1 && u16(b, 4) > 0)
        return PictureFormat::Icon;
    if (IsEnhancedMetafile(b) || isWindowsMetafile(b))
        return PictureFormat::Metafile;
    return PictureFormat::None;
}

PictureFormat FormatForExtension(const QString& extension) {
    const QString e = extension.toLower();
    if (e == QLatin1String("bmp"))
        return PictureFormat::Bitmap;
    if (e == QLatin1String("ico"))
        return PictureFormat::Icon;
    if (e == QLatin1String("emf") || e == QLatin1String("wmf"))
        return PictureFormat::Metafile;
    if (e == QLatin1String("jpg") || e == QLatin1String("jpeg"))
        return PictureFormat::Jpeg;
    if (e == QLatin1String("gif"))
        return PictureFormat::Gif;
    if (e == QLatin1String("png"))
        return PictureFormat::Png;
    return PictureFormat::None;
}

QString DefaultExtension(PictureFormat format, const QByteArray& bytes) {
    switch (format) {
    case PictureFormat::Bitmap:
        return QStringLiteral("bmp");
    case PictureFormat::Icon:
        return QStringLiteral("ico");
    case PictureFormat::Metafile:
        return IsEnhancedMetafile(bytes) ? QStringLiteral("emf") : QStringLiteral("wmf");
    case PictureFormat::Png:
        return QStringLiteral("png");
    case PictureFormat::Jpeg:
        return QStringLiteral("jpg");
    case PictureFormat::Gif:
        return QStringLiteral("gif");
    case PictureFormat::None:
        break;
    }
    return QString();
}

QString PictureFormatName(PictureFormat format, const QByteArray& bytes) {
    if (format == PictureFormat::Jpeg)
        return QStringLiteral("JPEG");
    return DefaultExtension(format, bytes).toUpper();
}

const QList<PictureFileType>& PictureFileTypes() {
    static const QList<PictureFileType> types{
        {QStringLiteral("All (*.dxf;*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)"),
         QStringLiteral("*.dxf;*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf")},
        {QStringLiteral("Formato DXF (*.dxf)"), QStringLiteral("*.dxf")},
        {QStringLiteral("PNG graphics (*.png)"), QStringLiteral("*.png")},
        {QStringLiteral("GIF Image (*.gif)"), QStringLiteral("*.gif")},
        {QStringLiteral("JPEG Image File (*.jpg)"), QStringLiteral("*.jpg")},
        {QStringLiteral("JPEG Image File (*.jpeg)"), QStringLiteral("*.jpeg")},
        {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("Icons (*.ico)"), QStringLiteral("*.ico")},
        {QStringLiteral("Enhanced Metafiles (*.emf)"), QStringLiteral("*.emf")},
        {QStringLiteral("Metafiles (*.wmf)"), QStringLiteral("*.wmf")},
    };
    return types;
}

QString PictureFileFilter() {
    // A file dialog shows each entry as it is given and takes the patterns from its parentheses,
    // separated by blanks: the entry whose description lists them with ';' lists them once, with
    // blanks.
    QStringList entries;
    for (const PictureFileType& t : PictureFileTypes())
        entries << QString(t.description).replace(QLatin1Char(';'), QLatin1Char(' '));
    return entries.join(QStringLiteral(";;"));
}

QString UnknownExtensionMessage(const QString& extension) {
    return QStringLiteral("Unknown picture file extension (.%1)").arg(extension);
}

QString InvalidPictureMessage(PictureFormat format) {
    switch (format) {
    case PictureFormat::Bitmap:
        return QStringLiteral("Bitmap image is not valid");
    case PictureFormat::Icon:
        return QStringLiteral("Icon image is not valid");
    case PictureFormat::Metafile:
        return QStringLiteral("Metafile is not valid");
    case PictureFormat::Png:
        return QStringLiteral("PNG image is not valid");
    case PictureFormat::Jpeg:
        return QStringLiteral("JPEG image is not valid");
    case PictureFormat::Gif:
        return QStringLiteral("GIF image is not valid");
    case PictureFormat::None:
        break;
    }
    return QStringLiteral("Picture is not valid");
}

QByteArray SkipLegacyHeader(const QByteArray& stored) {
    if (stored.size() >= 8 && u16(stored, 0) == 1 && u16(stored, 2) == 0x0100 &&
        qsizetype(u32(stored, 4)) == stored.size() - 8)
        return stored.mid(8);
    return stored;
}
