#include "TabellaPagina2.h"

namespace {

ControlDef Label(const QString& field, const QRect& rect) {
    ControlDef s;
    s.kind = ControlKind::Label;
    s.field = field;
    s.rect = rect;
    s.readOnly = true;
    return s;
}

ControlDef Check(const QString& field, const QRect& rect, int tab) {
    ControlDef s;
    s.kind = ControlKind::CheckBox;
    s.field = field;
    s.rect = rect;
    s.tabOrder = tab;
    return s;
}

ControlDef Radio(const QString& field, const QRect& rect, int tab, int columns,
                  const QList<ControlItem>& items) {
    ControlDef s;
    s.kind = ControlKind::RadioGroup;
    s.field = field;
    s.rect = rect;
    s.tabOrder = tab;
    s.columns = columns;
    s.items = items;
    return s;
}

const QSize kCheck(20, 17);

QList<GridRow> Rows(const QList<int>& tops) {
    QList<GridRow> rows;
    for (int i = 0; i < tops.size(); ++i)
        rows.append({QString::number(i + 1), tops[i]});
    return rows;
}

// The header band repeats the identification entered on page 1.
void Intestazione(QList<ControlDef>& t) {
    t.append(Label(QStringLiteral("S1_IstatProv"), QRect(119, 19, 57, 21)));
    t.append(Label(QStringLiteral("S1_IstatComune"), QRect(289, 19, 57, 21)));
    t.append(Label(QStringLiteral("S1_Squadra"), QRect(449, 19, 44, 21)));
    t.append(Label(QStringLiteral("S1_SchedaN"), QRect(582, 19, 98, 21)));
    t.append(Label(QStringLiteral("S1_Data"), QRect(731, 19, 130, 21)));
}

// Section 3: typology grid, isolated columns, other structures, regularity, roof.
void Sezione3(QList<ControlDef>& t) {
    const QList<GridRow> rows = Rows({244, 276, 307, 339, 369, 401});
    t += GridCells(QStringLiteral("S3_TM_"), {{"A", 306}, {"B", 349}, {"C", 402}, {"D", 456}, {"E", 509}},
                   rows, kCheck, 0);
    // Columns G and H: one box per printed two-row cell, level with the first row of its pair.
    const QList<GridRow> pairs = {{"1", rows[0].y}, {"2", rows[2].y}, {"3", rows[4].y}};
    t += GridCells(QStringLiteral("S3_TM_"), {{"G", 584}, {"H", 618}}, pairs, kCheck, 30);

    t.append(Radio(QStringLiteral("S3_TM_F"), QRect(544, 219, 29, 208), 36, 1, {{{}, true}, {{}, false}}));

    t.append(Check(QStringLiteral("S3_AS_TelaiCA"), QRect(852, 112, 20, 17), 37));
    t.append(Check(QStringLiteral("S3_AS_ParetiCA"), QRect(852, 136, 22, 17), 38));
    t.append(Check(QStringLiteral("S3_AS_TelaiAcciaio"), QRect(852, 160, 20, 17), 39));

    const QList<ControlItem> ab = {{{}, QStringLiteral("A")}, {{}, QStringLiteral("B")}};
    t.append(Radio(QStringLiteral("S3_RegolaritaPianta"), QRect(781, 228, 138, 33), 40, 2, ab));
    t.append(Radio(QStringLiteral("S3_RegolaritaTamponature"), QRect(785, 262, 129, 33), 41, 2, ab));
    t.append(Radio(QStringLiteral("S3_Copertura"), QRect(699, 319, 30, 118), 42, 1,
                   {{{}, 1}, {{}, 2}, {{}, 3}, {{}, 4}}));
}

// Section 4: damage to structural elements and the measures carried out.
void Sezione4(QList<ControlDef>& t) {
    const QList<GridRow> rows = Rows({601, 622, 646, 667, 690, 714});
    QList<ControlDef> danno = GridCells(QStringLiteral("S4_Danno_"),
                                         {{"A", 182},
                                          {"B", 216},
                                          {"C", 249},
                                          {"D", 289},
                                          {"E", 318},
                                          {"F", 352},
                                          {"G", 393},
                                          {"H", 425},
                                          {"I", 462},
                                          {"L", 498}},
                                         rows, kCheck, 43);
    FindDef(danno, QStringLiteral("S4_Danno_A4"))->rect.moveLeft(181);
    FindDef(danno, QStringLiteral("S4_Danno_L1"))->rect.setWidth(21);
    t += danno;

    // Row 6 carries no measures, and column C has no box in row 5.
    QList<ControlDef> pi = GridCells(
        QStringLiteral("S4_PI_"), {{"A", 545}, {"B", 599}, {"C", 651}, {"D", 703}, {"E", 755}, {"F", 809}},
        rows.mid(0, 5), kCheck, 103, {QStringLiteral("C5")});
    FindDef(pi, QStringLiteral("S4_PI_A1"))->rect.setWidth(19);
    FindDef(pi, QStringLiteral("S4_PI_E1"))->rect.moveTop(599);
    t += pi;
}

// Section 5: damage to non-structural elements and the measures carried out.
void Sezione5(QList<ControlDef>& t) {
    QList<ControlDef> s5 =
        GridCells(QStringLiteral("S5_"),
                  {{"A", 329}, {"B", 401}, {"C", 471}, {"D", 543}, {"E", 613}, {"F", 683}, {"G", 755}},
                  Rows({887, 906, 926, 945, 965, 985}), kCheck, 132,
                  {QStringLiteral("C5"), QStringLiteral("C6"), QStringLiteral("D5"), QStringLiteral("D6")});
    FindDef(s5, QStringLiteral("S5_C3"))->rect.moveLeft(473);
    FindDef(s5, QStringLiteral("S5_C4"))->rect.moveLeft(472);
    FindDef(s5, QStringLiteral("S5_D3"))->rect.setHeight(14);
    t += s5;
}

// Section 6: external hazard caused by other buildings.
void Sezione6(QList<ControlDef>& t) {
    t += GridCells(QStringLiteral("S6_"), {{"A", 289}, {"B", 366}, {"C", 441}, {"D", 540}, {"E", 642}},
                   Rows({1123, 1142}), kCheck, 170);
}

// Section 7: soil and foundations. The instability group overlaps the morphology group and the
// foot of the two place boxes; later controls lie on top.
void Sezione7(QList<ControlDef>& t) {
    t.append(Radio(QStringLiteral("S7_MorfologiaSito"), QRect(15, 1213, 430, 45), 180, 4,
                   {{QStringLiteral("1 Cresta"), 1},
                    {QStringLiteral("2 Pendio Forte"), 2},
                    {QStringLiteral("3 Pendio Leggero"), 3},
                    {QStringLiteral("4 Pianura"), 4}}));
    t.append(Radio(QStringLiteral("S7_Dissesto"), QRect(413, 1221, 487, 29), 181, 4,
                   {{QStringLiteral("A Assenti"), QStringLiteral("A")},
                    {QStringLiteral("B Generati dal sisma"), QStringLiteral("B")},
                    {QStringLiteral("C Acuiti dal sisma"), QStringLiteral("C")},
                    {QStringLiteral("D Preesistenti"), QStringLiteral("D")}}));
    t.append(Check(QStringLiteral("S7_DissestoVersantiIncombenti"), QRect(576, 1209, 20, 17), 182));
    t.append(Check(QStringLiteral("S7_DissestoTerrenoFondazione"), QRect(730, 1209, 20, 17), 183));
}

} // namespace

QList<ControlDef> TabellaPagina2() {
    QList<ControlDef> t;
    Intestazione(t);
    Sezione3(t);
    Sezione4(t);
    Sezione5(t);
    Sezione6(t);
    Sezione7(t);

    // A push button the page has always carried; it is never shown and does nothing.
    ControlDef button;
    button.kind = ControlKind::PushButton;
    button.name = QStringLiteral("BtnNascosto");
    button.rect = QRect(8, 8, 75, 25);
    button.visible = false;
    t.append(button);
    return t;
}
