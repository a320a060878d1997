#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/LanguageFixture.h"
#include "foundation/SegmentedControl.h"
#include "platform/NotificationCenter.h"

using namespace quillmark;

namespace {

const QMap<QString, QString> kGerman = {
    {"Back", "Rückseite"},     {"Cancel", "Abbrechen"}, {"Edit", "Bearbeiten"},   {"File", "Ablage"},
    {"Front", "Vorderseite"},  {"Inches", "Zoll"},      {"Layer", "Ebene"},       {"Name", "Name"},
    {"Open", "Öffnen"},        {"Points", "Punkte"},    {"Quit", "Beenden"},      {"Recent", "Zuletzt"},
    {"Search", "Suchen"},      {"Text", "Text"},        {"Title", "Titel"},
};

class LanguageControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fixture.addTable("en", {{"Back", "Back"}, {"Front", "Front"}, {"Quit", "Quit"}, {"Search", "Search"}});
        fixture.addTable("de", kGerman);
    }
    void TearDown() override { Language::reset(); }

    // Builds the controls while `code` is the system language, as when the interface loads,
    // then loads the language again so the registered controls translate.
    void useLanguage(const QString &code) { Language::reset(fixture.root(), code); Language::initialize(); }
    void refreshAll() { Language::setLanguage(Language::language()); }

    qmtest::LanguageFixture fixture;
};

TEST_F(LanguageControlsTest, TextFieldsTranslateTitleOrPlaceholder)
{
    useLanguage("de");
    QLineEdit search;
    search.setPlaceholderText("Search");
    QLineEdit named("Open");
    QLabel title("Title");
    QLabel unknown("Not Translated");
    for (QLineEdit *field : {&search, &named})
        LanguageControls::awakeFromNib(field);
    for (QLabel *label : {&title, &unknown})
        LanguageControls::awakeFromNib(label);

    EXPECT_EQ(search.property(LanguageControls::keyProperty()).toString(), "Search");
    refreshAll();
    EXPECT_EQ(search.placeholderText(), "Suchen");
    EXPECT_TRUE(search.text().isEmpty());
    EXPECT_EQ(named.text(), "Öffnen");
    EXPECT_EQ(title.text(), "Titel");

    // Text typed into a field keyed by its placeholder survives a later refresh.
    search.setText("typed by the user");
    refreshAll();
    EXPECT_EQ(search.text(), "typed by the user");
    EXPECT_EQ(search.placeholderText(), "Suchen");
    EXPECT_EQ(unknown.text(), "Not Translated");
}

TEST_F(LanguageControlsTest, ButtonsBoxesAndMatricesTranslateFromTheirKeys)
{
    useLanguage("de");
    QPushButton cancel("Cancel");
    QCheckBox layer("Layer");
    QGroupBox box("Text");
    box.setTitle("Title");
    QWidget holder;
    QButtonGroup matrix;
    auto *inches = new QRadioButton("Inches", &holder);
    auto *points = new QRadioButton("Points", &holder);
    auto *picas = new QRadioButton("Picas", &holder);
    matrix.addButton(inches);
    matrix.addButton(points);
    matrix.addButton(picas);

    LanguageControls::awakeFromNib(&cancel);
    LanguageControls::awakeFromNib(&layer);
    LanguageControls::awakeFromNib(&box);
    LanguageControls::awakeFromNib(&matrix);
    EXPECT_TRUE(LanguageControls::isObserving(&matrix));
    refreshAll();

    EXPECT_EQ(cancel.text(), "Abbrechen");
    EXPECT_EQ(layer.text(), "Ebene");
    EXPECT_EQ(box.title(), "Titel");
    EXPECT_EQ(inches->text(), "Zoll");
    EXPECT_EQ(points->text(), "Punkte");
    EXPECT_EQ(picas->text(), "Picas");
    // The key stays English, so refreshing twice changes nothing.
    refreshAll();
    EXPECT_EQ(cancel.text(), "Abbrechen");
}

TEST_F(LanguageControlsTest, PopUpItemsKeepTheirKeysInEveryLanguage)
{
    useLanguage("de");
    QComboBox popUp;
    popUp.addItems({"Inches", "Points", "Picas"});
    LanguageControls::awakeFromNib(&popUp);
    refreshAll();
    EXPECT_EQ(popUp.itemText(0), "Zoll");
    EXPECT_EQ(popUp.itemText(1), "Punkte");
    EXPECT_EQ(popUp.itemText(2), "Picas");

    useLanguage("en");
    QComboBox english;
    english.addItems({"Inches"});
    LanguageControls::awakeFromNib(&english);
    EXPECT_EQ(english.itemData(0, LanguageControls::comboKeyRole()).toString(), "Inches");
    EXPECT_FALSE(LanguageControls::isObserving(&english));
}

TEST_F(LanguageControlsTest, MenusTranslateTheirTitleAndWalkItemsDepthFirst)
{
    useLanguage("de");
    QMenu file("File");
    QAction *open = file.addAction("Open");
    QMenu *recent = file.addMenu("Recent");
    QAction *nested = recent->addAction("Search");
    file.addSeparator();
    QAction *quit = file.addAction("Quit");

    LanguageControls::awakeFromNib(&file);
    // An item added after the menu woke has no key, so the walk leaves it alone.
    QAction *stray = file.addAction("Cancel");
    EXPECT_EQ(open->toolTip(), "Open");
    refreshAll();

    EXPECT_EQ(file.title(), "Ablage");
    EXPECT_EQ(open->text(), "Öffnen");
    EXPECT_EQ(recent->menuAction()->text(), "Zuletzt");
    EXPECT_EQ(nested->text(), "Suchen");
    EXPECT_EQ(quit->text(), "Beenden");
    EXPECT_EQ(quit->toolTip(), "Quit");
    EXPECT_EQ(stray->text(), "Cancel");
}

TEST_F(LanguageControlsTest, EnglishInterfaceRegistersOnlyTabsAndStoresMenuItemKeys)
{
    useLanguage("en");
    QMenu file("File");
    QAction *quit = file.addAction("Quit");
    QLabel label("Front");
    QPushButton button("Back");
    SegmentedControl sides({"Front", "Back"});
    QTabWidget tabs;
    tabs.addTab(new QWidget, "Front");
    tabs.addTab(new QWidget, "Back");

    LanguageControls::awakeFromNib(&file);
    LanguageControls::awakeFromNib(&label);
    LanguageControls::awakeFromNib(&button);
    LanguageControls::awakeFromNib(&sides);
    LanguageControls::awakeFromNib(&tabs);

    EXPECT_EQ(quit->toolTip(), "Quit");
    EXPECT_FALSE(LanguageControls::isObserving(&file));
    EXPECT_FALSE(LanguageControls::isObserving(&label));
    EXPECT_FALSE(LanguageControls::isObserving(&button));
    EXPECT_FALSE(LanguageControls::isObserving(&sides));
    EXPECT_TRUE(sides.identifier().isEmpty());
    EXPECT_TRUE(LanguageControls::isObserving(&tabs));
    EXPECT_EQ(LanguageControls::labelForSegment1(&sides, 1), "Back");
}

TEST_F(LanguageControlsTest, UnsupportedLanguageLeavesControlsEnglishAndUnregistered)
{
    useLanguage("fr");
    QLabel label("Front");
    LanguageControls::awakeFromNib(&label);
    refreshAll();
    EXPECT_FALSE(LanguageControls::isObserving(&label));
    EXPECT_EQ(label.text(), "Front");
}

TEST_F(LanguageControlsTest, TabsTranslateEachTabFromItsOwnKey)
{
    useLanguage("de");
    QTabWidget tabs;
    tabs.addTab(new QWidget, "Text");
    tabs.addTab(new QWidget, "Layer");
    tabs.addTab(new QWidget, "Untranslated");
    LanguageControls::awakeFromNib(&tabs);
    refreshAll();
    EXPECT_EQ(tabs.tabText(0), "Text");
    EXPECT_EQ(tabs.tabText(1), "Ebene");
    EXPECT_EQ(tabs.tabText(2), "Untranslated");
}

TEST_F(LanguageControlsTest, SegmentedLabelsAreKeyedByPosition)
{
    useLanguage("de");
    SegmentedControl sides({"Front", "", "Back"});
    LanguageControls::awakeFromNib(&sides);
    EXPECT_EQ(sides.identifier(), "Front,,Back");
    refreshAll();
    EXPECT_EQ(sides.label(0), "Vorderseite");
    EXPECT_EQ(sides.label(1), "");
    EXPECT_EQ(sides.label(2), "Rückseite");

    EXPECT_EQ(LanguageControls::labelForSegment1(&sides, 0), "Front");
    EXPECT_EQ(LanguageControls::labelForSegment1(&sides, 2), "Back");
    sides.setSegmentCount(4);
    sides.setLabel(3, "Extra");
    EXPECT_EQ(LanguageControls::labelForSegment1(&sides, 3), "Extra");

    SegmentedControl unkeyed({"Layer"});
    EXPECT_EQ(LanguageControls::labelForSegment1(&unkeyed, 0), "Layer");
}

TEST_F(LanguageControlsTest, DestroyedControlsStopObserving)
{
    useLanguage("de");
    NotificationCenter &center = NotificationCenter::defaultCenter();
    const int before = center.observerCount();
    auto label = std::make_unique<QLabel>("Front");
    auto box = std::make_unique<QGroupBox>("Back");
    LanguageControls::awakeFromNib(label.get());
    LanguageControls::awakeFromNib(box.get());
    LanguageControls::awakeFromNib(box.get());
    EXPECT_EQ(center.observerCount(), before + 2);
    label.reset();
    box.reset();
    EXPECT_EQ(center.observerCount(), before);
    refreshAll();
    QLabel survivor("Back");
    LanguageControls::awakeFromNib(&survivor);
    refreshAll();
    EXPECT_EQ(survivor.text(), "Rückseite");
}

TEST(SegmentedControl, SelectsOneSegmentAtATime)
{
    SegmentedControl control({"Horizontal", "Vertical"});
    EXPECT_EQ(control.segmentCount(), 2);
    EXPECT_EQ(control.selectedSegment(), -1);
    int clicked = -1;
    QObject::connect(&control, &SegmentedControl::segmentClicked, [&](int i) { clicked = i; });
    control.setSelectedSegment(1);
    EXPECT_EQ(control.selectedSegment(), 1);
    EXPECT_EQ(clicked, -1);
    control.segmentButton(0)->click();
    EXPECT_EQ(clicked, 0);
    EXPECT_EQ(control.selectedSegment(), 0);
    EXPECT_FALSE(control.segmentButton(1)->isChecked());
    control.setSelectedSegment(-1);
    EXPECT_EQ(control.selectedSegment(), -1);
    EXPECT_EQ(control.label(5), "");
    control.setSegmentCount(1);
    EXPECT_EQ(control.segmentCount(), 1);
}

} // namespace
