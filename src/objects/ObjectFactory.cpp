#include "objects/ObjectFactory.h"

#include <QHash>

#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"

namespace quillmark {

namespace {

QHash<QString, ObjectFactory::Creator> &creators()
{
    static QHash<QString, ObjectFactory::Creator> table;
    return table;
}

} // namespace

const QStringList &ObjectFactory::knownKinds()
{
    static const QStringList kinds = {
        QStringLiteral("ColorRect"),  QStringLiteral("ColorOval"),    QStringLiteral("ColorLine"),
        QStringLiteral("ColorPath"),  QStringLiteral("ColorField"),   QStringLiteral("ColorAddress"),
        QStringLiteral("ColorBarcode"),
    };
    return kinds;
}

bool ObjectFactory::registerClass(const QString &name, Creator creator)
{
    // The name comes from stored documents; only graphic-object kinds may ever be built.
    if (!creator || !knownKinds().contains(name))
        return false;
    creators().insert(name, std::move(creator));
    return true;
}

bool ObjectFactory::isRegistered(const QString &name)
{
    return creators().contains(name);
}

std::shared_ptr<ColorRect> ObjectFactory::create(const QString &name)
{
    auto it = creators().constFind(name);
    if (it == creators().constEnd())
        return nullptr;
    return it.value()();
}

void registerObjectKinds()
{
    ObjectFactory::registerClass(QStringLiteral("ColorRect"),
                                 [] { return std::make_shared<ColorRect>(); });
    ColorLine::registerKind();
    ColorOval::registerKind();
    ColorPath::registerKind();
    registerGroupKinds();
}

} // namespace quillmark
