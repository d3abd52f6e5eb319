#pragma once

#include "ControlDef.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "StampaScheda.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

// The poppler tools the print tests read PDF files with, and what they tell.
namespace pdf {

struct Output {
    int status = -1;
    QByteArray out;
};

inline Output run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {};
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput()};
}

// "Pages:" of pdfinfo; -1 when it cannot read the file.
inline int pages(const QString& file) {
    const Output o = run(QStringLiteral("pdfinfo"), {file});
    const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromUtf8(o.out));
    return o.status == 0 && m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The page sizes pdfinfo gives for every page, as "595.276 x 841.89".
inline QStringList pageSizes(const QString& file) {
    const Output o = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                                     QStringLiteral("-l"), QStringLiteral("100000"), file});
    QStringList sizes;
    const QRegularExpression re(QStringLiteral("Page\\s+\\d+ size:\\s+([0-9.]+ x [0-9.]+) pts"));
    for (auto it = re.globalMatch(QString::fromUtf8(o.out)); it.hasNext();)
        sizes << it.next().captured(1);
    return sizes;
}

// The text of each page (pdftotext separates pages with a form feed).
inline QStringList texts(const QString& file) {
    const Output o = run(QStringLiteral("pdftotext"),
                         {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    QStringList pages = QString::fromUtf8(o.out).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The sheets rendered by pdftoppm at the given resolution, in order.
inline QList<QImage> raster(const QString& file, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("s"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), file, prefix});
    QStringList names = QDir(dir.path()).entryList({QStringLiteral("s-*.png")}, QDir::Files, QDir::Name);
    // s-1 ... s-9 sort before s-10 only with the same width, which pdftoppm gives.
    QList<QImage> images;
    for (const QString& n : names)
        images << QImage(dir.filePath(n)).convertToFormat(QImage::Format_RGB32);
    return images;
}

// The embedded images pdfimages lists: width and height of each.
inline QList<QSize> images(const QString& file) {
    const Output o = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file});
    QList<QSize> sizes;
    const QStringList lines = QString::fromUtf8(o.out).split(u'\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].simplified().split(u' ');
        if (cols.size() > 4)
            sizes << QSize(cols[3].toInt(), cols[4].toInt());
    }
    return sizes;
}

// Where a rectangle of page coordinates lies on a sheet rendered as `sheet` (A4, 10 mm margins).
inline QRect onSheet(int pagina, const QRect& r, const QImage& sheet) {
    const qreal perMm = sheet.width() / 210.0;
    const QRectF area(10 * perMm, 10 * perMm, 190 * perMm, 277 * perMm);
    const QRectF page = StampaScheda::areaPagina(pagina, area);
    const qreal s = page.width() / 900.0;
    return QRectF(page.left() + r.left() * s, page.top() + r.top() * s, r.width() * s, r.height() * s)
        .toAlignedRect();
}

// Pixels of the rectangle that differ between two sheets, those inside `except` left out.
inline int differing(const QImage& a, const QImage& b, const QRect& r, const QList<QRect>& except = {}) {
    int n = 0;
    const QRect in = r.intersected(a.rect()).intersected(b.rect());
    for (int y = in.top(); y <= in.bottom(); ++y)
        for (int x = in.left(); x <= in.right(); ++x) {
            if (std::any_of(except.begin(), except.end(), [&](const QRect& e) { return e.contains(x, y); }))
                continue;
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qGray(p) - qGray(q)) > 40)
                ++n;
        }
    return n;
}

// A form record as New makes it, without the INI values.
inline std::unique_ptr<Dataset> newRecord() {
    auto ds = std::make_unique<Dataset>(QStringLiteral("TblScheda"));
    ds->createFields(SchemaScheda());
    QObject::connect(ds.get(), &Dataset::newRecord, ds.get(), [](Dataset* d) { TblSchedaNewRecord(d); });
    ds->createDataSet();
    ds->append();
    return ds;
}

} // namespace pdf
