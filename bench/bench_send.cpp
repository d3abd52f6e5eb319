// Sends N forms to a survey server through IServerVARNO and prints the rate. With --bodies it
// first writes the request bodies it is about to send, one file each, so another client can post
// exactly the same bytes.
#include "FieldDef.h"
#include "VarnoError.h"
#include "WSDL_ServerVARNO.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

namespace {

// A datapacket shaped like a form's: every field of the record described, one row with a value
// per field, the notes padded to reach about `size` characters.
QString datapacket(int numero, int size) {
    QString doc = QStringLiteral(
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    QString row = QStringLiteral("<ROW");
    for (const FieldDef& f : SchemaScheda()) {
        doc += QStringLiteral("<FIELD attrname=\"%1\" fieldtype=\"string\" WIDTH=\"%2\"/>")
                   .arg(f.name)
                   .arg(f.size);
        QString value = QStringLiteral("1");
        if (f.name == QLatin1String("S1_Squadra"))
            value = QStringLiteral("B01");
        else if (f.name == QLatin1String("S1_SchedaN"))
            value = QString::number(numero);
        else if (f.name == QLatin1String("S1_Data"))
            value = QStringLiteral("20090423");
        else if (f.name == QLatin1String("S9_Annotazioni"))
            value = QStringLiteral("%NOTE%");
        row += QLatin1Char(' ') + f.name + QStringLiteral("=\"") + value + QLatin1Char('"');
    }
    doc += QStringLiteral("</FIELDS><PARAMS AUTOINCVALUE=\"2\"/></METADATA><ROWDATA>");
    doc += row + QStringLiteral("/></ROWDATA></DATAPACKET>");
    QString note;
    while (doc.size() + note.size() < size)
        note += QStringLiteral(
            "Lesione diagonale al piano terra, lato nord, perch\u00e8 &apos;visibile&apos;&#013;&#010;");
    return doc.replace(QLatin1String("%NOTE%"), note);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption url(QStringLiteral("url"), QStringLiteral("Service address."),
                                 QStringLiteral("url"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Forms to send."),
                                   QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Characters per form."),
                                  QStringLiteral("chars"), QStringLiteral("20000"));
    const QCommandLineOption bodies(QStringLiteral("bodies"),
                                    QStringLiteral("Folder for the request bodies."), QStringLiteral("dir"));
    parser.addOptions({url, count, size, bodies});
    parser.process(app);
    QTextStream out(stdout);
    const int n = parser.value(count).toInt();

    QList<QString> forms;
    for (int i = 0; i < n; ++i)
        forms.append(datapacket(i + 1, parser.value(size).toInt()));
    if (parser.isSet(bodies)) {
        QDir().mkpath(parser.value(bodies));
        for (int i = 0; i < n; ++i) {
            QFile f(QDir(parser.value(bodies))
                        .filePath(QStringLiteral("%1.xml").arg(i + 1, 4, 10, QLatin1Char('0'))));
            if (!f.open(QIODevice::WriteOnly))
                return 2;
            f.write(RichiestaSendScheda(QStringLiteral("bench"), QStringLiteral("x"), forms.at(i), false,
                                        QString()));
        }
    }
    if (!parser.isSet(url))
        return 0;

    IServerVARNO proxy(parser.value(url));
    int accepted = 0;
    QElapsedTimer clock;
    clock.start();
    try {
        for (const QString& form : forms) {
            bool overwrite = false;
            QString info;
            accepted += proxy.SendScheda(QStringLiteral("bench"), QStringLiteral("x"), form, overwrite, info);
        }
    } catch (const VarnoError& e) {
        out << "error: " << e.message() << Qt::endl;
        return 1;
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    out << "proxy: " << n << " forms (" << accepted << " accepted) in " << seconds << " s, "
        << QString::number(n / seconds, 'f', 1) << " forms/s" << Qt::endl;
    return accepted == n ? 0 : 1;
}
