#pragma once
// Picture files for image tests, written on demand into the test run's temporary folder.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

namespace qmtest {

// A PNG of one colour, declaring `dpi` dots per inch (at 72 a pixel is a point); an
// existing file of that name is replaced.
inline QString writePng(const QString &path, QSize pixels, QColor color = Qt::red, double dpi = 72.0)
{
    QImage image(pixels, QImage::Format_ARGB32);
    image.fill(color);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    QFile::remove(path);
    return image.save(path, "PNG") ? path : QString();
}

// A PNG of one colour in the temporary folder under the given file name.
inline QString tempPng(const QString &name, QSize pixels, QColor color = Qt::red)
{
    return writePng(QDir::temp().filePath(name), pixels, color);
}

// An SVG drawing of the given size in points, filled with one colour.
inline QString writeSvg(const QString &path, double width, double height, const QString &fill = "#0000ff")
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(QString("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                       "viewBox=\"0 0 %1 %2\"><rect x=\"0\" y=\"0\" width=\"%1\" height=\"%2\" "
                       "fill=\"%3\"/></svg>")
                   .arg(width)
                   .arg(height)
                   .arg(fill)
                   .toUtf8());
    return path;
}

// A one-page PDF of the given size in points, filled with one colour.
inline QString writePdf(const QString &path, double width, double height, QColor color = Qt::green)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(width, height), QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.fillRect(QRectF(0, 0, width, height), color);
    painter.end();
    return QFile::exists(path) ? path : QString();
}

} // namespace qmtest
