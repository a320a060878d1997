// Makes the default images of the image effects panel, all computed here: a smooth bump
// texture, a lit ball (shading map), a restricted shine (transition shading), a colour ramp,
// a disintegration mask, and the 16-point icon that marks filters with draggable points.
//
//   make_effect_images <resources folder>
//
// The results are kept in resources/; run this only to change them.

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Smooth periodic noise: a sum of a few sine waves with fixed directions, so the texture
// tiles and looks the same on every run.
double waves(double x, double y, double period)
{
    const double k = 2 * Pi / period;
    double v = 0;
    const int directions[][2] = {{1, 0}, {0, 1}, {1, 1}, {2, -1}, {1, 3}, {3, 2}, {-2, 3}};
    double weight = 1;
    for (const auto &d : directions) {
        v += weight * std::sin(k * (d[0] * x + d[1] * y) + d[0] * 1.3 + d[1] * 0.7);
        weight *= 0.8;
    }
    return v;
}

QImage smoothTexture()
{
    const int size = 256;
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double v = 0.5 + 0.12 * waves(x, y, size);
            const int g = std::clamp(int(std::lround(v * 255)), 0, 255);
            image.setPixel(x, y, qRgb(g, g, g));
        }
    }
    return image;
}

QImage lightBall()
{
    const int size = 256;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::black);
    const double r = size / 2.0;
    // Light from the upper left and in front.
    const double lx = -0.45, ly = -0.55, lz = 0.70;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double nx = (x + 0.5 - r) / r;
            const double ny = (y + 0.5 - r) / r;
            const double d2 = nx * nx + ny * ny;
            if (d2 > 1)
                continue;
            const double nz = std::sqrt(1 - d2);
            const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
            // Reflection of the viewer's direction for the highlight.
            const double rz = 2 * (nx * lx + ny * ly + nz * lz) * nz - lz;
            const double specular = std::pow(std::max(0.0, rz), 24);
            const double v = std::clamp(0.12 + 0.75 * diffuse + 0.6 * specular, 0.0, 1.0);
            const int c = int(std::lround(v * 255));
            image.setPixel(x, y, qRgb(c, c, std::min(255, c + 12)));
        }
    }
    return image;
}

QImage restrictedShine()
{
    const int size = 256;
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double r = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double nx = (x + 0.5 - r) / r;
            const double ny = (y + 0.5 - r) / r;
            const double d = std::sqrt(nx * nx + ny * ny);
            if (d > 1)
                continue;
            // A bright crescent towards the upper left, fading to nothing elsewhere.
            const double toward = std::max(0.0, -(nx + ny) / std::sqrt(2.0));
            const double ring = std::exp(-std::pow((d - 0.7) / 0.18, 2));
            const double a = std::clamp(ring * (0.25 + 0.75 * toward), 0.0, 1.0);
            image.setPixel(x, y, qRgba(255, 255, 255, int(std::lround(a * 255))));
        }
    }
    return image;
}

QImage colorRamp()
{
    const int width = 256, height = 16;
    QImage image(width, height, QImage::Format_RGB32);
    const QColor stops[] = {QColor(12, 8, 60), QColor(110, 20, 130), QColor(220, 60, 80),
                            QColor(250, 160, 40), QColor(255, 245, 190)};
    const int segments = int(std::size(stops)) - 1;
    for (int x = 0; x < width; ++x) {
        const double t = double(x) / (width - 1) * segments;
        const int i = std::min(segments - 1, int(t));
        const double f = t - i;
        auto mix = [&](int a, int b) { return int(std::lround(a + (b - a) * f)); };
        const QRgb c = qRgb(mix(stops[i].red(), stops[i + 1].red()),
                            mix(stops[i].green(), stops[i + 1].green()),
                            mix(stops[i].blue(), stops[i + 1].blue()));
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, c);
    }
    return image;
}

QImage mask()
{
    const int size = 256;
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Clouds over a gentle slope from the centre outwards, so a disintegration starts
            // in scattered spots and ends at the edges.
            const double cloud = 0.5 + 0.09 * waves(x * 2.0, y * 2.0, size) + 0.05 * waves(x * 5.0 + 17, y * 5.0 + 3, size);
            const double dx = (x - size / 2.0) / size, dy = (y - size / 2.0) / size;
            const double v = std::clamp(0.55 * cloud + 0.9 * std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
            const int g = int(std::lround(v * 255));
            image.setPixel(x, y, qRgb(g, g, g));
        }
    }
    return image;
}

QImage pointsIcon()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A handle: a ring with a dot and four ticks, as the preview draws its draggable points.
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
    p.setBrush(QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(8, 8), 1.8, 1.8);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.drawLine(QPointF(8, 0.5), QPointF(8, 3));
    p.drawLine(QPointF(8, 13), QPointF(8, 15.5));
    p.drawLine(QPointF(0.5, 8), QPointF(3, 8));
    p.drawLine(QPointF(13, 8), QPointF(15.5, 8));
    return image;
}

bool save(const QImage &image, const QString &path, const char *format)
{
    QImageWriter writer(path, format);
    if (QByteArray(format) == "tiff")
        writer.setCompression(1); // LZW
    if (QByteArray(format) == "jpg")
        writer.setQuality(92);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_effect_images <resources folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QImage maskImage = mask();
    bool ok = save(smoothTexture(), dir.filePath("smoothtexture.tiff"), "tiff");
    ok = save(lightBall(), dir.filePath("lightball.tiff"), "tiff") && ok;
    ok = save(restrictedShine(), dir.filePath("restrictedshine.tiff"), "tiff") && ok;
    ok = save(colorRamp(), dir.filePath("colormap.tiff"), "tiff") && ok;
    ok = save(maskImage, dir.filePath("mask1.tiff"), "tiff") && ok;
    ok = save(maskImage, dir.filePath("mask1.jpg"), "jpg") && ok;
    ok = save(pointsIcon(), dir.filePath("16x16c.tif"), "tiff") && ok;
    return ok ? 0 : 1;
}
