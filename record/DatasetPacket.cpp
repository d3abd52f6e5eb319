#include "DatasetPacket.h"

#include "Cp1252.h"
#include "Dataset.h"
#include "VarnoError.h"

#include <algorithm>

using namespace DataPacketType;

namespace {

const QByteArray SubtypeName("SUBTYPE");
const QByteArray WidthName("WIDTH");
const QByteArray AutoIncName("AUTOINCVALUE");

QByteArray subtypeOf(FieldKind kind) {
    switch (kind) {
    case FieldKind::AutoInc:
        return "Autoinc";
    case FieldKind::Memo:
        return "Text";
    case FieldKind::Graphic:
        return "Graphics";
    case FieldKind::Blob:
        return "Binary";
    default:
        return {};
    }
}

// Text is stored without its trailing blanks; blanks only become the empty text.
QByteArray stripTrailingBlanks(QByteArray b) {
    qsizetype n = b.size();
    while (n > 0 && b[n - 1] == ' ')
        --n;
    b.truncate(n);
    return b.isNull() ? QByteArray("") : b;
}

QVariant packetValue(const FieldDef& def, quint32 type, const QVariant& v) {
    switch (def.kind) {
    case FieldKind::String:
        return stripTrailingBlanks(v.toByteArray());
    case FieldKind::Memo:
    case FieldKind::Graphic:
    case FieldKind::Blob:
        return v.toByteArray();
    case FieldKind::Boolean:
        return v.toBool();
    case FieldKind::DateTime:
        return DataPacketTime::fromDateTime(v.toDateTime());
    case FieldKind::Float:
        return v.toDouble();
    case FieldKind::Date:
        return qint32(DataPacketTime::dayNumber(v.toDate()));
    case FieldKind::Time:
        return qint32(v.toTime().msecsSinceStartOfDay());
    case FieldKind::WideString:
        return v.toString();
    default:
        if (logical(type) == Unsigned)
            return QVariant::fromValue<quint64>(quint64(v.toLongLong()));
        return QVariant::fromValue<qint64>(v.toLongLong());
    }
}

QString kindName(FieldKind kind) {
    static const char* const names[] = {"AutoInc",  "String", "SmallInt", "Integer",   "Boolean",
                                        "DateTime", "Memo",   "Graphic",  "Blob",      "LargeInt",
                                        "Float",    "Date",   "Time",     "WideString"};
    return QString::fromLatin1(names[int(kind)]);
}

[[noreturn]] void mismatch() {
    DataPacketError::raise(DataPacketError::Mismatch);
}

QVariant datasetValue(const FieldDef& def, const QVariant& v) {
    switch (def.kind) {
    case FieldKind::String: {
        // A text longer than its column's width (another writer's packet) is cut as an
        // assignment would cut it, so the form can always be saved again.
        QByteArray b = v.toByteArray();
        if (def.size > 0 && b.size() > def.size)
            b.truncate(def.size);
        return b.isNull() ? QByteArray("") : b;
    }
    case FieldKind::Memo:
    case FieldKind::Graphic:
    case FieldKind::Blob: {
        const QByteArray b = v.toByteArray();
        return b.isEmpty() ? QVariant() : QVariant(b); // bytes with no content are null
    }
    case FieldKind::Boolean:
        return v.toBool();
    case FieldKind::DateTime: {
        const QDateTime dt = DataPacketTime::toDateTime(v.toDouble());
        if (!dt.isValid())
            mismatch();
        return dt;
    }
    case FieldKind::Float:
        return v.toDouble();
    case FieldKind::Date: {
        const QDate d = DataPacketTime::dateOfDay(v.toLongLong());
        if (!d.isValid())
            mismatch();
        return d;
    }
    case FieldKind::Time: {
        const qint64 ms = v.toLongLong();
        if (ms < 0 || ms >= DataPacketTime::MsPerDay)
            mismatch();
        return QTime::fromMSecsSinceStartOfDay(int(ms));
    }
    case FieldKind::WideString:
        return v.toString();
    case FieldKind::LargeInt:
        return v.toLongLong();
    default:
        return int(v.toLongLong());
    }
}

} // namespace

quint32 DatasetPacket::typeCodeOf(const FieldDef& def) {
    if (def.typeCode != 0)
        return def.typeCode;
    switch (def.kind) {
    case FieldKind::AutoInc:
    case FieldKind::Integer:
        return Int4;
    case FieldKind::String:
        // The stored size counts a terminating zero.
        return def.size + 1 > 254 ? Text2 : Text1;
    case FieldKind::SmallInt:
        return Int2;
    case FieldKind::Boolean:
        return Bool2;
    case FieldKind::DateTime:
        return DateTime8;
    case FieldKind::Memo:
    case FieldKind::Graphic:
    case FieldKind::Blob:
        return Blob4;
    case FieldKind::LargeInt:
        return make(Signed, 8);
    case FieldKind::Float:
        return make(Float, 8);
    case FieldKind::Date:
        return make(Date, 4);
    case FieldKind::Time:
        return make(Time, 4);
    case FieldKind::WideString:
        return make(WideText, (def.size + 1) * 2 > 254 ? 2 : 1, VariableFlag);
    }
    return 0;
}

PacketColumn DatasetPacket::columnOf(const FieldDef& def) {
    PacketColumn c;
    c.name = Cp1252::encode(def.name);
    c.type = typeCodeOf(def);
    if (def.readOnly || def.kind == FieldKind::AutoInc)
        c.attributes |= DataPacketAttr::ReadOnly;
    const QByteArray subtype = subtypeOf(def.kind);
    if (!subtype.isEmpty())
        c.properties.append({SubtypeName, Text2, subtype});
    const quint32 lt = logical(c.type);
    if (def.size > 0 && (lt == Text || lt == WideText || lt == Bytes || lt == Bcd))
        c.properties.append({WidthName, UInt2, QVariant::fromValue<quint64>(quint64(def.size))});
    return c;
}

FieldDef DatasetPacket::defOf(const PacketColumn& column) {
    FieldDef d;
    d.name = Cp1252::decode(column.name);
    d.readOnly = column.attributes & DataPacketAttr::ReadOnly;
    const quint32 w = width(column.type);
    const PacketProperty* width = column.property(WidthName);
    const PacketProperty* subtypeProp = column.property(SubtypeName);
    const QByteArray subtype = subtypeProp ? subtypeProp->value.toByteArray() : QByteArray();
    auto subtypeIs = [&](const char* s) { return subtype.compare(s, Qt::CaseInsensitive) == 0; };
    if (width)
        d.size = int(qMin<quint64>(width->value.toULongLong(), 0xFFFF));

    switch (logical(column.type)) {
    case Signed:
        d.kind = w <= 2 ? FieldKind::SmallInt : w == 4 ? FieldKind::Integer : FieldKind::LargeInt;
        if (w == 4 && subtypeIs("Autoinc")) {
            d.kind = FieldKind::AutoInc;
            d.readOnly = true;
        }
        break;
    case Unsigned:
        d.kind = w == 1 ? FieldKind::SmallInt : w == 2 ? FieldKind::Integer : FieldKind::LargeInt;
        break;
    case Boolean:
        d.kind = FieldKind::Boolean;
        break;
    case Float:
        d.kind = FieldKind::Float;
        break;
    case Date:
        d.kind = FieldKind::Date;
        break;
    case Time:
        d.kind = FieldKind::Time;
        break;
    case DateTime:
        d.kind = FieldKind::DateTime;
        break;
    case Text:
        d.kind = FieldKind::String;
        break;
    case WideText:
        d.kind = FieldKind::WideString;
        break;
    case Bytes:
        if (isVariable(column.type) && w == 4 && subtypeIs("Text"))
            d.kind = FieldKind::Memo;
        else if (isVariable(column.type) && w == 4 && subtypeIs("Graphics"))
            d.kind = FieldKind::Graphic;
        else
            d.kind = FieldKind::Blob;
        break;
    default:
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    }
    if (isArray(column.type) || (column.type & 0xFF000000))
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    d.typeCode = 0;
    if (typeCodeOf(d) != column.type)
        d.typeCode = column.type;
    return d;
}

DataPacket DatasetPacket::fromDataset(const Dataset& dataset) {
    return fromRows(dataset.columns(), dataset.rows(), dataset.autoIncValue());
}

DataPacket DatasetPacket::fromRows(const QList<FieldDef>& cols, const QList<QList<QVariant>>& rows,
                                   int autoIncValue) {
    DataPacket p;
    // Every form has the same 262 columns: their descriptions are made once and shared by the
    // packets that follow (a packet's lists are copied only if changed).
    thread_local QList<FieldDef> lastDefs;
    thread_local QList<PacketColumn> lastColumns;
    if (cols != lastDefs) {
        QList<PacketColumn> made;
        made.reserve(cols.size());
        for (const FieldDef& d : cols)
            made.append(columnOf(d));
        lastDefs = cols;
        lastColumns = std::move(made);
    }
    p.columns = lastColumns;
    const bool autoInc = std::any_of(cols.cbegin(), cols.cend(),
                                     [](const FieldDef& d) { return d.kind == FieldKind::AutoInc; });
    if (autoInc)
        p.properties.append({AutoIncName, Int4, QVariant::fromValue<qint64>(autoIncValue)});
    for (const QList<QVariant>& r : rows) {
        PacketRow row;
        row.values.resize(cols.size());
        row.states.resize(cols.size());
        for (qsizetype j = 0; j < cols.size(); ++j) {
            const QVariant v = r.value(j);
            if (!v.isValid() || ((cols[j].kind == FieldKind::Memo || cols[j].kind == FieldKind::Graphic ||
                                  cols[j].kind == FieldKind::Blob) &&
                                 v.toByteArray().isEmpty())) {
                row.states[j] = CellState::Null;
                continue;
            }
            row.values[j] = packetValue(cols[j], p.columns[j].type, v);
            row.states[j] = CellState::Value;
        }
        p.rows.append(std::move(row));
    }
    return p;
}

void DatasetPacket::open(Dataset& dataset, const DataPacket& packet) {
    DataPacket copy = packet;
    open(dataset, std::move(copy));
}

void DatasetPacket::open(Dataset& dataset, DataPacket&& packet) {
    // A send loads file after file of the same form: the definitions of a run of packets with the
    // same columns are made once.
    thread_local QList<PacketColumn> lastColumns;
    thread_local QList<FieldDef> lastDefs;
    const bool known = !lastColumns.isEmpty() && packet.columns == lastColumns;
    QList<FieldDef> made;
    if (!known)
        made.reserve(packet.columns.size());
    for (qsizetype i = 0; i < packet.columns.size(); ++i) {
        if (!known)
            made.append(defOf(packet.columns[i]));
        // A field object made for one kind cannot show a column of another (a form file whose
        // S1_Data is text).
        const FieldDef& d = known ? lastDefs[i] : made[i];
        if (const Field* f = dataset.hasPersistentFields() ? dataset.field(d.name) : nullptr) {
            const bool bothInt32 = (f->kind() == FieldKind::AutoInc || f->kind() == FieldKind::Integer) &&
                                   (d.kind == FieldKind::AutoInc || d.kind == FieldKind::Integer);
            if (f->kind() != d.kind && !bothInt32)
                throw VarnoError(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                                     .arg(d.name, kindName(f->kind()), kindName(d.kind)));
        }
    }
    if (!known) {
        lastColumns = packet.columns;
        lastDefs = made;
    }
    QList<FieldDef> defs = lastDefs;
    // Defaults belong to the field objects: a matching field lends its own.
    if (dataset.hasPersistentFields())
        for (FieldDef& d : defs)
            if (const Field* f = dataset.field(d.name))
                d.defaultExpr = f->def().defaultExpr;
    QList<Dataset::Row> rows;
    rows.reserve(packet.rows.size());
    for (PacketRow& r : packet.rows) {
        Dataset::Row row = std::move(r.values);
        const QList<CellState> states = std::move(r.states);
        r = PacketRow();
        row.resize(defs.size());
        for (qsizetype j = 0; j < defs.size(); ++j) {
            // Content the packet leaves out cannot be loaded as null: the picture would be lost
            // at the next save.
            if (j < states.size() && states[j] == CellState::NotIncluded)
                DataPacketError::raise(DataPacketError::XmlDelayedFetch);
            row[j] = j < states.size() && states[j] == CellState::Value ? datasetValue(defs.at(j), row[j])
                                                                        : QVariant();
        }
        rows.append(std::move(row));
    }
    packet.rows.clear();
    int autoInc = 1;
    if (const PacketProperty* p = packet.property(AutoIncName))
        autoInc = int(p->value.toLongLong());
    dataset.open(defs, std::move(rows), autoInc);
}
