// varnotool new OUT [--date YYYY-MM-DD]: the form file of a new form as New makes it when there is
// no INI file: ten identification fields empty, S1_Data at the date (today by default).

#include "Command.h"
#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"
#include "IniDati.h"

#include <QDate>

namespace {

int run(const QStringList& args);
const Command command{"new", "OUT [--date YYYY-MM-DD]", run};
const Command::Registration registration(command);

int run(const QStringList& args) {
    QString out;
    QDate date = QDate::currentDate();
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--date" && i + 1 < args.size()) {
            date = QDate::fromString(args[++i], QStringLiteral("yyyy-MM-dd"));
            if (!date.isValid())
                return usageError(command);
        } else if (out.isEmpty() && !args[i].startsWith(u"--")) {
            out = args[i];
        } else {
            return usageError(command);
        }
    }
    if (out.isEmpty())
        return usageError(command);

    Dataset tbl(QStringLiteral("TblScheda"));
    tbl.createFields(SchemaScheda());
    QObject::connect(&tbl, &Dataset::newRecord, &tbl, [](Dataset* d) { TblSchedaNewRecord(d); });
    tbl.createDataSet();
    tbl.append();
    AssegnaDatiIni(tbl, TIniDati{}); // no INI file: the ten identification values are empty
    tbl.fieldByName(QStringLiteral("S1_Data"))->setValue(QDateTime(date, QTime(0, 0), Qt::UTC));
    tbl.post();
    tbl.mergeChangeLog();
    tbl.saveToFile(out, Dataset::PacketFormat::Binary);
    return 0;
}

} // namespace
