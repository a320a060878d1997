// The label export through the canvas: every format read back by an independent reader, the
// render resolution, and the files of a sequential export.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>

#include <QDir>

#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/merge/MergeKinds.h"
#include "printing/ExportFormats.h"
#include "printing/IcnsReader.h"

using namespace quillmark;
using qmtest::TestPrompts;

namespace {

class LabelExport : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("label-export"));
        TLabel label;
        label.width = 2.0f;
        label.height = 1.0f;
        view->setTLabel(label);
        auto graphic = ColorRect::create(QRectF(0, 0, 72, 36));
        graphic->setPageName(view->getCurrPageName());
        graphic->setDrawsFill(true);
        graphic->setFillColor(Qt::red);
        graphic->setDrawsStroke(false);
        view->addGraphic(graphic);
        auto otherPage = ColorRect::create(QRectF(100, 40, 30, 30));
        otherPage->setPageName(QStringLiteral("HorizontalBack"));
        otherPage->setDrawsFill(true);
        otherPage->setFillColor(Qt::blue);
        view->addGraphic(otherPage);
    }

    QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
           && process.exitCode() == 0;
}

} // namespace

TEST_F(LabelExport, PngAt300DpiIsSixHundredByThreeHundredWithAWhiteBackground)
{
    const QString path = qmtest::freshDir(QStringLiteral("png")) + QStringLiteral("/label.png");
    QString error;
    ASSERT_TRUE(view->exportLabelToFile(path, int(ExportFormat::PNG), 300.0, &error)) << error.toStdString();
    QImageReader reader(path);
    const QImage image = reader.read();
    ASSERT_EQ(image.size(), QSize(600, 300));
    EXPECT_EQ(qRound(image.dotsPerMeterX() * 0.0254), 300);
    EXPECT_EQ(qRound(image.dotsPerMeterY() * 0.0254), 300);
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(500, 250), QColor(Qt::white));
    // The object of the back page is not on the current page.
    EXPECT_EQ(image.pixelColor(int(115 * 300 / 72.0), int(55 * 300 / 72.0)), QColor(Qt::white));
    EXPECT_FALSE(view->isPrinting());
    EXPECT_FALSE(view->isPreviewMode());
}

TEST_F(LabelExport, TiffKeepsATransparentBackground)
{
    const QString path = qmtest::freshDir(QStringLiteral("tiff")) + QStringLiteral("/label.tiff");
    ASSERT_TRUE(view->exportLabelToFile(path, int(ExportFormat::TIFF), 150.0));
    const QImage image(path);
    ASSERT_EQ(image.size(), QSize(300, 150));
    EXPECT_EQ(image.pixelColor(250, 120).alpha(), 0);
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::red));
}

TEST_F(LabelExport, EveryFormatReadsBackAtTheLabelSize)
{
    const QString dir = qmtest::freshDir(QStringLiteral("formats"));
    for (int tag = 0; tag < exportFormatCount; ++tag) {
        const ExportFormat format = ExportFormat(tag);
        const QString path = dir + QStringLiteral("/label.") + exportFormatExtension(format);
        QString error;
        ASSERT_TRUE(view->exportLabelToFile(path, tag, 300.0, &error)) << tag << error.toStdString();
        const QByteArray bytes = readAll(path);
        ASSERT_FALSE(bytes.isEmpty()) << tag;
        switch (format) {
        case ExportFormat::JPEG:
        case ExportFormat::TIFF:
        case ExportFormat::GIF:
        case ExportFormat::PNG:
        case ExportFormat::BMP: {
            const QImage image = QImage::fromData(bytes);
            EXPECT_EQ(image.size(), QSize(600, 300)) << tag;
            break;
        }
        case ExportFormat::JPEG2000: {
            ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("opj_decompress")).isEmpty());
            const QString decoded = path + QStringLiteral(".png");
            ASSERT_TRUE(run(QStringLiteral("opj_decompress"), {QStringLiteral("-i"), path, QStringLiteral("-o"), decoded}));
            EXPECT_EQ(QImage(decoded).size(), QSize(600, 300));
            break;
        }
        case ExportFormat::ICNS: {
            const QList<qmtest::IcnsEntry> entries = qmtest::readIcnsEntries(bytes);
            ASSERT_EQ(entries.size(), 1);
            const QImage icon = QImage::fromData(entries.first().data);
            EXPECT_EQ(icon.size(), QSize(256, 256));
            break;
        }
        case ExportFormat::PDF: {
            std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
            ASSERT_TRUE(document);
            ASSERT_EQ(document->numPages(), 1);
            EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(144, 72));
            const QImage image = document->page(0)->renderToImage(72.0, 72.0);
            EXPECT_GT(image.pixelColor(10, 10).red(), 200);
            EXPECT_LT(image.pixelColor(10, 10).blue(), 60);
            break;
        }
        case ExportFormat::EPS:
            EXPECT_TRUE(bytes.startsWith("%!PS-Adobe")) << tag;
            EXPECT_TRUE(bytes.contains("%%BoundingBox: 0 0 144 72")) << tag;
            break;
        }
    }
}

TEST_F(LabelExport, SequentialExportNamesFilesByRecordNumber)
{
    auto prompts = std::make_unique<TestPrompts>();
    TestPrompts *answers = prompts.get();
    auto previous = Prompts::install(std::move(prompts));
    const QString dir = qmtest::freshDir(QStringLiteral("sequence"));
    const QString chosen = dir + QStringLiteral("/Labels.pdf");

    EXPECT_EQ(view->exportSequentialFiles(chosen, int(ExportFormat::PDF), 3, 5, 300.0), 3);
    for (int k : {3, 4, 5})
        EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("/Labels%1.pdf").arg(k))) << k;
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/Labels2.pdf")));

    // Declining the replace question for record 4 writes 3 and 5 only.
    answers->queueAlert(Prompts::FirstButton);
    answers->queueAlert(Prompts::SecondButton);
    answers->queueAlert(Prompts::FirstButton);
    EXPECT_EQ(view->exportSequentialFiles(chosen, int(ExportFormat::PDF), 3, 5, 300.0), 2);
    EXPECT_EQ(answers->count(TestPrompts::Alert), 3);
    EXPECT_EQ(answers->calls().at(1).title, QStringLiteral("Such a file already exists."));

    // A first number below 1 starts at record 1; first after last writes nothing.
    const QString other = dir + QStringLiteral("/Start.png");
    EXPECT_EQ(view->exportSequentialFiles(other, int(ExportFormat::PNG), -4, 2, 72.0), 2);
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("/Start1.png")));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/Start0.png")));
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/Start-4.png")));
    EXPECT_EQ(view->exportSequentialFiles(other, int(ExportFormat::PNG), 6, 5, 72.0), 0);
    EXPECT_FALSE(view->databasePreview());
    EXPECT_TRUE(view->undoManager()->isUndoRegistrationEnabled());
    Prompts::install(std::move(previous));
}

TEST_F(LabelExport, ExportPanelOffersTheNineFormatsAndRemembersTheChoice)
{
    auto prompts = std::make_unique<TestPrompts>();
    TestPrompts *answers = prompts.get();
    auto previous = Prompts::install(std::move(prompts));
    UserDefaults::standard().setString(QStringLiteral("72"), QStringLiteral("Export Res"));
    const QString dir = qmtest::freshDir(QStringLiteral("command"));
    // The name is typed without an extension; PNG chosen in the pop-up gives it ".png".
    answers->queueSaveOfType(dir + QStringLiteral("/Mine"), int(ExportFormat::PNG));
    view->exportLabel();
    ASSERT_EQ(answers->count(TestPrompts::SaveFileOfType), 1);
    const TestPrompts::Call call = answers->last();
    ASSERT_EQ(call.types.size(), exportFormatCount);
    for (int tag = 0; tag < exportFormatCount; ++tag) {
        EXPECT_EQ(call.types.at(tag).name, exportFormatTitle(ExportFormat(tag)));
        EXPECT_EQ(call.types.at(tag).extensions.first(), exportFormatExtension(ExportFormat(tag)));
    }
    // With no format chosen before, PDF is offered first.
    EXPECT_EQ(call.preselectedType, int(ExportFormat::PDF));
    EXPECT_FALSE(call.hadAccessory);
    EXPECT_EQ(QImage(dir + QStringLiteral("/Mine.png")).size(), QSize(144, 72));
    EXPECT_EQ(UserDefaults::standard().stringForKey(QStringLiteral("Export Format")), QStringLiteral("PNG"));

    answers->queueCancel();
    view->exportLabel();
    EXPECT_EQ(answers->last().preselectedType, int(ExportFormat::PNG));
    Prompts::install(std::move(previous));
}

namespace {

constexpr int FirstNamePk = 4;

// The export fixture's label with a merge field showing each record's first name, over a
// database of `count` records.
class MergedExport : public LabelExport
{
protected:
    void SetUp() override
    {
        LabelExport::SetUp();
        registerMergeKinds();
        const QString path = qmtest::freshDir(QStringLiteral("export-db")) + QStringLiteral("/Names.sqlite");
        QString error;
        ASSERT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
        db = Database::openDatabaseAtPath(path, &error);
        ASSERT_TRUE(db) << error.toStdString();
        for (int i = 0; i < 12; ++i) {
            db->fieldValues().clear();
            db->initFieldValues();
            db->fieldValues().insert(QStringLiteral("First_Name"), QStringLiteral("Name %1 W").arg(i * 7));
            db->insertRecord();
        }
        db->refreshBrowser();
        for (const dbBrowseField &row : db->browserArray())
            rows.append(row.primaryKey());
        auto field = ColorField::create(QRectF(4, 40, 130, 30));
        field->setPageName(view->getCurrPageName());
        view->addGraphic(field);
        field->setFieldPk(FirstNamePk);
        prompts = new TestPrompts;
        previous = Prompts::install(std::unique_ptr<Prompts>(prompts));
        folder = qmtest::freshDir(QStringLiteral("merged-export"));
    }
    void TearDown() override
    {
        Prompts::install(std::move(previous));
        if (Database::currentDatabase() == db.get())
            Database::setCurrentDatabase(nullptr);
    }

    // The names in the folder, sorted.
    QStringList entries() const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    std::unique_ptr<Database> db;
    QList<qint32> rows;
    TestPrompts *prompts = nullptr;
    std::unique_ptr<Prompts> previous;
    QString folder;
};

QImage pixels(const QString &path)
{
    QImageReader reader(path);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// The bitmaps of a sequential export are encoded on several threads: each file is still the
// one a single export of that record writes, pixel for pixel, and every record has its own.
TEST_F(MergedExport, BitmapFilesAreTheSingleExportOfEachRecord)
{
    for (const ExportFormat format : {ExportFormat::PNG, ExportFormat::TIFF}) {
        const QString extension = exportFormatExtension(format);
        const QString chosen = folder + QStringLiteral("/Seq.") + extension;
        db->initWithPrimaryKey(rows.at(2));
        EXPECT_EQ(view->exportSequentialFiles(chosen, int(format), 1, 12, 150.0), 12);
        // The record of before is current again.
        EXPECT_EQ(db->fieldValues().value(QStringLiteral("pk")).toLongLong(), rows.at(2));

        QImage previousImage;
        for (int k = 1; k <= 12; ++k) {
            ASSERT_TRUE(view->upDateDBFields(rows.at(k - 1)));
            const QString single = folder + QStringLiteral("/One%1.").arg(k) + extension;
            ASSERT_TRUE(view->exportLabelToFile(single, int(format), 150.0));
            const QImage sequential = pixels(sequentialExportPath(chosen, k, format));
            ASSERT_FALSE(sequential.isNull()) << k;
            EXPECT_EQ(sequential.size(), QSize(300, 150));
            EXPECT_TRUE(sequential == pixels(single)) << extension.toStdString() << " record " << k;
            EXPECT_FALSE(sequential == previousImage) << "record " << k << " shows the record before it";
            previousImage = sequential;
        }
    }
    EXPECT_EQ(prompts->count(TestPrompts::Alert), 0);
}

// A file that cannot be written stops the run there when the user says so: the files before
// it are written, none after it, and no half-written file is left; Continue writes the rest.
TEST_F(MergedExport, FailingFileStopsTheRunWhereItFails)
{
    const QString chosen = folder + QStringLiteral("/Seq.png");
    // A folder where record 5's file goes: it cannot be written over.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("Seq5.png")));

    prompts->queueAlert(Prompts::FirstButton);  // replace Seq5.png
    prompts->queueAlert(Prompts::SecondButton); // Stop
    EXPECT_EQ(view->exportSequentialFiles(chosen, int(ExportFormat::PNG), 1, 12, 72.0), 4);
    ASSERT_EQ(prompts->count(TestPrompts::Alert), 2);
    const TestPrompts::Call failure = prompts->last();
    EXPECT_EQ(failure.title, QStringLiteral("The label could not be exported."));
    EXPECT_TRUE(failure.message.contains(QStringLiteral("Seq5.png"))) << failure.message.toStdString();
    EXPECT_EQ(failure.buttons, (QStringList{QStringLiteral("Continue"), QStringLiteral("Stop")}));
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("Seq1.png"), QStringLiteral("Seq2.png"), QStringLiteral("Seq3.png"),
                                      QStringLiteral("Seq4.png"), QStringLiteral("Seq5.png")}));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Seq5.png")).isDir());
    EXPECT_FALSE(view->databasePreview());
    EXPECT_TRUE(view->undoManager()->isUndoRegistrationEnabled());

    // Continue past it: every other record is written, in full.
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("Seq5.png")));
    prompts->queueAlert(Prompts::FirstButton);
    prompts->queueAlert(Prompts::FirstButton); // Continue
    EXPECT_EQ(view->exportSequentialFiles(chosen, int(ExportFormat::PNG), 1, 12, 72.0), 11);
    QStringList expected;
    for (int k = 1; k <= 12; ++k)
        expected.append(QStringLiteral("Seq%1.png").arg(k));
    expected.sort();
    EXPECT_EQ(entries(), expected);
    for (int k : {1, 6, 12})
        EXPECT_FALSE(pixels(folder + QStringLiteral("/Seq%1.png").arg(k)).isNull()) << k;

    // The last file failing offers only OK and the run ends.
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("Seq12.png")));
    prompts->queueAlert(Prompts::FirstButton);
    prompts->queueAlert(Prompts::FirstButton);
    EXPECT_EQ(view->exportSequentialFiles(chosen, int(ExportFormat::PNG), 1, 12, 72.0), 11);
    EXPECT_EQ(prompts->last().buttons, QStringList{QStringLiteral("OK")});
}
