// Numbers typed into the inspector's fields in the real window: the user's decimal mark, a
// length typed in another unit, and every refusal said beside the field while the field
// shows the object's value again.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>

#include "app/AppTestSupport.h"
#include "inspector/GeometryPage.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"

using namespace quillmark;

namespace {

class TypedNumbersWindow : public ::testing::Test
{
protected:
    TypedNumbersWindow()
    {
        f.canvas()->setMeasure(QStringLiteral("Centimeters"));
        f.drawRect(QRectF(20, 10, 60, 30));
        box = f.canvas()->getRects().first();
    }
    ~TypedNumbersWindow() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    GeometryPage *page() const { return f.window->objectInfo()->geometryPage(); }

    apptest::WindowFixture f{QStringLiteral("typed-numbers")};
    GraphicPtr box;
};

TEST_F(TypedNumbersWindow, AGermanDecimalCommaGivesOneAndAHalfCentimetres)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    f.click(QPointF(300, 200));
    f.click(box->frameBounds().center());
    EXPECT_EQ(page()->tvWidth->text(), QStringLiteral("2,12 cm")) << "shown with the German mark";
    inspectortest::type(page()->tvWidth, QStringLiteral("1,5"));
    apptest::settle();
    EXPECT_NEAR(box->width(), 1.5 * 28.35, 1e-3);
    EXPECT_EQ(page()->tvWidth->text(), QStringLiteral("1,50 cm"));
    EXPECT_TRUE(page()->tvWidth->refusal().isEmpty());
    // A thousand in German grouping.
    inspectortest::type(page()->tvOriginX, QStringLiteral("1.000"));
    apptest::settle();
    EXPECT_NEAR(box->originX(), 1000 * 28.35, 1e-1);
}

TEST_F(TypedNumbersWindow, TwoInchesTypedInACentimetreFieldGiveFivePointZeroEight)
{
    inspectortest::type(page()->tvWidth, QStringLiteral("2 in"));
    apptest::settle();
    EXPECT_NEAR(box->width(), 144.0, 1e-3);
    EXPECT_EQ(page()->tvWidth->text(), QStringLiteral("5.08 cm"));
    inspectortest::type(page()->tvHeight, QStringLiteral("36pt"));
    apptest::settle();
    EXPECT_NEAR(box->height(), 36.0, 1e-3);
    // Undo takes the typed height back, as any other edit.
    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_NEAR(box->height(), 30.0, 1e-3);
}

TEST_F(TypedNumbersWindow, EveryRefusalSaysWhyBesideTheField)
{
    NumberField *width = page()->tvWidth;
    const QString shown = width->text();
    const QRectF frame = box->frameBounds();
    const int steps = f.canvas()->undoManager()->canUndo();

    struct Refused
    {
        QString typed;
        QString reason;
    };
    const Refused refused[] = {
        {QStringLiteral("abc"), QString::fromUtf8("\u201Cabc\u201D is not a number.")},
        {QString(), QStringLiteral("Type a number.")},
        {QStringLiteral("12abc"), QString::fromUtf8("\u201Cabc\u201D is no unit here: type in, cm, mm, pt or pc.")},
        {QStringLiteral("2 ft"), QString::fromUtf8("\u201Cft\u201D is no unit here: type in, cm, mm, pt or pc.")},
    };
    for (const Refused &r : refused) {
        SCOPED_TRACE(r.typed.toStdString());
        width->setFocus();
        width->selectAll();
        if (r.typed.isEmpty())
            QTest::keyClick(width, Qt::Key_Delete);
        else
            QTest::keyClicks(width, r.typed);
        QTest::keyClick(width, Qt::Key_Return);
        apptest::settle();
        EXPECT_EQ(width->refusal(), r.reason);
        ASSERT_NE(width->refusalNote(), nullptr);
        EXPECT_TRUE(width->refusalNote()->isVisible()) << "said beside the field";
        EXPECT_EQ(width->refusalNote()->text(), r.reason);
        EXPECT_EQ(width->text(), shown) << "the field shows the object's width again";
        EXPECT_EQ(box->frameBounds(), frame);
    }
    EXPECT_EQ(f.canvas()->undoManager()->canUndo(), steps);
    // Typing again puts the note away; a good value is taken.
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("3"));
    EXPECT_FALSE(width->refusalNote()->isVisible());
    QTest::keyClick(width, Qt::Key_Return);
    apptest::settle();
    EXPECT_NEAR(box->width(), 3 * 28.35, 1e-3);
    EXPECT_TRUE(width->refusal().isEmpty());
}

} // namespace
