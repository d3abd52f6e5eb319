// varnotool send against a scripted server on 127.0.0.1, and varnotool set-server.
#include "Dataset.h"
#include "FieldDef.h"
#include "IniFile.h"
#include "RunVarnotool.h"
#include "ScriptedHttpServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

void scriviScheda(const QString& path, const QString& numero) {
    Dataset ds(QStringLiteral("TblScheda"));
    ds.createFields(SchemaScheda());
    ds.createDataSet();
    ds.append();
    ds.fieldByName(QStringLiteral("S1_Squadra"))->setAsString(QStringLiteral("12"));
    ds.fieldByName(QStringLiteral("S1_SchedaN"))->setAsString(numero);
    ds.fieldByName(QStringLiteral("S1_Data"))->setValue(QDateTime(QDate(2009, 3, 5), QTime(0, 0), Qt::UTC));
    ds.post();
    ds.mergeChangeLog();
    ds.saveToFile(path);
}

QByteArray risposta(bool result, bool overwrite = false, const QByteArray& info = QByteArray()) {
    const auto b = [](bool v) { return QByteArray(v ? "true" : "false"); };
    return ScriptedHttpServer::response(200, "OK",
                                        ScriptedHttpServer::sendSchedaResponse(
                                            "<return>" + b(result) + "</return><OvewriteIfExist>" +
                                            b(overwrite) + "</OvewriteIfExist><aInfo>" + info + "</aInfo>"));
}

} // namespace

class TestVarnotoolSend : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedHttpServer> m_server;

    QString path(const QString& rel) const { return m_dir->filePath(rel); }
    QStringList send(const QStringList& files, bool update = false, quint16 port = 0) const {
        QStringList a = {QStringLiteral("send"),
                         QStringLiteral("--server"),
                         QStringLiteral("127.0.0.1:%1").arg(port ? port : m_server->port()),
                         QStringLiteral("--user"),
                         QStringLiteral("squadra12"),
                         QStringLiteral("--password"),
                         QStringLiteral("segreta")};
        if (update)
            a.append(QStringLiteral("--update"));
        return a + files;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("DaInviare")));
        m_server = std::make_unique<ScriptedHttpServer>();
        QVERIFY(m_server->listen());
    }

    void usage() {
        for (const QStringList& args :
             {QStringList{QStringLiteral("send"), QStringLiteral("a.VARNO")},
              QStringList{QStringLiteral("send"), QStringLiteral("--server"), QStringLiteral("x"),
                          QStringLiteral("--user"), QStringLiteral("u"), QStringLiteral("--password"),
                          QStringLiteral("p")},
              QStringList{QStringLiteral("send"), QStringLiteral("--server"), QStringLiteral("x"),
                          QStringLiteral("--user"), QStringLiteral("u"), QStringLiteral("--pass"),
                          QStringLiteral("p"), QStringLiteral("a.VARNO")}}) {
            const Run r = varnotool(args, m_dir->path());
            QCOMPARE(r.status, 2);
            QVERIFY(r.err.startsWith("usage: varnotool send --server ADDRESS"));
        }
        QVERIFY(m_server->requests.isEmpty());
    }

    void acceptedRefusedAccepted() {
        for (const char* n : {"a", "b", "c"})
            scriviScheda(path(QStringLiteral("DaInviare/%1.VARNO").arg(QLatin1String(n))),
                         QStringLiteral("1"));
        m_server->answers = {risposta(true), risposta(false), risposta(true)};
        const Run r =
            varnotool(send({QStringLiteral("DaInviare/a.VARNO"), QStringLiteral("DaInviare/b.VARNO"),
                            QStringLiteral("DaInviare/c.VARNO")}),
                      m_dir->path());
        QCOMPARE(r.out, QByteArray("RIEPILOGO INVIO SCHEDE\n"
                                   "   a.VARNO - [INVIATA]\n"
                                   "   b.VARNO - [RIFIUTATA] \n"
                                   "   c.VARNO - [INVIATA]\n"));
        QCOMPARE(r.status, 1);
        QCOMPARE(m_server->requests.size(), 3);
        // The program's layout: accepted forms move from DaInviare to Inviati beside it.
        QVERIFY(QFile::exists(path(QStringLiteral("Inviati/a.VARNO"))));
        QVERIFY(QFile::exists(path(QStringLiteral("Inviati/c.VARNO"))));
        QVERIFY(QFile::exists(path(QStringLiteral("DaInviare/b.VARNO"))));

        // All accepted: status 0. A file elsewhere moves into "Inviati" inside its own folder.
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("altro")));
        scriviScheda(path(QStringLiteral("altro/d.VARNO")), QStringLiteral("4"));
        m_server->answers = {risposta(true), risposta(true)};
        const Run r2 =
            varnotool(send({QStringLiteral("DaInviare/b.VARNO"), path(QStringLiteral("altro/d.VARNO"))}),
                      m_dir->path());
        QCOMPARE(r2.status, 0);
        QCOMPARE(r2.out,
                 QByteArray("RIEPILOGO INVIO SCHEDE\n   b.VARNO - [INVIATA]\n   d.VARNO - [INVIATA]\n"));
        QVERIFY(QFile::exists(path(QStringLiteral("Inviati/b.VARNO"))));
        QVERIFY(QFile::exists(path(QStringLiteral("altro/Inviati/d.VARNO"))));
        QVERIFY(!QFile::exists(path(QStringLiteral("altro/d.VARNO"))));
    }

    void updateOnlyWhenAsked() {
        scriviScheda(path(QStringLiteral("DaInviare/a.VARNO")), QStringLiteral("1"));
        m_server->answers = {risposta(false, true)};
        Run r = varnotool(send({QStringLiteral("DaInviare/a.VARNO")}), m_dir->path());
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("a.VARNO"), r.err.constData());
        QCOMPARE(m_server->requests.size(), 1);
        QVERIFY(QFile::exists(path(QStringLiteral("DaInviare/a.VARNO"))));

        m_server->answers = {risposta(false, true), risposta(true, true)};
        r = varnotool(send({QStringLiteral("DaInviare/a.VARNO")}, true), m_dir->path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("RIEPILOGO INVIO SCHEDE\n   a.VARNO - [INVIATA]\n"));
        QCOMPARE(m_server->requests.size(), 3);
        QVERIFY(m_server->requests[2].body.contains("<OvewriteIfExist xsi:type=\"xsd:boolean\">true<"));
        QVERIFY(QFile::exists(path(QStringLiteral("Inviati/a.VARNO"))));
    }

    void serverTextAndErrorsStopTheSend() {
        for (const char* n : {"a", "b", "c"})
            scriviScheda(path(QStringLiteral("DaInviare/%1.VARNO").arg(QLatin1String(n))),
                         QStringLiteral("1"));
        m_server->answers = {risposta(true), risposta(false, false, "Utente sospeso")};
        const QStringList files = {QStringLiteral("DaInviare/a.VARNO"), QStringLiteral("DaInviare/b.VARNO"),
                                   QStringLiteral("DaInviare/c.VARNO")};
        Run r = varnotool(send(files), m_dir->path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QByteArray("   a.VARNO - [INVIATA]\n")); // no summary title
        QCOMPARE(r.err, QByteArray("Utente sospeso\n"));
        QCOMPARE(m_server->requests.size(), 2);
        QVERIFY(QFile::exists(path(QStringLiteral("DaInviare/c.VARNO"))));

        // A file that does not load.
        r = varnotool(send({QStringLiteral("DaInviare/manca.VARNO")}), m_dir->path());
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("manca.VARNO"), r.err.constData());

        // No server.
        const quint16 port = m_server->port();
        m_server->close();
        r = varnotool(send({QStringLiteral("DaInviare/b.VARNO")}, false, port), m_dir->path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err,
                 QStringLiteral("Connection refused - URL:http://127.0.0.1:%1/VARNO/ServerVARNO.DLL/soap/"
                                "IServerVARNO - SOAPAction:urn:ServerVARNOIntf-IServerVARNO#SendScheda\n")
                     .arg(port)
                     .toUtf8());
    }

    void acceptedButNotMoved() {
        scriviScheda(path(QStringLiteral("DaInviare/a.VARNO")), QStringLiteral("1"));
        QFile block(path(QStringLiteral("Inviati")));
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        m_server->answers = {risposta(true)};
        const Run r = varnotool(send({QStringLiteral("DaInviare/a.VARNO")}), m_dir->path());
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("RIEPILOGO INVIO SCHEDE\n   a.VARNO - [INVIATA] (non spostata)\n"));
        QVERIFY(!r.err.isEmpty());
        QVERIFY(QFile::exists(path(QStringLiteral("DaInviare/a.VARNO"))));
    }

    void setServer() {
        const QString ini = path(QStringLiteral("Varno.Ini"));
        const auto run = [&](const QStringList& a) {
            return varnotool(QStringList{QStringLiteral("set-server"), ini} + a, m_dir->path()).status;
        };
        // A missing file gets the section and the key.
        QCOMPARE(run({QStringLiteral("127.0.0.1:8080"), QStringLiteral("--if-empty")}), 0);
        QCOMPARE(IniFile(ini).readString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS")),
                 QStringLiteral("127.0.0.1:8080"));
        // An address already there stays with --if-empty; every other line stays as it was.
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray before =
            "; squadra\r\n[CONFIG]\r\nSquadra=12\r\n[Server]\r\nip_address = 192.0.2.1\r\n";
        f.write(before);
        f.close();
        QCOMPARE(run({QStringLiteral("127.0.0.1:8080"), QStringLiteral("--if-empty")}), 0);
        QFile g(ini);
        QVERIFY(g.open(QIODevice::ReadOnly));
        QCOMPARE(g.readAll(), before);
        g.close();
        // An empty address is replaced, keeping the key's spelling.
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[CONFIG]\r\nSquadra=12\r\n[SERVER]\r\nIP_ADDRESS=\r\n");
        f.close();
        QCOMPARE(run({QStringLiteral("127.0.0.1:8080"), QStringLiteral("--if-empty")}), 0);
        QVERIFY(g.open(QIODevice::ReadOnly));
        QCOMPARE(g.readAll(),
                 QByteArray("[CONFIG]\r\nSquadra=12\r\n[SERVER]\r\nIP_ADDRESS=127.0.0.1:8080\r\n"));
        g.close();
        // Without --if-empty the address is set anyway.
        QCOMPARE(run({QStringLiteral("10.0.0.1")}), 0);
        QCOMPARE(IniFile(ini).readString(QStringLiteral("SERVER"), QStringLiteral("IP_ADDRESS")),
                 QStringLiteral("10.0.0.1"));
        QCOMPARE(run({}), 2);
    }
};

QTEST_GUILESS_MAIN(TestVarnotoolSend)
#include "tst_varnotoolsend.moc"
