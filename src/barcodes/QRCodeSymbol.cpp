#include "barcodes/QRCodeSymbol.h"

#include <QPainter>
#include <QRectF>

#include <qrencode.h>

#include <climits>

namespace quillmark {

std::optional<QRCodeSymbol> QRCodeSymbol::encodeQRString(const std::string &data)
{
    if (data.empty() || data.size() > size_t(INT_MAX))
        return std::nullopt;
    // The whole data in 8-bit mode, so every byte (a zero byte too) comes back as it was.
    QRcode *code = QRcode_encodeData(int(data.size()), reinterpret_cast<const unsigned char *>(data.data()), 0,
                                     QR_ECLEVEL_L);
    if (!code)
        return std::nullopt;
    QRCodeSymbol symbol;
    symbol.m_version = code->version;
    symbol.m_width = code->width;
    symbol.m_modules.assign(code->data, code->data + size_t(code->width) * size_t(code->width));
    QRcode_free(code);
    return symbol;
}

int QRCodeSymbol::version() const
{
    return m_version;
}

int QRCodeSymbol::width() const
{
    return m_width;
}

bool QRCodeSymbol::isDark(int row, int column) const
{
    const int w = width();
    if (row < 0 || column < 0 || row >= w || column >= w)
        return false;
    return m_modules[size_t(row) * size_t(w) + size_t(column)] & 1;
}

QPainterPath QRCodeSymbol::modulePath(int x, int y, float moduleSize) const
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const int w = width();
    const double m = moduleSize;
    for (int i = 0; i < w; ++i) {
        int j = 0;
        while (j < w) {
            if (!isDark(i, j)) {
                ++j;
                continue;
            }
            const int start = j;
            while (j < w && isDark(i, j))
                ++j;
            path.addRect(QRectF(x + start * m, y + i * m, (j - start) * m, m));
        }
    }
    return path;
}

void drawQRCodeModules(QPainter *painter, const QRCodeSymbol &symbol, int x, int y, float moduleSize,
                       const QColor &color)
{
    if (!painter)
        return;
    painter->fillPath(symbol.modulePath(x, y, moduleSize), color);
}

} // namespace quillmark
