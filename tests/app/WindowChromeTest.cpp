// The window's chrome as the user meets it: the side panel sliding away and back from the
// tool bar, the split view's divider held 250 points from either end, the mask drawer, the
// items a right click on the tool bar adds or takes away (kept for the next start, each doing
// its command) and the busy indicator while the user waits.
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFontDialog>
#include <QScrollArea>
#include <QSplitter>
#include <QSplitterHandle>
#include <QToolBar>

#include "app/AppTestSupport.h"
#include "app/MenuValidator.h"
#include "images/ImageBrowserPanel.h"
#include "images/ProgressSpinner.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "printing/ExportFormats.h"

using namespace quillmark;

namespace {

QToolBar *toolBar(const apptest::WindowFixture &f)
{
    return f.window->findChild<QToolBar *>(QStringLiteral("Tools"));
}

QAction *toolBarItem(QToolBar *bar, const QString &identifier)
{
    for (QAction *item : bar->actions())
        if (item->property(MenuValidator::identifierProperty()).toString() == identifier)
            return item;
    return nullptr;
}

// The place of a widget in the window.
QRect frameInWindow(const QWidget *widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

bool checkedInViewMenu(apptest::WindowFixture &f, const QString &title)
{
    QAction *item = f.menuItem(QStringLiteral("View"), title);
    if (!item)
        return false;
    QMenu *view = qobject_cast<QMenu *>(item->parent());
    if (view)
        emit view->aboutToShow();
    return item->isChecked();
}

} // namespace

TEST(WindowChromeSlide, TheSidePanelSlidesAwayAndBackAndTheCanvasAreaTakesItsRoomAtOnce)
{
    apptest::WindowFixture f(QStringLiteral("chrome-slide"));
    QToolBar *bar = toolBar(f);
    QAction *inspector = toolBarItem(bar, QStringLiteral("Inspector"));
    ASSERT_TRUE(bar && inspector);
    QDockWidget *panel = f.window->sidePanel();
    QWidget *stock = f.window->splitView()->widget(0);
    QWidget *area = f.window->splitView()->widget(1);
    ASSERT_TRUE(panel->isVisible());
    EXPECT_FALSE(f.canvas()->opened());
    EXPECT_TRUE(checkedInViewMenu(f, QStringLiteral("Object Information")));
    const QRect areaBefore = frameInWindow(area);
    const QRect stockBefore = frameInWindow(stock);
    const int panelWidth = panel->width();

    // The click returns with the new frames in place; nothing waits for the event loop.
    QTest::mouseClick(bar->widgetForAction(inspector), Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(f.canvas()->opened());
    EXPECT_FALSE(f.canvas()->animating());
    const QRect areaAway = frameInWindow(area);
    EXPECT_EQ(areaAway.left(), areaBefore.left());
    EXPECT_GE(areaAway.width(), areaBefore.width() + panelWidth);
    EXPECT_EQ(frameInWindow(stock), stockBefore);
    // The scroll view inside the area follows in the same call.
    EXPECT_EQ(f.window->scrollArea()->width(), areaAway.width());
    apptest::settle();
    EXPECT_FALSE(checkedInViewMenu(f, QStringLiteral("Object Information")));

    QTest::mouseClick(bar->widgetForAction(inspector), Qt::LeftButton);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(f.canvas()->opened());
    EXPECT_EQ(frameInWindow(area), areaBefore);
    EXPECT_EQ(panel->width(), panelWidth);
    apptest::settle();
    EXPECT_TRUE(checkedInViewMenu(f, QStringLiteral("Object Information")));

    // A slide still running takes no second one.
    f.canvas()->setAnimating(true);
    f.canvas()->showHideGraphicOpt();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(f.canvas()->opened());
    f.canvas()->setAnimating(false);
}

// A pop-up's items are the user's own or a translation: a long folder name, a font, a
// database field. However long, they leave the canvas area and every pane as wide as they
// were; the pop-up shows them whole when opened.
TEST(WindowChromePopUps, NoItemWidensAPaneOrNarrowsTheCanvasArea)
{
    apptest::WindowFixture f(QStringLiteral("chrome-popups"));
    QWidget *area = f.window->splitView()->widget(1);
    const auto widths = [&f, area] {
        QList<int> each{area->width()};
        for (QDockWidget *dock : f.window->findChildren<QDockWidget *>())
            each << dock->width();
        for (int i = 0; i < f.window->splitView()->count(); ++i)
            each << f.window->splitView()->widget(i)->width();
        return each;
    };
    const QList<int> before = widths();
    const QString longItem = QStringLiteral("Bilder aus dem Urlaub ").repeated(8);
    const QList<QComboBox *> popUps = f.window->findChildren<QComboBox *>();
    ASSERT_GT(popUps.size(), 3);
    for (QComboBox *popUp : popUps) {
        const QString name = QString::fromLatin1(popUp->parentWidget()->metaObject()->className()) + "/"
            + popUp->objectName();
        popUp->addItem(longItem);
        // A font or language change measures the items again, as a first showing does.
        QEvent changed(QEvent::FontChange);
        QCoreApplication::sendEvent(popUp, &changed);
        popUp->updateGeometry();
        apptest::settle();
        EXPECT_EQ(widths(), before) << name.toStdString();
        popUp->removeItem(popUp->count() - 1);
        QCoreApplication::sendEvent(popUp, &changed);
        popUp->updateGeometry();
        apptest::settle();
    }
}

TEST(WindowChromeSplitView, TheDividerStopsTwoHundredFiftyPointsFromEitherEnd)
{
    apptest::WindowFixture f(QStringLiteral("chrome-split"));
    QSplitter *split = f.window->splitView();
    QWidget *stock = split->widget(0);
    QWidget *area = split->widget(1);
    QSplitterHandle *handle = split->handle(1);
    ASSERT_TRUE(handle && handle->isVisible());
    ASSERT_GT(split->width(), 2 * MainWindow::SplitViewMargin + handle->width());
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    auto dragTo = [&](int xInSplitView) {
        QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, grip);
        const QPoint target = handle->mapFrom(split, QPoint(xInSplitView, handle->y() + grip.y()));
        QMouseEvent move(QEvent::MouseMove, target, handle->mapToGlobal(target), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &move);
        QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, target);
        apptest::settle();
    };

    dragTo(10);
    EXPECT_EQ(stock->width(), MainWindow::SplitViewMargin);
    EXPECT_TRUE(stock->isVisible());
    dragTo(split->width() - 10);
    EXPECT_EQ(area->width(), MainWindow::SplitViewMargin);
    EXPECT_TRUE(area->isVisible());
    // Within the limits the divider goes where it is dragged.
    dragTo(400);
    EXPECT_NEAR(stock->width(), 400, handle->width());
    const int stockWidth = stock->width();

    // A wider window widens the canvas side alone.
    const int areaWidth = area->width();
    f.window->resize(f.window->width() + 120, f.window->height());
    apptest::settle();
    EXPECT_EQ(stock->width(), stockWidth);
    EXPECT_EQ(area->width(), areaWidth + 120);
}

TEST(WindowChromeMaskDrawer, TheMaskBrowserOpensInItsDrawerFromTheViewMenu)
{
    apptest::WindowFixture f(QStringLiteral("chrome-masks"));
    QDockWidget *drawer = f.window->maskDrawer();
    ASSERT_NE(drawer, nullptr);
    EXPECT_FALSE(drawer->isVisible());
    // The masks live in the drawer now, not under the image browser.
    auto *masks = drawer->findChild<ScrollNSImageView *>();
    ASSERT_NE(masks, nullptr);
    EXPECT_EQ(masks->getCount(), 47);
    auto *images = f.window->findChild<ImageBrowserPanel *>(QStringLiteral("ImageBrowserPanel"));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->imageMaskListView(), masks);
    EXPECT_FALSE(images->isAncestorOf(masks));

    QAction *item = f.menuItem(QStringLiteral("View"), QStringLiteral("Image Mask"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    EXPECT_FALSE(checkedInViewMenu(f, QStringLiteral("Image Mask")));
    QWidget *canvasArea = f.window->splitView();
    ASSERT_NE(canvasArea, nullptr);
    const int windowWidth = f.window->width();
    const int areaWidth = canvasArea->width();
    item->trigger();
    apptest::settle();
    EXPECT_TRUE(drawer->isVisible());
    // The drawer opens beside the window's content: the window grows and the canvas keeps its room.
    EXPECT_GT(f.window->width(), windowWidth + MainWindow::MaskDrawerWidth - 1);
    EXPECT_EQ(canvasArea->width(), areaWidth);
    EXPECT_TRUE(f.canvas()->isMaskDrawerOpen());
    EXPECT_TRUE(checkedInViewMenu(f, QStringLiteral("Image Mask")));
    EXPECT_EQ(drawer->widget()->width(), MainWindow::MaskDrawerWidth);
    // The tiles were laid out for the drawer's width: two masks a row.
    ASSERT_GE(masks->tiles().size(), 3);
    EXPECT_EQ(masks->tiles()[2]->y(), masks->tiles()[0]->y() + masks->getH() + 5);

    // The drawer's own close button closes it as the menu does.
    drawer->close();
    apptest::settle();
    EXPECT_FALSE(f.canvas()->isMaskDrawerOpen());
    EXPECT_EQ(f.window->width(), windowWidth);
    EXPECT_EQ(canvasArea->width(), areaWidth);
    EXPECT_FALSE(checkedInViewMenu(f, QStringLiteral("Image Mask")));
}

TEST(WindowChromeBusyIndicator, SpinsWhileTheUserWaitsOnAnExportOrASave)
{
    apptest::WindowFixture f(QStringLiteral("chrome-busy"));
    ProgressSpinner *spinner = f.window->busyIndicator();
    ASSERT_NE(spinner, nullptr);
    EXPECT_FALSE(spinner->isVisible());
    f.drawRect(QRectF(20, 20, 60, 40));
    const QString dir = qmtest::freshDir(QStringLiteral("chrome-busy-files"));

    // An export that cannot be written tells the user with the indicator still turning.
    bool spunAtAlert = false;
    f.prompts->onAlert = [&] { spunAtAlert = spinner->isSpinning() && spinner->isVisible(); };
    f.prompts->queueSaveOfType(dir + QStringLiteral("/no such folder/Label"), int(ExportFormat::PNG));
    f.menuItem(QStringLiteral("File"), QStringLiteral("Export..."))->trigger();
    apptest::settle();
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_TRUE(spunAtAlert);
    EXPECT_FALSE(spinner->isVisible());
    f.prompts->queueSaveOfType(dir + QStringLiteral("/Label"), int(ExportFormat::PNG));
    f.menuItem(QStringLiteral("File"), QStringLiteral("Export..."))->trigger();
    apptest::settle();
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("/Label.png")));
    EXPECT_FALSE(spinner->isVisible());

    // So does a save that fails; the indicator stops after.
    spunAtAlert = false;
    f.prompts->queuePath(dir + QStringLiteral("/no such folder/Design.qkdoc"));
    f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
    apptest::settle();
    f.prompts->onAlert = nullptr;
    EXPECT_TRUE(spunAtAlert);
    EXPECT_FALSE(spinner->isSpinning());
    EXPECT_FALSE(spinner->isVisible());
}
