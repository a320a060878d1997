#include "database/window/PreferencesDatabasePanel.h"

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "foundation/Language.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillmark {

namespace {

constexpr int EntryRole = Qt::UserRole + 1;

QString shownTitle(Database *database, const QString &title)
{
    QString shown;
    if (database) {
        try {
            shown = database->testAttributeForKey(QString(title).replace(QLatin1Char(' '), QLatin1Char('_')));
        } catch (const DatabaseError &) {
            shown.clear();
        }
    }
    return shown.isEmpty() ? translated(title) : shown;
}

} // namespace

PreferencesDatabasePanel::PreferencesDatabasePanel(QWidget *parent)
    : QDialog(parent),
      _tabViewFieldValues(new QTableWidget(this)),
      _tabViewFieldOrder(new QListWidget(this)),
      _profileContacts(new QComboBox(this))
{
    setObjectName(QStringLiteral("PreferencesDatabasePanel"));
    setWindowTitle(translated(QStringLiteral("Database Preferences")));
    setWindowModality(Qt::WindowModal);
    _tabViewFieldValues->setObjectName(QStringLiteral("fieldValues"));
    _tabViewFieldValues->setColumnCount(2);
    _tabViewFieldValues->setHorizontalHeaderLabels({translated(QStringLiteral("Field")), translated(QStringLiteral("Default Value"))});
    _tabViewFieldValues->verticalHeader()->hide();
    _tabViewFieldValues->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    _tabViewFieldValues->setMinimumSize(320, 320);
    _tabViewFieldOrder->setObjectName(QStringLiteral("fieldOrder"));
    _tabViewFieldOrder->setDragDropMode(QAbstractItemView::InternalMove);
    _tabViewFieldOrder->setDefaultDropAction(Qt::MoveAction);
    _tabViewFieldOrder->setMinimumSize(200, 320);
    _profileContacts->setObjectName(QStringLiteral("profileContacts"));
    for (const char *word : {"Work", "Home"}) {
        const QString english = QString::fromLatin1(word);
        _profileContacts->addItem(translated(english), english);
        _profileContacts->setItemData(_profileContacts->count() - 1, english, Qt::ToolTipRole);
    }

    auto *values = new QVBoxLayout;
    values->addWidget(new QLabel(translated(QStringLiteral("Values of a new record:")), this));
    values->addWidget(_tabViewFieldValues, 1);
    auto *order = new QVBoxLayout;
    order->addWidget(new QLabel(translated(QStringLiteral("Order of the Tab key (drag to change):")), this));
    order->addWidget(_tabViewFieldOrder, 1);
    auto *tables = new QHBoxLayout;
    tables->addLayout(values, 3);
    tables->addLayout(order, 2);
    auto *form = new QFormLayout;
    form->addRow(translated(QStringLiteral("Contact profile:")), _profileContacts);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *cancel = buttons->addButton(translated(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    QPushButton *ok = buttons->addButton(translated(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tables, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(_tabViewFieldValues, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (_loading || item->column() != 1)
            return;
        const int index = item->data(EntryRole).toInt();
        if (index >= 0 && index < _valuesArray.size()) {
            _valuesArray[index].setValue(item->text());
            setChanged(ValuesChanged);
        }
    });
    connect(_tabViewFieldOrder, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { toggleOrderRow(_tabViewFieldOrder->row(item)); });
    connect(_tabViewFieldOrder, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (_loading)
            return;
        showUsed(_tabViewFieldOrder->row(item));
        setChanged(OrderChanged);
    });
    connect(_tabViewFieldOrder->model(), &QAbstractItemModel::rowsMoved, this, [this] {
        if (!_loading)
            setChanged(OrderChanged);
    });
}

QList<dbField> PreferencesDatabasePanel::storedValues()
{
    QList<dbField> list;
    for (const QVariant &entry : UserDefaults::standard().arrayForKey(QStringLiteral("fieldValues")))
        list.append(dbField::unarchive(entry.toMap()));
    return list;
}

QList<tableField> PreferencesDatabasePanel::storedOrder()
{
    QList<tableField> list;
    for (const QVariant &entry : UserDefaults::standard().arrayForKey(QStringLiteral("fieldOrder")))
        list.append(tableField::unarchive(entry.toMap()));
    return list;
}

void PreferencesDatabasePanel::readArrays(Database *database)
{
    _valuesArray = storedValues();
    _orderArray = storedOrder();
    if (!database)
        return;
    // Fields of this database that the stored lists do not know yet join them at the end.
    for (const tableField &field : database->fieldsStructure()) {
        if (!(field.flags & 2))
            continue;
        if (field.type != tableField::Date) {
            const bool known = std::any_of(_valuesArray.cbegin(), _valuesArray.cend(),
                                           [&](const dbField &entry) { return entry.title() == field.title; });
            if (!known)
                _valuesArray.append(dbField(field.title, QStringLiteral("")));
        }
        const bool ordered = std::any_of(_orderArray.cbegin(), _orderArray.cend(),
                                         [&](const tableField &entry) { return entry.pk == field.pk && entry.title == field.title; });
        if (!ordered) {
            tableField entry = field;
            entry.type = 1;
            _orderArray.append(entry);
        }
    }
}

void PreferencesDatabasePanel::setUp(Database *database)
{
    _changed = 0;
    readArrays(database);
    reloadTables(database);
    UserDefaults &defaults = UserDefaults::standard();
    if (defaults.stringForKey(QStringLiteral("profileContacts")).isEmpty()) {
        defaults.setObject(QStringLiteral("Work"), QStringLiteral("profileContacts"));
        defaults.synchronize();
    }
    const int index = _profileContacts->findData(defaults.stringForKey(QStringLiteral("profileContacts")));
    _profileContacts->setCurrentIndex(index >= 0 ? index : 0);
}

void PreferencesDatabasePanel::reloadTables(Database *database)
{
    _loading = true;
    _tabViewFieldValues->setRowCount(0);
    _tabViewFieldValues->setRowCount(int(_valuesArray.size()));
    for (int row = 0; row < _valuesArray.size(); ++row) {
        const dbField &entry = _valuesArray.at(row);
        auto *title = new QTableWidgetItem(shownTitle(database, entry.title()));
        title->setFlags(Qt::ItemIsEnabled);
        auto *value = new QTableWidgetItem(entry.value().toString());
        value->setData(EntryRole, row);
        value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        _tabViewFieldValues->setItem(row, 0, title);
        _tabViewFieldValues->setItem(row, 1, value);
    }
    _tabViewFieldOrder->clear();
    for (int row = 0; row < _orderArray.size(); ++row) {
        const tableField &field = _orderArray.at(row);
        auto *item = new QListWidgetItem(shownTitle(database, field.title));
        item->setData(EntryRole, row);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(field.type != 0 ? Qt::Checked : Qt::Unchecked);
        _tabViewFieldOrder->addItem(item);
        showUsed(row);
    }
    _loading = false;
}

void PreferencesDatabasePanel::showUsed(int row)
{
    QListWidgetItem *item = _tabViewFieldOrder->item(row);
    if (!item)
        return;
    const bool was = _loading;
    _loading = true;
    item->setForeground(item->checkState() == Qt::Checked ? _tabViewFieldOrder->palette().brush(QPalette::Text) : QBrush(Qt::lightGray));
    _loading = was;
}

void PreferencesDatabasePanel::toggleOrderRow(int row)
{
    if (QListWidgetItem *item = _tabViewFieldOrder->item(row))
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void PreferencesDatabasePanel::saveArrays()
{
    // The order list as it stands, with each row's check as its type code.
    QList<tableField> order;
    for (int row = 0; row < _tabViewFieldOrder->count(); ++row) {
        const QListWidgetItem *item = _tabViewFieldOrder->item(row);
        tableField field = _orderArray.value(item->data(EntryRole).toInt());
        field.type = item->checkState() == Qt::Checked ? 1 : 0;
        order.append(field);
    }
    _orderArray = order;
    QVariantList values;
    for (const dbField &entry : std::as_const(_valuesArray))
        values.append(entry.archive());
    QVariantList fields;
    for (const tableField &field : std::as_const(_orderArray))
        fields.append(field.archive());
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setObject(values, QStringLiteral("fieldValues"));
    defaults.setObject(fields, QStringLiteral("fieldOrder"));
    defaults.synchronize();
}

void PreferencesDatabasePanel::profileChanged()
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setObject(_profileContacts->currentData().toString(), QStringLiteral("profileContacts"));
    defaults.synchronize();
}

void PreferencesDatabasePanel::done(int result)
{
    if (result == QDialog::Accepted) {
        // A table edit still open counts.
        if (QWidget *editor = _tabViewFieldValues->focusWidget(); editor && editor != _tabViewFieldValues)
            _tabViewFieldValues->setFocus();
        saveArrays();
        profileChanged();
        if (_changed & OrderChanged)
            emit orderChanged();
    }
    QDialog::done(result);
}

} // namespace quillmark
