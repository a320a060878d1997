#pragma once
// The record of a design template applied to the design or saved from it: which file (its
// name without extension and the name of its folder, the category) and on which side.
#include <QString>

namespace quillmark {

class TTemplate
{
public:
    TTemplate() = default;
    TTemplate(const QString &name, const QString &category, const QString &type)
        : m_name(name), m_category(category), m_type(type)
    {
    }

    QString templateName() const { return m_name; }
    QString templateCategory() const { return m_category; }
    // The English label of the side, "Front" or "Back".
    QString templateType() const { return m_type; }
    void setTemplateName(const QString &name) { m_name = name; }
    void setTemplateCategory(const QString &category) { m_category = category; }
    void setTemplateType(const QString &type) { m_type = type; }

    bool operator==(const TTemplate &other) const = default;

private:
    QString m_name;
    QString m_category;
    QString m_type;
};

} // namespace quillmark
