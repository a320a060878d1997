#pragma once
// The base of every object of a design: a box in page points that may be filled, stroked,
// shadowed, hold an image and hold text. A plain ColorRect is the rectangle tool's object;
// the oval, line, path, merge-field, address-block and barcode kinds derive from it.
//
// Objects are always held by std::shared_ptr (use create() or std::make_shared): the undo
// inverses that setters register keep their object alive through it. An object that is not
// held by a shared_ptr registers no undo.
#include <QColor>
#include <QHash>
#include <QFont>
#include <QImage>
#include <QList>
#include <QSet>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextCharFormat>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <span>
#include <optional>
#include <utility>
#include <vector>

#include "objects/PictureCopy.h"
#include "platform/BezierPath.h"
#include "platform/Shadow.h"

class QPainter;
class QThread;
class QTextDocument;

namespace quillmark {

class CanvasServices;
class Group;
struct Notification;
class ObjectTextEditor;
class PropertyListArray;
class TextContainer;
class TextFlow;
class UndoManager;
class specImage;
struct Shadow;

class ColorRect : public std::enable_shared_from_this<ColorRect>
{
public:
    using GraphicList = QList<std::shared_ptr<ColorRect>>;

    // The object with its construction defaults and the given frame (initWithFrame:).
    ColorRect();
    explicit ColorRect(const QRectF &frame);
    virtual ~ColorRect();

    ColorRect(const ColorRect &) = delete;
    ColorRect &operator=(const ColorRect &) = delete;

    static std::shared_ptr<ColorRect> create(const QRectF &frame = QRectF());

    // The kind's name as the stored form's "Class" key and the object factory know it.
    virtual QString className() const;

    // A new object of the same kind with the construction defaults and an empty frame.
    virtual std::shared_ptr<ColorRect> newInstance() const;
    // A new object of the same kind carrying this object's geometry, style and image
    // (copyWithZone:). The text, lock, template flag, anchor, merge key, group and canvas
    // are not copied.
    std::shared_ptr<ColorRect> copy() const;
    // Copies this object's values onto the target through the target's setters.
    virtual void copyValues(ColorRect &target) const;
    // What the object keeps of its drawing that a copy of it may take over instead of drawing
    // anew (a barcode's laid-out bars and text): null when it keeps nothing. The copy checks
    // it against its own content at each drawing, so a copy edited since draws itself afresh.
    struct KeptDrawing
    {
        virtual ~KeptDrawing() = default;
    };
    // The base object keeps its picture's pixels and rasters: a copy showing the same picture
    // draws from them rather than decoding or rasterising it again.
    virtual std::shared_ptr<const KeptDrawing> keptDrawingForCopies() const;
    virtual void takeKeptDrawing(const std::shared_ptr<const KeptDrawing> &kept);
    // The pictures of kept drawings, by the files their objects' stored forms name: Paste
    // takes them rather than reading the files again.
    static void offerKeptPictures(const std::vector<std::shared_ptr<const KeptDrawing>> &drawings,
                                  specImage::KnownFiles &known);
    // Takes the inspector's last-used style (ObjectInfo::changedValues()) directly, with no
    // undo, no redraw and no change of the template flag, each value within the limits its
    // setter keeps. The argument is ignored.
    void syncronizeWith(const ColorRect *ignored = nullptr);

    // ---- the canvas ----
    void setMainView(CanvasServices *canvas);
    CanvasServices *mainView() const { return _mainView; }
    // The canvas's undo manager; null while the object has no canvas.
    UndoManager *undoManager() const;
    // The canvas's raw zoom coefficient; 1.0 without a canvas.
    double getZoom() const;

    // ---- the text ----
    // Made on first use: most objects never hold text, and a document costs several
    // kilobytes.
    QTextDocument *textStorage() const { return sharedTextStorage().get(); }
    // The text, null for an object that never held one (none is made).
    const QTextDocument *textIfAny() const { return _text.get(); }
    // YES when the object's text holds characters; makes no document.
    bool hasText() const;
    // The same, as the drawing asks it: from what the text's layout knows while the text is
    // unchanged, without reading the document (not within an edit block of the text).
    bool hasTextToDraw() const;

    // ---- page, layer, template flag ----
    // A bare "Horizontal" or "Vertical" is stored with "Front" appended.
    void setPageName(const QString &name);
    QString getPageName() const { return _pageName; }
    bool isOnPageNamed(const QString &name) const;
    // The one copy of a page name that every object on that page holds (of the first few
    // hundred names): a name compared with it matches by address, its characters unread.
    static QString sharedPageName(const QString &name);
    int objectLayer() const { return _mlayer; }
    void setObjectLayer(int layer) { _mlayer = layer; }
    // YES puts the object on layer 0, NO on layer 1; isBack() is not affected.
    void setBack(bool flag);
    bool isBack() const { return _isback; }
    // Marks the page's background object (locked, behind everything, clipped to the label).
    void setIsBack(bool flag) { _isback = flag; }
    virtual bool isTemplate() const { return _isTemplate; }
    void setTemplateFlag(bool flag) { _isTemplate = flag; }

    // ---- plain state ----
    void setLocked(bool flag) { _locked = flag; }
    bool isLocked() const { return _locked; }
    void setResizable(bool flag) { _isresizable = flag; }
    virtual bool isResizable() const { return _isresizable; }
    Group *getGroup() const { return group; }
    virtual void setGroup(Group *newGroup) { group = newGroup; }
    // Keeps a copy of the clipping path; null clears it.
    void setClip(const BezierPath *path);
    const BezierPath *clipPath() const { return clip ? &*clip : nullptr; }
    void setImageUseFilter(bool flag) { _filter = flag; }
    bool imageUseFilter() const { return _filter; }

    // Shaped text (PowerText); only a plain rectangle takes it.
    virtual void setPowerText(bool flag);
    bool powerText() const { return _powertext; }
    // The warp style; held as style + 1.
    void setPowerType(int style) { _powertype = style + 1; }
    int powerType() const { return _powertype - 1; }

    int anchor() const { return _anchor; }
    void setAnchor(int value);
    int fieldPk() const { return _pk; }

    // ---- merge binding (ColorRect_merge.cpp) ----
    // Binds the object to a database field (0: to nothing), undoable as "Change Field Type",
    // and refreshes its contents at once.
    void setFieldPk(int pk);
    // Binds each object to the pk given with it as setFieldPk does, with one inverse for
    // them all: the Undo of a command over thousands of objects keeps one record, not one
    // per object.
    static void setFieldPks(const QList<std::pair<std::shared_ptr<ColorRect>, int>> &bindings);
    // The value of a pk for the current record, asked of the installed merge source; invalid
    // without a source or when the record has nothing for the pk.
    QVariant contentsByPk(int pk) const;
    // The print loop's refresh for each record: updateContentsWithObject with the value of
    // the object's own pk.
    virtual void updateABRecord();
    // Refresh entry points of the merge kinds; a plain object shows no record value. The
    // notification is null when the refresh does not come from "RecordChangedNotification".
    virtual void updateContents(const Notification *notification);
    virtual void updateContentsWithObject(const QVariant &value);
    // Adds the merge-field pks whose values the object shows: its own pk and those of the
    // merge fields inside its text. A run over many records reads only these fields.
    virtual void addMergePks(QSet<int> &pks) const;
    // YES while the canvas shows record values: database preview or printing.
    bool showsRecordValues() const;
    // Puts a merge field of the pk into the object's own text in front of the edited
    // selection (at the start of a text that is not edited), in the attributes found there;
    // the selected characters stay selected behind it. Undoable as typing is. Answers NO
    // when no kind of merge field inside text is installed.
    bool insertTextField(int pk);

    // ---- capabilities and stubs the kinds override ----
    virtual bool canFill() const { return true; }
    virtual bool canStroke() const { return true; }
    virtual bool canDrawsImage() const { return true; }
    virtual bool canFixRatio() const { return true; }
    virtual bool setsInfo() const { return true; }
    virtual bool isSelected() const { return false; }
    virtual void setSelected(bool) {}
    // A hidden object (a merge field's title while its group shows none) is neither drawn
    // nor hit nor caught by the rubber band.
    virtual bool isHidden() const { return false; }
    // Whether the object prints text of its own.
    virtual bool showsText() const;
    void setEdit(bool) {}
    bool isEdit() const { return _isedit; }
    virtual void setDrawBarcode(bool) {}
    // Kinds whose size follows their content (a barcode's symbol, an address block's lines)
    // take their natural size at the frame's origin; the others keep their frame.
    virtual void updateframeSize() {}
    virtual double barHeight() const { return 0.0; }
    virtual void updateContainer() {}
    void setTextWrap(int) {}
    int textWrap() const { return 0; }

    // ---- limits ----
    // What the setters and the stored form take: a damaged or hostile value is bounded to
    // these (or ignored when it is not a number), so that no later arithmetic overflows and
    // no drawing takes unbounded time. Page points unless said.
    static constexpr double maxCoordinate = 1.0e6;
    static constexpr double maxShadowDistance = 1000.0;
    static constexpr int maxShadowBlur = 100;
    static constexpr double maxImageOffset = maxCoordinate / 72.0; // inches
    static constexpr double maxImageScale = 1.0e7;                 // percent
    static constexpr float maxImageTile = 100.0f;
    // Angles beyond this many degrees are taken modulo 360.
    static constexpr double maxDegrees = 1.0e6;
    // The value within [low, high]; none when it is not a number or infinite.
    static std::optional<double> boundedValue(double value, double low, double high);
    // The angle, or its remainder modulo 360 beyond maxDegrees; none when not finite.
    static std::optional<double> boundedDegrees(double degrees);
    // The rectangle with a negative width or height turned into the same area, its origin
    // and size within maxCoordinate; none when any part is not finite.
    static std::optional<QRectF> boundedFrame(const QRectF &rect);

    // ---- geometry (undoable) ----
    QRectF frameBounds() const { return _frameBounds; }
    // The rectangle enclosing the frame turned by the angle about its centre; flips ignored.
    QRectF frameBoundsRotated() const;
    virtual void setFrameBounds(const QRectF &rect);
    float originX() const { return float(_frameBounds.x()); }
    float originY() const { return float(_frameBounds.y()); }
    virtual float width() const { return float(_frameBounds.width()); }
    virtual float height() const { return float(_frameBounds.height()); }
    virtual void setOriginX(float x);
    virtual void setOriginY(float y);
    virtual void setWidth(float newWidth);
    virtual void setHeight(float newHeight);
    virtual float angle() const { return _angle; }
    // 360 is stored as 0. With undo NO nothing is registered and no action named.
    virtual void setAngle(float newAngle, bool undo);
    // Rescales geometry, stroke width and font sizes when the label size changes; no undo,
    // keeps the template flag.
    virtual void scaleByX(double sx, double sy);
    // Registers the way back from the scaleByX that follows: what it changes comes back as
    // it was, not scaled back, which sizes held to their limits would not give.
    void registerScaleUndo();

    // ---- style (undoable) ----
    QColor fillColor() const { return _color_fill; }
    QColor strokeColor() const { return _color_stroke; }
    virtual void setFillColor(const QColor &color);
    virtual void setStrokeColor(const QColor &color);
    bool isScaleWithBox() const { return _isscalewithbox; }
    virtual void setScaleWithBox(bool flag);
    virtual void setScaleWithBoxOnly(bool flag) { _isscalewithbox = flag; }
    virtual bool drawsFill() const { return _fill; }
    virtual bool drawsStroke() const { return _stroke; }
    bool drawsShadow() const { return _shadow; }
    virtual bool drawsImage() const { return _drawsimg; }
    virtual void setDrawsFill(bool flag);
    virtual void setDrawsStroke(bool flag);
    virtual void setDrawsShadow(bool flag);
    virtual void setDrawsImage(bool flag);
    void setDrawsStrokeOnly(bool flag) { _stroke = flag; }
    float strokeLineWidth() const { return _lineWidth; }
    // Limited to getMaxLineWidth().
    virtual void setStrokeLineWidth(float lineWidth);
    virtual float getMaxLineWidth() const;
    // The line width this object takes for the one asked: within 0 and getMaxLineWidth();
    // none when it is not a number.
    std::optional<float> boundedLineWidth(float lineWidth) const;
    int fillType() const { return _fillType; }
    virtual void setFillType(int type);
    QColor fillColor2() const { return _fillColor2; }
    virtual void setFillColor2(const QColor &color);
    double fillAngle() const { return _fillAngle; }
    virtual void setFillAngle(double degrees);
    double fillIntensity() const { return _fillIntensity; }
    double shadowDistance() const { return _shadowDistance; }
    virtual void setShadowDistance(double distance);
    QColor shadowColor() const { return _shadowColor; }
    virtual void setShadowColor(const QColor &color);
    double shadowAngle() const { return _shadowAngle; }
    virtual void setShadowAngle(double degrees);
    int shadowBlur() const { return _shadowBlur; }
    virtual void setShadowBlur(int blur);
    int linePattern() const { return _linePattern; }
    virtual void setLinePattern(int pattern);
    virtual bool fixRatio() const { return _fixRatio; }
    virtual void setFixRatio(bool flag);
    bool tintImage() const { return _tint; }
    void setTintImage(bool flag);
    QColor tintImageColor() const { return _tintColor; }
    void setTintImageColor(const QColor &color);
    bool flipHor() const { return _flipH; }
    void setFlipHor(bool flag);
    bool flipVert() const { return _flipV; }
    void setFlipVert(bool flag);
    float imageTile() const { return img_tile; }
    // 0 or less stores 1.0.
    void setImageTile(float tile);

    // ---- image source and placement (ColorRect_image.cpp) ----
    std::shared_ptr<specImage> image() const { return _image; }
    // The image file: the path given with the picture, or the path a document stored.
    QString imagePath() const { return image_path; }
    // YES while the object shows a placeholder for a picture whose file could not be read
    // when the object was loaded (the file is missing or damaged, and the stored form held
    // no copy of the picture). The object keeps imagePath() and the stored image settings
    // and writes them back as they were read, so the picture returns once the file is
    // back. Taking another picture ends it.
    bool imageFileMissing() const { return _missingImage.has_value(); }
    // Replaces the object image by a new one holding the picture of `source`, keeping the
    // old image's mask, tint flag and repeat count; with scale-with-box on, the frame takes
    // the picture's proportions with its longer side at the old image's width (or the
    // frame's). Null removes the image. No undo.
    void setImage(const specImage *source);
    void setImage(const QImage &bitmap);
    // Loads the file; when it gives an image, keeps the path, takes the image and clears
    // the template flag. No undo. Answers whether an image was loaded.
    bool setImageFromPath(const QString &path, QString *error = nullptr);
    // The image of a file, or null with a message for the user.
    static std::shared_ptr<specImage> NSImageFromPath(const QString &path, QString *error = nullptr);
    // Undoable change of the image file. A file that cannot be loaded changes nothing,
    // registers no undo and answers NO with the reason in `error`.
    virtual bool setImagePath(const QString &path, QString *error = nullptr);
    // The image effects' result in place of the picture, as one undoable step ("Change
    // Image"): the path is cleared (the picture no longer is that file's), the frame stays
    // whatever scale-with-box says, mask, tint and tiling stay, and the image is marked as
    // filtered. A null picture changes nothing.
    void setFilteredImage(const QImage &processed);
    // Stores a copy of the image and clears the template flag; no undo, no redraw.
    void setSpecImage(const specImage &image);
    // The image prepared for drawing (masked, tiled, tinted); null without an image.
    QImage getImage() const;
    // The image's tint colour; invalid without an image.
    QColor getImageColor() const;
    void setImageColor(const QColor &color);
    bool hasValidImage() const;
    // Where the picture lands on the page, in points: its placement in the frame (or the frame
    // when it follows the box). Empty without a valid image.
    QRectF imageFrame() const;
    void makeMonohromeImage(bool flag);
    // The object's halves of the canvas's image commands: undoable, named from the
    // "UndoStrings" table, redrawing the object. Nothing without a valid image.
    void setImageRotation(int degrees);
    void setImageMaskName(const QString &name);
    void setImageMaskFlag(bool flag);
    // Stretches the image to the frame (offsets 0, scales frame over image), and the
    // inverse that sets the current placement again; each registers the other.
    void fitImage();
    void fitImageReset();
    virtual void setXImageOffset(float offset);
    virtual void setYImageOffset(float offset);
    virtual void setXImageScale(float scale);
    virtual void setYImageScale(float scale);
    // 0 while the image follows the box.
    float getXImageOffset() const;
    float getYImageOffset() const;
    float getXImageScale() const;
    float getYImageScale() const;
    void setImageOpacity(float opacity);
    float imageOpacity() const { return img_opacity; }

    // ---- text runaround and linked text ----
    void setRunaroundState(int state);
    int getRunaroundState() const { return _textRunaroundState; }
    void setRunaroundMode(int mode);
    int getRunaroundMode() const { return _textRunaroundMode; }
    void setTextViewsStr(const QString &text) { textViewsStr = text; }
    QString getTextViewsStr() const { return textViewsStr; }

    // ---- text flow, linked boxes and text attributes (ColorRect_text.cpp) ----
    // A character range: (location, length).
    using TextRange = std::pair<int, int>;
    // Gives the object its runaround container when it has none; the box takes the
    // frame's size.
    virtual void initContainer();
    // The object's own box (null before the first initContainer) and the flow it is in.
    TextContainer *textContainer() const { return _container.get(); }
    TextFlow *textFlow() const { return _textFlow.get(); }
    // The boxes of the object's chain in flow order (sends initContainer first).
    QList<TextContainer *> textContainers();
    // The object whose box holds the start of the chain's text (sends initContainer first).
    ColorRect *firstTextView();
    // This object's box joins the other object's chain: first in it (next NO) or right
    // behind the other's box (next YES). From then on it shows its part of that text.
    void setTextLink(ColorRect *other, bool next);
    // Takes the object's box out of a shared chain; a box alone stays as it is.
    void unlink();
    // Where a box stood in the chain it was taken out of, so that undo can put it back.
    struct TextChainPlace
    {
        std::shared_ptr<QTextDocument> text;
        std::shared_ptr<TextFlow> flow;
        int index = -1;
        bool isValid() const { return text && flow && index >= 0; }
    };
    // Unlinks the box as an object leaving the canvas does, and answers where it stood; an
    // invalid place for a box that was alone.
    TextChainPlace leaveTextChain();
    // Puts a box that is alone back at its former place in the chain (nothing for an
    // invalid place or a box that is linked elsewhere now).
    void rejoinTextChain(const TextChainPlace &place);
    // The canvas's objects on this object's page and layer, in canvas order.
    GraphicList graphicsForLayer() const;
    // The outlines the text flows around: objects above this one with runaround on (turned
    // by their own angle), then the label-shape areas when label-shape wrap is on.
    QList<BezierPath> getBezierPaths() const;
    // Lays the chain out with this box sized to the frame and given its obstacles now.
    TextFlow *layoutText();
    // While one lives on a thread, the objects drawn there do not change: a chain of linked
    // boxes is sized, given its obstacles and laid out once for all of its boxes drawn, not
    // once for each (which grows with the square of a long chain). Drawings of many objects
    // hold one, each record of a merged job one of its own.
    class DrawingPass
    {
    public:
        DrawingPass();
        ~DrawingPass();
        DrawingPass(const DrawingPass &) = delete;
        DrawingPass &operator=(const DrawingPass &) = delete;
        // The pass of the calling thread; 0 outside any.
        static quint64 current();

    private:
        quint64 m_outer;
    };
    // The characters this box shows after layoutText().
    TextRange textCharacterRange();
    // YES when the text does not fit the last box of the chain.
    bool hasOverflow();

    // The font of the current character (none for an empty text).
    std::optional<QFont> textSize() const;
    void setTextSize(const QFont &font);
    // Sets the font over the run at the range start (clipped to the range); answers the
    // rest of the range behind that run.
    TextRange setTextSize(const QFont &font, TextRange range);
    // Each run of the range takes the font `convert` makes of its own (a run keeps its lines
    // unless the conversion changes them), in one edit of the text and one undo record that
    // holds the runs as they were: in time that grows with the runs.
    using FontConversion = std::function<QFont(const QFont &)>;
    void convertTextFonts(TextRange range, const FontConversion &convert);
    // Whether every run of the range holds what `holds` asks of its font; an empty range does
    // not.
    bool allTextRuns(TextRange range, const std::function<bool(const QFont &)> &holds) const;
    // The range a change of the text's attributes works on: the editor's selection while the
    // text is edited, else the whole text.
    TextRange textChangeRange() const;
    // The colour of the current character: black without a colour of its own, none for an
    // empty text.
    std::optional<QColor> textColor() const;
    void setTextColor(const QColor &color);
    // 0 left (also natural), 1 right, 2 centre, 3 justified.
    int textAlign() const;
    void setTextAlign(int code);
    void alignLeft();
    void alignRight();
    void alignCenter();
    void alignJustified();
    QTextCharFormat textAttributes() const;
    void setTextAttributes(const QTextCharFormat &attributes);
    TextRange setTextPointAttributes(const QTextCharFormat &attributes, TextRange range);
    // Replaces the whole text (undoable). A plain string takes the first character's
    // attributes.
    void setContents(const QTextDocument &contents);
    void setContents(const QString &text);
    static QString replaceSubString(const QString &string, const QString &find,
                                    const QString &replaceWith);
    // YES while the in-place editor works on this object's text.
    bool isEditingText() const;
    // The objects a design or a copy writes, looked up once: each one's place in the list, and
    // for each linked-text chain the box that writes it (the first of its boxes written), which
    // alone stores the chain's text.
    class LinkedTextPlaces
    {
    public:
        explicit LinkedTextPlaces(const GraphicList &graphics);
        // -1 for an object not written.
        qsizetype indexOf(const ColorRect *graphic) const { return m_places.value(graphic, -1); }
        bool contains(const ColorRect *graphic) const { return m_places.contains(graphic); }
        // Null when no box of the chain is written.
        const ColorRect *chainWriter(const TextFlow *flow) const { return m_writers.value(flow, nullptr); }
        // Each object's place, as the groups' stored forms look them up.
        const QHash<const ColorRect *, qsizetype> &places() const { return m_places; }

    private:
        QHash<const ColorRect *, qsizetype> m_places;
        QHash<const TextFlow *, const ColorRect *> m_writers;
    };
    // For the first box of a chain of several: the positions in `graphics` of the other
    // boxes in chain order, joined by ","; a null string for any other box. `places` are
    // those of `graphics`, found once for a whole list.
    QString linkedTextViewsString(const GraphicList &graphics, const LinkedTextPlaces *places = nullptr);
    // Whether the object's stored form carries its text: every object but the boxes of a
    // linked-text chain behind the one that writes the chain.
    bool writesOwnText(const LinkedTextPlaces &places) const;
    // After a document's objects are loaded: each first box takes back the boxes its stored
    // list names, in the stored order, and forgets the list.
    static void relinkTextChains(const GraphicList &graphics);
    // Which stored forms take their text from the first box of their chain: the boxes another
    // form's "FirstTextView" lists (not listing boxes of their own). Earlier versions stored the
    // chain's whole text in every box; it is read once, from the first box.
    static std::vector<bool> textsFromChains(const PropertyListArray &forms);
    // Reads the text of a chain once: the forms of boxes whose text comes from their chain lose
    // it before their objects are made.
    static void dropChainText(QVariantMap &form);

    // ---- stored form (ColorRect_plist.cpp) ----
    // The object's dictionary. `graphics`, the document's objects, gives the indexes of a
    // linked-text chain, whose text only the box that writes the chain stores; null writes
    // none. `places` are those of `graphics`, found once for a whole list.
    virtual QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                                   const LinkedTextPlaces *places = nullptr);
    // The same in template mode: images are stored by path whatever "imgToDoc" says.
    QVariantMap propertyListRepresentationTemplate(const GraphicList *graphics = nullptr,
                                                   const LinkedTextPlaces *places = nullptr);
    // Starts, on a worker, what the next stored form by path (in template mode when
    // `forTemplate`) does with the picture's file (PictureCopy), shared among the objects of
    // `batch` that hold the same picture from the same file; the form then only waits for it.
    void startPictureCopy(PictureCopy::Batch &batch, bool forTemplate = false);
    // Whether propertyListRepresentation(nullptr) reads nothing but this object, its own text
    // and its picture (the work on the picture's file waited for is what startPictureCopy
    // began for this form), so that the forms of many such objects may be made on other threads at once
    // while the window's thread waits for them. Readies on this thread what the reading
    // would otherwise make on first use. `text` is the object's text, null when it has none.
    virtual bool formReadableOffThread(const QTextDocument **text);
    // Sets the object from a dictionary; missing keys leave fields as they are, values of
    // the wrong type or out of range are ignored or read as the nearest sound value.
    virtual void loadPropertyListRepresentation(const QVariantMap &dict);
    // A new object of the kind named by "Class", loaded from the dictionary; null for a
    // name the object factory does not know.
    static std::shared_ptr<ColorRect> graphicWithPropertyListRepresentation(const QVariantMap &dict);
    // Whether the object a stored form gives may be made on another thread: its making reads
    // nothing but the form (no picture, no source of a field or barcode, no shared outline).
    static bool formMakeableOffThread(const QVariantMap &dict);
    // The part of it a form's "Class" alone answers.
    static bool kindMakeableOffThread(const QVariant &kind);
    // An object made on another thread gives its text to the thread that will use it.
    void moveTextToThread(QThread *thread);
    // Where a stored image path points now: paths into an old copy of the application or
    // the machine-wide support folder move into the resources; legacy clip-art folders of
    // the built-in clip-art take their new names.
    static QString currentImagePath(const QString &storedPath);

    // ---- drawing (ColorRect_draw.cpp) ----
    // Paints the object in page points through the painter's current transform: mirrors and
    // rotation, shadow, fill, image, stroke, text. Every step saves and restores the
    // painter's state. The rectangle and the flag are for kinds that need them.
    virtual void drawFrame(QPainter *painter, const QRectF &aRect, bool selected);
    // The object's outline, made anew on every call: the frame inset by half the stroke
    // width when a stroke is drawn (so the stroke stays inside the box), or the shaped-text
    // glyph outline. Empty means the object has no outline.
    virtual BezierPath bezierPath() const;
    // The plain frame rectangle.
    BezierPath bezierClipPath() const;
    // The image at its place in the frame.
    virtual void drawImage(QPainter *painter);
    // The object's own text inside its frame (ColorRect_textDraw.cpp).
    virtual void drawText(QPainter *painter);
    // On the screen of a design of many objects (drawsScreenOfMany), YES when the text is laid
    // out for this drawing: `layOut` runs now while the repaint has time left for texts; else
    // the object is left to lay its text out aside (layOutTextAside), a slice at a time while
    // the window answers, and is drawn again once laid out. Elsewhere `layOut` runs at once.
    bool textLaidOutNowOrAside(const QPainter *painter, const std::function<void()> &layOut) const;
    // Lays out what drawText() shows, outside a drawing.
    virtual void layOutTextAside() const;
    // Forgets the text left aside; the destructor of a kind whose layout reaches its own
    // members calls it before they go.
    void dropTextAside();
    // Draws the object for a printed or exported label: shadows do not follow the screen's
    // zoom and no selection look is drawn, whatever the canvas is showing.
    virtual void printFrame(QPainter *painter, const QRectF &aRect, int label_num);
    // The shaped-text drawing under the in-place editor, in the editor's own coordinates
    // (the frame moved to the origin), once after each setEditable().
    virtual void drawRect(QPainter *painter, const QRectF &rect);
    void setEditable(bool flag);
    bool isEditable1() const { return _iseditable; }
    // A blue cross through the centre of the outline that keeps its size on the screen.
    virtual void drawCenter(QPainter *painter);
    // The outline that text of other objects runs around: the turned outline, or for the
    // label-wide runaround mode 2 a band across the whole canvas at the outline's height.
    BezierPath bezierWrapPath() const;
    // The print command while the object's text has the keyboard focus; the canvas prints.
    void print();
    // YES while the object draws for printing or export.
    bool isDrawingForPrint() const;
    // The canvas's displayed zoom on the screen (hairlines divide by it); 1 when printing or
    // exporting or without a canvas.
    double displayedZoom() const;
    // YES when the last drawing found that the text does not fit the last box of its chain.
    bool isOverfilled() const { return overfill; }

    // ---- selection look (ColorRect_knobs.cpp) ----
    // Knobs, the dashed outline of an unstroked object and the text-link marks, at a
    // constant size on the screen; nothing while printing.
    virtual void drawSelect(QPainter *painter, const QRectF &aRect);
    virtual void drawHandlesInView(QPainter *painter);
    void drawHandleAtPoint(const QPointF &point, QPainter *painter);
    // The knobs at `points`, the painter's mapping and the colours found once for them all.
    void drawHandlesAtPoints(std::span<const QPointF> points, QPainter *painter);
    // The same for anything marked with knobs (a group): their size on the screen at `zoom`.
    static void drawKnobs(QPainter *painter, std::span<const QPointF> points, double zoom, const QColor &knob);
    // The colour of the knobs of what is locked, of what keeps its size, of the rest.
    static QColor knobColor(bool locked, bool resizable);
    // Bit n set for each knob n the object offers.
    virtual unsigned knobMask() const;
    // Where edge knob 2, 4, 5 or 7 lies for the rulers. On a rotated object the answer is
    // the outermost turned corner in that direction and `knob` becomes its knob number.
    QPointF knobLocation(int &knob) const;
    // Corner 0, 1, 2, 3 (top-left, then clockwise) to knob 1, 3, 8, 6; anything else to 0.
    static int indexToKnob(int index);
    virtual void drawLinks(QPainter *painter);
    void drawLinkAtPoint(const QPointF &point, QPainter *painter, bool next);
    // The area to redraw for the object.
    QRectF update_bounds() const { return drawingBounds(); }

    // ---- interaction (ColorRect_interaction.cpp) ----
    static constexpr float handleWidth() { return 6.0f; }
    static constexpr float handleHalfWidth() { return 3.0f; }
    // Creation by dragging, driven by the canvas's mouse tracking: the press, each drag
    // position (page points, snapped here by the canvas grid) with the modifier flags of
    // that event, and the release, which answers whether the frame has any size.
    void beginCreate(const QPointF &point);
    void continueCreate(const QPointF &point, unsigned modifierFlags);
    bool endCreate();
    // One resize step of a knob drag towards the point; answers the knob for the next step,
    // which changes when the drag crosses the opposite side. Shift and Option come from the
    // modifier flags (0 when the step has no event).
    virtual int resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags);
    // Adds the delta to the angle, kept within 0 to 360; registers nothing.
    virtual void rotateByMovingKnob(float delta);
    // Around a rotation drag: the end registers one inverse back to the angle at the
    // beginning, named "Rotate Object(s)", when the angle changed.
    void beginRotation();
    void endRotation();
    // Toggle the mirrors without undo or redraw.
    virtual void flipHorizontally() { _flipV = !_flipV; }
    virtual void flipVertically() { _flipH = !_flipH; }
    // The knob across the vertical axis (horizontal YES) or the horizontal axis.
    static int flipKnob(int knob, bool horizontal);
    // The knob under a page point: 1 to 8, 11 for the rotation knob, 0 for none.
    virtual int knobUnderPoint(const QPointF &point) const;
    // 11 when the point (in the unrotated frame) lies on a rotation knob square of the size
    // of `knobRect`, else 0.
    virtual int rotateKnobUnderPoint(const QRectF &knobRect, const QPointF &point) const;
    // 1 for the previous-box mark, 2 for the next-box mark, 0 for none.
    int linkUnderPoint(const QPointF &point) const;
    virtual bool hitTest(const QPointF &point, bool selected) const;
    // Moves the frame (undoable, nothing when locked) and marks the document changed.
    void moveBy(const QPointF &delta);
    // Moves the image inside the frame; no undo.
    void moveImageBy(const QPointF &delta);
    virtual QRectF drawingBounds() const;
    // The bounds of the outline turned by the angle (none without an outline): what
    // drawingBounds() covers of a turned object.
    virtual std::optional<QRectF> turnedOutlineBounds() const;
    // Where the object's drawing for print lands, in page points as the object is placed, when
    // the object can tell exactly (a null rectangle: it draws nothing); none when it cannot.
    // A printed label leaves out its outline's clip when everything drawn lies inside it.
    virtual std::optional<QRectF> printedBounds() const { return std::nullopt; }
    // How far a drawn shadow reaches beyond what casts it: its distance and twice its blur.
    double shadowReach() const;
    // YES when the rubber band touches the object's own turned outline (its shadow and
    // its knobs do not count).
    virtual bool outlineIntersectsRect(const QRectF &rect) const;
    QRectF rulerBounds() const;
    // The frame's outline turned by the angle (the plain frame when it is 0).
    virtual BezierPath getRotatedBounds() const;
    // The bounds of the frame's outline turned by the angle, as the base getRotatedBounds()
    // gives them, without building the path: a turn of thousands of merge field pairs asks
    // for them several times per pair at every step.
    QRectF turnedFrameBounds() const;
    // The path turned about the frame centre by the angle; none for an empty path or angle 0.
    std::optional<BezierPath> getRotatedBoundsPath(const BezierPath &path) const;
    // The rectangle turned a quarter about its centre unless the angle is a whole half turn.
    QRectF rotateRectCenter(const QRectF &rect) const;
    // Turn and mirror the painter about the frame centre as the object is drawn.
    void rotateFrame(QPainter *painter, float angle) const;
    void flipFrame(QPainter *painter) const;

protected:
    // What scaleByX changes, as a function that puts it back; an object that scales more
    // adds its own.
    virtual std::function<void(ColorRect &)> scaledState() const;
    // Registers `inverse` (run on this object) with the canvas's undo manager; nothing
    // without a canvas or while the object is not held by a shared_ptr.
    void registerUndo(std::function<void(ColorRect &)> inverse);
    // Names the undo action; nothing without a canvas.
    void setActionName(const QString &name);
    // Names the undo action by its key in the language table, looked up only where a step
    // will carry the name.
    void nameAction(const char *key);
    // Redraws the object through the canvas; nothing without a canvas.
    void invalidate();
    void updateRulers();

    // The common order of an undoable style setter: register the inverse (the same setter
    // with the old value), store, clear the template flag, redraw when asked, name.
    enum class Redraw { None, Object };
    enum class TemplateFlag { Keep, Clear };
    template <typename T, typename Arg>
    void changeStyle(T &field, const T &value, void (ColorRect::*setter)(Arg),
                     const QString &action, Redraw redraw, TemplateFlag flag = TemplateFlag::Clear);
    // An image offset or scale held to [low, high] and changed as one undo step; the canvas
    // redraws. A value that is no number changes nothing.
    void changeImagePlacement(float &field, float given, double low, double high, void (ColorRect::*setter)(float),
                              const char *actionKey, TemplateFlag flag = TemplateFlag::Clear);

    // Merge kinds observe "RecordChangedNotification" with updateContents() from creation to
    // destruction (ColorRect_merge.cpp).
    void observeRecordChanges();
    void stopObservingRecordChanges();

    // ---- hooks of the object image (ColorRect_image.cpp) ----
    // The image's dictionary for the stored form, or a null QVariant without an image.
    QVariant imagePropertyList(bool includeImageData) const;
    // Reads the stored "Image" value; `imageLoaded` tells whether "ImagePath" gave one.
    void loadImagePropertyList(const QVariant &value, bool imageLoaded);
    // Gives the copy an image object of its own equal to this one's.
    void copyImageTo(ColorRect &target) const;
    void passTintToImage();
    void passTintColorToImage();
    void passTileToImage();
    void passMonoToImage(bool flag);

    // The stored form's path part in path mode: the file the form names, holding the picture
    // the object shows (an outside picture copied among the user's clip-art first); empty when
    // no file holds it, and the form holds the picture itself. The object takes the path named.
    QString imagePathForWriting();
    // Whether the stored form is written by path, not with the picture inside.
    bool writesImageByPath() const;
    // Puts back a path and image object (and the stored settings of a missing picture) for
    // undo and redo of setImagePath(), registering the way back.
    void restoreImage(const QString &path, const std::shared_ptr<specImage> &image,
                      const std::optional<QVariant> &missingImage);
    // The same for setFilteredImage(), with the filtered mark.
    void restoreFilteredImage(const QString &path, const std::shared_ptr<specImage> &image,
                              const std::optional<QVariant> &missingImage, bool filtered);
    // The frame crossed out in grey where a missing picture would be; on the screen only.
    void drawMissingImage(QPainter *painter) const;

    QRectF _frameBounds;
    QColor _color_fill;
    QColor _color_stroke;
    std::shared_ptr<specImage> _image;
    QString image_path;
    // Set while the picture of image_path is missing: the stored "Image" value as it was
    // read (an invalid QVariant when there was none), written back unchanged.
    std::optional<QVariant> _missingImage;
    // The work on the picture's file started for the next stored form, and what it was
    // started for (PictureCopy::batchKey).
    PictureCopy::Pending _pictureCopy;
    QString _pictureCopyKey;
    // How the next stored form stores the picture, answered beforehand on the window's thread
    // for a form written on another (the settings are read there only); that form takes it.
    std::optional<bool> _formByPath;
    // Readies the picture's part of a form to be written on another thread; false when only
    // this thread may write it.
    bool readyPictureFormOffThread();
    CanvasServices *_mainView = nullptr;
    float _ximg_offset = 0.0f;
    float _yimg_offset = 0.0f;
    float _ximg_scale = 100.0f;
    float _yimg_scale = 100.0f;
    float _angle = 0.0f;
    float _lineWidth = 1.0f;
    bool _locked = false;
    bool _stroke = false;
    bool _fill = true;
    bool _shadow = false;
    bool _drawsimg = true;
    bool _isedit = false;
    bool _iseditable = false;
    bool _isresizable = true;
    bool _isscalewithbox = true;
    bool _isback = false;
    QString _pageName;
    int _mlayer = 1;
    bool _isTemplate = false;
    int _textWrap = 0;
    std::optional<BezierPath> clip;
    bool overfill = false;
    QString textViewsStr;
    float img_opacity = 100.0f;
    float img_tile = 1.0f;
    int _textRunaroundState = 0;
    int _textRunaroundMode = 0;
    int _fillType = 0;
    QColor _fillColor2;
    double _fillAngle = 0.0;
    double _fillIntensity = 0.5;
    double _shadowDistance = 10.0;
    QColor _shadowColor;
    double _shadowAngle = 45.0;
    int _shadowBlur = 10;
    int _linePattern = 0;
    bool _fixRatio = false;
    bool _tint = false;
    QColor _tintColor;
    bool _flipH = false;
    bool _flipV = false;
    Group *group = nullptr;
    bool _filter = false;
    bool _powertext = false;
    int _powertype = 1;
    bool _flag = true;
    int _pk = 0;
    int _anchor = 0;

    // Shared by every box of a linked-text chain.
    mutable std::shared_ptr<QTextDocument> _text;
    const std::shared_ptr<QTextDocument> &sharedTextStorage() const;
    std::shared_ptr<TextFlow> _textFlow;
    std::unique_ptr<TextContainer> _container;

    // Makes the flow and a plain box when the object has none.
    void ensureTextFlow();
    // What formReadableOffThread asks of every kind: a picture whose part of the form is
    // readied here, and a text read through its runs alone.
    bool partsReadableOffThread(const QTextDocument **text);
    // Puts `container` in place of the object's box at the same place in the chain.
    void replaceTextContainer(std::unique_ptr<TextContainer> container);
    // Leaves the chain with a document and flow of its own.
    void detachFromChain();
    // The character the getters read: the selection start (one back at the end of the
    // text) while editing, else 0; -1 when there is none.
    int currentCharacter() const;
    void applyAlignment(Qt::Alignment alignment);
    // The character formats of a stretch of the text, run by run, paragraph breaks
    // included, so that an undo puts every run back as it was.
    struct FormatRun
    {
        int start = 0;
        int length = 0;
        QTextCharFormat format;
        // The document's number of the format: runs of one format are converted once.
        int formatIndex = -1;
    };
    QList<FormatRun> formatRuns(TextRange range) const;
    // Gives the runs their formats back, registering the formats they have now as the way
    // back under the same action name.
    void restoreFormatRuns(const QList<FormatRun> &runs, const QString &action);
    void registerFormatRunsUndo(const QList<FormatRun> &runs, const QString &action);
    // Gives each run of the range the format `convert` makes of its own, in one edit block,
    // registering the runs as they were under `action`; each distinct format is converted once.
    void convertTextRuns(TextRange range, const std::function<QTextCharFormat(const QTextCharFormat &)> &convert,
                         const QString &action);
    // The alignment of each paragraph of a range (none: the paragraph follows its direction),
    // so that an undo puts back every paragraph's own.
    struct ParagraphAlignment
    {
        int position = 0;
        std::optional<Qt::Alignment> alignment;
    };
    QList<ParagraphAlignment> paragraphAlignments(TextRange range) const;
    // Gives the paragraphs their alignments back, registering those they have now as the way
    // back.
    void restoreParagraphAlignments(const QList<ParagraphAlignment> &paragraphs);
    // Sizes every box of the chain to its object's frame and gives it its object's
    // obstacles, so that no box is laid out with the state of an earlier drawing.
    void refreshChainContainers();
    // refreshChainContainers() and the layout, once a drawing pass for the whole chain.
    void bringChainUpToDate();
    // YES when the chain's boxes are brought up to date and its layout is current, as after
    // bringChainUpToDate(), without laying it out.
    bool chainLaidOut();
    struct TextAsideToken;
    struct LayoutsAside;
    // Names the object among those whose texts are laid out aside.
    mutable std::shared_ptr<TextAsideToken> m_textAsideToken;

    friend class ObjectTextEditor;

    // ---- drawing helpers and hooks ----
    // Paints through `paint` with the object's shadow, its distance and blur in page points
    // whatever the painter's zoom or the output's resolution; `approxBounds` encloses what
    // is painted.
    void paintWithShadow(QPainter *painter, const QRectF &approxBounds,
                         const std::function<void(QPainter *)> &paint) const;
    // The same, the blurred layer kept for the screen when `source` says all that the coverage
    // of `paint` depends on (Shadow::Source); paper, PDF and exports draw it afresh.
    void paintWithShadow(QPainter *painter, const QRectF &approxBounds, const std::function<void(QPainter *)> &paint,
                         const std::optional<Shadow::Source> &source) const;
    // Draws the fill's gradient into `bounds` from an image of it at the painter's scale, kept
    // for every gradient of the same look and size; NO when the painter's scale or the bounds
    // are beyond such an image.
    bool drawKeptGradient(QPainter *painter, const QRectF &bounds) const;
    // A source of a shadow for paintWithShadow, cast from the frame's corner, named by `kind`.
    Shadow::Source shadowSource(char kind) const;
    // Adds to a source what a colour's coverage depends on: whether it paints, and its alpha.
    static void addCoverage(Shadow::Source &source, const QColor &color);
    // Adds an outline to a source, from the source's corner; NO (and nothing added) for an
    // outline too long to name that way.
    static bool addOutline(Shadow::Source &source, const BezierPath &outline);
    // Adds an outline of any length to a source, from the source's corner, as a digest of it.
    static void addOutlineDigest(Shadow::Source &source, const BezierPath &outline);
    // The shadow paintWithShadow draws, as a value another thread may draw with; none when its
    // colour shows nothing.
    std::optional<Shadow> shadowLook() const;
    // Draws a prepared image of nominal size `imageSize` (points) at the object's image
    // placement, turned by `rotation` whole degrees about its own centre.
    void drawPreparedImage(QPainter *painter, const QImage &prepared, QSizeF imageSize,
                           bool isVector, int rotation);
    // How a drawing takes the prepared image: as prepared for it, however long that takes
    // (paper, a PDF, an exported image); as the screen does, which never waits for a raster or
    // a decoding but has it made on the picture worker and draws what is held meanwhile; or as a
    // thumbnail does (the picture a design's file carries), which draws what is held.
    enum class ImageUse { Exact, Screen, Thumbnail };
    // What drawImage() paints: the image prepared for drawing (masked, tinted, tiled), its
    // nominal size in points, whether it is a vector image, and its own rotation in whole
    // degrees. A null image draws nothing (ColorRect_image.cpp); `waiting` says that the
    // screen's image is being made meanwhile.
    struct PreparedImage
    {
        QImage image;
        QSizeF size;
        bool isVector = false;
        int rotation = 0;
        bool waiting = false;
    };
    // `devicePixels` is the whole picture's size on the output, when known: a vector picture
    // is rasterised no finer than that.
    virtual PreparedImage preparedImage(QSizeF devicePixels = QSizeF(), ImageUse use = ImageUse::Exact);
    // The use the drawing on `painter` makes of the image.
    ImageUse imageUse(const QPainter *painter) const;
    // Whether the drawing on `painter` may take the kept looks (gradient images, shadow layers)
    // made once for alike objects: the screen's, and the small picture a document or a copy
    // carries, both made on the window's thread. Paper, PDF and exports are drawn exactly.
    bool takesKeptLooks(const QPainter *painter) const { return imageUse(painter) != ImageUse::Exact; }
    // Whether `painter` draws the screen of a design of so many objects that a repaint of
    // all of them cannot fill and stroke each outline that crosses many pixels anew: such a
    // drawing is then copied from a picture kept of it.
    bool drawsScreenOfMany(const QPainter *painter) const;
    // Where the picture goes, lightly shaded, while the screen's image of it is being made.
    void drawPendingImage(QPainter *painter, QSizeF imageSize, bool isVector, int rotation) const;
public:
    // From this many objects in a design the screen copies costly outlines from pictures
    // (drawsScreenOfMany).
    static constexpr qsizetype ManyObjects = 1000;
    // Objects whose text a repaint left to lay out aside and that are not laid out yet (tests
    // and benchmarks wait for none).
    static int textsAside();
    // The time a repaint lays texts out before it leaves the others aside, and the time a slice
    // aside takes (at least one text); negative: as usual. Tests see both ways of laying out.
    static void setLayoutTimesForTesting(qint64 shareNs, qint64 sliceNs);
    // While one lives on the window's thread, drawings into other images are for the screen (a
    // kept picture of the object that the canvas shows).
    class ScreenDrawing
    {
    public:
        ScreenDrawing();
        ~ScreenDrawing();
        ScreenDrawing(const ScreenDrawing &) = delete;
        ScreenDrawing &operator=(const ScreenDrawing &) = delete;
        // Whether one lives on this thread.
        static bool active();
        // Counts the stand-ins drawn into such images on this thread while their objects'
        // pictures are made aside: an image holding one is out of date once they come.
        static void standInDrawn();
        static quint64 standInsDrawn();
    };

protected:
    // Where the picture of nominal size `imageSize` lands in page points.
    QRectF imageDestination(QSizeF imageSize, bool isVector) const;
    // The glyph outline of shaped text inside `glyphRect` (ColorRect_textDraw.cpp).
    virtual BezierPath shapedTextOutline(const QRectF &glyphRect) const;
    // The boxes of the object's linked-text chain and this box's place in it
    // (ColorRect_textDraw.cpp).
    virtual int textContainerCount() const;
    virtual int textContainerIndex() const;
    // YES when the object's group shows the knobs instead of the object.
    bool knobsBelongToGroup() const;
    // Sets the angle back for undo or redo of a rotation drag, registering the way back.
    void restoreRotation(float angle);

    int _createKnob = 8;
    float _rotationStartAngle = 0.0f;
    bool _rotationTracking = false;
    int _printDepth = 0;
    // The prepared image as the canvas draws it: reduced by whole halvings to the least that
    // still holds the pixels the frame covers on the screen, so that a repaint (a drag, a nudge,
    // a zoom step) never scales a photo of tens of megapixels. Keyed by the prepared image, so
    // a new picture, effect, tint, mask or tile rebuilds it; a frame size or zoom that needs
    // more pixels, or under a quarter of them, rebuilds it too. Printing and export draw
    // from the prepared image itself.
    struct ScreenImage
    {
        qint64 source = 0;
        int halvings = 0;
        QImage image;
    };
    ScreenImage _screenImage;
    // The image to draw `prepared` from on the screen when `devicePixels` of it are shown.
    const QImage &screenImage(const QImage &prepared, QSizeF devicePixels);

    // On only while propertyListRepresentationTemplate() runs.
    static bool templateMode;
};

template <typename T, typename Arg>
void ColorRect::changeStyle(T &field, const T &value, void (ColorRect::*setter)(Arg),
                            const QString &action, Redraw redraw, TemplateFlag flag)
{
    const T old = field;
    registerUndo([setter, old](ColorRect &object) { (object.*setter)(old); });
    field = value;
    if (flag == TemplateFlag::Clear)
        _isTemplate = false;
    if (redraw == Redraw::Object)
        invalidate();
    setActionName(action);
}

} // namespace quillmark
