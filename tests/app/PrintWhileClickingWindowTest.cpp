// A large design printed through File > Print..., and written into every file of the whole sheet
// (Save As) and of the label (Export), as a user does it, clicking the canvas while the job
// works: the window answers every click while the job runs, the job's Cancel leaves the file
// that was there or none, and what was written reads back with poppler and the image readers.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/AppTestSupport.h"
#include "canvas/RectsView.h"
#include "common/TestPrintPanels.h"
#include "common/TestSupport.h"
#include "objects/ColorRect.h"
#include "platform/PrintInfo.h"
#include "printing/ExportFormats.h"
#include "printing/IcnsReader.h"

using namespace quillmark;

namespace {

// The job's progress panel while it shows.
QProgressDialog *jobPanel()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *panel = qobject_cast<QProgressDialog *>(widget); panel && panel->isVisible())
            return panel;
    return nullptr;
}

// Counts the presses the canvas answers.
class PressCount : public QObject
{
public:
    int presses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress)
            ++presses;
        return false;
    }
};

// One word on every label and a thousand small squares under it: each label of the sheet
// draws them all.
void fillDesign(RectsView *canvas)
{
    for (int i = 0; i < 1000; ++i) {
        auto square = ColorRect::create(QRectF(2 + (i % 50) * 3.6, 40 + (i / 50) * 1.5, 3, 1.2));
        square->setPageName(canvas->getCurrPageName());
        square->setObjectLayer(1);
        square->setDrawsFill(true);
        square->setFillColor(QColor::fromHsv(i % 360, 160, 220));
        canvas->addGraphic(square);
    }
    auto mark = ColorRect::create(QRectF(20, 4, 120, 30));
    mark->setPageName(canvas->getCurrPageName());
    mark->setObjectLayer(1);
    mark->textStorage()->setDefaultFont(qmtest::testFont(12));
    mark->textStorage()->setPlainText(QStringLiteral("Mark"));
    canvas->addGraphic(mark);
}

TEST(PrintWhileClicking, TheWindowAnswersEveryClickCancelHoldsAndThePdfReads)
{
    apptest::WindowFixture f(QStringLiteral("print-while-clicking"));
    qmtest::ScopedTestPrintPanels panels;
    PrintInfo::sharedPrintInfo().reset();
    RectsView *canvas = f.canvas();
    fillDesign(canvas);
    apptest::settle();
    const QString dir = qmtest::freshDir(QStringLiteral("print-while-clicking-files"));

    // Clicks on the empty canvas every few milliseconds for as long as the window takes them.
    PressCount answered;
    canvas->installEventFilter(&answered);
    int clicked = 0;
    int clickedWhileJobShows = 0;
    const QPoint empty = canvas->pageToWidget().map(QPointF(-30, -30)).toPoint();
    QTimer clicker;
    clicker.setInterval(5);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (jobPanel())
            ++clickedWhileJobShows;
        ++clicked;
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, empty);
    });

    const QString pdf = dir + QStringLiteral("/sheet.pdf");
    // Two copies: a file takes each copy's sheets, one page apiece.
    panels->queueSheetButton(QStringLiteral("Print"));
    panels->queuePrintToFile(pdf, 2);
    clicker.start();
    f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
    clicker.stop();
    EXPECT_GE(clickedWhileJobShows, 3) << "the window answered while the job was printing";
    EXPECT_EQ(answered.presses, clicked);

    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->numPages(), 2);
    for (int p = 0; p < 2; ++p) {
        int marks = 0;
        for (const std::unique_ptr<Poppler::TextBox> &box : document->page(p)->textList())
            marks += box->text() == QLatin1String("Mark") ? 1 : 0;
        EXPECT_EQ(marks, 30) << "page " << p + 1;
    }
    // The squares are printed too: the page is coloured where they lie on the first label.
    const QImage page = document->page(0)->renderToImage(72, 72);
    int coloured = 0;
    for (int y = 36 + 40; y < 36 + 60; ++y)
        for (int x = 14; x < 14 + 180; ++x)
            coloured += QColor(page.pixel(x, y)).hsvSaturation() > 60 ? 1 : 0;
    EXPECT_GT(coloured, 1000);

    // Printed again to the same file and cancelled in the job's progress panel as soon as it
    // shows: the file printed before stays as it was, and nothing else is left beside it.
    QFile before(pdf);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray printed = before.readAll();
    before.close();
    bool pressedCancel = false;
    QTimer canceller;
    canceller.setInterval(5);
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        QProgressDialog *panel = jobPanel();
        if (!panel || pressedCancel)
            return;
        for (QPushButton *button : panel->findChildren<QPushButton *>())
            if (button->text() == QLatin1String("Cancel")) {
                QTest::mouseClick(button, Qt::LeftButton);
                pressedCancel = true;
            }
    });
    panels->queueSheetButton(QStringLiteral("Print"));
    panels->queuePrintToFile(pdf);
    canceller.start();
    f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
    canceller.stop();
    EXPECT_TRUE(pressedCancel);
    // Given up, the job tells of no failure whatever step it was in.
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    // Nothing of the job is left: no panel, and the window takes a click on an object.
    apptest::settle();
    EXPECT_EQ(jobPanel(), nullptr);
    const GraphicPtr mark = canvas->getRects().last();
    QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, canvas->pageToWidget().map(mark->frameBounds().center()).toPoint());
    EXPECT_EQ(canvas->selectedObjects(), GraphicList{mark});
    QFile after(pdf);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), printed);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("sheet.pdf")});
    EXPECT_EQ(canvas->getRects().size(), 1001);
}

// Presses the Cancel of the job's progress panel once it shows.
class Canceller
{
public:
    Canceller()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QProgressDialog *panel = jobPanel();
            if (!panel || pressed)
                return;
            for (QPushButton *button : panel->findChildren<QPushButton *>())
                if (button->text() == QLatin1String("Cancel")) {
                    QTest::mouseClick(button, Qt::LeftButton);
                    pressed = true;
                }
        });
        m_timer.start();
    }
    bool pressed = false;

private:
    QTimer m_timer;
};

// How many pixels of the picture show the squares' colours.
int colouredPixels(const QImage &image)
{
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            coloured += QColor(image.pixel(x, y)).hsvSaturation() > 60 ? 1 : 0;
    return coloured;
}

TEST(PrintWhileClicking, EveryFileOfTheSheetAndTheLabelAnswersEachClickCancelLeavesNoneAndTheFileReads)
{
    apptest::WindowFixture f(QStringLiteral("export-while-clicking"));
    PrintInfo::sharedPrintInfo().reset();
    RectsView *canvas = f.canvas();
    fillDesign(canvas);
    apptest::settle();
    const QString dir = qmtest::freshDir(QStringLiteral("export-while-clicking-files"));

    PressCount answered;
    canvas->installEventFilter(&answered);
    int clicked = 0;
    int clickedWhileJobShows = 0;
    const QPoint empty = canvas->pageToWidget().map(QPointF(-30, -30)).toPoint();
    QTimer clicker;
    clicker.setInterval(5);
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (jobPanel())
            ++clickedWhileJobShows;
        ++clicked;
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, empty);
    });

    // The forms as the panels offer them: Save As the design and then each whole-sheet type,
    // Export each label format.
    struct Form
    {
        QString command;
        int type = 0;
        QString extension;
        bool sheet = false;
    };
    QList<Form> forms;
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    const QList<Prompts::FileType> sheetTypes = f.prompts->last().types;
    ASSERT_GE(sheetTypes.size(), 2);
    for (int type = 1; type < sheetTypes.size(); ++type)
        forms.append({QStringLiteral("Save As..."), type, sheetTypes.at(type).extensions.first(), true});
    f.trigger(QStringLiteral("File"), QStringLiteral("Export..."));
    const QList<Prompts::FileType> labelTypes = f.prompts->last().types;
    ASSERT_EQ(labelTypes.size(), exportFormatCount);
    for (int type = 0; type < labelTypes.size(); ++type)
        forms.append({QStringLiteral("Export..."), type, labelTypes.at(type).extensions.first(), false});

    QStringList written;
    for (const Form &form : forms) {
        const QString name = (form.sheet ? QStringLiteral("sheet") : QStringLiteral("label")) + QString::number(form.type);
        SCOPED_TRACE(name.toStdString() + "." + form.extension.toStdString());
        const QString path = dir + QLatin1Char('/') + name + QLatin1Char('.') + form.extension;
        answered.presses = 0;
        clicked = 0;
        clickedWhileJobShows = 0;
        f.prompts->queueSaveOfType(dir + QLatin1Char('/') + name, form.type);
        clicker.start();
        f.trigger(QStringLiteral("File"), form.command);
        clicker.stop();
        EXPECT_EQ(answered.presses, clicked);
        if (form.sheet) {
            EXPECT_GE(clickedWhileJobShows, 3) << "the window answered while the sheet was drawn";
        }
        written << QFileInfo(path).fileName();

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (form.extension == QLatin1String("pdf")) {
            // Every label of the sheet, or the one label, shows the word above the squares.
            std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
            ASSERT_TRUE(document);
            ASSERT_GE(document->numPages(), 1);
            int marks = 0;
            for (const std::unique_ptr<Poppler::TextBox> &box : document->page(0)->textList())
                marks += box->text() == QLatin1String("Mark") ? 1 : 0;
            EXPECT_EQ(marks, form.sheet ? 30 : 1);
            EXPECT_GT(colouredPixels(document->page(0)->renderToImage(72, 72)), form.sheet ? 30 * 500 : 500);
        } else if (form.extension == QLatin1String("eps") || form.extension == QLatin1String("ps")) {
            EXPECT_TRUE(bytes.startsWith("%!PS-Adobe"));
            EXPECT_TRUE(bytes.contains("%%BoundingBox"));
        } else if (form.extension == QLatin1String("jp2")) {
            EXPECT_TRUE(bytes.startsWith(QByteArray("\x00\x00\x00\x0CjP  \r\n\x87\n", 12)));
        } else if (form.extension == QLatin1String("icns")) {
            EXPECT_FALSE(qmtest::readIcnsEntries(bytes).isEmpty());
        } else {
            QImageReader reader(path);
            const QImage image = reader.read();
            ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
            EXPECT_GT(colouredPixels(image), form.sheet ? 30 * 500 : 500);
        }

        // Written again and cancelled as soon as its progress panel shows: nothing is left of
        // it. A sheet of thirty labels of a thousand objects always takes long enough to show it.
        const QString cancelledName = QStringLiteral("cancelled-") + name;
        f.prompts->queueSaveOfType(dir + QLatin1Char('/') + cancelledName, form.type);
        const Canceller canceller;
        f.trigger(QStringLiteral("File"), form.command);
        if (form.sheet) {
            EXPECT_TRUE(canceller.pressed);
        }
        if (canceller.pressed) {
            EXPECT_FALSE(QFileInfo::exists(dir + QLatin1Char('/') + cancelledName + QLatin1Char('.') + form.extension));
        } else {
            written << cancelledName + QLatin1Char('.') + form.extension;
        }
        apptest::settle();
        EXPECT_EQ(jobPanel(), nullptr);
    }
    // Given up, a file tells of no failure; nothing half-written is left beside the files.
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);
    written.sort();
    QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, written);
    EXPECT_EQ(canvas->getRects().size(), 1001);
}

} // namespace
