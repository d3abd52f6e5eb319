// The survey server: its logic without sockets, then the real varno-server program over HTTP.
#include "Cp1252.h"
#include "DiscoPieno.h"
#include "ServizioSchede.h"
#include "VarnoError.h"
#include "WSDL_ServerVARNO.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString scheda(const QString& squadra, const QString& numero, const QString& data, const QString& note) {
    return QStringLiteral(
               "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
               "<FIELD attrname=\"S1_Squadra\" fieldtype=\"string\" WIDTH=\"3\"/></FIELDS><PARAMS "
               "AUTOINCVALUE=\"2\"/></METADATA><ROWDATA><ROW IdScheda=\"1\" S1_Squadra=\"%1\" "
               "S1_SchedaN=\"%2\" S1_Data=\"%3\" S9_Note=\"%4\"/></ROWDATA></DATAPACKET>")
        .arg(squadra, numero, data, note);
}

QByteArray leggi(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool contiene(const ServizioSchede::Risposta& r, const char* testo) {
    return r.corpo.contains(testo);
}

} // namespace

class TstVarnoServer : public QObject {
    Q_OBJECT
private slots:
    void keepsFormsAndAnswersExists();
    void refusesWhatItCannotTake();
    void fileNamesStayInTheFolder();
    void fullFolderIsAFault_data();
    void fullFolderIsAFault();
    void deepNestingIsAFault();
    void realServerOverHttp();
};

void TstVarnoServer::keepsFormsAndAnswersExists() {
    QTemporaryDir dir;
    ServizioSchede servizio(dir.path());
    const QString prima = scheda(QStringLiteral("A12"), QStringLiteral("0007"), QStringLiteral("20090423"),
                                 QStringLiteral("perch\u00e8 &amp; poi"));
    const QString file = dir.filePath(QStringLiteral("SqA12_n0007_(23-04-2009).xml"));

    ServizioSchede::Risposta r = servizio.rispondi(
        RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), prima, false, QString()));
    QCOMPARE(r.stato, 200);
    QVERIFY(contiene(r, "<return xsi:type=\"xsd:boolean\">true</return>"));
    QVERIFY(contiene(r, "<OvewriteIfExist xsi:type=\"xsd:boolean\">false</OvewriteIfExist>"));
    QVERIFY(contiene(r, "<aInfo xsi:type=\"xsd:string\"/>"));
    QCOMPARE(leggi(file), Cp1252::encode(prima)); // the datapacket as the program writes it
    QVERIFY(leggi(file).contains("perch\xE8 &amp; poi"));

    // The same squad, number and date again: the form exists and may be updated.
    const QString seconda = scheda(QStringLiteral("A12"), QStringLiteral("0007"),
                                   QStringLiteral("20090423T10:00:00000"), QStringLiteral("seconda"));
    r = servizio.rispondi(
        RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), seconda, false, QString()));
    QCOMPARE(r.stato, 200);
    QVERIFY(contiene(r, "<return xsi:type=\"xsd:boolean\">false</return>"));
    QVERIFY(contiene(r, "<OvewriteIfExist xsi:type=\"xsd:boolean\">true</OvewriteIfExist>"));
    QCOMPARE(leggi(file), Cp1252::encode(prima));

    r = servizio.rispondi(
        RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), seconda, true, QString()));
    QVERIFY(contiene(r, "<return xsi:type=\"xsd:boolean\">true</return>"));
    QCOMPARE(leggi(file), Cp1252::encode(seconda));

    // Another number is another form.
    r = servizio.rispondi(RichiestaSendScheda(
        QStringLiteral("u"), QStringLiteral("p"),
        scheda(QStringLiteral("A12"), QStringLiteral("0008"), QStringLiteral("20090423"), QString()), false,
        QString()));
    QVERIFY(contiene(r, "<return xsi:type=\"xsd:boolean\">true</return>"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

void TstVarnoServer::refusesWhatItCannotTake() {
    QTemporaryDir dir;
    ServizioSchede servizio(dir.path());
    const QString buona =
        scheda(QStringLiteral("A12"), QStringLiteral("1"), QStringLiteral("20090423"), QString());
    struct Caso {
        QByteArray richiesta;
        const char* faultstring;
    };
    const QList<Caso> casi = {
        {RichiestaSendScheda(QString(), QStringLiteral("p"), buona, false, QString()),
         "Nome utente mancante"},
        {RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"),
                             scheda(QString(), QStringLiteral("1"), QStringLiteral("20090423"), QString()),
                             false, QString()),
         "Scheda senza squadra, numero o data"},
        {RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"),
                             QStringLiteral("<DATAPACKET><ROWDATA>"), false, QString()),
         "Scheda non leggibile"},
        {"<html/>", "Richiesta senza busta SOAP"},
        {"non XML", "Richiesta"},
    };
    for (const Caso& c : casi) {
        const ServizioSchede::Risposta r = servizio.rispondi(c.richiesta);
        QCOMPARE(r.stato, 500);
        QVERIFY2(r.corpo.contains(QByteArray("<faultstring>") + c.faultstring), r.corpo.constData());
    }
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

void TstVarnoServer::fileNamesStayInTheFolder() {
    QCOMPARE(
        ServizioSchede::nomeFile(QStringLiteral("12"), QStringLiteral("0007"), QStringLiteral("20090305")),
        QStringLiteral("Sq12_n0007_(05-03-2009).xml"));
    QCOMPARE(ServizioSchede::nomeFile(QStringLiteral("../A"), QStringLiteral("1/2"), QStringLiteral("x\\y")),
             QStringLiteral("Sq..%2FA_n1%2F2_(x%5Cy).xml"));
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dentro")));
    ServizioSchede servizio(dir.filePath(QStringLiteral("dentro")));
    const ServizioSchede::Risposta r = servizio.rispondi(RichiestaSendScheda(
        QStringLiteral("u"), QStringLiteral("p"),
        scheda(QStringLiteral("../../fuori"), QStringLiteral("1"), QStringLiteral("20090423"), QString()),
        false, QString()));
    QCOMPARE(r.stato, 200);
    QCOMPARE(QDir(dir.filePath(QStringLiteral("dentro"))).entryList(QDir::Files).size(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

void TstVarnoServer::fullFolderIsAFault_data() {
    QTest::addColumn<QString>("modo");
    for (const QString& m : DiscoPieno::modi())
        QTest::newRow(qPrintable(m)) << m;
}

// A form the server cannot store whole is answered with a fault, and nothing is left stored.
void TstVarnoServer::fullFolderIsAFault() {
    QFETCH(QString, modo);
    DiscoPieno disco(modo);
    if (!disco.motivo().isEmpty())
        QSKIP(qPrintable(disco.motivo()));
    ServizioSchede servizio(disco.cartella());
    const QString form = scheda(QStringLiteral("A12"), QStringLiteral("0007"), QStringLiteral("20090423"),
                                QStringLiteral("nota"));
    disco.riempi();
    const ServizioSchede::Risposta r = servizio.rispondi(
        RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), form, false, QString()));
    disco.svuota();
    QCOMPARE(r.stato, 500);
    QVERIFY2(r.corpo.contains("<faultstring>Impossibile salvare la scheda SqA12_n0007_(23-04-2009).xml: "),
             r.corpo.constData());
    QVERIFY(!r.corpo.contains("true"));
    QStringList left = QDir(disco.cartella()).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(QStringLiteral("riempitivo"));
    QCOMPARE(left, QStringList());

    // With room again the same form is stored and accepted.
    const ServizioSchede::Risposta again = servizio.rispondi(
        RichiestaSendScheda(QStringLiteral("u"), QStringLiteral("p"), form, false, QString()));
    QCOMPARE(again.stato, 200);
    QCOMPARE(leggi(disco.percorso(QStringLiteral("SqA12_n0007_(23-04-2009).xml"))), Cp1252::encode(form));
}

// 100 000 elements nested inside a parameter: a fault, and the server goes on answering.
void TstVarnoServer::deepNestingIsAFault() {
    QTemporaryDir dir;
    ServizioSchede servizio(dir.path());
    const QString form =
        scheda(QStringLiteral("A12"), QStringLiteral("1"), QStringLiteral("20090423"), QString());
    QByteArray richiesta =
        RichiestaSendScheda(QStringLiteral("UTENTE"), QStringLiteral("p"), form, false, QString());
    const qsizetype at = richiesta.indexOf("UTENTE");
    QVERIFY(at > 0);
    richiesta.replace(at, 6, QByteArray("<a>").repeated(100000) + "x" + QByteArray("</a>").repeated(100000));
    QVERIFY(richiesta.size() > 700000);
    const ServizioSchede::Risposta r = servizio.rispondi(richiesta);
    QCOMPARE(r.stato, 500);
    QVERIFY2(r.corpo.contains("<faultstring>Richiesta non leggibile: "), r.corpo.left(600).constData());
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

    // A little nesting inside a parameter is still read as its text.
    QByteArray poca =
        RichiestaSendScheda(QStringLiteral("UTENTE"), QStringLiteral("p"), form, false, QString());
    poca.replace(poca.indexOf("UTENTE"), 6, "<b>uten</b>te");
    QCOMPARE(servizio.rispondi(poca).stato, 200);
}

void TstVarnoServer::realServerOverHttp() {
    QTemporaryDir dir;
    QTcpServer libera;
    QVERIFY(libera.listen(QHostAddress::LocalHost));
    const quint16 porta = libera.serverPort();
    libera.close();

    QProcess server;
    server.start(QStringLiteral(VARNO_SERVER_PROGRAM),
                 {QStringLiteral("--port"), QString::number(porta), QStringLiteral("--dir"), dir.path()});
    QVERIFY(server.waitForStarted());
    struct Fine {
        QProcess& p;
        ~Fine() {
            p.kill();
            p.waitForFinished();
        }
    } fine{server};
    QByteArray uscita;
    QTRY_VERIFY_WITH_TIMEOUT((uscita += server.readAllStandardOutput()).contains("In ascolto"), 10000);

    IServerVARNO proxy(IndirizzoServerVARNO(QStringLiteral("127.0.0.1:%1").arg(porta)));
    const QString form = scheda(QStringLiteral("B7"), QStringLiteral("3"), QStringLiteral("20240101"),
                                QStringLiteral("caf\u00e8"));
    bool overwrite = false;
    QString info;
    QVERIFY(proxy.SendScheda(QStringLiteral("squadra"), QStringLiteral("x"), form, overwrite, info));
    QCOMPARE(leggi(dir.filePath(QStringLiteral("SqB7_n3_(01-01-2024).xml"))), Cp1252::encode(form));

    overwrite = false;
    QVERIFY(!proxy.SendScheda(QStringLiteral("squadra"), QStringLiteral("x"), form, overwrite, info));
    QVERIFY(overwrite);
    QVERIFY(info.isEmpty());
    QVERIFY(proxy.SendScheda(QStringLiteral("squadra"), QStringLiteral("x"), form, overwrite, info));

    try {
        overwrite = false;
        proxy.SendScheda(QString(), QStringLiteral("x"), form, overwrite, info);
        QFAIL("an empty user name was accepted");
    } catch (const VarnoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Nome utente mancante"));
    }
}

QTEST_GUILESS_MAIN(TstVarnoServer)
#include "tst_varnoserver.moc"
