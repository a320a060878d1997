#include "inspector/TextPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "barcodes/ColorBarcode.h"
#include "canvas/RectsView.h"
#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/merge/GroupField.h"
#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/MyStepper.h"
#include "foundation/SegmentedControl.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/CanvasServices.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "objects/FontFaces.h"
#include "objects/specImage.h"
#include "platform/Appearance.h"
#include "platform/Bundle.h"
#include "platform/ColorWell.h"
#include "platform/Format.h"
#include "platform/UndoManager.h"

namespace quillmark {

namespace {

// The kinds whose text the page edits (a kind of them does not count).
bool isTextObject(const ColorRect &object)
{
    static const QStringList kinds = {QStringLiteral("ColorRect"), QStringLiteral("ColorOval"),
                                      QStringLiteral("ColorField"), QStringLiteral("ColorAddress"),
                                      QStringLiteral("ColorBarcode")};
    return kinds.contains(object.className());
}

// A text box or an oval, or a merge field while its text is edited in place.
bool isAlignable(const ColorRect &object)
{
    const QString kind = object.className();
    return kind == QLatin1String("ColorRect") || kind == QLatin1String("ColorOval")
        || (kind == QLatin1String("ColorField") && object.isEditable1());
}

// The font at a new size; none for a size no font takes.
std::optional<QFont> sizedFont(const QFont &font, double size)
{
    if (!std::isfinite(size) || size < TextPage::minTextSize || size > TextPage::maxTextSize)
        return std::nullopt;
    QFont sized = font;
    sized.setPointSizeF(size);
    return sized;
}

// A barcode keeps the font of its text without undo of its own: the page records the way back
// (and the way forward again) so that a size typed here is undone like any other.
void setBarcodeFont(ColorBarcode &barcode, const QFont &font)
{
    UndoManager *undo = barcode.undoManager();
    const std::shared_ptr<ColorRect> self = barcode.weak_from_this().lock();
    if (undo && self) {
        const QFont old = barcode.textSize();
        undo->registerUndo([self, old] {
            if (auto *held = dynamic_cast<ColorBarcode *>(self.get()))
                setBarcodeFont(*held, old);
        });
        undo->setActionName(Language::stringForKey(QStringLiteral("Change Text Size")));
    }
    barcode.setTextSize(font);
}

// The objects an action changes undo as one step, however many of them each setter groups.
class OneStep
{
public:
    explicit OneStep(ObjectInfoPanel *info)
        : m_undo(info->rectsView() ? info->rectsView()->undoManager() : nullptr)
    {
        if (m_undo)
            m_undo->beginUndoGrouping();
    }
    ~OneStep() { close(); }
    // Ends the step before the refresh that follows the edit.
    void close()
    {
        if (m_undo)
            m_undo->endUndoGrouping();
        m_undo = nullptr;
    }
    OneStep(const OneStep &) = delete;
    OneStep &operator=(const OneStep &) = delete;

private:
    UndoManager *m_undo;
};

// Titles a retype hid show again with its Undo and hide again with its Redo, in one record.
void setTitlesHidden(const QList<std::shared_ptr<ColorField>> &titles, bool hidden)
{
    if (titles.isEmpty())
        return;
    if (UndoManager *undo = titles.first()->undoManager())
        undo->registerUndo([titles, hidden] { setTitlesHidden(titles, !hidden); });
    for (const std::shared_ptr<ColorField> &title : titles)
        title->setHidden(hidden);
}

} // namespace

TextPage::TextPage(ObjectInfoPanel *info)
    : InspectorPage(info, ObjectInfoPanel::TextTab, QStringLiteral("InspectorText"), QStringLiteral("Text"))
{
    lbTextSize = addLabel(QStringLiteral("Size"), QRect(4, 8, 85, 22));
    tvTextSize = addField(QStringLiteral("tvTextSize"), QRect(90, 8, 52, 22));
    tvTextSize->setFormat(QStringLiteral("#,###.0 pt"));
    spTextSize = addStepper(QStringLiteral("spTextSize"), QRect(143, 8, 13, 22), 1.0, maxTextSize, 1.0);
    slTextSize = addSlider(QStringLiteral("slTextSize"), QRect(160, 8, 42, 22), 1, 144);
    lbTextColor = addLabel(QStringLiteral("Color"), QRect(4, 36, 85, 22));
    cwTextColor = addColorWell(QStringLiteral("cwTextColor"), QRect(90, 36, 48, 22));
    lbShowFonts = addLabel(QStringLiteral("Font"), QRect(4, 64, 85, 22));
    btnShowFonts = addButton(QStringLiteral("btnShowFonts"), QStringLiteral("Fonts..."), QRect(90, 64, 112, 24));
    // The family of the text, in italics when the machine lacks it.
    lbFontFamily = new QLabel(this);
    lbFontFamily->setObjectName(QStringLiteral("lbFontFamily"));
    lbFontFamily->setGeometry(90, 90, 112, 18);

    lbTextAilgn = addLabel(QStringLiteral("Alignment"), QRect(4, 114, 85, 22));
    scTextAilgn = new SegmentedControl(this);
    scTextAilgn->setObjectName(QStringLiteral("scTextAilgn"));
    scTextAilgn->setSegmentCount(4);
    scTextAilgn->setGeometry(90, 114, 112, 24);
    const QStringList tips = {QStringLiteral("Align Left"), QStringLiteral("Center"), QStringLiteral("Align Right"),
                              QStringLiteral("Justify")};
    for (int i = 0; i < 4; ++i) {
        QToolButton *segment = scTextAilgn->segmentButton(i);
        segment->setProperty("tag", alignmentTags[size_t(i)]);
        segment->setToolButtonStyle(Qt::ToolButtonIconOnly);
        segment->setIconSize(QSize(18, 14));
        const QString tip = Language::stringForKey(tips[i]);
        segment->setToolTip(tip.isEmpty() ? tips[i] : tip);
    }

    // The field pop-up has the column's whole width under its title: field names run long
    // ("Telefon geschäftlich", "Поле пользователя 1").
    lbFieldType = addLabel(QStringLiteral("Field"), QRect(4, 146, 198, 20));
    pbFieldType = new QComboBox(this);
    pbFieldType->setObjectName(QStringLiteral("pbFieldType"));
    pbFieldType->setGeometry(4, 166, 198, 22);
    cbShowTitle = addCheckBox(QStringLiteral("cbShowTitle"), QStringLiteral("Show Title"), QRect(4, 194, 198, 20));
    cbCapitalizeTitle = addCheckBox(QStringLiteral("cbCapitalizeTitle"), QStringLiteral("Capitalize Title"),
                                    QRect(4, 216, 198, 20));

    // The text along an oval; shown while an oval with text is selected.
    viewOvalText = new QWidget(this);
    viewOvalText->setObjectName(QStringLiteral("viewOvalText"));
    viewOvalText->setGeometry(0, 244, pageWidth, 52);
    auto *angleLabel = new QLabel(QStringLiteral("Text Angle"), viewOvalText);
    angleLabel->setGeometry(4, 0, 120, 22);
    LanguageControls::awakeFromNib(angleLabel);
    tvOvalTextAngle = new NumberField(viewOvalText);
    tvOvalTextAngle->setObjectName(QStringLiteral("tvOvalTextAngle"));
    tvOvalTextAngle->setProperty("tag", 2);
    tvOvalTextAngle->setFormat(QStringLiteral("#,###.00"));
    tvOvalTextAngle->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tvOvalTextAngle->setGeometry(126, 0, 76, 22);
    cbOvalTextFlip = new QCheckBox(QStringLiteral("Flip Text"), viewOvalText);
    cbOvalTextFlip->setObjectName(QStringLiteral("cbOvalTextFlip"));
    cbOvalTextFlip->setProperty("tag", 3);
    cbOvalTextFlip->setGeometry(4, 28, 198, 20);
    LanguageControls::awakeFromNib(cbOvalTextFlip);
    viewOvalText->hide();

    connectValue(tvTextSize, [this](QObject *s) { setTextSize(s); });
    connectValue(spTextSize, [this](QObject *s) { setTextSize(s); });
    connectValue(slTextSize, [this](QObject *s) { setTextSize(s); });
    connectValue(cwTextColor, [this](QObject *s) { setTextColor(s); });
    connectEdit(scTextAilgn, &SegmentedControl::segmentClicked, [this] { setTextAlign(scTextAilgn); });
    connectEdit(pbFieldType, &QComboBox::activated, [this] { setFieldType(pbFieldType); });
    connectValue(cbShowTitle, [this](QObject *s) { setShowTitle(s); });
    connectValue(cbCapitalizeTitle, [this](QObject *s) { setCapitilizeTitle(s); });
    connect(btnShowFonts, &QPushButton::clicked, this, [this] { showFonts(); });
    // The oval's controls are the canvas's: the inspector only shows their values.
    connectEdit(tvOvalTextAngle, &NumberField::valueEntered, [this] { rotateOvalText(); });
    connectEdit(cbOvalTextFlip, &QCheckBox::clicked, [this] { flipOvalText(); });

    updateAppearance();
}

// ---- what each kind answers and takes ----

std::optional<QFont> TextPage::fontOf(const ColorRect &object)
{
    if (const auto *field = dynamic_cast<const ColorField *>(&object))
        return field->textSize();
    if (const auto *address = dynamic_cast<const ColorAddress *>(&object))
        return address->textSize();
    if (const auto *barcode = dynamic_cast<const ColorBarcode *>(&object))
        return barcode->textSize();
    return object.textSize();
}

std::optional<QColor> TextPage::textColorOf(const ColorRect &object)
{
    if (const auto *field = dynamic_cast<const ColorField *>(&object))
        return field->textColor();
    if (const auto *address = dynamic_cast<const ColorAddress *>(&object))
        return address->textColor();
    if (const auto *barcode = dynamic_cast<const ColorBarcode *>(&object))
        return barcode->textColor();
    return object.textColor();
}

int TextPage::alignmentOf(const ColorRect &object)
{
    if (const auto *field = dynamic_cast<const ColorField *>(&object))
        return field->textAlign();
    return object.textAlign();
}

void TextPage::setSizeOf(ColorRect &object, const QFont &font, double size)
{
    const std::optional<QFont> sized = sizedFont(font, size);
    if (!sized)
        return;
    if (auto *field = dynamic_cast<ColorField *>(&object)) {
        field->setTextSize(*sized);
        return;
    }
    if (auto *address = dynamic_cast<ColorAddress *>(&object)) {
        address->setTextSize(*sized);
        return;
    }
    if (auto *barcode = dynamic_cast<ColorBarcode *>(&object)) {
        setBarcodeFont(*barcode, *sized);
        return;
    }
    if (!object.textStorage()) {
        object.setTextSize(*sized);
        return;
    }
    // Each run keeps its family and face at the new size: the selection of a text being
    // edited, else the whole text, in one pass and one undo record.
    const ColorRect::TextRange range = object.textChangeRange();
    if (range.second <= 0)
        return;
    object.convertTextFonts(range, [size](const QFont &font) { return sizedFont(font, size).value_or(font); });
    object.updateContainer();
}

void TextPage::setTextColorOf(ColorRect &object, const QColor &color)
{
    if (auto *field = dynamic_cast<ColorField *>(&object))
        field->setTextColor(color);
    else if (auto *address = dynamic_cast<ColorAddress *>(&object))
        address->setTextColor(color);
    else if (auto *barcode = dynamic_cast<ColorBarcode *>(&object))
        barcode->setTextColor(color);
    else
        object.setTextColor(color);
}

void TextPage::setAlignmentOf(ColorRect &object, int code)
{
    if (auto *field = dynamic_cast<ColorField *>(&object))
        field->setTextAlign(code);
    else
        object.setTextAlign(code);
}

bool TextPage::hasSizeThroughout(const ColorRect &object, const QFont &font, double size)
{
    if (font.pointSizeF() != size)
        return false;
    // The kinds of one font have it; a text of many runs has it when every run the size goes to
    // has it.
    if (dynamic_cast<const ColorField *>(&object) || dynamic_cast<const ColorAddress *>(&object)
        || dynamic_cast<const ColorBarcode *>(&object) || !object.textStorage())
        return true;
    return object.allTextRuns(object.textChangeRange(), [size](const QFont &run) { return run.pointSizeF() == size; });
}

int TextPage::segmentOfAlignment(int code)
{
    if (code == 1)
        return 2;
    if (code == 2)
        return 1;
    return code;
}

// ---- getters ----

std::optional<QFont> TextPage::textFont() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (std::optional<QFont> font = fontOf(*object))
            return font;
    return std::nullopt;
}

QString TextPage::textSize() const
{
    const std::optional<QFont> font = textFont();
    return font ? fmt2(font->pointSizeF()) : QString();
}

QColor TextPage::textColor() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (std::optional<QColor> color = textColorOf(*object); color && color->isValid())
            return *color;
    return QColor();
}

int TextPage::textAlign() const
{
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        const int code = alignmentOf(*object);
        if (code != -1)
            return segmentOfAlignment(code);
    }
    return 0;
}

int TextPage::fieldType() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (dynamic_cast<const ColorField *>(object.get()))
            return object->fieldPk();
    return 0;
}

int TextPage::showTitle() const
{
    const GroupField *group = selectedFieldGroup();
    return group && group->showTitle() ? 1 : 0;
}

int TextPage::capitalizeTitle() const
{
    const GroupField *group = selectedFieldGroup();
    return group && group->capitalizeTitle() ? 1 : 0;
}

float TextPage::ovalTextAngle() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (const auto *oval = dynamic_cast<const ColorOval *>(object.get()))
            return oval->textAngle();
    return 0.0f;
}

int TextPage::ovalTextFlip() const
{
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (const auto *oval = dynamic_cast<const ColorOval *>(object.get()))
            return oval->textFlip();
    return 0;
}

QList<GroupField *> TextPage::selectedFieldGroups() const
{
    const GraphicList &objects = selection();
    // The selection is looked up once per group: a set of it, not a search of the list for
    // each of thousands of pairs.
    QSet<const ColorRect *> selected;
    selected.reserve(objects.size());
    for (const std::shared_ptr<ColorRect> &object : objects)
        selected.insert(object.get());
    auto hasSelectedMember = [&selected](const Group &group) {
        const GraphicList &members = group.getObjects();
        for (int i = 0; i < std::min<qsizetype>(2, members.size()); ++i)
            if (selected.contains(members[i].get()))
                return true;
        return false;
    };
    QList<GroupField *> groups;
    if (auto *canvas = dynamic_cast<RectsView *>(info()->rectsView())) {
        for (const GroupPtr &group : canvas->groups())
            if (auto *fields = dynamic_cast<GroupField *>(group.get()); fields && hasSelectedMember(*fields))
                groups.append(fields);
        return groups;
    }
    // Without the canvas's list, the groups the selection meets, in the order met.
    for (const std::shared_ptr<ColorRect> &object : objects)
        if (auto *fields = dynamic_cast<GroupField *>(object->getGroup()); fields && !groups.contains(fields))
            groups.append(fields);
    return groups;
}

GroupField *TextPage::selectedFieldGroup() const
{
    if (auto *canvas = dynamic_cast<RectsView *>(info()->rectsView())) {
        const GroupPtr group = canvas->selectedGroup();
        return dynamic_cast<GroupField *>(group.get());
    }
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (Group *group = object->getGroup(); group && group->isSelected())
            return dynamic_cast<GroupField *>(group);
    return nullptr;
}

// ---- actions ----

void TextPage::setTextSize(QObject *sender)
{
    setTextSize(floatValueOf(sender));
}

void TextPage::setTextSize(double size)
{
    bool changed = false;
    const GraphicList objects = selection();
    OneStep step(info());
    for (const std::shared_ptr<ColorRect> &object : objects) {
        const std::optional<QFont> font = fontOf(*object);
        if (!font || !sizedFont(*font, size) || hasSizeThroughout(*object, *font, size))
            continue;
        setSizeOf(*object, *font, size);
        info()->invalidateGraphic(object.get());
        changed = true;
    }
    step.close();
    if (changed)
        info()->invalidateCanvas();
    // A size no font takes puts the field back to the size the text has.
    if (!objects.isEmpty())
        updateValues();
    info()->wasChanged();
    info()->makeRectViewKey();
    if (CanvasServices *canvas = info()->rectsView())
        canvas->updateRulers();
}

void TextPage::setTextColor(QObject *sender)
{
    auto *well = qobject_cast<ColorWell *>(sender);
    const QColor color = well ? well->color() : QColor();
    if (!color.isValid())
        return;
    const GraphicList objects = selection();
    OneStep step(info());
    for (const std::shared_ptr<ColorRect> &object : objects) {
        setTextColorOf(*object, color);
        info()->invalidateGraphic(object.get());
    }
    step.close();
    if (!objects.isEmpty()) {
        info()->invalidateCanvas();
        updateValues();
    }
    info()->wasChanged();
    info()->makeRectViewKey();
}

void TextPage::setTextAlign(QObject *sender)
{
    const GraphicList objects = selection();
    auto *control = qobject_cast<SegmentedControl *>(sender);
    if (objects.isEmpty() || !control || control->selectedSegment() < 0)
        return;
    const int code = control->segmentButton(control->selectedSegment())->property("tag").toInt();
    OneStep step(info());
    for (const std::shared_ptr<ColorRect> &object : objects) {
        setAlignmentOf(*object, code);
        info()->invalidateGraphic(object.get());
    }
    step.close();
    info()->invalidateCanvas();
    info()->wasChanged();
    if (CanvasServices *canvas = info()->rectsView())
        canvas->updateRulers();
    info()->makeRectViewKey();
}

void TextPage::setFieldType(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    setFieldType(popUp->currentData().toInt());
}

void TextPage::setFieldType(int fieldPk)
{
    QList<std::shared_ptr<ColorField>> titles;
    QList<std::pair<std::shared_ptr<ColorRect>, int>> bindings;
    for (const std::shared_ptr<ColorRect> &object : selection()) {
        // A field that shows the key already is left as it is.
        if (auto *field = dynamic_cast<ColorField *>(object.get()); field && field->fieldPk() != fieldPk) {
            bindings.append({object, fieldPk});
            if (field->isTitle())
                titles.append(std::static_pointer_cast<ColorField>(object));
        }
    }
    if (bindings.isEmpty())
        return;
    {
        const OneStep step(info());
        ColorRect::setFieldPks(bindings);
        // A title takes the new field's title and stays out of sight while its group shows
        // none (a picture field's group never does): the same Undo shows it again.
        QList<std::shared_ptr<ColorField>> hidden;
        for (const std::shared_ptr<ColorField> &title : std::as_const(titles)) {
            const auto *group = dynamic_cast<const GroupField *>(title->getGroup());
            if (!title->isHidden() && !(group && group->showTitle()))
                hidden.append(title);
        }
        setTitlesHidden(hidden, true);
    }
    info()->invalidateCanvas();
    info()->wasChanged();
    // The pages show the new field and the pairs' new frames once, when the inspector follows
    // the recorded change, not again here for a selection of thousands.
    info()->makeRectViewKey();
}

void TextPage::setShowTitle(QObject *sender)
{
    const bool show = intValueOf(sender) == 1;
    {
        const OneStep step(info());
        for (GroupField *group : selectedFieldGroups())
            group->setShowTitle(show);
    }
    info()->wasChanged();
    info()->makeRectViewKey();
    info()->updateObjectValues();
}

void TextPage::setCapitilizeTitle(QObject *sender)
{
    const bool capitalize = intValueOf(sender) == 1;
    if (GroupField *group = selectedFieldGroup())
        group->setCapitalizeTitle(capitalize);
    info()->wasChanged();
    info()->makeRectViewKey();
    info()->updateObjectValues();
}

void TextPage::rotateOvalText()
{
    if (auto *canvas = dynamic_cast<RectsView *>(info()->rectsView()))
        canvas->rotateText(float(reducedDegrees(tvOvalTextAngle->value().value_or(0.0))));
    updateValues();
    info()->makeRectViewKey();
}

void TextPage::flipOvalText()
{
    if (auto *canvas = dynamic_cast<RectsView *>(info()->rectsView()))
        canvas->flipText(stateOf(cbOvalTextFlip) == 1 ? 1 : 0);
    updateValues();
    info()->makeRectViewKey();
}

void TextPage::showFonts()
{
    if (auto *canvas = dynamic_cast<RectsView *>(info()->rectsView()))
        canvas->showTextFont();
}

// ---- refresh ----

void TextPage::showFontFamily()
{
    const std::optional<QFont> font = textFont();
    const bool missing = font && !isFontFamilyInstalled(*font);
    QFont look = lbFontFamily->font();
    look.setItalic(missing);
    lbFontFamily->setFont(look);
    const QString name = font ? familyDisplayName(*font) : QString();
    lbFontFamily->setText(QFontMetrics(look).elidedText(name, Qt::ElideRight, lbFontFamily->width()));
    lbFontFamily->setToolTip(name);
}

void TextPage::updateFormatters()
{
    tvTextSize->setFormat(QStringLiteral("#,###.0 pt"));
    tvTextSize->setAcceptedRange(minTextSize, maxTextSize);
}

void TextPage::updateValues()
{
    tvTextSize->setStringValue(textSize());
    {
        const QSignalBlocker blocker(slTextSize);
        slTextSize->setValue(sliderPosition(*slTextSize, tvTextSize->floatValue()));
    }
    spTextSize->setDoubleValue(tvTextSize->floatValue());
    scTextAilgn->setSelectedSegment(textAlign());
    {
        const QSignalBlocker blocker(pbFieldType);
        pbFieldType->setCurrentIndex(pbFieldType->findData(fieldType()));
    }
    setState(cbShowTitle, showTitle());
    setState(cbCapitalizeTitle, capitalizeTitle());
    const QColor color = textColor();
    cwTextColor->setColor(color.isValid() ? color : lightGray());
    showFontFamily();
    tvOvalTextAngle->setFloatValue(double(ovalTextAngle()));
    setState(cbOvalTextFlip, ovalTextFlip() != 0 ? 1 : 0);
    // The font panel, when it is open, shows the selection's font.
    if (auto *canvas = dynamic_cast<RectsView *>(info()->rectsView()))
        canvas->syncFontPanel();
}

void TextPage::enableControls()
{
    const GraphicList &objects = selection();
    const bool any = !objects.isEmpty();
    bool editing = false;
    bool textObject = false;
    bool alignable = false;
    bool mergeField = false;
    bool imageField = false;
    bool ovalText = false;
    for (const std::shared_ptr<ColorRect> &object : objects) {
        editing = editing || object->isEditable1();
        textObject = textObject || isTextObject(*object);
        alignable = alignable || isAlignable(*object);
        // From the first merge field on, an object that shows a picture.
        if (dynamic_cast<const ColorField *>(object.get()))
            mergeField = true;
        if (mergeField && object->drawsImage())
            imageField = true;
        if (object->className() == QLatin1String("ColorOval") && object->hasText())
            ovalText = true;
    }
    // Every control of the page first; an edit-only control (tag 9999) while text is edited.
    for (QWidget *control : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        control->setEnabled(control->property("tag").toInt() == 9999 ? any && editing : any);

    const bool sizes = any && textObject && !imageField;
    for (QWidget *control : std::initializer_list<QWidget *>{tvTextSize, slTextSize, spTextSize, btnShowFonts,
                                                             cwTextColor, lbTextSize, lbTextColor, lbShowFonts,
                                                             lbFontFamily})
        control->setEnabled(sizes);
    const bool aligns = any && alignable && !imageField;
    scTextAilgn->setEnabled(aligns);
    lbTextAilgn->setEnabled(aligns);
    const bool fields = any && textObject && mergeField;
    pbFieldType->setEnabled(fields);
    lbFieldType->setEnabled(fields);
    cbShowTitle->setEnabled(fields && !imageField);
    cbCapitalizeTitle->setEnabled(fields && !imageField);
    viewOvalText->setVisible(ovalText);
}

void TextPage::updateAppearance()
{
    // The named pictures of the four alignments, white on the dark appearance.
    const QStringList names = {QStringLiteral("tleft"), QStringLiteral("tcenter"), QStringLiteral("tright"),
                               QStringLiteral("tjust")};
    const bool dark = isDarkAppearance();
    for (int i = 0; i < names.size(); ++i) {
        QImage picture = Bundle::imageNamed(names[i]);
        if (dark && !picture.isNull())
            picture = specImage::tintedImageWithColor(picture, Qt::white);
        scTextAilgn->segmentButton(i)->setIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
    }
}

} // namespace quillmark
