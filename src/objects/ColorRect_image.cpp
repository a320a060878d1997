// The object's image: where it comes from (a file, a picture, a stored form), how it sits in
// the frame, and what the object hands on to the image object.
#include "objects/ColorRect.h"

#include <algorithm>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/specImage.h"

namespace quillmark {

void ColorRect::setImage(const specImage *source)
{
    if (!source) {
        if (!_image && !_missingImage)
            return;
        _image.reset();
        _missingImage.reset();
        invalidate();
        return;
    }
    if (!source->isValid())
        return;
    const QSizeF newSize = source->size();
    if (!(newSize.width() > 0) || !(newSize.height() > 0))
        return;
    const double reference = _image ? _image->size().width() : _frameBounds.width();
    _filter = false;
    // Without an image before, the object's own settings are what the inspector shows.
    float keptTile = img_tile;
    bool keptTint = _tint;
    QString keptMask;
    if (_image) {
        keptTile = _image->tile();
        keptTint = _image->isTint();
        keptMask = _image->imageMaskName();
    }
    _image.reset();

    std::shared_ptr<specImage> image = source->copyRepresentations();
    if (_isscalewithbox) {
        // The longer side of the new picture takes the reference width.
        const float factor = std::min(float(reference / newSize.width()),
                                      float(reference / newSize.height()));
        setFrameBounds(QRectF(_frameBounds.topLeft(),
                              QSizeF(newSize.width() * factor, newSize.height() * factor)));
    }
    image->setColor(_tintColor);
    if (keptTile != 0.0f)
        image->setTile(keptTile);
    image->setTint(keptTint);
    if (!keptMask.isEmpty())
        image->setImageMaskName(keptMask);
    image->clearPrepared();
    _image = std::move(image);
    _missingImage.reset();
    if (_mainView) {
        _image->setController(_mainView);
        invalidate();
    }
}

void ColorRect::setImage(const QImage &bitmap)
{
    if (bitmap.isNull())
        return;
    const specImage source(bitmap);
    setImage(&source);
}

std::shared_ptr<specImage> ColorRect::NSImageFromPath(const QString &path, QString *error)
{
    return specImage::fromFile(path, error);
}

bool ColorRect::setImageFromPath(const QString &path, QString *error)
{
    const std::shared_ptr<specImage> loaded = NSImageFromPath(path, error);
    if (!loaded)
        return false;
    image_path = path;
    setImage(loaded.get());
    _isTemplate = false;
    return true;
}

bool ColorRect::setImagePath(const QString &path, QString *error)
{
    // Nothing changes unless the file gives an image: a path that names no image would
    // otherwise be written into the document in place of the picture the user sees.
    const std::shared_ptr<specImage> loaded = NSImageFromPath(path, error);
    if (!loaded)
        return false;
    const QString oldPath = image_path;
    const std::shared_ptr<specImage> oldImage = _image;
    const std::optional<QVariant> oldMissing = _missingImage;
    registerUndo([oldPath, oldImage, oldMissing](ColorRect &object) {
        object.restoreImage(oldPath, oldImage, oldMissing);
    });
    image_path = path;
    setImage(loaded.get());
    nameAction("Change Image");
    return true;
}

void ColorRect::restoreImage(const QString &path, const std::shared_ptr<specImage> &image,
                             const std::optional<QVariant> &missingImage)
{
    const QString oldPath = image_path;
    const std::shared_ptr<specImage> oldImage = _image;
    const std::optional<QVariant> oldMissing = _missingImage;
    registerUndo([oldPath, oldImage, oldMissing](ColorRect &object) {
        object.restoreImage(oldPath, oldImage, oldMissing);
    });
    image_path = path;
    _image = image;
    _missingImage = missingImage;
    if (_image && _mainView)
        _image->setController(_mainView);
    invalidate();
    nameAction("Change Image");
}

void ColorRect::setFilteredImage(const QImage &processed)
{
    if (processed.isNull())
        return;
    const QString oldPath = image_path;
    const std::shared_ptr<specImage> oldImage = _image;
    const std::optional<QVariant> oldMissing = _missingImage;
    const bool oldFiltered = _filter;
    registerUndo([oldPath, oldImage, oldMissing, oldFiltered](ColorRect &object) {
        object.restoreFilteredImage(oldPath, oldImage, oldMissing, oldFiltered);
    });
    image_path.clear();
    // The filtered picture takes the old one's place in the box: with scale-with-box on,
    // setImage would fit the frame to the new picture's proportions.
    const bool scaled = _isscalewithbox;
    _isscalewithbox = false;
    // The result stands for the picture it was made from, at the size that picture is placed
    // by, however many pixels it holds (a photo decoded at a fraction of its pixels, a drawing
    // rasterised for the panel): the object shows it where it showed the picture.
    const specImage source(processed, _image ? _image->drawingSize() : QSizeF());
    setImage(&source);
    _isscalewithbox = scaled;
    _filter = true;
    invalidate();
    nameAction("Change Image");
}

void ColorRect::restoreFilteredImage(const QString &path, const std::shared_ptr<specImage> &image,
                                     const std::optional<QVariant> &missingImage, bool filtered)
{
    const QString oldPath = image_path;
    const std::shared_ptr<specImage> oldImage = _image;
    const std::optional<QVariant> oldMissing = _missingImage;
    const bool oldFiltered = _filter;
    registerUndo([oldPath, oldImage, oldMissing, oldFiltered](ColorRect &object) {
        object.restoreFilteredImage(oldPath, oldImage, oldMissing, oldFiltered);
    });
    image_path = path;
    _image = image;
    _missingImage = missingImage;
    _filter = filtered;
    if (_image && _mainView)
        _image->setController(_mainView);
    invalidate();
    nameAction("Change Image");
}

void ColorRect::setSpecImage(const specImage &image)
{
    _image = std::make_shared<specImage>(image);
    _image->setController(_mainView);
    _isTemplate = false;
}

QImage ColorRect::getImage() const
{
    return _image ? _image->prepareImage() : QImage();
}

QColor ColorRect::getImageColor() const
{
    return _image ? _image->getColor() : QColor();
}

void ColorRect::setImageColor(const QColor &color)
{
    _isTemplate = false;
    if (_image)
        _image->setColor(color);
}

bool ColorRect::hasValidImage() const
{
    return _image && _image->isValid();
}

QRectF ColorRect::imageFrame() const
{
    if (!hasValidImage())
        return {};
    return imageDestination(_image->size(), _image->isVector());
}

void ColorRect::makeMonohromeImage(bool flag)
{
    registerUndo([flag](ColorRect &object) { object.makeMonohromeImage(!flag); });
    passMonoToImage(flag);
}

void ColorRect::setImageRotation(int degrees)
{
    if (!hasValidImage())
        return;
    _image->setController(_mainView);
    _image->setRotation(degrees);
    invalidate();
    setActionName(localizedStringFromTable(QStringLiteral("Rotate Image"), QStringLiteral("UndoStrings")));
}

void ColorRect::setImageMaskName(const QString &name)
{
    if (!hasValidImage())
        return;
    const QString old = _image->imageMaskName();
    registerUndo([old](ColorRect &object) { object.setImageMaskName(old); });
    _image->setImageMaskName(name);
    invalidate();
    setActionName(localizedStringFromTable(QStringLiteral("Change Clipart Mask"), QStringLiteral("UndoStrings")));
}

void ColorRect::setImageMaskFlag(bool flag)
{
    if (!hasValidImage())
        return;
    _image->setController(_mainView);
    _image->setImageMaskFlag(flag);
    invalidate();
    setActionName(localizedStringFromTable(QStringLiteral("Mask Clipart"), QStringLiteral("UndoStrings")));
}

void ColorRect::fitImage()
{
    if (!canDrawsImage() || !hasValidImage())
        return;
    registerUndo([](ColorRect &object) { object.fitImageReset(); });
    // Measured like the drawing measures it, so that a vector picture fills the frame too.
    const QSizeF size = _image->drawingSize();
    setXImageOffset(0.0f);
    setYImageOffset(0.0f);
    setXImageScale(float(_frameBounds.width() * 100.0 / size.width()));
    setYImageScale(float(_frameBounds.height() * 100.0 / size.height()));
}

void ColorRect::fitImageReset()
{
    if (!canDrawsImage() || !hasValidImage())
        return;
    registerUndo([](ColorRect &object) { object.fitImage(); });
    setXImageOffset(_ximg_offset);
    setYImageOffset(_yimg_offset);
    setXImageScale(_ximg_scale);
    setYImageScale(_yimg_scale);
}

void ColorRect::setXImageOffset(float given)
{
    changeImagePlacement(_ximg_offset, given, -maxImageOffset, maxImageOffset, &ColorRect::setXImageOffset,
                         "X Image Offset", TemplateFlag::Keep);
}

void ColorRect::setYImageOffset(float given)
{
    changeImagePlacement(_yimg_offset, given, -maxImageOffset, maxImageOffset, &ColorRect::setYImageOffset,
                         "Y Image Offset");
}

void ColorRect::setXImageScale(float given)
{
    changeImagePlacement(_ximg_scale, given, 0.0, maxImageScale, &ColorRect::setXImageScale, "X Image Scale");
}

void ColorRect::setYImageScale(float given)
{
    changeImagePlacement(_yimg_scale, given, 0.0, maxImageScale, &ColorRect::setYImageScale, "Y Image Scale");
}

void ColorRect::changeImagePlacement(float &field, float given, double low, double high,
                                     void (ColorRect::*setter)(float), const char *actionKey, TemplateFlag flag)
{
    const std::optional<double> value = boundedValue(given, low, high);
    if (!value)
        return;
    changeStyle(field, float(*value), setter, Language::stringForKey(actionKey), Redraw::None, flag);
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

// While the image follows the box its scale is whatever the frame makes it, so the stored
// form records the placement that is shown. Vector pictures are measured at the size they
// are drawn at.
float ColorRect::getXImageScale() const
{
    if (_isscalewithbox && hasValidImage() && _image->drawingSize().width() > 0)
        return float(_frameBounds.width() / _image->drawingSize().width() * 100.0);
    return _ximg_scale;
}

float ColorRect::getYImageScale() const
{
    if (_isscalewithbox && hasValidImage() && _image->drawingSize().height() > 0)
        return float(_frameBounds.height() / _image->drawingSize().height() * 100.0);
    return _yimg_scale;
}

void ColorRect::setImageOpacity(float given)
{
    const std::optional<double> opacity = boundedValue(given, 0.0, 100.0);
    if (!opacity)
        return;
    changeStyle(img_opacity, float(*opacity), &ColorRect::setImageOpacity,
                Language::stringForKey("Change Image Opacity"), Redraw::Object, TemplateFlag::Keep);
}

QVariant ColorRect::imagePropertyList(bool includeImageData) const
{
    if (!_image)
        return QVariant();
    return _image->propertyListRepresentation(includeImageData);
}

void ColorRect::loadImagePropertyList(const QVariant &value, bool imageLoaded)
{
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap dict = value.toMap();
        if (imageLoaded && _image) {
            _image->loadPropertyListRepresentation(dict);
        } else if (std::shared_ptr<specImage> stored = specImage::objectWithPropertyListRepresentation(dict)) {
            stored->setController(_mainView);
            _image = std::move(stored);
        }
    } else if (value.typeId() == QMetaType::QByteArray) {
        if (std::shared_ptr<specImage> stored = specImage::fromArchivedData(value.toByteArray()))
            setImage(stored.get());
    }
}

namespace {

struct KeptImageDrawing : ColorRect::KeptDrawing
{
    std::shared_ptr<const specImage> image;
    // The file the object's stored form names, when it names one.
    QString path;
    // The reduced copy the screen shows and the prepared image it was made from.
    qint64 screenSource = 0;
    int screenHalvings = 0;
    QImage screenImage;
};

} // namespace

std::shared_ptr<const ColorRect::KeptDrawing> ColorRect::keptDrawingForCopies() const
{
    if (!hasValidImage())
        return nullptr;
    auto kept = std::make_shared<KeptImageDrawing>();
    kept->image = std::make_shared<specImage>(*_image);
    kept->path = image_path;
    kept->screenSource = _screenImage.source;
    kept->screenHalvings = _screenImage.halvings;
    kept->screenImage = _screenImage.image;
    return kept;
}

void ColorRect::takeKeptDrawing(const std::shared_ptr<const KeptDrawing> &kept)
{
    const auto *picture = dynamic_cast<const KeptImageDrawing *>(kept.get());
    if (!picture || !hasValidImage())
        return;
    _image->takeRastersOf(*picture->image);
    // A copy takes the prepared image of its source, so the source's reduced copy of it serves
    // the copy's screen as well: Duplicate of thousands of pictures scales none anew. It is
    // used only while the prepared image it was made from is the one drawn.
    if (_screenImage.image.isNull() && !picture->screenImage.isNull())
        _screenImage = {picture->screenSource, picture->screenHalvings, picture->screenImage};
}

void ColorRect::offerKeptPictures(const std::vector<std::shared_ptr<const KeptDrawing>> &drawings,
                                  specImage::KnownFiles &known)
{
    for (const std::shared_ptr<const KeptDrawing> &drawing : drawings) {
        const auto *picture = dynamic_cast<const KeptImageDrawing *>(drawing.get());
        if (!picture || !picture->image)
            continue;
        if (!picture->path.isEmpty())
            known.offer(picture->path, picture->image);
        else
            // Stored in the copy by its bytes, made once for the copy and shared with it.
            known.offerStored(picture->image->archivedData(), picture->image);
    }
}

void ColorRect::copyImageTo(ColorRect &target) const
{
    target._missingImage = _missingImage;
    if (!_image) {
        target._image.reset();
        return;
    }
    target._image = std::make_shared<specImage>(*_image);
    target._image->setController(target._mainView);
}

ColorRect::PreparedImage ColorRect::preparedImage(QSizeF devicePixels, ImageUse use)
{
    if (!hasValidImage())
        return {};
    PreparedImage prepared;
    switch (use) {
    case ImageUse::Exact:
        prepared.image = _image->prepareImage(devicePixels);
        break;
    case ImageUse::Thumbnail:
        prepared.image = _image->prepareImageForPreview(devicePixels);
        // The print options' preview has nothing kept to show yet (a design just opened, a
        // picture scrolled out of the canvas): one is made aside, its place shown meanwhile.
        if (!prepared.image.isNull() || !_mainView || !_mainView->isDrawingPrintPreview())
            break;
        [[fallthrough]];
    case ImageUse::Screen: {
        // The object may be gone by the time its picture arrives.
        const std::weak_ptr<ColorRect> self = weak_from_this();
        const specImage::Shown shown = _image->prepareImageForScreen(devicePixels, [self] {
            if (const std::shared_ptr<ColorRect> object = self.lock())
                object->invalidate();
        });
        prepared.image = shown.image;
        prepared.waiting = shown.waiting;
        break;
    }
    }
    prepared.size = _image->size();
    prepared.isVector = _image->isVector();
    prepared.rotation = _image->getRotation();
    return prepared;
}

void ColorRect::passTintToImage()
{
    if (_image)
        _image->setTint(_tint);
}

void ColorRect::passTintColorToImage()
{
    if (_image)
        _image->setColor(_tintColor);
}

void ColorRect::passTileToImage()
{
    if (_image)
        _image->setTile(img_tile);
}

void ColorRect::passMonoToImage(bool flag)
{
    if (_image)
        _image->setMono(flag);
}

} // namespace quillmark
