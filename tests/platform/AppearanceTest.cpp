#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>

#include "platform/Appearance.h"
#include "platform/UserDefaults.h"

using namespace quillmark;

TEST(Appearance, FollowsThePaletteAndSignalsFlips)
{
    const QPalette original = QGuiApplication::palette();
    QPalette light = original;
    light.setColor(QPalette::Window, QColor(236, 236, 236));
    QApplication::setPalette(light);
    EXPECT_FALSE(isDarkAppearance());

    AppearanceWatcher watcher;
    QSignalSpy spy(&watcher, &AppearanceWatcher::changed);
    EXPECT_FALSE(watcher.isDark());

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    QApplication::setPalette(dark);
    EXPECT_TRUE(isDarkAppearance());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(0).toBool());

    // Another dark palette is no flip.
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    EXPECT_EQ(spy.count(), 1);

    QApplication::setPalette(light);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_FALSE(spy.at(1).at(0).toBool());
    QApplication::setPalette(original);
}

TEST(Appearance, TheInterfaceStyleDefaultMeansDark)
{
    const QPalette original = QGuiApplication::palette();
    QPalette light = original;
    light.setColor(QPalette::Window, QColor(236, 236, 236));
    QApplication::setPalette(light);
    UserDefaults::standard().setString("Dark", "AppleInterfaceStyle");
    EXPECT_TRUE(isDarkAppearance());
    UserDefaults::standard().removeObject("AppleInterfaceStyle");
    EXPECT_FALSE(isDarkAppearance());
    QApplication::setPalette(original);
}
