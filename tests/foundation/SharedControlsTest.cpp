// The shared controls of the main window and its panels, driven through their widgets: the zoom
// button and its menu, the scroll view's accessories and scrollers, the canvas ruler's
// accessory, the stepper's modifier steps, the dash-style pop-up, the tab view that can be
// switched off, the dimmed label, the coloured button, the framed views.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include "common/TestSupport.h"
#include "foundation/BaseColoredButton.h"
#include "foundation/BorderView.h"
#include "foundation/CPopUpItemCell.h"
#include "foundation/CRulerView.h"
#include "foundation/MyRulerView.h"
#include "foundation/MyScrollView.h"
#include "foundation/MyScroller.h"
#include "foundation/MyStepper.h"
#include "foundation/MyTabView.h"
#include "foundation/NSDisabledLabel.h"
#include "foundation/ZoomButton.h"
#include "foundation/myWebView.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

class FakeZoom : public ZoomClient
{
public:
    double zoom = 1.0;
    int fit = 0;
    QList<int> chosen;
    void zoomMenuSelect(int index) override { chosen.append(index); }
    int getZoomFit() const override { return fit; }
    double getZoom() const override { return zoom; }
};

QStringList checkedTitles(QMenu *menu)
{
    QStringList titles;
    for (QAction *item : menu->actions())
        if (item->isChecked())
            titles << item->text();
    return titles;
}

QImage grabbed(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Rendered afresh, with the graphics effects of its children (grab may show a cached
// drawing from before an effect was set).
QImage rendered(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    widget->render(&image);
    return image;
}

// The lengths of the dark and light runs along row y of the image, from x0 to x1.
QList<int> runsAlong(const QImage &image, int y, int x0, int x1)
{
    QList<int> runs;
    bool dark = qGray(image.pixel(x0, y)) < 160;
    int length = 0;
    for (int x = x0; x < x1; ++x) {
        const bool d = qGray(image.pixel(x, y)) < 160;
        if (d == dark) {
            ++length;
        } else {
            runs.append(length);
            dark = d;
            length = 1;
        }
    }
    runs.append(length);
    return runs;
}

struct DarkAppearance
{
    DarkAppearance()
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir("dark-defaults") + "/defaults.ini");
        UserDefaults::standard().setString(QStringLiteral("Dark"), QStringLiteral("AppleInterfaceStyle"));
    }
    ~DarkAppearance() { UserDefaults::standard().removeObject(QStringLiteral("AppleInterfaceStyle")); }
};

} // namespace

// ---- zoom button ----

TEST(ZoomButtonTest, ANewButtonShowsFitAndANullTextChangesNothing)
{
    ZoomButton button;
    EXPECT_EQ(button.scaleText(), "Fit");
    button.setZoomValue(QStringLiteral("229%"));
    EXPECT_EQ(button.scaleText(), "229%");
    button.setZoomValue(QString());
    EXPECT_EQ(button.scaleText(), "229%");
}

TEST(ZoomButtonTest, APressPopsUpTheTenEntriesWithTheirTitlesAsTheyStand)
{
    ZoomButton button;
    button.resize(button.sizeHint());
    FakeZoom canvas;
    button.setRectView(&canvas);
    QTest::mouseClick(&button, Qt::LeftButton);
    QMenu *menu = button.zoomMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Contextual Menu");
    const QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 10);
    const QStringList titles = {"25%", "50%", "100%", "150%", "200%", "400%", "", "Fit Page", "Fit Width", "Fit Height"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(items[i]->text(), titles[i]) << i;
        EXPECT_EQ(items[i]->isSeparator(), i == 6) << i;
        EXPECT_EQ(items[i]->data().toInt(), i);
    }
    EXPECT_TRUE(menu->isVisible());
    menu->close();
}

TEST(ZoomButtonTest, TheCheckMarkFollowsTheZoomOrTheFit)
{
    ZoomButton button;
    FakeZoom canvas;
    button.setRectView(&canvas);
    const struct
    {
        double zoom;
        int fit;
        QStringList checked;
    } cases[] = {
        {1.5, 0, {"150%"}},   {0.25, 0, {"25%"}},      {1.0, 0, {"100%"}},        {1.7, 0, {}},
        {1.5, 2, {"Fit Width"}}, {2.29, 3, {"Fit Page"}}, {0.5, 1, {"Fit Height"}},
    };
    for (const auto &c : cases) {
        canvas.zoom = c.zoom;
        canvas.fit = c.fit;
        EXPECT_EQ(checkedTitles(button.buildMenu()), c.checked) << c.zoom << " fit " << c.fit;
    }
}

TEST(ZoomButtonTest, ChoosingAnItemHandsItsPositionToTheCanvas)
{
    ZoomButton button;
    FakeZoom canvas;
    button.setRectView(&canvas);
    QMenu *menu = button.buildMenu();
    menu->actions().at(3)->trigger();
    menu->actions().at(8)->trigger();
    EXPECT_EQ(canvas.chosen, QList<int>({3, 8}));
}

TEST(ZoomButtonTest, WithoutACanvasItemsAreEnabledUncheckedAndDoNothing)
{
    ZoomButton button;
    QMenu *menu = button.buildMenu();
    for (QAction *item : menu->actions()) {
        if (item->isSeparator())
            continue;
        EXPECT_TRUE(item->isEnabled());
        EXPECT_FALSE(item->isChecked());
        EXPECT_TRUE(button.validateMenuItem(item));
        item->trigger();
    }
    QAction other(QStringLiteral("Other"));
    EXPECT_FALSE(button.validateMenuItem(&other));
}

// ---- scroll view and scrollers ----

namespace {

// Where a widget lies in the scroll view's own coordinates.
QRect inScrollView(QWidget *widget, MyScrollView &scroll)
{
    return QRect(widget->mapTo(&scroll, QPoint(0, 0)), widget->size());
}

struct ScrollFixture
{
    MyScrollView scroll;
    QWidget *document = new QWidget;
    ScrollFixture()
    {
        document->resize(2000, 2000);
        scroll.setWidget(document);
        scroll.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll.resize(400, 300);
        scroll.show();
        QApplication::processEvents();
    }
};

} // namespace

TEST(MyScrollViewTest, AVerticalAccessoryAtTheBottomShortensTheScrollerByItsHeight)
{
    ScrollFixture f;
    const QRect before = inScrollView(f.scroll.verticalScrollBar(), f.scroll);
    auto *accessory = new QWidget;
    accessory->resize(40, 20);
    f.scroll.setVerticalScrollerAccessory(accessory, false);
    // Stored only: the scroller keeps its length until the next tiling.
    EXPECT_EQ(inScrollView(f.scroll.verticalScrollBar(), f.scroll), before);
    f.scroll.tile();
    QApplication::processEvents();
    const QRect after = inScrollView(f.scroll.verticalScrollBar(), f.scroll);
    EXPECT_EQ(after.top(), before.top());
    EXPECT_EQ(after.height(), before.height() - 20);
    // The accessory takes the scroller's thickness and sits right below it.
    EXPECT_EQ(accessory->width(), f.scroll.scrollerWidth());
    EXPECT_EQ(inScrollView(accessory, f.scroll).top(), after.bottom() + 1);
}

TEST(MyScrollViewTest, AHorizontalAccessoryOnTheLeftMovesTheScrollerRightByItsWidth)
{
    ScrollFixture f;
    const QRect before = inScrollView(f.scroll.horizontalScrollBar(), f.scroll);
    auto *accessory = new QPushButton(QStringLiteral("A"));
    accessory->setFixedWidth(60);
    f.scroll.setHorizontalScrollerAccessory(accessory, false);
    f.scroll.tile();
    QApplication::processEvents();
    const QRect after = inScrollView(f.scroll.horizontalScrollBar(), f.scroll);
    EXPECT_EQ(after.left(), before.left() + 60);
    EXPECT_EQ(after.width(), before.width() - 60);
    EXPECT_EQ(accessory->height(), f.scroll.scrollerWidth());
    // Moved to the right side on the next tiling.
    f.scroll.setHorizontalAccessoryIsOnRightSide(true);
    f.scroll.tile();
    QApplication::processEvents();
    const QRect right = inScrollView(f.scroll.horizontalScrollBar(), f.scroll);
    EXPECT_EQ(right.left(), before.left());
    EXPECT_EQ(inScrollView(accessory, f.scroll).left(), right.right() + 1);
}

TEST(MyScrollViewTest, TheLayerControlStandsAtTheVeryLeftOfTheHorizontalScroller)
{
    ScrollFixture f;
    const QRect before = inScrollView(f.scroll.horizontalScrollBar(), f.scroll);
    auto *zoom = new ZoomButton;
    auto *layers = new QWidget;
    layers->setFixedWidth(80);
    f.scroll.setHorizontalScrollerAccessory(zoom, true);
    f.scroll.setLayerSegments(layers);
    f.scroll.tile();
    QApplication::processEvents();
    const QRect bar = inScrollView(f.scroll.horizontalScrollBar(), f.scroll);
    EXPECT_EQ(inScrollView(layers, f.scroll).left(), before.left());
    EXPECT_EQ(bar.left(), before.left() + 80);
    EXPECT_EQ(inScrollView(zoom, f.scroll).left(), bar.right() + 1);
    EXPECT_EQ(bar.width(), before.width() - 80 - zoom->width());
}

TEST(MyScrollViewTest, ScrollingPostsVisibleRectChanged)
{
    ScrollFixture f;
    int posted = 0;
    const void *sender = nullptr;
    NotificationCenter::defaultCenter().addObserver(&posted, QStringLiteral("VisibleRectChanged"),
                                                    [&](const Notification &n) {
                                                        ++posted;
                                                        sender = n.sender;
                                                    });
    f.scroll.verticalScrollBar()->setValue(50);
    NotificationCenter::defaultCenter().removeObserver(&posted);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(sender, &f.scroll);
}

TEST(MyScrollerTest, LightDrawsAsTheStandardScrollerDarkIsWashedLighter)
{
    UserDefaults::resetStandardForTesting(qmtest::freshDir("scroller-defaults") + "/defaults.ini");
    QScrollBar standard(Qt::Horizontal);
    MyScroller mine(Qt::Horizontal);
    for (QScrollBar *bar : {&standard, static_cast<QScrollBar *>(&mine)}) {
        bar->setRange(0, 100);
        bar->setValue(30);
        bar->resize(200, 16);
    }
    const QImage light = grabbed(&mine);
    EXPECT_EQ(light, grabbed(&standard));
    DarkAppearance dark;
    const QImage washed = grabbed(&mine);
    ASSERT_EQ(washed.size(), light.size());
    int lighter = 0;
    for (int x = 0; x < light.width(); x += 7)
        if (qGray(washed.pixel(x, 8)) > qGray(light.pixel(x, 8)))
            ++lighter;
    EXPECT_GT(lighter, light.width() / 7 / 2);
}

// ---- rulers ----

TEST(CRulerViewTest, AnOfferedAccessoryStaysHiddenAndTakesNoRoom)
{
    CRulerView ruler;
    QObject inspector;
    ruler.setObjectInfo(&inspector);
    const double thickness = ruler.requiredThickness();
    ruler.setReservedThicknessForAccessoryView(30.0);
    EXPECT_FLOAT_EQ(ruler.reservedHeight(), 30.0f);
    EXPECT_EQ(ruler.reservedThicknessForAccessoryView(), 0.0);
    auto *accessory = new QLabel(QStringLiteral("Tabs"));
    accessory->resize(200, 40);
    ruler.setAccessoryView(accessory);
    EXPECT_TRUE(accessory->isHidden());
    EXPECT_EQ(ruler.accessoryView(), accessory);
    EXPECT_EQ(ruler.requiredThickness(), thickness);
}

TEST(MyRulerViewTest, ARulerWithItsOwnControlPaintsWhiteBehindIt)
{
    MyRulerView ruler(RulerView::Horizontal);
    ruler.resize(300, 25);
    QPalette dark = ruler.palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    ruler.setPalette(dark);
    EXPECT_EQ(ruler.taggedControl(), nullptr);
    EXPECT_EQ(grabbed(&ruler).pixelColor(40, 20), QColor(30, 30, 30));
    auto *control = new QWidget(&ruler);
    control->setProperty("tag", 1);
    control->setGeometry(0, 0, 20, 20);
    EXPECT_EQ(ruler.taggedControl(), control);
    // The whole ruler lies on white, whatever the palette says.
    EXPECT_EQ(grabbed(&ruler).pixelColor(40, 20), QColor(Qt::white));
}

// ---- stepper ----

TEST(MyStepperTest, CommandStepsByTenOptionByATenthOptionWins)
{
    MyStepper stepper;
    stepper.resize(stepper.sizeHint());
    stepper.setAutorepeat(false);
    stepper.setMinValue(0.0);
    stepper.setMaxValue(1000.0);
    stepper.setIncrement(1.0);
    stepper.setDoubleValue(100.0);
    const QPoint up = stepper.upRect().center();
    const struct
    {
        Qt::KeyboardModifiers modifiers;
        double step;
    } clicks[] = {
        {Qt::ControlModifier, 10.0},
        {Qt::AltModifier, 0.1},
        {Qt::ControlModifier | Qt::AltModifier, 0.1},
        {Qt::NoModifier, 1.0},
    };
    for (const auto &click : clicks) {
        const double before = stepper.doubleValue();
        QTest::mouseClick(&stepper, Qt::LeftButton, click.modifiers, up);
        EXPECT_NEAR(stepper.doubleValue() - before, click.step, 1e-9) << int(click.modifiers);
        // The click's step stays in force; the base stays.
        EXPECT_NEAR(stepper.increment(), click.step, 1e-9);
        EXPECT_FLOAT_EQ(stepper.baseIncrement(), 1.0f);
    }
}

TEST(MyStepperTest, ANewBaseStepIsWhatTheModifiersMultiply)
{
    MyStepper stepper;
    stepper.resize(stepper.sizeHint());
    stepper.setAutorepeat(false);
    stepper.setMaxValue(100.0);
    stepper.setDoubleValue(10.0);
    stepper.setIncrement(0.5);
    QTest::mouseClick(&stepper, Qt::LeftButton, Qt::ControlModifier, stepper.upRect().center());
    EXPECT_DOUBLE_EQ(stepper.doubleValue(), 15.0);
    QTest::mouseClick(&stepper, Qt::LeftButton, Qt::AltModifier, stepper.downRect().center());
    EXPECT_DOUBLE_EQ(stepper.doubleValue(), 14.95);
}

// ---- dash-style pop-up ----

TEST(CPopUpItemCellTest, ItemZeroIsASolidDarkGreyLineOthersTheirRawPattern)
{
    CPopUpItemCell cell;
    cell.setPatterns({{}, {4, 2}, {9, 3, 1, 3}, {0, 0}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5, 5}});
    ASSERT_EQ(cell.count(), 5);
    EXPECT_TRUE(cell.itemText(1).isEmpty());
    EXPECT_TRUE(cell.dashLengths(0).isEmpty());
    EXPECT_EQ(cell.dashLengths(1), QList<qreal>({4, 2}));
    // No width scaling, at most ten values, nothing that adds up to no length.
    EXPECT_EQ(cell.dashLengths(4).size(), 10);
    EXPECT_TRUE(cell.dashLengths(3).isEmpty());
    EXPECT_TRUE(cell.dashLengths(9).isEmpty());

    QImage image(120, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        CPopUpItemCell::drawPatternLine(&painter, QRectF(0, 0, 120, 20), cell.dashLengths(0));
    }
    EXPECT_EQ(image.pixelColor(60, 10), QColor(85, 85, 85));
    EXPECT_EQ(image.pixelColor(60, 9), QColor(85, 85, 85));
    EXPECT_EQ(image.pixelColor(60, 12), QColor(Qt::white));

    const QPixmap picture = CPopUpItemCell::patternPicture({9, 3, 1, 3}, QSize(120, 20));
    QImage dashed = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage onWhite(dashed.size(), QImage::Format_ARGB32);
    onWhite.fill(Qt::white);
    QPainter(&onWhite).drawImage(0, 0, dashed);
    const QList<int> runs = runsAlong(onWhite, 10, 0, 48);
    EXPECT_EQ(runs.mid(0, 8), QList<int>({9, 3, 1, 3, 9, 3, 1, 3}));
}

TEST(CPopUpItemCellTest, TheFieldShowsTheChosenPatternAndNoTitle)
{
    CPopUpItemCell cell;
    cell.setPatterns({{}, {6, 6}});
    cell.resize(140, 24);
    cell.setCurrentIndex(0);
    const QImage solid = grabbed(&cell);
    cell.setCurrentIndex(1);
    const QImage dashed = grabbed(&cell);
    const int y = 12;
    int solidDark = 0, dashedDark = 0;
    for (int x = 20; x < 80; ++x) {
        solidDark += qGray(solid.pixel(x, y)) < 120 ? 1 : 0;
        dashedDark += qGray(dashed.pixel(x, y)) < 120 ? 1 : 0;
    }
    EXPECT_GE(solidDark, 58);
    EXPECT_NEAR(dashedDark, 30, 6);
}

// ---- tab view ----

TEST(MyTabViewTest, SwitchedOffItIgnoresClicksAndShowsAtHalfStrength)
{
    QWidget window;
    window.resize(300, 200);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto *tabs = new MyTabView(&window);
    tabs->setGeometry(0, 0, 300, 200);
    auto *first = new QWidget;
    first->setAutoFillBackground(true);
    QPalette black = first->palette();
    black.setColor(QPalette::Window, Qt::black);
    first->setPalette(black);
    tabs->addTab(first, QStringLiteral("One"));
    tabs->addTab(new QWidget, QStringLiteral("Two"));
    window.show();
    QApplication::processEvents();
    const QPoint pageSpot = first->mapTo(&window, first->rect().center());
    EXPECT_EQ(rendered(&window).pixelColor(pageSpot), QColor(Qt::black));

    tabs->setTabViewEnabled(false);
    EXPECT_FALSE(tabs->isTabViewEnabled());
    const QPoint second = tabs->tabBar()->mapTo(&window, tabs->tabBar()->tabRect(1).center());
    // The click goes where a pointer would deliver it: to the topmost widget at that spot.
    auto clickAt = [&window](const QPoint &spot) {
        QWidget *target = window.childAt(spot);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&window, spot));
    };
    clickAt(second);
    EXPECT_EQ(tabs->currentIndex(), 0);
    const QColor half = rendered(&window).pixelColor(pageSpot);
    EXPECT_NEAR(half.red(), 128, 3);

    tabs->setTabViewEnabled(true);
    EXPECT_EQ(rendered(&window).pixelColor(pageSpot), QColor(Qt::black));
    clickAt(second);
    EXPECT_EQ(tabs->currentIndex(), 1);
}

// ---- dimmed label ----

TEST(NSDisabledLabelTest, TextInTheControlColourOrTheDisabledOneNothingElse)
{
    NSDisabledLabel label(QStringLiteral("Width"));
    QPalette palette = label.palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 20, 30));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(10, 20, 30));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 150, 150));
    palette.setColor(QPalette::Window, QColor(200, 0, 0));
    label.setPalette(palette);
    label.setAutoFillBackground(false);
    label.setFrameShape(QFrame::Box);
    label.resize(80, 20);
    EXPECT_EQ(label.textColor(), QColor(10, 20, 30));
    label.setEnabled(false);
    EXPECT_EQ(label.textColor(), QColor(150, 150, 150));

    QImage image(80, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    bool grey = false, other = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 80; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == QColor(Qt::white))
                continue;
            // Only the text: no frame at the border, no background.
            if (x == 0 || y == 0)
                other = true;
            if (c.red() == c.green() && c.green() == c.blue())
                grey = true;
            else
                other = true;
        }
    }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(other);

    NSDisabledLabel empty;
    empty.resize(40, 20);
    QImage blank(40, 20, QImage::Format_ARGB32);
    blank.fill(Qt::white);
    empty.render(&blank, QPoint(), QRegion(), QWidget::DrawChildren);
    QImage white(40, 20, QImage::Format_ARGB32);
    white.fill(Qt::white);
    EXPECT_EQ(blank, white);
}

// ---- coloured button ----

namespace {

QIcon solidIcon(const QColor &colour)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

} // namespace

TEST(BaseColoredButtonTest, SelectedWhilePressedOrOnWithoutMixedState)
{
    BaseColoredButton button;
    button.setCheckable(true);
    EXPECT_FALSE(button.isSelected());
    button.setChecked(true);
    EXPECT_TRUE(button.isSelected());
    button.setAllowsMixedState(true);
    EXPECT_FALSE(button.isSelected());
    button.setDown(true);
    EXPECT_TRUE(button.isSelected());
}

TEST(BaseColoredButtonTest, SelectedItShowsTheAlternateImageOrWashesItsOwn)
{
    BaseColoredButton button;
    button.resize(34, 29);
    button.setIcon(solidIcon(QColor(0, 0, 255)));
    button.setIconSize(QSize(24, 24));
    button.setCheckable(true);
    const QPoint corner(1, 1);
    const QPoint middle(17, 14);

    const QImage plain = grabbed(&button);
    EXPECT_EQ(plain.pixelColor(middle), QColor(0, 0, 255));
    button.setChecked(true);
    // No alternate image: the grey wash, then the normal image over it.
    const QImage selected = grabbed(&button);
    EXPECT_EQ(selected.pixelColor(middle), QColor(0, 0, 255));
    EXPECT_NE(selected.pixelColor(corner), plain.pixelColor(corner));
    button.setAlternateIcon(solidIcon(QColor(0, 255, 0)));
    EXPECT_EQ(grabbed(&button).pixelColor(middle), QColor(0, 255, 0));
    button.setChecked(false);
    button.setEnabled(false);
    const QColor washed = grabbed(&button).pixelColor(middle);
    // Blue under grey 0.6 at half strength.
    EXPECT_NEAR(washed.red(), 77, 2);
    EXPECT_NEAR(washed.blue(), 204, 2);
}

// ---- framed views ----

TEST(FramedViewsTest, BorderViewFramesItsBoundsInBlack)
{
    BorderView view;
    view.resize(50, 30);
    QImage image(50, 30, QImage::Format_ARGB32);
    image.fill(Qt::white);
    view.render(&image);
    EXPECT_EQ(image.pixelColor(0, 15), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(49, 15), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(25, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(25, 29), QColor(Qt::black));
    EXPECT_NE(image.pixelColor(25, 15), QColor(Qt::black));
}

TEST(FramedViewsTest, TheWebViewFramesItsPageInsetAndStaysLocal)
{
    myWebView view;
    view.resize(400, 300);
    const QRectF frame = view.frameRect();
    const QRect page = view.viewport()->rect();
    EXPECT_DOUBLE_EQ(frame.left(), page.left() + 50.5);
    EXPECT_DOUBLE_EQ(frame.top(), page.top() + 25.5);
    EXPECT_DOUBLE_EQ(frame.right(), page.right() + 1 - 50.5);
    const QImage image = view.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(50, 150), QColor(Qt::gray));
    EXPECT_FALSE(view.loadResource(QTextDocument::ImageResource, QUrl("https://example.com/a.png")).isValid());
}
