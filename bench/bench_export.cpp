// Exports N filled-in form files with `varnotool export` as a whole process and prints the rate
// beside two baselines measured in the same run on the same files: `cat` of every file (reading
// the bytes alone) and `varnotool check` of every file (loading each form, no table). Each figure
// is the best of a few rounds. The files live on a memory file system when there is one, so the
// disk does not blur the figures.
//   build/bin/bench_export [--count 10000] [--rounds 3]
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

namespace {

// A form as a squad fills it in: identification, address, a few answers and a page of notes.
void scriviSchede(const QString& dir, int n) {
    Dataset ds(QStringLiteral("TblScheda"));
    ds.createFields(SchemaScheda());
    QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
    ds.createDataSet();
    ds.append();
    const auto f = [&ds](const char* name) { return ds.fieldByName(QLatin1String(name)); };
    f("S1_Squadra")->setAsString(QStringLiteral("B01"));
    f("S1_Provincia")->setAsString(QStringLiteral("L'Aquila"));
    f("S1_Comune")->setAsString(QStringLiteral("L'Aquila"));
    f("S1_Localita")->setAsString(QStringLiteral("Paganica"));
    f("S1_DenominazioneEdificio")->setAsString(QStringLiteral("Palazzo \"Rossi\"; ala est"));
    f("S9_Compilatore")->setAsString(QStringLiteral("Ing. Mario Bianchi, Geom. Luca Verdi"));
    f("S9_Annotazioni")
        ->setAsString(
            QStringLiteral("Lesione diagonale al piano terra, lato nord; perché visibile.\r\n").repeated(8));
    for (int i = 0; i < n; ++i) {
        ds.edit();
        f("S1_SchedaN")->setAsString(QString::number(i % 10000).rightJustified(4, u'0'));
        f("S1_Data")->setValue(QDateTime(QDate(2009, 4, 6).addDays(i / 500), QTime(0, 0), Qt::UTC));
        f("S1_Via")->setAsString(QStringLiteral("Via Roma %1").arg(i % 300));
        f("S2_Occupanti")->setValue(i % 40);
        f("S3_TM_B2")->setValue(i % 2 == 0);
        f("S4_Danno_A3")->setValue(i % 3 == 0);
        f("S8_Esito")->setAsString(QString(QChar(u'A' + i % 6)));
        ds.post();
        ds.mergeChangeLog();
        ds.saveToFile(QDir(dir).filePath(QStringLiteral("Sq%1.VARNO").arg(i, 5, 10, QLatin1Char('0'))));
    }
}

double cpuFigli() {
    struct rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One run of a program to its end: seconds of the clock and of the processor (user and system),
// which a machine busy with other work blurs less; -1 when it failed.
struct Tempo {
    double wall = -1;
    double cpu = -1;
};

Tempo tempo(const QString& program, const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    const double cpu0 = cpuFigli();
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return {double(t.nsecsElapsed()) / 1e9, cpuFigli() - cpu0};
}

Tempo migliore(int rounds, const QString& program, const QStringList& args) {
    Tempo best;
    for (int r = 0; r < rounds; ++r) {
        const Tempo s = tempo(program, args);
        if (s.wall < 0)
            return {};
        if (best.wall < 0 || s.wall < best.wall)
            best.wall = s.wall;
        if (best.cpu < 0 || s.cpu < best.cpu)
            best.cpu = s.cpu;
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Form files."),
                                   QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Runs of each program."),
                                    QStringLiteral("n"), QStringLiteral("3"));
    parser.addOptions({count, rounds});
    parser.process(app);
    QTextStream out(stdout);
    const int n = parser.value(count).toInt();
    const int r = qMax(1, parser.value(rounds).toInt());
    const QString varnotool =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("varnotool"));
    if (n < 1 || !QFileInfo(varnotool).isExecutable()) {
        out << "needs --count of at least 1 and varnotool beside this program\n";
        return 2;
    }

    QTemporaryDir work(QDir(QStringLiteral("/dev/shm")).exists()
                           ? QStringLiteral("/dev/shm/bench_export-XXXXXX")
                           : QDir::tempPath() + QStringLiteral("/bench_export-XXXXXX"));
    const QString dir = QDir(work.path()).filePath(QStringLiteral("DaInviare"));
    QDir().mkpath(dir);
    scriviSchede(dir, n);
    QStringList files;
    for (const QString& name : QDir(dir).entryList(QDir::Files, QDir::Name))
        files.append(QDir(dir).filePath(name));
    const QString table = QDir(work.path()).filePath(QStringLiteral("schede.csv"));

    // The export runs first, so the largest child so far is the export itself.
    const Tempo exportS =
        migliore(r, varnotool, {QStringLiteral("export"), QStringLiteral("--out"), table, dir});
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const Tempo checkS = migliore(r, varnotool, QStringList{QStringLiteral("check")} + files);
    const Tempo catS = migliore(r, QStringLiteral("cat"), files);
    if (exportS.wall < 0 || checkS.wall < 0 || catS.wall < 0) {
        out << "a run failed\n";
        return 1;
    }
    const auto riga = [&](const char* name, const Tempo& t, const char* what) {
        out << name << QString::number(t.wall, 'f', 3) << " s, " << QString::number(n / t.wall, 'f', 0)
            << " forms/s (processor " << QString::number(t.cpu, 'f', 3) << " s, "
            << QString::number(n / t.cpu, 'f', 0) << " forms/s)" << what << "\n";
    };
    const auto rapporto = [&](const char* name, const Tempo& t) {
        out << "export / " << name << ": " << QString::number(exportS.wall / t.wall, 'f', 2) << " (processor "
            << QString::number(exportS.cpu / t.cpu, 'f', 2) << ")\n";
    };
    out << n << " form files, " << QFileInfo(files.first()).size() << " bytes each; table "
        << QFileInfo(table).size() << " bytes; export peak memory " << usage.ru_maxrss / 1024 << " MiB\n";
    riga("varnotool export: ", exportS, "");
    riga("varnotool check:  ", checkS, ", loading each form and printing a line for it");
    riga("cat:              ", catS, ", reading the bytes alone");
    rapporto("check", checkS);
    rapporto("cat", catS);
    return 0;
}
