#include "Readers.h"

#include <QDomDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <memory>

#include <poppler-qt6.h>
#include <ZXing/ReadBarcode.h>

namespace scenario {

QStringList PdfPage::wordsIn(const QRectF &area) const
{
    QList<PdfWord> inside;
    for (const PdfWord &word : words)
        if (area.contains(word.box.center()))
            inside.append(word);
    std::sort(inside.begin(), inside.end(), [](const PdfWord &a, const PdfWord &b) {
        // Words of one line share most of their height.
        if (std::abs(a.box.center().y() - b.box.center().y()) > std::min(a.box.height(), b.box.height()) / 2)
            return a.box.center().y() < b.box.center().y();
        return a.box.left() < b.box.left();
    });
    QStringList texts;
    for (const PdfWord &word : inside)
        texts.append(word.text);
    return texts;
}

QString PdfPage::text() const
{
    return wordsIn(QRectF(QPointF(-1e6, -1e6), QPointF(1e6, 1e6))).join(QLatin1Char(' '));
}

QList<PdfPage> readPdf(const QString &path)
{
    QList<PdfPage> pages;
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked())
        return pages;
    for (int i = 0; i < document->numPages(); ++i) {
        std::unique_ptr<Poppler::Page> page = document->page(i);
        if (!page)
            continue;
        PdfPage read;
        read.size = page->pageSizeF();
        for (const auto &box : page->textList())
            read.words.append({box->text(), box->boundingBox()});
        pages.append(read);
    }
    return pages;
}

QImage renderPdfPage(const QString &path, int page, double dpi)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || page < 0 || page >= document->numPages())
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing, false);
    document->setPaperColor(Qt::white);
    std::unique_ptr<Poppler::Page> p = document->page(page);
    return p ? p->renderToImage(dpi, dpi) : QImage();
}

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QVariant plistValue(const QDomElement &element)
{
    const QString tag = element.tagName();
    if (tag == QLatin1String("dict")) {
        QVariantMap map;
        for (QDomElement key = element.firstChildElement(); !key.isNull(); key = key.nextSiblingElement()) {
            const QDomElement value = key.nextSiblingElement();
            if (key.tagName() != QLatin1String("key") || value.isNull())
                break;
            map.insert(key.text(), plistValue(value));
            key = value;
        }
        return map;
    }
    if (tag == QLatin1String("array")) {
        QVariantList list;
        for (QDomElement item = element.firstChildElement(); !item.isNull(); item = item.nextSiblingElement())
            list.append(plistValue(item));
        return list;
    }
    if (tag == QLatin1String("integer"))
        return element.text().trimmed().toLongLong();
    if (tag == QLatin1String("real"))
        return element.text().trimmed().toDouble();
    if (tag == QLatin1String("true") || tag == QLatin1String("false"))
        return tag == QLatin1String("true");
    if (tag == QLatin1String("data"))
        return QByteArray::fromBase64(element.text().simplified().remove(QLatin1Char(' ')).toLatin1());
    return element.text();
}

} // namespace

QString plistXml(const QString &path)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (program.isEmpty())
        return {};
    return run(program, {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml"),
                         QStringLiteral("-o"), QStringLiteral("-")});
}

QVariant readPlist(const QString &path)
{
    QDomDocument document;
    if (!document.setContent(plistXml(path)))
        return {};
    const QDomElement root = document.documentElement().firstChildElement();
    return root.isNull() ? QVariant() : plistValue(root);
}

QString plistXmlOfData(const QByteArray &data)
{
    QTemporaryFile file;
    if (!file.open() || file.write(data) != data.size())
        return {};
    file.close();
    return plistXml(file.fileName());
}

QVariantList objectsOf(const QVariant &document)
{
    return document.toMap().value(QStringLiteral("ObjectsList")).toList();
}

QRectF boundsOf(const QVariant &object)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\{\\{\\s*([-+0-9.eE]+)\\s*,\\s*([-+0-9.eE]+)\\s*\\}\\s*,\\s*\\{\\s*([-+0-9.eE]+)\\s*,\\s*([-+0-9.eE]+)\\s*\\}\\}$"));
    const QRegularExpressionMatch match = form.match(object.toMap().value(QStringLiteral("Bounds")).toString());
    if (!match.hasMatch())
        return {};
    return QRectF(match.captured(1).toDouble(), match.captured(2).toDouble(), match.captured(3).toDouble(),
                  match.captured(4).toDouble());
}

QStringList objectTexts(const QVariant &document)
{
    QStringList texts;
    for (const QVariant &object : document.toMap().value(QStringLiteral("ObjectsList")).toList()) {
        const QByteArray archive = object.toMap().value(QStringLiteral("Text")).toByteArray();
        QStringList strings;
        QDomDocument xml;
        if (!archive.isEmpty() && xml.setContent(plistXmlOfData(archive))) {
            // The archive's strings that are not its own keys and class names: the runs' text.
            const QDomNodeList nodes = xml.elementsByTagName(QStringLiteral("string"));
            for (int i = 0; i < nodes.size(); ++i) {
                const QDomElement element = nodes.at(i).toElement();
                const QDomElement key = element.previousSiblingElement();
                if (!key.isNull() && key.tagName() == QLatin1String("key") && key.text() == QLatin1String("Text"))
                    strings << element.text();
            }
        }
        texts << strings.join(QString());
    }
    return texts;
}

QStringList sqliteRows(const QString &database, const QString &sql)
{
    QStringList rows = run(QStringLiteral("sqlite3"), {database, sql}).split(QLatin1Char('\n'));
    rows.removeAll(QString());
    return rows;
}

namespace {

QList<Symbol> symbolsWith(const QImage &image, const ZXing::DecodeHints &hints)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                          int(gray.bytesPerLine()));
    QList<Symbol> symbols;
    for (const ZXing::Result &result : ZXing::ReadBarcodes(view, hints)) {
        if (!result.isValid())
            continue;
        QRectF box;
        const auto &position = result.position();
        for (int i = 0; i < 4; ++i)
            box = box.united(QRectF(QPointF(position[i].x, position[i].y), QSizeF(1, 1)));
        symbols.append({QString::fromStdString(ZXing::ToString(result.format())),
                        QString::fromStdWString(result.text()), box});
    }
    return symbols;
}

} // namespace

QList<Symbol> readSymbols(const QImage &image)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    return symbolsWith(image, hints);
}

QList<Symbol> readUprightRetailSymbols(const QImage &image)
{
    ZXing::DecodeHints hints;
    hints.setTryHarder(false);
    hints.setTryRotate(false);
    hints.setFormats(ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::EAN8 | ZXing::BarcodeFormat::EAN13
                     | ZXing::BarcodeFormat::UPCA | ZXing::BarcodeFormat::UPCE);
    return symbolsWith(image, hints);
}

} // namespace scenario
