#include "platform/DescribedImageFilter.h"

#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {

const QString NumberClass = QStringLiteral("NSNumber");
const QString ColorClass = QStringLiteral("CIColor");
const QString ImageClass = QStringLiteral("CIImage");
const QString VectorClass = QStringLiteral("CIVector");
const QString TransformClass = QStringLiteral("NSAffineTransform");

double held(double v)
{
    return std::clamp(v, -DescribedImageFilter::MaximumCoordinate,
                      DescribedImageFilter::MaximumCoordinate);
}

// A vector value from the forms a caller may hand in; empty when it is none of them or holds
// a component that is not a number.
QList<double> toVector(const QVariant &value)
{
    QList<double> out;
    if (value.canConvert<QList<double>>() && value.metaType() == QMetaType::fromType<QList<double>>()) {
        out = value.value<QList<double>>();
    } else if (value.metaType() == QMetaType::fromType<QPointF>()) {
        const QPointF p = value.toPointF();
        out = {p.x(), p.y()};
    } else if (value.metaType() == QMetaType::fromType<QRectF>()) {
        const QRectF r = value.toRectF();
        out = {r.x(), r.y(), r.width(), r.height()};
    } else if (value.metaType() == QMetaType::fromType<QVariantList>()) {
        for (const QVariant &component : value.toList()) {
            bool ok = false;
            const double v = component.toDouble(&ok);
            if (!ok)
                return {};
            out.append(v);
        }
    } else {
        return {};
    }
    for (double v : out) {
        if (!std::isfinite(v))
            return {};
    }
    for (double &v : out)
        v = held(v);
    return out;
}

} // namespace

DescribedImageFilter::DescribedImageFilter(QString name, QString displayName, QStringList categories)
    : m_name(std::move(name)), m_displayName(std::move(displayName)),
      m_categories(std::move(categories))
{
}

QStringList DescribedImageFilter::inputKeys() const
{
    QStringList keys;
    for (const FilterInput &in : m_inputs)
        keys.append(in.key);
    return keys;
}

const FilterInput *DescribedImageFilter::input(const QString &key) const
{
    for (const FilterInput &in : m_inputs) {
        if (in.key == key)
            return &in;
    }
    return nullptr;
}

void DescribedImageFilter::setDefaults()
{
    m_values.clear();
    for (const FilterInput &in : m_inputs) {
        if (in.defaultValue.isValid())
            m_values.insert(in.key, in.defaultValue);
    }
}

QVariant DescribedImageFilter::value(const QString &key) const
{
    return m_values.value(key);
}

void DescribedImageFilter::setValue(const QString &key, const QVariant &value)
{
    const FilterInput *in = input(key);
    if (!in)
        return;
    if (in->className == ImageClass) {
        if (!value.isValid() || !value.canConvert<FilterImage>()
            || value.value<FilterImage>().isNull()) {
            m_values.remove(key);
            return;
        }
        m_values.insert(key, QVariant::fromValue(value.value<FilterImage>()));
    } else if (in->className == NumberClass) {
        bool ok = false;
        double v = value.metaType() == QMetaType::fromType<bool>() ? double(value.toBool())
                                                                   : value.toDouble(&ok);
        if (value.metaType() == QMetaType::fromType<bool>())
            ok = true;
        if (!ok || !std::isfinite(v))
            return; // a value that is no number keeps the one before
        if (in->minimum.isValid())
            v = std::max(v, in->minimum.toDouble());
        if (in->maximum.isValid())
            v = std::min(v, in->maximum.toDouble());
        if (in->type == QLatin1String(FilterInputType::Integer)
            || in->type == QLatin1String(FilterInputType::Count))
            v = std::round(v);
        if (in->type == QLatin1String(FilterInputType::Boolean))
            v = v != 0 ? 1.0 : 0.0;
        m_values.insert(key, v);
    } else if (in->className == ColorClass) {
        const QColor c = value.value<QColor>();
        if (value.metaType() == QMetaType::fromType<QColor>() && c.isValid())
            m_values.insert(key, c);
    } else if (in->className == VectorClass) {
        const QList<double> v = toVector(value);
        if (!v.isEmpty())
            m_values.insert(key, QVariant::fromValue(v));
    } else if (in->className == TransformClass) {
        if (value.metaType() != QMetaType::fromType<QTransform>())
            return;
        const QTransform t = value.value<QTransform>();
        const double entries[] = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(),
                                  t.m23(), t.m31(), t.m32(), t.m33()};
        for (double e : entries) {
            if (!std::isfinite(e))
                return;
        }
        m_values.insert(key, QTransform(held(t.m11()), held(t.m12()), held(t.m21()),
                                        held(t.m22()), held(t.dx()), held(t.dy())));
    }
}

FilterInput &DescribedImageFilter::addImage(const QString &key, const QString &displayName)
{
    FilterInput in;
    in.key = key;
    in.className = ImageClass;
    in.displayName = displayName;
    m_inputs.append(in);
    return m_inputs.last();
}

FilterInput &DescribedImageFilter::addNumber(const QString &key, const QString &displayName,
                                             const char *type, double minimum, double maximum,
                                             double defaultValue, double sliderMinimum,
                                             double sliderMaximum)
{
    FilterInput in;
    in.key = key;
    in.className = NumberClass;
    in.type = QString::fromLatin1(type);
    in.displayName = displayName;
    in.minimum = minimum;
    in.maximum = maximum;
    in.sliderMinimum = sliderMinimum;
    in.sliderMaximum = sliderMaximum;
    in.defaultValue = defaultValue;
    in.identity = defaultValue;
    if (in.type == QLatin1String(FilterInputType::Distance))
        in.dimension = FilterDimension::Length;
    m_inputs.append(in);
    return m_inputs.last();
}

FilterInput &DescribedImageFilter::addBoolean(const QString &key, const QString &displayName,
                                              bool defaultValue)
{
    FilterInput &in = addNumber(key, displayName, FilterInputType::Boolean, 0, 1,
                                defaultValue ? 1 : 0, 0, 1);
    return in;
}

FilterInput &DescribedImageFilter::addColor(const QString &key, const QString &displayName,
                                            const QColor &color)
{
    FilterInput in;
    in.key = key;
    in.className = ColorClass;
    in.type = QString::fromLatin1(FilterInputType::Color);
    in.displayName = displayName;
    in.defaultValue = color;
    in.identity = color;
    m_inputs.append(in);
    return m_inputs.last();
}

FilterInput &DescribedImageFilter::addVector(const QString &key, const QString &displayName,
                                             const char *type, const QList<double> &defaultValue)
{
    FilterInput in;
    in.key = key;
    in.className = VectorClass;
    in.type = QString::fromLatin1(type);
    in.displayName = displayName;
    in.defaultValue = QVariant::fromValue(defaultValue);
    in.identity = in.defaultValue;
    m_inputs.append(in);
    return m_inputs.last();
}

FilterInput &DescribedImageFilter::addTransform(const QString &key, const QString &displayName)
{
    FilterInput in;
    in.key = key;
    in.className = TransformClass;
    in.displayName = displayName;
    in.defaultValue = QTransform();
    in.identity = QTransform();
    m_inputs.append(in);
    return m_inputs.last();
}

double DescribedImageFilter::number(const QString &key) const
{
    return m_values.value(key).toDouble();
}

QColor DescribedImageFilter::color(const QString &key) const
{
    const QColor c = m_values.value(key).value<QColor>();
    return c.isValid() ? c : QColor(Qt::transparent);
}

FilterImage DescribedImageFilter::image(const QString &key) const
{
    return m_values.value(key).value<FilterImage>();
}

QList<double> DescribedImageFilter::vector(const QString &key) const
{
    return m_values.value(key).value<QList<double>>();
}

QPointF DescribedImageFilter::point(const QString &key) const
{
    const QList<double> v = vector(key);
    return v.size() >= 2 ? QPointF(v[0], v[1]) : QPointF();
}

QRectF DescribedImageFilter::rectangle(const QString &key) const
{
    const QList<double> v = vector(key);
    return v.size() >= 4 ? QRectF(v[0], v[1], v[2], v[3]) : QRectF();
}

QTransform DescribedImageFilter::transform(const QString &key) const
{
    return m_values.value(key).value<QTransform>();
}

bool DescribedImageFilter::hasAllImages() const
{
    for (const FilterInput &in : m_inputs) {
        if (in.className == ImageClass && image(in.key).isNull())
            return false;
    }
    return true;
}

} // namespace quillmark
