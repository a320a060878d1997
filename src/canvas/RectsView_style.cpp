// Style commands on the selection: colours from the colour panel and the colour wells, the
// font panel's changes, the stroke, fill, line width and picture settings, and the copied
// image style. Each goes through the objects' undoable setters and names its undo step.
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QStringListModel>
#include <QSet>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/FontFaces.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextFlow.h"
#include "objects/specImage.h"
#include "platform/Modifiers.h"

namespace quillmark {

namespace {

std::shared_ptr<specImage> s_copiedImageStyle;

// The six values an image style carries from one picture to another.
struct ImageStyle
{
    bool mono = false;
    bool tint = false;
    bool drawMask = false;
    QString maskName;
    QColor color;
    float tile = 1.0f;

    static ImageStyle of(const specImage &image)
    {
        return {image.isMono(), image.isTint(), image.isDrawMask(), image.imageMaskName(), image.getColor(),
                image.tile()};
    }
    void applyTo(specImage &image) const
    {
        image.setMono(mono);
        image.setTint(tint);
        image.setImageMaskFlag(drawMask);
        image.setImageMaskName(maskName);
        image.setColor(color);
        image.setTile(tile);
    }
};

} // namespace

// ---- image style ----

std::shared_ptr<specImage> RectsView::copiedImageStyle()
{
    return s_copiedImageStyle;
}

void RectsView::copyImageStyle()
{
    if (_selectedObjects.isEmpty() || !_selectedObjects.first()->image())
        return;
    s_copiedImageStyle = _selectedObjects.first()->image();
}

void RectsView::pasteImageStyle()
{
    if (_selectedObjects.isEmpty() || !s_copiedImageStyle)
        return;
    const GraphicPtr graphic = _selectedObjects.first();
    const std::shared_ptr<specImage> image = graphic->image();
    if (image)
        applyImageStyle(graphic, image, ImageStyleValues::of(*s_copiedImageStyle));
    invalidateGraphic(graphic.get());
}

RectsView::ImageStyleValues RectsView::ImageStyleValues::of(const specImage &image)
{
    const ImageStyle style = ImageStyle::of(image);
    return {style.mono, style.tint, style.drawMask, style.maskName, style.color, style.tile};
}

void RectsView::applyImageStyle(const GraphicPtr &graphic, const std::shared_ptr<specImage> &image,
                                const ImageStyleValues &values)
{
    const ImageStyleValues before = ImageStyleValues::of(*image);
    // The picture's own setters would register parts of the change; the inverse covers all.
    m_undoManager.disableUndoRegistration();
    ImageStyle{values.mono, values.tint, values.drawMask, values.maskName, values.color, values.tile}.applyTo(*image);
    m_undoManager.enableUndoRegistration();
    registerUndo([this, graphic, image, before] { applyImageStyle(graphic, image, before); });
    setActionName(localizedStringFromTable(QStringLiteral("Paste Image Style"), QStringLiteral("UndoStrings")));
    invalidateGraphic(graphic.get());
    wasChanged(true);
}

// ---- colours ----

void RectsView::changeFillColor(const QColor &color)
{
    const bool former = fillColorFlag();
    setFillColorFlag(true);
    setObjectColor(color);
    setFillColorFlag(former);
}

void RectsView::setObjectColor(const QColor &color)
{
    if (_selectedObjects.isEmpty()) {
        const std::shared_ptr<specImage> background = getBackgroundImageForPage(getCurrPageName());
        if (background && background->isValid()) {
            background->setColor(color);
            wasChanged(true);
            update();
        }
        return;
    }
    // The window follows once, after the last object.
    const ChangeBatch batch(*this);
    bool changed = false;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        // The object whose text is edited takes the colour in its selected text; the others
        // go on taking it as usual.
        if (graphic->isEditable1()) {
            const ObjectTextEditor *editor = ObjectTextEditor::current();
            if (graphic == editedObject() && editor && editor->selectionEnd() > editor->selectionStart()) {
                graphic->setTextColor(color);
                invalidateEditedText(graphic);
                wasChanged(true);
                // The Text page's colour well shows the text's new colour.
                changeFont();
            } else if (graphic == editedObject() && editor) {
                // Nothing selected: the text typed next takes the colour.
                ObjectTextEditor *typing = ObjectTextEditor::current();
                QTextCharFormat format = typing->typingAttributes();
                format.setForeground(color);
                typing->setTypingAttributes(format);
            }
            continue;
        }
        const std::shared_ptr<specImage> image = graphic->image();
        if (imageColorFlag() && graphic->hasValidImage() && image) {
            const QColor old = image->getColor();
            registerUndo([this, graphic, image, old] {
                const QColor now = image->getColor();
                image->setColor(old);
                registerUndo([this, graphic, image, now] {
                    image->setColor(now);
                    invalidateGraphic(graphic.get());
                });
                invalidateGraphic(graphic.get());
            });
            image->setColor(color);
        } else if (fillColorFlag()) {
            graphic->setFillColor(color);
        } else {
            graphic->setStrokeColor(color);
        }
        invalidateGraphic(graphic.get());
        changed = true;
    }
    if (!changed)
        return;
    setDrawersItemsState();
    const QString name = imageColorFlag()   ? QStringLiteral("Change Color")
                         : fillColorFlag() ? QStringLiteral("Change Fill Color")
                                           : QStringLiteral("Change Stroke Color");
    setActionName(Language::stringForKey(name));
    wasChanged(true);
}

void RectsView::colorWasChanged(const QColor &color, int tag)
{
    if (_selectedObjects.isEmpty())
        return;
    const ChangeBatch batch(*this);
    const bool fill = tag == 1112;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        if (fill)
            graphic->setFillColor(color);
        else
            graphic->setStrokeColor(color);
    }
    setDrawersItemsState();
    setActionName(Language::stringForKey(fill ? QStringLiteral("Fill Change Color") : QStringLiteral("Stroke Change Color")));
    wasChanged(true);
    update();
}

QColorDialog *RectsView::colorPanel()
{
    if (!m_colorPanel) {
        m_colorPanel = new QColorDialog(window());
        m_colorPanel->setObjectName(QStringLiteral("ColorPanel"));
        m_colorPanel->setOptions(QColorDialog::ShowAlphaChannel | QColorDialog::NoButtons);
        m_colorPanel->setModal(false);
        connect(m_colorPanel, &QColorDialog::currentColorChanged, this, [this](const QColor &color) {
            if (m_panelSyncing)
                return;
            // The modifier keys go to the panel while the pointer is over it, never to the
            // canvas: they are read as the colour arrives, as the canvas would have heard them.
            flagsChanged(currentModifiers());
            setObjectColor(color);
        });
    }
    return m_colorPanel;
}

void RectsView::showColorPanel()
{
    QColorDialog *panel = colorPanel();
    if (!_selectedObjects.isEmpty()) {
        const GraphicPtr first = _selectedObjects.first();
        m_panelSyncing = true;
        panel->setCurrentColor(fillColorFlag() ? first->fillColor() : first->strokeColor());
        m_panelSyncing = false;
    }
    panel->show();
    panel->raise();
}

// ---- fonts ----

QFontDialog *RectsView::fontPanel()
{
    if (!m_fontPanel) {
        m_fontPanel = new QFontDialog(window());
        m_fontPanel->setObjectName(QStringLiteral("FontPanel"));
        m_fontPanel->setOption(QFontDialog::NoButtons);
        m_fontPanel->setModal(false);
        // A family the machine lacks is named here; the lists show the face it is drawn in.
        auto *missing = new QLabel(m_fontPanel);
        missing->setObjectName(QStringLiteral("MissingFontLabel"));
        QFont italic = missing->font();
        italic.setItalic(true);
        missing->setFont(italic);
        missing->hide();
        if (auto *grid = qobject_cast<QGridLayout *>(m_fontPanel->layout()))
            grid->addWidget(missing, grid->rowCount(), 0, 1, grid->columnCount());
        // The writing system chosen in the panel lists its families anew.
        for (QComboBox *choice : m_fontPanel->findChildren<QComboBox *>())
            connect(choice, &QComboBox::activated, this, [this] {
                QMetaObject::invokeMethod(this, [this] { listFontPanelFamiliesOnce(); }, Qt::QueuedConnection);
            });
        listFontPanelFamiliesOnce();
        connect(m_fontPanel, &QFontDialog::currentFontChanged, this, [this](const QFont &font) {
            if (m_panelSyncing)
                return;
            const QFont before = m_fontPanelFont;
            m_fontPanelFont = font;
            // The panel shows the new font already: the refresh that follows leaves it alone.
            m_panelSyncing = true;
            changeFont(fontConversion(before, font));
            m_panelSyncing = false;
            // After a new family the panel's face is the one it fell back on; it shows the
            // face the text kept instead, once it has finished with the click.
            if (bareFamily(before.family()) != bareFamily(font.family())) {
                m_keptFaceFamily = font.family();
                if (!m_keptFaceTimer) {
                    m_keptFaceTimer = new QTimer(this);
                    m_keptFaceTimer->setSingleShot(true);
                    m_keptFaceTimer->setInterval(0);
                    connect(m_keptFaceTimer, &QTimer::timeout, this,
                            [this] { showKeptFaceInFontPanel(std::exchange(m_keptFaceFamily, QString())); });
                }
                m_keptFaceTimer->start();
            }
        });
    }
    return m_fontPanel;
}

void RectsView::showTextFont()
{
    QFontDialog *panel = fontPanel();
    syncFontPanel();
    panel->show();
    panel->raise();
}

void RectsView::syncFontPanel()
{
    if (!m_fontPanel || m_panelSyncing)
        return;
    std::optional<QFont> font;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        if ((font = graphic->textSize()))
            break;
    }
    if (!font)
        return;
    m_panelSyncing = true;
    // The panel finds a family only by the name it lists ("URW Bookman [urw]") and a face only
    // by its style name; given the font's own name it shows another family or face.
    m_fontPanel->setCurrentFont(drawnFace(*font));
    m_panelSyncing = false;
    listFontPanelFamiliesOnce();
    // A change is told apart from what the panel shows, so that only what the user changed
    // there goes to the text.
    m_fontPanelFont = m_fontPanel->currentFont();
    if (auto *missing = m_fontPanel->findChild<QLabel *>(QStringLiteral("MissingFontLabel"))) {
        missing->setText(familyDisplayName(*font));
        missing->setVisible(!isFontFamilyInstalled(*font));
    }
}

void RectsView::showKeptFaceInFontPanel(const QString &family)
{
    if (!m_fontPanel || m_panelSyncing)
        return;
    std::optional<QFont> font;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        if ((font = graphic->textSize()))
            break;
    }
    if (!font)
        return;
    // The family's own name for the face the text is drawn with; else the face nearest to it,
    // its slant first, then its weight.
    const QFontInfo drawn(*font);
    const QStringList styles = QFontDatabase::styles(family);
    QString nearest = styles.contains(drawn.styleName()) ? drawn.styleName() : QString();
    int best = nearest.isEmpty() ? std::numeric_limits<int>::max() : -1;
    for (const QString &style : styles) {
        const int cost = (QFontDatabase::italic(family, style) != drawn.italic() ? 10000 : 0)
                         + std::abs(QFontDatabase::weight(family, style) - drawn.weight());
        if (cost < best) {
            best = cost;
            nearest = style;
        }
    }
    // The panel finds a family only by a name it lists, the foundry included where several
    // installed it: the one that has the face.
    QString listed = family;
    for (const QString &name : QFontDatabase::families())
        if (bareFamily(name) == bareFamily(family) && QFontDatabase::styles(name).contains(nearest)) {
            listed = name;
            break;
        }
    QFont shown(listed);
    shown.setStyleName(nearest);
    shown.setWeight(QFont::Weight(QFontDatabase::weight(family, nearest)));
    shown.setItalic(QFontDatabase::italic(family, nearest));
    shown.setPointSizeF(font->pointSizeF());
    m_panelSyncing = true;
    m_fontPanel->setCurrentFont(shown);
    m_panelSyncing = false;
    listFontPanelFamiliesOnce();
    m_fontPanelFont = m_fontPanel->currentFont();
}

void RectsView::listFontPanelFamiliesOnce()
{
    if (!m_fontPanel)
        return;
    // The family list is the panel's list of the names the font system knows.
    QListView *families = nullptr;
    QStringListModel *model = nullptr;
    for (QListView *list : m_fontPanel->findChildren<QListView *>()) {
        auto *names = qobject_cast<QStringListModel *>(list->model());
        if (names && names->rowCount() > 0 && QFontDatabase::hasFamily(names->stringList().constFirst())
            && (!model || names->rowCount() > model->rowCount())) {
            families = list;
            model = names;
        }
    }
    if (!model)
        return;
    const QStringList listed = model->stringList();
    QStringList once;
    for (const QString &name : listed)
        if (const QString bare = bareFamily(name); !once.contains(bare))
            once.append(bare);
    if (once == listed)
        return;
    const QString current = bareFamily(families->currentIndex().data().toString());
    const bool was = m_panelSyncing;
    m_panelSyncing = true;
    model->setStringList(once);
    families->setCurrentIndex(model->index(std::max(0, int(once.indexOf(current))), 0));
    m_panelSyncing = was;
    m_fontPanelFont = m_fontPanel->currentFont();
}

namespace {

// Whether a run is bold (italic) as it is drawn: a face chosen by its style name ("Black",
// "Oblique") says so itself.
bool drawnBold(const QFont &font)
{
    return font.styleName().isEmpty() ? font.bold() : QFontInfo(font).bold();
}

bool drawnItalic(const QFont &font)
{
    return font.styleName().isEmpty() ? font.italic() : QFontInfo(font).italic();
}

// The font without its style name, which would keep the old face: the weight and slant it is
// drawn with stand in for it.
QFont withoutStyleName(const QFont &font)
{
    if (font.styleName().isEmpty())
        return font;
    const QFontInfo drawn(font);
    QFont plain = font;
    plain.setStyleName(QString());
    plain.setWeight(QFont::Weight(drawn.weight()));
    plain.setItalic(drawn.italic());
    return plain;
}

} // namespace

RectsView::FontConversion RectsView::fontConversion(const QFont &before, const QFont &after)
{
    // Only what the panel changed goes to each run: a new size keeps the runs' families and
    // faces, a new face their families and sizes.
    // A family listed with its foundry ("P052 [urw]") is the same family as without it.
    const bool family = bareFamily(before.family()) != bareFamily(after.family());
    const bool size = before.pointSizeF() != after.pointSizeF();
    const bool style = before.styleName() != after.styleName();
    const bool weight = before.weight() != after.weight();
    const bool italic = before.italic() != after.italic();
    const bool underline = before.underline() != after.underline();
    const bool strikeOut = before.strikeOut() != after.strikeOut();
    return [=](const QFont &font) {
        QFont converted = font;
        if (family) {
            // Picking a family picks nothing else: where the panel finds no face of the old
            // name in the new family it shows the family's first face, which is no choice of
            // the user's. Each run keeps its own weight and slant, as drawn, and the new
            // family's nearest face draws it; its size, colour and lines stay too.
            const bool installed = isFontFamilyInstalled(font);
            const QFontInfo drawn(font);
            converted.setFamily(after.family());
            converted.setStyleName(QString());
            converted.setWeight(installed ? QFont::Weight(drawn.weight()) : font.weight());
            converted.setItalic(installed ? drawn.italic() : font.italic());
            return converted;
        }
        if (style || weight || italic) {
            // A new face sets what changed in it: its weight, its slant or both; each run keeps
            // the other as it was drawn. A style name chooses the face before weight and slant
            // do: a run takes the panel's where that face is the one it asks for now (of the
            // panel's family, of its weight and slant); other runs find theirs by weight and
            // slant.
            converted = withoutStyleName(converted);
            if (weight)
                converted.setWeight(after.weight());
            if (italic)
                converted.setItalic(after.italic());
            if (bareFamily(converted.family()) == bareFamily(after.family()) && converted.weight() == after.weight()
                && converted.italic() == after.italic())
                converted.setStyleName(after.styleName());
        }
        if (size && after.pointSizeF() > 0)
            converted.setPointSizeF(after.pointSizeF());
        if (underline)
            converted.setUnderline(after.underline());
        if (strikeOut)
            converted.setStrikeOut(after.strikeOut());
        return converted;
    };
}

RectsView::FontConversion RectsView::fontTraitConversion(FontTrait trait, bool on)
{
    switch (trait) {
    case FontTrait::Bold:
        // A run that is bold (or not) already keeps its face: a Black run stays black.
        return [on](const QFont &font) {
            if (drawnBold(font) == on)
                return font;
            QFont converted = withoutStyleName(font);
            converted.setBold(on);
            return converted;
        };
    case FontTrait::Italic:
        return [on](const QFont &font) {
            if (drawnItalic(font) == on)
                return font;
            QFont converted = withoutStyleName(font);
            converted.setItalic(on);
            return converted;
        };
    case FontTrait::Bigger:
        return [](const QFont &font) {
            QFont converted = font;
            converted.setPointSizeF(font.pointSizeF() + 1.0);
            return converted;
        };
    case FontTrait::Smaller:
        return [](const QFont &font) {
            QFont converted = font;
            converted.setPointSizeF(std::max(1.0, font.pointSizeF() - 1.0));
            return converted;
        };
    }
    return [](const QFont &font) { return font; };
}

QList<RectsView::StyledText> RectsView::textsToStyle() const
{
    QList<StyledText> texts;
    // A chain of linked boxes is one text: it changes once.
    QSet<const QTextDocument *> seen;
    const GraphicPtr edited = editedObject();
    if (edited && isSelected(edited.get())) {
        const ObjectTextEditor *editor = ObjectTextEditor::current();
        const int start = editor->selectionStart();
        if (editor->selectionEnd() > start)
            texts.append({edited, {start, editor->selectionEnd() - start}});
        seen.insert(edited->textStorage());
    }
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        if (graphic->isEditable1() || !graphic->textSize() || seen.contains(graphic->textStorage()))
            continue;
        seen.insert(graphic->textStorage());
        texts.append({graphic, {0, std::max(0, graphic->textStorage()->characterCount() - 1)}});
    }
    return texts;
}

void RectsView::addFontTrait(FontTrait trait)
{
    if (trait != FontTrait::Bold && trait != FontTrait::Italic) {
        changeFont(fontTraitConversion(trait));
        syncFontPanel();
        return;
    }
    // One result for the whole selection, every text of it together: the trait when any part
    // lacks it, else none.
    const auto holds = trait == FontTrait::Bold ? &drawnBold : &drawnItalic;
    const QList<StyledText> texts = textsToStyle();
    bool all = !texts.isEmpty();
    for (const StyledText &text : texts)
        if (!text.graphic->allTextRuns(text.range, holds)) {
            all = false;
            break;
        }
    if (texts.isEmpty()) {
        // Only the insertion point: the text typed next takes the trait or leaves it.
        if (const GraphicPtr edited = editedObject(); edited && ObjectTextEditor::current())
            all = holds(ObjectTextEditor::current()->typingAttributes().font().resolve(
                edited->textStorage()->defaultFont()));
    }
    changeFont(fontTraitConversion(trait, !all));
    syncFontPanel();
}

void RectsView::changeFont(const FontConversion &convertFont)
{
    // Every text's change is part of the one step, and the window follows once.
    const ChangeBatch batch(*this);
    m_undoManager.beginUndoGrouping();
    const GraphicPtr edited = editedObject();
    if (edited && isSelected(edited.get())) {
        ObjectTextEditor *typing = ObjectTextEditor::current();
        if (typing->selectionEnd() <= typing->selectionStart()) {
            // Nothing selected: the text typed next takes the font, as a text view types.
            QTextCharFormat format = typing->typingAttributes();
            format.setFont(convertFont(format.font().resolve(edited->textStorage()->defaultFont())));
            typing->setTypingAttributes(format);
        }
    }
    const QList<StyledText> texts = textsToStyle();
    for (const StyledText &text : texts) {
        text.graphic->convertTextFonts(text.range, convertFont);
        if (text.graphic != edited)
            text.graphic->updateContainer();
        // Every box of a chain shows the change.
        invalidateEditedText(text.graphic);
    }
    m_undoManager.endUndoGrouping();
    if (!texts.isEmpty()) {
        updateObjectValues();
        wasChanged(true);
    }
    // The rulers and the Text page show the new font.
    changeFont();
    update();
}

void RectsView::changeAttributes(const std::function<std::optional<QTextCharFormat>(const QTextCharFormat &)> &convert)
{
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        if (graphic->isEditable1())
            continue;
        if (const std::optional<QTextCharFormat> converted = convert(graphic->textAttributes())) {
            graphic->setTextAttributes(*converted);
            invalidateGraphic(graphic.get());
            updateObjectValues();
            wasChanged(true);
        }
    }
}

// ---- properties of every selected object ----

void RectsView::applyToSelection(const std::function<void(ColorRect &)> &apply, const QString &actionName)
{
    if (_selectedObjects.isEmpty())
        return;
    const ChangeBatch batch(*this);
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        apply(*graphic);
        invalidateGraphic(graphic.get());
    }
    setDrawersItemsState();
    setActionName(Language::stringForKey(actionName));
    wasChanged(true);
}

void RectsView::setObjectStroke(bool state)
{
    applyToSelection([state](ColorRect &g) { g.setDrawsStroke(state); }, QStringLiteral("Stroke Object"));
}

void RectsView::setObjectFill(bool state)
{
    applyToSelection([state](ColorRect &g) { g.setDrawsFill(state); }, QStringLiteral("Fill"));
}

void RectsView::setObjectLineWidth(double width)
{
    applyToSelection(
        [this, width](ColorRect &g) {
            invalidateGraphic(&g);
            g.setStrokeLineWidth(float(width));
        },
        QStringLiteral("Change Line Width"));
}

void RectsView::setObjectXImageOffset(double value)
{
    const float inches = convertUnits2inchesF(float(value));
    applyToSelection([inches](ColorRect &g) { g.setXImageOffset(inches); }, QStringLiteral("Image X Offset"));
}

void RectsView::setObjectYImageOffset(double value)
{
    const float inches = convertUnits2inchesF(float(value));
    applyToSelection([inches](ColorRect &g) { g.setYImageOffset(inches); }, QStringLiteral("Image Y Offset"));
}

void RectsView::setObjectXImageScale(int percent)
{
    applyToSelection(
        [percent](ColorRect &g) {
            g.setScaleWithBoxOnly(false);
            g.setXImageScale(float(percent));
        },
        QStringLiteral("Image X Scale"));
}

void RectsView::setObjectYImageScale(int percent)
{
    applyToSelection(
        [percent](ColorRect &g) {
            g.setScaleWithBoxOnly(false);
            g.setYImageScale(float(percent));
        },
        QStringLiteral("Image Y Scale"));
}

void RectsView::setObjectImageOpacity(int percent)
{
    applyToSelection([percent](ColorRect &g) { g.setImageOpacity(float(percent)); }, QStringLiteral("Image Opacity"));
}

void RectsView::setObjectDrawsImage(bool state)
{
    applyToSelection([state](ColorRect &g) { g.setDrawsImage(state); }, QStringLiteral("Show Image"));
}

float RectsView::objectImageOpacity() const
{
    return _selectedObjects.isEmpty() ? 100.0f : _selectedObjects.first()->imageOpacity();
}

} // namespace quillmark
