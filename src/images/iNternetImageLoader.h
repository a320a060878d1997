#pragma once
// The web image-search client, one for the whole application. A search asks the service for
// pages of ten hits (at most four pages, one after the other); each hit's small preview is
// downloaded while the next page is asked for, and shown in the image browser as a tile that
// stands for the hit's larger picture. Previews pass the same acceptance check as every other
// picture before a tile shows them.
//
// It also keeps the temporary files of web pictures: a picture placed from a web tile lives
// in a private folder of the temporary folder, named after the last part of its address,
// until the application ends.
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTemporaryDir;

namespace quillmark {

class ScrollNSImageView;

class iNternetImageLoader : public QObject
{
    Q_OBJECT
public:
    // The shared loader, created on the first call with the browser it fills; a browser given
    // later takes the place of one that is gone.
    static iNternetImageLoader *initWithView(ScrollNSImageView *browser);
    static iNternetImageLoader *sharedInternetImageLoader();
    // Destroys the shared loader, which deletes its temporary files (at quit).
    static void clear();

    explicit iNternetImageLoader(ScrollNSImageView *browser, QObject *parent = nullptr);
    ~iNternetImageLoader() override;

    ScrollNSImageView *imageView() const;
    void setImageView(ScrollNSImageView *browser);
    QNetworkAccessManager *networkAccessManager() const { return m_network; }

    // ---- searching ----
    enum class Status { Idle, Searching, Done, NotSetUp, Failed };
    // Starts a search for the text (blank text starts nothing); a search still running is
    // dropped with its requests. Without a service set up, the status says what is missing.
    void loadPhotoImages(const QString &text);
    // Stops the running search; the browser keeps what it shows.
    void cancelSearch();
    bool isSearching() const { return m_status == Status::Searching; }
    Status status() const { return m_status; }
    // What the search view shows under the field: progress, the result or why it failed.
    QString statusText() const { return m_statusText; }
    QString searchPattern() const { return m_searchPattern; }
    // The request of a page of the current search.
    QUrl searchUrl(qint64 page) const;
    qint64 currentPageIndex() const { return m_currentPageIndex; }
    qint64 pageCount() const { return m_pageCount; }
    // Tiles the current search shows.
    int shownCount() const { return m_shown; }

    // ---- temporary files ----
    // Registers a file name of the private temporary folder for deletion; none and names
    // already listed are ignored.
    void addTemporaryImagePath(const QString &name);
    QStringList temporaryImages() const { return m_temporaryImages; }
    // The private folder (made on first use, readable by this user only); empty when it
    // cannot be made.
    QString temporaryFolder();
    // The file a web picture is kept in: the folder + the last part of its address, made
    // safe and unique among the pictures of this session, its name registered. The same
    // address always gets the same file. Empty when there is no folder.
    QString temporaryPathForAddress(const QString &address);
    // Writes a tile's preview into the picture's file, unless the full picture is there
    // already: the downloaded preview bytes when known, else `image`. Answers the file, or
    // an empty string when nothing could be written.
    QString writePreview(const QString &address, const QImage &image);
    // The full picture of the address has been stored in its file.
    void setFullImageStored(const QString &address);
    bool isFullImageStored(const QString &address) const;

signals:
    void statusChanged();
    void busyChanged(bool busy);

private:
    void startPage(qint64 page);
    void connectionDidFinishLoading(QNetworkReply *reply, quint64 search);
    // Reads one answer page; NO when it is no answer of the service.
    bool processResponse(const QByteArray &data, quint64 search);
    void startPreview(const QString &download, const QString &tilePath, quint64 search);
    void hitDone(quint64 search);
    void finishIfComplete();
    // The browser still shows this search (nobody chose another source meanwhile).
    bool ownsBrowser() const;
    void setStatus(Status status, const QString &text);
    // The search follows no redirect; previews follow those that stay as safe as the
    // address the answer named.
    enum class Redirects { None, Safe };
    QNetworkReply *get(const QUrl &url, qint64 maxBytes, Redirects redirects);

    QString m_searchPattern;
    QByteArray bufferData;
    qint64 m_currentPageIndex = 0;
    qint64 m_pageCount = 0;
    QPointer<ScrollNSImageView> imgView;
    QStringList m_temporaryImages;

    QNetworkAccessManager *m_network;
    std::unique_ptr<QTemporaryDir> m_folder;
    // The file name of each address given one, and the addresses whose full picture is in it.
    QHash<QString, QString> m_namesByAddress;
    QHash<QString, bool> m_fullImages;
    // The preview bytes of the tiles shown, by the address the tile stands for.
    QHash<QString, QByteArray> m_previews;

    quint64 m_search = 0;
    quint64 m_browserGeneration = 0;
    bool m_pageInFlight = false;
    int m_outstanding = 0;
    int m_shown = 0;
    // Previews stopped for passing their size limit.
    int m_previewsTooLarge = 0;
    Status m_status = Status::Idle;
    QString m_statusText;
    QString m_failure;
};

} // namespace quillmark
