#pragma once
// The pictures of texts kept for the screen (merge fields and address blocks copy one picture
// of each text, look, zoom and turn at every repaint) share one budget of memory. The pictures
// drawn least recently go first, never one drawn since the event loop last turned (in the same
// repaint): when a repaint's pictures together pass the budget, those beyond it are not kept
// and their objects draw their texts directly, rather than each pushing out a picture the same
// repaint needs again next time.
//
// An object holds a Handle to each picture it had kept; the picture lives while the budget
// keeps it. Pictures are kept and drawn on the window's thread; a handle may be let go of on
// any thread (a design let go of aside).
#include <QImage>

#include <functional>
#include <memory>

namespace quillmark {

class KeptTextPictures
{
public:
    static constexpr qint64 DefaultBudget = 64LL << 20;

    struct Entry;
    using Handle = std::weak_ptr<Entry>;

    // The picture of `handle`, counted as drawn now; null once it was let go of.
    static std::shared_ptr<const QImage> picture(const Handle &handle);
    // Makes and keeps a picture of `bytes` when it fits beside the pictures drawn in this
    // repaint, letting go of older ones; an empty handle (and `make` not called) when it does
    // not, or off the window's thread.
    static Handle keep(qint64 bytes, const std::function<QImage()> &make);
    // Lets go of a picture its object no longer wants.
    static void release(const Handle &handle);

    // The bytes and number of pictures kept, another budget (forgetting every picture) and
    // forgetting them (tests and benchmarks compare with drawings made afresh).
    static qint64 bytes();
    static qint64 count();
    static void setBudget(qint64 bytes);
    static void forget();
};

} // namespace quillmark
