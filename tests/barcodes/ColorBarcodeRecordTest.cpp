// A barcode bound to a database field: the merged value of the current record replaces the
// typed data, the frame follows it from the edge the anchor names, and the binding is undone.
#include <gtest/gtest.h>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "platform/NotificationCenter.h"

#include <QImage>
#include <QPainter>

using namespace quillmark;

namespace {

double extentWidth(const std::string &data)
{
    TBarInfo info;
    info.BarStr = data;
    return BarcodeRenderer::frameExtent(info, QSizeF()).width();
}

} // namespace

TEST(ColorBarcodeRecord, RecordChangesReachABoundBarcode)
{
    bctest::RecordSource source;
    source.values.insert(7, QStringLiteral("FIRST"));
    auto barcode = ColorBarcode::create(QRectF(100, 50, 0, 0));
    barcode->setFieldPk(7);
    EXPECT_EQ(barcode->mergedValue(), "FIRST");
    EXPECT_EQ(barcode->workingBarInfo().BarStr, "FIRST");
    EXPECT_EQ(barcode->getBarcodeString(), "12345678912") << "the typed data stay";

    source.values.insert(7, QStringLiteral("SECOND RECORD"));
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    EXPECT_EQ(barcode->mergedValue(), "SECOND RECORD");
    EXPECT_EQ(barcode->frameBounds().width(), extentWidth("SECOND RECORD"));

    // A value that is not text leaves the merged value; the print loop's refresh goes the
    // same way.
    source.values.insert(7, 42);
    barcode->updateABRecord();
    EXPECT_EQ(barcode->mergedValue(), "SECOND RECORD");
    source.values.insert(7, QStringLiteral("THIRD"));
    barcode->updateABRecord();
    EXPECT_EQ(barcode->mergedValue(), "THIRD");

    // An unbound barcode shows its typed data whatever the record holds.
    barcode->setFieldPk(0);
    EXPECT_EQ(barcode->workingBarInfo().BarStr, "12345678912");
}

TEST(ColorBarcodeRecord, TheAnchorKeepsAnEdgeInPlace)
{
    const std::string wide = "WIDE-VALUE-1";
    const std::string narrow = "NARROW";
    const double shrink = extentWidth(wide) - extentWidth(narrow);
    ASSERT_GT(shrink, 0);

    struct Case
    {
        int anchor;
        double moved;
    };
    for (const Case c : {Case{0, 0.0}, Case{1, shrink}, Case{2, shrink / 2}}) {
        bctest::RecordSource source;
        source.values.insert(3, QString::fromStdString(wide));
        auto barcode = ColorBarcode::create(QRectF(200, 80, 0, 0));
        barcode->setAnchor(c.anchor);
        barcode->setFieldPk(3);
        const QRectF before = barcode->frameBounds();
        source.values.insert(3, QString::fromStdString(narrow));
        barcode->updateABRecord();
        const QRectF after = barcode->frameBounds();
        EXPECT_DOUBLE_EQ(after.x(), before.x() + c.moved) << c.anchor;
        EXPECT_DOUBLE_EQ(after.y(), before.y()) << c.anchor;
        EXPECT_DOUBLE_EQ(after.width(), extentWidth(narrow)) << c.anchor;
    }
}

TEST(ColorBarcodeRecord, TypedDataKeepTheAnchoredEdgeTooAndPrintedNumbersGoBack)
{
    const double shrink = extentWidth("WIDE-VALUE-1") - extentWidth("N");
    for (const auto &[anchor, moved] : {std::pair{0, 0.0}, std::pair{1, shrink}, std::pair{2, shrink / 2}}) {
        auto barcode = ColorBarcode::create(QRectF(200, 80, 0, 0));
        TBarInfo info = barcode->getBarInfo();
        info.setData("WIDE-VALUE-1");
        barcode->setBarInfo(info);
        barcode->setAnchor(anchor);
        const QRectF before = barcode->frameBounds();
        info.setData("N");
        barcode->setBarInfo(info);
        EXPECT_NEAR(barcode->frameBounds().x(), before.x() + moved, 1e-9) << anchor;
        // A numbered label prints about the anchor and leaves the frame as it was.
        TSequence numbers;
        numbers.isPresent = 1;
        numbers.counter = "1000000";
        barcode->setSequenceInfo(numbers);
        const QRectF kept = barcode->frameBounds();
        QImage page(400, 200, QImage::Format_ARGB32);
        QPainter painter(&page);
        barcode->printFrame(&painter, QRectF(0, 0, 400, 200), 3);
        painter.end();
        EXPECT_EQ(barcode->frameBounds(), kept) << anchor;
        EXPECT_EQ(barcode->getBarcodeString(), "N") << anchor;
    }
}

TEST(ColorBarcodeRecord, ABlankAfterAMergedNumberIsNoPartOfIt)
{
    bctest::RecordSource source;
    source.values.insert(4, QStringLiteral("4006381333931 "));
    auto barcode = ColorBarcode::create(QRectF(10, 10, 0, 0));
    TBarInfo info = barcode->getBarInfo();
    info.type = BarcodeType::Ean13;
    barcode->setBarInfo(info);
    barcode->setFieldPk(4);
    EXPECT_EQ(barcode->workingBarInfo().BarStr, "4006381333931");
    EXPECT_TRUE(BarcodeRenderer::encodes(barcode->workingBarInfo()));
    // Code 128 keeps a blank: it is a character it holds.
    info.type = BarcodeType::Code128B;
    barcode->setBarInfo(info);
    EXPECT_EQ(barcode->workingBarInfo().BarStr, "4006381333931 ");
}

TEST(ColorBarcodeRecord, LongValuesStayWholeForSquareSymbols)
{
    bctest::RecordSource source;
    const QString value(300, QLatin1Char('x'));
    source.values.insert(4, value);
    auto barcode = ColorBarcode::create();
    TBarInfo info = barcode->getBarInfo();
    info.type = BarcodeType::QRCode;
    barcode->setBarInfo(info);
    barcode->setFieldPk(4);
    const TBarInfo working = barcode->workingBarInfo();
    EXPECT_EQ(working.strlength(), 300);
    EXPECT_EQ(working.shortData().size(), 255u);

    // Beyond what the record keeps, a value is cut on a character boundary.
    source.values.insert(4, QString(3000, QChar(0x00E9)));
    barcode->updateABRecord();
    EXPECT_EQ(barcode->workingBarInfo().strlength(), 4094);
}

TEST(ColorBarcodeRecord, BindingIsUndoable)
{
    bctest::RecordSource source;
    source.values.insert(6, QStringLiteral("BOUND"));
    qmtest::FakeCanvas canvas;
    auto barcode = ColorBarcode::create(QRectF(10, 10, 0, 0));
    barcode->setMainView(&canvas);
    barcode->setFieldPk(6);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Field Type");
    canvas.undo.undo();
    EXPECT_EQ(barcode->fieldPk(), 0);
    canvas.undo.redo();
    EXPECT_EQ(barcode->fieldPk(), 6);
}

TEST(ColorBarcodeRecord, AReleasedBarcodeNoLongerObserves)
{
    bctest::RecordSource source;
    {
        auto barcode = ColorBarcode::create();
        barcode->setFieldPk(1);
    }
    // Would reach a destroyed object if the observation outlived it.
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    SUCCEED();
}
