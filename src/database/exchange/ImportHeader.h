#pragma once
// The default mapping of an import: when the first record of a file is a header row (Name,
// First Name, Street, ZIP, E-mail ...), each column goes to the database field of that name,
// whatever its position. Names are compared without case, accents, blanks or punctuation,
// against each field's title, the database's own title for it, its translations in every
// language the program has, and the usual names address books and spreadsheets give such
// columns; the contact exports of mail programs are recognised too:
// - "Given Name", "Family Name", "Name Prefix", "Organization 1 - Name" and the like, where a
//   full "Name" column only fills the first name when nothing better does;
// - "Title" beside a "Job Title" is the title before a name;
// - a typed value ("Phone 1 - Type" Mobile, "Phone 1 - Value") goes to the phone field its
//   type names, row by row;
// - of two addresses (business and home) the one the contacts preference names is taken,
//   and the other where a record has none of the first;
// - the further lines of a street ("Work Address 2", "Business Street 3", "Address 1 -
//   Extended Address") go to the address too, each on a line of its own.
// The first record that holds a value is taken for a header only when it reads as one: see
// readsAsHeader.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "database/store/DatabaseOrder.h"

namespace quillmark {

class ImportHeader
{
public:
    ImportHeader() = delete;

    struct Plan
    {
        // One entry per column of the header: 0 none, k the k-th of the fields.
        QList<int> mapping;
        // Per column: the column that holds its value's type, or -1.
        QList<int> typeColumn;
        // Per column: the column read in its stead in a record whose mapped address columns are
        // all empty, or -1.
        QList<int> alternate;
        // Per column: the column whose value this one's continues, on a line of its own, in the
        // same field (a street's further lines), or -1.
        QList<int> continues;
        bool isEmpty() const { return mapping.isEmpty(); }
    };

    // One entry per column of `header`: 0 none, k the k-th of `fields` (each field at most
    // once). Empty when no column names a field: the first record is then no header.
    // `shownTitles` are the titles the user sees for the fields, in the same order.
    static QList<int> mapping(const QStringList &header, const QList<DatabaseOrder> &fields, const QStringList &shownTitles);
    // The same with what goes with it; `firstRecord` (the record below the header) chooses
    // the phone field of a typed phone column.
    static Plan plan(const QStringList &header, const QStringList &firstRecord, const QList<DatabaseOrder> &fields,
                     const QStringList &shownTitles);

    // Whether `first` reads as a header above the records `below`, by the weight of evidence of
    // all its non-empty cells: cells that name columns, the more so over data of the kind they
    // name and unlike themselves, against cells that read as the data under them. A cell shaped
    // like a value (a number, a phone, a date, an e-mail or web address) or recurring in its
    // column below makes it a record. A list without a header whose first surname happens to be
    // "Land" or "Town", or whose first street is "Street", is no header.
    static bool readsAsHeader(const QStringList &first, const QList<QStringList> &below, const QList<DatabaseOrder> &fields,
                              const QStringList &shownTitles);
    // Whether a cell's text is shaped like a value rather than a column's name.
    static bool readsAsValue(const QString &text);

    // The column names other programs write, normalised, by the column name of the field they
    // mean, best first (the address parts of each kind of address included).
    static QHash<QString, QStringList> usualNames();
    // The normalised names of a street's further lines, of every kind of address.
    static QStringList furtherLineNames();

    // The column name of the phone field a type names ("Mobile", "* Work", "Home Fax"), or
    // null for a type that names none.
    static QString phoneFieldForType(const QString &type);
    static bool isPhoneField(const QString &dbtitle);
    // Of several values in one cell ("+1 555 0100 ::: +1 555 0101"), the first.
    static QString firstValue(const QString &text);

    // The titles a field goes by: its own, the one the user gave it, and its translation in
    // every language the program has.
    static QStringList ownTitles(const DatabaseOrder &field, const QString &shownTitle);
    // Every name the importer knows for a column, normalised, by the index of the field of
    // `fields` it names; -1 for a name of a field these lack or of a street's further line.
    static QHash<QString, int> knownNames(const QList<DatabaseOrder> &fields, const QStringList &shownTitles);

    // "E-mail" and "email", "ZIP Code" and "zipcode", "Straße" and "STRASSE", "Prénom" and
    // "prenom" are the same name: compared with the case folding of every locale, without
    // accents, blanks or punctuation.
    static QString normalised(const QString &name);

private:
    // normalised() of a name that is not plain ASCII, through ICU.
    static QString foldedName(const QString &name);
};

} // namespace quillmark
