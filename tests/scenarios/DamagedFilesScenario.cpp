// Opening what cannot be opened: a damaged design, one that is no design at all, and one that
// was deleted since it was last opened. Each gives one clear alert; the design on the canvas
// stays as it was, saved and unchanged.
#include <QFile>

#include "Readers.h"
#include "Scenario.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"

using namespace quillmark;

namespace scenario {
namespace {

class DamagedFiles : public Scenario
{
protected:
    void SetUp() override
    {
        Scenario::SetUp();
        launch();
        pickTool({"Oval Object", "Oval"});
        dragCanvas({10, 10}, {60, 50});
        pickTool({"Enter Text", "Text"});
        clickCanvas({80, 10});
        typeText(QStringLiteral("Mine"));
        pressKey(Qt::Key_Escape);
        mine = userFile(QStringLiteral("Mine.qkdoc"));
        prompts().queueSave(mine);
        choose(QStringLiteral("File/Save"));
        saved = plistXml(mine);
        ASSERT_FALSE(saved.isEmpty());
    }

    // Opens `path` as the user does; one alert that says the design could not be opened.
    void openFails(const std::function<void()> &open)
    {
        prompts().clear();
        open();
        ASSERT_EQ(prompts().count(qmtest::TestPrompts::Alert), 1);
        const qmtest::TestPrompts::Call &alert = prompts().last();
        EXPECT_EQ(alert.title, QStringLiteral("Open Document:"));
        // The message names the file and says why.
        EXPECT_TRUE(alert.message.contains(QStringLiteral(".qkdoc”"))) << alert.message.toStdString();
        EXPECT_TRUE(alert.message.contains(QStringLiteral("not a Quillmark design")) || alert.message.contains(QStringLiteral("is damaged"))
                    || alert.message.contains(QStringLiteral("could not be read")) || alert.message.contains(QStringLiteral("more than the")))
            << alert.message.toStdString();
        expectUntouched();
    }

    // The design is still the saved one: its title, no unsaved change, the same file when saved
    // again under another name.
    void expectUntouched()
    {
        EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::Mine.qkdoc"));
        EXPECT_FALSE(menuItem(QStringLiteral("File/Save"))->isEnabled()) << "the failed open changed the design";
        EXPECT_EQ(canvas()->getRects().size(), 2);
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = userFile(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QString mine;
    QString saved;
};

TEST_F(DamagedFiles, ADesignCutShortAndOneThatIsNoDesign)
{
    QFile original(mine);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    const QString cut = write(QStringLiteral("Cut short.qkdoc"), bytes.left(bytes.size() / 2));
    openFails([&] {
        prompts().queuePath(cut);
        choose(QStringLiteral("File/Open..."));
    });
    // Cut short, it is a design still, damaged.
    EXPECT_TRUE(prompts().last().message.contains(QStringLiteral("is damaged"))) << prompts().last().message.toStdString();
    const QString text = write(QStringLiteral("Letter.qkdoc"), "Dear Ms D'Arcy,\nthis is no design.\n");
    openFails([&] {
        prompts().queuePath(text);
        choose(QStringLiteral("File/Open..."));
    });
    // A property list of another shape: the objects are no list.
    const QString odd = write(QStringLiteral("Odd.qkdoc"),
                              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                         "<key>ObjectsList</key><string>none</string></dict></plist>\n"));
    openFails([&] {
        prompts().queuePath(odd);
        choose(QStringLiteral("File/Open..."));
    });

    const QString check = userFile(QStringLiteral("Check.qkdoc"));
    prompts().queueSave(check);
    choose(QStringLiteral("File/Save As..."));
    EXPECT_EQ(plistXml(check), saved);
}

TEST_F(DamagedFiles, ARecentDesignDeletedSince)
{
    // Another design, opened once so that it is in the recent list, then deleted.
    const QString other = userFile(QStringLiteral("Other.qkdoc"));
    ASSERT_TRUE(QFile::copy(mine, other));
    prompts().queuePath(other);
    choose(QStringLiteral("File/Open..."));
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::Other.qkdoc"));
    choose(QStringLiteral("File/Open Recent/Mine.qkdoc"));
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::Mine.qkdoc"));
    ASSERT_TRUE(QFile::remove(other));

    openFails([&] { choose(QStringLiteral("File/Open Recent/Other.qkdoc")); });
}

TEST_F(DamagedFiles, AnObjectOfAbsurdSize)
{
    // The saved design with its oval made 1e308 points wide.
    QString xml = saved;
    const qsizetype at = xml.indexOf(QStringLiteral("<key>Bounds</key>"));
    ASSERT_GE(at, 0);
    const qsizetype start = xml.indexOf(QStringLiteral("<string>"), at) + 8;
    const qsizetype end = xml.indexOf(QStringLiteral("</string>"), start);
    xml.replace(start, end - start, QStringLiteral("{{10, 10}, {1e308, 40}}"));
    const QString huge = write(QStringLiteral("Huge.qkdoc"), xml.toUtf8());
    prompts().clear();
    prompts().queuePath(huge);
    choose(QStringLiteral("File/Open..."));
    // Either refused with the alert or opened with a bounded frame; the program goes on.
    if (prompts().count(qmtest::TestPrompts::Alert) == 1) {
        expectUntouched();
    } else {
        EXPECT_EQ(prompts().count(qmtest::TestPrompts::Alert), 0);
        EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::Huge.qkdoc"));
        clickCanvas({30, 30});
        pickTool({"Select Object", "Select"});
    }
}

} // namespace
} // namespace scenario
