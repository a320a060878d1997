#pragma once
// The web image-search service as this installation knows it: its address and the key it
// is asked with (user defaults, so that an administrator or the user sets them, never the
// program), the requests built from them, its home page, and whether the network lets the
// "Internet" source be offered.
#include <QString>
#include <QUrl>

#include <functional>

class QObject;

namespace quillmark {

class ImageSearchService
{
public:
    // User defaults: the service's address ("https://host[:port]"), the key the service
    // gave this installation, and the text searched last.
    static constexpr const char *AddressDefault = "ImageSearchService";
    static constexpr const char *KeyDefault = "ImageSearchKey";
    static constexpr const char *LastSearchDefault = "InternetImagesKey";

    static constexpr int HitsPerPage = 10;
    static constexpr int MaxPages = 4;

    enum class State {
        Ready,
        NotConfigured, // no address or no key
        BadAddress,    // an address that is no web address, or plain http to another machine
    };

    static QString address();
    static QString apiKey();
    static State state();
    // Says what is missing, translated; empty when the service is ready.
    static QString stateMessage(State state);

    // The address reduced to scheme, host and port; invalid unless the service is ready.
    static QUrl serviceUrl();
    // The request for one page (from 1) of a search: the path "/api/" with the keys "key",
    // "q", "image_type", "per_page" and "page", in that order. The search text and the key
    // are percent-encoded whole, so "&", "#", "=" and "+" reach the service as text.
    static QUrl searchUrl(const QString &text, qint64 page);
    // The service's home page: its address without a path.
    static QUrl homePage();

    // The pages a search fetches once the first page said how many hits there are: ten to a
    // page, whole pages only, at least the first and at most four.
    static qint64 pagesToFetch(qint64 totalHits);

    // An http or https address with a host: what a hit may name and a tile may stand for.
    static bool isWebAddress(const QString &text);
    static bool isLoopbackHost(const QString &host);

    // Whether the "Internet" source is offered: always for a service that is not set up (its
    // view then says what is missing) or that runs on this machine; otherwise only while the
    // network is not known to be down.
    static bool isAvailable();

    // How the network looks to the platform.
    enum class Reachability { Unknown, Disconnected, Connected };
    static bool isAvailable(State state, const QString &host, Reachability reachability, bool interfaceUp);
    // What the platform's network information says; Unknown where it has none.
    static Reachability platformReachability();
    // Whether a network interface other than loopback is up with an address.
    static bool hasInterfaceUp();
    // Calls `changed` in `context` whenever the platform reports another reachability; NO
    // when nothing is watched (the service is not set up or is on this machine, or the
    // platform does not report it).
    static bool whenReachabilityChanges(QObject *context, std::function<void()> changed);
};

} // namespace quillmark
