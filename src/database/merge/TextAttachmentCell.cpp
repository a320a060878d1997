#include "database/merge/TextAttachmentCell.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "database/store/Database.h"
#include "database/store/MergeContents.h"
#include "foundation/Language.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextFlow.h"
#include "platform/NotificationCenter.h"

namespace quillmark {

namespace {

int boundedPk(qint64 pk)
{
    return int(std::clamp<qint64>(pk, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A record value as the chip shows it: text and numbers as text, pictures and nothing as "".
QString valueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull() || value.typeId() == QMetaType::QByteArray)
        return QString();
    return value.toString();
}

// The text engine's view of the chips, and the chips' answer to record changes.
class FieldChipHandler : public TextAttachmentHandler
{
public:
    FieldChipHandler()
    {
        NotificationCenter::defaultCenter().addObserver(this, MergeContents::RecordChangedNotification,
                                                        [this](const Notification &) { refreshChips(); });
    }

    QSizeF cellSize(const QTextCharFormat &format, const ColorRect *view) const override
    {
        TextAttachmentCell cell(format);
        cell.setView(view);
        return cell.cellFrameForTextContainer().size();
    }
    qreal descent(const QTextCharFormat &format) const override
    {
        return -TextAttachmentCell(format).cellBaselineOffset().y();
    }
    void draw(QPainter *painter, const QRectF &frame, const QTextCharFormat &format,
              const ColorRect *view) const override
    {
        TextAttachmentCell cell(format);
        cell.setView(view);
        cell.drawWithFrame(painter, frame);
    }
    QString text(const QTextCharFormat &format, const ColorRect *view) const override
    {
        TextAttachmentCell cell(format);
        cell.setView(view);
        return cell.title();
    }
    QTextCharFormat newAttachment(int tag, const std::optional<QTextCharFormat> &attributes,
                                  ColorRect *view) override
    {
        TextAttachmentCell cell;
        if (attributes)
            cell.addAttributes(*attributes);
        cell.setPk(tag);
        // Chips added by the user follow record changes; chips read from a document show the
        // current record the next time they are drawn.
        if (view)
            m_added.push_back(view->weak_from_this());
        return cell.format();
    }

private:
    void refreshChips()
    {
        std::vector<const CanvasServices *> done;
        std::erase_if(m_added, [](const std::weak_ptr<const ColorRect> &view) { return view.expired(); });
        // Each canvas is asked once, however many chips it holds.
        const auto views = m_added;
        for (const std::weak_ptr<const ColorRect> &weak : views) {
            const std::shared_ptr<const ColorRect> view = weak.lock();
            if (!view || !view->mainView()
                || std::find(done.begin(), done.end(), view->mainView()) != done.end())
                continue;
            done.push_back(view->mainView());
            TextAttachmentCell cell;
            cell.setView(view.get());
            cell.refresh();
        }
    }

    std::vector<std::weak_ptr<const ColorRect>> m_added;
};

} // namespace

TextAttachmentCell::TextAttachmentCell()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(12.0);
    _attr.setFont(font, QTextCharFormat::FontPropertiesAll);
}

TextAttachmentCell::TextAttachmentCell(const QTextCharFormat &format)
    : _attr(TextAttachmentHandler::withoutObject(format))
    , _pk(format.intProperty(TextArchive::FieldPkProperty))
{
}

QTextCharFormat TextAttachmentCell::format() const
{
    QTextCharFormat format = _attr;
    format.setObjectType(ObjectType);
    format.setProperty(TextArchive::FieldPkProperty, boundedPk(_pk));
    return format;
}

QString TextAttachmentCell::title() const
{
    if (!_cr || !_cr->showsRecordValues()) {
        QString title = Database::fieldTitleAtPk(boundedPk(_pk));
        const QString translated = Language::stringForKey(title);
        if (!translated.isEmpty())
            title = translated;
        return QLatin1Char('[') + title + QLatin1Char(']');
    }
    return valueText(_cr->contentsByPk(boundedPk(_pk)));
}

void TextAttachmentCell::drawWithFrame(QPainter *painter, const QRectF &frame) const
{
    const QString text = title();
    if (!painter || text.isEmpty())
        return;
    const std::unique_ptr<QTextLayout> layout = TextFlow::layoutString(text, _attr, frame.width());
    layout->draw(painter, frame.topLeft());
}

QSizeF TextAttachmentCell::cellSize() const
{
    const QString text = title();
    if (text.isEmpty())
        return QSizeF();
    QSizeF measured;
    TextFlow::layoutString(text, _attr, 0.0, &measured);
    return QSizeF(measured.width() + 1.0, measured.height());
}

QPointF TextAttachmentCell::cellBaselineOffset() const
{
    if (!_attr.hasProperty(QTextFormat::FontFamilies) && !_attr.hasProperty(QTextFormat::FontFamily)
        && !_attr.hasProperty(QTextFormat::FontPointSize))
        return QPointF();
    // The title's lines hold their leading below the descender: the first line's baseline
    // then lies where the text around the chip has its own.
    const QFontMetricsF metrics = TextFlow::fontMetrics(_attr.font());
    return QPointF(0.0, -(metrics.descent() + std::max<qreal>(0.0, metrics.leading())));
}

QRectF TextAttachmentCell::cellFrameForTextContainer() const
{
    const QString text = title();
    QSizeF measured;
    TextFlow::layoutString(text, _attr, 0.0, &measured);
    QSizeF size(measured.width() + 1.0, measured.height());
    // Outside any object the chip keeps its own width: there is no width to wrap it in.
    if (_cr && _cr->frameBounds().width() + 1.0 < size.width()) {
        const qreal stroke = _cr->drawsStroke() && _cr->canStroke() ? _cr->strokeLineWidth() / 2.0 : 0.0;
        const qreal knob = ColorRect::handleWidth();
        const qreal width = std::max(1.0, _cr->frameBounds().width() - (2 * stroke + 2 * knob) + 1.0);
        QSizeF wrapped;
        TextFlow::layoutString(text, _attr, width, &wrapped);
        size = QSizeF(width, wrapped.height());
    }
    return QRectF(QPointF(), size);
}

void TextAttachmentCell::refresh() const
{
    if (_cr && _cr->mainView())
        _cr->mainView()->setupCurrObjectTool(0);
}

void TextAttachmentCell::addAttributes(const QTextCharFormat &given)
{
    const QTextCharFormat attributes = TextAttachmentHandler::withoutObject(given);
    _attr.merge(attributes);
    if (!attributes.hasProperty(QTextFormat::TextUnderlineStyle) && !attributes.hasProperty(QTextFormat::FontUnderline)) {
        _attr.clearProperty(QTextFormat::TextUnderlineStyle);
        _attr.clearProperty(QTextFormat::FontUnderline);
    }
    if (!attributes.hasProperty(QTextFormat::FontStrikeOut))
        _attr.clearProperty(QTextFormat::FontStrikeOut);
}

void TextAttachmentCell::setAttr(const QTextCharFormat &attributes)
{
    _attr = TextAttachmentHandler::withoutObject(attributes);
}

void TextAttachmentCell::registerKind()
{
    // Lives as long as the program: the text engine and the notification centre keep it.
    static FieldChipHandler *handler = new FieldChipHandler;
    TextAttachmentHandler::install(ObjectType, handler);
}

} // namespace quillmark
