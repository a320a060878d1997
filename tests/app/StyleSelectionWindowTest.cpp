// Every command that sets a trait or an attribute of a selection gives the whole selection one
// state, each run keeping what the command does not set, and undoes as one step that puts every
// run back. The commands are found in the window: the items of the Format menu's submenus that
// the menu enables for the selection, the faces, a size and the lines of the font panel, and the
// Text page's size, colour and alignment. The selections mix every attribute: an edited box's
// whole text, an edited oval's, edited shaped text, a chain of linked boxes edited, selected
// boxes and selected linked boxes. What each command left is read from the saved design by
// plistutil.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <functional>
#include <optional>

#include "app/AppTestSupport.h"
#include "common/PlistutilReader.h"
#include "foundation/SegmentedControl.h"
#include "inspector/NumberField.h"
#include "objects/ColorOval.h"
#include "objects/ObjectTextEditor.h"
#include "platform/ColorWell.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

// One run of the mixed text: every attribute a command sets differs from run to run.
struct MixedRun
{
    QString text;
    QString family;
    double size;
    QFont::Weight weight;
    bool italic;
    bool underline;
    QColor color;
};

// "Alpha Beta " regular and upright, "Beta" italic; "Gamma" bold italic underlined, "Delta"
// bold; two paragraphs, centred and right-aligned.
const QList<QList<MixedRun>> MixedText = {
    {{QStringLiteral("Alpha "), QStringLiteral("DejaVu Sans"), 12, QFont::Normal, false, false, Qt::black},
     {QStringLiteral("Beta "), QStringLiteral("DejaVu Serif"), 14, QFont::Normal, true, false, Qt::red}},
    {{QStringLiteral("Gamma"), QStringLiteral("DejaVu Sans"), 12, QFont::Bold, true, true, Qt::blue},
     {QStringLiteral(" Delta"), QStringLiteral("DejaVu Serif"), 10, QFont::Bold, false, false, Qt::darkGreen}}};
const QList<Qt::Alignment> MixedAlignments = {Qt::AlignHCenter, Qt::AlignRight};

void fillMixed(ColorRect &object)
{
    QTextDocument contents;
    QTextCursor cursor(&contents);
    for (int p = 0; p < MixedText.size(); ++p) {
        QTextBlockFormat paragraph;
        paragraph.setAlignment(MixedAlignments[p]);
        if (p == 0)
            cursor.setBlockFormat(paragraph);
        else
            cursor.insertBlock(paragraph);
        for (const MixedRun &run : MixedText[p]) {
            QFont font(run.family);
            font.setPointSizeF(run.size);
            font.setWeight(run.weight);
            font.setItalic(run.italic);
            QTextCharFormat format;
            format.setFont(font);
            format.setFontUnderline(run.underline);
            format.setForeground(run.color);
            cursor.insertText(run.text, format);
        }
    }
    object.setContents(contents);
}

// A text as saved: each character's stored attributes and each paragraph's alignment.
struct SavedText
{
    QList<QVariantMap> characters;
    QList<int> alignments;
};

int weightOf(const QVariantMap &c)
{
    return c.contains(QStringLiteral("Weight")) ? c.value(QStringLiteral("Weight")).toString().toInt() : 400;
}
bool boldOf(const QVariantMap &c)
{
    return weightOf(c) > QFont::Medium;
}
bool italicOf(const QVariantMap &c)
{
    return c.value(QStringLiteral("Italic")).toBool();
}
double sizeOf(const QVariantMap &c)
{
    return c.value(QStringLiteral("Size")).toString().toDouble();
}
QString familyOf(const QVariantMap &c)
{
    const QVariantList families = c.value(QStringLiteral("Families")).toList();
    return families.isEmpty() ? c.value(QStringLiteral("Family")).toString() : families.first().toString();
}
bool underlineOf(const QVariantMap &c)
{
    return c.value(QStringLiteral("Underline")).toString().toInt() != 0;
}
bool strikeOf(const QVariantMap &c)
{
    return c.value(QStringLiteral("Strike")).toBool();
}
QByteArray colourOf(const QVariantMap &c)
{
    return c.value(QStringLiteral("Foreground")).toByteArray();
}

// What a command sets; what it does not set stays as each run had it.
struct Outcome
{
    enum Trait { NoTrait, Bold, Italic };
    // Bold and Italic: the trait for every run when any run lacked it, else for none.
    Trait trait = NoTrait;
    double sizeStep = 0.0;
    std::optional<double> size;
    std::optional<int> weight;
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<bool> strike;
    bool colour = false;
    std::optional<int> alignment;
};

// A command as the user gives it; `run` answers false when the window does not offer it for
// the selection.
struct Command
{
    QString name;
    std::function<bool()> run;
    Outcome outcome;
};

class StyleSelection : public ::testing::Test
{
protected:
    StyleSelection() : f(QStringLiteral("style-selection")) {}

    RectsView *canvas() const { return f.canvas(); }

    GraphicPtr mixedBox(const QRectF &frame)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        fillMixed(*box);
        return box;
    }
    GraphicPtr mixedOval(const QRectF &frame)
    {
        auto oval = ColorOval::create(frame);
        oval->setPageName(canvas()->getCurrPageName());
        canvas()->addGraphic(oval);
        fillMixed(*oval);
        return oval;
    }
    void editAll(const GraphicPtr &object)
    {
        canvas()->clearSelection();
        canvas()->selectRect(object);
        ASSERT_TRUE(canvas()->setEditableObject(object));
        QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
        apptest::settle();
        ASSERT_EQ(ObjectTextEditor::current()->selectionStart(), 0);
        ASSERT_EQ(ObjectTextEditor::current()->selectionEnd(), object->textStorage()->characterCount() - 1);
    }
    // Each object clicked, the others with Shift.
    void selectEach(const GraphicList &objects)
    {
        f.tool(RectsView::SelectTool)->trigger();
        for (int i = 0; i < objects.size(); ++i)
            f.click(objects[i]->frameBounds().center(), i == 0 ? Qt::NoModifier : Qt::ShiftModifier);
        ASSERT_EQ(canvas()->selectedObjects().size(), objects.size());
    }

    // The selections, each made afresh on an empty design.
    struct Selection
    {
        QString name;
        std::function<void()> make;
        // Shaped text is drawn in the object's fill colour: a text colour goes there.
        bool shaped = false;
    };
    QList<Selection> selections()
    {
        return {
            {QStringLiteral("edited box"), [this] { editAll(mixedBox(QRectF(20, 20, 220, 80))); }},
            {QStringLiteral("edited oval"), [this] { editAll(mixedOval(QRectF(20, 20, 200, 120))); }},
            {QStringLiteral("edited shaped text"),
             [this] {
                 const GraphicPtr box = mixedBox(QRectF(20, 20, 220, 80));
                 box->setPowerText(true);
                 editAll(box);
             },
             true},
            {QStringLiteral("edited linked boxes"),
             [this] {
                 const GraphicPtr first = mixedBox(QRectF(20, 20, 60, 30));
                 f.drawRect(QRectF(20, 80, 220, 80));
                 canvas()->getRects().last()->setTextLink(first.get(), true);
                 editAll(first);
             }},
            {QStringLiteral("selected boxes"),
             [this] { selectEach({mixedBox(QRectF(20, 20, 220, 60)), mixedBox(QRectF(20, 100, 220, 60))}); }},
            {QStringLiteral("selected linked boxes"),
             [this] {
                 const GraphicPtr first = mixedBox(QRectF(20, 20, 60, 30));
                 f.drawRect(QRectF(20, 80, 220, 80));
                 const GraphicPtr second = canvas()->getRects().last();
                 second->setTextLink(first.get(), true);
                 selectEach({first, second});
             }},
        };
    }

    // The commands the window offers, found in it: the Format menu's submenus' items (those that
    // open a panel or a dialog aside), the font panel's faces of the shown family, a size and
    // its lines, and the Text page's size, colour and alignment.
    QList<Command> commands()
    {
        QList<Command> found;
        for (QAction *top : f.window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Format"))
                continue;
            for (QAction *holder : top->menu()->actions()) {
                if (!holder->menu())
                    continue;
                for (QAction *item : holder->menu()->actions()) {
                    const QString key = item->toolTip();
                    if (item->isSeparator() || item->menu() || key.endsWith(QLatin1String("..."))
                        || key.startsWith(QLatin1String("Show ")))
                        continue;
                    QMenu *menu = holder->menu();
                    auto run = [menu, item] {
                        emit menu->aboutToShow();
                        if (!item->isEnabled())
                            return false;
                        item->trigger();
                        apptest::settle();
                        return true;
                    };
                    Outcome outcome;
                    if (key == QLatin1String("Bold"))
                        outcome.trait = Outcome::Bold;
                    else if (key == QLatin1String("Italic"))
                        outcome.trait = Outcome::Italic;
                    else if (key == QLatin1String("Bigger"))
                        outcome.sizeStep = 1.0;
                    else if (key == QLatin1String("Smaller"))
                        outcome.sizeStep = -1.0;
                    else if (key == QLatin1String("Align Left"))
                        outcome.alignment = Qt::AlignLeft;
                    else if (key == QLatin1String("Center"))
                        outcome.alignment = Qt::AlignHCenter;
                    else if (key == QLatin1String("Justify"))
                        outcome.alignment = Qt::AlignJustify;
                    else if (key == QLatin1String("Align Right"))
                        outcome.alignment = Qt::AlignRight;
                    else
                        ADD_FAILURE() << "a Format command the walk does not know: " << key.toStdString();
                    found.append({QStringLiteral("Format > ") + key, run, outcome});
                }
            }
        }

        // The font panel, opened while the first object was selected alone and kept open.
        found.append(panelCommands());

        auto *size = f.window->findChild<NumberField *>(QStringLiteral("tvTextSize"));
        auto *well = f.window->findChild<ColorWell *>(QStringLiteral("cwTextColor"));
        auto *alignment = f.window->findChild<SegmentedControl *>(QStringLiteral("scTextAilgn"));
        EXPECT_TRUE(size && well && alignment) << "the Text page's controls";
        if (!size || !well || !alignment)
            return found;
        Outcome sized;
        sized.size = 17.0;
        found.append({QStringLiteral("Text page size"),
                      [size] {
                          if (!size->isEnabled())
                              return false;
                          size->setText(QStringLiteral("17"));
                          emit size->valueEntered();
                          apptest::settle();
                          return true;
                      },
                      sized});
        Outcome coloured;
        coloured.colour = true;
        found.append({QStringLiteral("Text page colour"),
                      [well] {
                          if (!well->isEnabled())
                              return false;
                          well->takeColor(QColor(200, 120, 10));
                          apptest::settle();
                          return true;
                      },
                      coloured});
        const QList<Qt::Alignment> byCode = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter, Qt::AlignJustify};
        for (int segment = 0; segment < alignment->segmentCount(); ++segment) {
            Outcome aligned;
            aligned.alignment = int(byCode.value(alignment->segmentButton(segment)->property("tag").toInt()));
            found.append({QStringLiteral("Text page alignment %1").arg(segment),
                          [alignment, segment] {
                              if (!alignment->isEnabled())
                                  return false;
                              alignment->segmentButton(segment)->click();
                              apptest::settle();
                              return true;
                          },
                          aligned});
        }
        return found;
    }

    QFontDialog *fontPanel() const { return f.window->findChild<QFontDialog *>(QStringLiteral("FontPanel")); }
    static QListView *listHolding(QFontDialog *panel, const QString &row)
    {
        for (QListView *list : panel->findChildren<QListView *>())
            if (list->model() && !list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, row, 1,
                                                       Qt::MatchFixedString).isEmpty())
                return list;
        return nullptr;
    }

    // The faces of DejaVu Sans other than Book, the family and face the mixed text starts with;
    // a size; the panel's lines.
    QList<Command> panelCommands()
    {
        QList<Command> found;
        const QString family = QStringLiteral("DejaVu Sans");
        const QString shown = QStringLiteral("Book");
        for (const QString &style : QFontDatabase::styles(family)) {
            if (style == shown)
                continue;
            Outcome face;
            const QFont picked = QFontDatabase::font(family, style, 12);
            const QFont was = QFontDatabase::font(family, shown, 12);
            if (picked.weight() != was.weight())
                face.weight = picked.weight();
            if (picked.italic() != was.italic())
                face.italic = picked.italic();
            if (!face.weight && !face.italic)
                continue;
            found.append({QStringLiteral("font panel face ") + style, [this, style] { return pickInPanel(style, style); },
                          face});
        }
        Outcome sized;
        sized.size = 24.0;
        found.append({QStringLiteral("font panel size"), [this] { return pickInPanel(QStringLiteral("72"), QStringLiteral("24")); },
                      sized});
        for (const bool strike : {false, true}) {
            Outcome lined;
            (strike ? lined.strike : lined.underline) = true;
            found.append({strike ? QStringLiteral("font panel strikeout") : QStringLiteral("font panel underline"),
                          [this, strike] {
                              QFontDialog *panel = openPanel();
                              if (!panel)
                                  return false;
                              for (QCheckBox *box : panel->findChildren<QCheckBox *>()) {
                                  const QString text = box->text().remove(QLatin1Char('&'));
                                  if (text == (strike ? QLatin1String("Strikeout") : QLatin1String("Underline"))) {
                                      EXPECT_FALSE(box->isChecked()) << "the panel shows the first run's lines";
                                      box->click();
                                      apptest::settle();
                                      return true;
                                  }
                              }
                              ADD_FAILURE() << "the font panel has no line check box";
                              return false;
                          },
                          lined});
        }
        return found;
    }
    QFontDialog *openPanel()
    {
        QFontDialog *panel = fontPanel();
        if (!panel || !panel->isVisible())
            return nullptr;
        panel->raise();
        return panel;
    }
    bool pickInPanel(const QString &listRow, const QString &row)
    {
        QFontDialog *panel = openPanel();
        if (!panel)
            return false;
        QListView *list = listHolding(panel, listRow);
        EXPECT_NE(list, nullptr) << row.toStdString();
        if (!list)
            return false;
        const QModelIndexList at =
            list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, row, 1, Qt::MatchFixedString);
        EXPECT_FALSE(at.isEmpty()) << row.toStdString();
        if (at.isEmpty())
            return false;
        list->setCurrentIndex(at.first());
        apptest::settle();
        return true;
    }

    // The design saved (File > Save) and its texts read back by plistutil.
    QList<SavedText> saved()
    {
        if (!m_saved) {
            f.prompts->queuePath(m_path);
            m_saved = true;
        }
        canvas()->wasChanged(true);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << m_path.toStdString();
        QList<SavedText> texts;
        const QVariantList objects = qmtest::readWithPlistutil(file.readAll(), QStringLiteral("style-selection-plist"))
                                         .toMap()
                                         .value(QStringLiteral("ObjectsList"))
                                         .toList();
        for (const QVariant &object : objects) {
            const QByteArray archived = object.toMap().value(QStringLiteral("Text")).toByteArray();
            if (archived.isEmpty())
                continue;
            SavedText text;
            for (const QVariant &block : qmtest::readWithPlistutil(archived, QStringLiteral("style-selection-plist"))
                                             .toMap()
                                             .value(QStringLiteral("Blocks"))
                                             .toList()) {
                const QVariantMap paragraph = block.toMap();
                text.alignments.append(paragraph.value(QStringLiteral("Alignment")).toString().toInt()
                                       & int(Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute));
                for (const QVariant &entry : paragraph.value(QStringLiteral("Runs")).toList()) {
                    QVariantMap run = entry.toMap();
                    const QString characters = run.take(QStringLiteral("Text")).toString();
                    for (int i = 0; i < characters.size(); ++i)
                        text.characters.append(run);
                }
            }
            if (!text.characters.isEmpty())
                texts.append(text);
        }
        return texts;
    }

    apptest::WindowFixture f;
    const QString m_path = qmtest::freshDir(QStringLiteral("style-selection-doc")) + QStringLiteral("/Mixed.qkdoc");
    bool m_saved = false;
};

// Whether any character of the texts lacks the trait.
bool anyLacks(const QList<SavedText> &texts, Outcome::Trait trait)
{
    for (const SavedText &text : texts)
        for (const QVariantMap &c : text.characters)
            if (!(trait == Outcome::Bold ? boldOf(c) : italicOf(c)))
                return true;
    return false;
}

void expectOutcome(const QList<SavedText> &before, const QList<SavedText> &after, const Outcome &outcome)
{
    ASSERT_EQ(after.size(), before.size());
    const bool target = anyLacks(before, outcome.trait);
    std::optional<QByteArray> colour;
    for (int t = 0; t < before.size(); ++t) {
        ASSERT_EQ(after[t].characters.size(), before[t].characters.size());
        for (int i = 0; i < before[t].characters.size(); ++i) {
            SCOPED_TRACE(QStringLiteral("text %1 character %2").arg(t).arg(i).toStdString());
            const QVariantMap &was = before[t].characters[i];
            const QVariantMap &now = after[t].characters[i];
            EXPECT_EQ(familyOf(now), familyOf(was));
            EXPECT_EQ(sizeOf(now), outcome.size.value_or(sizeOf(was) + outcome.sizeStep));
            if (outcome.trait == Outcome::Bold) {
                EXPECT_EQ(boldOf(now), target);
                if (boldOf(was) == target) {
                    EXPECT_EQ(weightOf(now), weightOf(was)) << "a run already so keeps its face";
                }
            } else {
                EXPECT_EQ(weightOf(now), outcome.weight.value_or(weightOf(was)));
            }
            if (outcome.trait == Outcome::Italic)
                EXPECT_EQ(italicOf(now), target);
            else
                EXPECT_EQ(italicOf(now), outcome.italic.value_or(italicOf(was)));
            EXPECT_EQ(underlineOf(now), outcome.underline.value_or(underlineOf(was)));
            EXPECT_EQ(strikeOf(now), outcome.strike.value_or(strikeOf(was)));
            if (outcome.colour) {
                if (!colour)
                    colour = colourOf(now);
                EXPECT_EQ(colourOf(now), *colour) << "one colour for the whole selection";
                EXPECT_FALSE(colourOf(now).isEmpty());
            } else {
                EXPECT_EQ(colourOf(now), colourOf(was));
            }
            // A face named by its style draws the weight and slant the run keeps.
            if (const QString style = now.value(QStringLiteral("StyleName")).toString(); !style.isEmpty()) {
                // An oblique face is slanted as an italic one is.
                const QFont face = QFontDatabase::font(familyOf(now), style, 12);
                EXPECT_EQ(face.italic(), italicOf(now)) << style.toStdString();
                EXPECT_EQ(face.weight() > QFont::Medium, boldOf(now)) << style.toStdString();
            }
        }
        ASSERT_EQ(after[t].alignments.size(), before[t].alignments.size());
        for (int p = 0; p < before[t].alignments.size(); ++p)
            EXPECT_EQ(after[t].alignments[p], outcome.alignment.value_or(before[t].alignments[p])) << "paragraph " << p;
    }
}

void expectSame(const QList<SavedText> &now, const QList<SavedText> &was)
{
    ASSERT_EQ(now.size(), was.size());
    for (int t = 0; t < was.size(); ++t) {
        EXPECT_EQ(now[t].alignments, was[t].alignments) << "text " << t;
        ASSERT_EQ(now[t].characters.size(), was[t].characters.size());
        for (int i = 0; i < was[t].characters.size(); ++i)
            EXPECT_EQ(now[t].characters[i], was[t].characters[i]) << "text " << t << " character " << i;
    }
}

TEST_F(StyleSelection, EveryCommandGivesTheWholeSelectionOneStateAndUndoesAsOneStep)
{
    int offered = 0;
    QSet<QString> tried;
    for (const Selection &selection : selections()) {
        // The commands are found once the window shows a selection: the panel's faces are those
        // of the family it shows.
        canvas()->removeAllRects();
        selection.make();
        if (HasFatalFailure())
            return;
        // The font panel is opened while one object is selected, as its menu item asks, and
        // stays open for the others.
        const GraphicPtr first = canvas()->selectedObjects().value(0);
        ASSERT_TRUE(first);
        canvas()->showTextFont();
        apptest::settle();
        const QList<Command> all = commands();
        for (const Command &command : all) {
            SCOPED_TRACE((selection.name + QStringLiteral(": ") + command.name).toStdString());
            canvas()->clearEditable();
            canvas()->removeAllRects();
            canvas()->undoManager()->removeAllActions();
            selection.make();
            if (HasFatalFailure())
                return;
            canvas()->undoManager()->removeAllActions();
            const QList<SavedText> before = saved();
            ASSERT_FALSE(before.isEmpty());
            if (!command.run())
                continue;
            ++offered;
            tried.insert(command.name);
            const QList<SavedText> once = saved();
            Outcome outcome = command.outcome;
            if (selection.shaped && outcome.colour) {
                outcome.colour = false;
                EXPECT_EQ(canvas()->getRects().first()->fillColor(), QColor(200, 120, 10));
            }
            expectOutcome(before, once, outcome);
            // Bold and Italic again: the selection has the trait throughout now, and loses it.
            std::optional<QList<SavedText>> twice;
            if (command.outcome.trait != Outcome::NoTrait) {
                ASSERT_TRUE(command.run());
                twice = saved();
                expectOutcome(once, *twice, outcome);
                f.undo();
                expectSame(saved(), once);
            }
            // One step puts every run and paragraph back.
            f.undo();
            expectSame(saved(), before);
            EXPECT_FALSE(canvas()->undoManager()->canUndo()) << "more than one step";
            if (HasFailure())
                return;
        }
    }
    // Every kind of command found was given to some selection.
    EXPECT_GE(offered, 40);
    for (const char *name : {"Format > Bold", "Format > Italic", "Format > Bigger", "Format > Smaller",
                             "Format > Align Left", "Format > Justify", "font panel underline", "Text page size"})
        EXPECT_TRUE(tried.contains(QLatin1String(name))) << name;
}

} // namespace
