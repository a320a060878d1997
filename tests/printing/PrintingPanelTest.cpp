// The print options sheet, its calibration view and the print panel's range accessory.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QMouseEvent>
#include <QTimer>

#include "canvas/CanvasTestSupport.h"
#include "printing/CalibrationView.h"
#include "printing/PrintAddViewController.h"
#include "printing/PrintJob.h"
#include "printing/PrintingPanel.h"

using namespace quillmark;

namespace {

class PrintingPanelTest : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("printing-panel"));
        panel = view->printingPanel();
        panel->viewCalibration()->resize(600, 400);
    }

    PrintingPanel *panel = nullptr;
};

QImage previewImage()
{
    QImage image(360 * 5, 216 * 5, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

} // namespace

TEST_F(PrintingPanelTest, OffsetsAreShownInTheUnitAndKeptInPoints)
{
    UserDefaults::standard().setFloat(7.2, QStringLiteral("Printing OffsetX"));
    panel->initPrinters();
    EXPECT_NEAR(panel->offsetXField()->value(), 0.1, 1e-6);
    EXPECT_NEAR(panel->calibrationOffset().x(), 0.1, 1e-6);
    EXPECT_NEAR(panel->offsetXField()->singleStep(), 0.01, 1e-9);
    EXPECT_NEAR(view->getPrintCalibrationOffset().x(), 7.2, 1e-4);

    // A centimetre is 28.35 points.
    panel->setMeasure(1);
    EXPECT_NEAR(panel->offsetXField()->value(), 7.2 / 28.35, 1e-3);
    EXPECT_NEAR(panel->calibrationOffset().x(), 7.2 / 28.35, 1e-6);
    EXPECT_NEAR(panel->offsetXField()->singleStep(), 0.02, 1e-9);
    EXPECT_NEAR(view->getPrintCalibrationOffset().x(), 7.2, 1e-4);
    EXPECT_NEAR(panel->convertValueToPixels(1.0f), 28.35, 1e-4);
}

TEST_F(PrintingPanelTest, BleedLimitsAndStepsFollowTheUnit)
{
    panel->initPrinters();
    EXPECT_NEAR(panel->bleedField()->maximum(), 0.5, 1e-9);
    EXPECT_NEAR(panel->bleedField()->singleStep(), 0.025, 1e-9);
    panel->setBleed(2.0f);
    EXPECT_NEAR(panel->bleed(), 0.5, 1e-9);
    EXPECT_NEAR(UserDefaults::standard().floatForKey(QStringLiteral("Printing Bleeds")), 36.0, 1e-4);
    panel->setMeasure(1);
    EXPECT_NEAR(panel->bleedField()->maximum(), 36.0 / 28.35, 1e-3);
    EXPECT_NEAR(panel->bleedField()->singleStep(), 0.05, 1e-9);
}

TEST_F(PrintingPanelTest, MarksAndCardSideReachTheDefaultsAndTheJob)
{
    panel->setCrop(true);
    panel->setTrim(true);
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("CropMarks")));
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("TrimMarks")));
    panel->setCrop(false);
    EXPECT_FALSE(UserDefaults::standard().boolForKey(QStringLiteral("CropMarks")));

    panel->setCardSide(2);
    EXPECT_EQ(panel->cardSide(), 2);
    const PrintJob job = view->currentPrintJob();
    EXPECT_EQ(job.cardSide, PrintJob::BothSides);
    EXPECT_EQ(view->pageCount(job), 2);
}

TEST_F(PrintingPanelTest, ButtonsEndTheSheetWithTheirTag)
{
    QTimer::singleShot(0, panel, [this] { panel->buttonPressed(3); });
    EXPECT_EQ(panel->runModal(), 3);
    QTimer::singleShot(0, panel, [this] { panel->buttonPressed(0); });
    EXPECT_EQ(panel->runModal(), 0);
}

TEST_F(PrintingPanelTest, DraggingAndArrowKeysMoveThePreviewOnePointAtATime)
{
    panel->initPrinters();
    CalibrationView *calibration = panel->viewCalibration();
    calibration->setPreview(previewImage());
    // A 4 x 2 inch label in a 600 point wide view starts centred.
    EXPECT_NEAR(calibration->labelOffset().x(), (600.0 - 288.0) / 2.0, 1e-9);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(calibration, &press);
    QMouseEvent drag(QEvent::MouseMove, QPointF(110, 100), QPointF(110, 100), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(calibration, &drag);
    EXPECT_FLOAT_EQ(calibration->offsetX(), 1.0f);
    EXPECT_NEAR(panel->offsetXField()->value(), 1.0 / 72.0, 1e-3);
    // A drag is used by the job but not stored.
    EXPECT_NEAR(UserDefaults::standard().floatForKey(QStringLiteral("Printing OffsetX")), 0.0, 1e-9);

    calibration->moveUp();
    EXPECT_FLOAT_EQ(calibration->offsetY(), 1.0f);
    calibration->moveDown();
    calibration->moveDown();
    EXPECT_FLOAT_EQ(calibration->offsetY(), -1.0f);
    EXPECT_NEAR(view->getPrintCalibrationOffset().y(), -1.0, 1e-4);
}

TEST_F(PrintingPanelTest, RulerBandFollowsTheUnit)
{
    EXPECT_FLOAT_EQ(CalibrationView::rulerBand(0), 36.0f);
    EXPECT_NEAR(CalibrationView::rulerBand(1), 1.5 * 28.35, 1e-4);
}

TEST_F(PrintingPanelTest, PreviewRendersTheChosenSide)
{
    auto front = add(QRectF(0, 0, 50, 50));
    front->setDrawsFill(true);
    front->setFillColor(Qt::red);
    auto back = ColorRect::create(QRectF(0, 0, 50, 50));
    back->setPageName(view->getTemplateFolder() + QStringLiteral("Back"));
    back->setDrawsFill(true);
    back->setFillColor(Qt::blue);
    view->addGraphic(back);
    const QPoint inside(5 * (36 + 25), 5 * (36 + 25));
    EXPECT_EQ(panel->createObjectImage().pixelColor(inside), QColor(Qt::red));
    panel->setCardSide(1);
    EXPECT_EQ(panel->createObjectImage().pixelColor(inside), QColor(Qt::blue));
    panel->setCardSide(2);
    EXPECT_EQ(panel->createObjectImage().pixelColor(inside), QColor(Qt::red));
}

TEST(PrintAccessory, RangeChoiceAndSummary)
{
    PrintAddViewController accessory;
    accessory.view();
    auto summary = accessory.localizedSummaryItems();
    ASSERT_EQ(summary.size(), 2);
    EXPECT_EQ(summary[0].first, QStringLiteral("Labels Range"));
    EXPECT_EQ(summary[0].second, QStringLiteral("Off"));
    accessory.changeLabels(1);
    EXPECT_TRUE(accessory.printInfo().value(QStringLiteral("labelsNumbering")).toBool());
    EXPECT_EQ(accessory.localizedSummaryItems()[0].second, QStringLiteral("On"));
    accessory.changeLabels(0);
    EXPECT_FALSE(accessory.labelsNumbering());
    // Typing into a field chooses the range row.
    accessory.setFromValue(5);
    accessory.fieldEdited();
    EXPECT_TRUE(accessory.labelsNumbering());
    accessory.changeDirection(1);
    EXPECT_EQ(accessory.localizedSummaryItems()[1].second, QStringLiteral("On"));
}

TEST_F(PrintingPanelTest, RangeOfTheAccessoryPagesTheJob)
{
    PrintAddViewController *accessory = view->printViewController();
    accessory->changeLabels(1);
    accessory->setFromValue(5);
    accessory->setToValue(12);
    const PrintJob job = view->currentPrintJob();
    EXPECT_TRUE(job.rangeOn);
    // The default grid has 10 positions: labels 5-12 cover two sheets.
    EXPECT_EQ(view->countPrintedLabels(), 10);
    EXPECT_EQ(view->pageCount(job), 2);
}
