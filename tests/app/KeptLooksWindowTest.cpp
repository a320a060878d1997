// The screen keeps the blurred layers of shadows (of shapes and of texts) and the images of
// gradients (shaped text's too), shared by objects of one look and size: what the canvas shows from them after each change of a control of the
// style page, and after its Undo, is what it shows with nothing kept. The small picture a saved
// design and a copy carry takes them too (at its own size), and shows what one made with
// nothing kept shows.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

#include "app/AppTestSupport.h"
#include "foundation/MyStepper.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorUtils.h"
#include "objects/KnobResize.h"
#include "objects/PictureWorker.h"
#include "platform/ColorWell.h"
#include "platform/PropertyList.h"
#include "platform/Shadow.h"

using namespace quillmark;

namespace {

GraphicPtr placed(apptest::WindowFixture &f, const GraphicPtr &graphic)
{
    graphic->setPageName(f.canvas()->getCurrPageName());
    graphic->setObjectLayer(1);
    return graphic;
}

void giveLook(ColorRect &object, int fillType, const QColor &first)
{
    object.setDrawsFill(true);
    object.setFillType(fillType);
    object.setFillColor(first);
    object.setFillColor2(QColor(30, 40, 120, 200));
    object.setFillAngle(30);
    object.setDrawsShadow(true);
    object.setShadowBlur(3);
    object.setShadowDistance(4);
}

// Every kind whose shadow or gradient the screen keeps, several of one look and size (they
// share what is kept), one turned, one stroked only, one holding a picture.
QString design(apptest::WindowFixture &f)
{
    GraphicList objects;
    for (int i = 0; i < 3; ++i) {
        GraphicPtr rect = placed(f, ColorRect::create(QRectF(10 + 25.3 * i, 10.4, 20, 14)));
        giveLook(*rect, 2, QColor(200, 60, 40));
        objects.append(rect);
    }
    GraphicPtr radial = placed(f, ColorRect::create(QRectF(90, 10, 26, 20)));
    giveLook(*radial, 1, QColor(250, 220, 40, 180));
    objects.append(radial);
    GraphicPtr oval = placed(f, ColorOval::create(QRectF(125, 8, 30, 22)));
    giveLook(*oval, 2, QColor(40, 160, 90));
    objects.append(oval);
    auto path = ColorPath::create(QRectF(10, 40, 30, 25));
    BezierPath outline;
    outline.moveTo(QPointF(10, 40));
    outline.lineTo(QPointF(40, 48));
    outline.curveTo(QPointF(22, 65), QPointF(44, 60), QPointF(30, 70));
    outline.closePath();
    path->setBezierPath(outline);
    giveLook(*path, 1, QColor(120, 80, 200));
    objects.append(placed(f, path));
    GraphicPtr turned = placed(f, ColorRect::create(QRectF(55, 42, 24, 12)));
    giveLook(*turned, 0, QColor(90, 90, 220));
    turned->setAngle(25, false);
    objects.append(turned);
    GraphicPtr stroked = placed(f, ColorRect::create(QRectF(90, 42, 24, 16)));
    stroked->setDrawsShadow(true);
    stroked->setDrawsStroke(true);
    stroked->setStrokeLineWidth(2);
    objects.append(stroked);
    GraphicPtr line = placed(f, ColorLine::create(QRectF(125, 42, 30, 14)));
    line->setDrawsShadow(true);
    objects.append(line);
    GraphicPtr picture = placed(f, ColorRect::create(QRectF(160, 40, 24, 18)));
    QImage photo(48, 36, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 5, y * 7, 128));
    picture->setImage(photo);
    picture->setDrawsShadow(true);
    objects.append(picture);
    // Text along an oval casts the shadow of its glyphs.
    GraphicPtr lettered = placed(f, ColorOval::create(QRectF(10, 75, 80, 56)));
    lettered->textStorage()->setPlainText(QStringLiteral("Kept along the oval"));
    lettered->setDrawsShadow(true);
    lettered->setShadowBlur(2);
    EXPECT_FALSE(std::static_pointer_cast<ColorOval>(lettered)->glyphPlacements().isEmpty());
    objects.append(lettered);
    // A text box casts the shadow of its text; shaped text takes its gradient through its
    // glyphs and casts their shadow.
    GraphicPtr box = placed(f, ColorRect::create(QRectF(100, 75, 70, 30)));
    box->textStorage()->setPlainText(QStringLiteral("Kept in the box, two lines of it"));
    box->setDrawsShadow(true);
    box->setShadowBlur(2);
    objects.append(box);
    GraphicPtr shaped = placed(f, ColorRect::create(QRectF(100, 110, 80, 26)));
    shaped->textStorage()->setPlainText(QStringLiteral("Shaped"));
    giveLook(*shaped, 2, QColor(220, 120, 30));
    shaped->setPowerText(true);
    objects.append(shaped);
    const QString path_ = qmtest::freshDir(QStringLiteral("kept-looks")) + QStringLiteral("/Looks.qkdoc");
    EXPECT_TRUE(PropertyList::writeFile(path_, f.canvas()->drawDocumentDictionaryForGraphics(objects),
                                        PlistFormat::Binary));
    return path_;
}

// Turns of the event loop until the shadow layers asked for aside have arrived.
void arrive()
{
    for (int guard = 0; Shadow::layersUnderWay() > 0 && guard < 1000; ++guard) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        PictureWorker::waitUntilDone();
    }
    EXPECT_EQ(Shadow::layersUnderWay(), 0);
}

// What the window shows of the canvas: drawn now on the screen, and again once the shadow
// layers that repaint asked for have been blurred aside; read from the window's store.
QImage onScreen(RectsView *canvas)
{
    canvas->repaint();
    if (Shadow::layersUnderWay() > 0) {
        arrive();
        canvas->repaint();
    }
    QBackingStore *store = canvas->window()->backingStore();
    auto *image = store ? dynamic_cast<QImage *>(store->paintDevice()) : nullptr;
    EXPECT_NE(image, nullptr);
    if (!image)
        return {};
    const qreal ratio = image->devicePixelRatio();
    const QPoint at = canvas->mapTo(canvas->window(), QPoint(0, 0));
    return image->copy(QRect(at * ratio, canvas->size() * ratio)).convertToFormat(QImage::Format_ARGB32);
}

// What it shows with nothing kept.
QImage afresh(RectsView *canvas)
{
    Shadow::forgetKeptLayers();
    forgetKeptGradients();
    return onScreen(canvas);
}

// The small picture Save writes into the design, as Save writes it: from what is kept, and
// made again with nothing kept.
QByteArray preview(RectsView *canvas)
{
    return canvas->documentPreviewForGraphics(canvas->getRects());
}

void expectPreviewAsMadeAfresh(RectsView *canvas)
{
    const QByteArray kept = preview(canvas);
    Shadow::forgetKeptLayers();
    forgetKeptGradients();
    EXPECT_EQ(kept, preview(canvas));
}

// The controls of the page as a user changes them, each by a step of its own kind.
void change(QWidget *control, int round)
{
    if (auto *box = qobject_cast<QCheckBox *>(control)) {
        box->click();
    } else if (auto *popUp = qobject_cast<QComboBox *>(control)) {
        popUp->setFocus();
        QTest::keyClick(popUp, popUp->currentIndex() + 1 < popUp->count() ? Qt::Key_Down : Qt::Key_Up);
    } else if (auto *field = qobject_cast<NumberField *>(control)) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QString::number(3 + round % 7));
        QTest::keyClick(field, Qt::Key_Return);
    } else if (auto *slider = qobject_cast<QSlider *>(control)) {
        slider->triggerAction(slider->value() + slider->pageStep() <= slider->maximum() ? QSlider::SliderPageStepAdd
                                                                                       : QSlider::SliderPageStepSub);
    } else if (auto *stepper = qobject_cast<MyStepper *>(control)) {
        stepper->step(stepper->doubleValue() < stepper->maxValue() ? 1 : -1);
    } else if (auto *well = qobject_cast<ColorWell *>(control)) {
        well->takeColor(QColor::fromHsv((round * 67) % 360, 180, 200, 120 + (round * 31) % 135));
    }
}

} // namespace

TEST(KeptLooksWindow, EveryStyleControlAndItsUndoShowWhatADrawingAfreshShows)
{
    apptest::WindowFixture f(QStringLiteral("kept-looks-window"));
    f.window->resize(1024, 768);
    const QString file = design(f);
    f.prompts->queuePath(file);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    RectsView *canvas = f.canvas();
    ASSERT_EQ(canvas->getRects().size(), 13);
    canvas->zoomChange(1.55);
    apptest::settle();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));

    ObjectInfoPanel *info = f.window->objectInfo();
    StylePage *style = info->stylePage();
    for (PropertiesTabButton *button : f.window->propertiesView()->buttons()) {
        QWidget *page = f.window->propertiesView()->pageWithTag(button->tag());
        if (page && page->isAncestorOf(style->bShadow) && !button->isChecked())
            QTest::mouseClick(button, Qt::LeftButton);
    }
    apptest::settle();

    // Strokes on too, so that the stroke's controls are open.
    for (int i = 0; i < 3 && style->bBorder->checkState() != Qt::Checked; ++i) {
        style->bBorder->click();
        apptest::settle();
    }
    ASSERT_TRUE(style->tvLineWidth->isEnabled());
    Shadow::forgetKeptLayers();
    forgetKeptGradients();
    // With nothing kept the canvas is drawn at once without the shadows, which are blurred
    // aside and then shown.
    canvas->repaint();
    EXPECT_GT(Shadow::layersUnderWay(), 0);
    arrive();
    Shadow::forgetKeptLayers();
    const QImage opened = onScreen(canvas);
    // The screen took its shadows from kept layers, not drawn exactly.
    ASSERT_GT(Shadow::keptLayerBytes(), 0);
    EXPECT_EQ(opened, afresh(canvas));
    // Past their budget the layers a repaint needs beyond it are drawn and not kept: the screen
    // shows the same, and a repaint keeps what the one before kept.
    const qint64 allLayers = Shadow::keptLayerBytes();
    Shadow::setKeptLayerBudget(allLayers / 2);
    EXPECT_EQ(onScreen(canvas), opened);
    const qint64 someLayers = Shadow::keptLayerBytes();
    EXPECT_GT(someLayers, 0);
    EXPECT_LE(someLayers, allLayers / 2);
    apptest::settle();
    EXPECT_EQ(onScreen(canvas), opened);
    EXPECT_EQ(Shadow::keptLayerBytes(), someLayers);
    Shadow::setKeptLayerBudget(Shadow::KeptLayerBudget);
    // The preview takes layers of its own scale, never the screen's.
    onScreen(canvas);
    const qint64 screenBytes = Shadow::keptLayerBytes();
    expectPreviewAsMadeAfresh(canvas);
    onScreen(canvas);
    preview(canvas);
    EXPECT_GT(Shadow::keptLayerBytes(), screenBytes);

    // Every control of the page, in the page's order, each change and its Undo.
    int changed = 0;
    int previewsChanged = 0;
    const QList<QWidget *> controls = style->findChildren<QWidget *>();
    for (int round = 0; round < controls.size(); ++round) {
        QWidget *control = controls[round];
        const bool isControl = qobject_cast<QCheckBox *>(control) || qobject_cast<QComboBox *>(control)
                               || qobject_cast<NumberField *>(control) || qobject_cast<QSlider *>(control)
                               || qobject_cast<MyStepper *>(control) || qobject_cast<ColorWell *>(control);
        if (!isControl || !control->isVisibleTo(style) || !control->isEnabled())
            continue;
        SCOPED_TRACE(control->objectName().toStdString());
        // Kept from the look before: what a stale layer or image would show.
        const QImage before = onScreen(canvas);
        const QByteArray previewBefore = preview(canvas);
        canvas->undoManager()->removeAllActions();
        change(control, round);
        apptest::settle();
        if (!canvas->undoManager()->canUndo())
            continue;
        ++changed;
        const QImage shown = onScreen(canvas);
        EXPECT_EQ(shown, afresh(canvas));
        onScreen(canvas);
        expectPreviewAsMadeAfresh(canvas);
        onScreen(canvas);
        const QByteArray changedPreview = preview(canvas);
        f.undo();
        const QImage undone = onScreen(canvas);
        EXPECT_EQ(undone, afresh(canvas));
        EXPECT_EQ(undone, before);
        onScreen(canvas);
        expectPreviewAsMadeAfresh(canvas);
        preview(canvas);
        EXPECT_EQ(preview(canvas), previewBefore) << "the preview after Undo";
        previewsChanged += changedPreview != previewBefore;
    }
    // Stroke, fill and shadow: their boxes, the dash pattern and the fill type, the four colours
    // and every field, stepper and slider.
    EXPECT_EQ(changed, 24);
    // Nearly every change shows in the preview too (a thin line may round away at its size).
    EXPECT_GE(previewsChanged, 20);

    // One of the alike rectangles moved and then resized by its knob (the others keep what they
    // share), each with its Undo; then other zooms.
    const GraphicPtr first = canvas->getRects().first();
    const QRectF frame = first->frameBounds();
    canvas->clearSelection();
    f.click(frame.center());
    ASSERT_EQ(canvas->selectedObjects().size(), 1);
    const QImage still = onScreen(canvas);
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    apptest::settle();
    ASSERT_NE(first->frameBounds(), frame);
    // What shows is taken before the fresh drawing forgets what was kept.
    const QImage moved = onScreen(canvas);
    EXPECT_EQ(moved, afresh(canvas));
    f.undo();
    EXPECT_EQ(onScreen(canvas), still);
    f.dragFromTo(KnobResize::knobPosition(frame, 8), KnobResize::knobPosition(frame, 8) + QPointF(7, 4));
    apptest::settle();
    ASSERT_NE(first->frameBounds().size(), frame.size());
    const QImage resized = onScreen(canvas);
    EXPECT_EQ(resized, afresh(canvas));
    f.undo();
    ASSERT_EQ(first->frameBounds(), frame);
    EXPECT_EQ(onScreen(canvas), still);
    for (double zoom : {2.0, 0.75, 1.55}) {
        SCOPED_TRACE(zoom);
        canvas->zoomChange(zoom);
        apptest::settle();
        const QImage zoomed = onScreen(canvas);
        EXPECT_EQ(zoomed, afresh(canvas));
    }
}
