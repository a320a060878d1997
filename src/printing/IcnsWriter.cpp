#include "printing/IcnsWriter.h"
#include "foundation/Language.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <cstring>

namespace quillmark {

namespace {

void appendEntry(QByteArray &out, const char type[4], const QByteArray &data)
{
    char header[8];
    std::memcpy(header, type, 4);
    qToBigEndian<quint32>(quint32(8 + data.size()), header + 4);
    out.append(header, 8);
    out.append(data);
}

QByteArray pngData(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return {};
    return data;
}

const char *pngEntryType(int side)
{
    switch (side) {
    case 16: return "icp4";
    case 128: return "ic07";
    case 256: return "ic08";
    case 512: return "ic09";
    case 1024: return "ic10";
    default: return nullptr;
    }
}

} // namespace

QByteArray IcnsWriter::packChannel(const QByteArray &channel)
{
    QByteArray out;
    const qsizetype n = channel.size();
    qsizetype i = 0;
    auto runAt = [&channel, n](qsizetype at) {
        qsizetype run = 1;
        while (at + run < n && run < 130 && channel[at + run] == channel[at])
            ++run;
        return run;
    };
    while (i < n) {
        const qsizetype run = runAt(i);
        if (run >= 3) {
            out.append(char(0x80 + run - 3));
            out.append(channel[i]);
            i += run;
            continue;
        }
        const qsizetype start = i;
        while (i < n && i - start < 128 && runAt(i) < 3)
            ++i;
        out.append(char(i - start - 1));
        out.append(channel.constData() + start, i - start);
    }
    return out;
}

QByteArray IcnsWriter::encode(const QImage &icon, QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (icon.isNull() || icon.width() != icon.height())
        return fail(translated(QStringLiteral("An icon needs a square image.")));
    const int side = icon.width();

    QByteArray entries;
    if (const char *type = pngEntryType(side)) {
        const QByteArray png = pngData(icon.convertToFormat(QImage::Format_ARGB32));
        if (png.isEmpty())
            return fail(translated(QStringLiteral("The icon image could not be compressed.")));
        appendEntry(entries, type, png);
    } else if (side == 48) {
        const QImage argb = icon.convertToFormat(QImage::Format_ARGB32);
        QByteArray planes[3];
        QByteArray mask;
        for (int y = 0; y < side; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            for (int x = 0; x < side; ++x) {
                planes[0].append(char(qRed(line[x])));
                planes[1].append(char(qGreen(line[x])));
                planes[2].append(char(qBlue(line[x])));
                mask.append(char(qAlpha(line[x])));
            }
        }
        appendEntry(entries, "ih32", packChannel(planes[0]) + packChannel(planes[1]) + packChannel(planes[2]));
        appendEntry(entries, "h8mk", mask);
    } else {
        return fail(QStringLiteral("%1 pixels is no icon size.").arg(side));
    }

    QByteArray file;
    appendEntry(file, "icns", entries);
    return file;
}

} // namespace quillmark
