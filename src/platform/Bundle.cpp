#include "platform/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>

#include <poppler-qt6.h>

#include <memory>

namespace quillmark {

namespace {

// In the order a name is looked up when the same image exists in several formats.
const QStringList &imageExtensions()
{
    static const QStringList extensions = {
        QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("tif"),
        QStringLiteral("tiff"), QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("svg"),
        QStringLiteral("pdf")};
    return extensions;
}

struct ImageIndex
{
    QString root;
    QHash<QString, QString> byName;     // name without extension -> path
    QHash<QString, QString> byFileName; // name with extension -> path
};

QMutex indexMutex;

// Walking the resources once is far cheaper than searching them for every image asked for.
const ImageIndex &imageIndex(const QString &root)
{
    static ImageIndex index;
    static bool built = false;
    if (built && index.root == root)
        return index;
    index = ImageIndex{root, {}, {}};
    built = true;
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    // Shallower and alphabetically earlier files win when two share a name.
    std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) {
        const int da = a.count(QLatin1Char('/'));
        const int db = b.count(QLatin1Char('/'));
        return da != db ? da < db : a < b;
    });
    for (const QString &extension : imageExtensions()) {
        for (const QString &path : files) {
            const QFileInfo info(path);
            if (info.suffix().compare(extension, Qt::CaseInsensitive) != 0)
                continue;
            if (!index.byName.contains(info.completeBaseName()))
                index.byName.insert(info.completeBaseName(), path);
            if (!index.byFileName.contains(info.fileName()))
                index.byFileName.insert(info.fileName(), path);
        }
    }
    return index;
}

bool isInside(const QString &path, const QString &root)
{
    const QString cleanRoot = QDir::cleanPath(root);
    return QDir::cleanPath(path).startsWith(cleanRoot + QLatin1Char('/'));
}

QImage renderPdf(const QString &path)
{
    // own file: a picture among the program's resources, found by its name in their index.
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document || document->isLocked() || document->numPages() < 1)
        return {};
    std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return {};
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    return page->renderToImage(72.0, 72.0);
}

} // namespace

QString Bundle::resourcesPath()
{
    const QString fromEnvironment = qEnvironmentVariable("QUILLMARK_RESOURCES");
    if (!fromEnvironment.isEmpty())
        return QDir::cleanPath(fromEnvironment);
    if (QCoreApplication::instance()) {
        const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                                  + QStringLiteral("/../share/quillmark"));
        if (QFileInfo(installed).isDir())
            return installed;
    }
    return QDir::cleanPath(QStringLiteral(QM_SOURCE_RESOURCES));
}

QString Bundle::pathForResource(const QString &name, const QString &type, const QString &subdir)
{
    if (name.isEmpty())
        return {};
    QString fileName = name;
    if (!type.isEmpty())
        fileName += type.startsWith(QLatin1Char('.')) ? type : QLatin1Char('.') + type;
    const QString root = resourcesPath();
    const QString folder = subdir.isEmpty() ? root : root + QLatin1Char('/') + subdir;
    const QString path = QDir::cleanPath(folder + QLatin1Char('/') + fileName);
    // Names can come from documents; none may reach outside the resources.
    if (!isInside(path, root))
        return {};
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return path;
}

QString Bundle::pathForImageNamed(const QString &name)
{
    if (name.isEmpty())
        return {};
    QMutexLocker lock(&indexMutex);
    const ImageIndex &index = imageIndex(resourcesPath());
    const QString path = index.byName.value(name);
    if (!path.isEmpty())
        return path;
    return index.byFileName.value(name);
}

QImage Bundle::imageNamed(const QString &name)
{
    const QString path = pathForImageNamed(name);
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return renderPdf(path);
    // own file: a picture among the program's resources, found by its name in their index.
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

QString Bundle::versionString()
{
    return QStringLiteral(QM_VERSION);
}

QString Bundle::shortVersionString()
{
    return QStringLiteral(QM_VERSION);
}

QString Bundle::applicationSupportPath()
{
    // Read at every call: the data home may change while the program runs (tests change it).
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.isEmpty() && QDir::isAbsolutePath(dataHome))
        return QDir::cleanPath(dataHome);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString Bundle::quillmarkSupportPath()
{
    const QString path = applicationSupportPath() + QStringLiteral("/Brenholt/Quillmark");
    QDir().mkpath(path);
    return path;
}

} // namespace quillmark
