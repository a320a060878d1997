#include "canvas/RectsView.h"

#include <QLayout>
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

// ---- the side panel, the mask drawer and the busy indicator ----

void RectsView::showHideGraphicOpt()
{
    QWidget *panel = m_graphicOptDrawerOutlet;
    if (!panel || _isAnimating)
        return;
    setAnimating(true);
    // The panel leaves its place (or takes it back) and the window's layout hands its width to
    // the canvas area before this returns: whatever follows sees the new frames.
    panel->setVisible(_opened);
    if (QWidget *top = panel->window(); top && top != panel && top->layout())
        top->layout()->activate();
    animationDidFinish();
}

void RectsView::animationDidFinish()
{
    setOpened(!_opened);
    setAnimating(false);
    if (m_graphicOptDrawerOutlet)
        m_graphicOptDrawerOutlet->update();
}

bool RectsView::isMaskDrawerOpen() const
{
    return m_maskDrawerOutlet && !m_maskDrawerOutlet->isHidden();
}

void RectsView::showHideBarcodeInfo()
{
    QWidget *drawer = m_maskDrawerOutlet;
    if (!drawer)
        return;
    if (isMaskDrawerOpen()) {
        drawer->hide();
        return;
    }
    drawer->show();
    if (maskBrowserUpdate)
        maskBrowserUpdate();
}

void RectsView::showSpinView()
{
    if (spinViewHook)
        spinViewHook(true);
}

void RectsView::hideSpinView()
{
    if (spinViewHook)
        spinViewHook(false);
}

} // namespace quillmark
