#include "BinaryPacketReader.h"

#include <QtEndian>

using namespace DataPacketType;

namespace {

constexpr quint32 Magic = 0xBDE01996;
constexpr quint32 OldMagic = 0x0000ABCD;
constexpr int MaxDescriptorName = 31;

// A bounded cursor over the packet's bytes.
class Cursor {
public:
    explicit Cursor(const QByteArray& data) : m_data(data) {}

    qsizetype pos() const { return m_pos; }
    void seek(quint64 pos) {
        if (pos > quint64(m_data.size()))
            mismatch();
        m_pos = qsizetype(pos);
    }
    const char* take(quint64 n) {
        if (n > quint64(m_data.size() - m_pos))
            mismatch();
        const char* p = m_data.constData() + m_pos;
        m_pos += qsizetype(n);
        return p;
    }
    QByteArray bytes(quint64 n) {
        const char* p = take(n);
        return QByteArray(p, qsizetype(n));
    }
    template <typename T> T get() { return qFromLittleEndian<T>(take(sizeof(T))); }
    quint64 unsignedOf(quint32 width) {
        const char* p = take(width);
        quint64 v = 0;
        for (quint32 i = 0; i < width; ++i)
            v |= quint64(quint8(p[i])) << (8 * i);
        return v;
    }

    [[noreturn]] static void mismatch() { DataPacketError::raise(DataPacketError::Mismatch); }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

bool validFixedWidth(quint32 lt, quint32 w) {
    switch (lt) {
    case Signed:
    case Unsigned:
        return w == 1 || w == 2 || w == 4 || w == 8;
    case Boolean:
        return w == 1 || w == 2 || w == 4;
    case Float:
        return w == 4 || w == 8;
    case Date:
    case Time:
        return w == 4;
    case DateTime:
        return w == 8;
    case Bcd:
    case FormattedBcd:
    case SqlTimeStamp:
    case Text:
    case WideText:
    case Bytes:
        return w > 0;
    default:
        return false;
    }
}

QByteArray cutAtZero(QByteArray b) {
    const qsizetype z = b.indexOf('\0');
    if (z >= 0)
        b.truncate(z);
    if (b.isNull())
        b = QByteArray("");
    return b;
}

qint64 signExtend(quint64 v, quint32 width) {
    if (width >= 8)
        return qint64(v);
    const quint64 sign = quint64(1) << (8 * width - 1);
    return qint64((v ^ sign) - sign);
}

QVariant readFixed(Cursor& in, quint32 type) {
    const quint32 w = width(type);
    switch (logical(type)) {
    case Signed:
        return QVariant::fromValue<qint64>(signExtend(in.unsignedOf(w), w));
    case Unsigned:
        return QVariant::fromValue<quint64>(in.unsignedOf(w));
    case Boolean:
        return QVariant(in.unsignedOf(w) != 0);
    case Float:
        if (w == 4)
            return QVariant(double(in.get<float>()));
        return QVariant(in.get<double>());
    case DateTime:
        return QVariant(in.get<double>());
    case Date:
    case Time:
        return QVariant(in.get<qint32>());
    case Text:
        return QVariant(cutAtZero(in.bytes(w)));
    default:
        return QVariant(in.bytes(w));
    }
}

QVariant readVariable(Cursor& in, quint32 type, quint32 length) {
    switch (logical(type)) {
    case Text:
        return QVariant(cutAtZero(in.bytes(length)));
    case WideText: {
        const char* p = in.take(length);
        QString s(qsizetype(length / 2), Qt::Uninitialized);
        for (quint32 i = 0; i < length / 2; ++i)
            s[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        const qsizetype z = s.indexOf(QChar(0));
        if (z >= 0)
            s.truncate(z);
        return QVariant(s);
    }
    default: {
        QByteArray b = in.bytes(length);
        if (b.isNull())
            b = QByteArray("");
        return QVariant(b);
    }
    }
}

// Reads one value; sets *notIncluded for bytes whose content the packet leaves out.
QVariant readValue(Cursor& in, quint32 type, bool* notIncluded = nullptr) {
    if (isArray(type)) {
        const quint32 element = type & ~(ArrayFlag | VariableFlag);
        const quint32 count = in.get<quint32>();
        if (quint64(count) * width(element) > quint64(1) << 31)
            Cursor::mismatch();
        in.take(quint64(count) * width(element)); // checks the whole array is there
        in.seek(quint64(in.pos()) - quint64(count) * width(element));
        QVariantList list;
        list.reserve(count);
        for (quint32 i = 0; i < count; ++i)
            list.append(readFixed(in, element));
        return list;
    }
    if (!isVariable(type))
        return readFixed(in, type);
    quint32 length = quint32(in.unsignedOf(width(type)));
    if (width(type) == 4 && (length & 0x80000000)) {
        if (notIncluded) {
            *notIncluded = true;
            return QVariant(length & 0x7FFFFFFF);
        }
        Cursor::mismatch();
    }
    return readVariable(in, type, length);
}

PacketProperty readProperty(Cursor& in) {
    PacketProperty p;
    const quint8 n = in.get<quint8>();
    p.name = in.bytes(n);
    p.type = in.get<quint32>();
    if (!BinaryPacketReader::validType(p.type, true))
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    p.value = readValue(in, p.type);
    return p;
}

} // namespace

bool BinaryPacketReader::validType(quint32 type, bool property) {
    // Bit 31 of a property's type asks for the property to travel back (XML Roundtrip).
    if (type & (property ? 0x7F000000 : 0xFF000000))
        return false;
    const quint32 lt = logical(type), w = width(type);
    if (isArray(type))
        return property && (lt == Signed || lt == Unsigned) && validFixedWidth(lt, w);
    if (isVariable(type))
        return (w == 1 || w == 2 || w == 4) &&
               (lt == Text || lt == WideText || lt == Bytes || lt == Bcd || lt == FormattedBcd);
    return validFixedWidth(lt, w);
}

bool BinaryPacketReader::hasMagic(const QByteArray& data) {
    if (data.size() < 4)
        return false;
    const quint32 m = qFromLittleEndian<quint32>(data.constData());
    return m == Magic || m == OldMagic;
}

DataPacket BinaryPacketReader::read(const QByteArray& data) {
    if (!hasMagic(data))
        Cursor::mismatch();
    Cursor in(data);
    const quint32 magic = in.get<quint32>();
    const quint16 major = in.get<quint16>();
    const quint16 minor = in.get<quint16>();
    if (magic == Magic && (major > 3 || minor > 3))
        Cursor::mismatch();
    const quint32 headerSize = in.get<quint32>();
    const quint16 columnCount = in.get<quint16>();
    const quint32 rowCount = in.get<quint32>();
    const quint32 flags = in.get<quint32>();
    in.get<quint16>(); // row offset: the rows follow the packet properties anyway
    if (!(flags & 0x0001))
        DataPacketError::raise(DataPacketError::NoMetaData);
    in.seek(headerSize);
    if (columnCount == 0)
        Cursor::mismatch();

    DataPacket packet;
    packet.columns.reserve(columnCount);
    for (int i = 0; i < columnCount; ++i) {
        PacketColumn c;
        const quint8 n = in.get<quint8>();
        if (n == 0)
            DataPacketError::raise(DataPacketError::NullFieldName);
        c.name = in.bytes(n).left(MaxDescriptorName);
        c.type = in.get<quint32>();
        if (!validType(c.type, false))
            DataPacketError::raise(DataPacketError::InvalidFieldType);
        c.attributes = in.get<quint16>();
        const quint16 props = in.get<quint16>();
        for (int k = 0; k < props; ++k) {
            PacketProperty p = readProperty(in);
            if (p.name.compare("FIELDNAME", Qt::CaseInsensitive) == 0 && logical(p.type) == Text) {
                const QByteArray whole = p.value.toByteArray();
                if (!whole.isEmpty())
                    c.name = whole;
                continue;
            }
            c.properties.append(std::move(p));
        }
        packet.columns.append(std::move(c));
    }

    const quint16 packetProps = in.get<quint16>();
    for (int k = 0; k < packetProps; ++k)
        packet.properties.append(readProperty(in));

    // Every row costs at least its status byte and its null bits: the header's count is checked
    // against the bytes left and the cell budget before any row is made.
    const qsizetype bitBytes = (columnCount + 3) / 4;
    if (quint64(rowCount) * quint64(1 + bitBytes) > quint64(data.size() - in.pos()))
        Cursor::mismatch();
    DataPacketError::checkCells(qsizetype(rowCount), columnCount, data.size());
    packet.rows.reserve(rowCount);
    for (quint32 r = 0; r < rowCount; ++r) {
        PacketRow row;
        row.status = in.get<quint8>();
        const char* bits = in.take(quint64(bitBytes));
        row.values = QList<QVariant>(columnCount); // exactly as many as needed: resize() would round up
        row.states = QList<CellState>(columnCount);
        for (int j = 0; j < columnCount; ++j) {
            const quint8 s = (quint8(bits[j / 4]) >> (2 * (j % 4))) & 0x3;
            if (s != 0) {
                row.states[j] = CellState(s);
                continue;
            }
            bool notIncluded = false;
            row.values[j] = readValue(in, packet.columns[j].type, &notIncluded);
            row.states[j] = notIncluded ? CellState::NotIncluded : CellState::Value;
        }
        packet.rows.append(std::move(row));
    }
    return packet;
}
