// Which commands the menu bar and tool bar offer: the validation table as a pure function of
// the window's state, table by table, and the same rules kept current in the real window so
// that a shortcut pressed right after a change already meets them.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QMimeData>
#include <QToolBar>

#include "app/AppTestSupport.h"
#include "app/MenuValidation.h"
#include "app/MenuValidator.h"
#include "database/window/DatabaseModeSwitch.h"

using namespace quillmark;

namespace {

struct Row
{
    const char *what;
    std::function<void(ChromeState &)> setUp;
    bool enabled;
    bool checked = false;
};

void expectRows(const char *action, const std::vector<Row> &rows, int tag = 0, const QString &title = {})
{
    for (const Row &row : rows) {
        ChromeState state;
        row.setUp(state);
        const MenuItemState result = validateMenuItem(QString::fromLatin1(action), state, tag, title);
        EXPECT_EQ(result.enabled, row.enabled) << action << ": " << row.what;
        EXPECT_EQ(result.checked, row.checked) << action << ": " << row.what;
    }
}

} // namespace

TEST(ValidationTable, GroupNeedsTwoUngroupedObjectsAndUngroupAPlainGroup)
{
    expectRows("group:", {
        {"nothing selected", [](ChromeState &) {}, false},
        {"one object", [](ChromeState &s) { s.selectedCount = 1; }, false},
        {"two loose objects", [](ChromeState &s) { s.selectedCount = 2; }, true},
        {"five loose objects", [](ChromeState &s) { s.selectedCount = 5; }, true},
        {"two, one already grouped", [](ChromeState &s) { s.selectedCount = 2; s.anySelectedInGroup = true; }, false},
    });
    expectRows("ungroup:", {
        {"no group", [](ChromeState &s) { s.selectedCount = 2; }, false},
        {"a group", [](ChromeState &s) { s.selectedCount = 2; s.groupSelected = true; }, true},
        {"a field pair", [](ChromeState &s) { s.groupSelected = true; s.selectedGroupIsField = true; }, false},
    });
}

TEST(ValidationTable, ClipboardCommands)
{
    expectRows("paste:", {
        {"select tool, no design on the clipboard", [](ChromeState &) {}, false},
        {"select tool, a design on the clipboard", [](ChromeState &s) { s.pasteboardHasDesign = true; }, true},
        {"rectangle tool, nothing on the clipboard", [](ChromeState &s) { s.tool = 3; }, true},
        {"text tool, nothing on the clipboard", [](ChromeState &s) { s.tool = 2; }, true},
    });
    for (const char *action : {"delete_:", "cut:"})
        expectRows(action, {
            {"nothing selected", [](ChromeState &) {}, false},
            {"an object", [](ChromeState &s) { s.selectedCount = 1; }, true},
            {"a locked object, select tool", [](ChromeState &s) { s.selectedCount = 2; s.anySelectedLocked = true; }, false},
            {"a locked object, text tool", [](ChromeState &s) { s.selectedCount = 1; s.anySelectedLocked = true; s.tool = 2; }, true},
        });
    for (const char *action : {"copy:", "duplicate:", "replicate:", "centerObject:"})
        expectRows(action, {{"nothing", [](ChromeState &) {}, false},
                            {"an object", [](ChromeState &s) { s.selectedCount = 1; }, true}});
}

TEST(ValidationTable, DocumentCommands)
{
    expectRows("saveDocument:", {{"unchanged", [](ChromeState &) {}, false},
                                 {"changed", [](ChromeState &s) { s.changed = true; }, true}});
    expectRows("undo:", {{"empty history", [](ChromeState &) {}, false},
                         {"a step", [](ChromeState &s) { s.canUndo = true; }, true}});
    expectRows("redo:", {{"nothing undone", [](ChromeState &s) { s.canUndo = true; }, false},
                         {"a step undone", [](ChromeState &s) { s.canRedo = true; }, true}});
    expectRows("exportLabel:", {{"empty design", [](ChromeState &) {}, false},
                                {"an object", [](ChromeState &s) { s.designHasGraphics = true; }, true}});
    expectRows("exportSequentialLabel:", {
        {"no database", [](ChromeState &s) { s.designHasGraphics = true; }, false},
        {"empty design", [](ChromeState &s) { s.databaseCurrent = true; }, false},
        {"both", [](ChromeState &s) { s.designHasGraphics = s.databaseCurrent = true; }, true},
    });
    expectRows("selectAll:", {{"other layer only", [](ChromeState &s) { s.designHasGraphics = true; }, false},
                              {"this layer", [](ChromeState &s) { s.layerHasGraphics = true; }, true}});
    expectRows("saveTemplate:", {{"nothing on the page", [](ChromeState &s) { s.designHasGraphics = true; }, false},
                                 {"on the page", [](ChromeState &s) { s.pageHasGraphics = true; }, true}});
    expectRows("newDocument:", {{"a category row", [](ChromeState &) {}, false},
                                {"a label row", [](ChromeState &s) { s.stockRowForNew = true; }, true}});
    expectRows("adjustZoom:", {{"at 100 %", [](ChromeState &) {}, false},
                               {"zoomed", [](ChromeState &s) { s.rawZoom = 2.0; }, true}});
    for (const char *action : {"print:", "printSequense:", "saveDocumentAs:", "runPageLayout:", "openDocument:",
                               "preferences:", "zoomIn:", "zoomOut:", "visitSite:", "visitSiteSupport:"})
        expectRows(action, {{"always", [](ChromeState &) {}, true}});
    expectRows("noSuchCommand:", {{"a command nobody answers", [](ChromeState &s) { s.selectedCount = 3; }, false}});
}

TEST(ValidationTable, TextAndObjectKindCommands)
{
    expectRows("setTextWrap:", {
        {"address label", [](ChromeState &s) { s.plainBoxes = 1; s.plainBoxWrapSum = 1; }, false, false},
        {"disc, no plain box", [](ChromeState &s) { s.discLabelType = true; }, false, false},
        {"disc, a box not wrapping", [](ChromeState &s) { s.discLabelType = true; s.plainBoxes = 1; }, true, false},
        {"disc, a wrapping box", [](ChromeState &s) { s.discLabelType = true; s.plainBoxes = 2; s.plainBoxWrapSum = 1; }, true, true},
    });
    for (const char *action : {"alignCenter:", "alignLeft:", "alignRight:", "alignJustified:"})
        expectRows(action, {
            {"a rectangle", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorRect"; }, true},
            {"a merge field", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorField"; }, true},
            {"an oval", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorOval"; }, false},
            {"two rectangles", [](ChromeState &s) { s.selectedCount = 2; s.firstSelectedClass = "ColorRect"; }, false},
        });
    expectRows("raiseBaseline:", {
        {"a rectangle", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorRect"; }, true},
        {"a field, not edited", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorField"; }, false},
        {"a field, edited", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorField"; s.firstSelectedEditing = true; }, true},
    });
    expectRows("setTextTable:", {
        {"an edited box", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorRect"; s.firstSelectedEditing = true; }, true},
        {"an edited oval", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorOval"; s.firstSelectedEditing = true; }, false},
        {"a box not edited", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedClass = "ColorRect"; }, false},
    });
    expectRows("addFieldType:", {{"photo while editing", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedEditing = true; }, false}},
               0, QStringLiteral("Photo"));
    expectRows("addFieldType:", {{"a text field while editing", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedEditing = true; }, true}},
               0, QStringLiteral("Company"));
    expectRows("addAddressBlock:", {{"editing text", [](ChromeState &s) { s.selectedCount = 1; s.firstSelectedEditing = true; }, false},
                                    {"not editing", [](ChromeState &s) { s.selectedCount = 1; }, true}});
    expectRows("lock:", {{"nothing", [](ChromeState &) {}, false, false},
                         {"mixed", [](ChromeState &s) { s.selectedCount = 2; s.lockedState = -1; }, true, false},
                         {"all locked", [](ChromeState &s) { s.selectedCount = 2; s.lockedState = 1; }, true, true}});
    expectRows("bringToFront:", {{"at the top", [](ChromeState &s) { s.canSendToBack = true; }, false},
                                 {"below others", [](ChromeState &s) { s.canBringToFront = true; }, true}});
    expectRows("sendBackward:", {{"at the bottom", [](ChromeState &s) { s.canMoveForward = true; }, false},
                                 {"above others", [](ChromeState &s) { s.canSendBackward = true; }, true}});
}

TEST(ValidationTable, PanelsChecksAndTitles)
{
    expectRows("showHideRuler:", {{"hidden", [](ChromeState &) {}, true, false},
                                  {"shown", [](ChromeState &s) { s.rulersVisible = true; }, true, true}});
    expectRows("snapToGuides:", {{"snapping", [](ChromeState &s) { s.constraining = true; }, true, true}});
    expectRows("showHideGraphicOpt:", {{"no side panel", [](ChromeState &) {}, false, true},
                                       {"panel shown", [](ChromeState &s) { s.sidePanelExists = true; }, true, true},
                                       {"panel away", [](ChromeState &s) { s.sidePanelExists = s.sidePanelOpened = true; }, true, false}});
    expectRows("openProperties:", {{"page 2 open", [](ChromeState &s) { s.pageButtonSelected = [](int tag) { return tag == 2; }; }, true, true}}, 2);
    expectRows("openProperties:", {{"page 2 open, asked for 3", [](ChromeState &s) { s.pageButtonSelected = [](int tag) { return tag == 2; }; }, true, false}}, 3);
    expectRows("showHideBarcodeInfo:", {{"no drawer", [](ChromeState &) {}, false, false},
                                        {"drawer open", [](ChromeState &s) { s.maskDrawerExists = s.maskDrawerOpen = true; }, true, true}});
    expectRows("navigate:", {{"first row selected", [](ChromeState &s) { s.browserRows = 3; s.firstRowSelected = true; }, false},
                             {"an empty browser", [](ChromeState &) {}, true}}, 1);
    expectRows("navigate:", {{"first row selected", [](ChromeState &s) { s.browserRows = 3; s.firstRowSelected = true; }, true},
                             {"last row selected", [](ChromeState &s) { s.browserRows = 3; s.lastRowSelected = true; }, false}}, 2);
    expectRows("navigate:", {{"another tag", [](ChromeState &) {}, false}}, 7);

    const ChromeState none;
    EXPECT_EQ(validateMenuItem(QStringLiteral("runAbout:"), none, 0, QStringLiteral("About Quillmark")).title,
              QStringLiteral("About Quillmark..."));
    EXPECT_EQ(validateMenuItem(QStringLiteral("hide:"), none, 0, QStringLiteral("Hide NewApplication")).title,
              QStringLiteral("Hide Quillmark"));
    EXPECT_TRUE(validateMenuItem(QStringLiteral("runAbout:"), none).enabled);
}

TEST(ValidationTable, ToolBarItems)
{
    ChromeState s;
    EXPECT_FALSE(validateToolbarItem(QStringLiteral("SaveDocumentItemIdentifier"), s));
    EXPECT_FALSE(validateToolbarItem(QStringLiteral("Print"), s));
    EXPECT_FALSE(validateToolbarItem(QStringLiteral("Colors"), s));
    EXPECT_FALSE(validateToolbarItem(QStringLiteral("Fonts"), s));
    EXPECT_FALSE(validateToolbarItem(QStringLiteral("SomethingElse"), s));
    for (const char *always : {"Inspector", "ImageMask", "ModeSwitchToolbarItemIdentifier", "FrameToolItemIdentifier",
                               "ZoomToolItemIdentifier", "MeasureItemIdentifier"})
        EXPECT_TRUE(validateToolbarItem(QString::fromLatin1(always), s)) << always;
    s.changed = true;
    s.designHasGraphics = true;
    s.pageBackgroundValid = true;
    EXPECT_TRUE(validateToolbarItem(QStringLiteral("SaveDocumentItemIdentifier"), s));
    EXPECT_TRUE(validateToolbarItem(QStringLiteral("Print"), s));
    EXPECT_TRUE(validateToolbarItem(QStringLiteral("Colors"), s));
    s.selectedCount = 1;
    EXPECT_FALSE(validateToolbarItem(QStringLiteral("Fonts"), s));
    s.firstSelectedEditing = true;
    EXPECT_TRUE(validateToolbarItem(QStringLiteral("Fonts"), s));
    // Every default item is an allowed one.
    for (const QString &identifier : defaultToolbarItemIdentifiers())
        EXPECT_TRUE(allowedToolbarItemIdentifiers().contains(identifier)) << identifier.toStdString();
}

namespace {

// The identifiers of the tool bar's row as the user sees it: a run of buttons of one item (the
// tool matrix, the zoom buttons) is one item.
QStringList toolBarRow(QToolBar *bar)
{
    QStringList row;
    QString previous;
    for (QAction *item : bar->actions()) {
        if (!item->isVisible())
            continue;
        QString identifier = item->isSeparator() ? QStringLiteral("Separator")
                                                 : item->property(MenuValidator::identifierProperty()).toString();
        if (identifier.isEmpty())
            identifier = QStringLiteral("?") + item->text();
        if (identifier != previous || identifier == QLatin1String("Separator"))
            row.append(identifier);
        previous = identifier;
    }
    return row;
}

QAction *toolBarItem(QToolBar *bar, const QString &identifier)
{
    for (QAction *item : bar->actions())
        if (item->property(MenuValidator::identifierProperty()).toString() == identifier)
            return item;
    return nullptr;
}

// The keys alone, no menu opened, select all `count` objects and group them: Group is offered
// for the selection and no more once it is one group.
void selectAllAndGroupByKeys(apptest::WindowFixture &f, QAction *group, qsizetype count)
{
    f.canvas()->setFocus();
    QTest::keyClick(f.canvas(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), count);
    EXPECT_TRUE(group->isEnabled());
    QTest::keyClick(f.canvas(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_EQ(f.canvas()->groups().size(), 1);
    EXPECT_FALSE(group->isEnabled());
}

} // namespace

TEST(WindowChrome, ToolBarShowsTheDefaultItemsInOrderEnabledByTheDesign)
{
    apptest::WindowFixture f(QStringLiteral("chrome-toolbar"));
    auto *bar = f.window->findChild<QToolBar *>(QStringLiteral("Tools"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(toolBarRow(bar), defaultToolbarItemIdentifiers());
    QAction *print = toolBarItem(bar, QStringLiteral("Print"));
    QAction *save = toolBarItem(bar, QStringLiteral("SaveDocumentItemIdentifier"));
    QAction *inspector = toolBarItem(bar, QStringLiteral("Inspector"));
    ASSERT_TRUE(print && save && inspector);
    EXPECT_EQ(print->toolTip(), QStringLiteral("Print Document"));
    EXPECT_EQ(save->toolTip(), QStringLiteral("Save Document"));
    EXPECT_EQ(inspector->toolTip(), QStringLiteral("Object Information"));
    for (QAction *item : {print, save, inspector})
        EXPECT_FALSE(item->icon().isNull()) << item->toolTip().toStdString();
    EXPECT_FALSE(print->isEnabled());
    EXPECT_FALSE(save->isEnabled());
    f.drawRect(QRectF(10, 10, 40, 30));
    EXPECT_TRUE(print->isEnabled());
    EXPECT_TRUE(save->isEnabled());
}

TEST(WindowChrome, ShortcutsMeetTheRulesAtOnce)
{
    apptest::WindowFixture f(QStringLiteral("chrome-shortcuts"));
    QAction *group = f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Group"));
    QAction *ungroup = f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Ungroup"));
    QAction *selectAll = f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_TRUE(group && ungroup && selectAll);
    EXPECT_FALSE(selectAll->isEnabled());
    f.drawRect(QRectF(10, 10, 30, 20));
    f.drawRect(QRectF(60, 10, 30, 20));
    EXPECT_TRUE(selectAll->isEnabled());
    // No menu is opened: the keys alone select both and group them.
    ASSERT_NO_FATAL_FAILURE(selectAllAndGroupByKeys(f, group, 2));
    // Grouped already: the same key does nothing more.
    EXPECT_TRUE(ungroup->isEnabled());
    QTest::keyClick(f.canvas(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(f.canvas()->groups().size(), 1);
    QTest::keyClick(f.canvas(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(f.canvas()->groups().isEmpty());
    EXPECT_FALSE(ungroup->isEnabled());
}

TEST(WindowChrome, PasteFollowsTheToolAndTheClipboard)
{
    apptest::WindowFixture f(QStringLiteral("chrome-paste"));
    QApplication::clipboard()->setMimeData(new QMimeData);
    apptest::settle();
    QAction *paste = f.menuItem(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_NE(paste, nullptr);
    EXPECT_FALSE(paste->isEnabled());
    // Another tool pastes whatever the clipboard holds.
    f.tool(RectsView::RectTool)->trigger();
    apptest::settle();
    EXPECT_TRUE(paste->isEnabled());
    f.tool(RectsView::SelectTool)->trigger();
    apptest::settle();
    EXPECT_FALSE(paste->isEnabled());
    // A copied design makes it usable with the select tool.
    f.drawRect(QRectF(10, 10, 30, 20));
    f.click(QPointF(25, 20));
    QTest::keyClick(f.canvas(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(paste->isEnabled());
    const int before = f.canvas()->getRects().size();
    QTest::keyClick(f.canvas(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.canvas()->getRects().size(), before + 1);
}

TEST(WindowChrome, DatabaseModeKeepsItsOwnMenusAndTheAboutItem)
{
    apptest::WindowFixture f(QStringLiteral("chrome-database"));
    f.drawRect(QRectF(10, 10, 30, 20));
    f.click(QPointF(25, 20));
    QAction *copy = f.menuItem(QStringLiteral("Edit"), QStringLiteral("Copy"));
    ASSERT_TRUE(copy->isEnabled());
    f.window->modeSwitch()->switchTabs(1);
    apptest::settle();
    // The clipboard changes while the design is hidden: nothing of it comes back.
    QApplication::clipboard()->setMimeData(new QMimeData);
    apptest::settle();
    EXPECT_FALSE(copy->isEnabled());
    EXPECT_TRUE(f.menuItem(QStringLiteral("Help"), QStringLiteral("About Quillmark..."))->isEnabled());
    f.window->modeSwitch()->switchTabs(0);
    apptest::settle();
    EXPECT_TRUE(copy->isEnabled());
}

namespace {

// The items of a menu and its submenus that do something when chosen.
void commandItems(QMenu *menu, QList<QAction *> &items)
{
    for (QAction *item : menu->actions()) {
        if (item->menu())
            commandItems(item->menu(), items);
        else if (!item->isSeparator())
            items.append(item);
    }
}

QMenu *menuBarMenu(apptest::WindowFixture &f, const QString &title)
{
    for (QAction *top : f.window->menuBar()->actions())
        if (top->menu() && top->menu()->title() == title)
            return top->menu();
    return nullptr;
}

// An item of the menu or one of its submenus, by its title.
QAction *commandItem(apptest::WindowFixture &f, const QString &menu, const QString &title)
{
    QList<QAction *> items;
    if (QMenu *found = menuBarMenu(f, menu))
        commandItems(found, items);
    for (QAction *item : std::as_const(items))
        if (item->text() == title)
            return item;
    return nullptr;
}

// The same, which the test expects to find.
QAction *expectedItem(apptest::WindowFixture &f, const char *menu, const char *title)
{
    QAction *found = commandItem(f, QString::fromLatin1(menu), QString::fromLatin1(title));
    EXPECT_NE(found, nullptr) << title;
    return found;
}

} // namespace

TEST(WindowChrome, EveryEditArrangeAndFormatItemIsValidatedByTheTable)
{
    apptest::WindowFixture f(QStringLiteral("chrome-menu-walk"));
    int walked = 0;
    for (const char *title : {"Edit", "Arrange", "Format"}) {
        QMenu *menu = menuBarMenu(f, QString::fromLatin1(title));
        ASSERT_NE(menu, nullptr) << title;
        QList<QAction *> items;
        commandItems(menu, items);
        for (QAction *item : std::as_const(items)) {
            const QString action = MenuValidator::actionOfItem(item);
            EXPECT_FALSE(action.isEmpty()) << title << " > " << item->toolTip().toStdString() << ": no action";
            EXPECT_TRUE(hasMenuRule(action)) << title << " > " << item->toolTip().toStdString() << ": "
                                             << action.toStdString() << " has no rule";
            ++walked;
        }
    }
    // Edit 9, Arrange 9, Format 11 at least.
    EXPECT_GE(walked, 29);
    // The two items titled "Center" are told apart.
    QAction *centreObject = f.menuItem(QStringLiteral("Arrange"), QStringLiteral("Center"));
    QAction *centreText = commandItem(f, QStringLiteral("Format"), QStringLiteral("Center"));
    ASSERT_TRUE(centreObject && centreText);
    EXPECT_EQ(MenuValidator::actionOfItem(centreObject), QStringLiteral("centerObject:"));
    EXPECT_EQ(MenuValidator::actionOfItem(centreText), QStringLiteral("alignCenter:"));
}

TEST(WindowChrome, CanvasCommandsFollowTheSelectionInTheMenusAndTheirKeys)
{
    apptest::WindowFixture f(QStringLiteral("chrome-canvas-commands"));
    auto item = [&f](const char *menu, const char *title) { return expectedItem(f, menu, title); };
    QAction *replicate = item("Edit", "Replicate");
    QAction *centre = item("Arrange", "Center");
    QAction *rotate = item("Arrange", "Rotate");
    QAction *lock = item("Arrange", "Lock");
    QAction *showFonts = item("Format", "Show Fonts");
    QAction *bold = item("Format", "Bold");
    QAction *alignLeft = item("Format", "Align Left");
    QAction *table = item("Format", "Table...");
    QAction *remove = item("Edit", "Delete");
    ASSERT_TRUE(replicate && centre && rotate && lock && showFonts && bold && alignLeft && table && remove);
    // As the user sees them: each menu is validated when it opens.
    auto open = [&f] {
        for (const char *title : {"Edit", "Arrange", "Format"})
            emit menuBarMenu(f, QString::fromLatin1(title))->aboutToShow();
    };
    open();
    for (QAction *action : {replicate, centre, rotate, lock, showFonts, bold, alignLeft, table})
        EXPECT_FALSE(action->isEnabled()) << action->toolTip().toStdString() << " with nothing selected";

    // One text box: its commands, but no Bold or table until its text is edited.
    f.drawRect(QRectF(20, 20, 80, 40));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(60, 40));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    open();
    for (QAction *action : {replicate, centre, rotate, lock, showFonts, alignLeft})
        EXPECT_TRUE(action->isEnabled()) << action->toolTip().toStdString() << " with one box";
    EXPECT_FALSE(bold->isEnabled());
    EXPECT_FALSE(table->isEnabled());

    // Lock: checked while locked, and the locked box cannot be deleted; again unlocks.
    EXPECT_FALSE(lock->isChecked());
    lock->trigger();
    apptest::settle();
    const GraphicPtr box = f.canvas()->selectedObjects().first();
    EXPECT_TRUE(box->isLocked());
    open();
    EXPECT_TRUE(lock->isChecked());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(f.canvas()->isChanged());
    lock->trigger();
    apptest::settle();
    EXPECT_FALSE(box->isLocked());
    open();
    EXPECT_FALSE(lock->isChecked());
    EXPECT_TRUE(remove->isEnabled());

    // Two objects: the quarter turn and the font panel are for one; the key does nothing then.
    f.drawRect(QRectF(20, 80, 80, 40));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(60, 40));
    f.click(QPointF(60, 100), Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    open();
    EXPECT_FALSE(rotate->isEnabled());
    EXPECT_FALSE(showFonts->isEnabled());
    EXPECT_FALSE(alignLeft->isEnabled());
    EXPECT_TRUE(centre->isEnabled());
    f.canvas()->setFocus();
    QTest::keyClick(f.canvas(), Qt::Key_R, Qt::ControlModifier);
    apptest::settle();
    for (const GraphicPtr &graphic : f.canvas()->selectedObjects())
        EXPECT_EQ(graphic->angle(), 0.0f);
    f.click(QPointF(200, 150));
    f.click(QPointF(60, 40));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    QTest::keyClick(f.canvas(), Qt::Key_R, Qt::ControlModifier);
    apptest::settle();
    EXPECT_EQ(box->angle(), 90.0f);
}

namespace {

// Every item of the menu bar (submenus too) and of the tool bars as the window shows it: its
// title, whether it is usable, and its check mark.
QStringList shownItems(apptest::WindowFixture &f)
{
    QList<QAction *> items;
    for (QAction *top : f.window->menuBar()->actions())
        if (top->menu())
            commandItems(top->menu(), items);
    for (QToolBar *bar : f.window->findChildren<QToolBar *>())
        items += bar->actions();
    QStringList shown;
    for (const QAction *item : std::as_const(items))
        if (!item->isSeparator())
            shown.append(QStringLiteral("%1 %2 %3 %4")
                             .arg(item->text(), item->toolTip())
                             .arg(item->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"))
                             .arg(item->isCheckable() ? (item->isChecked() ? QStringLiteral("checked") : QStringLiteral("unchecked"))
                                                      : QStringLiteral("-")));
    return shown;
}

} // namespace

// The window validates its items once per key as it goes up through the widgets, once per
// batch of canvas changes, and asks the selection and the stacking once per validation: after
// every edit the items are still what validating them afresh gives, and follow the rules.
TEST(WindowChrome, ItemsAfterEachEditAreWhatAFreshValidationGives)
{
    apptest::WindowFixture f(QStringLiteral("chrome-fresh"));
    auto *validator = f.window->findChild<MenuValidator *>();
    ASSERT_NE(validator, nullptr);
    auto expectFresh = [&](const char *after) {
        const QStringList shown = shownItems(f);
        ASSERT_GT(shown.size(), 40) << after;
        validator->validate();
        EXPECT_EQ(shown, shownItems(f)) << "after " << after;
    };
    auto item = [&f](const char *menu, const char *title) { return expectedItem(f, menu, title); };
    QAction *selectAll = item("Edit", "Select All");
    QAction *lock = item("Arrange", "Lock");
    QAction *front = item("Arrange", "Bring To Front");
    QAction *back = item("Arrange", "Send To Back");
    QAction *group = item("Arrange", "Group");
    ASSERT_TRUE(selectAll && lock && front && back && group);
    expectFresh("opening");
    EXPECT_FALSE(selectAll->isEnabled());

    // Three boxes, back to front.
    f.drawRect(QRectF(10, 10, 30, 20));
    f.drawRect(QRectF(60, 10, 30, 20));
    f.drawRect(QRectF(110, 10, 30, 20));
    ASSERT_EQ(f.canvas()->getRects().size(), 3);
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(200, 150));
    expectFresh("drawing");
    EXPECT_TRUE(selectAll->isEnabled());
    EXPECT_FALSE(front->isEnabled());

    // The frontmost box goes no further forward, the backmost no further back.
    f.click(QPointF(125, 20));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    expectFresh("a click on the frontmost");
    EXPECT_FALSE(front->isEnabled());
    EXPECT_TRUE(back->isEnabled());
    f.click(QPointF(25, 20));
    expectFresh("a click on the backmost");
    EXPECT_TRUE(front->isEnabled());
    EXPECT_FALSE(back->isEnabled());

    // Locked, then beside an unlocked one: checked, then mixed.
    lock->trigger();
    apptest::settle();
    expectFresh("Lock");
    EXPECT_TRUE(lock->isChecked());
    f.click(QPointF(75, 20), Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    expectFresh("a second, unlocked box");
    EXPECT_FALSE(lock->isChecked());
    f.click(QPointF(200, 150));
    f.click(QPointF(25, 20));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    lock->trigger();
    apptest::settle();
    ASSERT_FALSE(f.canvas()->getRects().first()->isLocked());
    expectFresh("unlocking");
    EXPECT_FALSE(lock->isChecked());

    // The keys: each shortcut meets the items as the key before left them, before any turn
    // of the event loop.
    ASSERT_NO_FATAL_FAILURE(selectAllAndGroupByKeys(f, group, 3));
    apptest::settle();
    expectFresh("Select All and Group by their keys");
    QTest::keyClick(f.canvas(), Qt::Key_Right);
    apptest::settle();
    expectFresh("a nudge");
    QTest::keyClick(f.canvas(), Qt::Key_Z, Qt::ControlModifier);
    apptest::settle();
    expectFresh("Undo of the nudge");
    QTest::keyClick(f.canvas(), Qt::Key_Z, Qt::ControlModifier);
    apptest::settle();
    ASSERT_TRUE(f.canvas()->groups().isEmpty());
    expectFresh("Undo of the group");
    f.click(QPointF(200, 150));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    expectFresh("a click on the empty canvas");

    // Everything deleted: nothing left to select.
    QTest::keyClick(f.canvas(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 3);
    item("Edit", "Delete")->trigger();
    apptest::settle();
    ASSERT_TRUE(f.canvas()->getRects().isEmpty());
    expectFresh("Delete");
    EXPECT_FALSE(selectAll->isEnabled());
}
