#pragma once

#include "Dataset.h"
#include "FieldDef.h"
#include "FormRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <memory>

namespace PacketTest {

// Bytes written as hex pairs and "quoted" ASCII, blanks between tokens ignored:
// bytes("0A \"S1_Squadra\" 01 00").
inline QByteArray bytes(const char* text) {
    QByteArray out;
    const QByteArray s(text);
    for (qsizetype i = 0; i < s.size();) {
        if (s[i] == ' ') {
            ++i;
        } else if (s[i] == '"') {
            const qsizetype end = s.indexOf('"', i + 1);
            out.append(s.mid(i + 1, end - i - 1));
            i = end + 1;
        } else {
            out.append(char(s.mid(i, 2).toInt(nullptr, 16)));
            i += 2;
        }
    }
    return out;
}

// A dataset as the main window keeps it: persistent fields of the form record, new-record
// initialisation connected.
inline std::unique_ptr<Dataset> formDataset() {
    auto ds = std::make_unique<Dataset>(QStringLiteral("TblScheda"));
    ds->createFields(SchemaScheda());
    QObject::connect(ds.get(), &Dataset::newRecord, ds.get(), [](Dataset* d) { TblSchedaNewRecord(d); });
    return ds;
}

// New as the program does it with no INI file: ten identification fields set to the empty text.
inline void newForm(Dataset& ds, QDate date = QDate(2009, 4, 23)) {
    ds.createDataSet();
    ds.append();
    for (const char* n : {"S1_Squadra", "S1_SchedaN", "S1_IstatReg", "S1_IstatProv", "S1_IstatComune",
                          "S1_CodLocIstat", "S1_SezCensIstat", "S1_Provincia", "S1_Comune", "S1_Localita"})
        ds.fieldByName(QString::fromLatin1(n))->setAsString(QString());
    ds.fieldByName(QStringLiteral("S1_Data"))->setValue(QDateTime(date, QTime(0, 0), Qt::UTC));
    ds.post();
    ds.mergeChangeLog();
}

inline FieldDef def(const char* name, FieldKind kind, int size = 0) {
    FieldDef d;
    d.name = QString::fromLatin1(name);
    d.kind = kind;
    d.size = size;
    d.readOnly = kind == FieldKind::AutoInc;
    return d;
}

} // namespace PacketTest
