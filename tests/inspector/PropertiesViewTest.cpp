// The side panel's accordion: page heights fitted to their controls, the stack of buttons and
// open pages, pages opening and closing independently, the remembered page, the images of
// the appearance.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include "common/TestSupport.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

QWidget *pageWithControls(const QList<QRect> &frames, int width = 205)
{
    auto *page = new QWidget;
    page->resize(width, 400);
    for (const QRect &frame : frames)
        (new QLabel(QStringLiteral("x"), page))->setGeometry(frame);
    return page;
}

class SidePanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("side-panel")) + QStringLiteral("/defaults.ini"));
    }
    // Four pages of 300, 150, 50 and 80 points and their four buttons.
    void build(PropertiesView &view)
    {
        QTabWidget tabs;
        const int heights[] = {300, 150, 50, 80};
        QList<PropertiesView::TabCell> cells;
        for (int i = 0; i < 4; ++i) {
            QWidget *page = pageWithControls({QRect(4, 0, 100, heights[i] - 16), QRect(4, 10, 100, 10)});
            page->setObjectName(QStringLiteral("Page%1").arg(i + 1));
            tabs.addTab(page, QStringLiteral("Page %1").arg(i + 1));
            cells.append({QStringLiteral("Page %1").arg(i + 1), QStringLiteral("InspectorGeometry")});
        }
        view.addSubviewsFrom(&tabs, cells);
        EXPECT_EQ(tabs.count(), 0);
    }
};

TEST_F(SidePanel, PageHeightsFitTheirControls)
{
    std::unique_ptr<QWidget> two(pageWithControls({QRect(4, 20, 50, 40), QRect(60, 80, 50, 40)}));
    PropertiesView::setViewSize(two.get());
    EXPECT_EQ(two->size(), QSize(205, 116));
    std::unique_ptr<QWidget> one(pageWithControls({QRect(4, 20, 50, 100)}));
    PropertiesView::setViewSize(one.get());
    EXPECT_EQ(one->height(), 100);
    // Controls above the page's top do not count, but they are still subviews.
    std::unique_ptr<QWidget> hidden(pageWithControls({QRect(4, -50, 50, 40), QRect(4, 20, 50, 100)}));
    PropertiesView::setViewSize(hidden.get());
    EXPECT_EQ(hidden->height(), 116);
    std::unique_ptr<QWidget> none(pageWithControls({}));
    PropertiesView::setViewSize(none.get());
    EXPECT_EQ(none->height(), 0);
}

TEST_F(SidePanel, TheFirstPageOpensWithoutARememberedOne)
{
    PropertiesView view;
    build(view);
    view.openProperties();
    EXPECT_EQ(view.tagOfSelectedButton(), 1);
    // Button 1, its page, buttons 2 to 4, ten points above and below.
    EXPECT_EQ(view.height(), 10 + 4 * 32 + 300 + 10);
    ASSERT_EQ(view.stack().size(), 5);
    EXPECT_EQ(view.stack().at(1), view.pageWithTag(1));
    EXPECT_EQ(view.stack().at(1)->pos(), QPoint(8, 42));
    EXPECT_EQ(view.stack().at(2)->pos(), QPoint(8, 342));
}

TEST_F(SidePanel, PagesOpenAndCloseIndependentlyAndTheLastClickIsRemembered)
{
    PropertiesView view;
    build(view);
    view.openProperties();
    const QList<PropertiesTabButton *> buttons = view.buttons();
    ASSERT_EQ(buttons.size(), 4);
    QTest::mouseClick(buttons[1], Qt::LeftButton);
    // Two open pages of 300 and 150 and four buttons.
    EXPECT_EQ(view.height(), 598);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("PropertiesType")), 2);
    QTest::mouseClick(buttons[0], Qt::LeftButton);
    EXPECT_FALSE(view.isButtonSelected(1));
    EXPECT_TRUE(view.isButtonSelected(2));
    EXPECT_EQ(view.tagOfSelectedButton(), 2);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("PropertiesType")), 1);
    EXPECT_EQ(view.height(), 10 + 4 * 32 + 150 + 10);
    // The menu's way: the tag toggles.
    view.openPropertiesByType(4);
    EXPECT_EQ(view.tagOfSelectedButton(), 4);
    view.openPropertiesByType(4);
    EXPECT_EQ(view.tagOfSelectedButton(), 2);

    // The next start opens the page clicked last (here 4, closed last).
    PropertiesView again;
    build(again);
    again.openProperties();
    EXPECT_EQ(again.tagOfSelectedButton(), 4);
}

TEST_F(SidePanel, ARememberedPageThatIsGoneOpensNothingAndTheFirstNextTime)
{
    UserDefaults::standard().setInteger(9, QStringLiteral("PropertiesType"));
    PropertiesView view;
    build(view);
    view.openProperties();
    EXPECT_EQ(view.tagOfSelectedButton(), 0);
    EXPECT_EQ(view.height(), 10 + 4 * 32 + 10);
    EXPECT_EQ(UserDefaults::standard().integerForKey(QStringLiteral("PropertiesType")), 0);
    PropertiesView again;
    build(again);
    again.openProperties();
    EXPECT_EQ(again.tagOfSelectedButton(), 1);
}

} // namespace
