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
    _databaseMenu->addAction(translated(QStringLiteral("New Database")), editor, [editor] { editor->addDatabase(); });
    _databaseMenu->addAction(translated(QStringLiteral("Open Database...")), editor, [editor] { editor->openDatabase(); });
    _databaseMenu->addAction(translated(QStringLiteral("Save Database As...")), editor, [editor] { editor->saveDatabaseAs(); });
    _databaseMenu->addAction(translated(QStringLiteral("Delete Database")), editor, [editor] { editor->deleteDatabase(); });
    _databaseMenu->addSeparator();
    _databaseMenu->addAction(translated(QStringLiteral("Add Record")), editor, [editor] { editor->addRecord(); });
    _databaseMenu->addAction(translated(QStringLiteral("Duplicate")), editor, [editor] { editor->duplicateRecord(); });
    _databaseMenu->addAction(translated(QStringLiteral("Delete Record")), editor, [editor] { editor->deleteRecord(); });
    _databaseMenu->addAction(translated(QStringLiteral("Clear Record")), editor, [editor] { editor->clearAllFields(); });
    _databaseMenu->addAction(translated(QStringLiteral("Update Record")), editor, [editor] { editor->updateRecord(); });
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
