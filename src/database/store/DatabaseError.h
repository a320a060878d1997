#pragma once
#include <QString>

#include <stdexcept>

namespace quillmark {

// Raised by the store when SQLite rejects a statement; the message is the one shown to the
// user and logged, already filled with SQLite's own explanation. The code is SQLite's primary
// result code (0 when the failure did not come from SQLite), so that callers can tell a file
// held by another program or a write-protected file from a damaged one.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString &message, int code = 0)
        : std::runtime_error(message.toStdString()), m_code(code & 0xff)
    {
    }

    QString message() const { return QString::fromStdString(what()); }
    int code() const { return m_code; }
    // Another connection holds the file: worth trying again later.
    bool isBusy() const;
    // The file or its folder cannot be written.
    bool isReadOnly() const;

private:
    int m_code;
};

} // namespace quillmark
