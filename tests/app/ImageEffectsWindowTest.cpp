// The image effects panel through the window: a picture in a drawn object, the inspector's
// Image Effects button, a blur chosen in the panel's list, OK, and Undo.
#include "app/AppTestSupport.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/specImage.h"

#include <gtest/gtest.h>

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
