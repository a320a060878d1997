#include "images/CIFilterDataSource.h"

#include "foundation/Language.h"
#include "platform/Bundle.h"
#include "platform/ImageFilter.h"

namespace quillmark {

EffectCatalogue EffectCatalogue::standard()
{
    return {&ImageFilter::filterNamesInCategory, &ImageFilter::filterWithName};
}

CIFilterDataSource::CIFilterDataSource(EffectCatalogue catalogue, QObject *parent)
    : QAbstractItemModel(parent)
    , m_catalogue(std::move(catalogue))
{
    const QString iconPath = Bundle::pathForResource(QStringLiteral("16x16c"), QStringLiteral("tif"));
    if (!iconPath.isEmpty())
        m_icon = QIcon(iconPath); // own file: the list's icon among the program's resources.
    buildFilters();
}

const QList<QPair<QString, QStringList>> &CIFilterDataSource::categoryTable()
{
    static const QList<QPair<QString, QStringList>> table = {
        {QStringLiteral("Geometry"), {FilterCategory::GeometryAdjustment}},
        {QStringLiteral("Distortion"), {FilterCategory::DistortionEffect}},
        {QStringLiteral("Halftone"), {FilterCategory::HalftoneEffect}},
        {QStringLiteral("Focus"), {FilterCategory::Sharpen, FilterCategory::Blur}},
        {QStringLiteral("Stylize"), {FilterCategory::Stylize}},
        {QStringLiteral("Gradient"), {FilterCategory::Gradient}},
        {QStringLiteral("Color"), {FilterCategory::ColorEffect, FilterCategory::ColorAdjustment}},
        {QStringLiteral("Tile"), {FilterCategory::TileEffect}},
        {QStringLiteral("Generator"), {FilterCategory::Generator}},
    };
    return table;
}

void CIFilterDataSource::buildFilters()
{
    beginResetModel();
    m_cifilters.clear();
    for (const auto &[title, providerCategories] : categoryTable()) {
        QStringList names;
        if (m_catalogue.filterNamesInCategory)
            for (const QString &category : providerCategories)
                names += m_catalogue.filterNamesInCategory(category);
        if (names.isEmpty())
            continue;
        const QList<Entry> entries = buildFilterDictionary(names);
        // A title whose names give no filter would show an empty, unopenable row.
        if (!entries.isEmpty())
            m_cifilters.append({title, entries});
    }
    endResetModel();
}

QList<CIFilterDataSource::Entry> CIFilterDataSource::buildFilterDictionary(const QStringList &names) const
{
    QList<Entry> entries;
    for (const QString &name : names) {
        if (!m_catalogue.filterWithName)
            break;
        const std::unique_ptr<ImageFilter> filter = m_catalogue.filterWithName(name);
        if (!filter || filter->inputKeys().isEmpty())
            continue;
        Entry entry;
        entry.filterClass = name;
        // A filter without a display name is listed under its name.
        entry.name = filter->displayName().isEmpty() ? name : filter->displayName();
        entry.controlsPresent = isControlsPresent(name);
        entries.append(entry);
    }
    return entries;
}

bool CIFilterDataSource::isControlsPresent(const QString &filterClass) const
{
    if (!m_catalogue.filterWithName)
        return false;
    const std::unique_ptr<ImageFilter> filter = m_catalogue.filterWithName(filterClass);
    if (!filter)
        return false;
    for (const QString &key : filter->inputKeys()) {
        const FilterInput *input = filter->input(key);
        if (!input)
            continue;
        if (input->className == QLatin1String("CIVector")
            && (input->type == QLatin1String(FilterInputType::Position)
                || input->type == QLatin1String(FilterInputType::Rectangle)
                || input->type == QLatin1String(FilterInputType::Position3)))
            return true;
        if (input->className == QLatin1String("NSAffineTransform"))
            return true;
    }
    return false;
}

const CIFilterDataSource::Entry *CIFilterDataSource::entryForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() == 0)
        return nullptr;
    const int category = int(index.internalId()) - 1;
    if (category < 0 || category >= m_cifilters.size())
        return nullptr;
    const QList<Entry> &entries = m_cifilters.at(category).entries;
    return index.row() < entries.size() ? &entries.at(index.row()) : nullptr;
}

QModelIndex CIFilterDataSource::indexOfFilter(const QString &filterClass, int column) const
{
    for (int c = 0; c < m_cifilters.size(); ++c) {
        const QList<Entry> &entries = m_cifilters.at(c).entries;
        for (int row = 0; row < entries.size(); ++row)
            if (entries.at(row).filterClass == filterClass)
                return createIndex(row, column, quintptr(c + 1));
    }
    return {};
}

QModelIndex CIFilterDataSource::indexOfCategory(const QString &title) const
{
    for (int c = 0; c < m_cifilters.size(); ++c)
        if (m_cifilters.at(c).title == title)
            return createIndex(c, NameColumn, quintptr(0));
    return {};
}

QModelIndex CIFilterDataSource::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column > NameColumn)
        return {};
    if (!parent.isValid())
        return row < m_cifilters.size() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= m_cifilters.size())
        return {};
    if (row >= m_cifilters.at(parent.row()).entries.size())
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex CIFilterDataSource::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId()) - 1, 0, quintptr(0));
}

int CIFilterDataSource::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_cifilters.size());
    if (parent.column() != 0 && parent.column() != NameColumn)
        return 0;
    if (parent.internalId() != 0 || parent.row() >= m_cifilters.size())
        return 0;
    return int(m_cifilters.at(parent.row()).entries.size());
}

int CIFilterDataSource::columnCount(const QModelIndex &) const
{
    return 2;
}

bool CIFilterDataSource::hasChildren(const QModelIndex &parent) const
{
    // Categories open; filters and the root itself do not count as expandable items.
    if (!parent.isValid())
        return !m_cifilters.isEmpty();
    return parent.internalId() == 0 && rowCount(parent) > 0;
}

QVariant CIFilterDataSource::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Entry *entry = entryForIndex(index);
    if (index.column() == IconColumn) {
        if (role == Qt::DecorationRole && entry && entry->controlsPresent && !m_icon.isNull())
            return m_icon;
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    if (entry)
        return entry->name;
    if (index.internalId() == 0 && index.row() < m_cifilters.size()) {
        const QString title = m_cifilters.at(index.row()).title;
        const QString shown = Language::stringForKey(title);
        return shown.isEmpty() ? title : shown;
    }
    return {};
}

Qt::ItemFlags CIFilterDataSource::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace quillmark
