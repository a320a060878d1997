// Every way the window writes a PDF (and an EPS, read back as a PDF by Ghostscript) takes each
// picture to the page finely enough to print: a drawing at no less than 300 pixels to the inch
// of its printed size, a photo at its own pixels. pdfimages, an independent reader, lists each
// picture drawn and the pixels per inch it is drawn at.
#include "app/AppTestSupport.h"
#include "common/TestPrintPanels.h"

#include "database/store/Database.h"
#include "printing/ExportFormats.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>

using namespace quillmark;

namespace {

struct Listed
{
    QSize pixels;
    double ppiX = 0;
    double ppiY = 0;
    QString type;
};

// What `pdfimages -list` says of every picture drawn in a PDF.
QList<Listed> imagesIn(const QString &pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdfimages"));
    EXPECT_FALSE(tool.isEmpty()) << "pdfimages is needed";
    QProcess process;
    process.start(tool, {QStringLiteral("-list"), pdf});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdfimages failed on " << pdf.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    QList<Listed> listed;
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    for (const QString &line : lines.mid(2)) {
        const QStringList columns = line.trimmed().split(spaces, Qt::SkipEmptyParts);
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        if (columns.size() < 14)
            continue;
        listed.append({QSize(columns[3].toInt(), columns[4].toInt()), columns[12].toDouble(), columns[13].toDouble(),
                       columns[2]});
    }
    return listed;
}

// An EPS as a PDF, by Ghostscript, its pictures neither resampled nor recompressed.
QString asPdf(const QString &eps)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gs"));
    EXPECT_FALSE(tool.isEmpty()) << "gs is needed";
    const QString pdf = eps + QStringLiteral(".pdf");
    QProcess process;
    process.start(tool, {QStringLiteral("-q"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                         QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=pdfwrite"), QStringLiteral("-dEPSCrop"),
                         QStringLiteral("-dDownsampleColorImages=false"), QStringLiteral("-dDownsampleGrayImages=false"),
                         QStringLiteral("-dAutoFilterColorImages=false"), QStringLiteral("-dColorImageFilter=/FlateEncode"),
                         QStringLiteral("-sOutputFile=") + pdf, eps});
    if (!process.waitForFinished(300000) || process.exitCode() != 0) {
        ADD_FAILURE() << "gs failed on " << eps.toStdString() << ": " << process.readAllStandardError().toStdString();
        return {};
    }
    return pdf;
}

} // namespace

// A drawing placed at an inch or so and a photo of 24 megapixels on one label, printed to a PDF
// file, exported as the label's PDF and EPS, exported in sequence, and saved as the whole
// sheet's PDF and EPS.
TEST(PicturePdfWindow, EveryPdfTakesEachPictureAtThreeHundredPixelsAnInchOrItsOwnPixels)
{
    apptest::WindowFixture f(QStringLiteral("picture-pdf"));
    qmtest::ScopedTestPrintPanels panels;
    const QString dir = qmtest::freshDir(QStringLiteral("picture-pdf-files"));
    const QString drawing = dir + QStringLiteral("/bird.svg");
    {
        QFile file(drawing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\" viewBox=\"0 0 100 100\">"
                   "<circle cx=\"50\" cy=\"50\" r=\"40\" fill=\"#2060c0\"/>"
                   "<path d=\"M20 80 Q50 10 80 80\" stroke=\"#c02020\" stroke-width=\"3\" fill=\"none\"/></svg>");
    }
    const QSize photoPixels(6000, 4000);
    const QString photo = dir + QStringLiteral("/photo.jpg");
    {
        QImage image(photoPixels, QImage::Format_RGB32);
        image.fill(QColor(200, 180, 40));
        QPainter painter(&image);
        for (int x = 0; x < photoPixels.width(); x += 250)
            painter.fillRect(QRect(x, 0, 120, photoPixels.height()), QColor(30, 90, 160));
        painter.end();
        QImageWriter writer(photo, "jpeg");
        writer.setQuality(80);
        ASSERT_TRUE(writer.write(image));
    }
    for (const QString &path : {drawing, photo}) {
        f.canvas()->clearSelection();
        f.prompts->queuePath(path);
        f.trigger(QStringLiteral("Image"), QStringLiteral("Select Image File..."));
    }
    ASSERT_EQ(f.canvas()->getRects().size(), 2);
    // The drawing at an inch: as the clip-art is placed on a label.
    const GraphicPtr bird = f.canvas()->getRects().first();
    bird->setFrameBounds(QRectF(4, 4, 72, 72));
    bird->fitImage();
    const GraphicPtr picture = f.canvas()->getRects().last();
    const QSizeF birdSize = bird->imageFrame().size();
    const QSizeF photoSize = picture->imageFrame().size();

    struct Written
    {
        QString how;
        QString pdf;
    };
    QList<Written> written;
    const QString printed = dir + QStringLiteral("/printed.pdf");
    panels->queueSheetButton(QStringLiteral("Print"));
    panels->queuePrintToFile(printed);
    f.trigger(QStringLiteral("File"), QStringLiteral("Print..."));
    ASSERT_TRUE(QFile::exists(printed));
    written.append({QStringLiteral("File > Print... to a PDF file"), printed});

    f.prompts->queueSaveOfType(dir + QStringLiteral("/label"), int(ExportFormat::PDF));
    f.trigger(QStringLiteral("File"), QStringLiteral("Export..."));
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/label.pdf")));
    written.append({QStringLiteral("File > Export... PDF"), dir + QStringLiteral("/label.pdf")});

    f.prompts->queueSaveOfType(dir + QStringLiteral("/label"), int(ExportFormat::EPS));
    f.trigger(QStringLiteral("File"), QStringLiteral("Export..."));
    written.append({QStringLiteral("File > Export... EPS"), asPdf(dir + QStringLiteral("/label.eps"))});

    // In sequence, one label for each record of the current database.
    QString error;
    ASSERT_TRUE(Database::createDatabaseAtPath(dir + QStringLiteral("/Names.sqlite"), &error)) << error.toStdString();
    std::unique_ptr<Database> names = Database::openDatabaseAtPath(dir + QStringLiteral("/Names.sqlite"), &error);
    ASSERT_TRUE(names) << error.toStdString();
    names->initFieldValues();
    names->insertRecord();
    names->refreshBrowser();
    f.prompts->queueSaveOfType(dir + QStringLiteral("/each"), int(ExportFormat::PDF), [](QWidget *accessory) {
        const QList<QSpinBox *> fields = accessory->findChildren<QSpinBox *>();
        for (QSpinBox *field : fields)
            field->setValue(1);
    });
    // The File menu shown first, as the user opens it: the command is enabled with a database.
    for (QAction *top : f.window->menuBar()->actions())
        if (top->menu() && top->menu()->title() == QLatin1String("File"))
            emit top->menu()->aboutToShow();
    ASSERT_TRUE(f.menuItem(QStringLiteral("File"), QStringLiteral("Export Sequential..."))->isEnabled());
    f.trigger(QStringLiteral("File"), QStringLiteral("Export Sequential..."));
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/each1.pdf")));
    written.append({QStringLiteral("File > Export Sequential... PDF"), dir + QStringLiteral("/each1.pdf")});
    Database::setCurrentDatabase(nullptr);
    names.reset();

    f.prompts->queueSaveOfType(dir + QStringLiteral("/sheet.pdf"), 1);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/sheet.pdf")));
    written.append({QStringLiteral("File > Save As... PDF"), dir + QStringLiteral("/sheet.pdf")});

    f.prompts->queueSaveOfType(dir + QStringLiteral("/sheet.eps"), 2);
    f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
    ASSERT_TRUE(QFile::exists(dir + QStringLiteral("/sheet.eps")));
    written.append({QStringLiteral("File > Save As... EPS"), asPdf(dir + QStringLiteral("/sheet.eps"))});
    EXPECT_EQ(f.prompts->count(qmtest::TestPrompts::Alert), 0);

    for (const Written &each : written) {
        SCOPED_TRACE(each.how.toStdString());
        ASSERT_TRUE(QFile::exists(each.pdf)) << each.pdf.toStdString();
        const QList<Listed> images = imagesIn(each.pdf);
        // An EPS made of a page with transparency is the page flattened into one picture, at
        // 300 pixels an inch: every picture of it then is.
        QString report;
        for (const Listed &image : images)
            report += QStringLiteral("\n  %1 %2 x %3 at %4 x %5 to the inch")
                          .arg(image.type).arg(image.pixels.width()).arg(image.pixels.height()).arg(image.ppiX).arg(image.ppiY);
        bool photo = false;
        for (const Listed &image : images) {
            if (image.type != QLatin1String("image"))
                continue;
            if (image.pixels == photoPixels) {
                photo = true;
                continue;
            }
            EXPECT_GE(image.ppiX, 300.0) << report.toStdString();
            EXPECT_GE(image.ppiY, 300.0) << report.toStdString();
        }
        EXPECT_FALSE(images.isEmpty());
        if (!each.how.endsWith(QLatin1String("EPS"))) {
            EXPECT_TRUE(photo) << "the photo at its own pixels" << report.toStdString();
        }
    }
    // The photo's own pixels stand for more than 300 an inch at the size it is printed.
    EXPECT_GE(photoPixels.width() / (photoSize.width() / 72.0), 300.0);
    EXPECT_LE(birdSize.width(), 73.0);
}
