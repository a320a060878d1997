#include "barcodes/BarcodeTestSupport.h"

#include "barcodes/BarcodeRenderer.h"

#include <QPainter>
#include <QProcess>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace bctest {

using namespace quillmark;

std::string trimZeros(std::string s)
{
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    return s;
}

std::vector<std::string> zintRows(const QStringList &arguments)
{
    QProcess zint;
    zint.start("zint", QStringList{"--dump"} + arguments);
    if (!zint.waitForFinished(30000))
        return {};
    const QString out = QString::fromUtf8(zint.readAllStandardOutput());
    std::vector<std::string> rows;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        std::string bits;
        for (const QString &token : line.split(' ', Qt::SkipEmptyParts)) {
            bool ok = false;
            const int value = token.toInt(&ok, 16);
            if (!ok)
                return {};
            const int width = int(token.size()) * 4;
            for (int b = width - 1; b >= 0; --b)
                bits.push_back((value >> b) & 1 ? '1' : '0');
        }
        rows.push_back(trimZeros(bits));
    }
    return rows;
}

std::vector<QRectF> barRects(const QPainterPath &bars)
{
    std::vector<QRectF> rects;
    for (const QPolygonF &polygon : bars.toSubpathPolygons())
        rects.push_back(polygon.boundingRect());
    std::sort(rects.begin(), rects.end(), [](const QRectF &a, const QRectF &b) { return a.left() < b.left(); });
    return rects;
}

std::string modulesOfBars(const QPainterPath &bars, double m, double x0)
{
    std::string modules;
    for (const QRectF &r : barRects(bars)) {
        const long first = std::lround((r.left() - x0) / m);
        const long last = std::lround((r.right() - x0) / m);
        if (first < 0 || last > 100000)
            return "bad";
        if (modules.size() < size_t(last))
            modules.resize(size_t(last), '0');
        for (long i = first; i < last; ++i)
            modules[size_t(i)] = '1';
    }
    return modules;
}

TBarInfo moduleInfo(int type, const std::string &data)
{
    TBarInfo info;
    info.type = int16_t(type);
    info.setData(data);
    info.barW = 1;
    info.spaceW = 1;
    info.widthAdjust = 0;
    info.HRT = 0;
    info.barH = 0.5;
    info.pt = {0, 0};
    return info;
}

QImage renderBarcode(const TBarInfo &info, const QSizeF &frameSize, double scale, double margin)
{
    QRectF frame(QPointF(margin, margin), frameSize);
    if (frameSize.isEmpty()) {
        const ShortRect extent = BarcodeRenderer::frameExtent(info, QSizeF());
        frame.setSize(QSizeF(extent.width(), extent.height()));
    }
    const QSize pixels(int(std::ceil((frame.width() + 2 * margin) * scale)),
                       int(std::ceil((frame.height() + 2 * margin) * scale)));
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    BarcodeRenderer::drawBarcode(&painter, frame, info);
    painter.end();
    return image;
}

std::optional<Decoded> decode(const QImage &image, bool pure)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                          int(gray.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setIsPure(pure);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Read);
    const ZXing::Result result = ZXing::ReadBarcode(view, hints);
    if (!result.isValid())
        return std::nullopt;
    Decoded d;
    d.format = ZXing::ToString(result.format());
    const auto &bytes = result.bytes();
    d.bytes.assign(bytes.begin(), bytes.end());
    const std::wstring wide = result.text();
    d.text = QString::fromStdWString(wide).toStdString();
    return d;
}

} // namespace bctest
