#pragma once
// Reads the paper formats of the "formats" resource and fills grid records from them,
// lengths taken as they stand (inches).
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "stock/TLabel.h"

namespace quillmark {

class xmlFormatsReader
{
public:
    // Reads the resource "formats" of type "xml".
    xmlFormatsReader();
    // Reads the property list at `path`; a missing file leaves the list absent.
    explicit xmlFormatsReader(const QString &path);

    const QVariantList &formats() const { return _formatsArray; }
    qint32 count() const { return qint32(_formatsArray.size()); }

    // Null for an index outside the list or a missing key.
    QVariant formatAttribute(const QString &key, qint32 index) const;
    // The key of the first dictionary of the format's "Labels" array.
    QVariant labelAttribute(const QString &key, qint32 index) const;
    // Fills name, margins, size, gaps, hole and corner radius; the counts, units, deleted
    // mark and shape stay as they were. An index outside the list changes nothing.
    void labelAtIndex(qint32 index, TLabel &label) const;

private:
    void read(const QString &path);
    QVariantMap formatAt(qint32 index) const;

    QVariantList _formatsArray;
};

} // namespace quillmark
