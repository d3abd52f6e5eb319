#include "Dataset.h"

#include "BinaryPacketReader.h"
#include "BinaryPacketWriter.h"
#include "Cp1252.h"
#include "DatasetPacket.h"
#include "NativePath.h"
#include "SafeFile.h"
#include "VarnoError.h"
#include "XmlPacketReader.h"
#include "XmlPacketWriter.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString& datasetName, const QString& message) {
    throw VarnoError(datasetName.isEmpty() ? message : QStringLiteral("%1: %2").arg(datasetName, message));
}

QVariant evalDefault(const FieldDef& def) {
    const QString& e = def.defaultExpr;
    if (e.size() >= 2 && e.startsWith(u'\'') && e.endsWith(u'\''))
        return QVariant(e.mid(1, e.size() - 2));
    bool ok = false;
    const int n = e.toInt(&ok);
    return ok ? QVariant(n) : QVariant(e);
}

} // namespace

Dataset::Dataset(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

Dataset::~Dataset() = default;

void Dataset::createFields(const QList<FieldDef>& defs) {
    close();
    m_persistent.clear();
    for (const FieldDef& d : defs)
        m_persistent.push_back(std::unique_ptr<Field>(new Field(this, d)));
    m_fieldsIndexed = false;
}

void Dataset::indexFields() const {
    m_fieldsIndexed = true;
    m_fieldsByName.clear();
    m_fieldsByName.reserve(qsizetype(fields().size()));
    for (const auto& f : fields())
        if (!m_fieldsByName.contains(f->name()))
            m_fieldsByName.insert(f->name(), f.get());
}

const std::vector<std::unique_ptr<Field>>& Dataset::fields() const {
    return m_persistent.empty() ? m_dynamic : m_persistent;
}

Field* Dataset::field(const QString& name) const {
    if (!m_fieldsIndexed)
        indexFields();
    return m_fieldsByName.value(name);
}

Field* Dataset::fieldByName(const QString& name) const {
    if (Field* f = field(name))
        return f;
    fail(m_name, QStringLiteral("Field '%1' not found").arg(name));
}

int Dataset::columnIndex(const QString& name) const {
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name == name)
            return int(i);
    return -1;
}

void Dataset::createDataSet() {
    close();
    QList<FieldDef> cols;
    cols.reserve(qsizetype(m_persistent.size()));
    for (const auto& f : m_persistent)
        cols.append(f->def());
    open(cols, {}, 1);
}

void Dataset::open(const QList<FieldDef>& columns, QList<Row> rows, int autoIncValue) {
    close();
    m_columns = columns;
    m_rows = std::move(rows);
    for (Row& r : m_rows)
        if (r.size() != m_columns.size())
            r.resize(m_columns.size());
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_autoInc = autoIncValue;
    m_changeCount = 0;
    bindFields();
    setState(State::Browse);
    emit recordChanged();
}

void Dataset::close() {
    if (m_state == State::Inactive)
        return;
    m_rows.clear();
    m_current = -1;
    m_editBackup.clear();
    m_modified = false;
    m_changeCount = 0;
    for (const auto& f : fields())
        f->m_column = -1;
    setState(State::Inactive);
    emit recordChanged();
}

void Dataset::bindFields() {
    // Field objects made from the columns are made again only when the columns differ from
    // those of the last opening (a send opens file after file of the same form record).
    const auto sameColumns = [this] {
        if (m_dynamic.size() != size_t(m_columns.size()))
            return false;
        for (qsizetype i = 0; i < m_columns.size(); ++i)
            if (!(m_dynamic[size_t(i)]->def() == m_columns[i]))
                return false;
        return true;
    };
    if (m_persistent.empty() && !sameColumns()) {
        m_dynamic.clear();
        for (const FieldDef& d : m_columns)
            m_dynamic.push_back(std::unique_ptr<Field>(new Field(this, d)));
        m_fieldsIndexed = false;
    }
    QHash<QString, int> columnOf; // the first column of each name, as columnIndex() finds it
    columnOf.reserve(m_columns.size());
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        if (!columnOf.contains(m_columns[i].name))
            columnOf.insert(m_columns[i].name, int(i));
    for (const auto& f : fields())
        f->m_column = columnOf.value(f->name(), -1);
}

void Dataset::checkActive() const {
    if (m_state == State::Inactive)
        fail(m_name, QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Dataset::checkRecord() const {
    checkActive();
    if (m_current < 0)
        fail(m_name, QStringLiteral("Cannot perform this operation on an empty dataset"));
}

void Dataset::append() {
    checkActive();
    checkBrowseMode();
    Row row(m_columns.size());
    m_editBackup.clear();
    m_rows.append(row);
    m_current = int(m_rows.size() - 1);
    Row& r = m_rows[m_current];
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        const FieldDef& c = m_columns[i];
        if (c.kind == FieldKind::AutoInc)
            r[i] = m_autoInc++;
        else if (!c.defaultExpr.isEmpty())
            r[i] = normalise(c, evalDefault(c));
    }
    m_modified = false;
    setState(State::Insert);
    // The new-record initialisation runs before the record is shown: controls then show the
    // initialised record once instead of its empty values first.
    emit newRecord(this);
    emit recordChanged();
}

void Dataset::edit() {
    checkRecord();
    if (editing())
        return;
    m_editBackup = m_rows[m_current];
    m_modified = false;
    setState(State::Edit);
}

void Dataset::post() {
    if (!editing())
        fail(m_name, QStringLiteral("Dataset not in edit or insert mode"));
    if (m_state == State::Insert || m_modified)
        ++m_changeCount;
    m_editBackup.clear();
    m_modified = false;
    setState(State::Browse);
}

void Dataset::cancel() {
    if (m_state == State::Insert) {
        m_rows.removeAt(m_current);
        m_current = m_rows.isEmpty() ? -1 : int(m_rows.size() - 1);
        --m_autoInc;
    } else if (m_state == State::Edit) {
        m_rows[m_current] = m_editBackup;
    } else {
        return;
    }
    m_editBackup.clear();
    m_modified = false;
    setState(State::Browse);
    emit recordChanged();
}

void Dataset::checkBrowseMode() {
    if (editing())
        post();
}

QVariant Dataset::value(int column) const {
    if (m_current < 0 || column < 0 || column >= m_columns.size())
        return {};
    return m_rows[m_current][column];
}

void Dataset::setValue(int column, const QVariant& value) {
    checkRecord();
    if (column < 0 || column >= m_columns.size())
        fail(m_name, QStringLiteral("Field index out of range"));
    const FieldDef& c = m_columns[column];
    if (c.readOnly)
        fail(m_name, QStringLiteral("Field '%1' cannot be modified").arg(c.name));
    const QVariant v = normalise(c, value);
    if (!editing())
        edit(); // automatic edit, as bound controls expect
    QVariant& slot = m_rows[m_current][column];
    if (slot.isValid() == v.isValid() && slot == v)
        return;
    slot = v;
    m_modified = true;
    emit fieldChanged(column, c.name);
}

void Dataset::saveToFile(const QString& path, PacketFormat format) {
    checkActive();
    checkBrowseMode();
    QByteArray bytes;
    try {
        const DataPacket packet = DatasetPacket::fromDataset(*this);
        const bool xml = format == PacketFormat::Xml ||
                         (format == PacketFormat::ByExtension && path.endsWith(u".xml", Qt::CaseInsensitive));
        bytes = xml ? XmlPacketWriter::write(packet) : BinaryPacketWriter::write(packet);
    } catch (const std::bad_alloc&) {
        DataPacketError::raise(DataPacketError::OutOfMemory);
    }
    // A temporary file beside the target takes the bytes and is renamed over it only when all
    // of them are on disk: a failed save never leaves a form file cut short.
    QString reason;
    if (!SafeFile::replace(path, bytes, &reason))
        throw VarnoError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason));
}

void Dataset::loadFromFile(const QString& path) {
    close();
    // Opened by the bytes of its name, so a name that is not UTF-8 still opens (see NativePath).
    // Only a regular file is read: a pipe or a device there would never end.
    QFile file;
    auto cannotOpen = [&](const QString& reason) {
        throw VarnoError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason));
    };
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        cannotOpen(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        cannotOpen(S_ISDIR(st.st_mode) ? QString::fromLocal8Bit(std::strerror(EISDIR))
                                       : QStringLiteral("Not a regular file"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        cannotOpen(file.errorString());
    }
    QByteArray data;
    try {
        data = file.readAll();
    } catch (const std::bad_alloc&) {
        DataPacketError::raise(DataPacketError::OutOfMemory);
    }
    if (file.error() != QFileDevice::NoError)
        throw VarnoError(QStringLiteral("Cannot open file \"%1\". %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString()));
    file.close();
    if (data.isEmpty())
        fail(m_name, QStringLiteral("Missing data provider or data packet"));
    try {
        DataPacket packet =
            BinaryPacketReader::hasMagic(data) ? BinaryPacketReader::read(data) : XmlPacketReader::read(data);
        data = QByteArray(); // the file's bytes are not needed once read
        DatasetPacket::open(*this, std::move(packet));
    } catch (const std::bad_alloc&) {
        close();
        DataPacketError::raise(DataPacketError::OutOfMemory);
    } catch (...) {
        close();
        throw;
    }
}

QByteArray Dataset::xmlData() {
    checkActive();
    checkBrowseMode();
    try {
        return XmlPacketWriter::write(DatasetPacket::fromDataset(*this));
    } catch (const std::bad_alloc&) {
        DataPacketError::raise(DataPacketError::OutOfMemory);
    }
}

void Dataset::mergeChangeLog() {
    checkActive();
    m_changeCount = 0;
}

void Dataset::markChanged() {
    checkRecord();
    ++m_changeCount;
}

QVariant Dataset::normalise(const FieldDef& def, const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (def.kind) {
    case FieldKind::String:
    case FieldKind::Memo: {
        QByteArray b =
            value.typeId() == QMetaType::QByteArray ? value.toByteArray() : Cp1252::encode(value.toString());
        if (def.kind == FieldKind::String && def.size > 0 && b.size() > def.size)
            b.truncate(def.size);
        if (def.kind == FieldKind::Memo && b.isEmpty())
            return {};
        return b;
    }
    case FieldKind::Graphic:
    case FieldKind::Blob: {
        const QByteArray b = value.toByteArray();
        return b.isEmpty() ? QVariant() : QVariant(b);
    }
    case FieldKind::LargeInt: {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        if (!ok)
            throw VarnoError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                 .arg(value.toString(), def.name));
        return n;
    }
    case FieldKind::Float: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (!ok)
            throw VarnoError(QStringLiteral("'%1' is not a valid floating-point value for field '%2'")
                                 .arg(value.toString(), def.name));
        return d;
    }
    case FieldKind::Date: {
        const QDate d = value.typeId() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case FieldKind::Time: {
        const QTime t = value.typeId() == QMetaType::QDateTime ? value.toDateTime().time() : value.toTime();
        return t.isValid() ? QVariant(t) : QVariant();
    }
    case FieldKind::WideString: {
        QString t = value.toString();
        if (def.size > 0 && t.size() > def.size)
            t.truncate(def.size);
        return t;
    }
    case FieldKind::AutoInc:
    case FieldKind::SmallInt:
    case FieldKind::Integer: {
        bool ok = false;
        const qlonglong n = value.toLongLong(&ok);
        if (!ok)
            throw VarnoError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                 .arg(value.toString(), def.name));
        const qint64 lo = Field::minValue(def.kind), hi = Field::maxValue(def.kind);
        if (n < lo || n > hi)
            throw VarnoError(QString::asprintf(
                "%.15g is not a valid value for field '%s'. The allowed range is %.15g to %.15g", double(n),
                qUtf8Printable(def.name), double(lo), double(hi)));
        return int(n);
    }
    case FieldKind::Boolean:
        return value.toBool();
    case FieldKind::DateTime: {
        QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return {};
        if (dt.timeSpec() != Qt::UTC)
            dt = QDateTime(dt.date(), dt.time(), Qt::UTC);
        return dt;
    }
    }
    return value;
}

void Dataset::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}
