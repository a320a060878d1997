// The other object controls in the real window, as a user works them: objects drawn with the
// tools and picked on the canvas, the pages opened by their buttons, the check boxes, stepper,
// colour well, shape pop-up and anchor buttons clicked, and every change taken back with the
// Edit menu's Undo, which names it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/CanvasInspector.h"
#include "foundation/MyStepper.h"
#include "inspector/AlignPage.h"
#include "inspector/GeometryPage.h"
#include "inspector/ImagePage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/ShapePopUp.h"
#include "objects/specImage.h"
#include "platform/ColorWell.h"

using namespace quillmark;

namespace {

class OtherControlsWindow : public ::testing::Test
{
protected:
    OtherControlsWindow() : f(QStringLiteral("other-controls-window"))
    {
        f.canvas()->setMeasure(QStringLiteral("Points"));
    }

    GraphicPtr drawBox(const QRectF &frame)
    {
        f.drawRect(frame);
        return f.canvas()->getRects().last();
    }
    void openPage(const QString &title)
    {
        for (PropertiesTabButton *b : f.window->propertiesView()->buttons())
            if (b->text() == title && !b->isChecked())
                QTest::mouseClick(b, Qt::LeftButton);
        apptest::settle();
    }
    QString undoTitle()
    {
        apptest::settle();
        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        return undo && undo->isEnabled() ? undo->text() : QString();
    }
    void undo()
    {
        apptest::settle();
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
        apptest::settle();
    }
    ObjectInfoPanel *info() const { return f.window->objectInfo(); }

    apptest::WindowFixture f;
};

TEST_F(OtherControlsWindow, FlipsAndKeepProportionsFromTheGeometryPage)
{
    const GraphicPtr box = drawBox(QRectF(20, 10, 60, 30));
    GeometryPage *page = info()->geometryPage();
    ASSERT_TRUE(page->bFlipHor->isVisible());
    ASSERT_TRUE(page->bFlipHor->isEnabled());

    inspectortest::click(page->bFlipHor);
    EXPECT_TRUE(box->flipHor());
    EXPECT_TRUE(f.canvas()->isChanged());
    EXPECT_TRUE(f.canvas()->hasFocus());
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Flip Horizontaly"));
    undo();
    EXPECT_FALSE(box->flipHor());
    EXPECT_EQ(page->bFlipHor->checkState(), Qt::Unchecked);

    inspectortest::click(page->bFixRatio);
    EXPECT_TRUE(box->fixRatio());
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Fix Ratio"));
    // A width typed now takes the height along.
    inspectortest::type(page->tvWidth, QStringLiteral("120"));
    EXPECT_FLOAT_EQ(box->width(), 120.0f);
    EXPECT_FLOAT_EQ(box->height(), 60.0f);
    undo();
    undo();
    EXPECT_FALSE(box->fixRatio());
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::Unchecked);
}

TEST_F(OtherControlsWindow, AGroupShowsKeepingProportions)
{
    const GraphicPtr a = drawBox(QRectF(20, 10, 40, 20));
    const GraphicPtr b = drawBox(QRectF(100, 10, 40, 20));
    const GraphicPtr loose = drawBox(QRectF(20, 70, 40, 20));
    GeometryPage *page = info()->geometryPage();
    // The loose box alone keeps none.
    f.click(QPointF(40, 80));
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::Unchecked);
    f.click(QPointF(40, 20));
    f.click(QPointF(120, 20), Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Group"))->trigger();
    apptest::settle();
    ASSERT_NE(a->getGroup(), nullptr);
    f.click(QPointF(150, 100));
    f.click(QPointF(40, 20));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::Checked);
    // Several objects led by a grouped one: the group decides, the box rests.
    EXPECT_FALSE(page->bFixRatio->isEnabled());
    // With a loose box that keeps none, the selection is mixed.
    f.click(QPointF(40, 80), Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 3);
    EXPECT_EQ(page->bFixRatio->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(loose->fixRatio());
}

TEST_F(OtherControlsWindow, ShapedTextGoesBackToTheSelectionToolAndUndoesWhole)
{
    const GraphicPtr box = drawBox(QRectF(20, 10, 120, 40));
    GeometryPage *page = info()->geometryPage();
    EXPECT_FALSE(page->pbPowerType->isEnabled());
    f.tool(RectsView::TextTool)->trigger();
    apptest::settle();
    f.click(QPointF(80, 30));
    inspectortest::click(page->bPowerText);
    EXPECT_TRUE(box->powerText());
    EXPECT_EQ(f.canvas()->getCurrToolClass(), int(RectsView::SelectTool));
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Shaped Text"));
    ASSERT_TRUE(page->pbPowerType->isEnabled());
    // Two shapes down the pop-up, each its own step.
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(page->pbPowerType, Qt::Key_Down);
        apptest::settle();
    }
    EXPECT_EQ(box->powerType(), 2);
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Shaped Text"));
    undo();
    EXPECT_EQ(box->powerType(), 1);
    undo();
    EXPECT_EQ(box->powerType(), 0);
    EXPECT_EQ(page->pbPowerType->currentIndex(), 0);
    undo();
    EXPECT_FALSE(box->powerText());
    EXPECT_EQ(page->bPowerText->checkState(), Qt::Unchecked);
}

TEST_F(OtherControlsWindow, TintTileAndEffectsOnAPictureChosenFromTheImageMenu)
{
    const QString dir = qmtest::freshDir(QStringLiteral("other-controls-pictures"));
    const QString path = dir + QStringLiteral("/red.png");
    QImage red(60, 30, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(path));
    const GraphicPtr box = drawBox(QRectF(20, 10, 60, 30));
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."))->trigger();
    apptest::settle();
    ASSERT_NE(box->image(), nullptr);
    f.click(QPointF(150, 100));
    f.click(QPointF(50, 25));
    openPage(QStringLiteral("Image"));
    ImagePage *page = info()->imagePage();
    ASSERT_TRUE(page->bTintImage->isVisible());
    ASSERT_TRUE(page->bTintImage->isEnabled());
    EXPECT_FALSE(page->cwTintColor->isEnabled());

    inspectortest::click(page->bTintImage);
    EXPECT_TRUE(box->tintImage());
    EXPECT_TRUE(page->cwTintColor->isEnabled());
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Image Tint"));
    page->cwTintColor->takeColor(QColor(0, 0, 255));
    EXPECT_EQ(box->tintImageColor(), QColor(0, 0, 255));
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Image Tint Color"));

    QTest::mouseClick(page->spImgTile, Qt::LeftButton, Qt::NoModifier, QPoint(page->spImgTile->width() / 2, 3));
    EXPECT_FLOAT_EQ(box->imageTile(), 2.0f);
    EXPECT_EQ(page->tvImgTile->text(), QStringLiteral("2"));
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Image Tile"));
    inspectortest::type(page->tvImgTile, QStringLiteral("0"));
    EXPECT_FLOAT_EQ(box->imageTile(), 1.0f);
    undo();
    undo();
    EXPECT_FLOAT_EQ(box->imageTile(), 1.0f);
    undo();
    EXPECT_NE(box->tintImageColor(), QColor(0, 0, 255));

    // The effects: the window's panel is installed; without a panel the entry rests; with
    // one, an accepted picture is one undo step.
    EXPECT_TRUE(page->btnEdit->isEnabled());
    info()->setImageEffectsPanel({});
    EXPECT_FALSE(page->btnEdit->isEnabled());
    info()->setImageEffectsPanel([](const QImage &source) -> std::optional<QImage> {
        QImage processed = source.convertToFormat(QImage::Format_ARGB32);
        processed.invertPixels();
        return processed;
    });
    ASSERT_TRUE(page->btnEdit->isEnabled());
    const std::shared_ptr<specImage> before = box->image();
    QTest::mouseClick(page->btnEdit, Qt::LeftButton);
    apptest::settle();
    ASSERT_NE(box->image(), before);
    EXPECT_EQ(box->image()->copyRepresentations()->prepareImage().pixelColor(10, 10), QColor(Qt::cyan));
    EXPECT_TRUE(box->imagePath().isEmpty());
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Change Image"));
    undo();
    EXPECT_EQ(box->image(), before);
    EXPECT_EQ(box->imagePath(), path);
}

TEST_F(OtherControlsWindow, AnchorButtonsActOnBarcodesTypedOrMerged)
{
    const GraphicPtr box = drawBox(QRectF(20, 80, 60, 30));
    auto barcode = ColorBarcode::create(QRectF(20, 10, 0, 0));
    barcode->setPageName(f.canvas()->getCurrPageName());
    barcode->setObjectLayer(1);
    f.canvas()->addGraphic(barcode);
    apptest::settle();
    openPage(QStringLiteral("Alignment"));
    AlignPage *page = info()->alignPage();
    f.click(QPointF(50, 95));
    EXPECT_FALSE(page->brAnchorRight->isEnabled());
    const QPointF onBarcode = barcode->frameBounds().center();
    f.click(onBarcode, Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    // A barcode of typed data changes width with its data as one that takes a record's
    // field does: both keep an anchor. Anchor 1 keeps the right edge.
    EXPECT_TRUE(page->brAnchorRight->isEnabled());
    barcode->setFieldPk(3);
    info()->refresh();
    ASSERT_TRUE(page->brAnchorRight->isEnabled());
    EXPECT_TRUE(page->brAnchorLeft->isChecked());
    QTest::mouseClick(page->brAnchorRight, Qt::LeftButton, Qt::NoModifier, QPoint(8, page->brAnchorRight->height() / 2));
    EXPECT_EQ(barcode->anchor(), 1);
    EXPECT_EQ(box->anchor(), 0);
    EXPECT_TRUE(page->brAnchorRight->isChecked());
    EXPECT_FALSE(page->brAnchorLeft->isChecked());
    EXPECT_TRUE(f.canvas()->isChanged());
    undo();
    EXPECT_EQ(barcode->anchor(), 0);
    EXPECT_TRUE(page->brAnchorLeft->isChecked());
}

// Records the pages the canvas asks for; every other call is of no interest here.
struct PageRecorder : CanvasInspector
{
    QList<int> tabs;
    void setSelectedRects(const QList<std::shared_ptr<ColorRect>> *) override {}
    void refresh() override {}
    void updateObjectValues() override {}
    void updateValues() override {}
    void updateFormatters() override {}
    void updateFontValues() override {}
    void enableControls() override {}
    void enableText() override {}
    void switchTab(int tab) override { tabs.append(tab); }
    void alignObjectEdges(int) override {}
    void setObjectSize(int) override {}
    void openPageForSelection() override {}
};

TEST_F(OtherControlsWindow, ADoubleClickOnTheOnlyBarcodeAsksForTheBarcodePage)
{
    const GraphicPtr box = drawBox(QRectF(20, 80, 60, 30));
    auto barcode = ColorBarcode::create(QRectF(20, 10, 0, 0));
    barcode->setPageName(f.canvas()->getCurrPageName());
    barcode->setObjectLayer(1);
    f.canvas()->addGraphic(barcode);
    PageRecorder recorder;
    f.canvas()->setObjectInfo(&recorder);
    auto doubleClick = [this](const QPointF &at) {
        f.click(at);
        f.mouse(QEvent::MouseButtonDblClick, at);
        f.mouse(QEvent::MouseButtonRelease, at);
        apptest::settle();
    };
    doubleClick(barcode->frameBounds().center());
    EXPECT_EQ(recorder.tabs, QList<int>{CanvasInspector::BarcodeTab});
    // Not for a box, which is edited in place instead.
    doubleClick(box->frameBounds().center());
    EXPECT_EQ(recorder.tabs.size(), 1);
    f.canvas()->setObjectInfo(info());
}

} // namespace
