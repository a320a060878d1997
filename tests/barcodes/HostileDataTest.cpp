// Any data, of any length and any bytes, draws or is refused without harm in every symbology.
#include <gtest/gtest.h>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/TSequence.h"

#include <QImage>
#include <QPainter>

#include <random>

using namespace quillmark;

TEST(HostileData, EveryTypeSurvivesRandomBytesOfAnyLength)
{
    std::mt19937 random(404);
    QImage image(200, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int n = 0; n < 60; ++n) {
        const size_t length = n % 10 == 0 ? 4000 + random() % 2000 : random() % 300;
        std::string bytes;
        const bool sevenBit = n % 3 == 0;
        for (size_t i = 0; i < length; ++i)
            bytes.push_back(char(sevenBit ? random() % 128 : random() % 256));
        if (n % 4 == 1)
            bytes = std::string(length, char('0' + n % 10));
        for (int type = 0; type <= 31; ++type) {
            TBarInfo info;
            info.type = int16_t(type);
            info.setData(bytes);
            info.barW = double(random() % 40) - 5;
            info.widthAdjust = double(random() % 20) - 10;
            info.barH = (random() % 3) * 0.3;
            info.attachment = uint8_t(random() % 8);
            info.isbnFormat = int64_t(random() % 40) - 10;
            info.HRT = uint8_t(random() % 2);
            info.CheckSymb = uint8_t(random() % 2);
            const ShortRect extent = BarcodeRenderer::frameExtent(info, QSizeF(50, 50));
            BarcodeRenderer::drawBarcode(&painter, QRectF(0, 0, std::max(1, extent.width()), std::max(1, extent.height())),
                                         info);
        }
    }
    painter.end();
    SUCCEED();
}

TEST(HostileData, SequenceValuesOfExtremeNumbers)
{
    TSequence s;
    s.isPresent = 1;
    s.counter = "1e308";
    s.increment = "1e308";
    s.repeat = 1;
    EXPECT_FALSE(sequenceCounterValue(s, 5).empty());
    s.counter = std::string(5000, '9');
    EXPECT_FALSE(sequenceCounterValue(s, 1).empty());
    s.counter = "1";
    s.increment = "2";
    s.repeat = 1;
    EXPECT_EQ(sequenceCounterValue(s, std::numeric_limits<int64_t>::max()).size() > 10, true);
}
