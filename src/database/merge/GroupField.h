#pragma once
// The title-and-value group of a merge field: exactly two merge fields, a title member and a
// contents member. It keeps the title left of the contents (overlapping by the two insets,
// so the outlines meet) with the first text lines level, hides or shows the title, turns and
// scales the pair as one, decides which member the inspector edits, and answers one frame,
// width, height and angle for the pair. Its only knob is the rotation knob at the contents
// member's lower right corner: the pair's size always follows its text.
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

#include "database/merge/FieldPair.h"
#include "objects/Group.h"

class QPainter;

namespace quillmark {

class ColorField;

class GroupField : public Group, public FieldPair
{
public:
    GroupField() = default;
    static std::shared_ptr<GroupField> create();

    QString className() const override;

    // The base operation, then the layout.
    void addObjects(const GraphicList &list) override;

    // ---- the members (found anew from member 0 at each use) ----
    ColorField *titleObject() const override;
    ColorField *contentsObject() const override;

    // ---- flags ----
    // YES when the title is to be shown and the contents is not a picture field.
    bool showTitle() const override;
    // Undoable (no action name); hides the title member unless showTitle() now answers YES.
    void setShowTitle(bool flag);
    bool capitalizeTitle() const { return _capitilizeTitle; }
    void setCapitalizeTitle(bool flag);
    bool isEditable() const override;

    // ---- layout and turning ----
    void updateGroupField() override;
    QPointF rotate(float degrees, const QPointF &centre) override;
    void rotate(float degrees) override;
    void setSelectedObject(ColorField *member, bool shift) override;
    // Scales the pair to a new label size, with undo registration off.
    void scaleByX(double sx, double sy);
    bool scaleWhole(double sx, double sy) override
    {
        scaleByX(sx, sy);
        return true;
    }

    // ---- geometry ----
    float angle() const override;
    void setAngle(float degrees, const QPointF &centre) override;
    void setAngle(float degrees) override;
    float width() const override;
    float height() const override;
    void setWidth(float) override {}
    void setHeight(float) override {}
    bool isResizable() const override { return false; }
    bool fixRatio() const override { return false; }
    bool canSetAngle() const override { return true; }
    int resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags) override;
    void setOriginX(float x) override;
    void setOriginY(float y) override;
    QRectF bounds() const override;
    QRectF frameBounds() const override;
    QRectF frameBoundsRotated() const override;

    // ---- knobs and selection look ----
    int knobUnderPoint(const QPointF &point) const override;
    int rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const override;
    void drawSelect(QPainter *painter) override;
    void drawRotateHandle(const QPointF &point, QPainter *painter) const override;

    // ---- stored form ----
    QVariantMap propertyListRepresentation(const GraphicList &graphics, const Places *places = nullptr) const override;
    bool loadPropertyListRepresentation(const QVariantMap &dict, const GraphicList &graphics) override;

private:
    // Where the rotation knob lies for a knob side of `side` page points.
    QPointF rotateKnobPoint(double side) const;
    bool hasPictureMember() const;

    bool _showTitle = false;
    bool _capitilizeTitle = false;
};

// Registers "GroupField" with the group kinds.
void registerGroupFieldKind();

} // namespace quillmark
