#pragma once
// Drawing a barcode object into an image for the object tests: the whole object, as the
// canvas draws it or as one printed label.
#include <QHash>
#include <QImage>
#include <QPainter>

#include <functional>
#include <map>
#include <string>

#include "barcodes/ColorBarcode.h"
#include "objects/FakeCanvas.h"
#include "objects/MergeSource.h"

namespace bctest {

// The current record's values by pk; installed for the life of the object.
class RecordSource : public quillmark::MergeSource
{
public:
    RecordSource()
        : m_previous(current())
    {
        install(this);
    }
    ~RecordSource() override { install(m_previous); }
    QVariant contentsByPk(int pk) override { return values.value(pk); }
    QString fieldTitleAtPk(int pk) override { return titles.value(pk); }
    QHash<int, QVariant> values;
    QHash<int, QString> titles;

private:
    quillmark::MergeSource *m_previous;
};

// A canvas whose database preview can be switched on.
class PreviewCanvas : public qmtest::FakeCanvas
{
public:
    bool preview = false;
    bool databasePreview() const override { return preview; }
};

// Paints the page area `area` (points) at `scale` pixels per point on white.
inline QImage renderArea(const QRectF &area, double scale, const std::function<void(QPainter *)> &draw)
{
    QImage image(int(area.width() * scale), int(area.height() * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.translate(-area.topLeft());
    draw(&painter);
    painter.end();
    return image;
}

// The object as the canvas draws it, with a white margin around its turned frame. The
// readers find a symbol far more reliably when it fills most of the image.
inline QImage drawObject(quillmark::ColorBarcode &barcode, double scale = 3)
{
    const QRectF area = barcode.frameBoundsRotated().adjusted(-12, -12, 12, 12);
    return renderArea(area, scale, [&](QPainter *p) { barcode.drawFrame(p, barcode.frameBounds(), false); });
}

// The object printed on one label. Numbering may widen the symbol for the label, so the area
// reaches further right.
inline QImage printObject(quillmark::ColorBarcode &barcode, int label, double scale = 3)
{
    const QRectF area = barcode.frameBoundsRotated().adjusted(-12, -12, 160, 12);
    return renderArea(area, scale, [&](QPainter *p) { barcode.printFrame(p, barcode.frameBounds(), label); });
}

// Whether any pixel is darker than mid grey.
inline bool hasInk(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128)
                return true;
        }
    }
    return false;
}

// Data each symbology encodes, by its number; a symbology the menus gain must be given data
// here.
inline const std::map<int, std::string> &sampleData()
{
    namespace BarcodeType = quillmark::BarcodeType;
    static const std::map<int, std::string> data = {
        {BarcodeType::Code128B, "Kept drawing 128"},  {BarcodeType::Code128A, "KEPT-A 42"},
        {BarcodeType::Code128C, "20261208"},          {BarcodeType::UpcA, "03600029145"},
        {BarcodeType::UpcE, "123456"},                {BarcodeType::Ean13, "590123412345"},
        {BarcodeType::Ean8, "9638507"},               {BarcodeType::BooklandIsbn, "030640615"},
        {BarcodeType::BooklandIsbnPrefixed, "030640615"}, {BarcodeType::BooklandIssn, "0317847"},
        {BarcodeType::BooklandIsmn, "23067118"},      {BarcodeType::Postnet, "12345"},
        {BarcodeType::DataMatrix, "Kept Data Matrix"}, {BarcodeType::QRCode, "https://example.org/kept"},
        {BarcodeType::Interleaved, "123456"},         {BarcodeType::Code39, "QM-39"},
        {BarcodeType::Codabar, "A1234B"},             {BarcodeType::Code93, "CODE93"},
        {BarcodeType::JapanPostnet, "1234567"},
    };
    return data;
}

} // namespace bctest
