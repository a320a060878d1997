// QR Code through libqrencode: round trips through ZXing, limits and module placement.
#include <gtest/gtest.h>

#include "barcodes/BarcodeTestSupport.h"

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/QRCodeSymbol.h"

#include <QPainter>

using namespace quillmark;

TEST(QRCode, RoundTrips)
{
    const std::vector<std::string> samples = {
        "Hello, Quillmark",
        "12345678912",
        "Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac 100",
        std::string("with\0zero", 9),
        std::string(900, 'x') + "end",
    };
    for (const std::string &data : samples) {
        TBarInfo info;
        info.type = BarcodeType::QRCode;
        info.setData(data);
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(200, 200), 3));
        ASSERT_TRUE(decoded.has_value()) << data.size();
        EXPECT_EQ(decoded->format, "QRCode");
        EXPECT_EQ(decoded->bytes, data);
    }
    // The same texts in every script the Data Matrix test reads.
    for (const bctest::ScriptSample &sample : bctest::scriptSamples()) {
        TBarInfo info;
        info.type = BarcodeType::QRCode;
        info.setData(sample.text);
        const auto decoded = bctest::decode(bctest::renderBarcode(info, QSizeF(160, 160), 3));
        ASSERT_TRUE(decoded.has_value()) << sample.script;
        EXPECT_EQ(decoded->text, sample.text) << sample.script;
    }
}

TEST(QRCode, EmptyOrTooLongDataGiveNoSymbol)
{
    EXPECT_FALSE(QRCodeSymbol::encodeQRString("").has_value());
    EXPECT_FALSE(QRCodeSymbol::encodeQRString(std::string(3000, 'a')).has_value());
    EXPECT_TRUE(QRCodeSymbol::encodeQRString(std::string(2900, 'a')).has_value());

    TBarInfo info;
    info.type = BarcodeType::QRCode;
    info.setData("");
    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    BarcodeRenderer::drawBarcode(&painter, QRectF(0, 0, 60, 60), info);
    painter.end();
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::white));
}

TEST(QRCode, TwentyOneModulesInAnEightyEightPointFrame)
{
    const auto symbol = QRCodeSymbol::encodeQRString("HELLO");
    ASSERT_TRUE(symbol.has_value());
    ASSERT_EQ(symbol->width(), 21);
    EXPECT_EQ(symbol->version(), 1);

    TBarInfo info;
    info.type = BarcodeType::QRCode;
    info.setData("HELLO");
    QImage image(88, 88, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    BarcodeRenderer::drawBarcode(&painter, QRectF(0, 0, 88, 88), info);
    painter.end();
    // Modules of 4 points from (2, 2): the finder's outer ring, then its light ring.
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(6, 6), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(85, 2), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(86, 2), QColor(Qt::white));

    const QPainterPath path = symbol->modulePath(2, 2, 4.0f);
    EXPECT_EQ(path.boundingRect(), QRectF(2, 2, 84, 84));
}
