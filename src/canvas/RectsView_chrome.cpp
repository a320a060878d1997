#include "canvas/RectsView.h"

#include <QUrl>

#include "canvas/AboutPanel.h"
#include "canvas/ProductPages.h"
#include "platform/Bundle.h"
#include "platform/Workspace.h"

namespace quillmark {

void RectsView::runAbout()
{
    runAboutDlg(15);
}

void RectsView::runAboutDlg(int timeout)
{
    QWidget *mainWindow = window();
    if (!mainWindow || mainWindow == this)
        return;
    auto *panel = mainWindow->findChild<AboutPanel *>(QString(), Qt::FindDirectChildrenOnly);
    if (!panel)
        panel = new AboutPanel(mainWindow);
    panel->runModal(timeout);
}

bool RectsView::displayHelp()
{
    const QString page = Bundle::pathForResource(QStringLiteral("main"), QStringLiteral("html"), QStringLiteral("help"));
    if (page.isEmpty())
        return false;
    return Workspace::openURL(QUrl::fromLocalFile(page));
}

bool RectsView::visitSite()
{
    return Workspace::openURL(QUrl(ProductPages::homePage(), QUrl::StrictMode));
}

QString RectsView::supportAddress(const QString &version)
{
    QString address = ProductPages::supportPage();
    if (!version.isEmpty())
        address += QStringLiteral("&ver=") + QString::fromLatin1(QUrl::toPercentEncoding(version));
    return address;
}

bool RectsView::visitSiteSupport()
{
    return Workspace::openURL(QUrl(supportAddress(Bundle::versionString()), QUrl::StrictMode));
}

} // namespace quillmark
