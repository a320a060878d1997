#pragma once
// Where a graphic object bound to a database field finds the field's value for the current
// record. The address database implements it and installs itself at start-up; graphic
// objects never reach the database any other way, so the object model does not depend on it.
#include <QString>
#include <QVariant>

namespace quillmark {

class MergeSource
{
public:
    virtual ~MergeSource() = default;

    // The value of a merge-field pk for the current record: a number, text or data, a date
    // in the user's style, the composites for 100 and 101; invalid when there is nothing.
    virtual QVariant contentsByPk(int pk) = 0;
    // The title of a merge-field pk as the field menus show it, "Full Name" for 100; empty
    // when there is no such field.
    virtual QString fieldTitleAtPk(int pk) { return QString(); }

    // The current source's title of that pk; empty without a source.
    static QString titleAtPk(int pk);

    // The source of the calling thread: the one installed for it, else the installed one;
    // null before one is installed. Not owned.
    static MergeSource *current();
    static void install(MergeSource *source);
    // A source for the calling thread only (a worker drawing a record it was given); null
    // gives the thread the installed source again.
    static void installForThisThread(MergeSource *source);
};

} // namespace quillmark
