#include "printing/Jp2Encoder.h"
#include "foundation/Language.h"

#include <openjpeg.h>

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace quillmark {

namespace {

struct MemoryStream
{
    std::vector<unsigned char> bytes;
    size_t position = 0;
};

OPJ_SIZE_T streamWrite(void *buffer, OPJ_SIZE_T size, void *user)
{
    auto *stream = static_cast<MemoryStream *>(user);
    if (stream->position + size > stream->bytes.size())
        stream->bytes.resize(stream->position + size);
    std::memcpy(stream->bytes.data() + stream->position, buffer, size);
    stream->position += size;
    return size;
}

OPJ_OFF_T streamSkip(OPJ_OFF_T count, void *user)
{
    auto *stream = static_cast<MemoryStream *>(user);
    if (count < 0 && OPJ_OFF_T(stream->position) + count < 0)
        return -1;
    stream->position = size_t(OPJ_OFF_T(stream->position) + count);
    if (stream->position > stream->bytes.size())
        stream->bytes.resize(stream->position);
    return count;
}

OPJ_BOOL streamSeek(OPJ_OFF_T position, void *user)
{
    auto *stream = static_cast<MemoryStream *>(user);
    if (position < 0)
        return OPJ_FALSE;
    stream->position = size_t(position);
    if (stream->position > stream->bytes.size())
        stream->bytes.resize(stream->position);
    return OPJ_TRUE;
}

void collectMessage(const char *message, void *user)
{
    auto *text = static_cast<QString *>(user);
    if (text->isEmpty())
        *text = QString::fromUtf8(message).trimmed();
}

void ignoreMessage(const char *, void *)
{
}

bool hasTransparentPixel(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return true;
        }
    }
    return false;
}

void appendBox(QByteArray &out, const char type[4], const QByteArray &content)
{
    char header[8];
    qToBigEndian<quint32>(quint32(8 + content.size()), header);
    std::memcpy(header + 4, type, 4);
    out.append(header, 8);
    out.append(content);
}

// A resolution as N ÷ D × 10^E grid points per metre, the form the resolution boxes store.
QByteArray resolutionContent(double dpi)
{
    // dpi ÷ 0.0254 = dpi × 50 ÷ 127 × 100: D = 127 keeps whole numbers of dots per inch exact.
    const quint16 denominator = 127;
    quint16 numerator = 1;
    qint8 exponent = 2;
    for (int k = 4; k >= -4; --k) {
        const double n = std::round(dpi * 50.0 * std::pow(10.0, k));
        if (n >= 1.0 && n <= 65535.0) {
            numerator = quint16(n);
            exponent = qint8(2 - k);
            break;
        }
    }
    QByteArray content(10, '\0');
    qToBigEndian<quint16>(numerator, content.data());     // vertical numerator
    qToBigEndian<quint16>(denominator, content.data() + 2);
    qToBigEndian<quint16>(numerator, content.data() + 4); // horizontal numerator
    qToBigEndian<quint16>(denominator, content.data() + 6);
    content[8] = char(exponent);
    content[9] = char(exponent);
    return content;
}

} // namespace

bool Jp2Encoder::addResolutionBox(QByteArray &jp2, double dpi)
{
    qsizetype position = 0;
    while (position + 8 <= jp2.size()) {
        const quint64 length32 = qFromBigEndian<quint32>(jp2.constData() + position);
        const QByteArray type = jp2.mid(position + 4, 4);
        quint64 length = length32;
        qsizetype headerSize = 8;
        if (length32 == 1) {
            if (position + 16 > jp2.size())
                return false;
            length = qFromBigEndian<quint64>(jp2.constData() + position + 8);
            headerSize = 16;
        } else if (length32 == 0) {
            length = quint64(jp2.size() - position);
        }
        if (length < quint64(headerSize) || length > quint64(jp2.size() - position))
            return false;
        if (type == "jp2h") {
            if (headerSize != 8)
                return false;
            const QByteArray content = resolutionContent(dpi);
            QByteArray inner;
            appendBox(inner, "resc", content);
            appendBox(inner, "resd", content);
            QByteArray res;
            appendBox(res, "res ", inner);
            const quint64 newLength = length + quint64(res.size());
            if (newLength > 0xffffffffu)
                return false;
            jp2.insert(position + qsizetype(length), res);
            qToBigEndian<quint32>(quint32(newLength), jp2.data() + position);
            return true;
        }
        position += qsizetype(length);
    }
    return false;
}

QByteArray Jp2Encoder::encode(const QImage &image, double dpi, QString *error)
{
    QString reason;
    auto fail = [error, &reason](const QString &what) {
        if (error)
            *error = reason.isEmpty() ? what : what + QStringLiteral(": ") + reason;
        return QByteArray();
    };
    if (image.isNull())
        return fail(translated(QStringLiteral("There is no image to write.")));

    const bool alpha = hasTransparentPixel(image);
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888);
    const int w = pixels.width();
    const int h = pixels.height();
    const int components = alpha ? 4 : 3;

    opj_image_cmptparm_t parameters[4];
    std::memset(parameters, 0, sizeof parameters);
    for (int c = 0; c < components; ++c) {
        parameters[c].dx = 1;
        parameters[c].dy = 1;
        parameters[c].w = OPJ_UINT32(w);
        parameters[c].h = OPJ_UINT32(h);
        parameters[c].prec = 8;
        parameters[c].sgnd = 0;
    }
    opj_image_t *picture = opj_image_create(OPJ_UINT32(components), parameters, OPJ_CLRSPC_SRGB);
    if (!picture)
        return fail(translated(QStringLiteral("The JPEG 2000 encoder is out of memory.")));
    picture->x0 = 0;
    picture->y0 = 0;
    picture->x1 = OPJ_UINT32(w);
    picture->y1 = OPJ_UINT32(h);
    if (alpha)
        picture->comps[3].alpha = 1;
    for (int y = 0; y < h; ++y) {
        const uchar *line = pixels.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < components; ++c)
                picture->comps[c].data[size_t(y) * size_t(w) + size_t(x)] = line[x * 4 + c];
        }
    }

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    // One layer without a rate and the reversible wavelet: lossless.
    settings.tcp_numlayers = 1;
    settings.tcp_rates[0] = 0;
    settings.cp_disto_alloc = 1;
    settings.irreversible = 0;
    settings.tcp_mct = 1;
    // Each resolution level halves the picture; a small picture allows fewer levels.
    while (settings.numresolution > 1 && (std::min(w, h) >> (settings.numresolution - 1)) == 0)
        --settings.numresolution;

    opj_codec_t *codec = opj_create_compress(OPJ_CODEC_JP2);
    MemoryStream output;
    opj_stream_t *stream = opj_stream_create(1 << 20, OPJ_FALSE);
    bool ok = codec && stream;
    if (ok) {
        opj_set_error_handler(codec, collectMessage, &reason);
        opj_set_warning_handler(codec, ignoreMessage, nullptr);
        opj_set_info_handler(codec, ignoreMessage, nullptr);
        opj_stream_set_user_data(stream, &output, nullptr);
        opj_stream_set_write_function(stream, streamWrite);
        opj_stream_set_skip_function(stream, streamSkip);
        opj_stream_set_seek_function(stream, streamSeek);
        ok = opj_setup_encoder(codec, &settings, picture) && opj_start_compress(codec, picture, stream)
            && opj_encode(codec, stream) && opj_end_compress(codec, stream);
    }
    if (stream)
        opj_stream_destroy(stream);
    if (codec)
        opj_destroy_codec(codec);
    opj_image_destroy(picture);
    if (!ok || output.bytes.empty())
        return fail(QStringLiteral("The JPEG 2000 encoder failed"));

    QByteArray jp2(reinterpret_cast<const char *>(output.bytes.data()), qsizetype(output.bytes.size()));
    if (!addResolutionBox(jp2, dpi))
        return fail(QStringLiteral("The JPEG 2000 file has no header box for its resolution"));
    return jp2;
}

} // namespace quillmark
