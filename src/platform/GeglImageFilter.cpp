// GEGL and glib first: glib's headers use names that Qt's keywords would replace.
#include <gegl.h>
#include <gegl-plugin.h>

#include "platform/GeglImageFilter.h"

#include "platform/FilterCatalogue.h"
#include "platform/FilterExtent.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>

#include <QHash>

namespace quillmark {

namespace {

using Category = const char *;
namespace C = FilterCategory;

// The operations offered, with the properties a user can set, in the order of their controls.
// "a+b" joins two properties into one offset vector. Operations that read or write files, need
// paths, curves or several inputs beyond one mask, or that hang or crash on arbitrary pictures
// are not offered. Overrides are "property:minimum:maximum:default:sliderMinimum:sliderMaximum",
// any field empty for GEGL's own value.
struct OfferedOperation
{
    const char *operation;
    std::initializer_list<Category> categories;
    const char *properties;
    const char *overrides = "";
    const char *fixed = "";       // "property=value" held out of the user's reach
    const char *auxKey = nullptr; // the key of the aux pad image, when it is offered
    bool originAtCenter = false;
};

const OfferedOperation Operations[] = {
    // Geometry
    {"gegl:rotate", {C::GeometryAdjustment}, "degrees", "", "", nullptr, true},
    {"gegl:scale-ratio", {C::GeometryAdjustment}, "x y",
     "x:0.01:20:1:0.05:4 y:0.01:20:1:0.05:4", "", nullptr, true},
    {"gegl:shear", {C::GeometryAdjustment}, "x y", "x:-10:10:0:-2:2 y:-10:10:0:-2:2", "", nullptr,
     true},
    {"gegl:translate", {C::GeometryAdjustment}, "x+y"},
    // Distortion
    {"gegl:spherize", {C::DistortionEffect}, "mode angle-of-view curvature amount"},
    {"gegl:stereographic-projection", {C::DistortionEffect}, "pan tilt spin zoom inverse"},
    {"gegl:mirrors", {C::DistortionEffect, C::TileEffect},
     "n-segs m-angle r-angle c-x c-y o-x o-y trim-x trim-y input-scale output-scale clip warp"},
    // Halftone
    {"gegl:newsprint", {C::HalftoneEffect},
     "color-model pattern period angle black-pullout turbulence", "aa-samples:1:16:4::"},
    {"gegl:dither", {C::HalftoneEffect},
     "red-levels green-levels blue-levels dither-method",
     "red-levels:2:256:2:2:16 green-levels:2:256:2:2:16 blue-levels:2:256:2:2:16"},
    // Sharpen
    {"gegl:unsharp-mask", {C::Sharpen}, "std-dev scale threshold"},
    {"gegl:high-pass", {C::Sharpen}, "std-dev contrast", "std-dev:0:1500::0:100"},
    // Blur
    {"gegl:gaussian-blur", {C::Blur}, "std-dev-x std-dev-y", "", "clip-extent=0"},
    {"gegl:box-blur", {C::Blur}, "radius"},
    {"gegl:median-blur", {C::Blur}, "radius percentile neighborhood", "radius:0:100::0:50"},
    {"gegl:motion-blur-linear", {C::Blur}, "length angle"},
    {"gegl:lens-blur", {C::Blur}, "radius highlight-factor", "radius:0:200::0:100",
     "clip=0"},
    {"gegl:focus-blur", {C::Blur},
     "blur-type blur-radius shape x y radius focus midpoint aspect-ratio rotation",
     "x:0:1::: y:0:1:::"},
    {"gegl:variable-blur", {C::Blur}, "radius linear-mask", "", "", "inputMaskImage"},
    {"gegl:mean-curvature-blur", {C::Blur}, "iterations", "iterations:0:100::0:60"},
    {"gegl:bilateral-filter", {C::Blur}, "blur-radius edge-preservation",
     "blur-radius:0:100::0:50"},
    {"gegl:noise-reduction", {C::Blur}, "iterations"},
    {"gegl:snn-mean", {C::Blur}, "radius pairs"},
    {"gegl:wavelet-blur", {C::Blur}, "radius", "radius:0:256::0:64"},
    // Stylize
    {"gegl:pixelize", {C::Stylize}, "size-x size-y offset-x+offset-y ratio-x ratio-y norm background",
     "size-x:1:2048:16:1:256 size-y:1:2048:16:1:256"},
    {"gegl:edge-sobel", {C::Stylize}, "horizontal vertical keep-sign"},
    {"gegl:edge-neon", {C::Stylize}, "radius amount", "radius:0:200::0:50"},
    {"gegl:difference-of-gaussians", {C::Stylize}, "radius1 radius2",
     "radius1:0:100::: radius2:0:100:::"},
    {"gegl:image-gradient", {C::Stylize}, "output-mode"},
    {"gegl:bloom", {C::Stylize}, "threshold softness radius strength limit-exposure",
     "threshold:0:100::: softness:0:100::: radius:0:500::: strength:0:1000:::"},
    {"gegl:dropshadow", {C::Stylize}, "x+y radius grow-radius color opacity",
     "x:-1000:1000:20:: y:-1000:1000:-20:: radius:0:300:::"},
    {"gegl:long-shadow", {C::Stylize}, "style angle length color",
     "length:0:2000:::"},
    {"gegl:vignette", {C::Stylize}, "shape color radius softness gamma proportion squeeze x y rotation",
     "radius:0:10::: gamma:0:20::: x:-1:2::0:1 y:-1:2::0:1"},
    {"gegl:noise-rgb", {C::Stylize}, "red green blue alpha correlated independent gaussian"},
    {"gegl:noise-spread", {C::Stylize}, "amount-x amount-y"},
    {"gegl:noise-hurl", {C::Stylize}, "pct-random repeat", "repeat:1:20:::"},
    // Colour effects
    {"gegl:sepia", {C::ColorEffect}, "scale"},
    {"gegl:gray", {C::ColorEffect}, ""},
    {"gegl:mono-mixer", {C::ColorEffect}, "red green blue preserve-luminosity"},
    {"gegl:invert-gamma", {C::ColorEffect}, ""},
    {"gegl:value-invert", {C::ColorEffect}, ""},
    {"gegl:posterize", {C::ColorEffect}, "levels"},
    {"gegl:threshold", {C::ColorEffect}, "value", "value:-1:2:::"},
    {"gegl:alien-map", {C::ColorEffect},
     "color-model cpn-1-frequency cpn-2-frequency cpn-3-frequency cpn-1-phaseshift "
     "cpn-2-phaseshift cpn-3-phaseshift"},
    {"gegl:component-extract", {C::ColorEffect}, "component invert"},
    // Colour adjustments
    {"gegl:brightness-contrast", {C::ColorAdjustment}, "brightness contrast"},
    {"gegl:saturation", {C::ColorAdjustment}, "scale"},
    {"gegl:hue-chroma", {C::ColorAdjustment}, "hue chroma lightness"},
    {"gegl:exposure", {C::ColorAdjustment}, "exposure black-level", "exposure:-10:10:::"},
    {"gegl:color-temperature", {C::ColorAdjustment}, "original-temperature intended-temperature"},
    {"gegl:levels", {C::ColorAdjustment}, "in-low in-high out-low out-high",
     "in-low:-1:2::: in-high:-1:2::: out-low:-1:2::: out-high:-1:2:::"},
    {"gegl:color-enhance", {C::ColorAdjustment}, ""},
    {"gegl:stretch-contrast", {C::ColorAdjustment}, "keep-colors perceptual"},
    // Tiles
    {"gegl:tile", {C::TileEffect}, "offset-x+offset-y"},
    {"gegl:tile-seamless", {C::TileEffect}, ""},
    // Generators
    {"gegl:perlin-noise", {C::Generator}, "alpha scale zoff n", "alpha:-10:10::: scale:-50:50::: zoff:-10:10:::"},
    {"gegl:simplex-noise", {C::Generator}, "scale iterations"},
    {"gegl:cell-noise", {C::Generator}, "scale shape rank iterations palettize"},
    {"gegl:grid", {C::Generator}, "x y x-offset+y-offset line-width line-height line-color",
     "x:1:2048::: y:1:2048::: line-width:0:2048::: line-height:0:2048:::"},
};

// What GEGL leaves unsaid of an operation's measure of the picture: properties that are
// lengths in pixels although GEGL gives them no unit, properties that are inverse lengths (the
// noises' scale: features a pixel holds, a feature fifty pixels wide at 1), and the size of
// the features an operation draws whatever its properties say (Perlin noise's grain of fifty
// pixels; its scale is the step from one octave to the next, no measure of the picture).
struct Measures
{
    QList<QByteArray> lengths;
    QList<QByteArray> inverseLengths;
    double featureSize = 0;
};

const Measures &measuresOf(const QByteArray &operation)
{
    static const QHash<QByteArray, Measures> known = {
        {"gegl:box-blur", {{"radius"}, {}}},
        {"gegl:high-pass", {{"std-dev"}, {}}},
        {"gegl:bilateral-filter", {{"blur-radius"}, {}}},
        {"gegl:difference-of-gaussians", {{"radius1", "radius2"}, {}}},
        {"gegl:long-shadow", {{"length"}, {}}},
        {"gegl:newsprint", {{"period"}, {}}},
        {"gegl:simplex-noise", {{}, {"scale"}}},
        {"gegl:cell-noise", {{}, {"scale"}}},
        {"gegl:perlin-noise", {{}, {}, 50}},
    };
    static const Measures none;
    const auto found = known.constFind(operation);
    return found == known.constEnd() ? none : *found;
}

const Babl *pixelFormat()
{
    return babl_format("R'aG'aB'aA u8");
}

// GEGL opens every plug-in to register its operations, then closes those it does not need
// yet. What the plug-ins' libraries set up as they load (codec tables, exception objects)
// would be orphaned by the close; keeping the plug-ins mapped for the life of the process
// keeps it owned. They are mapped already, so this costs nothing but the flag.
void keepPluginsLoaded()
{
    const QByteArray paths = qgetenv("GEGL_PATH");
    const QStringList folders = paths.isEmpty()
                                    ? QStringList{QStringLiteral(QM_GEGL_PLUGINS)}
                                    : QString::fromLocal8Bit(paths).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &file : dir.entryList({QStringLiteral("*.so")}, QDir::Files)) {
            // Deliberately never closed.
            dlopen(QFile::encodeName(dir.filePath(file)).constData(), RTLD_LAZY | RTLD_NODELETE);
        }
    }
}

bool startGegl()
{
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        keepPluginsLoaded();
        gegl_init(nullptr, nullptr);
        // A share of the machine and of its memory: the panel is one window among others.
        g_object_set(gegl_config(), "threads", std::clamp(QThread::idealThreadCount(), 1, 4),
                     "tile-cache-size", guint64(256) << 20, nullptr);
        started = true;
    });
    return started;
}

QString keyFromProperty(const QByteArray &property)
{
    QString key = QStringLiteral("input");
    bool upper = true;
    for (char c : property) {
        if (c == '-' || c == '_') {
            upper = true;
            continue;
        }
        key += upper ? QChar::fromLatin1(c).toUpper() : QChar::fromLatin1(c);
        upper = false;
    }
    return key;
}

QString displayNameFromNick(const char *nick)
{
    QString text = QString::fromUtf8(nick ? nick : "");
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

struct Override
{
    std::optional<double> minimum, maximum, defaultValue, sliderMinimum, sliderMaximum;
};

QHash<QByteArray, Override> parseOverrides(const char *text)
{
    QHash<QByteArray, Override> out;
    for (const QByteArray &item : QByteArray(text).split(' ')) {
        const QList<QByteArray> fields = item.split(':');
        if (fields.size() != 6)
            continue;
        Override o;
        std::optional<double> *fieldsOut[] = {&o.minimum, &o.maximum, &o.defaultValue,
                                          &o.sliderMinimum, &o.sliderMaximum};
        for (int i = 0; i < 5; ++i) {
            if (!fields[i + 1].isEmpty())
                *fieldsOut[i] = fields[i + 1].toDouble();
        }
        out.insert(fields[0], o);
    }
    return out;
}

GParamSpec *findProperty(GParamSpec **pspecs, guint count, const QByteArray &name)
{
    for (guint i = 0; i < count; ++i) {
        if (name == pspecs[i]->name)
            return pspecs[i];
    }
    return nullptr;
}

QColor colorFromGegl(GeglColor *color)
{
    if (!color)
        return QColor(Qt::black);
    double rgba[4] = {0, 0, 0, 1};
    gegl_color_get_pixel(color, babl_format("R'G'B'A double"), rgba);
    QColor out;
    out.setRgbF(float(std::clamp(rgba[0], 0.0, 1.0)), float(std::clamp(rgba[1], 0.0, 1.0)),
                float(std::clamp(rgba[2], 0.0, 1.0)), float(std::clamp(rgba[3], 0.0, 1.0)));
    return out;
}

// A property range GEGL leaves open is held to a span a picture can use: ten times the range
// its own controls offer, so no typed value can make a render run away.
double boundedLimit(double limit, double uiLimit)
{
    if (std::abs(limit) < 1e6)
        return limit;
    const double span = std::abs(uiLimit) < 1e6 ? std::max(std::abs(uiLimit) * 10, 100.0) : 1e4;
    return limit < 0 ? -span : span;
}

// Describes one property (or an offset pair) as an input; false when it cannot be offered.
bool describe(GeglImageFilter &filter, GParamSpec *pspec, GParamSpec *second,
              const QHash<QByteArray, Override> &overrides)
{
    const QByteArray name(pspec->name);
    const Override o = overrides.value(name);
    const char *unit = gegl_param_spec_get_property_key(pspec, "unit");
    const bool degrees = unit && qstrcmp(unit, "degree") == 0;
    const bool distance = unit && qstrcmp(unit, "pixel-distance") == 0;
    const Measures &measures = measuresOf(filter.operation);
    const bool inPixels = distance || (unit && qstrcmp(unit, "pixel-coordinate") == 0)
                          || measures.lengths.contains(name);
    GeglImageFilter::Property property;
    property.name = name;

    if (second) {
        // Two coordinates of one offset: a vector in filter space.
        property.key = keyFromProperty(name.endsWith("-x") ? name.chopped(2)
                                       : name.startsWith("x-") ? name.mid(2)
                                                               : name);
        if (property.key == QLatin1String("input") || property.key == QLatin1String("inputX"))
            property.key = QStringLiteral("inputOffset");
        property.secondName = second->name;
        property.binding = GeglImageFilter::Binding::Offset;
        auto defaultOf = [](GParamSpec *s) {
            if (G_IS_PARAM_SPEC_DOUBLE(s))
                return G_PARAM_SPEC_DOUBLE(s)->default_value;
            if (G_IS_PARAM_SPEC_INT(s))
                return double(G_PARAM_SPEC_INT(s)->default_value);
            return 0.0;
        };
        const Override oy = overrides.value(QByteArray(second->name));
        const double x = o.defaultValue.value_or(defaultOf(pspec));
        // + 0.0 turns GEGL's 0 (y down) into 0, not -0, in a readout.
        const double y = oy.defaultValue.value_or(-defaultOf(second) + 0.0);
        filter.addVector(property.key, QStringLiteral("Offset"), FilterInputType::Offset, {x, y});
        filter.properties.append(property);
        return true;
    }

    property.key = keyFromProperty(name);
    const QString display = displayNameFromNick(g_param_spec_get_nick(pspec));
    if (GEGL_IS_PARAM_SPEC_COLOR(pspec)) {
        property.binding = GeglImageFilter::Binding::Color;
        filter.addColor(property.key, display,
                        colorFromGegl(gegl_param_spec_color_get_default(pspec)));
    } else if (G_IS_PARAM_SPEC_BOOLEAN(pspec)) {
        property.binding = GeglImageFilter::Binding::Boolean;
        filter.addBoolean(property.key, display, G_PARAM_SPEC_BOOLEAN(pspec)->default_value);
    } else if (G_IS_PARAM_SPEC_ENUM(pspec)) {
        GEnumClass *klass = G_PARAM_SPEC_ENUM(pspec)->enum_class;
        int defaultIndex = 0;
        QStringList choices;
        for (guint i = 0; i < klass->n_values; ++i) {
            property.enumValues.append(klass->values[i].value);
            // GEGL's value names are the words its own interface shows ("Clamp"); a C
            // identifier in their place falls back to the nickname.
            const char *name = klass->values[i].value_name;
            const char *nick = klass->values[i].value_nick;
            const bool worded = name && *name && !QByteArray(name).startsWith("GEGL_");
            QString choice = displayNameFromNick(worded ? name : nick);
            choices.append(choice.replace(QLatin1Char('-'), QLatin1Char(' ')));
            if (klass->values[i].value == G_PARAM_SPEC_ENUM(pspec)->default_value)
                defaultIndex = int(i);
        }
        if (property.enumValues.isEmpty())
            return false;
        property.binding = GeglImageFilter::Binding::Enum;
        const double last = property.enumValues.size() - 1;
        filter.addNumber(property.key, display, FilterInputType::Integer, 0, last,
                         o.defaultValue.value_or(defaultIndex), 0, last)
            .choices = choices;
    } else if (G_IS_PARAM_SPEC_DOUBLE(pspec) || G_IS_PARAM_SPEC_INT(pspec)
               || G_IS_PARAM_SPEC_UINT(pspec)) {
        double minimum = 0, maximum = 0, defaultValue = 0, uiMinimum = 0, uiMaximum = 0;
        if (G_IS_PARAM_SPEC_DOUBLE(pspec)) {
            const GParamSpecDouble *d = G_PARAM_SPEC_DOUBLE(pspec);
            minimum = d->minimum;
            maximum = d->maximum;
            defaultValue = d->default_value;
            uiMinimum = GEGL_IS_PARAM_SPEC_DOUBLE(pspec) ? GEGL_PARAM_SPEC_DOUBLE(pspec)->ui_minimum : minimum;
            uiMaximum = GEGL_IS_PARAM_SPEC_DOUBLE(pspec) ? GEGL_PARAM_SPEC_DOUBLE(pspec)->ui_maximum : maximum;
        } else if (G_IS_PARAM_SPEC_INT(pspec)) {
            const GParamSpecInt *i = G_PARAM_SPEC_INT(pspec);
            minimum = i->minimum;
            maximum = i->maximum;
            defaultValue = i->default_value;
            uiMinimum = GEGL_IS_PARAM_SPEC_INT(pspec) ? GEGL_PARAM_SPEC_INT(pspec)->ui_minimum : minimum;
            uiMaximum = GEGL_IS_PARAM_SPEC_INT(pspec) ? GEGL_PARAM_SPEC_INT(pspec)->ui_maximum : maximum;
        } else {
            const GParamSpecUInt *u = G_PARAM_SPEC_UINT(pspec);
            minimum = u->minimum;
            maximum = u->maximum;
            defaultValue = u->default_value;
            uiMinimum = minimum;
            uiMaximum = std::min(maximum, 1000.0);
        }
        minimum = o.minimum.value_or(boundedLimit(minimum, uiMinimum));
        maximum = o.maximum.value_or(boundedLimit(maximum, uiMaximum));
        uiMinimum = std::clamp(o.sliderMinimum.value_or(uiMinimum), minimum, maximum);
        uiMaximum = std::clamp(o.sliderMaximum.value_or(uiMaximum), minimum, maximum);
        defaultValue = std::clamp(o.defaultValue.value_or(defaultValue), minimum, maximum);
        const char *type = G_IS_PARAM_SPEC_DOUBLE(pspec) ? FilterInputType::Scalar
                                                        : FilterInputType::Integer;
        double scale = 1;
        if (degrees) {
            type = FilterInputType::Angle;
            property.binding = GeglImageFilter::Binding::Degrees;
            scale = M_PI / 180;
        } else if (distance && G_IS_PARAM_SPEC_DOUBLE(pspec)) {
            type = FilterInputType::Distance;
        }
        filter.addNumber(property.key, display, type, minimum * scale, maximum * scale,
                         defaultValue * scale, uiMinimum * scale, uiMaximum * scale)
            .dimension = inPixels && !degrees                       ? FilterDimension::Length
                         : measures.inverseLengths.contains(name) ? FilterDimension::InverseLength
                                                                  : FilterDimension::None;
    } else {
        return false;
    }
    filter.properties.append(property);
    return true;
}

std::unique_ptr<GeglImageFilter> makeFilter(const OfferedOperation &offered)
{
    if (!startGegl() || !gegl_has_operation(offered.operation))
        return nullptr;
    const char *title = gegl_operation_get_key(offered.operation, "title");
    QStringList categories;
    for (Category c : offered.categories)
        categories.append(QString::fromLatin1(c));
    auto filter = std::make_unique<GeglImageFilter>(
        QString::fromLatin1(offered.operation),
        title && *title ? QString::fromUtf8(title) : QString::fromLatin1(offered.operation),
        categories);
    filter->operation = offered.operation;
    filter->originAtCenter = offered.originAtCenter;
    filter->featureSize = measuresOf(filter->operation).featureSize;

    // Which pads the operation has decides its image inputs.
    GeglNode *graph = gegl_node_new();
    GeglNode *node = gegl_node_new_child(graph, "operation", offered.operation, nullptr);
    filter->hasInput = gegl_node_has_pad(node, "input");
    const bool hasAux = gegl_node_has_pad(node, "aux");
    g_object_unref(graph);
    if (filter->hasInput)
        filter->addImage(QStringLiteral("inputImage"), QStringLiteral("Image"));
    if (hasAux && offered.auxKey) {
        filter->auxKey = QString::fromLatin1(offered.auxKey);
        QString display = filter->auxKey.mid(5);
        display.chop(5); // "Image"
        filter->addImage(filter->auxKey, display);
    }

    guint count = 0;
    GParamSpec **pspecs = gegl_operation_list_properties(offered.operation, &count);
    const QHash<QByteArray, Override> overrides = parseOverrides(offered.overrides);
    for (const QByteArray &item : QByteArray(offered.properties).split(' ')) {
        if (item.isEmpty())
            continue;
        const QList<QByteArray> pair = item.split('+');
        GParamSpec *first = findProperty(pspecs, count, pair[0]);
        GParamSpec *second = pair.size() > 1 ? findProperty(pspecs, count, pair[1]) : nullptr;
        if (first)
            describe(*filter, first, second, overrides);
    }
    // Hidden settings and overridden defaults of properties the user does not see.
    for (const QByteArray &item : QByteArray(offered.fixed).split(' ')) {
        const QList<QByteArray> parts = item.split('=');
        if (parts.size() == 2 && findProperty(pspecs, count, parts[0]))
            filter->fixed.append({parts[0], parts[1].toDouble()});
    }
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it) {
        const bool offered = std::any_of(filter->properties.cbegin(), filter->properties.cend(),
                                         [&](const GeglImageFilter::Property &p) {
                                             return p.name == it.key() || p.secondName == it.key();
                                         });
        if (!offered && it->defaultValue && findProperty(pspecs, count, it.key()))
            filter->fixed.append({it.key(), *it->defaultValue});
    }
    g_free(pspecs);
    filter->setDefaults();
    return filter;
}

// --- Rendering ---------------------------------------------------------------------------

// GEGL's rows grow downwards; filter space's y grows upwards. GEGL sees the picture with its
// top-left corner at its own origin (some operations assume a buffer starting there): a
// filter-space rectangle (x, y, w, h) is the GEGL rectangle (x - left, top - (y + h), w, h),
// where (left, top) is the picture's top-left corner in filter space.
struct Frame
{
    int left = 0;
    int top = 0;

    GeglRectangle toGegl(const QRect &r) const
    {
        return GeglRectangle{r.x() - left, top - (r.y() + r.height()), r.width(), r.height()};
    }
    QRectF fromGegl(const GeglRectangle &r) const
    {
        if (gegl_rectangle_is_infinite_plane(&r))
            return FilterExtent::infinite();
        return QRectF(double(r.x) + left, top - (double(r.y) + r.height), r.width, r.height);
    }
    QPointF toGegl(QPointF p) const { return QPointF(p.x() - left, top - p.y()); }
};

struct Setting
{
    QByteArray name;
    GeglImageFilter::Binding binding;
    double number = 0;
    QColor color;
};

// The picture around a rectangle asked for that a render reads at least: what samplers and
// small kernels reach past its edges.
QRect aroundWanted(const QRect &wanted)
{
    constexpr int Margin = 512;
    return wanted.adjusted(-Margin, -Margin, Margin, Margin);
}

struct Recipe
{
    QByteArray operation;
    bool originAtCenter = false;
    Frame frame;
    QList<Setting> settings;
    FilterImage input;
    FilterImage aux;
};

void setProperty(GeglNode *node, const Setting &s)
{
    GeglOperation *operation = gegl_node_get_gegl_operation(node);
    GParamSpec *pspec = operation ? g_object_class_find_property(G_OBJECT_GET_CLASS(operation),
                                                                s.name.constData())
                                 : nullptr;
    if (!pspec)
        return;
    GValue value = G_VALUE_INIT;
    g_value_init(&value, pspec->value_type);
    if (s.binding == GeglImageFilter::Binding::Color) {
        if (!GEGL_IS_PARAM_SPEC_COLOR(pspec))
            return;
        GeglColor *color = gegl_color_new(nullptr);
        const double rgba[4] = {s.color.redF(), s.color.greenF(), s.color.blueF(), s.color.alphaF()};
        gegl_color_set_pixel(color, babl_format("R'G'B'A double"), rgba);
        g_value_take_object(&value, color);
    } else if (G_IS_PARAM_SPEC_DOUBLE(pspec)) {
        g_value_set_double(&value, s.number);
    } else if (G_IS_PARAM_SPEC_INT(pspec)) {
        const GParamSpecInt *i = G_PARAM_SPEC_INT(pspec);
        g_value_set_int(&value, int(std::clamp(std::round(s.number), double(i->minimum),
                                               double(i->maximum))));
    } else if (G_IS_PARAM_SPEC_UINT(pspec)) {
        const GParamSpecUInt *u = G_PARAM_SPEC_UINT(pspec);
        g_value_set_uint(&value, guint(std::clamp(std::round(s.number), double(u->minimum),
                                                  double(u->maximum))));
    } else if (G_IS_PARAM_SPEC_BOOLEAN(pspec)) {
        g_value_set_boolean(&value, s.number != 0);
    } else if (G_IS_PARAM_SPEC_ENUM(pspec)) {
        g_value_set_enum(&value, int(s.number));
    } else {
        g_value_unset(&value);
        return;
    }
    gegl_node_set_property(node, s.name.constData(), &value);
    g_value_unset(&value);
}

// A pixel source for one image input, as a buffer. A finite picture's buffer spans the whole
// picture: operations place and size their work by the extent of their input (a little planet,
// a vignette), and a part of the picture would give every band of a large result a picture of
// its own. Pictures of a reasonable size are filled whole (operations such as contrast
// stretching read every pixel); a larger one is filled where the operation says it reads for
// the rectangle asked for, and around it. An infinite picture gives only that part, and so does
// a large one for a composed operation of one picture: it does not say what it reads, and its
// parts (a blur along whole columns) would work over the whole extent for every band. One that
// lays a second picture over the first (a blur by a mask) aligns the two by their extents, and
// has the whole extent.
struct Source
{
    GeglBuffer *buffer = nullptr;
    QRect extent;
    bool whole = false;
};

qint64 wholeLimit = qint64(4096) * 4096;

Source sourceFor(const FilterImage &image, const QRect &wanted, bool inPart)
{
    Source source;
    source.extent = FilterExtent::pixelRect(image.extent());
    const bool finite = !source.extent.isEmpty() && FilterExtent::isRenderable(source.extent);
    source.whole = finite && qint64(source.extent.width()) * source.extent.height() <= wholeLimit;
    if (!finite || (inPart && !source.whole))
        source.extent = FilterExtent::pixelRect(FilterExtent::intersected(image.extent(), aroundWanted(wanted)));
    if (source.extent.isEmpty() || !FilterExtent::isRenderable(source.extent)) {
        source.extent = QRect(wanted.x(), wanted.y(), 1, 1);
        source.whole = true;
    }
    return source;
}

void fill(GeglBuffer *buffer, const FilterImage &image, const QRect &part, const Frame &frame)
{
    if (part.isEmpty())
        return;
    QImage pixels = image.render(part);
    if (pixels.isNull())
        return;
    pixels.convertTo(QImage::Format_RGBA8888_Premultiplied);
    const GeglRectangle rect = frame.toGegl(part);
    gegl_buffer_set(buffer, &rect, 0, pixelFormat(), pixels.constBits(), pixels.bytesPerLine());
}

struct Graph
{
    GeglNode *root = nullptr;
    GeglNode *node = nullptr;
    QList<GeglBuffer *> buffers;

    Graph(const Recipe &recipe, const QRect &wanted, bool filled)
    {
        root = gegl_node_new();
        node = gegl_node_new_child(root, "operation", recipe.operation.constData(), nullptr);
        GeglOperation *operation = gegl_node_get_gegl_operation(node);
        const bool composed = operation && GEGL_IS_OPERATION_META(operation);
        const bool readInPart = composed && recipe.aux.isNull();
        GeglRectangle inputRect{0, 0, 0, 0};
        struct Pad
        {
            const char *name;
            const FilterImage *image;
            Source source;
        };
        QList<Pad> pads;
        if (!recipe.input.isNull())
            pads.append({"input", &recipe.input, sourceFor(recipe.input, wanted, readInPart)});
        if (!recipe.aux.isNull())
            pads.append({"aux", &recipe.aux, sourceFor(recipe.aux, wanted, readInPart)});
        for (Pad &pad : pads) {
            const GeglRectangle rect = recipe.frame.toGegl(pad.source.extent);
            pad.source.buffer = gegl_buffer_new(&rect, pixelFormat());
            buffers.append(pad.source.buffer);
            if (qstrcmp(pad.name, "input") == 0)
                inputRect = rect;
            GeglNode *source = gegl_node_new_child(root, "operation", "gegl:buffer-source",
                                                   "buffer", pad.source.buffer, nullptr);
            gegl_node_connect_to(source, "output", node, pad.name);
        }
        for (const Setting &s : recipe.settings)
            setProperty(node, s);
        if (recipe.originAtCenter && !recipe.input.isNull()) {
            // Centre of the picture itself, not of the part of it that was read.
            const QRectF extent = recipe.input.extent();
            const QPointF centre = FilterExtent::isInfinite(extent)
                                       ? QPointF(inputRect.x + inputRect.width / 2.0,
                                                 inputRect.y + inputRect.height / 2.0)
                                       : recipe.frame.toGegl(extent.center());
            gegl_node_set(node, "origin-x", centre.x(), "origin-y", centre.y(), nullptr);
        }
        if (!filled)
            return;
        // What the operation reads of each input for the rectangle asked for, once the graph
        // knows its extents.
        gegl_node_get_bounding_box(node);
        const GeglRectangle roi = recipe.frame.toGegl(wanted);
        for (const Pad &pad : pads) {
            QRect part = pad.source.extent;
            if (!pad.source.whole) {
                QRect read = aroundWanted(wanted);
                if (operation && !composed) {
                    const GeglRectangle need = gegl_operation_get_required_for_output(operation, pad.name, &roi);
                    if (!gegl_rectangle_is_infinite_plane(&need))
                        read |= FilterExtent::pixelRect(recipe.frame.fromGegl(need));
                    else
                        read = pad.source.extent;
                }
                part &= read;
            }
            fill(pad.source.buffer, *pad.image, part, recipe.frame);
        }
    }
    ~Graph()
    {
        g_object_unref(root);
        for (GeglBuffer *b : buffers)
            g_object_unref(b);
    }
    Graph(const Graph &) = delete;
    Graph &operator=(const Graph &) = delete;
};

QImage renderRecipe(const Recipe &recipe, const QRect &rect)
{
    QImage out(rect.size(), QImage::Format_RGBA8888_Premultiplied);
    if (out.isNull())
        return {};
    out.fill(Qt::transparent);
    Graph graph(recipe, rect, true);
    // In bands, so GEGL's working buffers stay small whatever the size asked for.
    constexpr qint64 BandPixels = qint64(2) << 20;
    const int bandRows = int(std::clamp<qint64>(BandPixels / std::max(1, rect.width()), 1,
                                                rect.height()));
    for (int row = 0; row < rect.height(); row += bandRows) {
        const int rows = std::min(bandRows, rect.height() - row);
        GeglRectangle band = recipe.frame.toGegl(rect);
        band.y += row;
        band.height = rows;
        gegl_node_blit(graph.node, 1.0, &band, pixelFormat(), out.scanLine(row),
                       out.bytesPerLine(), GEGL_BLIT_DEFAULT);
    }
    out.convertTo(QImage::Format_ARGB32_Premultiplied);
    return out;
}

} // namespace

void GeglImageFilter::setWholePictureLimitForTesting(qint64 pixels)
{
    wholeLimit = pixels < 0 ? qint64(4096) * 4096 : pixels;
}

GeglImageFilter::GeglImageFilter(QString name, QString displayName, QStringList categories)
    : DescribedImageFilter(std::move(name), std::move(displayName), std::move(categories))
{
}

FilterImage GeglImageFilter::outputImage() const
{
    if (!hasAllImages() || !startGegl())
        return {};
    Recipe recipe;
    recipe.operation = operation;
    recipe.originAtCenter = originAtCenter;
    if (hasInput)
        recipe.input = image(QStringLiteral("inputImage"));
    if (!auxKey.isEmpty())
        recipe.aux = image(auxKey);
    for (const Fixed &f : fixed)
        recipe.settings.append({f.name, Binding::Number, f.value, {}});
    for (const Property &p : properties) {
        switch (p.binding) {
        case Binding::Number:
        case Binding::Boolean:
            recipe.settings.append({p.name, p.binding, number(p.key), {}});
            break;
        case Binding::Degrees:
            recipe.settings.append({p.name, p.binding, number(p.key) * 180 / M_PI, {}});
            break;
        case Binding::Enum: {
            const int index = std::clamp(int(number(p.key)), 0, int(p.enumValues.size()) - 1);
            recipe.settings.append({p.name, p.binding, double(p.enumValues.value(index)), {}});
            break;
        }
        case Binding::Color:
            recipe.settings.append({p.name, p.binding, 0, color(p.key)});
            break;
        case Binding::Offset: {
            const QPointF offset = point(p.key);
            recipe.settings.append({p.name, Binding::Number, offset.x(), {}});
            recipe.settings.append({p.secondName, Binding::Number, -offset.y(), {}});
            break;
        }
        }
    }
    // The extent from the graph's bounding box, without reading any pixel.
    QRect probe = FilterExtent::pixelRect(recipe.input.extent());
    if (!probe.isEmpty())
        recipe.frame = Frame{probe.x(), probe.y() + probe.height()};
    if (probe.isEmpty())
        probe = QRect(0, 0, 1, 1);
    QRectF extent;
    {
        Graph graph(recipe, probe, false);
        extent = recipe.frame.fromGegl(gegl_node_get_bounding_box(graph.node));
    }
    if (!recipe.input.isNull() && recipe.input.isInfinite())
        extent = FilterExtent::infinite();
    return FilterImage(extent, [recipe](const QRect &rect) { return renderRecipe(recipe, rect); });
}

QList<FilterEntry> geglFilterEntries()
{
    QList<FilterEntry> entries;
    if (!startGegl())
        return entries;
    for (const OfferedOperation &offered : Operations) {
        if (!gegl_has_operation(offered.operation))
            continue;
        // Described once: asking GEGL about an operation's pads and properties is slow, and a
        // filter made from the catalogue is a copy of this one with its defaults.
        std::shared_ptr<const GeglImageFilter> prototype = makeFilter(offered);
        if (!prototype)
            continue;
        entries.append({prototype->name(), prototype->displayName(), prototype->categories(),
                        [prototype] { return std::make_unique<GeglImageFilter>(*prototype); }});
    }
    return entries;
}

} // namespace quillmark
