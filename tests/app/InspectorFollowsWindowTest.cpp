// Every control of the inspector shows the selection's value after every way the window has of
// changing it: the colour panel (with and without Control), the font panel, the Format menu's
// commands, keys, Edit > Undo and Redo, and each other control of the inspector. The controls
// are found on the inspector's pages; what each shows once the window is quiet is compared with
// what it shows after the inspector reads the selection anew.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QMap>
#include <QSlider>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "foundation/SegmentedControl.h"
#include "inspector/InspectorPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ObjectTextEditor.h"
#include "platform/ColorWell.h"
#include "platform/Modifiers.h"
#include "platform/Stepper.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

class InspectorFollows : public ::testing::Test
{
protected:
    InspectorFollows() : f(QStringLiteral("inspector-follows")) {}
    ~InspectorFollows() override
    {
        RectsView::setFillColorFlag(false);
        RectsView::setImageColorFlag(false);
    }

    RectsView *canvas() const { return f.canvas(); }
    ObjectInfoPanel *info() const { return f.window->objectInfo(); }

    // What every control of every page shows, by page and name.
    QMap<QString, QString> shown() const
    {
        QMap<QString, QString> values;
        for (InspectorPage *page : info()->pages()) {
            if (!page)
                continue;
            const QString at = page->identifier() + QLatin1Char('.');
            for (NumberField *field : page->findChildren<NumberField *>()) {
                const std::optional<double> value = field->value();
                values.insert(at + field->objectName(), value ? QString::number(*value) : QStringLiteral("none"));
            }
            for (ColorWell *well : page->findChildren<ColorWell *>())
                values.insert(at + well->objectName(), well->color().name(QColor::HexArgb));
            for (QCheckBox *box : page->findChildren<QCheckBox *>())
                values.insert(at + box->objectName(), QString::number(int(box->checkState())));
            for (QSlider *slider : page->findChildren<QSlider *>())
                values.insert(at + slider->objectName(), QString::number(slider->value()));
            for (Stepper *stepper : page->findChildren<Stepper *>())
                values.insert(at + stepper->objectName(), QString::number(stepper->doubleValue()));
            for (SegmentedControl *segments : page->findChildren<SegmentedControl *>())
                values.insert(at + segments->objectName(), QString::number(segments->selectedSegment()));
            for (QComboBox *popUp : page->findChildren<QComboBox *>())
                values.insert(at + popUp->objectName(), QString::number(popUp->currentIndex()));
        }
        return values;
    }

    // Once the window is quiet after `way`, every control shows what the inspector shows when it
    // reads the selection anew.
    void expectFollowed(const QString &way)
    {
        apptest::settle();
        const QMap<QString, QString> before = shown();
        info()->refresh();
        const QMap<QString, QString> after = shown();
        ++m_checked;
        QStringList stale;
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            if (before.value(it.key()) != it.value())
                stale << QStringLiteral("%1 showed %2, not %3").arg(it.key(), before.value(it.key()), it.value());
        EXPECT_TRUE(stale.isEmpty()) << way.toStdString() << ":\n" << stale.join(QLatin1Char('\n')).toStdString();
    }
    // Undo and Redo of the last step, each followed.
    void expectUndoAndRedoFollowed(const QString &way)
    {
        f.undo();
        expectFollowed(way + QStringLiteral(", Undo"));
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
        expectFollowed(way + QStringLiteral(", Redo"));
    }

    GraphicPtr mixedBox(const QRectF &frame)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        QTextDocument contents;
        QTextCursor cursor(&contents);
        QTextCharFormat first;
        first.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        first.setForeground(Qt::darkRed);
        cursor.insertText(QStringLiteral("Alpha "), first);
        QTextCharFormat second;
        second.setFont(QFont(QStringLiteral("DejaVu Serif"), 18, QFont::Bold));
        second.setForeground(Qt::darkBlue);
        cursor.insertText(QStringLiteral("Beta"), second);
        box->setContents(contents);
        return box;
    }

    // The ways of changing the selection: the panels, the Format menu's commands and keys, each
    // followed by Undo and Redo.
    void walkTheWays(const QString &selection)
    {
        QColorDialog *colours = canvas()->colorPanel();
        colours->show();
        for (const bool control : {false, true}) {
            const QString way = selection + (control ? QStringLiteral(": colour panel with Control")
                                                     : QStringLiteral(": colour panel"));
            // Control held while the colour arrives, as the panel reads the keys then.
            setModifierSourceForTesting([control] { return control ? Qt::MetaModifier : Qt::NoModifier; });
            colours->setCurrentColor(control ? QColor(10, 200, 30) : QColor(200, 40, 90));
            setModifierSourceForTesting({});
            expectFollowed(way);
            expectUndoAndRedoFollowed(way);
        }
        RectsView::setFillColorFlag(false);
        colours->hide();

        canvas()->showTextFont();
        QFontDialog *fonts = canvas()->fontPanel();
        QFont bigger = fonts->currentFont();
        bigger.setPointSizeF(bigger.pointSizeF() + 7.0);
        fonts->setCurrentFont(bigger);
        expectFollowed(selection + QStringLiteral(": font panel size"));
        expectUndoAndRedoFollowed(selection + QStringLiteral(": font panel size"));
        fonts->hide();

        for (QAction *top : f.window->menuBar()->actions()) {
            if (!top->menu() || top->menu()->title() != QLatin1String("Format"))
                continue;
            for (QAction *holder : top->menu()->actions()) {
                if (!holder->menu())
                    continue;
                emit holder->menu()->aboutToShow();
                for (QAction *item : holder->menu()->actions()) {
                    const QString key = item->toolTip();
                    if (item->isSeparator() || item->menu() || !item->isEnabled() || key.endsWith(QLatin1String("..."))
                        || key.startsWith(QLatin1String("Show ")))
                        continue;
                    const QString way = selection + QStringLiteral(": Format > ") + key;
                    item->trigger();
                    expectFollowed(way);
                    expectUndoAndRedoFollowed(way);
                }
            }
        }
        for (const QKeyCombination key : {QKeyCombination(Qt::ControlModifier, Qt::Key_B),
                                          QKeyCombination(Qt::ControlModifier, Qt::Key_I),
                                          QKeyCombination(Qt::NoModifier, Qt::Key_Right)}) {
            const QString way = selection + QStringLiteral(": key ") + QKeySequence(key).toString();
            canvas()->setFocus();
            QTest::keyClick(canvas(), key.key(), key.keyboardModifiers());
            expectFollowed(way);
            if (canvas()->undoManager()->canUndo())
                expectUndoAndRedoFollowed(way);
        }
    }

    // Each other control of the inspector given a new value as the user gives it: a number typed,
    // a colour taken, a box clicked; the others follow.
    void walkTheControls(const QString &selection)
    {
        for (InspectorPage *page : info()->pages()) {
            if (!page)
                continue;
            for (NumberField *field : page->findChildren<NumberField *>()) {
                if (!field->isEnabled() || field->isReadOnly())
                    continue;
                const QString way = selection + QStringLiteral(": ") + page->identifier() + QLatin1Char('.') + field->objectName();
                const double now = field->value().value_or(0.0);
                field->setText(QString::number(now + 1.0));
                emit field->valueEntered();
                expectFollowed(way);
                if (canvas()->undoManager()->canUndo())
                    expectUndoAndRedoFollowed(way);
            }
            for (ColorWell *well : page->findChildren<ColorWell *>()) {
                if (!well->isEnabled())
                    continue;
                const QString way = selection + QStringLiteral(": ") + page->identifier() + QLatin1Char('.') + well->objectName();
                well->takeColor(well->color() == QColor(30, 90, 160) ? QColor(160, 90, 30) : QColor(30, 90, 160));
                expectFollowed(way);
                if (canvas()->undoManager()->canUndo())
                    expectUndoAndRedoFollowed(way);
            }
            for (QCheckBox *box : page->findChildren<QCheckBox *>()) {
                if (!box->isEnabled() || !box->isVisibleTo(page))
                    continue;
                const QString way = selection + QStringLiteral(": ") + page->identifier() + QLatin1Char('.') + box->objectName();
                box->click();
                expectFollowed(way);
                if (canvas()->undoManager()->canUndo())
                    expectUndoAndRedoFollowed(way);
            }
        }
    }

    apptest::WindowFixture f;
    int m_checked = 0;
};

TEST_F(InspectorFollows, EveryControlShowsTheSelectionAfterEveryWayOfChangingIt)
{
    // A text box selected.
    const GraphicPtr box = mixedBox(QRectF(20, 20, 220, 60));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(130, 50));
    ASSERT_EQ(canvas()->selectedObjects(), GraphicList{box});
    walkTheWays(QStringLiteral("selected box"));
    walkTheControls(QStringLiteral("selected box"));

    // The same box's text edited, all of it selected.
    canvas()->clearSelection();
    canvas()->selectRect(box);
    ASSERT_TRUE(canvas()->setEditableObject(box));
    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
    apptest::settle();
    ASSERT_GT(ObjectTextEditor::current()->selectionEnd(), 0);
    walkTheWays(QStringLiteral("edited text"));
    ASSERT_EQ(canvas()->editedObject(), box);
    walkTheControls(QStringLiteral("edited text"));
    EXPECT_GE(m_checked, 60);
}

// The case a user met: a colour from the colour panel on the edited text's selection; the Text
// page's well shows it at once.
TEST_F(InspectorFollows, TheTextColourWellShowsTheColourThePanelGaveTheEditedText)
{
    const GraphicPtr box = mixedBox(QRectF(20, 20, 220, 60));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(130, 50));
    ASSERT_TRUE(canvas()->setEditableObject(box));
    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
    apptest::settle();
    auto *well = f.window->findChild<ColorWell *>(QStringLiteral("cwTextColor"));
    ASSERT_NE(well, nullptr);
    EXPECT_EQ(well->color(), QColor(Qt::darkRed));
    canvas()->colorPanel()->show();
    canvas()->colorPanel()->setCurrentColor(QColor(0, 128, 255));
    apptest::settle();
    EXPECT_EQ(well->color(), QColor(0, 128, 255));
    f.undo();
    EXPECT_EQ(well->color(), QColor(Qt::darkRed));
    canvas()->colorPanel()->hide();
}

} // namespace
