// Every way the user makes another stock current fits the design to the new label as far as
// the design says: a catalogue row, a custom row, New Custom Label, New Custom Format, Edit of a
// catalogue row and Edit of a custom row. On a design holding a shipped address design, the
// user's own picture, QR code, text box, title-and-value pair and rectangle, a group of two of
// them and a group of the rectangle with the shipped design's picture, the design's graphics
// take the new label's room, the user's objects keep their frames exactly, the user's groups
// stay (the picture laid out again in the place of the one it replaces) and every group's
// frame holds its members, as libplist reads the saved design and the inspector shows it; one
// Undo from the Edit menu brings back the former stock and design, Redo the new ones, and
// Undo again the former ones.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QDrag>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include <plist/plist.h>

#include "AppTestSupport.h"
#include "common/BrowserClicks.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listTmplViewItem.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/Group.h"
#include "platform/Format.h"
#include "platform/PropertyList.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomPageView.h"
#include "stock/CustomTypeItemView.h"
#include "stock/CustomTypesView.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

// A design as libplist reads its file: each object's frame, kind and template flag, and each
// group's kind, members and frame.
struct StoredDesign
{
    struct Object
    {
        QString kind;
        QRectF frame;
        bool isTemplate = false;
    };
    struct StoredGroup
    {
        QString kind;
        QList<int> members;
        QRectF frame;
    };
    QList<Object> objects;
    QList<StoredGroup> groups;
};

QString stringIn(plist_t dict, const char *key)
{
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char *text = nullptr;
    plist_get_string_val(node, &text);
    const QString value = QString::fromUtf8(text);
    std::free(text);
    return value;
}

StoredDesign readByLibplist(const QString &path)
{
    StoredDesign design;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    if (!root) {
        ADD_FAILURE() << "libplist could not read " << path.toStdString();
        return design;
    }
    plist_t objects = plist_dict_get_item(root, "ObjectsList");
    for (uint32_t i = 0; objects && i < plist_array_get_size(objects); ++i) {
        plist_t entry = plist_array_get_item(objects, i);
        design.objects.append({stringIn(entry, "Class"), rectFromString(stringIn(entry, "Bounds")),
                               stringIn(entry, "IsTemplate") == QLatin1String("YES")});
    }
    plist_t groups = plist_dict_get_item(root, "GroupsList");
    for (uint32_t i = 0; groups && i < plist_array_get_size(groups); ++i) {
        plist_t entry = plist_array_get_item(groups, i);
        StoredDesign::StoredGroup group;
        group.kind = stringIn(entry, "GroupClassKey");
        for (const QString &part : stringIn(entry, "GroupContents").split(QLatin1Char(',')))
            group.members.append(part.trimmed().toInt());
        group.frame = rectFromString(stringIn(entry, "GroupBounds"));
        design.groups.append(group);
    }
    plist_free(root);
    return design;
}

// The frames of a design on the canvas, in stacking order, and of its groups.
struct Frames
{
    QList<QRectF> objects;
    QList<bool> isTemplate;
    QList<QRectF> groups;
};

class StockChangeWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int run = 0;
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", qmtest::freshDir(QStringLiteral("stock-change-%1").arg(++run)).toUtf8());
        RectsView::setTemplateListLoaded(false);
        ScrollNSImageView::clearThumbnailCache();
        fixture = std::make_unique<apptest::WindowFixture>(QStringLiteral("stock-change"));
        CustomDataSource *store = canvas()->customDataSource();
        while (store->count() > 0)
            store->deleteFormat(0);
        store->reloadData();
        canvas()->setMeasure(QStringLiteral("Inches"));
    }
    void TearDown() override
    {
        CustomTypeItemView::dragRunner() = nullptr;
        fixture.reset();
        qputenv("XDG_DATA_HOME", oldData);
    }

    RectsView *canvas() const { return fixture->canvas(); }
    QAction *newItem(const QString &text) const
    {
        for (QAction *action : fixture->window->newFormatMenu()->actions())
            if (action->text() == text)
                return action;
        ADD_FAILURE() << "the + menu has no " << text.toStdString();
        return nullptr;
    }
    QPushButton *editButton() const
    {
        for (QPushButton *button : fixture->window->findChildren<QPushButton *>())
            if (button->toolTip() == QStringLiteral("Edit Label Format"))
                return button;
        ADD_FAILURE() << "no Edit button";
        return nullptr;
    }
    // A click on a catalogue or custom row, where the user clicks it.
    void clickRow(QAbstractItemView *view, const QModelIndex &index)
    {
        ASSERT_TRUE(index.isValid());
        if (auto *tree = qobject_cast<QTreeView *>(view))
            tree->expand(index.parent());
        view->scrollTo(index);
        apptest::settle();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        apptest::settle();
    }
    void chooseCatalogue(const QString &code)
    {
        fixture->window->stockTabs()->setCurrentIndex(0);
        clickRow(fixture->window->catalogueView(), canvas()->dataSource()->modelIndexByName(code));
        ASSERT_EQ(canvas()->getLabel().name, code);
    }
    void chooseCustom(const QString &name)
    {
        fixture->window->stockTabs()->setCurrentIndex(1);
        QTableView *table = fixture->window->customView();
        for (int row = 0; row < table->model()->rowCount(); ++row)
            if (table->model()->index(row, 0).data().toString() == name) {
                clickRow(table, table->model()->index(row, 0));
                ASSERT_EQ(canvas()->getLabel().name, name);
                return;
            }
        FAIL() << "no custom row " << name.toStdString();
    }
    // A shipped design of a category clicked onto the label.
    void applyShippedDesign(const QString &category)
    {
        auto *dock = fixture->window->findChild<QDockWidget *>(QStringLiteral("DesignDock"));
        auto *panel = fixture->window->findChild<TemplateBrowserPanel *>();
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
        const QList<listImageViewItem *> tiles = panel->imageTmplListView()->tiles();
        ASSERT_FALSE(tiles.isEmpty());
        QWidget *tile = tiles.first();
        QTest::mouseClick(tile, Qt::LeftButton, {}, QPoint(tile->width() / 2, tile->height() / 3));
        apptest::settle();
        ASSERT_EQ(canvas()->selectedTemplates().size(), 1);
    }

    // The design every stock change works on: a shipped address design, then the user's own
    // picture (a double click on the image browser's first tile), QR code, title-and-value pair
    // and text box, the QR code and the text box grouped.
    void makeDesign()
    {
        applyShippedDesign(QStringLiteral("Address Labels"));
        listImageViewItem *tile = qmtest::firstImageTile(fixture->window.get());
        ASSERT_TRUE(tile);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                  QEvent::MouseButtonRelease})
            qmtest::sendMouse(tile, type);
        apptest::settle();
        ASSERT_TRUE(canvas()->getRects().last()->image()) << "no picture placed";
        UserDefaults::standard().setInteger(25, QStringLiteral("BarcodeType"));
        fixture->tool(RectsView::BarcodeTool)->trigger();
        fixture->click(QPointF(100, 6));
        canvas()->addFieldType(100);
        fixture->click(QPointF(4, 4));
        fixture->drawRect(QRectF(8, 44, 60, 20));
        fixture->drawRect(QRectF(150, 50, 30, 14));
        fixture->tool(RectsView::SelectTool)->trigger();
        fixture->click(QPointF(130, 36));
        fixture->click(QPointF(38, 54), Qt::ShiftModifier);
        ASSERT_EQ(canvas()->selectedObjects().size(), 2);
        fixture->trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
        // The shipped design's picture with the user's rectangle.
        GraphicPtr picture;
        for (const GraphicPtr &graphic : canvas()->getRects())
            if (graphic->isTemplate() && graphic->image())
                picture = graphic;
        ASSERT_TRUE(picture) << "the address design places a picture";
        fixture->click(picture->frameBounds().center());
        fixture->click(QPointF(165, 57), Qt::ShiftModifier);
        ASSERT_EQ(canvas()->selectedObjects().size(), 2);
        ASSERT_TRUE(canvas()->isSelected(picture.get()));
        fixture->trigger(QStringLiteral("Arrange"), QStringLiteral("Group"));
        int pairs = 0, plain = 0;
        for (const GroupPtr &group : canvas()->groups())
            (group->className() == QLatin1String("GroupField") ? pairs : plain) += 1;
        ASSERT_EQ(pairs, 1);
        ASSERT_EQ(plain, 2);
        canvas()->clearSelection();
        apptest::settle();
    }

    Frames frames() const
    {
        Frames now;
        for (const GraphicPtr &graphic : canvas()->getRects()) {
            now.objects.append(graphic->frameBounds());
            now.isTemplate.append(graphic->isTemplate());
        }
        for (const GroupPtr &group : canvas()->groups())
            now.groups.append(group->bounds());
        return now;
    }
    QSizeF labelSize() const
    {
        const TLabel &label = canvas()->getLabel();
        return QSizeF(label.width * 72.0, label.height * 72.0);
    }

    // The design saved with Save As, read back by libplist.
    StoredDesign saved()
    {
        static int count = 0;
        const QString path = qmtest::freshDir(QStringLiteral("stock-change-doc-%1").arg(++count)) + QStringLiteral("/Design");
        fixture->prompts->queueSaveOfType(path, 0);
        fixture->trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        return readByLibplist(path + QStringLiteral(".qkdoc"));
    }

    // Every plain group's frame in the saved design is the union of its members' frames.
    static void expectGroupsHoldTheirMembers(const StoredDesign &design, const char *when)
    {
        int plain = 0;
        for (const StoredDesign::StoredGroup &group : design.groups) {
            if (group.kind != QLatin1String("Group"))
                continue;
            ++plain;
            QRectF members;
            for (int index : group.members) {
                ASSERT_TRUE(index >= 0 && index < design.objects.size());
                members = members.isNull() ? design.objects[index].frame : members.united(design.objects[index].frame);
            }
            EXPECT_NEAR(group.frame.left(), members.left(), 1e-6) << when;
            EXPECT_NEAR(group.frame.top(), members.top(), 1e-6) << when;
            EXPECT_NEAR(group.frame.right(), members.right(), 1e-6) << when;
            EXPECT_NEAR(group.frame.bottom(), members.bottom(), 1e-6) << when;
        }
        EXPECT_EQ(plain, 2) << when;
    }
    // Each plain group, selected, shows in the inspector the height its members hold; one of
    // them still holds the user's rectangle with a picture the design placed.
    void expectInspectorShowsTheMembersHeight(const char *when)
    {
        SCOPED_TRACE(when);
        GeometryPage *page = fixture->window->objectInfo()->geometryPage();
        ASSERT_TRUE(page);
        // Looked at, not a step of the design's history.
        struct Unrecorded
        {
            UndoManager *undo;
            explicit Unrecorded(UndoManager *manager) : undo(manager) { undo->closeEventGroup(); undo->disableUndoRegistration(); }
            ~Unrecorded() { undo->enableUndoRegistration(); }
        } unrecorded(canvas()->undoManager());
        bool mixed = false;
        for (const GroupPtr &group : canvas()->groups()) {
            if (group->className() != QLatin1String("Group"))
                continue;
            QRectF members;
            bool designed = false, own = false;
            for (const GraphicPtr &member : group->getObjects()) {
                members = members.isNull() ? member->frameBounds() : members.united(member->frameBounds());
                designed = designed || (member->isTemplate() && member->image());
                own = own || (!member->isTemplate() && member->className() == QLatin1String("ColorRect") && !member->image());
                EXPECT_GE(canvas()->getRects().indexOf(member), 0) << "a member outside the design";
            }
            mixed = mixed || (designed && own);
            canvas()->clearSelection();
            canvas()->selectRect(group->getObjects().first());
            apptest::settle();
            ASSERT_EQ(canvas()->selectedGroup(), group);
            EXPECT_NEAR(page->tvHeight->floatValue(), members.height() / 72.0, 0.006);
            EXPECT_NEAR(group->bounds().height(), members.height(), 1e-6);
            EXPECT_NEAR(group->bounds().top(), members.top(), 1e-6);
        }
        EXPECT_TRUE(mixed) << "the group of the design's picture and the user's rectangle";
        canvas()->clearSelection();
        apptest::settle();
    }

    // Runs the change the user makes, then checks the design in the saved file, and after one
    // Undo and one Redo from the Edit menu.
    void expectFittedAsTheDesignSays(const std::function<void()> &change, const QSizeF &newLabel)
    {
        const TLabel before = canvas()->getLabel();
        const QSizeF oldLabel = labelSize();
        const Frames framesBefore = frames();
        ASSERT_EQ(framesBefore.objects.size(), saved().objects.size());
        ASSERT_EQ(framesBefore.isTemplate.count(false), 6) << "picture, QR code, the pair's two, text box and rectangle";
        const QList<GroupPtr> groupsBefore = canvas()->groups();
        QList<GraphicList> membersBefore;
        for (const GroupPtr &group : groupsBefore)
            membersBefore.append(group->getObjects());
        ASSERT_GE(framesBefore.isTemplate.count(true), 1) << "the address design";

        change();
        QAction *undo = fixture->menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo && undo->isEnabled());
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Change Label Stock"));
        ASSERT_NEAR(labelSize().width(), newLabel.width(), 0.01);
        ASSERT_NEAR(labelSize().height(), newLabel.height(), 0.01);
        const Frames framesAfter = frames();
        auto expectFitted = [&](const StoredDesign &design, const char *when) {
            SCOPED_TRACE(when);
            ASSERT_EQ(design.objects.size(), framesBefore.objects.size());
            const QRectF label = QRectF(QPointF(), newLabel).adjusted(-1, -1, 1, 1);
            int user = 0;
            for (qsizetype i = 0; i < design.objects.size(); ++i) {
                const StoredDesign::Object &object = design.objects[i];
                if (object.isTemplate) {
                    EXPECT_TRUE(label.contains(object.frame)) << object.kind.toStdString() << " past the new label";
                    continue;
                }
                // The user's objects lie where they were placed, at their size.
                ++user;
                EXPECT_EQ(object.frame, framesBefore.objects[i]) << object.kind.toStdString() << " moved or resized";
            }
            EXPECT_EQ(user, framesBefore.isTemplate.count(false));
            expectGroupsHoldTheirMembers(design, when);
        };
        expectFitted(saved(), "after the change");
        expectInspectorShowsTheMembersHeight("after the change");
        // The design's own graphics take the same share of the new label as of the old one.
        int compared = 0;
        for (qsizetype i = 0; i < framesAfter.objects.size(); ++i) {
            if (!framesAfter.isTemplate[i] || !framesBefore.isTemplate.value(i)
                || canvas()->getRects()[i]->className() == QLatin1String("ColorAddress"))
                continue;
            const QRectF a = framesBefore.objects[i], b = framesAfter.objects[i];
            EXPECT_NEAR(b.width() / newLabel.width(), a.width() / oldLabel.width(), 0.02);
            EXPECT_NEAR(b.height() / newLabel.height(), a.height() / oldLabel.height(), 0.02);
            ++compared;
        }
        EXPECT_GE(compared, 1);

        fixture->undo();
        EXPECT_EQ(canvas()->getLabel().name, before.name);
        EXPECT_FLOAT_EQ(canvas()->getLabel().width, before.width);
        EXPECT_FLOAT_EQ(canvas()->getLabel().height, before.height);
        const Frames undone = frames();
        EXPECT_EQ(undone.objects, framesBefore.objects);
        EXPECT_EQ(undone.groups, framesBefore.groups);
        // The very groups, of the very members, as before.
        EXPECT_EQ(canvas()->groups(), groupsBefore);
        for (qsizetype i = 0; i < groupsBefore.size() && i < membersBefore.size(); ++i)
            EXPECT_EQ(groupsBefore[i]->getObjects(), membersBefore[i]) << i;
        expectGroupsHoldTheirMembers(saved(), "after Undo");
        expectInspectorShowsTheMembersHeight("after Undo");

        fixture->menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
        apptest::settle();
        EXPECT_NEAR(labelSize().width(), newLabel.width(), 0.01);
        const Frames redone = frames();
        EXPECT_EQ(redone.objects, framesAfter.objects);
        EXPECT_EQ(redone.groups, framesAfter.groups);
        expectFitted(saved(), "after Redo");
        expectInspectorShowsTheMembersHeight("after Redo");

        fixture->undo();
        EXPECT_EQ(canvas()->getLabel().name, before.name);
        const Frames undoneAgain = frames();
        EXPECT_EQ(undoneAgain.objects, framesBefore.objects);
        EXPECT_EQ(undoneAgain.groups, framesBefore.groups);
        EXPECT_EQ(canvas()->groups(), groupsBefore);
        expectGroupsHoldTheirMembers(saved(), "after Undo again");
        expectInspectorShowsTheMembersHeight("after Undo again");
    }

    // A label of the custom label editor, typed in inches.
    static void typeLabel(QDialog &sheet, const QString &name, const char *width, const char *height)
    {
        qmtest::presentSheet(sheet);
        qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), name);
        qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QString::fromLatin1(width));
        qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QString::fromLatin1(height));
        qmtest::typeIntoField(sheet, QStringLiteral("tfOutRadius"), QStringLiteral("0"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfInRadius"), QStringLiteral("0"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberX"), QStringLiteral("2"));
        qmtest::typeIntoField(sheet, QStringLiteral("tfNumberY"), QStringLiteral("4"));
        EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
    }
    void newCustomLabel(const QString &name, const char *width, const char *height)
    {
        panels->queueSheet([=](QDialog &sheet) { typeLabel(sheet, name, width, height); });
        newItem(QStringLiteral("New Custom Label..."))->trigger();
        apptest::settle();
        ASSERT_EQ(canvas()->getLabel().name, name);
    }

    QByteArray oldData;
    std::unique_ptr<apptest::WindowFixture> fixture;
    qmtest::ScopedTestPrintPanels panels;
};

} // namespace

// A click on another catalogue row: 5160 to the 4 x 2 in 5163.
TEST_F(StockChangeWindow, ACatalogueRowFitsTheDesignAsItSays)
{
    chooseCatalogue(QStringLiteral("5160"));
    makeDesign();
    expectFittedAsTheDesignSays([&] { chooseCatalogue(QStringLiteral("5163")); }, QSizeF(288, 144));
}

// A click on a custom row made before: 5160 to a 4 x 2 in custom label.
TEST_F(StockChangeWindow, ACustomRowFitsTheDesignAsItSays)
{
    newCustomLabel(QStringLiteral("Tags"), "4", "2");
    chooseCatalogue(QStringLiteral("5160"));
    makeDesign();
    expectFittedAsTheDesignSays([&] { chooseCustom(QStringLiteral("Tags")); }, QSizeF(288, 144));
}

// A 5160 design on a new 4 x 2 in label; the address design is laid out again for it.
TEST_F(StockChangeWindow, ANewCustomLabelFitsTheDesignAsItSays)
{
    chooseCatalogue(QStringLiteral("5160"));
    makeDesign();
    expectFittedAsTheDesignSays(
        [&] {
            newCustomLabel(QStringLiteral("Big Tags"), "4", "2");
            ASSERT_EQ(canvas()->selectedTemplates().size(), 1) << "the applied design is laid out again";
        },
        QSizeF(288, 144));
    EXPECT_EQ(canvas()->selectedTemplates().size(), 1);
}

// A free layout of one 2.5 x 1.5 in label made in the format editor.
TEST_F(StockChangeWindow, ANewCustomFormatFitsTheDesignAsItSays)
{
    chooseCatalogue(QStringLiteral("5160"));
    makeDesign();
    expectFittedAsTheDesignSays(
        [&] {
            panels->queueSheet([](QDialog &sheet) {
                qmtest::presentSheet(sheet);
                auto *palette = sheet.findChild<CustomTypesView *>();
                auto *page = sheet.findChild<CustomPageView *>();
                ASSERT_TRUE(palette && page);
                CustomTypeItemView *tile = nullptr;
                for (CustomTypeItemView *each : palette->tiles())
                    if (each->designElement() && each->designElement()->getType() == QStringLiteral("Horizontal"))
                        tile = each;
                ASSERT_TRUE(tile);
                const QPoint target(page->width() / 3, page->height() / 4);
                CustomTypeItemView::dragRunner() = [page, target](QDrag *drag) {
                    QDragEnterEvent enter(target, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
                    QCoreApplication::sendEvent(page, &enter);
                    QDropEvent drop(target, Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
                    QCoreApplication::sendEvent(page, &drop);
                    return Qt::CopyAction;
                };
                QTest::mousePress(tile, Qt::LeftButton, {}, QPoint(40, 40));
                QTest::mouseMove(tile, QPoint(70, 70));
                QTest::mouseRelease(tile, Qt::LeftButton, {}, QPoint(70, 70));
                CustomTypeItemView::dragRunner() = nullptr;
                ASSERT_EQ(page->labels().size(), 1u);
                qmtest::typeIntoField(sheet, QStringLiteral("tfWidth"), QStringLiteral("2.5"));
                qmtest::typeIntoField(sheet, QStringLiteral("tfHeight"), QStringLiteral("1.5"));
                qmtest::typeIntoField(sheet, QStringLiteral("formatTitle"), QStringLiteral("Jar Lids"));
                EXPECT_TRUE(qmtest::clickSheetButton(sheet, QStringLiteral("okButton")));
            });
            newItem(QStringLiteral("New Custom Format..."))->trigger();
            apptest::settle();
            ASSERT_TRUE(canvas()->getTFormat());
            EXPECT_EQ(canvas()->getTFormat()->name, QStringLiteral("Jar Lids"));
        },
        QSizeF(180, 108));
}

// Edit of a catalogue row (a double-click on it): its copy, 4 x 2 in, becomes current.
TEST_F(StockChangeWindow, EditingACatalogueRowFitsTheDesignAsItSays)
{
    chooseCatalogue(QStringLiteral("5160"));
    makeDesign();
    expectFittedAsTheDesignSays(
        [&] {
            panels->queueSheet([](QDialog &sheet) { typeLabel(sheet, QStringLiteral("5160"), "4", "2"); });
            QTreeView *catalogue = fixture->window->catalogueView();
            QTest::mouseDClick(catalogue->viewport(), Qt::LeftButton, {},
                               catalogue->visualRect(canvas()->dataSource()->modelIndexByName(QStringLiteral("5160"))).center());
            apptest::settle();
            EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("5160_custom"));
        },
        QSizeF(288, 144));
}

// The Edit button on a custom row: the row changed from 3 x 1.5 in to 4 x 2 in.
TEST_F(StockChangeWindow, EditingACustomRowFitsTheDesignAsItSays)
{
    newCustomLabel(QStringLiteral("Square"), "3", "1.5");
    chooseCustom(QStringLiteral("Square"));
    makeDesign();
    expectFittedAsTheDesignSays(
        [&] {
            panels->queueSheet([](QDialog &sheet) { typeLabel(sheet, QStringLiteral("Square"), "4", "2"); });
            QTest::mouseClick(editButton(), Qt::LeftButton);
            apptest::settle();
            EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Square"));
        },
        QSizeF(288, 144));
}

// A document whose stock has more labels than a sheet holds shows at the size it was made on;
// choosing 5160 afterwards, as the message at open advises, grows no frame.
TEST_F(StockChangeWindow, AStockThatLaysOutNoLabelIsNotScaledFrom)
{
    chooseCatalogue(QStringLiteral("5160"));
    const QList<QRectF> placed = {QRectF(10, 8, 80, 30), QRectF(100, 10, 60, 40), QRectF(20, 44, 120, 20)};
    GraphicList objects;
    for (const QRectF &frame : placed) {
        auto box = ColorRect::create(frame);
        box->setPageName(canvas()->getCurrPageName());
        box->setObjectLayer(1);
        objects.append(box);
    }
    objects[2]->setTemplateFlag(true);
    QVariantMap document = canvas()->drawDocumentDictionaryForGraphics(objects);
    // 200 across and 100 down of 0.04 x 0.02 in: 20,000 labels, more than any sheet holds.
    QVariantMap label{{"name", "Confetti"}, {"width", "0.04"}, {"height", "0.02"}, {"top_m", "0.10"},
                      {"left_m", "0.10"}, {"v_dist", "0.01"}, {"h_dist", "0.01"}, {"number", "200"},
                      {"number_down", "100"}, {"units", "1"}, {"deleted", "0"}, {"round", "0.00"},
                      {"hole", "0.00"}, {"shape", "1"}};
    document.insert(QStringLiteral("TLabel"), QVariantList{label});
    const QString path = qmtest::freshDir(QStringLiteral("stock-refused")) + QStringLiteral("/Confetti.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(path, document, PlistFormat::Binary));
    fixture->prompts->queuePath(path);
    fixture->trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    ASSERT_EQ(canvas()->getRects().size(), 3);
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Confetti"));
    EXPECT_TRUE(fixture->prompts->count(qmtest::TestPrompts::Alert) >= 1) << "the stock is named at open";

    chooseCatalogue(QStringLiteral("5160"));
    const StoredDesign design = saved();
    ASSERT_EQ(design.objects.size(), placed.size());
    for (qsizetype i = 0; i < placed.size(); ++i) {
        EXPECT_LE(design.objects[i].frame.width(), placed[i].width() + 1e-6) << i;
        EXPECT_LE(design.objects[i].frame.height(), placed[i].height() + 1e-6) << i;
        EXPECT_NEAR(design.objects[i].frame.x(), placed[i].x(), 1e-6) << i;
    }
    fixture->undo();
    EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Confetti"));
    for (qsizetype i = 0; i < placed.size(); ++i)
        EXPECT_EQ(canvas()->getRects()[i]->frameBounds(), placed[i]) << i;
}
