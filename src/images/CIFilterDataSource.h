#pragma once
// The list of the image effects panel: the offered filters under nine category titles, for a
// two-column tree (the icon column "0" marking filters with points dragged in the preview, and
// the name column).
#include <QAbstractItemModel>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace quillmark {

class ImageFilter;

// Where the panel takes its filters from: the provider's catalogue, or a stand-in.
struct EffectCatalogue
{
    std::function<QStringList(const QString &category)> filterNamesInCategory;
    std::function<std::unique_ptr<ImageFilter>(const QString &name)> filterWithName;

    // ImageFilter's own catalogue.
    static EffectCatalogue standard();
};

class CIFilterDataSource : public QAbstractItemModel
{
    Q_OBJECT
public:
    // One filter of the list: "class" (the filter name) and "name" (its display name).
    struct Entry
    {
        QString filterClass;
        QString name;
        bool controlsPresent = false;
    };
    struct Category
    {
        QString title; // untranslated
        QList<Entry> entries;
    };

    // The column of the icon; the other column shows the names.
    static constexpr int IconColumn = 0;
    static constexpr int NameColumn = 1;

    explicit CIFilterDataSource(EffectCatalogue catalogue = EffectCatalogue::standard(),
                                QObject *parent = nullptr);

    // The category titles and the provider's categories that fill each, in list order.
    static const QList<QPair<QString, QStringList>> &categoryTable();

    void buildFilters();
    QList<Entry> buildFilterDictionary(const QStringList &names) const;
    // Whether the filter has inputs shown as draggable points in the preview.
    bool isControlsPresent(const QString &filterClass) const;

    const QList<Category> &categories() const { return m_cifilters; }
    // The entry of a row; null for a category row or an invalid index.
    const Entry *entryForIndex(const QModelIndex &index) const;
    // The index of a filter's first row; invalid when it is not listed.
    QModelIndex indexOfFilter(const QString &filterClass, int column = NameColumn) const;
    QModelIndex indexOfCategory(const QString &title) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    EffectCatalogue m_catalogue;
    QList<Category> m_cifilters;
    QIcon m_icon;
};

} // namespace quillmark
