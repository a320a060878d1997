// The window on the screens many users have: a 1366 x 768 laptop and a 1024 x 768 screen, each
// with a 32-pixel desktop panel. The window fits the free area and every control the user
// needs lies inside it, whole, in each language; with no barcode selected the canvas has all
// the height the window leaves it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDockWidget>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "barcodes/BarcodeDrawer.h"
#include "database/window/DatabaseModeSwitch.h"
#include "foundation/SegmentedControl.h"
#include "foundation/ZoomButton.h"
#include "platform/ScreenArea.h"

using namespace quillmark;

namespace {

constexpr int PanelHeight = 32;

// The screen's free area given to the window while the fixture lives.
class ScreenOf
{
public:
    explicit ScreenOf(const QSize &screen)
        : m_area(0, PanelHeight, screen.width(), screen.height() - PanelHeight)
    {
        m_previous = ScreenArea::setOverride([area = m_area](const QWidget *) { return area; });
    }
    ~ScreenOf() { ScreenArea::setOverride(m_previous); }
    QRect area() const { return m_area; }

private:
    QRect m_area;
    std::function<QRect(const QWidget *)> m_previous;
};

// The place of a widget in the window.
QRect inWindow(const QWidget *widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

std::string describe(const QWidget *widget)
{
    QString text;
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text().isEmpty() ? button->toolTip() : button->text();
    return (widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName() + QStringLiteral(" \"") + text
            + QStringLiteral("\"")).toStdString();
}

void expectInside(const QWidget *widget, const QRect &window, const std::string &when)
{
    ASSERT_NE(widget, nullptr) << when;
    EXPECT_TRUE(widget->isVisible()) << when << ": " << describe(widget);
    EXPECT_TRUE(window.contains(inWindow(widget))) << when << ": " << describe(widget) << " at "
                                                   << inWindow(widget).x() << "," << inWindow(widget).y() << " "
                                                   << widget->width() << "x" << widget->height();
}

void checkWindowOn(const QSize &screenSize, const QString &language)
{
    const std::string when = std::to_string(screenSize.width()) + "x" + std::to_string(screenSize.height()) + " "
        + language.toStdString();
    ScreenOf screen(screenSize);
    apptest::WindowFixture f(QStringLiteral("small-screen"), language);
    MainWindow *window = f.window.get();
    apptest::settle();

    // The window fits the free area, its least size too.
    EXPECT_TRUE(screen.area().contains(window->frameGeometry())) << when;
    EXPECT_LE(window->minimumWidth(), screen.area().width()) << when;
    EXPECT_LE(window->minimumHeight(), screen.area().height()) << when;
    const QRect all = window->rect();

    // Every control of the tool bar shows in the bar itself, none in its overflow menu.
    auto *bar = window->findChild<QToolBar *>(QStringLiteral("Tools"));
    ASSERT_NE(bar, nullptr);
    for (QAction *item : bar->actions()) {
        if (item->isSeparator() || !item->isVisible())
            continue;
        QWidget *control = bar->widgetForAction(item);
        ASSERT_NE(control, nullptr) << when << ": " << item->toolTip().toStdString();
        expectInside(control, all, when);
    }
    for (QToolButton *extension : bar->findChildren<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        EXPECT_FALSE(extension->isVisible()) << when << ": tool bar items hidden behind its overflow button";
    expectInside(window->modeSwitch()->labelModeSwitch(), all, when);
    expectInside(window->zoomButton(), all, when);
    expectInside(window->measureButton(), all, when);

    // The stock browser, its description line and the panels beside the canvas.
    expectInside(window->catalogueView(), all, when);
    expectInside(window->searchField(), all, when);
    expectInside(window->labelInfo(), all, when);
    for (const char *name : {"ObjectInformationDock", "ImagesDock"})
        expectInside(window->findChild<QDockWidget *>(QLatin1String(name)), all, when);

    // The row above the canvas: each control whole, none over another.
    const QList<QWidget *> row = {window->sideControl(), window->drawByTypeBox(), window->landscapeBox()};
    for (int i = 0; i < row.size(); ++i) {
        expectInside(row[i], all, when);
        EXPECT_GE(row[i]->width(), row[i]->minimumSizeHint().width()) << when << ": " << describe(row[i]);
        for (int j = i + 1; j < row.size(); ++j)
            EXPECT_FALSE(inWindow(row[i]).intersects(inWindow(row[j])))
                << when << ": " << describe(row[i]) << " and " << describe(row[j]);
    }
    SegmentedControl *sides = window->sideControl();
    for (int i = 0; i + 1 < sides->segmentCount(); ++i)
        EXPECT_LE(sides->segmentButton(i)->geometry().right(), sides->segmentButton(i + 1)->geometry().left())
            << when << ": the Front and Back segments overlap";

    // No barcode selected: the drawer is closed and the canvas's scroll view reaches from just
    // under the row to the bottom of the canvas area.
    QScrollArea *scroll = window->scrollArea();
    QWidget *area = scroll->parentWidget();
    EXPECT_FALSE(window->barcodeDrawer()->isVisible()) << when;
    EXPECT_EQ(scroll->geometry().bottom(), area->rect().bottom()) << when;
    int rowBottom = 0;
    for (QWidget *control : row)
        rowBottom = std::max(rowBottom, control->mapTo(area, QPoint(0, control->height())).y());
    EXPECT_LE(scroll->y() - rowBottom, area->layout()->spacing() + 14) << when;
    expectInside(scroll, all, when);
}

class SmallScreen : public ::testing::TestWithParam<QSize>
{
};

} // namespace

TEST_P(SmallScreen, TheWindowFitsAndEveryControlLiesInsideItInEachLanguage)
{
    for (const char *language : {"en", "de", "ru", "es", "zh"})
        checkWindowOn(GetParam(), QLatin1String(language));
}

INSTANTIATE_TEST_SUITE_P(CommonScreens, SmallScreen, ::testing::Values(QSize(1024, 768), QSize(1366, 768)),
                         [](const ::testing::TestParamInfo<QSize> &info) {
                             return "Screen" + std::to_string(info.param.width()) + "x"
                                 + std::to_string(info.param.height());
                         });

TEST(LargeScreen, TheWindowKeepsItsUsualLeastSizeWhereTheScreenHasRoom)
{
    ScreenOf screen(QSize(1920, 1080));
    apptest::WindowFixture f(QStringLiteral("large-screen"));
    EXPECT_EQ(f.window->minimumSize(), QSize(1220, 740));
    EXPECT_EQ(f.window->size(), QSize(1220, 800));
}

TEST(SmallScreenFrame, AFrameSavedOnALargerScreenComesInsideTheSmallerOne)
{
    ScreenOf screen(QSize(1024, 768));
    qmtest::ScopedTestPrompts prompts;
    UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("saved-frame")) + QStringLiteral("/d.ini"));
    UserDefaults::standard().setString(QStringLiteral("{{600, 300}, {1300, 880}}"),
                                       RectsView::windowFrameKey(QStringLiteral("Quillmark")));
    Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    Language::initialize();
    registerAllKinds();
    {
        MainWindow window;
        window.show();
        apptest::settle();
        EXPECT_TRUE(screen.area().contains(window.frameGeometry()))
            << window.x() << "," << window.y() << " " << window.width() << "x" << window.height();
    }
    Language::reset();
}
