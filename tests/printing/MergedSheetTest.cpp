// A merged 5160 sheet as users print it most: the catalogue's stock, three merge fields (one
// showing its title, one anchored on its right edge, composites among them), forty records
// over two pages, printed to PDF. Every word of the printed pages, with its place, is read back
// with poppler and compared with the reference written by the program before the print path
// was rebuilt for speed: the pages must not change.
//
// QM_WRITE_MERGED_REFERENCE=<file> writes the words to that file instead of comparing.
#include <gtest/gtest.h>

#include <poppler-qt6.h>

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTextStream>

#include "canvas/CanvasTestSupport.h"
#include "database/merge/ColorField.h"
#include "database/store/Database.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/merge/MergeKinds.h"
#include "printing/PrintJob.h"
#include "stock/DataSource.h"
#include "stock/TLabelType.h"

using namespace quillmark;

namespace {

constexpr int FullNamePk = 100;
constexpr int AddressPk = 9;
constexpr int CityStateZipPk = 101;
constexpr int Records = 40;
// Places are compared to a hundredth of a point.
constexpr double Tolerance = 0.01;

struct Word
{
    int page = 0;
    QString text;
    QRectF box;
};

QString referencePath()
{
    return QDir(qmtest::resourcesDir()).absoluteFilePath(QStringLiteral("../tests/printing/data/merged-5160.txt"));
}

QList<Word> wordsOf(const QString &pdf)
{
    QList<Word> words;
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    if (!document)
        return words;
    for (int p = 0; p < document->numPages(); ++p) {
        std::unique_ptr<Poppler::Page> page = document->page(p);
        for (const std::unique_ptr<Poppler::TextBox> &box : page->textList())
            words.append({p, box->text(), box->boundingBox()});
    }
    return words;
}

QString line(const Word &word)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
        .arg(word.page)
        .arg(word.box.x(), 0, 'f', 3)
        .arg(word.box.y(), 0, 'f', 3)
        .arg(word.box.width(), 0, 'f', 3)
        .arg(word.box.height(), 0, 'f', 3)
        .arg(word.text);
}

std::optional<Word> parse(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('\t'));
    if (parts.size() != 6)
        return std::nullopt;
    return Word{parts[0].toInt(),
                parts[5],
                QRectF(parts[1].toDouble(), parts[2].toDouble(), parts[3].toDouble(), parts[4].toDouble())};
}

class MergedSheet : public ::testing::Test, public canvastest::CanvasFixture
{
protected:
    void SetUp() override
    {
        canvastest::freshDefaults(QStringLiteral("merged-sheet"));
        registerMergeKinds();
        const QString path = qmtest::freshDir(QStringLiteral("merged-sheet-db")) + QStringLiteral("/Names.sqlite");
        QString error;
        ASSERT_TRUE(Database::createDatabaseAtPath(path, &error)) << error.toStdString();
        db = Database::openDatabaseAtPath(path, &error);
        ASSERT_TRUE(db) << error.toStdString();
        static const char *const first[] = {"Anna", "Bernd", "Chloé", "Dmitri", "Élodie", "Farid", "Grace"};
        static const char *const last[] = {"Müller", "Smith", "García-Núñez", "O'Brien", "Kowalski", "Nguyễn"};
        static const char *const streets[] = {"Oak Street", "Harbour Road", "Rue de la Paix", "", "Main St. & 5th"};
        static const char *const cities[] = {"Springfield", "Santa Cruz", "Portland", "Zürich", "Saint-Étienne"};
        db->beginTransaction();
        for (int i = 0; i < Records; ++i) {
            db->fieldValues().clear();
            db->initFieldValues();
            QVariantMap &values = db->fieldValues();
            values.insert(QStringLiteral("First_Name"), QString::fromUtf8(first[i % 7]));
            // Every eleventh name is long enough to reach past the label.
            QString lastName = QString::fromUtf8(last[i % 6]) + QLatin1Char(' ') + QString::number(i);
            if (i % 11 == 4)
                lastName += QStringLiteral(" Montgomery-Fitzwilliam of Westmorland");
            values.insert(QStringLiteral("Last_Name"), lastName);
            const QString street = QString::fromUtf8(streets[i % 5]);
            values.insert(QStringLiteral("Address"),
                          street.isEmpty() ? QString() : QStringLiteral("%1 %2").arg(10 + 7 * i).arg(street));
            values.insert(QStringLiteral("City"), QString::fromUtf8(cities[i % 5]));
            values.insert(QStringLiteral("State"), i % 2 ? QStringLiteral("CA") : QStringLiteral("OR"));
            values.insert(QStringLiteral("Zip"), QStringLiteral("%1").arg(97000 + 13 * i));
            db->insertRecord();
        }
        db->commitTransaction();
        db->refreshBrowser();
    }
    void TearDown() override
    {
        RectsView::mergeFieldPairMaker = nullptr;
        if (Database::currentDatabase() == db.get())
            Database::setCurrentDatabase(nullptr);
    }

    // The pair the merge-field tool makes for a click at the point, in the test font.
    GroupField *addField(int pk, QPointF at, qreal points)
    {
        RectsView::mergeFieldPairMaker = [at](CanvasServices *canvas, const QPointF &, int fieldPk) {
            const MergeFieldPair pair = createDBField(canvas, at, fieldPk);
            return std::pair<GraphicPtr, GraphicPtr>(pair.title, pair.contents);
        };
        view->createDBField(pk);
        auto *group = dynamic_cast<GroupField *>(view->groups().last().get());
        if (!group)
            return nullptr;
        for (ColorField *member : {group->titleObject(), group->contentsObject()})
            member->setTextSize(qmtest::testFont(points));
        return group;
    }

    void designSheet()
    {
        const QModelIndex index = view->dataSource()->modelIndexByName(QStringLiteral("5160"));
        const TLabelType *entry = view->dataSource()->labelTypeAt(index);
        ASSERT_TRUE(entry);
        view->setTLabel(entry->getLabelStruct());
        GroupField *name = addField(FullNamePk, QPointF(40, 6), 11);
        ASSERT_TRUE(name);
        name->setShowTitle(true);
        ASSERT_TRUE(addField(AddressPk, QPointF(14, 26), 10));
        GroupField *city = addField(CityStateZipPk, QPointF(60, 44), 12);
        ASSERT_TRUE(city);
        // The third keeps its right edge where the tool put it.
        city->contentsObject()->setAnchor(1);
        view->clearSelection();
    }

    QString print()
    {
        PrintJob job;
        job.sequence = true;
        for (const dbBrowseField &row : db->browserArray())
            job.recordKeys.append(row.primaryKey());
        const QString path = qmtest::freshDir(QStringLiteral("merged-sheet-pdf")) + QStringLiteral("/sheet.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        QString error;
        EXPECT_TRUE(view->printJob(printer, job, &error)) << error.toStdString();
        return path;
    }

    std::unique_ptr<Database> db;
};

} // namespace

TEST_F(MergedSheet, PrintsTheSameWordsAtTheSamePlacesAsBefore)
{
    designSheet();
    const QList<Word> words = wordsOf(print());
    ASSERT_FALSE(words.isEmpty());

    if (qEnvironmentVariableIsSet("QM_WRITE_MERGED_REFERENCE")) {
        QFile out(qEnvironmentVariable("QM_WRITE_MERGED_REFERENCE"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QTextStream stream(&out);
        for (const Word &word : words)
            stream << line(word) << '\n';
        // A run that writes the reference compares nothing: it must never pass as a check.
        FAIL() << "reference written to " << out.fileName().toStdString() << "; nothing was compared";
    }

    QFile in(referencePath());
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << referencePath().toStdString();
    QList<Word> expected;
    for (const QString &text : QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const std::optional<Word> word = parse(text);
        ASSERT_TRUE(word) << text.toStdString();
        expected.append(*word);
    }
    // Two pages: thirty labels and ten; every label shows its name, and its title.
    ASSERT_EQ(expected.size(), words.size());
    EXPECT_EQ(words.last().page, 1);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const Word &got = words.at(i);
        const Word &want = expected.at(i);
        SCOPED_TRACE(line(want).toStdString());
        EXPECT_EQ(got.page, want.page);
        EXPECT_EQ(got.text, want.text);
        EXPECT_NEAR(got.box.x(), want.box.x(), Tolerance);
        EXPECT_NEAR(got.box.y(), want.box.y(), Tolerance);
        EXPECT_NEAR(got.box.width(), want.box.width(), Tolerance);
        EXPECT_NEAR(got.box.height(), want.box.height(), Tolerance);
    }
}
