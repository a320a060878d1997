#pragma once
// A custom grid stock of the user's list.
#include <optional>

#include "stock/CustomEntry.h"
#include "stock/TLabel.h"

namespace quillmark {

class CustomLabel : public CustomEntry
{
public:
    CustomLabel() = default;
    explicit CustomLabel(const TLabel &label) : mLabel(label) {}

    void setData(const TLabel &label) { mLabel = label; }
    // The record; a default record when none is set.
    TLabel getLabel() const { return mLabel.value_or(TLabel()); }
    bool hasLabel() const { return mLabel.has_value(); }

    QString getName() const override;
    // Fourteen string values; empty when no record is set.
    QVariantMap propertyDictionary() const override;

    // Reads a grid entry of the file over the defaults of a new record. A value of the
    // wrong kind makes the entry unreadable: *error says which key.
    static std::optional<TLabel> labelFromDictionary(const QVariantMap &dict, QString *error = nullptr);

private:
    std::optional<TLabel> mLabel;
};

} // namespace quillmark
