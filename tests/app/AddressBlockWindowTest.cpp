// Address blocks and merge fields inside text through the whole window: the address tool and
// the field menu's "Add Address Block...", the address dialog answered as a user answers it,
// a click on the canvas placing the block, a double click editing it, and a field chosen from
// the field menu going into the text being typed, kept through Save and Open.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>

#include <deque>
#include <functional>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "common/TestPrompts.h"
#include "common/TestSupport.h"
#include "database/merge/ColorAddress.h"
#include "database/store/Database.h"
#include "database/window/DatabaseFieldsView.h"
#include "database/window/DatabaseModeSwitch.h"
#include "database/store/DatabaseUserAction.h"
#include "database/window/DatabaseView.h"
#include "database/window/QuickAddressPanel.h"
#include "database/merge/TQuickAddress.h"
#include "database/merge/TextAttachmentCell.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextFlow.h"
#include "platform/PropertyList.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "stock/TLabel.h"

using namespace quillmark;

namespace {

constexpr int FirstNamePk = 4;
const QChar Object(TextAttachmentHandler::ObjectCharacter);

class AddressBlockWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        QDir(Database::databasesFolder()).removeRecursively();
        QDir().mkpath(Database::databasesFolder());
        UserDefaults::standard().removeObject("databasePath");
        const QString path = Database::pathForTitle(QStringLiteral("Guests"));
        ASSERT_TRUE(Database::createDatabaseAtPath(path));
        {
            Database db(path);
            db.initFieldsStructure();
            db.initFieldValues();
            const QVariantMap values = {{"Salutation", "Dr."},  {"First_Name", "Ann"},     {"Last_Name", "Lee"},
                                        {"Company", "Acme"},    {"Address", "1 Main St"}, {"City", "Springfield"},
                                        {"State", "IL"},        {"Zip", "62701-1234"},     {"Country", "USA"}};
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                db.fieldValues().insert(it.key(), it.value());
            db.insertRecord();
        }
        UserDefaults::standard().setObject("databasePath", path);

        registerAllKinds();
        window = std::make_unique<MainWindow>();
        window->resize(1200, 900);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::setActiveWindow(window.get());
        window->finishLaunching();
        ASSERT_TRUE(Database::currentDatabase());
        canvas()->undoManager()->removeAllActions();
        m_watcher = new QTimer(window.get());
        m_watcher->setInterval(5);
        QObject::connect(m_watcher, &QTimer::timeout, window.get(), [this] { answerModal(); });
        m_watcher->start();
    }
    void TearDown() override
    {
        EXPECT_TRUE(m_answers.empty()) << "an expected dialog or menu never opened";
        window.reset();
        QDir(Database::databasesFolder()).removeRecursively();
        UserDefaults::standard().removeObject("databasePath");
        Language::reset();
        DatabaseUserAction::end();
    }

    RectsView *canvas() { return window->canvas(); }

    // The next pop-up menu or modal dialog is answered by `answer`.
    void whenModalOpens(std::function<void(QWidget *)> answer) { m_answers.push_back(std::move(answer)); }
    void answerModal()
    {
        QWidget *modal = QApplication::activePopupWidget();
        if (!modal)
            modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == m_answering)
            return;
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected " << modal->metaObject()->className();
            modal->close();
            return;
        }
        const auto answer = m_answers.front();
        m_answers.pop_front();
        m_answering = modal;
        answer(modal);
        m_answering = nullptr;
    }
    static void chooseInMenu(QWidget *popup, const QString &item)
    {
        auto *menu = qobject_cast<QMenu *>(popup);
        ASSERT_TRUE(menu) << "no menu but " << popup->metaObject()->className();
        for (QAction *action : menu->actions()) {
            if (action->text() == item) {
                ASSERT_TRUE(action->isEnabled()) << item.toStdString();
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
        FAIL() << "the menu has no item " << item.toStdString();
    }
    // Answers the address dialog: the boxes of the tags are clicked, then OK (or Cancel).
    void answerAddressDialog(const QList<int> &tags, bool ok = true)
    {
        whenModalOpens([tags, ok](QWidget *modal) {
            ASSERT_EQ(modal->objectName(), QStringLiteral("QuickAddressPanel"));
            for (int tag : tags) {
                auto *box = modal->findChild<QCheckBox *>(QStringLiteral("quickAddressItem%1").arg(tag));
                ASSERT_TRUE(box && box->isVisible() && box->isEnabled()) << tag;
                box->click();
            }
            auto *buttons = modal->findChild<QDialogButtonBox *>();
            ASSERT_TRUE(buttons);
            for (QAbstractButton *button : buttons->buttons()) {
                if (button->text() == (ok ? QStringLiteral("OK") : QStringLiteral("Cancel"))) {
                    button->click();
                    return;
                }
            }
            FAIL() << "no button";
        });
    }

    QAction *tool(int number)
    {
        for (QToolBar *bar : window->findChildren<QToolBar *>())
            for (QAction *action : bar->actions())
                if (action->isCheckable() && action->data() == QVariant(number))
                    return action;
        ADD_FAILURE() << "no tool " << number;
        return nullptr;
    }
    QAction *menuItem(const QString &menuTitle, const QString &text)
    {
        for (QAction *top : window->menuBar()->actions()) {
            if (!top->menu() || top->text() != menuTitle)
                continue;
            for (QAction *item : top->menu()->actions())
                if (item->text() == text)
                    return item;
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }

    void mouse(QEvent::Type type, const QPointF &page, int clicks = 1)
    {
        const QPointF local = canvas()->pageToWidget().map(page);
        if (clicks == 2 && type == QEvent::MouseButtonPress)
            type = QEvent::MouseButtonDblClick;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, canvas()->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas(), &event);
    }
    void click(const QPointF &page, int clicks = 1)
    {
        if (clicks == 2) {
            mouse(QEvent::MouseButtonPress, page);
            mouse(QEvent::MouseButtonRelease, page);
        }
        mouse(QEvent::MouseButtonPress, page, clicks);
        mouse(QEvent::MouseButtonRelease, page);
        canvas()->undoManager()->closeEventGroup();
    }

    std::shared_ptr<ColorAddress> onlyBlock()
    {
        std::shared_ptr<ColorAddress> found;
        for (const GraphicPtr &graphic : canvas()->getRects())
            if (auto block = std::dynamic_pointer_cast<ColorAddress>(graphic))
                found = block;
        return found;
    }

    std::unique_ptr<MainWindow> window;
    qmtest::ScopedTestPrompts prompts;
    QTimer *m_watcher = nullptr;
    std::deque<std::function<void(QWidget *)>> m_answers;
    QWidget *m_answering = nullptr;
};

} // namespace

TEST_F(AddressBlockWindowTest, TheAddressToolPlacesABlockWhereTheUserClicks)
{
    QAction *addressTool = tool(RectsView::AddressTool);
    ASSERT_TRUE(addressTool);
    ASSERT_TRUE(addressTool->isEnabled());
    addressTool->trigger();
    EXPECT_EQ(canvas()->getCurrToolClass(), int(RectsView::AddressTool));
    click(QPointF(20, 20));

    const auto block = onlyBlock();
    ASSERT_TRUE(block);
    // Placed at the click, moved in only as far as the label's edges need.
    const QRectF frame = block->frameBounds();
    const QSizeF label(canvas()->getLabel().width * 72.0, canvas()->getLabel().height * 72.0);
    EXPECT_NEAR(frame.left(), std::min(20.0, label.width() - frame.width()), 0.01);
    EXPECT_NEAR(frame.top(), std::min(20.0, label.height() - frame.height()), 0.01);
    EXPECT_GT(frame.width(), 50.0);
    EXPECT_EQ(block->lineTexts(), (QStringList{"Salutation First Name Last Name", "Company Title", "Address",
                                               "City State Zip", "Country"}));
    EXPECT_EQ(canvas()->selectedObjects(), GraphicList{block});
    EXPECT_EQ(canvas()->getCurrToolClass(), int(RectsView::SelectTool));

    // With record values shown, the block shows the record's lines.
    QAction *preview = menuItem(QStringLiteral("View"), QStringLiteral("Preview Database Fields"));
    ASSERT_TRUE(preview);
    preview->trigger();
    EXPECT_EQ(block->lineTexts(),
              (QStringList{"Dr. Ann Lee", "Acme", "1 Main St", "Springfield IL 62701-1234", "USA"}));
    EXPECT_EQ(block->barDigits(), QByteArray("62701-1234"));
    preview->trigger();

    // One undo step takes the block away.
    canvas()->undo();
    EXPECT_FALSE(onlyBlock());
}

TEST_F(AddressBlockWindowTest, AddAddressBlockRunsTheDialogAndADoubleClickEditsTheBlock)
{
    // The field tool's menu offers "Add Address Block..."; the dialog's answer is kept for
    // the block the next click places.
    whenModalOpens([](QWidget *menu) { chooseInMenu(menu, QStringLiteral("Add Address Block...")); });
    answerAddressDialog({112}); // no Country
    tool(RectsView::FieldTool)->trigger();
    EXPECT_EQ(canvas()->getCurrToolClass(), int(RectsView::AddressTool));
    EXPECT_TRUE(tool(RectsView::AddressTool)->isChecked());
    click(QPointF(30, 40));
    auto block = onlyBlock();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->lineTexts(), (QStringList{"Salutation First Name Last Name", "Company Title", "Address",
                                               "City State Zip"}));

    // A double click opens the dialog on the block's parts: Middle Name added.
    answerAddressDialog({104});
    click(block->frameBounds().center(), 2);
    EXPECT_EQ(block->lineTexts().first(), QStringLiteral("Salutation First Name Middle Name Last Name"));
    EXPECT_TRUE(canvas()->isChanged());
    // The edit undoes as one step.
    EXPECT_EQ(canvas()->undoManager()->undoActionName(), QStringLiteral("Address Block"));
    canvas()->undo();
    EXPECT_EQ(block->lineTexts().first(), QStringLiteral("Salutation First Name Last Name"));
    canvas()->redo();
    EXPECT_EQ(block->lineTexts().first(), QStringLiteral("Salutation First Name Middle Name Last Name"));
    // Cancel changes nothing.
    answerAddressDialog({106, 200}, false);
    click(block->frameBounds().center(), 2);
    EXPECT_EQ(block->lineTexts().first(), QStringLiteral("Salutation First Name Middle Name Last Name"));
    EXPECT_TRUE(block->qa().barFlag());

    // Cancelling "Add Address Block..." leaves the tool as it was.
    canvas()->setupCurrObjectTool(RectsView::SelectTool);
    whenModalOpens([](QWidget *menu) { chooseInMenu(menu, QStringLiteral("Add Address Block...")); });
    answerAddressDialog({}, false);
    tool(RectsView::FieldTool)->trigger();
    EXPECT_EQ(canvas()->getCurrToolClass(), int(RectsView::SelectTool));
}

TEST_F(AddressBlockWindowTest, AFieldChosenWhileTypingGoesIntoTheTextAndIsKept)
{
    // A text box drawn with the rectangle tool, then typed into.
    tool(RectsView::RectTool)->trigger();
    mouse(QEvent::MouseButtonPress, QPointF(20, 20));
    mouse(QEvent::MouseMove, QPointF(120, 40));
    mouse(QEvent::MouseMove, QPointF(220, 70));
    mouse(QEvent::MouseButtonRelease, QPointF(220, 70));
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const GraphicPtr box = canvas()->getRects().first();
    click(QPointF(120, 45), 2);
    ASSERT_EQ(canvas()->editedObject(), box);
    QTest::keyClicks(canvas(), QStringLiteral("Dear friend"));
    // "friend" selected, as the user selects it with Shift and the arrow keys.
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(canvas(), Qt::Key_Left, Qt::ShiftModifier);

    // While the text is edited, the picture field and the address block are not offered.
    whenModalOpens([](QWidget *popup) {
        auto *menu = qobject_cast<QMenu *>(popup);
        ASSERT_TRUE(menu);
        for (QAction *action : menu->actions()) {
            if (action->text() == QStringLiteral("Photo") || action->text() == QStringLiteral("Add Address Block...")) {
                EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
            }
        }
        chooseInMenu(popup, QStringLiteral("First Name"));
    });
    tool(RectsView::FieldTool)->trigger();
    EXPECT_EQ(canvas()->getCurrToolClass(), int(RectsView::TextTool));
    ASSERT_EQ(canvas()->editedObject(), box);
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Dear ") + Object + QStringLiteral("friend"));
    // The selection stays on "friend", behind the field; typing replaces it.
    QTest::keyClicks(canvas(), QStringLiteral("and welcome"));
    EXPECT_EQ(box->textStorage()->toPlainText(), QStringLiteral("Dear ") + Object + QStringLiteral("and welcome"));

    // The field shows its title while designing, and is as wide as it in the line.
    TextFlow *flow = box->layoutText();
    ASSERT_EQ(flow->attachments(0).size(), 1u);
    const qreal designWidth = flow->attachments(0).front().frame.width();

    // Saved and opened again, the field is still there, bound to First Name.
    canvas()->clearEditable();
    const QString path = qmtest::freshDir(QStringLiteral("chip-window")) + QStringLiteral("/letter.qkdoc");
    prompts->queueSaveOfType(path, 0);
    menuItem(QStringLiteral("File"), QStringLiteral("Save As..."))->trigger();
    ASSERT_TRUE(QFile::exists(path));
    const QVariantMap stored = PropertyList::readFile(path).toMap();
    ASSERT_EQ(stored.value("ObjectsList").toList().size(), 1);
    menuItem(QStringLiteral("File"), QStringLiteral("New"))->trigger();
    ASSERT_TRUE(canvas()->getRects().isEmpty());
    prompts->queuePath(path);
    menuItem(QStringLiteral("File"), QStringLiteral("Open..."))->trigger();
    ASSERT_EQ(canvas()->getRects().size(), 1);
    const GraphicPtr reopened = canvas()->getRects().first();
    EXPECT_EQ(reopened->textStorage()->toPlainText(), QStringLiteral("Dear ") + Object + QStringLiteral("and welcome"));
    QTextCursor at(reopened->textStorage());
    at.setPosition(5);
    at.setPosition(6, QTextCursor::KeepAnchor);
    const TextAttachmentCell chip(at.charFormat());
    EXPECT_EQ(chip.pk(), FirstNamePk);

    // In database preview the field shows the record's first name.
    menuItem(QStringLiteral("View"), QStringLiteral("Preview Database Fields"))->trigger();
    flow = reopened->layoutText();
    ASSERT_EQ(flow->attachments(0).size(), 1u);
    EXPECT_LT(flow->attachments(0).front().frame.width(), designWidth);
    TextAttachmentCell shown(at.charFormat());
    shown.setView(reopened.get());
    EXPECT_EQ(shown.title(), QStringLiteral("Ann"));
}

TEST_F(AddressBlockWindowTest, ANewBlockFitsInsideTheLabelItIsPlacedOn)
{
    // A 2.50 by 1.00 inch label, where a block of 9-point titles would pass the right edge.
    TLabel label = canvas()->getLabel();
    label.width = 2.5f;
    label.height = 1.0f;
    canvas()->setTLabel(label);
    // The design shows the field titles, not a record's values, with the default parts.
    QuickAddressPanel::setChosenAddress(TQuickAddress());
    if (canvas()->databasePreview())
        menuItem(QStringLiteral("View"), QStringLiteral("Preview Database Fields"))->trigger();
    tool(RectsView::AddressTool)->trigger();
    click(QPointF(40, 6));
    const auto block = onlyBlock();
    ASSERT_TRUE(block);
    const QRectF frame = block->frameBounds();
    EXPECT_GE(frame.left(), 0.0);
    EXPECT_GE(frame.top(), 0.0);
    EXPECT_LE(frame.right(), 180.0 + 0.01) << frame.width();
    EXPECT_LE(frame.bottom(), 72.0 + 0.01) << frame.height();
    // It keeps every line; the POSTNET bars, wider than this label, are left off.
    EXPECT_EQ(block->lineTexts(), (QStringList{"Salutation First Name Last Name", "Company Title", "Address",
                                               "City State Zip", "Country"}));
    EXPECT_FALSE(block->qa().barFlag());
    EXPECT_LE(block->textSize().pointSizeF(), 9.0);
    // One undo step still takes it away.
    canvas()->undo();
    EXPECT_FALSE(onlyBlock());
}
