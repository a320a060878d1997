// Barcodes on the canvas of the real window: a click that changes nothing draws nothing again.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"

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

    apptest::WindowFixture f{QStringLiteral("kept-barcode-window")};
};

} // namespace

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
