#pragma once
// Small stand-in filters for the effects panel's tests: inputs of every kind with known
// descriptions, and outputs simple enough to check pixel by pixel (darken, grow, solid colour).
#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPainter>
#include <QVariant>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

#include "images/CIFilterDataSource.h"
#include "platform/ImageFilter.h"

namespace effecttest {

using quillmark::FilterImage;
using quillmark::FilterInput;
using quillmark::ImageFilter;

inline FilterInput numberInput(const QString &key, const QString &type, double min, double max, double def,
                               const QString &display = {})
{
    FilterInput in;
    in.key = key;
    in.className = QStringLiteral("NSNumber");
    in.type = type;
    in.displayName = display;
    in.minimum = min;
    in.maximum = max;
    in.defaultValue = def;
    return in;
}

inline FilterInput classInput(const QString &key, const QString &className, const QString &type = {},
                              const QVariant &def = {}, const QString &display = {})
{
    FilterInput in;
    in.key = key;
    in.className = className;
    in.type = type;
    in.displayName = display;
    in.defaultValue = def;
    return in;
}

class FakeFilter : public ImageFilter
{
public:
    using Output = std::function<FilterImage(const FakeFilter &)>;

    FakeFilter(QString name, QString display, QStringList categories, QList<FilterInput> inputs, Output output)
        : m_name(std::move(name))
        , m_display(std::move(display))
        , m_categories(std::move(categories))
        , m_inputs(std::move(inputs))
        , m_output(std::move(output))
    {
    }

    QString name() const override { return m_name; }
    QString displayName() const override { return m_display; }
    QStringList categories() const override { return m_categories; }
    QStringList inputKeys() const override
    {
        QStringList keys;
        for (const FilterInput &in : m_inputs)
            keys << in.key;
        return keys;
    }
    const FilterInput *input(const QString &key) const override
    {
        for (const FilterInput &in : m_inputs)
            if (in.key == key)
                return &in;
        return nullptr;
    }
    void setDefaults() override
    {
        m_values.clear();
        for (const FilterInput &in : m_inputs)
            if (in.defaultValue.isValid())
                m_values.insert(in.key, in.defaultValue);
    }
    QVariant value(const QString &key) const override { return m_values.value(key); }
    void setValue(const QString &key, const QVariant &value) override
    {
        ++setCount[key];
        lastSet.insert(key, value);
        if (value.isValid())
            m_values.insert(key, value);
        else
            m_values.remove(key);
    }
    FilterImage outputImage() const override
    {
        for (const FilterInput &in : m_inputs)
            if (in.className == QLatin1String("CIImage") && image(in.key).isNull())
                return {};
        return m_output ? m_output(*this) : FilterImage();
    }

    FilterImage image(const QString &key) const
    {
        const QVariant v = m_values.value(key);
        return v.canConvert<FilterImage>() ? v.value<FilterImage>() : FilterImage();
    }

    // What the panel sent, per key: how often, and the last value.
    mutable QHash<QString, int> setCount;
    QHash<QString, QVariant> lastSet;

private:
    QString m_name, m_display;
    QStringList m_categories;
    QList<FilterInput> m_inputs;
    QHash<QString, QVariant> m_values;
    Output m_output;
};

// Every pixel of the source at `factor` of its colour.
inline FilterImage darkened(const FilterImage &source, double factor)
{
    return FilterImage(source.extent(), [source, factor](const QRect &rect) {
        QImage pixels = source.render(rect);
        for (int y = 0; y < pixels.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(pixels.scanLine(y));
            for (int x = 0; x < pixels.width(); ++x)
                line[x] = qRgba(int(qRed(line[x]) * factor), int(qGreen(line[x]) * factor),
                                int(qBlue(line[x]) * factor), qAlpha(line[x]));
        }
        return pixels;
    });
}

// A colour everywhere, on an infinite extent.
inline FilterImage solid(const QColor &color)
{
    const double inf = qInf();
    return FilterImage(QRectF(-inf / 2, -inf / 2, inf, inf), [color](const QRect &rect) {
        QImage pixels(rect.size(), QImage::Format_ARGB32_Premultiplied);
        pixels.fill(color);
        return pixels;
    });
}

// The source with its extent grown by `dx`, `dy` on each side.
inline FilterImage grown(const FilterImage &source, double dx, double dy)
{
    return FilterImage(source.extent().adjusted(-dx, -dy, dx, dy),
                       [source](const QRect &rect) { return source.render(rect); });
}

using Factory = std::function<std::unique_ptr<FakeFilter>()>;

inline QMap<QString, Factory> fakeFilters()
{
    using namespace quillmark;
    const QString image = QStringLiteral("CIImage");
    const QString vector = QStringLiteral("CIVector");
    const QString color = QStringLiteral("CIColor");
    QMap<QString, Factory> all;
    auto source = [](const FakeFilter &f) { return f.image(QStringLiteral("inputImage")); };
    all.insert(QStringLiteral("Darken"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("Darken"), QStringLiteral("Darken"),
            QStringList{FilterCategory::ColorAdjustment, FilterCategory::ColorEffect},
            QList<FilterInput>{classInput(QStringLiteral("inputImage"), image),
                               numberInput(QStringLiteral("inputAmount"), {}, 0, 1, 0.5)},
            [=](const FakeFilter &f) { return darkened(source(f), f.value(QStringLiteral("inputAmount")).toDouble()); });
    });
    all.insert(QStringLiteral("Grow"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("Grow"), QStringLiteral("Grow Blur"), QStringList{FilterCategory::Blur},
            QList<FilterInput>{classInput(QStringLiteral("inputImage"), image),
                               numberInput(QStringLiteral("inputRadius"), FilterInputType::Distance, 0, 100, 10)},
            [=](const FakeFilter &f) { return grown(source(f), 10, 10); });
    });
    all.insert(QStringLiteral("Widen"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("Widen"), QStringLiteral("Widen"), QStringList{FilterCategory::Sharpen},
            QList<FilterInput>{classInput(QStringLiteral("inputImage"), image)},
            [=](const FakeFilter &f) { return grown(source(f), 10, 0); });
    });
    all.insert(QStringLiteral("Timed"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("Timed"), QStringLiteral("Timed"), QStringList{FilterCategory::Stylize},
            QList<FilterInput>{classInput(QStringLiteral("inputImage"), image),
                               numberInput(QStringLiteral("inputTime"), FilterInputType::Time, 0, 1, 0.5),
                               numberInput(QStringLiteral("inputAngle"), FilterInputType::Angle, 0, 2 * std::numbers::pi,
                                           std::numbers::pi / 2),
                               numberInput(QStringLiteral("inputScale"), FilterInputType::Scalar, 0, 10, 1),
                               numberInput(QStringLiteral("inputRadius"), FilterInputType::Distance, 0, 100, 12.34)},
            [=](const FakeFilter &f) { return source(f); });
    });
    all.insert(QStringLiteral("Everything"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("Everything"), QStringLiteral("Everything"), QStringList{FilterCategory::Stylize},
            QList<FilterInput>{
                classInput(QStringLiteral("inputImage"), image),
                numberInput(QStringLiteral("inputAmount"), {}, 0, 1, 0.25),
                numberInput(QStringLiteral("inputSharp"), FilterInputType::Boolean, 0, 1, 1.0),
                classInput(QStringLiteral("inputColor0"), color, FilterInputType::Color, QColor(Qt::red)),
                classInput(QStringLiteral("inputColor1"), color, FilterInputType::Color, QColor(Qt::green)),
                classInput(QStringLiteral("inputColor2"), color, FilterInputType::Color, QColor(Qt::blue)),
                classInput(QStringLiteral("inputTexture"), image),
                classInput(QStringLiteral("inputTransform"), QStringLiteral("NSAffineTransform"), {},
                           QTransform()),
                classInput(QStringLiteral("inputWeights"), vector, {},
                           QVariant::fromValue(QList<double>{1, 2, 3, 4})),
                classInput(QStringLiteral("inputShift"), vector, FilterInputType::Offset,
                           QVariant::fromValue(QList<double>{5, 6})),
                classInput(QStringLiteral("inputCenter"), vector, FilterInputType::Position,
                           QVariant::fromValue(QList<double>{10, 10})),
            },
            [=](const FakeFilter &f) { return source(f); });
    });
    all.insert(QStringLiteral("Points"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("Points"), QStringLiteral("Points"), QStringList{FilterCategory::GeometryAdjustment},
            QList<FilterInput>{
                classInput(QStringLiteral("inputImage"), image),
                classInput(QStringLiteral("inputRectangle"), vector, FilterInputType::Rectangle,
                           QVariant::fromValue(QList<double>{20, 20, 40, 30}), QStringLiteral("Rectangle")),
                classInput(QStringLiteral("inputTransform"), QStringLiteral("NSAffineTransform"), {},
                           QTransform(), QStringLiteral("Transform")),
                classInput(QStringLiteral("inputPoint"), vector, FilterInputType::Position3,
                           QVariant::fromValue(QList<double>{90, 70, 7}), QStringLiteral("Point")),
            },
            [=](const FakeFilter &f) { return source(f); });
    });
    all.insert(QStringLiteral("GlassDistortion"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("GlassDistortion"), QStringLiteral("Glass"), QStringList{FilterCategory::DistortionEffect},
            QList<FilterInput>{classInput(QStringLiteral("inputImage"), image),
                               classInput(QStringLiteral("inputTexture"), image)},
            [=](const FakeFilter &f) { return darkened(source(f), 0.5); });
    });
    all.insert(QStringLiteral("CircularWrap"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("CircularWrap"), QStringLiteral("Wrap"), QStringList{FilterCategory::DistortionEffect},
            QList<FilterInput>{classInput(QStringLiteral("inputImage"), image),
                               classInput(QStringLiteral("inputCenter"), vector, FilterInputType::Position,
                                          QVariant::fromValue(QList<double>{150, 150}))},
            [=](const FakeFilter &f) { return source(f); });
    });
    all.insert(QStringLiteral("CheckerboardGenerator"), [=] {
        return std::make_unique<FakeFilter>(
            QStringLiteral("CheckerboardGenerator"), QStringLiteral("Checkerboard"),
            QStringList{FilterCategory::Generator},
            QList<FilterInput>{classInput(QStringLiteral("inputColor0"), color, {}, QColor(Qt::red)),
                               classInput(QStringLiteral("inputColor1"), color, {}, QColor(Qt::red))},
            [=](const FakeFilter &f) { return solid(f.value(QStringLiteral("inputColor0")).value<QColor>()); });
    });
    all.insert(QStringLiteral("NoInputs"), [=] {
        return std::make_unique<FakeFilter>(QStringLiteral("NoInputs"), QStringLiteral("No Inputs"),
                                            QStringList{FilterCategory::TileEffect}, QList<FilterInput>{},
                                            FakeFilter::Output{});
    });
    return all;
}

// The stand-in catalogue: the filters above under their categories.
inline quillmark::EffectCatalogue fakeCatalogue()
{
    quillmark::EffectCatalogue catalogue;
    catalogue.filterNamesInCategory = [](const QString &category) {
        QStringList names;
        const auto all = fakeFilters();
        for (auto it = all.begin(); it != all.end(); ++it)
            if (it.value()()->categories().contains(category))
                names << it.key();
        return names;
    };
    catalogue.filterWithName = [](const QString &name) -> std::unique_ptr<ImageFilter> {
        const auto all = fakeFilters();
        return all.contains(name) ? all.value(name)() : nullptr;
    };
    return catalogue;
}

// A picture of one colour.
inline QImage filled(int width, int height, const QColor &color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

} // namespace effecttest
