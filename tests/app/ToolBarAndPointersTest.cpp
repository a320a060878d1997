// The tool bar shows drawn icons a newcomer recognises, light or dark with the appearance,
// and tool tips as the tools are named; the canvas shows the pointers of the tools, the
// knobs (turned with the object), moving, duplicating and locked objects.
#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <QToolBar>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "platform/BundleCursor.h"

using namespace quillmark;

namespace {

const QStringList ToolTips = {"Select Object", "Rotate Object", "Enter Text", "Rect Object",
                              "Oval Object",   "Line Object",   "Barcode Object", "Bezier Object",
                              "Database Object", "Address Block Object"};

// The icon as the button draws it, and the mean lightness of its drawn (opaque) pixels.
QImage iconImage(const QAction *action)
{
    return action->icon().pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_ARGB32);
}
double inkLightness(const QImage &image, int *inked = nullptr)
{
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 200) {
                sum += qGray(image.pixel(x, y));
                ++count;
            }
    if (inked)
        *inked = count;
    return count ? sum / count : -1;
}

bool showsPointer(const QWidget *canvas, const QString &image, const QPoint &hotSpot)
{
    const QCursor shown = canvas->cursor();
    if (shown.shape() != Qt::BitmapCursor)
        return false;
    return shown.pixmap().toImage() == BundleCursor::pixmap(image).toImage() && shown.hotSpot() == hotSpot;
}

TEST(ToolBar, ToolsHaveTheirNamesAsToolTipsAndDrawnIcons)
{
    apptest::WindowFixture f(QStringLiteral("toolbar-light"));
    QSet<qint64> distinct;
    for (int tool = 0; tool < ToolTips.size(); ++tool) {
        QAction *button = f.tool(tool);
        ASSERT_NE(button, nullptr) << tool;
        EXPECT_EQ(button->toolTip(), ToolTips[tool]);
        EXPECT_EQ(f.toolButton(ToolTips[tool]), button);
        ASSERT_FALSE(button->icon().isNull()) << ToolTips[tool].toStdString();
        // Shown as its drawing, not as text.
        auto *widget = qobject_cast<QToolButton *>(f.window->findChild<QToolBar *>(QStringLiteral("Tools"))
                                                        ->widgetForAction(button));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->toolButtonStyle(), Qt::ToolButtonIconOnly);
        const QImage image = iconImage(button);
        int inked = 0;
        const double lightness = inkLightness(image, &inked);
        EXPECT_GT(inked, 20) << ToolTips[tool].toStdString();
        // Dark glyphs for the light appearance.
        EXPECT_LT(lightness, 90) << ToolTips[tool].toStdString();
        distinct.insert(image.cacheKey() ^ qHashBits(image.constBits(), size_t(image.sizeInBytes())));
    }
    EXPECT_EQ(distinct.size(), ToolTips.size()) << "every tool has its own drawing";
    for (const QString &zoom : {QStringLiteral("Zoom In"), QStringLiteral("Zoom Out")}) {
        QAction *button = f.toolButton(zoom);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->icon().isNull());
    }
}

TEST(ToolBar, DarkAppearanceShowsLightDrawings)
{
    apptest::WindowFixture f(QStringLiteral("toolbar-dark"));
    const QPalette light = QApplication::palette();
    // The desktop turns dark: the application's palette changes.
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    apptest::settle();
    for (int tool = 0; tool < ToolTips.size(); ++tool)
        EXPECT_GT(inkLightness(iconImage(f.tool(tool))), 170) << ToolTips[tool].toStdString();
    EXPECT_GT(inkLightness(iconImage(f.toolButton(QStringLiteral("Zoom In")))), 170);
    QApplication::setPalette(light);
    apptest::settle();
    EXPECT_LT(inkLightness(iconImage(f.tool(RectsView::SelectTool))), 90);
}

TEST(Pointers, ToolsShowTheirPointers)
{
    apptest::WindowFixture f(QStringLiteral("pointers-tools"));
    f.tool(RectsView::RotateTool)->trigger();
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("rotateCursor"), QPoint(9, 9)));
    f.tool(RectsView::TextTool)->trigger();
    f.hover(QPointF(30, 30));
    EXPECT_EQ(f.canvas()->cursor().shape(), Qt::IBeamCursor);
    f.tool(RectsView::OvalTool)->trigger();
    EXPECT_EQ(f.canvas()->cursor().shape(), Qt::CrossCursor);

    f.tool(RectsView::PathTool)->trigger();
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("startPath"), QPoint(1, 19)));
    f.click(QPointF(20, 20));
    f.hover(QPointF(60, 20));
    f.click(QPointF(60, 20));
    f.hover(QPointF(60, 50));
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("startPath"), QPoint(1, 19)));
    // Over the first point the pointer says the path closes there.
    f.hover(QPointF(20.5, 20.5));
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("closePath"), QPoint(1, 19)));
    RectsView::discardPathInProgress();
}

TEST(Pointers, KnobsShowResizePointersTurnedWithTheObject)
{
    apptest::WindowFixture f(QStringLiteral("pointers-knobs"));
    f.drawRect(QRectF(20, 20, 60, 30));
    const GraphicPtr box = f.canvas()->getRects().first();
    ASSERT_TRUE(f.canvas()->isSelected(box.get()));
    const QPoint centre(9, 9);
    f.hover(QPointF(80, 50)); // knob 8, the bottom right corner
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("resizeCursor1"), centre));
    f.hover(QPointF(80, 35)); // knob 5, the right side
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("resizeCursorH"), centre));
    f.hover(QPointF(50, 20)); // knob 2, the top
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("resizeCursorV"), centre));
    f.hover(QPointF(20, 50)); // knob 6
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("resizeCursor2"), centre));
    f.hover(QPointF(50, 35)); // inside, no knob
    EXPECT_EQ(f.canvas()->cursor().shape(), Qt::ArrowCursor);

    // Turned by 90 degrees, a side knob lies at the top and shows the up and down pointer of
    // the knob two places round.
    box->setAngle(90.0f, false);
    const QPointF top = box->getRotatedBounds().bounds().center() + QPointF(0, -30);
    const int knob = box->knobUnderPoint(top);
    ASSERT_TRUE(knob == 4 || knob == 5) << knob;
    f.hover(top);
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("resizeCursorV"), centre));

    // A locked object shows the lock over its knobs.
    box->setAngle(0.0f, false);
    box->setLocked(true);
    f.hover(QPointF(80, 50));
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("lock16"), QPoint(8, 8)));
}

TEST(Pointers, MovingDuplicatingAndLockedDragsShowTheirPointers)
{
    apptest::WindowFixture f(QStringLiteral("pointers-move"));
    f.drawRect(QRectF(20, 20, 60, 30));
    const QPoint centre(9, 9);
    f.mouse(QEvent::MouseButtonPress, QPointF(40, 30));
    f.mouse(QEvent::MouseMove, QPointF(45, 32));
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("moveCursor"), centre));
    f.mouse(QEvent::MouseButtonRelease, QPointF(45, 32));
    apptest::settle();
    EXPECT_EQ(f.canvas()->cursor().shape(), Qt::ArrowCursor);

    f.mouse(QEvent::MouseButtonPress, QPointF(45, 32), Qt::AltModifier);
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("duplicateCursor"), centre));
    f.mouse(QEvent::MouseButtonRelease, QPointF(45, 32), Qt::AltModifier);
    apptest::settle();

    // The Option-drag made a copy over the box: both are locked now.
    f.click(QPointF(170, 65));
    EXPECT_EQ(f.canvas()->getRects().size(), 2);
    for (const GraphicPtr &graphic : f.canvas()->getRects())
        graphic->setLocked(true);
    f.mouse(QEvent::MouseButtonPress, QPointF(45, 32));
    EXPECT_EQ(f.canvas()->isSelectedLocked(), 1);
    EXPECT_TRUE(showsPointer(f.canvas(), QStringLiteral("lock16"), QPoint(8, 8))) << f.canvas()->cursor().shape();
    f.mouse(QEvent::MouseButtonRelease, QPointF(45, 32));
    apptest::settle();
}

} // namespace
