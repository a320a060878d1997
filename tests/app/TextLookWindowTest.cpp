// Text keeps its look in the window: every face chosen in the font panel comes back after the
// design is saved and opened again, a design stored before faces were kept still opens with
// its faces, and text typed over a selection takes the look of the first selected character.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "app/AppTestSupport.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextFlow.h"
#include "platform/Archiver.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

// Families every test machine has (fonts-urw-base35 and fonts-dejavu-core).
const QStringList FaceFamilies = {"P052", "URW Bookman", "Nimbus Sans", "C059", "DejaVu Sans", "DejaVu Serif"};

// The face a font is drawn with, and what the text keeps of it.
struct Face
{
    QString family, styleName;
    int weight = 0;
    bool italic = false;
    QString drawnFamily, drawnStyle;
    int drawnWeight = 0;
    bool drawnItalic = false;

    static Face of(const QFont &font)
    {
        const QFontInfo drawn(font);
        return {font.family(), font.styleName(), font.weight(), font.italic(),
                drawn.family(), drawn.styleName(), drawn.weight(), drawn.italic()};
    }
    bool operator==(const Face &) const = default;
    std::string text() const
    {
        return QStringLiteral("%1 '%2' %3%4 drawn as %5 '%6' %7%8")
            .arg(family, styleName).arg(weight).arg(italic ? " italic" : "")
            .arg(drawnFamily, drawnStyle).arg(drawnWeight).arg(drawnItalic ? " italic" : "")
            .toStdString();
    }
};

class TextLook : public ::testing::Test
{
protected:
    TextLook() : f(QStringLiteral("text-look")) {}

    RectsView *canvas() const { return f.canvas(); }
    // A text box drawn with the rectangle tool and given its text.
    GraphicPtr textBox(const QRectF &frame, const QList<std::pair<QString, QFont>> &runs)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        QTextDocument contents;
        QTextCursor cursor(&contents);
        for (const auto &[text, font] : runs) {
            QTextCharFormat format;
            format.setFont(font);
            cursor.insertText(text, format);
        }
        box->setContents(contents);
        return box;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(canvas(), Qt::Key(key), modifiers);
        apptest::settle();
    }
    void save(const QString &path)
    {
        f.prompts->queuePath(path);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
        ASSERT_TRUE(QFileInfo::exists(path));
        ASSERT_FALSE(canvas()->isChanged());
    }
    void open(const QString &path)
    {
        f.prompts->clear();
        f.prompts->queuePath(path);
        f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
        ASSERT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    }
    // The page point of a character of a text box's first line.
    QPointF pointOfCharacter(const GraphicPtr &box, int position)
    {
        TextFlow *flow = box->layoutText();
        const TextFlow::Line &line = flow->lines().front();
        const QTextLine textLine = flow->blockLayout(line.block)->lineAt(line.lineNumber);
        return box->frameBounds().topLeft() + flow->blockLayout(line.block)->position()
            + QPointF(textLine.cursorToX(position), textLine.y() + textLine.height() / 2);
    }

    apptest::WindowFixture f;
};

TEST_F(TextLook, EveryFaceChosenInTheFontPanelComesBackAfterSaveAndOpen)
{
    // Each face in a box of its own, chosen in the panel both ways a font dialog is given a
    // font: by its style name, and by family, weight and slant.
    QList<std::pair<std::string, QFont>> chosen;
    for (const QString &installed : FaceFamilies) {
        // The family as the panel lists it: with its foundry when several foundries have it
        // ("URW Bookman [urw]").
        QString family = installed;
        for (const QString &listed : QFontDatabase::families()) {
            if (listed.startsWith(installed + QStringLiteral(" ["))) {
                family = listed;
                break;
            }
        }
        const QStringList styles = QFontDatabase::styles(family);
        ASSERT_GE(styles.size(), 4) << family.toStdString();
        for (const QString &style : styles) {
            chosen.append({(family + " " + style + " named").toStdString(), QFontDatabase::font(family, style, 12)});
            QFont traits(family, 12);
            traits.setWeight(QFont::Weight(QFontDatabase::weight(family, style)));
            traits.setItalic(QFontDatabase::italic(family, style));
            chosen.append({(family + " " + style + " by traits").toStdString(), traits});
        }
    }
    // A grid of small boxes on the label, each holding "Ag" in the test font.
    constexpr int Columns = 9;
    auto frameOf = [](int i) { return QRectF(2 + (i % Columns) * 32, 2 + (i / Columns) * 17, 28, 14); };
    ASSERT_LE(chosen.size(), Columns * 8);
    GraphicList boxes;
    for (int i = 0; i < chosen.size(); ++i)
        boxes.append(textBox(frameOf(i), {{QStringLiteral("Ag"), qmtest::testFont(12)}}));

    f.tool(RectsView::SelectTool)->trigger();
    f.click(frameOf(0).center());
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Show Fonts"));
    auto *panel = f.window->findChild<QFontDialog *>(QStringLiteral("FontPanel"));
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->isVisible());
    QList<Face> set;
    for (int i = 0; i < chosen.size(); ++i) {
        f.click(frameOf(i).center());
        ASSERT_EQ(canvas()->selectedObjects(), GraphicList{boxes[i]}) << chosen[i].first;
        // As a user picks it: the family first (which keeps the text's own face), then the face.
        panel->setCurrentFont(QFont(chosen[i].second.family(), 12));
        apptest::settle();
        panel->setCurrentFont(chosen[i].second);
        apptest::settle();
        const Face face = Face::of(apptest::fontAt(boxes[i], 1));
        // The text shows the face the panel shows.
        EXPECT_EQ(face.drawnFamily, QFontInfo(panel->currentFont()).family()) << chosen[i].first;
        EXPECT_EQ(face.drawnStyle, QFontInfo(panel->currentFont()).styleName()) << chosen[i].first;
        if (chosen[i].first.ends_with(" named")) {
            EXPECT_EQ(face.drawnStyle, chosen[i].second.styleName()) << chosen[i].first;
        }
        set.append(face);
    }
    panel->close();

    const QString path = qmtest::freshDir(QStringLiteral("text-look-files")) + QStringLiteral("/Faces.qkdoc");
    save(path);
    open(path);
    const GraphicList opened = canvas()->getRects();
    ASSERT_EQ(opened.size(), chosen.size());
    for (int i = 0; i < chosen.size(); ++i) {
        EXPECT_NE(opened[i], boxes[i]);
        ASSERT_EQ(opened[i]->textStorage()->toPlainText(), QStringLiteral("Ag"));
        const Face back = Face::of(apptest::fontAt(opened[i], 1));
        EXPECT_EQ(back, set[i]) << chosen[i].first << ": " << back.text() << " instead of " << set[i].text();
        EXPECT_EQ(apptest::fontAt(opened[i], 1).pointSizeF(), 12.0) << chosen[i].first;
    }
}

TEST_F(TextLook, ADesignStoredBeforeFacesWereKeptOpensWithItsFaces)
{
    textBox(QRectF(10, 10, 200, 40), {{QStringLiteral("Roman "), qmtest::testFont(12)}});
    const QString folder = qmtest::freshDir(QStringLiteral("text-look-old"));
    save(folder + QStringLiteral("/Saved.qkdoc"));

    // The same design with its text in the form the earlier version wrote: per run the
    // family, size, weight and slant, and the document's font without a face.
    QVariantMap document = PropertyList::readFile(folder + QStringLiteral("/Saved.qkdoc")).toMap();
    QVariantList objects = document.value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), 1);
    auto run = [](const QString &text, const QString &family, qint64 weight, bool italic) {
        return QVariantMap{{"Text", text}, {"Family", family}, {"Families", QStringList{family}}, {"Size", 16.0},
                           {"Weight", weight}, {"Italic", italic}};
    };
    const QVariantMap block{{"Alignment", qint64(Qt::AlignLeft)},
                            {"CharFormat", QVariantMap{}},
                            {"Runs", QVariantList{run("Roman ", "P052", 500, false), run("Italic ", "P052", 400, true),
                                                  run("Demi", "URW Bookman", 600, false)}}};
    QFont documentFont(QStringLiteral("Nimbus Sans"), 12);
    const QByteArray oldText = Archiver::archive(
        QStringLiteral("QMText"), {{"Blocks", QVariantList{block}}, {"DefaultFont", Archiver::archiveFont(documentFont)}});
    QVariantMap object = objects.first().toMap();
    object.insert(QStringLiteral("Text"), oldText);
    objects[0] = object;
    document.insert(QStringLiteral("ObjectsList"), objects);
    const QString old = folder + QStringLiteral("/Old.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(old, document, PlistFormat::Binary));

    open(old);
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const GraphicPtr box = canvas()->getRects().first();
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Roman Italic Demi"));
    const QFontInfo roman(apptest::fontAt(box, 0)), italic(apptest::fontAt(box, 6)), demi(apptest::fontAt(box, 13));
    EXPECT_TRUE(roman.family().startsWith(QStringLiteral("P052"))) << roman.family().toStdString();
    EXPECT_EQ(roman.styleName(), QStringLiteral("Roman"));
    EXPECT_EQ(italic.styleName(), QStringLiteral("Italic"));
    EXPECT_TRUE(italic.italic());
    EXPECT_TRUE(demi.family().startsWith(QStringLiteral("URW Bookman"))) << demi.family().toStdString();
    EXPECT_EQ(demi.styleName(), QStringLiteral("Demi"));
    EXPECT_EQ(apptest::fontAt(box, 0).pointSizeF(), 16.0);
    EXPECT_EQ(box->textStorage()->defaultFont().family(), QStringLiteral("Nimbus Sans"));

    // Saved again by this version and opened: the same faces.
    f.prompts->queueSaveOfType(folder + QStringLiteral("/Again.qkdoc"), 0);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    ASSERT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Again.qkdoc")));
    open(folder + QStringLiteral("/Again.qkdoc"));
    const GraphicPtr again = canvas()->getRects().first();
    for (int at : {0, 6, 13})
        EXPECT_EQ(Face::of(apptest::fontAt(again, at)), Face::of(apptest::fontAt(box, at))) << at;
}

TEST_F(TextLook, TypingOverASelectionTakesTheLookOfItsFirstCharacter)
{
    const QFont big = QFontDatabase::font(QStringLiteral("DejaVu Serif"), QStringLiteral("Bold"), 20);
    const QFont small = QFontDatabase::font(QStringLiteral("Nimbus Sans"), QStringLiteral("Italic"), 10);
    const GraphicPtr box = textBox(QRectF(20, 20, 240, 60), {{QStringLiteral("Big "), big}, {QStringLiteral("small"), small}});
    f.editText(QPointF(140, 50));
    ASSERT_EQ(canvas()->editedObject(), box);

    // Selected forwards with Shift and the arrow keys, from "Big" into "small": the typed
    // text takes Big's face, not the last selected character's.
    key(Qt::Key_Home);
    key(Qt::Key_Right, Qt::ShiftModifier, 7);
    ASSERT_EQ(ObjectTextEditor::current()->selectionStart(), 0);
    ASSERT_EQ(ObjectTextEditor::current()->selectionEnd(), 7);
    QTest::keyClicks(canvas(), QStringLiteral("X"));
    apptest::settle();
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Xll"));
    EXPECT_EQ(Face::of(apptest::fontAt(box, 0)), Face::of(big));
    EXPECT_EQ(apptest::fontAt(box, 0).pointSizeF(), 20.0);
    EXPECT_EQ(Face::of(apptest::fontAt(box, 1)), Face::of(small));
    // One undo brings the selected text back as it was.
    f.trigger(QStringLiteral("Edit"), f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->text());
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Big small"));
    EXPECT_EQ(Face::of(apptest::fontAt(box, 4)), Face::of(small));

    // Selected backwards from the end over "small": the typed text takes small's face, not
    // that of the space before the selection.
    key(Qt::Key_End);
    key(Qt::Key_Left, Qt::ShiftModifier, 5);
    ASSERT_EQ(ObjectTextEditor::current()->selectionStart(), 4);
    QTest::keyClicks(canvas(), QStringLiteral("Y"));
    apptest::settle();
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Big Y"));
    EXPECT_EQ(Face::of(apptest::fontAt(box, 4)), Face::of(small));
    EXPECT_EQ(apptest::fontAt(box, 4).pointSizeF(), 10.0);

    // Selected with the mouse, dragged from inside "Big" into "Y": the first selected
    // character is Big's "i".
    const QPointF from = pointOfCharacter(box, 1);
    const QPointF to = pointOfCharacter(box, 5);
    f.mouse(QEvent::MouseButtonPress, from);
    f.mouse(QEvent::MouseMove, (from + to) / 2);
    f.mouse(QEvent::MouseMove, to);
    f.mouse(QEvent::MouseButtonRelease, to);
    apptest::settle();
    ASSERT_EQ(canvas()->editedObject(), box);
    ASSERT_EQ(ObjectTextEditor::current()->selectionStart(), 1);
    ASSERT_EQ(ObjectTextEditor::current()->selectionEnd(), 5);
    QTest::keyClicks(canvas(), QStringLiteral("Z"));
    apptest::settle();
    ASSERT_EQ(box->textStorage()->toPlainText(), QStringLiteral("BZ"));
    EXPECT_EQ(Face::of(apptest::fontAt(box, 1)), Face::of(big));
}

} // namespace
