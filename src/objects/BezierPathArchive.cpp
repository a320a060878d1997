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
