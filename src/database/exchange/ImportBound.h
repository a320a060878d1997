#pragma once
// What one file may bring into a database. An address list is not much larger once read than
// its file on disk, while a packed workbook can name one long shared string from every cell,
// or spread a few values over every column to XFD: a file of a few kilobytes would then
// write gigabytes. So what an import makes of a file, its text and its cells (the empty places
// between values included), may be at most a small multiple of the file's size, never less
// than a floor that leaves small files alone, and never more than a ceiling whatever the size.
// Every importer checks the same rule before anything is written.
#include <QString>
#include <QtGlobal>

namespace quillmark {

class ImportBound
{
public:
    // Characters of text, and cells, per byte of the file. A plain address list makes about
    // 2.5 of either per byte of its workbook; one that repeats the same long text on every
    // row nearly 30.
    static constexpr qint64 PerFileByte = 64;
    static constexpr qint64 Floor = 1024 * 1024;
    static constexpr qint64 MaximumText = 256LL * 1024 * 1024;
    static constexpr qint64 MaximumCells = 50'000'000;
    // Columns A to XFD, as many as a spreadsheet has: each becomes a row of the mapping table.
    static constexpr int MaximumColumns = 16384;

    // The bound of the file at that path, by its size on disk.
    explicit ImportBound(const QString &path);
    // A source that is no file (the system's contacts): the ceilings alone.
    ImportBound() = default;

    qint64 textAllowance() const;
    qint64 cellAllowance() const;

    // Why that much text, or that many cells, may not come from the file, naming it; null
    // while they fit.
    QString textProblem(qint64 characters) const;
    QString cellProblem(qint64 cells) const;
    QString columnProblem(qint64 columns) const;

    QString fileName() const { return _name; }
    qint64 fileSize() const { return _size; }

private:
    qint64 allowance(qint64 ceiling) const;
    QString problem(const QString &what) const;

    QString _name;
    qint64 _size = -1;
};

} // namespace quillmark
