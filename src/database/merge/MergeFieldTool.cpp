#include "database/merge/MergeFieldTool.h"

#include <QRectF>

#include "database/merge/ColorField.h"
#include "database/merge/GroupField.h"
#include "objects/CanvasServices.h"
#include "platform/UndoManager.h"

namespace quillmark {

MergeFieldPair createDBField(CanvasServices *canvas, const QPointF &point, int pk)
{
    UndoManager *undo = canvas ? canvas->undoManager() : nullptr;
    if (undo)
        undo->disableUndoRegistration();

    MergeFieldPair pair;
    // Both start 12 points wide: a picture field takes its 50-point square from that width.
    pair.title = ColorField::create(QRectF(point, QSizeF(12.0, 6.0)));
    pair.title->setMainView(canvas);
    pair.title->setIsTitle(true);
    pair.title->setFieldPk(pk);
    const double titleWidth = pair.title->frameBounds().width();

    pair.contents = ColorField::create(QRectF(QPointF(point.x() + titleWidth, point.y()), QSizeF(12.0, 6.0)));
    pair.contents->setMainView(canvas);
    pair.contents->setIsTitle(false);
    pair.contents->setFieldPk(pk);

    for (const auto &member : {pair.title, pair.contents}) {
        member->moveBy(QPointF(-titleWidth, 0.0));
        member->setSelected(true);
    }

    pair.group = GroupField::create();
    pair.group->setRectsView(canvas);
    pair.group->addObjects({pair.title, pair.contents});
    pair.group->setSelected(true);
    pair.group->setShowTitle(false);
    pair.group->updateGroupField();

    if (undo)
        undo->enableUndoRegistration();
    return pair;
}

} // namespace quillmark
