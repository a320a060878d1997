#include "printing/PdfExport.h"

#include <poppler-qt6.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryFile>
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

// A PDF file as written so far: what the writer made (in memory, or in a file read a piece at
// a time) and the incremental updates appended since, read as one run of bytes.
struct PdfBytes
{
    QByteArray body;
    QIODevice *file = nullptr;
    QByteArray tail;

    qint64 bodySize() const { return file ? file->size() : body.size(); }
    qint64 size() const { return bodySize() + tail.size(); }
    QByteArray bodyPart(qint64 at, qint64 length) const
    {
        if (!file)
            return body.mid(at, length);
        if (at < 0 || at >= file->size() || !file->seek(at))
            return {};
        return file->read(std::min(length, file->size() - at));
    }
    QByteArray mid(qint64 at, qint64 length) const
    {
        const qint64 inBody = bodySize();
        if (at >= inBody)
            return tail.mid(at - inBody, length);
        QByteArray part = bodyPart(at, std::min(length, inBody - at));
        if (at + length > inBody)
            part += tail.left(at + length - inBody);
        return part;
    }
    // The last place of `text`, looked for in the updates and the last 64 KB the writer made,
    // where its trailer is.
    qint64 lastIndexOf(const char *text) const
    {
        const qsizetype inTail = tail.lastIndexOf(text);
        if (inTail >= 0)
            return bodySize() + inTail;
        const qint64 from = std::max<qint64>(0, bodySize() - 65536);
        const qsizetype inEnd = bodyPart(from, bodySize() - from).lastIndexOf(text);
        return inEnd >= 0 ? from + inEnd : -1;
    }
};

// What an incremental update needs to know of the file it extends.
struct Trailer
{
    qint64 size = 0;     // the next free object number
    QByteArray root;     // "n g R"
    QByteArray info;     // "n g R", or empty
    qint64 previous = 0; // offset of the last cross-reference table
};

bool readTrailer(const PdfBytes &pdf, Trailer &trailer)
{
    const qint64 startxref = pdf.lastIndexOf("startxref");
    const qint64 start = pdf.lastIndexOf("trailer");
    if (startxref < 0 || start < 0 || start > startxref || startxref - start > 65536)
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
QMap<qint64, qint64> readCrossReference(const PdfBytes &pdf, qint64 offset)
{
    QMap<qint64, qint64> objects;
    // Read in pieces: a table of many objects is megabytes long.
    constexpr qint64 Piece = 1 << 20;
    QByteArray table = pdf.mid(offset, Piece);
    qint64 tableAt = offset;
    auto line = [&](qint64 at, qint64 length) {
        if (at + length > tableAt + table.size()) {
            table = pdf.mid(at, std::max(Piece, length));
            tableAt = at;
        }
        return table.mid(at - tableAt, length);
    };
    if (!line(offset, 4).startsWith("xref"))
        return objects;
    qint64 at = offset + line(offset, 64).indexOf('\n') + 1;
    static const QRegularExpression subsection(QStringLiteral("^(\\d+) (\\d+)\\s*$"));
    while (at > offset && at < pdf.size()) {
        const QByteArray head = line(at, 64);
        const qsizetype lineEnd = head.indexOf('\n');
        if (lineEnd < 0)
            break;
        const QRegularExpressionMatch match = subsection.match(QString::fromLatin1(head.left(lineEnd)));
        if (!match.hasMatch())
            break;
        const qint64 first = match.captured(1).toLongLong();
        const qint64 count = match.captured(2).toLongLong();
        at += lineEnd + 1;
        if (count < 0 || at + count * 20 > pdf.size())
            return {};
        for (qint64 i = 0; i < count; ++i, at += 20) {
            const QByteArray entry = line(at, 20);
            if (entry.size() == 20 && entry.at(17) == 'n')
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
void appendUpdate(PdfBytes &pdf, const Trailer &trailer, const QMap<qint64, QByteArray> &objects,
                  qint64 infoObject)
{
    QByteArray update;
    if (!pdf.mid(pdf.size() - 1, 1).endsWith('\n'))
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
    pdf.tail += update;
}

// The PDF writer sizes pages in whole points. A page of a fractional size keeps the writer's
// top edge, where its drawing starts, and takes its exact width and height from there.
bool fitMediaBoxes(PdfBytes &pdf, const QSizeF &pageSize)
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

bool appendInfo(PdfBytes &pdf, const PdfExport::Info &info)
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

bool validPage(const QSizeF &pageSize, int pageCount, QString *error)
{
    if (!(pageSize.width() > 0.0) || !(pageSize.height() > 0.0) || pageSize.width() > largestPage
        || pageSize.height() > largestPage) {
        failWith(error, translated(QStringLiteral("A page of %1 × %2 points cannot be made."))
                            .arg(pageSize.width()).arg(pageSize.height()));
        return false;
    }
    if (pageCount < 1)
        return failWith(error, translated(QStringLiteral("A PDF needs at least one page.")));
    return true;
}

// The pages painted into `device` by the PDF writer.
bool paintPages(QIODevice &device, const QSizeF &pageSize, const PdfExport::PaintFunction &paint,
                const PdfExport::Info &info, int pageCount, QString *error)
{
    QPdfWriter writer(&device);
    writer.setResolution(72);
    writer.setTitle(info.title);
    writer.setCreator(info.creator);
    // An exact match keeps a label that is nearly a standard paper size at its own size.
    writer.setPageLayout(QPageLayout(QPageSize(pageSize, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                     QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&writer))
        return failWith(error, translated(QStringLiteral("The PDF writer could not be started.")));
    for (int page = 0; page < pageCount; ++page) {
        if (page > 0)
            writer.newPage();
        painter.save();
        paint(painter, page);
        painter.restore();
    }
    painter.end();
    return true;
}

// What the writer made, finished: pages of a fractional size given their exact size and the
// document information the writer cannot set itself, appended as updates.
bool finishPdf(PdfBytes &pdf, const QSizeF &pageSize, const PdfExport::Info &info, QString *error)
{
    if (pdf.size() == 0)
        return failWith(error, translated(QStringLiteral("The PDF writer produced nothing.")));
    const bool wholePoints = pageSize.width() == std::round(pageSize.width())
        && pageSize.height() == std::round(pageSize.height());
    if (!wholePoints && !fitMediaBoxes(pdf, pageSize))
        return failWith(error, translated(QStringLiteral("The PDF page could not be given its exact size.")));
    if (!info.author.isEmpty())
        appendInfo(pdf, info);
    return true;
}

} // namespace

bool PdfExport::appendDocumentInfo(QByteArray &pdf, const Info &info)
{
    PdfBytes bytes{pdf, nullptr, {}};
    if (!appendInfo(bytes, info))
        return false;
    pdf += bytes.tail;
    return true;
}

QByteArray PdfExport::pdfData(const QSizeF &pageSize, const PaintFunction &paint, const Info &info,
                              int pageCount, QString *error)
{
    if (!validPage(pageSize, pageCount, error))
        return {};
    QByteArray data;
    {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!paintPages(buffer, pageSize, paint, info, pageCount, error))
            return {};
    }
    PdfBytes pdf{data, nullptr, {}};
    data.clear();
    if (!finishPdf(pdf, pageSize, info, error))
        return {};
    return pdf.body + pdf.tail;
}

bool PdfExport::writeFile(const QString &path, bool eps, const QSizeF &pageSize, const PaintFunction &paint,
                          const Info &info, int pageCount, QString *error, const std::function<bool()> &givenUp)
{
    auto stopped = [&givenUp] { return givenUp && givenUp(); };
    if (!validPage(pageSize, pageCount, error))
        return false;
    // The writer's pages go to a file of their own, read back a piece at a time: a sheet of
    // many large labels is hundreds of megabytes that never need to be in memory at once.
    QTemporaryFile drawn(QDir::tempPath() + QStringLiteral("/quillmark-XXXXXX.pdf"));
    if (!drawn.open())
        return failWith(error, Language::withValues(localizedString("Could not write %@: %@"),
                                                    {QFileInfo(path).fileName(), drawn.errorString()}));
    if (!paintPages(drawn, pageSize, paint, info, pageCount, error) || stopped())
        return false;
    if (!drawn.flush() || drawn.error() != QFileDevice::NoError)
        return failWith(error, Language::withValues(localizedString("Could not write %@: %@"),
                                                    {QFileInfo(path).fileName(), drawn.errorString()}));
    PdfBytes pdf{{}, &drawn, {}};
    if (!finishPdf(pdf, pageSize, info, error))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failWith(error, Language::withValues(localizedString("Could not write %@: %@"),
                                                    {QFileInfo(path).fileName(), file.errorString()}));
    if (eps) {
        // Poppler reads the file as the writer left it: the updates only fit the page, which
        // the EPS takes from the page's own size.
        if (!drawn.seek(drawn.size()) || drawn.write(pdf.tail) != pdf.tail.size() || !drawn.flush()) {
            file.cancelWriting();
            return failWith(error, Language::withValues(localizedString("Could not write %@: %@"),
                                                        {QFileInfo(path).fileName(), drawn.errorString()}));
        }
        if (!epsFromFile(drawn.fileName(), file, error)) {
            file.cancelWriting();
            return false;
        }
    } else {
        // In pieces, so that no more of the file than a piece is in memory at once.
        constexpr qint64 Piece = 8 << 20;
        if (drawn.seek(0))
            while (!drawn.atEnd() && file.error() == QFileDevice::NoError)
                file.write(drawn.read(Piece));
        file.write(pdf.tail);
    }
    if (stopped()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return failWith(error, Language::withValues(localizedString("Could not write %@: %@"),
                                                    {QFileInfo(path).fileName(), file.errorString()}));
    return true;
}

bool PdfExport::writePDF(const QString &path, const QSizeF &pageSize, const PaintFunction &paint,
                         const Info &info, int pageCount, QString *error)
{
    return writeFile(path, false, pageSize, paint, info, pageCount, error);
}

namespace {

// The first page of a PDF document as EPS into `output`.
bool convertToEps(Poppler::Document *document, QIODevice &output, QString *error)
{
    if (!document || document->isLocked() || document->numPages() < 1)
        return failWith(error, translated(QStringLiteral("The PDF drawing could not be read.")));
    std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return failWith(error, translated(QStringLiteral("The PDF drawing has no page.")));
    const QSizeF size = page->pageSizeF();
    std::unique_ptr<Poppler::PSConverter> converter = document->psConverter();
    converter->setOutputDevice(&output);
    converter->setPageList({1});
    converter->setPaperWidth(qCeil(size.width()));
    converter->setPaperHeight(qCeil(size.height()));
    converter->setPSOptions(Poppler::PSConverter::Printing | Poppler::PSConverter::PrintToEPS);
    if (!converter->convert() || output.pos() == 0)
        return failWith(error, translated(QStringLiteral("The drawing could not be converted to EPS.")));
    return true;
}

} // namespace

bool PdfExport::epsFromFile(const QString &pdfPath, QIODevice &output, QString *error)
{
    // own file: the PDF writer has just drawn it into a temporary file of the export.
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdfPath);
    return convertToEps(document.get(), output, error);
}

QByteArray PdfExport::epsFromPDF(const QByteArray &pdf, QString *error)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    QByteArray eps;
    QBuffer buffer(&eps);
    buffer.open(QIODevice::WriteOnly);
    if (!convertToEps(document.get(), buffer, error))
        return {};
    return eps;
}

bool PdfExport::writeEPS(const QString &path, const QSizeF &pageSize, const PaintFunction &paint,
                         QString *error)
{
    return writeFile(path, true, pageSize, paint, {}, 1, error);
}

} // namespace quillmark
