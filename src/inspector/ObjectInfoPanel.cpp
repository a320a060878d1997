#include "inspector/ObjectInfoPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <exception>

#include "database/store/Database.h"
#include "database/store/DatabaseError.h"
#include "database/store/MergeContents.h"
#include "database/window/PropertyView.h"
#include "foundation/Language.h"
#include "inspector/AlignPage.h"
#include "inspector/BarcodePage.h"
#include "inspector/GeometryPage.h"
#include "inspector/ImagePage.h"
#include "inspector/PropertiesView.h"
#include "inspector/StylePage.h"
#include "inspector/TextPage.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "objects/ObjectInfo.h"
#include "objects/specImage.h"
#include "platform/Appearance.h"
#include "platform/Modifiers.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

const ObjectInfoPanel::GraphicList &emptySelection()
{
    static const ObjectInfoPanel::GraphicList none;
    return none;
}

} // namespace

ObjectInfoPanel::ObjectInfoPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("objectInfoOutlet"));
    // A new inspector starts a new last-used style.
    ObjectInfo::changedValues().clear();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    layout->addWidget(m_tabs);

    // Tab order. The text page (tab 3) and the barcode page (tab 5) come between and after
    // these when they are part of the inspector.
    m_geometry = new GeometryPage(this);
    m_style = new StylePage(this);
    m_image = new ImagePage(this);
    m_align = new AlignPage(this);
    m_barcode = new BarcodePage(this);
    for (InspectorPage *page : std::initializer_list<InspectorPage *>{m_geometry, m_style, m_image, m_align, m_barcode})
        addPage(page);
    pbBarFieldType = m_barcode->pbBarFieldType;
    auto *text = new TextPage(this);
    addPage(text);
    pbFieldType = text->pbFieldType;

    databaseChanged();
    NotificationCenter::defaultCenter().addObserver(this, MergeContents::DatabaseChangedNotification,
                                                    [this](const Notification &) { databaseChanged(); });
    auto *appearance = new AppearanceWatcher(this);
    connect(appearance, &AppearanceWatcher::changed, this, [this] { onAppearanceChanged(); });
    if (appearance->isDark())
        onAppearanceChanged();
}

ObjectInfoPanel::~ObjectInfoPanel()
{
    if (m_effectsSource) {
        m_effectsSource->abandoned = true;
        QGuiApplication::restoreOverrideCursor();
    }
    NotificationCenter::defaultCenter().removeObserver(this);
    ObjectInfo::changedValues().clear();
    // The pages the side panel took live in it; those still here or there go with the
    // inspector that fills them.
    for (const QPointer<InspectorPage> &page : std::as_const(m_pages))
        delete page.data();
}

void ObjectInfoPanel::addPage(InspectorPage *page)
{
    if (!page || m_pages.contains(page))
        return;
    // A page for a tab that has one already takes its place.
    if (InspectorPage *former = this->page(page->tab())) {
        m_pages.removeAll(former);
        m_tabs->removeTab(m_tabs->indexOf(former));
        delete former;
    }
    qsizetype at = 0;
    while (at < m_pages.size() && m_pages.at(at) && m_pages.at(at)->tab() <= page->tab())
        ++at;
    m_pages.insert(at, page);
    m_tabs->insertTab(int(at), page, page->title());
    watchControls(page);
}

void ObjectInfoPanel::watchControls(QWidget *page)
{
    page->installEventFilter(this);
    for (QWidget *control : page->findChildren<QWidget *>())
        control->installEventFilter(this);
}

void ObjectInfoPanel::setRectsView(CanvasServices *canvas, QWidget *canvasView)
{
    m_rectsView = canvas;
    m_canvasView = canvasView;
}

void ObjectInfoPanel::setSelectedRects(const GraphicList *selection)
{
    m_selectedRects = selection;
    refresh();
}

const ObjectInfoPanel::GraphicList &ObjectInfoPanel::selectedRects() const
{
    return m_selectedRects ? *m_selectedRects : emptySelection();
}

InspectorPage *ObjectInfoPanel::page(int tab) const
{
    for (const QPointer<InspectorPage> &page : m_pages)
        if (page && page->tab() == tab)
            return page;
    return nullptr;
}

void ObjectInfoPanel::setPropertiesView(PropertiesView *view)
{
    m_propertiesView = view;
}

PropertiesView *ObjectInfoPanel::propertiesView() const
{
    return m_propertiesView;
}

int ObjectInfoPanel::tagOfPage(int tab) const
{
    for (int i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] && m_pages[i]->tab() == tab)
            return i + 1;
    return 0;
}

// ---- refresh ----

void ObjectInfoPanel::refresh()
{
    if (m_canvasView && m_canvasView->isHidden())
        return;
    updateFormatters();
    updateValues();
    enableControls();
}

void ObjectInfoPanel::updateFormatters()
{
    for (const QPointer<InspectorPage> &page : std::as_const(m_pages))
        if (page)
            page->updateFormatters();
}

void ObjectInfoPanel::updateValues()
{
    updateObjectValues();
    updateGraphicValues();
    updateImageValues();
    updateBarValues();
    updateFontValues();
    updateAlignValues();
}

void ObjectInfoPanel::designChanged()
{
    QWidget *focus = QApplication::focusWidget();
    if (qobject_cast<QPlainTextEdit *>(focus) || qobject_cast<QTextEdit *>(focus)) {
        for (const QPointer<InspectorPage> &page : std::as_const(m_pages))
            if (page && page->isAncestorOf(focus))
                return;
    }
    updateValues();
}

void ObjectInfoPanel::updateObjectValues()
{
    if (InspectorPage *p = page(GeometryTab))
        p->updateValues();
}

void ObjectInfoPanel::updateGraphicValues()
{
    if (InspectorPage *p = page(StyleTab))
        p->updateValues();
}

void ObjectInfoPanel::updateImageValues()
{
    if (InspectorPage *p = page(ImageTab))
        p->updateValues();
}

void ObjectInfoPanel::updateBarValues()
{
    if (InspectorPage *p = page(BarcodeTab))
        p->updateValues();
}

void ObjectInfoPanel::updateFontValues()
{
    // A text that cannot be read costs the text controls their values, never the refresh.
    try {
        if (InspectorPage *p = page(TextTab))
            p->updateValues();
    } catch (const std::exception &e) {
        qWarning().noquote() << e.what();
    }
}

void ObjectInfoPanel::updateAlignValues()
{
    if (InspectorPage *p = page(AlignTab))
        p->updateValues();
}

void ObjectInfoPanel::enableControls()
{
    if (InspectorPage *p = page(GeometryTab))
        p->enableControls();
    if (InspectorPage *p = page(StyleTab))
        p->enableControls();
    enableImage();
    enableBar();
    enableAlign();
    enableText();
}

void ObjectInfoPanel::enableImage()
{
    if (InspectorPage *p = page(ImageTab))
        p->enableControls();
}

void ObjectInfoPanel::enableBar()
{
    if (InspectorPage *p = page(BarcodeTab))
        p->enableControls();
}

void ObjectInfoPanel::enableAlign()
{
    if (InspectorPage *p = page(AlignTab))
        p->enableControls();
}

void ObjectInfoPanel::enableText()
{
    if (InspectorPage *p = page(TextTab))
        p->enableControls();
}

// ---- pages and the side panel ----

void ObjectInfoPanel::switchTab(int tab)
{
    InspectorPage *shown = page(tab);
    if (!shown)
        return;
    if (m_tabs->indexOf(shown) >= 0)
        m_tabs->setCurrentWidget(shown);
    const int tag = tagOfPage(tab);
    if (m_propertiesView && !m_propertiesView->isButtonSelected(tag))
        m_propertiesView->openPropertiesByType(tag);
}

void ObjectInfoPanel::openPageForSelection()
{
    const GraphicList &selection = selectedRects();
    if (!m_propertiesView || selection.isEmpty() || m_propertiesView->tagOfSelectedButton() != 0)
        return;
    const QString kind = selection.first()->className();
    int tab = GeometryTab;
    if (kind == QLatin1String("ColorField"))
        tab = TextTab;
    else if (kind == QLatin1String("ColorBarcode"))
        tab = BarcodeTab;
    int tag = tagOfPage(tab);
    if (tag == 0)
        tag = tagOfPage(GeometryTab);
    if (tag != 0)
        m_propertiesView->openPropertiesByType(tag);
}

void ObjectInfoPanel::setFieldType(int fieldPk)
{
    // As the field pop-up applies it: one command over the whole selection.
    if (auto *text = qobject_cast<TextPage *>(page(TextTab)))
        text->applyEdit([text, fieldPk] { text->setFieldType(fieldPk); });
}

void ObjectInfoPanel::controlTextDidEndEditing(QObject *field)
{
    // The fields whose end of editing applies their value, in the order they are compared.
    static const QStringList table = {
        QStringLiteral("tvOriginX"),    QStringLiteral("tvOriginY"),        QStringLiteral("tvWidth"),
        QStringLiteral("tvHeight"),     QStringLiteral("tvAngle"),          QStringLiteral("tvLineWidth"),
        QStringLiteral("tvFillAngle"),  QStringLiteral("tvShadowDistance"), QStringLiteral("tvShadowAngle"),
        QStringLiteral("tvImgOffsetX"), QStringLiteral("tvImgOffsetY"),     QStringLiteral("tvImgScaleX"),
        QStringLiteral("tvImgScaleY"),  QStringLiteral("tvBarWidth"),       QStringLiteral("tvBarAdjust"),
        QStringLiteral("tvBarHeight"),  QStringLiteral("tvTextSize"),       QStringLiteral("tvImgTile"),
        QStringLiteral("tvShadowBlur")};
    if (!field || !table.contains(field->objectName()))
        return;
    for (const QPointer<InspectorPage> &page : std::as_const(m_pages))
        if (page && page->applyEndOfEditing(field))
            return;
}

void ObjectInfoPanel::alignObjectEdges(int tag)
{
    if (m_align)
        m_align->alignObjectEdges(tag);
}

void ObjectInfoPanel::setObjectSize(int tag)
{
    if (m_align)
        m_align->setObjectSize(tag);
}

// ---- the image effects panel ----

void ObjectInfoPanel::setImageEffectsPanel(ImageEffectsPanel panel)
{
    m_imageEffectsPanel = std::move(panel);
    enableImage();
}

QSizeF ObjectInfoPanel::imageEffectsPixels(const ColorRect &object) const
{
    const QSizeF points = object.imageFrame().size();
    const double onCanvas = (m_rectsView ? m_rectsView->getZoom() : 1.0) * devicePixelRatioF();
    const double scale = std::max(std::isfinite(onCanvas) ? onCanvas : 1.0, 300.0 / 72.0);
    return points * scale;
}

void ObjectInfoPanel::showImageEffectsPanel()
{
    const GraphicList &selection = selectedRects();
    if (!m_imageEffectsPanel || selection.isEmpty() || m_effectsSource)
        return;
    const std::shared_ptr<ColorRect> object = selection.first();
    const std::shared_ptr<specImage> image = object->image();
    if (!image || !image->isValid())
        return;
    // The panel works on the picture itself: a copy without the object's mask, tint, tiling
    // or turn.
    const std::shared_ptr<specImage> plain = image->copyRepresentations();
    const QSizeF pixels = imageEffectsPixels(*object);
    if (!plain->preparesSlowly() || PictureWorker::onWindowThread()) {
        runImageEffectsPanel(object, plain->prepareImage(pixels));
        return;
    }
    auto job = std::make_shared<PictureWorker::Job>();
    job->make = plain->plainRaster(pixels);
    const std::weak_ptr<ColorRect> weak = object;
    const QPointer<ObjectInfoPanel> self(this);
    job->arrived = [self, weak](const QImage &source) {
        if (self)
            self->imageEffectsSourceArrived(weak, source);
    };
    m_effectsSource = job;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    PictureWorker::submit(job);
}

void ObjectInfoPanel::imageEffectsSourceArrived(const std::weak_ptr<ColorRect> &object, const QImage &source)
{
    m_effectsSource.reset();
    QGuiApplication::restoreOverrideCursor();
    // Opened from the event loop, not from within the hand-over of the picture.
    const QPointer<ObjectInfoPanel> self(this);
    QTimer::singleShot(0, this, [self, object, source] {
        const std::shared_ptr<ColorRect> shown = object.lock();
        // The object the panel was asked for, still the one selected.
        if (!self || !shown || self->selectedRects().isEmpty() || self->selectedRects().first() != shown)
            return;
        self->runImageEffectsPanel(shown, source);
    });
}

void ObjectInfoPanel::runImageEffectsPanel(const std::shared_ptr<ColorRect> &object, const QImage &source)
{
    if (source.isNull())
        return;
    const std::optional<QImage> processed = m_imageEffectsPanel(source);
    if (!processed || processed->isNull())
        return;
    object->setFilteredImage(*processed);
    invalidateCanvas();
    wasChanged();
    updateImageValues();
    enableImage();
    makeRectViewKey();
}

// ---- units ----

QString ObjectInfoPanel::measure() const
{
    return m_rectsView ? m_rectsView->measure() : QStringLiteral("Inches");
}

float ObjectInfoPanel::convertFromPoints(float points, const QString &unit)
{
    if (unit == QLatin1String("Centimeters"))
        return float(double(points) / 28.35);
    if (unit == QLatin1String("Inches"))
        return points / 72.0f;
    if (unit == QLatin1String("Picas"))
        return points / 12.0f;
    return points;
}

float ObjectInfoPanel::convertToPoints(float value, const QString &unit)
{
    if (unit == QLatin1String("Centimeters"))
        return float(double(value) * 28.35);
    if (unit == QLatin1String("Inches"))
        return value * 72.0f;
    if (unit == QLatin1String("Picas"))
        return value * 12.0f;
    return value;
}

float ObjectInfoPanel::convertFromPoints(float points) const
{
    return convertFromPoints(points, measure());
}

float ObjectInfoPanel::convertToPoints(float value) const
{
    return convertToPoints(value, measure());
}

QString ObjectInfoPanel::unitSuffix(const QString &unit)
{
    // Written as the language writes the unit; the fields read it back in that form too.
    if (unit == QLatin1String("Centimeters"))
        return translated(QStringLiteral("cm"));
    if (unit == QLatin1String("Points"))
        return translated(QStringLiteral("pt"));
    if (unit == QLatin1String("Picas"))
        return translated(QStringLiteral("pc"));
    return translated(QStringLiteral("in"));
}

void ObjectInfoPanel::measureChanged(const QString &, double)
{
    // Every length is read anew from the objects in the new unit.
    updateFormatters();
    updateValues();
}

void ObjectInfoPanel::flagsChanged(unsigned modifierFlags)
{
    commandPressed = (modifierFlags & CommandKeyMask) != 0;
    const double step = double(convertFromPoints(1.0f)) * (commandPressed ? 10.0 : 1.0);
    if (m_geometry)
        m_geometry->setUnitIncrement(step);
    if (m_image)
        m_image->setUnitIncrement(step);
}

// ---- field menus ----

bool ObjectInfoPanel::isFieldVisible(int index, qint64 mask)
{
    if (index < 0 || index >= 64)
        return true;
    return ((quint64(mask) >> index) & 1u) != 0;
}

void ObjectInfoPanel::databaseChanged()
{
    m_fieldMenu.clear();
    m_barFieldMenu.clear();
    m_barFieldSelection = 0;
    Database *database = Database::currentDatabase();
    const QList<tableField> records = MergeContents::fieldTitlesAndTags();
    const QList<tableField> listed = PropertyView::fieldsArray(database);
    qint64 mask = 0;
    QString browseField;
    QList<QString> ownTitles;
    try {
        if (database) {
            mask = database->attributeForKey(QStringLiteral("fieldsToView")).trimmed().toLongLong();
            browseField = database->attributeForKey(QStringLiteral("browseField"));
        }
        for (const tableField &record : records)
            ownTitles.append(database ? database->attributeForKey(record.dbtitle()) : QString());
    } catch (const DatabaseError &) {
        // A database that cannot be read shows every field under its own title.
        mask = -1;
        ownTitles.clear();
    }
    for (int i = 0; i < records.size(); ++i) {
        const tableField &record = records[i];
        const QString own = i < ownTitles.size() ? ownTitles[i] : QString();
        const QString title = own.isEmpty() ? record.title : own;
        const QString translated = Language::stringForKey(title);
        FieldMenuItem item;
        item.title = translated.isEmpty() ? title : translated;
        item.tag = record.pk;
        const int position = int(listed.indexOf(record));
        item.enabled = position < 0 || isFieldVisible(position, mask);
        m_fieldMenu.append(item);
        if (record.flags & 2)
            m_barFieldMenu.append(item);
    }
    int tag = UserDefaults::standard().integerForKey(QStringLiteral("BarFieldType"));
    if (tag == 0 && !browseField.isEmpty()) {
        for (const FieldMenuItem &item : std::as_const(m_barFieldMenu))
            if (item.title == browseField) {
                tag = item.tag;
                break;
            }
    }
    m_barFieldSelection = tag;
    setFieldPopUps(pbFieldType, pbBarFieldType);
    // The rebuilt merge-field menu shows the selected field's item again.
    updateFontValues();
}

void ObjectInfoPanel::setFieldPopUps(QComboBox *fieldType, QComboBox *barFieldType)
{
    pbFieldType = fieldType;
    pbBarFieldType = barFieldType;
    auto fill = [](QComboBox *popUp, const QList<FieldMenuItem> &items) {
        if (!popUp)
            return;
        const QSignalBlocker blocker(popUp);
        popUp->clear();
        for (const FieldMenuItem &item : items) {
            popUp->addItem(item.title, item.tag);
            if (!item.enabled)
                if (auto *model = qobject_cast<QStandardItemModel *>(popUp->model()))
                    model->item(popUp->count() - 1)->setEnabled(false);
        }
    };
    fill(pbFieldType, m_fieldMenu);
    fill(pbBarFieldType, m_barFieldMenu);
    if (pbBarFieldType && m_barFieldSelection != 0) {
        const int index = pbBarFieldType->findData(m_barFieldSelection);
        if (index >= 0)
            pbBarFieldType->setCurrentIndex(index);
    }
}

// ---- appearance ----

void ObjectInfoPanel::onAppearanceChanged()
{
    for (const QPointer<InspectorPage> &page : std::as_const(m_pages))
        if (page)
            page->updateAppearance();
    if (m_propertiesView)
        m_propertiesView->updateAppearance();
}

// ---- the end of every edit ----

void ObjectInfoPanel::makeRectViewKey()
{
    if (!m_canvasView)
        return;
    if (QWidget *window = m_canvasView->window())
        window->activateWindow();
    m_canvasView->setFocus(Qt::OtherFocusReason);
}

void ObjectInfoPanel::wasChanged()
{
    if (m_rectsView)
        m_rectsView->wasChanged(true);
}

void ObjectInfoPanel::invalidateCanvas()
{
    if (m_rectsView)
        m_rectsView->invalidateGraphic(nullptr);
}

void ObjectInfoPanel::invalidateGraphic(const ColorRect *graphic)
{
    if (m_rectsView && graphic)
        m_rectsView->invalidateGraphic(graphic);
}

unsigned ObjectInfoPanel::editModifierFlags()
{
    // The event that ended this edit counts once.
    const unsigned flags = m_eventModifiers | currentModifierFlags();
    m_eventModifiers = 0;
    return flags;
}

bool ObjectInfoPanel::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        m_eventModifiers = modifierFlags(key->modifiers());
        // The Command key itself: platforms differ on whether its own event counts it, so
        // its press and release say it.
        if (key->key() == Qt::Key_Control) {
            if (event->type() == QEvent::KeyPress)
                m_eventModifiers |= CommandKeyMask;
            else
                m_eventModifiers &= ~unsigned(CommandKeyMask);
        }
        // Command pressed or let go over the inspector changes the steps of its steppers.
        if (((m_eventModifiers & CommandKeyMask) != 0) != commandPressed)
            flagsChanged(m_eventModifiers);
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_eventModifiers = modifierFlags(static_cast<QMouseEvent *>(event)->modifiers());
        break;
    case QEvent::ChildAdded:
        // Controls a page adds later are watched too.
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
            child->installEventFilter(this);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ObjectInfoPanel::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    makeRectViewKey();
}

} // namespace quillmark
