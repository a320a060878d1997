// The design document: its dictionary (also the clipboard's), the checked reader, open, save,
// Save As, New, the window title, the recent documents and the clipboard commands.
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <optional>
#include <thread>
#include <vector>

#include "canvas/RectsView.h"
#include "canvas/ObjectForms.h"
#include "canvas/SlicedWork.h"
#include "foundation/Language.h"
#include "objects/BezierPathArchive.h"
#include "objects/ColorPath.h"
#include "objects/ColorRect.h"
#include "objects/specImage.h"
#include "objects/Group.h"
#include "objects/ObjectFactory.h"
#include "platform/Archiver.h"
#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/GuardedReader.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "stock/CustomDataSource.h"
#include "stock/DataSource.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"

namespace quillmark {

namespace {

const QString RecentKey = QStringLiteral("RecentDocuments");
constexpr int RecentLimit = 10;

const QStringList LengthKeys = {QStringLiteral("width"),  QStringLiteral("height"), QStringLiteral("top_m"),
                                QStringLiteral("left_m"), QStringLiteral("v_dist"), QStringLiteral("h_dist"),
                                QStringLiteral("round"),  QStringLiteral("hole")};

// Two decimals of an inch are up to an eighth of a millimetre off, and a sheet's offsets add
// them up: stock lengths are written to four decimals, always, so that a reader can tell them
// from the two of older documents. Readers that take the leading number read both.
QString storedStockLength(float inches)
{
    if (!std::isfinite(inches))
        return fmt2(double(inches));
    return QString::asprintf("%.4f", double(inches));
}

// Older documents wrote every stock length to two decimals of an inch; lengths with more
// decimals, or numbers, were written exactly.
bool hasTwoDecimalLengths(const QVariantMap &values)
{
    for (const QString &key : {QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("top_m"),
                               QStringLiteral("left_m"), QStringLiteral("v_dist"), QStringLiteral("h_dist")}) {
        const QVariant value = values.value(key);
        if (value.typeId() != QMetaType::QString)
            continue;
        const QString text = value.toString().trimmed();
        const qsizetype point = text.indexOf(QLatin1Char('.'));
        if (point >= 0 && text.size() - point - 1 > 2)
            return false;
    }
    return true;
}

bool isNumberLike(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

double numberOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return leadingDouble(value.toString());
    return value.toDouble();
}

bool isInteger(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// The file is named and the reason given: a user with many designs must know which one and
// whether it can be mended.
void openFailed(QWidget *parent, const QString &reason)
{
    Prompts::current().alert(parent, Language::stringForKey(QStringLiteral("Open Document:")), reason,
                             {Language::stringForKey(QStringLiteral("Close"))});
}

QString openProblem(const QString &path, const RectsView::DocumentCheck &check)
{
    const QString name = QFileInfo(path).fileName();
    switch (check.problem) {
    case RectsView::DocumentCheck::Damaged:
        // A file cut short (a full disk stopped its save) or garbled has no part to name.
        if (check.key.isEmpty())
            return Language::withValues(
                Language::stringForKey(QStringLiteral("The design “%@” is damaged: it is cut short or garbled and cannot be read.")),
                {name});
        return Language::withValues(Language::stringForKey(QStringLiteral("The design “%@” is damaged at “%@”.")),
                                    {name, check.key});
    case RectsView::DocumentCheck::PathTooLong:
        return Language::withValues(
            Language::stringForKey(QStringLiteral("The design “%@” holds a path of %@ points, more than the %@ a path may hold.")),
            {name, QLocale().toString(check.objects), QLocale().toString(BezierPathArchive::MaxElements)});
    case RectsView::DocumentCheck::TooManyObjects:
        return Language::withValues(
            Language::stringForKey(QStringLiteral("The design “%@” holds %@ objects, more than the %@ a design may hold.")),
            {name, QLocale().toString(check.objects), QLocale().toString(RectsView::maximumObjects())});
    default:
        return Language::withValues(Language::stringForKey(QStringLiteral("The file “%@” is not a Quillmark design.")),
                                    {name});
    }
}

// A design's file begins as a property list does, binary or XML; an empty one is a design whose
// save was cut short before its first byte.
bool startsAsPropertyList(const QByteArray &data)
{
    if (data.isEmpty() || data.startsWith("bplist"))
        return true;
    qsizetype at = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < data.size() && std::isspace(uchar(data.at(at))))
        ++at;
    const QByteArrayView text = QByteArrayView(data).sliced(at);
    return text.startsWith("<?xml") || text.startsWith("<!DOCTYPE plist") || text.startsWith("<plist");
}

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

void saveFailed(QWidget *parent, const QString &reason = QString())
{
    Prompts::current().alert(parent, Language::stringForKey(QStringLiteral("Could not save Document!")),
                             reason.isEmpty() ? Language::stringForKey(QStringLiteral("There was an error.")) : reason,
                             {Language::stringForKey(QStringLiteral("Close"))});
}

QString withExtension(const QString &path, const QString &extension)
{
    if (QFileInfo(path).suffix() == extension)
        return path;
    return path + QLatin1Char('.') + extension;
}

} // namespace

// ---- the dictionary ----

QVariantMap RectsView::labelRepresentation() const
{
    QVariantMap label;
    label.insert(QStringLiteral("name"), _tlabel.name);
    label.insert(QStringLiteral("width"), storedStockLength(_tlabel.width));
    label.insert(QStringLiteral("height"), storedStockLength(_tlabel.height));
    label.insert(QStringLiteral("top_m"), storedStockLength(_tlabel.top_margin));
    label.insert(QStringLiteral("left_m"), storedStockLength(_tlabel.left_margin));
    label.insert(QStringLiteral("v_dist"), storedStockLength(_tlabel.vert_distance));
    label.insert(QStringLiteral("h_dist"), storedStockLength(_tlabel.hor_distance));
    label.insert(QStringLiteral("number"), fmtInt(_tlabel.num_label));
    label.insert(QStringLiteral("number_down"), fmtInt(_tlabel.num_downlabel));
    label.insert(QStringLiteral("units"), fmtInt(_tlabel.units));
    label.insert(QStringLiteral("deleted"), fmtInt(_tlabel.deleted));
    label.insert(QStringLiteral("round"), storedStockLength(_tlabel.round_param));
    label.insert(QStringLiteral("hole"), storedStockLength(_tlabel.hole));
    label.insert(QStringLiteral("shape"), fmtInt(_tlabel.shape));
    if (!_tlabel.paper.isEmpty())
        label.insert(QStringLiteral("paper"), _tlabel.paper);
    if (!_pNonPrnLabel.isEmpty())
        label.insert(QStringLiteral("label_cell"), _pNonPrnLabel);
    return label;
}

QVariantList RectsView::groupsRepresentation(const GraphicList &graphics) const
{
    // Each object's place found once: asking the list for every group and member would grow
    // with the square of a design with many groups.
    Group::Places places;
    places.reserve(graphics.size());
    for (qsizetype i = 0; i < graphics.size(); ++i)
        places.insert(graphics[i].get(), i);
    QVariantList groups;
    for (const GroupPtr &group : std::as_const(_groups)) {
        const GraphicList &members = group->getObjects();
        if (members.isEmpty() || !places.contains(members.first().get()))
            continue;
        QVariantMap stored = group->propertyListRepresentation(graphics, &places);
        // A group grouped again with more objects was moved along with them by the group that
        // holds it, its frame left behind: it is stored at the frame its members hold.
        if (group->className() == QLatin1String("Group")
            && std::any_of(members.begin(), members.end(), [&group](const GraphicPtr &m) { return m->getGroup() != group.get(); }))
            stored.insert(QStringLiteral("GroupBounds"), rectToString(group->membersFrame()));
        groups.append(stored);
    }
    return groups;
}

QList<GroupPtr> RectsView::addGroupsFromPropertyList(const QVariant &stored, const GraphicList &graphics)
{
    const QList<GroupPtr> read = Group::groupsWithPropertyListRepresentation(stored.toList(), graphics);
    if (read.isEmpty())
        return read;
    for (const GroupPtr &other : std::as_const(_groups))
        other->setSelected(false);
    if (!m_groupsMayNest) {
        qsizetype memberships = 0;
        QSet<const ColorRect *> members;
        for (const GroupPtr &group : read) {
            memberships += group->getObjects().size();
            for (const GraphicPtr &member : group->getObjects())
                members.insert(member.get());
        }
        m_groupsMayNest = memberships != members.size();
    }
    _groups.reserve(_groups.size() + read.size());
    for (const GroupPtr &group : read) {
        group->setRectsView(this);
        group->setSelected(false);
        listGroup(group);
    }
    return read;
}

QVariantMap RectsView::drawDocumentDictionaryForGraphics(const GraphicList &graphics)
{
    QVariantMap dict = documentSettingsForGraphics(graphics);
    QVariantList objects;
    objects.reserve(graphics.size());
    ObjectForms(graphics, &graphics).deliver([&objects](QVariant &&form) { objects.append(std::move(form)); });
    dict.insert(QStringLiteral("ObjectsList"), objects);
    dict.insert(QStringLiteral("QuillmarkDocPreview"), documentPreviewForGraphics(graphics));
    return dict;
}

QVariantMap RectsView::documentSettingsForGraphics(const GraphicList &graphics)
{
    QVariantMap dict;
    if (!_groups.isEmpty())
        dict.insert(QStringLiteral("GroupsList"), groupsRepresentation(graphics));
    dict.insert(QStringLiteral("TLabel"), QVariantList{labelRepresentation()});
    const QString version = Bundle::versionString();
    if (!version.isEmpty())
        dict.insert(QStringLiteral("DocumentVersion"), version);
    dict.insert(QStringLiteral("Measurements"), measure());
    dict.insert(QStringLiteral("DrawByType"), drawByType() ? QStringLiteral("YES") : QStringLiteral("NO"));
    const bool landscape = m_outlets.cbLandscapeView && m_outlets.cbLandscapeView->isChecked();
    dict.insert(QStringLiteral("OrientationKey"), qint64(landscape ? 1 : 0));
    if (currentDatabaseForDocument) {
        const auto [path, pk] = currentDatabaseForDocument();
        if (!path.isEmpty()) {
            dict.insert(QStringLiteral("databasePathKey"), path);
            if (pk != qint64(4294967295LL))
                dict.insert(QStringLiteral("databasePkKey"), pk);
        }
    }
    return dict;
}

QByteArray RectsView::documentPreviewForGraphics(const GraphicList &graphics, const std::function<bool()> &answer)
{
    bool gaveUp = false;
    const std::function<bool()> between = answer ? std::function<bool()>([&answer, &gaveUp] {
        gaveUp = gaveUp || !answer();
        return !gaveUp;
    })
                                                 : std::function<bool()>();
    QByteArray preview = documentPreviewData ? documentPreviewData(between) : QByteArray();
    if (!preview.isEmpty() || gaveUp)
        return preview;
    // The label at 72 dots per inch, as the document browser shows it.
    const QSize size(std::clamp(int(std::lround(_tlabel.width * 72.0)), 1, 4096),
                     std::clamp(int(std::lround(_tlabel.height * 72.0)), 1, 4096));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool wasPrinting = m_printing;
        m_printing = true;
        const ColorRect::DrawingPass pass;
        for (const GraphicPtr &graphic : sortedByLayer(graphics))
            if (graphic->isOnPageNamed(getCurrPageName()))
                graphic->drawFrame(&painter, QRectF(QPointF(), QSizeF(size)), false);
        m_printing = wasPrinting;
    }
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    return Archiver::archive(QStringLiteral("QMImage"), {{QStringLiteral("data"), png}});
}

RectsView::DocumentCheck RectsView::checkDocumentDictionary(const QVariantMap &dict)
{
    QVariantMap rest = dict;
    const QVariant objects = rest.take(QStringLiteral("ObjectsList"));
    if (objects.isValid() && objects.typeId() != QMetaType::QVariantList)
        return DocumentCheck{DocumentCheck::Damaged, QStringLiteral("ObjectsList"), 0};
    return checkDocumentDictionary(rest, PropertyListArray(objects.toList()));
}

RectsView::DocumentCheck RectsView::checkDocumentDictionary(const QVariantMap &dict, const PropertyListArray &objects)
{
    auto damaged = [](const QString &key) { return DocumentCheck{DocumentCheck::Damaged, key, 0}; };
    // Left in the dictionary only when it holds no array.
    if (dict.contains(QStringLiteral("ObjectsList")))
        return damaged(QStringLiteral("ObjectsList"));
    if (objects.size() > maximumObjects())
        return DocumentCheck{DocumentCheck::TooManyObjects, QString(), objects.size()};
    bool anyKnown = false;
    // Only each entry's kind is read here: the entries are read whole once, as their objects
    // are made, and a design of many objects is never held whole.
    const QString classKey = QStringLiteral("Class");
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (!objects.isDictionaryAt(i))
            return damaged(QStringLiteral("ObjectsList"));
        // One known kind is enough; the others are not looked up.
        if (anyKnown)
            continue;
        const QVariant kind = objects.valueAt(i, classKey);
        anyKnown = kind.typeId() == QMetaType::QString && ObjectFactory::isRegistered(kind.toString());
    }
    // Opened, such a design would show an empty label and lose every object on the next save.
    if (!objects.isEmpty() && !anyKnown)
        return DocumentCheck{DocumentCheck::NotADesign, QString(), 0};
    // A path of more points than a path may hold would open as its frame's rectangle. Its
    // stored outline takes a byte a point at the least: only a file holding such data is
    // looked through.
    const qint64 largestData = objects.largestDataSize();
    if (largestData < 0 || largestData >= BezierPathArchive::MaxElements) {
        const QString pathKey = QStringLiteral("Path");
        for (qsizetype i = 0; i < objects.size(); ++i)
            if (const qsizetype points = BezierPathArchive::elementsPastLimit(objects.valueAt(i, pathKey)))
                return DocumentCheck{DocumentCheck::PathTooLong, QString(), points};
    }
    const QVariant groups = dict.value(QStringLiteral("GroupsList"));
    if (groups.isValid()) {
        if (groups.typeId() != QMetaType::QVariantList || groups.toList().size() > maximumObjects())
            return damaged(QStringLiteral("GroupsList"));
        for (const QVariant &entry : groups.toList())
            if (entry.typeId() != QMetaType::QVariantMap)
                return damaged(QStringLiteral("GroupsList"));
    }
    const QVariant labels = dict.value(QStringLiteral("TLabel"));
    if (labels.typeId() != QMetaType::QVariantList || labels.toList().isEmpty()
        || labels.toList().first().typeId() != QMetaType::QVariantMap)
        return damaged(QStringLiteral("TLabel"));
    const QVariantMap label = labels.toList().first().toMap();
    const QVariant name = label.value(QStringLiteral("name"));
    if (name.isValid() && name.typeId() != QMetaType::QString)
        return damaged(QStringLiteral("name"));
    for (const QString &key : LengthKeys) {
        const QVariant value = label.value(key);
        if (!value.isValid())
            continue;
        if (!isNumberLike(value))
            return damaged(key);
        const double length = numberOf(value);
        if (!std::isfinite(length) || length < 0.0 || length > 1000.0)
            return damaged(key);
    }
    for (const QString &key : {QStringLiteral("number"), QStringLiteral("number_down")}) {
        const QVariant value = label.value(key);
        if (!value.isValid())
            continue;
        const double count = isNumberLike(value) ? numberOf(value) : -1.0;
        if (!(count >= 1.0 && count <= 1000.0))
            return damaged(key);
    }
    for (const QString &key : {QStringLiteral("units"), QStringLiteral("deleted"), QStringLiteral("shape")}) {
        const QVariant value = label.value(key);
        if (!value.isValid())
            continue;
        const double number = isNumberLike(value) ? numberOf(value) : -1e9;
        if (!(number >= -32768.0 && number <= 32767.0))
            return damaged(key);
    }
    const QVariant cells = label.value(QStringLiteral("label_cell"));
    if (cells.isValid() && cells.typeId() != QMetaType::QByteArray)
        return damaged(QStringLiteral("label_cell"));
    for (const QString &key : {QStringLiteral("Measurements"), QStringLiteral("DrawByType"),
                               QStringLiteral("databasePathKey")}) {
        const QVariant value = dict.value(key);
        if (value.isValid() && value.typeId() != QMetaType::QString)
            return damaged(key);
    }
    for (const QString &key : {QStringLiteral("OrientationKey"), QStringLiteral("databasePkKey")}) {
        const QVariant value = dict.value(key);
        if (value.isValid() && !isInteger(value))
            return damaged(key);
    }
    const QVariant orientation = dict.value(QStringLiteral("OrientationKey"));
    if (orientation.isValid() && orientation.toLongLong() != 0 && orientation.toLongLong() != 1)
        return damaged(QStringLiteral("OrientationKey"));
    return {};
}

TLabel RectsView::labelWithRepresentation(const QVariantMap &dict)
{
    TLabel label;
    label.name = QStringLiteral("Unknown");
    const QVariantList labels = dict.value(QStringLiteral("TLabel")).toList();
    if (labels.isEmpty())
        return label;
    const QVariantMap values = labels.first().toMap();
    auto length = [&values](const char *key, float &field) {
        const QVariant value = values.value(QLatin1String(key));
        if (value.isValid() && isNumberLike(value))
            field = float(numberOf(value));
    };
    auto count = [&values](const char *key, qint16 &field) {
        const QVariant value = values.value(QLatin1String(key));
        if (value.isValid() && isNumberLike(value))
            field = qint16(std::clamp(numberOf(value), -32768.0, 32767.0));
    };
    if (values.value(QStringLiteral("name")).typeId() == QMetaType::QString)
        label.name = values.value(QStringLiteral("name")).toString();
    length("width", label.width);
    length("height", label.height);
    length("top_m", label.top_margin);
    length("left_m", label.left_margin);
    length("v_dist", label.vert_distance);
    length("h_dist", label.hor_distance);
    count("number", label.num_label);
    count("number_down", label.num_downlabel);
    count("units", label.units);
    count("deleted", label.deleted);
    length("round", label.round_param);
    length("hole", label.hole);
    count("shape", label.shape);
    if (values.value(QStringLiteral("paper")).typeId() == QMetaType::QString)
        label.paper = canonicalPaperName(values.value(QStringLiteral("paper")).toString());
    const QVariant cells = values.value(QStringLiteral("label_cell"));
    if (cells.typeId() == QMetaType::QByteArray) {
        const int size = std::max(0, int(label.num_label)) * std::max(0, int(label.num_downlabel));
        QByteArray flags(size, '\0');
        const QByteArray stored = cells.toByteArray();
        std::copy_n(stored.constData(), std::min<qsizetype>(stored.size(), size), flags.data());
        _pNonPrnLabel = flags;
    }
    return label;
}

GraphicList RectsView::graphicsFromDrawDocumentDictionary(const QVariantMap &dict)
{
    return graphicsFromDrawDocumentDictionary(dict, PropertyListArray(dict.value(QStringLiteral("ObjectsList")).toList()));
}

GraphicList RectsView::graphicsFromDrawDocumentDictionary(const QVariantMap &dict, const PropertyListArray &objects)
{
    return graphicsFromDrawDocumentDictionary(dict, std::move(*objectsOfForms(objects, nullptr)));
}

GraphicList RectsView::graphicsFromDrawDocumentDictionary(const QVariantMap &dict, GraphicList &&made)
{
    ColorRect::relinkTextChains(made);
    addGroupsFromPropertyList(dict.value(QStringLiteral("GroupsList")), made);
    return made;
}

// ---- open ----

bool RectsView::open(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (QFileInfo(path).suffix() != QLatin1String("qkdoc")) {
        openFailed(window(), openProblem(path, {DocumentCheck::NotADesign, QString(), 0}));
        return false;
    }
    // A design may come from anyone: a FIFO or a device named like one is refused at once.
    GuardedReader::Refusal refusal = GuardedReader::Refusal::None;
    QString why;
    std::unique_ptr<QFile> file = GuardedReader::open(path, PropertyList::MaximumSize, &refusal, &why);
    if (!file && refusal == GuardedReader::Refusal::TooLarge) {
        openFailed(window(), Language::withValues(
                                 Language::stringForKey(QStringLiteral("The design “%@” is larger than the %@ MB a design may take.")),
                                 {name, megabytes(PropertyList::MaximumSize)}));
        return false;
    }
    if (!file) {
        openFailed(window(), Language::withValues(Language::stringForKey(QStringLiteral("The file “%@” could not be read: %@")),
                                                  {name, why}));
        return false;
    }
    const QByteArray data = file->readAll();
    if (file->error() != QFileDevice::NoError) {
        openFailed(window(), Language::withValues(Language::stringForKey(QStringLiteral("The file “%@” could not be read: %@")),
                                                  {name, file->errorString()}));
        return false;
    }
    file.reset();
    // The objects are read from the file's bytes one at a time, as they are checked and made:
    // the tree of the whole design is never held beside the objects.
    PropertyListArray objects;
    const QVariant parsed = PropertyList::fromDataDeferring(data, QStringLiteral("ObjectsList"), &objects);
    // The whole document is checked before anything on the canvas changes.
    DocumentCheck check{DocumentCheck::NotADesign, QString(), 0};
    if (parsed.typeId() == QMetaType::QVariantMap)
        check = checkDocumentDictionary(parsed.toMap(), objects);
    else if (!parsed.isValid() && startsAsPropertyList(data))
        check = DocumentCheck{DocumentCheck::Damaged, QString(), 0};
    if (!check.isSound()) {
        NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
        openFailed(window(), openProblem(path, check));
        return false;
    }
    const QVariantMap dict = parsed.toMap();
    // The objects are made before anything on the canvas changes, the window answering
    // meanwhile: given up, the design shown stays as it was.
    std::optional<GraphicList> made;
    {
        const SpinScope busy(*this);
        made = objectsOfForms(objects, window(), this, "Reading the file...");
    }
    objects = PropertyListArray();
    if (!made)
        return false;
    const ChangeBatch batch(*this);

    m_undoManager.removeAllActions();
    m_undoManager.disableUndoRegistration();
    clearSelection();
    removeAllRects();
    for (const GroupPtr &group : std::as_const(_groups))
        group->clear();
    unlistAllGroups();
    m_groupsMayNest = false;

    if (m_outlets.cbLandscapeView && dict.contains(QStringLiteral("OrientationKey"))) {
        const QSignalBlocker blocker(m_outlets.cbLandscapeView);
        m_outlets.cbLandscapeView->setChecked(dict.value(QStringLiteral("OrientationKey")).toLongLong() == 1);
    }
    const GraphicList graphics = graphicsFromDrawDocumentDictionary(dict, std::move(*made));
    if (m_outlets.cbDrawByType) {
        const QSignalBlocker blocker(m_outlets.cbDrawByType);
        const QVariant byType = dict.value(QStringLiteral("DrawByType"));
        m_outlets.cbDrawByType->setChecked(!byType.isValid() || byType.toString() == QLatin1String("YES"));
    }
    if (dict.contains(QStringLiteral("databasePathKey")) && openDatabaseForDocument
        && openDatabaseForDocument(dict.value(QStringLiteral("databasePathKey")).toString())) {
        wasChanged(false);
        if (dict.contains(QStringLiteral("databasePkKey")) && selectRecordForDocument) {
            selectRecordForDocument(dict.value(QStringLiteral("databasePkKey")).toLongLong());
            wasChanged(false);
        }
    }

    TLabel label = labelWithRepresentation(dict);
    // Older documents kept a stock's lengths to two decimals: a stock the catalogue or the
    // custom list knows takes its exact figures again, so that the design prints where it
    // printed before (5160 is 2.625 in wide, not 2.62). Documents with the exact figures keep
    // them: a sheet typed in millimetres is not moved onto a catalogue stock near it.
    const QVariantList storedLabels = dict.value(QStringLiteral("TLabel")).toList();
    const bool roundedLengths = storedLabels.isEmpty() || hasTwoDecimalLengths(storedLabels.first().toMap());
    if (roundedLengths && label.name != QLatin1String("Unknown")) {
        std::optional<TLabel> known = m_dataSource->matchingLabel(label);
        if (!known)
            known = m_customDataSource->matchingLabel(label);
        if (!known)
            known = m_dataSource->matchingDiscWithoutHole(label);
        if (known) {
            label.width = known->width;
            label.height = known->height;
            label.top_margin = known->top_margin;
            label.left_margin = known->left_margin;
            label.vert_distance = known->vert_distance;
            label.hor_distance = known->hor_distance;
            label.round_param = known->round_param;
            label.hole = known->hole;
        }
    }
    // Documents written before stocks knew their paper take it from the catalogue.
    if (label.paper.isEmpty())
        label.paper = m_dataSource->paperForLabel(label);
    const bool landscape = m_outlets.cbLandscapeView && m_outlets.cbLandscapeView->isChecked();
    if (landscape) {
        std::swap(label.width, label.height);
        std::swap(label.top_margin, label.left_margin);
    }
    // A sheet of more labels than the canvas lays out keeps its name and label size, so the
    // design still shows as made, but it has no label to print on: the user hears which
    // stock it is and why, and it does not join the custom list as a stock to choose.
    const qint64 positions = qint64(std::max<qint16>(label.num_label, 0)) * std::max<qint16>(label.num_downlabel, 0);
    const bool tooManyLabels = label.name != QLatin1String("Unknown") && positions > MaximumGridPositions;
    if (label.name != QLatin1String("Unknown")) {
        if (!tooManyLabels && m_dataSource->labelExists(label) == -1 && m_customDataSource->labelExists(label) == -1) {
            m_customDataSource->addNewFormat(label);
            m_customDataSource->save_data();
            if (QTableView *table = m_outlets.labelTableViewOutlet)
                table->selectRow(m_customDataSource->rowCount() - 1);
        }
        setTLabel(label);
        if (landscape && m_outlets.cbLandscapeView) {
            const QSignalBlocker blocker(m_outlets.cbLandscapeView);
            m_outlets.cbLandscapeView->setChecked(true);
            setLabelLandscape();
        }
    }

    const QString unit = dict.value(QStringLiteral("Measurements")).toString();
    static const QStringList units = {QStringLiteral("Inches"), QStringLiteral("Centimeters"),
                                      QStringLiteral("Points"), QStringLiteral("Picas")};
    if (units.contains(unit))
        UserDefaults::standard().setString(unit, QStringLiteral("Measurements"));

    setFilePath(path);
    noteRecentDocument(path);
    adjustLabelListSelection();
    for (int i = int(graphics.size()) - 1; i >= 0; --i)
        insertGraphic(graphics[i], 0);
    m_undoManager.enableUndoRegistration();
    wasChanged(false);
    // The document's unit shows on the unit button and the rulers.
    updateMeasureBtn();
    updateRulers();
    update();
    NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
    m_undoManager.removeAllActions();
    // The document's print flags show in the stock preview.
    emit stockChanged();
    if (documentOpened)
        documentOpened();
    if (tooManyLabels) {
        // Told once the document shows, not over a half-drawn window.
        const QString message = Language::withValues(
            Language::stringForKey(QStringLiteral("The stock \u201c%@\u201d of this document has %@ labels, more than the %@ "
                                                  "a sheet can hold: none is laid out and nothing is printed. Choose "
                                                  "another stock under Label Formats.")),
            {label.name, QLocale().toString(positions), QLocale().toString(MaximumGridPositions)});
        QTimer::singleShot(0, this, [this, message] {
            Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("The document's stock lays out no labels.")),
                                     message, {Language::stringForKey(QStringLiteral("OK"))}, Prompts::Informational);
        });
    }
    return true;
}

// ---- save ----

bool RectsView::save()
{
    const SpinScope busy(*this);
    QString path = _filePath;
    if (path.isEmpty()) {
        path = Prompts::current().saveFile(window(), QString(), QString(),
                                           Language::stringForKey(QStringLiteral("Untitled")),
                                           {QStringLiteral("qkdoc")});
        if (path.isEmpty())
            return false;
        path = withExtension(path, QStringLiteral("qkdoc"));
    }
    if (!writeDesign(path))
        return false;
    // The design takes a newly chosen path only once it is written there: a failed first save
    // leaves it untitled, so the next Save asks again instead of failing at the same place.
    if (path != _filePath) {
        setFilePath(path);
        noteRecentDocument(path);
    }
    wasChanged(false);
    return true;
}

RectsView::DesignFile RectsView::writeDesignFile(const QString &path)
{
    // Another thread writes the document, and then its file, while this one makes its objects'
    // forms and its picture, each handed over as soon as it is made: Save then takes little
    // more than making them. They are made a slice at a time, the window answering between
    // slices behind a panel whose Cancel leaves the file as it was. All that was made is freed
    // off this thread afterwards.
    struct Writer
    {
        std::shared_ptr<PropertyListStream> objects = std::make_shared<PropertyListStream>(PropertyListStream::Array);
        std::shared_ptr<PropertyListStream> preview = std::make_shared<PropertyListStream>(PropertyListStream::Value);
        DesignFile outcome;
        std::thread thread;
        std::atomic<bool> givenUp{false};
        std::atomic<bool> finished{false};
        // Whatever happens, the writer is let finish before the outcome is read or this returns.
        ~Writer()
        {
            objects->finish();
            preview->finish();
            if (thread.joinable())
                thread.join();
            QThreadPool::globalInstance()->start([objects = std::move(objects), preview = std::move(preview)]() mutable {
                objects.reset();
                preview.reset();
            });
        }
    };
    DesignFile outcome;
    {
        // The design as it is now, whatever the window does between slices.
        const GraphicList graphics = rects;
        // Nothing on the canvas changes: it is not drawn again while the panel shows.
        const WindowAnswering::Command command(this, WindowAnswering::PanelAfterMs,
                                               WindowAnswering::Command::Canvas::Unchanged);
        WindowAnswering answering(window(), Language::stringForKey(QStringLiteral("Saving the design...")),
                                  graphics.size() + 1, WindowAnswering::PanelAfterMs);
        Writer writer;
        QVariantMap settings = documentSettingsForGraphics(graphics);
        settings.insert(QStringLiteral("ObjectsList"), QVariant::fromValue(writer.objects));
        settings.insert(QStringLiteral("QuillmarkDocPreview"), QVariant::fromValue(writer.preview));
        QVariant tree(settings);
        settings = QVariantMap();
        writer.thread = std::thread([&writer, path, tree = std::move(tree)]() mutable {
            // The file takes the document as it is put together, the outlines straight from
            // their own bytes: no copy of the whole is made first and then copied again.
            QSaveFile file(path);
            const bool opened = file.open(QIODevice::WriteOnly);
            // Unopened, the file takes nothing, but the size is still learned for the message.
            const qint64 size = PropertyList::writeBinary(tree, file, opened ? PropertyList::MaximumSize : -1);
            PropertyList::disposeOffThread(std::move(tree));
            writer.outcome.size = std::max<qint64>(size, 0);
            // What Open would refuse is not written, a failed write leaves the old file, and
            // so does a Save given up.
            writer.outcome.written = opened && size > 0 && size <= PropertyList::MaximumSize && !writer.givenUp
                                     && file.commit();
            if (!writer.outcome.written)
                file.cancelWriting();
            writer.finished = true;
        });
        const bool formsMade = formsInSlices(
            graphics, &graphics, [&writer](QVariant &&form) { writer.objects->append(std::move(form)); },
            [&answering](qsizetype done) { return answering.step(done); });
        writer.givenUp = !formsMade;
        writer.objects->finish();
        if (formsMade) {
            const QByteArray preview = documentPreviewForGraphics(graphics, [&answering, &graphics] {
                return answering.now(graphics.size());
            });
            writer.givenUp = answering.cancelled();
            writer.preview->append(preview);
        }
        writer.preview->finish();
        // The file's last bytes reach the disk while the window answers.
        while (!writer.finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (!answering.step(graphics.size()))
                writer.givenUp = true;
        }
        writer.thread.join();
        outcome = writer.outcome;
        outcome.cancelled = answering.cancelled() && !outcome.written;
    }
    return outcome;
}

qsizetype RectsView::pathPastLimit(const GraphicList &graphics) const
{
    qsizetype longest = 0;
    for (const GraphicPtr &graphic : graphics)
        if (const auto *path = dynamic_cast<const ColorPath *>(graphic.get()); path && path->storedPath())
            longest = std::max<qsizetype>(longest, path->storedPath()->elementCount());
    return longest > BezierPathArchive::MaxElements ? longest : 0;
}

bool RectsView::writeDesign(const QString &path)
{
    // What Open would refuse is not written: the file on disk stays as it was.
    if (const qsizetype points = pathPastLimit(rects)) {
        saveFailed(window(), Language::withValues(
                                 Language::stringForKey(QStringLiteral("The design holds a path of %@ points, more than the %@ a path may hold: it was not saved.")),
                                 {QLocale().toString(points), QLocale().toString(BezierPathArchive::MaxElements)}));
        return false;
    }
    if (rects.size() > maximumObjects()) {
        saveFailed(window(), Language::withValues(
                                 Language::stringForKey(QStringLiteral("The design holds %@ objects, more than the %@ a design may hold: it was not saved.")),
                                 {QLocale().toString(rects.size()), QLocale().toString(maximumObjects())}));
        return false;
    }
    const DesignFile file = writeDesignFile(path);
    // Given up in its panel, nothing was written and there is nothing to tell.
    if (file.cancelled)
        return false;
    if (file.size > PropertyList::MaximumSize) {
        saveFailed(window(), Language::withValues(
                                 Language::stringForKey(QStringLiteral("The design would take %@ MB, more than the %@ MB a design may take: it was not saved.")),
                                 {megabytes(file.size), megabytes(PropertyList::MaximumSize)}));
        return false;
    }
    if (!file.written) {
        saveFailed(window());
        return false;
    }
    return true;
}

bool RectsView::saveDocumentAs()
{
    // One entry per type in the panel's pop-up, in the order of their tags: 1 the design,
    // 2 PDF, 3 EPS, 4 TIFF. The whole-sheet types come with the printing code.
    QList<Prompts::FileType> types = {
        {Language::stringForKey(QStringLiteral("Quillmark Document")), {QStringLiteral("qkdoc")}}};
    if (saveAsWriter) {
        types.append({QStringLiteral("PDF"), {QStringLiteral("pdf")}});
        types.append({QStringLiteral("EPS"), {QStringLiteral("ps"), QStringLiteral("eps")}});
        types.append({QStringLiteral("TIFF"), {QStringLiteral("tiff"), QStringLiteral("tif")}});
    }
    int chosenType = 0;
    const QString chosen = Prompts::current().saveFileOfType(
        window(), QStringLiteral("Save Quillmark Document As:"), QString(),
        Language::stringForKey(QStringLiteral("Untitled")), types, chosenType);
    if (chosen.isEmpty())
        return false;
    if (chosenType < 0 || chosenType >= types.size())
        return false;
    const int type = chosenType + 1;
    if (type != 1) {
        const std::optional<bool> written = saveAsWriter(type, chosen);
        if (!written)
            return false;
        if (!*written) {
            saveFailed(window());
            return false;
        }
        if (type != 2)
            wasChanged(false);
        return true;
    }
    const QString path = withExtension(chosen, QStringLiteral("qkdoc"));
    if (!writeDesign(path))
        return false;
    setFilePath(path);
    noteRecentDocument(path);
    wasChanged(false);
    return true;
}

// ---- New and Open ----

bool RectsView::newDocument()
{
    if (!askToSaveChanges())
        return false;
    emptyNewDoc();
    update();
    return true;
}

void RectsView::emptyNewDoc()
{
    const ChangeBatch batch(*this);
    clearSelection();
    for (const GroupPtr &group : std::as_const(_groups))
        group->clear();
    unlistAllGroups();
    m_groupsMayNest = false;
    for (const GraphicPtr &graphic : std::as_const(rects))
        graphic->unlink();
    rects.clear();
    _selectedTemplates.clear();
    _previewMode = false;
    _pNonPrnLabel = QByteArray(std::max(0, int(_tlabel.num_label)) * std::max(0, int(_tlabel.num_downlabel)), '\0');
    if (m_outlets.cbDrawByType) {
        const QSignalBlocker blocker(m_outlets.cbDrawByType);
        m_outlets.cbDrawByType->setChecked(true);
    }
    const bool catalogueRow = m_outlets.labelOutlineViewOutlet && m_outlets.labelOutlineViewOutlet->selectionModel()
                              && m_outlets.labelOutlineViewOutlet->selectionModel()->hasSelection();
    const bool customRow = m_outlets.labelTableViewOutlet && m_outlets.labelTableViewOutlet->selectionModel()
                           && m_outlets.labelTableViewOutlet->selectionModel()->hasSelection();
    if (!catalogueRow && customRow)
        tableViewSelectionDidChange();
    else if (catalogueRow)
        outlineViewSelectionDidChange();
    else if (_tindex == 0)
        rebuildPageSegments(); // they follow the draw-by-type box just set
    changeLabelDescription();
    // A new design starts without the history of the one it replaces.
    m_undoManager.removeAllActions();
    wasChanged(false);
    setFilePath(QString());
    emit stockChanged();
}

bool RectsView::openDocument()
{
    if (!askToSaveChanges())
        return false;
    const QString path = Prompts::current().openFile(window(), QStringLiteral("Choose Quillmark Document to Open"),
                                                     QString(), {QStringLiteral("qkdoc")});
    if (path.isEmpty())
        return false;
    return open(path);
}

bool RectsView::applicationOpenFile(const QString &path)
{
    if (!askToSaveChanges())
        return false;
    const SpinScope busy(*this);
    return open(path);
}

// ---- title and recent documents ----

void RectsView::setFilePath(const QString &path)
{
    _filePath = path;
    updateWindowTitle();
}

QString RectsView::windowTitleText() const
{
    if (_filePath.isEmpty())
        return QStringLiteral("Quillmark::") + Language::stringForKey(QStringLiteral("Untitled"));
    return QStringLiteral("Quillmark::") + QFileInfo(_filePath).fileName();
}

void RectsView::updateWindowTitle()
{
    const QString title = windowTitleText();
    if (QWidget *top = window(); top && top != this)
        top->setWindowTitle(title);
    emit windowTitleChanged(title);
}

QStringList RectsView::recentDocuments()
{
    QStringList list;
    for (const QVariant &entry : UserDefaults::standard().arrayForKey(RecentKey))
        if (entry.typeId() == QMetaType::QString && !entry.toString().isEmpty())
            list.append(entry.toString());
    return list.mid(0, RecentLimit);
}

void RectsView::noteRecentDocument(const QString &path)
{
    QStringList list = recentDocuments();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    list.removeAll(absolute);
    list.prepend(absolute);
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setObject(QVariant(QVariantList(list.begin(), list.begin() + std::min<qsizetype>(list.size(), RecentLimit))),
                       RecentKey);
    defaults.synchronize();
}

void RectsView::clearRecentDocuments()
{
    UserDefaults::standard().removeObject(RecentKey);
    UserDefaults::standard().synchronize();
}

// ---- clipboard ----

QString RectsView::pasteboardType()
{
    return QStringLiteral("Quillmark Graphic Format");
}

namespace {

// The copied design as its dictionary. The bytes are written once, when some reader other
// than this program's Paste asks for them: a Paste here, and every Duplicate, takes the
// dictionary as it is, without writing the bytes and reading them back.
class DesignMimeData : public QMimeData
{
public:
    DesignMimeData(QVariantMap dictionary, std::shared_ptr<const Archiver::KeptRoots> archives,
                   std::vector<std::shared_ptr<const ColorRect::KeptDrawing>> drawings)
        : m_dictionary(std::move(dictionary))
        , m_archives(std::move(archives))
        , m_drawings(std::move(drawings))
    {
    }

    ~DesignMimeData() override
    {
        // Letting go of the copy of a large design takes a good part of a second: it goes
        // beside the window's thread. Nothing else holds on to what only it holds, and
        // what it shares with the design is counted safely across threads.
        // At the program's end the clipboard may outlive the pool: then it is let go of here.
        QThreadPool *pool = QCoreApplication::instance() ? QThreadPool::globalInstance() : nullptr;
        if (!pool)
            return;
        pool->start([dictionary = std::move(m_dictionary), archives = std::move(m_archives),
                     drawings = std::move(m_drawings)]() mutable {
            dictionary = QVariantMap();
            archives.reset();
            drawings.clear();
        });
    }

    const QVariantMap &dictionary() const { return m_dictionary; }
    // The archives inside the dictionary, each with the tree it reads back as.
    const std::shared_ptr<const Archiver::KeptRoots> &archives() const { return m_archives; }
    // What each copied object kept of its drawing (null for most), in the order of the objects
    // list: a Paste's objects equal to them draw from it rather than anew.
    const std::vector<std::shared_ptr<const ColorRect::KeptDrawing>> &drawings() const { return m_drawings; }

    QStringList formats() const override { return {RectsView::pasteboardType()}; }

    bool hasFormat(const QString &mimeType) const override { return mimeType == RectsView::pasteboardType(); }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (mimeType != RectsView::pasteboardType())
            return QMimeData::retrieveData(mimeType, type);
        // When writing fails the type stays offered, with no data.
        if (!m_written) {
            m_bytes = PropertyList::toData(m_dictionary, PlistFormat::Binary);
            m_written = true;
        }
        return m_bytes;
    }

private:
    QVariantMap m_dictionary;
    std::shared_ptr<const Archiver::KeptRoots> m_archives;
    std::vector<std::shared_ptr<const ColorRect::KeptDrawing>> m_drawings;
    mutable QByteArray m_bytes;
    mutable bool m_written = false;
};

} // namespace

QMimeData *RectsView::mimeDataForSelection()
{
    const GraphicList ordered = orderedSelectedGraphics();
    if (ordered.isEmpty())
        return nullptr;
    const std::shared_ptr<Archiver::KeptRoots> archives = Archiver::newKeptRoots();
    QVariantMap dictionary;
    // Nothing on the canvas changes: it is not drawn again while the panel shows.
    const WindowAnswering::Command command(this, WindowAnswering::PanelAfterMs,
                                               WindowAnswering::Command::Canvas::Unchanged);
    {
        // Made a slice at a time, the window answering between slices as Save does.
        WindowAnswering answering(window(), Language::stringForKey(QStringLiteral("Copying the objects...")),
                                  ordered.size() + 1, WindowAnswering::PanelAfterMs);
        const Archiver::Recording recording(archives);
        dictionary = documentSettingsForGraphics(ordered);
        QVariantList objects;
        objects.reserve(ordered.size());
        if (!formsInSlices(
                ordered, &ordered, [&objects](QVariant &&form) { objects.append(std::move(form)); },
                [&answering](qsizetype done) { return answering.step(done); }))
            return nullptr;
        dictionary.insert(QStringLiteral("ObjectsList"), objects);
        const QByteArray preview = documentPreviewForGraphics(ordered, [&answering, &ordered] {
            return answering.now(ordered.size());
        });
        if (answering.cancelled())
            return nullptr;
        dictionary.insert(QStringLiteral("QuillmarkDocPreview"), preview);
    }
    std::vector<std::shared_ptr<const ColorRect::KeptDrawing>> drawings;
    drawings.reserve(ordered.size());
    for (const GraphicPtr &graphic : ordered)
        drawings.push_back(graphic->keptDrawingForCopies());
    return new DesignMimeData(std::move(dictionary), archives, std::move(drawings));
}

bool RectsView::copy()
{
    QMimeData *mime = mimeDataForSelection();
    if (!mime)
        return false;
    QGuiApplication::clipboard()->setMimeData(mime);
    return true;
}

void RectsView::cut()
{
    if (_selectedObjects.isEmpty())
        return;
    // Given up while copied, nothing goes.
    if (!copy())
        return;
    delete_();
    setActionName(Language::stringForKey(QStringLiteral("Cut")));
}

void RectsView::delete_()
{
    const ChangeBatch batch(*this);
    m_undoManager.beginUndoGrouping();
    if (currentToolClass == SelectTool && !_selectedObjects.isEmpty()) {
        const GraphicList work = orderedSelectedGraphics();
        // A title-and-value pair goes as a whole, a locked member too.
        GroupList pairs;
        QSet<const Group *> seen;
        QSet<const ColorRect *> going;
        going.reserve(work.size());
        for (const GraphicPtr &graphic : work) {
            Group *group = graphic->getGroup();
            if (!group || seen.contains(group))
                continue;
            seen.insert(group);
            const GroupPtr owner = groupPtr(group);
            if (owner && owner->className() == QLatin1String("GroupField")) {
                pairs.append(owner);
                for (const GraphicPtr &member : owner->getObjects())
                    going.insert(member.get());
            }
        }
        // A path whose points are edited loses its point and stays; a locked object stays.
        bool pointDeleted = false;
        for (auto it = work.crbegin(); it != work.crend(); ++it) {
            const GraphicPtr &graphic = *it;
            if (going.contains(graphic.get()))
                continue;
            if (auto *path = dynamic_cast<ColorPath *>(graphic.get()); path && path->bezierEdit())
                pointDeleted = path->deleteSegment() || pointDeleted;
            else if (!graphic->isLocked())
                going.insert(graphic.get());
        }
        // The selection is let go of first, in one step: Undo gives it back as it was, in
        // its order, once everything is in place again.
        if (!pointDeleted) {
            const GraphicList selection = _selectedObjects;
            deselectRectsUndo(selection);
        }
        // Everything goes in one walk of the design, every group holding any of it with it.
        removeGraphics(going, pairs);
        if (!pointDeleted)
            clearSelection();
        update();
        setActionName(Language::stringForKey(QStringLiteral("Remove Object")));
        wasChanged(true);
    }
    clearGridSnap();
    m_undoManager.endUndoGrouping();
}

void RectsView::paste(const QPointF &offset, bool withOffset)
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasFormat(pasteboardType()))
        return;
    // A design this program copied is taken as the tree its bytes would read back as. The copy
    // as it is now: the clipboard may take another while the window answers.
    QVariant parsed;
    std::shared_ptr<const Archiver::KeptRoots> archives;
    std::vector<std::shared_ptr<const ColorRect::KeptDrawing>> drawings;
    const DesignMimeData *design = dynamic_cast<const DesignMimeData *>(mime);
    bool fromThisProgram = design != nullptr;
    std::optional<DocumentCheck> check;
    if (design) {
        const QVariant copied(design->dictionary());
        archives = design->archives();
        drawings = design->drawings();
        // Read back and checked beside the window: for thousands of objects that takes as
        // long as a repaint does several times over, before any object is made.
        WindowAnswering answering(window(), Language::stringForKey(QStringLiteral("Adding the objects...")), 1,
                                  WindowAnswering::PanelAfterMs);
        besideWindow(answering, 0, [&parsed, &check, copied] {
            parsed = PropertyList::asRead(copied);
            if (parsed.typeId() == QMetaType::QVariantMap)
                check = checkDocumentDictionary(parsed.toMap());
        });
        if (answering.cancelled())
            return;
    }
    design = nullptr;
    if (!parsed.isValid()) {
        // Given up on (the window answered meanwhile), the clipboard may hold another by now.
        mime = QGuiApplication::clipboard()->mimeData();
        if (!mime || !mime->hasFormat(pasteboardType()))
            return;
        parsed = PropertyList::fromData(mime->data(pasteboardType()));
        archives.reset();
        drawings.clear();
        fromThisProgram = false;
        check.reset();
    }
    if (parsed.typeId() != QMetaType::QVariantMap)
        return;
    if (!check)
        check = checkDocumentDictionary(parsed.toMap());
    if (!check->isSound()) {
        // Copied from a design this program holds, a path is refused here only for its length.
        if (check->problem == DocumentCheck::PathTooLong)
            Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Paste")),
                                     Language::withValues(Language::stringForKey(QStringLiteral("A path holds at most %@ points: this one has %@. Nothing was added.")),
                                                          {QLocale().toString(BezierPathArchive::MaxElements), QLocale().toString(check->objects)}),
                                     {Language::stringForKey(QStringLiteral("OK"))});
        return;
    }
    if (!roomForObjects(parsed.toMap().value(QStringLiteral("ObjectsList")).toList().size(),
                        Language::stringForKey(QStringLiteral("Paste"))))
        return;
    const QVariantMap dict = parsed.toMap();
    parsed = QVariant();
    std::optional<GraphicList> made;
    {
        const Archiver::Reading reading(archives);
        // The pictures copied come from the objects copied, not from their files again.
        specImage::KnownFiles known;
        ColorRect::offerKeptPictures(drawings, known);
        made = objectsOfForms(PropertyListArray(dict.value(QStringLiteral("ObjectsList")).toList()), window(), this,
                              "Adding the objects...");
    }
    // Given up, nothing is added.
    if (!made || made->isEmpty())
        return;
    const ChangeBatch batch(*this);
    const int groupsBefore = int(_groups.size());
    const GraphicList graphics = graphicsFromDrawDocumentDictionary(dict, std::move(*made));
    // Every entry made its object, so each stands where its source stood in the copy.
    if (fromThisProgram && qsizetype(drawings.size()) == graphics.size())
        for (qsizetype i = 0; i < graphics.size(); ++i)
            if (const auto &kept = drawings[size_t(i)])
                graphics[i]->takeKeptDrawing(kept);
    clearSelection();
    m_undoManager.disableUndoRegistration();
    for (const GraphicPtr &graphic : graphics) {
        graphic->setMainView(this);
        graphic->setPageName(getCurrPageName());
        graphic->setObjectLayer(currentLayer());
        QRectF frame = graphic->frameBounds();
        if (withOffset)
            frame.translate(offset);
        graphic->setFrameBounds(frame);
    }
    m_undoManager.enableUndoRegistration();
    // Undo takes them all out in one walk.
    addGraphics(graphics);
    // A pasted group's frame goes where its members went.
    if (withOffset)
        for (qsizetype i = groupsBefore; i < _groups.size(); ++i)
            _groups[i]->setBounds(_groups[i]->bounds().translated(offset));
    // Selected once all are in place: a pasted group is selected as a whole.
    m_undoManager.beginUndoGrouping();
    selectRectsUndo(graphics);
    m_undoManager.endUndoGrouping();
    // Undo lets go of the pasted groups together, where they stand, at the end.
    if (_groups.size() > groupsBefore)
        registerUndo([this, places = ListPlaces<GroupPtr>::together(groupsBefore, _groups.mid(groupsBefore))] {
            removeGroupsAt(places);
        });
    if (!graphics.isEmpty() && graphics.first()->getGroup())
        setSelectedGroup(graphics.first()->getGroup());
    setActionName(Language::stringForKey(QStringLiteral("Paste")));
    wasChanged(true);
}

void RectsView::duplicate()
{
    if (_selectedObjects.isEmpty())
        return;
    if (!roomForObjects(_selectedObjects.size(), localizedStringFromTable(QStringLiteral("Duplicate"), QStringLiteral("UndoStrings"))))
        return;
    // A copy and a paste, answering as one command: a large one shows its panel in the time
    // either would alone, once, and the design is drawn once, with its copies.
    const WindowAnswering::Command command(this, WindowAnswering::PanelAfterMs / 2);
    // Given up while copied, nothing is added.
    if (!copy())
        return;
    const qsizetype before = rects.size();
    paste(duplicateOffset ? duplicateOffset() : QPointF(5.0, 5.0), true);
    // A paste given up adds nothing and leaves the last step its own name.
    if (rects.size() != before)
        setActionName(localizedStringFromTable(QStringLiteral("Duplicate"), QStringLiteral("UndoStrings")));
}

namespace {
qsizetype objectLimitForTesting = 0;
}

qsizetype RectsView::maximumObjects()
{
    return objectLimitForTesting > 0 ? objectLimitForTesting : MaximumObjects;
}

void RectsView::setMaximumObjectsForTesting(qsizetype limit)
{
    objectLimitForTesting = std::max<qsizetype>(limit, 0);
}

bool RectsView::roomForObjects(qsizetype added, const QString &command)
{
    const qsizetype total = rects.size() + added;
    if (total <= maximumObjects())
        return true;
    Prompts::current().alert(window(), command,
                             Language::withValues(Language::stringForKey(QStringLiteral("A design holds at most %@ objects: this would make %@. Nothing was added.")),
                                                  {QLocale().toString(maximumObjects()), QLocale().toString(total)}),
                             {Language::stringForKey(QStringLiteral("OK"))});
    return false;
}

} // namespace quillmark
