#pragma once
// A merge field: an object that shows one database field of the current record. Fields come
// in pairs held by a title-and-value group: the title member shows the field's title and a
// colon, the contents member the value. While the user designs, the contents member shows
// the title in brackets; in database preview and while printing it shows the record's value,
// or the record's picture for a picture (BLOB) field. A text field's frame follows its text.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QMetaObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

#include "database/store/tableField.h"
#include "objects/ColorRect.h"
#include "objects/StringLayout.h"

class QPainter;

namespace quillmark {

class FieldPair;

class ColorField : public ColorRect
{
public:
    // The text attributes every text the field builds for itself takes.
    struct Attributes
    {
        std::optional<QFont> font;
        std::optional<QColor> color;
        bool isEmpty() const { return !font && !color; }
        bool operator==(const Attributes &) const = default;
    };

    ColorField();
    explicit ColorField(const QRectF &frame);
    ~ColorField() override;

    static std::shared_ptr<ColorField> create(const QRectF &frame = QRectF());

    QString className() const override;
    std::shared_ptr<ColorRect> newInstance() const override;
    // The base values, also onto a target that is not the selected member, and the field's
    // own kind, alignment, profile and attributes.
    void copyValues(ColorRect &target) const override;

    // The field menu: the current database's fields offered for merging, in pk order, with
    // the composites "Full Name" and "City, State, Zip" among them, and the same without.
    static QList<tableField> fieldTitlesAndTags();
    static QList<tableField> fieldTitlesAndTagsOriginal();

    // ---- the pair ----
    // The title-and-value group that holds the field; null outside one.
    FieldPair *pair() const;

    // ---- flags and plain access ----
    bool isTitle() const { return _isTitle; }
    void setIsTitle(bool flag) { _isTitle = flag; }
    bool isSelected() const override { return _isSelected; }
    void setSelected(bool flag) override { _isSelected = flag; }
    // Only the selected member reports its style to the inspector.
    bool setsInfo() const override { return _isSelected; }
    int align() const { return _alignment; }
    void setAlign(int alignment) { _alignment = alignment; }
    int fieldProfile() const { return _profile; }
    void setFieldProfile(int profile) { _profile = profile; }
    Attributes fieldAttributes() const { return _attributes; }
    void setFieldAttributes(const Attributes &attributes) { _attributes = attributes; }
    bool isHidden() const override { return _hidden; }
    void setHidden(bool flag);
    // In-place editing of a member is done with its pair upright and undoes as one step:
    // entering turns the pair upright and opens an undo group, leaving turns it back and
    // closes the group. Nothing for a hidden field.
    void setEditable(bool flag);

    // A title member answers its pair's contents member's template flag.
    bool isTemplate() const override;
    bool isResizable() const override { return drawsImage(); }
    int resizeByMovingKnob(int knob, const QPointF &point, unsigned modifierFlags) override;

    // ---- kind ----
    // A picture field: bound to a BLOB field and not a title.
    bool drawsImage() const override;
    // The record's picture is shown only in database preview and while printing.
    bool canDrawsImage() const override { return showsRecordValues(); }
    // The margin by which the outline lies inside the frame and by which the members of a
    // pair overlap: 4 for a text field, 0 for a picture field.
    float inset() const;

    // ---- switched-off base behaviour ----
    void setPowerText(bool flag) override;
    bool setImagePath(const QString &path, QString *error = nullptr) override;
    void setScaleWithBox(bool flag) override;
    void drawText(QPainter *painter) override;

    // Moves the frame so that its origin is the point (used by the pair to move members).
    void setFrameOrig(const QPointF &point);

    // ---- text and measuring ----
    // The field's title as shown: the database's title of the pk, replaced by the user's
    // own title for its column, then by its translation.
    static QString titleText(int pk);
    QString titleText() const { return titleText(_pk); }
    // The text the field holds (the value or, for a title, the title and a colon).
    QString text() const;
    // The text as it is shown ("[title]" for a contents member in design mode), laid out
    // once for measuring, the pair's layout and drawing alike.
    const StringLayout &shownLayout() const;
    QSizeF naturalSize() const;
    void setSizeToMatchContents();
    void setSizeToMatchContentsNotAlign();
    // The first text line, for the pair's layout; its origin is relative to the frame.
    QRectF baselineRect() const;

    // ---- refresh ----
    void updateABRecord() override;
    void updateContents(const Notification *notification) override;
    void updateContentsWithObject(const QVariant &value) override;

    // ---- style of the selected member (undoable) ----
    std::optional<QFont> textSize() const;
    void setTextSize(const QFont &font);
    std::optional<QColor> textColor() const;
    void setTextColor(const QColor &color);
    // -1 unless the member is selected.
    int textAlign() const;
    void setTextAlign(int alignment);
    void setAnchor(int value);
    void setDrawsFill(bool flag) override;
    void setDrawsStroke(bool flag) override;
    void setDrawsShadow(bool flag) override;
    void setStrokeLineWidth(float lineWidth) override;
    void setFillColor(const QColor &color) override;
    void setStrokeColor(const QColor &color) override;
    void setLinePattern(int pattern) override;
    void setFillType(int type) override;
    void setFillColor2(const QColor &color) override;
    void setFillAngle(double degrees) override;
    void setShadowDistance(double distance) override;
    void setShadowColor(const QColor &color) override;
    void setShadowAngle(double degrees) override;
    void setShadowBlur(int blur) override;
    void scaleByX(double sx, double sy) override;
protected:
    std::function<void(ColorRect &)> scaledState() const override;

public:

    // A mouse-down on the member: the pair decides which member the inspector edits.
    void mouseDown(unsigned modifierFlags);

    // ---- drawing (ColorField_draw.cpp) ----
    void drawFrame(QPainter *painter, const QRectF &aRect, bool selected) override;
    BezierPath bezierPath() const override;
    void drawSelect(QPainter *painter, const QRectF &aRect) override;
    void drawImage(QPainter *painter) override;
    // The rectangle the outline follows: the frame less the inset, and half the stroke.
    QRectF outlineRect() const;
    // A text field without fill, stroke, shadow, turn or mirror prints its text's glyphs, or
    // its frame when the glyphs reach out of it and are clipped.
    std::optional<QRectF> printedBounds() const override;

    // ---- stored form ----
    QVariantMap propertyListRepresentation(const GraphicList *graphics = nullptr,
                                           const LinkedTextPlaces *places = nullptr) override;
    void loadPropertyListRepresentation(const QVariantMap &dict) override;
    bool formReadableOffThread(const QTextDocument **text) override;

private:
    // Replaces the whole text by `value` with the given attributes, outside undo.
    void replaceText(const QString &value, const Attributes &attributes);
    // A value merged while a sheet prints: only the layout takes it (see m_pendingValue).
    void setPendingText(const QString &value);
    // Writes a value merged while printing into the text, before the text itself is used.
    void writePendingText() const;
    // What the text holds as the layout takes it: one font and colour for text of one look,
    // ranges of formats otherwise.
    struct ShownText
    {
        QString text;
        QFont font;
        QColor color;
        QList<QTextLayout::FormatRange> formats;
    };
    ShownText shownText(const QString &text, const Attributes &attributes) const;
    QRectF measuredBaselineRect() const;
    const ShownText &documentText() const;
    Attributes effectiveAttributes() const;
    // Rotates the pair upright around a change, and back; nothing without a pair.
    QPointF turnUpright();
    void turnBack(const QPointF &centre);
    bool styleAccepted() const { return _isSelected || _acceptAnyStyle; }
    void setTextSizeInner(const QFont &font);
    void setAnchorInner(int value);

    int _profile = 1;
    int _alignment = 0;
    bool _isTitle = false;
    bool _isSelected = false;
    Attributes _attributes;
    bool _hidden = false;
    // On while the stored form is read, so that stored style reaches an unselected member.
    bool _acceptAnyStyle = false;
    QPointF _editCentre;

    // A sheet prints thousands of records and each label needs only the layout of its value:
    // while printing, the value is kept here instead of being edited into the text. The text
    // takes the value before anything else uses it (writePendingText), and when the print run
    // refreshes the objects once it is over.
    mutable std::optional<QString> m_pendingValue;
    ShownText m_pendingLook;
    // The shown text laid out, and the first line of the text for the pair when that is not
    // the shown text (design mode).
    mutable StringLayout m_shown;
    mutable StringLayout m_line;
    // The label a picture field shows in place of its picture.
    mutable StringLayout m_placeholder;
    // The document's text as the layout takes it, made again after the document changed.
    mutable std::optional<ShownText> m_documentText;
    mutable Attributes m_documentTextAttributes;
    // What the text's first character looks like, for the attributes it was found with.
    mutable std::optional<Attributes> m_effective;
    mutable Attributes m_effectiveFor;
    // The first line as last answered, and what it was worked out from: the pair lays its
    // members out after a change of either, and a command over thousands of pairs would
    // measure each unchanged member again.
    struct BaselineFor
    {
        int pk = 0;
        bool isTitle = false;
        quint64 generation = 0;
        Attributes attributes;
        uint fontResolved = 0;
        qreal scale = 1.0;
        std::optional<QString> pending;
        bool operator==(const BaselineFor &) const = default;
    };
    mutable std::optional<std::pair<BaselineFor, QRectF>> m_baseline;
    // The last look made of attributes, on the field's own attributes.
    mutable std::optional<ShownText> m_look;
    mutable Attributes m_lookFor;
    mutable Attributes m_lookBase;
    // Whether the field draws a picture, asked of the database on the window's thread for
    // the one form made elsewhere next: the database is not to be read from other threads.
    std::optional<bool> m_formDrawsImage;
    QMetaObject::Connection m_documentChanged;
};

} // namespace quillmark
