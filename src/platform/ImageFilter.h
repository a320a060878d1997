#pragma once

// The image-filter provider behind the image effects panel: a catalogue of named filters, each
// with described inputs and a lazily rendered output, backed by GEGL and by filters of our own.
// Images are resolution-free recipes (`FilterImage`): nothing is computed until pixels of a
// rectangle are asked for, so a generator's unbounded output and a 10x preview stay cheap.

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <QVariant>

#include <functional>
#include <memory>

namespace quillmark {

// An image in filter space: an extent in pixels (y grows upwards, origin at the extent's
// corner as the source image is placed) and a function giving the premultiplied ARGB pixels of
// any rectangle. An extent that is infinite (generators) is QRectF with qInf() sizes; see
// isInfinite().
class FilterImage {
public:
    using Renderer = std::function<QImage(const QRect& rect)>;

    FilterImage() = default;
    // The picture placed with its lower-left corner at `origin`.
    explicit FilterImage(const QImage& image, QPointF origin = {});
    FilterImage(QRectF extent, Renderer renderer);

    bool isNull() const { return !renderer_; }
    QRectF extent() const { return extent_; }
    bool isInfinite() const;

    // Pixels of `rect` (filter space, whole pixels), Format_ARGB32_Premultiplied, rect.size().
    // Outside the extent is transparent. A null image renders transparent pixels.
    QImage render(const QRect& rect) const;
    // The whole extent, for a finite image; a null QImage for an infinite or null one.
    QImage toImage() const;

    FilterImage cropped(const QRectF& rect) const;
    // This image laid over `below` (source-over), extent the union of both.
    FilterImage over(const FilterImage& below) const;

private:
    QRectF extent_;
    Renderer renderer_;
};

// What a number measures of the picture. On a copy of the picture at another size a length in
// pixels (a radius, a block size) changes in proportion to it, and an inverse length (how many
// features a pixel holds: the scale of a noise) against it; other numbers stay.
enum class FilterDimension { None, Length, InverseLength };

// The description of one input of a filter.
struct FilterInput {
    QString key;          // "inputImage", "inputRadius", "inputCenter", ...
    QString className;    // "NSNumber", "CIColor", "CIImage", "CIVector", "NSAffineTransform"
    QString type;         // "" or one of the Type* constants below
    QString displayName;  // "Radius"
    QVariant minimum, maximum, sliderMinimum, sliderMaximum, defaultValue, identity;
    // A number that picks one of a fixed set: the names of the choices, the value being the
    // index of one. Empty for a number that varies freely.
    QStringList choices;
    // What the number measures of the picture, whatever its type.
    FilterDimension dimension = FilterDimension::None;
};

// The numbers of a vector input's value, as a list of doubles or of numbers; empty for
// anything else.
QList<double> vectorComponents(const QVariant &value);

namespace FilterInputType {
inline constexpr const char* Boolean = "CIAttributeTypeBoolean";
inline constexpr const char* Scalar = "CIAttributeTypeScalar";
inline constexpr const char* Integer = "CIAttributeTypeInteger";
inline constexpr const char* Count = "CIAttributeTypeCount";
inline constexpr const char* Time = "CIAttributeTypeTime";
inline constexpr const char* Angle = "CIAttributeTypeAngle";
inline constexpr const char* Distance = "CIAttributeTypeDistance";
inline constexpr const char* Position = "CIAttributeTypePosition";
inline constexpr const char* Position3 = "CIAttributeTypePosition3";
inline constexpr const char* Offset = "CIAttributeTypeOffset";
inline constexpr const char* Rectangle = "CIAttributeTypeRectangle";
inline constexpr const char* Color = "CIAttributeTypeColor";
}  // namespace FilterInputType

namespace FilterCategory {
inline constexpr const char* GeometryAdjustment = "CICategoryGeometryAdjustment";
inline constexpr const char* DistortionEffect = "CICategoryDistortionEffect";
inline constexpr const char* HalftoneEffect = "CICategoryHalftoneEffect";
inline constexpr const char* Sharpen = "CICategorySharpen";
inline constexpr const char* Blur = "CICategoryBlur";
inline constexpr const char* Stylize = "CICategoryStylize";
inline constexpr const char* Gradient = "CICategoryGradient";
inline constexpr const char* ColorEffect = "CICategoryColorEffect";
inline constexpr const char* ColorAdjustment = "CICategoryColorAdjustment";
inline constexpr const char* TileEffect = "CICategoryTileEffect";
inline constexpr const char* Generator = "CICategoryGenerator";
inline constexpr const char* CompositeOperation = "CICategoryCompositeOperation";
inline constexpr const char* Transition = "CICategoryTransition";
}  // namespace FilterCategory

// Values of inputs, held in QVariant:
//   NSNumber           double (booleans as double 0/1 or bool; value(key).toDouble() works)
//   CIColor            QColor (with alpha)
//   CIImage            FilterImage (Q_DECLARE_METATYPE below); an unset image input is invalid
//   CIVector           QList<double> (2 for positions and offsets, 3 for Position3, 4 for rects)
//   NSAffineTransform  QTransform
class ImageFilter {
public:
    virtual ~ImageFilter() = default;

    // The catalogue: names of filters in a category, in a stable order; a made filter by name
    // (nullptr for an unknown name).
    static QStringList filterNamesInCategory(const QString& category);
    static std::unique_ptr<ImageFilter> filterWithName(const QString& name);
    // Starts the filter library and describes its filters on a worker thread, so that the
    // first to ask for the catalogue finds it ready (or waits less) instead of building it.
    static void prepareCatalogue();

    virtual QString name() const = 0;         // stable identifier, "GaussianBlur", "gegl:pixelize"
    virtual QString displayName() const = 0;  // shown in the list, "Gaussian Blur"
    virtual QStringList categories() const = 0;
    virtual QStringList inputKeys() const = 0;  // in the order the controls are laid out
    virtual const FilterInput* input(const QString& key) const = 0;  // nullptr if no such key

    // Every input back to its default (an image input to unset).
    virtual void setDefaults() = 0;
    virtual QVariant value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;

    // The result for the current inputs; null when a required image input is unset.
    virtual FilterImage outputImage() const = 0;

    // The size in pixels of features the filter draws whatever its inputs say (a noise whose
    // grain is fixed in pixels), when it is larger than a pixel; 0 for none. On a smaller copy
    // of the picture such features come out too large.
    virtual double fixedFeatureSize() const { return 0; }
};

}  // namespace quillmark

Q_DECLARE_METATYPE(quillmark::FilterImage)
