#pragma once
// The drawing state of one pass of a linear symbol: the text font and colour of the barcode
// object, the resolution, the text metrics, and the bars and text drawn so far. The routines of
// the linear kit add to it; paint() puts the result on a painter as two filled paths.
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QString>

#include <string>
#include <vector>

class QPainter;

namespace quillmark {

// A drawing position (y, x); the drawing routines advance x.
struct BarPosition {
    double y = 0;
    double x = 0;
};

// Font metrics in points (one unit per point), with the descender negative below the baseline.
struct PointFontMetrics {
    double ascender = 0;
    double descender = 0;
    double leading = 0;
    double capHeight = 0;
};

class LinearDrawContext {
public:
    LinearDrawContext();

    QFont font;         // the barcode object's text font
    QColor color = Qt::black;
    QFont messageFont;  // error messages: the system font of 9 points
    int resolution = 72;
    double textDrop = 0;   // D, inches
    double lineHeight = 0; // L, inches
    bool useHRTKerning = false;          // user default "useHRTKerning"
    long long upcCharactersEqualSize = 0; // user default "UPC_characters_Equal_Size"

    QPainterPath bars;
    QPainterPath text;
    struct TextItem {
        QString text;
        QPointF baseline;
        QFont font;
    };
    std::vector<TextItem> textItems;

    // Adds text with its baseline starting at the point.
    void addText(const QPointF &baseline, const QString &string, const QFont &textFont);
    void clearDrawing();
    // Fills the bars, then the text, in the colour.
    void paint(QPainter *painter) const;

    static QFont fontAt72(const QFont &font);
    static PointFontMetrics metrics(const QFont &font);
    static double textWidth(const QString &string, const QFont &font);
    static QFont systemFont(double pointSize);
};

// Fills the bars of a linear symbol, each bar by itself: Qt fills one path of many bars in
// time that grows with the square of the bars a scan line crosses, which made a design of
// thousands of barcodes slow to draw. Bars never share a hole, so each fills alone as it
// fills among the others.
void fillBars(QPainter *painter, const QPainterPath &bars, const QColor &color);

// Text of data bytes: UTF-8 when they decode, else ASCII; a null string when neither works.
QString decodeBarcodeText(const std::string &bytes);

} // namespace quillmark
