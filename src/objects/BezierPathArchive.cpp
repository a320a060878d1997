#include "objects/BezierPathArchive.h"

#include <QVariantList>
#include <QVariantMap>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/Archiver.h"
#include "platform/PropertyList.h"

namespace quillmark {

const QString BezierPathArchive::className = QStringLiteral("QMBezierPath");

namespace {

const QString ElementsKey = QStringLiteral("Elements");
const QString LineWidthKey = QStringLiteral("LineWidth");
const QString WindingRuleKey = QStringLiteral("WindingRule");

std::optional<double> finiteNumber(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

// Writes the archive of a large outline straight as the binary property list the generic
// writer would make of its tree: making the tree first (a list of numbers per element) and
// then writing it took a fifth of a second for 200,000 points, which Save, Copy and Cut of
// such a path waited for. The element types are written once and shared; the coordinates are
// written as they come, as four bytes when that loses nothing.
class OutlineWriter
{
public:
    QByteArray write(const BezierPath &path)
    {
        const int elements = path.elementCount();
        // The objects in the order written: the root, its five keys, the class name, the
        // version, the line width, the winding rule, the four element types, the list of
        // elements, then each element followed by its coordinates.
        enum : quint64 { Root, ClassKeyObject, VersionKeyObject, ElementsKeyObject, LineWidthKeyObject,
                         WindingKeyObject, ClassName, VersionValue, LineWidthValue, WindingValue, FirstType,
                         ElementList = FirstType + 4, FirstElement };
        quint64 coordinates = 0;
        for (int i = 0; i < elements; ++i)
            coordinates += 2 * quint64(BezierPath::pointCount(path.elementAt(i)));
        const quint64 count = FirstElement + quint64(elements) + coordinates;
        m_refSize = bytesFor(count);
        // The most it can take (an element's marker and references, nine bytes a coordinate,
        // four bytes an offset below 4 GB), cut to what was written at the end.
        const quint64 objects = 8 + 256 + 10 + quint64(elements) * quint64(m_refSize)
                                + quint64(elements) * (1 + quint64(m_refSize)) + coordinates * (quint64(m_refSize) + 9);
        const quint64 bound = objects + count * quint64(objects + count * 4 > 0xFFFFFFFFULL ? 8 : 4) + 32;
        QByteArray out(qsizetype(bound), Qt::Uninitialized);
        m_begin = out.data();
        m_p = m_begin;
        m_offsets.reserve(size_t(count));
        put("bplist00", 8);

        begin();
        putCounted(0xD0, 5);
        for (quint64 key = ClassKeyObject; key <= WindingKeyObject; ++key)
            putRef(key);
        for (quint64 value : {quint64(ClassName), quint64(VersionValue), quint64(ElementList), quint64(LineWidthValue),
                              quint64(WindingValue)})
            putRef(value);
        for (const char *text : {"$class", "$version", "Elements", "LineWidth", "WindingRule"})
            putAscii(text);
        putAscii("QMBezierPath");
        putInteger(quint64(Archiver::Version));
        putReal(double(path.lineWidth()));
        putInteger(quint64(path.windingRule()));
        for (quint64 type = 0; type < 4; ++type)
            putInteger(type);

        begin();
        putCounted(0xA0, quint64(elements));
        quint64 next = FirstElement;
        for (int i = 0; i < elements; ++i) {
            putRef(next);
            next += 1 + 2 * quint64(BezierPath::pointCount(path.elementAt(i)));
        }
        QPointF points[3];
        next = FirstElement;
        for (int i = 0; i < elements; ++i) {
            const BezierPath::ElementType type = path.elementAt(i, points);
            const int pointCount = BezierPath::pointCount(type);
            begin();
            *m_p++ = char(0xA0 | (1 + 2 * pointCount));
            putRef(FirstType + quint64(type));
            for (int k = 0; k < 2 * pointCount; ++k)
                putRef(next + 1 + quint64(k));
            for (int k = 0; k < pointCount; ++k) {
                putReal(points[k].x());
                putReal(points[k].y());
            }
            next += 1 + 2 * quint64(pointCount);
        }

        const quint64 tableOffset = quint64(m_p - m_begin);
        const int offsetSize = bytesFor(tableOffset);
        for (quint64 offset : m_offsets)
            putBigEndian(offset, offsetSize);
        std::memset(m_p, 0, 6);
        m_p += 6;
        *m_p++ = char(offsetSize);
        *m_p++ = char(m_refSize);
        putBigEndian(quint64(m_offsets.size()), 8);
        putBigEndian(Root, 8);
        putBigEndian(tableOffset, 8);
        out.truncate(qsizetype(m_p - m_begin));
        return out;
    }

private:
    static int bytesFor(quint64 value)
    {
        if (value <= 0xFF)
            return 1;
        if (value <= 0xFFFF)
            return 2;
        if (value <= 0xFFFFFF)
            return 3;
        if (value <= 0xFFFFFFFF)
            return 4;
        return 8;
    }
    // An object starts here.
    void begin() { m_offsets.push_back(quint64(m_p - m_begin)); }
    void put(const char *bytes, size_t size)
    {
        std::memcpy(m_p, bytes, size);
        m_p += size;
    }
    void putBigEndian(quint64 value, int size)
    {
        for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
            *m_p++ = char((value >> shift) & 0xFF);
    }
    void putRef(quint64 index) { putBigEndian(index, m_refSize); }
    void putIntegerBody(quint64 value)
    {
        const int size = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFFFF ? 4 : 8;
        *m_p++ = char(0x10 | (size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3));
        putBigEndian(value, size);
    }
    void putInteger(quint64 value)
    {
        begin();
        putIntegerBody(value);
    }
    void putCounted(uchar marker, quint64 count)
    {
        if (count < 15) {
            *m_p++ = char(marker | count);
            return;
        }
        *m_p++ = char(marker | 0x0F);
        putIntegerBody(count);
    }
    void putAscii(const char *text)
    {
        begin();
        const size_t length = std::strlen(text);
        putCounted(0x50, length);
        put(text, length);
    }
    void putReal(double value)
    {
        begin();
        if (std::isfinite(value) && std::fabs(value) <= double(FLT_MAX) && double(float(value)) == value) {
            const float narrow = float(value);
            quint32 bits = 0;
            std::memcpy(&bits, &narrow, sizeof bits);
            *m_p++ = char(0x22);
            putBigEndian(bits, 4);
            return;
        }
        quint64 bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        *m_p++ = char(0x23);
        putBigEndian(bits, 8);
    }

    char *m_begin = nullptr;
    char *m_p = nullptr;
    std::vector<quint64> m_offsets;
    int m_refSize = 1;
};

// Outlines of at least this many elements are written straight.
constexpr int LargeOutline = 2000;

// Reads an archived outline straight from its binary property list, without making the tree
// of a list of numbers per element first: reopening a design of many paths spent half its time
// making and reading those trees. Only the plain form the writers make is read here (integer
// element types, numbers for coordinates, ASCII keys, each key once); anything else, damaged
// or merely unusual, is left to the general reader, which decides as it always did.
class OutlineReader
{
public:
    explicit OutlineReader(const QByteArray &data)
        : m_data(reinterpret_cast<const uchar *>(data.constData()))
        , m_size(quint64(data.size()))
    {
    }

    std::optional<BezierPath> read()
    {
        if (m_size < 8 + 32 || std::memcmp(m_data, "bplist00", 8) != 0)
            return std::nullopt;
        const uchar *trailer = m_data + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_objects = bigEndian(trailer + 8, 8);
        const quint64 root = bigEndian(trailer + 16, 8);
        m_table = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || m_objects == 0
            || m_table >= m_size - 32 || m_objects > (m_size - 32 - m_table) / quint64(m_offsetSize))
            return std::nullopt;

        quint64 keys = 0;
        quint64 at = 0;
        if (!counted(root, 0xD, &keys, &at) || keys > 16)
            return std::nullopt;
        std::optional<quint64> elements, lineWidth, winding;
        bool classFound = false, versionFound = false;
        for (quint64 i = 0; i < keys; ++i) {
            quint64 key = 0, value = 0;
            if (!ref(at + i * m_refSize, &key) || !ref(at + (keys + i) * m_refSize, &value))
                return std::nullopt;
            const QByteArray name = ascii(key);
            auto once = [value](std::optional<quint64> &slot) {
                if (slot)
                    return false;
                slot = value;
                return true;
            };
            if (name == "$class") {
                if (classFound || ascii(value) != "QMBezierPath")
                    return std::nullopt;
                classFound = true;
            } else if (name == "$version") {
                qint64 version = 0;
                if (versionFound || !integer(value, &version) || version != Archiver::Version)
                    return std::nullopt;
                versionFound = true;
            } else if (name == "Elements") {
                if (!once(elements))
                    return std::nullopt;
            } else if (name == "LineWidth") {
                if (!once(lineWidth))
                    return std::nullopt;
            } else if (name == "WindingRule") {
                if (!once(winding))
                    return std::nullopt;
            } else if (name.isNull()) {
                return std::nullopt;
            }
        }
        if (!classFound || !versionFound || !elements)
            return std::nullopt;

        quint64 count = 0;
        quint64 list = 0;
        if (!counted(*elements, 0xA, &count, &list) || count > quint64(BezierPathArchive::MaxElements))
            return std::nullopt;
        BezierPath path;
        for (quint64 e = 0; e < count; ++e) {
            quint64 element = 0, entries = 0, entry = 0;
            if (!ref(list + e * m_refSize, &element) || !counted(element, 0xA, &entries, &entry) || entries == 0)
                return std::nullopt;
            quint64 typeRef = 0;
            qint64 typeNumber = 0;
            if (!ref(entry, &typeRef) || !integer(typeRef, &typeNumber) || typeNumber < BezierPath::MoveTo
                || typeNumber > BezierPath::ClosePath)
                return std::nullopt;
            const auto type = BezierPath::ElementType(typeNumber);
            const int pointCount = BezierPath::pointCount(type);
            if (entries != quint64(1 + 2 * pointCount))
                return std::nullopt;
            QPointF points[3];
            for (int k = 0; k < pointCount; ++k) {
                quint64 xRef = 0, yRef = 0;
                double x = 0, y = 0;
                if (!ref(entry + quint64(1 + 2 * k) * m_refSize, &xRef) || !ref(entry + quint64(2 + 2 * k) * m_refSize, &yRef)
                    || !number(xRef, &x) || !number(yRef, &y) || !std::isfinite(x) || !std::isfinite(y))
                    return std::nullopt;
                points[k] = QPointF(x, y);
            }
            BezierPathArchive::appendStored(path, type, points);
        }
        if (lineWidth) {
            double width = 0;
            if (!number(*lineWidth, &width))
                return std::nullopt;
            if (std::isfinite(width) && width >= 0)
                path.setLineWidth(width);
        }
        if (winding) {
            qint64 rule = 0;
            if (!integer(*winding, &rule))
                return std::nullopt;
            if (rule == BezierPath::EvenOddWinding)
                path.setWindingRule(BezierPath::EvenOddWinding);
        }
        return path;
    }

private:
    static quint64 bigEndian(const uchar *p, int size)
    {
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | p[i];
        return value;
    }
    // The object a reference stored at `at` names.
    bool ref(quint64 at, quint64 *object) const
    {
        if (at < 8 || at > m_table || m_table - at < quint64(m_refSize))
            return false;
        *object = bigEndian(m_data + at, m_refSize);
        return *object < m_objects;
    }
    // Where an object starts: past the header, before the offset table.
    bool start(quint64 object, quint64 *at) const
    {
        if (object >= m_objects)
            return false;
        *at = bigEndian(m_data + m_table + object * quint64(m_offsetSize), m_offsetSize);
        return *at >= 8 && *at < m_table;
    }
    // An array (0xA) or dictionary (0xD): how many it holds and where its references begin.
    bool counted(quint64 object, uchar kind, quint64 *count, quint64 *body) const
    {
        quint64 at = 0;
        if (!start(object, &at) || (m_data[at] >> 4) != kind)
            return false;
        *count = m_data[at] & 0x0F;
        *body = at + 1;
        if (*count != 0x0F)
            return true;
        const uchar marker = m_data[at + 1];
        const int size = 1 << (marker & 0x0F);
        if ((marker >> 4) != 0x1 || size > 4 || at + 2 + quint64(size) > m_table)
            return false;
        *count = bigEndian(m_data + at + 2, size);
        *body = at + 2 + quint64(size);
        return true;
    }
    bool integer(quint64 object, qint64 *value) const
    {
        quint64 at = 0;
        if (!start(object, &at) || (m_data[at] >> 4) != 0x1)
            return false;
        const int size = 1 << (m_data[at] & 0x0F);
        if (size > 8 || at + 1 + quint64(size) > m_table)
            return false;
        const quint64 bits = bigEndian(m_data + at + 1, size);
        *value = size == 8 ? qint64(bits) : qint64(bits);
        return true;
    }
    // An integer or a real, as a number.
    bool number(quint64 object, double *value) const
    {
        quint64 at = 0;
        if (!start(object, &at))
            return false;
        const uchar marker = m_data[at];
        if ((marker >> 4) == 0x1) {
            qint64 whole = 0;
            if (!integer(object, &whole))
                return false;
            *value = double(whole);
            return true;
        }
        if (marker == 0x22 && at + 5 <= m_table) {
            const quint32 bits = quint32(bigEndian(m_data + at + 1, 4));
            float narrow = 0;
            std::memcpy(&narrow, &bits, sizeof narrow);
            *value = double(narrow);
            return true;
        }
        if (marker == 0x23 && at + 9 <= m_table) {
            const quint64 bits = bigEndian(m_data + at + 1, 8);
            std::memcpy(value, &bits, sizeof *value);
            return true;
        }
        return false;
    }
    // An ASCII string's bytes; null for any other object.
    QByteArray ascii(quint64 object) const
    {
        quint64 count = 0, at = 0;
        if (!counted(object, 0x5, &count, &at) || at + count > m_table)
            return {};
        return QByteArray(reinterpret_cast<const char *>(m_data + at), qsizetype(count));
    }

    const uchar *m_data;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objects = 0;
    quint64 m_table = 0;
};

} // namespace

QByteArray BezierPathArchive::archive(const BezierPath &path)
{
    // A copy being made records the trees of its archives for its Paste; a large outline's
    // own kept copy stands in for that (see ColorPath), so it is written straight only when
    // nothing records.
    if (path.elementCount() >= LargeOutline && !Archiver::recordingNow())
        return OutlineWriter().write(path);

    // One flat list per element: the type, then x and y of each of its points.
    QVariantList elements;
    elements.reserve(path.elementCount());
    QPointF points[3];
    for (int i = 0; i < path.elementCount(); ++i) {
        const BezierPath::ElementType type = path.elementAt(i, points);
        QVariantList entry;
        entry.append(qint64(type));
        for (int k = 0; k < BezierPath::pointCount(type); ++k) {
            entry.append(points[k].x());
            entry.append(points[k].y());
        }
        elements.append(QVariant(entry));
    }
    QVariantMap payload;
    payload.insert(ElementsKey, elements);
    payload.insert(LineWidthKey, double(path.lineWidth()));
    payload.insert(WindingRuleKey, qint64(path.windingRule()));
    return Archiver::archive(className, payload);
}

void BezierPathArchive::appendStored(BezierPath &path, BezierPath::ElementType type, const QPointF *points)
{
    switch (type) {
    case BezierPath::MoveTo:
        path.moveTo(points[0]);
        break;
    case BezierPath::LineTo:
        path.lineTo(points[0]);
        break;
    case BezierPath::CurveTo:
        path.curveTo(points[2], points[0], points[1]);
        break;
    case BezierPath::ClosePath:
        path.closePath();
        break;
    }
}

qsizetype BezierPathArchive::storedElementCount(const QByteArray &data)
{
    PropertyListArray elements;
    const QVariant root = PropertyList::fromDataDeferring(data, ElementsKey, &elements);
    if (root.typeId() != QMetaType::QVariantMap || root.toMap().value(QStringLiteral("$class")).toString() != className)
        return -1;
    return elements.size();
}

qsizetype BezierPathArchive::elementsPastLimit(const QVariant &stored)
{
    if (stored.typeId() != QMetaType::QByteArray)
        return 0;
    const QByteArray data = stored.toByteArray();
    if (data.size() < MaxElements)
        return 0;
    const qsizetype elements = storedElementCount(data);
    return elements > MaxElements ? elements : 0;
}

std::optional<BezierPath> BezierPathArchive::unarchive(const QByteArray &data)
{
    if (std::optional<BezierPath> read = OutlineReader(data).read())
        return read;
    const std::optional<QVariantMap> payload = Archiver::unarchive(data, className);
    if (!payload)
        return std::nullopt;
    const QVariant elementsValue = payload->value(ElementsKey);
    if (elementsValue.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList elements = elementsValue.toList();
    if (elements.size() > MaxElements)
        return std::nullopt;

    BezierPath path;
    for (const QVariant &value : elements) {
        if (value.typeId() != QMetaType::QVariantList)
            return std::nullopt;
        const QVariantList entry = value.toList();
        if (entry.isEmpty())
            return std::nullopt;
        bool ok = false;
        const qint64 typeNumber = entry.first().toLongLong(&ok);
        if (!ok || typeNumber < BezierPath::MoveTo || typeNumber > BezierPath::ClosePath)
            return std::nullopt;
        const auto type = BezierPath::ElementType(typeNumber);
        const int count = BezierPath::pointCount(type);
        if (entry.size() != 1 + 2 * count)
            return std::nullopt;
        QPointF points[3];
        for (int k = 0; k < count; ++k) {
            const std::optional<double> x = finiteNumber(entry.at(1 + 2 * k));
            const std::optional<double> y = finiteNumber(entry.at(2 + 2 * k));
            if (!x || !y)
                return std::nullopt;
            points[k] = QPointF(*x, *y);
        }
        BezierPathArchive::appendStored(path, type, points);
    }
    if (const std::optional<double> width = finiteNumber(payload->value(LineWidthKey));
        width && *width >= 0)
        path.setLineWidth(*width);
    bool ok = false;
    const qint64 rule = payload->value(WindingRuleKey).toLongLong(&ok);
    if (ok && rule == BezierPath::EvenOddWinding)
        path.setWindingRule(BezierPath::EvenOddWinding);
    return path;
}

} // namespace quillmark
