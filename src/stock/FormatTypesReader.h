#pragma once
// The shapes of the custom sheet palette, read from the "formattypes" resource: an XML
// property list whose "FormatTypes" array holds one dictionary per shape ("type", "x", "y",
// "width", "height" in millimetres, optional "round", "hole" and "cornerradius").
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <optional>

#include "stock/TLabelT.h"

namespace quillmark {

class FormatTypesReader
{
public:
    // Reads the resource "formattypes" of type "xml".
    FormatTypesReader();
    // Reads the property list at `path`; a missing or unreadable file gives no shapes.
    explicit FormatTypesReader(const QString &path);

    // The entries of "FormatTypes"; empty when there are none.
    const QVariantList &formats() const { return formatTypesArray; }
    qint32 count() const { return qint32(formatTypesArray.size()); }
    // The value under a key of the entry at an index; null outside the list or for a missing key.
    QVariant formatAttribute(const QString &key, qint32 index) const;
    // A shape made from the entry: its type, position and size; round when the entry has any
    // value for "round"; its hole and corner radius when given. Numbers and numeric text
    // both serve. Empty outside the list, for an entry that is not a dictionary or has no
    // type, and for a value that is not a number.
    std::optional<TLabelT> getTLabelAtIndex(qint32 index) const;

private:
    void read(const QString &path);

    QVariantList formatTypesArray;
};

} // namespace quillmark
