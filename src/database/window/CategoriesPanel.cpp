#include "database/window/CategoriesPanel.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/GroupTitlesModel.h"
#include "foundation/Language.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace quillmark {

CategoriesPanel::CategoriesPanel(DatabaseFieldsView *editor, QWidget *parent)
    : QDialog(parent),
      _databaseFieldsView(editor),
      _message(new QLabel(this)),
      _tabGroups(new QTableView(this)),
      _model(new GroupTitlesModel(GroupTitlesModel::Checks, this)),
      _ok(new QPushButton(translated(QStringLiteral("OK")), this)),
      _cancel(new QPushButton(translated(QStringLiteral("Cancel")), this))
{
    setObjectName(QStringLiteral("CategoriesPanel"));
    setWindowModality(Qt::WindowModal);
    _message->setWordWrap(true);
    _message->setTextFormat(Qt::PlainText);
    DBPropertiesView::setupTitlesTable(_tabGroups, _model, GroupTitlesModel::CheckColumn);
    _tabGroups->setSelectionMode(QAbstractItemView::NoSelection);
    _tabGroups->setEditTriggers(QAbstractItemView::NoEditTriggers);
    _tabGroups->setMinimumSize(260, 220);
    _model->checkToggled = [this](int row, bool on) { return chooseGroup(row, on); };

    _ok->setDefault(true);
    connect(_ok, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    connect(_cancel, &QPushButton::clicked, this, [this] { buttonPressed(0); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(_cancel);
    buttons->addWidget(_ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(_message);
    layout->addWidget(_tabGroups, 1);
    layout->addLayout(buttons);
}

void CategoriesPanel::setupArray(int mode)
{
    _mode = mode;
    _groupsToChange = 0;
    QList<Database::GroupTitle> groups;
    if (Database *db = _databaseFieldsView->database()) {
        try {
            groups = db->groupTitles();
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    _model->setGroups(groups);
    _model->setBits(0);
    QString title;
    QString message;
    switch (mode) {
    case RemoveFromGroups:
        title = QStringLiteral("Remove from Groups");
        message = QStringLiteral("Remove every listed record from the groups checked below.");
        break;
    case ToggleGroups:
        title = QStringLiteral("Toggle Groups");
        message = QStringLiteral("Switch the groups checked below for every listed record.");
        break;
    default:
        title = QStringLiteral("Add to Groups");
        message = QStringLiteral("Add every listed record to the groups checked below.");
        break;
    }
    setWindowTitle(translated(title));
    _message->setText(translated(message));
}

bool CategoriesPanel::chooseGroup(int row, bool on)
{
    if (row < 0 || row >= 63)
        return false;
    const qint64 bit = qint64(1) << row;
    _groupsToChange = on ? (_groupsToChange | bit) : (_groupsToChange & ~bit);
    _model->setBits(_groupsToChange);
    return true;
}

void CategoriesPanel::buttonPressed(int tag)
{
    if (tag == 1 && _groupsToChange != 0)
        _databaseFieldsView->applyGroupOperation(_groupsToChange, _mode);
    done(tag);
}

} // namespace quillmark
