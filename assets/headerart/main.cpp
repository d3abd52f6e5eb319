// Draws the two pictures of the main window's header: the 174 x 80 logo and the 3 x 80 strip
// that is stretched beside it. Run it with the output folder; the GIF files it writes are
// committed in assets/header and embedded in the program.
#include "GifWriter.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

const QColor kCream(255, 251, 240);
const QColor kDeep(128, 24, 20);   // brick red of the emblem
const QColor kStone(112, 104, 96); // warm grey of the lettering

// The strip: cream at the top fading to a soft sand at the bottom, so the logo sits on it.
QImage drawStrip() {
    QImage img(3, 80, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 80);
    g.setColorAt(0.0, kCream);
    g.setColorAt(1.0, QColor(236, 226, 206));
    p.fillRect(img.rect(), g);
    return img;
}

// The logo: an emblem (a house outline cut by a zig-zag crack, in a circle) and the word VARNO.
QImage drawLogo() {
    QImage img(174, 80, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 80);
    g.setColorAt(0.0, kCream);
    g.setColorAt(1.0, QColor(236, 226, 206));
    p.fillRect(img.rect(), g);

    const QPointF c(34, 40);
    p.setPen(QPen(kDeep, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 27, 27);
    QPainterPath house;
    house.moveTo(19, 50);
    house.lineTo(19, 36);
    house.lineTo(34, 23);
    house.lineTo(49, 36);
    house.lineTo(49, 50);
    house.closeSubpath();
    p.setPen(QPen(kDeep, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(house);
    QPainterPath crack;
    crack.moveTo(34, 24);
    crack.lineTo(31, 32);
    crack.lineTo(37, 37);
    crack.lineTo(32, 44);
    crack.lineTo(35, 50);
    p.setPen(QPen(kDeep, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(crack);

    // The word ends a clear margin before the logo's right edge, which is the window's.
    constexpr int kTextLeft = 66, kRightMargin = 10;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    for (int size = 27; size > 12; --size) {
        f.setPixelSize(size);
        if (QFontMetrics(f).boundingRect(QStringLiteral("VARNO")).right() < 174 - kRightMargin - kTextLeft)
            break;
    }
    p.setFont(f);
    p.setPen(kStone);
    p.drawText(QRect(66, 18, 106, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("VARNO"));
    QFont s(QStringLiteral("DejaVu Sans"));
    s.setPixelSize(9);
    p.setFont(s);
    p.setPen(kDeep);
    p.drawText(QRect(67, 52, 106, 12), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("schede 06/2008"));
    return img;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const bool ok = writeFile(dir + QStringLiteral("/logo.gif"), EncodeGif(drawLogo())) &&
                    writeFile(dir + QStringLiteral("/strip.gif"), EncodeGif(drawStrip()));
    return ok ? 0 : 1;
}
