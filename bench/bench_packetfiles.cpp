// Form files and the XML text, each figure beside a baseline measured in the same run.
//  - Save + load of a form holding a 4 MiB picture, as a form is saved (Dataset::saveToFile: its
//    binary datapacket replacing the file through SafeFile, write, sync, rename, folder sync) and
//    opened (read and decoded into the dataset), against a raw QFile write of the same bytes with
//    the same syncs (the file's and the folder's) and a raw read.
//  - The XML text of an ordinary form (every text field filled, no picture) in MB/s, and of the
//    4 MiB-picture form; the baseline is the plain Qt way of producing the same values (each text
//    escaped with QByteArray::replace, the picture with QByteArray::toBase64).
//   bench_packetfiles [--runs N] [--dir FOLDER] [--ordinary-xml]   (FOLDER: where the files go, a temporary
//   one
//                                                  in the system's temporary folder otherwise)
#include "BenchTable.h"
#include "BinaryPacketWriter.h"
#include "Dataset.h"
#include "DatasetPacket.h"
#include "SampleForms.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <class F> double timeMs(F f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

QByteArray picture4MiB() {
    QByteArray picture(4 * 1024 * 1024, '\0');
    quint32 x = 12345;
    for (char& c : picture) {
        x = x * 1103515245 + 12345;
        c = char(x >> 24);
    }
    return picture;
}

// The plain Qt way of making a value's text: nine replaces, or toBase64.
QByteArray plainEscaped(QByteArray b) {
    return b.replace('&', "&amp;")
        .replace('<', "&lt;")
        .replace('>', "&gt;")
        .replace('\'', "&apos;")
        .replace('"', "&quot;")
        .replace('\r', "&#013;")
        .replace('\n', "&#010;")
        .replace('\t', "&#009;")
        .replace('\\', "&#092;");
}

QByteArray plainValues(const Dataset& form) {
    QByteArray out;
    for (const auto& f : form.fields()) {
        if (f->isNull())
            continue;
        const QVariant v = f->value();
        if (f->kind() == FieldKind::String || f->kind() == FieldKind::Memo)
            out += plainEscaped(v.toByteArray());
        else if (f->kind() == FieldKind::Graphic || f->kind() == FieldKind::Blob)
            out += v.toByteArray().toBase64();
    }
    return out;
}

bool syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

struct XmlFigure {
    double mbps = 0, baselineMbps = 0;
    qsizetype bytes = 0;
};

XmlFigure xmlFigure(Dataset& form, int runs) {
    XmlFigure r;
    QByteArray xml, plain;
    std::vector<double> ours, base;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(timeMs([&] { xml = form.xmlData(); }));
        base.push_back(timeMs([&] { plain = plainValues(form); }));
    }
    r.bytes = xml.size();
    r.mbps = double(xml.size()) / median(ours) / 1e3;
    r.baselineMbps = double(plain.size()) / median(base) / 1e3;
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int runs = 21;
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i > 0 && i + 1 < args.size())
        runs = std::max(3, args[i + 1].toInt());
    QString folder;
    if (const qsizetype i = args.indexOf(QStringLiteral("--dir")); i > 0 && i + 1 < args.size())
        folder = args[i + 1];
    QTemporaryDir tmp(folder.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_packetfiles-XXXXXX")
                                       : folder + QStringLiteral("/bench_packetfiles-XXXXXX"));
    if (!tmp.isValid())
        return 2;

    if (args.contains(QStringLiteral("--ordinary-xml"))) { // for a profiler: that text alone
        Dataset ordinary(QStringLiteral("TblScheda"));
        NewSampleForm(ordinary);
        FillSampleTexts(ordinary);
        ordinary.post();
        qsizetype n = 0;
        for (int i = 0; i < runs; ++i)
            n += ordinary.xmlData().size();
        std::printf("%lld bytes\n", qlonglong(n));
        return 0;
    }

    // Save + load of the picture form.
    Dataset form(QStringLiteral("TblScheda"));
    NewSampleForm(form);
    form.fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(picture4MiB());
    form.fieldByName(QStringLiteral("S9_Annotazioni"))->setValue(QByteArray("Crepa d'angolo\r\nlato nord"));
    form.post();
    form.mergeChangeLog();
    const QString path = tmp.filePath(QStringLiteral("Sq1_n1_(01-01-2009).VARNO"));
    const QString rawPath = tmp.filePath(QStringLiteral("raw.bin"));
    const QByteArray fileBytes = BinaryPacketWriter::write(DatasetPacket::fromDataset(form));
    Dataset scratch;
    std::vector<double> dataset, raw;
    QByteArray back;
    for (int i = 0; i < runs; ++i) {
        raw.push_back(timeMs([&] {
            QFile out(rawPath);
            if (!out.open(QIODevice::WriteOnly) || out.write(fileBytes) != fileBytes.size() || !out.flush() ||
                ::fsync(out.handle()) != 0)
                std::abort();
            out.close();
            if (!syncFolder(tmp.path()))
                std::abort();
            QFile in(rawPath);
            if (!in.open(QIODevice::ReadOnly))
                std::abort();
            back = in.readAll();
        }));
        dataset.push_back(timeMs([&] {
            form.saveToFile(path);
            scratch.loadFromFile(path);
        }));
    }
    if (scratch.rows() != form.rows() || back != fileBytes) {
        std::fprintf(stderr, "bench_packetfiles: the form read back differs\n");
        return 1;
    }
    const double r = median(raw), d = median(dataset);
    std::printf("save + load, %lld bytes, median of %d in %s: Dataset::saveToFile (write, sync, rename, "
                "folder sync) + load %.1f ms, raw write + fsync + folder fsync + read %.1f ms\n",
                qlonglong(fileBytes.size()), runs, qPrintable(tmp.path()), d, r);
    PrintTableRow(QStringLiteral("Save + load, 4 MiB picture"), QStringLiteral("%1 ms").arg(d, 0, 'f', 1),
                  QStringLiteral("%1 ms raw synced write + read").arg(r, 0, 'f', 1),
                  QStringLiteral("%1x").arg(d / r, 0, 'f', 2), QStringLiteral("<= 2x"), d / r <= 2);

    // XML text: the picture form, then an ordinary one.
    const XmlFigure pic = xmlFigure(form, runs);
    Dataset ordinary(QStringLiteral("TblScheda"));
    NewSampleForm(ordinary);
    FillSampleTexts(ordinary);
    ordinary.post();
    const XmlFigure ord = xmlFigure(ordinary, runs * 20);
    std::printf("XML text: ordinary form %lld bytes at %.0f MB/s (plain Qt values %.0f MB/s); 4 MiB-picture "
                "form %lld bytes at %.0f MB/s (plain Qt values %.0f MB/s)\n",
                qlonglong(ord.bytes), ord.mbps, ord.baselineMbps, qlonglong(pic.bytes), pic.mbps,
                pic.baselineMbps);
    PrintTableRow(QStringLiteral("XML text, ordinary form (%1 bytes)").arg(ord.bytes),
                  QStringLiteral("%1 MB/s").arg(ord.mbps, 0, 'f', 0),
                  QStringLiteral("%1 MB/s plain Qt escaping").arg(ord.baselineMbps, 0, 'f', 0),
                  QStringLiteral("%1x").arg(ord.mbps / ord.baselineMbps, 0, 'f', 2),
                  QStringLiteral(">= 300 MB/s"), ord.mbps >= 300);
    PrintTableRow(
        QStringLiteral("XML text, 4 MiB-picture form"), QStringLiteral("%1 MB/s").arg(pic.mbps, 0, 'f', 0),
        QStringLiteral("%1 MB/s plain Qt base64").arg(pic.baselineMbps, 0, 'f', 0),
        QStringLiteral("%1x").arg(pic.mbps / pic.baselineMbps, 0, 'f', 2), QStringLiteral("-"), true);
    return 0;
}
