// The text flow: lines placed in the fragments of the boxes of a chain, the character range
// of each box, overflow, and the chain operations of the objects that own the boxes.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

#include "common/TestSupport.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/ObjectFactory.h"
#include "objects/TextFlow.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

std::shared_ptr<QTextDocument> document(const QString &text, qreal size = 12)
{
    auto doc = std::make_shared<QTextDocument>();
    doc->setDefaultFont(qmtest::testFont(size));
    doc->setPlainText(text);
    return doc;
}

QString words(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("word%1").arg(i);
    return list.join(QLatin1Char(' '));
}

std::shared_ptr<ColorRect> textBox(qmtest::FakeCanvas &canvas, const QRectF &frame)
{
    auto box = ColorRect::create(frame);
    box->setMainView(&canvas);
    box->setPageName(canvas.pageName);
    canvas.rects.append(box);
    return box;
}

} // namespace

TEST(TextFlow, LinesFillOneBoxWithPaddingAndPointUnits)
{
    auto doc = document(QStringLiteral("Hello\nworld"));
    TextFlow flow(doc);
    TextContainer box(QSizeF(200, 100));
    flow.insertContainer(&box, -1);
    flow.layout();
    ASSERT_EQ(flow.lines().size(), 2u);
    const TextFlow::Line &first = flow.lines()[0];
    const TextFlow::Line &second = flow.lines()[1];
    EXPECT_EQ(first.fragment, QRectF(0, 0, 200, first.fragment.height()));
    // A 12 point font is about 14 points high at any screen resolution.
    EXPECT_GT(first.fragment.height(), 12.0);
    EXPECT_LT(first.fragment.height(), 16.0);
    EXPECT_EQ(flow.blockLayout(0)->lineAt(0).position(), QPointF(5, 0));
    EXPECT_DOUBLE_EQ(flow.blockLayout(0)->lineAt(0).width(), 190.0);
    EXPECT_NEAR(second.fragment.y(), first.fragment.height(), 0.01);
    EXPECT_EQ(flow.characterRange(0), std::make_pair(0, 11));
    EXPECT_FALSE(flow.hasOverflow());
}

TEST(TextFlow, TextRunsThroughTheChainAndOverflowsTheLast)
{
    auto doc = document(words(60));
    TextFlow flow(doc);
    TextContainer a(QSizeF(120, 30)), b(QSizeF(120, 30)), c(QSizeF(120, 30));
    flow.insertContainer(&a, -1);
    flow.insertContainer(&b, -1);
    flow.layout();
    const auto ra = flow.characterRange(0);
    const auto rb = flow.characterRange(1);
    EXPECT_EQ(ra.first, 0);
    EXPECT_GT(ra.second, 0);
    EXPECT_EQ(rb.first, ra.first + ra.second);
    EXPECT_GT(rb.second, 0);
    EXPECT_TRUE(flow.hasOverflow());

    // A third box between the two takes the text the second box showed.
    flow.insertContainer(&c, 1);
    flow.layout();
    EXPECT_EQ(flow.characterRange(1), rb);
    EXPECT_EQ(flow.characterRange(2).first, rb.first + rb.second);

    // Enough room: no overflow, and the last range ends with the text.
    TextContainer big(QSizeF(400, 1000));
    TextFlow roomy(doc);
    roomy.insertContainer(&big, -1);
    roomy.layout();
    EXPECT_FALSE(roomy.hasOverflow());
    EXPECT_EQ(roomy.characterRange(0), std::make_pair(0, doc->characterCount() - 1));
}

TEST(TextFlow, ParagraphsPastTheLastBoxComeBackWhenTheBoxGrows)
{
    // Many paragraphs in a box that shows two of them: the rest overflow, and every line
    // placed when the box grows can be drawn and hit like the first ones.
    QStringList paragraphs;
    for (int i = 0; i < 2000; ++i)
        paragraphs << QStringLiteral("line %1").arg(i);
    auto doc = document(paragraphs.join(QLatin1Char('\n')));
    TextFlow flow(doc);
    TextContainer box(QSizeF(200, 30));
    flow.insertContainer(&box, -1);
    EXPECT_TRUE(flow.layoutIfNeeded());
    EXPECT_TRUE(flow.hasOverflow());
    EXPECT_EQ(flow.lines().size(), 2u);
    EXPECT_EQ(flow.blockLayout(1999), nullptr);

    box.setContainerSize(QSizeF(200, 1e6));
    EXPECT_TRUE(flow.layoutIfNeeded());
    EXPECT_FALSE(flow.hasOverflow());
    ASSERT_EQ(flow.lines().size(), 2000u);
    const TextFlow::Line &last = flow.lines().back();
    ASSERT_NE(flow.blockLayout(last.block), nullptr);
    EXPECT_EQ(flow.blockLayout(last.block)->text(), QStringLiteral("line 1999"));
    EXPECT_EQ(flow.characterRange(0), std::make_pair(0, doc->characterCount() - 1));
    QImage image(200, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    flow.draw(&painter, 0, QPointF());
}

TEST(TextFlow, EmptyTextNeverOverflows)
{
    auto doc = document(QString());
    TextFlow flow(doc);
    TextContainer tiny(QSizeF(100, 2));
    flow.insertContainer(&tiny, -1);
    flow.layout();
    EXPECT_FALSE(flow.hasOverflow());
    TextFlow none(doc);
    none.layout();
    EXPECT_FALSE(none.hasOverflow());
}

TEST(TextFlow, RowSplitByAnObstacleHoldsLinesOnBothSides)
{
    auto object = ColorRect::create(QRectF(0, 0, 300, 200));
    NSTextWrapContainer wrap(QSizeF(300, 200));
    wrap.setGraphicObject(object.get());
    wrap.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(120, -10, 60, 400))});
    auto doc = document(words(30));
    TextFlow flow(doc);
    flow.insertContainer(&wrap, -1);
    flow.layout();
    ASSERT_GE(flow.lines().size(), 4u);
    EXPECT_EQ(flow.lines()[0].fragment.x(), 0);
    EXPECT_EQ(flow.lines()[0].fragment.width(), 120);
    EXPECT_EQ(flow.lines()[1].fragment.x(), 180);
    EXPECT_EQ(flow.lines()[1].fragment.y(), flow.lines()[0].fragment.y());
    EXPECT_GT(flow.lines()[2].fragment.y(), flow.lines()[0].fragment.y());
    // No line reaches into the obstacle.
    for (const TextFlow::Line &line : flow.lines()) {
        const QTextLine textLine = flow.blockLayout(line.block)->lineAt(line.lineNumber);
        const qreal left = textLine.position().x();
        const qreal right = left + textLine.naturalTextWidth();
        EXPECT_TRUE(right <= 120 || left >= 180) << left << " " << right;
    }
}

TEST(TextFlow, DrawsEachBoxItsOwnLines)
{
    auto doc = document(QStringLiteral("MMMM MMMM MMMM MMMM"), 20);
    TextFlow flow(doc);
    TextContainer a(QSizeF(80, 30)), b(QSizeF(80, 30));
    flow.insertContainer(&a, -1);
    flow.insertContainer(&b, -1);
    flow.layout();
    QImage image(200, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    flow.draw(&painter, 1, QPointF(100, 50));
    painter.end();
    auto inkIn = [&](const QRect &area) {
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    };
    EXPECT_EQ(inkIn(QRect(0, 0, 100, 100)), 0);
    EXPECT_GT(inkIn(QRect(100, 50, 80, 30)), 20);
}

TEST(TextChain, LinkingPutsBoxesInOrder)
{
    qmtest::FakeCanvas canvas;
    auto a = textBox(canvas, QRectF(0, 0, 100, 40));
    auto b = textBox(canvas, QRectF(0, 100, 100, 40));
    auto c = textBox(canvas, QRectF(0, 200, 100, 40));
    auto d = textBox(canvas, QRectF(0, 300, 100, 40));

    b->setTextLink(a.get(), true);
    EXPECT_EQ(a->textContainers(), (QList<TextContainer *>{a->textContainer(), b->textContainer()}));
    EXPECT_EQ(b->textStorage(), a->textStorage());
    EXPECT_EQ(b->firstTextView(), a.get());

    // Behind a middle box inserts; behind the last appends.
    c->setTextLink(a.get(), true);
    EXPECT_EQ(a->textContainers(),
              (QList<TextContainer *>{a->textContainer(), c->textContainer(), b->textContainer()}));
    // Next NO puts the box first even when the clicked box is not the first.
    d->setTextLink(b.get(), false);
    EXPECT_EQ(a->textContainers().first(), d->textContainer());
    EXPECT_EQ(c->firstTextView(), d.get());

    c->unlink();
    EXPECT_EQ(a->textContainers(),
              (QList<TextContainer *>{d->textContainer(), a->textContainer(), b->textContainer()}));
    EXPECT_NE(c->textStorage(), a->textStorage());
    EXPECT_EQ(c->textContainers().size(), 1);
    // A box alone stays as it is.
    QTextDocument *own = c->textStorage();
    c->unlink();
    EXPECT_EQ(c->textStorage(), own);

    // A disposed box leaves the chain.
    TextContainer *gone = b->textContainer();
    canvas.rects.removeAll(b);
    b.reset();
    EXPECT_FALSE(a->textContainers().contains(gone));
    EXPECT_EQ(a->textContainers().size(), 2);
}

TEST(TextChain, EachBoxShowsItsRangeAndTheLastOverflows)
{
    qmtest::FakeCanvas canvas;
    auto first = textBox(canvas, QRectF(0, 0, 120, 32));
    auto second = textBox(canvas, QRectF(200, 0, 120, 32));
    first->textStorage()->setDefaultFont(qmtest::testFont(12));
    first->textStorage()->setPlainText(words(40));
    second->setTextLink(first.get(), true);

    const auto r1 = first->textCharacterRange();
    const auto r2 = second->textCharacterRange();
    EXPECT_EQ(r1.first, 0);
    EXPECT_EQ(r2.first, r1.first + r1.second);
    EXPECT_GT(r2.second, 0);
    // Only the last box reports the overflow.
    EXPECT_FALSE(first->hasOverflow());
    EXPECT_TRUE(second->hasOverflow());

    second->setFrameBounds(QRectF(200, 0, 400, 400));
    EXPECT_FALSE(second->hasOverflow());
}

TEST(TextChain, ABoxDrawnBeforeAnEarlierBoxThatChangedShowsItsRightText)
{
    qmtest::FakeCanvas canvas;
    auto first = textBox(canvas, QRectF(0, 0, 120, 32));
    auto second = textBox(canvas, QRectF(0, 100, 120, 60));
    first->setDrawsFill(false);
    second->setDrawsFill(false);
    first->textStorage()->setDefaultFont(qmtest::testFont(12));
    first->textStorage()->setPlainText(words(30));
    second->setTextLink(first.get(), true);
    const int before = first->textCharacterRange().second;

    // The first box grows; the second is drawn before the first is drawn again.
    first->setFrameBounds(QRectF(0, 0, 120, 64));
    auto render = [&] {
        QImage image(200, 200, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        second->drawFrame(&painter, QRectF(0, 0, 200, 200), false);
        return image;
    };
    const QImage drawnFirst = render();
    const auto shown = second->textFlow()->characterRange(1);
    const auto firstNow = first->textCharacterRange();
    EXPECT_GT(firstNow.second, before);
    EXPECT_EQ(shown.first, firstNow.first + firstNow.second);
    // Drawn again after the first box, the second box looks the same.
    EXPECT_EQ(render(), drawnFirst);
}

TEST(TextChain, ABoxLeavesItsChainAndComesBackToItsPlace)
{
    qmtest::FakeCanvas canvas;
    auto a = textBox(canvas, QRectF(0, 0, 100, 30));
    auto b = textBox(canvas, QRectF(0, 100, 100, 30));
    auto c = textBox(canvas, QRectF(0, 200, 100, 30));
    a->textStorage()->setDefaultFont(qmtest::testFont(12));
    a->textStorage()->setPlainText(words(30));
    b->setTextLink(a.get(), true);
    c->setTextLink(b.get(), true);
    const QList<TextContainer *> chain = a->textContainers();
    QTextDocument *text = a->textStorage();

    // The middle box: the others close up, the box keeps an empty text of its own.
    const ColorRect::TextChainPlace middle = b->leaveTextChain();
    ASSERT_TRUE(middle.isValid());
    EXPECT_EQ(a->textContainers(), (QList<TextContainer *>{a->textContainer(), c->textContainer()}));
    EXPECT_NE(b->textStorage(), text);
    EXPECT_TRUE(b->textStorage()->isEmpty());
    EXPECT_EQ(c->textCharacterRange().first, a->textCharacterRange().second);
    b->rejoinTextChain(middle);
    EXPECT_EQ(a->textContainers(), chain);
    EXPECT_EQ(b->textStorage(), text);

    // The first box: the text starts in the second.
    const ColorRect::TextChainPlace head = a->leaveTextChain();
    EXPECT_EQ(b->firstTextView(), b.get());
    EXPECT_EQ(b->textCharacterRange().first, 0);
    a->rejoinTextChain(head);
    EXPECT_EQ(b->firstTextView(), a.get());
    EXPECT_EQ(a->textContainers(), chain);

    // A box alone has no place to go back to; a place is not taken twice.
    auto d = textBox(canvas, QRectF(0, 300, 100, 30));
    EXPECT_FALSE(d->leaveTextChain().isValid());
    a->rejoinTextChain(head);
    EXPECT_EQ(a->textContainers(), chain);
}

TEST(TextChain, AStoredChainStartsWithABoxThatIsStored)
{
    qmtest::FakeCanvas canvas;
    auto a = textBox(canvas, QRectF(0, 0, 100, 30));
    auto b = textBox(canvas, QRectF(0, 100, 100, 30));
    auto c = textBox(canvas, QRectF(0, 200, 100, 30));
    b->setTextLink(a.get(), true);
    c->setTextLink(b.get(), true);
    const ColorRect::GraphicList all = {a, b, c};
    EXPECT_EQ(a->linkedTextViewsString(all), "1,2");
    EXPECT_TRUE(b->linkedTextViewsString(all).isNull());

    // Without the first box the chain is written by the first box that is written.
    const ColorRect::GraphicList rest = {c, b};
    EXPECT_TRUE(a->linkedTextViewsString(rest).isNull());
    EXPECT_EQ(b->linkedTextViewsString(rest), "0");
    EXPECT_TRUE(c->linkedTextViewsString(rest).isNull());
    EXPECT_TRUE(c->linkedTextViewsString({c}).isNull());
}

// A chain's text is stored once, by the box that writes the chain; read back, every box shows
// it, also from forms of earlier versions in which every box carried the whole text.
TEST(TextChain, AChainStoresItsTextOnceAndReadsEarlierFormsOnce)
{
    registerObjectKinds();
    qmtest::FakeCanvas canvas;
    auto a = textBox(canvas, QRectF(0, 0, 100, 30));
    auto b = textBox(canvas, QRectF(0, 100, 100, 30));
    auto c = textBox(canvas, QRectF(0, 200, 100, 30));
    auto alone = textBox(canvas, QRectF(0, 300, 100, 30));
    a->textStorage()->setPlainText(QStringLiteral("one two three four five six seven eight nine ten"));
    alone->textStorage()->setPlainText(QStringLiteral("alone"));
    b->setTextLink(a.get(), true);
    c->setTextLink(b.get(), true);
    const QByteArray empty = ColorRect::create()->propertyListRepresentation().value(QStringLiteral("Text")).toByteArray();

    const ColorRect::GraphicList all = {c, alone, a, b};
    const ColorRect::LinkedTextPlaces places(all);
    QVariantList forms;
    for (const auto &graphic : all)
        forms.append(graphic->propertyListRepresentation(&all, &places));
    auto text = [](const QVariant &form) { return form.toMap().value(QStringLiteral("Text")).toByteArray(); };
    EXPECT_GT(text(forms[2]).size(), empty.size());
    EXPECT_EQ(text(forms[0]), empty);
    EXPECT_EQ(text(forms[3]), empty);
    EXPECT_GT(text(forms[1]).size(), empty.size());
    EXPECT_EQ(forms[2].toMap().value(QStringLiteral("FirstTextView")).toString(), QStringLiteral("3,0"));
    // Without a list of objects each box writes what it shows, as a copy of one box must.
    EXPECT_EQ(b->propertyListRepresentation().value(QStringLiteral("Text")).toByteArray(), text(forms[2]));

    // Only the boxes a first box lists take their text from it.
    EXPECT_EQ(ColorRect::textsFromChains(PropertyListArray(forms)), (std::vector<bool>{true, false, false, true}));

    // Forms of earlier versions: every box of the chain carries the whole text; a list naming
    // boxes that are not there, or the box itself, takes no text away.
    QVariantList earlier = forms;
    for (const int follower : {0, 3}) {
        QVariantMap form = earlier[follower].toMap();
        form.insert(QStringLiteral("Text"), text(forms[2]));
        earlier[follower] = form;
    }
    QVariantMap odd = earlier[1].toMap();
    odd.insert(QStringLiteral("FirstTextView"), QStringLiteral("1,9,-2,x"));
    earlier[1] = odd;
    EXPECT_EQ(ColorRect::textsFromChains(PropertyListArray(earlier)), (std::vector<bool>{true, false, false, true}));
    for (const QVariantList &stored : {forms, earlier}) {
        const std::vector<bool> fromChain = ColorRect::textsFromChains(PropertyListArray(stored));
        ColorRect::GraphicList made;
        for (qsizetype i = 0; i < stored.size(); ++i) {
            QVariantMap form = stored[i].toMap();
            if (fromChain[size_t(i)])
                ColorRect::dropChainText(form);
            made.append(ColorRect::graphicWithPropertyListRepresentation(form));
            made.last()->setMainView(&canvas);
        }
        ColorRect::relinkTextChains(made);
        EXPECT_EQ(made[2]->textContainers().size(), 3);
        for (const int box : {0, 2, 3}) {
            EXPECT_EQ(made[box]->textStorage(), made[2]->textStorage());
            EXPECT_EQ(made[box]->firstTextView(), made[2].get());
        }
        EXPECT_EQ(made[2]->textStorage()->toPlainText(), a->textStorage()->toPlainText());
        EXPECT_EQ(made[1]->textStorage()->toPlainText(), QStringLiteral("alone"));
    }
}

TEST(TextRunaround, ObstaclesComeFromObjectsAboveOnTheSamePageAndLayer)
{
    qmtest::FakeCanvas canvas;
    auto below = textBox(canvas, QRectF(0, 0, 10, 10));
    below->setRunaroundState(1);
    auto text = textBox(canvas, QRectF(0, 0, 300, 300));
    auto off = textBox(canvas, QRectF(20, 20, 10, 10));
    auto otherLayer = textBox(canvas, QRectF(40, 40, 10, 10));
    otherLayer->setObjectLayer(0);
    otherLayer->setRunaroundState(1);
    auto otherPage = textBox(canvas, QRectF(60, 60, 10, 10));
    otherPage->setPageName(QStringLiteral("VerticalFront"));
    otherPage->setRunaroundState(1);
    auto above = textBox(canvas, QRectF(100, 100, 50, 20));
    above->setRunaroundState(1);
    auto turned = textBox(canvas, QRectF(200, 200, 40, 20));
    turned->setRunaroundState(1);
    turned->setAngle(90, false);

    const QList<BezierPath> paths = text->getBezierPaths();
    ASSERT_EQ(paths.size(), 2);
    // Topmost first.
    const QRectF t = paths[0].bounds();
    EXPECT_NEAR(t.left(), 210, 1e-6);
    EXPECT_NEAR(t.top(), 190, 1e-6);
    EXPECT_NEAR(t.width(), 20, 1e-6);
    EXPECT_NEAR(t.height(), 40, 1e-6);
    EXPECT_EQ(paths[1].bounds(), QRectF(100, 100, 50, 20));
    // An obstacle above that does not reach the box crosses none of its lines: left out.
    EXPECT_TRUE(above->getBezierPaths().isEmpty());
    turned->setAngle(0, false);
    turned->setFrameBounds(QRectF(120, 110, 40, 20));
    EXPECT_EQ(above->getBezierPaths().size(), 1);
}

TEST(TextRunaround, SettersAreUndoable)
{
    qmtest::FakeCanvas canvas;
    auto box = textBox(canvas, QRectF(0, 0, 50, 50));
    box->setRunaroundState(1);
    box->setRunaroundMode(2);
    canvas.undo.closeEventGroup();
    EXPECT_EQ(canvas.undo.undoActionName(), "Text Runaround");
    canvas.undo.undo();
    EXPECT_EQ(box->getRunaroundState(), 0);
    EXPECT_EQ(box->getRunaroundMode(), 0);
    canvas.undo.redo();
    EXPECT_EQ(box->getRunaroundState(), 1);
    EXPECT_EQ(box->getRunaroundMode(), 2);
}

TEST(TextRunaround, TextFlowsAroundTheObjectAbove)
{
    qmtest::FakeCanvas canvas;
    auto text = textBox(canvas, QRectF(0, 0, 300, 100));
    text->textStorage()->setDefaultFont(qmtest::testFont(12));
    text->textStorage()->setPlainText(words(20));
    auto obstacle = textBox(canvas, QRectF(100, -20, 60, 200));
    obstacle->setRunaroundState(1);
    TextFlow *flow = text->layoutText();
    ASSERT_GE(flow->lines().size(), 2u);
    EXPECT_EQ(flow->lines()[0].fragment.width(), 100);
    EXPECT_EQ(flow->lines()[1].fragment.x(), 160);
}

namespace {

// Whether every placed line begins at the start of a word and ends behind one: no word is
// split across pieces or rows. Answers the first line that splits one.
std::optional<QString> splitWord(const TextFlow &flow)
{
    const QString text = flow.document()->toPlainText();
    auto wordCharacter = [&](int at) { return at >= 0 && at < text.size() && !text.at(at).isSpace(); };
    for (const TextFlow::Line &line : flow.lines()) {
        const int end = line.start + line.length;
        if ((wordCharacter(line.start - 1) && wordCharacter(line.start)) || (wordCharacter(end - 1) && wordCharacter(end)))
            return text.mid(line.start, line.length);
    }
    return std::nullopt;
}

// The number of rows that an obstacle splits into lines side by side.
int splitRows(const TextFlow &flow)
{
    int rows = 0;
    for (size_t i = 1; i < flow.lines().size(); ++i)
        rows += flow.lines()[i].fragment.y() == flow.lines()[i - 1].fragment.y();
    return rows;
}

} // namespace

TEST(TextRunaround, WordsStayWholeBesideAnOvalAndATurnedSquare)
{
    registerObjectKinds();
    const QString text = QStringLiteral("Runaround text flows around the oval and the square, the words kept whole. ").repeated(6)
        + QStringLiteral("Runaround ").repeated(20);
    for (const int size : {12, 16, 21}) {
        qmtest::FakeCanvas canvas;
        auto box = textBox(canvas, QRectF(0, 0, 300, 900));
        box->textStorage()->setDefaultFont(qmtest::testFont(size));
        box->textStorage()->setPlainText(text);
        auto oval = ColorOval::create(QRectF(70, 20, 130, 110));
        oval->setMainView(&canvas);
        oval->setPageName(canvas.pageName);
        canvas.rects.append(oval);
        oval->setRunaroundState(1);
        auto square = textBox(canvas, QRectF(150, 200, 80, 80));
        square->setAngle(45, false);
        square->setRunaroundState(1);

        const TextFlow *flow = box->layoutText();
        ASSERT_GT(flow->lines().size(), 10u);
        EXPECT_GT(splitRows(*flow), 4) << size;
        EXPECT_EQ(splitWord(*flow).value_or(QString()), QString()) << size;
        EXPECT_FALSE(flow->hasOverflow()) << size;
        // Beside the oval and beside the square, lines on both sides.
        bool besideOval = false, besideSquare = false;
        for (const TextFlow::Line &line : flow->lines()) {
            besideOval |= line.fragment.x() >= 150 && line.fragment.bottom() < 130;
            besideSquare |= line.fragment.x() == 0 && line.fragment.width() < 180 && line.fragment.top() > 200
                && line.fragment.bottom() < 290;
        }
        EXPECT_TRUE(besideOval) << size;
        EXPECT_TRUE(besideSquare) << size;
    }
}

TEST(TextRunaround, APieceTooNarrowForOneCharacterIsSkipped)
{
    // The obstacle leaves 12 points at the left: less than one character beside the padding.
    auto object = ColorRect::create(QRectF(0, 0, 300, 200));
    NSTextWrapContainer wrap(QSizeF(300, 200));
    wrap.setGraphicObject(object.get());
    wrap.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(12, -10, 150, 400))});
    auto doc = document(QStringLiteral("a ").repeated(40));
    TextFlow flow(doc);
    flow.insertContainer(&wrap, -1);
    flow.layout();
    ASSERT_FALSE(flow.lines().empty());
    for (const TextFlow::Line &line : flow.lines())
        EXPECT_GE(line.fragment.x(), 162) << line.start;
}

TEST(TextRunaround, AWordThatFitsNoPieceIsBrokenAndTheRestGoesOnWhole)
{
    // Both pieces beside the obstacle are 100 points wide; the word is wider than either.
    auto object = ColorRect::create(QRectF(0, 0, 300, 200));
    NSTextWrapContainer wrap(QSizeF(300, 200));
    wrap.setGraphicObject(object.get());
    wrap.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(100, -10, 100, 400))});
    auto doc = document(QStringLiteral("Incomprehensibilities and words"), 16);
    TextFlow flow(doc);
    flow.insertContainer(&wrap, -1);
    flow.layout();
    ASSERT_GE(flow.lines().size(), 2u);
    EXPECT_FALSE(flow.hasOverflow());
    // The word is broken in the first piece and goes on in the next; the words after it are
    // whole.
    EXPECT_EQ(flow.lines()[0].start, 0);
    EXPECT_EQ(flow.lines()[0].fragment.x(), 0);
    EXPECT_LT(flow.lines()[0].length, 22);
    const QString text = doc->toPlainText();
    for (size_t i = 1; i < flow.lines().size(); ++i) {
        const TextFlow::Line &line = flow.lines()[i];
        if (line.start >= 22) {
            EXPECT_TRUE(text.at(line.start - 1).isSpace()) << text.mid(line.start, line.length).toStdString();
        }
    }
}

namespace {

// Records which label-shape paths the object asks for.
class LabelShapeCanvas : public qmtest::FakeCanvas
{
public:
    bool printing = false;
    bool byType = false;
    mutable QList<std::pair<int, QString>> asked;

    BezierPath bezierPath(int type, const QString &labelType) const override
    {
        asked.append({type, labelType});
        return BezierPath::bezierPathWithRect(QRectF(type * 10, 0, 5, 5));
    }
    bool isPrinting() const override { return printing; }
    bool drawByType() const override { return byType; }
};

} // namespace

TEST(TextRunaround, LabelShapeWrapAddsTheThreeLabelPaths)
{
    registerObjectKinds();
    LabelShapeCanvas canvas;
    QVariantMap stored = ColorRect::create(QRectF(0, 0, 100, 100))->propertyListRepresentation();
    stored.insert(QStringLiteral("TextWrap"), QStringLiteral("YES"));
    auto box = ColorRect::graphicWithPropertyListRepresentation(stored);
    ASSERT_TRUE(box);
    box->setPageName(QStringLiteral("Address label 12"));
    box->setMainView(&canvas);
    canvas.rects.append(box);

    // On the screen the canvas's current label applies.
    EXPECT_EQ(box->getBezierPaths().size(), 3);
    ASSERT_EQ(canvas.asked.size(), 3);
    EXPECT_EQ(canvas.asked[0], std::make_pair(0, QString()));
    EXPECT_EQ(canvas.asked[2].first, 2);

    // Printing by position drops the label number from the page name.
    canvas.asked.clear();
    canvas.printing = true;
    box->getBezierPaths();
    EXPECT_EQ(canvas.asked[1], std::make_pair(1, QStringLiteral("Address label")));
    canvas.asked.clear();
    canvas.byType = true;
    box->getBezierPaths();
    EXPECT_EQ(canvas.asked[1].second, "Address label 12");
}

TEST(TextChain, AWordTooWideForOneBoxGoesWholeToTheNext)
{
    // "Incomprehensibilities" at 16 points is about 160 points wide: too wide for the first
    // box, narrow enough for the second.
    auto doc = document(QStringLiteral("Hi Incomprehensibilities and more"), 16);
    const QString text = doc->toPlainText();
    const int word = int(text.indexOf(QStringLiteral("Incomprehensibilities")));
    {
        TextFlow flow(doc);
        TextContainer narrow(QSizeF(60, 200)), wide(QSizeF(300, 200));
        flow.insertContainer(&narrow, -1);
        flow.insertContainer(&wide, -1);
        flow.layout();
        EXPECT_FALSE(flow.hasOverflow());
        EXPECT_EQ(splitWord(flow).value_or(QString()), QString());
        EXPECT_EQ(flow.characterRange(0).first, 0);
        EXPECT_EQ(flow.characterRange(0).first + flow.characterRange(0).second, word);
        EXPECT_EQ(flow.characterRange(1).first, word);
        ASSERT_FALSE(flow.lines().empty());
        EXPECT_EQ(flow.lines().back().container, 1);
    }
    {
        // Beside an obstacle the first box has only 100-point pieces left, though its rows are
        // wide: the word still goes whole to the next box instead of being broken beside it.
        auto object = ColorRect::create(QRectF(0, 0, 300, 60));
        NSTextWrapContainer wrap(QSizeF(300, 60));
        wrap.setGraphicObject(object.get());
        wrap.setAroundBezierPaths({BezierPath::bezierPathWithRect(QRectF(100, -10, 100, 400))});
        TextContainer next(QSizeF(300, 200));
        TextFlow flow(doc);
        flow.insertContainer(&wrap, -1);
        flow.insertContainer(&next, -1);
        flow.layout();
        EXPECT_FALSE(flow.hasOverflow());
        EXPECT_EQ(splitWord(flow).value_or(QString()), QString());
        EXPECT_EQ(flow.characterRange(1).first, word);
    }
    {
        // No box of the chain holds it: it is broken where it meets the first box, as before.
        TextFlow flow(doc);
        TextContainer a(QSizeF(60, 200)), b(QSizeF(80, 200));
        flow.insertContainer(&a, -1);
        flow.insertContainer(&b, -1);
        flow.layout();
        ASSERT_GE(flow.lines().size(), 2u);
        EXPECT_EQ(flow.lines()[1].container, 0);
        EXPECT_EQ(flow.lines()[1].start, word);
        EXPECT_LT(flow.lines()[1].length, 21);
    }
}

namespace {

// A paragraph of tens of thousands of characters in runs of several sizes, with a stretch of
// spaces where `spacesAt` says, ending in `last`.
std::shared_ptr<QTextDocument> longParagraph(int runs, int spacesAt, const QString &last)
{
    auto doc = std::make_shared<QTextDocument>();
    doc->setDefaultFont(qmtest::testFont(10));
    QTextCursor cursor(doc.get());
    for (int i = 0; i < runs; ++i) {
        QTextCharFormat format;
        format.setFontPointSize(7 + i % 6);
        format.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);
        cursor.insertText(i == spacesAt ? QString(12000, QLatin1Char(' ')) : QStringLiteral("run%1 ").arg(i % 97), format);
        if (i % 50 == 49)
            cursor.insertText(QStringLiteral("Averyveryveryveryveryveryveryveryveryverylongwordthatbreaksanywhere "), format);
    }
    cursor.insertText(last);
    return doc;
}

struct PlacedLines
{
    std::vector<std::tuple<int, int, int, QRectF, qreal>> lines;
    std::vector<std::pair<int, int>> ranges;
    bool overflow = false;
};

PlacedLines placedLines(const std::shared_ptr<QTextDocument> &doc, const QList<QSizeF> &boxes)
{
    TextFlow flow(doc);
    std::vector<std::unique_ptr<TextContainer>> containers;
    for (const QSizeF &size : boxes) {
        containers.push_back(std::make_unique<TextContainer>(size));
        flow.insertContainer(containers.back().get(), -1);
    }
    flow.layout();
    PlacedLines placed;
    for (const TextFlow::Line &line : flow.lines())
        placed.lines.emplace_back(line.container, line.start, line.length, line.fragment,
                                  flow.blockLayout(line.block)->lineAt(line.lineNumber).naturalTextWidth());
    for (int c = 0; c < boxes.size(); ++c)
        placed.ranges.push_back(flow.characterRange(c));
    placed.overflow = flow.hasOverflow();
    return placed;
}

} // namespace

TEST(TextFlow, ALongParagraphShowsInItsBoxesWhatItsWholeLayoutShows)
{
    // A letter running right to left at its very end has the paragraph laid out whole; without
    // it the layout takes a part of the paragraph. Near the start, where the boxes are, both
    // place the same lines in the same places, whatever the boxes hold: a few lines, a chain
    // whose last box takes more than the first part, a stretch of spaces across the part's
    // end, or all of the paragraph.
    const QString hebrew = QString(QChar(0x05D0));
    const struct
    {
        const char *name;
        int spacesAt;
        QList<QSizeF> boxes;
    } cases[] = {{"a small box", -1, {QSizeF(180, 90)}},
                 {"a chain ending in a large box", -1, {QSizeF(120, 40), QSizeF(900, 1400)}},
                 {"spaces across the part's end", 700, {QSizeF(900, 900)}},
                 {"a box holding all of it", -1, {QSizeF(2000, 26000)}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const PlacedLines part = placedLines(longParagraph(2600, c.spacesAt, QStringLiteral("z")), c.boxes);
        const PlacedLines whole = placedLines(longParagraph(2600, c.spacesAt, hebrew), c.boxes);
        ASSERT_FALSE(part.lines.empty());
        // The last character differs, and so may the line holding it.
        const bool allShown = !whole.overflow;
        EXPECT_EQ(part.overflow, whole.overflow);
        const size_t compared = allShown ? whole.lines.size() - 1 : whole.lines.size();
        ASSERT_EQ(part.lines.size(), whole.lines.size());
        for (size_t i = 0; i < compared; ++i)
            ASSERT_EQ(part.lines[i], whole.lines[i]) << i;
        EXPECT_EQ(part.ranges, whole.ranges);
    }
}
