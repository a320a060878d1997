// Every writer of a whole design that works in slices while the window answers (Save, Save As,
// Copy, Duplicate, Save as Template and the template applied again), with slices of one
// object: each writes what the same design written at once writes, small picture included,
// read back by plistutil; given up in its panel, each leaves the file, the clipboard and the
// design as they were.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTimer>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/SaveTemplate.h"
#include "canvas/SlicedWork.h"
#include "canvas/TemplateFile.h"
#include "common/PlistutilReader.h"
#include "objects/ColorPath.h"
#include "objects/ObjectFactory.h"
#include "objects/PictureWorker.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A few objects of every kind the factory makes, each showing something of its own, opened as
// a design through File > Open.
void openEveryKind(apptest::WindowFixture &f, const QString &dir)
{
    GraphicList objects;
    int i = 0;
    for (const QString &kind : ObjectFactory::knownKinds()) {
        if (!ObjectFactory::isRegistered(kind))
            continue;
        for (int copy = 0; copy < 3; ++copy, ++i) {
            GraphicPtr graphic = ObjectFactory::create(kind);
            if (!graphic)
                continue;
            const QRectF frame(6 + (i % 8) * 26.0, 6 + (i / 8) * 20.0, 24, 18);
            graphic->setFrameBounds(frame);
            graphic->setPageName(f.canvas()->getCurrPageName());
            graphic->setObjectLayer(1);
            if (kind == QLatin1String("ColorRect") || kind == QLatin1String("ColorOval")) {
                graphic->textStorage()->setPlainText(QStringLiteral("Text %1").arg(i));
            } else if (kind == QLatin1String("ColorPath")) {
                QRandomGenerator random{quint32(i)};
                BezierPath outline;
                outline.moveTo(frame.topLeft());
                for (int p = 0; p < 12; ++p)
                    outline.lineTo(frame.topLeft() + QPointF(random.bounded(frame.width()), random.bounded(frame.height())));
                static_cast<ColorPath *>(graphic.get())->setBezierPath(outline);
            } else if (kind == QLatin1String("ColorBarcode")) {
                auto *barcode = static_cast<ColorBarcode *>(graphic.get());
                TBarInfo info = barcode->getBarInfo();
                info.BarStr = QStringLiteral("QM%1").arg(i, 6, 10, QLatin1Char('0')).toStdString();
                barcode->setBarInfo(info);
            }
            objects.append(graphic);
        }
    }
    // A box at the end continues the text of the first: slices of the design hold the one
    // without the other.
    GraphicPtr head;
    for (const GraphicPtr &graphic : std::as_const(objects))
        if (graphic->className() == QLatin1String("ColorRect") && !head)
            head = graphic;
    if (head) {
        GraphicPtr tail = ColorRect::create(QRectF(6, 6 + (i / 8 + 1) * 20.0, 60, 18));
        tail->setPageName(f.canvas()->getCurrPageName());
        tail->setObjectLayer(1);
        tail->setTextLink(head.get(), true);
        objects.append(tail);
    }
    const QString path = dir + QStringLiteral("/Every Kind.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(path, f.canvas()->drawDocumentDictionaryForGraphics(objects), PlistFormat::Binary));
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(f.canvas()->getRects().size(), objects.size());
}

// Presses the Cancel of every progress panel that shows while `giveUp` is set; counts panels.
struct PanelWatch
{
    bool giveUp = false;
    int panels = 0;
    QTimer timer;
    PanelWatch()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *progress = qobject_cast<QProgressDialog *>(widget); progress && progress->isVisible()) {
                    ++panels;
                    if (giveUp)
                        progress->cancel();
                }
        });
        timer.start();
    }
};

QString newestTemplate()
{
    QString newest;
    QDateTime when;
    QDir folder(TemplateFile::userFolder());
    for (const QString &sub : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QFileInfo &info : QDir(folder.filePath(sub)).entryInfoList(QDir::Files))
            if (newest.isEmpty() || info.lastModified() >= when) {
                newest = info.filePath();
                when = info.lastModified();
            }
    return newest;
}

// The keys whose values differ, with the objects that differ.
std::string differences(const QVariant &a, const QVariant &b)
{
    std::string out;
    const QVariantMap x = a.toMap(), y = b.toMap();
    for (const QString &key : x.keys() + y.keys()) {
        if (x.value(key) == y.value(key))
            continue;
        out += key.toStdString() + " ";
        const QVariantList p = x.value(key).toList(), q = y.value(key).toList();
        for (qsizetype i = 0; i < std::min(p.size(), q.size()); ++i)
            if (p[i] != q[i])
                out += std::to_string(i) + " ";
    }
    return out;
}

} // namespace

TEST(SlicedWritersWindow, WritersInSlicesWriteWhatOneGoWritesAndGivingUpLeavesAllAsItWas)
{
    apptest::WindowFixture f(QStringLiteral("sliced-writers"));
    const QString dir = qmtest::freshDir(QStringLiteral("sliced-writers-files"));
    openEveryKind(f, dir);
    RectsView *canvas = f.canvas();
    const qsizetype count = canvas->getRects().size();
    // The pictures drawn aside for the label's small picture made first: a picture that arrives
    // while one is drawn shows in what is drawn after it.
    for (int i = 0; i < 2; ++i) {
        canvas->documentPreviewForGraphics(canvas->getRects());
        PictureWorker::waitUntilDone();
        apptest::settle();
    }
    WindowAnswering::setTimesForTesting(0, 0);
    struct Reset
    {
        ~Reset() { WindowAnswering::setTimesForTesting(-1, -1); }
    } reset;
    // What the design written at once holds, as plistutil reads it.
    const QVariant atOnce = qmtest::readWithPlistutil(
        PropertyList::toData(canvas->drawDocumentDictionaryForGraphics(canvas->getRects()), PlistFormat::Binary),
        QStringLiteral("sliced-writers-at-once"));
    ASSERT_EQ(atOnce.toMap().value(QStringLiteral("ObjectsList")).toList().size(), count);
    ASSERT_FALSE(atOnce.toMap().value(QStringLiteral("QuillmarkDocPreview")).toByteArray().isEmpty());

    PanelWatch watch;
    // Save As and Save, given up, then let run.
    const QString saved = dir + QStringLiteral("/Saved.qkdoc");
    QFile::remove(saved);
    watch.giveUp = true;
    f.prompts->queueSaveOfType(saved, 0);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    EXPECT_GT(watch.panels, 0);
    EXPECT_FALSE(QFileInfo::exists(saved));
    EXPECT_TRUE(f.prompts->calls().isEmpty() || f.prompts->calls().back().kind != qmtest::TestPrompts::Alert)
        << "a Save given up tells of no failure";
    watch.giveUp = false;
    f.prompts->queueSaveOfType(saved, 0);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    const QVariant savedRead = qmtest::readWithPlistutil(fileBytes(saved), QStringLiteral("sliced-writers-saved"));
    EXPECT_TRUE(savedRead == atOnce) << differences(savedRead, atOnce);
    EXPECT_FALSE(canvas->isChanged());

    canvas->wasChanged(true);
    const QByteArray before = fileBytes(saved);
    watch.giveUp = true;
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_EQ(fileBytes(saved), before);
    EXPECT_TRUE(canvas->isChanged());
    EXPECT_TRUE(canvas->updatesEnabled());
    watch.giveUp = false;

    // Copy and Duplicate: given up, the clipboard keeps what it held and nothing is added.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    QGuiApplication::clipboard()->setText(QStringLiteral("held"));
    watch.giveUp = true;
    for (const QString &command : {QStringLiteral("Copy"), QStringLiteral("Duplicate"), QStringLiteral("Replicate"),
                                   QStringLiteral("Cut")}) {
        SCOPED_TRACE(command.toStdString());
        f.trigger(QStringLiteral("Edit"), command);
        apptest::settle();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("held"));
        EXPECT_EQ(canvas->getRects().size(), count);
        // The canvas held while the panel showed is drawn again.
        EXPECT_TRUE(canvas->updatesEnabled());
    }
    watch.giveUp = false;
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime && mime->hasFormat(RectsView::pasteboardType()));
    QVariantMap copied =
        qmtest::readWithPlistutil(mime->data(RectsView::pasteboardType()), QStringLiteral("sliced-writers-copied")).toMap();
    EXPECT_TRUE(copied == atOnce.toMap()) << differences(copied, atOnce);

    // Save as Template, given up, writes no template; let run, it holds every object, and the
    // template applied again, given up, changes nothing.
    auto saveTemplate = [&](const QString &title) {
        f.prompts->queuePanel([title](QDialog *dialog) {
            auto *panel = qobject_cast<SaveTemplate *>(dialog);
            if (!panel)
                return 0;
            panel->titleField()->setText(title);
            return 1;
        });
        emit f.window->fileMenu()->aboutToShow();
        f.trigger(QStringLiteral("File"), QStringLiteral("Save as Template..."));
    };
    const QString before2 = newestTemplate();
    watch.giveUp = true;
    saveTemplate(QStringLiteral("Given Up"));
    EXPECT_EQ(newestTemplate(), before2);
    watch.giveUp = false;
    saveTemplate(QStringLiteral("Sliced"));
    EXPECT_TRUE(canvas->updatesEnabled());
    const QString made = newestTemplate();
    ASSERT_TRUE(made.endsWith(QStringLiteral("Sliced.") + QLatin1String(TemplateFile::Extension))) << made.toStdString();
    const QVariantMap stored = qmtest::readWithPlistutil(fileBytes(made), QStringLiteral("sliced-writers-template")).toMap();
    EXPECT_EQ(stored.value(QStringLiteral("ObjectsList")).toList().size(), count);
    const QVariant designBefore = qmtest::readWithPlistutil(
        PropertyList::toData(canvas->drawDocumentDictionaryForGraphics(canvas->getRects()), PlistFormat::Binary),
        QStringLiteral("sliced-writers-before-apply"));
    watch.giveUp = true;
    EXPECT_FALSE(canvas->setupNewTemplate(made, false));
    EXPECT_EQ(qmtest::readWithPlistutil(
                  PropertyList::toData(canvas->drawDocumentDictionaryForGraphics(canvas->getRects()), PlistFormat::Binary),
                  QStringLiteral("sliced-writers-after-apply")),
              designBefore);
    watch.giveUp = false;
    EXPECT_TRUE(canvas->setupNewTemplate(made, false));
    EXPECT_EQ(canvas->getRects().size(), count);

    // Duplicate and Replicate let run add their copies and draw the canvas again.
    const int replicas = canvas->replicateCount ? canvas->replicateCount() : 2;
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    EXPECT_EQ(canvas->getRects().size(), 2 * count);
    EXPECT_TRUE(canvas->updatesEnabled());
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Replicate"));
    EXPECT_EQ(canvas->getRects().size(), 2 * count + replicas * count);
    EXPECT_TRUE(canvas->updatesEnabled());

    // Paste: given up, nothing is added; let run while another program takes the clipboard as
    // the window answers, what was copied is added all the same.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    const qsizetype all = canvas->getRects().size();
    watch.giveUp = true;
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    EXPECT_EQ(canvas->getRects().size(), all);
    watch.giveUp = false;
    QTimer::singleShot(0, [] { QGuiApplication::clipboard()->setText(QStringLiteral("another program's")); });
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    EXPECT_EQ(canvas->getRects().size(), 2 * all);
    EXPECT_TRUE(canvas->updatesEnabled());
}
