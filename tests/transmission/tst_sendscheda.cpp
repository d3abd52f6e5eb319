// SendScheda over real HTTP (and https) on 127.0.0.1, against a server that records the bytes.
#include "ScriptedHttpServer.h"
#include "VarnoError.h"
#include "WSDL_ServerVARNO.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kSoapAction = "urn:ServerVARNOIntf-IServerVARNO#SendScheda";

QString indirizzo(const ScriptedHttpServer& server) {
    return IndirizzoServerVARNO(QStringLiteral("127.0.0.1:%1").arg(server.port()));
}

QByteArray accepted(bool value = true) {
    return ScriptedHttpServer::response(
        200, "OK",
        ScriptedHttpServer::sendSchedaResponse("<return xsi:type=\"xsd:boolean\">" +
                                               QByteArray(value ? "true" : "false") +
                                               "</return><OvewriteIfExist xsi:type=\"xsd:boolean\">false"
                                               "</OvewriteIfExist><aInfo xsi:type=\"xsd:string\"/>"));
}

struct Esito {
    bool result = false;
    bool overwrite = false;
    QString info;
    QString error;
};

Esito chiama(IServerVARNO& proxy, const QString& scheda = QStringLiteral("<DATAPACKET/>"),
             bool overwrite = false, const QString& info = QString()) {
    Esito e;
    e.overwrite = overwrite;
    e.info = info;
    try {
        e.result = proxy.SendScheda(QStringLiteral("squadra12"), QStringLiteral("segreta"), scheda,
                                    e.overwrite, e.info);
    } catch (const VarnoError& err) {
        e.error = err.message();
    }
    return e;
}

QByteArray leggi(const QString& nome) {
    QFile f(QStringLiteral(VARNO_TEST_CERTS) + QLatin1Char('/') + nome);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test file %s", qPrintable(nome));
    return f.readAll();
}

} // namespace

class TstSendScheda : public QObject {
    Q_OBJECT
private slots:
    void firstCallBytesAndHeaders();
    void textTravelsAsUtf8();
    void largeBodyArrivesWhole();
    void portFromAddress();
    void answers_data();
    void answers();
    void httpStatusErrors();
    void httpFraming_data();
    void httpFraming();
    void closedKeptAliveConnection();
    void dropAfterWholeRequestIsNotResent();
    void systemProxy();
    void connectionRefused();
    void silentServerTimesOut();
    void tricklingServerHitsTheCallLimit();
    void certificates_data();
    void certificates();
    void onlyHttpAndHttps();
    void characterXmlCannotCarry();
    void requestTextAgainstPlainQt();
};

void TstSendScheda::firstCallBytesAndHeaders() {
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {accepted(), accepted(false)};
    IServerVARNO proxy(indirizzo(server));

    const QString scheda =
        QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">"
                       "<ROWDATA><ROW S9_Note=\"a&amp;b\"/></ROWDATA></DATAPACKET>");
    const Esito e = chiama(proxy, scheda);
    QCOMPARE(e.error, QString());
    QVERIFY(e.result);
    QCOMPARE(e.overwrite, false);
    QCOMPARE(e.info, QString());

    QCOMPARE(server.requests.size(), 1);
    const ScriptedHttpServer::Request r = server.requests.first();
    QVERIFY(r.head.startsWith("POST /VARNO/ServerVARNO.DLL/soap/IServerVARNO HTTP/1.1\r\n"));
    QCOMPARE(ScriptedHttpServer::header(r, "SOAPAction"), '"' + kSoapAction + '"');
    QCOMPARE(ScriptedHttpServer::header(r, "Content-Type"), QByteArray("text/xml; charset=\"utf-8\""));
    QCOMPARE(ScriptedHttpServer::header(r, "Host"), "127.0.0.1:" + QByteArray::number(server.port()));
    QCOMPARE(ScriptedHttpServer::header(r, "Content-Length"), QByteArray::number(r.body.size()));
    QCOMPARE(ScriptedHttpServer::header(r, "Connection").toLower(), QByteArray("keep-alive"));
    QVERIFY(!ScriptedHttpServer::header(r, "User-Agent").isEmpty());
    const QList<QByteArray> names = ScriptedHttpServer::headerNames(r);
    QVERIFY(!names.contains("Transfer-Encoding"));
    QVERIFY(!names.contains("Accept"));
    QVERIFY(names.indexOf("SOAPAction") >= 0);
    QCOMPARE(names.indexOf("Content-Type"), names.indexOf("SOAPAction") + 1);

    const QByteArray expected =
        "<?xml version=\"1.0\"?>"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        "<NS1:SendScheda xmlns:NS1=\"urn:ServerVARNOIntf-IServerVARNO\">"
        "<NomeUtente xsi:type=\"xsd:string\">squadra12</NomeUtente>"
        "<Password xsi:type=\"xsd:string\">segreta</Password>"
        "<Scheda xsi:type=\"xsd:string\">&lt;?xml version=\"1.0\" standalone=\"yes\"?&gt;  &lt;DATAPACKET "
        "Version=\"2.0\"&gt;&lt;ROWDATA&gt;&lt;ROW "
        "S9_Note=\"a&amp;amp;b\"/&gt;&lt;/ROWDATA&gt;&lt;/DATAPACKET&gt;"
        "</Scheda>"
        "<OvewriteIfExist xsi:type=\"xsd:boolean\">false</OvewriteIfExist>"
        "<aInfo xsi:type=\"xsd:string\"/>"
        "</NS1:SendScheda></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    QCOMPARE(r.body, expected);

    // The second call of a send goes over the same kept-alive connection.
    const Esito again = chiama(proxy, scheda, true);
    QCOMPARE(again.error, QString());
    QVERIFY(!again.result);
    QCOMPARE(server.requests.size(), 2);
    QCOMPARE(server.requests.at(1).connection, r.connection);
    QVERIFY(server.requests.at(1).body.contains(
        "<OvewriteIfExist xsi:type=\"xsd:boolean\">true</OvewriteIfExist>"));
}

void TstSendScheda::textTravelsAsUtf8() {
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {accepted()};
    IServerVARNO proxy(indirizzo(server));
    const Esito e = chiama(proxy, QStringLiteral("<ROW S9_Note=\"perch\u00e8\r\n\"/>"));
    QCOMPARE(e.error, QString());
    const QByteArray body = server.requests.first().body;
    QVERIFY(body.contains("&lt;ROW S9_Note=\"perch\xC3\xA8&#13;\n\"/&gt;"));
    QVERIFY(!body.contains("perch\xE8"));
}

void TstSendScheda::largeBodyArrivesWhole() {
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {accepted()};
    IServerVARNO proxy(indirizzo(server));
    QString scheda;
    for (int i = 0; scheda.size() < 100000; ++i)
        scheda += QStringLiteral("<ROW n=\"%1\"/>").arg(i);
    const Esito e = chiama(proxy, scheda);
    QCOMPARE(e.error, QString());
    QVERIFY(e.result);
    QCOMPARE(server.requests.size(), 1);
    const ScriptedHttpServer::Request r = server.requests.first();
    const QByteArray expected =
        RichiestaSendScheda(QStringLiteral("squadra12"), QStringLiteral("segreta"), scheda, false, QString());
    QVERIFY(expected.size() > 3 * 32768);
    QCOMPARE(ScriptedHttpServer::header(r, "Content-Length"), QByteArray::number(expected.size()));
    QVERIFY(r.body == expected);
}

void TstSendScheda::portFromAddress() {
    QCOMPARE(IndirizzoServerVARNO(QStringLiteral("127.0.0.1:8080")),
             QStringLiteral("http://127.0.0.1:8080/VARNO/ServerVARNO.DLL/soap/IServerVARNO"));
    // Port 8080 itself when it is free on this machine, another one otherwise: either way the
    // call must reach the port written after the colon.
    ScriptedHttpServer server;
    if (!server.listen(8080))
        QVERIFY(server.listen());
    server.answers = {accepted()};
    IServerVARNO proxy(IndirizzoServerVARNO(QStringLiteral("127.0.0.1:%1").arg(server.port())));
    const Esito e = chiama(proxy);
    QCOMPARE(e.error, QString());
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(
        server.requests.first().head.startsWith("POST /VARNO/ServerVARNO.DLL/soap/IServerVARNO HTTP/1.1"));
}

void TstSendScheda::answers_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("error");
    const QString sent = QStringLiteral("valore inviato");
    const auto resp = &ScriptedHttpServer::sendSchedaResponse;

    QTest::newRow("exists, may be updated")
        << 200
        << resp("<return xsi:type=\"xsd:boolean\">false</return><OvewriteIfExist "
                "xsi:type=\"xsd:boolean\">true</OvewriteIfExist><aInfo xsi:type=\"xsd:string\"/>")
        << false << true << QString() << QString();
    QTest::newRow("only return keeps the parameters")
        << 200 << resp("<return xsi:type=\"xsd:boolean\">true</return>") << true << true << sent << QString();
    QTest::newRow("Return found among others")
        << 200
        << resp("<aInfo>Utente sconosciuto</aInfo><Return>1</Return><OvewriteIfExist>0</OvewriteIfExist>")
        << true << false << QStringLiteral("Utente sconosciuto") << QString();
    QTest::newRow("single child of any name is the result")
        << 200 << resp("<esito>FALSE</esito>") << false << true << sent << QString();
    QTest::newRow("parameter names are exact")
        << 200 << resp("<return>true</return><ainfo>x</ainfo><OVEWRITEIFEXIST>false</OVEWRITEIFEXIST>")
        << true << true << sent << QString();
    QTest::newRow("prefixes are ignored")
        << 200 << resp("<p:return xmlns:p=\"urn:x\">true</p:return><p:aInfo xmlns:p=\"urn:x\">nota</p:aInfo>")
        << true << true << QStringLiteral("nota") << QString();
    QTest::newRow("result among others fails")
        << 200 << resp("<result>true</result><aInfo>x</aInfo>") << false << true << sent
        << QStringLiteral(
               "SOAP Response Packet: element matching function return not found, received \"truex\"");
    QTest::newRow("fault in 500") << 500
                                  << ScriptedHttpServer::envelope(
                                         "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>"
                                         "<FaultString>Utente non autorizzato</FaultString></SOAP-ENV:Fault>")
                                  << false << true << sent << QStringLiteral("Utente non autorizzato");
    QTest::newRow("not an envelope")
        << 200 << QByteArray("<html><body>Benvenuto</body></html>") << false << true << sent
        << QStringLiteral(
               "DocumentElement http://schemas.xmlsoap.org/soap/envelope/:Envelope expected, :html found");
    QTest::newRow("envelope without children")
        << 200 << QByteArray("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"/>") << false
        << true << sent << QStringLiteral("Invalid SOAP request");
    QTest::newRow("two bodies")
        << 200
        << QByteArray("<e:Envelope "
                      "xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r><return>1</return>"
                      "</r></e:Body><e:Body/></e:Envelope>")
        << false << true << sent << QStringLiteral("Invalid SOAP response");
    QTest::newRow("two headers")
        << 200
        << QByteArray(
               "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Header/><e:Header/>"
               "<e:Body><r><return>1</return></r></e:Body></e:Envelope>")
        << false << true << sent << QStringLiteral("Invalid SOAP response");
    QTest::newRow("not a boolean") << 200 << resp("<return>forse</return><aInfo>x</aInfo>") << false << true
                                   << sent << QStringLiteral("'forse' is not a valid boolean value");
}

void TstSendScheda::answers() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {
        ScriptedHttpServer::response(status, status == 500 ? "Internal Server Error" : "OK", body)};
    IServerVARNO proxy(indirizzo(server));
    const Esito e = chiama(proxy, QStringLiteral("<DATAPACKET/>"), true, QStringLiteral("valore inviato"));
    QTEST(e.error, "error");
    QTEST(e.result, "result");
    QTEST(e.overwrite, "overwrite");
    QTEST(e.info, "info");
}

void TstSendScheda::httpStatusErrors() {
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {ScriptedHttpServer::response(404, "Not Found", "<html/>", "text/html"),
                      ScriptedHttpServer::response(302, "Found", QByteArray(), "text/html"), accepted()};
    server.answers[1].replace("Content-Length", "Location: http://127.0.0.1:1/\r\nContent-Length");
    IServerVARNO proxy(indirizzo(server));
    QCOMPARE(chiama(proxy).error, QStringLiteral("Not Found (404) - '%1'").arg(proxy.url()));
    // A redirection is not followed.
    QCOMPARE(chiama(proxy).error, QStringLiteral("Found (302) - '%1'").arg(proxy.url()));
    QVERIFY(chiama(proxy).result);
    QCOMPARE(server.requests.size(), 3);
}

void TstSendScheda::httpFraming_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<bool>("closeAfter");
    QTest::addColumn<QString>("error"); // empty: the answer is read and gives true
    const QByteArray soap = ScriptedHttpServer::sendSchedaResponse("<return>true</return>");
    const QByteArray ct = "Content-Type: text/xml\r\n";
    QByteArray chunked = "HTTP/1.1 200 OK\r\n" + ct + "Transfer-Encoding: chunked\r\n\r\n";
    for (qsizetype i = 0; i < soap.size(); i += 100) {
        const QByteArray piece = soap.mid(i, 100);
        chunked += QByteArray::number(piece.size(), 16) + ";ext=1\r\n" + piece + "\r\n";
    }
    chunked += "0\r\nX-Trailer: 1\r\n\r\n";

    QTest::newRow("chunked") << chunked << false << QString();
    QTest::newRow("until close") << "HTTP/1.1 200 OK\r\n" + ct + "Connection: close\r\n\r\n" + soap << true
                                 << QString();
    QTest::newRow("interim 100 first")
        << "HTTP/1.1 100 Continue\r\n\r\n" + ScriptedHttpServer::response(200, "OK", soap) << false
        << QString();
    QTest::newRow("truncated body") << "HTTP/1.1 200 OK\r\n" + ct + "Content-Length: 5000\r\n\r\n" + soap
                                    << true << QStringLiteral("The remote host closed the connection");
    QTest::newRow("bad status line") << "HTTP/1.1 2OO OK\r\n\r\n" + soap << false
                                     << QStringLiteral("Invalid HTTP response: bad status line");
    QTest::newRow("bad length") << "HTTP/1.1 200 OK\r\nContent-Length: -3\r\n\r\n" + soap << false
                                << QStringLiteral("Invalid HTTP response: bad Content-Length");
    QTest::newRow("bad chunk size") << QByteArray(
                                           "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n")
                                    << false << QStringLiteral("Invalid HTTP response: bad chunk size");
    QTest::newRow("huge chunk") << QByteArray(
                                       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFF\r\n")
                                << false << QStringLiteral("Invalid HTTP response: answer too large");
}

void TstSendScheda::httpFraming() {
    QFETCH(QByteArray, raw);
    QFETCH(bool, closeAfter);
    QFETCH(QString, error);
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {raw};
    server.closeAfterAnswer = closeAfter;
    IServerVARNO proxy(indirizzo(server));
    proxy.transport().setTimeouts(5000, 5000);
    const Esito e = chiama(proxy);
    if (error.isEmpty()) {
        QCOMPARE(e.error, QString());
        QVERIFY(e.result);
    } else {
        QCOMPARE(e.error, QStringLiteral("%1 - URL:%2 - SOAPAction:%3")
                              .arg(error, proxy.url(), QString::fromLatin1(kSoapAction)));
    }
}

void TstSendScheda::closedKeptAliveConnection() {
    // The server drops the idle connection between two calls: the second call still goes
    // through, once, on a new connection.
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {accepted(), accepted()};
    IServerVARNO proxy(indirizzo(server));
    QVERIFY(chiama(proxy).result);
    server.dropConnections();
    const Esito e = chiama(proxy);
    QCOMPARE(e.error, QString());
    QVERIFY(e.result);
    QCOMPARE(server.requests.size(), 2);
    QCOMPARE(server.connections(), 2);
}

void TstSendScheda::dropAfterWholeRequestIsNotResent() {
    // The server takes the whole second request on the kept-alive connection and drops it
    // without a word: it may have stored the form, so the request is not sent again.
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {accepted()};
    connect(&server, &ScriptedHttpServer::requestReceived, &server, [&](int index) {
        if (index == 1)
            QTimer::singleShot(0, &server, [&] { server.dropConnections(); });
    });
    IServerVARNO proxy(indirizzo(server));
    proxy.transport().setTimeouts(5000, 2000);
    QVERIFY(chiama(proxy).result);
    const Esito e = chiama(proxy);
    QCOMPARE(e.error, QStringLiteral("The remote host closed the connection - URL:%1 - SOAPAction:%2")
                          .arg(proxy.url(), QString::fromLatin1(kSoapAction)));
    QCOMPARE(server.requests.size(), 2);
    QCOMPARE(server.connections(), 1);
}

void TstSendScheda::systemProxy() {
    // The system's proxy (here from the environment) carries calls to other hosts; the request
    // line then holds the whole address.
    ScriptedHttpServer proxyServer;
    QVERIFY(proxyServer.listen());
    proxyServer.answers = {accepted()};
    const QByteArray before = qgetenv("http_proxy");
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(proxyServer.port()));
    IServerVARNO proxy(IndirizzoServerVARNO(QStringLiteral("varno.invalid:8080")));
    const Esito e = chiama(proxy);
    qputenv("http_proxy", before);
    QCOMPARE(e.error, QString());
    QVERIFY(e.result);
    QCOMPARE(proxyServer.requests.size(), 1);
    const ScriptedHttpServer::Request r = proxyServer.requests.first();
    QVERIFY2(r.head.startsWith(
                 "POST http://varno.invalid:8080/VARNO/ServerVARNO.DLL/soap/IServerVARNO HTTP/1.1\r\n"),
             r.head.constData());
    QCOMPARE(ScriptedHttpServer::header(r, "Host"), QByteArray("varno.invalid:8080"));
}

void TstSendScheda::connectionRefused() {
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    IServerVARNO proxy(IndirizzoServerVARNO(QStringLiteral("127.0.0.1:%1").arg(port)));
    const Esito e = chiama(proxy);
    QCOMPARE(e.error, QStringLiteral("Connection refused - URL:%1 - SOAPAction:%2")
                          .arg(proxy.url(), QString::fromLatin1(kSoapAction)));
}

void TstSendScheda::silentServerTimesOut() {
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    IServerVARNO proxy(indirizzo(server));
    proxy.transport().setTimeouts(5000, 300);
    // The caller waits, but its event loop keeps turning (timers fire, windows repaint).
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    const Esito e = chiama(proxy);
    ticker.stop();
    QVERIFY(ticks >= 5);
    QVERIFY2(clock.elapsed() < 4000, "the call waited longer than the time limit");
    QCOMPARE(e.error, QStringLiteral("Operation timed out - URL:%1 - SOAPAction:%2")
                          .arg(proxy.url(), QString::fromLatin1(kSoapAction)));
    QCOMPARE(server.requests.size(), 1);

    // The next call opens a new connection and goes through.
    server.answers = {accepted()};
    const Esito next = chiama(proxy);
    QCOMPARE(next.error, QString());
    QVERIFY(next.result);
    QCOMPARE(server.requests.size(), 2);
    QVERIFY(server.requests.at(1).connection != server.requests.at(0).connection);
}

void TstSendScheda::tricklingServerHitsTheCallLimit() {
    // One byte at a time, each well inside the silence limit: the limit on the whole call ends it.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QList<QTcpSocket*> sockets;
    QTimer drip;
    connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = server.nextPendingConnection();
        sockets.append(s);
        connect(s, &QTcpSocket::readyRead, s, [s] {
            s->readAll();
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        });
    });
    connect(&drip, &QTimer::timeout, [&] {
        for (QTcpSocket* s : sockets)
            s->write("x");
    });
    drip.start(100);
    IServerVARNO proxy(IndirizzoServerVARNO(QStringLiteral("127.0.0.1:%1").arg(server.serverPort())));
    proxy.transport().setTimeouts(5000, 1000, 1500);
    QElapsedTimer clock;
    clock.start();
    const Esito e = chiama(proxy);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(e.error, QStringLiteral("Operation timed out - URL:%1 - SOAPAction:%2")
                          .arg(proxy.url(), QString::fromLatin1(kSoapAction)));
    QVERIFY2(elapsed >= 1400 && elapsed < 4000, qPrintable(QString::number(elapsed)));
    QCOMPARE(sockets.size(), 1); // nothing was sent again
    QCOMPARE(HttpTransport::kTimeoutChiamataMs, 10 * 60 * 1000);
}

void TstSendScheda::certificates_data() {
    QTest::addColumn<QString>("certificate");
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("reason");
    QTest::newRow("trusted, right host, in date") << "localhost.crt" << true << true << QString();
    QTest::newRow("self-signed") << "selfsigned.crt" << false << false << "self-signed";
    QTest::newRow("unknown authority") << "localhost.crt" << false << false << "issuer certificate";
    QTest::newRow("wrong host name") << "wronghost.crt" << true << false << "host name";
    QTest::newRow("expired") << "expired.crt" << true << false << "expired";
}

void TstSendScheda::certificates() {
    QFETCH(QString, certificate);
    QFETCH(bool, trustTestCa);
    QFETCH(bool, accepted);
    QFETCH(QString, reason);
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend");
    ScriptedHttpServer server;
    QVERIFY(server.listenTls(QSslCertificate(leggi(certificate)),
                             QSslKey(leggi(QStringLiteral("server.key")), QSsl::Rsa)));
    server.answers = {::accepted()};
    IServerVARNO proxy(
        QStringLiteral("https://127.0.0.1:%1/VARNO/ServerVARNO.DLL/soap/IServerVARNO").arg(server.port()));
    if (trustTestCa)
        proxy.transport().setCaAggiuntive({QSslCertificate(leggi(QStringLiteral("ca.crt")))});
    proxy.transport().setTimeouts(10000, 10000);
    const Esito e = chiama(proxy);
    if (accepted) {
        QCOMPARE(e.error, QString());
        QVERIFY(e.result);
        QCOMPARE(server.requests.size(), 1);
    } else {
        QVERIFY2(e.error.endsWith(QStringLiteral(" - URL:%1 - SOAPAction:%2")
                                      .arg(proxy.url(), QString::fromLatin1(kSoapAction))),
                 qPrintable(e.error));
        QVERIFY2(e.error.contains(reason), qPrintable(e.error));
        QVERIFY(!e.result);
        QCOMPARE(server.requests.size(), 0);
    }
}

void TstSendScheda::onlyHttpAndHttps() {
    IServerVARNO proxy(QStringLiteral("ftp://127.0.0.1/VARNO/ServerVARNO.DLL/soap/IServerVARNO"));
    QCOMPARE(chiama(proxy).error,
             QStringLiteral(
                 "Invalid url 'ftp://127.0.0.1/VARNO/ServerVARNO.DLL/soap/IServerVARNO' - only supports "
                 "'http' and 'https' schemes"));
    // An empty "IP_ADDRESS" leaves no host to call.
    IServerVARNO empty(IndirizzoServerVARNO(QString()));
    QVERIFY(chiama(empty).error.endsWith(
        QStringLiteral(" - URL:http:///VARNO/ServerVARNO.DLL/soap/IServerVARNO - "
                       "SOAPAction:urn:ServerVARNOIntf-IServerVARNO#SendScheda")));
}

void TstSendScheda::characterXmlCannotCarry() {
    ScriptedHttpServer server;
    QVERIFY(server.listen());
    server.answers = {accepted()};
    IServerVARNO proxy(indirizzo(server));
    const Esito e = chiama(proxy, QStringLiteral("<ROW S9_Note=\"a\x01"
                                                 "b\"/>"));
    QCOMPARE(e.error,
             QStringLiteral("Il testo di Scheda contiene il carattere U+0001, che XML non ammette."));
    QCOMPARE(server.requests.size(), 0);
}

// The request's character data is what the plain Qt calls give (UTF-8, then the four escapes) for
// text of every width of character, and a character XML cannot carry is refused wherever it is.
void TstSendScheda::requestTextAgainstPlainQt() {
    auto plain = [](const QString& t) {
        return t.toUtf8()
            .replace('&', "&amp;")
            .replace('<', "&lt;")
            .replace('>', "&gt;")
            .replace('\r', "&#13;");
    };
    auto scheda = [](const QByteArray& request) {
        const QByteArray start("<Scheda xsi:type=\"xsd:string\">");
        const qsizetype from = request.indexOf(start) + start.size();
        return request.mid(from, request.indexOf("</Scheda>") - from);
    };
    QString every;
    for (char16_t c = 0x20; c < 0xD800; ++c)
        every += QChar(c);
    for (char16_t c = 0xE000; c <= 0xFFFD; ++c)
        every += QChar(c);
    const QStringList texts = {every,
                               QStringLiteral("\t\n\r&<>\"'") + QString::fromUcs4(U"\U0001F3E0\U0010FFFF") +
                                   QStringLiteral("perch\u00e8 \u20ac"),
                               QString(3000, QLatin1Char('<'))};
    for (const QString& t : texts)
        QCOMPARE(scheda(RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), t, false, QString())),
                 plain(t));
    const std::pair<QString, const char*> refused[] = {
        {QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), "D800"},
        {QStringLiteral("a") + QChar(0xDC00), "DC00"},
        {QString(QChar(0xFFFE)), "FFFE"},
        {QStringLiteral("\u00e8") + QChar(0x1F), "001F"},
        {QString(1, QChar(0)), "0000"}};
    for (const auto& [t, code] : refused) {
        try {
            RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), t, false, QString());
            QFAIL(code);
        } catch (const VarnoError& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Il testo di Scheda contiene il carattere U+%1, che XML non ammette.")
                         .arg(QLatin1String(code)));
        }
    }
}

QTEST_GUILESS_MAIN(TstSendScheda)
#include "tst_sendscheda.moc"
