#pragma once
// The part of the screen a window may take: the screen's available area, without the
// desktop's panels and docks. Tests put in the area of a smaller screen, which the offscreen
// platform cannot give.
#include <QRect>

#include <functional>

class QWidget;

namespace quillmark {

class ScreenArea
{
public:
    ScreenArea() = delete;

    // The available area of the screen the window is on (the primary screen before it is
    // shown), in global coordinates; empty when there is no screen.
    static QRect available(const QWidget *window);
    // Replaces the screen's answer until called with an empty function; returns the
    // replacement it takes the place of.
    static std::function<QRect(const QWidget *)> setOverride(std::function<QRect(const QWidget *)> area);
};

} // namespace quillmark
