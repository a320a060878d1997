// Export and Export Sequential through the window's File menu: the save panel's format pop-up
// writes each of the nine formats, the sequential accessory's record numbers, progress that can
// be cancelled, and failures that say what failed.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QAction>
#include <QDir>
#include <QImageReader>
#include <QMenu>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "app/MainWindow.h"
#include "app/AllKinds.h"
#include "canvas/RectsView.h"
#include "common/FailingWrites.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/store/Database.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "platform/PrintInfo.h"
#include "platform/UserDefaults.h"
#include "printing/ExportFormats.h"
#include "printing/IcnsReader.h"
#include "printing/SequentialDrawing.h"

using namespace quillmark;
using qmtest::TestPrompts;

namespace {

constexpr int FirstNamePk = 4;

class ExportWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        registerAllKinds();
        UserDefaults::resetStandardForTesting(qmtest::freshDir(QStringLiteral("export-window")) + "/defaults.ini");
        UserDefaults::standard().setString(QStringLiteral("72"), QStringLiteral("Export Res"));
        window = std::make_unique<MainWindow>();
        canvas = window->canvas();
        dir = qmtest::freshDir(QStringLiteral("export-window-") + QString::number(++s_run));
        auto mark = ColorRect::create(QRectF(10, 10, 100, 30));
        mark->setPageName(canvas->getCurrPageName());
        mark->setObjectLayer(1);
        mark->setDrawsFill(true);
        mark->setFillColor(Qt::red);
        canvas->addGraphic(mark);
    }
    void TearDown() override
    {
        if (db && Database::currentDatabase() == db.get())
            Database::setCurrentDatabase(nullptr);
        window.reset();
        Language::reset();
    }

    void trigger(const QString &title)
    {
        for (QAction *action : window->fileMenu()->actions())
            if (action->text() == title) {
                action->trigger();
                return;
            }
        ADD_FAILURE() << "no File menu item " << title.toStdString();
    }

    // A current database of `count` records whose first names are "Name1x", "Name2x", ...,
    // and a merge field of the first name on the label.
    void database(int count)
    {
        const QString path = dir + QStringLiteral("/Names.sqlite");
        QString error;
        ASSERT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
        db = Database::openDatabaseAtPath(path, &error);
        ASSERT_TRUE(db) << error.toStdString();
        for (int i = 1; i <= count; ++i) {
            db->fieldValues().clear();
            db->initFieldValues();
            db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Name%1x").arg(i));
            db->insertRecord();
        }
        db->refreshBrowser();
        auto field = ColorField::create(QRectF(5, 40, 150, 24));
        field->setPageName(canvas->getCurrPageName());
        field->setObjectLayer(1);
        canvas->addGraphic(field);
        field->setFieldPk(FirstNamePk);
    }

    QStringList filesIn(const QString &folder) const
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(QStringLiteral("Names.sqlite"));
        return names;
    }

    std::unique_ptr<MainWindow> window;
    RectsView *canvas = nullptr;
    std::unique_ptr<Database> db;
    QString dir;
    static inline int s_run = 0;
};

// One typed record-number field of the sequential accessory.
QSpinBox *recordField(QWidget *accessory, int tag)
{
    return accessory->findChild<QSpinBox *>(QStringLiteral("tag%1").arg(tag));
}

} // namespace

TEST_F(ExportWindowTest, FormatChosenInThePanelWritesEachOfTheNineFormats)
{
    qmtest::ScopedTestPrompts prompts;
    for (int tag = 0; tag < exportFormatCount; ++tag) {
        const ExportFormat format = ExportFormat(tag);
        prompts->queueSaveOfType(dir + QStringLiteral("/Label"), tag);
        trigger(QStringLiteral("Export..."));
        const QString path = dir + QStringLiteral("/Label.") + exportFormatExtension(format);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        switch (format) {
        case ExportFormat::JPEG:
        case ExportFormat::TIFF:
        case ExportFormat::GIF:
        case ExportFormat::PNG:
        case ExportFormat::BMP: {
            // The 5160 label, 2.625 x 1 inch, at 72 dots per inch.
            QImageReader reader(path);
            EXPECT_EQ(QString::fromLatin1(reader.format()), exportFormatExtension(format) == "jpeg"
                                                                ? QStringLiteral("jpeg")
                                                                : exportFormatExtension(format));
            EXPECT_EQ(reader.read().size(), QSize(189, 72)) << tag;
            break;
        }
        case ExportFormat::JPEG2000:
            // The JP2 signature box.
            EXPECT_TRUE(bytes.startsWith(QByteArray("\x00\x00\x00\x0CjP  \r\n\x87\n", 12))) << tag;
            break;
        case ExportFormat::ICNS:
            EXPECT_FALSE(qmtest::readIcnsEntries(bytes).isEmpty());
            break;
        case ExportFormat::PDF: {
            std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
            ASSERT_TRUE(document);
            EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(189, 72));
            break;
        }
        case ExportFormat::EPS:
            EXPECT_TRUE(bytes.startsWith("%!PS-Adobe"));
            break;
        }
        // The next panel offers the format chosen last.
        prompts->queueCancel();
        trigger(QStringLiteral("Export..."));
        EXPECT_EQ(prompts->last().preselectedType, tag);
    }
    EXPECT_EQ(filesIn(dir).size(), exportFormatCount);
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0);
}

TEST_F(ExportWindowTest, SequentialRecordsThreeToSevenWriteFiveFiles)
{
    database(9);
    qmtest::ScopedTestPrompts prompts;
    int shownLast = 0;
    prompts->queueSaveOfType(dir + QStringLiteral("/Labels"), int(ExportFormat::PDF), [&](QWidget *accessory) {
        shownLast = recordField(accessory, 2)->value();
        recordField(accessory, 1)->setValue(3);
        recordField(accessory, 2)->setValue(7);
    });
    trigger(QStringLiteral("Export Sequential..."));
    ASSERT_EQ(prompts->count(TestPrompts::SaveFileOfType), 1);
    EXPECT_TRUE(prompts->last().hadAccessory);
    // The last number shows the records of the browser list.
    EXPECT_EQ(shownLast, 9);
    EXPECT_EQ(filesIn(dir), (QStringList{"Labels3.pdf", "Labels4.pdf", "Labels5.pdf", "Labels6.pdf", "Labels7.pdf"}));
    for (int k = 3; k <= 7; ++k) {
        std::unique_ptr<Poppler::Document> document = Poppler::Document::load(dir + QStringLiteral("/Labels%1.pdf").arg(k));
        ASSERT_TRUE(document);
        EXPECT_TRUE(document->page(0)->text(QRectF()).contains(QStringLiteral("Name%1x").arg(k)))
            << k;
    }

    // The first number keeps what was typed; the last one shows the records again.
    prompts->queueSaveOfType(dir + QStringLiteral("/Again"), int(ExportFormat::PDF), [&](QWidget *accessory) {
        EXPECT_EQ(recordField(accessory, 1)->value(), 3);
        EXPECT_EQ(recordField(accessory, 2)->value(), 9);
        recordField(accessory, 2)->setValue(3);
    });
    trigger(QStringLiteral("Export Sequential..."));
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/Again3.pdf")));
}

// Export Sequential draws the labels on every core, each worker from a copy of its own: every
// file is the label as the canvas shows that record, pixel for pixel, with a merge field, a
// title-and-value pair whose title goes with an empty value, and a field inside a text.
TEST_F(ExportWindowTest, SequentialPngsShowEachRecordAsTheCanvasDoes)
{
    database(14);
    // Record 6 has no first name: its pair prints neither title nor value.
    db->initWithPrimaryKey(db->browserArray().at(5).primaryKey());
    db->fieldValues().insert(QStringLiteral("First_Name"), QString());
    db->updateRecord();
    db->refreshBrowser();
    QPointF at(60, 4);
    RectsView::mergeFieldPairMaker = [&at](CanvasServices *services, const QPointF &, int pk) {
        const MergeFieldPair pair = createDBField(services, at, pk);
        return std::pair<GraphicPtr, GraphicPtr>(pair.title, pair.contents);
    };
    canvas->createDBField(FirstNamePk);
    RectsView::mergeFieldPairMaker = nullptr;
    auto letter = ColorRect::create(QRectF(2, 66, 180, 20));
    letter->setPageName(canvas->getCurrPageName());
    letter->setObjectLayer(1);
    canvas->addGraphic(letter);
    QTextCursor(letter->textStorage()).insertText(QStringLiteral(" and friends"));
    ASSERT_TRUE(letter->insertTextField(FirstNamePk));
    canvas->clearSelection();

    UserDefaults::standard().setString(QStringLiteral("150"), QStringLiteral("Export Res"));
    qmtest::ScopedTestPrompts prompts;
    prompts->queueSaveOfType(dir + QStringLiteral("/Seq"), int(ExportFormat::PNG));
    trigger(QStringLiteral("Export Sequential..."));
    ASSERT_EQ(filesIn(dir).size(), 14);
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0);

    auto read = [](const QString &path) { return QImageReader(path).read().convertToFormat(QImage::Format_ARGB32); };
    QImage before;
    for (int k = 1; k <= 14; ++k) {
        // The record shown on the canvas and exported alone, drawn on the GUI thread.
        ASSERT_TRUE(canvas->upDateDBFields(db->browserArray().at(k - 1).primaryKey()));
        const QString single = dir + QStringLiteral("/single/One%1.png").arg(k);
        QDir().mkpath(dir + QStringLiteral("/single"));
        ASSERT_TRUE(canvas->exportLabelToFile(single, int(ExportFormat::PNG), 150.0));
        const QImage drawn = read(dir + QStringLiteral("/Seq%1.png").arg(k));
        ASSERT_EQ(drawn.size(), QSize(qRound(canvas->getLabel().width * 150), qRound(canvas->getLabel().height * 150)));
        EXPECT_TRUE(drawn == read(single)) << "record " << k;
        EXPECT_FALSE(drawn == before) << "record " << k << " shows the record before it";
        before = drawn;
    }
    // Record 6's pair and field are blank: only the red mark and the text's own words show.
    const QImage empty = read(dir + QStringLiteral("/Seq6.png"));
    const QImage named = read(dir + QStringLiteral("/Seq5.png"));
    int differing = 0;
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            differing += empty.pixel(x, y) != named.pixel(x, y);
    EXPECT_GT(differing, 100);
}

// A design with a numbered barcode and an address block is drawn on the worker threads like
// any other: each file is the label the window's thread draws for that record with the number
// the record's label takes in a run of the whole list, so every record shows its own address
// and its own number.
TEST_F(ExportWindowTest, SequentialPngsOfABarcodeAndAnAddressBlockShowEachRecordAndItsNumber)
{
    database(6);
    auto block = ColorAddress::create(QRectF(10, 4, 0, 0));
    block->setPageName(canvas->getCurrPageName());
    block->setObjectLayer(1);
    canvas->addGraphic(block);
    auto barcode = ColorBarcode::create(QRectF(100, 30, 0, 0));
    barcode->setPageName(canvas->getCurrPageName());
    barcode->setObjectLayer(1);
    TSequence sequence;
    sequence.isPresent = 1;
    sequence.counter = "1000";
    sequence.increment = "7";
    barcode->setSequenceInfo(sequence);
    // As the barcode tool places it.
    barcode->setDrawBarcode(true);
    barcode->updateframeSize();
    canvas->addGraphic(barcode);
    canvas->clearSelection();
    ASSERT_TRUE(SequentialDrawing::capture(*canvas)) << "the design is drawn on the worker threads";

    UserDefaults::standard().setString(QStringLiteral("150"), QStringLiteral("Export Res"));
    qmtest::ScopedTestPrompts prompts;
    prompts->queueSaveOfType(dir + QStringLiteral("/Seq"), int(ExportFormat::PNG), [](QWidget *accessory) {
        recordField(accessory, 1)->setValue(2);
        recordField(accessory, 2)->setValue(6);
    });
    trigger(QStringLiteral("Export Sequential..."));
    ASSERT_EQ(filesIn(dir).size(), 5);
    // 9-mil bars at 150 dpi take whole pixels a quarter narrower: the user is told, once,
    // and the files are still written.
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The export resolution is low for these bars."));

    auto read = [](const QString &path) { return QImageReader(path).read().convertToFormat(QImage::Format_ARGB32); };
    // A record made current on the canvas and drawn on the window's thread as the label of
    // that number, printing as the export does.
    auto drawnHere = [&](int record, int number) {
        EXPECT_TRUE(canvas->upDateDBFields(db->browserArray().at(record - 1).primaryKey()));
        const bool preview = canvas->isPreviewMode();
        if (!preview)
            canvas->setPreviewMode();
        canvas->setPrinting(true);
        const QImage image = canvas->renderLabelImage(150.0f, false, number).convertToFormat(QImage::Format_ARGB32);
        canvas->setPrinting(false);
        if (!preview)
            canvas->setPreviewMode();
        return image;
    };
    QList<QImage> files;
    for (int k = 2; k <= 6; ++k) {
        const QImage drawn = drawnHere(k, k - 1);
        const QImage file = read(dir + QStringLiteral("/Seq%1.png").arg(k));
        ASSERT_EQ(file.size(), drawn.size());
        EXPECT_TRUE(file == drawn) << "record " << k;
        files.append(file);
    }
    // The number is the record's: the same record drawn as another label differs.
    EXPECT_FALSE(drawnHere(2, 0) == files.first());
    for (qsizetype i = 1; i < files.size(); ++i)
        EXPECT_FALSE(files[i] == files[i - 1]) << "file " << i + 2 << " repeats the one before";
}

TEST_F(ExportWindowTest, LongSequentialExportShowsProgressAndStopsWhenCancelled)
{
    database(30);
    qmtest::ScopedTestPrompts prompts;
    int shown = 0;
    // The user presses Cancel as soon as the progress panel shows.
    QTimer::singleShot(0, window.get(), [&] {
        if (auto *progress = window->findChild<QProgressDialog *>()) {
            shown = progress->isVisible() ? 1 : 0;
            progress->cancel();
        }
    });
    prompts->queueSaveOfType(dir + QStringLiteral("/Run"), int(ExportFormat::PNG));
    trigger(QStringLiteral("Export Sequential..."));
    EXPECT_EQ(shown, 1);
    const QStringList written = filesIn(dir);
    // What was written before the cancel stays; nothing follows it.
    ASSERT_GE(written.size(), 1);
    EXPECT_LT(written.size(), 30);
    for (int k = 1; k <= written.size(); ++k)
        EXPECT_TRUE(written.contains(QStringLiteral("Run%1.png").arg(k))) << k;
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0);
    EXPECT_FALSE(canvas->databasePreview());
}

TEST_F(ExportWindowTest, FailuresSayWhatFailed)
{
    const qmtest::UnwritableFolder folder(dir);
    qmtest::ScopedTestPrompts prompts;
    prompts->queueSaveOfType(folder.path() + QStringLiteral("/Label"), int(ExportFormat::PNG));
    trigger(QStringLiteral("Export..."));
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().title, QStringLiteral("The label could not be exported."));
    EXPECT_TRUE(prompts->last().message.startsWith(QStringLiteral("Could not write Label.png: ")))
        << prompts->last().message.toStdString();
    EXPECT_TRUE(folder.strayFiles().isEmpty()) << folder.strayFiles().join(' ').toStdString();
    EXPECT_TRUE(folder.blockerIntact());
}

TEST_F(ExportWindowTest, SequentialFailureOffersToStop)
{
    database(5);
    qmtest::ScopedTestPrompts prompts;
    prompts->queueSaveOfType(dir + QStringLiteral("/Big"), int(ExportFormat::BMP));
    prompts->queueAlert(Prompts::SecondButton);
    {
        // Each bitmap is larger than the disk lets a file grow.
        qmtest::ScopedFileSizeLimit limit(4 * 1024);
        trigger(QStringLiteral("Export Sequential..."));
    }
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 1);
    EXPECT_EQ(prompts->last().message, QStringLiteral("Could not write Big1.bmp: File too large"));
    EXPECT_EQ(prompts->last().buttons, (QStringList{QStringLiteral("Continue"), QStringLiteral("Stop")}));
    // Stopped at the first file: nothing is written, no temporary file stays.
    EXPECT_TRUE(filesIn(dir).isEmpty());
}
