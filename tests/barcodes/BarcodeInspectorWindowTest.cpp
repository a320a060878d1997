// The inspector's barcode page in the real window, driven as a user drives it: barcodes
// placed with the tool, the page opened by its button or a double click, data typed and
// pasted into its text view, symbologies chosen in its pop-up with the keyboard, metrics
// typed into its fields; every symbol is read back by ZXing, and the drawer over the
// canvas shows what the page changed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include "app/AppTestSupport.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "database/store/Database.h"
#include "foundation/MyStepper.h"
#include "inspector/BarcodePage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "platform/ColorWell.h"

using namespace quillmark;

namespace {

class BarcodeInspectorWindow : public ::testing::Test
{
protected:
    BarcodePage *page() const
    {
        return static_cast<BarcodePage *>(f.window->objectInfo()->page(ObjectInfoPanel::BarcodeTab));
    }
    BarcodeDrawer *drawer() const { return f.window->findChild<BarcodeDrawer *>(); }

    std::shared_ptr<ColorBarcode> placeBarcode(const QPointF &at)
    {
        f.tool(RectsView::BarcodeTool)->trigger();
        f.click(at);
        auto barcode = std::dynamic_pointer_cast<ColorBarcode>(f.canvas()->getRects().last());
        EXPECT_TRUE(barcode);
        return barcode;
    }
    // The page's button in the side panel.
    void openPage()
    {
        for (PropertiesTabButton *button : f.window->propertiesView()->buttons())
            if (button->text() == QLatin1String("Barcode")) {
                QTest::mouseClick(button, Qt::LeftButton);
                apptest::settle();
                return;
            }
        ADD_FAILURE() << "no Barcode button in the side panel";
    }
    // A click on the first object, a Shift-click on the second.
    void selectBoth(const ColorBarcode &first, const ColorBarcode &second)
    {
        f.click(first.frameBounds().center());
        f.click(second.frameBounds().center(), Qt::ShiftModifier);
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
    // Types over the view's whole text; the barcodes get it once the event loop turns.
    static void typeData(QPlainTextEdit *view, const QString &text)
    {
        view->setFocus();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Backspace);
        QTest::keyClicks(view, text);
    }
    // Pastes over the view's whole text, as a long text comes in.
    static void pasteData(QPlainTextEdit *view, const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    }
    static void typeInto(QLineEdit *field, const QString &text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        apptest::settle();
    }
    QString undoText() const
    {
        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        return undo ? undo->text() : QString();
    }

    apptest::WindowFixture f{QStringLiteral("barcode-inspector-window")};
};

} // namespace

TEST_F(BarcodeInspectorWindow, ADoubleClickOnABarcodeOpensItsPageWithItsValues)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    BarcodePage *p = page();
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->isVisible()) << "the geometry page stays open on a single click";

    const QPointF at = barcode->frameBounds().center();
    f.mouse(QEvent::MouseButtonPress, at);
    f.mouse(QEvent::MouseButtonRelease, at);
    f.mouse(QEvent::MouseButtonDblClick, at);
    f.mouse(QEvent::MouseButtonRelease, at);
    apptest::settle();
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->tvBarData->toPlainText(), QStringLiteral("12345678912"));
    EXPECT_TRUE(p->tvBarData->isEnabled());
    EXPECT_EQ(p->pbBarType->currentText(), QStringLiteral("Code 128"));
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("9.0 mils"));
    EXPECT_EQ(p->tvBarAdjust->text(), QStringLiteral("-2.0 mils"));
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("0.40 in"));
    EXPECT_EQ(p->btnHRT->checkState(), Qt::Checked);
    EXPECT_TRUE(p->rbData->isChecked());
    EXPECT_FALSE(p->rbDatabaseField->isChecked());
    EXPECT_TRUE(p->pbISBNPattern->isHidden()) << "Code 128 has no ISBN pattern";
    EXPECT_TRUE(p->pbBarGap->isHidden());

    // A click on the empty label empties and disables the page.
    f.click(QPointF(300, 200));
    EXPECT_TRUE(p->tvBarData->toPlainText().isEmpty());
    EXPECT_FALSE(p->tvBarData->isEnabled());
    EXPECT_FALSE(p->pbBarType->isEnabled());
    EXPECT_TRUE(p->tvBarWidth->text().isEmpty());
}

TEST_F(BarcodeInspectorWindow, TypedDataReachEverySelectedBarcodeAfterTheKeyWhole)
{
    auto first = placeBarcode(QPointF(20, 20));
    auto second = placeBarcode(QPointF(20, 140));
    openPage();
    BarcodePage *p = page();
    chooseType(p->pbBarType, BarcodeType::QRCode);
    ASSERT_EQ(second->getBarInfo().type, BarcodeType::QRCode);
    selectBoth(*first, *second);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    f.canvas()->undoManager()->closeEventGroup();
    const QString undoBefore = undoText();

    typeData(p->tvBarData, QStringLiteral("ABC"));
    EXPECT_EQ(first->getBarInfo().BarStr, "12345678912") << "the keys reach the barcodes a turn later";
    apptest::settle();
    for (const auto &barcode : {first, second}) {
        EXPECT_EQ(barcode->getBarInfo().BarStr, "ABC");
        EXPECT_EQ(barcode->getBarInfo().strlength(), 3);
        EXPECT_EQ(barcode->getBarInfo().shortData().size(), 3u) << "the length byte";
    }
    EXPECT_TRUE(p->tvBarData->hasFocus()) << "the typing goes on in the view";
    EXPECT_TRUE(f.canvas()->isChanged());
    EXPECT_NE(undoText(), undoBefore);
    EXPECT_EQ(undoText(), QStringLiteral("Undo Barcode Data")) << "typed data are undone as the drawer's are";
    EXPECT_EQ(drawer()->dataField()->text(), QStringLiteral("ABC")) << "the drawer follows";
    const auto decoded = bctest::decode(bctest::drawObject(*second, 8));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, "ABC");

    // 300 bytes: the length byte stops at 255, the data keep all 300 and read back whole.
    QString text300;
    for (int i = 0; i < 30; ++i)
        text300 += QStringLiteral("Line %1 ok.").arg(i % 10);
    ASSERT_EQ(text300.toUtf8().size(), 300);
    pasteData(p->tvBarData, text300);
    apptest::settle();
    EXPECT_EQ(second->getBarInfo().strlength(), 300);
    EXPECT_EQ(second->getBarInfo().shortData().size(), 255u);
    EXPECT_EQ(p->barData(), text300);
    f.click(QPointF(300, 200));
    f.click(second->frameBounds().center());
    EXPECT_EQ(p->tvBarData->toPlainText(), text300) << "shown whole when selected again";
    const auto long_ = bctest::decode(bctest::drawObject(*second, 4));
    ASSERT_TRUE(long_.has_value());
    EXPECT_EQ(QString::fromStdString(long_->text), text300);

    // A two-byte character counts two bytes.
    typeData(p->tvBarData, QString::fromUtf8("Straße"));
    apptest::settle();
    EXPECT_EQ(second->getBarInfo().strlength(), 7);

    // Past the record's 4095 bytes the text is cut between characters, never inside one.
    pasteData(p->tvBarData, QString(4094, QLatin1Char('a')) + QString::fromUtf8("€"));
    apptest::settle();
    EXPECT_EQ(second->getBarInfo().strlength(), 4094);
    EXPECT_EQ(p->tvBarData->toPlainText(), QString(4094, QLatin1Char('a'))) << "the view shows what the barcode holds";
    EXPECT_EQ(p->tvBarData->textCursor().position(), 4094) << "and the typing goes on at its end";
}

TEST_F(BarcodeInspectorWindow, EverySymbologyIsMadeOnTheBarcodePage)
{
    struct Case
    {
        int type;
        const char *data;
        const char *format;
        const char *text;
    };
    const Case cases[] = {
        {BarcodeType::QRCode, "https://example.org/inspector", "QRCode", "https://example.org/inspector"},
        {BarcodeType::DataMatrix, "Inspector 22", "DataMatrix", "Inspector 22"},
        {BarcodeType::Code128B, "Made in the inspector", "Code128", "Made in the inspector"},
        {BarcodeType::Code128A, "PAGE-42", "Code128", "PAGE-42"},
        {BarcodeType::Code128C, "20261207", "Code128", "20261207"},
        {BarcodeType::UpcA, "03600029145", "UPC-A", "036000291452"},
        {BarcodeType::UpcE, "123456", "UPC-E", "01234565"},
        {BarcodeType::Ean13, "590123412345", "EAN-13", "5901234123457"},
        {BarcodeType::Ean8, "9638507", "EAN-8", "96385074"},
        {BarcodeType::BooklandIsbn, "030640615", "EAN-13", "9780306406157"},
        {BarcodeType::BooklandIsbnPrefixed, "030640615", "EAN-13", "9780306406157"},
        {BarcodeType::BooklandIssn, "0317847", "EAN-13", "9770317847001"},
        {BarcodeType::BooklandIsmn, "23067118", "EAN-13", "9790230671187"},
    };
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage();
    BarcodePage *p = page();
    for (const Case &c : cases) {
        chooseType(p->pbBarType, c.type);
        typeData(p->tvBarData, QString::fromLatin1(c.data));
        apptest::settle();
        ASSERT_EQ(barcode->getBarInfo().type, c.type);
        EXPECT_EQ(p->pbISBNPattern->isVisible(), c.type == BarcodeType::BooklandIsbn
                                                     || c.type == BarcodeType::BooklandIsbnPrefixed
                                                     || c.type == BarcodeType::BooklandIsmn)
            << c.type;
        const auto decoded = bctest::decode(bctest::drawObject(*barcode, 8));
        ASSERT_TRUE(decoded.has_value()) << c.data;
        EXPECT_EQ(decoded->format, c.format) << c.data;
        EXPECT_EQ(decoded->text, c.text) << c.data;
    }
    // POSTNET has no reader here: its bars show and the frame is the bar code's own.
    chooseType(p->pbBarType, BarcodeType::Postnet);
    typeData(p->tvBarData, QStringLiteral("12345"));
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().type, BarcodeType::Postnet);
    EXPECT_TRUE(bctest::hasInk(bctest::drawObject(*barcode, 3)));
    EXPECT_LT(barcode->frameBounds().height(), 0.4 * 72);

    // The last symbology chosen is remembered for the next barcode placed.
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("BarcodeType")), BarcodeType::Postnet);
    auto next = placeBarcode(QPointF(20, 200));
    EXPECT_EQ(next->getBarInfo().type, BarcodeType::Postnet);
}

TEST_F(BarcodeInspectorWindow, QrWithCode128SelectedHidesTheBarGeometryInEitherOrder)
{
    auto code128 = placeBarcode(QPointF(20, 20));
    auto qr = placeBarcode(QPointF(20, 140));
    openPage();
    BarcodePage *p = page();
    chooseType(p->pbBarType, BarcodeType::QRCode);
    const QList<QWidget *> geometry = {p->tvBarWidth, p->tvBarAdjust, p->tvBarHeight, p->lblWidth, p->lblWidthAdjust,
                                       p->lblHeight, p->spBarWidth, p->spBarAdjust, p->spBarHeight};
    EXPECT_EQ(f.canvas()->selectedObjects().size(), 1);
    for (QWidget *w : geometry)
        EXPECT_FALSE(w->isVisible()) << "QR alone " << w->objectName().toStdString();

    selectBoth(*code128, *qr);
    for (QWidget *w : geometry)
        EXPECT_FALSE(w->isVisible()) << "Code 128, QR " << w->objectName().toStdString();
    selectBoth(*qr, *code128);
    for (QWidget *w : geometry)
        EXPECT_FALSE(w->isVisible()) << "QR, Code 128 " << w->objectName().toStdString();
    EXPECT_FALSE(p->btnHRT->isVisible());

    f.click(code128->frameBounds().center());
    for (QWidget *w : geometry)
        EXPECT_TRUE(w->isVisible()) << "Code 128 alone " << w->objectName().toStdString();
    EXPECT_TRUE(p->tvBarWidth->isEnabled());
}

TEST_F(BarcodeInspectorWindow, GapItemThreeGivesTwoAndAHalfToType7Only)
{
    // Type 7 comes only with stored designs: no menu offers it.
    auto code39 = placeBarcode(QPointF(20, 20));
    TBarInfo record = code39->getBarInfo();
    record.type = int16_t(BarcodeType::Code39);
    record.BarStr = "CODE39";
    code39->setBarInfo(record);
    auto code128 = placeBarcode(QPointF(20, 140));
    openPage();
    selectBoth(*code39, *code128);
    QComboBox *gap = page()->pbBarGap;
    // The pop-up is hidden and disabled for good; its action still applies the rule.
    EXPECT_FALSE(gap->isVisible());
    EXPECT_FALSE(gap->isEnabled());
    EXPECT_EQ(gap->itemText(3), QStringLiteral("2.5"));

    gap->setCurrentIndex(3);
    emit gap->activated(3);
    EXPECT_EQ(code39->getBarInfo().chargap, 2.5);
    EXPECT_EQ(code39->getBarInfo().type, BarcodeType::Code39);
    EXPECT_EQ(code128->getBarInfo().chargap, 1.0);
    f.click(QPointF(300, 200));
    f.click(code39->frameBounds().center());
    EXPECT_EQ(page()->barGap(), 3);
    EXPECT_EQ(gap->currentIndex(), 3) << "the pop-up reads item 3 again";
}

TEST_F(BarcodeInspectorWindow, MetricsTypedOnThePageRedrawTheSymbolUndoably)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage();
    BarcodePage *p = page();
    f.canvas()->undoManager()->closeEventGroup();
    const QString undoBefore = undoText();
    const QRectF start = barcode->frameBounds();

    typeInto(p->tvBarWidth, QStringLiteral("12"));
    EXPECT_EQ(barcode->getBarInfo().barW, 12.0);
    EXPECT_GT(barcode->frameBounds().width(), start.width());
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("12.0 mils"));
    EXPECT_EQ(drawer()->widthField()->text(), QStringLiteral("12")) << "the drawer follows";
    EXPECT_TRUE(f.canvas()->hasFocus()) << "the canvas takes the keys back";
    // The stepper goes on from the typed value, a whole mil a click.
    QTest::mouseClick(p->spBarWidth, Qt::LeftButton, Qt::NoModifier, QPoint(p->spBarWidth->width() / 2, 3));
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().barW, 13.0);
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("13.0 mils"));

    typeInto(p->tvBarAdjust, QStringLiteral("-1.5"));
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, -1.5);
    typeInto(p->tvBarHeight, QStringLiteral("0.75"));
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.75);
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("0.75 in"));
    EXPECT_GT(barcode->frameBounds().height(), start.height());

    // Bars of no width or height are refused; the fields show the barcode's values again.
    typeInto(p->tvBarWidth, QStringLiteral("0"));
    EXPECT_EQ(barcode->getBarInfo().barW, 13.0);
    EXPECT_EQ(p->tvBarWidth->text(), QStringLiteral("13.0 mils"));
    typeInto(p->tvBarHeight, QStringLiteral("-1"));
    EXPECT_DOUBLE_EQ(barcode->getBarInfo().barH, 0.75);
    EXPECT_EQ(p->tvBarHeight->text(), QStringLiteral("0.75 in"));

    QTest::mouseClick(p->btnHRT, Qt::LeftButton, Qt::NoModifier, QPoint(6, p->btnHRT->height() / 2));
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().HRT, 0);
    EXPECT_NE(undoText(), undoBefore) << "record edits are steps of the undo history";
    EXPECT_TRUE(f.canvas()->isChanged());
    const auto decoded = bctest::decode(bctest::drawObject(*barcode, 6));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, "12345678912");

    // The colour well paints bars and text, as one step the Edit menu undoes.
    p->cwBarcodeColor->takeColor(QColor(20, 40, 120));
    apptest::settle();
    EXPECT_EQ(barcode->textColor(), QColor(20, 40, 120));
    EXPECT_EQ(undoText(), QStringLiteral("Undo Stroke Color Change"));
    EXPECT_TRUE(bctest::decode(bctest::drawObject(*barcode, 6)).has_value());
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_EQ(barcode->textColor(), QColor(Qt::black));
    EXPECT_EQ(p->cwBarcodeColor->color(), QColor(Qt::black)) << "the well follows the undo";
}

// Text pasted into a Data Matrix in any script reads back as typed.
TEST_F(BarcodeInspectorWindow, DataMatrixTextInAnyScriptReadsAsTyped)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage();
    BarcodePage *p = page();
    chooseType(p->pbBarType, BarcodeType::DataMatrix);
    for (const bctest::ScriptSample &sample : bctest::scriptSamples()) {
        pasteData(p->tvBarData, QString::fromStdString(sample.text));
        apptest::settle();
        ASSERT_EQ(barcode->getBarInfo().BarStr, sample.text) << sample.script;
        EXPECT_FALSE(p->lblDataProblem->isVisible()) << sample.script;
        const auto decoded = bctest::decode(bctest::drawObject(*barcode, 4));
        ASSERT_TRUE(decoded.has_value()) << sample.script;
        EXPECT_EQ(decoded->text, sample.text) << sample.script;
    }
}

// A Bookland number typed as printed with a check character its digits do not give: no symbol,
// and the page and the drawer say which check it should be; corrected, the symbol reads.
TEST_F(BarcodeInspectorWindow, ABooklandNumberWithAWrongCheckIsRefusedWithTheReason)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage();
    BarcodePage *p = page();
    chooseType(p->pbBarType, BarcodeType::BooklandIssn);
    typeData(p->tvBarData, QStringLiteral("0317-8472"));
    apptest::settle();
    ASSERT_TRUE(p->lblDataProblem->isVisible()) << "the page says nothing";
    EXPECT_EQ(p->lblDataProblem->text(), QStringLiteral("The check digit of ISSN 0317-8472 should be 1, not 2."));
    EXPECT_EQ(drawer()->dataField()->toolTip(), p->lblDataProblem->text()) << "the drawer says the same";
    EXPECT_FALSE(bctest::decode(bctest::drawObject(*barcode, 6)).has_value());

    typeData(p->tvBarData, QStringLiteral("0317-8471"));
    apptest::settle();
    EXPECT_FALSE(p->lblDataProblem->isVisible());
    const auto decoded = bctest::decode(bctest::drawObject(*barcode, 6));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, "9770317847001");
}

// Data a Code 128 cannot hold whole and bars too thin to print: no symbol that scans as
// something else; the page and the drawer say why, and a thinning adjustment is refused.
TEST_F(BarcodeInspectorWindow, DataTooLongAndBarsTooThinAreRefusedWithTheReason)
{
    auto barcode = placeBarcode(QPointF(20, 20));
    openPage();
    BarcodePage *p = page();
    ASSERT_EQ(barcode->getBarInfo().type, BarcodeType::Code128B);
    EXPECT_FALSE(p->lblDataProblem->isVisible()) << "the default data make a symbol";

    // 300 characters: more than one symbol holds. Nothing reads from it, not even the first 255.
    const QString long300(300, QLatin1Char('7'));
    pasteData(p->tvBarData, long300);
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().strlength(), 300);
    EXPECT_FALSE(bctest::decode(bctest::drawObject(*barcode, 6)).has_value());
    ASSERT_TRUE(p->lblDataProblem->isVisible()) << "the page says nothing";
    EXPECT_TRUE(p->lblDataProblem->text().contains(QStringLiteral("255"))) << p->lblDataProblem->text().toStdString();
    EXPECT_TRUE(p->lblDataProblem->text().contains(QStringLiteral("300"))) << p->lblDataProblem->text().toStdString();
    EXPECT_EQ(drawer()->dataField()->toolTip(), p->lblDataProblem->text()) << "the drawer says the same";
    // The rows below the note make room for it.
    EXPECT_GE(p->lblWidth->y(), p->lblDataProblem->geometry().bottom());
    // 255 are held whole; the note goes.
    typeData(p->tvBarData, QString(255, QLatin1Char('7')));
    apptest::settle();
    EXPECT_TRUE(BarcodeRenderer::encodes(barcode->workingBarInfo()));
    EXPECT_FALSE(p->lblDataProblem->isVisible());
    EXPECT_TRUE(drawer()->dataField()->toolTip().isEmpty());
    typeData(p->tvBarData, QStringLiteral("SHORT1"));
    apptest::settle();

    // 9-mil bars: -20 mils would leave bars of no width, +8 spaces of one mil; both refused
    // beside the field, which shows the barcode's value again.
    for (const QString &typed : {QStringLiteral("-20"), QStringLiteral("8"), QStringLiteral("-9")}) {
        typeInto(p->tvBarAdjust, typed);
        EXPECT_EQ(barcode->getBarInfo().widthAdjust, -2.0) << typed.toStdString();
        EXPECT_EQ(p->tvBarAdjust->text(), QStringLiteral("-2.0 mils")) << typed.toStdString();
        EXPECT_TRUE(p->tvBarAdjust->refusal().contains(QStringLiteral("4.5"))) << p->tvBarAdjust->refusal().toStdString();
    }
    // Within half a module either way it is taken, and the symbol still reads.
    typeInto(p->tvBarAdjust, QStringLiteral("-3"));
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, -3.0);
    EXPECT_TRUE(p->tvBarAdjust->refusal().isEmpty());
    const auto thin = bctest::decode(bctest::drawObject(*barcode, 6));
    ASSERT_TRUE(thin.has_value());
    EXPECT_EQ(thin->text, "SHORT1");
    // A narrower bar width under that adjustment is refused as well.
    typeInto(p->tvBarWidth, QStringLiteral("4"));
    EXPECT_EQ(barcode->getBarInfo().barW, 9.0);
    EXPECT_FALSE(p->tvBarWidth->refusal().isEmpty());

    // The drawer refuses the same, its field saying why.
    QLineEdit *adjust = drawer()->adjustField();
    adjust->setFocus();
    adjust->selectAll();
    QTest::keyClicks(adjust, QStringLiteral("-20"));
    QTest::keyClick(adjust, Qt::Key_Return);
    apptest::settle();
    EXPECT_EQ(barcode->getBarInfo().widthAdjust, -3.0);
    EXPECT_FALSE(adjust->toolTip().isEmpty());
    EXPECT_EQ(adjust->text(), QStringLiteral("-3"));
}

TEST_F(BarcodeInspectorWindow, ADatabaseFieldIsChosenOnThePageAndUndoneFromTheEditMenu)
{
    // A database of the user's own, current as when the user opens it.
    const QString path = qmtest::freshDir(QStringLiteral("barcode-fields")) + QStringLiteral("/Club.sqlite");
    QString error;
    ASSERT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
    std::unique_ptr<Database> db = Database::openDatabaseAtPath(path, &error);
    ASSERT_TRUE(db) << error.toStdString();
    struct Closing
    {
        ~Closing() { Database::setCurrentDatabase(nullptr); }
    } closing;

    auto barcode = placeBarcode(QPointF(20, 20));
    openPage();
    BarcodePage *p = page();
    ASSERT_GE(p->pbBarFieldType->count(), 2) << "the database offers fields for barcodes";
    EXPECT_TRUE(p->rbData->isChecked());
    EXPECT_FALSE(p->pbBarFieldType->isEnabled()) << "typed data need no field";
    f.canvas()->undoManager()->closeEventGroup();

    QTest::mouseClick(p->rbDatabaseField, Qt::LeftButton, Qt::NoModifier, QPoint(6, p->rbDatabaseField->height() / 2));
    apptest::settle();
    const int first = p->pbBarFieldType->currentData().toInt();
    EXPECT_GT(first, 0);
    EXPECT_EQ(barcode->fieldPk(), first);
    EXPECT_TRUE(p->rbDatabaseField->isChecked());
    EXPECT_FALSE(p->rbData->isChecked());
    EXPECT_TRUE(p->pbBarFieldType->isEnabled());
    f.canvas()->undoManager()->closeEventGroup();

    // The next field the keyboard reaches in the pop-up.
    p->pbBarFieldType->setFocus();
    QTest::keyClick(p->pbBarFieldType, Qt::Key_Down);
    apptest::settle();
    const int second = p->pbBarFieldType->currentData().toInt();
    ASSERT_NE(second, first);
    EXPECT_EQ(barcode->fieldPk(), second);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("BarFieldType")), second);
    f.canvas()->undoManager()->closeEventGroup();

    EXPECT_EQ(undoText(), QStringLiteral("Undo Change Field Type"));
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_EQ(barcode->fieldPk(), first);
    EXPECT_EQ(p->pbBarFieldType->currentData().toInt(), first) << "the page follows the undo";

    QTest::mouseClick(p->rbData, Qt::LeftButton, Qt::NoModifier, QPoint(6, p->rbData->height() / 2));
    apptest::settle();
    EXPECT_EQ(barcode->fieldPk(), 0);
    EXPECT_FALSE(p->pbBarFieldType->isEnabled());
}

TEST(BarcodePageLanguages, EveryTitleOnThePageShowsWholeInEachLanguage)
{
    for (const char *language : {"en", "de", "es", "ru", "zh"}) {
        apptest::WindowFixture f(QStringLiteral("barcode-page-") + QLatin1String(language), QLatin1String(language));
        auto *p = static_cast<BarcodePage *>(f.window->objectInfo()->page(ObjectInfoPanel::BarcodeTab));
        ASSERT_NE(p, nullptr);
        for (QWidget *w : p->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<QLabel *>(w) && !qobject_cast<QAbstractButton *>(w))
                continue;
            EXPECT_GE(w->width(), w->sizeHint().width()) << language << ": " << w->objectName().toStdString();
            EXPECT_LE(w->geometry().right(), BarcodePage::pageWidth) << language;
        }
    }
}
