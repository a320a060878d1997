// Writes the starting inputs of each fuzz entry point with the application's own writers, so
// a corpus can be made again when the formats change:  test_fuzz --make-seeds <corpus folder>
// Inputs that are only typed text (catalogue lines, sequence files) are kept by hand.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextDocument>
#include <QPainter>
#include <QPdfWriter>

#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "fuzz/FuzzSupport.h"
#include "objects/BezierPathArchive.h"
#include "objects/ColorRect.h"
#include "objects/ObjectFactory.h"
#include "objects/TextArchive.h"
#include "objects/specImage.h"
#include "platform/Archiver.h"
#include "platform/BezierPath.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "printing/GifEncoder.h"
#include "printing/Jp2Encoder.h"
#include "printing/TiffEncoder.h"
#include "stock/CustomDataSource.h"
#include "stock/TLabel.h"

using namespace quillmark;

namespace qmfuzz {

namespace {

void put(const QString &root, const QString &target, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(root + QLatin1Char('/') + target);
    QFile file(root + QLatin1Char('/') + target + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int makeSeeds(const QString &root)
{
    initialize();
    RectsView *canvas = window().canvas();

    // One design per object kind and one with all of them: a document, the same objects as a
    // template and as the clipboard holds them after Copy.
    GraphicList all;
    for (const QString &kind : ObjectFactory::knownKinds()) {
        const GraphicPtr graphic = ObjectFactory::create(kind);
        if (!graphic)
            continue;
        graphic->setFrameBounds(QRectF(10 + all.size() * 6, 10 + all.size() * 4, 80, 30));
        if (QTextDocument *text = graphic->textStorage())
            text->setPlainText(QStringLiteral("Ada Lovelace\n12 Analytical Row"));
        graphic->setPageName(canvas->getCurrPageName());
        graphic->setObjectLayer(1);
        canvas->addGraphic(graphic);
        all.append(graphic);

        canvas->clearSelection();
        canvas->selectRectUndo(graphic);
        canvas->copy();
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        if (mime)
            put(root, QStringLiteral("clipboard"), kind, mime->data(RectsView::pasteboardType()));
        const QVariantMap single = canvas->drawDocumentDictionaryForGraphics({graphic});
        put(root, QStringLiteral("document"), kind + QStringLiteral(".bin"), PropertyList::toData(single));
    }
    const QString design = QDir::tempPath() + QStringLiteral("/quillmark-seed.qkdoc");
    canvas->setFilePath(design);
    canvas->saveDocument();
    put(root, QStringLiteral("document"), QStringLiteral("all-kinds.bin"), fileBytes(design));
    put(root, QStringLiteral("document"), QStringLiteral("all-kinds.xml"),
        PropertyList::toData(PropertyList::fromData(fileBytes(design)), PlistFormat::Xml));
    put(root, QStringLiteral("template"), QStringLiteral("all-kinds.bin"), canvas->templateDocumentData());
    QFile::remove(design);
    canvas->undoManager()->removeAllActions();
    canvas->emptyNewDoc();

    // Property lists and the archived values documents hold.
    QVariantMap sample;
    sample.insert(QStringLiteral("name"), QStringLiteral("Größe ✓"));
    sample.insert(QStringLiteral("count"), qint64(42));
    sample.insert(QStringLiteral("ratio"), 0.5);
    sample.insert(QStringLiteral("flag"), true);
    sample.insert(QStringLiteral("when"), QDateTime(QDate(2020, 2, 29), QTime(12, 0), Qt::UTC));
    sample.insert(QStringLiteral("list"), QVariantList{QStringLiteral("a"), qint64(-1), QByteArray("\x01\x02", 2)});
    put(root, QStringLiteral("plist"), QStringLiteral("sample.bin"), PropertyList::toData(sample));
    put(root, QStringLiteral("plist"), QStringLiteral("sample.xml"), PropertyList::toData(sample, PlistFormat::Xml));
    put(root, QStringLiteral("plist"), QStringLiteral("color"), Archiver::archiveColor(QColor(10, 20, 30, 200)));
    put(root, QStringLiteral("plist"), QStringLiteral("font"), Archiver::archiveFont(QFont(QStringLiteral("DejaVu Sans"), 14)));
    BezierPath path;
    path.moveTo(QPointF(0, 0));
    path.lineTo(QPointF(10, 5));
    path.curveTo(QPointF(20, 20), QPointF(12, 8), QPointF(18, 12));
    path.closePath();
    put(root, QStringLiteral("plist"), QStringLiteral("path"), BezierPathArchive::archive(path));
    QTextDocument text;
    text.setHtml(QStringLiteral("<b>Bold</b> and <i>italic</i> text"));
    put(root, QStringLiteral("plist"), QStringLiteral("text"), TextArchive::archive(text));

    // Pictures in every format the loader takes.
    QImage picture(24, 16, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setBrush(Qt::blue);
        painter.drawEllipse(QRect(2, 2, 20, 12));
    }
    for (const char *format : {"png", "jpg", "bmp", "ppm", "xpm", "ico"})
        put(root, QStringLiteral("image"), QStringLiteral("picture.") + QLatin1String(format), encoded(picture, format));
    put(root, QStringLiteral("image"), QStringLiteral("picture.gif"), GifEncoder::encode(picture));
    put(root, QStringLiteral("image"), QStringLiteral("picture.tif"), TiffEncoder::encode(picture, 72));
    put(root, QStringLiteral("image"), QStringLiteral("picture.jp2"), Jp2Encoder::encode(picture, 72));
    put(root, QStringLiteral("image"), QStringLiteral("picture.svg"),
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"20\"><rect x=\"2\" y=\"2\" "
        "width=\"20\" height=\"10\" fill=\"red\"/><text x=\"3\" y=\"18\">A</text></svg>");
    {
        QByteArray pdf;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QSizeF(40, 30), QPageSize::Point));
        QPainter painter(&writer);
        painter.fillRect(QRectF(0, 0, 100, 100), Qt::green);
        painter.end();
        put(root, QStringLiteral("image"), QStringLiteral("picture.pdf"), pdf);
    }
    // The same picture archived inside a document, and a template's preview tile.
    put(root, QStringLiteral("plist"), QStringLiteral("picture"), specImage::fromData(encoded(picture, "png"))->archivedData());

    // The custom formats file as the stock editor saves it.
    const QString custom = QDir::tempPath() + QStringLiteral("/quillmark-seed-custom.plist");
    {
        CustomDataSource source(custom, QString());
        TLabel label;
        label.name = QStringLiteral("My Labels");
        source.addNewFormat(label);
        TLabel round;
        round.name = QStringLiteral("My Discs");
        round.shape = TLabel::Oval;
        round.hole = 1.5f;
        round.units = 0;
        source.addNewFormat(round);
        source.save_data();
    }
    put(root, QStringLiteral("customformats"), QStringLiteral("two-labels"), fileBytes(custom));
    QFile::remove(custom);
    return 0;
}

} // namespace qmfuzz
