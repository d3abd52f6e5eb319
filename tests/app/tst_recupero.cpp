#include "BoundControl.h"
#include "BoundEdit.h"
#include "BoundMemo.h"
#include "Dataset.h"
#include "ExeDir.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "FormStore.h"
#include "IniFile.h"
#include "Recupero.h"
#include "ScriptedPrompter.h"
#include "WMain.h"
#include "WPagina1.h"
#include "WPagina3.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSysInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kSaveQuestion = QStringLiteral("Vuoi salvare la scheda prima di chiuderla?");
const QString kNomeScheda = QStringLiteral("Sq12_n0007_(05-03-2009).VARNO");

QString domanda(const QString& squadra, const QString& numero, const QString& data) {
    return QStringLiteral("Il programma non è stato chiuso correttamente.\r\r"
                          "È stata trovata una scheda non salvata: Squadra %1, Scheda n. %2, del %3.\r"
                          "Vuoi recuperarla?")
        .arg(squadra, numero, data);
}

QByteArray leggi(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A JPEG photograph of the given size, noisy enough not to compress to nothing.
QByteArray foto(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = qRgb(x & 0xFF, y & 0xFF, int(seed >> 24));
        }
    }
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "JPG", 90);
    return bytes;
}

// A form of squad 12, number 0007 of 5 March 2009, with values on the three pages and a picture.
void riempi(Dataset& ds) {
    auto set = [&](const char* name, const QVariant& v) {
        ds.fieldByName(QString::fromLatin1(name))->setValue(v);
    };
    auto text = [&](const char* name, const QString& v) {
        ds.fieldByName(QString::fromLatin1(name))->setAsString(v);
    };
    text("S1_Squadra", QStringLiteral("12"));
    text("S1_SchedaN", QStringLiteral("0007"));
    set("S1_Data", QDateTime(QDate(2009, 3, 5), QTime(0, 0), Qt::UTC));
    text("S1_Provincia", QStringLiteral("AQ"));
    set("S1_FotocopiaAggregato", foto(QSize(64, 48)));
    set("S3_Copertura", 3);
    set("S4_Danno_D2", true);
    text("S8_Esito", QStringLiteral("E"));
    text("S9_Annotazioni", QStringLiteral("crepe diffuse\r\nscala inagibile"));
}

} // namespace

class TestRecupero : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString copia() const { return ExeDir() + QStringLiteral("Recupero/Scheda.VARNO"); }
    QString iniCopia() const { return ExeDir() + QStringLiteral("Recupero/Scheda.ini"); }
    QStringList scartate() const {
        return QDir(ExeDir() + QStringLiteral("Recupero"))
            .entryList({QStringLiteral("Scartata_*.VARNO")}, QDir::Files, QDir::Name);
    }

    template <typename T> static T* ctl(TWinSuperPagina* page, const char* fieldName) {
        for (QWidget* c : page->controlList())
            if (auto* b = dynamic_cast<BoundControl*>(c); b && b->dataField() == QLatin1String(fieldName))
                if (auto* t = dynamic_cast<T*>(c))
                    return t;
        qFatal("no control on %s", fieldName);
    }

    static void typeInto(TWinMain& w, TWinSuperPagina* page, QWidget* c, const QString& text) {
        w.PgCtrl()->setCurrentWidget(page->parentWidget());
        c->setFocus(Qt::MouseFocusReason);
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, c, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    // The copy as the form-file reader reads it.
    QString valoreCopia(const char* field) const {
        Dataset ds;
        ds.loadFromFile(copia());
        return ds.fieldByName(QString::fromLatin1(field))->asString();
    }

    // A new form typed through the widgets, its copy written, then the window dropped as a
    // crash would drop it: no close, no question.
    void schedaInterrotta() {
        TWinMain w;
        w.show();
        ScriptedPrompter p;
        w.NuovaScheda();
        riempi(*w.TblScheda());
        typeInto(w, w.Pagina1(), ctl<BoundEdit>(w.Pagina1(), "S1_Comune"), QStringLiteral("Onna"));
        w.recupero()->scriviSubito();
        QVERIFY(QFile::exists(copia()));
    }

    // The bytes Save writes for the same form when nothing went wrong, in a folder of its own.
    QByteArray salvataSenzaCrash() {
        QTemporaryDir altro;
        const QString exe = ExeDir();
        SetExeDir(altro.path());
        QByteArray bytes;
        {
            TWinMain w;
            ScriptedPrompter p;
            w.NuovaScheda();
            riempi(*w.TblScheda());
            w.TblScheda()->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Onna"));
            if (w.SalvaScheda())
                bytes = leggi(CartellaDaInviare(ExeDir()) + kNomeScheda);
        }
        SetExeDir(exe);
        return bytes;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SetExeDir(m_dir->path());
    }

    // The copy appears within two seconds of typing, once for a burst, and holds the text still
    // being typed in the focused control; the INI file tells a new form.
    void copyFollowsTyping() {
        TWinMain w;
        w.show();
        ScriptedPrompter p;
        w.NuovaScheda();
        QTest::qWait(Recupero::AttesaMassimaMs + 200);
        QVERIFY2(!QFile::exists(copia()), "an untouched new form is not copied");
        auto* comune = ctl<BoundEdit>(w.Pagina1(), "S1_Comune");
        QElapsedTimer t;
        t.start();
        typeInto(w, w.Pagina1(), comune, QStringLiteral("Paganica"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copia()), 2000);
        QVERIFY(t.elapsed() < 2000);
        w.recupero()->attendi();
        QCOMPARE(valoreCopia("S1_Comune"), QStringLiteral("Paganica"));
        QCOMPARE(w.recupero()->scritture(), 1);
        QVERIFY(comune->hasFocus());
        QVERIFY(comune->modified()); // the control still holds it: the record was not touched
        const IniFile ini(iniCopia());
        QCOMPARE(ini.readString(QStringLiteral("RECUPERO"), QStringLiteral("NuovaScheda")),
                 QStringLiteral("1"));
        QCOMPARE(ini.readString(QStringLiteral("RECUPERO"), QStringLiteral("File")), QString());
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(ini.readString(QStringLiteral("RECUPERO"), QStringLiteral("Ora")))
                    .hasMatch());
        // Keys that change nothing write nothing; a memo on page 3 is copied the same way.
        QTest::keyClick(comune, Qt::Key_Left);
        QTest::qWait(Recupero::AttesaMassimaMs + 200);
        w.recupero()->attendi();
        QCOMPARE(w.recupero()->scritture(), 1);
        typeInto(w, w.Pagina3(), ctl<BoundMemo>(w.Pagina3(), "S9_Annotazioni"), QStringLiteral("tetto"));
        QTRY_COMPARE_WITH_TIMEOUT(w.recupero()->scritture(), 2, 2000);
        QCOMPARE(valoreCopia("S9_Annotazioni"), QStringLiteral("tetto"));
        QCOMPARE(valoreCopia("S1_Comune"), QStringLiteral("Paganica"));
    }

    // Asked to close, the program copies what was typed before it asks.
    void closeRequestWritesTheCopyFirst() {
        TWinMain w;
        w.show();
        ScriptedPrompter p;
        w.NuovaScheda();
        typeInto(w, w.Pagina1(), ctl<BoundEdit>(w.Pagina1(), "S1_Comune"), QStringLiteral("Bazzano"));
        QString visto;
        p.whileShown = [&] {
            visto = QFile::exists(copia()) ? valoreCopia("S1_Comune") : QStringLiteral("-");
        };
        p.answers = {MB::IdCancel};
        QVERIFY(!w.close());
        QCOMPARE(p.shown.value(0).text, kSaveQuestion);
        QCOMPARE(visto, QStringLiteral("Bazzano"));
        QVERIFY(QFile::exists(copia())); // cancelled: the form and its copy stay
    }

    // Yes brings the form back as it was, new and changed: Save names, asks nothing more and
    // advances the number as it would have, and writes the bytes of an uninterrupted save.
    // A form opened from a file comes back as that file's form: no new-form flag, and the PDF is
    // proposed beside that file with its name, not with one made from the record.
    void yesRestoresAnOpenedForm() {
        schedaInterrotta();
        const QString aperta = CartellaDaInviare(ExeDir()) + QStringLiteral("Rinominata.VARNO");
        {
            IniFile ini(iniCopia());
            ini.writeString(QStringLiteral("RECUPERO"), QStringLiteral("NuovaScheda"), QStringLiteral("0"));
            ini.writeString(QStringLiteral("RECUPERO"), QStringLiteral("File"), aperta);
        }
        TWinMain w;
        ScriptedPrompter p;
        p.answers = {MB::IdYes};
        w.RecuperaScheda();
        QVERIFY(w.TblScheda()->active());
        QVERIFY(!w.NuovaSchedaFlag());
        p.fileNames = {QString()}; // the save dialog cancelled
        w.mnEsportaPdf()->trigger();
        QCOMPARE(p.proposed, QStringList{CartellaDaInviare(ExeDir()) + QStringLiteral("Rinominata.pdf")});
    }

    void yesRestoresTheForm() {
        const QByteArray atteso = salvataSenzaCrash();
        QVERIFY(!atteso.isEmpty());
        schedaInterrotta();
        TWinMain w;
        ScriptedPrompter p;
        p.answers = {MB::IdYes};
        w.RecuperaScheda();
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 domanda(QStringLiteral("12"), QStringLiteral("0007"), QStringLiteral("05/03/2009")));
        QCOMPARE(p.shown[0].caption, QStringLiteral("ATTENZIONE!!!"));
        QCOMPARE(p.shown[0].flags & 0xFF, 36);
        QVERIFY(w.TblScheda()->active());
        QVERIFY(w.TblScheda()->changeCount() > 0);
        QVERIFY(w.NuovaSchedaFlag());
        QVERIFY(w.mnSalva()->isEnabled());
        QCOMPARE(w.PgCtrl()->currentWidget()->objectName(), QStringLiteral("TsPagina1"));
        QCOMPARE(ctl<BoundEdit>(w.Pagina1(), "S1_Comune")->text(), QStringLiteral("Onna"));
        QVERIFY(QFile::exists(copia())); // kept until the form is saved
        QVERIFY(w.SalvaScheda());
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(leggi(CartellaDaInviare(ExeDir()) + kNomeScheda), atteso);
        QCOMPARE(IniFile(ExeDir() + QStringLiteral("Varno.Ini"))
                     .readString(QStringLiteral("CONFIG"), QStringLiteral("SchedaN")),
                 QStringLiteral("0008"));
        w.recupero()->attendi();
        QVERIFY(!QFile::exists(copia()));
        QVERIFY(!QFile::exists(iniCopia()));
    }

    // No sets the copy aside and starts with no form; only the newest twenty set aside stay.
    void noSetsTheCopyAside() {
        schedaInterrotta();
        const QString cartella = ExeDir() + QStringLiteral("Recupero/");
        for (int i = 0; i < 25; ++i)
            QVERIFY(
                QFile(cartella + QStringLiteral("Scartata_20090305-1200%1.VARNO").arg(i, 2, 10, QChar(u'0')))
                    .open(QIODevice::WriteOnly));
        const QByteArray bytes = leggi(copia());
        ScriptedPrompter p;
        {
            TWinMain w;
            p.answers = {MB::IdNo};
            w.RecuperaScheda();
            QCOMPARE(p.shown.size(), 1);
            QVERIFY(!w.TblScheda()->active());
            QVERIFY(!w.PgCtrl()->isVisibleTo(&w));
        }
        QVERIFY(!QFile::exists(copia()));
        QVERIFY(!QFile::exists(iniCopia()));
        const QStringList kept = scartate();
        QCOMPARE(kept.size(), Recupero::ScartateTenute);
        QVERIFY(QRegularExpression(QStringLiteral("^Scartata_\\d{8}-\\d{6}\\.VARNO$"))
                    .match(kept.last())
                    .hasMatch());
        QCOMPARE(leggi(cartella + kept.last()), bytes);
        QCOMPARE(kept.first(), QStringLiteral("Scartata_20090305-120006.VARNO")); // the six oldest went
        // The next start finds nothing to offer.
        TWinMain again;
        p.shown.clear();
        again.RecuperaScheda();
        QVERIFY(p.shown.isEmpty());
    }

    // A copy that does not load is set aside with one message naming where it went.
    void damagedCopy() {
        QVERIFY(QDir().mkpath(ExeDir() + QStringLiteral("Recupero")));
        {
            QFile f(copia());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("\x96\x19\xe0\xbd\x01\x00\x00\x00 not a form", 24));
        }
        TWinMain w;
        ScriptedPrompter p;
        w.RecuperaScheda();
        QCOMPARE(p.shown.size(), 1);
        const QStringList kept = scartate();
        QCOMPARE(kept.size(), 1);
        QVERIFY2(p.shown[0].text.contains(
                     QDir::toNativeSeparators(ExeDir() + QStringLiteral("Recupero/") + kept[0])),
                 qPrintable(p.shown[0].text));
        QVERIFY(!QFile::exists(copia()));
        QVERIFY(!w.TblScheda()->active());
        // The program goes on: a new form is copied as usual.
        w.NuovaScheda();
        w.TblScheda()->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Onna"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copia()), 2000);
    }

    // Save, Close answered No, and a normal end with no form open remove the copy; a failed
    // save keeps it.
    void whenTheCopyGoes() {
        int n = 0;
        auto copiata = [&](TWinMain& w) {
            w.TblScheda()
                ->fieldByName(QStringLiteral("S1_Comune"))
                ->setAsString(QStringLiteral("Onna %1").arg(++n));
            w.recupero()->scriviSubito();
            return QFile::exists(copia());
        };
        {
            TWinMain w;
            ScriptedPrompter p;
            w.NuovaScheda();
            riempi(*w.TblScheda());
            QVERIFY(copiata(w));
            // A failed save (a folder where the file should go) keeps the copy.
            const QString path = CartellaDaInviare(ExeDir()) + kNomeScheda;
            QVERIFY(QDir().mkpath(path));
            w.runCommand([&] { w.SalvaScheda(); });
            w.recupero()->attendi();
            QVERIFY(QFile::exists(copia()));
            QVERIFY(QDir().rmdir(path));
            QVERIFY(w.SalvaScheda());
            w.recupero()->attendi();
            QVERIFY(!QFile::exists(copia()));
            QVERIFY(copiata(w));
            p.answers = {MB::IdNo};
            QVERIFY(w.ChiudiScheda());
            w.recupero()->attendi();
            QVERIFY(!QFile::exists(copia()));
            QVERIFY(!QFile::exists(iniCopia()));
            // Change, Close answered Cancel: kept; then No: gone.
            w.NuovaScheda();
            QVERIFY(copiata(w));
            p.answers = {MB::IdCancel};
            QVERIFY(!w.ChiudiScheda());
            w.recupero()->attendi();
            QVERIFY(QFile::exists(copia()));
            p.answers = {MB::IdNo};
            QVERIFY(w.ChiudiScheda());
            w.recupero()->attendi();
            QVERIFY(!QFile::exists(copia()));
        }
        {
            // The program asked to close with a changed form, No: it ends without a copy.
            TWinMain w;
            w.show();
            ScriptedPrompter p;
            w.NuovaScheda();
            QVERIFY(copiata(w));
            p.answers = {MB::IdNo};
            QVERIFY(w.close());
            w.recupero()->attendi();
            QVERIFY(!QFile::exists(copia()));
        }
    }

    // A copy that cannot be written is said in the status bar until one can; the form goes on.
    void copyThatCannotBeWritten() {
        TWinMain w;
        ScriptedPrompter p;
        w.NuovaScheda();
        QVERIFY(QDir().mkpath(copia() + QStringLiteral("/x"))); // a folder where the file should go
        w.TblScheda()->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Onna"));
        w.recupero()->scriviSubito();
        QVERIFY(!w.recupero()->ultimoErrore().isEmpty());
        QTRY_VERIFY(
            w.statusBar()->currentMessage().startsWith(QStringLiteral("Copia di recupero non scritta: ")));
        QVERIFY(p.shown.isEmpty());
        QVERIFY(QDir(copia()).removeRecursively());
        w.TblScheda()->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Bazzano"));
        w.recupero()->scriviSubito();
        QVERIFY(w.recupero()->ultimoErrore().isEmpty());
        QTRY_VERIFY(w.statusBar()->currentMessage().isEmpty());
        QCOMPARE(valoreCopia("S1_Comune"), QStringLiteral("Bazzano"));
    }

    // A second program in the same folder says the folder is in use and keeps no copy of its
    // own; the first one's copy is left alone.
    void secondProgramInTheSameFolder() {
        TWinMain first;
        ScriptedPrompter p;
        first.NuovaScheda();
        first.TblScheda()->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Onna"));
        first.recupero()->scriviSubito();
        const QByteArray before = leggi(copia());
        TWinMain second;
        second.RecuperaScheda();
        QCOMPARE(p.shown.size(), 1);
        QVERIFY2(p.shown[0].text.contains(QStringLiteral("è in uso da un altro VARNO")),
                 qPrintable(p.shown[0].text));
        QVERIFY(!second.recupero()->attivo());
        QVERIFY(!second.TblScheda()->active());
        second.NuovaScheda();
        second.TblScheda()->fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Bazzano"));
        second.recupero()->scriviSubito();
        QTest::qWait(Recupero::AttesaMassimaMs + 200);
        p.answers = {MB::IdNo};
        QVERIFY(second.ChiudiScheda());
        QCOMPARE(leggi(copia()), before);
    }

    // A lock left with this very process number (a program lost before a reboot) is stale.
    void lockOfALostProgramWithOurNumber() {
        QVERIFY(QDir().mkpath(ExeDir() + QStringLiteral("Recupero")));
        {
            QFile lock(ExeDir() + QStringLiteral("Recupero/Scheda.lock"));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QStringLiteral("%1\n%2\n%3\n")
                           .arg(QCoreApplication::applicationPid())
                           .arg(QCoreApplication::applicationName(), QSysInfo::machineHostName())
                           .toUtf8());
        }
        TWinMain w;
        ScriptedPrompter p;
        w.RecuperaScheda();
        QVERIFY(p.shown.isEmpty());
        QVERIFY(w.recupero()->attivo());
    }

    // The real program killed while a form is open: the next start offers the form back and it
    // is the form that was on screen, picture and text still being typed included.
    void killedProgramGivesTheFormBack() {
#ifndef VARNO_PROGRAM
        QSKIP("the program is not built");
#else
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QSKIP("Xvfb and xdotool are needed");
        // The program in a folder of its own, with a saved form to open.
        const QString exe = ExeDir() + QStringLiteral("varno");
        QVERIFY(QFile::copy(QStringLiteral(VARNO_PROGRAM), exe));
        QVERIFY(QDir().mkpath(CartellaDaInviare(ExeDir())));
        Dataset salvata(QStringLiteral("TblScheda"));
        salvata.createFields(SchemaScheda());
        connect(&salvata, &Dataset::newRecord, this, [](Dataset* d) { TblSchedaNewRecord(d); });
        salvata.createDataSet();
        salvata.append();
        riempi(salvata);
        salvata.fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->setValue(foto(QSize(800, 600)));
        salvata.post();
        salvata.mergeChangeLog();
        const QString path = CartellaDaInviare(ExeDir()) + kNomeScheda;
        salvata.saveToFile(path);

        // A display of our own: Xvfb picks a free number and writes it once it accepts clients.
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
        QVERIFY(server.waitForStarted());
        // Stopped politely at the end, so that it removes its lock and socket.
        const auto stopServer = qScopeGuard([&server] {
            server.terminate();
            if (!server.waitForFinished(5000))
                server.kill();
            server.waitForFinished();
        });
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        bool numbered = false;
        const int display = server.readLine().trimmed().toInt(&numbered);
        QVERIFY(numbered);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        auto tool = [&](const QStringList& args) {
            QProcess x;
            x.setProcessEnvironment(env);
            x.start(xdotool, args);
            x.waitForFinished(10000);
            return QString::fromUtf8(x.readAllStandardOutput()).trimmed();
        };
        auto finestra = [&](const QString& title) {
            QString id;
            for (int i = 0; i < 100 && id.isEmpty(); ++i, QTest::qWait(100))
                id = tool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--name"), title})
                         .section(u'\n', 0, 0);
            QPoint at;
            for (const QString& l :
                 tool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}).split(u'\n')) {
                if (l.startsWith(QStringLiteral("X=")))
                    at.setX(l.mid(2).toInt());
                if (l.startsWith(QStringLiteral("Y=")))
                    at.setY(l.mid(2).toInt());
            }
            return std::pair{id, at};
        };
        auto click = [&](QPoint p, int times = 1) {
            tool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
            tool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(times),
                  QStringLiteral("1")});
            QTest::qWait(300);
        };

        QProcess varno;
        varno.setProcessEnvironment(env);
        varno.setProcessChannelMode(QProcess::ForwardedChannels);
        varno.start(exe, {});
        QVERIFY(varno.waitForStarted());
        const auto [mainId, origin] = finestra(QStringLiteral("Schede VARNO"));
        QVERIFY2(!mainId.isEmpty(), "the main window did not show");
        QTest::qWait(500);
        // File, Apri ..., then the saved form in the list.
        click(origin + QPoint(18, 10));
        tool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
              QStringLiteral("Return")});
        const auto [dialog, dialogAt] = finestra(QStringLiteral("Apri"));
        QVERIFY2(!dialog.isEmpty(), "the open dialog did not show");
        QTest::qWait(300);
        click(dialogAt + QPoint(40, 36), 2);
        QTest::qWait(500);
        // Into "Comune" on page 1, and typing; the control keeps the focus.
        click(origin + QPoint(22 + 128 + 100, kMenuBarHeight + 89 + 2 + 240 + 10));
        tool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"),
              QStringLiteral("Onna")});
        QString typed;
        for (int i = 0; i < 100 && typed != QStringLiteral("Onna"); ++i, QTest::qWait(100)) {
            if (!QFile::exists(copia()))
                continue;
            try {
                typed = valoreCopia("S1_Comune");
            } catch (const std::exception&) {
            }
        }
        varno.kill();
        varno.waitForFinished();
        QCOMPARE(typed, QStringLiteral("Onna"));

        // The next start, here, answered Yes.
        QFile::remove(exe);
        Dataset atteso;
        atteso.loadFromFile(path);
        atteso.fieldByName(QStringLiteral("S1_Comune"))->setAsString(QStringLiteral("Onna"));
        atteso.post();
        atteso.mergeChangeLog();
        TWinMain w;
        ScriptedPrompter p;
        p.answers = {MB::IdYes, MB::IdYes};
        w.RecuperaScheda();
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 domanda(QStringLiteral("12"), QStringLiteral("0007"), QStringLiteral("05/03/2009")));
        QVERIFY(w.TblScheda()->active());
        QVERIFY(!w.NuovaSchedaFlag());
        QCOMPARE(IniFile(iniCopia()).readString(QStringLiteral("RECUPERO"), QStringLiteral("File")), path);
        const QList<FieldDef>& cols = w.TblScheda()->columns();
        QCOMPARE(cols.size(), atteso.columns().size());
        for (qsizetype i = 0; i < cols.size(); ++i)
            QVERIFY2(w.TblScheda()->value(int(i)) == atteso.value(int(i)), qPrintable(cols[i].name));
        QVERIFY(!w.TblScheda()->fieldByName(QStringLiteral("S1_FotocopiaAggregato"))->isNull());
        // Save asks to overwrite the file it was opened from and writes what an uninterrupted
        // save writes.
        QVERIFY(w.SalvaScheda());
        QCOMPARE(p.shown.size(), 2);
        const QString dopo = ExeDir() + QStringLiteral("atteso.VARNO");
        atteso.saveToFile(dopo);
        QCOMPARE(leggi(path), leggi(dopo));
#endif
    }

private:
    static constexpr int kMenuBarHeight = 21;
};

QTEST_MAIN(TestRecupero)
#include "tst_recupero.moc"
