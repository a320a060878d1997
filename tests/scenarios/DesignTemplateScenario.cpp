// Design templates: a shipped design clicked onto a 4 x 2 in shipping label from the Design
// tab, an object of the user's own added, the whole saved as a template of their own; then a
// new design on 1 x 2 in labels where that template, clicked under "my templates", comes at
// half its size behind the object the user drew there. The template file and the saved design
// are read by plistutil.
#include <QComboBox>
#include <QDirIterator>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "Readers.h"
#include "Scenario.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "canvas/SaveTemplate.h"
#include "images/ScrollNSImageView.h"
#include "images/TemplateBrowserPanel.h"
#include "images/listImageViewItem.h"
#include "objects/ColorRect.h"

using namespace quillmark;

namespace scenario {
namespace {

class DesignTemplate : public Scenario
{
protected:
    TemplateBrowserPanel *designPanel() const { return window()->findChild<TemplateBrowserPanel *>(); }

    // The side panel's "Design" tab, clicked.
    void openDesignTab()
    {
        for (QTabBar *bar : window()->findChildren<QTabBar *>()) {
            for (int i = 0; i < bar->count(); ++i) {
                if (bar->tabText(i) == QStringLiteral("Design") && bar->isVisible()) {
                    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(i).center());
                    settle();
                    return;
                }
            }
        }
        FAIL() << "no Design tab";
    }

    // A category chosen in the Design tab's pop-up with the keys, as a user picks it, and the
    // previews waited for.
    void chooseCategory(const QString &category)
    {
        ASSERT_TRUE(designPanel());
        QComboBox *popup = designPanel()->templatePopup();
        ASSERT_TRUE(popup->isVisible()) << "the Design tab is not shown";
        const int index = popup->findText(category);
        ASSERT_GE(index, 0) << category.toStdString();
        popup->setFocus();
        QTest::keyClick(popup, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(popup, Qt::Key_Down);
        settle();
        ASSERT_EQ(popup->currentText(), category);
        ASSERT_TRUE(designPanel()->imageTmplListView()->waitForThumbnails(20000));
        settle();
    }

    void clickTile(const QString &name)
    {
        for (listImageViewItem *tile : designPanel()->imageTmplListView()->tiles()) {
            if (tile->title() == name) {
                QTest::mouseClick(tile, Qt::LeftButton, Qt::NoModifier, QPoint(tile->width() / 2, tile->height() / 2));
                settle();
                return;
            }
        }
        FAIL() << "no tile " << name.toStdString();
    }

    // File > Save as Template..., the name typed into its panel and OK clicked.
    void saveAsTemplate(const QString &name)
    {
        bool answered = false;
        prompts().queuePanel([name, &answered](QDialog *dialog) {
            auto *panel = qobject_cast<SaveTemplate *>(dialog);
            if (!panel)
                return 0;
            answered = true;
            panel->titleField()->selectAll();
            QTest::keyClick(panel->titleField(), Qt::Key_Backspace);
            QTest::keyClicks(panel->titleField(), name);
            QTest::mouseClick(panel->okButton(), Qt::LeftButton);
            return panel->result();
        });
        choose(QStringLiteral("File/Save as Template..."));
        EXPECT_TRUE(answered) << "no name panel";
    }

    QString templateFile(const QString &name) const
    {
        QDirIterator it(dataHome(), {name + QStringLiteral(".vrxtemp")}, QDir::Files, QDirIterator::Subdirectories);
        return it.hasNext() ? it.next() : QString();
    }
};

TEST_F(DesignTemplate, ShippedDesignSavedAsOwnTemplateAndAppliedAtHalfSize)
{
    launch();
    chooseStockBySearch(QStringLiteral("5163"), QStringLiteral("Shipping Labels 5163"));
    openDesignTab();
    chooseCategory(QStringLiteral("Shipping Labels"));
    clickTile(QStringLiteral("Priority"));
    ASSERT_GT(canvas()->getRects().size(), 2) << "the design is not on the label";

    // The user's own rectangle on the design, then all of it saved as a template.
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({200, 100}, {260, 130});
    saveAsTemplate(QStringLiteral("Parcel"));
    const QString file = templateFile(QStringLiteral("Parcel"));
    ASSERT_FALSE(file.isEmpty()) << "no template file in the user's folder";
    EXPECT_TRUE(file.endsWith(QStringLiteral("/Templates/Horizontal/Parcel.vrxtemp"))) << file.toStdString();

    const QVariantMap stored = readPlist(file).toMap();
    ASSERT_FALSE(stored.isEmpty()) << "plistutil cannot read the template";
    EXPECT_EQ(stored.value(QStringLiteral("TemplateBounds")).toString(), QStringLiteral("{{0, 0}, {288, 144}}"));
    const QImage preview = QImage::fromData(stored.value(QStringLiteral("TemplateImage")).toByteArray());
    EXPECT_EQ(preview.size(), QSize(150, 75));
    const QVariantList storedObjects = objectsOf(stored);
    ASSERT_EQ(storedObjects.size(), canvas()->getRects().size());
    // The rectangle as it was drawn is the template's last object. Its corners may have caught
    // an edge of the design nearby: how far that reaches in points depends on the zoom, which
    // depends on the room the window's panels leave the canvas.
    const QRectF drawn = canvas()->getRects().last()->frameBounds();
    EXPECT_NEAR(drawn.center().x(), 230, 10.0);
    EXPECT_NEAR(drawn.center().y(), 115, 10.0);
    const QRectF ownStored = boundsOf(storedObjects.last());
    EXPECT_NEAR(ownStored.left(), drawn.left(), 0.01);
    EXPECT_NEAR(ownStored.top(), drawn.top(), 0.01);
    EXPECT_NEAR(ownStored.width(), drawn.width(), 0.01);
    EXPECT_NEAR(ownStored.height(), drawn.height(), 0.01);

    // A new design on 1 x 2 in labels, with a rectangle of the user's own, then the template.
    prompts().queueAlert(Prompts::SecondButton); // the design on the shipping label is not kept
    choose(QStringLiteral("File/New"));
    chooseStockBySearch(QStringLiteral("OL5125"), QStringLiteral("Barcode Labels OL5125"));
    ASSERT_TRUE(canvas()->getRects().isEmpty());
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({100, 40}, {130, 60});
    chooseCategory(QStringLiteral("my templates"));
    clickTile(QStringLiteral("Parcel"));

    // Saved and read back by plistutil: every template object at half its place and size, in
    // file order behind the user's rectangle, which is where it was drawn.
    const QString path = userFile(QStringLiteral("Small labels.qkdoc"));
    prompts().queueSave(path);
    choose(QStringLiteral("File/Save"));
    const QVariantList objects = objectsOf(readPlist(path));
    ASSERT_EQ(objects.size(), storedObjects.size() + 1);
    for (int i = 0; i < storedObjects.size(); ++i) {
        const QRectF was = boundsOf(storedObjects.at(i));
        const QRectF now = boundsOf(objects.at(i));
        EXPECT_NEAR(now.left(), was.left() / 2, 0.01) << i;
        EXPECT_NEAR(now.top(), was.top() / 2, 0.01) << i;
        // Merge objects fit their frames to the text they show here.
        const QString kind = objects.at(i).toMap().value(QStringLiteral("Class")).toString();
        if (kind == QStringLiteral("ColorAddress") || kind == QStringLiteral("ColorField"))
            continue;
        EXPECT_NEAR(now.width(), was.width() / 2, 0.01) << i;
        EXPECT_NEAR(now.height(), was.height() / 2, 0.01) << i;
    }
    const QRectF own = boundsOf(objects.last());
    EXPECT_NEAR(own.left(), 100, 1.0);
    EXPECT_NEAR(own.top(), 40, 1.0);
    EXPECT_NEAR(own.width(), 30, 1.0);
    EXPECT_NEAR(own.height(), 20, 1.0);
}

} // namespace
} // namespace scenario
