#include "database/window/FieldTitlesView.h"

#include "database/window/DBPropertiesView.h"
#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/FieldTitlesModel.h"
#include "database/window/FindView.h"
#include "database/window/SortDatabaseView.h"
#include "foundation/Language.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QTableView>

namespace quillmark {

FieldTitlesView::FieldTitlesView(DatabaseFieldsView *editor, QWidget *parent)
    : PropertyView(QStringLiteral("FieldTitlesView"), QStringLiteral("Field Titles & Visibility"), parent),
      _databaseFieldsView(editor),
      _tabFields(new QTableView(this)),
      _model(new FieldTitlesModel(this)),
      _btnCheckAll(new QCheckBox(translated(QStringLiteral("Show All Fields")), this))
{
    const QFont font = DBPropertiesView::propertiesFont();
    _btnCheckAll->setObjectName(QStringLiteral("showAllFields"));
    _btnCheckAll->setFont(font);
    _btnCheckAll->setGeometry(6, 4, 191, 20);
    connect(_btnCheckAll, &QCheckBox::clicked, this, [this](bool on) { checkAll(on); });

    DBPropertiesView::setupTitlesTable(_tabFields, _model, FieldTitlesModel::ShownColumn);
    _tabFields->setGeometry(2, 28, 199, 260);
    _tabFields->setSelectionBehavior(QAbstractItemView::SelectRows);
    _tabFields->setSelectionMode(QAbstractItemView::SingleSelection);
    _tabFields->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    // Rows are reordered by dragging them within the table.
    _tabFields->setDragEnabled(true);
    _tabFields->setAcceptDrops(true);
    _tabFields->setDragDropMode(QAbstractItemView::InternalMove);
    _tabFields->setDragDropOverwriteMode(false);
    _tabFields->setDropIndicatorShown(true);
    _tabFields->setDefaultDropAction(Qt::MoveAction);

    _model->shownEdited = [this](int row, bool shown) { return setFieldShown(row, shown); };
    _model->titleEdited = [this](int row, const QString &title) { return setFieldTitle(row, title); };
    _model->rowMoved = [this](int from, int to) { rowMoved(from, to); };
    setFixedSize(205, 292);
    setDatabaseChanged();
}

QString FieldTitlesView::defaultOrder(Database *database)
{
    QStringList order;
    const int count = database ? int(database->fieldsStructure().size()) : 0;
    for (int i = 0; i < count; ++i)
        order.append(QString::number(i));
    return order.join(QLatin1Char(':'));
}

void FieldTitlesView::setDatabaseChanged()
{
    _orderArray.clear();
    Database *db = _databaseFieldsView->database();
    if (db) {
        const int count = int(db->fieldsStructure().size());
        QString text;
        try {
            text = db->attributeForKey(QStringLiteral("fieldsOrderArray"));
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
        if (text.isEmpty() || text == QLatin1String("-1"))
            text = defaultOrder(db);
        for (const QString &part : text.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int index = part.toInt(&ok);
            // An index past the fields, or one given twice, stands for nothing.
            if (ok && index >= 0 && index < count && !_orderArray.contains(index))
                _orderArray.append(index);
        }
        // A field the stored order leaves out can still be shown and moved.
        for (int i = 0; i < count; ++i)
            if (!_orderArray.contains(i))
                _orderArray.append(i);
    }
    reloadData();
    updateCheckAll();
}

void FieldTitlesView::reloadData()
{
    QList<FieldTitlesModel::Row> rows;
    _rowFields.clear();
    Database *db = _databaseFieldsView->database();
    if (db) {
        try {
            const QList<tableField> &fields = db->fieldsStructure();
            const QList<tableField> listed = fieldsArray(db);
            const qint32 fieldsToView = qint32(db->attributeForKey(QStringLiteral("fieldsToView")).toLongLong());
            for (int index : std::as_const(_orderArray)) {
                const tableField &field = fields.at(index);
                const int position = int(listed.indexOf(field));
                if (position < 0)
                    continue;
                FieldTitlesModel::Row row;
                row.pk = field.pk;
                row.title = displayTitle(db, field);
                row.switchable = position < 32;
                row.shown = isFieldShown(listed, field, fieldsToView);
                rows.append(row);
                _rowFields.append(index);
            }
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    _model->setRows(rows);
    _btnCheckAll->setEnabled(db != nullptr);
    _tabFields->setEnabled(db != nullptr);
}

void FieldTitlesView::updateCheckAll()
{
    bool all = true;
    if (Database *db = _databaseFieldsView->database()) {
        try {
            all = qint32(db->attributeForKey(QStringLiteral("fieldsToView")).toLongLong()) == -1;
        } catch (const DatabaseError &e) {
            qWarning("%s", qPrintable(e.message()));
        }
    }
    const QSignalBlocker block(_btnCheckAll);
    _btnCheckAll->setChecked(all);
    setFilterMark(!all);
}

bool FieldTitlesView::setFieldShown(int row, bool shown)
{
    Database *db = _databaseFieldsView->database();
    if (!db || row < 0 || row >= _rowFields.size())
        return false;
    const tableField field = db->fieldsStructure().at(_rowFields.at(row));
    const int position = int(fieldsArray(db).indexOf(field));
    if (position < 0 || position >= 32)
        return false;
    try {
        qint32 bits = qint32(db->attributeForKey(QStringLiteral("fieldsToView")).toLongLong());
        const qint32 bit = qint32(1) << position;
        bits = shown ? (bits | bit) : (bits & ~bit);
        // Every field shown again is "all fields", whatever the bits past the fields say.
        const qsizetype listed = fieldsArray(db).size();
        const qint32 every = listed >= 32 ? qint32(-1) : qint32((qint64(1) << listed) - 1);
        if ((bits & every) == every)
            bits = -1;
        db->setAttributeForKey(QStringLiteral("fieldsToView"), QString::number(bits));
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        return false;
    }
    fieldsEdited(true, false);
    return true;
}

bool FieldTitlesView::setFieldTitle(int row, const QString &typed)
{
    Database *db = _databaseFieldsView->database();
    if (!db || row < 0 || row >= _rowFields.size())
        return false;
    const tableField field = db->fieldsStructure().at(_rowFields.at(row));
    const QString title = typed.trimmed();
    try {
        // An empty title, or the field's own, stores none: the form shows the field's title.
        const QString translatedTitle = translated(field.title);
        const QString stored = title == field.title || title == translatedTitle ? QString() : title;
        db->setAttributeForKey(field.dbtitle(), stored.isNull() ? QStringLiteral("") : stored);
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        return false;
    }
    _databaseFieldsView->updateFieldLabel(field.pk);
    // The row changes in place: the table is in the middle of the edit.
    _model->setRowTitle(row, displayTitle(db, field));
    fieldsEdited(false, false);
    return true;
}

void FieldTitlesView::fieldsEdited(bool visibility, bool reloadTable)
{
    if (visibility)
        _databaseFieldsView->populate();
    if (reloadTable)
        reloadData();
    updateCheckAll();
    if (visibility && _findPropertyView)
        _findPropertyView->setDatabaseChanged();
    if (_findPropertyView)
        _findPropertyView->updateUserFields();
    if (_sortPropertyView)
        _sortPropertyView->updateUserFields();
}

void FieldTitlesView::checkAll(bool on)
{
    Database *db = _databaseFieldsView->database();
    if (!db)
        return;
    try {
        db->setAttributeForKey(QStringLiteral("fieldsToView"), on ? QStringLiteral("-1") : QStringLiteral("0"));
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        updateCheckAll();
        return;
    }
    fieldsEdited(true, true);
}

void FieldTitlesView::rowMoved(int from, int to)
{
    if (from < 0 || from >= _rowFields.size() || to < 0 || to >= _rowFields.size())
        return;
    // The rows stand for some of the order's entries; the moved one takes its new place among
    // them and the entries of fields that are not rows keep theirs.
    QList<int> places;
    for (int i = 0; i < _orderArray.size(); ++i)
        if (_rowFields.contains(_orderArray.at(i)))
            places.append(i);
    _rowFields.move(from, to);
    for (int i = 0; i < places.size() && i < _rowFields.size(); ++i)
        _orderArray[places.at(i)] = _rowFields.at(i);
    writeOrderArray();
}

void FieldTitlesView::writeOrderArray()
{
    Database *db = _databaseFieldsView->database();
    if (!db)
        return;
    QStringList order;
    for (int index : std::as_const(_orderArray))
        order.append(QString::number(index));
    try {
        db->setAttributeForKey(QStringLiteral("fieldsOrderArray"), order.join(QLatin1Char(':')));
    } catch (const DatabaseError &e) {
        _databaseFieldsView->reportDatabaseError(e, false);
        // The table shows what is stored, not an order that was not kept.
        setDatabaseChanged();
        return;
    }
    _databaseFieldsView->populate();
}

} // namespace quillmark
