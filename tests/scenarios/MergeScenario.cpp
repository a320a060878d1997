// A merged sheet: a database made and filled in the database editor, merge fields placed on
// the label, and Print Sequence of its records to a PDF file: each name on its own label, in
// the order of the records.
#include <QInputDialog>
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "Readers.h"
#include "Scenario.h"
#include "StockFigures.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"

using namespace quillmark;

namespace scenario {
namespace {

struct Person
{
    QString first;
    QString last;
};

// A quote and an accent among them, in the order the editor lists them whichever way it sorts.
const QList<Person> People = {{"Amélie", "D'Arcy"}, {"Bruno", "Evrard"}, {"Carl", "Foster"}, {"Dora", "Grant"}};
// The records printed: the first three.
constexpr int Printed = 3;

class MergedSheet : public Scenario
{
protected:
    QWidget *formField(const char *name)
    {
        QWidget *field = window()->findChild<QWidget *>(QLatin1String(name));
        EXPECT_TRUE(field && field->isVisible()) << "the record form shows no field " << name;
        return field;
    }
    void typeInto(const char *name, const QString &text)
    {
        auto *edit = qobject_cast<QLineEdit *>(formField(name));
        ASSERT_TRUE(edit) << name;
        edit->setFocus();
        typeText(text, edit);
    }
};

TEST_F(MergedSheet, RecordsTypedInTheEditorPrintInOrder)
{
    launch();

    // Database mode: a new database, which opens on its first, empty record; that one and
    // three more typed into the form.
    click(button(QStringLiteral("Database")));
    whenDialogOpens(QStringLiteral("the new database's title"), [this](QWidget *dialog) {
        auto *title = dialog->findChild<QLineEdit *>();
        ASSERT_TRUE(title);
        QTest::keyClicks(title, QStringLiteral("Guests"));
        click(button(QStringLiteral("OK"), dialog));
    });
    choose(QStringLiteral("Database/New Database"));
    for (const Person &person : People) {
        if (&person != &People.first())
            choose(QStringLiteral("Database/Add Record"));
        typeInto("First_Name", person.first);
        typeInto("Last_Name", person.last);
    }
    click(button(QStringLiteral("Design")));

    const QString database = dataHome() + QStringLiteral("/Brenholt/Quillmark/Databases/Guests.sqlite");
    EXPECT_EQ(sqliteRows(database, QStringLiteral("SELECT First_Name || ' ' || Last_Name FROM dbtable ORDER BY pk;")),
              (QStringList{"Amélie D'Arcy", "Bruno Evrard", "Carl Foster", "Dora Grant"}));

    // Two merge fields on the label, chosen from the field tool's menu.
    whenMenuPopsUp(QStringLiteral("First Name"));
    pickTool({"Database Object", "Merge Field"});
    clickCanvas({10, 10});
    whenMenuPopsUp(QStringLiteral("Last Name"));
    pickTool({"Database Object", "Merge Field"});
    clickCanvas({10, 38});
    EXPECT_EQ(canvas()->getRects().size(), 4);
    // Back in the select tool: a click on the empty label clears the selection, a click on
    // the first pair selects it.
    clickCanvas({150, 60});
    EXPECT_TRUE(canvas()->selectedObjects().isEmpty());
    clickCanvas({14, 14});
    EXPECT_FALSE(canvas()->selectedObjects().isEmpty());

    // Records 1 to 3 printed in sequence: one per label, in order.
    const QString pdf = userFile(QStringLiteral("Guests.pdf"));
    printToPdf(QStringLiteral("File/Print Sequence..."), pdf, [this](QWidget *panel) {
        if (QAbstractButton *more = button(QStringLiteral("Options >>"), panel))
            click(more);
        EXPECT_FALSE(button(QStringLiteral("Pages from"), panel)) << "the panel's own page range is shown";
        // The tab of the panel that holds the label range.
        for (QTabWidget *tabs : panel->findChildren<QTabWidget *>()) {
            for (int i = 0; i < tabs->count(); ++i) {
                const QList<QAbstractButton *> buttons = tabs->widget(i)->findChildren<QAbstractButton *>();
                if (std::any_of(buttons.begin(), buttons.end(),
                                [](QAbstractButton *b) { return b->text() == QLatin1String("Labels From-To"); }))
                    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier, tabs->tabBar()->tabRect(i).center());
            }
        }
        click(button(QStringLiteral("Labels From-To"), panel));
        for (const auto &[label, value] : {std::pair{"From:", "1"}, std::pair{"To:", "3"}}) {
            QSpinBox *box = nullptr;
            for (QLabel *candidate : panel->findChildren<QLabel *>())
                if (candidate->text() == QLatin1String(label) && candidate->isVisibleTo(panel))
                    box = qobject_cast<QSpinBox *>(candidate->buddy());
            ASSERT_TRUE(box && box->isEnabled()) << "no field " << label << " in the print panel";
            box->setFocus();
            box->selectAll();
            typeText(QString::fromLatin1(value), box);
            QTest::keyClick(box, Qt::Key_Tab);
        }
    });
    ASSERT_TRUE(dialogsAnswered());
    const QList<PdfPage> pages = readPdf(pdf);
    ASSERT_EQ(pages.size(), 1);
    for (int k = 0; k < Printed; ++k) {
        const QString words = pages.at(0).wordsIn(Avery5160::labelRect(k, 72.0)).join(QLatin1Char(' '));
        EXPECT_TRUE(words.contains(People[k].first)) << "label " << k + 1 << ": " << words.toStdString();
        EXPECT_TRUE(words.contains(People[k].last)) << "label " << k + 1 << ": " << words.toStdString();
    }
    EXPECT_TRUE(pages.at(0).wordsIn(Avery5160::labelRect(Printed, 72.0)).isEmpty())
        << "a label after the range is printed";
}

} // namespace
} // namespace scenario
