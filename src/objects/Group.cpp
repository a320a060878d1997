#include "objects/Group.h"
#include "objects/GroupedObjects.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTransform>

#include <atomic>
#include <cmath>

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "platform/Format.h"
#include "platform/UndoManager.h"
#include "objects/KnobResize.h"

namespace quillmark {

namespace {

QHash<QString, Group::Creator> &groupCreators()
{
    static QHash<QString, Group::Creator> table;
    return table;
}

const QString ClassKey = QStringLiteral("GroupClassKey");
const QString ContentsKey = QStringLiteral("GroupContents");
const QString AngleKey = QStringLiteral("GroupAngle");
const QString BoundsKey = QStringLiteral("GroupBounds");

// The union that the design's rectangles use: an empty rectangle adds nothing, and nothing
// added to an empty start gives the empty rectangle.
QRectF unionOf(const QRectF &a, const QRectF &b)
{
    if (a.isEmpty())
        return b.isEmpty() ? QRectF() : b;
    if (b.isEmpty())
        return a;
    return a.united(b);
}

// A turned group's stored frame is taken when it has a size and lies about its members: its
// centre within the members' box, and its diagonal no longer than the members' box allows
// (a box turned within another is at most as wide as that box's diagonal).
bool storedFrameFits(const QRectF &stored, const QRectF &members)
{
    if (!(stored.width() > 0.0) || !(stored.height() > 0.0) || members.isNull())
        return false;
    const double slack = 1.0;
    const QRectF around = members.adjusted(-slack, -slack, slack, slack);
    const double diagonal = std::hypot(members.width(), members.height());
    return around.contains(stored.center()) && stored.width() <= diagonal + slack
           && stored.height() <= diagonal + slack;
}

} // namespace

namespace {
std::atomic<qint64> s_selectedGroups{0};
} // namespace

Group::Group() = default;

Group::~Group()
{
    setSelected(false);
    clear();
}

void Group::setSelected(bool flag)
{
    if (selected == flag)
        return;
    selected = flag;
    s_selectedGroups += flag ? 1 : -1;
}

qint64 Group::selectedCount()
{
    return s_selectedGroups;
}

GroupedObjects groupedObjects(const QList<std::shared_ptr<ColorRect>> &objects, const std::function<bool(const Group &)> &take)
{
    GroupedObjects result;
    QSet<const Group *> seen;
    QSet<const ColorRect *> members;
    for (const std::shared_ptr<ColorRect> &object : objects) {
        Group *owner = object->getGroup();
        if (!owner || seen.contains(owner) || (take && !take(*owner)))
            continue;
        seen.insert(owner);
        result.groups.append(owner);
        for (const std::shared_ptr<ColorRect> &member : owner->getObjects())
            members.insert(member.get());
    }
    result.loose.reserve(objects.size());
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (!members.contains(object.get()))
            result.loose.append(object);
    return result;
}

std::shared_ptr<Group> Group::create()
{
    return std::make_shared<Group>();
}

QString Group::className() const
{
    return QStringLiteral("Group");
}

bool Group::registerClass(const QString &name, Creator creator)
{
    // The name comes from stored documents; only group kinds may ever be built from it.
    static const QStringList kinds = {QStringLiteral("Group"), QStringLiteral("GroupField")};
    if (!creator || !kinds.contains(name))
        return false;
    groupCreators().insert(name, std::move(creator));
    return true;
}

void registerGroupKinds()
{
    Group::registerClass(QStringLiteral("Group"), [] { return std::make_shared<Group>(); });
}

// ---- membership and state ----

void Group::addObject(const std::shared_ptr<ColorRect> &object)
{
    if (cleared || !object)
        return;
    objects.append(object);
    object->setGroup(this);
}

void Group::addObjects(const GraphicList &list)
{
    if (cleared)
        return;
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        member->setGroup(nullptr);
    objects.clear();
    for (const std::shared_ptr<ColorRect> &object : list) {
        if (!object)
            continue;
        objects.append(object);
        object->setGroup(this);
        _bounds = unionOf(_bounds, object->getRotatedBounds().bounds());
    }
}

bool Group::replaceObject(const std::shared_ptr<ColorRect> &member, const std::shared_ptr<ColorRect> &replacement)
{
    const qsizetype at = objects.indexOf(member);
    if (at < 0 || !replacement || objects.contains(replacement))
        return false;
    if (member->getGroup() == this)
        member->setGroup(nullptr);
    objects[at] = replacement;
    replacement->setGroup(this);
    return true;
}

void Group::clear()
{
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects)) {
        if (member->getGroup() == this)
            member->setGroup(nullptr);
    }
    objects.clear();
    cleared = true;
    _angle = 0.0f;
    _bounds = QRectF();
}

bool Group::isEdit() const
{
    return !objects.isEmpty() && objects.first()->isEdit();
}

float Group::handleWidth() const
{
    // Every object has the same handle; an empty group answers it too.
    return objects.isEmpty() ? ColorRect::handleWidth() : objects.first()->handleWidth();
}

bool Group::isLocked() const
{
    for (const std::shared_ptr<ColorRect> &member : objects) {
        if (member->isLocked())
            return true;
    }
    return false;
}

bool Group::isResizable() const
{
    for (const std::shared_ptr<ColorRect> &member : objects) {
        if (!member->isResizable())
            return false;
    }
    return true;
}

QString Group::pageName() const
{
    return objects.isEmpty() ? QString() : objects.first()->getPageName();
}

bool Group::isOnPageNamed(const QString &name) const
{
    const QString page = pageName();
    return !page.isNull() && page == name;
}

double Group::getZoom() const
{
    return rectsView ? rectsView->getZoomCoeff() : 1.0;
}

UndoManager *Group::undoManager() const
{
    return rectsView ? rectsView->undoManager() : nullptr;
}

void Group::registerUndo(std::function<void(Group &)> inverse)
{
    UndoManager *manager = undoManager();
    if (!manager || !manager->isUndoRegistrationEnabled())
        return;
    std::shared_ptr<Group> self = weak_from_this().lock();
    if (!self)
        return;
    manager->registerUndo([self, inverse = std::move(inverse)]() { inverse(*self); });
}

void Group::setActionName(const QString &name)
{
    if (UndoManager *manager = undoManager())
        manager->setActionName(name);
}

void Group::nameAction(const char *key)
{
    UndoManager *manager = undoManager();
    if (manager && manager->isUndoRegistrationEnabled())
        manager->setActionName(Language::stringForKey(QString::fromLatin1(key)));
}

void Group::redisplay()
{
    if (rectsView)
        rectsView->invalidateGraphic(nullptr);
}

void Group::updateRulers()
{
    if (rectsView)
        rectsView->updateRulers();
}

// ---- geometry ----

QRectF Group::frameBounds() const
{
    QRectF area;
    for (const std::shared_ptr<ColorRect> &member : objects)
        area = unionOf(area, member->frameBounds());
    return area;
}

QRectF Group::membersFrame() const
{
    if (_angle == 0.0f) {
        QRectF area;
        for (const std::shared_ptr<ColorRect> &member : objects)
            area = unionOf(area, member->getRotatedBounds().bounds());
        return area;
    }
    // The members turned back about a fixed point p give their unturned box R. Turned about p,
    // R holds the members; a frame turned about its own centre does so when it is R moved by
    // what turning R's centre about p moves it.
    const QPointF p = _bounds.center();
    QTransform back;
    back.translate(p.x(), p.y());
    back.rotate(-double(_angle));
    back.translate(-p.x(), -p.y());
    QRectF box;
    for (const std::shared_ptr<ColorRect> &member : objects)
        box = unionOf(box, back.map(member->getRotatedBounds().toPainterPath()).boundingRect());
    if (box.isEmpty())
        return box;
    const QPointF c = box.center();
    return box.translated(back.inverted().map(c) - c);
}

QRectF Group::frameBoundsRotated() const
{
    QRectF area;
    for (const std::shared_ptr<ColorRect> &member : objects)
        area = unionOf(area, member->frameBoundsRotated());
    return area;
}

BezierPath Group::framePath() const
{
    BezierPath path;
    for (const std::shared_ptr<ColorRect> &member : objects) {
        const BezierPath frame = BezierPath::bezierPathWithRect(member->frameBounds());
        if (member->angle() != 0.0f)
            path.appendPath(member->getRotatedBoundsPath(frame).value_or(frame));
        else
            path.appendPath(frame);
    }
    if (_angle != 0.0f && !path.isEmpty()) {
        const QPointF c = path.bounds().center();
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(-double(_angle));
        t.translate(-c.x(), -c.y());
        path.transform(t);
    }
    return path;
}

QPointF Group::knobLocation(int knob) const
{
    return KnobResize::knobPosition(bounds(), knob);
}

void Group::center(const QPointF &point)
{
    const QPointF c = bounds().center();
    moveBy(float(point.x() - c.x()), float(point.y() - c.y()));
}

void Group::changeBounds(const QRectF &rect)
{
    const QRectF old = _bounds;
    registerUndo([old](Group &group) { group.changeBounds(old); });
    _bounds = rect;
    redisplay();
    updateRulers();
}

void Group::setFrameBounds(const QRectF &rect, const QString &message)
{
    const QRectF old = _bounds;
    if (undoManager()) {
        registerUndo([old, message](Group &group) { group.setFrameBounds(old, message); });
        setActionName(Language::stringForKey(message));
    }
    _bounds = rect;
    redisplay();
    updateRulers();
}

// ---- stored form ----

QVariantMap Group::propertyListRepresentation(const GraphicList &graphics, const Places *places) const
{
    QVariantMap dict;
    dict.insert(ClassKey, className());
    if (objects.size() >= 2) {
        QStringList indexes;
        for (const std::shared_ptr<ColorRect> &member : objects) {
            const qsizetype index = places ? places->value(member.get(), -1) : graphics.indexOf(member);
            if (index >= 0)
                indexes.append(fmtInt(index));
        }
        dict.insert(ContentsKey, indexes.join(QLatin1Char(',')));
    }
    dict.insert(AngleKey, double(_angle));
    dict.insert(BoundsKey, rectToString(_bounds));
    return dict;
}

std::shared_ptr<Group> Group::groupWithPropertyListRepresentation(const QVariantMap &dict,
                                                                 const GraphicList &graphics)
{
    const QVariant kind = dict.value(ClassKey);
    if (kind.typeId() != QMetaType::QString)
        return nullptr;
    const auto it = groupCreators().constFind(kind.toString());
    if (it == groupCreators().constEnd())
        return nullptr;
    std::shared_ptr<Group> group = it.value()();
    if (!group || !group->loadPropertyListRepresentation(dict, graphics)) {
        if (group)
            group->clear();
        return nullptr;
    }
    return group;
}

QList<std::shared_ptr<Group>> Group::groupsWithPropertyListRepresentation(const QVariantList &entries,
                                                                         const GraphicList &graphics)
{
    QList<std::shared_ptr<Group>> made;
    // What each object answered before the entry being read: a left-out copy gives it back.
    QHash<const ColorRect *, Group *> holder;
    for (const std::shared_ptr<ColorRect> &graphic : graphics)
        if (Group *owner = graphic ? graphic->getGroup() : nullptr)
            holder.insert(graphic.get(), owner);
    QSet<QByteArray> seen;
    for (const QVariant &entry : entries) {
        std::shared_ptr<Group> group = groupWithPropertyListRepresentation(entry.toMap(), graphics);
        if (!group)
            continue;
        QByteArray key = group->className().toUtf8();
        key.reserve(key.size() + group->objects.size() * qsizetype(sizeof(void *)) + 48);
        for (const std::shared_ptr<ColorRect> &member : std::as_const(group->objects)) {
            const quintptr address = quintptr(member.get());
            key.append(reinterpret_cast<const char *>(&address), sizeof(address));
        }
        const double geometry[5] = {double(group->_angle), group->_bounds.x(), group->_bounds.y(),
                                    group->_bounds.width(), group->_bounds.height()};
        key.append(reinterpret_cast<const char *>(geometry), sizeof(geometry));
        if (seen.contains(key)) {
            // A file may hold one group hundreds of times: one is made.
            const GraphicList members = group->objects;
            group->clear();
            for (const std::shared_ptr<ColorRect> &member : members)
                member->setGroup(holder.value(member.get()));
            continue;
        }
        seen.insert(key);
        for (const std::shared_ptr<ColorRect> &member : std::as_const(group->objects))
            holder.insert(member.get(), group.get());
        made.append(std::move(group));
    }
    return made;
}

std::shared_ptr<Group> Group::createGroupOfKind(const QString &name)
{
    const auto it = groupCreators().constFind(name);
    return it == groupCreators().constEnd() ? nullptr : it.value()();
}

bool Group::loadPropertyListRepresentation(const QVariantMap &dict, const GraphicList &graphics)
{
    const QVariant contents = dict.value(ContentsKey);
    if (contents.typeId() != QMetaType::QString)
        return false;
    const QStringList parts = contents.toString().split(QLatin1Char(','));
    if (parts.size() < 2)
        return false;
    QSet<const ColorRect *> added;
    for (const QString &part : parts) {
        bool ok = false;
        const qint64 index = part.trimmed().toLongLong(&ok);
        if (!ok || index < 0 || index >= graphics.size())
            continue;
        // An index repeated in a damaged entry must not make an object a member twice.
        const std::shared_ptr<ColorRect> &object = graphics.at(index);
        if (added.contains(object.get()))
            continue;
        added.insert(object.get());
        addObject(object);
    }
    // Indexes that name no object leave no group behind: a group of one object would only
    // stand in the way of selecting it.
    if (objects.size() < 2) {
        clear();
        return false;
    }
    const QVariant angle = dict.value(AngleKey);
    if (angle.isValid()) {
        const double value = angle.typeId() == QMetaType::QString ? leadingDouble(angle.toString())
                                                                  : angle.toDouble();
        if (const std::optional<double> degrees = ColorRect::boundedDegrees(value))
            _angle = float(*degrees);
    }
    // The bounds are the members' own: a stored frame that is not theirs (damaged, a million
    // points away, of no size) would put the group's knobs where its members are not, and a
    // width typed in the inspector would scale them from there. A turned group keeps its
    // unturned frame, which its members do not tell, when the stored one fits them.
    QRectF members;
    for (const std::shared_ptr<ColorRect> &member : std::as_const(objects))
        members = unionOf(members, member->getRotatedBounds().bounds());
    _bounds = members;
    const QVariant rect = dict.value(BoundsKey);
    if (_angle != 0.0f && rect.typeId() == QMetaType::QString) {
        if (const std::optional<QRectF> r = ColorRect::boundedFrame(rectFromString(rect.toString()));
            r && storedFrameFits(*r, members))
            _bounds = *r;
    }
    return true;
}

} // namespace quillmark
