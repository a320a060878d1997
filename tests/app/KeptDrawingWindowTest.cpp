// Text boxes keep their layout between repaints and complex paths a picture of themselves: what
// the canvas shows after each change the user makes (typing, a resize, an obstacle with
// runaround moved onto a box, Undo, another zoom) is what a layout made afresh shows, and a
// large path is filled once per zoom however often the canvas repaints.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBlockFormat>
#include <QRandomGenerator>

#include <poppler-qt6.h>
#include <plist/plist.h>

#include <QTimer>

#include <dlfcn.h>

#include <atomic>

#include "app/AppTestSupport.h"
#include "canvas/SaveTemplate.h"
#include "canvas/TemplateFile.h"
#include "common/TestPrintPanels.h"
#include "foundation/ZoomButton.h"
#include "inspector/GeometryPage.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/Group.h"
#include "objects/PictureWorker.h"
#include "objects/TextFlow.h"
#include "platform/CoverageMask.h"
#include "platform/PropertyList.h"
#include "printing/ExportFormats.h"

using namespace quillmark;

// ---- the fills Qt is asked for ----
// The painter calls that rasterise a path are counted here, before Qt's own, for paths of at
// least `countedElements` elements: the program's drawing reaches Qt through these definitions.
namespace {
// The worker's thread fills too.
std::atomic<int> largeFills = 0;
std::atomic<int> countedElements = 1 << 30;

template <typename Fn>
Fn qtCall(const char *symbol)
{
    void *found = dlsym(RTLD_NEXT, symbol);
    if (!found)
        qFatal("no %s in Qt", symbol);
    return reinterpret_cast<Fn>(found);
}

void count(const QPainterPath &path)
{
    if (path.elementCount() >= countedElements)
        ++largeFills;
}

// The program's supersampled fill covers an outline without the painter's fills: counted too.
const bool coverageFillsCounted = [] {
    setCoverageFillObserver(&count);
    return true;
}();
} // namespace

void QPainter::drawPath(const QPainterPath &path)
{
    using Fn = void (*)(QPainter *, const QPainterPath &);
    static const Fn real = qtCall<Fn>("_ZN8QPainter8drawPathERK12QPainterPath");
    count(path);
    real(this, path);
}

void QPainter::fillPath(const QPainterPath &path, const QBrush &brush)
{
    using Fn = void (*)(QPainter *, const QPainterPath &, const QBrush &);
    static const Fn real = qtCall<Fn>("_ZN8QPainter8fillPathERK12QPainterPathRK6QBrush");
    count(path);
    real(this, path, brush);
}

void QPainter::strokePath(const QPainterPath &path, const QPen &pen)
{
    using Fn = void (*)(QPainter *, const QPainterPath &, const QPen &);
    static const Fn real = qtCall<Fn>("_ZN8QPainter10strokePathERK12QPainterPathRK4QPen");
    count(path);
    real(this, path, pen);
}

void QPainter::setClipPath(const QPainterPath &path, Qt::ClipOperation operation)
{
    using Fn = void (*)(QPainter *, const QPainterPath &, Qt::ClipOperation);
    static const Fn real = qtCall<Fn>("_ZN8QPainter11setClipPathERK12QPainterPathN2Qt13ClipOperationE");
    count(path);
    real(this, path, operation);
}

namespace {

const QString LongText = QStringLiteral(
    "The quick brown fox jumps over the lazy dog while the five boxing wizards jump quickly. "
    "Pack my box with five dozen liquor jugs, and how vexingly quick daft zebras jump!");

GraphicPtr placed(apptest::WindowFixture &f, const GraphicPtr &graphic)
{
    graphic->setPageName(f.canvas()->getCurrPageName());
    graphic->setObjectLayer(1);
    return graphic;
}

BezierPath zigzag(const QRectF &frame, int points, quint32 seed)
{
    QRandomGenerator random(seed);
    BezierPath outline;
    outline.moveTo(frame.topLeft());
    for (int i = 1; i < points; ++i)
        outline.lineTo(QPointF(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height())));
    outline.closePath();
    return outline;
}

// Writes the objects (the pairs given grouped) with the program's writer and opens the file
// with File > Open.
void openDesign(apptest::WindowFixture &f, const QString &name, const GraphicList &objects,
                const QList<QPair<int, int>> &pairs = {}, QString *written = nullptr)
{
    QVariantMap document = f.canvas()->drawDocumentDictionaryForGraphics(objects);
    QVariantList groups;
    for (const auto &[a, b] : pairs) {
        auto group = Group::create();
        group->addObjects({objects[a], objects[b]});
        groups.append(group->propertyListRepresentation(objects));
        group->clear();
    }
    if (!groups.isEmpty())
        document.insert(QStringLiteral("GroupsList"), groups);
    const QString path = qmtest::freshDir(name) + QStringLiteral("/") + name + QStringLiteral(".qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(path, document, PlistFormat::Binary));
    if (written)
        *written = path;
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(f.canvas()->getRects().size(), objects.size());
}

// The object of the opened design whose frame is `frame`.
GraphicPtr objectAt(apptest::WindowFixture &f, const QRectF &frame)
{
    for (const GraphicPtr &graphic : f.canvas()->getRects())
        if (graphic->frameBounds() == frame)
            return graphic;
    return nullptr;
}

// The canvas's pixels over an area of page points.
QImage shown(apptest::WindowFixture &f, const QRectF &area)
{
    const QRect rect = f.canvas()->pageToWidget().mapRect(area).toAlignedRect();
    return f.canvas()->grab(rect).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The same pixels with every text of the canvas laid out anew.
QImage shownAfresh(apptest::WindowFixture &f, const QRectF &area)
{
    for (const GraphicPtr &graphic : f.canvas()->getRects())
        if (TextFlow *flow = graphic->textFlow())
            flow->invalidate();
    return shown(f, area);
}

void chooseZoom(apptest::WindowFixture &f, const QString &title)
{
    ZoomButton *button = f.window->zoomButton();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->zoomMenu());
    for (QAction *item : button->zoomMenu()->actions())
        if (item->text() == title) {
            item->trigger();
            button->zoomMenu()->close();
            apptest::settle();
            return;
        }
    ADD_FAILURE() << "no zoom item " << title.toStdString();
}

// Pictures being made on the worker's thread made and handed over, and the canvas drawn with
// them.
void waitForPictures()
{
    PictureWorker::waitUntilDone();
    apptest::settle();
}

} // namespace

TEST(KeptDrawingWindow, TextBoxesShowEveryEditThatMovesTheirText)
{
    apptest::WindowFixture f(QStringLiteral("kept-text"));
    chooseZoom(f, QStringLiteral("100%"));
    const QRectF boxFrame(20, 20, 150, 90);
    const QRectF ovalFrame(190, 20, 80, 80);
    const QRectF obstacleFrame(200, 150, 50, 30);
    const QRectF pathFrame(20, 150, 60, 40);
    GraphicList objects;
    auto box = placed(f, ColorRect::create(boxFrame));
    box->setDrawsFill(false);
    box->textStorage()->setPlainText(LongText);
    objects.append(box);
    auto oval = placed(f, ColorOval::create(ovalFrame));
    oval->textStorage()->setPlainText(QStringLiteral("Along the oval"));
    objects.append(oval);
    auto path = ColorPath::create(pathFrame);
    path->setBezierPath(zigzag(pathFrame, 12, 7));
    objects.append(placed(f, path));
    auto first = placed(f, ColorRect::create(QRectF(100, 150, 30, 20)));
    auto second = placed(f, ColorRect::create(QRectF(140, 150, 30, 20)));
    objects.append(first);
    objects.append(second);
    auto obstacle = placed(f, ColorRect::create(obstacleFrame));
    obstacle->setDrawsFill(true);
    obstacle->setFillColor(QColor(40, 160, 40));
    objects.append(obstacle);
    openDesign(f, QStringLiteral("Kept Text"), objects, {{3, 4}});
    const GraphicPtr text = objectAt(f, boxFrame);
    const GraphicPtr mover = objectAt(f, obstacleFrame);
    ASSERT_TRUE(text && mover);
    ASSERT_EQ(f.canvas()->groups().size(), 1);

    // Every step is looked at over the box and the oval, kept against afresh.
    const QRectF area(10, 10, 280, 110);
    const QImage opened = shown(f, area);
    EXPECT_EQ(opened, shownAfresh(f, area));
    const int shownAtFirst = text->textCharacterRange().second;
    ASSERT_GT(shownAtFirst, 0);

    // Typing at the start of the text pushes the rest along.
    f.editText(boxFrame.center());
    QTest::keyClick(f.canvas(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(f.canvas(), QStringLiteral("Typed first "));
    f.click(QPointF(300, 250));
    ASSERT_FALSE(text->isEditable1());
    ASSERT_TRUE(text->textStorage()->toPlainText().startsWith(QStringLiteral("Typed first")));
    const QImage typed = shown(f, area);
    EXPECT_NE(typed, opened);
    EXPECT_EQ(typed, shownAfresh(f, area));

    // A narrower box breaks its lines elsewhere.
    f.click(boxFrame.center());
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    f.dragFromTo(boxFrame.bottomRight(), boxFrame.bottomRight() + QPointF(-40, 0));
    ASSERT_LT(text->frameBounds().width(), boxFrame.width() - 30);
    const QImage narrower = shown(f, area);
    EXPECT_NE(narrower, typed);
    EXPECT_EQ(narrower, shownAfresh(f, area));
    const int shownNarrower = text->textCharacterRange().second;

    // An object with runaround dragged onto the box: the text flows around it.
    f.click(obstacleFrame.center());
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    ASSERT_EQ(f.canvas()->selectedObjects().first(), mover);
    auto *wrap = f.window->objectInfo()->geometryPage()->findChild<QCheckBox *>(QStringLiteral("bTextWrap"));
    ASSERT_NE(wrap, nullptr);
    wrap->click();
    apptest::settle();
    ASSERT_NE(mover->getRunaroundState(), 0);
    const QImage beforeMove = shown(f, area);
    f.dragFromTo(obstacleFrame.center(), QPointF(60, 55));
    ASSERT_TRUE(mover->frameBounds().intersects(text->frameBounds()));
    const QImage around = shown(f, area);
    EXPECT_NE(around, beforeMove);
    EXPECT_EQ(around, shownAfresh(f, area));
    EXPECT_LT(text->textCharacterRange().second, shownNarrower);

    // Undo takes the obstacle back off the box: the text is as it was before.
    f.undo();
    EXPECT_EQ(mover->frameBounds(), obstacleFrame);
    const QImage undone = shown(f, area);
    EXPECT_EQ(undone, beforeMove);
    EXPECT_EQ(undone, shownAfresh(f, area));
    EXPECT_EQ(text->textCharacterRange().second, shownNarrower);

    // Runaround switched off where the obstacle covers the box: the text runs under it again.
    f.dragFromTo(obstacleFrame.center(), QPointF(60, 55));
    ASSERT_LT(text->textCharacterRange().second, shownNarrower);
    wrap->click();
    apptest::settle();
    ASSERT_EQ(mover->getRunaroundState(), 0);
    EXPECT_EQ(text->textCharacterRange().second, shownNarrower);
    const QImage unwrapped = shown(f, area);
    EXPECT_EQ(unwrapped, shownAfresh(f, area));
}

TEST(KeptDrawingWindow, ALargePathIsFilledOncePerZoomHoweverOftenTheCanvasRepaints)
{
    apptest::WindowFixture f(QStringLiteral("kept-path"));
    chooseZoom(f, QStringLiteral("100%"));
    const QRectF frame(10, 10, 150, 50);
    auto path = ColorPath::create(frame);
    path->setBezierPath(zigzag(frame, 6000, 2024));
    path->setDrawsFill(true);
    path->setDrawsStroke(false);
    path->setFillColor(QColor(30, 60, 200));
    countedElements = 5000;
    largeFills = 0;
    QString written;
    openDesign(f, QStringLiteral("Large Path"), {placed(f, path)}, {}, &written);
    const GraphicPtr opened = f.canvas()->getRects().value(0);
    ASSERT_TRUE(opened);

    // Nothing selected: only the path itself is drawn, once its picture is made.
    f.click(QPointF(400, 300));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    for (int i = 0; i < 3; ++i)
        f.canvas()->repaint();
    waitForPictures();
    EXPECT_EQ(largeFills.load(), 1);
    largeFills = 0;
    for (int i = 0; i < 3; ++i)
        f.canvas()->repaint();
    EXPECT_EQ(largeFills.load(), 0);

    // What the canvas shows is the path filled (turned and mirrored as the object is): against
    // the same outline filled by Qt here.
    auto expectFilled = [&](bool isBlue = true) {
        // Within the label: the canvas shows nothing beyond it.
        const QRectF label(0, 0, f.canvas()->getLabel().width * 72.0, f.canvas()->getLabel().height * 72.0);
        const QRectF area = opened->frameBoundsRotated() & label;
        const QImage canvas = shown(f, area);
        QImage alone(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        alone.fill(Qt::transparent);
        {
            const int before = largeFills;
            QPainter painter(&alone);
            painter.setRenderHint(QPainter::Antialiasing);
            const QRect rect = f.canvas()->pageToWidget().mapRect(area).toAlignedRect();
            painter.translate(-rect.topLeft());
            painter.setTransform(f.canvas()->pageToWidget(), true);
            opened->flipFrame(&painter);
            opened->rotateFrame(&painter, opened->angle());
            // The fill lies inside half the (unshown) stroke width, as every outline does.
            const QRectF whole = opened->frameBounds();
            const qreal half = opened->strokeLineWidth() / 2.0;
            const QRectF inside = whole.adjusted(half, half, -half, -half);
            QTransform toInside;
            toInside.translate(inside.x(), inside.y());
            toInside.scale(inside.width() / whole.width(), inside.height() / whole.height());
            toInside.translate(-whole.x(), -whole.y());
            QPainterPath outline = toInside.map(opened->bezierPath().toPainterPath());
            outline.setFillRule(Qt::WindingFill);
            painter.fillPath(outline, Qt::black);
            largeFills = before;
        }
        int filled = 0, agree = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const bool inside = qAlpha(alone.pixel(x, y)) > 250;
                const bool outside = qAlpha(alone.pixel(x, y)) < 5;
                if (!inside && !outside)
                    continue;
                const QColor c = canvas.pixelColor(x, y);
                const bool blue = isBlue ? c.blue() > 150 && c.red() < 120 : c.red() > 150 && c.blue() < 120;
                filled += inside;
                agree += inside ? blue : !blue;
            }
        EXPECT_GT(filled, canvas.width() * canvas.height() / 10);
        int counted = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const int a = qAlpha(alone.pixel(x, y));
                counted += a > 250 || a < 5;
            }
        EXPECT_GT(agree, counted * 97 / 100);
    };
    expectFilled();

    // Another zoom fills it once more, and then no more.
    chooseZoom(f, QStringLiteral("200%"));
    for (int i = 0; i < 3; ++i)
        f.canvas()->repaint();
    waitForPictures();
    for (int i = 0; i < 3; ++i)
        f.canvas()->repaint();
    EXPECT_EQ(largeFills.load(), 1);
    expectFilled();

    // Selected and moved, it keeps its picture; its dashed outline is drawn once as well.
    f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
    apptest::settle();
    QTest::keyClick(f.canvas(), Qt::Key_Right);
    apptest::settle();
    EXPECT_EQ(opened->frameBounds().x(), frame.x() + 1);
    f.canvas()->repaint();
    waitForPictures();
    f.canvas()->repaint();
    EXPECT_EQ(largeFills.load(), 2);
    // A new fill colour makes a new picture, once.
    opened->setFillColor(QColor(200, 40, 40));
    f.canvas()->repaint();
    waitForPictures();
    f.canvas()->repaint();
    EXPECT_EQ(largeFills.load(), 3);

    // Save draws the small picture the file carries of the label from the kept picture, and
    // that picture shows the path in its new colour where it lies.
    f.canvas()->wasChanged(true);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_FALSE(f.canvas()->isChanged());
    EXPECT_EQ(largeFills.load(), 3);
    const QVariantMap saved = PropertyList::readFile(written).toMap();
    const QImage preview = QImage::fromData(saved.value(QStringLiteral("QuillmarkDocPreview")).toByteArray());
    ASSERT_FALSE(preview.isNull());
    const QRectF area = opened->frameBounds();
    int red = 0, inside = 0;
    for (int y = int(area.top()) + 2; y < int(area.bottom()) - 2; ++y)
        for (int x = int(area.left()) + 2; x < int(area.right()) - 2; ++x) {
            const QColor c = preview.pixelColor(x, y);
            ++inside;
            red += c.alpha() > 200 && c.red() > 150 && c.blue() < 120;
        }
    EXPECT_GT(red, inside / 4);

    // Turned and mirrored, it is laid down from the picture it keeps, not filled again, where
    // the outline turned and mirrored lies; the turn and the flip change no point, and Undo
    // gives back the very object that was saved.
    ASSERT_TRUE(f.canvas()->selectedObjects().contains(opened));
    const QVariantMap before = opened->propertyListRepresentation();
    f.trigger(QStringLiteral("Arrange"), QStringLiteral("Rotate"));
    opened->setFlipHor(true);
    EXPECT_EQ(opened->angle(), 90.0f);
    f.canvas()->repaint();
    waitForPictures();
    f.canvas()->repaint();
    EXPECT_EQ(largeFills.load(), 3);
    // Its selection's outline would cover it.
    f.click(QPointF(400, 300));
    f.canvas()->repaint();
    expectFilled(false);
    EXPECT_EQ(largeFills.load(), 3);
    const QVariantMap turned = opened->propertyListRepresentation();
    EXPECT_EQ(turned.value(QStringLiteral("Path")).toByteArray(), before.value(QStringLiteral("Path")).toByteArray());
    // The click that cleared the selection is a step of its own.
    for (int step = 0; step < 3 && (opened->angle() != 0.0f || opened->flipHor()); ++step)
        f.undo();
    EXPECT_EQ(opened->angle(), 0.0f);
    EXPECT_FALSE(opened->flipHor());
    EXPECT_EQ(PropertyList::toData(opened->propertyListRepresentation()), PropertyList::toData(before));
    countedElements = 1 << 30;
}

namespace {

// A design of one filled path of `points` random points in `frame`, no stroke, opened with
// File > Open.
GraphicPtr openLargePath(apptest::WindowFixture &f, const QString &name, const QRectF &frame, int points,
                         const QColor &color)
{
    auto path = ColorPath::create(frame);
    path->setBezierPath(zigzag(frame, points, 77));
    path->setDrawsFill(true);
    path->setDrawsStroke(false);
    path->setFillColor(color);
    openDesign(f, name, {placed(f, path)});
    return f.canvas()->getRects().value(0);
}

// The path's outline filled over the page's white, as the canvas's pixels over `area` should
// show it: each pixel covered as far as 16 x 16 points of it lie inside the outline, Qt's fill
// without antialiasing telling which do. (Qt's antialiased fill is no measure here: where the
// edges of a winding outline cross inside a pixel it takes their areas for the covered one.)
QImage filledAlone(apptest::WindowFixture &f, const GraphicPtr &path, const QRectF &area, const QColor &color)
{
    constexpr int Samples = 16;
    const QRect rect = f.canvas()->pageToWidget().mapRect(area).toAlignedRect();
    QImage samples(rect.size() * Samples, QImage::Format_Alpha8);
    samples.fill(0);
    QPainter painter(&samples);
    painter.scale(Samples, Samples);
    painter.translate(-rect.topLeft());
    // The screen's picture is kept in whole pixels from the frame's corner: drawn where the
    // corner falls on the grabbed pixels, rounded.
    const QPointF corner = f.canvas()->pageToWidget().map(path->frameBounds().topLeft()) - rect.topLeft();
    painter.translate(QPointF(qRound(corner.x()), qRound(corner.y())) - corner);
    painter.setTransform(f.canvas()->pageToWidget(), true);
    // The fill lies inside half the (unshown) stroke width, as every outline does.
    const qreal half = path->strokeLineWidth() / 2.0;
    const auto *stored = static_cast<const ColorPath &>(*path).storedPath();
    EXPECT_TRUE(stored);
    if (!stored)
        return {};
    QPainterPath outline =
        ColorPath::fitted(*stored, path->frameBounds().adjusted(half, half, -half, -half)).toPainterPath();
    outline.setFillRule(Qt::WindingFill);
    const int before = largeFills;
    painter.fillPath(outline, Qt::black);
    largeFills = before;
    painter.end();
    QImage alone(rect.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < alone.height(); ++y)
        for (int x = 0; x < alone.width(); ++x) {
            int covered = 0;
            for (int j = 0; j < Samples; ++j) {
                const uchar *row = samples.constScanLine(y * Samples + j) + x * Samples;
                for (int i = 0; i < Samples; ++i)
                    covered += row[i];
            }
            const double c = covered / (255.0 * Samples * Samples);
            auto mix = [c](int channel) { return int(std::lround(255 * (1 - c) + channel * c)); };
            alone.setPixel(x, y, qRgb(mix(color.red()), mix(color.green()), mix(color.blue())));
        }
    return alone;
}

// The share of pixels (of a hundred) of two images of one size that differ by more than a few
// levels in some channel.
int differingPercent(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 100;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += std::abs(p.red() - q.red()) > 24 || std::abs(p.green() - q.green()) > 24
                         || std::abs(p.blue() - q.blue()) > 24;
        }
    return int(differing * 100 / (qint64(a.width()) * a.height()));
}

// How many pixels of the image are nearly `color`.
int pixelsOf(const QImage &image, const QColor &color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - color.red()) < 30 && std::abs(c.green() - color.green()) < 30
                     && std::abs(c.blue() - color.blue()) < 30;
        }
    return count;
}

} // namespace

// The window answers while the picture of a large path is made on another thread; the canvas
// shows the path's frame tinted meanwhile, then exactly the path; a newer zoom or colour
// supersedes the picture asked for before, which is then never shown.
TEST(KeptDrawingWindow, ALargePathIsFilledOffTheWindowsThreadAndOnlyItsNewestPictureIsShown)
{
    apptest::WindowFixture f(QStringLiteral("path-worker"));
    chooseZoom(f, QStringLiteral("100%"));
    const QRectF frame(12, 8, 150, 50);
    const QRectF inside = frame.adjusted(3, 3, -3, -3);
    const QColor blue(30, 60, 200);
    countedElements = 5000;
    largeFills = 0;
    GraphicPtr path;
    {
        PictureWorker::Hold hold;
        path = openLargePath(f, QStringLiteral("Worker Path"), frame, 6000, blue);
        ASSERT_TRUE(path);
        // The picture is still to be made, and the window goes on: a command and a timer
        // are answered.
        bool timerFired = false;
        QTimer::singleShot(0, [&] { timerFired = true; });
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        EXPECT_TRUE(timerFired);
        EXPECT_EQ(f.canvas()->selectedObjects().size(), 1);
        f.click(QPointF(400, 300));
        EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());
        EXPECT_TRUE(PictureWorker::busy());
        EXPECT_EQ(largeFills.load(), 0);
        // Meanwhile the frame is tinted with the path's colour: nothing of it is drawn in full.
        const QImage pending = shown(f, inside);
        EXPECT_EQ(pixelsOf(pending, blue), 0);
        QColor tint = blue;
        tint.setAlphaF(0.25f);
        QImage tinted(1, 1, QImage::Format_ARGB32_Premultiplied);
        tinted.fill(Qt::white);
        QPainter(&tinted).fillRect(0, 0, 1, 1, tint);
        EXPECT_GT(pixelsOf(pending, tinted.pixelColor(0, 0)), pending.width() * pending.height() * 9 / 10);
    }
    // The path's picture and the one of its dashed outline (asked for by Select All).
    waitForPictures();
    EXPECT_FALSE(PictureWorker::busy());
    EXPECT_EQ(largeFills.load(), 2);
    // What arrives is the outline filled as it covers each pixel.
    EXPECT_LE(differingPercent(shown(f, inside), filledAlone(f, path, inside, blue)), 5);

    // A zoom while the picture is waiting: the one for the earlier zoom is never made, and
    // the canvas shows the path as Qt draws it at the new zoom.
    {
        PictureWorker::Hold hold;
        path->setFillColor(QColor(20, 150, 40));
        f.canvas()->repaint();
        chooseZoom(f, QStringLiteral("200%"));
        f.canvas()->repaint();
    }
    waitForPictures();
    EXPECT_EQ(largeFills.load(), 3);
    EXPECT_LE(differingPercent(shown(f, inside), filledAlone(f, path, inside, QColor(20, 150, 40))), 5);

    // A picture made but not handed over yet when the colour changes again is dropped: red is
    // never shown, the green after it is.
    const QColor red(200, 30, 30), green(30, 170, 60);
    path->setFillColor(red);
    f.canvas()->repaint();
    PictureWorker::waitUntilMade();
    {
        PictureWorker::Hold hold;
        path->setFillColor(green);
        f.canvas()->repaint();
        apptest::settle();
        EXPECT_EQ(pixelsOf(shown(f, inside), red), 0);
        EXPECT_EQ(pixelsOf(shown(f, inside), green), 0);
    }
    waitForPictures();
    EXPECT_EQ(largeFills.load(), 5);
    const QImage greenShown = shown(f, inside);
    EXPECT_EQ(pixelsOf(greenShown, red), 0);
    EXPECT_LE(differingPercent(greenShown, filledAlone(f, path, inside, green)), 5);

    // Select All draws the dashed outline from a picture made on the worker's thread as well.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    waitForPictures();
    EXPECT_EQ(largeFills.load(), 6);
    f.canvas()->repaint();
    EXPECT_EQ(largeFills.load(), 6);
    countedElements = 1 << 30;
}

// Paper and PDF never wait for the screen's picture: printed and exported while the picture is
// still being made, the path is drawn whole; and a window closed meanwhile neither waits for
// the picture nor is reached by it.
TEST(KeptDrawingWindow, ALargePathPrintsWholeWhileItsPictureIsStillBeingMade)
{
    apptest::WindowFixture f(QStringLiteral("path-worker-print"));
    qmtest::ScopedTestPrintPanels panels;
    const QRectF frame(12, 8, 150, 50);
    const QColor blue(30, 60, 200);
    const QString dir = qmtest::freshDir(QStringLiteral("path-worker-print-files"));
    {
        PictureWorker::Hold hold;
        GraphicPtr path = openLargePath(f, QStringLiteral("Printed Path"), frame, 6000, blue);
        ASSERT_TRUE(path);
        ASSERT_TRUE(PictureWorker::busy());

        // Exported as a PDF of the label: poppler finds the path filled where it lies.
        f.prompts->queueSaveOfType(dir + QStringLiteral("/Label"), int(ExportFormat::PDF));
        f.trigger(QStringLiteral("File"), QStringLiteral("Export..."));
        std::unique_ptr<Poppler::Document> exported = Poppler::Document::load(dir + QStringLiteral("/Label.pdf"));
        ASSERT_TRUE(exported);
        const QImage label = exported->page(0)->renderToImage(144, 144);
        ASSERT_FALSE(label.isNull());
        const QRect area = QTransform::fromScale(2, 2).mapRect(frame.adjusted(3, 3, -3, -3)).toAlignedRect();
        const QImage pathArea = label.copy(area).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // Most of a path of random points crossing itself is filled.
        EXPECT_GT(pixelsOf(pathArea, blue), area.width() * area.height() / 2);

        // Printed to a PDF file: every label of the sheet shows the path filled.
        const QString printed = dir + QStringLiteral("/Sheet.pdf");
        panels->queuePrintToFile(printed);
        panels->queueSheetButton(QStringLiteral("Print"));
        f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
        std::unique_ptr<Poppler::Document> sheet = Poppler::Document::load(printed);
        ASSERT_TRUE(sheet);
        ASSERT_GE(sheet->numPages(), 1);
        const QImage page = sheet->page(0)->renderToImage(72, 72).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_GT(pixelsOf(page, blue), int(frame.width() * frame.height() / 2));
        EXPECT_TRUE(PictureWorker::busy());

        // The window closes while the picture is still wanted; its objects go with it.
        f.window->close();
        apptest::settle();
        EXPECT_EQ(f.quits, 1);
        path.reset();
        f.window.reset();
    }
    // The worker goes on to a picture no one wants any more: it is dropped, not handed to an
    // object that is gone.
    PictureWorker::waitUntilDone();
    EXPECT_FALSE(PictureWorker::busy());
}

namespace {

// The small picture of the label under `key` of a design, template or copied design, as
// libplist reads the bytes.
QImage smallPictureIn(const QByteArray &bytes, const char *key)
{
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    if (!root) {
        ADD_FAILURE() << "libplist could not read the " << key;
        return {};
    }
    QImage image;
    plist_t node = plist_dict_get_item(root, key);
    if (node && plist_get_node_type(node) == PLIST_DATA) {
        char *data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &data, &length);
        image = QImage::fromData(reinterpret_cast<const uchar *>(data), int(length));
        std::free(data);
    }
    plist_free(root);
    EXPECT_FALSE(image.isNull()) << "no " << key;
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// How a small picture shows the path over `frame` (page points, the picture `scale` pixels a
// point): the share (of a hundred) of its pixels in the path's colour, and of those showing
// anything at all.
std::pair<int, int> pathShownIn(const QImage &picture, const QRectF &frame, double scale, const QColor &color)
{
    const QRect area = QTransform::fromScale(scale, scale).mapRect(frame.adjusted(3, 3, -3, -3)).toAlignedRect()
                       & picture.rect();
    int full = 0, any = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            full += c.alpha() > 200 && std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40
                    && std::abs(c.blue() - color.blue()) < 40;
            any += c.alpha() > 20 && (c.red() < 245 || c.green() < 245);
        }
    const int pixels = std::max(1, area.width() * area.height());
    return {full * 100 / pixels, any * 100 / pixels};
}

} // namespace

// Every command that puts a small picture of the label into a file or onto the clipboard
// (Save, Save As, Save as Template, Copy, Duplicate, Replicate and Cut) takes a large path's
// part of it from what is kept of the path and never fills the path on the window's thread:
// while its picture is still being made the path shows there as the canvas shows it meanwhile
// (its frame tinted); once a picture is kept, as the path, also resized since.
TEST(KeptDrawingWindow, SmallPicturesOfTheLabelNeverFillALargePathOnTheWindowsThread)
{
    apptest::WindowFixture f(QStringLiteral("path-small-pictures"));
    chooseZoom(f, QStringLiteral("100%"));
    const QRectF frame(12, 8, 150, 50);
    const QColor blue(30, 60, 200);
    const QString dir = qmtest::freshDir(QStringLiteral("path-small-pictures-files"));
    countedElements = 5000;
    largeFills = 0;
    QString written;
    auto path = ColorPath::create(frame);
    path->setBezierPath(zigzag(frame, 6000, 77));
    path->setDrawsFill(true);
    path->setDrawsStroke(false);
    path->setFillColor(blue);

    const double labelWidth = f.canvas()->getLabel().width * 72.0;
    auto clipboardPicture = [] {
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        return mime ? smallPictureIn(mime->data(RectsView::pasteboardType()), "QuillmarkDocPreview") : QImage();
    };
    struct Command
    {
        const char *menu, *item;
        std::function<void()> prepare;
        std::function<QImage()> picture;
        double scale;
        bool undo;
    };
    int saved = 0;
    const std::vector<Command> commands = {
        {"File", "Save", [&] { f.canvas()->wasChanged(true); },
         [&] { return smallPictureIn(fileBytes(f.canvas()->getFilePath()), "QuillmarkDocPreview"); }, 1.0, false},
        {"File", "Save As...",
         [&] { f.prompts->queueSaveOfType(dir + QStringLiteral("/Copy %1").arg(++saved), 0); },
         [&] { return smallPictureIn(fileBytes(dir + QStringLiteral("/Copy %1.qkdoc").arg(saved)), "QuillmarkDocPreview"); },
         1.0, false},
        {"File", "Save as Template...",
         [&] {
             f.prompts->queuePanel([&](QDialog *dialog) {
                 auto *panel = qobject_cast<SaveTemplate *>(dialog);
                 if (!panel)
                     return 0;
                 panel->titleField()->clear();
                 QTest::keyClicks(panel->titleField(), QStringLiteral("Path %1").arg(++saved));
                 QTest::mouseClick(panel->okButton(), Qt::LeftButton);
                 return panel->result();
             });
             emit f.window->fileMenu()->aboutToShow();
         },
         [&] {
             const QString file = TemplateFile::userFolder() + f.canvas()->getTemplateFolder()
                                  + QStringLiteral("/Path %1.vrxtemp").arg(saved);
             return smallPictureIn(fileBytes(file), "TemplateImage");
         },
         150.0 / labelWidth, false},
        {"Edit", "Copy", {}, clipboardPicture, 1.0, false},
        {"Edit", "Duplicate", {}, clipboardPicture, 1.0, true},
        {"Edit", "Replicate", {}, clipboardPicture, 1.0, true},
        {"Edit", "Cut", {}, clipboardPicture, 1.0, true},
    };
    // Each command on the path selected alone; what it added or took away is undone after it.
    auto runEach = [&](const char *when, const std::function<void(const Command &, const QImage &)> &expect) {
        for (const Command &command : commands) {
            SCOPED_TRACE(std::string(when) + ": " + command.item);
            f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
            ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
            if (command.prepare)
                command.prepare();
            largeFills = 0;
            f.trigger(QString::fromLatin1(command.menu), QString::fromLatin1(command.item));
            EXPECT_EQ(largeFills.load(), 0) << "the path was filled on the window's thread";
            const QImage picture = command.picture();
            ASSERT_FALSE(picture.isNull());
            expect(command, picture);
            if (command.undo)
                f.undo();
            ASSERT_EQ(f.canvas()->getRects().size(), 1);
        }
    };
    {
        PictureWorker::Hold hold;
        openDesign(f, QStringLiteral("Small Pictures"), {placed(f, path)}, {}, &written);
        runEach("while the picture is made", [&](const Command &command, const QImage &picture) {
            const auto [full, any] = pathShownIn(picture, frame, command.scale, blue);
            EXPECT_LE(full, 1);
            EXPECT_GE(any, 90) << "the path's frame is not tinted";
        });
    }
    waitForPictures();
    runEach("with its picture", [&](const Command &command, const QImage &picture) {
        EXPECT_GE(pathShownIn(picture, frame, command.scale, blue).first, 25);
    });

    // Resized, before its new picture is made: the picture of its former size stands in.
    {
        PictureWorker::Hold hold;
        const GraphicPtr opened = f.canvas()->getRects().value(0);
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        f.dragFromTo(frame.bottomRight(), frame.bottomRight() + QPointF(20, 10));
        const QRectF resized = opened->frameBounds();
        ASSERT_NE(resized, frame);
        f.canvas()->wasChanged(true);
        largeFills = 0;
        f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
        EXPECT_EQ(largeFills.load(), 0);
        const QImage preview = smallPictureIn(fileBytes(f.canvas()->getFilePath()), "QuillmarkDocPreview");
        EXPECT_GE(pathShownIn(preview, resized, 1.0, blue).first, 25);
    }
    waitForPictures();
    countedElements = 1 << 30;
}

namespace {

// The "Text" values of every object of a saved design, as plistutil reads the file.
QStringList storedTexts(const QString &path)
{
    const QString xmlPath = path + QStringLiteral(".xml");
    QProcess plistutil;
    plistutil.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), path, QStringLiteral("-o"), xmlPath,
                                                  QStringLiteral("-f"), QStringLiteral("xml")});
    if (!plistutil.waitForFinished(30000) || plistutil.exitCode() != 0) {
        ADD_FAILURE() << "plistutil could not read " << path.toStdString();
        return {};
    }
    QFile file(xmlPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString xml = QString::fromUtf8(file.readAll());
    QStringList texts;
    static const QRegularExpression text(QStringLiteral("<key>Text</key>\\s*<data>([^<]*)</data>"));
    for (auto it = text.globalMatch(xml); it.hasNext();)
        texts.append(it.next().captured(1).simplified().remove(QLatin1Char(' ')));
    return texts;
}

} // namespace

TEST(KeptDrawingWindow, ObjectsWithoutTextWriteBackTheTextTheyWereRead)
{
    apptest::WindowFixture f(QStringLiteral("kept-empty-text"));
    GraphicList objects;
    for (int i = 0; i < 3; ++i)
        objects.append(placed(f, ColorRect::create(QRectF(10 + 40 * i, 10, 30, 20))));
    auto hello = placed(f, ColorRect::create(QRectF(10, 40, 100, 30)));
    hello->textStorage()->setPlainText(QStringLiteral("Hello"));
    objects.append(hello);
    // No characters, but a paragraph centred and a font of its own: not an empty text.
    auto centred = placed(f, ColorRect::create(QRectF(10, 80, 100, 30)));
    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    QTextCursor(centred->textStorage()).setBlockFormat(centre);
    centred->textStorage()->setDefaultFont(QFont(QStringLiteral("DejaVu Serif"), 17));
    objects.append(centred);
    QString path;
    openDesign(f, QStringLiteral("Empty Texts"), objects, {}, &path);
    const QString original = path + QStringLiteral(".original");
    QFile::remove(original);
    ASSERT_TRUE(QFile::copy(path, original));

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    QTest::keyClick(f.canvas(), Qt::Key_Right);
    apptest::settle();
    f.undo();
    f.canvas()->repaint();
    f.canvas()->wasChanged(true);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_FALSE(f.canvas()->isChanged());

    const QStringList before = storedTexts(original);
    ASSERT_EQ(before.size(), 5);
    EXPECT_EQ(storedTexts(path), before);
    // The three rectangles wrote what a new object writes; the other two something of their own.
    EXPECT_EQ(before[0], before[1]);
    EXPECT_EQ(before[1], before[2]);
    EXPECT_NE(before[3], before[0]);
    EXPECT_NE(before[4], before[0]);

    // Opened again, the empty box is still centred in its own font.
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    const GraphicPtr reopened = objectAt(f, QRectF(10, 80, 100, 30));
    ASSERT_TRUE(reopened);
    EXPECT_FALSE(reopened->hasText());
    EXPECT_EQ(reopened->textAlign(), 2);
    EXPECT_EQ(reopened->textStorage()->defaultFont().pointSize(), 17);
}

namespace {

// The object drawn alone, twice the size of its frame's area on a white ground.
QImage drawnAlone(ColorRect &graphic, const QRectF &area)
{
    QImage image((area.size() * 2.0).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2.0, 2.0);
    painter.translate(-area.topLeft());
    graphic.drawFrame(&painter, area, false);
    return image;
}

// The same object made anew from what it writes: nothing of it laid out before.
QImage drawnAfresh(ColorRect &graphic, const QRectF &area)
{
    const GraphicPtr fresh = ColorRect::graphicWithPropertyListRepresentation(graphic.propertyListRepresentation());
    return fresh ? drawnAlone(*fresh, area) : QImage();
}

} // namespace

// Text along an oval is laid out once and kept: every edit of its text, its font or its frame,
// and its undo, shows at once as an oval laid out afresh shows it.
TEST(KeptDrawingWindow, TextAlongAnOvalShowsEveryEditAndItsUndo)
{
    apptest::WindowFixture f(QStringLiteral("kept-oval"));
    chooseZoom(f, QStringLiteral("100%"));
    const QRectF ovalFrame(40, 30, 130, 110);
    auto oval = std::static_pointer_cast<ColorOval>(placed(f, ColorOval::create(ovalFrame)));
    oval->setDrawsFill(true);
    oval->setFillColor(QColor(250, 240, 200));
    oval->textStorage()->setPlainText(QStringLiteral("Along the oval, round and round it goes"));
    oval->setTextAngle(30.0f);
    openDesign(f, QStringLiteral("Kept Oval"), {oval, placed(f, ColorRect::create(QRectF(200, 40, 30, 30)))});
    const GraphicPtr shownOval = objectAt(f, ovalFrame);
    ASSERT_TRUE(shownOval);
    const QRectF area(20, 10, 220, 200);
    const QImage opened = drawnAlone(*shownOval, area);
    ASSERT_EQ(opened, drawnAfresh(*shownOval, area));

    // Typed text, then undone.
    f.editText(ovalFrame.center());
    QTest::keyClick(f.canvas(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClicks(f.canvas(), QStringLiteral("Typed "));
    f.click(QPointF(300, 250));
    ASSERT_TRUE(shownOval->textStorage()->toPlainText().startsWith(QStringLiteral("Typed ")));
    EXPECT_NE(drawnAlone(*shownOval, area), opened);
    EXPECT_EQ(drawnAlone(*shownOval, area), drawnAfresh(*shownOval, area));
    f.undo();
    ASSERT_FALSE(shownOval->textStorage()->toPlainText().startsWith(QStringLiteral("Typed ")));
    EXPECT_EQ(drawnAlone(*shownOval, area), drawnAfresh(*shownOval, area));

    // The whole text made bigger from the Format menu, then undone.
    f.editText(ovalFrame.center());
    QTest::keyClick(f.canvas(), Qt::Key_A, Qt::ControlModifier);
    const double before = shownOval->textSize().value_or(QFont()).pointSizeF();
    f.triggerIn(QStringLiteral("Format"), QStringLiteral("Font"), QStringLiteral("Bigger"));
    f.click(QPointF(300, 250));
    ASSERT_GT(shownOval->textSize().value_or(QFont()).pointSizeF(), before);
    EXPECT_NE(drawnAlone(*shownOval, area), opened);
    EXPECT_EQ(drawnAlone(*shownOval, area), drawnAfresh(*shownOval, area));
    // The click that ended the editing is undone first, then the change of size.
    f.undo();
    ASSERT_EQ(f.canvas()->undoManager()->undoActionName(), QStringLiteral("Change Text Size"));
    f.undo();
    EXPECT_EQ(shownOval->textSize().value_or(QFont()).pointSizeF(), before);
    EXPECT_EQ(drawnAlone(*shownOval, area), drawnAfresh(*shownOval, area));

    // A wider frame sets the text along a longer oval; a move carries it along; both undone.
    f.click(ovalFrame.center());
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    f.dragFromTo(ovalFrame.bottomRight(), ovalFrame.bottomRight() + QPointF(40, 0));
    ASSERT_GT(shownOval->frameBounds().width(), ovalFrame.width() + 30);
    EXPECT_NE(drawnAlone(*shownOval, area), opened);
    EXPECT_EQ(drawnAlone(*shownOval, area), drawnAfresh(*shownOval, area));
    f.dragFromTo(ovalFrame.center(), ovalFrame.center() + QPointF(15, 20));
    EXPECT_EQ(drawnAlone(*shownOval, area), drawnAfresh(*shownOval, area));
    f.undo();
    f.undo();
    EXPECT_EQ(shownOval->frameBounds(), ovalFrame);
    EXPECT_EQ(drawnAlone(*shownOval, area), opened);
    // The canvas shows what the oval draws.
    f.click(QPointF(300, 250));
    const QImage ovalShown = shown(f, area);
    EXPECT_EQ(ovalShown, shownAfresh(f, area));
}

namespace {

// Every object of the canvas that does not share its text with another box, drawn by itself
// and drawn made anew from what it writes: the two must be the same pixels.
void expectEachObjectDrawsAsMadeAnew(apptest::WindowFixture &f, const QRectF &area, const char *when)
{
    for (const GraphicPtr &graphic : f.canvas()->getRects()) {
        if (graphic->textFlow() && graphic->textFlow()->containers().size() > 1)
            continue;
        EXPECT_EQ(drawnAlone(*graphic, area), drawnAfresh(*graphic, area))
            << when << ": the object at " << graphic->frameBounds().x() << ", " << graphic->frameBounds().y();
    }
}

} // namespace

// A design of many kinds of text (boxes showing their text, one empty, one overflowing, two
// linked, turned and mirrored ones, boxes too small for a line, text along an oval) repainted
// at two zooms through a resize, its Undo, a letter typed into the empty box and its Undo: the
// canvas shows what the same texts laid out afresh show, and each object what a copy of it
// made anew draws.
TEST(KeptDrawingWindow, ManyTextsRepaintAsLaidOutAfreshThroughEditUndoAndTyping)
{
    apptest::WindowFixture f(QStringLiteral("kept-many-texts"));
    GraphicList objects;
    auto box = [&](const QRectF &frame, const QString &text) {
        auto made = placed(f, ColorRect::create(frame));
        made->textStorage()->setPlainText(text);
        objects.append(made);
        return made;
    };
    const QRectF emptyFrame(10, 10, 60, 24);
    const QRectF overflowingFrame(80, 10, 60, 24);
    box(emptyFrame, QString());
    box(overflowingFrame, LongText);
    box(QRectF(150, 10, 90, 40), QStringLiteral("A box showing its text"));
    auto turned = box(QRectF(10, 50, 70, 30), QStringLiteral("Turned text"));
    turned->setAngle(25.0f, false);
    auto mirrored = box(QRectF(90, 50, 70, 30), QStringLiteral("Mirrored text"));
    mirrored->setFlipHor(true);
    auto first = box(QRectF(10, 95, 60, 24), LongText);
    auto second = box(QRectF(80, 95, 60, 24), QString());
    for (int i = 0; i < 12; ++i)
        box(QRectF(150 + (i % 6) * 1.8, 95 + (i / 6) * 1.8, 1.6, 1.6), QStringLiteral("Tiny %1").arg(i));
    auto oval = placed(f, ColorOval::create(QRectF(170, 60, 70, 60)));
    oval->textStorage()->setPlainText(QStringLiteral("Along the oval it runs"));
    objects.append(oval);
    QString written;
    openDesign(f, QStringLiteral("Kept Many Texts"), objects, {}, &written);
    // The pair linked on the canvas: the second box takes the first's text on.
    const GraphicPtr shownFirst = objectAt(f, first->frameBounds());
    const GraphicPtr shownSecond = objectAt(f, second->frameBounds());
    const GraphicPtr empty = objectAt(f, emptyFrame);
    const GraphicPtr overflowing = objectAt(f, overflowingFrame);
    ASSERT_TRUE(shownFirst && shownSecond && empty && overflowing);
    shownSecond->setTextLink(shownFirst.get(), true);
    ASSERT_EQ(shownSecond->textContainers().size(), 2);
    const QRectF area(0, 0, 250, 130);

    for (const QString &zoom : {QStringLiteral("100%"), QStringLiteral("200%")}) {
        SCOPED_TRACE(zoom.toStdString());
        chooseZoom(f, zoom);
        const QImage opened = shown(f, area);
        ASSERT_TRUE(overflowing->hasOverflow());
        ASSERT_GT(shownSecond->textCharacterRange().second, 0);
        EXPECT_EQ(opened, shownAfresh(f, area));
        expectEachObjectDrawsAsMadeAnew(f, area, "opened");

        // The overflowing box made taller shows more of its text; Undo puts every pixel back.
        f.click(overflowingFrame.center());
        ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
        f.dragFromTo(overflowingFrame.bottomRight(), overflowingFrame.bottomRight() + QPointF(0, 30));
        ASSERT_GT(overflowing->frameBounds().height(), overflowingFrame.height() + 20);
        const QImage taller = shown(f, area);
        EXPECT_NE(taller, opened);
        EXPECT_EQ(taller, shownAfresh(f, area));
        expectEachObjectDrawsAsMadeAnew(f, area, "made taller");
        f.undo();
        ASSERT_EQ(overflowing->frameBounds(), overflowingFrame);
        f.click(QPointF(245, 125));
        const QImage tallerUndone = shown(f, area);
        EXPECT_EQ(tallerUndone, opened);
        EXPECT_EQ(tallerUndone, shownAfresh(f, area));

        // A letter typed into the empty box shows; its Undo leaves the box empty again.
        f.editText(emptyFrame.center());
        QTest::keyClicks(f.canvas(), QStringLiteral("W"));
        f.click(QPointF(245, 125));
        ASSERT_EQ(empty->textStorage()->toPlainText(), QStringLiteral("W"));
        const QImage typed = shown(f, area);
        EXPECT_NE(typed, opened);
        EXPECT_EQ(typed, shownAfresh(f, area));
        expectEachObjectDrawsAsMadeAnew(f, area, "typed");
        while (!empty->textStorage()->isEmpty() && f.canvas()->undoManager()->canUndo())
            f.undo();
        ASSERT_TRUE(empty->textStorage()->isEmpty());
        f.click(QPointF(245, 125));
        const QImage typingUndone = shown(f, area);
        EXPECT_EQ(typingUndone, opened);
        EXPECT_EQ(typingUndone, shownAfresh(f, area));
        expectEachObjectDrawsAsMadeAnew(f, area, "typing undone");
    }
}
