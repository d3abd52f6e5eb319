#include "FieldDef.h"
#include "TabellaPagina2.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

struct Expected {
    QString field;
    QRect rect;
    int tab;
};

// One grid as the printed page lays it out: column edges, row tops, the first tab position and
// the cells that have no box; cells are counted column by column.
QList<Expected> Grid(const QString& prefix, const QString& letters, const QList<int>& xs,
                     const QList<int>& ys, int firstTab, const QStringList& missing = {}) {
    QList<Expected> cells;
    int tab = firstTab;
    for (int c = 0; c < letters.size(); ++c)
        for (int r = 0; r < ys.size(); ++r) {
            const QString cell = letters[c] + QString::number(r + 1);
            if (!missing.contains(cell))
                cells.append({prefix + cell, QRect(xs[c], ys[r], 20, 17), tab++});
        }
    return cells;
}

void Override(QList<Expected>& cells, const QString& field, const QRect& rect) {
    for (Expected& e : cells)
        if (e.field == field)
            e.rect = rect;
}

// Every check box of the page, with the boxes that differ from their grid.
QList<Expected> ExpectedCheckBoxes() {
    QList<Expected> all =
        Grid("S3_TM_", "ABCDE", {306, 349, 402, 456, 509}, {244, 276, 307, 339, 369, 401}, 0);
    all += Grid("S3_TM_", "GH", {584, 618}, {244, 307, 369}, 30);
    all += {{"S3_AS_TelaiCA", QRect(852, 112, 20, 17), 37},
            {"S3_AS_ParetiCA", QRect(852, 136, 22, 17), 38},
            {"S3_AS_TelaiAcciaio", QRect(852, 160, 20, 17), 39}};

    QList<Expected> danno =
        Grid("S4_Danno_", "ABCDEFGHIL", {182, 216, 249, 289, 318, 352, 393, 425, 462, 498},
             {601, 622, 646, 667, 690, 714}, 43);
    Override(danno, "S4_Danno_A4", QRect(181, 667, 20, 17));
    Override(danno, "S4_Danno_L1", QRect(498, 601, 21, 17));
    all += danno;

    QList<Expected> pi =
        Grid("S4_PI_", "ABCDEF", {545, 599, 651, 703, 755, 809}, {601, 622, 646, 667, 690}, 103, {"C5"});
    Override(pi, "S4_PI_A1", QRect(545, 601, 19, 17));
    Override(pi, "S4_PI_E1", QRect(755, 599, 20, 17));
    all += pi;

    QList<Expected> s5 = Grid("S5_", "ABCDEFG", {329, 401, 471, 543, 613, 683, 755},
                              {887, 906, 926, 945, 965, 985}, 132, {"C5", "C6", "D5", "D6"});
    Override(s5, "S5_C3", QRect(473, 926, 20, 17));
    Override(s5, "S5_C4", QRect(472, 945, 20, 17));
    Override(s5, "S5_D3", QRect(543, 926, 20, 14));
    all += s5;

    all += Grid("S6_", "ABCDE", {289, 366, 441, 540, 642}, {1123, 1142}, 170);
    all += {{"S7_DissestoVersantiIncombenti", QRect(576, 1209, 20, 17), 182},
            {"S7_DissestoTerrenoFondazione", QRect(730, 1209, 20, 17), 183}};
    return all;
}

const ControlDef* Find(const QList<ControlDef>& table, const QString& field) {
    for (const ControlDef& s : table)
        if (s.field == field)
            return &s;
    return nullptr;
}

int IndexOf(const QList<ControlDef>& table, const QString& field) {
    for (int i = 0; i < table.size(); ++i)
        if (table[i].field == field)
            return i;
    return -1;
}

const FieldDef* Def(const QString& name) {
    for (const FieldDef& d : SchemaScheda())
        if (d.name == name)
            return &d;
    return nullptr;
}

// The value a new record gives a field: its default expression, or false for a Boolean.
QVariant NewFormValue(const FieldDef& d) {
    if (d.kind == FieldKind::Boolean)
        return false;
    if (d.defaultExpr.startsWith(u'\''))
        return d.defaultExpr.mid(1, d.defaultExpr.size() - 2);
    return d.defaultExpr.toInt();
}

} // namespace

class TstTabellaPagina2 : public QObject {
    Q_OBJECT

private slots:
    void headerLabels();
    void checkBoxes_data();
    void checkBoxes();
    void missingCells();
    void radioGroups();
    void radioItems();
    void radioButtonsOnTheirPrintedCells();
    void tabOrder();
    void fieldsOfTheSectionsBoundOnce();
    void boundFieldsFitTheirControls();
    void newFormSelectsTheDefaults();
    void unmatchedValuesSelectNothing();
    void overlapsAndStacking();
    void hiddenPushButton();

private:
    const QList<ControlDef> m_table = TabellaPagina2();
};

void TstTabellaPagina2::headerLabels() {
    const QList<Expected> labels = {{"S1_IstatProv", QRect(119, 19, 57, 21), -1},
                                    {"S1_IstatComune", QRect(289, 19, 57, 21), -1},
                                    {"S1_Squadra", QRect(449, 19, 44, 21), -1},
                                    {"S1_SchedaN", QRect(582, 19, 98, 21), -1},
                                    {"S1_Data", QRect(731, 19, 130, 21), -1}};
    int count = 0;
    for (const ControlDef& s : m_table)
        count += s.kind == ControlKind::Label;
    QCOMPARE(count, 5);
    for (const Expected& e : labels) {
        const ControlDef* s = Find(m_table, e.field);
        QVERIFY2(s, qPrintable(e.field));
        QCOMPARE(s->kind, ControlKind::Label);
        QCOMPARE(s->rect, e.rect);
        QCOMPARE(s->tabOrder, -1);
        QVERIFY(s->visible);
    }
}

void TstTabellaPagina2::checkBoxes_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("tab");
    for (const Expected& e : ExpectedCheckBoxes())
        QTest::newRow(qPrintable(e.field)) << e.field << e.rect << e.tab;
}

void TstTabellaPagina2::checkBoxes() {
    QFETCH(QString, field);
    QFETCH(QRect, rect);
    QFETCH(int, tab);
    const ControlDef* s = Find(m_table, field);
    QVERIFY(s);
    QCOMPARE(s->kind, ControlKind::CheckBox);
    QCOMPARE(s->rect, rect);
    QCOMPARE(s->tabOrder, tab);
    QVERIFY(s->visible);
    QVERIFY(!s->readOnly);
}

void TstTabellaPagina2::missingCells() {
    int checks = 0;
    for (const ControlDef& s : m_table)
        checks += s.kind == ControlKind::CheckBox;
    QCOMPARE(checks, ExpectedCheckBoxes().size());
    QCOMPARE(checks, 36 + 3 + 60 + 29 + 38 + 10 + 2);

    // No measure in row 6 of section 4, no box in C5 of its measures, nor in C/D rows 5-6 of
    // section 5; columns G and H of the typology grid have one box per pair of rows.
    for (const char* f : {"S4_PI_C5", "S4_PI_A6", "S4_PI_F6", "S5_C5", "S5_C6", "S5_D5", "S5_D6", "S3_TM_G4",
                          "S3_TM_H6", "S3_TM_F1"})
        QVERIFY2(!Find(m_table, QString::fromLatin1(f)), f);
    for (const ControlDef& s : m_table)
        QVERIFY2(!s.field.startsWith("S4_PI_") || !s.field.endsWith(u'6'), qPrintable(s.field));
}

void TstTabellaPagina2::radioGroups() {
    struct Group {
        QString field;
        QRect rect;
        int tab;
        int columns;
    };
    const QList<Group> groups = {{"S3_TM_F", QRect(544, 219, 29, 208), 36, 1},
                                 {"S3_RegolaritaPianta", QRect(781, 228, 138, 33), 40, 2},
                                 {"S3_RegolaritaTamponature", QRect(785, 262, 129, 33), 41, 2},
                                 {"S3_Copertura", QRect(699, 319, 30, 118), 42, 1},
                                 {"S7_MorfologiaSito", QRect(15, 1213, 430, 45), 180, 4},
                                 {"S7_Dissesto", QRect(413, 1221, 487, 29), 181, 4}};
    int count = 0;
    for (const ControlDef& s : m_table)
        count += s.kind == ControlKind::RadioGroup;
    QCOMPARE(count, groups.size());
    for (const Group& g : groups) {
        const ControlDef* s = Find(m_table, g.field);
        QVERIFY2(s, qPrintable(g.field));
        QCOMPARE(s->kind, ControlKind::RadioGroup);
        QCOMPARE(s->rect, g.rect);
        QCOMPARE(s->tabOrder, g.tab);
        QCOMPARE(s->columns, g.columns);
        QVERIFY(s->transparent);
        QVERIFY(!s->bold);
    }
}

void TstTabellaPagina2::radioItems() {
    auto check = [&](const QString& field, const QList<ControlItem>& expected) {
        const ControlDef* s = Find(m_table, field);
        QVERIFY(s);
        QCOMPARE(s->items.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(s->items[i].caption, expected[i].caption);
            // Same value and same type: a Boolean item is not the text "True".
            QCOMPARE(s->items[i].value.typeId(), expected[i].value.typeId());
            QCOMPARE(s->items[i].value, expected[i].value);
        }
    };
    check("S3_TM_F", {{{}, true}, {{}, false}});
    check("S3_RegolaritaPianta", {{{}, QString("A")}, {{}, QString("B")}});
    check("S3_RegolaritaTamponature", {{{}, QString("A")}, {{}, QString("B")}});
    check("S3_Copertura", {{{}, 1}, {{}, 2}, {{}, 3}, {{}, 4}});
    check("S7_MorfologiaSito",
          {{"1 Cresta", 1}, {"2 Pendio Forte", 2}, {"3 Pendio Leggero", 3}, {"4 Pianura", 4}});
    check("S7_Dissesto", {{"A Assenti", QString("A")},
                          {"B Generati dal sisma", QString("B")},
                          {"C Acuiti dal sisma", QString("C")},
                          {"D Preesistenti", QString("D")}});
}

void TstTabellaPagina2::radioButtonsOnTheirPrintedCells() {
    auto cellOf = [&](const QString& field, int item) {
        const ControlDef* s = Find(m_table, field);
        const QRect c = RadioCell(RadioGroupLayout(int(s->items.size()), s->columns), s->rect.size(), item);
        return c.translated(s->rect.topLeft());
    };
    // Column F: yes beside rows 1-3 (244 to 323), no beside rows 4-6 (339 to 417).
    QVERIFY(cellOf("S3_TM_F", 0).center().y() > 244 && cellOf("S3_TM_F", 0).center().y() < 339);
    QVERIFY(cellOf("S3_TM_F", 1).center().y() > 323 && cellOf("S3_TM_F", 1).center().y() < 418);
    // Regularity: A left, B right, one row each.
    for (const char* f : {"S3_RegolaritaPianta", "S3_RegolaritaTamponature"}) {
        QCOMPARE(cellOf(f, 0).top(), cellOf(f, 1).top());
        QVERIFY(cellOf(f, 0).right() < cellOf(f, 1).left());
    }
    QVERIFY(cellOf("S3_RegolaritaPianta", 0).bottom() < cellOf("S3_RegolaritaTamponature", 0).top());
    // Roof and section 7: one row per item, one column per item, in order.
    for (int i = 1; i < 4; ++i) {
        QVERIFY(cellOf("S3_Copertura", i - 1).bottom() < cellOf("S3_Copertura", i).top());
        QCOMPARE(cellOf("S3_Copertura", i).left(), 699);
        for (const char* f : {"S7_MorfologiaSito", "S7_Dissesto"}) {
            QVERIFY(cellOf(f, i - 1).right() < cellOf(f, i).left());
            QCOMPARE(cellOf(f, i).top(), cellOf(f, 0).top());
        }
    }
}

void TstTabellaPagina2::tabOrder() {
    QList<int> tabs;
    int bound = 0;
    for (const ControlDef& s : m_table) {
        if (!s.field.isEmpty())
            ++bound;
        if (s.tabOrder >= 0) {
            QVERIFY2(!s.field.isEmpty(), "only bound controls take a tab position");
            tabs.append(s.tabOrder);
        }
    }
    QCOMPARE(bound, 189);
    std::sort(tabs.begin(), tabs.end());
    QCOMPARE(tabs.size(), 184);
    for (int i = 0; i < tabs.size(); ++i)
        QCOMPARE(tabs[i], i);

    // The radio groups and the section 7 boxes between the grids.
    QCOMPARE(Find(m_table, "S3_TM_H3")->tabOrder, 35);
    QCOMPARE(Find(m_table, "S4_Danno_L6")->tabOrder, 102);
    QCOMPARE(Find(m_table, "S4_PI_C4")->tabOrder, 116);
    QCOMPARE(Find(m_table, "S4_PI_D1")->tabOrder, 117);
    QCOMPARE(Find(m_table, "S5_D4")->tabOrder, 151);
    QCOMPARE(Find(m_table, "S5_E1")->tabOrder, 152);
    QCOMPARE(Find(m_table, "S6_E2")->tabOrder, 179);
}

void TstTabellaPagina2::fieldsOfTheSectionsBoundOnce() {
    QHash<QString, int> uses;
    for (const ControlDef& s : m_table)
        if (!s.field.isEmpty())
            ++uses[s.field];
    const QRegularExpression sections("^S[3-7]_");
    int sectionFields = 0;
    for (const FieldDef& d : SchemaScheda()) {
        if (!sections.match(d.name).hasMatch())
            continue;
        ++sectionFields;
        QVERIFY2(uses.value(d.name) == 1, qPrintable(d.name));
    }
    QCOMPARE(sectionFields, 184);
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        QVERIFY2(it.value() == 1, qPrintable(it.key()));
}

void TstTabellaPagina2::boundFieldsFitTheirControls() {
    for (const ControlDef& s : m_table) {
        if (s.field.isEmpty())
            continue;
        const FieldDef* d = Def(s.field);
        QVERIFY2(d, qPrintable(s.field));
        QCOMPARE(s.dataSource, 1); // the page has one data source
        switch (s.kind) {
        case ControlKind::CheckBox:
            QVERIFY2(d->kind == FieldKind::Boolean, qPrintable(s.field));
            break;
        case ControlKind::RadioGroup:
            for (const ControlItem& item : s.items) {
                if (d->kind == FieldKind::Boolean)
                    QCOMPARE(item.value.typeId(), QMetaType::Bool);
                else if (d->kind == FieldKind::SmallInt)
                    QCOMPARE(item.value.typeId(), QMetaType::Int);
                else if (d->kind == FieldKind::String)
                    QVERIFY(item.value.typeId() == QMetaType::QString &&
                            item.value.toString().size() <= d->size);
                else
                    QFAIL(qPrintable(s.field));
            }
            break;
        case ControlKind::Label:
            QVERIFY(s.field.startsWith("S1_"));
            break;
        default:
            QFAIL(qPrintable(s.field));
        }
    }
}

void TstTabellaPagina2::newFormSelectsTheDefaults() {
    // A new form: column F on no, regularity on B, roof 1, morphology ridge, instabilities absent.
    const QList<QPair<QString, int>> selected = {
        {"S3_TM_F", 1},      {"S3_RegolaritaPianta", 1}, {"S3_RegolaritaTamponature", 1},
        {"S3_Copertura", 0}, {"S7_MorfologiaSito", 0},   {"S7_Dissesto", 0}};
    for (const auto& [field, item] : selected)
        QCOMPARE(MatchItem(Find(m_table, field)->items, NewFormValue(*Def(field))), item);
}

void TstTabellaPagina2::unmatchedValuesSelectNothing() {
    QCOMPARE(MatchItem(Find(m_table, "S3_Copertura")->items, QVariant()), -1);
    QCOMPARE(MatchItem(Find(m_table, "S3_Copertura")->items, 0), -1);
    QCOMPARE(MatchItem(Find(m_table, "S3_Copertura")->items, 5), -1);
    QCOMPARE(MatchItem(Find(m_table, "S3_RegolaritaPianta")->items, QString("a")), -1);
    QCOMPARE(MatchItem(Find(m_table, "S7_Dissesto")->items, QString("E")), -1);
    QCOMPARE(MatchItem(Find(m_table, "S7_Dissesto")->items, QByteArray("D")), 3);
    QCOMPARE(MatchItem(Find(m_table, "S3_TM_F")->items, QVariant()), -1);
    QCOMPARE(MatchItem(Find(m_table, "S3_TM_F")->items, true), 0);
}

void TstTabellaPagina2::overlapsAndStacking() {
    // The only overlapping controls are those of section 7, and later ones lie on top.
    QSet<QString> pairs;
    for (int i = 0; i < m_table.size(); ++i)
        for (int j = i + 1; j < m_table.size(); ++j)
            if (m_table[i].visible && m_table[j].visible && m_table[i].rect.intersects(m_table[j].rect))
                pairs.insert(m_table[i].field + " < " + m_table[j].field);
    const QSet<QString> expected = {"S7_MorfologiaSito < S7_Dissesto",
                                    "S7_Dissesto < S7_DissestoVersantiIncombenti",
                                    "S7_Dissesto < S7_DissestoTerrenoFondazione"};
    QCOMPARE(pairs, expected);
    QVERIFY(IndexOf(m_table, "S7_MorfologiaSito") < IndexOf(m_table, "S7_Dissesto"));
    QVERIFY(IndexOf(m_table, "S7_Dissesto") < IndexOf(m_table, "S7_DissestoVersantiIncombenti"));
    QVERIFY(IndexOf(m_table, "S7_DissestoVersantiIncombenti") <
            IndexOf(m_table, "S7_DissestoTerrenoFondazione"));

    // Everything lies on the page picture except the right end of the regularity groups.
    for (const ControlDef& s : m_table)
        if (s.visible && !s.field.startsWith("S3_Regolarita"))
            QVERIFY2(QRect(0, 0, 900, 1274).contains(s.rect), qPrintable(s.field));
    QCOMPARE(Find(m_table, "S3_RegolaritaPianta")->rect.right(), 918);
}

void TstTabellaPagina2::hiddenPushButton() {
    int buttons = 0;
    for (const ControlDef& s : m_table) {
        if (s.kind != ControlKind::PushButton)
            continue;
        ++buttons;
        QVERIFY(!s.visible);
        QVERIFY(s.field.isEmpty());
        QCOMPARE(s.tabOrder, -1);
    }
    QCOMPARE(buttons, 1);
    QCOMPARE(m_table.size(), 190);
}

QTEST_APPLESS_MAIN(TstTabellaPagina2)
#include "tst_tabellapagina2.moc"
