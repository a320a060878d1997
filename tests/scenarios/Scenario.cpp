#include "Scenario.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTreeView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace scenario {

// ---- prompts ----

QString ScenarioPrompts::saveFile(QWidget *parent, const QString &title, const QString &directory,
                                  const QString &defaultName, const QStringList &extensions)
{
    if (!m_saves.empty()) {
        queuePath(m_saves.front());
        m_saves.pop_front();
    }
    return TestPrompts::saveFile(parent, title, directory, defaultName, extensions);
}

QString ScenarioPrompts::saveFileOfType(QWidget *parent, const QString &title, const QString &directory,
                                        const QString &defaultName, const QList<FileType> &types, int &chosenType,
                                        QWidget *accessory)
{
    if (!m_saves.empty()) {
        const QString path = m_saves.front();
        m_saves.pop_front();
        const QString suffix = QFileInfo(path).suffix().toLower();
        int type = -1;
        for (int i = 0; i < types.size() && type < 0; ++i)
            if (types.at(i).extensions.contains(suffix, Qt::CaseInsensitive))
                type = i;
        // A name whose extension no type offers is cancelled: the user could not choose it.
        queueSaveOfType(type < 0 ? QString() : path, type);
    }
    return TestPrompts::saveFileOfType(parent, title, directory, defaultName, types, chosenType, accessory);
}

namespace {

QString plain(QString title)
{
    return title.remove(QLatin1Char('&')).trimmed();
}

QMenu *openMenu(QMenu *menu)
{
    // What the menu does as it opens: fill itself, enable its items.
    emit menu->aboutToShow();
    return menu;
}

} // namespace

// ---- the program ----

void Scenario::SetUp()
{
    // A new user on a new machine: empty configuration, data and documents folders.
    m_home = qmtest::freshDir(QStringLiteral("scenario"));
    for (const char *folder : {"config", "data", "files"})
        QDir().mkpath(m_home + QLatin1Char('/') + QLatin1String(folder));
    qputenv("XDG_CONFIG_HOME", (m_home + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_home + QStringLiteral("/data")).toUtf8());
    UserDefaults::resetStandardForTesting(m_home + QStringLiteral("/config/Brenholt/Quillmark.plist"));
    RectsView::setTerminatePromptFlag(true);

    auto prompts = std::make_unique<ScenarioPrompts>();
    m_prompts = prompts.get();
    m_previousPrompts = Prompts::install(std::move(prompts));

    m_modalWatch = new QTimer;
    m_modalWatch->setInterval(10);
    QObject::connect(m_modalWatch, &QTimer::timeout, [this] { watchModals(); });
    m_modalWatch->start();
}

void Scenario::TearDown()
{
    // QM_SCENARIO_KEEP=<folder> keeps the files the user wrote, one folder per scenario, to look at.
    if (const QString keep = qEnvironmentVariable("QM_SCENARIO_KEEP"); !keep.isEmpty()) {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        const QString target = keep + QLatin1Char('/') + QString::fromLatin1(test->test_suite_name());
        QDir().mkpath(target);
        const QDir files(m_home + QStringLiteral("/files"));
        for (const QString &name : files.entryList(QDir::Files))
            QFile::copy(files.filePath(name), target + QLatin1Char('/') + name);
    }
    if (m_window) {
        m_window->canvas()->applicationWillTerminate();
        m_window.reset();
        Language::clean();
    }
    settle();
    delete m_modalWatch;
    m_modalWatch = nullptr;
    EXPECT_TRUE(m_modals.empty()) << "a dialog or menu that was to be answered never opened: "
                                  << (m_modals.empty() ? "" : m_modals.front().what.toStdString());
    Prompts::install(std::move(m_previousPrompts));
    RectsView::setTerminatePromptFlag(true);
    Language::reset();
}

void Scenario::launch(const QString &language)
{
    ASSERT_FALSE(m_window) << "the application is already running";
    // A new process starts with the program's own static state.
    RectsView::setTerminatePromptFlag(true);
    Language::reset(qmtest::resourcesDir(), language);
    Language::initialize();
    registerAllKinds();
    RectsView::measureScreenFactor();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_window->finishLaunching();
    settle();
}

bool Scenario::quit()
{
    if (!m_window)
        return false;
    QAction *item = menuItem(QStringLiteral("File/Quit"));
    if (!item)
        return false;
    constexpr int StillRunning = 77;
    // The quit runs inside the event loop as in the program. When nothing ends the loop after
    // the queued work has run a few rounds, the application did not quit.
    auto guard = std::make_unique<QObject>();
    auto rounds = std::make_shared<int>(0);
    auto check = std::make_shared<std::function<void()>>();
    *check = [raw = guard.get(), rounds, check] {
        if (++*rounds >= 20) {
            QCoreApplication::exit(StillRunning);
            return;
        }
        QMetaObject::invokeMethod(raw, [check] { (*check)(); }, Qt::QueuedConnection);
    };
    item->trigger();
    QMetaObject::invokeMethod(guard.get(), [check] { (*check)(); }, Qt::QueuedConnection);
    const int result = QApplication::exec();
    guard.reset();
    *check = nullptr;
    // Closing the last window posted one more request to quit; the program would be gone
    // before it arrived. Left alone it would end every loop that starts later, dialogs
    // included, so it goes as the program's process does.
    QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
    if (result == StillRunning)
        return false;
    // What the program's entry does once its loop has returned.
    m_window->canvas()->applicationWillTerminate();
    m_window.reset();
    Language::clean();
    settle();
    return true;
}

RectsView *Scenario::canvas() const
{
    return m_window ? m_window->canvas() : nullptr;
}

QString Scenario::userFile(const QString &name) const
{
    return m_home + QStringLiteral("/files/") + name;
}

QString Scenario::dataHome() const
{
    return m_home + QStringLiteral("/data");
}

// ---- menus and buttons ----

QAction *Scenario::menuItem(const QString &path)
{
    if (!m_window) {
        ADD_FAILURE() << "no window for " << path.toStdString();
        return nullptr;
    }
    const QStringList titles = path.split(QLatin1Char('/'));
    QList<QAction *> candidates = m_window->menuBar()->actions();
    QAction *found = nullptr;
    for (int level = 0; level < titles.size(); ++level) {
        found = nullptr;
        for (QAction *action : std::as_const(candidates)) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            if (plain(action->text()) == titles.at(level)) {
                found = action;
                break;
            }
        }
        if (!found) {
            QStringList shown;
            for (QAction *action : std::as_const(candidates))
                if (!action->isSeparator())
                    shown << plain(action->text());
            ADD_FAILURE() << "no menu item \"" << titles.at(level).toStdString() << "\" of " << path.toStdString()
                          << "; the menu shows: " << shown.join(QStringLiteral(" | ")).toStdString();
            return nullptr;
        }
        if (level + 1 < titles.size()) {
            QMenu *menu = found->menu();
            if (!menu) {
                ADD_FAILURE() << titles.at(level).toStdString() << " is no menu";
                return nullptr;
            }
            candidates = openMenu(menu)->actions();
        }
    }
    return found;
}

void Scenario::choose(const QString &path)
{
    QAction *item = menuItem(path);
    if (!item)
        return;
    if (!item->isEnabled()) {
        ADD_FAILURE() << "the menu item " << path.toStdString() << " is disabled";
        return;
    }
    item->trigger();
    settle();
}

namespace {

QList<QAction *> editItems(MainWindow *window)
{
    for (QAction *action : window->menuBar()->actions())
        if (action->menu() && plain(action->text()) == QLatin1String("Edit"))
            return openMenu(action->menu())->actions();
    return {};
}

} // namespace

QString Scenario::undoItemText()
{
    const QList<QAction *> items = editItems(m_window.get());
    return items.size() > 0 ? plain(items.at(0)->text()) : QString();
}

QString Scenario::redoItemText()
{
    const QList<QAction *> items = editItems(m_window.get());
    return items.size() > 1 ? plain(items.at(1)->text()) : QString();
}

bool Scenario::undoItemEnabled()
{
    const QList<QAction *> items = editItems(m_window.get());
    return items.size() > 0 && items.at(0)->isEnabled();
}

void Scenario::pickTool(const QStringList &tips)
{
    for (QToolBar *bar : m_window->findChildren<QToolBar *>()) {
        for (QAction *action : bar->actions()) {
            if (tips.contains(plain(action->toolTip())) || tips.contains(plain(action->text()))) {
                ASSERT_TRUE(action->isEnabled()) << tips.join(QStringLiteral(" / ")).toStdString();
                if (QWidget *widget = bar->widgetForAction(action); auto *tool = qobject_cast<QAbstractButton *>(widget))
                    QTest::mouseClick(tool, Qt::LeftButton);
                else
                    action->trigger();
                settle();
                return;
            }
        }
    }
    ADD_FAILURE() << "no tool button named " << tips.join(QStringLiteral(" / ")).toStdString();
}

QAbstractButton *Scenario::button(const QString &text, QWidget *within)
{
    QWidget *root = within ? within : m_window.get();
    for (QAbstractButton *candidate : root->findChildren<QAbstractButton *>()) {
        if (!candidate->isVisibleTo(root))
            continue;
        if (plain(candidate->text()) == text || plain(candidate->toolTip()) == text)
            return candidate;
    }
    return nullptr;
}

void Scenario::click(QAbstractButton *target)
{
    ASSERT_TRUE(target);
    ASSERT_TRUE(target->isEnabled()) << plain(target->text()).toStdString();
    // A check box or radio button takes the click on its mark, at its left.
    const bool marked = qobject_cast<QCheckBox *>(target) || qobject_cast<QRadioButton *>(target);
    const QPoint at = marked ? QPoint(std::min(8, target->width() / 2), target->height() / 2) : target->rect().center();
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at);
    settle();
}

void Scenario::chooseStockBySearch(const QString &search, const QString &name)
{
    QLineEdit *field = m_window->searchField();
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, search);
    settle();
    QTreeView *catalogue = m_window->catalogueView();
    QAbstractItemModel *model = catalogue->model();
    // The row that shows the name, under whichever category holds it.
    QModelIndex row;
    std::function<void(const QModelIndex &)> look = [&](const QModelIndex &parent) {
        for (int r = 0; r < model->rowCount(parent) && !row.isValid(); ++r) {
            const QModelIndex index = model->index(r, 0, parent);
            if (index.data().toString() == name) {
                row = index;
                return;
            }
            if (model->hasChildren(index)) {
                catalogue->expand(index);
                look(index);
            }
        }
    };
    look(QModelIndex());
    ASSERT_TRUE(row.isValid()) << "the catalogue shows no row " << name.toStdString();
    catalogue->scrollTo(row);
    QTest::mouseClick(catalogue->viewport(), Qt::LeftButton, Qt::NoModifier, catalogue->visualRect(row).center());
    settle();
}

// ---- the canvas ----

namespace {

QPoint widgetPoint(RectsView *canvas, const QPointF &page)
{
    return canvas->pageToWidget().map(page).toPoint();
}

} // namespace

void Scenario::clickCanvas(const QPointF &page, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(canvas(), Qt::LeftButton, modifiers, widgetPoint(canvas(), page));
    settle();
}

void Scenario::doubleClickCanvas(const QPointF &page)
{
    const QPoint at = widgetPoint(canvas(), page);
    QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, at);
    // The second press arrives as the double click, as the window system delivers it.
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, canvas()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas(), &twice);
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, at);
    settle();
}

void Scenario::dragCanvas(const QPointF &from, const QPointF &to)
{
    QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, widgetPoint(canvas(), from));
    for (int step = 1; step <= 8; ++step)
        QTest::mouseMove(canvas(), widgetPoint(canvas(), from + (to - from) * step / 8.0));
    QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, widgetPoint(canvas(), to));
    settle();
}

void Scenario::moveOverCanvas(const QPointF &page)
{
    const QPoint at = widgetPoint(canvas(), page);
    QMouseEvent move(QEvent::MouseMove, at, canvas()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas(), &move);
    settle();
}

void Scenario::typeText(const QString &text, QWidget *target)
{
    if (!target)
        target = QApplication::focusWidget() ? QApplication::focusWidget() : canvas();
    for (const QChar c : text) {
        // Each key is its own event, as typed; a letter's key code is its capital.
        const Qt::Key key = c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, target, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, key, QString(c), Qt::NoModifier);
        settle();
    }
}

void Scenario::pressKey(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : canvas();
    QTest::keyClick(target, Qt::Key(key), modifiers);
    settle();
}

// ---- modal dialogs and menus ----

void Scenario::whenDialogOpens(const QString &what, std::function<void(QWidget *)> answer)
{
    m_modals.push_back({what, false, QString(), std::move(answer)});
}

void Scenario::whenMenuPopsUp(const QString &item)
{
    m_modals.push_back({QStringLiteral("menu item ") + item, true, item, {}});
}

void Scenario::watchModals()
{
    if (QWidget *popup = QApplication::activePopupWidget()) {
        auto *menu = qobject_cast<QMenu *>(popup);
        if (!menu || !menu->isVisible() || popup == m_answering)
            return;
        if (m_modals.empty() || !m_modals.front().menu) {
            ADD_FAILURE() << "a pop-up menu opened that the scenario did not expect";
            menu->close();
            return;
        }
        const ModalAnswer answer = m_modals.front();
        m_modals.pop_front();
        QAction *chosen = nullptr;
        QStringList shown;
        for (QAction *action : menu->actions()) {
            shown << plain(action->text());
            if (!chosen && plain(action->text()) == answer.item && action->isEnabled())
                chosen = action;
        }
        if (!chosen) {
            ADD_FAILURE() << "the pop-up menu has no item " << answer.item.toStdString() << "; it shows "
                          << shown.join(QStringLiteral(" | ")).toStdString();
            menu->close();
            return;
        }
        QPointer<QWidget> answering = m_answering;
        m_answering = menu;
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, Qt::Key_Return);
        m_answering = answering;
        return;
    }
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == m_answering)
        return;
    // A job's progress asks nothing: it shows when the machine is slow and goes by itself.
    if (qobject_cast<QProgressDialog *>(modal))
        return;
    if (m_modals.empty() || m_modals.front().menu) {
        ADD_FAILURE() << "a dialog opened that the scenario did not expect: " << modal->metaObject()->className()
                      << " \"" << modal->windowTitle().toStdString() << "\"";
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        return;
    }
    const ModalAnswer answer = m_modals.front();
    m_modals.pop_front();
    QPointer<QWidget> answering = m_answering;
    QPointer<QWidget> dialog = modal;
    m_answering = modal;
    answer.answer(modal);
    m_answering = answering;
    if (dialog && dialog->isVisible()) {
        ADD_FAILURE() << "the answer to " << answer.what.toStdString() << " left it open: "
                      << dialog->metaObject()->className() << " \"" << dialog->windowTitle().toStdString() << "\"";
        if (auto *open = qobject_cast<QDialog *>(dialog.data()))
            open->reject();
        else
            dialog->close();
    }
}

void Scenario::printToPdf(const QString &command, const QString &pdf, std::function<void(QWidget *)> inPanel)
{
    whenDialogOpens(QStringLiteral("the print options sheet"), [this](QWidget *sheet) {
        click(button(QStringLiteral("Print"), sheet));
    });
    whenDialogOpens(QStringLiteral("the print panel"), [this, pdf, inPanel](QWidget *panel) {
        auto *printers = panel->findChild<QComboBox *>(QStringLiteral("printers"));
        ASSERT_TRUE(printers) << "the print panel shows no printer list";
        // Qt's own file printer, not a system printer that happens to make PDF files.
        int file = printers->findText(QStringLiteral("Print to File (PDF)"));
        if (file < 0)
            file = printers->findText(QStringLiteral("PDF"), Qt::MatchContains);
        ASSERT_GE(file, 0) << "the print panel offers no PDF file";
        printers->setCurrentIndex(file);
        auto *name = panel->findChild<QLineEdit *>(QStringLiteral("filename"));
        ASSERT_TRUE(name && name->isEnabled()) << "the print panel has no output file field";
        name->setFocus();
        name->selectAll();
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, pdf);
        if (inPanel)
            inPanel(panel);
        click(button(QStringLiteral("Print"), panel));
    });
    choose(command);
}

QString Scenario::pageSetup(const QString &paper)
{
    QString shown;
    whenDialogOpens(QStringLiteral("the page setup panel"), [this, paper, &shown](QWidget *panel) {
        auto *sizes = panel->findChild<QComboBox *>(QStringLiteral("pageSizeCombo"));
        ASSERT_TRUE(sizes) << "the page setup panel shows no paper sizes";
        shown = sizes->currentText();
        const int index = sizes->findText(paper, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << "no paper " << paper.toStdString();
        sizes->setCurrentIndex(index);
        click(button(QStringLiteral("OK"), panel));
    });
    choose(QStringLiteral("File/Page Setup..."));
    return shown;
}

void Scenario::settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

} // namespace scenario
