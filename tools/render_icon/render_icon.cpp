// Renders the application's drawn icon into the PNG sizes the desktop's icon theme asks for.
// usage: render_icon <icon.svg> <output folder> <size>...
// Writes <output folder>/<size>x<size>/apps/quillmark.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: render_icon <icon.svg> <output folder> <size>...\n");
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    for (const QString &sizeText : args.mid(3)) {
        const int size = sizeText.toInt();
        if (size <= 0 || size > 1024)
            return 2;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        svg.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[2]).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QStringLiteral("/quillmark.png"))) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
