#include "objects/WebpReducedReader.h"

#include <QIODevice>

#include <webp/decode.h>

#include <memory>

namespace quillmark::WebpReducedReader {

namespace {

struct DecoderDeleter
{
    void operator()(WebPIDecoder *decoder) const { WebPIDelete(decoder); }
};

} // namespace

bool canRead(const QByteArray &head)
{
    if (head.size() < 30 || !head.startsWith("RIFF") || head.mid(8, 4) != "WEBP")
        return false;
    // An extended header says in its flags whether the file is an animation.
    if (head.mid(12, 4) == "VP8X")
        return (uchar(head.at(20)) & 0x02) == 0;
    return head.mid(12, 4) == "VP8 " || head.mid(12, 4) == "VP8L";
}

QImage read(QIODevice *device, int shift)
{
    if (!device || shift < 0 || shift > 3 || !device->seek(0))
        return {};
    const QByteArray head = device->peek(64 * 1024);
    if (!canRead(head))
        return {};
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return {};
    if (WebPGetFeatures(reinterpret_cast<const uint8_t *>(head.constData()), size_t(head.size()), &config.input)
            != VP8_STATUS_OK
        || config.input.has_animation || config.input.width <= 0 || config.input.height <= 0)
        return {};
    const int side = 1 << shift;
    const int width = (config.input.width + side - 1) >> shift;
    const int height = (config.input.height + side - 1) >> shift;
    QImage result(width, height, QImage::Format_RGBA8888_Premultiplied);
    if (result.isNull())
        return {};
    config.options.use_scaling = shift > 0;
    config.options.scaled_width = width;
    config.options.scaled_height = height;
    // Premultiplied, so that clear pixels lend no colour to the pixels they are scaled into.
    config.output.colorspace = MODE_rgbA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = result.bits();
    config.output.u.RGBA.stride = int(result.bytesPerLine());
    config.output.u.RGBA.size = size_t(result.sizeInBytes());
    std::unique_ptr<WebPIDecoder, DecoderDeleter> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return {};
    QByteArray chunk;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    while (status == VP8_STATUS_SUSPENDED) {
        chunk = device->read(256 * 1024);
        if (chunk.isEmpty())
            break;
        status = WebPIAppend(decoder.get(), reinterpret_cast<const uint8_t *>(chunk.constData()),
                             size_t(chunk.size()));
    }
    decoder.reset();
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return {};
    return result;
}

} // namespace quillmark::WebpReducedReader
