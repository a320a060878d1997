// The mouse wheel over a scrolling panel scrolls the panel: a pop-up, slider or spin box that
// passes under the pointer and that the user has not clicked keeps its value, and the design
// and the record keep theirs (no undo step). Once the user has clicked a control, the wheel
// changes it as usual. The controls are found by walking the widget trees of every window
// shown: the inspector's pages with a barcode and with a picture box selected, the database
// window, the image effects with each filter of its list, the print options, the import wizard
// and the custom format editor.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeView>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>

#include "app/AppTestSupport.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "database/window/NewImportDatabasePanel.h"
#include "database/window/PropertyViewButtonCell.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace wheelpanels {

bool takesWheelForValue(const QWidget *widget)
{
    return qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget)
           || (qobject_cast<const QAbstractSlider *>(widget) && !qobject_cast<const QScrollBar *>(widget));
}

QList<QAbstractScrollArea *> panelsAround(QWidget *widget);

// Every pop-up, slider and spin box shown inside a scrolling panel of `within`, or of every
// window shown. A window made by a widget of a panel (a sheet of the canvas) is not inside
// the panel.
QList<QWidget *> controlsInPanels(QWidget *within = nullptr)
{
    QList<QWidget *> found;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || (within && top != within))
            continue;
        for (QAbstractScrollArea *area : top->findChildren<QAbstractScrollArea *>()) {
            if (!area->isVisible() || !area->viewport())
                continue;
            for (QWidget *widget : area->viewport()->findChildren<QWidget *>()) {
                if (takesWheelForValue(widget) && widget->isVisible() && widget->isEnabled() && !found.contains(widget)
                    && !panelsAround(widget).isEmpty())
                    found << widget;
            }
        }
    }
    return found;
}

QList<QAbstractScrollArea *> panelsAround(QWidget *widget)
{
    QList<QAbstractScrollArea *> areas;
    for (QWidget *up = widget->parentWidget(); up; up = up->parentWidget())
        if (auto *area = qobject_cast<QAbstractScrollArea *>(up); area && area->viewport()->isAncestorOf(widget))
            areas << area;
    return areas;
}

QString valueOf(QWidget *control)
{
    if (auto *combo = qobject_cast<QComboBox *>(control))
        return QString::number(combo->currentIndex()) + QLatin1Char(' ') + combo->currentText();
    if (auto *slider = qobject_cast<QAbstractSlider *>(control))
        return QString::number(slider->value());
    if (auto *box = qobject_cast<QAbstractSpinBox *>(control))
        return box->text();
    return {};
}

QString nameOf(QWidget *control)
{
    QString name = QString::fromLatin1(control->metaObject()->className());
    if (!control->objectName().isEmpty())
        name += QLatin1Char(' ') + control->objectName();
    if (auto *combo = qobject_cast<QComboBox *>(control))
        name += QStringLiteral(" \"") + combo->currentText() + QLatin1Char('"');
    return name + QStringLiteral(" in ") + QString::fromLatin1(control->window()->metaObject()->className());
}

// The scroll bars' places of the panels around a control.
QList<int> scrolled(const QList<QAbstractScrollArea *> &areas)
{
    QList<int> places;
    for (QAbstractScrollArea *area : areas)
        places << area->verticalScrollBar()->value() << area->horizontalScrollBar()->value();
    return places;
}

struct WheelSeen : QObject
{
    int turns = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        turns += event->type() == QEvent::Wheel;
        return false;
    }
};

class WheelWalk
{
public:
    explicit WheelWalk(apptest::WindowFixture &fixture)
        : f(fixture)
    {
    }

    // A wheel turn over the middle of `control`, as the window system hands it over: to the
    // widget under the pointer, from which Qt passes it on to the parents that leave it.
    // False when the control is not under the pointer there.
    bool turn(QWidget *control, int delta)
    {
        for (QAbstractScrollArea *area : panelsAround(control))
            if (auto *scroll = qobject_cast<QScrollArea *>(area))
                scroll->ensureWidgetVisible(control, 0, 0);
        QWidget *top = control->window();
        const QPoint inTop = control->mapTo(top, control->rect().center());
        QWidget *target = top->childAt(inTop);
        if (!target || (target != control && !control->isAncestorOf(target)))
            return false;
        QWheelEvent event(QPointF(target->mapFrom(top, inTop)), QPointF(top->mapToGlobal(inTop)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(target, &event);
        QCoreApplication::processEvents();
        return true;
    }

    // Every control not clicked: a turn either way changes nothing but the panel's place.
    void unclicked(const QString &where, QWidget *within = nullptr)
    {
        f.canvas()->undoManager()->removeAllActions();
        f.canvas()->wasChanged(false);
        records()->removeAllActions();
        for (QWidget *control : controlsInPanels(within)) {
            if (control->hasFocus())
                control->clearFocus();
            const QString name = where + QStringLiteral(": ") + nameOf(control);
            for (const int delta : {120, -120}) {
                if (!control->isVisible())
                    break;
                const QString before = valueOf(control);
                const QList<QAbstractScrollArea *> areas = panelsAround(control);
                bool couldScroll = false;
                for (QAbstractScrollArea *area : areas) {
                    const QScrollBar *bar = area->verticalScrollBar();
                    couldScroll |= delta > 0 ? bar->value() > bar->minimum() : bar->value() < bar->maximum();
                }
                const QList<int> placeBefore = scrolled(areas);
                if (!turn(control, delta)) {
                    problems << name + QStringLiteral(": not under the pointer where it shows");
                    break;
                }
                ++turns;
                ++turnsIn[where.section(QLatin1Char(','), 0, 0)];
                if (valueOf(control) != before)
                    problems << name + QStringLiteral(": turned from ") + before + QStringLiteral(" to ") + valueOf(control);
                if (control->hasFocus())
                    problems << name + QStringLiteral(": took the focus");
                if (couldScroll && scrolled(areas) == placeBefore)
                    problems << name + QStringLiteral(": the panel did not scroll");
            }
            if (f.canvas()->undoManager()->canUndo() || f.canvas()->isChanged())
                problems << name + QStringLiteral(": the design changed (") + f.canvas()->undoManager()->undoActionName()
                                + QLatin1Char(')');
            if (records()->canUndo())
                problems << name + QStringLiteral(": the record changed");
            f.canvas()->undoManager()->removeAllActions();
            f.canvas()->wasChanged(false);
            records()->removeAllActions();
        }
    }

    // Every control clicked first: the wheel changes it, one way or the other.
    void clicked(const QString &where, QWidget *within = nullptr)
    {
        for (QWidget *control : controlsInPanels(within)) {
            if (!control->isVisible() || !control->isEnabled() || !canChange(control))
                continue;
            QApplication::setActiveWindow(control->window());
            control->setFocus(Qt::MouseFocusReason);
            if (!control->hasFocus())
                continue;
            // Whether the control handles the turn as it likes is Qt's and its own business (a
            // text size slider with a picture selected springs back); it must get the turn.
            WheelSeen seen;
            control->installEventFilter(&seen);
            if (!turn(control, 120)) {
                problems << where + QStringLiteral(": ") + nameOf(control) + QStringLiteral(": not under the pointer where it shows");
                control->removeEventFilter(&seen);
                continue;
            }
            control->removeEventFilter(&seen);
            ++focusedTurns;
            ++turnsIn[where.section(QLatin1Char(','), 0, 0) + QStringLiteral(" clicked")];
            if (!seen.turns)
                problems << where + QStringLiteral(": ") + nameOf(control) + QStringLiteral(": clicked, the wheel did not reach it");
            control->clearFocus();
        }
        apptest::settle();
    }

    int turns = 0;
    int focusedTurns = 0;
    QMap<QString, int> turnsIn;
    QStringList problems;

    std::string counts() const
    {
        QStringList lines;
        for (auto it = turnsIn.begin(); it != turnsIn.end(); ++it)
            lines << it.key() + QStringLiteral(": ") + QString::number(it.value());
        return lines.join(QLatin1Char('\n')).toStdString();
    }

private:
    UndoManager *records() const
    {
        return f.window->modeSwitch()->databaseView()->databaseFieldsView()->undoManager();
    }
    static bool canChange(QWidget *control)
    {
        if (auto *combo = qobject_cast<QComboBox *>(control))
            return combo->count() > 1;
        if (auto *slider = qobject_cast<QAbstractSlider *>(control))
            return slider->maximum() > slider->minimum();
        if (auto *box = qobject_cast<QAbstractSpinBox *>(control))
            return !box->isReadOnly();
        return false;
    }

    apptest::WindowFixture &f;
};

} // namespace wheelpanels

using namespace wheelpanels;

TEST(WheelOverPanels, AControlNotClickedLetsTheWheelScrollItsPanelAndAClickedOneTakesIt)
{
    apptest::WindowFixture f(QStringLiteral("wheel-over-panels"));
    qmtest::ScopedTestPrintPanels panels;
    f.window->finishLaunching();
    apptest::settle();
    WheelWalk walk(f);
    PropertiesView *pages = f.window->propertiesView();
    auto openEveryPage = [&] {
        for (PropertiesTabButton *button : pages->buttons())
            if (!button->isChecked())
                QTest::mouseClick(button, Qt::LeftButton);
        apptest::settle();
    };

    // The inspector with a barcode selected, every page open.
    f.tool(RectsView::BarcodeTool)->trigger();
    f.click(QPointF(12, 10));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    openEveryPage();
    walk.unclicked(QStringLiteral("a barcode selected"));

    // A box with a picture, for the image controls.
    f.canvas()->removeAllRects();
    f.drawRect(QRectF(40, 40, 80, 60));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(80, 70));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    QImage picture(40, 30, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::darkCyan);
    f.canvas()->selectedObjects().first()->setImage(picture);
    f.window->objectInfo()->refresh();
    openEveryPage();
    walk.unclicked(QStringLiteral("a picture selected"));

    // The image effects, with each filter of the list.
    f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
    apptest::settle();
    int filters = 0;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        QApplication::setActiveWindow(panel);
        apptest::settle();
        QTreeView *list = panel->outlineView();
        list->expandAll();
        for (const CIFilterDataSource::Category &category : panel->dataSource()->categories()) {
            for (const CIFilterDataSource::Entry &entry : category.entries) {
                const QModelIndex row = panel->dataSource()->indexOfFilter(entry.filterClass);
                list->scrollTo(row);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(row).center());
                apptest::settle();
                ++filters;
                walk.unclicked(QStringLiteral("image effects, ") + entry.filterClass, panel);
                walk.clicked(QStringLiteral("image effects, ") + entry.filterClass, panel);
            }
        }
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    auto *effects = f.window->findChild<QPushButton *>(QStringLiteral("btnEdit"));
    ASSERT_TRUE(effects && effects->isEnabled());
    QTest::mouseClick(effects, Qt::LeftButton);
    apptest::settle();
    QApplication::setActiveWindow(f.window.get());
    EXPECT_GT(filters, 50);

    // The print options.
    bool printed = false;
    panels->queueSheet([&](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        walk.unclicked(QStringLiteral("print options"), &sheet);
        printed = true;
        sheet.hide();
    });
    f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
    EXPECT_TRUE(printed);

    // The custom format editor: its palette scrolls.
    bool edited = false;
    panels->queueSheet([&](QDialog &sheet) {
        qmtest::presentSheet(sheet);
        walk.unclicked(QStringLiteral("custom format editor"), &sheet);
        edited = true;
        qmtest::clickSheetButton(sheet, QStringLiteral("cancelButton"));
    });
    for (QAction *item : f.window->newFormatMenu()->actions())
        if (item->text() == QLatin1String("New Custom Format..."))
            item->trigger();
    apptest::settle();
    EXPECT_TRUE(edited);

    // The inspector again, clicked controls this time.
    QApplication::setActiveWindow(f.window.get());
    walk.clicked(QStringLiteral("a picture selected"), f.window.get());

    // The database window: the record form and the panes of its side panel, and the import
    // wizard's table of pop-ups.
    DatabaseModeSwitch *modes = f.window->modeSwitch();
    modes->switchTabs(DatabaseModeSwitch::DatabaseMode);
    apptest::settle();
    DatabaseView *database = modes->databaseView();
    for (PropertyViewButtonCell *tab : database->findChildren<PropertyViewButtonCell *>())
        if (!tab->isChecked())
            QTest::mouseClick(tab, Qt::LeftButton);
    apptest::settle();
    walk.unclicked(QStringLiteral("database"), f.window.get());
    const QString csv = qmtest::freshDir(QStringLiteral("wheel-over-panels-import")) + QStringLiteral("/people.csv");
    {
        QFile file(csv);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 40; ++i)
            file.write("Ada,Lovelace,London,12 Oak Lane,Nottinghamshire,NG1,England,555 0100\n");
    }
    f.prompts->queuePath(csv);
    f.trigger(QStringLiteral("Database"), QStringLiteral("Import..."));
    NewImportDatabasePanel *wizard = database->databaseFieldsView()->importDatabasePanel();
    ASSERT_TRUE(wizard && wizard->isVisible());
    QApplication::setActiveWindow(wizard);
    apptest::settle();
    walk.unclicked(QStringLiteral("import wizard"), wizard);
    walk.clicked(QStringLiteral("import wizard"), wizard);
    wizard->close();
    QApplication::setActiveWindow(f.window.get());
    apptest::settle();
    walk.clicked(QStringLiteral("database"), f.window.get());

    // Every window with controls in a scrolling panel had some walked, each way.
    for (const char *where : {"a barcode selected", "a picture selected", "a picture selected clicked", "database",
                              "database clicked", "import wizard", "import wizard clicked"})
        EXPECT_GT(walk.turnsIn.value(QString::fromLatin1(where)), 1) << where << "\n" << walk.counts();
    EXPECT_TRUE(walk.problems.isEmpty()) << walk.problems.size() << " controls:\n"
                                         << walk.problems.join(QLatin1Char('\n')).toStdString();
}
