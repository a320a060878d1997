#pragma once

// A filter that runs one GEGL operation: its inputs are the operation's properties as GEGL
// describes them (ranges, defaults, units), its output a graph of the source pixels through
// the operation, rendered rectangle by rectangle. GEGL's own types stay in the .cpp file.

#include "platform/DescribedImageFilter.h"

#include <QByteArray>
#include <QList>

namespace quillmark {

class GeglImageFilter : public DescribedImageFilter
{
public:
    // How an input reaches the operation's property.
    enum class Binding {
        Number,   // double, int or unsigned as the property is
        Degrees,  // an angle input in radians to a property in degrees
        Boolean,
        Enum,     // an index 0..n-1 into the property's enumeration values
        Color,
        Offset,   // a vector (x, y) in filter space to two properties (x, y down)
    };
    struct Property
    {
        QString key;
        Binding binding = Binding::Number;
        QByteArray name;        // the GEGL property
        QByteArray secondName;  // Offset: the y property
        QList<int> enumValues;  // Enum: the values by index
    };
    // A property held at a value that the user does not see.
    struct Fixed
    {
        QByteArray name;
        double value = 0;
    };

    GeglImageFilter(QString name, QString displayName, QStringList categories);

    FilterImage outputImage() const override;
    // Pictures of more pixels than this are handed to GEGL in part; negative for the limit
    // of a real run.
    static void setWholePictureLimitForTesting(qint64 pixels);
    double fixedFeatureSize() const override { return featureSize; }

    // Filled by the catalogue while it describes the operation.
    QByteArray operation;
    bool hasInput = true;
    QString auxKey;              // the input key of the operation's aux pad; empty for none
    bool originAtCenter = false; // geometry: turn and scale about the picture's centre
    double featureSize = 0;      // see fixedFeatureSize()
    QList<Property> properties;
    QList<Fixed> fixed;

    using DescribedImageFilter::addBoolean;
    using DescribedImageFilter::addColor;
    using DescribedImageFilter::addImage;
    using DescribedImageFilter::addNumber;
    using DescribedImageFilter::addVector;
};

} // namespace quillmark
