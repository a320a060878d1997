// The "Field Titles & Visibility" pane on the real database window: showing and hiding fields
// changes exactly their bit of "fieldsToView" and the form and find pane with it, renaming
// changes the form's label at once and tells the inspector, and dragging rows reorders the form.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTableView>
#include <QTest>

#include <memory>

#include "database/EditorFixture.h"
#include "database/window/FieldTitlesModel.h"
#include "database/window/FieldTitlesView.h"
#include "database/window/FindView.h"
#include "database/store/MergeContents.h"
#include "database/window/PropertyViewButtonCell.h"
#include "platform/NotificationCenter.h"

using namespace quillmark;
using dbtest::cli;

namespace {

class FieldTitlesPane : public dbtest::EditorFixture
{
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        openTen();
        titles = pane<FieldTitlesView>(2);
        ASSERT_TRUE(titles);
    }

    FieldTitlesModel *model() { return titles->model(); }
    int rowOf(const QString &title)
    {
        for (int i = 0; i < model()->rows().size(); ++i)
            if (model()->rows().at(i).title == title)
                return i;
        return -1;
    }
    // The user switches a row's check box.
    bool show(const QString &title, bool on)
    {
        return model()->setData(model()->index(rowOf(title), FieldTitlesModel::ShownColumn), on ? Qt::Checked : Qt::Unchecked,
                                Qt::CheckStateRole);
    }
    bool rename(const QString &title, const QString &to)
    {
        return model()->setData(model()->index(rowOf(title), FieldTitlesModel::TitleColumn), to, Qt::EditRole);
    }
    // A drag of one row dropped above another row (the row count: below the last).
    bool dragRow(int from, int to)
    {
        std::unique_ptr<QMimeData> data(model()->mimeData({model()->index(from, FieldTitlesModel::TitleColumn)}));
        if (!data || !data->hasFormat("FieldsTableViewDragAndDropDataType"))
            return false;
        if (!model()->canDropMimeData(data.get(), Qt::MoveAction, to, 0, {}))
            return false;
        return model()->dropMimeData(data.get(), Qt::MoveAction, to, 0, {});
    }
    QString setting(const char *key) { return cli(testPath, QString("SELECT dbvalue FROM dbattributes WHERE dbkey='%1';").arg(key)); }
    QLabel *label(int pk)
    {
        for (QLabel *l : editor().findChildren<QLabel *>(Qt::FindDirectChildrenOnly))
            if (l->property("tag").toInt() == pk + 1000)
                return l;
        return nullptr;
    }
    FindView *find() { return pane<FindView>(5); }
    bool filterMark() { return view->propertiesView()->buttonWithTag(2)->filter(); }

    FieldTitlesView *titles = nullptr;
};

} // namespace

TEST_F(FieldTitlesPane, ShowingAndHidingChangesExactlyThatFieldsBit)
{
    // The rows: every field with flags, in form order; Groups has none.
    ASSERT_EQ(model()->rows().size(), 23);
    EXPECT_EQ(model()->rows().first().title, "Date");
    EXPECT_EQ(rowOf("Groups"), -1);
    EXPECT_TRUE(titles->checkAllBox()->isChecked());
    EXPECT_FALSE(filterMark());

    ASSERT_TRUE(show("Company", false));
    // Company is the seventh field with flags: bit 6.
    EXPECT_EQ(setting("fieldsToView"), QString::number(-1 & ~(1 << 6)));
    EXPECT_FALSE(editor().valueControlForPk(7));
    EXPECT_FALSE(label(7));
    EXPECT_FALSE(find()->fieldForColumn("Company"));
    EXPECT_TRUE(find()->fieldForColumn("Title"));
    EXPECT_FALSE(titles->checkAllBox()->isChecked());
    EXPECT_TRUE(filterMark());
    ASSERT_TRUE(show("Email", false));
    EXPECT_EQ(setting("fieldsToView"), QString::number(-1 & ~(1 << 6) & ~(1 << 18)));

    // Shown again, every field is "all fields" once more.
    ASSERT_TRUE(show("Company", true));
    ASSERT_TRUE(show("Email", true));
    EXPECT_EQ(setting("fieldsToView"), "-1");
    EXPECT_TRUE(editor().valueControlForPk(7));
    EXPECT_TRUE(find()->fieldForColumn("Company"));
    EXPECT_TRUE(titles->checkAllBox()->isChecked());
    EXPECT_FALSE(filterMark());

    // The show-all box: none, then all.
    QTest::mouseClick(titles->checkAllBox(), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(setting("fieldsToView"), "0");
    EXPECT_TRUE(editor().valueControls().isEmpty());
    EXPECT_TRUE(find()->fields().isEmpty());
    EXPECT_EQ(find()->height(), 5);
    for (const FieldTitlesModel::Row &row : model()->rows())
        EXPECT_FALSE(row.shown);
    QTest::mouseClick(titles->checkAllBox(), Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(setting("fieldsToView"), "-1");
    EXPECT_EQ(editor().valueControls().size(), 23);
    // Records were never touched.
    EXPECT_EQ(cli(testPath, "SELECT Last_Name FROM dbtable WHERE pk=3;"), "Name03");
}

TEST_F(FieldTitlesPane, RenamingShowsAtOnceAndTellsTheInspector)
{
    int told = 0;
    int observer = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, MergeContents::DatabaseChangedNotification,
                                                    [&told](const Notification &) { ++told; });
    ASSERT_TRUE(rename("Company", "Employer"));
    EXPECT_GE(told, 1);
    EXPECT_EQ(cli(testPath, "SELECT dbvalue FROM dbattributes WHERE dbkey='Company';"), "Employer");
    EXPECT_EQ(label(7)->text(), "Employer:");
    EXPECT_EQ(model()->rows().at(rowOf("Employer")).title, "Employer");
    EXPECT_EQ(find()->fieldForColumn("Company")->placeholderText(), "Employer");
    EXPECT_EQ(view->browseByPopup()->findText("Employer") >= 0, true);

    // The same title again is no rename; an empty one brings back the field's own.
    told = 0;
    EXPECT_FALSE(rename("Employer", "Employer"));
    EXPECT_EQ(told, 0);
    ASSERT_TRUE(rename("Employer", "   "));
    EXPECT_EQ(label(7)->text(), "Company:");
    EXPECT_EQ(find()->fieldForColumn("Company")->placeholderText(), "Company");
    EXPECT_EQ(cli(testPath, "SELECT dbvalue FROM dbattributes WHERE dbkey='Company';"), "");
    // A title with markup or an ampersand is shown as typed.
    ASSERT_TRUE(rename("Title", "<b>Role</b> & rank"));
    EXPECT_EQ(label(8)->text(), "<b>Role</b> & rank:");
    EXPECT_EQ(label(8)->textFormat(), Qt::PlainText);
    NotificationCenter::defaultCenter().removeObserver(&observer);
}

TEST_F(FieldTitlesPane, DraggingARowReordersTheForm)
{
    const int email = rowOf("Email");
    ASSERT_EQ(email, 18);
    ASSERT_TRUE(dragRow(email, 0));
    EXPECT_EQ(model()->rows().first().title, "Email");
    EXPECT_TRUE(setting("fieldsOrderArray").startsWith("18:0:1:2:"));
    EXPECT_EQ(editor().valueControlForPk(19)->y(), 10);
    EXPECT_EQ(editor().valueControlForPk(1)->y(), 40);

    // Down to the very end, below the last row.
    ASSERT_TRUE(dragRow(0, model()->rowCount()));
    EXPECT_EQ(model()->rows().last().title, "Email");
    EXPECT_EQ(setting("fieldsOrderArray"), "0:1:2:3:4:5:6:7:8:9:10:11:12:13:14:15:16:17:19:20:21:22:18:23");
    EXPECT_GT(editor().valueControlForPk(19)->y(), editor().valueControlForPk(23)->y());
    // A drop on a row lands above it.
    std::unique_ptr<QMimeData> data(model()->mimeData({model()->index(0, 1)}));
    ASSERT_TRUE(model()->dropMimeData(data.get(), Qt::MoveAction, -1, -1, model()->index(3, 1)));
    EXPECT_EQ(model()->rows().at(2).title, "Date");
    // What is no drag of this table is refused.
    QMimeData other;
    other.setText("3");
    EXPECT_FALSE(model()->canDropMimeData(&other, Qt::MoveAction, 0, 0, {}));
    EXPECT_FALSE(model()->dropMimeData(&other, Qt::MoveAction, 0, 0, {}));

    // The order comes back with the next launch; an order naming fields twice or past the
    // end is read without them.
    cli(testPath, "UPDATE dbattributes SET dbvalue='5:5:99:x:4' WHERE dbkey='fieldsOrderArray';");
    view.reset();
    launch();
    titles = pane<FieldTitlesView>(2);
    EXPECT_EQ(model()->rows().at(0).title, "Last Name");
    EXPECT_EQ(model()->rows().at(1).title, "Middle Name");
    EXPECT_EQ(model()->rows().at(2).title, "Date");
    EXPECT_EQ(model()->rows().size(), 23);
}
