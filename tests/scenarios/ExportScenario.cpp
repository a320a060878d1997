// Export: the label as PNG and as PDF, each chosen in the export panel's format pop-up, and the
// whole sheet saved as PDF through Save As: each file of the right size, the text in place.
#include <QImage>

#include "Readers.h"
#include "Scenario.h"
#include "StockFigures.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"

using namespace quillmark;

namespace scenario {
namespace {

class Export : public Scenario
{
protected:
    // The panel of the last export offered the file type in a pop-up with `extension` in it.
    void expectTypeChoice(const QString &extension)
    {
        ASSERT_FALSE(prompts().calls().isEmpty());
        const qmtest::TestPrompts::Call &panel = prompts().last();
        ASSERT_EQ(panel.kind, qmtest::TestPrompts::SaveFileOfType) << "the panel has no file type pop-up";
        bool offered = false;
        for (const Prompts::FileType &type : panel.types)
            offered = offered || type.extensions.contains(extension);
        EXPECT_TRUE(offered) << extension.toStdString();
        EXPECT_EQ(panel.types.size(), 9) << "the nine export formats";
    }
};

TEST_F(Export, LabelAsPngAndPdfAndTheSheetAsPdf)
{
    launch();
    chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));
    pickTool({"Rect Object", "Rectangle"});
    dragCanvas({0, 0}, {40, 72});
    pickTool({"Enter Text", "Text"});
    clickCanvas({60, 20});
    typeText(QStringLiteral("Parcel"));
    pressKey(Qt::Key_Escape);

    // The label as PNG: 2 5/8 x 1 inch at the export resolution of 300 dots per inch.
    const QString png = userFile(QStringLiteral("Label.png"));
    prompts().clear();
    prompts().queueSave(png);
    choose(QStringLiteral("File/Export..."));
    expectTypeChoice(QStringLiteral("png"));
    const QImage image(png);
    ASSERT_FALSE(image.isNull()) << "no PNG written";
    EXPECT_NEAR(image.width(), Avery5160::label.width() * 300, 1.0);
    EXPECT_NEAR(image.height(), Avery5160::label.height() * 300, 1.0);
    // The filled rectangle on the left, nothing at the right edge.
    EXPECT_LT(qGray(image.pixel(20, 150)), 250);
    const QRgb edge = image.pixel(image.width() - 5, 150);
    EXPECT_TRUE(qAlpha(edge) == 0 || qGray(edge) > 250) << std::hex << edge;

    // The label as PDF: one page of the label's size with its text.
    const QString label = userFile(QStringLiteral("Label.pdf"));
    prompts().clear();
    prompts().queueSave(label);
    choose(QStringLiteral("File/Export..."));
    expectTypeChoice(QStringLiteral("pdf"));
    const QList<PdfPage> labelPages = readPdf(label);
    ASSERT_EQ(labelPages.size(), 1) << "no label PDF written";
    EXPECT_NEAR(labelPages.at(0).size.width(), Avery5160::label.width() * 72, 0.5);
    EXPECT_NEAR(labelPages.at(0).size.height(), Avery5160::label.height() * 72, 0.5);
    EXPECT_EQ(labelPages.at(0).text(), QStringLiteral("Parcel"));

    // The sheet through Save As: letter paper, the text on each of the 30 labels.
    const QString sheet = userFile(QStringLiteral("Sheet.pdf"));
    prompts().clear();
    prompts().queueSave(sheet);
    choose(QStringLiteral("File/Save As..."));
    // The panel offers the file type as a choice, one filter each.
    ASSERT_FALSE(prompts().calls().isEmpty());
    EXPECT_EQ(prompts().last().kind, qmtest::TestPrompts::SaveFileOfType);
    QStringList offered;
    for (const Prompts::FileType &type : prompts().last().types)
        offered << type.extensions.join(QLatin1Char(','));
    EXPECT_EQ(offered.size(), 4) << offered.join(QStringLiteral(" | ")).toStdString();
    const QList<PdfPage> sheetPages = readPdf(sheet);
    ASSERT_EQ(sheetPages.size(), 1) << "no sheet PDF written";
    EXPECT_NEAR(sheetPages.at(0).size.width(), 612.0, 0.5);
    EXPECT_NEAR(sheetPages.at(0).size.height(), 792.0, 0.5);
    for (int k = 0; k < Avery5160::count; ++k)
        EXPECT_EQ(sheetPages.at(0).wordsIn(Avery5160::labelRect(k, 72.0)), QStringList{"Parcel"}) << "label " << k + 1;
    // Saving a PDF leaves the design itself unsaved.
    EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::Untitled"));
}

} // namespace
} // namespace scenario
