#include "objects/ImageResolution.h"

#include <QIODevice>

#include <cmath>
#include <cstdint>
#include <map>

namespace quillmark {

namespace {

constexpr double MetresPerInch = 0.0254;

// Where the bytes of a file come from: held whole in memory, or read from a device a block at
// a time where they are asked for (a TIFF's directory may lie at the end of a large file).
class Source
{
public:
    Source() = default;
    explicit Source(const QByteArray &data)
        : m_data(&data)
        , m_size(data.size())
    {
    }
    explicit Source(QIODevice *device)
        : m_device(device)
        , m_size(device ? device->size() : 0)
    {
    }

    qsizetype size() const { return m_size; }
    // The byte at `offset`, within the size.
    uchar at(qsizetype offset) const
    {
        if (m_data)
            return uchar((*m_data)[offset]);
        const qsizetype block = offset / BlockBytes;
        auto found = m_blocks.find(block);
        if (found == m_blocks.end()) {
            QByteArray read;
            if (m_device->seek(qint64(block) * BlockBytes))
                read = m_device->read(BlockBytes);
            found = m_blocks.emplace(block, read).first;
        }
        const qsizetype within = offset - block * BlockBytes;
        return within < found->second.size() ? uchar(found->second[within]) : 0;
    }

private:
    static constexpr qsizetype BlockBytes = 4096;
    const QByteArray *m_data = nullptr;
    QIODevice *m_device = nullptr;
    qsizetype m_size = 0;
    mutable std::map<qsizetype, QByteArray> m_blocks;
};

// Reads of fixed-size integers that never pass the end of the data.
class Bytes
{
public:
    Bytes(const QByteArray &data, bool bigEndian)
        : m_owned(data)
        , m_source(&m_owned)
        , m_big(bigEndian)
    {
    }
    Bytes(const Source &source, bool bigEndian)
        : m_source(&source)
        , m_big(bigEndian)
    {
    }
    Bytes(const Bytes &) = delete;
    Bytes &operator=(const Bytes &) = delete;

    qsizetype size() const { return m_source->size(); }
    bool has(qsizetype offset, qsizetype count) const
    {
        return offset >= 0 && count >= 0 && offset <= size() && count <= size() - offset;
    }
    std::optional<uint32_t> read(qsizetype offset, int count) const
    {
        if (!has(offset, count))
            return std::nullopt;
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const uint32_t byte = m_source->at(offset + (m_big ? i : count - 1 - i));
            value = (value << 8) | byte;
        }
        return value;
    }
    std::optional<uint32_t> u8(qsizetype offset) const { return read(offset, 1); }
    std::optional<uint32_t> u16(qsizetype offset) const { return read(offset, 2); }
    std::optional<uint32_t> u32(qsizetype offset) const { return read(offset, 4); }

private:
    const Source m_owned;
    const Source *m_source;
    bool m_big;
};

double dpiFromDotsPerMeter(double perMetre)
{
    return perMetre * MetresPerInch;
}

bool inRange(double dpi)
{
    return std::isfinite(dpi) && dpi >= ImageResolution::minDpi && dpi <= ImageResolution::maxDpi;
}

// Resolutions are often stored through pixels per metre or a float: a value within that
// rounding of a whole number of dots per inch is the whole number.
double snapped(double dpi)
{
    const double whole = std::round(dpi);
    if (whole > 0 && ImageResolution::dotsPerMeter(whole) == std::lround(dpi / MetresPerInch))
        return whole;
    return dpi;
}

std::optional<QSizeF> checked(double x, double y)
{
    if (!inRange(x) || !inRange(y))
        return std::nullopt;
    return QSizeF(snapped(x), snapped(y));
}

std::optional<QSizeF> fromPng(const QByteArray &data)
{
    const Bytes bytes(data, true);
    qsizetype at = 8;
    // Chunks in order until the image data: "pHYs" must come before "IDAT".
    for (int guard = 0; guard < 10000 && bytes.has(at, 8); ++guard) {
        const std::optional<uint32_t> length = bytes.u32(at);
        if (!length || *length > 0x7fffffffu)
            return std::nullopt;
        const QByteArray type = data.mid(at + 4, 4);
        const qsizetype body = at + 8;
        if (type == "IDAT" || type == "IEND")
            return std::nullopt;
        if (type == "pHYs") {
            if (*length < 9 || !bytes.has(body, 9))
                return std::nullopt;
            const std::optional<uint32_t> x = bytes.u32(body);
            const std::optional<uint32_t> y = bytes.u32(body + 4);
            const std::optional<uint32_t> unit = bytes.u8(body + 8);
            // Unit 0 gives only the pixels' aspect, no size.
            if (!x || !y || !unit || *unit != 1)
                return std::nullopt;
            return checked(dpiFromDotsPerMeter(*x), dpiFromDotsPerMeter(*y));
        }
        at = body + qsizetype(*length) + 4;
    }
    return std::nullopt;
}

// The resolution fields of the first image file directory of a TIFF structure that starts
// at `base` (a TIFF file, or the Exif block of a JPEG).
std::optional<QSizeF> fromTiff(const Source &data, qsizetype base)
{
    if (!Bytes(data, true).has(base, 8))
        return std::nullopt;
    // "II" or "MM", the same either way round.
    const std::optional<uint32_t> order = Bytes(data, true).u16(base);
    if (order != 0x4949u && order != 0x4D4Du)
        return std::nullopt;
    const Bytes bytes(data, order == 0x4D4Du);
    if (bytes.u16(base + 2) != 42u)
        return std::nullopt;
    const std::optional<uint32_t> ifd = bytes.u32(base + 4);
    if (!ifd)
        return std::nullopt;
    const qsizetype dir = base + qsizetype(*ifd);
    const std::optional<uint32_t> entries = bytes.u16(dir);
    if (!entries)
        return std::nullopt;
    std::optional<double> x, y;
    uint32_t unit = 2; // inches when the file says nothing
    auto rational = [&](qsizetype entry) -> std::optional<double> {
        const std::optional<uint32_t> type = bytes.u16(entry + 2);
        const std::optional<uint32_t> offset = bytes.u32(entry + 8);
        if (type != 5u || !offset)
            return std::nullopt;
        const std::optional<uint32_t> numerator = bytes.u32(base + qsizetype(*offset));
        const std::optional<uint32_t> denominator = bytes.u32(base + qsizetype(*offset) + 4);
        if (!numerator || !denominator || *denominator == 0)
            return std::nullopt;
        return double(*numerator) / double(*denominator);
    };
    for (uint32_t i = 0; i < *entries; ++i) {
        const qsizetype entry = dir + 2 + qsizetype(i) * 12;
        const std::optional<uint32_t> tag = bytes.u16(entry);
        if (!tag)
            return std::nullopt;
        if (*tag == 282)
            x = rational(entry);
        else if (*tag == 283)
            y = rational(entry);
        else if (*tag == 296) {
            const std::optional<uint32_t> type = bytes.u16(entry + 2);
            const std::optional<uint32_t> value = type == 3u ? bytes.u16(entry + 8) : bytes.u32(entry + 8);
            if (value)
                unit = *value;
        }
    }
    if (!x || !y)
        return std::nullopt;
    if (unit == 2)
        return checked(*x, *y);
    if (unit == 3)
        return checked(*x * 2.54, *y * 2.54);
    return std::nullopt;
}

std::optional<QSizeF> fromJpeg(const QByteArray &data)
{
    const Bytes bytes(data, true);
    qsizetype at = 2;
    std::optional<QSizeF> exif;
    for (int guard = 0; guard < 10000 && bytes.has(at, 4); ++guard) {
        if (bytes.u8(at) != 0xFFu)
            return exif;
        const uint32_t marker = *bytes.u8(at + 1);
        // Fill bytes and markers without a length.
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            at += 2;
            continue;
        }
        // The image data starts: the header segments are all read.
        if (marker == 0xDA || marker == 0xD9)
            return exif;
        const std::optional<uint32_t> length = bytes.u16(at + 2);
        if (!length || *length < 2)
            return exif;
        const qsizetype body = at + 4;
        if (marker == 0xE0 && data.mid(body, 5) == QByteArray("JFIF", 5) && bytes.has(body, 12)) {
            const uint32_t units = *bytes.u8(body + 7);
            const double x = *bytes.u16(body + 8);
            const double y = *bytes.u16(body + 10);
            // Units 0 give only the pixels' aspect; then the Exif block may still say more.
            if (units == 1)
                return checked(x, y);
            if (units == 2)
                return checked(x * 2.54, y * 2.54);
        } else if (marker == 0xE1 && !exif && data.mid(body, 6) == QByteArray("Exif\0\0", 6)) {
            exif = fromTiff(Source(data), body + 6);
        }
        at = body + qsizetype(*length) - 2;
    }
    return exif;
}

std::optional<QSizeF> fromBmp(const QByteArray &data)
{
    const Bytes bytes(data, false);
    const std::optional<uint32_t> header = bytes.u32(14);
    // Only the headers of 40 bytes and more carry a resolution.
    if (!header || *header < 40)
        return std::nullopt;
    const std::optional<uint32_t> x = bytes.u32(14 + 24);
    const std::optional<uint32_t> y = bytes.u32(14 + 28);
    if (!x || !y || *x == 0 || *y == 0 || *x > 0x7fffffffu || *y > 0x7fffffffu)
        return std::nullopt;
    return checked(dpiFromDotsPerMeter(*x), dpiFromDotsPerMeter(*y));
}

} // namespace

int ImageResolution::dotsPerMeter(double dpi)
{
    if (!std::isfinite(dpi) || dpi <= 0)
        return 0;
    return int(std::lround(std::min(dpi, maxDpi) / MetresPerInch));
}

std::optional<QSizeF> ImageResolution::declaredDpi(QIODevice *device)
{
    if (!device || !device->seek(0))
        return std::nullopt;
    // The other kinds declare theirs among their first segments.
    const QByteArray head = device->read(HeadBytes);
    if (head.startsWith("II*\0") || head.startsWith(QByteArray("MM\0*", 4)))
        return fromTiff(Source(device), 0);
    return declaredDpi(head);
}

std::optional<QSizeF> ImageResolution::declaredDpi(const QByteArray &data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return fromPng(data);
    if (data.startsWith("\xFF\xD8"))
        return fromJpeg(data);
    if (data.startsWith("II*\0") || data.startsWith(QByteArray("MM\0*", 4)))
        return fromTiff(Source(data), 0);
    if (data.startsWith("BM"))
        return fromBmp(data);
    return std::nullopt;
}

} // namespace quillmark
