#pragma once

#include "DialogoVarno.h"

class IniFile;
class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// The send dialog: the forms of the to-send folder, a user name and a password, and the send of
// the selected forms one after another to the survey server. Each accepted form moves to the sent
// folder; a summary lists the outcome of every form. The server address is read at each send from
// the main window's INI file, which the owner passes in.
class TDialogInvia : public TDialogoVarno {
    Q_OBJECT

public:
    TDialogInvia(QWidget* owner, const IniFile* iniFile);
    ~TDialogInvia() override;

    QLabel* LblSchede() const { return m_lblSchede; }
    QListWidget* LboxSchede() const { return m_lboxSchede; }
    QProgressBar* ProgressBar() const { return m_progressBar; }
    QPushButton* BtnSelectAll() const { return m_btnSelectAll; }
    QLabel* LblNomeUtente() const { return m_lblNomeUtente; }
    QLineEdit* EdNomeUtente() const { return m_edNomeUtente; }
    QLabel* LblPassword() const { return m_lblPassword; }
    QLineEdit* EdPassword() const { return m_edPassword; }
    QPushButton* BtnInvia() const { return m_btnInvia; }
    QAction* actInvia() const { return m_actInvia; }

    // True from the start to the end of a send.
    bool InvioInCorso() const { return m_invioInCorso; }

    // Fills the list with the forms of the to-send folder.
    void ElencaSchede();

public slots:
    void BtnSelectAllClick();
    void LboxSchedeDblClick();
    void actInviaUpdate();
    void actInviaExecute();
    // Closing waits for the end of a running send.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AbilitaComandi(bool abilita);
    void FineInvio();

    const IniFile* m_iniFile;
    bool m_invioInCorso = false;

    QLabel* m_lblSchede;
    QListWidget* m_lboxSchede;
    QProgressBar* m_progressBar;
    QPushButton* m_btnSelectAll;
    QLabel* m_lblNomeUtente;
    QLineEdit* m_edNomeUtente;
    QLabel* m_lblPassword;
    QLineEdit* m_edPassword;
    QPushButton* m_btnInvia;
    QAction* m_actInvia;
};
