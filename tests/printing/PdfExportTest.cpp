#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QFile>
#include <QPainter>
#include <QRegularExpression>

#include <memory>

#include "common/TestSupport.h"
#include "printing/PdfExport.h"

using namespace quillmark;

namespace {

// A black block at the label's top left; a front page gets it, a back page gets a block at the
// bottom right instead.
void paintBlock(QPainter &painter, int page)
{
    if (page == 0)
        painter.fillRect(QRectF(0, 0, 72, 36), Qt::black);
    else
        painter.fillRect(QRectF(216, 108, 72, 36), Qt::black);
}

std::unique_ptr<Poppler::Document> load(const QByteArray &pdf)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    EXPECT_TRUE(document);
    return document;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(PdfExport, PageIsTheLabelSizeWithTheOriginAtTheTopLeft)
{
    const QString path = qmtest::freshDir("pdf") + "/label.pdf";
    QString error;
    ASSERT_TRUE(PdfExport::writePDF(path, QSizeF(288, 144), paintBlock, {}, 1, &error)) << error.toStdString();
    std::unique_ptr<Poppler::Document> document = load(readAll(path));
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 1);
    std::unique_ptr<Poppler::Page> page = document->page(0);
    EXPECT_EQ(page->pageSizeF(), QSizeF(288, 144));

    const QImage image = page->renderToImage(72, 72);
    ASSERT_EQ(image.size(), QSize(288, 144));
    EXPECT_EQ(qGray(image.pixel(5, 5)), 0);
    EXPECT_EQ(qGray(image.pixel(70, 34)), 0);
    EXPECT_EQ(qGray(image.pixel(80, 5)), 255);
    EXPECT_EQ(qGray(image.pixel(5, 40)), 255);
    EXPECT_EQ(qGray(image.pixel(5, 140)), 255);
}

TEST(PdfExport, PagesFollowTheCountAndInfoCarriesTheAuthor)
{
    PdfExport::Info info;
    info.title = "Sheet";
    info.author = QString::fromUtf8("Zoë Ångström");
    info.creator = "quillmark";
    const QByteArray pdf = PdfExport::pdfData(QSizeF(288, 144), paintBlock, info, 2);
    std::unique_ptr<Poppler::Document> document = load(pdf);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 2);
    EXPECT_EQ(document->info("Title"), "Sheet");
    EXPECT_EQ(document->info("Author"), info.author);
    EXPECT_EQ(document->info("Creator"), "quillmark");
    const QImage back = document->page(1)->renderToImage(72, 72);
    EXPECT_EQ(qGray(back.pixel(5, 5)), 255);
    EXPECT_EQ(qGray(back.pixel(280, 140)), 0);
}

TEST(PdfExport, OddSizesArePagesOfTheirOwn)
{
    // 8.5 × 11 inches less a hair must not snap to Letter.
    const QByteArray pdf = PdfExport::pdfData(QSizeF(611, 791), paintBlock);
    std::unique_ptr<Poppler::Document> document = load(pdf);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(611, 791));

    const QByteArray fractional = PdfExport::pdfData(QSizeF(203.76, 100.5), paintBlock);
    document = load(fractional);
    ASSERT_TRUE(document);
    EXPECT_NEAR(document->page(0)->pageSizeF().width(), 203.76, 0.01);
    EXPECT_NEAR(document->page(0)->pageSizeF().height(), 100.5, 0.01);
    // The drawing still starts at the top left: the block is 720 × 360 pixels at 720 dpi.
    const QImage image = document->page(0)->renderToImage(720, 720);
    EXPECT_EQ(qGray(image.pixel(2, 2)), 0);
    EXPECT_EQ(qGray(image.pixel(715, 355)), 0);
    EXPECT_EQ(qGray(image.pixel(725, 2)), 255);
    EXPECT_EQ(qGray(image.pixel(2, 365)), 255);

    // Fitted pages keep the information that follows.
    document = load(PdfExport::pdfData(QSizeF(70.5, 30.25), paintBlock, {"T", "A", "C"}, 2));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numPages(), 2);
    EXPECT_EQ(document->page(1)->pageSizeF(), QSizeF(70.5, 30.25));
    EXPECT_EQ(document->info("Author"), "A");
    document = load(PdfExport::pdfData(QSizeF(70.5, 30.25), paintBlock, {"Title only", {}, "C"}));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->info("Title"), "Title only");

    // The same written through a file of its own, read back a piece at a time.
    const QString path = qmtest::freshDir("pdf-odd") + "/odd.pdf";
    QString error;
    ASSERT_TRUE(PdfExport::writePDF(path, QSizeF(70.5, 30.25), paintBlock, {"T", "A", "C"}, 2, &error))
        << error.toStdString();
    document = load(readAll(path));
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numPages(), 2);
    EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(70.5, 30.25));
    EXPECT_EQ(document->page(1)->pageSizeF(), QSizeF(70.5, 30.25));
    EXPECT_EQ(document->info("Author"), "A");
    EXPECT_EQ(document->info("Title"), "T");
}

TEST(PdfExport, EpsHasTheHeaderAndTheBoundingBoxOfThePage)
{
    const QString path = qmtest::freshDir("eps") + "/label.eps";
    QString error;
    ASSERT_TRUE(PdfExport::writeEPS(path, QSizeF(288, 144), paintBlock, &error)) << error.toStdString();
    const QByteArray eps = readAll(path);
    EXPECT_TRUE(eps.startsWith("%!PS-Adobe-3.0 EPSF-3.0")) << eps.left(40).toStdString();
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("%%BoundingBox: ([-\\d]+) ([-\\d]+) ([-\\d]+) ([-\\d]+)"))
            .match(QString::fromLatin1(eps));
    ASSERT_TRUE(box.hasMatch());
    EXPECT_EQ(box.captured(0), "%%BoundingBox: 0 0 288 144");
}

TEST(PdfExport, FailuresWriteNothing)
{
    const QString dir = qmtest::freshDir("pdf-failures");
    QString error;
    EXPECT_FALSE(PdfExport::writePDF(dir + "/missing/a.pdf", QSizeF(288, 144), paintBlock, {}, 1, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PdfExport::writeEPS(dir + "/missing/a.eps", QSizeF(288, 144), paintBlock, &error));
    EXPECT_FALSE(PdfExport::writePDF(dir + "/empty.pdf", QSizeF(0, 144), paintBlock, {}, 1, &error));
    EXPECT_FALSE(PdfExport::writePDF(dir + "/huge.pdf", QSizeF(1e9, 144), paintBlock, {}, 1, &error));
    EXPECT_FALSE(PdfExport::writeEPS(dir + "/nan.eps", QSizeF(std::nan(""), 144), paintBlock, &error));
    EXPECT_TRUE(QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    EXPECT_TRUE(PdfExport::epsFromPDF("not a pdf").isEmpty());

    QByteArray noTrailer("%PDF-1.4\n");
    EXPECT_FALSE(PdfExport::appendDocumentInfo(noTrailer, {"t", "a", "c"}));
    EXPECT_EQ(noTrailer, "%PDF-1.4\n");
}

TEST(PdfExport, EpsCarriesTheFontsOfItsText)
{
    const QByteArray pdf = PdfExport::pdfData(QSizeF(203.5, 100.25), [](QPainter &painter, int) {
        painter.setFont(qmtest::testFont(18));
        painter.drawText(QPointF(10, 40), "Quillmark label");
    });
    QString error;
    const QByteArray eps = PdfExport::epsFromPDF(pdf, &error);
    ASSERT_FALSE(eps.isEmpty()) << error.toStdString();
    EXPECT_TRUE(eps.startsWith("%!PS-Adobe-3.0 EPSF-3.0"));
    EXPECT_TRUE(eps.contains("%%BeginResource: font")) << eps.left(600).toStdString();
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("%%HiResBoundingBox: ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) ([-\\d.]+)"))
            .match(QString::fromLatin1(eps));
    ASSERT_TRUE(box.hasMatch());
    EXPECT_DOUBLE_EQ(box.captured(3).toDouble() - box.captured(1).toDouble(), 203.5);
    EXPECT_DOUBLE_EQ(box.captured(4).toDouble() - box.captured(2).toDouble(), 100.25);
    EXPECT_TRUE(eps.trimmed().endsWith("%%EOF"));
}
