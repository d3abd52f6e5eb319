// Process start to the main window exposed: the program's start-up (bench_startup_varno, the
// same path as main()) against a bare Qt widgets window of the same size (bench_startup_bare),
// each spawned as a whole process, in pairs whose order alternates; the median of the pairs'
// ratios is the figure. Runs on the display of the environment (QT_QPA_PLATFORM as given).
//   bench_startup [--runs N]     (N pairs, 15 unless given; one warm-up pair first)
#include "BenchTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Run {
    double ms = -1;
    QString size; // "WIDTH HEIGHT" of the window exposed
};

Run spawn(const QString& program, const QStringList& args) {
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(program, args);
    Run run;
    QByteArray line;
    while (!line.endsWith('\n') && child.waitForReadyRead(30000))
        line += child.readLine();
    if (line.startsWith("exposed ")) {
        run.ms = double(clock.nsecsElapsed()) / 1e6;
        run.size = QString::fromLatin1(line.mid(8).trimmed());
    }
    child.waitForFinished(30000);
    return run;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int runs = 15;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--runs")); i > 0 && i + 1 < args.size())
        runs = std::max(1, args[i + 1].toInt());
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString varno = bin.filePath(QStringLiteral("bench_startup_varno"));
    const QString bare = bin.filePath(QStringLiteral("bench_startup_bare"));

    // Warm-up pair: the files in the cache, the size of the main window for the bare one.
    const Run first = spawn(varno, {});
    if (first.ms < 0) {
        std::fprintf(stderr, "bench_startup: the program's window was not exposed\n");
        return 1;
    }
    const QStringList bareArgs = first.size.split(QLatin1Char(' '));
    if (spawn(bare, bareArgs).ms < 0) {
        std::fprintf(stderr, "bench_startup: the bare window was not exposed\n");
        return 1;
    }

    std::vector<double> tv, tb, ratios;
    for (int i = 0; i < runs; ++i) {
        Run v, b;
        if (i % 2 == 0) {
            v = spawn(varno, {});
            b = spawn(bare, bareArgs);
        } else {
            b = spawn(bare, bareArgs);
            v = spawn(varno, {});
        }
        if (v.ms < 0 || b.ms < 0) {
            std::fprintf(stderr, "bench_startup: a window was not exposed\n");
            return 1;
        }
        tv.push_back(v.ms);
        tb.push_back(b.ms);
        ratios.push_back(v.ms / b.ms);
        std::printf("pair %2d: varno %6.1f ms, bare window %6.1f ms, ratio %.2f\n", i + 1, v.ms, b.ms,
                    v.ms / b.ms);
    }
    const double r = median(ratios);
    const QString platform = qEnvironmentVariableIsSet("QT_QPA_PLATFORM")
                                 ? qEnvironmentVariable("QT_QPA_PLATFORM")
                                 : QStringLiteral("default platform");
    std::printf("window %s, %d pairs on %s: median varno %.1f ms, median bare %.1f ms, median ratio %.2f\n",
                qPrintable(first.size), runs, qPrintable(platform), median(tv), median(tb), r);
    PrintTableRow(QStringLiteral("Start-up to main window exposed (%1)").arg(platform),
                  QStringLiteral("%1 ms").arg(median(tv), 0, 'f', 1),
                  QStringLiteral("%1 ms bare window").arg(median(tb), 0, 'f', 1),
                  QStringLiteral("%1x").arg(r, 0, 'f', 2), QStringLiteral("<= 1.5x"), r <= 1.5);
    return 0;
}
