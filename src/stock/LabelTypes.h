#pragma once
// The catalogue of built-in grid stocks, read once from the seven tab-separated text files
// shipped with the application, sorted, grouped into categories and filtered by the
// stock-format browser's search text.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "stock/TCategory.h"
#include "stock/TLabelType.h"

namespace quillmark {

class LabelTypes
{
public:
    // What a row of the browser shows: a category or an entry (the other one is null).
    struct Item
    {
        const TCategory *category = nullptr;
        const TLabelType *entry = nullptr;
    };

    // Reads the seven files and builds the catalogue; with `readResources` false the
    // catalogue starts empty and the caller reads and builds it step by step.
    explicit LabelTypes(bool readResources = true);

    // The catalogue files in reading order.
    static QStringList fileNames();
    // Whether a file gives its lengths in millimetres rather than inches.
    static bool isMillimetreFile(const QString &fileName);
    // The paper the sheets of a file are cut on: "Letter" for the US files, "A4" for the
    // others. A line may name another paper in a fourteenth field.
    static QString paperOfFile(const QString &fileName);

    // Reads one file of the resources ("txt"); a missing or unreadable file adds nothing.
    void readLabelTypes(const QString &fileName);
    // Reads lines of text; `source` names them in warnings and `paper` is the paper of
    // entries whose line names none. Returns the entries added.
    int readFromBuffer(const QByteArray &buffer, bool millimetres = false,
                       const QString &source = QString(), const QString &paper = QString());
    // Parses one line into an entry and appends it. A damaged line is skipped with a
    // logged reason and gives false. A fourteenth field that names a paper replaces `paper`.
    bool parseString(const QByteArray &line, int number, bool millimetres = false,
                     const QString &source = QString(), const QString &paper = QString());

    void sortLabelTypes();
    void makeCategories();
    void sortCategories();

    const std::vector<std::shared_ptr<TCategory>> &getCategories() const { return categories; }
    const std::vector<std::shared_ptr<const TLabelType>> &allLabelTypes() const { return m_allLabelTypes; }

    // Rows under the flag and filter given to the last recalc().
    qint32 getCount(bool is_cat, const QString &f_name) const;
    Item objectAtIndex(quint32 row, bool is_cat, const QString &f_name) const;
    // The position in the unfiltered list that a row shows; -1 past the end.
    int positionOfRow(quint32 row, bool is_cat, const QString &f_name) const;
    void recalc(bool is_cat, const QString &f_name);

    // The category of the first entry with the product code; null when none has it.
    QString categoryByProductName(const QString &code) const;

    // Positions into the filtered list (categories or entries); empty when no filter is active.
    std::vector<int> mfilter_idx;
    // 0 groups categories by product category, anything else by product type.
    qint64 labelMode = 0;

private:
    std::vector<std::shared_ptr<const TLabelType>> m_allLabelTypes;
    std::vector<std::shared_ptr<TCategory>> categories;
};

} // namespace quillmark
