#pragma once

#include <QList>
#include <QString>

// The kinds of field a form record holds.
enum class FieldKind { AutoInc, String, SmallInt, Integer, Boolean, DateTime, Memo, Graphic, Blob };

// One field definition: name, kind, size (characters of a string field, 0 for the others) and the
// default expression evaluated when a record is added: empty for none, an unquoted number for
// that integer, a quoted letter ('A') for that text.
struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::String;
    int size = 0;
    QString defaultExpr;
    bool readOnly = false;

    bool operator==(const FieldDef&) const = default;
};

bool isTextKind(FieldKind kind);    // String and Memo
bool isBytesKind(FieldKind kind);   // Memo, Graphic and Blob
bool isIntegerKind(FieldKind kind); // AutoInc, SmallInt and Integer

// The 262 fields of the survey form record, in record order.
const QList<FieldDef>& SchemaScheda();
