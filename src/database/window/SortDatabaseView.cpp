#include "database/window/SortDatabaseView.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "foundation/Language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace quillmark {

namespace {

void addField(QComboBox *popup, const QString &title, int pk, bool enabled)
{
    popup->addItem(title, pk);
    if (auto *model = qobject_cast<QStandardItemModel *>(popup->model()))
        if (QStandardItem *item = model->item(popup->count() - 1))
            item->setEnabled(enabled);
}

} // namespace

SortDatabaseView::SortDatabaseView(DatabaseFieldsView *editor, QComboBox *toolbarSort, QComboBox *toolbarBrowse,
                                   QWidget *parent)
    : PropertyView(QStringLiteral("SortDatabaseView"), QStringLiteral("Sorting Criteria"), parent),
      _databaseFieldsView(editor),
      _toolbarSort(toolbarSort),
      _toolbarBrowse(toolbarBrowse)
{
    const QFont font = DBPropertiesView::propertiesFont();
    const char *captions[3] = {"Sort by", "Then by", "Then by"};
    int y = 4;
    for (int i = 0; i < 3; ++i) {
        _captions[i] = new QLabel(translated(QString::fromLatin1(captions[i])), this);
        _captions[i]->setFont(font);
        _captions[i]->setGeometry(4, y, 193, 16);
        _levels[i] = new QComboBox(this);
        _levels[i]->setObjectName(QStringLiteral("sortLevel%1").arg(i + 1));
        _levels[i]->setFont(font);
        _levels[i]->setGeometry(2, y + 17, 197, 24);
        _orders[i] = new QCheckBox(translated(QStringLiteral("Ascending")), this);
        _orders[i]->setObjectName(QStringLiteral("sortOrder%1").arg(i + 1));
        _orders[i]->setFont(font);
        _orders[i]->setGeometry(6, y + 43, 191, 20);
        connect(_levels[i], &QComboBox::activated, this, [this, i] { levelChosen(i + 1); });
        connect(_orders[i], &QCheckBox::clicked, this, [this, i] { orderClicked(i + 1); });
        y += 68;
    }
    setFixedSize(205, y + 2);
    enableControls();
}

QComboBox *SortDatabaseView::levelPopup(int level) const
{
    return level >= 1 && level <= 3 ? _levels[level - 1] : nullptr;
}

QCheckBox *SortDatabaseView::orderBox(int level) const
{
    return level >= 1 && level <= 3 ? _orders[level - 1] : nullptr;
}

void SortDatabaseView::setDatabaseChanged()
{
    QList<QComboBox *> popups = {_levels[0], _levels[1], _levels[2]};
    if (_toolbarSort)
        popups.append(_toolbarSort);
    if (_toolbarBrowse)
        popups.append(_toolbarBrowse);
    for (QComboBox *popup : std::as_const(popups)) {
        const QSignalBlocker block(popup);
        popup->clear();
    }
    for (int level = 1; level < 3; ++level)
        _levels[level]->addItem(translated(QStringLiteral("None")), 0);
    Database *db = _databaseFieldsView->database();
    if (db) {
        try {
            const QList<tableField> listed = fieldsArray(db);
            const qint32 fieldsToView = qint32(db->attributeForKey(QStringLiteral("fieldsToView")).toLongLong());
            for (const tableField &field : db->fieldsStructure()) {
                if (!(field.flags & 2))
                    continue;
                const QString title = displayTitle(db, field);
                const bool shown = isFieldShown(listed, field, fieldsToView);
                for (QComboBox *popup : std::as_const(popups)) {
                    const QSignalBlocker block(popup);
                    addField(popup, title, field.pk, shown);
                }
            }
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    refresh();
}

void SortDatabaseView::selectTitle(QComboBox *popup, const QList<tableField> &fields, const QString &title)
{
    if (!popup)
        return;
    const QSignalBlocker block(popup);
    if (title.isEmpty()) {
        // Level 1 and the tool bar have no "none": they show no choice.
        popup->setCurrentIndex(popup->findData(0));
        return;
    }
    for (const tableField &field : fields) {
        if (field.title == title) {
            popup->setCurrentIndex(popup->findData(field.pk));
            return;
        }
    }
    popup->setCurrentIndex(-1);
}

void SortDatabaseView::refresh()
{
    Database *db = _databaseFieldsView->database();
    if (db) {
        try {
            const QList<tableField> &fields = db->fieldsStructure();
            const QString first = db->sortField(1, false);
            selectTitle(_levels[0], fields, first);
            selectTitle(_toolbarSort, fields, first);
            selectTitle(_toolbarBrowse, fields, db->browseField(false));
            selectTitle(_levels[1], fields, db->sortField(2, false));
            selectTitle(_levels[2], fields, db->sortField(3, false));
            for (int level = 1; level <= 3; ++level) {
                const QSignalBlocker block(_orders[level - 1]);
                _orders[level - 1]->setChecked(db->sortOrder(level) == 0);
            }
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    enableControls();
}

void SortDatabaseView::enableControls()
{
    const bool current = _databaseFieldsView->database() != nullptr;
    // "None" is the item with the tag 0.
    const bool second = current && _levels[1]->currentIndex() >= 0 && _levels[1]->currentData().toInt() != 0;
    _levels[0]->setEnabled(current);
    _orders[0]->setEnabled(current);
    if (_toolbarSort)
        _toolbarSort->setEnabled(current);
    if (_toolbarBrowse)
        _toolbarBrowse->setEnabled(current);
    _levels[1]->setEnabled(current);
    _orders[1]->setEnabled(second);
    _levels[2]->setEnabled(second);
    _orders[2]->setEnabled(second);
    _captions[2]->setEnabled(second);
}

void SortDatabaseView::levelChosen(int level)
{
    Database *db = _databaseFieldsView->database();
    QComboBox *popup = levelPopup(level);
    if (!db || !popup || popup->currentIndex() < 0)
        return;
    const int pk = popup->currentData().toInt();
    try {
        if (pk == 0)
            db->removeSortField(level);
        else
            db->setSortField(pk, level);
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        refresh();
        return;
    }
    if (level == 1 && _toolbarSort) {
        const QSignalBlocker block(_toolbarSort);
        _toolbarSort->setCurrentIndex(_toolbarSort->findData(pk));
    }
    enableControls();
    // The browser keeps the selected record, wherever the new order puts it.
    _databaseFieldsView->changeBrowserSelection();
}

void SortDatabaseView::orderClicked(int level)
{
    Database *db = _databaseFieldsView->database();
    QCheckBox *box = orderBox(level);
    if (!db || !box)
        return;
    try {
        db->setSortOrder(box->isChecked() ? 0 : 1, level);
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        refresh();
        return;
    }
    _databaseFieldsView->changeBrowserSelection();
}

} // namespace quillmark
