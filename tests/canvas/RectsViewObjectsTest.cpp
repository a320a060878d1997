#include <gtest/gtest.h>

#include "CanvasTestSupport.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using canvastest::CanvasFixture;

namespace {

class RectsViewObjects : public ::testing::Test, public CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("objects"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
    }
    void TearDown() override { Language::reset(); }

    UndoManager &undo() { return *view->undoManager(); }
    QList<ColorRect *> order() const
    {
        QList<ColorRect *> list;
        for (const auto &graphic : view->getRects())
            list.append(graphic.get());
        return list;
    }
};

TEST_F(RectsViewObjects, BringToFrontMovesTheBackMemberAboveTheFrontOneInOneUndoStep)
{
    auto g1 = add({0, 0, 50, 50});
    auto g2 = add({10, 10, 50, 50});
    auto g3 = add({20, 20, 50, 50});
    view->selectRect(g2);
    view->selectRect(g3);
    undo().closeEventGroup();

    EXPECT_TRUE(view->canMoveForward());
    view->bringToFront();
    undo().closeEventGroup();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g3.get(), g2.get()}));
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Bring To Front"));

    undo().undo();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g2.get(), g3.get()}));
    undo().redo();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g3.get(), g2.get()}));

    view->deselectRect(g2);
    // g3 is no longer the front-most: g2 lies above it now.
    EXPECT_TRUE(view->canMoveForward());
    view->deselectRect(g3);
    view->selectRect(g2);
    EXPECT_FALSE(view->canMoveForward());
    EXPECT_TRUE(view->canSendToBack());
}

TEST_F(RectsViewObjects, StackingCommandsFollowTheirBounds)
{
    auto g1 = add({0, 0, 50, 50});
    auto g2 = add({10, 10, 50, 50});
    auto g3 = add({20, 20, 50, 50});
    auto g4 = add({30, 30, 50, 50});
    undo().closeEventGroup();

    view->selectRect(g1);
    view->bringForward();
    EXPECT_EQ(order(), (QList<ColorRect *>{g2.get(), g1.get(), g3.get(), g4.get()}));
    view->sendToBack();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g2.get(), g3.get(), g4.get()}));
    EXPECT_FALSE(view->canSendToBack());
    view->deselectRect(g1);

    view->selectRect(g4);
    view->selectRect(g3);
    view->sendBackward();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g3.get(), g4.get(), g2.get()}));
    undo().closeEventGroup();
    undo().undo();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g2.get(), g3.get(), g4.get()}));

    // An empty selection changes nothing and enables nothing.
    view->clearSelection();
    EXPECT_FALSE(view->canMoveForward());
    EXPECT_FALSE(view->canSendToBack());
    view->bringToFront();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g2.get(), g3.get(), g4.get()}));
}

TEST_F(RectsViewObjects, StackingSeesOnlyTheCurrentPageAndLayer)
{
    auto g1 = add({0, 0, 50, 50});
    auto background = add({0, 0, 50, 50}, 0);
    auto g2 = add({10, 10, 50, 50});
    auto other = ColorRect::create({0, 0, 10, 10});
    other->setPageName(QStringLiteral("HorizontalBack"));
    view->addGraphic(other);
    undo().closeEventGroup();

    EXPECT_EQ(view->layerGraphics(), (GraphicList{g1, g2}));
    view->selectRect(g1);
    view->selectRect(background);
    view->selectRect(other);
    EXPECT_EQ(view->selectedObjects(), (GraphicList{g1}));
    view->bringToFront();
    EXPECT_EQ(order(), (QList<ColorRect *>{background.get(), g2.get(), g1.get(), other.get()}));
}

TEST_F(RectsViewObjects, RemovalAndInsertionUndoRestoreTheListAndTheSelection)
{
    auto g1 = add({0, 0, 50, 50});
    auto g2 = add({10, 10, 50, 50});
    undo().closeEventGroup();

    view->removeGraphicAtIndex(0);
    undo().closeEventGroup();
    EXPECT_EQ(order(), (QList<ColorRect *>{g2.get()}));
    undo().undo();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g2.get()}));
    // The recorded inverse of the deselection is a selection.
    EXPECT_TRUE(view->isSelected(g1.get()));

    auto g3 = ColorRect::create({0, 0, 5, 5});
    g3->setPageName(QStringLiteral("HorizontalFront"));
    view->insertGraphic(g3, 99);
    undo().closeEventGroup();
    EXPECT_EQ(order().last(), g3.get());
    EXPECT_EQ(g3->mainView(), static_cast<CanvasServices *>(view.get()));
    undo().undo();
    EXPECT_EQ(order(), (QList<ColorRect *>{g1.get(), g2.get()}));
}

TEST_F(RectsViewObjects, SelectionQueriesAreThreeState)
{
    auto g1 = add({0, 0, 50, 50});
    auto g2 = add({10, 10, 50, 50});
    EXPECT_EQ(view->getSelectedLineWidth(), 0.0f);
    EXPECT_EQ(view->getSelectedFillState(), 0);
    g1->setStrokeLineWidth(2.0f);
    g2->setStrokeLineWidth(1.0f);
    view->selectRect(g1);
    view->selectRect(g2);
    EXPECT_EQ(view->getSelectedLineWidth(), 1.0f);
    EXPECT_EQ(view->getSelectedFillState(), 1);
    g2->setDrawsFill(false);
    EXPECT_EQ(view->getSelectedFillState(), -1);
    g1->setLocked(true);
    EXPECT_EQ(view->isSelectedLocked(), -1);
    EXPECT_TRUE(view->canSelectedMove());
    view->lock(0);
    EXPECT_EQ(view->isSelectedLocked(), 1);
    EXPECT_FALSE(view->canSelectedMove());
}

TEST_F(RectsViewObjects, HitTestingFindsTheFrontGraphicOfThePageAndLayer)
{
    auto back = add({0, 0, 100, 100});
    auto front = add({50, 50, 100, 100});
    EXPECT_EQ(view->objectUnderPoint({75, 75}), front);
    EXPECT_EQ(view->objectUnderPoint({75, 75}, front.get()), back);
    EXPECT_EQ(view->objectUnderPoint({25, 25}), back);
    EXPECT_EQ(view->objectUnderPoint({300, 300}), nullptr);

    // Another layer is not hit.
    layers.setSelectedSegment(0);
    EXPECT_EQ(view->objectUnderPoint({75, 75}), nullptr);
    layers.setSelectedSegment(1);
    side.setSelectedSegment(1);
    EXPECT_EQ(view->objectUnderPoint({75, 75}), nullptr);
}

TEST_F(RectsViewObjects, ObjectsDrawInLayerOrder)
{
    auto a = add({0, 0, 10, 10}, 1);
    auto b = add({0, 0, 10, 10}, 0);
    auto c = add({0, 0, 10, 10}, 1);
    const GraphicList sorted = sortedByLayer(view->getRects());
    EXPECT_EQ(sorted, (GraphicList{b, a, c}));
    EXPECT_LT(compareGraphicsByLayer(a, c, view->getRects()), 0);
    EXPECT_EQ(compareGraphicsByLayer(a, a, view->getRects()), 0);
}

} // namespace
