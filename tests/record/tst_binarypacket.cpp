#include "BinaryPacketReader.h"
#include "BinaryPacketWriter.h"
#include "DatasetPacket.h"
#include "PacketTestUtil.h"
#include "VarnoError.h"

#include <QTest>
#include <QtEndian>

using namespace PacketTest;

namespace {

// The two-column packet of the worked example with the given S1_Squadra value.
QByteArray twoColumnPacket(const QVariant& squadra) {
    Dataset ds;
    ds.open({def("S1_Squadra", FieldKind::String, 3), def("S3_TM_A1", FieldKind::Boolean)},
            {Dataset::Row{squadra, true}}, 1);
    return BinaryPacketWriter::write(DatasetPacket::fromDataset(ds));
}

QByteArray formPacket(Dataset& ds) {
    return BinaryPacketWriter::write(DatasetPacket::fromDataset(ds));
}

int errorCode(const QByteArray& data, QString* message = nullptr) {
    try {
        BinaryPacketReader::read(data);
    } catch (const VarnoError& e) {
        if (message)
            *message = e.message();
        return e.code();
    }
    return 0;
}

// Offset of a value in the row of a one-row packet: skips the status bits and the values before.
template <typename T> T at(const QByteArray& b, qsizetype offset) {
    return qFromLittleEndian<T>(b.constData() + offset);
}

} // namespace

class TestBinaryPacket : public QObject {
    Q_OBJECT

private slots:
    void workedExampleByteForByte() {
        const QByteArray expected =
            bytes("96 19 E0 BD 01 00 00 00 18 00 00 00 02 00 01 00 00 00 03 00 00 00 4A 00"
                  "0A \"S1_Squadra\" 01 00 49 00 00 00 01 00 05 \"WIDTH\" 02 00 02 00 03 00"
                  "08 \"S3_TM_A1\" 02 00 03 00 00 00 00 00"
                  "00 00"
                  "00 00 03 \"A12\" 01 00");
        QCOMPARE(expected.size(), 82);
        QCOMPARE(twoColumnPacket(QByteArray("A12")), expected);

        // Null: the lower status bit of column 0, no bytes for its value.
        QByteArray nullVariant = expected.left(75) + bytes("01 01 00");
        QCOMPARE(nullVariant.size(), 78);
        QCOMPARE(twoColumnPacket(QVariant()), nullVariant);

        // The empty text is a value: length 1 and one zero byte.
        QByteArray emptyVariant = expected.left(76) + bytes("01 00 01 00");
        QCOMPARE(emptyVariant.size(), 80);
        QCOMPARE(twoColumnPacket(QByteArray("")), emptyVariant);

        // And back again.
        const DataPacket p = BinaryPacketReader::read(emptyVariant);
        QCOMPARE(p.columns.size(), 2);
        QCOMPARE(p.columns[0].name, QByteArray("S1_Squadra"));
        QCOMPARE(p.columns[0].type, 0x00490001u);
        QCOMPARE(p.columns[0].property("width")->value.toULongLong(), 3u);
        QCOMPARE(p.rows.size(), 1);
        QCOMPARE(p.rows[0].states[0], CellState::Value);
        QVERIFY(!p.rows[0].values[0].toByteArray().isNull());
        QCOMPARE(p.rows[0].values[0].toByteArray(), QByteArray(""));
        QCOMPARE(BinaryPacketReader::read(nullVariant).rows[0].states[0], CellState::Null);
        QCOMPARE(BinaryPacketWriter::write(p), emptyVariant);
    }

    void formFileLayout() {
        auto ds = formDataset();
        newForm(*ds);
        const QByteArray b = formPacket(*ds);
        QCOMPARE(at<quint16>(b, 4), quint16(1));
        QCOMPARE(at<quint16>(b, 6), quint16(0));
        QCOMPARE(at<quint32>(b, 8), 24u);
        QCOMPARE(at<quint16>(b, 12), quint16(262));
        QCOMPARE(at<quint32>(b, 14), 1u);
        QCOMPARE(at<quint32>(b, 18), 3u);
        QCOMPARE(at<quint16>(b, 22), quint16(5834));
        QCOMPARE(b.mid(24, 39),
                 bytes("08 \"IdScheda\" 04 00 01 00 02 00 01 00 07 \"SUBTYPE\" 02 00 49 00 08 00"
                       "\"Autoinc\" 00"));
        QCOMPARE(b.mid(5834 - 23, 23), bytes("01 00 0C \"AUTOINCVALUE\" 04 00 01 00 02 00 00 00"));
        // The row: status 0, 66 bytes of status bits, IdScheda 1 first.
        QCOMPARE(b[5834], '\0');
        QCOMPARE(at<qint32>(b, 5834 + 1 + 66), 1);

        const DataPacket p = BinaryPacketReader::read(b);
        QCOMPARE(p.columns.size(), 262);
        for (const PacketColumn& c : p.columns) {
            const FieldDef d = DatasetPacket::defOf(c);
            const FieldDef& s = SchemaScheda()[&c - p.columns.constData()];
            QCOMPARE(d.name, s.name);
            QCOMPARE(d.kind, s.kind);
            QCOMPARE(d.size, s.size);
            QCOMPARE(d.typeCode, 0u);
            QCOMPARE(c.attributes, quint16(s.kind == FieldKind::AutoInc ? 2 : 0));
            // string(255) takes a 2-byte length prefix, every other text a 1-byte one.
            if (s.kind == FieldKind::String)
                QCOMPARE(c.type, s.size == 255 ? 0x00490002u : 0x00490001u);
        }
        QCOMPARE(BinaryPacketWriter::write(p), b);
    }

    void dateTimeDoubles() {
        QCOMPARE(DataPacketTime::fromDateTime(QDateTime(QDate(2009, 4, 23), QTime(0, 0), Qt::UTC)),
                 63376128000000.0);
        QCOMPARE(DataPacketTime::fromDateTime(QDateTime(QDate(2009, 4, 23), QTime(12, 30, 45), Qt::UTC)),
                 63376173045000.0);
        QCOMPARE(DataPacketTime::dayNumber(QDate(1899, 12, 30)), 693594);
        QCOMPARE(DataPacketTime::dayNumber(QDate(1, 1, 1)), 1);
        QByteArray b;
        BinaryPacketWriter::appendValue(b, DataPacketType::DateTime8, 63376128000000.0, false);
        QCOMPARE(b, bytes("00 00 60 CC F3 D1 CC 42"));
        // A fraction of a millisecond is cut off, as the XML rendering cuts it.
        QCOMPARE(DataPacketTime::toDateTime(63376173045000.4),
                 QDateTime(QDate(2009, 4, 23), QTime(12, 30, 45), Qt::UTC));
        QCOMPARE(DataPacketTime::toDateTime(63376173044999.6),
                 QDateTime(QDate(2009, 4, 23), QTime(12, 30, 44, 999), Qt::UTC));
        QVERIFY(!DataPacketTime::toDateTime(qQNaN()).isValid());
        QVERIFY(!DataPacketTime::toDateTime(-1.0).isValid());
        QVERIFY(!DataPacketTime::toDateTime(1e300).isValid());
    }

    // A picture whose length has the top bit set ("content not included") is no form file: the
    // load stops with 16401 instead of taking the picture as empty.
    void pictureNotIncludedIsRefused() {
        auto ds = formDataset();
        newForm(*ds);
        ds->fieldByName(QStringLiteral("S9_Foto"))->setValue(QByteArray(8, '\x11'));
        ds->post();
        DataPacket p = DatasetPacket::fromDataset(*ds);
        qsizetype col = 0;
        while (ds->columns()[col].name != QStringLiteral("S9_Foto"))
            ++col;
        p.rows[0].states[col] = CellState::NotIncluded;
        p.rows[0].values[col] = QVariant(quint32(8));
        const DataPacket read = BinaryPacketReader::read(BinaryPacketWriter::write(p));
        QCOMPARE(read.rows[0].states[col], CellState::NotIncluded);
        Dataset other;
        try {
            DatasetPacket::open(other, read);
            QFAIL("a picture left out of the packet was loaded");
        } catch (const VarnoError& e) {
            QCOMPARE(e.code(), 16401);
            QCOMPARE(e.message(), QStringLiteral("Delayed fetching not supported for XML."));
        }
        QVERIFY(!other.active());
    }

    void booleansAnyNonZeroTrue() {
        QByteArray b = twoColumnPacket(QByteArray("A12"));
        b[80] = '\x05';
        QVERIFY(BinaryPacketReader::read(b).rows[0].values[1].toBool());
        b[80] = '\0';
        b[81] = '\x80';
        QVERIFY(BinaryPacketReader::read(b).rows[0].values[1].toBool());
        b[81] = '\0';
        QVERIFY(!BinaryPacketReader::read(b).rows[0].values[1].toBool());
    }

    void textEndsAtZeroByte() {
        QByteArray b = twoColumnPacket(QByteArray("A12"));
        b[78] = '\0';
        QCOMPARE(BinaryPacketReader::read(b).rows[0].values[0].toByteArray(), QByteArray("A"));
    }

    void rowlessPacket() {
        Dataset ds;
        ds.open({def("S1_Squadra", FieldKind::String, 3)}, {}, 1);
        const QByteArray b = formPacket(ds);
        QCOMPARE(at<quint32>(b, 14), 0u);
        QCOMPARE(at<quint32>(b, 18), 3u);
        QCOMPARE(at<quint16>(b, 22), quint16(b.size()));
        QCOMPARE(BinaryPacketReader::read(b).rows.size(), 0);
    }

    // Properties and types form files never use, as other writers of the format produce them.
    void otherWritersPackets() {
        using namespace DataPacketType;
        DataPacket p;
        p.columns.append({QByteArray("A_name_much_longer_than_thirty_one_bytes"), Int4, 0, {}});
        p.columns.append({"Tiny", make(Signed, 1), DataPacketAttr::Required | DataPacketAttr::Hidden, {}});
        p.columns.append({"Big", make(Unsigned, 4), 0, {}});
        p.columns.append({"Real", make(Float, 8), 0, {}});
        p.columns.append({"Day", make(Date, 4), 0, {}});
        p.columns.append({"Clock", make(Time, 4), 0, {}});
        p.columns.append({"Wide",
                          make(WideText, 2, VariableFlag),
                          0,
                          {{"WIDTH", UInt2, QVariant::fromValue<quint64>(20)}}});
        p.columns.append({"Fixed", make(Bytes, 3), 0, {}});
        p.properties.append({"MYLIST", make(Unsigned, 2, ArrayFlag), QVariantList{1u, 2u, 65535u}});
        p.properties.append({"LCID", Int4, QVariant::fromValue<qint64>(1040)});
        p.properties.append({"Note", Text2 | 0x80000000u, QByteArray("x")});
        PacketRow r;
        r.values = {QVariant::fromValue<qint64>(-5),
                    QVariant::fromValue<qint64>(-128),
                    QVariant::fromValue<quint64>(4000000000u),
                    2.5,
                    qint32(733520),
                    qint32(45045250),
                    QStringLiteral("città ≠"),
                    QByteArray("\x01\x02\x03")};
        r.states.fill(CellState::Value, 8);
        p.rows.append(r);
        PacketRow r2;
        r2.status = 4;
        r2.values.resize(8);
        r2.states = {CellState::NotChanged, CellState::Null, CellState::NullNotChanged, CellState::Null,
                     CellState::Null,       CellState::Null, CellState::Null,           CellState::Null};
        p.rows.append(r2);

        const QByteArray b = BinaryPacketWriter::write(p);
        // The descriptor holds the first 31 bytes; FIELDNAME holds the whole name.
        QCOMPARE(b.mid(24, 32), QByteArray("\x1F") + p.columns[0].name.left(31));
        QVERIFY(b.contains("FIELDNAME"));
        const DataPacket back = BinaryPacketReader::read(b);
        QCOMPARE(back, p);

        // The older magic: version words ignored.
        QByteArray old = b;
        old.replace(0, 8, bytes("CD AB 00 00 09 00 09 00"));
        QCOMPARE(BinaryPacketReader::read(old), p);

        // Bytes whose content is left out: the length with its top bit, no bytes.
        p.columns[7].type = Blob4;
        p.rows[1].states[7] = CellState::NotIncluded;
        p.rows[1].values[7] = 1234u;
        const QByteArray withDelayed = BinaryPacketWriter::write(p);
        QVERIFY(withDelayed.endsWith(bytes("D2 04 00 80")));
        QCOMPARE(BinaryPacketReader::read(withDelayed), p);
    }

    void failures_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QByteArray good = twoColumnPacket(QByteArray("A12"));
        const QString mismatch = QStringLiteral("Mismatch in datapacket.");
        QByteArray b;

        QTest::newRow("wrong magic, not XML") << QByteArray("hello world, no packet") << 16389 << mismatch;
        b = good;
        b[4] = 4;
        QTest::newRow("major version 4") << b << 16389 << mismatch;
        b = good;
        b[6] = 4;
        QTest::newRow("minor version 4") << b << 16389 << mismatch;
        b = good;
        b[12] = 0;
        QTest::newRow("no column") << b << 16389 << mismatch;
        b = good;
        b[18] = 0;
        QTest::newRow("flags 0") << b << 16387 << QStringLiteral("Datapacket contains no meta data.");
        b = good;
        b[18] = 2;
        QTest::newRow("flag 0x0002 alone")
            << b << 16387 << QStringLiteral("Datapacket contains no meta data.");
        b = good;
        b[24] = 0;
        QTest::newRow("column name of length 0")
            << b << 10038 << QStringLiteral("Field name can't be null, datapacket may be corrupted");
        b = good;
        b[37] = '\x3F';
        QTest::newRow("type code of no kind") << b << 10000 << QStringLiteral("Invalid field type.");
        b = good;
        b[35] = 3; // text with a 3-byte length prefix
        QTest::newRow("text with 3-byte prefix") << b << 10000 << QStringLiteral("Invalid field type.");
        b = good;
        b[8] = '\x70';
        QTest::newRow("header size past the end") << b << 16389 << mismatch;
        b = good;
        b[14] = 2;
        QTest::newRow("more rows than held") << b << 16389 << mismatch;
        b = good;
        b[76] = '\x7F';
        QTest::newRow("text longer than held") << b << 16389 << mismatch;
        b = good.left(41) + bytes("09 00");
        QTest::newRow("more properties than held") << b << 16389 << mismatch;
        b = good.left(72) + bytes("01 00 0C \"AUTOINCVALUE\" 04 00 01 00 02 00");
        QTest::newRow("property value past the end") << b << 16389 << mismatch;
        b = good.left(55) + bytes("30 \"S3_TM_A1\"");
        QTest::newRow("name past the end") << b << 16389 << mismatch;
    }

    void failures() {
        QFETCH(QByteArray, data);
        QFETCH(int, code);
        QFETCH(QString, message);
        QString got;
        QCOMPARE(errorCode(data, &got), code);
        QCOMPARE(got, message);
    }

    void cutAtEveryLength() {
        auto ds = formDataset();
        newForm(*ds);
        ds->fieldByName(QStringLiteral("S9_Annotazioni"))->setValue(QByteArray("Crepa\r\nlato nord"));
        ds->fieldByName(QStringLiteral("S9_Foto"))->setValue(QByteArray(300, '\xAB'));
        ds->post();
        const QByteArray b = formPacket(*ds);
        for (qsizetype n = 0; n < b.size(); ++n) {
            const QByteArray cut(b.constData(), n); // a copy of exactly n bytes, nothing after it
            const int code = errorCode(cut);
            if (code == 0)
                QFAIL(qPrintable(QStringLiteral("cut at %1 accepted").arg(n)));
        }
        QCOMPARE(errorCode(b), 0);
    }

    void blobLengthsChecked() {
        // A length with the top bit clear but beyond the data, and the largest lengths.
        auto ds = formDataset();
        newForm(*ds);
        ds->fieldByName(QStringLiteral("S9_Foto"))->setValue(QByteArray(10, 'x'));
        ds->post();
        QByteArray b = formPacket(*ds);
        const qsizetype at = b.indexOf(bytes("0A 00 00 00 \"xxxxxxxxxx\""));
        QVERIFY(at > 5834);
        for (const char* len : {"00 00 01 00", "FF FF FF 7F", "FF FF FF FF"}) {
            QByteArray bad = b;
            bad.replace(at, 4, bytes(len));
            if (QByteArray(len).startsWith("FF FF FF FF")) {
                // Top bit: content not included, so the 10 bytes are read as what follows.
                QVERIFY(errorCode(bad) != 0);
            } else {
                QCOMPARE(errorCode(bad), 16389);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestBinaryPacket)
#include "tst_binarypacket.moc"
