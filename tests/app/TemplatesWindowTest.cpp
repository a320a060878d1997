// Design templates through the window: File > Save as Template... with its name panel
// answered, the Design tab with its category pop-up and tiles, a shipped design clicked onto
// the label and taken back with Undo, and the recorded design following the orientation.
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QTreeView>

#include "app/AppTestSupport.h"
#include "canvas/SaveTemplate.h"
#include "canvas/TemplateFile.h"
#include "database/merge/ColorAddress.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listTmplViewItem.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

class TemplatesWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int run = 0;
        oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", qmtest::freshDir(QStringLiteral("templates-window-%1").arg(++run)).toUtf8());
        RectsView::setTemplateListLoaded(false);
        ScrollNSImageView::clearThumbnailCache();
        fixture = std::make_unique<apptest::WindowFixture>(QStringLiteral("templates-window"));
    }
    void TearDown() override
    {
        fixture.reset();
        qputenv("XDG_DATA_HOME", oldData);
    }

    RectsView *canvas() const { return fixture->canvas(); }
    TemplateBrowserPanel *designPanel() const
    {
        return fixture->window->findChild<TemplateBrowserPanel *>();
    }
    // Brings the Design tab forward and chooses a category in its pop-up, as a user does.
    void chooseCategory(const QString &category)
    {
        auto *dock = fixture->window->findChild<QDockWidget *>(QStringLiteral("DesignDock"));
        ASSERT_TRUE(dock);
        dock->raise();
        apptest::settle();
        QComboBox *popup = designPanel()->templatePopup();
        const int index = popup->findData(category);
        ASSERT_GE(index, 0) << category.toStdString();
        popup->setCurrentIndex(index);
        emit popup->activated(index);
        ASSERT_TRUE(designPanel()->imageTmplListView()->waitForThumbnails(20000));
        apptest::settle();
    }
    listTmplViewItem *tileNamed(const QString &name) const
    {
        for (listImageViewItem *tile : designPanel()->imageTmplListView()->tiles())
            if (tile->title() == name)
                return qobject_cast<listTmplViewItem *>(tile);
        return nullptr;
    }
    // Chooses a catalogue row as a click on it does.
    void chooseStock(const QString &code)
    {
        const QModelIndex index = canvas()->dataSource()->modelIndexByName(code);
        ASSERT_TRUE(index.isValid()) << code.toStdString();
        fixture->window->catalogueView()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        apptest::settle();
        ASSERT_EQ(canvas()->getLabel().name, code);
    }
    void saveAsTemplate(const QString &title)
    {
        fixture->prompts->queuePanel([title](QDialog *dialog) {
            auto *panel = qobject_cast<SaveTemplate *>(dialog);
            if (!panel)
                return 0;
            panel->titleField()->clear();
            QTest::keyClicks(panel->titleField(), title);
            QTest::mouseClick(panel->okButton(), Qt::LeftButton);
            return panel->result();
        });
        emit fixture->window->fileMenu()->aboutToShow();
        QAction *item = fixture->menuItem(QStringLiteral("File"), QStringLiteral("Save as Template..."));
        ASSERT_TRUE(item && item->isEnabled());
        item->trigger();
        apptest::settle();
    }
    void click(QWidget *widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, widget->height() / 3));
        apptest::settle();
    }

    QByteArray oldData;
    std::unique_ptr<apptest::WindowFixture> fixture;
};

} // namespace

TEST_F(TemplatesWindow, SaveAsTemplateFromTheFileMenuShowsTheDesignUnderMyTemplates)
{
    QAction *item = fixture->menuItem(QStringLiteral("File"), QStringLiteral("Save as Template..."));
    ASSERT_TRUE(item);
    emit fixture->window->fileMenu()->aboutToShow();
    EXPECT_FALSE(item->isEnabled()) << "nothing on the page to save";

    fixture->drawRect(QRectF(20, 10, 80, 40));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    emit fixture->window->fileMenu()->aboutToShow();
    ASSERT_TRUE(item->isEnabled());

    bool okWasOffWhileEmpty = false;
    fixture->prompts->queuePanel([&okWasOffWhileEmpty](QDialog *dialog) {
        auto *panel = qobject_cast<SaveTemplate *>(dialog);
        if (!panel)
            return 0;
        EXPECT_EQ(panel->message(), QStringLiteral("Template Name:"));
        panel->titleField()->clear();
        okWasOffWhileEmpty = !panel->okButton()->isEnabled();
        QTest::keyClicks(panel->titleField(), QStringLiteral("Company Card"));
        QTest::mouseClick(panel->okButton(), Qt::LeftButton);
        return panel->result();
    });
    item->trigger();
    apptest::settle();
    EXPECT_TRUE(okWasOffWhileEmpty);
    EXPECT_EQ(fixture->prompts->count(qmtest::TestPrompts::Alert), 0);
    const QString path = TemplateFile::userFolder() + QStringLiteral("Horizontal/Company Card.vrxtemp");
    ASSERT_TRUE(QFileInfo(path).isFile());
    EXPECT_TRUE(canvas()->getRects().first()->isTemplate());

    chooseCategory(QStringLiteral("my templates"));
    listTmplViewItem *tile = tileNamed(QStringLiteral("Company Card"));
    ASSERT_TRUE(tile);
    ASSERT_FALSE(tile->image().isNull());
    EXPECT_EQ(tile->filePath(), path);
}

TEST_F(TemplatesWindow, AShippedDesignClickedFitsTheLabelAndUndoTakesItBack)
{
    fixture->drawRect(QRectF(150, 40, 30, 20));
    const GraphicPtr own = canvas()->getRects().first();
    const QRectF ownFrame = own->frameBounds();
    chooseCategory(QStringLiteral("Name Badges"));
    listTmplViewItem *hello = tileNamed(QStringLiteral("Hello"));
    ASSERT_TRUE(hello);
    click(hello);

    const GraphicList rects = canvas()->getRects();
    ASSERT_GT(rects.size(), 3);
    EXPECT_EQ(rects.last(), own) << "the design goes behind the user's own object";
    EXPECT_EQ(own->frameBounds(), ownFrame);
    const TLabel &label = canvas()->getLabel();
    const QRectF labelRect(0, 0, label.width * 72.0, label.height * 72.0);
    for (const GraphicPtr &graphic : rects) {
        if (graphic == own)
            continue;
        EXPECT_TRUE(graphic->isTemplate());
        const QRectF frame = graphic->frameBoundsRotated();
        EXPECT_TRUE(labelRect.adjusted(-2, -2, 2, 2).contains(frame.topLeft())
                    && labelRect.adjusted(-2, -2, 2, 2).contains(frame.bottomRight()));
    }
    EXPECT_TRUE(hello->isSelected());
    EXPECT_TRUE(canvas()->isChanged());

    QAction *undo = fixture->menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"));
    ASSERT_TRUE(undo);
    ASSERT_TRUE(undo->isEnabled());
    // The step is the design's, with no name of its own; not the selection cleared on the way.
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));
    undo->trigger();
    apptest::settle();
    ASSERT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(canvas()->getRects().first(), own);
}

TEST_F(TemplatesWindow, TurningTheLabelBringsTheUprightDesignOfTheSameName)
{
    chooseCategory(QStringLiteral("Business Cards"));
    click(tileNamed(QStringLiteral("Midnight")));
    ASSERT_FALSE(canvas()->getRects().isEmpty());
    const TLabel before = canvas()->getLabel();

    fixture->window->landscapeBox()->setChecked(true);
    apptest::settle();
    const TLabel turned = canvas()->getLabel();
    EXPECT_FLOAT_EQ(turned.width, before.height);
    ASSERT_FALSE(canvas()->getRects().isEmpty());
    // The upright design replaced the turned one: everything lies inside the upright label.
    const QRectF upright = QRectF(0, 0, turned.width * 72.0, turned.height * 72.0).adjusted(-2, -2, 2, 2);
    for (const GraphicPtr &graphic : canvas()->getRects()) {
        EXPECT_EQ(graphic->getPageName(), QStringLiteral("VerticalFront"));
        const QRectF frame = graphic->frameBoundsRotated();
        EXPECT_TRUE(upright.contains(frame.topLeft()) && upright.contains(frame.bottomRight()));
    }
    ASSERT_EQ(canvas()->selectedTemplates().size(), 1);
    EXPECT_EQ(canvas()->selectedTemplates().first().templateName(), QStringLiteral("Midnight"));
    // The category list follows the orientation: the upright designs are listed now.
    EXPECT_TRUE(tileNamed(QStringLiteral("Midnight")));
    EXPECT_FALSE(tileNamed(QStringLiteral("Cafe")));
}

TEST_F(TemplatesWindow, AFourByTwoDesignClickedOnATwoByOneLabelComesAtHalfSizeBehindTheUsersOwn)
{
    chooseStock(QStringLiteral("5163")); // 4 x 2 in shipping labels
    fixture->drawRect(QRectF(20, 20, 200, 80));
    fixture->drawRect(QRectF(40, 110, 120, 20));
    saveAsTemplate(QStringLiteral("Half"));
    const QString path = TemplateFile::userFolder() + QStringLiteral("Horizontal/Half.vrxtemp");
    ASSERT_TRUE(QFileInfo(path).isFile());

    // Saved three times under one name: the later files take the digits after it.
    saveAsTemplate(QStringLiteral("Half"));
    saveAsTemplate(QStringLiteral("Half"));
    EXPECT_TRUE(QFileInfo(TemplateFile::userFolder() + QStringLiteral("Horizontal/Half1.vrxtemp")).isFile());
    EXPECT_TRUE(QFileInfo(TemplateFile::userFolder() + QStringLiteral("Horizontal/Half12.vrxtemp")).isFile());

    // A new design on 1 x 2 in labels with an object of the user's own.
    fixture->prompts->queueAlert(Prompts::SecondButton); // the changed design is not kept
    QAction *newItem = fixture->menuItem(QStringLiteral("File"), QStringLiteral("New"));
    ASSERT_TRUE(newItem);
    newItem->trigger();
    apptest::settle();
    chooseStock(QStringLiteral("OL5125"));
    ASSERT_TRUE(canvas()->getRects().isEmpty());
    fixture->drawRect(QRectF(100, 40, 30, 20));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const GraphicPtr own = canvas()->getRects().first();
    const QRectF ownFrame = own->frameBounds();

    chooseCategory(QStringLiteral("my templates"));
    listTmplViewItem *tile = tileNamed(QStringLiteral("Half"));
    ASSERT_TRUE(tile);
    click(tile);

    const GraphicList rects = canvas()->getRects();
    ASSERT_EQ(rects.size(), 3);
    EXPECT_TRUE(rects[0]->isTemplate());
    EXPECT_TRUE(rects[1]->isTemplate());
    EXPECT_EQ(rects[0]->frameBounds(), QRectF(10, 10, 100, 40));
    EXPECT_EQ(rects[1]->frameBounds(), QRectF(20, 55, 60, 10));
    EXPECT_EQ(rects[2], own) << "the user's own object stays in front";
    EXPECT_EQ(own->frameBounds(), ownFrame);
    EXPECT_FALSE(own->isTemplate());
}

TEST_F(TemplatesWindow, AddressBlocksOfTheShippedDesignsShowTheirWholeLinesOnTheLabel)
{
    // A new user's address book has no record to show: the blocks show their field titles,
    // which are longer than the names the designs were measured with.
    chooseCategory(QStringLiteral("Address Labels"));
    const QList<listImageViewItem *> tiles = designPanel()->imageTmplListView()->tiles();
    ASSERT_GE(tiles.size(), 4);
    int blocks = 0;
    for (listImageViewItem *tile : tiles) {
        SCOPED_TRACE(tile->title().toStdString());
        click(tile);
        const TLabel &label = canvas()->getLabel();
        const QRectF labelRect = QRectF(0, 0, label.width * 72.0, label.height * 72.0).adjusted(-1, -1, 1, 1);
        for (const GraphicPtr &graphic : canvas()->getRects()) {
            auto *block = dynamic_cast<ColorAddress *>(graphic.get());
            if (!block)
                continue;
            ++blocks;
            EXPECT_TRUE(block->isTemplate());
            const QRectF lines = block->currentLines().frame;
            EXPECT_GE(block->frameBounds().width() + 0.5, lines.width()) << block->lineTexts().join(QStringLiteral(" / ")).toStdString();
            EXPECT_GE(block->frameBounds().height() + 0.5, lines.height());
            EXPECT_TRUE(labelRect.contains(block->frameBounds())) << "the titles run off the label";
        }
    }
    EXPECT_GE(blocks, int(tiles.size()) - 1);
}

// Another stock brings the applied design again, made for the new label (the shipped address
// designs fit the small return-address and file-folder labels); the user's own object stays.
TEST_F(TemplatesWindow, AnotherStockReappliesTheAppliedDesignAndKeepsTheUsersObjects)
{
    chooseStock(QStringLiteral("5160"));
    chooseCategory(QStringLiteral("Address Labels"));
    const QList<listImageViewItem *> tiles = designPanel()->imageTmplListView()->tiles();
    ASSERT_GE(tiles.size(), 4);
    for (listImageViewItem *tile : tiles) {
        SCOPED_TRACE(tile->title().toStdString());
        chooseStock(QStringLiteral("5160"));
        click(tile);
        ASSERT_EQ(canvas()->selectedTemplates().size(), 1);
        for (const char *code : {"5167", "5267", "L7651", "5160"}) {
            SCOPED_TRACE(code);
            const QModelIndex index = canvas()->dataSource()->modelIndexByName(QString::fromLatin1(code));
            if (!index.isValid())
                continue;
            chooseStock(QString::fromLatin1(code));
            ASSERT_EQ(canvas()->selectedTemplates().size(), 1);
            EXPECT_EQ(canvas()->selectedTemplates().first().templateName(), tile->title());
            const TLabel &label = canvas()->getLabel();
            const QRectF labelRect = QRectF(0, 0, label.width * 72.0, label.height * 72.0).adjusted(-1, -1, 1, 1);
            int blocks = 0;
            for (const GraphicPtr &graphic : canvas()->getRects()) {
                EXPECT_TRUE(graphic->isTemplate());
                if (auto *block = dynamic_cast<ColorAddress *>(graphic.get())) {
                    ++blocks;
                    const QRectF lines = block->currentLines().frame;
                    EXPECT_GE(block->frameBounds().height() + 0.5, lines.height());
                    EXPECT_TRUE(labelRect.contains(block->frameBounds())) << "the lines run off the label";
                }
            }
            EXPECT_LE(blocks, 1);
        }
    }

    // The user's own object keeps its size and place.
    chooseStock(QStringLiteral("5160"));
    fixture->drawRect(QRectF(90, 36, 60, 20));
    GraphicPtr own;
    for (const GraphicPtr &graphic : canvas()->getRects())
        if (!graphic->isTemplate())
            own = graphic;
    ASSERT_TRUE(own);
    const QRectF before = own->frameBounds();
    chooseStock(QStringLiteral("5163"));
    EXPECT_EQ(own->frameBounds(), before);
}

// The shipped address designs clicked onto a disc: no text lies over the centre hole, which
// prints nothing, and every text stays on the label.
TEST_F(TemplatesWindow, AddressDesignsOnADiscKeepTheirTextOffTheHole)
{
    chooseStock(QStringLiteral("5931"));
    const TLabel label = canvas()->getLabel();
    ASSERT_GT(label.hole, 0.0f);
    const QPointF centre(label.width * 36.0, label.height * 36.0);
    const double radius = label.hole * 36.0;
    const QRectF labelRect = QRectF(0, 0, label.width * 72.0, label.height * 72.0).adjusted(-1, -1, 1, 1);
    chooseCategory(QStringLiteral("Address Labels"));
    const QList<listImageViewItem *> tiles = designPanel()->imageTmplListView()->tiles();
    ASSERT_GE(tiles.size(), 4);
    int texts = 0;
    for (listImageViewItem *tile : tiles) {
        SCOPED_TRACE(tile->title().toStdString());
        click(tile);
        for (const GraphicPtr &graphic : canvas()->getRects()) {
            if (!graphic->showsText())
                continue;
            ++texts;
            const QRectF frame = graphic->frameBounds();
            const double dx = std::max({frame.left() - centre.x(), centre.x() - frame.right(), 0.0});
            const double dy = std::max({frame.top() - centre.y(), centre.y() - frame.bottom(), 0.0});
            EXPECT_GE(dx * dx + dy * dy, radius * radius - 1e-6) << "text over the hole";
            EXPECT_TRUE(labelRect.contains(frame));
        }
    }
    EXPECT_GE(texts, int(tiles.size()));
}
