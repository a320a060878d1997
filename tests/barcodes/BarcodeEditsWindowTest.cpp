// Barcode edits in the real window that the user can take back and that keep the symbol
// sound: every edit on the inspector's barcode page is one undo step under the drawer's name,
// bar metrics out of bounds are refused with the reason on the page and in the drawer, and a
// barcode switched to QR Code or Data Matrix stays inside the label, sized as a square.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "app/AppTestSupport.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "foundation/MyStepper.h"
#include "inspector/BarcodePage.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "platform/ColorWell.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

class BarcodeEditsWindow : public ::testing::Test
{
protected:
    BarcodePage *page() const { return f.window->objectInfo()->barcodePage(); }
    GeometryPage *geometry() const { return f.window->objectInfo()->geometryPage(); }
    BarcodeDrawer *drawer() const { return f.window->findChild<BarcodeDrawer *>(); }

    std::shared_ptr<ColorBarcode> placeBarcode(const QPointF &at)
    {
        f.tool(RectsView::BarcodeTool)->trigger();
        f.click(at);
        auto barcode = std::dynamic_pointer_cast<ColorBarcode>(f.canvas()->getRects().last());
        EXPECT_TRUE(barcode);
        return barcode;
    }
    void openPage(const QString &title)
    {
        for (PropertiesTabButton *button : f.window->propertiesView()->buttons())
            if (button->text() == title && !button->isChecked()) {
                QTest::mouseClick(button, Qt::LeftButton);
                apptest::settle();
            }
    }
    // Opens the pop-up's list and clicks the item, as the mouse chooses: one choice, one step.
    static void chooseType(QComboBox *popUp, int type)
    {
        const int index = popUp->findData(type);
        ASSERT_GE(index, 0);
        popUp->showPopup();
        apptest::settle();
        QAbstractItemView *list = popUp->view();
        const QModelIndex item = list->model()->index(index, popUp->modelColumn(), popUp->rootModelIndex());
        list->scrollTo(item);
        apptest::settle();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(item).center());
        apptest::settle();
        ASSERT_EQ(popUp->currentIndex(), index);
    }
    static void typeInto(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        apptest::settle();
    }
    QString undoText() const { return undoItem()->text(); }
    QAction *undoItem() const { return f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo")); }
    void closeStep() const { f.canvas()->undoManager()->closeEventGroup(); }
    void undo() const
    {
        undoItem()->trigger();
        apptest::settle();
    }

    apptest::WindowFixture f{QStringLiteral("barcode-edits")};
};

TEST_F(BarcodeEditsWindow, Ean13ChosenOnThePageIsTakenBackByControlZAndTheBarcodeStays)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    closeStep();
    chooseType(page()->pbBarType, BarcodeType::Ean13);
    ASSERT_EQ(barcode->getBarInfo().type, BarcodeType::Ean13);
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Type"));
    closeStep();

    // Control-Z on the canvas, which has the keys back after the choice.
    ASSERT_TRUE(f.canvas()->hasFocus());
    QTest::keyClick(f.canvas(), Qt::Key_Z, Qt::ControlModifier);
    apptest::settle();
    ASSERT_EQ(f.canvas()->getRects().size(), 1) << "the barcode stays";
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::Code128B);
    EXPECT_EQ(page()->pbBarType->currentData().toInt(), BarcodeType::Code128B) << "the page follows";
    const auto decoded = bctest::decode(bctest::drawObject(*barcode, 8));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->format, "Code128");
}

TEST_F(BarcodeEditsWindow, EveryPageEditIsOneStepUnderTheDrawersName)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    BarcodePage *p = page();
    closeStep();
    const TBarInfo start = barcode->getBarInfo();
    const QRectF frame = barcode->frameBounds();

    p->tvBarData->setFocus();
    QTest::keyClick(p->tvBarData, Qt::Key_End);
    QTest::keyClicks(p->tvBarData, QStringLiteral("0"));
    apptest::settle();
    ASSERT_EQ(barcode->getBarInfo().BarStr, "123456789120");
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Data"));
    closeStep();
    typeInto(p->tvBarWidth, QStringLiteral("12"));
    ASSERT_EQ(barcode->getBarInfo().barW, 12.0);
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Width"));
    closeStep();
    typeInto(p->tvBarAdjust, QStringLiteral("-1"));
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Width Adjust"));
    closeStep();
    typeInto(p->tvBarHeight, QStringLiteral("0.75"));
    ASSERT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.75);
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Height"));
    closeStep();
    // The same value again changes nothing and adds no step.
    f.canvas()->wasChanged(false);
    typeInto(p->tvBarHeight, QStringLiteral("0.75"));
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Height"));
    EXPECT_FALSE(f.canvas()->isChanged());

    for (int i = 0; i < 4; ++i)
        undo();
    EXPECT_EQ(barcode->getBarInfo().BarStr, start.BarStr);
    EXPECT_EQ(barcode->getBarInfo().barW, start.barW);
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, start.widthAdjust);
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, start.barH);
    EXPECT_EQ(barcode->frameBounds(), frame);
    EXPECT_EQ(p->tvBarData->toPlainText(), QStringLiteral("12345678912"));
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("9.0 mils"));
    EXPECT_EQ(undoText(), QStringLiteral("Undo Create Object"));
}

TEST_F(BarcodeEditsWindow, BarMetricsOutOfBoundsAreRefusedWithTheReason)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    BarcodePage *p = page();
    closeStep();
    const QString undoBefore = undoText();
    const QRectF frame = barcode->frameBounds();

    struct Refused
    {
        NumberField *field;
        QString typed;
        QString reason;
    };
    const Refused refused[] = {
        {p->tvBarWidth, QStringLiteral("1e9"), QStringLiteral("Type a number from 0.1 mils to 100.0 mils.")},
        {p->tvBarWidth, QStringLiteral("0"), QStringLiteral("Type a number from 0.1 mils to 100.0 mils.")},
        {p->tvBarWidth, QStringLiteral("-5"), QStringLiteral("Type a number from 0.1 mils to 100.0 mils.")},
        {p->tvBarHeight, QStringLiteral("1e9"), QStringLiteral("Type a number from 0.01 in to 20.00 in.")},
        {p->tvBarHeight, QStringLiteral("0"), QStringLiteral("Type a number from 0.01 in to 20.00 in.")},
        {p->tvBarAdjust, QStringLiteral("1e9"), QStringLiteral("Type a number from -100.0 mils to 100.0 mils.")},
    };
    for (const Refused &r : refused) {
        SCOPED_TRACE((r.field->objectName() + QLatin1Char(' ') + r.typed).toStdString());
        typeInto(r.field, r.typed);
        EXPECT_EQ(r.field->refusal(), r.reason);
        EXPECT_TRUE(r.field->refusalNote() && r.field->refusalNote()->isVisible());
    }
    EXPECT_EQ(barcode->getBarInfo().barW, 9.0);
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.4);
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, -2.0);
    EXPECT_EQ(barcode->frameBounds(), frame);
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("9.0 mils"));
    EXPECT_EQ(undoText(), undoBefore);

    // The drawer holds to the same bounds and says why in the field's tip.
    BarcodeDrawer *strip = drawer();
    typeInto(strip->widthField(), QStringLiteral("1e9"));
    EXPECT_EQ(barcode->getBarInfo().barW, 9.0);
    EXPECT_EQ(strip->widthField()->text(), QStringLiteral("9"));
    EXPECT_EQ(strip->widthField()->toolTip(), QStringLiteral("Type a number from 0.1 mils to 100 mils."));
    typeInto(strip->heightField(), QStringLiteral("-1"));
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.4);
    EXPECT_EQ(strip->heightField()->toolTip(), QStringLiteral("Type a number from 0.01 inch to 20 inch."));
    typeInto(strip->heightField(), QStringLiteral("abc"));
    EXPECT_EQ(strip->heightField()->toolTip(), QString::fromUtf8("\u201Cabc\u201D is not a number."));
    EXPECT_EQ(undoText(), undoBefore);
    // A good value is taken and the tip goes.
    typeInto(strip->heightField(), QStringLiteral("0.5"));
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.5);
    EXPECT_TRUE(strip->heightField()->toolTip().isEmpty());
}

TEST_F(BarcodeEditsWindow, QrSwitchKeepsTheSymbolInsideTheLabelAndSizesItAsASquare)
{
    f.canvas()->setMeasure(QStringLiteral("Points"));
    const QRectF label = f.canvas()->labelBounds();
    ASSERT_FALSE(label.isEmpty());
    // A Code 128 near the bottom of the label: a QR Code of its own size would reach past it.
    auto barcode = placeBarcode(QPointF(20, label.bottom() - 40));
    const QPointF corner = barcode->frameBounds().topLeft();
    ASSERT_LE(barcode->frameBounds().bottom(), label.bottom());
    openPage(QStringLiteral("Barcode"));
    closeStep();
    chooseType(page()->pbBarType, BarcodeType::QRCode);
    ASSERT_EQ(barcode->getBarInfo().type, BarcodeType::QRCode);
    QRectF frame = barcode->frameBounds();
    EXPECT_EQ(frame.topLeft(), corner) << "its top-left stays";
    EXPECT_LE(frame.bottom(), label.bottom()) << "inside the label";
    EXPECT_LE(frame.right(), label.right());
    EXPECT_EQ(frame.width(), frame.height());
    EXPECT_GT(frame.width(), 20.0);
    const auto decoded = bctest::decode(bctest::drawObject(*barcode, 8));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->format, "QRCode");

    // Its width and height can be typed, and it stays square.
    openPage(QStringLiteral("Geometry"));
    GeometryPage *g = geometry();
    EXPECT_TRUE(g->tvWidth->isEnabled());
    EXPECT_TRUE(g->tvHeight->isEnabled());
    closeStep();
    typeInto(g->tvWidth, QStringLiteral("30"));
    EXPECT_NEAR(barcode->frameBounds().width(), 30.0, 0.01);
    EXPECT_NEAR(barcode->frameBounds().height(), 30.0, 0.01);
    closeStep();
    typeInto(g->tvHeight, QStringLiteral("24"));
    EXPECT_NEAR(barcode->frameBounds().height(), 24.0, 0.01);
    EXPECT_NEAR(barcode->frameBounds().width(), 24.0, 0.01);
    closeStep();

    // The drawer has no bar metrics for it, and a width typed there is no step at all.
    BarcodeDrawer *strip = drawer();
    EXPECT_FALSE(strip->widthField()->isEnabled());
    EXPECT_FALSE(strip->adjustField()->isEnabled());
    EXPECT_FALSE(strip->heightField()->isEnabled());
    const QString undoBefore = undoText();
    f.canvas()->wasChanged(false);
    f.canvas()->setBarcodeWidth(strip->widthField());
    EXPECT_EQ(undoText(), undoBefore);
    EXPECT_FALSE(f.canvas()->isChanged());

    // Undo of the switch gives the Code 128 back where it was, and redo the same square.
    while (barcode->getBarInfo().type == BarcodeType::QRCode && undoItem()->isEnabled())
        undo();
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::Code128B);
    EXPECT_EQ(barcode->frameBounds().topLeft(), corner);
    EXPECT_TRUE(strip->widthField()->isEnabled());
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    redo->trigger();
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::QRCode);
    EXPECT_EQ(barcode->frameBounds(), frame);

    // The drawer's own switch keeps a Data Matrix inside the label too.
    auto second = placeBarcode(QPointF(label.right() - 40, 20));
    chooseType(strip->typePopUp(), BarcodeType::DataMatrix);
    ASSERT_EQ(second->getBarInfo().type, BarcodeType::DataMatrix);
    EXPECT_LE(second->frameBounds().right(), label.right());
    EXPECT_EQ(second->frameBounds().width(), second->frameBounds().height());
}

// Typing on the page is one edit: Control-Z in the data view takes back the whole word, and
// Redo gives it back; typing after the view lost the keys is an edit of its own.
TEST_F(BarcodeEditsWindow, DataTypedOnThePageIsOneStepThatOneControlZTakesBack)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    BarcodePage *p = page();
    closeStep();
    const std::string start = barcode->getBarInfo().BarStr;
    p->tvBarData->setFocus();
    QTest::keyClick(p->tvBarData, Qt::Key_End);
    for (const QChar c : QStringLiteral("ABC")) {
        QTest::keyClicks(p->tvBarData, QString(c));
        apptest::settle();
        closeStep();
    }
    ASSERT_EQ(barcode->getBarInfo().BarStr, start + "ABC");
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Data"));
    ASSERT_TRUE(p->tvBarData->hasFocus());
    QTest::keyClick(p->tvBarData, Qt::Key_Z, Qt::ControlModifier);
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().BarStr, start) << "one Control-Z takes back all three letters";
    EXPECT_EQ(p->tvBarData->toPlainText(), QString::fromStdString(start));
    EXPECT_EQ(f.canvas()->getRects().size(), 1);
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    EXPECT_EQ(redo->text(), QStringLiteral("Redo Barcode Data"));
    redo->trigger();
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().BarStr, start + "ABC");

    // The view lets the keys go and takes them again: a new edit, a new step.
    f.canvas()->setFocus();
    p->tvBarData->setFocus();
    QTest::keyClick(p->tvBarData, Qt::Key_End);
    QTest::keyClicks(p->tvBarData, QStringLiteral("D"));
    apptest::settle();
    closeStep();
    undo();
    EXPECT_EQ(barcode->getBarInfo().BarStr, start + "ABC");
    undo();
    EXPECT_EQ(barcode->getBarInfo().BarStr, start);
}

// The arrow keys on the Type pop-up step through the symbologies and stay with it; the
// barcode is not nudged. Chosen with the mouse, the canvas takes the keys back.
TEST_F(BarcodeEditsWindow, TheTypePopUpKeepsTheArrowKeysWhileUsedFromTheKeyboard)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    QComboBox *types = page()->pbBarType;
    const QPointF corner = barcode->frameBounds().topLeft();
    types->setFocus();
    ASSERT_TRUE(types->hasFocus());
    const int first = types->currentIndex();
    QTest::keyClick(types, Qt::Key_Down);
    apptest::settle();
    EXPECT_EQ(types->currentIndex(), first + 1);
    EXPECT_EQ(barcode->getBarInfo().type, types->currentData().toInt());
    EXPECT_TRUE(types->hasFocus()) << "the pop-up keeps the keys";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    apptest::settle();
    EXPECT_EQ(types->currentIndex(), first + 2);
    EXPECT_EQ(barcode->getBarInfo().type, types->currentData().toInt());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    apptest::settle();
    EXPECT_EQ(types->currentIndex(), first + 1);
    EXPECT_EQ(barcode->frameBounds().topLeft(), corner) << "not nudged";

    chooseType(types, BarcodeType::Code128B);
    EXPECT_TRUE(f.canvas()->hasFocus()) << "after the mouse, the canvas has the keys";
}

// Switched to a square symbol at the very bottom of the label, the barcode keeps modules a
// reader takes and moves up to stay on the label.
TEST_F(BarcodeEditsWindow, ASquareSymbolNearTheBottomMovesUpRatherThanShrinkingUnreadable)
{
    f.canvas()->setMeasure(QStringLiteral("Points"));
    const QRectF label = f.canvas()->labelBounds();
    for (const int type : {int(BarcodeType::QRCode), int(BarcodeType::DataMatrix)}) {
        SCOPED_TRACE(type);
        auto barcode = placeBarcode(QPointF(30, label.bottom() - 14));
        ASSERT_LE(barcode->frameBounds().top(), label.bottom() - 10);
        openPage(QStringLiteral("Barcode"));
        chooseType(page()->pbBarType, type);
        ASSERT_EQ(barcode->getBarInfo().type, type);
        const QRectF frame = barcode->frameBounds();
        EXPECT_EQ(frame.width(), frame.height());
        EXPECT_GE(frame.width(), barcode->minimumReadableSide());
        EXPECT_LE(frame.bottom(), label.bottom()) << "on the label";
        EXPECT_LT(frame.top(), label.bottom() - 14) << "moved up";
        EXPECT_DOUBLE_EQ(frame.left(), 30.0);
        const auto decoded = bctest::decode(bctest::drawObject(*barcode, 8));
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->bytes, barcode->getBarInfo().BarStr);
        // The smallest QR Code has 21 modules a side, the smallest Data Matrix 10: each at
        // least as wide as a reader takes, inside the drawing's margin of 2 points a side.
        const int modules = type == BarcodeType::QRCode ? 21 : 10;
        EXPECT_GE((frame.width() - 4.0) / modules * 1000.0 / 72.0, ColorBarcode::minSquareModule - 1e-9);
        f.click(QPointF(label.right() - 5, label.top() + 5));
    }
}

// The page shows the bar height in the canvas unit, as the drawer does, and takes it so.
TEST_F(BarcodeEditsWindow, BarHeightFollowsTheCanvasUnitOnThePageAndInTheDrawer)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    BarcodePage *p = page();
    ASSERT_EQ(f.canvas()->measure(), QStringLiteral("Inches"));
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("0.40 in"));
    // The unit button: centimetres.
    f.canvas()->changeMesurement();
    apptest::settle();
    ASSERT_EQ(f.canvas()->measure(), QStringLiteral("Centimeters"));
    ASSERT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.4);
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("1.02 cm"));
    EXPECT_EQ(drawer()->heightField()->text(), QStringLiteral("1.016"));
    typeInto(p->tvBarHeight, QStringLiteral("2.54"));
    EXPECT_NEAR(barcode->getBarInfo().barH, 1.0, 1e-6);
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("2.54 cm"));
    typeInto(p->tvBarHeight, QStringLiteral("1e9"));
    EXPECT_EQ(p->tvBarHeight->refusal(), QStringLiteral("Type a number from 0.03 cm to 50.80 cm."));
    EXPECT_NEAR(barcode->getBarInfo().barH, 1.0, 1e-6);
    // Shown again as it was read, the height is no new step.
    closeStep();
    const QString step = undoText();
    f.canvas()->wasChanged(false);
    typeInto(p->tvBarHeight, QStringLiteral("2.54"));
    EXPECT_FALSE(f.canvas()->isChanged());
    EXPECT_EQ(undoText(), step);
    // The unit button's next unit shows it anew.
    f.canvas()->changeMesurement();
    apptest::settle();
    ASSERT_EQ(f.canvas()->measure(), QStringLiteral("Points"));
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("72.00 pt"));
    EXPECT_EQ(drawer()->heightField()->text(), QStringLiteral("72"));
}

// For a square symbol the rows below the type close up over the bar fields it has not.
TEST_F(BarcodeEditsWindow, AQrCodeLeavesNoGapWhereTheBarFieldsWere)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage(QStringLiteral("Barcode"));
    BarcodePage *p = page();
    const int linearColour = p->cwBarcodeColor->y();
    EXPECT_GT(linearColour, p->tvBarHeight->y());
    chooseType(p->pbBarType, BarcodeType::QRCode);
    EXPECT_FALSE(p->tvBarWidth->isVisible());
    EXPECT_LT(p->cwBarcodeColor->y(), linearColour);
    EXPECT_LE(p->cwBarcodeColor->y() - (p->pbBarType->y() + p->pbBarType->height()), 12) << "right below the type";
    EXPECT_LT(p->rbData->y(), p->cwBarcodeColor->y() + 40);
    chooseType(p->pbBarType, BarcodeType::Code128B);
    EXPECT_EQ(p->cwBarcodeColor->y(), linearColour);
}

} // namespace

// The canvas paints each barcode from the drawing it keeps: after data typed on the page, Undo,
// Redo and a nudge, what the window shows is what barcodes laid out afresh show.
TEST_F(BarcodeEditsWindow, TheCanvasShowsEachEditAsAFreshlyMadeBarcodeWould)
{
    QList<std::shared_ptr<ColorBarcode>> barcodes;
    for (const QPointF &at : {QPointF(20, 20), QPointF(20, 110), QPointF(20, 200)})
        barcodes.append(placeBarcode(at));
    ASSERT_EQ(barcodes.size(), 3);
    const QRectF area(0, 0, 300, 300);
    auto shown = [&] {
        const QRect rect = f.canvas()->pageToWidget().mapRect(area).toAlignedRect();
        return apptest::grabDrawn(f.canvas(), rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    auto shownAfresh = [&] {
        for (const auto &barcode : barcodes)
            barcode->forgetKeptDrawings();
        f.canvas()->update();
        return shown();
    };
    const QImage made = shown();
    EXPECT_EQ(made, shownAfresh());

    f.click(barcodes[1]->frameBounds().center());
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    openPage(QStringLiteral("Barcode"));
    BarcodePage *p = page();
    closeStep();
    const std::string start = barcodes[1]->getBarInfo().BarStr;
    p->tvBarData->setFocus();
    QTest::keyClick(p->tvBarData, Qt::Key_End);
    QTest::keyClicks(p->tvBarData, QStringLiteral("XY"));
    apptest::settle();
    closeStep();
    ASSERT_EQ(barcodes[1]->getBarInfo().BarStr, start + "XY");
    const QImage typed = shown();
    EXPECT_NE(typed, made);
    EXPECT_EQ(typed, shownAfresh());

    undo();
    ASSERT_EQ(barcodes[1]->getBarInfo().BarStr, start);
    const QImage undone = shown();
    EXPECT_EQ(undone, shownAfresh());

    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
    ASSERT_EQ(barcodes[1]->getBarInfo().BarStr, start + "XY");
    const QImage redone = shown();
    EXPECT_EQ(redone, typed);
    EXPECT_EQ(redone, shownAfresh());

    // A nudge moves the kept drawing; the symbol lands where one made there would.
    f.canvas()->setFocus();
    const QRectF before = barcodes[1]->frameBounds();
    QTest::keyClick(f.canvas(), Qt::Key_Right);
    apptest::settle();
    ASSERT_NE(barcodes[1]->frameBounds(), before);
    const QImage nudged = shown();
    EXPECT_NE(nudged, redone);
    EXPECT_EQ(nudged, shownAfresh());
}

// A copy made by Duplicate or Paste starts from the drawings its source kept, on the canvas and
// in bitmaps, and only while they are still of its own data: edited on the Barcode page, the
// copy shows and exports its new data and the source its own; Undo, Cut and Paste, Save and
// Open show what barcodes laid out afresh show, and the picture the file carries of the label
// is the one the pictures of a fresh layout draw.
TEST_F(BarcodeEditsWindow, ACopyDrawsFromItsSourcesKeptBarcodeOnlyWhileItsDataAreTheSame)
{
    RectsView *canvas = f.canvas();
    QList<std::shared_ptr<ColorBarcode>> sources;
    for (const QPointF &at : {QPointF(20, 20), QPointF(20, 120)})
        sources.append(placeBarcode(at));
    ASSERT_EQ(sources.size(), 2);
    // A picture beside them, as a label carries a logo.
    QImage logo(60, 40, QImage::Format_RGB32);
    logo.fill(QColor(30, 140, 200));
    auto picture = ColorRect::create(QRectF(180, 20, 60, 40));
    picture->setImage(logo);
    picture->setPageName(canvas->getCurrPageName());
    picture->setObjectLayer(canvas->currentLayer());
    canvas->addGraphic(picture);

    const QRectF area(0, 0, 300, 300);
    auto barcodesNow = [&] {
        QList<std::shared_ptr<ColorBarcode>> all;
        for (const GraphicPtr &object : canvas->getRects())
            if (auto barcode = std::dynamic_pointer_cast<ColorBarcode>(object))
                all.append(barcode);
        return all;
    };
    auto shown = [&] {
        canvas->update();
        const QRect rect = canvas->pageToWidget().mapRect(area).toAlignedRect();
        return apptest::grabDrawn(canvas, rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    };
    auto shownAfresh = [&] {
        for (const auto &barcode : barcodesNow())
            barcode->forgetKeptDrawings();
        return shown();
    };
    // Each barcode drawn alone into a bitmap, as an export draws it, and read by ZXing.
    auto reads = [](ColorBarcode &barcode) {
        const auto decoded = bctest::decode(bctest::drawObject(barcode, 3));
        return decoded ? decoded->bytes : std::string("(unread)");
    };
    for (const auto &source : sources)
        ASSERT_EQ(reads(*source), source->getBarInfo().BarStr);
    const QImage placed = shown();

    const QString dir = qmtest::freshDir(QStringLiteral("barcode-copies"));
    const QString path = dir + QStringLiteral("/Copies.qkdoc");
    f.prompts->queueSaveOfType(dir + QStringLiteral("/Copies"), 0);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    ASSERT_TRUE(QFile::exists(path));

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    QList<std::shared_ptr<ColorBarcode>> all = barcodesNow();
    ASSERT_EQ(all.size(), 4);
    ASSERT_EQ(all[0], sources[0]);
    const std::shared_ptr<ColorBarcode> copy = all[2];
    ASSERT_EQ(copy->getBarInfo().BarStr, sources[0]->getBarInfo().BarStr);
    const QImage duplicated = shown();
    EXPECT_NE(duplicated, placed);
    EXPECT_EQ(duplicated, shownAfresh());
    for (const auto &barcode : all)
        EXPECT_EQ(reads(*barcode), barcode->getBarInfo().BarStr);

    // The copy's data typed on the Barcode page: the copy alone changes.
    for (const auto &barcode : all)
        reads(*barcode);
    const QRectF label = canvas->labelBounds();
    f.click(QPointF(label.right() - 5, label.bottom() - 5));
    f.click(copy->frameBounds().bottomRight() - QPointF(3, 3));
    ASSERT_EQ(canvas->selectedObjects().size(), 1);
    ASSERT_EQ(canvas->selectedObjects().first(), copy);
    openPage(QStringLiteral("Barcode"));
    closeStep();
    const std::string own = sources[0]->getBarInfo().BarStr;
    page()->tvBarData->setFocus();
    QTest::keyClick(page()->tvBarData, Qt::Key_End);
    QTest::keyClicks(page()->tvBarData, QStringLiteral("XY"));
    apptest::settle();
    closeStep();
    ASSERT_EQ(copy->getBarInfo().BarStr, own + "XY");
    ASSERT_EQ(sources[0]->getBarInfo().BarStr, own);
    EXPECT_EQ(reads(*copy), own + "XY");
    EXPECT_EQ(reads(*sources[0]), own);
    const QImage edited = shown();
    EXPECT_NE(edited, duplicated);
    EXPECT_EQ(edited, shownAfresh());

    undo();
    ASSERT_EQ(copy->getBarInfo().BarStr, own);
    EXPECT_EQ(reads(*copy), own);
    const QImage copyUndone = shown();
    EXPECT_EQ(copyUndone, shownAfresh());
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
    apptest::settle();
    ASSERT_EQ(copy->getBarInfo().BarStr, own + "XY");

    // Cut and Paste of everything: the pasted barcodes are copies of copies.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Cut"));
    ASSERT_TRUE(barcodesNow().isEmpty());
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    all = barcodesNow();
    ASSERT_EQ(all.size(), 4);
    const std::vector<std::string> data = {own, sources[1]->getBarInfo().BarStr, own + "XY", sources[1]->getBarInfo().BarStr};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(all[i]->getBarInfo().BarStr, data[size_t(i)]) << i;
        EXPECT_EQ(reads(*all[i]), data[size_t(i)]) << i;
    }
    f.click(QPointF(label.right() - 5, label.bottom() - 5));
    const QImage pasted = shown();
    EXPECT_EQ(pasted, shownAfresh());

    // Save: the file's picture of the label is the one barcodes laid out afresh give.
    for (const auto &barcode : all)
        reads(*barcode);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    const QByteArray kept = PropertyList::readFile(path).toMap().value(QStringLiteral("QuillmarkDocPreview")).toByteArray();
    ASSERT_FALSE(kept.isEmpty());
    for (const auto &barcode : all)
        barcode->forgetKeptDrawings();
    // The small picture takes what the screen shows: its pictures made afresh first.
    shown();
    canvas->wasChanged(true);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    const QByteArray fresh = PropertyList::readFile(path).toMap().value(QStringLiteral("QuillmarkDocPreview")).toByteArray();
    EXPECT_EQ(kept, fresh);
    EXPECT_FALSE(QImage::fromData(fresh).isNull());

    // Opened again, the design shows what it showed.
    f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    canvas = f.canvas();
    all = barcodesNow();
    ASSERT_EQ(all.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(reads(*all[i]), data[size_t(i)]) << i;
    f.click(QPointF(label.right() - 5, label.bottom() - 5));
    EXPECT_EQ(shown(), pasted);
}
