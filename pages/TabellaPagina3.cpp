#include "TabellaPagina3.h"

namespace {

ControlDef Control(ControlKind kind, const QString& field, const QRect& rect, int tabOrder) {
    ControlDef s;
    s.kind = kind;
    s.field = field;
    s.rect = rect;
    s.tabOrder = tabOrder;
    s.dataSource = 2;
    return s;
}

// A radio group of one column whose buttons carry no caption: the page picture prints the
// meaning of each row beside them.
ControlDef RadioGroup(const QString& field, const QRect& rect, int tabOrder, const QList<QVariant>& values) {
    ControlDef s = Control(ControlKind::RadioGroup, field, rect, tabOrder);
    for (const QVariant& v : values)
        s.items.append({QString(), v});
    return s;
}

// A drop-down box; its height is the single-line height of the kind.
ControlDef ChoiceBox(const QString& field, QPoint at, int width, int tabOrder,
                      const QList<ControlItem>& items) {
    ControlDef s = Control(ControlKind::ChoiceBox, field, QRect(at, QSize(width, 0)), tabOrder);
    s.items = items;
    return s;
}

ControlDef SpinEdit(const QString& field, QPoint at, int width, int tabOrder, int maxValue) {
    ControlDef s = Control(ControlKind::SpinEdit, field, QRect(at, QSize(width, 0)), tabOrder);
    s.maxValue = maxValue;
    return s;
}

} // namespace

QList<ControlDef> TabellaPagina3() {
    QList<ControlDef> t;

    // Header band: what page 1 holds, repeated read-only beside its printed caption.
    t << Control(ControlKind::Label, QStringLiteral("S1_IstatProv"), QRect(120, 23, 57, 21), -1)
      << Control(ControlKind::Label, QStringLiteral("S1_IstatComune"), QRect(290, 23, 57, 21), -1)
      << Control(ControlKind::Label, QStringLiteral("S1_Squadra"), QRect(450, 23, 44, 21), -1)
      << Control(ControlKind::Label, QStringLiteral("S1_SchedaN"), QRect(583, 23, 98, 21), -1)
      << Control(ControlKind::Label, QStringLiteral("S1_Data"), QRect(732, 23, 130, 21), -1);

    // Section 8, risk: one column of the table per group, rows low, low with measures, high.
    const QList<QVariant> rischio = {1, 2, 3};
    const char* const sezioni[] = {"3_4", "5", "6", "7"};
    for (int i = 0; i < 4; ++i)
        t << RadioGroup(QStringLiteral("S8_RischioSez_") + QLatin1String(sezioni[i]),
                        QRect(194 + 48 * i, 216, 29, 121), i, rischio);

    // Outcome: one button in the printed square of each row A to F.
    t << RadioGroup(QStringLiteral("S8_Esito"), QRect(844, 112, 29, 279), 4,
                    {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                     QStringLiteral("E"), QStringLiteral("F")});

    // Accuracy of the visit and why it was not carried out.
    t << ChoiceBox(QStringLiteral("S8_AccuratezzaVisita"), QPoint(150, 442), 121, 5,
                   {{QStringLiteral("1 Solo dall'esterno"), 1},
                    {QStringLiteral("2 Parziale"), 2},
                    {QStringLiteral("3 Completa (> 2/3)"), 3},
                    {QStringLiteral("4 Non eseguito per:"), 4}});
    t << ChoiceBox(QStringLiteral("S8_TipoVisitaNonEseguita"), QPoint(277, 442), 121, 6,
                   {{QStringLiteral("a - Sopralluogo Rifiutato (SR)"), QStringLiteral("SR")},
                    {QStringLiteral("b - Rudere (RU)"), QStringLiteral("RU")},
                    {QStringLiteral("c - Demolito (DM)"), QStringLiteral("DM")},
                    {QStringLiteral("d - Proprietario non trovato (NT)"), QStringLiteral("NT")},
                    {QStringLiteral("e - Altro (AL)"), QStringLiteral("AL")}});
    t << Control(ControlKind::Edit, QStringLiteral("S8_VisitaNonEseguitaAltro"), QRect(404, 443, 466, 19), 7);

    // Suggested quick measures: one box per row over its one-star and two-star columns.
    const QList<ControlItem> misura = {
        {QString(), 0}, {QStringLiteral("Limitati"), 1}, {QStringLiteral("Estesi"), 2}};
    const int righeSinistra[] = {543, 566, 588, 611, 633, 656};
    const int righeDestra[] = {544, 566, 588, 611, 633, 656};
    for (int n = 1; n <= 12; ++n) {
        const QPoint at = n <= 6 ? QPoint(30, righeSinistra[n - 1]) : QPoint(470, righeDestra[n - 7]);
        t << ChoiceBox(QStringLiteral("S8_PIRapidoSuggerito_%1").arg(n), at, 59, 7 + n, misura);
    }
    t << Control(ControlKind::Edit, QStringLiteral("S8_PIRapidoSuggeritoDes_11"), QRect(540, 634, 330, 19),
                 20)
      << Control(ControlKind::Edit, QStringLiteral("S8_PIRapidoSuggeritoDes_12"), QRect(540, 659, 330, 19),
                 21);

    // Unusable housing units, families and persons evacuated.
    t << SpinEdit(QStringLiteral("S8_UnitaImmobiliariInagibili"), QPoint(216, 714), 55, 22, 99)
      << SpinEdit(QStringLiteral("S8_NucleiFamiliariEvaquati"), QPoint(508, 714), 55, 23, 99)
      << SpinEdit(QStringLiteral("S8_NumeroPersoneEvaquate"), QPoint(792, 714), 78, 24, 999);

    // Section 9: topic and notes, the photograph over the right part of the notes, the compiler.
    t << Control(ControlKind::Memo, QStringLiteral("S9_Argomento"), QRect(16, 842, 101, 363), 25)
      << Control(ControlKind::Memo, QStringLiteral("S9_Annotazioni"), QRect(128, 842, 385, 363), 26)
      << Control(ControlKind::Picture, QStringLiteral("S9_Foto"), QRect(519, 842, 351, 363), 27)
      << Control(ControlKind::Edit, QStringLiteral("S9_Compilatore"), QRect(194, 1243, 300, 19), 28)
      << Control(ControlKind::Edit, QStringLiteral("S9_Firma"), QRect(540, 1243, 317, 19), 29);
    return t;
}
