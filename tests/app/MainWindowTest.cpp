#include <gtest/gtest.h>

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include "app/MainWindow.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"

using namespace quillmark;

namespace {

class MainWindowTest : public ::testing::Test
{
protected:
    void TearDown() override { Language::reset(); }
};

TEST_F(MainWindowTest, EnglishWindowShowsItsOwnTexts)
{
    Language::reset(qmtest::resourcesDir(), "en");
    MainWindow window;
    EXPECT_EQ(window.windowTitle(), "Quillmark::Untitled");
    EXPECT_EQ(window.fileMenu()->title(), "File");
    EXPECT_EQ(window.quitAction()->text(), "Quit");
    EXPECT_EQ(window.quitAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // A menu item in an English interface shows its own title as tool tip.
    EXPECT_EQ(window.quitAction()->toolTip(), "Quit");
}

TEST_F(MainWindowTest, TranslatesWhenTheLanguageIsLoadedAgainAfterLaunch)
{
    const QList<std::pair<QString, QStringList>> cases = {
        {"de", {"Quillmark::Ohne Titel", "Datei", "Beenden"}},
        {"zh", {"Quillmark::未命名", "文件", "退出"}},
    };
    for (const auto &[code, texts] : cases) {
        Language::reset(qmtest::resourcesDir(), code);
        Language::initialize();
        MainWindow window;
        Language::setLanguage(Language::language());
        EXPECT_EQ(window.windowTitle(), texts[0]) << code.toStdString();
        EXPECT_EQ(window.fileMenu()->title(), texts[1]) << code.toStdString();
        EXPECT_EQ(window.quitAction()->text(), texts[2]) << code.toStdString();
        EXPECT_EQ(window.quitAction()->toolTip(), "Quit");
    }
}

} // namespace
