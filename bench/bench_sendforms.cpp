// Prepares the send benchmark (bench/bench_send.sh): N form files saved as the program saves them
// (every text field filled, distinct form numbers) into FOLDER, and for each the very request
// body that "varnotool send --user USER --password WORD" posts for it, into BODIES.
//   bench_sendforms N FOLDER BODIES USER WORD
#include "Cp1252.h"
#include "Dataset.h"
#include "FormStore.h"
#include "SampleForms.h"
#include "WSDL_ServerVARNO.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6) {
        std::fprintf(stderr, "usage: bench_sendforms N FOLDER BODIES USER WORD\n");
        return 2;
    }
    const int n = args[1].toInt();
    const QDir folder(args[2]), bodies(args[3]);
    if (!QDir().mkpath(folder.path()) || !QDir().mkpath(bodies.path()))
        return 2;
    Dataset form(QStringLiteral("TblScheda"));
    Dataset scratch; // as the send loads each file
    for (int i = 0; i < n; ++i) {
        NewSampleForm(form);
        FillSampleTexts(form, i);
        form.fieldByName(QStringLiteral("S1_Squadra"))->setAsString(QStringLiteral("B01"));
        form.fieldByName(QStringLiteral("S1_SchedaN"))->setAsString(QString::number(i + 1));
        form.fieldByName(QStringLiteral("S1_Data"))
            ->setValue(QDateTime(QDate(2009, 4, 23), QTime(0, 0), Qt::UTC));
        form.post();
        const QString path = folder.filePath(NomeFileScheda(form));
        form.saveToFile(path);
        scratch.loadFromFile(path);
        QFile body(bodies.filePath(QStringLiteral("%1.xml").arg(i + 1, 4, 10, QLatin1Char('0'))));
        if (!body.open(QIODevice::WriteOnly) ||
            body.write(RichiestaSendScheda(args[4], args[5], Cp1252::decode(scratch.xmlData()), false,
                                           QString())) < 0)
            return 2;
    }
    return 0;
}
