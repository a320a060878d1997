#pragma once

// A filter of our own: described inputs plus a function that makes the output from them.
// Used where GEGL has no operation for a category or kind of input, and for the filters the
// effects panel fills with its default images.

#include "platform/DescribedImageFilter.h"
#include "platform/FilterCatalogue.h"

#include <QRgb>

#include <functional>

namespace quillmark {

class OwnImageFilter : public DescribedImageFilter
{
public:
    using Output = std::function<FilterImage(const OwnImageFilter &)>;

    OwnImageFilter(QString name, QString displayName, QStringList categories);

    void setOutput(Output output) { m_output = std::move(output); }
    // Null while an image input has no value.
    FilterImage outputImage() const override;

    using DescribedImageFilter::addBoolean;
    using DescribedImageFilter::addColor;
    using DescribedImageFilter::addImage;
    using DescribedImageFilter::addNumber;
    using DescribedImageFilter::addTransform;
    using DescribedImageFilter::addVector;
    using DescribedImageFilter::color;
    using DescribedImageFilter::image;
    using DescribedImageFilter::number;
    using DescribedImageFilter::point;
    using DescribedImageFilter::rectangle;
    using DescribedImageFilter::transform;
    using DescribedImageFilter::vector;

    // For each pixel of `rect` (filter space), `pixel` at the pixel's centre, premultiplied.
    static QImage renderPixels(const QRect &rect, const std::function<QRgb(double x, double y)> &pixel);

private:
    Output m_output;
};

// The entries of each family of our own filters.
QList<FilterEntry> ownGeneratorEntries();
QList<FilterEntry> ownGeometryEntries();
QList<FilterEntry> ownDistortionEntries();
QList<FilterEntry> ownHalftoneEntries();
QList<FilterEntry> ownStyleEntries();
QList<FilterEntry> ownTransitionEntries();

// An entry that makes its filter with `make`.
FilterEntry ownEntry(std::function<std::unique_ptr<OwnImageFilter>()> make);

// The input keys the families of our own filters share.
namespace OwnInputKeys {
inline const QString Image = QStringLiteral("inputImage");
inline const QString Center = QStringLiteral("inputCenter");
inline const QString Width = QStringLiteral("inputWidth");
inline const QString Sharpness = QStringLiteral("inputSharpness");
} // namespace OwnInputKeys

} // namespace quillmark
