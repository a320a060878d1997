// The last-used style in the real window: what a new rectangle takes is what the object the
// style was typed for accepted, held to the new rectangle's own limits, also after File > New;
// the saved document, read by plistutil, holds strokes and shadows within the model's bounds.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "app/AppTestSupport.h"
#include "inspector/InspectorFixture.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "objects/ObjectInfo.h"

using namespace quillmark;

namespace {

class LastUsedStyleWindow : public ::testing::Test
{
protected:
    LastUsedStyleWindow()
    {
        // The style of an earlier test of this run must not reach these rectangles.
        ObjectInfo::changedValues().clear();
        for (PropertiesTabButton *b : f.window->propertiesView()->buttons())
            if (b->text() == QLatin1String("Style"))
                QTest::mouseClick(b, Qt::LeftButton);
        apptest::settle();
    }
    ~LastUsedStyleWindow() override { ObjectInfo::changedValues().clear(); }

    StylePage *page() const { return f.window->objectInfo()->stylePage(); }
    GraphicPtr last() const { return f.canvas()->getRects().last(); }

    // Saves under a new name and reads one key of every object back with plistutil.
    QList<double> savedValues(const QString &name, const QString &key)
    {
        const QString path = qmtest::freshDir(name) + QStringLiteral("/Design.qkdoc");
        f.prompts->queuePath(path);
        f.menuItem(QStringLiteral("File"), QStringLiteral("Save"))->trigger();
        apptest::settle();
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
        EXPECT_FALSE(tool.isEmpty());
        QProcess process;
        process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
        EXPECT_TRUE(process.waitForFinished(60000));
        const QString xml = QString::fromUtf8(process.readAllStandardOutput());
        const QRegularExpression entry(QStringLiteral("<key>%1</key>\\s*<(?:string|real|integer)>([^<]*)<").arg(key));
        QList<double> values;
        for (auto it = entry.globalMatch(xml); it.hasNext();)
            values << it.next().captured(1).toDouble();
        return values;
    }

    apptest::WindowFixture f{QStringLiteral("last-used-style")};
};

TEST_F(LastUsedStyleWindow, AHugeLineWidthGoesOnAsWhatTheRectangleTook)
{
    // 29 points high: the rectangle takes a stroke of at most 14.5 points.
    f.drawRect(QRectF(20, 10, 60, 29));
    inspectortest::click(page()->bBorder);
    apptest::settle();
    ASSERT_TRUE(page()->tvLineWidth->isEnabled());
    inspectortest::type(page()->tvLineWidth, QStringLiteral("1e9"));
    apptest::settle();
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 14.5f);
    EXPECT_EQ(page()->tvLineWidth->text(), QStringLiteral("14.5 pt"));

    // The next rectangle takes the 14.5 points, not the billion.
    f.click(QPointF(300, 200));
    f.drawRect(QRectF(100, 60, 100, 80));
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 14.5f);
    const QList<double> saved = savedValues(QStringLiteral("style-saved-1"), QStringLiteral("StrokeLineWidth"));
    ASSERT_EQ(saved.size(), 2);
    EXPECT_DOUBLE_EQ(saved[0], 14.5);
    EXPECT_DOUBLE_EQ(saved[1], 14.5);

    // After File > New a thin rectangle holds it to half its height.
    f.menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
    apptest::settle();
    ASSERT_TRUE(f.canvas()->getRects().isEmpty());
    f.drawRect(QRectF(20, 20, 40, 10));
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 5.0f);

    // Typed with nothing selected, the width waits for the next rectangle, held to its limit.
    f.click(QPointF(300, 200));
    ASSERT_TRUE(f.canvas()->selectedObjects().isEmpty());
    inspectortest::type(page()->tvLineWidth, QStringLiteral("1e9"));
    apptest::settle();
    f.drawRect(QRectF(100, 60, 60, 30));
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 15.0f);
    for (double width : savedValues(QStringLiteral("style-saved-2"), QStringLiteral("StrokeLineWidth")))
        EXPECT_LE(width, 15.0);

    // A negative width is no width; the next rectangle takes none either.
    inspectortest::type(page()->tvLineWidth, QStringLiteral("-5"));
    apptest::settle();
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 0.0f);
    f.click(QPointF(300, 200));
    f.drawRect(QRectF(20, 60, 60, 30));
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 0.0f);
}

TEST_F(LastUsedStyleWindow, AHugeShadowDistanceGoesOnWithinTheShadowsBound)
{
    f.drawRect(QRectF(20, 10, 60, 30));
    inspectortest::click(page()->bShadow);
    apptest::settle();
    ASSERT_TRUE(last()->drawsShadow());
    ASSERT_TRUE(page()->tvShadowDistance->isEnabled());
    // Further than the label is long, a shadow falls off it: refused, with the reason.
    const QRectF label = f.canvas()->labelBounds();
    const double side = std::floor(std::max(label.width(), label.height()));
    inspectortest::type(page()->tvShadowDistance, QStringLiteral("1e9"));
    apptest::settle();
    EXPECT_FALSE(page()->tvShadowDistance->refusal().isEmpty());
    EXPECT_DOUBLE_EQ(last()->shadowDistance(), 10.0);
    inspectortest::type(page()->tvShadowDistance, QString::number(side));
    apptest::settle();
    EXPECT_DOUBLE_EQ(last()->shadowDistance(), side);

    f.click(QPointF(300, 200));
    f.drawRect(QRectF(100, 60, 60, 30));
    EXPECT_TRUE(last()->drawsShadow());
    EXPECT_DOUBLE_EQ(last()->shadowDistance(), side);
    for (double distance : savedValues(QStringLiteral("shadow-saved"), QStringLiteral("ShadowDistance")))
        EXPECT_LE(distance, side);

    // A style stored by hand beyond every bound (as a damaged value would be) is held to the
    // setters' limits when a rectangle takes it.
    ObjectInfo::changedValues().insert(ObjectInfo::shadowDistanceKey, -1e12);
    ObjectInfo::changedValues().insert(ObjectInfo::shadowBlurKey, 1e9);
    ObjectInfo::changedValues().insert(ObjectInfo::lineWidthKey, std::numeric_limits<float>::quiet_NaN());
    f.click(QPointF(300, 200));
    f.drawRect(QRectF(20, 60, 60, 30));
    EXPECT_DOUBLE_EQ(last()->shadowDistance(), -ColorRect::maxShadowDistance);
    EXPECT_EQ(last()->shadowBlur(), ColorRect::maxShadowBlur);
    EXPECT_FLOAT_EQ(last()->strokeLineWidth(), 1.0f) << "not a number leaves the object's own width";
}

} // namespace
