#pragma once
#include <QByteArray>
#include <QVariant>

#include <atomic>
#include <memory>
#include <vector>

namespace quillmark {

// Reads a binary property list ("bplist00") straight into QVariants, any part of it on its
// own and when asked for. A value the file stores once (a key, "YES", a colour) becomes one
// QVariant that every place referring to it shares, so a design of many objects is not held
// once per object; and the objects of a design can be read one at a time from the file's
// bytes while the objects are made, instead of as a whole tree held beside them.
//
// Only the kinds the program's own writer uses are read here (dictionaries, arrays, strings,
// data, integers, reals, booleans); a file holding anything else, or anything out of place,
// is left to libplist (make() answers null), so what is read is what libplist would read.
// The caller has already checked the object graph (acyclic, bounded depth, plain keys).
// Several threads may read one reader at once.
class BinaryPlistReader
{
public:
    static std::shared_ptr<BinaryPlistReader> make(const QByteArray &data);

    quint64 topObject() const { return m_top; }
    QVariant read(quint64 index) const;
    // A dictionary object read without the entries under `key`.
    QVariantMap readLeavingOut(quint64 index, const QString &key) const;
    // The references of an array object; false when the object is no array.
    bool arrayItems(quint64 index, std::vector<quint64> *items) const;
    // The value of `key` in a dictionary object; false when the object is no dictionary or
    // has no such key (the last of equal keys counts, as in the tree read whole).
    bool dictionaryValue(quint64 index, const QString &key, quint64 *value) const;
    bool isDictionary(quint64 index) const;
    // The size of the largest data object of the file, found without reading any.
    quint64 largestDataSize() const;

private:
    struct Extent
    {
        int kind = 0;
        quint64 first = 0;
        quint64 count = 0;
    };
    explicit BinaryPlistReader(const QByteArray &data);
    bool readable();
    quint64 offsetOf(quint64 index) const;
    bool extent(quint64 index, Extent *result) const;
    quint64 reference(quint64 at) const;
    QVariant readObject(quint64 index) const;

    QByteArray m_data;
    const uchar *m_bytes = nullptr;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_top = 0;
    quint64 m_tableOffset = 0;
    // Strings, data and numbers once read, shared by every reference to them; each slot is
    // written once, by the first thread to read it, and read by others once it says so.
    enum : quint8 { LeafUnread, LeafKeeping, LeafKept };
    mutable std::vector<QVariant> m_leaves;
    std::unique_ptr<std::atomic<quint8>[]> m_leafStates;
};

} // namespace quillmark
