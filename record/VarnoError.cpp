#include "VarnoError.h"

VarnoError::VarnoError(QString message, int code)
    : m_message(std::move(message)), m_code(code), m_utf8(m_message.toUtf8()) {}
