#include "XmlPacketWriter.h"

#include "Cp1252.h"

#include <QDate>

using namespace DataPacketType;

namespace {

const QByteArray Declaration("<?xml version=\"1.0\" standalone=\"yes\"?>  ");

[[noreturn]] void unsupportedType() {
    DataPacketError::raise(DataPacketError::XmlFieldType);
}

void appendNumber(QByteArray& out, quint64 v, int digits) {
    char buf[24];
    int n = 0;
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0 || n < digits);
    while (n > 0)
        out.append(buf[--n]);
}

void appendSigned(QByteArray& out, qint64 v) {
    if (v < 0) {
        out.append('-');
        appendNumber(out, quint64(0) - quint64(v), 1);
    } else {
        appendNumber(out, quint64(v), 1);
    }
}

void appendDate(QByteArray& out, qint64 day) {
    const QDate d = DataPacketTime::dateOfDay(day);
    if (!d.isValid())
        DataPacketError::raise(DataPacketError::Mismatch);
    appendNumber(out, quint64(d.year()), 4);
    appendNumber(out, quint64(d.month()), 2);
    appendNumber(out, quint64(d.day()), 2);
}

void appendTime(QByteArray& out, qint64 ms) {
    if (ms < 0 || ms >= DataPacketTime::MsPerDay)
        DataPacketError::raise(DataPacketError::Mismatch);
    appendNumber(out, quint64(ms / 3600000), 2);
    out.append(':');
    appendNumber(out, quint64(ms / 60000 % 60), 2);
    out.append(':');
    appendNumber(out, quint64(ms % 60000), 5);
}

void appendWide(QByteArray& out, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() != 0 && Cp1252::canEncode(c)) {
            const QByteArray b = Cp1252::encode(QString(c));
            XmlPacketWriter::appendEscaped(out, b.constData(), b.size());
        } else if (c.unicode() == 0) {
            return;
        } else {
            out.append("&#");
            appendNumber(out, c.unicode(), 1);
            out.append(';');
        }
    }
}

// The text form of a value of the given type; subtypeText marks a memo's bytes.
void appendValue(QByteArray& out, quint32 type, const QVariant& v, bool subtypeText) {
    if (isArray(type)) {
        const quint32 element = type & ~(ArrayFlag | VariableFlag);
        const QVariantList list = v.toList();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (i > 0)
                out.append(' ');
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
        out.append(v.toBool() ? "TRUE" : "FALSE");
        return;
    case Float:
        out.append(QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest));
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
            out.append('T');
            appendTime(out, ms);
        }
        return;
    }
    case Text: {
        const QByteArray b = v.toByteArray();
        const qsizetype z = b.indexOf('\0');
        XmlPacketWriter::appendEscaped(out, b.constData(), z >= 0 ? z : b.size());
        return;
    }
    case WideText:
        appendWide(out, v.toString());
        return;
    case Bytes: {
        const QByteArray b = v.toByteArray();
        if (subtypeText)
            XmlPacketWriter::appendEscaped(out, b.constData(), b.size());
        else
            out.append(b.toBase64()); // the base64 alphabet needs no escape
        return;
    }
    default:
        unsupportedType();
    }
}

void appendAttribute(QByteArray& out, const QByteArray& name, const char* value) {
    out.append(' ');
    out.append(name);
    out.append("=\"");
    out.append(value);
    out.append('"');
}

// Writes the attribute properties of a list and returns the others (PARAM elements).
QList<const PacketProperty*> appendProperties(QByteArray& out, const QList<PacketProperty>& props) {
    QList<const PacketProperty*> params;
    for (const PacketProperty& p : props) {
        if (!XmlPacketWriter::isAttributeProperty(p.name)) {
            params.append(&p);
            continue;
        }
        out.append(' ');
        XmlPacketWriter::appendEscaped(out, p.name.constData(), p.name.size());
        out.append("=\"");
        appendValue(out, p.type, p.value, false);
        out.append('"');
    }
    return params;
}

void appendParams(QByteArray& out, const QList<const PacketProperty*>& params) {
    for (const PacketProperty* p : params) {
        out.append("<PARAM Name=\"");
        XmlPacketWriter::appendEscaped(out, p->name.constData(), p->name.size());
        out.append("\" Value=\"");
        appendValue(out, p->type, p->value, false);
        out.append('"');
        if (logical(p->type) != Text || isArray(p->type)) {
            const QByteArray name = XmlPacketWriter::typeName(p->type);
            if (name.isEmpty())
                unsupportedType();
            appendAttribute(out, "Type", name.constData());
        }
        if (p->type & 0x80000000)
            appendAttribute(out, "Roundtrip", "True");
        out.append("/>");
    }
}

} // namespace

QByteArray XmlPacketWriter::alteredName(const QByteArray& name) {
    QByteArray out = name;
    for (char& c : out)
        if (c == ' ' || c == '(' || c == ')' || c == '#' || c == '*' || c == '!' || c == '$' || c == '%' ||
            c == '?')
            c = '_';
    return out;
}

QByteArray XmlPacketWriter::typeName(quint32 type) {
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
        return w == 1 ? "i1" : w == 2 ? "i2" : w == 4 ? "i4" : w == 8 ? "i8" : QByteArray();
    case Unsigned:
        return w == 1 ? "ui1" : w == 2 ? "ui2" : w == 4 ? "ui4" : QByteArray();
    case Boolean:
        return "boolean";
    case Float:
        return w == 8 ? "r8" : QByteArray();
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

bool XmlPacketWriter::isAttributeProperty(const QByteArray& name) {
    static const char* const names[] = {
        "UNIQUE_KEY", "DEFAULT_ORDER", "CHANGE_LOG",   "SERVER_COL", "DATASET_DELTA", "READONLY",
        "SUBTYPE",    "DECIMALS",      "WIDTH",        "LCID",       "AUTOINCVALUE",  "TABLENAME",
        "TYPENAME",   "UPDATEMODE",    "MD_SEMANTICS", "CALCULATED", "DELTA",         "PRIMARY_KEY",
        "MINVALUE",   "MAXVALUE",      "DEFVALUE"};
    for (const char* n : names)
        if (name.compare(n, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void XmlPacketWriter::appendEscaped(QByteArray& out, const char* data, qsizetype size) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char* rep = nullptr;
        switch (data[i]) {
        case '<':
            rep = "&lt;";
            break;
        case '>':
            rep = "&gt;";
            break;
        case '&':
            rep = "&amp;";
            break;
        case '\'':
            rep = "&apos;";
            break;
        case '"':
            rep = "&quot;";
            break;
        case '\r':
            rep = "&#013;";
            break;
        case '\n':
            rep = "&#010;";
            break;
        case '\t':
            rep = "&#009;";
            break;
        case '\\':
            rep = "&#092;";
            break;
        default:
            continue;
        }
        out.append(data + start, i - start);
        out.append(rep);
        start = i + 1;
    }
    out.append(data + start, size - start);
}

QByteArray XmlPacketWriter::write(const DataPacket& packet) {
    // Rough size: the metadata plus the values, base64 taking a third more than the bytes.
    qsizetype estimate = 256 + packet.columns.size() * 64;
    for (const PacketRow& r : packet.rows)
        for (const QVariant& v : r.values)
            if (v.typeId() == QMetaType::QByteArray)
                estimate += v.toByteArray().size() * 4 / 3 + 64;
    QByteArray out;
    out.reserve(estimate);
    out.append(Declaration);
    out.append("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");

    QList<QByteArray> attrNames;
    QList<bool> textSubtype;
    for (const PacketColumn& c : packet.columns) {
        if (c.name == "RowState")
            DataPacketError::raise(DataPacketError::NotApplicable);
        const QByteArray type = typeName(c.type);
        if (type.isEmpty())
            unsupportedType();
        const QByteArray altered = alteredName(c.name);
        attrNames.append(altered);
        const PacketProperty* subtype = c.property("SUBTYPE");
        textSubtype.append(subtype && subtype->value.toByteArray().compare("Text", Qt::CaseInsensitive) == 0);

        out.append("<FIELD");
        if (altered != c.name) {
            out.append(" fieldname=\"");
            appendEscaped(out, c.name.constData(), c.name.size());
            out.append('"');
        }
        out.append(" attrname=\"");
        appendEscaped(out, altered.constData(), altered.size());
        out.append('"');
        appendAttribute(out, "fieldtype", type.constData());
        if (c.attributes & DataPacketAttr::ReadOnly)
            appendAttribute(out, "readonly", "true");
        if (c.attributes & DataPacketAttr::Required)
            appendAttribute(out, "required", "true");
        if (c.attributes & DataPacketAttr::Hidden)
            appendAttribute(out, "hidden", "true");
        if (c.attributes & DataPacketAttr::LinkField)
            appendAttribute(out, "linkfield", "true");
        if (logical(c.type) == Bytes && !isVariable(c.type)) {
            out.append(" WIDTH=\"");
            appendNumber(out, width(c.type), 1);
            out.append('"');
        }
        const QList<const PacketProperty*> params = appendProperties(out, c.properties);
        if (params.isEmpty()) {
            out.append("/>");
        } else {
            out.append('>');
            appendParams(out, params);
            out.append("</FIELD>");
        }
    }
    out.append("</FIELDS><PARAMS");
    const QList<const PacketProperty*> params = appendProperties(out, packet.properties);
    if (params.isEmpty()) {
        out.append("/>");
    } else {
        out.append('>');
        appendParams(out, params);
        out.append("</PARAMS>");
    }
    out.append("</METADATA><ROWDATA>");

    for (const PacketRow& row : packet.rows) {
        out.append("<ROW");
        if (row.status != 0) {
            out.append(" RowState=\"");
            appendNumber(out, row.status, 1);
            out.append('"');
        }
        for (qsizetype j = 0; j < packet.columns.size(); ++j) {
            const CellState s = j < row.states.size() ? row.states[j] : CellState::Null;
            if (s == CellState::NotIncluded)
                DataPacketError::raise(DataPacketError::XmlDelayedFetch);
            if (s != CellState::Value)
                continue;
            out.append(' ');
            appendEscaped(out, attrNames[j].constData(), attrNames[j].size());
            out.append("=\"");
            appendValue(out, packet.columns[j].type, row.values.value(j), textSubtype[j]);
            out.append('"');
        }
        out.append("/>");
    }
    out.append("</ROWDATA></DATAPACKET>");
    return out;
}
