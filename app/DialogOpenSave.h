#pragma once

#include "DialogoVarno.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

// The open dialog: one list of the forms still to send or of the forms already sent, switched by
// a check box. It only chooses a path; Open loads the file.
class TDlgOpenSave : public TDialogoVarno {
    Q_OBJECT

public:
    TDlgOpenSave(QWidget* owner, bool mostraDaInviare);

    // The full path of the chosen file; empty until a file is chosen.
    const QString& PercorsoScelto() const { return FPercorsoScelto; }

    QLabel* LblSchede() const { return m_lblSchede; }
    QListWidget* LboxSchede() const { return m_lboxSchede; }
    QCheckBox* ChkShedeInviate() const { return m_chkShedeInviate; }
    QPushButton* BtnApri() const { return m_btnApri; }
    QPushButton* BtnChiudi() const { return m_btnChiudi; }

    void Aggiorna();

public slots:
    void ChkShedeInviateClick();
    void BtnApriClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString FCartella;
    bool FDaInviare = true;
    QString FPercorsoScelto;

    QLabel* m_lblSchede;
    QListWidget* m_lboxSchede;
    QCheckBox* m_chkShedeInviate;
    QPushButton* m_btnApri;
    QPushButton* m_btnChiudi;
};
