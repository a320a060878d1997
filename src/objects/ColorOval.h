#pragma once
// The oval kind of object (oval tool): a ColorRect whose outline is the ellipse inscribed in
// its frame. Its text is not a text box: each glyph is set along ovals inside the outline,
// from a start direction, clockwise with glyph tops outward, or flipped (mirrored, running
// counter-clockwise with tops towards the centre) so that it reads upright along the bottom.
#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QVariantMap>

#include <atomic>
#include <memory>
#include <vector>

#include <QPainterPath>

#include "objects/ColorRect.h"
#include "platform/BezierPath.h"

class QPainter;

namespace quillmark {

class NSTextOvalContainer;
class TextFlow;

class ColorOval : public ColorRect
{
public:
    ColorOval();
    explicit ColorOval(const QRectF &frame);
    ~ColorOval() override;

    static std::shared_ptr<ColorOval> create(const QRectF &frame = QRectF());
    // Makes the kind known to the object factory under "ColorOval".
    static void registerKind();

    QString className() const override;
    std::shared_ptr<ColorRect> newInstance() const override;

    // The oval keeps a plain box for in-place editing and installs no runaround container.
    void initContainer() override;
    // The ellipse inscribed in the frame inset by half the stroke width.
    BezierPath bezierPath() const override;
    void drawFrame(QPainter *painter, const QRectF &aRect, bool selected) override;
    // Once after editing starts: the object without its text behind the editor.
    void drawRect(QPainter *painter, const QRectF &rect) override;
    // An oval shows no text-link marks.
    void drawLinks(QPainter *) override {}

    // Plain stores: no undo, no redraw.
    void setTextAngle(float degrees) { _textAngle = degrees; }
    float textAngle() const { return _textAngle; }
    void setTextFlip(int flip) { _textFlip = flip; }
    int textFlip() const { return _textFlip; }

    // The visual angle of the vector (x, y) on the y-down canvas, in radians from -pi/2 up
    // to 3 pi/2; 0 for the zero vector.
    static float getAngle(float x, float y);

    // Where each glyph of the text goes: its character, the point its baseline centre lands
    // on, the turn of its axes (degrees, as QPainter::rotate takes them) and whether it
    // belongs to a right-to-left run (its character starts at its right edge).
    struct GlyphPlacement
    {
        int character = 0;
        QPointF point;
        qreal rotation = 0.0;
        bool rightToLeft = false;
    };
    QList<GlyphPlacement> glyphPlacements() const;

    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                           const LinkedTextPlaces *places = nullptr) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;

protected:
    void drawText(QPainter *painter) override;
    void layOutTextAside() const override;

private:
    // Draws the merge field inside the text whose room the placed glyph holds, placed from
    // `around` (the oval's own mapping); NO when the glyph is text.
    bool drawAttachment(QPainter *painter, const QTransform &around, const GlyphPlacement &placement,
                        qreal advance) const;
    // A glyph where the text along the ovals puts it, with what draws it.
    struct PlacedGlyph
    {
        GlyphPlacement placement;
        QRawFont font;
        quint32 glyph = 0;
        qreal advance = 0.0;
        QColor colour;
    };
    // The text laid out along the ovals, placed from the frame's top left corner. Kept until
    // the text, the frame's size, the stroke width, the start angle or the flip changes:
    // laying it out and walking the ovals for each glyph on every repaint made a design of
    // many ovals slow to draw. Ovals of one text and look share it: the copies Paste,
    // Duplicate and Replicate make are not laid out again.
    struct PlacedGlyphs : std::vector<PlacedGlyph>
    {
        // Names this layout among all made in the process: the shadow it casts is kept by it.
        quint64 serial = nextSerial();
        // Laid out from the text alone (no merge field in it measures by its object).
        bool shareable = false;
        static quint64 nextSerial();
    };
    const PlacedGlyphs &placedGlyphs() const;
    // YES when the text's placement is current, taken from alike ovals or nothing to lay out:
    // placedGlyphs() then lays nothing out.
    bool placedWithoutLayout() const;
    // YES when the text is laid out for drawing with `painter`; NO when left aside for now.
    bool textLaidOutFor(const QPainter *painter) const;
    // YES when the archive naming the text among alike ovals' is of the text as it stands.
    bool textKeyCurrent() const;
    // Follows the edits of the text (its document's changes, counted).
    void watchText() const;

    float _textAngle = 0.0f;
    int _textFlip = 0;

    struct PlacedFor
    {
        const QTextDocument *text = nullptr;
        quint64 edits = 0;
        QSizeF frame;
        qreal lineWidth = 0.0;
        float angle = 0.0f;
        int flip = 0;
        bool operator==(const PlacedFor &) const = default;
    };
    // The outline as the painter takes it, filled and stroked, kept while the frame and the
    // line width stay: making the curves anew for thousands of ovals at each repaint cost
    // as much as filling them.
    struct KeptOutline
    {
        QRectF frame;
        float lineWidth = -1.0f;
        bool empty = true;
        QRectF bounds;
        QPainterPath area; // filled by the winding rule
        QPainterPath line; // as the outline converts, for the stroke
    };
    const KeptOutline &keptOutline() const;
    // On the screen of a design of thousands of objects, an upright oval's plain fill and
    // stroke are copied from a picture kept for every oval of the same size and look: YES
    // when drawn so.
    bool drawShapeFromKeptPicture(QPainter *painter, const KeptOutline &outline) const;
    mutable KeptOutline m_keptOutline;
    mutable std::unique_ptr<TextFlow> m_ovalFlow;
    mutable std::unique_ptr<NSTextOvalContainer> m_ovalBox;
    mutable std::shared_ptr<const PlacedGlyphs> m_placed;
    mutable PlacedFor m_placedFor;
    // Set (empty when the placement is the oval's own) while m_placedFor waits to be laid out.
    mutable QByteArray m_placedKey;
    // The document whose edits m_textEdits counts, and the archived text it held at
    // m_textKeyEdits (the one it was read from, or made when first laid out).
    mutable const QTextDocument *m_watched = nullptr;
    mutable std::shared_ptr<std::atomic<quint64>> m_textEdits;
    mutable QByteArray m_textKey;
    mutable quint64 m_textKeyEdits = 0;
    // The text's default font and its name in the key.
    mutable QFont m_textKeyFont;
    mutable QByteArray m_textKeyFontName;
};

} // namespace quillmark
