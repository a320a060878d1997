#pragma once
// Readers for the barcode tests: the reference encoder zint, the ZXing decoder, and the modules
// of drawn bars.
#include "barcodes/LinearDrawContext.h"
#include "barcodes/TBarInfo.h"

#include <QImage>
#include <QPainterPath>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace bctest {

// The rows of zint's --dump as '1'/'0' strings (trailing zeros of each row dropped).
std::vector<std::string> zintRows(const QStringList &arguments);

// Bars of a drawn path as modules of width m starting at x0: '1' where any bar covers.
std::string modulesOfBars(const QPainterPath &bars, double m, double x0 = 0);

// The rectangles of each bar, left to right.
std::vector<QRectF> barRects(const QPainterPath &bars);

std::string trimZeros(std::string s);

// A record in drawing units: every bar and space one point wide per module, no text.
quillmark::TBarInfo moduleInfo(int type, const std::string &data);

// Draws the record's symbol into an image (scale pixels per point) with a white margin.
QImage renderBarcode(const quillmark::TBarInfo &info, const QSizeF &frameSize, double scale, double margin = 20);

struct Decoded {
    std::string format;
    std::string bytes; // raw content
    std::string text;  // text as the reader renders it
};
std::optional<Decoded> decode(const QImage &image, bool pure = false);
// A linear symbol read off the rows of an image, as a scanner's line does: no rotations and no
// second tries.
std::optional<Decoded> decodeRows(const QImage &image);

// A text in each script the 2-D symbols are read back in, named: Latin, the letters Windows-1252
// adds to Latin-1, Central European, Greek, Cyrillic, Hebrew, Arabic, Thai, Devanagari, Chinese,
// Japanese, Korean, characters beyond the Basic Multilingual Plane, and scripts mixed.
struct ScriptSample {
    const char *script;
    std::string text; // UTF-8
};
const std::vector<ScriptSample> &scriptSamples();

// POSTNET bars read off an image (ZXing has no POSTNET reader): the bars as dark columns, tall
// or short by their height, five to a digit between the two frame bars. The digits without
// their check digit; nothing when the bars are not whole digits or the check is wrong.
std::optional<std::string> readPostnet(const QImage &image);

} // namespace bctest
