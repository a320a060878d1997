// Graphic objects in the whole window, the way a user meets them: a picture whose file was
// gone when the document was opened, a shadow in an exported bitmap, the rubber band beside
// an object, and point editing of a closed path, through the menus, the panels (answered by
// the test prompts) and mouse events on the canvas.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/CanvasTestSupport.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "objects/CanvasServices.h"
#include "objects/ColorPath.h"
#include "objects/ImageFiles.h"
#include "objects/specImage.h"
#include "platform/PropertyList.h"
#include "printing/ExportFormats.h"

using namespace quillmark;

namespace {

class GraphicObjectsApp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("graphic-objects-app"));
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        // As the program's entry does before it builds the window.
        registerAllKinds();
        window = std::make_unique<MainWindow>();
        canvas()->resize(900, 500);
    }
    void TearDown() override
    {
        window.reset();
        Language::reset();
    }

    RectsView *canvas() { return window->canvas(); }

    void trigger(const QString &text)
    {
        for (QAction *action : window->fileMenu()->actions()) {
            if (action->text() == text) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
    }

    std::shared_ptr<ColorRect> place(const std::shared_ptr<ColorRect> &graphic)
    {
        graphic->setPageName(canvas()->getCurrPageName());
        canvas()->addGraphic(graphic);
        return graphic;
    }

    void send(QEvent::Type type, const QPointF &page, int clicks = 1, Qt::KeyboardModifiers modifiers = {},
              bool hover = false)
    {
        const QPointF local = canvas()->pageToWidget().map(page);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || hover ? Qt::NoButton : Qt::LeftButton;
        if (clicks == 2 && type == QEvent::MouseButtonPress)
            type = QEvent::MouseButtonDblClick;
        QMouseEvent event(type, local, canvas()->mapToGlobal(local), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(canvas(), &event);
    }
    void press(const QPointF &p, int clicks = 1) { send(QEvent::MouseButtonPress, p, clicks); }
    void drag(const QPointF &p) { send(QEvent::MouseMove, p); }
    void release(const QPointF &p) { send(QEvent::MouseButtonRelease, p); }

    qmtest::ScopedTestPrompts prompts;
    std::unique_ptr<MainWindow> window;
};

} // namespace

TEST_F(GraphicObjectsApp, APictureWhoseFileWasGoneAtOpeningComesBackAfterASave)
{
    const QString dir = qmtest::freshDir(QStringLiteral("app-missing-picture"));
    // Among the user's clip-art, where a saved document refers to it by its own path.
    QDir().mkpath(CanvasServices::clipartUserPath());
    const QString picture = CanvasServices::clipartUserPath() + QStringLiteral("app-missing.png");
    ASSERT_FALSE(qmtest::writePng(picture, QSize(40, 20), Qt::blue).isEmpty());
    auto object = place(ColorRect::create(QRectF(20, 10, 60, 30)));
    object->setDrawsFill(false);
    ASSERT_TRUE(object->setImagePath(picture));
    object->image()->setImageMaskFlag(false);
    object->image()->setImageMaskName(QStringLiteral("heart"));

    const QString document = dir + QStringLiteral("/design.qkdoc");
    canvas()->wasChanged(true);
    prompts->queuePath(document);
    trigger(QStringLiteral("Save"));
    ASSERT_TRUE(QFile::exists(document));

    // The picture's file goes away; the document is opened and saved again.
    ASSERT_TRUE(QFile::remove(picture));
    prompts->queuePath(document);
    trigger(QStringLiteral("Open..."));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const auto whileGone = canvas()->getRects().first();
    EXPECT_TRUE(whileGone->imageFileMissing());
    EXPECT_EQ(whileGone->imagePath(), picture);
    canvas()->wasChanged(true);
    trigger(QStringLiteral("Save"));

    // What the document holds, read back from the file.
    const QVariantMap stored = PropertyList::readFile(document).toMap();
    const QVariantList objects = stored.value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(objects.size(), 1) << stored.keys().join(',').toStdString();
    EXPECT_EQ(objects.first().toMap().value("ImagePath").toString(), picture);
    EXPECT_EQ(objects.first().toMap().value("Image").toMap().value("MaskImageName").toString(), "heart");

    // The file is back: reopening shows the picture with its settings.
    ASSERT_FALSE(qmtest::writePng(picture, QSize(40, 20), Qt::blue).isEmpty());
    prompts->queuePath(document);
    trigger(QStringLiteral("Open..."));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const auto back = canvas()->getRects().first();
    EXPECT_FALSE(back->imageFileMissing());
    ASSERT_TRUE(back->hasValidImage());
    EXPECT_EQ(back->image()->imageMaskName(), "heart");
    EXPECT_FALSE(back->image()->isDrawMask());
    EXPECT_EQ(back->getImage().pixelColor(5, 5), QColor(Qt::blue));
    QFile::remove(picture);
}

TEST_F(GraphicObjectsApp, AShadowMeasuresSevenPointsInA300DpiPngExport)
{
    auto object = place(ColorRect::create(QRectF(20, 20, 40, 20)));
    object->setDrawsFill(true);
    object->setFillColor(Qt::red);
    object->setDrawsStroke(false);
    object->setDrawsShadow(true);
    object->setShadowColor(Qt::black);
    object->setShadowDistance(7);
    object->setShadowAngle(0);
    object->setShadowBlur(0);
    // The screen shows another zoom than 100 %: the export does not care.
    canvas()->setZoom(2.5);

    const QString path = qmtest::freshDir(QStringLiteral("app-shadow-export")) + QStringLiteral("/label.png");
    // The export panel's format pop-up: PNG.
    prompts->queueSaveOfType(path, int(ExportFormat::PNG));
    trigger(QStringLiteral("Export..."));
    QImageReader reader(path);
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(qRound(image.dotsPerMeterX() * 0.0254), 300);

    // Along the middle row: the red object ends at 60 points, then the shadow's dark run.
    const double perPoint = 300.0 / 72.0;
    const int row = int(30 * perPoint);
    int lastRed = -1;
    int dark = 0;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, row);
        if (c.red() > 200 && c.green() < 60)
            lastRed = x;
        else if (lastRed >= 0 && c.red() < 60 && c.green() < 60 && c.blue() < 60)
            ++dark;
    }
    ASSERT_GT(lastRed, 0);
    EXPECT_NEAR(lastRed + 1, 60 * perPoint, 1.0);
    EXPECT_NEAR(dark / perPoint, 7.0, 0.3) << dark << " pixels";
}

TEST_F(GraphicObjectsApp, AShadowMeasuresSevenPointsInPdfLabelsAndSheets)
{
    auto object = place(ColorRect::create(QRectF(20, 20, 40, 20)));
    object->setDrawsFill(true);
    object->setFillColor(Qt::red);
    object->setDrawsStroke(false);
    object->setDrawsShadow(true);
    object->setShadowColor(Qt::black);
    object->setShadowDistance(7);
    object->setShadowAngle(0);
    object->setShadowBlur(0);
    canvas()->setZoom(2.5);

    const QString dir = qmtest::freshDir(QStringLiteral("app-shadow-pdf"));
    prompts->queueSaveOfType(dir + QStringLiteral("/label.pdf"), int(ExportFormat::PDF));
    trigger(QStringLiteral("Export..."));
    // The whole sheet, drawn by the renderer that prints.
    prompts->queueSaveOfType(dir + QStringLiteral("/sheet.pdf"), 1);
    trigger(QStringLiteral("Save As..."));

    for (const QString &name : {QStringLiteral("label.pdf"), QStringLiteral("sheet.pdf")}) {
        std::unique_ptr<Poppler::Document> document = Poppler::Document::load(dir + QLatin1Char('/') + name);
        ASSERT_TRUE(document) << name.toStdString();
        std::unique_ptr<Poppler::Page> page = document->page(0);
        ASSERT_TRUE(page) << name.toStdString();
        // Four pixels a point.
        const QImage image = page->renderToImage(288, 288);
        auto isRed = [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
        // The rows of the first label's red object.
        auto rowHasRed = [&](int y) {
            for (int x = 0; x < image.width(); x += 2)
                if (isRed(image.pixelColor(x, y)))
                    return true;
            return false;
        };
        int top = 0;
        while (top < image.height() && !rowHasRed(top))
            ++top;
        ASSERT_LT(top, image.height()) << name.toStdString();
        int bottom = top;
        while (bottom + 1 < image.height() && rowHasRed(bottom + 1))
            ++bottom;
        // Along its middle row: the first red run, then the dark run of its shadow.
        const int row = (top + bottom) / 2;
        int x = 0;
        while (x < image.width() && !isRed(image.pixelColor(x, row)))
            ++x;
        while (x < image.width() && isRed(image.pixelColor(x, row)))
            ++x;
        int dark = 0;
        for (; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, row);
            if (!(c.red() < 60 && c.green() < 60 && c.blue() < 60))
                break;
            ++dark;
        }
        EXPECT_NEAR(dark / 4.0, 7.0, 0.5) << name.toStdString() << ": " << dark << " pixels";
    }
}

TEST_F(GraphicObjectsApp, ARubberBandBesideAnObjectSelectsItOnlyWhenItTouchesTheOutline)
{
    auto plain = place(ColorRect::create(QRectF(100, 20, 40, 20)));
    auto shadowed = place(ColorRect::create(QRectF(100, 50, 40, 15)));
    shadowed->setDrawsShadow(true);
    shadowed->setShadowAngle(180); // the shadow falls to the left, towards the band

    // A band ending 12 points left of both objects selects nothing.
    press(QPointF(5, 5));
    drag(QPointF(50, 40));
    drag(QPointF(88, 70));
    release(QPointF(88, 70));
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());

    // Reaching 2 points into their outlines selects both.
    press(QPointF(5, 5));
    drag(QPointF(50, 40));
    drag(QPointF(102, 70));
    release(QPointF(102, 70));
    EXPECT_EQ(canvas()->selectedObjects().size(), 2);
}

TEST_F(GraphicObjectsApp, DraggingTheVertexBeforeTheClosingPointLeavesTheStartInPlace)
{
    BezierPath outline;
    outline.moveTo(QPointF(20, 40));
    outline.curveTo(QPointF(60, 10), QPointF(20, 20), QPointF(40, 10));
    outline.curveTo(QPointF(120, 30), QPointF(90, 10), QPointF(120, 10));
    outline.curveTo(QPointF(70, 65), QPointF(120, 55), QPointF(100, 65));
    outline.curveTo(QPointF(20, 40), QPointF(40, 65), QPointF(20, 55));
    outline.closePath();
    auto path = ColorPath::create();
    path->setBezierPath(outline);
    place(path);

    // Select it, double-click into point editing, drag the vertex at (70, 65).
    press(QPointF(70, 40));
    release(QPointF(70, 40));
    press(QPointF(70, 40), 2);
    release(QPointF(70, 40));
    canvas()->undoManager()->closeEventGroup();
    ASSERT_TRUE(path->bezierEdit());
    // Hovering an edit point shows the edit-point pointer, its tip on the point.
    send(QEvent::MouseMove, QPointF(70, 65), 1, {}, true);
    EXPECT_EQ(canvas()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(canvas()->cursor().hotSpot(), QPoint(19, 1));
    const BezierPath before = path->bezierPath();
    press(QPointF(70, 65));
    drag(QPointF(75, 68));
    drag(QPointF(80, 70));
    release(QPointF(80, 70));
    canvas()->undoManager()->closeEventGroup();

    const BezierPath after = path->bezierPath();
    ASSERT_EQ(after.elementCount(), before.elementCount());
    QPointF pts[3];
    after.elementAt(3, pts);
    EXPECT_NEAR(pts[2].x(), 80, 1e-3);
    EXPECT_NEAR(pts[2].y(), 70, 1e-3);
    // The start and the closing curve's end stay together where they were: no spike.
    after.elementAt(0, pts);
    EXPECT_NEAR(pts[0].x(), 20, 1e-3);
    EXPECT_NEAR(pts[0].y(), 40, 1e-3);
    after.elementAt(4, pts);
    EXPECT_NEAR(pts[2].x(), 20, 1e-3);
    EXPECT_NEAR(pts[2].y(), 40, 1e-3);
    // One undo step puts the outline back.
    canvas()->undoManager()->undo();
    before.elementAt(3, pts);
    QPointF undone[3];
    path->bezierPath().elementAt(3, undone);
    EXPECT_NEAR(undone[2].x(), pts[2].x(), 1e-3);

    // Another object joining the selection ends point editing.
    auto other = place(ColorRect::create(QRectF(150, 10, 20, 20)));
    canvas()->selectRect(other);
    EXPECT_FALSE(path->bezierEdit());
}
