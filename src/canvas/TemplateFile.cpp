#include "canvas/TemplateFile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <cmath>

#include "objects/BezierPathArchive.h"
#include "objects/ImageProbe.h"
#include "platform/Archiver.h"
#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/PropertyList.h"

namespace quillmark {

namespace {

// More objects than any label holds; a template past it is taken as damaged.
constexpr int MaximumObjects = 100000;
// A label is never larger than this many points each way (the documents' 1,000 inches).
constexpr double MaximumSide = 72000.0;
// Enough numbered names for anyone; a folder that uses them all gets no more.
constexpr int MaximumCandidates = 1000;

bool isListOfDictionaries(const QVariant &value)
{
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    const QVariantList list = value.toList();
    if (list.size() > MaximumObjects)
        return false;
    for (const QVariant &entry : list)
        if (entry.typeId() != QMetaType::QVariantMap)
            return false;
    return true;
}

QByteArray previewBytes(const QVariantMap &dict)
{
    const QVariant image = dict.value(QStringLiteral("TemplateImage"));
    if (image.typeId() != QMetaType::QByteArray)
        return {};
    const QByteArray data = image.toByteArray();
    // Templates written as documents write their previews (an archived picture) are read too.
    if (Archiver::classOf(data) == QLatin1String("QMImage")) {
        const std::optional<QVariantMap> archived = Archiver::unarchive(data, QStringLiteral("QMImage"));
        if (!archived)
            return {};
        return archived->value(QStringLiteral("data")).toByteArray();
    }
    return data;
}

} // namespace

QString TemplateFile::builtInFolder()
{
    return QDir::cleanPath(Bundle::resourcesPath()) + QStringLiteral("/Brenholt/Quillmark/Templates/");
}

QString TemplateFile::userFolder()
{
    return QDir::cleanPath(Bundle::applicationSupportPath()) + QStringLiteral("/Brenholt/Quillmark/Templates/");
}

std::optional<QVariantMap> TemplateFile::read(const QString &path, Problem *problem)
{
    auto fail = [problem](Problem why) -> std::optional<QVariantMap> {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    // A FIFO or device named like a template must not block the reader.
    const std::optional<QByteArray> data = ImageProbe::readFile(path);
    if (!data)
        return fail(Problem::Unreadable);
    if (QFileInfo(path).suffix() != QLatin1String(Extension))
        return fail(Problem::NotATemplate);
    const QVariant parsed = PropertyList::fromData(*data, nullptr, QMetaType::QVariantMap);
    if (parsed.typeId() != QMetaType::QVariantMap)
        return fail(Problem::NotATemplate);
    const QVariantMap dict = parsed.toMap();
    if (!validate(dict).isEmpty())
        return fail(Problem::NotATemplate);
    if (problem)
        *problem = Problem::None;
    return dict;
}

QString TemplateFile::validate(const QVariantMap &dict)
{
    const QVariant objects = dict.value(QStringLiteral("ObjectsList"));
    if (objects.isValid() && !isListOfDictionaries(objects))
        return QStringLiteral("ObjectsList is not an array of dictionaries");
    const QVariant groups = dict.value(QStringLiteral("GroupsList"));
    if (groups.isValid() && !isListOfDictionaries(groups))
        return QStringLiteral("GroupsList is not an array of dictionaries");
    const QVariant image = dict.value(QStringLiteral("TemplateImage"));
    if (image.isValid() && image.typeId() != QMetaType::QByteArray)
        return QStringLiteral("TemplateImage is not data");
    const QVariant rect = dict.value(QStringLiteral("TemplateBounds"));
    if (rect.isValid()) {
        if (rect.typeId() != QMetaType::QString)
            return QStringLiteral("TemplateBounds is not a string");
        const QRectF r = rectFromString(rect.toString());
        if (!std::isfinite(r.width()) || !std::isfinite(r.height()) || r.width() < 0.0 || r.height() < 0.0
            || r.width() > MaximumSide || r.height() > MaximumSide)
            return QStringLiteral("TemplateBounds is out of range");
    }
    // Placed, a path longer than a path may be would be its frame's rectangle.
    for (const QVariant &entry : objects.toList())
        if (BezierPathArchive::elementsPastLimit(entry.toMap().value(QStringLiteral("Path"))))
            return QStringLiteral("a path holds more points than a path may");
    return QString();
}

QRectF TemplateFile::bounds(const QVariantMap &dict)
{
    const QVariant rect = dict.value(QStringLiteral("TemplateBounds"));
    if (rect.typeId() != QMetaType::QString)
        return {};
    return rectFromString(rect.toString());
}

bool TemplateFile::hasTwoSides(const QVariantList &objects)
{
    QString first;
    for (const QVariant &entry : objects) {
        const QString page = entry.toMap().value(QStringLiteral("PageName")).toString();
        if (first.isNull())
            first = page;
        else if (page != first)
            return true;
    }
    return false;
}

QImage TemplateFile::preview(const QVariantMap &dict, QSize box)
{
    if (box.isEmpty())
        return {};
    QByteArray bytes = previewBytes(dict);
    if (bytes.isEmpty())
        return {};
    const ImageProbe::Result probed = ImageProbe::probeData(bytes);
    switch (probed.format) {
    case ImageProbe::Format::None:
        return {};
    case ImageProbe::Format::Raster:
    case ImageProbe::Format::Jpeg2000: {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::ReadOnly))
            return {};
        return ImageProbe::decodeBitmap(&buffer, probed, box);
    }
    case ImageProbe::Format::Svg:
        return ImageProbe::renderSvg(probed.data, ImageProbe::fittedSize(probed.size, box));
    case ImageProbe::Format::Pdf:
        return ImageProbe::renderPdf(probed.data, ImageProbe::fittedSize(probed.size, box));
    }
    return {};
}

QImage TemplateFile::previewOfFile(const QString &path, QSize box)
{
    const std::optional<QVariantMap> dict = read(path);
    return dict ? preview(*dict, box) : QImage();
}

QByteArray TemplateFile::previewData(const QImage &labelImage)
{
    if (labelImage.isNull())
        return {};
    QImage image = labelImage;
    const int longer = std::max(image.width(), image.height());
    if (longer > PreviewSide) {
        // The longer side becomes exactly PreviewSide, the proportions kept.
        const double factor = double(longer) / PreviewSide;
        const QSize size(std::max(1, int(std::lround(image.width() / factor))),
                         std::max(1, int(std::lround(image.height() / factor))));
        image = labelImage.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return {};
    return png;
}

bool TemplateFile::isValidName(const QString &name)
{
    if (name.trimmed().isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')))
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

QString TemplateFile::uniquePath(const QString &folder, const QString &title, const ExistsFunction &exists)
{
    if (!isValidName(title))
        return {};
    const ExistsFunction taken = exists ? exists : [](const QString &path) { return QFileInfo::exists(path); };
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const QString suffix = QLatin1Char('.') + QLatin1String(Extension);
    QString candidate = title;
    for (int number = 1; number <= MaximumCandidates; ++number) {
        const QString path = base + candidate + suffix;
        if (!taken(path))
            return path;
        candidate += QString::number(number);
    }
    return {};
}

} // namespace quillmark
