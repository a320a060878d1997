// A picture taken from the image browser into the window's label: it comes in as large as the
// label allows in its own proportions, centred and selected, at any zoom.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QMouseEvent>
#include <QTreeView>

#include "app/AppTestSupport.h"
#include "foundation/ZoomButton.h"
#include "images/ImageBrowserPanel.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/specImage.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

listImageViewItem *firstImageTile(const apptest::WindowFixture &f)
{
    auto *panel = f.window->findChild<ImageBrowserPanel *>();
    if (!panel || !panel->imageListView()->waitForThumbnails(20000))
        return nullptr;
    apptest::settle();
    const QList<listImageViewItem *> &tiles = panel->imageListView()->tiles();
    return tiles.isEmpty() ? nullptr : tiles.first();
}

void send(QWidget *widget, QEvent::Type type)
{
    const QPointF at = QRectF(widget->rect()).center();
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void doubleClick(QWidget *tile)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease})
        send(tile, type);
    apptest::settle();
}

void chooseZoomItem(const apptest::WindowFixture &f, const QString &title)
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

void chooseStock(const apptest::WindowFixture &f, const QString &name)
{
    QTreeView *catalogue = f.window->catalogueView();
    const QModelIndex row = f.canvas()->dataSource()->modelIndexByName(name);
    ASSERT_TRUE(row.isValid());
    catalogue->expand(row.parent());
    catalogue->scrollTo(row);
    apptest::settle();
    QTest::mouseClick(catalogue->viewport(), Qt::LeftButton, {}, catalogue->visualRect(row).center());
    apptest::settle();
    ASSERT_EQ(f.canvas()->getLabel().name, name);
}

} // namespace

TEST(PicturePlacementWindow, ABrowserPictureDoubleClickedLiesInsideA5160LabelAndIsSelectedAtEveryZoom)
{
    apptest::WindowFixture f(QStringLiteral("placement-window"));
    chooseStock(f, QStringLiteral("5160"));
    const QRectF label(0, 0, f.canvas()->getLabel().width * 72.0, f.canvas()->getLabel().height * 72.0);
    listImageViewItem *tile = firstImageTile(f);
    ASSERT_TRUE(tile);

    QRectF first;
    for (const QString &zoom : {QStringLiteral("50%"), QStringLiteral("400%")}) {
        SCOPED_TRACE(zoom.toStdString());
        chooseZoomItem(f, zoom);
        doubleClick(tile);
        ASSERT_EQ(f.canvas()->getRects().size(), 1);
        const auto made = f.canvas()->getRects().first();
        const QRectF frame = made->frameBounds();
        // Inside the label, touching it on one side pair: the largest that fits.
        EXPECT_TRUE(label.adjusted(-0.01, -0.01, 0.01, 0.01).contains(frame)) << frame.x() << ' ' << frame.y()
                                                                                << ' ' << frame.width() << ' '
                                                                                << frame.height();
        EXPECT_TRUE(std::abs(frame.width() - label.width()) < 0.01 || std::abs(frame.height() - label.height()) < 0.01);
        EXPECT_NEAR(frame.center().x(), label.center().x(), 0.01);
        EXPECT_NEAR(frame.center().y(), label.center().y(), 0.01);
        // In the picture's own proportions.
        ASSERT_TRUE(made->image());
        const QSizeF picture = made->image()->size();
        EXPECT_NEAR(frame.width() / frame.height(), picture.width() / picture.height(), 0.01);
        EXPECT_TRUE(f.canvas()->isSelected(made.get()));
        if (first.isNull())
            first = frame;
        else
            EXPECT_EQ(frame, first) << "the zoom has no say in the size";

        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo);
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
        undo->trigger();
        apptest::settle();
        EXPECT_TRUE(f.canvas()->getRects().isEmpty());
    }
}

// A PDF picture chosen with Image > Select Image File draws only what its page paints: the
// paper around the drawing stays clear, not black.
TEST(PicturePlacementWindow, APdfPictureKeepsItsPaperClear)
{
    apptest::WindowFixture f(QStringLiteral("placement-pdf"));
    const QString path = qmtest::freshDir(QStringLiteral("placement-pdf-file")) + QStringLiteral("/badge.pdf");
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QSizeF(2, 1), QPageSize::Inch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.fillRect(QRectF(54, 18, 36, 36), Qt::red);
    }
    f.prompts->queuePath(path);
    QAction *choose = f.menuItem(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    ASSERT_TRUE(choose);
    choose->trigger();
    apptest::settle();
    ASSERT_EQ(f.canvas()->getRects().size(), 1);
    const auto made = f.canvas()->getRects().first();
    ASSERT_TRUE(made->hasValidImage());
    EXPECT_TRUE(f.canvas()->isSelected(made.get()));
    const QImage picture = made->image()->copyRepresentations()->prepareImage();
    ASSERT_FALSE(picture.isNull());
    const QColor corner = picture.pixelColor(1, 1);
    EXPECT_TRUE(corner.alpha() == 0 || corner == QColor(Qt::white))
        << corner.name(QColor::HexArgb).toStdString();
    const QColor middle = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    EXPECT_GT(middle.red(), 200);
    EXPECT_LT(middle.green(), 60);

    // Drawn on the canvas, the label shows white where the page leaves its paper out.
    QImage shot(f.canvas()->size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::white);
    f.canvas()->render(&shot);
    const QRectF frame = made->frameBounds();
    const QPointF inside = f.canvas()->pageToWidget().map(frame.topLeft() + QPointF(frame.width() * 0.1, frame.height() * 0.5));
    EXPECT_GT(QColor(shot.pixel(inside.toPoint())).lightness(), 200);
}
