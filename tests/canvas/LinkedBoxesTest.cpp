// Linked text boxes on the canvas: every way an object leaves the canvas (delete, cut, a
// group's removal, clearing a page) takes its box out of the chain, and undo puts it back in
// its place.
#include <QTextDocument>

#include <gtest/gtest.h>

#include "app/AllKinds.h"
#include "canvas/CanvasTestSupport.h"
#include "canvas/SlicedWork.h"
#include "objects/Group.h"
#include "objects/TextContainer.h"
#include "objects/TextFlow.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

QString words(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("word%1").arg(i);
    return list.join(QLatin1Char(' '));
}

class LinkedBoxesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("linkedboxes"));
        registerAllKinds();
        fixture = std::make_unique<canvastest::CanvasFixture>();
        a = fixture->add(QRectF(20, 20, 120, 32));
        b = fixture->add(QRectF(20, 100, 120, 32));
        c = fixture->add(QRectF(20, 180, 120, 32));
        a->textStorage()->setDefaultFont(qmtest::testFont(12));
        a->textStorage()->setPlainText(words(40));
        b->setTextLink(a.get(), true);
        c->setTextLink(b.get(), true);
        undo()->removeAllActions();
        chain = a->textContainers();
        ranges = {a->textCharacterRange(), b->textCharacterRange(), c->textCharacterRange()};
    }

    RectsView *view() { return fixture->view.get(); }
    UndoManager *undo() { return view()->undoManager(); }

    void expectWholeChainBack()
    {
        EXPECT_EQ(a->textContainers(), chain);
        EXPECT_EQ(a->textCharacterRange(), ranges[0]);
        EXPECT_EQ(b->textCharacterRange(), ranges[1]);
        EXPECT_EQ(c->textCharacterRange(), ranges[2]);
        EXPECT_EQ(view()->getRects().size(), 3);
    }

    std::unique_ptr<canvastest::CanvasFixture> fixture;
    std::shared_ptr<ColorRect> a, b, c;
    QList<TextContainer *> chain;
    QList<ColorRect::TextRange> ranges;
};

TEST_F(LinkedBoxesTest, DeletingTheFirstBoxStartsTheTextInTheSecond)
{
    view()->selectRect(a);
    view()->delete_();
    undo()->closeEventGroup();
    EXPECT_EQ(b->textContainers(), (QList<TextContainer *>{b->textContainer(), c->textContainer()}));
    EXPECT_EQ(b->textCharacterRange().first, 0);
    EXPECT_EQ(b->textCharacterRange(), ranges[0]);
    EXPECT_FALSE(a->textContainers().contains(b->textContainer()));

    undo()->undo();
    expectWholeChainBack();
    undo()->redo();
    EXPECT_EQ(b->firstTextView(), b.get());
    undo()->undo();
    expectWholeChainBack();
}

TEST_F(LinkedBoxesTest, DeletingTheMiddleBoxLetsTheTextRunOnInTheLast)
{
    view()->selectRect(b);
    view()->delete_();
    undo()->closeEventGroup();
    EXPECT_EQ(a->textContainers(), (QList<TextContainer *>{a->textContainer(), c->textContainer()}));
    EXPECT_EQ(a->textCharacterRange(), ranges[0]);
    EXPECT_EQ(c->textCharacterRange().first, ranges[1].first);
    undo()->undo();
    expectWholeChainBack();
}

TEST_F(LinkedBoxesTest, DeletingTwoBoxesAtOnceComesBackInOneUndo)
{
    view()->selectRect(a);
    view()->selectRect(b);
    view()->delete_();
    undo()->closeEventGroup();
    EXPECT_EQ(c->firstTextView(), c.get());
    EXPECT_EQ(c->textCharacterRange().first, 0);
    undo()->undo();
    expectWholeChainBack();
}

TEST_F(LinkedBoxesTest, CuttingABoxTakesItOutOfTheChain)
{
    view()->selectRect(a);
    view()->cut();
    undo()->closeEventGroup();
    EXPECT_EQ(b->firstTextView(), b.get());
    EXPECT_EQ(undo()->undoActionName(), "Cut");
    undo()->undo();
    expectWholeChainBack();
}

TEST_F(LinkedBoxesTest, RemovingAGroupWithItsMembersTakesThemOutOfTheChain)
{
    view()->group_({a, b}, true);
    ASSERT_EQ(view()->groups().size(), 1);
    undo()->removeAllActions();
    view()->removeGroupAtIndex(0);
    undo()->closeEventGroup();
    EXPECT_EQ(c->firstTextView(), c.get());
    EXPECT_EQ(c->textContainers().size(), 1);
    undo()->undo();
    expectWholeChainBack();
}

TEST_F(LinkedBoxesTest, ClearingAPageTakesItsBoxesOutOfTheChain)
{
    b->setPageName(QStringLiteral("HorizontalBack"));
    view()->removeAllRects(QStringLiteral("HorizontalBack"));
    undo()->closeEventGroup();
    EXPECT_EQ(a->textContainers(), (QList<TextContainer *>{a->textContainer(), c->textContainer()}));
    undo()->undo();
    EXPECT_EQ(a->textContainers(), chain);
    EXPECT_EQ(view()->getRects().size(), 3);
}

TEST_F(LinkedBoxesTest, TheStoredDesignNeverStartsAChainWithAMissingBox)
{
    view()->selectRect(a);
    view()->delete_();
    undo()->closeEventGroup();
    const QVariantMap stored = view()->drawDocumentDictionaryForGraphics(view()->getRects());
    const QVariantList objects = stored.value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), 2);
    EXPECT_EQ(objects[0].toMap().value(QStringLiteral("FirstTextView")).toString(), "1");
    const GraphicList loaded = view()->graphicsFromDrawDocumentDictionary(stored);
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[1]->firstTextView(), loaded[0].get());
    EXPECT_EQ(loaded[0]->textStorage()->toPlainText(), words(40));
    EXPECT_EQ(loaded[0]->textCharacterRange().first, 0);
}

// A large design is written a slice of objects at a time: a chain whose boxes lie in different
// slices is stored as the whole list written at once stores it, the first box naming the others
// where they stand in the whole design and carrying the text alone.
TEST_F(LinkedBoxesTest, AChainAcrossTheSlicesOfALargeSaveIsStoredAsAWholeListStoresIt)
{
    GraphicList graphics;
    for (int i = 0; i < 1500; ++i)
        graphics.append(std::make_shared<ColorRect>(QRectF(10 + i % 30, 10 + i / 30, 8, 8)));
    graphics[5] = a;
    graphics[900] = b;
    graphics[1400] = c;
    QVariantList whole;
    for (const GraphicPtr &graphic : std::as_const(graphics))
        whole.append(graphic->propertyListRepresentation(&graphics));
    QVariantList sliced;
    ASSERT_TRUE(formsInSlices(graphics, &graphics, [&sliced](QVariant &&form) { sliced.append(std::move(form)); },
                              [](qsizetype) { return true; }));
    ASSERT_EQ(sliced.size(), whole.size());
    for (qsizetype i = 0; i < whole.size(); ++i)
        ASSERT_EQ(sliced[i], whole[i]) << i;
    EXPECT_EQ(sliced[5].toMap().value(QStringLiteral("FirstTextView")).toString(), QStringLiteral("900,1400"));
    EXPECT_NE(sliced[5].toMap().value(QStringLiteral("Text")), sliced[900].toMap().value(QStringLiteral("Text")));
}

} // namespace
