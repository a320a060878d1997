#include "platform/BinaryPlistReader.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <cstring>

namespace quillmark {

namespace {

constexpr quint64 HeaderSize = 8;
constexpr quint64 TrailerSize = 32;

quint64 bigEndian(const uchar *bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

} // namespace

std::shared_ptr<BinaryPlistReader> BinaryPlistReader::make(const QByteArray &data)
{
    std::shared_ptr<BinaryPlistReader> reader(new BinaryPlistReader(data));
    if (!reader->readable())
        return nullptr;
    return reader;
}

BinaryPlistReader::BinaryPlistReader(const QByteArray &data)
    : m_data(data)
    , m_bytes(reinterpret_cast<const uchar *>(m_data.constData()))
{
}

bool BinaryPlistReader::readable()
{
    const quint64 size = quint64(m_data.size());
    if (!m_data.startsWith("bplist00") || size < HeaderSize + TrailerSize)
        return false;
    const uchar *trailer = m_bytes + size - TrailerSize;
    m_offsetSize = trailer[6];
    m_refSize = trailer[7];
    m_objectCount = bigEndian(trailer + 8, 8);
    m_top = bigEndian(trailer + 16, 8);
    m_tableOffset = bigEndian(trailer + 24, 8);
    if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || m_objectCount == 0
        || m_objectCount > size || m_top >= m_objectCount || m_tableOffset < HeaderSize
        || m_tableOffset >= size - TrailerSize
        || m_objectCount > (size - TrailerSize - m_tableOffset) / quint64(m_offsetSize))
        return false;
    // Every object is looked at once here, so that reading any part later cannot fail.
    for (quint64 index = 0; index < m_objectCount; ++index) {
        Extent object;
        if (!extent(index, &object))
            return false;
        if (object.kind == 0x6) {
            // Surrogates are left to libplist's own conversion of UTF-16, and so is an empty
            // UTF-16 string, which libplist refuses.
            if (object.count == 0)
                return false;
            for (quint64 i = 0; i < object.count; ++i) {
                const uint unit = uint(bigEndian(m_bytes + object.first + 2 * i, 2));
                if (unit >= 0xD800 && unit <= 0xDFFF)
                    return false;
            }
        } else if (object.kind == 0xA || object.kind == 0xD) {
            const quint64 references = object.kind == 0xD ? 2 * object.count : object.count;
            for (quint64 i = 0; i < references; ++i) {
                const quint64 target = reference(object.first + i * quint64(m_refSize));
                if (target >= m_objectCount)
                    return false;
                if (object.kind == 0xD && i < object.count) {
                    const quint64 offset = offsetOf(target);
                    const int keyKind = offset >= HeaderSize && offset < m_tableOffset ? m_bytes[offset] >> 4 : 0;
                    if (keyKind != 0x5 && keyKind != 0x6)
                        return false;
                }
            }
        }
    }
    m_leaves.resize(size_t(m_objectCount));
    m_leafStates = std::make_unique<std::atomic<quint8>[]>(size_t(m_objectCount));
    return true;
}

quint64 BinaryPlistReader::offsetOf(quint64 index) const
{
    return bigEndian(m_bytes + m_tableOffset + index * quint64(m_offsetSize), m_offsetSize);
}

quint64 BinaryPlistReader::largestDataSize() const
{
    quint64 largest = 0;
    Extent contents;
    for (quint64 index = 0; index < m_objectCount; ++index) {
        const quint64 offset = offsetOf(index);
        if (offset < HeaderSize || offset >= m_tableOffset || (m_bytes[offset] >> 4) != 0x4)
            continue;
        if (extent(index, &contents))
            largest = std::max(largest, contents.count);
    }
    return largest;
}

quint64 BinaryPlistReader::reference(quint64 at) const
{
    return bigEndian(m_bytes + at, m_refSize);
}

// Where an object's contents start and how many bytes (numbers), characters or references
// they hold; false for a kind not read here or contents that run past the object table.
bool BinaryPlistReader::extent(quint64 index, Extent *result) const
{
    const quint64 offset = offsetOf(index);
    if (offset < HeaderSize || offset >= m_tableOffset)
        return false;
    const uchar marker = m_bytes[offset];
    const int low = marker & 0x0f;
    result->kind = marker >> 4;
    result->first = offset + 1;
    result->count = 0;
    const quint64 room = m_tableOffset - result->first;
    switch (result->kind) {
    case 0x0:
        return marker == 0x08 || marker == 0x09;
    case 0x1:
        if (low > 3)
            return false;
        result->count = quint64(1) << low;
        return result->count <= room;
    case 0x2:
        if (low != 2 && low != 3)
            return false;
        result->count = quint64(1) << low;
        return result->count <= room;
    case 0x4:
    case 0x5:
    case 0x6:
    case 0xA:
    case 0xD:
        break;
    default:
        return false;
    }
    quint64 count = quint64(low);
    if (low == 0x0f) {
        if (room < 1 || (m_bytes[result->first] >> 4) != 0x1)
            return false;
        const int sizeBits = m_bytes[result->first] & 0x0f;
        if (sizeBits > 3)
            return false;
        const int size = 1 << sizeBits;
        if (quint64(1 + size) > room)
            return false;
        count = bigEndian(m_bytes + result->first + 1, size);
        result->first += 1 + quint64(size);
    }
    quint64 itemSize = 1;
    if (result->kind == 0x6)
        itemSize = 2;
    else if (result->kind == 0xA)
        itemSize = quint64(m_refSize);
    else if (result->kind == 0xD)
        itemSize = 2 * quint64(m_refSize);
    if (count > (m_tableOffset - result->first) / itemSize)
        return false;
    result->count = count;
    return true;
}

QVariant BinaryPlistReader::read(quint64 index) const
{
    return index < m_objectCount ? readObject(index) : QVariant();
}

QVariant BinaryPlistReader::readObject(quint64 index) const
{
    std::atomic<quint8> &state = m_leafStates[size_t(index)];
    if (state.load(std::memory_order_acquire) == LeafKept)
        return m_leaves[size_t(index)];
    Extent object;
    extent(index, &object);
    const char *contents = reinterpret_cast<const char *>(m_bytes + object.first);
    QVariant value;
    switch (object.kind) {
    case 0x0:
        value = m_bytes[object.first - 1] == 0x09;
        break;
    case 0x1:
        // Negative integers are stored as their two's complement.
        value = qint64(bigEndian(m_bytes + object.first, int(object.count)));
        break;
    case 0x2:
        if (object.count == 4) {
            const quint32 bits = quint32(bigEndian(m_bytes + object.first, 4));
            float number;
            std::memcpy(&number, &bits, sizeof number);
            value = double(number);
        } else {
            const quint64 bits = bigEndian(m_bytes + object.first, 8);
            double number;
            std::memcpy(&number, &bits, sizeof number);
            value = number;
        }
        break;
    case 0x4:
        value = object.count == 0 ? QByteArray("") : QByteArray(contents, qsizetype(object.count));
        break;
    case 0x5: {
        // libplist keeps strings as C strings: a NUL ends them.
        const void *nul = std::memchr(contents, 0, size_t(object.count));
        const qsizetype length = nul ? static_cast<const char *>(nul) - contents : qsizetype(object.count);
        const QString text = QString::fromUtf8(contents, length);
        value = text.isNull() ? QString(QLatin1String("")) : text;
        break;
    }
    case 0x6: {
        QString text;
        text.reserve(qsizetype(object.count));
        for (quint64 i = 0; i < object.count; ++i)
            text.append(QChar(ushort(bigEndian(m_bytes + object.first + 2 * i, 2))));
        // An empty string is an empty string, never a null one.
        value = text.isNull() ? QString(QLatin1String("")) : text;
        break;
    }
    case 0xA: {
        QVariantList list;
        list.reserve(qsizetype(object.count));
        for (quint64 i = 0; i < object.count; ++i)
            list.append(readObject(reference(object.first + i * quint64(m_refSize))));
        // Containers are not kept: each is read where it is used and freed with its user.
        return list;
    }
    case 0xD: {
        QVariantMap map;
        const quint64 values = object.first + object.count * quint64(m_refSize);
        for (quint64 i = 0; i < object.count; ++i) {
            const QVariant key = readObject(reference(object.first + i * quint64(m_refSize)));
            // Writers store keys in order (ours does): each then goes in at the end without a
            // search. Keys out of order still land where they belong.
            map.insert(map.cend(), *static_cast<const QString *>(key.constData()),
                       readObject(reference(values + i * quint64(m_refSize))));
        }
        return map;
    }
    }
    // Kept by the first thread to read it; another reading it meanwhile keeps its own.
    quint8 expected = LeafUnread;
    if (state.compare_exchange_strong(expected, LeafKeeping, std::memory_order_acquire)) {
        m_leaves[size_t(index)] = value;
        state.store(LeafKept, std::memory_order_release);
    }
    return value;
}

QVariantMap BinaryPlistReader::readLeavingOut(quint64 index, const QString &key) const
{
    QVariantMap map;
    Extent object;
    if (index >= m_objectCount || !extent(index, &object) || object.kind != 0xD)
        return map;
    const quint64 values = object.first + object.count * quint64(m_refSize);
    for (quint64 i = 0; i < object.count; ++i) {
        const QString name = readObject(reference(object.first + i * quint64(m_refSize))).toString();
        if (name != key)
            map.insert(name, readObject(reference(values + i * quint64(m_refSize))));
    }
    return map;
}

bool BinaryPlistReader::arrayItems(quint64 index, std::vector<quint64> *items) const
{
    Extent object;
    if (index >= m_objectCount || !extent(index, &object) || object.kind != 0xA)
        return false;
    items->clear();
    items->reserve(size_t(object.count));
    for (quint64 i = 0; i < object.count; ++i)
        items->push_back(reference(object.first + i * quint64(m_refSize)));
    return true;
}

bool BinaryPlistReader::isDictionary(quint64 index) const
{
    Extent object;
    return index < m_objectCount && extent(index, &object) && object.kind == 0xD;
}

bool BinaryPlistReader::dictionaryValue(quint64 index, const QString &key, quint64 *value) const
{
    Extent object;
    if (index >= m_objectCount || !extent(index, &object) || object.kind != 0xD)
        return false;
    bool found = false;
    for (quint64 i = 0; i < object.count; ++i) {
        if (readObject(reference(object.first + i * quint64(m_refSize))).toString() == key) {
            *value = reference(object.first + (object.count + i) * quint64(m_refSize));
            found = true;
        }
    }
    return found;
}

} // namespace quillmark
