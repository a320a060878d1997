#pragma once
// One catalogue entry: a manufacturer's label sheet, every length in inches.
#include <QString>
#include <string>

#include "stock/TLabel.h"

namespace quillmark {

class TLabelType
{
public:
    // Text fields keep at most this many characters; longer ones are cut when read.
    static constexpr int MaximumTextLength = 62;

    TLabelType() = default;
    TLabelType(std::string code, std::string category, std::string description, std::string type);

    std::string productCode;
    std::string productCategory;
    std::string productDescription;
    std::string productType;
    double labelHeight = 0.0;
    double labelWidth = 0.0;
    double labelRadius = 0.0;
    qint64 numberAcross = 0;
    qint64 numberDown = 0;
    double topMargin = 0.0;
    double leftMargin = 0.0;
    double horPitch = 0.0;
    double verPitch = 0.0;
    // The paper the sheet is cut on ("Letter", "A4"): the catalogue file's own paper, or the
    // product's when its line names another.
    QString paper;
    // A disc's centre hole, its diameter in inches; 0 for a label without one.
    double hole = 0.0;

    // Category, a blank and product code ("Sheet Labels 5160").
    QString getName() const;
    // The same as bytes, and lower-cased for the search; set when the entry is made.
    const std::string &nameBytes() const { return m_name; }
    const std::string &lowerName() const { return m_lowerName; }

    QString getProductCode() const { return QString::fromLatin1(productCode); }
    QString getProductCategory() const { return QString::fromLatin1(productCategory); }
    bool isExpandable() const { return false; }

    // The grid stock of the entry; a new record each call.
    TLabel getLabelStruct() const;

private:
    std::string m_name;
    std::string m_lowerName;
};

} // namespace quillmark
