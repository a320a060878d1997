#pragma once
#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

class QIODevice;

namespace quillmark {

class BinaryPlistReader;

enum class PlistFormat { Binary, Xml };

// A part of a tree that is still being made while another thread writes the tree in the binary
// form: an array whose items, or a single value, arrive one by one. The maker appends and then
// finishes; the writer takes each as it comes, waiting for the next, and keeps what it took
// until the stream goes. Put into a tree as QVariant::fromValue(std::shared_ptr<...>).
class PropertyListStream
{
public:
    enum Kind { Array, Value };
    explicit PropertyListStream(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }

    void append(QVariant value);
    // No more values; the writer's array ends here. Safe to call more than once.
    void finish();
    // The next value, or false once the stream is finished and everything was taken.
    bool next(const QVariant **value);

private:
    static constexpr size_t BatchSize = 64;
    const Kind m_kind;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<QVariant> m_waiting;
    // Only the writer's thread reaches these two.
    std::deque<QVariant> m_taken;
    size_t m_nextTaken = 0;
    bool m_finished = false;
};

// The items of an array of a property list, each read into a QVariant only when asked for,
// so that a document of many objects is never held as a whole tree beside the objects made
// from it (PropertyList::fromDataDeferring). Reading an item cannot fail: the whole list
// was checked when it was read.
class PropertyListArray
{
public:
    PropertyListArray() = default;
    explicit PropertyListArray(QVariantList items);
    qsizetype size() const;
    bool isEmpty() const { return size() == 0; }
    QVariant at(qsizetype index) const;
    // Whether item `index` is a dictionary, and its value under `key` (invalid when it has
    // none), without reading the rest of the item.
    bool isDictionaryAt(qsizetype index) const;
    QVariant valueAt(qsizetype index, const QString &key) const;
    // The size of the largest data value among the items read from a binary list, found
    // without reading them; -1 when the items were read already.
    qint64 largestDataSize() const;

private:
    friend class PropertyList;
    std::shared_ptr<const BinaryPlistReader> m_reader;
    std::vector<quint64> m_objects;
    QVariantList m_items;
};

// QVariant trees to and from property lists. Dictionaries are QVariantMap, arrays
// QVariantList, strings QString, integers qint64 (any integer type is accepted on writing),
// reals double, booleans bool, data QByteArray, dates QDateTime (UTC).
// A null QVariant (or an empty QByteArray from toData) means failure; *error then says why.
class PropertyList
{
public:
    static constexpr qint64 MaximumSize = 256 * 1024 * 1024;

    // expectedType, when given, is the metatype the top-level value must have
    // (QMetaType::QVariantMap for a dictionary, QMetaType::QVariantList for an array).
    static QVariant fromData(const QByteArray &data, QString *error = nullptr,
                             QMetaType::Type expectedType = QMetaType::UnknownType);
    // The same, but the top-level dictionary's array under `key` is left out of the answer
    // and its items are given in *items to be read one at a time. When the top level is no
    // dictionary or `key` holds no array, the answer is that of fromData and *items is empty.
    static QVariant fromDataDeferring(const QByteArray &data, const QString &key, PropertyListArray *items,
                                      QString *error = nullptr);
    static QByteArray toData(const QVariant &value, PlistFormat format = PlistFormat::Binary,
                             QString *error = nullptr);

    // The binary property list of the value written to `device` as it is put together, large
    // data straight from its own buffer: the size of the whole, -1 when it could not be encoded
    // or the device took less than it was given. Once the whole would pass `limit`, nothing
    // more reaches the device, and the size says by how much it would have.
    static qint64 writeBinary(const QVariant &value, QIODevice &device, qint64 limit, QString *error = nullptr);

    static QVariant readFile(const QString &path, QString *error = nullptr,
                             QMetaType::Type expectedType = QMetaType::UnknownType);
    // Writes to a temporary file and renames it into place: a failed write leaves the old file.
    static bool writeFile(const QString &path, const QVariant &value, PlistFormat format,
                          QString *error = nullptr);

    // Frees a tree on a worker thread: a design's tree of a million values takes a fifth of a
    // second to free, which the window need not wait for once the tree is written.
    static void disposeOffThread(QVariant &&tree);

    // The tree a write and a read of the value give back (integers qint64, reals double, data
    // never null, dates in whole milliseconds), without the bytes: for values that never leave
    // the program. A null QVariant when the value could not be written.
    static QVariant asRead(const QVariant &value);

    // The stored form of a flag in the documents: "YES" or "NO".
    static QString yesNo(bool flag) { return flag ? QStringLiteral("YES") : QStringLiteral("NO"); }
};

} // namespace quillmark

Q_DECLARE_METATYPE(std::shared_ptr<quillmark::PropertyListStream>)
