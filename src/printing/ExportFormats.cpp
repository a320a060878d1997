#include "printing/ExportFormats.h"

#include <array>

namespace quillmark {

namespace {

struct FormatRow
{
    const char *title;
    const char *extension;
    std::optional<ImageFileType> type;
};

const std::array<FormatRow, exportFormatCount> &formatRows()
{
    static const std::array<FormatRow, exportFormatCount> rows = {{
        {"JPEG", "jpeg", ImageFileType::JPEG},
        {"JPEG-2000", "jp2", ImageFileType::JPEG2000},
        {"TIFF", "tiff", ImageFileType::TIFF},
        {"GIF", "gif", ImageFileType::GIF},
        {"PNG", "png", ImageFileType::PNG},
        {"BMP", "bmp", ImageFileType::BMP},
        {"ICNS", "icns", ImageFileType::AppleICNS},
        {"PDF", "pdf", std::nullopt},
        {"EPS", "eps", std::nullopt},
    }};
    return rows;
}

const FormatRow &rowOf(ExportFormat format)
{
    return formatRows()[static_cast<size_t>(format)];
}

} // namespace

QStringList exportFormatTitles()
{
    QStringList titles;
    for (const FormatRow &row : formatRows())
        titles << QString::fromLatin1(row.title);
    return titles;
}

QString exportFormatTitle(ExportFormat format)
{
    return QString::fromLatin1(rowOf(format).title);
}

std::optional<ExportFormat> exportFormatForTitle(const QString &title)
{
    for (int tag = 0; tag < exportFormatCount; ++tag) {
        if (title == QLatin1String(formatRows()[tag].title))
            return static_cast<ExportFormat>(tag);
    }
    return std::nullopt;
}

std::optional<ExportFormat> exportFormatForTag(int tag)
{
    if (tag < 0 || tag >= exportFormatCount)
        return std::nullopt;
    return static_cast<ExportFormat>(tag);
}

std::optional<ImageFileType> exportTypeTable(ExportFormat format)
{
    return rowOf(format).type;
}

bool isBitmapExportFormat(ExportFormat format)
{
    return static_cast<int>(format) <= static_cast<int>(ExportFormat::BMP);
}

QString exportFormatExtension(ExportFormat format)
{
    return QString::fromLatin1(rowOf(format).extension);
}

QString imageFileTypeExtension(ImageFileType type)
{
    if (type == ImageFileType::ICO)
        return QStringLiteral("ico");
    for (const FormatRow &row : formatRows()) {
        if (row.type == type)
            return QString::fromLatin1(row.extension);
    }
    return {};
}

std::optional<ExportFormat> exportFormatForExtension(const QString &extension)
{
    QString ext = extension.trimmed().toLower();
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    if (ext == QLatin1String("jpg"))
        return ExportFormat::JPEG;
    if (ext == QLatin1String("tif"))
        return ExportFormat::TIFF;
    for (int tag = 0; tag < exportFormatCount; ++tag) {
        if (ext == QLatin1String(formatRows()[tag].extension))
            return static_cast<ExportFormat>(tag);
    }
    return std::nullopt;
}

QString sequentialExportPath(const QString &chosenPath, int recordNumber, ExportFormat format)
{
    // Only the last path component's extension goes; a dot in a folder name or a leading dot of
    // a hidden file is no extension.
    QString base = chosenPath;
    const qsizetype slash = base.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1)
        base.truncate(dot);
    return base + QString::number(recordNumber) + QLatin1Char('.') + exportFormatExtension(format);
}

} // namespace quillmark
