#pragma once

// The user's own stocks, custom grids and custom free layouts in one ordered list, kept in
// "custom.plist" and shown by the browser's custom-stock table.
#include <QAbstractTableModel>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

#include "stock/CustomEntry.h"
#include "stock/TFormat.h"
#include "stock/TLabel.h"

namespace quillmark {

class StockCanvas;

class CustomDataSource : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Loads "custom.plist" from the user's Quillmark folder (or, when there is none, the
    // copy beside the program, which is never written).
    explicit CustomDataSource(StockCanvas *mainView = nullptr, QObject *parent = nullptr);
    CustomDataSource(const QString &filePath, const QString &fallbackPath,
                     StockCanvas *mainView = nullptr, QObject *parent = nullptr);
    ~CustomDataSource() override;

    static QString defaultFilePath();
    static QString fallbackFilePath();
    QString filePath() const { return m_filePath; }

    void setMainView(StockCanvas *mainView) { m_mainView = mainView; }

    // Writes the whole list atomically. After a load that skipped entries the first save
    // keeps the old file as "custom.plist.bak"; when that copy fails nothing is written.
    bool save_data();
    // Whether the last load skipped a damaged file or damaged entries.
    bool loadedPartially() const { return m_partial; }

    void addNewFormat(const TLabel &label);
    void addNewTFormat(const TFormat &format);
    void changeFormat(const TLabel &label, int row);
    void changeTFormat(const TFormat &format, int row);
    void deleteFormat(int row);

    // By table row (through the filter) and by list index; null when there is none.
    const CustomEntry *getData(int row) const;
    const CustomEntry *getItem(int index) const;
    QString getItemName(int index) const;
    int count() const { return int(mdata.size()); }
    // The list index a table row shows; -1 when the row shows nothing.
    int listIndexOfRow(int row) const;

    int indexByName(const QString &name) const;
    bool nameExists(const QString &name) const;
    // The name, or the name with "1", "2" ... appended until no entry bears it.
    QString validateName(const QString &name) const;
    int formatExists(const TFormat &format) const;
    // The first grid entry with an equal name, counts and shape and lengths within 0.005
    // inch; units and the deleted mark are not compared. -1 when none.
    int labelExists(const TLabel &label) const;
    // The custom list's own record of the stock labelExists() finds, with its exact lengths.
    std::optional<TLabel> matchingLabel(const TLabel &label) const;

    // Takes the canvas's search text, refilters and resets the table.
    void reloadData();
    int getFilteredCount();
    QString getFilteredName(int row) const;

    QVariantMap propertyDictionary() const;
    QString description() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // List indexes of the rows; empty when no search text is set.
    std::vector<int> mfilter_idx;

private:
    void load();
    void loadData(const QByteArray &data, const QString &path);
    void changed();

    std::vector<std::unique_ptr<CustomEntry>> mdata;
    StockCanvas *m_mainView = nullptr;
    QString m_filePath;
    QString m_fallbackPath;
    bool m_filterActive = false;
    int m_rowCount = 0;
    bool m_partial = false;
    bool m_backedUp = false;
};

} // namespace quillmark
