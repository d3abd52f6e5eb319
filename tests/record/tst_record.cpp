#include "Cp1252.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "VarnoError.h"

#include <QSignalSpy>
#include <QTest>

class TestRecord : public QObject {
    Q_OBJECT

    // A dataset as the main window keeps it: persistent fields from the schema, the new-record
    // handler connected.
    static std::unique_ptr<Dataset> formDataset() {
        auto ds = std::make_unique<Dataset>(QStringLiteral("TblScheda"));
        ds->createFields(SchemaScheda());
        QObject::connect(ds.get(), &Dataset::newRecord, ds.get(), [](Dataset* d) { TblSchedaNewRecord(d); });
        return ds;
    }

    static void newForm(Dataset& ds) {
        ds.createDataSet();
        ds.append();
        ds.post();
    }

private slots:
    void schemaTotals() {
        const auto& s = SchemaScheda();
        QCOMPARE(s.size(), 262);
        QMap<FieldKind, int> count;
        int withDefault = 0;
        QSet<QString> names;
        for (const FieldDef& d : s) {
            ++count[d.kind];
            withDefault += d.defaultExpr.isEmpty() ? 0 : 1;
            names.insert(d.name);
            QVERIFY2(d.name.size() <= 29, qPrintable(d.name));
        }
        QCOMPARE(names.size(), 262);
        QCOMPARE(count[FieldKind::AutoInc], 1);
        QCOMPARE(count[FieldKind::String], 40);
        QCOMPARE(count[FieldKind::SmallInt], 36);
        QCOMPARE(count[FieldKind::Integer], 1);
        QCOMPARE(count[FieldKind::Boolean], 179);
        QCOMPARE(count[FieldKind::DateTime], 1);
        QCOMPARE(count[FieldKind::Memo], 2);
        QCOMPARE(count[FieldKind::Graphic], 1);
        QCOMPARE(count[FieldKind::Blob], 1);
        QCOMPARE(withDefault, 22);
        // A few positions that the files depend on.
        QCOMPARE(s[0].name, QStringLiteral("IdScheda"));
        QVERIFY(s[0].readOnly);
        QCOMPARE(s[4].name, QStringLiteral("S1_Data"));
        QCOMPARE(s[30].name, QStringLiteral("S1_FotocopiaAggregato"));
        QCOMPARE(s[78].name, QStringLiteral("S3_TM_F"));
        QCOMPARE(s[151].name, QStringLiteral("S4_PI_A1"));
        QCOMPARE(s[255].name, QStringLiteral("S8_NucleiFamiliariEvaquati"));
        QCOMPARE(s[261].name, QStringLiteral("S9_Firma"));
        QCOMPARE(s[261].size, 255);
    }

    void newRecordValues() {
        auto ds = formDataset();
        newForm(*ds);
        QCOMPARE(ds->recordCount(), 1);
        QCOMPARE(ds->fieldByName("IdScheda")->asInteger(), 1);
        QCOMPARE(ds->autoIncValue(), 2);
        QCOMPARE(ds->fieldByName("S1_Data")->asDateTime(),
                 QDateTime(QDate::currentDate(), QTime(0, 0), Qt::UTC));
        int booleans = 0;
        for (const auto& f : ds->fields()) {
            if (f->kind() == FieldKind::Boolean) {
                ++booleans;
                QVERIFY2(!f->isNull() && !f->asBoolean(), qPrintable(f->name()));
            }
        }
        QCOMPARE(booleans, 179);
        for (const char* n :
             {"S2_Occupanti", "S2_NUnitaUsoA", "S8_PIRapidoSuggerito_1", "S8_UnitaImmobiliariInagibili"}) {
            QVERIFY2(!ds->fieldByName(n)->isNull(), n);
            QCOMPARE(ds->fieldByName(n)->asInteger(), 0);
        }
        for (const char* n : {"S1_Squadra", "CodiceRichiesta", "S9_Firma", "S1_Via"}) {
            QVERIFY2(!ds->fieldByName(n)->isNull(), n);
            QCOMPARE(ds->fieldByName(n)->asString(), QString());
        }
        for (const char* n : {"S9_Argomento", "S9_Annotazioni", "S1_FotocopiaAggregato", "S9_Foto"})
            QVERIFY2(ds->fieldByName(n)->isNull(), n);
    }

    void defaultsKept_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");
        const QList<std::pair<const char*, QVariant>> rows = {
            {"S1_TipoIndirizzo", 1},      {"S1_TipoPosizione", 1},
            {"S2_NPianiTotali", 1},       {"S2_AltezzaMediaPiano", 2},
            {"S2_PianiInterrati", "A"},   {"S2_SuperficieMediaPiano", "C"},
            {"S2_EtaCostruzione", 1},     {"S2_EtaRistrutturazione", 1},
            {"S2_Utilizzazione", "A"},    {"S2_Proprieta", "B"},
            {"S3_RegolaritaPianta", "B"}, {"S3_RegolaritaTamponature", "B"},
            {"S3_Copertura", 1},          {"S7_MorfologiaSito", 1},
            {"S7_Dissesto", "A"},         {"S8_RischioSez_3_4", 1},
            {"S8_RischioSez_5", 1},       {"S8_RischioSez_6", 1},
            {"S8_RischioSez_7", 1},       {"S8_Esito", "A"},
            {"S8_AccuratezzaVisita", 3},  {"S8_TipoVisitaNonEseguita", "a"},
        };
        QCOMPARE(rows.size(), 22);
        for (const auto& [name, value] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << value;
    }

    void defaultsKept() {
        QFETCH(QString, field);
        QFETCH(QVariant, expected);
        auto ds = formDataset();
        newForm(*ds);
        Field* f = ds->fieldByName(field);
        QVERIFY(!f->def().defaultExpr.isEmpty());
        if (expected.typeId() == QMetaType::Int)
            QCOMPARE(f->asInteger(), expected.toInt());
        else
            QCOMPARE(f->asString(), expected.toString());
    }

    void stringsCutAndHeldAsCp1252() {
        auto ds = formDataset();
        newForm(*ds);
        Field* squadra = ds->fieldByName("S1_Squadra");
        squadra->setAsString(QStringLiteral("ABCD"));
        QCOMPARE(squadra->asString(), QStringLiteral("ABC"));
        QCOMPARE(ds->state(), Dataset::State::Edit);
        Field* via = ds->fieldByName("S1_Via");
        via->setAsString(QStringLiteral("Via Città €"));
        QCOMPARE(via->asBytes(), QByteArray("Via Citt\xE0 \x80"));
        QCOMPARE(via->asString(), QStringLiteral("Via Città €"));
        via->setAsString(QStringLiteral("   "));
        QCOMPARE(via->asString(), QStringLiteral("   ")); // trailing blanks are the file's business
        // The empty text is a value; null is distinct.
        via->setAsString(QString());
        QVERIFY(!via->isNull());
        via->clear();
        QVERIFY(via->isNull());
        // An empty memo is null.
        Field* memo = ds->fieldByName("S9_Argomento");
        memo->setAsString(QStringLiteral("riga 1\r\nriga 2"));
        QVERIFY(!memo->isNull());
        memo->setAsString(QString());
        QVERIFY(memo->isNull());
    }

    void integerRangeAndText() {
        auto ds = formDataset();
        newForm(*ds);
        Field* n = ds->fieldByName("S2_NUnitaUsoA");
        n->setAsString(QStringLiteral("-1"));
        QCOMPARE(n->asInteger(), -1);
        try {
            n->setAsString(QStringLiteral("40000"));
            QFAIL("40000 accepted in a small integer");
        } catch (const VarnoError& e) {
            QCOMPARE(e.message(), QStringLiteral("40000 is not a valid value for field 'S2_NUnitaUsoA'. "
                                                 "The allowed range is -32768 to 32767"));
        }
        QCOMPARE(n->asInteger(), -1);
        QVERIFY_THROWS_EXCEPTION(VarnoError, n->setAsString(QStringLiteral("12a")));
        n->setAsString(QString());
        QVERIFY(n->isNull());
        QVERIFY_THROWS_EXCEPTION(VarnoError, ds->fieldByName("IdScheda")->setValue(5));
    }

    void changeLogAndStates() {
        auto ds = formDataset();
        QCOMPARE(ds->state(), Dataset::State::Inactive);
        ds->createDataSet();
        QCOMPARE(ds->state(), Dataset::State::Browse);
        QCOMPARE(ds->changeCount(), 0);
        ds->append();
        QCOMPARE(ds->state(), Dataset::State::Insert);
        ds->post();
        QVERIFY(ds->changeCount() > 0);
        ds->mergeChangeLog();
        QCOMPARE(ds->changeCount(), 0);
        // An edit that changes nothing leaves the log empty; a real change fills it.
        ds->edit();
        ds->post();
        QCOMPARE(ds->changeCount(), 0);
        ds->fieldByName("S1_Comune")->setAsString(QStringLiteral("L'Aquila"));
        ds->checkBrowseMode();
        QCOMPARE(ds->changeCount(), 1);
        // Cancel brings the value back.
        ds->fieldByName("S1_Comune")->setAsString(QStringLiteral("Paganica"));
        ds->cancel();
        QCOMPARE(ds->fieldByName("S1_Comune")->asString(), QStringLiteral("L'Aquila"));
        ds->close();
        QVERIFY(!ds->active());
        QCOMPARE(ds->changeCount(), 0);
        QVERIFY(ds->fieldByName("S1_Comune")->isNull());
    }

    void signals_() {
        auto ds = formDataset();
        QSignalSpy state(ds.get(), &Dataset::stateChanged);
        QSignalSpy record(ds.get(), &Dataset::recordChanged);
        QSignalSpy field(ds.get(), &Dataset::fieldChanged);
        newForm(*ds);
        QVERIFY(state.count() >= 3);  // browse, insert, browse
        QVERIFY(record.count() >= 2); // opened, appended
        field.clear();
        ds->fieldByName("S1_Squadra")->setAsString(QStringLiteral("12"));
        QCOMPARE(field.count(), 1);
        QCOMPARE(field.first().at(1).toString(), QStringLiteral("S1_Squadra"));
        ds->fieldByName("S1_Squadra")->setAsString(QStringLiteral("12")); // same value: no signal
        QCOMPARE(field.count(), 1);
        record.clear();
        ds->close();
        QCOMPARE(record.count(), 1);
    }

    // Appending shows the record once, after its new-record initialisation: whoever redraws on
    // the record change sees the initialised values, never the empty ones first.
    void appendShowsTheInitialisedRecord() {
        auto ds = formDataset();
        ds->createDataSet();
        QStringList seen;
        connect(ds.get(), &Dataset::recordChanged, ds.get(), [&] {
            if (ds->recordCount() > 0)
                seen << (ds->fieldByName("S3_TM_A1")->isNull() ? QStringLiteral("null")
                                                               : ds->fieldByName("S3_TM_A1")->asString());
        });
        ds->append();
        QCOMPARE(seen, QStringList{QStringLiteral("False")});
    }

    // Look-ups by name find the first field of that name, in the fields of each opening.
    void fieldByNameFindsTheFirst() {
        Dataset scratch;
        scratch.open({FieldDef{QStringLiteral("Doppio"), FieldKind::Integer, 0, {}, false},
                      FieldDef{QStringLiteral("Doppio"), FieldKind::String, 3, {}, false}},
                     {Dataset::Row{7, QByteArray("abc")}}, 1);
        QCOMPARE(scratch.field(QStringLiteral("Doppio"))->kind(), FieldKind::Integer);
        QCOMPARE(scratch.field(QStringLiteral("Doppio"))->asInteger(), 7);
        scratch.open({FieldDef{QStringLiteral("Altro"), FieldKind::String, 3, {}, false}},
                     {Dataset::Row{QByteArray("xyz")}}, 1);
        QVERIFY(!scratch.field(QStringLiteral("Doppio")));
        Field* altro = scratch.fieldByName(QStringLiteral("Altro"));
        QCOMPARE(altro->asString(), QStringLiteral("xyz"));
        // Opened again on the same columns (file after file of a send): each field shows its
        // column of the new rows; on a column of another size it is a field of that size.
        scratch.open({FieldDef{QStringLiteral("Altro"), FieldKind::String, 3, {}, false}},
                     {Dataset::Row{QByteArray("uvw")}}, 1);
        QCOMPARE(scratch.fieldByName(QStringLiteral("Altro")), altro); // the same field object
        QCOMPARE(altro->asString(), QStringLiteral("uvw"));
        scratch.open({FieldDef{QStringLiteral("Altro"), FieldKind::String, 5, {}, false}},
                     {Dataset::Row{QByteArray("abcde")}}, 1);
        QCOMPARE(scratch.fieldByName(QStringLiteral("Altro"))->size(), 5);
        QCOMPARE(scratch.fieldByName(QStringLiteral("Altro"))->asString(), QStringLiteral("abcde"));
    }

    void schemaRestoredAfterOtherColumns() {
        auto ds = formDataset();
        // Filled from another packet: two columns of its own.
        ds->open({FieldDef{QStringLiteral("Altro"), FieldKind::Integer, 0, {}, false},
                  FieldDef{QStringLiteral("S1_Squadra"), FieldKind::String, 3, {}, false}},
                 {{7, QByteArray("X")}}, 5);
        QCOMPARE(ds->fieldByName("S1_Squadra")->asString(), QStringLiteral("X"));
        QVERIFY(!ds->fieldByName("S1_Data")->bound());
        QVERIFY(ds->fieldByName("S1_Data")->isNull());
        ds->close();
        newForm(*ds);
        QCOMPARE(ds->columns(), SchemaScheda());
        QCOMPARE(ds->fieldByName("IdScheda")->asInteger(), 1);
        QVERIFY(ds->fieldByName("S1_Data")->bound());
    }

    void scratchDatasetMakesItsOwnFields() {
        Dataset ds;
        ds.open({FieldDef{QStringLiteral("A"), FieldKind::Boolean, 0, {}, false}}, {{true}}, 1);
        QCOMPARE(int(ds.fields().size()), 1);
        QVERIFY(ds.fieldByName("A")->asBoolean());
        QVERIFY(ds.field("S1_Squadra") == nullptr);
    }

    void cp1252() {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QCOMPARE(Cp1252::encode(Cp1252::decode(all)), all);
        QCOMPARE(Cp1252::decode("\x80\x9C"), QStringLiteral("€œ"));
        QVERIFY(!Cp1252::canEncode(QChar(0x0100)));
        QCOMPARE(Cp1252::encode(QStringLiteral("aĀb")), QByteArray("a?b"));
        QCOMPARE(Cp1252::encode(QStringLiteral("\u20ac\u00e8\u0178z\u00ff")),
                 QByteArray("\x80\xe8\x9fz\xff"));
        // No text encodes as the null bytes, empty or not.
        QVERIFY(Cp1252::encode(QString()).isNull());
        QVERIFY(Cp1252::encode(QStringLiteral("")).isNull());
    }
};

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
