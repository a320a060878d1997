// Free-layout stocks: shape geometry and outlines, label types, equality, the dictionary
// form, and the conversions the canvas shares (grid to free layout, hole clip paths).
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "foundation/Language.h"
#include "platform/BezierPath.h"
#include "stock/StockConversions.h"
#include "stock/TFormat.h"
#include "stock/TLabelT.h"
#include "stock/StockTestSupport.h"

using namespace quillmark;

namespace {

TLabelT shape(const QString &type, float x, float y, float w, float h)
{
    TLabelT label;
    label.setType(type);
    label.setX(x);
    label.setY(y);
    label.setWidth(w);
    label.setHeight(h);
    return label;
}

TFormat formatOf(std::initializer_list<const char *> types)
{
    TFormat format;
    format.setName(QStringLiteral("Case"));
    float y = 0;
    for (const char *type : types) {
        format.labels.push_back(shape(QString::fromLatin1(type), 10, y, 50, 30));
        y += 40;
    }
    return format;
}

QStringList typeNames(const TFormat &format)
{
    QStringList names;
    for (int i = 0; i < format.labelTypesCount(); ++i)
        names << format.labeltypesAtIndex(i);
    return names;
}

} // namespace

TEST(FreeLayout, GeometryInSinglePrecisionPoints)
{
    TLabelT label = shape(QStringLiteral("Horizontal"), 10, 20, 50, 30);
    const float k = 2.8346457f;
    EXPECT_EQ(label.origin(), QPointF(double(10.0f * k), double(20.0f * k)));
    EXPECT_EQ(label.size(), QSizeF(double(50.0f * k), double(30.0f * k)));
    EXPECT_NEAR(label.origin().x(), 28.3465, 1e-4);
    EXPECT_NEAR(label.origin().y(), 56.6929, 1e-4);
    EXPECT_NEAR(label.size().width(), 141.7323, 1e-4);
    EXPECT_NEAR(label.size().height(), 85.0394, 1e-4);

    EXPECT_EQ(label.getPath(), BezierPath::bezierPathWithRect(QRectF(label.origin(), label.size())));
    label.orientation = 1;
    const QRectF turned = label.getPath().bounds();
    EXPECT_EQ(turned.topLeft(), label.origin());
    EXPECT_NEAR(turned.width(), 85.0394, 1e-4);
    EXPECT_NEAR(turned.height(), 141.7323, 1e-4);
    // Neither origin nor size turns with the label.
    EXPECT_NEAR(label.size().width(), 141.7323, 1e-4);
}

TEST(FreeLayout, OutlineKinds)
{
    const TLabelT plain = shape(QStringLiteral("Horizontal"), 10, 20, 50, 30);
    const QRectF rect(plain.origin(), plain.size());

    struct Case { const char *what; std::optional<QString> round; std::optional<float> radius; BezierPath expected; };
    const Case cases[] = {
        {"round beats a corner radius", QStringLiteral("true"), 5.0f, BezierPath::bezierPathWithOvalInRect(rect)},
        {"zero radius is square", std::nullopt, 0.0f, BezierPath::bezierPathWithRect(rect)},
        {"absent radius is square", std::nullopt, std::nullopt, BezierPath::bezierPathWithRect(rect)},
        {"round other than true is not round", QStringLiteral("false"), std::nullopt, BezierPath::bezierPathWithRect(rect)},
        {"radius gives the corner scheme", std::nullopt, 5.0f, cornerRoundedRectPath(rect, 5.0f * 2.8346457f)},
    };
    for (const Case &c : cases) {
        TLabelT label = plain;
        label.round = c.round;
        label.cornerradius = c.radius;
        EXPECT_EQ(label.getPath(), c.expected) << c.what;
        EXPECT_EQ(label.getPath().windingRule(), BezierPath::NonZeroWinding) << c.what;
    }
}

TEST(FreeLayout, RoundedCornersUseTheirOwnControlDistances)
{
    const float r = 10.0f;
    const BezierPath path = cornerRoundedRectPath(QRectF(0, 0, 100, 50), r);
    const double a = 9.0 * r / 16.0;
    const double b = 7.0 * r / 16.0;
    ASSERT_EQ(path.elementCount(), 9);
    QPointF p[3];
    EXPECT_EQ(path.elementAt(0, p), BezierPath::MoveTo);
    EXPECT_EQ(p[0], QPointF(0, r));
    EXPECT_EQ(path.elementAt(2, p), BezierPath::CurveTo);
    EXPECT_EQ(p[0], QPointF(0, 50 - a));
    EXPECT_EQ(p[1], QPointF(a, 50));
    EXPECT_EQ(p[2], QPointF(r, 50));
    EXPECT_EQ(path.elementAt(4, p), BezierPath::CurveTo);
    EXPECT_EQ(p[0], QPointF(100 - a, 50));
    EXPECT_EQ(p[1], QPointF(100, 50 - a));
    EXPECT_EQ(path.elementAt(6, p), BezierPath::CurveTo);
    EXPECT_EQ(p[0], QPointF(100, b));
    EXPECT_EQ(p[1], QPointF(100 - a, 0));
    EXPECT_EQ(p[2], QPointF(100 - r, 0));
    EXPECT_EQ(path.elementAt(8, p), BezierPath::CurveTo);
    EXPECT_EQ(p[0], QPointF(b, 0));
    EXPECT_EQ(p[1], QPointF(0, b));
    EXPECT_EQ(p[2], QPointF(0, r));
    // Open: no closing element.
    EXPECT_NE(path.elementAt(path.elementCount() - 1), BezierPath::ClosePath);
}

TEST(FreeLayout, DiscHoleStaysUnfilledAndCentred)
{
    TLabelT disc = shape(QStringLiteral("Disc"), 20, 30, 117, 117);
    disc.setRound(QStringLiteral("true"));
    disc.setHole(41);
    const BezierPath path = disc.getPath();
    const double k = double(2.8346457f);
    const QPointF centre(double(20.0f * 2.8346457f) + double(117.0f * 2.8346457f) / 2,
                         double(30.0f * 2.8346457f) + double(117.0f * 2.8346457f) / 2);
    EXPECT_EQ(path.windingRule(), BezierPath::EvenOddWinding);
    EXPECT_FALSE(path.containsPoint(centre));
    EXPECT_FALSE(path.containsPoint(centre + QPointF(20 * k, 0)));
    EXPECT_TRUE(path.containsPoint(centre + QPointF(21 * k, 0)));
    EXPECT_TRUE(path.containsPoint(centre + QPointF(0, -50 * k)));
    EXPECT_FALSE(path.containsPoint(centre + QPointF(58 * k, 0) + QPointF(0, 50 * k)));

    // The hole is the second subpath, centred in the label.
    BezierPath hole;
    hole.appendOvalInRect(QRectF(centre.x() - double(41.0f * 2.8346457f) / 2,
                                 centre.y() - double(41.0f * 2.8346457f) / 2,
                                 double(41.0f * 2.8346457f), double(41.0f * 2.8346457f)));
    BezierPath expected = BezierPath::bezierPathWithOvalInRect(QRectF(disc.origin(), disc.size()));
    expected.appendPath(hole);
    expected.setWindingRule(BezierPath::EvenOddWinding);
    EXPECT_EQ(path, expected);
}

TEST(FreeLayout, LabelTypesFollowDrawByType)
{
    stocktest::FakeCanvas canvas;
    TFormat vhs = formatOf({"VHSFace", "VHSSpine", "VHSFace"});
    EXPECT_EQ(typeNames(vhs), QStringList({"VHSFace", "VHSSpine", "VHSFace 2"}));
    EXPECT_EQ(vhs.labeltypeObjectAtIndex(2), &vhs.labels[2]);

    vhs.rectsview = &canvas;
    canvas.byType = true;
    EXPECT_EQ(typeNames(vhs), QStringList({"VHSFace", "VHSSpine"}));
    EXPECT_EQ(vhs.labeltypeObjectAtIndex(0), &vhs.labels[0]);
    EXPECT_EQ(vhs.labeltypeObjectAtIndex(1), &vhs.labels[1]);
    EXPECT_TRUE(vhs.labeltypesAtIndex(2).isNull());
    EXPECT_EQ(vhs.labeltypeObjectAtIndex(2), nullptr);
    EXPECT_EQ(vhs.labelObjectsOfType(QStringLiteral("VHSFace")).size(), 2u);
    EXPECT_TRUE(vhs.labelObjectsOfType(QStringLiteral("Disc")).empty());

    // A copy leaves the canvas behind and groups as with the mode off.
    const TFormat copy = vhs;
    EXPECT_EQ(copy.rectsview, nullptr);
    EXPECT_EQ(copy.labelTypesCount(), 3);

    const TFormat mixed = formatOf({"Horizontal", "Horizontal", "Disc", "Horizontal"});
    EXPECT_EQ(typeNames(mixed), QStringList({"Horizontal", "Horizontal 2", "Disc", "Horizontal 3"}));
    EXPECT_TRUE(mixed.labeltypesAtIndex(mixed.labelTypesCount()).isNull());
    EXPECT_TRUE(mixed.labeltypesAtIndex(-1).isNull());
}

// The smallest free number, searched from 2 for every label: the naming as the design states it.
QStringList referenceNames(const TFormat &format)
{
    QStringList names;
    for (const TLabelT &label : format.labels) {
        QString name = label.getType();
        for (int n = 2; names.contains(name); ++n)
            name = label.getType() + QStringLiteral(" %1").arg(n);
        names << name;
    }
    return names;
}

TEST(FreeLayout, LabelTypeNamesMatchTheSmallestFreeNumber)
{
    // Types that look like numbered names take their number away from the repeats.
    const TFormat tricky = formatOf({"A", "A 2", "A", "A", "A 2", "A 3", "A", "B", "A 2 2", "A 2"});
    EXPECT_EQ(tricky.labelTypeNames(),
              QStringList({"A", "A 2", "A 3", "A 4", "A 2 2", "A 3 2", "A 5", "B", "A 2 2 2", "A 2 3"}));
    EXPECT_EQ(tricky.labelTypeNames(), referenceNames(tricky));

    QRandomGenerator random(20);
    const QStringList pool = {"Horizontal", "Horizontal 2", "Horizontal 3", "Disc", "Disc 2", "Horizontal 2 2"};
    for (int round = 0; round < 50; ++round) {
        TFormat format;
        const int count = random.bounded(1, 40);
        for (int i = 0; i < count; ++i)
            format.labels.push_back(shape(pool[random.bounded(int(pool.size()))], 0, 0, 5, 5));
        const QStringList names = format.labelTypeNames();
        ASSERT_EQ(names, referenceNames(format)) << round;
        // Asking one type at a time gives the same names and heads.
        ASSERT_EQ(format.labelTypesCount(), int(names.size()));
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(format.labeltypesAtIndex(i), names[i]);
            ASSERT_EQ(format.labeltypeObjectAtIndex(i), &format.labels[size_t(i)]);
        }
    }

    // With draw-by-type the names are the distinct types in order of first appearance.
    stocktest::FakeCanvas canvas;
    canvas.byType = true;
    TFormat byType = tricky;
    byType.rectsview = &canvas;
    EXPECT_EQ(byType.labelTypeNames(), QStringList({"A", "A 2", "A 3", "B", "A 2 2"}));
    EXPECT_EQ(byType.labelTypesCount(), 5);
    EXPECT_EQ(byType.labeltypeObjectAtIndex(3), &byType.labels[7]);
    EXPECT_TRUE(TFormat().labelTypeNames().isEmpty());
}

TEST(FreeLayout, PageTitlesTranslateTheTypeAndKeepTheNumber)
{
    Language::reset(qmtest::resourcesDir(), QStringLiteral("ru"));
    const TFormat format = formatOf({"Horizontal", "Horizontal", "MyOwnType", "MyOwnType"});
    EXPECT_EQ(format.labelTypeNames(), QStringList({"Horizontal", "Horizontal 2", "MyOwnType", "MyOwnType 2"}));
    const QString horizontal = Language::stringForKey(QStringLiteral("Horizontal"));
    ASSERT_FALSE(horizontal.isEmpty());
    ASSERT_NE(horizontal, QStringLiteral("Horizontal"));
    EXPECT_EQ(format.labelTypeTitles(), QStringList({horizontal, horizontal + " 2", "MyOwnType", "MyOwnType 2"}));
    Language::reset();
}

TEST(FreeLayout, RoundnessEqualityAndOrientation)
{
    EXPECT_TRUE(TFormat().isRound());
    EXPECT_TRUE(formatOf({"Disc", "Disc"}).isRound());
    EXPECT_FALSE(formatOf({"Disc", "VHSSpine", "Disc"}).isRound());

    const TFormat a = formatOf({"Face", "Spine"});
    TFormat b = a;
    EXPECT_TRUE(a.isEqualToFormat(b));
    std::swap(b.labels[0], b.labels[1]);
    EXPECT_FALSE(a.isEqualToFormat(b));
    b = a;
    b.labels[1].setHole(0);
    EXPECT_FALSE(a.isEqualToFormat(b)) << "a present hole differs from an absent one";
    b = a;
    b.setManufacturer(QStringLiteral("Other"));
    EXPECT_FALSE(a.isEqualToFormat(b));

    TFormat lower = a;
    lower.setName(QStringLiteral("case"));
    EXPECT_EQ(a.caseInsensitiveCompare(lower), 0);
    lower.setName(QStringLiteral("dvd"));
    EXPECT_EQ(a.caseInsensitiveCompare(lower), -1);

    TFormat turned = a;
    turned.setOrientation(1);
    EXPECT_EQ(turned.orientation(), 1);
    EXPECT_EQ(turned.labels[1].orientation, 1);
    EXPECT_EQ(TFormat().orientation(), 0);
}

TEST(FreeLayout, GridRecordFromFirstLabelOfType)
{
    TFormat format = formatOf({"Face", "Spine"});
    format.labels[1] = shape(QStringLiteral("Spine"), 25.4f, 50.8f, 12.7f, 127.0f);
    format.labels[1].setRadius(2.54f);
    format.labels[1].setHole(5.08f);

    TLabel spine = format.firstLabelOfType(QStringLiteral("Spine"));
    EXPECT_FLOAT_EQ(spine.width, 0.5f);
    EXPECT_FLOAT_EQ(spine.height, 5.0f);
    EXPECT_FLOAT_EQ(spine.left_margin, 1.0f);
    EXPECT_FLOAT_EQ(spine.top_margin, 2.0f);
    EXPECT_FLOAT_EQ(spine.round_param, 0.1f);
    EXPECT_FLOAT_EQ(spine.hole, 0.2f);
    EXPECT_EQ(spine.shape, 1);
    EXPECT_EQ(spine.num_label, 2);

    format.labels[1].orientation = 1;
    format.labels[1].setRound(QStringLiteral("true"));
    spine = format.firstLabelOfType(QStringLiteral("Spine"));
    EXPECT_FLOAT_EQ(spine.width, 5.0f);
    EXPECT_FLOAT_EQ(spine.height, 0.5f);
    EXPECT_FLOAT_EQ(spine.top_margin, 1.0f);
    EXPECT_FLOAT_EQ(spine.left_margin, 2.0f);
    EXPECT_EQ(spine.shape, 3);

    const TLabel none = format.firstLabelOfType(QStringLiteral("Nothing"));
    EXPECT_FLOAT_EQ(none.width, 4.0f);
    EXPECT_FLOAT_EQ(none.height, 2.0f);
    EXPECT_EQ(none.shape, 1);
}

TEST(FreeLayout, DictionaryFormRoundTrips)
{
    TFormat format = formatOf({"Face", "Spine"});
    format.setManufacturer(QStringLiteral("Maker"));
    format.labels[0].setRound(QStringLiteral("true"));
    format.labels[0].setHole(15.5f);
    format.labels[1].setRadius(2.0f);
    format.labels[1].orientation = 1;

    const QVariantMap dict = TFormat::dictionaryWithFormat(format);
    EXPECT_EQ(dict.value("formatname").toString(), QStringLiteral("Case"));
    EXPECT_EQ(dict.value("formatmanufacturer").toString(), QStringLiteral("Maker"));
    const QVariantList labels = dict.value("labels").toList();
    ASSERT_EQ(labels.size(), 2);
    const QVariantMap first = labels[0].toMap();
    EXPECT_EQ(first.value("originX").typeId(), QMetaType::Double);
    EXPECT_EQ(first.value("originY").toDouble(), 0.0);
    EXPECT_EQ(first.value("round").toString(), QStringLiteral("true"));
    EXPECT_FALSE(first.contains("cornerradius"));
    EXPECT_TRUE(labels[1].toMap().contains("cornerradius"));
    EXPECT_FALSE(labels[1].toMap().contains("round"));
    EXPECT_FALSE(labels[1].toMap().contains("hole"));
    EXPECT_EQ(labels[1].toMap().value("orientation").toInt(), 1);

    EXPECT_TRUE(TFormat::formatWithDict(dict).isEqualToFormat(format));
    EXPECT_TRUE(TFormat::formatWithDict({}).labels.empty());

    // A damaged label is left out with a reason; the others stay.
    QVariantMap damaged = dict;
    QVariantList list = labels;
    list.insert(1, QStringLiteral("not a label"));
    QVariantMap badNumber = labels[0].toMap();
    badNumber.insert("width", QVariantList());
    list.append(badNumber);
    damaged.insert("labels", list);
    stocktest::WarningRecorder warnings;
    EXPECT_EQ(TFormat::formatWithDict(damaged).labels.size(), 2u);
    EXPECT_EQ(warnings.messages.size(), 2);
}

TEST(FreeLayout, GridConvertsToOneHorizontalShapePerPosition)
{
    TLabel grid;
    grid.name = QStringLiteral("5160");
    grid.width = 2.625f;
    grid.height = 1.0f;
    grid.top_margin = 0.5f;
    grid.left_margin = 0.1875f;
    grid.hor_distance = 0.125f;
    grid.vert_distance = 0.0f;
    grid.num_label = 3;
    grid.num_downlabel = 10;

    const TFormat format = formatFromGridLabel(grid);
    EXPECT_EQ(format.manufacturer, QStringLiteral("Fernwick"));
    EXPECT_EQ(format.name, QStringLiteral("5160"));
    EXPECT_EQ(format.papersize, QStringLiteral("iso-a4"));
    ASSERT_EQ(format.labels.size(), 30u);
    const TLabelT &fifth = format.labels[4]; // row 1, column 1
    EXPECT_EQ(fifth.getType(), QStringLiteral("Horizontal"));
    EXPECT_FLOAT_EQ(fifth.xValue(), float((0.1875 + 2.75) * 25.4));
    EXPECT_FLOAT_EQ(fifth.yValue(), float((0.5 + 1.0) * 25.4));
    EXPECT_FLOAT_EQ(fifth.widthValue(), float(2.625 * 25.4));
    EXPECT_FALSE(fifth.isRound());

    // Back to a grid record: the first label gives the sheet's label and margins again.
    const TLabel back = format.firstLabelOfType(QStringLiteral("Horizontal"));
    EXPECT_FLOAT_EQ(back.width, grid.width);
    EXPECT_FLOAT_EQ(back.height, grid.height);
    EXPECT_FLOAT_EQ(back.top_margin, grid.top_margin);
    EXPECT_FLOAT_EQ(back.left_margin, grid.left_margin);

    struct Case { float w, h, radius; bool round; };
    for (const Case c : {Case{2, 2, 1, true}, Case{2, 2, 0.9f, false}, Case{2, 1, 1, false},
                         Case{4.5f, 4.5f, 2.25f, true}}) {
        grid.width = c.w;
        grid.height = c.h;
        grid.round_param = c.radius;
        EXPECT_EQ(formatFromGridLabel(grid).labels[0].isRound(), c.round) << c.w << " " << c.radius;
    }

    // An oval grid label stays an oval on the free layout, square or not, and comes back as
    // an oval.
    for (const Case c : {Case{2, 1, 0, true}, Case{1.5f, 3, 0.2f, true}, Case{2, 2, 0, true}}) {
        grid.shape = TLabel::Oval;
        grid.width = c.w;
        grid.height = c.h;
        grid.round_param = c.radius;
        const TFormat oval = formatFromGridLabel(grid);
        EXPECT_EQ(oval.labels[0].isRound(), c.round) << c.w << " x " << c.h;
        EXPECT_EQ(oval.firstLabelOfType(QStringLiteral("Horizontal")).shape, TLabel::Oval);
    }
    grid.shape = TLabel::Rectangle;

    grid.num_label = 200;
    grid.num_downlabel = 200;
    stocktest::WarningRecorder warnings;
    EXPECT_TRUE(formatFromGridLabel(grid).labels.empty());
    EXPECT_EQ(warnings.messages.size(), 1);
}

TEST(FreeLayout, HoleClipPaths)
{
    const QRectF label(0, 0, 300, 300);
    const QRectF view(-50, -50, 400, 400);
    const QPointF centre = label.center();

    EXPECT_TRUE(holePath(0, label, 0, view).isEmpty());
    EXPECT_TRUE(holePath(5, label, 80, view).isEmpty());

    const BezierPath hole = holePath(2, label, 80, view);
    EXPECT_EQ(hole, BezierPath::bezierPathWithOvalInRect(QRectF(110, 110, 80, 80)));

    const BezierPath left = holePath(0, label, 80, view);
    const BezierPath right = holePath(1, label, 80, view);
    struct Probe { QPointF point; bool inLeft, inRight; };
    const Probe probes[] = {
        {centre, false, false},
        {QPointF(5, 5), true, false},               // corner of the label, outside the disc
        {QPointF(295, 295), false, true},
        {QPointF(-140, 150), true, false},           // beyond the view on the left
        {QPointF(440, -140), false, true},           // beyond the view on the right and top
        {QPointF(-160, 150), false, false},          // past the 100 points of overreach
        {QPointF(100, 150), false, false},           // inside the disc
    };
    for (const Probe &p : probes) {
        EXPECT_EQ(left.containsPoint(p.point), p.inLeft) << p.point.x() << "," << p.point.y();
        EXPECT_EQ(right.containsPoint(p.point), p.inRight) << p.point.x() << "," << p.point.y();
    }

    TLabel grid;
    grid.width = grid.height = 4.0f;
    grid.hole = 1.5f;
    EXPECT_EQ(holePath(2, grid, view), BezierPath::bezierPathWithOvalInRect(QRectF(90, 90, 108, 108)));
    TLabelT disc = shape(QStringLiteral("Disc"), 10, 10, 100, 100);
    EXPECT_TRUE(holePath(2, disc, view).isEmpty());
    disc.setHole(20);
    EXPECT_TRUE(holePath(2, disc, view).bounds().contains(QRectF(disc.origin(), disc.size()).center()));
}
