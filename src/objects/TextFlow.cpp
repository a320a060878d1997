#include "objects/TextFlow.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include "objects/TextContainer.h"

namespace quillmark {

namespace {

// A line that the containers keep pushing aside (a pathological obstacle set) must not
// stall the layout: past this many tries per line the rest of the text overflows.
constexpr int MaxTriesPerLine = 10000;

qreal lineHeightFor(const QTextLine &line, const QTextBlockFormat &format)
{
    const qreal natural = line.height();
    if (!format.hasProperty(QTextFormat::LineHeight))
        return natural;
    const qreal value = format.lineHeight();
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        return value > 0 ? natural * value / 100.0 : natural;
    case QTextBlockFormat::FixedHeight:
        return value > 0 ? value : natural;
    case QTextBlockFormat::MinimumHeight:
        return std::max(natural, value);
    case QTextBlockFormat::LineDistanceHeight:
        return std::max<qreal>(0.0, natural + value);
    default:
        return natural;
    }
}

Qt::Alignment horizontalAlignment(const QTextBlockFormat &format)
{
    const Qt::Alignment a = format.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        return Qt::AlignJustify;
    if (a & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    if (a & Qt::AlignRight)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

} // namespace

TextFlow::TextFlow(std::shared_ptr<QTextDocument> document)
    : m_document(std::move(document))
{
}

TextFlow::~TextFlow() = default;

QPaintDevice *TextFlow::pointDevice()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        // 72 dots per inch: one device unit is one page point.
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        return image;
    }();
    return &device;
}

int TextFlow::indexOfContainer(const TextContainer *container) const
{
    for (int i = 0; i < m_containers.size(); ++i) {
        if (m_containers[i] == container)
            return i;
    }
    return -1;
}

void TextFlow::insertContainer(TextContainer *container, int index)
{
    if (!container || m_containers.contains(container))
        return;
    if (index < 0 || index > m_containers.size())
        index = int(m_containers.size());
    m_containers.insert(index, container);
}

void TextFlow::removeContainer(TextContainer *container)
{
    m_containers.removeAll(container);
}

QTextLayout *TextFlow::blockLayout(int block) const
{
    if (block < 0 || size_t(block) >= m_layouts.size())
        return nullptr;
    return m_layouts[size_t(block)].get();
}

std::pair<int, int> TextFlow::characterRange(int container) const
{
    if (container < 0 || size_t(container) >= m_ranges.size())
        return {0, 0};
    return m_ranges[size_t(container)];
}

QRectF TextFlow::usedRect(int container) const
{
    QRectF used;
    for (const Line &line : m_lines) {
        if (line.container != container)
            continue;
        const QTextLine textLine = m_layouts[size_t(line.block)]->lineAt(line.lineNumber);
        const QRectF rect(textLine.position().x() + textLine.cursorToX(textLine.textStart()),
                          textLine.position().y(), textLine.naturalTextWidth(), textLine.height());
        used = used.isNull() ? rect : used.united(rect);
    }
    return used;
}

void TextFlow::layout()
{
    m_layouts.clear();
    m_lines.clear();
    m_ranges.assign(size_t(m_containers.size()), {0, 0});
    m_overflow = false;
    if (!m_document)
        return;

    const qreal pad = TextContainer::LineFragmentPadding;
    const QFont defaultFont = m_document->defaultFont();
    int ci = 0;
    qreal y = 0.0;
    bool outOfRoom = m_containers.isEmpty();
    int placedEnd = 0;

    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat blockFormat = block.blockFormat();
        const QFont blockFont = block.charFormat().font().resolve(defaultFont);
        auto layout = std::make_unique<QTextLayout>(block.text(), blockFont, pointDevice());
        QList<QTextLayout::FormatRange> formats;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            formats.append({fragment.position() - block.position(), fragment.length(),
                            fragment.charFormat()});
        }
        layout->setFormats(formats);
        QTextOption option(horizontalAlignment(blockFormat));
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        const int blockIndex = int(m_layouts.size());
        QTextLayout *tl = layout.get();
        m_layouts.push_back(std::move(layout));
        if (outOfRoom)
            continue;

        y += blockFormat.topMargin();
        qreal rowBottom = y;
        QRectF remaining;
        bool haveRemaining = false;
        bool anyPlaced = false;

        tl->beginLayout();
        for (;;) {
            QTextLine line = tl->createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            bool placed = false;
            for (int tries = 0; tries < MaxTriesPerLine && ci < m_containers.size(); ++tries) {
                TextContainer *container = m_containers[ci];
                QRectF proposed = haveRemaining
                    ? remaining
                    : QRectF(0.0, y, container->containerSize().width(), 0.0);
                line.setLineWidth(std::max<qreal>(0.0, proposed.width() - 2 * pad));
                proposed.setHeight(lineHeightFor(line, blockFormat));
                QRectF rest;
                const QRectF fragment = container->lineFragmentRectForProposedRect(proposed, &rest);
                if (fragment.width() > 0.0 && fragment.height() > 0.0) {
                    line.setLineWidth(std::max<qreal>(0.0, fragment.width() - 2 * pad));
                    const qreal height = lineHeightFor(line, blockFormat);
                    line.setPosition(QPointF(fragment.x() + pad, fragment.y()));
                    Line placedLine;
                    placedLine.block = blockIndex;
                    placedLine.lineNumber = line.lineNumber();
                    placedLine.container = ci;
                    placedLine.fragment = fragment;
                    placedLine.start = block.position() + line.textStart();
                    placedLine.length = line.textLength();
                    m_lines.push_back(placedLine);
                    rowBottom = std::max(rowBottom, fragment.y() + height);
                    if (rest.width() > 0.0 && rest.height() > 0.0) {
                        remaining = rest;
                        haveRemaining = true;
                    } else {
                        haveRemaining = false;
                        y = rowBottom;
                    }
                    placed = true;
                    break;
                }
                if (haveRemaining) {
                    // The rest of the row has no room: the line starts the next row.
                    haveRemaining = false;
                    y = rowBottom;
                    continue;
                }
                ++ci;
                y = 0.0;
                rowBottom = 0.0;
            }
            if (!placed) {
                outOfRoom = true;
                break;
            }
            anyPlaced = true;
            const int lineEnd = block.position() + line.textStart() + line.textLength();
            // The paragraph break belongs to the paragraph's last line.
            placedEnd = line.textStart() + line.textLength() >= block.length() - 1
                ? block.position() + block.length()
                : lineEnd;
        }
        tl->endLayout();
        if (anyPlaced) {
            y = rowBottom + blockFormat.bottomMargin();
        }
    }

    const int total = std::max(0, m_document->characterCount() - 1);
    m_overflow = outOfRoom && placedEnd < total;

    // Each box's range runs from its first placed character to the end of its last line.
    int previousEnd = 0;
    for (int c = 0; c < m_containers.size(); ++c) {
        int first = -1;
        int last = -1;
        for (const Line &line : m_lines) {
            if (line.container != c)
                continue;
            if (first < 0)
                first = line.start;
            const QTextBlock block = m_document->findBlockByNumber(line.block);
            const bool lastOfBlock = line.start + line.length >= block.position() + block.length() - 1;
            last = lastOfBlock ? std::min(block.position() + block.length(), total)
                               : line.start + line.length;
        }
        if (first < 0) {
            m_ranges[size_t(c)] = {previousEnd, 0};
        } else {
            m_ranges[size_t(c)] = {first, std::max(0, last - first)};
            previousEnd = last;
        }
    }
}

void TextFlow::draw(QPainter *painter, int container, const QPointF &origin) const
{
    if (!painter)
        return;
    painter->save();
    painter->setPen(Qt::black);
    for (const Line &line : m_lines) {
        if (line.container != container)
            continue;
        m_layouts[size_t(line.block)]->lineAt(line.lineNumber).draw(painter, origin);
    }
    painter->restore();
}

} // namespace quillmark
