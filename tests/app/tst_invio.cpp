// Send through the real program: New, fill in, Save, "Invia ...", the send dialog driven by its
// widgets, to the local survey server started here.
#include "BoundControl.h"
#include "BoundEdit.h"
#include "BoundMemo.h"
#include "Dataset.h"
#include "DlgInvia.h"
#include "ExeDir.h"
#include "FormStore.h"
#include "IniFile.h"
#include "ScriptedPrompter.h"
#include "WMain.h"
#include "WPagina1.h"
#include "WPagina3.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T* ctl(TWinSuperPagina* page, const char* fieldName) {
    for (QWidget* c : page->controlList())
        if (auto* b = dynamic_cast<BoundControl*>(c); b && b->dataField() == QLatin1String(fieldName))
            if (auto* t = dynamic_cast<T*>(c))
                return t;
    qFatal("no control on %s", fieldName);
}

// Gives the control the focus on its page, as a click would, and types the text into it.
void typeInto(TWinMain& w, TWinSuperPagina* page, QWidget* c, const QString& text) {
    w.PgCtrl()->setCurrentWidget(page->parentWidget());
    page->SbPg()->ensureWidgetVisible(c);
    c->setFocus(Qt::MouseFocusReason);
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, c, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs `act` on the send dialog as soon as it shows; *seen tells whether it did.
void onDialog(bool* seen, const std::function<void(TDialogInvia*)>& act) {
    QTimer::singleShot(0, [seen, act] {
        auto* d = qobject_cast<TDialogInvia*>(QApplication::activeModalWidget());
        *seen = d != nullptr;
        if (d)
            act(d);
    });
}

} // namespace

class TestInvio : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_store;
    QProcess m_server;
    quint16 m_port = 0;

private slots:
    void initTestCase() {
        SetExeDir(m_dir.path());
        QTcpServer free;
        QVERIFY(free.listen(QHostAddress::LocalHost));
        m_port = free.serverPort();
        free.close();
        m_server.start(
            QStringLiteral(VARNO_SERVER_PROGRAM),
            {QStringLiteral("--port"), QString::number(m_port), QStringLiteral("--dir"), m_store.path()});
        QVERIFY(m_server.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += m_server.readAllStandardOutput()).contains("In ascolto"), 10000);
        IniFile(ExeDir() + QStringLiteral("Varno.Ini"))
            .writeString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS"),
                         QStringLiteral("127.0.0.1:%1").arg(m_port));
    }

    void cleanupTestCase() {
        m_server.kill();
        m_server.waitForFinished();
    }

    void cancelledCloseShowsNoDialog() {
        TWinMain w;
        ScriptedPrompter p;
        w.NuovaScheda();
        w.TblScheda()->edit();
        w.TblScheda()->fieldByName(QStringLiteral("S1_Squadra"))->setAsString(QStringLiteral("9"));
        w.TblScheda()->post();
        p.answers = {MB::IdCancel};
        bool seen = false;
        onDialog(&seen, [](TDialogInvia* d) { d->reject(); });
        w.mnInvia()->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!seen);
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text, QStringLiteral("Vuoi salvare la scheda prima di chiuderla?"));
        QVERIFY(w.TblScheda()->active());
        p.answers = {MB::IdNo};
        QVERIFY(w.ChiudiScheda());
    }

    void newFillSaveSend() {
        TWinMain w;
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        ScriptedPrompter p;
        w.mnNuovo()->trigger();
        TWinSuperPagina* p1 = w.Pagina1();
        TWinSuperPagina* p3 = w.Pagina3();
        typeInto(w, p1, ctl<BoundEdit>(p1, "S1_Squadra"), QStringLiteral("12"));
        typeInto(w, p1, ctl<BoundEdit>(p1, "S1_SchedaN"), QStringLiteral("0007"));
        typeInto(w, p1, ctl<BoundEdit>(p1, "S1_Comune"), QStringLiteral("Città di L'Aquila"));
        typeInto(w, p3, ctl<BoundMemo>(p3, "S9_Annotazioni"), QStringLiteral("crepe <diffuse> & \"perchè\""));
        w.mnSalva()->trigger();
        QVERIFY(p.shown.isEmpty());
        const QString name = NomeFileScheda(*w.TblScheda());
        QVERIFY(QFile::exists(CartellaDaInviare(ExeDir()) + name));
        const QByteArray saved = readAll(CartellaDaInviare(ExeDir()) + name);

        bool seen = false;
        onDialog(&seen, [&](TDialogInvia* d) {
            QCOMPARE(d->LboxSchede()->count(), 1);
            QTest::keyClicks(d->EdNomeUtente(), QStringLiteral("squadra12"));
            QTest::keyClicks(d->EdPassword(), QStringLiteral("segreta"));
            QTest::mouseClick(d->BtnSelectAll(), Qt::LeftButton);
            QTest::mouseClick(d->BtnInvia(), Qt::LeftButton);
            QCOMPARE(d->LboxSchede()->count(), 0);
            d->close();
        });
        w.mnInvia()->trigger();
        QVERIFY(seen);
        QVERIFY(!w.TblScheda()->active());
        QCOMPARE(p.shown.size(), 1);
        QCOMPARE(p.shown[0].text,
                 QStringLiteral("RIEPILOGO INVIO SCHEDE\r\n   ") + name + QStringLiteral(" - [INVIATA]\r\n"));

        // The form moved, unchanged, to the sent folder.
        QVERIFY(!QFile::exists(CartellaDaInviare(ExeDir()) + name));
        const QString sent = CartellaInviati(ExeDir()) + name;
        QCOMPARE(readAll(sent), saved);

        // The server holds exactly the XML datapacket of the saved file.
        const QStringList stored = QDir(m_store.path()).entryList(QDir::Files);
        QCOMPARE(stored.size(), 1);
        const QByteArray received = readAll(QDir(m_store.path()).filePath(stored.first()));
        QProcess tool;
        tool.start(QStringLiteral(VARNOTOOL), {QStringLiteral("to-xml"), sent});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(received, tool.readAllStandardOutput());
        Dataset ds;
        ds.loadFromFile(sent);
        QCOMPARE(received, ds.xmlData());
        QVERIFY(received.contains("S9_Annotazioni=\"crepe &lt;diffuse&gt; &amp; &quot;perch\xE8&quot;\""));
        QVERIFY(received.contains("S1_Comune=\"Citt\xE0 di L&apos;Aquila\""));
    }
};

QTEST_MAIN(TestInvio)
#include "tst_invio.moc"
