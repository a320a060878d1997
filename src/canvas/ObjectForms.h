#pragma once
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

#include "objects/ColorRect.h"
#include "platform/PropertyList.h"

namespace quillmark {

// The stored forms of many objects, made on several threads at once while the calling (the
// window's) thread waits, and handed over on the calling thread in the objects' order: Save and
// Copy of a large design take a fraction of the time one thread needs. The forms are the very
// dictionaries each object's propertyListRepresentation(context) gives; only the objects whose
// forms read nothing but themselves are made elsewhere, every other one on the calling thread.
// The objects must not change, and no other thread may touch them, until deliver() returns.
class ObjectForms
{
public:
    // Starts making the forms. `context`, the document's objects, gives the places of
    // linked-text chains; null writes none. `places`, when given, are those of `context`, found
    // once for the slices of one design.
    ObjectForms(const QList<std::shared_ptr<ColorRect>> &graphics,
                const QList<std::shared_ptr<ColorRect>> *context,
                const ColorRect::LinkedTextPlaces *places = nullptr);
    ~ObjectForms();
    ObjectForms(const ObjectForms &) = delete;
    ObjectForms &operator=(const ObjectForms &) = delete;

    // Hands each form to `take`, in order, as soon as it and those before it are made.
    void deliver(const std::function<void(QVariant &&)> &take);

    // At most this many threads beside the calling one (0: all on the calling thread), for
    // making forms and for making objects from them.
    static void setHelperThreadsForTesting(int count);

    struct Work;

private:
    std::shared_ptr<Work> m_work;
    const QList<std::shared_ptr<ColorRect>> *m_context;
    std::optional<ColorRect::LinkedTextPlaces> m_ownPlaces;
    const ColorRect::LinkedTextPlaces *m_places = nullptr;
    bool m_delivered = false;
};

// The objects of many stored forms, made on several threads at once while the calling (the
// window's) thread helps, and handed over on the calling thread in the forms' order: Open, Paste
// and Duplicate of a large design take a fraction of the time one thread needs. Only the forms
// ColorRect::formMakeableOffThread allows are made elsewhere; every other one is made on the
// calling thread, when its turn comes, exactly as before. The text of a linked-text chain is
// read once, from its first box, whatever version wrote it. `forms` is read by several threads
// at once and must stay as it is until deliver() returns. While it delivers, every picture the
// forms hold is decoded once for all the objects showing it, large ones when first drawn.
class ObjectsFromForms
{
public:
    explicit ObjectsFromForms(const PropertyListArray &forms);
    ~ObjectsFromForms();
    ObjectsFromForms(const ObjectsFromForms &) = delete;
    ObjectsFromForms &operator=(const ObjectsFromForms &) = delete;

    // Hands `take` the object of each form that makes one, with the form's place in `forms`, in
    // order, as soon as it and those before it are made. Once `take` answers false no more is
    // made or handed over, and what was made beyond is let go of.
    void deliver(const std::function<bool(std::shared_ptr<ColorRect> &&, qsizetype)> &take);

    struct Work;

private:
    std::shared_ptr<Work> m_work;
    bool m_delivered = false;
};

} // namespace quillmark
