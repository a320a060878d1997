#include "images/TemplateBrowserPanel.h"

#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "canvas/RectsView.h"
#include "images/ScrollNSImageView.h"
#include "images/SourcePopUp.h"

namespace quillmark {

TemplateBrowserPanel::TemplateBrowserPanel(RectsView *canvas, QWidget *parent)
    : QWidget(parent)
    , m_canvas(canvas)
    , m_popup(new QComboBox)
    , m_templates(new ScrollNSImageView)
    , m_scroll(new QScrollArea)
{
    m_popup->setObjectName(QStringLiteral("templatePopupOutlet"));
    fitSourcePopUp(m_popup);
    m_templates->setObjectName(QStringLiteral("imageTmplListView"));
    m_templates->setController(canvas);
    m_scroll->setWidget(m_templates);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_popup);
    layout->addWidget(m_scroll, 1);

    if (!canvas)
        return;
    m_templates->itemSizeChanged = [canvas](int size) { canvas->setTemplateItemSize(size); };
    connect(m_popup, &QComboBox::activated, this, [this] { m_canvas->templateCategoryChanged(); });
    RectsView::TemplateBrowser browser;
    browser.categoryPopup = m_popup;
    browser.load = [this](const QString &folder) { loadFolder(folder); };
    browser.forgetFolder = [this] { forgetFolder(); };
    browser.isShown = [this] { return isVisible(); };
    canvas->setTemplateBrowser(browser);
}

void TemplateBrowserPanel::loadFolder(const QString &folder)
{
    // The size the user chose last (the "TemplateSize" default) is read after the window is
    // built: it is taken when tiles are made.
    const int size = std::clamp(m_canvas ? m_canvas->templateItemSize() : m_templates->getW(), 20, 1000);
    if (size != m_templates->getW() || size != m_templates->getH()) {
        m_templates->setW(size);
        m_templates->setH(size);
        m_templates->setPath(QString());
    }
    m_templates->loadAllITemplatesPath(folder);
    m_templates->update(true);
    if (m_keptScroll >= 0) {
        m_scroll->verticalScrollBar()->setValue(m_keptScroll);
        m_keptScroll = -1;
    }
}

void TemplateBrowserPanel::forgetFolder()
{
    m_keptScroll = m_scroll->verticalScrollBar()->value();
    m_templates->setPath(QString());
}

void TemplateBrowserPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_canvas)
        m_canvas->updateTamplatesList();
}

} // namespace quillmark
