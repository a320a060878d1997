#include "database/merge/DatabaseMergeSource.h"

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/store/MergeContents.h"

#include <QtGlobal>

namespace quillmark {

QVariant DatabaseMergeSource::contentsByPk(int pk)
{
    // A statement failure must not leave a drawing or a print loop: the field shows nothing.
    try {
        return MergeContents::contentsByPk(pk);
    } catch (const DatabaseError &e) {
        qWarning("%s", qPrintable(e.message()));
        return QVariant();
    }
}

QString DatabaseMergeSource::fieldTitleAtPk(int pk)
{
    return Database::fieldTitleAtPk(pk);
}

DatabaseMergeSource &DatabaseMergeSource::shared()
{
    static DatabaseMergeSource source;
    return source;
}

} // namespace quillmark
