#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "TabellaPagina3.h"

#include <QSet>
#include <QTest>

namespace {

const FieldDef* schemaField(const QString& name) {
    for (const FieldDef& d : SchemaScheda())
        if (d.name == name)
            return &d;
    return nullptr;
}

const ControlDef* controlOf(const QList<ControlDef>& table, const QString& field) {
    for (const ControlDef& s : table)
        if (s.field == field)
            return &s;
    return nullptr;
}

QStringList descriptions(const ControlDef& s) {
    QStringList d;
    for (const ControlItem& i : s.items)
        d << i.caption;
    return d;
}

QVariantList values(const ControlDef& s) {
    QVariantList v;
    for (const ControlItem& i : s.items)
        v << i.value;
    return v;
}

} // namespace

class TestTabellaPagina3 : public QObject {
    Q_OBJECT

    QList<ControlDef> table = TabellaPagina3();

    void checkControl(const QString& field, ControlKind kind, const QRect& rect, int tab) {
        const ControlDef* s = controlOf(table, field);
        QVERIFY2(s, qPrintable(field));
        QVERIFY2(s->kind == kind, qPrintable(field));
        QCOMPARE(s->rect, rect);
        QCOMPARE(s->tabOrder, tab);
    }

private slots:
    void everyControlInPlace_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("tab");
        auto row = [](const char* f, ControlKind k, QRect r, int tab) {
            QTest::newRow(f) << QString::fromLatin1(f) << int(k) << r << tab;
        };
        using K = ControlKind;
        row("S1_IstatProv", K::Label, QRect(120, 23, 57, 21), -1);
        row("S1_IstatComune", K::Label, QRect(290, 23, 57, 21), -1);
        row("S1_Squadra", K::Label, QRect(450, 23, 44, 21), -1);
        row("S1_SchedaN", K::Label, QRect(583, 23, 98, 21), -1);
        row("S1_Data", K::Label, QRect(732, 23, 130, 21), -1);
        row("S8_RischioSez_3_4", K::RadioGroup, QRect(194, 216, 29, 121), 0);
        row("S8_RischioSez_5", K::RadioGroup, QRect(242, 216, 29, 121), 1);
        row("S8_RischioSez_6", K::RadioGroup, QRect(290, 216, 29, 121), 2);
        row("S8_RischioSez_7", K::RadioGroup, QRect(338, 216, 29, 121), 3);
        row("S8_Esito", K::RadioGroup, QRect(844, 112, 29, 279), 4);
        row("S8_AccuratezzaVisita", K::ChoiceBox, QRect(150, 442, 121, 0), 5);
        row("S8_TipoVisitaNonEseguita", K::ChoiceBox, QRect(277, 442, 121, 0), 6);
        row("S8_VisitaNonEseguitaAltro", K::Edit, QRect(404, 443, 466, 19), 7);
        row("S8_PIRapidoSuggerito_1", K::ChoiceBox, QRect(30, 543, 59, 0), 8);
        row("S8_PIRapidoSuggerito_2", K::ChoiceBox, QRect(30, 566, 59, 0), 9);
        row("S8_PIRapidoSuggerito_3", K::ChoiceBox, QRect(30, 588, 59, 0), 10);
        row("S8_PIRapidoSuggerito_4", K::ChoiceBox, QRect(30, 611, 59, 0), 11);
        row("S8_PIRapidoSuggerito_5", K::ChoiceBox, QRect(30, 633, 59, 0), 12);
        row("S8_PIRapidoSuggerito_6", K::ChoiceBox, QRect(30, 656, 59, 0), 13);
        row("S8_PIRapidoSuggerito_7", K::ChoiceBox, QRect(470, 544, 59, 0), 14);
        row("S8_PIRapidoSuggerito_8", K::ChoiceBox, QRect(470, 566, 59, 0), 15);
        row("S8_PIRapidoSuggerito_9", K::ChoiceBox, QRect(470, 588, 59, 0), 16);
        row("S8_PIRapidoSuggerito_10", K::ChoiceBox, QRect(470, 611, 59, 0), 17);
        row("S8_PIRapidoSuggerito_11", K::ChoiceBox, QRect(470, 633, 59, 0), 18);
        row("S8_PIRapidoSuggerito_12", K::ChoiceBox, QRect(470, 656, 59, 0), 19);
        row("S8_PIRapidoSuggeritoDes_11", K::Edit, QRect(540, 634, 330, 19), 20);
        row("S8_PIRapidoSuggeritoDes_12", K::Edit, QRect(540, 659, 330, 19), 21);
        row("S8_UnitaImmobiliariInagibili", K::SpinEdit, QRect(216, 714, 55, 0), 22);
        row("S8_NucleiFamiliariEvaquati", K::SpinEdit, QRect(508, 714, 55, 0), 23);
        row("S8_NumeroPersoneEvaquate", K::SpinEdit, QRect(792, 714, 78, 0), 24);
        row("S9_Argomento", K::Memo, QRect(16, 842, 101, 363), 25);
        row("S9_Annotazioni", K::Memo, QRect(128, 842, 385, 363), 26);
        row("S9_Foto", K::Picture, QRect(519, 842, 351, 363), 27);
        row("S9_Compilatore", K::Edit, QRect(194, 1243, 300, 19), 28);
        row("S9_Firma", K::Edit, QRect(540, 1243, 317, 19), 29);
    }
    void everyControlInPlace() {
        QFETCH(QString, field);
        QFETCH(int, kind);
        QFETCH(QRect, rect);
        QFETCH(int, tab);
        checkControl(field, ControlKind(kind), rect, tab);
    }

    // The page holds these 35 controls and nothing else, all on the page's second data source,
    // each field bound once, every field of sections 8 and 9 bound.
    void wholePage() {
        QCOMPARE(table.size(), 35);
        QSet<QString> bound;
        for (const ControlDef& s : table) {
            QVERIFY2(!bound.contains(s.field), qPrintable(s.field));
            bound.insert(s.field);
            QCOMPARE(s.dataSource, 2);
            QVERIFY(s.visible);
            QVERIFY(!s.readOnly);
            QVERIFY2(s.name.isEmpty() || s.name == DefaultControlName(s), qPrintable(s.field));
        }
        QSet<QString> sections;
        for (const FieldDef& d : SchemaScheda())
            if (d.name.startsWith(QLatin1String("S8_")) || d.name.startsWith(QLatin1String("S9_")))
                sections.insert(d.name);
        QCOMPARE(sections.size(), 30);
        const QSet<QString> header = {"S1_IstatProv", "S1_IstatComune", "S1_Squadra", "S1_SchedaN",
                                      "S1_Data"};
        QCOMPARE(bound, sections + header);
    }

    // Tab positions 0 to 29, each once; the header labels take none. Positions follow the
    // listing order, so the stacking order and the tab order agree.
    void tabOrder() {
        QList<int> tabs;
        for (const ControlDef& s : table) {
            if (s.kind == ControlKind::Label)
                QCOMPARE(s.tabOrder, -1);
            else
                tabs << s.tabOrder;
        }
        QCOMPARE(tabs.size(), 30);
        for (int i = 0; i < tabs.size(); ++i)
            QCOMPARE(tabs[i], i);
    }

    // Each control can hold the kind of field it is bound to.
    void kindsFitFields() {
        for (const ControlDef& s : table) {
            const FieldDef* d = schemaField(s.field);
            QVERIFY2(d, qPrintable(s.field));
            bool fits = false;
            switch (s.kind) {
            case ControlKind::Label:
                fits = true;
                break;
            case ControlKind::Edit:
                fits = d->kind == FieldKind::String || d->kind == FieldKind::SmallInt ||
                       d->kind == FieldKind::Integer;
                break;
            case ControlKind::RadioGroup:
                fits = d->kind == FieldKind::SmallInt || d->kind == FieldKind::Boolean ||
                       (d->kind == FieldKind::String && d->size == 1);
                break;
            case ControlKind::ChoiceBox:
                fits = d->kind == FieldKind::SmallInt || d->kind == FieldKind::String;
                break;
            case ControlKind::SpinEdit:
                fits = d->kind == FieldKind::SmallInt;
                break;
            case ControlKind::Memo:
                fits = d->kind == FieldKind::Memo;
                break;
            case ControlKind::Picture:
                fits = d->kind == FieldKind::Graphic || d->kind == FieldKind::Blob;
                break;
            default:
                break;
            }
            QVERIFY2(fits, qPrintable(s.field));
            // Every item value can be stored in the field unchanged.
            for (const ControlItem& i : s.items) {
                if (d->kind == FieldKind::String) {
                    QCOMPARE(i.value.typeId(), int(QMetaType::QString));
                    QVERIFY(i.value.toString().size() <= d->size);
                } else {
                    QCOMPARE(i.value.typeId(), int(QMetaType::Int));
                }
            }
        }
    }

    // Controls lie on the page and apart from one another.
    void noOverlaps() {
        const QRect page(0, 0, 900, 1292);
        for (int i = 0; i < table.size(); ++i) {
            const QRect a = EffectiveRect(table[i]);
            QVERIFY2(page.contains(a), qPrintable(table[i].field));
            for (int j = i + 1; j < table.size(); ++j)
                QVERIFY2(!a.intersects(EffectiveRect(table[j])),
                         qPrintable(table[i].field + u' ' + table[j].field));
        }
    }

    void radioGroups() {
        for (const char* f : {"S8_RischioSez_3_4", "S8_RischioSez_5", "S8_RischioSez_6", "S8_RischioSez_7"}) {
            const ControlDef* s = controlOf(table, QString::fromLatin1(f));
            QVERIFY(s);
            QCOMPARE(values(*s), QVariantList({1, 2, 3}));
            QCOMPARE(descriptions(*s), QStringList({"", "", ""}));
            QCOMPARE(s->columns, 1);
            QVERIFY(s->transparent);
            QVERIFY(!s->bold);
            // One button in each of the rows low, low with measures, high, about 40 pixels apart.
            const RadioLayout l = RadioGroupLayout(3, s->columns);
            QCOMPARE(l.rows, 3);
            QCOMPARE(RadioCell(l, s->rect.size(), 1).top(), 40);
        }
        const ControlDef* esito = controlOf(table, QStringLiteral("S8_Esito"));
        QVERIFY(esito);
        QCOMPARE(values(*esito), QVariantList({"A", "B", "C", "D", "E", "F"}));
        QCOMPARE(descriptions(*esito), QStringList({"", "", "", "", "", ""}));
        QCOMPARE(esito->columns, 1);
        QVERIFY(esito->transparent);
        // Every button falls in the printed square of its row (x 838-876).
        const RadioLayout l = RadioGroupLayout(6, 1);
        for (int i = 0; i < 6; ++i) {
            const QRect cell = RadioCell(l, esito->rect.size(), i).translated(esito->rect.topLeft());
            QVERIFY(cell.left() >= 838 && cell.left() + 13 <= 876);
            QCOMPARE(cell.height() >= 46, true);
        }
    }

    void choiceItems() {
        const ControlDef* acc = controlOf(table, QStringLiteral("S8_AccuratezzaVisita"));
        QVERIFY(acc);
        QCOMPARE(descriptions(*acc), QStringList({"1 Solo dall'esterno", "2 Parziale", "3 Completa (> 2/3)",
                                                  "4 Non eseguito per:"}));
        QCOMPARE(values(*acc), QVariantList({1, 2, 3, 4}));

        const ControlDef* tipo = controlOf(table, QStringLiteral("S8_TipoVisitaNonEseguita"));
        QVERIFY(tipo);
        QCOMPARE(descriptions(*tipo),
                 QStringList({"a - Sopralluogo Rifiutato (SR)", "b - Rudere (RU)", "c - Demolito (DM)",
                              "d - Proprietario non trovato (NT)", "e - Altro (AL)"}));
        QCOMPARE(values(*tipo), QVariantList({"SR", "RU", "DM", "NT", "AL"}));

        for (int n = 1; n <= 12; ++n) {
            const ControlDef* m = controlOf(table, QStringLiteral("S8_PIRapidoSuggerito_%1").arg(n));
            QVERIFY(m);
            QCOMPARE(descriptions(*m), QStringList({"", "Limitati", "Estesi"}));
            QCOMPARE(values(*m), QVariantList({0, 1, 2}));
        }
    }

    // A new form: all risks low, outcome A, accuracy "3 Completa (> 2/3)", no reason, every
    // measure on its empty item, counters at 0, texts empty, no photograph.
    void newFormDisplay() {
        Dataset ds(QStringLiteral("TblScheda"));
        ds.createFields(SchemaScheda());
        QObject::connect(&ds, &Dataset::newRecord, &ds, [](Dataset* d) { TblSchedaNewRecord(d); });
        ds.createDataSet();
        ds.append();
        ds.post();
        auto value = [&](const QString& f) { return ds.value(ds.columnIndex(f)); };
        auto shown = [&](const QString& f) {
            const ControlDef* s = controlOf(table, f);
            return s ? MatchItem(s->items, value(f)) : -2;
        };
        for (const char* f : {"S8_RischioSez_3_4", "S8_RischioSez_5", "S8_RischioSez_6", "S8_RischioSez_7"})
            QCOMPARE(shown(QString::fromLatin1(f)), 0);
        QCOMPARE(shown(QStringLiteral("S8_Esito")), 0);
        QCOMPARE(
            controlOf(table, QStringLiteral("S8_AccuratezzaVisita"))->items[shown("S8_AccuratezzaVisita")].caption,
            QStringLiteral("3 Completa (> 2/3)"));
        // The lower-case default "a" is none of the reasons: the box shows empty text.
        QCOMPARE(value(QStringLiteral("S8_TipoVisitaNonEseguita")).toByteArray(), QByteArray("a"));
        QCOMPARE(shown(QStringLiteral("S8_TipoVisitaNonEseguita")), -1);
        for (int n = 1; n <= 12; ++n) {
            const QString f = QStringLiteral("S8_PIRapidoSuggerito_%1").arg(n);
            QCOMPARE(value(f).toInt(), 0);
            QCOMPARE(shown(f), 0);
        }
        for (const char* f :
             {"S8_UnitaImmobiliariInagibili", "S8_NucleiFamiliariEvaquati", "S8_NumeroPersoneEvaquate"})
            QCOMPARE(value(QString::fromLatin1(f)), QVariant(0));
        for (const char* f :
             {"S8_VisitaNonEseguitaAltro", "S8_PIRapidoSuggeritoDes_11", "S8_PIRapidoSuggeritoDes_12",
              "S9_Compilatore", "S9_Firma", "S9_Argomento", "S9_Annotazioni"})
            QVERIFY2(value(QString::fromLatin1(f)).toByteArray().isEmpty(), f);
        QVERIFY(!value(QStringLiteral("S9_Foto")).isValid());
    }

    // Stored values that match no item show no selection; case counts.
    void unmatchedValuesShowNothing() {
        const ControlDef* tipo = controlOf(table, QStringLiteral("S8_TipoVisitaNonEseguita"));
        QCOMPARE(MatchItem(tipo->items, QVariant(QByteArray("sr"))), -1);
        QCOMPARE(MatchItem(tipo->items, QVariant(QByteArray("SR"))), 0);
        QCOMPARE(MatchItem(tipo->items, QVariant(QByteArray("AL"))), 4);
        const ControlDef* esito = controlOf(table, QStringLiteral("S8_Esito"));
        QCOMPARE(MatchItem(esito->items, QVariant(QByteArray("a"))), -1);
        QCOMPARE(MatchItem(esito->items, QVariant(QByteArray("F"))), 5);
        const ControlDef* rischio = controlOf(table, QStringLiteral("S8_RischioSez_6"));
        QCOMPARE(MatchItem(rischio->items, QVariant(0)), -1);
        QCOMPARE(MatchItem(rischio->items, QVariant(4)), -1);
        QCOMPARE(MatchItem(rischio->items, QVariant()), -1);
        const ControlDef* misura = controlOf(table, QStringLiteral("S8_PIRapidoSuggerito_12"));
        QCOMPARE(MatchItem(misura->items, QVariant(3)), -1);
        QCOMPARE(MatchItem(misura->items, QVariant(2)), 2);
    }

    // Once chosen, a reason can be changed but not cleared: no reason item is empty. A measure
    // goes back to 0 through its empty item, and one field per row means a measure is either
    // limited or extended, never both.
    void reasonAndMeasures() {
        const ControlDef* tipo = controlOf(table, QStringLiteral("S8_TipoVisitaNonEseguita"));
        for (const ControlItem& i : tipo->items) {
            QVERIFY(!i.caption.isEmpty());
            QVERIFY(!i.value.toString().isEmpty());
        }
        for (int n = 1; n <= 12; ++n) {
            const ControlDef* m = controlOf(table, QStringLiteral("S8_PIRapidoSuggerito_%1").arg(n));
            QCOMPARE(m->items.first().caption, QString());
            QCOMPARE(m->items.first().value, QVariant(0));
        }
    }

    // Counters: upper bounds 99, 99 and 999 and no lower one; the edits take at most the
    // 255 characters of their fields, the memos any length.
    void limits() {
        QCOMPARE(controlOf(table, QStringLiteral("S8_UnitaImmobiliariInagibili"))->maxValue, 99);
        QCOMPARE(controlOf(table, QStringLiteral("S8_NucleiFamiliariEvaquati"))->maxValue, 99);
        QCOMPARE(controlOf(table, QStringLiteral("S8_NumeroPersoneEvaquate"))->maxValue, 999);
        for (const ControlDef& s : table) {
            if (s.kind == ControlKind::Edit) {
                const int limit = s.maxLength >= 0 ? s.maxLength : schemaField(s.field)->size;
                QCOMPARE(limit, 255);
            }
            if (s.kind == ControlKind::Memo)
                QCOMPARE(schemaField(s.field)->size, 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestTabellaPagina3)
#include "tst_tabellapagina3.moc"
