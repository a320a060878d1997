// The oval object and its text along the oval: the line lengths of the oval container, the
// angle routine, where glyphs land for normal and flipped text, the stored form and drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

#include "common/TestSupport.h"
#include "objects/ColorOval.h"
#include "objects/NSTextOvalContainer.h"
#include "objects/ObjectFactory.h"

using namespace quillmark;

namespace {

constexpr double Pi = 3.14159265358979323846;

std::shared_ptr<ColorOval> ovalWithText(const QString &text, const QRectF &frame = QRectF(0, 0, 200, 120))
{
    auto oval = ColorOval::create(frame);
    oval->textStorage()->setDefaultFont(qmtest::testFont(12));
    oval->textStorage()->setPlainText(text);
    return oval;
}

double ramanujan(double w, double h)
{
    const double a = w / 2, b = h / 2;
    return Pi * (3 * (a + b) - std::sqrt((3 * a + b) * (a + 3 * b)));
}

} // namespace

TEST(ColorOval, GetAngleIsTheVisualAngle)
{
    EXPECT_FLOAT_EQ(ColorOval::getAngle(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(ColorOval::getAngle(0, -1), float(Pi / 2));
    EXPECT_FLOAT_EQ(ColorOval::getAngle(0, 1), float(-Pi / 2));
    EXPECT_FLOAT_EQ(ColorOval::getAngle(-1, 1), float(5 * Pi / 4));
    EXPECT_FLOAT_EQ(ColorOval::getAngle(1, 0), 0.0f);
    EXPECT_FLOAT_EQ(ColorOval::getAngle(-1, 0), float(Pi));
}

TEST(NSTextOvalContainer, EachLineIsItsOvalLessTenPoints)
{
    auto oval = ColorOval::create(QRectF(30, 40, 200, 100));
    NSTextOvalContainer container(QSizeF(200, 100));
    container.setGraphicObject(oval.get());
    EXPECT_EQ(container.ovalRect(), QRectF(30, 40, 200, 100));
    QRectF rest(1, 1, 1, 1);
    const QRectF first = container.lineFragmentRectForProposedRect(QRectF(0, 0, 200, 14), &rest);
    EXPECT_TRUE(rest.isNull());
    EXPECT_EQ(first.y(), 0);
    EXPECT_EQ(first.height(), 14);
    EXPECT_NEAR(first.width(), ramanujan(172, 72) - 10, 0.5);
    const QRectF second = container.lineFragmentRectForProposedRect(QRectF(0, 14, 200, 14), nullptr);
    EXPECT_NEAR(second.width(), ramanujan(144, 44) - 10, 0.5);
    EXPECT_LT(second.width(), first.width());
}

TEST(ColorOval, NormalTextStartsAtTheTopAndRunsClockwise)
{
    auto oval = ovalWithText(QStringLiteral("ABCDEF"));
    const QList<ColorOval::GlyphPlacement> glyphs = oval->glyphPlacements();
    ASSERT_EQ(glyphs.size(), 6);
    // Near the top centre, inside the outline, upright.
    EXPECT_NEAR(glyphs[0].point.x(), 100, 16);
    EXPECT_GT(glyphs[0].point.y(), 5);
    EXPECT_LT(glyphs[0].point.y(), 20);
    EXPECT_LT(std::abs(glyphs[0].rotation), 15);
    for (int i = 1; i < glyphs.size(); ++i) {
        EXPECT_GT(glyphs[i].point.x(), glyphs[i - 1].point.x());
        // Turning clockwise on the canvas (down the right side).
        EXPECT_GE(glyphs[i].rotation, glyphs[i - 1].rotation - 1e-6);
        EXPECT_EQ(glyphs[i].character, i);
    }
}

TEST(ColorOval, FlippedTextAt180StartsAtTheBottomAndReadsLeftToRight)
{
    auto oval = ovalWithText(QStringLiteral("ABCDEF"));
    oval->setTextFlip(1);
    oval->setTextAngle(180);
    const QList<ColorOval::GlyphPlacement> glyphs = oval->glyphPlacements();
    ASSERT_EQ(glyphs.size(), 6);
    EXPECT_NEAR(glyphs[0].point.x(), 100, 16);
    EXPECT_GT(glyphs[0].point.y(), 90);
    EXPECT_LT(glyphs[0].point.y(), 120);
    for (int i = 1; i < glyphs.size(); ++i) {
        EXPECT_GT(glyphs[i].point.x(), glyphs[i - 1].point.x());
        EXPECT_LT(std::abs(glyphs[i].rotation), 30);
    }
    EXPECT_LT(std::abs(glyphs[0].rotation), 15);
}

TEST(ColorOval, LongTextWrapsOntoASmallerOval)
{
    QString text;
    for (int i = 0; i < 25; ++i)
        text += QStringLiteral("word ");
    auto oval = ovalWithText(text);
    const QList<ColorOval::GlyphPlacement> glyphs = oval->glyphPlacements();
    ASSERT_FALSE(glyphs.isEmpty());
    const QPointF centre(100, 60);
    auto normalised = [&](const QPointF &p) {
        const double dx = (p.x() - centre.x()) / 100, dy = (p.y() - centre.y()) / 60;
        return std::sqrt(dx * dx + dy * dy);
    };
    EXPECT_LT(normalised(glyphs.last().point), normalised(glyphs.first().point) - 0.1);
}

TEST(ColorOval, AngleBeyond360MatchesNoSegmentAndStartsAtThePolylineStart)
{
    auto oval = ovalWithText(QStringLiteral("AB"));
    oval->setTextAngle(400);
    const QList<ColorOval::GlyphPlacement> glyphs = oval->glyphPlacements();
    ASSERT_EQ(glyphs.size(), 2);
    // The polyline starts at the right end of the oval and runs downwards.
    EXPECT_GT(glyphs[0].point.x(), 160);
    EXPECT_NEAR(glyphs[0].point.y(), 60, 12);
    EXPECT_GT(glyphs[1].point.y(), glyphs[0].point.y());
}

TEST(ColorOval, LigaturesAndTwoUnitCharactersAreSetOnce)
{
    // The test font sets "ffi" as one glyph.
    auto oval = ovalWithText(QStringLiteral("office"));
    QList<int> characters;
    for (const ColorOval::GlyphPlacement &glyph : oval->glyphPlacements())
        characters.append(glyph.character);
    EXPECT_EQ(characters, (QList<int>{0, 1, 4, 5}));

    // A character outside the basic plane is two code units and one glyph.
    auto wide = ovalWithText(QStringLiteral("a") + QString::fromUcs4(U"\U0001D400") + QStringLiteral("b"));
    characters.clear();
    for (const ColorOval::GlyphPlacement &glyph : wide->glyphPlacements())
        characters.append(glyph.character);
    // A glyph from another font may come in a run of its own.
    std::sort(characters.begin(), characters.end());
    EXPECT_EQ(characters, (QList<int>{0, 1, 3}));
}

TEST(ColorOval, RightToLeftTextEndsWhereLeftToRightTextBegins)
{
    // Hebrew reads from the start direction backwards: its first letter stands just before
    // the top, and each later letter further round to the left.
    auto oval = ovalWithText(QString::fromUtf8("שלום"));
    QList<ColorOval::GlyphPlacement> glyphs = oval->glyphPlacements();
    ASSERT_EQ(glyphs.size(), 4);
    std::sort(glyphs.begin(), glyphs.end(),
              [](const auto &a, const auto &b) { return a.character < b.character; });
    EXPECT_LT(glyphs[0].point.x(), 100);
    EXPECT_GT(glyphs[0].point.x(), 70);
    EXPECT_LT(glyphs[0].point.y(), 20);
    for (int i = 1; i < glyphs.size(); ++i)
        EXPECT_LT(glyphs[i].point.x(), glyphs[i - 1].point.x()) << i;

    // Mixed text keeps the order a text document gives it: the Latin word reads left to
    // right inside the right-to-left line.
    auto mixed = ovalWithText(QString::fromUtf8("שלום office."));
    QList<ColorOval::GlyphPlacement> placed = mixed->glyphPlacements();
    auto at = [&](int character) {
        for (const ColorOval::GlyphPlacement &glyph : placed)
            if (glyph.character == character)
                return glyph.point;
        return QPointF(-1, -1);
    };
    // "o" (5) stands before "c" (9) along the way round, which on the top-left of the oval
    // is to the left; the Hebrew (0) follows after the Latin word, nearest to the top.
    EXPECT_LT(at(5).x(), at(9).x());
    EXPECT_GT(at(0).x(), at(9).x());
}

TEST(ColorOval, StoredFormWritesAngleAndFlipOnlyWhenSet)
{
    registerObjectKinds();
    auto oval = ColorOval::create(QRectF(10, 10, 80, 40));
    QVariantMap dict = oval->propertyListRepresentation();
    EXPECT_EQ(dict.value("Class").toString(), "ColorOval");
    EXPECT_FALSE(dict.contains("TextAngle"));
    EXPECT_FALSE(dict.contains("TextFlip"));
    oval->setTextAngle(12.345f);
    oval->setTextFlip(1);
    dict = oval->propertyListRepresentation();
    EXPECT_EQ(dict.value("TextAngle").toString(), "12.35");
    EXPECT_EQ(dict.value("TextFlip").toString(), "1");

    auto copy = ColorRect::graphicWithPropertyListRepresentation(dict);
    auto *loaded = dynamic_cast<ColorOval *>(copy.get());
    ASSERT_TRUE(loaded);
    EXPECT_NEAR(loaded->textAngle(), 12.35f, 1e-4);
    EXPECT_EQ(loaded->textFlip(), 1);
    EXPECT_EQ(loaded->frameBounds(), QRectF(10, 10, 80, 40));
}

TEST(ColorOval, OutlineIsTheInscribedEllipseAndTheTextIsDrawnAlongIt)
{
    auto oval = ovalWithText(QStringLiteral("OVAL TEXT"));
    oval->setStrokeLineWidth(4);
    const QRectF bounds = oval->bezierPath().bounds();
    EXPECT_NEAR(bounds.left(), 2, 1e-6);
    EXPECT_NEAR(bounds.width(), 196, 1e-6);
    EXPECT_EQ(oval->bezierPath().lineWidth(), 4);
    // An oval holds no runaround box.
    oval->initContainer();
    EXPECT_FALSE(oval->textContainer()->isSimpleRectangularTextContainer() == false);

    oval->setDrawsFill(false);
    QImage image(200, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    oval->drawFrame(&painter, QRectF(), false);
    painter.end();
    int top = 0, bottom = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x)
            if (qGray(image.pixel(x, y)) < 100)
                (y < 40 ? top : bottom) += 1;
    EXPECT_GT(top, 50);
    EXPECT_EQ(bottom, 0);
}

TEST(ColorOval, CopiesTakeTheLayoutOfTheirSourceUntilEitherChanges)
{
    registerObjectKinds();
    auto source = ovalWithText(QStringLiteral("Along the oval 17"), QRectF(10, 20, 160, 90));
    auto placedFrom = [](const ColorOval &oval) {
        QList<QPointF> points;
        for (const ColorOval::GlyphPlacement &glyph : oval.glyphPlacements())
            points.append(glyph.point - oval.frameBounds().topLeft());
        return points;
    };
    auto expectSame = [](const QList<QPointF> &a, const QList<QPointF> &b) {
        ASSERT_EQ(a.size(), b.size());
        for (qsizetype i = 0; i < a.size(); ++i) {
            EXPECT_NEAR(a[i].x(), b[i].x(), 1e-9);
            EXPECT_NEAR(a[i].y(), b[i].y(), 1e-9);
        }
    };
    const QList<QPointF> laid = placedFrom(*source);
    ASSERT_EQ(laid.size(), 17);
    // Copies as Paste and Duplicate make them, at other places, and the source moved.
    QVariantMap form = source->propertyListRepresentation();
    form.insert(QStringLiteral("Bounds"), QStringLiteral("{{300, 40}, {160, 90}}"));
    auto copy = std::dynamic_pointer_cast<ColorOval>(ColorRect::graphicWithPropertyListRepresentation(form));
    auto again = std::dynamic_pointer_cast<ColorOval>(ColorRect::graphicWithPropertyListRepresentation(form));
    ASSERT_TRUE(copy && again);
    copy->textStorage()->setDefaultFont(qmtest::testFont(12));
    again->textStorage()->setDefaultFont(qmtest::testFont(12));
    expectSame(placedFrom(*copy), laid);
    expectSame(placedFrom(*again), laid);
    source->setFrameBounds(QRectF(12.5, 21, 160, 90));
    expectSame(placedFrom(*source), laid);

    // An edit of one copy's text or its look lays it out anew; the others keep theirs.
    copy->textStorage()->setPlainText(QStringLiteral("Along the oval 170"));
    EXPECT_EQ(copy->glyphPlacements().size(), 18);
    expectSame(placedFrom(*again), laid);
    QTextCursor all(again->textStorage());
    all.select(QTextCursor::Document);
    QTextCharFormat larger;
    larger.setFont(qmtest::testFont(20));
    all.mergeCharFormat(larger);
    const QList<QPointF> largerPlaces = placedFrom(*again);
    ASSERT_EQ(largerPlaces.size(), 17);
    EXPECT_GT(std::hypot(largerPlaces.last().x() - laid.last().x(), largerPlaces.last().y() - laid.last().y()), 5);
    expectSame(placedFrom(*source), laid);
    copy->textStorage()->setPlainText(QStringLiteral("Along the oval 17"));
    expectSame(placedFrom(*copy), laid);
    source->setTextAngle(90);
    EXPECT_GT(std::abs(placedFrom(*source).first().y() - laid.first().y()), 5);
    expectSame(placedFrom(*copy), laid);
}
