// Damaged and hostile values given to an object, through its stored form and through its
// setters: each is bounded or ignored, and the object still draws without undefined
// behaviour (this file runs under the sanitizer build like every test).
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <functional>
#include <limits>

#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/Group.h"
#include "objects/ImageFiles.h"
#include "objects/ObjectFactory.h"
#include "objects/specImage.h"

using namespace quillmark;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr int IntMax = std::numeric_limits<int>::max();
constexpr int IntMin = std::numeric_limits<int>::min();

QVariantMap baseForm()
{
    registerObjectKinds();
    auto r = ColorRect::create(QRectF(10, 10, 60, 40));
    r->setDrawsShadow(true);
    return r->propertyListRepresentation();
}

std::shared_ptr<ColorRect> loadWith(const QString &key, const QVariant &value, const QString &kind = "ColorRect")
{
    QVariantMap dict = baseForm();
    dict.insert(QStringLiteral("Class"), kind);
    dict.insert(key, value);
    return ColorRect::graphicWithPropertyListRepresentation(dict);
}

// Draws the object for the screen at zoom 2 and for a 300 dpi output (under the sanitizers
// like every test: nothing it draws may overflow or read outside what it holds).
void drawEverywhere(ColorRect &object)
{
    for (double scale : {2.0, 300.0 / 72.0}) {
        QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(scale, scale);
        object.drawFrame(&painter, QRectF(), false);
        object.drawSelect(&painter, QRectF());
    }
    (void)object.drawingBounds();
    (void)object.outlineIntersectsRect(QRectF(0, 0, 10, 10));
    (void)object.hitTest(QPointF(20, 20), true);
}

} // namespace

TEST(HostileValues, StoredShadowValuesAreBounded)
{
    struct Case
    {
        const char *key;
        QVariant value;
        double distance;
        int blur;
    };
    const QList<Case> cases = {
        {"ShadowBlur", QString::number(IntMax), 10, ColorRect::maxShadowBlur},
        {"ShadowBlur", QString::number(IntMin), 10, 0},
        {"ShadowBlur", QStringLiteral("99999999999999999999"), 10, ColorRect::maxShadowBlur},
        {"ShadowBlur", QStringLiteral("-7"), 10, 0},
        {"ShadowBlur", qint64(1) << 40, 10, ColorRect::maxShadowBlur},
        {"ShadowBlur", QStringLiteral("12"), 10, 12},
        {"ShadowDistance", QStringLiteral("1e300"), ColorRect::maxShadowDistance, 10},
        {"ShadowDistance", QStringLiteral("-1e300"), -ColorRect::maxShadowDistance, 10},
        // Stored numbers are read leniently: text without digits reads 0.
        {"ShadowDistance", QStringLiteral("nan"), 0, 10},
        {"ShadowDistance", QStringLiteral("1e400"), ColorRect::maxShadowDistance, 10},
        {"ShadowDistance", Inf, 10, 10},
        {"ShadowDistance", QStringLiteral("7.50"), 7.5, 10},
    };
    for (const Case &c : cases) {
        const std::string label = std::string(c.key) + " " + c.value.toString().toStdString();
        auto object = loadWith(QString::fromLatin1(c.key), c.value);
        ASSERT_TRUE(object) << label;
        EXPECT_DOUBLE_EQ(object->shadowDistance(), c.distance) << label;
        EXPECT_EQ(object->shadowBlur(), c.blur) << label;
        EXPECT_TRUE(std::isfinite(object->drawingBounds().width())) << label;
        // Written back within the bounds, so the document reads the same again.
        const QVariantMap written = object->propertyListRepresentation();
        auto again = ColorRect::graphicWithPropertyListRepresentation(written);
        EXPECT_DOUBLE_EQ(again->shadowDistance(), c.distance) << label;
        EXPECT_EQ(again->shadowBlur(), c.blur) << label;
        drawEverywhere(*object);
    }
}

TEST(HostileValues, StoredSizesTilesAndPlacementAreBounded)
{
    struct Case
    {
        const char *key;
        QVariant value;
        std::function<bool(const ColorRect &)> holds;
    };
    const QRectF base(10, 10, 60, 40);
    const QList<Case> cases = {
        {"Bounds", QStringLiteral("{{1e400, 0}, {10, 10}}"),
         [&](const ColorRect &r) { return r.frameBounds() == base || r.frameBounds().x() == ColorRect::maxCoordinate; }},
        {"Bounds", QStringLiteral("{{0, 0}, {1e400, 10}}"),
         [&](const ColorRect &r) { return r.frameBounds() == base || r.frameBounds().width() == ColorRect::maxCoordinate; }},
        // A negative size covers the same area the other way round.
        {"Bounds", QStringLiteral("{{100, 50}, {-40, -20}}"),
         [](const ColorRect &r) { return r.frameBounds() == QRectF(60, 30, 40, 20); }},
        {"Bounds", QStringLiteral("{{1e300, -1e300}, {1e300, 5}}"),
         [](const ColorRect &r) {
             return r.frameBounds() == QRectF(ColorRect::maxCoordinate, -ColorRect::maxCoordinate, ColorRect::maxCoordinate, 5);
         }},
        {"ImageTile", QStringLiteral("1e300"), [](const ColorRect &r) { return r.imageTile() == ColorRect::maxImageTile; }},
        {"ImageTile", QStringLiteral("inf"), [](const ColorRect &r) { return r.imageTile() == 1.0f; }},
        {"ImageTile", QStringLiteral("-3"), [](const ColorRect &r) { return r.imageTile() == 1.0f; }},
        {"ImageOpacity", QStringLiteral("1e9"), [](const ColorRect &r) { return r.imageOpacity() == 100.0f; }},
        {"ImageOpacity", QStringLiteral("-5"), [](const ColorRect &r) { return r.imageOpacity() == 0.0f; }},
        {"ImageXScale", QStringLiteral("1e300"), [](const ColorRect &r) { return r.getXImageScale() > 0 && std::isfinite(r.getXImageScale()); }},
        {"IsScaleWithBox", QStringLiteral("NO"), [](const ColorRect &r) { return std::isfinite(r.getXImageOffset()); }},
        {"ImageYOffset", QStringLiteral("-1e300"),
         [](const ColorRect &r) { return std::isfinite(r.getYImageOffset()); }},
        {"Rotation", QStringLiteral("1e300"), [](const ColorRect &r) { return std::abs(r.angle()) < 360.0f; }},
        {"Rotation", QStringLiteral("720"), [](const ColorRect &r) { return r.angle() == 720.0f; }},
        {"StrokeLineWidth", QStringLiteral("1e300"), [](const ColorRect &r) { return r.strokeLineWidth() == 20.0f; }},
        {"FillAngle", QStringLiteral("1e300"), [](const ColorRect &r) { return std::abs(r.fillAngle()) < 360.0; }},
        {"ShadowAngle", QStringLiteral("-1e300"), [](const ColorRect &r) { return std::abs(r.shadowAngle()) < 360.0; }},
    };
    for (const char *kind : {"ColorRect", "ColorLine", "ColorPath", "ColorOval"}) {
        for (const Case &c : cases) {
            const std::string label = std::string(kind) + " " + c.key + " " + c.value.toString().toStdString();
            auto object = loadWith(QString::fromLatin1(c.key), c.value, QString::fromLatin1(kind));
            ASSERT_TRUE(object) << label;
            if (QLatin1String(kind) == QLatin1String("ColorRect")) {
                EXPECT_TRUE(c.holds(*object)) << label;
            }
            const QRectF f = object->frameBounds();
            EXPECT_TRUE(std::isfinite(f.x()) && std::isfinite(f.width()) && f.width() >= 0 && f.height() >= 0) << label;
            drawEverywhere(*object);
        }
    }
}

TEST(HostileValues, SettersBoundWhatTheyAreGiven)
{
    qmtest::FakeCanvas canvas;
    auto object = ColorRect::create(QRectF(10, 10, 60, 40));
    object->setMainView(&canvas);
    object->setDrawsShadow(true);

    object->setShadowBlur(IntMax);
    EXPECT_EQ(object->shadowBlur(), ColorRect::maxShadowBlur);
    object->setShadowBlur(IntMin);
    EXPECT_EQ(object->shadowBlur(), 0);
    object->setShadowDistance(1e300);
    EXPECT_EQ(object->shadowDistance(), ColorRect::maxShadowDistance);
    object->setShadowDistance(NaN);
    EXPECT_EQ(object->shadowDistance(), ColorRect::maxShadowDistance);
    object->setShadowAngle(Inf);
    EXPECT_EQ(object->shadowAngle(), 45.0);
    drawEverywhere(*object);

    object->setWidth(float(NaN));
    object->setHeight(-5.0f);
    EXPECT_EQ(object->frameBounds(), QRectF(10, 10, 60, 0));
    object->setHeight(40.0f);
    object->setOriginX(float(Inf));
    object->setOriginY(-1e30f);
    EXPECT_EQ(object->frameBounds(), QRectF(10, -ColorRect::maxCoordinate, 60, 40));
    object->setFrameBounds(QRectF(NaN, 0, 10, 10));
    EXPECT_EQ(object->frameBounds(), QRectF(10, -ColorRect::maxCoordinate, 60, 40));
    object->setFrameBounds(QRectF(10, 10, 60, 40));

    object->setImageTile(float(Inf));
    EXPECT_EQ(object->imageTile(), ColorRect::maxImageTile);
    object->setImageTile(float(NaN));
    EXPECT_EQ(object->imageTile(), 1.0f);
    object->setImageOpacity(float(NaN));
    EXPECT_EQ(object->imageOpacity(), 100.0f);
    object->setImageOpacity(250.0f);
    EXPECT_EQ(object->imageOpacity(), 100.0f);
    object->setXImageScale(float(Inf));
    object->setYImageOffset(float(NaN));
    object->setStrokeLineWidth(float(NaN));
    object->setStrokeLineWidth(-4.0f);
    EXPECT_EQ(object->strokeLineWidth(), 0.0f);
    object->setAngle(float(NaN), true);
    EXPECT_EQ(object->angle(), 0.0f);
    object->setAngle(1e30f, true);
    EXPECT_LT(std::abs(object->angle()), 360.0f);
    object->rotateRectCenter(QRectF(0, 0, 4, 2));
    object->scaleByX(NaN, Inf);
    EXPECT_EQ(object->frameBounds(), QRectF(10, 10, 60, 40));
    drawEverywhere(*object);

    // Every one of these registered an undo step or none; undoing them all is safe too.
    while (canvas.undo.canUndo())
        canvas.undo.undo();
}

TEST(HostileValues, AHugeRepeatCountOnAPictureDrawsQuickly)
{
    const QString file = qmtest::tempPng("hostile-tiles.png", QSize(800, 800), Qt::blue);
    for (const char *tile : {"1e300", "100000", "99.5"}) {
        QVariantMap dict = baseForm();
        dict.insert(QStringLiteral("ImagePath"), file);
        dict.insert(QStringLiteral("ImageTile"), QString::fromLatin1(tile));
        auto object = ColorRect::graphicWithPropertyListRepresentation(dict);
        ASSERT_TRUE(object && object->hasValidImage()) << tile;
        EXPECT_LE(object->image()->tile(), ColorRect::maxImageTile) << tile;
        drawEverywhere(*object);
    }
}

TEST(HostileValues, GroupsBoundTheirStoredAngleAndBounds)
{
    registerGroupKinds();
    const ColorRect::GraphicList graphics = {ColorRect::create(QRectF(0, 0, 10, 10)),
                                             ColorRect::create(QRectF(20, 0, 10, 10))};
    QVariantMap dict = Group::create()->propertyListRepresentation(graphics);
    dict.insert(QStringLiteral("GroupClassKey"), QStringLiteral("Group"));
    dict.insert(QStringLiteral("GroupContents"), QStringLiteral("0,1"));
    dict.insert(QStringLiteral("GroupAngle"), 1e300);
    dict.insert(QStringLiteral("GroupBounds"), QStringLiteral("{{0, 0}, {-30, nan}}"));
    auto group = Group::groupWithPropertyListRepresentation(dict, graphics);
    ASSERT_TRUE(group);
    EXPECT_LT(std::abs(group->angle()), 360.0f);
    EXPECT_TRUE(std::isfinite(group->bounds().height()));
    group->clear();
}

TEST(HostileValues, AnOvalsStoredTextAngleStaysAFiniteTurn)
{
    struct Case
    {
        QVariant value;
        std::function<bool(float)> holds;
    };
    const QList<Case> cases = {
        {QStringLiteral("1e300"), [](float a) { return std::isfinite(a) && std::abs(a) < 360.0f; }},
        {QStringLiteral("-1e300"), [](float a) { return std::isfinite(a) && std::abs(a) < 360.0f; }},
        {1e300, [](float a) { return std::isfinite(a) && std::abs(a) < 360.0f; }},
        {Inf, [](float a) { return a == 0.0f; }},
        {QStringLiteral("nan"), [](float a) { return a == 0.0f; }},
        {QStringLiteral("720"), [](float a) { return a == 720.0f; }},
        {QStringLiteral("-45.50"), [](float a) { return a == -45.5f; }},
    };
    for (const Case &c : cases) {
        const std::string label = c.value.toString().toStdString();
        auto object = std::dynamic_pointer_cast<ColorOval>(loadWith(QStringLiteral("TextAngle"), c.value, QStringLiteral("ColorOval")));
        ASSERT_TRUE(object) << label;
        EXPECT_TRUE(c.holds(object->textAngle())) << label << " read " << object->textAngle();
        // Written back as a number that reads the same.
        auto again = std::dynamic_pointer_cast<ColorOval>(
            ColorRect::graphicWithPropertyListRepresentation(object->propertyListRepresentation()));
        ASSERT_TRUE(again) << label;
        EXPECT_NEAR(again->textAngle(), object->textAngle(), 0.01) << label;
        drawEverywhere(*object);
    }
}
