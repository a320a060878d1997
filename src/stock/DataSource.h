#pragma once

// The catalogue as the stock-format browser's tree: by categories (category rows with their
// entries as children) or by product number (one flat list of entries). The search text
// is the canvas's; the model takes it at each recalc(), so rows stay consistent until the
// next reset.
#include <QAbstractItemModel>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "stock/LabelTypes.h"
#include "stock/TLabel.h"

namespace quillmark {

class StockCanvas;

class DataSource : public QAbstractItemModel
{
    Q_OBJECT

public:
    // Loads the catalogue from the application's resources.
    explicit DataSource(StockCanvas *mainView = nullptr, QObject *parent = nullptr);
    DataSource(std::unique_ptr<LabelTypes> labelTypes, StockCanvas *mainView = nullptr,
               QObject *parent = nullptr);
    ~DataSource() override;

    void setMainView(StockCanvas *mainView) { m_mainView = mainView; }
    const LabelTypes &labelTypes() const { return *m_labelTypes; }

    // Position in the unfiltered product-number list of the entry whose grid stock matches
    // the record (name, counts and shape exactly, lengths within 0.005 inch); -1 when none.
    qint32 labelExists(const TLabel &label) const;
    // The catalogue's own record of the stock labelExists() finds, with its exact lengths.
    std::optional<TLabel> matchingLabel(const TLabel &label) const;
    // The same for a record without a hole whose product is a disc with one: designs saved
    // before the catalogue gave the discs their centre holes.
    std::optional<TLabel> matchingDiscWithoutHole(const TLabel &label) const;
    // The paper of the catalogue entry that matches the record as labelExists() finds it;
    // empty when no entry matches.
    QString paperForLabel(const TLabel &label) const;

    // Switches between the category and the product-number view, reloads, re-captions the
    // toggle and asks the canvas to select the current stock again.
    void changeViewType();
    // The untranslated caption of the toggle: it names the other view.
    QString viewTypeCaption() const;
    // The caption as the toggle shows it in the current language.
    QString viewTypeTitle() const;
    void setViewTypeCaption();
    bool isCategories() const { return m_isCat; }

    // Takes the canvas's search text, filters and resets the model.
    void recalc();
    QString formatFilter() const { return m_filter; }

    // Category view: category position x 65536 + position inside the category; product-number
    // view: position in the whole list; -1 when no entry has the code.
    qint64 indexByName(const QString &code) const;
    // Where the entry with the code shows in the current view and filter; invalid when hidden.
    // Makers share some codes: with a category, the entry of that category and code (the
    // first with the code when no entry of that category has it).
    QModelIndex modelIndexByName(const QString &code, const QString &category = QString()) const;
    // The entry a grid stock came from: the one that matches it as labelExists() finds it,
    // else the first with its name as code.
    QModelIndex modelIndexForLabel(const TLabel &label) const;
    // Where an entry of the catalogue shows in the current view and filter.
    QModelIndex modelIndexOfEntry(const TLabelType *entry) const;

    // The entry or category an index shows; null for the other kind.
    const TLabelType *labelTypeAt(const QModelIndex &index) const;
    const TCategory *categoryAt(const QModelIndex &index) const;
    bool isItemExpandable(const QModelIndex &index) const;
    // Categories that the search opened: those shown with matching entries.
    QModelIndexList categoriesToExpand() const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void viewTypeCaptionChanged(const QString &caption);
    // Sent after a search so the view opens the categories holding matches.
    void expandRequested(const QModelIndex &category);

private:
    void rebuild();
    int categoryPositionOf(const QModelIndex &index) const;

    std::unique_ptr<LabelTypes> m_labelTypes;
    bool m_isCat = true;
    StockCanvas *m_mainView = nullptr;

    QString m_filter;
    int m_rootCount = 0;
    // Per category position: the children shown, the root row (-1 when filtered out) and
    // whether the search matched some of its entries.
    std::vector<std::vector<const TLabelType *>> m_children;
    std::vector<int> m_categoryRow;
    std::vector<bool> m_matched;
};

} // namespace quillmark
