// The object's property-list form: the dictionary that documents, templates and the
// clipboard hold for each object, and the reader that rebuilds an object from it.
#include "objects/ColorRect.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTextFrame>
#include <QThread>

#include <cmath>
#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>
#include <typeinfo>

#include "objects/CDashArray.h"
#include "objects/CanvasServices.h"
#include "objects/ColorLine.h"
#include "objects/ColorOval.h"
#include "objects/ObjectFactory.h"
#include "objects/TextArchive.h"
#include "objects/TextFlow.h"
#include "platform/Archiver.h"
#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

// Stored flags are YES only when the value is exactly the string "YES".
bool readFlag(const QVariant &value)
{
    return value.typeId() == QMetaType::QString && value.toString() == QLatin1String("YES");
}

bool isNumberType(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// Numbers are stored as strings but a number object reads as well. Anything else, and
// values that are not finite, read as nothing.
std::optional<double> readDouble(const QVariant &value)
{
    double number;
    if (value.typeId() == QMetaType::QString)
        number = leadingDouble(value.toString());
    else if (isNumberType(value))
        number = value.toDouble();
    else
        return std::nullopt;
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<int> readInt(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return leadingInt(value.toString());
    if (!isNumberType(value))
        return std::nullopt;
    const double number = value.toDouble();
    if (std::isnan(number))
        return std::nullopt;
    if (number >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (number <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(std::trunc(number));
}

// A stored number for a float setter: beyond the float range it would not be a number at
// all; the setter bounds it further.
float asFloat(double value)
{
    const double limit = double(std::numeric_limits<float>::max());
    return float(std::clamp(value, -limit, limit));
}

std::optional<QColor> readColor(const QVariant &value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return Archiver::unarchiveColor(value.toByteArray());
}

std::optional<QString> readString(const QVariant &value)
{
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

// Replaces the first folder component equal to `from`; the file name is never renamed.
void renameFolder(QStringList &components, const QString &from, const QString &to)
{
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        if (components[i] == from) {
            components[i] = to;
            return;
        }
    }
}

// The text of an object that never held any: the archive of a new, empty document. Such an
// object writes it without making a document, and reading it back makes none.
const QByteArray &emptyTextArchive()
{
    thread_local const QByteArray bytes = [] {
        QTextDocument empty;
        empty.setUndoRedoEnabled(false);
        return TextArchive::archive(empty);
    }();
    return bytes;
}

} // namespace

QVariantMap ColorRect::propertyListRepresentationTemplate(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    templateMode = true;
    QVariantMap dict = propertyListRepresentation(graphics, places);
    templateMode = false;
    return dict;
}

bool ColorRect::writesImageByPath() const
{
    if (_formByPath)
        return *_formByPath;
    return templateMode || UserDefaults::standard().stringForKey(QStringLiteral("imgToDoc")) != QLatin1String("YES");
}

void ColorRect::startPictureCopy(PictureCopy::Batch &batch, bool forTemplate)
{
    if (_missingImage || !_image || image_path.isEmpty() || (!forTemplate && !writesImageByPath()))
        return;
    const QString key = PictureCopy::batchKey(image_path, *_image);
    auto known = batch.constFind(key);
    if (known == batch.constEnd())
        known = batch.insert(key, PictureCopy::start(image_path, *_image));
    _pictureCopy = *known;
    _pictureCopyKey = key;
}

QString ColorRect::imagePathForWriting()
{
    // The file is judged on a worker through the guarded reader: one cut short, replaced, made a
    // FIFO, deleted or made unreadable since the picture was read is not named, and the picture
    // goes into the form itself. One from outside the program is named through its copy among
    // the user's clip-art, written from the picture held.
    const bool started = _pictureCopy.valid() && _pictureCopyKey == PictureCopy::batchKey(image_path, *_image);
    const PictureCopy::Outcome outcome = started ? _pictureCopy.get() : PictureCopy::make(image_path, *_image);
    _pictureCopy = {};
    _pictureCopyKey.clear();
    if (outcome.path.isEmpty()) {
        // No file holds the picture the object shows: it names none from now on.
        image_path.clear();
        return {};
    }
    if (outcome.copied)
        CanvasServices::setUpdateUserUmages(true);
    if (outcome.path != image_path || !_image->sourceFile() || _image->sourceFile()->stamp != outcome.stamp) {
        auto source = std::make_shared<specImage::SourceFile>();
        source->path = QFileInfo(outcome.path).absoluteFilePath();
        source->stamp = outcome.stamp;
        if (const std::shared_ptr<const specImage::SourceFile> before = _image->sourceFile())
            source->digest = before->digest;
        _image->setSourceFile(std::move(source));
    }
    image_path = outcome.path;
    return image_path;
}

QVariantMap ColorRect::propertyListRepresentation(const GraphicList *graphics, const LinkedTextPlaces *places)
{
    // An answer readied for this form serves it alone: the next asks the settings again.
    const auto readied = qScopeGuard([this] { _formByPath.reset(); });
    std::optional<LinkedTextPlaces> own;
    if (graphics && !places && _textFlow && _textFlow->containers().size() > 1)
        places = &own.emplace(*graphics);
    QString imagePath;
    bool writesImagePath = false;
    QVariant imageDict;
    if (_missingImage) {
        // The picture could not be read: its path and settings go back as they came, in
        // either mode, so that the picture returns once its file is back.
        writesImagePath = true;
        imagePath = image_path;
        imageDict = *_missingImage;
    } else if (_image) {
        // Only an object with a picture asks the settings how to store it. A file named holds
        // the picture the object shows; when none does, the picture goes into the form itself.
        // A photo whose file could not be read whole after its header holds nothing to judge
        // the file by or to write instead: its path goes back as it came.
        if (writesImageByPath() && !image_path.isEmpty())
            imagePath = _image->holdsPicture() ? imagePathForWriting() : image_path;
        writesImagePath = !imagePath.isEmpty();
        imageDict = imagePropertyList(!writesImagePath);
    } else if (!image_path.isEmpty() && writesImageByPath()) {
        writesImagePath = true;
        imagePath = image_path;
    }

    // The keys go in in their sorted order, each at the end of the dictionary: a design's
    // save makes tens of thousands of these, and a key put anywhere else is looked for.
    QVariantMap dict;
    auto put = [&dict](const QString &key, const QVariant &value) { dict.insert(dict.cend(), key, value); };
    put(QStringLiteral("Anchor"), qint64(_anchor));
    put(QStringLiteral("Bounds"), rectToString(frameBounds()));
    put(QStringLiteral("Class"), className());
    put(QStringLiteral("DrawsFill"), PropertyList::yesNo(drawsFill()));
    put(QStringLiteral("DrawsImage"), PropertyList::yesNo(drawsImage()));
    put(QStringLiteral("DrawsShadow"), PropertyList::yesNo(_shadow));
    put(QStringLiteral("DrawsStroke"), PropertyList::yesNo(drawsStroke()));
    put(QStringLiteral("FillAngle"), fmtExact(fillAngle()));
    if (fillColor().isValid())
        put(QStringLiteral("FillColor"), Archiver::archiveColor(fillColor()));
    if (fillColor2().isValid())
        put(QStringLiteral("FillColor2"), Archiver::archiveColor(fillColor2()));
    put(QStringLiteral("FillType"), fmtInt(fillType()));
    if (graphics) {
        const QString chain = linkedTextViewsString(*graphics, places);
        if (!chain.isNull())
            put(QStringLiteral("FirstTextView"), chain);
    }
    put(QStringLiteral("FixedRatio"), PropertyList::yesNo(_fixRatio));
    put(QStringLiteral("FlipHor"), PropertyList::yesNo(flipHor()));
    put(QStringLiteral("FlipVert"), PropertyList::yesNo(flipVert()));
    if (imageDict.isValid())
        put(QStringLiteral("Image"), imageDict);
    put(QStringLiteral("ImageOpacity"), fmtExact(imageOpacity()));
    if (writesImagePath)
        put(QStringLiteral("ImagePath"), imagePath);
    put(QStringLiteral("ImageTile"), fmtExact(img_tile));
    put(QStringLiteral("ImageXOffset"), fmtExact(getXImageOffset()));
    put(QStringLiteral("ImageXScale"), fmtExact(getXImageScale()));
    put(QStringLiteral("ImageYOffset"), fmtExact(getYImageOffset()));
    put(QStringLiteral("ImageYScale"), fmtExact(getYImageScale()));
    put(QStringLiteral("IsBack"), PropertyList::yesNo(isBack()));
    put(QStringLiteral("IsLocked"), PropertyList::yesNo(isLocked()));
    put(QStringLiteral("IsResizable"), PropertyList::yesNo(isResizable()));
    put(QStringLiteral("IsScaleWithBox"), PropertyList::yesNo(isScaleWithBox()));
    put(QStringLiteral("IsTemplate"), PropertyList::yesNo(isTemplate()));
    put(QStringLiteral("IsText"), PropertyList::yesNo(isEdit()));
    put(QStringLiteral("Layer"), fmtInt(_mlayer));
    put(QStringLiteral("LinePattern"), fmtInt(linePattern()));
    put(QStringLiteral("PageName"), _pageName.isNull() ? QString(QLatin1String("")) : _pageName);
    put(QStringLiteral("PowerText"), PropertyList::yesNo(_powertext));
    put(QStringLiteral("PowerType"), fmtInt(_powertype));
    put(QStringLiteral("PrimaryKey"), qint64(_pk));
    put(QStringLiteral("Rotation"), fmtExact(angle()));
    put(QStringLiteral("Runaround"), fmtInt(getRunaroundState()));
    put(QStringLiteral("RunaroundMode"), fmtInt(getRunaroundMode()));
    put(QStringLiteral("ShadowAngle"), fmtExact(shadowAngle()));
    put(QStringLiteral("ShadowBlur"), fmtInt(shadowBlur()));
    if (shadowColor().isValid())
        put(QStringLiteral("ShadowColor"), Archiver::archiveColor(shadowColor()));
    put(QStringLiteral("ShadowDistance"), fmtExact(shadowDistance()));
    if (strokeColor().isValid())
        put(QStringLiteral("StrokeColor"), Archiver::archiveColor(strokeColor()));
    put(QStringLiteral("StrokeLineWidth"), fmtExact(strokeLineWidth()));
    // A chain's text is stored once, by the box that writes the chain: the boxes behind it show
    // their part of that text when they are linked again.
    const bool ownText = !places || writesOwnText(*places);
    put(QStringLiteral("Text"), _text && ownText ? TextArchive::archive(*_text) : emptyTextArchive());
    put(QStringLiteral("TextWrap"), PropertyList::yesNo(_textWrap > 0));
    if (tintImageColor().isValid())
        put(QStringLiteral("TintColor"), Archiver::archiveColor(tintImageColor()));
    put(QStringLiteral("UseTint"), PropertyList::yesNo(tintImage()));
    return dict;
}

bool ColorRect::formReadableOffThread(const QTextDocument **text)
{
    *text = _text.get();
    // Kinds whose forms hold more than this file writes (fields and barcodes read their
    // sources) are made where they are.
    const std::type_info &kind = typeid(*this);
    if (kind != typeid(ColorRect) && kind != typeid(ColorOval) && kind != typeid(ColorLine))
        return false;
    return partsReadableOffThread(text);
}

bool ColorRect::partsReadableOffThread(const QTextDocument **text)
{
    *text = _text.get();
    if (_text) {
        // A table is read through its frames, which only the text's own thread may make.
        if (TextArchive::mayHoldTables(*_text))
            return false;
        // Attached pictures and tables are read through more of the text than its runs.
        if (_text->toRawText().contains(QChar::ObjectReplacementCharacter))
            return false;
    }
    return readyPictureFormOffThread();
}

bool ColorRect::readyPictureFormOffThread()
{
    _formByPath.reset();
    if (!_image && !_missingImage && image_path.isEmpty())
        return true;
    // The settings say whether the picture goes by its file; they are read here alone.
    const bool byPath = writesImageByPath();
    // Only this thread may start the work on a named file's picture: elsewhere the form merely
    // waits for the work this Save started for it (the key is the one it was started for).
    if (_image && !_missingImage && byPath && !image_path.isEmpty() && _image->holdsPicture()
        && !(_pictureCopy.valid() && _pictureCopyKey == PictureCopy::batchKey(image_path, *_image)))
        return false;
    // The picture's bytes and their archive are shared by every copy of the picture under a
    // lock of their own, and its settings are read alone: the rest of the form is the object's.
    _formByPath = byPath;
    return true;
}

namespace {

// The keys the reader below knows, in the order the dictionary keeps its keys.
constexpr const char *KnownKeys[] = {
    "Anchor",        "Bounds",       "DrawsFill",      "DrawsImage",     "DrawsShadow",  "DrawsStroke",
    "FillAngle",     "FillColor",    "FillColor2",     "FillType",       "FirstTextView", "FixedRatio",
    "FlipHor",       "FlipVert",     "Image",          "ImageOpacity",   "ImagePath",    "ImageTile",
    "ImageXOffset",  "ImageXScale",  "ImageYOffset",   "ImageYScale",    "IsLocked",     "IsResizable",
    "IsScaleWithBox", "IsTemplate",  "IsText",         "Layer",          "LinePattern",  "PageName",
    "PowerText",     "PowerType",    "PrimaryKey",     "Rotation",       "Runaround",    "RunaroundMode",
    "ShadowAngle",   "ShadowBlur",   "ShadowColor",    "ShadowDistance", "StrokeColor",  "StrokeLineWidth",
    "Text",          "TextWrap",     "TintColor",      "UseTint"};
constexpr qsizetype KnownKeyCount = qsizetype(std::size(KnownKeys));

constexpr bool knownKeysSorted()
{
    for (qsizetype i = 1; i < KnownKeyCount; ++i)
        if (!(std::string_view(KnownKeys[i - 1]) < std::string_view(KnownKeys[i])))
            return false;
    return true;
}
// Plain ASCII keys sort alike as bytes and as the dictionary's strings.
static_assert(knownKeysSorted());

// The value of each known key in a stored object, found in one walk of the dictionary beside
// the list of known keys rather than by a search for each.
class KnownValues
{
public:
    explicit KnownValues(const QVariantMap &dict)
    {
        qsizetype known = 0;
        for (auto it = dict.constBegin(); it != dict.constEnd() && known < KnownKeyCount; ++it) {
            const QString &key = it.key();
            int order = -1;
            while (known < KnownKeyCount && (order = key.compare(QLatin1String(KnownKeys[known]))) > 0)
                ++known;
            if (known < KnownKeyCount && order == 0)
                m_values[known++] = &it.value();
        }
    }

    const QVariant *operator[](qsizetype known) const { return m_values[known]; }

private:
    const QVariant *m_values[KnownKeyCount] = {};
};

// A known key's place, found while compiling: a key not in the list does not compile.
consteval qsizetype knownKey(std::string_view name)
{
    for (qsizetype i = 0; i < KnownKeyCount; ++i)
        if (std::string_view(KnownKeys[i]) == name)
            return i;
    throw "not a known key";
}

} // namespace

void ColorRect::loadPropertyListRepresentation(const QVariantMap &dict)
{
    const KnownValues value(dict);

    if (const QVariant *v = value[knownKey("FillColor")]) {
        if (auto color = readColor(*v))
            setFillColor(*color);
    }
    if (const QVariant *v = value[knownKey("DrawsFill")])
        setDrawsFill(readFlag(*v));
    if (const QVariant *v = value[knownKey("StrokeColor")]) {
        if (auto color = readColor(*v))
            setStrokeColor(*color);
    }
    if (const QVariant *v = value[knownKey("DrawsStroke")])
        setDrawsStroke(readFlag(*v));
    if (const QVariant *v = value[knownKey("DrawsImage")])
        setDrawsImage(readFlag(*v));

    bool imageLoaded = false;
    QString storedPath;
    if (const QVariant *v = value[knownKey("ImagePath")]) {
        if (auto path = readString(*v)) {
            storedPath = *path;
            imageLoaded = !storedPath.isEmpty() && setImagePath(currentImagePath(storedPath));
        }
    }
    const QVariant *storedImage = value[knownKey("Image")];
    if (storedImage)
        loadImagePropertyList(*storedImage, imageLoaded);
    if (!imageLoaded && !storedPath.isEmpty()) {
        // The file is missing or unreadable. The stored path stays, so that the file still
        // gives the picture once it is back; without a stored copy of the picture the
        // object shows a placeholder and keeps the stored settings to write them back.
        image_path = storedPath;
        if (!_image)
            _missingImage = storedImage ? *storedImage : QVariant();
    }

    if (const QVariant *v = value[knownKey("IsScaleWithBox")])
        setScaleWithBox(readFlag(*v));
    // After the image, so that the stored frame replaces whatever frame taking the image made.
    if (const QVariant *v = value[knownKey("Bounds")]) {
        // A rectangle that is not a number is ignored; one out of range is bounded.
        if (auto text = readString(*v))
            setFrameBounds(rectFromString(*text));
    }

    if (const QVariant *v = value[knownKey("StrokeLineWidth")]) {
        if (auto width = readDouble(*v))
            setStrokeLineWidth(asFloat(std::max(0.0, *width)));
    } else {
        // Without a stored width the object's own is bounded by the frame just as a stored
        // one is: the width saved is then the width read back.
        setStrokeLineWidth(_lineWidth);
    }
    if (const QVariant *v = value[knownKey("ImageXOffset")]) {
        if (auto number = readDouble(*v))
            setXImageOffset(asFloat(*number));
    }
    if (const QVariant *v = value[knownKey("ImageYOffset")]) {
        if (auto number = readDouble(*v))
            setYImageOffset(asFloat(*number));
    }
    if (const QVariant *v = value[knownKey("ImageXScale")]) {
        if (auto number = readDouble(*v))
            setXImageScale(asFloat(*number));
    }
    if (const QVariant *v = value[knownKey("ImageYScale")]) {
        if (auto number = readDouble(*v))
            setYImageScale(asFloat(*number));
    }

    if (const QVariant *v = value[knownKey("IsText")])
        setEdit(readFlag(*v));
    // Unreadable text is skipped; the rest of the object still loads.
    if (const QVariant *v = value[knownKey("Text")]) {
        if (v->typeId() == QMetaType::QByteArray) {
            const QByteArray stored = v->toByteArray();
            if (_text || stored != emptyTextArchive())
                TextArchive::unarchive(stored, *textStorage());
        }
    }

    if (const QVariant *v = value[knownKey("IsLocked")])
        setLocked(readFlag(*v));
    if (const QVariant *v = value[knownKey("IsResizable")])
        setResizable(readFlag(*v));
    if (const QVariant *v = value[knownKey("PageName")]) {
        if (auto name = readString(*v))
            setPageName(*name);
    }
    if (const QVariant *v = value[knownKey("Layer")]) {
        if (auto layer = readInt(*v))
            setObjectLayer(*layer);
    }
    if (const QVariant *v = value[knownKey("TextWrap")])
        _textWrap = readFlag(*v) ? 1 : 0;
    if (const QVariant *v = value[knownKey("Rotation")]) {
        if (auto degrees = readDouble(*v))
            setAngle(asFloat(*degrees), false);
    }
    if (const QVariant *v = value[knownKey("Runaround")]) {
        if (auto state = readInt(*v))
            setRunaroundState(*state);
    }
    if (const QVariant *v = value[knownKey("RunaroundMode")]) {
        if (auto mode = readInt(*v))
            setRunaroundMode(*mode);
    }

    if (const QVariant *v = value[knownKey("FirstTextView")]) {
        if (auto list = readString(*v))
            textViewsStr = *list;
    }

    if (const QVariant *v = value[knownKey("FillType")]) {
        if (auto type = readInt(*v))
            _fillType = *type;
    }
    if (const QVariant *v = value[knownKey("FillColor2")]) {
        if (auto color = readColor(*v))
            setFillColor2(*color);
    }
    if (const QVariant *v = value[knownKey("FillAngle")]) {
        if (auto degrees = readDouble(*v))
            _fillAngle = boundedDegrees(*degrees).value_or(_fillAngle);
    }
    if (const QVariant *v = value[knownKey("ShadowDistance")]) {
        if (auto distance = readDouble(*v))
            _shadowDistance = *boundedValue(*distance, -maxShadowDistance, maxShadowDistance);
    }
    if (const QVariant *v = value[knownKey("ShadowColor")]) {
        if (auto color = readColor(*v))
            setShadowColor(*color);
    }
    if (const QVariant *v = value[knownKey("ShadowAngle")]) {
        if (auto degrees = readDouble(*v))
            _shadowAngle = boundedDegrees(*degrees).value_or(_shadowAngle);
    }
    if (const QVariant *v = value[knownKey("ShadowBlur")]) {
        if (auto blur = readInt(*v))
            _shadowBlur = std::clamp(*blur, 0, maxShadowBlur);
    }
    if (const QVariant *v = value[knownKey("LinePattern")]) {
        if (auto pattern = readInt(*v))
            // A number outside the list would index past it when the stroke is drawn.
            _linePattern = (*pattern >= 0 && *pattern < CDashArray::count) ? *pattern : 0;
    }
    if (const QVariant *v = value[knownKey("DrawsShadow")])
        _shadow = readFlag(*v);
    if (const QVariant *v = value[knownKey("FixedRatio")])
        _fixRatio = readFlag(*v);
    if (const QVariant *v = value[knownKey("ImageOpacity")]) {
        if (auto opacity = readDouble(*v))
            img_opacity = float(std::clamp(*opacity, 0.0, 100.0));
    }
    if (const QVariant *v = value[knownKey("UseTint")])
        setTintImage(readFlag(*v));
    if (const QVariant *v = value[knownKey("TintColor")]) {
        if (auto color = readColor(*v))
            setTintImageColor(*color);
    }
    if (const QVariant *v = value[knownKey("FlipHor")])
        _flipH = readFlag(*v);
    if (const QVariant *v = value[knownKey("FlipVert")])
        _flipV = readFlag(*v);
    if (const QVariant *v = value[knownKey("ImageTile")]) {
        if (auto tile = readDouble(*v)) {
            img_tile = float(std::clamp(*tile, 1.0, double(maxImageTile)));
            passTileToImage();
        }
    }
    if (const QVariant *v = value[knownKey("PowerText")])
        _powertext = readFlag(*v);
    if (const QVariant *v = value[knownKey("PowerType")]) {
        if (auto held = readInt(*v))
            // Held values 0 to 21 are the plain text and the twenty warps; anything else
            // would pick a warp that does not exist.
            _powertype = (*held >= 0 && *held <= 21) ? *held : 1;
    }

    // Last: the setters above clear the template flag, and the stored one must remain.
    if (const QVariant *v = value[knownKey("IsTemplate")])
        _isTemplate = readFlag(*v);
    if (const QVariant *v = value[knownKey("Anchor")]) {
        if (auto anchorValue = readInt(*v))
            _anchor = *anchorValue;
    }
    if (const QVariant *v = value[knownKey("PrimaryKey")]) {
        if (auto key = readInt(*v))
            _pk = *key;
    }
}

std::shared_ptr<ColorRect> ColorRect::graphicWithPropertyListRepresentation(const QVariantMap &dict)
{
    const QVariant kind = dict.value(QStringLiteral("Class"));
    if (kind.typeId() != QMetaType::QString)
        return nullptr;
    std::shared_ptr<ColorRect> graphic = ObjectFactory::create(kind.toString());
    if (graphic)
        graphic->loadPropertyListRepresentation(dict);
    return graphic;
}

bool ColorRect::kindMakeableOffThread(const QVariant &kind)
{
    // The kinds formReadableOffThread writes elsewhere, read back: their setters touch the
    // object alone while it belongs to no canvas.
    if (kind.typeId() != QMetaType::QString)
        return false;
    const QString name = kind.toString();
    return name == QLatin1String("ColorRect") || name == QLatin1String("ColorOval") || name == QLatin1String("ColorLine");
}

bool ColorRect::formMakeableOffThread(const QVariantMap &dict)
{
    if (!kindMakeableOffThread(dict.value(QStringLiteral("Class"))))
        return false;
    // A picture is decoded once for all the objects showing it, on the window's thread.
    if (dict.contains(QStringLiteral("Image")))
        return false;
    const auto path = dict.constFind(QStringLiteral("ImagePath"));
    return path == dict.constEnd() || path->toString().isEmpty();
}

void ColorRect::moveTextToThread(QThread *thread)
{
    if (_text && _text->thread() != thread)
        _text->moveToThread(thread);
}

QString ColorRect::currentImagePath(const QString &storedPath)
{
    QString path = storedPath;
    const QString resources = QDir::cleanPath(Bundle::resourcesPath());
    static const QString bundleName = QStringLiteral("Quillmark.app");
    static const QString bundleResources = QStringLiteral("/Contents/Resources");
    static const QString machineSupport = QStringLiteral("/Library/Application Support");

    const qsizetype inBundle = path.indexOf(bundleName);
    if (inBundle > 0) {
        // The image lay in a copy of the application; its resources are ours now.
        const QString rest = path.mid(inBundle + bundleName.size());
        if (rest.startsWith(bundleResources))
            path = resources + rest.mid(bundleResources.size());
    } else if (!path.contains(QLatin1String("Users/"))) {
        const qsizetype at = path.indexOf(machineSupport);
        if (at >= 0)
            path.replace(at, machineSupport.size(), resources);
    }

    // Only the built-in clip-art folders were renamed; a user's own folder or file that
    // happens to carry one of the old names, or merely contains one, keeps its name.
    const QString clipart = CanvasServices::clipartPath();
    if (!path.startsWith(clipart))
        return path;
    QStringList components = path.mid(clipart.size()).split(QLatin1Char('/'));
    renameFolder(components, QStringLiteral("Land Marks"), QStringLiteral("History"));
    renameFolder(components, QStringLiteral("002_LOGO"), QStringLiteral("Logos"));
    renameFolder(components, QStringLiteral("Retro"), QStringLiteral("Symbols"));
    return clipart + components.join(QLatin1Char('/'));
}

} // namespace quillmark
