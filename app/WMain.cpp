#include "WMain.h"

#include "ControlloPagine.h"
#include "Dataset.h"
#include "DialogOpenSave.h"
#include "DlgInvia.h"
#include "ExeDir.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "FormStore.h"
#include "IniDati.h"
#include "IniFile.h"
#include "Prompter.h"
#include "Recupero.h"
#include "Servizi.h"
#include "StampaScheda.h"
#include "VarnoError.h"
#include "WCnf.h"
#include "WPagina1.h"
#include "WPagina2.h"
#include "WPagina3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace {
constexpr int kClientWidth = 992;
constexpr int kClientHeight = 646;
constexpr int kHeaderHeight = 80;
constexpr int kStatusHeight = 19;
constexpr int kPgLeft = 22;
constexpr int kPgTop = 89;
constexpr int kPgWidth = 950;
constexpr int kPgBottomGap = 9;
} // namespace

// The client area: header panel, the grey background with its caption, and the page control,
// which keeps its width and its relative horizontal position and follows the height.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(181, 181, 181));
        setPalette(pal);

        header = new QWidget(this);
        header->setObjectName(QStringLiteral("Header"));
        header->setAutoFillBackground(true);
        QPalette hp = header->palette();
        hp.setColor(QPalette::Window, QColor(255, 251, 240));
        header->setPalette(hp);
        strip = new QLabel(header);
        strip->setObjectName(QStringLiteral("HeaderStrip"));
        strip->setPixmap(QPixmap(QStringLiteral(":/header/strip.gif")));
        strip->setScaledContents(true);
        logo = new QLabel(header);
        logo->setObjectName(QStringLiteral("HeaderLogo"));
        logo->setPixmap(QPixmap(QStringLiteral(":/header/logo.gif")));
        logo->setFixedSize(174, kHeaderHeight);
    }

    QWidget* header;
    QLabel* strip;
    QLabel* logo;
    QTabWidget* pages = nullptr;

protected:
    void resizeEvent(QResizeEvent*) override {
        header->setGeometry(0, 0, width(), kHeaderHeight);
        logo->move(width() - logo->width(), 0);
        strip->setGeometry(0, 0, qMax(0, width() - logo->width()), kHeaderHeight);
        if (pages) {
            // Anchored neither left nor right: the centre keeps its share of the width.
            const double centre = (kPgLeft + kPgWidth / 2.0) / kClientWidth;
            const int left = qRound(centre * width() - kPgWidth / 2.0);
            const int clientBottom = height(); // the status bar lies below this widget
            pages->setGeometry(left, kPgTop, kPgWidth, qMax(0, clientBottom - kPgBottomGap - kPgTop));
        }
    }

    void paintEvent(QPaintEvent*) override {
        paintCaption();
        // The window is on screen: the pages can now be built while the program waits.
        if (auto* main = qobject_cast<TWinMain*>(window()))
            main->CostruisciPagineInAttesa();
    }

private:
    void paintCaption() {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QFont font = ProgramFont(80, true);
        const QString caption = QStringLiteral("VARNO");
        const QRect area(0, kHeaderHeight, width(), height() - kHeaderHeight);
        const QFontMetrics fm(font);
        const QPoint origin(area.center().x() - fm.horizontalAdvance(caption) / 2,
                            area.center().y() + (fm.ascent() - fm.descent()) / 2);
        QPainterPath path;
        path.addText(origin, font, caption);
        // The installed bold Tahoma is hardly heavier than the regular one: a stroke
        // around the outline gives the caption its weight.
        const QColor grey(223, 223, 223);
        p.setPen(QPen(grey, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(grey);
        p.drawPath(path);
    }
};

TWinMain::TWinMain(QWidget* parent)
    : QMainWindow(parent), m_tblScheda(new Dataset(QStringLiteral("TblScheda"), this)) {
    setObjectName(QStringLiteral("WinMain"));
    setWindowTitle(QStringLiteral("Schede VARNO 06/2008 - SCHEDE DI 1° LIVELLO DI RILEVAMENTO DANNO ..."));
    setFont(ProgramFont());
    m_tblScheda->createFields(SchemaScheda());
    connect(m_tblScheda, &Dataset::newRecord, this, [](Dataset* ds) { TblSchedaNewRecord(ds); });

    m_client = new ClientArea(this);
    setCentralWidget(m_client);
    m_pgCtrl = new ControlloPagine(m_client);
    m_pgCtrl->setObjectName(QStringLiteral("PgCtrl"));
    m_pgCtrl->setTabPosition(QTabWidget::South);
    m_pgCtrl->setMinimumWidth(kPgWidth);
    m_pgCtrl->setMaximumWidth(kPgWidth);
    m_pgCtrl->setAutoFillBackground(true);
    QPalette pp = m_pgCtrl->palette();
    pp.setColor(QPalette::Window, Qt::white);
    m_pgCtrl->setPalette(pp);
    m_client->pages = m_pgCtrl;
    auto makeSheet = [this](const char* name, const QString& caption) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QString::fromLatin1(name));
        m_pgCtrl->addTab(sheet, caption);
        return sheet;
    };
    m_tsConfigurazione = makeSheet("TsConfigurazione", QStringLiteral("Configurazione"));
    m_tsPagina1 = makeSheet("TsPagina1", QStringLiteral("Pagina 1"));
    m_tsPagina2 = makeSheet("TsPagina2", QStringLiteral("Pagina 2"));
    m_tsPagina3 = makeSheet("TsPagina3", QStringLiteral("Pagina 3"));
    // The configuration page is never shown nor reached.
    m_pgCtrl->setTabVisible(0, false);
    m_pgCtrl->setTabEnabled(0, false);
    // Leaving a page first writes the value typed on it; a refused one keeps the page.
    m_pgCtrl->setLasciaPagina([this] {
        for (TWinSuperPagina* p : pagine())
            if (p && p->isVisible() && !p->UpdateRecord())
                return false;
        return true;
    });

    statusBar()->setFixedHeight(kStatusHeight);
    buildMenu();

    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    FormCreate();
}

TWinMain::~TWinMain() {
    FormDestroy();
}

void TWinMain::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("mnFile"));
    auto add = [this, file](const char* name, const QString& caption, void (TWinMain::*slot)()) {
        QAction* a = file->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_mnNuovo = add("mnNuovo", QStringLiteral("Nuovo"), &TWinMain::mnNuovoClick);
    m_mnApri = add("mnApri", QStringLiteral("Apri ..."), &TWinMain::mnApriClick);
    m_mnSalva = add("mnSalva", QStringLiteral("Salva"), &TWinMain::mnSalvaClick);
    m_mnChiudi = add("mnChiudi", QStringLiteral("Chiudi"), &TWinMain::mnChiudiClick);
    m_mnStampa = add("mnStampa", QStringLiteral("Stampa ..."), &TWinMain::mnStampaClick);
    m_mnEsportaPdf = add("mnEsportaPdf", QStringLiteral("Esporta PDF ..."), &TWinMain::mnEsportaPdfClick);
    file->addSeparator();
    m_mnInvia = add("mnInvia", QStringLiteral("Invia ..."), &TWinMain::mnInviaClick);
    file->addSeparator();
    m_mnEsci = add("mnEsci", QStringLiteral("Esci"), &TWinMain::mnEsciClick);
}

void TWinMain::FormCreate() {
    // ExeDir is fixed once, from the executable's folder unless already set.
    m_iniFile = new IniFile(ExeDir() + QStringLiteral("Varno.Ini"));
    m_nuovaScheda = false;
    m_winCnf = new TWinCnf(m_tblScheda, this);
    InserisciPagina(m_winCnf, m_tsConfigurazione);
    // The three pages (their controls and the decoding of their pictures) are most of the
    // start-up's work and nothing shows them before a form is open: they are built once the window
    // is on screen, or earlier by whatever needs them (CostruisciPagine).
    AggiornaComandi();
    m_recupero = new Recupero(this, m_tblScheda, ExeDir());
}

void TWinMain::RecuperaScheda() {
    runCommand([this] {
        bool nuova = false;
        QString percorso;
        if (m_recupero->offri(&nuova, &percorso)) {
            m_nuovaScheda = nuova;
            m_percorsoScheda = percorso;
            ResetPagine();
        }
        AggiornaComandi();
    });
}

bool TWinMain::CostruisciPaginaSuccessiva() {
    // Always in the order page 1, 2, 3, as the tab order of the form runs.
    if (!m_pagina1) {
        m_pagina1 = new TWinPagina1(m_tblScheda, this);
        InserisciPagina(m_pagina1, m_tsPagina1);
    } else if (!m_pagina2) {
        m_pagina2 = new TWinPagina2(m_tblScheda, this);
        InserisciPagina(m_pagina2, m_tsPagina2);
    } else if (!m_pagina3) {
        m_pagina3 = new TWinPagina3(m_tblScheda, this);
        InserisciPagina(m_pagina3, m_tsPagina3);
    } else {
        return false;
    }
    return true;
}

void TWinMain::CostruisciPagine() {
    while (CostruisciPaginaSuccessiva()) {
    }
}

void TWinMain::CostruisciPagineInAttesa() {
    if (!std::exchange(m_costruzioneAvviata, true))
        QTimer::singleShot(0, this, &TWinMain::CostruisciPaginaInAttesa);
}

void TWinMain::CostruisciPaginaInAttesa() {
    // One page per turn of the event loop: a command chosen meanwhile runs between two pages
    // (and builds the rest itself).
    if (CostruisciPaginaSuccessiva())
        QTimer::singleShot(0, this, &TWinMain::CostruisciPaginaInAttesa);
}

TWinPagina1* TWinMain::Pagina1() {
    CostruisciPagine();
    return m_pagina1;
}

TWinPagina2* TWinMain::Pagina2() {
    CostruisciPagine();
    return m_pagina2;
}

TWinPagina3* TWinMain::Pagina3() {
    CostruisciPagine();
    return m_pagina3;
}

void TWinMain::FormDestroy() {
    delete m_iniFile;
    m_iniFile = nullptr;
    delete m_winCnf;
    m_winCnf = nullptr;
    delete m_pagina1;
    m_pagina1 = nullptr;
    delete m_pagina2;
    m_pagina2 = nullptr;
    delete m_pagina3;
    m_pagina3 = nullptr;
}

void TWinMain::InserisciPagina(TWinSuperPagina* page, QWidget* tabSheet) {
    page->setWindowFlags(Qt::Widget);
    page->setParent(tabSheet);
    auto* layout = new QVBoxLayout(tabSheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    page->show();
}

void TWinMain::AggiornaComandi() {
    const bool open = m_tblScheda->active();
    if (open)
        CostruisciPagine(); // a page shown is always complete
    m_pgCtrl->setVisible(open);
    m_mnChiudi->setEnabled(open);
    m_mnSalva->setEnabled(open);
    m_mnStampa->setEnabled(open);
    m_mnEsportaPdf->setEnabled(open);
}

std::array<TWinSuperPagina*, 3> TWinMain::pagine() const {
    return {m_pagina1, m_pagina2, m_pagina3};
}

void TWinMain::ResetPagine() {
    m_pgCtrl->setCurrentWidget(m_tsPagina1);
    for (TWinSuperPagina* p : pagine())
        if (p)
            p->scrollToOrigin();
}

void TWinMain::runCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const VarnoError& e) {
        RipristinaCursore();
        CurrentPrompter()->message(this, e.message(), QStringLiteral("Varno"), MB::IconStop);
    } catch (const std::exception& e) {
        RipristinaCursore();
        CurrentPrompter()->message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Varno"),
                                   MB::IconStop);
    }
}

void TWinMain::mnNuovoClick() {
    runCommand([this] { NuovaScheda(); });
}

void TWinMain::mnApriClick() {
    runCommand([this] { ApriScheda(); });
}

void TWinMain::mnSalvaClick() {
    runCommand([this] { SalvaScheda(); });
}

void TWinMain::mnChiudiClick() {
    runCommand([this] { ChiudiScheda(); });
}

void TWinMain::mnInviaClick() {
    runCommand([this] { InviaSchede(); });
}

void TWinMain::mnStampaClick() {
    runCommand([this] { StampaSchedaAperta(); });
}

void TWinMain::mnEsportaPdfClick() {
    runCommand([this] { EsportaPdf(); });
}

void TWinMain::mnEsciClick() {
    // The close runs after the menu command has returned, through the normal close path.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TWinMain::closeEvent(QCloseEvent* event) {
    m_recupero->scriviSubito();
    bool mayClose = false;
    runCommand([&] { mayClose = ChiudiScheda(); });
    if (mayClose)
        event->accept();
    else
        event->ignore();
}

bool TWinMain::ScriviValorePendente() {
    // The control changed last writes its value first; a refused text keeps its control focused
    // and stops the operation that needed the record.
    for (TWinSuperPagina* p : pagine())
        if (p && !p->UpdateRecord()) // a page not built yet holds nothing typed
            return false;
    m_tblScheda->checkBrowseMode();
    return true;
}

bool TWinMain::ChiudiScheda() {
    if (!ScriviValorePendente())
        return false;
    if (m_tblScheda->active() && m_tblScheda->changeCount() > 0) {
        switch (Messaggio(QStringLiteral("Vuoi salvare la scheda prima di chiuderla?"),
                          QStringLiteral("ATTENZIONE!!!"), MB::YesNoCancel | MB::IconQuestion)) {
        case MB::IdYes:
            if (!SalvaScheda())
                return false;
            break;
        case MB::IdNo:
            break;
        default:
            return false;
        }
    }
    if (m_tblScheda->active())
        m_tblScheda->close();
    m_percorsoScheda.clear();
    m_recupero->schedaChiusa();
    AggiornaComandi();
    return true;
}

void TWinMain::NuovaScheda() {
    if (!ChiudiScheda())
        return;
    CursoreAttesa();
    CostruisciPagine();
    m_tblScheda->close();
    m_tblScheda->createDataSet();
    TIniDati dati;
    LeggiIni(*m_iniFile, dati);
    m_tblScheda->append();
    AssegnaDatiIni(*m_tblScheda, dati);
    m_tblScheda->post();
    ResetPagine();
    AggiornaComandi();
    m_nuovaScheda = true;
    m_recupero->schedaAperta(true, QString());
    RipristinaCursore();
}

void TWinMain::ApriScheda() {
    if (!ChiudiScheda())
        return;
    TDlgOpenSave dlg(this, true);
    // Whatever happens to the chosen file, the pages end at their origin and the commands follow
    // the dataset's state.
    struct Finally {
        TWinMain* w;
        ~Finally() {
            w->ResetPagine();
            w->AggiornaComandi();
        }
    } finally{this};
    if (dlg.exec() == QDialog::Accepted) {
        CursoreAttesa();
        CostruisciPagine();
        m_tblScheda->loadFromFile(dlg.PercorsoScelto());
        m_tblScheda->mergeChangeLog();
        m_percorsoScheda = dlg.PercorsoScelto();
        m_nuovaScheda = false;
        m_recupero->schedaAperta(false, dlg.PercorsoScelto());
        RipristinaCursore();
    }
}

void TWinMain::InviaSchede() {
    if (!ChiudiScheda())
        return;
    // The dialog reads the server address through the main window's INI file.
    TDialogInvia dlg(this, m_iniFile);
    dlg.exec();
}

bool TWinMain::SalvaScheda() {
    if (!ScriviValorePendente())
        return false;
    const Field* squadra = m_tblScheda->fieldByName(QStringLiteral("S1_Squadra"));
    const Field* schedaN = m_tblScheda->fieldByName(QStringLiteral("S1_SchedaN"));
    if (!CampoDefinito(squadra, QStringLiteral("Squadra")) ||
        !CampoDefinito(schedaN, QStringLiteral("Scheda N.")) ||
        !CampoDefinito(m_tblScheda->fieldByName(QStringLiteral("S1_Data")), QStringLiteral("Data")))
        return false;
    // The squad and the number become part of the file name: a separator or a character that
    // file names refuse would send the file elsewhere or make the write fail.
    for (const auto& [field, caption] : {std::pair{squadra, "Squadra"}, std::pair{schedaN, "Scheda N."}}) {
        if (!TestoAmmessoNelNome(ValoreCampo(field))) {
            Messaggio(
                QStringLiteral("Impossibile salvare il documento!\r\rIl campo \"%1\" contiene caratteri non "
                               "ammessi in un nome di file")
                    .arg(QString::fromLatin1(caption)),
                QStringLiteral("ATTENZIONE!!!"), MB::Ok | MB::IconStop);
            return false;
        }
    }
    const QString cartella = CartellaDaInviare(ExeDir());
    const QString percorso = cartella + NomeFileScheda(*m_tblScheda);
    // A folder that cannot be looked into cannot say whether the form would replace another.
    bool leggibile = true;
    const bool esiste = EsisteFile(percorso, &leggibile);
    if (!leggibile) {
        Messaggio(CartellaIllegibile(cartella), QStringLiteral("ATTENZIONE!!!"), MB::Ok | MB::IconStop);
        return false;
    }
    if (esiste && Messaggio(QStringLiteral("Il Documento esiste già!\rVuoi sovrascriverlo?"),
                            QStringLiteral("ATTENZIONE!!!"), MB::YesNo | MB::IconQuestion) != MB::IdYes)
        return false;
    CursoreAttesa();
    QDir().mkpath(cartella);
    // The change log is merged only once the file is written: a failed write leaves the form
    // counted as changed, so closing it still asks.
    m_tblScheda->saveToFile(percorso);
    m_tblScheda->mergeChangeLog();
    m_percorsoScheda = percorso;
    m_recupero->schedaSalvata(percorso);
    if (m_nuovaScheda)
        AvanzaNumeroScheda(*m_iniFile, ValoreCampo(schedaN));
    TIniDati dati;
    LeggiIni(*m_iniFile, dati);
    RicordaDatiScheda(*m_tblScheda, dati);
    ScriviIni(*m_iniFile, dati);
    m_nuovaScheda = false;
    RipristinaCursore();
    return true;
}

namespace {
TWinMain::DialogoStampa& dialogoStampa() {
    static TWinMain::DialogoStampa dialog = [](QWidget* owner, QPrinter& printer) {
        QPrintDialog dlg(&printer, owner);
        return dlg.exec() == QDialog::Accepted;
    };
    return dialog;
}
} // namespace

void TWinMain::setDialogoStampa(DialogoStampa dialog) {
    dialogoStampa() = std::move(dialog);
}

bool TWinMain::CopiaSchedaAperta(Dataset& copia) {
    QList<QVariant> record;
    for (int i = 0; i < m_tblScheda->columns().size(); ++i)
        record << m_tblScheda->value(i);
    copia.open(m_tblScheda->columns(), {record}, m_tblScheda->autoIncValue());
    for (TWinSuperPagina* p : pagine())
        if (p && !p->WritePendingInto(copia))
            return false;
    copia.checkBrowseMode();
    return true;
}

QString TWinMain::NomeSchedaStampata(const Dataset& copia) const {
    if (!m_percorsoScheda.isEmpty())
        return QFileInfo(m_percorsoScheda).fileName();
    for (const char* f : {"S1_Squadra", "S1_SchedaN", "S1_Data"})
        if (CampoVuoto(copia.field(QLatin1String(f))))
            return QStringLiteral("Nuova scheda");
    return NomeFileScheda(copia);
}

void TWinMain::StampaSchedaAperta() {
    if (!m_tblScheda->active())
        return;
    Dataset copia;
    if (!CopiaSchedaAperta(copia))
        return;
    QPrinter printer(QPrinter::HighResolution);
    StampaScheda::impostaPagina(printer);
    printer.setDocName(NomeSchedaStampata(copia));
    if (!dialogoStampa()(this, printer))
        return;
    CursoreAttesa();
    StampaScheda stampa(&printer);
    stampa.aggiungi(copia, NomeSchedaStampata(copia));
    const bool ok = stampa.fine();
    RipristinaCursore();
    if (!ok)
        throw VarnoError(QStringLiteral("Impossibile completare la stampa"));
}

void TWinMain::EsportaPdf() {
    if (!m_tblScheda->active())
        return;
    Dataset copia;
    if (!CopiaSchedaAperta(copia))
        return;
    const QString nome = NomeSchedaStampata(copia);
    // Beside the form file, or among the user's documents for a form not saved yet.
    QString proposto;
    if (!m_percorsoScheda.isEmpty()) {
        const QFileInfo info(m_percorsoScheda);
        proposto = info.absolutePath() + u'/' + info.completeBaseName() + QStringLiteral(".pdf");
    } else {
        const QString base = nome.endsWith(QLatin1String(".VARNO"), Qt::CaseInsensitive)
                                 ? QFileInfo(nome).completeBaseName()
                                 : QStringLiteral("Scheda");
        proposto = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + u'/' + base +
                   QStringLiteral(".pdf");
    }
    const QString percorso = CurrentPrompter()->saveFileNameAt(this, QStringLiteral("Esporta PDF"),
                                                               QStringLiteral("Documenti PDF (*.pdf)"),
                                                               QStringLiteral("pdf"), proposto);
    if (percorso.isEmpty())
        return;
    CursoreAttesa();
    DocumentoPdf pdf(percorso);
    pdf.aggiungi(copia, nome);
    pdf.chiudi();
    RipristinaCursore();
}

bool CampoVuoto(const Field* field) {
    if (!field || field->isNull())
        return true;
    for (QChar c : field->asString())
        if (c.unicode() > u' ')
            return false;
    return true;
}

bool CampoDefinito(const Field* field, const QString& caption) {
    if (!CampoVuoto(field))
        return true;
    Messaggio(QStringLiteral("Impossibile salvare il documento!\r\rIl campo \"%1\" non è stato definito")
                  .arg(caption),
              QStringLiteral("ATTENZIONE!!!"), MB::Ok | MB::IconStop);
    return false;
}

QString ValoreCampo(const Field* field) {
    return field && !field->isNull() ? field->asString() : QString();
}
