#include "objects/Jpeg2000Reader.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quillmark {

namespace {

const unsigned char jp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
const unsigned char codestreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

bool startsWith(const QByteArray &data, const unsigned char *bytes, size_t count)
{
    return size_t(data.size()) >= count && std::memcmp(data.constData(), bytes, count) == 0;
}

struct Source
{
    const unsigned char *bytes = nullptr;
    OPJ_OFF_T size = 0;
    OPJ_OFF_T position = 0;
};

OPJ_SIZE_T readBytes(void *buffer, OPJ_SIZE_T count, void *user)
{
    auto *source = static_cast<Source *>(user);
    if (source->position >= source->size)
        return OPJ_SIZE_T(-1);
    const OPJ_SIZE_T available = OPJ_SIZE_T(source->size - source->position);
    const OPJ_SIZE_T n = std::min(count, available);
    std::memcpy(buffer, source->bytes + source->position, n);
    source->position += OPJ_OFF_T(n);
    return n;
}

OPJ_OFF_T skipBytes(OPJ_OFF_T count, void *user)
{
    auto *source = static_cast<Source *>(user);
    const OPJ_OFF_T target = source->position + count;
    if (target < 0 || target > source->size)
        return -1;
    source->position = target;
    return count;
}

OPJ_BOOL seekTo(OPJ_OFF_T position, void *user)
{
    auto *source = static_cast<Source *>(user);
    if (position < 0 || position > source->size)
        return OPJ_FALSE;
    source->position = position;
    return OPJ_TRUE;
}

void ignoreMessage(const char *, void *)
{
}

struct CodecDeleter
{
    void operator()(opj_codec_t *codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter
{
    void operator()(opj_stream_t *stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter
{
    void operator()(opj_image_t *image) const { opj_image_destroy(image); }
};

// One open decoder over the bytes with its header read.
struct Decoder
{
    Source source;
    std::unique_ptr<opj_codec_t, CodecDeleter> codec;
    std::unique_ptr<opj_stream_t, StreamDeleter> stream;
    std::unique_ptr<opj_image_t, ImageDeleter> image;

    bool open(const QByteArray &data)
    {
        OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
        if (startsWith(data, jp2Signature, sizeof jp2Signature))
            format = OPJ_CODEC_JP2;
        else if (startsWith(data, codestreamStart, sizeof codestreamStart))
            format = OPJ_CODEC_J2K;
        else
            return false;
        source.bytes = reinterpret_cast<const unsigned char *>(data.constData());
        source.size = OPJ_OFF_T(data.size());
        codec.reset(opj_create_decompress(format));
        stream.reset(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
        if (!codec || !stream)
            return false;
        opj_set_info_handler(codec.get(), ignoreMessage, nullptr);
        opj_set_warning_handler(codec.get(), ignoreMessage, nullptr);
        opj_set_error_handler(codec.get(), ignoreMessage, nullptr);
        opj_stream_set_read_function(stream.get(), readBytes);
        opj_stream_set_skip_function(stream.get(), skipBytes);
        opj_stream_set_seek_function(stream.get(), seekTo);
        opj_stream_set_user_data(stream.get(), &source, nullptr);
        opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(source.size));
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        if (!opj_setup_decoder(codec.get(), &parameters))
            return false;
        opj_image_t *header = nullptr;
        if (!opj_read_header(stream.get(), codec.get(), &header) || !header)
            return false;
        image.reset(header);
        return image->numcomps >= 1 && image->x1 > image->x0 && image->y1 > image->y0;
    }

    QSize size() const
    {
        return QSize(int(std::min<OPJ_UINT32>(image->x1 - image->x0, 1u << 30)),
                     int(std::min<OPJ_UINT32>(image->y1 - image->y0, 1u << 30)));
    }

    // The number of halvings the codestream allows.
    int maximumReduction()
    {
        opj_codestream_info_v2_t *info = opj_get_cstr_info(codec.get());
        if (!info)
            return 0;
        int levels = 0;
        if (info->m_default_tile_info.tccp_info)
            levels = int(info->m_default_tile_info.tccp_info[0].numresolutions) - 1;
        opj_destroy_cstr_info(&info);
        return std::max(levels, 0);
    }
};

int toByte(OPJ_INT32 value, const opj_image_comp_t &component)
{
    qint64 v = value;
    if (component.sgnd)
        v += qint64(1) << (component.prec - 1);
    if (component.prec > 8)
        v >>= (component.prec - 8);
    else if (component.prec < 8)
        v = v * 255 / ((qint64(1) << component.prec) - 1);
    return int(std::clamp<qint64>(v, 0, 255));
}

QImage convert(const opj_image_t &image)
{
    const int count = int(image.numcomps);
    const opj_image_comp_t &first = image.comps[0];
    const int w = int(first.w);
    const int h = int(first.h);
    if (w <= 0 || h <= 0)
        return {};
    for (int c = 0; c < count; ++c) {
        const opj_image_comp_t &component = image.comps[c];
        if (!component.data || component.w == 0 || component.h == 0 || component.prec < 1 || component.prec > 31)
            return {};
    }
    const bool colour = count >= 3;
    const int alphaIndex = colour ? (count >= 4 ? 3 : -1) : (count == 2 ? 1 : -1);
    const bool ycc = colour && image.color_space == OPJ_CLRSPC_SYCC;
    QImage result(w, h, alphaIndex >= 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        return result;
    // Components may be subsampled: each is read at the position proportional to its size.
    auto sample = [&image](int c, int x, int y, int w, int h) {
        const opj_image_comp_t &component = image.comps[c];
        const int cx = int(std::min<qint64>(qint64(x) * component.w / w, component.w - 1));
        const int cy = int(std::min<qint64>(qint64(y) * component.h / h, component.h - 1));
        return toByte(component.data[qint64(cy) * component.w + cx], component);
    };
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r, g, b;
            if (colour) {
                r = sample(0, x, y, w, h);
                g = sample(1, x, y, w, h);
                b = sample(2, x, y, w, h);
                if (ycc) {
                    const double Y = r, cb = g - 128.0, cr = b - 128.0;
                    r = std::clamp(int(Y + 1.402 * cr + 0.5), 0, 255);
                    g = std::clamp(int(Y - 0.344136 * cb - 0.714136 * cr + 0.5), 0, 255);
                    b = std::clamp(int(Y + 1.772 * cb + 0.5), 0, 255);
                }
            } else {
                r = g = b = sample(0, x, y, w, h);
            }
            const int a = alphaIndex >= 0 ? sample(alphaIndex, x, y, w, h) : 255;
            line[x] = qRgba(r, g, b, a);
        }
    }
    return result;
}

} // namespace

bool Jpeg2000Reader::canRead(const QByteArray &data)
{
    return startsWith(data, jp2Signature, sizeof jp2Signature)
        || startsWith(data, codestreamStart, sizeof codestreamStart);
}

QSize Jpeg2000Reader::size(const QByteArray &data)
{
    Decoder decoder;
    if (!decoder.open(data))
        return {};
    return decoder.size();
}

QImage Jpeg2000Reader::read(const QByteArray &data, qint64 maxPixels, QSize atLeast)
{
    Decoder decoder;
    if (!decoder.open(data))
        return {};
    const QSize full = decoder.size();
    if (qint64(full.width()) * full.height() > maxPixels)
        return {};
    if (atLeast.isValid() && !atLeast.isEmpty()) {
        int reduce = 0;
        const int limit = decoder.maximumReduction();
        while (reduce < limit && ((full.width() + (1 << (reduce + 1)) - 1) >> (reduce + 1)) >= atLeast.width()
               && ((full.height() + (1 << (reduce + 1)) - 1) >> (reduce + 1)) >= atLeast.height())
            ++reduce;
        if (reduce > 0 && !opj_set_decoded_resolution_factor(decoder.codec.get(), OPJ_UINT32(reduce)))
            return {};
    }
    if (!opj_decode(decoder.codec.get(), decoder.stream.get(), decoder.image.get())
        || !opj_end_decompress(decoder.codec.get(), decoder.stream.get()))
        return {};
    return convert(*decoder.image);
}

} // namespace quillmark
