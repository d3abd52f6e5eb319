#include "DlgInvia.h"
#include "DataPacket.h"

#include "ElencoSchede.h"
#include "ExeDir.h"
#include "FormStore.h"
#include "IniDati.h"
#include "InvioSchede.h"
#include "Prompter.h"
#include "Servizi.h"
#include "VarnoError.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <new>

namespace {
constexpr int kClientWidth = 554;
constexpr int kClientHeight = 427;
constexpr int kMargin = 10;
constexpr int kLabelHeight = 14;
constexpr int kListTop = 28;
constexpr int kListHeight = 297;
constexpr int kListBottomGap = kClientHeight - kListTop - kListHeight;
constexpr int kSelectAllX = 240, kSelectAllY = 331, kSelectAllW = 90, kSelectAllH = 24;
constexpr int kProgressY = 334, kProgressH = 17;
constexpr int kEditX = 100, kEditW = 121, kEditH = 21;
constexpr int kNomeUtenteLabelX = 27, kNomeUtenteLabelY = 363, kNomeUtenteY = 362;
constexpr int kPasswordLabelX = 44, kPasswordLabelY = 390, kPasswordY = 389;
constexpr int kInviaX = 240, kInviaY = 361, kInviaW = 306, kInviaH = 48;

// Moves a bottom-anchored control so its distance from the bottom edge stays as designed.
int dalBasso(int h, int designY) {
    return h - (kClientHeight - designY);
}

// A range of 0 to 0 (one file to send) is an empty bar, not the toolkit's busy indicator.
class BarraAvanzamento : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (minimum() != maximum()) {
            QProgressBar::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        option.minimum = 0;
        option.maximum = 1;
        option.progress = 0;
        painter.drawControl(QStyle::CE_ProgressBar, option);
    }
};
} // namespace

TDialogInvia::TDialogInvia(QWidget* owner, const IniFile* iniFile)
    : TDialogoVarno(owner), m_iniFile(iniFile) {
    setObjectName(QStringLiteral("DialogInvia"));
    setWindowTitle(QStringLiteral("Invia Schede ..."));

    m_lblSchede = new QLabel(QStringLiteral("Schede Da Inviare"), this);
    m_lblSchede->setObjectName(QStringLiteral("LblSchede"));
    m_lblSchede->setAlignment(Qt::AlignCenter);
    m_lblSchede->setFont(ProgramFont(11, true));

    m_lboxSchede = new QListWidget(this);
    m_lboxSchede->setObjectName(QStringLiteral("LboxSchede"));
    m_lboxSchede->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lboxSchede->setFrameShape(QFrame::Box);
    m_lboxSchede->setUniformItemSizes(true);
    m_lboxSchede->setStyleSheet(QStringLiteral("QListWidget::item { height: 13px; padding: 0px; }"));
    // A double-click anywhere on the list runs the action, as on an item.
    m_lboxSchede->viewport()->installEventFilter(this);

    m_progressBar = new BarraAvanzamento(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();

    m_btnSelectAll = new QPushButton(QStringLiteral("Seleziona Tutto"), this);
    m_btnSelectAll->setObjectName(QStringLiteral("BtnSelectAll"));
    connect(m_btnSelectAll, &QPushButton::clicked, this, &TDialogInvia::BtnSelectAllClick);

    m_lblNomeUtente = new QLabel(QStringLiteral("Nome Utente"), this);
    m_lblNomeUtente->setObjectName(QStringLiteral("LblNomeUtente"));
    m_edNomeUtente = new QLineEdit(this);
    m_edNomeUtente->setObjectName(QStringLiteral("EdNomeUtente"));
    m_lblPassword = new QLabel(QStringLiteral("Password"), this);
    m_lblPassword->setObjectName(QStringLiteral("LblPassword"));
    m_edPassword = new QLineEdit(this);
    m_edPassword->setObjectName(QStringLiteral("EdPassword"));
    m_edPassword->setEchoMode(QLineEdit::Password);

    m_actInvia = new QAction(QStringLiteral("INVIA Schede Selezionate"), this);
    m_actInvia->setObjectName(QStringLiteral("actInvia"));
    connect(m_actInvia, &QAction::triggered, this, &TDialogInvia::actInviaExecute);

    m_btnInvia = new QPushButton(m_actInvia->text(), this);
    m_btnInvia->setObjectName(QStringLiteral("BtnInvia"));
    connect(m_btnInvia, &QPushButton::clicked, m_actInvia, &QAction::trigger);
    connect(m_actInvia, &QAction::changed, this, [this] {
        m_btnInvia->setText(m_actInvia->text());
        m_btnInvia->setEnabled(m_actInvia->isEnabled());
    });
    // No button is the dialog's default one: Enter in a text box sends nothing by itself.
    for (QPushButton* b : {m_btnSelectAll, m_btnInvia}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    // The action follows the two texts at once, where the toolkit would check them when idle.
    connect(m_edNomeUtente, &QLineEdit::textChanged, this, &TDialogInvia::actInviaUpdate);
    connect(m_edPassword, &QLineEdit::textChanged, this, &TDialogInvia::actInviaUpdate);
    actInviaUpdate();

    setTabOrder(m_edNomeUtente, m_edPassword);
    setTabOrder(m_edPassword, m_btnInvia);
    setTabOrder(m_btnInvia, m_lboxSchede);
    setTabOrder(m_lboxSchede, m_btnSelectAll);

    resize(kClientWidth, kClientHeight);
}

TDialogInvia::~TDialogInvia() = default;

void TDialogInvia::ElencaSchede() {
    CursoreAttesa();
    QStringList nomi;
    QString errore;
    const bool letta =
        ElencaFile(CartellaDaInviare(ExeDir()), nomi, QString(), QStringLiteral(".VARNO"), &errore);
    m_lboxSchede->clear();
    RiempiElencoSchede(m_lboxSchede, nomi, letta ? QString() : errore);
    RipristinaCursore();
}

void TDialogInvia::BtnSelectAllClick() {
    m_lboxSchede->selectAll();
}

void TDialogInvia::LboxSchedeDblClick() {
    if (m_actInvia->isEnabled())
        m_actInvia->trigger();
}

void TDialogInvia::actInviaUpdate() {
    // No trimming: a single blank counts as text.
    m_actInvia->setEnabled(!m_invioInCorso && !m_edNomeUtente->text().isEmpty() &&
                           !m_edPassword->text().isEmpty());
}

void TDialogInvia::AbilitaComandi(bool abilita) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_lboxSchede, m_btnSelectAll, m_edNomeUtente, m_edPassword})
        w->setEnabled(abilita);
    actInviaUpdate();
}

void TDialogInvia::FineInvio() {
    m_progressBar->hide();
    m_btnSelectAll->show();
    m_invioInCorso = false;
    AbilitaComandi(true);
    ElencaSchede();
    RipristinaCursore();
}

void TDialogInvia::actInviaExecute() {
    // Window messages are processed between files; with the controls disabled none of them can
    // start a second send, and this guard holds should one get through anyway.
    if (m_invioInCorso)
        return;
    m_invioInCorso = true;
    CursoreAttesa();
    QPointer<QWidget> focused = QApplication::focusWidget();
    AbilitaComandi(false);
    // Whichever way the send ends: the controls come back, the list is refilled, the cursor
    // goes back to the default and the focus to the control that had it.
    struct Fine {
        TDialogInvia* dlg;
        QPointer<QWidget>& focused;
        ~Fine() {
            dlg->FineInvio();
            if (focused && focused->window() == dlg)
                focused->setFocus(Qt::OtherFocusReason);
        }
    } fine{this, focused};

    const auto mostra = [this](const QString& testo) { CurrentPrompter()->information(this, testo); };
    try {
        QStringList selezione;
        QStringList risultati;
        for (int i = 0; i < m_lboxSchede->count(); ++i)
            if (m_lboxSchede->item(i)->isSelected())
                selezione.append(NomeSchedaElencata(m_lboxSchede->item(i)));
        if (selezione.isEmpty()) {
            mostra(QStringLiteral("Nessuna scheda selezionata!"));
            return;
        }

        InvioSchede invio(m_iniFile ? LeggiIndirizzoServer(*m_iniFile) : QString());
        invio.chiediAggiornamento = [](const QString& nome) {
            return Messaggio(InvioSchede::domandaAggiornamento(nome), QStringLiteral("ATTENZIONE!!!"),
                             MB::YesNo | MB::IconQuestion) == MB::IdYes;
        };

        m_progressBar->setRange(0, int(selezione.size()) - 1);
        m_progressBar->setValue(0);
        m_progressBar->show();
        m_btnSelectAll->hide();
        QCoreApplication::processEvents();

        const QString daInviare = CartellaDaInviare(ExeDir());
        const QString inviati = CartellaInviati(ExeDir());
        for (int i = 0; i < selezione.size(); ++i) {
            const QString& nome = selezione.at(i);
            const InvioSchede::Risultato r =
                invio.inviaScheda(daInviare + nome, inviati, m_edNomeUtente->text(), m_edPassword->text());
            if (r.esito == InvioSchede::Esito::Saltata)
                continue;
            if (r.esito == InvioSchede::Esito::ErroreServer) {
                Messaggio(r.aInfo, QStringLiteral("ERRORE!!!"), MB::Ok | MB::IconStop);
                return;
            }
            risultati.append(r.riga);
            m_progressBar->setValue(i);
            QCoreApplication::processEvents();
        }
        if (!risultati.isEmpty())
            mostra(InvioSchede::riepilogo(risultati, QStringLiteral("\r\n")));
    } catch (const VarnoError& e) {
        mostra(e.message());
    } catch (const std::bad_alloc&) {
        mostra(DataPacketError::message(DataPacketError::OutOfMemory));
    } catch (const std::exception& e) {
        mostra(QString::fromLocal8Bit(e.what()));
    }
}

void TDialogInvia::showEvent(QShowEvent* event) {
    TDialogoVarno::showEvent(event);
    if (!event->spontaneous()) {
        ElencaSchede();
        // The focus starts on the first control of the tab order, the user name.
        m_edNomeUtente->setFocus(Qt::OtherFocusReason);
    }
}

void TDialogInvia::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int w = width(), h = height();
    m_lblSchede->setGeometry(kMargin, kMargin, w - 2 * kMargin, kLabelHeight);
    m_lboxSchede->setGeometry(kMargin, kListTop, w - 2 * kMargin, qMax(20, h - kListTop - kListBottomGap));
    m_progressBar->setGeometry(kMargin, dalBasso(h, kProgressY), w - 2 * kMargin, kProgressH);
    // Anchored at the bottom only: the button keeps its share of the width.
    const double centro = (kSelectAllX + kSelectAllW / 2.0) / kClientWidth;
    m_btnSelectAll->setGeometry(qRound(centro * w - kSelectAllW / 2.0), dalBasso(h, kSelectAllY), kSelectAllW,
                                kSelectAllH);
    const auto etichetta = [h](QLabel* l, int x, int y) {
        l->setGeometry(x, dalBasso(h, y), l->sizeHint().width(), kLabelHeight);
    };
    etichetta(m_lblNomeUtente, kNomeUtenteLabelX, kNomeUtenteLabelY);
    etichetta(m_lblPassword, kPasswordLabelX, kPasswordLabelY);
    m_edNomeUtente->setGeometry(kEditX, dalBasso(h, kNomeUtenteY), kEditW, kEditH);
    m_edPassword->setGeometry(kEditX, dalBasso(h, kPasswordY), kEditW, kEditH);
    m_btnInvia->setGeometry(kInviaX, dalBasso(h, kInviaY),
                            qMax(20, w - (kClientWidth - kInviaX - kInviaW) - kInviaX), kInviaH);
}

void TDialogInvia::closeEvent(QCloseEvent* event) {
    if (m_invioInCorso) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TDialogInvia::reject() {
    if (!m_invioInCorso)
        QDialog::reject();
}

bool TDialogInvia::eventFilter(QObject* watched, QEvent* event) {
    // The list finishes its own handling of the click before the action runs.
    if (watched == m_lboxSchede->viewport() && event->type() == QEvent::MouseButtonDblClick)
        QMetaObject::invokeMethod(this, &TDialogInvia::LboxSchedeDblClick, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, event);
}
