// The side panel's sort and find panes on the real database window: sort levels with their
// directions and the tool bar's pop-ups, search boxes that find what is typed as typed (never
// as SQL), the quick find twinned with the browse field's box, and the panes' filter marks.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTest>

#include "database/EditorFixture.h"
#include "database/window/FieldTitlesModel.h"
#include "database/window/FieldTitlesView.h"
#include "database/window/FindView.h"
#include "database/window/PropertyViewButtonCell.h"
#include "database/window/RecordBrowserModel.h"
#include "database/window/SortDatabaseView.h"

using namespace quillmark;
using dbtest::cli;

namespace {

class DatabasePanes : public dbtest::EditorFixture
{
protected:
    // "Test" with these (last name, first name, company) records.
    void open(const QList<QStringList> &records)
    {
        testPath = Database::pathForTitle("Test");
        ASSERT_TRUE(Database::createDatabaseAtPath(testPath));
        {
            Database db(testPath);
            db.initFieldsStructure();
            for (const QStringList &r : records)
                dbtest::addRecord(db, {{"Last_Name", r.value(0)}, {"First_Name", r.value(1)}, {"Company", r.value(2)}});
        }
        launch();
    }

    QStringList rows()
    {
        QStringList values;
        for (const dbBrowseField &row : editor().browserModel()->rows())
            values << row.value;
        return values;
    }

    // The user's choice of an item in a pop-up.
    static void choose(QComboBox *popup, const QString &title)
    {
        const int index = popup->findText(title);
        ASSERT_GE(index, 0) << title.toStdString();
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }

    static void clickBox(QCheckBox *box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

    static QStringList items(QComboBox *popup, bool enabledOnly = false)
    {
        QStringList titles;
        auto *model = qobject_cast<QStandardItemModel *>(popup->model());
        for (int i = 0; i < popup->count(); ++i)
            if (!enabledOnly || model->item(i)->isEnabled())
                titles << popup->itemText(i);
        return titles;
    }

    bool filterMark(int tag) { return view->propertiesView()->buttonWithTag(tag)->filter(); }

    SortDatabaseView *sort() { return pane<SortDatabaseView>(1); }
    FindView *find() { return pane<FindView>(5); }
    QLineEdit *box(const char *column) { return find()->fieldForColumn(column); }
    QString setting(const char *key) { return cli(testPath, QString("SELECT dbvalue FROM dbattributes WHERE dbkey='%1';").arg(key)); }
};

const QList<QStringList> kIrish = {
    {"O'Brien", "Ann", "Harbour Ltd"},   {"Obrien", "Bob", "Harbour Ltd"},    {"O'Brien-Smith", "Cara", "Quay"},
    {"Brien", "Dan", "Quay"},            {"Hack %' OR '1'='1", "Eve", "Quay"}, {"Brennan", "Fay", "Harbour Ltd"},
};

} // namespace

TEST_F(DatabasePanes, FindBoxesFindWhatIsTypedAndNeverRunItAsSql)
{
    open(kIrish);
    ASSERT_TRUE(find());
    ASSERT_TRUE(box("Last_Name"));
    EXPECT_EQ(rows().size(), 6);

    QTest::keyClicks(box("Last_Name"), "O'Brien");
    EXPECT_EQ(rows(), QStringList({"O'Brien", "O'Brien-Smith"}));
    EXPECT_EQ(editor().database()->searchString().sql, "( qm_contains(\"Last_Name\", ?))");
    EXPECT_TRUE(filterMark(5));
    // The browse field's box and the quick find are twins.
    EXPECT_EQ(view->browserSearch()->text(), "O'Brien");

    // The first record found is the one the form shows.
    EXPECT_EQ(editor().selectedRecordIndex(), 0);
    EXPECT_EQ(view->findChild<QLineEdit *>("Last_Name")->text(), "O'Brien");
    box("Last_Name")->clear();
    EXPECT_EQ(rows().size(), 6);
    // The record found stays selected in the whole list; the counts follow.
    EXPECT_EQ(rows().value(editor().selectedRecordIndex()), "O'Brien");
    EXPECT_EQ(text("filteredCount"), "6");
    EXPECT_FALSE(filterMark(5));
    QTest::keyClicks(box("Last_Name"), "%' OR '1'='1");
    EXPECT_EQ(rows(), QStringList({"Hack %' OR '1'='1"}));
    box("Last_Name")->clear();
    QTest::keyClicks(box("Last_Name"), "x' OR '1'='1");
    EXPECT_TRUE(rows().isEmpty());
    QTest::keyClicks(box("First_Name"), "'; DROP TABLE dbtable; --");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "6");
    EXPECT_EQ(alerts(), 0);

    // Two boxes: both conditions.
    box("Last_Name")->clear();
    box("First_Name")->clear();
    QTest::keyClicks(box("Last_Name"), "brien");
    EXPECT_EQ(rows().size(), 4);
    QTest::keyClicks(box("Company"), "Quay");
    EXPECT_EQ(rows(), QStringList({"Brien", "O'Brien-Smith"}));
    EXPECT_EQ(editor().database()->searchString().sql, "( qm_contains(\"Last_Name\", ?) and qm_contains(\"Company\", ?))");
}

TEST_F(DatabasePanes, FindFoldsCaseInEveryScriptAndTheListSortsAsTheLanguageDoes)
{
    open({{"S\u00F8rensen", "S\u00F8ren", ""}, {"Smith", "Ann", ""}, {"\u00D8rsted", "Hans", "Stra\u00DFe AG"}, {"\u00D1\u00FA\u00F1ez", "Mar\u00EDa", ""}});
    // Sorted by last name in the user's language, not by the bytes of the names.
    EXPECT_EQ(rows(), QStringList({"\u00D1\u00FA\u00F1ez", "\u00D8rsted", "Smith", "S\u00F8rensen"}));

    // The quick find ignores case in any script, and the form shows what it found.
    QTest::keyClicks(view->browserSearch(), "\u00F8rsted");
    EXPECT_EQ(rows(), QStringList({"\u00D8rsted"}));
    EXPECT_EQ(editor().selectedRecordIndex(), 0);
    EXPECT_EQ(view->findChild<QLineEdit *>("First_Name")->text(), "Hans");
    view->browserSearch()->selectAll();
    QTest::keyClick(view->browserSearch(), Qt::Key_Backspace);
    EXPECT_EQ(rows().size(), 4);
    QTest::keyClicks(box("Company"), "STRASSE");
    EXPECT_EQ(rows(), QStringList({"\u00D8rsted"}));
    box("Company")->clear();
    QTest::keyClicks(box("First_Name"), "MAR\u00CDA");
    EXPECT_EQ(rows(), QStringList({"\u00D1\u00FA\u00F1ez"}));
    EXPECT_EQ(view->findChild<QLineEdit *>("Last_Name")->text(), "\u00D1\u00FA\u00F1ez");
    EXPECT_EQ(alerts(), 0);
}

TEST_F(DatabasePanes, OnlyShownSearchableTextAndNumberFieldsGetABox)
{
    open(kIrish);
    QStringList columns;
    for (QLineEdit *field : find()->fields())
        columns << FindView::identifierOf(field);
    // Date and Photo never, nor Groups (no flags).
    EXPECT_EQ(columns.size(), 21);
    EXPECT_FALSE(columns.contains("Date"));
    EXPECT_FALSE(columns.contains("Photo"));
    EXPECT_FALSE(columns.contains("Groups"));
    EXPECT_EQ(columns.first(), "Salutation");
    EXPECT_EQ(box("First_Name")->placeholderText(), "First Name");
    EXPECT_EQ(find()->height(), 5 + 21 * 25);

    // A field without the find flag gets none.
    cli(testPath, "UPDATE fields SET flags = 239 WHERE title = 'Company';");
    view.reset();
    launch();
    EXPECT_FALSE(box("Company"));
    EXPECT_TRUE(box("Last_Name"));
}

TEST_F(DatabasePanes, TheQuickFindFiltersThroughItsTwinBoxOnly)
{
    open(kIrish);
    QLineEdit *quick = view->browserSearch();
    EXPECT_EQ(FindView::identifierOf(quick), "Last_Name");
    EXPECT_TRUE(quick->isEnabled());
    QTest::keyClicks(quick, "Bren");
    EXPECT_EQ(box("Last_Name")->text(), "Bren");
    EXPECT_EQ(rows(), QStringList({"Brennan"}));
    QTest::keyClick(quick, Qt::Key_Backspace);
    QTest::keyClick(quick, Qt::Key_Backspace);
    EXPECT_EQ(box("Last_Name")->text(), "Br");
    EXPECT_EQ(rows(), QStringList({"Brennan", "Brien", "O'Brien", "O'Brien-Smith", "Obrien"}));

    // Browsing by Company: the quick find is the Company box's twin, and shows its text.
    QTest::keyClicks(box("Company"), "Harb");
    choose(view->browseByPopup(), "Company");
    EXPECT_EQ(FindView::identifierOf(quick), "Company");
    EXPECT_EQ(quick->text(), "Harb");
    EXPECT_EQ(rows(), QStringList({"Harbour Ltd", "Harbour Ltd", "Harbour Ltd"}));

    // Hidden, the Company field has no box: the quick find has nothing to search and rests.
    auto *fields = pane<FieldTitlesView>(2);
    const QList<FieldTitlesModel::Row> &titleRows = fields->model()->rows();
    int company = -1;
    for (int i = 0; i < titleRows.size(); ++i)
        if (titleRows.at(i).title == "Company")
            company = i;
    ASSERT_GE(company, 0);
    ASSERT_TRUE(fields->model()->setData(fields->model()->index(company, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(box("Company"));
    EXPECT_FALSE(quick->isEnabled());
    EXPECT_TRUE(quick->text().isEmpty());
    // The rebuilt pane starts empty, and so does the filter.
    EXPECT_TRUE(box("Last_Name")->text().isEmpty());
    EXPECT_TRUE(editor().database()->searchString().isEmpty());
    EXPECT_EQ(rows().size(), 6);
    EXPECT_FALSE(filterMark(5));
}

TEST_F(DatabasePanes, SortLevelsWithDirectionsAndNoneRestingTheLevelsBelow)
{
    open({{"Lee", "Ann"}, {"Lee", "Zoe"}, {"Abe", "Max"}, {"Lee", "Bob"}});
    SortDatabaseView *pane = sort();
    ASSERT_TRUE(pane);
    choose(view->browseByPopup(), "First Name");
    EXPECT_EQ(rows(), QStringList({"Max", "Ann", "Zoe", "Bob"}));
    EXPECT_EQ(pane->levelPopup(1)->currentText(), "Last Name");
    EXPECT_EQ(pane->levelPopup(2)->currentText(), "None");
    EXPECT_TRUE(pane->orderBox(1)->isChecked());
    EXPECT_FALSE(pane->orderBox(2)->isEnabled());
    EXPECT_FALSE(pane->levelPopup(3)->isEnabled());
    EXPECT_FALSE(pane->orderBox(3)->isEnabled());

    editor().selectRow(2); // Zoe
    choose(pane->levelPopup(2), "First Name");
    EXPECT_EQ(setting("sortField2"), "First Name");
    EXPECT_TRUE(pane->orderBox(2)->isEnabled());
    EXPECT_TRUE(pane->levelPopup(3)->isEnabled());
    EXPECT_EQ(rows(), QStringList({"Max", "Ann", "Bob", "Zoe"}));
    // The selected record stays selected where the new order puts it.
    EXPECT_EQ(editor().selectedRecordIndex(), 3);
    clickBox(pane->orderBox(2));
    EXPECT_EQ(setting("sortOrder2"), "1");
    EXPECT_EQ(rows(), QStringList({"Max", "Zoe", "Bob", "Ann"}));
    EXPECT_EQ(editor().selectedRecordIndex(), 1);

    choose(pane->levelPopup(2), "None");
    EXPECT_EQ(setting("sortField2"), "");
    EXPECT_FALSE(pane->orderBox(2)->isEnabled());
    EXPECT_FALSE(pane->levelPopup(3)->isEnabled());
    EXPECT_FALSE(pane->orderBox(3)->isEnabled());

    // Level 1 and the tool bar's sort pop-up show the same field, whichever is used.
    clickBox(pane->orderBox(1));
    EXPECT_EQ(setting("sortOrder1"), "1");
    EXPECT_EQ(rows().first(), "Ann");
    choose(pane->levelPopup(1), "First Name");
    EXPECT_EQ(view->sortByPopup()->currentText(), "First Name");
    EXPECT_EQ(rows(), QStringList({"Zoe", "Max", "Bob", "Ann"}));
    choose(view->sortByPopup(), "Last Name");
    EXPECT_EQ(pane->levelPopup(1)->currentText(), "Last Name");
    EXPECT_EQ(setting("sortField1"), "Last Name");
}

TEST_F(DatabasePanes, ThePopupsOfferTheSortableFieldsAndRestTheHiddenOnes)
{
    open({{"Lee", "Ann"}});
    const QStringList sortable = items(sort()->levelPopup(1));
    EXPECT_EQ(sortable.size(), 22);
    EXPECT_EQ(sortable.first(), "Date");
    EXPECT_FALSE(sortable.contains("Photo"));
    EXPECT_FALSE(sortable.contains("Groups"));
    EXPECT_EQ(items(sort()->levelPopup(2)), QStringList({"None"}) + sortable);
    EXPECT_EQ(items(view->sortByPopup()), sortable);
    EXPECT_EQ(items(view->browseByPopup()), sortable);

    // Hiding Middle Name rests its items; a new title shows everywhere.
    auto *fields = pane<FieldTitlesView>(2);
    const int middle = 4; // Date, Photo, Salutation, First Name, Middle Name
    ASSERT_EQ(fields->model()->rows().at(middle).title, "Middle Name");
    fields->model()->setData(fields->model()->index(middle, 0), Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_FALSE(items(view->browseByPopup(), true).contains("Middle Name"));
    EXPECT_TRUE(items(view->browseByPopup()).contains("Middle Name"));
    fields->model()->setData(fields->model()->index(3, 1), "Given Name", Qt::EditRole);
    for (QComboBox *popup : {sort()->levelPopup(1), sort()->levelPopup(3), view->sortByPopup(), view->browseByPopup()})
        EXPECT_TRUE(items(popup).contains("Given Name"));
}
