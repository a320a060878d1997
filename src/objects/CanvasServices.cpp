#include "objects/CanvasServices.h"

#include <QDir>

#include <atomic>

#include "objects/RunaroundIndex.h"
#include "platform/Bundle.h"

namespace quillmark {

namespace {
// Set by a stored form written on a helper thread of Save as well.
std::atomic<bool> updateUserImagesFlag{false};
}

QList<std::shared_ptr<ColorRect>> CanvasServices::runaroundObstacles(const ColorRect &box) const
{
    return RunaroundIndex::obstaclesByWalking(box, getRects());
}

QString CanvasServices::clipartPath()
{
    return QDir::cleanPath(Bundle::resourcesPath()) + QStringLiteral("/Brenholt/Quillmark/cliparts/");
}

QString CanvasServices::backgroundPath()
{
    return QDir::cleanPath(Bundle::resourcesPath()) + QStringLiteral("/Brenholt/Quillmark/bkgrnd/");
}

QString CanvasServices::clipartUserPath()
{
    return QDir::cleanPath(Bundle::applicationSupportPath())
           + QStringLiteral("/Brenholt/Quillmark/cliparts/");
}

void CanvasServices::setUpdateUserUmages(bool flag)
{
    updateUserImagesFlag = flag;
}

bool CanvasServices::updateUserUmages()
{
    return updateUserImagesFlag;
}

} // namespace quillmark
