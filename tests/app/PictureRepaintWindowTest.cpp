// A large picture on the canvas is drawn from a copy reduced to what the screen shows: the copy
// follows every change the user makes (tint, Undo, a frame dragged larger, another zoom), and
// what is exported keeps every pixel of the picture.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImageReader>
#include <QMenu>
#include <QPainter>

#include "app/AppTestSupport.h"
#include "foundation/ZoomButton.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/PictureWorker.h"
#include "objects/specImage.h"
#include "platform/UserDefaults.h"
#include "printing/ExportFormats.h"

using namespace quillmark;

namespace {

// 3000 x 2000: red on the left half, blue on the right, and across the middle third a band of
// black and white stripes a pixel wide, which only a draw from every pixel renders as stripes.
QImage largePicture()
{
    QImage image(3000, 2000, QImage::Format_RGB32);
    image.fill(qRgb(220, 30, 30));
    {
        QPainter painter(&image);
        painter.fillRect(1500, 0, 1500, 2000, QColor(30, 30, 220));
    }
    for (int y = 700; y < 1300; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    }
    return image;
}

// A rectangle drawn with the tool, selected, holding the large picture.
GraphicPtr placeLargePicture(apptest::WindowFixture &f, const QRectF &frame)
{
    f.drawRect(frame);
    f.tool(RectsView::SelectTool)->trigger();
    f.click(frame.center());
    if (f.canvas()->selectedObjects().size() != 1)
        return nullptr;
    const GraphicPtr object = f.canvas()->selectedObjects().first();
    object->setImage(largePicture());
    f.canvas()->undoManager()->removeAllActions();
    f.window->objectInfo()->refresh();
    apptest::settle();
    return object;
}

// The canvas as the user sees it, cut to the object's frame, once the picture the change asked
// for has been made on the picture worker.
QImage shownFrame(apptest::WindowFixture &f, const GraphicPtr &object)
{
    f.canvas()->grab();
    PictureWorker::waitUntilDone();
    apptest::settle();
    const QRect area = f.canvas()->pageToWidget().mapRect(object->frameBounds()).toAlignedRect();
    QImage shot(area.size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::white);
    f.canvas()->render(&shot, QPoint(), QRegion(area));
    return shot;
}

// The shown colour at a place given as fractions of the frame, against the prepared
// picture's colour at the same place.
void expectShows(const QImage &shown, const QImage &prepared, QPointF at, const char *where)
{
    SCOPED_TRACE(where);
    ASSERT_FALSE(shown.isNull());
    const QColor seen = shown.pixelColor(int(at.x() * shown.width()), int(at.y() * shown.height()));
    const QColor meant = prepared.pixelColor(int(at.x() * prepared.width()), int(at.y() * prepared.height()));
    EXPECT_NEAR(seen.red(), meant.red(), 12) << seen.name().toStdString() << " for " << meant.name().toStdString();
    EXPECT_NEAR(seen.green(), meant.green(), 12) << seen.name().toStdString() << " for " << meant.name().toStdString();
    EXPECT_NEAR(seen.blue(), meant.blue(), 12) << seen.name().toStdString() << " for " << meant.name().toStdString();
}

void expectShowsPicture(const QImage &shown, const GraphicPtr &object)
{
    const QImage prepared = object->getImage();
    expectShows(shown, prepared, QPointF(0.2, 0.15), "left");
    expectShows(shown, prepared, QPointF(0.8, 0.15), "right");
    expectShows(shown, prepared, QPointF(0.3, 0.85), "left, low");
    expectShows(shown, prepared, QPointF(0.7, 0.85), "right, low");
}

void chooseZoom(apptest::WindowFixture &f, const QString &title)
{
    ZoomButton *button = f.window->zoomButton();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->zoomMenu());
    for (QAction *item : button->zoomMenu()->actions())
        if (item->text() == title) {
            item->trigger();
            button->zoomMenu()->close();
            apptest::settle();
            return;
        }
    ADD_FAILURE() << "no zoom item " << title.toStdString();
}

} // namespace

TEST(PictureRepaintWindow, TheCanvasShowsEachChangeToALargePictureTintUndoSizeAndZoom)
{
    apptest::WindowFixture f(QStringLiteral("repaint-changes"));
    chooseZoom(f, QStringLiteral("100%"));
    const GraphicPtr object = placeLargePicture(f, QRectF(10, 6, 60, 40));
    ASSERT_TRUE(object);
    ASSERT_TRUE(object->hasValidImage());
    const QImage first = shownFrame(f, object);
    expectShowsPicture(first, object);
    // The stripes show as the grey they average to, not as the moire of a few picked pixels.
    const QColor band = first.pixelColor(first.width() / 3, first.height() / 2);
    EXPECT_NEAR(band.red(), 128, 40) << band.name().toStdString();

    // Tint, ticked on the Image page.
    f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
    apptest::settle();
    auto *tint = f.window->findChild<QCheckBox *>(QStringLiteral("bTintImage"));
    ASSERT_TRUE(tint);
    QTest::mouseClick(tint, Qt::LeftButton, Qt::NoModifier, QPoint(8, tint->height() / 2));
    apptest::settle();
    ASSERT_TRUE(object->tintImage());
    const QImage tinted = shownFrame(f, object);
    EXPECT_NE(tinted, first);
    expectShowsPicture(tinted, object);

    // Undo brings the untinted picture back on the canvas too.
    QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    undo->trigger();
    apptest::settle();
    ASSERT_FALSE(object->tintImage());
    EXPECT_EQ(shownFrame(f, object), first);

    // The frame dragged larger by its lower right knob: the picture fills the new frame.
    const QRectF before = object->frameBounds();
    f.dragFromTo(before.bottomRight(), before.bottomRight() + QPointF(30, 20));
    ASSERT_GT(object->frameBounds().width(), before.width() + 20);
    ASSERT_LT(object->frameBounds().bottom(), 72.0) << "inside the label, clear of the veil";
    const QImage larger = shownFrame(f, object);
    EXPECT_GT(larger.width(), first.width());
    expectShowsPicture(larger, object);

    // At 400 % the picture is drawn from as many pixels as the screen has there: the edge
    // between its halves stays as sharp as the full picture makes it.
    chooseZoom(f, QStringLiteral("400%"));
    const QImage zoomed = shownFrame(f, object);
    ASSERT_GT(zoomed.width(), larger.width() * 3);
    expectShowsPicture(zoomed, object);
    const int row = int(zoomed.height() * 0.15);
    int between = 0;
    for (int x = zoomed.width() / 10; x < zoomed.width() * 9 / 10; ++x) {
        const QColor c = zoomed.pixelColor(x, row);
        if (!(c.red() > 200 && c.blue() < 50) && !(c.blue() > 200 && c.red() < 50))
            ++between;
    }
    EXPECT_LE(between, 2) << "pixels neither red nor blue across the edge";
}

// File > Export writes the picture from every one of its pixels, as it did before the canvas
// drew from a reduced copy: the stripes come out as the full picture drawn at that size.
TEST(PictureRepaintWindow, ExportDrawsALargePictureFromAllItsPixels)
{
    apptest::WindowFixture f(QStringLiteral("repaint-export"));
    UserDefaults::standard().setString(QStringLiteral("144"), QStringLiteral("Export Res"));
    const GraphicPtr object = placeLargePicture(f, QRectF(20, 6, 90, 60));
    ASSERT_TRUE(object);
    // The canvas has drawn (and reduced) the picture first.
    ASSERT_FALSE(shownFrame(f, object).isNull());

    const QString base = qmtest::freshDir(QStringLiteral("repaint-export-out")) + QStringLiteral("/Label");
    f.prompts->queueSaveOfType(base, int(ExportFormat::PNG));
    QAction *exportItem = f.menuItem(QStringLiteral("File"), QStringLiteral("Export..."));
    ASSERT_TRUE(exportItem);
    exportItem->trigger();
    apptest::settle();
    const QImage exported = QImageReader(base + QStringLiteral(".png")).read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(exported.isNull());

    // The full picture drawn the way a label is exported at 144 dots per inch.
    QImage full(exported.size(), QImage::Format_ARGB32_Premultiplied);
    full.fill(Qt::white);
    {
        QPainter painter(&full);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(2.0, 2.0);
        painter.drawImage(object->frameBounds(), object->getImage());
    }
    // Inside the frame, clear of its stroke.
    const QRect inside = QTransform::fromScale(2.0, 2.0).mapRect(object->frameBounds()).toAlignedRect().adjusted(8, 8, -8, -8);
    ASSERT_TRUE(QRect(QPoint(), exported.size()).contains(inside));
    int differing = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb a = exported.pixel(x, y);
            const QRgb b = full.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 || std::abs(qBlue(a) - qBlue(b)) > 2)
                ++differing;
        }
    EXPECT_EQ(differing, 0);
    // The comparison means something: in the band of stripes the full draw is far from the
    // flat grey a reduced copy gives.
    const int top = inside.top() + inside.height() * 2 / 5;
    const int bottom = inside.top() + inside.height() * 3 / 5;
    int band = 0;
    int striped = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            ++band;
            striped += std::abs(qRed(full.pixel(x, y)) - 128) > 40 ? 1 : 0;
        }
    EXPECT_GT(striped, band / 5);
}
