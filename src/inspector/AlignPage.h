#pragma once
// The alignment page: the selection's edges or centres lined up on the box of the whole
// selection, and the selection given the width, the height or both of its first object. A
// group moves and resizes as one unit. The canvas's align and size commands come here too.
// Below them, the anchor of merge objects and barcodes: the edge (or the centre) that stays
// in place when their contents change their width.
#include <QRectF>
#include <QSizeF>

#include <optional>

#include "inspector/InspectorPage.h"

class QRadioButton;
class QToolButton;

namespace quillmark {

class Group;

class AlignPage : public InspectorPage
{
    Q_OBJECT
public:
    // The tags of the align buttons and of the same-size buttons.
    enum AlignTag { AlignLeft = 1, AlignCenterX = 2, AlignRight = 3, AlignTop = 4, AlignCenterY = 5, AlignBottom = 6 };
    enum SizeTag { SameWidth = 1, SameHeight = 2, SameSize = 3 };

    explicit AlignPage(ObjectInfoPanel *info);

    // The buttons' actions: their tags to the operations below.
    void setObjectsAlign(QObject *sender);
    void setObjectsSize(QObject *sender);
    // An anchor button turned on: its tag - 1 becomes the anchor of every selected barcode,
    // merge field and address block. The buttons are refreshed in any case.
    void setObjectAnchor(QObject *sender);
    // The anchor of the last selected barcode, merge field or address block; -1 without one.
    int objectAnchor() const;
    // A barcode, merge field or address block (or a kind of one).
    static bool isAnchored(const ColorRect &object);
    // Moves each unlocked group and loose object so that its turned box lines up with the
    // box of the whole selection by the tag's edge or centre.
    void alignObjectEdges(int tag);
    // Gives each resizable group (other than the first object's) and loose object the first
    // object's width (1), height (2) or both (3); the document is marked changed.
    void setObjectSize(int tag);

    // Q moved by the tag's rule onto F; any other tag leaves Q as it is.
    static QRectF alignObjectRect(int tag, const QRectF &first, const QRectF &current);
    // Q with F's width (tags 1 and 3) and height (tags 2 and 3), at Q's origin.
    static QRectF setObjectRect(int tag, const QRectF &first, const QRectF &current);

    // The selection's units: each group once, in the order first met, and the objects in no
    // group.
    struct Units
    {
        QList<Group *> groups;
        GraphicList loose;
    };
    static Units unitsOf(const GraphicList &objects);
    // What an object or a group is lined up and measured by: its frame turned by its angle
    // (a line: its two ends), never the area it repaints. A group: its shown members'.
    static QRectF alignmentFrame(const ColorRect &object);
    static QRectF alignmentFrame(const Group &group);

    void updateValues() override;
    void enableControls() override;
    void updateAppearance() override;

    QToolButton *bAlignLeft = nullptr;
    QToolButton *bAlignMidH = nullptr;
    QToolButton *bAlignRight = nullptr;
    QToolButton *bAlignTop = nullptr;
    QToolButton *bAlignMidV = nullptr;
    QToolButton *bAlignBottom = nullptr;
    QToolButton *bSameWidth = nullptr;
    QToolButton *bSameHeight = nullptr;
    // Tags 1, 2 and 3: the anchor + 1.
    QRadioButton *brAnchorLeft = nullptr;
    QRadioButton *brAnchorCenter = nullptr;
    QRadioButton *brAnchorRight = nullptr;

private:
    // The frame that gives a turned object (or a line) the box `size` at the corner of its
    // box now; none when its box has no extent to scale.
    static std::optional<QRectF> turnedFrameFor(const ColorRect &object, const QRectF &box, const QSizeF &size, int tag);
    QRadioButton *addAnchorButton(const QString &name, int tag, const QString &toolTip, const QRect &frame);
    QToolButton *addAlignButton(const QString &name, int tag, const QString &toolTip, const QRect &frame);
};

} // namespace quillmark
