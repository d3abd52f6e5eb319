// varnotool pdf as a whole process, the way a coordination office prints a day's forms: one form
// into one PDF, and 100 forms into one PDF, in milliseconds per form. The baseline is the same
// tool checking the same files (start-up and reading every form, no drawing), measured in the
// same run: the ratio is what printing adds.
//
//   build/bin/bench_pdf [FORM.VARNO]
// without a form it uses a filled form with a 12-megapixel photograph, made here.

#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

QString g_tool;

// Milliseconds of one varnotool run; -1 when it failed.
double runTool(const QStringList& args, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(g_tool, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return double(t.nsecsElapsed()) / 1e6;
}

// The best of n runs.
double best(int n, const QStringList& args, const QString& dir) {
    double b = 1e18;
    for (int i = 0; i < n; ++i) {
        const double ms = runTool(args, dir);
        if (ms < 0)
            return -1;
        b = std::min(b, ms);
    }
    return b;
}

QByteArray sampleForm() {
    QImage photo(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            line[x] = qRgb((x * 7 + y) & 255, (y * 3) & 255, ((x ^ y) >> 3) & 255);
    }
    QByteArray jpeg;
    {
        QBuffer b(&jpeg);
        b.open(QIODevice::WriteOnly);
        QImageWriter w(&b, "jpeg");
        w.setQuality(85);
        w.write(photo);
    }
    Dataset ds(QStringLiteral("TblScheda"));
    ds.createFields(SchemaScheda());
    QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
    ds.createDataSet();
    ds.append();
    const auto set = [&](const char* name, const QString& text) {
        ds.fieldByName(QLatin1String(name))->setAsString(text);
    };
    set("S1_Squadra", QStringLiteral("A12"));
    set("S1_SchedaN", QStringLiteral("0007"));
    set("S1_Comune", QStringLiteral("L'Aquila"));
    set("S1_Localita", QStringLiteral("Paganica"));
    set("S1_Via", QStringLiteral("Via dell'Aquila"));
    set("S9_Annotazioni", QStringLiteral("Lesioni diffuse ai tramezzi\r\nCrepa d'angolo lato nord"));
    set("S9_Compilatore", QStringLiteral("Mario Rossi"));
    ds.fieldByName(QStringLiteral("S1_Data"))->setValue(QDateTime(QDate(2009, 4, 23), QTime(0, 0), Qt::UTC));
    ds.fieldByName(QStringLiteral("S9_Foto"))->setValue(jpeg);
    for (const auto& f : ds.fields())
        if (f->kind() == FieldKind::Boolean && f->name().startsWith(QLatin1String("S4_")))
            f->setValue((qHash(f->name()) & 3) == 0);
    ds.post();
    ds.mergeChangeLog();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.VARNO"));
    ds.saveToFile(path);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    g_tool = QCoreApplication::applicationDirPath() + QStringLiteral("/varnotool");
    QByteArray form;
    if (argc > 1) {
        QFile f(QString::fromLocal8Bit(argv[1]));
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        form = f.readAll();
    } else {
        form = sampleForm();
    }
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 100; ++i) {
        const QString name = QStringLiteral("f%1.VARNO").arg(i, 3, 10, QLatin1Char('0'));
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(form) != form.size())
            return 1;
        names << name;
    }
    std::printf("form file: %lld bytes\n", static_cast<long long>(form.size()));

    const double checkOne = best(5, {QStringLiteral("check"), names[0]}, dir.path());
    const double pdfOne = best(
        5, {QStringLiteral("pdf"), names[0], QStringLiteral("--out"), QStringLiteral("one.pdf")}, dir.path());
    const double checkAll = best(2, QStringList{QStringLiteral("check")} + names, dir.path());
    const double pdfAll = best(2,
                               QStringList{QStringLiteral("pdf")} + names +
                                   QStringList{QStringLiteral("--out"), QStringLiteral("all.pdf")},
                               dir.path());
    if (checkOne < 0 || pdfOne < 0 || checkAll < 0 || pdfAll < 0) {
        std::fprintf(stderr, "varnotool failed\n");
        return 1;
    }
    QFile one(dir.filePath(QStringLiteral("one.pdf"))), all(dir.filePath(QStringLiteral("all.pdf")));
    std::printf("%-34s %10s %10s %8s\n", "", "pdf", "check", "ratio");
    std::printf("%-34s %8.1f ms %7.1f ms %7.2fx\n", "1 form into one PDF, per form", pdfOne, checkOne,
                pdfOne / checkOne);
    std::printf("%-34s %8.1f ms %7.1f ms %7.2fx\n", "100 forms into one PDF, per form", pdfAll / 100,
                checkAll / 100, pdfAll / checkAll);
    std::printf("PDF size: one form %lld bytes, 100 forms %lld bytes\n", static_cast<long long>(one.size()),
                static_cast<long long>(all.size()));
    return 0;
}
