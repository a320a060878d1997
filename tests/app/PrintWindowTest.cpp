// Printing through the window as a user does it: Page Setup and Print from the File menu, the
// options sheet and the print panel answered, the printed PDF read back with poppler.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QSpinBox>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>
#include <QTreeView>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "common/FailingWrites.h"
#include "common/TestPrintPanels.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "platform/PrintInfo.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "printing/EpsonPrintingView.h"
#include "printing/PrintingPanel.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"

using namespace quillmark;

namespace {

// The 5160 sheet: labels of 189 x 72 points, three across at a pitch of 198 points from 13.5
// points, ten down at 72 points from 36 points.
constexpr double LeftMargin = 13.5;
constexpr double TopMargin = 36.0;
constexpr double PitchX = 198.0;
constexpr double PitchY = 72.0;
// A thousandth of an inch.
constexpr double Tolerance = 0.072;

struct Word
{
    QString text;
    QRectF box;
};

QList<Word> wordsOfPage(Poppler::Document &document, int page)
{
    QList<Word> words;
    std::unique_ptr<Poppler::Page> p = document.page(page);
    if (!p)
        return words;
    for (const std::unique_ptr<Poppler::TextBox> &box : p->textList())
        words.append({box->text(), box->boundingBox()});
    return words;
}

class PrintWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("print-window")) + "/defaults.ini");
        PrintInfo::sharedPrintInfo().reset();
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        dir = qmtest::freshDir(QStringLiteral("print-window-") + QString::number(++s_run));
    }
    void TearDown() override
    {
        window.reset();
        PrintInfo::sharedPrintInfo().reset();
        Language::reset();
    }

    QAction *fileAction(const QString &title) const
    {
        for (QAction *action : window->fileMenu()->actions())
            if (action->text() == title)
                return action;
        ADD_FAILURE() << "no File menu item " << title.toStdString();
        return nullptr;
    }
    void trigger(const QString &title)
    {
        if (QAction *action = fileAction(title))
            action->trigger();
    }

    // A short word on the label's front page, so that every printed label shows where it lies.
    void addMark(const QString &word = QStringLiteral("Mark"))
    {
        auto mark = ColorRect::create(QRectF(20, 10, 120, 30));
        mark->setPageName(canvas->getCurrPageName());
        mark->setObjectLayer(1);
        mark->textStorage()->setDefaultFont(qmtest::testFont(12));
        mark->textStorage()->setPlainText(word);
        canvas->addGraphic(mark);
    }

    // Chooses a catalogue product as a click in the stock browser does.
    void chooseStock(const QString &code)
    {
        window->searchField()->setText(code);
        const QModelIndex index = canvas->dataSource()->modelIndexByName(code);
        ASSERT_TRUE(index.isValid()) << code.toStdString();
        window->catalogueView()->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    // Print... with the options sheet confirmed and the print panel answered.
    void printWith(qmtest::TestPrintPanels &panels)
    {
        panels.queueSheetButton(QStringLiteral("Print"));
        trigger(QStringLiteral("Print..."));
    }

    std::unique_ptr<Poppler::Document> load(const QString &path)
    {
        std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
        EXPECT_TRUE(document) << path.toStdString();
        return document;
    }

    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
    QString dir;
    static inline int s_run = 0;
};

// Every word of the page lies at its label's place on the 5160 sheet; the first one fixes
// where the word sits inside its label.
void expectThirtyLabelsInPlace(const QList<Word> &words)
{
    ASSERT_EQ(words.size(), 30);
    QList<QPointF> corners;
    for (const Word &word : words)
        corners.append(word.box.topLeft());
    std::sort(corners.begin(), corners.end(), [](const QPointF &a, const QPointF &b) {
        return std::abs(a.y() - b.y()) > 1.0 ? a.y() < b.y() : a.x() < b.x();
    });
    const QPointF inside = corners.first() - QPointF(LeftMargin, TopMargin);
    EXPECT_GT(inside.x(), 0.0);
    EXPECT_LT(inside.x(), 40.0);
    EXPECT_GT(inside.y(), 0.0);
    EXPECT_LT(inside.y(), 40.0);
    for (int k = 0; k < 30; ++k) {
        const QPointF expected(LeftMargin + (k % 3) * PitchX, TopMargin + (k / 3) * PitchY);
        EXPECT_NEAR(corners.at(k).x() - inside.x(), expected.x(), Tolerance) << k;
        EXPECT_NEAR(corners.at(k).y() - inside.y(), expected.y(), Tolerance) << k;
    }
}

} // namespace

TEST_F(PrintWindowTest, LetterChosenInPageSetupPrintsTheWholeSheet)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    // A4 first, as on a machine whose locale prints on A4; the window then starts on the 5160
    // sheet, which is cut on letter paper.
    window.reset();
    PrintInfo::sharedPrintInfo().setPaper(QPageSize(QPageSize::A4));
    window = std::make_unique<MainWindow>();
    canvas = window->canvas();
    addMark();
    panels->queuePageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
    trigger(QStringLiteral("Page Setup..."));
    ASSERT_EQ(panels->count(qmtest::TestPrintPanels::PageLayoutPanel), 1);
    // Page Setup edits the shared layout and opened on the stock's own paper.
    EXPECT_EQ(panels->last().layout.pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(PrintInfo::sharedPrintInfo().pageSize().id(), QPageSize::Letter);

    const QString path = dir + "/sheet.pdf";
    panels->queuePrintToFile(path);
    printWith(panels.panels());
    ASSERT_EQ(panels->count(qmtest::TestPrintPanels::PrintPanel), 1);
    EXPECT_EQ(panels->last().layout.pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    std::unique_ptr<Poppler::Document> document = load(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 1);
    EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(612, 792));
    expectThirtyLabelsInPlace(wordsOfPage(*document, 0));
}

TEST_F(PrintWindowTest, PaperIsPreselectedFromTheStockAndKeptWhileItStays)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    panels->queuePageLayoutCancel();
    trigger(QStringLiteral("Page Setup..."));
    EXPECT_EQ(panels->last().layout.pageSize().id(), QPageSize::Letter);

    chooseStock(QStringLiteral("L7160"));
    panels->queuePageLayoutCancel();
    trigger(QStringLiteral("Page Setup..."));
    EXPECT_EQ(panels->last().layout.pageSize().id(), QPageSize::A4);

    // A paper the user chose stays while the stock does.
    panels->queuePageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    trigger(QStringLiteral("Page Setup..."));
    panels->queuePageLayoutCancel();
    trigger(QStringLiteral("Page Setup..."));
    EXPECT_EQ(panels->last().layout.orientation(), QPageLayout::Landscape);
}

TEST_F(PrintWindowTest, LabelsPastThePaperAreWarnedOf)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    // A5 is narrower than the letter sheet: Page Setup says so at once.
    panels->queuePageLayout(QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF()));
    trigger(QStringLiteral("Page Setup..."));
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The labels reach past the paper."));
    // It names the stock, the paper chosen and how far the labels reach past it (the third
    // column ends at 598.5 points, A5 at 419.5: 2.49 inches), and the paper the sheet is cut on.
    EXPECT_EQ(prompts->last().message,
              QStringLiteral("The labels of \u201c5160\u201d reach 2.49 inch past the A5 paper: those beyond its edge "
                             "will be cut. Choose Letter / ANSI A in Page Setup."));

    // Printing asks again, and Cancel prints nothing.
    const QString path = dir + "/cut.pdf";
    panels->queuePrintToFile(path);
    prompts->queueAlert(Prompts::SecondButton);
    printWith(panels.panels());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 2);
    EXPECT_EQ(prompts->last().buttons, (QStringList{QStringLiteral("Print"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(QFile::exists(path));
}

// A document of a sheet of 200 x 200 labels, more than the canvas lays out: the user is told
// at once which stock and why, the stock does not join the custom list, and Print says there
// is nothing to print instead of writing a blank page.
TEST_F(PrintWindowTest, AStockOfMoreLabelsThanASheetHoldsIsToldAtOpenAndPrintsNothing)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    const QString path = dir + "/Dots.qkdoc";
    prompts->queueSaveOfType(path, 0);
    trigger(QStringLiteral("Save As..."));
    ASSERT_TRUE(QFile::exists(path));
    // Written by an older version, which let such a sheet be made.
    QVariantMap document = PropertyList::readFile(path).toMap();
    QVariantMap label = document.value(QStringLiteral("TLabel")).toList().first().toMap();
    label.insert(QStringLiteral("name"), QStringLiteral("Dots"));
    label.insert(QStringLiteral("number"), QStringLiteral("200"));
    label.insert(QStringLiteral("number_down"), QStringLiteral("200"));
    label.remove(QStringLiteral("label_cell"));
    document.insert(QStringLiteral("TLabel"), QVariantList{label});
    ASSERT_TRUE(PropertyList::writeFile(path, document, PlistFormat::Binary));
    const int customRows = canvas->customDataSource()->count();

    trigger(QStringLiteral("New"));
    const int alertsBefore = prompts->count(qmtest::TestPrompts::Alert);
    prompts->queuePath(path);
    trigger(QStringLiteral("Open..."));
    QCoreApplication::processEvents();
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), alertsBefore + 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The document's stock lays out no labels."));
    EXPECT_EQ(prompts->last().message,
              QStringLiteral("The stock \u201cDots\u201d of this document has 40,000 labels, more than the 10,000 a sheet "
                             "can hold: none is laid out and nothing is printed. Choose another stock under Label Formats."));
    EXPECT_EQ(canvas->getLabel().name, QStringLiteral("Dots"));
    EXPECT_EQ(canvas->getRects().size(), 1) << "the design itself opens";
    EXPECT_EQ(canvas->customDataSource()->count(), customRows);

    const QString printed = dir + "/dots.pdf";
    panels->queuePrintToFile(printed);
    printWith(panels.panels());
    EXPECT_EQ(panels->count(qmtest::TestPrintPanels::PrintPanel), 0);
    EXPECT_EQ(prompts->last().title, QStringLiteral("There is nothing to print."));
    EXPECT_EQ(prompts->last().message,
              QStringLiteral("The stock \u201cDots\u201d lays out no labels: choose another stock under Label Formats."));
    EXPECT_FALSE(QFile::exists(printed));
}

TEST_F(PrintWindowTest, CopiesToAFileAreWholeSets)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    const QString path = dir + "/copies.pdf";
    panels->queuePrintToFile(path, 3);
    printWith(panels.panels());
    std::unique_ptr<Poppler::Document> document = load(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 3);
    for (int page = 0; page < 3; ++page)
        expectThirtyLabelsInPlace(wordsOfPage(*document, page));
}

TEST_F(PrintWindowTest, RangeOfTheAccessoryPrintsItsLabelsAndDoesNotReachSaveAs)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    const QString printed = dir + "/range.pdf";
    panels->queuePrintToFile(printed, 1, [](const QList<QWidget *> &tabs) {
        ASSERT_EQ(tabs.size(), 1);
        QList<QSpinBox *> fields = tabs.first()->findChildren<QSpinBox *>();
        ASSERT_EQ(fields.size(), 2);
        // Typing into the fields chooses the range.
        fields.at(0)->setValue(3);
        fields.at(1)->setValue(7);
    });
    printWith(panels.panels());
    std::unique_ptr<Poppler::Document> document = load(printed);
    ASSERT_TRUE(document);
    EXPECT_EQ(wordsOfPage(*document, 0).size(), 5);

    // Save As draws the whole sheet: the last print panel's range stays with printing.
    const QString saved = dir + "/saved.pdf";
    prompts->queueSaveOfType(saved, 1);
    trigger(QStringLiteral("Save As..."));
    std::unique_ptr<Poppler::Document> sheet = load(saved);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->page(0)->pageSizeF(), QSizeF(612, 792));
    expectThirtyLabelsInPlace(wordsOfPage(*sheet, 0));
}

TEST_F(PrintWindowTest, RangeThatSelectsNoLabelSaysSo)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    const QString path = dir + "/empty.pdf";
    panels->queuePrintToFile(path, 1, [](const QList<QWidget *> &tabs) {
        QList<QSpinBox *> fields = tabs.first()->findChildren<QSpinBox *>();
        fields.at(0)->setValue(5);
        fields.at(1)->setValue(4);
    });
    printWith(panels.panels());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The range selects no labels."));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(PrintWindowTest, SaveAsPdfOfAnA4SheetIsA4)
{
    qmtest::ScopedTestPrompts prompts;
    chooseStock(QStringLiteral("L7160"));
    addMark();
    const QString path = dir + "/a4.pdf";
    prompts->queueSaveOfType(path, 1);
    trigger(QStringLiteral("Save As..."));
    std::unique_ptr<Poppler::Document> document = load(path);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(595, 842));
    // L7160: 21 labels of 63.5 x 38.1 mm.
    EXPECT_EQ(wordsOfPage(*document, 0).size(), 21);
}

TEST_F(PrintWindowTest, PrintToAFolderThatCannotBeWrittenFailsAndLeavesNoFile)
{
    const qmtest::UnwritableFolder folder(dir);
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    panels->queuePrintToFile(folder.path() + "/sheet.pdf");
    printWith(panels.panels());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The labels could not be printed."));
    EXPECT_TRUE(prompts->last().message.startsWith(QStringLiteral("Could not write sheet.pdf: ")))
        << prompts->last().message.toStdString();
    EXPECT_TRUE(folder.strayFiles().isEmpty()) << folder.strayFiles().join(' ').toStdString();
    EXPECT_TRUE(folder.blockerIntact());
}

TEST_F(PrintWindowTest, PrintThatRunsOutOfRoomFailsAndLeavesNoFile)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    panels->queuePrintToFile(dir + "/sheet.pdf", 40);
    {
        // Every file of the process stops growing at 16 KB, as on a disk that fills up.
        qmtest::ScopedFileSizeLimit limit(16 * 1024);
        printWith(panels.panels());
    }
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().message, QStringLiteral("Could not write sheet.pdf: File too large"));
    EXPECT_TRUE(QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
}

TEST_F(PrintWindowTest, PrintThatCannotBeWrittenWholeKeepsTheOldFile)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    const QString path = dir + "/kept.pdf";
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old file");
    }
    panels->queuePrintToFile(path, 40);
    {
        // Every file of the process stops growing at 8 KB, as on a disk that fills up.
        qmtest::ScopedFileSizeLimit limit(8 * 1024);
        printWith(panels.panels());
    }
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().message, QStringLiteral("Could not write kept.pdf: File too large"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the old file"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(PrintWindowTest, PrintToNoFileSaysSo)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    panels->queuePrint([](QPrinter &printer, const QList<QWidget *> &) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString());
        return true;
    });
    printWith(panels.panels());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().message, QStringLiteral("No file was chosen to print to."));
}

TEST_F(PrintWindowTest, UnreadableSequenceFileIsToldOncePerPrint)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    auto barcode = ColorBarcode::create(QRectF(20, 10, 0, 0));
    barcode->setPageName(canvas->getCurrPageName());
    barcode->setObjectLayer(1);
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.isFile = 1;
    sequence.counter = "1";
    sequence.path = dir + "/missing-codes.txt";
    barcode->setSequenceInfo(sequence);
    canvas->addGraphic(barcode);

    const QString path = dir + "/codes.pdf";
    panels->queuePrintToFile(path);
    printWith(panels.panels());
    ASSERT_EQ(prompts->count(qmtest::TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("A barcode's sequence file cannot be read: nothing was written."));
    EXPECT_TRUE(prompts->last().message.startsWith(
        QStringLiteral("Use the other file for barcode sequence instead of missing-codes.txt")))
        << prompts->last().message.toStdString();
    EXPECT_TRUE(prompts->last().message.contains(dir + "/missing-codes.txt"));
    // Labels without their barcode would be no print of the design: nothing is written.
    EXPECT_FALSE(QFile::exists(path));

    // Each print command tells it again, once.
    printWith(panels.panels());
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 2);
    EXPECT_FALSE(QFile::exists(path));
}

namespace {

// The page as pdftoppm paints it at 72 dots per inch, so a pixel is a page point.
QImage rasterised(const QString &pdf)
{
    const QString stem = pdf + QStringLiteral("-page");
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), pdf, stem});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0)
        return QImage();
    return QImage(stem + QStringLiteral(".png"));
}

bool reddish(const QColor &c)
{
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

} // namespace

// The 5931 disc: two discs of 4 5/8 in whose centre hole is 41 mm. A design filling the label
// prints round the hole, which stays paper white, on the page and in the disc preview.
TEST_F(PrintWindowTest, DiscPrintsAroundItsCentreHole)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        FAIL() << "pdftoppm is missing: scripts/setup-deps installs poppler-utils";
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    chooseStock(QStringLiteral("5931"));
    EXPECT_NEAR(canvas->getLabel().hole * 25.4, 41.0, 0.01);
    auto fill = ColorRect::create(QRectF(-20, -20, 400, 400));
    fill->setPageName(canvas->getCurrPageName());
    fill->setObjectLayer(1);
    fill->setFillColor(Qt::red);
    canvas->addGraphic(fill);

    QImage preview;
    panels->queueSheet([&](QDialog &sheet) {
        auto *panel = qobject_cast<PrintingPanel *>(&sheet);
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(panel->isDisc());
        EXPECT_TRUE(panel->previewTabs()->isTabEnabled(1));
        // What the disc preview draws: the label with half an inch round it, at five times.
        preview = panel->discPreview()->preview();
        for (QPushButton *button : sheet.findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Print"))
                button->click();
    });
    const QString path = dir + "/disc.pdf";
    panels->queuePrintToFile(path);
    trigger(QStringLiteral("Print..."));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);

    // The hole, 41 mm, is 581 pixels across in the preview; the disc 1665.
    ASSERT_FALSE(preview.isNull());
    const QPoint middle(preview.width() / 2, preview.height() / 2);
    EXPECT_EQ(preview.pixelColor(middle), QColor(Qt::white));
    EXPECT_EQ(preview.pixelColor(middle + QPoint(250, 0)), QColor(Qt::white));
    EXPECT_TRUE(reddish(preview.pixelColor(middle + QPoint(0, 400)))) << preview.pixelColor(middle + QPoint(0, 400)).name().toStdString();
    EXPECT_TRUE(reddish(preview.pixelColor(middle - QPoint(320, 0))));

    // The page: the first disc's centre lies at (4.25 in, 3 in), the second's 5 in lower.
    const QImage page = rasterised(path);
    ASSERT_FALSE(page.isNull());
    ASSERT_EQ(page.size(), QSize(612, 792));
    for (const QPoint disc : {QPoint(306, 216), QPoint(306, 576)}) {
        SCOPED_TRACE(disc.y());
        EXPECT_EQ(page.pixelColor(disc), QColor(Qt::white));
        // 41 mm is 116 points across: 50 points from the centre is still the hole.
        EXPECT_EQ(page.pixelColor(disc + QPoint(50, 0)), QColor(Qt::white));
        EXPECT_EQ(page.pixelColor(disc + QPoint(0, -50)), QColor(Qt::white));
        EXPECT_TRUE(reddish(page.pixelColor(disc + QPoint(70, 0))));
        EXPECT_TRUE(reddish(page.pixelColor(disc + QPoint(0, 150))));
    }
}

// A landscape design turns the content of each label, not the sheet: 5160 in landscape is
// still the letter sheet of 3 x 10 labels, with no alert in Page Setup or Print.
TEST_F(PrintWindowTest, LandscapeDesignOnAMultiRowSheetFitsItsPaper)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    for (const char *code : {"5160", "L7160", "5167"}) {
        SCOPED_TRACE(code);
        chooseStock(QString::fromLatin1(code));
        if (!window->landscapeBox()->isChecked())
            window->landscapeBox()->click();
        ASSERT_TRUE(window->landscapeBox()->isChecked());
        const QPageSize own = canvas->getLabel().pageSize();
        ASSERT_TRUE(own.isValid());
        panels->queuePageLayout(QPageLayout(own, QPageLayout::Portrait, QMarginsF()));
        trigger(QStringLiteral("Page Setup..."));
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0) << prompts->last().message.toStdString();

        addMark();
        const QString path = dir + "/landscape-" + code + ".pdf";
        panels->queuePrintToFile(path);
        printWith(panels.panels());
        EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0) << prompts->last().message.toStdString();
        std::unique_ptr<Poppler::Document> document = load(path);
        ASSERT_TRUE(document);
        EXPECT_EQ(document->numPages(), 1);
        EXPECT_EQ(document->page(0)->pageSizeF(), own.size(QPageSize::Point));
    }
}

// The disc preview opens on the whole disc, hole and edge in view; its switches sit under it,
// apart from the print options, and do not change what prints.
TEST_F(PrintWindowTest, DiscPreviewOpensOnTheWholeDiscWithItsOwnSwitches)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    chooseStock(QStringLiteral("5931"));
    panels->queueSheet([&](QDialog &sheet) {
        auto *panel = qobject_cast<PrintingPanel *>(&sheet);
        ASSERT_NE(panel, nullptr);
        sheet.resize(900, 600);
        sheet.show();
        panel->previewTabs()->setCurrentIndex(1);
        QApplication::processEvents();
        QApplication::processEvents();
        EpsonPrintingView *preview = panel->discPreview();
        QWidget *page = panel->previewTabs()->widget(1);
        // The whole disc lies inside the view.
        const QRectF disc = preview->viewTransform().mapRect(QRectF(QPointF(0, 0), preview->drawingSize())
                                                                  .translated(preview->cdCenterPoint()
                                                                              - QPointF(preview->drawingSize().width() / 2.0,
                                                                                        preview->drawingSize().height() / 2.0)));
        EXPECT_LT(preview->zoom(), 1.0);
        EXPECT_TRUE(QRectF(preview->rect()).adjusted(-1, -1, 1, 1).contains(disc))
            << disc.width() << " x " << disc.height() << " in " << preview->width() << " x " << preview->height();
        const QImage shown = preview->grab().toImage();
        const QPointF middle = preview->viewTransform().map(preview->cdCenterPoint()) * shown.devicePixelRatio();
        EXPECT_EQ(shown.pixelColor(middle.toPoint()), QColor(Qt::white));
        // The design is empty: the disc's edge shows, without Outline ticked, where the label's
        // left edge crosses the hole's height.
        EXPECT_TRUE(preview->edgeShown());
        const QPointF edgeInDrawing(preview->outlineRect().left(), preview->cdCenterPoint().y());
        auto darkNear = [](const QImage &image, const QPoint &at) {
            for (int dx = -3; dx <= 3; ++dx)
                if (image.rect().contains(at + QPoint(dx, 0)) && image.pixelColor(at + QPoint(dx, 0)).lightness() < 200)
                    return true;
            return false;
        };
        EXPECT_TRUE(darkNear(shown, (preview->viewTransform().map(edgeInDrawing) * shown.devicePixelRatio()).toPoint()));
        // The switches belong to the preview's page, not to the print options beside it.
        QStringList switches;
        for (QCheckBox *box : page->findChildren<QCheckBox *>())
            switches << box->text();
        EXPECT_EQ(switches, (QStringList{QStringLiteral("Outline"), QStringLiteral("Five Times")}));
        for (QCheckBox *box : sheet.findChildren<QCheckBox *>())
            if (!page->isAncestorOf(box)) {
                EXPECT_NE(box->text(), QStringLiteral("Outline"));
            }
        // Five times: the view grows to the drawing and scrolls to the hole.
        for (QCheckBox *box : page->findChildren<QCheckBox *>())
            if (box->text() == QStringLiteral("Five Times"))
                box->click();
        EXPECT_EQ(preview->zoom(), 1.0);
        EXPECT_GT(preview->width(), page->width());
        // It opens on the label's edge, not on the blank hole.
        QApplication::processEvents();
        const QRect visible = preview->visibleRegion().boundingRect();
        const QPointF edge = preview->viewTransform().map(edgeInDrawing);
        EXPECT_TRUE(visible.contains(edge.toPoint())) << edge.x() << ", " << edge.y();
        EXPECT_FALSE(visible.contains(preview->viewTransform().map(preview->cdCenterPoint()).toPoint()));
        const QImage close = preview->grab(visible).toImage();
        EXPECT_TRUE(darkNear(close, ((edge - QPointF(visible.topLeft())) * close.devicePixelRatio()).toPoint()));
        for (QPushButton *button : sheet.findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Cancel"))
                button->click();
    });
    trigger(QStringLiteral("Print..."));
    EXPECT_EQ(panels->count(qmtest::TestPrintPanels::PrintPanel), 0);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
}

// A picture filling the 5931 disc: the preview shows the whole disc in the picture's colours,
// its edge inside the view, the hole and the paper round the disc white.
TEST_F(PrintWindowTest, DiscPreviewOfAPictureShowsTheWholeDiscAroundAWhiteHole)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    chooseStock(QStringLiteral("5931"));
    const double diameter = canvas->getLabel().width * 72.0;
    const double hole = canvas->getLabel().hole * 72.0;
    ASSERT_GT(hole, 0.0);
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(QColor(30, 90, 200));
    auto photo = ColorRect::create(QRectF(-10, -10, diameter + 20, diameter + 20));
    photo->setPageName(canvas->getCurrPageName());
    photo->setObjectLayer(1);
    photo->setImage(picture);
    photo->setDrawsImage(true);
    canvas->addGraphic(photo);
    panels->queueSheet([&](QDialog &sheet) {
        auto *panel = qobject_cast<PrintingPanel *>(&sheet);
        ASSERT_NE(panel, nullptr);
        sheet.resize(900, 600);
        sheet.show();
        panel->previewTabs()->setCurrentIndex(1);
        QApplication::processEvents();
        QApplication::processEvents();
        EpsonPrintingView *preview = panel->discPreview();
        const QImage shown = preview->grab().toImage();
        // A point of the disc at that share of its radius, in the direction (dx, dy).
        auto at = [&](double share, double dx, double dy) {
            const double r = EpsonPrintingView::scale(float(diameter)) / 2.0 * share;
            const QPointF p = preview->viewTransform().map(preview->cdCenterPoint() + QPointF(dx * r, dy * r))
                              * shown.devicePixelRatio();
            EXPECT_TRUE(shown.rect().contains(p.toPoint())) << share << " " << dx << " " << dy;
            return shown.pixelColor(p.toPoint());
        };
        const double holeShare = hole / diameter;
        for (const auto &[dx, dy] : {std::pair{1.0, 0.0}, std::pair{-1.0, 0.0}, std::pair{0.0, 1.0}, std::pair{0.0, -1.0}}) {
            EXPECT_EQ(at(0.95, dx, dy), QColor(30, 90, 200)) << "the disc's edge " << dx << " " << dy;
            EXPECT_EQ(at((1.0 + holeShare) / 2.0, dx, dy), QColor(30, 90, 200)) << dx << " " << dy;
            EXPECT_EQ(at(holeShare * 0.9, dx, dy), QColor(Qt::white)) << "the hole " << dx << " " << dy;
            EXPECT_EQ(at(1.05, (dx - dy) * 0.7071, (dy + dx) * 0.7071), QColor(Qt::white)) << "past the disc";
        }
        EXPECT_EQ(at(0.0, 0.0, 0.0), QColor(Qt::white));
        for (QPushButton *button : sheet.findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Cancel"))
                button->click();
    });
    trigger(QStringLiteral("Print..."));
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
}

// Print to a file opens on the file printed to last in this run, not on a new name in the
// home folder.
TEST_F(PrintWindowTest, PrintToFileRemembersTheLastFileInTheRun)
{
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    addMark();
    QDir().mkpath(dir + "/jobs");
    const QString path = dir + "/jobs/first sheet.pdf";
    panels->queuePrintToFile(path);
    printWith(panels.panels());
    ASSERT_TRUE(QFile::exists(path));

    QString offered;
    panels->queuePrint([&offered](QPrinter &printer, const QList<QWidget *> &) {
        offered = printer.outputFileName();
        return false;
    });
    printWith(panels.panels());
    EXPECT_EQ(offered, path);

    // A new window of the same run offers it too; a cancelled panel does not change it.
    window.reset();
    window = std::make_unique<MainWindow>();
    canvas = window->canvas();
    addMark();
    panels->queuePrint([&offered](QPrinter &printer, const QList<QWidget *> &) {
        offered = printer.outputFileName();
        return false;
    });
    printWith(panels.panels());
    EXPECT_EQ(offered, path);
}

// The options' preview of a large design is drawn aside from a copy of the design, and the job
// prints from the same copy. A thread that drew it and ended meanwhile (a pool's thread ends
// after a while idle; here at once) took its fonts with it: every label still prints its text.
TEST_F(PrintWindowTest, PrintAfterThePreviewsThreadHasEndedPrintsEveryText)
{
    // Every kind is drawn aside once the factory knows it.
    registerAllKinds();
    qmtest::ScopedTestPrintPanels panels;
    qmtest::ScopedTestPrompts prompts;
    QThreadPool &pool = *QThreadPool::globalInstance();
    const int expiry = pool.expiryTimeout();
    pool.setExpiryTimeout(0);
    addMark();
    // Text set along an oval keeps the glyphs it laid out, with their fonts.
    auto oval = ColorOval::create(QRectF(140, 8, 46, 58));
    oval->setPageName(canvas->getCurrPageName());
    oval->setObjectLayer(1);
    oval->textStorage()->setDefaultFont(qmtest::testFont(9));
    oval->textStorage()->setPlainText(QStringLiteral("Round"));
    canvas->addGraphic(oval);
    // A barcode lays its bars and digits out where it is first drawn.
    auto barcode = ColorBarcode::create(QRectF(20, 40, 0, 0));
    barcode->setPageName(canvas->getCurrPageName());
    barcode->setObjectLayer(1);
    barcode->setDrawBarcode(true);
    barcode->updateframeSize();
    canvas->addGraphic(barcode);
    // More objects than the preview draws on the window's thread.
    for (int i = 0; i < 320; ++i) {
        auto dot = ColorRect::create(QRectF(150 + (i % 16) * 2.0, 10 + (i / 16) * 2.0, 1, 1));
        dot->setPageName(canvas->getCurrPageName());
        dot->setObjectLayer(1);
        dot->setFillColor(Qt::blue);
        canvas->addGraphic(dot);
    }
    bool previewDrawn = false;
    panels->queueSheet([&](QDialog &sheet) {
        auto *panel = qobject_cast<PrintingPanel *>(&sheet);
        ASSERT_NE(panel, nullptr);
        QElapsedTimer waited;
        waited.start();
        while (panel->discPreview()->preview().isNull() && waited.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        previewDrawn = !panel->discPreview()->preview().isNull();
        // Long enough for an idle thread of the pool to have ended.
        for (int i = 0; i < 10; ++i) {
            QThread::msleep(10);
            QApplication::processEvents();
        }
        for (QPushButton *button : sheet.findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("Print"))
                button->click();
    });
    const QString path = dir + "/after-preview.pdf";
    panels->queuePrintToFile(path);
    trigger(QStringLiteral("Print..."));
    pool.setExpiryTimeout(expiry);
    EXPECT_TRUE(previewDrawn);
    EXPECT_EQ(prompts->count(qmtest::TestPrompts::Alert), 0);
    std::unique_ptr<Poppler::Document> document = load(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 1);
    QList<Word> marks;
    QString rest;
    for (const Word &word : wordsOfPage(*document, 0))
        if (word.text == QStringLiteral("Mark"))
            marks.append(word);
        else
            rest.append(word.text);
    expectThirtyLabelsInPlace(marks);
    // Every oval's letters, each placed on its own.
    EXPECT_EQ(rest.count(QLatin1Char('R')), 30) << rest.toStdString();
    EXPECT_EQ(rest.count(QLatin1Char('d')), 30) << rest.toStdString();
}
