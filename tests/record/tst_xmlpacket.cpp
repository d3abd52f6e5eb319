#include "BinaryPacketReader.h"
#include "BinaryPacketWriter.h"
#include "DatasetPacket.h"
#include "PacketTestUtil.h"
#include "VarnoError.h"
#include "XmlPacketReader.h"
#include "XmlPacketWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace PacketTest;

namespace {

// The one-row packet of a dataset on the given columns holding the given values.
DataPacket packetOf(const QList<FieldDef>& cols, const Dataset::Row& row) {
    Dataset ds;
    ds.open(cols, {row}, 1);
    return DatasetPacket::fromDataset(ds);
}

// The ROW element of a one-column packet.
QByteArray rowOf(const FieldDef& col, const QVariant& value) {
    const QByteArray xml = XmlPacketWriter::write(packetOf({col}, {value}));
    const qsizetype from = xml.indexOf("<ROWDATA>") + 9;
    return xml.mid(from, xml.indexOf("/>", from) + 2 - from);
}

int xmlError(const QByteArray& data) {
    try {
        XmlPacketReader::read(data);
    } catch (const VarnoError& e) {
        return e.code();
    }
    return 0;
}

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

} // namespace

class TestXmlPacket : public QObject {
    Q_OBJECT

private slots:
    void workedExampleByteForByte() {
        const QList<FieldDef> cols = {
            def("S1_Squadra", FieldKind::String, 3), def("S1_Data", FieldKind::DateTime),
            def("S1_Via", FieldKind::String, 17),    def("S3_TM_A1", FieldKind::Boolean),
            def("S9_Annotazioni", FieldKind::Memo),  def("S9_Foto", FieldKind::Blob)};
        const Dataset::Row row = {QByteArray("A12"),
                                  at(2009, 4, 23),
                                  QVariant(),
                                  true,
                                  QByteArray("Crepa d'angolo\r\nlato nord"),
                                  QByteArray("\x01\x02\x03\x04\x05")};
        const QByteArray expected =
            "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"S1_Squadra\" fieldtype=\"string\" WIDTH=\"3\"/>"
            "<FIELD attrname=\"S1_Data\" fieldtype=\"dateTime\"/>"
            "<FIELD attrname=\"S1_Via\" fieldtype=\"string\" WIDTH=\"17\"/>"
            "<FIELD attrname=\"S3_TM_A1\" fieldtype=\"boolean\"/>"
            "<FIELD attrname=\"S9_Annotazioni\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
            "<FIELD attrname=\"S9_Foto\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/>"
            "</FIELDS><PARAMS/></METADATA><ROWDATA>"
            "<ROW S1_Squadra=\"A12\" S1_Data=\"20090423\" S3_TM_A1=\"TRUE\" "
            "S9_Annotazioni=\"Crepa d&apos;angolo&#013;&#010;lato nord\" S9_Foto=\"AQIDBAU=\"/>"
            "</ROWDATA></DATAPACKET>";
        const DataPacket p = packetOf(cols, row);
        QCOMPARE(XmlPacketWriter::write(p), expected);
        // Read back, it is the same packet.
        QCOMPARE(XmlPacketReader::read(expected), p);
    }

    void formDocument() {
        auto ds = formDataset();
        newForm(*ds);
        const QByteArray xml = ds->xmlData();
        QVERIFY(xml.startsWith(
            "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA>"
            "<FIELDS><FIELD attrname=\"IdScheda\" fieldtype=\"i4\" readonly=\"true\" "
            "SUBTYPE=\"Autoinc\"/><FIELD attrname=\"CodiceRichiesta\" fieldtype=\"string\" "
            "WIDTH=\"9\"/>"));
        QVERIFY(xml.contains("<FIELD attrname=\"S9_Firma\" fieldtype=\"string\" WIDTH=\"255\"/></FIELDS>"
                             "<PARAMS AUTOINCVALUE=\"2\"/></METADATA><ROWDATA><ROW IdScheda=\"1\" "));
        QVERIFY(xml.endsWith(" S9_Firma=\"\"/></ROWDATA></DATAPACKET>"));
        QVERIFY(!xml.contains('\n'));
        QVERIFY(!xml.contains("RowState"));
        QVERIFY(xml.contains(" S1_Data=\"20090423\" "));
        QVERIFY(xml.contains(" S1_TipoIndirizzo=\"1\" "));
        QVERIFY(xml.contains(" S2_PianiInterrati=\"A\" "));
        QVERIFY(!xml.contains("S9_Annotazioni=")); // memo null
        QCOMPARE(xml.count("<FIELD "), 262);
    }

    void valueForms_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("text");
        const auto k = [](FieldKind f) { return int(f); };
        QTest::newRow("midnight") << k(FieldKind::DateTime) << QVariant(at(2009, 4, 23))
                                  << QByteArray("20090423");
        QTest::newRow("afternoon") << k(FieldKind::DateTime) << QVariant(at(2009, 4, 23, 12, 30, 45))
                                   << QByteArray("20090423T12:30:45000");
        QTest::newRow("milliseconds") << k(FieldKind::DateTime) << QVariant(at(2009, 4, 23, 9, 5, 7, 250))
                                      << QByteArray("20090423T09:05:07250");
        QTest::newRow("year 1") << k(FieldKind::DateTime) << QVariant(at(1, 1, 1)) << QByteArray("00010101");
        QTest::newRow("true") << k(FieldKind::Boolean) << QVariant(true) << QByteArray("TRUE");
        QTest::newRow("false") << k(FieldKind::Boolean) << QVariant(false) << QByteArray("FALSE");
        QTest::newRow("small -1") << k(FieldKind::SmallInt) << QVariant(-1) << QByteArray("-1");
        QTest::newRow("small min") << k(FieldKind::SmallInt) << QVariant(-32768) << QByteArray("-32768");
        QTest::newRow("integer 0") << k(FieldKind::Integer) << QVariant(0) << QByteArray("0");
        QTest::newRow("integer min") << k(FieldKind::Integer) << QVariant(-2147483647 - 1)
                                     << QByteArray("-2147483648");
        QTest::newRow("date") << k(FieldKind::Date) << QVariant(QDate(2009, 4, 23)) << QByteArray("20090423");
        QTest::newRow("time") << k(FieldKind::Time) << QVariant(QTime(12, 30, 45))
                              << QByteArray("12:30:45000");
        QTest::newRow("float") << k(FieldKind::Float) << QVariant(2.5) << QByteArray("2.5");
        QTest::newRow("large") << k(FieldKind::LargeInt) << QVariant(qlonglong(-9000000000LL))
                               << QByteArray("-9000000000");
        QTest::newRow("every escape") << k(FieldKind::String) << QVariant(QByteArray("<>&'\"\r\n\t\\"))
                                      << QByteArray("&lt;&gt;&amp;&apos;&quot;&#013;&#010;&#009;&#092;");
        QTest::newRow("high bytes copied")
            << k(FieldKind::String) << QVariant(QByteArray("Citt\xE0 \x80")) << QByteArray("Citt\xE0 \x80");
        QTest::newRow("trailing blanks dropped")
            << k(FieldKind::String) << QVariant(QByteArray("Via   ")) << QByteArray("Via");
        QTest::newRow("empty text") << k(FieldKind::String) << QVariant(QByteArray("")) << QByteArray("");
        QTest::newRow("blanks only") << k(FieldKind::String) << QVariant(QByteArray("   ")) << QByteArray("");
        QTest::newRow("memo two lines")
            << k(FieldKind::Memo) << QVariant(QByteArray("a\r\nb")) << QByteArray("a&#013;&#010;b");
        QTest::newRow("picture 3 bytes")
            << k(FieldKind::Graphic) << QVariant(QByteArray("abc")) << QByteArray("YWJj");
        QTest::newRow("picture 5 bytes")
            << k(FieldKind::Blob) << QVariant(QByteArray("\x01\x02\x03\x04\x05")) << QByteArray("AQIDBAU=");
        QTest::newRow("wide text") << k(FieldKind::WideString) << QVariant(QStringLiteral("è≠<"))
                                   << QByteArray("\xE8&#8800;&lt;");
    }

    void valueForms() {
        QFETCH(int, kind);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, text);
        const FieldDef col = def("F", FieldKind(kind), kind == int(FieldKind::String) ? 50 : 0);
        QCOMPARE(rowOf(col, value), "<ROW F=\"" + text + "\"/>");
        // The reader turns each text form back into the same value.
        const DataPacket back = XmlPacketReader::read(XmlPacketWriter::write(packetOf({col}, {value})));
        QCOMPARE(back, packetOf({col}, {value}));
    }

    void nullAndEmpty() {
        QCOMPARE(rowOf(def("F", FieldKind::String, 3), QVariant()), QByteArray("<ROW/>"));
        QCOMPARE(rowOf(def("F", FieldKind::Memo), QByteArray()), QByteArray("<ROW/>"));
        QCOMPARE(rowOf(def("F", FieldKind::String, 3), QByteArray("")), QByteArray("<ROW F=\"\"/>"));
        const DataPacket p = XmlPacketReader::read(XmlPacketWriter::write(packetOf(
            {def("A", FieldKind::String, 3), def("B", FieldKind::String, 3)}, {QVariant(), QByteArray("")})));
        QCOMPARE(p.rows[0].states[0], CellState::Null);
        QCOMPARE(p.rows[0].states[1], CellState::Value);
        QCOMPARE(p.rows[0].values[1].toByteArray(), QByteArray(""));
    }

    void base64Lengths() {
        const QByteArray big(100000, '\x7F');
        const QByteArray row = rowOf(def("F", FieldKind::Graphic), big);
        QCOMPARE(row.size(), qsizetype(133336 + 11));
        QVERIFY(!row.contains('\n'));
        QCOMPARE(
            XmlPacketReader::read(XmlPacketWriter::write(packetOf({def("F", FieldKind::Graphic)}, {big})))
                .rows[0]
                .values[0]
                .toByteArray(),
            big);
    }

    // The writer's own escaping and base64 give exactly what the plain Qt calls give, on every
    // byte value, on the lengths around the base64 padding, on text that is nothing but escapes,
    // and inside a whole document.
    void escapingAndBase64AgainstPlainQt() {
        auto plainEscaped = [](QByteArray b) {
            return b.replace('&', "&amp;")
                .replace('<', "&lt;")
                .replace('>', "&gt;")
                .replace('\'', "&apos;")
                .replace('"', "&quot;")
                .replace('\r', "&#013;")
                .replace('\n', "&#010;")
                .replace('\t', "&#009;")
                .replace('\\', "&#092;");
        };
        auto escaped = [](const QByteArray& b) {
            QByteArray out("x"); // appends after what is there
            XmlPacketWriter::appendEscaped(out, b.constData(), b.size());
            return out.mid(1);
        };
        auto base64 = [](const QByteArray& b) {
            QByteArray out("x");
            XmlPacketWriter::appendBase64(out, b.constData(), b.size());
            return out.mid(1);
        };
        QByteArray every;
        for (int c = 0; c < 256; ++c)
            every += char(c);
        QList<QByteArray> inputs = {QByteArray(),
                                    every,
                                    every + every,
                                    QByteArray("<>&'\"\r\n\t\\", 9).repeated(50),
                                    QByteArray("\x01\x02\x1f\x7f\x80\x9f\xe8\xff"),
                                    QByteArray("\0a\0", 3),
                                    QByteArray(70000, '&')};
        for (int n = 1; n <= 5; ++n)
            inputs << every.mid(250, n) << QByteArray(n, '\xff') << QByteArray(n, '\0');
        for (const QByteArray& in : inputs) {
            QCOMPARE(escaped(in), plainEscaped(in));
            QCOMPARE(base64(in), in.toBase64());
        }
        // In a document: a text and a memo of nothing but escapes, a picture of every byte.
        const QByteArray text = QByteArray("<>&'\"\t\\ab", 9).left(9);
        const QByteArray memo = QByteArray("\r\n&<", 4).repeated(3000);
        const QByteArray row = rowOf(def("F", FieldKind::String, 9), text);
        QCOMPARE(row, "<ROW F=\"" + plainEscaped(text) + "\"/>");
        QCOMPARE(rowOf(def("M", FieldKind::Memo), memo), "<ROW M=\"" + plainEscaped(memo) + "\"/>");
        QCOMPARE(rowOf(def("P", FieldKind::Graphic), every.repeated(3) + 'z'),
                 "<ROW P=\"" + (every.repeated(3) + 'z').toBase64() + "\"/>");
    }

    // Packets of datasets with other columns, one after another, each describe their own.
    void packetsOfDatasetsWithOtherColumns() {
        const QList<FieldDef> a = {def("A", FieldKind::String, 3), def("N", FieldKind::Integer)};
        const QList<FieldDef> b = {def("A", FieldKind::String, 5)};
        const DataPacket pa = packetOf(a, {QByteArray("xyz"), 4});
        const DataPacket pb = packetOf(b, {QByteArray("uvwxy")});
        const DataPacket pa2 = packetOf(a, {QByteArray("abc"), 5});
        QCOMPARE(pa.columns.size(), 2);
        QCOMPARE(pb.columns.size(), 1);
        QCOMPARE(pb.columns[0].property("WIDTH")->value.toULongLong(), 5ull);
        QCOMPARE(pa2.columns, pa.columns);
        QCOMPARE(pa2.columns[0].property("WIDTH")->value.toULongLong(), 3ull);
        QCOMPARE(pa2.rows[0].values[0].toByteArray(), QByteArray("abc"));
        // Their documents too, also for a list of as many columns that differs in one name only.
        const DataPacket pc =
            packetOf({def("A", FieldKind::String, 3), def("M", FieldKind::Integer)}, {QByteArray("xyz"), 4});
        const QByteArray xa = XmlPacketWriter::write(pa), xb = XmlPacketWriter::write(pb);
        const QByteArray xc = XmlPacketWriter::write(pc), xa2 = XmlPacketWriter::write(pa2);
        QVERIFY(xa.contains("<FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"3\"/><FIELD attrname=\"N\""));
        QVERIFY(xb.contains("<FIELDS><FIELD attrname=\"A\" fieldtype=\"string\" WIDTH=\"5\"/></FIELDS>"));
        QVERIFY(xb.contains("<ROW A=\"uvwxy\"/>"));
        QVERIFY(xc.contains("<FIELD attrname=\"M\" fieldtype=\"i4\"/>") &&
                xc.contains("<ROW A=\"xyz\" M=\"4\"/>"));
        QCOMPARE(xa2, QByteArray(xa).replace("A=\"xyz\" N=\"4\"", "A=\"abc\" N=\"5\""));
        // Opened one after another, each packet gives its own columns.
        Dataset scratch;
        DatasetPacket::open(scratch, pa);
        QCOMPARE(scratch.columns(), a);
        DatasetPacket::open(scratch, pb);
        QCOMPARE(scratch.columns(), b);
        QCOMPARE(scratch.fieldByName(QStringLiteral("A"))->asString(), QStringLiteral("uvwxy"));
        DatasetPacket::open(scratch, pc);
        QCOMPARE(scratch.columns().at(1).name, QStringLiteral("M"));
        DatasetPacket::open(scratch, pa2);
        QCOMPARE(scratch.columns(), a);
        QCOMPARE(scratch.fieldByName(QStringLiteral("N"))->asInteger(), 5);
    }

    // Metadata form files never carry: flags, altered names, PARAM elements, arrays, RowState.
    void otherPackets() {
        using namespace DataPacketType;
        DataPacket p;
        p.columns.append({"Via (nr)",
                          Text1,
                          DataPacketAttr::Hidden | DataPacketAttr::Required | DataPacketAttr::ReadOnly |
                              DataPacketAttr::LinkField,
                          {{"WIDTH", UInt2, QVariant::fromValue<quint64>(10)}}});
        p.columns.append({"Code",
                          make(Unsigned, 4),
                          0,
                          {{"MYPROP", Text2, QByteArray("a<b")},
                           {"LIMITS", make(Signed, 4, ArrayFlag) | 0x80000000u,
                            QVariantList{QVariant::fromValue<qint64>(-1), QVariant::fromValue<qint64>(7)}}}});
        p.columns.append({"Raw", make(Bytes, 4), 0, {}});
        p.properties.append({"LCID", Int4, QVariant::fromValue<qint64>(1040)});
        p.properties.append({"OWNER", make(Unsigned, 2), QVariant::fromValue<quint64>(65535)});
        PacketRow r;
        r.status = 4;
        r.values = {QByteArray("12 b"), QVariant::fromValue<quint64>(4000000000u), QByteArray("\0\1\2\3", 4)};
        r.states.fill(CellState::Value, 3);
        p.rows.append(r);

        const QByteArray xml = XmlPacketWriter::write(p);
        QVERIFY(xml.contains(
            "<FIELD fieldname=\"Via (nr)\" attrname=\"Via__nr_\" fieldtype=\"string\" "
            "readonly=\"true\" required=\"true\" hidden=\"true\" linkfield=\"true\" WIDTH=\"10\"/>"));
        QVERIFY(xml.contains(
            "<FIELD attrname=\"Code\" fieldtype=\"ui4\"><PARAM Name=\"MYPROP\" Value=\"a&lt;b\"/>"
            "<PARAM Name=\"LIMITS\" Value=\"-1 7\" Type=\"IntArray\" Roundtrip=\"True\"/></FIELD>"));
        QVERIFY(xml.contains("<FIELD attrname=\"Raw\" fieldtype=\"bin.hex\" WIDTH=\"4\"/>"));
        QVERIFY(xml.contains(
            "<PARAMS LCID=\"1040\"><PARAM Name=\"OWNER\" Value=\"65535\" Type=\"ui2\"/></PARAMS>"));
        QVERIFY(xml.contains("<ROW RowState=\"4\" Via__nr_=\"12 b\" Code=\"4000000000\" Raw=\"AAECAw==\"/>"));
        QCOMPARE(XmlPacketReader::read(xml), p);
    }

    void renderingFailures() {
        using namespace DataPacketType;
        DataPacket p;
        p.columns.append({"S", make(Structure, 0), 0, {}});
        try {
            XmlPacketWriter::write(p);
            QFAIL("structure rendered");
        } catch (const VarnoError& e) {
            QCOMPARE(e.code(), 16400);
            QCOMPARE(e.message(), QStringLiteral("Fieldtype not supported for XML."));
        }
        p.columns = {{"B", Blob4, 0, {}}};
        PacketRow r;
        r.values = {QVariant(100u)};
        r.states = {CellState::NotIncluded};
        p.rows = {r};
        try {
            XmlPacketWriter::write(p);
            QFAIL("delayed bytes rendered");
        } catch (const VarnoError& e) {
            QCOMPARE(e.code(), 16401);
            QCOMPARE(e.message(), QStringLiteral("Delayed fetching not supported for XML."));
        }
        p.rows.clear();
        p.columns = {{"RowState", Int4, 0, {}}};
        for (auto write : {&XmlPacketWriter::write, &BinaryPacketWriter::write}) {
            try {
                write(p);
                QFAIL("RowState column written");
            } catch (const VarnoError& e) {
                QCOMPARE(e.code(), 10756);
                QCOMPARE(e.message(), QStringLiteral("Operation not applicable."));
            }
        }
    }

    void readerAcceptsLaidOutAndUtf8() {
        const QByteArray doc = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                               "<DATAPACKET Version=\"2.0\">\n  <METADATA>\n    <FIELDS>\n"
                               "      <FIELD attrname=\"Via\" fieldtype=\"string\" WIDTH=\"20\" />\n"
                               "    </FIELDS>\n    <PARAMS />\n  </METADATA>\n  <!-- rows -->\n"
                               "  <ROWDATA>\n    <ROW Via='Citt\xC3\xA0 &#8364;'></ROW>\n  </ROWDATA>\n"
                               "</DATAPACKET>\n";
        const DataPacket p = XmlPacketReader::read(doc);
        QCOMPARE(p.rows[0].values[0].toByteArray(), QByteArray("Citt\xE0 \x80"));
    }

    void readerRejects_data() {
        QTest::addColumn<QByteArray>("doc");
        QTest::addColumn<int>("code");
        const QByteArray head =
            "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA>";
        const QByteArray field =
            "<FIELDS><FIELD attrname=\"A\" fieldtype=\"i2\"/></FIELDS><PARAMS/></METADATA>";
        QTest::newRow("no DATAPACKET") << QByteArray("<?xml version=\"1.0\"?><ROOT/>") << 16389;
        QTest::newRow("plain text") << QByteArray("just some words") << 16389;
        QTest::newRow("no METADATA") << QByteArray("<DATAPACKET><ROWDATA/></DATAPACKET>") << 16389;
        QTest::newRow("no column") << head + "<FIELDS></FIELDS><PARAMS/></METADATA><ROWDATA/></DATAPACKET>"
                                   << 16389;
        QTest::newRow("no end tag") << head + field + "<ROWDATA><ROW A=\"1\"/></ROWDATA>" << 16389;
        QTest::newRow("unquoted value")
            << head + field + "<ROWDATA><ROW A=1/></ROWDATA></DATAPACKET>" << 16389;
        QTest::newRow("bad number") << head + field + "<ROWDATA><ROW A=\"x1\"/></ROWDATA></DATAPACKET>"
                                    << 16389;
        QTest::newRow("bad entity") << head + field + "<ROWDATA><ROW A=\"&foo;\"/></ROWDATA></DATAPACKET>"
                                    << 16389;
        QTest::newRow("unknown fieldtype")
            << head +
                   "<FIELDS><FIELD attrname=\"A\" fieldtype=\"blob\"/></FIELDS><PARAMS/></METADATA><ROWDATA/>"
                   "</DATAPACKET>"
            << 10000;
        QTest::newRow("empty name")
            << head + "<FIELDS><FIELD attrname=\"\" fieldtype=\"i2\"/></FIELDS><PARAMS/></METADATA><ROWDATA/>"
                      "</DATAPACKET>"
            << 10038;
    }

    void readerRejects() {
        QFETCH(QByteArray, doc);
        QFETCH(int, code);
        QCOMPARE(xmlError(doc), code);
    }

    void cutAtEveryLength() {
        auto ds = formDataset();
        newForm(*ds);
        ds->fieldByName(QStringLiteral("S9_Annotazioni"))
            ->setValue(QByteArray("Crepa d'angolo\r\nlato nord"));
        ds->fieldByName(QStringLiteral("S9_Foto"))->setValue(QByteArray(200, '\x11'));
        ds->post();
        const QByteArray xml = ds->xmlData();
        for (qsizetype n = 0; n < xml.size(); ++n) {
            const QByteArray cut(xml.constData(), n);
            if (xmlError(cut) == 0)
                QFAIL(qPrintable(QStringLiteral("cut at %1 accepted").arg(n)));
        }
        QCOMPARE(xmlError(xml), 0);
    }

    // Rows of a few bytes that each make room for hundreds of columns: refused before the memory
    // runs out, while the same columns with a handful of rows still load.
    void rowsOutnumberingTheirBytesAreRefused() {
        QByteArray fields;
        for (int i = 0; i < 300; ++i)
            fields += "<FIELD attrname=\"C" + QByteArray::number(i) + "\" fieldtype=\"i4\"/>";
        auto packet = [&](int rows) {
            QByteArray xml =
                "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
                fields + "</FIELDS><PARAMS/></METADATA><ROWDATA>";
            for (int r = 0; r < rows; ++r)
                xml += "<ROW/>";
            return xml + "</ROWDATA></DATAPACKET>";
        };
        QCOMPARE(XmlPacketReader::read(packet(10)).rows.size(), 10);
        QCOMPARE(xmlError(packet(4000)), 16389);
    }

    // A number its column cannot hold is refused, naming the value and the field; the edges load.
    void integerOutOfRange() {
        auto doc = [](const char* type, const char* value) {
            return QByteArray(
                       "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA>"
                       "<FIELDS><FIELD attrname=\"S2_Piani\" fieldtype=\"") +
                   type + "\"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW S2_Piani=\"" + value +
                   "\"/></ROWDATA></DATAPACKET>";
        };
        auto message = [](const QByteArray& d) {
            try {
                XmlPacketReader::read(d);
            } catch (const VarnoError& e) {
                return e.message();
            }
            return QString();
        };
        QCOMPARE(message(doc("i2", "70000")),
                 QStringLiteral("'70000' is not a valid integer value for field 'S2_Piani'"));
        QCOMPARE(message(doc("i2", "-32769")),
                 QStringLiteral("'-32769' is not a valid integer value for field 'S2_Piani'"));
        QCOMPARE(XmlPacketReader::read(doc("i2", "-32768")).rows[0].values[0].toLongLong(), -32768);
        QCOMPARE(XmlPacketReader::read(doc("i2", "32767")).rows[0].values[0].toLongLong(), 32767);
        QVERIFY(!message(doc("i1", "128")).isEmpty());
        QVERIFY(!message(doc("ui2", "65536")).isEmpty());
        QCOMPARE(XmlPacketReader::read(doc("ui2", "65535")).rows[0].values[0].toULongLong(), 65535u);
        QVERIFY(!message(doc("i4", "2147483648")).isEmpty());
        QCOMPARE(XmlPacketReader::read(doc("i4", "-2147483648")).rows[0].values[0].toLongLong(),
                 Q_INT64_C(-2147483648));
        QCOMPARE(XmlPacketReader::read(doc("i8", "9000000000")).rows[0].values[0].toLongLong(),
                 Q_INT64_C(9000000000));
    }

    // A date and time with a fraction of a millisecond in a form file is sent truncated, not
    // rounded: 44.9996 seconds stay 44999.
    void fractionOfAMillisecondIsTruncated() {
        const QList<FieldDef> cols{def("S1_Data", FieldKind::DateTime)};
        DataPacket p = packetOf(cols, {at(2009, 4, 23, 12, 30, 45)});
        p.rows[0].values[0] = 63376173044999.6;
        Dataset ds;
        DatasetPacket::open(ds, BinaryPacketReader::read(BinaryPacketWriter::write(p)));
        QVERIFY2(ds.xmlData().contains("S1_Data=\"20090423T12:30:44999\""), ds.xmlData().constData());
    }

    // A text longer than its column's width loads cut to the width, so the form can be saved.
    void overlongTextIsCutOnLoad() {
        const QByteArray xml =
            "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"S1_Squadra\" fieldtype=\"string\" WIDTH=\"3\"/></FIELDS><PARAMS/>"
            "</METADATA><ROWDATA><ROW S1_Squadra=\"" +
            QByteArray(300, 'x') + "\"/></ROWDATA></DATAPACKET>";
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("lungo.xml"));
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(xml);
        f.close();
        Dataset ds;
        ds.loadFromFile(in);
        QCOMPARE(ds.fieldByName(QStringLiteral("S1_Squadra"))->asString(), QStringLiteral("xxx"));
        ds.saveToFile(dir.filePath(QStringLiteral("lungo.VARNO")));
        Dataset again;
        again.loadFromFile(dir.filePath(QStringLiteral("lungo.VARNO")));
        QCOMPARE(again.fieldByName(QStringLiteral("S1_Squadra"))->asString(), QStringLiteral("xxx"));
    }
};

QTEST_GUILESS_MAIN(TestXmlPacket)
#include "tst_xmlpacket.moc"
