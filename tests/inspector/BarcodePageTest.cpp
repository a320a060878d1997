// The inspector's barcode page over a canvas stand-in, for what the window does not easily
// stage: a barcode showing address-book data and its kept text, a choice with nothing
// selected, the human-readable-text state folded over a mixed selection, and the ISBN
// pattern. The window tests (tests/barcodes) drive the rest as a user does.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCheckBox>
#include <QPlainTextEdit>

#include "barcodes/ColorBarcode.h"
#include "inspector/BarcodePage.h"
#include "inspector/InspectorFixture.h"

using namespace quillmark;
using inspectortest::InspectorFixture;

namespace {

class BarcodePageTest : public ::testing::Test
{
protected:
    BarcodePageTest() : f(QStringLiteral("barcode-page")) {}

    std::shared_ptr<ColorBarcode> addBarcode(int type, const std::string &data, const QPointF &at)
    {
        auto barcode = ColorBarcode::create(QRectF(at, QSizeF(80, 80)));
        barcode->setMainView(&f.canvas);
        barcode->setDrawBarcode(true);
        TBarInfo info = barcode->getBarInfo();
        info.type = int16_t(type);
        info.setData(data);
        barcode->setBarInfo(info);
        f.canvas.rects.append(barcode);
        return barcode;
    }
    BarcodePage *page() const { return static_cast<BarcodePage *>(f.info->page(ObjectInfoPanel::BarcodeTab)); }

    InspectorFixture f;
};

} // namespace

TEST_F(BarcodePageTest, SymbologyChoiceIsRememberedForNewBarcodesAndLeavesAddressData)
{
    auto barcode = addBarcode(BarcodeType::QRCode, "record value", {10, 10});
    barcode->setUseAddressData(true);
    barcode->setSaveBarData(QStringLiteral("KEPT 42"));
    f.select({barcode});
    QComboBox *popUp = page()->pbBarType;
    EXPECT_EQ(popUp->currentData().toInt(), BarcodeType::QRCode);

    popUp->setCurrentIndex(popUp->findData(BarcodeType::Code128B));
    emit popUp->activated(popUp->currentIndex());
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::Code128B);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("BarcodeType")), BarcodeType::Code128B);
    EXPECT_EQ(barcode->getBarcodeString(), QStringLiteral("KEPT 42")) << "the typed data come back";
    EXPECT_EQ(page()->tvBarData->toPlainText(), QStringLiteral("KEPT 42"));
    EXPECT_FALSE(barcode->useAddressData());

    // With nothing selected nothing changes and nothing is remembered, yet the document
    // counts as changed.
    UserDefaults::standard().removeObject(QStringLiteral("BarcodeType"));
    f.select({});
    const int changed = f.canvas.changedCalls;
    popUp->setCurrentIndex(popUp->findData(BarcodeType::Ean13));
    emit popUp->activated(popUp->currentIndex());
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("BarcodeType")), 0);
    EXPECT_GT(f.canvas.changedCalls, changed);
}

TEST_F(BarcodePageTest, HumanReadableTextStateFoldsFromTheFirstPosition)
{
    auto barcode = addBarcode(BarcodeType::Code128B, "HRT", {10, 10});
    auto box = f.add(QRectF(10, 120, 50, 20));
    f.select({box, barcode});
    EXPECT_EQ(page()->hrt(), -1);
    f.select({barcode, box});
    EXPECT_EQ(page()->hrt(), 1);
    EXPECT_EQ(page()->btnHRT->checkState(), Qt::Checked);
}

TEST_F(BarcodePageTest, IsbnPatternShowsForTheBooklandIsbnAndIsmnOnly)
{
    auto isbn = addBarcode(BarcodeType::BooklandIsbn, "030640615", {10, 10});
    f.select({isbn});
    QComboBox *pattern = page()->pbISBNPattern;
    EXPECT_FALSE(pattern->isHidden());
    EXPECT_EQ(pattern->itemText(0), QStringLiteral("X-XXXXXXX-X-X"));
    pattern->setCurrentIndex(6);
    emit pattern->activated(6);
    EXPECT_EQ(isbn->getBarInfo().isbnFormat, 6);
    f.select({isbn});
    EXPECT_EQ(pattern->currentIndex(), 6);

    auto ean = addBarcode(BarcodeType::Ean13, "400638133393", {10, 120});
    f.select({ean});
    EXPECT_TRUE(pattern->isHidden());
}
