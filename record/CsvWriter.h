#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QStringView>
#include <functional>

// A table as CSV text by the usual rules (RFC 4180): UTF-8 opened by a byte-order mark, so that
// spreadsheets take the accents right; each record ended by CR LF; a field enclosed in double
// quotes when it holds the separator, a double quote, CR or LF, its double quotes doubled.
//
// Rows gather in a buffer that is handed to the sink whenever it passes a few tens of KiB, so a
// table of any length costs one buffer. After the sink refuses bytes once, nothing more is sent
// and every call reports the failure.
class CsvWriter {
public:
    using Sink = std::function<bool(QByteArrayView)>;

    explicit CsvWriter(Sink sink, QChar separator = u';');

    // A separator must be one character other than the double quote, CR and LF.
    static bool separatorAllowed(QChar c);

    void field(QStringView text);
    // A field already in UTF-8 (numbers, names).
    void fieldUtf8(QByteArrayView utf8);
    void emptyField();
    // Ends the record; false once the sink has failed.
    bool endRow();
    // Hands over what is still buffered; false once the sink has failed.
    bool finish();

    bool failed() const { return m_failed; }

private:
    void separate();
    bool flush();

    Sink m_sink;
    QByteArray m_separator; // UTF-8 bytes of the separator
    QByteArray m_buffer;
    bool m_rowStarted = false;
    bool m_failed = false;
};
