// Groups nested to any depth come through every reader of a design's stored groups whole. The
// readers are found in the sources; each command that reaches one (Open, a design dropped on
// the canvas, Paste of the canvas's own copy and of the bytes another program hands over,
// Duplicate, Replicate, Paste in a second window, Save as Template and back, a stock change
// laying that template out again) leaves a click on every object selecting what it selected
// before, and the design saved afterwards, as plistutil reads it, holding the same groups.
//
// Arrange > Group refuses a selection that holds a grouped object, so nests reach a design
// through its file: the innermost groups are made with Arrange > Group, the design saved, and
// the enclosing groups added to the file as another writer stores them.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QDirIterator>
#include <QDockWidget>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QRegularExpression>
#include <QTreeView>
#include <QUrl>

#include <algorithm>

#include "app/AppTestSupport.h"
#include "canvas/SaveTemplate.h"
#include "canvas/TemplateFile.h"
#include "common/PlistutilReader.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listTmplViewItem.h"
#include "objects/Group.h"
#include "platform/PropertyList.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

// A design's groups as the kinds and member places (counted from the first object of the
// design or of its copy) of those whose members all lie in that design or copy, in order.
using GroupPlaces = QList<QPair<QString, QList<int>>>;

QString sourceRoot()
{
    const QByteArray fromEnvironment = qgetenv("QM_SOURCE_DIR");
    if (!fromEnvironment.isEmpty())
        return QString::fromUtf8(fromEnvironment);
    return QDir(QString::fromUtf8(QM_SOURCE_RESOURCES) + QStringLiteral("/..")).absolutePath();
}

// Every function of the sources that reads the stored "GroupsList" (a writer inserts it), with
// what its body does with it.
struct ReaderSite
{
    QString function;
    bool makesGroups = false;
    bool throughTheSharedReader = false;
};

QList<ReaderSite> groupsListReaders()
{
    QList<ReaderSite> sites;
    const QRegularExpression definition(QStringLiteral("^[A-Za-z][^;]*?\\b(\\w+::~?\\w+)\\s*\\("));
    QDirIterator it(sourceRoot() + QStringLiteral("/src"), {QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (!lines[i].contains(QLatin1String("\"GroupsList\"")) || lines[i].contains(QLatin1String("insert(")))
                continue;
            int start = i;
            QRegularExpressionMatch match;
            while (start >= 0 && !(match = definition.match(lines[start])).hasMatch())
                --start;
            EXPECT_GE(start, 0) << "no function around line " << i + 1 << " of " << file.fileName().toStdString();
            if (start < 0)
                continue;
            int end = i;
            while (end < lines.size() && lines[end] != QLatin1String("}"))
                ++end;
            const QString body = lines.mid(start, end - start + 1).join(QLatin1Char('\n'));
            ReaderSite site;
            site.function = match.captured(1);
            site.makesGroups = body.contains(QLatin1String("groupsWithPropertyListRepresentation"))
                               || body.contains(QLatin1String("addGroupsFromPropertyList"))
                               || body.contains(QLatin1String("groupWithPropertyListRepresentation"))
                               || body.contains(QLatin1String("GroupContents")) || body.contains(QLatin1String("Group::create"));
            site.throughTheSharedReader = (body.contains(QLatin1String("Group::groupsWithPropertyListRepresentation("))
                                           || body.contains(QLatin1String("addGroupsFromPropertyList(")))
                                          && !body.contains(QLatin1String("groupWithPropertyListRepresentation("))
                                          && !body.contains(QLatin1String("GroupContents"));
            if (std::none_of(sites.begin(), sites.end(), [&](const ReaderSite &s) { return s.function == site.function; }))
                sites.append(site);
        }
    }
    return sites;
}

GroupPlaces groupPlaces(const RectsView &canvas, int base, int count)
{
    QHash<const ColorRect *, int> places;
    for (int i = 0; i < canvas.getRects().size(); ++i)
        places.insert(canvas.getRects()[i].get(), i);
    GroupPlaces groups;
    for (const GroupPtr &group : canvas.groups()) {
        QList<int> members;
        bool inside = !group->getObjects().isEmpty();
        for (const GraphicPtr &member : group->getObjects()) {
            const int place = places.value(member.get(), -1);
            inside = inside && place >= base && place < base + count;
            members.append(place - base);
        }
        if (inside)
            groups.append({group->className(), members});
    }
    return groups;
}

GroupPlaces storedGroupPlaces(const QVariantMap &design, int base, int count)
{
    GroupPlaces groups;
    for (const QVariant &entry : design.value(QStringLiteral("GroupsList")).toList()) {
        const QVariantMap group = entry.toMap();
        QList<int> members;
        bool inside = true;
        for (const QString &part : group.value(QStringLiteral("GroupContents")).toString().split(QLatin1Char(','))) {
            const int place = part.trimmed().toInt();
            inside = inside && place >= base && place < base + count;
            members.append(place - base);
        }
        if (inside)
            groups.append({group.value(QStringLiteral("GroupClassKey")).toString(), members});
    }
    return groups;
}

// What a click in the middle of each object of the design or copy selects, nothing being
// selected before, as places counted from its first object.
QList<QList<int>> clickSelections(RectsView &canvas, int base, int count)
{
    QList<QList<int>> selections;
    QHash<const ColorRect *, int> places;
    for (int i = 0; i < canvas.getRects().size(); ++i)
        places.insert(canvas.getRects()[i].get(), i);
    canvas.setupCurrObjectTool(RectsView::SelectTool);
    for (int i = base; i < base + count; ++i) {
        // From no selection: a press on a knob of the selection would resize it instead.
        canvas.clearSelection();
        const QPointF local = canvas.pageToWidget().map(canvas.getRects()[i]->frameBounds().center());
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, local, canvas.mapToGlobal(local), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&canvas, &event);
        }
        QList<int> selected;
        for (const GraphicPtr &graphic : canvas.selectedObjects())
            selected.append(places.value(graphic.get(), -1) - base);
        std::sort(selected.begin(), selected.end());
        selections.append(selected);
    }
    apptest::settle();
    return selections;
}

// The places a click on `place` selects by the stored groups: the members of the last group
// that holds it, which is the one the object answers.
QList<int> selectedByStoredGroups(const GroupPlaces &groups, int place)
{
    QList<int> members{place};
    for (const auto &group : groups)
        if (group.second.contains(place))
            members = group.second;
    std::sort(members.begin(), members.end());
    return members;
}

QString joined(const QList<int> &places)
{
    QStringList parts;
    for (int place : places)
        parts.append(QString::number(place));
    return parts.join(QLatin1Char(','));
}

class NestedGroupsWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("plistutil")).isEmpty())
            << "plistutil (libplist-utils) reads the saved designs";
        static int run = 0;
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", qmtest::freshDir(QStringLiteral("nested-groups-%1").arg(++run)).toUtf8());
        RectsView::setTemplateListLoaded(false);
        ScrollNSImageView::clearThumbnailCache();
        f = std::make_unique<apptest::WindowFixture>(QStringLiteral("nested-groups"));
        dir = qmtest::freshDir(QStringLiteral("nested-groups-files-%1").arg(run));
    }
    void TearDown() override
    {
        f.reset();
        qputenv("XDG_DATA_HOME", oldData);
    }

    RectsView *canvas() const { return f->canvas(); }

    void chooseCatalogue(const QString &code)
    {
        QTreeView *view = f->window->catalogueView();
        const QModelIndex index = canvas()->dataSource()->modelIndexByName(code);
        ASSERT_TRUE(index.isValid()) << code.toStdString();
        view->expand(index.parent());
        view->scrollTo(index);
        apptest::settle();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        apptest::settle();
        ASSERT_EQ(canvas()->getLabel().name, code);
    }
    void chooseTemplateCategory(const QString &category)
    {
        auto *dock = f->window->findChild<QDockWidget *>(QStringLiteral("DesignDock"));
        auto *panel = f->window->findChild<TemplateBrowserPanel *>();
        ASSERT_TRUE(dock && panel);
        dock->raise();
        apptest::settle();
        QComboBox *popup = panel->templatePopup();
        const int index = popup->findData(category);
        ASSERT_GE(index, 0) << category.toStdString();
        popup->setCurrentIndex(index);
        emit popup->activated(index);
        ASSERT_TRUE(panel->imageTmplListView()->waitForThumbnails(20000));
        apptest::settle();
    }
    void clickTemplateTile(const QString &title)
    {
        auto *panel = f->window->findChild<TemplateBrowserPanel *>();
        for (listImageViewItem *tile : panel->imageTmplListView()->tiles()) {
            if (title.isEmpty() || tile->title() == title) {
                QTest::mouseClick(tile, Qt::LeftButton, {}, QPoint(tile->width() / 2, tile->height() / 3));
                apptest::settle();
                return;
            }
        }
        FAIL() << "no design tile " << title.toStdString();
    }
    void group(const QList<int> &places)
    {
        f->tool(RectsView::SelectTool)->trigger();
        for (qsizetype i = 0; i < places.size(); ++i)
            f->click(canvas()->getRects()[places[i]]->frameBounds().center(), i ? Qt::ShiftModifier : Qt::NoModifier);
        ASSERT_EQ(canvas()->selectedObjects().size(), places.size());
        f->trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
    }
    QString saveAs(const QString &name)
    {
        const QString path = dir + QLatin1Char('/') + name;
        f->prompts->queueSaveOfType(path, 0);
        f->trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        return path + QStringLiteral(".qkdoc");
    }
    QVariantMap readByPlistutil(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return qmtest::readWithPlistutil(file.readAll(), QStringLiteral("nested-groups-plistutil")).toMap();
    }
    void open(const QString &path)
    {
        if (canvas()->isChanged())
            f->prompts->queueAlert(Prompts::SecondButton);
        f->prompts->queuePath(path);
        f->trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    }

    // The design: a shipped address design on a 4 x 2 in label, whose picture, a template
    // graphic, is one of the members; twelve rectangles; a title-and-value pair. Nests of one,
    // two and five levels and the pair within a plain group.
    void makeNests()
    {
        chooseCatalogue(QStringLiteral("5163"));
        chooseTemplateCategory(QStringLiteral("Address Labels"));
        clickTemplateTile(QString());
        ASSERT_EQ(canvas()->selectedTemplates().size(), 1);
        int picture = -1;
        for (int i = 0; i < canvas()->getRects().size(); ++i)
            if (canvas()->getRects()[i]->isTemplate() && canvas()->getRects()[i]->image())
                picture = i;
        ASSERT_GE(picture, 0) << "the shipped design places a picture";
        const int shipped = int(canvas()->getRects().size());
        auto r = [shipped](int i) { return shipped + i; };
        for (int i = 0; i < 12; ++i)
            f->drawRect(QRectF(40 + 36 * (i % 4), 24 + 28 * (i / 4), 16, 12));
        canvas()->addFieldType(100);
        f->click(QPointF(40, 108));
        ASSERT_EQ(canvas()->getRects().size(), shipped + 14);
        for (int i = 0; i < 12; ++i)
            ASSERT_GE(std::min(canvas()->getRects()[r(i)]->frameBounds().width(), canvas()->getRects()[r(i)]->frameBounds().height()), 6.0) << i;
        ASSERT_EQ(canvas()->groups().size(), 1) << "the pair";
        const int title = shipped + 12, value = shipped + 13;
        group({r(0), r(1)});
        group({r(2), r(3)});
        group({r(5), r(6)});
        ASSERT_EQ(canvas()->groups().size(), 4);
        ASSERT_EQ(canvas()->getRects().size(), shipped + 14) << "grouping keeps the stacking of these";

        QVariantMap design = PropertyList::readFile(saveAs(QStringLiteral("Inner"))).toMap();
        QVariantList groups = design.value(QStringLiteral("GroupsList")).toList();
        ASSERT_EQ(groups.size(), 4);
        auto enclosing = [&groups](const QList<int> &places) {
            groups.append(QVariantMap{{QStringLiteral("GroupClassKey"), QStringLiteral("Group")},
                                      {QStringLiteral("GroupContents"), joined(places)},
                                      {QStringLiteral("GroupAngle"), 0.0},
                                      {QStringLiteral("GroupBounds"), QStringLiteral("{{0, 0}, {0, 0}}")}});
        };
        enclosing({r(2), r(3), r(4)});
        enclosing({r(5), r(6), r(7)});
        enclosing({r(5), r(6), r(7), r(8)});
        enclosing({r(5), r(6), r(7), r(8), picture});
        enclosing({r(5), r(6), r(7), r(8), picture, r(9)});
        enclosing({title, value, r(10)});
        design.insert(QStringLiteral("GroupsList"), groups);
        reference = dir + QStringLiteral("/Nests.qkdoc");
        ASSERT_TRUE(PropertyList::writeFile(reference, design, PlistFormat::Binary));
        open(reference);
        count = int(canvas()->getRects().size());
        ASSERT_EQ(count, shipped + 14);

        // Opened, the design holds every group of its file, and a click on each shown object
        // selects the last that holds it.
        nests = groupPlaces(*canvas(), 0, count);
        ASSERT_EQ(nests, storedGroupPlaces(design, 0, count));
        ASSERT_EQ(nests.size(), 10);
        clicks = clickSelections(*canvas(), 0, count);
        for (int place = 0; place < count; ++place)
            if (!canvas()->getRects()[place]->isHidden() && std::any_of(nests.begin(), nests.end(), [place](const auto &g) { return g.second.contains(place); })) {
                EXPECT_EQ(clicks[place], selectedByStoredGroups(nests, place)) << place;
            }
        EXPECT_EQ(clicks[r(5)], (QList<int>{picture, r(5), r(6), r(7), r(8), r(9)})) << "five deep";
        fiveDeep = r(5);
        EXPECT_EQ(clicks[r(2)], (QList<int>{r(2), r(3), r(4)})) << "two deep";
        EXPECT_EQ(clicks[r(0)], (QList<int>{r(0), r(1)})) << "one deep";
        EXPECT_EQ(clicks[value], (QList<int>{r(10), title, value})) << "the pair within a group";
    }

    // The design or its copy starting at `base` holds the nests, selects as they did, and the
    // design saved now holds them too.
    void expectNests(const char *reader, int base)
    {
        SCOPED_TRACE(reader);
        ASSERT_GE(canvas()->getRects().size(), base + count);
        EXPECT_EQ(groupPlaces(*canvas(), base, count), nests);
        EXPECT_EQ(clickSelections(*canvas(), base, count), clicks);
        const QVariantMap saved = readByPlistutil(saveAs(QStringLiteral("After %1").arg(QString::fromLatin1(reader))));
        EXPECT_EQ(storedGroupPlaces(saved, base, count), nests);
    }

    QByteArray oldData;
    std::unique_ptr<apptest::WindowFixture> f;
    QString dir;
    QString reference;
    int count = 0;
    int fiveDeep = -1;
    GroupPlaces nests;
    QList<QList<int>> clicks;
};

} // namespace

TEST_F(NestedGroupsWindow, EveryReaderOfTheStoredGroupsKeepsEveryNest)
{
    // The readers, from the sources: every function that reads the stored groups makes them
    // through the one shared reader, and each is walked below by the commands that reach it.
    const QHash<QString, QStringList> walked = {
        {QStringLiteral("RectsView::graphicsFromDrawDocumentDictionary"),
         {"Open", "a dropped design", "Paste", "Paste of another program's bytes", "Duplicate", "Replicate",
          "Paste in a second window"}},
        {QStringLiteral("RectsView::setupNewTemplate"), {"Save as Template and back", "a stock change"}},
        // Its groups lay out title-and-value pairs on each record printed; the shared reader
        // it goes through is walked by GroupStored in the objects' tests.
        {QStringLiteral("SequentialDrawing::makeCopy"), {"printing by record"}},
    };
    int readers = 0;
    for (const ReaderSite &site : groupsListReaders()) {
        if (!site.makesGroups)
            continue;
        ++readers;
        EXPECT_TRUE(site.throughTheSharedReader) << site.function.toStdString() << " reads groups by itself";
        EXPECT_TRUE(walked.contains(site.function)) << site.function.toStdString() << " is walked by no command here";
    }
    EXPECT_EQ(readers, walked.size());

    ASSERT_NO_FATAL_FAILURE(makeNests());
    const int n = count;

    // Saved and opened again; a design dropped onto the canvas.
    open(saveAs(QStringLiteral("Saved")));
    expectNests("Open", 0);
    {
        auto *data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(reference)});
        const QPointF at = canvas()->pageToWidget().map(QPointF(100, 60));
        QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &drop);
        apptest::settle();
        delete data;
    }
    ASSERT_EQ(canvas()->getRects().size(), n);
    expectNests("a dropped design", 0);

    // The canvas's own copy pasted, and the same bytes as another program hands them over.
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    const QByteArray bytes = QApplication::clipboard()->mimeData()->data(RectsView::pasteboardType());
    ASSERT_FALSE(bytes.isEmpty());
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas()->getRects().size(), 2 * n);
    expectNests("Paste", n);
    open(reference);
    {
        auto *outside = new QMimeData;
        outside->setData(RectsView::pasteboardType(), bytes);
        QApplication::clipboard()->setMimeData(outside);
        apptest::settle();
    }
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas()->getRects().size(), 2 * n);
    expectNests("Paste of another program's bytes", n);

    // Paste in a second window.
    {
        MainWindow second;
        second.show();
        apptest::settle();
        QAction *paste = nullptr;
        for (QAction *top : second.menuBar()->actions())
            if (top->menu() && top->menu()->title() == QLatin1String("Edit"))
                for (QAction *item : top->menu()->actions())
                    if (item->text() == QLatin1String("Paste"))
                        paste = item;
        ASSERT_TRUE(paste);
        paste->trigger();
        apptest::settle();
        RectsView *other = second.canvas();
        ASSERT_EQ(other->getRects().size(), n);
        EXPECT_EQ(groupPlaces(*other, 0, n), nests) << "Paste in a second window";
        EXPECT_EQ(clickSelections(*other, 0, n), clicks) << "Paste in a second window";
        other->wasChanged(false);
    }

    open(reference);
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas()->getRects().size(), 2 * n);
    expectNests("Duplicate", n);

    open(reference);
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f->trigger(QStringLiteral("Edit"), QStringLiteral("Replicate"));
    const int copies = int(canvas()->getRects().size()) / n - 1;
    ASSERT_GE(copies, 1);
    ASSERT_EQ(canvas()->getRects().size(), (copies + 1) * n);
    for (int copy = 1; copy <= copies; ++copy)
        EXPECT_EQ(groupPlaces(*canvas(), copy * n, n), nests) << "Replicate, copy " << copy;
    expectNests("Replicate", copies * n);

    // Arrange > Ungroup gives back the group within, on the canvas as after Save and Open.
    open(reference);
    f->tool(RectsView::SelectTool)->trigger();
    f->click(canvas()->getRects()[fiveDeep]->frameBounds().center());
    ASSERT_EQ(canvas()->selectedObjects().size(), 6);
    f->trigger(QStringLiteral("Arrange"), QStringLiteral("Ungroup"));
    const QList<QList<int>> ungrouped = clickSelections(*canvas(), 0, n);
    EXPECT_EQ(ungrouped[fiveDeep].size(), 5) << "four deep now";
    open(saveAs(QStringLiteral("Ungrouped")));
    EXPECT_EQ(clickSelections(*canvas(), 0, n), ungrouped) << "Ungroup, Save and Open";

    // Saved as a design template and laid out from the template browser; then laid out again
    // on another stock.
    open(reference);
    f->prompts->queuePanel([](QDialog *dialog) {
        auto *panel = qobject_cast<SaveTemplate *>(dialog);
        if (!panel)
            return 0;
        panel->titleField()->clear();
        QTest::keyClicks(panel->titleField(), QStringLiteral("Nests"));
        QTest::mouseClick(panel->okButton(), Qt::LeftButton);
        return panel->result();
    });
    emit f->window->fileMenu()->aboutToShow();
    f->trigger(QStringLiteral("File"), QStringLiteral("Save as Template..."));
    chooseTemplateCategory(QString::fromLatin1(TemplateFile::MyTemplatesCategory));
    clickTemplateTile(QStringLiteral("Nests"));
    ASSERT_EQ(canvas()->getRects().size(), n);
    expectNests("Save as Template and back", 0);
    chooseCatalogue(QStringLiteral("5164"));
    ASSERT_EQ(canvas()->getRects().size(), n);
    expectNests("a stock change", 0);
}
