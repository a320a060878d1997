// Every text of every window shows whole in each of the five languages: the main window in
// design and database mode on a 1024 x 768 screen, each inspector page and database pane
// opened by its tab, and every dialog of the program. The walk finds the controls itself (no
// list of names to fall behind the windows) and measures each label, button, check box, tab,
// header section, group title and menu bar title against the room it is given, inside its
// own rectangle and inside each of its parents up to the window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QDirIterator>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <functional>
#include <map>

#include "app/AppTestSupport.h"
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
#include "images/Controller.h"
#include "database/window/DatabaseFieldsView.h"
#include "foundation/TypedNumber.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "platform/ScreenArea.h"
#include "printing/PrintingPanel.h"
#include "stock/EditCustomFormat.h"
#include "stock/EditCustomLabel.h"

using namespace quillmark;

namespace {

QString describe(const QWidget *widget)
{
    return QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ') + widget->objectName();
}

// The room a text needs drawn in the widget's font, mnemonics and line breaks taken as shown.
int advance(const QWidget *widget, const QString &text)
{
    return widget->fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

class TextWalk
{
public:
    explicit TextWalk(std::string language)
        : m_language(std::move(language))
    {
    }

    // Every visible control under `root` (`root` too), measured.
    void walk(QWidget *root, const QString &where)
    {
        QList<QWidget *> widgets = root->findChildren<QWidget *>();
        widgets.prepend(root);
        for (QWidget *widget : std::as_const(widgets)) {
            if (widget != root && !widget->isVisibleTo(root))
                continue;
            if (!widget->isVisible())
                continue;
            ++m_measured;
            measure(widget, where);
        }
    }

    const QStringList &problems() const { return m_problems; }
    int measured() const { return m_measured; }

private:
    void clipped(const QWidget *widget, const QString &where, const QString &text, int needs, int has)
    {
        const QString problem = QStringLiteral("%1 %2: %3 \"%4\" needs %5, has %6")
                                    .arg(QString::fromStdString(m_language), where, describe(widget), text)
                                    .arg(needs)
                                    .arg(has);
        if (!m_problems.contains(problem))
            m_problems << problem;
    }

    // The width of `span` (in the widget's own coordinates) that its parents leave visible,
    // up to the window or to the viewport of a scroll area (whose content scrolls into view).
    int visibleWidth(const QWidget *widget, QRect span) const
    {
        span = QRect(span.left(), 0, span.width(), 1);
        for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget()) {
            const QWidget *parent = w->parentWidget();
            if (!parent || (qobject_cast<const QAbstractScrollArea *>(parent->parentWidget())
                            && parent->objectName() == QLatin1String("qt_scrollarea_viewport")))
                break;
            // Only the sideways cut counts: a control scrolled or laid out below is not cut.
            span.translate(w->pos());
            const QRect across(0, span.top(), parent->width(), 1);
            span = span.intersected(across);
        }
        return std::max(0, span.width());
    }

    void textIn(const QWidget *widget, const QString &where, const QString &text, int needs, const QRect &room)
    {
        if (text.trimmed().isEmpty())
            return;
        const int has = std::min(room.width(), visibleWidth(widget, room));
        if (needs > has)
            clipped(widget, where, text, needs, has);
    }

    void measure(QWidget *widget, const QString &where)
    {
        QStyle *style = widget->style();
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            if (label->wordWrap() || label->textFormat() == Qt::RichText
                || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text())))
                return;
            const int frame = label->frameWidth();
            const QRect room = label->contentsRect().adjusted(label->margin() + frame * 0, 0, -label->margin(), 0);
            textIn(widget, where, label->text(), advance(label, label->text()) + std::max(0, label->indent()), room);
        } else if (qobject_cast<QCheckBox *>(widget) || qobject_cast<QRadioButton *>(widget)) {
            auto *button = static_cast<QAbstractButton *>(widget);
            textIn(widget, where, button->text(), button->sizeHint().width(), button->rect());
        } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
            // The room the style leaves the title inside the button's frame.
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            option.icon = button->icon();
            option.iconSize = button->iconSize();
            if (button->isDefault() || button->autoDefault())
                option.features |= QStyleOptionButton::AutoDefaultButton;
            const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
            textIn(widget, where, button->text(), advance(button, button->text()) + icon, room);
        } else if (auto *button = qobject_cast<QToolButton *>(widget)) {
            if (button->toolButtonStyle() == Qt::ToolButtonIconOnly && !button->icon().isNull())
                return;
            QStyleOptionToolButton option;
            option.initFrom(button);
            const int icon = button->toolButtonStyle() == Qt::ToolButtonTextBesideIcon && !button->icon().isNull()
                ? button->iconSize().width() + 4
                : 0;
            textIn(widget, where, button->text(), advance(button, button->text()) + icon + 4, button->rect());
        } else if (auto *box = qobject_cast<QGroupBox *>(widget)) {
            textIn(widget, where, box->title(), advance(box, box->title()) + (box->isCheckable() ? 20 : 0), box->rect());
        } else if (auto *bar = qobject_cast<QTabBar *>(widget)) {
            for (int i = 0; i < bar->count(); ++i) {
                if (!bar->isTabVisible(i))
                    continue;
                const int icon = bar->tabIcon(i).isNull() ? 0 : bar->iconSize().width() + 4;
                const int space = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) / 2;
                textIn(widget, where, bar->tabText(i), advance(bar, bar->tabText(i)) + icon + space, bar->tabRect(i));
            }
        } else if (auto *header = qobject_cast<QHeaderView *>(widget)) {
            if (header->orientation() != Qt::Horizontal || !header->model())
                return;
            const int margin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int i = 0; i < header->count(); ++i) {
                if (header->isSectionHidden(i) || header->sectionSize(i) == 0)
                    continue;
                const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
                const QRect room(header->sectionViewportPosition(i), 0, header->sectionSize(i), header->height());
                textIn(header->viewport(), where, text, advance(header, text) + margin, room);
            }
        } else if (auto *bar = qobject_cast<QMenuBar *>(widget)) {
            for (QAction *action : bar->actions()) {
                if (!action->isVisible())
                    continue;
                const QRect at = bar->actionGeometry(action);
                textIn(widget, where, action->text(), advance(bar, action->text()), at.isValid() ? at : QRect());
            }
        }
    }

    std::string m_language;
    QStringList m_problems;
    int m_measured = 0;
};

// The walk of the whole window: as it opens, with each tab of each tab widget in front, and
// with each page of the side panels (the inspector's pages, the database's panes) opened by
// its button.
void walkWindow(TextWalk &walk, QWidget *window, const QString &where)
{
    walk.walk(window, where);
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
        if (!tabs->isVisible())
            continue;
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (!tabs->isTabEnabled(i) || !tabs->isTabVisible(i))
                continue;
            tabs->setCurrentIndex(i);
            apptest::settle();
            walk.walk(tabs->widget(i), where + QStringLiteral(" tab \"") + tabs->tabText(i) + QLatin1Char('"'));
        }
        tabs->setCurrentIndex(current);
        apptest::settle();
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
        walk.walk(window, where + QStringLiteral(" page \"") + button->text() + QStringLiteral("\" (") + button->toolTip()
                      + QLatin1Char(')'));
        if (!wasOpen && button->isChecked() && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            apptest::settle();
        }
    }
}

// Each dialog class of the program and how the walk makes it.
using DialogMaker = std::function<QDialog *(MainWindow *)>;

std::map<QString, DialogMaker> dialogMakers()
{
    return {
        {QStringLiteral("NewImportDatabasePanel"), [](MainWindow *w) { return new NewImportDatabasePanel(w); }},
        {QStringLiteral("ExportDatabasePanel"), [](MainWindow *w) { return new ExportDatabasePanel(w); }},
        {QStringLiteral("PreferencesDatabasePanel"), [](MainWindow *w) { return new PreferencesDatabasePanel(w); }},
        {QStringLiteral("QuickAddressPanel"), [](MainWindow *w) { return new QuickAddressPanel(w); }},
        {QStringLiteral("CategoriesPanel"),
         [](MainWindow *w) {
             auto *panel = new CategoriesPanel(w->modeSwitch()->databaseView()->databaseFieldsView(), w);
             panel->setupArray(0);
             return panel;
         }},
        {QStringLiteral("Controller"), [](MainWindow *w) { return new Controller(w); }},
        {QStringLiteral("SaveTemplate"), [](MainWindow *w) { return new SaveTemplate(w); }},
        {QStringLiteral("PrintingPanel"), [](MainWindow *w) {
             auto *panel = new PrintingPanel(w->canvas(), w);
             panel->initPrinters();
             return panel;
         }},
        {QStringLiteral("Preference"), [](MainWindow *w) { return new Preference(w); }},
        {QStringLiteral("EditCustomLabel"), [](MainWindow *w) {
             auto *panel = new EditCustomLabel(w, w->canvas());
             panel->setup();
             return panel;
         }},
        {QStringLiteral("EditCustomFormat"), [](MainWindow *w) {
             auto *panel = new EditCustomFormat(w, w->canvas());
             panel->setup(nullptr);
             return panel;
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

// The dialog classes the sources declare.
QStringList declaredDialogs()
{
    QStringList names;
    const QRegularExpression declaration(QStringLiteral("class\\s+(\\w+)\\s*:\\s*public\\s+QDialog\\b"));
    QDirIterator it(sourceRoot() + QStringLiteral("/src"), {QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        auto matches = declaration.globalMatch(QString::fromUtf8(file.readAll()));
        while (matches.hasNext())
            names << matches.next().captured(1);
    }
    names.sort();
    return names;
}

// The screen's free area of a 1024 x 768 screen under a desktop panel.
class SmallScreen
{
public:
    SmallScreen()
    {
        m_previous = ScreenArea::setOverride([](const QWidget *) { return QRect(0, 32, 1024, 736); });
    }
    ~SmallScreen() { ScreenArea::setOverride(m_previous); }

private:
    std::function<QRect(const QWidget *)> m_previous;
};

} // namespace

TEST(WholeTexts, TheWalkKnowsEveryDialogOfTheProgram)
{
    const QStringList declared = declaredDialogs();
    ASSERT_FALSE(declared.isEmpty());
    QStringList known;
    for (const auto &[name, make] : dialogMakers())
        known << name;
    known.sort();
    EXPECT_EQ(declared, known) << "a dialog the text walk does not open";
}

TEST(WholeTexts, EveryTextOfEveryWindowShowsWholeInEachLanguage)
{
    QStringList problems;
    for (const char *language : {"en", "de", "es", "ru", "zh"}) {
        SmallScreen screen;
        apptest::WindowFixture f(QStringLiteral("whole-texts-") + QLatin1String(language), QLatin1String(language));
        MainWindow *window = f.window.get();
        window->finishLaunching();
        apptest::settle();
        TextWalk walk(language);

        // Design mode, each inspector page opened in turn.
        walkWindow(walk, window, QStringLiteral("design"));

        // Database mode, each pane of its side panel opened in turn.
        DatabaseModeSwitch *modes = window->modeSwitch();
        modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
        apptest::settle();
        walkWindow(walk, window, QStringLiteral("database"));
        modes->switchTabs(DatabaseModeSwitch::LabelDesign);
        apptest::settle();

        // Each dialog, shown as the program shows it.
        for (const auto &[name, make] : dialogMakers()) {
            QDialog *dialog = make(window);
            dialog->show();
            apptest::settle();
            walkWindow(walk, dialog, name);
            dialog->hide();
            delete dialog;
            apptest::settle();
        }
        EXPECT_GT(walk.measured(), 200) << language;
        problems << walk.problems();
    }
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
