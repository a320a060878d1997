// What a first-time user meets walking through the whole window: each case repeats a step that
// once went wrong in the running program, the way the user took it.
#include <gtest/gtest.h>

#include <QMouseEvent>

#include "app/AppTestSupport.h"
#include "images/ImageBrowserPanel.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"

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

// A double click on a picture of the browser is one gesture: it adds one picture, whichever way
// the window system reports the second press, and a click after it still adds the next one.
TEST(NewcomerWalk, DoubleClickOnABrowserPictureAddsItOnce)
{
    const QList<QList<QEvent::Type>> reports = {
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease},
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress, QEvent::MouseButtonDblClick,
         QEvent::MouseButtonRelease},
    };
    for (const QList<QEvent::Type> &report : reports) {
        apptest::WindowFixture f(QStringLiteral("walk-double-click"));
        listImageViewItem *tile = firstImageTile(f);
        ASSERT_TRUE(tile);
        for (QEvent::Type type : report)
            send(tile, type);
        apptest::settle();
        EXPECT_EQ(f.canvas()->getRects().size(), 1) << report.size() << " events";
        EXPECT_FALSE(tile->isSelected());

        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo);
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
        undo->trigger();
        apptest::settle();
        EXPECT_TRUE(f.canvas()->getRects().isEmpty()) << "one undo takes the whole double click back";

        send(tile, QEvent::MouseButtonPress);
        send(tile, QEvent::MouseButtonRelease);
        apptest::settle();
        EXPECT_EQ(f.canvas()->getRects().size(), 1) << "a later single click still adds the picture";
    }
}

} // namespace
