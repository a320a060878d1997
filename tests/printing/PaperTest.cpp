// The shared page layout, the paper each stock is cut on, the order of copies, and the print
// and page setup panels shown with only what a label job honours.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "common/TestSupport.h"
#include "platform/PrintInfo.h"
#include "printing/PrintPagination.h"
#include "printing/StockPaper.h"
#include "platform/PrintPanels.h"
#include "stock/LabelTypes.h"
#include "stock/StockConversions.h"
#include "stock/TFormat.h"

using namespace quillmark;

namespace {

TLabel catalogueLabel(const QString &file, const QString &code)
{
    LabelTypes types(false);
    types.readLabelTypes(file);
    for (const auto &entry : types.allLabelTypes())
        if (entry->getProductCode() == code)
            return entry->getLabelStruct();
    ADD_FAILURE() << "no product " << code.toStdString() << " in " << file.toStdString();
    return {};
}

TLabelT shape(float x, float y, float w, float h, int orientation = 0)
{
    TLabelT label;
    label.setType(QStringLiteral("Face"));
    label.setX(x);
    label.setY(y);
    label.setWidth(w);
    label.setHeight(h);
    label.orientation = orientation;
    return label;
}

class Paper : public ::testing::Test
{
protected:
    void SetUp() override { PrintInfo::sharedPrintInfo().reset(); }
    void TearDown() override { PrintInfo::sharedPrintInfo().reset(); }
};

} // namespace

TEST_F(Paper, CatalogueSheetsTakeTheirMakersPaper)
{
    const struct
    {
        const char *file;
        const char *code;
        QPageSize::PageSizeId paper;
    } cases[] = {
        {"AveryUSmore", "5160", QPageSize::Letter}, {"AveryUSmore", "8160", QPageSize::Letter},
        {"AveryUSmore", "5163", QPageSize::Letter}, {"AveryA4", "L7160", QPageSize::A4},
        {"AveryA4", "L7163", QPageSize::A4},        {"Herma", "4620", QPageSize::A4},
    };
    for (const auto &c : cases) {
        TLabel label = catalogueLabel(QString::fromLatin1(c.file), QString::fromLatin1(c.code));
        EXPECT_EQ(StockPaper::paperForStock(label, nullptr).id(), c.paper) << c.code;
        // The canvas works on the sheet as a free layout whose stored paper name says nothing.
        const TFormat converted = formatFromGridLabel(label);
        EXPECT_EQ(StockPaper::paperForStock(label, &converted).id(), c.paper) << c.code;
        // Without the maker's word the labels alone find the same paper.
        label.paper.clear();
        EXPECT_FALSE(StockPaper::paperForStock(label, &converted).isValid()) << c.code;
        EXPECT_EQ(StockPaper::paperForLabels(label, &converted).id(), c.paper) << c.code;
    }
}

TEST_F(Paper, FormatsNameTheirPaper)
{
    TFormat format;
    format.manufacturer = QStringLiteral("Mine");
    format.papersize = QStringLiteral("iso-a5");
    format.labels.push_back(shape(10, 10, 50, 30));
    TLabel label;
    label.paper.clear();
    EXPECT_EQ(StockPaper::paperForStock(label, &format).id(), QPageSize::A5);
    format.papersize = QStringLiteral("napkin");
    EXPECT_FALSE(StockPaper::paperForStock(label, &format).isValid());
}

TEST_F(Paper, LargeSheetsTakeALargerPaper)
{
    TFormat poster;
    poster.manufacturer = QStringLiteral("Mine");
    poster.labels.push_back(shape(18.5, 10, 260, 400));
    EXPECT_EQ(StockPaper::paperForLabels(TLabel(), &poster).id(), QPageSize::A3);
    poster.labels.push_back(shape(18.5, 10, 600, 900));
    EXPECT_FALSE(StockPaper::paperForLabels(TLabel(), &poster).isValid());
}

TEST_F(Paper, StockWithoutPaperKeepsTheChosenPaperWhileItsLabelsFit)
{
    PrintInfo &info = PrintInfo::sharedPrintInfo();
    TLabel label = catalogueLabel(QStringLiteral("AveryUSmore"), QStringLiteral("5160"));
    label.paper.clear();
    info.setPaper(QPageSize(QPageSize::Legal));
    StockPaper::preselect(label, nullptr);
    EXPECT_EQ(info.pageSize().id(), QPageSize::Legal);
    // On A5 the letter sheet's labels would be cut: the paper they fit takes its place.
    label.name = QStringLiteral("Another");
    info.setPaper(QPageSize(QPageSize::A5));
    StockPaper::preselect(label, nullptr);
    EXPECT_EQ(info.pageSize().id(), QPageSize::Letter);
}

// A label turned for a landscape design prints its turned content inside its own piece of the
// sheet: the extent is the sheet as printed, the same in both orientations.
TEST_F(Paper, ExtentIsTheSheetAsPrintedWhateverTheTurn)
{
    TFormat format;
    format.labels.push_back(shape(10, 20, 50, 30, 1));
    const QRectF extent = StockPaper::sheetExtent(TLabel(), &format);
    const double pt = 72.0 / 25.4;
    EXPECT_NEAR(extent.left(), 10 * pt, 1e-3);
    EXPECT_NEAR(extent.width(), 50 * pt, 1e-3);
    EXPECT_NEAR(extent.height(), 30 * pt, 1e-3);
    format.labels.front().orientation = 0;
    EXPECT_EQ(StockPaper::sheetExtent(TLabel(), &format), extent);

    const TLabel letter = catalogueLabel(QStringLiteral("AveryUSmore"), QStringLiteral("5160"));
    const QRectF sheet = StockPaper::sheetExtent(letter, nullptr);
    EXPECT_NEAR(sheet.right(), 612.0 - 13.5, 1e-3);
    EXPECT_TRUE(StockPaper::fitsPaper(sheet, QSizeF(612, 792)));
    EXPECT_FALSE(StockPaper::fitsPaper(sheet, PrintInfo::exactPaperSize(QPageLayout(
                                                  QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF()))));
}

TEST_F(Paper, SharedLayoutIsExactAndKeepsTheChoiceWhileTheStockStays)
{
    PrintInfo &info = PrintInfo::sharedPrintInfo();
    info.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20)));
    EXPECT_EQ(info.pageLayout().margins(), QMarginsF(0, 0, 0, 0));
    // Qt rounds A4 to 595 x 842; the back side is mirrored across the real 210 mm.
    EXPECT_NEAR(info.paperSize().width(), 210.0 * 72.0 / 25.4, 1e-9);
    EXPECT_NEAR(info.paperSize().height(), 297.0 * 72.0 / 25.4, 1e-9);
    info.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, QMarginsF()));
    EXPECT_EQ(info.paperSize(), QSizeF(792, 612));

    const TLabel us = catalogueLabel(QStringLiteral("AveryUSmore"), QStringLiteral("5160"));
    const TLabel a4 = catalogueLabel(QStringLiteral("AveryA4"), QStringLiteral("L7160"));
    StockPaper::preselect(a4, nullptr);
    EXPECT_EQ(info.pageSize().id(), QPageSize::A4);
    EXPECT_EQ(info.pageLayout().orientation(), QPageLayout::Portrait);
    info.setPaper(QPageSize(QPageSize::A5));
    StockPaper::preselect(a4, nullptr);
    EXPECT_EQ(info.pageSize().id(), QPageSize::A5);
    StockPaper::preselect(us, nullptr);
    EXPECT_EQ(info.pageSize().id(), QPageSize::Letter);
}

TEST(PageSequence, CopiesCollatedOrNotAndReversed)
{
    EXPECT_EQ(PrintPagination::pageSequence(3, 2, true, false), (QList<int>{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(PrintPagination::pageSequence(3, 2, false, false), (QList<int>{1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(PrintPagination::pageSequence(3, 1, true, true), (QList<int>{3, 2, 1}));
    EXPECT_EQ(PrintPagination::pageSequence(2, 0, true, false), (QList<int>{1, 2}));
    EXPECT_TRUE(PrintPagination::pageSequence(0, 3, true, false).isEmpty());
}

TEST(PageSequence, LabelsOfAJob)
{
    PrintJob job;
    EXPECT_EQ(PrintPagination::labelCount(job, 30), 30);
    EXPECT_EQ(PrintPagination::labelCount(job, 0), 0);
    job.rangeOn = true;
    job.from = 3;
    job.to = 7;
    EXPECT_EQ(PrintPagination::labelCount(job, 30), 5);
    job.from = 5;
    job.to = 4;
    EXPECT_EQ(PrintPagination::labelCount(job, 30), 0);
    job.sequence = true;
    job.recordKeys = {1, 2, 3};
    job.from = 4;
    job.to = 9;
    EXPECT_EQ(PrintPagination::labelCount(job, 30), 0);
}

TEST(PrintPanelsOfQt, PrintDialogOffersNoPageRangeOfItsOwn)
{
    QPrinter printer;
    QPrintDialog dialog(&printer);
    QtPrintPanels::preparePrintDialog(dialog);
    dialog.show();
    QGroupBox *range = dialog.findChild<QGroupBox *>(QStringLiteral("gbPrintRange"));
    ASSERT_TRUE(range);
    EXPECT_FALSE(range->isVisibleTo(&dialog));
    // Copies and collation stay: the job honours them.
    QWidget *copies = dialog.findChild<QWidget *>(QStringLiteral("copies"));
    ASSERT_TRUE(copies);
    EXPECT_TRUE(copies->isEnabled());
    dialog.hide();
}

TEST(PrintPanelsOfQt, PageSetupOffersPaperAndOrientationOnly)
{
    QPrinter printer;
    QPageSetupDialog dialog(&printer);
    QtPrintPanels::preparePageSetupDialog(dialog);
    dialog.show();
    QWidget *paper = dialog.findChild<QWidget *>(QStringLiteral("pageSizeCombo"));
    QWidget *margin = dialog.findChild<QWidget *>(QStringLiteral("topMargin"));
    ASSERT_TRUE(paper);
    ASSERT_TRUE(margin);
    EXPECT_TRUE(paper->isVisibleTo(&dialog));
    EXPECT_FALSE(margin->isVisibleTo(&dialog));
    dialog.hide();
}
