// The send dialog against a scripted server on 127.0.0.1: the list, the action, every message and
// result line, the update question, a server text, errors, and the controls during a send.
#include "Cp1252.h"
#include "Dataset.h"
#include "DlgInvia.h"
#include "ExeDir.h"
#include "FieldDef.h"
#include "FormStore.h"
#include "IniFile.h"
#include "ScriptedHttpServer.h"
#include "ScriptedPrompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <cstdio>
#include <unistd.h>

namespace {

const char* const kA = "Sq12_n0001_(05-03-2009).VARNO";
const char* const kB = "Sq12_n0002_(05-03-2009).VARNO";
const char* const kC = "Sq12_n0003_(05-03-2009).VARNO";

QString n(const char* name) {
    return QString::fromLatin1(name);
}

// A saved form: squad, number and notes set, as Save writes it.
void scriviScheda(const QString& path, const QString& numero, const QString& note = QString()) {
    Dataset ds(QStringLiteral("TblScheda"));
    ds.createFields(SchemaScheda());
    ds.createDataSet();
    ds.append();
    ds.fieldByName(QStringLiteral("S1_Squadra"))->setAsString(QStringLiteral("12"));
    ds.fieldByName(QStringLiteral("S1_SchedaN"))->setAsString(numero);
    ds.fieldByName(QStringLiteral("S1_Data"))->setValue(QDateTime(QDate(2009, 3, 5), QTime(0, 0), Qt::UTC));
    if (!note.isEmpty())
        ds.fieldByName(QStringLiteral("S9_Annotazioni"))->setAsString(note);
    ds.post();
    ds.mergeChangeLog();
    ds.saveToFile(path);
}

QByteArray leggi(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The server's answer: result, OvewriteIfExist and aInfo.
QByteArray risposta(bool result, bool overwrite = false, const QByteArray& info = QByteArray()) {
    const auto b = [](bool v) { return QByteArray(v ? "true" : "false"); };
    return ScriptedHttpServer::response(
        200, "OK",
        ScriptedHttpServer::sendSchedaResponse(
            "<return xsi:type=\"xsd:boolean\">" + b(result) +
            "</return><OvewriteIfExist xsi:type=\"xsd:boolean\">" + b(overwrite) + "</OvewriteIfExist>" +
            (info.isEmpty() ? QByteArray("<aInfo xsi:type=\"xsd:string\"/>")
                            : "<aInfo xsi:type=\"xsd:string\">" + info + "</aInfo>")));
}

// The parameters of a recorded SendScheda request, by name.
QHash<QString, QString> parametri(const ScriptedHttpServer::Request& r) {
    QHash<QString, QString> p;
    QXmlStreamReader xml(r.body);
    int depth = 0;
    while (!xml.atEnd()) {
        const auto t = xml.readNext();
        if (t == QXmlStreamReader::StartElement && ++depth == 4)
            p.insert(xml.name().toString(), xml.readElementText()), --depth;
        else if (t == QXmlStreamReader::EndElement)
            --depth;
    }
    return p;
}

QString riepilogo(const QStringList& righe) {
    QString t = QStringLiteral("RIEPILOGO INVIO SCHEDE\r\n");
    for (const QString& r : righe)
        t += r + QStringLiteral("\r\n");
    return t;
}

QStringList voci(const TDialogInvia& d) {
    QStringList l;
    for (int i = 0; i < d.LboxSchede()->count(); ++i)
        l.append(d.LboxSchede()->item(i)->text());
    return l;
}

} // namespace

class TestDlgInvia : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<IniFile> m_ini;

    QString daInviare(const char* name = "") const { return CartellaDaInviare(ExeDir()) + n(name); }
    QString inviati(const char* name = "") const { return CartellaInviati(ExeDir()) + n(name); }

    // The dialog shown, its list filled, user name and password typed.
    std::unique_ptr<TDialogInvia> apri(const QString& utente = QStringLiteral("squadra12"),
                                       const QString& password = QStringLiteral("segreta")) {
        auto d = std::make_unique<TDialogInvia>(nullptr, m_ini.get());
        d->show();
        if (!QTest::qWaitForWindowExposed(d.get()))
            qWarning("dialog not exposed");
        QTest::keyClicks(d->EdNomeUtente(), utente);
        QTest::keyClicks(d->EdPassword(), password);
        return d;
    }

    static void selezionaTutto(TDialogInvia& d) { QTest::mouseClick(d.BtnSelectAll(), Qt::LeftButton); }

    // After every send: the progress bar gone, the controls back, the cursor the default one.
    static void dopoInvio(const TDialogInvia& d) {
        QVERIFY(!d.ProgressBar()->isVisible());
        QVERIFY(d.BtnSelectAll()->isVisible());
        QVERIFY(d.LboxSchede()->isEnabled() && d.EdNomeUtente()->isEnabled() && d.EdPassword()->isEnabled());
        QVERIFY(d.actInvia()->isEnabled());
        QVERIFY(!d.InvioInCorso());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(d.LboxSchede()->selectedItems().isEmpty());
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        SetExeDir(m_dir->path());
        QVERIFY(QDir().mkpath(daInviare()));
        m_server = std::make_unique<ScriptedHttpServer>();
        QVERIFY(m_server->listen());
        m_ini = std::make_unique<IniFile>(ExeDir() + QStringLiteral("Varno.Ini"));
        m_ini->writeString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS"),
                           QStringLiteral("127.0.0.1:%1").arg(m_server->port()));
    }

    void layoutAndTheAction() {
        scriviScheda(daInviare(kB), QStringLiteral("0002"));
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        ScriptedPrompter p;
        auto d = apri(QString(), QString());
        QCOMPARE(d->windowTitle(), QStringLiteral("Invia Schede ..."));
        QCOMPARE(d->LblSchede()->text(), QStringLiteral("Schede Da Inviare"));
        QCOMPARE(d->BtnSelectAll()->text(), QStringLiteral("Seleziona Tutto"));
        QCOMPARE(d->BtnInvia()->text(), QStringLiteral("INVIA Schede Selezionate"));
        QCOMPARE(d->actInvia()->text(), QStringLiteral("INVIA Schede Selezionate"));
        QCOMPARE(d->EdPassword()->echoMode(), QLineEdit::Password);
        QCOMPARE(voci(*d), (QStringList{n(kA), n(kB)}));
        QVERIFY(!d->ProgressBar()->isVisible());
        QCOMPARE(d->size(), QSize(554, 427));
        QCOMPARE(d->minimumSize(), QSize(400, 250));
        // Tab order: user name, password, send button, list, select all.
        d->EdNomeUtente()->setFocus();
        QWidget* order[] = {d->EdPassword(), d->BtnInvia(), d->LboxSchede(), d->BtnSelectAll()};
        QWidget* w = d->EdNomeUtente();
        for (QWidget* next : order) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus)
                w = w->nextInFocusChain();
            QCOMPARE(w, next);
        }

        // Disabled without user name or password: neither the button nor a double-click sends.
        QVERIFY(!d->actInvia()->isEnabled());
        QVERIFY(!d->BtnInvia()->isEnabled());
        const QRect r = d->LboxSchede()->visualItemRect(d->LboxSchede()->item(0));
        QTest::mouseDClick(d->LboxSchede()->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QTest::keyClicks(d->EdNomeUtente(), QStringLiteral("u"));
        QVERIFY(!d->actInvia()->isEnabled());
        QTest::mouseDClick(d->LboxSchede()->viewport(), Qt::LeftButton, {}, r.center());
        QCoreApplication::processEvents();
        d->EdNomeUtente()->clear();
        QTest::keyClicks(d->EdPassword(), QStringLiteral("p"));
        QVERIFY(!d->actInvia()->isEnabled());
        QCoreApplication::processEvents();
        QVERIFY(m_server->requests.isEmpty());
        QVERIFY(p.shown.isEmpty());
        // A single blank counts as text.
        QTest::keyClicks(d->EdNomeUtente(), QStringLiteral(" "));
        QVERIFY(d->actInvia()->isEnabled());
        QVERIFY(d->BtnInvia()->isEnabled());

        selezionaTutto(*d);
        QCOMPARE(d->LboxSchede()->selectedItems().size(), 2);

        // With both texts a double-click on a form sends that form.
        m_server->answers = {risposta(true)};
        d->LboxSchede()->clearSelection();
        QTest::mouseClick(d->LboxSchede()->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(d->LboxSchede()->viewport(), Qt::LeftButton, {}, r.center());
        QTRY_COMPARE(p.shown.size(), 1);
        QCOMPARE(m_server->requests.size(), 1);
        QCOMPARE(parametri(m_server->requests[0]).value(QStringLiteral("NomeUtente")), QStringLiteral(" "));
        QCOMPARE(p.shown[0].text,
                 riepilogo({QStringLiteral("   ") + n(kA) + QStringLiteral(" - [INVIATA]")}));
        QCOMPARE(voci(*d), QStringList{n(kB)});
    }

    // The focus starts in "Nome Utente": a user who types at once types the name, and the
    // list's type-ahead selects no form.
    void focusStartsInTheUserName() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        scriviScheda(daInviare(kB), QStringLiteral("0002"));
        ScriptedPrompter p;
        TDialogInvia d(nullptr, m_ini.get());
        d.show();
        QApplication::setActiveWindow(&d);
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.EdNomeUtente()));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Sq12"));
        QCOMPARE(d.EdNomeUtente()->text(), QStringLiteral("Sq12"));
        QVERIFY(d.LboxSchede()->selectedItems().isEmpty());
    }

    // A form whose file name is not UTF-8 (an accented squad written by another system) is
    // listed as it reads, sent, and moved by the bytes of its name; a folder that cannot be read
    // says so in the list.
    void nameNotUtf8AndUnreadableFolder() {
        const QByteArray bytes = "SqCitt\xE0_n0009_(05-03-2009).VARNO";
        scriviScheda(daInviare("x.VARNO"), QStringLiteral("0009"));
        QVERIFY(std::rename(QFile::encodeName(daInviare("x.VARNO")).constData(),
                            (QFile::encodeName(daInviare()) + bytes).constData()) == 0);
        ScriptedPrompter p;
        {
            auto d = apri();
            QCOMPARE(voci(*d), QStringList{QStringLiteral("SqCitt\u00E0_n0009_(05-03-2009).VARNO")});
            m_server->answers = {risposta(true)};
            selezionaTutto(*d);
            QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
            QTRY_COMPARE(p.shown.size(), 1);
            QVERIFY2(p.shown.first().text.contains(
                         QStringLiteral("   SqCitt\u00E0_n0009_(05-03-2009).VARNO - [INVIATA]")),
                     qPrintable(p.shown.first().text));
            QCOMPARE(m_server->requests.size(), 1);
            QVERIFY(::access((QFile::encodeName(inviati()) + bytes).constData(), F_OK) == 0);
            QVERIFY(::access((QFile::encodeName(daInviare()) + bytes).constData(), F_OK) != 0);
        }
        if (geteuid() == 0)
            return; // the superuser reads every folder; the listing's own test covers the message
        QVERIFY(QFile::setPermissions(daInviare(), QFile::WriteOwner | QFile::ExeOwner));
        auto d = apri();
        QFile::setPermissions(daInviare(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(voci(*d),
                 QStringList{
                     QStringLiteral("Impossibile leggere il contenuto della cartella %1").arg(daInviare())});
        selezionaTutto(*d);
        QVERIFY(d->LboxSchede()->selectedItems().isEmpty());
    }

    void nothingSelected() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        ScriptedPrompter p;
        auto d = apri();
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, QStringLiteral("Nessuna scheda selezionata!"));
        QCOMPARE(p.shown[0].flags, -1); // the plain information box
        QCoreApplication::processEvents();
        QCOMPARE(m_server->connections(), 0);
        QVERIFY(m_server->requests.isEmpty());
        dopoInvio(*d);
        QCOMPARE(voci(*d), QStringList{n(kA)});
    }

    void acceptedRefusedAccepted() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"), QStringLiteral("perch\u00e8"));
        scriviScheda(daInviare(kB), QStringLiteral("0002"));
        scriviScheda(daInviare(kC), QStringLiteral("0003"));
        const QByteArray xmlA = [&] {
            Dataset ds;
            ds.loadFromFile(daInviare(kA));
            return ds.xmlData();
        }();
        ScriptedPrompter p;
        auto d = apri();
        m_server->answers = {risposta(true), risposta(false), risposta(true)};
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);

        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].flags, -1);
        QCOMPARE(p.shown[0].text, QStringLiteral("RIEPILOGO INVIO SCHEDE\r\n"
                                                 "   Sq12_n0001_(05-03-2009).VARNO - [INVIATA]\r\n"
                                                 "   Sq12_n0002_(05-03-2009).VARNO - [RIFIUTATA] \r\n"
                                                 "   Sq12_n0003_(05-03-2009).VARNO - [INVIATA]\r\n"));
        QVERIFY(QFile::exists(inviati(kA)) && QFile::exists(inviati(kC)));
        QVERIFY(!QFile::exists(daInviare(kA)) && !QFile::exists(daInviare(kC)));
        QVERIFY(QFile::exists(daInviare(kB)));
        QCOMPARE(voci(*d), QStringList{n(kB)});
        dopoInvio(*d);

        // Three calls in selection order, each a first call with the file's XML datapacket.
        QCOMPARE(m_server->requests.size(), 3);
        const auto prima = parametri(m_server->requests[0]);
        QCOMPARE(prima.value(QStringLiteral("NomeUtente")), QStringLiteral("squadra12"));
        QCOMPARE(prima.value(QStringLiteral("Password")), QStringLiteral("segreta"));
        QCOMPARE(prima.value(QStringLiteral("OvewriteIfExist")), QStringLiteral("false"));
        QCOMPARE(prima.value(QStringLiteral("aInfo")), QString());
        QCOMPARE(prima.value(QStringLiteral("Scheda")), Cp1252::decode(xmlA));
        QVERIFY(m_server->requests[0].body.contains("perch\xC3\xA8"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(parametri(m_server->requests[i])
                        .value(QStringLiteral("Scheda"))
                        .contains(QStringLiteral("S1_SchedaN=\"000%1\"").arg(i + 1)));
        // One address, one kept-alive connection for the whole send.
        QCOMPARE(m_server->connections(), 1);
    }

    void updateQuestion() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        scriviScheda(daInviare(kB), QStringLiteral("0002"));
        scriviScheda(daInviare(kC), QStringLiteral("0003"));
        ScriptedPrompter p;
        auto d = apri();
        // A exists: No. B exists: Yes, then accepted. C exists: Yes, and the second answer again
        // says "exists": refused, with no second question.
        p.answers = {MB::IdNo, MB::IdYes, MB::IdYes};
        m_server->answers = {risposta(false, true), risposta(false, true), risposta(true, true),
                             risposta(false, true), risposta(false, true)};
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);

        QCOMPARE(p.shown.size(), 4);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(p.shown[i].text, QStringLiteral("La scheda \"%1\" esiste già vuoi aggiornarla?")
                                          .arg(n(i == 0   ? kA
                                                 : i == 1 ? kB
                                                          : kC)));
            QCOMPARE(p.shown[i].caption, QStringLiteral("ATTENZIONE!!!"));
            QCOMPARE(p.shown[i].flags & 0xFF, 36);
        }
        QCOMPARE(p.shown[3].text,
                 riepilogo({QStringLiteral("   ") + n(kB) + QStringLiteral(" - [INVIATA]"),
                            QStringLiteral("   ") + n(kC) + QStringLiteral(" - [RIFIUTATA] ")}));
        QCOMPARE(m_server->requests.size(), 5);
        // The second call of a file goes out with OvewriteIfExist true and aInfo empty.
        for (int i : {2, 4}) {
            const auto q = parametri(m_server->requests[i]);
            QCOMPARE(q.value(QStringLiteral("OvewriteIfExist")), QStringLiteral("true"));
            QCOMPARE(q.value(QStringLiteral("aInfo")), QString());
            QCOMPARE(q.value(QStringLiteral("Scheda")), parametri(m_server->requests[i - 1]).value("Scheda"));
        }
        QVERIFY(QFile::exists(daInviare(kA)));
        QVERIFY(QFile::exists(inviati(kB)));
        QVERIFY(QFile::exists(daInviare(kC)));
        QCOMPARE(voci(*d), (QStringList{n(kA), n(kC)}));
        dopoInvio(*d);
    }

    void serverTextStopsTheSend() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        scriviScheda(daInviare(kB), QStringLiteral("0002"));
        scriviScheda(daInviare(kC), QStringLiteral("0003"));
        ScriptedPrompter p;
        auto d = apri();
        m_server->answers = {risposta(true), risposta(false, false, "Utente non abilitato &amp; basta"),
                             risposta(true)};
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);

        QCOMPARE(p.shown.size(), 1); // no summary
        QCOMPARE(p.shown[0].text, QStringLiteral("Utente non abilitato & basta"));
        QCOMPARE(p.shown[0].caption, QStringLiteral("ERRORE!!!"));
        QCOMPARE(p.shown[0].flags & 0xFF, 16);
        QCOMPARE(m_server->requests.size(), 2);
        QVERIFY(QFile::exists(inviati(kA)));
        QCOMPARE(voci(*d), (QStringList{n(kB), n(kC)}));
        dopoInvio(*d);
    }

    void replacesTheCopyInTheSentFolder() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        QVERIFY(QDir().mkpath(inviati()));
        QFile old(inviati(kA));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("vecchia");
        old.close();
        const QByteArray nuova = leggi(daInviare(kA));
        ScriptedPrompter p;
        auto d = apri();
        m_server->answers = {risposta(true)};
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(leggi(inviati(kA)), nuova);
        QVERIFY(!QFile::exists(daInviare(kA)));
    }

    // While a call waits: the controls are disabled, the window repaints, and clicks that arrive
    // meanwhile start no second send.
    void oneFileAndTheControlsDuringASend() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        ScriptedPrompter p;
        auto d = apri();
        m_server->answers = {risposta(true)};
        m_server->answerDelayMs = 300;
        struct Stato {
            bool visto = false;
            bool progressoVisibile = false, selezionaVisibile = true;
            int minimo = -1, massimo = -1;
            bool abilitati = true;
            bool barraVuota = false;
            int dipinti = 0;
        } s;
        struct Dipinti : QObject {
            int* n;
            explicit Dipinti(int* c) : n(c) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint)
                    ++*n;
                return false;
            }
        } contaDipinti(&s.dipinti);
        d->ProgressBar()->installEventFilter(&contaDipinti);
        connect(m_server.get(), &ScriptedHttpServer::requestReceived, this, [&] {
            if (s.visto)
                return;
            s.visto = true;
            s.progressoVisibile = d->ProgressBar()->isVisible();
            s.selezionaVisibile = d->BtnSelectAll()->isVisible();
            s.minimo = d->ProgressBar()->minimum();
            s.massimo = d->ProgressBar()->maximum();
            // The bar is drawn empty, as one of range 0 to 1 at 0 would be, not as a busy bar.
            QProgressBar vuota(d.get());
            vuota.setTextVisible(false);
            vuota.setRange(0, 1);
            vuota.setValue(0);
            vuota.setGeometry(d->ProgressBar()->geometry());
            s.barraVuota = d->ProgressBar()->grab().toImage() == vuota.grab().toImage();
            s.abilitati = d->LboxSchede()->isEnabled() || d->EdNomeUtente()->isEnabled() ||
                          d->EdPassword()->isEnabled() || d->BtnInvia()->isEnabled() ||
                          d->actInvia()->isEnabled();
            s.dipinti = 0;
            d->ProgressBar()->update();
            // Input that arrives during the call waits for the end of the call.
            const QPoint c = d->BtnInvia()->rect().center();
            const QPoint g = d->BtnInvia()->mapToGlobal(c);
            for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                QCoreApplication::postEvent(d->BtnInvia(),
                                            new QMouseEvent(t, QPointF(c), QPointF(g), Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(d->LboxSchede()->viewport(),
                                        new QMouseEvent(QEvent::MouseButtonDblClick, QPointF(5, 5),
                                                        QPointF(d->mapToGlobal(QPoint(15, 33))),
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            // Nor do direct attempts: the button, the action, the handler, closing.
            d->BtnInvia()->click();
            d->actInvia()->trigger();
            d->actInviaExecute();
            d->reject();
            d->close();
        });
        selezionaTutto(*d);
        d->BtnInvia()->setFocus();
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCoreApplication::processEvents();

        QVERIFY(d->BtnInvia()->hasFocus());
        QVERIFY(s.visto);
        QVERIFY(s.progressoVisibile);
        QVERIFY(!s.selezionaVisibile);
        QCOMPARE(s.minimo, 0);
        QCOMPARE(s.massimo, 0);
        QVERIFY(s.barraVuota);
        QVERIFY(!s.abilitati);
        QVERIFY(s.dipinti > 0);
        QVERIFY(d->isVisible());
        QCOMPARE(m_server->requests.size(), 1);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 riepilogo({QStringLiteral("   ") + n(kA) + QStringLiteral(" - [INVIATA]")}));
        dopoInvio(*d);
    }

    void acceptedButNotMoved() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        QFile blocco(ExeDir() + QStringLiteral("Inviati")); // a file where the sent folder should be
        QVERIFY(blocco.open(QIODevice::WriteOnly));
        blocco.close();
        ScriptedPrompter p;
        auto d = apri();
        m_server->answers = {risposta(true)};
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 riepilogo({QStringLiteral("   ") + n(kA) + QStringLiteral(" - [INVIATA] (non spostata)")}));
        QVERIFY(QFile::exists(daInviare(kA)));
        QCOMPARE(voci(*d), QStringList{n(kA)});
    }

    void errorsAreShownAndEndTheSend() {
        scriviScheda(daInviare(kA), QStringLiteral("0001"));
        scriviScheda(daInviare(kB), QStringLiteral("0002"));
        ScriptedPrompter p;
        auto d = apri();

        // A SOAP fault on the second file: the first stays sent, no summary.
        m_server->answers = {
            risposta(true),
            ScriptedHttpServer::response(
                500, "Internal Server Error",
                ScriptedHttpServer::envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
                                             "<faultstring>Archivio pieno</faultstring></SOAP-ENV:Fault>"))};
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, QStringLiteral("Archivio pieno"));
        QCOMPARE(p.shown[0].flags, -1);
        QVERIFY(QFile::exists(inviati(kA)));
        QCOMPARE(voci(*d), QStringList{n(kB)});
        dopoInvio(*d);

        // A file that vanished after the list was filled.
        scriviScheda(daInviare(kC), QStringLiteral("0003"));
        d->ElencaSchede();
        selezionaTutto(*d);
        QVERIFY(QFile::remove(daInviare(kB)));
        p.shown.clear();
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QVERIFY2(p.shown[0].text.contains(n(kB)), qPrintable(p.shown[0].text));
        QCOMPARE(m_server->requests.size(), 2);
        QCOMPARE(voci(*d), QStringList{n(kC)});
        dopoInvio(*d);

        // No server listening.
        const quint16 porta = m_server->port();
        m_server->close();
        p.shown.clear();
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 QStringLiteral("Connection refused - URL:http://127.0.0.1:%1/VARNO/ServerVARNO.DLL/soap/"
                                "IServerVARNO - SOAPAction:urn:ServerVARNOIntf-IServerVARNO#SendScheda")
                     .arg(porta));
        dopoInvio(*d);

        // No address in the INI file at all.
        m_ini->writeString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS"), QString());
        p.shown.clear();
        selezionaTutto(*d);
        QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
        QCOMPARE(p.shown.size(), 1);
        QVERIFY2(p.shown[0].text.contains(QStringLiteral("URL:http:///VARNO/")), qPrintable(p.shown[0].text));
        QVERIFY(QFile::exists(daInviare(kC)));
        dopoInvio(*d);
    }
};

QTEST_MAIN(TestDlgInvia)
#include "tst_dlginvia.moc"
