#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/Bundle.h"
#include "platform/GeglImageFilter.h"
#include "platform/ImageFilter.h"

#include <algorithm>
#include <cmath>

using namespace quillmark;

namespace {

const QString Image = QStringLiteral("inputImage");

const QRgb TopRow = qRgb(220, 20, 20);
const QRgb BottomRow = qRgb(20, 20, 220);

// A 64 x 48 picture with a red top row, a blue bottom row and ramps of colour between, short
// of the full range so that even contrast stretching has work: every filter finds edges, hues
// and levels to change.
QImage testPicture()
{
    QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(20 + x * 3, 20 + y * 4, 20 + (x + y) * 2));
    QPainter p(&image);
    p.fillRect(20, 14, 20, 16, QColor(210, 200, 40));
    p.end();
    for (int x = 0; x < image.width(); ++x) {
        image.setPixel(x, 0, TopRow);
        image.setPixel(x, image.height() - 1, BottomRow);
    }
    return image;
}

QImage texturePicture()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgb(x * 8, y * 8, ((x ^ y) & 1) * 255));
    return image;
}

bool samePixels(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32_Premultiplied)
           == b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The filter's output over the source picture's extent, as the effects panel crops it.
QImage renderOver(const ImageFilter &filter, const QRect &extent)
{
    const FilterImage out = filter.outputImage();
    if (out.isNull())
        return {};
    return out.render(extent);
}

const char *const OfferedCategories[] = {
    FilterCategory::GeometryAdjustment, FilterCategory::DistortionEffect,
    FilterCategory::HalftoneEffect,     FilterCategory::Sharpen,
    FilterCategory::Blur,               FilterCategory::Stylize,
    FilterCategory::Gradient,           FilterCategory::ColorEffect,
    FilterCategory::ColorAdjustment,    FilterCategory::TileEffect,
    FilterCategory::Generator,
};

} // namespace

TEST(FilterImage, PictureRowsStandTheRightWayUpInFilterSpace)
{
    const QImage picture = testPicture();
    const FilterImage image(picture, QPointF(10, 20));
    EXPECT_EQ(image.extent(), QRectF(10, 20, 64, 48));
    EXPECT_FALSE(image.isInfinite());
    // y grows upwards: the top row is the highest one.
    const QImage top = image.render(QRect(10, 20 + 47, 64, 1));
    const QImage bottom = image.render(QRect(10, 20, 64, 1));
    EXPECT_EQ(top.pixel(5, 0), TopRow);
    EXPECT_EQ(bottom.pixel(5, 0), BottomRow);
    EXPECT_TRUE(samePixels(image.toImage(), picture));
    // Outside the extent: transparent, and the part inside in its place.
    const QImage around = image.render(QRect(0, 10, 100, 80));
    EXPECT_EQ(around.size(), QSize(100, 80));
    EXPECT_EQ(qAlpha(around.pixel(0, 0)), 0);
    // Filter y 67 (the top row) is row 80 - 1 - (67 - 10) = 22 of the result.
    EXPECT_EQ(around.pixel(15, 22), TopRow);
    EXPECT_EQ(around.pixel(15, 22 + 47), BottomRow);
}

TEST(FilterImage, CropOverAndNullImages)
{
    const FilterImage picture(testPicture());
    const FilterImage cropped = picture.cropped(QRectF(8, 8, 16, 10));
    EXPECT_EQ(cropped.extent(), QRectF(8, 8, 16, 10));
    const QImage inside = cropped.render(QRect(0, 0, 64, 48));
    EXPECT_EQ(qAlpha(inside.pixel(2, 45)), 0);            // outside the crop
    EXPECT_EQ(inside.pixel(10, 47 - 10), picture.render(QRect(0, 0, 64, 48)).pixel(10, 47 - 10));

    QImage half(4, 4, QImage::Format_ARGB32_Premultiplied);
    half.fill(qPremultiply(qRgba(255, 255, 255, 128)));
    QImage black(8, 8, QImage::Format_ARGB32_Premultiplied);
    black.fill(Qt::black);
    const FilterImage over = FilterImage(half, QPointF(2, 2)).over(FilterImage(black));
    EXPECT_EQ(over.extent(), QRectF(0, 0, 8, 8));
    const QImage mixed = over.toImage();
    EXPECT_NEAR(qRed(mixed.pixel(3, 3)), 128, 2);
    EXPECT_EQ(mixed.pixel(0, 0), qRgb(0, 0, 0));

    const FilterImage null;
    EXPECT_TRUE(null.isNull());
    EXPECT_TRUE(null.toImage().isNull());
    const QImage clear = null.render(QRect(0, 0, 3, 3));
    EXPECT_EQ(clear.size(), QSize(3, 3));
    EXPECT_EQ(qAlpha(clear.pixel(1, 1)), 0);
}

TEST(FilterImage, AbsurdRendersAreRefusedWithoutAllocating)
{
    const FilterImage picture(testPicture());
    EXPECT_TRUE(picture.render(QRect(0, 0, 200000, 200000)).isNull());
    EXPECT_TRUE(picture.render(QRect(0, 0, -5, 10)).isNull());
    EXPECT_TRUE(picture.render(QRect(0, 0, 0, 0)).isNull());
    // A picture placed at a position that is no number stays at the origin.
    const FilterImage placed(testPicture(), QPointF(qQNaN(), qInf()));
    EXPECT_EQ(placed.extent(), QRectF(0, 0, 64, 48));
}

TEST(ImageFilterCatalogue, EveryOfferedCategoryHasFiltersAndEveryNameMakesItsFilter)
{
    for (const char *category : OfferedCategories) {
        const QStringList names = ImageFilter::filterNamesInCategory(QString::fromLatin1(category));
        EXPECT_FALSE(names.isEmpty()) << category;
        QStringList unique = names;
        EXPECT_EQ(unique.removeDuplicates(), 0) << category;
        for (const QString &name : names) {
            const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(name);
            ASSERT_TRUE(filter) << qPrintable(name);
            EXPECT_EQ(filter->name(), name);
            EXPECT_FALSE(filter->displayName().isEmpty()) << qPrintable(name);
            EXPECT_TRUE(filter->categories().contains(QString::fromLatin1(category)));
            EXPECT_FALSE(filter->inputKeys().isEmpty()) << qPrintable(name);
            for (const QString &key : filter->inputKeys()) {
                const FilterInput *in = filter->input(key);
                ASSERT_TRUE(in) << qPrintable(name + " " + key);
                EXPECT_TRUE(key.startsWith(QLatin1String("input"))) << qPrintable(name + " " + key);
                EXPECT_FALSE(in->displayName.isEmpty()) << qPrintable(name + " " + key);
            }
        }
    }
    EXPECT_EQ(ImageFilter::filterWithName(QStringLiteral("NoSuchFilter")), nullptr);
    EXPECT_EQ(ImageFilter::filterWithName(QString()), nullptr);
    EXPECT_TRUE(ImageFilter::filterNamesInCategory(QStringLiteral("CICategoryNothing")).isEmpty());
    // Transitions are reachable under Stylize too.
    for (const QString &name : ImageFilter::filterNamesInCategory(FilterCategory::Transition))
        EXPECT_TRUE(ImageFilter::filterNamesInCategory(FilterCategory::Stylize).contains(name));
}

// The effects panel previews a large picture from a smaller copy and scales the inputs that
// are lengths or places in pixels to it. Whether GEGL gives them a unit or not, whether they
// are whole numbers or not, the lengths that decide how a result looks are marked; nothing
// that is an angle, a time, a choice or a length relative to the picture is.
TEST(ImageFilterCatalogue, EveryLengthInPixelsIsMarkedAndNothingElse)
{
    const std::pair<const char *, QStringList> lengths[] = {
        {"gegl:pixelize", {"inputSizeX", "inputSizeY"}},
        {"gegl:median-blur", {"inputRadius"}},
        {"gegl:noise-spread", {"inputAmountX", "inputAmountY"}},
        {"gegl:snn-mean", {"inputRadius"}},
        {"gegl:grid", {"inputX", "inputY", "inputLineWidth", "inputLineHeight"}},
        {"gegl:box-blur", {"inputRadius"}},
        {"gegl:bilateral-filter", {"inputBlurRadius"}},
        {"gegl:high-pass", {"inputStdDev"}},
        {"gegl:difference-of-gaussians", {"inputRadius1", "inputRadius2"}},
        {"gegl:long-shadow", {"inputLength"}},
        {"gegl:newsprint", {"inputPeriod"}},
        {"gegl:gaussian-blur", {"inputStdDevX", "inputStdDevY"}},
        {"gegl:unsharp-mask", {"inputStdDev"}},
    };
    for (const auto &[name, keys] : lengths) {
        const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(QString::fromLatin1(name));
        ASSERT_TRUE(filter) << name;
        for (const QString &key : keys) {
            const FilterInput *in = filter->input(key);
            ASSERT_TRUE(in) << name << " " << qPrintable(key);
            EXPECT_EQ(in->dimension, FilterDimension::Length) << name << " " << qPrintable(key);
        }
    }
    const std::pair<const char *, const char *> notLengths[] = {
        {"gegl:vignette", "inputRadius"},      // a share of the picture
        {"gegl:focus-blur", "inputRadius"},    // a share of the picture
        {"gegl:pixelize", "inputRatioX"},      // a share of a block
        {"gegl:snn-mean", "inputPairs"},       // a count
        {"gegl:long-shadow", "inputAngle"},
        {"gegl:median-blur", "inputPercentile"},
    };
    for (const auto &[name, key] : notLengths) {
        const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(QString::fromLatin1(name));
        ASSERT_TRUE(filter) << name;
        const FilterInput *in = filter->input(QString::fromLatin1(key));
        ASSERT_TRUE(in) << name << " " << key;
        EXPECT_EQ(in->dimension, FilterDimension::None) << name << " " << key;
    }

    // The whole catalogue: every length typed as one is marked, and every mark is on a number
    // that varies freely.
    QStringList all;
    for (const char *category : OfferedCategories)
        all += ImageFilter::filterNamesInCategory(QString::fromLatin1(category));
    all.removeDuplicates();
    int marked = 0;
    for (const QString &name : all) {
        const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(name);
        ASSERT_TRUE(filter) << qPrintable(name);
        for (const QString &key : filter->inputKeys()) {
            const FilterInput *in = filter->input(key);
            const QString where = name + QLatin1Char(' ') + key;
            if (in->type == QLatin1String(FilterInputType::Distance)) {
                EXPECT_EQ(in->dimension, FilterDimension::Length) << qPrintable(where);
            }
            if (in->dimension == FilterDimension::None)
                continue;
            ++marked;
            EXPECT_EQ(in->className, QStringLiteral("NSNumber")) << qPrintable(where);
            EXPECT_NE(in->type, QString::fromLatin1(FilterInputType::Angle)) << qPrintable(where);
            EXPECT_NE(in->type, QString::fromLatin1(FilterInputType::Time)) << qPrintable(where);
            EXPECT_TRUE(in->choices.isEmpty()) << qPrintable(where);
        }
    }
    EXPECT_GT(marked, 20);
}

// Every offered filter changes a picture: at its defaults or, for those whose defaults leave
// a picture as it is, with one of its numbers at the end of its slider.
TEST(ImageFilterCatalogue, EveryOfferedFilterRendersAChangedPicture)
{
    const QImage picture = testPicture();
    const FilterImage source(picture);
    const FilterImage texture(texturePicture());
    // Around the picture too: a shadow falls outside it.
    const QRect extent(-24, -24, picture.width() + 48, picture.height() + 48);
    const QImage before = source.render(extent);
    QStringList all;
    for (const char *category : OfferedCategories)
        all += ImageFilter::filterNamesInCategory(QString::fromLatin1(category));
    all.removeDuplicates();
    for (const QString &name : all) {
        SCOPED_TRACE(qPrintable(name));
        const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(name);
        ASSERT_TRUE(filter);
        filter->setDefaults();
        for (const QString &key : filter->inputKeys()) {
            if (filter->input(key)->className == QLatin1String("CIImage"))
                filter->setValue(key, QVariant::fromValue(key == Image ? source : texture));
        }
        // Centred on the picture, as the effects panel centres a wrap on its preview.
        filter->setValue(QStringLiteral("inputCenter"), QVariant::fromValue(QList<double>{32, 24}));
        if (name == QLatin1String("CircularWrap"))
            filter->setValue(QStringLiteral("inputRadius"), 12.0);
        QImage out = renderOver(*filter, extent);
        ASSERT_FALSE(out.isNull());
        EXPECT_EQ(out.size(), extent.size());
        // Something is drawn: a failed render comes back blank.
        EXPECT_NE(out, FilterImage().render(extent));
        bool changed = !samePixels(out, before);
        for (const QString &key : filter->inputKeys()) {
            const FilterInput *in = filter->input(key);
            if (changed)
                break;
            if (in->className != QLatin1String("NSNumber") && in->className != QLatin1String("CIVector")
                && in->className != QLatin1String("NSAffineTransform"))
                continue;
            filter->setDefaults();
            for (const QString &k : filter->inputKeys()) {
                if (filter->input(k)->className == QLatin1String("CIImage"))
                    filter->setValue(k, QVariant::fromValue(k == Image ? source : texture));
            }
            if (in->className == QLatin1String("NSNumber"))
                filter->setValue(key, in->sliderMaximum);
            else if (in->className == QLatin1String("CIVector"))
                filter->setValue(key, QVariant::fromValue(QList<double>{7, 5, 30, 20}));
            else
                filter->setValue(key, QTransform().rotate(30));
            changed = !samePixels(renderOver(*filter, extent), before);
        }
        EXPECT_TRUE(changed);
    }
}

// A picture too large to hand to GEGL whole is read in parts, as a band of a large result is
// rendered: every filter renders a part of its result as the whole has it, also where the
// filter places its work by the picture's extent (a little planet, a vignette) or reads every
// pixel (contrast stretched). The picture passes for large with the limit lowered, so that the
// whole still renders quickly.
TEST(ImageFilterOutput, APartOfALargePictureIsThatPartOfTheWholeResult)
{
    QImage picture(1400, 1100, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&picture);
        QLinearGradient across(0, 0, picture.width(), picture.height());
        across.setColorAt(0, QColor(30, 60, 200));
        across.setColorAt(1, QColor(240, 200, 20));
        p.fillRect(picture.rect(), across);
        for (int i = 0; i < 40; ++i)
            p.fillRect((i * 173) % 1300, (i * 97) % 1000, 60, 40, QColor::fromHsv((i * 37) % 360, 200, 220));
    }
    const FilterImage source(picture);
    const FilterImage texture(texturePicture());
    const QRect part(684, 534, 32, 32);
    QStringList all;
    for (const char *category : OfferedCategories)
        all += ImageFilter::filterNamesInCategory(QString::fromLatin1(category));
    all.removeDuplicates();
    int geglFilters = 0;
    for (const QString &name : all) {
        SCOPED_TRACE(qPrintable(name));
        const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(name);
        ASSERT_TRUE(filter);
        filter->setDefaults();
        for (const QString &key : filter->inputKeys())
            if (filter->input(key)->className == QLatin1String("CIImage"))
                filter->setValue(key, QVariant::fromValue(key == Image ? source : texture));
        geglFilters += name.startsWith(QLatin1String("gegl:"));
        GeglImageFilter::setWholePictureLimitForTesting(-1);
        const QImage whole = filter->outputImage().render(part);
        GeglImageFilter::setWholePictureLimitForTesting(1);
        const QImage inPart = filter->outputImage().render(part);
        GeglImageFilter::setWholePictureLimitForTesting(-1);
        ASSERT_EQ(whole.size(), part.size());
        ASSERT_EQ(inPart.size(), part.size());
        int worst = 0;
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x) {
                const QRgb a = whole.pixel(x, y);
                const QRgb b = inPart.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            }
        // Random noise draws its own grain on every render; nothing else may differ.
        EXPECT_LE(worst, 2);
    }
    EXPECT_GT(geglFilters, 50);
}

TEST(ImageFilterInputs, DescribedByClassTypeRangeAndDefault)
{
    struct Case
    {
        const char *filter, *key, *className, *type;
        double minimum, maximum, defaultValue;
    };
    const Case cases[] = {
        {"gegl:gaussian-blur", "inputStdDevX", "NSNumber", FilterInputType::Distance, 0, 1500, 1.5},
        {"gegl:rotate", "inputDegrees", "NSNumber", FilterInputType::Angle, -4 * M_PI, 4 * M_PI, 0},
        {"gegl:box-blur", "inputRadius", "NSNumber", FilterInputType::Integer, 0, 1000, 4},
        {"gegl:edge-sobel", "inputHorizontal", "NSNumber", FilterInputType::Boolean, 0, 1, 1},
        {"gegl:pixelize", "inputSizeX", "NSNumber", FilterInputType::Integer, 1, 2048, 16},
        {"CheckerboardGenerator", "inputWidth", "NSNumber", FilterInputType::Distance, 1, 2000, 80},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.filter);
        const auto filter = ImageFilter::filterWithName(QString::fromLatin1(c.filter));
        ASSERT_TRUE(filter);
        const FilterInput *in = filter->input(QString::fromLatin1(c.key));
        ASSERT_TRUE(in);
        EXPECT_EQ(in->className, QLatin1String(c.className));
        EXPECT_EQ(in->type, QLatin1String(c.type));
        EXPECT_NEAR(in->minimum.toDouble(), c.minimum, 1e-9);
        EXPECT_NEAR(in->maximum.toDouble(), c.maximum, 1e-9);
        EXPECT_NEAR(in->defaultValue.toDouble(), c.defaultValue, 1e-9);
        EXPECT_NEAR(filter->value(QString::fromLatin1(c.key)).toDouble(), c.defaultValue, 1e-9);
        EXPECT_LE(in->sliderMinimum.toDouble(), in->sliderMaximum.toDouble());
    }

    const auto blur = ImageFilter::filterWithName(QStringLiteral("gegl:gaussian-blur"));
    EXPECT_EQ(blur->displayName(), QStringLiteral("Gaussian Blur"));
    EXPECT_EQ(blur->inputKeys().first(), Image);
    EXPECT_EQ(blur->input(Image)->className, QStringLiteral("CIImage"));
    EXPECT_NEAR(blur->input(QStringLiteral("inputStdDevX"))->sliderMaximum.toDouble(), 100, 1e-9);
    EXPECT_EQ(blur->input(QStringLiteral("inputNoSuchKey")), nullptr);

    const auto shadow = ImageFilter::filterWithName(QStringLiteral("gegl:dropshadow"));
    ASSERT_TRUE(shadow);
    EXPECT_EQ(shadow->input(QStringLiteral("inputColor"))->className, QStringLiteral("CIColor"));
    EXPECT_TRUE(shadow->value(QStringLiteral("inputColor")).value<QColor>().isValid());
    EXPECT_EQ(shadow->input(QStringLiteral("inputOffset"))->type, FilterInputType::Offset);
    EXPECT_EQ(shadow->value(QStringLiteral("inputOffset")).value<QList<double>>(),
              (QList<double>{20, -20}));

    const auto variable = ImageFilter::filterWithName(QStringLiteral("gegl:variable-blur"));
    ASSERT_TRUE(variable);
    EXPECT_EQ(variable->input(QStringLiteral("inputMaskImage"))->className, QStringLiteral("CIImage"));

    const auto affine = ImageFilter::filterWithName(QStringLiteral("AffineTransform"));
    ASSERT_TRUE(affine);
    EXPECT_EQ(affine->input(QStringLiteral("inputTransform"))->className,
              QStringLiteral("NSAffineTransform"));
    EXPECT_EQ(affine->value(QStringLiteral("inputTransform")).value<QTransform>(), QTransform());

    const auto median = ImageFilter::filterWithName(QStringLiteral("gegl:median-blur"));
    const FilterInput *neighborhood = median->input(QStringLiteral("inputNeighborhood"));
    ASSERT_TRUE(neighborhood);
    EXPECT_EQ(neighborhood->type, FilterInputType::Integer);
    EXPECT_EQ(neighborhood->minimum.toDouble(), 0);
    EXPECT_GE(neighborhood->maximum.toDouble(), 1);
}

TEST(ImageFilterInputs, HostileValuesAreClampedOrRefused)
{
    const auto blur = ImageFilter::filterWithName(QStringLiteral("gegl:gaussian-blur"));
    const QString radius = QStringLiteral("inputStdDevX");
    blur->setValue(radius, 1e12);
    EXPECT_EQ(blur->value(radius).toDouble(), 1500);
    blur->setValue(radius, -3.0);
    EXPECT_EQ(blur->value(radius).toDouble(), 0);
    blur->setValue(radius, 4.0);
    blur->setValue(radius, qQNaN());
    blur->setValue(radius, qInf());
    blur->setValue(radius, QStringLiteral("wide"));
    blur->setValue(radius, QColor(Qt::red));
    EXPECT_EQ(blur->value(radius).toDouble(), 4);
    blur->setValue(QStringLiteral("inputNoSuchKey"), 3.0);
    EXPECT_FALSE(blur->value(QStringLiteral("inputNoSuchKey")).isValid());

    // Open GEGL ranges are held to a span a picture can use.
    const auto lens = ImageFilter::filterWithName(QStringLiteral("gegl:lens-blur"));
    lens->setValue(QStringLiteral("inputRadius"), 1e300);
    EXPECT_LE(lens->value(QStringLiteral("inputRadius")).toDouble(), 1000);

    // Vectors: components that are no numbers are refused, huge ones held.
    const auto crop = ImageFilter::filterWithName(QStringLiteral("Crop"));
    const QString rect = QStringLiteral("inputRectangle");
    crop->setValue(rect, QVariant::fromValue(QList<double>{0, qQNaN(), 4, 4}));
    EXPECT_EQ(crop->value(rect).value<QList<double>>(), (QList<double>{0, 0, 300, 300}));
    crop->setValue(rect, QVariant::fromValue(QList<double>{-1e300, -1e300, 1e300, 1e300}));
    for (double v : crop->value(rect).value<QList<double>>())
        EXPECT_LE(std::abs(v), 1e7);
    crop->setValue(Image, QVariant::fromValue(FilterImage(testPicture())));
    EXPECT_TRUE(crop->outputImage().extent().isEmpty());
    EXPECT_FALSE(crop->outputImage().render(QRect(0, 0, 64, 48)).isNull());
    crop->setValue(rect, QVariant::fromValue(QList<double>{-5, -5, 1e300, 1e300}));
    EXPECT_EQ(crop->outputImage().extent(), QRectF(0, 0, 64, 48));

    // A degenerate or unreadable transform draws nothing rather than dividing by zero.
    const auto affine = ImageFilter::filterWithName(QStringLiteral("AffineTransform"));
    affine->setValue(Image, QVariant::fromValue(FilterImage(testPicture())));
    affine->setValue(QStringLiteral("inputTransform"), QTransform(0, 0, 0, 0, 5, 5));
    const QImage flat = affine->outputImage().render(QRect(0, 0, 10, 10));
    ASSERT_FALSE(flat.isNull());
    EXPECT_EQ(qAlpha(flat.pixel(5, 5)), 0);
    affine->setValue(QStringLiteral("inputTransform"), QTransform(qQNaN(), 0, 0, 1, 0, 0));
    EXPECT_EQ(affine->value(QStringLiteral("inputTransform")).value<QTransform>(),
              QTransform(0, 0, 0, 0, 5, 5));
    // A huge scale-down of an unbounded picture reads no more than a render may hold.
    const auto tile = ImageFilter::filterWithName(QStringLiteral("AffineTile"));
    tile->setValue(Image, QVariant::fromValue(FilterImage(testPicture())));
    tile->setValue(QStringLiteral("inputTransform"), QTransform::fromScale(1e-6, 1e-6));
    EXPECT_FALSE(tile->outputImage().render(QRect(0, 0, 16, 16)).isNull());

    // Enumerations: an index beyond the values is held to the last.
    const auto median = ImageFilter::filterWithName(QStringLiteral("gegl:median-blur"));
    median->setValue(QStringLiteral("inputNeighborhood"), 99.0);
    EXPECT_EQ(median->value(QStringLiteral("inputNeighborhood")).toDouble(),
              median->input(QStringLiteral("inputNeighborhood"))->maximum.toDouble());
}

TEST(ImageFilterOutput, UnsetImageInputsGiveNoOutput)
{
    for (const char *name : {"gegl:gaussian-blur", "gegl:variable-blur", "SourceOverCompositing",
                             "Crop", "AffineTransform"}) {
        SCOPED_TRACE(name);
        const auto filter = ImageFilter::filterWithName(QString::fromLatin1(name));
        ASSERT_TRUE(filter);
        EXPECT_TRUE(filter->outputImage().isNull());
    }
    const auto variable = ImageFilter::filterWithName(QStringLiteral("gegl:variable-blur"));
    variable->setValue(Image, QVariant::fromValue(FilterImage(testPicture())));
    EXPECT_TRUE(variable->outputImage().isNull());
    variable->setValue(QStringLiteral("inputMaskImage"), QVariant::fromValue(FilterImage(texturePicture())));
    EXPECT_FALSE(variable->outputImage().isNull());
    // Unsetting an image input takes its value away again.
    variable->setValue(QStringLiteral("inputMaskImage"), QVariant());
    EXPECT_TRUE(variable->outputImage().isNull());
    variable->setValue(QStringLiteral("inputMaskImage"), QVariant::fromValue(FilterImage()));
    EXPECT_TRUE(variable->outputImage().isNull());
}

TEST(ImageFilterOutput, GeneratorsAreUnboundedUntilCropped)
{
    const auto checker = ImageFilter::filterWithName(QStringLiteral("CheckerboardGenerator"));
    ASSERT_TRUE(checker);
    EXPECT_FALSE(checker->input(Image));
    checker->setValue(QStringLiteral("inputCenter"), QVariant::fromValue(QList<double>{0, 0}));
    checker->setValue(QStringLiteral("inputWidth"), 10.0);
    const FilterImage board = checker->outputImage();
    ASSERT_FALSE(board.isNull());
    EXPECT_TRUE(board.isInfinite());
    EXPECT_TRUE(board.toImage().isNull());
    const FilterImage part = board.cropped(QRectF(0, 0, 40, 20));
    EXPECT_FALSE(part.isInfinite());
    EXPECT_EQ(part.extent(), QRectF(0, 0, 40, 20));
    const QImage pixels = part.toImage();
    ASSERT_EQ(pixels.size(), QSize(40, 20));
    // Squares of 10 from the centre: (5, 5) is colour 1 (white), (15, 5) colour 2 (black).
    EXPECT_EQ(pixels.pixel(5, 19 - 5), qRgb(255, 255, 255));
    EXPECT_EQ(pixels.pixel(15, 19 - 5), qRgb(0, 0, 0));
    EXPECT_EQ(pixels.pixel(15, 19 - 15), qRgb(255, 255, 255));

    const auto constant = ImageFilter::filterWithName(QStringLiteral("ConstantColorGenerator"));
    constant->setValue(QStringLiteral("inputColor"), QColor(255, 128, 0, 128));
    const QImage orange = constant->outputImage().render(QRect(-1000000, 5000000, 4, 4));
    EXPECT_EQ(orange.pixel(1, 1), qPremultiply(qRgba(255, 128, 0, 128)));

    // A gradient runs up the picture: colour 2 at the top.
    const auto linear = ImageFilter::filterWithName(QStringLiteral("LinearGradient"));
    linear->setValue(QStringLiteral("inputPoint0"), QVariant::fromValue(QList<double>{0, 0}));
    linear->setValue(QStringLiteral("inputPoint1"), QVariant::fromValue(QList<double>{0, 100}));
    const QImage ramp = linear->outputImage().render(QRect(0, 0, 1, 100));
    EXPECT_LT(qRed(ramp.pixel(0, 0)), 10);
    EXPECT_GT(qRed(ramp.pixel(0, 99)), 245);
}

TEST(ImageFilterOutput, GeglWorksInFilterSpaceWithYUp)
{
    const QImage picture = testPicture();
    // An offset of (10, 5) moves the picture right and up.
    const auto translate = ImageFilter::filterWithName(QStringLiteral("gegl:translate"));
    ASSERT_TRUE(translate);
    translate->setValue(Image, QVariant::fromValue(FilterImage(picture)));
    translate->setValue(QStringLiteral("inputOffset"), QVariant::fromValue(QList<double>{10, 5}));
    const FilterImage moved = translate->outputImage();
    EXPECT_EQ(moved.extent(), QRectF(10, 5, 64, 48));
    const QImage top = moved.render(QRect(10, 5 + 47, 64, 1));
    EXPECT_EQ(top.pixel(20, 0), TopRow);

    // A blur keeps the top red and grows beyond the picture on every side.
    const auto blur = ImageFilter::filterWithName(QStringLiteral("gegl:gaussian-blur"));
    blur->setValue(Image, QVariant::fromValue(FilterImage(picture, QPointF(100, 200))));
    blur->setValue(QStringLiteral("inputStdDevX"), 3.0);
    blur->setValue(QStringLiteral("inputStdDevY"), 3.0);
    const FilterImage blurred = blur->outputImage();
    EXPECT_GT(blurred.extent().width(), 64);
    EXPECT_GT(blurred.extent().height(), 48);
    EXPECT_LT(blurred.extent().top(), 200);
    const QImage out = blurred.render(QRect(100, 200, 64, 48));
    EXPECT_GT(qRed(out.pixel(32, 0)), qBlue(out.pixel(32, 0)));
    EXPECT_GT(qBlue(out.pixel(32, 47)), qRed(out.pixel(32, 47)));
    EXPECT_FALSE(samePixels(out, picture));

    // A render larger than a band comes back whole and in place.
    const QImage wide = FilterImage(picture).render(QRect(-4000, -300, 8000, 400));
    ASSERT_EQ(wide.size(), QSize(8000, 400));
    blur->setValue(Image, QVariant::fromValue(FilterImage(picture)));
    const QImage big = blur->outputImage().render(QRect(-2000, -600, 4000, 1200));
    ASSERT_EQ(big.size(), QSize(4000, 1200));
    EXPECT_GT(qRed(big.pixel(2000 + 32, 600 - 48 + 1)), 60);
    EXPECT_EQ(qAlpha(big.pixel(0, 0)), 0);
}

TEST(ImageFilterOutput, TransitionsRunFromThePictureToTheTarget)
{
    const QImage picture = testPicture();
    QImage target(64, 48, QImage::Format_ARGB32_Premultiplied);
    target.fill(QColor(30, 140, 60));
    const QImage shading = Bundle::imageNamed(QStringLiteral("restrictedshine"));
    const QImage mask = Bundle::imageNamed(QStringLiteral("mask1"));
    ASSERT_FALSE(shading.isNull());
    ASSERT_FALSE(mask.isNull());
    const QRect extent(0, 0, 64, 48);
    for (const char *name : {"RippleTransition", "PageCurlTransition", "DisintegrateWithMaskTransition"}) {
        SCOPED_TRACE(name);
        const auto filter = ImageFilter::filterWithName(QString::fromLatin1(name));
        ASSERT_TRUE(filter);
        EXPECT_TRUE(filter->categories().contains(FilterCategory::Transition));
        EXPECT_EQ(filter->input(QStringLiteral("inputTime"))->type, FilterInputType::Time);
        filter->setValue(Image, QVariant::fromValue(FilterImage(picture)));
        // The target is a required image: without it there is nothing to show.
        EXPECT_TRUE(filter->outputImage().isNull());
        filter->setValue(QStringLiteral("inputTargetImage"), QVariant::fromValue(FilterImage(target)));
        for (const QString &key : {QStringLiteral("inputShadingImage"), QStringLiteral("inputMaskImage")}) {
            if (filter->input(key))
                filter->setValue(key, QVariant::fromValue(FilterImage(key.contains(QLatin1String("Mask")) ? mask : shading)));
        }
        if (filter->input(QStringLiteral("inputExtent")))
            filter->setValue(QStringLiteral("inputExtent"), QVariant::fromValue(QList<double>{0, 0, 64, 48}));
        if (filter->input(QStringLiteral("inputCenter")))
            filter->setValue(QStringLiteral("inputCenter"), QVariant::fromValue(QList<double>{32, 24}));
        if (filter->input(QStringLiteral("inputRadius")))
            filter->setValue(QStringLiteral("inputRadius"), 10.0);
        filter->setValue(QStringLiteral("inputTime"), 0.0);
        EXPECT_TRUE(samePixels(filter->outputImage().render(extent), picture));
        filter->setValue(QStringLiteral("inputTime"), 1.0);
        EXPECT_TRUE(samePixels(filter->outputImage().render(extent), target));
        filter->setValue(QStringLiteral("inputTime"), 0.5);
        const QImage halfway = filter->outputImage().render(extent);
        EXPECT_FALSE(samePixels(halfway, picture));
        EXPECT_FALSE(samePixels(halfway, target));
        // Times beyond the run are held to it.
        filter->setValue(QStringLiteral("inputTime"), 7.0);
        EXPECT_EQ(filter->value(QStringLiteral("inputTime")).toDouble(), 1.0);
    }
}

TEST(ImageFilterOutput, DistortionsAndColorMapPlacePixelsWhereExpected)
{
    const QImage picture = testPicture();
    // The picture's bottom edge lies on the circle, its middle column at the top of it.
    const auto wrap = ImageFilter::filterWithName(QStringLiteral("CircularWrap"));
    wrap->setValue(Image, QVariant::fromValue(FilterImage(picture)));
    wrap->setValue(QStringLiteral("inputCenter"), QVariant::fromValue(QList<double>{200, 200}));
    wrap->setValue(QStringLiteral("inputRadius"), 50.0);
    const FilterImage wrapped = wrap->outputImage();
    EXPECT_EQ(wrapped.extent(), QRectF(200 - 98, 200 - 98, 196, 196));
    const QImage column = wrapped.render(QRect(200, 200, 1, 100));
    // Filter y 250 (the picture's bottom row) is row 99 - 50 = 49; y 297 (its top row) is row 2.
    EXPECT_EQ(column.pixel(0, 49), BottomRow);
    EXPECT_EQ(column.pixel(0, 2), TopRow);
    EXPECT_EQ(qAlpha(column.pixel(0, 80)), 0); // inside the circle
    // Below the centre is the far side of the circle, where a picture 64 wide does not reach.
    EXPECT_EQ(qAlpha(wrapped.render(QRect(200, 100, 1, 40)).pixel(0, 20)), 0);

    // Glass over a flat texture refracts nothing; over the default texture it does.
    const auto glass = ImageFilter::filterWithName(QStringLiteral("GlassDistortion"));
    glass->setValue(Image, QVariant::fromValue(FilterImage(picture)));
    QImage flat(16, 16, QImage::Format_ARGB32_Premultiplied);
    flat.fill(Qt::gray);
    glass->setValue(QStringLiteral("inputTexture"), QVariant::fromValue(FilterImage(flat)));
    EXPECT_TRUE(samePixels(glass->outputImage().toImage(), picture));
    glass->setValue(QStringLiteral("inputTexture"),
                    QVariant::fromValue(FilterImage(Bundle::imageNamed(QStringLiteral("smoothtexture")))));
    EXPECT_FALSE(samePixels(glass->outputImage().toImage(), picture));
    glass->setValue(QStringLiteral("inputScale"), 1e9); // held to its range, and bounded reads
    EXPECT_EQ(glass->value(QStringLiteral("inputScale")).toDouble(), 1000);
    EXPECT_FALSE(glass->outputImage().toImage().isNull());

    // A colour map gives black the ramp's left end and white its right end.
    QImage ramp(8, 2, QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            ramp.setPixel(x, y, x < 4 ? qRgb(200, 0, 0) : qRgb(0, 0, 200));
    QImage grays(2, 1, QImage::Format_ARGB32_Premultiplied);
    grays.setPixel(0, 0, qRgb(0, 0, 0));
    grays.setPixel(1, 0, qRgb(255, 255, 255));
    const auto map = ImageFilter::filterWithName(QStringLiteral("ColorMap"));
    map->setValue(Image, QVariant::fromValue(FilterImage(grays)));
    map->setValue(QStringLiteral("inputGradientImage"), QVariant::fromValue(FilterImage(ramp)));
    const QImage mapped = map->outputImage().toImage();
    EXPECT_EQ(mapped.pixel(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(mapped.pixel(1, 0), qRgb(0, 0, 200));
}

TEST(ImageFilterResources, DefaultImagesAndTheIconShipWithTheProgram)
{
    struct Case
    {
        const char *name, *type;
    };
    const Case cases[] = {{"smoothtexture", "tiff"}, {"lightball", "tiff"}, {"restrictedshine", "tiff"},
                          {"colormap", "tiff"},      {"mask1", "jpg"},      {"mask1", "tiff"},
                          {"16x16c.tif", ""}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Bundle::pathForResource(QString::fromLatin1(c.name), QString::fromLatin1(c.type));
        ASSERT_FALSE(path.isEmpty());
        const QImage image(path);
        ASSERT_FALSE(image.isNull());
        EXPECT_GE(image.width(), 16);
    }
    const QImage icon(Bundle::pathForResource(QStringLiteral("16x16c.tif"), QString()));
    EXPECT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(QImage(Bundle::pathForResource(QStringLiteral("mask1"), QStringLiteral("jpg"))).size(),
              QImage(Bundle::pathForResource(QStringLiteral("mask1"), QStringLiteral("tiff"))).size());
    // The ramp runs from dark to light, as a colour map reads it.
    const QImage ramp(Bundle::pathForResource(QStringLiteral("colormap"), QStringLiteral("tiff")));
    EXPECT_LT(qGray(ramp.pixel(0, ramp.height() / 2)), qGray(ramp.pixel(ramp.width() - 1, ramp.height() / 2)));
}

TEST(ImageFilterOutput, TransformsTurnAndTileInFilterSpace)
{
    const QImage picture = testPicture();
    const FilterImage source(picture);
    // A quarter turn anticlockwise (y up) lays the top row along the left side.
    const auto affine = ImageFilter::filterWithName(QStringLiteral("AffineTransform"));
    affine->setValue(Image, QVariant::fromValue(source));
    affine->setValue(QStringLiteral("inputTransform"), QTransform().rotate(90));
    const FilterImage turned = affine->outputImage();
    EXPECT_EQ(turned.extent().toAlignedRect(), QRect(-48, 0, 48, 64));
    const QImage upright = turned.toImage();
    ASSERT_EQ(upright.size(), QSize(48, 64));
    // Smooth resampling may move a channel by one.
    EXPECT_GE(qRed(upright.pixel(0, 32)), 218);
    EXPECT_LE(qBlue(upright.pixel(0, 32)), 22);
    EXPECT_GE(qBlue(upright.pixel(47, 32)), 218);
    EXPECT_LE(qRed(upright.pixel(47, 32)), 22);
    // A move up and to the right.
    affine->setValue(QStringLiteral("inputTransform"), QTransform::fromTranslate(10, 5));
    EXPECT_EQ(affine->outputImage().extent(), QRectF(10, 5, 64, 48));
    EXPECT_TRUE(samePixels(affine->outputImage().toImage(), picture));

    // Tiling repeats the picture in both directions, without end.
    const auto tile = ImageFilter::filterWithName(QStringLiteral("AffineTile"));
    tile->setValue(Image, QVariant::fromValue(source));
    const FilterImage tiles = tile->outputImage();
    EXPECT_TRUE(tiles.isInfinite());
    EXPECT_TRUE(samePixels(tiles.render(QRect(64 * 3, -48 * 2, 64, 48)), picture));

    // GEGL's turn keeps the picture's centre where it was.
    const auto rotate = ImageFilter::filterWithName(QStringLiteral("gegl:rotate"));
    rotate->setValue(Image, QVariant::fromValue(FilterImage(picture, QPointF(100, 50))));
    rotate->setValue(QStringLiteral("inputDegrees"), M_PI / 2);
    const QRectF rotated = rotate->outputImage().extent();
    EXPECT_NEAR(rotated.center().x(), 132, 1.5);
    EXPECT_NEAR(rotated.center().y(), 74, 1.5);
    EXPECT_NEAR(rotated.width(), 48, 2.5);
    EXPECT_NEAR(rotated.height(), 64, 2.5);
}

TEST(FilterImage, ExtentArithmeticUnderstandsInfiniteExtents)
{
    const auto checker = ImageFilter::filterWithName(QStringLiteral("CheckerboardGenerator"));
    const FilterImage board = checker->outputImage();
    const FilterImage picture(testPicture(), QPointF(-10, -10));
    // Over anything, an unbounded picture stays unbounded; cropped, it takes the crop.
    EXPECT_TRUE(picture.over(board).isInfinite());
    EXPECT_TRUE(board.over(picture).isInfinite());
    EXPECT_EQ(board.cropped(picture.extent()).extent(), picture.extent());
    EXPECT_EQ(board.cropped(picture.extent()).over(picture).extent(), picture.extent());
    // Two crops that do not meet leave nothing, and render transparent.
    const FilterImage nothing = picture.cropped(QRectF(500, 500, 10, 10));
    EXPECT_TRUE(nothing.extent().isEmpty());
    EXPECT_EQ(qAlpha(nothing.render(QRect(0, 0, 4, 4)).pixel(1, 1)), 0);
    // Fractional crops keep the pixels they cover.
    const QImage part = picture.cropped(QRectF(-9.5, -9.5, 2, 2)).render(QRect(-10, -10, 4, 4));
    EXPECT_EQ(qAlpha(part.pixel(0, 3)), 255);
    EXPECT_EQ(qAlpha(part.pixel(3, 0)), 0);
}

// Every number of every offered filter at either end of its range, and every vector at a far
// point: each render finishes, at the size asked for, whatever the values.
TEST(ImageFilterInputs, EveryFilterSurvivesTheEndsOfItsRanges)
{
    const FilterImage source(testPicture());
    const FilterImage texture(texturePicture());
    const QRect extent(-8, -8, 80, 64);
    QStringList all;
    for (const char *category : OfferedCategories)
        all += ImageFilter::filterNamesInCategory(QString::fromLatin1(category));
    all.removeDuplicates();
    for (const QString &name : all) {
        SCOPED_TRACE(qPrintable(name));
        const std::unique_ptr<ImageFilter> filter = ImageFilter::filterWithName(name);
        for (const char *end : {"minimum", "maximum"}) {
            filter->setDefaults();
            for (const QString &key : filter->inputKeys()) {
                const FilterInput *in = filter->input(key);
                if (in->className == QLatin1String("CIImage"))
                    filter->setValue(key, QVariant::fromValue(key == Image ? source : texture));
                else if (in->className == QLatin1String("NSNumber"))
                    filter->setValue(key, qstrcmp(end, "minimum") == 0 ? -1e300 : 1e300);
                else if (in->className == QLatin1String("CIVector"))
                    filter->setValue(key, QVariant::fromValue(QList<double>{1e300, -1e300, 1e300, 1e300}));
                else if (in->className == QLatin1String("NSAffineTransform"))
                    filter->setValue(key, QTransform(1e300, 0, 0, 1e-300, 0, 0));
            }
            const FilterImage out = filter->outputImage();
            ASSERT_FALSE(out.isNull()) << end;
            EXPECT_EQ(out.render(extent).size(), extent.size()) << end;
        }
    }
}

// Each screen inks in proportion to darkness: white stays paper, black is all ink, and a
// middle grey is about half of each.
TEST(ImageFilterOutput, HalftoneScreensInkByDarkness)
{
    auto inked = [](const QImage &image) {
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        return double(ink) / (image.width() * image.height());
    };
    for (const char *name : {"DotScreen", "LineScreen", "CircularScreen", "HatchedScreen"}) {
        SCOPED_TRACE(name);
        const auto filter = ImageFilter::filterWithName(QString::fromLatin1(name));
        ASSERT_TRUE(filter);
        EXPECT_TRUE(filter->categories().contains(FilterCategory::HalftoneEffect));
        filter->setValue(QStringLiteral("inputSharpness"), 1.0);
        for (const auto &[gray, low, high] : {std::tuple{255, 0.0, 0.0}, {0, 1.0, 1.0}, {128, 0.3, 0.7}}) {
            QImage flat(96, 96, QImage::Format_ARGB32_Premultiplied);
            flat.fill(QColor(gray, gray, gray));
            filter->setValue(Image, QVariant::fromValue(FilterImage(flat)));
            const QImage out = filter->outputImage().toImage();
            ASSERT_EQ(out.size(), flat.size());
            EXPECT_GE(inked(out), low) << gray;
            EXPECT_LE(inked(out), high) << gray;
        }
    }
}
