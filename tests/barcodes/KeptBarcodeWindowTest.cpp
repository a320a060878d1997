// Barcodes on the canvas of the real window: each keeps a picture of its drawing for the
// screen, and what the canvas shows after every edit the window offers (the drawer's and the
// Barcode page's controls, the geometry, the font menu, Undo) is what a drawing made afresh
// shows; a click that changes nothing draws nothing again.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <optional>

#include "app/AppTestSupport.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/ColorBarcode.h"
#include "inspector/BarcodePage.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "inspector/InspectorPage.h"
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

    // The canvas's pixels over the label and round it.
    QImage shown() const
    {
        const TLabel &stock = f.canvas()->getLabel();
        const QRectF area(-20, -20, double(stock.width) * 72.0 + 40, double(stock.height) * 72.0 + 40);
        apptest::settle();
        return f.canvas()->grab(f.canvas()->pageToWidget().mapRect(area).toAlignedRect()).toImage();
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
    // With nothing selected, clicks on the empty canvas change nothing: nothing is drawn.
    for (const QPointF &at : empty) {
        PaintCount paints(f.canvas());
        f.click(at);
        EXPECT_EQ(paints.count, 0) << at.x() << ", " << at.y();
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
    const qint64 budget = all * 5 / 12;
    const qint64 before = ColorBarcode::setPictureBudget(budget);
    const QImage fresh = shownAfresh();
    for (int i = 0; i < 3; ++i) {
        f.canvas()->update();
        EXPECT_EQ(shown(), fresh);
        EXPECT_LE(ColorBarcode::pictureBytesHeld(), budget);
        EXPECT_GT(ColorBarcode::pictureBytesHeld(), 0);
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
