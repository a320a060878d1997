#pragma once
// Files that try to hurt a picture reader, and a guard that turns a reader that blocks into
// a failed test instead of a hung one.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPdfWriter>
#include <QPainter>
#include <QString>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "printing/Jp2Encoder.h"

namespace hostile {

// Runs `rescue` every 100 ms once `limit` has passed without the guard being dropped: it lets
// a reader that blocked go (a FIFO opened for writing, a pipe closed), and fired() tells the
// test that the step did not return at once.
class Watchdog
{
public:
    explicit Watchdog(std::function<void()> rescue, std::chrono::milliseconds limit = std::chrono::seconds(20))
        : m_rescue(std::move(rescue))
        , m_thread([this, limit] { run(limit); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    bool fired() const { return m_fired; }

private:
    void run(std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_for(lock, limit, [this] { return m_done; }))
            return;
        m_fired = true;
        while (!m_done) {
            lock.unlock();
            m_rescue();
            lock.lock();
            m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done; });
        }
    }

    std::function<void()> m_rescue;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

// A FIFO that nobody writes to: a reader that opens it waits for a writer for good.
inline QString makeFifo(const QString &path)
{
    QFile::remove(path);
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        return {};
    return path;
}

// Lets a reader blocked on the FIFO go: opening it for writing ends the reader's wait, and
// closing it at once gives the reader an empty file.
inline void releaseFifo(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0)
        ::close(fd);
}

// Standard input replaced by a pipe that stays empty, so that reading /dev/stdin waits, as
// it does in a program started from a terminal or by another program.
class StdinPipe
{
public:
    StdinPipe()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_saved = ::dup(0);
        ::dup2(fds[0], 0);
        ::close(fds[0]);
        m_writer = fds[1];
    }
    ~StdinPipe()
    {
        release();
        if (m_saved >= 0) {
            ::dup2(m_saved, 0);
            ::close(m_saved);
        }
    }
    bool isValid() const { return m_saved >= 0; }
    // Closing the only writer ends every read of the pipe.
    void release()
    {
        const int writer = m_writer.exchange(-1);
        if (writer >= 0)
            ::close(writer);
    }

private:
    int m_saved = -1;
    std::atomic<int> m_writer{-1};
};

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A drawing 40 by 20 filled blue, with a picture of 20 by 20 at its left whose reference is
// `reference`.
inline QByteArray svgReferencing(const QString &reference, const QByteArray &prefix = "xlink")
{
    return QByteArray("<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:")
        + prefix + "=\"http://www.w3.org/1999/xlink\" width=\"40\" height=\"20\">"
        + "<rect width=\"40\" height=\"20\" fill=\"#0000ff\"/>"
        + "<image x=\"0\" y=\"0\" width=\"20\" height=\"20\" " + prefix + ":href=\""
        + reference.toHtmlEscaped().toUtf8() + "\"/></svg>";
}

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

inline void appendPngChunk(QByteArray &png, const QByteArray &type, const QByteArray &data)
{
    char length[4];
    qToBigEndian(quint32(data.size()), length);
    png.append(length, 4);
    const QByteArray chunk = type + data;
    png.append(chunk);
    char crc[4];
    qToBigEndian(quint32(::crc32(0, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(chunk.size()))), crc);
    png.append(crc, 4);
}

// A PNG whose header announces a picture of the given size and whose pixel data is a few
// bytes: small on disk, enormous once decoded.
inline QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    QByteArray bytes("\x89PNG\r\n\x1a\n", 8);
    char dims[8];
    qToBigEndian(width, dims);
    qToBigEndian(height, dims + 4);
    QByteArray header(dims, 8);
    header.append("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, no interlace
    appendPngChunk(bytes, "IHDR", header);
    appendPngChunk(bytes, "IDAT", qCompress(QByteArray(64, '\0')).mid(4));
    appendPngChunk(bytes, "IEND", QByteArray());
    return bytes;
}

// A PNG of noise cut off in the middle of its pixel data: its header reads, its pixels do not.
inline QByteArray truncatedPng()
{
    QImage noise(200, 100, QImage::Format_RGB32);
    quint32 state = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            noise.setPixel(x, y, state >> 8);
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    noise.save(&buffer, "PNG");
    return bytes.left(bytes.size() * 6 / 10);
}

// Raw deflate of `input` by a fresh compressor, so that the output refers only to itself and
// copies of it can follow one another in one stream.
inline QByteArray rawDeflate(const QByteArray &input, int flush)
{
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(input.size())) + 64), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.constData()));
    stream.avail_in = uInt(input.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, flush);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// A compressed SVG drawing of about `fileBytes` bytes that unpacks to about a thousand times
// as much: a drawing followed by a sea of blanks.
inline QByteArray svgzBomb(qint64 fileBytes)
{
    const QByteArray head = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">";
    const QByteArray tail = "<rect width=\"10\" height=\"10\" fill=\"red\"/></svg>";
    const QByteArray blanks(1 << 20, ' ');
    const QByteArray blankBlock = rawDeflate(blanks, Z_FULL_FLUSH);
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    out += rawDeflate(head, Z_FULL_FLUSH);
    uLong crc = ::crc32(0, reinterpret_cast<const Bytef *>(head.constData()), uInt(head.size()));
    const uLong blanksCrc = ::crc32(0, reinterpret_cast<const Bytef *>(blanks.constData()), uInt(blanks.size()));
    quint64 total = quint64(head.size());
    while (out.size() + blankBlock.size() < fileBytes) {
        out += blankBlock;
        crc = ::crc32_combine(crc, blanksCrc, blanks.size());
        total += quint64(blanks.size());
    }
    out += rawDeflate(tail, Z_FINISH);
    crc = ::crc32_combine(crc, ::crc32(0, reinterpret_cast<const Bytef *>(tail.constData()), uInt(tail.size())),
                          tail.size());
    total += quint64(tail.size());
    char trailer[8];
    qToLittleEndian(quint32(crc), trailer);
    qToLittleEndian(quint32(total & 0xffffffffu), trailer + 4);
    out.append(trailer, 8);
    return out;
}

inline QByteArray gzip(const QByteArray &text)
{
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    out += rawDeflate(text, Z_FINISH);
    char trailer[8];
    qToLittleEndian(quint32(::crc32(0, reinterpret_cast<const Bytef *>(text.constData()), uInt(text.size()))), trailer);
    qToLittleEndian(quint32(text.size()), trailer + 4);
    out.append(trailer, 8);
    return out;
}

// A JPEG 2000 file (JP2) of a picture of one colour, written by the export writer.
inline QByteArray jp2Bytes(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return quillmark::Jp2Encoder::encode(image, 72.0);
}

// The bare codestream inside a JP2 file: the content of its "jp2c" box.
inline QByteArray codestreamOf(const QByteArray &jp2)
{
    qsizetype at = 0;
    while (at + 8 <= jp2.size()) {
        const quint32 length = qFromBigEndian<quint32>(jp2.constData() + at);
        const QByteArray type = jp2.mid(at + 4, 4);
        if (type == "jp2c")
            return length == 0 ? jp2.mid(at + 8) : jp2.mid(at + 8, length - 8);
        if (length < 8)
            return {};
        at += length;
    }
    return {};
}

// A one-page PDF of the given size in points, filled with one colour.
inline bool writePdf(const QString &path, const QSizeF &points, const QColor &color)
{
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(points, QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    if (!painter.isActive())
        return false;
    painter.fillRect(QRectF(QPointF(0, 0), points), color);
    return painter.end();
}

} // namespace hostile
