// The image effects panel through the window: a picture in a drawn object, the inspector's
// Image Effects button, a blur chosen in the panel's list, OK, and Undo.
#include "app/AppTestSupport.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "images/FilterView.h"
#include "images/ParameterView.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/specImage.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

using namespace quillmark;

namespace {

using GraphicPtr = std::shared_ptr<ColorRect>;

// Black on the left half, white on the right: any blur greys the edge between them.
QImage halves()
{
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 20; ++x)
            image.setPixelColor(x, y, Qt::black);
    return image;
}

QImage pictureOf(const GraphicPtr &object)
{
    return object->image() ? object->image()->copyRepresentations()->prepareImage() : QImage();
}

// The first filter of the "Focus" list whose name says it blurs.
QModelIndex blurRow(const CIFilterDataSource *list)
{
    for (const auto &category : list->categories())
        if (category.title == QLatin1String("Focus"))
            for (const auto &entry : category.entries)
                if (entry.name.contains(QLatin1String("Blur"), Qt::CaseInsensitive))
                    return list->indexOfFilter(entry.filterClass);
    return {};
}

ParameterView *control(Controller *panel, const QString &key)
{
    FilterView *box = panel->filterView();
    if (!box)
        return nullptr;
    for (ParameterView *view : box->findChildren<ParameterView *>())
        if (view->key() == key)
            return view;
    return nullptr;
}

class ImageEffectsWindow : public ::testing::Test
{
protected:
    apptest::WindowFixture f{QStringLiteral("effects-window")};

    GraphicPtr pictureSelected()
    {
        f.drawRect(QRectF(40, 40, 80, 60));
        f.tool(RectsView::SelectTool)->trigger();
        f.click(QPointF(80, 70));
        EXPECT_EQ(f.canvas()->selectedObjects().size(), 1);
        const GraphicPtr object = f.canvas()->selectedObjects().first();
        object->setImage(halves());
        f.canvas()->undoManager()->removeAllActions();
        f.window->objectInfo()->refresh();
        return object;
    }
    QPushButton *effectsButton()
    {
        f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
        apptest::settle();
        return f.window->findChild<QPushButton *>(QStringLiteral("btnEdit"));
    }
};

} // namespace

TEST_F(ImageEffectsWindow, ABlurChosenInThePanelChangesThePictureAndUndoBringsItBack)
{
    const GraphicPtr object = pictureSelected();
    const QImage before = pictureOf(object);
    QPushButton *button = effectsButton();
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());

    QString chosen;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        EXPECT_NE(panel, nullptr);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        // The panel shows the object's picture.
        EXPECT_EQ(Controller::imageFromCIImage(panel->backImage()).size(), before.size());
        const QModelIndex row = blurRow(panel->dataSource());
        EXPECT_TRUE(row.isValid());
        chosen = row.data().toString();
        panel->outlineView()->expandAll();
        apptest::settle();
        QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          panel->outlineView()->visualRect(row).center());
        EXPECT_NE(panel->getCurrentFilter(), nullptr);
        QTest::mouseClick(panel->okButton(), Qt::LeftButton);
        // OK computes the full-size result on the worker, then ends the panel.
        for (int i = 0; i < 4000 && panel->isRendering(); ++i)
            QTest::qWait(5);
        EXPECT_FALSE(panel->isRendering());
        return panel->result();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    apptest::settle();
    EXPECT_FALSE(chosen.isEmpty());

    const QImage after = pictureOf(object);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after, before) << chosen.toStdString();
    // At the edge between the halves the blur mixed black and white.
    const QColor edge = after.pixelColor(20, 15);
    EXPECT_GT(edge.lightness(), 10);
    EXPECT_LT(edge.lightness(), 245);
    EXPECT_TRUE(object->imageUseFilter());

    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_EQ(pictureOf(object), before);
}

TEST_F(ImageEffectsWindow, ClosingThePanelLeavesThePictureAsItWas)
{
    const GraphicPtr object = pictureSelected();
    const QImage before = pictureOf(object);
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_EQ(pictureOf(object), before);
    EXPECT_FALSE(f.canvas()->undoManager()->canUndo());
}

// The value fields of the panel as a user types into them: Return commits the value and keeps
// the panel open, text that is no number gives the previous value back, a number beyond what
// the input takes is held to its range, and the field shows the value in use.
TEST_F(ImageEffectsWindow, ValueFieldsCommitOnReturnRefuseNonNumbersAndHoldToTheRange)
{
    const GraphicPtr object = pictureSelected();
    const QImage before = pictureOf(object);
    bool checked = false;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        const QModelIndex row = panel->dataSource()->indexOfFilter(QStringLiteral("gegl:gaussian-blur"));
        EXPECT_TRUE(row.isValid());
        panel->outlineView()->expandAll();
        panel->outlineView()->scrollTo(row);
        apptest::settle();
        QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          panel->outlineView()->visualRect(row).center());
        ParameterView *radius = control(panel, QStringLiteral("inputStdDevX"));
        EXPECT_TRUE(radius && radius->readoutTextField());
        if (!radius || !radius->readoutTextField())
            return 0;
        QLineEdit *field = radius->readoutTextField();
        auto typeInto = [&](const QString &text) {
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, text);
            QTest::keyClick(field, Qt::Key_Return);
            apptest::settle();
        };
        auto value = [&] { return panel->getCurrentFilter()->value(QStringLiteral("inputStdDevX")).toDouble(); };

        // Return commits and the panel stays open.
        const quint64 revision = panel->revision();
        typeInto(QStringLiteral("7"));
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->result(), 0) << "Return did not end the panel";
        EXPECT_DOUBLE_EQ(value(), 7.0);
        EXPECT_GT(panel->revision(), revision) << "the preview renders anew";
        EXPECT_EQ(field->text().trimmed(), QStringLiteral("7.0"));

        // Not numbers: the previous value comes back.
        for (const QString &nonsense : {QStringLiteral("abc"), QStringLiteral("nan"), QStringLiteral("inf")}) {
            typeInto(nonsense);
            EXPECT_DOUBLE_EQ(value(), 7.0) << nonsense.toStdString();
            EXPECT_EQ(field->text().trimmed(), QStringLiteral("7.0")) << nonsense.toStdString();
        }
        // A decimal comma is a decimal point.
        typeInto(QStringLiteral("2,5"));
        EXPECT_DOUBLE_EQ(value(), 2.5);

        // Beyond the input's range: held to it, and the field says so.
        const FilterInput *input = panel->getCurrentFilter()->input(QStringLiteral("inputStdDevX"));
        EXPECT_TRUE(input && input->maximum.isValid());
        const double maximum = input ? input->maximum.toDouble() : 0;
        for (const QString &huge : {QStringLiteral("5000000"), QStringLiteral("1e300")}) {
            typeInto(huge);
            EXPECT_DOUBLE_EQ(value(), double(float(maximum))) << huge.toStdString();
            EXPECT_EQ(field->text(), ParameterView::formatReadoutValue(4, 1, double(float(maximum))))
                << huge.toStdString();
        }
        typeInto(QStringLiteral("-5"));
        EXPECT_DOUBLE_EQ(value(), input ? input->minimum.toDouble() : 0);
        EXPECT_TRUE(panel->isVisible());
        checked = true;
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_TRUE(checked);
    EXPECT_EQ(pictureOf(object), before);
}

// An input with a fixed set of choices is a pop-up of its choices, not a slider.
TEST_F(ImageEffectsWindow, AnInputWithFixedChoicesIsAPopUp)
{
    pictureSelected();
    bool checked = false;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        const QModelIndex row = panel->dataSource()->indexOfFilter(QStringLiteral("gegl:image-gradient"));
        EXPECT_TRUE(row.isValid());
        panel->outlineView()->expandAll();
        panel->outlineView()->scrollTo(row);
        apptest::settle();
        QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          panel->outlineView()->visualRect(row).center());
        ParameterView *mode = control(panel, QStringLiteral("inputOutputMode"));
        EXPECT_TRUE(mode);
        if (!mode)
            return 0;
        EXPECT_EQ(mode->slider(), nullptr);
        EXPECT_EQ(mode->readoutTextField(), nullptr);
        QComboBox *popUp = mode->popUp();
        EXPECT_TRUE(popUp);
        if (!popUp)
            return 0;
        const FilterInput *input = panel->getCurrentFilter()->input(QStringLiteral("inputOutputMode"));
        EXPECT_TRUE(input && input->choices.size() >= 2);
        EXPECT_EQ(popUp->count(), input ? input->choices.size() : 0);
        for (int i = 0; i < popUp->count(); ++i)
            EXPECT_FALSE(popUp->itemText(i).isEmpty());
        const int start = popUp->currentIndex();
        popUp->setFocus();
        QTest::keyClick(popUp, start + 1 < popUp->count() ? Qt::Key_Down : Qt::Key_Up);
        apptest::settle();
        EXPECT_NE(popUp->currentIndex(), start);
        EXPECT_DOUBLE_EQ(panel->getCurrentFilter()->value(QStringLiteral("inputOutputMode")).toDouble(),
                         double(popUp->currentIndex()));
        checked = true;
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_TRUE(checked);
}
