// Linked text boxes through the whole window: boxes chosen with the mouse, deleted with the
// Edit menu, the design saved and opened again through the File menu, and undone.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QSet>
#include <QTextDocument>

#include <plist/plist.h>

#include <cstdlib>

#include "app/AllKinds.h"
#include "app/AppTestSupport.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/PlistutilReader.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/TextFlow.h"
#include "platform/PropertyList.h"
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

class LinkedTextWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        // As the program's entry does before it builds the window.
        registerAllKinds();
        window = std::make_unique<MainWindow>();
        window->resize(1200, 900);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    RectsView *canvas() { return window->canvas(); }

    QAction *action(const QString &menuTitle, const QString &text)
    {
        for (QAction *top : window->menuBar()->actions()) {
            if (!top->menu() || top->text() != menuTitle)
                continue;
            for (QAction *item : top->menu()->actions()) {
                // Undo and Redo carry the name of their step ("Undo Remove Object").
                if (item->text() == text || item->text().startsWith(text + QLatin1Char(' ')))
                    return item;
            }
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }
    void trigger(const QString &menuTitle, const QString &text)
    {
        QAction *item = action(menuTitle, text);
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(item->isEnabled()) << text.toStdString();
        item->trigger();
        canvas()->undoManager()->closeEventGroup();
    }

    // Three boxes down the page, one text running through them.
    void makeChain()
    {
        for (int i = 0; i < 3; ++i) {
            auto box = ColorRect::create(QRectF(40, 40 + 80 * i, 130, 32));
            box->setPageName(canvas()->getCurrPageName());
            canvas()->addGraphic(box);
            boxes.append(box);
        }
        boxes[0]->textStorage()->setDefaultFont(qmtest::testFont(12));
        boxes[0]->textStorage()->setPlainText(words(40));
        boxes[1]->setTextLink(boxes[0].get(), true);
        boxes[2]->setTextLink(boxes[1].get(), true);
        canvas()->undoManager()->removeAllActions();
        canvas()->wasChanged(true);
        for (const auto &box : boxes)
            ranges.append(box->textCharacterRange());
        ASSERT_GT(ranges[2].second, 0);
    }

    void clickOn(const ColorRect &box)
    {
        const QPoint at = canvas()->pageToWidget().map(box.frameBounds().center()).toPoint();
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::NoModifier, at);
        canvas()->undoManager()->closeEventGroup();
    }

    void expectChainAsMade()
    {
        EXPECT_EQ(boxes[0]->textContainers().size(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(boxes[i]->textCharacterRange(), ranges[i]) << i;
    }

    std::unique_ptr<MainWindow> window;
    GraphicList boxes;
    QList<ColorRect::TextRange> ranges;
    qmtest::ScopedTestPrompts prompts;
};

TEST_F(LinkedTextWindowTest, DeletingLinkedBoxesKeepsTheTextWholeThroughSaveAndOpen)
{
    makeChain();

    // The first box goes: the text starts in the second.
    clickOn(*boxes[0]);
    ASSERT_EQ(canvas()->selectedObjects().size(), 1);
    trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    ASSERT_EQ(canvas()->getRects().size(), 2);
    EXPECT_EQ(boxes[1]->firstTextView(), boxes[1].get());
    EXPECT_EQ(boxes[1]->textCharacterRange(), ranges[0]);
    EXPECT_EQ(boxes[2]->textCharacterRange(), ranges[1]);
    trigger(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_EQ(canvas()->getRects().size(), 3);
    expectChainAsMade();

    // The middle box goes: the text runs on from the first into the last.
    clickOn(*boxes[1]);
    trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    EXPECT_EQ(boxes[0]->textCharacterRange(), ranges[0]);
    EXPECT_EQ(boxes[2]->textCharacterRange(), ranges[1]);

    // Saved, the design holds the chain of the two boxes left, starting with the first.
    const QString path = qmtest::freshDir(QStringLiteral("linkedwindow")) + QStringLiteral("/chain.qkdoc");
    prompts->queuePath(path);
    trigger(QStringLiteral("File"), QStringLiteral("Save"));
    const QVariantMap stored = PropertyList::readFile(path).toMap();
    const QVariantList objects = stored.value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), 2);
    EXPECT_EQ(objects[0].toMap().value(QStringLiteral("FirstTextView")).toString(), QStringLiteral("1"));
    EXPECT_FALSE(objects[1].toMap().contains(QStringLiteral("FirstTextView")));

    // Opened in a second window, the two boxes show the text as they did when saved.
    MainWindow second;
    prompts->queuePath(path);
    QAction *open = nullptr;
    for (QAction *top : second.menuBar()->actions())
        if (top->menu() && top->text() == QLatin1String("File"))
            for (QAction *item : top->menu()->actions())
                if (item->text() == QLatin1String("Open..."))
                    open = item;
    ASSERT_NE(open, nullptr);
    open->trigger();
    const GraphicList reopened = second.canvas()->getRects();
    ASSERT_EQ(reopened.size(), 2);
    EXPECT_EQ(reopened[1]->firstTextView(), reopened[0].get());
    EXPECT_EQ(reopened[0]->textStorage()->toPlainText(), words(40));
    EXPECT_EQ(reopened[0]->textCharacterRange(), ranges[0]);
    EXPECT_EQ(reopened[1]->textCharacterRange(), ranges[1]);

    // Back in the first window, undo puts the middle box back in its place.
    trigger(QStringLiteral("Edit"), QStringLiteral("Undo"));
    expectChainAsMade();
}

TEST_F(LinkedTextWindowTest, ASavedDesignWithoutItsFirstBoxStartsTheChainWithTheNext)
{
    makeChain();
    clickOn(*boxes[0]);
    trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    const QString path = qmtest::freshDir(QStringLiteral("linkedwindow2")) + QStringLiteral("/chain.qkdoc");
    prompts->queuePath(path);
    trigger(QStringLiteral("File"), QStringLiteral("Save"));

    prompts->queuePath(path);
    trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    const GraphicList reopened = canvas()->getRects();
    ASSERT_EQ(reopened.size(), 2);
    EXPECT_EQ(reopened[1]->firstTextView(), reopened[0].get());
    EXPECT_EQ(reopened[0]->textCharacterRange(), ranges[0]);
    EXPECT_EQ(reopened[1]->textCharacterRange(), ranges[1]);
}

// A design as earlier versions wrote a chain, made with libplist rather than the program's own
// writer: the first box lists the others, and every box carries the chain's whole text, a
// paragraph a line.
void writeEarlierChain(const QString &page, const QString &path, int boxes, const QStringList &lines)
{
    plist_t blocks = plist_new_array();
    for (const QString &line : lines) {
        plist_t run = plist_new_dict();
        plist_dict_set_item(run, "Text", plist_new_string(line.toUtf8().constData()));
        plist_t runs = plist_new_array();
        plist_array_append_item(runs, run);
        plist_t block = plist_new_dict();
        plist_dict_set_item(block, "Runs", runs);
        plist_array_append_item(blocks, block);
    }
    plist_t archive = plist_new_dict();
    plist_dict_set_item(archive, "$class", plist_new_string("QMText"));
    plist_dict_set_item(archive, "$version", plist_new_uint(1));
    plist_dict_set_item(archive, "Blocks", blocks);
    char *text = nullptr;
    uint32_t textLength = 0;
    plist_to_bin(archive, &text, &textLength);
    plist_free(archive);
    ASSERT_NE(text, nullptr);

    plist_t objects = plist_new_array();
    for (int i = 0; i < boxes; ++i) {
        plist_t form = plist_new_dict();
        plist_dict_set_item(form, "Class", plist_new_string("ColorRect"));
        const QByteArray bounds = QStringLiteral("{{%1, %2}, {130, 36}}").arg(20 + (i % 4) * 140).arg(20 + (i / 4) * 40).toLatin1();
        plist_dict_set_item(form, "Bounds", plist_new_string(bounds.constData()));
        plist_dict_set_item(form, "PageName", plist_new_string(page.toUtf8().constData()));
        plist_dict_set_item(form, "Layer", plist_new_string("1"));
        plist_dict_set_item(form, "IsText", plist_new_string("YES"));
        plist_dict_set_item(form, "Text", plist_new_data(text, textLength));
        if (i == 0 && boxes > 1) {
            QStringList others;
            for (int k = 1; k < boxes; ++k)
                others << QString::number(k);
            plist_dict_set_item(form, "FirstTextView", plist_new_string(others.join(QLatin1Char(',')).toLatin1().constData()));
        }
        plist_array_append_item(objects, form);
    }
    std::free(text);
    plist_t document = plist_new_dict();
    plist_dict_set_item(document, "DocumentVersion", plist_new_string("1.0.0"));
    plist_dict_set_item(document, "DrawByType", plist_new_string("YES"));
    plist_dict_set_item(document, "Measurements", plist_new_string("Inches"));
    plist_dict_set_item(document, "ObjectsList", objects);
    plist_dict_set_item(document, "GroupsList", plist_new_array());
    // One label of the whole sheet.
    plist_t label = plist_new_dict();
    for (const auto &[key, value] : {std::pair{"name", "Full Sheet"}, {"width", "8.00"}, {"height", "10.00"},
                                     {"number", "1"}, {"number_down", "1"}, {"units", "1"}, {"shape", "1"}})
        plist_dict_set_item(label, key, plist_new_string(value));
    plist_t labels = plist_new_array();
    plist_array_append_item(labels, label);
    plist_dict_set_item(document, "TLabel", labels);
    char *data = nullptr;
    uint32_t length = 0;
    plist_to_bin(document, &data, &length);
    plist_free(document);
    ASSERT_NE(data, nullptr);
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(data, length) == qint64(length);
    std::free(data);
    ASSERT_TRUE(written);
}

// The characters of an archived text as plistutil reads it, its paragraphs joined by newlines.
QString archivedText(const QByteArray &archive, const QString &scratch)
{
    const QVariantMap root = qmtest::readWithPlistutil(archive, scratch).toMap();
    EXPECT_EQ(root.value(QStringLiteral("$class")).toString(), QStringLiteral("QMText"));
    QStringList paragraphs;
    for (const QVariant &block : root.value(QStringLiteral("Blocks")).toList()) {
        QString paragraph;
        for (const QVariant &run : block.toMap().value(QStringLiteral("Runs")).toList())
            paragraph += run.toMap().value(QStringLiteral("Text")).toString();
        paragraphs << paragraph;
    }
    return paragraphs.join(QLatin1Char('\n'));
}

// Every box of `boxes` shows its part of one text, in order, the whole text shown.
void expectOneChain(const GraphicList &boxes, const QString &text)
{
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.first()->textStorage()->toPlainText(), text);
    EXPECT_EQ(boxes.first()->textContainers().size(), boxes.size());
    int next = 0;
    for (const GraphicPtr &box : boxes) {
        EXPECT_EQ(box->firstTextView(), boxes.first().get());
        EXPECT_EQ(box->textStorage(), boxes.first()->textStorage());
        const ColorRect::TextRange range = box->textCharacterRange();
        if (range.second > 0) {
            EXPECT_EQ(range.first, next);
            next = range.first + range.second;
        }
    }
    EXPECT_FALSE(boxes.last()->hasOverflow());
    EXPECT_GE(next, int(text.size()) - 1);
}

// A chain of earlier versions, whose every box carried the whole text, opens with its text in
// every box; saved, it stores the text once (read back by plistutil) and opens again as it was;
// duplicated, the copies form a chain of their own.
TEST_F(LinkedTextWindowTest, AChainOfEarlierVersionsOpensWholeAndIsSavedWithItsTextOnce)
{
    constexpr int Boxes = 60;
    QStringList lines;
    for (int i = 1; i <= Boxes; ++i)
        lines << QStringLiteral("Line %1 of the chain").arg(i);
    const QString text = lines.join(QLatin1Char('\n'));
    const QString dir = qmtest::freshDir(QStringLiteral("linked-earlier"));
    const QString path = dir + QStringLiteral("/earlier.qkdoc");
    writeEarlierChain(canvas()->getCurrPageName(), path, Boxes, lines);

    prompts->queuePath(path);
    trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    const GraphicList opened = canvas()->getRects();
    ASSERT_EQ(opened.size(), Boxes);
    expectOneChain(opened, text);

    canvas()->wasChanged(true);
    trigger(QStringLiteral("File"), QStringLiteral("Save"));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QVariant savedForm = qmtest::readWithPlistutil(saved.readAll(), QStringLiteral("linked-earlier-saved"));
    const QVariantList objects = savedForm.toMap().value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), Boxes);
    QStringList others;
    for (int i = 1; i < Boxes; ++i)
        others << QString::number(i);
    EXPECT_EQ(objects.first().toMap().value(QStringLiteral("FirstTextView")).toString(), others.join(QLatin1Char(',')));
    EXPECT_EQ(archivedText(objects.first().toMap().value(QStringLiteral("Text")).toByteArray(),
                           QStringLiteral("linked-earlier-first")),
              text);
    // The boxes behind the first carry no text of their own: one archive, read once.
    QSet<QByteArray> behind;
    for (int i = 1; i < Boxes; ++i) {
        behind.insert(objects[i].toMap().value(QStringLiteral("Text")).toByteArray());
        EXPECT_FALSE(objects[i].toMap().contains(QStringLiteral("FirstTextView"))) << i;
    }
    ASSERT_EQ(behind.size(), 1);
    EXPECT_EQ(archivedText(*behind.cbegin(), QStringLiteral("linked-earlier-behind")), QString());

    prompts->queuePath(path);
    trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    expectOneChain(canvas()->getRects(), text);

    trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    const GraphicList both = canvas()->getRects();
    ASSERT_EQ(both.size(), 2 * Boxes);
    expectOneChain(both.mid(0, Boxes), text);
    expectOneChain(both.mid(Boxes), text);
    EXPECT_NE(both.first()->textStorage(), both.last()->textStorage());

    // The copies go in one step and come back as the chain they were, and go again.
    trigger(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_EQ(canvas()->getRects(), both.mid(0, Boxes));
    expectOneChain(canvas()->getRects(), text);
    trigger(QStringLiteral("Edit"), QStringLiteral("Redo"));
    ASSERT_EQ(canvas()->getRects(), both);
    expectOneChain(both.mid(0, Boxes), text);
    expectOneChain(both.mid(Boxes), text);
    EXPECT_EQ(canvas()->selectedObjects().size(), Boxes);
    trigger(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_EQ(canvas()->getRects(), both.mid(0, Boxes));
    expectOneChain(canvas()->getRects(), text);
}

// A chain made with the mouse as a user makes it: a narrow box with a word in it, its
// next-box mark clicked and a wide box dragged out. A word typed on that is too wide for the
// narrow box but not for the wide one goes whole into the wide box, the caret with it, and the
// narrow box shows only the word before it.
TEST(LinkedTextWindow, AWordTooWideForTheFirstBoxGoesWholeIntoTheNext)
{
    apptest::WindowFixture f(QStringLiteral("linked-long-word"));
    RectsView *canvas = f.canvas();
    const QRectF narrow(4, 6, 44, 60);
    f.drawRect(narrow);
    const GraphicPtr first = canvas->getRects().last();
    f.editText(narrow.center());
    ASSERT_EQ(canvas->editedObject(), first);
    QTest::keyClicks(canvas, QStringLiteral("Hi"));
    f.click(QPointF(120, 62));
    ASSERT_FALSE(canvas->editedObject());
    f.click(narrow.center());
    ASSERT_EQ(canvas->selectedObjects().size(), 1);
    f.click(QPointF(narrow.right(), narrow.bottom() - 5.0 - 0.1 * narrow.height()));
    const QRectF wide(54, 6, 130, 40);
    f.dragFromTo(wide.topLeft(), wide.bottomRight());
    ASSERT_EQ(canvas->getRects().size(), 2);
    const GraphicPtr second = canvas->getRects().last();
    ASSERT_EQ(first->textContainers().size(), 2);
    ASSERT_EQ(second->firstTextView(), first.get());

    f.editText(QPointF(narrow.left() + 4, narrow.top() + 6));
    ASSERT_EQ(canvas->editedObject(), first);
    QTest::keyClick(canvas, Qt::Key_End, Qt::ControlModifier);
    const QString word = QStringLiteral("Incomprehensibilities");
    QTest::keyClicks(canvas, QLatin1Char(' ') + word);
    apptest::settle();
    const QString text = first->textStorage()->toPlainText();
    ASSERT_EQ(text, QStringLiteral("Hi ") + word);
    // The word is wider than the narrow box and narrower than the wide one.
    const qreal width = TextFlow::fontMetrics(apptest::fontAt(first, 3)).horizontalAdvance(word);
    ASSERT_GT(width, narrow.width());
    ASSERT_LT(width, wide.width() - 20);

    EXPECT_EQ(first->textCharacterRange(), ColorRect::TextRange(0, 3));
    EXPECT_EQ(second->textCharacterRange(), ColorRect::TextRange(3, int(word.size())));
    EXPECT_FALSE(second->hasOverflow());
    // The caret stands behind the word, in the wide box.
    EXPECT_TRUE(second->frameBounds().contains(canvas->caretRect().center()));

    // On the canvas once editing ends: the narrow box holds nothing right of "Hi", the wide
    // box the whole word on its first line.
    f.click(QPointF(120, 62));
    apptest::settle();
    const QImage shot = canvas->grab().toImage();
    auto darkest = [&](const QRectF &page) {
        const QRect area = canvas->pageToWidget().mapRect(page).toAlignedRect();
        const qreal ratio = shot.devicePixelRatio();
        int dark = 255;
        for (int y = int(area.top() * ratio); y < int(area.bottom() * ratio); ++y)
            for (int x = int(area.left() * ratio); x < int(area.right() * ratio); ++x)
                if (shot.rect().contains(x, y))
                    dark = std::min(dark, qGray(shot.pixel(x, y)));
        return dark;
    };
    const qreal hiWidth = TextFlow::fontMetrics(apptest::fontAt(first, 0)).horizontalAdvance(QStringLiteral("Hi"));
    EXPECT_LT(darkest(QRectF(narrow.left() + 2, narrow.top() + 2, hiWidth + 8, 10)), 120);
    EXPECT_GT(darkest(QRectF(narrow.left() + hiWidth + 14, narrow.top() + 2, narrow.width() - hiWidth - 18,
                             narrow.height() - 4)),
              200);
    EXPECT_LT(darkest(QRectF(wide.left() + width - 20, wide.top() + 2, 18, 10)), 120);
}

} // namespace
