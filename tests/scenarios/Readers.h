#pragma once
// Independent readers of what the application writes: poppler for PDF files, plistutil for
// design documents, the sqlite3 program for databases and ZXing for barcodes. None of them
// goes through the application's own reading code.
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace scenario {

// One word of a PDF page with its box in points, the page's top-left corner at the origin.
struct PdfWord
{
    QString text;
    QRectF box;
};

struct PdfPage
{
    QSizeF size; // points
    QList<PdfWord> words;
    // The words whose centres lie in `area`, in reading order (top to bottom, then left to right).
    QStringList wordsIn(const QRectF &area) const;
    QString text() const;
};

// The pages of a PDF file; empty when poppler cannot read it.
QList<PdfPage> readPdf(const QString &path);
// A page of a PDF file rendered at `dpi`, white behind.
QImage renderPdfPage(const QString &path, int page, double dpi);

// The design document (or any property list) as plistutil writes it in XML, and read from
// that XML into a tree of maps, lists, strings, numbers, booleans and data.
QString plistXml(const QString &path);
QVariant readPlist(const QString &path);
// The same for a property list held in data (an object's archived text, colour or picture).
QString plistXmlOfData(const QByteArray &data);
// The strings of the archived text of each object of a design document, in the objects' order
// (empty for an object without text).
QStringList objectTexts(const QVariant &document);
// The objects of a design document, and an object's frame from its "{{x, y}, {w, h}}" string.
QVariantList objectsOf(const QVariant &document);
QRectF boundsOf(const QVariant &object);

// The rows of a query run by the sqlite3 program, one line each, columns joined by '|'.
QStringList sqliteRows(const QString &database, const QString &sql);

// Every symbol ZXing finds in an image, with its format ("Code128", "EAN-13", ...), its text
// and the bounding box of its corners in pixels.
struct Symbol
{
    QString format;
    QString text;
    QRectF box;
};
QList<Symbol> readSymbols(const QImage &image);
// The Code 128, UPC and EAN symbols of an upright image. (Readers of other kinds in this ZXing
// stop the program on some of these images.)
QList<Symbol> readUprightRetailSymbols(const QImage &image);

} // namespace scenario
