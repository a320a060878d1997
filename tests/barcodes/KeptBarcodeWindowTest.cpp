// Barcodes on the canvas of the real window: each keeps a picture of its drawing for the
// screen, made off the window's thread, and what the canvas shows after every edit the window
// offers (the drawer's and the Barcode page's controls, the geometry, the font menu, Undo) is
// what a drawing made afresh shows; a click or an arrow key that changes nothing draws nothing
// again; the pictures stay within their budget without being made again at every repaint, and
// copies take their sources' pictures.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <optional>

#include "app/AppTestSupport.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/BarcodeTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "inspector/BarcodePage.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/InspectorPage.h"
#include "objects/PictureWorker.h"
#include "platform/ColorWell.h"

using namespace quillmark;

namespace {

// Counts the canvas's drawings while it lives.
class PaintCount : public QObject
{
public:
    explicit PaintCount(QWidget *watched)
        : m_watched(watched)
    {
        watched->installEventFilter(this);
    }
    ~PaintCount() override { m_watched->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }

private:
    QWidget *m_watched;
};

class KeptBarcodeWindow : public ::testing::Test
{
protected:
    std::shared_ptr<ColorBarcode> placeBarcode(const QPointF &at)
    {
        f.tool(RectsView::BarcodeTool)->trigger();
        f.click(at);
        auto barcode = std::dynamic_pointer_cast<ColorBarcode>(f.canvas()->getRects().last());
        EXPECT_TRUE(barcode);
        return barcode;
    }

    void openPage(QWidget *page)
    {
        for (PropertiesTabButton *button : f.window->propertiesView()->buttons())
            if (f.window->propertiesView()->pageWithTag(button->tag()) == page && !button->isChecked())
                QTest::mouseClick(button, Qt::LeftButton);
        apptest::settle();
    }

    // The canvas's pixels over the label and round it. The canvas may scroll once the turn
    // is over (its size follows the objects an Undo took away): the label is taken where it
    // is drawn then.
    QImage shown() const
    {
        const TLabel &stock = f.canvas()->getLabel();
        const QRectF area(-20, -20, double(stock.width) * 72.0 + 40, double(stock.height) * 72.0 + 40);
        QRect onCanvas;
        QImage image;
        for (int round = 0; round < 5; ++round) {
            const QRect was = std::exchange(onCanvas, f.canvas()->pageToWidget().mapRect(area).toAlignedRect());
            if (onCanvas == was)
                break;
            image = apptest::grabDrawn(f.canvas(), onCanvas);
        }
        return image;
    }
    // The same with every barcode drawn afresh.
    QImage shownAfresh() const
    {
        for (const GraphicPtr &graphic : f.canvas()->getRects())
            if (auto *barcode = dynamic_cast<ColorBarcode *>(graphic.get()))
                barcode->forgetKeptDrawings();
        return shown();
    }

    apptest::WindowFixture f{QStringLiteral("kept-barcode-window")};
};

// The number a field shows, read as far as it is a number ("0.4 in" reads 0.4).
std::optional<double> leadingNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale().toDouble(text.section(QLatin1Char(' '), 0, 0), &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// What a user does to change a control: another number or more data typed (ended with
// Return), the next choice of a pop-up, a click on a box or a button, another colour.
void change(QWidget *control)
{
    if (auto *text = qobject_cast<QPlainTextEdit *>(control)) {
        text->setFocus();
        QTest::keyClick(text, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(text, QStringLiteral("7"));
    } else if (auto *field = qobject_cast<QLineEdit *>(control)) {
        const std::optional<double> number =
            control->property("tag").toInt() == BarcodeDrawer::DataTag ? std::nullopt : leadingNumber(field->text());
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, number ? QLocale().toString(*number + std::max(1.0, std::abs(*number) / 4.0))
                                       : QStringLiteral("7") + QString(field->text()));
        QTest::keyClick(field, Qt::Key_Return);
    } else if (auto *popUp = qobject_cast<QComboBox *>(control); popUp && popUp->count() > 0) {
        // An empty pop-up (the fields of no database) offers nothing to choose.
        const int next = (popUp->currentIndex() + 1) % popUp->count();
        popUp->showPopup();
        apptest::settle();
        QAbstractItemView *list = popUp->view();
        const QModelIndex item = list->model()->index(next, popUp->modelColumn(), popUp->rootModelIndex());
        list->scrollTo(item);
        apptest::settle();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(item).center());
    } else if (auto *well = qobject_cast<ColorWell *>(control)) {
        well->takeColor(QColor::fromHsv((well->color().hsvHue() + 120) % 360, 200, 160));
    } else if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    }
    apptest::settle();
}

// The controls of a panel a user changes a barcode with, as the panel shows them now.
QList<QWidget *> controlsOf(QWidget *panel)
{
    QList<QWidget *> controls;
    for (QWidget *child : panel->findChildren<QWidget *>()) {
        const bool kind = qobject_cast<QLineEdit *>(child) || qobject_cast<QPlainTextEdit *>(child)
                          || qobject_cast<QComboBox *>(child) || qobject_cast<ColorWell *>(child)
                          || qobject_cast<QCheckBox *>(child) || qobject_cast<QRadioButton *>(child);
        // A pop-up's own line edit is the pop-up's.
        if (kind && !qobject_cast<QComboBox *>(child->parentWidget()))
            controls.append(child);
    }
    return controls;
}

} // namespace

TEST_F(KeptBarcodeWindow, EveryEditShowsWhatADrawingMadeAfreshShows)
{
    placeBarcode(QPointF(10, 8));
    ObjectInfoPanel *info = f.window->objectInfo();
    BarcodeDrawer *drawer = f.window->barcodeDrawer();
    ASSERT_TRUE(drawer->controls()->isVisible());
    const QImage first = shown();
    ASSERT_EQ(first, shownAfresh());

    // Every control of the drawer and of the inspector's pages that take a barcode: its data,
    // size and look.
    struct Edit
    {
        QWidget *page;
        QWidget *control;
        QString name;
    };
    QList<Edit> edits;
    for (QWidget *control : controlsOf(drawer))
        edits.append({nullptr, control, QStringLiteral("drawer tag %1").arg(control->property("tag").toInt())});
    for (const QPointer<InspectorPage> &page : info->pages())
        for (QWidget *control : controlsOf(page))
            edits.append({page, control, page->metaObject()->className() + QStringLiteral(" ") + control->objectName()});
    ASSERT_GE(edits.size(), 15);

    int changed = 0, edited = 0, undone = 0;
    auto check = [&](const QString &what, const QImage &before) {
        const QImage after = shown();
        EXPECT_EQ(after, shownAfresh()) << what.toStdString() << ": the canvas shows an older drawing";
        changed += after != before;
    };
    for (const Edit &edit : edits) {
        if (edit.page)
            openPage(edit.page);
        // What the symbology or the binding does not offer is not shown or not enabled.
        if (!edit.control->isVisibleTo(f.window.get()) || !edit.control->isEnabled())
            continue;
        if (f.canvas()->selectedObjects().isEmpty())
            f.click(f.canvas()->getRects().first()->frameBounds().center());
        const QImage before = shown();
        f.canvas()->undoManager()->removeAllActions();
        change(edit.control);
        // A value the control refused, or took as it was, is no edit.
        if (!f.canvas()->undoManager()->canUndo()) {
            EXPECT_EQ(shown(), before) << edit.name.toStdString();
            continue;
        }
        ++edited;
        check(edit.name, before);
        // And taken back.
        const QImage done = shown();
        f.undo();
        ++undone;
        check(edit.name + QStringLiteral(" undone"), done);
    }
    // The edits were seen: all but those that draw nothing (text wrap, the anchor, where the
    // data come from without a database) changed what the canvas shows.
    EXPECT_GE(changed, edited) << changed << " of " << edited << " edits and " << undone << " undos showed";
}

TEST_F(KeptBarcodeWindow, AClickOnTheEmptyCanvasThatChangesNothingDrawsNothing)
{
    placeBarcode(QPointF(10, 5));
    placeBarcode(QPointF(10, 40));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);
    const TLabel &stock = f.canvas()->getLabel();
    const QRectF label(0, 0, double(stock.width) * 72.0, double(stock.height) * 72.0);
    // Empty places: on the label beside the barcodes, and on the canvas around the label.
    const QList<QPointF> empty{label.bottomRight() - QPointF(8, 8), label.topLeft() - QPointF(10, 10),
                               label.bottomRight() + QPointF(10, 10)};
    for (const QPointF &at : empty)
        ASSERT_FALSE(f.canvas()->objectUnderPoint(at)) << at.x() << ", " << at.y();

    // The click that takes the selection away shows it gone.
    {
        PaintCount paints(f.canvas());
        f.click(empty.first());
        EXPECT_TRUE(f.canvas()->selectedObjects().isEmpty());
        EXPECT_GE(paints.count, 1);
    }
    // The pictures made aside meanwhile have come and been drawn.
    shown();
    // With nothing selected, clicks on the empty canvas change nothing: nothing is drawn.
    for (const QPointF &at : empty) {
        PaintCount paints(f.canvas());
        f.click(at);
        EXPECT_EQ(paints.count, 0) << at.x() << ", " << at.y();
    }
    // Nor do the arrow keys, which move nothing: the design stays as it was.
    f.canvas()->wasChanged(false);
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Down}) {
        for (const Qt::KeyboardModifier modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
            PaintCount paints(f.canvas());
            QTest::keyClick(f.canvas(), key, modifiers);
            apptest::settle();
            EXPECT_EQ(paints.count, 0) << key;
            EXPECT_FALSE(f.canvas()->isChanged()) << key;
        }
    }
    // Nor does coming back to the canvas from a field of the window.
    QLineEdit *field = nullptr;
    for (QLineEdit *candidate : f.window->findChildren<QLineEdit *>())
        if (!field && candidate->isVisible())
            field = candidate;
    ASSERT_TRUE(field);
    field->setFocus();
    apptest::settle();
    {
        PaintCount paints(f.canvas());
        f.click(empty.first());
        EXPECT_TRUE(f.canvas()->hasFocus());
        EXPECT_EQ(paints.count, 0);
    }
}

// The pictures of many barcodes, zoomed far in, would fill the memory: those drawn longest ago
// give theirs up beyond a budget, and are drawn anew as before when they show again.
TEST_F(KeptBarcodeWindow, ThePicturesOfAllBarcodesStayWithinTheirBudget)
{
    for (int i = 0; i < 6; ++i)
        placeBarcode(QPointF(4 + 16 * (i % 3), 4 + 30 * (i / 3)));
    f.canvas()->clearSelection();
    shown();
    const qint64 all = ColorBarcode::pictureBytesHeld();
    ASSERT_GT(all, 0);
    // Kept a byte a pixel where full colour would not fit, every picture shows the very
    // pixels, the whole canvas drawn and a part of it that cuts the pictures; so do pictures
    // of barcodes casting their shadow, in black.
    qint64 before = 0;
    QImage plain;
    for (const bool shadowed : {false, true}) {
        for (const GraphicPtr &barcode : f.canvas()->getRects()) {
            barcode->setDrawsShadow(shadowed);
            barcode->setShadowDistance(2);
            barcode->setShadowBlur(3);
        }
        const QImage fullColour = shownAfresh();
        if (!shadowed)
            plain = fullColour;
        EXPECT_EQ(fullColour == plain, !shadowed) << "the shadows are in the pictures";
        const qint64 held = ColorBarcode::pictureBytesHeld();
        const QRect part = f.canvas()->pageToWidget().mapRect(QRectF(10.3, 7.6, 21, 33)).toAlignedRect();
        const QImage fullPart = apptest::grabDrawn(f.canvas(), part);
        before = ColorBarcode::setPictureBudget(0);
        shownAfresh();
        ASSERT_EQ(ColorBarcode::pictureBytesHeld(), 0);
        ColorBarcode::setPictureBudget(held / 2);
        EXPECT_EQ(shownAfresh(), fullColour) << shadowed;
        EXPECT_EQ(ColorBarcode::pictureBytesHeld(), held / 4) << shadowed;
        EXPECT_EQ(apptest::grabDrawn(f.canvas(), part), fullPart) << shadowed;
        ColorBarcode::setPictureBudget(before);
    }
    for (const GraphicPtr &barcode : f.canvas()->getRects())
        barcode->setDrawsShadow(false);
    // Room for two pictures and a half of those kept a byte a pixel.
    before = ColorBarcode::setPictureBudget(all / 2);
    shownAfresh();
    EXPECT_EQ(ColorBarcode::pictureBytesHeld(), all / 4);
    const qint64 budget = all / 4 * 5 / 12;
    // None kept to begin with: the first drawn take the room.
    ColorBarcode::setPictureBudget(0);
    shownAfresh();
    ColorBarcode::setPictureBudget(budget);
    const QImage fresh = shownAfresh();
    for (int i = 0; i < 3; ++i) {
        f.canvas()->update();
        EXPECT_EQ(shown(), fresh);
        EXPECT_LE(ColorBarcode::pictureBytesHeld(), budget);
        EXPECT_GT(ColorBarcode::pictureBytesHeld(), 0);
        // Those that have no room are filled: no picture is made again, none given up.
        f.canvas()->repaint();
        EXPECT_FALSE(PictureWorker::busy()) << "a repaint made pictures again";
    }
    // Room freed (barcodes gone for good, the first drawn among them) is taken by those
    // refused before, as far as it goes, and again no repaint makes any twice.
    const qint64 held = ColorBarcode::pictureBytesHeld();
    f.canvas()->clearSelection();
    for (int i = 0; i < 3; ++i)
        f.canvas()->selectRect(f.canvas()->getRects().at(i));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    f.canvas()->undoManager()->removeAllActions();
    ASSERT_EQ(f.canvas()->getRects().size(), 3);
    const QImage remaining = shown();
    EXPECT_EQ(remaining, shownAfresh());
    EXPECT_EQ(ColorBarcode::pictureBytesHeld(), held) << "the room freed was not taken";
    f.canvas()->repaint();
    EXPECT_FALSE(PictureWorker::busy()) << "a repaint made pictures again";
    // At another zoom the budget is shared anew, and again no repaint makes any twice.
    f.trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
    const QImage zoomed = shownAfresh();
    for (int i = 0; i < 3; ++i) {
        f.canvas()->repaint();
        EXPECT_FALSE(PictureWorker::busy()) << "a repaint made pictures again";
        EXPECT_EQ(shown(), zoomed);
        EXPECT_LE(ColorBarcode::pictureBytesHeld(), 2 * budget);
    }
    ColorBarcode::setPictureBudget(before);

    // Barcodes that are gone hold none.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Delete"));
    f.canvas()->undoManager()->removeAllActions();
    apptest::settle();
    ASSERT_TRUE(f.canvas()->getRects().isEmpty());
    EXPECT_EQ(ColorBarcode::pictureBytesHeld(), 0);
}

// A barcode's picture is made off the window's thread: until it comes, the canvas shows the
// picture of the zoom before stretched, or the frame tinted where there was none, and never
// waits for bars to be filled; then it shows what a drawing made afresh shows.
TEST_F(KeptBarcodeWindow, PicturesAreMadeAsideWhileAStandInShows)
{
    auto barcode = placeBarcode(QPointF(10, 8));
    f.canvas()->clearSelection();
    const QRectF frame = barcode->frameBounds();
    // The window lays itself out again once the drawer has gone with the selection.
    shown();
    const QImage first = shown();
    ASSERT_EQ(first, shownAfresh());
    auto darkIn = [&](const QImage &image, const QRectF &page) {
        const QRect area = f.canvas()->pageToWidget().mapRect(page).toAlignedRect().translated(
            -f.canvas()->pageToWidget().mapRect(QRectF(-20, -20, 1, 1)).toAlignedRect().topLeft());
        int dark = 0;
        for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
            for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
                dark += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
        return dark;
    };
    const TLabel &stock = f.canvas()->getLabel();
    const QRectF area(-20, -20, double(stock.width) * 72.0 + 40, double(stock.height) * 72.0 + 40);
    auto grabNow = [&] {
        return f.canvas()->grab(f.canvas()->pageToWidget().mapRect(area).toAlignedRect()).toImage();
    };
    {
        // Zoomed in while the worker is held: the picture of the zoom before, stretched.
        PictureWorker::Hold hold;
        f.trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
        const QImage meanwhile = grabNow();
        EXPECT_TRUE(PictureWorker::busy());
        EXPECT_GT(darkIn(meanwhile, frame), 0) << "nothing stood in for the barcode";
    }
    const QImage zoomed = shown();
    EXPECT_EQ(zoomed, shownAfresh());
    {
        // Data of its own, which no picture shows yet: the frame tinted, no bars.
        PictureWorker::Hold hold;
        TBarInfo info = barcode->getBarInfo();
        info.setData("QM-4711");
        barcode->setBarInfo(info);
        f.canvas()->update();
        const QImage meanwhile = grabNow();
        EXPECT_TRUE(PictureWorker::busy());
        EXPECT_EQ(darkIn(meanwhile, barcode->frameBounds()), 0) << "bars were filled on the window's thread";
        EXPECT_NE(meanwhile, zoomed);
    }
    const QImage ownData = shown();
    EXPECT_EQ(ownData, shownAfresh());
}

// Duplicate and Undo keep the pictures the barcodes have: the copies show their sources'
// pictures, and no repaint after them makes one.
TEST_F(KeptBarcodeWindow, DuplicateAndUndoReuseThePictures)
{
    for (int i = 0; i < 4; ++i) {
        auto barcode = placeBarcode(QPointF(4 + 40 * (i % 2), 4 + 40 * (i / 2)));
        // A bar height the stored form the copies come through keeps as it is, as every
        // barcode of a design opened from its file has.
        TBarInfo info = barcode->getBarInfo();
        info.barH = 0.5;
        barcode->setBarInfo(info);
    }
    shown();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(f.canvas()->getRects().size(), 8);
    f.canvas()->repaint();
    EXPECT_FALSE(PictureWorker::busy()) << "the copies made pictures of their own";
    const QImage duplicated = shown();
    f.undo();
    ASSERT_EQ(f.canvas()->getRects().size(), 4);
    f.canvas()->repaint();
    EXPECT_FALSE(PictureWorker::busy());
    const QImage undone = shown();
    EXPECT_EQ(undone, shownAfresh());
    f.canvas()->undoManager()->redo();
    f.canvas()->repaint();
    EXPECT_EQ(shown(), duplicated);

    // Duplicated while the sources' pictures of a new zoom are still being made: the copies
    // wait for those pictures rather than make their own, show the stand-in meanwhile, and then
    // what copies of barcodes whose pictures were there show.
    f.undo();
    f.canvas()->clearSelection();
    shown();
    qint64 sourcesOnly = 0;
    QImage standIn;
    {
        PictureWorker::Hold hold;
        f.trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
        f.canvas()->repaint();
        sourcesOnly = ColorBarcode::pictureBytesHeld();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
        ASSERT_EQ(f.canvas()->getRects().size(), 8);
        f.canvas()->clearSelection();
        f.canvas()->repaint();
        EXPECT_EQ(ColorBarcode::pictureBytesHeld(), sourcesOnly) << "the copies asked for pictures of their own";
        standIn = f.canvas()->grab().toImage();
    }
    const QImage arrived = shown();
    EXPECT_EQ(ColorBarcode::pictureBytesHeld(), sourcesOnly);
    EXPECT_NE(f.canvas()->grab().toImage(), standIn);
    // The selection taken away is a step of its own.
    for (int step = 0; step < 3 && f.canvas()->getRects().size() != 4; ++step)
        f.undo();
    ASSERT_EQ(f.canvas()->getRects().size(), 4);
    shown();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    f.canvas()->clearSelection();
    EXPECT_EQ(shown(), arrived);

    // Duplicated before any of them kept a picture (right after Open, or filled while the
    // budget had no room): each source and its copy share the one picture whichever is drawn
    // first asks for.
    auto backToSources = [&] {
        for (int step = 0; step < 3 && f.canvas()->getRects().size() != 4; ++step)
            f.undo();
        ASSERT_EQ(f.canvas()->getRects().size(), 4);
        f.canvas()->clearSelection();
        shown();
    };
    backToSources();
    const qint64 sources = ColorBarcode::pictureBytesHeld();
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    const qint64 budget = ColorBarcode::setPictureBudget(0);
    shownAfresh();
    EXPECT_EQ(ColorBarcode::pictureBytesHeld(), 0);
    {
        PictureWorker::Hold hold;
        ColorBarcode::setPictureBudget(budget);
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
        ASSERT_EQ(f.canvas()->getRects().size(), 8);
        f.canvas()->clearSelection();
        f.canvas()->repaint();
        EXPECT_EQ(ColorBarcode::pictureBytesHeld(), sources) << "a source and its copy each asked for a picture";
    }
    const QImage copiedFirst = shown();
    EXPECT_EQ(copiedFirst, shownAfresh());

    // Copied while the picture of their new colour is made: the copies show the new colour,
    // not the picture of the old one their sources still keep meanwhile.
    backToSources();
    {
        PictureWorker::Hold hold;
        for (const GraphicPtr &graphic : f.canvas()->getRects())
            graphic->setStrokeColor(QColor(200, 30, 40));
        f.canvas()->repaint();
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
        f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
        ASSERT_EQ(f.canvas()->getRects().size(), 8);
        f.canvas()->clearSelection();
    }
    const QImage recoloured = shown();
    EXPECT_EQ(recoloured, shownAfresh());
}

// Pictures arriving over the whole canvas in one turn are drawn where each came, as parts of
// one region, not as the bounds of them all: the screen then shows what the canvas drawn
// afresh shows, nothing left between them of the stand-ins or the zoom before.
TEST_F(KeptBarcodeWindow, PicturesArrivingApartLeaveTheScreenAsDrawnAfresh)
{
    // Apart by more than the areas of one turn are joined across, at every zoom here.
    const QRectF first = placeBarcode(QPointF(4, 4))->frameBounds();
    for (int i = 1; i < 3; ++i)
        placeBarcode(QPointF(4, 4) + i * QPointF(first.width() + 30, first.height() + 30));
    f.canvas()->clearSelection();
    shown();
    RectsView *view = f.canvas();
    // The part of the canvas the window shows, as it is on the screen and as drawn afresh.
    auto onScreen = [view] {
        apptest::settle();
        PictureWorker::waitUntilDone();
        apptest::settle();
        const QRect seen = view->visibleRegion().boundingRect();
        const QPoint at = view->mapTo(view->window(), seen.topLeft());
        return view->screen()
            ->grabWindow(view->window()->winId(), at.x(), at.y(), seen.width(), seen.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    auto afresh = [view] {
        return view->grab(view->visibleRegion().boundingRect()).toImage().convertToFormat(QImage::Format_RGB32);
    };
    // Counts the parts of the regions the canvas is drawn in.
    struct Parts : QObject
    {
        int most = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                most = std::max(most, int(static_cast<QPaintEvent *>(event)->region().rectCount()));
            return false;
        }
    } parts;
    for (const char *zoom : {"Zoom In", "Zoom Out"}) {
        {
            PictureWorker::Hold hold;
            f.trigger(QStringLiteral("View"), QString::fromLatin1(zoom));
            view->repaint();
            EXPECT_TRUE(PictureWorker::busy());
        }
        view->installEventFilter(&parts);
        // All made before any is handed over: they arrive in one turn, as on a busy canvas,
        // however the machine's load spreads their making.
        PictureWorker::waitUntilMade();
        const QImage screen = onScreen();
        view->removeEventFilter(&parts);
        EXPECT_EQ(screen, afresh()) << zoom;
    }
    EXPECT_GT(parts.most, 1) << "the pictures that arrived were drawn as one rectangle";
}

// Turned by quarter turns or any angle, mirrored, and with a shadow, a barcode is drawn from a
// picture made aside as an upright one is (none is filled on the window's thread), and the
// picture shows what filling it directly shows: the same bars where they were (within the
// part of a pixel the picture's corner is put on a pixel), read alike.
TEST_F(KeptBarcodeWindow, TurnedMirroredAndShadowedBarcodesShowTheirPictures)
{
    auto barcode = placeBarcode(QPointF(20, 10));
    TBarInfo info = barcode->getBarInfo();
    info.setData("T42");
    info.barW = info.spaceW = 15;
    info.widthAdjust = 0;
    barcode->setBarInfo(info);
    f.canvas()->clearSelection();
    // Modules of a few pixels, which a reader takes off the screen.
    f.trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
    f.trigger(QStringLiteral("View"), QStringLiteral("Zoom In"));
    shown();
    struct Pose
    {
        float angle;
        bool mirrored;
        bool shadow;
    };
    const QList<Pose> poses{{90, false, false}, {180, false, false}, {270, true, false},
                            {33, false, true},  {180, false, true},  {0, true, true}};
    for (const Pose &pose : poses) {
        const std::string what = "angle " + std::to_string(pose.angle) + (pose.mirrored ? " mirrored" : "")
                                 + (pose.shadow ? " shadowed" : "");
        barcode->setAngle(pose.angle, false);
        barcode->setFlipHor(pose.mirrored);
        barcode->setDrawsShadow(pose.shadow);
        f.canvas()->update();
        {
            // Nothing is filled on the window's thread meanwhile.
            PictureWorker::Hold hold;
            f.canvas()->repaint();
            EXPECT_TRUE(PictureWorker::busy()) << what;
        }
        const QImage pictured = shown();
        EXPECT_GT(ColorBarcode::pictureBytesHeld(), 0) << what;
        const qint64 before = ColorBarcode::setPictureBudget(0);
        f.canvas()->update();
        const QImage direct = shown();
        ColorBarcode::setPictureBudget(before);
        ASSERT_EQ(pictured.size(), direct.size());
        int dark = 0, opposite = 0;
        for (int y = 0; y < direct.height(); ++y)
            for (int x = 0; x < direct.width(); ++x) {
                const int a = qGray(pictured.pixel(x, y)), b = qGray(direct.pixel(x, y));
                dark += b < 64;
                opposite += (a < 64 && b > 192) || (b < 64 && a > 192);
            }
        EXPECT_GT(dark, 200) << what;
        EXPECT_LE(opposite, dark / 50) << what << ": " << opposite << " of " << dark;
        // Upside down it lies across the label, where a reader takes it.
        if (!pose.mirrored && pose.angle == 180) {
            const auto read = bctest::decode(pictured);
            ASSERT_TRUE(read.has_value()) << what;
            EXPECT_EQ(read->text, "T42") << what;
        }
    }
}
