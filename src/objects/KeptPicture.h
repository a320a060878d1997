#pragma once
// A picture of what an object draws, kept for the scale, the part of the object and the look
// it was made for, so that a drawing that takes longer than a repaint may (an antialiased fill
// of an outline of many thousand points) is made once and then copied pixel for pixel. On the
// screen the picture is made on PictureWorker's thread while the canvas shows a placeholder.
// The small pictures of the whole label that a document and the clipboard carry never wait
// for such a drawing: they take the picture kept (stretched when the object was resized since),
// or one made aside at their own scale by then, or the placeholder.
//
// Any kind of object may keep its drawings so: it names what a drawing depends on besides its
// geometry (its Look), a number that changes whenever what it draws changes (its content: an
// outline, a symbol), and hands over a function that paints it by value.
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <functional>
#include <memory>

class QColor;
class QPainter;

namespace quillmark {

class KeptPicture
{
public:
    // What a drawing depends on besides its geometry: colours, line, shadow... of each kind
    // of object. Two looks draw the same when sameAs answers YES.
    class Look
    {
    public:
        virtual ~Look() = default;
        virtual bool sameAs(const Look &other) const = 0;
    };
    // A look that is one value compared with ==.
    template <typename Value>
    class LookOf final : public Look
    {
    public:
        explicit LookOf(Value v)
            : value(std::move(v))
        {
        }
        bool sameAs(const Look &other) const override
        {
            const auto *same = dynamic_cast<const LookOf *>(&other);
            return same && same->value == value;
        }
        Value value;
    };
    using LookPtr = std::shared_ptr<const Look>;
    using Painting = std::function<void(QPainter *)>;

    // What is drawn: the content's number, the frame's size and the look.
    struct Subject
    {
        quint64 content = 0;
        QSizeF frameSize;
        LookPtr look;
        bool sameAs(const Subject &other) const;
    };

    // Where the object is drawn, in page points: the corner of its frame, from which the
    // picture is placed (moving the object keeps it), and the area its drawing may reach.
    struct Placement
    {
        QPointF corner;
        QRectF area;
    };

    // What the canvas does meanwhile and when the picture comes.
    struct OnScreen
    {
        // Paints while the picture is being made; nothing when empty.
        Painting placeholder;
        // Called on the window's thread when the picture arrives, with the area it covers in
        // page points from the frame's corner (the object may have moved meanwhile).
        std::function<void(const QRectF &)> arrived;
        // While the picture is made, the one kept before (at the same scale) is drawn instead
        // of the placeholder: a drawing that changes a little at a time shows what it showed.
        bool keptMeanwhile = false;
        // Asked before a picture is made anew, with the bytes it will hold: NO, and none is
        // made (draw answers NO: the object is drawn directly). Empty: always made.
        std::function<bool(qint64)> admit;
        // The drawing is of one colour on clear (a symbol's bars and text): its picture is
        // kept as a byte of coverage a pixel, a quarter of the memory, where that holds every
        // pixel exactly (see compacted); `admit` is asked for those bytes.
        bool oneColour = false;
        // Pictures are also made through a device that turns or mirrors the object (each
        // turn its own picture, of the device's pixels); otherwise such a device answers NO.
        bool turned = false;
        // The drawing turns and mirrors with the device as a whole (no shadow cast in the
        // device's own directions): through a turned or mirrored device the upright picture
        // of the same scale is laid down turned, so that a turn or a flip costs no new
        // picture. Meanwhile, while a picture is made, a whole one of the same content and
        // look made for another frame size or turn stands in, stretched and turned.
        bool resampled = false;
    };

    // A picture larger than this many pixels holds only the part of the object on the device.
    static constexpr qint64 WholePicturePixels = 4096LL * 4096LL;

    // The picture (premultiplied ARGB) as a byte a pixel that draws the very pixels it does:
    // its alpha alone where it is black, else an indexed image of its alpha whose colour
    // table holds the one colour each alpha is drawn in. The picture itself where one alpha
    // stands for two colours.
    static QImage compacted(const QImage &picture);

    // Draws a picture pixel for pixel with its corner at `at` (the painter's own pixels): a
    // byte-a-pixel one (see compacted) draws exactly what the picture it was made of draws.
    static void drawPixels(QPainter *painter, const QPoint &at, const QImage &image);
    // Fills a rectangle of the painter's coordinates as fillRect does, the very pixels, for a
    // placeholder: Qt hands a fill of more than about a hundred spans to its thread pool, a
    // hand-over that costs more than the fill, and thousands of placeholders pay it at each
    // repaint. An upright rectangle's row is up to three spans (the pixels each edge covers
    // in part, the run between): it is filled in bands of rows below that, split at whole
    // device rows.
    static void fillInBands(QPainter *painter, const QRectF &rect, const QColor &color);
    // Draws `image` into `target` of the painter's coordinates as drawImage does, the very
    // pixels, for the same reason: a scaled picture's rows are spans too. Each band of whole
    // device rows is drawn through a clip to it.
    static void drawImageInBands(QPainter *painter, const QRectF &target, const QImage &image);

    KeptPicture() = default;
    // A picture still being made is no longer wanted.
    ~KeptPicture();
    KeptPicture(const KeptPicture &) = delete;
    KeptPicture &operator=(const KeptPicture &) = delete;

    // Draws the subject from the picture kept for the painter's scale and hints and the part of
    // the area the device shows, made anew by what `painting` answers when it is missing or out
    // of date. On the screen (a widget) and with `offThread`, it is made on the worker's thread:
    // the placeholder paints meanwhile, and what `painting` answers must hold no part of the
    // object. Answers NO when the object is to be drawn directly instead (a device turned or
    // skewed, a part of it too large for a picture).
    bool draw(QPainter *painter, const Placement &where, const Subject &subject,
              const std::function<Painting()> &painting, bool offThread, const OnScreen &screen);

    // For the small pictures of the whole label: draws the subject from a whole picture of it
    // at any scale (a picture of the same content and look made for another frame size stands
    // in, stretched to the frame). When none is kept, what `painting` answers is made aside on
    // the worker's thread at the painter's scale, for the next small picture, and the answer is
    // NO: the caller draws its placeholder. `painting` may be empty when the drawing cannot be
    // made off the window's thread.
    bool drawSmall(QPainter *painter, const Placement &where, const Subject &subject,
                   const std::function<Painting()> &painting);

    // Draws the whole picture kept of the subject at another scale, stretched to this one: a
    // stand-in while the picture of this scale is made. NO when there is none.
    bool drawFormer(QPainter *painter, const Placement &where, const Subject &subject) const;
    // Lets the pictures go (one being made included).
    void clear();

    // The picture kept, for a copy of the object (from the same stored form) to take over.
    std::shared_ptr<const void> shared() const;
    // Takes over a picture from shared() as a picture of the content `content`, when it was
    // made for the same frame size; its look stays the one it was made for.
    void adopt(const std::shared_ptr<const void> &picture, quint64 content, const QSizeF &frameSize);
    // The family of the drawing of `content`: a copy of the object (Duplicate, Paste) joins it
    // with joinKin(), and then whichever of them is drawn first at a zoom has the picture made
    // and the others take it, or wait for it, while each still draws what it was copied with.
    std::shared_ptr<void> kinFor(quint64 content);
    // Joins the family of kinFor() as the drawing of `content`; a picture of it already made
    // for the same frame size is taken at once.
    void joinKin(const std::shared_ptr<void> &kin, quint64 content, const QSizeF &frameSize);
    bool hasPicture() const { return bool(m_picture); }
    // The look of the picture kept (the one drawn meanwhile while another is made), or null.
    LookPtr keptLook() const;
    // YES while a picture is being made for the screen.
    bool isPending() const;

private:
    struct Key
    {
        // From page points to device pixels, without the move: the scale (sx, sy) of an
        // upright picture, or a turn or mirror as well.
        QTransform linear;
        qreal sx = 0, sy = 0;
        QRect part;
        int hints = 0;
        Subject subject;
        bool sameAs(const Key &other) const;
    };
    struct Picture;
    struct Pending;
    struct Kin;

    // Draws a picture pixel for pixel with its corner at `anchor` (device pixels).
    static void drawPicture(QPainter *painter, const QTransform &device, const QPoint &anchor, const Picture &picture);
    // A whole picture of the subject kept in either slot, or null.
    const Picture *wholePictureOf(const Subject &subject, bool sameFrame) const;
    // Draws a whole picture stretched over the frame it was made for, moved to `where`;
    // `smooth` resamples a byte-a-pixel picture too (one laid down turned for good).
    static void drawStretched(QPainter *painter, const Placement &where, const Subject &subject, const Picture &kept,
                              bool smooth = false);
    void pictureArrived(Pending *job, const QImage &image);

    // The area a picture of the key covers on the screen, a pixel more all round, in page
    // points from the frame's corner.
    static QRectF coveredArea(const Key &key);
    // The picture is no longer wanted: the copies waiting for it learn so.
    static void giveUp(const std::shared_ptr<Pending> &pending);
    // Draws from the picture a source is making once it has come; YES while it is still made
    // (the placeholder painted).
    bool awaitingShared(QPainter *painter, const Key &key, const OnScreen &screen);
    // Takes the family's picture of the key, or waits for the one being made of it.
    void takeFromKin(const Key &key);
    // Tells the family of the picture asked for or made, where it is of the family's drawing.
    void tellKin();

    std::shared_ptr<const Picture> m_picture;
    std::shared_ptr<Pending> m_pending;
    // The family's picture being made that this one takes, and the content it takes it for.
    std::shared_ptr<Pending> m_awaited;
    quint64 m_awaitedContent = 0;
    bool m_awaitedAsked = false;
    // The family this picture's drawing belongs to, and the content that drawing has here.
    std::shared_ptr<Kin> m_kin;
    quint64 m_kinContent = 0;
    // Lives as long as this object: a family's picture that comes later finds it gone.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    // The picture made aside for the small pictures, and the job making it.
    std::shared_ptr<const Picture> m_small;
    std::shared_ptr<Pending> m_pendingSmall;
};

} // namespace quillmark
