#pragma once

#include <QByteArray>
#include <QList>
#include <QVariant>

// The plain datapacket: the self-describing image of a dataset that form files hold (binary) and
// the server receives (XML). Columns with type codes, attribute flags and properties; packet
// properties; rows with a status and, per column, a value, null or not-changed.
//
// Values, in rows and in properties, are held by logical type:
//   signed integer    qint64             unsigned integer   quint64
//   boolean           bool               floating point     double
//   date              qint32 day number (0001-01-01 is day 1)
//   time              qint32 milliseconds since midnight
//   date and time     double milliseconds (day number x 86 400 000 + milliseconds of the day)
//   single-byte text  QByteArray (Windows-1252, no terminator; empty but not null is QByteArray(""))
//   UTF-16 text       QString
//   bytes, BCD, SQL time stamp and any other fixed-size value   QByteArray of the stored bytes
//   array properties  QList<qint64> or QList<quint64>
namespace DataPacketType {

enum Logical : quint32 {
    Signed = 1,
    Unsigned = 2,
    Boolean = 3,
    Float = 4,
    Bcd = 5,
    Date = 6,
    Time = 7,
    DateTime = 8,
    Text = 9,
    WideText = 10,
    Bytes = 11,
    Structure = 12,
    Array = 13,
    NestedTable = 14,
    Reference = 15,
    SqlTimeStamp = 17,
    FormattedBcd = 18,
};

constexpr quint32 VariableFlag = 0x00400000;
constexpr quint32 ArrayFlag = 0x00800000;

constexpr quint32 width(quint32 type) {
    return type & 0xFFFF;
}
constexpr quint32 logical(quint32 type) {
    return (type >> 16) & 0x3F;
}
constexpr bool isVariable(quint32 type) {
    return type & VariableFlag;
}
constexpr bool isArray(quint32 type) {
    return type & ArrayFlag;
}
constexpr quint32 make(quint32 logicalType, quint32 width, quint32 flags = 0) {
    return (logicalType << 16) | width | flags;
}

// Type codes of the form record's columns and of the properties it uses.
constexpr quint32 Int2 = 0x00010002;
constexpr quint32 Int4 = 0x00010004;
constexpr quint32 UInt2 = 0x00020002;
constexpr quint32 Bool2 = 0x00030002;
constexpr quint32 DateTime8 = 0x00080008;
constexpr quint32 Text1 = 0x00490001;
constexpr quint32 Text2 = 0x00490002;
constexpr quint32 Blob4 = 0x004B0004;

} // namespace DataPacketType

// Column attribute flags.
namespace DataPacketAttr {
constexpr quint16 Hidden = 0x0001;
constexpr quint16 ReadOnly = 0x0002;
constexpr quint16 Required = 0x0004;
constexpr quint16 LinkField = 0x0008;
} // namespace DataPacketAttr

struct PacketProperty {
    QByteArray name; // ASCII, 1 to 255 bytes
    quint32 type = 0;
    QVariant value;

    bool operator==(const PacketProperty&) const = default;
};

struct PacketColumn {
    QByteArray name; // Windows-1252, the whole name even when longer than a descriptor holds
    quint32 type = 0;
    quint16 attributes = 0;
    QList<PacketProperty> properties;

    // The property of that name (compared without regard to case), or nullptr.
    const PacketProperty* property(const QByteArray& name) const;
    bool operator==(const PacketColumn&) const = default;
};

// What a row holds for one column. The two low bits are those of the row's status bits.
enum class CellState : quint8 {
    Value = 0,
    Null = 1,
    NotChanged = 2,
    NullNotChanged = 3,
    // A variable-length bytes value whose content is not included: the value holds its length
    // (quint32, without the top bit).
    NotIncluded = 4,
};

struct PacketRow {
    quint8 status = 0;
    QList<QVariant> values;  // one per column; ignored unless the cell holds a value
    QList<CellState> states; // one per column

    bool operator==(const PacketRow&) const = default;
};

struct DataPacket {
    QList<PacketColumn> columns;
    QList<PacketProperty> properties;
    QList<PacketRow> rows;

    const PacketProperty* property(const QByteArray& name) const;
    bool operator==(const DataPacket&) const = default;
};

// The engine's errors raised by the codecs and the dataset's packet files.
namespace DataPacketError {
constexpr int Mismatch = 16389;         // "Mismatch in datapacket."
constexpr int NoMetaData = 16387;       // "Datapacket contains no meta data."
constexpr int NullFieldName = 10038;    // "Field name can't be null, datapacket may be corrupted"
constexpr int InvalidFieldType = 10000; // "Invalid field type."
constexpr int OutOfMemory = 9473;       // "Insufficient memory for this operation."
constexpr int NotApplicable = 10756;    // "Operation not applicable."
constexpr int XmlFieldType = 16400;     // "Fieldtype not supported for XML."
constexpr int XmlDelayedFetch = 16401;  // "Delayed fetching not supported for XML."

[[noreturn]] void raise(int code);
QString message(int code);

// Readers call this before adding rows: a packet whose cells (rows x columns) outnumber what its
// size can plausibly describe is damaged or hostile (an XML row of six bytes would otherwise
// make room for every column), and is refused with Mismatch before memory runs out. Whatever
// the size, the cells of one packet never cost more than CellBudget bytes: a form file holds one
// row, so a packet of thousands is no form.
constexpr qint64 CellBudget = qint64(64) << 20;
constexpr qint64 MaxCells = CellBudget / qint64(sizeof(QVariant) + sizeof(CellState));
void checkCells(qsizetype rows, qsizetype columns, qsizetype inputSize);
} // namespace DataPacketError

// Dates and times as the packet holds them: day 1 is 0001-01-01 of the proleptic Gregorian
// calendar (1899-12-30 is day 693 594).
namespace DataPacketTime {
constexpr qint64 MsPerDay = 86400000;
qint64 dayNumber(const QDate& date);
QDate dateOfDay(qint64 day); // invalid outside 0001-01-01 .. 9999-12-31
// Milliseconds of a wall-clock date and time.
double fromDateTime(const QDateTime& dateTime);
// Splits into day number and milliseconds of the day, rounding (or truncating) to whole
// milliseconds; false outside 0001-01-01 .. 9999-12-31 and for NaN.
bool split(double ms, qint64* day, qint64* msOfDay, bool truncate = false);
// Truncated to whole milliseconds; invalid when split() fails; in Qt::UTC as the dataset holds it.
QDateTime toDateTime(double ms);
} // namespace DataPacketTime
