#include "Dataset.h"
#include "DiscoPieno.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "IniDati.h"
#include "IniFile.h"
#include "VarnoError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString iniPath() const { return m_dir.filePath(QStringLiteral("Varno.Ini")); }

    void writeFile(const QByteArray& bytes) {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    QByteArray fileBytes() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static std::unique_ptr<Dataset> formDataset() {
        auto ds = std::make_unique<Dataset>(QStringLiteral("TblScheda"));
        ds->createFields(SchemaScheda());
        QObject::connect(ds.get(), &Dataset::newRecord, ds.get(), [](Dataset* d) { TblSchedaNewRecord(d); });
        return ds;
    }

    // New as the main window does it: the record appended, then the ten values assigned.
    static void nuova(Dataset& ds, const IniFile& ini) {
        ds.createDataSet();
        TIniDati dati;
        LeggiIni(ini, dati);
        ds.append();
        AssegnaDatiIni(ds, dati);
        ds.post();
    }

    // The INI part of Save: the advance for a new form, then the nine values remembered.
    static void salva(Dataset& ds, IniFile& ini, bool nuovaScheda) {
        if (nuovaScheda)
            AvanzaNumeroScheda(ini, ds.fieldByName(QStringLiteral("S1_SchedaN"))->asString());
        TIniDati dati;
        LeggiIni(ini, dati);
        RicordaDatiScheda(ds, dati);
        ScriviIni(ini, dati);
    }

    static void set(Dataset& ds, const char* field, const QString& text) {
        ds.fieldByName(QLatin1String(field))->setAsString(text);
    }

private slots:
    void init() {
        QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(iniPath());
    }

    void noFileAtAll() {
        IniFile ini(iniPath());
        TIniDati dati;
        dati.Comune = QStringLiteral("vecchio");
        LeggiIni(ini, dati);
        QCOMPARE(dati, TIniDati());
        QCOMPARE(LeggiIndirizzoServer(ini), QString());
        QVERIFY(!QFile::exists(iniPath())); // reading makes nothing

        // New gives ten empty identification fields, empty text rather than null.
        auto ds = formDataset();
        nuova(*ds, ini);
        for (const ChiaveIni& k : ChiaviConfig()) {
            const Field* f = ds->fieldByName(QLatin1String(k.campo));
            QVERIFY2(!f->isNull(), k.campo);
            QCOMPARE(f->asString(), QString());
        }

        // Saving creates the file with the ten keys; the advance wrote SchedaN first.
        set(*ds, "S1_Squadra", QStringLiteral("12"));
        set(*ds, "S1_SchedaN", QStringLiteral("0007"));
        ds->post();
        salva(*ds, ini, true);
        QCOMPARE(fileBytes(),
                 QByteArray("[CONFIG]\r\nSchedaN=0008\r\nSquadra=12\r\nIstatReg=\r\nIstatProv=\r\n"
                            "IstatComune=\r\nCodLocIstat=\r\nSezCensIstat=\r\nProvincia=\r\n"
                            "Comune=\r\nLocalita=\r\n"));
    }

    void readingRules() {
        writeFile("; identificazione della squadra\n"
                  "Squadra=fuori da ogni sezione\n"
                  "[ config ]\n"
                  "  squadra  =   12  \r\n"
                  "SCHEDAN=0041\n"
                  "; Comune=commento\n"
                  "Comune = \" San Giovanni \" \n"
                  "Localita='Borgo'\n"
                  "Provincia=\"Aquila'\n"
                  "IstatReg=\"\"\n"
                  "IstatProv=\"\"\"\n"
                  "IstatComune= a = b \n"
                  "\tCodLocIstat\t=\t\xa0x\xa0\t\n"
                  "riga senza uguale\n"
                  "Localita=seconda\n"
                  "[Server]\n"
                  "ip_address = 10.0.0.1:8080\n"
                  "[CONFIG]\n"
                  "SezCensIstat=dalla seconda sezione\n"); // only the first section of a name is read
        IniFile ini(iniPath());
        TIniDati dati;
        LeggiIni(ini, dati);
        QCOMPARE(dati.Squadra, QStringLiteral("12"));
        QCOMPARE(dati.SchedaN, QStringLiteral("0041"));
        QCOMPARE(dati.Comune, QStringLiteral(" San Giovanni "));
        QCOMPARE(dati.Localita, QStringLiteral("Borgo")); // the first of two
        QCOMPARE(dati.Provincia, QStringLiteral("\"Aquila'"));
        QCOMPARE(dati.IstatReg, QString());
        QCOMPARE(dati.IstatProv, QStringLiteral("\""));
        QCOMPARE(dati.IstatComune, QStringLiteral("a = b"));
        QCOMPARE(dati.CodLocIstat,
                 QStringLiteral("\u00a0x\u00a0")); // tabs are blanks, no-break spaces are not
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("SezCensIstat")), QString());
        QCOMPARE(LeggiIndirizzoServer(ini), QStringLiteral("10.0.0.1:8080"));
        QCOMPARE(ini.readString(QStringLiteral("NESSUNA"), QStringLiteral("x"), QStringLiteral("def")),
                 QStringLiteral("def"));
    }

    void valueLengthAndCodePage() {
        const QByteArray big(3000, 'z');
        writeFile("[CONFIG]\r\nComune=" + big + "\r\nLocalita=\"" + big +
                  "\"\r\nProvincia=Citt\xe0 \x80\r\n");
        IniFile ini(iniPath());
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Comune")).size(), 2047);
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Localita")), QString(2047, u'z'));
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Provincia")),
                 QStringLiteral("Città €"));

        ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Comune"), QStringLiteral("Forlì"));
        QVERIFY(fileBytes().contains("\r\nComune=Forl\xec\r\n"));
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Comune")), QStringLiteral("Forlì"));
    }

    void writeKeepsTheRestOfTheFile() {
        const QByteArray before = "; installato a mano\n"
                                  "\n"
                                  "[SERVER]\n"
                                  "IP_ADDRESS=server.example:8080\n"
                                  "\n"
                                  "[Config]\n"
                                  "  squadra = 7\n"
                                  "Extra=resta\n"
                                  "; nota sul comune\n"
                                  "comune=Vecchio\n"
                                  "\n"
                                  "[ALTRO]\n"
                                  "Squadra=non toccare\n"
                                  "; fine";
        writeFile(before);
        IniFile ini(iniPath());
        TIniDati dati;
        LeggiIni(ini, dati);
        QCOMPARE(dati.Squadra, QStringLiteral("7"));
        dati.Squadra = QStringLiteral("12");
        dati.Comune = QStringLiteral("L'Aquila");
        dati.Provincia = QStringLiteral("AQ\r\nIP_ADDRESS=intruso"); // a line break stays inside the value
        ScriviIni(ini, dati);
        QCOMPARE(fileBytes(), QByteArray("; installato a mano\n"
                                         "\n"
                                         "[SERVER]\n"
                                         "IP_ADDRESS=server.example:8080\n"
                                         "\n"
                                         "[Config]\n"
                                         "squadra=12\n"
                                         "Extra=resta\n"
                                         "; nota sul comune\n"
                                         "comune=L'Aquila\n"
                                         "SchedaN=\n"
                                         "IstatReg=\n"
                                         "IstatProv=\n"
                                         "IstatComune=\n"
                                         "CodLocIstat=\n"
                                         "SezCensIstat=\n"
                                         "Provincia=AQ  IP_ADDRESS=intruso\n"
                                         "Localita=\n"
                                         "\n"
                                         "[ALTRO]\n"
                                         "Squadra=non toccare\n"
                                         "; fine"));
        QCOMPARE(LeggiIndirizzoServer(ini), QStringLiteral("server.example:8080"));

        // A missing section goes at the end, after a last line that had no line end.
        writeFile("[SERVER]\r\nIP_ADDRESS=1.2.3.4");
        ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Squadra"), QStringLiteral("5"));
        QCOMPARE(fileBytes(), QByteArray("[SERVER]\r\nIP_ADDRESS=1.2.3.4\r\n[CONFIG]\r\nSquadra=5\r\n"));
        const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("Varno.Ini")}); // no temporary file stays behind
    }

    void refusedWrite() {
        writeFile("[CONFIG]\r\nSchedaN=0041\r\n");
        QVERIFY(QFile::setPermissions(iniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        IniFile ini(iniPath());
        TIniDati dati;
        dati.Squadra = QStringLiteral("12");
        try {
            ScriviIni(ini, dati);
            QFAIL("a read-only file was written");
        } catch (const VarnoError& e) {
            QVERIFY2(e.message().contains(iniPath()), qPrintable(e.message()));
        }
        // The advance swallows the same failure and leaves the key alone.
        QVERIFY(!AvanzaNumeroScheda(ini, QStringLiteral("0041")));
        QCOMPARE(fileBytes(), QByteArray("[CONFIG]\r\nSchedaN=0041\r\n"));

        // A folder where the file should be.
        IniFile onDir(m_dir.path());
        QVERIFY_THROWS_EXCEPTION(VarnoError,
                                 onDir.writeString(QStringLiteral("CONFIG"), QStringLiteral("a"), {}));
    }

    // On a full disk neither the advance nor the ten-key write may leave an emptied file: the
    // write fails naming the file, and the old bytes stay as they were.
    void fullDisk_data() {
        QTest::addColumn<QString>("modo");
        for (const QString& m : DiscoPieno::modi())
            QTest::newRow(qPrintable(m)) << m;
    }

    void fullDisk() {
        QFETCH(QString, modo);
        DiscoPieno disco(modo);
        if (!disco.motivo().isEmpty())
            QSKIP(qPrintable(disco.motivo()));
        const QString path = disco.percorso(QStringLiteral("Varno.Ini"));
        const QByteArray old =
            "[CONFIG]\r\nSquadra=12\r\nSchedaN=0041\r\n[SERVER]\r\nIP_ADDRESS=10.1.2.3:8080\r\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(old), old.size());
        }
        IniFile ini(path);
        TIniDati dati;
        LeggiIni(ini, dati);
        dati.Comune = QStringLiteral("Città");
        disco.riempi();
        QVERIFY(!AvanzaNumeroScheda(ini, QStringLiteral("0041")));
        QString error;
        try {
            ScriviIni(ini, dati);
        } catch (const VarnoError& e) {
            error = e.message();
        }
        disco.svuota();
        QVERIFY2(error.contains(path), qPrintable(error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), old);
        QStringList left = QDir(disco.cartella()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("riempitivo"));
        QCOMPARE(left, QStringList{QStringLiteral("Varno.Ini")});
    }

    // Line ends of every kind; only regular files are read; UTF-8 written by hand is read as
    // UTF-8 and written back so.
    void strangeFiles() {
        IniFile ini(iniPath());
        writeFile("[CONFIG]\rSquadra=12\rComune=Paganica\r[SERVER]\rIP_ADDRESS=1.2.3.4\r");
        QCOMPARE(ini.readString(QStringLiteral("config"), QStringLiteral("comune")),
                 QStringLiteral("Paganica"));
        QCOMPARE(LeggiIndirizzoServer(ini), QStringLiteral("1.2.3.4"));
        ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN"), QStringLiteral("0042"));
        QCOMPARE(fileBytes(),
                 QByteArray(
                     "[CONFIG]\rSquadra=12\rComune=Paganica\rSchedaN=0042\r[SERVER]\rIP_ADDRESS=1.2.3.4\r"));
        writeFile("[CONFIG]\nSquadra=1\r\nComune=x\r[SERVER]\nIP_ADDRESS=h:80");
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Comune")), QStringLiteral("x"));
        QCOMPARE(LeggiIndirizzoServer(ini), QStringLiteral("h:80"));

        // UTF-8, as an editor on this system writes it: read as UTF-8, written back in UTF-8.
        writeFile("[CONFIG]\r\nComune=Citt\xC3\xA0\r\n; perch\xC3\xA9\r\n");
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Comune")),
                 QStringLiteral("Citt\u00E0"));
        ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Provincia"),
                        QStringLiteral("L'Aquila \u00E8"));
        QCOMPARE(fileBytes(),
                 QByteArray("[CONFIG]\r\nComune=Citt\xC3\xA0\r\nProvincia=L'Aquila \xC3\xA8\r\n; "
                            "perch\xC3\xA9\r\n"));
        // Windows-1252, and bytes that are not UTF-8, stay Windows-1252.
        writeFile("[CONFIG]\r\nComune=Citt\xE0\r\n");
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Comune")),
                 QStringLiteral("Citt\u00E0"));
        ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Localita"), QStringLiteral("Pogget\u00E0"));
        QCOMPARE(fileBytes(), QByteArray("[CONFIG]\r\nComune=Citt\xE0\r\nLocalita=Pogget\xE0\r\n"));
        // Plain ASCII has no encoding to keep: new text goes in Windows-1252.
        writeFile("[CONFIG]\r\n");
        ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Comune"), QStringLiteral("Citt\u00E0"));
        QCOMPARE(fileBytes(), QByteArray("[CONFIG]\r\nComune=Citt\xE0\r\n"));

        // A pipe at the path: reading gives the defaults at once, writing fails naming the file.
        QFile::remove(iniPath());
        QVERIFY(mkfifo(QFile::encodeName(iniPath()).constData(), 0600) == 0);
        QElapsedTimer clock;
        clock.start();
        TIniDati dati;
        dati.Comune = QStringLiteral("resta");
        LeggiIni(ini, dati);
        QCOMPARE(dati, TIniDati());
        QVERIFY_THROWS_EXCEPTION(VarnoError, ScriviIni(ini, dati));
        QVERIFY(!AvanzaNumeroScheda(ini, QStringLiteral("1")));
        QVERIFY(clock.elapsed() < 2000);
        QFile::remove(iniPath());
        // A device.
        IniFile device(QStringLiteral("/dev/zero"));
        QCOMPARE(device.readString(QStringLiteral("CONFIG"), QStringLiteral("Comune"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QVERIFY_THROWS_EXCEPTION(VarnoError,
                                 device.writeString(QStringLiteral("CONFIG"), QStringLiteral("a"), {}));
    }

    void writeKeepsPermissions() {
        writeFile("[CONFIG]\r\n");
        const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(iniPath(), perms));
        IniFile(iniPath()).writeString(QStringLiteral("CONFIG"), QStringLiteral("Squadra"),
                                       QStringLiteral("1"));
        QCOMPARE(QFile::permissions(iniPath()) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 perms);
    }

    void conversion_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        const struct {
            const char* text;
            bool ok;
            int value;
        } rows[] = {
            {"7", true, 7},
            {"0041", true, 41},
            {"   12", true, 12},
            {"+9", true, 9},
            {"-5", true, -5},
            {"$1F", true, 31},
            {"x1f", true, 31},
            {"X1F", true, 31},
            {"0x10", true, 16},
            {"0X10", true, 16},
            {"-$10", true, -16},
            {"$FFFFFFFF", true, -1},
            {"2147483647", true, 2147483647},
            {"-2147483648", true, int(-2147483647 - 1)},
            {"2147483648", false, 0},
            {"$100000000", false, 0},
            {"12a", false, 0},
            {"12 ", false, 0},
            {"", false, 0},
            {"   ", false, 0},
            {"-", false, 0},
            {"$", false, 0},
            {"0x", false, 0},
            {"- 5", false, 0},
            {"\t5", false, 0},
            {"1e3", false, 0},
            {"$G", false, 0},
            {"1.0", false, 0},
        };
        for (const auto& r : rows)
            QTest::newRow(r.text[0] ? r.text : "empty") << QString::fromLatin1(r.text) << r.ok << r.value;
    }

    void conversion() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const std::optional<qint32> n = TestoInIntero(text);
        QCOMPARE(n.has_value(), ok);
        if (ok)
            QCOMPARE(*n, value);
    }

    void numberPattern() {
        QCOMPARE(FormatoNumeroScheda(0), QStringLiteral("0000"));
        QCOMPARE(FormatoNumeroScheda(8), QStringLiteral("0008"));
        QCOMPARE(FormatoNumeroScheda(42), QStringLiteral("0042"));
        QCOMPARE(FormatoNumeroScheda(10000), QStringLiteral("10000"));
        QCOMPARE(FormatoNumeroScheda(-4), QStringLiteral("-0004"));
        QCOMPARE(FormatoNumeroScheda(2147483648LL), QStringLiteral("2147483648"));
    }

    void advanceThroughSaves() {
        writeFile("[CONFIG]\r\nSquadra=12\r\nSchedaN=0041\r\nComune=Vecchio\r\n");
        IniFile ini(iniPath());
        auto ds = formDataset();
        nuova(*ds, ini);
        QCOMPARE(ds->fieldByName(QStringLiteral("S1_SchedaN"))->asString(), QStringLiteral("0041"));
        set(*ds, "S1_Comune", QStringLiteral("Nuovo"));
        ds->post();
        salva(*ds, ini, true);
        TIniDati dati;
        LeggiIni(ini, dati);
        QCOMPARE(dati.SchedaN, QStringLiteral("0042"));
        QCOMPARE(dati.Comune, QStringLiteral("Nuovo"));

        // Saved again, no longer new: the number stays, the nine values are recorded.
        set(*ds, "S1_Comune", QStringLiteral("Altro"));
        ds->post();
        salva(*ds, ini, false);
        LeggiIni(ini, dati);
        QCOMPARE(dati.SchedaN, QStringLiteral("0042"));
        QCOMPARE(dati.Comune, QStringLiteral("Altro"));

        // A number that is not an integer leaves the key, and the other nine are still written.
        nuova(*ds, ini);
        set(*ds, "S1_SchedaN", QStringLiteral("12a"));
        set(*ds, "S1_Squadra", QStringLiteral("7"));
        ds->fieldByName(QStringLiteral("S1_Provincia"))->clear();
        ds->post();
        QVERIFY(!AvanzaNumeroScheda(ini, QStringLiteral("12a")));
        salva(*ds, ini, true);
        LeggiIni(ini, dati);
        QCOMPARE(dati.SchedaN, QStringLiteral("0042"));
        QCOMPARE(dati.Squadra, QStringLiteral("7"));
        QCOMPARE(dati.Comune, QStringLiteral("Altro"));
        QVERIFY(fileBytes().contains("\r\nProvincia=\r\n")); // a null field gives an empty value

        QVERIFY(AvanzaNumeroScheda(ini, QStringLiteral("-5")));
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN")),
                 QStringLiteral("-0004"));
        QVERIFY(AvanzaNumeroScheda(ini, QStringLiteral("9999")));
        QCOMPARE(ini.readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN")),
                 QStringLiteral("10000"));
    }

    void newCutsToFieldSize() {
        writeFile("[CONFIG]\r\nSchedaN=10000\r\nSquadra=ABCDE\r\nComune=\"" + QByteArray(60, 'c') + "\"\r\n");
        IniFile ini(iniPath());
        auto ds = formDataset();
        nuova(*ds, ini);
        QCOMPARE(ds->fieldByName(QStringLiteral("S1_SchedaN"))->asString(), QStringLiteral("1000"));
        QCOMPARE(ds->fieldByName(QStringLiteral("S1_Squadra"))->asString(), QStringLiteral("ABC"));
        QCOMPARE(ds->fieldByName(QStringLiteral("S1_Comune"))->asString(), QString(50, u'c'));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
