#include "database/store/DatabaseError.h"

#include <sqlite3.h>

namespace quillmark {

bool DatabaseError::isBusy() const
{
    return m_code == SQLITE_BUSY || m_code == SQLITE_LOCKED;
}

bool DatabaseError::isReadOnly() const
{
    return m_code == SQLITE_READONLY || m_code == SQLITE_PERM;
}

} // namespace quillmark
