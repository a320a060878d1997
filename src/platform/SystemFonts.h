#pragma once
// The fonts the design names by their role rather than by a size of this platform. The design
// counts its sizes on a screen of 72 dots per inch, where the system font is 13 and the small
// system font 11: here the small one keeps that ratio to the application's own font, so it
// stays smaller than the text round it on every screen.
#include <QFont>
#include <QGuiApplication>

#include <algorithm>

namespace quillmark {

inline QFont smallSystemFont()
{
    QFont font = QGuiApplication::font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(font.pixelSize() * 11 / 13)));
    return font;
}

} // namespace quillmark
