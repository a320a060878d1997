// The design document: its stored form read by an independent reader, reopening, damaged and
// misnamed files, failed writes, New and the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

class DocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("document"));
        registerObjectKinds();
        dir = qmtest::freshDir(QStringLiteral("documents"));
        fixture = std::make_unique<canvastest::CanvasFixture>();
        RectsView::Outlets outlets = view()->outlets();
        outlets.cbDrawByType = &drawByTypeBox;
        view()->setOutlets(outlets);
        view()->undoManager()->removeAllActions();
    }

    RectsView *view() { return fixture->view.get(); }

    // A design of three objects, two of them grouped.
    void makeDesign()
    {
        auto a = fixture->add(QRectF(10, 10, 40, 20));
        auto b = fixture->add(QRectF(60, 10, 30, 30));
        auto c = fixture->add(QRectF(10, 50, 80, 20));
        c->setFillColor(QColor(200, 10, 10));
        view()->selectRect(a);
        view()->selectRect(b);
        view()->group();
        view()->clearSelection();
        view()->undoManager()->closeEventGroup();
    }

    QString saveAs(const QString &name)
    {
        const QString path = dir + QLatin1Char('/') + name;
        prompts->queuePath(path);
        EXPECT_TRUE(view()->save());
        return path;
    }

    int openFailures()
    {
        int count = 0;
        for (const auto &call : prompts.prompts().calls())
            if (call.kind == qmtest::TestPrompts::Alert && call.title == QLatin1String("Open Document:"))
                ++count;
        return count;
    }

    qmtest::ScopedTestPrompts prompts;
    QString dir;
    QCheckBox drawByTypeBox;
    std::unique_ptr<canvastest::CanvasFixture> fixture;
};

TEST_F(DocumentTest, SavedDocumentHasTheKeysAndFormsAnIndependentReaderSees)
{
    makeDesign();
    const QString path = saveAs(QStringLiteral("Design.qkdoc"));
    const QByteArray data = readAll(path);
    ASSERT_TRUE(data.startsWith("bplist00"));
    EXPECT_FALSE(view()->isChanged());
    EXPECT_EQ(view()->getFilePath(), path);
    EXPECT_EQ(view()->windowTitleText(), QStringLiteral("Quillmark::Design.qkdoc"));

    const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    ASSERT_FALSE(tool.isEmpty());
    const QString xmlPath = dir + QStringLiteral("/Design.xml");
    QProcess process;
    process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-o"), xmlPath, QStringLiteral("-f"), QStringLiteral("xml")});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0);
    const QByteArray xml = readAll(xmlPath);
    ASSERT_TRUE(xml.contains("<key>ObjectsList</key>"));
    const QVariantMap dict = PropertyList::fromData(xml).toMap();

    QStringList keys = dict.keys();
    keys.removeAll(QStringLiteral("DocumentVersion"));
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"DrawByType", "GroupsList", "Measurements", "ObjectsList", "OrientationKey",
                                 "QuillmarkDocPreview", "TLabel"}));
    EXPECT_EQ(dict.value("ObjectsList").toList().size(), 3);
    EXPECT_EQ(dict.value("GroupsList").toList().size(), 1);
    EXPECT_EQ(dict.value("Measurements").toString(), QStringLiteral("Inches"));
    EXPECT_EQ(dict.value("DrawByType").typeId(), QMetaType::QString);
    EXPECT_EQ(dict.value("OrientationKey").typeId(), QMetaType::LongLong);
    EXPECT_EQ(dict.value("QuillmarkDocPreview").typeId(), QMetaType::QByteArray);

    const QVariantList labels = dict.value("TLabel").toList();
    ASSERT_EQ(labels.size(), 1);
    QVariantMap label = labels.first().toMap();
    EXPECT_EQ(label.take("label_cell").toByteArray(), QByteArray(10, '\0'));
    EXPECT_EQ(label.take("name").typeId(), QMetaType::QString);
    const QVariantMap expected = {{"width", "4.0000"},  {"height", "2.0000"}, {"top_m", "0.1500"}, {"left_m", "0.1500"},
                                  {"v_dist", "0.2000"}, {"h_dist", "0.2000"}, {"number", "2"},      {"number_down", "5"},
                                  {"units", "1"},       {"deleted", "0"},     {"round", "0.0000"},  {"hole", "0.0000"},
                                  {"shape", "1"}};
    EXPECT_EQ(label, expected);
}

TEST_F(DocumentTest, ReopensToTheSameDesignWithAnEmptyHistory)
{
    makeDesign();
    const QString path = saveAs(QStringLiteral("Round.qkdoc"));
    const GraphicList before = view()->getRects();

    view()->newDocument();
    EXPECT_TRUE(view()->getRects().isEmpty());
    EXPECT_TRUE(view()->groups().isEmpty());
    EXPECT_FALSE(view()->undoManager()->canUndo());
    EXPECT_EQ(view()->windowTitleText(), QStringLiteral("Quillmark::Untitled"));

    ASSERT_TRUE(view()->open(path));
    const GraphicList after = view()->getRects();
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i]->frameBounds(), before[i]->frameBounds()) << i;
        EXPECT_EQ(after[i]->fillColor(), before[i]->fillColor()) << i;
    }
    ASSERT_EQ(view()->groups().size(), 1);
    EXPECT_EQ(view()->groups().first()->getObjects(), (GraphicList{after[0], after[1]}));
    EXPECT_FALSE(view()->isChanged());
    EXPECT_FALSE(view()->undoManager()->canUndo());
    EXPECT_EQ(view()->getFilePath(), path);
    EXPECT_TRUE(RectsView::recentDocuments().contains(path));
}

TEST_F(DocumentTest, BadFilesShowTheOpenAlertAndLeaveTheDesign)
{
    makeDesign();
    const QString good = saveAs(QStringLiteral("Good.qkdoc"));
    const QByteArray data = readAll(good);

    const QString upper = dir + QStringLiteral("/Upper.QKDOC");
    writeAll(upper, data);
    QVariantMap bad = PropertyList::fromData(data).toMap();
    bad.insert(QStringLiteral("TLabel"), QVariantList{});
    const QString emptyLabel = dir + QStringLiteral("/EmptyLabel.qkdoc");
    writeAll(emptyLabel, PropertyList::toData(bad));
    QVariantMap counts = PropertyList::fromData(data).toMap();
    QVariantMap label = counts.value("TLabel").toList().first().toMap();
    label.insert(QStringLiteral("number"), QStringLiteral("100000"));
    counts.insert(QStringLiteral("TLabel"), QVariantList{label});
    const QString hugeCount = dir + QStringLiteral("/Huge.qkdoc");
    writeAll(hugeCount, PropertyList::toData(counts));
    QVariantMap objects = PropertyList::fromData(data).toMap();
    objects.insert(QStringLiteral("ObjectsList"), QStringLiteral("not a list"));
    const QString badObjects = dir + QStringLiteral("/Objects.qkdoc");
    writeAll(badObjects, PropertyList::toData(objects));
    // Objects of kinds no version of the program made: nothing of the design could be shown.
    QVariantMap unknownKinds = PropertyList::fromData(data).toMap();
    QVariantList strangers;
    for (QVariant entry : unknownKinds.value(QStringLiteral("ObjectsList")).toList()) {
        QVariantMap object = entry.toMap();
        object.insert(QStringLiteral("Class"), QStringLiteral("ColorHologram"));
        strangers.append(object);
    }
    strangers.append(QVariantMap{{QStringLiteral("Class"), qint64(7)}});
    unknownKinds.insert(QStringLiteral("ObjectsList"), strangers);
    const QString unknown = dir + QStringLiteral("/Unknown.qkdoc");
    writeAll(unknown, PropertyList::toData(unknownKinds));
    const QString damaged = dir + QStringLiteral("/Damaged.qkdoc");
    writeAll(damaged, data.left(data.size() / 2));
    // The objects are read one at a time: one that is no object, after sound ones, still
    // refuses the whole design before anything changes.
    QVariantMap lastBad = PropertyList::fromData(data).toMap();
    QVariantList entries = lastBad.value(QStringLiteral("ObjectsList")).toList();
    entries.append(QStringLiteral("not an object"));
    lastBad.insert(QStringLiteral("ObjectsList"), entries);
    const QString badEntry = dir + QStringLiteral("/Entry.qkdoc");
    writeAll(badEntry, PropertyList::toData(lastBad));
    const QString missing = dir + QStringLiteral("/Missing.qkdoc");

    view()->wasChanged(true);
    const GraphicList design = view()->getRects();
    int failures = 0;
    for (const QString &path : {upper, emptyLabel, hugeCount, badObjects, unknown, damaged, badEntry, missing}) {
        EXPECT_FALSE(view()->open(path)) << path.toStdString();
        EXPECT_EQ(openFailures(), ++failures) << path.toStdString();
        EXPECT_EQ(view()->getRects(), design);
        EXPECT_EQ(view()->groups().size(), 1);
        EXPECT_EQ(view()->getFilePath(), good);
        EXPECT_TRUE(view()->isChanged());
    }
    EXPECT_EQ(prompts->last().title, QStringLiteral("Open Document:"));
}

TEST_F(DocumentTest, FailedWriteShowsTheSaveAlertAndKeepsTheOldFile)
{
    makeDesign();
    // A name that leaves no room for the temporary file beside it.
    const QString path = saveAs(QString(245, QLatin1Char('n')) + QStringLiteral(".qkdoc"));
    const QByteArray old = readAll(path);
    ASSERT_FALSE(old.isEmpty());
    fixture->add(QRectF(0, 0, 5, 5));
    view()->wasChanged(true);
    EXPECT_FALSE(view()->save());
    EXPECT_EQ(prompts->last().title, QStringLiteral("Could not save Document!"));
    EXPECT_EQ(readAll(path), old);
    EXPECT_TRUE(view()->isChanged());

    // The command that asked for the save stops with it.
    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_FALSE(view()->newDocument());
    EXPECT_EQ(view()->getRects().size(), 4);
    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_FALSE(view()->applicationShouldTerminate());
}

TEST_F(DocumentTest, CancelledSavePanelSavesNothing)
{
    makeDesign();
    view()->wasChanged(true);
    prompts->queueCancel();
    EXPECT_FALSE(view()->save());
    EXPECT_TRUE(view()->getFilePath().isEmpty());
    EXPECT_TRUE(view()->isChanged());
}

TEST_F(DocumentTest, ClipboardRoundTripAndDuplicate)
{
    makeDesign();
    const GraphicList design = view()->getRects();
    view()->selectRect(design[2]);
    view()->copy();
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasFormat(QStringLiteral("Quillmark Graphic Format")));
    EXPECT_TRUE(mime->data(QStringLiteral("Quillmark Graphic Format")).startsWith("bplist00"));

    view()->undoManager()->closeEventGroup();
    view()->paste();
    view()->undoManager()->closeEventGroup();
    ASSERT_EQ(view()->getRects().size(), 4);
    const auto pasted = view()->getRects().last();
    EXPECT_EQ(pasted->frameBounds(), design[2]->frameBounds());
    EXPECT_EQ(pasted->fillColor(), design[2]->fillColor());
    EXPECT_EQ(view()->selectedObjects(), GraphicList{pasted});
    EXPECT_EQ(view()->undoManager()->undoActionName(), QStringLiteral("Paste"));

    view()->duplicate();
    view()->undoManager()->closeEventGroup();
    ASSERT_EQ(view()->getRects().size(), 5);
    EXPECT_EQ(view()->getRects().last()->frameBounds(), design[2]->frameBounds().translated(5, 5));

    view()->cut();
    view()->undoManager()->closeEventGroup();
    EXPECT_EQ(view()->getRects().size(), 4);
    view()->undo();
    EXPECT_EQ(view()->getRects().size(), 5);

    // Foreign clipboard content changes nothing.
    auto *foreign = new QMimeData;
    foreign->setData(QStringLiteral("Quillmark Graphic Format"), QByteArray("bplist00 broken"));
    QGuiApplication::clipboard()->setMimeData(foreign);
    view()->paste();
    EXPECT_EQ(view()->getRects().size(), 5);
}

TEST_F(DocumentTest, ReaderEdgeCases)
{
    makeDesign();
    const QString good = saveAs(QStringLiteral("Edge.qkdoc"));
    const QVariantMap stored = PropertyList::fromData(readAll(good)).toMap();
    const TLabel current = view()->getLabel();

    struct Case
    {
        const char *name;
        std::function<void(QVariantMap &)> change;
        std::function<void()> check;
    };
    auto labelOf = [](QVariantMap &dict) { return dict.value("TLabel").toList().first().toMap(); };
    auto setLabel = [](QVariantMap &dict, const QVariantMap &label) { dict.insert("TLabel", QVariantList{label}); };
    const QList<Case> cases = {
        {"no DrawByType opens with draw by type on",
         [](QVariantMap &d) { d.remove("DrawByType"); },
         [&] { EXPECT_TRUE(view()->drawByType()); }},
        {"the label Unknown keeps the current stock",
         [&](QVariantMap &d) {
             QVariantMap l = labelOf(d);
             l.insert("name", "Unknown");
             l.insert("width", "9.00");
             setLabel(d, l);
         },
         [&] { EXPECT_EQ(view()->getLabel().width, current.width); }},
        {"a longer label_cell fills the flags and its rest is ignored",
         [&](QVariantMap &d) {
             QVariantMap l = labelOf(d);
             l.insert("name", "Unknown");
             l.insert("label_cell", QByteArray(40, '\1'));
             setLabel(d, l);
         },
         [&] { EXPECT_EQ(view()->getEnableLabelFlags(), QByteArray(10, '\1')); }},
        {"landscape swaps the label's sides and margins",
         [&](QVariantMap &d) {
             d.insert("OrientationKey", qint64(1));
             QVariantMap l = labelOf(d);
             l.insert("name", "Sideways");
             l.insert("width", "3.00");
             l.insert("height", "1.00");
             l.insert("top_m", "0.50");
             l.insert("left_m", "0.25");
             setLabel(d, l);
         },
         [&] {
             EXPECT_TRUE(fixture->landscape.isChecked());
             EXPECT_EQ(view()->getLabel().name, QStringLiteral("Sideways"));
         }},
    };
    int index = 0;
    for (const Case &c : cases) {
        QVariantMap dict = stored;
        c.change(dict);
        const QString path = dir + QStringLiteral("/case%1.qkdoc").arg(index++);
        writeAll(path, PropertyList::toData(dict));
        ASSERT_TRUE(view()->open(path)) << c.name;
        SCOPED_TRACE(c.name);
        c.check();
        EXPECT_EQ(view()->getRects().size(), 3);
    }
}

TEST_F(DocumentTest, GroupsListHoldsOnlyGroupsOfTheGivenGraphics)
{
    makeDesign();
    const GraphicList design = view()->getRects();
    const QVariantMap some = view()->drawDocumentDictionaryForGraphics({design[2]});
    EXPECT_TRUE(some.contains("GroupsList"));
    EXPECT_TRUE(some.value("GroupsList").toList().isEmpty());
    const QVariantMap all = view()->drawDocumentDictionaryForGraphics(design);
    EXPECT_EQ(all.value("GroupsList").toList().size(), 1);
}

TEST_F(DocumentTest, DeleteRemovesUnlockedObjectsAsOneStep)
{
    makeDesign();
    const GraphicList design = view()->getRects();
    design[2]->setLocked(true);
    for (const auto &graphic : design)
        view()->selectRect(graphic);
    view()->undoManager()->closeEventGroup();
    view()->delete_();
    view()->undoManager()->closeEventGroup();
    EXPECT_EQ(view()->getRects(), GraphicList{design[2]});
    EXPECT_EQ(view()->undoManager()->undoActionName(), QStringLiteral("Remove Object"));
    view()->undo();
    EXPECT_EQ(view()->getRects(), design);
}

TEST_F(DocumentTest, SaveAsByType)
{
    makeDesign();
    QList<int> written;
    QStringList paths;
    view()->saveAsWriter = [&](int type, const QString &path) {
        written.append(type);
        paths.append(path);
        return true;
    };
    view()->wasChanged(true);
    prompts->queueSaveOfType(dir + QStringLiteral("/Sheet.pdf"), 1);
    EXPECT_TRUE(view()->saveDocumentAs());
    // The type is a choice of the panel's pop-up, one filter each.
    ASSERT_EQ(prompts->last().kind, qmtest::TestPrompts::SaveFileOfType);
    const QList<Prompts::FileType> types = prompts->last().types;
    ASSERT_EQ(types.size(), 4);
    QStringList names;
    for (const Prompts::FileType &type : types)
        names.append(type.name);
    EXPECT_EQ(names, (QStringList{"Quillmark Document", "PDF", "EPS", "TIFF"}));
    EXPECT_EQ(types.at(0).extensions, QStringList{"qkdoc"});
    EXPECT_EQ(types.at(1).extensions, QStringList{"pdf"});
    EXPECT_EQ(types.at(2).extensions.first(), QStringLiteral("ps"));
    EXPECT_EQ(types.at(3).extensions.first(), QStringLiteral("tiff"));
    EXPECT_EQ(prompts->last().preselectedType, 0);
    EXPECT_TRUE(view()->isChanged());
    EXPECT_TRUE(view()->getFilePath().isEmpty());

    prompts->queueSaveOfType(dir + QStringLiteral("/Sheet.tiff"), 3);
    EXPECT_TRUE(view()->saveDocumentAs());
    EXPECT_FALSE(view()->isChanged());
    EXPECT_TRUE(view()->getFilePath().isEmpty());
    // A bare name takes the chosen type's extension.
    prompts->queueSaveOfType(dir + QStringLiteral("/Sheet"), 2);
    EXPECT_TRUE(view()->saveDocumentAs());
    EXPECT_EQ(written, (QList<int>{2, 4, 3}));
    EXPECT_EQ(paths.last(), dir + QStringLiteral("/Sheet.ps"));

    view()->wasChanged(true);
    prompts->queueSaveOfType(dir + QStringLiteral("/Copy"), 0);
    EXPECT_TRUE(view()->saveDocumentAs());
    EXPECT_EQ(view()->getFilePath(), dir + QStringLiteral("/Copy.qkdoc"));
    EXPECT_TRUE(readAll(view()->getFilePath()).startsWith("bplist00"));
    EXPECT_FALSE(view()->isChanged());
    EXPECT_EQ(prompts->last().title, QStringLiteral("Save Quillmark Document As:"));

    // Without the printing code only the design is offered.
    view()->saveAsWriter = nullptr;
    prompts->queueSaveOfType(dir + QStringLiteral("/Only"), 0);
    EXPECT_TRUE(view()->saveDocumentAs());
    EXPECT_EQ(prompts->last().types.size(), 1);
    // Cancelled: nothing written.
    EXPECT_FALSE(view()->saveDocumentAs());
}

} // namespace
