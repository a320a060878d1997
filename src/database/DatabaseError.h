#pragma once
#include <QString>

#include <stdexcept>

namespace quillmark {

// Raised by the store when SQLite rejects a statement; the message is the one shown to the
// user and logged, already filled with SQLite's own explanation.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }

    QString message() const { return QString::fromStdString(what()); }
};

} // namespace quillmark
