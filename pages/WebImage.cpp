#include "WebImage.h"

#include "GifScan.h"
#include "VarnoError.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

TWebImage::TWebImage(QWidget* parent) : QWidget(parent), m_picture(new TWebPicture(this)) {
    resize(100, 100);
    setFocusPolicy(Qt::NoFocus);
    m_picture->setPixelsPerInch(logicalDpiX(), logicalDpiY());
    connect(m_picture, &TWebPicture::changed, this, &TWebImage::pictureChanged);
    connect(m_picture, &TWebPicture::OnFrameChange, this, &TWebImage::frameChanged);
    connect(m_picture, &TWebPicture::OnDownLoadError, this,
            [this](const QString& err) { emit OnDownLoadError(this, err); });
    connect(m_picture, &TWebPicture::OnDownLoadComplete, this, [this] { emit OnDownLoadComplete(this); });
    connect(m_picture, &TWebPicture::OnDownLoadCancel, this,
            [this](bool& cancel) { emit OnDownLoadCancel(this, cancel); });
    connect(m_picture, &TWebPicture::OnDownLoadProgress, this,
            [this](quint32 size, quint32 total) { emit OnDownLoadProgress(this, size, total); });
}

TWebImage::~TWebImage() = default;

void TWebImage::setAnimate(bool on) {
    if (on == m_animate)
        return;
    m_animate = on;
    if (on) {
        m_timer = new QTimer(this);
        m_timer->setObjectName(QStringLiteral("THelperWnd"));
        m_timer->setInterval(AnimationPeriod);
        connect(m_timer, &QTimer::timeout, this, &TWebImage::animationTick);
        m_tick = 0;
        m_nextChange = 0;
        m_timer->start();
    } else {
        delete m_timer;
        m_timer = nullptr;
    }
}

void TWebImage::setAutoSize(bool on) {
    m_autoSize = on;
    if (on && !m_picture->isEmpty())
        resize(m_picture->width(), m_picture->height());
}

void TWebImage::setPicturePosition(TPicturePosition position) {
    m_position = position;
    update();
}

void TWebImage::setURL(const QString& url) {
    m_url = url;
    m_picture->Async = m_async;
    m_picture->CheckContentLength = m_checkContentLength;
    if (!url.isEmpty())
        m_picture->loadFromURL(url);
}

void TWebImage::pictureChanged() {
    update();
    if (m_picture->isEmpty())
        return;
    if (m_autoSize)
        resize(m_picture->width(), m_picture->height());
    m_multiFrame = GifFrameCount(m_picture->bytes()) > 1;
    if (m_picture->Frame() != 0) {
        try {
            m_picture->setFrame(0);
        } catch (const VarnoError&) {
            // A picture that will not decode from its first frame stays as it was shown.
        }
    }
}

void TWebImage::animationTick() {
    if (m_multiFrame && !m_picture->isEmpty()) {
        if (m_tick >= m_nextChange) {
            const int count = GifFrameCount(m_picture->bytes());
            const int next = m_picture->Frame() < count ? m_picture->Frame() + 1 : 1;
            try {
                m_picture->setFrame(next); // repaints and raises OnFrameChange
            } catch (const VarnoError&) {
                // A frame that does not decode ends the animation on the frame shown; an error
                // must not leave a timer tick.
                m_multiFrame = false;
                return;
            }
            // Counted from this tick, so a frame whose delay is 0 gives way on the next tick and
            // the next one still gets its whole delay.
            m_nextChange = m_tick + GifFrameAt(m_picture->bytes(), next).delay;
        }
        ++m_tick;
    }
}

void TWebImage::frameChanged() {
    if (m_picture->frameDisposal() == 2 && parentWidget())
        // Restore to background: only the frame's place needs drawing again.
        parentWidget()->update(m_picture->frameRect().translated(pos()));
    else
        update();
    emit OnFrameChange(this);
}

QRect TWebImage::pictureRect() const {
    const int w = m_picture->width();
    const int h = m_picture->height();
    const int dx = std::max(0, width() - w);
    const int dy = std::max(0, height() - h);
    switch (m_position) {
    case bpTopLeft:
    case bpTiled:
        return QRect(0, 0, w, h);
    case bpTopRight:
        return QRect(dx, 0, w, h);
    case bpBottomLeft:
        return QRect(0, dy, w, h);
    case bpBottomRight:
        return QRect(dx, dy, w, h);
    case bpCenter:
        return QRect(dx / 2, dy / 2, w, h);
    case bpStretched:
        return rect();
    }
    return QRect(0, 0, w, h);
}

void TWebImage::paintEvent(QPaintEvent*) {
    if (m_picture->isEmpty())
        return;
    QPainter p(this);
    if (m_position == bpTiled) {
        const int w = m_picture->width();
        const int h = m_picture->height();
        if (w <= 0 || h <= 0)
            return;
        for (int y = 0; y < height(); y += h)
            for (int x = 0; x < width(); x += w)
                m_picture->draw(p, QRect(x, y, w, h));
        return;
    }
    m_picture->draw(p, pictureRect());
}
