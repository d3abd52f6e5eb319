#pragma once

#include "Field.h"
#include "FieldDef.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QVariant>
#include <memory>
#include <vector>

// The in-memory dataset behind the form record: columns, rows of nullable values, a current
// record, the states closed / browse / edit / insert, the auto-increment counter and the change
// log. Field objects made once with createFields() survive closing; without them the dataset
// makes field objects from its columns each time it opens (the send dialog's scratch dataset).
class Dataset : public QObject {
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Row = QList<QVariant>;

    explicit Dataset(const QString& name = QString(), QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return m_name; }

    // Persistent field objects, one per definition, in the given order.
    void createFields(const QList<FieldDef>& defs);
    const std::vector<std::unique_ptr<Field>>& fields() const;
    // True when the field objects were made with createFields() (they outlive closing).
    bool hasPersistentFields() const { return !m_persistent.empty(); }
    Field* field(const QString& name) const;       // nullptr when there is none
    Field* fieldByName(const QString& name) const; // raises "Field '%s' not found"

    // Columns of the open (or last opened) dataset.
    const QList<FieldDef>& columns() const { return m_columns; }
    int columnIndex(const QString& name) const;

    // Closes, clears the columns, rebuilds them from the field objects in their order and opens
    // the dataset with no record; the auto-increment counter starts at 1.
    void createDataSet();
    // Opens on the given columns and rows (loading a packet); the change log starts empty.
    // The rows are taken as they are (moved in, they are not copied).
    void open(const QList<FieldDef>& columns, QList<Row> rows, int autoIncValue);
    void close();

    bool active() const { return m_state != State::Inactive; }
    State state() const { return m_state; }
    bool editing() const { return m_state == State::Edit || m_state == State::Insert; }
    qsizetype recordCount() const { return m_rows.size(); }
    const QList<Row>& rows() const { return m_rows; }

    // Adds a record after the last: defaults applied, state Insert, newRecord emitted, then
    // recordChanged.
    void append();
    void edit();
    void post();
    void cancel();
    // Posts when editing; does nothing otherwise.
    void checkBrowseMode();

    // Values of the current record by column.
    QVariant value(int column) const;
    void setValue(int column, const QVariant& value);

    // Packet files. Saving writes the binary datapacket, or its XML text when the extension is
    // ".xml" in any case; the target is replaced only once the whole packet is written and
    // flushed, so a failed save leaves an earlier file as it was. Loading closes the dataset,
    // reads the whole file (binary when it starts with the magic, XML otherwise) and opens on its
    // columns and rows; after a failure the dataset stays closed.
    enum class PacketFormat { ByExtension, Binary, Xml };
    void saveToFile(const QString& path, PacketFormat format = PacketFormat::ByExtension);
    void loadFromFile(const QString& path);
    // The XML text of the open dataset's packet: Windows-1252 bytes, no encoding declaration.
    // Posts a pending edit first and changes nothing else.
    QByteArray xmlData();

    int changeCount() const { return m_changeCount; }
    void mergeChangeLog();
    // Counts the open record as one logged change (a form brought back from a copy is as unsaved
    // as it was when the copy was made).
    void markChanged();
    int autoIncValue() const { return m_autoInc; }

    // Normalises a value for a column of the given definition: text cut to size, empty bytes to
    // null, integers range-checked. Raises VarnoError on a value the kind cannot hold.
    static QVariant normalise(const FieldDef& def, const QVariant& value);

signals:
    void stateChanged();
    // A value of the current record changed (column index and name).
    void fieldChanged(int column, const QString& name);
    // The whole record changed: opened, created, appended, cancelled or closed.
    void recordChanged();
    // Emitted inside append() after the defaults are set; handlers may assign fields.
    void newRecord(Dataset* dataset);

private:
    void setState(State state);
    void bindFields();
    void indexFields() const;
    void checkActive() const;
    void checkRecord() const;

    QString m_name;
    State m_state = State::Inactive;
    std::vector<std::unique_ptr<Field>> m_persistent;
    std::vector<std::unique_ptr<Field>> m_dynamic;
    // The field objects of fields() by name (the first of a name), for the controls' look-ups;
    // made on the first look-up after the fields change.
    mutable QHash<QString, Field*> m_fieldsByName;
    mutable bool m_fieldsIndexed = false;
    QList<FieldDef> m_columns;
    QList<Row> m_rows;
    int m_current = -1;
    Row m_editBackup;
    bool m_modified = false;
    int m_autoInc = 1;
    int m_changeCount = 0;
};
