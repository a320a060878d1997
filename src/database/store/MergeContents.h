#pragma once
#include <QList>
#include <QSet>
#include <QStringList>
#include <QString>
#include <QVariant>

#include "database/store/tableField.h"

namespace quillmark {

// What a graphic object bound to a field shows for the current record, without drawing:
// the value of a merge-field pk, the two composite values, and the notifications that tell
// merge objects and the inspector that the record or the database changed.
class MergeContents
{
public:
    static constexpr int FullNamePk = 100;
    static constexpr int CityStateZipPk = 101;

    static const QString RecordChangedNotification;   // "RecordChangedNotification"
    static const QString DatabaseChangedNotification; // "DatabaseChangedNotification"

    // The value of that pk for the current record of the current database: a number, text or
    // data as stored, a DATE in the user's date style, the composites for 100 and 101;
    // an invalid QVariant when there is nothing.
    static QVariant contentsByPk(int pk);
    // The current database's column names whose values make the values of those pks: the
    // field's own column, the name parts of "Full Name", City, State and Zip of the other
    // composite.
    static QStringList columnsForPks(const QSet<int> &pks);

    // The current database's fields offered for merging (flags & 3), in pk order.
    static QList<tableField> fieldTitlesAndTagsOriginal();
    // The same with "Full Name" (pk 100) at position 3 and "City, State, Zip" (pk 101) at
    // position 13; a shorter list gets them at its end. Empty when no field is offered.
    static QList<tableField> fieldTitlesAndTags();

    // What a drawing thread other than the window's reads in place of the current database,
    // which only the window's thread reaches: the merge fields and the pk of the "Zip" column,
    // taken from the database before the drawing starts.
    struct Fields
    {
        QList<tableField> mergeFields;
        int zipPk = -1;
    };
    static Fields currentFields();
    // Gives the calling thread those fields (null gives it the database again). Not owned.
    static void useFieldsForThisThread(const Fields *fields);
    // The pk of the "Zip" column; -1 when there is none.
    static int zipPk();

    static void postRecordChanged();
    static void postDatabaseChanged();
};

} // namespace quillmark
