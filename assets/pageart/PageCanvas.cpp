#include "PageCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainterPath>
#include <cmath>

const QColor PageCanvas::kInk(20, 20, 20);
const QColor PageCanvas::kBand(70, 70, 70);
const QColor PageCanvas::kTint(232, 232, 232);

PageCanvas::PageCanvas(int height)
    : m_height(height), m_image(kWidth, height, QImage::Format_RGB32), m_painter(m_own) {
    m_image.fill(Qt::white);
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter.setPen(kInk);
}

PageCanvas::PageCanvas(QPainter& painter, int height) : m_height(height), m_painter(painter) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter.setPen(kInk);
    m_painter.setBrush(Qt::NoBrush);
}

PageCanvas::~PageCanvas() {
    if (&m_painter != &m_own)
        m_painter.restore();
}

QImage PageCanvas::image() {
    if (&m_painter != &m_own)
        return {};
    if (m_painter.isActive())
        m_painter.end();
    return m_image;
}

QFont PageCanvas::font(Style style, int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    int px = 10;
    switch (style) {
    case Plain:
        break;
    case Small:
        px = 8;
        break;
    case Bold:
        f.setBold(true);
        break;
    case Italic:
        f.setItalic(true);
        break;
    case Title:
        f.setBold(true);
        px = 14;
        break;
    case Section:
        f.setBold(true);
        px = 11;
        break;
    }
    f.setStretch(QFont::SemiCondensed);
    f.setPixelSize(pixelSize > 0 ? pixelSize : px);
    return f;
}

void PageCanvas::frame(const QRect& r, qreal width) {
    m_painter.save();
    m_painter.setPen(QPen(kInk, width));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
    m_painter.restore();
}

void PageCanvas::hline(int x1, int x2, int y, qreal width) {
    m_painter.save();
    m_painter.setPen(QPen(kInk, width));
    m_painter.drawLine(QPointF(x1, y + 0.5), QPointF(x2, y + 0.5));
    m_painter.restore();
}

void PageCanvas::vline(int x, int y1, int y2, qreal width) {
    m_painter.save();
    m_painter.setPen(QPen(kInk, width));
    m_painter.drawLine(QPointF(x + 0.5, y1), QPointF(x + 0.5, y2));
    m_painter.restore();
}

void PageCanvas::fill(const QRect& r, const QColor& colour) {
    m_painter.fillRect(r, colour);
}

void PageCanvas::sectionBand(const QRect& r, const QString& number, const QString& title,
                             const QString& note) {
    fill(r, kBand);
    m_painter.save();
    m_painter.setPen(Qt::white);
    m_painter.setFont(font(Section));
    const QRect numberBox(r.left() + 4, r.top(), 74, r.height());
    m_painter.drawText(numberBox, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("SEZIONE ") + number);
    const QRect titleBox(numberBox.right() + 6, r.top(), r.width() - numberBox.width() - 12, r.height());
    m_painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, title);
    if (!note.isEmpty()) {
        m_painter.setFont(font(Italic, 9));
        m_painter.drawText(titleBox, Qt::AlignRight | Qt::AlignVCenter, note);
    }
    m_painter.restore();
}

void PageCanvas::text(const QRect& r, const QString& t, Style style, Qt::Alignment align, int pixelSize) {
    m_painter.save();
    m_painter.setFont(font(style, pixelSize));
    m_painter.setPen(style == Section ? QColor(Qt::white) : kInk);
    m_painter.drawText(r, int(align) | Qt::TextDontClip, t);
    m_painter.restore();
}

void PageCanvas::textOnBaseline(int x, int baseline, const QString& t, Style style, Qt::Alignment align,
                                int pixelSize) {
    m_painter.save();
    m_painter.setFont(font(style, pixelSize));
    m_painter.setPen(style == Section ? QColor(Qt::white) : kInk);
    const int width = QFontMetrics(m_painter.font()).horizontalAdvance(t);
    m_painter.drawText(QPoint(align & Qt::AlignRight ? x - width : x, baseline), t);
    m_painter.restore();
}

int PageCanvas::labelBaseline(int top) {
    // The program's font: Tahoma at 11 pixels where Wine's copy is installed, else its fallback.
    static const int ascent = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        QFont f(id >= 0 ? QFontDatabase::applicationFontFamilies(id).value(0)
                        : QStringLiteral("DejaVu Sans"));
        f.setPixelSize(11);
        return QFontMetrics(f).ascent();
    }();
    return top + ascent;
}

void PageCanvas::paragraph(const QRect& r, const QString& t, Style style, int pixelSize,
                           Qt::Alignment align) {
    m_painter.save();
    m_painter.setFont(font(style, pixelSize));
    m_painter.setPen(kInk);
    m_painter.drawText(r, int(align) | Qt::TextWordWrap, t);
    m_painter.restore();
}

void PageCanvas::upright(const QRect& r, const QString& t, Style style, int pixelSize) {
    m_painter.save();
    m_painter.setFont(font(style, pixelSize));
    m_painter.setPen(kInk);
    m_painter.translate(r.center().x() + 0.5, r.center().y() + 0.5);
    m_painter.rotate(-90);
    const QRect turned(-r.height() / 2, -r.width() / 2, r.height(), r.width());
    m_painter.drawText(turned, Qt::AlignCenter | Qt::TextWordWrap, t);
    m_painter.restore();
}

void PageCanvas::writeBox(const QRect& r) {
    m_painter.save();
    m_painter.setPen(QPen(QColor(90, 90, 90), 0.8));
    m_painter.setBrush(Qt::white);
    m_painter.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
    m_painter.restore();
}

void PageCanvas::writeLine(int x1, int x2, int y) {
    m_painter.save();
    m_painter.setPen(QPen(QColor(90, 90, 90), 0.8, Qt::DotLine));
    m_painter.drawLine(QPointF(x1, y + 0.5), QPointF(x2, y + 0.5));
    m_painter.restore();
}

void PageCanvas::tickSquare(const QRect& r) {
    m_painter.save();
    m_painter.setPen(QPen(kInk, 0.9));
    m_painter.setBrush(Qt::white);
    m_painter.drawRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5));
    m_painter.restore();
}

void PageCanvas::choiceCircle(const QPoint& centre, int radius) {
    m_painter.save();
    m_painter.setPen(QPen(kInk, 0.9));
    m_painter.setBrush(Qt::white);
    m_painter.drawEllipse(QPointF(centre) + QPointF(0.5, 0.5), radius, radius);
    m_painter.restore();
}

void PageCanvas::arrow(const QList<QPoint>& points, qreal width) {
    if (points.size() < 2)
        return;
    m_painter.save();
    m_painter.setPen(QPen(kInk, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    QPainterPath path;
    path.moveTo(QPointF(points.first()) + QPointF(0.5, 0.5));
    for (int i = 1; i < points.size(); ++i)
        path.lineTo(QPointF(points[i]) + QPointF(0.5, 0.5));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPath(path);
    // A filled head, 7 pixels long, along the last stretch.
    const QPointF tip = QPointF(points.last()) + QPointF(0.5, 0.5);
    const QPointF from = QPointF(points[points.size() - 2]) + QPointF(0.5, 0.5);
    QPointF d = tip - from;
    const qreal len = std::hypot(d.x(), d.y());
    if (len > 0) {
        d /= len;
        const QPointF n(-d.y(), d.x());
        QPolygonF head;
        head << tip << tip - 7 * d + 3 * n << tip - 7 * d - 3 * n;
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(kInk);
        m_painter.drawPolygon(head);
    }
    m_painter.restore();
}

void PageCanvas::ruledLines(const QRect& r, int pitch) {
    if (pitch <= 0)
        return;
    for (int y = r.top() + pitch; y < r.bottom(); y += pitch)
        hline(r.left(), r.right(), y, 0.5);
}

QPoint PageCanvas::radioButtonCentre(const QRect& cell) {
    return QPoint(cell.left() + kRadioButtonSize / 2 + 1, cell.top() + cell.height() / 2);
}

void PageCanvas::emblem(const QPoint& centre, int radius) {
    m_painter.save();
    const QPointF c = QPointF(centre) + QPointF(0.5, 0.5);
    m_painter.setPen(QPen(kInk, 1.6));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawEllipse(c, radius, radius);
    const qreal s = radius / 10.0;
    QPainterPath house;
    house.moveTo(c + QPointF(-5 * s, 4 * s));
    house.lineTo(c + QPointF(-5 * s, -1 * s));
    house.lineTo(c + QPointF(0, -6 * s));
    house.lineTo(c + QPointF(5 * s, -1 * s));
    house.lineTo(c + QPointF(5 * s, 4 * s));
    m_painter.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.drawPath(house);
    m_painter.drawLine(c + QPointF(-7.5 * s, 4 * s), c + QPointF(7.5 * s, 4 * s));
    QPainterPath wave;
    wave.moveTo(c + QPointF(-7.5 * s, 6.5 * s));
    for (int i = 0; i < 6; ++i)
        wave.quadTo(c + QPointF((-6.25 + 2.5 * i) * s, (i % 2 ? 8 : 5) * s),
                    c + QPointF((-5 + 2.5 * i) * s, 6.5 * s));
    m_painter.setPen(QPen(kInk, 1.0));
    m_painter.drawPath(wave);
    m_painter.restore();
}

bool SaveJpeg(const QImage& image, const QString& path, int quality) {
    QImageWriter writer(path, "jpeg");
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    return writer.write(image);
}
