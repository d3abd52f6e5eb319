// "Nuovo" through the real main window with its three pages: the open form closed (its save
// question answered No), the dataset created, the record appended and pre-filled, every control
// shown anew; and the same followed by the window's paint (page 1 on screen). The first New after
// start-up (median over fresh windows) and the median of the later ones.
// Baseline, from the same run: a bare Qt window of the same size holding as many plain line edits
// as the pages have controls, each given a new text, then painted.
//   bench_new [--runs N]     (under X11: DISPLAY set, or through run-all.sh)
#include "BenchTable.h"
#include "Dataset.h"
#include "ExeDir.h"
#include "Prompter.h"
#include "Servizi.h"
#include "WMain.h"
#include "WPagina1.h"
#include "WPagina2.h"
#include "WPagina3.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// The save question of the open form is answered No; nothing else is asked.
class AnswerNo : public QtPrompter {
public:
    int message(QWidget*, const QString&, const QString&, int) override { return MB::IdNo; }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Processor time of this thread: the figure that a loaded machine blurs least.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Sample {
    std::vector<double> wall, cpu;
    template <class F> void take(F f) {
        QElapsedTimer t;
        const double c = cpuMs();
        t.start();
        f();
        wall.push_back(double(t.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - c);
    }
    QString text() const {
        return QStringLiteral("%1 ms (cpu %2)").arg(median(wall), 0, 'f', 1).arg(median(cpu), 0, 'f', 1);
    }
};

bool exposeAndWait(TWinMain& w) {
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return false;
    // The pages are built while the program waits after start-up: a user's first New comes after.
    while (!w.PagineCostruite())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int runs = 31;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i > 0 && i + 1 < args.size())
        runs = std::max(2, args[i + 1].toInt());
    QTemporaryDir dir; // no Varno.Ini: New pre-fills from the defaults
    SetExeDir(dir.path());
    AnswerNo answers;
    SetPrompter(&answers);
    LoadProgramFonts();
    QApplication::setFont(ProgramFont());

    // The first New of fresh windows, without and with the paint.
    Sample first, firstPainted;
    const int windows = 5;
    int controls = 0;
    for (int i = 0; i < 2 * windows; ++i) {
        TWinMain w;
        if (!exposeAndWait(w)) {
            std::fprintf(stderr, "bench_new: the window was not exposed\n");
            return 1;
        }
        controls = int(w.Pagina1()->controlList().size() + w.Pagina2()->controlList().size() +
                       w.Pagina3()->controlList().size());
        if (i % 2 == 0)
            first.take([&] { w.NuovaScheda(); });
        else
            firstPainted.take([&] {
                w.NuovaScheda();
                w.repaint();
            });
    }

    TWinMain w;
    if (!exposeAndWait(w))
        return 1;
    w.NuovaScheda();
    w.repaint();
    Sample later, laterPainted;
    for (int i = 0; i < runs; ++i) {
        later.take([&] { w.NuovaScheda(); });
        QApplication::processEvents();
        laterPainted.take([&] {
            w.NuovaScheda();
            w.repaint();
        });
        QApplication::processEvents();
    }
    if (!w.TblScheda()->active() || w.PgCtrl()->currentWidget() != w.Pagina1()->parentWidget()) {
        std::fprintf(stderr, "bench_new: New did not show page 1 of an open form\n");
        return 1;
    }

    // The baseline: the same number of plain line edits in a bare window of the same size.
    QWidget bare;
    bare.resize(w.size());
    QList<QLineEdit*> edits;
    for (int i = 0; i < controls; ++i) {
        auto* e = new QLineEdit(&bare);
        e->setGeometry(10 + (i % 12) * 80, 10 + (i / 12) * 26, 76, 22);
        edits.append(e);
    }
    bare.show();
    if (!QTest::qWaitForWindowExposed(&bare))
        return 1;
    Sample baseline;
    for (int i = 0; i < runs; ++i) {
        baseline.take([&] {
            for (int j = 0; j < edits.size(); ++j)
                edits[j]->setText(QString::number(i * 1000 + j));
            bare.repaint();
        });
        QApplication::processEvents();
    }

    const double b = median(baseline.wall);
    std::printf("%d controls. First New (median of %d windows) %s, with the paint %s; later New (median "
                "of %d) %s, with the paint %s; baseline, %d plain line edits given a text and painted: %s\n",
                controls, windows, qPrintable(first.text()), qPrintable(firstPainted.text()), runs,
                qPrintable(later.text()), qPrintable(laterPainted.text()), controls,
                qPrintable(baseline.text()));
    const QString base = QStringLiteral("%1 ms, %2 plain line edits").arg(b, 0, 'f', 1).arg(controls);
    const double f = median(first.wall), fp = median(firstPainted.wall);
    const double l = median(later.wall), lp = median(laterPainted.wall);
    PrintTableRow(QStringLiteral("First New (with the paint)"),
                  QStringLiteral("%1 ms (%2 ms)").arg(f, 0, 'f', 1).arg(fp, 0, 'f', 1), base,
                  QStringLiteral("%1x (%2x)").arg(f / b, 0, 'f', 1).arg(fp / b, 0, 'f', 1),
                  QStringLiteral("< 20 ms"), f < 20);
    PrintTableRow(QStringLiteral("Later New (with the paint)"),
                  QStringLiteral("%1 ms (%2 ms)").arg(l, 0, 'f', 1).arg(lp, 0, 'f', 1), base,
                  QStringLiteral("%1x (%2x)").arg(l / b, 0, 'f', 1).arg(lp / b, 0, 'f', 1),
                  QStringLiteral("< 10 ms"), l < 10);
    SetPrompter(nullptr);
    return 0;
}
