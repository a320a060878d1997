// Save As offers the file type as a choice of its panel (design, PDF, EPS, TIFF), one
// filter each, and writes the type chosen there.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>

#include "app/AppTestSupport.h"

using namespace quillmark;

namespace {

TEST(SaveAs, WritesTheTypeChosenInThePanel)
{
    apptest::WindowFixture f(QStringLiteral("save-as"));
    f.drawRect(QRectF(20, 20, 60, 30));
    const QString dir = qmtest::freshDir(QStringLiteral("save-as-files"));
    QAction *saveAs = f.menuItem(QStringLiteral("File"), QStringLiteral("Save As..."));
    ASSERT_NE(saveAs, nullptr);

    // EPS, the name typed without an extension.
    f.prompts->queueSaveOfType(dir + QStringLiteral("/Sheet"), 2);
    saveAs->trigger();
    apptest::settle();
    ASSERT_EQ(f.prompts->count(qmtest::TestPrompts::SaveFileOfType), 1);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::SaveFile), 0);
    EXPECT_EQ(f.prompts->last().types.size(), 4);
    QFile eps(dir + QStringLiteral("/Sheet.ps"));
    ASSERT_TRUE(eps.open(QIODevice::ReadOnly));
    EXPECT_TRUE(eps.read(64).startsWith("%!PS-Adobe")) << "an EPS file";
    EXPECT_FALSE(f.canvas()->isChanged());
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("Quillmark::Untitled"));

    // TIFF: the sheet as an image.
    f.prompts->queueSaveOfType(dir + QStringLiteral("/Sheet.tif"), 3);
    saveAs->trigger();
    apptest::settle();
    QImageReader tiff(dir + QStringLiteral("/Sheet.tif"));
    EXPECT_EQ(tiff.format(), QByteArray("tiff"));
    EXPECT_FALSE(tiff.read().isNull());

    // The design itself: the document gets the path.
    f.prompts->queueSaveOfType(dir + QStringLiteral("/Design"), 0);
    saveAs->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getFilePath(), dir + QStringLiteral("/Design.qkdoc"));
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("Quillmark::Design.qkdoc"));
}

TEST(Save, AFirstSaveThatFailsLeavesTheDesignUntitledAndTheNextSaveAsksAgain)
{
    apptest::WindowFixture f(QStringLiteral("save-fails"));
    f.drawRect(QRectF(20, 20, 60, 30));
    const QString dir = qmtest::freshDir(QStringLiteral("save-fails-files"));
    QAction *save = f.menuItem(QStringLiteral("File"), QStringLiteral("Save"));
    ASSERT_NE(save, nullptr);

    // A folder that is not there: the write fails and is said.
    f.prompts->queuePath(dir + QStringLiteral("/gone/Design"));
    f.prompts->queueAlert(0);
    save->trigger();
    apptest::settle();
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::SaveFile), 1);
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_TRUE(f.canvas()->getFilePath().isEmpty()) << "a design never written keeps no path";
    EXPECT_EQ(f.window->windowTitle(), QStringLiteral("Quillmark::Untitled"));
    EXPECT_TRUE(f.canvas()->isChanged());

    // So the next Save asks where again instead of failing at the same place unasked.
    f.prompts->queuePath(dir + QStringLiteral("/Design"));
    save->trigger();
    apptest::settle();
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::SaveFile), 2);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/Design.qkdoc")));
    EXPECT_EQ(f.canvas()->getFilePath(), dir + QStringLiteral("/Design.qkdoc"));
    EXPECT_FALSE(f.canvas()->isChanged());
}

} // namespace
