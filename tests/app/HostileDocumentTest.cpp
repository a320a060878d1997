// A document with an object of absurd size opens and is worked on without the program
// failing: its frame is bounded when read and the canvas's redraw areas stay in range.
#include <gtest/gtest.h>

#include <QFileInfo>

#include <cmath>
#include <limits>

#include "app/AppTestSupport.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

TEST(HostileDocument, AnObjectOfAbsurdSizeOpensBoundedAndCanBeWorkedOn)
{
    apptest::WindowFixture f(QStringLiteral("hostile-document"));
    f.tool(RectsView::OvalTool)->trigger();
    f.dragFromTo(QPointF(10, 10), QPointF(60, 40));
    const QString path = qmtest::freshDir(QStringLiteral("hostile-document-files")) + QStringLiteral("/Huge.qkdoc");
    f.prompts->queuePath(path);
    f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
    apptest::settle();

    for (const QString &bounds : {QStringLiteral("{{10, 10}, {1e308, 40}}"), QStringLiteral("{{-1e308, 1e308}, {5, 5}}"),
                                  QStringLiteral("{{10, 10}, {nan, 40}}")}) {
        QVariantMap document = PropertyList::readFile(path).toMap();
        QVariantList objects = document.value(QStringLiteral("ObjectsList")).toList();
        ASSERT_EQ(objects.size(), 1);
        QVariantMap oval = objects.first().toMap();
        oval.insert(QStringLiteral("Bounds"), bounds);
        objects[0] = oval;
        document.insert(QStringLiteral("ObjectsList"), objects);
        const QString hostile = QFileInfo(path).path() + QStringLiteral("/Hostile.qkdoc");
        ASSERT_TRUE(PropertyList::writeFile(hostile, document, PlistFormat::Binary));

        f.prompts->clear();
        f.prompts->queueAlert(Prompts::SecondButton);
        f.prompts->queuePath(hostile);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
        apptest::settle();
        ASSERT_EQ(f.canvas()->getRects().size(), 1) << bounds.toStdString();
        const QRectF frame = f.canvas()->getRects().first()->frameBounds();
        EXPECT_TRUE(std::isfinite(frame.width()) && frame.width() <= 1.0e6) << bounds.toStdString();

        // Worked on as any design: selected, moved, zoomed, drawn.
        f.menuItem(QStringLiteral("Edit"), QStringLiteral("Select All"))->trigger();
        f.canvas()->moveSelectedGraphicsByPoint(QPointF(3, 3));
        f.canvas()->zoomMenuSelect(5);
        f.canvas()->grab();
        f.click(QPointF(30, 30));
        f.canvas()->zoomMenuSelect(7);
    }
}

TEST(HostileDocument, RedrawAreasOfAnySizeAreTaken)
{
    apptest::WindowFixture f(QStringLiteral("hostile-redraw"));
    const double huge = 1e308;
    const double inf = std::numeric_limits<double>::infinity();
    for (const QRectF &area : {QRectF(0, 0, huge, 40), QRectF(-huge, -huge, huge, huge), QRectF(0, 0, inf, 1),
                               QRectF(std::nan(""), 0, 10, 10), QRectF(5, 5, 0, 0)})
        f.canvas()->invalidateRect(area);
    f.canvas()->zoomMenuSelect(5);
    f.canvas()->invalidateRect(QRectF(0, 0, huge, huge));
    apptest::settle();
    SUCCEED();
}

} // namespace
