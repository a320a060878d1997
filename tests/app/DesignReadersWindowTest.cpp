// What the readers of a design refuse, they refuse with the reason and change nothing: a path
// longer than a path may be is refused by every reader (Open, Paste, a design template) and is
// never written, and a design file cut short or garbled is called damaged, in both of the forms
// a design is written in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>

#include "app/AppTestSupport.h"
#include "canvas/TemplateFile.h"
#include "objects/BezierPathArchive.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "platform/BezierPath.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

// An outline of the given number of elements: a zigzag of lines.
BezierPath outlineOf(int elements)
{
    BezierPath outline;
    outline.moveTo(QPointF(0, 0));
    for (int i = 1; i < elements; ++i)
        outline.lineTo(QPointF(i % 2 ? 40 : 0, 30.0 * i / elements));
    return outline;
}

// A design holding one path whose stored outline is the given one.
QVariantMap designWithOutline(RectsView *canvas, const QByteArray &archived)
{
    auto path = ColorPath::create(QRectF(10, 10, 40, 30));
    path->setPageName(canvas->getCurrPageName());
    QVariantMap document = canvas->drawDocumentDictionaryForGraphics({path});
    QVariantMap object = document.value(QStringLiteral("ObjectsList")).toList().first().toMap();
    object.insert(QStringLiteral("Path"), archived);
    document.insert(QStringLiteral("ObjectsList"), QVariantList{object});
    return document;
}

QStringList framesOf(RectsView *canvas)
{
    QStringList frames;
    for (const GraphicPtr &graphic : canvas->getRects()) {
        const QRectF f = graphic->frameBounds();
        frames.append(QStringLiteral("%1 %2 %3 %4 %5").arg(graphic->className()).arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height()));
    }
    return frames;
}

QString alerts(const qmtest::TestPrompts &prompts)
{
    QStringList said;
    for (const auto &call : prompts.calls())
        if (call.kind == qmtest::TestPrompts::Alert)
            said.append(call.title + QStringLiteral(": ") + call.message);
    return said.join(QLatin1Char('\n'));
}

} // namespace

// At the limit every reader takes the outline; one element more and every reader refuses it,
// saying so, and the design on the canvas stays as it was. A design holding such a path is not
// written.
TEST(DesignReaders, APathPastTheLimitIsRefusedByEveryReaderWithTheReasonAndNeverWritten)
{
    apptest::WindowFixture f(QStringLiteral("path-limit"));
    RectsView *canvas = f.canvas();
    const QString dir = qmtest::freshDir(QStringLiteral("path-limit-files"));
    f.drawRect(QRectF(60, 8, 30, 20));
    f.tool(RectsView::SelectTool)->trigger();
    ASSERT_EQ(canvas->getRects().size(), 1);

    for (const int elements : {BezierPathArchive::MaxElements, BezierPathArchive::MaxElements + 1}) {
        const bool past = elements > BezierPathArchive::MaxElements;
        SCOPED_TRACE(elements);
        const QByteArray archived = BezierPathArchive::archive(outlineOf(elements));
        ASSERT_EQ(BezierPathArchive::storedElementCount(archived), elements);
        // The reader of the outline itself.
        EXPECT_EQ(BezierPathArchive::unarchive(archived).has_value(), !past);
        const QVariantMap document = designWithOutline(canvas, archived);
        EXPECT_EQ(RectsView::checkDocumentDictionary(document).isSound(), !past);
        // A design template holding it.
        QVariantMap templateDict = document;
        templateDict.insert(QStringLiteral("TemplateBounds"), QStringLiteral("{{0, 0}, {180, 72}}"));
        const QString templatePath = dir + QStringLiteral("/Long.") + QLatin1String(TemplateFile::Extension);
        ASSERT_TRUE(PropertyList::writeFile(templatePath, templateDict, PlistFormat::Binary));
        EXPECT_EQ(TemplateFile::read(templatePath).has_value(), !past);
        if (!past)
            continue;

        // Past the limit, each reader the user reaches: Open, Paste, a design template.
        const QStringList before = framesOf(canvas);
        const QString file = dir + QStringLiteral("/Long.qkdoc");
        ASSERT_TRUE(PropertyList::writeFile(file, document, PlistFormat::Binary));
        canvas->wasChanged(false);
        f.prompts->clear();
        f.prompts->queuePath(file);
        f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
        EXPECT_TRUE(alerts(f.prompts.prompts()).contains(QStringLiteral("holds a path of 1,000,001 points, more than the 1,000,000")))
            << alerts(f.prompts.prompts()).toStdString();
        EXPECT_EQ(framesOf(canvas), before);

        f.prompts->clear();
        auto *mime = new QMimeData;
        mime->setData(RectsView::pasteboardType(), PropertyList::toData(document, PlistFormat::Binary));
        QApplication::clipboard()->setMimeData(mime);
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
        EXPECT_TRUE(alerts(f.prompts.prompts()).contains(QStringLiteral("A path holds at most 1,000,000 points: this one has 1,000,001")))
            << alerts(f.prompts.prompts()).toStdString();
        EXPECT_EQ(framesOf(canvas), before);

        f.prompts->clear();
        EXPECT_FALSE(canvas->setupNewTemplate(templatePath, true));
        EXPECT_TRUE(alerts(f.prompts.prompts()).contains(QStringLiteral("Could not open the template."))) << alerts(f.prompts.prompts()).toStdString();
        EXPECT_EQ(framesOf(canvas), before);

        // The writer holds the same limit: a design holding such a path (off the label, where
        // no repaint fills it) is not written, and says why.
        auto path = ColorPath::create(QRectF(4000, 4000, 40, 30));
        path->setPageName(canvas->getCurrPageName());
        path->setBezierPath(outlineOf(elements));
        canvas->addGraphic(path);
        const QString saved = dir + QStringLiteral("/Saved");
        f.prompts->clear();
        f.prompts->queueSaveOfType(saved, 0);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        EXPECT_TRUE(alerts(f.prompts.prompts()).contains(QStringLiteral("The design holds a path of 1,000,001 points, more than the 1,000,000 a path may hold: it was not saved.")))
            << alerts(f.prompts.prompts()).toStdString();
        EXPECT_FALSE(QFileInfo::exists(saved + QStringLiteral(".qkdoc")));
    }
}

// A design cut short anywhere (a disk that filled during its save) or garbled is called damaged,
// not a file of another kind, in both forms a design is written in; nothing on the canvas
// changes. A file of another kind is still called so.
TEST(DesignReaders, ADesignCutShortOrGarbledIsCalledDamaged)
{
    apptest::WindowFixture f(QStringLiteral("damaged-design"));
    RectsView *canvas = f.canvas();
    const QString dir = qmtest::freshDir(QStringLiteral("damaged-design-files"));
    f.drawRect(QRectF(10, 8, 50, 20));
    f.tool(RectsView::SelectTool)->trigger();
    const QString whole = dir + QStringLiteral("/Whole.qkdoc");
    f.prompts->queueSaveOfType(whole, 0);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    const QVariant design = PropertyList::readFile(whole);
    ASSERT_EQ(design.typeId(), QMetaType::QVariantMap);
    const QStringList before = framesOf(canvas);

    auto expectSaid = [&](const QByteArray &bytes, const QString &expected, const std::string &what) {
        const QString file = dir + QStringLiteral("/Broken.qkdoc");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        canvas->wasChanged(false);
        f.prompts->clear();
        f.prompts->queuePath(file);
        f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
        const QString said = alerts(f.prompts.prompts());
        EXPECT_TRUE(said.contains(expected)) << what << ": " << said.toStdString();
        EXPECT_EQ(framesOf(canvas), before) << what;
    };
    const QString damaged = QStringLiteral("“Broken.qkdoc” is damaged");
    for (const PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        const QByteArray bytes = PropertyList::toData(design, format);
        ASSERT_GT(bytes.size(), 64);
        const std::string name = format == PlistFormat::Binary ? "binary" : "XML";
        for (const qsizetype length : {qsizetype(0), qsizetype(8), bytes.size() / 4, bytes.size() / 2, bytes.size() * 3 / 4, bytes.size() - 20})
            expectSaid(bytes.left(length), damaged, name + " cut at " + std::to_string(length));
        // Garbled: the end of the file (the binary form's table of places, the XML's closing
        // tags) overwritten.
        QByteArray garbled = bytes;
        for (qsizetype i = garbled.size() - 40; i < garbled.size(); ++i)
            garbled[i] = char(0xA5);
        expectSaid(garbled, damaged, name + " garbled");
    }
    expectSaid(QByteArray("\x89PNG\r\n\x1a\n") + QByteArray(200, 'x'), QStringLiteral("“Broken.qkdoc” is not a Quillmark design"),
               "a picture");
}
