#pragma once
// A free-layout stock: an ordered list of label shapes in millimetres. Labels of one type
// string form a label type, which the canvas shows as its own design page.
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <vector>

#include "stock/TLabel.h"
#include "stock/TLabelT.h"

namespace quillmark {

class StockCanvas;

class TFormat
{
public:
    TFormat() = default;
    // A copy never takes the canvas reference: until the canvas adopts it, a copy groups
    // its labels as with draw-by-type off.
    TFormat(const TFormat &other);
    TFormat &operator=(const TFormat &other);
    TFormat(TFormat &&other) noexcept = default;
    TFormat &operator=(TFormat &&other) noexcept = default;

    QString name;
    QString manufacturer;
    QString papersize;
    std::vector<TLabelT> labels;
    // Non-owning; asked for the draw-by-type mode.
    StockCanvas *rectsview = nullptr;

    QString getName() const { return name; }
    void setName(const QString &value) { name = value; }
    QString getManufacturer() const { return manufacturer; }
    void setManufacturer(const QString &value) { manufacturer = value; }

    std::vector<TLabelT> &getLabels() { return labels; }
    const std::vector<TLabelT> &getLabels() const { return labels; }
    void setLabels(const std::vector<TLabelT> &value) { labels = value; }

    // Label types are recomputed on every call: by distinct type string with draw-by-type
    // on, else one per label with repeated names numbered " 2", " 3" ... Naming is linear
    // in the labels; whoever needs every name asks labelTypeNames() once rather than
    // labeltypesAtIndex() for each.
    int labelTypesCount() const;
    QStringList labelTypeNames() const;
    // The names as the page selector shows them: the type translated where the interface has
    // a text for it, the number of a repeat kept ("Horizontal 2" reads "Горизонтально 2").
    QStringList labelTypeTitles() const;
    // Null past the end.
    QString labeltypesAtIndex(int index) const;
    // The label heading the label type; null past the end.
    const TLabelT *labeltypeObjectAtIndex(int index) const;
    std::vector<TLabelT> labelObjectsOfType(const QString &type) const;
    // A grid record (inches) from the first label of the type; defaults when there is none.
    TLabel firstLabelOfType(const QString &type) const;

    // NO when the sheet holds media-case face or spine labels.
    bool isRound() const;
    int caseInsensitiveCompare(const TFormat &other) const;
    bool isEqualToFormat(const TFormat &other) const;

    // The orientation of the first label; 0 for a stock without labels.
    qint32 orientation() const;
    void setOrientation(qint32 value);

    static QVariantMap dictionaryWithFormat(const TFormat &format);
    // Labels that cannot be read are left out with a logged reason.
    static TFormat formatWithDict(const QVariantMap &dict);

private:
    struct LabelType
    {
        QString name;
        int head;
    };
    // The label types up to and including index `upTo` (all of them when negative).
    std::vector<LabelType> labelTypes(int upTo = -1) const;
    bool drawsByType() const;
};

} // namespace quillmark
