// The object's text as the drawing sees it: the text of the object's box painted inside the
// frame, the glyph outline of shaped text, and the box's place in a chain of linked boxes.
#include "objects/ColorRect.h"

#include <QPainter>
#include <QTextDocument>

#include "objects/CanvasServices.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/ShapedText.h"
#include "objects/TextFlow.h"

namespace quillmark {

namespace {

// Kinds without a runaround box of their own are laid out in a scratch box this large.
constexpr qreal ScratchContainerSide = 1000000.0;

} // namespace

void ColorRect::drawText(QPainter *painter)
{
    // While the text is edited in place the editor shows it; shaped text is the outline.
    if (!painter || _iseditable || _powertext)
        return;
    // Thousands of boxes are drawn at each repaint: each asks its kept layout, reading
    // neither its document nor its chain more than once.
    if (!hasTextToDraw()) {
        overfill = false;
        return;
    }

    initContainer();
    const int index = _textFlow->indexOfContainer(_container.get());

    TextFlow *flow = nullptr;
    int box = 0;
    std::unique_ptr<TextFlow> scratch;
    std::unique_ptr<NSTextWrapContainer> scratchBox;
    if (index >= 0 && dynamic_cast<NSTextWrapContainer *>(_container.get())) {
        // What layoutText() does, the box's container being made already.
        bringChainUpToDate();
        flow = _textFlow.get();
        box = index;
    } else {
        scratch = std::make_unique<TextFlow>(_text);
        scratchBox = std::make_unique<NSTextWrapContainer>(
            QSizeF(ScratchContainerSide, ScratchContainerSide));
        scratchBox->setGraphicObject(this);
        scratchBox->setTextView(this);
        scratchBox->setAroundBezierPaths(getBezierPaths());
        scratchBox->setContainerSize(_frameBounds.size());
        scratch->insertContainer(scratchBox.get(), 0);
        scratch->layout();
        flow = scratch.get();
    }
    overfill = textContainerIndex() + 1 >= textContainerCount() && flow->hasOverflow();
    if (flow->characterRange(box).second == 0 && flow->usedRect(box).isNull())
        return;

    auto paint = [&](QPainter *p) {
        p->setClipRect(_frameBounds, Qt::IntersectClip);
        flow->draw(p, box, _frameBounds.topLeft());
    };
    painter->save();
    if (drawsShadow()) {
        // The screen keeps the shadow of the box's part of a layout, as it keeps a shape's:
        // a layout made for this drawing alone, or objects inside the text that draw what
        // they show now, cast theirs afresh.
        std::optional<Shadow::Source> source;
        if (!scratch && !flow->holdsObjects() && flow->layoutSerial() != 0) {
            source = shadowSource('T');
            source->add(flow->layoutSerial(), box, _frameBounds.size());
        }
        paintWithShadow(painter, _frameBounds, paint, source);
    } else {
        paint(painter);
    }
    painter->restore();
}

BezierPath ColorRect::shapedTextOutline(const QRectF &glyphRect) const
{
    const bool printing = _mainView && _mainView->isPrinting();
    return ShapedText::outline(*textStorage(), glyphRect, _powertype, printing, this);
}

int ColorRect::textContainerCount() const
{
    return _textFlow ? int(_textFlow->containers().size()) : 1;
}

int ColorRect::textContainerIndex() const
{
    if (!_textFlow)
        return 0;
    return std::max(0, _textFlow->indexOfContainer(_container.get()));
}

} // namespace quillmark
