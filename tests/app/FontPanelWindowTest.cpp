// The font panel in the window changes only what the user picked in it: for every family the
// shipped templates use, a new size keeps the family and face, a new face keeps the family and
// size, and a new family keeps each run's weight and slant (its nearest face), size and colour,
// on a selected box and on a box being edited; the panel shows the text's own face when it
// opens and lists each family once. A family this machine lacks stays the text's family and is
// named as missing.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QListView>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <limits>
#include <map>

#include "app/AppTestSupport.h"
#include "common/PlistutilReader.h"
#include "inspector/NumberField.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextArchive.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

// The first font of each family in the texts of the shipped templates.
std::map<QString, QFont> templateFonts()
{
    std::map<QString, QFont> fonts;
    QDirIterator files(qmtest::resourcesDir() + QStringLiteral("/Brenholt/Quillmark/Templates"),
                       {QStringLiteral("*.vrxtemp")}, QDir::Files, QDirIterator::Subdirectories);
    int count = 0;
    while (files.hasNext()) {
        ++count;
        const QVariantMap design = PropertyList::readFile(files.next()).toMap();
        for (const QVariant &object : design.value(QStringLiteral("ObjectsList")).toList()) {
            QTextDocument text;
            if (!TextArchive::unarchive(object.toMap().value(QStringLiteral("Text")).toByteArray(), text))
                continue;
            for (QTextBlock block = text.begin(); block.isValid(); block = block.next())
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QFont font = it.fragment().charFormat().font().resolve(text.defaultFont());
                    fonts.emplace(font.family(), font);
                }
        }
    }
    EXPECT_GE(count, 40) << "the shipped templates were not found";
    return fonts;
}

// One run of a test text: its font and colour.
struct PanelRun
{
    QFont font;
    QColor color;
};

// The four faces of a family as a text asks for them.
QList<QFont> fourFaces(const QFont &templateFont)
{
    QList<QFont> faces;
    for (const bool bold : {false, true})
        for (const bool italic : {false, true}) {
            QFont face(templateFont.family());
            face.setWeight(bold ? QFont::Bold : QFont::Normal);
            face.setItalic(italic);
            faces.append(face);
        }
    return faces;
}

// Whether a face of a family (its weight and slant) keeps the weight and slant asked for as
// near as the family's faces allow: the slant when the family has a face of that slant, and no
// face of that slant nearer in weight.
::testing::AssertionResult nearestFace(const QString &family, const QString &styleName, int faceWeight,
                                       bool faceItalic, int weight, bool italic)
{
    int nearest = std::numeric_limits<int>::max();
    bool slantExists = false;
    for (const QString &style : QFontDatabase::styles(family))
        slantExists = slantExists || QFontDatabase::italic(family, style) == italic;
    for (const QString &style : QFontDatabase::styles(family))
        if (!slantExists || QFontDatabase::italic(family, style) == italic)
            nearest = std::min(nearest, std::abs(QFontDatabase::weight(family, style) - weight));
    if (slantExists && faceItalic != italic)
        return ::testing::AssertionFailure() << family.toStdString() << " " << styleName.toStdString()
                                             << " lost the slant";
    if (std::abs(faceWeight - weight) > nearest)
        return ::testing::AssertionFailure() << family.toStdString() << " " << styleName.toStdString()
                                             << " weighs " << faceWeight << " for " << weight;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult nearestFace(const QFontInfo &drawn, int weight, bool italic)
{
    return nearestFace(drawn.family(), drawn.styleName(), drawn.weight(), drawn.italic(), weight, italic);
}

class FontPanel : public ::testing::Test
{
protected:
    FontPanel() : f(QStringLiteral("font-panel")) {}

    RectsView *canvas() const { return f.canvas(); }
    GraphicPtr textBox(const QRectF &frame, const QFont &font, const QString &text = QStringLiteral("Ag"))
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        QTextDocument contents;
        QTextCharFormat format;
        format.setFont(font);
        QTextCursor(&contents).insertText(text, format);
        box->setContents(contents);
        return box;
    }
    QFontDialog *showFonts()
    {
        f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Show Fonts"));
        auto *panel = f.window->findChild<QFontDialog *>(QStringLiteral("FontPanel"));
        EXPECT_TRUE(panel && panel->isVisible());
        return panel;
    }
    // The panel's list whose rows hold the text, as the user sees it.
    static QListView *listHolding(QFontDialog *panel, const QString &row)
    {
        for (QListView *list : panel->findChildren<QListView *>())
            if (list->model() && !list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, row, 1,
                                                       Qt::MatchFixedString).isEmpty())
                return list;
        return nullptr;
    }
    // A click on a row of one of the panel's lists.
    static void pick(QFontDialog *panel, QListView *list, const QString &row)
    {
        ASSERT_NE(list, nullptr) << row.toStdString();
        const QModelIndexList found =
            list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, row, 1, Qt::MatchFixedString);
        ASSERT_FALSE(found.isEmpty()) << row.toStdString();
        list->setCurrentIndex(found.first());
        apptest::settle();
    }
    // A row of the style list other than the shown one.
    static QString otherStyle(QFontDialog *panel)
    {
        const QString shown = panel->currentFont().styleName();
        QListView *styles = listHolding(panel, shown);
        if (!styles)
            return {};
        for (int row = 0; row < styles->model()->rowCount(); ++row) {
            const QString style = styles->model()->index(row, 0).data().toString();
            if (style != shown)
                return style;
        }
        return {};
    }
    static QString drawnStyle(const QFont &font) { return QFontInfo(font).styleName(); }
    // A text box holding one two-letter run per entry.
    GraphicPtr runsBox(const QRectF &frame, const QList<PanelRun> &runs)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        QTextDocument contents;
        QTextCursor cursor(&contents);
        for (const PanelRun &run : runs) {
            QTextCharFormat format;
            format.setFont(run.font);
            format.setForeground(run.color);
            cursor.insertText(QStringLiteral("Ag"), format);
        }
        box->setContents(contents);
        return box;
    }
    // The font and colour of each run of a box, in order.
    static QList<PanelRun> runsOf(const GraphicPtr &box)
    {
        QList<PanelRun> runs;
        QTextDocument *text = box->textStorage();
        for (QTextBlock block = text->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                for (int i = 0; i < it.fragment().length() / 2; ++i)
                    runs.append({format.font().resolve(text->defaultFont()), format.foreground().color()});
            }
        return runs;
    }
    // Each run of the box took the family and kept its own weight and slant (nearest face),
    // size and colour.
    static void expectNewFamilyKeepsTheRest(const GraphicPtr &box, const QList<PanelRun> &before, const QString &family)
    {
        const QList<PanelRun> now = runsOf(box);
        ASSERT_EQ(now.size(), before.size());
        for (int i = 0; i < now.size(); ++i) {
            SCOPED_TRACE(QStringLiteral("run %1 of %2 %3 %4").arg(i).arg(before[i].font.family())
                             .arg(before[i].font.weight()).arg(before[i].font.italic()).toStdString());
            const QFontInfo was(before[i].font);
            EXPECT_EQ(bare(now[i].font.family()), bare(family));
            EXPECT_EQ(now[i].font.weight(), was.weight());
            EXPECT_EQ(now[i].font.italic(), was.italic());
            EXPECT_TRUE(nearestFace(QFontInfo(now[i].font), was.weight(), was.italic()));
            EXPECT_EQ(now[i].font.pointSizeF(), before[i].font.pointSizeF());
            EXPECT_EQ(now[i].color, before[i].color);
        }
    }
    static void expectRuns(const GraphicPtr &box, const QList<PanelRun> &before)
    {
        const QList<PanelRun> now = runsOf(box);
        ASSERT_EQ(now.size(), before.size());
        for (int i = 0; i < now.size(); ++i) {
            EXPECT_EQ(now[i].font, before[i].font) << i;
            EXPECT_EQ(now[i].color, before[i].color) << i;
        }
    }
    // The families the panel's list offers, in its order.
    static QStringList offeredFamilies(QFontDialog *panel)
    {
        QStringList families;
        for (QListView *list : panel->findChildren<QListView *>()) {
            QStringList rows;
            for (int row = 0; row < list->model()->rowCount(); ++row)
                rows << list->model()->index(row, 0).data().toString();
            if (!rows.isEmpty() && QFontDatabase::hasFamily(rows.first()) && rows.size() > families.size())
                families = rows;
        }
        return families;
    }
    static QString bare(QString family) { return family.left(family.indexOf(QLatin1String(" ["))); }

    apptest::WindowFixture f;
};

TEST_F(FontPanel, EveryTemplateFamilyKeepsItsFaceForANewSizeAndItsSizeForANewFace)
{
    const std::map<QString, QFont> fonts = templateFonts();
    ASSERT_GE(fonts.size(), 4u);
    auto *size = f.window->findChild<NumberField *>(QStringLiteral("tvTextSize"));
    auto *name = f.window->findChild<QLabel *>(QStringLiteral("lbFontFamily"));
    ASSERT_TRUE(size && name);
    int i = 0;
    for (const auto &[family, templateFont] : fonts) {
        SCOPED_TRACE(family.toStdString());
        ASSERT_TRUE(QFontDatabase::hasFamily(family)) << "a family of the templates is not installed";
        QFont font = templateFont;
        font.setPointSizeF(12);
        const QRectF frame(10 + (i % 3) * 90, 10 + (i / 3) * 40, 80, 30);
        ++i;
        const GraphicPtr box = textBox(frame, font);
        const QString face = drawnStyle(font);

        // A selected box: the panel opens on the text's own family and face.
        f.tool(RectsView::SelectTool)->trigger();
        f.click(frame.center());
        ASSERT_EQ(canvas()->selectedObjects(), GraphicList{box});
        QFontDialog *panel = showFonts();
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(bare(panel->currentFont().family()), family);
        EXPECT_EQ(panel->currentFont().styleName(), face);

        pick(panel, listHolding(panel, QStringLiteral("72")), QStringLiteral("24"));
        QFont now = apptest::fontAt(box, 0);
        EXPECT_EQ(bare(now.family()), family);
        EXPECT_EQ(drawnStyle(now), face);
        EXPECT_EQ(now.pointSizeF(), 24.0);
        // The Text page follows.
        EXPECT_EQ(size->floatValue(), 24.0);
        EXPECT_EQ(name->toolTip(), family);

        const QString style = otherStyle(panel);
        if (!style.isEmpty()) {
            pick(panel, listHolding(panel, style), style);
            now = apptest::fontAt(box, 0);
            EXPECT_EQ(bare(now.family()), family);
            EXPECT_EQ(drawnStyle(now), style);
            EXPECT_EQ(now.pointSizeF(), 24.0);
        }

        // The same box being edited, its text selected.
        f.editText(frame.center());
        ASSERT_EQ(canvas()->editedObject(), box);
        QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
        apptest::settle();
        const QString editedFace = drawnStyle(apptest::fontAt(box, 0));
        pick(panel, listHolding(panel, QStringLiteral("72")), QStringLiteral("36"));
        now = apptest::fontAt(box, 1);
        EXPECT_EQ(bare(now.family()), family);
        EXPECT_EQ(drawnStyle(now), editedFace);
        EXPECT_EQ(now.pointSizeF(), 36.0);
        QTest::keyClick(canvas(), Qt::Key_Escape);
        panel->close();
        apptest::settle();
    }
}

TEST_F(FontPanel, ANewFamilyKeepsEachRunsFaceSizeAndColourAndEachFamilyIsListedOnce)
{
    // Every face of every family of the shipped templates, each run in a size and a colour
    // of its own; the second box starts with another family, so that each family the panel
    // offers is a new one for one of them.
    QList<PanelRun> runs;
    QStringList templateFamilies;
    int n = 0;
    for (const auto &[family, templateFont] : templateFonts()) {
        templateFamilies << family;
        for (QFont face : fourFaces(templateFont)) {
            face.setPointSizeF(9 + n % 5);
            runs.append({face, QColor::fromHsv((n * 37) % 360, 200, 150)});
            ++n;
        }
    }
    ASSERT_GE(templateFamilies.size(), 4);
    QList<PanelRun> rotated = runs.mid(4) + runs.mid(0, 4);
    const QRectF firstFrame(10, 10, 300, 60), secondFrame(10, 90, 300, 60);
    const GraphicPtr first = runsBox(firstFrame, runs);
    const GraphicPtr second = runsBox(secondFrame, rotated);
    f.tool(RectsView::SelectTool)->trigger();
    f.click(firstFrame.center());
    QFontDialog *panel = showFonts();
    ASSERT_NE(panel, nullptr);

    // Each family once.
    const QStringList offered = offeredFamilies(panel);
    ASSERT_GE(offered.size(), templateFamilies.size());
    QStringList bareOnes;
    for (const QString &family : offered)
        bareOnes << bare(family);
    EXPECT_EQ(bareOnes.removeDuplicates(), 0) << offered.join(QStringLiteral(", ")).toStdString();
    for (const QString &family : templateFamilies)
        EXPECT_TRUE(bareOnes.contains(family)) << family.toStdString();

    for (const QString &target : offered) {
        SCOPED_TRACE(target.toStdString());
        const bool useSecond = bare(target) == templateFamilies.first();
        const GraphicPtr box = useSecond ? second : first;
        const QRectF frame = useSecond ? secondFrame : firstFrame;
        const QList<PanelRun> &before = useSecond ? rotated : runs;

        // The box selected.
        f.click(frame.center());
        ASSERT_EQ(canvas()->selectedObjects(), GraphicList{box});
        panel = showFonts();
        ASSERT_NE(bare(panel->currentFont().family()), bare(target));
        pick(panel, listHolding(panel, target), target);
        expectNewFamilyKeepsTheRest(box, before, target);
        // The panel shows the family picked, and in it the face nearest to the first run's.
        const QString shownStyle = panel->currentFont().styleName();
        EXPECT_EQ(bare(panel->currentFont().family()), bare(target));
        EXPECT_TRUE(nearestFace(bare(target), shownStyle, QFontDatabase::weight(bare(target), shownStyle),
                                QFontDatabase::italic(bare(target), shownStyle), QFontInfo(before[0].font).weight(),
                                QFontInfo(before[0].font).italic()));
        f.undo();
        expectRuns(box, before);

        // The box being edited, its whole text selected.
        f.editText(frame.center());
        ASSERT_EQ(canvas()->editedObject(), box);
        QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
        apptest::settle();
        panel = showFonts();
        pick(panel, listHolding(panel, target), target);
        expectNewFamilyKeepsTheRest(box, before, target);
        QTest::keyClick(canvas(), Qt::Key_Escape);
        apptest::settle();
        f.undo();
        expectRuns(box, before);
        if (HasFatalFailure())
            return;
    }

    // What is saved says so too, read back by plistutil: one box given the last family.
    f.click(firstFrame.center());
    panel = showFonts();
    const QString last = offered.last() == templateFamilies.first() ? offered.first() : offered.last();
    pick(panel, listHolding(panel, last), last);
    panel->close();
    const QString path = qmtest::freshDir(QStringLiteral("font-panel-doc")) + QStringLiteral("/Families.qkdoc");
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QVariantList objects = qmtest::readWithPlistutil(saved.readAll(), QStringLiteral("font-panel-plist")).toMap().value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), 2);
    QVariantList stored;
    for (const QVariant &block : qmtest::readWithPlistutil(objects[0].toMap().value(QStringLiteral("Text")).toByteArray(), QStringLiteral("font-panel-plist"))
                                     .toMap()
                                     .value(QStringLiteral("Blocks"))
                                     .toList())
        stored.append(block.toMap().value(QStringLiteral("Runs")).toList());
    ASSERT_FALSE(stored.isEmpty());
    int run = 0;
    for (const QVariant &entry : std::as_const(stored)) {
        const QVariantMap map = entry.toMap();
        const int length = map.value(QStringLiteral("Text")).toString().size();
        ASSERT_GT(length, 0);
        const PanelRun &was = runs.at(run);
        SCOPED_TRACE(QStringLiteral("stored run %1").arg(run).toStdString());
        const QVariantList families = map.value(QStringLiteral("Families")).toList();
        const QString family =
            families.isEmpty() ? map.value(QStringLiteral("Family")).toString() : families.first().toString();
        EXPECT_EQ(bare(family), bare(last));
        EXPECT_EQ(map.value(QStringLiteral("Weight")).toString().toInt(), QFontInfo(was.font).weight());
        EXPECT_EQ(map.value(QStringLiteral("Italic")).toBool(), QFontInfo(was.font).italic());
        EXPECT_EQ(map.value(QStringLiteral("Size")).toString().toDouble(), was.font.pointSizeF());
        EXPECT_TRUE(map.contains(QStringLiteral("Foreground")));
        run += length / 2;
    }
    EXPECT_EQ(run, runs.size());
}

TEST_F(FontPanel, ItalicOnUrwBookmanKeepsUrwBookman)
{
    const QFont light = QFontDatabase::font(QStringLiteral("URW Bookman"), QStringLiteral("Light"), 14);
    const GraphicPtr box = textBox(QRectF(20, 20, 200, 40), light, QStringLiteral("Bookman"));
    f.editText(QPointF(60, 40));
    ASSERT_EQ(canvas()->editedObject(), box);
    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
    apptest::settle();

    // Format > Font > Italic.
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Italic"));
    QFont now = apptest::fontAt(box, 2);
    EXPECT_EQ(bare(QFontInfo(now).family()), QStringLiteral("URW Bookman"));
    EXPECT_TRUE(QFontInfo(now).italic());
    EXPECT_EQ(now.pointSizeF(), 14.0);
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Italic"));
    ASSERT_FALSE(QFontInfo(apptest::fontAt(box, 2)).italic());

    // The panel's italic face.
    QFontDialog *panel = showFonts();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(bare(panel->currentFont().family()), QStringLiteral("URW Bookman"));
    pick(panel, listHolding(panel, QStringLiteral("Light Italic")), QStringLiteral("Light Italic"));
    now = apptest::fontAt(box, 2);
    EXPECT_EQ(bare(QFontInfo(now).family()), QStringLiteral("URW Bookman"));
    EXPECT_EQ(drawnStyle(now), QStringLiteral("Light Italic"));
    EXPECT_EQ(now.pointSizeF(), 14.0);
    // One undo takes the face back.
    f.undo();
    EXPECT_EQ(drawnStyle(apptest::fontAt(box, 2)), QStringLiteral("Light"));
}

TEST_F(FontPanel, AFamilyThisMachineLacksStaysAndIsNamedMissing)
{
    const QString absent = QStringLiteral("Quillmark Absent Sans");
    ASSERT_FALSE(QFontDatabase::hasFamily(absent));
    QFont font(absent);
    font.setPointSizeF(15);
    const GraphicPtr box = textBox(QRectF(20, 20, 200, 40), font, QStringLiteral("Absent"));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(60, 40));
    ASSERT_EQ(canvas()->selectedObjects(), GraphicList{box});

    // The Text page and the panel name the family as missing, in italics.
    auto *name = f.window->findChild<QLabel *>(QStringLiteral("lbFontFamily"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->toolTip(), absent + QStringLiteral(" (missing)"));
    EXPECT_TRUE(name->font().italic());
    QFontDialog *panel = showFonts();
    ASSERT_NE(panel, nullptr);
    auto *missing = panel->findChild<QLabel *>(QStringLiteral("MissingFontLabel"));
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->isVisible());
    EXPECT_EQ(missing->text(), absent + QStringLiteral(" (missing)"));

    // A face or a size chosen in the panel keeps the family.
    pick(panel, listHolding(panel, QStringLiteral("Bold")), QStringLiteral("Bold"));
    QFont now = apptest::fontAt(box, 1);
    EXPECT_EQ(now.family(), absent);
    EXPECT_TRUE(now.bold());
    EXPECT_EQ(now.pointSizeF(), 15.0);
    pick(panel, listHolding(panel, QStringLiteral("72")), QStringLiteral("24"));
    now = apptest::fontAt(box, 1);
    EXPECT_EQ(now.family(), absent);
    EXPECT_TRUE(now.bold());
    EXPECT_EQ(now.pointSizeF(), 24.0);

    // An installed family, the program's own default and a generic family, which the font
    // system resolves: nothing is named missing.
    const QFont defaultFont = QApplication::font();
    for (const QFont &installed : {qmtest::testFont(12), defaultFont, QFont(QStringLiteral("Sans Serif"), 12)}) {
        SCOPED_TRACE(installed.family().toStdString());
        const GraphicPtr other = textBox(QRectF(20, 80, 200, 40), installed);
        f.tool(RectsView::SelectTool)->trigger();
        f.click(QPointF(60, 100));
        ASSERT_EQ(canvas()->selectedObjects(), GraphicList{other});
        EXPECT_FALSE(missing->isVisible());
        EXPECT_EQ(name->toolTip(), installed.family());
        EXPECT_FALSE(name->font().italic());
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    }
}

} // namespace
