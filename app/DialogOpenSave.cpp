#include "DialogOpenSave.h"

#include "ElencoSchede.h"
#include "ExeDir.h"
#include "FormStore.h"
#include "Servizi.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {
constexpr int kClientWidth = 426;
constexpr int kClientHeight = 286;
constexpr int kMargin = 10;
constexpr int kListTop = 28;
// The list ends 54 above the bottom edge, where the check box and the buttons sit.
constexpr int kListBottomGap = kClientHeight - kListTop - 204;

// On entering the list its first name becomes current without being selected; the first Down
// (or Up) selects that name instead of moving past it.
class ListaSchede : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) &&
            event->modifiers() == Qt::NoModifier && count() > 0 && selectedItems().isEmpty()) {
            setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
            event->accept();
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};
} // namespace

TDlgOpenSave::TDlgOpenSave(QWidget* owner, bool mostraDaInviare) : TDialogoVarno(owner) {
    setObjectName(QStringLiteral("DlgOpenSave"));
    setWindowTitle(QStringLiteral("Apri"));

    m_lblSchede = new QLabel(this);
    m_lblSchede->setObjectName(QStringLiteral("LblSchede"));
    m_lblSchede->setAlignment(Qt::AlignCenter);
    m_lblSchede->setFont(ProgramFont(11, true));

    m_lboxSchede = new ListaSchede(this);
    m_lboxSchede->setObjectName(QStringLiteral("LboxSchede"));
    m_lboxSchede->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lboxSchede->setFrameShape(QFrame::Box);
    m_lboxSchede->setUniformItemSizes(true);
    m_lboxSchede->setStyleSheet(QStringLiteral("QListWidget::item { height: 13px; padding: 0px; }"));
    connect(m_lboxSchede, &QListWidget::itemDoubleClicked, this, &TDlgOpenSave::BtnApriClick);

    m_chkShedeInviate = new QCheckBox(QStringLiteral("Visualizza le Schede Inviate"), this);
    m_chkShedeInviate->setObjectName(QStringLiteral("ChkShedeInviate"));
    connect(m_chkShedeInviate, &QCheckBox::clicked, this, &TDlgOpenSave::ChkShedeInviateClick);

    m_btnApri = new QPushButton(QStringLiteral("&Apri"), this);
    m_btnApri->setObjectName(QStringLiteral("BtnApri"));
    m_btnChiudi = new QPushButton(QStringLiteral("A&nnulla"), this);
    m_btnChiudi->setObjectName(QStringLiteral("BtnChiudi"));
    // Neither button is the default one: Enter does nothing by itself.
    for (QPushButton* b : {m_btnApri, m_btnChiudi}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(m_btnApri, &QPushButton::clicked, this, &TDlgOpenSave::BtnApriClick);
    connect(m_btnChiudi, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_lboxSchede, m_chkShedeInviate);
    setTabOrder(m_chkShedeInviate, m_btnApri);
    setTabOrder(m_btnApri, m_btnChiudi);

    resize(kClientWidth, kClientHeight);
    m_chkShedeInviate->setChecked(!mostraDaInviare);
    Aggiorna();
}

void TDlgOpenSave::Aggiorna() {
    FDaInviare = !m_chkShedeInviate->isChecked();
    FPercorsoScelto.clear();
    if (FDaInviare) {
        m_lblSchede->setText(QStringLiteral("Lista delle Schede da Inviare"));
        FCartella = CartellaDaInviare(ExeDir());
    } else {
        m_lblSchede->setText(QStringLiteral("Lista delle Schede Inviate"));
        FCartella = CartellaInviati(ExeDir());
    }
    CursoreAttesa();
    QStringList names;
    QString errore;
    const bool letta = ElencaFile(FCartella, names, QString(), QStringLiteral(".VARNO"), &errore);
    m_lboxSchede->clear();
    RiempiElencoSchede(m_lboxSchede, names, letta ? QString() : errore);
    RipristinaCursore();
}

void TDlgOpenSave::ChkShedeInviateClick() {
    Aggiorna();
}

void TDlgOpenSave::BtnApriClick() {
    QListWidgetItem* current = m_lboxSchede->currentItem();
    if (!current || !current->isSelected())
        return;
    FPercorsoScelto = FCartella + NomeSchedaElencata(current);
    accept();
}

void TDlgOpenSave::resizeEvent(QResizeEvent* event) {
    TDialogoVarno::resizeEvent(event);
    const int w = width(), h = height();
    m_lblSchede->setGeometry(kMargin, kMargin, w - 2 * kMargin, kListTop - kMargin - 2);
    m_lboxSchede->setGeometry(kMargin, kListTop, w - 2 * kMargin, qMax(20, h - kListTop - kListBottomGap));
    m_chkShedeInviate->setGeometry(kMargin, h - (kClientHeight - 236), 200, 17);
    m_btnApri->setGeometry(w - (kClientWidth - 262), h - (kClientHeight - 253), 75, 25);
    m_btnChiudi->setGeometry(w - (kClientWidth - 343), h - (kClientHeight - 253), 75, 25);
}
