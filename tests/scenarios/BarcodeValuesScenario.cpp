// Barcodes that never scan to a wrong value: symbols placed and edited through the window,
// printed or exported as the user does, and read back with ZXing. What cannot be encoded
// prints no symbol at all; numbers counted down keep their width; the anchor keeps its edge.
#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include "Readers.h"
#include "Scenario.h"
#include "StockFigures.h"
#include "app/MainWindow.h"
#include "barcodes/BarcodeDrawer.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/TBarInfo.h"
#include "canvas/RectsView.h"
#include "inspector/AlignPage.h"
#include "inspector/BarcodePage.h"
#include "inspector/GeometryPage.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesTabButton.h"
#include "inspector/PropertiesView.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

namespace scenario {
namespace {

constexpr double Dpi = 300.0;

class BarcodeValues : public Scenario
{
protected:
    void start()
    {
        launch();
        chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));
    }

    // A barcode placed with the tool at `at` (page points); it is selected afterwards.
    std::shared_ptr<ColorBarcode> placeBarcode(const QPointF &at)
    {
        pickTool({"Barcode Object", "Barcode"});
        clickCanvas(at);
        const GraphicList &objects = canvas()->getRects();
        EXPECT_FALSE(objects.isEmpty());
        return objects.isEmpty() ? nullptr : std::dynamic_pointer_cast<ColorBarcode>(objects.last());
    }

    // The selected barcode's data typed into the drawer's field, ended with Return.
    void typeData(const QString &data)
    {
        QLineEdit *field = window()->barcodeDrawer()->dataField();
        ASSERT_TRUE(field->isVisible()) << "the drawer shows no data field";
        field->setFocus();
        field->selectAll();
        pressKey(Qt::Key_Backspace);
        typeText(data, field);
        pressKey(Qt::Key_Return);
    }

    // The symbology chosen in the drawer's pop-up with the arrow keys.
    void chooseType(int type)
    {
        QComboBox *symbology = window()->barcodeDrawer()->typePopUp();
        ASSERT_TRUE(symbology->isVisible()) << "the drawer shows no type pop-up";
        stepTo(symbology, symbology->findData(type));
    }

    // A closed pop-up stepped with the arrow keys to the item, as the keyboard chooses.
    void stepTo(QComboBox *popUp, int index)
    {
        ASSERT_GE(index, 0);
        popUp->setFocus();
        for (int steps = 0; popUp->currentIndex() != index && steps < 100; ++steps)
            QTest::keyClick(popUp, popUp->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
        settle();
        ASSERT_EQ(popUp->currentIndex(), index);
    }

    // Opens the inspector's page that holds `control`, as the user clicks its tab button.
    void showPageOf(QWidget *control)
    {
        for (PropertiesTabButton *tab : window()->propertiesView()->buttons()) {
            QWidget *page = window()->propertiesView()->pageWithTag(tab->tag());
            if (page && page->isAncestorOf(control) && !tab->isChecked())
                QTest::mouseClick(tab, Qt::LeftButton);
        }
        settle();
        ASSERT_TRUE(control->isVisible()) << control->objectName().toStdString() << " is not shown";
    }

    void clickButton(QAbstractButton *b)
    {
        ASSERT_TRUE(b->isEnabled()) << b->objectName().toStdString() << " is disabled";
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(8, b->height() / 2));
        settle();
    }

    // The symbols ZXing reads on label k of the first page, each box in page points of the label.
    QList<Symbol> symbolsOnLabel(const QImage &sheet, int k)
    {
        QList<Symbol> symbols = readSymbols(sheet.copy(Avery5160::labelRect(k, Dpi).toAlignedRect()));
        for (Symbol &symbol : symbols)
            symbol.box = QRectF(symbol.box.topLeft() * 72.0 / Dpi, symbol.box.size() * 72.0 / Dpi);
        std::sort(symbols.begin(), symbols.end(), [](const Symbol &a, const Symbol &b) { return a.box.top() < b.box.top(); });
        return symbols;
    }

    // A database of two text fields, its records typed into the form; back in design mode.
    void makeDatabase(const QList<QPair<QString, QString>> &records)
    {
        click(button(QStringLiteral("Database")));
        whenDialogOpens(QStringLiteral("the new database's title"), [this](QWidget *dialog) {
            auto *title = dialog->findChild<QLineEdit *>();
            ASSERT_TRUE(title);
            QTest::keyClicks(title, QStringLiteral("Goods"));
            click(button(QStringLiteral("OK"), dialog));
        });
        choose(QStringLiteral("Database/New Database"));
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (i > 0)
                choose(QStringLiteral("Database/Add Record"));
            for (const auto &[name, value] : {std::pair{"First_Name", records[i].first}, std::pair{"Last_Name", records[i].second}}) {
                if (value.isEmpty())
                    continue;
                auto *edit = window()->findChild<QLineEdit *>(QLatin1String(name));
                ASSERT_TRUE(edit && edit->isVisible()) << "the record form shows no field " << name;
                edit->setFocus();
                typeText(value, edit);
            }
        }
        click(button(QStringLiteral("Design")));
    }

    // The selected barcode bound to the field titled `title` on the Barcode page.
    void bindToField(const QString &title)
    {
        BarcodePage *page = window()->objectInfo()->barcodePage();
        showPageOf(page->rbDatabaseField);
        clickButton(page->rbDatabaseField);
        QComboBox *fields = page->pbBarFieldType;
        const int index = fields->findText(title);
        ASSERT_GE(index, 0) << "no field " << title.toStdString();
        stepTo(fields, index);
    }
};

// Two barcodes of twelve characters, one kept at its right edge and one at its centre with
// the anchor buttons, then shortened to one character each: printed, each symbol reads where its
// anchor held it.
TEST_F(BarcodeValues, AnchorButtonsKeepTheRightEdgeAndTheCentreInPrint)
{
    start();
    AlignPage *align = window()->objectInfo()->alignPage();
    const QString twelve = QStringLiteral("ABCDEFGHIJKL");

    const auto right = placeBarcode({12, 8});
    ASSERT_TRUE(right);
    typeData(twelve);
    showPageOf(align->brAnchorRight);
    clickButton(align->brAnchorRight);
    EXPECT_TRUE(align->brAnchorRight->isChecked());
    const QRectF rightBefore = right->frameBounds();

    clickCanvas({180, 60});
    const auto centre = placeBarcode({12, 40});
    ASSERT_TRUE(centre);
    typeData(twelve);
    showPageOf(align->brAnchorCenter);
    clickButton(align->brAnchorCenter);
    EXPECT_TRUE(align->brAnchorCenter->isChecked());
    EXPECT_FALSE(align->brAnchorRight->isChecked());
    const QRectF centreBefore = centre->frameBounds();

    // Typed anew, the barcodes shrink about their anchors.
    clickCanvas(rightBefore.center());
    typeData(QStringLiteral("A"));
    clickCanvas(centreBefore.center());
    typeData(QStringLiteral("B"));
    EXPECT_LT(right->frameBounds().width(), rightBefore.width() / 3);
    EXPECT_NEAR(right->frameBounds().right(), rightBefore.right(), 0.01);
    EXPECT_NEAR(centre->frameBounds().center().x(), centreBefore.center().x(), 0.01);

    // The saved file holds the anchors the objects read: 1 the right edge, 2 the centre.
    const QString design = userFile(QStringLiteral("Anchors.qkdoc"));
    prompts().queueSave(design);
    choose(QStringLiteral("File/Save"));
    const QVariantList objects = objectsOf(readPlist(design));
    ASSERT_EQ(objects.size(), 2);
    EXPECT_EQ(objects.at(0).toMap().value(QStringLiteral("Anchor")).toInt(), 1);
    EXPECT_EQ(objects.at(1).toMap().value(QStringLiteral("Anchor")).toInt(), 2);

    const QString pdf = userFile(QStringLiteral("Anchors.pdf"));
    printToPdf(QStringLiteral("File/Print..."), pdf);
    ASSERT_TRUE(dialogsAnswered());
    const QImage sheet = renderPdfPage(pdf, 0, Dpi);
    ASSERT_FALSE(sheet.isNull());
    for (int k : {0, 4, 29}) {
        const QList<Symbol> symbols = symbolsOnLabel(sheet, k);
        ASSERT_EQ(symbols.size(), 2) << "label " << k + 1;
        EXPECT_EQ(symbols.at(0).format, QStringLiteral("Code128"));
        EXPECT_EQ(symbols.at(0).text, QStringLiteral("A"));
        EXPECT_EQ(symbols.at(1).format, QStringLiteral("Code128"));
        EXPECT_EQ(symbols.at(1).text, QStringLiteral("B"));
        // The bars end 4 points inside the frame; the symbol is the frame less that margin.
        EXPECT_NEAR(symbols.at(0).box.right(), rightBefore.right() - 4.0, 1.5) << "label " << k + 1;
        EXPECT_NEAR(symbols.at(1).box.center().x(), centreBefore.center().x(), 1.5) << "label " << k + 1;
    }
}

// Records merged into an EAN-13 and a Code 128: a number with a blank after it reads as the
// number; a record with no number and one with more than a Code 128 holds print no symbol at
// all (their labels show why), and the Barcode page says why for the record shown.
TEST_F(BarcodeValues, MergedValuesThatMakeNoSymbolPrintNone)
{
    start();
    const QString tooLong(300, QLatin1Char('X'));
    makeDatabase({{QStringLiteral("4006381333931"), QStringLiteral("ABC")},
                  {QStringLiteral("9780306406157 "), QStringLiteral("DEF")},
                  {QStringLiteral(" "), tooLong}});

    const QString database = dataHome() + QStringLiteral("/Brenholt/Quillmark/Databases/Goods.sqlite");
    EXPECT_EQ(sqliteRows(database, QStringLiteral("SELECT length(First_Name) || ' ' || length(Last_Name) FROM dbtable ORDER BY pk;")),
              (QStringList{"13 3", "14 3", "1 300"}));
    const auto ean = placeBarcode({12, 8});
    ASSERT_TRUE(ean);
    chooseType(BarcodeType::Ean13);
    bindToField(QStringLiteral("First Name"));
    clickCanvas({180, 60});
    const auto code = placeBarcode({12, 42});
    ASSERT_TRUE(code);
    bindToField(QStringLiteral("Last Name"));
    ASSERT_GT(ean->fieldPk(), 0);
    ASSERT_GT(code->fieldPk(), 0);
    ASSERT_NE(ean->fieldPk(), code->fieldPk());

    // Before the records print, the user hears how many of them print without a barcode.
    prompts().clear();
    const QString pdf = userFile(QStringLiteral("Goods.pdf"));
    printToPdf(QStringLiteral("File/Print Sequence..."), pdf);
    ASSERT_TRUE(dialogsAnswered());
    QStringList told;
    for (const qmtest::TestPrompts::Call &call : prompts().calls())
        if (call.kind == qmtest::TestPrompts::Alert)
            told << call.message;
    EXPECT_TRUE(told.join(QLatin1Char('|')).contains(QStringLiteral("1 of 3 records"))) << told.join(QLatin1Char('|')).toStdString();
    const QImage sheet = renderPdfPage(pdf, 0, Dpi);
    ASSERT_FALSE(sheet.isNull());
    const QList<PdfPage> pages = readPdf(pdf);
    ASSERT_EQ(pages.size(), 1);

    QList<Symbol> first = symbolsOnLabel(sheet, 0);
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first.at(0).format, QStringLiteral("EAN-13"));
    EXPECT_EQ(first.at(0).text, QStringLiteral("4006381333931"));
    EXPECT_EQ(first.at(1).text, QStringLiteral("ABC"));

    // The blank after the number is no part of it.
    QList<Symbol> second = symbolsOnLabel(sheet, 1);
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second.at(0).text, QStringLiteral("9780306406157"));
    EXPECT_EQ(second.at(1).text, QStringLiteral("DEF"));

    // A blank alone is no number, and 300 characters are more than a Code 128 holds: neither
    // a code of zeros nor the first 255 characters, but the reason in their place.
    EXPECT_TRUE(symbolsOnLabel(sheet, 2).isEmpty()) << symbolsOnLabel(sheet, 2).value(0).text.toStdString();
    // The reasons are drawn where each symbol would stand: ink in both places.
    const QImage label = sheet.copy(Avery5160::labelRect(2, Dpi).toAlignedRect());
    auto inkIn = [&label](const QRectF &points) {
        const QRect area = QRectF(points.topLeft() * Dpi / 72.0, points.size() * Dpi / 72.0).toAlignedRect() & label.rect();
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(label.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    EXPECT_GT(inkIn(QRectF(0, 0, 189, 40)), 50) << "no reason where the EAN-13 stands";
    EXPECT_GT(inkIn(QRectF(0, 42, 189, 30)), 50) << "no reason where the Code 128 stands";
}

// Numbering comes with the stored form: a saved design given a countdown from 1000, and one
// given a sequence file that is not there, opened through File > Open.
TEST_F(BarcodeValues, CountdownsKeepTheirWidthAndAMissingSequenceFileWritesNothing)
{
    start();
    makeDatabase({{QStringLiteral("Ann"), QStringLiteral("A")},
                  {QStringLiteral("Bob"), QStringLiteral("B")},
                  {QStringLiteral("Cy"), QStringLiteral("C")}});
    ASSERT_TRUE(placeBarcode({12, 8}));
    clickCanvas({180, 60});
    const QString design = userFile(QStringLiteral("Numbers.qkdoc"));
    prompts().queueSave(design);
    choose(QStringLiteral("File/Save"));
    const QString xml = plistXml(design);
    ASSERT_TRUE(xml.contains(QStringLiteral("SequencePresent"))) << xml.left(400).toStdString();

    // The numbering keys set in the saved form, as another copy of the program leaves them.
    auto withKeys = [&xml](const QList<QPair<QString, QString>> &values) {
        QString changed = xml;
        for (const auto &[key, value] : values) {
            const QRegularExpression entry(QStringLiteral("<key>%1</key>\\s*(<string>[^<]*</string>|<string/>)").arg(key));
            EXPECT_TRUE(entry.match(changed).hasMatch()) << key.toStdString();
            changed.replace(entry, QStringLiteral("<key>%1</key><string>%2</string>").arg(key, value));
        }
        return changed;
    };
    auto openDesign = [this](const QString &name, const QString &text) {
        const QString path = userFile(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
        file.close();
        prompts().queuePath(path);
        choose(QStringLiteral("File/Open..."));
        EXPECT_EQ(window()->windowTitle(), QStringLiteral("Quillmark::") + name);
    };

    openDesign(QStringLiteral("Countdown.qkdoc"),
               withKeys({{QStringLiteral("SequencePresent"), QStringLiteral("YES")},
                         {QStringLiteral("SequencePrefix"), QString()},
                         {QStringLiteral("SequenceStart"), QStringLiteral("1000")},
                         {QStringLiteral("SequenceIncr"), QStringLiteral("-1")}}));
    const QString pdf = userFile(QStringLiteral("Countdown.pdf"));
    printToPdf(QStringLiteral("File/Print..."), pdf);
    ASSERT_TRUE(dialogsAnswered());
    const QImage sheet = renderPdfPage(pdf, 0, Dpi);
    ASSERT_FALSE(sheet.isNull());
    const QStringList counted = {QStringLiteral("1000"), QStringLiteral("0999"), QStringLiteral("0998")};
    for (int k = 0; k < 3; ++k) {
        const QList<Symbol> symbols = symbolsOnLabel(sheet, k);
        ASSERT_EQ(symbols.size(), 1) << "label " << k + 1;
        EXPECT_EQ(symbols.at(0).text, counted.at(k)) << "label " << k + 1;
    }

    // Export Sequential of the three records: each file shows its own record's number.
    prompts().clear();
    prompts().queueSave(userFile(QStringLiteral("Counted.png")));
    choose(QStringLiteral("File/Export Sequential..."));
    for (int k = 1; k <= 3; ++k) {
        const QString png = userFile(QStringLiteral("Counted%1.png").arg(k));
        const QImage image(png);
        ASSERT_FALSE(image.isNull()) << png.toStdString();
        const QList<Symbol> symbols = readSymbols(image);
        ASSERT_EQ(symbols.size(), 1) << png.toStdString();
        EXPECT_EQ(symbols.at(0).text, counted.at(k - 1)) << png.toStdString();
    }

    // A sequence file that is not there: printing and exporting say so, naming it, and write
    // no file at all.
    const QString gone = userFile(QStringLiteral("Gone numbers.txt"));
    openDesign(QStringLiteral("Listed.qkdoc"),
               withKeys({{QStringLiteral("SequencePresent"), QStringLiteral("YES")},
                         {QStringLiteral("SequencePrefix"), QString()},
                         {QStringLiteral("SequenceStart"), QStringLiteral("1")},
                         {QStringLiteral("SequenceFilePresent"), QStringLiteral("YES")},
                         {QStringLiteral("SequenceFilePath"), gone}}));
    auto toldOfTheFile = [this] {
        for (const qmtest::TestPrompts::Call &call : prompts().calls())
            if (call.kind == qmtest::TestPrompts::Alert && call.message.contains(QStringLiteral("Gone numbers.txt")))
                return true;
        return false;
    };
    // Print is refused before its sheet opens: no file and no printer is chosen.
    prompts().clear();
    choose(QStringLiteral("File/Print..."));
    EXPECT_TRUE(toldOfTheFile());
    EXPECT_TRUE(dialogsAnswered());
    prompts().clear();
    const QString single = userFile(QStringLiteral("Listed.png"));
    prompts().queueSave(single);
    choose(QStringLiteral("File/Export..."));
    EXPECT_TRUE(toldOfTheFile());
    EXPECT_FALSE(QFileInfo::exists(single));
    prompts().clear();
    prompts().queueSave(userFile(QStringLiteral("Each.png")));
    choose(QStringLiteral("File/Export Sequential..."));
    EXPECT_TRUE(toldOfTheFile());
    EXPECT_FALSE(QFileInfo::exists(userFile(QStringLiteral("Each1.png"))));
}

// A Code 128 and an EAN-13 of the default 9-mil bars, exported as PNG at 150 and 300 dots per
// inch with the pair moved across the label point by point: every file reads back whole, and
// where the resolution cannot keep the bars' width the user is told.
TEST_F(BarcodeValues, ExportedBitmapsReadAtEveryPositionAt150And300Dpi)
{
    start();
    const auto code = placeBarcode({12, 8});
    ASSERT_TRUE(code);
    clickCanvas({180, 60});
    const auto ean = placeBarcode({12, 40});
    ASSERT_TRUE(ean);
    chooseType(BarcodeType::Ean13);
    typeData(QStringLiteral("4006381333931"));
    ASSERT_EQ(code->getBarInfo().barW, 9.0);
    ASSERT_EQ(ean->getBarInfo().barW, 9.0);

    GeometryPage *geometry = window()->objectInfo()->geometryPage();
    for (int dpi : {150, 300}) {
        UserDefaults::standard().setString(QString::number(dpi), QStringLiteral("Export Res"));
        for (int x = 12; x <= 17; ++x) {
            for (const auto &barcode : {std::static_pointer_cast<ColorBarcode>(code), ean}) {
                clickCanvas(barcode->frameBounds().center());
                ASSERT_EQ(canvas()->selectedObjects().size(), 1);
                showPageOf(geometry->tvOriginX);
                geometry->tvOriginX->setFocus();
                geometry->tvOriginX->selectAll();
                typeText(QStringLiteral("%1 pt").arg(x), geometry->tvOriginX);
                pressKey(Qt::Key_Return);
                settle();
            }
            ASSERT_NEAR(code->frameBounds().x(), x, 0.01);
            ASSERT_NEAR(ean->frameBounds().x(), x, 0.01);

            const QString png = userFile(QStringLiteral("At %1 dpi from %2 pt.png").arg(dpi).arg(x));
            prompts().clear();
            prompts().queueSave(png);
            choose(QStringLiteral("File/Export..."));
            const QImage image(png);
            ASSERT_FALSE(image.isNull()) << png.toStdString();
            EXPECT_NEAR(image.width(), Avery5160::label.width() * dpi, 1.0);
            QList<Symbol> symbols = readSymbols(image);
            std::sort(symbols.begin(), symbols.end(), [](const Symbol &a, const Symbol &b) { return a.box.top() < b.box.top(); });
            ASSERT_EQ(symbols.size(), 2) << png.toStdString();
            EXPECT_EQ(symbols.at(0).format, QStringLiteral("Code128")) << png.toStdString();
            EXPECT_EQ(symbols.at(0).text, QStringLiteral("12345678912")) << png.toStdString();
            EXPECT_EQ(symbols.at(1).format, QStringLiteral("EAN-13")) << png.toStdString();
            EXPECT_EQ(symbols.at(1).text, QStringLiteral("4006381333931")) << png.toStdString();
            // 9 mils are 1.35 pixels at 150 dpi: drawn as one, a quarter narrower, and said so.
            // At 300 dpi three pixels are within a fifth.
            bool told = false;
            for (const qmtest::TestPrompts::Call &call : prompts().calls())
                told = told || (call.kind == qmtest::TestPrompts::Alert && call.message.contains(QStringLiteral("%1 dpi").arg(dpi)));
            EXPECT_EQ(told, dpi == 150) << png.toStdString();
        }
    }
}

// Every linear symbology of the drawer's pop-up with its default bars (9 mils, 2 taken for ink
// spread), exported as PNG at a spread of resolutions from 72 to 600 dpi, a thermal printer's
// 200 and 203 among them: each file reads back whole, or the export's note named a resolution
// at which it does. POSTNET, which ZXing does not read, is read by its bars in the barcode tests.
TEST_F(BarcodeValues, EveryLinearSymbologyExportedReadsAtASpreadOfResolutions)
{
    struct Sample
    {
        QString data;
        QString read;
    };
    const QHash<int, Sample> samples = {
        {BarcodeType::Code128B, {QStringLiteral("Quillmark-128"), QStringLiteral("Quillmark-128")}},
        {BarcodeType::Code128A, {QStringLiteral("SET A-42"), QStringLiteral("SET A-42")}},
        {BarcodeType::Code128C, {QStringLiteral("12345678"), QStringLiteral("12345678")}},
        {BarcodeType::UpcA, {QStringLiteral("03600029145"), QStringLiteral("036000291452")}},
        {BarcodeType::UpcE, {QStringLiteral("123456"), QStringLiteral("01234565")}},
        {BarcodeType::Ean13, {QStringLiteral("400638133393"), QStringLiteral("4006381333931")}},
        {BarcodeType::Ean8, {QStringLiteral("9638507"), QStringLiteral("96385074")}},
        // Bookland numbers typed as they are printed.
        {BarcodeType::BooklandIsbn, {QStringLiteral("0-306-40615-2"), QStringLiteral("9780306406157")}},
        {BarcodeType::BooklandIsbnPrefixed, {QStringLiteral("978-0-306-40615-7"), QStringLiteral("9780306406157")}},
        {BarcodeType::BooklandIssn, {QStringLiteral("0317-8471"), QStringLiteral("9770317847001")}},
        {BarcodeType::BooklandIsmn, {QStringLiteral("979-0-2600-0043-8"), QStringLiteral("9790260000438")}},
    };
    start();
    const auto barcode = placeBarcode({12, 8});
    ASSERT_TRUE(barcode);
    QComboBox *symbology = window()->barcodeDrawer()->typePopUp();
    int exported = 0;
    QStringList silent;
    for (int index = 0; index < symbology->count(); ++index) {
        const int type = symbology->itemData(index).toInt();
        if (type == BarcodeType::DataMatrix || type == BarcodeType::QRCode || type == BarcodeType::Postnet)
            continue;
        ASSERT_TRUE(samples.contains(type)) << "no data for " << symbology->itemText(index).toStdString();
        const Sample &sample = samples.value(type);
        clickCanvas(barcode->frameBounds().center());
        chooseType(type);
        typeData(sample.data);
        ASSERT_EQ(barcode->getBarInfo().widthAdjust, -2.0);
        // A scanner's line across the middle of the bars, the whole width of the label. (The
        // whole label, text and all, stops this ZXing's row merging on an assertion.)
        auto readsAcross = [&](const QString &file, int resolution) {
            const QImage image(file);
            const QRectF frame = barcode->frameBounds();
            const QRectF line(0, frame.y() + frame.height() * 0.45 - 3, image.width(), 6 * resolution / 72.0);
            const QList<Symbol> symbols = readUprightRetailSymbols(
                image.copy(QRectF(line.x(), line.y() * resolution / 72.0, line.width(), line.height()).toAlignedRect()));
            return symbols.size() == 1 && symbols.first().text == sample.read;
        };
        for (int dpi : {72, 96, 150, 200, 203, 300, 600}) {
            UserDefaults::standard().setString(QString::number(dpi), QStringLiteral("Export Res"));
            const QString png = userFile(QStringLiteral("%1 at %2 dpi.png").arg(type).arg(dpi));
            prompts().clear();
            prompts().queueSave(png);
            choose(QStringLiteral("File/Export..."));
            ++exported;
            if (readsAcross(png, dpi))
                continue;
            // Not read: the note must have named a resolution, and there the symbol reads.
            QString note;
            for (const qmtest::TestPrompts::Call &call : prompts().calls())
                if (call.kind == qmtest::TestPrompts::Alert)
                    note += call.message;
            const QRegularExpression named(QStringLiteral("Export at (\\d+) dpi"));
            const QRegularExpressionMatch match = named.match(note);
            bool readsThere = false;
            if (match.hasMatch()) {
                UserDefaults::standard().setString(match.captured(1), QStringLiteral("Export Res"));
                prompts().clear();
                prompts().queueSave(png);
                choose(QStringLiteral("File/Export..."));
                readsThere = readsAcross(png, match.captured(1).toInt());
            }
            if (!readsThere)
                silent << QStringLiteral("%1 at %2 dpi").arg(symbology->itemText(index)).arg(dpi);
        }
    }
    EXPECT_EQ(exported, samples.size() * 7);
    EXPECT_TRUE(silent.isEmpty()) << silent.join(QStringLiteral(", ")).toStdString();
}

} // namespace
} // namespace scenario
