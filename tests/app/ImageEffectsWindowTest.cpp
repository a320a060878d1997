// The image effects panel through the window: a picture in a drawn object, the inspector's
// Image Effects button, a blur chosen in the panel's list, OK, and Undo.
#include "app/AppTestSupport.h"
#include "images/CIFilterDataSource.h"
#include "images/Controller.h"
#include "images/EffectSlider.h"
#include "images/FilterView.h"
#include "images/FunHouseImageView.h"
#include "images/HostileFiles.h"
#include "images/MyImageView.h"
#include "images/ParameterView.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/specImage.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>

using namespace quillmark;

namespace {

using GraphicPtr = std::shared_ptr<ColorRect>;

// Black on the left half, white on the right: any blur greys the edge between them.
QImage halves()
{
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 20; ++x)
            image.setPixelColor(x, y, Qt::black);
    return image;
}

QImage pictureOf(const GraphicPtr &object)
{
    return object->image() ? object->image()->copyRepresentations()->prepareImage() : QImage();
}

// The first filter of the "Focus" list whose name says it blurs.
QModelIndex blurRow(const CIFilterDataSource *list)
{
    for (const auto &category : list->categories())
        if (category.title == QLatin1String("Focus"))
            for (const auto &entry : category.entries)
                if (entry.name.contains(QLatin1String("Blur"), Qt::CaseInsensitive))
                    return list->indexOfFilter(entry.filterClass);
    return {};
}

ParameterView *control(Controller *panel, const QString &key)
{
    FilterView *box = panel->filterView();
    if (!box)
        return nullptr;
    for (ParameterView *view : box->findChildren<ParameterView *>())
        if (view->key() == key)
            return view;
    return nullptr;
}

// Chooses a filter of the panel's list by clicking its row.
void chooseFilter(Controller *panel, const QString &name)
{
    const QModelIndex row = panel->dataSource()->indexOfFilter(name);
    EXPECT_TRUE(row.isValid()) << name.toStdString();
    panel->outlineView()->expandAll();
    panel->outlineView()->scrollTo(row);
    apptest::settle();
    QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      panel->outlineView()->visualRect(row).center());
    apptest::settle();
}

// Drops a file on an image well as the desktop does.
void dropFile(QWidget *well, const QString &path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(well, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(well, &drop);
}

bool pictureRead(ParameterView *view)
{
    return QTest::qWaitFor([view] { return !view->isLoadingPicture(); }, 60000);
}

// A 12000 x 9000 JPEG (108 megapixels), made from a one-bit picture so that the test never
// holds the full-colour picture the file stands for.
QString writeLargePhoto(const QString &path)
{
    QImage source(12000, 9000, QImage::Format_Mono);
    source.setColorTable({qRgb(220, 30, 30), qRgb(30, 30, 220)});
    source.fill(0);
    QImageWriter writer(path, "jpeg");
    writer.setQuality(5);
    return writer.write(source) ? path : QString();
}

// Waits until the panel has no render asked for or under way.
bool rendered(Controller *panel)
{
    return QTest::qWaitFor([panel] { return !panel->isRendering(); }, 120000);
}

// A 6000 x 4000 photo of steep ramps: across any sixteen pixels the colour changes a lot, so
// that every block of a pixelized copy differs from the next.
QImage rampPhoto()
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb((x * 5) % 256, (x * 3) % 256, (y * 5) % 256);
    }
    return image;
}

// The mean length of the runs of equal pixels along a row of a picture.
double meanRun(const QImage &row)
{
    int runs = 1;
    for (int x = 1; x < row.width(); ++x)
        if (row.pixel(x, 0) != row.pixel(x - 1, 0))
            ++runs;
    return double(row.width()) / runs;
}

class ImageEffectsWindow : public ::testing::Test
{
protected:
    apptest::WindowFixture f{QStringLiteral("effects-window")};

    GraphicPtr pictureSelected()
    {
        f.drawRect(QRectF(40, 40, 80, 60));
        f.tool(RectsView::SelectTool)->trigger();
        f.click(QPointF(80, 70));
        EXPECT_EQ(f.canvas()->selectedObjects().size(), 1);
        const GraphicPtr object = f.canvas()->selectedObjects().first();
        object->setImage(halves());
        f.canvas()->undoManager()->removeAllActions();
        f.window->objectInfo()->refresh();
        return object;
    }
    QPushButton *effectsButton()
    {
        f.window->objectInfo()->switchTab(CanvasInspector::ImageTab);
        apptest::settle();
        return f.window->findChild<QPushButton *>(QStringLiteral("btnEdit"));
    }
};

} // namespace

TEST_F(ImageEffectsWindow, ABlurChosenInThePanelChangesThePictureAndUndoBringsItBack)
{
    const GraphicPtr object = pictureSelected();
    const QImage before = pictureOf(object);
    QPushButton *button = effectsButton();
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());

    QString chosen;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        EXPECT_NE(panel, nullptr);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        // The panel shows the object's picture.
        EXPECT_EQ(Controller::imageFromCIImage(panel->backImage()).size(), before.size());
        const QModelIndex row = blurRow(panel->dataSource());
        EXPECT_TRUE(row.isValid());
        chosen = row.data().toString();
        panel->outlineView()->expandAll();
        apptest::settle();
        QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          panel->outlineView()->visualRect(row).center());
        EXPECT_NE(panel->getCurrentFilter(), nullptr);
        QTest::mouseClick(panel->okButton(), Qt::LeftButton);
        // OK computes the full-size result on the worker, then ends the panel.
        for (int i = 0; i < 4000 && panel->isRendering(); ++i)
            QTest::qWait(5);
        EXPECT_FALSE(panel->isRendering());
        return panel->result();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    apptest::settle();
    EXPECT_FALSE(chosen.isEmpty());

    const QImage after = pictureOf(object);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NE(after, before) << chosen.toStdString();
    // At the edge between the halves the blur mixed black and white.
    const QColor edge = after.pixelColor(20, 15);
    EXPECT_GT(edge.lightness(), 10);
    EXPECT_LT(edge.lightness(), 245);
    EXPECT_TRUE(object->imageUseFilter());

    f.menuItemStartingWith(QStringLiteral("Edit"), QStringLiteral("Undo"))->trigger();
    apptest::settle();
    EXPECT_EQ(pictureOf(object), before);
}

TEST_F(ImageEffectsWindow, ClosingThePanelLeavesThePictureAsItWas)
{
    const GraphicPtr object = pictureSelected();
    const QImage before = pictureOf(object);
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_EQ(pictureOf(object), before);
    EXPECT_FALSE(f.canvas()->undoManager()->canUndo());
}

// The value fields of the panel as a user types into them: Return commits the value and keeps
// the panel open, text that is no number gives the previous value back, a number beyond what
// the input takes is held to its range, and the field shows the value in use.
TEST_F(ImageEffectsWindow, ValueFieldsCommitOnReturnRefuseNonNumbersAndHoldToTheRange)
{
    const GraphicPtr object = pictureSelected();
    const QImage before = pictureOf(object);
    bool checked = false;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        const QModelIndex row = panel->dataSource()->indexOfFilter(QStringLiteral("gegl:gaussian-blur"));
        EXPECT_TRUE(row.isValid());
        panel->outlineView()->expandAll();
        panel->outlineView()->scrollTo(row);
        apptest::settle();
        QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          panel->outlineView()->visualRect(row).center());
        ParameterView *radius = control(panel, QStringLiteral("inputStdDevX"));
        EXPECT_TRUE(radius && radius->readoutTextField());
        if (!radius || !radius->readoutTextField())
            return 0;
        QLineEdit *field = radius->readoutTextField();
        auto typeInto = [&](const QString &text) {
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, text);
            QTest::keyClick(field, Qt::Key_Return);
            apptest::settle();
        };
        auto value = [&] { return panel->getCurrentFilter()->value(QStringLiteral("inputStdDevX")).toDouble(); };

        // Return commits and the panel stays open.
        const quint64 revision = panel->revision();
        typeInto(QStringLiteral("7"));
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(panel->result(), 0) << "Return did not end the panel";
        EXPECT_DOUBLE_EQ(value(), 7.0);
        EXPECT_GT(panel->revision(), revision) << "the preview renders anew";
        EXPECT_EQ(field->text().trimmed(), QStringLiteral("7.0"));

        // Not numbers: the previous value comes back.
        for (const QString &nonsense : {QStringLiteral("abc"), QStringLiteral("nan"), QStringLiteral("inf")}) {
            typeInto(nonsense);
            EXPECT_DOUBLE_EQ(value(), 7.0) << nonsense.toStdString();
            EXPECT_EQ(field->text().trimmed(), QStringLiteral("7.0")) << nonsense.toStdString();
        }
        // A decimal comma is a decimal point.
        typeInto(QStringLiteral("2,5"));
        EXPECT_DOUBLE_EQ(value(), 2.5);

        // Beyond the input's range: held to it, and the field says so.
        const FilterInput *input = panel->getCurrentFilter()->input(QStringLiteral("inputStdDevX"));
        EXPECT_TRUE(input && input->maximum.isValid());
        const double maximum = input ? input->maximum.toDouble() : 0;
        for (const QString &huge : {QStringLiteral("5000000"), QStringLiteral("1e300")}) {
            typeInto(huge);
            EXPECT_DOUBLE_EQ(value(), double(float(maximum))) << huge.toStdString();
            EXPECT_EQ(field->text(), ParameterView::formatReadoutValue(4, 1, double(float(maximum))))
                << huge.toStdString();
        }
        typeInto(QStringLiteral("-5"));
        EXPECT_DOUBLE_EQ(value(), input ? input->minimum.toDouble() : 0);
        EXPECT_TRUE(panel->isVisible());
        checked = true;
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_TRUE(checked);
    EXPECT_EQ(pictureOf(object), before);
}

// An input with a fixed set of choices is a pop-up of its choices, not a slider.
TEST_F(ImageEffectsWindow, AnInputWithFixedChoicesIsAPopUp)
{
    pictureSelected();
    bool checked = false;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        const QModelIndex row = panel->dataSource()->indexOfFilter(QStringLiteral("gegl:image-gradient"));
        EXPECT_TRUE(row.isValid());
        panel->outlineView()->expandAll();
        panel->outlineView()->scrollTo(row);
        apptest::settle();
        QTest::mouseClick(panel->outlineView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          panel->outlineView()->visualRect(row).center());
        ParameterView *mode = control(panel, QStringLiteral("inputOutputMode"));
        EXPECT_TRUE(mode);
        if (!mode)
            return 0;
        EXPECT_EQ(mode->slider(), nullptr);
        EXPECT_EQ(mode->readoutTextField(), nullptr);
        QComboBox *popUp = mode->popUp();
        EXPECT_TRUE(popUp);
        if (!popUp)
            return 0;
        const FilterInput *input = panel->getCurrentFilter()->input(QStringLiteral("inputOutputMode"));
        EXPECT_TRUE(input && input->choices.size() >= 2);
        EXPECT_EQ(popUp->count(), input ? input->choices.size() : 0);
        for (int i = 0; i < popUp->count(); ++i)
            EXPECT_FALSE(popUp->itemText(i).isEmpty());
        const int start = popUp->currentIndex();
        popUp->setFocus();
        QTest::keyClick(popUp, start + 1 < popUp->count() ? Qt::Key_Down : Qt::Key_Up);
        apptest::settle();
        EXPECT_NE(popUp->currentIndex(), start);
        EXPECT_DOUBLE_EQ(panel->getCurrentFilter()->value(QStringLiteral("inputOutputMode")).toDouble(),
                         double(popUp->currentIndex()));
        checked = true;
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_TRUE(checked);
}

// The mask of Variable Blur taken from a file, by Choose and by a drop on its well: the file is
// read away from the window's thread under the limits placing a picture has. A FIFO named like
// a picture is refused at once (were it opened, the watchdog's writer would be what ends the
// wait, and the test fails), a picture file fills the well and the input, and a 108-megapixel
// photo that placing takes is taken here too, at the size placing decodes it.
TEST_F(ImageEffectsWindow, AMaskFileIsReadOffTheWindowsThreadAndAFifoIsRefusedAtOnce)
{
    pictureSelected();
    const QString dir = qmtest::freshDir(QStringLiteral("effects-mask"));
    const QString fifo = hostile::makeFifo(dir + QStringLiteral("/mask.png"));
    ASSERT_FALSE(fifo.isEmpty());
    QImage mask(30, 20, QImage::Format_RGB32);
    mask.fill(Qt::white);
    ASSERT_TRUE(mask.save(dir + QStringLiteral("/white.png")));
    const QString photo = writeLargePhoto(dir + QStringLiteral("/photo.jpg"));
    ASSERT_FALSE(photo.isEmpty());

    bool checked = false;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        chooseFilter(panel, QStringLiteral("gegl:variable-blur"));
        ParameterView *well = control(panel, QStringLiteral("inputMaskImage"));
        EXPECT_TRUE(well && well->pushButton() && well->imageView());
        if (!well || !well->pushButton() || !well->imageView())
            return 0;
        EXPECT_TRUE(panel->hasMissingImage());
        auto mask = [&] { return panel->getCurrentFilter()->value(QStringLiteral("inputMaskImage")).value<FilterImage>(); };
        {
            hostile::Watchdog dog([&] { hostile::releaseFifo(fifo); }, std::chrono::seconds(5));
            f.prompts->queuePath(fifo);
            QTest::mouseClick(well->pushButton(), Qt::LeftButton);
            EXPECT_TRUE(pictureRead(well));
            EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 1);
            EXPECT_EQ(f.prompts->last().title, QStringLiteral("The image file could not be read."));
            EXPECT_EQ(f.prompts->last().message, QStringLiteral("mask.png"));
            dropFile(well->imageView(), fifo);
            EXPECT_TRUE(pictureRead(well));
            EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 2);
            EXPECT_EQ(f.prompts->last().title, QStringLiteral("The image file could not be read."));
            EXPECT_FALSE(dog.fired()) << "the FIFO was waited on";
        }
        EXPECT_TRUE(panel->hasMissingImage());
        EXPECT_TRUE(well->imageView()->image().isNull());

        // A picture dropped on the well: shown in it, and the blur has its mask.
        dropFile(well->imageView(), dir + QStringLiteral("/white.png"));
        EXPECT_TRUE(pictureRead(well));
        EXPECT_EQ(mask().extent(), QRectF(0, 0, 30, 20));
        EXPECT_EQ(well->imageView()->image().size(), QSize(30, 20));
        EXPECT_FALSE(panel->hasMissingImage());

        // The large photo by Choose, at the half size placing decodes it at.
        f.prompts->queuePath(photo);
        QTest::mouseClick(well->pushButton(), Qt::LeftButton);
        EXPECT_TRUE(pictureRead(well));
        EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 2);
        EXPECT_EQ(mask().extent(), QRectF(0, 0, 6000, 4500));
        checked = true;
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_TRUE(checked);
}

// Pixelize at its 16-pixel blocks on a 6000 x 4000 photo: the preview is rendered from a
// smaller copy of the photo, and its blocks, measured back at the photo's size, are as large
// as those Apply makes of the photo itself.
TEST_F(ImageEffectsWindow, ThePreviewOfALargePhotoHasTheBlocksOfTheResult)
{
    f.drawRect(QRectF(40, 40, 80, 60));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(80, 70));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    f.canvas()->selectedObjects().first()->setImage(rampPhoto());
    f.canvas()->undoManager()->removeAllActions();
    f.window->objectInfo()->refresh();

    double previewBlock = 0;
    double resultBlock = 0;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        chooseFilter(panel, QStringLiteral("gegl:pixelize"));
        EXPECT_DOUBLE_EQ(panel->getCurrentFilter()->value(QStringLiteral("inputSizeX")).toDouble(), 16);
        // A fifth of the photo's size on screen: the preview is drawn from a copy a quarter
        // of its size.
        panel->zoomSlider()->setDoubleValue(Controller::sliderPositionForZoom(0.2));
        panel->zoomChanged();
        MyImageView *view = panel->ciView();
        for (int i = 0; i < 3; ++i) {
            view->repaint();
            EXPECT_TRUE(rendered(panel));
        }
        const QImage preview = view->renderedResult();
        EXPECT_FALSE(preview.isNull());
        EXPECT_LT(view->renderedScale(), 1.0);
        if (preview.isNull())
            return 0;
        previewBlock = meanRun(preview.copy(0, preview.height() / 2, preview.width(), 1)) / view->renderedScale();

        QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
        EXPECT_TRUE(rendered(panel));
        const FilterImage result = panel->backImage();
        EXPECT_EQ(result.extent().size(), QSizeF(6000, 4000));
        resultBlock = meanRun(result.render(QRect(0, 2000, 1600, 1)));
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_NEAR(resultBlock, 16, 1);
    EXPECT_NEAR(previewBlock, resultBlock, 16);
}

// What the box of controls shows: Alien Map's six numbers, whose names begin alike, have labels
// that tell them apart, each with its whole name as its tip; a readout shows the largest value
// its input takes whole.
TEST_F(ImageEffectsWindow, LabelsAreTellableApartAndReadoutsShowTheirLargestValueWhole)
{
    pictureSelected();
    bool checked = false;
    f.prompts->queuePanel([&](QDialog *dialog) {
        auto *panel = qobject_cast<Controller *>(dialog);
        if (!panel)
            return 0;
        panel->show();
        apptest::settle();
        chooseFilter(panel, QStringLiteral("gegl:alien-map"));
        QStringList shown;
        QStringList tips;
        for (const QString key : {"inputCpn1Frequency", "inputCpn2Frequency", "inputCpn3Frequency",
                                   "inputCpn1Phaseshift", "inputCpn2Phaseshift", "inputCpn3Phaseshift"}) {
            ParameterView *view = control(panel, key);
            EXPECT_TRUE(view && view->labelTextField()) << key.toStdString();
            if (!view || !view->labelTextField())
                return 0;
            QLabel *label = view->labelTextField();
            shown << label->text();
            tips << label->toolTip();
            // The shortened text fits the label.
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), ParameterView::drawingWidth(label))
                << label->text().toStdString();
        }
        QStringList distinct = shown;
        distinct.removeDuplicates();
        EXPECT_EQ(distinct.size(), 6) << shown.join(QStringLiteral(" | ")).toStdString();
        EXPECT_TRUE(tips.first().startsWith(QStringLiteral("Component 1"))) << tips.first().toStdString();

        chooseFilter(panel, QStringLiteral("gegl:gaussian-blur"));
        ParameterView *radius = control(panel, QStringLiteral("inputStdDevX"));
        EXPECT_TRUE(radius && radius->readoutTextField() && radius->slider());
        if (!radius || !radius->readoutTextField())
            return 0;
        QLineEdit *field = radius->readoutTextField();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("1500"));
        QTest::keyClick(field, Qt::Key_Return);
        apptest::settle();
        EXPECT_EQ(field->text().trimmed(), QStringLiteral("1500.0"));
        // The text, inside the field's frame and the margins it keeps, is not cut.
        const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
        EXPECT_LE(field->fontMetrics().horizontalAdvance(field->text()), field->width() - 2 * frame - 4);
        // The slider gave up the room, and the controls keep within the box.
        EXPECT_LE(radius->slider()->geometry().right(), field->geometry().left());
        EXPECT_LE(field->geometry().right(), radius->width());
        checked = true;
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        return panel->result();
    });
    QTest::mouseClick(effectsButton(), Qt::LeftButton);
    apptest::settle();
    EXPECT_TRUE(checked);
}
