#pragma once

// The common body of our filters: a table of described inputs and their values, each new value
// checked against its description (numbers clamped to their range, wrong kinds refused), so a
// filter's drawing code sees only sound values.

#include "platform/ImageFilter.h"

#include <QHash>
#include <QList>

namespace quillmark {

class DescribedImageFilter : public ImageFilter
{
public:
    QString name() const override { return m_name; }
    QString displayName() const override { return m_displayName; }
    QStringList categories() const override { return m_categories; }
    QStringList inputKeys() const override;
    const FilterInput *input(const QString &key) const override;

    void setDefaults() override;
    QVariant value(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;

    // Vector components and transform entries beyond this size are held at it.
    static constexpr double MaximumCoordinate = 1e7;

protected:
    DescribedImageFilter(QString name, QString displayName, QStringList categories);

    // Description helpers; each appends an input and returns it for further settings.
    FilterInput &addImage(const QString &key, const QString &displayName);
    FilterInput &addNumber(const QString &key, const QString &displayName, const char *type,
                           double minimum, double maximum, double defaultValue,
                           double sliderMinimum, double sliderMaximum);
    FilterInput &addBoolean(const QString &key, const QString &displayName, bool defaultValue);
    FilterInput &addColor(const QString &key, const QString &displayName, const QColor &color);
    FilterInput &addVector(const QString &key, const QString &displayName, const char *type,
                           const QList<double> &defaultValue);
    FilterInput &addTransform(const QString &key, const QString &displayName);

    // Reading values by kind; a missing or unset value gives the kind's neutral answer.
    double number(const QString &key) const;
    QColor color(const QString &key) const;
    FilterImage image(const QString &key) const;
    QList<double> vector(const QString &key) const;
    QPointF point(const QString &key) const;
    QRectF rectangle(const QString &key) const;
    QTransform transform(const QString &key) const;

    // Whether every image input has a value.
    bool hasAllImages() const;

private:
    QString m_name;
    QString m_displayName;
    QStringList m_categories;
    QList<FilterInput> m_inputs;
    QHash<QString, QVariant> m_values;
};

} // namespace quillmark
