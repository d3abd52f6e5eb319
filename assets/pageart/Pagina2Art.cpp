// Printed page 2 of the survey form: typology, structural and non-structural damage, external
// hazard, soil and foundations. Boxes and circles are placed from the page's control table, so
// that every printed box lies under its control; rulings and captions have coordinates of their
// own, chosen around the boxes.
#include "PageArt.h"
#include "PageCanvas.h"
#include "TabellaPagina2.h"

#include <QHash>

QRect TickSquare(const QRect& control) {
    const int side = std::min(control.height() - 2, 14);
    return QRect(control.left(), control.top() + (control.height() - side) / 2, side, side);
}

namespace {

using S = PageCanvas::Style;
constexpr auto kCentre = Qt::AlignCenter;
constexpr auto kLeft = Qt::AlignLeft | Qt::AlignVCenter;

// The centre of the radio button of an item: at the left of its cell, halfway down.
QPoint RadioCentre(const ControlDef& s, int item) {
    const QRect cell = RadioCell(RadioGroupLayout(int(s.items.size()), s.columns), s.rect.size(), item)
                           .translated(s.rect.topLeft());
    return QPoint(cell.left() + 7, cell.center().y());
}

class Pagina2 {
public:
    explicit Pagina2(PageCanvas& c) : c(c) {
        for (const ControlDef& s : TabellaPagina2())
            if (!s.field.isEmpty())
                m_defs.insert(s.field, s);
    }

    void draw() {
        intestazione();
        sezione3();
        sezione4();
        sezione5();
        sezione6();
        sezione7();
        caselle();
    }

private:
    PageCanvas& c;
    QHash<QString, ControlDef> m_defs;

    const ControlDef& controlOf(const QString& field) const {
        const auto it = m_defs.constFind(field);
        if (it == m_defs.cend())
            qFatal("no control for %s", qPrintable(field));
        return *it;
    }

    void intestazione();
    void sezione3();
    void tipologia();
    void altreStrutture();
    void regolarita();
    void copertura();
    void sezione4();
    void sezione5();
    void sezione6();
    void sezione7();
    void caselle();
};

void Pagina2::intestazione() {
    const QRect band(12, 11, 876, 30);
    c.fill(band, PageCanvas::kTint);
    c.frame(band);
    // The captions stand on the baseline of the values the labels show.
    const int baseline = PageCanvas::labelBaseline(controlOf(QStringLiteral("S1_IstatProv")).rect.top());
    c.textOnBaseline(18, baseline, QStringLiteral("Istat Provincia"), S::Bold);
    c.textOnBaseline(188, baseline, QStringLiteral("Istat Comune"), S::Bold);
    c.vline(362, 11, 40, 1.2);
    c.textOnBaseline(372, baseline, QStringLiteral("Rilevatore"), S::Bold);
    c.textOnBaseline(512, baseline, QStringLiteral("N° scheda"), S::Bold);
    c.textOnBaseline(698, baseline, QStringLiteral("Data"), S::Bold);
    // The labels repeat page 1 on the blank space after each caption.
    for (const char* f : {"S1_IstatProv", "S1_IstatComune", "S1_Squadra", "S1_SchedaN", "S1_Data"}) {
        const QRect r = controlOf(QString::fromLatin1(f)).rect;
        c.fill(QRect(r.left() - 2, 15, r.width() + 4, 22), Qt::white);
    }
}

// Section 3: the typology grid at the left, three small tables at the right.
void Pagina2::sezione3() {
    c.sectionBand(QRect(12, 60, 876, 17), QStringLiteral("3"), QStringLiteral("Tipologia"),
                  QStringLiteral("(multiscelta; per le strutture in muratura segnare al massimo 2 tipi di "
                                 "combinazioni strutture verticali/solai)"));
    tipologia();
    altreStrutture();
    regolarita();
    copertura();
}

void Pagina2::tipologia() {
    // Column edges: the row captions, then A to H.
    const int xRows = 15, xA = 295, xB = 337, xC = 385, xD = 439, xE = 492, xF = 535, xG = 575, xH = 611,
              xEnd = 640;
    const int yTop = 80, yMur = 96, yTess = 150, yLett = 219, yRow1 = 236;
    const int rows[] = {236, 268, 300, 331, 362, 393, 425};

    // Headings.
    c.paragraph(QRect(xRows + 6, yTop + 6, xA - xRows - 12, 40), QStringLiteral("Strutture verticali \u2192"),
                S::Bold, 10, Qt::AlignRight | Qt::AlignTop);
    c.paragraph(QRect(xRows + 6, yLett - 30, xA - xRows - 12, 40),
                QStringLiteral("Strutture orizzontali \u2193"), S::Bold, 10, Qt::AlignLeft | Qt::AlignTop);
    c.painter().save();
    c.painter().setPen(QPen(PageCanvas::kInk, 0.6));
    c.painter().drawLine(QPointF(xRows, yTop), QPointF(xA, yRow1));
    c.painter().restore();

    c.upright(QRect(xA, yTop, xB - xA, yLett - yTop), QStringLiteral("Non identificate"), S::Plain, 10);
    c.text(QRect(xB, yTop, xEnd - xB, yMur - yTop), QStringLiteral("Strutture in muratura"), S::Bold,
           kCentre);
    c.paragraph(
        QRect(xB + 3, yMur + 3, xD - xB - 6, yTess - yMur - 4),
        QStringLiteral("A tessitura irregolare e di cattiva qualità (pietrame non squadrato, ciottoli, ...)"),
        S::Small, 9, Qt::AlignCenter);
    c.paragraph(
        QRect(xD + 3, yMur + 3, xF - xD - 6, yTess - yMur - 4),
        QStringLiteral("A tessitura regolare e di buona qualità (blocchi, mattoni, pietra squadrata, ...)"),
        S::Small, 9, Qt::AlignCenter);
    const QString senza = QStringLiteral("Senza catene o cordoli"),
                  con = QStringLiteral("Con catene o cordoli");
    const int sub[] = {xB, xC, xD, xE, xF};
    for (int i = 0; i < 4; ++i)
        c.paragraph(QRect(sub[i] + 2, yTess + 2, sub[i + 1] - sub[i] - 4, yLett - yTess - 4),
                    i % 2 ? con : senza, S::Small, 9, Qt::AlignCenter);
    c.upright(QRect(xF, yMur, xG - xF, yLett - yMur), QStringLiteral("Pilastri isolati"), S::Plain, 10);
    c.upright(QRect(xG, yMur, xH - xG, yLett - yMur), QStringLiteral("Mista"), S::Plain, 10);
    c.upright(QRect(xH, yMur, xEnd - xH, yLett - yMur), QStringLiteral("Rinforzata"), S::Plain, 10);

    // Column letters.
    const int cols[] = {xA, xB, xC, xD, xE, xF, xG, xH, xEnd};
    for (int i = 0; i < 8; ++i)
        c.text(QRect(cols[i], yLett, cols[i + 1] - cols[i], yRow1 - yLett), QString(QChar(u'A' + i)), S::Bold,
               kCentre);

    // Row numbers and meanings.
    const QString meanings[] = {
        QStringLiteral("Non identificate"),
        QStringLiteral("Volte senza catene"),
        QStringLiteral("Volte con catene"),
        QStringLiteral(
            "Travi con soletta deformabile (travi in legno con semplice tavolato, travi e voltine, ...)"),
        QStringLiteral(
            "Travi con soletta semirigida (travi in legno con doppio tavolato, travi e tavelloni, ...)"),
        QStringLiteral(
            "Travi con soletta rigida (solai di c.a., travi ben collegate a solette di c.a., ...)"),
    };
    for (int r = 0; r < 6; ++r) {
        const QRect row(xRows, rows[r], xA - xRows, rows[r + 1] - rows[r]);
        c.text(QRect(row.left(), row.top(), 16, row.height()), QString::number(r + 1), S::Bold, kCentre);
        c.paragraph(QRect(row.left() + 20, row.top(), row.width() - 24, row.height()), meanings[r], S::Small,
                    9, Qt::AlignLeft | Qt::AlignVCenter);
    }

    // Column F: one yes/no answer, printed beside its radio buttons.
    const ControlDef& f = controlOf(QStringLiteral("S3_TM_F"));
    for (int i = 0; i < 2; ++i) {
        const QPoint p = RadioCentre(f, i);
        c.text(QRect(p.x() + 8, p.y() - 8, xG - p.x() - 8, 16),
               i == 0 ? QStringLiteral("SI") : QStringLiteral("NO"), S::Bold, kLeft, 9);
    }
    // Columns G and H: the code in the lower half of each two-row cell.
    for (int x : {xG, xH})
        for (int pair = 0; pair < 3; ++pair) {
            const int top = rows[2 * pair], bottom = rows[2 * pair + 2];
            c.text(QRect(x, (top + bottom) / 2, (x == xG ? xH : xEnd) - x, (bottom - top) / 2),
                   QString(QChar(x == xG ? u'G' : u'H')) + QString::number(pair + 1), S::Small, kCentre, 9);
        }

    // Rulings.
    c.hline(xB, xEnd, yMur);
    c.hline(xB, xF, yTess);
    c.hline(xRows, xEnd, yLett, 0.6);
    c.hline(xRows, xEnd, yRow1, 1.0);
    for (int r = 1; r < 6; ++r)
        c.hline(xRows, xF, rows[r]);
    c.hline(xF, xG, rows[3]);
    for (int r : {rows[2], rows[4]})
        c.hline(xG, xEnd, r);
    c.vline(xA, yTop, rows[6], 1.0);
    c.vline(xB, yTop, rows[6], 1.0);
    for (int x : {xC, xE})
        c.vline(x, yTess, rows[6]);
    for (int x : {xD, xF})
        c.vline(x, yMur, rows[6], 1.0);
    for (int x : {xG, xH})
        c.vline(x, yMur, rows[6]);
    c.frame(QRect(xRows, yTop, xEnd - xRows, rows[6] - yTop));
}

void Pagina2::altreStrutture() {
    const int x0 = 665, xAnswer = 846, x1 = 885;
    const int rows[] = {88, 108, 132, 156, 180};
    c.fill(QRect(x0, rows[0], x1 - x0, rows[1] - rows[0]), PageCanvas::kTint);
    c.text(QRect(x0 + 6, rows[0], x1 - x0 - 12, rows[1] - rows[0]), QStringLiteral("Altre strutture"),
           S::Bold, kLeft);
    const QString captions[] = {QStringLiteral("Telai in c.a."), QStringLiteral("Pareti in c.a."),
                                QStringLiteral("Telai in acciaio")};
    for (int r = 0; r < 3; ++r) {
        c.text(QRect(x0 + 6, rows[r + 1], xAnswer - x0 - 10, rows[r + 2] - rows[r + 1]), captions[r],
               S::Plain, kLeft);
        c.hline(x0, x1, rows[r + 1]);
    }
    c.vline(xAnswer, rows[1], rows[4]);
    c.frame(QRect(x0, rows[0], x1 - x0, rows[4] - rows[0]));
}

void Pagina2::regolarita() {
    const int x0 = 665, xA = 778, xB = 847, x1 = 885;
    const int yHead = 192, yRow1 = 228, yRow2 = 262, yEnd = 295;
    c.fill(QRect(x0, yHead, x1 - x0, yRow1 - yHead), PageCanvas::kTint);
    c.text(QRect(x0 + 6, yHead, xA - x0 - 10, yRow1 - yHead), QStringLiteral("Regolarità"), S::Bold, kLeft);
    // The narrow B column takes its caption a size smaller, clear of the frame.
    c.paragraph(QRect(xA, yHead + 2, xB - xA, yRow1 - yHead - 2), QStringLiteral("A\nNon regolare"), S::Small,
                9, Qt::AlignCenter);
    c.paragraph(QRect(xB + 1, yHead + 2, x1 - xB - 2, yRow1 - yHead - 2), QStringLiteral("B\nRegolare"),
                S::Small, 8, Qt::AlignCenter);
    c.text(QRect(x0, yRow1, 14, yRow2 - yRow1), QStringLiteral("1"), S::Bold, kCentre);
    c.paragraph(QRect(x0 + 16, yRow1, xA - x0 - 18, yRow2 - yRow1),
                QStringLiteral("Forma pianta ed elevazione"), S::Small, 9, Qt::AlignLeft | Qt::AlignVCenter);
    c.text(QRect(x0, yRow2, 14, yEnd - yRow2), QStringLiteral("2"), S::Bold, kCentre);
    c.paragraph(QRect(x0 + 16, yRow2, xA - x0 - 18, yEnd - yRow2), QStringLiteral("Disposizione tamponature"),
                S::Small, 9, Qt::AlignLeft | Qt::AlignVCenter);
    c.hline(x0, x1, yRow1);
    c.hline(x0, x1, yRow2);
    c.vline(xA, yHead, yEnd);
    c.vline(xB, yHead, yEnd);
    c.frame(QRect(x0, yHead, x1 - x0, yEnd - yHead));
}

void Pagina2::copertura() {
    const ControlDef& g = controlOf(QStringLiteral("S3_Copertura"));
    const int x0 = 665, xNum = 697, xText = 731, x1 = 885;
    const int yTop = g.rect.top(), yEnd = g.rect.bottom() + 1;
    c.fill(QRect(x0, yTop, xNum - x0, yEnd - yTop), PageCanvas::kTint);
    c.upright(QRect(x0, yTop, xNum - x0, yEnd - yTop), QStringLiteral("Copertura"), S::Bold, 10);
    const QString meanings[] = {QStringLiteral("Spingente pesante"), QStringLiteral("Non spingente pesante"),
                                QStringLiteral("Spingente leggera"), QStringLiteral("Non spingente leggera")};
    const RadioLayout l = RadioGroupLayout(int(g.items.size()), g.columns);
    for (int i = 0; i < g.items.size(); ++i) {
        const QRect cell = RadioCell(l, g.rect.size(), i).translated(g.rect.topLeft());
        const QPoint p = RadioCentre(g, i);
        c.text(QRect(p.x() + 9, cell.top(), xText - p.x() - 9, cell.height()), g.items[i].value.toString(),
               S::Bold, kLeft);
        c.text(QRect(xText + 6, cell.top(), x1 - xText - 8, cell.height()), meanings[i], S::Plain, kLeft);
        if (i > 0)
            c.hline(xNum, x1, cell.top());
    }
    c.vline(xNum, yTop, yEnd);
    c.vline(xText, yTop, yEnd);
    c.frame(QRect(x0, yTop, x1 - x0, yEnd - yTop));
}

// Section 4: damage grid with levels and extents, measures grid, footnote.
void Pagina2::sezione4() {
    c.sectionBand(
        QRect(12, 459, 876, 17), QStringLiteral("4"),
        QStringLiteral("Danni ad elementi strutturali e provvedimenti di pronto intervento (P.I.) eseguiti"));
    const int rows[] = {598, 620, 642, 665, 687, 710, 735};
    const int yTop = 480, yLevel = 496, yExtent = 526, yLett = 580;

    // Damage grid: captions, A to I in three levels, L for null.
    const int x0 = 15, xA = 175;
    const int cols[] = {175, 209, 242, 279, 313, 345, 382, 419, 453, 490, 528};
    c.text(QRect(xA, yTop, cols[9] - xA, yLevel - yTop), QStringLiteral("Livello danno (*) – estensione"),
           S::Bold, kCentre);
    const QString levels[] = {QStringLiteral("D4-D5\nGravissimo"), QStringLiteral("D2-D3\nMedio grave"),
                              QStringLiteral("D1\nLeggero")};
    const QString extents[] = {QStringLiteral("> 2/3"), QStringLiteral("1/3 - 2/3"), QStringLiteral("< 1/3")};
    for (int l = 0; l < 3; ++l) {
        c.paragraph(QRect(cols[3 * l], yLevel, cols[3 * l + 3] - cols[3 * l], yExtent - yLevel), levels[l],
                    S::Bold, 9, Qt::AlignCenter);
        for (int e = 0; e < 3; ++e)
            c.upright(QRect(cols[3 * l + e], yExtent, cols[3 * l + e + 1] - cols[3 * l + e], yLett - yExtent),
                      extents[e], S::Plain, 10);
    }
    c.upright(QRect(cols[9], yTop, cols[10] - cols[9], yLett - yTop), QStringLiteral("Nullo"), S::Bold, 10);
    const QString letters = QStringLiteral("ABCDEFGHIL");
    for (int i = 0; i < 10; ++i)
        c.text(QRect(cols[i], yLett, cols[i + 1] - cols[i], rows[0] - yLett), letters.mid(i, 1), S::Bold,
               kCentre);
    c.paragraph(QRect(x0 + 6, yTop + 4, xA - x0 - 12, yLett - yTop - 8),
                QStringLiteral("Componente strutturale\n–\nDanno preesistente"), S::Bold, 10,
                Qt::AlignCenter);
    const QString components[] = {QStringLiteral("Strutture verticali"),
                                  QStringLiteral("Solai"),
                                  QStringLiteral("Scale"),
                                  QStringLiteral("Copertura"),
                                  QStringLiteral("Tamponature-tramezzi"),
                                  QStringLiteral("Danno preesistente")};
    for (int r = 0; r < 6; ++r) {
        c.text(QRect(x0, rows[r], 16, rows[r + 1] - rows[r]), QString::number(r + 1), S::Bold, kCentre);
        c.text(QRect(x0 + 20, rows[r], xA - x0 - 24, rows[r + 1] - rows[r]), components[r], S::Plain, kLeft);
        c.hline(x0, cols[10], rows[r], r == 0 ? 1.0 : 0.8);
    }
    c.hline(x0, cols[10], yLett, 0.6);
    c.hline(xA, cols[9], yLevel);
    c.hline(xA, cols[9], yExtent);
    c.vline(xA, yTop, rows[6], 1.0);
    for (int i = 1; i < 10; ++i)
        c.vline(cols[i], i % 3 == 0 ? yLevel : yExtent, rows[6], i % 3 == 0 ? 1.0 : 0.8);
    c.vline(cols[9], yTop, rows[6], 1.0);
    c.frame(QRect(x0, yTop, cols[10] - x0, rows[6] - yTop));

    // Measures carried out: A to F, rows 1 to 5, a blank strip in row 6.
    const int m[] = {534, 582, 635, 687, 739, 792, 850};
    c.text(QRect(m[0], yTop, m[6] - m[0], yLevel - yTop), QStringLiteral("Provvedimenti di P.I. eseguiti"),
           S::Bold, kCentre);
    const QString measures[] = {QStringLiteral("Nessuno"),
                                QStringLiteral("Demolizioni"),
                                QStringLiteral("Cerchiature e/o tiranti"),
                                QStringLiteral("Riparazione"),
                                QStringLiteral("Puntelli"),
                                QStringLiteral("Transennature e protezione passaggi")};
    for (int i = 0; i < 6; ++i) {
        c.paragraph(QRect(m[i] + 2, yLevel + 2, m[i + 1] - m[i] - 4, yLett - yLevel - 4), measures[i],
                    S::Small, i == 5 ? 8 : 9, Qt::AlignCenter);
        c.text(QRect(m[i], yLett, m[i + 1] - m[i], rows[0] - yLett), QString(QChar(u'A' + i)), S::Bold,
               kCentre);
        if (i > 0)
            c.vline(m[i], yLevel, rows[5]);
    }
    for (int r = 0; r < 6; ++r)
        c.hline(m[0], m[6], rows[r], r == 0 ? 1.0 : 0.8);
    c.hline(m[0], m[6], yLevel);
    c.hline(m[0], m[6], yLett, 0.6);
    c.fill(QRect(m[0] + 1, rows[5] + 1, m[6] - m[0] - 2, rows[6] - rows[5] - 2), PageCanvas::kTint);
    c.frame(QRect(m[0], yTop, m[6] - m[0], rows[6] - yTop));

    c.paragraph(
        QRect(15, 738, 870, 16),
        QStringLiteral("(*) Per ogni livello di danno indicare l'estensione solo se il livello è presente. "
                       "Se l'elemento non è danneggiato indicare Nullo."),
        S::Italic, 9);
}

// Section 5: damage to non-structural elements and the measures carried out.
void Pagina2::sezione5() {
    c.sectionBand(
        QRect(12, 777, 876, 17), QStringLiteral("5"),
        QStringLiteral("Danni ad elementi non strutturali e provvedimenti di pronto intervento eseguiti"));
    const int rows[] = {886, 905, 925, 944, 964, 984, 1003};
    const int cols[] = {304, 375, 446, 517, 588, 658, 729, 805};
    const int x0 = 15, yTop = 798, yMeasures = 814, yLett = 868;

    c.paragraph(QRect(x0 + 6, yTop, cols[0] - x0 - 12, yLett - yTop), QStringLiteral("Tipo di danno"),
                S::Bold, 10, Qt::AlignCenter);
    c.paragraph(QRect(cols[0] + 2, yTop + 2, cols[1] - cols[0] - 4, yLett - yTop - 4),
                QStringLiteral("Danno presente"), S::Bold, 10, Qt::AlignCenter);
    c.text(QRect(cols[1], yTop, cols[7] - cols[1], yMeasures - yTop),
           QStringLiteral("Provvedimenti di pronto intervento eseguiti"), S::Bold, kCentre);
    const QString measures[] = {QStringLiteral("Nessuno"),
                                QStringLiteral("Rimozione"),
                                QStringLiteral("Puntelli"),
                                QStringLiteral("Riparazione"),
                                QStringLiteral("Divieto di accesso"),
                                QStringLiteral("Transennature e protezione passaggi")};
    for (int i = 0; i < 6; ++i)
        c.paragraph(
            QRect(cols[i + 1] + 2, yMeasures + 2, cols[i + 2] - cols[i + 1] - 4, yLett - yMeasures - 4),
            measures[i], S::Small, 9, Qt::AlignCenter);
    for (int i = 0; i < 7; ++i)
        c.text(QRect(cols[i], yLett, cols[i + 1] - cols[i], rows[0] - yLett), QString(QChar(u'A' + i)),
               S::Bold, kCentre);

    const QString damages[] = {QStringLiteral("Distacco intonaci, rivestimenti, controsoffitti, ..."),
                               QStringLiteral("Caduta tegole, comignoli, ..."),
                               QStringLiteral("Caduta cornicioni, parapetti, ..."),
                               QStringLiteral("Caduta altri oggetti interni o esterni"),
                               QStringLiteral("Danno alla rete idrica, fognaria o termoidraulica"),
                               QStringLiteral("Danno alla rete elettrica o del gas")};
    for (int r = 0; r < 6; ++r) {
        c.text(QRect(x0, rows[r], 16, rows[r + 1] - rows[r]), QString::number(r + 1), S::Bold, kCentre);
        c.text(QRect(x0 + 20, rows[r], cols[0] - x0 - 24, rows[r + 1] - rows[r]), damages[r], S::Plain, kLeft,
               9);
        c.hline(x0, cols[7], rows[r], r == 0 ? 1.0 : 0.8);
    }
    c.hline(x0, cols[7], yLett, 0.6);
    c.hline(cols[1], cols[7], yMeasures);
    c.vline(cols[0], yTop, rows[6], 1.0);
    c.vline(cols[1], yTop, rows[6], 1.0);
    for (int i = 2; i < 7; ++i)
        c.vline(cols[i], yMeasures, rows[6]);
    c.frame(QRect(x0, yTop, cols[7] - x0, rows[6] - yTop));
}

// Section 6: external hazard caused by other buildings.
void Pagina2::sezione6() {
    c.sectionBand(
        QRect(12, 1029, 876, 17), QStringLiteral("6"),
        QStringLiteral("Pericolo esterno indotto da altre costruzioni e provvedimenti di p.i. eseguiti"));
    const int rows[] = {1122, 1141, 1160};
    const int cols[] = {255, 337, 414, 490, 610, 700};
    const int x0 = 15, yTop = 1050, yCols = 1068, yLett = 1104;

    c.paragraph(QRect(x0 + 6, yTop, cols[0] - x0 - 12, yLett - yTop), QStringLiteral("Potenziali cause"),
                S::Bold, 10, Qt::AlignCenter);
    c.text(QRect(cols[0], yTop, cols[3] - cols[0], yCols - yTop), QStringLiteral("Pericolo su"), S::Bold,
           kCentre);
    c.text(QRect(cols[3], yTop, cols[5] - cols[3], yCols - yTop),
           QStringLiteral("Provvedimenti di P.I. eseguiti"), S::Bold, kCentre);
    const QString heads[] = {QStringLiteral("Edificio"), QStringLiteral("Via di accesso"),
                             QStringLiteral("Vie interne"), QStringLiteral("Divieto di accesso"),
                             QStringLiteral("Transennature e protezione passaggi")};
    for (int i = 0; i < 5; ++i) {
        c.paragraph(QRect(cols[i] + 2, yCols + 2, cols[i + 1] - cols[i] - 4, yLett - yCols - 4), heads[i],
                    S::Small, 9, Qt::AlignCenter);
        c.text(QRect(cols[i], yLett, cols[i + 1] - cols[i], rows[0] - yLett), QString(QChar(u'A' + i)),
               S::Bold, kCentre);
    }
    const QString causes[] = {QStringLiteral("Crolli o cadute da altre costruzioni"),
                              QStringLiteral("Rottura di reti di distribuzione")};
    for (int r = 0; r < 2; ++r) {
        c.text(QRect(x0, rows[r], 16, rows[r + 1] - rows[r]), QString::number(r + 1), S::Bold, kCentre);
        c.text(QRect(x0 + 20, rows[r], cols[0] - x0 - 24, rows[r + 1] - rows[r]), causes[r], S::Plain, kLeft,
               9);
        c.hline(x0, cols[5], rows[r], r == 0 ? 1.0 : 0.8);
    }
    c.hline(cols[0], cols[5], yCols);
    c.hline(x0, cols[5], yLett, 0.6);
    c.vline(cols[0], yTop, rows[2], 1.0);
    c.vline(cols[3], yTop, rows[2], 1.0);
    for (int i : {1, 2, 4})
        c.vline(cols[i], yCols, rows[2]);
    c.frame(QRect(x0, yTop, cols[5] - x0, rows[2] - yTop));
}

// Section 7: soil and foundations. The lower row stays blank: the choices and their captions are
// the controls' own.
void Pagina2::sezione7() {
    c.sectionBand(QRect(12, 1186, 876, 15), QStringLiteral("7"), QStringLiteral("Terreno e fondazioni"));
    const int x0 = 12, xDiv = 410, x1 = 888, yTop = 1201, yEnd = 1258;
    c.text(QRect(x0 + 6, yTop + 1, xDiv - x0 - 12, 12), QStringLiteral("Morfologia del sito"), S::Bold,
           kLeft);
    c.text(QRect(xDiv + 6, yTop + 1, 156, 18), QStringLiteral("Dissesti (in atto o temuti)"), S::Bold, kLeft);
    const ControlDef& versanti = controlOf(QStringLiteral("S7_DissestoVersantiIncombenti"));
    const ControlDef& terreno = controlOf(QStringLiteral("S7_DissestoTerrenoFondazione"));
    c.text(QRect(versanti.rect.right() + 4, versanti.rect.top(), 128, versanti.rect.height()),
           QStringLiteral("Versanti incombenti"), S::Plain, kLeft);
    c.text(QRect(terreno.rect.right() + 4, terreno.rect.top(), 130, terreno.rect.height()),
           QStringLiteral("Terreno di fondazione"), S::Plain, kLeft);
    // No rule between the headings and the answers: the radio buttons stand right under the
    // check boxes, and a rule there would run along the tops of their circles.
    c.vline(xDiv, yTop, yEnd, 1.0);
    c.frame(QRect(x0, yTop, x1 - x0, yEnd - yTop));
}

// The boxes the inspector fills in, under their controls.
void Pagina2::caselle() {
    for (const ControlDef& s : TabellaPagina2()) {
        if (!s.visible)
            continue;
        if (s.kind == ControlKind::CheckBox)
            c.tickSquare(TickSquare(s.rect));
        else if (s.kind == ControlKind::RadioGroup && s.items.first().caption.isEmpty())
            for (int i = 0; i < s.items.size(); ++i)
                c.choiceCircle(RadioCentre(s, i), 6);
    }
}

} // namespace

void DrawPagina2(PageCanvas& canvas) {
    Pagina2(canvas).draw();
}
