#include "Recupero.h"

#include "BinaryPacketWriter.h"
#include "BoundControl.h"
#include "DataSource.h"
#include "Dataset.h"
#include "DatasetPacket.h"
#include "FieldDef.h"
#include "IniFile.h"
#include "Prompter.h"
#include "SafeFile.h"
#include "Servizi.h"
#include "VarnoError.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSet>
#include <QStatusBar>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {
const QString kSezione = QStringLiteral("RECUPERO");
const QString kCaption = QStringLiteral("ATTENZIONE!!!");

// The recovery folders locked by this process.
QSet<QString>& lockTenuti() {
    static QSet<QString> tenuti;
    return tenuti;
}

QString testoCampo(const Dataset& ds, const char* nome) {
    const Field* f = ds.field(QString::fromLatin1(nome));
    return f && !f->isNull() ? f->asString() : QString();
}
} // namespace

// Writes and removes the copy on a thread of its own, one job at a time. A job waiting to start
// is replaced by a newer one: a burst of changes costs one write, and a removal supersedes a
// write not yet begun.
class Recupero::Scrittore {
public:
    struct Lavoro {
        bool rimuovi = false;
        QList<FieldDef> colonne;
        QList<QList<QVariant>> righe;
        int autoInc = 1;
        bool nuovaScheda = false;
        QString file;
    };
    static Lavoro rimozione() {
        Lavoro l;
        l.rimuovi = true;
        return l;
    }

    Scrittore(QString copia, QString ini, QString cartella, std::function<void(const QString&)> esito)
        : m_copia(std::move(copia)), m_ini(std::move(ini)), m_cartella(std::move(cartella)),
          m_esito(std::move(esito)), m_thread([this] { ciclo(); }) {}

    ~Scrittore() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

    void metti(Lavoro lavoro) {
        {
            std::lock_guard lock(m_mutex);
            m_pendente = std::move(lavoro);
        }
        m_cv.notify_all();
    }

    void attendi() {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return !m_pendente && !m_occupato; });
    }

    int scritture() const {
        std::lock_guard lock(m_mutex);
        return m_scritture;
    }
    QString errore() const {
        std::lock_guard lock(m_mutex);
        return m_errore;
    }

private:
    void ciclo() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [this] { return m_stop || m_pendente; });
            if (!m_pendente)
                return; // asked to stop with nothing left to do
            Lavoro lavoro = std::move(*m_pendente);
            m_pendente.reset();
            m_occupato = true;
            lock.unlock();
            const bool scrittura = !lavoro.rimuovi;
            const QString errore = scrittura ? scrivi(lavoro) : rimuovi();
            lavoro = Lavoro(); // the record's values are let go here, not under the lock
            m_esito(errore);
            lock.lock();
            m_occupato = false;
            m_errore = errore;
            if (scrittura && errore.isEmpty())
                ++m_scritture;
            m_cv.notify_all();
        }
    }

    // The INI file first: a copy on disk always has the flag and origin of its own form.
    QString scrivi(const Lavoro& l) {
        QByteArray bytes;
        try {
            bytes = BinaryPacketWriter::write(DatasetPacket::fromRows(l.colonne, l.righe, l.autoInc));
            IniFile(m_ini).writeStrings(
                kSezione,
                {{QStringLiteral("NuovaScheda"), l.nuovaScheda ? QStringLiteral("1") : QStringLiteral("0")},
                 {QStringLiteral("File"), l.file},
                 {QStringLiteral("Ora"),
                  QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))}});
        } catch (const VarnoError& e) {
            return e.message();
        } catch (const std::bad_alloc&) {
            return DataPacketError::message(DataPacketError::OutOfMemory);
        }
        QString reason;
        if (!SafeFile::replace(m_copia, bytes, &reason))
            return QStringLiteral("\"%1\": %2").arg(QDir::toNativeSeparators(m_copia), reason);
        return {};
    }

    // The copy first: an INI file alone is never taken for a copy.
    QString rimuovi() {
        bool tolto = false;
        for (const QString& p : {m_copia, m_ini}) {
            if (!QFileInfo::exists(p))
                continue;
            if (!QFile::remove(p))
                return QStringLiteral("\"%1\" non si può cancellare").arg(QDir::toNativeSeparators(p));
            tolto = true;
        }
        QString reason;
        if (tolto && !SafeFile::syncFolder(m_cartella, &reason))
            return reason;
        return {};
    }

    const QString m_copia, m_ini, m_cartella;
    const std::function<void(const QString&)> m_esito;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::optional<Lavoro> m_pendente;
    bool m_occupato = false;
    bool m_stop = false;
    int m_scritture = 0;
    QString m_errore;
    std::thread m_thread; // last: starts once everything it uses is made
};

Recupero::Recupero(QMainWindow* window, Dataset* scheda, const QString& exeDir)
    : QObject(window), m_window(window), m_scheda(scheda), m_cartella(exeDir + QStringLiteral("Recupero/")),
      m_lock(m_cartella + QStringLiteral("Scheda.lock")) {
    if (!QDir().mkpath(m_cartella)) {
        m_motivo = QStringLiteral("Impossibile creare la cartella \"%1\": il programma lavora senza copia di "
                                  "recupero della scheda.")
                       .arg(QDir::toNativeSeparators(m_cartella));
        return;
    }
    // Held for the program's whole life: only a lock whose program is no longer running is stale.
    m_lock.setStaleLockTime(0);
    bool preso = m_lock.tryLock(0);
    // After a power cut the program may start with the very process number the lost one had, so
    // its lock looks alive; no other window of this process holds it, so it is stale.
    qint64 pid = 0;
    QString host, app;
    if (!preso && m_lock.error() == QLockFile::LockFailedError && m_lock.getLockInfo(&pid, &host, &app) &&
        pid == QCoreApplication::applicationPid() && !lockTenuti().contains(m_lock.fileName()) &&
        m_lock.removeStaleLockFile())
        preso = m_lock.tryLock(0);
    if (!preso) {
        m_motivo =
            m_lock.error() == QLockFile::LockFailedError
                ? QStringLiteral(
                      "La cartella \"%1\" è in uso da un altro VARNO: questo programma lavora senza "
                      "copia di recupero della scheda.")
                : QStringLiteral("Impossibile usare la cartella \"%1\": il programma lavora senza copia di "
                                 "recupero della scheda.");
        m_motivo = m_motivo.arg(QDir::toNativeSeparators(m_cartella));
        return;
    }
    m_attivo = true;
    lockTenuti().insert(m_lock.fileName());
    m_scrittore =
        std::make_unique<Scrittore>(percorsoCopia(), percorsoIni(), m_cartella, [this](const QString& e) {
            // The status bar tells when the form is not protected, once, until a write succeeds.
            QMetaObject::invokeMethod(
                this,
                [this, e] {
                    QStatusBar* bar = m_window->statusBar();
                    if (!e.isEmpty())
                        bar->showMessage(QStringLiteral("Copia di recupero non scritta: ") + e);
                    else if (bar->currentMessage().startsWith(QStringLiteral("Copia di recupero")))
                        bar->clearMessage();
                },
                Qt::QueuedConnection);
        });

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Recupero::scrivi);
    connect(m_scheda, &Dataset::fieldChanged, this, [this] {
        m_recordCambiato = true;
        pianifica();
    });
    connect(m_scheda, &Dataset::recordChanged, this, [this] {
        m_recordCambiato = true;
        pianifica();
    });
    // Typing changes no field until the control is left: the keys and clicks reaching the window
    // tell that the focused control may hold something new.
    qApp->installEventFilter(this);
}

Recupero::~Recupero() {
    m_scrittore.reset(); // finishes the job it has
    if (m_attivo)
        lockTenuti().remove(m_lock.fileName());
}

bool Recupero::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::Drop:
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == m_window)
            pianifica();
        break;
    default:
        break;
    }
    return false;
}

void Recupero::pianifica() {
    if (!m_attivo || !m_scheda->active())
        return;
    if (!m_primo.isValid())
        m_primo.start();
    const qint64 resto = qMax<qint64>(0, AttesaMassimaMs - m_primo.elapsed());
    m_timer.start(int(qMin<qint64>(PausaMs, resto)));
}

void Recupero::scrivi() {
    m_timer.stop();
    m_primo.invalidate();
    if (!m_attivo || !m_scheda->active() || m_scheda->recordCount() == 0)
        return;
    // The values typed and not yet written into the record, worked out without touching it.
    QList<QPair<int, QVariant>> pendente;
    const QList<DataSource*> sources = m_window->findChildren<DataSource*>();
    for (DataSource* ds : sources) {
        if (ds->dataSet() != m_scheda)
            continue;
        for (BoundControl* c : ds->controls()) {
            QVariant v;
            const int col = c->modified() ? m_scheda->columnIndex(c->dataField()) : -1;
            if (col >= 0 && c->pendingValue(&v))
                pendente.append({col, v});
        }
    }
    if (!m_recordCambiato && pendente == m_ultimoPendente)
        return; // keys that changed nothing
    Scrittore::Lavoro l;
    l.colonne = m_scheda->columns();
    l.righe = m_scheda->rows(); // values are shared, so this is cheap even with a photograph
    l.autoInc = m_scheda->autoIncValue();
    l.nuovaScheda = m_nuovaScheda;
    l.file = m_file;
    // The form's one record is the first row.
    for (const auto& [col, v] : std::as_const(pendente))
        l.righe[0][col] = v;
    m_recordCambiato = false;
    m_ultimoPendente = pendente;
    m_scrittore->metti(std::move(l));
}

void Recupero::schedaAperta(bool nuovaScheda, const QString& file) {
    m_nuovaScheda = nuovaScheda;
    m_file = file;
    m_timer.stop();
    m_primo.invalidate();
    m_recordCambiato = false;
    m_ultimoPendente.clear();
}

void Recupero::schedaSalvata(const QString& file) {
    schedaAperta(false, file);
    if (m_attivo)
        m_scrittore->metti(Scrittore::rimozione());
}

void Recupero::schedaChiusa() {
    schedaAperta(false, QString());
    if (m_attivo)
        m_scrittore->metti(Scrittore::rimozione());
}

void Recupero::scriviSubito() {
    if (!m_attivo)
        return;
    scrivi();
    m_scrittore->attendi();
}

void Recupero::attendi() {
    if (m_attivo)
        m_scrittore->attendi();
}

int Recupero::scritture() const {
    return m_attivo ? m_scrittore->scritture() : 0;
}

QString Recupero::ultimoErrore() const {
    return m_attivo ? m_scrittore->errore() : QString();
}

QString Recupero::mettiDaParte() {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString dest = m_cartella + QStringLiteral("Scartata_") + stamp + QStringLiteral(".VARNO");
    // Two in the same second keep both.
    for (int n = 2; QFileInfo::exists(dest); ++n)
        dest = m_cartella + QStringLiteral("Scartata_%1_%2.VARNO").arg(stamp).arg(n);
    if (!QFile::rename(percorsoCopia(), dest))
        return QString();
    QFile::remove(percorsoIni());
    QStringList scartate =
        QDir(m_cartella).entryList({QStringLiteral("Scartata_*.VARNO")}, QDir::Files, QDir::Name);
    // The names sort by time; the oldest go.
    for (qsizetype i = 0; i + ScartateTenute < scartate.size(); ++i)
        QFile::remove(m_cartella + scartate[i]);
    SafeFile::syncFolder(m_cartella);
    return dest;
}

bool Recupero::offri(bool* nuovaScheda, QString* percorsoScheda) {
    if (!m_attivo) {
        if (!m_motivo.isEmpty())
            Messaggio(m_motivo, kCaption, MB::Ok | MB::IconExclamation);
        return false;
    }
    if (!QFileInfo::exists(percorsoCopia())) {
        QFile::remove(percorsoIni()); // left by a write cut short before the copy itself
        return false;
    }
    // Read into a dataset of its own first: a copy that does not load never touches the form's.
    Dataset prova(QStringLiteral("TblScheda"));
    prova.createFields(SchemaScheda());
    try {
        prova.loadFromFile(percorsoCopia());
        if (prova.recordCount() != 1)
            throw VarnoError(QStringLiteral("la copia non contiene una scheda"));
    } catch (const std::exception& e) {
        const auto* ve = dynamic_cast<const VarnoError*>(&e);
        const QString motivo = ve ? ve->message() : QString::fromLocal8Bit(e.what());
        const QString dest = mettiDaParte();
        Messaggio(
            dest.isEmpty()
                ? QStringLiteral("La scheda non salvata trovata nel file \"%1\" non si può leggere (%2).")
                      .arg(QDir::toNativeSeparators(percorsoCopia()), motivo)
                : QStringLiteral("La scheda non salvata trovata all'avvio non si può leggere (%1): il file "
                                 "è stato messo da parte come \"%2\".")
                      .arg(motivo, QDir::toNativeSeparators(dest)),
            kCaption, MB::Ok | MB::IconExclamation);
        return false;
    }

    const IniFile ini(percorsoIni());
    const bool nuova =
        ini.readString(kSezione, QStringLiteral("NuovaScheda"), QStringLiteral("0")).trimmed() ==
        QStringLiteral("1");
    const QString file = ini.readString(kSezione, QStringLiteral("File"));
    // The form's date; a form without one is dated by when its copy was made.
    QDate data;
    if (const Field* f = prova.field(QStringLiteral("S1_Data")); f && !f->isNull())
        data = f->asDateTime().date();
    if (!data.isValid())
        data = QDate::fromString(ini.readString(kSezione, QStringLiteral("Ora")).left(10),
                                 QStringLiteral("yyyy-MM-dd"));
    if (!data.isValid())
        data = QFileInfo(percorsoCopia()).lastModified().date();
    const QString testo =
        QStringLiteral("Il programma non è stato chiuso correttamente.\r\r"
                       "È stata trovata una scheda non salvata: Squadra %1, Scheda n. %2, del "
                       "%3.\rVuoi recuperarla?")
            .arg(testoCampo(prova, "S1_Squadra"), testoCampo(prova, "S1_SchedaN"),
                 data.toString(QStringLiteral("dd/MM/yyyy")));
    if (Messaggio(testo, kCaption, MB::YesNo | MB::IconQuestion) != MB::IdYes) {
        mettiDaParte();
        return false;
    }
    m_scheda->loadFromFile(percorsoCopia());
    m_scheda->markChanged();
    schedaAperta(nuova, file);
    *nuovaScheda = nuova;
    *percorsoScheda = file;
    return true;
}
