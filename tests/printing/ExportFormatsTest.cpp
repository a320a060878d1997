#include <gtest/gtest.h>

#include "printing/ExportFormats.h"

using namespace quillmark;

namespace {

struct FormatRow
{
    int tag;
    const char *title;
    const char *extension;
    std::optional<ImageFileType> type;
};

const FormatRow formatTable[] = {
    {0, "JPEG", "jpeg", ImageFileType::JPEG},
    {1, "JPEG-2000", "jp2", ImageFileType::JPEG2000},
    {2, "TIFF", "tiff", ImageFileType::TIFF},
    {3, "GIF", "gif", ImageFileType::GIF},
    {4, "PNG", "png", ImageFileType::PNG},
    {5, "BMP", "bmp", ImageFileType::BMP},
    {6, "ICNS", "icns", ImageFileType::AppleICNS},
    {7, "PDF", "pdf", std::nullopt},
    {8, "EPS", "eps", std::nullopt},
};

} // namespace

TEST(ExportFormats, TableGivesTitleTypeAndExtensionOfEveryTag)
{
    ASSERT_EQ(exportFormatTitles().size(), exportFormatCount);
    for (const FormatRow &row : formatTable) {
        SCOPED_TRACE(row.title);
        const std::optional<ExportFormat> format = exportFormatForTag(row.tag);
        ASSERT_TRUE(format.has_value());
        EXPECT_EQ(exportFormatTitles().at(row.tag), QString::fromLatin1(row.title));
        EXPECT_EQ(exportFormatTitle(*format), QString::fromLatin1(row.title));
        EXPECT_EQ(exportFormatForTitle(QString::fromLatin1(row.title)), format);
        EXPECT_EQ(exportTypeTable(*format), row.type);
        EXPECT_EQ(isBitmapExportFormat(*format), row.tag <= 5);
        EXPECT_EQ(exportFormatExtension(*format), QString::fromLatin1(row.extension));
        EXPECT_EQ(exportFormatForExtension(QString::fromLatin1(row.extension)), format);
        if (row.type) {
            EXPECT_EQ(imageFileTypeExtension(*row.type), QString::fromLatin1(row.extension));
        }
    }
    EXPECT_FALSE(exportFormatForTag(-1));
    EXPECT_FALSE(exportFormatForTag(9));
}

TEST(ExportFormats, TitlesMatchExactlyAndExtensionsLeniently)
{
    EXPECT_FALSE(exportFormatForTitle("pdf"));
    EXPECT_FALSE(exportFormatForTitle("JPEG2000"));
    EXPECT_FALSE(exportFormatForTitle(QString()));

    EXPECT_EQ(exportFormatForExtension("JPG"), ExportFormat::JPEG);
    EXPECT_EQ(exportFormatForExtension(".tif"), ExportFormat::TIFF);
    EXPECT_EQ(exportFormatForExtension("PDF"), ExportFormat::PDF);
    EXPECT_FALSE(exportFormatForExtension("doc"));
    EXPECT_FALSE(exportFormatForExtension(QString()));
    EXPECT_EQ(imageFileTypeExtension(ImageFileType::ICO), "ico");
}

TEST(ExportFormats, SequentialFilesAreNumberedBeforeTheFormatsExtension)
{
    EXPECT_EQ(sequentialExportPath("/tmp/Labels.pdf", 3, ExportFormat::PDF), "/tmp/Labels3.pdf");
    EXPECT_EQ(sequentialExportPath("/tmp/Labels.pdf", 12, ExportFormat::PNG), "/tmp/Labels12.png");
    EXPECT_EQ(sequentialExportPath("/tmp/Labels", 1, ExportFormat::EPS), "/tmp/Labels1.eps");
    EXPECT_EQ(sequentialExportPath("/tmp/a.b/Labels", 2, ExportFormat::JPEG), "/tmp/a.b/Labels2.jpeg");
    EXPECT_EQ(sequentialExportPath("/tmp/.hidden", 4, ExportFormat::TIFF), "/tmp/.hidden4.tiff");
    EXPECT_EQ(sequentialExportPath("/tmp/x.tar.gz", 5, ExportFormat::GIF), "/tmp/x.tar5.gif");
}
