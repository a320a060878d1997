#pragma once
#include "images/iPhoto.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

namespace quillmark {

// The model behind the image-source pop-up above the image browser and the arithmetic of the
// thumbnail browsers: where the shipped and the user's pictures live, which items the menu
// holds and what each one loads, the grid of tiles, and the names files get when they are
// dropped, saved or renamed into a folder.
class ImageSources
{
public:
    // Menu tags. Custom folders take the tags from FirstCustomPathTag upwards, stepping over
    // the tags of the photo libraries and the web search (customFolderTag).
    enum Tag : int {
        CategoryTag = 0, // a clip-art category or "user images"
        IPhotoTag = 1,
        CustomFolderTag = 2, // the folder of the "CustomFolder" user default
        SelectFolderTag = 3,
        ApertureTag = 4,
        FirstCustomPathTag = 25,
        PhotosTag = 40,
        PhotoBoothTag = 41,
        InternetTag = 60,
    };

    enum class SourceKind {
        Separator,
        Category,
        UserImages,
        PhotoLibrary,
        Internet,
        CustomPath,
        CustomFolder,
        SelectFolder,
    };

    struct MenuItem
    {
        SourceKind kind = SourceKind::Separator;
        QString title;
        int tag = 0;
        bool enabled = true;
        // The folder a category, the user images or a custom folder loads.
        QString path;
    };

    // What the menu is built from.
    struct MenuInput
    {
        QString clipartFolder;     // one category per sub-folder
        QString userClipartFolder; // "user images" when it has entries
        QString lastCategory;      // the category chosen before, or empty
        QStringList customPaths;   // the "customPaths" user default
        bool iPhotoInstalled = false;
        bool apertureInstalled = false;
        bool photosInstalled = false;
        bool photoBoothInstalled = false;
        bool internetAvailable = false; // the search host is reachable without a dial-up
    };

    struct Menu
    {
        QList<MenuItem> items;
        int selectedIndex = -1;  // the category item to show first, or -1
        QString category;        // its title, or empty
        QStringList customPaths; // the custom folders that still exist, in order
        bool customPathsPruned = false;
    };

    static constexpr const char *UserImagesTitle = "user images";

    // ---- folders ----
    // Built-in folders lie under the bundle's resources, the user's under the
    // application-support folder. Every path ends in "/".
    static QString templatesPath();
    static QString backgroundPath();
    static QString clipartPath();
    static QString clipartUserPath();
    static QString templatesUserPath();
    // The user clip-art folder, created with every missing folder on its way; a null string
    // when it cannot be created.
    static QString userImagePath();

    // ---- the menu ----
    static Menu buildMenu(const MenuInput &input);
    // buildMenu over the shipped clip-art, the user's folders, the installed photo libraries
    // (looked for under home, empty meaning the user's home) and the "customPaths" user
    // default; custom folders that are gone are dropped from the default.
    static Menu fillImagePopup(const QString &lastCategory, bool internetAvailable,
                               const QString &home = {});

    static int customFolderTag(int index);
    // The index into the custom folders of a tag, or -1 when the tag is not a custom folder's.
    static int customFolderIndex(int tag);
    static bool isPhotoLibraryTag(int tag);

    // The "customPaths" user default, strings only.
    static QStringList customPaths();
    // Appends a folder to "customPaths", makes the new item's tag the "imageTag" default,
    // synchronises the defaults and answers that tag.
    static int addCustomPath(const QString &folder);
    // Remembers the source chosen last; choosing "Select Folder ..." is not remembered.
    static void rememberImageTag(int tag);

    static bool isPhotoLibraryInstalled(int tag, const QString &home = {});
    // The pictures of the photo library of a tag; empty for any other tag.
    static QList<iPhoto> photoLibraryItems(int tag, const QString &home = {});

    // ---- masks ----
    // The names of the bundle's mask images in the order the mask browser lists them: sixteen
    // named masks, then "t17" to "t47".
    static QStringList maskNames();
    // Whether the mask browser titles the mask at an index of maskNames: the numbered masks
    // from "t17" on go without a title.
    static bool showsMaskTitle(int index);

    // ---- the tile grid ----
    struct TileLayout
    {
        int columns = 0;
        int rows = 0;
        double height = 0; // the browser's new height; 0 when there are no tiles
        QList<QRectF> cells;
    };
    // Tiles of tileWidth by tileHeight in a browser width points wide, in rows from the top
    // left, no card reaching past the browser's width; the browser is at least clipHeight
    // tall.
    static TileLayout layoutTiles(double width, int tileWidth, int tileHeight, int count,
                                  double clipHeight);
    // The first frame of a tile: the image size scaled to fit tileWidth by tileHeight.
    static QSizeF fittedTileSize(const QSizeF &imageSize, int tileWidth, int tileHeight);

    // ---- files dragged onto a browser ----
    // The file a symbolic link points to; any other path unchanged.
    static QString resolveAlias(const QString &path);
    // A dragged file is taken when, links resolved, it is a regular file that begins as an
    // image: answered from its beginning, however detailed a drawing it holds. The whole file
    // is read after the drop, aside.
    static bool acceptsDroppedFile(const QString &path);

    // ---- names of files arriving in a folder ----
    using ExistsFunction = std::function<bool(const QString &path)>;
    // folder + "/" + the file name, with " copy" added before the extension while a file of
    // that name exists (tree.png, tree copy.png, tree copy copy.png). A null string when no
    // free name turns up.
    static QString copyDestination(const QString &folder, const QString &fileName,
                                   const ExistsFunction &exists = {});
    // A name typed for a file: refused when empty, "." or "..", or when it holds a path
    // separator (which would move the file out of its folder) or a control character.
    static bool isValidFileName(const QString &name);
    // The destination of renaming currentPath to newName (without extension; the current
    // extension is kept). A taken name gets a counter appended, the suffix accumulating
    // (Name1, Name12, Name123). A null string when the name is refused or unchanged.
    static QString renameDestination(const QString &currentPath, const QString &newName,
                                     const ExistsFunction &exists = {});
};

} // namespace quillmark
