#pragma once
// Child widgets that keep their place the way the effects panel's controls were designed to:
// each side (left margin, width, right margin; top margin, height, bottom margin) is either
// fixed or flexible, and a change of the parent's size is shared among the flexible sides in
// proportion to their sizes. Qt's layouts cannot express these pinned, hand-placed frames.
#include <QSize>

class QWidget;

namespace quillmark {

namespace Autoresizing {

enum Flag {
    None = 0,
    LeftMargin = 1,
    Width = 2,
    RightMargin = 4,
    TopMargin = 8,
    Height = 16,
    BottomMargin = 32,
};

void setFlags(QWidget *widget, int mask);
int flags(const QWidget *widget);
// Moves and sizes the children of `parent` that carry a mask, for a change from `oldSize` to
// the parent's present size. An invalid old size (the first resize) moves nothing.
void resizeSubviews(QWidget *parent, const QSize &oldSize);

} // namespace Autoresizing

} // namespace quillmark
