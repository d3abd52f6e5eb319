// Time from process start to the main window shown, and the cost of a new form's record.
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "Servizi.h"
#include "WMain.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <cstdio>

class BenchStartup : public QObject {
    Q_OBJECT

private slots:
    // Each round starts this program again as a child that builds the main window, waits until
    // it is shown and exits; the round ends when the child reports it.
    void processStartToWindowShown() {
        QBENCHMARK {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
            QVERIFY(child.waitForReadyRead(30000));
            QCOMPARE(child.readLine().trimmed(), QByteArray("shown"));
            child.waitForFinished();
        }
    }

    void createEmptyDatasetAndAppend() {
        Dataset ds(QStringLiteral("TblScheda"));
        ds.createFields(SchemaScheda());
        connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
        QBENCHMARK {
            ds.createDataSet();
            ds.append();
            ds.post();
        }
        QCOMPARE(ds.recordCount(), 1);
    }
};

int main(int argc, char* argv[]) {
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0) {
        qputenv("QT_QPA_PLATFORM",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        QApplication app(argc, argv);
        LoadProgramFonts();
        QApplication::setFont(ProgramFont());
        TWinMain w;
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            return 1;
        std::puts("shown");
        std::fflush(stdout);
        return 0;
    }
    QApplication app(argc, argv);
    BenchStartup bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_startup.moc"
