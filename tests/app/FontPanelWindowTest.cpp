// The font panel in the window changes only what the user picked in it: for every family the
// shipped templates use, a new size keeps the family and face, a new face keeps the family and
// size, on a selected box and on a box being edited; the panel shows the text's own face when
// it opens. A family this machine lacks stays the text's family and is named as missing.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QListView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <map>

#include "app/AppTestSupport.h"
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
