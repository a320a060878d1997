#pragma once
// One entry of the user's custom stock list: a grid (CustomLabel) or a free layout
// (CustomFormat).
#include <QString>
#include <QVariantMap>

namespace quillmark {

class CustomEntry
{
public:
    virtual ~CustomEntry() = default;

    virtual QString getName() const = 0;
    // The entry as the custom formats file stores it.
    virtual QVariantMap propertyDictionary() const = 0;
    QString description() const;
};

} // namespace quillmark
