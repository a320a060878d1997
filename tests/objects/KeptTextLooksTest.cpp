// What the screen keeps of texts: the blurred shadow of a text box's text and of shaped text's
// glyphs, the gradient shaped text takes through its glyphs, and the texts of thousands of ovals
// and text boxes laid out aside. Each shows what drawing it directly shows, follows the text when it changes,
// and is drawn again the same from what is kept.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

#include "objects/ColorOval.h"
#include "objects/ColorUtils.h"
#include "objects/FakeCanvas.h"
#include "objects/PictureWorker.h"
#include "platform/Shadow.h"

using namespace quillmark;

namespace {

// The object drawn at the canvas's zoom into an image, as the screen draws it or exactly.
QImage drawnText(ColorRect &object, bool screen)
{
    std::optional<ColorRect::ScreenDrawing> forScreen;
    if (screen)
        forScreen.emplace();
    QImage image(420, 320, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.55, 1.55);
    object.drawFrame(&painter, QRectF(), false);
    return image;
}

// The largest difference of a channel.
int channelsApart(const QImage &a, const QImage &b)
{
    int most = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            most = std::max({most, std::abs(qRed(pa[x]) - qRed(pb[x])), std::abs(qGreen(pa[x]) - qGreen(pb[x])),
                             std::abs(qBlue(pa[x]) - qBlue(pb[x]))});
    }
    return most;
}

void castTextShadow(ColorRect &object)
{
    object.setDrawsShadow(true);
    object.setShadowBlur(3);
    object.setShadowDistance(4);
}

} // namespace

TEST(KeptTextLooks, TextShadowsAndShapedGradientsKeptShowWhatTheyShowDrawnDirectly)
{
    qmtest::FakeCanvas canvas;
    canvas.objects = 10;
    // Frames whose corners fall on whole pixels at the zoom: a kept layer lands exactly there.
    auto box = ColorRect::create(QRectF(20, 20, 140, 60));
    box->setMainView(&canvas);
    box->textStorage()->setPlainText(QStringLiteral("A shadow kept of the box's text, on two lines"));
    castTextShadow(*box);
    auto shaped = ColorRect::create(QRectF(20, 100, 160, 60));
    shaped->setMainView(&canvas);
    shaped->textStorage()->setPlainText(QStringLiteral("Shaped"));
    shaped->setDrawsFill(true);
    shaped->setFillType(2);
    shaped->setFillColor(QColor(220, 120, 30));
    shaped->setFillColor2(QColor(30, 40, 120, 200));
    shaped->setFillAngle(30);
    castTextShadow(*shaped);
    shaped->setPowerText(true);

    for (ColorRect *object : {box.get(), shaped.get()}) {
        SCOPED_TRACE(object == box.get() ? "text box" : "shaped text");
        Shadow::forgetKeptLayers();
        forgetKeptGradients();
        const QImage exact = drawnText(*object, false);
        EXPECT_EQ(Shadow::keptLayerBytes(), 0) << "drawn exactly, nothing is kept";
        const QImage kept = drawnText(*object, true);
        EXPECT_GT(Shadow::keptLayerBytes(), 0) << "the screen keeps the shadow";
        EXPECT_LE(channelsApart(exact, kept), 8);
        // Drawn again from what is kept: the very same pixels, nothing more kept.
        const qint64 bytes = Shadow::keptLayerBytes();
        EXPECT_EQ(drawnText(*object, true), kept);
        EXPECT_EQ(Shadow::keptLayerBytes(), bytes);
        // Another text: the shadow and the gradient follow it.
        object->textStorage()->setPlainText(object->textStorage()->toPlainText() + QStringLiteral(" Wq"));
        const QImage changedExact = drawnText(*object, false);
        ASSERT_GT(channelsApart(changedExact, exact), 60) << "the text shows";
        EXPECT_LE(channelsApart(changedExact, drawnText(*object, true)), 8);
        // The same text in a box of another size.
        object->setFrameBounds(QRectF(20, object->frameBounds().y(), 180, 60));
        EXPECT_LE(channelsApart(drawnText(*object, false), drawnText(*object, true)), 8);
    }
}

// The point size of every character of the object's text.
void sizeText(ColorRect &object, double points)
{
    QTextCursor cursor(object.textStorage());
    cursor.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setFontPointSize(points);
    cursor.mergeCharFormat(format);
}

TEST(KeptTextLooks, TextsLeftAsideShowOnceLaidOutAsWhenLaidOutAtOnce)
{
    qmtest::FakeCanvas canvas;
    canvas.objects = ColorRect::ManyObjects + 1;
    struct Times
    {
        ~Times() { ColorRect::setLayoutTimesForTesting(-1, -1); }
    } usual;
    // An oval resized, an oval and a text box whose texts take another size: each made with
    // its text, and put in its first or its second state.
    struct Case
    {
        const char *name;
        std::function<std::shared_ptr<ColorRect>(const QString &)> make;
        std::function<void(ColorRect &, bool)> state;
    };
    auto oval = [](const QString &text) -> std::shared_ptr<ColorRect> {
        auto made = ColorOval::create(QRectF(20, 20, 160, 120));
        made->textStorage()->setPlainText(text);
        return made;
    };
    auto box = [](const QString &text) -> std::shared_ptr<ColorRect> {
        auto made = ColorRect::create(QRectF(20, 20, 200, 120));
        made->textStorage()->setPlainText(text);
        return made;
    };
    auto textSize = [](ColorRect &object, bool second) { sizeText(object, second ? 19.0 : 12.0); };
    const QList<Case> cases{
        {"oval resized", oval,
         [](ColorRect &object, bool second) {
             object.setFrameBounds(second ? QRectF(20, 20, 180, 130) : QRectF(20, 20, 160, 120));
         }},
        {"oval's text sized", oval, textSize},
        {"text box's text sized", box, textSize},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ColorRect::setLayoutTimesForTesting(std::numeric_limits<qint64>::max(), -1);
        const QString words = QStringLiteral("Along the oval, aside, and on");
        std::shared_ptr<ColorRect> object = c.make(words);
        object->setMainView(&canvas);
        castTextShadow(*object);
        c.state(*object, false);
        const QImage exact = drawnText(*object, false);

        // A repaint with no time left for texts draws the object without its text, and counts
        // a stand-in, so that pictures holding it are made again.
        c.state(*object, true);
        const QImage changedExact = drawnText(*object, false);
        ASSERT_GT(channelsApart(changedExact, exact), 60);
        c.state(*object, false);
        EXPECT_EQ(drawnText(*object, false), exact);
        ColorRect::setLayoutTimesForTesting(0, -1);
        c.state(*object, true);
        const quint64 standIns = ColorRect::ScreenDrawing::standInsDrawn();
        const QImage meanwhile = drawnText(*object, true);
        EXPECT_EQ(ColorRect::textsAside(), 1);
        EXPECT_GT(ColorRect::ScreenDrawing::standInsDrawn(), standIns);
        EXPECT_TRUE(PictureWorker::busy()) << "those waiting for pictures made aside wait for it";
        {
            std::shared_ptr<ColorRect> bare = c.make(QString());
            castTextShadow(*bare);
            c.state(*bare, true);
            EXPECT_LE(channelsApart(meanwhile, drawnText(*bare, false)), 8) << "no text is drawn meanwhile";
        }

        // Laid out aside: the canvas is asked to draw it again, and it shows as laid out at once.
        canvas.clearRecord();
        PictureWorker::waitUntilDone();
        EXPECT_EQ(ColorRect::textsAside(), 0);
        ASSERT_FALSE(canvas.invalidatedRects.isEmpty());
        EXPECT_TRUE(canvas.invalidatedRects.last().contains(object->frameBounds()));
        EXPECT_LE(channelsApart(drawnText(*object, true), changedExact), 8);

        // An object gone while its text waits is let go of.
        std::shared_ptr<ColorRect> gone = c.make(QStringLiteral("Gone"));
        gone->setMainView(&canvas);
        drawnText(*gone, true);
        EXPECT_EQ(ColorRect::textsAside(), 1);
        gone.reset();
        EXPECT_EQ(ColorRect::textsAside(), 0);
        PictureWorker::waitUntilDone();

        // Off the screen every text is laid out as drawn.
        c.state(*object, false);
        EXPECT_EQ(drawnText(*object, false), exact);
        EXPECT_EQ(ColorRect::textsAside(), 0);
    }
}
