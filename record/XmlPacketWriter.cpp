#include "XmlPacketWriter.h"

#include "Cp1252.h"

#include <QDate>
#include <algorithm>
#include <cstring>

using namespace DataPacketType;

namespace {

constexpr char Declaration[] = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";

// The document is written through a raw pointer into a buffer that grows by doubling: each piece
// costs a bounds check and a memcpy, not a call into QByteArray.
class Sink {
public:
    explicit Sink(qsizetype estimate) {
        m_buf.resize(qMax<qsizetype>(estimate, 256));
        m_p = m_buf.data();
        m_end = m_p + m_buf.size();
    }
    // Makes room for n more bytes and returns where they go; commit() then says how many were
    // written.
    char* room(qsizetype n) {
        if (m_end - m_p < n)
            grow(n);
        return m_p;
    }
    void commit(char* to) { m_p = to; }
    bool hasRoom(qsizetype n) const { return m_end - m_p >= n; }
    void put(const char* s, qsizetype n) {
        memcpy(room(n), s, size_t(n));
        m_p += n;
    }
    void put(QByteArrayView v) { put(v.data(), v.size()); }
    template <size_t N> void put(const char (&s)[N]) { put(s, qsizetype(N - 1)); }
    void put(char c) {
        *room(1) = c;
        ++m_p;
    }
    QByteArray take() {
        m_buf.truncate(m_p - m_buf.constData());
        return std::move(m_buf);
    }

private:
    void grow(qsizetype n) {
        const qsizetype used = m_p - m_buf.data();
        m_buf.resize(qMax(m_buf.size() * 2, used + n));
        m_p = m_buf.data() + used;
        m_end = m_buf.data() + m_buf.size();
    }

    QByteArray m_buf;
    char* m_p = nullptr;
    char* m_end = nullptr;
};

// The nine bytes that are escaped, with their replacements; 0 for every byte copied as it is.
struct EscapeTable {
    const char* rep[256] = {};
    quint8 len[256] = {};
    constexpr EscapeTable() {
        set('<', "&lt;");
        set('>', "&gt;");
        set('&', "&amp;");
        set('\'', "&apos;");
        set('"', "&quot;");
        set('\r', "&#013;");
        set('\n', "&#010;");
        set('\t', "&#009;");
        set('\\', "&#092;");
    }
    constexpr void set(char c, const char* r) {
        rep[quint8(c)] = r;
        quint8 n = 0;
        while (r[n])
            ++n;
        len[quint8(c)] = n;
    }
};
constexpr EscapeTable Escapes;
constexpr int MaxEscape = 6; // "&apos;", "&quot;", "&#013;" ...

void putEscaped(Sink& out, const char* data, qsizetype size) {
    // Room for the text at once, then no further check: for the worst case (every byte escaped)
    // when the buffer has it, else for the exact length.
    qsizetype need = size * MaxEscape;
    const char* end = data + size;
    if (!out.hasRoom(need)) {
        need = size;
        for (const char* p = data; p < end; ++p)
            need += Escapes.len[quint8(*p)] ? Escapes.len[quint8(*p)] - 1 : 0;
    }
    char* to = out.room(need);
    for (const char* p = data; p < end; ++p) {
        const quint8 c = quint8(*p);
        if (const quint8 n = Escapes.len[c]) {
            memcpy(to, Escapes.rep[c], n);
            to += n;
        } else {
            *to++ = char(c);
        }
    }
    out.commit(to);
}

constexpr char Base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two base64 characters for every 12 bits.
struct Base64Pairs {
    char pair[4096][2] = {};
    constexpr Base64Pairs() {
        for (int i = 0; i < 4096; ++i) {
            pair[i][0] = Base64Alphabet[i >> 6];
            pair[i][1] = Base64Alphabet[i & 63];
        }
    }
};
constexpr Base64Pairs Base64;

void putBase64(Sink& out, const char* data, qsizetype size) {
    const auto* in = reinterpret_cast<const quint8*>(data);
    char* to = out.room((size + 2) / 3 * 4);
    qsizetype i = 0;
    for (; i + 3 <= size; i += 3) {
        const quint32 v = quint32(in[i]) << 16 | quint32(in[i + 1]) << 8 | in[i + 2];
        memcpy(to, Base64.pair[v >> 12], 2);
        memcpy(to + 2, Base64.pair[v & 0xFFF], 2);
        to += 4;
    }
    if (size - i == 1) {
        const quint32 v = quint32(in[i]) << 16;
        memcpy(to, Base64.pair[v >> 12], 2);
        to[2] = '=';
        to[3] = '=';
        to += 4;
    } else if (size - i == 2) {
        const quint32 v = quint32(in[i]) << 16 | quint32(in[i + 1]) << 8;
        memcpy(to, Base64.pair[v >> 12], 2);
        to[2] = Base64Alphabet[(v >> 6) & 63];
        to[3] = '=';
        to += 4;
    }
    out.commit(to);
}

[[noreturn]] void unsupportedType() {
    DataPacketError::raise(DataPacketError::XmlFieldType);
}

void appendNumber(Sink& out, quint64 v, int digits) {
    char buf[24];
    int n = 0;
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0 || n < digits);
    char* to = out.room(n);
    while (n > 0)
        *to++ = buf[--n];
    out.commit(to);
}

void appendSigned(Sink& out, qint64 v) {
    if (v < 0) {
        out.put('-');
        appendNumber(out, quint64(0) - quint64(v), 1);
    } else {
        appendNumber(out, quint64(v), 1);
    }
}

void appendDate(Sink& out, qint64 day) {
    const QDate d = DataPacketTime::dateOfDay(day);
    if (!d.isValid())
        DataPacketError::raise(DataPacketError::Mismatch);
    appendNumber(out, quint64(d.year()), 4);
    appendNumber(out, quint64(d.month()), 2);
    appendNumber(out, quint64(d.day()), 2);
}

void appendTime(Sink& out, qint64 ms) {
    if (ms < 0 || ms >= DataPacketTime::MsPerDay)
        DataPacketError::raise(DataPacketError::Mismatch);
    appendNumber(out, quint64(ms / 3600000), 2);
    out.put(':');
    appendNumber(out, quint64(ms / 60000 % 60), 2);
    out.put(':');
    appendNumber(out, quint64(ms % 60000), 5);
}

void appendWide(Sink& out, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() != 0 && Cp1252::canEncode(c)) {
            const QByteArray b = Cp1252::encode(QString(c));
            putEscaped(out, b.constData(), b.size());
        } else if (c.unicode() == 0) {
            return;
        } else {
            out.put("&#");
            appendNumber(out, c.unicode(), 1);
            out.put(';');
        }
    }
}

// The text form of a value of the given type; subtypeText marks a memo's bytes.
void appendValue(Sink& out, quint32 type, const QVariant& v, bool subtypeText) {
    if (isArray(type)) {
        const quint32 element = type & ~(ArrayFlag | VariableFlag);
        const QVariantList list = v.toList();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i > 0)
                out.put(' ');
            appendValue(out, element, list[i], false);
        }
        return;
    }
    switch (logical(type)) {
    case Signed:
        appendSigned(out, v.toLongLong());
        return;
    case Unsigned:
        appendNumber(out, v.toULongLong(), 1);
        return;
    case Boolean:
        if (v.toBool())
            out.put("TRUE");
        else
            out.put("FALSE");
        return;
    case Float:
        out.put(QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
        return;
    case Date:
        appendDate(out, v.toLongLong());
        return;
    case Time:
        appendTime(out, v.toLongLong());
        return;
    case DateTime: {
        qint64 day = 0, ms = 0;
        if (!DataPacketTime::split(v.toDouble(), &day, &ms, true))
            DataPacketError::raise(DataPacketError::Mismatch);
        appendDate(out, day);
        if (ms != 0) {
            out.put('T');
            appendTime(out, ms);
        }
        return;
    }
    case Text: {
        const QByteArray b = v.toByteArray(); // shared with the variant, not copied
        const char* z = static_cast<const char*>(memchr(b.constData(), 0, size_t(b.size())));
        putEscaped(out, b.constData(), z ? z - b.constData() : b.size());
        return;
    }
    case WideText:
        appendWide(out, v.toString());
        return;
    case Bytes: {
        const QByteArray b = v.toByteArray();
        if (subtypeText)
            putEscaped(out, b.constData(), b.size());
        else
            putBase64(out, b.constData(), b.size()); // the base64 alphabet needs no escape
        return;
    }
    default:
        unsupportedType();
    }
}

void appendAttribute(Sink& out, QByteArrayView name, QByteArrayView value) {
    out.put(' ');
    out.put(name);
    out.put("=\"");
    out.put(value);
    out.put('"');
}

// Writes the attribute properties of a list and returns the others (PARAM elements).
QList<const PacketProperty*> appendProperties(Sink& out, const QList<PacketProperty>& props) {
    QList<const PacketProperty*> params;
    for (const PacketProperty& p : props) {
        if (!XmlPacketWriter::isAttributeProperty(p.name)) {
            params.append(&p);
            continue;
        }
        out.put(' ');
        putEscaped(out, p.name.constData(), p.name.size());
        out.put("=\"");
        appendValue(out, p.type, p.value, false);
        out.put('"');
    }
    return params;
}

void appendParams(Sink& out, const QList<const PacketProperty*>& params) {
    for (const PacketProperty* p : params) {
        out.put("<PARAM Name=\"");
        putEscaped(out, p->name.constData(), p->name.size());
        out.put("\" Value=\"");
        appendValue(out, p->type, p->value, false);
        out.put('"');
        if (logical(p->type) != Text || isArray(p->type)) {
            const QByteArray name = XmlPacketWriter::typeName(p->type);
            if (name.isEmpty())
                unsupportedType();
            appendAttribute(out, "Type", name);
        }
        if (p->type & 0x80000000)
            appendAttribute(out, "Roundtrip", "True");
        out.put("/>");
    }
}

} // namespace

namespace {

bool altersInName(char c) {
    return c == ' ' || c == '(' || c == ')' || c == '#' || c == '*' || c == '!' || c == '$' || c == '%' ||
           c == '?';
}

// The fieldtype name as a literal; empty when the type has none.
QByteArrayView typeNameOf(quint32 type) {
    const quint32 lt = logical(type), w = width(type);
    if (isArray(type)) {
        if (lt == Signed)
            return "IntArray";
        if (lt == Unsigned)
            return "UIntArray";
        return {};
    }
    switch (lt) {
    case Signed:
        return w == 1 ? "i1" : w == 2 ? "i2" : w == 4 ? "i4" : w == 8 ? "i8" : QByteArrayView();
    case Unsigned:
        return w == 1 ? "ui1" : w == 2 ? "ui2" : w == 4 ? "ui4" : QByteArrayView();
    case Boolean:
        return "boolean";
    case Float:
        return w == 8 ? "r8" : QByteArrayView();
    case Bcd:
        return "fixed";
    case Date:
        return "date";
    case Time:
        return "time";
    case DateTime:
        return "dateTime";
    case Text:
        return "string";
    case WideText:
        return "string.uni";
    case Bytes:
        return "bin.hex";
    case NestedTable:
        return "nested";
    case SqlTimeStamp:
        return "SQLdateTime";
    case FormattedBcd:
        return "fixedFMT";
    default:
        return {};
    }
}

} // namespace

QByteArray XmlPacketWriter::alteredName(const QByteArray& name) {
    // Names that need no change (all of the form's) are shared, not copied.
    if (std::none_of(name.cbegin(), name.cend(), altersInName))
        return name;
    QByteArray out = name;
    for (char& c : out)
        if (altersInName(c))
            c = '_';
    return out;
}

QByteArray XmlPacketWriter::typeName(quint32 type) {
    return typeNameOf(type).toByteArray();
}

bool XmlPacketWriter::isAttributeProperty(const QByteArray& name) {
    static constexpr QByteArrayView names[] = {
        "UNIQUE_KEY", "DEFAULT_ORDER", "CHANGE_LOG",   "SERVER_COL", "DATASET_DELTA", "READONLY",
        "SUBTYPE",    "DECIMALS",      "WIDTH",        "LCID",       "AUTOINCVALUE",  "TABLENAME",
        "TYPENAME",   "UPDATEMODE",    "MD_SEMANTICS", "CALCULATED", "DELTA",         "PRIMARY_KEY",
        "MINVALUE",   "MAXVALUE",      "DEFVALUE"};
    for (QByteArrayView n : names)
        if (n.size() == name.size() && n.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {

// The FIELD elements of a list of columns, with the names and kinds their row values need.
struct RenderedFields {
    QList<PacketColumn> columns;
    QByteArray text;
    QList<QByteArray> attrNames;
    QList<bool> textSubtype;
};

RenderedFields renderFields(const QList<PacketColumn>& columns) {
    RenderedFields r;
    r.columns = columns;
    Sink out(256 + columns.size() * 64);
    for (const PacketColumn& c : columns) {
        if (c.name == "RowState")
            DataPacketError::raise(DataPacketError::NotApplicable);
        const QByteArrayView type = typeNameOf(c.type);
        if (type.isEmpty())
            unsupportedType();
        const QByteArray altered = XmlPacketWriter::alteredName(c.name);
        r.attrNames.append(altered);
        const PacketProperty* subtype = c.property("SUBTYPE");
        r.textSubtype.append(subtype &&
                             subtype->value.toByteArray().compare("Text", Qt::CaseInsensitive) == 0);

        out.put("<FIELD");
        if (altered != c.name) {
            out.put(" fieldname=\"");
            putEscaped(out, c.name.constData(), c.name.size());
            out.put('"');
        }
        out.put(" attrname=\"");
        putEscaped(out, altered.constData(), altered.size());
        out.put('"');
        appendAttribute(out, "fieldtype", type);
        if (c.attributes & DataPacketAttr::ReadOnly)
            appendAttribute(out, "readonly", "true");
        if (c.attributes & DataPacketAttr::Required)
            appendAttribute(out, "required", "true");
        if (c.attributes & DataPacketAttr::Hidden)
            appendAttribute(out, "hidden", "true");
        if (c.attributes & DataPacketAttr::LinkField)
            appendAttribute(out, "linkfield", "true");
        if (logical(c.type) == Bytes && !isVariable(c.type)) {
            out.put(" WIDTH=\"");
            appendNumber(out, width(c.type), 1);
            out.put('"');
        }
        const QList<const PacketProperty*> params = appendProperties(out, c.properties);
        if (params.isEmpty()) {
            out.put("/>");
        } else {
            out.put('>');
            appendParams(out, params);
            out.put("</FIELD>");
        }
    }
    r.text = out.take();
    return r;
}

} // namespace

void XmlPacketWriter::appendEscaped(QByteArray& out, const char* data, qsizetype size) {
    Sink sink(size * MaxEscape);
    putEscaped(sink, data, size);
    out.append(sink.take());
}

void XmlPacketWriter::appendBase64(QByteArray& out, const char* data, qsizetype size) {
    Sink sink((size + 2) / 3 * 4);
    putBase64(sink, data, size);
    out.append(sink.take());
}

QByteArray XmlPacketWriter::write(const DataPacket& packet) {
    // Rough size: the metadata plus the values, base64 taking a third more than the bytes.
    qsizetype estimate = 256 + packet.columns.size() * 64;
    for (const PacketRow& r : packet.rows)
        for (const QVariant& v : r.values)
            if (v.typeId() == QMetaType::QByteArray)
                estimate += v.toByteArray().size() * 4 / 3 + 64;
    Sink out(estimate);
    out.put(Declaration);
    out.put("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");

    // Forms one after another have the same columns (shared from the dataset's packet): their
    // FIELD elements are rendered once.
    thread_local RenderedFields fields;
    if (packet.columns != fields.columns || fields.text.isEmpty())
        fields = renderFields(packet.columns);
    const QList<QByteArray>& attrNames = fields.attrNames;
    const QList<bool>& textSubtype = fields.textSubtype;
    out.put(fields.text);
    out.put("</FIELDS><PARAMS");
    const QList<const PacketProperty*> params = appendProperties(out, packet.properties);
    if (params.isEmpty()) {
        out.put("/>");
    } else {
        out.put('>');
        appendParams(out, params);
        out.put("</PARAMS>");
    }
    out.put("</METADATA><ROWDATA>");

    for (const PacketRow& row : packet.rows) {
        out.put("<ROW");
        if (row.status != 0) {
            out.put(" RowState=\"");
            appendNumber(out, row.status, 1);
            out.put('"');
        }
        for (qsizetype j = 0; j < packet.columns.size(); ++j) {
            const CellState s = j < row.states.size() ? row.states[j] : CellState::Null;
            if (s == CellState::NotIncluded)
                DataPacketError::raise(DataPacketError::XmlDelayedFetch);
            if (s != CellState::Value)
                continue;
            out.put(' ');
            putEscaped(out, attrNames[j].constData(), attrNames[j].size());
            out.put("=\"");
            appendValue(out, packet.columns[j].type, row.values.value(j), textSubtype[j]);
            out.put('"');
        }
        out.put("/>");
    }
    out.put("</ROWDATA></DATAPACKET>");
    return out.take();
}
