#pragma once
// The formats a label can be exported to, in the order of the format pop-ups: the pop-up item
// tags are the enumeration values, and the titles double as the stored "Export Format" value.
#include <QString>
#include <QStringList>
#include <optional>

namespace quillmark {

enum class ExportFormat : int {
    JPEG = 0,
    JPEG2000 = 1,
    TIFF = 2,
    GIF = 3,
    PNG = 4,
    BMP = 5,
    ICNS = 6,
    PDF = 7,
    EPS = 8,
};

constexpr int exportFormatCount = 9;

// The uniform type of a bitmap or icon file, as the image writer takes it. ICO is no export
// format of its own; it matters for the icon sizes it allows.
enum class ImageFileType : int {
    JPEG,
    JPEG2000,
    TIFF,
    GIF,
    PNG,
    BMP,
    AppleICNS,
    ICO,
};

// The nine titles in tag order ("JPEG", "JPEG-2000", ..., "EPS").
QStringList exportFormatTitles();
QString exportFormatTitle(ExportFormat format);
// Exact, case-sensitive title match, as the pop-up selects its item by title.
std::optional<ExportFormat> exportFormatForTitle(const QString &title);
// The format of a pop-up tag; tags outside 0..8 have none.
std::optional<ExportFormat> exportFormatForTag(int tag);

// The uniform type written for a format: tags 0 to 6 have one; PDF and EPS are drawn as vectors.
std::optional<ImageFileType> exportTypeTable(ExportFormat format);
// Whether the format is written as a plain bitmap (tags 0 to 5).
bool isBitmapExportFormat(ExportFormat format);

// The preferred file-name extension, without the dot: "jpeg", "jp2", "tiff", "gif", "png", "bmp",
// "icns", "pdf", "eps".
QString exportFormatExtension(ExportFormat format);
QString imageFileTypeExtension(ImageFileType type);
// The format a file name extension stands for, ignoring case and a leading dot; the usual short
// forms "jpg" and "tif" are understood as well.
std::optional<ExportFormat> exportFormatForExtension(const QString &extension);

// The file of record number k in a sequential export: the chosen path without its extension,
// then k in decimal, then "." and the format's extension ("/tmp/Labels.pdf", 3 ->
// "/tmp/Labels3.pdf").
QString sequentialExportPath(const QString &chosenPath, int recordNumber, ExportFormat format);

} // namespace quillmark
