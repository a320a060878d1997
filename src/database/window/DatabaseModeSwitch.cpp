#include "database/window/DatabaseModeSwitch.h"

#include "canvas/RectsView.h"
#include "database/window/CategoriesPanel.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseView.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <functional>

namespace quillmark {

namespace {

SegmentedControl *makeSwitch(QWidget *parent)
{
    auto *control = new SegmentedControl({translated(QStringLiteral("Design")), translated(QStringLiteral("Database"))}, parent);
    control->setToolTip(translated(QStringLiteral("Change Document Type")));
    return control;
}

} // namespace

DatabaseModeSwitch::DatabaseModeSwitch(QMainWindow *window)
    : QObject(window), _window(window), _databaseView(new DatabaseView(window))
{
    _databaseView->hide();
    for (QToolBar *toolbar : window->findChildren<QToolBar *>(Qt::FindDirectChildrenOnly))
        _labelToolbars.append(toolbar);
    QToolBar *labelToolbar = _labelToolbars.isEmpty() ? nullptr : _labelToolbars.last().data();
    if (!labelToolbar) {
        labelToolbar = window->addToolBar(QStringLiteral("DKToolbarIdentifier"));
        labelToolbar->setMovable(false);
        _labelToolbars.append(labelToolbar);
    }
    auto *spacer = new QWidget(labelToolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    labelToolbar->addWidget(spacer);
    _labelSwitch = makeSwitch(labelToolbar);
    _labelSwitch->setObjectName(QStringLiteral("ModeSwitchToolbarItemIdentifier"));
    _labelSwitch->setSelectedSegment(LabelDesign);
    labelToolbar->addWidget(_labelSwitch);

    _databaseSwitch = makeSwitch(_databaseView->modeSwitchView());
    _databaseSwitch->setSelectedSegment(DatabaseMode);
    _databaseView->modeSwitchView()->layout()->addWidget(_databaseSwitch);

    connect(_labelSwitch, &SegmentedControl::segmentClicked, this, [this](int i) { switchTabs(i); });
    connect(_databaseSwitch, &SegmentedControl::segmentClicked, this, [this](int i) { switchTabs(i); });
    buildDatabaseMenu();
    // Record additions and deletions join the window's undo stack, which the Edit menu serves.
    if (RectsView *canvas = RectsView::sharedRectsView())
        _databaseView->databaseFieldsView()->setUndoManager(canvas->undoManager());
    // The design document stores the selected record, so moving to another one changes it.
    connect(_databaseView->databaseFieldsView(), &DatabaseFieldsView::recordNavigated, this, [] {
        if (RectsView *canvas = RectsView::sharedRectsView())
            canvas->wasChanged(true);
    });
}

DatabaseModeSwitch::~DatabaseModeSwitch() = default;

void DatabaseModeSwitch::buildDatabaseMenu()
{
    _databaseMenu = new QMenu(translated(QStringLiteral("Database")), _window);
    DatabaseFieldsView *editor = _databaseView->databaseFieldsView();
    struct Item
    {
        const char *title;
        DatabaseFieldsView::Command command;
        std::function<void()> run;
    };
    const Item items[] = {
        {"New Database", DatabaseFieldsView::AddDatabase, [editor] { editor->addDatabase(); }},
        {"Open Database...", DatabaseFieldsView::OpenDatabase, [editor] { editor->openDatabase(); }},
        {"Save Database As...", DatabaseFieldsView::SaveDatabaseAs, [editor] { editor->saveDatabaseAs(); }},
        {"Delete Database", DatabaseFieldsView::DeleteDatabase, [editor] { editor->deleteDatabase(); }},
        {nullptr, DatabaseFieldsView::AddRecord, {}},
        {"Add Record", DatabaseFieldsView::AddRecord, [editor] { editor->addRecord(); }},
        {"Duplicate", DatabaseFieldsView::DuplicateRecord, [editor] { editor->duplicateRecord(); }},
        {"Delete Record", DatabaseFieldsView::DeleteRecord, [editor] { editor->deleteRecord(); }},
        {"Clear Record", DatabaseFieldsView::ClearAllFields, [editor] { editor->clearAllFields(); }},
        {"Update Record", DatabaseFieldsView::UpdateRecord, [editor] { editor->updateRecord(); }},
        {nullptr, DatabaseFieldsView::AddRecord, {}},
        {"Show All Records", DatabaseFieldsView::ShowAllRecords, [editor] { editor->showAllRecords(); }},
        {"Add to Groups...", DatabaseFieldsView::GroupOperation,
         [editor] { editor->groupOperation(CategoriesPanel::AddToGroups); }},
        {"Remove from Groups...", DatabaseFieldsView::GroupOperation,
         [editor] { editor->groupOperation(CategoriesPanel::RemoveFromGroups); }},
        {"Toggle Groups...", DatabaseFieldsView::GroupOperation,
         [editor] { editor->groupOperation(CategoriesPanel::ToggleGroups); }},
        {nullptr, DatabaseFieldsView::AddRecord, {}},
        {"Import...", DatabaseFieldsView::ImportDatabase, [editor] { editor->importDatabase(); }},
        {"Export...", DatabaseFieldsView::ExportDatabase, [editor] { editor->exportDatabase(); }},
        {"Import VCard...", DatabaseFieldsView::ImportVCard, [editor] { editor->importVCard(); }},
        {"Export VCard...", DatabaseFieldsView::ExportVCard, [editor] { editor->exportVCard(); }},
        {"Import Contacts", DatabaseFieldsView::ImportAddressBook, [editor] { editor->importAddressBook(); }},
        {nullptr, DatabaseFieldsView::AddRecord, {}},
        {"Database Preferences...", DatabaseFieldsView::Preferences, [editor] { editor->preferences(); }},
    };
    for (const Item &item : items) {
        if (!item.title) {
            _databaseMenu->addSeparator();
            continue;
        }
        QAction *action = _databaseMenu->addAction(translated(QString::fromLatin1(item.title)), editor, item.run);
        action->setData(int(item.command));
        // Duplicate takes the key of the design's Duplicate, which is off in database mode.
        if (item.command == DatabaseFieldsView::DuplicateRecord)
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    }
    // Enabled as the editor's state allows, so that the keys work as the menu shows.
    connect(_databaseMenu, &QMenu::aboutToShow, this, &DatabaseModeSwitch::validateDatabaseMenu);
    connect(editor, &DatabaseFieldsView::commandsChanged, this, &DatabaseModeSwitch::validateDatabaseMenu);
    _databaseMenu->menuAction()->setVisible(false);
    _window->menuBar()->addMenu(_databaseMenu);
    validateDatabaseMenu();
}

void DatabaseModeSwitch::validateDatabaseMenu()
{
    if (!_databaseMenu)
        return;
    DatabaseFieldsView *editor = _databaseView->databaseFieldsView();
    for (QAction *action : _databaseMenu->actions())
        if (!action->isSeparator())
            action->setEnabled(_mode == DatabaseMode
                               && editor->validateMenuItem(DatabaseFieldsView::Command(action->data().toInt())));
}

void DatabaseModeSwitch::keepInDatabaseMode(const QList<QAction *> &actions)
{
    for (QAction *action : actions)
        if (action)
            _kept.append(action);
}

void DatabaseModeSwitch::disableLabelCommands()
{
    if (_mode != DatabaseMode)
        return;
    std::function<void(QMenu *)> walk = [&](QMenu *menu) {
        for (QAction *action : menu->actions()) {
            if (action->menu()) {
                walk(action->menu());
                continue;
            }
            if (action->isSeparator() || _kept.contains(action) || !action->isEnabled())
                continue;
            action->setEnabled(false);
            if (!_disabledActions.contains(action))
                _disabledActions.append(action);
        }
    };
    for (QAction *top : _window->menuBar()->actions())
        if (QMenu *menu = top->menu(); menu && menu != _databaseMenu)
            walk(menu);
}

void DatabaseModeSwitch::leaveLabelMenus()
{
    std::function<bool(QMenu *)> keepsAny = [&](QMenu *menu) {
        for (QAction *action : menu->actions())
            if (_kept.contains(action) || (action->menu() && keepsAny(action->menu())))
                return true;
        return false;
    };
    for (QAction *top : _window->menuBar()->actions()) {
        QMenu *menu = top->menu();
        if (!menu || menu == _databaseMenu)
            continue;
        if (!_watchedMenus.contains(menu)) {
            // A menu that sets its items' state as it opens must not turn them on here.
            connect(menu, &QMenu::aboutToShow, this, &DatabaseModeSwitch::disableLabelCommands);
            _watchedMenus.append(menu);
        }
        if (top->isVisible() && !keepsAny(menu)) {
            top->setVisible(false);
            _hiddenMenus.append(top);
        }
    }
    disableLabelCommands();
    _frontDocks.clear();
    for (QDockWidget *dock : _window->findChildren<QDockWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!dock->isHidden()) {
            // Of docks sharing tabs only the front one shows (the others lie outside the
            // window): it comes back in front.
            if (!dock->visibleRegion().isEmpty())
                _frontDocks.append(dock);
            dock->hide();
            _hiddenDocks.append(dock);
        }
    }
}

void DatabaseModeSwitch::restoreLabelMenus()
{
    for (const QPointer<QAction> &action : std::as_const(_disabledActions))
        if (action)
            action->setEnabled(true);
    _disabledActions.clear();
    for (const QPointer<QAction> &menu : std::as_const(_hiddenMenus))
        if (menu)
            menu->setVisible(true);
    _hiddenMenus.clear();
    for (const QPointer<QDockWidget> &dock : std::as_const(_hiddenDocks))
        if (dock)
            dock->show();
    _hiddenDocks.clear();
    for (const QPointer<QDockWidget> &dock : std::as_const(_frontDocks))
        if (dock)
            dock->raise();
    _frontDocks.clear();
}

void DatabaseModeSwitch::switchTabs(int mode)
{
    if (mode != LabelDesign && mode != DatabaseMode)
        return;
    _labelSwitch->setSelectedSegment(mode);
    _databaseSwitch->setSelectedSegment(mode);
    if (mode == _mode)
        return;
    _mode = Mode(mode);
    if (mode == DatabaseMode) {
        _designWidget = _window->takeCentralWidget();
        if (_designWidget) {
            // Kept as the window's child while away, so the window still owns it.
            _designWidget->setParent(_window);
            _designWidget->hide();
        }
        for (const QPointer<QToolBar> &toolbar : std::as_const(_labelToolbars))
            if (toolbar)
                toolbar->hide();
        _window->setCentralWidget(_databaseView);
        _databaseView->show();
        _databaseMenu->menuAction()->setVisible(true);
        leaveLabelMenus();
        validateDatabaseMenu();
    } else {
        _databaseView->databaseFieldsView()->updateRecord();
        MergeContents::postRecordChanged();
        // Taken back before the design returns, so that the window does not delete the editor.
        if (QWidget *taken = _window->takeCentralWidget()) {
            taken->setParent(_window);
            taken->hide();
        }
        if (_designWidget) {
            _window->setCentralWidget(_designWidget);
            _designWidget->show();
        }
        for (const QPointer<QToolBar> &toolbar : std::as_const(_labelToolbars))
            if (toolbar)
                toolbar->show();
        _databaseMenu->menuAction()->setVisible(false);
        restoreLabelMenus();
        validateDatabaseMenu();
    }
    emit modeChanged(_mode);
}

} // namespace quillmark
