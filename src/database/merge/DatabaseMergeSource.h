#pragma once
#include "objects/MergeSource.h"

namespace quillmark {

// The current address database as the merge source of graphic objects.
class DatabaseMergeSource : public MergeSource
{
public:
    QVariant contentsByPk(int pk) override;
    QString fieldTitleAtPk(int pk) override;

    // The one instance that registerMergeKinds() installs.
    static DatabaseMergeSource &shared();
};

} // namespace quillmark
