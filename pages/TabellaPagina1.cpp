#include "TabellaPagina1.h"

namespace {

ControlDef edit(int tab, const char* field, int x, int y, int w) {
    ControlDef s;
    s.kind = ControlKind::Edit;
    s.field = QString::fromLatin1(field);
    s.rect = QRect(x, y, w, 19);
    s.tabOrder = tab;
    return s;
}

ControlDef radio(int tab, const char* field, QRect r, QList<ControlItem> items, int columns,
                  bool transparent, bool bold) {
    ControlDef s;
    s.kind = ControlKind::RadioGroup;
    s.field = QString::fromLatin1(field);
    s.rect = r;
    s.tabOrder = tab;
    s.items = std::move(items);
    s.columns = columns;
    s.transparent = transparent;
    s.bold = bold;
    return s;
}

// Items without caption whose values are the printed numbers 1..n.
QList<ControlItem> numbers(int n) {
    QList<ControlItem> items;
    for (int i = 1; i <= n; ++i)
        items.append({QString(), i});
    return items;
}

// Items without caption whose values are the printed letters.
QList<ControlItem> letters(const char* codes) {
    QList<ControlItem> items;
    for (const char* c = codes; *c; ++c)
        items.append({QString(), QString(QLatin1Char(*c))});
    return items;
}

QList<ControlItem> periods() {
    return {{QStringLiteral("fino al 1919 "), 1},    {QStringLiteral("dal 1919  al 1945"), 2},
            {QStringLiteral("dal 1946 al 1961"), 3}, {QStringLiteral("dal 1962 al 1971"), 4},
            {QStringLiteral("dal 1972 al 1981"), 5}, {QStringLiteral("dal 1982 al 1991"), 6},
            {QStringLiteral("dal 1992 al 2001"), 7}, {QStringLiteral("dal 2002 in poi"), 8}};
}

ControlDef choice(int tab, const char* field, int x, int y, int w) {
    ControlDef s;
    s.kind = ControlKind::ChoiceBox;
    s.field = QString::fromLatin1(field);
    s.rect = QRect(x, y, w, 0);
    s.tabOrder = tab;
    s.items = periods();
    return s;
}

} // namespace

QList<ControlDef> TabellaPagina1() {
    QList<ControlDef> t;
    // Page header and the right block of section 1.
    t << edit(0, "CodiceRichiesta", 680, 148, 193) << edit(1, "S1_Squadra", 472, 208, 39)
      << edit(2, "S1_SchedaN", 608, 208, 52);
    ControlDef data;
    data.kind = ControlKind::DateEdit;
    data.field = QStringLiteral("S1_Data");
    data.rect = QRect(734, 207, 139, 0);
    data.tabOrder = 3;
    t << data;
    t << edit(4, "S1_IstatReg", 424, 272, 57) << edit(5, "S1_IstatProv", 504, 272, 57)
      << edit(6, "S1_IstatComune", 600, 272, 60) << edit(7, "S1_NAggregato", 680, 272, 105)
      << edit(8, "S1_NEdificio", 808, 272, 65) << edit(9, "S1_CodLocIstat", 560, 317, 89)
      << edit(10, "S1_TipoCarta", 760, 317, 113) << edit(11, "S1_SezCensIstat", 560, 342, 65)
      << edit(12, "S1_NCarta", 760, 342, 89) << edit(13, "S1_Foglio", 560, 373, 65)
      << edit(14, "S1_Allegato", 688, 373, 41) << edit(15, "S1_Particelle", 488, 398, 385);

    // Left block of section 1 and the rows below both blocks.
    t << edit(16, "S1_Provincia", 128, 208, 257) << edit(17, "S1_Comune", 128, 240, 257)
      << edit(18, "S1_Localita", 128, 272, 257) << edit(19, "S1_Via", 112, 317, 273)
      << edit(20, "S1_NumeroCivico", 296, 342, 89)
      << radio(21, "S1_TipoIndirizzo", QRect(15, 295, 26, 133), numbers(5), 1, true, false)
      << edit(22, "S1_TipoAltro", 112, 380, 273) << edit(23, "S1_CoordinataE", 128, 423, 201)
      << edit(24, "S1_CoordinataN", 128, 446, 201) << edit(25, "S1_Fuso", 352, 446, 33)
      << radio(26, "S1_TipoPosizione", QRect(491, 428, 403, 33), numbers(4), 5, true, false)
      << edit(27, "S1_DenominazioneEdificio", 155, 483, 630) << edit(28, "S1_CodiceUso", 823, 483, 37);

    // Section 2.
    QList<ControlItem> storeys;
    for (int i = 1; i <= 12; ++i)
        storeys.append({QString::number(i), i});
    storeys.append({QStringLiteral(">12"), 13});
    t << radio(29, "S2_NPianiTotali", QRect(7, 1049, 84, 223), storeys, 2, false, true)
      << radio(30, "S2_AltezzaMediaPiano", QRect(106, 1049, 29, 123), numbers(4), 1, true, true)
      << radio(31, "S2_PianiInterrati", QRect(102, 1208, 101, 69), letters("ABCD"), 2, true, true)
      << radio(32, "S2_SuperficieMediaPiano", QRect(206, 1049, 208, 230), letters("ABCDEFGHILMNOPQR"), 2,
               true, true)
      << choice(33, "S2_EtaCostruzione", 408, 1066, 81)
      << choice(34, "S2_EtaRistrutturazione", 408, 1130, 81);
    const int unitRows[] = {1043, 1067, 1093, 1118, 1144, 1170, 1197, 1223};
    for (int i = 0; i < 8; ++i) {
        const QByteArray field = "S2_NUnitaUso" + QByteArray(1, char('A' + i));
        t << edit(35 + i, field.constData(), 607, unitRows[i], 46);
    }
    t << radio(43, "S2_Utilizzazione", QRect(685, 1050, 29, 200), letters("ABCDEFG"), 1, true, true)
      << radio(44, "S2_Proprieta", QRect(683, 1240, 232, 30), letters("AB"), 5, true, false)
      << edit(45, "S2_Occupanti", 794, 1033, 74);

    // The photocopy of the structural aggregate.
    ControlDef foto;
    foto.kind = ControlKind::Picture;
    foto.field = QStringLiteral("S1_FotocopiaAggregato");
    foto.rect = QRect(15, 544, 858, 397);
    foto.tabOrder = 46;
    t << foto;

    // The invisible picture decoder of the photocopy's picture hook.
    ControlDef decoder;
    decoder.kind = ControlKind::WebImage;
    decoder.name = QStringLiteral("WebImage1");
    decoder.rect = QRect(360, 898, 100, 100);
    decoder.visible = false;
    t << decoder;

    // The identification block at the top right (request code to census section) is bound through
    // DataSource1, everything else through DataSource2.
    for (ControlDef& s : t)
        s.dataSource = s.tabOrder >= 0 && s.tabOrder <= 11 ? 1 : 2;
    return t;
}
