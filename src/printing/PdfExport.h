#pragma once
// Vector PDF and EPS files of a drawing: a page exactly the drawing's size in points, painted
// with the origin at its top left and y running down, as on the canvas. EPS is that PDF
// converted by poppler.
#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <functional>

class QIODevice;
class QPainter;

namespace quillmark {

class PdfExport
{
public:
    // Document information; empty fields are left out.
    struct Info
    {
        QString title;
        QString author;
        QString creator;
    };

    // Paints page pageIndex (0-based); one unit is one point.
    using PaintFunction = std::function<void(QPainter &painter, int pageIndex)>;

    // pageCount pages of pageSize points, no margins, no background. Empty on failure.
    static QByteArray pdfData(const QSizeF &pageSize, const PaintFunction &paint, const Info &info = {},
                              int pageCount = 1, QString *error = nullptr);

    // The same written atomically to path, as a PDF or as the EPS of its first page, the pages
    // going to disk as they are drawn: a file of hundreds of megabytes is never in memory whole.
    // Nothing is written once `givenUp` says so.
    static bool writeFile(const QString &path, bool eps, const QSizeF &pageSize, const PaintFunction &paint,
                          const Info &info = {}, int pageCount = 1, QString *error = nullptr,
                          const std::function<bool()> &givenUp = {});

    // The first page of the PDF file at pdfPath, one the program drew itself, as EPS into output.
    static bool epsFromFile(const QString &pdfPath, QIODevice &output, QString *error = nullptr);

    // The same, written atomically to path.
    static bool writePDF(const QString &path, const QSizeF &pageSize, const PaintFunction &paint,
                         const Info &info = {}, int pageCount = 1, QString *error = nullptr);

    // The first page of a PDF as Encapsulated PostScript whose bounding box is the page. Empty on
    // failure.
    static QByteArray epsFromPDF(const QByteArray &pdf, QString *error = nullptr);

    // A one-page drawing as EPS, written atomically to path.
    static bool writeEPS(const QString &path, const QSizeF &pageSize, const PaintFunction &paint,
                         QString *error = nullptr);

    // Adds an incremental update whose document information carries the fields of info (with
    // the author, which the PDF writer cannot set itself). False when the file's trailer cannot
    // be read; the data is then unchanged.
    static bool appendDocumentInfo(QByteArray &pdf, const Info &info);
};

} // namespace quillmark
