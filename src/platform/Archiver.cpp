#include "platform/Archiver.h"

#include "platform/PropertyList.h"

#include <QHash>
#include <QVariantList>

#include <cmath>
#include <utility>

namespace quillmark {

namespace {

const QString ClassKey = QStringLiteral("$class");
const QString VersionKey = QStringLiteral("$version");

const QString ColorClass = QStringLiteral("QMColor");
const QString FontClass = QStringLiteral("QMFont");

// Beyond any size a label could use; keeps damaged archives from asking for absurd fonts.
constexpr double MaximumFontSize = 10000.0;

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// The components of a colour, each a finite number; extended RGB may leave [0, 1].
std::optional<QList<float>> components(const QVariant &value, int count, bool bounded)
{
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    const QVariantList list = value.toList();
    if (list.size() != count)
        return std::nullopt;
    QList<float> result;
    for (const QVariant &item : list) {
        if (!isNumber(item))
            return std::nullopt;
        const double number = item.toDouble();
        if (!std::isfinite(number) || (bounded && (number < 0.0 || number > 1.0)))
            return std::nullopt;
        result.append(float(number));
    }
    return result;
}

} // namespace

struct Archiver::KeptRoots
{
    struct Entry
    {
        QByteArray data;
        QVariantMap root;
    };
    QHash<const char *, Entry> roots;
    qint64 bytes = 0;
    // What the trees may hold at most, in bytes of the archives they stand for.
    static constexpr qint64 Limit = 64LL * 1024 * 1024;
};

namespace {

thread_local std::shared_ptr<Archiver::KeptRoots> recording;
thread_local std::shared_ptr<const Archiver::KeptRoots> reading;

} // namespace

std::shared_ptr<Archiver::KeptRoots> Archiver::newKeptRoots()
{
    return std::make_shared<KeptRoots>();
}

std::shared_ptr<Archiver::KeptRoots> Archiver::recordingNow()
{
    return recording;
}

std::shared_ptr<const Archiver::KeptRoots> Archiver::readingNow()
{
    return reading;
}

void Archiver::keepAlso(KeptRoots &into, const KeptRoots &from)
{
    for (auto it = from.roots.cbegin(); it != from.roots.cend(); ++it) {
        if (into.bytes + it->data.size() > KeptRoots::Limit)
            return;
        if (into.roots.contains(it.key()))
            continue;
        into.roots.insert(it.key(), *it);
        into.bytes += it->data.size();
    }
}

Archiver::Recording::Recording(std::shared_ptr<KeptRoots> into)
    : m_previous(std::exchange(recording, std::move(into)))
{
}

Archiver::Recording::~Recording()
{
    recording = std::move(m_previous);
}

Archiver::Reading::Reading(std::shared_ptr<const KeptRoots> from)
    : m_previous(std::exchange(reading, std::move(from)))
{
}

Archiver::Reading::~Reading()
{
    reading = std::move(m_previous);
}

QByteArray Archiver::archive(const QString &className, const QVariantMap &payload)
{
    QVariantMap root = payload;
    root.insert(ClassKey, className);
    root.insert(VersionKey, qint64(Version));
    QByteArray data = PropertyList::toData(root, PlistFormat::Binary);
    if (recording && !data.isEmpty() && recording->bytes + data.size() <= KeptRoots::Limit) {
        const QVariant read = PropertyList::asRead(root);
        if (read.typeId() == QMetaType::QVariantMap) {
            recording->roots.insert(data.constData(), {data, read.toMap()});
            recording->bytes += data.size();
        }
    }
    return data;
}

static std::optional<QVariantMap> readArchiveRoot(const QByteArray &data);

static std::optional<QVariantMap> archiveRoot(const QByteArray &data)
{
    // The very bytes recorded when they were written: the kept entry holds them, so no other
    // data can have come to their address.
    if (reading) {
        const auto it = reading->roots.constFind(data.constData());
        if (it != reading->roots.constEnd() && it->data.size() == data.size()
            && it->root.value(ClassKey).typeId() == QMetaType::QString)
            return it->root;
    }
    // Every object of a design holds an archive of its text, and every text its default font:
    // most are alike, and each distinct one is parsed once rather than once per object. Small
    // archives only, few of them, per thread.
    thread_local QHash<QByteArray, std::optional<QVariantMap>> read;
    if (data.size() > 4096)
        return readArchiveRoot(data);
    if (const auto it = read.constFind(data); it != read.constEnd())
        return *it;
    if (read.size() >= 256)
        read.clear();
    std::optional<QVariantMap> root = readArchiveRoot(data);
    read.insert(data, root);
    return root;
}

static std::optional<QVariantMap> readArchiveRoot(const QByteArray &data)
{
    if (data.isEmpty())
        return std::nullopt;
    const QVariant root = PropertyList::fromData(data, nullptr, QMetaType::QVariantMap);
    if (!root.isValid())
        return std::nullopt;
    QVariantMap map = root.toMap();
    if (map.value(ClassKey).typeId() != QMetaType::QString)
        return std::nullopt;
    const QVariant version = map.value(VersionKey);
    if (version.typeId() != QMetaType::LongLong || version.toLongLong() != Archiver::Version)
        return std::nullopt;
    return map;
}

QString Archiver::classOf(const QByteArray &data)
{
    const auto root = archiveRoot(data);
    return root ? root->value(ClassKey).toString() : QString();
}

std::optional<QVariantMap> Archiver::unarchive(const QByteArray &data, const QString &expectedClass)
{
    auto root = archiveRoot(data);
    if (!root || root->value(ClassKey).toString() != expectedClass)
        return std::nullopt;
    root->remove(ClassKey);
    root->remove(VersionKey);
    return root;
}

namespace {

// The colours each thread keeps archived and read. A design of thousands of objects in
// gradients of their own holds hundreds of distinct colours, read again and again as its
// objects are copied, pasted and saved: once the kept ones are dropped, every colour after
// them is archived or read anew. A few thousand archives of some hundred bytes stay small.
constexpr qsizetype KeptColourArchives = 4096;

} // namespace

QByteArray Archiver::archiveColor(const QColor &color)
{
    const char *space = "invalid";
    float v[4] = {0, 0, 0, 0};
    int count = 0;
    float alpha = 1;
    switch (color.spec()) {
    case QColor::Invalid:
        break;
    case QColor::Rgb:
        color.getRgbF(&v[0], &v[1], &v[2], &alpha);
        if (v[0] == v[1] && v[1] == v[2]) {
            space = "gray";
            count = 1;
        } else {
            space = "rgb";
            count = 3;
        }
        break;
    case QColor::ExtendedRgb:
        color.getRgbF(&v[0], &v[1], &v[2], &alpha);
        space = "extendedRgb";
        count = 3;
        break;
    case QColor::Cmyk:
        color.getCmykF(&v[0], &v[1], &v[2], &v[3], &alpha);
        space = "cmyk";
        count = 4;
        break;
    case QColor::Hsv:
        color.getHsvF(&v[0], &v[1], &v[2], &alpha);
        space = "hsv";
        count = 3;
        break;
    case QColor::Hsl:
        color.getHslF(&v[0], &v[1], &v[2], &alpha);
        space = "hsl";
        count = 3;
        break;
    }
    // Every object writes its fill, stroke, shadow and gradient colours and every run of its
    // text its own: a design holds few distinct colours, each archived once per thread rather
    // than once per use. The key is exactly what the archive is made of.
    struct Key
    {
        int spec;
        float values[5];
    };
    Key key{int(color.spec()), {v[0], v[1], v[2], v[3], alpha}};
    const QByteArray keyBytes(reinterpret_cast<const char *>(&key), sizeof key);
    thread_local QHash<QByteArray, QByteArray> written;
    if (const auto it = written.constFind(keyBytes); it != written.constEnd())
        return *it;

    QVariantMap payload;
    payload.insert(QStringLiteral("space"), QString::fromLatin1(space));
    if (count > 0) {
        QVariantList list;
        for (int i = 0; i < count; ++i)
            list.append(double(v[i]));
        payload.insert(QStringLiteral("components"), list);
        payload.insert(QStringLiteral("alpha"), double(alpha));
    }
    const QByteArray archived = archive(ColorClass, payload);
    if (written.size() >= KeptColourArchives)
        written.clear();
    written.insert(keyBytes, archived);
    return archived;
}

namespace {

std::optional<QColor> readColorArchive(const QByteArray &data)
{
    const auto payload = Archiver::unarchive(data, ColorClass);
    if (!payload)
        return std::nullopt;
    const QString space = payload->value(QStringLiteral("space")).toString();
    if (space == QLatin1String("invalid"))
        return QColor();
    const QVariant alphaValue = payload->value(QStringLiteral("alpha"));
    if (!isNumber(alphaValue))
        return std::nullopt;
    const double alpha = alphaValue.toDouble();
    if (!(alpha >= 0.0 && alpha <= 1.0))
        return std::nullopt;
    const QVariant list = payload->value(QStringLiteral("components"));
    const float a = float(alpha);
    if (space == QLatin1String("gray")) {
        const auto v = components(list, 1, true);
        if (!v)
            return std::nullopt;
        return QColor::fromRgbF((*v)[0], (*v)[0], (*v)[0], a);
    }
    if (space == QLatin1String("rgb")) {
        const auto v = components(list, 3, true);
        if (!v)
            return std::nullopt;
        return QColor::fromRgbF((*v)[0], (*v)[1], (*v)[2], a);
    }
    if (space == QLatin1String("extendedRgb")) {
        const auto v = components(list, 3, false);
        if (!v)
            return std::nullopt;
        QColor color = QColor::fromRgbF((*v)[0], (*v)[1], (*v)[2], a);
        return color.toExtendedRgb();
    }
    if (space == QLatin1String("cmyk")) {
        const auto v = components(list, 4, true);
        if (!v)
            return std::nullopt;
        return QColor::fromCmykF((*v)[0], (*v)[1], (*v)[2], (*v)[3], a);
    }
    if (space == QLatin1String("hsv") || space == QLatin1String("hsl")) {
        // An achromatic colour has hue -1.
        const auto v = components(list, 3, false);
        if (!v || !((*v)[0] == -1.0f || ((*v)[0] >= 0.0f && (*v)[0] <= 1.0f)))
            return std::nullopt;
        for (int i = 1; i < 3; ++i) {
            if ((*v)[i] < 0.0f || (*v)[i] > 1.0f)
                return std::nullopt;
        }
        return space == QLatin1String("hsv") ? QColor::fromHsvF((*v)[0], (*v)[1], (*v)[2], a)
                                             : QColor::fromHslF((*v)[0], (*v)[1], (*v)[2], a);
    }
    return std::nullopt;
}

} // namespace

std::optional<QColor> Archiver::unarchiveColor(const QByteArray &data)
{
    // A design repeats a few colours in every object and every run of its text: each archive
    // is read once, not once per use. The cache is kept small and per thread.
    // Only archives of a colour's size are kept, so the cache never holds on to much.
    thread_local QHash<QByteArray, std::optional<QColor>> read;
    if (data.size() > 1024)
        return readColorArchive(data);
    if (const auto it = read.constFind(data); it != read.constEnd())
        return *it;
    if (read.size() >= KeptColourArchives)
        read.clear();
    const std::optional<QColor> color = readColorArchive(data);
    read.insert(data, color);
    return color;
}


QByteArray Archiver::archiveFont(const QFont &font)
{
    // Every text writes its default font: the few distinct ones are archived once per thread.
    // Most texts share the very font, which compares equal at once; the key holds every field
    // the archive is made of.
    thread_local std::optional<std::pair<QFont, QByteArray>> last;
    if (last && last->first == font)
        return last->second;
    const QString key = font.family() + QChar(0) + font.styleName() + QChar(0)
                        + QString::number(font.pointSizeF(), 'g', 17) + QChar(0) + QString::number(font.pixelSize())
                        + QChar(0) + QString::number(font.weight()) + QChar(0) + QString::number(int(font.italic()))
                        + QChar(0) + QString::number(font.stretch());
    thread_local QHash<QString, QByteArray> written;
    if (const auto it = written.constFind(key); it != written.constEnd()) {
        last.emplace(font, *it);
        return *it;
    }
    QVariantMap payload;
    payload.insert(QStringLiteral("family"), font.family());
    if (font.pointSizeF() > 0)
        payload.insert(QStringLiteral("pointSize"), font.pointSizeF());
    else
        payload.insert(QStringLiteral("pixelSize"), qint64(font.pixelSize()));
    payload.insert(QStringLiteral("weight"), qint64(font.weight()));
    payload.insert(QStringLiteral("italic"), font.italic());
    // The face itself, where the font names one ("Demi Italic", "Condensed"); readers that
    // do not know these keys choose the face by weight and slant.
    if (!font.styleName().isEmpty())
        payload.insert(QStringLiteral("styleName"), font.styleName());
    if (font.stretch() != QFont::AnyStretch)
        payload.insert(QStringLiteral("stretch"), qint64(font.stretch()));
    const QByteArray archived = archive(FontClass, payload);
    if (written.size() >= 256)
        written.clear();
    written.insert(key, archived);
    last.emplace(font, archived);
    return archived;
}

std::optional<QFont> Archiver::unarchiveFont(const QByteArray &data)
{
    // A design's objects mostly share a few fonts: each distinct archive is read once per
    // thread, and the one read last is found without hashing.
    thread_local std::optional<std::pair<QByteArray, std::optional<QFont>>> last;
    if (last && last->first == data)
        return last->second;
    thread_local QHash<QByteArray, std::optional<QFont>> read;
    if (const auto it = read.constFind(data); it != read.constEnd()) {
        last.emplace(data, *it);
        return *it;
    }
    const auto readFont = [&data]() -> std::optional<QFont> {
        const auto payload = unarchive(data, FontClass);
        if (!payload)
            return std::nullopt;
        const QVariant family = payload->value(QStringLiteral("family"));
        const QVariant weight = payload->value(QStringLiteral("weight"));
        const QVariant italic = payload->value(QStringLiteral("italic"));
        if (family.typeId() != QMetaType::QString || weight.typeId() != QMetaType::LongLong
            || italic.typeId() != QMetaType::Bool)
            return std::nullopt;
        const qint64 weightValue = weight.toLongLong();
        if (weightValue < 1 || weightValue > 1000)
            return std::nullopt;

        QFont font(family.toString());
        const QVariant pointSize = payload->value(QStringLiteral("pointSize"));
        const QVariant pixelSize = payload->value(QStringLiteral("pixelSize"));
        if (isNumber(pointSize)) {
            const double size = pointSize.toDouble();
            if (!(size > 0.0 && size <= MaximumFontSize))
                return std::nullopt;
            font.setPointSizeF(size);
        } else if (pixelSize.typeId() == QMetaType::LongLong) {
            const qint64 size = pixelSize.toLongLong();
            if (size < 1 || size > qint64(MaximumFontSize))
                return std::nullopt;
            font.setPixelSize(int(size));
        } else {
            return std::nullopt;
        }
        font.setWeight(QFont::Weight(weightValue));
        font.setItalic(italic.toBool());
        if (const QVariant style = payload->value(QStringLiteral("styleName"));
            style.typeId() == QMetaType::QString && !style.toString().isEmpty() && style.toString().size() <= 256)
            font.setStyleName(style.toString());
        if (const QVariant stretch = payload->value(QStringLiteral("stretch"));
            stretch.typeId() == QMetaType::LongLong && stretch.toLongLong() >= 1 && stretch.toLongLong() <= 4000)
            font.setStretch(int(stretch.toLongLong()));
        return font;
    };
    std::optional<QFont> font = readFont();
    if (read.size() >= 256)
        read.clear();
    read.insert(data, font);
    last.emplace(data, font);
    return font;
}

} // namespace quillmark
