#include "app/HelpMenu.h"

#include <QAction>
#include <QMenu>

#include "app/HelpWindow.h"
#include "canvas/ProductPages.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {
const QString ProductName = QStringLiteral("Quillmark");

void sayNotOpened(QWidget *parent, const QString &message)
{
    Prompts::current().alert(parent, Language::stringForKey(QStringLiteral("The page could not be opened.")), message,
                             {Language::stringForKey(QStringLiteral("OK"))});
}

// The manual opens in the desktop's viewer; where none takes it, the program shows it in its
// own help window rather than leave the user without help.
void showHelp(RectsView *canvas)
{
    if (canvas->displayHelp())
        return;
    const QString page = Bundle::pathForResource(QStringLiteral("main"), QStringLiteral("html"), QStringLiteral("help"));
    if (!page.isEmpty()) {
        HelpWindow::showPage(canvas->window(), page);
        return;
    }
    sayNotOpened(canvas->window(), Language::stringForKey(QStringLiteral("No program to show it was found on this computer.")));
}

// The product's pages live on the web only: where no browser opens them, the user is told
// the address to visit from elsewhere.
void visitOrSay(RectsView *canvas, bool (RectsView::*open)(), const QString &address)
{
    if ((canvas->*open)())
        return;
    sayNotOpened(canvas->window(),
                 Language::withValues(translated(QStringLiteral("No program to show it was found on this computer. Its address is %@")),
                                      {address}));
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
        {"Quillmark Help", false, [canvas] { showHelp(canvas); }},
        {"Quillmark Web Site", false,
         [canvas] { visitOrSay(canvas, &RectsView::visitSite, ProductPages::homePage()); }},
        {"Quillmark Support", false,
         [canvas] {
             visitOrSay(canvas, &RectsView::visitSiteSupport, RectsView::supportAddress(Bundle::versionString()));
         }},
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
