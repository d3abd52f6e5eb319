#include "CsvWriter.h"

#include <QString>

namespace {

constexpr qsizetype FlushAt = 64 * 1024;

bool needsQuotes(QByteArrayView utf8, QByteArrayView separator) {
    for (const char c : utf8)
        if (c == '"' || c == '\r' || c == '\n')
            return true;
    return utf8.indexOf(separator) >= 0;
}

} // namespace

CsvWriter::CsvWriter(Sink sink, QChar separator)
    : m_sink(std::move(sink)), m_separator(QString(separator).toUtf8()) {
    m_buffer.reserve(FlushAt + 4096);
    m_buffer.append("\xEF\xBB\xBF"); // the byte-order mark
}

bool CsvWriter::separatorAllowed(QChar c) {
    return !c.isNull() && !c.isSurrogate() && c != u'"' && c != u'\r' && c != u'\n';
}

void CsvWriter::separate() {
    if (m_rowStarted)
        m_buffer.append(m_separator);
    m_rowStarted = true;
}

void CsvWriter::field(QStringView text) {
    if (text.isEmpty()) {
        emptyField();
        return;
    }
    fieldUtf8(text.toUtf8());
}

void CsvWriter::fieldUtf8(QByteArrayView utf8) {
    separate();
    if (!needsQuotes(utf8, m_separator)) {
        m_buffer.append(utf8);
        return;
    }
    m_buffer.append('"');
    qsizetype from = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '"') {
            m_buffer.append(utf8.sliced(from, i + 1 - from)); // the quote itself, then its double
            m_buffer.append('"');
            from = i + 1;
        }
    }
    m_buffer.append(utf8.sliced(from));
    m_buffer.append('"');
}

void CsvWriter::emptyField() {
    separate();
}

bool CsvWriter::endRow() {
    m_buffer.append("\r\n");
    m_rowStarted = false;
    if (m_buffer.size() >= FlushAt)
        return flush();
    return !m_failed;
}

bool CsvWriter::finish() {
    return flush();
}

bool CsvWriter::flush() {
    if (!m_failed && !m_buffer.isEmpty() && !m_sink(m_buffer))
        m_failed = true;
    m_buffer.resize(0); // keeps its room for the next rows
    return !m_failed;
}
