// Point editing of a path of 20,000 elements (ten times past the point where a path is kept as
// pictures; the bench takes 200,000) in the window: a drag of each kind of point (the
// opening move with the closing curve that ends on it, a line's point, both control points and
// the end of a curve) saves the path it made, and its Undo saves the path of before to the byte,
// as plistutil reads the designs back; Redo saves the dragged one again.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QFile>
#include <QRandomGenerator>

#include <cmath>

#include "app/AppTestSupport.h"
#include "common/PlistutilReader.h"
#include "objects/ColorPath.h"
#include "objects/PictureWorker.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

constexpr int Elements = 20000;

// Opening move, a line, a curve and a line to the far corner apart from the rest, many lines and curves at random, and a
// closing curve back onto the move's point: each point of the first elements lies alone.
BezierPath largeOutline()
{
    QRandomGenerator random(61);
    BezierPath outline;
    outline.moveTo(QPointF(10, 20));
    outline.lineTo(QPointF(10, 60));
    outline.curveTo(QPointF(50, 60), QPointF(20, 80), QPointF(40, 80));
    outline.lineTo(QPointF(185, 66));
    auto somewhere = [&random] { return QPointF(60 + random.bounded(110.0), 5 + random.bounded(40.0)); };
    while (outline.elementCount() < Elements - 2) {
        if (outline.elementCount() % 2)
            outline.lineTo(somewhere());
        else
            outline.curveTo(somewhere(), somewhere(), somewhere());
    }
    outline.curveTo(QPointF(10, 20), QPointF(40, 12), QPointF(25, 12));
    outline.closePath();
    return outline;
}

// The stored "Path" and "Bounds" of the path object of a saved design, as plistutil reads it.
struct SavedPath
{
    QByteArray path;
    QString bounds;
};

void findPath(const QVariant &value, SavedPath &found)
{
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        if (map.value(QStringLiteral("Class")).toString() == QLatin1String("ColorPath")) {
            found.path = map.value(QStringLiteral("Path")).toByteArray();
            found.bounds = map.value(QStringLiteral("Bounds")).toString();
            return;
        }
        for (const QVariant &inner : map)
            findPath(inner, found);
    } else if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant &inner : value.toList())
            findPath(inner, found);
    }
}

SavedPath savedPath(const QString &file)
{
    QFile in(file);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly)) << file.toStdString();
    SavedPath found;
    findPath(qmtest::readWithPlistutil(in.readAll(), QStringLiteral("point-edit-read")), found);
    EXPECT_FALSE(found.path.isEmpty());
    return found;
}

// The elements of a stored path (each its type, then x and y of its points), as plistutil
// reads its archive.
QVariantList storedElements(const QByteArray &path)
{
    const QVariantList elements = qmtest::readWithPlistutil(path, QStringLiteral("point-edit-archive"))
                                      .toMap()
                                      .value(QStringLiteral("Elements"))
                                      .toList();
    EXPECT_EQ(elements.size(), Elements);
    return elements;
}

// Whether element `element` of them has point `point` at `at`.
bool pointIsAt(const QVariantList &elements, int element, int point, const QPointF &at)
{
    if (element >= elements.size())
        return false;
    const QVariantList numbers = elements[element].toList();
    if (numbers.size() < 3 + 2 * point)
        return false;
    return std::abs(numbers[1 + 2 * point].toDouble() - at.x()) < 1e-6
           && std::abs(numbers[2 + 2 * point].toDouble() - at.y()) < 1e-6;
}

// What the window's store holds of the canvas as it is (what the screen shows).
QImage shown(RectsView *canvas)
{
    QBackingStore *store = canvas->window()->backingStore();
    auto *image = store ? dynamic_cast<QImage *>(store->paintDevice()) : nullptr;
    EXPECT_NE(image, nullptr);
    if (!image)
        return {};
    const qreal ratio = image->devicePixelRatio();
    QImage part = image->copy(QRect(canvas->mapTo(canvas->window(), QPoint(0, 0)) * ratio, canvas->size() * ratio));
    part.setDevicePixelRatio(ratio);
    return part;
}

// The colour the window shows at a page point of the canvas, drawn now on the screen once the
// pictures made aside for it have arrived.
QColor shownAt(RectsView *canvas, const QPointF &page)
{
    PictureWorker::waitUntilDone();
    apptest::settle();
    canvas->repaint();
    const QImage image = shown(canvas);
    const QPointF at = canvas->pageToWidget().map(page) * image.devicePixelRatio();
    return image.pixelColor(int(std::floor(at.x())), int(std::floor(at.y())));
}

} // namespace

TEST(PointEditWindow, EachKindOfPointDraggedOnALargePathUndoesToTheSamePathAndRedoes)
{
    apptest::WindowFixture f(QStringLiteral("point-edit-window"));
    RectsView *canvas = f.canvas();
    {
        auto path = ColorPath::create();
        path->setBezierPath(largeOutline());
        path->setPageName(canvas->getCurrPageName());
        path->setObjectLayer(1);
        const QString file = qmtest::freshDir(QStringLiteral("point-edit-design")) + QStringLiteral("/Path.qkdoc");
        ASSERT_TRUE(PropertyList::writeFile(file, canvas->drawDocumentDictionaryForGraphics({path}), PlistFormat::Binary));
        f.prompts->queuePath(file);
    }
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(canvas->getRects().size(), 1);
    auto *path = dynamic_cast<ColorPath *>(canvas->getRects().first().get());
    ASSERT_NE(path, nullptr);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.editText(QPointF(10, 20));
    ASSERT_TRUE(path->bezierEdit());

    int saves = 0;
    QString lastSaved;
    auto save = [&] {
        const QString dir = qmtest::freshDir(QStringLiteral("point-edit-save-%1").arg(++saves));
        f.prompts->queueSaveOfType(dir + QStringLiteral("/Design"), 0);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        lastSaved = dir + QStringLiteral("/Design.qkdoc");
        return savedPath(lastSaved);
    };
    const SavedPath before = save();
    const BezierPath fitted = path->bezierPath();
    auto pointOf = [&](int element, int point) {
        QPointF pts[3];
        fitted.elementAt(element, pts);
        return pts[point];
    };
    // The marks of the points show on the screen: the pressed point red, the other end points
    // black, the control points blue.
    f.mouse(QEvent::MouseButtonPress, pointOf(1, 0));
    f.mouse(QEvent::MouseButtonRelease, pointOf(1, 0));
    apptest::settle();
    ASSERT_EQ(path->selectedPoint(), (BezierPoint{1, 0}));
    EXPECT_EQ(shownAt(canvas, pointOf(1, 0)), QColor(Qt::red));
    EXPECT_EQ(shownAt(canvas, pointOf(0, 0)), QColor(Qt::black));
    EXPECT_EQ(shownAt(canvas, pointOf(2, 0)), QColor(Qt::blue));
    EXPECT_EQ(shownAt(canvas, pointOf(2, 2)), QColor(Qt::black));
    // Far from the pressed point too, where the window's place of the canvas puts it.
    EXPECT_EQ(shownAt(canvas, pointOf(3, 0)), QColor(Qt::black));
    EXPECT_EQ(save().path, before.path);
    const QPointF step(3, 2);
    const struct
    {
        BezierPoint point;
        const char *name;
    } kinds[] = {{{0, 0}, "opening move"},
                 {{1, 0}, "line"},
                 {{2, 0}, "first control point"},
                 {{2, 1}, "second control point"},
                 {{2, 2}, "curve's end"}};
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.name);
        const QPointF at = pointOf(kind.point.element, kind.point.point);
        f.mouse(QEvent::MouseButtonPress, at);
        ASSERT_EQ(path->selectedPoint(), kind.point);
        PictureWorker::waitUntilDone();
        apptest::settle();
        for (int i = 1; i <= 3; ++i) {
            f.mouse(QEvent::MouseMove, at + i * step);
            // The pictures the step asked for arrive first (on a loaded machine one may be made
            // after the window has settled, and the whole canvas drawn next would take it).
            PictureWorker::waitUntilDone();
            apptest::settle();
            // Each step redrew all it changed: the canvas drawn whole shows the same.
            const QImage redrawn = shown(canvas);
            canvas->repaint();
            EXPECT_EQ(redrawn, shown(canvas)) << "step " << i;
        }
        f.mouse(QEvent::MouseButtonRelease, at + 3 * step);
        apptest::settle();
        const SavedPath dragged = save();
        EXPECT_NE(dragged.path, before.path);
        // The point is where it was dropped; the closing curve ended on the move and followed it.
        const QVariantList elements = storedElements(dragged.path);
        EXPECT_TRUE(pointIsAt(elements, kind.point.element, kind.point.point, at + 3 * step));
        if (kind.point.element == 0) {
            EXPECT_TRUE(pointIsAt(elements, Elements - 2, 2, at + 3 * step));
        }

        f.undo();
        const SavedPath undone = save();
        EXPECT_EQ(undone.path, before.path);
        EXPECT_EQ(undone.bounds, before.bounds);
        if (kind.point.element == 0) {
            f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
            apptest::settle();
            const SavedPath redone = save();
            EXPECT_EQ(redone.path, dragged.path);
            EXPECT_EQ(redone.bounds, dragged.bounds);
            f.undo();
        }
    }
    EXPECT_TRUE(path->bezierEdit());

    // A drag left in place, saved and opened again: the opened path is the edited one, point for
    // point, and saves the same bytes.
    const QPointF start = pointOf(2, 2);
    f.mouse(QEvent::MouseButtonPress, start);
    f.mouse(QEvent::MouseMove, start + step);
    f.mouse(QEvent::MouseButtonRelease, start + step);
    apptest::settle();
    const BezierPath edited = path->bezierPath();
    const QRectF editedFrame = path->frameBounds();
    const SavedPath kept = save();
    f.prompts->queuePath(lastSaved);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(canvas->getRects().size(), 1);
    auto *opened = dynamic_cast<ColorPath *>(canvas->getRects().first().get());
    ASSERT_NE(opened, nullptr);
    EXPECT_FALSE(opened->bezierEdit());
    const BezierPath reopened = opened->bezierPath();
    ASSERT_EQ(reopened.elementCount(), edited.elementCount());
    int apart = 0;
    for (int i = 0; i < edited.elementCount(); ++i) {
        QPointF a[3], b[3];
        const BezierPath::ElementType type = edited.elementAt(i, a);
        if (reopened.elementAt(i, b) != type) {
            ++apart;
            continue;
        }
        for (int n = 0; n < BezierPath::pointCount(type); ++n)
            if (std::abs(a[n].x() - b[n].x()) > 1e-9 || std::abs(a[n].y() - b[n].y()) > 1e-9)
                ++apart;
    }
    EXPECT_EQ(apart, 0);
    EXPECT_EQ(save().path, kept.path);
    // The frame of point editing is wider by the marks' room than the one stored.
    EXPECT_TRUE(editedFrame.contains(opened->frameBounds()));
}
