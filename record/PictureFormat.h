#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The picture formats a picture box reads and writes. A picture field stores the complete picture
// in its own file format with nothing added, so the format is known only from the bytes.
enum class PictureFormat {
    None,
    Bitmap,   // BMP file with its file header
    Icon,     // ICO file
    Metafile, // Windows metafile (placeable header) or enhanced metafile
    Png,
    Jpeg,
    Gif,
};

// The five formats a picture hook may report, in this order; GIF is not among them.
const QList<PictureFormat>& KnownPictureFormats();
// The format itself when it is a known one, else None.
PictureFormat KnownFormat(PictureFormat format);

// The format by the first bytes of a picture file; None when the bytes are of no format we know.
PictureFormat DetectPictureFormat(const QByteArray& bytes);
// True for the bytes of an enhanced metafile (as opposed to a Windows metafile).
bool IsEnhancedMetafile(const QByteArray& bytes);

// The format registered for a file extension (without the dot, any case); None when there is
// no reader for it (".dxf" among others).
PictureFormat FormatForExtension(const QString& extension);
// The extension a picture of this format is saved with by default ("bmp", "jpg", ...). Metafiles
// need their bytes to tell "emf" from "wmf".
QString DefaultExtension(PictureFormat format, const QByteArray& bytes = QByteArray());
// The short name of a format as lists show it: "BMP", "ICO", "WMF" or "EMF", "PNG", "JPEG", "GIF";
// the empty text for None.
QString PictureFormatName(PictureFormat format, const QByteArray& bytes = QByteArray());

// One entry of the file-type list of the load and save dialogs.
struct PictureFileType {
    QString description;
    QString pattern; // patterns separated by ';'
};
// The ten entries, in the order the dialogs offer them.
const QList<PictureFileType>& PictureFileTypes();
// The same list as a file-dialog filter (entries separated by ";;").
QString PictureFileFilter();

// "Unknown picture file extension (.%s)" with the extension.
QString UnknownExtensionMessage(const QString& extension);
// The message of a format's reader for bytes it cannot read.
QString InvalidPictureMessage(PictureFormat format);

// Stored bytes as a picture box reads them: an 8-byte legacy header (16-bit 1, 16-bit 0x0100,
// 32-bit count of the bytes after it, little-endian) is skipped when present.
QByteArray SkipLegacyHeader(const QByteArray& stored);
