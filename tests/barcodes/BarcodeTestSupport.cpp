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

const std::vector<ScriptSample> &scriptSamples()
{
    static const std::vector<ScriptSample> samples = {
        {"ASCII", "Quillmark labels, 128 of them"},
        {"Latin-1", "Gr\u00fc\u00dfe aus K\u00f6ln, caf\u00e9 cr\u00e8me \u00a3 \u00bd"},
        {"Windows-1252", "\u20acuro \u2014 \u201eOeuvre\u201c \u0152uvre \u0160\u017e \u0178 \u2122 \u2018x\u2019 \u2026 \u2022 \u2013"},
        {"Central European", "Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144, \u010ce\u0161tina"},
        {"Greek", "\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u03ba\u03cc\u03c3\u03bc\u03b5"},
        {"Cyrillic", "\u0421\u044a\u0435\u0448\u044c \u0436\u0435 \u0435\u0449\u0451 \u044d\u0442\u0438\u0445 \u0431\u0443\u043b\u043e\u043a"},
        {"Hebrew", "\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd"},
        {"Arabic", "\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645"},
        {"Thai", "\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35\u0e0a\u0e32\u0e27\u0e42\u0e25\u0e01"},
        {"Devanagari", "\u0928\u092e\u0938\u094d\u0924\u0947 \u0926\u0941\u0928\u093f\u092f\u093e"},
        {"Chinese", "\u4f60\u597d\uff0c\u4e16\u754c"},
        {"Japanese", "\u3053\u3093\u306b\u3061\u306f\u4e16\u754c \u30ab\u30bf\u30ab\u30ca"},
        {"Korean", "\uc548\ub155\ud558\uc138\uc694 \uc138\uacc4"},
        {"Beyond the BMP", "Box \U0001F4E6 and \U0001D11E"},
        {"Mixed", "\u20ac 5, \u00e9t\u00e9, \u041c\u043e\u0441\u043a\u0432\u0430, \u6771\u4eac"},
    };
    return samples;
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
