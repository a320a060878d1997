// Pointers and tool drawings made from the bundle's images.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/BundleCursor.h"

using namespace quillmark;

namespace {

TEST(BundleCursor, EveryPointerImageOfTheCanvasIsThere)
{
    const QList<std::pair<QString, QSize>> pointers = {
        {"resizeCursor1", {18, 18}}, {"resizeCursor2", {18, 18}}, {"resizeCursorH", {18, 18}},
        {"resizeCursorV", {18, 18}}, {"moveCursor", {18, 18}},    {"duplicateCursor", {18, 18}},
        {"lock16", {16, 16}},        {"rotateCursor", {18, 18}},  {"startPath", {20, 20}},
        {"closePath", {20, 20}},     {"Cross", {18, 18}},
    };
    for (const auto &[name, size] : pointers) {
        const QPixmap image = BundleCursor::pixmap(name, 1.0);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.size(), size) << name.toStdString();
        // Black ink with a white rim: both show.
        const QImage pixels = image.toImage();
        bool black = false, white = false;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) {
                const QRgb p = pixels.pixel(x, y);
                black = black || (qAlpha(p) > 240 && qGray(p) < 30);
                white = white || (qAlpha(p) > 240 && qGray(p) > 225);
            }
        EXPECT_TRUE(black && white) << name.toStdString();
        const QCursor centred = BundleCursor::centred(name, Qt::ArrowCursor);
        EXPECT_EQ(centred.shape(), Qt::BitmapCursor);
        EXPECT_EQ(centred.hotSpot(), QPoint(size.width() / 2, size.height() / 2)) << name.toStdString();
    }
    EXPECT_EQ(BundleCursor::named("startPath", QPoint(1, 19), Qt::CrossCursor).hotSpot(), QPoint(1, 19));
}

TEST(BundleCursor, SharpAtTheScreensRatioAndSafeWhenMissing)
{
    const QPixmap doubled = BundleCursor::pixmap("moveCursor", 2.0);
    EXPECT_EQ(doubled.size(), QSize(36, 36));
    EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
    EXPECT_TRUE(BundleCursor::pixmap("no such pointer").isNull());
    EXPECT_EQ(BundleCursor::named("no such pointer", QPoint(3, 3), Qt::CrossCursor).shape(), Qt::CrossCursor);
    EXPECT_EQ(BundleCursor::centred("no such pointer", Qt::SizeAllCursor).shape(), Qt::SizeAllCursor);
    EXPECT_TRUE(BundleCursor::icon("no such drawing").isNull());
    EXPECT_FALSE(BundleCursor::icon("off_pointer_button").isNull());
    EXPECT_FALSE(BundleCursor::icon("on_lasso_button").isNull());
}

} // namespace
