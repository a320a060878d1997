// The object's image: its file, its placement in the frame, and what the object hands on to
// the image object.
#include "objects/ColorRect.h"

#include "foundation/Language.h"
#include "objects/CanvasServices.h"

namespace quillmark {

bool ColorRect::setImagePath(const QString &path)
{
    const QString old = image_path;
    registerUndo([old](ColorRect &object) { object.setImagePath(old); });
    // The path is kept even when its file cannot be loaded, so the stored form still names
    // the file the user chose.
    image_path = path;
    setActionName(Language::stringForKey("Change Image"));
    return false;
}

bool ColorRect::hasValidImage() const
{
    return _image != nullptr;
}

void ColorRect::makeMonohromeImage(bool flag)
{
    registerUndo([flag](ColorRect &object) { object.makeMonohromeImage(!flag); });
    passMonoToImage(flag);
}

void ColorRect::setXImageOffset(float offset)
{
    changeStyle(_ximg_offset, offset, &ColorRect::setXImageOffset,
                Language::stringForKey("X Image Offset"), Redraw::None, TemplateFlag::Keep);
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

void ColorRect::setYImageOffset(float offset)
{
    changeStyle(_yimg_offset, offset, &ColorRect::setYImageOffset,
                Language::stringForKey("Y Image Offset"), Redraw::None);
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

void ColorRect::setXImageScale(float scale)
{
    changeStyle(_ximg_scale, scale, &ColorRect::setXImageScale,
                Language::stringForKey("X Image Scale"), Redraw::None);
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

void ColorRect::setYImageScale(float scale)
{
    changeStyle(_yimg_scale, scale, &ColorRect::setYImageScale,
                Language::stringForKey("Y Image Scale"), Redraw::None);
    if (_mainView)
        _mainView->invalidateGraphic(nullptr);
}

float ColorRect::getXImageOffset() const
{
    return _isscalewithbox ? 0.0f : _ximg_offset;
}

float ColorRect::getYImageOffset() const
{
    return _isscalewithbox ? 0.0f : _yimg_offset;
}

float ColorRect::getXImageScale() const
{
    return _ximg_scale;
}

float ColorRect::getYImageScale() const
{
    return _yimg_scale;
}

void ColorRect::setImageOpacity(float opacity)
{
    changeStyle(img_opacity, opacity, &ColorRect::setImageOpacity,
                Language::stringForKey("Change Image Opacity"), Redraw::Object, TemplateFlag::Keep);
}

QVariant ColorRect::imagePropertyList(bool) const
{
    return QVariant();
}

void ColorRect::loadImagePropertyList(const QVariant &, bool)
{
}

void ColorRect::copyImageTo(ColorRect &target) const
{
    target._image.reset();
}

ColorRect::PreparedImage ColorRect::preparedImage()
{
    return {};
}

void ColorRect::passTintToImage()
{
}

void ColorRect::passTintColorToImage()
{
}

void ColorRect::passTileToImage()
{
}

void ColorRect::passMonoToImage(bool)
{
}

} // namespace quillmark
