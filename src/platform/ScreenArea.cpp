#include "platform/ScreenArea.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <utility>

namespace quillmark {

namespace {

std::function<QRect(const QWidget *)> &override_()
{
    static std::function<QRect(const QWidget *)> area;
    return area;
}

} // namespace

QRect ScreenArea::available(const QWidget *window)
{
    if (override_())
        return override_()(window);
    QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

std::function<QRect(const QWidget *)> ScreenArea::setOverride(std::function<QRect(const QWidget *)> area)
{
    return std::exchange(override_(), std::move(area));
}

} // namespace quillmark
