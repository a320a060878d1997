#pragma once
// A short text laid out the way the text engine lays out paragraphs (TextFlow::layoutString:
// the screen's resolution with point sizes scaled, so one unit is one page point), kept so
// that it can be measured and drawn many times and laid out again only when its text or look
// changes. An object that shows a new text for every label (a merge field while a sheet
// prints) keeps one and sets each label's text into it: the layout's storage, its fonts and
// formats are made once.
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextLayout>
#include <QTransform>

#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "objects/KeptTextPictures.h"

class QPainter;

namespace quillmark {

class StringLayout
{
public:
    StringLayout();
    ~StringLayout();
    StringLayout(const StringLayout &) = delete;
    StringLayout &operator=(const StringLayout &) = delete;

    // The text in one font (page points), drawn in `color` where no format gives another;
    // `formats` are ranges of the text in their own character formats on top of the font.
    // Line breaks ("\n", "\r\n", "\r") break lines. Lays out again only when something changed;
    // the last few texts of one font are kept laid out, since the values of a field repeat
    // from record to record (cities, states, companies).
    void setText(const QString &text, const QFont &font, const QColor &color,
                 const QList<QTextLayout::FormatRange> &formats = {});

    const QString &text() const { return m_current.text; }
    const QFont &font() const { return m_font; }
    const QColor &color() const { return m_color; }
    const QList<QTextLayout::FormatRange> &formats() const { return m_formats; }
    bool isEmpty() const { return m_current.text.isEmpty(); }

    // The width of the widest line and the height of all lines; an empty text has the height
    // of one line of its font.
    QSizeF size() const { return m_current.size; }
    // The first line: its top and height, and its width; empty without text.
    QRectF firstLine() const { return m_current.firstLine; }
    // A rectangle the drawn glyphs lie within, relative to the origin they are drawn at. It
    // may be larger than the ink, never smaller: text of simple scripts in one font is
    // bounded from its characters' own boxes, other text from every drawn glyph.
    QRectF inkBounds() const;

    // Draws the lines with the layout's top-left at `origin`.
    void draw(QPainter *painter, const QPointF &origin) const;
    // Draws the lines as draw() does, copied from a picture of them kept with the layout for
    // the painter's scale, turn and mirroring, the colour and the smoothing, on whole device
    // pixels: every field of a design that shows one text is drawn at each repaint, and
    // copying its pixels costs a fraction of laying out its glyphs. Answers false, drawing
    // nothing, when the painter blends, fades or is in perspective (the caller draws then).
    bool drawPicture(QPainter *painter, const QPointF &origin) const;

private:
    // One text laid out. Texts of one font without formats are laid out once for every
    // layout that shows them (thousands of fields show a few titles): the layout is shared
    // and never changed once made.
    // Pictures of one laid out text, shared with its layout.
    struct Picture
    {
        QRgb color = 0;
        QTransform linear;
        int hints = 0;
        KeptTextPictures::Handle image;
        QPoint origin;
    };
    struct Pictures
    {
        Pictures() = default;
        Pictures(const Pictures &) = delete;
        Pictures &operator=(const Pictures &) = delete;
        ~Pictures();
        std::vector<Picture> kept;
    };
    struct Laid
    {
        QString text;
        std::shared_ptr<const QTextLayout> layout;
        std::shared_ptr<Pictures> pictures;
        QSizeF size;
        QRectF firstLine;
        std::optional<QRectF> ink;
    };
    static constexpr size_t RecentTexts = 8;

    void layout(Laid &laid);
    std::optional<QRectF> inkFromCharacters() const;

    // The thread the layouts were made on: shared layouts are used on their own thread only
    // (a copy of a design laid out here and drawn aside lays its texts out again there).
    std::thread::id m_thread;
    QFont m_font;
    QString m_fontKey;
    QColor m_color;
    QList<QTextLayout::FormatRange> m_formats;
    bool m_laidOut = false;
    mutable Laid m_current;
    std::vector<Laid> m_recent;
    // The ink box and advance of each character met in the font, in page points.
    struct CharacterInk
    {
        QRectF box;
        qreal advance = 0.0;
    };
    mutable QHash<char16_t, CharacterInk> m_characterInk;
    mutable std::optional<QFontMetricsF> m_metrics;
};

} // namespace quillmark
