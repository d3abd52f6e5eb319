// Opening a form file that holds a large photograph, until the photograph shows on page 1 of the
// real main window: a 12-megapixel and a 100-megapixel JPEG. Each measurement runs in a child
// process of its own, so that its peak memory is its own; the baseline, measured in the same run,
// is a child that decodes the same JPEG whole with the image library and does nothing else.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_openpicture [rounds]
#include "BenchPhotograph.h"
#include "BoundPicture.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "Servizi.h"
#include "WMain.h"
#include "WPagina1.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int TimeoutMs = 30000;

// Kilobytes of a line of /proc/self/status ("VmHWM", "VmRSS").
qint64 statusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Child: the real main window opens the form file as its Open command does, then the event loop
// runs until the photograph box shows a picture and has been painted.
int childOpen(const QString& formFile) {
    LoadProgramFonts();
    QApplication::setFont(ProgramFont());
    TWinMain w;
    w.resize(1100, 900);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return 1;
    auto* box = qobject_cast<BoundPicture*>(w.Pagina1()->control(QStringLiteral("ImgS1_FotocopiaAggregato")));
    if (!box)
        return 1;
    QCoreApplication::processEvents();
    const qint64 before = statusKb("VmRSS");
    QElapsedTimer clock;
    clock.start();
    w.TblScheda()->loadFromFile(formFile);
    w.TblScheda()->mergeChangeLog();
    w.ResetPagine();
    while (!box->hasPicture() && clock.elapsed() < TimeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    box->repaint();
    const qint64 ms = clock.elapsed();
    std::printf("%lld %lld %lld %d\n", ms, statusKb("VmHWM"), before, box->hasPicture() ? 1 : 0);
    return 0;
}

// Child: the same bytes decoded whole by the image library.
int childDecode(const QString& jpegFile) {
    QFile f(jpegFile);
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = f.readAll();
    QImageReader::setAllocationLimit(0);
    const qint64 before = statusKb("VmRSS");
    QElapsedTimer clock;
    clock.start();
    const QImage image = QImage::fromData(bytes, "JPEG");
    const qint64 ms = clock.elapsed();
    std::printf("%lld %lld %lld %d\n", ms, statusKb("VmHWM"), before, image.isNull() ? 0 : 1);
    return 0;
}

struct Run {
    qint64 ms = 0;
    qint64 peakKb = 0;
    qint64 growthKb = 0;
    bool shown = false;
};

Run runChild(const QString& mode, const QString& file) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {mode, file});
    Run run;
    if (!child.waitForFinished(TimeoutMs * 2) || child.exitCode() != 0)
        return run;
    const QList<QByteArray> v = child.readAllStandardOutput().simplified().split(' ');
    run.ms = v.value(0).toLongLong();
    run.peakKb = v.value(1).toLongLong();
    run.growthKb = run.peakKb - v.value(2).toLongLong();
    run.shown = v.value(3) == "1";
    return run;
}

// The median round by time.
Run median(QList<Run> runs) {
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
    return runs.value(runs.size() / 2);
}

void measure(const QTemporaryDir& dir, const char* name, QSize size, int rounds) {
    const QByteArray jpeg = PhotographJpeg(size);
    const QString jpegFile = dir.filePath(QStringLiteral("%1.jpg").arg(QLatin1String(name)));
    QFile f(jpegFile);
    f.open(QIODevice::WriteOnly);
    f.write(jpeg);
    f.close();
    Dataset ds(QStringLiteral("TblScheda"));
    ds.createFields(SchemaScheda());
    QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
    ds.createDataSet();
    ds.append();
    ds.fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(jpeg);
    ds.post();
    const QString formFile = dir.filePath(QStringLiteral("%1.VARNO").arg(QLatin1String(name)));
    ds.saveToFile(formFile);

    QList<Run> opens, decodes;
    for (int i = 0; i < rounds; ++i) {
        opens << runChild(QStringLiteral("--open"), formFile);
        decodes << runChild(QStringLiteral("--decode"), jpegFile);
    }
    const Run open = median(opens);
    const Run decode = median(decodes);
    std::printf("%s photograph, %d x %d, %.1f MB JPEG, median of %d rounds\n", name, size.width(),
                size.height(), jpeg.size() / 1048576.0, rounds);
    if (open.shown)
        std::printf("  open until shown:  %6lld ms, peak memory %5lld MB (%+lld MB during the open)\n",
                    open.ms, open.peakKb / 1024, open.growthKb / 1024);
    else
        std::printf("  open until shown:  NOT SHOWN after %lld ms, peak memory %5lld MB (%+lld MB)\n",
                    open.ms, open.peakKb / 1024, open.growthKb / 1024);
    std::printf("  baseline, the library decoding it whole: %6lld ms, peak memory %5lld MB (%+lld MB)\n",
                decode.ms, decode.peakKb / 1024, decode.growthKb / 1024);
    std::fflush(stdout);
    if (!open.shown)
        return; // no ratio for a picture that never showed
    std::printf("  ratio open / baseline: time %.2f, memory growth %.2f\n",
                decode.ms > 0 ? double(open.ms) / double(decode.ms) : 0.0,
                decode.growthKb > 0 ? double(open.growthKb) / double(decode.growthKb) : 0.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--open"))
        return childOpen(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("--decode"))
        return childDecode(args[2]);
    const int rounds = args.size() > 1 ? std::max(1, args[1].toInt()) : 3;
    QTemporaryDir dir;
    measure(dir, "12-megapixel", QSize(4000, 3000), rounds);
    measure(dir, "100-megapixel", QSize(12240, 8160), rounds);
    return 0;
}
