#include "database/window/ExportDatabasePanel.h"

#include "database/store/Database.h"
#include "database/exchange/DelimitedText.h"
#include "foundation/Language.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmark {

namespace {

constexpr int EntryRole = Qt::UserRole + 1;

} // namespace

ExportDatabasePanel::ExportDatabasePanel(QWidget *parent)
    : QDialog(parent), _bnDelimiter(new QComboBox(this)), _tabExportOrder(new QListWidget(this))
{
    setObjectName(QStringLiteral("ExportDatabasePanel"));
    setWindowTitle(translated(QStringLiteral("Export")));
    setWindowModality(Qt::WindowModal);
    _bnDelimiter->setObjectName(QStringLiteral("delimiter"));
    _tabExportOrder->setObjectName(QStringLiteral("exportOrder"));
    _tabExportOrder->setDragDropMode(QAbstractItemView::InternalMove);
    _tabExportOrder->setDefaultDropAction(Qt::MoveAction);
    _tabExportOrder->setSelectionMode(QAbstractItemView::SingleSelection);
    _tabExportOrder->setMinimumSize(320, 380);

    auto *form = new QFormLayout;
    form->addRow(translated(QStringLiteral("Delimiter:")), _bnDelimiter);
    auto *hint = new QLabel(translated(QStringLiteral("Fields to export (drag to change their order):")), this);
    hint->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *cancel = buttons->addButton(translated(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    QPushButton *ok = buttons->addButton(translated(QStringLiteral("Export")), QDialogButtonBox::AcceptRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setObjectName(QStringLiteral("export"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(_tabExportOrder, 1);
    layout->addWidget(buttons);

    connect(_tabExportOrder, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { toggleRow(_tabExportOrder->row(item)); });
    connect(_tabExportOrder, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) { showUsed(item); });
}

void ExportDatabasePanel::setUp(Database *database)
{
    _exportArray.clear();
    _tabExportOrder->clear();
    _bnDelimiter->clear();
    for (const QString &title : DelimitedText::delimiterTitles())
        _bnDelimiter->addItem(translated(title));
    _bnDelimiter->setCurrentIndex(0);
    if (!database)
        return;
    for (const tableField &field : database->fieldsStructure()) {
        if (!(field.flags & 8))
            continue;
        const DatabaseOrder entry(1, field.type, field.title);
        const int index = int(_exportArray.size());
        _exportArray.append(entry);
        QString shown;
        try {
            shown = database->testAttributeForKey(entry.dbtitle());
        } catch (...) {
            shown.clear();
        }
        if (shown.isEmpty())
            shown = translated(field.title);
        auto *item = new QListWidgetItem(shown);
        item->setData(EntryRole, index);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        _tabExportOrder->addItem(item);
        showUsed(item);
    }
}

void ExportDatabasePanel::showUsed(QListWidgetItem *item)
{
    const bool used = item->checkState() == Qt::Checked;
    const QPalette palette = _tabExportOrder->palette();
    const QBrush brush = used ? palette.brush(QPalette::Text) : QBrush(Qt::lightGray);
    if (item->foreground() != brush) {
        const QSignalBlocker blocker(_tabExportOrder);
        item->setForeground(brush);
    }
}

void ExportDatabasePanel::toggleRow(int row)
{
    QListWidgetItem *item = _tabExportOrder->item(row);
    if (!item)
        return;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

QList<DatabaseOrder> ExportDatabasePanel::exportArray() const
{
    QList<DatabaseOrder> list;
    for (int row = 0; row < _tabExportOrder->count(); ++row) {
        const QListWidgetItem *item = _tabExportOrder->item(row);
        DatabaseOrder entry = _exportArray.value(item->data(EntryRole).toInt());
        entry.setUsed(item->checkState() == Qt::Checked ? 1 : 0);
        list.append(entry);
    }
    return list;
}

QChar ExportDatabasePanel::delimiter() const
{
    return DelimitedText::delimiterAt(_bnDelimiter->currentIndex());
}

} // namespace quillmark
