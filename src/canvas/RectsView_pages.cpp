// Pages and sides: the page name of the objects being edited, the side and label-type
// switches, draw-by-type mode and the orientation of a label type.
#include "canvas/RectsView.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "stock/StockConversions.h"

namespace quillmark {

QString RectsView::getTemplateFolder() const
{
    const bool vertical = m_outlets.cbLandscapeView && m_outlets.cbLandscapeView->isChecked();
    return vertical ? QStringLiteral("Vertical") : QStringLiteral("Horizontal");
}

QString RectsView::getCurrPageName() const
{
    const SegmentedControl *side = m_outlets.segmentedFrontBackOutlet;
    if (!side)
        return getTemplateFolder();
    // Page names are stored in documents: they stay English in every interface language.
    return getTemplateFolder() + LanguageControls::labelForSegment1(side, side->selectedSegment());
}

bool RectsView::drawByType() const
{
    return m_outlets.cbDrawByType && m_outlets.cbDrawByType->isChecked();
}

void RectsView::labelLandscape(int state)
{
    if (!m_outlets.cbLandscapeView)
        return;
    const QSignalBlocker blocker(m_outlets.cbLandscapeView);
    m_outlets.cbLandscapeView->setChecked(state != 0);
}

bool RectsView::toolWorksOnThePage() const
{
    // Typing into a box, or the next box of a text chain, belongs to the page it began on.
    return currentToolClass == TextTool || (currentToolClass == RectTool && m_textLinkSource);
}

void RectsView::changeFrontBack()
{
    clearSelection();
    if (toolWorksOnThePage()) {
        clearEditable();
        setupCurrObjectTool(SelectTool);
    }
    update();
}

void RectsView::changePage()
{
    if (toolWorksOnThePage()) {
        clearEditable();
        setupCurrObjectTool(SelectTool);
    }
    if (m_outlets.segmentedPageOutlet)
        setTIndex(m_outlets.segmentedPageOutlet->selectedSegment());
}

void RectsView::setDawByType()
{
    _tindex = 0;
    rebuildPageSegments();
    setTLabel(true);
    update();
    wasChanged(true);
    resizeRectViewBound(false, false);
}

void RectsView::setLabelLandscape()
{
    if (!drawByType() || !_tformat || !m_outlets.cbLandscapeView) {
        update();
        return;
    }
    const QString type = getCurrentType();
    const qint32 orientation = m_outlets.cbLandscapeView->isChecked() ? 1 : 0;
    for (TLabelT &label : _tformat->labels)
        if (label.getType() == type)
            label.orientation = orientation;

    static const QList<std::pair<QString, QString>> swaps = {
        {QStringLiteral("HorizontalFront"), QStringLiteral("VerticalFront")},
        {QStringLiteral("HorizontalBack"), QStringLiteral("VerticalBack")},
    };
    for (const GraphicPtr &graphic : rects) {
        const QString page = graphic->getPageName();
        for (const auto &[a, b] : swaps) {
            if (page == a)
                graphic->setPageName(b);
            else if (page == b)
                graphic->setPageName(a);
        }
    }

    std::swap(_tlabel.width, _tlabel.height);
    std::swap(_tlabel.top_margin, _tlabel.left_margin);
    applyStockSizeToView();
    changeLabelDescription();
    wasChanged(true);
    resizeRectViewBound(false, false);
    templateFolderChanged(true);
    update();
}

BezierPath RectsView::bezierPath(int type, const QString &labelType) const
{
    const TLabel label = (!labelType.isEmpty() && _tformat) ? _tformat->firstLabelOfType(labelType) : _tlabel;
    return holePath(type, label, m_bounds);
}

} // namespace quillmark
