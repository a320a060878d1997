// The object's text as the drawing sees it: the text of the object's box painted inside the
// frame, the glyph outline of shaped text, and the box's place in a chain of linked boxes.
// On the screen of a design of thousands of objects whose texts all changed at once (a size,
// an alignment, a width given to the selection), a repaint lays out the texts it has time for
// and leaves the others to be laid out a slice at a time while the window answers, each shown
// once laid out.
#include "objects/ColorRect.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QPainter>
#include <QTextDocument>
#include <QThread>

#include <deque>
#include <mutex>
#include <typeinfo>
#include <vector>

#include "objects/CanvasServices.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/PictureWorker.h"
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
        // What layoutText() does, the box's container being made already. On the screen of
        // thousands of boxes whose texts changed at once, a repaint lays out those it has
        // time for; the others show once laid out aside. (Other kinds drawing their text
        // here are let go of with members a layout aside may reach: theirs are laid out as
        // drawn.)
        if (typeid(*this) != typeid(ColorRect)) {
            bringChainUpToDate();
        } else if (!chainLaidOut() && !textLaidOutNowOrAside(painter, [this] {
                       _textFlow->layoutIfNeeded();
                       _textFlow->setCheckedInPass(DrawingPass::current());
                   })) {
            ScreenDrawing::standInDrawn();
            return;
        }
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

namespace {

// Window's thread time a repaint spends laying texts out before it leaves the rest aside, and
// the time a slice aside lays texts out before the window answers again.
constexpr qint64 LayoutShareNs = 20'000'000;
constexpr qint64 LayoutSliceNs = 20'000'000;
qint64 layoutShareNs = LayoutShareNs;
qint64 layoutSliceNs = LayoutSliceNs;

} // namespace

struct ColorRect::TextAsideToken
{
    // Held while the text is laid out aside: an object let go of on another thread (a design
    // let go of aside) waits for it.
    std::mutex lock;
    const ColorRect *object = nullptr;
    // Touched on the window's thread alone.
    bool queued = false;
};

// The objects whose texts a repaint left to lay out, each through the token it holds (gone
// with the object); those laid out wait to be drawn again together, once the last is laid
// out, rather than each slice asking for a repaint of them all.
struct ColorRect::LayoutsAside
{
    using Token = TextAsideToken;
    std::deque<std::weak_ptr<Token>> queued;
    std::vector<std::weak_ptr<Token>> laidOut;
    bool sliceAsked = false;
    // The time this turn of the event loop spent laying texts out, and whether its end is
    // asked for.
    qint64 spentNs = 0;
    bool turnEndAsked = false;

    void spend(qint64 ns)
    {
        spentNs += ns;
        if (std::exchange(turnEndAsked, true))
            return;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
            LayoutsAside &self = instance();
            self.spentNs = 0;
            self.turnEndAsked = false;
        }, Qt::QueuedConnection);
    }

    void queue(const std::shared_ptr<Token> &token)
    {
        if (!std::exchange(token->queued, true))
            queued.push_back(token);
        askSlice();
    }

    void askSlice()
    {
        if (std::exchange(sliceAsked, true))
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { instance().slice(layoutSliceNs); }, Qt::QueuedConnection);
    }

    static LayoutsAside &instance()
    {
        static LayoutsAside aside;
        static const bool known = [] {
            // Tests and benchmarks waiting for the pictures made aside wait for these too.
            PictureWorker::addWindowWork([] { return !aside.queued.empty(); }, [] { aside.slice(-1); });
            return true;
        }();
        Q_UNUSED(known);
        return aside;
    }

    // Lays texts out for `ns` (all when negative), then asks for the next slice, or for the
    // objects laid out to be drawn once none is left.
    void slice(qint64 ns)
    {
        sliceAsked = false;
        QElapsedTimer timer;
        timer.start();
        // At least one a slice.
        for (bool first = true; !queued.empty() && (first || ns < 0 || timer.nsecsElapsed() < ns); first = false) {
            const std::shared_ptr<Token> token = queued.front().lock();
            queued.pop_front();
            if (!token)
                continue;
            token->queued = false;
            std::lock_guard<std::mutex> hold(token->lock);
            if (!token->object)
                continue;
            token->object->layOutTextAside();
            laidOut.push_back(token);
        }
        if (!queued.empty()) {
            askSlice();
            return;
        }
        // Each canvas draws the area of its objects laid out once.
        QHash<CanvasServices *, QRectF> areas;
        for (const std::weak_ptr<Token> &weak : std::exchange(laidOut, {})) {
            const std::shared_ptr<Token> token = weak.lock();
            if (!token)
                continue;
            std::lock_guard<std::mutex> hold(token->lock);
            if (!token->object || !token->object->mainView())
                continue;
            QRectF &area = areas[token->object->mainView()];
            const QRectF reach = token->object->drawingBounds();
            area = area.isNull() ? reach : area.united(reach);
        }
        for (auto it = areas.cbegin(); it != areas.cend(); ++it)
            it.key()->invalidateRect(it.value());
    }
};

void ColorRect::setLayoutTimesForTesting(qint64 shareNs, qint64 sliceNs)
{
    layoutShareNs = shareNs < 0 ? LayoutShareNs : shareNs;
    layoutSliceNs = sliceNs < 0 ? LayoutSliceNs : sliceNs;
}

int ColorRect::textsAside()
{
    int count = 0;
    for (const std::weak_ptr<TextAsideToken> &token : LayoutsAside::instance().queued)
        if (const auto held = token.lock()) {
            std::lock_guard<std::mutex> hold(held->lock);
            count += held->object ? 1 : 0;
        }
    return count;
}

bool ColorRect::textLaidOutNowOrAside(const QPainter *painter, const std::function<void()> &layOut) const
{
    // Printed and exported labels, and a design of a few objects, lay every text out as drawn.
    const QCoreApplication *app = QCoreApplication::instance();
    if (!drawsScreenOfMany(painter) || !app || QThread::currentThread() != app->thread()
        || PictureWorker::onWindowThread()) {
        layOut();
        return true;
    }
    LayoutsAside &aside = LayoutsAside::instance();
    if (aside.spentNs < layoutShareNs) {
        QElapsedTimer timer;
        timer.start();
        layOut();
        aside.spend(timer.nsecsElapsed());
        return true;
    }
    if (!m_textAsideToken) {
        m_textAsideToken = std::make_shared<TextAsideToken>();
        m_textAsideToken->object = this;
    }
    aside.queue(m_textAsideToken);
    return false;
}

void ColorRect::dropTextAside()
{
    // A text left to lay out aside is no longer wanted.
    if (m_textAsideToken) {
        std::lock_guard<std::mutex> hold(m_textAsideToken->lock);
        m_textAsideToken->object = nullptr;
    }
}

void ColorRect::layOutTextAside() const
{
    // What drawing the box lays out, outside any drawing pass.
    auto *self = const_cast<ColorRect *>(this);
    if (!self->_textFlow)
        return;
    self->refreshChainContainers();
    self->_textFlow->layoutIfNeeded();
}

} // namespace quillmark
