#pragma once

#include <QElapsedTimer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <memory>

class Dataset;
class QMainWindow;

// The recovery copy of the open form. While a form is open, every change of its record (and the
// text being typed in the focused control) is copied, at most AttesaMassimaMs after it was made,
// into "Recupero/Scheda.VARNO" beside the executable, the same binary datapacket a form file
// holds, with "Recupero/Scheda.ini" telling whether the form was new and where it came from. The
// copy goes when the form is saved or closed; one that is still there at start-up belongs to a
// program that did not end normally and is offered back.
//
// The record is copied on the user-interface thread (its values are shared, not duplicated); the
// packet is made and written on a thread of its own, so a large photograph never stops typing.
// A lock file in the folder keeps a second program started in the same folder from touching the
// copy: that one works without a recovery copy.
class Recupero : public QObject {
    Q_OBJECT

public:
    static constexpr int AttesaMassimaMs = 1500; // from the first change not yet copied
    static constexpr int PausaMs = 500;          // quiet after the last keystroke
    static constexpr int ScartateTenute = 20;    // copies set aside that are kept

    Recupero(QMainWindow* window, Dataset* scheda, const QString& exeDir);
    ~Recupero() override; // waits for the copy being written

    QString cartella() const { return m_cartella; } // exeDir + "Recupero/"
    QString percorsoCopia() const { return m_cartella + QStringLiteral("Scheda.VARNO"); }
    QString percorsoIni() const { return m_cartella + QStringLiteral("Scheda.ini"); }
    // The lock is held: this program keeps a recovery copy.
    bool attivo() const { return m_attivo; }

    // Start-up. Says so when the folder is in use by another program; offers back a copy left by
    // a program that did not end normally. Yes loads it into the dataset, counting as changed,
    // sets *nuovaScheda to the form's new-form flag and *file to the path it was opened from
    // (empty for a new form), and returns true; No sets the copy aside. A copy that cannot be
    // loaded is set aside and a message names where it went.
    bool offri(bool* nuovaScheda, QString* file);

    // A form was opened (New, Open, a copy brought back): its later changes are copied with this
    // new-form flag and this origin (empty for a new form).
    void schedaAperta(bool nuovaScheda, const QString& file);
    // Save wrote the form into file: the copy goes; the form is no longer new.
    void schedaSalvata(const QString& file);
    // The form was closed, or there was none: the copy goes.
    void schedaChiusa();
    // The program was asked to close: changes not yet copied are written now, before any question.
    void scriviSubito();
    // Waits until the writes and removals asked for so far are done.
    void attendi();
    // The timer's work: copies the record and what is being typed, when something changed since
    // the last copy, and hands it to the writing thread.
    void scrivi();

    // Writes made so far (for tests and the benchmark).
    int scritture() const;
    // The last write error, empty after a good write.
    QString ultimoErrore() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Scrittore;

    void pianifica();
    // Renames the copy to "Scartata_<time>.VARNO", drops its INI file and keeps the newest
    // ScartateTenute such files; returns the new path, empty when the rename failed.
    QString mettiDaParte();

    QMainWindow* m_window;
    Dataset* m_scheda;
    QString m_cartella;
    QLockFile m_lock;
    bool m_attivo = false;
    QString m_motivo; // why there is no copy, for the start-up message

    bool m_nuovaScheda = false;
    QString m_file;

    QTimer m_timer;
    QElapsedTimer m_primo; // since the first change not yet copied
    bool m_recordCambiato = false;
    QList<QPair<int, QVariant>> m_ultimoPendente; // the typed values of the last copy

    std::unique_ptr<Scrittore> m_scrittore;
};
