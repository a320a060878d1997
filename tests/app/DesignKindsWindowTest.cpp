// Designs of every kind of object worked on through the window as a user does, saved, opened
// again and read back by libplist's own tool; the object limit that opening applies holds for
// every command that adds objects and for saving, and a refused design says which file and why.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/AppTestSupport.h"
#include "app/MainWindow.h"
#include "canvas/ObjectForms.h"
#include "canvas/SlicedWork.h"
#include "canvas/TemplateFile.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/Group.h"
#include "objects/specImage.h"
#include "platform/BezierPath.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace {

constexpr int Count = 250;

QString plistutil()
{
    return QStandardPaths::findExecutable(QStringLiteral("plistutil"));
}

// The saved file as libplist's own tool reads it, written out as XML.
QByteArray readByPlistutil(const QString &path)
{
    const QString xml = path + QStringLiteral(".xml");
    QProcess process;
    process.start(plistutil(), {QStringLiteral("-i"), path, QStringLiteral("-o"), xml, QStringLiteral("-f"), QStringLiteral("xml")});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return {};
    QFile file(xml);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QRectF frameOf(int i)
{
    return QRectF(4 + (i % 25) * 7.0, 4 + (i / 25) * 7.0, 6.0, 5.0);
}

// Text boxes, ovals with text along them, lines, paths and filled rectangles in turn; every
// tenth object grouped with the next.
QString everyKind(apptest::WindowFixture &f, const QString &name, int count)
{
    GraphicList objects;
    for (int i = 0; i < count; ++i) {
        const QRectF frame = frameOf(i);
        GraphicPtr object;
        switch (i % 5) {
        case 0:
            object = ColorRect::create(frame);
            object->textStorage()->setPlainText(QStringLiteral("Box %1").arg(i));
            break;
        case 1:
            object = ColorOval::create(frame);
            object->textStorage()->setPlainText(QStringLiteral("Along %1").arg(i));
            break;
        case 2:
            object = ColorLine::create(frame);
            break;
        case 3: {
            auto path = ColorPath::create(frame);
            QRandomGenerator random{quint32(i)};
            BezierPath outline;
            outline.moveTo(frame.topLeft());
            for (int k = 0; k < 12; ++k)
                outline.lineTo(QPointF(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height())));
            outline.closePath();
            path->setBezierPath(outline);
            object = path;
            break;
        }
        default:
            object = ColorRect::create(frame);
            object->setDrawsFill(true);
            object->setFillColor(QColor::fromHsv((i * 13) % 360, 120, 230));
            break;
        }
        object->setPageName(f.canvas()->getCurrPageName());
        object->setObjectLayer(1);
        objects.append(object);
    }
    QVariantMap dict = f.canvas()->drawDocumentDictionaryForGraphics(objects);
    QVariantList groups;
    for (int i = 0; i + 1 < count; i += 10) {
        auto group = Group::create();
        group->addObjects({objects[i], objects[i + 1]});
        groups.append(group->propertyListRepresentation(objects));
        group->clear();
    }
    dict.insert(QStringLiteral("GroupsList"), groups);
    const QString path = qmtest::freshDir(QStringLiteral("design-kinds-") + name) + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    EXPECT_TRUE(PropertyList::writeFile(path, dict, PlistFormat::Binary));
    return path;
}

void openThroughMenu(apptest::WindowFixture &f, const QString &path)
{
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
}

QStringList kindsOf(const GraphicList &objects)
{
    QStringList kinds;
    for (const GraphicPtr &object : objects)
        kinds.append(object->className());
    return kinds;
}

QList<QRectF> framesOf(const GraphicList &objects)
{
    QList<QRectF> frames;
    for (const GraphicPtr &object : objects)
        frames.append(object->frameBounds());
    return frames;
}

QList<QRectF> moved(QList<QRectF> frames, double dx)
{
    for (QRectF &frame : frames)
        frame.translate(dx, 0);
    return frames;
}

// The alerts shown since `from`, as "title: message".
QStringList alertsSince(apptest::WindowFixture &f, qsizetype from)
{
    QStringList shown;
    const auto &calls = f.prompts->calls();
    for (qsizetype i = from; i < calls.size(); ++i)
        if (calls[i].kind == qmtest::TestPrompts::Alert)
            shown.append(calls[i].title + QStringLiteral(": ") + calls[i].message);
    return shown;
}

// Where two saved designs differ, key by key, object by object (the first few places).
QString differences(const QByteArray &a, const QByteArray &b)
{
    QStringList found;
    const QVariantMap first = PropertyList::fromData(a).toMap();
    const QVariantMap second = PropertyList::fromData(b).toMap();
    for (const QString &key : first.keys()) {
        if (first.value(key) == second.value(key))
            continue;
        if (key != QLatin1String("ObjectsList") && key != QLatin1String("GroupsList")) {
            found.append(key);
            continue;
        }
        const QVariantList x = first.value(key).toList(), y = second.value(key).toList();
        for (qsizetype i = 0; i < std::min(x.size(), y.size()) && found.size() < 6; ++i) {
            const QVariantMap p = x[i].toMap(), q = y[i].toMap();
            for (const QString &inner : p.keys())
                if (p.value(inner) != q.value(inner))
                    found.append(QStringLiteral("%1[%2].%3: %4 / %5").arg(key).arg(i).arg(inner, p.value(inner).toString(), q.value(inner).toString()));
        }
    }
    return found.join(QStringLiteral("; "));
}

// The item of a window's menu bar, by the menu's and the item's text.
QAction *itemOf(MainWindow &window, const QString &menu, const QString &title)
{
    for (QAction *top : window.menuBar()->actions())
        if (top->menu() && top->menu()->title() == menu)
            for (QAction *item : top->menu()->actions())
                if (item->text() == title || item->text().startsWith(title + QLatin1Char(' ')))
                    return item;
    return nullptr;
}

// The places of each group's members in the list, group by group.
QList<QList<qsizetype>> groupPlaces(const RectsView &canvas)
{
    QList<QList<qsizetype>> places;
    const GraphicList all = canvas.getRects();
    for (const GroupPtr &group : canvas.groups()) {
        QList<qsizetype> members;
        for (const GraphicPtr &member : group->getObjects())
            members.append(all.indexOf(member));
        places.append(members);
    }
    return places;
}

struct LimitGuard
{
    explicit LimitGuard(qsizetype limit) { RectsView::setMaximumObjectsForTesting(limit); }
    ~LimitGuard() { RectsView::setMaximumObjectsForTesting(0); }
};

} // namespace

TEST(DesignKindsWindow, EveryKindOpenedEditedDuplicatedSavedReopenedAndReadByPlistutil)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) reads the saved design";
    apptest::WindowFixture f(QStringLiteral("design-kinds-window"));
    RectsView *canvas = f.canvas();
    const QString path = everyKind(f, QStringLiteral("Every Kind"), Count);

    openThroughMenu(f, path);
    ASSERT_EQ(canvas->getRects().size(), Count);
    ASSERT_EQ(canvas->groups().size(), Count / 10);
    const QStringList kinds = kindsOf(canvas->getRects());
    const QList<QRectF> frames = framesOf(canvas->getRects());
    for (const QString kind : {"ColorRect", "ColorOval", "ColorLine", "ColorPath"})
        EXPECT_EQ(kinds.count(kind), kind == QLatin1String("ColorRect") ? 2 * Count / 5 : Count / 5) << kind.toStdString();
    canvas->grab();

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    ASSERT_EQ(canvas->selectedObjects().size(), Count);
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    apptest::settle();
    EXPECT_EQ(framesOf(canvas->getRects()), moved(frames, 1.0));
    EXPECT_TRUE(canvas->isChanged());
    f.undo();
    EXPECT_EQ(framesOf(canvas->getRects()), frames);
    EXPECT_EQ(canvas->selectedObjects().size(), Count);

    // The copies follow the originals, each kind and text as it was, a step away, grouped as
    // the originals are.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 2 * Count);
    EXPECT_EQ(canvas->groups().size(), 2 * (Count / 10));
    EXPECT_EQ(canvas->selectedObjects().size(), Count);
    const GraphicList all = canvas->getRects();
    const QPointF step = all[Count]->frameBounds().topLeft() - frames[0].topLeft();
    EXPECT_FALSE(step.isNull());
    for (int i = 0; i < Count; ++i) {
        ASSERT_EQ(all[Count + i]->className(), kinds[i]) << i;
        EXPECT_EQ(all[Count + i]->frameBounds(), frames[i].translated(step)) << i;
        EXPECT_EQ(all[Count + i]->textStorage()->toPlainText(), all[i]->textStorage()->toPlainText()) << i;
        EXPECT_TRUE(canvas->isSelected(all[Count + i].get())) << i;
    }
    canvas->grab();

    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_FALSE(canvas->isChanged());
    EXPECT_TRUE(alertsSince(f, 0).isEmpty()) << alertsSince(f, 0).join(QLatin1Char('\n')).toStdString();
    // Written while its objects were still being made, the file is the very file the whole
    // tree gives when written at once.
    {
        QFile saved(path);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        const QByteArray whole = PropertyList::toData(canvas->drawDocumentDictionaryForGraphics(canvas->getRects()));
        EXPECT_TRUE(bytes == whole) << differences(whole, bytes).toStdString();
    }

    // What libplist's own tool reads is the design the program reads.
    const QByteArray theirs = readByPlistutil(path);
    ASSERT_FALSE(theirs.isEmpty());
    QString error;
    const QVariant ours = PropertyList::readFile(path, &error);
    ASSERT_TRUE(ours.isValid()) << error.toStdString();
    EXPECT_TRUE(theirs == PropertyList::toData(ours, PlistFormat::Xml));
    EXPECT_EQ(ours.toMap().value(QStringLiteral("ObjectsList")).toList().size(), 2 * Count);
    EXPECT_EQ(ours.toMap().value(QStringLiteral("GroupsList")).toList().size(), 2 * (Count / 10));

    // Opened again, the design is the one that was saved, and saved again, the same file.
    f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    ASSERT_TRUE(canvas->getRects().isEmpty());
    openThroughMenu(f, path);
    ASSERT_EQ(canvas->getRects().size(), 2 * Count);
    EXPECT_EQ(kindsOf(canvas->getRects()), kindsOf(all));
    EXPECT_EQ(framesOf(canvas->getRects()), framesOf(all));
    EXPECT_EQ(canvas->groups().size(), 2 * (Count / 10));
    for (const GroupPtr &group : canvas->groups())
        ASSERT_EQ(group->getObjects().size(), 2);
    QFile first(path);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray firstBytes = first.readAll();
    first.close();
    canvas->wasChanged(true);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    QFile second(path);
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    const QByteArray secondBytes = second.readAll();
    EXPECT_TRUE(secondBytes == firstBytes) << "the second save wrote another file: " << differences(firstBytes, secondBytes).toStdString();
}

TEST(DesignKindsWindow, NoCommandMakesADesignPastTheLimitAndEverySavedDesignReopens)
{
    apptest::WindowFixture f(QStringLiteral("design-kinds-limit"));
    RectsView *canvas = f.canvas();
    const LimitGuard limit(300);
    const QString path = everyKind(f, QStringLiteral("Two Hundred"), 200);
    openThroughMenu(f, path);
    ASSERT_EQ(canvas->getRects().size(), 200);

    // Duplicate, Replicate and Paste of the whole design would make 400: each is refused with
    // the reason, and nothing of it is done.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    const bool couldUndo = canvas->undoManager()->canUndo();
    const QString undoName = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->text();
    for (const QString &command : {QStringLiteral("Duplicate"), QStringLiteral("Paste")}) {
        const qsizetype before = f.prompts->calls().size();
        f.trigger(QStringLiteral("Edit"), command);
        EXPECT_EQ(canvas->getRects().size(), 200) << command.toStdString();
        EXPECT_EQ(canvas->groups().size(), 20) << command.toStdString();
        const QStringList alerts = alertsSince(f, before);
        ASSERT_EQ(alerts.size(), 1) << command.toStdString();
        EXPECT_EQ(alerts.first(), command + QStringLiteral(": A design holds at most 300 objects: this would make 400. Nothing was added."));
        EXPECT_EQ(canvas->undoManager()->canUndo(), couldUndo);
        EXPECT_EQ(f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->text(), undoName);
    }
    {
        const qsizetype before = f.prompts->calls().size();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Replicate"));
        EXPECT_EQ(canvas->getRects().size(), 200);
        const QStringList alerts = alertsSince(f, before);
        ASSERT_EQ(alerts.size(), 1);
        EXPECT_TRUE(alerts.first().startsWith(QStringLiteral("Replicate: A design holds at most 300 objects"))) << alerts.first().toStdString();
    }

    // Within the limit the commands work, up to the limit itself and not one object past it.
    canvas->clearSelection();
    for (int i = 0; i < 50; ++i)
        canvas->selectRect(canvas->getRects()[150 + i]);
    ASSERT_EQ(canvas->selectedObjects().size(), 50);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 250);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas->getRects().size(), 300);
    qsizetype before = f.prompts->calls().size();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    EXPECT_EQ(canvas->getRects().size(), 300);
    EXPECT_EQ(alertsSince(f, before).size(), 1);
    // A new object drawn with a tool is one more: refused as well.
    before = f.prompts->calls().size();
    f.drawRect(QRectF(20, 150, 30, 20));
    EXPECT_EQ(canvas->getRects().size(), 300);
    EXPECT_EQ(alertsSince(f, before).size(), 1);

    // The design at the limit is saved and opens again whole.
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_FALSE(canvas->isChanged());
    f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    openThroughMenu(f, path);
    EXPECT_EQ(canvas->getRects().size(), 300);

    // With a lower limit the same design is neither opened nor written over: whatever is on
    // disk still opens where the limit allows it.
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    saved.close();
    RectsView::setMaximumObjectsForTesting(299);
    canvas->wasChanged(true);
    before = f.prompts->calls().size();
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    ASSERT_EQ(alertsSince(f, before),
              QStringList{QStringLiteral("Could not save Document!: The design holds 300 objects, more than the 299 a design may hold: it was not saved.")});
    EXPECT_TRUE(canvas->isChanged());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll() == bytes);
    saved.close();
    canvas->wasChanged(false);
    before = f.prompts->calls().size();
    openThroughMenu(f, path);
    EXPECT_EQ(alertsSince(f, before),
              QStringList{QStringLiteral("Open Document:: The design “Two Hundred.qkdoc” holds 300 objects, more than the 299 a design may hold.")});
    EXPECT_EQ(canvas->getRects().size(), 300);
}

TEST(DesignKindsWindow, RefusedDesignsAreNamedWithTheReasonAndStoredGroupsAreTheMembers)
{
    apptest::WindowFixture f(QStringLiteral("design-kinds-refused"));
    RectsView *canvas = f.canvas();
    const QString path = everyKind(f, QStringLiteral("Sound"), 20);
    const QString dir = QFileInfo(path).absolutePath();
    const QVariantMap sound = PropertyList::readFile(path).toMap();

    auto refusal = [&](const QString &file) {
        const qsizetype before = f.prompts->calls().size();
        openThroughMenu(f, file);
        const QStringList alerts = alertsSince(f, before);
        return alerts.size() == 1 ? alerts.first() : alerts.join(QLatin1Char('|'));
    };
    auto written = [&](const QString &name, const QVariant &value) {
        const QString file = dir + QLatin1Char('/') + name;
        EXPECT_TRUE(PropertyList::writeFile(file, value, PlistFormat::Binary));
        return file;
    };

    QFile text(dir + QStringLiteral("/Letter.qkdoc"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Dear reader, this is a letter and not a design.");
    text.close();
    EXPECT_EQ(refusal(text.fileName()), QStringLiteral("Open Document:: The file “Letter.qkdoc” is not a Quillmark design."));
    EXPECT_EQ(refusal(written(QStringLiteral("List.qkdoc"), QVariantList{qint64(1)})),
              QStringLiteral("Open Document:: The file “List.qkdoc” is not a Quillmark design."));
    QVariantMap damaged = sound;
    damaged.insert(QStringLiteral("TLabel"), QStringLiteral("a label"));
    EXPECT_EQ(refusal(written(QStringLiteral("Damaged Label.qkdoc"), damaged)),
              QStringLiteral("Open Document:: The design “Damaged Label.qkdoc” is damaged at “TLabel”."));
    damaged = sound;
    damaged.insert(QStringLiteral("OrientationKey"), QStringLiteral("sideways"));
    EXPECT_EQ(refusal(written(QStringLiteral("Damaged Orientation.qkdoc"), damaged)),
              QStringLiteral("Open Document:: The design “Damaged Orientation.qkdoc” is damaged at “OrientationKey”."));
    // The objects are checked by their kind alone before any is made: one entry that is no
    // object at all, or objects of no kind the program knows, refuse the whole design.
    damaged = sound;
    QVariantList objects = sound.value(QStringLiteral("ObjectsList")).toList();
    objects.insert(7, QStringLiteral("an object"));
    damaged.insert(QStringLiteral("ObjectsList"), objects);
    EXPECT_EQ(refusal(written(QStringLiteral("Damaged Object.qkdoc"), damaged)),
              QStringLiteral("Open Document:: The design “Damaged Object.qkdoc” is damaged at “ObjectsList”."));
    objects = sound.value(QStringLiteral("ObjectsList")).toList();
    for (QVariant &object : objects) {
        QVariantMap unknown = object.toMap();
        unknown.insert(QStringLiteral("Class"), QStringLiteral("Teapot"));
        object = unknown;
    }
    damaged.insert(QStringLiteral("ObjectsList"), objects);
    EXPECT_EQ(refusal(written(QStringLiteral("Teapots.qkdoc"), damaged)),
              QStringLiteral("Open Document:: The file “Teapots.qkdoc” is not a Quillmark design."));
    {
        const LimitGuard limit(19);
        EXPECT_EQ(refusal(path), QStringLiteral("Open Document:: The design “Sound.qkdoc” holds 20 objects, more than the 19 a design may hold."));
    }
    EXPECT_TRUE(canvas->getRects().isEmpty());

    // One group stored 500 times, with bounds that are no place at all: one group, whose bounds
    // are its members'.
    QVariantMap repeated = sound;
    QVariantMap group = sound.value(QStringLiteral("GroupsList")).toList().first().toMap();
    group.insert(QStringLiteral("GroupBounds"), QStringLiteral("{{nan, inf}, {-1e308, 1e308}}"));
    repeated.insert(QStringLiteral("GroupsList"), QVariantList(500, group));
    EXPECT_EQ(refusal(written(QStringLiteral("Repeated Group.qkdoc"), repeated)), QString());
    ASSERT_EQ(canvas->getRects().size(), 20);
    ASSERT_EQ(canvas->groups().size(), 1);
    const GroupPtr only = canvas->groups().first();
    ASSERT_EQ(only->getObjects().size(), 2);
    const QRectF members = frameOf(0).united(frameOf(1));
    EXPECT_NEAR(only->bounds().x(), members.x(), 0.01);
    EXPECT_NEAR(only->bounds().y(), members.y(), 0.01);
    EXPECT_NEAR(only->bounds().width(), members.width(), 0.01);
    EXPECT_NEAR(only->bounds().height(), members.height(), 0.01);
    // A click on a member takes the whole group, which moves with the arrow key as one.
    f.click(frameOf(0).center());
    EXPECT_EQ(canvas->selectedObjects().size(), 2);
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    apptest::settle();
    EXPECT_NEAR(canvas->getRects()[1]->frameBounds().x(), frameOf(1).x() + 1.0, 0.01);
    EXPECT_NEAR(only->bounds().x(), members.x() + 1.0, 0.01);
    // Saved, it is stored once.
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_EQ(PropertyList::readFile(dir + QStringLiteral("/Repeated Group.qkdoc")).toMap().value(QStringLiteral("GroupsList")).toList().size(), 1);
}

// What Copy takes is the selection as it was then: the bytes another program reads (read here
// by libplist's own tool) and what Paste in a second window makes, in the same order and
// groups, even after the originals moved. Undo of a Duplicate of grouped objects leaves the
// design exactly as it was, and Redo brings the same copies back.
TEST(DesignKindsWindow, CopyTakesTheSelectionAsItWasAndPasteAndDuplicateKeepOrderAndGroups)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) reads the copied design";
    apptest::WindowFixture f(QStringLiteral("design-kinds-clipboard"));
    RectsView *canvas = f.canvas();
    const QString path = everyKind(f, QStringLiteral("Copied"), 100);
    openThroughMenu(f, path);
    ASSERT_EQ(canvas->getRects().size(), 100);
    const GraphicList originals = canvas->getRects();
    const QList<GroupPtr> originalGroups = canvas->groups();
    const QList<QRectF> frames = framesOf(originals);
    const QStringList kinds = kindsOf(originals);
    QStringList texts;
    for (const GraphicPtr &object : originals)
        texts.append(object->textStorage()->toPlainText());

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    const QVariantMap atCopy = canvas->drawDocumentDictionaryForGraphics(canvas->orderedSelectedGraphics());
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    apptest::settle();
    ASSERT_EQ(framesOf(canvas->getRects()), moved(frames, 1.0));

    // Another program reading the clipboard gets the objects and groups as they were copied.
    const QMimeData *offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(offered, nullptr);
    ASSERT_TRUE(offered->hasFormat(RectsView::pasteboardType()));
    const QString clipFile = qmtest::freshDir(QStringLiteral("design-kinds-clipboard-bytes")) + QStringLiteral("/clip.plist");
    {
        QFile out(clipFile);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(offered->data(RectsView::pasteboardType()));
    }
    const QVariantMap theirs = PropertyList::fromData(readByPlistutil(clipFile)).toMap();
    ASSERT_FALSE(theirs.isEmpty());
    EXPECT_TRUE(theirs.value(QStringLiteral("ObjectsList")) == PropertyList::asRead(atCopy.value(QStringLiteral("ObjectsList"))));
    EXPECT_TRUE(theirs.value(QStringLiteral("GroupsList")) == PropertyList::asRead(atCopy.value(QStringLiteral("GroupsList"))));
    EXPECT_EQ(theirs.value(QStringLiteral("GroupsList")).toList().size(), 10);

    // Pasted in a second window: the same kinds, texts and frames as copied, in the same
    // order, grouped as the originals; one Undo takes it all away.
    {
        MainWindow second;
        second.show();
        QAction *paste = itemOf(second, QStringLiteral("Edit"), QStringLiteral("Paste"));
        ASSERT_NE(paste, nullptr);
        paste->trigger();
        apptest::settle();
        RectsView *other = second.canvas();
        ASSERT_EQ(other->getRects().size(), 100);
        EXPECT_EQ(kindsOf(other->getRects()), kinds);
        EXPECT_EQ(framesOf(other->getRects()), frames);
        for (qsizetype i = 0; i < 100; ++i)
            EXPECT_EQ(other->getRects()[i]->textStorage()->toPlainText(), texts[i]) << i;
        EXPECT_EQ(groupPlaces(*other), groupPlaces(*canvas));
        EXPECT_EQ(other->selectedObjects().size(), 100);
        other->undoManager()->closeEventGroup();
        QAction *undo = itemOf(second, QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_NE(undo, nullptr);
        undo->trigger();
        apptest::settle();
        EXPECT_TRUE(other->getRects().isEmpty());
        EXPECT_TRUE(other->groups().isEmpty());
    }

    // Duplicate and its Undo: the very objects and groups as before, in their order.
    f.undo();
    ASSERT_EQ(framesOf(canvas->getRects()), frames);
    canvas->undoManager()->removeAllActions();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    const QList<QList<qsizetype>> placesBefore = groupPlaces(*canvas);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 200);
    ASSERT_EQ(canvas->groups().size(), 20);
    const GraphicList copies = canvas->getRects().mid(100);
    EXPECT_EQ(kindsOf(copies), kinds);
    QList<QList<qsizetype>> copiedPlaces = groupPlaces(*canvas).mid(10);
    for (QList<qsizetype> &members : copiedPlaces)
        for (qsizetype &place : members)
            place -= 100;
    EXPECT_EQ(copiedPlaces, placesBefore);
    f.undo();
    EXPECT_TRUE(canvas->getRects() == originals);
    EXPECT_TRUE(canvas->groups() == originalGroups);
    EXPECT_EQ(groupPlaces(*canvas), placesBefore);
    EXPECT_EQ(framesOf(canvas->getRects()), frames);
    EXPECT_EQ(canvas->selectedObjects().size(), 100);
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    ASSERT_NE(redo, nullptr);
    redo->trigger();
    apptest::settle();
    ASSERT_EQ(canvas->getRects().size(), 200);
    EXPECT_TRUE(canvas->getRects().mid(100) == copies);
    EXPECT_EQ(canvas->groups().size(), 20);
}

// A copy of a path of many thousand points shows at once what it would draw by itself: the
// picture kept of its original stands in for a fill of its own.
TEST(DesignKindsWindow, ADuplicatedPathOfManyPointsDrawsAsItWouldByItself)
{
    apptest::WindowFixture f(QStringLiteral("design-kinds-big-path"));
    RectsView *canvas = f.canvas();
    const QRectF frame(10, 10, 120, 60);
    auto path = ColorPath::create(frame);
    QRandomGenerator random{7};
    BezierPath outline;
    outline.moveTo(frame.topLeft());
    for (int k = 0; k < 3000; ++k)
        outline.lineTo(QPointF(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height())));
    outline.closePath();
    path->setBezierPath(outline);
    path->setDrawsFill(true);
    path->setFillColor(QColor(200, 40, 40));
    path->setPageName(canvas->getCurrPageName());
    path->setObjectLayer(1);
    const QString file = qmtest::freshDir(QStringLiteral("design-kinds-big-path")) + QStringLiteral("/Path.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(file, canvas->drawDocumentDictionaryForGraphics({path}), PlistFormat::Binary));
    openThroughMenu(f, file);
    ASSERT_EQ(canvas->getRects().size(), 1);
    canvas->grab();

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 2);
    const GraphicPtr original = canvas->getRects()[0];
    const GraphicPtr copy = canvas->getRects()[1];
    const QRectF copyFrame = copy->frameBounds();
    EXPECT_EQ(copyFrame.size(), original->frameBounds().size());
    const QImage shown = canvas->grab().toImage();

    // The copy made to draw itself anew: another colour and back.
    const QColor fill = copy->fillColor();
    copy->setFillColor(Qt::blue);
    const QImage blue = canvas->grab().toImage();
    EXPECT_NE(blue, shown);
    copy->setFillColor(fill);
    EXPECT_EQ(canvas->grab().toImage(), shown);

    // Moved, it keeps drawing the same outline; stretched, it draws its own at the new size.
    copy->setFrameBounds(copyFrame.translated(0, 80));
    const QImage movedAway = canvas->grab().toImage();
    EXPECT_NE(movedAway, shown);
    copy->setFrameBounds(copyFrame);
    EXPECT_EQ(canvas->grab().toImage(), shown);
    copy->setFrameBounds(QRectF(copyFrame.x(), copyFrame.y() + 80, copyFrame.width() * 1.5, copyFrame.height()));
    EXPECT_NE(canvas->grab().toImage(), movedAway);
}

namespace {

struct HelperThreads
{
    explicit HelperThreads(int count) { ObjectForms::setHelperThreadsForTesting(count); }
    ~HelperThreads() { ObjectForms::setHelperThreadsForTesting(-1); }
};

QByteArray savedThroughMenu(apptest::WindowFixture &f, const QString &path)
{
    f.canvas()->wasChanged(true);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    QFile saved(path);
    return saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
}

class PaintCount : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QByteArray copiedThroughMenu(apptest::WindowFixture &f)
{
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    const QMimeData *offered = QGuiApplication::clipboard()->mimeData();
    return offered ? offered->data(RectsView::pasteboardType()) : QByteArray();
}

} // namespace

// The forms of a large design are made on several threads at once: what Save writes and what
// Copy offers other programs are the very bytes one thread writes, with objects among them that
// are written on the window's thread only (two boxes sharing one linked text, a picture, a text
// holding a table, a path of many points) and a selection that is not the whole design; and
// Duplicate and Paste of such a copy give back every kind, text, link and frame, with exact
// Undo and Redo.
TEST(DesignKindsWindow, FormsMadeOnManyThreadsAreTheBytesOneThreadWrites)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) reads the saved design";
    apptest::WindowFixture f(QStringLiteral("design-kinds-threads"));
    RectsView *canvas = f.canvas();
    constexpr int Many = 900;
    const QString path = everyKind(f, QStringLiteral("Threads"), Many);
    openThroughMenu(f, path);
    ASSERT_EQ(canvas->getRects().size(), Many);
    const GraphicList all = canvas->getRects();
    // Boxes 300 and 600 show one text; box 405 holds a table; rectangle 704 a picture.
    all[600]->setTextLink(all[300].get(), true);
    ASSERT_EQ(all[300]->textStorage(), all[600]->textStorage());
    {
        QTextCursor cursor(all[405]->textStorage());
        cursor.movePosition(QTextCursor::End);
        cursor.insertTable(2, 2);
    }
    const QString picture = qmtest::freshDir(QStringLiteral("design-kinds-threads-picture")) + QStringLiteral("/dot.png");
    {
        QImage dot(8, 8, QImage::Format_RGB32);
        dot.fill(QColor(20, 120, 200));
        ASSERT_TRUE(dot.save(picture));
    }
    ASSERT_TRUE(all[704]->setImageFromPath(picture));
    // Path 803 has an outline of many points.
    {
        auto *path = dynamic_cast<ColorPath *>(all[803].get());
        ASSERT_NE(path, nullptr);
        const QRectF frame = path->frameBounds();
        QRandomGenerator random{803};
        BezierPath outline;
        outline.moveTo(frame.topLeft());
        for (int k = 0; k < 2500; ++k)
            outline.lineTo(QPointF(frame.x() + random.bounded(frame.width()), frame.y() + random.bounded(frame.height())));
        outline.closePath();
        path->setBezierPath(outline);
    }
    // The path's exact picture is made aside: it must have come before paints are counted,
    // or its arrival would be taken for a repaint that Save caused.
    apptest::grabDrawn(canvas);

    QByteArray oneThread;
    {
        const HelperThreads none(0);
        oneThread = savedThroughMenu(f, path);
    }
    // Saving changes nothing the canvas shows: it is not drawn again, not even once it has
    // taken long enough to show its panel (at once here, as on a busy machine).
    struct PanelAtOnce
    {
        PanelAtOnce() { WindowAnswering::setTimesForTesting(0, 0); }
        ~PanelAtOnce() { WindowAnswering::setTimesForTesting(-1, -1); }
    };
    PaintCount painted;
    canvas->installEventFilter(&painted);
    QByteArray many;
    {
        const PanelAtOnce panel;
        many = savedThroughMenu(f, path);
    }
    apptest::settle();
    EXPECT_EQ(painted.paints, 0);
    ASSERT_FALSE(oneThread.isEmpty());
    EXPECT_TRUE(many == oneThread) << differences(oneThread, many).toStdString();
    const QVariantList stored = PropertyList::fromData(readByPlistutil(path)).toMap().value(QStringLiteral("ObjectsList")).toList();
    ASSERT_EQ(stored.size(), Many);
    EXPECT_EQ(stored[300].toMap().value(QStringLiteral("FirstTextView")).toString(), QStringLiteral("600"));
    EXPECT_EQ(stored[704].toMap().value(QStringLiteral("ImagePath")).toString(), all[704]->imagePath());
    for (qsizetype i = 0; i < Many; ++i)
        ASSERT_EQ(stored[i].toMap().value(QStringLiteral("Class")).toString(), all[i]->className()) << i;

    // A selection of most objects but not all, copied on one thread and on many.
    for (qsizetype i = 0; i < Many; i += 3)
        canvas->selectRect(all[i]);
    ASSERT_GT(canvas->selectedObjects().size(), 256);
    QByteArray copiedByOne;
    {
        const HelperThreads none(0);
        copiedByOne = copiedThroughMenu(f);
    }
    apptest::grabDrawn(canvas);
    painted.paints = 0;
    QByteArray copied;
    {
        const PanelAtOnce panel;
        copied = copiedThroughMenu(f);
    }
    apptest::settle();
    EXPECT_EQ(painted.paints, 0);
    EXPECT_TRUE(copied == copiedByOne) << differences(copiedByOne, copied).toStdString();

    // The whole design duplicated: the copies hold what the originals hold, the linked pair
    // linked again; Undo leaves the design as it was and Redo brings the same copies back.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    canvas->undoManager()->removeAllActions();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 2 * Many);
    apptest::settle();
    EXPECT_GT(painted.paints, 0);
    canvas->removeEventFilter(&painted);
    const GraphicList doubled = canvas->getRects();
    const QPointF step = doubled[Many]->frameBounds().topLeft() - all[0]->frameBounds().topLeft();
    for (qsizetype i = 0; i < Many; ++i) {
        ASSERT_EQ(doubled[Many + i]->className(), all[i]->className()) << i;
        EXPECT_EQ(doubled[Many + i]->frameBounds(), all[i]->frameBounds().translated(step)) << i;
        EXPECT_EQ(doubled[Many + i]->textStorage()->toPlainText(), all[i]->textStorage()->toPlainText()) << i;
        if (i != 405) {
            EXPECT_EQ(doubled[Many + i]->textStorage()->toHtml(), all[i]->textStorage()->toHtml()) << i;
        }
    }
    EXPECT_EQ(doubled[Many + 405]->textStorage()->rootFrame()->childFrames().size(), 1);
    EXPECT_EQ(doubled[Many + 300]->textStorage(), doubled[Many + 600]->textStorage());
    EXPECT_NE(doubled[Many + 300]->textStorage(), all[300]->textStorage());
    EXPECT_TRUE(doubled[Many + 704]->hasValidImage());
    f.undo();
    EXPECT_TRUE(canvas->getRects() == all);
    QAction *redo = f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"));
    ASSERT_NE(redo, nullptr);
    redo->trigger();
    apptest::settle();
    EXPECT_TRUE(canvas->getRects() == doubled);

    // Cut of the copies and Paste: the same kinds and texts once more, in the same order.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Cut"));
    ASSERT_EQ(canvas->getRects().size(), Many);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas->getRects().size(), 2 * Many);
    for (qsizetype i = 0; i < Many; ++i) {
        ASSERT_EQ(canvas->getRects()[Many + i]->className(), all[i]->className()) << i;
        EXPECT_EQ(canvas->getRects()[Many + i]->textStorage()->toPlainText(), all[i]->textStorage()->toPlainText()) << i;
    }

    // Opened, the objects are made on several threads: they are the objects one thread makes
    // (saved again, the same bytes; drawn, the same pixels), and every text is the window's,
    // where typing into a box lays it out again without a word from Qt about threads.
    const QByteArray pasted = savedThroughMenu(f, path);
    ASSERT_FALSE(pasted.isEmpty());
    static QStringList threadWarnings;
    threadWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type != QtDebugMsg && message.contains(QLatin1String("thread"), Qt::CaseInsensitive))
            threadWarnings.append(message);
    });
    QImage drawnBy[2];
    for (int run = 0; run < 2; ++run) {
        const HelperThreads limit(run == 0 ? 0 : -1);
        openThroughMenu(f, path);
        ASSERT_EQ(canvas->getRects().size(), 2 * Many);
        for (const GraphicPtr &object : canvas->getRects())
            if (object->hasText()) {
                ASSERT_EQ(object->textStorage()->thread(), canvas->thread()) << object->textStorage()->toPlainText().toStdString();
            }
        drawnBy[run] = canvas->grab().toImage();
        const QByteArray again = savedThroughMenu(f, path);
        EXPECT_TRUE(again == pasted) << run << differences(pasted, again).toStdString();
    }
    EXPECT_EQ(drawnBy[1], drawnBy[0]);
    f.editText(frameOf(5).center());
    QTest::keyClicks(canvas, QStringLiteral("Qm"));
    apptest::settle();
    EXPECT_TRUE(canvas->getRects()[5]->textStorage()->toPlainText().contains(QLatin1String("Qm")))
        << canvas->getRects()[5]->textStorage()->toPlainText().toStdString();
    EXPECT_NE(canvas->grab().toImage(), drawnBy[1]);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(threadWarnings.isEmpty()) << threadWarnings.join(QLatin1Char('\n')).toStdString();
}

namespace {

// A photograph-like picture: smooth gradients and noise, which a PNG or a JPEG does not
// shrink to nothing.
QImage photograph(int seed)
{
    QImage photo(240, 160, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x + 40 * seed) % 256, (2 * y) % 256, int(random.bounded(96)) + 60 * seed % 160));
    return photo;
}

} // namespace

// One picture shown by many objects, as a logo on every label is: a PNG file, a JPEG file and
// a bitmap made in the program, each placed in turn, each object turned its own way, stored by
// the path of their files (as the program does unless told otherwise) or in the design itself.
// Opened, duplicated, saved and opened again, every object shows its picture as the picture
// itself shows it, turned as it was; the file stores each picture once, and libplist's own
// tool reads it as the program does.
void placedManyTimes(bool inTheDesign)
{
    SCOPED_TRACE(inTheDesign ? "pictures stored in the design" : "pictures stored by their paths");
    UserDefaults::standard().setString(inTheDesign ? QStringLiteral("YES") : QStringLiteral("NO"), QStringLiteral("imgToDoc"));
    apptest::WindowFixture f(QStringLiteral("design-kinds-pictures"));
    RectsView *canvas = f.canvas();
    const QString dir = qmtest::freshDir(QStringLiteral("design-kinds-pictures-files-%1").arg(int(inTheDesign)));
    const QString png = dir + QStringLiteral("/Logo.png");
    const QString jpeg = dir + QStringLiteral("/Photo.jpg");
    ASSERT_TRUE(photograph(1).save(png, "PNG"));
    ASSERT_TRUE(photograph(2).save(jpeg, "JPEG", 90));
    const QImage made = photograph(3);

    constexpr int Placed = 36;
    GraphicList objects;
    for (int i = 0; i < Placed; ++i) {
        GraphicPtr object = ColorRect::create(frameOf(i));
        QString error;
        if (i % 3 == 0)
            ASSERT_TRUE(object->setImageFromPath(png, &error)) << error.toStdString();
        else if (i % 3 == 1)
            ASSERT_TRUE(object->setImageFromPath(jpeg, &error)) << error.toStdString();
        else
            object->setImage(made);
        object->image()->setRotation(90 * ((i / 3) % 4));
        object->setPageName(canvas->getCurrPageName());
        object->setObjectLayer(1);
        objects.append(object);
    }
    // What each object must show: its picture read by itself, turned its way.
    auto expected = [&](int i) {
        std::shared_ptr<specImage> alone = i % 3 == 0 ? specImage::fromFile(png)
                                         : i % 3 == 1 ? specImage::fromFile(jpeg)
                                                      : std::make_shared<specImage>(made);
        alone->setRotation(90 * ((i / 3) % 4));
        return alone->prepareImage().convertToFormat(QImage::Format_ARGB32);
    };
    // Each of the three pictures is decoded once for every object showing it, whichever
    // reader made them: a photo on thousands of labels is held once, not thousands of times.
    int readers = 0;
    auto showsItsPicture = [&](const GraphicList &shown, int count) {
        ASSERT_GE(shown.size(), count);
        std::vector<std::shared_ptr<specImage>> decodings;
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(shown[i]->hasValidImage()) << i;
            const std::shared_ptr<specImage> image = shown[i]->image();
            if (std::none_of(decodings.begin(), decodings.end(), [&](const auto &d) { return d->sharesDecodingWith(*image); }))
                decodings.push_back(image);
            EXPECT_EQ(image->getRotation(), 90 * (((i % Placed) / 3) % 4)) << i;
            EXPECT_TRUE(image->prepareImage().convertToFormat(QImage::Format_ARGB32) == expected(i % Placed)) << i;
        }
        EXPECT_EQ(decodings.size(), 3u) << "reader " << readers << " counted from the first Open";
        ++readers;
    };
    // Each picture once, whatever the objects showing it: the three stored pictures and less
    // than a few kilobytes for each object's settings.
    qint64 pictures = 0;
    for (int i = 0; i < 3; ++i)
        pictures += objects[i]->image()->archivedData().size();
    auto storedOnce = [&](const QString &file, int count) {
        EXPECT_LT(QFileInfo(file).size(), pictures + count * 4096) << "pictures " << pictures;
    };

    const QString path = dir + QStringLiteral("/Labels.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(path, canvas->drawDocumentDictionaryForGraphics(objects), PlistFormat::Binary));
    storedOnce(path, Placed);
    objects.clear();

    openThroughMenu(f, path);
    showsItsPicture(canvas->getRects(), Placed);
    canvas->grab();

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    showsItsPicture(canvas->getRects(), 2 * Placed);
    // A copy turned another way leaves its original and the other copies as they were.
    canvas->getRects()[Placed]->image()->setRotation(270);
    EXPECT_EQ(canvas->getRects()[0]->image()->getRotation(), 0);
    canvas->getRects()[Placed]->image()->setRotation(0);
    canvas->grab();

    f.trigger(QStringLiteral("File"), QStringLiteral("Save"));
    EXPECT_TRUE(alertsSince(f, 0).isEmpty()) << alertsSince(f, 0).join(QLatin1Char('\n')).toStdString();
    storedOnce(path, 2 * Placed);
    const QByteArray theirs = readByPlistutil(path);
    ASSERT_FALSE(theirs.isEmpty());
    EXPECT_TRUE(theirs == PropertyList::toData(PropertyList::readFile(path), PlistFormat::Xml));

    f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    openThroughMenu(f, path);
    showsItsPicture(canvas->getRects(), 2 * Placed);

    // The design as a template, applied again: its objects go behind the design's own.
    const QString templatePath = dir + QStringLiteral("/Labels.") + QLatin1String(TemplateFile::Extension);
    {
        QFile file(templatePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_GT(file.write(canvas->templateDocumentData()), 0);
    }
    ASSERT_TRUE(canvas->setupNewTemplate(templatePath, true));
    showsItsPicture(canvas->getRects(), 2 * Placed);
    ASSERT_EQ(canvas->getRects().size(), 4 * Placed);
    f.undo();
    ASSERT_EQ(canvas->getRects().size(), 2 * Placed);
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Cut"));
    EXPECT_TRUE(canvas->getRects().isEmpty());
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    showsItsPicture(canvas->getRects(), 2 * Placed);
    f.undo();
    EXPECT_TRUE(canvas->getRects().isEmpty());
    UserDefaults::standard().removeObject(QStringLiteral("imgToDoc"));
}

TEST(DesignKindsWindow, APicturePlacedManyTimesComesBackAlikeEverywhereAndIsStoredOnce)
{
    ASSERT_FALSE(plistutil().isEmpty()) << "plistutil (libplist-utils) reads the saved design";
    placedManyTimes(false);
    placedManyTimes(true);
}
