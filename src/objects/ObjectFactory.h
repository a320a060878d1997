#pragma once
// Makes graphic objects by the kind name that their stored form carries under "Class".
// Each subsystem registers its own kinds explicitly at start-up; only the known kinds of
// graphic object can be registered, so a stored name can never make anything else.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace quillmark {

class ColorRect;

class ObjectFactory
{
public:
    using Creator = std::function<std::shared_ptr<ColorRect>()>;

    ObjectFactory() = delete;

    // "ColorRect", "ColorOval", "ColorLine", "ColorPath", "ColorField", "ColorAddress",
    // "ColorBarcode".
    static const QStringList &knownKinds();

    // Registers (or replaces) the creator of a kind. Answers false and registers nothing
    // for a name that is not a known kind or an empty creator.
    static bool registerClass(const QString &name, Creator creator);
    static bool isRegistered(const QString &name);

    // A new object of the kind with its construction defaults and an empty frame; null for
    // an unregistered name.
    static std::shared_ptr<ColorRect> create(const QString &name);
};

// Registers the kinds of the graphic object model and the group kinds. Call once at
// start-up (and in tests) before any document is read.
void registerObjectKinds();

} // namespace quillmark
