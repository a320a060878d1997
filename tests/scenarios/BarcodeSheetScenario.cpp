// A sheet of barcodes: one placed with the barcode tool and set to EAN-13 in the barcode
// drawer, the paper chosen in Page Setup, the sheet printed to a PDF file, and every symbol
// read back by ZXing at its label's place.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPageSize>
#include <QSpinBox>
#include <QTest>

#include "Readers.h"
#include "Scenario.h"
#include "StockFigures.h"
#include "app/MainWindow.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/TBarInfo.h"
#include "canvas/RectsView.h"

using namespace quillmark;

namespace scenario {
namespace {

class BarcodeSheet : public Scenario
{
};

TEST_F(BarcodeSheet, PlacedPrintedAndReadAtEveryLabel)
{
    launch();
    chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));

    // A click with the barcode tool places a symbol of its natural size.
    pickTool({"Barcode Object", "Barcode"});
    clickCanvas({12, 10});
    ASSERT_EQ(canvas()->getRects().size(), 1);
    EXPECT_EQ(undoItemText(), QStringLiteral("Undo Create Object"));
    const QString design = userFile(QStringLiteral("Barcodes.qkdoc"));
    prompts().queueSave(design);
    choose(QStringLiteral("File/Save"));
    const QVariantList objects = objectsOf(readPlist(design));
    ASSERT_EQ(objects.size(), 1);
    EXPECT_EQ(objects.at(0).toMap().value(QStringLiteral("Class")).toString(), QStringLiteral("ColorBarcode"));
    const QRectF placed = boundsOf(objects.at(0));
    EXPECT_NEAR(placed.left(), 12.0, 1.0);
    EXPECT_NEAR(placed.top(), 10.0, 1.0);
    // The default symbol, Code 128 of "12345678912" with its text, 0.4 inch of bars.
    EXPECT_GT(placed.width(), 72.0);
    EXPECT_GT(placed.height(), 0.4 * 72.0);
    EXPECT_LE(placed.right(), Avery5160::label.width() * 72.0);
    EXPECT_LE(placed.bottom(), Avery5160::label.height() * 72.0);
    // The barcode drawer above the canvas opens with the new symbol selected: EAN-13 chosen
    // in its symbology pop-up with the arrow keys, the digits typed into its data field.
    BarcodeDrawer *drawer = window()->barcodeDrawer();
    ASSERT_TRUE(drawer->isVisible()) << "the drawer opens for a selected barcode";
    QComboBox *symbology = drawer->typePopUp();
    const int ean13 = symbology->findData(BarcodeType::Ean13);
    ASSERT_GE(ean13, 0);
    symbology->setFocus();
    while (symbology->currentIndex() < ean13)
        pressKey(Qt::Key_Down);
    while (symbology->currentIndex() > ean13)
        pressKey(Qt::Key_Up);
    EXPECT_EQ(undoItemText(), QStringLiteral("Undo Barcode Type"));
    QLineEdit *field = drawer->dataField();
    field->setFocus();
    field->selectAll();
    pressKey(Qt::Key_Backspace);
    typeText(QStringLiteral("4006381333931"), field);
    pressKey(Qt::Key_Return);
    EXPECT_EQ(undoItemText(), QStringLiteral("Undo Barcode Data"));
    const QString format = QStringLiteral("EAN-13");
    const QString data = QStringLiteral("4006381333931");
    // Clicking beside the symbol deselects it and the drawer closes again.
    clickCanvas({200, 60});
    EXPECT_FALSE(drawer->isVisible());

    // The sheet on letter paper, printed to a PDF file. Page Setup opens on the stock's paper.
    EXPECT_TRUE(pageSetup(QStringLiteral("Letter")).startsWith(QStringLiteral("Letter")));
    const QString pdf = userFile(QStringLiteral("Barcodes.pdf"));
    printToPdf(QStringLiteral("File/Print..."), pdf);
    ASSERT_TRUE(dialogsAnswered());
    const QList<PdfPage> pages = readPdf(pdf);
    ASSERT_EQ(pages.size(), 1) << "no printed sheet in " << pdf.toStdString();
    EXPECT_NEAR(pages.at(0).size.width(), 612.0, 0.5);
    EXPECT_NEAR(pages.at(0).size.height(), 792.0, 0.5);

    // Two copies asked for in the panel: the PDF file holds the sheet twice.
    const QString copies = userFile(QStringLiteral("Two copies.pdf"));
    printToPdf(QStringLiteral("File/Print..."), copies, [this](QWidget *panel) {
        if (QAbstractButton *more = button(QStringLiteral("Options >>"), panel))
            click(more);
        auto *count = panel->findChild<QSpinBox *>(QStringLiteral("copies"));
        ASSERT_TRUE(count && count->isVisibleTo(panel)) << "the print panel has no Copies field";
        count->setFocus();
        count->selectAll();
        typeText(QStringLiteral("2"), count);
        QTest::keyClick(count, Qt::Key_Tab);
    });
    EXPECT_EQ(readPdf(copies).size(), 2);

    // Each label of the sheet holds one symbol that reads back, at its own place.
    constexpr double dpi = 300.0;
    const QImage sheet = renderPdfPage(pdf, 0, dpi);
    ASSERT_FALSE(sheet.isNull());
    for (int k = 0; k < Avery5160::count; ++k) {
        const QRect cell = Avery5160::labelRect(k, dpi).toAlignedRect();
        const QList<Symbol> symbols = readSymbols(sheet.copy(cell));
        EXPECT_EQ(symbols.size(), 1) << "label " << k + 1;
        if (symbols.size() != 1)
            continue;
        EXPECT_EQ(symbols.at(0).format, format) << "label " << k + 1;
        EXPECT_EQ(symbols.at(0).text, data) << "label " << k + 1;
        // Where it was placed on the label: 12 points from its left edge, the bars after the
        // leading digit that EAN-13 prints to their left.
        const double left = symbols.at(0).box.left() / dpi * 72.0;
        EXPECT_GE(left, 12.0) << "label " << k + 1;
        EXPECT_LE(left, 12.0 + 14.0) << "label " << k + 1;
    }
}

} // namespace
} // namespace scenario
