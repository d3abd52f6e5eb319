// Builds the main window and its three pages over a sample filled form and writes one PNG per
// whole page (pagina1.png, pagina2.png, pagina3.png) and one of the main window (main.png) into
// the folder given on the command line. Used to look at the pages as an inspector sees them.
// It also prints the same form into stampa.pdf there, as "Esporta PDF ..." does.
#include "Dataset.h"
#include "ExeDir.h"
#include "Field.h"
#include "PictureGraphic.h"
#include "Servizi.h"
#include "StampaScheda.h"
#include "VarnoError.h"
#include "WMain.h"
#include "WPagina1.h"
#include "WPagina2.h"
#include "WPagina3.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// A sketch of the structural aggregate as a squad photocopies it from the map: the blocks along
// two streets, the surveyed building hatched.
QImage planOfTheAggregate() {
    QImage plan(1200, 640, QImage::Format_RGB32);
    plan.fill(QColor(250, 248, 240));
    QPainter p(&plan);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 3));
    const QRect blocks[] = {{120, 90, 220, 180}, {340, 90, 180, 180},  {520, 90, 260, 180},
                            {780, 90, 200, 180}, {120, 370, 300, 190}, {420, 370, 200, 190},
                            {620, 370, 360, 190}};
    for (const QRect& b : blocks)
        p.drawRect(b);
    p.fillRect(blocks[2].adjusted(2, 2, -1, -1), QBrush(QColor(200, 40, 40), Qt::BDiagPattern));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 22));
    p.drawText(QRect(120, 285, 860, 70), Qt::AlignCenter, QStringLiteral("Via della Fontana"));
    p.drawText(QRect(1000, 90, 180, 470), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Piazza San Giustino"));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 28, QFont::Bold));
    p.drawText(blocks[2], Qt::AlignCenter, QStringLiteral("14"));
    return plan;
}

void fill(Dataset& ds) {
    const std::pair<const char*, const char*> texts[] = {
        {"CodiceRichiesta", "AQ0412"},
        {"S1_Squadra", "12"},
        {"S1_SchedaN", "0007"},
        {"S1_IstatReg", "013"},
        {"S1_IstatProv", "066"},
        {"S1_IstatComune", "049"},
        {"S1_NAggregato", "00231"},
        {"S1_NEdificio", "004"},
        {"S1_CodLocIstat", "0010"},
        {"S1_TipoCarta", "CTR 1:5000"},
        {"S1_SezCensIstat", "012"},
        {"S1_NCarta", "359"},
        {"S1_Foglio", "112"},
        {"S1_Allegato", "A"},
        {"S1_Particelle", "451, 452, 460"},
        {"S1_Provincia", "L'Aquila"},
        {"S1_Comune", "L'Aquila"},
        {"S1_Localita", "Paganica"},
        {"S1_Via", "della Fontana"},
        {"S1_NumeroCivico", "14"},
        {"S1_CoordinataE", "372145"},
        {"S1_CoordinataN", "4693380"},
        {"S1_Fuso", "33"},
        {"S1_DenominazioneEdificio", "Casa Rossi"},
        {"S1_CodiceUso", "01"},
        {"S2_NUnitaUsoA", "3"},
        {"S2_NUnitaUsoC", "1"},
        {"S2_Occupanti", "9"},
        {"S8_VisitaNonEseguitaAltro", ""},
        {"S9_Argomento", "Lesioni"},
        {"S9_Annotazioni",
         "Lesioni diagonali al piano terra sul fronte strada.\r\nCrollo parziale della copertura."},
        {"S9_Compilatore", "Ing. Mario Bianchi"},
        {"S9_Firma", "M. Bianchi"},
    };
    for (const auto& [field, text] : texts)
        ds.fieldByName(QString::fromLatin1(field))->setAsString(QString::fromUtf8(text));
    const std::pair<const char*, QVariant> values[] = {
        {"S1_Data", QDateTime(QDate(2009, 4, 23), QTime(0, 0), Qt::UTC)},
        {"S1_TipoIndirizzo", 1},
        {"S1_TipoPosizione", 3},
        {"S2_NPianiTotali", 3},
        {"S2_AltezzaMediaPiano", 2},
        {"S2_PianiInterrati", "B"},
        {"S2_SuperficieMediaPiano", "D"},
        {"S2_EtaCostruzione", 2},
        {"S2_EtaRistrutturazione", 5},
        {"S2_Utilizzazione", "A"},
        {"S3_TM_B4", true},
        {"S3_TM_D5", true},
        {"S3_RegolaritaPianta", "A"},
        {"S3_Copertura", 2},
        {"S4_Danno_A1", true},
        {"S4_Danno_E2", true},
        {"S4_Danno_H4", true},
        {"S4_PI_B1", true},
        {"S5_A1", true},
        {"S5_B3", true},
        {"S6_A1", true},
        {"S7_MorfologiaSito", 2},
        {"S8_RischioSez_3_4", 3},
        {"S8_Esito", "E"},
        {"S8_PIRapidoSuggerito_1", 1},
        {"S8_PIRapidoSuggerito_4", 2},
        {"S8_UnitaImmobiliariInagibili", 3},
        {"S8_NucleiFamiliariEvaquati", 3},
        {"S8_NumeroPersoneEvaquate", 9},
    };
    for (const auto& [field, value] : values)
        ds.fieldByName(QString::fromLatin1(field))->setValue(value);
    ds.fieldByName(QStringLiteral("S1_FotocopiaAggregato"))
        ->setValue(PictureGraphic::fromImage(planOfTheAggregate(), PictureFormat::Jpeg).bytes());
    ds.post();
}

bool save(QWidget* w, const QString& path) {
    if (w->grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ImpostaLocale();
    LoadProgramFonts();
    QApplication::setFont(ProgramFont());
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir exeDir; // the program's folder: no INI file of the user is touched
    SetExeDir(exeDir.path());

    TWinMain w;
    w.show();
    // A new form, as New makes it with no INI file, then filled in.
    w.TblScheda()->createDataSet();
    w.TblScheda()->append();
    w.TblScheda()->post();
    fill(*w.TblScheda());
    w.ResetPagine();
    w.AggiornaComandi();
    app.processEvents();

    bool ok = save(&w, out + QStringLiteral("/main.png"));
    const std::pair<TWinSuperPagina*, const char*> pages[] = {
        {w.Pagina1(), "pagina1.png"}, {w.Pagina2(), "pagina2.png"}, {w.Pagina3(), "pagina3.png"}};
    for (int i = 0; i < 3; ++i) {
        w.PgCtrl()->setCurrentIndex(i + 1);
        app.processEvents();
        ok = save(pages[i].first->surface(), out + u'/' + QString::fromLatin1(pages[i].second)) && ok;
    }
    try {
        DocumentoPdf pdf(out + QStringLiteral("/stampa.pdf"), QDate(2009, 4, 24));
        pdf.aggiungi(*w.TblScheda(), QStringLiteral("Sq12_n0007_(23-04-2009).VARNO"));
        pdf.chiudi();
    } catch (const VarnoError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        ok = false;
    }
    return ok ? 0 : 1;
}
