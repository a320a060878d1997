#include "objects/SvgSanitizer.h"

#include <QBuffer>
#include <QImageReader>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace quillmark {

namespace {

// The bitmap formats an embedded picture may have. Anything else (an SVG drawing above all,
// compressed or not) would be read by a reader that never passes through here.
bool isEmbeddableFormat(const QByteArray &format)
{
    static const QByteArray allowed[] = {"png", "jpeg", "jpg", "gif", "bmp", "webp"};
    for (const QByteArray &each : allowed) {
        if (format == each)
            return true;
    }
    return false;
}

bool isSafeEmbeddedPicture(const QString &value, qint64 maxPixels)
{
    // The renderer takes the bytes after the last "base64," and nothing else; the check
    // reads exactly those bytes.
    const qsizetype marker = value.lastIndexOf(QLatin1String("base64,"));
    if (marker < 0)
        return false;
    QByteArray bytes = QByteArray::fromBase64(value.mid(marker + 7).toLatin1());
    if (bytes.isEmpty())
        return false;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    const QByteArray format = QImageReader::imageFormat(&buffer).toLower();
    if (!isEmbeddableFormat(format))
        return false;
    buffer.seek(0);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    return size.isValid() && !size.isEmpty() && qint64(size.width()) * size.height() <= maxPixels;
}

} // namespace

bool SvgSanitizer::isSafeReference(const QString &value, qint64 maxPixels)
{
    if (value.startsWith(QLatin1Char('#')))
        return value.size() > 1;
    if (value.startsWith(QLatin1String("data:")))
        return isSafeEmbeddedPicture(value, maxPixels);
    return false;
}

QByteArray SvgSanitizer::sanitize(const QByteArray &svg, qint64 maxBytes)
{
    // The pixel limit of embedded pictures: the same as for any picture the design holds.
    constexpr qint64 maxEmbeddedPixels = 64LL * 1024 * 1024;

    QXmlStreamReader reader(svg);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(false);
    bool sawRoot = false;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        switch (token) {
        case QXmlStreamReader::StartDocument:
            writer.writeStartDocument();
            break;
        case QXmlStreamReader::EndDocument:
            writer.writeEndDocument();
            break;
        case QXmlStreamReader::StartElement: {
            if (depth == 0) {
                if (sawRoot || reader.name() != QLatin1String("svg"))
                    return {};
                sawRoot = true;
            }
            ++depth;
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamNamespaceDeclaration &declaration : reader.namespaceDeclarations()) {
                if (declaration.prefix().isEmpty())
                    writer.writeDefaultNamespace(declaration.namespaceUri().toString());
                else
                    writer.writeNamespace(declaration.namespaceUri().toString(), declaration.prefix().toString());
            }
            // A picture element's reference is a file path to the renderer even when it
            // looks like a fragment, so there only an embedded picture may stay.
            const bool picture = reader.name() == QLatin1String("image");
            for (const QXmlStreamAttribute &attribute : reader.attributes()) {
                const QString value = attribute.value().toString();
                if (attribute.name() == QLatin1String("href")) {
                    const bool keep = picture ? value.startsWith(QLatin1String("data:"))
                                                    && isSafeReference(value, maxEmbeddedPixels)
                                              : isSafeReference(value, maxEmbeddedPixels);
                    if (!keep)
                        continue;
                }
                writer.writeAttribute(attribute.qualifiedName().toString(), value);
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (depth == 0)
                break;
            if (reader.isCDATA())
                writer.writeCDATA(reader.text().toString());
            else
                writer.writeCharacters(reader.text().toString());
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::NoToken:
        case QXmlStreamReader::Invalid:
            break;
        }
        if (out.size() > maxBytes)
            return {};
    }
    if (reader.hasError() || !sawRoot || writer.hasError())
        return {};
    return out;
}

} // namespace quillmark
