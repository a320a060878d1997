// The sheet renderer through the printer, whole-sheet files and the placement arithmetic.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTextDocument>
#include <QThread>

#include <atomic>

#include "canvas/CanvasTestSupport.h"
#include "objects/ObjectFactory.h"
#include "printing/PrintJob.h"
#include "printing/SequentialDrawing.h"
#include "printing/SheetImaging.h"
#include "printing/SheetPrinter.h"
#include "stock/TFormat.h"

using namespace quillmark;

namespace {

constexpr double Pt = 72.0 / 25.4;

// Remembers the label numbers it is printed with and the refreshes it receives.
class RecordingRect : public ColorRect
{
public:
    QList<int> printed;
    int refreshes = 0;
    void printFrame(QPainter *painter, const QRectF &aRect, int label_num) override
    {
        printed.append(label_num);
        ColorRect::printFrame(painter, aRect, label_num);
    }
    void updateABRecord() override { ++refreshes; }
};

// Four 50 x 25 mm labels, two across and two down, at 20 mm steps from (10, 10) mm.
TFormat fourLabels()
{
    TFormat format;
    format.name = QStringLiteral("Four");
    format.papersize = QStringLiteral("na-letter");
    for (int i = 0; i < 4; ++i) {
        TLabelT shape;
        shape.setType(QStringLiteral("Face"));
        shape.setX(10.0f + 70.0f * float(i % 2));
        shape.setY(10.0f + 40.0f * float(i / 2));
        shape.setWidth(50.0f);
        shape.setHeight(25.0f);
        format.labels.push_back(shape);
    }
    return format;
}

QPointF labelCentre(int position)
{
    return QPointF((10.0 + 70.0 * (position % 2) + 25.0) * Pt, (10.0 + 40.0 * (position / 2) + 12.5) * Pt);
}

class SheetImaging : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override { canvastest::freshDefaults(QStringLiteral("sheet-imaging")); }

    std::shared_ptr<ColorRect> addFilled(const QRectF &frame, const QColor &color, const QString &page)
    {
        auto graphic = ColorRect::create(frame);
        graphic->setPageName(page);
        graphic->setObjectLayer(1);
        graphic->setDrawsFill(true);
        graphic->setFillColor(color);
        graphic->setDrawsStroke(false);
        view->addGraphic(graphic);
        return graphic;
    }
};

} // namespace

TEST(SheetGeometry, CropMarksLieOutsideTheCorners)
{
    const QList<QLineF> segments = RectsView::cropMarkSegments(QRectF(0, 0, 144, 72));
    ASSERT_EQ(segments.size(), 8);
    EXPECT_EQ(segments[0], QLineF(-5, 0, -15, 0));
    EXPECT_EQ(segments[3], QLineF(149, 0, 159, 0));
    EXPECT_EQ(segments[5], QLineF(144, 77, 144, 87));
    EXPECT_EQ(segments[7], QLineF(-5, 72, -15, 72));
    for (const QLineF &segment : segments)
        EXPECT_DOUBLE_EQ(segment.length(), 10.0);
}

TEST(SheetGeometry, FrontBackAndTurnedPlacement)
{
    TLabelT shape;
    shape.setX(10.0f);
    shape.setY(20.0f);
    shape.setWidth(50.0f);
    shape.setHeight(30.0f);
    const QPointF offset(3.0, 4.0);
    const double W = 612.0;
    const double x = double(10.0f) * Pt;
    const double y = double(20.0f) * Pt;
    const double w = double(50.0f) * Pt;

    const QTransform front = RectsView::positionTransform(shape, QPointF(), offset, W, false);
    EXPECT_NEAR(front.map(QPointF(0, 0)).x(), x + 3.0, 1e-3);
    EXPECT_NEAR(front.map(QPointF(0, 0)).y(), y + 4.0, 1e-3);
    // The back mirrors the position across the paper and the horizontal offset changes sign.
    const QTransform back = RectsView::positionTransform(shape, QPointF(), offset, W, true);
    EXPECT_NEAR(back.map(QPointF(0, 0)).x(), W - x - 3.0 - w, 1e-3);
    EXPECT_NEAR(back.map(QPointF(0, 0)).y(), y + 4.0, 1e-3);

    shape.orientation = 1;
    const QTransform turned = RectsView::positionTransform(shape, QPointF(), offset, W, false);
    EXPECT_NEAR(turned.map(QPointF(0, 0)).x(), x + w + 3.0, 1e-3);
    // A quarter turn: the design's x axis runs down the sheet.
    EXPECT_NEAR(turned.map(QPointF(10, 0)).y(), y + 4.0 + 10.0, 1e-3);
    const TLabel label = RectsView::labelForShape(shape);
    EXPECT_NEAR(label.width, 30.0f / 25.4f, 1e-5);
    EXPECT_NEAR(label.height, 50.0f / 25.4f, 1e-5);
    const QTransform turnedBack = RectsView::positionTransform(shape, QPointF(), offset, W, true);
    EXPECT_NEAR(turnedBack.map(QPointF(0, 0)).x(), W - x - 3.0, 1e-3);
}

TEST_F(SheetImaging, PrintedPdfShowsEveryObjectInEveryPosition)
{
    view->setTFormat(fourLabels());
    view->getEnableLabelFlags()[2] = 1;
    const QString page = view->getTemplateFolder() + QStringLiteral("Front");
    addFilled(QRectF(0, 0, 30, 20), Qt::red, page);
    addFilled(QRectF(100, 40, 30, 20), Qt::blue, page);

    const QString path = qmtest::freshDir(QStringLiteral("printed")) + QStringLiteral("/sheet.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    PrintJob job;
    job.sequence = true;
    job.recordKeys = {1, 2, 3, 4, 5, 6, 7};
    ASSERT_TRUE(view->printJob(printer, job));

    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 3);
    const std::unique_ptr<Poppler::Page> first = document->page(0);
    const QImage image = first->renderToImage(72.0, 72.0);
    ASSERT_FALSE(image.isNull());
    for (int position = 0; position < 4; ++position) {
        const QPointF origin = labelCentre(position) - QPointF(25.0 * Pt, 12.5 * Pt);
        const QColor red = image.pixelColor((origin + QPointF(15, 10)).toPoint());
        const QColor blue = image.pixelColor((origin + QPointF(115, 50)).toPoint());
        if (position == 2) {
            EXPECT_EQ(red, QColor(Qt::white)) << position;
            EXPECT_EQ(blue, QColor(Qt::white)) << position;
        } else {
            EXPECT_GT(red.red(), 200) << position;
            EXPECT_LT(red.blue(), 60) << position;
            EXPECT_GT(blue.blue(), 200) << position;
            EXPECT_LT(blue.red(), 60) << position;
        }
    }
    // The objects are clipped to the label: nothing shows between the labels.
    EXPECT_EQ(image.pixelColor((labelCentre(0) + QPointF(40 * Pt, 0)).toPoint()), QColor(Qt::white));
}

TEST_F(SheetImaging, SequenceNumbersLabelsAndRefreshesEveryObject)
{
    view->setTFormat(fourLabels());
    auto recording = std::make_shared<RecordingRect>();
    recording->setFrameBounds(QRectF(0, 0, 10, 10));
    recording->setPageName(view->getTemplateFolder() + QStringLiteral("Front"));
    view->addGraphic(recording);

    PrintJob job;
    job.sequence = true;
    job.recordKeys = {11, 12, 13, 14, 15, 16};
    ASSERT_EQ(view->pageCount(job), 2);
    QImage image(612, 792, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    view->drawSheetPage(&painter, QRectF(0, 0, 612, 792), job, 1);
    view->drawSheetPage(&painter, QRectF(0, 0, 612, 792), job, 2);
    painter.end();
    EXPECT_EQ(recording->printed, (QList<int>{0, 1, 2, 3, 4, 5}));
    // Once a label, and once after each page drawn by itself, when the objects go back to
    // showing the record that is current outside printing.
    EXPECT_EQ(recording->refreshes, 8);
    EXPECT_FALSE(view->isPrinting());
    EXPECT_TRUE(view->undoManager()->isUndoRegistrationEnabled());
}

TEST_F(SheetImaging, BackPagesDrawTheBackDesignMirrored)
{
    view->setTFormat(fourLabels());
    const QString front = view->getTemplateFolder() + QStringLiteral("Front");
    const QString back = view->getTemplateFolder() + QStringLiteral("Back");
    addFilled(QRectF(0, 0, 20, 20), Qt::red, front);
    addFilled(QRectF(0, 0, 20, 20), Qt::blue, back);

    const QString path = qmtest::freshDir(QStringLiteral("two-sided")) + QStringLiteral("/sheet.pdf");
    ASSERT_TRUE(view->PDFRepresentationForDoc(path));
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 2);
    const QImage frontImage = document->page(0)->renderToImage(72.0, 72.0);
    const QImage backImage = document->page(1)->renderToImage(72.0, 72.0);
    const QPointF corner = labelCentre(0) - QPointF(25.0 * Pt, 12.5 * Pt) + QPointF(10, 10);
    EXPECT_GT(frontImage.pixelColor(corner.toPoint()).red(), 200);
    // On the back, position 0 lies mirrored across the paper width.
    const double mirroredX = frontImage.width() - (10.0 + 50.0) * Pt + 10.0;
    const QColor backColour = backImage.pixelColor(QPoint(int(mirroredX), int(corner.y())));
    EXPECT_GT(backColour.blue(), 200);
    EXPECT_LT(backColour.red(), 60);
}

TEST_F(SheetImaging, OneSidedDesignGivesOnePageAndTiffIsThePaper)
{
    view->setTFormat(fourLabels());
    addFilled(QRectF(0, 0, 20, 20), Qt::red, view->getTemplateFolder() + QStringLiteral("Front"));
    const QString path = qmtest::freshDir(QStringLiteral("one-sided")) + QStringLiteral("/sheet.pdf");
    ASSERT_TRUE(view->PDFRepresentationForDoc(path));
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numPages(), 1);

    const QByteArray tiff = view->TIFFRepresentationForDoc();
    QImage image;
    ASSERT_TRUE(image.loadFromData(tiff, "TIFF"));
    EXPECT_EQ(image.size(), QSize(612, 792));
    EXPECT_FALSE(view->isPrinting());
    EXPECT_TRUE(view->EPSRepresentationForDoc().startsWith("%!PS-Adobe"));
}

TEST_F(SheetImaging, CalibrationSheetDrawsOutlinesOnly)
{
    view->setTFormat(fourLabels());
    addFilled(QRectF(0, 0, 200, 200), Qt::red, view->getTemplateFolder() + QStringLiteral("Front"));
    PrintJob job;
    job.calibrationSheet = true;
    QImage image(612, 792, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    view->drawSheetPage(&painter, QRectF(0, 0, 612, 792), job, 1);
    painter.end();
    bool anyRed = false;
    bool anyDark = false;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            anyRed |= c.red() > 200 && c.green() < 60;
            anyDark |= c.red() < 128 && c.green() < 128 && c.blue() < 128;
        }
    EXPECT_FALSE(anyRed);
    EXPECT_TRUE(anyDark);
}

TEST_F(SheetImaging, CropMarksOutsideAndTrimMarksInsideTheBleed)
{
    view->setTFormat(fourLabels());
    UserDefaults::standard().setBool(true, QStringLiteral("CropMarks"));
    UserDefaults::standard().setBool(true, QStringLiteral("TrimMarks"));
    UserDefaults::standard().setFloat(0.0, QStringLiteral("Printing Bleeds"));
    const double scale = 8.0;
    QImage image(int(612 * scale), int(792 * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    view->drawSheetPage(&painter, QRectF(0, 0, 612, 792), PrintJob(), 1);
    painter.end();
    const QPointF origin(10.0 * Pt, 10.0 * Pt);
    const double w = 50.0 * Pt;
    const auto at = [&](const QPointF &p) { return image.pixelColor((p * scale).toPoint()); };
    // Segment 4 of position 0: 5 to 15 points right of the top right corner.
    EXPECT_NE(at(origin + QPointF(w + 10.0, 0.0)), QColor(Qt::white));
    EXPECT_EQ(at(origin + QPointF(w + 2.0, 0.0)), QColor(Qt::white));
    EXPECT_EQ(at(origin + QPointF(w + 20.0, 0.0)), QColor(Qt::white));
    // The dashed trim line runs along the label's left edge, inside the clip.
    int inked = 0;
    for (double y = 1.0; y < 20.0; y += 0.25)
        inked += at(origin + QPointF(0.1, y)) != QColor(Qt::white) ? 1 : 0;
    EXPECT_GT(inked, 10);
    EXPECT_LT(inked, 76);
}

namespace {

// Pages that go nowhere, the end of the file taking a while as a PDF writer's does.
class SlowEndOutput : public SheetPrinter::Output
{
public:
    explicit SlowEndOutput(std::atomic<bool> &ended)
        : m_ended(ended)
    {
    }
    bool begin(QPainter &painter) override { return painter.begin(&m_image); }
    bool newPage() override { return true; }
    bool failed() const override { return false; }
    void end() override
    {
        QThread::msleep(150);
        m_ended = true;
    }

private:
    QImage m_image{612, 792, QImage::Format_ARGB32_Premultiplied};
    std::atomic<bool> &m_ended;
};

} // namespace

// A sheet of alike labels drawn from a copy, printed and saved whole: each label keeps its own
// text (read back by pdftotext), the pages are as many as the copies, and the job's progress
// says it is done only once the device has its file.
TEST_F(SheetImaging, AlikeLabelsKeepTheirTextAndProgressWaitsForTheFile)
{
    registerObjectKinds();
    view->setTFormat(fourLabels());
    auto box = ColorRect::create(QRectF(6, 6, 110, 40));
    box->setPageName(view->getTemplateFolder() + QStringLiteral("Front"));
    box->setObjectLayer(1);
    box->textStorage()->setDefaultFont(qmtest::testFont(12));
    box->textStorage()->setPlainText(QStringLiteral("Quokka"));
    view->addGraphic(box);
    const QString folder = qmtest::freshDir(QStringLiteral("alike"));
    auto textOf = [](const QString &path) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
        EXPECT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0) << "pdftotext";
        return QString::fromUtf8(process.readAllStandardOutput());
    };

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder + QStringLiteral("/printed.pdf"));
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setCopyCount(2);
    ASSERT_TRUE(view->printJob(printer, PrintJob()));
    std::unique_ptr<Poppler::Document> printed = Poppler::Document::load(printer.outputFileName());
    ASSERT_TRUE(printed);
    EXPECT_EQ(printed->numPages(), 2);
    EXPECT_EQ(textOf(printer.outputFileName()).count(QStringLiteral("Quokka")), 8);

    const QString sheet = folder + QStringLiteral("/sheet.pdf");
    ASSERT_TRUE(view->PDFRepresentationForDoc(sheet));
    std::unique_ptr<Poppler::Document> saved = Poppler::Document::load(sheet);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->numPages(), 1);
    EXPECT_EQ(textOf(sheet).count(QStringLiteral("Quokka")), 4);

    const SheetLayout layout = view->sheetLayout();
    std::shared_ptr<SequentialDrawing> drawing = SequentialDrawing::captureSheet(*view, layout.pageNames(), {});
    ASSERT_TRUE(drawing);
    std::atomic<bool> ended{false};
    PrintJob job;
    job.paper = QSizeF(612, 792);
    SheetPrinter sheets(drawing, layout, job, std::make_unique<SlowEndOutput>(ended));
    int reportedDone = 0;
    sheets.drive({1, 1, 1}, [&](int page) {
        SheetPrinter::Page plan;
        plan.page = page;
        for (const int label : layout.labelsOf(job, page))
            plan.records.insert(label, drawing->currentRecord(label));
        return plan;
    }, [&](int done) {
        EXPECT_TRUE(done < 3 || ended.load()) << "done before the file ended";
        reportedDone = std::max(reportedDone, done);
        return true;
    });
    EXPECT_TRUE(sheets.finished() && ended.load());
    EXPECT_EQ(sheets.pagesDone(), 3);
    EXPECT_EQ(reportedDone, 2);
}
