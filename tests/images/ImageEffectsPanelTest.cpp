// The image effects panel: the filter list, choosing a filter, the zoom arithmetic, and the
// result handed to the preview, to Apply and to the inspector. Filters are small stand-ins
// (FakeEffectFilters.h) whose outputs can be checked pixel by pixel.
#include "images/FakeEffectFilters.h"
#include "images/HostileFiles.h"

#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "images/Controller.h"
#include "images/EffectSlider.h"
#include "images/FilterView.h"
#include "images/MyImageView.h"
#include "images/ParameterView.h"
#include "platform/ScreenArea.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTreeView>

using namespace quillmark;
using namespace effecttest;

namespace {

class ImageEffectsPanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A screen with room for the panel at its preferred size.
        previousArea = ScreenArea::setOverride([](const QWidget *) { return QRect(0, 0, 1920, 1080); });
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        panel = std::make_unique<Controller>(nullptr, fakeCatalogue());
    }
    void TearDown() override
    {
        panel.reset();
        Language::reset();
        ScreenArea::setOverride(previousArea);
    }
    // Clicks the row of the list that shows `text`, as the user does.
    void clickRow(const QModelIndex &index)
    {
        QTreeView *outline = panel->outlineView();
        outline->expandAll();
        QApplication::processEvents();
        const QRect rect = outline->visualRect(index);
        ASSERT_FALSE(rect.isEmpty());
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    void choose(const QString &filter)
    {
        panel->show();
        clickRow(panel->dataSource()->indexOfFilter(filter));
    }
    QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y); }
    // Apply and OK compute on the worker: the panel answers once it is done.
    bool settled(int ms = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        // A result shown may ask for a new preview as it is painted: settled is a turn of the
        // event loop that starts no more work.
        do {
            while (panel->isRendering() && clock.elapsed() < ms)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QCoreApplication::processEvents();
        } while (panel->isRendering() && clock.elapsed() < ms);
        return !panel->isRendering();
    }

    std::unique_ptr<Controller> panel;
    std::function<QRect(const QWidget *)> previousArea;
};

} // namespace

// Where the screen has room, the preview has its usual 520 by 420 at least; on a 1024 x 768
// screen under a desktop panel the whole panel fits, the preview taking what the list and the
// controls leave.
TEST_F(ImageEffectsPanel, ThePanelFitsTheScreenThePreviewGivingWay)
{
    panel->show();
    QApplication::processEvents();
    EXPECT_EQ(panel->previewScrollView()->width(), 520);
    EXPECT_GE(panel->previewScrollView()->height(), 420);
    EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(panel->frameGeometry()));

    const QRect small(0, 32, 1024, 736);
    ScreenArea::setOverride([small](const QWidget *) { return small; });
    Controller fitted(nullptr, fakeCatalogue());
    fitted.show();
    QApplication::processEvents();
    EXPECT_LE(fitted.width(), small.width());
    EXPECT_LE(fitted.height(), small.height());
    EXPECT_LE(fitted.minimumSizeHint().width(), small.width());
    EXPECT_GE(fitted.previewScrollView()->width(), 240);
    EXPECT_LT(fitted.previewScrollView()->width(), 520);
    EXPECT_TRUE(fitted.okButton()->isVisible());
    EXPECT_LE(fitted.okButton()->mapTo(&fitted, QPoint(fitted.okButton()->width(), 0)).x(), fitted.width());
}

TEST_F(ImageEffectsPanel, ListsTheFiltersUnderTheCategoryTitlesInTableOrder)
{
    const CIFilterDataSource *list = panel->dataSource();
    QStringList titles;
    for (const auto &category : list->categories())
        titles << category.title;
    // Halftone and Gradient hold no stand-in filter, Tile only one without inputs: left out.
    EXPECT_EQ(titles, (QStringList{"Geometry", "Distortion", "Focus", "Stylize", "Color", "Generator"}));

    auto namesOf = [&](const QString &title) {
        QStringList names;
        for (const auto &category : list->categories())
            if (category.title == title)
                for (const auto &entry : category.entries)
                    names << entry.filterClass;
        return names;
    };
    // Sharpen before Blur; a filter of both colour categories is listed twice under "Color".
    EXPECT_EQ(namesOf("Focus"), (QStringList{"Widen", "Grow"}));
    EXPECT_EQ(namesOf("Color"), (QStringList{"Darken", "Darken"}));

    // The name column shows display names and titles; the icon column marks filters with
    // points dragged in the preview, and nothing else.
    const QModelIndex grow = list->indexOfFilter("Grow");
    EXPECT_EQ(grow.data().toString(), "Grow Blur");
    EXPECT_EQ(list->indexOfCategory("Focus").data().toString(), "Focus");
    EXPECT_TRUE(list->isControlsPresent("Points"));
    EXPECT_TRUE(list->isControlsPresent("CircularWrap"));
    EXPECT_FALSE(list->isControlsPresent("Grow"));
    EXPECT_FALSE(list->isControlsPresent("NoSuchFilter"));
    EXPECT_FALSE(list->index(grow.row(), CIFilterDataSource::IconColumn, grow.parent())
                     .data(Qt::DecorationRole).isValid());
    EXPECT_FALSE(list->indexOfCategory("Focus").sibling(list->indexOfCategory("Focus").row(), 0)
                     .data(Qt::DecorationRole).isValid());
    EXPECT_TRUE(list->hasChildren(list->indexOfCategory("Focus")));
    EXPECT_FALSE(list->hasChildren(grow));
}

TEST_F(ImageEffectsPanel, ACategoryRowKeepsTheControlsAndAFilterRowMakesABoxOfTag111)
{
    panel->showPanel(filled(40, 30, Qt::white));
    choose("Timed");
    FilterView *box = panel->filterView();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->tag(), Controller::FilterBoxTag);
    EXPECT_EQ(panel->getCurrentFilter()->name(), "Timed");

    clickRow(panel->dataSource()->indexOfCategory("Focus"));
    EXPECT_EQ(panel->filterView(), box);
    EXPECT_EQ(panel->getCurrentFilter()->name(), "Timed");

    clickRow(panel->dataSource()->indexOfFilter("Grow"));
    QApplication::processEvents();
    ASSERT_NE(panel->filterView(), nullptr);
    EXPECT_NE(panel->filterView(), box);
    EXPECT_EQ(panel->filterView()->tag(), 111);
    EXPECT_EQ(panel->placeCntrlView()->findChildren<FilterView *>().size(), 1);
    EXPECT_EQ(panel->getCurrentFilter()->name(), "Grow");
}

TEST_F(ImageEffectsPanel, ZoomSliderPositionsAndZooms)
{
    struct Row { double position, zoom; };
    for (const Row &row : {Row{0, 0.1}, Row{2.5, 0.55}, Row{5, 1}, Row{7.5, 5.5}, Row{10, 10}}) {
        EXPECT_NEAR(Controller::zoomForSliderPosition(row.position), row.zoom, 1e-9) << row.position;
        EXPECT_NEAR(Controller::sliderPositionForZoom(row.zoom), row.position, 1e-9) << row.zoom;
    }
    // The user moving the slider zooms the preview.
    EffectSlider *slider = panel->zoomSlider();
    slider->setValue(EffectSlider::Steps * 3 / 4);
    EXPECT_NEAR(panel->ciView()->getZoom(), 5.5, 1e-5);
    slider->setValue(EffectSlider::Steps / 4);
    EXPECT_NEAR(panel->ciView()->getZoom(), 0.55, 1e-5);
}

TEST_F(ImageEffectsPanel, ANewPictureIsFittedIntoThePreview)
{
    const double zoom = Controller::fittedZoom(QSizeF(2000, 1000), QSizeF(520, 420), 15);
    EXPECT_NEAR(zoom, 1 / std::max(2000.0 / 505, 1000.0 / 405), 1e-12);
    EXPECT_NEAR(zoom, 0.2525, 5e-5);
    EXPECT_NEAR(Controller::sliderPositionForZoom(zoom), 0.847, 5e-4);

    // Through the panel, with its own scroll view and scrollers.
    panel->previewScrollView()->resize(520, 420);
    panel->showPanel(filled(2000, 1000, Qt::gray));
    const int s = panel->scrollerWidth();
    const double fitted = 1 / std::max(2000.0 / (520 - s), 1000.0 / (420 - s));
    EXPECT_NEAR(panel->ciView()->getZoom(), fitted, 1e-6);
    EXPECT_NEAR(panel->zoomSlider()->doubleValue(), Controller::sliderPositionForZoom(fitted), 1e-4);
}

TEST_F(ImageEffectsPanel, WithoutAFilterTheResultIsTheSourceUnchanged)
{
    panel->showPanel(filled(20, 10, QColor(200, 100, 50)));
    const QImage out = panel->processedImage();
    ASSERT_EQ(out.size(), QSize(20, 10));
    EXPECT_EQ(pixel(out, 5, 5), qRgb(200, 100, 50));
}

TEST_F(ImageEffectsPanel, OkAfterApplyKeepsWhatApplyShowedUntilSomethingChanges)
{
    panel->showPanel(filled(20, 10, QColor(200, 100, 40)));
    choose("Darken");
    EXPECT_EQ(pixel(panel->processedImage(), 3, 3), qRgb(100, 50, 20));
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(settled());
    // What Apply showed is what OK keeps.
    EXPECT_EQ(pixel(Controller::imageFromCIImage(panel->backImage()), 3, 3), qRgb(100, 50, 20));
    EXPECT_EQ(pixel(panel->processedImage(), 3, 3), qRgb(100, 50, 20));
    // A change after Apply works on the applied picture.
    panel->setFilter(panel->getCurrentFilter(), panel->getCurrentFilter()->value("inputAmount"), "inputAmount");
    EXPECT_EQ(pixel(panel->processedImage(), 3, 3), qRgb(50, 25, 10));
    // The panel's source stays applied until a new picture comes.
    panel->showPanel(filled(20, 10, QColor(200, 100, 40)));
    EXPECT_EQ(pixel(panel->processedImage(), 3, 3), qRgb(100, 50, 20));
}

// Apply pressed again with nothing changed in between applies the filter to the applied
// picture: each press darkens once more, and OK keeps what the last Apply made.
TEST_F(ImageEffectsPanel, ApplyAgainAppliesTheFilterToTheResult)
{
    panel->showPanel(filled(20, 10, QColor(200, 100, 40)));
    choose("Darken");
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(settled());
    EXPECT_EQ(pixel(Controller::imageFromCIImage(panel->backImage()), 3, 3), qRgb(100, 50, 20));
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(settled());
    EXPECT_EQ(pixel(Controller::imageFromCIImage(panel->backImage()), 3, 3), qRgb(50, 25, 10));
    EXPECT_EQ(pixel(panel->processedImage(), 3, 3), qRgb(50, 25, 10));
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(settled());
    panel->setResult(-1);
    QTest::mouseClick(panel->okButton(), Qt::LeftButton);
    ASSERT_TRUE(settled());
    EXPECT_EQ(panel->result(), Controller::OkTag);
    EXPECT_EQ(pixel(Controller::imageFromCIImage(panel->backImage()), 3, 3), qRgb(25, 12, 5));
}

TEST_F(ImageEffectsPanel, OkAndCloseEndTheRunWithTheirTags)
{
    for (auto [button, code] : {std::pair{panel->okButton(), 1}, std::pair{panel->closeButton(), 0}}) {
        panel->show();
        panel->setResult(-1);
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(settled());
        EXPECT_EQ(panel->result(), code);
        EXPECT_FALSE(panel->isVisible());
    }
}

// A default picture's file is read as every picture file is: one that is no regular file (a
// FIFO named like a texture) is refused at once, leaving the input unset.
TEST_F(ImageEffectsPanel, ADefaultPictureThatIsNoFileIsRefusedAtOnce)
{
    const QString fifo = hostile::makeFifo(qmtest::freshDir("effects-fifo") + "/texture.tiff");
    ASSERT_FALSE(fifo.isEmpty());
    panel->showPanel(filled(20, 10, Qt::white));
    panel->setDefaultTexturePath(fifo);
    {
        hostile::Watchdog dog([&] { hostile::releaseFifo(fifo); }, std::chrono::seconds(5));
        choose("GlassDistortion");
        EXPECT_FALSE(dog.fired()) << "the FIFO was waited on";
    }
    EXPECT_TRUE(panel->defaultTexture().isNull());
    EXPECT_TRUE(panel->hasMissingImage());
}

TEST_F(ImageEffectsPanel, AMissingPictureInputGivesNoResult)
{
    panel->showPanel(filled(20, 10, Qt::white));
    // An unreadable texture file leaves the glass filter's texture unset.
    panel->setDefaultTexturePath(qmtest::freshDir("effects-missing") + "/no-such.tiff");
    choose("GlassDistortion");
    EXPECT_TRUE(panel->hasMissingImage());
    EXPECT_TRUE(panel->coreImageResult(false).isNull());
    EXPECT_TRUE(panel->processedImage().isNull());
    // Apply changes nothing: with the texture set, the source is still the white picture.
    panel->applyBtn();
    ASSERT_TRUE(settled());
    QImage texture = filled(4, 4, Qt::black);
    panel->setFilter(panel->getCurrentFilter(), QVariant::fromValue(FilterImage(texture)), "inputTexture");
    EXPECT_FALSE(panel->hasMissingImage());
    EXPECT_EQ(pixel(panel->processedImage(), 1, 1), qRgb(127, 127, 127));
}

TEST_F(ImageEffectsPanel, AnOutputGrownOnBothAxesIsCroppedToTheSource)
{
    panel->showPanel(filled(30, 20, Qt::white));
    choose("Grow");
    EXPECT_EQ(panel->processedImage().size(), QSize(30, 20));
    choose("Widen");
    EXPECT_EQ(panel->processedImage().size(), QSize(50, 20));
}

TEST_F(ImageEffectsPanel, AGeneratorIsLaidOverTheSourceInHalfTransparentColours)
{
    panel->showPanel(filled(10, 10, QColor(0, 0, 255)));
    choose("CheckerboardGenerator");
    const ImageFilter *filter = panel->getCurrentFilter();
    EXPECT_EQ(filter->value("inputColor0").value<QColor>(), QColor::fromRgbF(1, 1, 1, 0.5f));
    EXPECT_EQ(filter->value("inputColor1").value<QColor>(), QColor::fromRgbF(0, 0, 0, 0.5f));
    const QImage out = panel->processedImage();
    ASSERT_EQ(out.size(), QSize(10, 10));
    const QColor mixed = out.pixelColor(5, 5);
    EXPECT_NEAR(mixed.red(), 128, 2);
    EXPECT_NEAR(mixed.blue(), 255, 2);
}

TEST_F(ImageEffectsPanel, CircularWrapStartsCentredOnThePreviewNotOnThePicture)
{
    panel->previewScrollView()->resize(520, 420);
    panel->showPanel(filled(100, 50, Qt::white));
    choose("CircularWrap");
    const QRectF bounds = panel->ciView()->boundsRect();
    const auto center = panel->getCurrentFilter()->value("inputCenter").value<QList<double>>();
    ASSERT_EQ(center.size(), 2);
    EXPECT_DOUBLE_EQ(center[0], bounds.x() + bounds.width() / 2);
    EXPECT_DOUBLE_EQ(center[1], bounds.y() + bounds.height() / 2);
    // The small picture is centred: the bounds reach left of and below it.
    EXPECT_LT(bounds.x(), 0);
    EXPECT_LT(bounds.y(), 0);
}

TEST_F(ImageEffectsPanel, ThePanelKeepsItsFilterFromOneOpeningToTheNext)
{
    panel->showPanel(filled(10, 10, QColor(200, 200, 200)));
    choose("Darken");
    panel->showPanel(filled(8, 8, QColor(100, 100, 100)));
    EXPECT_EQ(panel->getCurrentFilter()->name(), "Darken");
    EXPECT_EQ(pixel(panel->processedImage(), 1, 1), qRgb(50, 50, 50));
}

TEST_F(ImageEffectsPanel, TheInspectorsRunAnswersTheProcessedPictureOnlyForOk)
{
    qmtest::ScopedTestPrompts prompts;
    prompts->queuePanel([&](QDialog *dialog) {
        EXPECT_EQ(dialog, panel.get());
        choose("Darken");
        QTest::mouseClick(panel->okButton(), Qt::LeftButton);
        EXPECT_TRUE(settled());
        return panel->result();
    });
    const std::optional<QImage> accepted = panel->runModal(nullptr, filled(10, 10, QColor(200, 100, 40)));
    ASSERT_TRUE(accepted.has_value());
    EXPECT_EQ(pixel(*accepted, 4, 4), qRgb(100, 50, 20));
    EXPECT_FALSE(panel->isVisible());

    prompts->queuePanel([&](QDialog *) {
        panel->show();
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    EXPECT_FALSE(panel->runModal(nullptr, filled(10, 10, Qt::white)).has_value());
    EXPECT_FALSE(panel->isVisible());
}

// A large picture is previewed at the preview's own resolution, computed away from the
// window's thread: the window answers while it renders, and the newest request wins.
TEST_F(ImageEffectsPanel, ALargePictureIsPreviewedSmallerOffTheWindowsThread)
{
    panel->previewScrollView()->resize(520, 420);
    panel->showPanel(filled(3000, 2000, QColor(200, 100, 40)));
    choose("Darken");
    MyImageView *view = panel->ciView();
    const double zoom = view->getZoom();
    ASSERT_LT(zoom, 0.25);
    const double scale = panel->previewScale(zoom);
    EXPECT_LT(scale, 0.5);
    EXPECT_GE(scale, zoom);
    view->repaint();
    ASSERT_TRUE(settled());
    view->repaint();
    ASSERT_TRUE(settled());
    const QImage shown = view->renderedResult();
    ASSERT_FALSE(shown.isNull());
    // Pixels at the preview's scale, not the picture's.
    EXPECT_LE(shown.width(), int(3000 * scale) + 2);
    EXPECT_GE(shown.width(), int(3000 * scale) - 2);
    EXPECT_EQ(pixel(shown, shown.width() / 2, shown.height() / 2), qRgb(100, 50, 20));

    // Several changes in a row: the preview ends showing the last.
    ParameterView *amount = nullptr;
    for (ParameterView *v : panel->filterView()->findChildren<ParameterView *>())
        if (v->key() == "inputAmount")
            amount = v;
    ASSERT_TRUE(amount);
    for (double value : {0.1, 0.2, 0.25}) {
        panel->setFilter(panel->getCurrentFilter(), value, "inputAmount");
        panel->updateView();
        view->repaint();
    }
    ASSERT_TRUE(settled());
    view->repaint();
    ASSERT_TRUE(settled());
    EXPECT_EQ(pixel(view->renderedResult(), 10, 10), qRgb(50, 25, 10));
}

// Apply computes the full-size result on the worker: the panel waits with a busy cursor and
// a Cancel button, and Cancel leaves the source as it was.
TEST_F(ImageEffectsPanel, ApplyWaitsWithCancelAndCancelLeavesTheSource)
{
    panel->showPanel(filled(40, 30, QColor(200, 100, 40)));
    choose("Darken");
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    EXPECT_TRUE(panel->isBusy());
    EXPECT_TRUE(panel->cancelButton()->isVisible());
    EXPECT_FALSE(panel->okButton()->isEnabled());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QTest::mouseClick(panel->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(panel->isBusy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_TRUE(settled());
    EXPECT_EQ(pixel(Controller::imageFromCIImage(panel->backImage()), 3, 3), qRgb(200, 100, 40));
    EXPECT_TRUE(panel->okButton()->isEnabled());
    EXPECT_FALSE(panel->cancelButton()->isVisible());

    // Apply to the end: the result becomes the source.
    QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(settled());
    EXPECT_EQ(pixel(Controller::imageFromCIImage(panel->backImage()), 3, 3), qRgb(100, 50, 20));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
