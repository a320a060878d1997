#pragma once
// What the zoom button needs of the canvas: the zoom in force and the menu's choice.

namespace quillmark {

class ZoomClient
{
public:
    virtual ~ZoomClient() = default;
    // A choice in the zoom menu, by its position (0 to 9, 6 is the separator).
    virtual void zoomMenuSelect(int index) = 0;
    // 0 no fit, 1 fit height, 2 fit width, 3 fit page.
    virtual int getZoomFit() const = 0;
    // The displayed zoom (1.0 = 100 %).
    virtual double getZoom() const = 0;
};

} // namespace quillmark
