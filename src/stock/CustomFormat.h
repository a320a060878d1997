#pragma once
// A custom free-layout stock of the user's list.
#include <optional>

#include "stock/CustomEntry.h"
#include "stock/TFormat.h"

namespace quillmark {

class CustomFormat : public CustomEntry
{
public:
    // Every format entry of the file carries this maker word, whatever the stock's own.
    static QString makerWord() { return QStringLiteral("brenholt"); }

    CustomFormat() = default;
    explicit CustomFormat(const TFormat &format) : _format(format) {}

    void setData(const TFormat &format) { _format = format; }
    const TFormat &format() const { return _format; }

    QString getName() const override { return _format.name; }
    QVariantMap propertyDictionary() const override;

    // Reads a format entry of the file. A label of the wrong kind makes the entry
    // unreadable: *error says why.
    static std::optional<TFormat> formatFromDictionary(const QVariantMap &dict, QString *error = nullptr);

private:
    TFormat _format;
};

} // namespace quillmark
