// A barcode is encoded and laid out once and painted from what it keeps: every symbology the
// menus offer, with and without its text, with bad data, turned, at two zooms, into bitmaps and
// onto the screen, shows pixel for pixel what drawing it directly shows, also laid out only when
// painted on a thread of its own (as the screen's pictures are), after a move and
// after its record, font or colour changed; and a kept drawing printed to PDF still reads as its
// data.
#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QProcess>

#include <map>
#include <thread>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/ColorBarcodeTestSupport.h"
#include "barcodes/SymbologyMenu.h"
#include "common/TestSupport.h"
#include "objects/KeptPicture.h"

using namespace quillmark;

namespace {

using bctest::sampleData;

TBarInfo record(int type, const std::string &data, bool text)
{
    TBarInfo info;
    info.type = int16_t(type);
    info.BarStr = data;
    info.HRT = text ? 1 : 0;
    return info;
}

// The painter of a bitmap at the zoom, turned about the frame's centre by the angle.
template <typename Draw>
QImage painted(const QRectF &frame, double zoom, double angle, Draw draw)
{
    const QRectF area = frame.adjusted(-60, -60, 60, 60);
    QImage image(int(area.width() * zoom), int(area.height() * zoom), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(zoom, zoom);
    painter.translate(-area.topLeft());
    painter.translate(frame.center());
    painter.rotate(angle);
    painter.translate(-frame.center());
    draw(&painter);
    painter.end();
    return image;
}

std::shared_ptr<ColorBarcode> barcodeOf(const TBarInfo &info, const QPointF &at, const QSizeF &squareSide)
{
    auto barcode = ColorBarcode::create();
    barcode->setBarInfo(info);
    barcode->setFont(info.font);
    barcode->setFrameBounds(QRectF(at, squareSide));
    barcode->updateframeSize();
    barcode->setDrawBarcode(true);
    return barcode;
}

// The barcode as a window draws it (a pixmap: no snapping to a bitmap's pixels) and as an
// exported bitmap draws it.
QImage onScreen(ColorBarcode &barcode, const QRectF &area, double zoom)
{
    QPixmap pixmap(int(area.width() * zoom), int(area.height() * zoom));
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(zoom, zoom);
    painter.translate(-area.topLeft());
    barcode.drawFrame(&painter, barcode.frameBounds(), false);
    painter.end();
    return pixmap.toImage();
}

QImage inBitmap(ColorBarcode &barcode, const QRectF &area, double zoom)
{
    return bctest::renderArea(area, zoom, [&](QPainter *p) { barcode.drawFrame(p, barcode.frameBounds(), false); });
}

} // namespace

TEST(KeptBarcodeDrawing, EverySymbologyPaintsWhatTheDirectDrawingPaints)
{
    const QList<SymbologyItem> &items = symbologyItems();
    ASSERT_GE(items.size(), 14);
    int compared = 0;
    for (const SymbologyItem &item : items) {
        const auto found = sampleData().find(item.type);
        ASSERT_NE(found, sampleData().end()) << "no sample data for " << item.name.toStdString();
        const bool square = ColorBarcode::isSquareType(item.type);
        for (const std::string &data : {found->second, std::string("bad data \xC3\xA9")}) {
            for (bool text : {true, false}) {
                const TBarInfo info = record(item.type, data, text);
                const QRectF frame(30.4, 47.7, square ? 90 : 0, square ? 90 : 0);
                const BarcodeDrawing kept = BarcodeRenderer::layOutBarcode(frame, info);
                // The same drawing moved by whole points lands where a drawing made there lands.
                BarcodeDrawing moved = kept;
                const QRectF there = frame.translated(113, 71);
                ASSERT_TRUE(moved.matches(there, info, {}));
                ASSERT_TRUE(moved.moveTo(there));
                // Laid out only where it is painted, on a thread of its own as the screen's
                // pictures are, after the same move.
                BarcodeDrawing deferred = BarcodeRenderer::deferredBarcode(frame, info);
                ASSERT_TRUE(deferred.matches(there, info, {}));
                ASSERT_TRUE(deferred.moveTo(there));
                for (double zoom : {1.0, 2.5}) {
                    for (double angle : {0.0, 33.0}) {
                        const std::string what = item.name.toStdString() + " '" + data + "' text " + std::to_string(text)
                                                 + " zoom " + std::to_string(zoom) + " angle " + std::to_string(angle);
                        const QImage direct = painted(frame, zoom, angle, [&](QPainter *p) {
                            BarcodeRenderer::drawBarcode(p, frame, info);
                        });
                        EXPECT_EQ(painted(frame, zoom, angle, [&](QPainter *p) { kept.paint(p); }), direct) << what;
                        const QImage directThere = painted(there, zoom, angle, [&](QPainter *p) {
                            BarcodeRenderer::drawBarcode(p, there, info);
                        });
                        EXPECT_EQ(painted(there, zoom, angle, [&](QPainter *p) { moved.paint(p); }), directThere)
                            << what << " moved";
                        QImage aside;
                        std::thread([&] {
                            aside = painted(there, zoom, angle, [&](QPainter *p) { deferred.paint(p); });
                        }).join();
                        EXPECT_EQ(aside, directThere) << what << " laid out aside";
                        ++compared;
                    }
                }
                EXPECT_EQ(kept.drawnInfo().BarRect, BarcodeRenderer::drawBarcode(nullptr, frame, info).BarRect);
                EXPECT_EQ(moved.drawnInfo().pt, BarcodeRenderer::drawBarcode(nullptr, there, info).pt);
                EXPECT_EQ(deferred.drawnInfo().pt, moved.drawnInfo().pt);
                deferred.layOut();
                EXPECT_FALSE(deferred.isDeferred());
                EXPECT_EQ(deferred.drawnInfo().BarRect, moved.drawnInfo().BarRect);
            }
        }
    }
    EXPECT_EQ(compared, items.size() * 2 * 2 * 4);

    // A drawing is of its record, style and size alone, and moves only where moving it shows
    // the same symbol: by part of a point, or off the page's positive quarter, it is made anew.
    const TBarInfo info = record(BarcodeType::Code128B, "ABC", true);
    const QRectF frame(10, 10, 0, 0);
    BarcodeDrawing kept = BarcodeRenderer::layOutBarcode(frame, info);
    EXPECT_TRUE(kept.matches(frame, info, {}));
    TBarInfo other = info;
    other.BarStr = "ABD";
    EXPECT_FALSE(kept.matches(frame, other, {}));
    other = info;
    other.font.setPointSizeF(info.font.pointSizeF() + 1);
    EXPECT_FALSE(kept.matches(frame, other, {}));
    other = info;
    other.barW += 1;
    EXPECT_FALSE(kept.matches(frame, other, {}));
    BarcodeDrawStyle red;
    red.color = Qt::red;
    EXPECT_FALSE(kept.matches(frame, info, red));
    EXPECT_TRUE(kept.matches(frame.translated(0.5, 0), info, {})) << "the same whole point";
    EXPECT_FALSE(kept.matches(frame.translated(-20, 0), info, {}));
    EXPECT_FALSE(kept.moveTo(frame.translated(-20, 0)));
}

TEST(KeptBarcodeDrawing, ABarcodeShowsWhatOneMadeAfreshShowsAfterEachChange)
{
    for (const SymbologyItem &item : symbologyItems()) {
        const std::string data = sampleData().at(item.type);
        const bool square = ColorBarcode::isSquareType(item.type);
        const QSizeF side = square ? QSizeF(80, 80) : QSizeF();
        auto barcode = barcodeOf(record(item.type, data, true), QPointF(40, 50), side);
        barcode->setAngle(item.type % 2 ? 0.0f : 21.0f, false);
        const QRectF area(0, 0, 420, 260);
        auto check = [&](const char *step) {
            auto fresh = barcodeOf(barcode->getBarInfo(), barcode->frameBounds().topLeft(), barcode->frameBounds().size());
            fresh->setAngle(barcode->angle(), false);
            fresh->setStrokeColor(barcode->strokeColor());
            for (double zoom : {1.0, 2.0}) {
                const QImage screen = onScreen(*barcode, area, zoom);
                EXPECT_EQ(screen, onScreen(*fresh, area, zoom)) << item.name.toStdString() << " " << step;
                EXPECT_EQ(inBitmap(*barcode, area, zoom), inBitmap(*fresh, area, zoom))
                    << item.name.toStdString() << " " << step;
                // Painted again from what it keeps: no change.
                EXPECT_EQ(onScreen(*barcode, area, zoom), screen);
            }
        };
        check("made");
        barcode->moveBy(QPointF(37, 23));
        check("moved");
        TBarInfo info = barcode->getBarInfo();
        info.BarStr = item.type == BarcodeType::Code128C ? "99887766" : data.substr(0, data.size() - 1) + "7";
        barcode->setBarInfo(info);
        check("data changed");
        info.HRT = 0;
        barcode->setBarInfo(info);
        check("text hidden");
        barcode->setFont(QFont(barcode->getFont().family(), 14));
        check("font changed");
        barcode->setStrokeColor(QColor(20, 90, 200));
        check("colour changed");
    }
}

TEST(KeptBarcodeDrawing, APrintedKeptDrawingReadsAsItsData)
{
    auto barcode = barcodeOf(record(BarcodeType::Code128B, "PRINTED-KEPT", true), QPointF(60, 60), {});
    // Drawn on the screen first, so that the printer gets what was kept.
    onScreen(*barcode, QRectF(0, 0, 300, 200), 1.0);
    barcode->moveBy(QPointF(20, 10));
    onScreen(*barcode, QRectF(0, 0, 300, 200), 1.0);
    const QString pdf = qmtest::freshDir("kept-barcode-pdf") + QStringLiteral("/kept.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(72);
        QPainter painter(&writer);
        barcode->drawFrame(&painter, barcode->frameBounds(), false);
    }
    QProcess render;
    const QString prefix = qmtest::freshDir("kept-barcode-pdf") + QStringLiteral("/page");
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                              QStringLiteral("-singlefile"), pdf, prefix});
    ASSERT_TRUE(render.waitForFinished(60000)) << "pdftoppm (poppler-utils) is needed";
    ASSERT_EQ(render.exitCode(), 0) << render.readAllStandardError().toStdString();
    const QImage page(prefix + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());
    const auto decoded = bctest::decode(page);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, "PRINTED-KEPT");
}

TEST(KeptBarcodeDrawing, APictureKeptAByteAPixelDrawsWhatTheFullPictureDraws)
{
    // The screen keeps a symbol's picture as its coverage with the colour in the table: on the
    // window's backing store and on a see-through layer, pixel for pixel (as the screen colours it,
    // whole and clipped) and stretched, every
    // symbology in an opaque, a light and a half see-through colour draws the same pixels.
    const double zoom = 1.55;
    int compacted = 0, compared = 0;
    for (const SymbologyItem &item : symbologyItems()) {
        const auto found = sampleData().find(item.type);
        ASSERT_NE(found, sampleData().end()) << "no sample data for " << item.name.toStdString();
        const bool square = ColorBarcode::isSquareType(item.type);
        const QRectF frame(30.4, 47.7, square ? 90 : 0, square ? 90 : 0);
        for (const QColor &color : {QColor(Qt::black), QColor(230, 200, 40), QColor(20, 90, 200, 128)}) {
            BarcodeDrawStyle style;
            style.color = color;
            const BarcodeDrawing kept = BarcodeRenderer::layOutBarcode(frame, record(item.type, found->second, true), style);
            const ShortRect extent = kept.drawnInfo().BarRect;
            const QRect part = QRectF(frame.topLeft() * zoom, QSizeF(extent.width(), extent.height()) * zoom)
                                   .adjusted(-4, -4, 4, 4)
                                   .toAlignedRect();
            QImage full(part.size(), QImage::Format_ARGB32_Premultiplied);
            full.fill(Qt::transparent);
            {
                QPainter p(&full);
                p.setRenderHint(QPainter::Antialiasing);
                p.translate(-part.topLeft());
                p.scale(zoom, zoom);
                kept.paint(&p);
            }
            const QImage small = KeptPicture::compacted(full);
            const std::string what = item.name.toStdString() + " in " + color.name(QColor::HexArgb).toStdString();
            // Black is its alpha alone; another colour takes a table where the edges of its
            // bars and text that overlap round to one colour for each alpha, else the picture
            // stays as it is.
            if (color == Qt::black)
                EXPECT_EQ(small.format(), QImage::Format_Alpha8) << what;
            else
                EXPECT_NE(small.format(), QImage::Format_Alpha8) << what;
            compacted += small.depth() == 8;
            for (const QImage::Format device : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
                auto drawn = [&](const QImage &picture) {
                    QImage onto(part.width() + 40, part.height() * 2 + 40, device);
                    onto.fill(QColor(250, 245, 235, device == QImage::Format_RGB32 ? 255 : 90));
                    QPainter p(&onto);
                    p.drawImage(QPointF(7, 9), picture);
                    p.drawImage(QRectF(3, part.height() + 20, part.width() * 0.8, part.height() * 1.1), picture);
                    return onto;
                };
                EXPECT_EQ(drawn(small), drawn(full)) << what;
                // As the screen draws it: coloured into full pixels, whole, and only the part
                // within a clip, where the clip lets it.
                auto pixelForPixel = [&](const QImage &picture, bool kept) {
                    QImage onto(part.width() + 40, part.height() * 2 + 40, device);
                    onto.fill(QColor(250, 245, 235, device == QImage::Format_RGB32 ? 255 : 90));
                    QPainter p(&onto);
                    auto draw = [&](const QPoint &at) {
                        if (kept)
                            KeptPicture::drawPixels(&p, at, picture);
                        else
                            p.drawImage(at, picture);
                    };
                    draw(QPoint(7, 9));
                    p.setClipRect(QRect(11, part.height() + 25, part.width() / 2, part.height() / 3));
                    draw(QPoint(5, part.height() + 20));
                    return onto;
                };
                EXPECT_EQ(pixelForPixel(small, true), pixelForPixel(full, false)) << what << " pixel for pixel";
                ++compared;
            }
            // And it still reads as its data, at a zoom whose modules a reader takes.
            if (item.type == BarcodeType::Code128B && color.alpha() == 255) {
                const double large = 4.0;
                QImage picture(QSizeF(QSizeF(extent.width() + 20, extent.height() + 20) * large).toSize(),
                               QImage::Format_ARGB32_Premultiplied);
                picture.fill(Qt::transparent);
                {
                    QPainter p(&picture);
                    p.setRenderHint(QPainter::Antialiasing);
                    p.scale(large, large);
                    p.translate(QPointF(10, 10) - frame.topLeft());
                    kept.paint(&p);
                }
                QImage onWhite(picture.size() + QSize(80, 80), QImage::Format_RGB32);
                onWhite.fill(Qt::white);
                QPainter(&onWhite).drawImage(QPointF(40, 40), KeptPicture::compacted(picture));
                const auto decoded = bctest::decode(onWhite);
                ASSERT_TRUE(decoded.has_value()) << what;
                EXPECT_EQ(decoded->text, found->second);
            }
        }
    }
    EXPECT_GE(compacted, symbologyItems().size() + 2);
    EXPECT_EQ(compared, symbologyItems().size() * 3 * 2);

    // Two colours at one coverage: the picture stays as it is.
    QImage twoColours(4, 1, QImage::Format_ARGB32_Premultiplied);
    twoColours.setPixel(0, 0, qRgba(0, 0, 0, 255));
    twoColours.setPixel(1, 0, qRgba(255, 0, 0, 255));
    twoColours.setPixel(2, 0, 0);
    twoColours.setPixel(3, 0, qRgba(10, 0, 0, 20));
    EXPECT_EQ(KeptPicture::compacted(twoColours), twoColours);
}
