// A document with an object of absurd size opens and is worked on without the program
// failing: its frame is bounded when read and the canvas's redraw areas stay in range.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>
#include <limits>

#include "app/AppTestSupport.h"
#include "objects/BezierPathArchive.h"
#include "objects/ColorPath.h"
#include "platform/BezierPath.h"
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

// A property list as libplist's plistutil writes it in XML; empty when it cannot.
QString plistutilXml(const QString &path)
{
    QProcess tool;
    tool.start(QStringLiteral("plistutil"), {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// Every number of the XML that is not a finite number ("inf", "nan", "+infinity", ...).
QStringList nonFiniteReals(const QString &xml)
{
    QStringList found;
    static const QRegularExpression real(QStringLiteral("<real>([^<]*)</real>"));
    for (auto it = real.globalMatch(xml); it.hasNext();) {
        const QString text = it.next().captured(1).trimmed();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            found.append(text);
    }
    return found;
}

TEST(HostileDocument, APathOfAbsurdOrNonFinitePointsOpensSavesFiniteAndReopensTheSame)
{
    if (QStandardPaths::findExecutable(QStringLiteral("plistutil")).isEmpty())
        FAIL() << "plistutil is missing: scripts/setup-deps installs libplist-utils";
    apptest::WindowFixture f(QStringLiteral("hostile-path"));
    const QString dir = qmtest::freshDir(QStringLiteral("hostile-path-files"));
    const double inf = std::numeric_limits<double>::infinity();
    const QList<QList<QPointF>> outlines = {
        {QPointF(0, 0), QPointF(1e308, 5), QPointF(-1e308, 1e308), QPointF(40, -1e308)},
        {QPointF(10, 10), QPointF(inf, 20), QPointF(30, -inf), QPointF(std::nan(""), 5)},
        {QPointF(-1e308, -1e308), QPointF(1e308, 1e308), QPointF(20, 30)},
    };
    for (const QList<QPointF> &points : outlines) {
        BezierPath outline;
        outline.moveTo(points.first());
        for (int i = 1; i < points.size(); ++i)
            outline.lineTo(points[i]);
        outline.curveTo(points.first(), points[1], points.last());
        outline.closePath();
        auto path = ColorPath::create(QRectF(10, 10, 50, 40));
        path->setPageName(f.canvas()->getCurrPageName());
        QVariantMap document = f.canvas()->drawDocumentDictionaryForGraphics({path});
        QVariantMap object = document.value(QStringLiteral("ObjectsList")).toList().first().toMap();
        object.insert(QStringLiteral("Path"), BezierPathArchive::archive(outline));
        document.insert(QStringLiteral("ObjectsList"), QVariantList{object});
        const QString hostile = dir + QStringLiteral("/Hostile.qkdoc");
        ASSERT_TRUE(PropertyList::writeFile(hostile, document, PlistFormat::Binary));

        f.prompts->clear();
        f.prompts->queuePath(hostile);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
        apptest::settle();
        ASSERT_EQ(f.canvas()->getRects().size(), 1);
        const QRectF frame = f.canvas()->getRects().first()->frameBounds();
        EXPECT_TRUE(std::isfinite(frame.x()) && std::isfinite(frame.width()) && frame.width() <= ColorRect::maxCoordinate);
        f.canvas()->grab();

        // Saved: neither the document nor the outline archived in it holds a number that is
        // not finite, as libplist reads them.
        const QString saved = dir + QStringLiteral("/Saved.qkdoc");
        f.prompts->queueSaveOfType(saved, 0);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Save As..."))->trigger();
        apptest::settle();
        const QString documentXml = plistutilXml(saved);
        ASSERT_FALSE(documentXml.isEmpty());
        EXPECT_TRUE(nonFiniteReals(documentXml).isEmpty()) << nonFiniteReals(documentXml).join(u' ').toStdString();
        const QVariantMap savedObject =
            PropertyList::readFile(saved).toMap().value(QStringLiteral("ObjectsList")).toList().first().toMap();
        const QByteArray savedPath = savedObject.value(QStringLiteral("Path")).toByteArray();
        QFile archived(dir + QStringLiteral("/Path.plist"));
        ASSERT_TRUE(archived.open(QIODevice::WriteOnly));
        archived.write(savedPath);
        archived.close();
        const QString pathXml = plistutilXml(archived.fileName());
        ASSERT_TRUE(pathXml.contains(QStringLiteral("<real>")));
        EXPECT_TRUE(nonFiniteReals(pathXml).isEmpty()) << nonFiniteReals(pathXml).join(u' ').toStdString();

        // Reopened, it is the outline and frame that were saved, and saved again the same.
        f.prompts->queuePath(saved);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
        apptest::settle();
        ASSERT_EQ(f.canvas()->getRects().size(), 1);
        EXPECT_EQ(f.canvas()->getRects().first()->frameBounds(), frame);
        const QString again = dir + QStringLiteral("/Again.qkdoc");
        f.prompts->queueSaveOfType(again, 0);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Save As..."))->trigger();
        apptest::settle();
        const QVariantMap againObject =
            PropertyList::readFile(again).toMap().value(QStringLiteral("ObjectsList")).toList().first().toMap();
        EXPECT_EQ(againObject.value(QStringLiteral("Path")).toByteArray(), savedPath);
        EXPECT_EQ(againObject.value(QStringLiteral("Bounds")), savedObject.value(QStringLiteral("Bounds")));
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
