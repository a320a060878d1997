// What a first-time user meets walking through the whole window: each case repeats a step that
// once went wrong in the running program, the way the user took it.
#include <gtest/gtest.h>

#include <functional>

#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QStandardPaths>
#include <QToolButton>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>
#include <QTableView>
#include <QTreeView>

#include "app/AppTestSupport.h"
#include "app/HelpWindow.h"
#include "common/BrowserClicks.h"
#include "common/SheetDriver.h"
#include "database/store/Database.h"
#include "database/window/DatabaseModeSwitch.h"
#include "foundation/SegmentedControl.h"
#include "platform/Prompts.h"
#include "platform/Workspace.h"
#include "common/TestPrintPanels.h"
#include "images/ImageBrowserPanel.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

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
        listImageViewItem *tile = qmtest::firstImageTile(f.window.get());
        ASSERT_TRUE(tile);
        for (QEvent::Type type : report)
            qmtest::sendMouse(tile, type);
        apptest::settle();
        EXPECT_EQ(f.canvas()->getRects().size(), 1) << report.size() << " events";
        EXPECT_FALSE(tile->isSelected());

        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo);
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Add Image"));
        undo->trigger();
        apptest::settle();
        EXPECT_TRUE(f.canvas()->getRects().isEmpty()) << "one undo takes the whole double click back";

        qmtest::sendMouse(tile, QEvent::MouseButtonPress);
        qmtest::sendMouse(tile, QEvent::MouseButtonRelease);
        apptest::settle();
        EXPECT_EQ(f.canvas()->getRects().size(), 1) << "a later single click still adds the picture";
    }
}

// A custom stock just made is the one a new design starts on, whether or not a search text was
// typed before it was made, and whatever catalogue row was chosen before it.
TEST(NewcomerWalk, NewKeepsTheCustomStockJustMade)
{
    for (const QString &search : {QString(), QStringLiteral("5160")}) {
        apptest::WindowFixture f(QStringLiteral("walk-new-custom"));
        qmtest::ScopedTestPrintPanels panels;
        CustomDataSource *store = f.canvas()->customDataSource();
        while (store->count() > 0)
            store->deleteFormat(0);
        store->reloadData();

        // 5160 chosen in the catalogue, then the search text typed, then the Custom tab.
        QTreeView *catalogue = f.window->catalogueView();
        const QModelIndex row5160 = f.canvas()->dataSource()->modelIndexByName(QStringLiteral("5160"));
        ASSERT_TRUE(row5160.isValid());
        catalogue->expand(row5160.parent());
        catalogue->scrollTo(row5160);
        apptest::settle();
        QTest::mouseClick(catalogue->viewport(), Qt::LeftButton, {}, catalogue->visualRect(row5160).center());
        apptest::settle();
        ASSERT_EQ(f.canvas()->getLabel().name, QStringLiteral("5160"));
        f.window->searchField()->setFocus();
        QTest::keyClicks(f.window->searchField(), search);
        f.window->stockTabs()->setCurrentIndex(1);
        apptest::settle();

        panels->queueSheet([](QDialog &sheet) {
            qmtest::presentSheet(sheet);
            qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Tags"));
            qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("2"));
            qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("4"));
            qmtest::clickSheetButton(sheet, QStringLiteral("okButton"));
        });
        QAction *newLabel = nullptr;
        for (QAction *action : f.window->newFormatMenu()->actions())
            if (action->text() == QStringLiteral("New Custom Label..."))
                newLabel = action;
        ASSERT_TRUE(newLabel);
        newLabel->trigger();
        apptest::settle();
        ASSERT_EQ(f.canvas()->getLabel().name, QStringLiteral("Tags")) << search.toStdString();
        // A search text that would hide the new stock is cleared: the new row shows, chosen.
        EXPECT_TRUE(f.window->searchField()->text().isEmpty()) << search.toStdString();
        const QModelIndexList shown = f.window->customView()->selectionModel()->selectedRows();
        ASSERT_EQ(shown.size(), 1);
        EXPECT_EQ(shown.first().data().toString(), QStringLiteral("Tags"));

        // The search text cleared, then File > New on an unchanged design.
        f.window->searchField()->clear();
        apptest::settle();
        f.canvas()->wasChanged(false);
        QAction *fileNew = f.menuItem(QStringLiteral("File"), QStringLiteral("New"));
        ASSERT_TRUE(fileNew);
        fileNew->trigger();
        apptest::settle();
        EXPECT_EQ(f.canvas()->getLabel().name, QStringLiteral("Tags")) << "search '" << search.toStdString() << "'";
        EXPECT_EQ(f.canvas()->getLabel().num_downlabel, 4);
    }
}

// The next pop-up menu that opens gets the item of that text chosen, or is closed when the text is
// empty, as the user's click or Escape would.
void answerNextMenu(const QString &item)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, item] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll->stop();
        poll->deleteLater();
        for (QAction *action : menu->actions()) {
            if (!item.isEmpty() && action->text() == item) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    poll->start();
}

// The field tool's button stays pressed from the field chosen in its menu until the click that
// places the field; a menu closed without a choice leaves the tool that was.
TEST(NewcomerWalk, TheFieldToolShowsItIsArmed)
{
    apptest::WindowFixture f(QStringLiteral("walk-field-tool"));
    // As at start-up: the sample databases, the first of them current, name the fields.
    f.window->finishLaunching();
    ASSERT_TRUE(Database::currentDatabase());
    QAction *fieldTool = f.tool(RectsView::FieldTool);
    QAction *selectTool = f.tool(RectsView::SelectTool);
    ASSERT_TRUE(fieldTool && selectTool);

    answerNextMenu(QString());
    fieldTool->trigger();
    apptest::settle();
    EXPECT_TRUE(selectTool->isChecked());
    EXPECT_EQ(f.canvas()->getCurrToolClass(), int(RectsView::SelectTool));

    answerNextMenu(QStringLiteral("Full Name"));
    fieldTool->trigger();
    apptest::settle();
    EXPECT_EQ(f.canvas()->getCurrToolClass(), int(RectsView::FieldTool));
    EXPECT_TRUE(fieldTool->isChecked()) << "the tool bar shows the tool the next click uses";
    EXPECT_FALSE(selectTool->isChecked());

    f.click(QPointF(60, 20));
    EXPECT_EQ(f.canvas()->getRects().size(), 2);
    EXPECT_TRUE(selectTool->isChecked());
    EXPECT_EQ(f.canvas()->getCurrToolClass(), int(RectsView::SelectTool));
    f.window.reset();
    QDir(Database::databasesFolder()).removeRecursively();
}

// Back from the database the browser shows the tab the user left it on, Images or Design.
TEST(NewcomerWalk, TheDatabaseAndBackKeepsTheBrowserTabInFront)
{
    apptest::WindowFixture f(QStringLiteral("walk-mode-tabs"));
    auto *images = f.window->findChild<QDockWidget *>(QStringLiteral("ImagesDock"));
    auto *design = f.window->findChild<QDockWidget *>(QStringLiteral("DesignDock"));
    ASSERT_TRUE(images && design);
    DatabaseModeSwitch *modes = f.window->modeSwitch();
    // Docks sharing tabs stay visible; the one behind lies outside the window.
    auto shows = [](QDockWidget *dock) { return !dock->visibleRegion().isEmpty(); };
    for (QDockWidget *front : {images, design}) {
        front->raise();
        apptest::settle();
        ASSERT_TRUE(shows(front));
        QTest::mouseClick(modes->labelModeSwitch()->segmentButton(DatabaseModeSwitch::DatabaseMode), Qt::LeftButton);
        apptest::settle();
        ASSERT_FALSE(images->isVisible());
        QTest::mouseClick(modes->databaseModeSwitch()->segmentButton(DatabaseModeSwitch::LabelDesign), Qt::LeftButton);
        apptest::settle();
        EXPECT_TRUE(shows(front)) << front->objectName().toStdString() << " is in front again";
        EXPECT_NE(shows(images), shows(design)) << "the two share one place";
    }
}

// Help and the product's pages open in another program. Where none can show them (no browser,
// no desktop launcher) the manual opens in the program's own help window, its contents links
// working there, and the web pages are named by their address; where a program takes them no
// window or message stands in the way.
TEST(NewcomerWalk, HelpOpensWithoutABrowser)
{
    apptest::WindowFixture f(QStringLiteral("walk-help"));
    // The manual's first heading, read from the shipped page itself.
    QFile page(qmtest::resourcesDir() + QStringLiteral("/help/main.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QRegularExpressionMatch heading =
        QRegularExpression(QStringLiteral("<h1[^>]*>([^<]+)</h1>")).match(QString::fromUtf8(page.readAll()));
    ASSERT_TRUE(heading.hasMatch());
    auto helpWindow = [&f] { return f.window->findChild<HelpWindow *>(); };
    for (const bool launcher : {true, false}) {
        QList<QUrl> asked;
        const Workspace::Opener previous = Workspace::setOpener([&asked, launcher](const QUrl &url) {
            asked << url;
            return launcher;
        });
        f.prompts->clear();
        for (const char *item : {"Quillmark Help", "Quillmark Web Site", "Quillmark Support"}) {
            QAction *action = f.menuItem(QStringLiteral("Help"), QString::fromLatin1(item));
            ASSERT_TRUE(action) << item;
            action->trigger();
            apptest::settle();
        }
        Workspace::setOpener(previous);
        ASSERT_EQ(asked.size(), 3);
        const QList<qmtest::TestPrompts::Call> &calls = f.prompts->calls();
        if (launcher) {
            EXPECT_TRUE(calls.isEmpty());
            EXPECT_TRUE(!helpWindow() || !helpWindow()->isVisible());
            continue;
        }
        HelpWindow *help = helpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_TRUE(help->isWindow());
        EXPECT_EQ(help->windowTitle(), QStringLiteral("Quillmark Help"));
        const QTextBlock first = help->browser()->document()->firstBlock();
        EXPECT_EQ(first.blockFormat().headingLevel(), 1);
        EXPECT_EQ(first.text(), heading.captured(1));
        ASSERT_EQ(calls.size(), 2) << "only the web pages are refused";
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(calls[i].kind, qmtest::TestPrompts::Alert);
            EXPECT_EQ(calls[i].title, QStringLiteral("The page could not be opened."));
            EXPECT_TRUE(calls[i].message.startsWith(QStringLiteral("No program to show it was found on this computer.")));
            EXPECT_TRUE(calls[i].message.endsWith(asked[i + 1].toString())) << calls[i].message.toStdString();
            EXPECT_EQ(calls[i].buttons, QStringList{QStringLiteral("OK")});
        }

        // A click on a contents link brings its section to the top of the window.
        QTextBrowser *browser = help->browser();
        browser->resize(500, 300);
        apptest::settle();
        ASSERT_EQ(browser->verticalScrollBar()->value(), 0);
        QTextCursor link = browser->document()->find(QStringLiteral("Keys"));
        ASSERT_FALSE(link.isNull());
        ASSERT_TRUE(link.charFormat().isAnchor());
        const QRect at = browser->cursorRect(link);
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at.center() - QPoint(3, 0));
        apptest::settle();
        EXPECT_GT(browser->verticalScrollBar()->value(), 0);
        EXPECT_TRUE(browser->source().isLocalFile());
        EXPECT_TRUE(f.prompts->calls().size() == 2) << "the link stayed in the window";
    }
}

// The next file panel that opens is handed to `answer`.
void answerNextFileDialog(std::function<void(QFileDialog *)> answer)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        answer(dialog);
    });
    poll->start();
}

// The real file panels open in the documents folder (home without one), never in the program's
// working folder, and then where the user chose a file last: Open finds the design just saved.
TEST(NewcomerWalk, FilePanelsOpenWhereTheUserChoseLast)
{
    apptest::WindowFixture f(QStringLiteral("walk-panels"));
    std::unique_ptr<Prompts> testPrompts = Prompts::install(std::make_unique<QtPrompts>());
    const QString folder = QDir(qmtest::freshDir(QStringLiteral("walk-panels-designs"))).absolutePath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString firstExpected = QFileInfo(documents).isDir() ? QDir(documents).absolutePath() : QDir::homePath();

    f.drawRect(QRectF(20, 20, 60, 40));
    QString firstStart;
    answerNextFileDialog([&](QFileDialog *dialog) {
        firstStart = dialog->directory().absolutePath();
        // The name typed into the panel's name field, then Return.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        name->setText(folder + QStringLiteral("/Walk.qkdoc"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
    apptest::settle();
    EXPECT_EQ(firstStart, firstExpected);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Walk.qkdoc")));

    QString secondStart;
    answerNextFileDialog([&](QFileDialog *dialog) {
        secondStart = dialog->directory().absolutePath();
        dialog->reject();
    });
    f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    apptest::settle();
    EXPECT_EQ(secondStart, folder);
    Prompts::install(std::move(testPrompts));
}

} // namespace
