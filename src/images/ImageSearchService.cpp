#include "images/ImageSearchService.h"

#include <QHostAddress>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QObject>
#include <QUrlQuery>

#include <algorithm>

#include "foundation/Language.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

// Everything but the unreserved characters is escaped, so that no character of the text can
// end its query item or the query ("&", "#"), start a value ("=") or turn into a blank ("+").
QString encodedWhole(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

QString ImageSearchService::address()
{
    return UserDefaults::standard().stringForKey(QString::fromLatin1(AddressDefault)).trimmed();
}

QString ImageSearchService::apiKey()
{
    return UserDefaults::standard().stringForKey(QString::fromLatin1(KeyDefault)).trimmed();
}

QUrl ImageSearchService::serviceUrl()
{
    const QString text = address();
    if (text.isEmpty())
        return {};
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return {};
    const QString scheme = url.scheme().toLower();
    // The key travels in the request: in clear text only to this machine itself.
    if (scheme != QLatin1String("https") && !(scheme == QLatin1String("http") && isLoopbackHost(url.host())))
        return {};
    QUrl service;
    service.setScheme(scheme);
    service.setHost(url.host());
    service.setPort(url.port());
    return service;
}

ImageSearchService::State ImageSearchService::state()
{
    if (address().isEmpty() || apiKey().isEmpty())
        return State::NotConfigured;
    if (!serviceUrl().isValid())
        return State::BadAddress;
    return State::Ready;
}

QString ImageSearchService::stateMessage(State state)
{
    switch (state) {
    case State::Ready:
        return {};
    case State::NotConfigured:
        return localizedString("Web image search is not set up: it needs the address of an image service and your key for it.")
            + QLatin1Char('\n')
            + localizedString("Set them as \"ImageSearchService\" and \"ImageSearchKey\" in %1.")
                  .arg(UserDefaults::standard().filePath());
    case State::BadAddress:
        return localizedString("The image service address is not valid. It must be an https address, such as https://images.example.org.");
    }
    return {};
}

QUrl ImageSearchService::searchUrl(const QString &text, qint64 page)
{
    QUrl url = serviceUrl();
    if (!url.isValid())
        return {};
    url.setPath(QStringLiteral("/api/"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("key"), encodedWhole(apiKey()));
    query.addQueryItem(QStringLiteral("q"), encodedWhole(text));
    query.addQueryItem(QStringLiteral("image_type"), QStringLiteral("photo"));
    query.addQueryItem(QStringLiteral("per_page"), QString::number(HitsPerPage));
    query.addQueryItem(QStringLiteral("page"), QString::number(page));
    url.setQuery(query);
    return url;
}

QUrl ImageSearchService::homePage()
{
    return serviceUrl();
}

qint64 ImageSearchService::pagesToFetch(qint64 totalHits)
{
    const qint64 pageCount = totalHits >= HitsPerPage ? totalHits / HitsPerPage : 0;
    return std::clamp<qint64>(pageCount, 1, MaxPages);
}

bool ImageSearchService::isWebAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool ImageSearchService::isLoopbackHost(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool ImageSearchService::isAvailable(State state, const QString &host, Reachability reachability,
                                     bool interfaceUp)
{
    if (state != State::Ready || isLoopbackHost(host))
        return true;
    switch (reachability) {
    case Reachability::Connected:
        return true;
    case Reachability::Disconnected:
        return false;
    case Reachability::Unknown:
        break;
    }
    return interfaceUp;
}

bool ImageSearchService::isAvailable()
{
    const State current = state();
    if (current != State::Ready)
        return true;
    const QString host = serviceUrl().host();
    if (isLoopbackHost(host))
        return true;
    const Reachability reachability = platformReachability();
    return isAvailable(current, host, reachability, reachability == Reachability::Unknown && hasInterfaceUp());
}

ImageSearchService::Reachability ImageSearchService::platformReachability()
{
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (!QNetworkInformation::instance())
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    const QNetworkInformation *information = QNetworkInformation::instance();
    if (!information || !information->supports(QNetworkInformation::Feature::Reachability))
        return Reachability::Unknown;
    switch (information->reachability()) {
    case QNetworkInformation::Reachability::Unknown:
        return Reachability::Unknown;
    case QNetworkInformation::Reachability::Disconnected:
        return Reachability::Disconnected;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online:
        return Reachability::Connected;
    }
    return Reachability::Unknown;
}

bool ImageSearchService::hasInterfaceUp()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return std::any_of(interfaces.cbegin(), interfaces.cend(), [](const QNetworkInterface &interface) {
        const auto flags = interface.flags();
        return flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack) && !interface.addressEntries().isEmpty();
    });
}

bool ImageSearchService::whenReachabilityChanges(QObject *context, std::function<void()> changed)
{
    // Only a service elsewhere needs the platform's word; it is asked once it matters.
    if (state() != State::Ready || isLoopbackHost(serviceUrl().host()))
        return false;
    platformReachability();
    QNetworkInformation *information = QNetworkInformation::instance();
    if (!information)
        return false;
    QObject::connect(information, &QNetworkInformation::reachabilityChanged, context,
                     [changed = std::move(changed)] { changed(); });
    return true;
}

} // namespace quillmark
