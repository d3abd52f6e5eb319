#include "FormRecord.h"

#include "Dataset.h"

#include <QDate>

void TblSchedaNewRecord(Dataset* dataset) {
    const QDateTime today(QDate::currentDate(), QTime(0, 0), Qt::UTC);
    const QList<FieldDef>& cols = dataset->columns();
    for (qsizetype i = 0; i < cols.size(); ++i) {
        const FieldDef& c = cols[i];
        if (c.kind == FieldKind::AutoInc || !c.defaultExpr.isEmpty())
            continue;
        switch (c.kind) {
        case FieldKind::String:
        case FieldKind::Memo: // an empty memo is null
            dataset->setValue(int(i), QByteArray(""));
            break;
        case FieldKind::SmallInt:
        case FieldKind::Integer:
            dataset->setValue(int(i), 0);
            break;
        case FieldKind::Boolean:
            dataset->setValue(int(i), false);
            break;
        case FieldKind::DateTime:
            dataset->setValue(int(i), today);
            break;
        default:
            break;
        }
    }
}
