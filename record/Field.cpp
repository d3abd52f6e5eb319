#include "Field.h"

#include "Cp1252.h"
#include "Dataset.h"
#include "VarnoError.h"

#include <limits>

bool Field::bound() const {
    return m_dataset->active() && m_column >= 0;
}

bool Field::isNull() const {
    return !value().isValid();
}

QVariant Field::value() const {
    return bound() ? m_dataset->value(m_column) : QVariant();
}

void Field::setValue(const QVariant& value) {
    if (!bound())
        throw VarnoError(m_dataset->active()
                             ? QStringLiteral("Field '%1' not found").arg(name())
                             : QStringLiteral("Cannot perform this operation on a closed dataset"));
    m_dataset->setValue(m_column, value);
}

void Field::clear() {
    setValue(QVariant());
}

QString Field::asString() const {
    const QVariant v = value();
    if (!v.isValid())
        return {};
    switch (kind()) {
    case FieldKind::String:
    case FieldKind::Memo:
        return Cp1252::decode(v.toByteArray());
    case FieldKind::Graphic:
    case FieldKind::Blob:
        return QString::fromLatin1(v.toByteArray());
    case FieldKind::Boolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldKind::DateTime: {
        const QDateTime dt = v.toDateTime();
        QString s = dt.date().toString(QStringLiteral("dd/MM/yyyy"));
        if (dt.time() != QTime(0, 0))
            s += dt.time().toString(QStringLiteral(" hh:mm:ss"));
        return s;
    }
    case FieldKind::Float:
        return QString::number(v.toDouble());
    case FieldKind::Date:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case FieldKind::Time:
        return v.toTime().toString(QStringLiteral("hh:mm:ss"));
    case FieldKind::WideString:
        return v.toString();
    default:
        return QString::number(v.toLongLong());
    }
}

void Field::setAsString(const QString& text) {
    switch (kind()) {
    case FieldKind::String:
    case FieldKind::Memo:
        setValue(Cp1252::encode(text));
        return;
    case FieldKind::Graphic:
    case FieldKind::Blob:
        setValue(text.toLatin1());
        return;
    case FieldKind::WideString:
        setValue(text);
        return;
    case FieldKind::Float: {
        if (text.trimmed().isEmpty()) {
            clear();
            return;
        }
        bool ok = false;
        const double d = text.trimmed().toDouble(&ok);
        if (!ok)
            throw VarnoError(
                QStringLiteral("'%1' is not a valid floating-point value for field '%2'").arg(text, name()));
        setValue(d);
        return;
    }
    case FieldKind::Date:
    case FieldKind::Time: {
        const QString t = text.trimmed();
        if (t.isEmpty()) {
            clear();
            return;
        }
        if (kind() == FieldKind::Date) {
            const QDate d = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
            if (d.isValid()) {
                setValue(d);
                return;
            }
        } else {
            for (const char* fmt : {"H:mm:ss", "H:mm"}) {
                const QTime tm = QTime::fromString(t, QString::fromLatin1(fmt));
                if (tm.isValid()) {
                    setValue(tm);
                    return;
                }
            }
        }
        throw VarnoError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    }
    case FieldKind::Boolean: {
        const QString t = text.trimmed().toLower();
        if (t.isEmpty())
            clear();
        else if (t == u"true" || t == u"t" || t == u"1" || t == u"yes")
            setValue(true);
        else if (t == u"false" || t == u"f" || t == u"0" || t == u"no")
            setValue(false);
        else
            throw VarnoError(
                QStringLiteral("'%1' is not a valid boolean value for field '%2'").arg(text, name()));
        return;
    }
    case FieldKind::DateTime: {
        const QString t = text.trimmed();
        if (t.isEmpty()) {
            clear();
            return;
        }
        for (const char* fmt : {"dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm", "dd/MM/yyyy", "d/M/yyyy"}) {
            const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(fmt));
            if (dt.isValid()) {
                setValue(QDateTime(dt.date(), dt.time(), Qt::UTC));
                return;
            }
        }
        throw VarnoError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    }
    default: {
        if (text.isEmpty()) {
            clear();
            return;
        }
        bool ok = false;
        const qlonglong n = text.trimmed().toLongLong(&ok);
        if (!ok)
            throw VarnoError(
                QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, name()));
        setValue(n);
    }
    }
}

int Field::asInteger() const {
    return value().toInt();
}

bool Field::asBoolean() const {
    return value().toBool();
}

QDateTime Field::asDateTime() const {
    return value().toDateTime();
}

QByteArray Field::asBytes() const {
    return value().toByteArray();
}

qint64 Field::minValue(FieldKind kind) {
    switch (kind) {
    case FieldKind::SmallInt:
        return std::numeric_limits<qint16>::min();
    case FieldKind::LargeInt:
        return std::numeric_limits<qint64>::min();
    default:
        return std::numeric_limits<qint32>::min();
    }
}

qint64 Field::maxValue(FieldKind kind) {
    switch (kind) {
    case FieldKind::SmallInt:
        return std::numeric_limits<qint16>::max();
    case FieldKind::LargeInt:
        return std::numeric_limits<qint64>::max();
    default:
        return std::numeric_limits<qint32>::max();
    }
}
