#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one error type of the program: an Italian or engine message, with the engine's numeric
// code where there is one (0 otherwise). What escapes a menu command ends in a message box
// showing message().
class VarnoError : public std::exception {
public:
    explicit VarnoError(QString message, int code = 0);

    const QString& message() const noexcept { return m_message; }
    int code() const noexcept { return m_code; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    int m_code;
    QByteArray m_utf8;
};
