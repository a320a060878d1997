// The record form in the whole window always stands for the highlighted record: every control
// of the database window that can change the listed rows (each item of the Database menu, each
// pop-up, check box, search box, button and check cell of the tool bar, the form and the side
// panel, and Undo and Redo after each) is operated on the same starting list, and afterwards
// the form shows the highlighted record and what is typed into it lands on that record, read
// back with sqlite3.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <functional>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/store/Database.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DBPropertiesView.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/window/PropertyViewButtonCell.h"
#include "database/window/RecordBrowserModel.h"
#include "foundation/Language.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace recordformfollows {

QString sqlite3(const QString &path, const QString &sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {path, sql});
    EXPECT_TRUE(process.waitForFinished(30000)) << "sqlite3 is needed";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void settle()
{
    for (int i = 0; i < 4; ++i)
        QApplication::processEvents();
}

// One thing a user can do in the database window, found again by its place after the window
// was set back to the starting list.
struct Control
{
    QString name;
    std::function<void()> operate;
    // Controls of one kind share it; empty for a control of its own kind.
    QString kind = {};
};

class RecordFormFollows : public ::testing::Test
{
public:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), "en");
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        UserDefaults::standard().removeObject("databasePath");
        UserDefaults::standard().removeObject("DBPropertiesTypes");
        folder = qmtest::freshDir(QStringLiteral("record-form-follows"));
        path = Database::pathForTitle(QStringLiteral("Club"));
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        {
            Database db(path);
            db.initFieldsStructure();
            // Group 2 is shown: Baker, Clark, Evans and Quinn, sorted by their last names.
            const struct
            {
                const char *first, *last, *city;
                qint64 groups;
            } people[] = {{"Ann", "Adams", "Avon", 0b001},   {"Bea", "Baker", "Bath", 0b010},
                          {"Cy", "Clark", "Cork", 0b011},    {"Dee", "Dunn", "Derby", 0},
                          {"Eve", "Evans", "Eton", 0b010},   {"Orla", "O'Brien", "Oban", 0b001},
                          {"Quin", "Quinn", "Quorn", 0b110}};
            for (const auto &p : people) {
                db.fieldValues().clear();
                db.initFieldValues();
                db.fieldValues().insert(QStringLiteral("First_Name"), QString::fromUtf8(p.first));
                db.fieldValues().insert(QStringLiteral("Last_Name"), QString::fromUtf8(p.last));
                db.fieldValues().insert(QStringLiteral("City"), QString::fromUtf8(p.city));
                db.fieldValues().insert(QStringLiteral("Groups"), p.groups);
                db.insertRecord();
            }
        }
        sqlite3(path, QStringLiteral("UPDATE dbattributes SET dbvalue='2' WHERE dbkey='groupsToView';"));
        pristine = folder + QStringLiteral("/pristine.sqlite");
        ASSERT_TRUE(QFile::copy(path, pristine));

        // Files for the open panels of the import commands, chosen by what the panel offers.
        csv = folder + QStringLiteral("/people.csv");
        vcf = folder + QStringLiteral("/people.vcf");
        QFile text(csv);
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("Gus,Abbot,Ayr\nHal,Yates,York\n");
        text.close();
        QFile cards(vcf);
        ASSERT_TRUE(cards.open(QIODevice::WriteOnly));
        cards.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Abel;Ida;;;\r\nFN:Ida Abel\r\nEND:VCARD\r\n");
        cards.close();
    }

    void TearDown() override
    {
        QDir(Database::databasesFolder()).removeRecursively();
        Language::reset();
        DatabaseUserAction::end();
    }

    QString openPath(const QStringList &extensions) const
    {
        if (extensions.contains(QStringLiteral("vcf")))
            return vcf;
        if (extensions.contains(QStringLiteral("csv")) || extensions.contains(QStringLiteral("txt")))
            return csv;
        return {};
    }

    qmtest::ScopedTestPrompts prompts;
    QString folder;
    QString path;
    QString pristine;
    QString csv;
    QString vcf;
};

class Walk
{
public:
    Walk(RecordFormFollows &fixture, MainWindow &window) : f(fixture), window(window)
    {
        modes = window.modeSwitch();
        view = modes->databaseView();
        editor = view->databaseFieldsView();
        // The new-database command asks for a title in a dialog of its own: cancelled.
        editor->askForTitle = [](const QString &) { return QString(); };
    }

    // The starting list: the Club as made, group 2 shown, every pane open, Evans highlighted
    // (row 3 of 4; row 5 of all records).
    void reset()
    {
        modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
        if (editor->database()) {
            ASSERT_TRUE(editor->releaseDatabase());
        }
        for (const QFileInfo &file : QDir(Database::databasesFolder()).entryInfoList(QDir::Files))
            QFile::remove(file.absoluteFilePath());
        ASSERT_TRUE(QFile::copy(f.pristine, f.path));
        QFile(f.path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        editor->reloadDatabases();
        ASSERT_TRUE(editor->setDatabasePath(f.path));
        settle();
        DBPropertiesView *panel = view->propertiesView();
        for (int tag = 1; tag <= 5; ++tag)
            if (PropertyViewButtonCell *tab = panel->buttonWithTag(tag); tab && !tab->isChecked())
                QTest::mouseClick(tab, Qt::LeftButton);
        settle();
        ASSERT_EQ(listed(), QStringList({"Baker", "Clark", "Evans", "Quinn"}));
        QTableView *browser = view->browser();
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                          browser->visualRect(browser->model()->index(2, 0)).center());
        settle();
        ASSERT_EQ(editor->selectedRows(), QList<int>{2});
        if (RectsView *canvas = window.canvas())
            canvas->undoManager()->removeAllActions();
        f.prompts->clear();
    }

    // What the window shows and holds: when a control left it as it was, the next one
    // starts from it without setting it back.
    QString state() const
    {
        QStringList parts;
        QFile file(f.path);
        parts << (file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toBase64()) : QString());
        parts << (editor->database() ? editor->database()->path() : QString()) << listed().join(QLatin1Char(','))
              << QString::number(editor->formRecordPk()) << QString::number(int(modes->mode()));
        for (int row : editor->selectedRows())
            parts << QString::number(row);
        for (QAbstractButton *button : view->findChildren<QAbstractButton *>())
            parts << QString::number(button->isChecked());
        for (QComboBox *combo : view->findChildren<QComboBox *>())
            parts << QString::number(combo->currentIndex());
        for (QLineEdit *edit : view->findChildren<QLineEdit *>())
            parts << edit->text();
        return parts.join(QLatin1Char('\n'));
    }

    QStringList listed() const
    {
        QStringList names;
        for (const dbBrowseField &row : editor->browserModel()->rows())
            names << row.value;
        return names;
    }

    // Every control of the window that may change the listed rows, found in the window as it
    // stands on the starting list.
    QList<Control> controls()
    {
        QList<Control> found;
        for (QAction *top : window.menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Database"))
                continue;
            for (QAction *item : top->menu()->actions()) {
                if (item->isSeparator() || item->menu())
                    continue;
                const QString text = item->text();
                found.append({QStringLiteral("Database > ") + text, [this, text] { runMenuItem(text); }});
            }
        }
        const QList<QWidget *> form = editor->valueControls();
        auto kept = [&](QWidget *widget) {
            // The form's own fields are what is typed into; the parts of a composite control
            // (a search box's clear button, a table's corner) are that control.
            for (QWidget *part = widget; part && part != view; part = part->parentWidget())
                if (form.contains(part) || part == view->browser()
                    || (part != widget && (qobject_cast<QLineEdit *>(part) || qobject_cast<QAbstractItemView *>(part))))
                    return false;
            return widget->window() == &window;
        };
        const QList<QComboBox *> combos = view->findChildren<QComboBox *>();
        for (int i = 0; i < combos.size(); ++i)
            if (kept(combos.at(i)))
                found.append({QStringLiteral("pop-up ") + describe(combos.at(i)), [this, i] { chooseNextItem(i); }});
        const QList<QAbstractButton *> buttons = view->findChildren<QAbstractButton *>();
        for (int i = 0; i < buttons.size(); ++i) {
            QAbstractButton *button = buttons.at(i);
            if (!kept(button))
                continue;
            auto *tool = qobject_cast<QToolButton *>(button);
            if (tool && tool->menu()) {
                // A button that opens a menu: each of its items.
                for (QAction *item : tool->menu()->actions()) {
                    const QString text = item->text();
                    found.append({QStringLiteral("menu of ") + describe(button) + QStringLiteral(" > ") + text,
                                  [this, i, text] { runButtonMenuItem(i, text); }});
                }
                continue;
            }
            found.append({QStringLiteral("button ") + describe(button), [this, i] { clickButton(i); },
                          QString::fromLatin1(button->metaObject()->className()) + QLatin1Char(' ')
                              + QString::number(quintptr(button->parentWidget()))});
        }
        const QList<QLineEdit *> edits = view->findChildren<QLineEdit *>();
        for (int i = 0; i < edits.size(); ++i) {
            if (!kept(edits.at(i)) || qobject_cast<QComboBox *>(edits.at(i)->parentWidget()))
                continue;
            // A letter of the highlighted record keeps it listed; one it lacks drops it.
            if (!valueOfColumn(edits.at(i)).isEmpty())
                found.append({QStringLiteral("search box ") + describe(edits.at(i)) + QStringLiteral(" (a letter the record has)"),
                              [this, i] { typeInto(i, true); }});
            found.append({QStringLiteral("search box ") + describe(edits.at(i)) + QStringLiteral(" (a letter it lacks)"),
                          [this, i] { typeInto(i, false); }});
        }
        const QList<QTableView *> tables = view->findChildren<QTableView *>();
        for (int t = 0; t < tables.size(); ++t) {
            QAbstractItemModel *model = tables.at(t)->model();
            if (!kept(tables.at(t)) || !model)
                continue;
            for (int row = 0; row < model->rowCount(); ++row)
                for (int column = 0; column < model->columnCount(); ++column)
                    if (model->flags(model->index(row, column)) & Qt::ItemIsUserCheckable)
                        found.append({QStringLiteral("check cell %1,%2 of ").arg(row).arg(column) + describe(tables.at(t)),
                                      [this, t, row, column] { toggleCell(t, row, column); },
                                      QStringLiteral("table %1 column %2").arg(t).arg(column)});
        }
        return found;
    }

    // The form shows the record the browser highlights; with none or several highlighted
    // nothing can be typed into it.
    void expectFormShowsHighlighted(const QString &after)
    {
        SCOPED_TRACE(after.toStdString());
        const QList<int> rows = editor->selectedRows();
        if (rows.size() != 1) {
            for (QWidget *control : editor->valueControls())
                EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
            return;
        }
        const qint64 pk = editor->browserModel()->pkAtRow(rows.first());
        EXPECT_EQ(editor->formRecordPk(), pk);
        QStringList shown;
        for (const char *column : {"First_Name", "Last_Name", "City"}) {
            auto *field = qobject_cast<QLineEdit *>(editor->findChild<QWidget *>(QString::fromLatin1(column)));
            shown << (field ? field->text() : QString());
        }
        EXPECT_EQ(shown.join(QLatin1Char('|')),
                  sqlite3(editor->database()->path(),
                          QStringLiteral("SELECT First_Name, Last_Name, City FROM dbtable WHERE pk=%1;").arg(pk)));
    }

    // Types a new salutation into the form as a user does and finds it stored on the record
    // that was highlighted, and on no other.
    void typeIntoForm(const QString &after)
    {
        SCOPED_TRACE(after.toStdString());
        const QList<int> rows = editor->selectedRows();
        if (rows.size() != 1 || editor->isReadOnly())
            return;
        auto *field = qobject_cast<QLineEdit *>(editor->findChild<QWidget *>(QStringLiteral("Salutation")));
        if (!field || !field->isEnabled())
            field = nullptr;
        for (QWidget *control : editor->valueControls()) {
            auto *edit = qobject_cast<QLineEdit *>(control);
            if (!field && edit && edit->isEnabled() && !edit->isReadOnly())
                field = edit;
        }
        ASSERT_NE(field, nullptr) << "no field of the form can be typed into";
        const qint64 pk = editor->browserModel()->pkAtRow(rows.first());
        const QString marker = QStringLiteral("Dr. %1").arg(++typed);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, marker);
        QTest::keyClick(field, Qt::Key_Return);
        settle();
        const QString path = editor->database()->path();
        EXPECT_EQ(sqlite3(path, QStringLiteral("SELECT group_concat(pk) FROM dbtable WHERE %1='%2';")
                                    .arg(field->objectName(), marker)),
                  QString::number(pk))
            << "typed into " << field->objectName().toStdString();
        expectFormShowsHighlighted(after + QStringLiteral(", then typing into the form"));
    }

    // Undo and Redo of what the control did, as the Edit menu offers them.
    bool runEditItem(const QString &start)
    {
        for (QAction *top : window.menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Edit"))
                continue;
            emit top->menu()->aboutToShow();
            for (QAction *item : top->menu()->actions()) {
                if (item->text().startsWith(start) && item->isEnabled()) {
                    item->trigger();
                    settle();
                    answerDialogs();
                    return true;
                }
            }
        }
        return false;
    }

    // The sheets a control opens are answered as a user who goes along does: every box of
    // their lists ticked, then their default button.
    void answerDialogs()
    {
        for (int round = 0; round < 3; ++round) {
            QList<QDialog *> open;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<QDialog *>(top); dialog && dialog->isVisible())
                    open.append(dialog);
            if (open.isEmpty())
                return;
            for (QDialog *dialog : open) {
                for (QTableView *table : dialog->findChildren<QTableView *>()) {
                    QAbstractItemModel *model = table->model();
                    for (int row = 0; model && row < model->rowCount(); ++row)
                        for (int column = 0; column < model->columnCount(); ++column)
                            if (model->flags(model->index(row, column)) & Qt::ItemIsUserCheckable)
                                model->setData(model->index(row, column), Qt::Checked, Qt::CheckStateRole);
                }
                QPushButton *accept = nullptr;
                for (QPushButton *button : dialog->findChildren<QPushButton *>())
                    if (button->isDefault() && button->isEnabled() && button->isVisible())
                        accept = button;
                if (accept)
                    QTest::mouseClick(accept, Qt::LeftButton);
                else
                    dialog->accept();
                settle();
            }
        }
    }

    RecordFormFollows &f;
    MainWindow &window;
    DatabaseModeSwitch *modes = nullptr;
    DatabaseView *view = nullptr;
    DatabaseFieldsView *editor = nullptr;
    int typed = 0;

private:
    static QString describe(QWidget *widget)
    {
        QString text;
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            text = button->text().isEmpty() ? button->toolTip() : button->text();
        if (text.isEmpty())
            text = widget->toolTip();
        return QStringLiteral("%1 \"%2\" (%3)").arg(QString::fromLatin1(widget->metaObject()->className()),
                                                     text, widget->objectName());
    }

    void runMenuItem(const QString &text)
    {
        for (QAction *top : window.menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Database"))
                continue;
            emit top->menu()->aboutToShow();
            for (QAction *item : top->menu()->actions())
                if (item->text() == text && item->isEnabled())
                    item->trigger();
        }
    }
    void chooseNextItem(int index)
    {
        QComboBox *combo = view->findChildren<QComboBox *>().value(index);
        if (!combo || !combo->isEnabled() || combo->count() < 2)
            return;
        const int next = (combo->currentIndex() + 1) % combo->count();
        combo->setCurrentIndex(next);
        emit combo->activated(next);
    }
    void clickButton(int index)
    {
        QAbstractButton *button = view->findChildren<QAbstractButton *>().value(index);
        if (!button || !button->isEnabled())
            return;
        // A check box on its box, any other button in its middle.
        const QPoint at = qobject_cast<QCheckBox *>(button) ? QPoint(6, button->height() / 2) : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, at);
    }
    void runButtonMenuItem(int index, const QString &text)
    {
        auto *button = qobject_cast<QToolButton *>(view->findChildren<QAbstractButton *>().value(index));
        if (!button || !button->menu() || !button->isEnabled())
            return;
        for (QAction *item : button->menu()->actions())
            if (item->text() == text && item->isEnabled())
                item->trigger();
    }
    // The highlighted record's value in the column a search box finds in (the quick find
    // finds in the browse field).
    QString valueOfColumn(QLineEdit *edit) const
    {
        const QString column = edit->property("identifier").toString();
        if (column.isEmpty() || editor->formRecordPk() < 0)
            return {};
        return sqlite3(f.path, QStringLiteral("SELECT %1 FROM dbtable WHERE pk=%2;").arg(column).arg(editor->formRecordPk()));
    }
    void typeInto(int index, bool letterOfTheRecord)
    {
        QLineEdit *edit = view->findChildren<QLineEdit *>().value(index);
        if (!edit || !edit->isEnabled())
            return;
        const QString value = valueOfColumn(edit);
        QString letter = QStringLiteral("z");
        if (letterOfTheRecord && !value.isEmpty())
            letter = value.right(2).left(1);
        edit->setFocus();
        QTest::keyClicks(edit, letter);
    }
    void toggleCell(int table, int row, int column)
    {
        QTableView *view = this->view->findChildren<QTableView *>().value(table);
        QAbstractItemModel *model = view ? view->model() : nullptr;
        if (!model || row >= model->rowCount())
            return;
        const QModelIndex index = model->index(row, column);
        const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }
};

TEST_F(RecordFormFollows, AfterEveryControlThatListsOtherRowsTheFormEditsTheHighlightedRecord)
{
    registerAllKinds();
    MainWindow window;
    window.resize(1024, 768);
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
    prompts->clear();
    // Open panels are answered with a file of the kind they offer.
    prompts->answerOpenPanel = [this](const qmtest::TestPrompts::Call &panel) { return openPath(panel.extensions); };
    Walk walk(*this, window);
    walk.reset();
    const QList<Control> controls = walk.controls();
    ASSERT_GE(controls.size(), 40) << "the window's controls were not found";

    QStringList reloading;
    QSet<QString> quietKinds;
    QSet<QString> kindsSeen;
    const QString start = walk.state();
    for (int i = 0; i < controls.size(); ++i) {
        // Controls of one kind (the rows of a table, the boxes of a pane) change the list
        // alike: when the first of them lists the same rows, so do the others.
        if (!controls.at(i).kind.isEmpty() && quietKinds.contains(controls.at(i).kind))
            continue;
        if (walk.state() != start)
            walk.reset();
        if (HasFatalFailure())
            return;
        // Each control finds its widget by its place in the window as it stands now.
        const Control &control = controls.at(i);
        int resets = 0;
        const QMetaObject::Connection counting =
            QObject::connect(walk.editor->browserModel(), &QAbstractItemModel::modelReset, [&resets] { ++resets; });
        control.operate();
        settle();
        walk.answerDialogs();
        settle();
        QObject::disconnect(counting);
        const bool firstOfKind = !control.kind.isEmpty() && !kindsSeen.contains(control.kind);
        kindsSeen.insert(control.kind);
        if (resets == 0) {
            if (firstOfKind)
                quietKinds.insert(control.kind);
            continue;
        }
        reloading << control.name;
        walk.expectFormShowsHighlighted(control.name);
        walk.typeIntoForm(control.name);
        if (walk.runEditItem(QStringLiteral("Undo"))) {
            walk.expectFormShowsHighlighted(control.name + QStringLiteral(", then Undo"));
            walk.typeIntoForm(control.name + QStringLiteral(", then Undo"));
            if (walk.runEditItem(QStringLiteral("Redo"))) {
                walk.expectFormShowsHighlighted(control.name + QStringLiteral(", then Undo and Redo"));
                walk.typeIntoForm(control.name + QStringLiteral(", then Undo and Redo"));
            }
        }
    }
    // Every control was found at its place each time.
    walk.reset();
    QStringList before, after;
    for (const Control &control : controls)
        before << control.name;
    for (const Control &control : walk.controls())
        after << control.name;
    EXPECT_EQ(after, before);
    // The walk reached the controls the user changes the list with.
    for (const char *expected : {"Database > Show All Records", "Database > Import...", "Database > Delete Record"})
        EXPECT_TRUE(reloading.contains(QString::fromLatin1(expected))) << expected << "\n"
                                                                      << reloading.join('\n').toStdString();
}

TEST_F(RecordFormFollows, AnEditThatTakesTheRecordOutOfTheListLeavesTheFormOnTheHighlightedOne)
{
    registerAllKinds();
    MainWindow window;
    window.resize(1024, 768);
    window.show();
    QApplication::setActiveWindow(&window);
    window.finishLaunching();
    window.modeSwitch()->switchTabs(DatabaseModeSwitch::DatabaseMode);
    Walk walk(*this, window);
    walk.reset();
    // Evans leaves group 2, the one shown, with a new city typed in the same edit.
    const QList<QCheckBox *> groups = walk.editor->groupControls();
    ASSERT_GE(groups.size(), 2);
    // On its box, where a user clicks.
    QTest::mouseClick(groups.at(1), Qt::LeftButton, {}, QPoint(6, groups.at(1)->height() / 2));
    ASSERT_FALSE(groups.at(1)->isChecked());
    auto *city = qobject_cast<QLineEdit *>(walk.editor->findChild<QWidget *>(QStringLiteral("City")));
    ASSERT_NE(city, nullptr);
    city->setFocus();
    QTest::keyClick(city, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(city, QStringLiteral("Ely"));
    QTest::keyClick(city, Qt::Key_Return);
    settle();
    EXPECT_EQ(sqlite3(path, QStringLiteral("SELECT City, Groups FROM dbtable WHERE Last_Name='Evans';")), "Ely|0");
    EXPECT_EQ(walk.listed(), QStringList({"Baker", "Clark", "Quinn"}));
    walk.expectFormShowsHighlighted(QStringLiteral("Evans taken out of the list"));
    walk.typeIntoForm(QStringLiteral("Evans taken out of the list"));
}

} // namespace recordformfollows
