// An edit in the inspector is applied to the whole selection as one command, as the canvas's
// own commands are: every control of every page, found by walking the pages, worked as a user
// works it on a selection of identical objects of each kind, lands on every object alike,
// leaves the rulers on the selection's new edges, and one Undo takes all of it back.
#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>

#include <functional>

#include "app/AppTestSupport.h"
#include "app/InspectorWindowSupport.h"
#include "barcodes/ColorBarcode.h"
#include "platform/Stepper.h"
#include "app/MenuValidator.h"
#include "inspector/AlignPage.h"
#include "inspector/InspectorPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesView.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/Group.h"
#include "objects/GroupedObjects.h"
#include "platform/BezierPath.h"
#include "platform/ColorWell.h"
#include "platform/RulerView.h"
#include "platform/UndoManager.h"

using namespace quillmark;

namespace {

constexpr int Count = 5;

// How a user works a control: a value typed and entered, a stepper's arrow, a slider's key, the
// next item of a pop-up, a colour chosen, a click. None for what is no control, and for a
// button that opens a panel of its own ("...").
std::function<void()> workOf(QWidget *widget)
{
    auto key = [](QWidget *w, int k, const QString &text = QString()) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
        QApplication::sendEvent(w, &release);
    };
    if (auto *field = qobject_cast<NumberField *>(widget))
        return [field, key] {
            field->setText(QString::number(field->value().value_or(0.0) + 1.0, 'f', 2));
            field->setModified(true);
            key(field, Qt::Key_Return);
        };
    if (auto *text = qobject_cast<QPlainTextEdit *>(widget))
        return [text, key] {
            text->setFocus();
            text->moveCursor(QTextCursor::End);
            key(text, Qt::Key_7, QStringLiteral("7"));
        };
    if (auto *stepper = qobject_cast<Stepper *>(widget))
        return [stepper] {
            const bool up = stepper->doubleValue() < stepper->maxValue();
            QTest::mouseClick(stepper, Qt::LeftButton, {},
                              QPoint(stepper->width() / 2, up ? stepper->height() / 4 : stepper->height() * 3 / 4));
        };
    if (auto *slider = qobject_cast<QAbstractSlider *>(widget))
        return [slider, key] { key(slider, slider->value() < slider->maximum() ? Qt::Key_Right : Qt::Key_Left); };
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return [combo, key] { key(combo, combo->currentIndex() + 1 < combo->count() ? Qt::Key_Down : Qt::Key_Up); };
    if (auto *well = qobject_cast<ColorWell *>(widget))
        return [well] { well->takeColor(QColor::fromHsv((std::max(0, well->color().hsvHue()) + 97) % 360, 180, 200)); };
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        if (button->text().endsWith(QLatin1String("...")))
            return {};
        return [button] { button->click(); };
    }
    return {};
}

bool insideComposite(QWidget *widget, QWidget *page)
{
    for (QWidget *up = widget->parentWidget(); up && up != page; up = up->parentWidget())
        if (qobject_cast<QComboBox *>(up) || qobject_cast<QAbstractScrollArea *>(up) || qobject_cast<Stepper *>(up))
            return true;
    return false;
}

struct Kind
{
    const char *name;
    std::function<GraphicPtr()> make;
};

QList<Kind> kinds()
{
    const QRectF frame(30, 20, 60, 24);
    return {
        {"text box",
         [frame] {
             GraphicPtr box = ColorRect::create(frame);
             box->textStorage()->setPlainText(QStringLiteral("Same"));
             return box;
         }},
        {"oval with text",
         [frame] {
             GraphicPtr oval = ColorOval::create(frame);
             oval->textStorage()->setPlainText(QStringLiteral("Along"));
             return oval;
         }},
        {"line", [frame] { return GraphicPtr(ColorLine::create(frame)); }},
        {"path",
         [frame] {
             auto path = ColorPath::create(frame);
             BezierPath outline;
             outline.moveTo(frame.topLeft());
             outline.lineTo(frame.topRight());
             outline.lineTo(frame.bottomRight() - QPointF(10, 0));
             outline.closePath();
             path->setBezierPath(outline);
             return GraphicPtr(path);
         }},
        {"picture",
         [frame] {
             GraphicPtr picture = ColorRect::create(frame);
             QImage photo(40, 30, QImage::Format_RGB32);
             photo.fill(QColor(30, 120, 200));
             picture->setImage(photo);
             picture->setFrameBounds(frame);
             return picture;
         }},
        {"barcode",
         [frame] {
             auto barcode = ColorBarcode::create(frame);
             TBarInfo info = barcode->getBarInfo();
             info.BarStr = "QM123";
             barcode->setBarInfo(info);
             return GraphicPtr(barcode);
         }},
    };
}

// What a text shows: each run's characters in their font and colour, each paragraph's
// alignment. Undo may give a run the
// font it inherited before as its own: the same text to the eye, other bytes in the file.
QString shownText(const QTextDocument &text)
{
    QString shown;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            shown += QStringLiteral("[%1|%2|%3]")
                         .arg(it.fragment().text(), format.font().resolve(text.defaultFont()).toString(),
                              format.foreground().color().name(QColor::HexArgb));
        }
        // In left-to-right text a side named absolutely is the side it names.
        shown += QStringLiteral("{%1}\n").arg(int(block.blockFormat().alignment() & ~Qt::AlignAbsolute));
    }
    return shown;
}

// Each object's stored form, with its text as shown unless `stored`: what the edit changed and
// what Undo must give back.
QList<QVariantMap> formsOf(RectsView *canvas, bool stored = false)
{
    QList<QVariantMap> forms = apptest::storedForms(canvas);
    if (stored)
        return forms;
    const GraphicList objects = canvas->getRects();
    for (qsizetype i = 0; i < forms.size(); ++i) {
        const GraphicPtr &object = objects[i];
        if (forms[i].contains(QStringLiteral("Text")) && object->textStorage())
            forms[i].insert(QStringLiteral("Text"), shownText(*object->textStorage()));
    }
    return forms;
}

QString keysApart(const QVariantMap &a, const QVariantMap &b)
{
    QStringList keys;
    for (auto it = a.cbegin(); it != a.cend(); ++it)
        if (b.value(it.key()) != it.value())
            keys.append(it.key());
    for (auto it = b.cbegin(); it != b.cend(); ++it)
        if (!a.contains(it.key()))
            keys.append(it.key());
    return keys.join(QLatin1Char(' '));
}

// Where two lists of forms differ: "object i: keys", empty when they are equal.
QString differences(const QList<QVariantMap> &a, const QList<QVariantMap> &b)
{
    if (a.size() != b.size())
        return QStringLiteral("%1 objects, not %2").arg(a.size()).arg(b.size());
    QStringList found;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            found.append(QStringLiteral("object %1: %2").arg(i).arg(keysApart(a[i], b[i])));
    return found.join(QStringLiteral("; "));
}

} // namespace

TEST(InspectorEditWindowTest, EveryControlsEditLandsOnEveryObjectAndUndoesInOneStep)
{
    apptest::WindowFixture f(QStringLiteral("inspector-edit"));
    RectsView *canvas = f.canvas();
    ObjectInfoPanel *info = f.window->objectInfo();
    PropertiesView *panel = f.window->propertiesView();
    ASSERT_TRUE(info && panel);
    ASSERT_NO_FATAL_FAILURE(apptest::openInspectorPages(f));

    const QStringList firstOvalOnly = {QStringLiteral("tvOvalTextAngle"), QStringLiteral("cbOvalTextFlip")};
    int worked = 0;
    QSet<QString> controlsWorked;
    for (const Kind &kind : kinds()) {
        SCOPED_TRACE(kind.name);
        canvas->emptyNewDoc();
        for (int i = 0; i < Count; ++i)
            apptest::placeOnCanvas(canvas, kind.make());
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        ASSERT_EQ(canvas->selectedObjects().size(), Count);
        for (const QPointer<InspectorPage> &page : info->pages()) {
            for (QWidget *control : page->findChildren<QWidget *>()) {
                if (qobject_cast<QLabel *>(control) || insideComposite(control, page))
                    continue;
                const std::function<void()> work = workOf(control);
                if (!work || !control->isEnabled() || !control->isVisibleTo(page))
                    continue;
                const QString name = page->title() + QLatin1Char(' ') + control->objectName()
                                     + QLatin1Char(' ') + control->property("text").toString();
                SCOPED_TRACE(name.toStdString());
                const QList<QVariantMap> before = formsOf(canvas);
                const QList<QVariantMap> storedBefore = formsOf(canvas, true);
                ASSERT_EQ(before.size(), Count);
                canvas->undoManager()->removeAllActions();
                work();
                apptest::settle();
                const QList<QVariantMap> after = formsOf(canvas);
                ASSERT_EQ(after.size(), Count);
                if (after == before) {
                    // What changes nothing leaves no step for Undo.
                    if (formsOf(canvas, true) == storedBefore) {
                        EXPECT_FALSE(canvas->undoManager()->canUndo());
                    }
                    continue;
                }
                ++worked;
                controlsWorked.insert(page->title() + QLatin1Char(' ') + control->objectName());
                // Identical objects stay identical: the edit reached each of them alike. The
                // angle and the flip of the text along an oval are the first oval's alone.
                if (!firstOvalOnly.contains(control->objectName())) {
                    EXPECT_EQ(differences(after, QList<QVariantMap>(Count, after[0])), QString()) << "not alike";
                    for (int i = 0; i < Count; ++i)
                        EXPECT_NE(keysApart(after[i], before[i]), QString()) << "object " << i << " was left out";
                }
                // The rulers stand on the selection's edges as the edit left them.
                if (RulerView *ruler = canvas->horizontalRuler(); ruler && ruler->isVisible()) {
                    const QRectF bounds = canvas->boundsForObjects();
                    ASSERT_EQ(ruler->markers().size(), 2);
                    EXPECT_NEAR(ruler->markers()[0]->markerLocation(), bounds.left(), 1e-3);
                    EXPECT_NEAR(ruler->markers()[1]->markerLocation(), bounds.right(), 1e-3);
                }
                // One step takes all of it back.
                f.undo();
                EXPECT_EQ(differences(formsOf(canvas), before), QString()) << "after Undo";
                EXPECT_FALSE(canvas->undoManager()->canUndo());
                if (canvas->selectedObjects().size() != Count)
                    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
            }
        }
    }
    // The walk reached the controls of the pages: geometry, style, text, image and barcode.
    EXPECT_GT(worked, 40);
    for (const char *control : {"Geometry tvOriginX", "Geometry spWidth", "Geometry slAngle", "Style cwFillColor1",
                                "Style pbLinePattern", "Text tvTextSize", "Image slImgOpacity", "Barcode pbBarType"})
        EXPECT_TRUE(controlsWorked.contains(QString::fromLatin1(control))) << control;
}

namespace {

// Where a unit of the selection stands and how large it is: a group's own frame, a loose
// object's.
QRectF unitFrame(const GroupedObjects &units, qsizetype i)
{
    if (i < units.groups.size())
        return units.groups[i]->bounds();
    const GraphicPtr &object = units.loose[i - units.groups.size()];
    return QRectF(object->originX(), object->originY(), object->width(), object->height());
}

// Every unit's edge or centre that an alignment's tag names lies on one line.
void expectOnOneLine(const GroupedObjects &units, int tag)
{
    auto line = [tag](const QRectF &r) {
        switch (tag) {
        case AlignPage::AlignLeft: return r.left();
        case AlignPage::AlignCenterX: return r.center().x();
        case AlignPage::AlignRight: return r.right();
        case AlignPage::AlignTop: return r.top();
        case AlignPage::AlignCenterY: return r.center().y();
        default: return r.bottom();
        }
    };
    const double wanted = line(unitFrame(units, 0));
    for (qsizetype i = 1; i < units.groups.size() + units.loose.size(); ++i)
        EXPECT_NEAR(line(unitFrame(units, i)), wanted, 0.02) << "unit " << i << " off the line of tag " << tag;
}

// The members of each group as they lie against the group's first member.
QList<QPointF> memberOffsets(const GroupedObjects &units)
{
    QList<QPointF> offsets;
    for (const Group *group : units.groups)
        for (const GraphicPtr &member : group->getObjects())
            offsets.append(member->frameBounds().topLeft() - group->getObjects().first()->frameBounds().topLeft());
    return offsets;
}

} // namespace

// Every control of the geometry and alignment pages worked on a selection of several groups
// mixed with loose objects, the first selected a group's member or a loose object: each group
// takes the edit as one object and every loose object takes it too (a geometry edit leaves none
// out), and one Undo takes all of it back. The origin and size fields leave every unit on the
// edge or at the size typed; a move keeps each group's members where they lie in it.
TEST(InspectorEditWindowTest, EveryGeometryAndAlignmentControlLandsOnEveryGroupAndLooseObject)
{
    apptest::WindowFixture f(QStringLiteral("inspector-edit-groups"));
    RectsView *canvas = f.canvas();
    ObjectInfoPanel *info = f.window->objectInfo();
    PropertiesView *panel = f.window->propertiesView();
    ASSERT_TRUE(info && panel);
    // The geometry page, and the alignment page whose commands move the same units.
    QList<InspectorPage *> walked;
    for (const QPointer<InspectorPage> &page : info->pages())
        if (page->tab() == ObjectInfoPanel::GeometryTab || page->tab() == ObjectInfoPanel::AlignTab)
            walked.append(page);
    ASSERT_EQ(walked.size(), 2);
    ASSERT_NO_FATAL_FAILURE(apptest::openInspectorPages(f, [](int tab) {
        return tab == ObjectInfoPanel::GeometryTab || tab == ObjectInfoPanel::AlignTab;
    }));

    // Which edge or side each length control sets; the other controls are checked as a whole.
    const QMap<QString, int> sides = {{QStringLiteral("OriginX"), 0}, {QStringLiteral("OriginY"), 1},
                                      {QStringLiteral("Width"), 2}, {QStringLiteral("Height"), 3}};
    auto sideOf = [&sides](const QString &name) {
        for (auto it = sides.cbegin(); it != sides.cend(); ++it)
            if (name.endsWith(it.key()))
                return it.value();
        return -1;
    };
    auto measure = [](const QRectF &r, int side) {
        const double values[] = {r.x(), r.y(), r.width(), r.height()};
        return values[side];
    };

    int worked = 0;
    QSet<QString> controlsWorked;
    for (const bool groupFirst : {true, false}) {
        SCOPED_TRACE(groupFirst ? "a group's member first" : "a loose object first");
        canvas->emptyNewDoc();
        // Three groups of a box and a text box, and two loose objects, all of other places and
        // sizes; the loose ones before or after the groups in the design's order.
        auto add = [&](int i) {
            GraphicPtr object = ColorRect::create(QRectF(20 + 37 * i, 15 + 23 * i, 30 + 7 * i, 16 + 5 * i));
            if (i % 2)
                object->textStorage()->setPlainText(QStringLiteral("Member %1").arg(i));
            return apptest::placeOnCanvas(canvas, object);
        };
        GraphicList members;
        for (int g = 0; g < 3; ++g) {
            const GraphicPtr a = add(2 * g);
            const GraphicPtr b = add(2 * g + 1);
            canvas->clearSelection();
            canvas->selectRect(a);
            canvas->selectRect(b);
            f.trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
            members << a << b;
        }
        const GraphicList loose = {add(10), add(11)};
        ASSERT_EQ(canvas->groups().size(), 3);
        auto selectAll = [&] {
            canvas->clearSelection();
            for (const GraphicPtr &object : groupFirst ? members + loose : loose + members)
                canvas->selectRect(object);
            apptest::settle();
            ASSERT_EQ(canvas->selectedObjects().size(), 8);
            ASSERT_EQ(canvas->selectedObjects().first()->getGroup() != nullptr, groupFirst);
        };
        selectAll();

        for (InspectorPage *page : walked)
        for (QWidget *control : page->findChildren<QWidget *>()) {
            if (qobject_cast<QLabel *>(control) || insideComposite(control, page))
                continue;
            const std::function<void()> work = workOf(control);
            if (!work || !control->isEnabled() || !control->isVisibleTo(page))
                continue;
            // An alignment leaves the unit already on the edge where it is.
            const bool everyObject = page->tab() == ObjectInfoPanel::GeometryTab;
            SCOPED_TRACE(control->objectName().toStdString());
            const QList<QVariantMap> before = formsOf(canvas);
            const GroupedObjects unitsBefore = groupedObjects(canvas->selectedObjects());
            ASSERT_EQ(unitsBefore.groups.size(), 3);
            ASSERT_EQ(unitsBefore.loose.size(), 2);
            const QList<QPointF> offsetsBefore = memberOffsets(unitsBefore);
            canvas->undoManager()->removeAllActions();
            work();
            apptest::settle();
            const QList<QVariantMap> after = formsOf(canvas);
            if (after == before)
                continue;
            ++worked;
            controlsWorked.insert(control->objectName());
            for (qsizetype i = 0; everyObject && i < after.size(); ++i)
                EXPECT_NE(keysApart(after[i], before[i]), QString()) << "object " << i << " was left out";
            const GroupedObjects units = groupedObjects(canvas->selectedObjects());
            ASSERT_EQ(units.groups.size(), 3) << "the groups stay groups";
            const int side = everyObject ? sideOf(control->objectName()) : -1;
            if (side >= 0) {
                // Every unit on the edge or at the size the first took, as one.
                const double wanted = measure(unitFrame(units, 0), side);
                for (qsizetype i = 1; i < units.groups.size() + units.loose.size(); ++i)
                    EXPECT_NEAR(measure(unitFrame(units, i), side), wanted, 0.02) << "unit " << i;
            }
            if ((side >= 0 && side < 2) || control->objectName().startsWith(QLatin1String("bAlign"))) {
                const QList<QPointF> offsets = memberOffsets(units);
                for (qsizetype i = 0; i < offsets.size(); ++i) {
                    EXPECT_NEAR(offsets[i].x(), offsetsBefore[i].x(), 0.01) << "member " << i;
                    EXPECT_NEAR(offsets[i].y(), offsetsBefore[i].y(), 0.01) << "member " << i;
                }
            }
            if (control->objectName().startsWith(QLatin1String("bAlign")))
                expectOnOneLine(units, control->property("tag").toInt());
            f.undo();
            EXPECT_EQ(differences(formsOf(canvas), before), QString()) << "after Undo";
            EXPECT_FALSE(canvas->undoManager()->canUndo());
            selectAll();
        }

        // The Arrange menu's alignments and Center move the same units: each unit whole onto
        // one line (Center: onto one point), one Undo for all.
        QMenu *arrange = nullptr;
        for (QAction *top : f.window->menuBar()->actions())
            if (top->menu() && top->menu()->title() == QLatin1String("Arrange"))
                arrange = top->menu();
        ASSERT_TRUE(arrange);
        emit arrange->aboutToShow();
        int items = 0;
        for (QAction *item : arrange->actions()) {
            const bool aligns = item->property(MenuValidator::actionProperty()).toString() == QLatin1String("setObjectAlign:");
            if (!aligns && item->text() != QLatin1String("Center"))
                continue;
            SCOPED_TRACE(item->text().toStdString());
            ASSERT_TRUE(item->isEnabled());
            const QList<QVariantMap> before = formsOf(canvas);
            const QList<QPointF> offsetsBefore = memberOffsets(groupedObjects(canvas->selectedObjects()));
            canvas->undoManager()->removeAllActions();
            item->trigger();
            apptest::settle();
            ++items;
            const GroupedObjects units = groupedObjects(canvas->selectedObjects());
            ASSERT_EQ(units.groups.size(), 3) << "the groups stay groups";
            EXPECT_EQ(memberOffsets(units), offsetsBefore);
            if (aligns) {
                expectOnOneLine(units, item->data().toInt());
            } else {
                expectOnOneLine(units, AlignPage::AlignCenterX);
                expectOnOneLine(units, AlignPage::AlignCenterY);
            }
            f.undo();
            EXPECT_EQ(differences(formsOf(canvas), before), QString()) << "after Undo";
            EXPECT_FALSE(canvas->undoManager()->canUndo());
            selectAll();
        }
        EXPECT_EQ(items, 7);
    }
    EXPECT_GT(worked, 20);
    for (const char *control : {"tvOriginX", "spOriginY", "tvWidth", "spHeight", "tvAngle", "bFlipHor", "bAlignLeft",
                                "bAlignBottom", "bSameWidth"})
        EXPECT_TRUE(controlsWorked.contains(QString::fromLatin1(control))) << control;
}
