#pragma once

#include <QByteArray>
#include <QString>

// The survey server's side of SendScheda, without the network: takes the body of a request and
// gives the HTTP status and body of the answer. Each accepted form is kept as a file in one
// folder, named after its squad, number and date, holding the XML datapacket as received
// (in Windows-1252, like the program's own XML files, or in UTF-8 when the text does not fit
// that code page).
class ServizioSchede {
public:
    struct Risposta {
        int stato = 200;
        QByteArray corpo;
        QString esito; // one line for the server's log
    };

    explicit ServizioSchede(QString cartella);

    const QString& cartella() const { return m_cartella; }
    Risposta rispondi(const QByteArray& richiesta);

    // "Sq" + squad + "_n" + number + "_(" + dd-mm-yyyy + ").xml"; characters a file name cannot
    // safely hold are written as %XX, so no form lands outside the folder or on another's file.
    static QString nomeFile(const QString& squadra, const QString& numero, const QString& data);

private:
    QString m_cartella;
};
