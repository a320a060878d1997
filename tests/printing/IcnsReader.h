#pragma once
// A reader of ICNS files for the tests, written from the container's layout alone so that it
// checks the writer rather than repeating it.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QtEndian>

namespace qmtest {

struct IcnsEntry
{
    QByteArray type;
    QByteArray data;
};

// The entries of an ICNS file; empty when the header or an entry length is wrong.
inline QList<IcnsEntry> readIcnsEntries(const QByteArray &file)
{
    if (file.size() < 8 || file.left(4) != "icns"
        || qFromBigEndian<quint32>(file.constData() + 4) != quint32(file.size()))
        return {};
    QList<IcnsEntry> entries;
    qsizetype at = 8;
    while (at < file.size()) {
        if (at + 8 > file.size())
            return {};
        const quint32 length = qFromBigEndian<quint32>(file.constData() + at + 4);
        if (length < 8 || length > quint32(file.size() - at))
            return {};
        entries.append({file.mid(at, 4), file.mid(at + 8, length - 8)});
        at += length;
    }
    return entries;
}

// Undoes the run-length coding of "ih32" data for count bytes; empty when the data runs short.
inline QByteArray unpackIcnsChannel(const QByteArray &data, qsizetype &at, qsizetype count)
{
    QByteArray out;
    while (out.size() < count) {
        if (at >= data.size())
            return {};
        const auto control = static_cast<unsigned char>(data[at++]);
        if (control < 0x80) {
            const qsizetype n = control + 1;
            if (at + n > data.size())
                return {};
            out.append(data.constData() + at, n);
            at += n;
        } else {
            if (at >= data.size())
                return {};
            out.append(qsizetype(control) - 125, data[at++]);
        }
    }
    return out.size() == count ? out : QByteArray();
}

// The picture of a 48-pixel "ih32" entry with its "h8mk" mask.
inline QImage decodeIh32(const QByteArray &rle, const QByteArray &mask, int side = 48)
{
    const qsizetype n = qsizetype(side) * side;
    qsizetype at = 0;
    const QByteArray r = unpackIcnsChannel(rle, at, n);
    const QByteArray g = unpackIcnsChannel(rle, at, n);
    const QByteArray b = unpackIcnsChannel(rle, at, n);
    if (r.isEmpty() || g.isEmpty() || b.isEmpty() || mask.size() != n || at != rle.size())
        return {};
    QImage image(side, side, QImage::Format_ARGB32);
    for (int i = 0; i < n; ++i)
        image.setPixel(i % side, i / side,
                       qRgba(uchar(r[i]), uchar(g[i]), uchar(b[i]), uchar(mask[i])));
    return image;
}

} // namespace qmtest
