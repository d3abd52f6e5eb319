// varno-server: a survey server for training squads and for the tests. It answers SendScheda on
// 127.0.0.1 and keeps each form it accepts as an XML file in a folder.
#include "ServizioSchede.h"
#include "WSDL_ServerVARNO.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("varno-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Server di prova per l'invio delle schede VARNO."));
    parser.addHelpOption();
    const QCommandLineOption porta({QStringLiteral("p"), QStringLiteral("port")},
                                   QStringLiteral("Porta su 127.0.0.1 (8080 se omessa)."),
                                   QStringLiteral("porta"), QStringLiteral("8080"));
    const QCommandLineOption cartella(
        {QStringLiteral("d"), QStringLiteral("dir")},
        QStringLiteral("Cartella delle schede ricevute (SchedeRicevute accanto al programma se omessa)."),
        QStringLiteral("cartella"));
    parser.addOption(porta);
    parser.addOption(cartella);
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool ok = false;
    const uint numeroPorta = parser.value(porta).toUInt(&ok);
    if (!ok || numeroPorta > 65535) {
        err << "Porta non valida: " << parser.value(porta) << Qt::endl;
        return 2;
    }
    const QString dir =
        parser.isSet(cartella)
            ? parser.value(cartella)
            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("SchedeRicevute"));
    if (!QDir().mkpath(dir)) {
        err << "Impossibile creare la cartella " << dir << Qt::endl;
        return 2;
    }

    ServizioSchede servizio(QDir(dir).absolutePath());
    QHttpServer server;
    server.route(ServerVARNO::kPercorso, QHttpServerRequest::Method::Post,
                 [&](const QHttpServerRequest& request) {
                     const ServizioSchede::Risposta r = servizio.rispondi(request.body());
                     out << r.esito << Qt::endl;
                     return QHttpServerResponse(QByteArrayLiteral("text/xml; charset=\"utf-8\""), r.corpo,
                                                QHttpServerResponse::StatusCode(r.stato));
                 });
    const quint16 ascolto = server.listen(QHostAddress::LocalHost, quint16(numeroPorta));
    if (ascolto == 0) {
        err << "Impossibile ascoltare su 127.0.0.1:" << numeroPorta << Qt::endl;
        return 1;
    }
    out << "In ascolto su http://127.0.0.1:" << ascolto << ServerVARNO::kPercorso << Qt::endl;
    out << "Schede ricevute in " << servizio.cartella() << Qt::endl;
    return app.exec();
}
