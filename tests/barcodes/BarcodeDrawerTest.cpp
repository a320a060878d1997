// The barcode drawer of the main window, driven as a user drives it: a barcode placed with
// the tool, values typed into the drawer's fields and chosen in its pop-ups, the symbol read
// back by ZXing, and each edit undone and redone through the Edit menu.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"

using namespace quillmark;

namespace {

class BarcodeDrawerWindow : public ::testing::Test
{
protected:
    BarcodeDrawer *drawer() const { return f.window->findChild<BarcodeDrawer *>(); }

    std::shared_ptr<ColorBarcode> placeBarcode(const QPointF &at)
    {
        f.tool(RectsView::BarcodeTool)->trigger();
        f.click(at);
        auto barcode = std::dynamic_pointer_cast<ColorBarcode>(f.canvas()->getRects().last());
        EXPECT_TRUE(barcode);
        return barcode;
    }

    // Replaces the field's text as typed and ends the edit with Return.
    static void type(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        apptest::settle();
    }

    // Steps the closed pop-up with the arrow keys to the item, as the keyboard chooses.
    static void choose(QComboBox *popUp, int index)
    {
        ASSERT_GE(index, 0);
        popUp->setFocus();
        while (popUp->currentIndex() < index)
            QTest::keyClick(popUp, Qt::Key_Down);
        while (popUp->currentIndex() > index)
            QTest::keyClick(popUp, Qt::Key_Up);
        apptest::settle();
    }
    static void chooseType(QComboBox *popUp, int type) { choose(popUp, popUp->findData(type)); }

    QAction *undoItem() const { return f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo")); }
    QAction *redoItem() const { return f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo")); }
    void closeStep() const { f.canvas()->undoManager()->closeEventGroup(); }

    apptest::WindowFixture f{QStringLiteral("barcode-drawer")};
};

} // namespace

TEST_F(BarcodeDrawerWindow, ShowsOnlyWhileADrawnBarcodeIsSelectedAndTheLastOneOfTheSelection)
{
    BarcodeDrawer *strip = drawer();
    ASSERT_NE(strip, nullptr);
    EXPECT_FALSE(strip->controls()->isVisibleTo(strip));

    f.drawRect(QRectF(10, 80, 60, 40));
    EXPECT_FALSE(strip->controls()->isVisibleTo(strip)) << "a rectangle has no barcode settings";

    auto first = placeBarcode(QPointF(10, 10));
    EXPECT_TRUE(strip->controls()->isVisibleTo(strip));
    EXPECT_EQ(strip->dataField()->text(), QStringLiteral("12345678912"));
    EXPECT_EQ(strip->typePopUp()->currentData().toInt(), BarcodeType::Code128B);
    EXPECT_EQ(strip->widthField()->text(), QStringLiteral("9"));
    EXPECT_EQ(strip->adjustField()->text(), QStringLiteral("-2"));
    EXPECT_EQ(strip->heightField()->text(), QStringLiteral("0.4"));
    EXPECT_EQ(strip->gapPopUp()->currentIndex(), 0);

    auto second = placeBarcode(QPointF(10, 160));
    TBarInfo info = second->getBarInfo();
    info.BarStr = "SECOND";
    second->setBarInfo(info);
    // The rectangle, then the two barcodes: the drawer shows the last barcode selected.
    f.canvas()->clearSelection();
    f.canvas()->selectAll();
    apptest::settle();
    EXPECT_EQ(strip->dataField()->text(), QStringLiteral("SECOND"));

    // An edit goes to both barcodes and leaves the rectangle alone.
    type(strip->widthField(), QStringLiteral("12"));
    EXPECT_EQ(first->getBarInfo().barW, 12.0);
    EXPECT_EQ(second->getBarInfo().barW, 12.0);

    f.canvas()->clearSelection();
    apptest::settle();
    EXPECT_FALSE(strip->controls()->isVisibleTo(strip));
}

TEST_F(BarcodeDrawerWindow, TypedDataReachEverySelectedBarcodeAndUndoPutsThemBack)
{
    BarcodeDrawer *strip = drawer();
    auto first = placeBarcode(QPointF(10, 10));
    auto second = placeBarcode(QPointF(10, 120));
    f.canvas()->selectAll();
    apptest::settle();
    closeStep();
    const double narrow = first->frameBounds().width();

    type(strip->dataField(), QStringLiteral("ABC"));
    for (const auto &barcode : {first, second}) {
        EXPECT_EQ(barcode->getBarInfo().BarStr, "ABC");
        EXPECT_EQ(barcode->getBarInfo().strlength(), 3);
    }
    EXPECT_NE(first->frameBounds().width(), narrow) << "the frame follows the new symbol";
    EXPECT_TRUE(f.canvas()->isChanged());
    closeStep();

    // Leaving the field without a change is no edit.
    type(strip->dataField(), QStringLiteral("ABC"));
    closeStep();
    ASSERT_EQ(undoItem()->text(), QStringLiteral("Undo Barcode Data"));
    undoItem()->trigger();
    apptest::settle();
    EXPECT_EQ(first->getBarInfo().BarStr, "12345678912");
    EXPECT_EQ(second->getBarInfo().BarStr, "12345678912");
    EXPECT_EQ(first->frameBounds().width(), narrow);
    EXPECT_EQ(strip->dataField()->text(), QStringLiteral("12345678912")) << "the drawer follows the undo";
    ASSERT_EQ(redoItem()->text(), QStringLiteral("Redo Barcode Data"));
    redoItem()->trigger();
    apptest::settle();
    EXPECT_EQ(first->getBarInfo().BarStr, "ABC");
    EXPECT_EQ(second->getBarInfo().BarStr, "ABC");

    // A two-byte character counts two bytes; a text past the record is cut between characters.
    strip->dataField()->setFocus();
    strip->dataField()->selectAll();
    strip->dataField()->insert(QString::fromUtf8("Grüße"));
    QTest::keyClick(strip->dataField(), Qt::Key_Return);
    EXPECT_EQ(first->getBarInfo().strlength(), 7);
    const QString huge = QString(4094, QLatin1Char('a')) + QString::fromUtf8("€");
    strip->dataField()->setText(huge);
    emit strip->dataField()->editingFinished();
    EXPECT_EQ(first->getBarInfo().strlength(), 4094) << "the euro sign does not fit whole";
}

TEST_F(BarcodeDrawerWindow, EachSymbologyMadeInTheDrawerReadsBack)
{
    struct Case
    {
        int type;
        const char *data;
        const char *format;
        const char *text;
    };
    const Case cases[] = {
        {BarcodeType::Code128B, "Quillmark 20", "Code128", "Quillmark 20"},
        {BarcodeType::Code128A, "LABEL-42", "Code128", "LABEL-42"},
        {BarcodeType::Code128C, "12345678", "Code128", "12345678"},
        {BarcodeType::UpcA, "03600029145", "UPC-A", "036000291452"},
        {BarcodeType::UpcE, "123456", "UPC-E", "01234565"},
        {BarcodeType::Ean13, "400638133393", "EAN-13", "4006381333931"},
        {BarcodeType::Ean8, "9638507", "EAN-8", "96385074"},
        {BarcodeType::BooklandIsbn, "030640615", "EAN-13", "9780306406157"},
        {BarcodeType::BooklandIsbnPrefixed, "030640615", "EAN-13", "9780306406157"},
        {BarcodeType::BooklandIssn, "0317847", "EAN-13", "9770317847001"},
        {BarcodeType::BooklandIsmn, "23067118", "EAN-13", "9790230671187"},
        {BarcodeType::DataMatrix, "Drawer made", "DataMatrix", "Drawer made"},
        {BarcodeType::QRCode, "https://example.org/drawer", "QRCode", "https://example.org/drawer"},
    };
    BarcodeDrawer *strip = drawer();
    auto barcode = placeBarcode(QPointF(20, 20));
    for (const Case &c : cases) {
        chooseType(strip->typePopUp(), c.type);
        type(strip->dataField(), QString::fromLatin1(c.data));
        ASSERT_EQ(barcode->getBarInfo().type, c.type) << c.data;
        const auto decoded = bctest::decode(bctest::drawObject(*barcode, 8));
        ASSERT_TRUE(decoded.has_value()) << c.type << " " << c.data;
        EXPECT_EQ(decoded->format, c.format) << c.data;
        EXPECT_EQ(decoded->text, c.text) << c.data;
    }

    // POSTNET has no reader here: its bars show and the frame is the bar code's own.
    chooseType(strip->typePopUp(), BarcodeType::Postnet);
    type(strip->dataField(), QStringLiteral("12345"));
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::Postnet);
    EXPECT_TRUE(bctest::hasInk(bctest::drawObject(*barcode, 3)));
    EXPECT_LT(barcode->frameBounds().height(), 0.4 * 72);
}

TEST_F(BarcodeDrawerWindow, MetricsTypedInTheDrawerChangeTheSymbolAndUndoOneByOne)
{
    BarcodeDrawer *strip = drawer();
    auto barcode = placeBarcode(QPointF(10, 10));
    closeStep();
    const QRectF start = barcode->frameBounds();

    type(strip->widthField(), QStringLiteral("18"));
    EXPECT_EQ(barcode->getBarInfo().barW, 18.0);
    EXPECT_GT(barcode->frameBounds().width(), start.width() * 1.3) << "wider bars, same spaces";
    closeStep();
    type(strip->adjustField(), QStringLiteral("0"));
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, 0.0);
    closeStep();
    type(strip->heightField(), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 1.0);
    EXPECT_GT(barcode->frameBounds().height(), 72.0);
    closeStep();
    chooseType(strip->typePopUp(), BarcodeType::QRCode);
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::QRCode);
    closeStep();

    // A width of nothing is refused and the field shows the barcode's own again.
    type(strip->widthField(), QStringLiteral("0"));
    EXPECT_EQ(barcode->getBarInfo().barW, 18.0);
    EXPECT_EQ(strip->widthField()->text(), QStringLiteral("18"));

    const QStringList names = {QStringLiteral("Barcode Type"), QStringLiteral("Barcode Height"),
                               QStringLiteral("Barcode Width Adjust"), QStringLiteral("Barcode Width")};
    for (const QString &name : names) {
        ASSERT_EQ(undoItem()->text(), QStringLiteral("Undo ") + name);
        undoItem()->trigger();
        apptest::settle();
    }
    const TBarInfo back = barcode->getBarInfo();
    EXPECT_EQ(back.type, BarcodeType::Code128B);
    EXPECT_EQ(back.barW, 9.0);
    EXPECT_EQ(back.widthAdjust, -2.0);
    EXPECT_DOUBLE_EQ(back.barH, 0.4);
    EXPECT_EQ(barcode->frameBounds(), start);
    EXPECT_EQ(strip->widthField()->text(), QStringLiteral("9"));
}

TEST_F(BarcodeDrawerWindow, TheHeightShowsInTheDisplayUnit)
{
    BarcodeDrawer *strip = drawer();
    auto barcode = placeBarcode(QPointF(10, 10));
    QToolButton *unitButton = f.window->measureButton();
    for (int i = 0; i < 4 && f.canvas()->measure() != QLatin1String("Centimeters"); ++i) {
        unitButton->click();
        apptest::settle();
    }
    ASSERT_EQ(f.canvas()->measure(), QStringLiteral("Centimeters"));
    EXPECT_EQ(strip->heightField()->text(), QStringLiteral("1.016"));
    EXPECT_EQ(strip->unitLabel()->text(), QStringLiteral("cm"));

    type(strip->heightField(), QStringLiteral("2.54"));
    EXPECT_NEAR(barcode->getBarInfo().barH, 1.0, 1e-6);
    EXPECT_EQ(strip->heightField()->text(), QStringLiteral("2.54"));

    unitButton->click(); // points
    apptest::settle();
    EXPECT_EQ(strip->heightField()->text(), QStringLiteral("72"));
    EXPECT_EQ(strip->unitLabel()->text(), QStringLiteral("pt"));
}

TEST_F(BarcodeDrawerWindow, TheGapIsForSymbology7AndCountsWholeSteps)
{
    BarcodeDrawer *strip = drawer();
    auto code128 = placeBarcode(QPointF(10, 10));
    EXPECT_FALSE(strip->gapPopUp()->isEnabled());

    // A symbology-7 barcode of an older design.
    auto code39 = placeBarcode(QPointF(10, 120));
    TBarInfo info = code39->getBarInfo();
    info.type = BarcodeType::Code39;
    info.chargap = 2.0;
    code39->setBarInfo(info);
    f.canvas()->clearSelection();
    f.canvas()->selectRect(code39);
    apptest::settle();
    EXPECT_TRUE(strip->gapPopUp()->isEnabled());
    EXPECT_EQ(strip->gapPopUp()->currentIndex(), 1) << "gap 2.0 is the drawer's item 1";
    EXPECT_EQ(strip->typePopUp()->currentIndex(), -1) << "symbology 7 is no choice of the menu";

    choose(strip->gapPopUp(), 2);
    EXPECT_EQ(code39->getBarInfo().chargap, 3.0);
    EXPECT_EQ(code39->getBarInfo().type, BarcodeType::Code39);
    EXPECT_EQ(undoItem()->text(), QStringLiteral("Undo Barcode Gap"));
    choose(strip->gapPopUp(), 0);
    EXPECT_EQ(code39->getBarInfo().chargap, 1.0);
    EXPECT_EQ(code128->getBarInfo().chargap, 1.0);
}

namespace {

// Every control of the strip lies whole inside it, none over another, every label shows its
// whole text, and the "Type" label keeps its distance from the data field.
void expectLaidOut(BarcodeDrawer *strip, const std::string &when)
{
    QList<QWidget *> shown;
    for (QWidget *w : strip->controls()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (w->isVisible())
            shown << w;
    for (int i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(strip->controls()->rect().contains(shown[i]->geometry())) << when;
        if (auto *label = qobject_cast<QLabel *>(shown[i])) {
            EXPECT_GE(label->width(), label->sizeHint().width()) << when << ": " << label->text().toStdString();
        }
        for (int j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << when << ": " << shown[i]->metaObject()->className() << " and " << shown[j]->metaObject()->className();
    }
    QLabel *typeLabel = nullptr;
    for (QLabel *label : strip->controls()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
        if (label->text() == Language::stringForKey(QStringLiteral("Type")))
            typeLabel = label;
    ASSERT_NE(typeLabel, nullptr) << when;
    EXPECT_GE(typeLabel->geometry().left() - strip->dataField()->geometry().right(), 6) << when;
}

} // namespace

TEST_F(BarcodeDrawerWindow, ItsControlsTakeNoWidthFromThePanesBesideTheCanvasAndNeverOverlap)
{
    auto *splitter = qobject_cast<QSplitter *>(f.window->centralWidget());
    ASSERT_NE(splitter, nullptr);
    const QList<int> before = splitter->sizes();
    const int windowWidth = f.window->width();
    BarcodeDrawer *strip = drawer();
    placeBarcode(QPointF(10, 10));
    ASSERT_TRUE(strip->controls()->isVisible());
    EXPECT_EQ(f.window->width(), windowWidth) << "the window does not grow for the strip";
    EXPECT_EQ(splitter->sizes(), before) << "the stock and image browser keeps its width";
    expectLaidOut(strip, "as the window opens");

    // Wide: one row. Narrowed, the data field gives way first and the rest keep their
    // widths; narrower still, the metrics go to a second row.
    f.window->resize(1900, f.window->height());
    apptest::settle();
    EXPECT_EQ(strip->dataField()->y(), strip->widthField()->y());
    EXPECT_EQ(strip->dataField()->y(), strip->gapPopUp()->y());
    expectLaidOut(strip, "wide");
    const int wide = strip->dataField()->width();
    const int typeWidth = strip->typePopUp()->width();
    const int oneRowHeight = strip->height();
    f.window->resize(1900 - 120, f.window->height());
    apptest::settle();
    EXPECT_LT(strip->dataField()->width(), wide);
    EXPECT_EQ(strip->typePopUp()->width(), typeWidth);
    EXPECT_EQ(strip->height(), oneRowHeight);
    expectLaidOut(strip, "narrowed");
    f.window->resize(900, f.window->height());
    apptest::settle();
    EXPECT_GT(strip->widthField()->y(), strip->dataField()->y());
    expectLaidOut(strip, "narrow");
    // Opened by its command with nothing selected, the stacked strip keeps its two rows.
    f.canvas()->clearSelection();
    apptest::settle();
    f.menuItem(QStringLiteral("View"), QStringLiteral("Barcode"))->trigger();
    apptest::settle();
    EXPECT_GT(strip->height(), oneRowHeight);
}

TEST_F(BarcodeDrawerWindow, IsClosedLeavingTheCanvasItsHeightUnlessABarcodeIsSelectedOrTheUserOpensIt)
{
    BarcodeDrawer *strip = drawer();
    QWidget *area = f.window->scrollArea()->parentWidget();
    QAction *item = f.menuItem(QStringLiteral("View"), QStringLiteral("Barcode"));
    ASSERT_NE(item, nullptr);
    // The View menu's item shows whether the drawer is open.
    auto itemChecked = [&] {
        QMenu *view = qobject_cast<QMenu *>(item->parent());
        emit view->aboutToShow();
        return item->isChecked();
    };
    // Closed, the canvas's scroll view reaches from the row above it to the area's bottom.
    auto expectClosed = [&](const char *when) {
        EXPECT_FALSE(strip->isVisible()) << when;
        EXPECT_FALSE(itemChecked()) << when;
        EXPECT_EQ(f.window->scrollArea()->geometry().bottom(), area->rect().bottom()) << when;
        int rowBottom = 0;
        for (QWidget *control : {static_cast<QWidget *>(f.window->sideControl()),
                                 static_cast<QWidget *>(f.window->drawByTypeBox()),
                                 static_cast<QWidget *>(f.window->landscapeBox())})
            rowBottom = std::max(rowBottom, control->mapTo(area, QPoint(0, control->height())).y());
        EXPECT_LE(f.window->scrollArea()->y() - rowBottom, area->layout()->spacing() + 14) << when;
    };
    expectClosed("a new design");
    const int fullHeight = f.window->scrollArea()->height();

    f.drawRect(QRectF(10, 80, 60, 40));
    expectClosed("a rectangle selected");

    auto barcode = placeBarcode(QPointF(10, 10));
    EXPECT_TRUE(strip->isVisible());
    EXPECT_TRUE(itemChecked());
    EXPECT_EQ(f.window->scrollArea()->height(), fullHeight - strip->height() - area->layout()->spacing())
        << "the drawer takes its height from the canvas while it is open";

    f.canvas()->clearSelection();
    apptest::settle();
    expectClosed("the barcode deselected");
    EXPECT_EQ(f.window->scrollArea()->height(), fullHeight);

    // The menu item opens it with nothing selected, and closes it again.
    item->trigger();
    apptest::settle();
    EXPECT_TRUE(strip->isVisible());
    EXPECT_TRUE(itemChecked());
    EXPECT_FALSE(strip->controls()->isVisible()) << "no barcode to show";
    f.click(QPointF(20, 100)); // the rectangle: the drawer stays open as the user left it
    EXPECT_TRUE(strip->isVisible());
    item->trigger();
    apptest::settle();
    expectClosed("closed by its item");

    // Closed by its item while a barcode is selected, it stays closed for that selection and
    // opens again for the next barcode selected.
    f.click(barcode->frameBounds().center());
    apptest::settle();
    ASSERT_TRUE(strip->isVisible());
    item->trigger();
    apptest::settle();
    EXPECT_FALSE(strip->isVisible());
    f.canvas()->clearSelection();
    apptest::settle();
    f.click(barcode->frameBounds().center());
    apptest::settle();
    EXPECT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->dataField()->text(), QStringLiteral("12345678912"));
}

TEST(BarcodeDrawerLanguages, TheStripShowsEveryWordWholeInEachLanguage)
{
    for (const char *language : {"de", "es", "ru", "zh"}) {
        apptest::WindowFixture f(QStringLiteral("barcode-drawer-") + QLatin1String(language), QLatin1String(language));
        f.tool(RectsView::BarcodeTool)->trigger();
        f.click(QPointF(10, 10));
        BarcodeDrawer *strip = f.window->findChild<BarcodeDrawer *>();
        ASSERT_TRUE(strip->controls()->isVisible()) << language;
        // The strip lays its words out once the events its showing posted are handled: on a
        // busy machine they may still wait after the click.
        apptest::settle();
        expectLaidOut(strip, language);
    }
}
