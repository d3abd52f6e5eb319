#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

class PictureGraphic;
class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QPainter;

// The picture decoder: keeps the raw bytes of one picture and decodes them by their content (BMP,
// JPEG, GIF, PNG, icon, Windows metafile; an enhanced metafile is not drawn), no other format. For a GIF it
// can show one frame (Frame, counted from 1) by decoding a reduced GIF that starts with that frame. It can
// also fetch its bytes from an address: "RES://" (a resource of the program), "FILE://" (a file) or an
// internet address over HTTP.
class TWebPicture : public QObject {
    Q_OBJECT

public:
    explicit TWebPicture(QObject* parent = nullptr);
    ~TWebPicture() override;

    // Decoder errors, raised as VarnoError.
    static const QString ErrAllocate;     // "Could not allocate memory for image"
    static const QString ErrStream;       // "Could not create image stream"
    static const QString ErrEmptyStream;  // "Empty image stream created"
    static const QString ErrInvalidImage; // "Could not load image. Invalid format"
    static const QString ErrNoImage;      // "Could not load image"

    // Takes all bytes of the stream from its start and decodes them; failures raise.
    void loadFromStream(QIODevice& stream);
    void loadFromBytes(const QByteArray& bytes);
    // Takes bytes decoded elsewhere (by a picture box, off the user-interface thread) with their
    // image, as if it had decoded them itself from their first frame; a null image leaves it
    // empty.
    void takeDecoded(const QByteArray& bytes, const QImage& image);
    // Reads the file and decodes it; any failure leaves the decoder empty and raises nothing.
    void loadFromFile(const QString& path);
    // Writes the raw bytes, unchanged.
    void saveToStream(QIODevice& stream) const;
    const QByteArray& bytes() const { return m_bytes; }

    // From none: clears the bytes. From another decoder: copies its bytes and decodes them.
    void assign(const TWebPicture* source);
    // From a picture of another kind: becomes empty and keeps its bytes, without a change notice.
    void assign(const PictureGraphic& other);

    // Draws the decoded picture into the rectangle moved by the frame offset; nothing when empty.
    void draw(QPainter& painter, const QRect& rect) const;
    // Size in pixels at the decoder's pixels per inch; 0 while nothing is decoded.
    int width() const;
    int height() const;
    bool isEmpty() const { return m_empty; }
    const QImage& image() const { return m_image; }

    void setPixelsPerInch(int x, int y);
    int Frame() const { return m_frame; }
    // Stores the frame number; with bytes present decodes again and raises OnFrameChange.
    void setFrame(int frame);
    // The selected GIF frame inside the logical screen; empty for other pictures.
    QRect frameRect() const { return m_frameRect; }
    QPoint frameOffset() const { return m_frameRect.topLeft(); }
    bool frameTransparent() const { return m_frameTransparent; }
    int frameDisposal() const { return m_frameDisposal; }
    QSize gifScreenSize() const { return m_screenSize; }

    // Download settings, copied from the control.
    bool CheckContentLength = false;
    bool Async = false;
    bool busy() const { return m_busy; }
    const QString& source() const { return m_source; }
    // Loads from an address; see the class comment.
    void loadFromURL(const QString& url);

    // The agent name of the download.
    static const QByteArray UserAgent; // "WebImage"
    static constexpr int ChunkSize = 4096;

signals:
    void changed();
    void OnFrameChange();
    void OnDownLoadError(const QString& err);
    void OnDownLoadComplete();
    void OnDownLoadCancel(bool& cancel);
    void OnDownLoadProgress(quint32 dwSize, quint32 dwTotSize);

private:
    void decode();
    void download(const QString& url);
    void finishDownload(QNetworkReply* reply, const QString& url);

    QByteArray m_bytes;
    bool m_empty = true;
    QImage m_image;
    int m_ppiX = 96;
    int m_ppiY = 96;
    int m_frame = 0;
    QRect m_frameRect;
    bool m_frameTransparent = false;
    int m_frameDisposal = 0;
    QSize m_screenSize;
    QString m_source;
    bool m_busy = false;
    QNetworkAccessManager* m_network = nullptr;
};
