// A copy of a picture on the canvas (Duplicate) is shown from its source's reduced pixels at
// once, and with its own look as soon as that differs from its source's.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPainter>
#include <QTest>

#include "app/AppTestSupport.h"
#include "inspector/ImagePage.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "objects/PictureWorker.h"

using namespace quillmark;

namespace {

QImage shownOver(RectsView *canvas, const QRectF &page)
{
    apptest::settle();
    return canvas->grab(canvas->pageToWidget().mapRect(page).toAlignedRect()).toImage();
}

} // namespace

TEST(PictureCopyWindow, ACopyShowsItsSourcesPixelsUntilItsOwnLookDiffers)
{
    apptest::WindowFixture f(QStringLiteral("picture-copy-window"));
    RectsView *canvas = f.canvas();
    // Far more pixels than its frame shows on the screen: the canvas draws a reduced copy.
    QImage photo(1600, 1200, QImage::Format_RGB32);
    photo.fill(QColor(220, 30, 30));
    {
        QPainter painter(&photo);
        painter.fillRect(QRect(800, 0, 800, 1200), QColor(30, 30, 220));
        painter.fillRect(QRect(0, 0, 400, 300), QColor(30, 200, 30));
    }
    const QString path = qmtest::freshDir(QStringLiteral("picture-copy-window-files")) + QStringLiteral("/photo.png");
    ASSERT_TRUE(photo.save(path));
    f.prompts->queuePath(path);
    f.trigger(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    PictureWorker::waitUntilDone();
    ASSERT_EQ(canvas->getRects().size(), 1);
    shownOver(canvas, canvas->getRects().first()->frameBounds());

    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    PictureWorker::waitUntilDone();
    ASSERT_EQ(canvas->getRects().size(), 2);
    const GraphicPtr copy = canvas->getRects().last();
    ASSERT_TRUE(canvas->isSelected(copy.get()));
    const QImage duplicated = shownOver(canvas, copy->frameBounds());

    // Tinted, the copy shows its own pixels; untinted again, what a reduced copy made afresh
    // shows, which is what the source's gave it.
    ImagePage *page = nullptr;
    for (const QPointer<InspectorPage> &candidate : f.window->objectInfo()->pages())
        if (auto *image = qobject_cast<ImagePage *>(candidate.data()))
            page = image;
    ASSERT_TRUE(page);
    for (PropertiesTabButton *button : f.window->propertiesView()->buttons())
        if (f.window->propertiesView()->pageWithTag(button->tag()) == page && !button->isChecked())
            QTest::mouseClick(button, Qt::LeftButton);
    apptest::settle();
    auto *tint = page->findChild<QCheckBox *>(QStringLiteral("bTintImage"));
    ASSERT_TRUE(tint);
    ASSERT_TRUE(tint->isVisibleTo(f.window.get()) && tint->isEnabled());
    QTest::mouseClick(tint, Qt::LeftButton, Qt::NoModifier, QPoint(6, tint->height() / 2));
    PictureWorker::waitUntilDone();
    const QImage tinted = shownOver(canvas, copy->frameBounds());
    EXPECT_NE(tinted, duplicated) << "the copy shows its source's pixels after its tint changed";
    QTest::mouseClick(tint, Qt::LeftButton, Qt::NoModifier, QPoint(6, tint->height() / 2));
    PictureWorker::waitUntilDone();
    EXPECT_EQ(shownOver(canvas, copy->frameBounds()), duplicated);
}
