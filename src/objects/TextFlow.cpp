#include "objects/TextFlow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QScreen>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

#include "objects/TextArchive.h"
#include "objects/TextAttachmentHandler.h"
#include "objects/TextContainer.h"

namespace quillmark {

namespace {

// A line that the containers keep pushing aside (a pathological obstacle set) must not
// stall the layout: past this many tries per line the rest of the text overflows.
constexpr int MaxTriesPerLine = 10000;

// A paragraph longer than this is laid out from a part of it first: a small box shows little of
// a long text, and laying out all of it on every change would make each keystroke wait for it.
constexpr int LongParagraph = 16384;
constexpr int FirstPart = 8192;
// How far the text the layout looked at must end before the end of the part: the breaks and
// shapes of a line depend on a few characters after it, never on this many.
constexpr int PartMargin = 1024;

// Whether a text holds only characters that run left to right or take the direction around
// them: there a part of a paragraph orders its characters as the whole paragraph does near its
// start. Text that runs right to left, or embeds a direction, is always laid out whole.
bool runsLeftToRightOnly(const QString &text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        // Below the Hebrew block every character is left to right or neutral.
        if (c.unicode() < 0x0590)
            continue;
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(c, text.at(++i));
        switch (QChar::direction(code)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
        case QChar::DirFSI:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
        case QChar::DirPDF:
        case QChar::DirPDI:
            return false;
        default:
            break;
        }
    }
    return true;
}

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

// The alignment a paragraph is drawn with, as a text document aligns it: no alignment, or
// left and right without AlignAbsolute, follow the paragraph's direction.
Qt::Alignment visualAlignment(Qt::LayoutDirection direction, Qt::Alignment alignment)
{
    alignment &= Qt::AlignHorizontal_Mask;
    if (!(alignment & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify)))
        alignment |= Qt::AlignLeft;
    if (!(alignment & Qt::AlignAbsolute) && (alignment & (Qt::AlignLeft | Qt::AlignRight))) {
        if (direction == Qt::RightToLeft)
            alignment ^= Qt::AlignLeft | Qt::AlignRight;
        alignment |= Qt::AlignAbsolute;
    }
    return alignment;
}

// The device the paragraphs are laid out against. Qt turns absolute letter spacing and tab
// positions into device units by the ratio of the device's resolution to the screen's,
// in whole numbers, which loses them on a 72 dpi device. Laying out at the screen's own
// resolution with every point size scaled by 72 / dpi keeps one unit one page point and
// keeps both.
struct LayoutDevice
{
    QPaintDevice *device = nullptr;
    qreal fontScale = 1.0;
};

LayoutDevice engineDevice()
{
    int dpi = 100;
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        dpi = 96;
    else if (const QScreen *screen = QGuiApplication::primaryScreen())
        dpi = qRound(screen->logicalDotsPerInchY());
    if (dpi < 24 || dpi > 1200)
        dpi = 96;
    // Per thread: export workers lay out text too.
    thread_local std::map<int, QImage> devices;
    auto it = devices.find(dpi);
    if (it == devices.end()) {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        it = devices.emplace(dpi, image).first;
    }
    return {&it->second, 72.0 / it->second.logicalDpiY()};
}

// Keeps a piece of a row that has room, cut at the row's end.
void addPiece(std::deque<QRectF> &pieces, const QRectF &rest, qreal rowEnd)
{
    QRectF piece = rest;
    if (piece.right() > rowEnd)
        piece.setRight(rowEnd);
    if (piece.width() > 0.0 && piece.height() > 0.0)
        pieces.push_back(piece);
}

// The first piece of a new row; `pieces` receives the rest of the row in reading order.
// A right-to-left paragraph reads the pieces of a row split by obstacles from the right.
QRectF firstPieceOfRow(TextContainer *container, const QRectF &proposed, qreal rowEnd,
                       bool rightToLeft, std::deque<QRectF> &pieces)
{
    constexpr int MaxPiecesPerRow = 64;
    pieces.clear();
    QRectF rest;
    QRectF fragment = container->lineFragmentRectForProposedRect(proposed, &rest);
    if (!rightToLeft) {
        addPiece(pieces, rest, rowEnd);
        return fragment;
    }
    // The container's own answers are kept as they are (an oval's line is longer than its
    // box is wide); only where the row goes on is cut at the row's end.
    std::deque<QRectF> row;
    if (fragment.width() > 0.0 && fragment.height() > 0.0)
        row.push_back(fragment);
    for (int i = 0; i < MaxPiecesPerRow && rest.width() > 0.0 && rest.height() > 0.0; ++i) {
        QRectF next = rest;
        if (next.right() > rowEnd)
            next.setRight(rowEnd);
        if (!(next.width() > 0.0))
            break;
        next.setHeight(proposed.height());
        fragment = container->lineFragmentRectForProposedRect(next, &rest);
        if (fragment.width() > 0.0 && fragment.height() > 0.0)
            row.push_back(fragment);
    }
    if (row.empty())
        return {};
    pieces.assign(row.rbegin() + 1, row.rend());
    return row.back();
}

// What stands for an object inside the text in a layout: an em dash, which the line breaker
// treats as the object replacement character is treated (a break is allowed before and
// after it) and which every font shapes as one glyph of one advance. It is not drawn.
constexpr char16_t PlaceholderCharacter = 0x2014;

// The advance of the placeholder in a font (already scaled for the device).
qreal placeholderAdvance(const QFont &font, QPaintDevice *device)
{
    thread_local std::map<std::pair<QString, int>, qreal> cache;
    const int dpi = device->logicalDpiY();
    const auto key = std::make_pair(font.key(), dpi);
    if (const auto it = cache.find(key); it != cache.end())
        return it->second;
    QTextLayout probe(QString(QChar(PlaceholderCharacter)), font, device);
    probe.beginLayout();
    QTextLine line = probe.createLine();
    if (line.isValid())
        line.setLineWidth(1.0e6);
    probe.endLayout();
    const qreal advance = line.isValid() ? line.cursorToX(1) - line.cursorToX(0) : 0.0;
    if (cache.size() > 4096)
        cache.clear();
    cache.emplace(key, advance);
    return advance;
}

// The format of the placeholder of an object of `width`: the object's font, with the letter
// spacing that makes its advance the object's width, drawn in no colour, with no lines and
// as no text.
// An object taller than its font gets its room above the line's text (TextFlow::layout).
QTextCharFormat placeholderFormat(const QTextCharFormat &objectFormat, const QFont &defaultFont, qreal width,
                                  const LayoutDevice &device)
{
    QFont font = scaledFont(objectFormat.font().resolve(defaultFont), device.fontScale);
    // The fonts that fill in missing glyphs must not change the line's height.
    font.setStyleStrategy(QFont::NoFontMerging);
    QTextCharFormat format;
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    format.setForeground(Qt::transparent);
    format.setUnderlineStyle(QTextCharFormat::NoUnderline);
    format.setFontStrikeOut(false);
    format.setFontOverline(false);
    // Text with an outline is drawn as a path: the placeholder then leaves no character in
    // a printed or exported PDF, where copying and searching would find it.
    format.setTextOutline(QPen(QBrush(Qt::transparent), 0.0));
    if (objectFormat.hasProperty(QTextFormat::BackgroundBrush))
        format.setBackground(objectFormat.background());
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(width - placeholderAdvance(font, device.device));
    return format;
}

} // namespace

TextFlow::TextFlow(std::shared_ptr<QTextDocument> document)
    : m_document(std::move(document))
{
    // Every change of the characters or of their formats asks for a new layout.
    if (m_document)
        m_textWatch = QObject::connect(m_document.get(), &QTextDocument::contentsChanged,
                                       [this] {
                                           m_laidOut = false;
                                           m_empty = Unknown;
                                       });
}

bool TextFlow::isEmpty() const
{
    if (m_empty == Unknown)
        m_empty = !m_document || m_document->isEmpty() ? Empty : HoldsText;
    return m_empty == Empty;
}

TextFlow::~TextFlow()
{
    QObject::disconnect(m_textWatch);
}

bool TextFlow::layoutIfNeeded()
{
    if (isLaidOut())
        return false;
    layout();
    return true;
}

bool TextFlow::isLaidOut() const
{
    qreal scale = 1.0;
    layoutDevice(&scale);
    bool current = m_laidOut && m_laidBoxes.size() == size_t(m_containers.size()) && scale == m_laidScale;
    if (current && m_document) {
        current = m_document->defaultFont() == m_laidFont
                  && m_document->defaultTextOption().tabStopDistance() == m_laidTabs
                  && m_document->indentWidth() == m_laidIndent;
    }
    for (size_t i = 0; current && i < m_laidBoxes.size(); ++i) {
        const TextContainer *box = m_containers[qsizetype(i)];
        current = m_laidBoxes[i].first == box && m_laidBoxes[i].second == box->generation();
    }
    // Last, as it asks each object inside the text what it shows.
    return current && attachmentsShowAsLaidOut();
}

bool TextFlow::attachmentsShowAsLaidOut() const
{
    // What an object shows is all that sizes it besides its format and its box, both of
    // which a change of the text or of a box already reports: asked per object, no object is
    // measured again until one shows something else.
    for (const Attachment &attachment : m_attachments) {
        TextAttachmentHandler *handler = TextAttachmentHandler::handler(attachment.format.objectType());
        if (handler != attachment.handler || handler->text(attachment.format, attachment.view) != attachment.shown)
            return false;
    }
    return true;
}

QPaintDevice *TextFlow::pointDevice()
{
    // Per thread: export workers lay out text too.
    thread_local QImage device = [] {
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
    // Every box of a chain asks for its place at each drawing: a long chain keeps the places.
    if (m_containers.size() > IndexedFrom) {
        if (m_places.isEmpty()) {
            m_places.reserve(m_containers.size());
            for (int i = 0; i < m_containers.size(); ++i)
                m_places.insert(m_containers[i], i);
        }
        return m_places.value(container, -1);
    }
    for (int i = 0; i < m_containers.size(); ++i) {
        if (m_containers[i] == container)
            return i;
    }
    return -1;
}

void TextFlow::insertContainer(TextContainer *container, int index)
{
    if (!container || indexOfContainer(container) >= 0)
        return;
    if (index < 0 || index > m_containers.size())
        index = int(m_containers.size());
    // A box appended to a long chain (as a stored chain is linked again) keeps the places.
    if (index == m_containers.size() && !m_places.isEmpty())
        m_places.insert(container, index);
    else
        m_places.clear();
    m_containers.insert(index, container);
    m_checkedInPass = 0;
}

void TextFlow::removeContainer(TextContainer *container)
{
    m_containers.removeAll(container);
    m_places.clear();
    m_checkedInPass = 0;
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
        // The natural rectangle sits where the alignment and direction put the text.
        const QRectF natural = textLine.naturalTextRect();
        const QRectF rect(natural.x(), textLine.position().y(), natural.width(), textLine.height());
        used = used.isNull() ? rect : used.united(rect);
    }
    return used;
}

void TextFlow::layout()
{
    static std::atomic<quint64> layouts{0};
    m_layoutSerial = ++layouts;
    m_laidBoxes.clear();
    for (const TextContainer *box : std::as_const(m_containers))
        m_laidBoxes.emplace_back(box, box->generation());
    layoutDevice(&m_laidScale);
    if (m_document) {
        m_laidFont = m_document->defaultFont();
        m_laidTabs = m_document->defaultTextOption().tabStopDistance();
        m_laidIndent = m_document->indentWidth();
    }
    m_laidOut = true;
    m_layouts.clear();
    m_lines.clear();
    m_attachments.clear();
    m_cells.clear();
    m_ranges.assign(size_t(m_containers.size()), {0, 0});
    m_overflow = false;
    if (!m_document)
        return;

    const qreal pad = TextContainer::LineFragmentPadding;
    const QFont defaultFont = m_document->defaultFont();
    const LayoutDevice device = engineDevice();
    int ci = 0;
    qreal y = 0.0;
    bool outOfRoom = m_containers.isEmpty();
    int placedEnd = 0;

    // The paragraph's own layout, its text set and formatted, not yet broken into lines.
    size_t lastBlockAttachments = 0;
    // Each format of the document scaled to the layout device once, by its index in the
    // document: a long text repeats a few formats over many runs.
    std::unordered_map<int, QTextCharFormat> scaledFormats;
    // The characters of the paragraph the next layout takes from its start; all when negative.
    int layoutPart = -1;
    const std::function<QTextLayout *(const QTextBlock &)> makeLayout = [&](const QTextBlock &block) -> QTextLayout * {
        const QTextBlockFormat blockFormat = block.blockFormat();
        const Qt::LayoutDirection direction = block.textDirection();
        QFont blockFont = block.charFormat().font().resolve(defaultFont);
        if (blockFont.pointSizeF() > 0)
            blockFont.setPointSizeF(blockFont.pointSizeF() * device.fontScale);
        const int blockIndex = int(m_layouts.size());
        // Objects inside the text are measured for the box the paragraph begins in.
        const TextContainer *startBox = ci < m_containers.size() ? m_containers[ci] : nullptr;
        const ColorRect *view = startBox ? startBox->textView() : nullptr;
        QString text = block.text();
        if (layoutPart >= 0 && layoutPart < text.size())
            text.truncate(layoutPart);
        const int taken = int(text.size());
        QList<QTextLayout::FormatRange> formats;
        size_t blockAttachments = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            if (fragment.position() - block.position() >= taken)
                break;
            const QTextCharFormat original = fragment.charFormat();
            auto scaled = scaledFormats.find(fragment.charFormatIndex());
            if (scaled == scaledFormats.end()) {
                QTextCharFormat format = original;
                if (format.hasProperty(QTextFormat::FontPointSize))
                    format.setFontPointSize(format.fontPointSize() * device.fontScale);
                scaled = scaledFormats.emplace(fragment.charFormatIndex(), format).first;
            }
            const QTextCharFormat &format = scaled->second;
            const int start = fragment.position() - block.position();
            const int end = std::min(start + fragment.length(), taken);
            // Only characters of an object format can stand for objects.
            if (original.objectType() == QTextFormat::NoObject) {
                formats.append({start, end - start, format});
                continue;
            }
            int runStart = start;
            for (int offset = start; offset < end; ++offset) {
                TextAttachmentHandler *handler = TextAttachmentHandler::handlerFor(text.at(offset), original);
                if (!handler)
                    continue;
                if (offset > runStart)
                    formats.append({runStart, offset - runStart, format});
                Attachment attachment;
                attachment.block = blockIndex;
                attachment.offset = offset;
                attachment.format = original;
                attachment.handler = handler;
                attachment.view = view;
                attachment.shown = handler->text(original, view);
                attachment.size = handler->cellSize(original, view);
                attachment.descent = handler->descent(original);
                formats.append({offset, 1,
                                placeholderFormat(original, defaultFont, attachment.size.width(), device)});
                text[offset] = QChar(PlaceholderCharacter);
                m_attachments.push_back(attachment);
                ++blockAttachments;
                runStart = offset + 1;
            }
            if (runStart < end)
                formats.append({runStart, end - runStart, format});
        }
        auto layout = std::make_unique<QTextLayout>(text, blockFont, device.device);
        layout->setFormats(formats);
        QTextOption option(visualAlignment(direction, blockFormat.alignment()));
        option.setTextDirection(direction);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setTabStopDistance(m_document->defaultTextOption().tabStopDistance());
        option.setTabs(blockFormat.tabPositions());
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        QTextLayout *tl = layout.get();
        m_layouts.push_back(std::move(layout));
        lastBlockAttachments = blockAttachments;
        return tl;
    };

    // A long paragraph is laid out from a part of it that surely holds all the boxes show of it;
    // the part grows, up to the whole paragraph, while the boxes might show more: the paragraph
    // is then laid out again from where it began.
    int part = -1;
    struct Before
    {
        int ci = 0;
        qreal y = 0.0;
        int placedEnd = 0;
        size_t lines = 0, attachments = 0, layouts = 0;
    } before;
    bool again = false;
    const bool tables = TextArchive::mayHoldTables(*m_document);
    for (QTextBlock block = m_document->begin(); block.isValid(); block = again ? block : block.next()) {
        again = false;
        // What the boxes have no room for is never drawn nor hit: it gets no layout, so that
        // a long text in a small box costs what the box shows. Layouts stay one per paragraph.
        if (outOfRoom) {
            m_layouts.push_back(nullptr);
            continue;
        }
        if (QTextTable *table = tables ? QTextCursor(block).currentTable() : nullptr) {
            block = layoutTable(table, block, makeLayout, ci, y, outOfRoom, placedEnd);
            continue;
        }
        const QTextBlockFormat blockFormat = block.blockFormat();
        const Qt::LayoutDirection direction = block.textDirection();
        const bool rightToLeft = direction == Qt::RightToLeft;
        const int blockIndex = int(m_layouts.size());
        const int paragraphChars = block.length() - 1;
        if (part < 0) {
            part = paragraphChars > LongParagraph && !rightToLeft && runsLeftToRightOnly(block.text()) ? FirstPart
                                                                                                      : paragraphChars;
            before = {ci, y, placedEnd, m_lines.size(), m_attachments.size(), m_layouts.size()};
        }
        layoutPart = part;
        QTextLayout *tl = makeLayout(block);
        layoutPart = -1;
        const QString text = tl->text();
        const size_t blockAttachments = lastBlockAttachments;
        // Whether the part held what the boxes show: they had no room for a line that ends well
        // before the part does, however wide a line they gave it.
        bool partHeld = part >= paragraphChars;
        if (outOfRoom) {
            part = -1;
            continue;
        }

        // The margins are the box's; the indent and the first line's indent lie on the side
        // the paragraph starts from.
        const qreal indent = blockFormat.indent() * m_document->indentWidth();
        const qreal leftInset = blockFormat.leftMargin() + (rightToLeft ? 0.0 : indent);
        const qreal rightInset = blockFormat.rightMargin() + (rightToLeft ? indent : 0.0);
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);

        y += blockFormat.topMargin();
        qreal rowBottom = y;
        // The row being filled: where it began, the height it was proposed with, whether a
        // line went into it, and its pieces still to fill in reading order.
        qreal rowTop = y;
        qreal rowHeight = 0.0;
        bool rowUsed = false;
        std::deque<QRectF> pieces;
        bool anyPlaced = false;

        // Objects inside the text taller than the text of their line get their room: the
        // line moves down by what they reach above its ascent, and the next line by what
        // they reach below its descent.
        const size_t firstAttachment = m_attachments.size() - blockAttachments;
        auto room = [&](const QTextLine &line) {
            std::pair<qreal, qreal> aboveBelow{0.0, 0.0};
            for (size_t a = firstAttachment; a < m_attachments.size(); ++a) {
                const Attachment &attachment = m_attachments[a];
                if (attachment.offset < line.textStart() || attachment.offset >= line.textStart() + line.textLength())
                    continue;
                aboveBelow.first = std::max(aboveBelow.first, attachment.size.height() - attachment.descent
                                                                  - line.ascent() - line.leading());
                aboveBelow.second =
                    std::max(aboveBelow.second, attachment.descent - line.descent() - line.leading());
            }
            auto noticeable = [](qreal r) { return r > 0.01 ? r : 0.0; };
            return std::make_pair(noticeable(aboveBelow.first), noticeable(aboveBelow.second));
        };
        auto roomAbove = [&](const QTextLine &line) { return room(line).first; };
        auto lineHeight = [&](const QTextLine &line) {
            const auto [above, below] = room(line);
            return lineHeightFor(line, blockFormat) + above + below;
        };

        tl->beginLayout();
        for (;;) {
            QTextLine line = tl->createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            const qreal firstIndent = line.lineNumber() == 0 ? blockFormat.textIndent() : 0.0;
            const qreal lineLeft = std::max<qreal>(0.0, leftInset + (rightToLeft ? 0.0 : firstIndent));
            const qreal lineRight = rightInset + (rightToLeft ? firstIndent : 0.0);
            bool placed = false;
            // How much of a word a piece may take. Words stay whole: a word that does not fit
            // the piece it meets goes on in the next piece of the row or the next row. Only a
            // word that fits no piece left in the box is broken, in the first piece that holds
            // one of its characters; only when not one character fits anywhere does a piece
            // take what it cannot hold.
            enum class Fit { WholeWords, Characters, Anything };
            Fit fit = Fit::WholeWords;
            auto accepts = [&](Fit level, qreal width) {
                if (level == Fit::Anything)
                    return true;
                if (line.naturalTextWidth() > width + 0.01)
                    return false;
                const int lineEnd = line.textStart() + line.textLength();
                if (level == Fit::Characters || lineEnd >= text.size())
                    return true;
                breaks.setPosition(lineEnd);
                return breaks.isAtBoundary();
            };
            // Where the line was first turned away, to come back to when it fits nowhere after.
            struct Place
            {
                int container = 0;
                qreal y = 0.0, rowBottom = 0.0, rowTop = 0.0, rowHeight = 0.0;
                bool rowUsed = false;
                std::deque<QRectF> pieces;
            };
            std::optional<Place> turnedAway;
            // Whether a later box of the chain has rows wide enough for the line's start kept
            // whole: a word too wide for this box then goes on there, as it goes on past an
            // obstacle, instead of being broken here.
            auto laterBoxHoldsWhole = [&] {
                for (int c = ci + 1; c < m_containers.size(); ++c) {
                    const qreal rowWidth = std::max<qreal>(
                        0.0, m_containers[c]->containerSize().width() - lineRight - lineLeft - 2 * pad);
                    line.setLineWidth(rowWidth);
                    if (accepts(Fit::WholeWords, rowWidth))
                        return true;
                }
                return false;
            };
            auto nextBox = [&] {
                ++ci;
                y = 0.0;
                rowBottom = 0.0;
                pieces.clear();
                turnedAway.reset();
            };
            auto restore = [&](const Place &place) {
                ci = place.container;
                y = place.y;
                rowBottom = place.rowBottom;
                rowTop = place.rowTop;
                rowHeight = place.rowHeight;
                rowUsed = place.rowUsed;
                pieces = place.pieces;
            };
            for (int tries = 0; tries < MaxTriesPerLine && ci < m_containers.size(); ++tries) {
                std::optional<Place> here;
                if (!turnedAway)
                    here = Place{int(ci), y, rowBottom, rowTop, rowHeight, rowUsed, pieces};
                TextContainer *container = m_containers[ci];
                const qreal rowEnd = container->containerSize().width() - lineRight;
                QRectF fragment;
                const bool rowGoesOn = !pieces.empty();
                if (rowGoesOn) {
                    QRectF proposed = pieces.front();
                    pieces.pop_front();
                    line.setLineWidth(std::max<qreal>(0.0, proposed.width() - 2 * pad));
                    proposed.setHeight(lineHeight(line));
                    if (rightToLeft) {
                        // The pieces of a right-to-left row were asked for when it began.
                        fragment = proposed;
                    } else {
                        QRectF rest;
                        fragment = container->lineFragmentRectForProposedRect(proposed, &rest);
                        addPiece(pieces, rest, rowEnd);
                    }
                } else {
                    QRectF proposed(lineLeft, y, std::max<qreal>(0.0, rowEnd - lineLeft), 0.0);
                    line.setLineWidth(std::max<qreal>(0.0, proposed.width() - 2 * pad));
                    proposed.setHeight(lineHeight(line));
                    rowTop = y;
                    rowHeight = proposed.height();
                    rowUsed = false;
                    fragment = firstPieceOfRow(container, proposed, rowEnd, rightToLeft, pieces);
                }
                if (!(fragment.width() > 0.0 && fragment.height() > 0.0)) {
                    if (!pieces.empty())
                        continue;
                    if (rowGoesOn) {
                        // The rest of the row has no room: the line starts the next row.
                        y = rowUsed ? rowBottom : rowTop + rowHeight;
                        continue;
                    }
                    if (turnedAway && fit == Fit::WholeWords && laterBoxHoldsWhole()) {
                        nextBox();
                        continue;
                    }
                    if (turnedAway && fit != Fit::Anything) {
                        // The line's start fits no piece left in this box: back to where it
                        // was first turned away, taking less of it.
                        restore(*turnedAway);
                        turnedAway.reset();
                        fit = fit == Fit::WholeWords ? Fit::Characters : Fit::Anything;
                        continue;
                    }
                    nextBox();
                    continue;
                }
                const qreal lineWidth = std::max<qreal>(0.0, fragment.width() - 2 * pad);
                line.setLineWidth(lineWidth);
                if (!accepts(fit, lineWidth)) {
                    if (!turnedAway) {
                        turnedAway = std::move(here);
                        // A start that would not fit even a whole row of the box fits no
                        // piece: it is taken as it is, without a search through the box.
                        const qreal rowWidth = std::max<qreal>(0.0, rowEnd - lineLeft - 2 * pad);
                        line.setLineWidth(rowWidth);
                        const Fit least = accepts(fit, rowWidth) ? fit
                            : accepts(Fit::Characters, rowWidth) ? Fit::Characters
                                                                 : Fit::Anything;
                        if (least != fit && fit == Fit::WholeWords && laterBoxHoldsWhole()) {
                            nextBox();
                            continue;
                        }
                        if (least != fit) {
                            fit = least;
                            restore(*turnedAway);
                            turnedAway.reset();
                            continue;
                        }
                    }
                    // On to the next piece of the row, or the next row.
                    if (pieces.empty())
                        y = rowUsed ? rowBottom : rowTop + rowHeight;
                    continue;
                }
                const qreal height = lineHeight(line);
                line.setPosition(QPointF(fragment.x() + pad, fragment.y() + roomAbove(line)));
                Line placedLine;
                placedLine.block = blockIndex;
                placedLine.lineNumber = line.lineNumber();
                placedLine.container = ci;
                placedLine.fragment = fragment;
                placedLine.start = block.position() + line.textStart();
                placedLine.length = line.textLength();
                m_lines.push_back(placedLine);
                rowBottom = std::max(rowBottom, fragment.y() + height);
                rowUsed = true;
                if (pieces.empty())
                    y = rowBottom;
                placed = true;
                break;
            }
            if (!placed) {
                outOfRoom = true;
                if (!partHeld) {
                    // No row of any box is wider than the widest box and the paragraph's insets.
                    qreal widest = 0.0;
                    for (const TextContainer *box : std::as_const(m_containers))
                        widest = std::max(widest, box->containerSize().width());
                    line.setLineWidth(widest + std::abs(leftInset) + std::abs(rightInset)
                                      + std::abs(blockFormat.textIndent()) + 1.0);
                    partHeld = line.textStart() + line.textLength() + PartMargin <= text.size();
                }
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
        if (partHeld) {
            part = -1;
            continue;
        }
        // The boxes may show more than the part held: the paragraph again, from a larger part.
        ci = before.ci;
        y = before.y;
        placedEnd = before.placedEnd;
        outOfRoom = false;
        m_lines.resize(before.lines);
        m_attachments.resize(before.attachments);
        m_layouts.resize(before.layouts);
        part = part > paragraphChars / 4 ? paragraphChars : part * 4;
        again = true;
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

QTextBlock TextFlow::layoutTable(QTextTable *table, QTextBlock block,
                                 const std::function<QTextLayout *(const QTextBlock &)> &makeLayout, int &ci,
                                 qreal &y, bool &outOfRoom, int &placedEnd)
{
    // A table is laid out row by row across the box's width, each column an equal share of
    // the table's width; a row that does not fit the rest of a box goes to the next box.
    // The runaround of the box does not reach into a table.
    const QTextTableFormat format = table->format();
    const int columns = std::max(1, table->columns());
    const qreal border = std::max<qreal>(0.0, format.border());
    const qreal padding = std::max<qreal>(0.0, format.cellPadding()) + std::max<qreal>(0.0, format.padding());
    const QColor borderColor = format.borderBrush().style() == Qt::NoBrush ? QColor(Qt::black) : format.borderBrush().color();
    const qreal pad = TextContainer::LineFragmentPadding;
    // Text always gets a little room inside its cell, even with no padding.
    const qreal inset = border + std::max<qreal>(padding, 1.0);

    int currentRow = -1;
    qreal rowTop = y;
    std::vector<qreal> cellBottom;
    size_t rowFirstLine = m_lines.size();
    size_t rowFirstCell = m_cells.size();
    QTextBlock last = block;

    auto geometry = [&](qreal *left, qreal *columnWidth) {
        const TextContainer *container = m_containers.value(ci);
        const qreal boxWidth = container ? container->containerSize().width() : 0.0;
        qreal width = std::max<qreal>(0.0, boxWidth - 2 * pad);
        const QTextLength length = format.width();
        if (length.type() == QTextLength::PercentageLength)
            width = width * std::clamp(length.rawValue(), 0.0, 100.0) / 100.0;
        else if (length.type() == QTextLength::FixedLength && length.rawValue() > 0.0)
            width = std::min(width, length.rawValue());
        *left = pad;
        *columnWidth = width / columns;
    };
    // Closes the row being laid out: its height is its tallest cell's, and it moves to the next
    // box when it does not fit this one below text.
    auto finishRow = [&] {
        if (currentRow < 0 || outOfRoom)
            return;
        qreal height = 0.0;
        for (const qreal bottom : cellBottom)
            height = std::max(height, bottom - rowTop);
        height += inset;
        const TextContainer *container = m_containers.value(ci);
        const qreal boxHeight = container ? container->containerSize().height() : 0.0;
        if (rowTop + height > boxHeight && rowTop > 0.0 && ci + 1 >= m_containers.size()) {
            // No box left for it: the row and all that follows overflow.
            m_lines.resize(rowFirstLine);
            m_cells.resize(rowFirstCell);
            outOfRoom = true;
            return;
        }
        if (rowTop + height > boxHeight && rowTop > 0.0) {
            ++ci;
            const qreal shift = -rowTop;
            for (size_t i = rowFirstLine; i < m_lines.size(); ++i) {
                Line &line = m_lines[i];
                QTextLine textLine = m_layouts[size_t(line.block)]->lineAt(line.lineNumber);
                textLine.setPosition(textLine.position() + QPointF(0.0, shift));
                line.container = ci;
                line.fragment.translate(0.0, shift);
            }
            for (size_t i = rowFirstCell; i < m_cells.size(); ++i) {
                m_cells[i].container = ci;
                m_cells[i].rect.translate(0.0, shift);
            }
            rowTop = 0.0;
        }
        for (size_t i = rowFirstCell; i < m_cells.size(); ++i)
            m_cells[i].rect.setHeight(height);
        y = rowTop + height;
        for (size_t i = rowFirstLine; i < m_lines.size(); ++i) {
            const Line &line = m_lines[i];
            const QTextBlock lineBlock = m_document->findBlockByNumber(line.block);
            const QTextLine textLine = m_layouts[size_t(line.block)]->lineAt(line.lineNumber);
            placedEnd = textLine.textStart() + textLine.textLength() >= lineBlock.length() - 1
                ? lineBlock.position() + lineBlock.length()
                : line.start + line.length;
        }
    };

    for (; block.isValid() && QTextCursor(block).currentTable() == table; block = block.next()) {
        last = block;
        const int blockIndex = int(m_layouts.size());
        QTextLayout *tl = makeLayout(block);
        if (outOfRoom)
            continue;
        const QTextTableCell cell = table->cellAt(block.position());
        if (!cell.isValid())
            continue;
        if (cell.row() != currentRow) {
            finishRow();
            if (outOfRoom)
                continue;
            currentRow = cell.row();
            rowTop = y;
            rowFirstLine = m_lines.size();
            rowFirstCell = m_cells.size();
            cellBottom.assign(size_t(columns), rowTop + inset);
            // Every cell of the row gets its frame, also the cells that continue a span.
            qreal left = 0.0;
            qreal columnWidth = 0.0;
            geometry(&left, &columnWidth);
            for (int c = 0; c < columns;) {
                const QTextTableCell rowCell = table->cellAt(currentRow, c);
                const int span = rowCell.isValid() ? std::max(1, rowCell.columnSpan()) : 1;
                if (!rowCell.isValid() || rowCell.row() == currentRow) {
                    Cell frame;
                    frame.container = ci;
                    frame.rect = QRectF(left + c * columnWidth, rowTop, span * columnWidth, 0.0);
                    frame.border = border;
                    frame.borderColor = borderColor;
                    const QTextCharFormat cellFormat = rowCell.isValid() ? rowCell.format() : QTextCharFormat();
                    if (cellFormat.hasProperty(QTextFormat::BackgroundBrush))
                        frame.background = cellFormat.background().color();
                    m_cells.push_back(frame);
                }
                c += span;
            }
        }
        qreal left = 0.0;
        qreal columnWidth = 0.0;
        geometry(&left, &columnWidth);
        const int column = std::clamp(cell.column(), 0, columns - 1);
        const int span = std::clamp(cell.columnSpan(), 1, columns - column);
        const qreal cellLeft = left + column * columnWidth;
        const qreal lineWidth = std::max<qreal>(1.0, span * columnWidth - 2 * inset);
        qreal &cy = cellBottom[size_t(column)];
        const QTextBlockFormat blockFormat = block.blockFormat();
        cy += blockFormat.topMargin();
        tl->beginLayout();
        for (;;) {
            QTextLine line = tl->createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(cellLeft + inset, cy));
            const qreal height = lineHeightFor(line, blockFormat);
            Line placed;
            placed.block = blockIndex;
            placed.lineNumber = line.lineNumber();
            placed.container = ci;
            placed.fragment = QRectF(cellLeft + inset, cy, lineWidth, height);
            placed.start = block.position() + line.textStart();
            placed.length = line.textLength();
            m_lines.push_back(placed);
            cy += height;
        }
        tl->endLayout();
        cy += blockFormat.bottomMargin();
    }
    finishRow();
    return last;
}

std::vector<TextFlow::PlacedAttachment> TextFlow::attachments(int container) const
{
    std::vector<PlacedAttachment> placed;
    if (m_attachments.empty())
        return placed;
    for (const Line &line : m_lines) {
        if (line.container != container)
            continue;
        const QTextLayout *layout = m_layouts[size_t(line.block)].get();
        const QTextLine textLine = layout->lineAt(line.lineNumber);
        const int blockStart = m_document->findBlockByNumber(line.block).position();
        for (const Attachment &attachment : m_attachments) {
            if (attachment.block != line.block || attachment.offset < textLine.textStart()
                || attachment.offset >= textLine.textStart() + textLine.textLength())
                continue;
            // The object's place in a line of either direction: the smaller edge of its cell.
            const qreal x = std::min(textLine.cursorToX(attachment.offset), textLine.cursorToX(attachment.offset + 1));
            const qreal baseline = textLine.y() + textLine.ascent();
            PlacedAttachment entry;
            entry.container = container;
            entry.position = blockStart + attachment.offset;
            entry.frame = QRectF(QPointF(x, baseline + attachment.descent - attachment.size.height()),
                                 attachment.size);
            entry.format = attachment.format;
            entry.handler = attachment.handler;
            placed.push_back(entry);
        }
    }
    return placed;
}

void TextFlow::draw(QPainter *painter, int container, const QPointF &origin) const
{
    if (!painter)
        return;
    painter->save();
    // The cells of tables, their backgrounds under the text and their frames.
    for (const Cell &cell : m_cells) {
        if (cell.container != container)
            continue;
        const QRectF rect = cell.rect.translated(origin);
        if (cell.background.isValid())
            painter->fillRect(rect, cell.background);
        if (cell.border > 0.0) {
            QPen pen(cell.borderColor, cell.border);
            pen.setJoinStyle(Qt::MiterJoin);
            painter->setPen(pen);
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(rect);
        }
    }
    painter->setPen(Qt::black);
    for (const Line &line : m_lines) {
        if (line.container != container)
            continue;
        m_layouts[size_t(line.block)]->lineAt(line.lineNumber).draw(painter, origin);
    }
    const TextContainer *box = m_containers.value(container);
    const ColorRect *view = box ? box->textView() : nullptr;
    for (const PlacedAttachment &attachment : attachments(container)) {
        painter->save();
        painter->setPen(Qt::black);
        attachment.handler->draw(painter, attachment.frame.translated(origin), attachment.format, view);
        painter->restore();
    }
    painter->restore();
}

std::unique_ptr<QTextLayout> TextFlow::layoutString(const QString &text, const QTextCharFormat &format,
                                                    qreal width, QSizeF *size)
{
    const LayoutDevice device = engineDevice();
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
    shown.replace(QLatin1Char('\r'), QChar::LineSeparator);
    QTextCharFormat scaled = TextAttachmentHandler::withoutObject(format);
    if (scaled.hasProperty(QTextFormat::FontPointSize))
        scaled.setFontPointSize(scaled.fontPointSize() * device.fontScale);
    auto layout = std::make_unique<QTextLayout>(shown, scaledFont(format.font(), device.fontScale), device.device);
    layout->setFormats({{0, int(shown.size()), scaled}});
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    constexpr qreal Unbounded = 1.0e6;
    qreal y = 0.0;
    qreal widest = 0.0;
    layout->beginLayout();
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width > 0.0 ? width : Unbounded);
        line.setPosition(QPointF(0.0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout->endLayout();
    if (size)
        *size = QSizeF(widest, y);
    return layout;
}

QPaintDevice *TextFlow::layoutDevice(qreal *fontScale)
{
    const LayoutDevice device = engineDevice();
    if (fontScale)
        *fontScale = device.fontScale;
    return device.device;
}

QFontMetricsF TextFlow::fontMetrics(const QFont &font)
{
    const LayoutDevice device = engineDevice();
    return QFontMetricsF(scaledFont(font, device.fontScale), device.device);
}

QFont scaledFont(QFont font, qreal scale)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

QFont fontAtPosition(QTextDocument *document, int position)
{
    QTextCursor cursor(document);
    cursor.setPosition(std::clamp(position + 1, 0, std::max(0, document->characterCount() - 1)));
    return cursor.charFormat().font().resolve(document->defaultFont());
}

} // namespace quillmark
