// Every command that prints or writes labels numbers them by one rule: a label's sequence value
// follows its record's place in a run of the whole list (for Print, which shows one record on
// every label, the label's place on the sheet), whatever part of the list the command is given.
// Each such command of the File menu runs over the whole list, records 2 to 3, From 3 on, and
// the last record alone; every label is read back with ZXing from the printed PDF (rasterised
// by poppler) or from the file written.
#include <QAbstractButton>
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QSet>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <optional>

#include "Readers.h"
#include "Scenario.h"
#include "StockFigures.h"
#include "app/MainWindow.h"
#include "app/MenuValidator.h"
#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/window/DatabaseView.h"
#include "platform/UserDefaults.h"
#include "printing/ExportFormats.h"
#include "printing/PrintingPanel.h"

using namespace quillmark;

namespace scenario {
namespace {

constexpr double Dpi = 300.0;
const QStringList Names{"Ada", "Bo", "Cyd", "Dee"};

// A part of a run: From and To as the user gives them; none means the whole run, and a To
// left out keeps what the command shows.
struct Range
{
    const char *name;
    std::optional<int> from;
    std::optional<int> to;
    bool toLast = false; // From is the command's last label as well
};
const Range Ranges[] = {
    {"all", std::nullopt, std::nullopt},
    {"2-3", 2, 3},
    {"From 3", 3, std::nullopt},
    {"the last", std::nullopt, std::nullopt, true},
};

// What a run printed or wrote: the number read on each label, by its label (counted from 1)
// in the whole run, and how many labels the command counted.
struct Read
{
    QMap<int, QString> numbers;
    int count = 0;
};

class RunNumbering : public Scenario
{
protected:
    void start()
    {
        launch();
        chooseStockBySearch(QStringLiteral("5160"), QStringLiteral("Address Labels 5160"));
        UserDefaults::standard().setString(QString::number(int(Dpi)), QStringLiteral("Export Res"));
        makeDatabase();
        pickTool({"Barcode Object", "Barcode"});
        clickCanvas({12, 8});
        barcode = std::dynamic_pointer_cast<ColorBarcode>(canvas()->getRects().value(0));
        ASSERT_TRUE(barcode);
        // Numbering comes with the design's stored form; no control edits it.
        TSequence sequence;
        sequence.isPresent = 1;
        sequence.counter = "100";
        sequence.increment = "7";
        barcode->setSequenceInfo(sequence);
        clickCanvas({180, 60});
    }

    // A database of the names typed into its form; back in design mode.
    void makeDatabase()
    {
        click(button(QStringLiteral("Database")));
        whenDialogOpens(QStringLiteral("the new database's title"), [this](QWidget *dialog) {
            auto *title = dialog->findChild<QLineEdit *>();
            ASSERT_TRUE(title);
            QTest::keyClicks(title, QStringLiteral("Numbered"));
            click(button(QStringLiteral("OK"), dialog));
        });
        choose(QStringLiteral("Database/New Database"));
        for (qsizetype i = 0; i < Names.size(); ++i) {
            if (i > 0)
                choose(QStringLiteral("Database/Add Record"));
            auto *edit = window()->findChild<QLineEdit *>(QStringLiteral("First_Name"));
            ASSERT_TRUE(edit && edit->isVisible()) << "the record form shows no first name";
            edit->setFocus();
            typeText(Names.at(i), edit);
        }
        click(button(QStringLiteral("Design")));
    }

    // Record k (counted from 1) made current with a click on its row in the record browser.
    void showRecord(int k)
    {
        click(button(QStringLiteral("Database")));
        QTableView *browser = window()->modeSwitch()->databaseView()->browser();
        const QModelIndex row = browser->model()->index(k - 1, 0);
        ASSERT_TRUE(row.isValid()) << "no record " << k;
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, browser->visualRect(row).center());
        settle();
        click(button(QStringLiteral("Design")));
    }

    // The number of each label of a printed sheet, by its position (counted from 1).
    static QMap<int, QString> sheetNumbers(const QString &pdf)
    {
        QMap<int, QString> numbers;
        EXPECT_EQ(readPdf(pdf).size(), 1) << pdf.toStdString();
        const QImage sheet = renderPdfPage(pdf, 0, Dpi);
        EXPECT_FALSE(sheet.isNull()) << pdf.toStdString();
        for (int k = 0; k < Avery5160::count && !sheet.isNull(); ++k) {
            const QList<Symbol> symbols = readSymbols(sheet.copy(Avery5160::labelRect(k, Dpi).toAlignedRect()));
            EXPECT_LE(symbols.size(), 1) << pdf.toStdString() << " label " << k + 1;
            if (!symbols.isEmpty())
                numbers.insert(k + 1, symbols.first().text);
        }
        return numbers;
    }

    // The number a written file shows: a bitmap as written, a PDF rasterised.
    static std::optional<QString> fileNumber(const QString &path)
    {
        const QImage image = QFileInfo(path).suffix() == QLatin1String("pdf") ? renderPdfPage(path, 0, Dpi) : QImage(path);
        if (image.isNull())
            return std::nullopt;
        const QList<Symbol> symbols = readSymbols(image);
        EXPECT_EQ(symbols.size(), 1) << path.toStdString();
        return symbols.isEmpty() ? std::nullopt : std::optional<QString>(symbols.first().text);
    }

    // A print command with the range typed into the print panel's tab of the label range.
    Read print(const QString &command, const Range &range)
    {
        Read read;
        const QString pdf = userFile(QStringLiteral("%1 %2.pdf").arg(command.section(QLatin1Char('/'), -1).chopped(3), QLatin1String(range.name)));
        printToPdf(command, pdf, [&](QWidget *panel) {
            if (QAbstractButton *more = button(QStringLiteral("Options >>"), panel))
                click(more);
            for (QTabWidget *tabs : panel->findChildren<QTabWidget *>())
                for (int i = 0; i < tabs->count(); ++i)
                    if (!tabs->widget(i)->findChildren<QSpinBox *>().isEmpty()
                        && button(QStringLiteral("Labels From-To"), tabs->widget(i)))
                        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier, tabs->tabBar()->tabRect(i).center());
            QMap<QString, QSpinBox *> fields;
            for (QLabel *label : panel->findChildren<QLabel *>())
                if (auto *box = qobject_cast<QSpinBox *>(label->buddy()); box && label->isVisibleTo(panel))
                    fields.insert(label->text(), box);
            ASSERT_TRUE(fields.contains(QStringLiteral("From:")) && fields.contains(QStringLiteral("To:")))
                << "no label range in the print panel";
            read.count = fields.value(QStringLiteral("To:"))->value();
            const bool whole = !range.from && !range.toLast;
            click(button(whole ? QStringLiteral("All Labels") : QStringLiteral("Labels From-To"), panel));
            if (!whole)
                typeRange(fields.value(QStringLiteral("From:")), fields.value(QStringLiteral("To:")), range, read.count);
        });
        EXPECT_TRUE(dialogsAnswered());
        read.numbers = sheetNumbers(pdf);
        return read;
    }

    // Types the range's From and To into the two fields; `count` is the last label there is.
    void typeRange(QSpinBox *from, QSpinBox *to, const Range &range, int count)
    {
        auto type = [this](QSpinBox *box, int value) {
            ASSERT_TRUE(box->isEnabled());
            box->setFocus();
            box->selectAll();
            typeText(QString::number(value), box);
            QTest::keyClick(box, Qt::Key_Tab);
        };
        const int first = range.toLast ? count : range.from.value_or(1);
        type(from, first);
        if (range.to || range.toLast)
            type(to, range.toLast ? count : *range.to);
    }

    // Export Sequential of the range, its first and last record typed into the save panel's
    // accessory, in the format of `extension`.
    Read exportSequential(const Range &range, const QString &extension)
    {
        Read read;
        const QString base = userFile(QStringLiteral("Seq %1 ").arg(QLatin1String(range.name)));
        const std::optional<ExportFormat> format = exportFormatForExtension(extension);
        EXPECT_TRUE(format);
        prompts().queueSaveOfType(base + QLatin1Char('.') + extension, int(format.value_or(ExportFormat::PNG)),
                                  [&](QWidget *accessory) {
                                      QSpinBox *first = accessory->findChild<QSpinBox *>(QStringLiteral("tag1"));
                                      QSpinBox *last = accessory->findChild<QSpinBox *>(QStringLiteral("tag2"));
                                      ASSERT_TRUE(first && last) << "no record numbers in the export panel";
                                      read.count = last->value();
                                      // The first number keeps what was given last: the whole
                                      // list starts at 1.
                                      first->setValue(range.toLast ? read.count : range.from.value_or(1));
                                      if (range.to || range.toLast)
                                          last->setValue(range.toLast ? read.count : *range.to);
                                  });
        choose(QStringLiteral("File/Export Sequential..."));
        for (int k = 1; k <= read.count; ++k) {
            const QString path = base + QString::number(k) + QLatin1Char('.') + extension;
            if (!QFileInfo::exists(path))
                continue;
            if (const std::optional<QString> number = fileNumber(path))
                read.numbers.insert(k, *number);
        }
        return read;
    }

    // Export of each record of the range in turn, made current in the record browser first.
    Read exportEach(const Range &range, const QString &extension)
    {
        Read read;
        read.count = int(window()->modeSwitch()->databaseView()->browser()->model()->rowCount());
        const int first = range.toLast ? read.count : range.from.value_or(1);
        const int last = range.toLast ? read.count : range.to.value_or(read.count);
        for (int k = first; k <= last; ++k) {
            showRecord(k);
            const QString path = userFile(QStringLiteral("One %1 %2.%3").arg(QLatin1String(range.name)).arg(k).arg(extension));
            prompts().queueSave(path);
            choose(QStringLiteral("File/Export..."));
            if (const std::optional<QString> number = fileNumber(path))
                read.numbers.insert(k, *number);
        }
        return read;
    }

    std::shared_ptr<ColorBarcode> barcode;
};

// The labels a range selects out of `count`.
QList<int> labelsOf(const Range &range, int count)
{
    const int first = range.toLast ? count : range.from.value_or(1);
    const int last = range.toLast ? count : range.to.value_or(count);
    QList<int> labels;
    for (int k = first; k <= last; ++k)
        labels.append(k);
    return labels;
}

TEST_F(RunNumbering, EveryCommandAndRangeNumbersALabelAsTheWholeRunDoes)
{
    start();
    // The commands that print or write labels, as the File menu offers them.
    QStringList commands;
    for (QAction *item : window()->fileMenu()->actions()) {
        const QString action = MenuValidator::actionOfItem(item);
        if (action.startsWith(QLatin1String("print")) || action.startsWith(QLatin1String("export")))
            commands.append(QStringLiteral("File/") + item->text());
    }
    ASSERT_EQ(commands.size(), 4) << commands.join(QLatin1String(", ")).toStdString();

    // Every command's whole run, and the number every run gives label (or record) k.
    QMap<int, QString> whole;
    for (const QString &command : commands) {
        const QString action = MenuValidator::actionOfItem(menuItem(command));
        const QStringList extensions = action.startsWith(QLatin1String("print")) ? QStringList{QStringLiteral("pdf")}
                                                                                 : QStringList{QStringLiteral("png"), QStringLiteral("pdf")};
        for (const QString &extension : extensions) {
            const QString kind = command + QLatin1Char(' ') + extension;
            auto run = [&](const Range &range) {
                if (action.startsWith(QLatin1String("print")))
                    return print(command, range);
                return action.contains(QLatin1String("Sequen")) ? exportSequential(range, extension)
                                                                : exportEach(range, extension);
            };
            const Read all = run(Ranges[0]);
            ASSERT_EQ(all.numbers.keys(), labelsOf(Ranges[0], all.count)) << kind.toStdString();
            // One rule for every command: the whole runs agree label by label.
            for (auto it = all.numbers.cbegin(); it != all.numbers.cend(); ++it) {
                if (whole.contains(it.key()))
                    EXPECT_EQ(it.value(), whole.value(it.key())) << kind.toStdString() << " label " << it.key();
                else
                    whole.insert(it.key(), it.value());
            }
            for (const Range &range : Ranges) {
                if (!range.from && !range.toLast)
                    continue;
                const Read part = run(range);
                const QString where = kind + QLatin1Char(' ') + QLatin1String(range.name);
                EXPECT_EQ(part.numbers.keys(), labelsOf(range, part.count)) << where.toStdString();
                for (auto it = part.numbers.cbegin(); it != part.numbers.cend(); ++it)
                    EXPECT_EQ(it.value(), all.numbers.value(it.key())) << where.toStdString() << " label " << it.key();
            }
        }
    }
    // The whole run counts from the start value, one step a label.
    ASSERT_GE(whole.size(), Names.size());
    EXPECT_EQ(whole.value(1), QStringLiteral("100"));
    EXPECT_EQ(whole.value(2), QStringLiteral("107"));
    EXPECT_EQ(QSet<QString>(whole.cbegin(), whole.cend()).size(), whole.size());

    // The options sheet's preview shows the current record as its label prints: in Print
    // Sequence with its record's number, in Print as the sheet's first label.
    showRecord(3);
    for (const auto &[command, label] : {std::pair{"File/Print Sequence...", 3}, std::pair{"File/Print...", 1}}) {
        QList<Symbol> shown;
        whenDialogOpens(QStringLiteral("the print options sheet"), [&](QWidget *sheet) {
            auto *panel = qobject_cast<PrintingPanel *>(sheet);
            ASSERT_TRUE(panel);
            // Drawn at five times, 360 dots per inch: read as the sheets are, at 300.
            const QImage preview = panel->createObjectImage();
            shown = readSymbols(preview.scaledToWidth(preview.width() * 300 / 360, Qt::SmoothTransformation));
            click(button(QStringLiteral("Cancel"), sheet));
        });
        choose(QString::fromLatin1(command));
        ASSERT_TRUE(dialogsAnswered());
        ASSERT_EQ(shown.size(), 1) << command;
        EXPECT_EQ(shown.first().text, whole.value(label)) << command;
    }
}

} // namespace
} // namespace scenario
