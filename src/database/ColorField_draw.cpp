// How a merge field draws: the title in brackets while the user designs, the record's value
// or picture in database preview and while printing, its outline and its selection marks.
#include "database/ColorField.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>

#include "database/Database.h"
#include "database/FieldPair.h"
#include "objects/CanvasServices.h"
#include "objects/specImage.h"
#include "platform/Pen.h"
#include "platform/SavedPainterState.h"

namespace quillmark {

namespace {

constexpr qreal LineFragmentPadding = 5.0;

QPaintDevice *pointDevice()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

std::unique_ptr<QTextDocument> pointDocument()
{
    auto document = std::make_unique<QTextDocument>();
    document->documentLayout()->setPaintDevice(pointDevice());
    document->setDocumentMargin(0);
    return document;
}

void paintDocument(QPainter *painter, QTextDocument &document, const QColor &defaultColor)
{
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, defaultColor);
    document.documentLayout()->draw(painter, context);
}

} // namespace

void ColorField::drawFrame(QPainter *painter, const QRectF &aRect, bool selected)
{
    if (!painter || _hidden)
        return;
    const bool printing = isDrawingForPrint();
    if (printing && _isTitle && pair()) {
        // An empty value prints no title.
        ColorField *contents = pair()->contentsObject();
        if (contents && contents != this && contents->text().isEmpty())
            return;
    }
    ColorRect::drawFrame(painter, aRect, selected);

    const QRectF frame = _frameBounds;
    if (drawsImage()) {
        const bool preview = _mainView && _mainView->databasePreview();
        if (printing || (preview && hasValidImage()))
            return;
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSizeF(9.0);
        const QString title = Database::fieldTitleAtPk(_pk);
        const QString label = preview ? QStringLiteral("No %1").arg(title) : QStringLiteral("[%1]").arg(title);
        const QColor color = preview ? QColor::fromRgbF(0.8f, 0.8f, 0.8f, 0.5f) : strokeColor();
        std::unique_ptr<QTextDocument> document = pointDocument();
        QTextCharFormat format;
        format.setFont(font);
        format.setForeground(color);
        QTextCursor(document.get()).insertText(label, format);
        SavedPainterState state(painter);
        flipFrame(painter);
        rotateFrame(painter, angle());
        painter->translate(frame.x() + (frame.width() - document->idealWidth()) / 2.0, frame.y() + 15.0);
        paintDocument(painter, *document, color);
        return;
    }

    SavedPainterState state(painter);
    if (!(pair() && pair()->isEditable())) {
        flipFrame(painter);
        rotateFrame(painter, angle());
    }
    if (_iseditable || _powertext)
        return;

    std::unique_ptr<QTextDocument> document = pointDocument();
    QPointF origin;
    if (!_isTitle && !showsRecordValues()) {
        QTextCursor cursor(document.get());
        QTextCharFormat format;
        if (_attributes.font)
            format.setFont(*_attributes.font);
        if (_attributes.color)
            format.setForeground(*_attributes.color);
        cursor.insertText(QLatin1Char('[') + titleText() + QLatin1Char(']'), format);
        const double textWidth = document->idealWidth();
        const double textHeight = document->size().height();
        origin = QPointF(frame.x() + (frame.width() - textWidth) / 2.0,
                         frame.y() + (frame.height() - (textHeight + 1.0)) / 2.0);
    } else {
        if (_text->isEmpty())
            return;
        QTextCursor cursor(document.get());
        for (QTextBlock block = _text->begin(); block.isValid(); block = block.next()) {
            if (block != _text->begin())
                cursor.insertBlock();
            for (auto it = block.begin(); !it.atEnd(); ++it)
                cursor.insertText(it.fragment().text(), it.fragment().charFormat());
        }
        painter->setClipRect(frame, Qt::IntersectClip);
        origin = QPointF(frame.x() + LineFragmentPadding, frame.y());
    }
    auto paint = [&](QPainter *p) {
        p->translate(origin);
        paintDocument(p, *document, _attributes.color.value_or(QColor(Qt::black)));
    };
    if (drawsShadow())
        paintWithShadow(painter, frame, paint);
    else
        paint(painter);
}

BezierPath ColorField::bezierPath() const
{
    QRectF rect = _frameBounds;
    const float width = strokeLineWidth();
    if (canStroke() && drawsStroke()) {
        const double half = width / 2.0;
        rect.adjust(half, half, -half, -half);
    }
    const double margin = inset();
    rect.adjust(margin, 0, -margin, 0);
    BezierPath path = BezierPath::bezierPathWithRect(rect);
    if (width > 0)
        path.setLineWidth(width);
    return path;
}

void ColorField::drawSelect(QPainter *painter, const QRectF &)
{
    if (!painter || _hidden)
        return;
    SavedPainterState state(painter);
    if (drawsImage()) {
        if (_iseditable)
            return;
        flipFrame(painter);
        rotateFrame(painter, angle());
        drawHandlesInView(painter);
        drawCenter(painter);
        return;
    }
    if (isDrawingForPrint())
        return;
    if (!(pair() && pair()->isEditable())) {
        flipFrame(painter);
        rotateFrame(painter, angle());
    }
    const double zoom = getZoom() > 0 ? getZoom() : 1.0;
    const QColor color = _isSelected ? QColor(Qt::blue) : QColor::fromRgbF(0.7f, 0.7f, 0.7f, 1.0f);
    painter->strokePath(bezierPath().toPainterPath(), makePen(color, 0.3 / zoom));
}

void ColorField::drawImage(QPainter *painter)
{
    if (!painter || !hasValidImage())
        return;
    const QImage prepared = getImage();
    if (prepared.isNull())
        return;
    const QRectF r = _frameBounds;
    const double w = _image->size().width();
    const double h = _image->size().height();
    if (!(r.width() > 0) || !(r.height() > 0) || !(w > 0) || !(h > 0))
        return;
    const double qx = w / r.width();
    const double qy = h / r.height();
    QRectF fitted = r;
    if (qx <= qy) {
        fitted.setWidth(r.width() * qx / qy);
        fitted.moveLeft(r.x() + (r.width() - fitted.width()) / 2.0);
    } else {
        fitted.setHeight(r.height() * qy / qx);
        fitted.moveTop(r.y() + (r.height() - fitted.height()) / 2.0);
    }
    double sx;
    double sy;
    if (isScaleWithBox()) {
        sx = fitted.width() / w;
        sy = fitted.height() / h;
    } else {
        sx = getXImageScale() / 100.0;
        sy = getYImageScale() / 100.0;
    }
    const QRectF destination(fitted.x() + getXImageOffset() * 72.0, fitted.y() + getYImageOffset() * 72.0,
                             w * sx, h * sy);
    const double opacity = std::clamp(double(imageOpacity()) / 100.0, 0.0, 1.0);
    auto paint = [&](QPainter *p) {
        p->setOpacity(opacity);
        p->setRenderHint(QPainter::SmoothPixmapTransform, true);
        p->drawImage(destination, prepared);
    };
    SavedPainterState state(painter);
    if (drawsShadow())
        paintWithShadow(painter, destination, paint);
    else
        paint(painter);
}

} // namespace quillmark
