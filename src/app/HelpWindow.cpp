#include "app/HelpWindow.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "foundation/Language.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"
#include "platform/Workspace.h"

namespace quillmark {

HelpWindow::HelpWindow(QWidget *owner)
    : QWidget(owner, Qt::Window)
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    // Links are followed here: the manual's own pages and anchors in the window, the web's
    // addresses by the browser.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    QSize size(720, 640);
    if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 0.9);
    resize(size);
    retitle();
    NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("RefreshLanguageNotification"),
                                                    [this](const Notification &) { retitle(); });
    connect(this, &QObject::destroyed, [this] { NotificationCenter::defaultCenter().removeObserver(this); });
}

HelpWindow *HelpWindow::showPage(QWidget *owner, const QString &page)
{
    auto *window = owner ? owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window)
        window = new HelpWindow(owner);
    window->m_browser->setSearchPaths({QFileInfo(page).absolutePath()});
    window->m_browser->setSource(QUrl::fromLocalFile(page));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void HelpWindow::retitle()
{
    setWindowTitle(translated(QStringLiteral("Quillmark Help")));
}

void HelpWindow::follow(const QUrl &link)
{
    const QUrl target = m_browser->source().resolved(link);
    if (target.isLocalFile()) {
        if (target.adjusted(QUrl::RemoveFragment) == m_browser->source().adjusted(QUrl::RemoveFragment)) {
            if (target.hasFragment())
                m_browser->scrollToAnchor(target.fragment());
            return;
        }
        if (QFileInfo(target.toLocalFile()).isFile()) {
            m_browser->setSource(target);
            return;
        }
    }
    if (Workspace::openURL(target))
        return;
    Prompts::current().alert(this, translated(QStringLiteral("The page could not be opened.")),
                             Language::withValues(translated(QStringLiteral("No program to show it was found on this computer. Its address is %@")),
                                                  {target.toString()}),
                             {translated(QStringLiteral("OK"))});
}

} // namespace quillmark
