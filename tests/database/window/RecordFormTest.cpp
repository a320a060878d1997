// The record form writes back only what was edited, never shortens a value, edits long values
// in a multi-line editor, keeps group memberships it does not show, and undoes Clear in one step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "database/EditorFixture.h"
#include "database/window/RecordTextField.h"
#include "platform/UndoManager.h"

using namespace quillmark;
using dbtest::cli;

namespace {

class RecordForm : public dbtest::EditorFixture
{
protected:
    RecordTextField *field(int pk) { return qobject_cast<RecordTextField *>(editor().valueControlForPk(pk)); }

    // A database "Test" with one record holding these values.
    void openOne(const QVariantMap &values)
    {
        testPath = Database::pathForTitle("Test");
        ASSERT_TRUE(Database::createDatabaseAtPath(testPath));
        {
            Database db(testPath);
            db.initFieldsStructure();
            dbtest::addRecord(db, values);
        }
        launch();
    }
};

QString megabyte()
{
    QString text;
    text.reserve(1 << 20);
    while (text.size() < (1 << 20))
        text += QStringLiteral("Quillmark keeps every character \u00e9\u4e2d ");
    text.truncate(1 << 20);
    return text;
}

} // namespace

TEST_F(RecordForm, AOneMegabyteValueIsKeptWholeWhenAnotherFieldIsEdited)
{
    const QString big = megabyte();
    openOne({{"Last_Name", "Lee"}, {"User_Field_1", big}, {"Address", "1 Main St\r\nFlat 2\r\n"}});
    RecordTextField *user = field(20);
    ASSERT_TRUE(user);
    EXPECT_TRUE(user->showsLongValue());
    EXPECT_TRUE(user->isReadOnly());
    EXPECT_TRUE(user->editorAction()->isVisible());
    EXPECT_EQ(user->value(), big);
    EXPECT_TRUE(field(9)->showsLongValue());

    QTest::keyClicks(edit(7), "Brenholt");
    EXPECT_EQ(editor().changedColumns(), QStringList{"Company"});
    ASSERT_TRUE(editor().updateRecord());
    EXPECT_EQ(cli(testPath, "SELECT Company, length(User_Field_1), hex(Address) FROM dbtable;"),
              QString("Brenholt|%1|%2").arg(1 << 20).arg(QString(QByteArray("1 Main St\r\nFlat 2\r\n").toHex().toUpper())));
    Database check(testPath);
    check.initFieldsStructure();
    ASSERT_TRUE(check.initWithPrimaryKey(1));
    EXPECT_EQ(check.fieldValues().value("User_Field_1").toString(), big);
    Database::setCurrentDatabase(editor().database());
}

TEST_F(RecordForm, ALongValueIsEditedWholeInTheMultiLineEditor)
{
    const QString big = megabyte().left(60000);
    openOne({{"Last_Name", "Lee"}, {"User_Field_1", big}});
    view->show();
    QDialog *dialog = field(20)->openEditor();
    ASSERT_TRUE(dialog);
    auto *text = dialog->findChild<QPlainTextEdit *>();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->toPlainText(), big);
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "END");
    dialog->findChild<QDialogButtonBox *>()->buttons().first()->click();
    EXPECT_EQ(field(20)->value(), big + "END");
    // The field's own end of editing writes it, like a field typed into.
    EXPECT_FALSE(editor().dirty());
    EXPECT_EQ(cli(testPath, "SELECT length(User_Field_1), substr(User_Field_1, -6) FROM dbtable;"),
              QString("%1|%2").arg(big.size() + 3).arg(big.right(3) + "END"));

    // Made short and on one line again, it is edited in place.
    dialog = field(20)->openEditor();
    text = dialog->findChild<QPlainTextEdit *>();
    text->selectAll();
    QTest::keyClicks(text, "Short");
    dialog->findChild<QDialogButtonBox *>()->buttons().first()->click();
    EXPECT_FALSE(field(20)->showsLongValue());
    EXPECT_FALSE(field(20)->isReadOnly());
    EXPECT_EQ(field(20)->text(), "Short");
    EXPECT_EQ(cli(testPath, "SELECT User_Field_1 FROM dbtable;"), "Short");
}

TEST_F(RecordForm, TypedAndPastedTextIsNeverCut)
{
    openOne({{"Last_Name", "Lee"}});
    const QString pasted(40000, QChar('p'));
    QApplication::clipboard()->setText(pasted);
    QTest::keySequence(edit(21), QKeySequence::Paste);
    EXPECT_TRUE(editor().dirty());
    EXPECT_TRUE(editor().updateRecord());
    EXPECT_EQ(cli(testPath, "SELECT length(User_Field_2) FROM dbtable;"), "40000");
}

TEST_F(RecordForm, WhatWasNotEditedIsNotRewritten)
{
    // A date with seconds the form does not show, a text the form never saw, and memberships
    // of groups beyond the eight check boxes.
    openOne({{"Last_Name", "Lee"}, {"Date", "2024-03-05 14:30:45 +0000"}, {"Groups", (qint64(1) << 10) | 1}});
    cli(testPath, "UPDATE dbtable SET Zip='01234-5' WHERE pk=1;");
    dbtest::nextUserAction();
    editor().reloadBrowser();
    editor().selectRecordWithPk(1);
    const QString before = cli(testPath, "SELECT Date, Zip, Groups FROM dbtable;");
    ASSERT_EQ(before, "2024-03-05 14:30:45 +0000|01234-5|1025");

    QTest::keyClicks(edit(8), "Pilot");
    editor().groupControls().at(2)->click();
    EXPECT_EQ(editor().changedColumns(), (QStringList{"Title", "Groups"}));
    ASSERT_TRUE(editor().updateRecord());
    EXPECT_EQ(cli(testPath, "SELECT Date, Zip, Groups, Title FROM dbtable;"),
              "2024-03-05 14:30:45 +0000|01234-5|1029|Pilot");
    EXPECT_TRUE(editor().changedColumns().isEmpty());
}

TEST_F(RecordForm, ClearIsOneUndoStep)
{
    openTen();
    editor().selectRow(2);
    const qint64 pk = editor().formRecordPk();
    editor().clearAllFields();
    EXPECT_EQ(edit(6)->text(), "");
    // Moving on writes the cleared record.
    editor().selectRow(5);
    EXPECT_EQ(cli(testPath, QString("SELECT Last_Name, First_Name FROM dbtable WHERE pk=%1;").arg(pk)), "|");

    UndoManager *undo = editor().undoManager();
    undo->closeEventGroup();
    EXPECT_EQ(undo->undoActionName(), "Clear Record");
    undo->undo();
    EXPECT_EQ(cli(testPath, QString("SELECT Last_Name, First_Name FROM dbtable WHERE pk=%1;").arg(pk)), "Name03|First3");
    EXPECT_EQ(editor().formRecordPk(), pk);
    EXPECT_EQ(edit(6)->text(), "Name03");
    undo->closeEventGroup();
    ASSERT_TRUE(undo->canRedo());
    undo->redo();
    EXPECT_EQ(cli(testPath, QString("SELECT Last_Name, First_Name FROM dbtable WHERE pk=%1;").arg(pk)), "|");
    EXPECT_EQ(cli(testPath, "SELECT count(*) FROM dbtable;"), "10");
}

TEST_F(RecordForm, LabelsAndGroupTitlesShowTheirTextAsTyped)
{
    testPath = dbtest::makeNamedDatabase("Test", 1);
    cli(testPath, "INSERT INTO dbattributes (dbkey, dbvalue) VALUES ('Company', '<b>Firm</b>');"
                  "UPDATE dbgroups SET title='R&D' WHERE pk=1;");
    launch();
    QLabel *company = nullptr;
    for (QLabel *label : editor().fieldLabels())
        if (label->property("tag").toInt() == 1007)
            company = label;
    ASSERT_TRUE(company);
    EXPECT_EQ(company->textFormat(), Qt::PlainText);
    EXPECT_EQ(company->text(), "<b>Firm</b>:");
    QCheckBox *group = editor().groupControls().first();
    EXPECT_EQ(group->text(), "R&&D");
    EXPECT_EQ(group->toolTip(), "R&D");
}

TEST_F(RecordForm, ARecordWithoutADateShowsNoneAndKeepsNone)
{
    openOne({{"Last_Name", "Lee"}});
    cli(testPath, "UPDATE dbtable SET Date = NULL WHERE pk=1;");
    dbtest::nextUserAction();
    editor().reloadBrowser();
    editor().selectRecordWithPk(1);
    auto *picker = view->findChild<QDateTimeEdit *>("Date");
    ASSERT_TRUE(picker);
    EXPECT_TRUE(picker->text().trimmed().isEmpty()) << picker->text().toStdString();

    // Another field edited: the date stays empty in the file, not "now".
    QTest::keyClicks(edit(8), "Pilot");
    EXPECT_EQ(editor().changedColumns(), QStringList{"Title"});
    ASSERT_TRUE(editor().updateRecord());
    EXPECT_EQ(cli(testPath, "SELECT ifnull(Date, 'none'), Title FROM dbtable;"), "none|Pilot");

    // A design that remembers a record this database does not have opens without a word,
    // and the record shown stays.
    editor().selectRecordWithPk(4242);
    EXPECT_EQ(alerts(), 0);
    EXPECT_EQ(field(6)->text(), "Lee");
}
