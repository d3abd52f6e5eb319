#include "DataPacket.h"

#include "VarnoError.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {

const PacketProperty* findProperty(const QList<PacketProperty>& list, const QByteArray& name) {
    for (const PacketProperty& p : list)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

} // namespace

const PacketProperty* PacketColumn::property(const QByteArray& name) const {
    return findProperty(properties, name);
}

const PacketProperty* DataPacket::property(const QByteArray& name) const {
    return findProperty(properties, name);
}

QString DataPacketError::message(int code) {
    switch (code) {
    case Mismatch:
        return QStringLiteral("Mismatch in datapacket.");
    case NoMetaData:
        return QStringLiteral("Datapacket contains no meta data.");
    case NullFieldName:
        return QStringLiteral("Field name can't be null, datapacket may be corrupted");
    case InvalidFieldType:
        return QStringLiteral("Invalid field type.");
    case OutOfMemory:
        return QStringLiteral("Insufficient memory for this operation.");
    case NotApplicable:
        return QStringLiteral("Operation not applicable.");
    case XmlFieldType:
        return QStringLiteral("Fieldtype not supported for XML.");
    case XmlDelayedFetch:
        return QStringLiteral("Delayed fetching not supported for XML.");
    default:
        return QString();
    }
}

void DataPacketError::raise(int code) {
    throw VarnoError(message(code), code);
}

void DataPacketError::checkCells(qsizetype rows, qsizetype columns, qsizetype inputSize) {
    const qint64 cells = qint64(rows) * qint64(columns);
    const qint64 plausible = std::max<qint64>(qint64(1) << 20, qint64(inputSize) * 16);
    if (cells > plausible || cells > MaxCells)
        raise(Mismatch);
}

namespace {
const qint64 FirstJulianDay = QDate(1, 1, 1).toJulianDay(); // day 1
const qint64 LastDay = QDate(9999, 12, 31).toJulianDay() - FirstJulianDay + 1;
} // namespace

qint64 DataPacketTime::dayNumber(const QDate& date) {
    return date.toJulianDay() - FirstJulianDay + 1;
}

QDate DataPacketTime::dateOfDay(qint64 day) {
    if (day < 1 || day > LastDay)
        return {};
    return QDate::fromJulianDay(day - 1 + FirstJulianDay);
}

double DataPacketTime::fromDateTime(const QDateTime& dateTime) {
    return double(dayNumber(dateTime.date()) * MsPerDay + dateTime.time().msecsSinceStartOfDay());
}

bool DataPacketTime::split(double ms, qint64* day, qint64* msOfDay, bool truncate) {
    if (!std::isfinite(ms) || ms < double(MsPerDay) || ms >= double((LastDay + 1) * MsPerDay))
        return false;
    const qint64 whole = truncate ? qint64(ms) : std::llround(ms);
    *day = whole / MsPerDay;
    *msOfDay = whole % MsPerDay;
    return *day >= 1 && *day <= LastDay;
}

QDateTime DataPacketTime::toDateTime(double ms) {
    // Truncated like the XML rendering splits it, so a loaded form sends the value it holds.
    qint64 day = 0, m = 0;
    if (!split(ms, &day, &m, true))
        return {};
    return QDateTime(dateOfDay(day), QTime::fromMSecsSinceStartOfDay(int(m)), Qt::UTC);
}
