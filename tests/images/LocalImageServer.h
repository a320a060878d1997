#pragma once
// A small HTTP server on 127.0.0.1 that stands in for the web image-search service and the
// hosts of its pictures: it answers the search path "/api/" with pages of hits, and the
// preview and full-size addresses those hits name with pictures it makes. Every request it
// receives is recorded, so that tests see exactly what was asked, and of whom.
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QHostAddress>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>
#include <optional>

namespace websearch {

inline QByteArray pngBytes(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

class LocalImageServer
{
public:
    struct Response
    {
        int status = 200;
        QByteArray type = "application/json";
        QByteArray body;
        int delayMs = 0;
        // Sent as the Location header when not empty (a redirect).
        QByteArray location = {};
    };
    // One hit of an answer page, as the service would describe it.
    struct Hit
    {
        QString previewURL;
        QString webformatURL;
    };

    LocalImageServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()); }

    // ---- what the search answers ----
    qint64 totalHits = 0;
    // Hits named by index on the search (0, 1, ...) that get something else than the usual.
    QHash<int, Hit> specialHits;
    // Indexes whose preview answers 404, and whose preview is no picture.
    QSet<int> missingPreviews;
    QSet<int> textPreviews;
    // Indexes whose preview is larger than any preview is taken.
    QSet<int> hugePreviews;
    QSet<int> missingFullImages;
    // Indexes whose full picture has another size than fullSize().
    QHash<int, QSize> fullSizes;
    // The status and body of every search answer instead of pages of hits.
    std::optional<Response> searchAnswer;
    int searchDelayMs = 0;

    QString previewAddress(int index) const { return base() + QStringLiteral("/preview/hit%1_150.png").arg(index); }
    QString fullAddress(int index) const { return base() + QStringLiteral("/full/hit%1_640.png").arg(index); }
    static QColor colorOf(int index) { return QColor::fromHsv((index * 37) % 360, 200, 220); }
    static QSize previewSize() { return QSize(30, 20); }
    static QSize fullSize() { return QSize(240, 160); }

    // ---- what was asked ----
    struct Request
    {
        QByteArray target; // the request line's target, as sent
        QByteArray host;   // the Host header
    };
    QList<Request> requests;
    QList<QByteArray> searchQueries() const
    {
        QList<QByteArray> queries;
        for (const Request &request : requests)
            if (request.target.startsWith("/api/"))
                queries.append(request.target.mid(request.target.indexOf('?') + 1));
        return queries;
    }
    int countRequests(const QByteArray &prefix) const
    {
        int n = 0;
        for (const Request &request : requests)
            n += request.target.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    Response answer(const QByteArray &target)
    {
        const QUrl url(QString::fromLatin1(target));
        const QString path = url.path();
        if (path == QLatin1String("/api/")) {
            if (searchAnswer)
                return *searchAnswer;
            const int page = QUrlQuery(url).queryItemValue(QStringLiteral("page")).toInt();
            QJsonArray hits;
            for (qint64 i = (page - 1) * 10LL; i < std::min<qint64>(totalHits, page * 10LL); ++i) {
                const int index = int(i);
                QJsonObject hit;
                const Hit special = specialHits.value(index, Hit{previewAddress(index), fullAddress(index)});
                if (!special.previewURL.isNull())
                    hit.insert(QStringLiteral("previewURL"), special.previewURL);
                if (!special.webformatURL.isNull())
                    hit.insert(QStringLiteral("webformatURL"), special.webformatURL);
                hit.insert(QStringLiteral("id"), index);
                hits.append(hit);
            }
            QJsonObject body{{QStringLiteral("total"), totalHits * 3},
                             {QStringLiteral("totalHits"), totalHits},
                             {QStringLiteral("hits"), hits}};
            return {200, "application/json", QJsonDocument(body).toJson(QJsonDocument::Compact), searchDelayMs};
        }
        const int index = path.section(QLatin1Char('/'), -1).mid(3).section(QLatin1Char('_'), 0, 0).toInt();
        if (path.startsWith(QLatin1String("/preview/"))) {
            if (missingPreviews.contains(index))
                return {404, "text/plain", "not found"};
            if (textPreviews.contains(index))
                return {200, "image/png", "this is no picture at all"};
            if (hugePreviews.contains(index))
                return {200, "image/png", pngBytes(previewSize(), colorOf(index)) + QByteArray(5 << 20, '\0')};
            return {200, "image/png", pngBytes(previewSize(), colorOf(index))};
        }
        if (path.startsWith(QLatin1String("/full/"))) {
            if (missingFullImages.contains(index))
                return {404, "text/plain", "not found"};
            return {200, "image/png", pngBytes(fullSizes.value(index, fullSize()), colorOf(index))};
        }
        return {404, "text/plain", "not found"};
    }

    void serve(QTcpSocket *socket)
    {
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            received->append(socket->readAll());
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> lines = received->left(end).split('\n');
            const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
            Request request{requestLine.value(1), {}};
            for (const QByteArray &line : lines)
                if (line.toLower().startsWith("host:"))
                    request.host = line.mid(5).trimmed();
            received->clear();
            requests.append(request);
            const Response response = answer(request.target);
            const QByteArray reason = response.status == 200 ? "OK"
                : response.status >= 300 && response.status < 400 ? "Found"
                                                                    : "Not Found";
            const QByteArray location =
                response.location.isEmpty() ? QByteArray() : "\r\nLocation: " + response.location;
            const QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason + location
                + "\r\nContent-Type: " + response.type + "\r\nContent-Length: "
                + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
            auto send = [socket, head, body = response.body] {
                socket->write(head + body);
                socket->disconnectFromHost();
            };
            if (response.delayMs > 0)
                QTimer::singleShot(response.delayMs, socket, send);
            else
                send();
        });
    }

    QTcpServer m_server;
};

} // namespace websearch
