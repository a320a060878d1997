// Every text of every window shows whole in each of the five languages on a 1024 x 768
// screen: the main window in design and database mode, each inspector page and database pane
// opened by its tab, and every window and dialog of the program, each of which fits the
// screen. The walk (TextWalk) finds the controls itself and measures every text against the
// room it is given: titles and labels, the values inside fields and spin boxes, every item of
// every combo box, list and tree, the texts views paint themselves, and the note a number field
// shows when it refuses what was typed. Every context menu the windows open and every tool tip
// speak the language. The window shows realistic values: a box of 1.17 by
// 0.42 inches with a picture is selected, and the database holds a hundred thousand records.
#include <gtest/gtest.h>

#include <optional>
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QMainWindow>
#include <QDoubleSpinBox>
#include <QDirIterator>
#include <QtEndian>
#include <QProcess>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <cstring>
#include <functional>
#include <map>

#include "app/AppTestSupport.h"
#include "app/HelpWindow.h"
#include "app/TextWalk.h"
#include "canvas/AboutPanel.h"
#include "canvas/SaveTemplate.h"
#include "database/window/CategoriesPanel.h"
#include "database/window/DBPropertiesView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/window/ExportDatabasePanel.h"
#include "database/window/NewImportDatabasePanel.h"
#include "database/window/PreferencesDatabasePanel.h"
#include "database/window/PropertyViewButtonCell.h"
#include "database/window/QuickAddressPanel.h"
#include "foundation/Preference.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "platform/ImageFilter.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "foundation/TypedNumber.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "platform/Bundle.h"
#include "platform/ScreenArea.h"
#include "printing/PrintingPanel.h"
#include "stock/EditCustomFormat.h"
#include "stock/EditCustomLabel.h"
#include "stock/DataSource.h"
#include "stock/TLabelType.h"
#include "platform/RulerView.h"
#include "inspector/PropertiesView.h"
#include "objects/ColorRect.h"

using namespace quillmark;

namespace {

using textwalk::TextWalk;

// The walk of the whole window: as it opens, with each tab of each tab widget in front, and
// with each page of the side panels (the inspector's pages, the database's panes) opened by
// its button; the number fields of each page say why they refuse a text.
void walkWindow(TextWalk &walk, QWidget *window, const QString &where)
{
    walk.walk(window, where);
    walk.toolTips(window, where);
    walk.contextMenus(window, where);
    walk.refusalNotes(window, where);
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        if (!tabs->isVisible())
            continue;
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabEnabled(i) || !tabs->isTabVisible(i))
                continue;
            tabs->setCurrentIndex(i);
            apptest::settle();
            const QString at = where + QStringLiteral(" tab \"") + tabs->tabText(i) + QLatin1Char('"');
            walk.walk(tabs->widget(i), at);
            walk.toolTips(tabs->widget(i), at);
            walk.refusalNotes(tabs->widget(i), at);
        }
        tabs->setCurrentIndex(current);
        apptest::settle();
    }
    // Docks tabbed together, each brought to the front.
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        for (QDockWidget *dock : window->findChildren<QDockWidget *>()) {
            if (!dock->isVisible() || main->tabifiedDockWidgets(dock).isEmpty())
                continue;
            dock->raise();
            apptest::settle();
            const QString at = where + QStringLiteral(" dock \"") + dock->windowTitle() + QLatin1Char('"');
            walk.walk(dock, at);
            walk.refusalNotes(dock, at);
        }
    }
    QList<QAbstractButton *> pageButtons;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (qobject_cast<PropertiesTabButton *>(button) || qobject_cast<PropertyViewButtonCell *>(button))
            pageButtons << button;
    for (QAbstractButton *button : std::as_const(pageButtons)) {
        if (!button->isVisible() || !button->isEnabled())
            continue;
        const bool wasOpen = button->isChecked();
        if (!wasOpen) {
            QTest::mouseClick(button, Qt::LeftButton);
            apptest::settle();
        }
        const QString at = where + QStringLiteral(" page \"") + button->text() + QStringLiteral("\" (")
            + button->toolTip() + QLatin1Char(')');
        walk.walk(window, at);
        walk.toolTips(window, at);
        if (!wasOpen)
            walk.refusalNotes(window, at);
        if (!wasOpen && button->isChecked() && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            apptest::settle();
        }
    }
}

// The names of the image library's filters as it gives them under a language's locale, read
// from its own message catalogue: the effects list shows the library's names, which follow
// the user's locale rather than the program's language.
QHash<QByteArray, QString> libraryNames(const QString &language)
{
    QHash<QByteArray, QString> names;
    if (language == QLatin1String("en"))
        return names;
    const QString folder = language == QLatin1String("zh") ? QStringLiteral("zh_CN") : language;
    QFile file(QStringLiteral("/usr/share/locale/%1/LC_MESSAGES/gegl-0.4.mo").arg(folder));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "the image library's names are not installed: " << file.fileName().toStdString();
        return names;
    }
    const QByteArray data = file.readAll();
    quint32 magic = 0;
    if (data.size() >= 20)
        std::memcpy(&magic, data.constData(), 4);
    const bool swapped = magic == 0xde120495u;
    if (!swapped && magic != 0x950412deu) {
        ADD_FAILURE() << "not a message catalogue: " << file.fileName().toStdString();
        return names;
    }
    auto word = [&](qint64 at) -> quint32 {
        quint32 value = 0;
        if (at >= 0 && at + 4 <= data.size())
            std::memcpy(&value, data.constData() + at, 4);
        return swapped ? qbswap(value) : value;
    };
    auto string = [&](qint64 entry) {
        const qint64 length = word(entry);
        const qint64 offset = word(entry + 4);
        if (offset + length > data.size())
            return QByteArray();
        // The first form of a plural message.
        return data.mid(offset, length).split('\0').first();
    };
    const quint32 count = word(8);
    const quint32 originals = word(12);
    const quint32 translations = word(16);
    for (quint32 i = 0; i < count; ++i)
        names.insert(string(originals + 8 * qint64(i)), QString::fromUtf8(string(translations + 8 * qint64(i))));
    return names;
}

// A filter of the library under another name, as it would be listed under that locale.
class SpokenFilter : public ImageFilter
{
public:
    SpokenFilter(std::unique_ptr<ImageFilter> filter, QString name)
        : m_filter(std::move(filter))
        , m_name(std::move(name))
    {
    }
    QString name() const override { return m_filter->name(); }
    QString displayName() const override { return m_name; }
    QStringList categories() const override { return m_filter->categories(); }
    QStringList inputKeys() const override { return m_filter->inputKeys(); }
    const FilterInput *input(const QString &key) const override { return m_filter->input(key); }
    void setDefaults() override { m_filter->setDefaults(); }
    QVariant value(const QString &key) const override { return m_filter->value(key); }
    void setValue(const QString &key, const QVariant &value) override { m_filter->setValue(key, value); }
    FilterImage outputImage() const override { return m_filter->outputImage(); }

private:
    std::unique_ptr<ImageFilter> m_filter;
    QString m_name;
};

EffectCatalogue spokenCatalogue(const QString &language)
{
    const EffectCatalogue standard = EffectCatalogue::standard();
    const QHash<QByteArray, QString> names = libraryNames(language);
    return {standard.filterNamesInCategory, [standard, names](const QString &name) -> std::unique_ptr<ImageFilter> {
                std::unique_ptr<ImageFilter> filter = standard.filterWithName(name);
                if (!filter)
                    return nullptr;
                const QString spoken = names.value(filter->displayName().toUtf8());
                const QString shown = spoken.isEmpty() ? filter->displayName() : spoken;
                return std::make_unique<SpokenFilter>(std::move(filter), shown);
            }};
}

// Each window class of the program and how the walk makes it in a language.
using WindowMaker = std::function<QWidget *(MainWindow *, const QString &language)>;

std::map<QString, WindowMaker> windowMakers()
{
    return {
        {QStringLiteral("NewImportDatabasePanel"), [](MainWindow *w, const QString &) { return new NewImportDatabasePanel(w); }},
        {QStringLiteral("ExportDatabasePanel"), [](MainWindow *w, const QString &) { return new ExportDatabasePanel(w); }},
        {QStringLiteral("PreferencesDatabasePanel"), [](MainWindow *w, const QString &) { return new PreferencesDatabasePanel(w); }},
        {QStringLiteral("QuickAddressPanel"), [](MainWindow *w, const QString &) { return new QuickAddressPanel(w); }},
        {QStringLiteral("CategoriesPanel"),
         [](MainWindow *w, const QString &) {
             auto *panel = new CategoriesPanel(w->modeSwitch()->databaseView()->databaseFieldsView(), w);
             panel->setupArray(0);
             return panel;
         }},
        {QStringLiteral("Controller"),
         [](MainWindow *w, const QString &language) { return new Controller(w, spokenCatalogue(language)); }},
        {QStringLiteral("SaveTemplate"), [](MainWindow *w, const QString &) { return new SaveTemplate(w); }},
        {QStringLiteral("PrintingPanel"), [](MainWindow *w, const QString &) {
             auto *panel = new PrintingPanel(w->canvas(), w);
             panel->initPrinters();
             return panel;
         }},
        {QStringLiteral("Preference"), [](MainWindow *w, const QString &) { return new Preference(w); }},
        {QStringLiteral("EditCustomLabel"), [](MainWindow *w, const QString &) {
             auto *panel = new EditCustomLabel(w, w->canvas());
             panel->setup();
             return panel;
         }},
        {QStringLiteral("EditCustomFormat"), [](MainWindow *w, const QString &) {
             auto *panel = new EditCustomFormat(w, w->canvas());
             panel->setup(nullptr);
             return panel;
         }},
        {QStringLiteral("AboutPanel"), [](MainWindow *w, const QString &) { return new AboutPanel(w); }},
        {QStringLiteral("HelpWindow"), [](MainWindow *w, const QString &) -> QWidget * {
             const QString page = Bundle::pathForResource(QStringLiteral("main"), QStringLiteral("html"),
                                                          QStringLiteral("help"));
             EXPECT_FALSE(page.isEmpty()) << "the manual is not shipped";
             return HelpWindow::showPage(w, page);
         }},
    };
}

QString sourceRoot()
{
    const QByteArray fromEnvironment = qgetenv("QM_SOURCE_DIR");
    if (!fromEnvironment.isEmpty())
        return QString::fromUtf8(fromEnvironment);
    return QDir(QString::fromUtf8(QM_SOURCE_RESOURCES) + QStringLiteral("/..")).absolutePath();
}

// The window classes the sources declare: the dialogs, and the widgets made as windows of
// their own (a base initialised with Qt::Window or Qt::Dialog).
QStringList declaredWindows()
{
    QStringList names;
    const QRegularExpression dialog(QStringLiteral("class\\s+(\\w+)\\s*:\\s*public\\s+QDialog\\b"));
    const QRegularExpression window(
        QStringLiteral("\\b(\\w+)::\\1\\s*\\([^)]*\\)\\s*:\\s*QWidget\\s*\\([^;{]*Qt::(?:Window|Dialog)\\b"));
    QDirIterator it(sourceRoot() + QStringLiteral("/src"), {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpression *pattern : {&dialog, &window}) {
            auto matches = pattern->globalMatch(text);
            while (matches.hasNext())
                names << matches.next().captured(1);
        }
    }
    names.removeDuplicates();
    names.sort();
    return names;
}

constexpr QRect FreeArea(0, 32, 1024, 736);

// The screen's free area of a 1024 x 768 screen under a desktop panel.
class SmallScreen
{
public:
    SmallScreen()
    {
        m_previous = ScreenArea::setOverride([](const QWidget *) { return FreeArea; });
    }
    ~SmallScreen() { ScreenArea::setOverride(m_previous); }

private:
    std::function<QRect(const QWidget *)> m_previous;
};

// A database of a hundred thousand records, made once for all the languages: the record
// counter then shows the six-digit counts of a large mailing list.
QString largeDatabase()
{
    static QString path;
    if (!path.isEmpty())
        return path;
    const QString made = qmtest::freshDir(QStringLiteral("whole-texts-large")) + QStringLiteral("/Large.qkdt");
    QString error;
    if (!Database::createDatabaseAtPath(made, &error)) {
        ADD_FAILURE() << error.toStdString();
        return {};
    }
    {
        // One record as the editor writes it, copied by sqlite3 into the others.
        std::unique_ptr<Database> database = Database::openDatabaseAtPath(made, &error);
        if (!database) {
            ADD_FAILURE() << error.toStdString();
            return {};
        }
        database->initFieldValues();
        database->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Ann"));
        database->fieldValues().insert(QStringLiteral("Last_Name"), QStringLiteral("Lee"));
        database->insertRecord();
    }
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {made, QStringLiteral("CREATE TEMP TABLE one AS SELECT * FROM dbtable; ALTER TABLE one DROP COLUMN pk; "
                                       "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                                       "INSERT INTO dbtable SELECT n.i, one.* FROM n, one;")});
    if (!sqlite.waitForFinished(60000) || sqlite.exitStatus() != QProcess::NormalExit || sqlite.exitCode() != 0) {
        ADD_FAILURE() << "sqlite3: " << sqlite.readAllStandardError().toStdString();
        return {};
    }
    path = made;
    return path;
}

// The design a user has in front of them: a box of 1.17 by 0.42 inches at 0.42 inches from
// the label's corner, holding a picture, selected.
void selectAPictureBox(apptest::WindowFixture &f)
{
    f.drawRect(QRectF(30.24, 30.24, 84.24, 30.24));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(60, 45));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    QImage picture(40, 30, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::darkCyan);
    f.canvas()->selectedObjects().first()->setImage(picture);
    f.window->objectInfo()->refresh();
    apptest::settle();
}

} // namespace

TEST(WholeTexts, TheWalkKnowsEveryWindowOfTheProgram)
{
    const QStringList declared = declaredWindows();
    ASSERT_FALSE(declared.isEmpty());
    QStringList known;
    for (const auto &[name, make] : windowMakers())
        known << name;
    known.sort();
    EXPECT_EQ(declared, known) << "a window the text walk does not open";
}

TEST(WholeTexts, EveryTextOfEveryWindowShowsWholeInEachLanguage)
{
    const QString large = largeDatabase();
    ASSERT_FALSE(large.isEmpty());
    QStringList problems;
    const QLocale userLocale;
    for (const char *language : {"en", "de", "es", "ru", "zh"}) {
        SmallScreen screen;
        // Numbers written as the language writes them: "0,42 дюйм".
        QLocale::setDefault(QLocale(QLatin1String(language)));
        apptest::WindowFixture f(QStringLiteral("whole-texts-") + QLatin1String(language), QLatin1String(language));
        MainWindow *window = f.window.get();
        window->finishLaunching();
        apptest::settle();
        TextWalk walk(QLatin1String(language), FreeArea);
        walk.fitsScreen(window, QStringLiteral("main window"));

        // Design mode with a picture box selected, its picture's style copied (the canvas's
        // context menu offers to copy and paste it), each inspector page opened in turn.
        selectAPictureBox(f);
        f.canvas()->copyImageStyle();
        walkWindow(walk, window, QStringLiteral("design"));

        // Database mode on a large database, each pane of its side panel opened in turn.
        DatabaseModeSwitch *modes = window->modeSwitch();
        modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
        apptest::settle();
        DatabaseFieldsView *editor = modes->databaseView()->databaseFieldsView();
        EXPECT_TRUE(editor->setDatabasePath(large));
        apptest::settle();
        walkWindow(walk, window, QStringLiteral("database"));
        modes->switchTabs(DatabaseModeSwitch::LabelDesign);
        apptest::settle();

        // Each window, shown as the program shows it.
        for (const auto &[name, make] : windowMakers()) {
            QWidget *made = make(window, QLatin1String(language));
            if (!made)
                continue;
            made->show();
            apptest::settle();
            walk.fitsScreen(made, name);
            walkWindow(walk, made, name);
            made->hide();
            delete made;
            apptest::settle();
        }
        EXPECT_GT(walk.measured(), 200) << language;
        // The canvas's, the database list's and the fields' context menus at least.
        EXPECT_GE(walk.menusRead(), 3) << language;
        // Those the selected box enables: its place, size, angle, tiling and text size.
        EXPECT_GE(walk.notes(), 7) << language << ": the number fields the walk typed into";
        problems << walk.problems();
    }
    QLocale::setDefault(userLocale);
    EXPECT_TRUE(problems.isEmpty()) << problems.size() << " texts cut:\n" << problems.join(QLatin1Char('\n')).toStdString();
}

// The texts the window composes speak the language too: the record count under the
// record list, the list's column header, the unit in the inspector's length fields and in the
// print options' bleeds, and a typed length in that unit is read back.
TEST(WholeTexts, BuiltTextsAndUnitsSpeakTheLanguage)
{
    apptest::WindowFixture f(QStringLiteral("built-texts-de"), QStringLiteral("de"));
    MainWindow *window = f.window.get();
    window->finishLaunching();
    apptest::settle();

    GeometryPage *geometry = window->objectInfo()->geometryPage();
    EXPECT_EQ(geometry->tvWidth->unit(), QStringLiteral("Zoll"));
    const TypedNumber typed = readTypedNumber(QStringLiteral("2 Zoll"), geometry->tvWidth->unit());
    ASSERT_TRUE(typed.value.has_value()) << typed.refusal.toStdString();
    EXPECT_DOUBLE_EQ(*typed.value, 2.0);
    EXPECT_EQ(readTypedNumber(QStringLiteral("abc"), QStringLiteral("Zoll")).refusal, QStringLiteral("„abc“ ist keine Zahl."));
    {
        PrintingPanel panel(window->canvas(), window);
        panel.initPrinters();
        // The bleeds field is the one that keeps four decimals for its fine steps.
        QDoubleSpinBox *bleeds = nullptr;
        for (QDoubleSpinBox *box : panel.findChildren<QDoubleSpinBox *>())
            if (box->decimals() == 4)
                bleeds = box;
        ASSERT_NE(bleeds, nullptr);
        EXPECT_EQ(bleeds->suffix(), QStringLiteral(" Zoll"));
    }

    DatabaseModeSwitch *modes = window->modeSwitch();
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    apptest::settle();
    DatabaseFieldsView *editor = modes->databaseView()->databaseFieldsView();
    ASSERT_NE(editor->outlets().recordLabel, nullptr);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Datensatz \\d+ von \\d+$")).match(editor->outlets().recordLabel->text()).hasMatch())
        << editor->outlets().recordLabel->text().toStdString();
    QStringList headers;
    for (QHeaderView *header : window->findChildren<QHeaderView *>())
        if (header->isVisible() && header->orientation() == Qt::Horizontal && header->model())
            headers << header->model()->headerData(0, Qt::Horizontal).toString();
    EXPECT_TRUE(headers.contains(QStringLiteral("Nachname"))) << headers.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(headers.contains(QStringLiteral("Last Name")));
    modes->switchTabs(DatabaseModeSwitch::LabelDesign);

    // Chinese tells the page segment "Horizontal" from the "Landscape" check box.
    Language::reset(qmtest::resourcesDir(), QStringLiteral("zh"));
    Language::initialize();
    EXPECT_NE(Language::stringForKey(QStringLiteral("Horizontal")), Language::stringForKey(QStringLiteral("Landscape")));
}


// The place and size fields hold the longest length a design may have: that of the longest
// side of the catalogue's largest label, with two digits before the decimal mark in inches,
// three in points, in every language and every unit the rulers know.
TEST(WholeTexts, TheLengthFieldsHoldTheLargestLabelOfTheCatalogueInEveryLanguageAndUnit)
{
    QStringList problems;
    const QLocale userLocale;
    int walked = 0;
    for (const char *language : {"en", "de", "es", "ru", "zh"}) {
        SmallScreen screen;
        QLocale::setDefault(QLocale(QLatin1String(language)));
        apptest::WindowFixture f(QStringLiteral("length-fields-") + QLatin1String(language), QLatin1String(language));
        MainWindow *window = f.window.get();
        window->finishLaunching();
        apptest::settle();
        RectsView *canvas = f.canvas();

        std::optional<TLabel> largest;
        for (const std::shared_ptr<const TLabelType> &entry : canvas->dataSource()->labelTypes().allLabelTypes()) {
            const TLabel label = entry->getLabelStruct();
            if (!largest || std::max(label.width, label.height) > std::max(largest->width, largest->height))
                largest = label;
        }
        ASSERT_TRUE(largest);
        canvas->selectFormat(*largest);
        apptest::settle();
        // A box as large as the label, its corner 0.58 inches short of the label's far corner.
        const QSizeF label(double(canvas->getLabel().width) * 72.0, double(canvas->getLabel().height) * 72.0);
        ASSERT_GE(std::max(label.width(), label.height()), 10.0 * 72.0) << "the catalogue's largest label";
        auto box = ColorRect::create(QRectF(label.width() - 42.0, label.height() - 42.0, label.width(), label.height()));
        box->setPageName(canvas->getCurrPageName());
        canvas->addGraphic(box);
        canvas->selectRect(box);
        window->objectInfo()->refresh();
        for (PropertiesTabButton *button : window->propertiesView()->buttons())
            if (!button->isChecked())
                QTest::mouseClick(button, Qt::LeftButton);
        apptest::settle();
        GeometryPage *geometry = window->objectInfo()->geometryPage();
        ASSERT_TRUE(geometry->isVisible());
        // The unit button under the canvas goes round every unit.
        QAbstractButton *units = canvas->outlets().mesurementOutlet;
        ASSERT_TRUE(units);
        QStringList seen;
        for (int i = 0; i < RulerView::registeredUnitNames().size(); ++i) {
            QTest::mouseClick(units, Qt::LeftButton);
            apptest::settle();
            const QString unit = canvas->measure();
            seen << unit;
            TextWalk walk(QLatin1String(language), FreeArea);
            walk.walk(geometry, QStringLiteral("geometry in ") + unit + QStringLiteral(", ") + geometry->tvWidth->text());
            walked += walk.measured();
            problems << walk.problems();
        }
        seen.sort();
        QStringList known = RulerView::registeredUnitNames();
        known.sort();
        EXPECT_EQ(seen, known) << language;
    }
    QLocale::setDefault(userLocale);
    EXPECT_GT(walked, 5 * 4 * 8);
    EXPECT_TRUE(problems.isEmpty()) << problems.size() << " texts cut:\n" << problems.join(QLatin1Char('\n')).toStdString();
}
