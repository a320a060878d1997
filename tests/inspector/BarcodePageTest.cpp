// The inspector's barcode page: data typed into its text view reach every selected barcode
// after the event, whole and cut only where the record ends; the symbology, metrics, gap,
// human-readable text and ISBN pattern change the barcode's record without undo; the data
// source goes through the undoable merge key; the bar geometry fields give way to the
// square symbols.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "barcodes/ColorBarcode.h"
#include "foundation/MyStepper.h"
#include "inspector/BarcodePage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"

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

    // Types over the view's text; the barcode gets it once the event loop turns.
    void typeData(const QString &text)
    {
        QPlainTextEdit *view = page()->tvBarData;
        view->setFocus();
        view->selectAll();
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClicks(view, text);
    }
    static void turnEventLoop() { QCoreApplication::processEvents(); }

    InspectorFixture f;
};

} // namespace

TEST_F(BarcodePageTest, TypedDataReachEverySelectedBarcodeOnTheNextTurnWithoutUndo)
{
    auto first = addBarcode(BarcodeType::Code128B, "12345678912", {10, 10});
    auto second = addBarcode(BarcodeType::QRCode, "old", {10, 120});
    f.select({first, second});
    EXPECT_EQ(page()->tvBarData->toPlainText(), QStringLiteral("12345678912"));
    f.startFresh();

    typeData(QStringLiteral("ABC"));
    EXPECT_EQ(first->getBarInfo().BarStr, "12345678912") << "not before the text system is done";
    turnEventLoop();
    for (const auto &barcode : {first, second}) {
        EXPECT_EQ(barcode->getBarInfo().BarStr, "ABC");
        EXPECT_EQ(barcode->getBarInfo().strlength(), 3);
        EXPECT_EQ(barcode->getBarInfo().shortData().size(), 3u) << "the length byte";
    }
    EXPECT_FALSE(f.canvas.undo.canUndo());
    EXPECT_GT(f.canvas.changedCalls, 0);

    // Filling the view from the selection is no typing.
    const int changed = f.canvas.changedCalls;
    f.select({second, first});
    turnEventLoop();
    EXPECT_EQ(f.canvas.changedCalls, changed);
}

TEST_F(BarcodePageTest, LongDataStoreWholeAndAreCutOnlyBetweenCharactersWhereTheRecordEnds)
{
    auto barcode = addBarcode(BarcodeType::QRCode, "x", {10, 10});
    f.select({barcode});

    const QString text300(300, QLatin1Char('7'));
    page()->tvBarData->setPlainText(text300);
    turnEventLoop();
    EXPECT_EQ(barcode->getBarInfo().strlength(), 300);
    EXPECT_EQ(barcode->getBarInfo().shortData().size(), 255u) << "the length byte stops at 255";
    EXPECT_EQ(page()->barData(), text300) << "read back whole";

    page()->tvBarData->setPlainText(QString::fromUtf8("Straße"));
    turnEventLoop();
    EXPECT_EQ(barcode->getBarInfo().strlength(), 7) << "ß counts two bytes";

    // 4094 one-byte characters and a three-byte one: the record holds 4095 bytes, so the
    // last character goes whole rather than in part.
    page()->tvBarData->setPlainText(QString(4094, QLatin1Char('a')) + QString::fromUtf8("€"));
    turnEventLoop();
    EXPECT_EQ(barcode->getBarInfo().strlength(), 4094);
    EXPECT_TRUE(QString::fromUtf8(barcode->getBarInfo().BarStr.c_str()).endsWith(QLatin1Char('a')));
}

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

TEST_F(BarcodePageTest, GapItemsCountHalvesAndOnlySymbology7TakesThem)
{
    auto code39 = addBarcode(BarcodeType::Code39, "CODE39", {10, 10});
    auto code128 = addBarcode(BarcodeType::Code128B, "CODE128", {10, 120});
    f.select({code39, code128});
    QComboBox *gap = page()->pbBarGap;
    EXPECT_TRUE(gap->isHidden());
    EXPECT_FALSE(gap->isEnabled());

    gap->setCurrentIndex(3);
    emit gap->activated(3);
    EXPECT_EQ(code39->getBarInfo().chargap, 2.5);
    EXPECT_EQ(code39->getBarInfo().type, BarcodeType::Code39);
    EXPECT_EQ(code128->getBarInfo().chargap, 1.0);
    f.select({code39});
    EXPECT_EQ(page()->barGap(), 3);
    EXPECT_EQ(gap->currentIndex(), 3);
    // A gap of 2.0 reads as item 2 here (the drawer counts it as its item 1).
    TBarInfo info = code39->getBarInfo();
    info.chargap = 2.0;
    code39->setBarInfo(info);
    EXPECT_EQ(page()->barGap(), 2);
}

TEST_F(BarcodePageTest, SquareSymbolsHideTheBarGeometryWhicheverComesFirst)
{
    auto qr = addBarcode(BarcodeType::QRCode, "QR", {10, 10});
    auto code128 = addBarcode(BarcodeType::Code128B, "C128", {10, 120});
    BarcodePage *p = page();
    const QList<QWidget *> geometry = {p->tvBarWidth, p->tvBarAdjust, p->tvBarHeight, p->lblWidth, p->lblWidthAdjust,
                                       p->lblHeight, p->spBarWidth, p->spBarAdjust, p->spBarHeight};
    for (const auto &order : {QList<std::shared_ptr<ColorRect>>{qr, code128}, QList<std::shared_ptr<ColorRect>>{code128, qr}}) {
        f.select(order);
        for (QWidget *w : geometry)
            EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    }
    f.select({code128});
    for (QWidget *w : geometry)
        EXPECT_FALSE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(p->tvBarWidth->isEnabled());
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("9.0 mils"));
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("0.40 in"));
    f.select({});
    EXPECT_FALSE(p->tvBarWidth->isEnabled());
    EXPECT_FALSE(p->tvBarData->isEnabled());
    EXPECT_EQ(p->btnHRT->checkState(), Qt::PartiallyChecked);
}

TEST_F(BarcodePageTest, MetricsAndTextOptionsChangeTheRecordWithoutUndo)
{
    auto barcode = addBarcode(BarcodeType::Code128B, "METRICS", {10, 10});
    f.select({barcode});
    f.startFresh();
    const double narrow = barcode->frameBounds().width();
    BarcodePage *p = page();

    inspectortest::type(p->tvBarWidth, QStringLiteral("12"));
    EXPECT_EQ(barcode->getBarInfo().barW, 12.0);
    EXPECT_GT(barcode->frameBounds().width(), narrow);
    inspectortest::type(p->tvBarAdjust, QStringLiteral("-1.5"));
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, -1.5);
    inspectortest::type(p->tvBarHeight, QStringLiteral("0.75"));
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.75);
    p->spBarWidth->step(1);
    EXPECT_EQ(barcode->getBarInfo().barW, 13.0);
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("13.0 mils"));
    inspectortest::click(p->btnHRT);
    EXPECT_EQ(barcode->getBarInfo().HRT, 0);
    EXPECT_FALSE(f.canvas.undo.canUndo()) << "record edits register no undo";
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

TEST_F(BarcodePageTest, ADatabaseFieldIsChosenThroughTheUndoableMergeKey)
{
    auto barcode = addBarcode(BarcodeType::Code128B, "TYPED", {10, 10});
    BarcodePage *p = page();
    p->pbBarFieldType->addItem(QStringLiteral("Zip"), 7);
    p->pbBarFieldType->addItem(QStringLiteral("Phone"), 9);
    f.select({barcode});
    f.startFresh();
    EXPECT_TRUE(p->rbData->isChecked());
    EXPECT_FALSE(p->pbBarFieldType->isEnabled());

    QTest::mouseClick(p->rbDatabaseField, Qt::LeftButton, Qt::NoModifier, QPoint(6, p->rbDatabaseField->height() / 2));
    EXPECT_TRUE(p->rbDatabaseField->isChecked());
    EXPECT_FALSE(p->rbData->isChecked());
    EXPECT_TRUE(p->pbBarFieldType->isEnabled());
    EXPECT_EQ(barcode->fieldPk(), 7);
    f.canvas.undo.closeEventGroup();

    p->pbBarFieldType->setCurrentIndex(1);
    emit p->pbBarFieldType->activated(1);
    EXPECT_EQ(barcode->fieldPk(), 9);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("BarFieldType")), 9);
    f.canvas.undo.closeEventGroup();
    ASSERT_TRUE(f.canvas.undo.canUndo());
    EXPECT_EQ(f.canvas.undo.undoActionName(), QStringLiteral("Change Field Type"));
    f.canvas.undo.undo();
    EXPECT_EQ(barcode->fieldPk(), 7);

    QTest::mouseClick(p->rbData, Qt::LeftButton, Qt::NoModifier, QPoint(6, p->rbData->height() / 2));
    EXPECT_EQ(barcode->fieldPk(), 0);
}
