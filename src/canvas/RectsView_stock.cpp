// The current stock on the canvas: free layout and grid label kept in step, the per-position
// print flags, the stock browser's selection, search and description, and the custom stock
// commands.
#include "canvas/RectsView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include <cmath>

#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "platform/PrintPanels.h"
#include "platform/Prompts.h"
#include "platform/UndoRegistrationOff.h"
#include "platform/UserDefaults.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomFormat.h"
#include "stock/CustomLabel.h"
#include "stock/DataSource.h"
#include "stock/EditCustomFormat.h"
#include "stock/EditCustomLabel.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"
#include "stock/TLabelType.h"

namespace quillmark {

namespace {

// Holds a flag set for the lifetime of a scope: selections the canvas makes itself must not
// come back as the user's choice.
class FlagGuard
{
public:
    explicit FlagGuard(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = m_old; }

private:
    bool &m_flag;
    bool m_old;
};

} // namespace

namespace {

bool standardTabShown(QTabWidget *tabs)
{
    return !tabs || tabs->currentIndex() == 0;
}

int selectedTableRow(QTableView *table)
{
    if (!table || !table->selectionModel())
        return -1;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QModelIndex selectedTreeIndex(QTreeView *tree)
{
    if (!tree || !tree->selectionModel())
        return {};
    const QModelIndexList rows = tree->selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

} // namespace

QString RectsView::getCurrentType() const
{
    return _tformat ? _tformat->labeltypesAtIndex(_tindex) : QString();
}

QString RectsView::getFirstType() const
{
    return _tformat ? _tformat->labeltypesAtIndex(0) : QString();
}

int RectsView::labelPositionCount() const
{
    if (_tformat)
        return int(_tformat->labels.size());
    return std::max(0, _tlabel.positionCount());
}

void RectsView::renewFlags()
{
    _pNonPrnLabel = QByteArray(labelPositionCount(), '\0');
}

void RectsView::setEnableLabelFlags(const QByteArray &flags)
{
    QByteArray fitted = flags.left(labelPositionCount());
    if (fitted.size() < labelPositionCount())
        fitted.append(QByteArray(labelPositionCount() - fitted.size(), '\0'));
    _pNonPrnLabel = fitted;
    emit stockChanged();
}

void RectsView::enableLabelFlagsDidChange()
{
    wasChanged(true);
}

void RectsView::setTFormat(const TFormat &format)
{
    _tformat = format;
    _tformat->rectsview = this;
    // A free layout's own paper; a grid's comes with the grid record (setTLabel below).
    _tlabel.paper = canonicalPaperName(format.papersize);
    _tindex = 0;
    clearSelection();

    rebuildPageSegments();

    setTLabel(true);
    labelLandscape(_tformat->orientation());
    update();
    wasChanged(true);
    templateFolderChanged(false);
}

void RectsView::rebuildPageSegments()
{
    SegmentedControl *pages = m_outlets.segmentedPageOutlet;
    if (!pages || !_tformat)
        return;
    // Named once: naming each type on its own would name all before it every time.
    const QStringList names = _tformat->labelTypeTitles();
    const int count = int(names.size());
    pages->setSegmentCount(std::max(count, 1));
    for (int i = 0; i < count; ++i)
        pages->setLabel(i, names[i]);
    pages->setEnabled(count >= 2);
    pages->setSelectedSegment(0);
}

void RectsView::setTLabel(bool renew)
{
    if (_tformat) {
        if (const TLabelT *shape = _tformat->labeltypeObjectAtIndex(_tindex)) {
            _tlabel.name = _tformat->name;
            _tlabel.width = float(shape->widthValue() / MillimetresPerInch);
            _tlabel.height = float(shape->heightValue() / MillimetresPerInch);
            _tlabel.top_margin = float(shape->yValue() / MillimetresPerInch);
            _tlabel.left_margin = float(shape->xValue() / MillimetresPerInch);
            if (shape->orientation == 1) {
                std::swap(_tlabel.width, _tlabel.height);
                std::swap(_tlabel.top_margin, _tlabel.left_margin);
            }
            _tlabel.vert_distance = 1.0f;
            _tlabel.hor_distance = 1.0f;
            _tlabel.num_label = 1;
            _tlabel.num_downlabel = 1;
            _tlabel.units = 1;
            _tlabel.deleted = 0;
            if (shape->isRound())
                _tlabel.shape = TLabel::Oval;
            else
                _tlabel.shape = shape->radiusValue() > 0.0f ? TLabel::RoundedRectangle : TLabel::Rectangle;
            _tlabel.hole = float(shape->holeValue() / MillimetresPerInch);
            _tlabel.round_param = float(shape->radiusValue() / MillimetresPerInch);
        }
    }
    if (renew || _pNonPrnLabel.size() != labelPositionCount())
        renewFlags();
    applyStockSizeToView();
    changeLabelDescription();
    wasChanged(true);
    resizeRectViewBound(false, false);
    emit stockChanged();
}

void RectsView::applyStockSizeToView()
{
    setFrameAndBounds(QRectF(m_bounds.topLeft(),
                             QSizeF(double(_tlabel.width) * 72.0 + 200.0,
                                    double(_tlabel.height) * 72.0 + 200.0)));
}

void RectsView::setTLabel(const TLabel &label)
{
    setTFormat(formatFromGridLabel(label));
    _tlabel = label;
    // The grid's own counts decide the positions, also when the sheet was too large to lay
    // out as shapes.
    if (_pNonPrnLabel.size() != labelPositionCount())
        renewFlags();
    applyStockSizeToView();
    changeLabelDescription();
    resizeRectViewBound(false, false);
    emit stockChanged();
}

void RectsView::setTIndex(int index)
{
    _tindex = std::max(0, index);
    clearSelection();
    setTLabel(false);
    templateFolderChanged(true);
    update();
    wasChanged(true);
}

void RectsView::scaleObjectsFromSize(const QSizeF &from, const QSizeF &to)
{
    if (!(from.width() > 0.0) || !(from.height() > 0.0) || !(to.width() > 0.0) || !(to.height() > 0.0) || from == to)
        return;
    const double sx = to.width() / from.width();
    const double sy = to.height() / from.height();
    // A title-and-value pair is laid out again as a whole, whoever placed it; of the rest only
    // what a template placed follows the label: what the user placed keeps its size and place.
    QList<GroupPtr> pairs;
    GraphicList alone;
    QSet<const Group *> seen;
    for (const GraphicPtr &graphic : std::as_const(rects)) {
        if (Group *owner = graphic->getGroup(); owner && owner->className() == QLatin1String("GroupField")) {
            if (!seen.contains(owner)) {
                seen.insert(owner);
                pairs.append(groupPtr(owner));
            }
            continue;
        }
        if (graphic->isTemplate())
            alone.append(graphic);
    }
    // Each object gives back what the scaling changes as it was; the setters the scaling
    // runs through record nothing of their own.
    for (const GroupPtr &pair : std::as_const(pairs))
        for (const GraphicPtr &member : pair->getObjects())
            member->registerScaleUndo();
    for (const GraphicPtr &graphic : std::as_const(alone))
        graphic->registerScaleUndo();
    {
        const UndoRegistrationOff off(&m_undoManager);
        for (const GroupPtr &pair : std::as_const(pairs))
            pair->scaleWhole(sx, sy);
        for (const GraphicPtr &graphic : std::as_const(alone))
            graphic->scaleByX(sx, sy);
    }
    fitGroupsToMembers();
}

void RectsView::fitGroupsToMembers(bool undoable)
{
    // A turned group's frame is worked out anew from its members within rounding.
    auto same = [](const QRectF &a, const QRectF &b) {
        const double e = 1e-6;
        return std::abs(a.left() - b.left()) <= e && std::abs(a.top() - b.top()) <= e
               && std::abs(a.right() - b.right()) <= e && std::abs(a.bottom() - b.bottom()) <= e;
    };
    QList<std::pair<GroupPtr, QRectF>> fitted;
    for (const GroupPtr &group : std::as_const(_groups)) {
        // A title-and-value pair answers its frame from its members itself.
        if (group->className() != QLatin1String("Group") || group->getObjects().isEmpty())
            continue;
        const QRectF frame = group->membersFrame();
        if (!same(frame, group->bounds()))
            fitted.append({group, frame});
    }
    if (fitted.isEmpty())
        return;
    if (undoable) {
        setGroupBounds(fitted);
        return;
    }
    for (const auto &[group, frame] : std::as_const(fitted))
        group->setBounds(frame);
}

void RectsView::setGroupBounds(const QList<std::pair<GroupPtr, QRectF>> &bounds)
{
    QList<std::pair<GroupPtr, QRectF>> before;
    for (const auto &[group, frame] : bounds)
        before.append({group, group->bounds()});
    registerUndo([this, before] { setGroupBounds(before); });
    for (const auto &[group, frame] : bounds)
        group->setBounds(frame);
}

QSizeF RectsView::labelSizeInPoints() const
{
    return QSizeF(double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0);
}

RectsView::StockState RectsView::stockState() const
{
    return StockState{_tformat, _tlabel, _tindex, _pNonPrnLabel};
}

void RectsView::restoreStock(const StockState &state)
{
    registerUndo([this, now = stockState()] { restoreStock(now); });
    const UndoRegistrationOff off(&m_undoManager);
    if (state.format)
        setTFormat(*state.format);
    _tlabel = state.label;
    if (_tformat && state.index > 0 && state.index < int(_tformat->labelTypeTitles().size())) {
        _tindex = state.index;
        if (m_outlets.segmentedPageOutlet)
            m_outlets.segmentedPageOutlet->setSelectedSegment(state.index);
    }
    _pNonPrnLabel = state.flags;
    applyStockSizeToView();
    resizeRectViewBound(false, false);
    adjustLabelListSelection();
    emit stockChanged();
    update();
}

bool RectsView::laysOutLabels() const
{
    return _tformat ? !_tformat->labels.empty() : _tlabel.positionCount() > 0;
}

void RectsView::changeStock(const std::function<void()> &makeCurrent)
{
    const StockState previous = stockState();
    // A stock that lays out no label (one of more labels than a sheet holds) is not the size
    // the design was made for: the design keeps its size.
    const std::optional<QSizeF> oldSize = laysOutLabels() ? std::optional(labelSizeInPoints()) : std::nullopt;
    m_undoManager.beginUndoGrouping();
    registerUndo([this, previous] { restoreStock(previous); });
    {
        const UndoRegistrationOff off(&m_undoManager);
        makeCurrent();
    }
    if (oldSize)
        scaleObjectsFromSize(*oldSize, labelSizeInPoints());
    {
        FlagGuard changing(m_stockChanging);
        setDefaultTemplate();
    }
    update();
    m_undoManager.setActionName(localizedStringFromTable(QStringLiteral("Change Label Stock"), QStringLiteral("UndoStrings")));
    m_undoManager.endUndoGrouping();
}

void RectsView::setTLabelInOrientation(const TLabel &label)
{
    const qint32 orientation = _tformat ? _tformat->orientation() : 0;
    setTLabel(label);
    _tformat->setOrientation(orientation);
    labelLandscape(orientation);
    if (orientation == 1) {
        std::swap(_tlabel.width, _tlabel.height);
        std::swap(_tlabel.top_margin, _tlabel.left_margin);
        applyStockSizeToView();
        resizeRectViewBound(false, false);
    }
}

void RectsView::selectFormat(const TLabel &label)
{
    changeStock([this, label] { setTLabelInOrientation(label); });
    adjustLabelListSelection();
}

// ---- the browser ----

void RectsView::writeStockDefaults(int type)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setInteger(type, QStringLiteral("LabelFormatType"));
    defaults.setBool(m_dataSource->isCategories(), QStringLiteral("IsCategory"));
    defaults.setString(_tlabel.name, QStringLiteral("LabelName"));
    // Makers share some product codes: the category tells which product was chosen.
    const TLabelType *entry = type == 0 ? m_dataSource->labelTypeAt(selectedTreeIndex(m_outlets.labelOutlineViewOutlet)) : nullptr;
    if (entry)
        defaults.setString(entry->getProductCategory(), QStringLiteral("LabelCategory"));
    else
        defaults.removeObject(QStringLiteral("LabelCategory"));
    defaults.synchronize();
}

void RectsView::selectCatalogueIndex(const QModelIndex &index)
{
    QTreeView *tree = m_outlets.labelOutlineViewOutlet;
    if (!tree || !index.isValid())
        return;
    FlagGuard guard(m_adjustingLists);
    if (index.parent().isValid())
        tree->expand(index.parent());
    tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                       | QItemSelectionModel::Rows);
    tree->scrollTo(index);
}

void RectsView::selectLabelFormat(bool flag)
{
    UserDefaults &defaults = UserDefaults::standard();
    if (flag && !defaults.objectForKey(QStringLiteral("IsCategory")).isNull()
        && !defaults.boolForKey(QStringLiteral("IsCategory")) && m_dataSource->isCategories()) {
        // Switching the view asks the canvas again for the stock to show.
        m_dataSource->changeViewType();
        return;
    }
    const qint64 type = defaults.integerForKey(QStringLiteral("LabelFormatType"));
    if (type < 0)
        return;
    if (m_outlets.tabPanelViewOutlet && type < m_outlets.tabPanelViewOutlet->count())
        m_outlets.tabPanelViewOutlet->setCurrentIndex(int(type));
    QString name = defaults.stringForKey(QStringLiteral("LabelName"));
    if (name.isEmpty())
        name = QStringLiteral("5160");

    if (type != 0) {
        const int listIndex = m_customDataSource->indexByName(name);
        if (listIndex < 0)
            return;
        int row = -1;
        for (int r = 0; r < m_customDataSource->rowCount(); ++r)
            if (m_customDataSource->listIndexOfRow(r) == listIndex)
                row = r;
        if (row < 0)
            return;
        tableViewSelectionChange(row);
        if (QTableView *table = m_outlets.labelTableViewOutlet) {
            FlagGuard guard(m_adjustingLists);
            table->selectRow(row);
            table->scrollTo(m_customDataSource->index(row, 0));
        }
        enableCustomFormatButtons();
        return;
    }

    const QModelIndex index = m_dataSource->modelIndexByName(name, defaults.stringForKey(QStringLiteral("LabelCategory")));
    if (!index.isValid())
        return;
    outlineViewSelectionChange(index);
    selectCatalogueIndex(index);
}

void RectsView::outlineViewSelectionDidChange()
{
    if (m_adjustingLists)
        return;
    const QModelIndex index = selectedTreeIndex(m_outlets.labelOutlineViewOutlet);
    if (!index.isValid())
        return;
    outlineViewSelectionChange(index);
    if (!m_dataSource->isItemExpandable(index))
        writeStockDefaults(0);
}

void RectsView::tableViewSelectionDidChange()
{
    if (m_adjustingLists)
        return;
    const int row = selectedTableRow(m_outlets.labelTableViewOutlet);
    if (row < 0) {
        enableCustomFormatButtons();
        return;
    }
    tableViewSelectionChange(row);
    writeStockDefaults(1);
}

void RectsView::outlineViewSelectionChange(const QModelIndex &index)
{
    if (const TLabelType *entry = m_dataSource->labelTypeAt(index)) {
        const TLabel label = entry->getLabelStruct();
        changeStock([this, label] { setTLabel(label); });
    }
    if (QTableView *table = m_outlets.labelTableViewOutlet) {
        FlagGuard guard(m_adjustingLists);
        table->clearSelection();
    }
    enableCustomFormatButtons();
}

void RectsView::tableViewSelectionChange(int row)
{
    const CustomEntry *entry = m_customDataSource->getData(row);
    if (entry) {
        if (QTreeView *tree = m_outlets.labelOutlineViewOutlet) {
            FlagGuard guard(m_adjustingLists);
            tree->clearSelection();
        }
        if (const auto *format = dynamic_cast<const CustomFormat *>(entry)) {
            const TFormat chosen = format->format();
            changeStock([this, chosen] { setTFormat(chosen); });
        } else if (const auto *custom = dynamic_cast<const CustomLabel *>(entry)) {
            const TLabel label = custom->getLabel();
            changeStock([this, label] { setTLabelInOrientation(label); });
        }
    }
    enableCustomFormatButtons();
}

void RectsView::adjustLabelListSelection()
{
    matchLabelListSelection();
    // The description names the stock the lists now show, not the one they showed before.
    changeLabelDescription();
}

void RectsView::matchLabelListSelection()
{
    const QModelIndex index = m_dataSource->modelIndexForLabel(_tlabel);
    if (index.isValid()) {
        if (m_outlets.tabPanelViewOutlet)
            m_outlets.tabPanelViewOutlet->setCurrentIndex(0);
        selectCatalogueIndex(index);
        if (QTableView *table = m_outlets.labelTableViewOutlet) {
            FlagGuard guard(m_adjustingLists);
            table->clearSelection();
        }
        return;
    }
    for (int row = 0; row < m_customDataSource->rowCount(); ++row) {
        if (m_customDataSource->getItemName(m_customDataSource->listIndexOfRow(row)) != _tlabel.name)
            continue;
        if (m_outlets.tabPanelViewOutlet)
            m_outlets.tabPanelViewOutlet->setCurrentIndex(1);
        if (QTableView *table = m_outlets.labelTableViewOutlet) {
            FlagGuard guard(m_adjustingLists);
            table->selectRow(row);
        }
        if (QTreeView *tree = m_outlets.labelOutlineViewOutlet) {
            FlagGuard guard(m_adjustingLists);
            tree->clearSelection();
        }
        enableCustomFormatButtons();
        return;
    }
    // A stock neither list knows: no row may claim to be it.
    FlagGuard guard(m_adjustingLists);
    if (QTreeView *tree = m_outlets.labelOutlineViewOutlet)
        tree->clearSelection();
    if (QTableView *table = m_outlets.labelTableViewOutlet)
        table->clearSelection();
    enableCustomFormatButtons();
}


QString RectsView::labelDescription() const
{
    TLabel label = _tlabel;
    if (standardTabShown(m_outlets.tabPanelViewOutlet)) {
        if (const TLabelType *entry = m_dataSource->labelTypeAt(selectedTreeIndex(m_outlets.labelOutlineViewOutlet)))
            label = entry->getLabelStruct();
    } else if (const auto *custom = dynamic_cast<const CustomLabel *>(
                   m_customDataSource->getData(selectedTableRow(m_outlets.labelTableViewOutlet)))) {
        label = custom->getLabel();
    }
    auto *self = const_cast<RectsView *>(this);
    QString text = Language::stringForKey(QStringLiteral("%@ x %@, %d across, %d down"));
    const QStringList values = {self->convertUnits(label.width), self->convertUnits(label.height)};
    for (const QString &value : values)
        text.replace(text.indexOf(QLatin1String("%@")), 2, value);
    for (int count : {int(label.num_label), int(label.num_downlabel)}) {
        const qsizetype at = text.indexOf(QLatin1String("%d"));
        if (at >= 0)
            text.replace(at, 2, QString::number(count));
    }
    return text;
}

void RectsView::changeLabelDescription()
{
    if (m_outlets.labelInfo)
        m_outlets.labelInfo->setText(labelDescription());
}

void RectsView::setFormatFilter(const QString &text)
{
    _formatFilter = text;
    // Both lists follow the text, the one behind the other tab too: a list filtered by a text
    // no longer in the field would hide stocks with nothing to tell why.
    {
        // The reloaded table keeps the chosen entry selected while the filter shows it.
        const int listIndex = m_customDataSource->listIndexOfRow(selectedTableRow(m_outlets.labelTableViewOutlet));
        m_customDataSource->reloadData();
        if (QTableView *table = m_outlets.labelTableViewOutlet; table && listIndex >= 0) {
            FlagGuard guard(m_adjustingLists);
            for (int row = 0; row < m_customDataSource->rowCount(); ++row)
                if (m_customDataSource->listIndexOfRow(row) == listIndex)
                    table->selectRow(row);
        }
        enableCustomFormatButtons();
    }
    updateOutlineViewData();
    changeLabelDescription();
}

void RectsView::updateOutlineViewData()
{
    FlagGuard guard(m_adjustingLists);
    // The rebuilt catalogue keeps the chosen label selected while the filter shows it.
    const TLabelType *chosen = m_dataSource->labelTypeAt(selectedTreeIndex(m_outlets.labelOutlineViewOutlet));
    m_dataSource->recalc();
    if (chosen)
        selectCatalogueIndex(m_dataSource->modelIndexOfEntry(chosen));
}

void RectsView::enableCustomFormatButtons()
{
    const bool selected = selectedTableRow(m_outlets.labelTableViewOutlet) >= 0;
    if (m_outlets.bnDeleteFormat)
        m_outlets.bnDeleteFormat->setEnabled(selected);
    if (m_outlets.bnEditFormat)
        m_outlets.bnEditFormat->setEnabled(selected);
}

// ---- custom stock commands ----

namespace {

void reportSaveFailure(QWidget *parent, const CustomDataSource &source)
{
    Prompts::current().alert(parent, Language::stringForKey(QStringLiteral("Error")),
                             Language::stringForKey(QStringLiteral("The custom label formats could not be saved."))
                                 + QLatin1Char('\n') + source.filePath(),
                             {Language::stringForKey(QStringLiteral("OK"))});
}

} // namespace

void RectsView::selectLastCustomRow()
{
    FlagGuard guard(m_adjustingLists);
    if (QTableView *table = m_outlets.labelTableViewOutlet) {
        // The entry just added is the last of the list; a search text may hide it, and then no
        // other row may stand for it.
        table->clearSelection();
        for (int row = 0; row < m_customDataSource->rowCount(); ++row)
            if (m_customDataSource->listIndexOfRow(row) == m_customDataSource->count() - 1)
                table->selectRow(row);
    }
    // The new custom stock is the chosen one now: a catalogue row left selected would take its
    // place again at New.
    if (QTreeView *tree = m_outlets.labelOutlineViewOutlet)
        tree->clearSelection();
}

void RectsView::showEveryStock()
{
    // A stock just made must not be hidden by the search text of before.
    if (_formatFilter.isEmpty())
        return;
    if (m_outlets.searchField)
        m_outlets.searchField->clear();
    if (!_formatFilter.isEmpty())
        setFormatFilter(QString());
}

void RectsView::storeCustomList()
{
    if (!m_customDataSource->save_data())
        reportSaveFailure(window(), *m_customDataSource);
}

void RectsView::newCustomLabel()
{
    EditCustomLabel panel(window(), this);
    panel.setup();
    if (PrintPanels::current().runSheet(panel) != 1)
        return;
    TLabel label = panel.label();
    label.name = m_customDataSource->validateName(label.name);
    showEveryStock();
    m_customDataSource->addNewFormat(label);
    m_customDataSource->reloadData();
    selectLastCustomRow();
    storeCustomList();
    changeStock([this, label] { setTLabelInOrientation(label); });
    writeStockDefaults(1);
    enableCustomFormatButtons();
}

void RectsView::newCustomFormat()
{
    EditCustomFormat panel(window(), this);
    panel.setup(nullptr);
    if (PrintPanels::current().runSheet(panel) != 1)
        return;
    TFormat format = panel.format();
    format.name = m_customDataSource->validateName(format.name);
    showEveryStock();
    m_customDataSource->addNewTFormat(format);
    m_customDataSource->reloadData();
    if (m_outlets.tabPanelViewOutlet)
        m_outlets.tabPanelViewOutlet->setCurrentIndex(1);
    selectLastCustomRow();
    storeCustomList();
    changeStock([this, format] { setTFormat(format); });
    writeStockDefaults(1);
    enableCustomFormatButtons();
}

void RectsView::editCustomFormat()
{
    if (standardTabShown(m_outlets.tabPanelViewOutlet))
        editStandardLabel();
    else
        editCustomLabel();
}

void RectsView::editStandardLabel()
{
    QTreeView *tree = m_outlets.labelOutlineViewOutlet;
    const QModelIndex index = selectedTreeIndex(tree);
    if (!index.isValid())
        return;
    if (m_dataSource->isItemExpandable(index)) {
        tree->setExpanded(index, !tree->isExpanded(index));
        return;
    }
    const TLabelType *entry = m_dataSource->labelTypeAt(index);
    if (!entry)
        return;
    EditCustomLabel panel(window(), this);
    panel.setLabel(entry->getLabelStruct());
    if (PrintPanels::current().runSheet(panel) != 1)
        return;
    TLabel label = panel.label();
    label.name = m_customDataSource->validateName(label.name + QStringLiteral("_custom"));
    showEveryStock();
    m_customDataSource->addNewFormat(label);
    m_customDataSource->reloadData();
    storeCustomList();
    changeStock([this, label] { setTLabelInOrientation(label); });
    if (m_outlets.tabPanelViewOutlet)
        m_outlets.tabPanelViewOutlet->setCurrentIndex(1);
    selectLastCustomRow();
    writeStockDefaults(1);
    enableCustomFormatButtons();
}

void RectsView::editCustomLabel()
{
    const int row = selectedTableRow(m_outlets.labelTableViewOutlet);
    const CustomEntry *entry = m_customDataSource->getData(row);
    if (const auto *custom = dynamic_cast<const CustomFormat *>(entry)) {
        // A free layout is changed in the panel that made it.
        EditCustomFormat panel(window(), this);
        const TFormat original = custom->format();
        panel.setup(&original);
        if (PrintPanels::current().runSheet(panel) != 1)
            return;
        TFormat format = panel.format();
        // A new name must not be one another entry bears.
        if (format.name != original.name)
            format.name = m_customDataSource->validateName(format.name);
        m_customDataSource->changeTFormat(format, row);
        m_customDataSource->reloadData();
        storeCustomList();
        changeStock([this, format] { setTFormat(format); });
    } else if (const auto *grid = dynamic_cast<const CustomLabel *>(entry)) {
        EditCustomLabel panel(window(), this);
        const TLabel original = grid->getLabel();
        panel.setLabel(original);
        if (PrintPanels::current().runSheet(panel) != 1)
            return;
        TLabel label = panel.label();
        if (label.name != original.name)
            label.name = m_customDataSource->validateName(label.name);
        m_customDataSource->changeFormat(label, row);
        m_customDataSource->reloadData();
        storeCustomList();
        changeStock([this, label] { setTLabelInOrientation(label); });
    } else {
        return;
    }
    if (QTableView *table = m_outlets.labelTableViewOutlet) {
        FlagGuard guard(m_adjustingLists);
        table->selectRow(row);
    }
    writeStockDefaults(1);
    enableCustomFormatButtons();
}

void RectsView::deleteCustomLabel()
{
    const int row = selectedTableRow(m_outlets.labelTableViewOutlet);
    const CustomEntry *entry = m_customDataSource->getData(row);
    if (!entry)
        return;
    QString message = Language::stringForKey(QStringLiteral("Are you sure you wish to delete the %@ custom %@?"));
    const QString kind = dynamic_cast<const CustomFormat *>(entry) ? Language::stringForKey(QStringLiteral("format"))
                                                                   : Language::stringForKey(QStringLiteral("label"));
    for (const QString &value : {entry->getName(), kind}) {
        const qsizetype at = message.indexOf(QLatin1String("%@"));
        if (at >= 0)
            message.replace(at, 2, value);
    }
    const int answer = Prompts::current().alert(window(), message, QString(),
                                                {Language::stringForKey(QStringLiteral("OK")),
                                                 Language::stringForKey(QStringLiteral("Cancel"))});
    if (answer != Prompts::FirstButton)
        return;
    m_customDataSource->deleteFormat(row);
    m_customDataSource->reloadData();
    const int rows = m_customDataSource->rowCount();
    if (QTableView *table = m_outlets.labelTableViewOutlet) {
        FlagGuard guard(m_adjustingLists);
        table->clearSelection();
        if (rows > 0)
            table->selectRow(std::max(0, row - 1));
    }
    if (!m_customDataSource->save_data())
        reportSaveFailure(window(), *m_customDataSource);
    enableCustomFormatButtons();
}

} // namespace quillmark
