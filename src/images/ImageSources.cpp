#include "images/ImageSources.h"

#include "images/ApertureReader.h"
#include "images/PhotoBoothReader.h"
#include "images/PhotosReader.h"
#include "images/iPhotoReader.h"
#include "objects/ImageProbe.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QVariantList>

#include <algorithm>
#include <cmath>

namespace quillmark {

namespace {

const QString CustomPathsKey = QStringLiteral("customPaths");
const QString ImageTagKey = QStringLiteral("imageTag");

// Tags above the first custom folder's that belong to other items, in ascending order.
constexpr int ReservedTags[] = {ImageSources::PhotosTag, ImageSources::PhotoBoothTag,
                                ImageSources::InternetTag};

// Each new name is longer than the last, so the file system refuses long before this; the
// bound only keeps a misbehaving exists() from spinning forever.
constexpr int MaximumNameAttempts = 1000;

constexpr int NamedMaskCount = 16;
constexpr int FirstUntitledMask = 17;
constexpr int LastMask = 47;

QVariant pathList(const QStringList &paths)
{
    QVariantList list;
    for (const QString &path : paths)
        list.append(path);
    return list;
}

bool fileExists(const QString &path)
{
    return QFileInfo::exists(path);
}

QString withTrailingSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool hasEntries(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QDir dir(folder);
    return dir.exists() && !dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
}

ImageSources::MenuItem separator()
{
    return {};
}

ImageSources::MenuItem item(ImageSources::SourceKind kind, const QString &title, int tag,
                            const QString &path = {})
{
    ImageSources::MenuItem menuItem;
    menuItem.kind = kind;
    menuItem.title = title;
    menuItem.tag = tag;
    menuItem.path = path;
    return menuItem;
}

} // namespace

QString ImageSources::templatesPath()
{
    return Bundle::resourcesPath() + QStringLiteral("/Brenholt/Quillmark/Templates/");
}

QString ImageSources::backgroundPath()
{
    return Bundle::resourcesPath() + QStringLiteral("/Brenholt/Quillmark/bkgrnd/");
}

QString ImageSources::clipartPath()
{
    return Bundle::resourcesPath() + QStringLiteral("/Brenholt/Quillmark/cliparts/");
}

QString ImageSources::clipartUserPath()
{
    return Bundle::applicationSupportPath() + QStringLiteral("/Brenholt/Quillmark/cliparts/");
}

QString ImageSources::templatesUserPath()
{
    return Bundle::applicationSupportPath() + QStringLiteral("/Brenholt/Quillmark/Templates/");
}

QString ImageSources::userImagePath()
{
    const QString path = clipartUserPath();
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir())
        return {};
    return path;
}

ImageSources::Menu ImageSources::buildMenu(const MenuInput &input)
{
    Menu menu;
    QList<MenuItem> &items = menu.items;

    const QString clipartFolder = withTrailingSlash(input.clipartFolder);
    const QStringList categories =
        input.clipartFolder.isEmpty()
            ? QStringList()
            : QDir(input.clipartFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &category : categories)
        items.append(item(SourceKind::Category, category, CategoryTag, clipartFolder + category));
    // A category chosen before that has since gone would leave nothing selected.
    if (!categories.isEmpty())
        menu.category = categories.contains(input.lastCategory) ? input.lastCategory : categories.first();

    if (hasEntries(input.userClipartFolder))
        items.append(item(SourceKind::UserImages, QString::fromLatin1(UserImagesTitle), CategoryTag,
                          withTrailingSlash(input.userClipartFolder)));
    if (!items.isEmpty())
        items.append(separator());

    if (input.iPhotoInstalled)
        items.append(item(SourceKind::PhotoLibrary, QStringLiteral("iPhoto"), IPhotoTag));
    if (input.apertureInstalled)
        items.append(item(SourceKind::PhotoLibrary, QStringLiteral("Aperture"), ApertureTag));
    if (input.photosInstalled)
        items.append(item(SourceKind::PhotoLibrary, QStringLiteral("Photos"), PhotosTag));
    if (input.photoBoothInstalled)
        items.append(item(SourceKind::PhotoLibrary, QStringLiteral("Photo Booth"), PhotoBoothTag));
    if (!items.isEmpty() && items.last().tag > 0)
        items.append(separator());

    MenuItem internet = item(SourceKind::Internet, QStringLiteral("Internet"), InternetTag);
    internet.enabled = input.internetAvailable;
    items.append(internet);
    items.append(separator());

    for (const QString &path : input.customPaths) {
        if (!QFileInfo(path).isDir()) {
            menu.customPathsPruned = true;
            continue;
        }
        const int tag = customFolderTag(int(menu.customPaths.size()));
        menu.customPaths.append(path);
        items.append(item(SourceKind::CustomPath, QFileInfo(QDir::cleanPath(path)).fileName(), tag, path));
    }
    if (items.last().tag >= FirstCustomPathTag)
        items.append(separator());

    items.append(item(SourceKind::SelectFolder, QStringLiteral("Select Folder ..."), SelectFolderTag));

    for (int i = 0; i < items.size(); ++i) {
        if (items[i].kind == SourceKind::Category && items[i].title == menu.category) {
            menu.selectedIndex = i;
            break;
        }
    }
    return menu;
}

ImageSources::Menu ImageSources::fillImagePopup(const QString &lastCategory, bool internetAvailable,
                                                const QString &home)
{
    MenuInput input;
    input.clipartFolder = clipartPath();
    input.userClipartFolder = clipartUserPath();
    input.lastCategory = lastCategory;
    input.customPaths = customPaths();
    input.iPhotoInstalled = iPhotoReader::isIPhotoInstalled(home);
    input.apertureInstalled = ApertureReader::isApertureInstalled(home);
    input.photosInstalled = PhotosReader::isPhotosInstalled(home);
    input.photoBoothInstalled = PhotoBoothReader::isPhotoBoothInstalled(home);
    input.internetAvailable = internetAvailable;
    Menu menu = buildMenu(input);
    if (menu.customPathsPruned) {
        UserDefaults::standard().setObject(pathList(menu.customPaths), CustomPathsKey);
        UserDefaults::standard().synchronize();
    }
    return menu;
}

int ImageSources::customFolderTag(int index)
{
    if (index < 0)
        return -1;
    int tag = FirstCustomPathTag + index;
    for (const int reserved : ReservedTags) {
        if (tag >= reserved)
            ++tag;
    }
    return tag;
}

int ImageSources::customFolderIndex(int tag)
{
    if (tag < FirstCustomPathTag)
        return -1;
    int below = 0;
    for (const int reserved : ReservedTags) {
        if (tag == reserved)
            return -1;
        if (reserved < tag)
            ++below;
    }
    return tag - FirstCustomPathTag - below;
}

bool ImageSources::isPhotoLibraryTag(int tag)
{
    return tag == IPhotoTag || tag == ApertureTag || tag == PhotosTag || tag == PhotoBoothTag;
}

QStringList ImageSources::customPaths()
{
    QStringList paths;
    for (const QVariant &value : UserDefaults::standard().arrayForKey(CustomPathsKey)) {
        if (value.typeId() == QMetaType::QString && !value.toString().isEmpty())
            paths.append(value.toString());
    }
    return paths;
}

int ImageSources::addCustomPath(const QString &folder)
{
    QStringList paths = customPaths();
    paths.append(folder);
    const int tag = customFolderTag(int(paths.size()) - 1);
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setObject(pathList(paths), CustomPathsKey);
    defaults.setInteger(tag, ImageTagKey);
    defaults.synchronize();
    return tag;
}

void ImageSources::rememberImageTag(int tag)
{
    if (tag == SelectFolderTag)
        return;
    UserDefaults::standard().setInteger(tag, ImageTagKey);
}

bool ImageSources::isPhotoLibraryInstalled(int tag, const QString &home)
{
    switch (tag) {
    case IPhotoTag:
        return iPhotoReader::isIPhotoInstalled(home);
    case ApertureTag:
        return ApertureReader::isApertureInstalled(home);
    case PhotosTag:
        return PhotosReader::isPhotosInstalled(home);
    case PhotoBoothTag:
        return PhotoBoothReader::isPhotoBoothInstalled(home);
    default:
        return false;
    }
}

QList<iPhoto> ImageSources::photoLibraryItems(int tag, const QString &home)
{
    switch (tag) {
    case IPhotoTag:
        return iPhotoReader(home).imagesList();
    case ApertureTag:
        return ApertureReader(home).imagesList();
    case PhotosTag:
        return PhotosReader(home).imagesList();
    case PhotoBoothTag:
        return PhotoBoothReader(home).imagesList();
    default:
        return {};
    }
}

QStringList ImageSources::maskNames()
{
    QStringList names = {
        QStringLiteral("flower"), QStringLiteral("flower1"), QStringLiteral("heart"),
        QStringLiteral("rect1"),  QStringLiteral("star1"),   QStringLiteral("rarrow1"),
        QStringLiteral("zebra1"), QStringLiteral("zebra2"),  QStringLiteral("zebra3"),
        QStringLiteral("davidstar"), QStringLiteral("t1"),   QStringLiteral("t2"),
        QStringLiteral("t3"),     QStringLiteral("t4"),      QStringLiteral("t5"),
        QStringLiteral("t6"),
    };
    for (int n = FirstUntitledMask; n <= LastMask; ++n)
        names.append(QLatin1Char('t') + QString::number(n));
    return names;
}

bool ImageSources::showsMaskTitle(int index)
{
    return index >= 0 && index < NamedMaskCount;
}

ImageSources::TileLayout ImageSources::layoutTiles(double width, int tileWidth, int tileHeight,
                                                   int count, double clipHeight)
{
    TileLayout layout;
    if (count <= 0)
        return layout;
    const int w = std::max(tileWidth, 1);
    const int h = std::max(tileHeight, 1);
    // The tile width passes through single precision before the sum, as the browser stores it.
    const double available = std::max(width, 0.0) + 0.3 * double(float(w));
    int columns = int(available / (w + 5));
    if (columns < 1)
        columns = 1;
    if (columns >= 2 && w * columns + 5 > available)
        --columns;
    // The allowance above lets the last column run past the browser's edge, where a scroll
    // bar beside it would hide it. The gaps between the tiles narrow instead, down to none,
    // until the last column's card (6 points inside its tile) fits; only a column that does
    // not fit even so goes to the next row. A browser whose scroll bar just appeared thus
    // keeps its two columns.
    double pitch = w + 5;
    while (columns >= 2) {
        const double room = width - 5 - (w - 6);
        pitch = std::min(double(w + 5), room / (columns - 1));
        if (pitch >= w)
            break;
        --columns;
        pitch = w + 5;
    }
    const int rows = count / columns + (count % columns ? 1 : 0);
    double height = double(h + 5) * rows + 5;
    if (clipHeight > height)
        height = clipHeight;
    layout.columns = columns;
    layout.rows = rows;
    layout.height = height;
    layout.cells.reserve(count);
    for (int i = 0; i < count; ++i)
        layout.cells.append(QRectF(std::round(5 + (i % columns) * pitch), 5 + (i / columns) * (h + 5), w, h));
    return layout;
}

QSizeF ImageSources::fittedTileSize(const QSizeF &imageSize, int tileWidth, int tileHeight)
{
    if (tileWidth <= 0 || tileHeight <= 0 || imageSize.width() <= 0 || imageSize.height() <= 0)
        return QSizeF(std::max(tileWidth, 0), std::max(tileHeight, 0));
    const float scale = std::max(float(imageSize.width()) / float(tileWidth),
                                 float(imageSize.height()) / float(tileHeight));
    return QSizeF(imageSize.width() / scale, imageSize.height() / scale);
}

QString ImageSources::resolveAlias(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.symLinkTarget();
    return target.isEmpty() ? path : target;
}

bool ImageSources::acceptsDroppedFile(const QString &path)
{
    return !path.isEmpty() && ImageProbe::recognisesFile(resolveAlias(path));
}

QString ImageSources::copyDestination(const QString &folder, const QString &fileName,
                                      const ExistsFunction &exists)
{
    const ExistsFunction taken = exists ? exists : ExistsFunction(fileExists);
    // Only the last component: a dropped or typed name never reaches outside the folder.
    const QString name = QFileInfo(fileName).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const QString prefix = withTrailingSlash(folder);
    QString destination = prefix + name;
    for (int attempt = 0; taken(destination); ++attempt) {
        if (attempt >= MaximumNameAttempts)
            return {};
        base += QStringLiteral(" copy");
        destination = prefix + base + extension;
    }
    return destination;
}

bool ImageSources::isValidFileName(const QString &name)
{
    // "." and ".." name folders, not a file; control characters (a line feed, a tab, an
    // escape) make names that other programs and the user cannot type or see.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

QString ImageSources::renameDestination(const QString &currentPath, const QString &newName,
                                        const ExistsFunction &exists)
{
    if (currentPath.isEmpty() || !isValidFileName(newName))
        return {};
    const ExistsFunction taken = exists ? exists : ExistsFunction(fileExists);
    const QFileInfo current(currentPath);
    const QString extension = current.suffix();
    const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    if (newName + suffix == current.fileName())
        return {};
    const QString prefix = withTrailingSlash(current.path());
    QString base = newName;
    QString destination = prefix + base + suffix;
    for (int counter = 1; taken(destination); ++counter) {
        if (counter > MaximumNameAttempts)
            return {};
        base += QString::number(counter);
        destination = prefix + base + suffix;
    }
    return destination;
}

} // namespace quillmark
