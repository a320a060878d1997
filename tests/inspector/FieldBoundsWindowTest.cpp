// Whatever is typed into the inspector's number fields in the real window is either taken and
// then shown as the objects hold it, or refused with the reason beside the field, the old
// value back and no undo step: sizes of nothing or less, sizes and places past what an object
// holds, and in every field 1e9, -5, "abc" and "1,5". Angles are reduced in full precision.
#include <gtest/gtest.h>

#include <QLabel>

#include "app/AppTestSupport.h"
#include "foundation/MyStepper.h"
#include "inspector/GeometryPage.h"
#include "inspector/InspectorPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "objects/ObjectInfo.h"

using namespace quillmark;

namespace {

class FieldBoundsWindow : public ::testing::Test
{
protected:
    FieldBoundsWindow()
    {
        f.canvas()->setMeasure(QStringLiteral("Inches"));
        f.drawRect(QRectF(40, 20, 72, 36));
        box = f.canvas()->getRects().last();
        undo = f.canvas()->undoManager();
    }

    ObjectInfoPanel *info() const { return f.window->objectInfo(); }
    GeometryPage *geometry() const { return info()->geometryPage(); }

    // Opens the side panel's page that holds the control, as a click on its button does.
    void openPageOf(QWidget *control)
    {
        for (PropertiesTabButton *button : f.window->propertiesView()->buttons()) {
            QWidget *page = f.window->propertiesView()->pageWithTag(button->tag());
            if (page && page->isAncestorOf(control) && !button->isChecked()) {
                QTest::mouseClick(button, Qt::LeftButton);
                apptest::settle();
            }
        }
    }
    void typeInto(NumberField *field, const QString &text)
    {
        openPageOf(field);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        apptest::settle();
    }
    // From here on, a step or a changed mark is the typing's.
    void startFresh()
    {
        undo->closeEventGroup();
        undo->removeAllActions();
        f.canvas()->wasChanged(false);
    }
    void expectRefused(NumberField *field, const QString &typed, const QString &reason)
    {
        SCOPED_TRACE((field->objectName() + QLatin1Char(' ') + typed).toStdString());
        const QString shown = field->text();
        const QVariantMap before = box->propertyListRepresentation();
        startFresh();
        typeInto(field, typed);
        EXPECT_EQ(field->refusal(), reason);
        ASSERT_NE(field->refusalNote(), nullptr);
        EXPECT_TRUE(field->refusalNote()->isVisible()) << "said beside the field";
        EXPECT_EQ(field->text(), shown) << "the old value back";
        undo->closeEventGroup();
        EXPECT_FALSE(undo->canUndo()) << "no undo step";
        EXPECT_FALSE(f.canvas()->isChanged());
        EXPECT_EQ(box->propertyListRepresentation(), before);
    }

    apptest::WindowFixture f{QStringLiteral("field-bounds")};
    GraphicPtr box;
    UndoManager *undo = nullptr;
};

TEST_F(FieldBoundsWindow, SizesOfNothingAndSizesOrPlacesPastAnObjectAreRefusedWithTheReason)
{
    const QString sizes = QStringLiteral("Type a number from 0.01 in to 13,888.88 in.");
    const QString places = QStringLiteral("Type a number from -13,888.88 in to 13,888.88 in.");
    GeometryPage *g = geometry();
    expectRefused(g->tvWidth, QStringLiteral("-5"), sizes);
    expectRefused(g->tvWidth, QStringLiteral("0"), sizes);
    expectRefused(g->tvWidth, QStringLiteral("1e9"), sizes);
    expectRefused(g->tvHeight, QStringLiteral("-5"), sizes);
    expectRefused(g->tvOriginX, QStringLiteral("1e9"), places);
    expectRefused(g->tvOriginY, QStringLiteral("-1e9"), places);
    EXPECT_EQ(box->frameBounds(), QRectF(40, 20, 72, 36));

    // The bound the note names is taken; the centre stays where it was.
    startFresh();
    typeInto(g->tvWidth, QStringLiteral("0.01"));
    EXPECT_TRUE(g->tvWidth->refusal().isEmpty());
    EXPECT_NEAR(box->width(), 0.72, 1e-4);
    EXPECT_NEAR(box->frameBounds().center().x(), 76.0, 1e-3);
    EXPECT_EQ(g->tvWidth->text(), QStringLiteral("0.01 in"));
    f.undo();
    EXPECT_EQ(box->frameBounds(), QRectF(40, 20, 72, 36));

    // The steppers stop at the same bounds.
    EXPECT_DOUBLE_EQ(g->spWidth->minValue(), 0.01);
    EXPECT_DOUBLE_EQ(g->spOriginX->maxValue(), 13888.88);
}

TEST_F(FieldBoundsWindow, AnAngleIsTheExactRemainderOfAWholeTurn)
{
    GeometryPage *g = geometry();
    struct Turn
    {
        QString typed;
        QString shown;
        float angle;
    };
    const Turn turns[] = {
        {QStringLiteral("1e9"), QStringLiteral("280.00"), 280.0f},
        {QStringLiteral("-90"), QStringLiteral("270.00"), 270.0f},
        {QStringLiteral("725.5"), QStringLiteral("5.50"), 5.5f},
        {QStringLiteral("-1e12"), QStringLiteral("80.00"), 80.0f},
    };
    for (const Turn &t : turns) {
        SCOPED_TRACE(t.typed.toStdString());
        startFresh();
        typeInto(g->tvAngle, t.typed);
        EXPECT_TRUE(g->tvAngle->refusal().isEmpty());
        EXPECT_EQ(g->tvAngle->text(), t.shown);
        EXPECT_FLOAT_EQ(box->angle(), t.angle);
        undo->closeEventGroup();
        EXPECT_EQ(undo->undoActionName(), QStringLiteral("Rotate Object(s)"));
    }
    // The gradient's and the shadow's angles are reduced the same way.
    StylePage *style = info()->stylePage();
    openPageOf(style->tvShadowAngle);
    style->bShadow->click();
    apptest::settle();
    typeInto(style->tvShadowAngle, QStringLiteral("1e9"));
    EXPECT_DOUBLE_EQ(box->shadowAngle(), 280.0);
    EXPECT_EQ(style->tvShadowAngle->text(), QStringLiteral("280.00"));
}

TEST_F(FieldBoundsWindow, ALevelLineKeepsAHeightOfNothingThatABoxIsRefused)
{
    f.tool(RectsView::LineTool)->trigger();
    f.dragFromTo(QPointF(30, 90), QPointF(150, 90));
    const GraphicPtr line = f.canvas()->getRects().last();
    ASSERT_EQ(line->className(), QStringLiteral("ColorLine"));
    ASSERT_TRUE(f.canvas()->isSelected(line.get()));
    GeometryPage *g = geometry();
    startFresh();
    typeInto(g->tvHeight, QStringLiteral("0.5"));
    EXPECT_NEAR(line->height(), 36.0, 1e-3);
    typeInto(g->tvHeight, QStringLiteral("0"));
    EXPECT_TRUE(g->tvHeight->refusal().isEmpty());
    EXPECT_EQ(line->height(), 0.0f) << "level again";
    // A box and a line together: a size of nothing is refused for both.
    f.click(box->frameBounds().center(), Qt::ShiftModifier);
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 2);
    typeInto(g->tvHeight, QStringLiteral("0"));
    EXPECT_FALSE(g->tvHeight->refusal().isEmpty());
    EXPECT_GT(box->height(), 0.0f);
}

// Every number field of the inspector that the selection enables, found by walking the panel,
// given each of the usual slips: what it takes it shows as the objects hold it (a refresh shows
// the same), what it refuses leaves no trace. With nothing selected, the style fields show the
// style the next object takes.
TEST_F(FieldBoundsWindow, EveryFieldShowsWhatItTookOrSaysWhyItDidNot)
{
    // Stroke, a linear gradient and a shadow switch every style field on.
    StylePage *style = info()->stylePage();
    openPageOf(style->bFill);
    if (style->bBorder->checkState() != Qt::Checked)
        style->bBorder->click();
    if (style->bFill->checkState() != Qt::Checked)
        style->bFill->click();
    style->pbFillType->setCurrentIndex(2);
    emit style->pbFillType->activated(2);
    if (style->bShadow->checkState() != Qt::Checked)
        style->bShadow->click();
    apptest::settle();
    ASSERT_EQ(box->fillType(), 2);
    ASSERT_TRUE(box->drawsShadow());

    const QStringList slips = {QStringLiteral("1e9"), QStringLiteral("-5"), QStringLiteral("abc"), QStringLiteral("1,5")};
    auto walk = [&](const char *situation) {
        QStringList tried;
        // The pages live in the side panel, each holding its own fields.
        QList<NumberField *> fields;
        for (const QPointer<InspectorPage> &page : info()->pages())
            if (page)
                fields += page->findChildren<NumberField *>();
        for (NumberField *field : std::as_const(fields)) {
            if (!field->isEnabled())
                continue;
            openPageOf(field);
            if (!field->isVisible())
                continue;
            tried.append(field->objectName());
            for (const QString &slip : slips) {
                SCOPED_TRACE(std::string(situation) + " " + field->objectName().toStdString() + " " + slip.toStdString());
                const QString before = field->text();
                const QVariantMap object = box->propertyListRepresentation();
                const QVariantMap lastUsed = ObjectInfo::changedValues();
                startFresh();
                typeInto(field, slip);
                undo->closeEventGroup();
                if (!field->refusal().isEmpty()) {
                    EXPECT_TRUE(field->refusalNote() && field->refusalNote()->isVisible());
                    EXPECT_EQ(field->text(), before);
                    EXPECT_FALSE(undo->canUndo());
                    EXPECT_EQ(box->propertyListRepresentation(), object);
                    EXPECT_EQ(ObjectInfo::changedValues(), lastUsed);
                    continue;
                }
                const QString taken = field->text();
                EXPECT_NE(taken, slip) << "shown through the field's format, not as typed";
                info()->refresh();
                EXPECT_EQ(field->text(), taken) << "shows what the objects now hold";
            }
        }
        return tried;
    };
    const QStringList selected = walk("selected");
    for (const char *name : {"tvOriginX", "tvOriginY", "tvWidth", "tvHeight", "tvAngle", "tvLineWidth", "tvFillAngle",
                             "tvShadowDistance", "tvShadowAngle", "tvShadowBlur", "tvTextSize"})
        EXPECT_TRUE(selected.contains(QString::fromLatin1(name))) << name << " in " << selected.join(u' ').toStdString();

    // Nothing selected: only the style fields are open, and they show the next object's style.
    f.click(QPointF(300, 150));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    const QStringList unselected = walk("nothing selected");
    EXPECT_TRUE(unselected.contains(QStringLiteral("tvShadowDistance")));
    EXPECT_FALSE(unselected.contains(QStringLiteral("tvWidth")));
}

TEST_F(FieldBoundsWindow, AShadowFallsNoFurtherThanTheLabelIsLongAndTheNextObjectTakesWhatIsShown)
{
    f.click(QPointF(300, 150));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    StylePage *style = info()->stylePage();
    const QRectF label = f.canvas()->labelBounds();
    const double side = std::floor(std::max(label.width(), label.height()));
    ASSERT_GT(side, 10.0);
    const QString range = QStringLiteral("Type a number from %1 pt to %2 pt.")
                              .arg(NumberField::formatted(-side, QStringLiteral("#,###.0")),
                                   NumberField::formatted(side, QStringLiteral("#,###.0")));
    typeInto(style->tvShadowDistance, QStringLiteral("1000"));
    EXPECT_EQ(style->tvShadowDistance->refusal(), range);
    typeInto(style->tvShadowDistance, QStringLiteral("-5"));
    EXPECT_EQ(style->tvShadowDistance->text(), QStringLiteral("-5.0 pt"));
    typeInto(style->tvShadowBlur, QStringLiteral("1e9"));
    EXPECT_FALSE(style->tvShadowBlur->refusal().isEmpty());
    typeInto(style->tvShadowBlur, QStringLiteral("7"));
    // A stroke less than none is none, and the field says so rather than "-5".
    typeInto(style->tvLineWidth, QStringLiteral("-5"));
    EXPECT_EQ(style->tvLineWidth->text(), QStringLiteral("0.0 pt"));
    typeInto(style->tvLineWidth, QStringLiteral("3"));
    EXPECT_EQ(style->tvLineWidth->text(), QStringLiteral("3.0 pt"));

    f.drawRect(QRectF(150, 20, 40, 30));
    const GraphicPtr next = f.canvas()->getRects().last();
    ASSERT_NE(next, box);
    EXPECT_DOUBLE_EQ(next->shadowDistance(), -5.0);
    EXPECT_EQ(next->shadowBlur(), 7);
    EXPECT_FLOAT_EQ(next->strokeLineWidth(), 3.0f);
}

} // namespace
