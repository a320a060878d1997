#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "common/TestPrompts.h"
#include "common/TestSupport.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>

using namespace quillmark;
using qmtest::ScopedTestPrompts;
using qmtest::TestPrompts;

TEST(Prompts, TheFakeAnswersInOrderAndRecordsEveryQuestion)
{
    ScopedTestPrompts guard;
    guard->queueAlert(Prompts::SecondButton);
    guard->queuePath("/tmp/a.qkdoc");

    Prompts &prompts = Prompts::current();
    EXPECT_EQ(&prompts, &guard.prompts());
    EXPECT_EQ(prompts.alert(nullptr, "Save?", "Changes", {"Save", "Don't Save", "Cancel"}), 1001);
    // Nothing queued: the default button.
    EXPECT_EQ(prompts.alert(nullptr, "Gone", "File missing", {}, Prompts::Critical), 1000);
    EXPECT_EQ(prompts.openFile(nullptr, "Open", "/tmp", {"qkdoc"}), "/tmp/a.qkdoc");
    EXPECT_TRUE(prompts.saveFile(nullptr, "Save", "/tmp", "Untitled", {"qkdoc"}).isNull());

    const auto &calls = guard->calls();
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].kind, TestPrompts::Alert);
    EXPECT_EQ(calls[0].title, "Save?");
    EXPECT_EQ(calls[0].buttons, (QStringList{"Save", "Don't Save", "Cancel"}));
    EXPECT_EQ(calls[1].style, Prompts::Critical);
    EXPECT_EQ(calls[2].kind, TestPrompts::OpenFile);
    EXPECT_EQ(calls[2].extensions, QStringList{"qkdoc"});
    EXPECT_EQ(calls[3].kind, TestPrompts::SaveFile);
    EXPECT_EQ(calls[3].defaultName, "Untitled");
    EXPECT_EQ(guard->count(TestPrompts::Alert), 2);
}

TEST(Prompts, PanelsCanBeCancelledAndAnsweredWithSeveralFiles)
{
    ScopedTestPrompts guard;
    guard->queueCancel();
    guard->queuePaths({"/a", "/b"});
    guard->queuePath("/folder");
    EXPECT_TRUE(Prompts::current().openFiles(nullptr, "Import", {}, {}).isEmpty());
    EXPECT_EQ(Prompts::current().openFiles(nullptr, "Import", {}, {}), (QStringList{"/a", "/b"}));
    EXPECT_EQ(Prompts::current().chooseFolder(nullptr, "Folder", "/"), "/folder");
    EXPECT_EQ(guard->last().kind, TestPrompts::ChooseFolder);
}

TEST(Prompts, TheGuardPutsThePreviousPromptsBack)
{
    Prompts *before = &Prompts::current();
    {
        ScopedTestPrompts outer;
        {
            ScopedTestPrompts inner;
            EXPECT_EQ(&Prompts::current(), &inner.prompts());
        }
        EXPECT_EQ(&Prompts::current(), &outer.prompts());
    }
    EXPECT_NE(dynamic_cast<QtPrompts *>(&Prompts::current()), nullptr);
    (void)before;
}

TEST(Prompts, AChosenNameTakesTheExtensionOfItsType)
{
    const Prompts::FileType tiff{"TIFF", {"tiff", "tif"}};
    EXPECT_EQ(quillmark::pathWithExtension("/tmp/sheet", tiff), "/tmp/sheet.tiff");
    EXPECT_EQ(quillmark::pathWithExtension("/tmp/sheet.TIF", tiff), "/tmp/sheet.TIF");
    EXPECT_EQ(quillmark::pathWithExtension("/tmp/sheet.pdf", tiff), "/tmp/sheet.pdf.tiff");
    EXPECT_EQ(quillmark::pathWithExtension("/tmp/a.b/sheet", tiff), "/tmp/a.b/sheet.tiff");
    EXPECT_EQ(quillmark::pathWithExtension("/tmp/sheet", Prompts::FileType{"Any", {}}), "/tmp/sheet");
}

TEST(Prompts, TheRealTypedSavePanelOffersOneFilterPerTypeAndShowsTheAccessory)
{
    const QList<Prompts::FileType> types = {{"Quillmark Document", {"qkdoc"}}, {"PDF", {"pdf"}}, {"EPS", {"eps"}}};
    QWidget accessory;
    auto *field = new QLineEdit(&accessory);
    QStringList seenFilters;
    bool accessoryInPanel = false;
    const QString dir = qmtest::freshDir("typed-save");
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seenFilters = dialog->nameFilters();
        accessoryInPanel = dialog->isAncestorOf(&accessory);
        field->setText("3");
        // The user picks the second entry of the panel's type pop-up.
        auto *typeMenu = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(typeMenu, nullptr);
        typeMenu->setCurrentIndex(1);
        dialog->selectFile(dir + "/sheet");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    quillmark::QtPrompts prompts;
    int chosen = 0;
    const QString path = prompts.saveFileOfType(nullptr, "Save As", dir, "Untitled", types, chosen, &accessory);
    EXPECT_EQ(seenFilters, QStringList({"Quillmark Document (*.qkdoc)", "PDF (*.pdf)", "EPS (*.eps)"}));
    EXPECT_TRUE(accessoryInPanel);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(path, dir + "/sheet.pdf");
    // The accessory is handed back, with what the user typed in it.
    EXPECT_EQ(accessory.findChild<QLineEdit *>(), field);
    EXPECT_EQ(field->text(), "3");
}

TEST(Prompts, TheFakeTypedSavePanelAnswersWithTypeAndAccessory)
{
    ScopedTestPrompts guard;
    QWidget accessory;
    auto *field = new QLineEdit(&accessory);
    guard->queueSaveOfType("/tmp/label", 2, [](QWidget *panel) { panel->findChild<QLineEdit *>()->setText("7"); });
    int chosen = 0;
    const QList<Prompts::FileType> types = {{"PNG", {"png"}}, {"JPEG", {"jpg", "jpeg"}}, {"GIF", {"gif"}}};
    EXPECT_EQ(Prompts::current().saveFileOfType(nullptr, "Export", "/tmp", "Label", types, chosen, &accessory),
              "/tmp/label.gif");
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(field->text(), "7");
    ASSERT_EQ(guard->calls().size(), 1);
    EXPECT_EQ(guard->last().kind, TestPrompts::SaveFileOfType);
    EXPECT_EQ(guard->last().preselectedType, 0);
    EXPECT_TRUE(guard->last().hadAccessory);
    // Nothing queued: cancelled.
    EXPECT_TRUE(Prompts::current().saveFileOfType(nullptr, "Export", "/tmp", "Label", types, chosen).isEmpty());
}

TEST(Prompts, AlertsShowTheirTextsAsTyped)
{
    // The real alert, answered by a click as soon as it shows.
    QtPrompts prompts;
    Qt::TextFormat titleFormat = Qt::AutoText;
    Qt::TextFormat messageFormat = Qt::AutoText;
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            if (auto *label = box->findChild<QLabel *>("qt_msgbox_label")) {
                titleFormat = label->textFormat();
                shownTitle = label->text();
            }
            if (auto *label = box->findChild<QLabel *>("qt_msgbox_informativelabel"))
                messageFormat = label->textFormat();
            box->buttons().first()->click();
        }
    });
    // Never left waiting: whatever alert is still open goes after a while.
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(widget))
                box->reject();
    });
    safety.start(5000);
    prompts.alert(nullptr, "Delete the <b>Club</b> database?", "<i>R&D</i>", {"OK"});
    EXPECT_EQ(titleFormat, Qt::PlainText);
    EXPECT_EQ(messageFormat, Qt::PlainText);
    EXPECT_EQ(shownTitle, "Delete the <b>Club</b> database?");
}
