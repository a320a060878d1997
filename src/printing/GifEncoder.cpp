#include "printing/GifEncoder.h"
#include "foundation/Language.h"

#include <gif_lib.h>

#include <QHash>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace quillmark {

namespace {

// Colours are counted in a 5-bit-per-channel histogram; palette entries are the exact means of
// the colours that fall into their boxes, so little precision is lost.
constexpr int channelBits = 5;
constexpr int binCount = 1 << (3 * channelBits);

int binOf(QRgb rgb)
{
    constexpr int shift = 8 - channelBits;
    return ((qRed(rgb) >> shift) << (2 * channelBits)) | ((qGreen(rgb) >> shift) << channelBits)
        | (qBlue(rgb) >> shift);
}

struct Bin
{
    int coord[3] = {0, 0, 0};
    quint64 count = 0;
    quint64 sum[3] = {0, 0, 0};
};

struct Box
{
    int begin = 0;
    int end = 0; // one past the last bin of the box in the bins vector
    quint64 count = 0;
    int longestAxis = 0;
    int range = 0;
};

void measure(Box &box, const std::vector<Bin> &bins)
{
    int lo[3] = {255, 255, 255};
    int hi[3] = {0, 0, 0};
    box.count = 0;
    for (int i = box.begin; i < box.end; ++i) {
        box.count += bins[i].count;
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], bins[i].coord[c]);
            hi[c] = std::max(hi[c], bins[i].coord[c]);
        }
    }
    box.range = -1;
    for (int c = 0; c < 3; ++c) {
        if (hi[c] - lo[c] > box.range) {
            box.range = hi[c] - lo[c];
            box.longestAxis = c;
        }
    }
}

QList<QRgb> medianCut(std::vector<Bin> &bins, int maxColors)
{
    std::vector<Box> boxes;
    Box all;
    all.begin = 0;
    all.end = int(bins.size());
    measure(all, bins);
    boxes.push_back(all);

    while (int(boxes.size()) < maxColors) {
        // Split where many pixels spread over a wide range: that box loses the most detail.
        int pick = -1;
        quint64 best = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[i].end - boxes[i].begin < 2 || boxes[i].range <= 0)
                continue;
            const quint64 score = boxes[i].count * quint64(boxes[i].range);
            if (pick < 0 || score > best) {
                pick = i;
                best = score;
            }
        }
        if (pick < 0)
            break;
        Box box = boxes[pick];
        const int axis = box.longestAxis;
        std::sort(bins.begin() + box.begin, bins.begin() + box.end,
                  [axis](const Bin &a, const Bin &b) { return a.coord[axis] < b.coord[axis]; });
        quint64 seen = 0;
        int split = box.begin + 1;
        for (int i = box.begin; i < box.end - 1; ++i) {
            seen += bins[i].count;
            split = i + 1;
            if (seen * 2 >= box.count)
                break;
        }
        Box lower = box;
        lower.end = split;
        Box upper = box;
        upper.begin = split;
        measure(lower, bins);
        measure(upper, bins);
        boxes[pick] = lower;
        boxes.push_back(upper);
    }

    QList<QRgb> palette;
    for (const Box &box : boxes) {
        quint64 sum[3] = {0, 0, 0};
        for (int i = box.begin; i < box.end; ++i) {
            for (int c = 0; c < 3; ++c)
                sum[c] += bins[i].sum[c];
        }
        const quint64 n = std::max<quint64>(box.count, 1);
        palette << qRgb(int((sum[0] + n / 2) / n), int((sum[1] + n / 2) / n), int((sum[2] + n / 2) / n));
    }
    return palette;
}

int nearest(const QList<QRgb> &palette, int r, int g, int b)
{
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - r;
        const int dg = qGreen(palette[i]) - g;
        const int db = qBlue(palette[i]) - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int writeToBuffer(GifFileType *gif, const GifByteType *data, int length)
{
    auto *out = static_cast<QByteArray *>(gif->UserData);
    out->append(reinterpret_cast<const char *>(data), length);
    return length;
}

} // namespace

GifEncoder::Indexed GifEncoder::quantize(const QImage &image)
{
    Indexed result;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    const int w = pixels.width();
    const int h = pixels.height();
    result.indices.assign(size_t(w) * size_t(h), 0);

    auto isClear = [](QRgb rgb) { return qAlpha(rgb) < 128; };
    bool anyClear = false;
    if (pixels.hasAlphaChannel()) {
        for (int y = 0; y < h && !anyClear; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                if (isClear(line[x])) {
                    anyClear = true;
                    break;
                }
            }
        }
    }
    const int maxColors = anyClear ? 255 : 256;

    // Few enough distinct colours are kept exactly, as drawings of text and flat shapes often are.
    QHash<QRgb, int> exact;
    bool fits = true;
    for (int y = 0; y < h && fits; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (isClear(line[x]))
                continue;
            const QRgb rgb = line[x] | 0xff000000u;
            if (!exact.contains(rgb)) {
                if (exact.size() == maxColors) {
                    fits = false;
                    break;
                }
                exact.insert(rgb, int(result.palette.size()));
                result.palette << rgb;
            }
        }
    }

    std::vector<int> binToIndex;
    if (!fits) {
        std::vector<Bin> histogram(binCount);
        for (int y = 0; y < h; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                if (isClear(line[x]))
                    continue;
                Bin &bin = histogram[size_t(binOf(line[x]))];
                ++bin.count;
                bin.sum[0] += qRed(line[x]);
                bin.sum[1] += qGreen(line[x]);
                bin.sum[2] += qBlue(line[x]);
            }
        }
        std::vector<Bin> used;
        std::vector<int> usedIds;
        for (int id = 0; id < binCount; ++id) {
            Bin bin = histogram[size_t(id)];
            if (bin.count == 0)
                continue;
            bin.coord[0] = (id >> (2 * channelBits)) & ((1 << channelBits) - 1);
            bin.coord[1] = (id >> channelBits) & ((1 << channelBits) - 1);
            bin.coord[2] = id & ((1 << channelBits) - 1);
            used.push_back(bin);
            usedIds.push_back(id);
        }
        result.palette = medianCut(used, maxColors);
        binToIndex.assign(binCount, 0);
        for (int id : usedIds) {
            const Bin &bin = histogram[size_t(id)];
            binToIndex[size_t(id)] = nearest(result.palette, int(bin.sum[0] / bin.count),
                                             int(bin.sum[1] / bin.count), int(bin.sum[2] / bin.count));
        }
    }

    if (anyClear) {
        result.transparentIndex = int(result.palette.size());
        result.palette << qRgba(0, 0, 0, 0);
    }
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        unsigned char *out = result.indices.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            if (isClear(line[x]))
                out[x] = static_cast<unsigned char>(result.transparentIndex);
            else if (fits)
                out[x] = static_cast<unsigned char>(exact.value(line[x] | 0xff000000u));
            else
                out[x] = static_cast<unsigned char>(binToIndex[size_t(binOf(line[x]))]);
        }
    }
    return result;
}

QByteArray GifEncoder::encode(const QImage &image, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (image.isNull())
        return fail(translated(QStringLiteral("There is no image to write.")));
    if (image.width() > 65535 || image.height() > 65535)
        return fail(translated(QStringLiteral("The image is too large for GIF.")));

    const Indexed indexed = quantize(image);
    int bits = 1;
    while ((1 << bits) < indexed.palette.size())
        ++bits;
    std::vector<GifColorType> colors(size_t(1) << bits);
    for (int i = 0; i < indexed.palette.size(); ++i) {
        colors[size_t(i)].Red = GifByteType(qRed(indexed.palette[i]));
        colors[size_t(i)].Green = GifByteType(qGreen(indexed.palette[i]));
        colors[size_t(i)].Blue = GifByteType(qBlue(indexed.palette[i]));
    }
    ColorMapObject *map = GifMakeMapObject(1 << bits, colors.data());
    if (!map)
        return fail(translated(QStringLiteral("The GIF encoder is out of memory.")));

    QByteArray out;
    int status = 0;
    GifFileType *gif = EGifOpen(&out, writeToBuffer, &status);
    if (!gif) {
        GifFreeMapObject(map);
        return fail(QStringLiteral("The GIF encoder could not be started: %1")
                        .arg(QString::fromUtf8(GifErrorString(status))));
    }
    EGifSetGifVersion(gif, true);
    const int w = image.width();
    const int h = image.height();
    bool ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (ok && indexed.transparentIndex >= 0) {
        GraphicsControlBlock control;
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = indexed.transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK;
    }
    if (ok)
        ok = EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(static_cast<size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        std::memcpy(row.data(), indexed.indices.data() + size_t(y) * size_t(w), size_t(w));
        ok = EGifPutLine(gif, row.data(), w) == GIF_OK;
    }
    const int lastError = gif->Error;
    if (EGifCloseFile(gif, &status) != GIF_OK)
        ok = false;
    if (!ok)
        return fail(QStringLiteral("The GIF encoder failed: %1")
                        .arg(QString::fromUtf8(GifErrorString(lastError ? lastError : status))));
    return out;
}

} // namespace quillmark
