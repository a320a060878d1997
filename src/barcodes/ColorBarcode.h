#pragma once
// The graphic object that shows one barcode on a label. Its frame follows the extent of the
// symbol that the data and metrics give; only the two square symbologies (Data Matrix and QR
// Code) are resized by their knobs. At print time each label may carry its own value from a
// counter or a sequence file.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

#include "barcodes/BarcodeRenderer.h"
#include "barcodes/TBarInfo.h"
#include "barcodes/TSequence.h"
#include "objects/ColorRect.h"
#include "objects/KeptPicture.h"

class QPainter;

namespace quillmark {

class ColorBarcode : public ColorRect
{
public:
    ColorBarcode();
    explicit ColorBarcode(const QRectF &frame);
    ~ColorBarcode() override;

    static std::shared_ptr<ColorBarcode> create(const QRectF &frame = QRectF());

    QString className() const override;
    std::shared_ptr<ColorRect> newInstance() const override;
    // A copy shows the same symbol: the records, the numbering settings and the flags go
    // with the base object's values.
    void copyValues(ColorRect &target) const override;

    // ---- the two records ----
    // A copy of the whole record.
    TBarInfo getBarInfo() const { return _barInfo; }
    // Takes the data, symbology, metrics and flags of the record (not its font, rotation,
    // extent, origin or text height), then recomputes the frame. No undo: the inspector and
    // the drawer edit a barcode only through this.
    void setBarInfo(const TBarInfo &info);
    // Puts back a record and the frame it had, as the undo of a record edit does: a square
    // symbol gets its side back, a linear one its extent at that origin.
    void restoreBarInfo(const TBarInfo &info, const QRectF &frame);
    // A square symbol (Data Matrix, QR Code) whose frame reaches past `area` shrinks to fit,
    // its top-left corner kept; where that would leave its modules too small to read, it
    // keeps minimumReadableSide() and moves up and in. Other symbols, an empty area and a
    // symbol whose corner lies outside the area are left alone.
    void keepSymbolInside(const QRectF &area);
    // The side in points a square symbol of the present data needs for modules of
    // minSquareModule; 0 for a linear symbol.
    double minimumReadableSide() const;
    // The narrowest module of a square symbol that a phone or a hand reader still takes
    // from a label, in mils.
    static constexpr double minSquareModule = 15.0;
    // Data Matrix and QR Code: sized by their frame, not by bar metrics.
    static bool isSquareType(int type);
    bool isSquareSymbol() const { return isSquareType(_barInfo.type); }

    // The bar metrics the inspector and the drawer take: bars need some width and height,
    // and a symbol must stay within what its extent can hold.
    static constexpr double minBarWidth = 0.1;   // mils
    static constexpr double maxBarWidth = 100.0; // mils
    static constexpr double maxWidthAdjust = 100.0; // mils, either way
    static constexpr double minBarHeight = 0.01; // inches
    // The narrowest bar or space that still prints as one: a mil, and no less than half the
    // mean module, below which the symbol no longer reads as its data.
    static double narrowestElement(double barW, double spaceW);
    // Why bars of barW and spaces of spaceW (mils) with the width adjustment would not print,
    // in the user's language; empty when every bar and space keeps the narrowest width.
    static QString elementWidthProblem(double barW, double spaceW, double widthAdjust);
    static constexpr double maxBarHeight = 20.0; // inches

    TSequence getSequenceInfo() const { return _sequence; }
    // Takes the numbering settings (not the loaded file entries), then recomputes the frame.
    void setSequenceInfo(const TSequence &sequence);
    bool isSeqActive() const { return _sequence.isPresent != 0; }
    // Whether each label shows data of its own (a counter or a file's entry).
    bool numbersLabels() const { return _sequence.isPresent != 0 && !_sequence.counter.empty(); }

    // The data decoded as UTF-8.
    QString getBarcodeString() const;
    // The symbol's extent height in points.
    double barHeight() const override;

    void setDrawBarcode(bool flag) override { _isDrawBarcode = flag; }
    bool isDrawBarcode() const { return _isDrawBarcode; }

    // The record the object sizes and draws with: its own, with the merged record value in
    // place of the typed data while the object is bound to a field.
    TBarInfo workingBarInfo() const;
    // The record with `value` as the merged value, as a record holding it would print.
    TBarInfo workingBarInfoFor(QString value) const;
    // What the drawing takes from the object and the user defaults beside the record.
    BarcodeDrawStyle drawStyle() const;
    // Frame from the symbol extent; the origin stays.
    void updateframeSize() override;
    // The same, keeping in place the edge or the centre the anchor names (1 the right edge,
    // 2 the centre, 0 the left edge), as data of another width come in.
    void updateframeSizeKeepingAnchor();

    // ---- the text font and colour ----
    QFont getFont() const { return _barInfo.font; }
    // The font panel's choice; the frame follows the text's new size.
    void setFont(const QFont &font);
    // Keeps a copy; null is ignored.
    void setSFont(const QFont *font);
    QFont textSize() const { return getFont(); }
    void setTextSize(const QFont &font) { setFont(font); }
    // Bars and text are drawn in the stroke colour; setting it is undoable.
    QColor textColor() const { return strokeColor(); }
    void setTextColor(const QColor &color) { setStrokeColor(color); }
    // Only the foreground colour (key "ForegroundColor", a QColor) is carried.
    QVariantMap textAttributes() const;
    void setTextAttributes(const QVariantMap &attributes);

    // ---- record data ----
    std::optional<QString> saveBarData() const { return _saveBarData; }
    void setSaveBarData(const std::optional<QString> &data) { _saveBarData = data; }
    bool useAddressData() const { return _useABData; }
    void setUseAddressData(bool flag) { _useABData = flag; }
    bool useVCardData() const { return _useVCard; }
    void setUseVCardData(bool flag) { _useVCard = flag; }
    // The merged value of the current record; "" until one arrives.
    QString mergedValue() const { return _barStr; }
    // "RecordChangedNotification": the value of the object's pk for the current record.
    void updateContents(const Notification *notification) override;
    // Takes a text value as the merged value, recomputes the frame and keeps the edge the
    // anchor names in place.
    void updateContentsWithObject(const QVariant &value) override;
    // Whether the record current in the database gives data the symbology encodes, as the
    // barcode would print it; a barcode bound to no field answers for its typed data. Nothing
    // of the object changes: a print job asks it of every record before it starts.
    bool encodesCurrentRecord() const;

    // ---- capabilities of the kind ----
    bool canStroke() const override { return false; }
    bool drawsStroke() const override { return false; }
    bool isResizable() const override;
    bool canFixRatio() const override { return true; }
    bool fixRatio() const override;
    void setFixRatio(bool) override {}
    bool drawsImage() const override { return false; }
    bool canDrawsImage() const override { return false; }
    void setScaleWithBoxOnly(bool) override {}
    void setScaleWithBox(bool) override {}

    // ---- geometry ----
    // Square symbologies only: a knob step that keeps the stored fix-ratio flag's proportion;
    // modifier keys play no part.
    int resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags) override;
    // Scales the frame, then the bar height by sy, the bar metrics by sx and the font by sy.
    void scaleByX(double sx, double sy) override;
protected:
    std::function<void(ColorRect &)> scaledState() const override;

public:

    // ---- stored form (ColorBarcode_plist.cpp) ----
    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                           const LinkedTextPlaces *places = nullptr) override;
    // The form reads the two records and the base object's fields, nothing the window's thread
    // changes while it waits: thousands of barcodes are written on several threads at once.
    bool formReadableOffThread(const QTextDocument **text) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;

    // ---- drawing and numbering (ColorBarcode_draw.cpp) ----
    void drawFrame(QPainter *painter, const QRectF &aRect, bool selected) override;
    // Lays the symbol out anew at its next drawing, as a barcode just made would.
    void forgetKeptDrawings()
    {
        _keptDrawings.reset();
        _pictureContent = nextPictureContent();
    }
    // The memory the screen's pictures of all barcodes may hold (the previous budget is
    // answered), and what they hold now.
    static qint64 setPictureBudget(qint64 bytes);
    static qint64 pictureBytesHeld();
    // A copy (Duplicate, Paste, Replicate) takes the drawings its source kept: each is used
    // only while it still matches the copy's own record, frame and style, as at every drawing.
    std::shared_ptr<const KeptDrawing> keptDrawingForCopies() const override;
    void takeKeptDrawing(const std::shared_ptr<const KeptDrawing> &kept) override;
    // How a linear symbol goes into a bitmap: its record with every bar and space whole
    // pixels, how far (in its own points) it moves along its bars to start on a pixel's edge,
    // and the area it takes.
    struct PixelBars
    {
        TBarInfo record;
        double shift = 0;
        QRectF shownArea;
    };
    // The symbol of `info` drawn through `toDevice` (from its own points, turned and mirrored,
    // to the bitmap's pixels), its room (the label, in its own points) beside it: nothing when
    // its bars do not run along the pixels' rows or columns. The module is the nearest in
    // whole pixels, or the whole pixels below it where the nearest would take the symbol past
    // its room (and past its frame).
    std::optional<PixelBars> pixelBars(const TBarInfo &info, const QTransform &toDevice, const QRectF &room) const;
    // The mean module in mils its bars take in a bitmap of `dotsPerInch` of the page area
    // `room` (the label), as its drawing puts them there.
    double bitmapModule(double dotsPerInch, const QRectF &room) const;
    // The two-line stand-in of a bound barcode while the user designs.
    void drawBarcodedPreview(QPainter *painter);
    void drawSelect(QPainter *painter, const QRectF &aRect) override;
    // Prints on one label with that label's sequence value; the data are put back after.
    void printFrame(QPainter *painter, const QRectF &aRect, int label_num) override;
    // Puts the label's sequence value into the data; NO when the label prints without this
    // barcode.
    bool makeSeqBarData(int label_num);
    // The data of that label, its sequence value applied; nothing when the label prints
    // without this barcode. Worked out on the window's thread for a copy drawn elsewhere.
    std::optional<std::string> sequenceData(int label_num);
    // Prints on one label with data worked out before; nothing without data.
    void printFrameWithData(QPainter *painter, const QRectF &aRect, const std::optional<std::string> &data);
    // Loads the sequence file's entries; NO (with sequenceFileMessage() set) when it cannot
    // be read or holds none. The path is kept either way.
    bool getseq_datafile();
    void emptyseq_datafile() { _sequence.data.clear(); }
    // Why the sequence file gave no entries; empty after a good read.
    QString sequenceFileMessage() const { return _sequenceMessage; }

private:
    void initBarcode();
    // The drawing kept for the screen and printers, or for bitmaps (whose bars are snapped to
    // pixels): each is laid out again only when what it shows changes.
    BarcodeDrawing &keptDrawing(bool snapped);
    // The drawing for the screen the next drawing would keep, its layout put off.
    void keepScreenDrawing();
    // Sets the frame the extent or a record refresh gives: not a user edit, so no undo.
    void setComputedFrame(const QRectF &rect);
    // Paints the kept drawing from a picture of it at the screen's scale; NO where the bars
    // are to be filled directly. With `clipToFrame` the picture is clipped to the frame, in
    // place of the painter's clip, and the stand-in fills the frame alone.
    bool drawFromPicture(QPainter *painter, const BarcodeDrawing &kept, bool clipToFrame = false);
    // Whether the painter draws to the screen where a picture of the barcode may stand for it.
    bool picturesOnScreen(const QPainter *painter) const;
    // The zoom a device draws at, whatever it turns or mirrors; 0 where no picture serves.
    static double screenScale(const QTransform &device);
    // The mirrors and turn the object is drawn with, from its own points to the page's.
    QTransform turnAndMirrors() const;
    // The small picture of the label draws the screen's picture of the barcode, stretched;
    // where there is none, what `paint` fills or the stand-in.
    void drawSmallPicture(QPainter *painter, BarcodeDrawing &kept, const std::function<void(QPainter *)> &paint);
    // What the frame is filled with while its picture is made.
    QColor standInColor() const;
    // A number no drawing had before: a picture shows the drawing of its number only.
    static quint64 nextPictureContent();
    // The pictures of all barcodes at the screen's scale share a budget of memory: a picture
    // that would pass it is not made, and the barcode is filled directly while the scale
    // stays (no picture is taken from another barcode to make it: with every barcode drawn
    // in turn, none would be kept). Pictures of another scale give way first.
    bool admitPicture(double scale, qint64 bytes);
    bool refusedAt(double scale) const;
    void leavePictureQueue();

    TBarInfo _barInfo;
    TSequence _sequence;
    QString _barStr;
    bool _isDrawBarcode = false;
    std::optional<QString> _saveBarData;
    bool _useABData = false;
    bool _useVCard = false;
    QString _sequenceMessage;
    std::unique_ptr<BarcodeDrawing[]> _keptDrawings; // made at the first drawing
    // The screen's picture of the drawing for the screen, and the number of that drawing.
    std::unique_ptr<KeptPicture> _picture;
    quint64 _pictureContent = 0;
    // The barcodes whose pictures were drawn just before and after this one's, and its size.
    ColorBarcode *_newerPicture = nullptr;
    ColorBarcode *_olderPicture = nullptr;
    qint64 _pictureBytes = 0;
    double _pictureScale = 0;
    // The scale (and budget) at which the budget had no room for this barcode's picture, and
    // the bytes it asked for.
    double _refusedScale = 0;
    quint64 _refusedBudgets = 0;
    qint64 _refusedBytes = 0;
};

} // namespace quillmark
