#include "database/window/ViewGroupsView.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/GroupTitlesModel.h"
#include "foundation/Language.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QTableView>

namespace quillmark {

ViewGroupsView::ViewGroupsView(DatabaseFieldsView *editor, QWidget *parent)
    : PropertyView(QStringLiteral("ViewGroupsView"), QStringLiteral("View Group Titles"), parent),
      _databaseFieldsView(editor),
      _tabGroups(new QTableView(this)),
      _model(new GroupTitlesModel(GroupTitlesModel::Checks, this)),
      _btnCheckAll(new QCheckBox(translated(QStringLiteral("All Groups")), this))
{
    const QFont font = DBPropertiesView::propertiesFont();
    _btnCheckAll->setObjectName(QStringLiteral("allGroups"));
    _btnCheckAll->setFont(font);
    _btnCheckAll->setGeometry(6, 4, 191, 20);
    connect(_btnCheckAll, &QCheckBox::clicked, this, [this](bool on) { checkAll(on); });

    DBPropertiesView::setupTitlesTable(_tabGroups, _model, GroupTitlesModel::CheckColumn);
    _tabGroups->setGeometry(2, 28, 199, 180);
    _tabGroups->setSelectionMode(QAbstractItemView::NoSelection);
    _tabGroups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _model->checkToggled = [this](int row, bool on) { return setGroupShown(row, on); };
    setFixedSize(205, 212);
}

void ViewGroupsView::setDatabaseChanged()
{
    reloadData();
    updateCheckAll();
}

void ViewGroupsView::reloadData()
{
    QList<Database::GroupTitle> groups;
    qint64 shown = 0;
    Database *db = _databaseFieldsView->database();
    if (db) {
        try {
            groups = db->groupTitles();
            shown = db->groupsToView();
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    _model->setGroups(groups);
    _model->setBits(shown);
    _btnCheckAll->setEnabled(db != nullptr);
    _tabGroups->setEnabled(db != nullptr);
}

void ViewGroupsView::updateCheckAll()
{
    bool all = true;
    if (Database *db = _databaseFieldsView->database()) {
        try {
            all = Database::isAllGroups(db->groupsToView());
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    const QSignalBlocker block(_btnCheckAll);
    _btnCheckAll->setChecked(all);
    setFilterMark(!all);
}

bool ViewGroupsView::setGroupShown(int row, bool shown)
{
    Database *db = _databaseFieldsView->database();
    if (!db || row < 0 || row >= 63)
        return false;
    qint64 groups = 0;
    try {
        // Every bit of "all groups" is set: taking one away also hides the records of no group.
        groups = db->groupsToView();
        const qint64 bit = qint64(1) << row;
        groups = shown ? (groups | bit) : (groups & ~bit);
        db->setAttributeForKey(QStringLiteral("groupsToView"), QString::number(groups));
        db->refreshBrowser();
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        return false;
    }
    // The rows stay (the table is in the middle of the click); only their boxes change.
    _model->setBits(groups);
    _databaseFieldsView->changeBrowserSelection();
    updateCheckAll();
    _databaseFieldsView->updateNumbers();
    return true;
}

void ViewGroupsView::checkAll(bool on)
{
    Database *db = _databaseFieldsView->database();
    if (!db)
        return;
    try {
        db->setAttributeForKey(QStringLiteral("groupsToView"), QString::number(on ? Database::AllGroups : 0));
        db->refreshBrowser();
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        updateCheckAll();
        return;
    }
    reloadData();
    updateCheckAll();
    _databaseFieldsView->reloadBrowser();
}

} // namespace quillmark
