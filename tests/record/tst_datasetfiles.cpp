#include "BinaryPacketReader.h"
#include "BinaryPacketWriter.h"
#include "DatasetPacket.h"
#include "DiscoPieno.h"
#include "Figlio.h"
#include "PacketTestUtil.h"
#include "VarnoError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace PacketTest;

// AddressSanitizer pads every allocation, so memory is measured in the ordinary build only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QString loadError(Dataset& ds, const QString& path, int* code = nullptr) {
    try {
        ds.loadFromFile(path);
    } catch (const VarnoError& e) {
        if (code)
            *code = e.code();
        return e.message();
    }
    return QString();
}

QString saveError(Dataset& ds, const QString& path) {
    try {
        ds.saveToFile(path);
    } catch (const VarnoError& e) {
        return e.message();
    }
    return QString();
}

// A form with something in every kind of field, pictures included.
void fillForm(Dataset& ds) {
    auto set = [&](const char* name, const QVariant& v) {
        ds.fieldByName(QString::fromLatin1(name))->setValue(v);
    };
    set("S1_Squadra", QByteArray("A12"));
    set("S1_SchedaN", QByteArray("0007"));
    set("S1_Data", QDateTime(QDate(2009, 4, 23), QTime(12, 30, 45), Qt::UTC));
    set("S1_Via", QByteArray("Via dell'Aquila"));
    set("S1_Comune", QByteArray("L'Aquila \xE8"));
    set("S2_NUnitaUsoA", -1);
    set("S2_Occupanti", 123456);
    set("S3_TM_A1", true);
    set("S8_VisitaNonEseguitaAltro", QByteArray(255, 'w'));
    set("S9_Annotazioni", QByteArray("Crepa d'angolo\r\nlato nord <\"&\\>\t"));
    QByteArray picture(70000, '\0');
    for (qsizetype i = 0; i < picture.size(); ++i)
        picture[i] = char((i * 131) >> 3);
    set("S1_FotocopiaAggregato", picture);
    set("S9_Foto", picture.left(12345));
    ds.post();
}

// The resident memory a load adds, measured in a child process so that earlier tests do not
// hide it; -1 when the child failed. *message gets the load's error text.
qint64 loadPeakBytes(const QString& path, QString* message) {
    const auto esito = InUnFiglio([&](QByteArray& out) {
        auto residentKb = [] {
            QFile statm(QStringLiteral("/proc/self/status"));
            if (!statm.open(QIODevice::ReadOnly))
                return qint64(-1);
            for (const QByteArray& line : statm.readAll().split('\n'))
                if (line.startsWith("VmRSS:"))
                    return line.mid(6).trimmed().split(' ').first().toLongLong();
            return qint64(-1);
        };
        const qint64 before = residentKb();
        Dataset ds(QStringLiteral("TblScheda"));
        const QString error = loadError(ds, path);
        struct rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        out = QByteArray::number((qint64(usage.ru_maxrss) - before) * 1024) + '\n' + error.toUtf8();
        return 0;
    });
    if (!esito || esito->codice != 0)
        return -1;
    const QByteArray& got = esito->uscita;
    const qsizetype nl = got.indexOf('\n');
    *message = QString::fromUtf8(got.mid(nl + 1));
    return got.left(nl).toLongLong();
}

} // namespace

class TestDatasetFiles : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void newFormSavedAndReopened() {
        auto ds = formDataset();
        newForm(*ds);
        QCOMPARE(ds->changeCount(), 0);
        ds->saveToFile(path("new.VARNO"));
        const QByteArray first = readAll(path("new.VARNO"));
        QCOMPARE(qFromLittleEndian<quint16>(first.constData() + 22), quint16(5834));

        auto other = formDataset();
        other->loadFromFile(path("new.VARNO"));
        QCOMPARE(other->state(), Dataset::State::Browse);
        QCOMPARE(other->recordCount(), 1);
        QCOMPARE(other->columns(), SchemaScheda());
        QCOMPARE(other->rows(), ds->rows());
        QCOMPARE(other->autoIncValue(), 2);
        QCOMPARE(other->fieldByName(QStringLiteral("IdScheda"))->asInteger(), 1);
        QVERIFY(other->fieldByName(QStringLiteral("IdScheda"))->readOnly());
        // Reopened and saved, the file is the same: IdScheda 1, AUTOINCVALUE 2.
        other->mergeChangeLog();
        other->saveToFile(path("again.VARNO"));
        QCOMPARE(readAll(path("again.VARNO")), first);
    }

    void fullFormRoundTrips() {
        auto ds = formDataset();
        newForm(*ds);
        fillForm(*ds);
        ds->mergeChangeLog();
        ds->saveToFile(path("full.VARNO"));
        const QByteArray binary = readAll(path("full.VARNO"));

        // Binary to XML to binary.
        auto a = std::make_unique<Dataset>();
        a->loadFromFile(path("full.VARNO"));
        a->saveToFile(path("full.Xml"));
        const QByteArray xml = readAll(path("full.Xml"));
        QVERIFY(xml.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET"));
        QCOMPARE(xml, ds->xmlData());
        auto b = formDataset();
        b->loadFromFile(path("full.Xml"));
        QCOMPARE(b->rows(), ds->rows());
        b->saveToFile(path("back.VARNO"));
        QCOMPARE(readAll(path("back.VARNO")), binary);

        const QVariant via = b->fieldByName(QStringLiteral("S1_Via"))->value();
        QCOMPARE(via.toByteArray(), QByteArray("Via dell'Aquila"));
        QCOMPARE(b->fieldByName(QStringLiteral("S9_Foto"))->asBytes().size(), 12345);
    }

    void storedValueRules() {
        auto ds = formDataset();
        newForm(*ds);
        ds->fieldByName(QStringLiteral("S1_Via"))->setValue(QByteArray("Via Roma   "));
        ds->fieldByName(QStringLiteral("CodiceRichiesta"))->clear();
        ds->fieldByName(QStringLiteral("S9_Annotazioni"))->setValue(QByteArray("testo"));
        ds->fieldByName(QStringLiteral("S9_Annotazioni"))->setValue(QByteArray());
        ds->post();
        const DataPacket p = DatasetPacket::fromDataset(*ds);
        const int via = ds->columnIndex(QStringLiteral("S1_Via"));
        QCOMPARE(p.rows[0].values[via].toByteArray(), QByteArray("Via Roma"));
        QCOMPARE(p.rows[0].states[ds->columnIndex(QStringLiteral("CodiceRichiesta"))], CellState::Null);
        QCOMPARE(p.rows[0].states[ds->columnIndex(QStringLiteral("S9_Annotazioni"))], CellState::Null);
        // The empty identification texts are values: 01 00 each.
        QCOMPARE(p.rows[0].states[ds->columnIndex(QStringLiteral("S1_Squadra"))], CellState::Value);

        ds->saveToFile(path("rules.VARNO"));
        const QByteArray b = readAll(path("rules.VARNO"));
        QVERIFY(b.contains(bytes("08 \"Via Roma\" 01 00"))); // S1_Via, then S1_NumeroCivico empty
        auto back = formDataset();
        back->loadFromFile(path("rules.VARNO"));
        QCOMPARE(back->fieldByName(QStringLiteral("S1_Via"))->asString(), QStringLiteral("Via Roma"));
        QVERIFY(back->fieldByName(QStringLiteral("CodiceRichiesta"))->isNull());
        QVERIFY(back->fieldByName(QStringLiteral("S9_Annotazioni"))->isNull());
        QVERIFY(!back->fieldByName(QStringLiteral("S1_Squadra"))->isNull());
        QCOMPARE(back->fieldByName(QStringLiteral("S1_Squadra"))->asBytes(), QByteArray(""));
    }

    void xmlDataPostsAndChangesNothingElse() {
        auto ds = formDataset();
        newForm(*ds);
        ds->fieldByName(QStringLiteral("S1_Squadra"))->setValue(QByteArray("B7"));
        QCOMPARE(ds->state(), Dataset::State::Edit);
        const QByteArray xml = ds->xmlData();
        QVERIFY(xml.contains(" S1_Squadra=\"B7\" "));
        QCOMPARE(ds->state(), Dataset::State::Browse);
        QCOMPARE(ds->changeCount(), 1);
        QCOMPARE(ds->xmlData(), xml);
        QCOMPARE(ds->changeCount(), 1);
        ds->close();
        try {
            ds->xmlData();
            QFAIL("closed dataset rendered");
        } catch (const VarnoError&) {
        }
    }

    void fieldsMatchedByName() {
        // A packet with the columns of the form in another order and one unknown column.
        Dataset writer;
        writer.open({def("Extra", FieldKind::Integer), def("S1_Squadra", FieldKind::String, 3),
                     def("IdScheda", FieldKind::AutoInc)},
                    {Dataset::Row{7, QByteArray("Z9"), 5}}, 6);
        writer.saveToFile(path("order.VARNO"));
        auto ds = formDataset();
        ds->loadFromFile(path("order.VARNO"));
        QCOMPARE(ds->fieldByName(QStringLiteral("S1_Squadra"))->asString(), QStringLiteral("Z9"));
        QCOMPARE(ds->fieldByName(QStringLiteral("IdScheda"))->asInteger(), 5);
        QVERIFY(!ds->fieldByName(QStringLiteral("S1_Via"))->bound());
        QCOMPARE(ds->autoIncValue(), 6);
        ds->append();
        QCOMPARE(ds->fieldByName(QStringLiteral("IdScheda"))->asInteger(), 6);
    }

    void fieldOfAnotherKindRefused() {
        Dataset writer;
        writer.open({def("S1_Squadra", FieldKind::String, 3), def("S1_Data", FieldKind::String, 10)},
                    {Dataset::Row{QByteArray("A1"), QByteArray("23/04/2009")}}, 1);
        writer.saveToFile(path("kind.VARNO"));
        auto ds = formDataset();
        QCOMPARE(loadError(*ds, path("kind.VARNO")),
                 QStringLiteral("Type mismatch for field 'S1_Data', expecting: DateTime actual: String"));
        QVERIFY(!ds->active());
        // A dataset without field objects of its own takes the columns as they come.
        Dataset scratch;
        scratch.loadFromFile(path("kind.VARNO"));
        QCOMPARE(scratch.fieldByName(QStringLiteral("S1_Data"))->asString(), QStringLiteral("23/04/2009"));
        // Even when the previous file had the column with another kind.
        auto form = formDataset();
        newForm(*form);
        form->saveToFile(path("form.VARNO"));
        scratch.loadFromFile(path("form.VARNO"));
        QCOMPARE(scratch.fieldByName(QStringLiteral("S1_Data"))->asString(), QStringLiteral("23/04/2009"));
        scratch.loadFromFile(path("kind.VARNO"));
    }

    void otherColumnKindsLoad() {
        using namespace DataPacketType;
        DataPacket p;
        p.columns = {{"Tiny", make(Signed, 1), 0, {}},
                     {"Big", make(Unsigned, 4), 0, {}},
                     {"Real", make(Float, 8), 0, {}},
                     {"Day", make(Date, 4), 0, {}},
                     {"Clock", make(Time, 4), 0, {}},
                     {"Huge", make(Signed, 8), 0, {}},
                     {"Wide",
                      make(WideText, 2, VariableFlag),
                      0,
                      {{"WIDTH", UInt2, QVariant::fromValue<quint64>(200)}}},
                     {"Flag", make(Boolean, 1), 0, {}},
                     {"Short", Text2, 0, {{"WIDTH", UInt2, QVariant::fromValue<quint64>(5)}}}};
        PacketRow r;
        r.values = {QVariant::fromValue<qint64>(-7),
                    QVariant::fromValue<quint64>(4000000000u),
                    0.125,
                    qint32(733520),
                    qint32(45045250),
                    QVariant::fromValue<qint64>(-9000000000LL),
                    QStringLiteral("Città ≠ città"),
                    true,
                    QByteArray("abc")};
        r.states.fill(CellState::Value, r.values.size());
        p.rows = {r};
        writeAll(path("kinds.bin"), BinaryPacketWriter::write(p));

        Dataset ds;
        ds.loadFromFile(path("kinds.bin"));
        QCOMPARE(ds.fieldByName(QStringLiteral("Tiny"))->asInteger(), -7);
        QCOMPARE(ds.fieldByName(QStringLiteral("Big"))->value().toLongLong(), 4000000000LL);
        QCOMPARE(ds.fieldByName(QStringLiteral("Real"))->value().toDouble(), 0.125);
        QCOMPARE(ds.fieldByName(QStringLiteral("Day"))->value().toDate(), QDate(2009, 4, 23));
        QCOMPARE(ds.fieldByName(QStringLiteral("Clock"))->value().toTime(), QTime(12, 30, 45, 250));
        QCOMPARE(ds.fieldByName(QStringLiteral("Huge"))->value().toLongLong(), -9000000000LL);
        QCOMPARE(ds.fieldByName(QStringLiteral("Wide"))->asString(), QStringLiteral("Città ≠ città"));
        QVERIFY(ds.fieldByName(QStringLiteral("Flag"))->asBoolean());
        QCOMPARE(ds.fieldByName(QStringLiteral("Short"))->asString(), QStringLiteral("abc"));
        // Saved again, each column keeps its type code.
        ds.saveToFile(path("kinds2.bin"));
        QCOMPARE(readAll(path("kinds2.bin")), readAll(path("kinds.bin")));
        ds.saveToFile(path("kinds.xml"));
        Dataset fromXml;
        fromXml.loadFromFile(path("kinds.xml"));
        QCOMPARE(fromXml.rows(), ds.rows());
    }

    void loadFailures_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        auto ds = formDataset();
        newForm(*ds);
        const QByteArray good = BinaryPacketWriter::write(DatasetPacket::fromDataset(*ds));
        QByteArray b;
        QTest::newRow("empty file") << QByteArray() << 0
                                    << QStringLiteral("TblScheda: Missing data provider or data packet");
        QTest::newRow("not a packet")
            << QByteArray("Sq1_n2 \x01\x02") << 16389 << QStringLiteral("Mismatch in datapacket.");
        b = good;
        b[4] = 4;
        QTest::newRow("version 4") << b << 16389 << QStringLiteral("Mismatch in datapacket.");
        b = good;
        b[18] = 0;
        QTest::newRow("flags 0") << b << 16387 << QStringLiteral("Datapacket contains no meta data.");
        QTest::newRow("cut short") << good.left(good.size() - 1) << 16389
                                   << QStringLiteral("Mismatch in datapacket.");
        b = good;
        // S1_Data follows IdScheda and three empty texts; its double becomes a NaN.
        QCOMPARE(b.mid(5834 + 77, 8), bytes("00 00 60 CC F3 D1 CC 42"));
        b.replace(5834 + 77, 8, bytes("FF FF FF FF FF FF FF FF"));
        BinaryPacketReader::read(b); // a well-formed packet
        QTest::newRow("date out of range") << b << 16389 << QStringLiteral("Mismatch in datapacket.");
    }

    void loadFailures() {
        QFETCH(QByteArray, content);
        QFETCH(int, code);
        QFETCH(QString, message);
        writeAll(path("bad.VARNO"), content);
        auto ds = formDataset();
        newForm(*ds);
        int got = 0;
        QCOMPARE(loadError(*ds, path("bad.VARNO"), &got), message);
        QCOMPARE(got, code);
        QCOMPARE(ds->state(), Dataset::State::Inactive);
        QVERIFY(!ds->fieldByName(QStringLiteral("S1_Squadra"))->bound());
    }

    void unnamedDatasetMessage() {
        writeAll(path("empty.VARNO"), QByteArray());
        Dataset ds;
        QCOMPARE(loadError(ds, path("empty.VARNO")), QStringLiteral("Missing data provider or data packet"));
    }

    void fileErrors() {
        auto ds = formDataset();
        const QString missing = path("nowhere/x.VARNO");
        QCOMPARE(loadError(*ds, missing),
                 QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
        newForm(*ds);
        QCOMPARE(saveError(*ds, missing),
                 QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(missing));
        QVERIFY(!QFile::exists(missing));
    }

    // A save that fails leaves the earlier file exactly as it was, and no stray file beside it.
    void failedSaveKeepsEarlierFile() {
        auto ds = formDataset();
        newForm(*ds);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("SqA_n1_(23-04-2009).VARNO"));
        ds->saveToFile(target);
        const QByteArray earlier = readAll(target);
        fillForm(*ds); // 80 kB of pictures

        // The write breaks off: the file-size limit stops it half way.
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 20000;
        setrlimit(RLIMIT_FSIZE, &small);
        const QString error = saveError(*ds, target);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)),
                 qPrintable(error));
        QCOMPARE(readAll(target), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(target).fileName()});

        // The target is a folder.
        const QString folder = dir.filePath(QStringLiteral("folder.VARNO"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(saveError(*ds, folder).startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(folder)));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(target).fileName()});

        ds->saveToFile(target);
        QVERIFY(readAll(target) != earlier);
    }

    // A small form file on a full disk: the bytes never reach the disk, and the save says so
    // instead of renaming an empty file over the earlier one.
    void fullDiskSmallFile_data() {
        QTest::addColumn<QString>("modo");
        for (const QString& m : DiscoPieno::modi())
            QTest::newRow(qPrintable(m)) << m;
    }

    void fullDiskSmallFile() {
        QFETCH(QString, modo);
        DiscoPieno disco(modo);
        if (!disco.motivo().isEmpty())
            QSKIP(qPrintable(disco.motivo()));
        auto ds = formDataset();
        newForm(*ds);
        const QString target = disco.percorso(QStringLiteral("SqA_n1_(23-04-2009).VARNO"));
        ds->saveToFile(target);
        const QByteArray earlier = readAll(target);
        QVERIFY(earlier.size() > 5000 && earlier.size() < 16384);
        ds->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Paganica"));
        ds->post();
        disco.riempi();
        const QString error = saveError(*ds, target);
        disco.svuota();
        QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)),
                 qPrintable(error));
        QCOMPARE(readAll(target), earlier);
        QStringList left = QDir(disco.cartella()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("riempitivo"));
        QCOMPARE(left, QStringList{QFileInfo(target).fileName()});
    }

    // A form file has one row. A file with the real header and tens of thousands of rows is
    // refused before its rows are made, and loading any file costs at most 16 times its size
    // plus 64 MiB.
    void hugeRows_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("error");
        const QString mismatch = QStringLiteral("Mismatch in datapacket.");
        QTest::newRow("binary 60000 null rows") << "binary" << 60000 << mismatch;
        QTest::newRow("binary 7000 null rows load") << "binary" << 7000 << QString();
        QTest::newRow("binary 8000 null rows") << "binary" << 8000 << mismatch;
        QTest::newRow("xml 366000 empty rows") << "xml" << 366000 << mismatch;
        QTest::newRow("xml 3000 empty rows load") << "xml" << 3000 << QString();
    }

    void hugeRows() {
        QFETCH(QString, kind);
        QFETCH(int, rows);
        QFETCH(QString, error);
        auto ds = formDataset();
        newForm(*ds);
        QByteArray bytes;
        if (kind == u"binary") {
            ds->saveToFile(path("one.VARNO"));
            const QByteArray one = readAll(path("one.VARNO"));
            const quint16 rowOffset = qFromLittleEndian<quint16>(one.constData() + 22);
            bytes = one.left(rowOffset);
            qToLittleEndian<quint32>(quint32(rows), bytes.data() + 14);
            const QByteArray nullRow = '\0' + QByteArray((262 + 3) / 4, '\x55');
            bytes += nullRow.repeated(rows);
        } else {
            const QByteArray one = ds->xmlData();
            const qsizetype from = one.indexOf("<ROWDATA>") + 9;
            bytes = one.left(from) + QByteArray("<ROW/>").repeated(rows) + one.mid(one.indexOf("</ROWDATA>"));
        }
        const QString file = path("huge.VARNO");
        writeAll(file, bytes);
        QString message;
        const qint64 peak = loadPeakBytes(file, &message);
        QCOMPARE(message, error);
        QVERIFY(peak >= 0);
        QVERIFY2(kSanitized || peak < 16 * bytes.size() + (qint64(64) << 20),
                 qPrintable(QStringLiteral("%1 bytes for a file of %2").arg(peak).arg(bytes.size())));
        if (error.isEmpty()) {
            ds->loadFromFile(file);
            QCOMPARE(ds->recordCount(), rows);
        }
    }

    void readOnlyFolder() {
        auto ds = formDataset();
        newForm(*ds);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("form.VARNO"));
        ds->saveToFile(target);
        const QByteArray earlier = readAll(target);
        fillForm(*ds);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                              QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
        QFile::setPermissions(target,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther);
        QString error;
        if (geteuid() != 0) {
            error = saveError(*ds, target);
        } else {
            // The superuser writes anywhere: the save runs in a child without its privileges.
            const auto esito = InUnFiglio([&](QByteArray& out) {
                if (!SenzaPrivilegi())
                    return 1;
                out = saveError(*ds, target).toUtf8();
                return 0;
            });
            QVERIFY(esito && esito->codice == 0);
            error = QString::fromUtf8(esito->uscita);
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(error.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)),
                 qPrintable(error));
        QCOMPARE(readAll(target), earlier);
    }
};

QTEST_GUILESS_MAIN(TestDatasetFiles)
#include "tst_datasetfiles.moc"
