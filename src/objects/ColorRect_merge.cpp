// The binding of an object to a database field: its pk, the value that the pk gives for the
// current record, and the refreshes that the merge kinds override.
#include "objects/ColorRect.h"

#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/MergeSource.h"
#include "platform/NotificationCenter.h"

namespace quillmark {

namespace {

const QString RecordChanged = QStringLiteral("RecordChangedNotification");

} // namespace

void ColorRect::setFieldPk(int pk)
{
    const int old = _pk;
    registerUndo([old](ColorRect &object) { object.setFieldPk(old); });
    _pk = pk;
    updateContents(nullptr);
    setActionName(Language::stringForKey("Change Field Type"));
}

QVariant ColorRect::contentsByPk(int pk) const
{
    MergeSource *source = MergeSource::current();
    return source ? source->contentsByPk(pk) : QVariant();
}

void ColorRect::updateABRecord()
{
    updateContentsWithObject(contentsByPk(_pk));
}

void ColorRect::updateContents(const Notification *)
{
}

void ColorRect::updateContentsWithObject(const QVariant &)
{
}

bool ColorRect::showsRecordValues() const
{
    if (isDrawingForPrint())
        return true;
    return _mainView && _mainView->databasePreview();
}

void ColorRect::observeRecordChanges()
{
    // The observation is removed in the destructor of the kind that made it, so the raw
    // pointer never outlives the object.
    NotificationCenter::defaultCenter().addObserver(this, RecordChanged,
                                                    [this](const Notification &n) { updateContents(&n); });
}

void ColorRect::stopObservingRecordChanges()
{
    NotificationCenter::defaultCenter().removeObserver(this, RecordChanged);
}

} // namespace quillmark
