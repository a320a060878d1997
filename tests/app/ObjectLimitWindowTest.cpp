// At the most objects a design may hold, every command that would add objects is refused at
// the command, with the reason, and changes nothing. The commands are found, not listed: every
// item of the window's menus, tool bars and the canvas's context menu, followed by the gesture
// a tool waits for on the canvas, the first design template of every category and the first
// picture of the image browser are run on a design at the limit, and again with no limit, where
// those that add objects show themselves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QTimer>
#include <QDockWidget>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSet>
#include <QToolBar>

#include "AppTestSupport.h"
#include "canvas/AboutPanel.h"
#include "common/BrowserClicks.h"
#include "common/TestPrintPanels.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listImageViewItem.h"
#include "images/listTmplViewItem.h"
#include "objects/ColorOval.h"
#include "objects/Group.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

struct LimitGuard
{
    explicit LimitGuard(qsizetype limit) { RectsView::setMaximumObjectsForTesting(limit); }
    ~LimitGuard() { RectsView::setMaximumObjectsForTesting(0); }
};

// What a command may change of the design: its objects, their kinds and frames, and its groups.
QStringList designOf(RectsView *canvas)
{
    QStringList design;
    for (const GraphicPtr &graphic : canvas->getRects()) {
        const QRectF f = graphic->frameBounds();
        design.append(QStringLiteral("%1 %2 %3 %4 %5").arg(graphic->className()).arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height()));
    }
    design.append(QStringLiteral("groups %1").arg(canvas->groups().size()));
    return design;
}

// A command of the window and what running it is.
struct Command
{
    QString name;
    std::function<void()> run;
};

class ObjectLimitWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int run = 0;
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", qmtest::freshDir(QStringLiteral("object-limit-%1").arg(++run)).toUtf8());
        RectsView::setTemplateListLoaded(false);
        ScrollNSImageView::clearThumbnailCache();
        f = std::make_unique<apptest::WindowFixture>(QStringLiteral("object-limit"));
        dir = qmtest::freshDir(QStringLiteral("object-limit-files"));
        picture = dir + QStringLiteral("/Picture.png");
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        ASSERT_TRUE(image.save(picture));
        // Three objects, one of them grouped with another.
        GraphicList objects;
        for (const QRectF &frame : {QRectF(10, 8, 50, 20), QRectF(70, 8, 40, 30), QRectF(10, 40, 60, 20)}) {
            GraphicPtr object = frame.width() == 40 ? GraphicPtr(ColorOval::create(frame)) : ColorRect::create(frame);
            object->setPageName(f->canvas()->getCurrPageName());
            object->setObjectLayer(1);
            objects.append(object);
        }
        objects[0]->textStorage()->setPlainText(QStringLiteral("Limit"));
        QVariantMap document = f->canvas()->drawDocumentDictionaryForGraphics(objects);
        auto group = Group::create();
        group->addObjects({objects[1], objects[2]});
        document.insert(QStringLiteral("GroupsList"), QVariantList{group->propertyListRepresentation(objects)});
        group->clear();
        design = dir + QStringLiteral("/Three.qkdoc");
        ASSERT_TRUE(PropertyList::writeFile(design, document, PlistFormat::Binary));
    }
    void TearDown() override
    {
        f.reset();
        qputenv("XDG_DATA_HOME", oldData);
    }

    // The design opened afresh, its first object selected and copied: Paste has something to
    // add, and so have the commands on the selection.
    void fresh()
    {
        RectsView *canvas = f->canvas();
        canvas->setupCurrObjectTool(RectsView::SelectTool);
        // A copy of the design each time: what a command changed is neither saved nor asked
        // about.
        const QString working = dir + QStringLiteral("/Working.qkdoc");
        QFile::remove(working);
        ASSERT_TRUE(QFile::copy(design, working));
        canvas->wasChanged(false);
        f->prompts->clear();
        f->prompts->queuePath(working);
        f->trigger(QStringLiteral("File"), QStringLiteral("Open..."));
        ASSERT_EQ(canvas->getRects().size(), 3);
        f->click(QPointF(20, 12));
        ASSERT_EQ(canvas->selectedObjects().size(), 1);
        f->trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
        canvas->undoManager()->removeAllActions();
        canvas->wasChanged(false);
        f->prompts->clear();
    }

    // Runs a command as the user does: each file panel it opens answered with a picture, then
    // the gesture a tool waits for on an empty part of the label (a drag, a click, a double
    // click, which also closes a path being drawn). Answers the alerts it showed.
    QStringList perform(const Command &command)
    {
        f->canvas()->setupCurrObjectTool(RectsView::SelectTool);
        f->click(QPointF(20, 12));
        f->prompts->clear();
        for (int i = 0; i < 2; ++i)
            f->prompts->queuePath(picture);
        // A window or pop-up menu of the program's own that waits for the user (the
        // preferences, the fields, About) is put away as the user would put it away.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
            if (QWidget *popup = QApplication::activePopupWidget())
                popup->close();
            for (AboutPanel *about : f->window->findChildren<AboutPanel *>())
                if (about->isRunning())
                    QTest::keyClick(about, Qt::Key_Escape);
        });
        closer.start(20);
        command.run();
        apptest::settle();
        // A tool chosen waits for its gesture; other commands have done their work.
        if (f->canvas()->getCurrToolClass() != RectsView::SelectTool) {
            f->mouse(QEvent::MouseButtonPress, QPointF(120, 44));
            f->mouse(QEvent::MouseMove, QPointF(140, 52));
            f->mouse(QEvent::MouseButtonRelease, QPointF(150, 56));
            f->click(QPointF(160, 60));
            f->mouse(QEvent::MouseButtonPress, QPointF(170, 62));
            f->mouse(QEvent::MouseButtonRelease, QPointF(170, 62));
            f->mouse(QEvent::MouseButtonDblClick, QPointF(170, 62));
            f->mouse(QEvent::MouseButtonRelease, QPointF(170, 62));
            apptest::settle();
        }
        closer.stop();
        QStringList alerts;
        for (const auto &call : f->prompts->calls())
            if (call.kind == qmtest::TestPrompts::Alert)
                alerts.append(call.title + QStringLiteral(": ") + call.message);
        RectsView::discardPathInProgress();
        return alerts;
    }

    // Every command of the window: the items of its menus (each menu shown first, as the user
    // opens it, so that it is filled and validated), of its tool bars and of the canvas's
    // context menu; the first design template of every category; the first picture of the
    // image browser, double-clicked.
    QList<Command> commands()
    {
        QList<Command> found;
        QSet<QAction *> seen;
        seen.insert(f->window->quitAction()); // ends the program
        QList<QMenu *> menus;
        for (QAction *top : f->window->menuBar()->actions())
            if (top->menu())
                menus.append(top->menu());
        for (QMenu *menu : f->window->findChildren<QMenu *>())
            if (!menus.contains(menu))
                menus.append(menu);
        for (qsizetype m = 0; m < menus.size(); ++m) {
            QMenu *menu = menus[m];
            emit menu->aboutToShow();
            for (QAction *item : menu->actions()) {
                if (item->isSeparator() || seen.contains(item))
                    continue;
                seen.insert(item);
                if (item->menu()) {
                    if (!menus.contains(item->menu()))
                        menus.append(item->menu());
                    continue;
                }
                // Found again when run: a menu filled as it opens (the fields, the recent
                // documents) makes its items anew.
                const QPointer<QMenu> holder(menu);
                const QString text = item->text();
                found.append({menu->title() + QStringLiteral(" > ") + text, [holder, text] {
                                  if (!holder)
                                      return;
                                  emit holder->aboutToShow();
                                  for (QAction *now : holder->actions())
                                      if (now->text() == text && !now->menu()) {
                                          now->trigger();
                                          return;
                                      }
                              }});
            }
        }
        for (QToolBar *bar : f->window->findChildren<QToolBar *>())
            for (QAction *item : bar->actions())
                if (!item->isSeparator() && !seen.contains(item)) {
                    seen.insert(item);
                    found.append({QStringLiteral("tool bar > ") + item->toolTip(), [item] { item->trigger(); }});
                }
        auto *panel = f->window->findChild<TemplateBrowserPanel *>();
        auto *dock = f->window->findChild<QDockWidget *>(QStringLiteral("DesignDock"));
        EXPECT_TRUE(panel && dock);
        if (panel && dock) {
            QComboBox *popup = panel->templatePopup();
            for (int index = 0; index < popup->count(); ++index) {
                const QString category = popup->itemData(index).toString();
                found.append({QStringLiteral("design template > ") + category, [this, panel, dock, popup, index] {
                                  dock->raise();
                                  popup->setCurrentIndex(index);
                                  emit popup->activated(index);
                                  ASSERT_TRUE(panel->imageTmplListView()->waitForThumbnails(20000));
                                  apptest::settle();
                                  const QList<listImageViewItem *> tiles = panel->imageTmplListView()->tiles();
                                  if (tiles.isEmpty())
                                      return;
                                  QWidget *tile = tiles.first();
                                  QTest::mouseClick(tile, Qt::LeftButton, {}, QPoint(tile->width() / 2, tile->height() / 3));
                              }});
            }
        }
        // With nothing selected: a picture taken with an object selected goes into that object.
        found.append({QStringLiteral("image browser > first picture"), [this] {
                          f->canvas()->clearSelection();
                          listImageViewItem *tile = qmtest::firstImageTile(f->window.get());
                          ASSERT_TRUE(tile);
                          for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
                              qmtest::sendMouse(tile, type);
                      }});
        return found;
    }

    QByteArray oldData;
    std::unique_ptr<apptest::WindowFixture> f;
    qmtest::ScopedTestPrintPanels panels;
    QString dir, picture, design;
};

} // namespace

TEST_F(ObjectLimitWindow, EveryCommandThatAddsObjectsIsRefusedAtTheLimitWithTheReasonAndChangesNothing)
{
    RectsView *canvas = f->canvas();
    const QList<Command> all = commands();
    ASSERT_GT(all.size(), 60);
    QStringList adding;
    fresh();
    ASSERT_FALSE(HasFatalFailure());
    for (const Command &command : all) {
        SCOPED_TRACE(command.name.toStdString());
        if (!f->window->isVisible())
            FAIL() << "the window closed";
        // At the limit: nothing is added and nothing changes; a refusal says why.
        QStringList before = designOf(canvas);
        QStringList alerts;
        {
            const LimitGuard limit(3);
            alerts = perform(command);
        }
        ASSERT_LE(canvas->getRects().size(), 3);
        const bool refused = std::any_of(alerts.begin(), alerts.end(), [](const QString &alert) {
            return alert.contains(QStringLiteral("A design holds at most 3 objects"));
        });
        if (refused) {
            EXPECT_EQ(designOf(canvas), before) << "refused, yet the design changed";
        }
        if (designOf(canvas) != before)
            fresh();
        ASSERT_FALSE(HasFatalFailure());
        if (refused) {
            adding.append(command.name);
            continue;
        }
        // With no limit: a command that adds objects shows itself, and must have been refused.
        before = designOf(canvas);
        perform(command);
        if (canvas->getRects().size() > 3) {
            adding.append(command.name);
            ADD_FAILURE() << "not refused at the limit: " << alerts.join(QLatin1Char('\n')).toStdString();
        }
        if (designOf(canvas) != before)
            fresh();
        ASSERT_FALSE(HasFatalFailure());
    }
    // Among them: the clipboard's, a tool's, a picture's, the background's and the templates'.
    const QString found = adding.join(QLatin1Char('\n'));
    for (const char *expected : {"Edit > Paste", "Edit > Duplicate", "Edit > Replicate", "Select Image File...",
                                 "Select Background Image File...", "design template", "image browser",
                                 "tool bar >"})
        EXPECT_TRUE(found.contains(QLatin1String(expected))) << expected << " adds no object?\n" << found.toStdString();
}
