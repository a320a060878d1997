#include "stock/DataSource.h"

#include <QFont>
#include <QGuiApplication>
#include <QPersistentModelIndex>
#include <QTimer>
#include <cmath>

#include "foundation/Language.h"
#include "platform/SystemFonts.h"
#include "stock/StockCanvas.h"
#include "stock/StockConversions.h"

namespace quillmark {

namespace {

// The small system font of the browser's rows.

QString translated(const QString &key, const QString &translation)
{
    return translation.isNull() ? key : translation;
}

} // namespace

DataSource::DataSource(StockCanvas *mainView, QObject *parent)
    : DataSource(std::make_unique<LabelTypes>(), mainView, parent)
{
}

DataSource::DataSource(std::unique_ptr<LabelTypes> labelTypes, StockCanvas *mainView, QObject *parent)
    : QAbstractItemModel(parent), m_labelTypes(std::move(labelTypes)), m_mainView(mainView)
{
    if (!m_labelTypes)
        m_labelTypes = std::make_unique<LabelTypes>(false);
    rebuild();
}

DataSource::~DataSource() = default;

qint32 DataSource::labelExists(const TLabel &label) const
{
    const auto &entries = m_labelTypes->allLabelTypes();
    for (size_t i = 0; i < entries.size(); ++i) {
        const TLabel stock = entries[i]->getLabelStruct();
        if (gridStocksMatch(stock, label))
            return qint32(i);
    }
    return -1;
}

std::optional<TLabel> DataSource::matchingLabel(const TLabel &label) const
{
    const qint32 position = labelExists(label);
    if (position < 0)
        return std::nullopt;
    return m_labelTypes->allLabelTypes()[size_t(position)]->getLabelStruct();
}

std::optional<TLabel> DataSource::matchingDiscWithoutHole(const TLabel &label) const
{
    if (label.hole != 0.0f)
        return std::nullopt;
    for (const auto &entry : m_labelTypes->allLabelTypes()) {
        if (entry->hole <= 0.0)
            continue;
        const TLabel stock = entry->getLabelStruct();
        TLabel holed = label;
        holed.hole = stock.hole;
        if (gridStocksMatch(stock, holed))
            return stock;
    }
    return std::nullopt;
}

QString DataSource::paperForLabel(const TLabel &label) const
{
    const qint32 position = labelExists(label);
    return position < 0 ? QString() : m_labelTypes->allLabelTypes()[size_t(position)]->paper;
}

void DataSource::changeViewType()
{
    m_isCat = !m_isCat;
    recalc();
    setViewTypeCaption();
    if (m_mainView)
        m_mainView->selectLabelFormat(false);
}

QString DataSource::viewTypeCaption() const
{
    return m_isCat ? QStringLiteral("View by Product Number") : QStringLiteral("View by Categories");
}

QString DataSource::viewTypeTitle() const
{
    if (m_isCat)
        return translated(QStringLiteral("View by Product Number"),
                          Language::stringForKey(QStringLiteral("View by Product Number")));
    return translated(QStringLiteral("View by Categories"),
                      Language::stringForKey(QStringLiteral("View by Categories")));
}

void DataSource::setViewTypeCaption()
{
    emit viewTypeCaptionChanged(viewTypeCaption());
}

void DataSource::recalc()
{
    beginResetModel();
    rebuild();
    endResetModel();

    if (!m_isCat || m_filter.isEmpty())
        return;
    QList<QPersistentModelIndex> pending;
    for (const QModelIndex &category : categoriesToExpand())
        pending.append(QPersistentModelIndex(category));
    if (pending.isEmpty())
        return;
    // The view expands only once it has taken in the new rows.
    QTimer::singleShot(0, this, [this, pending] {
        for (const QPersistentModelIndex &category : pending)
            if (category.isValid())
                emit expandRequested(QModelIndex(category));
    });
}

void DataSource::rebuild()
{
    m_filter = m_mainView ? m_mainView->getFormatFilter() : QString();
    m_labelTypes->recalc(m_isCat, m_filter);
    m_rootCount = std::max(0, int(m_labelTypes->getCount(m_isCat, m_filter)));

    const auto &categories = m_labelTypes->getCategories();
    m_children.assign(categories.size(), {});
    m_categoryRow.assign(categories.size(), -1);
    m_matched.assign(categories.size(), false);
    if (!m_isCat)
        return;

    const std::string filter = m_filter.toLower().toLatin1().toStdString();
    for (int row = 0; row < m_rootCount; ++row) {
        const int position = m_labelTypes->positionOfRow(quint32(row), true, m_filter);
        if (position < 0)
            continue;
        m_categoryRow[size_t(position)] = row;
        const TCategory &category = *categories[size_t(position)];
        std::vector<const TLabelType *> &children = m_children[size_t(position)];
        if (!filter.empty()) {
            for (const auto &entry : category.labels)
                if (entry->lowerName().find(filter) != std::string::npos)
                    children.push_back(entry.get());
        }
        m_matched[size_t(position)] = !children.empty();
        if (children.empty())
            for (const auto &entry : category.labels)
                children.push_back(entry.get());
    }
}

qint64 DataSource::indexByName(const QString &code) const
{
    if (!m_isCat) {
        const std::string bytes = code.toStdString();
        const auto &entries = m_labelTypes->allLabelTypes();
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i]->productCode == bytes)
                return qint64(i);
        return -1;
    }
    const QString categoryName = m_labelTypes->categoryByProductName(code);
    if (categoryName.isNull())
        return -1;
    const auto &categories = m_labelTypes->getCategories();
    for (size_t i = 0; i < categories.size(); ++i)
        if (categories[i]->getName() == categoryName)
            return qint64(i) * 65536 + categories[i]->indexByName(code);
    return -1;
}

QModelIndex DataSource::modelIndexByName(const QString &code, const QString &category) const
{
    const std::string bytes = code.toStdString();
    if (!category.isEmpty()) {
        const std::string categoryBytes = category.toStdString();
        for (const auto &entry : m_labelTypes->allLabelTypes())
            if (entry->productCode == bytes && entry->productCategory == categoryBytes)
                return modelIndexOfEntry(entry.get());
    }
    if (!m_isCat) {
        for (int row = 0; row < m_rootCount; ++row) {
            const TLabelType *entry = m_labelTypes->objectAtIndex(quint32(row), false, m_filter).entry;
            if (entry && entry->productCode == bytes)
                return index(row, 0);
        }
        return QModelIndex();
    }
    const qint64 code64 = indexByName(code);
    if (code64 < 0)
        return QModelIndex();
    const TCategory &owner = *m_labelTypes->getCategories()[size_t(code64 / 65536)];
    return modelIndexOfEntry(owner.objectAtIndex(quint32(code64 % 65536)));
}

QModelIndex DataSource::modelIndexForLabel(const TLabel &label) const
{
    const qint32 position = labelExists(label);
    if (position >= 0)
        return modelIndexOfEntry(m_labelTypes->allLabelTypes()[size_t(position)].get());
    return modelIndexByName(label.name);
}

QModelIndex DataSource::modelIndexOfEntry(const TLabelType *entry) const
{
    if (!entry)
        return QModelIndex();
    if (!m_isCat) {
        for (int row = 0; row < m_rootCount; ++row)
            if (m_labelTypes->objectAtIndex(quint32(row), false, m_filter).entry == entry)
                return index(row, 0);
        return QModelIndex();
    }
    const std::string &key = m_labelTypes->labelMode == 0 ? entry->productCategory : entry->productType;
    const auto &categories = m_labelTypes->getCategories();
    for (size_t position = 0; position < categories.size(); ++position) {
        if (categories[position]->name != key)
            continue;
        const int categoryRow = m_categoryRow[position];
        if (categoryRow < 0)
            return QModelIndex();
        const auto &children = m_children[position];
        for (size_t row = 0; row < children.size(); ++row)
            if (children[row] == entry)
                return index(int(row), 0, index(categoryRow, 0));
        return QModelIndex();
    }
    return QModelIndex();
}

int DataSource::categoryPositionOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || !m_isCat || index.internalId() != 0)
        return -1;
    return m_labelTypes->positionOfRow(quint32(index.row()), true, m_filter);
}

const TLabelType *DataSource::labelTypeAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    if (!m_isCat)
        return m_labelTypes->objectAtIndex(quint32(index.row()), false, m_filter).entry;
    if (index.internalId() == 0)
        return nullptr;
    const size_t position = size_t(index.internalId() - 1);
    if (position >= m_children.size() || size_t(index.row()) >= m_children[position].size())
        return nullptr;
    return m_children[position][size_t(index.row())];
}

const TCategory *DataSource::categoryAt(const QModelIndex &index) const
{
    const int position = categoryPositionOf(index);
    return position < 0 ? nullptr : m_labelTypes->getCategories()[size_t(position)].get();
}

bool DataSource::isItemExpandable(const QModelIndex &index) const
{
    return categoryAt(index) != nullptr;
}

QModelIndexList DataSource::categoriesToExpand() const
{
    QModelIndexList result;
    if (!m_isCat || m_filter.isEmpty())
        return result;
    for (size_t position = 0; position < m_matched.size(); ++position)
        if (m_matched[position] && m_categoryRow[position] >= 0)
            result.append(index(m_categoryRow[position], 0));
    return result;
}

QModelIndex DataSource::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column != 0)
        return QModelIndex();
    if (!parent.isValid())
        return row < m_rootCount ? createIndex(row, column, quintptr(0)) : QModelIndex();
    const int position = categoryPositionOf(parent);
    if (position < 0 || parent.column() != 0 || size_t(row) >= m_children[size_t(position)].size())
        return QModelIndex();
    return createIndex(row, column, quintptr(position) + 1);
}

QModelIndex DataSource::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return QModelIndex();
    const size_t position = size_t(child.internalId() - 1);
    if (position >= m_categoryRow.size() || m_categoryRow[position] < 0)
        return QModelIndex();
    return createIndex(m_categoryRow[position], 0, quintptr(0));
}

int DataSource::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_rootCount;
    if (parent.column() != 0)
        return 0;
    const int position = categoryPositionOf(parent);
    return position < 0 ? 0 : int(m_children[size_t(position)].size());
}

int DataSource::columnCount(const QModelIndex &parent) const
{
    return 1;
}

bool DataSource::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant DataSource::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    if (role == Qt::DisplayRole) {
        if (const TCategory *category = categoryAt(index))
            return category->getName();
        if (const TLabelType *entry = labelTypeAt(index))
            return entry->getName();
        return QVariant();
    }
    if (role == Qt::FontRole && qGuiApp) {
        return smallSystemFont();
    }
    return QVariant();
}

QVariant DataSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return translated(QStringLiteral("Label Formats"),
                      Language::stringForKey(QStringLiteral("Label Formats")));
}

Qt::ItemFlags DataSource::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!m_isCat || index.internalId() != 0)
        result |= Qt::ItemNeverHasChildren;
    return result;
}

} // namespace quillmark
