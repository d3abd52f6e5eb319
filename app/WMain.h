#pragma once

#include "ControlloPagine.h"

#include <QMainWindow>
#include <array>
#include <functional>

class Dataset;
class Field;
class IniFile;
class QAction;
class QPrinter;
class QLabel;
class QTabWidget;
class Recupero;
class QWidget;
class TWinCnf;
class TWinPagina1;
class TWinPagina2;
class TWinPagina3;
class TWinSuperPagina;
class ClientArea;

// True when the field is null or its text holds nothing but blanks and control characters.
bool CampoVuoto(const Field* field);
// Shows the missing-field message with the caption and returns false when the field is empty.
bool CampoDefinito(const Field* field, const QString& caption);
// The field's text, or the empty text for null.
QString ValoreCampo(const Field* field);

// The main window: owns the form record's dataset, the pages and the one menu.
class TWinMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TWinMain(QWidget* parent = nullptr);
    ~TWinMain() override;

    Dataset* TblScheda() const { return m_tblScheda; }
    ControlloPagine* PgCtrl() const { return m_pgCtrl; }
    QAction* mnNuovo() const { return m_mnNuovo; }
    QAction* mnApri() const { return m_mnApri; }
    QAction* mnSalva() const { return m_mnSalva; }
    QAction* mnChiudi() const { return m_mnChiudi; }
    QAction* mnStampa() const { return m_mnStampa; }
    QAction* mnEsportaPdf() const { return m_mnEsportaPdf; }
    QAction* mnInvia() const { return m_mnInvia; }
    QAction* mnEsci() const { return m_mnEsci; }
    // The pages; asking for one builds all three first (CostruisciPagine).
    TWinPagina1* Pagina1();
    TWinPagina2* Pagina2();
    TWinPagina3* Pagina3();
    bool NuovaSchedaFlag() const { return m_nuovaScheda; }

    IniFile* FIniFile() const { return m_iniFile; }
    Recupero* recupero() const { return m_recupero; }

    // Start-up: offers back the form of a program that did not end normally.
    void RecuperaScheda();

    // Document operations.
    bool ChiudiScheda();
    void NuovaScheda();
    void ApriScheda();
    bool SalvaScheda();
    // Send: closes the open form, then shows the send dialog.
    void InviaSchede();
    // The open form as it is now, the value being typed included, on paper or into a PDF file;
    // nothing in the record changes.
    void StampaSchedaAperta();
    void EsportaPdf();
    // The print dialog; tests replace it. True when the user chose to print.
    using DialogoStampa = std::function<bool(QWidget* owner, QPrinter& printer)>;
    static void setDialogoStampa(DialogoStampa dialog);
    // The file the open form was read from or last saved to; empty for a new form.
    const QString& PercorsoScheda() const { return m_percorsoScheda; }

    // The three pages are built after the window is first painted, one per turn of the event loop,
    // so that the window shows without waiting for them. Whatever needs a page (New, Open, a form
    // opened in any other way, a look-up of its controls) calls this first: it builds what is
    // still missing, at once. Cheap once done.
    void CostruisciPagine();
    bool PagineCostruite() const { return m_pagina3 != nullptr; }

    void AggiornaComandi();
    void ResetPagine();
    void InserisciPagina(TWinSuperPagina* page, QWidget* tabSheet);

    // Runs a menu command; an error escaping it is shown in a message box with its text.
    void runCommand(const std::function<void()>& command);

public slots:
    void mnNuovoClick();
    void mnApriClick();
    void mnSalvaClick();
    void mnChiudiClick();
    void mnInviaClick();
    void mnStampaClick();
    void mnEsportaPdfClick();
    void mnEsciClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void buildMenu();
    // Builds the next missing page; false when all are built.
    bool CostruisciPaginaSuccessiva();
    // After the first paint: builds the pages one by one while the program is idle.
    void CostruisciPagineInAttesa();
    void CostruisciPaginaInAttesa();
    friend class ClientArea;
    // The three pages of the form, in order.
    std::array<TWinSuperPagina*, 3> pagine() const;
    // Writes the value typed into the focused control into its field, then posts the record;
    // false when the control refused its text.
    bool ScriviValorePendente();
    // A copy of the open record with the value typed into the focused control written into it;
    // false when the control refused its text. The record itself is left as it is.
    bool CopiaSchedaAperta(Dataset& copia);
    // The name a printed form carries: its file's, or the one Save would give it.
    QString NomeSchedaStampata(const Dataset& copia) const;

    Dataset* m_tblScheda;
    IniFile* m_iniFile = nullptr;
    Recupero* m_recupero = nullptr;
    bool m_nuovaScheda = false;
    QString m_percorsoScheda;
    ClientArea* m_client = nullptr;
    ControlloPagine* m_pgCtrl = nullptr;
    QWidget* m_tsConfigurazione = nullptr;
    QWidget* m_tsPagina1 = nullptr;
    QWidget* m_tsPagina2 = nullptr;
    QWidget* m_tsPagina3 = nullptr;
    TWinCnf* m_winCnf = nullptr;
    TWinPagina1* m_pagina1 = nullptr;
    TWinPagina2* m_pagina2 = nullptr;
    TWinPagina3* m_pagina3 = nullptr;
    bool m_costruzioneAvviata = false;
    QAction* m_mnNuovo = nullptr;
    QAction* m_mnApri = nullptr;
    QAction* m_mnSalva = nullptr;
    QAction* m_mnChiudi = nullptr;
    QAction* m_mnInvia = nullptr;
    QAction* m_mnStampa = nullptr;
    QAction* m_mnEsportaPdf = nullptr;
    QAction* m_mnEsci = nullptr;
};
