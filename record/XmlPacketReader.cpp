#include "XmlPacketReader.h"

#include "BinaryPacketReader.h"
#include "Cp1252.h"
#include "VarnoError.h"
#include "XmlPacketWriter.h"

#include <QByteArrayView>
#include <QDate>
#include <QHash>
#include <cmath>

using namespace DataPacketType;

namespace {

[[noreturn]] void mismatch() {
    DataPacketError::raise(DataPacketError::Mismatch);
}

struct Attribute {
    QByteArrayView name;
    QByteArrayView raw; // as written, entities not yet resolved
};

struct Tag {
    QByteArrayView name;
    QList<Attribute> attributes;
    bool end = false;
    bool selfClosing = false;

    const Attribute* find(QByteArrayView n) const {
        for (const Attribute& a : attributes)
            if (a.name == n)
                return &a;
        return nullptr;
    }
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

class Parser {
public:
    explicit Parser(const QByteArray& data) : m_data(data) {}

    bool utf8 = false;

    // The declaration, if any: notes a UTF-8 encoding.
    void prolog() {
        if (m_data.startsWith("\xEF\xBB\xBF")) {
            m_pos = 3;
            utf8 = true;
        }
        skipSpace();
        if (rest().startsWith("<?xml")) {
            const qsizetype end = m_data.indexOf("?>", m_pos);
            if (end < 0)
                mismatch();
            const QByteArray decl = m_data.mid(m_pos, end - m_pos).toLower();
            if (decl.contains("utf-8") || decl.contains("utf8"))
                utf8 = true;
            m_pos = end + 2;
        }
    }

    // The next tag, skipping text, comments and processing instructions.
    Tag next() {
        for (;;) {
            while (m_pos < m_data.size() && m_data[m_pos] != '<')
                ++m_pos;
            if (m_pos >= m_data.size())
                mismatch();
            const QByteArrayView r = rest();
            if (r.startsWith("<!--")) {
                skipPast("-->");
                continue;
            }
            if (r.startsWith("<?") || r.startsWith("<!")) {
                skipPast(">");
                continue;
            }
            return tag();
        }
    }

    // The bytes not read yet.
    QByteArrayView rest() const { return QByteArrayView(m_data).sliced(m_pos); }

private:
    char at(qsizetype i) const {
        if (i >= m_data.size())
            mismatch();
        return m_data[i];
    }
    void skipSpace() {
        while (m_pos < m_data.size() && isSpace(m_data[m_pos]))
            ++m_pos;
    }
    void skipPast(const char* marker) {
        const qsizetype end = m_data.indexOf(marker, m_pos);
        if (end < 0)
            mismatch();
        m_pos = end + qsizetype(qstrlen(marker));
    }
    QByteArrayView name() {
        const qsizetype start = m_pos;
        while (m_pos < m_data.size()) {
            const char c = m_data[m_pos];
            if (isSpace(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '"' || c == '\'')
                break;
            ++m_pos;
        }
        if (m_pos == start)
            mismatch();
        return QByteArrayView(m_data).sliced(start, m_pos - start);
    }
    Tag tag() {
        Tag t;
        ++m_pos; // '<'
        if (at(m_pos) == '/') {
            ++m_pos;
            t.end = true;
            t.name = name();
            skipSpace();
            if (at(m_pos) != '>')
                mismatch();
            ++m_pos;
            return t;
        }
        t.name = name();
        for (;;) {
            skipSpace();
            const char c = at(m_pos);
            if (c == '>') {
                ++m_pos;
                return t;
            }
            if (c == '/') {
                if (at(m_pos + 1) != '>')
                    mismatch();
                m_pos += 2;
                t.selfClosing = true;
                return t;
            }
            Attribute a;
            a.name = name();
            skipSpace();
            if (at(m_pos) != '=')
                mismatch();
            ++m_pos;
            skipSpace();
            const char quote = at(m_pos);
            if (quote != '"' && quote != '\'')
                mismatch();
            const qsizetype start = ++m_pos;
            const qsizetype end = m_data.indexOf(quote, start);
            if (end < 0)
                mismatch();
            a.raw = QByteArrayView(m_data).sliced(start, end - start);
            m_pos = end + 1;
            t.attributes.append(a);
        }
    }

    const QByteArray& m_data;
    qsizetype m_pos = 0;
};

// Resolves one entity starting at raw[i] == '&'; returns the character and moves i past it.
char32_t entity(QByteArrayView raw, qsizetype& i) {
    const qsizetype semi = raw.indexOf(';', i);
    if (semi < 0 || semi - i > 12)
        mismatch();
    const QByteArrayView e = raw.sliced(i + 1, semi - i - 1);
    i = semi + 1;
    if (e == "lt")
        return '<';
    if (e == "gt")
        return '>';
    if (e == "amp")
        return '&';
    if (e == "apos")
        return '\'';
    if (e == "quot")
        return '"';
    if (e.size() >= 2 && e[0] == '#') {
        bool ok = false;
        const uint code =
            (e[1] == 'x' || e[1] == 'X') ? e.sliced(2).toUInt(&ok, 16) : e.sliced(1).toUInt(&ok, 10);
        if (ok && code <= 0x10FFFF)
            return char32_t(code);
    }
    mismatch();
}

QString decodeString(QByteArrayView raw, bool utf8) {
    QString out;
    qsizetype start = 0, i = 0;
    auto flush = [&](qsizetype end) {
        const QByteArrayView run = raw.sliced(start, end - start);
        out += utf8 ? QString::fromUtf8(run) : Cp1252::decode(run.toByteArray());
    };
    while (i < raw.size()) {
        if (raw[i] != '&') {
            ++i;
            continue;
        }
        flush(i);
        const char32_t c = entity(raw, i);
        out += QString::fromUcs4(&c, 1);
        start = i;
    }
    flush(i);
    return out;
}

// Windows-1252 bytes of an attribute value.
QByteArray decodeBytes(QByteArrayView raw, bool utf8) {
    if (utf8) {
        for (char c : raw)
            if (quint8(c) >= 0x80)
                return Cp1252::encode(decodeString(raw, true));
    }
    QByteArray out;
    out.reserve(raw.size());
    qsizetype i = 0;
    while (i < raw.size()) {
        const qsizetype amp = raw.indexOf('&', i);
        if (amp < 0) {
            out.append(raw.sliced(i));
            break;
        }
        out.append(raw.sliced(i, amp - i));
        i = amp;
        const char32_t c = entity(raw, i);
        if (c < 0x80)
            out.append(char(c));
        else
            out.append(Cp1252::encode(QString::fromUcs4(&c, 1)));
    }
    if (out.isNull())
        out = QByteArray("");
    return out;
}

qint64 parseSigned(QByteArrayView t) {
    bool ok = false;
    const qint64 v = t.trimmed().toLongLong(&ok);
    if (!ok)
        mismatch();
    return v;
}

quint64 parseUnsigned(QByteArrayView t) {
    bool ok = false;
    const quint64 v = t.trimmed().toULongLong(&ok);
    if (!ok)
        mismatch();
    return v;
}

qint64 parseFixedDigits(QByteArrayView t, qsizetype from, qsizetype n) {
    if (from + n > t.size())
        mismatch();
    qint64 v = 0;
    for (qsizetype i = from; i < from + n; ++i) {
        if (t[i] < '0' || t[i] > '9')
            mismatch();
        v = v * 10 + (t[i] - '0');
    }
    return v;
}

qint64 parseDay(QByteArrayView t) {
    if (t.size() != 8)
        mismatch();
    const QDate d(int(parseFixedDigits(t, 0, 4)), int(parseFixedDigits(t, 4, 2)),
                  int(parseFixedDigits(t, 6, 2)));
    if (!d.isValid() || d.year() < 1)
        mismatch();
    return DataPacketTime::dayNumber(d);
}

qint64 parseTime(QByteArrayView t) {
    if (t.size() != 11 || t[2] != ':' || t[5] != ':')
        mismatch();
    const qint64 h = parseFixedDigits(t, 0, 2), m = parseFixedDigits(t, 3, 2), s = parseFixedDigits(t, 6, 5);
    if (h > 23 || m > 59 || s > 59999)
        mismatch();
    return h * 3600000 + m * 60000 + s;
}

QVariant parseValue(quint32 type, QByteArrayView raw, bool utf8, bool subtypeText) {
    if (isArray(type)) {
        const quint32 element = type & ~(ArrayFlag | VariableFlag);
        QVariantList list;
        qsizetype i = 0;
        while (i < raw.size()) {
            while (i < raw.size() && isSpace(raw[i]))
                ++i;
            const qsizetype start = i;
            while (i < raw.size() && !isSpace(raw[i]))
                ++i;
            if (i > start)
                list.append(parseValue(element, raw.sliced(start, i - start), utf8, false));
        }
        return list;
    }
    switch (logical(type)) {
    case Signed:
        return QVariant::fromValue<qint64>(parseSigned(raw));
    case Unsigned:
        return QVariant::fromValue<quint64>(parseUnsigned(raw));
    case Boolean: {
        const QByteArrayView t = raw.trimmed();
        if (t.compare("TRUE", Qt::CaseInsensitive) == 0 || t == "1")
            return true;
        if (t.compare("FALSE", Qt::CaseInsensitive) == 0 || t == "0")
            return false;
        mismatch();
    }
    case Float: {
        bool ok = false;
        const double d = raw.trimmed().toDouble(&ok);
        if (!ok)
            mismatch();
        return d;
    }
    case Date:
        return QVariant(qint32(parseDay(raw.trimmed())));
    case Time:
        return QVariant(qint32(parseTime(raw.trimmed())));
    case DateTime: {
        const QByteArrayView t = raw.trimmed();
        const qint64 day = parseDay(t.first(qMin<qsizetype>(8, t.size())));
        const qint64 ms = t.size() > 8 ? (t[8] == 'T' ? parseTime(t.sliced(9)) : (mismatch(), 0)) : 0;
        return QVariant(double(day * DataPacketTime::MsPerDay + ms));
    }
    case Text: {
        QByteArray b = decodeBytes(raw, utf8);
        const qsizetype z = b.indexOf('\0');
        if (z >= 0)
            b.truncate(z);
        return b;
    }
    case WideText:
        return decodeString(raw, utf8);
    case Bytes: {
        if (subtypeText)
            return decodeBytes(raw, utf8);
        auto r = QByteArray::fromBase64Encoding(raw.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
        if (!r)
            mismatch();
        QByteArray b = *r;
        if (!isVariable(type)) {
            b = b.left(width(type));
            b.append(QByteArray(width(type) - b.size(), '\0'));
        }
        return b.isNull() ? QByteArray("") : b;
    }
    default:
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    }
}

quint32 typeOfName(QByteArrayView n) {
    static const QHash<QByteArray, quint32> types = {
        {"i1", make(Signed, 1)},
        {"i2", make(Signed, 2)},
        {"i4", make(Signed, 4)},
        {"i8", make(Signed, 8)},
        {"ui1", make(Unsigned, 1)},
        {"ui2", make(Unsigned, 2)},
        {"ui4", make(Unsigned, 4)},
        {"boolean", Bool2},
        {"r8", make(Float, 8)},
        {"date", make(Date, 4)},
        {"time", make(Time, 4)},
        {"dateTime", DateTime8},
        {"string", Text2},
        {"string.uni", make(WideText, 2, VariableFlag)},
        {"bin.hex", Blob4},
        {"IntArray", make(Signed, 4, ArrayFlag)},
        {"UIntArray", make(Unsigned, 4, ArrayFlag)},
    };
    return types.value(n.toByteArray(), 0);
}

quint32 propertyType(QByteArrayView name) {
    for (const char* n : {"WIDTH", "DECIMALS", "CALCULATED"})
        if (name.compare(n, Qt::CaseInsensitive) == 0)
            return UInt2;
    for (const char* n : {"AUTOINCVALUE", "LCID"})
        if (name.compare(n, Qt::CaseInsensitive) == 0)
            return Int4;
    return Text2;
}

PacketProperty param(const Tag& t, bool utf8) {
    const Attribute* name = t.find("Name");
    const Attribute* value = t.find("Value");
    if (!name || !value)
        mismatch();
    PacketProperty p;
    p.name = decodeBytes(name->raw, utf8);
    const Attribute* type = t.find("Type");
    p.type = type ? typeOfName(type->raw) : Text2;
    if (p.type == 0)
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    p.value = parseValue(p.type, value->raw, utf8, false);
    if (const Attribute* rt = t.find("Roundtrip"); rt && rt->raw.compare("True", Qt::CaseInsensitive) == 0)
        p.type |= 0x80000000;
    return p;
}

// The PARAM children of an element that has an end tag.
void params(Parser& in, QByteArrayView parent, QList<PacketProperty>& out) {
    for (;;) {
        const Tag t = in.next();
        if (t.end && t.name == parent)
            return;
        if (t.end || t.name != "PARAM")
            mismatch();
        out.append(param(t, in.utf8));
        if (!t.selfClosing) {
            const Tag close = in.next();
            if (!close.end || close.name != "PARAM")
                mismatch();
        }
    }
}

Tag expectStart(Parser& in, QByteArrayView name) {
    const Tag t = in.next();
    if (t.end || t.name != name)
        mismatch();
    return t;
}

// Type code of a column from its fieldtype and WIDTH attributes.
quint32 columnType(QByteArrayView fieldtype, const QList<PacketProperty>& props, int widthAttributes,
                   quint32 firstWidth) {
    quint32 declared = 0;
    for (const PacketProperty& p : props)
        if (p.name.compare("WIDTH", Qt::CaseInsensitive) == 0)
            declared = quint32(qMin<quint64>(p.value.toULongLong(), 0xFFFF));
    if (fieldtype == "string")
        return declared + 1 > 254 ? Text2 : Text1;
    if (fieldtype == "string.uni")
        return make(WideText, (declared + 1) * 2 > 254 ? 2 : 1, VariableFlag);
    if (fieldtype == "bin.hex") {
        // A fixed-size bytes column carries its size in a WIDTH before its properties; a
        // variable one has a WIDTH only as a declared width, after its SUBTYPE.
        bool subtype = false;
        for (const PacketProperty& p : props)
            subtype = subtype || p.name.compare("SUBTYPE", Qt::CaseInsensitive) == 0;
        if (firstWidth > 0 && (widthAttributes >= 2 || (widthAttributes == 1 && !subtype)))
            return make(Bytes, firstWidth);
        return Blob4;
    }
    const quint32 t = typeOfName(fieldtype);
    if (t == 0 || isArray(t))
        DataPacketError::raise(DataPacketError::InvalidFieldType);
    return t;
}

PacketColumn column(const Tag& t, bool utf8, QByteArray* attrName) {
    PacketColumn c;
    const Attribute* attr = t.find("attrname");
    const Attribute* type = t.find("fieldtype");
    if (!attr || !type)
        mismatch();
    *attrName = decodeBytes(attr->raw, utf8);
    const Attribute* fieldname = t.find("fieldname");
    c.name = fieldname ? decodeBytes(fieldname->raw, utf8) : *attrName;
    if (c.name.isEmpty())
        DataPacketError::raise(DataPacketError::NullFieldName);
    int widths = 0;
    quint32 firstWidth = 0;
    bool firstWidthSkipped = false;
    for (const Attribute& a : t.attributes) {
        if (a.name == "attrname" || a.name == "fieldname" || a.name == "fieldtype")
            continue;
        const bool flag = a.raw.compare("true", Qt::CaseInsensitive) == 0;
        if (a.name == "readonly") {
            c.attributes |= flag ? DataPacketAttr::ReadOnly : 0;
            continue;
        }
        if (a.name == "required") {
            c.attributes |= flag ? DataPacketAttr::Required : 0;
            continue;
        }
        if (a.name == "hidden") {
            c.attributes |= flag ? DataPacketAttr::Hidden : 0;
            continue;
        }
        if (a.name == "linkfield") {
            c.attributes |= flag ? DataPacketAttr::LinkField : 0;
            continue;
        }
        PacketProperty p;
        p.name = a.name.toByteArray();
        p.type = propertyType(a.name);
        p.value = parseValue(p.type, a.raw, utf8, false);
        if (p.name == "WIDTH") {
            if (++widths == 1)
                firstWidth = quint32(qMin<quint64>(p.value.toULongLong(), 0xFFFF));
        }
        c.properties.append(p);
    }
    c.type = columnType(type->raw, c.properties, widths, firstWidth);
    // The WIDTH that gave a fixed bytes column its size is part of the type, not a property.
    if (logical(c.type) == Bytes && !isVariable(c.type)) {
        for (qsizetype i = 0; i < c.properties.size() && !firstWidthSkipped; ++i)
            if (c.properties[i].name == "WIDTH") {
                c.properties.removeAt(i);
                firstWidthSkipped = true;
            }
    }
    return c;
}

void packetProperties(const Tag& t, bool utf8, QList<PacketProperty>& out) {
    for (const Attribute& a : t.attributes) {
        PacketProperty p;
        p.name = a.name.toByteArray();
        p.type = propertyType(a.name);
        p.value = parseValue(p.type, a.raw, utf8, false);
        out.append(p);
    }
}

// A number that its column's width cannot hold is refused rather than wrapped around (70000 in
// a two-byte column is no 4464).
void checkRange(const PacketColumn& c, const QVariant& v, QByteArrayView raw) {
    const quint32 w = width(c.type);
    if (isArray(c.type) || w >= 8 || (logical(c.type) != Signed && logical(c.type) != Unsigned))
        return;
    bool fits;
    if (logical(c.type) == Signed) {
        const qint64 n = v.toLongLong(), limit = qint64(1) << (8 * w - 1);
        fits = n >= -limit && n < limit;
    } else {
        fits = v.toULongLong() < (quint64(1) << (8 * w));
    }
    if (!fits)
        throw VarnoError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                             .arg(QString::fromLatin1(raw.trimmed()), Cp1252::decode(c.name)));
}

} // namespace

DataPacket XmlPacketReader::read(const QByteArray& data) {
    Parser in(data);
    in.prolog();
    const Tag root = expectStart(in, "DATAPACKET");
    if (root.selfClosing)
        mismatch();
    if (expectStart(in, "METADATA").selfClosing)
        mismatch();
    const Tag fields = expectStart(in, "FIELDS");

    DataPacket packet;
    QHash<QByteArray, int> byAttrName;
    QList<bool> textSubtype;
    if (!fields.selfClosing) {
        for (;;) {
            const Tag t = in.next();
            if (t.end && t.name == "FIELDS")
                break;
            if (t.end || t.name != "FIELD")
                mismatch();
            QByteArray attrName;
            PacketColumn c = column(t, in.utf8, &attrName);
            if (!t.selfClosing)
                params(in, "FIELD", c.properties);
            byAttrName.insert(attrName, int(packet.columns.size()));
            const PacketProperty* subtype = c.property("SUBTYPE");
            textSubtype.append(subtype &&
                               subtype->value.toByteArray().compare("Text", Qt::CaseInsensitive) == 0);
            packet.columns.append(std::move(c));
            if (packet.columns.size() > 0xFFFF)
                mismatch();
        }
    }
    if (packet.columns.isEmpty())
        mismatch();

    Tag t = in.next();
    if (!t.end && t.name == "PARAMS") {
        packetProperties(t, in.utf8, packet.properties);
        if (!t.selfClosing)
            params(in, "PARAMS", packet.properties);
        t = in.next();
    }
    if (!t.end || t.name != "METADATA")
        mismatch();

    const Tag rowdata = expectStart(in, "ROWDATA");
    if (!rowdata.selfClosing) {
        const qsizetype n = packet.columns.size();
        // The rows are counted (an upper bound: every "<ROW" tag that follows) and checked
        // against the cell budget before the first one is made.
        qsizetype tags = 0;
        const QByteArrayView rest = in.rest();
        for (qsizetype at = rest.indexOf("<ROW"); at >= 0; at = rest.indexOf("<ROW", at + 4)) {
            const char after = at + 4 < rest.size() ? rest[at + 4] : '\0';
            if (after == '/' || after == '>' || isSpace(after))
                ++tags;
        }
        DataPacketError::checkCells(tags, n, data.size());
        packet.rows.reserve(tags);
        for (;;) {
            const Tag r = in.next();
            if (r.end && r.name == "ROWDATA")
                break;
            if (r.end || r.name != "ROW")
                mismatch();
            DataPacketError::checkCells(packet.rows.size() + 1, n, data.size());
            PacketRow row;
            row.values = QList<QVariant>(n); // exactly as many as needed: resize() would round up
            row.states = QList<CellState>(n, CellState::Null);
            for (const Attribute& a : r.attributes) {
                if (a.name == "RowState") {
                    row.status = quint8(parseUnsigned(a.raw));
                    continue;
                }
                const int j = byAttrName.value(a.name.toByteArray(), -1);
                if (j < 0)
                    continue; // an attribute of no column
                row.values[j] = parseValue(packet.columns[j].type, a.raw, in.utf8, textSubtype[j]);
                checkRange(packet.columns[j], row.values[j], a.raw);
                row.states[j] = CellState::Value;
            }
            if (!r.selfClosing) {
                const Tag close = in.next();
                if (!close.end || close.name != "ROW")
                    mismatch();
            }
            packet.rows.append(std::move(row));
        }
    }
    const Tag close = in.next();
    if (!close.end || close.name != "DATAPACKET")
        mismatch();
    return packet;
}
