// The About panel as the user meets it from Help > About Quillmark...: what it shows, the three
// ways it goes away (a click outside the link, a key, a quarter of a minute without input,
// counted on an injected clock) and the link that leaves it up; the Help menu's other items.
#include <gtest/gtest.h>

#include <QTimer>

#include "app/AppTestSupport.h"
#include "app/HelpMenu.h"
#include "canvas/AboutPanel.h"
#include "canvas/LinkTextView.h"
#include "canvas/VersionTextField.h"
#include "platform/Workspace.h"

using namespace quillmark;

namespace {

// Records the addresses handed to the desktop instead of opening them.
struct OpenedUrls
{
    OpenedUrls()
    {
        previous = Workspace::setOpener([this](const QUrl &url) {
            urls.append(url);
            return true;
        });
    }
    ~OpenedUrls() { Workspace::setOpener(previous); }
    QList<QUrl> urls;
    Workspace::Opener previous;
};

// A clock that moves one second each time the panel looks at it, with waits of a millisecond.
struct VirtualClock
{
    VirtualClock()
    {
        AboutPanel::setClock({[this] { return now += 1000; }, 1});
    }
    ~VirtualClock() { AboutPanel::setClock({}); }
    qint64 now = 0;
};

AboutPanel *panelOf(const apptest::WindowFixture &f)
{
    return f.window->findChild<AboutPanel *>();
}

// Triggers the About item; `whileUp` runs once the panel is up (it must put it away or let
// the clock do it). Returns after the panel has gone.
void runAbout(apptest::WindowFixture &f, std::function<void(AboutPanel *)> whileUp)
{
    QAction *about = f.menuItem(QStringLiteral("Help"), QStringLiteral("About Quillmark..."));
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(about->isEnabled());
    QTimer::singleShot(0, f.window.get(), [&f, whileUp] {
        AboutPanel *panel = panelOf(f);
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(panel->isVisible());
        ASSERT_TRUE(panel->isRunning());
        if (whileUp)
            whileUp(panel);
    });
    about->trigger();
}

} // namespace

TEST(AboutPanel, ShowsVersionLineAndLinkWhereClicksGoToIt)
{
    EXPECT_EQ(VersionTextField::versionLine(QStringLiteral("1.0.0")), QStringLiteral("version 1.0.0"));
    EXPECT_EQ(VersionTextField::versionLine(QString()), QStringLiteral("version last"));
    EXPECT_EQ(LinkTextView::displayText(QStringLiteral("https://www.brenholt.com/quillmark/")),
              QStringLiteral("www.brenholt.com/quillmark/"));
    EXPECT_EQ(LinkTextView::displayText(QStringLiteral("plain words")), QStringLiteral("plain words"));

    LinkTextView broken;
    broken.createLink(QStringLiteral("not an address"));
    EXPECT_FALSE(broken.isLink());
    EXPECT_EQ(broken.text(), QStringLiteral("not an address"));
    EXPECT_EQ(broken.textFormat(), Qt::PlainText);

    apptest::WindowFixture f(QStringLiteral("about-contents"));
    VirtualClock clock;
    runAbout(f, [](AboutPanel *panel) {
        EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(panel->versionField()->text(), QStringLiteral("version ") + QStringLiteral(QM_VERSION));
        EXPECT_TRUE(panel->link()->isLink());
        EXPECT_TRUE(panel->link()->text().contains(QStringLiteral(">www.brenholt.com/quillmark/<")));
        EXPECT_EQ(panel->link()->cursor().shape(), Qt::PointingHandCursor);
        // The link lies where clicks are passed to it: 92, 87 from the bottom-left, 221 by 20.
        EXPECT_EQ(panel->link()->geometry(), QRect(92, AboutPanel::Height - 107, 221, 20));
        EXPECT_EQ(panel->link()->geometry(), AboutPanel::linkArea());
        // The product's picture is drawn on the panel.
        const QImage shown = panel->grab().toImage();
        EXPECT_NE(shown.pixelColor(AboutPanel::Width / 2, 80), shown.pixelColor(30, 80));
    });
    EXPECT_FALSE(panelOf(f)->isVisible());
}

TEST(AboutPanel, GoesAwayOnClickOutsideTheLinkAndStaysForTheLink)
{
    apptest::WindowFixture f(QStringLiteral("about-clicks"));
    OpenedUrls opened;
    VirtualClock clock;
    bool stayedForLink = false;
    runAbout(f, [&](AboutPanel *panel) {
        // A click on the link opens the home page and leaves the panel up.
        QTest::mouseClick(panel->link(), Qt::LeftButton, {}, panel->link()->rect().center());
        stayedForLink = panel->isRunning() && panel->isVisible();
        ASSERT_TRUE(stayedForLink);
        // A click beside it, still on the panel, puts it away at once.
        QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(40, 40));
        EXPECT_FALSE(panel->isRunning());
    });
    EXPECT_TRUE(stayedForLink);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls.first(), QUrl(QStringLiteral("https://www.brenholt.com/quillmark/")));
    EXPECT_FALSE(panelOf(f)->isVisible());
    // A click on the main window while the panel is up puts it away and reaches nothing there.
    struct PressCounter : QObject
    {
        int presses = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            presses += event->type() == QEvent::MouseButtonPress;
            return false;
        }
    } counter;
    f.canvas()->installEventFilter(&counter);
    runAbout(f, [&](AboutPanel *) { QTest::mouseClick(f.canvas(), Qt::LeftButton, {}, QPoint(5, 5)); });
    EXPECT_EQ(counter.presses, 0);
    EXPECT_FALSE(panelOf(f)->isVisible());
}

TEST(AboutPanel, AKeyPutsItAwayWithoutRunningTheKeysCommand)
{
    apptest::WindowFixture f(QStringLiteral("about-key"));
    VirtualClock clock;
    runAbout(f, [](AboutPanel *panel) { QTest::keyClick(panel, Qt::Key_Q, Qt::ControlModifier); });
    EXPECT_FALSE(panelOf(f)->isVisible());
    apptest::settle();
    EXPECT_EQ(f.quits, 0);
    EXPECT_TRUE(f.window->isVisible());
}

TEST(AboutPanel, TimesOutFifteenSecondsAfterTheFirstQuietSecond)
{
    apptest::WindowFixture f(QStringLiteral("about-timeout"));
    VirtualClock clock;
    qint64 lastSeenOpen = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (panelOf(f) && panelOf(f)->isRunning())
            lastSeenOpen = clock.now;
    });
    watch.start(0);
    runAbout(f, {});
    watch.stop();
    // Quiet seconds at 1 s (the count starts), 2 s .. 16 s (not yet more than 15 s), 17 s.
    EXPECT_EQ(clock.now, 17000);
    EXPECT_GE(lastSeenOpen, 16000);
    EXPECT_FALSE(panelOf(f)->isVisible());
}

TEST(HelpMenu, ItemsNameTheProductInEveryLanguage)
{
    struct Row
    {
        const char *translated;
        bool ellipsis;
        const char *title;
    };
    const Row rows[] = {
        {"About Quillmark", true, "About Quillmark..."},
        {"About NewApplication", true, "About Quillmark..."},
        {"Hide NewApplication", false, "Hide Quillmark"},
        {"Acerca de Quillmark", true, "Acerca de Quillmark..."},
        {"Quillmark Help", false, "Quillmark Help"},
        {"About Quillmark...", true, "About Quillmark..."},
    };
    for (const Row &row : rows)
        EXPECT_EQ(HelpMenu::productItemTitle(QString::fromUtf8(row.translated), row.ellipsis),
                  QString::fromUtf8(row.title))
            << row.translated;

    apptest::WindowFixture f(QStringLiteral("help-german"), QStringLiteral("de"));
    EXPECT_NE(f.menuItem(QStringLiteral("Hilfe"), QStringLiteral("Über Quillmark...")), nullptr);
    EXPECT_NE(f.menuItem(QStringLiteral("Hilfe"), QStringLiteral("Quillmark-Hilfe")), nullptr);
}

TEST(HelpMenu, OpensTheShippedHelpPageAndTheProductsPages)
{
    apptest::WindowFixture f(QStringLiteral("help-pages"));
    OpenedUrls opened;
    f.menuItem(QStringLiteral("Help"), QStringLiteral("Quillmark Help"))->trigger();
    f.menuItem(QStringLiteral("Help"), QStringLiteral("Quillmark Web Site"))->trigger();
    f.menuItem(QStringLiteral("Help"), QStringLiteral("Quillmark Support"))->trigger();
    ASSERT_EQ(opened.urls.size(), 3);
    ASSERT_TRUE(opened.urls[0].isLocalFile());
    EXPECT_TRUE(opened.urls[0].toLocalFile().endsWith(QStringLiteral("/main.html")));
    QFile page(opened.urls[0].toLocalFile());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("<title>Quillmark Help</title>"));
    EXPECT_EQ(opened.urls[1].toString(), QStringLiteral("https://www.brenholt.com/quillmark/"));
    // The support page's address carries its own query; the version goes after it.
    EXPECT_EQ(opened.urls[2].toString(),
              QStringLiteral("https://www.brenholt.com/support/?product=quillmark&ver=") + QStringLiteral(QM_VERSION));
}
