#pragma once
// The state of one barcode: symbology, data, bar metrics and text options. Copied whole by value
// between the object, the inspector, the drawer and the drawing routines.
#include <QFont>

#include <cstdint>
#include <string>

namespace quillmark {

// Symbology numbers of the `type` field. Numbers without an encoder draw nothing.
namespace BarcodeType {
constexpr int Postnet = 1;
constexpr int Interleaved = 6;
constexpr int Code39 = 7;
constexpr int Code128B = 8;
constexpr int UpcA = 9;
constexpr int UpcE = 10;
constexpr int Ean13 = 11;
constexpr int Ean8 = 12;
constexpr int BooklandIsbn = 13;
constexpr int BooklandIssn = 14;
constexpr int Codabar = 15;
constexpr int Code93 = 18;
constexpr int JapanPostnet = 20;
constexpr int BooklandIsbnPrefixed = 21;
constexpr int DataMatrix = 22;
constexpr int QRCode = 25;
constexpr int Code128A = 26;
constexpr int Code128C = 27;
constexpr int BooklandIsmn = 28;
} // namespace BarcodeType

// A rectangle of 16-bit integers, in the order top, left, bottom, right.
struct ShortRect {
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ShortRect &) const = default;
};

// A point of 16-bit integers, in the order v (down), h (across).
struct ShortPoint {
    int16_t v = 0;
    int16_t h = 0;
    bool operator==(const ShortPoint &) const = default;
};

// Values outside the 16-bit range are clamped rather than wrapped.
int16_t clampShort(double value);
void setShortRect(ShortRect &rect, double left, double top, double right, double bottom);
void offsetShortRect(ShortRect &rect, int dh, int dv);

struct TBarInfo {
    // The longest data a barcode keeps; longer data are cut on a character boundary.
    static constexpr size_t MaxDataBytes = 4095;
    // What the routines that take the data as a short string see of it.
    static constexpr size_t ShortStringBytes = 255;

    std::string BarStr = "12345678912"; // the data, UTF-8
    double barH = 0.4;                    // inches
    double barW = 9.0;                    // mils (drawing units in a working copy)
    double spaceW = 9.0;                  // mils (drawing units in a working copy)
    double chargap = 1.0;
    double rotate = 0.0;
    double widthAdjust = -2.0; // mils
    int16_t type = BarcodeType::Code128B;
    uint8_t HRT = 1;
    uint8_t sSymbol = 1;
    uint8_t eSymbol = 1;
    uint8_t printChChar = 0;
    uint8_t CheckSymb = 1;
    float hrtOffset = 0;
    uint8_t bearers = 0;
    uint8_t change = 1;
    uint8_t attachment = 1;
    ShortRect BarRect;
    ShortPoint pt;
    double TextHeight = 8.0;
    QFont font = defaultFont();
    int64_t isbnFormat = 0;
    int64_t textAlign = 0;

    // Every field alike: what a kept drawing of the record is checked against.
    bool operator==(const TBarInfo &) const = default;

    // Full byte count of the data.
    int64_t strlength() const { return int64_t(BarStr.size()); }
    // Replaces the data, cut to MaxDataBytes on a UTF-8 character boundary.
    void setData(const std::string &utf8);
    // The first ShortStringBytes bytes of the data, never splitting a character.
    std::string shortData() const;

    static QFont defaultFont();
};

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string truncateUtf8Bytes(const std::string &text, size_t maxBytes);

} // namespace quillmark
