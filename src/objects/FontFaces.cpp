#include "objects/FontFaces.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>

#include "foundation/Language.h"

namespace quillmark {

bool isFontFamilyInstalled(const QFont &font)
{
    const QString family = font.family();
    if (family.isEmpty())
        return false;
    // The generic names (the program's own default among them) stand for whatever the font
    // system chooses; they are never missing.
    static const QStringList generic = {QStringLiteral("Sans Serif"), QStringLiteral("Sans"),
                                        QStringLiteral("sans-serif"), QStringLiteral("Serif"),
                                        QStringLiteral("Monospace"),  QStringLiteral("Mono"),
                                        QStringLiteral("cursive"),    QStringLiteral("fantasy"),
                                        QStringLiteral("system-ui")};
    if (generic.contains(family, Qt::CaseInsensitive)
        || family.compare(QGuiApplication::font().family(), Qt::CaseInsensitive) == 0
        || family.compare(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), Qt::CaseInsensitive) == 0
        || family.compare(QFontDatabase::systemFont(QFontDatabase::FixedFont).family(), Qt::CaseInsensitive) == 0)
        return true;
    return QFontDatabase::hasFamily(family);
}

QFont drawnFace(const QFont &font)
{
    const QFontInfo drawn(font);
    QFont face = font;
    face.setFamily(drawn.family());
    face.setStyleName(drawn.styleName());
    return face;
}

QString bareFamily(const QString &family)
{
    const qsizetype bracket = family.indexOf(QLatin1String(" ["));
    return bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family;
}

QString familyDisplayName(const QFont &font)
{
    const QString family = bareFamily(font.family());
    if (isFontFamilyInstalled(font))
        return family;
    return Language::stringForKey(QStringLiteral("%@ (missing)")).replace(QLatin1String("%@"), family);
}

} // namespace quillmark
