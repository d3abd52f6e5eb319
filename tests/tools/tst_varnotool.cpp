#include "Dataset.h"
#include "DiscoPieno.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "RunVarnotool.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestVarnotool : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void newFormAsTheProgramMakesIt() {
        const Run r = varnotool({QStringLiteral("new"), QStringLiteral("n.VARNO"), QStringLiteral("--date"),
                                 QStringLiteral("2009-04-23")},
                                m_dir.path());
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.isEmpty() && r.err.isEmpty());

        // The same form made here: New with empty identification values, merged.
        Dataset ds(QStringLiteral("TblScheda"));
        ds.createFields(SchemaScheda());
        QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
        ds.createDataSet();
        ds.append();
        for (const char* n :
             {"S1_Squadra", "S1_SchedaN", "S1_IstatReg", "S1_IstatProv", "S1_IstatComune", "S1_CodLocIstat",
              "S1_SezCensIstat", "S1_Provincia", "S1_Comune", "S1_Localita"})
            ds.fieldByName(QLatin1String(n))->setAsString(QString());
        ds.fieldByName(QStringLiteral("S1_Data"))
            ->setValue(QDateTime(QDate(2009, 4, 23), QTime(0, 0), Qt::UTC));
        ds.post();
        ds.mergeChangeLog();
        ds.saveToFile(path("same.VARNO"));
        QCOMPARE(readAll(path("n.VARNO")), readAll(path("same.VARNO")));

        // Today by default.
        QCOMPARE(varnotool({QStringLiteral("new"), QStringLiteral("today.VARNO")}, m_dir.path()).status, 0);
        Dataset today;
        today.loadFromFile(path("today.VARNO"));
        QCOMPARE(today.fieldByName(QStringLiteral("S1_Data"))->asDateTime().date(), QDate::currentDate());
    }

    void toXmlAndBack() {
        QCOMPARE(varnotool({QStringLiteral("new"), QStringLiteral("f.VARNO"), QStringLiteral("--date"),
                            QStringLiteral("2010-01-02")},
                           m_dir.path())
                     .status,
                 0);
        const Run x = varnotool({QStringLiteral("to-xml"), QStringLiteral("f.VARNO")}, m_dir.path());
        QCOMPARE(x.status, 0);
        Dataset ds;
        ds.loadFromFile(path("f.VARNO"));
        QCOMPARE(x.out, ds.xmlData()); // what the send dialog sends, byte for byte
        QFile xml(path("f.xml"));
        QVERIFY(xml.open(QIODevice::WriteOnly));
        xml.write(x.out);
        xml.close();
        const Run b = varnotool(
            {QStringLiteral("from-xml"), QStringLiteral("f.xml"), QStringLiteral("g.XML")}, m_dir.path());
        QCOMPARE(b.status, 0);
        QCOMPARE(readAll(path("g.XML")), readAll(path("f.VARNO"))); // binary whatever the name
    }

    void checkReportsEachFile() {
        QCOMPARE(varnotool({QStringLiteral("new"), QStringLiteral("ok.VARNO")}, m_dir.path()).status, 0);
        QFile empty(path("empty.VARNO"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        Run r = varnotool({QStringLiteral("check"), QStringLiteral("ok.VARNO")}, m_dir.path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("ok.VARNO: OK\n"));
        r = varnotool({QStringLiteral("check"), QStringLiteral("ok.VARNO"), QStringLiteral("empty.VARNO"),
                       QStringLiteral("none.VARNO")},
                      m_dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out,
                 QByteArray("ok.VARNO: OK\n"
                            "empty.VARNO: Missing data provider or data packet\n"
                            "none.VARNO: Cannot open file \"none.VARNO\". No such file or directory\n"));
    }

    // A full disk fails the command and leaves an earlier file as it was.
    void fullDisk_data() {
        QTest::addColumn<QString>("modo");
        for (const QString& m : DiscoPieno::modi())
            QTest::newRow(qPrintable(m)) << m;
    }

    void fullDisk() {
        QFETCH(QString, modo);
        QCOMPARE(varnotool({QStringLiteral("new"), QStringLiteral("f.VARNO")}, m_dir.path()).status, 0);
        const Run x = varnotool({QStringLiteral("to-xml"), QStringLiteral("f.VARNO")}, m_dir.path());
        QFile xml(path("f.xml"));
        QVERIFY(xml.open(QIODevice::WriteOnly));
        xml.write(x.out);
        xml.close();

        DiscoPieno disco(modo);
        if (!disco.motivo().isEmpty())
            QSKIP(qPrintable(disco.motivo()));
        const QString out = disco.percorso(QStringLiteral("g.VARNO"));
        QVERIFY(QFile::copy(path("f.VARNO"), out));
        const QByteArray earlier = readAll(out);
        disco.riempi();
        const Run b = varnotool({QStringLiteral("from-xml"), QStringLiteral("f.xml"), out}, m_dir.path());
        const Run s = varnotool({QStringLiteral("set-server"), disco.percorso(QStringLiteral("Varno.Ini")),
                                 QStringLiteral("10.0.0.1")},
                                m_dir.path());
        disco.svuota();
        QCOMPARE(b.status, 1);
        QVERIFY2(b.err.startsWith("Cannot create file \"" + QFile::encodeName(out) + "\". "),
                 b.err.constData());
        QCOMPARE(readAll(out), earlier);
        QCOMPARE(s.status, 1);

        // Standard output on a full device.
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(VARNOTOOL), {QStringLiteral("to-xml"), QStringLiteral("f.VARNO")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(),
                 QByteArray("Impossibile scrivere l'uscita: No space left on device\n"));
    }

    void errorsOnStandardError() {
        Run r = varnotool({QStringLiteral("to-xml"), QStringLiteral("missing.VARNO")}, m_dir.path());
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err, QByteArray("Cannot open file \"missing.VARNO\". No such file or directory\n"));
        r = varnotool({QStringLiteral("new"), QStringLiteral("--date"), QStringLiteral("2009-02-30"),
                       QStringLiteral("x.VARNO")},
                      m_dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY(!QFile::exists(path("x.VARNO")));
        r = varnotool({QStringLiteral("frobnicate")}, m_dir.path());
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("varnotool check FILE..."));
    }
};

QTEST_GUILESS_MAIN(TestVarnotool)
#include "tst_varnotool.moc"
