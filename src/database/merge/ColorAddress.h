#pragma once
// An address block: an object that shows chosen parts of the current record as lines of
// text, optionally under POSTNET bars made from the record's "Zip" value. Which parts appear
// and where lines break is its TQuickAddress. The block sizes itself to its contents; while
// the user designs it shows the parts' titles and sample bars for "123456789", in database
// preview and while printing the record's values. Its text colour is its stroke colour.
#include <QColor>
#include <QImage>
#include <QFont>
#include <QTransform>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>
#include <thread>

#include "barcodes/TBarInfo.h"
#include "database/merge/TQuickAddress.h"
#include "objects/ColorRect.h"
#include "objects/KeptTextPictures.h"

class QPainter;
class QTextLayout;

namespace quillmark {

class ColorAddress : public ColorRect
{
public:
    ColorAddress();
    explicit ColorAddress(const QRectF &frame);
    ~ColorAddress() override;

    static std::shared_ptr<ColorAddress> create(const QRectF &frame = QRectF());
    // Makes the kind known to the object factory under "ColorAddress".
    static void registerKind();

    QString className() const override;
    std::shared_ptr<ColorRect> newInstance() const override;
    // The base values, the record and the font.
    void copyValues(ColorRect &target) const override;

    // ---- the record and the style ----
    const TQuickAddress &qa() const { return _qa; }
    // Takes a copy of the record and fits the frame to it, keeping its origin. Undoable.
    void setQa(const TQuickAddress &qa);
    QFont textSize() const { return _font; }
    // Takes the font and fits the frame to the new lines, keeping the edge that the anchor
    // names. Undoable.
    void setTextSize(const QFont &font);
    QColor textColor() const { return strokeColor(); }
    void setTextColor(const QColor &color) { setStrokeColor(color); }
    // The font and the text colour, as the lines are drawn.
    QTextCharFormat textAttributes() const;

    // ---- contents and frame ----
    // Fits the frame to the contents; the origin stays.
    void calcFrameRect();
    void updateframeSize() override { calcFrameRect(); }
    // A new block placed on the label fits inside it: on a label narrower than the POSTNET
    // bars it starts without them, a font too large for the label is made smaller (in half
    // points, down to 5), and a block that would pass the label's right or bottom edge moves in.
    void fitInsideLabel();
    // The record changed: the frame is fitted to the new contents keeping the edge that the
    // anchor names (1 the right edge, 2 and above the centre, else the left edge); the top
    // stays.
    void updateContents(const Notification *notification) override;
    void updateContentsWithObject(const QVariant &value) override;
    // Every part's field and the Zip field of the bars.
    void addMergePks(QSet<int> &pks) const override;
    bool isResizable() const override { return false; }
    // Moves with the label and scales its text by the smaller factor: the block's size follows
    // its lines, so a block that fitted its label fits the new one both ways.
    void scaleByX(double sx, double sy) override;
    bool showsText() const override { return true; }
protected:
    std::function<void(ColorRect &)> scaledState() const override;

public:

    // ---- the lines ----
    // The text of address part i (2 to 12) and one blank, empty for an empty value; none for
    // a part the current database does not have.
    using PartTexts = std::array<std::optional<QString>, TQuickAddress::LastPart + 1>;
    PartTexts partTexts() const;
    // The parts' design texts: each field's own or built-in title, translated.
    static PartTexts designTexts();
    // One text placed by the line layout: its part and its top-left corner (page points).
    struct PlacedPart
    {
        int part = 0;
        QString text;
        QPointF topLeft;
    };
    struct Lines
    {
        QList<PlacedPart> parts;
        // Where the frame goes: the origin it was laid out from, the widest line plus 8 and
        // the height of the lines.
        QRectF frame;
    };
    // Lays the parts out from `origin` (the line top starting at `textTop`) with the line
    // rules of the record; texts are placed `inset` right of where the layout puts them. The
    // widest line starts at `barArea`'s width and the height at its height, the bars' share.
    static Lines layoutParts(const PartTexts &texts, const TQuickAddress &qa, const QFont &font,
                             const QPointF &origin, qreal textTop, const QSizeF &barArea, qreal inset);
    // The bar record from the digits, at the origin, with the block's bar sizes.
    static TBarInfo barRecord(const QByteArray &digits);
    // The digits the bars show now: "123456789" while designing, the record's "Zip" value
    // in preview and printing; none when the bars are off, there is no Zip field or value,
    // or the value does not hold 5, 9 or 11 digits within its first 255 bytes.
    std::optional<QByteArray> barDigits() const;
    // The block's lines as they are placed now.
    Lines currentLines() const;
    // The lines of these texts and bars, laid out from `origin`.
    Lines linesFrom(const QPointF &origin, const PartTexts &texts, const std::optional<QByteArray> &digits) const;
    // The shown texts line by line, each without its last blank (for reading back).
    QStringList lineTexts() const;

    // ---- drawing ----
    void drawFrame(QPainter *painter, const QRectF &aRect, bool selected) override;
    void drawQuickAddress(QPainter *painter);

    // ---- stored form ----
    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                           const LinkedTextPlaces *places = nullptr) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;

private:
    // The frame of the current contents at the current origin.
    QRectF fittedFrame() const;
    // Sets a frame the contents give: no user edit, so no undo.
    void setComputedFrame(const QRectF &rect);
    // Fits the frame keeping the anchor's edge, then redraws.
    void refit();

    // What the screen showed last: the parts laid out from the block's origin, kept while
    // their texts, the record of parts, the font, the colour and the bars stay as they were.
    // A design of thousands of blocks is drawn again at every nudge and click; laying out
    // every part of every block anew (twice: to measure it and to draw it) made each paint
    // grow with their parts.
    struct Drawn
    {
        PartTexts texts;
        TQuickAddress qa;
        QFont font;
        QColor color;
        std::optional<QByteArray> digits;
        QList<std::pair<QPointF, std::shared_ptr<QTextLayout>>> parts;
        // Made and used on this thread only.
        std::thread::id thread = std::this_thread::get_id();
        // The bars and lines drawn on the screen's pixels at a scale, turn and mirroring (the
        // transform less its moves), copied for every block alike on whole pixels: thousands
        // of blocks are drawn at each repaint.
        // Each held in the budget of text pictures, let go of with the layout.
        struct Pictures
        {
            Pictures() = default;
            // A copy keeps none of its own.
            Pictures(const Pictures &) {}
            Pictures &operator=(const Pictures &) { return *this; }
            ~Pictures();
            struct Kept
            {
                QTransform linear;
                QSize pixels;
                KeptTextPictures::Handle image;
            };
            QList<Kept> kept;
        };
        mutable Pictures pictures;
    };
    const Drawn &drawnParts(const std::optional<QByteArray> &digits) const;
    // The bars and the lines with the block's origin at `origin`.
    void drawContentsAt(QPainter *painter, const Drawn &drawn, const QPointF &origin);
    // Copies the block's picture for the screen; false when it is drawn as it stands.
    bool drawScreenPicture(QPainter *painter, const Drawn &drawn);
    Lines linesAtOrigin(const PartTexts &texts, const std::optional<QByteArray> &digits) const;

    TQuickAddress _qa;
    QFont _font;
    // Shared by the blocks that look alike.
    mutable std::shared_ptr<const Drawn> m_drawn;
};

} // namespace quillmark
