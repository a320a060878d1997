// Pictures handed to the image loader: probed, decoded within their limits, prepared for
// drawing (mask, tint, turn) and drawn, whatever their format claims to be.
#include <QBuffer>
#include <QImage>
#include <QPainter>

#include "fuzz/FuzzSupport.h"
#include "objects/ImageProbe.h"
#include "objects/Jpeg2000Reader.h"
#include "objects/SvgSanitizer.h"
#include "objects/specImage.h"

using namespace quillmark;

QM_FUZZ_TARGET(image)
{
    QByteArray input = qmfuzz::bytes(data, size);
    const ImageProbe::Result probed = ImageProbe::probeData(input);
    if (probed.format == ImageProbe::Format::Raster || probed.format == ImageProbe::Format::Jpeg2000) {
        QBuffer buffer(&input);
        if (buffer.open(QIODevice::ReadOnly))
            ImageProbe::decodeBitmap(&buffer, probed, QSize(64, 64));
    }
    if (Jpeg2000Reader::canRead(input)) {
        Jpeg2000Reader::size(input);
        Jpeg2000Reader::read(input, 4LL * 1024 * 1024);
    }
    SvgSanitizer::sanitize(input, ImageProbe::maxSvgBytes);

    QString error;
    if (const auto picture = specImage::fromData(input, &error)) {
        picture->setRotation(90);
        picture->setImageMaskName(QStringLiteral("heart"));
        picture->setTint(true);
        picture->setColor(Qt::red);
        picture->prepareImage();
        QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        picture->draw(&painter, QRectF(0, 0, 64, 64), nullptr);
    }
    return 0;
}
