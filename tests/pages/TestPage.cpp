#include "TestPage.h"

#include <QPainter>
#include <QPixmap>

namespace {
ControlDef def(ControlKind kind, const QString& field, QRect rect, int tab) {
    ControlDef s;
    s.kind = kind;
    s.field = field;
    s.rect = rect;
    s.tabOrder = tab;
    return s;
}

QList<ControlItem> numbered(int from, int to) {
    QList<ControlItem> items;
    for (int i = from; i <= to; ++i)
        items.append({QString(), i});
    return items;
}
} // namespace

QList<ControlDef> TestPage::Table() {
    QList<ControlDef> t;
    t << def(ControlKind::Edit, "S1_Squadra", {120, 40, 39, 19}, 0);
    t << def(ControlKind::Edit, "S2_NUnitaUsoA", {120, 70, 46, 19}, 1);
    t << def(ControlKind::Edit, "S2_Occupanti", {120, 100, 74, 19}, 2);
    t << def(ControlKind::CheckBox, "S3_TM_A1", {120, 130, 20, 17}, 3);

    ControlDef height = def(ControlKind::RadioGroup, "S2_AltezzaMediaPiano", {120, 160, 29, 123}, 4);
    height.items = numbered(1, 4);
    height.bold = true;
    t << height;

    ControlDef esito = def(ControlKind::RadioGroup, "S8_Esito", {200, 160, 29, 180}, 5);
    for (const char* v : {"A", "B", "C", "D", "E", "F"})
        esito.items.append({QString(), QString::fromLatin1(v)});
    t << esito;

    ControlDef storeys = def(ControlKind::RadioGroup, "S2_NPianiTotali", {300, 160, 84, 223}, 6);
    for (int i = 1; i <= 13; ++i)
        storeys.items.append({i == 13 ? QStringLiteral(">12") : QString::number(i), i});
    storeys.columns = 2;
    storeys.transparent = false;
    storeys.bold = true;
    t << storeys;

    ControlDef pilastri = def(ControlKind::RadioGroup, "S3_TM_F", {420, 160, 29, 208}, 7);
    pilastri.items = {{QString(), true}, {QString(), false}};
    t << pilastri;

    ControlDef eta = def(ControlKind::ChoiceBox, "S2_EtaCostruzione", {480, 40, 120, 0}, 8);
    const char* descriptions[] = {"fino al 1919 ",    "dal 1919  al 1945", "dal 1946 al 1961",
                                  "dal 1962 al 1971", "dal 1972 al 1981",  "dal 1982 al 1991",
                                  "dal 1992 al 2001", "dal 2002 in poi"};
    for (int i = 0; i < 8; ++i)
        eta.items.append({QString::fromLatin1(descriptions[i]), i + 1});
    t << eta;

    ControlDef unita = def(ControlKind::SpinEdit, "S8_UnitaImmobiliariInagibili", {480, 70, 60, 0}, 9);
    unita.maxValue = 99;
    t << unita;

    t << def(ControlKind::DateEdit, "S1_Data", {480, 100, 139, 0}, 10);

    // Two controls on one field: a radio group and a choice box.
    ControlDef accuratezza = def(ControlKind::RadioGroup, "S8_AccuratezzaVisita", {480, 140, 400, 25}, 11);
    accuratezza.columns = 4;
    accuratezza.items = {{"1", 1}, {"2", 2}, {"3", 3}, {"4", 4}};
    accuratezza.transparent = false;
    t << accuratezza;
    ControlDef accuratezza2 = def(ControlKind::ChoiceBox, "S8_AccuratezzaVisita", {480, 175, 180, 0}, 12);
    accuratezza2.name = "CbAccuratezza2";
    accuratezza2.items = {
        {"1 Solo dall'esterno", 1}, {"2 Parziale", 2}, {"3 Completa (> 2/3)", 3}, {"4 Non eseguito per:", 4}};
    t << accuratezza2;

    t << def(ControlKind::Memo, "S9_Annotazioni", {480, 220, 380, 120}, 13);

    // Labels repeating the squad and the date; they take no tab position.
    t << def(ControlKind::Label, "S1_Squadra", {20, 10, 44, 21}, -1);
    t << def(ControlKind::Label, "S1_Data", {80, 10, 130, 21}, -1);

    t << def(ControlKind::Picture, "S9_Foto", {20, 420, 858, 397}, 14);

    // Far down the page, to make it scroll.
    ControlDef firma = def(ControlKind::Edit, "S9_Firma", {20, 1250, 300, 19}, 15);
    t << firma;

    ControlDef hidden;
    hidden.kind = ControlKind::PushButton;
    hidden.name = "Button1";
    hidden.caption = "Button1";
    hidden.rect = {700, 1000, 75, 25};
    hidden.visible = false;
    t << hidden;
    return t;
}

TestPage::TestPage(Dataset* dataset, QWidget* parent) : TWinSuperPagina(dataset, parent) {
    setObjectName(QStringLiteral("TestPage"));
    const QList<ControlDef> table = Table();
    // A picture of printed boxes under the controls, with a caption left of each.
    QPixmap picture(900, 1300);
    picture.fill(QColor(250, 248, 240));
    {
        QPainter p(&picture);
        p.setPen(QColor(60, 60, 60));
        for (int y = 0; y < 1300; y += 100)
            p.drawText(2, y + 12, QString::number(y));
        for (const ControlDef& s : table) {
            const QRect r = EffectiveRect(s);
            p.drawRect(r.adjusted(-2, -2, 1, 1));
            if (r.x() > 100)
                p.drawText(QRect(r.x() - 110, r.y(), 104, 19), Qt::AlignRight | Qt::AlignVCenter,
                           s.field.section(u'_', 1));
        }
    }
    setPagePicture(picture);
    buildControls(table);
}
