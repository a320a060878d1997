// The effects panel's preview: wheel zoom, the centred small picture, the handles of a filter's
// point inputs and dragging them, and the image well's dropped files.
#include "images/FakeEffectFilters.h"

#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "images/Controller.h"
#include "images/EffectSlider.h"
#include "images/FunHouseImageView.h"
#include "images/MyImageView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QScrollArea>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

using namespace quillmark;
using namespace effecttest;

namespace {

class ImageEffectsPreview : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        panel = std::make_unique<Controller>(nullptr, fakeCatalogue());
        panel->resize(1000, 600);
        panel->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        panel.reset();
        Language::reset();
    }
    MyImageView *view() { return panel->ciView(); }
    void wheel(int delta)
    {
        const QPointF at(view()->width() / 2.0, view()->height() / 2.0);
        QWheelEvent event(at, view()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view(), &event);
    }
    void mouse(QEvent::Type type, const QPointF &picture)
    {
        const QPointF at = view()->boundsToView(picture);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, view()->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view(), &event);
    }
    void enter()
    {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), view()->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(view(), &event);
    }
    QList<double> value(const QString &key)
    {
        return panel->getCurrentFilter()->value(key).value<QList<double>>();
    }

    std::unique_ptr<Controller> panel;
};

} // namespace

TEST_F(ImageEffectsPreview, TheWheelZoomsInSmallStepsBelowOneAndByAFifthAbove)
{
    panel->showPanel(filled(400, 300, Qt::white));
    view()->setZoom(1);
    const float expected[] = {1.05f, 1.26f, 1.008f, 0.958f};
    const int deltas[] = {120, 120, -120, -120};
    for (int i = 0; i < 4; ++i) {
        wheel(deltas[i]);
        EXPECT_NEAR(view()->getZoom(), expected[i], 1e-5) << i;
        // The slider follows.
        EXPECT_NEAR(panel->zoomSlider()->doubleValue(), Controller::sliderPositionForZoom(view()->getZoom()), 1e-4);
    }
    for (int i = 0; i < 40; ++i)
        wheel(-120);
    EXPECT_FLOAT_EQ(view()->getZoom(), 0.1f);
    for (int i = 0; i < 40; ++i)
        wheel(120);
    EXPECT_FLOAT_EQ(view()->getZoom(), 10.0f);
}

TEST_F(ImageEffectsPreview, APictureSmallerThanTheVisibleAreaIsCentred)
{
    panel->showPanel(filled(40, 20, Qt::white));
    // Twice: the fitted zoom's scrollers go once the picture fits.
    view()->setZoom(1);
    view()->setZoom(1);
    const QSize visible = panel->previewScrollView()->viewport()->size();
    const QRectF bounds = view()->boundsRect();
    EXPECT_DOUBLE_EQ(bounds.x(), -(visible.width() - 40) / 2.0);
    EXPECT_DOUBLE_EQ(bounds.y(), -(visible.height() - 20) / 2.0);
    EXPECT_FLOAT_EQ(view()->viewTransformOffsetX(), float(-bounds.x()));
    // Picture pixel (0, 0), its lower-left corner, sits at the centre less half the picture.
    EXPECT_EQ(view()->boundsToView(QPointF(0, 0)), QPointF((visible.width() - 40) / 2.0, bounds.height() - (visible.height() - 20) / 2.0));
}

TEST_F(ImageEffectsPreview, HandlesShowWhileThePointerIsOverThePreview)
{
    panel->showPanel(filled(100, 80, Qt::white));
    panel->addFilter("Points", Controller::FilterBoxTag);
    const QList<MyImageView::Handle> handles = view()->handles();
    QStringList labels;
    for (const auto &handle : handles)
        labels << handle.label;
    EXPECT_EQ(labels, (QStringList{"Points Rectangle bottom left", "Points Rectangle bottom right",
                                   "Points Rectangle top left", "Points Rectangle top right",
                                   "Points Transform origin", "Points Point"}));
    EXPECT_EQ(handles.at(3).point, QPointF(60, 50));
    EXPECT_FALSE(view()->isDisplayingPoints());
    enter();
    EXPECT_TRUE(view()->isDisplayingPoints());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view(), &leave);
    EXPECT_FALSE(view()->isDisplayingPoints());
}

TEST_F(ImageEffectsPreview, DraggingACornerPastTheOtherSideKeepsTheRectanglePositive)
{
    panel->showPanel(filled(200, 150, Qt::white));
    view()->setZoom(1);
    panel->addFilter("Points", Controller::FilterBoxTag);
    enter();
    mouse(QEvent::MouseButtonPress, QPointF(21, 19));
    EXPECT_EQ(view()->parmMode(), MyImageView::BottomLeftHandle);
    EXPECT_EQ(view()->parmKey(), "inputRectangle");
    EXPECT_TRUE(view()->isMovingNow());
    mouse(QEvent::MouseMove, QPointF(100, 25));
    EXPECT_EQ(value("inputRectangle"), (QList<double>{60, 25, 40, 25}));
    EXPECT_EQ(view()->parmMode(), MyImageView::BottomRightHandle);
    // The pointer goes on dragging the corner now under it.
    mouse(QEvent::MouseMove, QPointF(110, 10));
    EXPECT_EQ(value("inputRectangle"), (QList<double>{60, 10, 50, 40}));
    mouse(QEvent::MouseButtonRelease, QPointF(110, 10));
    EXPECT_FALSE(view()->isMovingNow());
}

TEST_F(ImageEffectsPreview, AClickFarFromEveryHandlePicksTheNearest)
{
    panel->showPanel(filled(200, 150, Qt::white));
    view()->setZoom(1);
    panel->addFilter("Points", Controller::FilterBoxTag);
    mouse(QEvent::MouseButtonPress, QPointF(180, 140));
    EXPECT_EQ(view()->parmMode(), MyImageView::Position3Handle);
    mouse(QEvent::MouseMove, QPointF(150, 120));
    const QList<double> point = value("inputPoint");
    ASSERT_EQ(point.size(), 3);
    EXPECT_NEAR(point[0], 150, 1e-9);
    EXPECT_NEAR(point[1], 120, 1e-9);
    EXPECT_EQ(point[2], 7);
    mouse(QEvent::MouseButtonRelease, QPointF(150, 120));

    // The transform's origin moves, its matrix stays.
    panel->setFilter(panel->getCurrentFilter(), QTransform(2, 0, 0, 2, 0, 0), "inputTransform");
    mouse(QEvent::MouseButtonPress, QPointF(-5, -5));
    EXPECT_EQ(view()->parmMode(), MyImageView::TransformHandle);
    mouse(QEvent::MouseMove, QPointF(30, 40));
    const QTransform moved = panel->getCurrentFilter()->value("inputTransform").value<QTransform>();
    EXPECT_EQ(moved.m11(), 2);
    EXPECT_EQ(moved.m22(), 2);
    EXPECT_NEAR(moved.dx(), 30, 1e-9);
    EXPECT_NEAR(moved.dy(), 40, 1e-9);
}

TEST_F(ImageEffectsPreview, WithoutAFilterClicksPickNothing)
{
    panel->showPanel(filled(50, 50, Qt::white));
    mouse(QEvent::MouseButtonPress, QPointF(10, 10));
    EXPECT_EQ(view()->parmMode(), MyImageView::NoHandle);
    EXPECT_EQ(view()->parmIndex(), -1);
    mouse(QEvent::MouseMove, QPointF(20, 20));
    mouse(QEvent::MouseButtonRelease, QPointF(20, 20));
}

TEST_F(ImageEffectsPreview, ThePreviewDrawsTheResultRightWayUp)
{
    QImage picture = filled(40, 20, Qt::white);
    for (int x = 0; x < 40; ++x) {
        picture.setPixelColor(x, 0, Qt::red); // the top rows
        picture.setPixelColor(x, 1, Qt::red);
    }
    panel->showPanel(picture);
    view()->setZoom(1);
    // The first drawing asks for the pixels; the next one shows them.
    view()->grab();
    for (int i = 0; i < 2000 && panel->isRendering(); ++i)
        QTest::qWait(5);
    const QImage shot = view()->grab().toImage();
    const QPointF topLeft = view()->boundsToView(QPointF(0, 20));
    EXPECT_EQ(shot.pixelColor(int(topLeft.x()) + 5, int(topLeft.y()) + 1), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(int(topLeft.x()) + 5, int(topLeft.y()) + 10), QColor(Qt::white));
}

TEST_F(ImageEffectsPreview, AnImageWellRecordsTheFirstDroppedFile)
{
    FunHouseImageView well;
    well.resize(48, 44);
    int actions = 0;
    well.action = [&] { ++actions; };
    const QString dir = qmtest::freshDir("effects-drop");
    ASSERT_TRUE(filled(5, 5, Qt::red).save(dir + "/one.png"));
    ASSERT_TRUE(filled(5, 5, Qt::blue).save(dir + "/two.png"));
    auto drop = [&](QMimeData *mime) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&well, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&well, &event);
    };
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(dir + "/one.png"), QUrl::fromLocalFile(dir + "/two.png")});
    drop(&files);
    EXPECT_EQ(well.filePath(), dir + "/one.png");
    // The file is the well's action's to read, off the window's thread.
    EXPECT_TRUE(well.image().isNull());
    EXPECT_EQ(actions, 1);
    // A picture without a file: shown, but no path is recorded.
    QMimeData picture;
    picture.setImageData(filled(5, 5, Qt::blue));
    drop(&picture);
    EXPECT_EQ(well.image().pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_TRUE(well.filePath().isEmpty());
    EXPECT_EQ(actions, 2);
}
