// Title-and-value pairs: showing the title, keeping it level with and left of the contents,
// selecting a member, turning and scaling the pair, its knob and its stored form.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>

#include "database/DatabaseTestSupport.h"
#include "database/merge/ColorField.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/merge/MergeKinds.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectFactory.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

constexpr int PhotoPk = 2;
constexpr int FirstNamePk = 4;
constexpr int CompanyPk = 7;

class MergeCanvas : public qmtest::FakeCanvas
{
public:
    bool preview = false;
    bool databasePreview() const override { return preview; }
};

class GroupFieldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerObjectKinds();
        registerMergeKinds();
        db = dbtest::freshDatabase();
        ASSERT_TRUE(db);
    }

    MergeFieldPair makePair(int pk, QPointF at = QPointF(150, 80))
    {
        MergeFieldPair pair = createDBField(&canvas, at, pk);
        canvas.undo.removeAllActions();
        return pair;
    }

    static double lineBottom(const ColorField &field)
    {
        return field.frameBounds().y() + field.baselineRect().height();
    }

    static double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

    MergeCanvas canvas;
    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(GroupFieldTest, ShownTitleOverlapsTheContentsByTheInsetsOnOneLine)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    EXPECT_FALSE(pair.group->showTitle());
    EXPECT_TRUE(pair.title->isHidden());
    EXPECT_EQ(pair.group->titleObject(), pair.title.get());
    EXPECT_EQ(pair.group->contentsObject(), pair.contents.get());

    pair.group->setShowTitle(true);
    EXPECT_FALSE(pair.title->isHidden());
    EXPECT_DOUBLE_EQ(pair.title->frameBounds().right() - pair.contents->frameBounds().left(), 8.0);
    EXPECT_NEAR(lineBottom(*pair.title), lineBottom(*pair.contents), 1e-9);
    EXPECT_FLOAT_EQ(pair.group->width(), float(pair.title->frameBounds().width()
                                               + pair.contents->frameBounds().width() - 8.0));

    // A larger title font still ends its first line level with the contents.
    pair.title->setSelected(true);
    pair.title->setTextSize(qmtest::testFont(28));
    EXPECT_GT(pair.title->frameBounds().height(), pair.contents->frameBounds().height() * 1.5);
    EXPECT_NEAR(lineBottom(*pair.title), lineBottom(*pair.contents), 1e-9);
    EXPECT_DOUBLE_EQ(pair.title->frameBounds().right() - pair.contents->frameBounds().left(), 8.0);
    EXPECT_FLOAT_EQ(pair.group->height(), float(pair.title->frameBounds().height()));

    // The bounds are the shown members' union, 4 points narrower on each side.
    const QRectF both = pair.title->frameBounds().united(pair.contents->frameBounds());
    EXPECT_EQ(pair.group->bounds(), both.adjusted(4, 0, -4, 0));
    EXPECT_EQ(pair.group->frameBounds(), both.adjusted(4, 0, -4, 0));
}

TEST_F(GroupFieldTest, ShowingTheTitleIsUndoable)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    pair.group->setShowTitle(true);
    canvas.undo.closeEventGroup();
    canvas.undo.undo();
    EXPECT_FALSE(pair.group->showTitle());
    EXPECT_TRUE(pair.title->isHidden());
    canvas.undo.redo();
    EXPECT_TRUE(pair.group->showTitle());
    EXPECT_FALSE(pair.title->isHidden());
}

TEST_F(GroupFieldTest, APicturePairNeverShowsItsTitle)
{
    MergeFieldPair pair = makePair(PhotoPk);
    pair.group->setShowTitle(true);
    EXPECT_FALSE(pair.group->showTitle());
    EXPECT_TRUE(pair.title->isHidden());
    EXPECT_EQ(pair.contents->frameBounds().size(), QSizeF(50, 50));

    // No rotation knob is drawn for a picture pair: the pair draws what its members draw and
    // nothing more. A text pair adds its knob.
    auto extraPixels = [](GroupField &group) {
        auto render = [&](bool whole) {
            QImage image(400, 300, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            if (whole)
                group.drawSelect(&painter);
            else
                for (const auto &member : group.getObjects())
                    member->drawSelect(&painter, QRectF());
            painter.end();
            return image;
        };
        const QImage whole = render(true);
        const QImage members = render(false);
        int count = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                count += whole.pixel(x, y) != members.pixel(x, y);
        return count;
    };
    EXPECT_EQ(extraPixels(*pair.group), 0);
    MergeFieldPair text = makePair(CompanyPk);
    EXPECT_GT(extraPixels(*text.group), 0);
}

TEST_F(GroupFieldTest, ClickingChoosesTheMemberTheInspectorEdits)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    // Title hidden: the contents is chosen whichever member is clicked.
    pair.title->mouseDown(0);
    EXPECT_TRUE(pair.contents->isSelected());
    EXPECT_FALSE(pair.title->isSelected());

    pair.group->setShowTitle(true);
    pair.title->mouseDown(0);
    EXPECT_TRUE(pair.title->isSelected());
    EXPECT_FALSE(pair.contents->isSelected());
    pair.contents->mouseDown(1u << 17);
    EXPECT_TRUE(pair.contents->isSelected());
    EXPECT_FALSE(pair.title->isSelected());

    // Neither selected: the contents.
    pair.contents->setSelected(false);
    pair.title->mouseDown(0);
    EXPECT_TRUE(pair.contents->isSelected());
    EXPECT_FALSE(pair.title->isSelected());

    // A fill edit reaches only the chosen member.
    pair.title->mouseDown(0);
    pair.title->setFillColor(Qt::magenta);
    pair.contents->setFillColor(Qt::magenta);
    EXPECT_EQ(pair.title->fillColor(), QColor(Qt::magenta));
    EXPECT_NE(pair.contents->fillColor(), QColor(Qt::magenta));
}

TEST_F(GroupFieldTest, TurningThePairKeepsItsMembersAroundOneCentre)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    pair.group->setShowTitle(true);
    pair.group->setAngle(345);
    EXPECT_FLOAT_EQ(pair.title->angle(), 345);
    EXPECT_FLOAT_EQ(pair.contents->angle(), 345);
    EXPECT_FLOAT_EQ(pair.group->angle(), 345);

    const QPointF c = pair.group->bounds().center();
    const QPointF titleCentre = pair.title->frameBounds().center();
    const QPointF contentsCentre = pair.contents->frameBounds().center();
    canvas.undo.closeEventGroup();
    pair.group->setAngle(pair.group->angle() + 30, c);
    EXPECT_FLOAT_EQ(pair.title->angle(), 15);
    EXPECT_FLOAT_EQ(pair.contents->angle(), 15);
    // Each member's centre turned by 30 degrees about the same point.
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(30);
    t.translate(-c.x(), -c.y());
    EXPECT_NEAR(distance(pair.title->frameBounds().center(), t.map(titleCentre)), 0, 1e-3);
    EXPECT_NEAR(distance(pair.contents->frameBounds().center(), t.map(contentsCentre)), 0, 1e-3);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(canvas.undo.undoActionName(), "Change Object Angle");

    // The members' turned bounds, taken from their frames alone, are those of their turned
    // outlines at every angle, through a whole turn and either way; the pair's bounds are
    // made of them.
    for (float angle = -360.0f; angle <= 360.0f; angle += 7.5f) {
        for (ColorField *member : {pair.title.get(), pair.contents.get()}) {
            member->setAngle(angle, false);
            const QRectF outline = member->getRotatedBounds().bounds();
            const QRectF quick = member->turnedFrameBounds();
            EXPECT_DOUBLE_EQ(quick.left(), outline.left()) << angle;
            EXPECT_DOUBLE_EQ(quick.top(), outline.top()) << angle;
            EXPECT_DOUBLE_EQ(quick.right(), outline.right()) << angle;
            EXPECT_DOUBLE_EQ(quick.bottom(), outline.bottom()) << angle;
        }
        const double inset = pair.contents->inset();
        const QRectF expected = pair.contents->getRotatedBounds().bounds().united(pair.title->getRotatedBounds().bounds())
                                    .adjusted(inset, 0, -inset, 0);
        const QRectF bounds = pair.group->bounds();
        EXPECT_NEAR(distance(bounds.topLeft(), expected.topLeft()), 0, 1e-9) << angle;
        EXPECT_NEAR(distance(bounds.bottomRight(), expected.bottomRight()), 0, 1e-9) << angle;
        // The pair's frame is where its members lie once the pair is turned upright about
        // the middle of its bounds.
        const QRectF frame = pair.group->frameBounds();
        pair.group->setAngle(0);
        const QRectF upright = pair.group->frameBounds();
        EXPECT_NEAR(distance(frame.topLeft(), upright.topLeft()), 0, 1e-4) << angle;
        EXPECT_NEAR(distance(frame.bottomRight(), upright.bottomRight()), 0, 1e-4) << angle;
    }
    for (ColorField *member : {pair.title.get(), pair.contents.get()})
        member->setAngle(15, false);

    // Turning upright and back about the answered centre restores every frame.
    const QRectF before = pair.contents->frameBounds();
    const QPointF centre = pair.group->rotate(-pair.group->angle(), QPointF());
    pair.group->rotate(pair.group->angle(), centre);
    EXPECT_NEAR(distance(pair.contents->frameBounds().topLeft(), before.topLeft()), 0, 1e-6);

    // A refresh of a turned pair lays it out upright and turns it back.
    canvas.preview = true;
    db->fieldValues().insert("First_Name", "Ann");
    pair.contents->updateContents(nullptr);
    EXPECT_EQ(pair.contents->text(), "Ann");
    EXPECT_FLOAT_EQ(pair.contents->angle(), 15);
}

TEST_F(GroupFieldTest, TheRotationKnobSitsAtTheContentsLowerRightCorner)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    const QRectF r = pair.contents->frameBounds();
    const QPointF knob(r.right() + 3 - 4, r.bottom() + 3);
    EXPECT_EQ(pair.group->knobUnderPoint(knob), 11);
    EXPECT_EQ(pair.group->knobUnderPoint(r.center()), 0);
    EXPECT_EQ(pair.group->resizeByMovingKnob(8, QPointF(500, 500), 0), 0);
    EXPECT_FALSE(pair.group->isResizable());

    auto lonely = GroupField::create();
    EXPECT_EQ(lonely->rotateKnobUnderPoint(QRectF(-3, -3, 6, 6), knob), 0);
    lonely->updateGroupField();
}

TEST_F(GroupFieldTest, ScalingANonTemplatePairMovesItButKeepsItsFonts)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    pair.group->setShowTitle(true);
    pair.contents->setAlign(1);
    canvas.undo.removeAllActions();
    const QRectF contents = pair.contents->frameBounds();
    pair.group->scaleByX(2, 2);
    EXPECT_DOUBLE_EQ(pair.contents->frameBounds().right(), contents.right() * 2);
    EXPECT_EQ(pair.contents->frameBounds().size(), contents.size());
    EXPECT_EQ(pair.contents->fieldAttributes().font->pointSizeF(), 12.0);
    EXPECT_DOUBLE_EQ(pair.title->frameBounds().right() - pair.contents->frameBounds().left(), 8.0);
    EXPECT_FALSE(canvas.undo.canUndo());

    // A template pair scales its members too.
    pair.contents->setTemplateFlag(true);
    pair.group->scaleByX(2, 1);
    EXPECT_EQ(pair.contents->fieldAttributes().font->pointSizeF(), 24.0);
    EXPECT_TRUE(pair.title->isTemplate());
    EXPECT_TRUE(pair.contents->isTemplate());
}

TEST_F(GroupFieldTest, PrintingAnEmptyValuePrintsNoTitle)
{
    MergeFieldPair pair = makePair(CompanyPk);
    pair.group->setShowTitle(true);
    canvas.printing = true;
    auto ink = [](ColorField &field) {
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        field.drawFrame(&painter, QRectF(), false);
        painter.end();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) != qRgb(255, 255, 255);
        return count;
    };
    db->fieldValues().insert("Company", "");
    pair.contents->updateABRecord();
    pair.title->updateContents(nullptr);
    EXPECT_EQ(pair.contents->text(), "");
    EXPECT_EQ(ink(*pair.title), 0);
    EXPECT_EQ(ink(*pair.contents), 0);
    db->fieldValues().insert("Company", "Acme");
    pair.contents->updateABRecord();
    EXPECT_GT(ink(*pair.title), 0);
    EXPECT_GT(ink(*pair.contents), 0);
}

TEST_F(GroupFieldTest, StoredFormRoundTrip)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    pair.group->setShowTitle(true);
    pair.group->setCapitalizeTitle(true);
    const ColorRect::GraphicList graphics = {ColorRect::create(QRectF(0, 0, 5, 5)), pair.title, pair.contents};
    QVariantMap dict = pair.group->propertyListRepresentation(graphics);
    EXPECT_EQ(dict.value("GroupClassKey"), "GroupField");
    EXPECT_EQ(dict.value("ShowTitleKey"), "YES");
    EXPECT_EQ(dict.value("CapitalizeTitleKey"), "YES");

    // Members and group through a binary property list, as a document stores them.
    QVariantList objects;
    for (const auto &object : graphics)
        objects.append(object->propertyListRepresentation(&graphics));
    const QVariantMap document =
        PropertyList::fromData(PropertyList::toData(QVariantMap{{"Objects", objects}, {"Group", dict}})).toMap();
    ColorRect::GraphicList loaded;
    for (const QVariant &entry : document.value("Objects").toList())
        loaded.append(ColorRect::graphicWithPropertyListRepresentation(entry.toMap()));
    ASSERT_EQ(loaded.size(), 3);
    auto group = std::dynamic_pointer_cast<GroupField>(
        Group::groupWithPropertyListRepresentation(document.value("Group").toMap(), loaded));
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->showTitle());
    EXPECT_TRUE(group->capitalizeTitle());
    ASSERT_TRUE(group->titleObject());
    EXPECT_EQ(group->titleObject(), loaded.at(1).get());
    EXPECT_EQ(group->contentsObject()->fieldPk(), FirstNamePk);
    EXPECT_FALSE(group->titleObject()->isHidden());

    dict.insert("ShowTitleKey", "NO");
    group = std::dynamic_pointer_cast<GroupField>(Group::groupWithPropertyListRepresentation(dict, loaded));
    ASSERT_TRUE(group);
    EXPECT_FALSE(group->showTitle());
    EXPECT_TRUE(group->titleObject()->isHidden());

    // Without the key the flag stays NO and the title's visibility is left alone.
    group->titleObject()->setHidden(false);
    dict.remove("ShowTitleKey");
    dict.remove("CapitalizeTitleKey");
    group = std::dynamic_pointer_cast<GroupField>(Group::groupWithPropertyListRepresentation(dict, loaded));
    ASSERT_TRUE(group);
    EXPECT_FALSE(group->showTitle());
    EXPECT_FALSE(group->capitalizeTitle());
    EXPECT_FALSE(group->titleObject()->isHidden());

    // A pair whose members are not merge fields is refused.
    const ColorRect::GraphicList others = {ColorRect::create(QRectF(0, 0, 5, 5)), ColorRect::create(QRectF(0, 0, 5, 5)),
                                           ColorRect::create(QRectF(0, 0, 5, 5))};
    EXPECT_FALSE(Group::groupWithPropertyListRepresentation(dict, others));
    EXPECT_EQ(others.at(1)->getGroup(), nullptr);
}

TEST_F(GroupFieldTest, EditingAMemberIsDoneUprightAndUndoesAsOneStep)
{
    MergeFieldPair pair = makePair(FirstNamePk);
    pair.group->setShowTitle(true);
    pair.group->setAngle(40);
    canvas.undo.removeAllActions();
    const QPointF turnedCentre = pair.contents->frameBounds().center();

    pair.contents->setEditable(true);
    EXPECT_TRUE(pair.group->isEditable());
    // Editing holds a group of its own open until it ends.
    const int editing = canvas.undo.groupingLevel();
    EXPECT_GE(editing, 1);
    pair.contents->setSelected(true);
    pair.contents->setTextColor(Qt::red);
    pair.contents->setTextAlign(2);
    pair.contents->setEditable(false);
    EXPECT_FALSE(pair.group->isEditable());
    EXPECT_EQ(canvas.undo.groupingLevel(), editing - 1);
    EXPECT_NEAR(distance(pair.contents->frameBounds().center(), turnedCentre), 0, 1e-3);

    canvas.undo.undo();
    EXPECT_EQ(pair.contents->align(), 0);
    EXPECT_EQ(pair.contents->fieldAttributes().color, QColor(Qt::black));
    EXPECT_FALSE(canvas.undo.canUndo());

    // A hidden member is never edited.
    pair.group->setShowTitle(false);
    pair.title->setEditable(true);
    EXPECT_FALSE(pair.title->isEditable1());
}

TEST_F(GroupFieldTest, ACopyKeepsTheMembersStyle)
{
    MergeFieldPair pair = makePair(CompanyPk);
    pair.title->setSelected(true);
    pair.title->setFillColor(Qt::cyan);
    pair.title->setDrawsFill(true);
    pair.title->setTextAlign(1);
    auto copy = std::dynamic_pointer_cast<ColorField>(pair.title->copy());
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isTitle());
    EXPECT_FALSE(copy->isSelected());
    EXPECT_TRUE(copy->drawsFill());
    EXPECT_EQ(copy->fillColor(), QColor(Qt::cyan));
    EXPECT_EQ(copy->align(), 1);
    EXPECT_EQ(copy->fieldAttributes(), pair.title->fieldAttributes());
    EXPECT_EQ(copy->getGroup(), nullptr);
    EXPECT_EQ(ColorField::fieldTitlesAndTags().at(3).pk, 100);
}

TEST_F(GroupFieldTest, TheCanvasMakesPairsByKindName)
{
    auto made = Group::createGroupOfKind(QStringLiteral("GroupField"));
    ASSERT_TRUE(std::dynamic_pointer_cast<GroupField>(made));
    EXPECT_TRUE(made->getObjects().isEmpty());
    EXPECT_FALSE(Group::createGroupOfKind(QStringLiteral("ColorField")));

    // Regrouping the members of a made pair gives a working pair again.
    MergeFieldPair pair = makePair(FirstNamePk);
    made->addObjects({pair.contents, pair.title});
    auto *group = static_cast<GroupField *>(made.get());
    EXPECT_EQ(group->titleObject(), pair.title.get());
    EXPECT_EQ(pair.title->pair(), group);
    group->setShowTitle(true);
    EXPECT_DOUBLE_EQ(pair.title->frameBounds().right() - pair.contents->frameBounds().left(), 8.0);
}

// The marks of a selected pair, drawn at every repaint for every selected pair, are filled on
// whole pixels when the pair stands upright: they must lie where the hairline stroke and the
// round knob they stand for lie, at any zoom and place, and a turned pair is marked as before.
TEST_F(GroupFieldTest, SelectionMarksLieWhereTheOutlineAndTheKnobAre)
{
    auto ink = [](const QImage &image) {
        QList<QPoint> points;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 245)
                    points.append(QPoint(x, y));
        return points;
    };
    auto near = [](const QList<QPoint> &points, const QImage &other) {
        for (const QPoint &p : points) {
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = other.valid(p + QPoint(dx, dy)) && qGray(other.pixel(p + QPoint(dx, dy))) < 245;
            if (!found)
                return false;
        }
        return true;
    };
    for (const double zoom : {1.0, 1.55, 3.0}) {
        for (const QPointF at : {QPointF(20, 15), QPointF(20.3, 15.7)}) {
            canvas.zoomCoeff = zoom;
            canvas.displayedZoom = zoom;
            MergeFieldPair pair = makePair(FirstNamePk, at);
            pair.contents->setSelected(true);
            auto paint = [&](auto draw) {
                QImage image(500, 200, QImage::Format_RGB32);
                image.fill(Qt::white);
                QPainter painter(&image);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.scale(zoom, zoom);
                draw(painter);
                return image;
            };
            const QImage marks = paint([&](QPainter &p) { pair.group->drawSelect(&p); });
            // What the marks stand for: the hairline outline and the knob's circle.
            const QImage drawn = paint([&](QPainter &p) {
                p.strokePath(pair.contents->bezierPath().toPainterPath(), QPen(Qt::blue, 0.3 / zoom));
                const double side = 6.0 / zoom;
                const QRectF r = pair.contents->frameBounds();
                QPainterPath oval;
                oval.addEllipse(QRectF(r.right() + side / 2.0 - 4.0 - side / 2.0, r.bottom() - side / 2.0 + side / 2.0,
                                       side, side));
                p.fillPath(oval, Qt::blue);
            });
            const QList<QPoint> marked = ink(marks);
            ASSERT_FALSE(marked.isEmpty()) << zoom;
            EXPECT_TRUE(near(marked, drawn)) << "marks off the outline at zoom " << zoom << " at " << at.x();
            EXPECT_TRUE(near(ink(drawn), marks)) << "outline unmarked at zoom " << zoom << " at " << at.x();
            // Edges are whole pixels of the outline's colour, not blends.
            const QRectF device = QTransform::fromScale(zoom, zoom).mapRect(pair.contents->bezierPath().bounds());
            const QPoint top(int(std::floor(device.center().x())), int(std::floor(device.top())));
            EXPECT_EQ(marks.pixel(top), QColor(Qt::blue).rgb()) << zoom;

            // Turned, the pair's outline still follows it.
            pair.group->setAngle(30.0f);
            ASSERT_FLOAT_EQ(pair.contents->angle(), 30.0f);
            const QImage turned = paint([&](QPainter &p) { pair.group->drawSelect(&p); });
            EXPECT_GT(ink(turned).size(), marked.size() / 2) << zoom;
            EXPECT_FALSE(turned == marks);
        }
    }
}
