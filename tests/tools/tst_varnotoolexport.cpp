// varnotool export: the table read back by Python's csv module, cell by cell against what
// varnotool to-xml says of each form file.
#include "Cp1252.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "RunVarnotool.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <functional>

namespace {

using Table = QList<QStringList>;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A picture's bytes: the magic of its format, then bytes that need escaping in every encoding.
QByteArray jpeg() {
    QByteArray b("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    for (int i = 0; i < 3000; ++i)
        b.append(char(i * 7 % 256));
    return b;
}

QByteArray png() {
    QByteArray b("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR", 16);
    b.append(QByteArray(40, ';'));
    return b;
}

// A form file as Save writes it, after the given changes to a new form.
void scriviScheda(const QString& path, const std::function<void(Dataset&)>& fill) {
    Dataset ds(QStringLiteral("TblScheda"));
    ds.createFields(SchemaScheda());
    QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
    ds.createDataSet();
    ds.append();
    fill(ds);
    ds.post();
    ds.mergeChangeLog();
    ds.saveToFile(path);
}

void riempiTutto(Dataset& ds) {
    const auto f = [&ds](const char* name) { return ds.fieldByName(QLatin1String(name)); };
    f("S1_Squadra")->setAsString(QStringLiteral("A,1"));
    f("S1_SchedaN")->setAsString(QStringLiteral("0007"));
    f("S1_Data")->setValue(QDateTime(QDate(2009, 4, 23), QTime(12, 30, 45), Qt::UTC));
    f("S1_Via")->setAsString(QStringLiteral("Via \"Roma\"; 3"));
    f("S1_Comune")->setAsString(QStringLiteral("Perchè 5 € d'affitto"));
    f("S1_Provincia")->clear(); // null
    f("S1_Localita")->setAsString(QStringLiteral("  rientro; lato est"));
    f("S2_NUnitaUsoA")->setValue(-5);
    f("S2_Occupanti")->setValue(-123456);
    f("S3_TM_A1")->setValue(true);
    f("S8_Esito")->setAsString(QStringLiteral("E"));
    f("S9_Annotazioni")->setAsString(QStringLiteral("Crepa d'angolo\r\nlato nord; \"grave\"\nfine"));
    f("S9_Foto")->setValue(jpeg());
    f("S1_FotocopiaAggregato")->setValue(png());
}

void riempiSemplice(Dataset& ds) {
    ds.fieldByName(QStringLiteral("S1_Data"))->setValue(QDateTime(QDate(2010, 1, 2), QTime(0, 0), Qt::UTC));
    ds.fieldByName(QStringLiteral("S8_Esito"))->setAsString(QStringLiteral("A"));
    // Longer than the writer's buffer, so rows are handed on while the table is being written.
    ds.fieldByName(QStringLiteral("S9_Argomento"))
        ->setAsString(QStringLiteral("Lesione \"a croce\"; ").repeated(5000));
}

// The table as Python's csv module reads it (UTF-8 with its byte-order mark, strict quoting).
Table leggiCsv(const QString& path, const QString& separator) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        qWarning("python3 is needed to read the table back");
        return {};
    }
    QProcess p;
    p.start(python, {QStringLiteral("-c"),
                     QStringLiteral("import csv, json, sys\n"
                                    "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                    "    json.dump(list(csv.reader(f, delimiter=sys.argv[2], strict=True)),"
                                    " sys.stdout)\n"),
                     path, separator});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        qWarning("python3: %s", p.readAllStandardError().constData());
        return {};
    }
    Table rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(p.readAllStandardOutput()).array()) {
        QStringList cells;
        for (const QJsonValue& c : row.toArray())
            cells.append(c.toString());
        rows.append(cells);
    }
    return rows;
}

// What to-xml says of a form file, as the cells of the table should show it: the ROW attribute
// of each field in its table form. Pictures are left as their bytes (base64 decoded) in *pictures.
QStringList celleDaXml(const QString& dir, const QString& file, QHash<QString, QByteArray>* pictures) {
    const Run x = varnotool({QStringLiteral("to-xml"), file}, dir);
    if (x.status != 0)
        return {};
    QXmlStreamReader xml(Cp1252::decode(x.out));
    QHash<QString, QString> types, values;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"FIELD") {
            const QString type = a.value(QLatin1String("fieldtype")).toString();
            types.insert(a.value(QLatin1String("attrname")).toString(),
                         type == u"bin.hex" ? type + u'/' + a.value(QLatin1String("SUBTYPE")).toString()
                                            : type);
        } else if (xml.name() == u"ROW") {
            for (const QXmlStreamAttribute& at : a)
                values.insert(at.name().toString(), at.value().toString());
        }
    }
    if (xml.hasError())
        return {};
    QStringList cells;
    for (const FieldDef& f : SchemaScheda()) {
        if (!values.contains(f.name)) {
            cells.append(QString()); // null
            continue;
        }
        const QString v = values.value(f.name);
        const QString type = types.value(f.name);
        if (type == u"boolean") {
            cells.append(v == u"TRUE" ? QStringLiteral("1") : QStringLiteral("0"));
        } else if (type == u"dateTime") {
            // 20090423 or 20090423T12:30:45000
            QString s = v.left(4) + u'-' + v.mid(4, 2) + u'-' + v.mid(6, 2);
            if (v.size() > 8) {
                s += u' ' + v.mid(9, 6) + v.mid(15, 2);
                if (v.mid(17) != u"000")
                    s += u'.' + v.mid(17);
            }
            cells.append(s);
        } else if (type == u"bin.hex/Graphics" || type == u"bin.hex/Binary") {
            const QByteArray bytes = QByteArray::fromBase64(v.toLatin1());
            pictures->insert(f.name, bytes);
            cells.append(QStringLiteral("<picture>"));
        } else {
            cells.append(v); // numbers, texts and memos as they are
        }
    }
    return cells;
}

qsizetype conta(const QString& text, const QString& what) {
    return text.count(what);
}

} // namespace

class TestVarnotoolExport : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& rel) const { return m_dir->filePath(rel); }

    // The rows of a table against to-xml of each file, in order; picture cells by format and size.
    void confronta(const Table& t, const QStringList& files) {
        QStringList header{QStringLiteral("File"), QStringLiteral("Cartella")};
        for (const FieldDef& f : SchemaScheda())
            header.append(f.name);
        QVERIFY(!t.isEmpty());
        QCOMPARE(t.first(), header);
        QCOMPARE(t.size(), files.size() + 1);
        for (qsizetype r = 0; r < files.size(); ++r) {
            QHash<QString, QByteArray> pictures;
            QStringList expected = celleDaXml(m_dir->path(), files[r], &pictures);
            QCOMPARE(expected.size(), SchemaScheda().size());
            expected.prepend(QFileInfo(path(files[r])).absoluteDir().dirName());
            expected.prepend(QFileInfo(files[r]).fileName());
            for (qsizetype c = 0; c < header.size(); ++c) {
                if (expected[c] == u"<picture>") {
                    const QByteArray bytes = pictures.value(header[c]);
                    expected[c] =
                        (bytes.startsWith("\xFF\xD8") ? QStringLiteral("JPEG ") : QStringLiteral("PNG ")) +
                        QString::number(bytes.size());
                }
                if (t[r + 1].value(c) != expected[c])
                    qWarning() << files[r] << header[c] << t[r + 1].value(c) << expected[c];
                QCOMPARE(t[r + 1].value(c), expected[c]);
            }
        }
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("DaInviare")));
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("Inviati")));
    }

    void everyKindOfValueAsToXmlSaysIt() {
        // b is made before a: the folder's rows come by name, not in the order the disk keeps.
        scriviScheda(path(QStringLiteral("DaInviare/b.VARNO")), riempiSemplice);
        scriviScheda(path(QStringLiteral("DaInviare/a.VARNO")), riempiTutto);
        scriviScheda(path(QStringLiteral("Inviati/c.VARNO")), [](Dataset& ds) {
            riempiSemplice(ds);
            ds.fieldByName(QStringLiteral("S1_Data"))
                ->setValue(QDateTime(QDate(2009, 4, 6), QTime(9, 5, 7, 250), Qt::UTC));
        });
        writeFile(path(QStringLiteral("DaInviare/note.txt")), "not a form");
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("DaInviare/sotto.VARNO")));
        scriviScheda(path(QStringLiteral("DaInviare/sotto.VARNO/d.VARNO")), riempiSemplice);

        const QStringList args{QStringLiteral("export"), QStringLiteral("Inviati/c.VARNO"),
                               QStringLiteral("DaInviare")};
        const Run r = varnotool(args + QStringList{QStringLiteral("--out"), QStringLiteral("tabella.csv")},
                                m_dir->path());
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.isEmpty());
        const QByteArray raw = readAll(path(QStringLiteral("tabella.csv")));
        QVERIFY(raw.startsWith("\xEF\xBB\xBF"));

        const Table t = leggiCsv(path(QStringLiteral("tabella.csv")), QStringLiteral(";"));
        const QStringList files{QStringLiteral("Inviati/c.VARNO"), QStringLiteral("DaInviare/a.VARNO"),
                                QStringLiteral("DaInviare/b.VARNO")};
        confronta(t, files);
        // The cells that show what each kind becomes, spelt out.
        const QStringList& a = t[2];
        const auto cell = [&](const char* name) { return a.value(t[0].indexOf(QLatin1String(name))); };
        QCOMPARE(cell("S1_Comune"), QStringLiteral("Perchè 5 € d'affitto"));
        QCOMPARE(cell("S1_Data"), QStringLiteral("2009-04-23 12:30:45"));
        QCOMPARE(t[1].value(t[0].indexOf(QStringLiteral("S1_Data"))),
                 QStringLiteral("2009-04-06 09:05:07.250"));
        QCOMPARE(t[3].value(t[0].indexOf(QStringLiteral("S1_Data"))), QStringLiteral("2010-01-02"));
        QCOMPARE(cell("S2_Occupanti"), QStringLiteral("-123456"));
        QCOMPARE(cell("S3_TM_A1"), QStringLiteral("1"));
        QCOMPARE(cell("S3_TM_A2"), QStringLiteral("0"));
        QCOMPARE(cell("S9_Foto"), QStringLiteral("JPEG 3011"));
        QCOMPARE(cell("S1_Provincia"), QString());

        // Every record ends with CR LF; the only other line breaks are those inside the memo.
        qsizetype inside = 0;
        for (const QStringList& row : t)
            for (const QString& c : row)
                inside += conta(c, QStringLiteral("\r\n"));
        QCOMPARE(QString::fromUtf8(raw).count(QStringLiteral("\r\n")), t.size() + inside);
        QVERIFY(raw.endsWith("\r\n"));

        // Standard output carries the same bytes; another separator reads back to the same cells.
        const Run s = varnotool(args, m_dir->path());
        QCOMPARE(s.status, 0);
        QCOMPARE(s.out, raw);
        const Run comma =
            varnotool(args + QStringList{QStringLiteral("--separator"), QStringLiteral(",")}, m_dir->path());
        QCOMPARE(comma.status, 0);
        QVERIFY(comma.out.contains("\"A,1\""));
        writeFile(path(QStringLiteral("virgola.csv")), comma.out);
        QCOMPARE(leggiCsv(path(QStringLiteral("virgola.csv")), QStringLiteral(",")), t);
    }

    void damagedFileAmongGoodOnes() {
        scriviScheda(path(QStringLiteral("DaInviare/a.VARNO")), riempiTutto);
        scriviScheda(path(QStringLiteral("DaInviare/c.VARNO")), riempiSemplice);
        writeFile(path(QStringLiteral("DaInviare/b.VARNO")),
                  readAll(path(QStringLiteral("DaInviare/a.VARNO"))).left(4000));
        writeFile(path(QStringLiteral("DaInviare/vuota.VARNO")), QByteArray());
        {
            Dataset none; // a packet of the form's columns and no record
            none.createFields(SchemaScheda());
            none.createDataSet();
            none.saveToFile(path(QStringLiteral("DaInviare/senza.VARNO")));
        }
        writeFile(path(QStringLiteral("tabella.csv")), "earlier table");

        const Run r =
            varnotool({QStringLiteral("export"), QStringLiteral("--out"), QStringLiteral("tabella.csv"),
                       QStringLiteral("DaInviare"), QStringLiteral("manca.VARNO")},
                      m_dir->path());
        QCOMPARE(r.status, 1);
        // Each file left out is named with the reason the loader gives, as check reports it.
        const Run check = varnotool({QStringLiteral("check"), QStringLiteral("DaInviare/b.VARNO"),
                                     QStringLiteral("DaInviare/vuota.VARNO"), QStringLiteral("manca.VARNO")},
                                    m_dir->path());
        QList<QByteArray> lines = check.out.split('\n');
        lines.insert(1, "DaInviare/senza.VARNO: il file non contiene alcuna scheda");
        QCOMPARE(r.err, lines.join('\n'));
        QVERIFY(r.err.contains("manca.VARNO: Cannot open file"));
        confronta(leggiCsv(path(QStringLiteral("tabella.csv")), QStringLiteral(";")),
                  {QStringLiteral("DaInviare/a.VARNO"), QStringLiteral("DaInviare/c.VARNO")});

        QCOMPARE(varnotool({QStringLiteral("export"), QStringLiteral("DaInviare/senza.VARNO")}, m_dir->path())
                     .status,
                 1);

        // An output that cannot take the table is an error, not a success.
        QProcess p;
        p.setWorkingDirectory(m_dir->path());
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(VARNOTOOL), {QStringLiteral("export"), QStringLiteral("DaInviare/a.VARNO")});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(), QByteArray("Impossibile scrivere sull'uscita standard\n"));
    }

    void picturesAsStored() {
        QByteArray legacy("\x01\x00\x00\x01", 4); // 8-byte header kept by old forms before a picture
        const QByteArray picture = png();
        const quint32 n = quint32(picture.size());
        legacy.append(char(n & 0xFF))
            .append(char(n >> 8 & 0xFF))
            .append(char(n >> 16 & 0xFF))
            .append(char(n >> 24));
        scriviScheda(path(QStringLiteral("DaInviare/Sq12_n0007_(05-03-2009).VARNO")), riempiTutto);
        scriviScheda(path(QStringLiteral("Inviati/Sq12_n0007_(05-03-2009).VARNO")), [&](Dataset& ds) {
            ds.fieldByName(QStringLiteral("S9_Foto"))->setValue(legacy + picture);
            ds.fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(png() + "altra");
        });
        const Run r =
            varnotool({QStringLiteral("export"), QStringLiteral("--pictures"), QStringLiteral("foto"),
                       QStringLiteral("DaInviare"), QStringLiteral("Inviati")},
                      m_dir->path());
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.status, 0);
        const QStringList written = QDir(path(QStringLiteral("foto"))).entryList(QDir::Files, QDir::Name);
        // The same form in two folders: the second picture of a name gets "_2", the first stays.
        QCOMPARE(written, QStringList({QStringLiteral("Sq12_n0007_(05-03-2009)_S1_FotocopiaAggregato.png"),
                                       QStringLiteral("Sq12_n0007_(05-03-2009)_S1_FotocopiaAggregato_2.png"),
                                       QStringLiteral("Sq12_n0007_(05-03-2009)_S9_Foto.jpg"),
                                       QStringLiteral("Sq12_n0007_(05-03-2009)_S9_Foto.png")}));
        const auto foto = [&](const char* name) {
            return readAll(path(QStringLiteral("foto/Sq12_n0007_(05-03-2009)_%1").arg(QLatin1String(name))));
        };
        QCOMPARE(foto("S9_Foto.jpg"), jpeg());
        QCOMPARE(foto("S1_FotocopiaAggregato.png"), png());
        QCOMPARE(foto("S1_FotocopiaAggregato_2.png"), png() + "altra");
        // The old header is not part of the picture: the file opens as the PNG it holds.
        QCOMPARE(foto("S9_Foto.png"), picture);
        QVERIFY(r.out.contains(";PNG " + QByteArray::number(picture.size()) + ";"));
    }

    void wrongUse() {
        scriviScheda(path(QStringLiteral("DaInviare/a.VARNO")), riempiSemplice);
        const QByteArray form = readAll(path(QStringLiteral("DaInviare/a.VARNO")));
        writeFile(path(QStringLiteral("scheda.xml")), "<DATAPACKET/>"); // any name may hold a form
        for (const QStringList& args :
             {QStringList{QStringLiteral("export")},
              QStringList{QStringLiteral("export"), QStringLiteral("--separator"), QStringLiteral("\""),
                          QStringLiteral("DaInviare")},
              QStringList{QStringLiteral("export"), QStringLiteral("--separator"), QStringLiteral(";;"),
                          QStringLiteral("DaInviare")},
              QStringList{QStringLiteral("export"), QStringLiteral("--out"),
                          QStringLiteral("DaInviare/a.VARNO"), QStringLiteral("DaInviare")},
              QStringList{QStringLiteral("export"), QStringLiteral("--out"), QStringLiteral("./scheda.xml"),
                          QStringLiteral("scheda.xml")},
              QStringList{QStringLiteral("export"), QStringLiteral("--colonne"),
                          QStringLiteral("DaInviare")}}) {
            const Run r = varnotool(args, m_dir->path());
            QCOMPARE(r.status, 2);
            QVERIFY(r.out.isEmpty());
        }
        // A table never takes the place of a form.
        QCOMPARE(readAll(path(QStringLiteral("DaInviare/a.VARNO"))), form);
        QCOMPARE(readAll(path(QStringLiteral("scheda.xml"))), QByteArray("<DATAPACKET/>"));
    }
};

QTEST_GUILESS_MAIN(TestVarnotoolExport)
#include "tst_varnotoolexport.moc"
