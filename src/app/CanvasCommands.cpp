#include "app/CanvasCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

#include "app/MenuValidation.h"
#include "app/MenuValidator.h"
#include "canvas/RectsView.h"
#include "foundation/LanguageControls.h"
#include "objects/ColorRect.h"

namespace quillmark {

namespace {

QAction *addItem(QMenu *menu, const QString &title, const QKeySequence &shortcut, RectsView *canvas,
                 const std::function<void()> &action)
{
    QAction *item = menu->addAction(title);
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    QObject::connect(item, &QAction::triggered, canvas, action);
    return item;
}

} // namespace

void CanvasCommands::install(QMainWindow *window, RectsView *canvas, QMenu *edit, QMenu *arrange,
                             const std::function<void(QMenu *)> &fillFieldMenu)
{
    // Replicate goes right after Duplicate.
    QAction *duplicate = nullptr;
    const QList<QAction *> editItems = edit->actions();
    for (int i = 0; i < editItems.size(); ++i)
        if (editItems[i]->text() == QLatin1String("Duplicate") && i + 1 < editItems.size())
            duplicate = editItems[i + 1];
    QAction *replicate = new QAction(QStringLiteral("Replicate"), edit);
    replicate->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    QObject::connect(replicate, &QAction::triggered, canvas, [canvas] { canvas->replicate(); });
    edit->insertAction(duplicate, replicate);
    // The Edit menu woke before this item came: it wakes by itself. The menu validation
    // enables this item and the others below.
    LanguageControls::awakeFromNib(replicate);

    arrange->addSeparator();
    addItem(arrange, QStringLiteral("Center"), QKeySequence(), canvas, [canvas] { canvas->centerObject(); });
    addItem(arrange, QStringLiteral("Rotate"), QKeySequence(Qt::CTRL | Qt::Key_R), canvas, [canvas] { canvas->rotate(); });
    arrange->addSeparator();
    // Checked while the selection holds a locked object; choosing it then unlocks.
    QAction *lock = addItem(arrange, QStringLiteral("Lock"), QKeySequence(), canvas,
                            [canvas] { canvas->lock(canvas->isSelectedLocked() > 0 ? 1 : 0); });
    lock->setCheckable(true);
    arrange->addSeparator();
    // The selection's edges or centres on those of the whole selection's box, and the first
    // object's width, height or both for the others; the item's tag says which.
    auto tagged = [arrange, canvas](const QString &title, const char *action, int tag, void (RectsView::*command)(int)) {
        QAction *item = addItem(arrange, title, QKeySequence(), canvas, [canvas, command, tag] { (canvas->*command)(tag); });
        item->setProperty(MenuValidator::actionProperty(), QString::fromLatin1(action));
        item->setData(tag);
    };
    tagged(QStringLiteral("Align Left Edges"), "setObjectAlign:", 1, &RectsView::setObjectAlign);
    tagged(QStringLiteral("Align Horizontal Centers"), "setObjectAlign:", 2, &RectsView::setObjectAlign);
    tagged(QStringLiteral("Align Right Edges"), "setObjectAlign:", 3, &RectsView::setObjectAlign);
    tagged(QStringLiteral("Align Top Edges"), "setObjectAlign:", 4, &RectsView::setObjectAlign);
    tagged(QStringLiteral("Align Vertical Centers"), "setObjectAlign:", 5, &RectsView::setObjectAlign);
    tagged(QStringLiteral("Align Bottom Edges"), "setObjectAlign:", 6, &RectsView::setObjectAlign);
    arrange->addSeparator();
    tagged(QStringLiteral("Same Width"), "setObjectSize:", 1, &RectsView::setObjectSize);
    tagged(QStringLiteral("Same Height"), "setObjectSize:", 2, &RectsView::setObjectSize);
    tagged(QStringLiteral("Same Size"), "setObjectSize:", 3, &RectsView::setObjectSize);

    auto *format = new QMenu(QStringLiteral("Format"), window);
    QMenu *font = format->addMenu(QStringLiteral("Font"));
    addItem(font, QStringLiteral("Show Fonts"), QKeySequence(Qt::CTRL | Qt::Key_T), canvas, [canvas] { canvas->showTextFont(); });
    font->addSeparator();
    addItem(font, QStringLiteral("Bold"), QKeySequence::Bold, canvas,
            [canvas] { canvas->addFontTrait(RectsView::FontTrait::Bold); });
    addItem(font, QStringLiteral("Italic"), QKeySequence::Italic, canvas,
            [canvas] { canvas->addFontTrait(RectsView::FontTrait::Italic); });
    QAction *bigger = addItem(font, QStringLiteral("Bigger"), QKeySequence(Qt::CTRL | Qt::Key_Plus), canvas,
                              [canvas] { canvas->addFontTrait(RectsView::FontTrait::Bigger); });
    QAction *smaller = addItem(font, QStringLiteral("Smaller"), QKeySequence(Qt::CTRL | Qt::Key_Minus), canvas,
                               [canvas] { canvas->addFontTrait(RectsView::FontTrait::Smaller); });
    // Bigger and Smaller keep their keys off the zoom's.
    bigger->setShortcut(QKeySequence());
    smaller->setShortcut(QKeySequence());
    addItem(format, QStringLiteral("Show Colors"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), canvas,
            [canvas] { canvas->showColorPanel(); });
    format->addSeparator();
    QMenu *text = format->addMenu(QStringLiteral("Text"));
    addItem(text, QStringLiteral("Align Left"), QKeySequence(), canvas, [canvas] { canvas->alignLeft(); });
    QAction *centred = addItem(text, QStringLiteral("Center"), QKeySequence(), canvas, [canvas] { canvas->alignCenter(); });
    // Its title is also the Arrange menu's centring command's.
    centred->setProperty(MenuValidator::actionProperty(), QStringLiteral("alignCenter:"));
    addItem(text, QStringLiteral("Justify"), QKeySequence(), canvas, [canvas] { canvas->alignJustified(); });
    addItem(text, QStringLiteral("Align Right"), QKeySequence(), canvas, [canvas] { canvas->alignRight(); });
    text->addSeparator();
    addItem(text, QStringLiteral("Table..."), QKeySequence(), canvas, [canvas] { canvas->setTextTable(); });
    LanguageControls::awakeFromNib(format);
    LanguageControls::awakeFromNib(font);
    LanguageControls::awakeFromNib(text);
    // After the Arrange menu.
    const QList<QAction *> bar = window->menuBar()->actions();
    const int at = int(bar.indexOf(arrange->menuAction()));
    window->menuBar()->insertMenu(at >= 0 && at + 1 < bar.size() ? bar[at + 1] : nullptr, format);

    canvas->fieldMenuFiller = fillFieldMenu;
    canvas->setContentMenu(buildContentMenu(window, canvas));
}

std::function<void()> CanvasCommands::editCommand(RectsView *canvas, RectsView::TextCommand command)
{
    return [canvas, command] {
        if (canvas->performTextCommand(command))
            return;
        switch (command) {
        case RectsView::TextCommand::Cut:
            canvas->cut();
            break;
        case RectsView::TextCommand::Copy:
            canvas->copy();
            break;
        case RectsView::TextCommand::Paste:
            canvas->paste();
            break;
        case RectsView::TextCommand::Delete:
            canvas->delete_();
            break;
        case RectsView::TextCommand::SelectAll:
            canvas->selectAll();
            break;
        }
    };
}

QMenu *CanvasCommands::buildContentMenu(QMainWindow *window, RectsView *canvas)
{
    auto *menu = new QMenu(window);
    menu->setObjectName(QStringLiteral("CanvasContentMenu"));
    using TextCommand = RectsView::TextCommand;
    addItem(menu, QStringLiteral("Cut"), QKeySequence(), canvas, editCommand(canvas, TextCommand::Cut));
    addItem(menu, QStringLiteral("Copy"), QKeySequence(), canvas, editCommand(canvas, TextCommand::Copy));
    addItem(menu, QStringLiteral("Paste"), QKeySequence(), canvas, editCommand(canvas, TextCommand::Paste));
    addItem(menu, QStringLiteral("Duplicate"), QKeySequence(), canvas, [canvas] { canvas->duplicate(); });
    addItem(menu, QStringLiteral("Delete"), QKeySequence(), canvas, editCommand(canvas, TextCommand::Delete));
    menu->addSeparator();
    addItem(menu, QStringLiteral("Bring To Front"), QKeySequence(), canvas, [canvas] { canvas->bringToFront(); });
    addItem(menu, QStringLiteral("Send To Back"), QKeySequence(), canvas, [canvas] { canvas->sendToBack(); });
    addItem(menu, QStringLiteral("Group"), QKeySequence(), canvas, [canvas] { canvas->group(); });
    addItem(menu, QStringLiteral("Ungroup"), QKeySequence(), canvas, [canvas] { canvas->ungroup(); });
    menu->addSeparator();
    QMenu *fields = menu->addMenu(QStringLiteral("Fields"));
    fields->menuAction()->setData(11);
    menu->addSeparator();
    LanguageControls::awakeFromNib(menu);
    // Each time the menu opens, its items follow the same rules as the menu bar's: a merge
    // field pair is neither grouped again nor broken up, a locked object not deleted.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [canvas, menu] {
        ChromeState state = chromeStateOf(*canvas);
        const QMimeData *data = QApplication::clipboard()->mimeData();
        state.pasteboardHasDesign = data && data->hasFormat(RectsView::pasteboardType());
        state.pasteboardHasText = RectsView::clipboardHasText();
        for (QAction *item : menu->actions()) {
            if (item->isSeparator() || item->menu())
                continue;
            const QString action = MenuValidator::actionForKey(item->toolTip());
            if (!action.isEmpty())
                item->setEnabled(validateMenuItem(action, state).enabled);
        }
    });
    return menu;
}

} // namespace quillmark
