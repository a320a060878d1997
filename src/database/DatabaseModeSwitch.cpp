#include "database/DatabaseModeSwitch.h"

#include "canvas/RectsView.h"
#include "database/DatabaseFieldsView.h"
#include "database/DatabaseView.h"
#include "database/MergeContents.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <functional>

namespace quillmark {

namespace {

QString translated(const QString &key)
{
    const QString text = Language::stringForKey(key);
    return text.isEmpty() ? key : text;
}

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
    };
    for (const Item &item : items) {
        if (!item.title) {
            _databaseMenu->addSeparator();
            continue;
        }
        QAction *action = _databaseMenu->addAction(translated(QString::fromLatin1(item.title)), editor, item.run);
        action->setData(int(item.command));
    }
    // Enabled as the editor's state allows each time the menu opens.
    connect(_databaseMenu, &QMenu::aboutToShow, this, [this, editor] {
        for (QAction *action : _databaseMenu->actions())
            if (!action->isSeparator())
                action->setEnabled(editor->validateMenuItem(DatabaseFieldsView::Command(action->data().toInt())));
    });
    _databaseMenu->menuAction()->setVisible(false);
    _window->menuBar()->addMenu(_databaseMenu);
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
    }
}

} // namespace quillmark
