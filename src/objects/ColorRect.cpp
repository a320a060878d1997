#include "objects/ColorRect.h"

#include <QMutex>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/ObjectInfo.h"
#include "objects/TextContainer.h"
#include "objects/TextFlow.h"
#include "objects/specImage.h"
#include "platform/UndoManager.h"

namespace quillmark {

bool ColorRect::templateMode = false;

std::optional<double> ColorRect::boundedValue(double value, double low, double high)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, low, high);
}

std::optional<double> ColorRect::boundedDegrees(double degrees)
{
    if (!std::isfinite(degrees))
        return std::nullopt;
    return std::abs(degrees) > maxDegrees ? std::fmod(degrees, 360.0) : degrees;
}

std::optional<QRectF> ColorRect::boundedFrame(const QRectF &rect)
{
    if (!std::isfinite(rect.x()) || !std::isfinite(rect.y()) || !std::isfinite(rect.width())
        || !std::isfinite(rect.height()))
        return std::nullopt;
    const QRectF r = rect.normalized();
    const double x = std::clamp(r.x(), -maxCoordinate, maxCoordinate);
    const double y = std::clamp(r.y(), -maxCoordinate, maxCoordinate);
    return QRectF(x, y, std::min(r.width(), maxCoordinate), std::min(r.height(), maxCoordinate));
}

ColorRect::ColorRect()
    : ColorRect(QRectF())
{
}

ColorRect::ColorRect(const QRectF &frame)
    : _frameBounds(frame)
    , _color_fill(QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.5f))
    , _color_stroke(Qt::black)
    , _fillColor2(Qt::red)
    , _shadowColor(QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.5f))
    , _tintColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.0f))
{
}

const std::shared_ptr<QTextDocument> &ColorRect::sharedTextStorage() const
{
    if (!_text) {
        _text = std::make_shared<QTextDocument>();
        // Typing and text changes are undone through the canvas's shared undo manager, not
        // through a stack of the document's own.
        _text->setUndoRedoEnabled(false);
    }
    return _text;
}

bool ColorRect::hasText() const
{
    return _text && !_text->isEmpty();
}

bool ColorRect::hasTextToDraw() const
{
    // The flow always reads the box's own document.
    return _textFlow ? !_textFlow->isEmpty() : hasText();
}

ColorRect::~ColorRect()
{
    dropTextAside();
    // A disposed box leaves its chain, so the other boxes never reach it again.
    if (_textFlow && _container)
        _textFlow->removeContainer(_container.get());
}

std::shared_ptr<ColorRect> ColorRect::create(const QRectF &frame)
{
    return std::make_shared<ColorRect>(frame);
}

QString ColorRect::className() const
{
    return QStringLiteral("ColorRect");
}

std::shared_ptr<ColorRect> ColorRect::newInstance() const
{
    return std::make_shared<ColorRect>();
}

std::shared_ptr<ColorRect> ColorRect::copy() const
{
    std::shared_ptr<ColorRect> target = newInstance();
    copyValues(*target);
    return target;
}

void ColorRect::copyValues(ColorRect &target) const
{
    // The stroke width is limited by the target's frame, so the frame must be there first.
    target.setFrameBounds(_frameBounds);
    // Shaped-text mode may switch the fill on and change the fill colour; taking it before
    // the fill lets the fill setters below restore what this object shows.
    target.setPowerText(_powertext);
    target.setStrokeColor(_color_stroke);
    target.setFillColor(_color_fill);
    target.setStrokeLineWidth(_lineWidth);
    // A width taken from the last-used style may exceed the frame's limit; the copy shows
    // the same stroke as its original.
    target._lineWidth = _lineWidth;
    target.setDrawsFill(_fill);
    target.setDrawsStroke(_stroke);
    target.setDrawsShadow(_shadow);
    target.setXImageOffset(_ximg_offset);
    target.setYImageOffset(_yimg_offset);
    target.setXImageScale(_ximg_scale);
    target.setYImageScale(_yimg_scale);
    target.setAngle(_angle, false);
    target.setEdit(_isedit);
    target.setResizable(_isresizable);
    target.setScaleWithBox(_isscalewithbox);
    target.setDrawsImage(_drawsimg);
    target.setPageName(_pageName);
    target.setTextWrap(_textWrap);
    target.setImageOpacity(img_opacity);
    // The image object itself is copied, not loaded again from its file: an image without
    // a file, or one changed by a filter, mask or tint, must survive the copy.
    target.image_path = image_path;
    copyImageTo(target);
    target.setObjectLayer(_mlayer);
    target.setRunaroundState(_textRunaroundState);
    target.setRunaroundMode(_textRunaroundMode);
    target.setFillType(_fillType);
    target.setFillColor2(_fillColor2);
    target.setFillAngle(_fillAngle);
    target.setShadowDistance(_shadowDistance);
    target.setShadowColor(_shadowColor);
    target.setShadowAngle(_shadowAngle);
    target.setShadowBlur(_shadowBlur);
    target.setLinePattern(_linePattern);
    target.setFixRatio(_fixRatio);
    target.setTintImage(_tint);
    target.setTintImageColor(_tintColor);
    target.setImageTile(img_tile);
    target.setFlipHor(_flipH);
    target.setFlipVert(_flipV);
    target.setPowerType(powerType());
    // Last, so that no frame change made by taking the image or the style above survives.
    target.setFrameBounds(_frameBounds);
}

void ColorRect::syncronizeWith(const ColorRect *)
{
    const QVariantMap &style = ObjectInfo::changedValues();
    auto take = [&style](const QString &key) -> const QVariant * {
        auto it = style.constFind(key);
        return it == style.constEnd() ? nullptr : &it.value();
    };
    auto colorOf = [](const QVariant &value, QColor &field) {
        const QColor color = value.value<QColor>();
        if (color.isValid())
            field = color;
    };
    if (const QVariant *v = take(ObjectInfo::borderKey))
        _stroke = v->toInt() != 0;
    if (const QVariant *v = take(ObjectInfo::fillKey))
        _fill = v->toInt() != 0;
    if (const QVariant *v = take(ObjectInfo::shadowKey))
        _shadow = v->toInt() != 0;
    // The style may have been chosen for another object or with nothing selected: each
    // value is held to what this object's setter would take.
    if (const QVariant *v = take(ObjectInfo::lineWidthKey))
        if (const auto width = boundedLineWidth(v->toFloat()))
            _lineWidth = *width;
    if (const QVariant *v = take(ObjectInfo::lineColorKey))
        colorOf(*v, _color_stroke);
    if (const QVariant *v = take(ObjectInfo::linePatternKey))
        _linePattern = v->toInt();
    if (const QVariant *v = take(ObjectInfo::fillTypeKey))
        _fillType = v->toInt();
    if (const QVariant *v = take(ObjectInfo::fillColor1Key))
        colorOf(*v, _color_fill);
    if (const QVariant *v = take(ObjectInfo::fillColor2Key))
        colorOf(*v, _fillColor2);
    if (const QVariant *v = take(ObjectInfo::fillAngleKey))
        if (const auto degrees = boundedDegrees(v->toDouble()))
            _fillAngle = *degrees;
    if (const QVariant *v = take(ObjectInfo::shadowDistanceKey))
        if (const auto distance = boundedValue(v->toDouble(), -maxShadowDistance, maxShadowDistance))
            _shadowDistance = *distance;
    if (const QVariant *v = take(ObjectInfo::shadowColorKey))
        colorOf(*v, _shadowColor);
    if (const QVariant *v = take(ObjectInfo::shadowAngleKey))
        if (const auto degrees = boundedDegrees(v->toDouble()))
            _shadowAngle = *degrees;
    if (const QVariant *v = take(ObjectInfo::shadowBlurKey))
        _shadowBlur = std::clamp(v->toInt(), 0, maxShadowBlur);
}

// ---- the canvas ----

void ColorRect::setMainView(CanvasServices *canvas)
{
    _mainView = canvas;
    // The image's own undoable commands reach the same canvas.
    if (_image)
        _image->setController(canvas);
}

UndoManager *ColorRect::undoManager() const
{
    return _mainView ? _mainView->undoManager() : nullptr;
}

double ColorRect::getZoom() const
{
    return _mainView ? _mainView->getZoomCoeff() : 1.0;
}

void ColorRect::registerUndo(std::function<void(ColorRect &)> inverse)
{
    // A drag step turns or moves thousands of objects with registration off: nothing is
    // kept, so nothing is wrapped.
    UndoManager *manager = undoManager();
    if (!manager || !manager->isUndoRegistrationEnabled())
        return;
    std::shared_ptr<ColorRect> self = weak_from_this().lock();
    if (!self)
        return;
    manager->registerUndo([self, inverse = std::move(inverse)]() { inverse(*self); });
}

void ColorRect::setActionName(const QString &name)
{
    if (UndoManager *manager = undoManager())
        manager->setActionName(name);
}

void ColorRect::nameAction(const char *key)
{
    UndoManager *manager = undoManager();
    if (manager && manager->isUndoRegistrationEnabled())
        manager->setActionName(Language::stringForKey(QString::fromLatin1(key)));
}

void ColorRect::invalidate()
{
    if (_mainView)
        _mainView->invalidateGraphic(this);
}

void ColorRect::updateRulers()
{
    if (_mainView)
        _mainView->updateRulers();
}

// ---- page, layer and plain state ----

QString ColorRect::sharedPageName(const QString &name)
{
    // A design's objects name a few pages between them, but each read from a file holds a
    // copy of its own: comparing thousands of copies at every repaint read them all.
    // Objects are made on several threads.
    static QMutex guard;
    static QSet<QString> names;
    constexpr qsizetype MostNames = 256;
    QMutexLocker lock(&guard);
    if (const auto found = names.constFind(name); found != names.constEnd())
        return *found;
    if (names.size() < MostNames)
        names.insert(name);
    return name;
}

void ColorRect::setPageName(const QString &name)
{
    if (name == QLatin1String("Horizontal") || name == QLatin1String("Vertical"))
        _pageName = sharedPageName(name + QLatin1String("Front"));
    else
        _pageName = sharedPageName(name);
}

bool ColorRect::isOnPageNamed(const QString &name) const
{
    return _pageName == name;
}

void ColorRect::setBack(bool flag)
{
    setObjectLayer(flag ? 0 : 1);
}

void ColorRect::setClip(const BezierPath *path)
{
    if (path)
        clip = *path;
    else
        clip.reset();
}

void ColorRect::setPowerText(bool flag)
{
    // The merge field has its own shaped-text operation; the other kinds take none.
    if (className() != QLatin1String("ColorRect"))
        return;
    _powertext = flag;
    if (flag && !_fill) {
        _fill = true;
        // Shaped text is painted with the fill colour, so an invisible one would hide it.
        if (!_color_fill.isValid() || _color_fill.alphaF() == 0.0f)
            setFillColor(QColor(Qt::gray));
    }
}

void ColorRect::setAnchor(int value)
{
    const int old = _anchor;
    registerUndo([old](ColorRect &object) { object.setAnchor(old); });
    _anchor = value;
}

void ColorRect::setRunaroundState(int state)
{
    const int old = _textRunaroundState;
    registerUndo([old](ColorRect &object) { object.setRunaroundState(old); });
    _textRunaroundState = state;
    if (_mainView && old != state)
        _mainView->runaroundChanged();
    nameAction("Text Runaround");
}

void ColorRect::setRunaroundMode(int mode)
{
    const int old = _textRunaroundMode;
    registerUndo([old](ColorRect &object) { object.setRunaroundMode(old); });
    _textRunaroundMode = mode;
    nameAction("Text Runaround");
}

// ---- geometry ----

QRectF ColorRect::frameBoundsRotated() const
{
    if (_angle == 0.0f)
        return _frameBounds;
    const QPointF center = _frameBounds.center();
    QTransform turn;
    turn.translate(center.x(), center.y());
    turn.rotate(_angle);
    turn.translate(-center.x(), -center.y());
    const QRectF &r = _frameBounds;
    const QPointF corners[4] = {turn.map(r.topLeft()), turn.map(r.topRight()),
                                turn.map(r.bottomRight()), turn.map(r.bottomLeft())};
    qreal minX = corners[0].x(), maxX = minX, minY = corners[0].y(), maxY = minY;
    for (const QPointF &p : corners) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

void ColorRect::setFrameBounds(const QRectF &given)
{
    const std::optional<QRectF> bounded = boundedFrame(given);
    if (!bounded)
        return;
    const QRectF rect = *bounded;
    const QRectF old = _frameBounds;
    // QRectF's own comparison is fuzzy; only an exactly equal rectangle is no change.
    const bool originChanged = rect.x() != old.x() || rect.y() != old.y();
    const bool sizeChanged = rect.width() != old.width() || rect.height() != old.height();
    if (!originChanged && !sizeChanged)
        return;
    registerUndo([old](ColorRect &object) { object.setFrameBounds(old); });
    _frameBounds = rect;
    UndoManager *manager = undoManager();
    if (manager && manager->isUndoRegistrationEnabled()) {
        if (originChanged && sizeChanged)
            nameAction("Change Object Bounds");
        else if (originChanged)
            nameAction("Change Object Origin");
        else
            nameAction("Change Object Size");
    }
    _isTemplate = false;
}

void ColorRect::setOriginX(float given)
{
    const std::optional<double> bounded = boundedValue(given, -maxCoordinate, maxCoordinate);
    if (!bounded)
        return;
    const float x = float(*bounded);
    const float old = originX();
    registerUndo([old](ColorRect &object) { object.setOriginX(old); });
    _frameBounds.moveLeft(x);
    invalidate();
    updateRulers();
    nameAction("Set Object Origin");
}

void ColorRect::setOriginY(float given)
{
    const std::optional<double> bounded = boundedValue(given, -maxCoordinate, maxCoordinate);
    if (!bounded)
        return;
    const float y = float(*bounded);
    const float old = originY();
    registerUndo([old](ColorRect &object) { object.setOriginY(old); });
    _frameBounds.moveTop(y);
    invalidate();
    updateRulers();
    nameAction("Set Object Origin");
}

void ColorRect::setWidth(float given)
{
    const std::optional<double> bounded = boundedValue(given, 0.0, maxCoordinate);
    if (!bounded)
        return;
    const float newWidth = float(*bounded);
    const float old = width();
    registerUndo([old](ColorRect &object) { object.setWidth(old); });
    // A zero width has no ratio to keep.
    if (fixRatio() && _frameBounds.width() != 0.0)
        _frameBounds.setHeight(
            std::min(maxCoordinate, _frameBounds.height() * newWidth / _frameBounds.width()));
    _frameBounds.setWidth(newWidth);
    invalidate();
    updateRulers();
    nameAction("Change Object Width");
}

void ColorRect::setHeight(float given)
{
    const std::optional<double> bounded = boundedValue(given, 0.0, maxCoordinate);
    if (!bounded)
        return;
    const float newHeight = float(*bounded);
    const float old = height();
    registerUndo([old](ColorRect &object) { object.setHeight(old); });
    // The ratio is taken from the height before it changes; a zero height has none.
    if (fixRatio() && _frameBounds.height() != 0.0)
        _frameBounds.setWidth(
            std::min(maxCoordinate, _frameBounds.width() * newHeight / _frameBounds.height()));
    _frameBounds.setHeight(newHeight);
    invalidate();
    updateRulers();
    nameAction("Change Object Height");
}

void ColorRect::setAngle(float given, bool undo)
{
    const std::optional<double> bounded = boundedDegrees(given);
    if (!bounded)
        return;
    const float newAngle = float(*bounded);
    if (undo) {
        const float old = _angle;
        registerUndo([old](ColorRect &object) { object.setAngle(old, true); });
        nameAction("Change Object Angle");
    }
    if (_mainView) {
        // The area at the old angle must be redrawn as well as the new one.
        invalidate();
        updateRulers();
    }
    _angle = newAngle == 360.0f ? 0.0f : newAngle;
}

void ColorRect::scaleByX(double sx, double sy)
{
    if (!std::isfinite(sx) || !std::isfinite(sy) || !(sx > 0) || !(sy > 0))
        return;
    QRectF r = _frameBounds;
    if (sx != 1.0) {
        r.moveLeft(r.x() * sx);
        r.setWidth(r.width() * sx);
    }
    if (sy != 1.0) {
        r.moveTop(r.y() * sy);
        r.setHeight(r.height() * sy);
    }
    _lineWidth = float(std::min(double(_lineWidth) * sy, maxCoordinate));
    const bool wasTemplate = _isTemplate;
    setFrameBounds(r);
    _isTemplate = wasTemplate;

    if (sx == 1.0 || !hasText())
        return;
    const qreal defaultSize = _text->defaultFont().pointSizeF();
    for (QTextBlock block = _text->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            const qreal size = format.hasProperty(QTextFormat::FontPointSize)
                                   ? format.fontPointSize()
                                   : defaultSize;
            if (size <= 0)
                continue;
            QTextCursor cursor(_text.get());
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            QTextCharFormat scaled;
            scaled.setFontPointSize(size * sx);
            cursor.mergeCharFormat(scaled);
        }
    }
}

// ---- style ----

void ColorRect::setFillColor(const QColor &color)
{
    changeStyle(_color_fill, color, &ColorRect::setFillColor,
                Language::stringForKey("Fill Color Change"), Redraw::Object);
}

void ColorRect::setStrokeColor(const QColor &color)
{
    changeStyle(_color_stroke, color, &ColorRect::setStrokeColor,
                Language::stringForKey("Stroke Color Change"), Redraw::Object);
}

void ColorRect::setScaleWithBox(bool flag)
{
    changeStyle(_isscalewithbox, flag, &ColorRect::setScaleWithBox,
                Language::stringForKey("Scale with Box Change"), Redraw::Object);
}

void ColorRect::setDrawsFill(bool flag)
{
    changeStyle(_fill, flag, &ColorRect::setDrawsFill,
                Language::stringForKey("Draw Object Fill"), Redraw::Object);
}

void ColorRect::setDrawsStroke(bool flag)
{
    changeStyle(_stroke, flag, &ColorRect::setDrawsStroke,
                Language::stringForKey("Draw Object Stroke"), Redraw::Object);
}

void ColorRect::setDrawsShadow(bool flag)
{
    // Switched off, the shadow no longer counts in the drawing bounds: its area is redrawn
    // while it still does.
    if (drawsShadow() && !flag)
        invalidate();
    changeStyle(_shadow, flag, &ColorRect::setDrawsShadow,
                Language::stringForKey("Draw Object Shadow"), Redraw::Object);
}

void ColorRect::setDrawsImage(bool flag)
{
    changeStyle(_drawsimg, flag, &ColorRect::setDrawsImage,
                Language::stringForKey("Draw Object Image"), Redraw::Object);
}

float ColorRect::getMaxLineWidth() const
{
    return float(std::min(_frameBounds.width(), _frameBounds.height()) / 2.0);
}

std::optional<float> ColorRect::boundedLineWidth(float lineWidth) const
{
    if (std::isnan(lineWidth))
        return std::nullopt;
    return std::clamp(lineWidth, 0.0f, std::max(0.0f, getMaxLineWidth()));
}

void ColorRect::setStrokeLineWidth(float lineWidth)
{
    const std::optional<float> limited = boundedLineWidth(lineWidth);
    if (!limited || *limited == _lineWidth)
        return;
    changeStyle(_lineWidth, *limited, &ColorRect::setStrokeLineWidth,
                Language::stringForKey("Stroke Width"), Redraw::Object);
}

void ColorRect::setFillType(int type)
{
    changeStyle(_fillType, type, &ColorRect::setFillType,
                Language::stringForKey("Change Fill Type"), Redraw::None);
}

void ColorRect::setFillColor2(const QColor &color)
{
    changeStyle(_fillColor2, color, &ColorRect::setFillColor2,
                Language::stringForKey("Change Gradient Color"), Redraw::None);
}

void ColorRect::setFillAngle(double given)
{
    const std::optional<double> degrees = boundedDegrees(given);
    if (!degrees)
        return;
    changeStyle(_fillAngle, *degrees, &ColorRect::setFillAngle,
                Language::stringForKey("Change Gradient Angle"), Redraw::None);
}

void ColorRect::setShadowDistance(double given)
{
    const std::optional<double> distance = boundedValue(given, -maxShadowDistance, maxShadowDistance);
    if (!distance)
        return;
    // The caller redraws the new area; the old one, which may reach further, is redrawn here.
    if (drawsShadow())
        invalidate();
    changeStyle(_shadowDistance, *distance, &ColorRect::setShadowDistance,
                Language::stringForKey("Change Shadow Distance"), Redraw::None);
}

void ColorRect::setShadowColor(const QColor &color)
{
    changeStyle(_shadowColor, color, &ColorRect::setShadowColor,
                Language::stringForKey("Change Shadow Color"), Redraw::None);
}

void ColorRect::setShadowAngle(double given)
{
    const std::optional<double> degrees = boundedDegrees(given);
    if (!degrees)
        return;
    if (drawsShadow())
        invalidate();
    changeStyle(_shadowAngle, *degrees, &ColorRect::setShadowAngle,
                Language::stringForKey("Change Shadow Angle"), Redraw::None);
}

void ColorRect::setShadowBlur(int given)
{
    if (drawsShadow())
        invalidate();
    changeStyle(_shadowBlur, std::clamp(given, 0, maxShadowBlur), &ColorRect::setShadowBlur,
                Language::stringForKey("Change Shadow Blur"), Redraw::None);
}

void ColorRect::setLinePattern(int pattern)
{
    changeStyle(_linePattern, pattern, &ColorRect::setLinePattern,
                Language::stringForKey("Change Line Pattern"), Redraw::None);
}

void ColorRect::setFixRatio(bool flag)
{
    changeStyle(_fixRatio, flag, &ColorRect::setFixRatio,
                Language::stringForKey("Change Fix Ratio"), Redraw::None, TemplateFlag::Keep);
}

void ColorRect::setTintImage(bool flag)
{
    changeStyle(_tint, flag, &ColorRect::setTintImage,
                Language::stringForKey("Change Image Tint"), Redraw::None);
    passTintToImage();
}

void ColorRect::setTintImageColor(const QColor &color)
{
    changeStyle(_tintColor, color, &ColorRect::setTintImageColor,
                Language::stringForKey("Change Image Tint Color"), Redraw::None);
    passTintColorToImage();
}

void ColorRect::setFlipHor(bool flag)
{
    changeStyle(_flipH, flag, &ColorRect::setFlipHor,
                Language::stringForKey("Flip Horizontaly"), Redraw::None);
}

void ColorRect::setFlipVert(bool flag)
{
    changeStyle(_flipV, flag, &ColorRect::setFlipVert,
                Language::stringForKey("Flip Vertically"), Redraw::None);
}

void ColorRect::setImageTile(float tile)
{
    // Every copy is drawn when the image is prepared: a count without bound would never end.
    const float count = tile > 0.0f ? std::min(tile, maxImageTile) : 1.0f;
    changeStyle(img_tile, count, &ColorRect::setImageTile,
                Language::stringForKey("Change Image Tile"), Redraw::None);
    passTileToImage();
}

} // namespace quillmark
