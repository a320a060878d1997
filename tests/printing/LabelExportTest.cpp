// The label export through the canvas: every format read back by an independent reader, the
// render resolution, and the files of a sequential export.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>

#include "canvas/CanvasTestSupport.h"
#include "common/TestPrompts.h"
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
