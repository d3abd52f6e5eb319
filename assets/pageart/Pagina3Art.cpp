// Printed page 3: section 8, the usability judgement, and section 9, other observations. Boxes
// are placed from the page's control table; captions and rulings have coordinates of their own.
#include "PageArt.h"
#include "PageCanvas.h"
#include "TabellaPagina3.h"

namespace {

constexpr int kLeft = 10;
constexpr int kRight = 890;

class Pagina3 {
public:
    explicit Pagina3(PageCanvas& c) : c(c), table(TabellaPagina3()) {}

    void draw() {
        header();
        section8();
        rischio();
        esito();
        frecce();
        accuratezza();
        provvedimenti();
        inagibili();
        section9();
    }

private:
    PageCanvas& c;
    QList<ControlDef> table;

    QRect rectOf(const QString& field) {
        const ControlDef* s = FindDef(table, field);
        return s ? EffectiveRect(*s) : QRect();
    }

    // The cells of a one-column radio group on the page, top to bottom.
    QList<QRect> radioCells(const QString& field) {
        QList<QRect> cells;
        const ControlDef* s = FindDef(table, field);
        if (!s)
            return cells;
        const RadioLayout l = RadioGroupLayout(int(s->items.size()), s->columns);
        for (int i = 0; i < s->items.size(); ++i)
            cells << RadioCell(l, s->rect.size(), i).translated(s->rect.topLeft());
        return cells;
    }

    // Header band: the identification of page 1 repeated, each caption followed by its space.
    void header() {
        const QRect band(kLeft, 14, kRight - kLeft, 34);
        c.fill(band, PageCanvas::kTint);
        c.frame(band);
        struct Item {
            const char* field;
            int captionLeft;
            const char* caption;
        };
        const Item items[] = {{"S1_IstatProv", 16, "Cod. Istat Prov."},
                              {"S1_IstatComune", 186, "Cod. Istat Comune"},
                              {"S1_Squadra", 366, "Rilevatore"},
                              {"S1_SchedaN", 500, "N\u00b0 scheda"},
                              {"S1_Data", 690, "Data"}};
        for (const Item& i : items) {
            // The box stands a little outside the label, so that the value sits inside it, and the
            // caption stands on the value's baseline.
            const QRect label = rectOf(QString::fromLatin1(i.field));
            const QRect box = label.adjusted(-3, -3, 1, -6); // 19 high, as the boxes of page 1
            c.textOnBaseline(box.left() - 4, PageCanvas::labelBaseline(label.top()),
                             QString::fromUtf8(i.caption), PageCanvas::Bold, Qt::AlignRight);
            c.writeBox(box);
        }
        c.vline(356, band.top(), band.bottom(), 2.0);
    }

    void section8() {
        c.sectionBand(QRect(kLeft, 64, kRight - kLeft, 20), QStringLiteral("8"),
                      QString::fromUtf8("Giudizio di agibilit\u00e0"));
        c.frame(QRect(kLeft, 84, kRight - kLeft, 742 - 84));
        c.text(QRect(kLeft + 4, 88, 359 - 4, 20), QStringLiteral("Valutazione del rischio"), PageCanvas::Bold,
               Qt::AlignHCenter | Qt::AlignVCenter, 12);
        c.text(QRect(430, 88, kRight - 430, 20), QString::fromUtf8("Esito di agibilit\u00e0"),
               PageCanvas::Bold, Qt::AlignHCenter | Qt::AlignVCenter, 12);
        // Footnote (1) of outcomes C and F.
        c.text(QRect(kLeft + 4, 402, kRight - kLeft - 8, 13),
               QString::fromUtf8(
                   "(1) Riportare l'esito nella colonna \u00abArgomento\u00bb della sezione 9 e "
                   "indicare nelle \u00abAnnotazioni\u00bb le parti inagibili dell'edificio (esiti B e C) "
                   "e le cause del rischio esterno (esito F)"),
               PageCanvas::Italic, Qt::AlignLeft | Qt::AlignVCenter, 9);
    }

    // Risk assessment: a column per group of sections, a row per level, a circle per button.
    void rischio() {
        const char* const groups[] = {"S8_RischioSez_3_4", "S8_RischioSez_5", "S8_RischioSez_6",
                                      "S8_RischioSez_7"};
        const char* const headings[] = {"STRUTTURALE\n(sez. 3 e 4)", "NON STRUTTURALE\n(sez. 5)",
                                        "ESTERNO\n(sez. 6)", "GEOTECNICO\n(sez. 7)"};
        const char* const levels[] = {"BASSO", "BASSO CON\nPROVVEDIMENTI", "ALTO"};
        const int top = 112, headBottom = 216;
        const QList<QRect> rows = radioCells(QString::fromLatin1(groups[0]));
        const int bottom = rows.last().bottom() + 1;
        // Each column is centred on its buttons; the row captions take the rest at the left.
        QList<int> edges;
        for (const char* g : groups)
            edges << PageCanvas::radioButtonCentre(radioCells(QString::fromLatin1(g)).first()).x() - 24;
        const int right = edges.last() + 48;
        c.fill(QRect(kLeft + 4, top, edges.first() - kLeft - 4, headBottom - top), PageCanvas::kTint);
        c.frame(QRect(kLeft + 4, top, right - kLeft - 4, bottom - top));
        c.hline(kLeft + 4, right, headBottom, 1.0);
        c.text(QRect(kLeft + 4, top, edges.first() - kLeft - 4, headBottom - top), QStringLiteral("RISCHIO"),
               PageCanvas::Bold, Qt::AlignCenter, 12);
        for (int i = 0; i < 4; ++i) {
            c.vline(edges[i], top, bottom, i == 0 ? 1.0 : 0.8);
            c.upright(QRect(edges[i] + 1, top + 2, 46, headBottom - top - 4),
                      QString::fromLatin1(headings[i]), PageCanvas::Bold, 9);
            for (const QRect& cell : radioCells(QString::fromLatin1(groups[i])))
                c.choiceCircle(PageCanvas::radioButtonCentre(cell), 7);
        }
        for (int r = 0; r < rows.size(); ++r) {
            if (r > 0)
                c.hline(kLeft + 4, right, rows[r].top());
            c.paragraph(QRect(kLeft + 10, rows[r].top(), edges.first() - kLeft - 14, rows[r].height()),
                        QString::fromLatin1(levels[r]), PageCanvas::Bold, 10,
                        Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

    // Outcome A to F: the letter, the printed meaning and the square that takes the button.
    void esito() {
        const QList<QRect> rows = radioCells(QStringLiteral("S8_Esito"));
        const char* const meanings[] = {"Edificio AGIBILE",
                                        "Edificio TEMPORANEAMENTE INAGIBILE (tutto o parte) ma AGIBILE con "
                                        "provvedimenti di pronto intervento",
                                        "Edificio PARZIALMENTE INAGIBILE (1)",
                                        "Edificio TEMPORANEAMENTE INAGIBILE da rivedere con approfondimento",
                                        "Edificio INAGIBILE",
                                        "Edificio INAGIBILE per rischio esterno (1)"};
        const int left = 430, letterRight = 458, squareLeft = 834;
        const int top = rows.first().top(), bottom = rows.last().bottom() + 1;
        c.fill(QRect(left, top, letterRight - left, bottom - top), PageCanvas::kTint);
        c.frame(QRect(left, top, kRight - 4 - left, bottom - top));
        c.vline(letterRight, top, bottom);
        c.vline(squareLeft, top, bottom);
        for (int r = 0; r < rows.size(); ++r) {
            const QRect row = rows[r];
            if (r > 0)
                c.hline(left, kRight - 4, row.top());
            c.text(QRect(left, row.top(), letterRight - left, row.height()), QString(QChar(u'A' + r)),
                   PageCanvas::Bold, Qt::AlignCenter, 15);
            c.paragraph(QRect(letterRight + 8, row.top(), squareLeft - letterRight - 14, row.height()),
                        QString::fromLatin1(meanings[r]), PageCanvas::Plain, 11,
                        Qt::AlignLeft | Qt::AlignVCenter);
            // The square, 38 pixels wide (x 838-876), centred on its row.
            const int cy = PageCanvas::radioButtonCentre(row).y();
            c.tickSquare(QRect(838, cy - 19, 38, 38));
        }
    }

    // Arrows from the risk rows to the outcomes they lead to, and from below the external column
    // to F.
    void frecce() {
        const QList<QRect> risk = radioCells(QStringLiteral("S8_RischioSez_7"));
        const QList<QRect> out = radioCells(QStringLiteral("S8_Esito"));
        const int from = risk.first().left() + 24 + 7 + 6, to = 428;
        auto y = [](const QRect& r) { return PageCanvas::radioButtonCentre(r).y(); };
        const struct {
            int risk;
            int outcome;
        } links[] = {{0, 0}, {1, 1}, {1, 3}, {2, 2}, {2, 3}, {2, 4}};
        for (const auto& l : links)
            c.arrow({QPoint(from, y(risk[l.risk])), QPoint(to, y(out[l.outcome]))});
        const QRect esterno = radioCells(QStringLiteral("S8_RischioSez_6")).last();
        const int x = PageCanvas::radioButtonCentre(esterno).x();
        c.arrow({QPoint(x, esterno.bottom() + 4), QPoint(x, y(out[5])), QPoint(to, y(out[5]))});
    }

    // Accuracy of the visit: the caption cell, then blank space for the three boxes.
    void accuratezza() {
        const int top = 417, bottom = 477, captionRight = 145;
        c.hline(kLeft, kRight, top, 1.0);
        c.hline(kLeft, kRight, bottom, 1.0);
        c.fill(QRect(kLeft + 1, top + 1, captionRight - kLeft - 1, bottom - top - 1), PageCanvas::kTint);
        c.vline(captionRight, top, bottom);
        c.paragraph(QRect(kLeft + 6, top, captionRight - kLeft - 10, bottom - top),
                    QStringLiteral("Sull'accuratezza della visita"), PageCanvas::Bold, 11,
                    Qt::AlignLeft | Qt::AlignVCenter);
        for (const char* f :
             {"S8_AccuratezzaVisita", "S8_TipoVisitaNonEseguita", "S8_VisitaNonEseguitaAltro"})
            c.writeBox(rectOf(QString::fromLatin1(f)));
    }

    // Suggested quick measures in two halves: number, one-star column, two-star column and
    // description; the boxes of rows 11 and 12 take a description of their own.
    void provvedimenti() {
        const char* const measures[] = {"Cerchiature e/o tiranti",
                                        "Riparazione danni leggeri a tamponature e tramezzi",
                                        "Riparazione copertura",
                                        "Puntellatura scale",
                                        "Rimozione intonaci, rivestimenti, controsoffitti",
                                        "Rimozione tegole, comignoli, parapetti",
                                        "Rimozione cornicioni, parapetti, aggetti",
                                        "Rimozione altri oggetti interni o esterni",
                                        "Transennature e protezione passaggi",
                                        "Riparazione impianti a rete",
                                        "",
                                        ""};
        const int top = 478, headTop = 516, headBottom = 541, bottom = 679, middle = 450;
        c.text(QRect(kLeft + 8, top + 3, 600, 18),
               QStringLiteral("Provvedimenti di pronto intervento suggeriti"), PageCanvas::Bold,
               Qt::AlignLeft | Qt::AlignVCenter, 12);
        c.text(QRect(kLeft + 8, top + 20, 600, 16),
               QStringLiteral("(*) provvedimenti limitati      (**) provvedimenti estesi"),
               PageCanvas::Italic, Qt::AlignLeft | Qt::AlignVCenter, 10);
        c.hline(kLeft, kRight, headTop, 1.0);
        c.fill(QRect(kLeft + 1, headTop + 1, kRight - kLeft - 2, headBottom - headTop - 1),
               PageCanvas::kTint);
        c.hline(kLeft, kRight, headBottom, 1.0);
        c.hline(kLeft, kRight, bottom, 1.0);
        c.vline(middle, headTop, bottom, 1.4);
        const int rowLines[] = {565, 587, 610, 632, 655};
        for (int y : rowLines)
            c.hline(kLeft, kRight, y, 0.6);
        for (int half = 0; half < 2; ++half) {
            const QRect first = rectOf(QStringLiteral("S8_PIRapidoSuggerito_%1").arg(half * 6 + 1));
            const int numberLeft = half == 0 ? kLeft : middle;
            const int starLeft = first.left(), starMid = first.left() + first.width() / 2,
                      starRight = first.right() + 1;
            const int rightEdge = half == 0 ? middle : kRight;
            for (int x : {starLeft, starMid, starRight})
                c.vline(x, headTop, bottom);
            const QRect head(0, headTop, 0, headBottom - headTop);
            c.text(QRect(numberLeft, head.top(), starLeft - numberLeft, head.height()), QStringLiteral("N."),
                   PageCanvas::Bold, Qt::AlignCenter, 9);
            c.text(QRect(starLeft, head.top(), starMid - starLeft, head.height()), QStringLiteral("*"),
                   PageCanvas::Bold, Qt::AlignCenter, 12);
            c.text(QRect(starMid, head.top(), starRight - starMid, head.height()), QStringLiteral("**"),
                   PageCanvas::Bold, Qt::AlignCenter, 12);
            c.text(QRect(starRight + 6, head.top(), rightEdge - starRight - 10, head.height()),
                   QStringLiteral("Provvedimento"), PageCanvas::Bold, Qt::AlignLeft | Qt::AlignVCenter, 10);
            for (int i = 0; i < 6; ++i) {
                const int n = half * 6 + i + 1;
                const QRect box = rectOf(QStringLiteral("S8_PIRapidoSuggerito_%1").arg(n));
                const int rowTop = i == 0 ? headBottom : rowLines[i - 1];
                const int rowBottom = i == 5 ? bottom : rowLines[i];
                const QRect row(numberLeft, rowTop, rightEdge - numberLeft, rowBottom - rowTop);
                c.text(QRect(numberLeft, row.top(), starLeft - numberLeft, row.height()), QString::number(n),
                       PageCanvas::Bold, Qt::AlignCenter, 10);
                // A tick square in each star column, under the choice box of the row.
                const int cy = box.center().y();
                c.tickSquare(QRect((starLeft + starMid) / 2 - 6, cy - 6, 13, 13));
                c.tickSquare(QRect((starMid + starRight) / 2 - 6, cy - 6, 13, 13));
                if (measures[n - 1][0])
                    c.text(QRect(starRight + 6, row.top(), rightEdge - starRight - 10, row.height()),
                           QString::fromLatin1(measures[n - 1]), PageCanvas::Plain,
                           Qt::AlignLeft | Qt::AlignVCenter, 11);
            }
        }
        c.writeBox(rectOf(QStringLiteral("S8_PIRapidoSuggeritoDes_11")));
        c.writeBox(rectOf(QStringLiteral("S8_PIRapidoSuggeritoDes_12")));
    }

    // Unusable housing units, families and persons evacuated, on one line.
    void inagibili() {
        struct Item {
            const char* field;
            int captionLeft;
            const char* caption;
        };
        const Item items[] = {
            {"S8_UnitaImmobiliariInagibili", 16, "N\u00b0 unit\u00e0 immobiliari inagibili"},
            {"S8_NucleiFamiliariEvaquati", 290, "N\u00b0 nuclei familiari evacuati"},
            {"S8_NumeroPersoneEvaquate", 586, "N\u00b0 persone evacuate"},
        };
        for (const Item& i : items) {
            const QRect box = rectOf(QString::fromLatin1(i.field));
            c.text(QRect(i.captionLeft, box.top(), box.left() - 6 - i.captionLeft, box.height()),
                   QString::fromUtf8(i.caption), PageCanvas::Bold, Qt::AlignRight | Qt::AlignVCenter, 11);
            c.writeBox(box);
        }
    }

    // Other observations: topic and notes columns with ruled lines, then the compiler's name
    // and signature.
    void section9() {
        const int top = 783, headBottom = 812, linesBottom = 1210, bottom = 1280;
        const int topicRight = 122, nameRight = 512;
        c.sectionBand(QRect(kLeft, 763, kRight - kLeft, 20), QStringLiteral("9"),
                      QStringLiteral("Altre osservazioni"),
                      QString::fromUtf8(
                          "sul danno, sui provvedimenti di pronto intervento, sull'agibilit\u00e0 o altro"));
        c.frame(QRect(kLeft, top, kRight - kLeft, bottom - top));
        c.fill(QRect(kLeft + 1, top, kRight - kLeft - 2, headBottom - top), PageCanvas::kTint);
        c.hline(kLeft, kRight, headBottom, 1.0);
        c.vline(topicRight, top, linesBottom, 1.0);
        c.text(QRect(kLeft, top, topicRight - kLeft, headBottom - top), QStringLiteral("Argomento"),
               PageCanvas::Bold, Qt::AlignCenter, 11);
        c.text(QRect(topicRight, top, kRight - topicRight, headBottom - top), QStringLiteral("Annotazioni"),
               PageCanvas::Bold, Qt::AlignCenter, 11);
        // No ruled lines: the two memos and the photograph fill the columns, and lines beside them
        // would show as dashes in the gaps.
        c.hline(kLeft, kRight, linesBottom, 1.0);
        c.vline(topicRight, linesBottom, bottom);
        c.vline(nameRight, linesBottom, bottom);
        c.text(QRect(topicRight, linesBottom + 6, nameRight - topicRight, 20),
               QStringLiteral("Nome del compilatore (in stampatello)"), PageCanvas::Bold, Qt::AlignCenter,
               11);
        c.text(QRect(nameRight, linesBottom + 6, kRight - nameRight, 20),
               QStringLiteral("Firma del compilatore"), PageCanvas::Bold, Qt::AlignCenter, 11);
        c.writeBox(rectOf(QStringLiteral("S9_Compilatore")));
        c.writeBox(rectOf(QStringLiteral("S9_Firma")));
    }
};

} // namespace

void DrawPagina3(PageCanvas& canvas) {
    Pagina3(canvas).draw();
}
