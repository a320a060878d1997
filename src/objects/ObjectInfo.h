#pragma once
// The inspector's class-wide state that graphic objects read: the last-used style, which a
// new object takes. Kept free of widgets so the object model can use it.
#include <QString>
#include <QVariantMap>

namespace quillmark {

class ObjectInfo
{
public:
    ObjectInfo() = delete;

    // The style values the user last chose in the inspector, by the keys below. Flags are
    // integer numbers, widths, angles and distances float numbers, colours QColor values,
    // the line pattern, fill type and shadow blur integer numbers. Empty until the user
    // changes a style control.
    static QVariantMap &changedValues();

    static inline const QString borderKey = QStringLiteral("borderKey");
    static inline const QString fillKey = QStringLiteral("fillKey");
    static inline const QString shadowKey = QStringLiteral("shadowKey");
    static inline const QString lineWidthKey = QStringLiteral("lineWidthKey");
    static inline const QString lineColorKey = QStringLiteral("lineColorKey");
    static inline const QString linePatternKey = QStringLiteral("linePatternKey");
    static inline const QString fillTypeKey = QStringLiteral("fillTypeKey");
    static inline const QString fillColor1Key = QStringLiteral("fillColor1Key");
    static inline const QString fillColor2Key = QStringLiteral("fillColor2Key");
    static inline const QString fillAngleKey = QStringLiteral("fillAngleKey");
    static inline const QString shadowDistanceKey = QStringLiteral("shadowDistanceKey");
    static inline const QString shadowColorKey = QStringLiteral("shadowColorKey");
    static inline const QString shadowAngleKey = QStringLiteral("shadowAngleKey");
    static inline const QString shadowBlurKey = QStringLiteral("shadowBlurKey");
};

} // namespace quillmark
