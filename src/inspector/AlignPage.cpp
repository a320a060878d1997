#include "inspector/AlignPage.h"

#include <QPainter>
#include <QSet>
#include <QPixmap>
#include <QRadioButton>
#include <QToolButton>
#include <QTransform>

#include <cmath>

#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "foundation/LanguageControls.h"
#include "barcodes/ColorBarcode.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/CanvasServices.h"
#include "objects/ColorLine.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"

namespace quillmark {

namespace {

// A picture of what a button does: a guide line and two bars lined up on it, or two bars
// of one length with the arrows of the side they share.
QIcon alignIcon(int tag, bool size, const QColor &ink)
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor bar(ink.red(), ink.green(), ink.blue(), 150);
    QTransform turn;
    // The vertical cases are the horizontal ones turned a quarter.
    const bool vertical = size ? tag == 2 : tag >= 4;
    if (vertical) {
        turn.translate(24, 0);
        turn.rotate(90);
    }
    painter.setTransform(turn);
    if (size) {
        painter.fillRect(QRect(4, 5, 16, 5), bar);
        painter.fillRect(QRect(4, 14, 16, 5), bar);
        painter.setPen(ink);
        painter.drawLine(2, 12, 21, 12);
        painter.drawLine(2, 10, 2, 14);
        painter.drawLine(21, 10, 21, 14);
        return QIcon(picture);
    }
    const int place = vertical ? tag - 3 : tag;
    auto barAt = [&](int y, int length) {
        int x = 3;
        if (place == 2)
            x = 12 - length / 2;
        else if (place == 3)
            x = 21 - length;
        painter.fillRect(QRect(x, y, length, 5), bar);
    };
    barAt(5, 16);
    barAt(14, 10);
    painter.setPen(ink);
    const int guide = place == 1 ? 2 : place == 2 ? 12 : 21;
    painter.drawLine(guide, 1, guide, 22);
    return QIcon(picture);
}

// The box of the points; a line's box has no height or no width and still counts.
QRectF boxOf(std::initializer_list<QPointF> points)
{
    const QPointF first = *points.begin();
    double left = first.x(), right = left, top = first.y(), bottom = top;
    for (const QPointF &p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// Grows `box` by `more`; an object without extent (no width and no height) adds nothing.
// QRectF's own union would drop a level line, whose box has no height.
void widen(std::optional<QRectF> &box, const QRectF &more)
{
    if (more.width() == 0.0 && more.height() == 0.0)
        return;
    if (!box) {
        box = more;
        return;
    }
    box = QRectF(QPointF(std::min(box->left(), more.left()), std::min(box->top(), more.top())),
                 QPointF(std::max(box->right(), more.right()), std::max(box->bottom(), more.bottom())));
}

// Equal to a ten-thousandth of a point: a group keeps its measures in single precision.
bool sameMeasure(double a, double b)
{
    return std::abs(a - b) <= 1e-4 + 1e-7 * std::max(std::abs(a), std::abs(b));
}

} // namespace

AlignPage::AlignPage(ObjectInfoPanel *info)
    : InspectorPage(info, ObjectInfoPanel::AlignTab, QStringLiteral("InspectorAlign"), QStringLiteral("Alignment"))
{
    bAlignLeft = addAlignButton(QStringLiteral("bAlignLeft"), AlignLeft, QStringLiteral("Align Left Edges"), QRect(4, 8, 30, 30));
    bAlignMidH = addAlignButton(QStringLiteral("bAlignMidH"), AlignCenterX, QStringLiteral("Align Horizontal Centers"), QRect(36, 8, 30, 30));
    bAlignRight = addAlignButton(QStringLiteral("bAlignRight"), AlignRight, QStringLiteral("Align Right Edges"), QRect(68, 8, 30, 30));
    bAlignTop = addAlignButton(QStringLiteral("bAlignTop"), AlignTop, QStringLiteral("Align Top Edges"), QRect(106, 8, 30, 30));
    bAlignMidV = addAlignButton(QStringLiteral("bAlignMidV"), AlignCenterY, QStringLiteral("Align Vertical Centers"), QRect(138, 8, 30, 30));
    bAlignBottom = addAlignButton(QStringLiteral("bAlignBottom"), AlignBottom, QStringLiteral("Align Bottom Edges"), QRect(170, 8, 30, 30));
    for (QToolButton *button : {bAlignLeft, bAlignMidH, bAlignRight, bAlignTop, bAlignMidV, bAlignBottom})
        connectEdit(button, &QToolButton::clicked, [this, button] { setObjectsAlign(button); });

    auto sizeButton = [this](const QString &name, int tag, const QString &title, const QRect &frame) {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setProperty("tag", tag);
        button->setGeometry(frame);
        button->setText(title);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(20, 20));
        LanguageControls::awakeFromNib(button);
        connectEdit(button, &QToolButton::clicked, [this, button] { setObjectsSize(button); });
        return button;
    };
    // One above the other across the page: side by side, half the page is too narrow for the
    // icon and the title in most languages.
    bSameWidth = sizeButton(QStringLiteral("bSameWidth"), SameWidth, QStringLiteral("Same Width"), QRect(4, 46, 198, 28));
    bSameHeight = sizeButton(QStringLiteral("bSameHeight"), SameHeight, QStringLiteral("Same Height"), QRect(4, 76, 198, 28));
    for (QToolButton *button : {bSameWidth, bSameHeight})
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    addLabel(QStringLiteral("Anchor"), QRect(4, 114, 62, 26));
    // Each button's tag is the anchor it gives plus one; the objects read anchor 1 as the
    // right edge and 2 as the centre, as text alignments number them.
    brAnchorLeft = addAnchorButton(QStringLiteral("brAnchorLeft"), 1, QStringLiteral("Keep the left edge"), QRect(66, 114, 44, 26));
    brAnchorCenter = addAnchorButton(QStringLiteral("brAnchorCenter"), 3, QStringLiteral("Keep the center"), QRect(112, 114, 44, 26));
    brAnchorRight = addAnchorButton(QStringLiteral("brAnchorRight"), 2, QStringLiteral("Keep the right edge"), QRect(158, 114, 44, 26));
    updateAppearance();
}

QToolButton *AlignPage::addAlignButton(const QString &name, int tag, const QString &toolTip, const QRect &frame)
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setProperty("tag", tag);
    button->setGeometry(frame);
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    const QString translated = Language::stringForKey(toolTip);
    button->setToolTip(translated.isEmpty() ? toolTip : translated);
    return button;
}

QRadioButton *AlignPage::addAnchorButton(const QString &name, int tag, const QString &toolTip, const QRect &frame)
{
    auto *button = new QRadioButton(this);
    button->setObjectName(name);
    button->setProperty("tag", tag);
    button->setGeometry(frame);
    button->setIconSize(QSize(20, 20));
    // The refresh alone decides which one is on, also none of them.
    button->setAutoExclusive(false);
    const QString translated = Language::stringForKey(toolTip);
    button->setToolTip(translated.isEmpty() ? toolTip : translated);
    connectEdit(button, &QRadioButton::clicked, [this, button] { setObjectAnchor(button); });
    return button;
}

void AlignPage::updateAppearance()
{
    const QColor ink = palette().color(QPalette::WindowText);
    for (QToolButton *button : {bAlignLeft, bAlignMidH, bAlignRight, bAlignTop, bAlignMidV, bAlignBottom})
        button->setIcon(alignIcon(button->property("tag").toInt(), false, ink));
    bSameWidth->setIcon(alignIcon(SameWidth, true, ink));
    bSameHeight->setIcon(alignIcon(SameHeight, true, ink));
    // The anchors show the lines of text they keep in place: flush left, centred, right.
    brAnchorLeft->setIcon(alignIcon(1, false, ink));
    brAnchorCenter->setIcon(alignIcon(2, false, ink));
    brAnchorRight->setIcon(alignIcon(3, false, ink));
}

// ---- the rules ----

QRectF AlignPage::alignObjectRect(int tag, const QRectF &first, const QRectF &current)
{
    QRectF r = current;
    switch (tag) {
    case AlignLeft:
        r.moveLeft(first.x());
        break;
    case AlignCenterX:
        r.moveLeft(first.x() + 0.5 * first.width() - 0.5 * current.width());
        break;
    case AlignRight:
        r.moveLeft(first.x() + first.width() - current.width());
        break;
    case AlignTop:
        r.moveTop(first.y());
        break;
    case AlignCenterY:
        r.moveTop(first.y() + 0.5 * first.height() - 0.5 * current.height());
        break;
    case AlignBottom:
        r.moveTop(first.y() + first.height() - current.height());
        break;
    default:
        break;
    }
    return r;
}

QRectF AlignPage::setObjectRect(int tag, const QRectF &first, const QRectF &current)
{
    QRectF r = current;
    if (tag == SameWidth || tag == SameSize)
        r.setWidth(first.width());
    if (tag == SameHeight || tag == SameSize)
        r.setHeight(first.height());
    return r;
}

AlignPage::Units AlignPage::unitsOf(const GraphicList &objects)
{
    Units units;
    QSet<const Group *> seen;
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (Group *group = object->getGroup(); group && !seen.contains(group)) {
            seen.insert(group);
            units.groups.append(group);
        }
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (!object->getGroup())
            units.loose.append(object);
    return units;
}

QRectF AlignPage::alignmentFrame(const ColorRect &object)
{
    // A line is its two ends, turned with it: its frame's other corners are not on it.
    if (const auto *line = dynamic_cast<const ColorLine *>(&object)) {
        const QRectF f = line->frameBounds();
        const QPointF start = line->startsAtLowerLeft() ? f.bottomLeft() : f.topLeft();
        const QPointF end = line->startsAtLowerLeft() ? f.topRight() : f.bottomRight();
        if (line->angle() == 0.0f)
            return f;
        QTransform turn;
        turn.translate(f.center().x(), f.center().y());
        turn.rotate(line->angle());
        turn.translate(-f.center().x(), -f.center().y());
        return boxOf({turn.map(start), turn.map(end)});
    }
    return object.frameBoundsRotated();
}

QRectF AlignPage::alignmentFrame(const Group &group)
{
    std::optional<QRectF> box;
    for (const std::shared_ptr<ColorRect> &member : group.getObjects())
        if (!member->isHidden())
            widen(box, alignmentFrame(*member));
    return box.value_or(group.frameBoundsRotated());
}

// ---- actions ----

void AlignPage::setObjectsAlign(QObject *sender)
{
    alignObjectEdges(sender ? sender->property("tag").toInt() : 0);
    info()->makeRectViewKey();
}

void AlignPage::setObjectsSize(QObject *sender)
{
    setObjectSize(sender ? sender->property("tag").toInt() : 0);
    info()->makeRectViewKey();
}

void AlignPage::alignObjectEdges(int tag)
{
    const GraphicList objects = selection();
    const Units units = unitsOf(objects);
    // The box of the whole selection, hidden objects apart, measured as each unit is moved:
    // by what the objects are (frames, a line's ends), never by the area they repaint, which
    // reaches past them by the knobs and the shadow. So a second press moves nothing.
    std::optional<QRectF> box;
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (!object->isHidden())
            widen(box, alignmentFrame(*object));
    const QRectF reference = box.value_or(QRectF());
    for (Group *group : units.groups) {
        if (group->isLocked())
            continue;
        const QRectF q = alignmentFrame(*group);
        const QRectF r = alignObjectRect(tag, reference, q);
        if (!sameMeasure(r.x(), q.x()) || !sameMeasure(r.y(), q.y()))
            group->moveBy(float(r.x() - q.x()), float(r.y() - q.y()));
    }
    for (const std::shared_ptr<ColorRect> &object : units.loose) {
        if (object->isLocked())
            continue;
        const QRectF q = alignmentFrame(*object);
        const QRectF r = alignObjectRect(tag, reference, q);
        if (!sameMeasure(r.x(), q.x()) || !sameMeasure(r.y(), q.y()))
            object->moveBy(QPointF(r.x() - q.x(), r.y() - q.y()));
    }
    info()->invalidateCanvas();
    info()->updateObjectValues();
}

void AlignPage::setObjectSize(int tag)
{
    const GraphicList objects = selection();
    if (objects.isEmpty()) {
        info()->invalidateCanvas();
        return;
    }
    const Units units = unitsOf(objects);
    const std::shared_ptr<ColorRect> &first = objects.first();
    Group *firstGroup = first->getGroup();
    const QRectF reference = firstGroup ? alignmentFrame(*firstGroup) : alignmentFrame(*first);
    for (Group *group : units.groups) {
        if (group == firstGroup || !group->isResizable())
            continue;
        // A group scales in proportion about its corner, and its members' frames with it:
        // the factor the members' box needs is the factor its bounds take. Kept in
        // proportion, it can take one measure only; for both, the height decides, as it
        // would after the width.
        const QRectF q = alignmentFrame(*group);
        const bool byHeight = tag == SameHeight || (tag == SameSize && q.height() > 0.0);
        if (byHeight && q.height() > 0.0 && !sameMeasure(q.height(), reference.height()))
            group->setHeight(float(group->bounds().height() * reference.height() / q.height()));
        else if (!byHeight && q.width() > 0.0 && !sameMeasure(q.width(), reference.width()))
            group->setWidth(float(group->bounds().width() * reference.width() / q.width()));
    }
    for (const std::shared_ptr<ColorRect> &object : units.loose) {
        if (!object->isResizable())
            continue;
        const QRectF q = alignmentFrame(*object);
        const QRectF r = setObjectRect(tag, reference, q);
        if (sameMeasure(r.width(), q.width()) && sameMeasure(r.height(), q.height()))
            continue;
        if (q == object->frameBounds()) {
            object->setFrameBounds(r);
            continue;
        }
        if (const std::optional<QRectF> frame = turnedFrameFor(*object, q, r.size(), tag))
            object->setFrameBounds(*frame);
    }
    info()->invalidateCanvas();
    // The setters used here register their undo but leave the document's changed mark to us.
    info()->wasChanged();
    info()->updateObjectValues();
}

std::optional<QRectF> AlignPage::turnedFrameFor(const ColorRect &object, const QRectF &box, const QSizeF &size, int tag)
{
    // A turned object keeps its angle and the corner of its box; its own frame is sized so
    // that the box takes the new size and keeps the measure not asked for. When its turn
    // allows no frame for that (near 45 degrees), it scales in proportion to the measure
    // asked for (the width for both).
    const QRectF frame = object.frameBounds();
    if (!dynamic_cast<const ColorLine *>(&object)) {
        const double radians = double(object.angle()) * Pi / 180.0;
        const double c = std::abs(std::cos(radians));
        const double s = std::abs(std::sin(radians));
        const double det = c * c - s * s;
        if (std::abs(det) > 1e-6) {
            const double w = (size.width() * c - size.height() * s) / det;
            const double h = (size.height() * c - size.width() * s) / det;
            if (w > 0.0 && h > 0.0) {
                QRectF turned(0, 0, w, h);
                turned.moveCenter(box.topLeft() + QPointF(size.width() / 2.0, size.height() / 2.0));
                return turned;
            }
        }
    }
    const bool byHeight = tag == SameHeight;
    const double from = byHeight ? box.height() : box.width();
    const double to = byHeight ? size.height() : size.width();
    if (!(from > 0.0) || !(to >= 0.0) || sameMeasure(from, to))
        return std::nullopt;
    const double factor = to / from;
    // The box's centre is the frame's: it moves toward the kept corner by the factor.
    QRectF scaled(0, 0, frame.width() * factor, frame.height() * factor);
    scaled.moveCenter(box.topLeft() + (frame.center() - box.topLeft()) * factor);
    return scaled;
}

bool AlignPage::isAnchored(const ColorRect &object)
{
    return dynamic_cast<const ColorBarcode *>(&object) || dynamic_cast<const ColorField *>(&object)
           || dynamic_cast<const ColorAddress *>(&object);
}

int AlignPage::objectAnchor() const
{
    const GraphicList &objects = selection();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if (isAnchored(**it))
            return (*it)->anchor();
    return -1;
}

void AlignPage::setObjectAnchor(QObject *sender)
{
    auto *button = qobject_cast<QAbstractButton *>(sender);
    const int tag = button ? button->property("tag").toInt() : 0;
    if (button && button->isChecked() && tag != 0) {
        for (const std::shared_ptr<ColorRect> &object : selection()) {
            if (!isAnchored(*object))
                continue;
            // A merge field keeps its own anchor rules (its pair and its alignment).
            if (auto *field = dynamic_cast<ColorField *>(object.get()))
                field->setAnchor(tag - 1);
            else
                object->setAnchor(tag - 1);
        }
        info()->invalidateCanvas();
        info()->wasChanged();
        if (CanvasServices *canvas = info()->rectsView())
            canvas->updateRulers();
        info()->makeRectViewKey();
    }
    updateValues();
}

// ---- refresh ----

void AlignPage::updateValues()
{
    const int on = objectAnchor() + 1;
    for (QRadioButton *button : {brAnchorLeft, brAnchorCenter, brAnchorRight})
        button->setChecked(button->property("tag").toInt() == on);
}

void AlignPage::enableControls()
{
    const Units units = unitsOf(selection());
    const qsizetype groups = units.groups.size();
    const qsizetype loose = units.loose.size();
    const bool align = (groups == 0 && loose >= 2) || groups >= 2 || (groups == 1 && loose >= 1);
    for (QToolButton *button : {bAlignLeft, bAlignMidH, bAlignRight, bAlignTop, bAlignMidV, bAlignBottom})
        button->setEnabled(align);
    bool size = align;
    for (Group *group : units.groups)
        size = size && !group->isLocked() && group->isResizable();
    if (groups == 1 && !units.loose.isEmpty())
        size = size && !units.loose.first()->isLocked() && units.loose.first()->isResizable();
    bSameWidth->setEnabled(size);
    bSameHeight->setEnabled(size);
    // The anchor matters where the contents set the width: a barcode (its data typed, merged
    // or numbered), a merge field, an address block.
    const GraphicList &objects = selection();
    const bool merge = std::any_of(objects.begin(), objects.end(), [](const auto &o) { return isAnchored(*o); });
    for (QRadioButton *button : {brAnchorLeft, brAnchorCenter, brAnchorRight})
        button->setEnabled(merge);
}

} // namespace quillmark
