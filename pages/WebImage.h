#pragma once

#include "WebPicture.h"

#include <QWidget>

class QTimer;

// The picture decoder control: owns one TWebPicture (WebPicture) and paints it by
// PicturePosition. It can size itself to the picture (AutoSize), load from an address (URL) and
// animate a GIF of several frames, each frame staying for its delay. Page 1 keeps an invisible
// one as the decoder of its picture hook; there nothing but decoding is used.
class TWebImage : public QWidget {
    Q_OBJECT

public:
    enum TPicturePosition {
        bpTopLeft,
        bpTopRight,
        bpBottomLeft,
        bpBottomRight,
        bpCenter,
        bpTiled,
        bpStretched
    };

    explicit TWebImage(QWidget* parent = nullptr);
    ~TWebImage() override;

    TWebPicture* WebPicture() const { return m_picture; }

    bool Animate() const { return m_animate; }
    void setAnimate(bool on);
    bool Async() const { return m_async; }
    void setAsync(bool on) { m_async = on; }
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool CheckContentLength() const { return m_checkContentLength; }
    void setCheckContentLength(bool on) { m_checkContentLength = on; }
    TPicturePosition PicturePosition() const { return m_position; }
    void setPicturePosition(TPicturePosition position);
    const QString& URL() const { return m_url; }
    // Copies Async and CheckContentLength to the picture, then loads from the address.
    void setURL(const QString& url);
    static QString Version() { return QStringLiteral("1.1.0.1"); }
    void setVersion(const QString&) {} // read-only

    // Where the picture is drawn for a position, in the control's coordinates (bpTiled: the first
    // tile).
    QRect pictureRect() const;

    // The timer of the animation: its identifier and period in milliseconds.
    static constexpr int AnimationTimerId = 500;
    static constexpr int AnimationPeriod = 10;
    bool animating() const { return m_timer != nullptr; }
    // One tick of the animation timer.
    void animationTick();

signals:
    void OnFrameChange(QObject* sender);
    void OnDownLoadError(QObject* sender, const QString& err);
    void OnDownLoadComplete(QObject* sender);
    void OnDownLoadCancel(QObject* sender, bool& cancel);
    void OnDownLoadProgress(QObject* sender, quint32 dwSize, quint32 dwTotSize);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pictureChanged();
    void frameChanged();

    TWebPicture* m_picture;
    bool m_animate = false;
    bool m_async = false;
    bool m_autoSize = false;
    bool m_checkContentLength = false;
    TPicturePosition m_position = bpTopLeft;
    QString m_url;
    bool m_multiFrame = false;
    QTimer* m_timer = nullptr; // the helper of the animation, present while Animate is on
    qint64 m_tick = 0;
    qint64 m_nextChange = 0;
};
