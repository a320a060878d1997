#include "database/window/DatabaseView.h"

#include "database/window/DBPropertiesView.h"
#include "database/window/EditGroupsView.h"
#include "database/window/FieldTitlesView.h"
#include "database/window/FindView.h"
#include "database/window/SortDatabaseView.h"
#include "database/window/ViewGroupsView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabasesListModel.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillmark {

namespace {

QToolButton *toolButton(QWidget *parent, QStyle::StandardPixmap icon, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

struct ToolItem
{
    const char *name;
    QStyle::StandardPixmap icon;
    QString tip;
};

// A row of tool buttons, each named for the menu validation and the tests.
QHBoxLayout *toolButtonRow(QWidget *toolbar, const QList<ToolItem> &items)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (const ToolItem &item : items) {
        QToolButton *button = toolButton(toolbar, item.icon, item.tip);
        button->setObjectName(QString::fromLatin1(item.name));
        row->addWidget(button);
    }
    return row;
}

QWidget *labelledItem(QWidget *parent, const QString &label, QWidget *content)
{
    auto *item = new QWidget(parent);
    auto *layout = new QVBoxLayout(item);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(1);
    layout->addWidget(content);
    auto *caption = new QLabel(label, item);
    caption->setAlignment(Qt::AlignHCenter);
    QFont font = caption->font();
    font.setPointSize(std::max(7, font.pointSize() - 2));
    caption->setFont(font);
    layout->addWidget(caption);
    return item;
}

} // namespace

DatabaseView::DatabaseView(QWidget *parent)
    : QWidget(parent),
      _toolbar(new QToolBar(this)),
      _pbnBrowse(new QComboBox(this)),
      _pbnSort(new QComboBox(this)),
      _browserSearch(new QLineEdit(this)),
      _dbList(new QTableView(this)),
      _browser(new QTableView(this)),
      _formScroll(new QScrollArea(this)),
      _propView(new DBPropertiesView(this)),
      _databaseFieldsView(new DatabaseFieldsView)
{
    DatabaseFieldsView::Outlets outlets;
    outlets.browser = _browser;
    outlets.dbList = _dbList;
    outlets.propertiesView = _propView;

    buildToolbar();
    outlets.bnAddRecord = findChild<QToolButton *>(QStringLiteral("addRecord"));
    outlets.bnAddCurrent = findChild<QToolButton *>(QStringLiteral("duplicateRecord"));
    outlets.bnDelete = findChild<QToolButton *>(QStringLiteral("deleteRecord"));
    outlets.bnUpdate = findChild<QToolButton *>(QStringLiteral("updateRecord"));
    outlets.bnAddDb = findChild<QToolButton *>(QStringLiteral("addDatabase"));
    outlets.bnDeleteDb = findChild<QToolButton *>(QStringLiteral("deleteDatabase"));
    outlets.bnNavigatePrev = findChild<QToolButton *>(QStringLiteral("navigatePrevious"));
    outlets.bnNavigateNext = findChild<QToolButton *>(QStringLiteral("navigateNext"));
    outlets.bnNavigateFirst = findChild<QToolButton *>(QStringLiteral("navigateFirst"));
    outlets.bnNavigateLast = findChild<QToolButton *>(QStringLiteral("navigateLast"));

    // Databases list on the left.
    _dbList->horizontalHeader()->setStretchLastSection(true);
    _dbList->horizontalHeader()->hide();
    _dbList->verticalHeader()->hide();
    _dbList->setShowGrid(false);
    _dbList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(_dbList, &QWidget::customContextMenuRequested, this, &DatabaseView::showDatabasesListMenu);

    // Record browser with the status texts below it.
    _browser->horizontalHeader()->setStretchLastSection(true);
    _browser->verticalHeader()->hide();
    _browser->setShowGrid(false);
    _browser->installEventFilter(this);
    auto *browserPane = new QWidget(this);
    auto *browserLayout = new QVBoxLayout(browserPane);
    browserLayout->setContentsMargins(0, 0, 0, 0);
    _browserSearch->setObjectName(QStringLiteral("browserSearch"));
    _browserSearch->setClearButtonEnabled(true);
    outlets.browserSearch = _browserSearch;
    browserLayout->addWidget(_browserSearch);
    browserLayout->addWidget(_browser, 1);
    auto *status = new QHBoxLayout;
    status->setSpacing(12);
    outlets.recordLabel = new QLabel(browserPane);
    outlets.recordIndex = new QLabel(browserPane);
    outlets.filteredCount = new QLabel(browserPane);
    outlets.totalCount = new QLabel(browserPane);
    outlets.recordLabel->setObjectName(QStringLiteral("recordLabel"));
    outlets.recordIndex->setObjectName(QStringLiteral("recordIndex"));
    outlets.filteredCount->setObjectName(QStringLiteral("filteredCount"));
    outlets.totalCount->setObjectName(QStringLiteral("totalCount"));
    // The record counter on a line of its own: with six-digit counts it needs the pane's
    // width, and it wraps rather than be cut when the pane is narrower still.
    outlets.recordLabel->setWordWrap(true);
    browserLayout->addWidget(outlets.recordLabel);
    status->addStretch(1);
    status->addWidget(outlets.recordIndex);
    status->addWidget(outlets.filteredCount);
    status->addWidget(outlets.totalCount);
    browserLayout->addLayout(status);

    // The form, scrolled, and the side panel.
    _formScroll->setWidget(_databaseFieldsView);
    _formScroll->setWidgetResizable(false);
    _formScroll->setObjectName(QStringLiteral("splitview2"));
    _formScroll->viewport()->installEventFilter(this);
    auto *panelScroll = new QScrollArea(this);
    panelScroll->setWidget(_propView);
    panelScroll->setWidgetResizable(false);
    panelScroll->setFixedWidth(240);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(_dbList);
    split->addWidget(browserPane);
    split->addWidget(_formScroll);
    split->addWidget(panelScroll);
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 0);
    split->setStretchFactor(2, 1);
    split->setStretchFactor(3, 0);
    split->setSizes({170, 220, 760, 240});
    for (int i = 0; i < split->count(); ++i)
        split->setCollapsible(i, false);
    _dbList->setMinimumWidth(150);
    browserPane->setMinimumWidth(150);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(_toolbar);
    layout->addWidget(split, 1);

    _databaseFieldsView->setOutlets(outlets);
    _databaseFieldsView->awakeFromNib();

    connect(_pbnBrowse, &QComboBox::activated, this, [this](int index) {
        _databaseFieldsView->setBrowseField(_pbnBrowse->itemData(index).toInt());
    });
    connect(_pbnSort, &QComboBox::activated, this, [this](int index) {
        _databaseFieldsView->setSortField(_pbnSort->itemData(index).toInt());
    });
    buildPanes();
}

DatabaseView::~DatabaseView() = default;

void DatabaseView::buildPanes()
{
    // The sort pane fills the tool bar's sort and browse pop-ups; the find pane twins the quick find.
    auto *sort = new SortDatabaseView(_databaseFieldsView, _pbnSort, _pbnBrowse);
    auto *fields = new FieldTitlesView(_databaseFieldsView);
    auto *editGroups = new EditGroupsView(_databaseFieldsView);
    auto *viewGroups = new ViewGroupsView(_databaseFieldsView);
    auto *find = new FindView(_databaseFieldsView, _browserSearch);
    fields->setFindPropertyView(find);
    fields->setSortPropertyView(sort);
    editGroups->setViewGroupPropertyView(viewGroups);
    _propView->setPropertyViews({sort, fields, editGroups, viewGroups, find});
}

void DatabaseView::buildToolbar()
{
    _toolbar->setIconSize(QSize(20, 20));
    _toolbar->setFloatable(false);
    _toolbar->setMovable(false);

    _addDeleteView = new QWidget(_toolbar);
    {
        QHBoxLayout *row = toolButtonRow(_toolbar, {
            {"addDatabase", QStyle::SP_FileDialogNewFolder, translated(QStringLiteral("New Database"))},
            {"deleteDatabase", QStyle::SP_DialogDiscardButton, translated(QStringLiteral("Delete Database"))},
            {"addRecord", QStyle::SP_FileIcon, translated(QStringLiteral("Add Record"))},
            {"duplicateRecord", QStyle::SP_FileLinkIcon, translated(QStringLiteral("Duplicate"))},
            {"deleteRecord", QStyle::SP_TrashIcon, translated(QStringLiteral("Delete Record"))},
            {"clearRecord", QStyle::SP_DialogResetButton, translated(QStringLiteral("Clear Record"))},
            {"updateRecord", QStyle::SP_DialogSaveButton, translated(QStringLiteral("Update Record"))},
        });
        QToolButton *clear = findChild<QToolButton *>(QStringLiteral("clearRecord"));
        connect(clear, &QToolButton::clicked, this, [this] { _databaseFieldsView->clearAllFields(); });
        connect(_databaseFieldsView, &DatabaseFieldsView::commandsChanged, clear, [this, clear] {
            clear->setEnabled(_databaseFieldsView->validateMenuItem(DatabaseFieldsView::ClearAllFields));
        });
        auto *more = toolButton(_toolbar, QStyle::SP_DirOpenIcon, translated(QStringLiteral("Open Database...")));
        more->setObjectName(QStringLiteral("databaseMenu"));
        auto *menu = new QMenu(more);
        menu->addAction(translated(QStringLiteral("Open Database...")), this, [this] { _databaseFieldsView->openDatabase(); });
        menu->addAction(translated(QStringLiteral("Save Database As...")), this, [this] { _databaseFieldsView->saveDatabaseAs(); });
        menu->addAction(translated(QStringLiteral("Show in Finder")), this, [this] { _databaseFieldsView->showInFinder(); });
        more->setMenu(menu);
        more->setPopupMode(QToolButton::InstantPopup);
        row->addWidget(more);
        auto *box = new QWidget(_toolbar);
        box->setLayout(row);
        _addDeleteView = labelledItem(_toolbar, translated(QStringLiteral("Manage Database Tools")), box);
    }
    _pbnBrowse->setToolTip(translated(QStringLiteral("Change Database Browse field")));
    _pbnBrowse->setMinimumWidth(140);
    _browseByView = labelledItem(_toolbar, translated(QStringLiteral("Browse Database By")), _pbnBrowse);
    _pbnSort->setToolTip(translated(QStringLiteral("Change Database Sort order")));
    _pbnSort->setMinimumWidth(140);
    _sortByView = labelledItem(_toolbar, translated(QStringLiteral("Sort Database By")), _pbnSort);
    {
        auto *box = new QWidget(_toolbar);
        box->setLayout(toolButtonRow(_toolbar, {
            {"navigateFirst", QStyle::SP_MediaSkipBackward, translated(QStringLiteral("First Record"))},
            {"navigatePrevious", QStyle::SP_ArrowUp, translated(QStringLiteral("Previous Record"))},
            {"navigateNext", QStyle::SP_ArrowDown, translated(QStringLiteral("Next Record"))},
            {"navigateLast", QStyle::SP_MediaSkipForward, translated(QStringLiteral("Last Record"))},
        }));
        _navigateView = labelledItem(_toolbar, translated(QStringLiteral("Navigate Database Tools")), box);
    }
    _modeSwitchView = new QWidget(_toolbar);
    _modeSwitchView->setObjectName(QStringLiteral("ModeSwitchItemIdentifier"));
    auto *modeLayout = new QHBoxLayout(_modeSwitchView);
    modeLayout->setContentsMargins(0, 0, 0, 0);

    _toolbar->addWidget(_addDeleteView);
    _toolbar->addSeparator();
    _toolbar->addWidget(_browseByView);
    _toolbar->addWidget(_sortByView);
    _toolbar->addSeparator();
    _toolbar->addWidget(_navigateView);
    auto *spacer = new QWidget(_toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    _toolbar->addWidget(spacer);
    _toolbar->addWidget(_modeSwitchView);
}

void DatabaseView::showDatabasesListMenu(const QPoint &position)
{
    QMenu menu(this);
    menu.addAction(translated(QStringLiteral("Show in Finder")), this, [this] { _databaseFieldsView->showInFinder(); });
    menu.exec(_dbList->viewport()->mapToGlobal(position));
}

bool DatabaseView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == _formScroll->viewport() && event->type() == QEvent::Resize)
        _databaseFieldsView->setViewWidth(_formScroll->viewport()->width());
    // Delete and Backspace in the browser delete records: no window shortcut takes them first.
    if (watched == _browser && event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    if (watched == _browser && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            _databaseFieldsView->deleteRecord();
            return true;
        case Qt::Key_Home:
        case Qt::Key_PageUp:
            _databaseFieldsView->pageUp();
            return true;
        case Qt::Key_End:
        case Qt::Key_PageDown:
            _databaseFieldsView->pageDown();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DatabaseView::appDidFinishLaunching()
{
    _propView->setUdKey(QStringLiteral("dbProperties"));
    _propView->addPropertyViews();
    _databaseFieldsView->reloadDatabases();
    const QStringList files = _databaseFieldsView->databasesListModel()->array();
    if (files.isEmpty())
        return;
    const QString stored = UserDefaults::standard().stringForKey(QStringLiteral("databasePath"));
    // A stored database that is gone or cannot be opened no longer decides: the listed ones
    // are tried in order (a damaged one is said once).
    QStringList candidates = files;
    if (!stored.isEmpty() && QFileInfo(stored).isFile())
        candidates.prepend(stored);
    for (const QString &path : std::as_const(candidates))
        if (_databaseFieldsView->setDatabasePath(path) || _databaseFieldsView->database())
            break;
    _databaseFieldsView->importFirstRunContacts();
}

void DatabaseView::appWillTerminate()
{
    _databaseFieldsView->updateRecord();
}

void DatabaseView::newDatabase()
{
    _databaseFieldsView->addDatabase();
}

void DatabaseView::deleteDatabase()
{
    _databaseFieldsView->deleteDatabase();
}

} // namespace quillmark
