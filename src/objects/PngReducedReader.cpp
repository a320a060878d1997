#include "objects/PngReducedReader.h"

#include <QIODevice>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <vector>

namespace quillmark::PngReducedReader {

namespace {

void readFromDevice(png_structp png, png_bytep out, png_size_t length)
{
    auto *device = static_cast<QIODevice *>(png_get_io_ptr(png));
    if (device->read(reinterpret_cast<char *>(out), qint64(length)) != qint64(length))
        png_error(png, "truncated");
}

void fail(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// What the reading fills in; held outside the frame that libpng may jump back to.
struct Work
{
    std::vector<png_byte> row;
    std::vector<quint32> sums;
    QImage result;
};

} // namespace

bool canRead(const QByteArray &head)
{
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    // The header chunk comes first; its last byte says whether the rows are interlaced.
    return head.size() > 28 && head.startsWith(QByteArray(signature, 8)) && head.mid(12, 4) == "IHDR"
        && head.at(28) == 0;
}

QImage read(QIODevice *device, int shift)
{
    if (!device || shift < 0 || shift > 3 || !device->seek(0))
        return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, fail, ignoreWarning);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    const auto work = std::make_unique<Work>();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_read_fn(png, device, readFromDevice);
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (interlace != PNG_INTERLACE_NONE || width == 0 || height == 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    // Every pixel arrives as 8-bit red, green, blue and alpha.
    png_set_expand(png);
    png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != png_size_t(width) * 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    const int side = 1 << shift;
    const int outWidth = int((width + side - 1) >> shift);
    const int outHeight = int((height + side - 1) >> shift);
    work->result = QImage(outWidth, outHeight, QImage::Format_RGBA8888_Premultiplied);
    if (work->result.isNull()) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    work->row.resize(size_t(width) * 4);
    work->sums.assign(size_t(outWidth) * 4, 0);
    png_bytep row = work->row.data();
    quint32 *sums = work->sums.data();
    int firstRow = 0;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, row, nullptr);
        // Summed premultiplied, so that transparent pixels lend no colour to their square.
        for (png_uint_32 x = 0; x < width; ++x) {
            const png_bytep p = row + x * 4;
            const quint32 a = p[3];
            quint32 *s = sums + (x >> shift) * 4;
            s[0] += (p[0] * a + 127) / 255;
            s[1] += (p[1] * a + 127) / 255;
            s[2] += (p[2] * a + 127) / 255;
            s[3] += a;
        }
        const bool squareDone = ((y + 1) & png_uint_32(side - 1)) == 0 || y + 1 == height;
        if (!squareDone)
            continue;
        const int rows = int(y) + 1 - firstRow;
        uchar *out = work->result.scanLine(int(y >> shift));
        for (int ox = 0; ox < outWidth; ++ox) {
            const int columns = std::min(side, int(width) - ox * side);
            const quint32 count = quint32(rows * columns);
            quint32 *s = sums + ox * 4;
            for (int c = 0; c < 4; ++c) {
                out[ox * 4 + c] = uchar((s[c] + count / 2) / count);
                s[c] = 0;
            }
        }
        firstRow = int(y) + 1;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return std::move(work->result);
}

} // namespace quillmark::PngReducedReader
