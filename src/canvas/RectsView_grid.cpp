// Grid and guides on the canvas: the one TGrid that snaps drags and creations, and the guides
// it draws at the end of the canvas's drawing.
#include "canvas/RectsView.h"

#include "canvas/TGrid.h"

namespace quillmark {

TGrid *RectsView::grid() const
{
    if (!_grid) {
        _grid = std::make_shared<TGrid>();
        _grid->setRectsView(const_cast<RectsView *>(this));
    }
    return _grid.get();
}

QPointF RectsView::constrainedPoint(const QPointF &point) const
{
    return grid()->constrainedPoint(point);
}

void RectsView::clearGridSnap()
{
    grid()->clear();
}

void RectsView::snapToGuides()
{
    TGrid *guides = grid();
    guides->setConstraining(!guides->isConstraining());
    // Guides found before show again only with snapping back on; none are kept meanwhile.
    if (!guides->isConstraining())
        guides->clear();
    update();
}

void RectsView::drawGridGuides(QPainter *painter) const
{
    if (_grid && !isPrinting())
        _grid->drawRect(painter);
}

} // namespace quillmark
