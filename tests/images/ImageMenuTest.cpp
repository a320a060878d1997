// The Image menu of the main window, used as the user uses it: the items found by their
// titles, their enabling read when the menu opens, the panels answered through the test
// prompts.
#include "app/MainWindow.h"
#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "images/HostileFiles.h"
#include "objects/specImage.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

using namespace quillmark;

namespace {

class ImageMenuCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("image-menu"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        for (QAction *action : window->menuBar()->actions())
            if (action->menu() && action->text() == QStringLiteral("Image"))
                menu = action->menu();
        ASSERT_NE(menu, nullptr);
        folder = qmtest::freshDir(QStringLiteral("image-menu-%1").arg(++serial));
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    // The item of that title, its enabling as the menu shows it.
    QAction *item(const QString &title)
    {
        emit menu->aboutToShow();
        for (QAction *action : menu->actions())
            if (action->text() == title)
                return action;
        ADD_FAILURE() << "no item " << title.toStdString();
        return nullptr;
    }
    QString picture(const QString &name, const QColor &color, const QSize &size = QSize(40, 40))
    {
        const QString path = folder + '/' + name;
        EXPECT_TRUE(hostile::writeFile(path, hostile::pngBytes(size, color)));
        return path;
    }
    QString lastUndoName()
    {
        canvas->undoManager()->closeEventGroup();
        return canvas->undoManager()->undoActionName();
    }

    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
    QMenu *menu = nullptr;
    QString folder;
    static inline int serial = 0;
};

} // namespace

TEST_F(ImageMenuCommands, BackgroundIsSetReplacedAndClearedFromTheMenu)
{
    qmtest::ScopedTestPrompts prompts;
    EXPECT_FALSE(item(QStringLiteral("Clear Background Image"))->isEnabled());

    const QString green = picture(QStringLiteral("meadow.png"), Qt::green);
    prompts->queuePath(green);
    item(QStringLiteral("Select Background Image File..."))->trigger();
    EXPECT_EQ(prompts->last().kind, qmtest::TestPrompts::OpenFile);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Select Background Image File"));
    EXPECT_TRUE(prompts->last().extensions.contains(QStringLiteral("jp2")));
    ASSERT_EQ(canvas->getRects().size(), 1);
    const GraphicPtr background = canvas->getRects().first();
    EXPECT_TRUE(background->isBack());
    EXPECT_TRUE(background->isLocked());
    EXPECT_EQ(background->imagePath(), green);
    EXPECT_EQ(lastUndoName(), QStringLiteral("Change Background"));
    EXPECT_TRUE(canvas->isChanged());

    // The label shows the picture.
    const QRectF label(0, 0, canvas->getLabel().width * 72.0, canvas->getLabel().height * 72.0);
    QImage drawn(label.size().toSize(), QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        canvas->drawContents(&painter, label);
    }
    EXPECT_EQ(drawn.pixelColor(drawn.width() / 2, drawn.height() / 2), QColor(Qt::green));

    // A second choice replaces the picture of the same object.
    const QString red = picture(QStringLiteral("brick.png"), Qt::red);
    prompts->queuePath(red);
    item(QStringLiteral("Select Background Image File..."))->trigger();
    ASSERT_EQ(canvas->getRects().size(), 1);
    EXPECT_EQ(background->imagePath(), red);
    canvas->undoManager()->undo();
    EXPECT_EQ(background->imagePath(), green);

    // A cancelled panel changes nothing; a picture that does not read says why.
    prompts->queueCancel();
    item(QStringLiteral("Select Background Image File..."))->trigger();
    EXPECT_EQ(background->imagePath(), green);
    const QString words = folder + "/words.png";
    hostile::writeFile(words, "not a picture");
    prompts->queuePath(words);
    item(QStringLiteral("Select Background Image File..."))->trigger();
    EXPECT_EQ(background->imagePath(), green);
    EXPECT_EQ(prompts->last().kind, qmtest::TestPrompts::Alert);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The file is not an image that can be opened."));

    QAction *clear = item(QStringLiteral("Clear Background Image"));
    ASSERT_TRUE(clear->isEnabled());
    clear->trigger();
    EXPECT_TRUE(canvas->getRects().isEmpty());
    EXPECT_FALSE(item(QStringLiteral("Clear Background Image"))->isEnabled());
    canvas->undoManager()->closeEventGroup();
    canvas->undoManager()->undo();
    ASSERT_EQ(canvas->getRects().size(), 1);
    EXPECT_TRUE(canvas->getRects().first()->isBack());
}

TEST_F(ImageMenuCommands, ClearIsOffWhenTheFirstObjectOfThePageIsNoBackground)
{
    auto box = ColorRect::create(QRectF(10, 10, 30, 30));
    box->setPageName(canvas->getCurrPageName());
    canvas->addGraphic(box);
    ASSERT_EQ(canvas->backgroundForPage(), 0);
    EXPECT_FALSE(item(QStringLiteral("Clear Background Image"))->isEnabled());
}

TEST_F(ImageMenuCommands, SelectImageFilePlacesThePictureInsideTheLabelOrIntoTheSelection)
{
    qmtest::ScopedTestPrompts prompts;
    const QString blue = picture(QStringLiteral("sea.png"), Qt::blue, QSize(60, 30));
    prompts->queuePath(blue);
    item(QStringLiteral("Select Image File..."))->trigger();
    EXPECT_EQ(prompts->last().title, QStringLiteral("Select Image File"));
    ASSERT_EQ(canvas->getRects().size(), 1);
    const GraphicPtr made = canvas->getRects().first();
    EXPECT_EQ(made->imagePath(), blue);
    // Centred inside the label, never past its edge.
    const QRectF label(0, 0, canvas->getLabel().width * 72.0, canvas->getLabel().height * 72.0);
    EXPECT_TRUE(label.adjusted(-0.01, -0.01, 0.01, 0.01).contains(made->frameBounds()));
    EXPECT_NEAR(made->frameBounds().center().x(), label.center().x(), 0.01);
    EXPECT_NEAR(made->frameBounds().center().y(), label.center().y(), 0.01);
    EXPECT_EQ(lastUndoName(), QStringLiteral("Add Image"));

    const QString red = picture(QStringLiteral("sun.png"), Qt::red);
    canvas->selectRect(made);
    prompts->queuePath(red);
    item(QStringLiteral("Select Image File..."))->trigger();
    EXPECT_EQ(canvas->getRects().size(), 1);
    EXPECT_EQ(made->imagePath(), red);
    EXPECT_EQ(lastUndoName(), QStringLiteral("Change Image"));
}

TEST_F(ImageMenuCommands, PictureCommandsActOnTheSelectionWithTheirUndoNames)
{
    for (const QString &title : {QStringLiteral("Fit Image"), QStringLiteral("Reset Fit Image"),
                                 QStringLiteral("Scale with Box"), QStringLiteral("Make Monochrome Image")})
        EXPECT_FALSE(item(title)->isEnabled()) << title.toStdString();

    auto box = ColorRect::create(QRectF(0, 0, 80, 80));
    box->setPageName(canvas->getCurrPageName());
    box->setObjectLayer(canvas->currentLayer());
    canvas->addGraphic(box);
    ASSERT_TRUE(box->setImageFromPath(picture(QStringLiteral("leaf.png"), Qt::green, QSize(40, 20))));
    canvas->selectRect(box);
    canvas->undoManager()->removeAllActions();

    QAction *scale = item(QStringLiteral("Scale with Box"));
    ASSERT_TRUE(scale->isEnabled());
    const bool scaled = box->isScaleWithBox();
    EXPECT_EQ(scale->isChecked(), scaled);
    scale->trigger();
    EXPECT_NE(box->isScaleWithBox(), scaled);
    EXPECT_EQ(item(QStringLiteral("Scale with Box"))->isChecked(), !scaled);
    EXPECT_EQ(lastUndoName(), QStringLiteral("Undo Scale with Box"));

    box->setXImageScale(40.0f);
    item(QStringLiteral("Fit Image"))->trigger();
    EXPECT_EQ(lastUndoName(), QStringLiteral("Fit Image"));
    EXPECT_NEAR(box->getXImageScale(), box->frameBounds().width() * 100.0 / box->image()->drawingSize().width(), 0.01);

    item(QStringLiteral("Reset Fit Image"))->trigger();
    EXPECT_EQ(lastUndoName(), QStringLiteral("Reset Fit Image"));

    item(QStringLiteral("Make Monochrome Image"))->trigger();
    EXPECT_EQ(lastUndoName(), QStringLiteral("Make Monohrome Image"));
    EXPECT_TRUE(box->image()->isMono());
    const QImage grey = box->getImage();
    const QRgb pixel = grey.pixel(grey.width() / 2, grey.height() / 2);
    EXPECT_EQ(qRed(pixel), qGreen(pixel));
    canvas->undoManager()->undo();
    EXPECT_FALSE(box->image()->isMono());
}

TEST_F(ImageMenuCommands, TheMenuSpeaksTheInterfaceLanguage)
{
    window.reset();
    Language::reset(qmtest::resourcesDir(), QStringLiteral("de"));
    Language::initialize();
    window = std::make_unique<MainWindow>();
    QStringList titles;
    for (QAction *action : window->menuBar()->actions())
        if (action->menu() && action->menu()->objectName() == QStringLiteral("ImageMenu"))
            for (QAction *entry : action->menu()->actions())
                titles << entry->text();
    EXPECT_TRUE(titles.contains(QStringLiteral("Hintergrundbild auswählen …")));
    EXPECT_TRUE(titles.contains(QStringLiteral("Hintergrundbild entfernen")));
}
