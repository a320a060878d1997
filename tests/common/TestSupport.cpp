#include "common/TestSupport.h"

#include <QDir>
#include <QFontDatabase>
#include <QUuid>

namespace qmtest {

QString loadTestFont()
{
    static QString family;
    if (!family.isEmpty())
        return family;
    for (const char *path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(path));
        if (id >= 0 && family.isEmpty()) {
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                family = families.first();
        }
    }
    if (family.isEmpty())
        family = QStringLiteral("DejaVu Sans");
    return family;
}

QFont testFont(qreal pointSize)
{
    QFont font(loadTestFont());
    font.setPointSizeF(pointSize);
    return font;
}

QString freshDir(const QString &name)
{
    const QString path = QDir::tempPath() + "/" + name + "-" + QUuid::createUuid().toString(QUuid::Id128);
    QDir().mkpath(path);
    return path;
}

QString resourcesDir()
{
    return QString::fromUtf8(QM_SOURCE_RESOURCES);
}

} // namespace qmtest
