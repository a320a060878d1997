#include "platform/Appearance.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

#include "platform/UserDefaults.h"

namespace quillmark {

bool isDarkAppearance()
{
    if (!UserDefaults::standard().objectForKey(QStringLiteral("AppleInterfaceStyle")).isNull())
        return true;
    return QGuiApplication::palette().window().color().lightness() < 128;
}

AppearanceWatcher::AppearanceWatcher(QObject *parent)
    : QObject(parent)
    , m_dark(isDarkAppearance())
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

AppearanceWatcher::~AppearanceWatcher()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool AppearanceWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        recheck();
    return QObject::eventFilter(watched, event);
}

void AppearanceWatcher::recheck()
{
    const bool dark = isDarkAppearance();
    if (dark == m_dark)
        return;
    m_dark = dark;
    emit changed(dark);
}

} // namespace quillmark
