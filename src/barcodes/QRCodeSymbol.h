#pragma once
// A QR Code symbol made by libqrencode: the data in 8-bit mode, the smallest version that holds
// them, error-correction level L.
#include <QColor>
#include <QPainterPath>

#include <optional>
#include <string>
#include <vector>

class QPainter;

namespace quillmark {

class QRCodeSymbol {
public:
    // Nothing for empty data or data the library cannot encode (too long).
    static std::optional<QRCodeSymbol> encodeQRString(const std::string &data);

    int version() const;
    int width() const; // modules per side
    bool isDark(int row, int column) const;

    // The dark modules as one path: module (i, j) covers (x + j·m, y + i·m, m, m).
    QPainterPath modulePath(int x, int y, float moduleSize) const;

private:
    int m_version = 0;
    int m_width = 0;
    std::vector<uint8_t> m_modules; // the library's module bytes, row by row; bit 0 is dark
};

// Fills the dark modules of the symbol at (x, y) with modules of the given size.
void drawQRCodeModules(QPainter *painter, const QRCodeSymbol &symbol, int x, int y, float moduleSize,
                       const QColor &color);

} // namespace quillmark
