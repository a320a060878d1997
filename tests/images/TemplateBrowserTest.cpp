// The template browser: its tiles read from template files on the worker threads through the
// one picture check, a tile's click, delete box, rename and size menu, the category pop-up;
// and the built-in templates the application ships.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/AllKinds.h"
#include "canvas/RectsView.h"
#include "canvas/TemplateFile.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listTmplViewItem.h"
#include "objects/ColorRect.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

QByteArray png(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return TemplateFile::previewData(image);
}

// A template of one red rectangle made for a 4 x 2 inch label.
QVariantMap templateWith(const QByteArray &preview)
{
    auto graphic = ColorRect::create(QRectF(20, 20, 100, 50));
    graphic->setFillColor(Qt::red);
    graphic->setPageName(QStringLiteral("HorizontalFront"));
    QVariantMap dict;
    dict.insert(QStringLiteral("ObjectsList"), QVariantList{graphic->propertyListRepresentationTemplate()});
    dict.insert(QStringLiteral("TemplateBounds"), QStringLiteral("{{0, 0}, {288, 144}}"));
    if (!preview.isNull())
        dict.insert(QStringLiteral("TemplateImage"), preview);
    return dict;
}

void write(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

void writeTemplate(const QString &path, const QColor &color = Qt::red)
{
    write(path, PropertyList::toData(templateWith(png(QSize(150, 75), color))));
}

// A PNG that announces 20,000 by 20,000 pixels: refused by the check before any pixel is read.
QByteArray hugePngHeader()
{
    QByteArray data = png(QSize(4, 4), Qt::blue);
    const QByteArray side("\x00\x00\x4e\x20", 4);
    data.replace(16, 4, side);
    data.replace(20, 4, side);
    return data;
}

class TemplateBrowser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("template-browser-defaults"))
                                              + QStringLiteral("/defaults.ini"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerAllKinds();
        ScrollNSImageView::clearThumbnailCache();
        RectsView::setTemplateListLoaded(false);
        static int run = 0;
        data = qmtest::freshDir(QStringLiteral("template-browser-%1").arg(++run));
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.toUtf8());

        side.setSelectedSegment(0);
        LanguageControls::awakeFromNib(&side);
        layers.setSelectedSegment(1);
        canvas = std::make_unique<RectsView>();
        RectsView::Outlets outlets;
        outlets.segmentedFrontBackOutlet = &side;
        outlets.segmentedLayersOutlet = &layers;
        outlets.cbLandscapeView = &landscape;
        canvas->setOutlets(outlets);
        TLabel label;
        label.width = 4.0f;
        label.height = 2.0f;
        canvas->setTLabel(label);
        panel = std::make_unique<TemplateBrowserPanel>(canvas.get());
        panel->resize(320, 500);
    }
    void TearDown() override
    {
        panel.reset();
        canvas.reset();
        qputenv("XDG_DATA_HOME", oldData);
        Language::reset();
    }

    QString userFolder() const { return TemplateFile::userFolder() + QStringLiteral("Horizontal"); }
    ScrollNSImageView *browser() const { return panel->imageTmplListView(); }
    listTmplViewItem *tile(int i) const { return qobject_cast<listTmplViewItem *>(browser()->tiles().at(i)); }
    QStringList titles() const
    {
        QStringList list;
        for (listImageViewItem *t : browser()->tiles())
            list << t->title();
        return list;
    }
    // Shows the user's templates, as choosing "my templates" does.
    void showMyTemplates()
    {
        panel->show();
        QComboBox *popup = panel->templatePopup();
        popup->setCurrentIndex(popup->findData(QStringLiteral("my templates")));
        canvas->templateCategoryChanged();
        ASSERT_TRUE(browser()->waitForThumbnails(20000));
    }

    QString data;
    QByteArray oldData;
    SegmentedControl side{{QStringLiteral("Front"), QStringLiteral("Back")}};
    SegmentedControl layers{{QStringLiteral("Background"), QStringLiteral("Foreground")}};
    QCheckBox landscape;
    std::unique_ptr<RectsView> canvas;
    std::unique_ptr<TemplateBrowserPanel> panel;
    qmtest::ScopedTestPrompts prompts;
};

} // namespace

// ---- the tiles ----

TEST_F(TemplateBrowser, PreviewsAreReadOnTheWorkersAndOnlySoundTemplatesGetTiles)
{
    const QString folder = userFolder();
    writeTemplate(folder + QStringLiteral("/Blue.vrxtemp"), Qt::blue);
    writeTemplate(folder + QStringLiteral("/Red.vrxtemp"), Qt::red);
    writeTemplate(folder + QStringLiteral("/.Hidden.vrxtemp"));
    writeTemplate(folder + QStringLiteral("/Shouting.VRXTEMP"));
    write(folder + QStringLiteral("/Damaged.vrxtemp"), "bplist00 but not really");
    write(folder + QStringLiteral("/notes.txt"), "a note");
    write(folder + QStringLiteral("/No preview.vrxtemp"), PropertyList::toData(templateWith(QByteArray())));
    write(folder + QStringLiteral("/Bomb.vrxtemp"), PropertyList::toData(templateWith(hugePngHeader())));
    write(folder + QStringLiteral("/Text preview.vrxtemp"), PropertyList::toData(templateWith("just text")));
    ASSERT_EQ(mkfifo((folder + QStringLiteral("/Pipe.vrxtemp")).toLocal8Bit().constData(), 0600), 0);

    browser()->loadAllITemplatesPath(folder);
    // Every regular file named like a template waits for its preview; none has one yet: the
    // previews arrive from the workers through the event loop.
    EXPECT_EQ(titles(), (QStringList{"Blue", "Bomb", "Damaged", "No preview", "Red", "Text preview"}));
    for (listImageViewItem *t : browser()->tiles())
        EXPECT_TRUE(t->image().isNull());
    EXPECT_TRUE(browser()->isLoading());
    ASSERT_TRUE(browser()->waitForThumbnails(20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(titles(), (QStringList{"Blue", "Red"}));
    const QImage blue = browser()->tiles().at(0)->image();
    ASSERT_FALSE(blue.isNull());
    EXPECT_EQ(blue.pixelColor(blue.width() / 2, blue.height() / 2), QColor(Qt::blue));
    EXPECT_LE(std::max(blue.width(), blue.height()), browser()->thumbnailBox().width());

    // The same folder again: the tiles stay, with their selection.
    listImageViewItem *first = browser()->tiles().at(0);
    browser()->setSelectedItem(first);
    browser()->loadAllITemplatesPath(folder);
    ASSERT_EQ(browser()->getCount(), 2);
    EXPECT_EQ(browser()->tiles().at(0), first);
    EXPECT_TRUE(first->isSelected());
    // Forgotten, it is read again.
    browser()->setPath(QString());
    browser()->loadAllITemplatesPath(folder);
    EXPECT_NE(browser()->selectedItem(), first);
    ASSERT_TRUE(browser()->waitForThumbnails(20000));

    // An empty or missing folder empties the browser.
    browser()->loadAllITemplatesPath(data + QStringLiteral("/nowhere"));
    EXPECT_EQ(browser()->getCount(), 0);
}

TEST_F(TemplateBrowser, AClickAppliesTheTemplateAndTheTileStaysHighlighted)
{
    writeTemplate(userFolder() + QStringLiteral("/Red.vrxtemp"));
    TLabel small;
    small.width = 2.0f;
    small.height = 1.0f;
    canvas->setTLabel(small);
    showMyTemplates();
    ASSERT_EQ(browser()->getCount(), 1);
    listTmplViewItem *red = tile(0);
    QTest::mouseClick(red, Qt::LeftButton, {}, QPoint(red->width() / 2, red->height() / 3));
    ASSERT_EQ(canvas->getRects().size(), 1);
    EXPECT_EQ(canvas->getRects().first()->frameBounds(), QRectF(10, 10, 50, 25));
    EXPECT_TRUE(canvas->getRects().first()->isTemplate());
    EXPECT_TRUE(red->isSelected());
    EXPECT_EQ(browser()->selectedItem(), red);
    // A press on the browser's empty area clears the selection.
    QTest::mouseClick(browser(), Qt::LeftButton, {}, QPoint(browser()->width() - 5, browser()->height() - 5));
    EXPECT_FALSE(red->isSelected());
}

TEST_F(TemplateBrowser, TheDeleteBoxAsksFirstAndTheListFollows)
{
    writeTemplate(userFolder() + QStringLiteral("/Keep.vrxtemp"));
    writeTemplate(userFolder() + QStringLiteral("/Go.vrxtemp"));
    showMyTemplates();
    ASSERT_EQ(titles(), (QStringList{"Go", "Keep"}));
    listTmplViewItem *go = tile(0);
    const QPoint box = go->templateDeleteRect().center().toPoint();

    prompts->queueAlert(Prompts::SecondButton);
    QTest::mouseClick(go, Qt::LeftButton, {}, box);
    EXPECT_EQ(prompts->last().title, QStringLiteral("Are you sure you wish to delete the design?"));
    EXPECT_EQ(prompts->last().buttons, (QStringList{"Delete", "Cancel"}));
    EXPECT_TRUE(QFileInfo::exists(userFolder() + QStringLiteral("/Go.vrxtemp")));
    EXPECT_TRUE(canvas->getRects().isEmpty()) << "the press asks, it applies nothing";
    EXPECT_FALSE(go->isSelected());

    prompts->queueAlert(Prompts::FirstButton);
    QTest::mouseClick(go, Qt::LeftButton, {}, box);
    EXPECT_FALSE(QFileInfo::exists(userFolder() + QStringLiteral("/Go.vrxtemp")));
    ASSERT_TRUE(browser()->waitForThumbnails(20000));
    EXPECT_EQ(titles(), (QStringList{"Keep"}));
}

TEST_F(TemplateBrowser, ANameIsRenamedInItsFolderAndRefusedWhenItWouldLeaveOrHide)
{
    writeTemplate(userFolder() + QStringLiteral("/A.vrxtemp"));
    writeTemplate(userFolder() + QStringLiteral("/A1.vrxtemp"));
    writeTemplate(userFolder() + QStringLiteral("/Draft.vrxtemp"));
    showMyTemplates();
    ASSERT_EQ(titles(), (QStringList{"A", "A1", "Draft"}));
    listTmplViewItem *draft = tile(2);

    auto rename = [&](const QString &name) {
        QTest::mouseClick(draft, Qt::LeftButton, {}, draft->titleRect().center().toPoint());
        QLineEdit *field = draft->renameField();
        EXPECT_TRUE(field && field->isVisible());
        if (!field)
            return;
        field->selectAll();
        QTest::keyClicks(field, name);
        QTest::keyClick(field, Qt::Key_Return);
    };
    rename(QStringLiteral("A"));
    EXPECT_EQ(draft->filePath(), userFolder() + QStringLiteral("/A12.vrxtemp"));
    EXPECT_TRUE(QFileInfo::exists(userFolder() + QStringLiteral("/A12.vrxtemp")));
    EXPECT_FALSE(draft->renameField()->isVisible());
    EXPECT_EQ(canvas->getRects().size(), 1) << "the press on the name applies the template too";

    for (const QString &name : {QStringLiteral("../Out"), QStringLiteral(".hidden"), QStringLiteral("a/b")}) {
        SCOPED_TRACE(name.toStdString());
        prompts->clear();
        rename(name);
        EXPECT_EQ(draft->filePath(), userFolder() + QStringLiteral("/A12.vrxtemp"));
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
        EXPECT_EQ(prompts->last().message,
                  QStringLiteral("Template names cannot be empty, contain \"/\" or start with \".\"."));
    }
    EXPECT_EQ(QDir(userFolder()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    EXPECT_FALSE(QFileInfo::exists(TemplateFile::userFolder() + QStringLiteral("Out.vrxtemp")));
}

TEST_F(TemplateBrowser, TheSizeMenuSwitchesBetweenSmallAndLargeTilesAndIsRemembered)
{
    writeTemplate(userFolder() + QStringLiteral("/One.vrxtemp"));
    showMyTemplates();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), browser()->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(tile(0), &event);
    QMenu *menu = browser()->sizeMenu();
    ASSERT_TRUE(menu);
    const QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("View Small Size"));
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_EQ(items[1]->text(), QStringLiteral("View Large Size"));
    EXPECT_TRUE(items[1]->isEnabled());
    items[1]->trigger();
    menu->hide();
    EXPECT_EQ(tile(0)->size(), QSize(160, 160));
    EXPECT_EQ(canvas->templateItemSize(), 160);
}

TEST_F(TemplateBrowser, TheCategoryPopUpListsTheShippedCategoriesForTheOrientation)
{
    panel->show();
    QStringList horizontal;
    for (int i = 0; i < panel->templatePopup()->count(); ++i)
        horizontal << panel->templatePopup()->itemData(i).toString();
    EXPECT_EQ(horizontal, (QStringList{"Address Labels", "Business Cards", "CD Labels", "File Folders", "Name Badges",
                                       "Return Labels", "Shipping Labels", "my templates"}));
    // Shown in the interface's language, chosen by their English names.
    Language::setLanguage(QStringLiteral("de"));
    canvas->initTemplateCategories();
    EXPECT_EQ(panel->templatePopup()->itemText(1), QStringLiteral("Visitenkarten"));
    EXPECT_EQ(panel->templatePopup()->itemData(1).toString(), QStringLiteral("Business Cards"));
    Language::setLanguage(QStringLiteral("en"));

    landscape.setChecked(true);
    canvas->templateFolderChanged(false);
    QStringList vertical;
    for (int i = 0; i < panel->templatePopup()->count(); ++i)
        vertical << panel->templatePopup()->itemData(i).toString();
    EXPECT_EQ(vertical, (QStringList{"Business Cards", "Name Badges", "Shipping Labels", "my templates"}));
    ASSERT_TRUE(browser()->waitForThumbnails(20000));
    EXPECT_EQ(titles(), (QStringList{"Classic", "Garden", "Midnight", "Modern Bar"}));
}

// ---- the shipped templates ----

namespace {

struct Shipped
{
    QString path;
    QString orientation;
    QString category;
    QVariantMap dict;
};

QList<Shipped> shippedTemplates()
{
    QList<Shipped> list;
    QDirIterator it(TemplateFile::builtInFolder(), {QStringLiteral("*.vrxtemp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QDir category = QFileInfo(path).dir();
        QDir orientation = category;
        orientation.cdUp();
        const std::optional<QVariantMap> dict = TemplateFile::read(path);
        list.append({path, orientation.dirName(), category.dirName(), dict.value_or(QVariantMap())});
    }
    return list;
}

} // namespace

TEST(ShippedTemplates, AtLeastFortyDesignsInEveryCategoryAndBothOrientations)
{
    const QList<Shipped> templates = shippedTemplates();
    EXPECT_GE(templates.size(), 40);
    QMap<QString, int> perCategory;
    QSet<QString> orientations;
    for (const Shipped &t : templates) {
        ++perCategory[t.category];
        orientations.insert(t.orientation);
    }
    EXPECT_EQ(orientations, (QSet<QString>{"Horizontal", "Vertical"}));
    for (const char *category : {"Address Labels", "Return Labels", "Name Badges", "Business Cards", "CD Labels",
                                 "Shipping Labels", "File Folders"})
        EXPECT_GE(perCategory.value(QString::fromLatin1(category)), 4) << category;
}

TEST(ShippedTemplates, EachIsMadeForARealSheetAndHasAPreviewOfAtMost150)
{
    // The label sizes of the sheets each category is made for, in points, as the catalogue
    // gives them (5160, 5167, 5395, 5371, 5931, 5163 and 5164, 5366).
    const QMap<QString, QList<QSizeF>> sizes = {
        {"Address Labels", {QSizeF(189, 72)}},
        {"Return Labels", {QSizeF(126, 36)}},
        {"Name Badges", {QSizeF(243, 168)}},
        {"Business Cards", {QSizeF(252, 144)}},
        {"CD Labels", {QSizeF(333, 333)}},
        {"Shipping Labels", {QSizeF(288, 144), QSizeF(288, 240)}},
        {"File Folders", {QSizeF(247.5, 48)}},
    };
    for (const Shipped &t : shippedTemplates()) {
        SCOPED_TRACE(t.path.toStdString());
        ASSERT_FALSE(t.dict.isEmpty()) << "reads as a sound template";
        QSizeF size = TemplateFile::bounds(t.dict).size();
        if (t.orientation == QLatin1String("Vertical")) {
            EXPECT_LT(size.width(), size.height());
            size.transpose();
        }
        const QList<QSizeF> expected = sizes.value(t.category);
        EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [&size](const QSizeF &e) {
            return std::abs(e.width() - size.width()) < 0.01 && std::abs(e.height() - size.height()) < 0.01;
        })) << size.width() << " x " << size.height();
        const QImage preview = QImage::fromData(t.dict.value("TemplateImage").toByteArray(), "PNG");
        ASSERT_FALSE(preview.isNull());
        const QSizeF bounds = TemplateFile::bounds(t.dict).size();
        // A label of 150 points or less keeps its own size.
        EXPECT_EQ(std::max(preview.width(), preview.height()),
                  std::min(150, int(std::lround(std::max(bounds.width(), bounds.height())))));
        EXPECT_NEAR(double(preview.width()) / preview.height(), bounds.width() / bounds.height(), 0.02);
    }
}

TEST_F(TemplateBrowser, EveryShippedTemplateAppliesWithItsPicturesInsideTheLabel)
{
    for (const Shipped &t : shippedTemplates()) {
        SCOPED_TRACE(t.path.toStdString());
        canvas->removeAllRects();
        landscape.setChecked(t.orientation == QLatin1String("Vertical"));
        const QSizeF size = TemplateFile::bounds(t.dict).size();
        TLabel label;
        label.width = float(size.width() / 72.0);
        label.height = float(size.height() / 72.0);
        canvas->setTLabel(label);
        ASSERT_TRUE(canvas->setupNewTemplate(t.path, true));
        ASSERT_FALSE(canvas->getRects().isEmpty());
        const QRectF labelRect(QPointF(0, 0), size);
        bool printsRecords = false;
        for (const GraphicPtr &graphic : canvas->getRects()) {
            EXPECT_EQ(graphic->getPageName(), canvas->getCurrPageName());
            EXPECT_FALSE(graphic->imageFileMissing()) << graphic->imagePath().toStdString();
            if (!graphic->imagePath().isEmpty()) {
                EXPECT_TRUE(graphic->hasValidImage()) << graphic->imagePath().toStdString();
            }
            // Corner by corner: a level line's frame has no height.
            const QRectF frame = graphic->frameBoundsRotated();
            const QRectF allowed = labelRect.adjusted(-2, -2, 2, 2);
            EXPECT_TRUE(allowed.contains(frame.topLeft()) && allowed.contains(frame.bottomRight()))
                << graphic->className().toStdString() << " " << frame.x() << "," << frame.y() << " "
                << frame.width() << "x" << frame.height();
            printsRecords = printsRecords || graphic->className() == QLatin1String("ColorAddress");
        }
        // Address labels print the database's records.
        if (t.category == QLatin1String("Address Labels")) {
            EXPECT_TRUE(printsRecords);
        }
    }
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
}
