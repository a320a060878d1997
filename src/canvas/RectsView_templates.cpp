// Design templates: saving the design of the current orientation as a template file with its
// preview, applying a template to the label (scaled from the label it was made for, replacing
// the template objects applied before), the record of applied templates, and the categories
// and folder the template browser shows.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QSaveFile>
#include <QSet>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

#include "canvas/ObjectForms.h"
#include "canvas/RectsView.h"
#include "canvas/SaveTemplate.h"
#include "canvas/SlicedWork.h"
#include "canvas/TemplateFile.h"
#include "foundation/Language.h"
#include "foundation/SegmentedControl.h"
#include "objects/BezierPathArchive.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "objects/specImage.h"
#include "platform/Format.h"
#include "platform/Prompts.h"
#include "platform/PropertyList.h"

namespace quillmark {

namespace {

bool s_templateListLoaded = false;

const QString FrontSide = QStringLiteral("Front");
const QString BackSide = QStringLiteral("Back");
const QString HorizontalWord = QStringLiteral("Horizontal");
const QString VerticalWord = QStringLiteral("Vertical");

void templateSaveFailed(QWidget *parent)
{
    Prompts::current().alert(parent, Language::stringForKey(QStringLiteral("Could not save Template Document!")),
                             Language::stringForKey(QStringLiteral("There was an error.")),
                             {Language::stringForKey(QStringLiteral("Close"))}, Prompts::Informational);
}

// The side part of a page name ("Back" of "VerticalBack"); empty when it has none.
QString sideOfPage(const QString &page)
{
    if (page.startsWith(HorizontalWord))
        return page.mid(HorizontalWord.size());
    if (page.startsWith(VerticalWord))
        return page.mid(VerticalWord.size());
    return {};
}

} // namespace

bool RectsView::templateListLoaded()
{
    return s_templateListLoaded;
}

void RectsView::setTemplateListLoaded(bool flag)
{
    s_templateListLoaded = flag;
}

void RectsView::setTemplateBrowser(const TemplateBrowser &browser)
{
    m_templateBrowser = browser;
    s_templateListLoaded = false;
    initTemplateCategories();
}

SaveTemplate *RectsView::saveTemplatePanel()
{
    if (!m_saveTemplatePanel)
        m_saveTemplatePanel = new SaveTemplate(this);
    return m_saveTemplatePanel;
}

QStringList RectsView::templatePath() const
{
    return {TemplateFile::builtInFolder() + getTemplateFolder(), TemplateFile::userFolder() + getTemplateFolder()};
}

bool RectsView::canSaveTemplate() const
{
    const QString page = getCurrPageName();
    for (const GraphicPtr &graphic : rects)
        if (graphic->isOnPageNamed(page))
            return true;
    return false;
}

// ---- saving ----

QString RectsView::getTemplatePath()
{
    QString folder = TemplateFile::userFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return {};
    folder += getTemplateFolder();
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder))
        return {};
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    return folder + QLatin1Char('/') + stamp + QLatin1Char('.') + QLatin1String(TemplateFile::Extension);
}

QImage RectsView::createTemplateObjectImage(const std::function<bool()> &answer)
{
    clearEditable();
    const QSize size(std::clamp(int(std::lround(double(_tlabel.width) * 72.0)), 1, 4096),
                     std::clamp(int(std::lround(double(_tlabel.height) * 72.0)), 1, 4096));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Marks and hairlines are sized for the zoom: the preview is drawn at 100 %. A thumbnail:
    // pictures are drawn from the rasters the screen holds.
    const double zoom = _zoomValue;
    const bool preview = m_documentPreview;
    auto drawing = [&](bool on) {
        _zoomValue = on ? 1.0 : zoom;
        m_documentPreview = on || preview;
    };
    drawing(true);
    const QString page = getCurrPageName();
    std::optional<ColorRect::DrawingPass> pass;
    pass.emplace();
    QElapsedTimer slice;
    slice.start();
    for (const GraphicPtr &graphic : sortedByLayer(rects)) {
        if (!graphic->isOnPageNamed(page) || graphic->isHidden())
            continue;
        graphic->drawFrame(&painter, QRectF(QPointF(), QSizeF(size)), false);
        if (!answer || slice.elapsed() < WindowAnswering::sliceMs())
            continue;
        // The window answers with the canvas as it shows it.
        pass.reset();
        drawing(false);
        if (!answer()) {
            painter.end();
            return {};
        }
        drawing(true);
        pass.emplace();
        slice.restart();
    }
    pass.reset();
    drawing(false);
    painter.end();
    return image;
}

QByteArray RectsView::templateDocumentData(bool *cancelled)
{
    const QString orientation = getTemplateFolder();
    GraphicList graphics;
    for (const GraphicPtr &graphic : std::as_const(rects))
        if (graphic->isOnPageNamed(orientation + FrontSide) || graphic->isOnPageNamed(orientation + BackSide))
            graphics.append(graphic);
    // Made a slice at a time, the window answering between slices as Save does, the canvas not
    // drawn again while the panel shows.
    const WindowAnswering::Command command(this, WindowAnswering::PanelAfterMs,
                                               WindowAnswering::Command::Canvas::Unchanged);
    WindowAnswering answering(window(), Language::stringForKey(QStringLiteral("Saving the template...")),
                              graphics.size() + 1, WindowAnswering::PanelAfterMs);
    auto givenUp = [&answering, cancelled] {
        if (cancelled)
            *cancelled = answering.cancelled();
        return QByteArray();
    };
    QVariantMap dict;
    QVariantList objects;
    objects.reserve(graphics.size());
    PictureCopy::Batch copies;
    for (const GraphicPtr &graphic : std::as_const(graphics))
        graphic->startPictureCopy(copies, true);
    const ColorRect::LinkedTextPlaces places(graphics);
    for (const GraphicPtr &graphic : std::as_const(graphics)) {
        objects.append(graphic->propertyListRepresentationTemplate(&graphics, &places));
        if (!answering.step(objects.size()))
            return givenUp();
    }
    dict.insert(QStringLiteral("ObjectsList"), objects);
    if (!_groups.isEmpty())
        dict.insert(QStringLiteral("GroupsList"), groupsRepresentation(graphics));
    const QImage image = createTemplateObjectImage([&answering, &graphics] { return answering.now(graphics.size()); });
    if (answering.cancelled())
        return givenUp();
    const QByteArray preview = TemplateFile::previewData(image);
    if (preview.isEmpty())
        return {};
    dict.insert(QStringLiteral("TemplateImage"), preview);
    dict.insert(QStringLiteral("TemplateBounds"),
                rectToString(QRectF(0.0, 0.0, double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0)));
    objects = QVariantList();
    QByteArray data;
    besideWindow(answering, graphics.size(), [&dict, &data] {
        data = PropertyList::toData(dict, PlistFormat::Binary);
        PropertyList::disposeOffThread(QVariant(std::move(dict)));
    });
    return data;
}

void RectsView::saveTemplate()
{
    if (!canSaveTemplate())
        return;
    SaveTemplate *panel = saveTemplatePanel();
    if (panel->runModal(window()) != 1)
        return;
    const QString title = panel->templateTitle();
    if (!TemplateFile::isValidName(title)) {
        // The name becomes a file in the template folder: it may neither leave the folder
        // nor hide from the browser.
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Could not save Template Document!")),
                                 Language::stringForKey(QStringLiteral("Template names cannot be empty, contain \"/\" or start with \".\".")),
                                 {Language::stringForKey(QStringLiteral("Close"))}, Prompts::Informational);
        return;
    }
    // A path the reader would not take back is not written.
    if (const qsizetype points = pathPastLimit(rects)) {
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Could not save Template Document!")),
                                 Language::withValues(Language::stringForKey(QStringLiteral("The design holds a path of %@ points, more than the %@ a path may hold: it was not saved.")),
                                                      {QLocale().toString(points), QLocale().toString(BezierPathArchive::MaxElements)}),
                                 {Language::stringForKey(QStringLiteral("Close"))}, Prompts::Informational);
        return;
    }
    const SpinScope busy(*this);
    const QString fresh = getTemplatePath();
    const QString path = fresh.isEmpty() ? QString() : TemplateFile::uniquePath(QFileInfo(fresh).path(), title);
    bool cancelled = false;
    const QByteArray data = path.isEmpty() ? QByteArray() : templateDocumentData(&cancelled);
    // Given up in its progress panel, nothing was written and there is nothing to tell.
    if (cancelled)
        return;
    bool written = false;
    if (!data.isEmpty()) {
        QSaveFile file(path);
        written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    }
    if (!written) {
        // Also when the folder could not be made: the user is told the template is not there.
        templateSaveFailed(window());
    } else {
        const QString orientation = getTemplateFolder();
        GraphicList saved;
        for (const GraphicPtr &graphic : std::as_const(rects))
            if (graphic->isOnPageNamed(orientation + FrontSide) || graphic->isOnPageNamed(orientation + BackSide)) {
                graphic->setTemplateFlag(true);
                saved.append(graphic);
            }
        noteTemplatePlaces(saved, QFileInfo(path).canonicalFilePath());
        const QFileInfo info(path);
        _selectedTemplates.append(TTemplate(info.completeBaseName(), info.dir().dirName(),
                                            sideOfPage(getCurrPageName()).isEmpty() ? FrontSide
                                                                                     : sideOfPage(getCurrPageName())));
    }
    if (userImagesMayHaveChanged)
        userImagesMayHaveChanged();
    if (m_templateBrowser.forgetFolder)
        m_templateBrowser.forgetFolder();
    s_templateListLoaded = false;
    if (m_templateBrowser.isShown && m_templateBrowser.isShown())
        updateTamplatesList();
}

// ---- applying ----

void RectsView::reportTemplateNotRead()
{
    Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Could not open the template.")),
                             Language::stringForKey(QStringLiteral("The file is damaged or is not a design template.")),
                             {Language::stringForKey(QStringLiteral("Close"))}, Prompts::Informational);
}

void RectsView::setSelectedTemplates(const QList<TTemplate> &records)
{
    const QList<TTemplate> old = _selectedTemplates;
    registerUndo([this, old] { setSelectedTemplates(old); });
    _selectedTemplates = records;
}

void RectsView::removeTemplate(bool currentPageOnly, const QSet<const Group *> &kept)
{
    const QString page = getCurrPageName();
    // A group of the template goes with its members, but one that loses them to the next
    // template: all of them in one walk of the design.
    QSet<const ColorRect *> going;
    for (const GraphicPtr &graphic : std::as_const(rects))
        if (graphic->isTemplate() && (!currentPageOnly || graphic->isOnPageNamed(page)))
            going.insert(graphic.get());
    removeGraphics(going, {}, kept);
    QList<TTemplate> records = _selectedTemplates;
    if (!currentPageOnly) {
        if (!records.isEmpty())
            records.removeFirst();
    } else {
        const QString side = sideOfPage(page).isEmpty() ? FrontSide : sideOfPage(page);
        for (int i = 0; i < records.size(); ++i) {
            if (records[i].templateType() == side) {
                records.removeAt(i);
                break;
            }
        }
    }
    if (records != _selectedTemplates)
        setSelectedTemplates(records);
}

void RectsView::replaceGroupMember(const GroupPtr &group, const GraphicPtr &member, const GraphicPtr &replacement)
{
    if (!group || !group->replaceObject(member, replacement))
        return;
    registerUndo([this, group, member, replacement] { replaceGroupMember(group, replacement, member); });
    update();
}

void RectsView::noteTemplatePlaces(const GraphicList &graphics, const QString &file)
{
    for (auto it = m_templatePlaces.begin(); it != m_templatePlaces.end();)
        it = it->graphic.expired() ? m_templatePlaces.erase(it) : std::next(it);
    for (qsizetype i = 0; i < graphics.size(); ++i)
        m_templatePlaces.insert(graphics[i].get(), TemplatePlace{graphics[i], file, i});
}

void RectsView::scaleTemplateObjectsFromSize(const QSizeF &from, const QSizeF &to, const GraphicList &placed)
{
    if (!(from.width() > 0.0) || !(from.height() > 0.0) || !(to.width() > 0.0) || !(to.height() > 0.0) || from == to)
        return;
    const double sx = to.width() / from.width();
    const double sy = to.height() / from.height();
    // Applying a template is undone by taking its objects away: their scaled frames need no
    // way back of their own.
    m_undoManager.disableUndoRegistration();
    QSet<const Group *> asked;
    QSet<const Group *> scaledWhole;
    for (const GraphicPtr &graphic : placed) {
        if (Group *owner = graphic->getGroup()) {
            if (!asked.contains(owner)) {
                asked.insert(owner);
                const GroupPtr group = groupPtr(owner);
                if (group && group->scaleWhole(sx, sy))
                    scaledWhole.insert(owner);
            }
            if (scaledWhole.contains(owner))
                continue;
        }
        if (graphic->isTemplate())
            graphic->scaleByX(sx, sy);
    }
    // A plain group's frame holds its members as they now lie.
    fitGroupsToMembers();
    m_undoManager.enableUndoRegistration();
}

void RectsView::keepTextOffTheHole(const GraphicList &placed)
{
    // A disc's centre hole prints nothing: a design made for a label without one has its text
    // moved off the hole, to the side of it where the text's middle lies, within the label.
    const double radius = double(_tlabel.hole) * 36.0;
    if (!(radius > 0.0))
        return;
    const QPointF centre(double(_tlabel.width) * 36.0, double(_tlabel.height) * 36.0);
    const double height = double(_tlabel.height) * 72.0;
    for (const GraphicPtr &graphic : placed) {
        if (!graphic->showsText() || graphic->getGroup() || graphic->angle() != 0.0f)
            continue;
        const QRectF frame = graphic->frameBounds();
        const double dx = std::max({frame.left() - centre.x(), centre.x() - frame.right(), 0.0});
        if (dx >= radius)
            continue;
        // The hole's extent up and down at the frame's edge nearest the centre.
        const double half = std::sqrt(radius * radius - dx * dx);
        const double top = centre.y() - half;
        const double bottom = centre.y() + half;
        if (frame.bottom() <= top || frame.top() >= bottom)
            continue;
        double y = frame.center().y() <= centre.y() ? top - frame.height() : bottom;
        y = std::clamp(y, 0.0, std::max(0.0, height - frame.height()));
        const bool wasTemplate = graphic->isTemplate();
        graphic->setFrameBounds(frame.translated(0.0, y - frame.top()));
        graphic->setTemplateFlag(wasTemplate);
    }
}

bool RectsView::setupNewTemplate(const QString &path, bool oneside)
{
    std::optional<QVariantMap> read;
    {
        // Laid out again by a stock change, the template is read and made inside that change.
        WindowAnswering answering(m_stockChanging ? nullptr : window(),
                                  Language::stringForKey(QStringLiteral("Reading the file...")), 1,
                                  WindowAnswering::PanelAfterMs);
        besideWindow(answering, 0, [&read, &path] { read = TemplateFile::read(path); });
    }
    if (!read) {
        // A damaged file changes nothing, not even the undo history.
        reportTemplateNotRead();
        return false;
    }
    const QVariantMap &dict = *read;
    if (!roomForTemplate(dict, oneside))
        return false;
    // The objects are made before anything changes, as Open makes a design's: a picture placed
    // many times is decoded once for all its objects, a chain's text read once from its first
    // box, and the window answers meanwhile; given up, the design stays as it was.
    const bool hasObjects = dict.contains(QStringLiteral("ObjectsList"));
    QVariantList entries = hasObjects ? dict.value(QStringLiteral("ObjectsList")).toList() : QVariantList();
    // The forms of tens of thousands of objects take a good while to let go of: that is done
    // aside, whichever way this ends.
    struct Aside
    {
        std::optional<QVariantMap> &read;
        QVariantList &entries;
        ~Aside()
        {
            PropertyList::disposeOffThread(QVariant(std::move(entries)));
            if (read)
                PropertyList::disposeOffThread(QVariant(std::move(*read)));
        }
    } aside{read, entries};
    GraphicList made;
    QStringList storedPages;
    if (hasObjects) {
        const PropertyListArray forms(entries);
        QList<qsizetype> places;
        std::optional<GraphicList> objects;
        {
            const SpinScope busy(*this);
            // Laid out again by a stock change, the template is made inside that change.
            objects = objectsOfForms(forms, m_stockChanging ? nullptr : window(), this, "Adding the objects...", &places);
        }
        if (!objects)
            return false;
        made = std::move(*objects);
        const QString pageKey = QStringLiteral("PageName");
        storedPages.reserve(places.size());
        for (const qsizetype entry : std::as_const(places))
            storedPages.append(forms.valueAt(entry, pageKey).toString());
    }
    const ChangeBatch batch(*this);
    clearEditable();
    // Laid out again by a stock change, the template is part of that change's step.
    if (!m_stockChanging)
        m_undoManager.removeAllActions();
    m_undoManager.beginUndoGrouping();
    const QRectF templateBounds = TemplateFile::bounds(dict);

    if (hasObjects) {
        const bool twoSides = TemplateFile::hasTwoSides(entries);
        clearSelection();
        // The user's own groups that hold template objects about to give way keep them for
        // the objects the template places from the same entries.
        const bool currentPageOnly = oneside && !twoSides;
        const QString file = QFileInfo(path).canonicalFilePath();
        struct Kept
        {
            GroupPtr group;
            GraphicPtr member;
            GraphicPtr before; // what stays in front of it: the replacement goes behind that
        };
        QList<Kept> kept;
        QSet<const Group *> keptGroups;
        {
            const QString current = getCurrPageName();
            auto goes = [&](const GraphicPtr &graphic) {
                return graphic->isTemplate() && (!currentPageOnly || graphic->isOnPageNamed(current));
            };
            QHash<const Group *, GroupPtr> held;
            for (const GroupPtr &group : std::as_const(_groups))
                held.insert(group.get(), group);
            for (qsizetype i = 0; i < rects.size(); ++i) {
                const GraphicPtr &graphic = rects[i];
                const GroupPtr owner = graphic->getGroup() && goes(graphic) ? held.value(graphic->getGroup()) : nullptr;
                if (!owner || owner->className() != QLatin1String("Group"))
                    continue;
                const GraphicList &members = owner->getObjects();
                if (std::all_of(members.begin(), members.end(), goes))
                    continue;
                GraphicPtr before;
                for (qsizetype j = i + 1; j < rects.size() && !before; ++j)
                    if (!goes(rects[j]))
                        before = rects[j];
                kept.append({owner, graphic, before});
                keptGroups.insert(owner.get());
            }
        }
        removeTemplate(currentPageOnly, keptGroups);

        const QString page = getCurrPageName();
        const QString orientation = getTemplateFolder();
        for (int i = 0; i < made.size(); ++i) {
            const GraphicPtr &graphic = made[i];
            const QString side = sideOfPage(storedPages[i]);
            // A one-sided template goes onto the page being edited, whichever side it was
            // made on; a two-sided one keeps each object's side in the current orientation.
            if (!twoSides || side.isEmpty())
                graphic->setPageName(page);
            else
                graphic->setPageName(orientation + side);
            graphic->setTemplateFlag(true);
            insertTemplateGraphic(graphic, i);
        }
        ColorRect::relinkTextChains(made);
        for (const Kept &place : std::as_const(kept)) {
            const TemplatePlace placed = m_templatePlaces.value(place.member.get());
            const GraphicPtr replacement = placed.file == file && placed.entry >= 0 && placed.entry < made.size()
                                                   && placed.graphic.lock() == place.member
                                                   && made[placed.entry]->className() == place.member->className()
                                               ? made[placed.entry]
                                               : nullptr;
            if (replacement && !replacement->getGroup()) {
                replaceGroupMember(place.group, place.member, replacement);
                // Where the user stacked it with the group, not behind everything.
                const int front = place.before ? indexOfGraphic(place.before.get()) : int(rects.size());
                const int at = indexOfGraphic(replacement.get());
                if (front >= 0 && at >= 0)
                    moveGraphic(replacement, at < front ? front - 1 : front);
            } else if (_groups.contains(place.group))
                ungroup_(place.group); // another template: the group has lost that member
        }
        noteTemplatePlaces(made, file);
        const QList<GroupPtr> read = addGroupsFromPropertyList(dict.value(QStringLiteral("GroupsList")), made);
        for (qsizetype i = 0; i < read.size(); ++i) {
            const GroupPtr group = read[i];
            const int at = int(_groups.size() - read.size() + i);
            registerUndo([this, group, at] { removeGroup(group, at); });
        }
        if (!templateBounds.isEmpty())
            scaleTemplateObjectsFromSize(templateBounds.size(),
                                         QSizeF(double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0), made);
        // Merge objects were measured where the template was made, for the record shown
        // there; here they show this window's record or their field titles, at the size this
        // label gives their font. They fit their frames to that as a record change makes them.
        m_undoManager.disableUndoRegistration();
        for (const GraphicPtr &graphic : std::as_const(made))
            graphic->updateContents(nullptr);
        keepTextOffTheHole(made);
        m_undoManager.enableUndoRegistration();
        const QFileInfo info(path);
        const QString currentSide = sideOfPage(page).isEmpty() ? FrontSide : sideOfPage(page);
        QList<TTemplate> records = _selectedTemplates;
        records.append(TTemplate(info.completeBaseName(), info.dir().dirName(), currentSide));
        setSelectedTemplates(records);
        saveTemplatePanel()->setTempTitle(info.completeBaseName());
    }

    _previewMode = true;
    if (m_outlets.segmentedLayersOutlet)
        m_outlets.segmentedLayersOutlet->setSelectedSegment(1);
    update();
    wasChanged(true);
    // The step is the template's as a whole: the selection cleared on the way does not name it.
    m_undoManager.setActionName(QString());
    m_undoManager.endUndoGrouping();
    return true;
}

bool RectsView::roomForTemplate(const QVariantMap &dict, bool oneside)
{
    const QVariantList entries = dict.value(QStringLiteral("ObjectsList")).toList();
    if (entries.isEmpty())
        return true;
    // The template's objects take the place of the template objects it replaces.
    const bool currentPageOnly = oneside && !TemplateFile::hasTwoSides(entries);
    const QString page = getCurrPageName();
    qsizetype replaced = 0;
    for (const GraphicPtr &graphic : std::as_const(rects))
        replaced += graphic->isTemplate() && (!currentPageOnly || graphic->isOnPageNamed(page));
    return roomForObjects(entries.size() - replaced, Language::stringForKey(QStringLiteral("Design")));
}

void RectsView::setDefaultTemplate()
{
    if (_selectedTemplates.isEmpty())
        return;
    SegmentedControl *side = m_outlets.segmentedFrontBackOutlet;
    const int kept = side ? side->selectedSegment() : 0;
    // Every record is applied again on its own side: a template on the back is not lost
    // because another one lies on the front.
    const QList<TTemplate> records = _selectedTemplates;
    for (const TTemplate &record : records) {
        const QString file = record.templateName() + QLatin1Char('.') + QLatin1String(TemplateFile::Extension);
        QString found;
        for (const QString &folder : templatePath()) {
            QString candidate = folder + QLatin1Char('/') + record.templateCategory() + QLatin1Char('/') + file;
            // The user's templates lie in the orientation folder itself, whose name the
            // record holds as its category.
            const QString category = record.templateCategory();
            if (!QFileInfo(candidate).isFile() && (category == HorizontalWord || category == VerticalWord))
                candidate = folder + QLatin1Char('/') + file;
            if (QFileInfo(candidate).isFile()) {
                found = candidate;
                break;
            }
        }
        if (found.isEmpty())
            continue;
        if (side)
            side->setSelectedSegment(record.templateType() == FrontSide ? 0 : 1);
        setupNewTemplate(found, true);
    }
    if (side)
        side->setSelectedSegment(kept);
    update();
}

// ---- categories and the browser ----

QString RectsView::selectedTemplateCategory() const
{
    QComboBox *popup = m_templateBrowser.categoryPopup;
    if (!popup || popup->currentIndex() < 0)
        return QString::fromLatin1(TemplateFile::MyTemplatesCategory);
    return popup->currentData().toString();
}

void RectsView::initTemplateCategories()
{
    QComboBox *popup = m_templateBrowser.categoryPopup;
    if (!popup)
        return;
    const QString remembered = popup->count() == 0 ? QStringLiteral("Music") : popup->currentData().toString();
    const QSignalBlocker blocker(popup);
    popup->clear();
    QStringList titles;
    for (const QString &folder : templatePath())
        for (const QString &name : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            if (!titles.contains(name))
                titles.append(name);
    titles.append(QString::fromLatin1(TemplateFile::MyTemplatesCategory));
    for (const QString &title : std::as_const(titles)) {
        const QString shown = Language::stringForKey(title);
        popup->addItem(shown.isEmpty() ? title : shown, title);
    }
    const int index = popup->findData(remembered);
    popup->setCurrentIndex(index >= 0 ? index : 0);
}

void RectsView::templateCategoryChanged()
{
    s_templateListLoaded = false;
    updateTamplatesList();
}

QString RectsView::templateListFolder() const
{
    const QString category = selectedTemplateCategory();
    if (category == QLatin1String(TemplateFile::MyTemplatesCategory))
        return TemplateFile::userFolder() + getTemplateFolder();
    return TemplateFile::builtInFolder() + getTemplateFolder() + QLatin1Char('/') + category;
}

void RectsView::updateTamplatesList()
{
    if (s_templateListLoaded || !m_templateBrowser.load)
        return;
    m_templateBrowser.load(templateListFolder());
    s_templateListLoaded = true;
}

void RectsView::templateFolderChanged(bool reapply)
{
    s_templateListLoaded = false;
    initTemplateCategories();
    if (m_templateBrowser.isShown && m_templateBrowser.isShown())
        updateTamplatesList();
    if (reapply)
        setDefaultTemplate();
}

} // namespace quillmark
