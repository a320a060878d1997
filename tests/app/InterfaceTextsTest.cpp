// Every text the real window hands to a control, found by walking its widgets, actions and
// menus: in English each is a key of every language's table, and in each other language the
// window shows the table's translation, not the English key.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

struct Shown
{
    QString text;
    QString where;
};

QString className(const QObject *object)
{
    QString name = QString::fromLatin1(object->metaObject()->className());
    if (!object->objectName().isEmpty())
        name += QLatin1Char('#') + object->objectName();
    return name;
}

// A menu's title and items, and the submenus under them.
void collectMenu(const QMenu *menu, QList<Shown> &out, QSet<const QMenu *> &seen)
{
    if (!menu || seen.contains(menu))
        return;
    seen.insert(menu);
    out.append({menu->title(), QStringLiteral("menu title")});
    for (const QAction *item : menu->actions()) {
        if (item->isSeparator())
            continue;
        out.append({item->text(), QStringLiteral("item of menu \"%1\"").arg(menu->title())});
        collectMenu(item->menu(), out, seen);
    }
}

// What a user can read in the window: titles, button and label texts, placeholders, tool tips
// of what the tool bar and panels show, pop-up items, tabs, headers and menus.
QList<Shown> shownTexts(MainWindow &window)
{
    QList<Shown> out;
    QSet<const QMenu *> menus;
    for (const QAction *top : window.menuBar()->actions())
        collectMenu(top->menu(), out, menus);
    QList<QWidget *> widgets = window.findChildren<QWidget *>();
    widgets.prepend(&window);
    for (QWidget *widget : widgets) {
        // The stock's description is made from a looked-up pattern with the sheet's numbers.
        if (widget == window.labelInfo())
            continue;
        const QString where = className(widget);
        if (!widget->toolTip().isEmpty())
            out.append({widget->toolTip(), where + QStringLiteral(" tool tip")});
        if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            out.append({button->text(), where});
            // A tool button shows its action's tool tip, which for a menu item holds the key.
            if (auto *tool = qobject_cast<QToolButton *>(widget); tool && tool->defaultAction())
                out.append({tool->defaultAction()->toolTip(), where + QStringLiteral(" action tool tip")});
            if (auto *tool = qobject_cast<QToolButton *>(widget))
                collectMenu(tool->menu(), out, menus);
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            out.append({label->text(), where});
        } else if (auto *box = qobject_cast<QGroupBox *>(widget)) {
            out.append({box->title(), where});
        } else if (auto *field = qobject_cast<QLineEdit *>(widget)) {
            out.append({field->placeholderText(), where + QStringLiteral(" placeholder")});
        } else if (auto *popUp = qobject_cast<QComboBox *>(widget)) {
            for (int i = 0; i < popUp->count(); ++i)
                out.append({popUp->itemText(i), where + QStringLiteral(" item")});
        } else if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                out.append({tabs->tabText(i), where + QStringLiteral(" tab")});
                out.append({tabs->tabToolTip(i), where + QStringLiteral(" tab tool tip")});
            }
        } else if (auto *header = qobject_cast<QHeaderView *>(widget); header && !header->isHidden()) {
            if (QAbstractItemModel *model = header->model())
                for (int i = 0; i < header->count(); ++i)
                    out.append({model->headerData(i, header->orientation()).toString(), where + QStringLiteral(" header")});
        } else if (auto *dock = qobject_cast<QDockWidget *>(widget)) {
            out.append({dock->windowTitle(), where});
        } else if (auto *bar = qobject_cast<QToolBar *>(widget)) {
            out.append({bar->windowTitle(), where});
        } else if (widget->isWindow()) {
            out.append({widget->windowTitle(), where + QStringLiteral(" window title")});
        }
        if (auto *menu = qobject_cast<QMenu *>(widget))
            collectMenu(menu, out, menus);
    }
    return out;
}

// Texts that are no interface words: numbers and zoom values, the tool symbols, the window
// title's program name, what comes from data (catalogue rows, file names), and the ISBN
// hyphenation patterns, whose X stand for digits ("X-XXXXXXX-X-X").
bool isData(const QString &text)
{
    static const QRegularExpression noWords(QStringLiteral("^[^\\p{L}]*$"));
    static const QRegularExpression digitPattern(QStringLiteral("^X[X-]*X$"));
    static const QSet<QString> symbols = {QStringLiteral("T")};
    if (text.trimmed().isEmpty() || noWords.match(text).hasMatch() || digitPattern.match(text).hasMatch()
        || symbols.contains(text))
        return true;
    // "Quillmark::" followed by the translated "Untitled" or a document name.
    if (text.startsWith(QLatin1String("Quillmark::")))
        return true;
    return false;
}

// A page of a sheet with repeated label types shows the type and a number ("Horizontal 2").
QString withoutNumber(const QString &text)
{
    static const QRegularExpression numbered(QStringLiteral("^(.+) \\d+$"));
    const QRegularExpressionMatch match = numbered.match(text);
    return match.hasMatch() ? match.captured(1) : text;
}

QVariantMap table(const QString &folder)
{
    return PropertyList::readFile(qmtest::resourcesDir() + QStringLiteral("/%1.lproj/strings.plist").arg(folder)).toMap();
}

class InterfaceTexts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("interface-texts")) + QStringLiteral("/d.ini"));
    }
    void TearDown() override { Language::reset(); }

    std::unique_ptr<MainWindow> windowIn(const QString &code)
    {
        Language::reset(qmtest::resourcesDir(), code);
        Language::initialize();
        return std::make_unique<MainWindow>();
    }

    qmtest::ScopedTestPrompts prompts;
};

TEST_F(InterfaceTexts, EveryEnglishTextHasAKeyInEveryTable)
{
    const std::unique_ptr<MainWindow> window = windowIn(QStringLiteral("en"));
    const QList<Shown> shown = shownTexts(*window);
    EXPECT_GT(shown.size(), 150);
    QStringList problems;
    for (const QString folder : {"en", "de", "es", "ru", "zh-Hans"}) {
        const QVariantMap strings = table(folder);
        ASSERT_FALSE(strings.isEmpty()) << folder.toStdString();
        QSet<QString> reported;
        for (const Shown &item : shown) {
            if (isData(item.text) || strings.contains(item.text) || strings.contains(withoutNumber(item.text))
                || reported.contains(item.text))
                continue;
            reported.insert(item.text);
            problems << QStringLiteral("%1: \"%2\" (%3)").arg(folder, item.text, item.where);
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

// Walked in each language: an English key still showing where its table has another text
// means a control that never took its translation.
TEST_F(InterfaceTexts, EachLanguageShowsItsOwnTexts)
{
    const QVariantMap english = table(QStringLiteral("en"));
    QStringList problems;
    for (const auto &[code, folder] : {std::pair{"de", "de"}, std::pair{"es", "es"}, std::pair{"ru", "ru"},
                                       std::pair{"zh", "zh-Hans"}}) {
        const QVariantMap strings = table(QString::fromLatin1(folder));
        const std::unique_ptr<MainWindow> window = windowIn(QString::fromLatin1(code));
        QSet<QString> reported;
        for (const Shown &item : shownTexts(*window)) {
            if (isData(item.text) || reported.contains(item.text))
                continue;
            const QString key = withoutNumber(item.text);
            const QString translation = strings.value(key).toString();
            if (english.contains(key) && !translation.isEmpty() && translation != key) {
                reported.insert(item.text);
                problems << QStringLiteral("%1: \"%2\" shown untranslated (%3)").arg(QString::fromLatin1(code), item.text, item.where);
            }
        }
    }
    EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
}

} // namespace

namespace {

TEST_F(InterfaceTexts, ToolBarSaveSpeaksTheLanguageAndFollowsTheMenuItem)
{
    const std::unique_ptr<MainWindow> window = windowIn(QStringLiteral("de"));
    QAction *menuSave = nullptr;
    for (QAction *item : window->fileMenu()->actions())
        if (item->toolTip() == QLatin1String("Save"))
            menuSave = item;
    ASSERT_NE(menuSave, nullptr);
    EXPECT_EQ(menuSave->text(), QStringLiteral("Speichern"));
    auto *bar = window->findChild<QToolBar *>(QStringLiteral("Tools"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("Werkzeuge"));
    QToolButton *saveButton = nullptr;
    for (QToolButton *button : bar->findChildren<QToolButton *>())
        if (button->defaultAction() && button->defaultAction()->text() == menuSave->text())
            saveButton = button;
    ASSERT_NE(saveButton, nullptr);
    EXPECT_FALSE(saveButton->isEnabled());
    window->canvas()->wasChanged(true);
    EXPECT_TRUE(menuSave->isEnabled());
    EXPECT_TRUE(saveButton->isEnabled());
    EXPECT_EQ(saveButton->toolTip(), QStringLiteral("Dokument speichern"));
}

} // namespace

namespace {

// The line under the stock preview is built from a pattern and the sheet's lengths; both the
// pattern and the unit must follow the language, as the unit button does.
TEST_F(InterfaceTexts, TheStockDescriptionSpeaksTheLanguageWithItsUnit)
{
    const std::unique_ptr<MainWindow> german = windowIn(QStringLiteral("de"));
    EXPECT_EQ(german->labelInfo()->text(), QStringLiteral("2.63 Zoll x 1.00 Zoll, 3 nebeneinander, 10 untereinander"));
    const std::unique_ptr<MainWindow> russian = windowIn(QStringLiteral("ru"));
    EXPECT_EQ(russian->labelInfo()->text(),
              QStringLiteral("2.63 дюйм x 1.00 дюйм, 3 по горизонтали, 10 по вертикали"));
    for (const char *code : {"es", "zh"}) {
        const std::unique_ptr<MainWindow> window = windowIn(QString::fromLatin1(code));
        const QString text = window->labelInfo()->text();
        for (const char *english : {"inch", "across", "down"})
            EXPECT_FALSE(text.contains(QLatin1String(english))) << code << ": " << text.toStdString();
    }
}

} // namespace
