#pragma once

#include <QList>
#include <QString>

// The kinds of field a form record holds. The last five never occur in the form record; a
// dataset loaded from a packet of some other program may have them.
enum class FieldKind {
    AutoInc,
    String,
    SmallInt,
    Integer,
    Boolean,
    DateTime,
    Memo,
    Graphic,
    Blob,
    LargeInt,
    Float,
    Date,
    Time,
    WideString
};

// One field definition: name, kind, size (characters of a string field, 0 for the others) and the
// default expression evaluated when a record is added: empty for none, an unquoted number for
// that integer, a quoted letter ('A') for that text.
struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::String;
    int size = 0;
    QString defaultExpr;
    bool readOnly = false;
    // The datapacket type code of a column loaded from a packet whose type differs from the one
    // the kind and size give (an i1 or unsigned column, a fixed-size text); 0 otherwise.
    quint32 typeCode = 0;

    bool operator==(const FieldDef&) const = default;
};

bool isTextKind(FieldKind kind);    // String and Memo
bool isBytesKind(FieldKind kind);   // Memo, Graphic and Blob
bool isIntegerKind(FieldKind kind); // AutoInc, SmallInt and Integer

// The 262 fields of the survey form record, in record order.
const QList<FieldDef>& SchemaScheda();
