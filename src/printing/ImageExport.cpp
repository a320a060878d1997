#include "printing/ImageExport.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "printing/ExportFile.h"
#include "printing/GifEncoder.h"
#include "printing/IcnsWriter.h"
#include "printing/Jp2Encoder.h"
#include "printing/TiffEncoder.h"
#include "foundation/Language.h"

namespace quillmark {

namespace {

// Far beyond any icon size; bounds what a bad size could make us allocate.
constexpr double largestSquare = 4096.0;

// JPEG has no transparency and Qt writes BMP without it; transparent parts would come out
// black, so they are laid over white as a print would show them.
QImage onWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.setDotsPerMeterX(image.dotsPerMeterX());
    flat.setDotsPerMeterY(image.dotsPerMeterY());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

QByteArray writeWithQt(const QImage &image, const char *format, int quality, QString *error)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        if (error)
            *error = QStringLiteral("The %1 encoder failed: %2")
                         .arg(QString::fromLatin1(format).toUpper(), writer.errorString());
        return {};
    }
    return data;
}

} // namespace

int ImageExport::getIconSize(ImageFileType type, int side)
{
    if (type == ImageFileType::AppleICNS && side >= 1024)
        return 1024;
    if (type == ImageFileType::AppleICNS && side >= 512)
        return 512;
    if (side >= 256)
        return 256;
    if (side >= 128)
        return 128;
    if (side >= 48)
        return 48;
    return 16;
}

QTransform ImageExport::imageTransformToFitView(const QImage &image, double size)
{
    if (image.isNull())
        return QTransform();
    const float s = float(std::min(size / image.width(), size / image.height()));
    return QTransform::fromScale(s, s);
}

QImage ImageExport::scaleImage(const QImage &image, double size)
{
    if (image.isNull() || !(size >= 1.0) || size > largestSquare)
        return QImage();
    const int z = int(size);
    QImage square(z, z, QImage::Format_ARGB32_Premultiplied);
    if (square.isNull())
        return QImage();
    square.fill(Qt::transparent);

    const QTransform fit = imageTransformToFitView(image, z);
    const QRectF scaled = fit.mapRect(QRectF(0, 0, image.width(), image.height()));
    const QPointF origin((z - scaled.width()) * 0.5, (z - scaled.height()) * 0.5);

    // Scaling the image first averages over every source pixel; drawing it scaled straight away
    // would only sample it and alias fine lines and text.
    const QSize target(std::max(1, qRound(scaled.width())), std::max(1, qRound(scaled.height())));
    const QImage reduced = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&square);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(origin, scaled.size()), reduced);
    painter.end();
    return square;
}

QByteArray ImageExport::encode(const QImage &image, ImageFileType type, float dpi, QString *error)
{
    if (image.isNull()) {
        if (error)
            *error = translated(QStringLiteral("There is no image to write."));
        return {};
    }
    if (!std::isfinite(dpi) || dpi <= 0.0f || dpi > 100000.0f) {
        if (error)
            *error = QStringLiteral("%1 is no resolution.").arg(double(dpi));
        return {};
    }
    QImage withResolution = image;
    const int dotsPerMeter = qRound(double(dpi) / 0.0254);
    withResolution.setDotsPerMeterX(dotsPerMeter);
    withResolution.setDotsPerMeterY(dotsPerMeter);

    switch (type) {
    case ImageFileType::PNG:
        return writeWithQt(withResolution, "png", -1, error);
    case ImageFileType::JPEG:
        return writeWithQt(onWhite(withResolution), "jpeg", 90, error);
    case ImageFileType::BMP:
        return writeWithQt(onWhite(withResolution), "bmp", -1, error);
    case ImageFileType::ICO:
        return writeWithQt(withResolution, "ico", -1, error);
    case ImageFileType::TIFF:
        return TiffEncoder::encode(withResolution, dpi, error);
    case ImageFileType::GIF:
        return GifEncoder::encode(withResolution, error);
    case ImageFileType::JPEG2000:
        return Jp2Encoder::encode(withResolution, dpi, error);
    case ImageFileType::AppleICNS:
        return IcnsWriter::encode(withResolution, error);
    }
    return {};
}

bool ImageExport::export1(const QImage &image, const QString &path, ImageFileType type, float dpi,
                          QString *error)
{
    const QByteArray data = fileData(image, type, dpi, error);
    if (data.isEmpty())
        return false;
    return ExportFile::write(path, data, error);
}

QByteArray ImageExport::fileData(const QImage &image, ImageFileType type, float dpi, QString *error)
{
    QImage picture = image;
    if (type == ImageFileType::AppleICNS || type == ImageFileType::ICO) {
        if (image.isNull()) {
            if (error)
                *error = translated(QStringLiteral("There is no image to write."));
            return {};
        }
        const int side = std::min(image.width(), image.height());
        picture = scaleImage(image, getIconSize(type, side));
        if (picture.isNull()) {
            if (error)
                *error = translated(QStringLiteral("The icon image could not be made."));
            return {};
        }
    }
    return encode(picture, type, dpi, error);
}

} // namespace quillmark
