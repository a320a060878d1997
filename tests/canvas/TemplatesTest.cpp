// Design templates on the canvas: the file a save writes (read back by plistutil), the names
// it takes, the names it refuses, applying a template to another label size, one- and
// two-sided templates, what survives the next template, damaged files, undo, the records and
// the category pop-up.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "canvas/CanvasTestSupport.h"
#include "canvas/SaveTemplate.h"
#include "canvas/TemplateFile.h"
#include "common/TestPrompts.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

TLabel grid(float width, float height)
{
    TLabel label;
    label.name = QStringLiteral("Test");
    label.width = width;
    label.height = height;
    label.num_label = 1;
    label.num_downlabel = 1;
    return label;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

class TemplatesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("templates"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerObjectKinds();
        registerGroupKinds();
        static int run = 0;
        data = std::make_unique<ScopedEnv>(
            "XDG_DATA_HOME", qmtest::freshDir(QStringLiteral("templates-data-%1").arg(++run)).toUtf8());
        fixture = std::make_unique<canvastest::CanvasFixture>();
        view()->setTLabel(grid(4.0f, 2.0f));
        view()->undoManager()->removeAllActions();
    }
    void TearDown() override
    {
        fixture.reset();
        data.reset();
        Language::reset();
    }

    RectsView *view() { return fixture->view.get(); }

    QString userFolder() const { return TemplateFile::userFolder() + QStringLiteral("Horizontal/"); }
    QString userTemplate(const QString &name) const
    {
        return userFolder() + name + QStringLiteral(".vrxtemp");
    }

    // Answers the name panel as a user does: types the name into its field and presses OK
    // (when OK can be pressed).
    void answerPanelWith(const QString &title)
    {
        prompts->queuePanel([title](QDialog *dialog) {
            auto *panel = qobject_cast<SaveTemplate *>(dialog);
            if (!panel)
                return 0;
            panel->titleField()->clear();
            QTest::keyClicks(panel->titleField(), title);
            if (!panel->okButton()->isEnabled())
                return 0;
            QTest::mouseClick(panel->okButton(), Qt::LeftButton);
            return panel->result();
        });
    }
    void saveAs(const QString &title)
    {
        answerPanelWith(title);
        view()->saveTemplate();
    }

    std::shared_ptr<ColorRect> add(const QRectF &frame, const QColor &fill, const QString &page = QString())
    {
        auto graphic = fixture->add(frame);
        graphic->setFillColor(fill);
        graphic->setDrawsFill(true);
        graphic->setDrawsStroke(false);
        if (!page.isEmpty())
            graphic->setPageName(page);
        return graphic;
    }

    QStringList savedNames() const
    {
        QStringList names = QDir(userFolder()).entryList(QDir::Files, QDir::Name);
        return names;
    }

    std::unique_ptr<ScopedEnv> data;
    std::unique_ptr<canvastest::CanvasFixture> fixture;
    qmtest::ScopedTestPrompts prompts;
};

// ---- the file ----

TEST_F(TemplatesTest, SavedFileHoldsItsKeysTheLabelRectangleAndAPreviewOfThePageEdited)
{
    auto red = add(QRectF(20, 20, 100, 60), Qt::red);
    auto green = add(QRectF(150, 20, 100, 60), Qt::green);
    add(QRectF(0, 0, 288, 144), Qt::blue, QStringLiteral("HorizontalBack"));
    view()->selectRect(red);
    view()->selectRect(green);
    view()->group();
    view()->clearSelection();

    saveAs(QStringLiteral("Shipping"));
    const QString path = userTemplate(QStringLiteral("Shipping"));
    ASSERT_TRUE(QFileInfo(path).isFile());
    EXPECT_TRUE(readAll(path).startsWith("bplist00"));

    // Read back by libplist's own command-line converter.
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    ASSERT_FALSE(tool.isEmpty());
    const QString xmlPath = qmtest::freshDir(QStringLiteral("template-xml")) + QStringLiteral("/Shipping.xml");
    QProcess process;
    process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-o"), xmlPath, QStringLiteral("-f"), QStringLiteral("xml")});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0);
    const QByteArray xml = readAll(xmlPath);
    EXPECT_TRUE(xml.contains("<key>TemplateBounds</key>\n\t<string>{{0, 0}, {288, 144}}</string>")) << xml.left(400).constData();
    const QVariantMap dict = PropertyList::fromData(xml).toMap();
    QStringList keys = dict.keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"GroupsList", "ObjectsList", "TemplateBounds", "TemplateImage"}));
    EXPECT_EQ(dict.value("TemplateBounds").toString(), QStringLiteral("{{0, 0}, {288, 144}}"));

    // Both sides of the orientation, in stacking order; the group by its members' places.
    const QVariantList objects = dict.value("ObjectsList").toList();
    ASSERT_EQ(objects.size(), 3);
    EXPECT_EQ(objects[0].toMap().value("PageName").toString(), QStringLiteral("HorizontalFront"));
    EXPECT_EQ(objects[2].toMap().value("PageName").toString(), QStringLiteral("HorizontalBack"));
    const QVariantList groups = dict.value("GroupsList").toList();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].toMap().value("GroupContents").toString(), QStringLiteral("0,1"));

    // The preview: PNG, 150 by 75, the front only.
    const QByteArray png = dict.value("TemplateImage").toByteArray();
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    const QImage preview = QImage::fromData(png, "PNG");
    ASSERT_EQ(preview.size(), QSize(150, 75));
    const double k = 150.0 / 288.0;
    EXPECT_EQ(preview.pixelColor(int(70 * k), int(50 * k)), QColor(Qt::red));
    EXPECT_EQ(preview.pixelColor(int(200 * k), int(50 * k)), QColor(Qt::green));
    EXPECT_EQ(preview.pixelColor(int(270 * k), int(120 * k)), QColor(Qt::white)) << "the back is not in it";

    // The saved objects are template objects now, and the save is recorded.
    for (const GraphicPtr &graphic : view()->getRects())
        EXPECT_TRUE(graphic->isTemplate());
    ASSERT_EQ(view()->selectedTemplates().size(), 1);
    EXPECT_EQ(view()->selectedTemplates().first(),
              TTemplate(QStringLiteral("Shipping"), QStringLiteral("Horizontal"), QStringLiteral("Front")));
}

TEST_F(TemplatesTest, PreviewOfASmallLabelKeepsItsSizeAndALargeOneFitsInto150)
{
    add(QRectF(0, 0, 20, 20), Qt::red);
    view()->setTLabel(grid(1.75f, 0.5f));
    QImage preview = QImage::fromData(TemplateFile::previewData(view()->createTemplateObjectImage()));
    EXPECT_EQ(preview.size(), QSize(126, 36));
    view()->setTLabel(grid(4.625f, 4.625f));
    preview = QImage::fromData(TemplateFile::previewData(view()->createTemplateObjectImage()));
    EXPECT_EQ(preview.size(), QSize(150, 150));
    view()->setTLabel(grid(2.0f, 3.5f));
    preview = QImage::fromData(TemplateFile::previewData(view()->createTemplateObjectImage()));
    EXPECT_EQ(preview.size(), QSize(86, 150));
}

// ---- names ----

TEST_F(TemplatesTest, TheSameTitleSavedThreeTimesGivesTT1AndT12)
{
    add(QRectF(10, 10, 50, 50), Qt::red);
    saveAs(QStringLiteral("T"));
    saveAs(QStringLiteral("T"));
    saveAs(QStringLiteral("T"));
    EXPECT_EQ(savedNames(), (QStringList{"T.vrxtemp", "T1.vrxtemp", "T12.vrxtemp"}));
    EXPECT_EQ(TemplateFile::uniquePath(QStringLiteral("/f"), QStringLiteral("T"),
                                       [](const QString &p) { return !p.endsWith(QStringLiteral("T123.vrxtemp")); }),
              QStringLiteral("/f/T123.vrxtemp"));
}

TEST_F(TemplatesTest, NamesThatWouldLeaveTheFolderOrHideInItAreRefused)
{
    add(QRectF(10, 10, 50, 50), Qt::red);
    for (const QString &name : {QStringLiteral("../escape"), QStringLiteral("a/b"), QStringLiteral(".hidden"),
                                QStringLiteral("   ")}) {
        SCOPED_TRACE(name.toStdString());
        prompts->clear();
        saveAs(name);
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
        EXPECT_EQ(prompts->last().message,
                  QStringLiteral("Template names cannot be empty, contain \"/\" or start with \".\"."));
        EXPECT_TRUE(savedNames().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(TemplateFile::userFolder() + QStringLiteral("escape.vrxtemp")));
    EXPECT_FALSE(TemplateFile::isValidName(QStringLiteral("tab\there")));
    EXPECT_FALSE(TemplateFile::isValidName(QStringLiteral("new\nline")));
    EXPECT_FALSE(TemplateFile::isValidName(QString()));
    EXPECT_TRUE(TemplateFile::isValidName(QStringLiteral("Sommer-Fest 2024 (rot)")));
    EXPECT_TRUE(TemplateFile::isValidName(QStringLiteral("名片.v2")));
    EXPECT_TRUE(view()->selectedTemplates().isEmpty());
    for (const GraphicPtr &graphic : view()->getRects())
        EXPECT_FALSE(graphic->isTemplate());

    // An empty field leaves OK disabled: the panel cannot be confirmed.
    SaveTemplate *panel = view()->saveTemplatePanel();
    panel->titleField()->clear();
    EXPECT_FALSE(panel->okButton()->isEnabled());
    QTest::keyClicks(panel->titleField(), QStringLiteral("x"));
    EXPECT_TRUE(panel->okButton()->isEnabled());
    panel->setTempTitle(QString());
    EXPECT_EQ(panel->templateTitle(), QStringLiteral("x"));

    // Cancel writes nothing.
    prompts->queuePanel([](QDialog *dialog) {
        QTest::mouseClick(qobject_cast<SaveTemplate *>(dialog)->cancelButton(), Qt::LeftButton);
        return dialog->result();
    });
    view()->saveTemplate();
    EXPECT_TRUE(savedNames().isEmpty());
}

TEST_F(TemplatesTest, NothingOnThePageMeansNothingToSave)
{
    add(QRectF(10, 10, 50, 50), Qt::red, QStringLiteral("HorizontalBack"));
    EXPECT_FALSE(view()->canSaveTemplate());
    answerPanelWith(QStringLiteral("Empty"));
    view()->saveTemplate();
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Panel), 0);
    fixture->side.setSelectedSegment(1);
    EXPECT_TRUE(view()->canSaveTemplate());
}

TEST_F(TemplatesTest, AFolderThatCannotBeMadeIsReportedNotSkipped)
{
    add(QRectF(10, 10, 50, 50), Qt::red);
    // A file where the user's template folder should be.
    QDir().mkpath(TemplateFile::userFolder().chopped(QStringLiteral("Templates/").size()));
    writeAll(TemplateFile::userFolder().chopped(1), "not a folder");
    saveAs(QStringLiteral("Blocked"));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Could not save Template Document!"));
    EXPECT_TRUE(view()->selectedTemplates().isEmpty());
}

// ---- applying ----

TEST_F(TemplatesTest, AFourByTwoTemplateOnATwoByOneLabelHalvesItsObjectsAndLeavesTheUsersOwn)
{
    add(QRectF(20, 20, 200, 80), Qt::red)->setStrokeLineWidth(4.0f);
    auto text = fixture->add(QRectF(30, 100, 200, 30));
    text->setContents(QStringLiteral("Hello"));
    text->setTextSize(qmtest::testFont(20));
    saveAs(QStringLiteral("Big"));

    view()->removeAllRects();
    view()->setTLabel(grid(2.0f, 1.0f));
    auto own = add(QRectF(5, 5, 30, 30), Qt::blue);
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("Big")), true));

    const GraphicList rects = view()->getRects();
    ASSERT_EQ(rects.size(), 3);
    // The template's objects go behind the user's, in file order, halved.
    EXPECT_EQ(rects[0]->frameBounds(), QRectF(10, 10, 100, 40));
    EXPECT_FLOAT_EQ(rects[0]->strokeLineWidth(), 2.0f);
    EXPECT_EQ(rects[1]->frameBounds(), QRectF(15, 50, 100, 15));
    ASSERT_TRUE(rects[1]->textSize());
    EXPECT_DOUBLE_EQ(rects[1]->textSize()->pointSizeF(), 10.0);
    EXPECT_TRUE(rects[0]->isTemplate());
    EXPECT_TRUE(rects[1]->isTemplate());
    EXPECT_EQ(rects[2], own);
    EXPECT_EQ(own->frameBounds(), QRectF(5, 5, 30, 30));
    EXPECT_FALSE(own->isTemplate());
    EXPECT_EQ(rects[0]->getPageName(), QStringLiteral("HorizontalFront"));
    EXPECT_TRUE(view()->isPreviewMode());
    EXPECT_TRUE(view()->isChanged());
    // The name is proposed for the next save.
    EXPECT_EQ(view()->saveTemplatePanel()->templateTitle(), QStringLiteral("Big"));
}

TEST_F(TemplatesTest, AOneSidedTemplateAppliedOnTheBackGoesToTheBack)
{
    add(QRectF(20, 20, 100, 50), Qt::red);
    saveAs(QStringLiteral("Front only"));
    view()->removeAllRects();
    const QString path = userTemplate(QStringLiteral("Front only"));

    ASSERT_TRUE(view()->setupNewTemplate(path, true));
    fixture->side.setSelectedSegment(1);
    ASSERT_TRUE(view()->setupNewTemplate(path, true));
    QStringList pages;
    for (const GraphicPtr &graphic : view()->getRects())
        pages << graphic->getPageName();
    pages.sort();
    EXPECT_EQ(pages, (QStringList{"HorizontalBack", "HorizontalFront"}));
    ASSERT_EQ(view()->selectedTemplates().size(), 2);
    EXPECT_EQ(view()->selectedTemplates()[0].templateType(), QStringLiteral("Front"));
    EXPECT_EQ(view()->selectedTemplates()[1].templateType(), QStringLiteral("Back"));

    // Applied on the back again: only the back's template objects give way.
    ASSERT_TRUE(view()->setupNewTemplate(path, true));
    EXPECT_EQ(view()->getRects().size(), 2);
}

TEST_F(TemplatesTest, ATwoSidedTemplateReplacesTheTemplateObjectsOfBothSides)
{
    add(QRectF(20, 20, 100, 50), Qt::red);
    saveAs(QStringLiteral("One"));
    view()->removeAllRects();
    add(QRectF(0, 0, 50, 50), Qt::green);
    add(QRectF(60, 0, 50, 50), Qt::blue, QStringLiteral("HorizontalBack"));
    saveAs(QStringLiteral("Two"));
    view()->removeAllRects();

    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("One")), true));
    fixture->side.setSelectedSegment(1);
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("One")), true));
    ASSERT_EQ(view()->getRects().size(), 2);
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("Two")), true));
    const GraphicList rects = view()->getRects();
    ASSERT_EQ(rects.size(), 2);
    EXPECT_EQ(rects[0]->fillColor(), QColor(Qt::green));
    EXPECT_EQ(rects[0]->getPageName(), QStringLiteral("HorizontalFront"));
    EXPECT_EQ(rects[1]->fillColor(), QColor(Qt::blue));
    EXPECT_EQ(rects[1]->getPageName(), QStringLiteral("HorizontalBack"));
}

TEST_F(TemplatesTest, AnObjectEditedAfterApplyingSurvivesTheNextTemplate)
{
    add(QRectF(20, 20, 100, 50), Qt::red);
    add(QRectF(150, 20, 100, 50), Qt::green);
    saveAs(QStringLiteral("A"));
    view()->removeAllRects();
    view()->setTLabel(grid(2.0f, 1.0f));
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("A")), true));
    const GraphicPtr edited = view()->getRects().at(0);
    edited->setFrameBounds(QRectF(1, 1, 10, 10));
    EXPECT_FALSE(edited->isTemplate());

    view()->setTLabel(grid(4.0f, 2.0f));
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("A")), true));
    const GraphicList rects = view()->getRects();
    ASSERT_EQ(rects.size(), 3);
    EXPECT_TRUE(rects.contains(edited));
    EXPECT_EQ(edited->frameBounds(), QRectF(1, 1, 10, 10)) << "neither removed nor scaled";
}

TEST_F(TemplatesTest, TextChainsAndGroupsComeBackLinkedAndScaled)
{
    auto first = fixture->add(QRectF(10, 10, 100, 40));
    auto second = fixture->add(QRectF(150, 10, 100, 40));
    second->setTextLink(first.get(), true);
    first->setContents(QStringLiteral("One two three four five six seven eight nine ten eleven twelve"));
    auto a = add(QRectF(10, 80, 40, 40), Qt::red);
    auto b = add(QRectF(60, 80, 40, 40), Qt::green);
    view()->selectRect(a);
    view()->selectRect(b);
    view()->group();
    view()->clearSelection();
    saveAs(QStringLiteral("Linked"));
    view()->removeAllRects();
    view()->setTLabel(grid(2.0f, 1.0f));

    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("Linked")), true));
    const GraphicList rects = view()->getRects();
    ASSERT_EQ(rects.size(), 4);
    EXPECT_EQ(rects[1]->firstTextView(), rects[0].get());
    EXPECT_EQ(rects[0]->textContainers().size(), 2);
    ASSERT_EQ(view()->groups().size(), 1);
    const GroupPtr group = view()->groups().first();
    EXPECT_EQ(group->getObjects(), (GraphicList{rects[2], rects[3]}));
    EXPECT_EQ(group->bounds(), QRectF(5, 40, 45, 20));
}

TEST_F(TemplatesTest, FilesThatAreNoTemplatesChangeNothingAndSaySo)
{
    const QString dir = qmtest::freshDir(QStringLiteral("bad-templates"));
    add(QRectF(20, 20, 100, 50), Qt::red);
    saveAs(QStringLiteral("Good"));
    QFile::copy(userTemplate(QStringLiteral("Good")), dir + QStringLiteral("/good.plist"));
    writeAll(dir + QStringLiteral("/garbage.vrxtemp"), "this is no property list");
    QVariantMap wrong;
    wrong.insert(QStringLiteral("ObjectsList"), QStringLiteral("not an array"));
    writeAll(dir + QStringLiteral("/wrong.vrxtemp"), PropertyList::toData(wrong));
    QVariantMap bounds;
    bounds.insert(QStringLiteral("TemplateBounds"), QStringLiteral("{{0, 0}, {1e300, 5}}"));
    writeAll(dir + QStringLiteral("/bounds.vrxtemp"), PropertyList::toData(bounds));
    const QString fifo = dir + QStringLiteral("/fifo.vrxtemp");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

    auto own = add(QRectF(1, 1, 10, 10), Qt::blue);
    ASSERT_TRUE(view()->undoManager()->canUndo());
    const int before = int(view()->getRects().size());
    for (const QString &name : {QStringLiteral("good.plist"), QStringLiteral("garbage.vrxtemp"),
                                QStringLiteral("wrong.vrxtemp"), QStringLiteral("bounds.vrxtemp"),
                                QStringLiteral("fifo.vrxtemp"), QStringLiteral("missing.vrxtemp")}) {
        SCOPED_TRACE(name.toStdString());
        prompts->clear();
        EXPECT_FALSE(view()->setupNewTemplate(dir + QLatin1Char('/') + name, true));
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
        EXPECT_EQ(prompts->last().title, QStringLiteral("Could not open the template."));
        EXPECT_EQ(int(view()->getRects().size()), before);
        EXPECT_TRUE(view()->undoManager()->canUndo()) << "the undo history stays";
    }
    EXPECT_EQ(own->frameBounds(), QRectF(1, 1, 10, 10));
}

TEST_F(TemplatesTest, ApplyingIsOneStepThatUndoTakesBack)
{
    add(QRectF(20, 20, 100, 50), Qt::red);
    saveAs(QStringLiteral("A"));
    view()->removeAllRects();
    add(QRectF(0, 0, 50, 50), Qt::green);
    add(QRectF(60, 0, 50, 50), Qt::blue);
    view()->selectAll();
    view()->group();
    view()->clearSelection();
    saveAs(QStringLiteral("B"));
    view()->removeAllRects();

    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("A")), true));
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("B")), true));
    view()->undoManager()->closeEventGroup();
    ASSERT_EQ(view()->getRects().size(), 2);
    ASSERT_EQ(view()->groups().size(), 1);
    ASSERT_TRUE(view()->undoManager()->canUndo());

    view()->undo();
    ASSERT_EQ(view()->getRects().size(), 1);
    EXPECT_EQ(view()->getRects().first()->fillColor(), QColor(Qt::red));
    EXPECT_TRUE(view()->groups().isEmpty());
    ASSERT_EQ(view()->selectedTemplates().size(), 1);
    EXPECT_EQ(view()->selectedTemplates().first().templateName(), QStringLiteral("A"));
    EXPECT_FALSE(view()->undoManager()->canUndo()) << "applying A began a new history";

    view()->redo();
    EXPECT_EQ(view()->getRects().size(), 2);
    EXPECT_EQ(view()->groups().size(), 1);
    EXPECT_EQ(view()->selectedTemplates().last().templateName(), QStringLiteral("B"));
}

TEST_F(TemplatesTest, TheRecordedTemplatesOfBothSidesComeBackAtANewLabelSize)
{
    add(QRectF(20, 20, 100, 50), Qt::red);
    saveAs(QStringLiteral("Face"));
    view()->removeAllRects();
    add(QRectF(40, 40, 200, 60), Qt::blue);
    saveAs(QStringLiteral("Reverse"));
    view()->removeAllRects();

    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("Face")), true));
    fixture->side.setSelectedSegment(1);
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("Reverse")), true));
    fixture->side.setSelectedSegment(0);

    view()->setTLabel(grid(2.0f, 1.0f));
    view()->setDefaultTemplate();
    EXPECT_EQ(fixture->side.selectedSegment(), 0) << "the side edited stays";
    QMap<QString, QRectF> frames;
    for (const GraphicPtr &graphic : view()->getRects())
        frames.insert(graphic->getPageName(), graphic->frameBounds());
    EXPECT_EQ(frames.size(), 2);
    EXPECT_EQ(frames.value(QStringLiteral("HorizontalFront")), QRectF(10, 10, 50, 25));
    EXPECT_EQ(frames.value(QStringLiteral("HorizontalBack")), QRectF(20, 20, 100, 30));
}

TEST_F(TemplatesTest, ClearingTheDesignForgetsTheRecords)
{
    add(QRectF(20, 20, 100, 50), Qt::red);
    saveAs(QStringLiteral("A"));
    ASSERT_EQ(view()->selectedTemplates().size(), 1);
    view()->removeAllRects();
    EXPECT_TRUE(view()->selectedTemplates().isEmpty());
    ASSERT_TRUE(view()->setupNewTemplate(userTemplate(QStringLiteral("A")), true));
    view()->emptyNewDoc();
    EXPECT_TRUE(view()->selectedTemplates().isEmpty());
}

// ---- categories and the list ----

TEST_F(TemplatesTest, CategoriesAreTheBuiltInFoldersThenMyTemplates)
{
    const QString resources = qmtest::freshDir(QStringLiteral("template-resources"));
    const ScopedEnv env("QUILLMARK_RESOURCES", resources.toUtf8());
    QComboBox popup;
    QStringList loaded;
    RectsView::TemplateBrowser browser;
    browser.categoryPopup = &popup;
    browser.load = [&loaded](const QString &folder) { loaded << folder; };
    browser.isShown = [] { return true; };
    view()->setTemplateBrowser(browser);

    // Nothing built in: only the user's own.
    ASSERT_EQ(popup.count(), 1);
    EXPECT_EQ(popup.currentData().toString(), QStringLiteral("my templates"));

    const QString builtIn = resources + QStringLiteral("/Brenholt/Quillmark/Templates/Horizontal/");
    QDir().mkpath(builtIn + QStringLiteral("Name Badges"));
    QDir().mkpath(builtIn + QStringLiteral("Business Cards"));
    QDir().mkpath(TemplateFile::userFolder() + QStringLiteral("Horizontal/Business Cards"));
    view()->initTemplateCategories();
    QStringList titles;
    for (int i = 0; i < popup.count(); ++i)
        titles << popup.itemData(i).toString();
    EXPECT_EQ(titles, (QStringList{"Business Cards", "Name Badges", "my templates"}));
    // "my templates" was chosen before and stays chosen.
    EXPECT_EQ(popup.currentData().toString(), QStringLiteral("my templates"));

    popup.setCurrentIndex(1);
    view()->templateCategoryChanged();
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded.last(), builtIn + QStringLiteral("Name Badges"));
    view()->updateTamplatesList();
    EXPECT_EQ(loaded.size(), 1) << "the list is current";
    view()->initTemplateCategories();
    EXPECT_EQ(popup.currentData().toString(), QStringLiteral("Name Badges"));

    popup.setCurrentIndex(2);
    view()->templateCategoryChanged();
    EXPECT_EQ(loaded.last(), TemplateFile::userFolder() + QStringLiteral("Horizontal"));

    // The orientation decides the folders.
    fixture->landscape.setChecked(true);
    EXPECT_EQ(view()->templatePath(),
              (QStringList{TemplateFile::builtInFolder() + QStringLiteral("Vertical"),
                           TemplateFile::userFolder() + QStringLiteral("Vertical")}));
    view()->templateFolderChanged(false);
    EXPECT_EQ(loaded.last(), TemplateFile::userFolder() + QStringLiteral("Vertical"));
}

} // namespace
