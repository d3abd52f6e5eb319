#include "PageArt.h"
#include "PageCanvas.h"
#include "TabellaPagina1.h"

namespace {

using S = PageCanvas::Style;
constexpr auto kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr auto kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr auto kCentre = Qt::AlignCenter;

const ControlDef& controlOf(const QList<ControlDef>& table, const char* field) {
    for (const ControlDef& s : table)
        if (s.field == QLatin1String(field))
            return s;
    qFatal("no control for %s", field);
}

// The printed code (and meaning) right of each radio button of a group.
void radioCodes(PageCanvas& c, const ControlDef& group, const QStringList& codes, const QStringList& meanings,
                int codeWidth, int pixelSize = 10) {
    const RadioLayout layout = RadioGroupLayout(int(group.items.size()), group.columns);
    for (int i = 0; i < group.items.size(); ++i) {
        const QRect cell = RadioCell(layout, group.rect.size(), i).translated(group.rect.topLeft());
        c.choiceCircle(QPoint(cell.left() + 7, cell.center().y()), 6);
        const QRect code(cell.left() + 16, cell.top(), codeWidth, cell.height());
        c.text(code, codes.value(i), S::Bold, kLeft, pixelSize);
        if (!meanings.isEmpty())
            c.text(QRect(code.right() + 2, cell.top(), 120, cell.height()), meanings.value(i), S::Plain,
                   kLeft, pixelSize - 1);
    }
}

void header(PageCanvas& c) {
    c.emblem(QPoint(56, 62), 40);
    c.text(QRect(110, 10, 680, 18), QStringLiteral("Presidenza del Consiglio dei Ministri"), S::Bold, kCentre,
           13);
    c.text(QRect(110, 28, 680, 18), QStringLiteral("Dipartimento della Protezione Civile"), S::Bold, kCentre,
           13);
    c.frame(QRect(110, 54, 680, 62), 1.6);
    c.text(QRect(110, 58, 680, 20),
           QStringLiteral("SCHEDA DI 1° LIVELLO DI RILEVAMENTO DANNO, PRONTO INTERVENTO"), S::Title, kCentre,
           14);
    c.text(QRect(110, 76, 680, 20),
           QStringLiteral("E AGIBILITÀ PER EDIFICI ORDINARI NELL'EMERGENZA POST-SISMICA"), S::Title, kCentre,
           14);
    c.text(QRect(110, 96, 680, 16), QStringLiteral("edizione 06/2008"), S::Italic, kCentre, 11);
    c.text(
        QRect(110, 122, 680, 16),
        QStringLiteral("da compilare a cura delle squadre di rilevamento, una scheda per ciascun edificio"),
        S::Italic, kCentre, 10);
    c.text(QRect(556, 148, 118, 19), QStringLiteral("Codice Richiesta"), S::Bold, kRight, 11);
}

void sectionOne(PageCanvas& c, const QList<ControlDef>& t) {
    c.frame(QRect(4, 172, 884, 337), 1.4);
    c.sectionBand(QRect(5, 173, 882, 18), QStringLiteral("1"), QStringLiteral("Identificazione edificio"));
    c.vline(402, 191, 468, 1.2);

    // Left block.
    c.text(QRect(12, 208, 112, 19), QStringLiteral("Provincia:"), S::Bold, kLeft);
    c.text(QRect(12, 240, 112, 19), QStringLiteral("Comune:"), S::Bold, kLeft);
    c.text(QRect(12, 266, 112, 14), QStringLiteral("Frazione/Località:"), S::Bold, kLeft);
    c.text(QRect(12, 280, 112, 12), QStringLiteral("(denominazione Istat)"), S::Italic, kLeft, 8);
    c.hline(4, 402, 294);
    radioCodes(c, controlOf(t, "S1_TipoIndirizzo"),
               {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                QStringLiteral("5")},
               {QStringLiteral("via"), QStringLiteral("corso"), QStringLiteral("vicolo"),
                QStringLiteral("piazza"), QStringLiteral("altro")},
               8);
    c.text(QRect(112, 297, 273, 18), QStringLiteral("Indirizzo (denominazione della via, piazza, ...)"),
           S::Italic, kLeft, 9);
    c.text(QRect(196, 342, 96, 19), QStringLiteral("Num. Civico"), S::Bold, kRight);
    c.text(QRect(112, 400, 273, 12), QStringLiteral("(indicare: contrada, località, traversa, salita, ecc.)"),
           S::Italic, kLeft, 8);
    c.paragraph(QRect(12, 428, 96, 40), QStringLiteral("Coordinate geografiche (ED50 – UTM fuso 32-33)"),
                S::Italic, 9);
    c.text(QRect(112, 423, 14, 19), QStringLiteral("E"), S::Bold, kLeft);
    c.text(QRect(112, 446, 14, 19), QStringLiteral("N"), S::Bold, kLeft);
    c.text(QRect(340, 429, 57, 15), QStringLiteral("Fuso"), S::Bold, kCentre, 9);

    // Right block: who surveyed and when.
    c.text(QRect(410, 193, 250, 13), QStringLiteral("IDENTIFICATIVO SOPRALLUOGO"), S::Bold, kLeft, 10);
    c.text(QRect(734, 194, 139, 12), QStringLiteral("giorno    mese    anno"), S::Italic, kCentre, 8);
    c.text(QRect(410, 208, 58, 19), QStringLiteral("Squadra"), S::Plain, kRight);
    c.text(QRect(520, 208, 84, 19), QStringLiteral("Scheda n."), S::Plain, kRight);
    c.text(QRect(676, 208, 54, 19), QStringLiteral("Data"), S::Plain, kRight);
    c.hline(402, 888, 234);
    // The building.
    c.text(QRect(410, 238, 250, 14), QStringLiteral("IDENTIFICATIVO EDIFICIO"), S::Bold, kLeft, 10);
    const std::pair<const char*, const char*> codes[] = {{"S1_IstatReg", "Istat Reg."},
                                                         {"S1_IstatProv", "Istat Prov."},
                                                         {"S1_IstatComune", "Istat Comune"},
                                                         {"S1_NAggregato", "N° aggregato"},
                                                         {"S1_NEdificio", "N° edificio"}};
    for (const auto& [field, caption] : codes) {
        const QRect r = controlOf(t, field).rect;
        c.text(QRect(r.left() - 6, 255, r.width() + 12, 15), QString::fromUtf8(caption), S::Plain, kCentre,
               9);
    }
    c.hline(402, 888, 300);
    c.text(QRect(408, 317, 148, 19), QStringLiteral("Cod. di Località Istat"), S::Plain, kRight);
    c.text(QRect(668, 317, 88, 19), QStringLiteral("Tipo carta"), S::Plain, kRight);
    c.text(QRect(408, 342, 148, 19), QStringLiteral("Sez. di censimento Istat"), S::Plain, kRight);
    c.text(QRect(668, 342, 88, 19), QStringLiteral("N° carta"), S::Plain, kRight);
    c.hline(402, 888, 367);
    c.text(QRect(408, 373, 96, 19), QStringLiteral("Dati Catastali"), S::Bold, kLeft);
    c.text(QRect(506, 373, 50, 19), QStringLiteral("Foglio"), S::Plain, kRight);
    c.text(QRect(632, 373, 52, 19), QStringLiteral("Allegato"), S::Plain, kRight);
    c.text(QRect(420, 398, 64, 19), QStringLiteral("Particelle"), S::Plain, kRight);
    c.hline(402, 888, 423);
    c.paragraph(QRect(408, 430, 80, 30), QStringLiteral("Posizione edificio"), S::Bold, 10);
    radioCodes(c, controlOf(t, "S1_TipoPosizione"),
               {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")},
               {QStringLiteral("Isolato"), QStringLiteral("Interno"), QStringLiteral("D'estremità"),
                QStringLiteral("D'angolo")},
               8);

    // Across both blocks: the name and the use code.
    c.hline(4, 888, 468, 1.2);
    c.paragraph(QRect(10, 474, 142, 30), QStringLiteral("Denominazione edificio o proprietario"), S::Bold, 10,
                Qt::AlignLeft | Qt::AlignVCenter);
    c.text(QRect(794, 470, 80, 12), QStringLiteral("Codice Uso"), S::Bold, kCentre, 9);
    c.text(QRect(810, 483, 12, 19), QStringLiteral("S"), S::Bold, kCentre, 12);
}

void photocopy(PageCanvas& c) {
    c.frame(QRect(4, 515, 884, 434), 1.4);
    c.text(QRect(12, 519, 700, 20),
           QStringLiteral("Fotocopia dell'aggregato strutturale con identificazione dell'edificio"), S::Bold,
           kLeft, 11);
}

void sectionTwo(PageCanvas& c, const QList<ControlDef>& t) {
    c.frame(QRect(4, 955, 884, 326), 1.4);
    c.sectionBand(QRect(5, 956, 882, 18), QStringLiteral("2"), QStringLiteral("Descrizione edificio"));
    // Column groups.
    c.fill(QRect(5, 975, 882, 16), PageCanvas::kTint);
    c.text(QRect(5, 975, 398, 16), QStringLiteral("Dati metrici"), S::Bold, kCentre);
    c.text(QRect(404, 975, 90, 16), QStringLiteral("Età"), S::Bold, kCentre);
    c.text(QRect(496, 975, 392, 16), QStringLiteral("Uso - esposizione"), S::Bold, kCentre);
    c.hline(4, 888, 991);
    c.vline(94, 991, 1280);
    c.vline(204, 991, 1280);
    c.vline(403, 975, 1280, 1.2);
    c.vline(495, 975, 1280, 1.2);
    c.vline(662, 991, 1280);
    c.vline(790, 991, 1222);

    // Storeys: the group draws its own numbers.
    c.paragraph(QRect(8, 994, 84, 52), QStringLiteral("N° Piani totali con interrati"), S::Bold, 9,
                Qt::AlignHCenter | Qt::AlignVCenter);
    c.hline(4, 403, 1047);

    c.paragraph(QRect(96, 994, 106, 52), QStringLiteral("Altezza media di piano [m]"), S::Bold, 9,
                Qt::AlignHCenter | Qt::AlignVCenter);
    radioCodes(c, controlOf(t, "S2_AltezzaMediaPiano"),
               {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")},
               {QStringLiteral("≤ 2.50"), QStringLiteral("2.50 ÷ 3.50"), QStringLiteral("3.50 ÷ 5.0"),
                QStringLiteral("> 5.0")},
               10);
    c.hline(94, 204, 1178);
    c.text(QRect(96, 1181, 106, 24), QStringLiteral("Piani interrati"), S::Bold, kCentre, 9);
    radioCodes(c, controlOf(t, "S2_PianiInterrati"),
               {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")},
               {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("≥3")}, 10);

    c.paragraph(QRect(206, 994, 196, 52), QStringLiteral("Superficie media di piano [m²]"), S::Bold, 9,
                Qt::AlignHCenter | Qt::AlignVCenter);
    radioCodes(c, controlOf(t, "S2_SuperficieMediaPiano"),
               {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G"), QStringLiteral("H"),
                QStringLiteral("I"), QStringLiteral("L"), QStringLiteral("M"), QStringLiteral("N"),
                QStringLiteral("O"), QStringLiteral("P"), QStringLiteral("Q"), QStringLiteral("R")},
               {QStringLiteral("≤ 50"), QStringLiteral("50 ÷ 70"), QStringLiteral("70 ÷ 100"),
                QStringLiteral("100 ÷ 130"), QStringLiteral("130 ÷ 170"), QStringLiteral("170 ÷ 230"),
                QStringLiteral("230 ÷ 300"), QStringLiteral("300 ÷ 400"), QStringLiteral("400 ÷ 500"),
                QStringLiteral("500 ÷ 650"), QStringLiteral("650 ÷ 900"), QStringLiteral("900 ÷ 1200"),
                QStringLiteral("1200 ÷ 1600"), QStringLiteral("1600 ÷ 2200"), QStringLiteral("2200 ÷ 3000"),
                QStringLiteral("> 3000")},
               10);

    // Age.
    c.paragraph(QRect(405, 994, 89, 52), QStringLiteral("Costruzione e ristrutturaz."), S::Bold, 9,
                Qt::AlignHCenter | Qt::AlignVCenter);
    c.hline(403, 495, 1047);
    c.text(QRect(408, 1050, 81, 14), QStringLiteral("costruzione"), S::Italic, kLeft, 9);
    c.text(QRect(408, 1114, 81, 14), QStringLiteral("ristrutturazione"), S::Italic, kLeft, 9);
    c.paragraph(QRect(407, 1160, 86, 60),
                QStringLiteral("(indicare l'epoca di costruzione e quella dell'ultima "
                               "ristrutturazione significativa)"),
                S::Italic, 8);

    // Use: number of units by use.
    c.paragraph(QRect(497, 994, 163, 30), QStringLiteral("Uso e N° unità d'uso"), S::Bold, 9,
                Qt::AlignHCenter | Qt::AlignVCenter);
    const char* uses[] = {"A  Abitativo",  "B  Produttivo", "C  Commercio",  "D  Uffici",
                          "E  Serv. Pub.", "F  Deposito",   "G  Strategico", "H  Turis-ricet."};
    for (int i = 0; i < 8; ++i) {
        const QRect r = controlOf(t, QByteArray("S2_NUnitaUso").append(char('A' + i)).constData()).rect;
        c.text(QRect(500, r.top(), 104, r.height()), QString::fromUtf8(uses[i]), S::Plain, kLeft);
    }
    c.text(QRect(600, 1027, 60, 14), QStringLiteral("N° unità"), S::Italic, kCentre, 8);

    // Utilisation.
    c.paragraph(QRect(664, 994, 124, 52), QStringLiteral("Utilizzazione"), S::Bold, 9,
                Qt::AlignHCenter | Qt::AlignVCenter);
    radioCodes(c, controlOf(t, "S2_Utilizzazione"),
               {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                QStringLiteral("E"), QStringLiteral("F"), QStringLiteral("G")},
               {QStringLiteral("> 65%"), QStringLiteral("30 ÷ 65%"), QStringLiteral("< 30%"),
                QStringLiteral("Non utilizz."), QStringLiteral("In costruz."), QStringLiteral("Non finito"),
                QStringLiteral("Abbandon.")},
               10);

    // Occupants.
    c.text(QRect(792, 1014, 94, 16), QStringLiteral("Occupanti"), S::Bold, kCentre, 10);
    c.paragraph(QRect(794, 1058, 90, 40), QStringLiteral("(numero di persone presenti nell'edificio)"),
                S::Italic, 8);

    // Ownership, at the bottom right: a row of its own under a rule that closes the utilisation
    // and occupants columns, its heading boxed at the top right, over the row that holds both
    // answers.
    const ControlDef& proprieta = controlOf(t, "S2_Proprieta");
    const int rowTop = proprieta.rect.top() + 5; // between the "G" button and the two answers
    c.hline(790, 888, 1222);
    c.vline(790, 1222, rowTop);
    c.hline(662, 888, rowTop);
    c.text(QRect(792, 1223, 94, rowTop - 1223), QStringLiteral("Proprietà"), S::Bold, kCentre, 10);
    radioCodes(c, controlOf(t, "S2_Proprieta"), {QStringLiteral("A"), QStringLiteral("B")},
               {QStringLiteral("Pubblica"), QStringLiteral("Privata")}, 10);
}

} // namespace

void DrawPagina1(PageCanvas& canvas) {
    const QList<ControlDef> table = TabellaPagina1();
    header(canvas);
    sectionOne(canvas, table);
    photocopy(canvas);
    sectionTwo(canvas, table);
    // The boxes the inspector writes in lie under their controls.
    for (const ControlDef& s : table) {
        switch (s.kind) {
        case ControlKind::Edit:
        case ControlKind::DateEdit:
        case ControlKind::ChoiceBox:
        case ControlKind::SpinEdit:
            canvas.writeBox(EffectiveRect(s).adjusted(-1, -1, 1, 1));
            break;
        case ControlKind::Picture:
            canvas.writeBox(s.rect);
            break;
        default:
            break;
        }
    }
}
