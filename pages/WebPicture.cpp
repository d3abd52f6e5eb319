#include "WebPicture.h"

#include "GifScan.h"
#include "PictureDecoding.h"
#include "PictureFormat.h"
#include "PictureGraphic.h"
#include "VarnoError.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QPointer>
#include <cmath>
#include <new>

const QString TWebPicture::ErrAllocate = QStringLiteral("Could not allocate memory for image");
const QString TWebPicture::ErrStream = QStringLiteral("Could not create image stream");
const QString TWebPicture::ErrEmptyStream = QStringLiteral("Empty image stream created");
const QString TWebPicture::ErrInvalidImage = QStringLiteral("Could not load image. Invalid format");
const QString TWebPicture::ErrNoImage = QStringLiteral("Could not load image");
const QByteArray TWebPicture::UserAgent = QByteArrayLiteral("WebImage");

namespace {

// The proxy settings of the system (environment or desktop settings), for this decoder only.
class SystemProxy : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

// One download: checks the answer's status, type and length, reads the body in chunks with
// progress and cancel events, and hands the bytes to the picture. Deletes its reply when done.
class DownLoad : public QObject {
public:
    // Owned by the picture, so a picture destroyed during a download takes the job with it.
    DownLoad(TWebPicture* picture, QNetworkReply* reply, QString url)
        : QObject(picture), m_picture(picture), m_reply(reply), m_url(std::move(url)) {
        connect(reply, &QNetworkReply::metaDataChanged, this, [this] { checkHeaders(); });
        connect(reply, &QNetworkReply::readyRead, this, [this] { readChunks(); });
    }
    ~DownLoad() override {
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
            m_reply->deleteLater();
        }
    }

    // After the reply finished: the bytes, or nothing when the download failed or was cancelled
    // (then OnDownLoadError has been raised, or the user cancelled).
    bool finish() {
        if (m_ended)
            return false;
        if (!m_checked && !checkHeaders())
            return false;
        readChunks();
        if (m_ended)
            return false;
        m_ended = true;
        return true;
    }
    const QByteArray& body() const { return m_body; }

private:
    void report(const QString& text) {
        stop();
        emit m_picture->OnDownLoadError(text);
    }

    // Nothing more is read; the connection is dropped.
    void stop() {
        m_ended = true;
        if (m_reply && !m_reply->isFinished())
            m_reply->abort();
    }

    bool checkHeaders() {
        if (m_checked || m_ended)
            return !m_ended;
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            if (m_reply->isFinished())
                report(QStringLiteral("Cannot open http connection"));
            return false;
        }
        m_checked = true;
        if (status.toInt() != 200) {
            report(QStringLiteral("Cannot open URL ") + m_url);
            return false;
        }
        const QString type = m_reply->header(QNetworkRequest::ContentTypeHeader).toString().toUpper();
        if (!type.contains(QLatin1String("IMAGE"))) {
            report(QStringLiteral("Resource is not of image type : ") + m_url);
            return false;
        }
        bool valid = false;
        const qint64 length = m_reply->rawHeader("Content-Length").trimmed().toLongLong(&valid);
        m_length = valid ? quint32(length) : 0;
        if ((valid && length != 0) || !m_picture->CheckContentLength) {
            emit m_picture->OnDownLoadProgress(0, m_length);
            return true;
        }
        report(QStringLiteral("Image size is 0"));
        return false;
    }

    void readChunks() {
        if (m_ended || (!m_checked && !checkHeaders()))
            return;
        while (!m_ended && m_reply->bytesAvailable() > 0) {
            const QByteArray chunk = m_reply->read(TWebPicture::ChunkSize);
            if (chunk.isEmpty())
                break;
            m_body += chunk;
            emit m_picture->OnDownLoadProgress(quint32(m_body.size()), m_length);
            bool cancel = false;
            emit m_picture->OnDownLoadCancel(cancel);
            if (cancel)
                stop();
        }
    }

    QPointer<TWebPicture> m_picture;
    QPointer<QNetworkReply> m_reply;
    QString m_url;
    QByteArray m_body;
    quint32 m_length = 0;
    bool m_checked = false;
    bool m_ended = false;
};

} // namespace

TWebPicture::TWebPicture(QObject* parent) : QObject(parent) {}

TWebPicture::~TWebPicture() = default;

void TWebPicture::decode() {
    m_frameRect = QRect();
    m_frameTransparent = false;
    m_frameDisposal = 0;
    m_screenSize = QSize();
    m_image = QImage();
    m_empty = true;

    QByteArray data;
    try {
        if (GifFrameCount(m_bytes) >= 1) {
            m_screenSize = GifScreenSize(m_bytes);
            const GifFrame chosen = GifFrameAt(m_bytes, m_frame);
            if (chosen.start >= 0) {
                m_frameRect = chosen.rect;
                m_frameTransparent = chosen.transparent;
                m_frameDisposal = chosen.disposal;
            }
            data = GifFromFrame(m_bytes, m_frame);
        } else {
            data = m_bytes;
        }
    } catch (const std::bad_alloc&) {
        throw VarnoError(ErrAllocate);
    }
    if (data.isEmpty())
        throw VarnoError(ErrEmptyStream);
    // Only the formats of the picture boxes are read, each by its own reader: bytes that some
    // other reader of the library could take (PPM, XPM, ...) are not a picture here.
    const PictureFormat format = DetectPictureFormat(data);
    if (format == PictureFormat::None)
        throw VarnoError(ErrInvalidImage);
    PictureRequest request;
    request.format = format;
    const DecodedPicture decoded = DecodePicture(data, request);
    if (!decoded.ok())
        throw VarnoError(format == PictureFormat::Metafile ? ErrInvalidImage : ErrNoImage);
    if (decoded.image.isNull())
        throw VarnoError(ErrInvalidImage); // a metafile that is kept but not drawn
    QImage image = decoded.image;
    // The GIF reader paints the frame onto the whole logical screen; the decoded picture is the
    // frame alone, drawn at its offset.
    if (m_frameRect.isValid() && image.size() == m_screenSize &&
        QRect(QPoint(), m_screenSize).contains(m_frameRect))
        image = image.copy(m_frameRect);
    m_image = std::move(image);
    m_empty = false;
}

void TWebPicture::takeDecoded(const QByteArray& bytes, const QImage& image) {
    m_bytes = bytes;
    m_frame = 0;
    m_frameRect = QRect();
    m_frameTransparent = false;
    m_frameDisposal = 0;
    m_screenSize = QSize();
    if (GifFrameCount(bytes) >= 1) {
        m_screenSize = GifScreenSize(bytes);
        const GifFrame first = GifFrameAt(bytes, 0);
        if (first.start >= 0) {
            m_frameRect = first.rect;
            m_frameTransparent = first.transparent;
            m_frameDisposal = first.disposal;
        }
    }
    m_image = image;
    m_empty = image.isNull();
    emit changed();
}

void TWebPicture::loadFromStream(QIODevice& stream) {
    if (!stream.isSequential())
        stream.seek(0);
    loadFromBytes(stream.readAll());
}

void TWebPicture::loadFromBytes(const QByteArray& bytes) {
    m_bytes = bytes;
    decode();
    emit changed();
}

void TWebPicture::loadFromFile(const QString& path) {
    QFile file(path);
    try {
        if (!file.open(QIODevice::ReadOnly))
            throw VarnoError(ErrStream);
        loadFromStream(file);
    } catch (const VarnoError&) {
        m_image = QImage();
        m_empty = true;
    }
}

void TWebPicture::saveToStream(QIODevice& stream) const {
    stream.write(m_bytes);
}

void TWebPicture::assign(const TWebPicture* source) {
    if (!source) {
        m_bytes.clear();
        m_image = QImage();
        m_empty = true;
        m_frameRect = QRect();
        m_screenSize = QSize();
        emit changed();
        return;
    }
    if (source == this)
        return;
    m_bytes = source->m_bytes;
    decode();
    emit changed();
}

void TWebPicture::assign(const PictureGraphic&) {
    // A picture of another kind is not taken over: the decoder only shows nothing until it next
    // decodes, and keeps the bytes it had.
    m_image = QImage();
    m_empty = true;
}

void TWebPicture::draw(QPainter& painter, const QRect& rect) const {
    if (m_empty || m_image.isNull())
        return;
    painter.drawImage(rect.translated(frameOffset()), m_image);
}

// The decoded picture's size in hundredths of a millimetre at the screen's 96 pixels per inch,
// then in pixels at the decoder's own.
static int scaled(int pixels, int ppi) {
    const double himetric = std::round(pixels * 2540.0 / 96.0);
    return int(std::lround(himetric * ppi / 2540.0));
}

int TWebPicture::width() const {
    return m_image.isNull() ? 0 : scaled(m_image.width(), m_ppiX);
}

int TWebPicture::height() const {
    return m_image.isNull() ? 0 : scaled(m_image.height(), m_ppiY);
}

void TWebPicture::setPixelsPerInch(int x, int y) {
    m_ppiX = x;
    m_ppiY = y;
}

void TWebPicture::setFrame(int frame) {
    m_frame = frame;
    if (m_bytes.isEmpty())
        return;
    decode();
    emit OnFrameChange();
}

void TWebPicture::loadFromURL(const QString& url) {
    m_source = url;
    if (url.isEmpty())
        return;
    m_frame = 0;
    const QString upper = url.toUpper();
    if (upper.startsWith(QLatin1String("RES://"))) {
        // A picture embedded in the program.
        QFile resource(QStringLiteral(":/") + url.mid(6));
        if (resource.open(QIODevice::ReadOnly))
            loadFromStream(resource);
        return;
    }
    if (upper.startsWith(QLatin1String("FILE://"))) {
        loadFromFile(url.mid(7));
        return;
    }
    if (Async) {
        if (m_busy)
            return;
        m_busy = true;
    }
    download(url);
}

void TWebPicture::download(const QString& url) {
    m_busy = true;
    if (!m_network) {
        m_network = new QNetworkAccessManager(this);
        m_network->setProxyFactory(new SystemProxy);
    }
    const QUrl address(url);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        m_busy = false;
        emit OnDownLoadError(QStringLiteral("Cannot open http connection"));
        return;
    }
    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Pragma", "no-cache");
    request.setRawHeader("Cache-Control", "no-cache");
    QNetworkReply* reply = m_network->get(request);
    auto* job = new DownLoad(this, reply, url);

    if (Async) {
        // The events and the decoding happen on this thread when the answer is complete; a
        // decoding error is reported like the download's own failures.
        connect(reply, &QNetworkReply::finished, job, [this, job] {
            try {
                if (job->finish()) {
                    loadFromBytes(job->body());
                    emit OnDownLoadComplete();
                }
            } catch (const VarnoError& e) {
                emit OnDownLoadError(e.message());
            }
            m_busy = false;
            job->deleteLater();
        });
        return;
    }

    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool ok = job->finish();
    const QByteArray body = job->body();
    delete job;
    m_busy = false;
    if (ok) {
        loadFromBytes(body); // decoder errors reach the caller
        emit OnDownLoadComplete();
    }
}
