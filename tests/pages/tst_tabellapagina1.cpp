#include "FieldDef.h"
#include "TabellaPagina1.h"

#include <QTest>

// The page-1 table checked against the printed page's list of controls, line by line.
class TestTabellaPagina1 : public QObject {
    Q_OBJECT

    const QList<ControlDef> table = TabellaPagina1();

    const ControlDef* find(const QString& field) const {
        for (const ControlDef& s : table)
            if (s.field == field)
                return &s;
        return nullptr;
    }

private slots:
    void controls_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("source");
        // tab field kind x y w h (0 = single line) data source
        const char* rows = R"(
0 CodiceRichiesta E 680 148 193 19 1
1 S1_Squadra E 472 208 39 19 1
2 S1_SchedaN E 608 208 52 19 1
3 S1_Data D 734 207 139 0 1
4 S1_IstatReg E 424 272 57 19 1
5 S1_IstatProv E 504 272 57 19 1
6 S1_IstatComune E 600 272 60 19 1
7 S1_NAggregato E 680 272 105 19 1
8 S1_NEdificio E 808 272 65 19 1
9 S1_CodLocIstat E 560 317 89 19 1
10 S1_TipoCarta E 760 317 113 19 1
11 S1_SezCensIstat E 560 342 65 19 1
12 S1_NCarta E 760 342 89 19 2
13 S1_Foglio E 560 373 65 19 2
14 S1_Allegato E 688 373 41 19 2
15 S1_Particelle E 488 398 385 19 2
16 S1_Provincia E 128 208 257 19 2
17 S1_Comune E 128 240 257 19 2
18 S1_Localita E 128 272 257 19 2
19 S1_Via E 112 317 273 19 2
20 S1_NumeroCivico E 296 342 89 19 2
21 S1_TipoIndirizzo R 15 295 26 133 2
22 S1_TipoAltro E 112 380 273 19 2
23 S1_CoordinataE E 128 423 201 19 2
24 S1_CoordinataN E 128 446 201 19 2
25 S1_Fuso E 352 446 33 19 2
26 S1_TipoPosizione R 491 428 403 33 2
27 S1_DenominazioneEdificio E 155 483 630 19 2
28 S1_CodiceUso E 823 483 37 19 2
29 S2_NPianiTotali R 7 1049 84 223 2
30 S2_AltezzaMediaPiano R 106 1049 29 123 2
31 S2_PianiInterrati R 102 1208 101 69 2
32 S2_SuperficieMediaPiano R 206 1049 208 230 2
33 S2_EtaCostruzione C 408 1066 81 0 2
34 S2_EtaRistrutturazione C 408 1130 81 0 2
35 S2_NUnitaUsoA E 607 1043 46 19 2
36 S2_NUnitaUsoB E 607 1067 46 19 2
37 S2_NUnitaUsoC E 607 1093 46 19 2
38 S2_NUnitaUsoD E 607 1118 46 19 2
39 S2_NUnitaUsoE E 607 1144 46 19 2
40 S2_NUnitaUsoF E 607 1170 46 19 2
41 S2_NUnitaUsoG E 607 1197 46 19 2
42 S2_NUnitaUsoH E 607 1223 46 19 2
43 S2_Utilizzazione R 685 1050 29 200 2
44 S2_Proprieta R 683 1240 232 30 2
45 S2_Occupanti E 794 1033 74 19 2
46 S1_FotocopiaAggregato P 15 544 858 397 2
)";
        const QHash<QString, ControlKind> kinds = {{"E", ControlKind::Edit},
                                                   {"D", ControlKind::DateEdit},
                                                   {"R", ControlKind::RadioGroup},
                                                   {"C", ControlKind::ChoiceBox},
                                                   {"P", ControlKind::Picture}};
        for (const QString& line : QString::fromLatin1(rows).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u' ');
            QTest::newRow(qPrintable(f[1]))
                << f[0].toInt() << f[1] << int(kinds.value(f[2]))
                << QRect(f[3].toInt(), f[4].toInt(), f[5].toInt(), f[6].toInt()) << f[7].toInt();
        }
    }

    void controls() {
        QFETCH(int, tab);
        QFETCH(QString, field);
        QFETCH(int, kind);
        QFETCH(QRect, rect);
        QFETCH(int, source);
        const ControlDef* s = find(field);
        QVERIFY(s);
        QCOMPARE(s->tabOrder, tab);
        QCOMPARE(int(s->kind), kind);
        QCOMPARE(s->rect, rect);
        QCOMPARE(s->dataSource, source);
        QVERIFY(s->visible);
    }

    void everyBoundFieldOnceWithItsSize() {
        QSet<QString> seen;
        QList<int> tabs;
        for (const ControlDef& s : table) {
            if (s.field.isEmpty())
                continue;
            QVERIFY2(!seen.contains(s.field), qPrintable(s.field));
            seen.insert(s.field);
            tabs << s.tabOrder;
            const auto& schema = SchemaScheda();
            const auto def = std::find_if(schema.begin(), schema.end(),
                                          [&](const FieldDef& d) { return d.name == s.field; });
            QVERIFY2(def != schema.end(), qPrintable(s.field));
            QVERIFY2(def->name.startsWith(u"S1_") || def->name.startsWith(u"S2_") ||
                         def->name == u"CodiceRichiesta",
                     qPrintable(s.field));
            // A string edit takes at most the field's size; the default -1 stands for it.
            if (s.kind == ControlKind::Edit)
                QCOMPARE(s.maxLength, -1);
        }
        QCOMPARE(seen.size(), 47);
        std::sort(tabs.begin(), tabs.end());
        for (int i = 0; i < tabs.size(); ++i)
            QCOMPARE(tabs[i], i);
        // Every field of sections 1 and 2 has its control.
        for (const FieldDef& d : SchemaScheda())
            if (d.name.startsWith(u"S1_") || d.name.startsWith(u"S2_"))
                QVERIFY2(seen.contains(d.name), qPrintable(d.name));
    }

    void radioGroups() {
        const ControlDef* storeys = find(QStringLiteral("S2_NPianiTotali"));
        QCOMPARE(storeys->items.size(), 13);
        QCOMPARE(storeys->items.last().caption, QStringLiteral(">12"));
        QCOMPARE(storeys->items.last().value, QVariant(13));
        QVERIFY(!storeys->transparent);
        QVERIFY(storeys->bold);
        const RadioLayout l = RadioGroupLayout(13, storeys->columns);
        QCOMPARE(l.rows, 7);
        QCOMPARE(l.columnOf(7), 1); // "8" heads the right column

        QStringList area;
        for (const ControlItem& i : find(QStringLiteral("S2_SuperficieMediaPiano"))->items)
            area << i.value.toString();
        QCOMPARE(area.join(QString()), QStringLiteral("ABCDEFGHILMNOPQR"));
        QCOMPARE(RadioGroupLayout(16, 2).rows, 8);

        const ControlDef* basements = find(QStringLiteral("S2_PianiInterrati"));
        QCOMPARE(RadioGroupLayout(4, basements->columns).rows, 2);
        const ControlDef* position = find(QStringLiteral("S1_TipoPosizione"));
        QCOMPARE(position->items.size(), 4);
        QCOMPARE(RadioGroupLayout(4, position->columns).columns, 4);
        QCOMPARE(find(QStringLiteral("S2_Proprieta"))->items.size(), 2);
        QCOMPARE(find(QStringLiteral("S2_Utilizzazione"))->items.size(), 7);
        for (const char* f :
             {"S1_TipoIndirizzo", "S1_TipoPosizione", "S2_AltezzaMediaPiano", "S2_PianiInterrati",
              "S2_SuperficieMediaPiano", "S2_Utilizzazione", "S2_Proprieta"}) {
            const ControlDef* g = find(QString::fromLatin1(f));
            QVERIFY2(g->transparent, f);
            for (const ControlItem& i : g->items)
                QVERIFY2(i.caption.isEmpty(), f);
        }
    }

    void choiceBoxDescriptionsExactly() {
        for (const char* f : {"S2_EtaCostruzione", "S2_EtaRistrutturazione"}) {
            const ControlDef* s = find(QString::fromLatin1(f));
            QCOMPARE(s->items.size(), 8);
            QCOMPARE(s->items[0].caption, QStringLiteral("fino al 1919 "));
            QCOMPARE(s->items[1].caption, QStringLiteral("dal 1919  al 1945"));
            QCOMPARE(s->items[7].caption, QStringLiteral("dal 2002 in poi"));
            for (int i = 0; i < 8; ++i)
                QCOMPARE(s->items[i].value, QVariant(i + 1));
            QCOMPARE(MatchItem(s->items, QVariant(0)), -1); // a stored 0 shows empty
        }
    }

    void invisibleDecoder() {
        const auto it = std::find_if(table.begin(), table.end(),
                                     [](const ControlDef& s) { return s.kind == ControlKind::WebImage; });
        QVERIFY(it != table.end());
        QCOMPARE(it->rect, QRect(360, 898, 100, 100));
        QVERIFY(!it->visible);
        QCOMPARE(it->tabOrder, -1);
    }
};

QTEST_GUILESS_MAIN(TestTabellaPagina1)
#include "tst_tabellapagina1.moc"
