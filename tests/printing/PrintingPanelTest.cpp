// The print options sheet, its calibration view and the print panel's range accessory.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QTabWidget>
#include <QMouseEvent>
#include <QTimer>

#include "canvas/CanvasTestSupport.h"
#include "printing/CalibrationView.h"
#include "printing/EpsonPrintingView.h"
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

namespace {

// A disc of 1 inch with a quarter-inch hole, in a view of 800 x 800 centred on (400, 400):
// at five times the outline is 360 points across and the hole 90.
class DiscPreview : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("disc-preview"));
        TLabel disc;
        disc.width = 1.0f;
        disc.height = 1.0f;
        disc.hole = 0.25f;
        disc.shape = TLabel::Oval;
        disc.num_label = 1;
        disc.num_downlabel = 2;
        view->setTLabel(disc);
        preview.resize(800, 800);
        preview.SetCDCenterPoint(QPointF(400, 400));
    }

    QImage render()
    {
        QImage image(preview.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        preview.render(&image);
        return image;
    }

    // Half-point lines cover a quarter of each pixel they touch.
    static bool dark(const QImage &image, int x, int y) { return qGray(image.pixel(x, y)) < 235; }

    EpsonPrintingView preview;
};

} // namespace

TEST_F(DiscPreview, OutlineAtFiveTimesAroundTheCentre)
{
    preview.setOutline(true);
    EXPECT_FLOAT_EQ(EpsonPrintingView::scale(38.1f), 190.5f);
    EXPECT_EQ(preview.outlineRect(), QRectF(220, 220, 360, 360));
    const QImage image = render();
    // The disc's edge and its hole's edge on the line through the centre.
    EXPECT_TRUE(dark(image, 580, 400) || dark(image, 579, 400));
    EXPECT_TRUE(dark(image, 400, 220) || dark(image, 400, 221));
    EXPECT_TRUE(dark(image, 445, 400) || dark(image, 444, 400));
    EXPECT_FALSE(dark(image, 500, 400));
    EXPECT_FALSE(dark(image, 420, 410));
    // The canvas's label keeps its size.
    EXPECT_FLOAT_EQ(view->getLabel().width, 1.0f);
}

TEST_F(DiscPreview, RulersInInchesAlongTheLeftAndTopEdges)
{
    preview.setOutline(true);
    const QImage image = render();
    // Horizontal ruler: centred on the left edge (x 220) at half height (y 400), half an inch
    // each way at five times (180), major ticks every half inch rising 45, sixteenths rising 15.
    EXPECT_TRUE(dark(image, 60, 400));
    EXPECT_FALSE(dark(image, 30, 400));
    for (const int x : {40, 220, 400})
        EXPECT_TRUE(dark(image, x, 370)) << x;
    EXPECT_FALSE(dark(image, 130, 370));
    EXPECT_TRUE(dark(image, 130, 390));
    EXPECT_FALSE(dark(image, 220, 350));
    // Vertical ruler: centred on the top edge (y 220) at half width, ticks to the right.
    EXPECT_TRUE(dark(image, 400, 60));
    for (const int y : {40, 220})
        EXPECT_TRUE(dark(image, 430, y)) << y;
    EXPECT_FALSE(dark(image, 430, 130));
    EXPECT_TRUE(dark(image, 410, 130));
}

TEST_F(DiscPreview, CentimetresAddMediumTicks)
{
    preview.setOutline(true);
    preview.setMeasure(1);
    const QImage image = render();
    // One and a half centimetres each way at five times, a major tick every centimetre and a
    // medium one every half.
    const double L = 5.0 * 1.5 * PrintingPanel::PointsPerCentimetre;
    const int majorX = qRound(220 - L / 1.5);
    const int mediumX = qRound(220 - L / 3.0);
    EXPECT_TRUE(dark(image, majorX, 370));
    EXPECT_TRUE(dark(image, mediumX, 385));
    EXPECT_FALSE(dark(image, mediumX, 360));
    EXPECT_TRUE(dark(image, qRound(220 - L) + 2, 400));
}

TEST_F(DiscPreview, ImageAtFiveTimesWhenTheOutlineIsOff)
{
    QImage picture(60, 40, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::red);
    preview.setPreview(picture);
    preview.setOutline(false);
    const QImage image = render();
    // 300 x 200 around the centre.
    EXPECT_EQ(image.pixelColor(255, 305), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(545, 495), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(245, 400), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(400, 295), QColor(Qt::white));
    // No rulers with the image.
    EXPECT_EQ(image.pixelColor(60, 400), QColor(Qt::white));
}

TEST_F(DiscPreview, OptionsSheetShowsItForDiscsWithItsOutlineSwitchAndUnit)
{
    PrintingPanel *panel = view->printingPanel();
    panel->initPrinters();
    panel->setPreview(QImage());
    EXPECT_TRUE(panel->isDisc());
    EXPECT_TRUE(panel->previewTabs()->isTabEnabled(1));
    EXPECT_FALSE(panel->discPreview()->outline());
    for (QCheckBox *box : panel->findChildren<QCheckBox *>())
        if (box->text() == QStringLiteral("Outline"))
            box->setChecked(true);
    EXPECT_TRUE(panel->discPreview()->outline());
    panel->setMeasure(1);
    EXPECT_EQ(panel->discPreview()->measure(), 1);
    // It opens on the whole disc, shrunk into the room it has.
    EXPECT_LT(panel->discPreview()->zoom(), 1.0);
    // At five times the drawing is centred in the view, which is large enough for it and its rulers.
    for (QCheckBox *box : panel->findChildren<QCheckBox *>())
        if (box->text() == QStringLiteral("Five Times"))
            box->setChecked(true);
    EXPECT_EQ(panel->discPreview()->zoom(), 1.0);
    const QSizeF size = panel->discPreview()->size();
    EXPECT_EQ(panel->discPreview()->cdCenterPoint(), QPointF(size.width() / 2.0, size.height() / 2.0));
    EXPECT_GE(size.width(), 360.0 + 2 * 5.0 * 1.5 * PrintingPanel::PointsPerCentimetre);

    TLabel rectangle;
    view->setTLabel(rectangle);
    panel->setPreview(QImage());
    EXPECT_FALSE(panel->isDisc());
    EXPECT_FALSE(panel->previewTabs()->isTabEnabled(1));
}

TEST_F(PrintingPanelTest, BleedFieldShowsTwoDecimalsAndKeepsTheSteppedValue)
{
    UserDefaults::standard().setFloat(9.0, QStringLiteral("Printing Bleeds"));
    panel->initPrinters();
    EXPECT_EQ(panel->bleedField()->text(), QStringLiteral("0.13 in"));
    EXPECT_NEAR(panel->bleedField()->value(), 0.125, 1e-9);
    panel->bleedField()->stepBy(1);
    EXPECT_NEAR(panel->bleedField()->value(), 0.15, 1e-9);
    EXPECT_EQ(panel->bleedField()->text(), QStringLiteral("0.15 in"));
    EXPECT_NEAR(UserDefaults::standard().floatForKey(QStringLiteral("Printing Bleeds")), 10.8, 1e-3);
}
