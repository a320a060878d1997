#include "platform/PropertyList.h"

#include "platform/BinaryPlistReader.h"
#include "platform/GuardedReader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QThreadPool>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillmark {

namespace {

// Deeper trees than this are not written by us and would only exhaust the stack.
constexpr int MaximumDepth = 512;
// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 ReferenceDateUnixSeconds = 978307200;

struct PlistDeleter
{
    void operator()(void *node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

plist_t toNode(const QVariant &value, int depth, QString *error);

plist_t dictNode(const QVariantMap &map, int depth, QString *error)
{
    PlistPtr dict(plist_new_dict());
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        plist_t child = toNode(it.value(), depth + 1, error);
        if (!child)
            return nullptr;
        plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child);
    }
    return dict.release();
}

plist_t toNode(const QVariant &value, int depth, QString *error)
{
    if (depth > MaximumDepth) {
        setError(error, QStringLiteral("The property list is nested too deeply."));
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return dictNode(value.toMap(), depth, error);
    case QMetaType::QVariantHash: {
        // A hash has no order; a map gives the sorted keys property lists are written with.
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.constBegin(); it != hash.constEnd(); ++it)
            map.insert(it.key(), it.value());
        return dictNode(map, depth, error);
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        PlistPtr array(plist_new_array());
        const QVariantList list = value.toList();
        for (const QVariant &item : list) {
            plist_t child = toNode(item, depth + 1, error);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child);
        }
        return array.release();
    }
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return plist_new_uint(uint64_t(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QDateTime date = value.typeId() == QMetaType::QDate
            ? value.toDate().startOfDay(Qt::UTC)
            : value.toDateTime();
        if (!date.isValid()) {
            setError(error, QStringLiteral("An invalid date cannot be written to a property list."));
            return nullptr;
        }
        const qint64 msecs = date.toMSecsSinceEpoch() - ReferenceDateUnixSeconds * 1000;
        qint64 seconds = msecs / 1000;
        qint64 millis = msecs % 1000;
        if (millis < 0) {
            --seconds;
            millis += 1000;
        }
        if (seconds < INT32_MIN || seconds > INT32_MAX) {
            setError(error, QStringLiteral("The date %1 is out of the range of property-list dates.")
                                .arg(date.toString(Qt::ISODate)));
            return nullptr;
        }
        return plist_new_date(int32_t(seconds), int32_t(millis * 1000));
    }
    default:
        setError(error, QStringLiteral("A value of type %1 cannot be written to a property list.")
                            .arg(QString::fromLatin1(value.isValid() ? value.typeName() : "null")));
        return nullptr;
    }
}

// The binary form is written here rather than by libplist: its writer looks every object up in a
// table of fixed size to share equal values, which grows with the square of the objects, so a
// path of a few hundred thousand points took seconds. This one shares equal scalars through a
// hash table and writes each object once, in time linear in the tree.
//
// A design of twenty thousand objects is a million values, so the common steps stay cheap:
// each scalar is encoded straight into the buffer of scalars and dropped again when an equal
// one is there; the table of shared scalars holds only their numbers; a container's references
// go straight into their place; and the keys of the dictionaries, a few dozen texts of the
// program repeated in every object, are found by where their characters lie.
class BinaryWriter
{
public:
    explicit BinaryWriter(QString *error) : m_error(error) {}

    QByteArray write(const QVariant &root)
    {
        QByteArray out;
        const bool written = write(root, [&out](const char *bytes, qsizetype size) {
            out.append(bytes, size);
            return true;
        }, [&out](quint64 total) {
            out.reserve(qsizetype(total));
        });
        return written ? out : QByteArray();
    }

    // The file's bytes in order, handed to `sink` a piece at a time: a large data value is
    // handed over from its own buffer rather than copied into one holding the whole file, so
    // a document of large outlines reaches its file without a second copy of it. `reserve`
    // hears the most the whole may take before anything is handed over.
    template <typename Sink, typename Reserve>
    bool write(const QVariant &root, Sink &&sink, Reserve &&reserve)
    {
        if (!add(root, 0))
            return false;
        const quint64 count = m_objects.size();
        const int refSize = referenceBytes(count);
        // The largest the file can be: every container's marker and count, its references, the
        // scalars as they are, and eight bytes an offset; then cut to what was written.
        const quint64 bound = 8 + m_scalars.size() + m_containers * 10 + m_refs.size() * quint64(refSize) + count * 8 + 32;
        if (bound + m_blobBytes > quint64(std::numeric_limits<qsizetype>::max() / 2)) {
            fail(QStringLiteral("The property list is too large to write."));
            return false;
        }
        reserve(bound + m_blobBytes);
        const auto buffer = std::make_unique_for_overwrite<char[]>(size_t(bound));
        char *const begin = buffer.get();
        char *p = begin;
        // What was handed over before the start of the buffer.
        quint64 handed = 0;
        auto flush = [&] {
            const bool taken = p == begin || sink(begin, qsizetype(p - begin));
            handed += quint64(p - begin);
            p = begin;
            return taken;
        };
        std::memcpy(p, "bplist00", 8);
        p += 8;
        std::vector<quint64> offsets(count);
        for (quint64 i = 0; i < count; ++i) {
            offsets[i] = handed + quint64(p - begin);
            const Object &object = m_objects[i];
            if (object.marker == 0) {
                std::memcpy(p, m_scalars.data() + object.first, size_t(object.count));
                p += object.count;
                if (object.blob >= 0) {
                    const QByteArray &blob = m_blobs[size_t(object.blob)];
                    if (!flush() || !sink(blob.constData(), blob.size())) {
                        fail(QStringLiteral("The property list could not be written."));
                        return false;
                    }
                    handed += quint64(blob.size());
                }
                continue;
            }
            p = putCounted(p, object.marker, object.marker == DictMarker ? object.count / 2 : object.count);
            const quint32 *refs = m_refs.data() + object.first;
            for (quint64 k = 0; k < object.count; ++k)
                p = putBigEndian(p, refs[k], refSize);
        }
        const quint64 tableOffset = handed + quint64(p - begin);
        const int offsetSize = referenceBytes(tableOffset);
        for (quint64 offset : offsets)
            p = putBigEndian(p, offset, offsetSize);
        std::memset(p, 0, 6);
        p += 6;
        *p++ = char(offsetSize);
        *p++ = char(refSize);
        p = putBigEndian(p, count, 8);
        p = putBigEndian(p, 0, 8);
        p = putBigEndian(p, tableOffset, 8);
        if (!flush()) {
            fail(QStringLiteral("The property list could not be written."));
            return false;
        }
        return true;
    }

private:
    static constexpr uchar ArrayMarker = 0xA0;
    static constexpr uchar DictMarker = 0xD0;

    // A scalar's encoded bytes sit in m_scalars (marker 0); a container's references in m_refs.
    // A large data value keeps only its marker and count there: its bytes are copied once,
    // from the value itself, as the file is put together.
    struct Object
    {
        uchar marker = 0;
        quint64 first = 0;
        quint64 count = 0;
        qint64 blob = -1;
    };
    // Data of at least this many bytes is such a value.
    static constexpr qsizetype LargeData = 64 * 1024;

    // Integers take 1, 2, 4 or 8 bytes.
    static int neededBytes(quint64 value)
    {
        if (value <= 0xFF)
            return 1;
        if (value <= 0xFFFF)
            return 2;
        if (value <= 0xFFFFFFFF)
            return 4;
        return 8;
    }
    // References and offsets take as few bytes as they need, three included, as libplist
    // writes them: a design of a few hundred thousand values saves a quarter of its table.
    static int referenceBytes(quint64 value)
    {
        return value <= 0xFFFFFF && value > 0xFFFF ? 3 : neededBytes(value);
    }

    static char *putBigEndian(char *p, quint64 value, int size)
    {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
            *p++ = char((value >> shift) & 0xFF);
        return p;
    }

    static char *putCounted(char *p, uchar marker, quint64 count)
    {
        if (count < 15) {
            *p++ = char(marker | count);
            return p;
        }
        *p++ = char(marker | 0x0F);
        const int size = neededBytes(count);
        *p++ = char(0x10 | (size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3));
        return putBigEndian(p, count, size);
    }

    void appendBigEndian(quint64 value, int size)
    {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
            m_scalars.push_back(char((value >> shift) & 0xFF));
    }

    void appendInteger(quint64 value)
    {
        const int size = neededBytes(value);
        m_scalars.push_back(char(0x10 | (size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3)));
        appendBigEndian(value, size);
    }

    void appendCounted(uchar marker, quint64 count)
    {
        if (count < 15) {
            m_scalars.push_back(char(marker | count));
            return;
        }
        m_scalars.push_back(char(marker | 0x0F));
        appendInteger(count);
    }

    void fail(const QString &text)
    {
        if (m_error)
            *m_error = text;
    }

    quint32 reserveObject()
    {
        m_objects.push_back({});
        return quint32(m_objects.size() - 1);
    }

    // FNV-1a over 64 bits, a word at a time where it can: the scalars are short texts and numbers.
    static quint64 hashBytes(const char *data, size_t size)
    {
        quint64 hash = 1469598103934665603ULL;
        size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            quint64 word;
            std::memcpy(&word, data + i, 8);
            hash = (hash ^ word) * 1099511628211ULL;
            hash ^= hash >> 29;
        }
        for (; i < size; ++i)
            hash = (hash ^ uchar(data[i])) * 1099511628211ULL;
        return hash ^ (hash >> 32);
    }

    // The scalar encoded from `start` to the end of m_scalars. Equal scalars are written once
    // and referenced wherever they occur: an equal one found, the new bytes are dropped.
    quint32 finishScalar(size_t start)
    {
        const size_t size = m_scalars.size() - start;
        const quint64 hash = hashBytes(m_scalars.data() + start, size);
        if ((m_sharedCount + 1) * 2 > m_shared.size())
            growShared();
        const size_t mask = m_shared.size() - 1;
        for (size_t slot = size_t(hash) & mask;; slot = (slot + 1) & mask) {
            const quint32 entry = m_shared[slot];
            if (entry == EmptySlot) {
                m_shared[slot] = quint32(m_objects.size());
                ++m_sharedCount;
                m_objects.push_back({0, quint64(start), quint64(size)});
                return m_shared[slot];
            }
            const Object &object = m_objects[entry];
            if (object.count == size && std::memcmp(m_scalars.data() + object.first, m_scalars.data() + start, size) == 0) {
                m_scalars.resize(start);
                return entry;
            }
        }
    }

    void growShared()
    {
        std::vector<quint32> old(std::max<size_t>(64, m_shared.size() * 2), EmptySlot);
        old.swap(m_shared);
        const size_t mask = m_shared.size() - 1;
        for (quint32 entry : old) {
            if (entry == EmptySlot)
                continue;
            const Object &object = m_objects[entry];
            size_t slot = size_t(hashBytes(m_scalars.data() + object.first, size_t(object.count))) & mask;
            while (m_shared[slot] != EmptySlot)
                slot = (slot + 1) & mask;
            m_shared[slot] = entry;
        }
    }

    quint32 addEncodedString(QStringView text)
    {
        const size_t start = m_scalars.size();
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            appendCounted(0x50, quint64(text.size()));
            for (QChar c : text)
                m_scalars.push_back(char(c.unicode()));
        } else {
            // Through UTF-8 and back, so that a stray half of a surrogate pair is written as
            // the replacement character readers expect rather than as itself.
            const QString clean = QString::fromUtf8(text.toUtf8());
            appendCounted(0x60, quint64(clean.size()));
            for (QChar c : clean)
                appendBigEndian(c.unicode(), 2);
        }
        return finishScalar(start);
    }

    quint32 addString(const QString &text)
    {
        // As libplist did: the text ends at its first NUL.
        const qsizetype nul = text.indexOf(QChar(u'\0'));
        return addEncodedString(nul < 0 ? QStringView(text) : QStringView(text).left(nul));
    }

    // A dictionary key: the tree is not changed while it is written, so characters at the same
    // place and of the same length are the same text. Only the program's own key texts, which
    // lie in its constant data and recur in every object, are found so; keys read from a file
    // are each a text of their own and would only fill the table.
    quint32 addKey(const QString &key)
    {
        if (key.data_ptr().isMutable())
            return addString(key);
        const auto found = m_keys.find(key.constData());
        if (found != m_keys.end() && found->second.first == key.size())
            return found->second.second;
        const quint32 index = addString(key);
        m_keys[key.constData()] = {key.size(), index};
        return index;
    }

    quint32 addReal(double value, uchar marker)
    {
        const size_t start = m_scalars.size();
        // Stored in four bytes when that loses nothing, as libplist did.
        const bool single = marker == 0x20 && std::isfinite(value) && std::fabs(value) <= double(FLT_MAX)
                            && double(float(value)) == value;
        if (single) {
            const float narrow = float(value);
            quint32 narrowBits = 0;
            std::memcpy(&narrowBits, &narrow, sizeof narrowBits);
            m_scalars.push_back(char(0x22));
            appendBigEndian(narrowBits, 4);
        } else {
            quint64 bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            m_scalars.push_back(char(marker == 0x20 ? 0x23 : marker));
            appendBigEndian(bits, 8);
        }
        return finishScalar(start);
    }

    // Equal large values are written once too, found by their hash and compared in full.
    quint32 addLargeData(const QByteArray &bytes)
    {
        const quint64 hash = hashBytes(bytes.constData(), size_t(bytes.size()));
        const auto [first, last] = m_largeData.equal_range(hash);
        for (auto it = first; it != last; ++it) {
            const QByteArray &other = m_blobs[size_t(m_objects[it->second].blob)];
            if (other.size() == bytes.size() && std::memcmp(other.constData(), bytes.constData(), size_t(bytes.size())) == 0)
                return it->second;
        }
        const size_t start = m_scalars.size();
        appendCounted(0x40, quint64(bytes.size()));
        const quint32 index = quint32(m_objects.size());
        m_objects.push_back({0, quint64(start), quint64(m_scalars.size() - start), qint64(m_blobs.size())});
        m_blobs.push_back(bytes);
        m_blobBytes += quint64(bytes.size());
        m_largeData.emplace(hash, index);
        return index;
    }

    // The references of a container of `count` children are placed before its children are
    // written, and each is filled in by its place: writing a child may move the vector.
    quint64 startContainer(quint32 index, uchar marker, size_t count)
    {
        const quint64 first = m_refs.size();
        m_refs.resize(m_refs.size() + count);
        m_objects[index] = {marker, first, quint64(count)};
        ++m_containers;
        return first;
    }

    bool addMap(const QVariantMap &map, int depth, quint32 *index)
    {
        *index = reserveObject();
        const size_t size = size_t(map.size());
        const quint64 first = startContainer(*index, DictMarker, size * 2);
        size_t k = 0;
        for (auto it = map.constBegin(); it != map.constEnd(); ++it, ++k) {
            m_refs[first + k] = addKey(it.key());
            quint32 child = 0;
            if (!add(it.value(), depth + 1, &child))
                return false;
            m_refs[first + size + k] = child;
        }
        return true;
    }

    bool add(const QVariant &value, int depth, quint32 *index = nullptr)
    {
        quint32 unused = 0;
        if (!index)
            index = &unused;
        if (depth > MaximumDepth) {
            fail(QStringLiteral("The property list is nested too deeply."));
            return false;
        }
        switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return addMap(*static_cast<const QVariantMap *>(value.constData()), depth, index);
        case QMetaType::QVariantHash: {
            // A hash has no order; a map gives the sorted keys property lists are written with.
            // The map's keys share their characters with the hash's, which the tree keeps.
            QVariantMap map;
            const QVariantHash &hash = *static_cast<const QVariantHash *>(value.constData());
            for (auto it = hash.constBegin(); it != hash.constEnd(); ++it)
                map.insert(it.key(), it.value());
            return addMap(map, depth, index);
        }
        case QMetaType::QVariantList:
            return addList(*static_cast<const QVariantList *>(value.constData()), depth, index);
        case QMetaType::QStringList:
            return addList(value.toList(), depth, index);
        case QMetaType::QString:
            *index = addString(*static_cast<const QString *>(value.constData()));
            return true;
        case QMetaType::Bool: {
            const size_t start = m_scalars.size();
            m_scalars.push_back(value.toBool() ? char(0x09) : char(0x08));
            *index = finishScalar(start);
            return true;
        }
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::UChar: {
            // Negative numbers are written in eight bytes, which readers take as signed.
            const bool isUnsigned = value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::ULong
                                    || value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::UShort
                                    || value.typeId() == QMetaType::UChar;
            const quint64 bits = isUnsigned ? value.toULongLong() : quint64(value.toLongLong());
            const size_t start = m_scalars.size();
            appendInteger(bits);
            *index = finishScalar(start);
            return true;
        }
        case QMetaType::Double:
        case QMetaType::Float:
            *index = addReal(value.toDouble(), 0x20);
            return true;
        case QMetaType::QByteArray: {
            const QByteArray &bytes = *static_cast<const QByteArray *>(value.constData());
            // A picture shown by thousands of objects is one buffer they all share: found by
            // where it lies, it is not copied, hashed and compared again for each. The buffer
            // is held until the end, so no other bytes can come to lie there meanwhile.
            const bool placed = bytes.size() >= 1024 && bytes.capacity() > 0;
            if (placed) {
                const auto found = m_data.find(bytes.constData());
                if (found != m_data.end() && found->second.first.size() == bytes.size()) {
                    *index = found->second.second;
                    return true;
                }
            }
            if (bytes.size() >= LargeData) {
                *index = addLargeData(bytes);
            } else {
                const size_t start = m_scalars.size();
                appendCounted(0x40, quint64(bytes.size()));
                m_scalars.append(bytes.constData(), size_t(bytes.size()));
                *index = finishScalar(start);
            }
            if (placed)
                m_data[bytes.constData()] = {bytes, *index};
            return true;
        }
        case QMetaType::QDateTime:
        case QMetaType::QDate: {
            const QDateTime date = value.typeId() == QMetaType::QDate
                ? value.toDate().startOfDay(Qt::UTC)
                : value.toDateTime();
            if (!date.isValid()) {
                fail(QStringLiteral("An invalid date cannot be written to a property list."));
                return false;
            }
            const qint64 msecs = date.toMSecsSinceEpoch() - ReferenceDateUnixSeconds * 1000;
            const qint64 seconds = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
            if (seconds < INT32_MIN || seconds > INT32_MAX) {
                fail(QStringLiteral("The date %1 is out of the range of property-list dates.")
                         .arg(date.toString(Qt::ISODate)));
                return false;
            }
            *index = addReal(double(msecs) / 1000.0, 0x33);
            return true;
        }
        default:
            if (value.metaType() == QMetaType::fromType<std::shared_ptr<PropertyListStream>>()) {
                if (const auto &stream = *static_cast<const std::shared_ptr<PropertyListStream> *>(value.constData()))
                    return addStream(*stream, depth, index);
            }
            fail(QStringLiteral("A value of type %1 cannot be written to a property list.")
                     .arg(QString::fromLatin1(value.isValid() ? value.typeName() : "null")));
            return false;
        }
    }

    // A part that is still being made: an array whose items are written as they arrive (its
    // references are placed after them, which the format allows), or one value.
    bool addStream(PropertyListStream &stream, int depth, quint32 *index)
    {
        const QVariant *item = nullptr;
        if (stream.kind() == PropertyListStream::Value) {
            if (!stream.next(&item)) {
                fail(QStringLiteral("A value of the property list was never made."));
                return false;
            }
            return add(*item, depth, index);
        }
        *index = reserveObject();
        std::vector<quint32> children;
        while (stream.next(&item)) {
            quint32 child = 0;
            if (!add(*item, depth + 1, &child))
                return false;
            children.push_back(child);
        }
        m_objects[*index] = {ArrayMarker, quint64(m_refs.size()), quint64(children.size())};
        m_refs.insert(m_refs.end(), children.begin(), children.end());
        ++m_containers;
        return true;
    }

    bool addList(const QVariantList &list, int depth, quint32 *index)
    {
        *index = reserveObject();
        const quint64 first = startContainer(*index, ArrayMarker, size_t(list.size()));
        for (qsizetype i = 0; i < list.size(); ++i) {
            quint32 child = 0;
            if (!add(list[i], depth + 1, &child))
                return false;
            m_refs[first + quint64(i)] = child;
        }
        return true;
    }

    static constexpr quint32 EmptySlot = 0xFFFFFFFF;

    QString *m_error;
    std::vector<Object> m_objects;
    std::vector<quint32> m_refs;
    quint64 m_containers = 0;
    std::string m_scalars;
    // Open addressing over the numbers of the shared scalars; a power of two, at most half full.
    std::vector<quint32> m_shared;
    size_t m_sharedCount = 0;
    std::unordered_map<const QChar *, std::pair<qsizetype, quint32>> m_keys;
    std::unordered_map<const char *, std::pair<QByteArray, quint32>> m_data;
    std::vector<QByteArray> m_blobs;
    quint64 m_blobBytes = 0;
    std::unordered_multimap<quint64, quint32> m_largeData;
};

QVariant fromNode(plist_t node, int depth, QString *error);

QVariant dictFromNode(plist_t node, int depth, QString *error)
{
    QVariantMap map;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    if (!iter)
        return map;
    for (;;) {
        char *key = nullptr;
        plist_t child = nullptr;
        // Safe only because the input was checked for keys with embedded NULs, on which
        // libplist asserts.
        plist_dict_next_item(node, iter, &key, &child);
        if (!child) {
            std::free(key);
            break;
        }
        const QString name = QString::fromUtf8(key);
        std::free(key);
        const QVariant item = fromNode(child, depth + 1, error);
        if (!item.isValid()) {
            std::free(iter);
            return {};
        }
        map.insert(name, item);
    }
    std::free(iter);
    return map;
}

QVariant fromNode(plist_t node, int depth, QString *error)
{
    if (depth > MaximumDepth) {
        setError(error, QStringLiteral("The property list is nested too deeply."));
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_DICT:
        return dictFromNode(node, depth, error);
    case PLIST_ARRAY: {
        // The iterator walks the items in order; fetching each by its index would search the
        // array from its start every time.
        QVariantList list;
        list.reserve(qsizetype(plist_array_get_size(node)));
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        if (!iter)
            return list;
        for (;;) {
            plist_t child = nullptr;
            plist_array_next_item(node, iter, &child);
            if (!child)
                break;
            const QVariant item = fromNode(child, depth + 1, error);
            if (!item.isValid()) {
                std::free(iter);
                return {};
            }
            list.append(item);
        }
        std::free(iter);
        return list;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        return text ? QString::fromUtf8(text, qsizetype(length)) : QString(QLatin1String(""));
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return bool(flag);
    }
    case PLIST_UINT:
    case PLIST_UID: {
        uint64_t number = 0;
        if (plist_get_node_type(node) == PLIST_UID)
            plist_get_uid_val(node, &number);
        else
            plist_get_uint_val(node, &number);
        // Negative integers are stored as their two's complement.
        return qint64(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return number;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *bytes = plist_get_data_ptr(node, &length);
        if (!bytes || length == 0)
            return QByteArray("");
        return QByteArray(bytes, qsizetype(length));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        const qint64 msecs = (qint64(seconds) + ReferenceDateUnixSeconds) * 1000 + micros / 1000;
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    }
    default:
        setError(error, QStringLiteral("The property list contains a value of an unknown kind."));
        return {};
    }
}

quint64 readBigEndian(const uchar *bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// libplist follows the references of a binary property list recursively, so a deep chain of
// containers in damaged or hostile input would overflow the stack inside the library, and it
// asserts (aborting the program) on a dictionary key with an embedded NUL. This walks the
// object graph without recursion first and accepts only well-formed, acyclic graphs no deeper
// than MaximumDepth whose keys are strings without NULs.
bool binaryGraphIsSafe(const QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint64 size = quint64(data.size());
    constexpr quint64 HeaderSize = 8;
    constexpr quint64 TrailerSize = 32;
    if (size < HeaderSize + TrailerSize)
        return false;
    const uchar *trailer = bytes + size - TrailerSize;
    const int offsetSize = trailer[6];
    const int refSize = trailer[7];
    const quint64 objectCount = readBigEndian(trailer + 8, 8);
    const quint64 topObject = readBigEndian(trailer + 16, 8);
    const quint64 tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objectCount == 0
        || objectCount > size || topObject >= objectCount || tableOffset < HeaderSize
        || tableOffset >= size - TrailerSize
        || objectCount > (size - TrailerSize - tableOffset) / quint64(offsetSize))
        return false;

    // An object's kind (the marker's high nibble), where its contents start and how many
    // items (references, characters) they hold.
    struct Object
    {
        int kind = 0;
        quint64 first = 0;
        quint64 count = 0;
    };
    auto object = [&](quint64 index, Object *result) {
        const quint64 offset = readBigEndian(bytes + tableOffset + index * quint64(offsetSize), offsetSize);
        if (offset < HeaderSize || offset >= tableOffset)
            return false;
        const uchar marker = bytes[offset];
        result->kind = marker >> 4;
        result->first = offset + 1;
        result->count = 0;
        int itemSize = 0;
        switch (result->kind) {
        case 0x5:
            itemSize = 1;
            break;
        case 0x6:
            itemSize = 2;
            break;
        case 0xA:
        case 0xB:
        case 0xC:
        case 0xD:
            itemSize = refSize;
            break;
        default:
            return true;
        }
        quint64 count = marker & 0x0f;
        if (count == 0x0f) {
            if (result->first >= tableOffset || (bytes[result->first] >> 4) != 0x1)
                return false;
            const int lengthSize = 1 << (bytes[result->first] & 0x0f);
            if (lengthSize > 8 || result->first + 1 + quint64(lengthSize) > tableOffset)
                return false;
            count = readBigEndian(bytes + result->first + 1, lengthSize);
            result->first += 1 + quint64(lengthSize);
        }
        if (result->kind == 0xD) {
            if (count > size)
                return false;
            count *= 2;
        }
        if (count > (tableOffset - result->first) / quint64(itemSize))
            return false;
        result->count = count;
        return true;
    };
    auto isPlainKey = [&](quint64 index) {
        Object key;
        if (!object(index, &key))
            return false;
        if (key.kind == 0x5)
            return std::memchr(bytes + key.first, 0, key.count) == nullptr;
        if (key.kind != 0x6)
            return false;
        for (quint64 i = 0; i < key.count; ++i) {
            if (bytes[key.first + 2 * i] == 0 && bytes[key.first + 2 * i + 1] == 0)
                return false;
        }
        return true;
    };

    enum : char { Unseen, Open, Done };
    std::vector<char> state(objectCount, Unseen);
    std::vector<int> height(objectCount, 0);
    struct Frame
    {
        quint64 index;
        Object contents;
        quint64 next;
    };
    std::vector<Frame> stack;
    auto push = [&](quint64 index) {
        Frame frame{index, {}, 0};
        if (!object(index, &frame.contents))
            return false;
        if (frame.contents.kind == 0x5 || frame.contents.kind == 0x6)
            frame.contents.count = 0;
        state[index] = Open;
        stack.push_back(frame);
        return stack.size() <= size_t(MaximumDepth);
    };
    if (!push(topObject))
        return false;
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.next == frame.contents.count) {
            state[frame.index] = Done;
            const int h = height[frame.index] + 1;
            stack.pop_back();
            if (!stack.empty())
                height[stack.back().index] = std::max(height[stack.back().index], h);
            continue;
        }
        const quint64 child = readBigEndian(bytes + frame.contents.first + frame.next * quint64(refSize), refSize);
        const bool isKey = frame.contents.kind == 0xD && frame.next < frame.contents.count / 2;
        ++frame.next;
        if (child >= objectCount || state[child] == Open)
            return false;
        if (isKey && !isPlainKey(child))
            return false;
        if (state[child] == Done) {
            if (int(stack.size()) + height[child] > MaximumDepth)
                return false;
            height[frame.index] = std::max(height[frame.index], height[child] + 1);
            continue;
        }
        if (!push(child))
            return false;
    }
    return height[topObject] <= MaximumDepth;
}

// Whether a character reference ("&#0;", "&#x00;") at the given position stands for NUL.
bool isNulReference(const QByteArray &data, qsizetype at)
{
    qsizetype i = at + 2;
    const bool hex = i < data.size() && (data.at(i) == 'x' || data.at(i) == 'X');
    if (hex)
        ++i;
    const qsizetype digits = i;
    while (i < data.size() && data.at(i) == '0')
        ++i;
    return i > digits && i < data.size() && data.at(i) == ';';
}

// The XML counterpart of binaryGraphIsSafe: libplist builds and frees its trees recursively,
// so the nesting of <array> and <dict> elements is bounded before it sees the text, and NULs
// (which no XML may hold, and which make libplist assert in a key) are refused.
bool xmlInputIsSafe(const QByteArray &data)
{
    if (data.contains('\0'))
        return false;
    for (qsizetype i = data.indexOf("&#"); i >= 0; i = data.indexOf("&#", i + 2)) {
        if (isNulReference(data, i))
            return false;
    }
    int depth = 0;
    const qsizetype size = data.size();
    auto opensContainer = [&](qsizetype at, const char *name, qsizetype length) {
        if (at + length >= size || data.mid(at, length) != name)
            return false;
        const char next = data.at(at + length);
        return next == '>' || next == ' ' || next == '\t' || next == '\r' || next == '\n';
    };
    for (qsizetype i = data.indexOf('<'); i >= 0 && i + 1 < size; i = data.indexOf('<', i + 1)) {
        const qsizetype name = i + 1;
        if (data.at(name) == '/') {
            if (opensContainer(name + 1, "array", 5) || opensContainer(name + 1, "dict", 4))
                --depth;
            continue;
        }
        if (!opensContainer(name, "array", 5) && !opensContainer(name, "dict", 4))
            continue;
        const qsizetype end = data.indexOf('>', name);
        if (end < 0)
            return true;
        if (data.at(end - 1) != '/' && ++depth > MaximumDepth)
            return false;
    }
    return true;
}

QString typeDescription(QMetaType::Type type)
{
    switch (type) {
    case QMetaType::QVariantMap:
        return QStringLiteral("a dictionary");
    case QMetaType::QVariantList:
        return QStringLiteral("an array");
    default:
        return QString::fromLatin1(QMetaType(type).name());
    }
}

} // namespace

namespace {

// The checks every reading makes before any parsing: false, with *error, when refused.
bool acceptable(const QByteArray &data, QString *error)
{
    if (data.size() > PropertyList::MaximumSize) {
        setError(error, QStringLiteral("The property list is too large."));
        return false;
    }
    if (data.size() < 8) {
        setError(error, QStringLiteral("The data is not a property list."));
        return false;
    }
    if (data.startsWith("bplist00") ? !binaryGraphIsSafe(data) : !xmlInputIsSafe(data)) {
        setError(error, QStringLiteral("The data is not a property list, or it is damaged."));
        return false;
    }
    return true;
}

// Binary lists of the kinds our writer uses are read by our own reader, which shares every
// value the file stores once; the rest (XML, dates, damaged files) by libplist.
std::shared_ptr<BinaryPlistReader> ownReader(const QByteArray &data)
{
    return data.startsWith("bplist00") ? BinaryPlistReader::make(data) : nullptr;
}

QVariant readWithLibplist(const QByteArray &data, QString *error)
{
    plist_t raw = nullptr;
    plist_from_memory(data.constData(), uint32_t(data.size()), &raw);
    PlistPtr root(raw);
    if (!root) {
        setError(error, QStringLiteral("The data is not a property list, or it is damaged."));
        return {};
    }
    return fromNode(root.get(), 0, error);
}

} // namespace

QVariant PropertyList::fromData(const QByteArray &data, QString *error, QMetaType::Type expectedType)
{
    if (!acceptable(data, error))
        return {};
    QVariant value;
    if (const std::shared_ptr<BinaryPlistReader> reader = ownReader(data))
        value = reader->read(reader->topObject());
    else
        value = readWithLibplist(data, error);
    if (!value.isValid())
        return {};
    if (expectedType != QMetaType::UnknownType && value.typeId() != int(expectedType)) {
        setError(error, QStringLiteral("The property list does not hold %1.").arg(typeDescription(expectedType)));
        return {};
    }
    return value;
}

QVariant PropertyList::fromDataDeferring(const QByteArray &data, const QString &key, PropertyListArray *items,
                                         QString *error)
{
    *items = PropertyListArray();
    if (!acceptable(data, error))
        return {};
    if (const std::shared_ptr<BinaryPlistReader> reader = ownReader(data)) {
        quint64 array = 0;
        std::vector<quint64> objects;
        if (!reader->dictionaryValue(reader->topObject(), key, &array) || !reader->arrayItems(array, &objects))
            return reader->read(reader->topObject());
        items->m_reader = reader;
        items->m_objects = std::move(objects);
        return reader->readLeavingOut(reader->topObject(), key);
    }
    QVariant value = readWithLibplist(data, error);
    if (value.typeId() != QMetaType::QVariantMap)
        return value;
    QVariantMap map = value.toMap();
    value.clear();
    auto found = map.find(key);
    if (found == map.end() || found->typeId() != QMetaType::QVariantList)
        return map;
    *items = PropertyListArray(found->toList());
    map.erase(found);
    return map;
}

PropertyListArray::PropertyListArray(QVariantList items)
    : m_items(std::move(items))
{
}

qsizetype PropertyListArray::size() const
{
    return m_reader ? qsizetype(m_objects.size()) : m_items.size();
}

QVariant PropertyListArray::at(qsizetype index) const
{
    if (index < 0 || index >= size())
        return {};
    return m_reader ? m_reader->read(m_objects[size_t(index)]) : m_items.at(index);
}

bool PropertyListArray::isDictionaryAt(qsizetype index) const
{
    if (index < 0 || index >= size())
        return false;
    return m_reader ? m_reader->isDictionary(m_objects[size_t(index)])
                    : m_items.at(index).typeId() == QMetaType::QVariantMap;
}

QVariant PropertyListArray::valueAt(qsizetype index, const QString &key) const
{
    if (!isDictionaryAt(index))
        return {};
    if (!m_reader)
        return m_items.at(index).toMap().value(key);
    quint64 value = 0;
    return m_reader->dictionaryValue(m_objects[size_t(index)], key, &value) ? m_reader->read(value) : QVariant();
}

qint64 PropertyListArray::largestDataSize() const
{
    return m_reader ? qint64(m_reader->largestDataSize()) : -1;
}

QByteArray PropertyList::toData(const QVariant &value, PlistFormat format, QString *error)
{
    QByteArray result;
    if (format == PlistFormat::Binary) {
        // The writer says why when it writes nothing.
        result = BinaryWriter(error).write(value);
        if (result.isEmpty())
            return {};
    } else {
        PlistPtr root(toNode(value, 0, error));
        if (!root)
            return {};
        char *bytes = nullptr;
        uint32_t length = 0;
        plist_to_xml(root.get(), &bytes, &length);
        if (bytes)
            result = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    }
    if (result.isEmpty())
        setError(error, QStringLiteral("The property list could not be encoded."));
    return result;
}

qint64 PropertyList::writeBinary(const QVariant &value, QIODevice &device, qint64 limit, QString *error)
{
    qint64 total = 0;
    bool refused = false;
    const bool encoded = BinaryWriter(error).write(value, [&](const char *bytes, qsizetype size) {
        // Past the limit nothing more reaches the device, but the whole is still counted.
        if (!refused && total + size <= limit)
            refused = device.write(bytes, size) != size;
        total += size;
        return !refused;
    }, [](quint64) {});
    if (!encoded || total == 0) {
        if (!refused)
            setError(error, QStringLiteral("The property list could not be encoded."));
        return -1;
    }
    return total;
}

QVariant PropertyList::readFile(const QString &path, QString *error, QMetaType::Type expectedType)
{
    // Property lists come from anywhere: templates received, other programs' libraries. A FIFO
    // or a device in a list's place is refused at once.
    GuardedReader::Refusal refusal = GuardedReader::Refusal::None;
    const std::optional<QByteArray> data = GuardedReader::read(path, MaximumSize, &refusal);
    if (!data) {
        if (refusal == GuardedReader::Refusal::TooLarge)
            setError(error, QStringLiteral("The file \"%1\" is too large to be a property list.").arg(path));
        else
            setError(error, QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, QStringLiteral("it is missing or no regular file")));
        return {};
    }
    QString reason;
    QVariant value = fromData(*data, &reason, expectedType);
    if (!value.isValid())
        setError(error, QStringLiteral("The file \"%1\" could not be read: %2").arg(QFileInfo(path).fileName(), reason));
    return value;
}

void PropertyListStream::append(QVariant value)
{
    bool batch = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(std::move(value));
        batch = m_waiting.size() == BatchSize;
    }
    if (batch)
        m_arrived.notify_one();
}

void PropertyListStream::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    m_arrived.notify_one();
}

bool PropertyListStream::next(const QVariant **value)
{
    if (m_nextTaken == m_taken.size()) {
        // What has arrived is taken a batch at a time: waking the writer for every value
        // would cost the maker more than handing the value over.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait(lock, [this] { return m_finished || m_waiting.size() >= BatchSize; });
        if (m_waiting.empty())
            return false;
        // Kept, not dropped: the writer finds equal keys by where their characters lie, which
        // must stay theirs until the tree is written. A deque never moves what it holds.
        for (QVariant &arrived : m_waiting)
            m_taken.push_back(std::move(arrived));
        m_waiting.clear();
    }
    *value = &m_taken[m_nextTaken++];
    return true;
}

void PropertyList::disposeOffThread(QVariant &&tree)
{
    // Only the plain values of property lists are in the tree, whose sharing is thread-safe.
    QThreadPool::globalInstance()->start([kept = std::move(tree)]() mutable { kept = QVariant(); });
}

namespace {

// Whether the value reads back as it is: the common case, checked without copying anything.
bool readsBackAsIs(const QVariant &value, int depth)
{
    if (depth > MaximumDepth)
        return false;
    // The values are looked at where they lie: a copy of each map and list would cost more
    // than the look.
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap &map = *static_cast<const QVariantMap *>(value.constData());
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            if (!readsBackAsIs(it.value(), depth + 1))
                return false;
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList &list = *static_cast<const QVariantList *>(value.constData());
        for (const QVariant &item : list)
            if (!readsBackAsIs(item, depth + 1))
                return false;
        return true;
    }
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return true;
    case QMetaType::QByteArray:
        return !static_cast<const QByteArray *>(value.constData())->isNull();
    default:
        return false;
    }
}

QVariant readBack(const QVariant &value, int depth)
{
    if (depth > MaximumDepth)
        return {};
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        QVariantMap map;
        if (value.typeId() == QMetaType::QVariantMap) {
            const QVariantMap source = value.toMap();
            for (auto it = source.constBegin(); it != source.constEnd(); ++it) {
                QVariant item = readBack(it.value(), depth + 1);
                if (!item.isValid())
                    return {};
                map.insert(it.key(), item);
            }
        } else {
            const QVariantHash source = value.toHash();
            for (auto it = source.constBegin(); it != source.constEnd(); ++it) {
                QVariant item = readBack(it.value(), depth + 1);
                if (!item.isValid())
                    return {};
                map.insert(it.key(), item);
            }
        }
        return map;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QVariantList list;
        const QVariantList source = value.toList();
        list.reserve(source.size());
        for (const QVariant &item : source) {
            QVariant read = readBack(item, depth + 1);
            if (!read.isValid())
                return {};
            list.append(read);
        }
        return list;
    }
    case QMetaType::QString:
        return QString::fromUtf8(value.toString().toUtf8());
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return qint64(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return bytes.isNull() ? QByteArray("") : bytes;
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        // The rare value that is not as it reads back takes the real way there and back.
        const QVariant read = PropertyList::fromData(PropertyList::toData(QVariantList{value}));
        return read.toList().value(0);
    }
    default:
        return {};
    }
}

} // namespace

QVariant PropertyList::asRead(const QVariant &value)
{
    return readsBackAsIs(value, 0) ? value : readBack(value, 0);
}

bool PropertyList::writeFile(const QString &path, const QVariant &value, PlistFormat format, QString *error)
{
    const QByteArray data = toData(value, format, error);
    if (data.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        setError(error, QStringLiteral("The file \"%1\" could not be written: %2").arg(path, file.errorString()));
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace quillmark
