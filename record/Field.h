#pragma once

#include "FieldDef.h"

#include <QByteArray>
#include <QDateTime>
#include <QVariant>

class Dataset;

// A field object of a dataset. It outlives closing and reopening of its dataset and finds its
// column by name each time the dataset opens, so bindings made once stay valid from one form to
// the next. Values are held by the dataset:
//   String, Memo         QByteArray of Windows-1252 bytes
//   AutoInc, SmallInt,
//   Integer              int
//   Boolean              bool
//   DateTime             QDateTime kept in UTC, read as a wall-clock date and time
//   Graphic, Blob        QByteArray
// and null is an invalid QVariant.
class Field {
public:
    const FieldDef& def() const { return m_def; }
    const QString& name() const { return m_def.name; }
    FieldKind kind() const { return m_def.kind; }
    int size() const { return m_def.size; }
    bool readOnly() const { return m_def.readOnly; }
    Dataset* dataset() const { return m_dataset; }

    // False while the open dataset has no column of this name (or the dataset is closed).
    bool bound() const;

    bool isNull() const;
    QVariant value() const;
    void setValue(const QVariant& value);
    void clear();

    // Text form: strings and memos decoded from Windows-1252; numbers in decimal; booleans
    // "True" / "False"; dates dd/MM/yyyy with " hh:mm:ss" when the time is not midnight; the
    // empty text for null. Graphic and blob fields give their bytes as Latin-1.
    QString asString() const;
    // Assigns from text by the field's kind; the empty text clears a number, boolean or date.
    // Raises VarnoError with the engine's message on text that the kind cannot take.
    void setAsString(const QString& text);

    int asInteger() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;
    QByteArray asBytes() const;

    // The limits of an integer field, for range messages.
    static qint64 minValue(FieldKind kind);
    static qint64 maxValue(FieldKind kind);

private:
    friend class Dataset;
    Field(Dataset* dataset, FieldDef def) : m_dataset(dataset), m_def(std::move(def)) {}

    Dataset* m_dataset;
    FieldDef m_def;
    int m_column = -1;
};
