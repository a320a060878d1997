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

namespace {

std::optional<Decoded> decodeWith(const QImage &image, const ZXing::DecodeHints &hints)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                          int(gray.bytesPerLine()));
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

} // namespace

std::optional<Decoded> decode(const QImage &image, bool pure)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setIsPure(pure);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Read);
    return decodeWith(image, hints);
}

std::optional<Decoded> decodeRows(const QImage &image)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(false);
    hints.setTryRotate(false);
    hints.setFormats(ZXing::BarcodeFormat::LinearCodes);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Read);
    return decodeWith(image, hints);
}

std::optional<std::string> readPostnet(const QImage &image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    // Each column's dark extent; neighbouring dark columns are one bar.
    const int width = gray.width();
    std::vector<int> tops(size_t(width), -1);
    std::vector<int> bottoms(size_t(width), -1);
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *line = gray.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            if (line[x] < 128) {
                if (tops[size_t(x)] < 0)
                    tops[size_t(x)] = y;
                bottoms[size_t(x)] = y;
            }
        }
    }
    struct Bar {
        int top;
        int bottom;
    };
    std::vector<Bar> bars;
    bool inBar = false;
    for (size_t x = 0; x < tops.size(); ++x) {
        if (tops[x] < 0) {
            inBar = false;
            continue;
        }
        if (!inBar)
            bars.push_back({tops[x], bottoms[x]});
        else
            bars.back() = {std::min(bars.back().top, tops[x]), std::max(bars.back().bottom, bottoms[x])};
        inBar = true;
    }
    if (bars.size() < 2 || (bars.size() - 2) % 5 != 0)
        return std::nullopt;
    int tallest = 0;
    for (const Bar &bar : bars)
        tallest = std::max(tallest, bar.bottom - bar.top + 1);
    std::string code;
    for (const Bar &bar : bars)
        code.push_back(bar.bottom - bar.top + 1 > tallest * 3 / 4 ? '1' : '0');
    if (code.front() != '1' || code.back() != '1')
        return std::nullopt;
    static const std::map<std::string, char> digits = {
        {"11000", '0'}, {"00011", '1'}, {"00101", '2'}, {"00110", '3'}, {"01001", '4'},
        {"01010", '5'}, {"01100", '6'}, {"10001", '7'}, {"10010", '8'}, {"10100", '9'},
    };
    std::string text;
    int sum = 0;
    for (size_t i = 1; i + 1 < code.size(); i += 5) {
        const auto found = digits.find(code.substr(i, 5));
        if (found == digits.end())
            return std::nullopt;
        text.push_back(found->second);
        sum += found->second - '0';
    }
    if (text.size() < 2 || sum % 10 != 0)
        return std::nullopt;
    text.pop_back();
    return text;
}

} // namespace bctest
