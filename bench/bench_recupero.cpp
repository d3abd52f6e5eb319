// The recovery copy: the time of one write for an ordinary form and for a form holding a
// 12-megapixel photograph, beside Save of the same form; the share of it spent on the
// user-interface thread; and the longest pause of that thread while typing into the photograph's
// form, beside the same typing in a program that keeps no copy.
#include "BinaryPacketWriter.h"
#include "BoundControl.h"
#include "BoundEdit.h"
#include "Dataset.h"
#include "DatasetPacket.h"
#include "ExeDir.h"
#include "Recupero.h"
#include "ScriptedPrompter.h"
#include "Servizi.h"
#include "WMain.h"
#include "WPagina1.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

// A 4000 x 3000 JPEG: smooth shading with some grain, about the size a camera writes.
QByteArray photograph() {
    QImage img(4000, 3000, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28);
            line[x] = qRgb((x / 16 + grain) & 0xFF, (y / 12 + grain) & 0xFF, ((x + y) / 28 + grain) & 0xFF);
        }
    }
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 92);
    return bytes;
}

BoundEdit* edit(TWinMain& w, const char* field) {
    for (QWidget* c : w.Pagina1()->controlList())
        if (auto* b = dynamic_cast<BoundEdit*>(c); b && b->dataField() == QLatin1String(field))
            return b;
    return nullptr;
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Tempi {
    double copia = 0;  // one recovery write, start to the file in place (ms)
    double ui = 0;     // of which on the user-interface thread
    double salva = 0;  // Save of the same form through the dataset's writer
    double packet = 0; // making the packet's bytes alone
};

Tempi misuraScrittura(const QByteArray& foto) {
    QTemporaryDir dir;
    SetExeDir(dir.path());
    Tempi t;
    TWinMain w;
    ScriptedPrompter p;
    w.NuovaScheda();
    Dataset* ds = w.TblScheda();
    if (!foto.isEmpty())
        ds->fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(foto);
    QList<double> copia, ui, salva, packet;
    for (int i = 0; i < 7; ++i) {
        ds->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Onna %1").arg(i));
        QElapsedTimer e;
        e.start();
        // The timer's slot: what the user-interface thread does for one copy.
        w.recupero()->scrivi();
        ui.append(e.nsecsElapsed() / 1e6);
        w.recupero()->attendi();
        copia.append(e.nsecsElapsed() / 1e6);
        e.restart();
        ds->saveToFile(dir.filePath(QStringLiteral("salvata.VARNO")));
        salva.append(e.nsecsElapsed() / 1e6);
        e.restart();
        const QByteArray b = BinaryPacketWriter::write(DatasetPacket::fromDataset(*ds));
        packet.append(e.nsecsElapsed() / 1e6);
    }
    t.copia = median(copia);
    t.ui = median(ui);
    t.salva = median(salva);
    t.packet = median(packet);
    if (w.recupero()->scritture() != 7)
        std::printf("warning: %d copies written of 7\n", w.recupero()->scritture());
    p.answers = {MB::IdNo};
    w.ChiudiScheda();
    return t;
}

struct Pause {
    double massima = 0; // ms
    double p99 = 0;     // ms
};

// Types ten characters a second for `ms` into "Comune" of a form holding the photograph and
// returns the gaps between ticks of a 1 ms timer of the user-interface thread, after a first
// second in which the window settles.
Pause pausaMassima(const QByteArray& foto, bool conCopia, int ms, int* copie) {
    QTemporaryDir dir;
    SetExeDir(dir.path());
    if (!conCopia) {
        // A file where the folder should be: that program keeps no copy.
        QFile block(dir.filePath(QStringLiteral("Recupero")));
        block.open(QIODevice::WriteOnly);
    }
    TWinMain w;
    w.show();
    QApplication::setActiveWindow(&w);
    if (!QTest::qWaitForWindowExposed(&w))
        std::printf("warning: the window was not exposed\n");
    ScriptedPrompter p;
    w.NuovaScheda();
    w.TblScheda()->fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(foto);
    w.TblScheda()->post();
    QApplication::processEvents();
    BoundEdit* comune = edit(w, "S1_Comune");
    BoundEdit* provincia = edit(w, "S1_Provincia");
    comune->setFocus(Qt::MouseFocusReason);
    QElapsedTimer since;
    since.start();
    qint64 last = 0;
    QList<double> gaps;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = since.nsecsElapsed();
        if (now > 1000000000LL)
            gaps.append((now - last) / 1e6);
        last = now;
    });
    QTimer keys;
    keys.setInterval(100);
    int n = 0;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        QTest::sendKeyEvent(QTest::Click, comune, Qt::Key_unknown, QString(QChar(u'a' + n++ % 26)),
                            Qt::NoModifier);
        // Each word is written into the record by leaving the control, as an inspector moves on.
        if (n % 8 == 0) {
            provincia->setFocus(Qt::TabFocusReason);
            comune->setFocus(Qt::TabFocusReason);
            QTest::keyClick(comune, Qt::Key_A, Qt::ControlModifier);
        }
    });
    last = since.nsecsElapsed();
    tick.start();
    keys.start();
    QTest::qWait(1000 + ms);
    keys.stop();
    tick.stop();
    w.recupero()->attendi();
    *copie = w.recupero()->scritture();
    p.answers = {MB::IdNo};
    w.ChiudiScheda();
    std::sort(gaps.begin(), gaps.end());
    Pause r;
    if (!gaps.isEmpty()) {
        r.massima = gaps.last();
        r.p99 = gaps[qsizetype(gaps.size() * 0.99)];
    }
    return r;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    LoadProgramFonts();
    QApplication::setFont(ProgramFont());

    const QByteArray foto = photograph();
    std::printf("12-megapixel photograph: %.1f MB JPEG\n\n", foto.size() / 1048576.0);

    const Tempi ordinaria = misuraScrittura(QByteArray());
    const Tempi grande = misuraScrittura(foto);
    std::printf("one recovery write (median of 7; baseline: Save of the same form)\n");
    for (const auto& [name, t] :
         {std::pair{"ordinary form", ordinaria}, std::pair{"with the photograph", grande}})
        std::printf("  %-20s copy %7.2f ms   Save %7.2f ms   ratio %.2f\n", name, t.copia, t.salva,
                    t.copia / t.salva);
    std::printf("\non the user-interface thread per copy (baseline: making the packet there instead)\n");
    for (const auto& [name, t] :
         {std::pair{"ordinary form", ordinaria}, std::pair{"with the photograph", grande}})
        std::printf("  %-20s %7.3f ms   packet %7.2f ms   ratio %.3f\n", name, t.ui, t.packet,
                    t.ui / t.packet);

    const int ms = 6000;
    int copie = 0, nessuna = 0;
    const Pause senza = pausaMassima(foto, false, ms, &nessuna);
    const Pause con = pausaMassima(foto, true, ms, &copie);
    std::printf("\nlongest pause of the user-interface thread, typing 10 keys/s for %d s into the "
                "photograph's form\n",
                ms / 1000);
    std::printf("                                        longest   99th percentile\n");
    std::printf("  with the recovery copy (%d writes)   %7.2f ms  %7.2f ms\n", copie, con.massima, con.p99);
    std::printf("  without a copy (baseline, %d writes)  %7.2f ms  %7.2f ms\n", nessuna, senza.massima,
                senza.p99);
    std::printf("  ratio                                %7.2f     %7.2f\n", con.massima / senza.massima,
                con.p99 / senza.p99);
    return 0;
}
