#include "images/Controller.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>

#include "foundation/Language.h"
#include "images/EffectSlider.h"
#include "images/FilterView.h"
#include "images/MyImageView.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

// The control area's size: the box of controls of a filter is made this large and trimmed to
// its controls.
constexpr int kControlAreaWidth = 320;
constexpr int kControlAreaHeight = 420;

bool isImageInput(const FilterInput *input)
{
    return input && input->className == QLatin1String("CIImage");
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

Controller::Controller(QWidget *parent, EffectCatalogue catalogue)
    : QDialog(parent)
    , m_catalogue(std::move(catalogue))
{
    setObjectName(QStringLiteral("CIFilter"));
    setSizeGripEnabled(true);

    m_dataSource = new CIFilterDataSource(m_catalogue, this);
    m_outline = new QTreeView(this);
    m_outline->setObjectName(QStringLiteral("filterOutline"));
    m_outline->setModel(m_dataSource);
    m_outline->setHeaderHidden(true);
    m_outline->setRootIsDecorated(true);
    m_outline->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_outline->setSelectionMode(QAbstractItemView::SingleSelection);
    m_outline->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_outline->setTreePosition(CIFilterDataSource::NameColumn);
    m_outline->header()->setStretchLastSection(true);
    m_outline->header()->setSectionResizeMode(CIFilterDataSource::IconColumn, QHeaderView::Fixed);
    m_outline->header()->resizeSection(CIFilterDataSource::IconColumn, 22);
    m_outline->setMinimumWidth(220);
    connect(m_outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { outlineViewSelectionDidChange(); });

    m_placeCntrlView = new QWidget(this);
    m_placeCntrlView->setObjectName(QStringLiteral("placeCntrlView"));
    m_placeCntrlView->setFixedSize(kControlAreaWidth, kControlAreaHeight);

    m_zoomSlider = new EffectSlider(Qt::Horizontal, this);
    m_zoomSlider->setObjectName(QStringLiteral("zoomSlider"));
    m_zoomSlider->setDoubleRange(0, 10);
    m_zoomSlider->setDoubleValue(5);
    m_zoomSlider->action = [this] { zoomChanged(); };

    m_scrollView = new QScrollArea(this);
    m_scrollView->setObjectName(QStringLiteral("previewScrollView"));
    m_scrollView->setWidgetResizable(false);
    m_scrollView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scrollView->setMinimumSize(520, 420);
    m_ciView = new MyImageView;
    m_ciView->setController(this);
    m_scrollView->setWidget(m_ciView);

    m_close = new QPushButton(this);
    m_apply = new QPushButton(this);
    m_ok = new QPushButton(this);
    m_ok->setDefault(true);
    m_close->setAutoDefault(false);
    m_apply->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, [this] { okBtn(); });
    connect(m_close, &QPushButton::clicked, this, [this] { closeBtn(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { applyBtn(); });

    auto *controls = new QVBoxLayout;
    controls->addWidget(m_placeCntrlView);
    controls->addStretch(1);
    controls->addWidget(m_zoomSlider);
    auto *panes = new QHBoxLayout;
    panes->addWidget(m_outline);
    panes->addLayout(controls);
    panes->addWidget(m_scrollView, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    buttons->addWidget(m_apply);
    buttons->addWidget(m_ok);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(buttons);

    retranslate();
    NotificationCenter::defaultCenter().addObserver(this, QStringLiteral("RefreshLanguageNotification"),
                                                    [this](const auto &) { retranslate(); });
    awakeFromNib();
    // The fitted zoom reads the scroll view's frame: it must have its size before the first
    // picture comes, even while the window was never shown.
    layout->activate();
}

Controller::~Controller()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

void Controller::retranslate()
{
    setWindowTitle(Language::stringForKey(QStringLiteral("Image Effects")));
    m_ok->setText(Language::stringForKey(QStringLiteral("OK")));
    m_close->setText(Language::stringForKey(QStringLiteral("Close")));
    m_apply->setText(Language::stringForKey(QStringLiteral("Apply")));
    m_zoomSlider->setToolTip(Language::stringForKey(QStringLiteral("Zoom")));
    if (m_dataSource->rowCount() > 0)
        emit m_dataSource->dataChanged(m_dataSource->index(0, 0),
                                       m_dataSource->index(m_dataSource->rowCount() - 1, 1));
}

void Controller::awakeFromNib()
{
    texturepath = Bundle::pathForResource(QStringLiteral("smoothtexture"), QStringLiteral("tiff"));
    shadingemappath = Bundle::pathForResource(QStringLiteral("lightball"), QStringLiteral("tiff"));
    alphaemappath = Bundle::pathForResource(QStringLiteral("restrictedshine"), QStringLiteral("tiff"));
    ramppath = Bundle::pathForResource(QStringLiteral("colormap"), QStringLiteral("tiff"));
    maskpath = Bundle::pathForResource(QStringLiteral("mask1"), QStringLiteral("jpg"));
}

// ---- default images ----

FilterImage Controller::loadDefault(FilterImage &cache, QString &path, const QString &name,
                                    const QString &type, const QString &fallbackType)
{
    if (path.isEmpty())
        path = Bundle::pathForResource(name, fallbackType.isEmpty() ? type : fallbackType);
    if (cache.isNull() && !path.isEmpty()) {
        const QImage image(path);
        if (!image.isNull())
            cache = FilterImage(image);
    }
    return cache;
}

FilterImage Controller::defaultTexture()
{
    return loadDefault(texture, texturepath, QStringLiteral("smoothtexture"), QStringLiteral("tiff"));
}
QString Controller::defaultTexturePath()
{
    defaultTexture();
    return texturepath;
}
FilterImage Controller::defaultShadingEMap()
{
    return loadDefault(shadingemap, shadingemappath, QStringLiteral("lightball"), QStringLiteral("tiff"));
}
QString Controller::defaultShadingEMapPath()
{
    defaultShadingEMap();
    return shadingemappath;
}
FilterImage Controller::defaultAlphaEMap()
{
    return loadDefault(alphaemap, alphaemappath, QStringLiteral("restrictedshine"), QStringLiteral("tiff"));
}
QString Controller::defaultAlphaEMapPath()
{
    defaultAlphaEMap();
    return alphaemappath;
}
FilterImage Controller::defaultRamp()
{
    return loadDefault(ramp, ramppath, QStringLiteral("colormap"), QStringLiteral("tiff"));
}
QString Controller::defaultRampPath()
{
    defaultRamp();
    return ramppath;
}
FilterImage Controller::defaultMask()
{
    return loadDefault(mask, maskpath, QStringLiteral("mask1"), QStringLiteral("jpg"), QStringLiteral("tiff"));
}
QString Controller::defaultMaskPath()
{
    defaultMask();
    return maskpath;
}

void Controller::setDefaultTexturePath(const QString &path)
{
    texturepath = path;
    texture = {};
}

// ---- the current filter ----

QString Controller::sourceKey(const ImageFilter *filter)
{
    if (filter && filter->input(QStringLiteral("inputBackgroundImage")))
        return QStringLiteral("inputBackgroundImage");
    return QStringLiteral("inputImage");
}

bool Controller::filterHasMissingImage(const ImageFilter *filter) const
{
    if (!filter)
        return false;
    const QString source = sourceKey(filter);
    for (const QString &key : filter->inputKeys()) {
        if (key == source || !isImageInput(filter->input(key)))
            continue;
        const QVariant value = filter->value(key);
        if (!value.isValid() || !value.canConvert<FilterImage>() || value.value<FilterImage>().isNull())
            return true;
    }
    return false;
}

bool Controller::hasMissingImage() const
{
    return filterHasMissingImage(currentFilter.get());
}

void Controller::setAutomaticDefaults(ImageFilter *filter, int)
{
    if (!filter)
        return;
    const QString name = filter->name();
    auto setImage = [filter](const QString &key, const FilterImage &image) {
        // An unreadable default image leaves the input unset: the panel then shows no result.
        if (!image.isNull())
            filter->setValue(key, QVariant::fromValue(image));
    };
    if (name == QLatin1String("GlassDistortion")) {
        setImage(QStringLiteral("inputTexture"), defaultTexture());
    } else if (name == QLatin1String("RippleTransition")) {
        setImage(QStringLiteral("inputShadingImage"), defaultAlphaEMap());
    } else if (name == QLatin1String("PageCurlTransition")) {
        setImage(QStringLiteral("inputShadingImage"), defaultAlphaEMap());
        filter->setValue(QStringLiteral("inputAngle"), double(-0.7853982f));
    } else if (name == QLatin1String("ShadedMaterial")) {
        setImage(QStringLiteral("inputShadingImage"), defaultShadingEMap());
    } else if (name == QLatin1String("ColorMap")) {
        setImage(QStringLiteral("inputGradientImage"), defaultRamp());
    } else if (name == QLatin1String("DisintegrateWithMaskTransition")) {
        setImage(QStringLiteral("inputMaskImage"), defaultMask());
    } else if (name == QLatin1String("CircularWrap")) {
        const QRectF bounds = m_ciView->boundsRect();
        filter->setValue(QStringLiteral("inputCenter"),
                         QVariant::fromValue(QList<double>{bounds.x() + bounds.width() / 2,
                                                           bounds.y() + bounds.height() / 2}));
    } else if (name == QLatin1String("GaussianGradient") || name == QLatin1String("LinearGradient")
               || name == QLatin1String("RadialGradient") || name == QLatin1String("StripesGenerator")
               || name == QLatin1String("CheckerboardGenerator")) {
        filter->setValue(QStringLiteral("inputColor0"), withAlpha(Qt::white, 0.5));
        filter->setValue(QStringLiteral("inputColor1"), withAlpha(Qt::black, 0.5));
    } else if (name == QLatin1String("ConstantColorGenerator")) {
        filter->setValue(QStringLiteral("inputColor"), QColor::fromRgbF(1.0f, 0.5f, 0.0f, 0.5f));
    }
}

FilterView *Controller::addFilter(const QString &name, int tag)
{
    std::unique_ptr<ImageFilter> made = m_catalogue.filterWithName ? m_catalogue.filterWithName(name) : nullptr;
    if (!made)
        return nullptr;
    made->setDefaults();
    currentFilter = std::move(made);
    ++m_revision;
    ImageFilter *filter = currentFilter.get();
    setAutomaticDefaults(filter, 0);

    auto *box = new FilterView(m_placeCntrlView->rect(), m_placeCntrlView);
    box->setFilter(currentFilter);
    box->setMaster(this);
    box->setTag(tag);
    box->show();

    const QString source = sourceKey(filter);
    box->tryFilterHeader(filter);
    for (const QString &key : filter->inputKeys())
        if (const FilterInput *input = filter->input(key))
            box->tryControl(FilterView::controlKindFor(*input, key == source), key);
    box->trimBox();
    box->addFilterHeader(filter, tag, true);
    for (const QString &key : filter->inputKeys())
        if (const FilterInput *input = filter->input(key))
            box->addControl(FilterView::controlKindFor(*input, key == source), key);
    return box;
}

FilterView *Controller::filterView() const
{
    return m_placeCntrlView->findChild<FilterView *>(QString(), Qt::FindDirectChildrenOnly);
}

// ---- source picture and results ----

void Controller::setBackgroundImage(const FilterImage &image)
{
    backgroundImage = image;
    ++m_revision;
    if (!image.isNull()) {
        const QSizeF size = image.extent().size();
        const double zoom = fittedZoom(size, m_scrollView->size(), scrollerWidth());
        setZoom(float(zoom));
        m_ciView->setFrameSize(size);
        m_ciView->setZoom(float(zoom));
    }
    updateView();
}

double Controller::fittedZoom(const QSizeF &imageSize, const QSizeF &frameSize, double scrollerWidth)
{
    const double zoom = 1.0 / std::max(imageSize.width() / (frameSize.width() - scrollerWidth),
                                       imageSize.height() / (frameSize.height() - scrollerWidth));
    // A picture without size, or a scroll view narrower than its scrollers: no fitting.
    return std::isfinite(zoom) && zoom > 0 ? zoom : 1.0;
}

double Controller::zoomForSliderPosition(double v)
{
    return v < 5 ? 0.1 + 0.9 * v / 5 : 1 + 9 * (v - 5) / 5;
}

double Controller::sliderPositionForZoom(double z)
{
    return z < 1 ? (z - 0.1) * 5 / 0.9 : 5 + (z - 1) * 5 / 9;
}

int Controller::scrollerWidth() const
{
    return m_scrollView->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollView);
}

FilterImage Controller::sourceOver(const FilterImage &top, const FilterImage &below) const
{
    if (m_catalogue.filterWithName)
        if (std::unique_ptr<ImageFilter> over = m_catalogue.filterWithName(QStringLiteral("SourceOverCompositing"))) {
            over->setDefaults();
            over->setValue(QStringLiteral("inputImage"), QVariant::fromValue(top));
            over->setValue(QStringLiteral("inputBackgroundImage"), QVariant::fromValue(below));
            return over->outputImage();
        }
    return top.over(below);
}

FilterImage Controller::crop(const FilterImage &image, const QRectF &rect) const
{
    if (m_catalogue.filterWithName)
        if (std::unique_ptr<ImageFilter> cropFilter = m_catalogue.filterWithName(QStringLiteral("Crop"))) {
            cropFilter->setDefaults();
            cropFilter->setValue(QStringLiteral("inputImage"), QVariant::fromValue(image));
            cropFilter->setValue(QStringLiteral("inputRectangle"),
                                 QVariant::fromValue(QList<double>{rect.x(), rect.y(), rect.width(), rect.height()}));
            return cropFilter->outputImage();
        }
    return image.cropped(rect);
}

FilterImage Controller::coreImageResultForRect(const QRectF &r)
{
    if (!currentFilter)
        return backgroundImage;
    ImageFilter *filter = currentFilter.get();
    bool hasExtent = false;
    bool hasInputImage = false;
    for (const QString &key : filter->inputKeys()) {
        const FilterInput *input = filter->input(key);
        if (!input)
            continue;
        if (key == QLatin1String("inputExtent") && input->className == QLatin1String("CIVector"))
            hasExtent = true;
        if (key == QLatin1String("inputImage"))
            hasInputImage = true;
    }
    QList<FilterImage> underlays;
    if (hasInputImage && !backgroundImage.isNull())
        filter->setValue(sourceKey(filter), QVariant::fromValue(backgroundImage));
    else if (!hasInputImage && !backgroundImage.isNull())
        underlays.append(backgroundImage);
    if (hasExtent)
        filter->setValue(QStringLiteral("inputExtent"),
                         QVariant::fromValue(QList<double>{0, 0, r.width(), r.height()}));

    FilterImage output = filter->outputImage();
    const QRectF sourceExtent = backgroundImage.isNull() ? QRectF() : backgroundImage.extent();
    if (!output.isNull() && output.extent().width() > sourceExtent.width()
        && output.extent().height() > sourceExtent.height())
        output = crop(output, sourceExtent);
    if (underlays.isEmpty())
        return output;
    FilterImage result = underlays.first();
    for (qsizetype i = 1; i < underlays.size(); ++i)
        result = sourceOver(underlays.at(i), result);
    if (!output.isNull())
        result = sourceOver(output, result);
    return result;
}

FilterImage Controller::coreImageResult(bool opaque)
{
    FilterImage result;
    if (!hasMissingImage())
        result = coreImageResultForRect(m_ciView->boundsRect());
    if (!opaque)
        return result;
    FilterImage black;
    if (m_catalogue.filterWithName)
        if (std::unique_ptr<ImageFilter> constant = m_catalogue.filterWithName(QStringLiteral("ConstantColorGenerator"))) {
            constant->setDefaults();
            constant->setValue(QStringLiteral("inputColor"), QColor(Qt::black));
            black = constant->outputImage();
        }
    return result.isNull() ? black : sourceOver(result, black);
}

QImage Controller::imageFromCIImage(const FilterImage &image)
{
    if (image.isNull() || image.isInfinite())
        return {};
    const QRect pixels = image.extent().toAlignedRect();
    if (pixels.isEmpty())
        return {};
    return image.render(pixels);
}

QImage Controller::processedImage()
{
    return imageFromCIImage(coreImageResult(false));
}

void Controller::showPanel(const QImage &image)
{
    setBackgroundImage(image.isNull() ? FilterImage() : FilterImage(image));
}

std::optional<QImage> Controller::runModal(QWidget *parent, const QImage &source)
{
    showPanel(source);
    const int code = Prompts::current().runPanel(parent, this);
    std::optional<QImage> processed;
    if (code == OkTag)
        processed = processedImage();
    close();
    return processed;
}

// ---- actions ----

void Controller::outlineViewSelectionDidChange()
{
    const QModelIndexList rows = m_outline->selectionModel()->selectedRows(CIFilterDataSource::NameColumn);
    const CIFilterDataSource::Entry *entry = rows.isEmpty() ? nullptr : m_dataSource->entryForIndex(rows.first());
    // A category row, or no row: the current filter and its controls stay.
    if (!entry)
        return;
    const QList<QWidget *> boxes = m_placeCntrlView->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *box : boxes)
        delete box;
    if (!entry->filterClass.isEmpty()) {
        addFilter(entry->filterClass, FilterBoxTag);
        updateView();
    }
}

void Controller::applyBtn()
{
    const FilterImage result = coreImageResult(false);
    if (result.isNull())
        return;
    // The result is computed now: it must not follow later changes of the filter it came from,
    // which is about to take it as its own source.
    const QImage pixels = imageFromCIImage(result);
    if (pixels.isNull())
        return;
    backgroundImage = FilterImage(pixels, result.extent().toAlignedRect().topLeft());
    ++m_revision;
}

void Controller::okBtn()
{
    done(OkTag);
}

void Controller::closeBtn()
{
    done(CloseTag);
}

void Controller::zoomChanged()
{
    m_ciView->setZoom(float(zoomForSliderPosition(m_zoomSlider->doubleValue())));
    updateView();
}

void Controller::setZoom(float zoom)
{
    m_zoomSlider->setDoubleValue(sliderPositionForZoom(zoom));
}

void Controller::updateView()
{
    ++m_revision;
    m_ciView->update();
}

void Controller::setFilter(ImageFilter *filter, const QVariant &value, const QString &key)
{
    if (!filter)
        return;
    filter->setValue(key, value);
    ++m_revision;
}

} // namespace quillmark
