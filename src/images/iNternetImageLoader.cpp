#include "images/iNternetImageLoader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>

#include <algorithm>

#include "foundation/Language.h"
#include "images/ImageSearchService.h"
#include "images/ScrollNSImageView.h"
#include "images/listImageViewItem.h"
#include "objects/ImageProbe.h"

namespace quillmark {

namespace {

// An answer page is a few kilobytes of JSON and a preview a small picture: anything far
// larger is not what was asked for and is not read on.
constexpr qint64 MaxAnswerBytes = 4LL * 1024 * 1024;
constexpr qint64 MaxPreviewBytes = 4LL * 1024 * 1024;
// Set on a reply stopped for passing its limit.
constexpr const char *TooLargeProperty = "quillmarkTooLarge";

bool stoppedAsTooLarge(const QNetworkReply *reply)
{
    return reply->property(TooLargeProperty).toBool();
}
// A service that stops answering ends the request rather than the search waiting for good.
constexpr int TransferTimeoutMs = 30000;

iNternetImageLoader *s_shared = nullptr;

int httpStatus(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The last part of a web address as a file name that stays inside its folder: letters,
// digits, ".", "-" and "_" only, no leading dot, a short extension kept.
QString safeFileName(const QString &address)
{
    QString name = QUrl(address).fileName(QUrl::FullyDecoded);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    name.replace(unsafe, QStringLiteral("_"));
    while (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    QString extension;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{1,5}$"));
    if (dot > 0 && plain.match(name.mid(dot + 1)).hasMatch()) {
        extension = name.mid(dot);
        name.truncate(dot);
    }
    name.truncate(80);
    if (name.isEmpty())
        name = QStringLiteral("picture");
    return name + extension;
}

} // namespace

iNternetImageLoader *iNternetImageLoader::initWithView(ScrollNSImageView *browser)
{
    if (!s_shared) {
        s_shared = new iNternetImageLoader(browser);
        static bool cleanUpAtExit = false;
        if (!cleanUpAtExit && QCoreApplication::instance()) {
            // Also when the application ends without its quit signal.
            qAddPostRoutine(&iNternetImageLoader::clear);
            cleanUpAtExit = true;
        }
    } else if (!s_shared->imgView && browser) {
        s_shared->imgView = browser;
    }
    return s_shared;
}

iNternetImageLoader *iNternetImageLoader::sharedInternetImageLoader()
{
    return s_shared;
}

void iNternetImageLoader::clear()
{
    delete s_shared;
    s_shared = nullptr;
}

iNternetImageLoader::iNternetImageLoader(ScrollNSImageView *browser, QObject *parent)
    : QObject(parent)
    , imgView(browser)
    , m_network(new QNetworkAccessManager(this))
{
}

iNternetImageLoader::~iNternetImageLoader()
{
    if (s_shared == this)
        s_shared = nullptr;
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>()) {
        reply->disconnect(this);
        reply->abort();
    }
    if (m_folder && m_folder->isValid()) {
        const QDir folder(m_folder->path());
        for (const QString &name : std::as_const(m_temporaryImages))
            if (QFileInfo(folder.filePath(name)).isFile())
                QFile::remove(folder.filePath(name));
    }
    m_temporaryImages.clear();
    // The private folder goes with whatever else is left in it.
    m_folder.reset();
}

ScrollNSImageView *iNternetImageLoader::imageView() const
{
    return imgView;
}

void iNternetImageLoader::setImageView(ScrollNSImageView *browser)
{
    imgView = browser;
}

// ---- searching ----

QUrl iNternetImageLoader::searchUrl(qint64 page) const
{
    return ImageSearchService::searchUrl(m_searchPattern, page);
}

void iNternetImageLoader::setStatus(Status status, const QString &text)
{
    if (status == m_status && text == m_statusText)
        return;
    m_status = status;
    m_statusText = text;
    emit statusChanged();
}

QNetworkReply *iNternetImageLoader::get(const QUrl &url, qint64 maxBytes, Redirects redirects)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(TransferTimeoutMs);
    if (redirects == Redirects::None) {
        // The search carries the user's key: it goes to the service's own address and no
        // further, whatever the answer says.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    } else {
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(5);
    }
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            // Told apart from a connection that failed: the user hears why.
            reply->setProperty(TooLargeProperty, true);
            reply->abort();
        }
    });
    return reply;
}

void iNternetImageLoader::loadPhotoImages(const QString &text)
{
    const QString pattern = text.trimmed();
    if (pattern.isEmpty())
        return;
    cancelSearch();
    const ImageSearchService::State state = ImageSearchService::state();
    if (state != ImageSearchService::State::Ready) {
        setStatus(Status::NotSetUp, ImageSearchService::stateMessage(state));
        return;
    }
    m_searchPattern = pattern;
    m_currentPageIndex = 0;
    m_pageCount = 0;
    bufferData.clear();
    m_outstanding = 0;
    m_shown = 0;
    m_previewsTooLarge = 0;
    m_failure.clear();
    m_browserGeneration = imgView ? imgView->contentsGeneration() : 0;
    setStatus(Status::Searching, localizedString("Searching..."));
    emit busyChanged(true);
    startPage(1);
}

void iNternetImageLoader::cancelSearch()
{
    ++m_search;
    for (QNetworkReply *reply : m_network->findChildren<QNetworkReply *>()) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    const bool wasBusy = m_pageInFlight || m_outstanding > 0;
    m_pageInFlight = false;
    m_outstanding = 0;
    bufferData.clear();
    if (m_status == Status::Searching)
        setStatus(Status::Idle, QString());
    if (wasBusy)
        emit busyChanged(false);
}

bool iNternetImageLoader::ownsBrowser() const
{
    return imgView && imgView->contentsGeneration() == m_browserGeneration;
}

void iNternetImageLoader::startPage(qint64 page)
{
    const QUrl url = searchUrl(page);
    if (!url.isValid()) {
        m_failure = ImageSearchService::stateMessage(ImageSearchService::State::BadAddress);
        finishIfComplete();
        return;
    }
    bufferData.clear();
    m_pageInFlight = true;
    const quint64 search = m_search;
    QNetworkReply *reply = get(url, MaxAnswerBytes, Redirects::None);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, search] {
        if (search == m_search)
            bufferData.append(reply->readAll());
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, search] { connectionDidFinishLoading(reply, search); });
}

void iNternetImageLoader::connectionDidFinishLoading(QNetworkReply *reply, quint64 search)
{
    reply->deleteLater();
    if (search != m_search)
        return;
    bufferData.append(reply->readAll());
    m_pageInFlight = false;
    if (!ownsBrowser()) {
        // Another source took the browser: the search ends without touching it.
        cancelSearch();
        return;
    }
    const int status = httpStatus(reply);
    if (stoppedAsTooLarge(reply) || bufferData.size() > MaxAnswerBytes) {
        m_failure = localizedString("The answer of the image service was too large.");
    } else if (status >= 300 && status < 400) {
        m_failure = localizedString("The image service sent the search to another address (HTTP %1), which is not followed.").arg(status);
    } else if (status != 0 && status != 200) {
        m_failure = localizedString("The image service refused the search (HTTP %1).").arg(status);
    } else if (reply->error() != QNetworkReply::NoError) {
        m_failure = localizedString("The image service could not be reached: %1").arg(reply->errorString());
    } else if (!processResponse(bufferData, search)) {
        // Asking again would only get the same answer: the search ends here.
        m_failure = localizedString("The answer of the image service could not be read.");
    } else if (std::min<qint64>(m_pageCount, ImageSearchService::MaxPages) > m_currentPageIndex) {
        startPage(m_currentPageIndex + 1);
    }
    bufferData.clear();
    finishIfComplete();
}

bool iNternetImageLoader::processResponse(const QByteArray &data, quint64 search)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject answer = document.object();
    if (m_currentPageIndex == 0) {
        // The first page of a search replaces whatever the browser showed.
        imgView->clear();
        m_browserGeneration = imgView->contentsGeneration();
        m_previews.clear();
    }
    const QJsonArray hits = answer.value(QStringLiteral("hits")).toArray();
    if (!hits.isEmpty()) {
        if (m_currentPageIndex == 0) {
            const qint64 totalHits = answer.value(QStringLiteral("totalHits")).toInteger();
            if (totalHits >= ImageSearchService::HitsPerPage)
                m_pageCount = totalHits / ImageSearchService::HitsPerPage;
        }
        // A page is ten hits; a longer list is not what was asked for.
        const qsizetype count = std::min<qsizetype>(hits.size(), ImageSearchService::HitsPerPage);
        for (qsizetype i = 0; i < count; ++i) {
            const QJsonObject hit = hits.at(i).toObject();
            const QString preview = hit.value(QStringLiteral("previewURL")).toString();
            const QString web = hit.value(QStringLiteral("webformatURL")).toString();
            // Only web addresses are fetched: a hit naming a local file or anything else
            // reaches nothing.
            const bool hasPreview = ImageSearchService::isWebAddress(preview);
            const bool hasWeb = ImageSearchService::isWebAddress(web);
            if (!hasPreview && !hasWeb)
                continue;
            startPreview(hasPreview ? preview : web, hasWeb ? web : preview, search);
        }
        imgView->update(m_currentPageIndex == 0);
    }
    ++m_currentPageIndex;
    return true;
}

void iNternetImageLoader::startPreview(const QString &download, const QString &tilePath, quint64 search)
{
    ++m_outstanding;
    // The tile takes its place at once, so the results keep the service's order.
    const QPointer<listImageViewItem> tile = imgView->addPlaceholderTile(tilePath);
    QNetworkReply *reply = get(QUrl(download), MaxPreviewBytes, Redirects::Safe);
    connect(reply, &QNetworkReply::finished, this, [this, reply, tile, tilePath, search] {
        reply->deleteLater();
        if (search != m_search)
            return;
        if (!ownsBrowser()) {
            cancelSearch();
            return;
        }
        const QByteArray bytes = reply->readAll();
        // A preview that came whole before its progress was heard is held to the limit here.
        const bool tooLarge = stoppedAsTooLarge(reply) || bytes.size() > MaxPreviewBytes;
        if (tooLarge)
            ++m_previewsTooLarge;
        const bool received = !tooLarge && reply->error() == QNetworkReply::NoError && httpStatus(reply) == 200 && !bytes.isEmpty();
        if (!received || !tile) {
            // A preview that does not come gives no tile; the others stay.
            if (tile)
                imgView->removeTile(tile);
            hitDone(search);
            return;
        }
        const QPointer<iNternetImageLoader> self(this);
        imgView->loadTileData(tile, bytes, [self, search, tilePath, bytes](bool shown) {
            if (!self || search != self->m_search)
                return;
            if (shown) {
                self->m_previews.insert(tilePath, bytes);
                ++self->m_shown;
            }
            self->hitDone(search);
        });
    });
}

void iNternetImageLoader::hitDone(quint64 search)
{
    if (search != m_search)
        return;
    m_outstanding = std::max(0, m_outstanding - 1);
    finishIfComplete();
}

void iNternetImageLoader::finishIfComplete()
{
    if (m_status != Status::Searching || m_pageInFlight || m_outstanding > 0)
        return;
    if (imgView && ownsBrowser()) {
        if (!m_failure.isEmpty() && m_currentPageIndex == 0) {
            // The search failed before its first page: the tiles of an earlier search would
            // pass for its results.
            imgView->clear();
            m_browserGeneration = imgView->contentsGeneration();
            m_previews.clear();
        }
        imgView->update(false);
    }
    if (!m_failure.isEmpty())
        setStatus(Status::Failed, m_failure);
    else if (m_shown > 0)
        setStatus(Status::Done, localizedString("Pictures found: %1").arg(m_shown));
    else if (m_previewsTooLarge > 0)
        setStatus(Status::Done, localizedString("The pictures found were too large to show."));
    else
        setStatus(Status::Done, localizedString("No pictures found."));
    emit busyChanged(false);
}

// ---- temporary files ----

void iNternetImageLoader::addTemporaryImagePath(const QString &name)
{
    if (name.isEmpty() || m_temporaryImages.contains(name))
        return;
    m_temporaryImages.append(name);
}

QString iNternetImageLoader::temporaryFolder()
{
    if (!m_folder || !m_folder->isValid())
        m_folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillmark-web-XXXXXX"));
    return m_folder->isValid() ? m_folder->path() : QString();
}

QString iNternetImageLoader::temporaryPathForAddress(const QString &address)
{
    const QString folder = temporaryFolder();
    if (folder.isEmpty() || address.isEmpty())
        return {};
    QString name = m_namesByAddress.value(address);
    if (name.isEmpty()) {
        // Two pictures whose addresses end alike keep files of their own.
        const QString wanted = safeFileName(address);
        const QFileInfo parts(wanted);
        const QString suffix = parts.suffix().isEmpty() ? QString() : QLatin1Char('.') + parts.suffix();
        const QString base = parts.suffix().isEmpty() ? wanted : parts.completeBaseName();
        const QList<QString> taken = m_namesByAddress.values();
        name = wanted;
        for (int n = 2; taken.contains(name); ++n)
            name = base + QLatin1Char('-') + QString::number(n) + suffix;
        m_namesByAddress.insert(address, name);
    }
    addTemporaryImagePath(name);
    return QDir(folder).filePath(name);
}

QString iNternetImageLoader::writePreview(const QString &address, const QImage &image)
{
    const QString path = temporaryPathForAddress(address);
    if (path.isEmpty())
        return {};
    if (isFullImageStored(address) && QFileInfo(path).isFile())
        return path;
    QByteArray bytes = m_previews.value(address);
    if (!bytes.isEmpty()) {
        // The bytes passed the check when their tile was made; a drawing is kept sanitized.
        const ImageProbe::Result probed = ImageProbe::probeData(bytes);
        if (!probed.accepted())
            bytes.clear();
        else if (probed.format == ImageProbe::Format::Svg)
            bytes = probed.data;
    }
    if (bytes.isEmpty()) {
        if (image.isNull())
            return {};
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
            return {};
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return {};
    return path;
}

void iNternetImageLoader::setFullImageStored(const QString &address)
{
    m_fullImages.insert(address, true);
}

bool iNternetImageLoader::isFullImageStored(const QString &address) const
{
    return m_fullImages.value(address, false);
}

} // namespace quillmark
