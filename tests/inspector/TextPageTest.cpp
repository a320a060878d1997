// The text page in the real window: the size, colour and alignment of the selected texts
// typed and clicked on the page's own controls, each edit one step of the Edit menu under its
// name; merge fields retyped from the field pop-up and from the canvas's field menu; the
// title options of their pairs; the picture field that turns the text controls off; the
// oval's text angle and flip; and the end of editing of every page's number fields going
// through the inspector's one table.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QLabel>
#include <QDir>
#include <QFontDialog>
#include <QSlider>
#include <QStandardItemModel>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/store/DatabaseUserAction.h"
#include "database/merge/GroupField.h"
#include "foundation/MyStepper.h"
#include "inspector/GeometryPage.h"
#include "foundation/SegmentedControl.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "inspector/TextPage.h"
#include "objects/ColorOval.h"
#include "platform/ColorWell.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

constexpr int PhotoPk = 2;
constexpr int FirstNamePk = 4;

class TextInspector : public ::testing::Test
{
protected:
    TextInspector() : f(QStringLiteral("text-inspector"))
    {
        // A database of the default fields becomes current, as at a launch.
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        const QString path = Database::pathForTitle(QStringLiteral("Guests"));
        QString error;
        EXPECT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
        UserDefaults::standard().setObject(path, QStringLiteral("databasePath"));
        f.window->finishLaunching();
        EXPECT_NE(Database::currentDatabase(), nullptr);
        f.canvas()->undoManager()->removeAllActions();
        page = qobject_cast<TextPage *>(f.window->objectInfo()->page(ObjectInfoPanel::TextTab));
    }
    ~TextInspector() override
    {
        f.window.reset();
        QDir(Database::databasesFolder()).removeRecursively();
        UserDefaults::standard().removeObject(QStringLiteral("databasePath"));
        DatabaseUserAction::end();
    }

    RectsView *canvas() const { return f.canvas(); }
    void openTextPage()
    {
        for (PropertiesTabButton *button : f.window->propertiesView()->buttons())
            if (button->text() == QStringLiteral("Text"))
                QTest::mouseClick(button, Qt::LeftButton);
        apptest::settle();
    }
    // The Edit menu's first item as the user sees it when the menu opens.
    QString undoItem() const
    {
        for (QAction *top : f.window->menuBar()->actions())
            if (top->menu() && top->menu()->title() == QStringLiteral("Edit"))
                emit top->menu()->aboutToShow();
        QAction *undo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        return undo->isEnabled() ? undo->text() : QString();
    }
    void undo()
    {
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
        apptest::settle();
    }
    // A text box drawn with the tool holding runs of text, each in its own font.
    GraphicPtr textBox(const QRectF &frame, const QList<std::pair<QString, QFont>> &runs)
    {
        f.drawRect(frame);
        const GraphicPtr box = canvas()->getRects().last();
        QTextDocument contents;
        QTextCursor cursor(&contents);
        for (const auto &[text, font] : runs) {
            QTextCharFormat format;
            format.setFont(font);
            cursor.insertText(text, format);
        }
        box->setContents(contents);
        canvas()->undoManager()->removeAllActions();
        return box;
    }
    static QFont fontAt(const GraphicPtr &graphic, int position)
    {
        QTextCursor cursor(graphic->textStorage());
        cursor.setPosition(position + 1);
        return cursor.charFormat().font();
    }
    // A merge-field pair placed with the field tool at a point; answers its value member.
    ColorField *placeField(int pk, const QPointF &at)
    {
        canvas()->addFieldType(pk);
        f.click(at);
        canvas()->undoManager()->removeAllActions();
        return dynamic_cast<ColorField *>(canvas()->getRects().last().get());
    }
    // Opens the canvas's context menu over a point and answers its Fields submenu.
    QMenu *fieldsMenuAt(const QPointF &at)
    {
        const QPoint local = canvas()->pageToWidget().map(at).toPoint();
        QContextMenuEvent event(QContextMenuEvent::Mouse, local, canvas()->mapToGlobal(local));
        QApplication::sendEvent(canvas(), &event);
        apptest::settle();
        QMenu *menu = canvas()->contentMenu();
        for (QAction *action : menu ? menu->actions() : QList<QAction *>())
            if (action->data().toInt() == 11)
                return action->menu();
        return nullptr;
    }
    void chooseInFieldsMenu(const QPointF &at, int index)
    {
        QMenu *fields = fieldsMenuAt(at);
        ASSERT_NE(fields, nullptr);
        ASSERT_LT(index, fields->actions().size());
        fields->actions().at(index)->trigger();
        canvas()->contentMenu()->hide();
        apptest::settle();
    }
    void select(const QList<QPointF> &points)
    {
        f.tool(RectsView::SelectTool)->trigger();
        f.click(QPointF(300, 200));
        for (int i = 0; i < points.size(); ++i)
            f.click(points[i], i == 0 ? Qt::NoModifier : Qt::ShiftModifier);
        apptest::settle();
    }

    apptest::WindowFixture f;
    TextPage *page = nullptr;
};

TEST_F(TextInspector, ASizeTypedGoesToEachTextOfAnotherSizeAsOneStep)
{
    ASSERT_NE(page, nullptr);
    const QFont sans(QStringLiteral("DejaVu Sans"), 12);
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPointSizeF(18);
    QFont sans18 = sans;
    sans18.setPointSizeF(18);
    const GraphicPtr a = textBox(QRectF(10, 10, 120, 30), {{QStringLiteral("one"), sans}});
    const GraphicPtr b = textBox(QRectF(10, 50, 120, 30), {{QStringLiteral("two"), sans}});
    const GraphicPtr c = textBox(QRectF(10, 90, 160, 40), {{QStringLiteral("serif "), serif}, {QStringLiteral("sans"), sans18}});
    select({QPointF(70, 25), QPointF(70, 65), QPointF(90, 110)});
    ASSERT_EQ(canvas()->selectedObjects(), (GraphicList{a, b, c}));
    openTextPage();
    ASSERT_TRUE(page->isVisible());
    EXPECT_EQ(page->tvTextSize->text(), QStringLiteral("12.0 pt"));
    EXPECT_TRUE(page->tvTextSize->isEnabled());

    // 12 again: only the third box changes, every run of it, each keeping its family.
    canvas()->wasChanged(false);
    inspectortest::type(page->tvTextSize, QStringLiteral("12"));
    EXPECT_EQ(fontAt(a, 0).pointSizeF(), 12.0);
    EXPECT_EQ(fontAt(c, 0).pointSizeF(), 12.0);
    EXPECT_EQ(fontAt(c, 8).pointSizeF(), 12.0);
    EXPECT_EQ(fontAt(c, 0).family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(fontAt(c, 8).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_TRUE(canvas()->hasFocus());
    apptest::settle();
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Change Text Size"));
    undo();
    EXPECT_EQ(fontAt(c, 0).pointSizeF(), 18.0);
    EXPECT_EQ(fontAt(c, 8).pointSizeF(), 18.0);
    EXPECT_EQ(fontAt(a, 0).pointSizeF(), 12.0);

    // A size no font takes changes nothing and the field shows the text's size again.
    for (const QString &typed : {QStringLiteral("0"), QStringLiteral("-4"), QStringLiteral("5000")}) {
        inspectortest::type(page->tvTextSize, typed);
        EXPECT_EQ(fontAt(a, 0).pointSizeF(), 12.0) << typed.toStdString();
        EXPECT_EQ(page->tvTextSize->text(), QStringLiteral("12.0 pt")) << typed.toStdString();
        // Nothing was recorded: the size undone can still be redone.
        EXPECT_TRUE(canvas()->undoManager()->canRedo()) << typed.toStdString();
    }

    // The stepper's up arrow: 13 for all three in one step.
    QTest::mouseClick(page->spTextSize, Qt::LeftButton, Qt::NoModifier, QPoint(page->spTextSize->width() / 2, 3));
    apptest::settle();
    for (const GraphicPtr &box : {a, b, c})
        EXPECT_EQ(fontAt(box, 0).pointSizeF(), 13.0);
    EXPECT_EQ(page->tvTextSize->text(), QStringLiteral("13.0 pt"));
    undo();
    EXPECT_EQ(fontAt(b, 0).pointSizeF(), 12.0);
    EXPECT_EQ(fontAt(c, 0).pointSizeF(), 18.0);
}

TEST_F(TextInspector, ColourAndAlignmentReachTheTextAndShowBack)
{
    const GraphicPtr box = textBox(QRectF(10, 10, 160, 40), {{QStringLiteral("left"), QFont(QStringLiteral("DejaVu Sans"), 12)}});
    select({QPointF(90, 30)});
    openTextPage();
    EXPECT_EQ(page->scTextAilgn->selectedSegment(), 0);
    // Each segment shows its picture of lines.
    for (int i = 0; i < 4; ++i) {
        const QImage shown = page->scTextAilgn->segmentButton(i)->grab().toImage();
        int dark = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                dark += qGray(shown.pixel(x, y)) < 90 ? 1 : 0;
        EXPECT_GT(dark, 20) << "segment " << i;
    }

    // The fonts button brings up the font panel on the text's font.
    QTest::mouseClick(page->btnShowFonts, Qt::LeftButton);
    auto *panel = f.window->findChild<QFontDialog *>(QStringLiteral("FontPanel"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->currentFont().pointSizeF(), 12.0);
    panel->close();

    page->cwTextColor->takeColor(QColor(200, 0, 0));
    apptest::settle();
    EXPECT_EQ(box->textColor(), QColor(200, 0, 0));
    EXPECT_EQ(page->cwTextColor->color(), QColor(200, 0, 0));
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Change Text Color"));

    // The centre segment sets code 2, the right one code 1; each shows where it was clicked.
    const QString alignment = QStringLiteral("Undo Text Alighnment");
    QTest::mouseClick(page->scTextAilgn->segmentButton(1), Qt::LeftButton);
    apptest::settle();
    EXPECT_EQ(box->textAlign(), 2);
    EXPECT_EQ(undoItem(), alignment);
    QTest::mouseClick(page->scTextAilgn->segmentButton(2), Qt::LeftButton);
    apptest::settle();
    EXPECT_EQ(box->textAlign(), 1);
    canvas()->objectInfo()->refresh();
    EXPECT_EQ(page->scTextAilgn->selectedSegment(), 2);
    undo();
    EXPECT_EQ(box->textAlign(), 2);
    EXPECT_EQ(page->scTextAilgn->selectedSegment(), 1);
    // The step's name carries the word "Undo" already; neither item says it twice.
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    ASSERT_NE(redo, nullptr);
    EXPECT_EQ(redo->text(), QStringLiteral("Redo Text Alighnment"));
    undo();
    undo();
    EXPECT_EQ(box->textAlign(), 0);
    EXPECT_EQ(box->textColor(), QColor(Qt::black));

    // A line has no text: segment 0, and the text controls are off.
    f.tool(RectsView::LineTool)->trigger();
    f.dragFromTo(QPointF(20, 120), QPointF(150, 160));
    select({QPointF(85, 140)});
    ASSERT_EQ(canvas()->selectedObjects().size(), 1);
    EXPECT_EQ(page->scTextAilgn->selectedSegment(), 0);
    EXPECT_FALSE(page->scTextAilgn->isEnabled());
    EXPECT_FALSE(page->tvTextSize->isEnabled());
    EXPECT_TRUE(page->tvTextSize->text().isEmpty());
    EXPECT_FALSE(page->pbFieldType->isEnabled());
    // Nothing selected: every control of the page is off.
    select({});
    for (QWidget *control : page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
}

TEST_F(TextInspector, AMergeFieldTakesTheFieldChosenInThePopUpOrTheCanvasMenu)
{
    ColorField *value = placeField(FirstNamePk, QPointF(60, 20));
    ASSERT_NE(value, nullptr);
    auto *pair = dynamic_cast<GroupField *>(value->getGroup());
    ASSERT_NE(pair, nullptr);
    ColorField *title = pair->titleObject();
    ASSERT_TRUE(title->isHidden());
    select({value->frameBounds().center()});
    ASSERT_EQ(canvas()->selectedObjects().size(), 2);
    openTextPage();
    EXPECT_TRUE(page->pbFieldType->isEnabled());
    ASSERT_GT(page->pbFieldType->count(), 3);
    EXPECT_EQ(page->pbFieldType->currentData().toInt(), FirstNamePk);

    // The next field the pop-up offers, chosen with the arrow key.
    int next = page->pbFieldType->currentIndex() + 1;
    const auto *model = qobject_cast<const QStandardItemModel *>(page->pbFieldType->model());
    while (next < page->pbFieldType->count() && model && !model->item(next)->isEnabled())
        ++next;
    ASSERT_LT(next, page->pbFieldType->count());
    const int chosen = page->pbFieldType->itemData(next).toInt();
    page->pbFieldType->setFocus();
    QTest::keyClick(page->pbFieldType, Qt::Key_Down);
    apptest::settle();
    EXPECT_EQ(value->fieldPk(), chosen);
    EXPECT_EQ(title->fieldPk(), chosen);
    // The title keeps out of sight: its pair shows no titles.
    EXPECT_TRUE(title->isHidden());
    EXPECT_FALSE(value->isHidden());
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Change Field Type"));
    undo();
    EXPECT_EQ(value->fieldPk(), FirstNamePk);
    EXPECT_EQ(title->fieldPk(), FirstNamePk);
    EXPECT_EQ(page->pbFieldType->currentData().toInt(), FirstNamePk);

    // The Fields submenu of the canvas's context menu hands its item's key to the page.
    auto chooseInContextMenu = [this, value](int index) {
        const QMenu *fields = fieldsMenuAt(value->frameBounds().center());
        ASSERT_NE(fields, nullptr);
        ASSERT_EQ(fields->actions().size(), page->pbFieldType->count());
        chooseInFieldsMenu(value->frameBounds().center(), index);
    };
    const int firstName = page->pbFieldType->currentIndex();
    auto *geometry = f.window->objectInfo()->geometryPage();
    const QString widthShown = geometry->tvWidth->text();
    canvas()->wasChanged(false);
    chooseInContextMenu(next);
    EXPECT_EQ(value->fieldPk(), chosen);
    EXPECT_EQ(title->fieldPk(), chosen);
    EXPECT_TRUE(title->isHidden());
    EXPECT_TRUE(canvas()->isChanged());
    EXPECT_EQ(page->pbFieldType->currentData().toInt(), chosen);
    // The geometry page shows the pair's new width.
    EXPECT_NE(geometry->tvWidth->text(), widthShown);
    EXPECT_EQ(geometry->tvWidth->text(), QString::asprintf("%.2f in", pair->bounds().width() / 72.0));
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Change Field Type"));

    // The field it shows already: nothing recorded, nothing changed.
    undo();
    EXPECT_EQ(value->fieldPk(), FirstNamePk);
    canvas()->wasChanged(false);
    chooseInContextMenu(firstName);
    EXPECT_EQ(value->fieldPk(), FirstNamePk);
    EXPECT_FALSE(canvas()->isChanged());
    EXPECT_TRUE(canvas()->undoManager()->canRedo());

    // A text box alone: no field to choose.
    textBox(QRectF(20, 100, 120, 30), {{QStringLiteral("text"), QFont(QStringLiteral("DejaVu Sans"), 12)}});
    select({QPointF(80, 115)});
    EXPECT_FALSE(page->pbFieldType->isEnabled());
    EXPECT_EQ(page->pbFieldType->currentIndex(), -1);
}

TEST_F(TextInspector, EachFieldOfTheMenuLandsOnEverySelectedPairAndOneUndoPutsEachBack)
{
    // Pairs bound to different fields, two of them showing their titles.
    const QList<tableField> offered = ColorField::fieldTitlesAndTags();
    QList<ColorField *> values;
    for (int i = 0; i < 6; ++i) {
        values.append(placeField(offered.at((3 * i) % offered.size()).pk, QPointF(60, 20 + 45 * i)));
        ASSERT_NE(values.last(), nullptr);
    }
    for (int shown : {0, 3})
        dynamic_cast<GroupField *>(values[shown]->getGroup())->setShowTitle(true);
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
    apptest::settle();
    ASSERT_EQ(canvas()->selectedObjects().size(), 12);
    canvas()->undoManager()->removeAllActions();

    struct Was
    {
        std::shared_ptr<ColorRect> member;
        int pk;
        QRectF frame;
        bool hidden;
        QString text;
    };
    QList<Was> before;
    for (const GraphicPtr &member : canvas()->getRects()) {
        const auto *field = dynamic_cast<const ColorField *>(member.get());
        ASSERT_NE(field, nullptr);
        before.append({member, field->fieldPk(), field->frameBounds(), field->isHidden(), field->text()});
    }
    auto expectAsBefore = [&before](const QString &item) {
        for (const Was &was : before) {
            const auto &field = static_cast<const ColorField &>(*was.member);
            EXPECT_EQ(field.fieldPk(), was.pk) << item.toStdString();
            EXPECT_NEAR(field.frameBounds().x(), was.frame.x(), 0.01) << item.toStdString();
            EXPECT_NEAR(field.frameBounds().y(), was.frame.y(), 0.01) << item.toStdString();
            EXPECT_NEAR(field.frameBounds().width(), was.frame.width(), 0.01) << item.toStdString();
            EXPECT_EQ(field.isHidden(), was.hidden) << item.toStdString();
            EXPECT_EQ(field.text(), was.text) << item.toStdString();
        }
    };
    // Every field and its title took the item's field; a title shows only where its pair shows titles.
    auto expectLanded = [&before](const QString &item, int pk) {
        for (const Was &was : before) {
            const auto &field = static_cast<const ColorField &>(*was.member);
            EXPECT_EQ(field.fieldPk(), pk) << item.toStdString();
            // The frame follows the new field's text.
            if (!field.drawsImage()) {
                EXPECT_NEAR(field.frameBounds().width(), field.naturalSize().width(), 0.01) << item.toStdString();
            }
            if (!field.isTitle())
                continue;
            EXPECT_EQ(field.text(), ColorField::titleText(pk) + QLatin1Char(':')) << item.toStdString();
            const auto *pair = dynamic_cast<const GroupField *>(field.getGroup());
            EXPECT_EQ(field.isHidden(), was.hidden || !pair->showTitle()) << item.toStdString();
        }
    };

    const QPointF over = values.first()->frameBounds().center();
    QStringList items;
    for (const QAction *action : fieldsMenuAt(over)->actions())
        items.append(action->text());
    canvas()->contentMenu()->hide();
    ASSERT_EQ(items.size(), page->pbFieldType->count());
    for (int index = 0; index < items.size(); ++index) {
        const QString &item = items.at(index);
        const int pk = page->pbFieldType->itemData(index).toInt();
        chooseInFieldsMenu(over, index);
        ASSERT_EQ(canvas()->selectedObjects().size(), 12) << item.toStdString();
        expectLanded(item, pk);
        EXPECT_EQ(undoItem(), QStringLiteral("Undo Change Field Type")) << item.toStdString();
        undo();
        expectAsBefore(item);
        f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
        apptest::settle();
        expectLanded(item, pk);
        undo();
        expectAsBefore(item);
        EXPECT_FALSE(canvas()->undoManager()->canUndo()) << item.toStdString();
    }
}

TEST_F(TextInspector, TitlesShowForEverySelectedPairAndCapitaliseForTheCanvasGroup)
{
    ColorField *first = placeField(FirstNamePk, QPointF(40, 20));
    ColorField *second = placeField(FirstNamePk + 1, QPointF(40, 90));
    auto *firstPair = dynamic_cast<GroupField *>(first->getGroup());
    auto *secondPair = dynamic_cast<GroupField *>(second->getGroup());
    ASSERT_TRUE(firstPair && secondPair);
    select({first->frameBounds().center(), second->frameBounds().center()});
    ASSERT_EQ(canvas()->selectedObjects().size(), 4);
    openTextPage();
    EXPECT_EQ(page->cbShowTitle->checkState(), Qt::Unchecked);
    ASSERT_TRUE(page->cbShowTitle->isEnabled());

    inspectortest::click(page->cbShowTitle);
    apptest::settle();
    EXPECT_TRUE(firstPair->showTitle());
    EXPECT_TRUE(secondPair->showTitle());
    EXPECT_FALSE(firstPair->titleObject()->isHidden());
    EXPECT_FALSE(secondPair->titleObject()->isHidden());
    EXPECT_TRUE(canvas()->isChanged());
    undo();
    EXPECT_FALSE(firstPair->showTitle());
    EXPECT_FALSE(secondPair->showTitle());
    EXPECT_TRUE(secondPair->titleObject()->isHidden());

    // Capitalising is for the canvas's one selected pair.
    select({second->frameBounds().center()});
    inspectortest::click(page->cbCapitalizeTitle);
    apptest::settle();
    EXPECT_TRUE(secondPair->capitalizeTitle());
    EXPECT_FALSE(firstPair->capitalizeTitle());
    select({first->frameBounds().center()});
    EXPECT_EQ(page->cbCapitalizeTitle->checkState(), Qt::Unchecked);
    select({second->frameBounds().center()});
    EXPECT_EQ(page->cbCapitalizeTitle->checkState(), Qt::Checked);
}

TEST_F(TextInspector, APictureFieldTurnsTheTextControlsOffForTheWholeSelection)
{
    ColorField *photo = placeField(PhotoPk, QPointF(40, 20));
    ASSERT_TRUE(photo->drawsImage());
    const GraphicPtr box = textBox(QRectF(20, 150, 120, 30), {{QStringLiteral("text"), QFont(QStringLiteral("DejaVu Sans"), 12)}});
    select({photo->frameBounds().center(), QPointF(80, 165)});
    ASSERT_EQ(canvas()->selectedObjects().size(), 3);
    openTextPage();
    EXPECT_FALSE(page->tvTextSize->isEnabled());
    EXPECT_FALSE(page->cwTextColor->isEnabled());
    EXPECT_FALSE(page->scTextAilgn->isEnabled());
    EXPECT_FALSE(page->cbShowTitle->isEnabled());
    EXPECT_TRUE(page->pbFieldType->isEnabled());

    // The text box alone has its controls back.
    select({QPointF(80, 165)});
    EXPECT_TRUE(page->tvTextSize->isEnabled());
    EXPECT_TRUE(page->scTextAilgn->isEnabled());
    EXPECT_FALSE(page->pbFieldType->isEnabled());
}

TEST_F(TextInspector, TheOvalsTextAngleAndFlipShowAndGoToTheCanvas)
{
    f.tool(RectsView::OvalTool)->trigger();
    f.dragFromTo(QPointF(20, 20), QPointF(140, 110));
    const GraphicPtr shape = canvas()->getRects().last();
    auto *oval = dynamic_cast<ColorOval *>(shape.get());
    ASSERT_NE(oval, nullptr);
    select({QPointF(80, 65)});
    openTextPage();
    // Without text there is nothing along the oval.
    EXPECT_FALSE(page->viewOvalText->isVisible());

    shape->setContents(QStringLiteral("around the oval"));
    oval->setTextAngle(30.0f);
    canvas()->undoManager()->removeAllActions();
    select({QPointF(80, 65)});
    ASSERT_TRUE(page->viewOvalText->isVisible());
    EXPECT_EQ(page->tvOvalTextAngle->text(), QStringLiteral("30.00"));
    EXPECT_EQ(page->cbOvalTextFlip->checkState(), Qt::Unchecked);
    EXPECT_EQ(page->viewOvalText->findChild<QWidget *>(QStringLiteral("tvOvalTextAngle"))->property("tag").toInt(), 2);

    inspectortest::type(page->tvOvalTextAngle, QStringLiteral("45"));
    EXPECT_EQ(oval->textAngle(), 45.0f);
    EXPECT_EQ(page->tvOvalTextAngle->text(), QStringLiteral("45.00"));
    EXPECT_EQ(undoItem(), QStringLiteral("Undo Text Angle"));
    inspectortest::click(page->cbOvalTextFlip);
    apptest::settle();
    EXPECT_EQ(oval->textFlip(), 1);
    undo();
    EXPECT_EQ(oval->textFlip(), 0);
    EXPECT_EQ(page->cbOvalTextFlip->checkState(), Qt::Unchecked);
}

TEST_F(TextInspector, ABarcodeTakesSizeAndColourForItsText)
{
    f.tool(RectsView::BarcodeTool)->trigger();
    f.click(QPointF(20, 20));
    auto *barcode = dynamic_cast<ColorBarcode *>(canvas()->getRects().last().get());
    ASSERT_NE(barcode, nullptr);
    canvas()->undoManager()->removeAllActions();
    select({barcode->frameBounds().center()});
    openTextPage();
    const double before = barcode->textSize().pointSizeF();
    EXPECT_EQ(page->tvTextSize->text(), QString::asprintf("%.1f pt", before));
    EXPECT_FALSE(page->scTextAilgn->isEnabled());

    inspectortest::type(page->tvTextSize, QStringLiteral("14"));
    EXPECT_EQ(barcode->textSize().pointSizeF(), 14.0);
    page->cwTextColor->takeColor(QColor(0, 0, 160));
    EXPECT_EQ(barcode->textColor(), QColor(0, 0, 160));
    undo();
    EXPECT_NE(barcode->textColor(), QColor(0, 0, 160));
    undo();
    EXPECT_EQ(barcode->textSize().pointSizeF(), before);
}

TEST_F(TextInspector, TheAlignmentPicturesTurnWhiteOnTheDarkAppearanceAndBack)
{
    // The opaque pixels of each segment's picture: how many are light, how many dark.
    auto inks = [this](int segment) {
        const QImage picture = page->scTextAilgn->segmentButton(segment)->icon().pixmap(QSize(18, 14)).toImage();
        std::pair<int, int> counts{0, 0};
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor pixel = picture.pixelColor(x, y);
                if (pixel.alpha() > 200)
                    (pixel.lightness() > 200 ? counts.first : counts.second) += 1;
            }
        return counts;
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(inks(i).first, 0) << i;
        EXPECT_GT(inks(i).second, 20) << i;
    }
    UserDefaults::standard().setObject(QStringLiteral("Dark"), QStringLiteral("AppleInterfaceStyle"));
    f.window->objectInfo()->onAppearanceChanged();
    for (int i = 0; i < 4; ++i) {
        EXPECT_GT(inks(i).first, 20) << i;
        EXPECT_EQ(inks(i).second, 0) << i;
    }
    // The justified picture stays the fourth: its last line is as long as the others.
    UserDefaults::standard().removeObject(QStringLiteral("AppleInterfaceStyle"));
    f.window->objectInfo()->onAppearanceChanged();
    EXPECT_EQ(inks(3).first, 0);
    EXPECT_GT(inks(3).second, 20);
}

// ---- the page and the inspector without the window ----

TEST(TextPageAlignment, TheSegmentsCarryTheCodesAndTheGetterExchangesOneAndTwo)
{
    // Segment positions left, centre, right, justified; codes 0 left, 1 right, 2 centre.
    const std::pair<int, int> codeToSegment[] = {{0, 0}, {1, 2}, {2, 1}, {3, 3}, {4, 4}};
    for (const auto &[code, segment] : codeToSegment)
        EXPECT_EQ(TextPage::segmentOfAlignment(code), segment) << code;
    for (int segment = 0; segment < 4; ++segment)
        EXPECT_EQ(TextPage::segmentOfAlignment(TextPage::alignmentTags[size_t(segment)]), segment);
}

TEST(InspectorEndOfEditing, TheTableDecidesWhichFieldsApplyTheirValue)
{
    inspectortest::InspectorFixture f(QStringLiteral("end-of-editing"));
    auto box = f.add(QRectF(0, 0, 72, 36));
    box->setDrawsStroke(true);
    f.select({box});
    f.startFresh();
    StylePage *style = f.info->stylePage();

    // The line width field, as the line width control.
    inspectortest::type(style->tvLineWidth, QStringLiteral("3"));
    EXPECT_EQ(box->strokeLineWidth(), 3.0f);
    EXPECT_EQ(f.canvas.changedCalls, 1);
    style->tvLineWidth->setText(QStringLiteral("5"));
    f.info->controlTextDidEndEditing(style->tvLineWidth);
    EXPECT_EQ(box->strokeLineWidth(), 5.0f);

    // Fields out of the table are no edits, whatever they hold.
    auto *text = qobject_cast<TextPage *>(f.info->page(ObjectInfoPanel::TextTab));
    ASSERT_NE(text, nullptr);
    f.startFresh();
    text->tvOvalTextAngle->setText(QStringLiteral("90"));
    f.info->controlTextDidEndEditing(text->tvOvalTextAngle);
    f.info->controlTextDidEndEditing(nullptr);
    NumberField stray;
    stray.setObjectName(QStringLiteral("tvLineWidth"));
    stray.setText(QStringLiteral("9"));
    f.info->controlTextDidEndEditing(&stray);
    EXPECT_EQ(box->strokeLineWidth(), 5.0f);
    EXPECT_EQ(f.canvas.changedCalls, 0);
    EXPECT_FALSE(f.canvas.undo.canUndo());

    // A size with nothing selected marks the document and changes nothing else.
    f.select({});
    f.startFresh();
    text->setTextSize(20.0);
    EXPECT_EQ(f.canvas.changedCalls, 1);
    EXPECT_FALSE(f.canvas.undo.canUndo());
}

} // namespace

namespace {

TEST(TextPageLanguages, EveryTitleOnThePageShowsWholeInEachLanguage)
{
    for (const char *language : {"en", "de", "es", "ru", "zh"}) {
        apptest::WindowFixture f(QStringLiteral("text-page-") + QLatin1String(language), QLatin1String(language));
        auto *p = qobject_cast<TextPage *>(f.window->objectInfo()->page(ObjectInfoPanel::TextTab));
        ASSERT_NE(p, nullptr);
        for (QWidget *w : p->findChildren<QWidget *>()) {
            if (!qobject_cast<QLabel *>(w) && !qobject_cast<QAbstractButton *>(w))
                continue;
            EXPECT_GE(w->width(), w->sizeHint().width()) << language << ": " << w->objectName().toStdString();
            EXPECT_LE(w->mapTo(p, QPoint(w->width(), 0)).x(), TextPage::pageWidth) << language;
        }
    }
}

} // namespace
