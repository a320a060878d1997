#include "printing/PdfExport.h"

#include <poppler-qt6.h>

#include <QBuffer>
#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QMap>
#include <QRegularExpression>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <memory>

#include "printing/ExportFile.h"
#include "foundation/Language.h"

namespace quillmark {

namespace {

// Bounds a page: PDF viewers stop at 14,400 points, and a bad size must not allocate without end.
constexpr double largestPage = 14400.0;

QByteArray pdfTextString(const QString &text)
{
    // UTF-16BE with its byte order mark, as a hex string: no escaping, any character.
    QByteArray bytes("<FEFF");
    for (QChar c : text)
        bytes += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    bytes += '>';
    return bytes;
}

bool failWith(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

// What an incremental update needs to know of the file it extends.
struct Trailer
{
    qint64 size = 0;     // the next free object number
    QByteArray root;     // "n g R"
    QByteArray info;     // "n g R", or empty
    qint64 previous = 0; // offset of the last cross-reference table
};

bool readTrailer(const QByteArray &pdf, Trailer &trailer)
{
    const qsizetype startxref = pdf.lastIndexOf("startxref");
    const qsizetype start = pdf.lastIndexOf("trailer");
    if (startxref < 0 || start < 0 || start > startxref)
        return false;
    const QString text = QString::fromLatin1(pdf.mid(start, startxref - start));
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(text);
    const QRegularExpressionMatch root =
        QRegularExpression(QStringLiteral("/Root\\s+(\\d+\\s+\\d+\\s+R)")).match(text);
    const QRegularExpressionMatch previous = QRegularExpression(QStringLiteral("^startxref\\s+(\\d+)"))
                                                 .match(QString::fromLatin1(pdf.mid(startxref, 40)));
    if (!size.hasMatch() || !root.hasMatch() || !previous.hasMatch())
        return false;
    bool sizeOk = false;
    bool previousOk = false;
    trailer.size = size.captured(1).toLongLong(&sizeOk);
    trailer.previous = previous.captured(1).toLongLong(&previousOk);
    trailer.root = root.captured(1).toLatin1();
    const QRegularExpressionMatch info =
        QRegularExpression(QStringLiteral("/Info\\s+(\\d+\\s+\\d+\\s+R)")).match(text);
    if (info.hasMatch())
        trailer.info = info.captured(1).toLatin1();
    return sizeOk && previousOk && trailer.size > 0 && trailer.size < 8000000 && trailer.previous > 0
        && trailer.previous < pdf.size();
}

// The in-use objects of a classic cross-reference table: object number -> offset.
QMap<qint64, qint64> readCrossReference(const QByteArray &pdf, qint64 offset)
{
    QMap<qint64, qint64> objects;
    if (!pdf.mid(offset, 4).startsWith("xref"))
        return objects;
    qsizetype at = pdf.indexOf('\n', offset) + 1;
    static const QRegularExpression subsection(QStringLiteral("^(\\d+) (\\d+)\\s*$"));
    while (at > 0 && at < pdf.size()) {
        const qsizetype lineEnd = pdf.indexOf('\n', at);
        if (lineEnd < 0)
            break;
        const QRegularExpressionMatch head = subsection.match(QString::fromLatin1(pdf.mid(at, lineEnd - at)));
        if (!head.hasMatch())
            break;
        const qint64 first = head.captured(1).toLongLong();
        const qint64 count = head.captured(2).toLongLong();
        at = lineEnd + 1;
        if (count < 0 || at + count * 20 > pdf.size())
            return {};
        for (qint64 i = 0; i < count; ++i, at += 20) {
            const QByteArray entry = pdf.mid(at, 20);
            if (entry.at(17) == 'n')
                objects.insert(first + i, entry.left(10).toLongLong());
        }
    }
    return objects;
}

QByteArray pdfNumber(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.contains('.') && (text.endsWith('0') || text.endsWith('.')))
        text.chop(1);
    return text;
}

// Appends one incremental update with the given objects (number -> "<< ... >>"). The document
// information is object infoObject when that is not negative, else the one the file had.
void appendUpdate(QByteArray &pdf, const Trailer &trailer, const QMap<qint64, QByteArray> &objects,
                  qint64 infoObject)
{
    QByteArray update;
    if (!pdf.endsWith('\n'))
        update += '\n';
    QMap<qint64, qint64> offsets;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        offsets.insert(it.key(), pdf.size() + update.size());
        update += QByteArray::number(it.key()) + " 0 obj\n" + it.value() + "\nendobj\n";
    }
    const qint64 xrefOffset = pdf.size() + update.size();
    update += "xref\n";
    for (auto it = offsets.begin(); it != offsets.end(); ++it) {
        update += QByteArray::number(it.key()) + " 1\n"
            + QByteArray::number(it.value()).rightJustified(10, '0') + " 00000 n \n";
    }
    const qint64 size = std::max(trailer.size, offsets.isEmpty() ? 0 : offsets.lastKey() + 1);
    update += "trailer\n<< /Size " + QByteArray::number(size) + " /Root " + trailer.root;
    if (infoObject >= 0)
        update += " /Info " + QByteArray::number(infoObject) + " 0 R";
    else if (!trailer.info.isEmpty())
        update += " /Info " + trailer.info;
    update += " /Prev " + QByteArray::number(trailer.previous) + " >>\nstartxref\n"
        + QByteArray::number(xrefOffset) + "\n%%EOF\n";
    pdf += update;
}

// The PDF writer sizes pages in whole points. A page of a fractional size keeps the writer's
// top edge, where its drawing starts, and takes its exact width and height from there.
bool fitMediaBoxes(QByteArray &pdf, const QSizeF &pageSize)
{
    Trailer trailer;
    if (!readTrailer(pdf, trailer))
        return false;
    const QMap<qint64, qint64> objects = readCrossReference(pdf, trailer.previous);
    static const QRegularExpression mediaBox(
        QStringLiteral("/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]"));
    static const QRegularExpression pageType(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    QMap<qint64, QByteArray> pages;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        // Page objects are short dictionaries; looking no further keeps large images unscanned.
        const QByteArray head = pdf.mid(it.value(), 4096);
        const qsizetype open = head.indexOf("obj");
        const qsizetype close = head.indexOf("endobj");
        if (open < 0 || close < open + 3)
            continue;
        const QString body = QString::fromLatin1(head.mid(open + 3, close - open - 3)).trimmed();
        if (!body.startsWith(QLatin1String("<<")) || body.contains(QLatin1String("stream")))
            continue;
        if (!pageType.match(body).hasMatch())
            continue;
        const QRegularExpressionMatch box = mediaBox.match(body);
        if (!box.hasMatch())
            return false;
        const double top = box.captured(4).toDouble();
        const QByteArray exact = "/MediaBox [0 " + pdfNumber(top - pageSize.height()) + " "
            + pdfNumber(pageSize.width()) + " " + pdfNumber(top) + "]";
        QString fitted = body;
        fitted.replace(box.capturedStart(0), box.capturedLength(0), QString::fromLatin1(exact));
        pages.insert(it.key(), fitted.toLatin1());
    }
    if (pages.isEmpty())
        return false;
    appendUpdate(pdf, trailer, pages, -1);
    return true;
}

} // namespace

bool PdfExport::appendDocumentInfo(QByteArray &pdf, const Info &info)
{
    Trailer trailer;
    if (!readTrailer(pdf, trailer))
        return false;
    QByteArray dictionary("<<");
    if (!info.title.isEmpty())
        dictionary += " /Title " + pdfTextString(info.title);
    if (!info.author.isEmpty())
        dictionary += " /Author " + pdfTextString(info.author);
    if (!info.creator.isEmpty())
        dictionary += " /Creator " + pdfTextString(info.creator);
    dictionary += " /CreationDate (D:"
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z) >>";
    appendUpdate(pdf, trailer, {{trailer.size, dictionary}}, trailer.size);
    return true;
}

QByteArray PdfExport::pdfData(const QSizeF &pageSize, const PaintFunction &paint, const Info &info,
                              int pageCount, QString *error)
{
    if (!(pageSize.width() > 0.0) || !(pageSize.height() > 0.0) || pageSize.width() > largestPage
        || pageSize.height() > largestPage) {
        failWith(error, translated(QStringLiteral("A page of %1 × %2 points cannot be made."))
                            .arg(pageSize.width()).arg(pageSize.height()));
        return {};
    }
    if (pageCount < 1) {
        failWith(error, translated(QStringLiteral("A PDF needs at least one page.")));
        return {};
    }

    QByteArray data;
    {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setTitle(info.title);
        writer.setCreator(info.creator);
        // An exact match keeps a label that is nearly a standard paper size at its own size.
        writer.setPageLayout(QPageLayout(QPageSize(pageSize, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) {
            failWith(error, translated(QStringLiteral("The PDF writer could not be started.")));
            return {};
        }
        for (int page = 0; page < pageCount; ++page) {
            if (page > 0)
                writer.newPage();
            painter.save();
            paint(painter, page);
            painter.restore();
        }
        painter.end();
    }
    if (data.isEmpty()) {
        failWith(error, translated(QStringLiteral("The PDF writer produced nothing.")));
        return {};
    }
    const bool wholePoints = pageSize.width() == std::round(pageSize.width())
        && pageSize.height() == std::round(pageSize.height());
    if (!wholePoints && !fitMediaBoxes(data, pageSize)) {
        failWith(error, translated(QStringLiteral("The PDF page could not be given its exact size.")));
        return {};
    }
    if (!info.author.isEmpty())
        appendDocumentInfo(data, info);
    return data;
}

bool PdfExport::writePDF(const QString &path, const QSizeF &pageSize, const PaintFunction &paint,
                         const Info &info, int pageCount, QString *error)
{
    const QByteArray data = pdfData(pageSize, paint, info, pageCount, error);
    if (data.isEmpty())
        return false;
    return ExportFile::write(path, data, error);
}

QByteArray PdfExport::epsFromPDF(const QByteArray &pdf, QString *error)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    if (!document || document->isLocked() || document->numPages() < 1) {
        failWith(error, translated(QStringLiteral("The PDF drawing could not be read.")));
        return {};
    }
    std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page) {
        failWith(error, translated(QStringLiteral("The PDF drawing has no page.")));
        return {};
    }
    const QSizeF size = page->pageSizeF();

    QByteArray eps;
    QBuffer buffer(&eps);
    buffer.open(QIODevice::WriteOnly);
    std::unique_ptr<Poppler::PSConverter> converter = document->psConverter();
    converter->setOutputDevice(&buffer);
    converter->setPageList({1});
    converter->setPaperWidth(qCeil(size.width()));
    converter->setPaperHeight(qCeil(size.height()));
    converter->setPSOptions(Poppler::PSConverter::Printing | Poppler::PSConverter::PrintToEPS);
    if (!converter->convert() || eps.isEmpty()) {
        failWith(error, translated(QStringLiteral("The drawing could not be converted to EPS.")));
        return {};
    }
    return eps;
}

bool PdfExport::writeEPS(const QString &path, const QSizeF &pageSize, const PaintFunction &paint,
                         QString *error)
{
    const QByteArray pdf = pdfData(pageSize, paint, {}, 1, error);
    if (pdf.isEmpty())
        return false;
    const QByteArray eps = epsFromPDF(pdf, error);
    if (eps.isEmpty())
        return false;
    return ExportFile::write(path, eps, error);
}

} // namespace quillmark
