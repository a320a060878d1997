// Every way the user makes another stock current fits the design to the new label: New Custom
// Label, New Custom Format, Edit of a catalogue row and Edit of a custom row. The design is
// saved and read back by plistutil, whose frames must lie inside the new label, and one Undo
// from the Edit menu brings back the former stock with the design as it was.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QDrag>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "AppTestSupport.h"
#include "common/SheetDriver.h"
#include "common/TestPrintPanels.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listTmplViewItem.h"
#include "stock/CustomDataSource.h"
#include "stock/CustomPageView.h"
#include "stock/CustomTypeItemView.h"
#include "stock/CustomTypesView.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

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

    // The frames of the saved design as plistutil reads the file.
    QList<QRectF> savedFrames()
    {
        const QString path = qmtest::freshDir(QStringLiteral("stock-change-doc")) + QStringLiteral("/Design.qkdoc");
        fixture->prompts->queueSaveOfType(path, 0);
        fixture->menuItem(QStringLiteral("File"), QStringLiteral("Save As..."))->trigger();
        apptest::settle();
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
        EXPECT_FALSE(tool.isEmpty()) << "plistutil is needed to read the design back";
        QProcess process;
        process.start(tool, {QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("xml")});
        EXPECT_TRUE(process.waitForFinished(60000));
        const QString xml = QString::fromUtf8(process.readAllStandardOutput());
        static const QRegularExpression bounds(QStringLiteral(
            "<key>Bounds</key>\\s*<string>\\{\\{([-0-9.e]+), ([-0-9.e]+)\\}, \\{([-0-9.e]+), ([-0-9.e]+)\\}\\}</string>"));
        QList<QRectF> frames;
        for (const QRegularExpressionMatch &m : bounds.globalMatch(xml))
            frames.append(QRectF(m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                                 m.captured(4).toDouble()));
        EXPECT_FALSE(frames.isEmpty()) << xml.left(600).toStdString();
        return frames;
    }
    QList<QRectF> frames() const
    {
        QList<QRectF> list;
        for (const GraphicPtr &graphic : canvas()->getRects())
            list.append(graphic->frameBounds());
        return list;
    }
    // The frame of the one object the user drew.
    QRectF ownFrame() const
    {
        for (const GraphicPtr &graphic : canvas()->getRects())
            if (!graphic->isTemplate())
                return graphic->frameBounds();
        return {};
    }
    QRectF labelRect() const
    {
        const TLabel &label = canvas()->getLabel();
        return QRectF(0, 0, label.width * 72.0, label.height * 72.0);
    }

    // Runs the change the user makes; then the saved frames lie inside the new label, and one
    // Undo gives back the stock and the design, with the step before still there to undo.
    void expectFittedAndUndoneInOneStep(const std::function<void()> &change, const QSizeF &newLabel)
    {
        const TLabel before = canvas()->getLabel();
        const QList<QRectF> framesBefore = frames();
        ASSERT_FALSE(framesBefore.isEmpty());
        const QRectF oldRect = labelRect();
        // The design fills its old label up to a point or so.
        QRectF used;
        for (const QRectF &frame : framesBefore)
            used = used.united(frame);
        ASSERT_TRUE(oldRect.adjusted(-1, -1, 1, 1).contains(used));
        const QRectF ownBefore = ownFrame();
        ASSERT_FALSE(ownBefore.isEmpty());

        change();
        ASSERT_NEAR(canvas()->getLabel().width * 72.0, newLabel.width(), 0.01);
        ASSERT_NEAR(canvas()->getLabel().height * 72.0, newLabel.height(), 0.01);
        const QRectF newRect = labelRect().adjusted(-1, -1, 1, 1);
        for (const QRectF &frame : savedFrames())
            EXPECT_TRUE(newRect.contains(frame)) << "a frame past the new label";
        // The user's own object takes the new label's room, not the old one's.
        const QRectF ownNow = ownFrame();
        EXPECT_NEAR(ownNow.width() / ownBefore.width(), newLabel.width() / oldRect.width(), 0.01);
        EXPECT_NEAR(ownNow.height() / ownBefore.height(), newLabel.height() / oldRect.height(), 0.01);
        EXPECT_NEAR(ownNow.x() / ownBefore.x(), newLabel.width() / oldRect.width(), 0.01);

        QAction *undo = fixture->menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo && undo->isEnabled());
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Change Label Stock"));
        fixture->undo();
        EXPECT_EQ(canvas()->getLabel().name, before.name);
        EXPECT_FLOAT_EQ(canvas()->getLabel().width, before.width);
        EXPECT_FLOAT_EQ(canvas()->getLabel().height, before.height);
        const QList<QRectF> back = frames();
        ASSERT_EQ(back.size(), framesBefore.size());
        for (qsizetype i = 0; i < back.size(); ++i) {
            EXPECT_NEAR(back[i].x(), framesBefore[i].x(), 1e-6);
            EXPECT_NEAR(back[i].y(), framesBefore[i].y(), 1e-6);
            EXPECT_NEAR(back[i].width(), framesBefore[i].width(), 1e-6);
            EXPECT_NEAR(back[i].height(), framesBefore[i].height(), 1e-6);
        }
        // The rectangle drawn before the change is the next step back.
        undo = fixture->menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
        ASSERT_TRUE(undo);
        EXPECT_EQ(undo->text(), QStringLiteral("Undo Create Object"));
        // Redo makes the new stock current again, fitted.
        fixture->menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Redo"))->trigger();
        apptest::settle();
        EXPECT_NEAR(canvas()->getLabel().width * 72.0, newLabel.width(), 0.01);
        for (const QRectF &frame : frames())
            EXPECT_TRUE(newRect.contains(frame)) << "a frame past the new label after Redo";
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

    QByteArray oldData;
    std::unique_ptr<apptest::WindowFixture> fixture;
    qmtest::ScopedTestPrintPanels panels;
};

} // namespace

// A 5160 design with a shipped address design and the user's own rectangle, on a new 4 x 2 in
// label: both fill the new label, and the address design is laid out again for it.
TEST_F(StockChangeWindow, ANewCustomLabelFitsTheDesign)
{
    chooseCatalogue(QStringLiteral("5160"));
    applyShippedDesign(QStringLiteral("Address Labels"));
    fixture->drawRect(QRectF(150, 40, 30, 20));
    expectFittedAndUndoneInOneStep(
        [&] {
            panels->queueSheet([](QDialog &sheet) { typeLabel(sheet, QStringLiteral("Big Tags"), "4", "2"); });
            newItem(QStringLiteral("New Custom Label..."))->trigger();
            apptest::settle();
            EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Big Tags"));
            ASSERT_EQ(canvas()->selectedTemplates().size(), 1) << "the applied design is laid out again";
        },
        QSizeF(288, 144));
    EXPECT_EQ(canvas()->selectedTemplates().size(), 1);
}

// A free layout of one 2.5 x 1.5 in label made in the format editor.
TEST_F(StockChangeWindow, ANewCustomFormatFitsTheDesign)
{
    chooseCatalogue(QStringLiteral("5160"));
    fixture->drawRect(QRectF(10, 8, 160, 50));
    expectFittedAndUndoneInOneStep(
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
TEST_F(StockChangeWindow, EditingACatalogueRowFitsTheDesignToTheCopy)
{
    chooseCatalogue(QStringLiteral("5160"));
    fixture->drawRect(QRectF(20, 10, 140, 50));
    expectFittedAndUndoneInOneStep(
        [&] {
            panels->queueSheet([](QDialog &sheet) { typeLabel(sheet, QStringLiteral("5160"), "4", "2"); });
            // A double-click on the product opens it in the label editor.
            QTreeView *catalogue = fixture->window->catalogueView();
            QTest::mouseDClick(catalogue->viewport(), Qt::LeftButton, {},
                               catalogue->visualRect(canvas()->dataSource()->modelIndexByName(QStringLiteral("5160"))).center());
            apptest::settle();
            EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("5160_custom"));
        },
        QSizeF(288, 144));
}

// The Edit button on a custom row: the row changed from 2 x 1 in to 3 x 3 in.
TEST_F(StockChangeWindow, EditingACustomRowFitsTheDesignToTheChangedStock)
{
    panels->queueSheet([](QDialog &sheet) { typeLabel(sheet, QStringLiteral("Square"), "2", "1"); });
    newItem(QStringLiteral("New Custom Label..."))->trigger();
    apptest::settle();
    ASSERT_EQ(canvas()->getLabel().name, QStringLiteral("Square"));
    fixture->window->stockTabs()->setCurrentIndex(1);
    clickRow(fixture->window->customView(), fixture->window->customView()->model()->index(0, 0));
    fixture->drawRect(QRectF(10, 10, 120, 50));
    expectFittedAndUndoneInOneStep(
        [&] {
            panels->queueSheet([](QDialog &sheet) { typeLabel(sheet, QStringLiteral("Square"), "3", "3"); });
            QTest::mouseClick(editButton(), Qt::LeftButton);
            apptest::settle();
            EXPECT_EQ(canvas()->getLabel().name, QStringLiteral("Square"));
        },
        QSizeF(216, 216));
}
