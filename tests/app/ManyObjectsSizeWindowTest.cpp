// A width or a height typed into the geometry page, a text size or an alignment given on the
// text page, with a selection of more than a thousand objects (paths, ovals with text, text
// boxes, groups, as many as make the canvas take its outlines from pictures): every object
// takes it, the canvas shows them, and one Undo puts every object back as it was.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>
#include <functional>
#include <limits>

#include "app/AppTestSupport.h"
#include "app/InspectorWindowSupport.h"
#include "inspector/GeometryPage.h"
#include "inspector/InspectorPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesView.h"
#include "inspector/TextPage.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/Group.h"
#include "objects/PictureWorker.h"
#include "platform/BezierPath.h"
#include "foundation/SegmentedControl.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr int Paths = 420;
constexpr int Ovals = 420;
constexpr int Groups = 60;

QRectF placeOf(int i)
{
    return QRectF(10 + (i % 40) * 7.0, 10 + (i / 40) * 6.0, 5.0, 4.0);
}

GraphicPtr zigzag(const QRectF &frame, int seed)
{
    auto path = ColorPath::create(frame);
    BezierPath outline;
    outline.moveTo(frame.topLeft());
    for (int k = 1; k < 12; ++k)
        outline.lineTo(QPointF(frame.x() + frame.width() * ((k * 7 + seed) % 11) / 10.0,
                               frame.y() + frame.height() * ((k * 3 + seed) % 5) / 4.0));
    outline.closePath();
    path->setBezierPath(outline);
    return path;
}

void type(NumberField *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    apptest::settle();
}

// The canvas drawn as the window shows it, once the pictures asked for have come.
QImage shown(RectsView *canvas)
{
    canvas->repaint();
    PictureWorker::waitUntilDone();
    apptest::settle();
    return canvas->grab().toImage();
}

// The canvas once the texts its repaint left to lay out aside (some were) are laid out.
QImage shownOnceLaidOutAside(RectsView *canvas)
{
    canvas->repaint();
    EXPECT_GT(ColorRect::textsAside(), 0) << "the texts are laid out aside";
    const QImage aside = shown(canvas);
    EXPECT_EQ(ColorRect::textsAside(), 0);
    return aside;
}

} // namespace

TEST(ManyObjectsSizeWindowTest, AWidthOrHeightTypedLandsOnEveryObjectAndGroupAndUndoesInOneStep)
{
    apptest::WindowFixture f(QStringLiteral("many-objects-size"));
    RectsView *canvas = f.canvas();
    ObjectInfoPanel *info = f.window->objectInfo();
    PropertiesView *panel = f.window->propertiesView();
    ASSERT_TRUE(info && panel);
    GeometryPage *page = info->geometryPage();
    ASSERT_TRUE(page);
    ASSERT_NO_FATAL_FAILURE(apptest::openInspectorPages(f, [page](int tab) { return tab == page->tab(); }));

    auto place = [&](const GraphicPtr &object) { return apptest::placeOnCanvas(canvas, object); };
    GraphicList loose;
    int at = 0;
    for (int i = 0; i < Paths; ++i)
        loose.append(place(zigzag(placeOf(at++), i)));
    for (int i = 0; i < Ovals; ++i) {
        GraphicPtr oval = ColorOval::create(placeOf(at++));
        oval->textStorage()->setPlainText(QStringLiteral("Oval %1").arg(i));
        loose.append(place(oval));
    }
    QList<Group *> groups;
    for (int g = 0; g < Groups; ++g) {
        const GraphicList members = {place(ColorRect::create(placeOf(at++))), place(ColorOval::create(placeOf(at++))),
                                     place(zigzag(placeOf(at++), g))};
        canvas->clearSelection();
        for (const GraphicPtr &member : members)
            canvas->selectRect(member);
        f.trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
        ASSERT_TRUE(members.first()->getGroup());
        groups.append(members.first()->getGroup());
    }
    ASSERT_GE(canvas->getRects().size(), ColorRect::ManyObjects);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas->selectedObjects().size(), canvas->getRects().size());
    const QImage before = shown(canvas);

    for (const bool width : {true, false}) {
        SCOPED_TRACE(width ? "width" : "height");
        NumberField *field = width ? page->tvWidth : page->tvHeight;
        ASSERT_TRUE(field->isEnabled());
        const QList<QVariantMap> forms = apptest::storedForms(canvas);
        QList<QPointF> centres;
        for (const GraphicPtr &object : std::as_const(loose))
            centres.append(object->frameBounds().center());
        QList<QPointF> groupCentres;
        for (const Group *group : std::as_const(groups))
            groupCentres.append(group->bounds().center());
        canvas->undoManager()->removeAllActions();

        type(field, QStringLiteral("1.25"));
        const double points = double(info->convertToPoints(1.25f));
        ASSERT_GT(points, 20.0) << "the size is many times the objects' own";
        for (qsizetype i = 0; i < loose.size(); ++i) {
            const QRectF frame = loose[i]->frameBounds();
            EXPECT_NEAR(width ? frame.width() : frame.height(), points, 0.01) << loose[i]->className().toStdString() << " " << i;
            EXPECT_NEAR(frame.center().x(), centres[i].x(), 0.01) << i;
            EXPECT_NEAR(frame.center().y(), centres[i].y(), 0.01) << i;
        }
        for (qsizetype g = 0; g < groups.size(); ++g) {
            const QRectF bounds = groups[g]->bounds();
            EXPECT_NEAR(width ? bounds.width() : bounds.height(), points, 0.02) << "group " << g;
            // Without Shift the group keeps its centre along the side typed.
            EXPECT_NEAR(width ? bounds.center().x() : bounds.center().y(),
                        width ? groupCentres[g].x() : groupCentres[g].y(), 0.02)
                << "group " << g;
        }
        // The canvas shows the objects at their new size: far more of it is covered.
        const QImage after = shown(canvas);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_NE(after, before);

        f.undo();
        EXPECT_EQ(apptest::storedForms(canvas), forms) << "one Undo puts every object back";
        EXPECT_FALSE(canvas->undoManager()->canUndo());
        EXPECT_EQ(shown(canvas), before);
        if (canvas->selectedObjects().size() != canvas->getRects().size())
            f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    }
}

// Thousands of ovals with texts of their own, resized at once: a repaint lays out the texts it
// has time for and leaves the others aside, the window answering meanwhile. Once laid out,
// the canvas shows what laying every text out at once shows, after the size typed as after
// its Undo and Redo.
TEST(ManyObjectsSizeWindowTest, OvalTextsLaidOutAsideShowAsThoseLaidOutAtOnce)
{
    apptest::WindowFixture f(QStringLiteral("many-ovals-text"));
    RectsView *canvas = f.canvas();
    ObjectInfoPanel *info = f.window->objectInfo();
    PropertiesView *panel = f.window->propertiesView();
    ASSERT_TRUE(info && panel);
    GeometryPage *page = info->geometryPage();
    ASSERT_TRUE(page);
    if (const int tag = info->tagOfPage(page->tab()); tag > 0 && !panel->isButtonSelected(tag))
        panel->openPropertiesByType(tag);
    struct Times
    {
        ~Times() { ColorRect::setLayoutTimesForTesting(-1, -1); }
    } usual;
    // Every text is laid out as it is drawn, as on a design of a few objects.
    ColorRect::setLayoutTimesForTesting(std::numeric_limits<qint64>::max(), -1);

    // Ovals large enough at the canvas's zoom for their glyphs to show, overlapping.
    std::vector<std::shared_ptr<ColorOval>> ovals;
    for (int i = 0; i < int(ColorRect::ManyObjects) + 40; ++i) {
        auto oval = ColorOval::create(QRectF(10 + (i % 40) * 6.0, 10 + (i / 40) * 6.0, 40.0, 30.0));
        oval->textStorage()->setPlainText(QStringLiteral("Oval %1 round").arg(i));
        oval->setPageName(canvas->getCurrPageName());
        oval->setObjectLayer(1);
        canvas->addGraphic(oval);
        ovals.push_back(oval);
    }
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas->selectedObjects().size(), qsizetype(ovals.size()));
    const QImage before = shown(canvas);
    EXPECT_EQ(ColorRect::textsAside(), 0);

    for (const bool width : {true, false}) {
        SCOPED_TRACE(width ? "width" : "height");
        canvas->undoManager()->removeAllActions();
        // A repaint lays out no text, a slice one.
        ColorRect::setLayoutTimesForTesting(0, 1);
        type(width ? page->tvWidth : page->tvHeight, QStringLiteral("0.75"));
        const QImage aside = shownOnceLaidOutAside(canvas);
        EXPECT_NE(aside, before);
        // The same texts laid out at once: Undo and Redo give every oval a layout of its own.
        ColorRect::setLayoutTimesForTesting(std::numeric_limits<qint64>::max(), -1);
        f.undo();
        EXPECT_EQ(shown(canvas), before);
        ASSERT_TRUE(canvas->undoManager()->canRedo());
        canvas->redo();
        apptest::settle();
        EXPECT_EQ(ColorRect::textsAside(), 0);
        EXPECT_EQ(shown(canvas), aside) << "the texts laid out aside show as laid out at once";
        // Undo with the texts laid out aside shows the ovals as they were.
        ColorRect::setLayoutTimesForTesting(0, 1);
        f.undo();
        canvas->repaint();
        EXPECT_EQ(shown(canvas), before);
        // Each oval's text stands where a fresh oval of its frame puts it.
        for (size_t i = 0; i < ovals.size(); i += 97) {
            auto fresh = ColorOval::create(ovals[i]->frameBounds());
            fresh->textStorage()->setPlainText(ovals[i]->textStorage()->toPlainText());
            const QList<ColorOval::GlyphPlacement> mine = ovals[i]->glyphPlacements();
            const QList<ColorOval::GlyphPlacement> theirs = fresh->glyphPlacements();
            ASSERT_EQ(mine.size(), theirs.size()) << i;
            ASSERT_FALSE(mine.isEmpty()) << i;
            for (qsizetype g = 0; g < mine.size(); ++g) {
                EXPECT_EQ(mine[g].character, theirs[g].character);
                EXPECT_NEAR(mine[g].point.x(), theirs[g].point.x(), 1e-9);
                EXPECT_NEAR(mine[g].point.y(), theirs[g].point.y(), 1e-9);
                EXPECT_NEAR(mine[g].rotation, theirs[g].rotation, 1e-9);
            }
        }
    }
}

// A text size typed and an alignment clicked on the text page with thousands of text boxes and
// ovals selected: every text takes them throughout, one Undo each puts every text back, and
// the texts a repaint leaves to lay out aside show as those laid out at once.
TEST(ManyObjectsSizeWindowTest, ATextSizeOrAlignmentGivenToManyTextsLandsOnEachAndShowsAsLaidOutAtOnce)
{
    apptest::WindowFixture f(QStringLiteral("many-texts-size"));
    RectsView *canvas = f.canvas();
    ObjectInfoPanel *info = f.window->objectInfo();
    ASSERT_TRUE(info);
    TextPage *page = nullptr;
    for (const QPointer<InspectorPage> &each : info->pages())
        if (auto *text = qobject_cast<TextPage *>(each.data()))
            page = text;
    ASSERT_TRUE(page);
    ASSERT_NO_FATAL_FAILURE(apptest::openInspectorPages(f, [page](int tab) { return tab == page->tab(); }));
    struct Times
    {
        ~Times() { ColorRect::setLayoutTimesForTesting(-1, -1); }
    } usual;
    ColorRect::setLayoutTimesForTesting(std::numeric_limits<qint64>::max(), -1);

    // Large enough at the canvas's zoom for their glyphs to show, overlapping.
    GraphicList texts;
    for (int i = 0; i < int(ColorRect::ManyObjects) + 40; ++i) {
        const QRectF frame(10 + (i % 40) * 6.0, 10 + (i / 40) * 6.0, 40.0, 30.0);
        GraphicPtr object = i % 2 ? ColorOval::create(frame) : ColorRect::create(frame);
        object->textStorage()->setPlainText(QStringLiteral("Text %1 round\nand on").arg(i));
        texts.append(apptest::placeOnCanvas(canvas, object));
    }
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas->selectedObjects().size(), texts.size());
    const QImage before = shown(canvas);
    const QList<QVariantMap> forms = apptest::storedForms(canvas);

    struct Command
    {
        const char *name;
        std::function<void()> give;
        std::function<bool(const ColorRect &)> landed;
    };
    const QList<Command> commands{
        {"size", [&] { type(page->tvTextSize, QStringLiteral("17")); },
         [](const ColorRect &object) {
             return TextPage::hasSizeThroughout(object, *TextPage::fontOf(object), 17.0);
         }},
        {"alignment",
         [&] {
             QTest::mouseClick(page->scTextAilgn->segmentButton(2), Qt::LeftButton);
             apptest::settle();
         },
         [](const ColorRect &object) {
             // Both paragraphs.
             int aligned = 0;
             for (QTextBlock block = object.textStorage()->begin(); block.isValid(); block = block.next())
                 aligned += (block.blockFormat().alignment() & Qt::AlignRight) ? 1 : 0;
             return aligned == 2;
         }},
    };
    for (const Command &command : commands) {
        SCOPED_TRACE(command.name);
        canvas->undoManager()->removeAllActions();
        // A repaint lays out no text, a slice one.
        ColorRect::setLayoutTimesForTesting(0, 1);
        command.give();
        for (const GraphicPtr &object : std::as_const(texts))
            ASSERT_TRUE(command.landed(*object)) << object->className().toStdString();
        const QImage aside = shownOnceLaidOutAside(canvas);
        EXPECT_NE(aside, before);

        // One Undo puts every text back; Redo gives each the command again, laid out at once.
        ColorRect::setLayoutTimesForTesting(std::numeric_limits<qint64>::max(), -1);
        f.undo();
        EXPECT_EQ(apptest::storedForms(canvas), forms);
        EXPECT_FALSE(canvas->undoManager()->canUndo());
        EXPECT_EQ(shown(canvas), before);
        canvas->redo();
        apptest::settle();
        EXPECT_EQ(ColorRect::textsAside(), 0);
        EXPECT_EQ(shown(canvas), aside) << "the texts laid out aside show as laid out at once";
        f.undo();
        EXPECT_EQ(shown(canvas), before);
        if (canvas->selectedObjects().size() != canvas->getRects().size())
            f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    }
}
