#include "app/HelpMenu.h"

#include <QAction>
#include <QMenu>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {
const QString ProductName = QStringLiteral("Quillmark");

// Help and the web pages open in another program; where none can show them the user is told,
// not left with a menu item that seems to do nothing.
void openOrSay(RectsView *canvas, bool (RectsView::*open)())
{
    if ((canvas->*open)())
        return;
    Prompts::current().alert(canvas->window(), Language::stringForKey(QStringLiteral("The page could not be opened.")),
                             Language::stringForKey(QStringLiteral("No program to show it was found on this computer.")),
                             {Language::stringForKey(QStringLiteral("OK"))});
}
} // namespace

QString HelpMenu::productItemTitle(const QString &translated, bool ellipsis)
{
    QString title = translated.trimmed();
    if (!title.contains(ProductName))
        title = title.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ') + ProductName;
    if (ellipsis && !title.endsWith(QLatin1String("...")) && !title.endsWith(QChar(0x2026)))
        title += QStringLiteral("...");
    return title;
}

QMenu *HelpMenu::create(RectsView *canvas, QWidget *parent)
{
    auto *menu = new QMenu(Language::stringForKey(QStringLiteral("Help")), parent);
    menu->setObjectName(QStringLiteral("HelpMenu"));
    struct Item
    {
        const char *key;
        bool ellipsis;
        std::function<void()> run;
    };
    const QList<Item> items = {
        {"About Quillmark", true, [canvas] { canvas->runAbout(); }},
        {"Quillmark Help", false, [canvas] { openOrSay(canvas, &RectsView::displayHelp); }},
        {"Quillmark Web Site", false, [canvas] { openOrSay(canvas, &RectsView::visitSite); }},
        {"Quillmark Support", false, [canvas] { openOrSay(canvas, &RectsView::visitSiteSupport); }},
    };
    QList<std::pair<QAction *, Item>> made;
    for (const Item &item : items) {
        if (made.size() == 2)
            menu->addSeparator();
        QAction *action = menu->addAction(QString());
        // The English title stays the item's key, as for the other menus' items.
        action->setToolTip(QString::fromLatin1(item.key));
        if (made.isEmpty())
            action->setMenuRole(QAction::AboutRole);
        QObject::connect(action, &QAction::triggered, menu, item.run);
        made.append({action, item});
    }
    auto retitle = [menu, made] {
        menu->setTitle(Language::stringForKey(QStringLiteral("Help")));
        for (const auto &[action, item] : made)
            action->setText(productItemTitle(Language::stringForKey(QString::fromLatin1(item.key)), item.ellipsis));
    };
    retitle();
    NotificationCenter::defaultCenter().addObserver(menu, QStringLiteral("RefreshLanguageNotification"),
                                                    [retitle](const Notification &) { retitle(); });
    QObject::connect(menu, &QObject::destroyed, [menu] { NotificationCenter::defaultCenter().removeObserver(menu); });
    return menu;
}

} // namespace quillmark
