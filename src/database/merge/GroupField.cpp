#include "database/merge/GroupField.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTransform>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <typeinfo>
#include <vector>

#include "database/merge/ColorField.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "platform/UndoManager.h"
#include "platform/UndoRegistrationOff.h"

namespace quillmark {

namespace {

const QString ShowTitleKey = QStringLiteral("ShowTitleKey");
const QString CapitalizeTitleKey = QStringLiteral("CapitalizeTitleKey");

QPointF turned(const QPointF &point, double degrees, const QPointF &centre)
{
    QTransform t;
    t.translate(centre.x(), centre.y());
    t.rotate(degrees);
    t.translate(-centre.x(), -centre.y());
    return t.map(point);
}

// A member's turned outline's bounds; a merge field's from its frame alone, without building
// the outline (a turn of thousands of pairs asks at every step).
QRectF turnedBounds(const ColorRect &member)
{
    return typeid(member) == typeid(ColorField) ? member.turnedFrameBounds() : member.getRotatedBounds().bounds();
}

bool readFlag(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        return text.compare(QStringLiteral("YES"), Qt::CaseInsensitive) == 0
            || text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || text.toInt() != 0;
    }
    return value.toBool();
}

// The rotation knob looks alike on every pair at one zoom: it is drawn once into a picture of
// device pixels and copied where each pair shows it, on whole pixels. The knobs of thousands of
// selected pairs are drawn at each repaint; each filled as an antialiased circle of its own
// cost as much as the rest of the pair's drawing.
constexpr int KnobPadding = 1;

QImage knobPicture(const QSizeF &side, const QColor &color)
{
    struct Look
    {
        QSizeF side;
        QRgb color;
        QImage picture;
    };
    thread_local std::vector<Look> held;
    for (const Look &look : held) {
        if (look.side == side && look.color == color.rgba())
            return look.picture;
    }
    // Zooms come and go: a few looks are kept.
    if (held.size() >= 8)
        held.erase(held.begin());
    const QSize size(int(std::ceil(side.width())) + 2 * KnobPadding, int(std::ceil(side.height())) + 2 * KnobPadding);
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath oval;
        oval.addEllipse(QRectF(QPointF(KnobPadding, KnobPadding), side));
        painter.fillPath(oval, color);
    }
    held.push_back({side, color.rgba(), picture});
    return picture;
}

// Copies the knob's picture centred on `point`; false when the painter turns or blends what
// it draws (the knob is filled as it stands then).
bool copyKnob(QPainter *painter, const QPointF &point, double side, const QColor &color)
{
    const QTransform toDevice = painter->deviceTransform();
    if (toDevice.type() > QTransform::TxScale || !toDevice.isInvertible() || painter->opacity() != 1.0
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QSizeF deviceSide(side * std::abs(toDevice.m11()), side * std::abs(toDevice.m22()));
    if (!(deviceSide.width() > 0 && deviceSide.width() < 256 && deviceSide.height() > 0 && deviceSide.height() < 256))
        return false;
    const QPointF centre = toDevice.map(point);
    const double left = std::round(centre.x() - deviceSide.width() / 2.0) - KnobPadding;
    const double top = std::round(centre.y() - deviceSide.height() / 2.0) - KnobPadding;
    if (!(std::abs(left) < 1e8 && std::abs(top) < 1e8))
        return false;
    const QTransform world = painter->worldTransform();
    painter->setWorldTransform(toDevice.inverted() * world);
    painter->drawImage(QPoint(int(left), int(top)), knobPicture(deviceSide, color));
    painter->setWorldTransform(world);
    return true;
}

QRectF unionOf(const QRectF &a, const QRectF &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a.united(b);
}

} // namespace

std::shared_ptr<GroupField> GroupField::create()
{
    return std::make_shared<GroupField>();
}

QString GroupField::className() const
{
    return QStringLiteral("GroupField");
}

void registerGroupFieldKind()
{
    Group::registerClass(QStringLiteral("GroupField"), [] { return std::make_shared<GroupField>(); });
}

void GroupField::addObjects(const GraphicList &list)
{
    Group::addObjects(list);
    updateGroupField();
}

ColorField *GroupField::titleObject() const
{
    if (objects.isEmpty())
        return nullptr;
    auto *first = dynamic_cast<ColorField *>(objects.first().get());
    if (first && first->isTitle())
        return first;
    return objects.size() > 1 ? dynamic_cast<ColorField *>(objects.at(1).get()) : nullptr;
}

ColorField *GroupField::contentsObject() const
{
    if (objects.isEmpty())
        return nullptr;
    auto *first = dynamic_cast<ColorField *>(objects.first().get());
    if (first && !first->isTitle())
        return first;
    return objects.size() > 1 ? dynamic_cast<ColorField *>(objects.at(1).get()) : nullptr;
}

bool GroupField::hasPictureMember() const
{
    for (const std::shared_ptr<ColorRect> &member : objects) {
        if (member->drawsImage())
            return true;
    }
    return false;
}

bool GroupField::showTitle() const
{
    ColorField *contents = contentsObject();
    return _showTitle && !(contents && contents->drawsImage());
}

void GroupField::setShowTitle(bool flag)
{
    const bool old = _showTitle;
    registerUndo([old](Group &group) { static_cast<GroupField &>(group).setShowTitle(old); });
    _showTitle = flag;
    if (ColorField *title = titleObject())
        title->setHidden(!showTitle());
    redisplay();
}

void GroupField::setCapitalizeTitle(bool flag)
{
    _capitilizeTitle = flag;
    redisplay();
}

bool GroupField::isEditable() const
{
    for (const std::shared_ptr<ColorRect> &member : objects) {
        if (member->isEditable1())
            return true;
    }
    return false;
}

void GroupField::updateGroupField()
{
    ColorField *title = titleObject();
    ColorField *contents = contentsObject();
    if (!title || !contents || title == contents)
        return;
    const QRectF titleFrame = title->frameBounds();
    const QRectF contentsFrame = contents->frameBounds();
    double titleLine = title->baselineRect().height();
    double contentsLine = contents->baselineRect().height();
    if (contentsLine == 0)
        contentsLine = titleLine;
    if (titleLine == 0)
        titleLine = contentsLine;
    // The outlines, each inset by its member's inset, meet without gap or overlap, and the
    // first lines end level.
    const double x = contentsFrame.x() - titleFrame.width() + title->inset() + contents->inset();
    const double y = contentsFrame.y() + contentsLine - titleLine;
    title->setFrameOrig(QPointF(x, y));
}

QPointF GroupField::rotate(float degrees, const QPointF &centre)
{
    Group::rotate(degrees);
    const QPointF c = centre.isNull() ? bounds().center() : centre;
    for (const std::shared_ptr<ColorRect> &object : std::as_const(objects)) {
        auto *member = dynamic_cast<ColorField *>(object.get());
        if (!member)
            continue;
        const QPointF m = turnedBounds(*member).center();
        const QPointF p = turned(m, degrees, c);
        member->setFrameOrig(member->frameBounds().topLeft() + (p - m));
    }
    return c;
}

void GroupField::rotate(float degrees)
{
    rotate(degrees, QPointF());
}

void GroupField::setSelectedObject(ColorField *member, bool)
{
    ColorField *title = titleObject();
    ColorField *contents = contentsObject();
    if (!title || !contents)
        return;
    if (title->isHidden() || !(title->isSelected() || contents->isSelected())) {
        contents->setSelected(true);
        title->setSelected(false);
    } else {
        title->setSelected(member == title);
        contents->setSelected(member == contents);
    }
    redisplay();
}

void GroupField::scaleByX(double sx, double sy)
{
    if (sx == 1.0 && sy == 1.0)
        return;
    ColorField *title = titleObject();
    ColorField *contents = contentsObject();
    if (!title || !contents || title == contents)
        return;
    UndoRegistrationOff off(undoManager());
    const bool wasTemplate = contents->isTemplate();
    const float a = angle();
    QPointF centre = rotate(-a, QPointF());
    const QRectF oldTitle = title->frameBounds();
    const QRectF oldContents = contents->frameBounds();
    if (wasTemplate) {
        title->scaleByX(sx, sy);
        contents->scaleByX(sx, sy);
    }
    const QRectF newTitle = title->frameBounds();
    const QRectF newContents = contents->frameBounds();
    const double insets = title->inset() + contents->inset();
    const bool hidden = title->isHidden();
    switch (contents->align()) {
    case 2: {
        const double left = hidden ? oldContents.x() : oldTitle.x();
        const double middle = (left + oldContents.right()) / 2.0 * sx;
        const double width = hidden ? newContents.width() : newTitle.width() + newContents.width() - insets;
        title->setFrameOrig(QPointF(middle - width / 2.0, newTitle.y()));
        contents->setFrameOrig(QPointF(middle + width / 2.0 - newContents.width(), newContents.y()));
        break;
    }
    case 1: {
        const double right = oldContents.right() * sx;
        contents->setFrameOrig(QPointF(right - newContents.width(), newContents.y()));
        title->setFrameOrig(QPointF(right - newTitle.width() - newContents.width() + insets, newTitle.y()));
        break;
    }
    default:
        if (!hidden)
            contents->setFrameOrig(QPointF(newTitle.x() + newTitle.width() - insets, newContents.y()));
        else
            title->setFrameOrig(QPointF(newContents.x() - newTitle.width() + insets, newTitle.y()));
        break;
    }
    title->setTemplateFlag(wasTemplate);
    contents->setTemplateFlag(wasTemplate);
    centre = QPointF(centre.x() * sx, centre.y() * sy);
    rotate(a, centre);
}

float GroupField::angle() const
{
    return objects.isEmpty() ? _angle : objects.first()->angle();
}

void GroupField::setAngle(float degrees, const QPointF &centre)
{
    if (!std::isfinite(degrees) || !std::isfinite(centre.x()) || !std::isfinite(centre.y()))
        return;
    const float d = degrees - angle();
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects)) {
        float turnedAngle = member->angle() + d;
        if (turnedAngle > 360.0f)
            turnedAngle -= 360.0f;
        else if (turnedAngle < 0.0f)
            turnedAngle += 360.0f;
        member->setAngle(turnedAngle, true);
        const QPointF m = turnedBounds(*member).center();
        const QPointF p = turned(m, d, centre);
        member->setFrameBounds(member->frameBounds().translated(p - m));
    }
    _angle = degrees;
    nameAction("Change Object Angle");
    redisplay();
    updateRulers();
}

void GroupField::setAngle(float degrees)
{
    setAngle(degrees, bounds().center());
}

float GroupField::width() const
{
    ColorField *title = titleObject();
    ColorField *contents = contentsObject();
    if (!title || !contents)
        return 0.0f;
    return float(title->frameBounds().width() + contents->frameBounds().width() - title->inset() - contents->inset());
}

float GroupField::height() const
{
    float tallest = 0.0f;
    for (const std::shared_ptr<ColorRect> &member : objects)
        tallest = std::max(tallest, float(member->frameBounds().height()));
    return tallest;
}

int GroupField::resizeByMovingKnob(int, const QPointF &, unsigned)
{
    return 0;
}

void GroupField::setOriginX(float x)
{
    const double shift = double(x) - bounds().x();
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        member->setOriginX(float(member->originX() + shift));
    redisplay();
}

void GroupField::setOriginY(float y)
{
    const double shift = double(y) - bounds().y();
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        member->setOriginY(float(member->originY() + shift));
    redisplay();
}

QRectF GroupField::bounds() const
{
    ColorField *contents = contentsObject();
    if (!contents)
        return Group::bounds();
    QRectF area = turnedBounds(*contents);
    if (ColorField *title = titleObject(); _showTitle && title && title != contents)
        area = unionOf(area, turnedBounds(*title));
    const double inset = contents->inset();
    return area.adjusted(inset, 0, -inset, 0);
}

QRectF GroupField::frameBounds() const
{
    ColorField *contents = contentsObject();
    if (!contents)
        return Group::frameBounds();
    const double inset = contents->inset();
    const float a = angle();
    QRectF area;
    if (a == 0.0f) {
        for (const std::shared_ptr<ColorRect> &member : objects)
            area = unionOf(area, member->frameBounds());
        return area.adjusted(inset, 0, -inset, 0);
    }
    // The members as they lie with the pair turned upright about the centre of its bounds.
    // Each member's turned bounds are found once, for that centre and for the member's own
    // place: the rulers ask every pair of a turned selection at every step of a drag.
    ColorField *title = titleObject();
    QVarLengthArray<QRectF, 2> turnedFrames;
    QRectF contentsFrame;
    QRectF titleFrame;
    for (const std::shared_ptr<ColorRect> &member : objects) {
        turnedFrames.append(turnedBounds(*member));
        if (member.get() == contents)
            contentsFrame = turnedFrames.last();
        else if (member.get() == title)
            titleFrame = turnedFrames.last();
    }
    const QRectF pair = _showTitle && title && title != contents ? unionOf(contentsFrame, titleFrame) : contentsFrame;
    // As bounds() has it; the inset it takes off both sides leaves the centre where it is.
    const QPointF c = pair.center();
    for (qsizetype i = 0; i < objects.size(); ++i) {
        QRectF frame = objects.at(i)->frameBounds();
        const QPointF m = turnedFrames.at(i).center();
        frame.translate(turned(m, -a, c) - m);
        area = unionOf(area, frame);
    }
    return area.adjusted(inset, 0, -inset, 0);
}

QRectF GroupField::frameBoundsRotated() const
{
    const QRectF frame = frameBounds();
    const float a = angle();
    if (a == 0.0f)
        return frame;
    QTransform t;
    t.translate(frame.center().x(), frame.center().y());
    t.rotate(a);
    t.translate(-frame.center().x(), -frame.center().y());
    return t.mapRect(frame);
}

QPointF GroupField::rotateKnobPoint(double side) const
{
    ColorField *contents = contentsObject();
    if (!contents)
        return {};
    const QRectF r = contents->frameBounds();
    const QPointF knob(r.right() + side / 2.0 - contents->inset(), r.bottom() + side / 2.0);
    return turned(knob, contents->angle(), r.center());
}

int GroupField::knobUnderPoint(const QPointF &point) const
{
    const double zoom = getZoom() > 0 ? getZoom() : 1.0;
    const double side = double(handleWidth()) / zoom;
    const double half = double(handleHalfWidth()) / zoom;
    return rotateKnobUnderPoint(QRectF(-half, -half, side, side), point);
}

int GroupField::rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const
{
    if (objects.size() < 2)
        return 0;
    const double zoom = getZoom() > 0 ? getZoom() : 1.0;
    const double side = double(handleWidth()) / zoom;
    // The hit square lies on the drawn knob.
    QRectF square = knobRect;
    square.moveCenter(rotateKnobPoint(side));
    return square.contains(point) ? 11 : 0;
}

void GroupField::drawSelect(QPainter *painter)
{
    if (!painter || (rectsView && rectsView->isPrinting()))
        return;
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        member->drawSelect(painter, QRectF());
    if (!hasPictureMember()) {
        const double zoom = getZoom() > 0 ? getZoom() : 1.0;
        drawRotateHandle(rotateKnobPoint(double(handleWidth()) / zoom), painter);
    }
}

void GroupField::drawRotateHandle(const QPointF &point, QPainter *painter) const
{
    if (!painter || isEditable())
        return;
    const double zoom = getZoom() > 0 ? getZoom() : 1.0;
    const double side = double(handleWidth()) / zoom;
    const QColor knob = QGuiApplication::instance() ? QGuiApplication::palette().color(QPalette::Highlight)
                                                    : QColor(48, 140, 198);
    if (copyKnob(painter, point, side, knob))
        return;
    QRectF square(0, 0, side, side);
    square.moveCenter(point);
    QPainterPath oval;
    oval.addEllipse(square);
    painter->fillPath(oval, knob);
}

QVariantMap GroupField::propertyListRepresentation(const GraphicList &graphics, const Places *places) const
{
    QVariantMap dict = Group::propertyListRepresentation(graphics, places);
    dict.insert(ShowTitleKey, _showTitle ? QStringLiteral("YES") : QStringLiteral("NO"));
    dict.insert(CapitalizeTitleKey, _capitilizeTitle ? QStringLiteral("YES") : QStringLiteral("NO"));
    return dict;
}

bool GroupField::loadPropertyListRepresentation(const QVariantMap &dict, const GraphicList &graphics)
{
    if (!Group::loadPropertyListRepresentation(dict, graphics))
        return false;
    // A pair is two merge fields; anything else stored under this kind is not one.
    if (objects.size() != 2 || !titleObject() || !contentsObject() || titleObject() == contentsObject())
        return false;
    if (dict.contains(ShowTitleKey)) {
        _showTitle = readFlag(dict.value(ShowTitleKey));
        titleObject()->setHidden(!_showTitle);
    }
    if (dict.contains(CapitalizeTitleKey))
        _capitilizeTitle = readFlag(dict.value(CapitalizeTitleKey));
    return true;
}

} // namespace quillmark
