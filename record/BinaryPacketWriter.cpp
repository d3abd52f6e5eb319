#include "BinaryPacketWriter.h"

#include <QtEndian>
#include <cmath>
#include <limits>

using namespace DataPacketType;

namespace {

constexpr quint32 Magic = 0xBDE01996;
constexpr int HeaderSize = 24;
constexpr int MaxDescriptorName = 31;
const QByteArray FieldNameProperty("FIELDNAME");

template <typename T> void put(QByteArray& out, T v) {
    char buf[sizeof(T)];
    qToLittleEndian(v, buf);
    out.append(buf, sizeof(T));
}

template <typename T> void putAt(QByteArray& out, qsizetype at, T v) {
    qToLittleEndian(v, out.data() + at);
}

void putUnsigned(QByteArray& out, quint64 v, quint32 width) {
    for (quint32 i = 0; i < width; ++i)
        out.append(char((v >> (8 * i)) & 0xFF)); // width is at most 8
}

void putName(QByteArray& out, const QByteArray& name) {
    if (name.isEmpty())
        DataPacketError::raise(DataPacketError::NullFieldName);
    const qsizetype n = qMin<qsizetype>(name.size(), 255);
    out.append(char(n));
    out.append(name.constData(), n);
}

void putLength(QByteArray& out, quint32 width, quint64 length) {
    const quint64 max = width == 1 ? 0xFF : width == 2 ? 0xFFFF : 0x7FFFFFFF;
    if (length > max)
        DataPacketError::raise(DataPacketError::Mismatch);
    putUnsigned(out, length, width);
}

void putVariable(QByteArray& out, quint32 type, const QVariant& value, bool property) {
    const quint32 w = width(type);
    if (w != 1 && w != 2 && w != 4)
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    switch (logical(type)) {
    case Text: {
        const QByteArray b = value.toByteArray();
        // A property keeps its terminating zero; the empty text of a row is one zero byte.
        if (property || b.isEmpty()) {
            putLength(out, w, quint64(b.size()) + 1);
            out.append(b);
            out.append('\0');
        } else {
            putLength(out, w, quint64(b.size()));
            out.append(b);
        }
        return;
    }
    case WideText: {
        const QString s = value.toString();
        putLength(out, w, quint64(s.size()) * 2);
        for (QChar c : s)
            put<quint16>(out, c.unicode());
        return;
    }
    default: {
        const QByteArray b = value.toByteArray();
        putLength(out, w, quint64(b.size()));
        out.append(b);
        return;
    }
    }
}

void putFixed(QByteArray& out, quint32 type, const QVariant& value) {
    const quint32 w = width(type);
    switch (logical(type)) {
    case Signed:
    case Unsigned:
        if (w != 1 && w != 2 && w != 4 && w != 8)
            break;
        putUnsigned(out, logical(type) == Signed ? quint64(value.toLongLong()) : value.toULongLong(), w);
        return;
    case Boolean:
        if (w != 1 && w != 2 && w != 4)
            break;
        putUnsigned(out, value.toBool() ? 1 : 0, w);
        return;
    case Float:
    case DateTime:
        if (w == 8) {
            put<double>(out, value.toDouble());
            return;
        }
        if (w == 4 && logical(type) == Float) {
            // Beyond the range of a float the value becomes an infinity, never undefined.
            const double d = value.toDouble();
            const float f = std::isnan(d)                           ? std::numeric_limits<float>::quiet_NaN()
                            : d > std::numeric_limits<float>::max() ? std::numeric_limits<float>::infinity()
                            : d < std::numeric_limits<float>::lowest()
                                ? -std::numeric_limits<float>::infinity()
                                : float(d);
            put<float>(out, f);
            return;
        }
        break;
    case Date:
    case Time:
        if (w != 4)
            break;
        put<qint32>(out, qint32(value.toInt()));
        return;
    case Text:
    case WideText:
    case Bytes:
    case Bcd:
    case FormattedBcd:
    case SqlTimeStamp: {
        if (w == 0)
            break;
        QByteArray b = value.toByteArray().left(w);
        b.append(QByteArray(qsizetype(w) - b.size(), '\0'));
        out.append(b);
        return;
    }
    default:
        break;
    }
    DataPacketError::raise(DataPacketError::InvalidFieldType);
}

} // namespace

void BinaryPacketWriter::appendValue(QByteArray& out, quint32 type, const QVariant& value, bool property) {
    if (isArray(type)) {
        // An array property: 4-byte element count, then the elements of the type's width.
        const quint32 element = type & ~(ArrayFlag | VariableFlag);
        const QVariantList list = value.toList();
        put<quint32>(out, quint32(list.size()));
        for (const QVariant& v : list)
            putFixed(out, element, v);
        return;
    }
    if (isVariable(type))
        putVariable(out, type, value, property);
    else
        putFixed(out, type, value);
}

QByteArray BinaryPacketWriter::write(const DataPacket& packet) {
    const qsizetype columns = packet.columns.size();
    if (columns > 0xFFFF)
        DataPacketError::raise(DataPacketError::Mismatch);
    // Room for the metadata and every value, so that a large picture is copied once.
    qsizetype estimate = 64 + columns * 48;
    for (const PacketRow& r : packet.rows) {
        estimate += 1 + (columns + 3) / 4 + columns * 8;
        for (const QVariant& v : r.values)
            if (v.typeId() == QMetaType::QByteArray)
                estimate += v.toByteArray().size() + 4;
    }
    QByteArray out;
    out.reserve(estimate);
    put<quint32>(out, Magic);
    put<quint16>(out, 1);
    put<quint16>(out, 0);
    put<quint32>(out, HeaderSize);
    put<quint16>(out, quint16(columns));
    put<quint32>(out, 0); // row count, counted as rows are written
    put<quint32>(out, 0x0001);
    put<quint16>(out, 0);

    bool version2 = false;
    for (const PacketColumn& c : packet.columns) {
        if (c.name == "RowState")
            DataPacketError::raise(DataPacketError::NotApplicable);
        const quint32 lt = logical(c.type);
        if (lt >= Structure && lt <= FormattedBcd)
            version2 = true;
        if (c.name.isEmpty())
            DataPacketError::raise(DataPacketError::NullFieldName);
        const QByteArray shortName = c.name.left(MaxDescriptorName);
        putName(out, shortName);
        put<quint32>(out, c.type);
        put<quint16>(out, c.attributes);
        const qsizetype countAt = out.size();
        put<quint16>(out, 0);
        quint16 count = 0;
        auto putProperty = [&](const PacketProperty& p) {
            putName(out, p.name);
            put<quint32>(out, p.type);
            appendValue(out, p.type, p.value, true);
            ++count;
        };
        for (const PacketProperty& p : c.properties)
            if (p.name.compare(FieldNameProperty, Qt::CaseInsensitive) != 0)
                putProperty(p);
        // A name longer than a descriptor holds travels whole in a property of its own.
        if (shortName.size() < c.name.size())
            putProperty({FieldNameProperty, Text2, c.name});
        putAt<quint16>(out, countAt, count);
    }
    if (version2)
        putAt<quint16>(out, 4, 2);

    put<quint16>(out, quint16(packet.properties.size()));
    for (const PacketProperty& p : packet.properties) {
        putName(out, p.name);
        put<quint32>(out, p.type);
        appendValue(out, p.type, p.value, true);
    }

    const qsizetype bitBytes = (columns + 3) / 4;
    quint32 rowCount = 0;
    auto setRowOffset = [&](qsizetype offset) {
        if (offset > 0xFFFF)
            return;
        putAt<quint16>(out, 22, quint16(offset));
        putAt<quint32>(out, 18, 0x0003);
    };
    for (const PacketRow& row : packet.rows) {
        if (rowCount == 0)
            setRowOffset(out.size());
        out.append(char(row.status));
        const qsizetype bitsAt = out.size();
        out.append(QByteArray(bitBytes, '\0'));
        for (qsizetype j = 0; j < columns; ++j) {
            const CellState s = j < row.states.size() ? row.states[j] : CellState::Null;
            const quint32 type = packet.columns[j].type;
            if (s == CellState::NotIncluded) {
                if (!isVariable(type) || width(type) != 4)
                    DataPacketError::raise(DataPacketError::InvalidFieldType);
                put<quint32>(out, (row.values.value(j).toUInt() & 0x7FFFFFFF) | 0x80000000);
                continue;
            }
            if (s != CellState::Value) {
                out[bitsAt + j / 4] = char(out[bitsAt + j / 4] | (quint8(s) << (2 * (j % 4))));
                continue;
            }
            appendValue(out, type, row.values.value(j), false);
        }
        putAt<quint32>(out, 14, ++rowCount);
    }
    if (rowCount == 0)
        setRowOffset(out.size());
    return out;
}
