#include "images/Controller.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "foundation/Language.h"
#include "images/EffectSlider.h"
#include "images/FilterView.h"
#include "images/MyImageView.h"
#include "objects/ImageProbe.h"
#include "platform/Bundle.h"
#include "platform/FilterExtent.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"
#include "platform/ScreenArea.h"

namespace quillmark {

namespace {

// The control area's size: the box of controls of a filter is made this large and trimmed to
// its controls.
constexpr int kControlAreaWidth = 320;
constexpr int kControlAreaHeight = 420;
// The preview's size where the screen has room for it, and the least it shrinks to on a small
// screen (a 1024 x 768 one, beside the list and the controls).
constexpr QSize kPreviewSize(520, 420);
constexpr QSize kLeastPreviewSize(240, 240);
// What a window frame may add at the sides.
constexpr int FrameAllowance = 12;

bool isImageInput(const FilterInput *input)
{
    return input && input->className == QLatin1String("CIImage");
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

// Pictures of at most this many pixels are previewed at their own resolution at any zoom.
constexpr qint64 kFullPreviewPixels = qint64(2) << 20;
// The full-size result is rendered in bands of about this many pixels, so Cancel is heard
// between two of them.
constexpr qint64 kBandPixels = qint64(4) << 20;

int levelKey(double scale)
{
    return int(std::lround(-std::log2(scale)));
}

// A value of `input` as it reads on a copy of the picture `scale` times the size: lengths in
// pixels and places in the picture scale with it, inverse lengths against it, everything else
// stays. Nothing when the copy cannot take the value: an inverse length grown past what the
// input takes (a noise of fine grain on a copy an eighth the size).
std::optional<QVariant> scaledValue(const FilterInput &input, const QVariant &value, double scale)
{
    if (!value.isValid() || scale == 1)
        return value;
    if (input.className == QLatin1String("NSNumber") && input.dimension == FilterDimension::InverseLength) {
        const double scaled = value.toDouble() / scale;
        if (input.maximum.isValid() && scaled > input.maximum.toDouble())
            return std::nullopt;
        return scaled;
    }
    if (input.className == QLatin1String("NSNumber")
        && (input.dimension == FilterDimension::Length || input.type == QLatin1String(FilterInputType::Distance))) {
        double scaled = value.toDouble() * scale;
        // A whole number of pixels stays whole (a block size of 16 on a copy at 1/8 is 2), and
        // never drops below what the input takes (a block of at least one pixel).
        if (input.type == QLatin1String(FilterInputType::Integer) || input.type == QLatin1String(FilterInputType::Count))
            scaled = std::round(scaled);
        if (input.minimum.isValid())
            scaled = std::max(scaled, input.minimum.toDouble());
        return scaled;
    }
    if (input.className == QLatin1String("CIVector")) {
        const bool placed = input.type == QLatin1String(FilterInputType::Position)
                            || input.type == QLatin1String(FilterInputType::Position3)
                            || input.type == QLatin1String(FilterInputType::Rectangle)
                            || input.type == QLatin1String(FilterInputType::Offset);
        if (!placed)
            return value;
        QList<double> v = vectorComponents(value);
        const int count = input.type == QLatin1String(FilterInputType::Rectangle) ? 4 : 2;
        for (int i = 0; i < std::min<int>(count, int(v.size())); ++i)
            v[i] *= scale;
        return QVariant::fromValue(v);
    }
    if (input.className == QLatin1String("NSAffineTransform")) {
        if (value.metaType() == QMetaType::fromType<QTransform>()) {
            const QTransform m = value.value<QTransform>();
            return QVariant::fromValue(QTransform(m.m11(), m.m12(), m.m21(), m.m22(), m.dx() * scale, m.dy() * scale));
        }
        QList<double> v = vectorComponents(value);
        for (int i = 4; i < std::min<int>(6, int(v.size())); ++i)
            v[i] *= scale;
        return QVariant::fromValue(v);
    }
    return value;
}

// `image` at `scale` (one over a power of two) of its size: each pixel the mean of the square
// of full-size pixels it stands for, rendered a band at a time so that no more than a band of
// the full size is ever held.
FilterImage averagedDown(const FilterImage &image, double scale)
{
    if (image.isNull())
        return image;
    const int factor = int(std::lround(1 / scale));
    const QRectF whole = image.extent();
    const QRectF extent = image.isInfinite()
                              ? whole
                              : QRectF(whole.x() * scale, whole.y() * scale, whole.width() * scale, whole.height() * scale);
    return FilterImage(extent, [image, factor](const QRect &rect) {
        QImage out = FilterExtent::transparent(rect.size());
        if (out.isNull() || rect.isEmpty())
            return out;
        const qint64 fullWidth = qint64(rect.width()) * factor;
        const int rows = int(std::clamp<qint64>(kBandPixels / std::max<qint64>(1, fullWidth * factor * factor), 1,
                                                rect.height()));
        std::vector<quint32> sums(size_t(rect.width()) * 4);
        const quint32 count = quint32(factor * factor);
        for (int row = 0; row < rect.height(); row += rows) {
            const int band = std::min(rows, rect.height() - row);
            // Filter space grows upwards: the band's top row is its highest.
            const QRect full(rect.x() * factor, (rect.y() + rect.height() - row - band) * factor, rect.width() * factor,
                             band * factor);
            const QImage part = image.render(full);
            if (part.size() != full.size())
                return QImage();
            for (int r = 0; r < band; ++r) {
                std::fill(sums.begin(), sums.end(), 0u);
                for (int dy = 0; dy < factor; ++dy) {
                    const uchar *line = part.constScanLine(r * factor + dy);
                    for (int x = 0; x < full.width(); ++x) {
                        quint32 *s = sums.data() + size_t(x / factor) * 4;
                        const uchar *p = line + size_t(x) * 4;
                        s[0] += p[0];
                        s[1] += p[1];
                        s[2] += p[2];
                        s[3] += p[3];
                    }
                }
                uchar *target = out.scanLine(row + r);
                for (size_t i = 0; i < sums.size(); ++i)
                    target[i] = uchar((sums[i] + count / 2) / count);
            }
        }
        return out;
    });
}

// The pixels of `rect` rendered band by band, top first; null when cancelled between bands.
QImage renderInBands(const FilterImage &image, const QRect &rect, const std::atomic_bool &cancelled)
{
    QImage out = FilterExtent::transparent(rect.size());
    if (out.isNull())
        return out;
    const int rows = int(std::clamp<qint64>(kBandPixels / std::max(1, rect.width()), 1, rect.height()));
    for (int row = 0; row < rect.height(); row += rows) {
        if (cancelled)
            return {};
        const int count = std::min(rows, rect.height() - row);
        // Filter space grows upwards: the image's top row is the rectangle's highest.
        const QRect band(rect.x(), rect.y() + rect.height() - row - count, rect.width(), count);
        const QImage part = image.render(band);
        if (part.size() != band.size())
            return {};
        const qsizetype bytes = std::min(part.bytesPerLine(), out.bytesPerLine());
        for (int r = 0; r < count; ++r)
            std::copy_n(part.constScanLine(r), bytes, out.scanLine(row + r));
    }
    return cancelled ? QImage() : out;
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
    m_scrollView->setMinimumSize(kLeastPreviewSize);
    m_ciView = new MyImageView;
    m_ciView->setController(this);
    m_scrollView->setWidget(m_ciView);

    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);

    m_close = new QPushButton(this);
    m_apply = new QPushButton(this);
    m_ok = new QPushButton(this);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelRender"));
    m_cancel->setAutoDefault(false);
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancelRender(); });
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
    buttons->addWidget(m_cancel);
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
    fitToScreen();
}

void Controller::fitOutlineToNames()
{
    // Every row counts, those under a closed category too: the user opens it.
    int widest = 0;
    const int indentation = m_outline->indentation();
    for (int c = 0; c < m_dataSource->rowCount(); ++c) {
        const QModelIndex category = m_dataSource->index(c, CIFilterDataSource::NameColumn);
        widest = std::max(widest, m_outline->sizeHintForIndex(category).width() + indentation);
        const QModelIndex parent = m_dataSource->index(c, 0);
        for (int r = 0; r < m_dataSource->rowCount(parent); ++r)
            widest = std::max(widest, m_outline->sizeHintForIndex(m_dataSource->index(r, CIFilterDataSource::NameColumn, parent))
                                          .width()
                                          + 2 * indentation);
    }
    const int chrome = m_outline->header()->sectionSize(CIFilterDataSource::IconColumn) + 2 * m_outline->frameWidth()
        + m_outline->verticalScrollBar()->sizeHint().width();
    // The list never takes the room the controls and the least preview need: on a screen too
    // narrow for a name, the name gives way.
    const QRect area = ScreenArea::available(isVisible() ? this : parentWidget());
    int limit = 1 << 16;
    if (!area.isEmpty() && layout()) {
        const int others = layout()->minimumSize().width() - m_outline->minimumWidth();
        limit = area.width() - FrameAllowance - others;
    }
    // The list keeps the width its names need; the preview takes what the panel has more.
    m_outline->setFixedWidth(std::clamp(widest + chrome, 220, std::max(220, limit)));
}

void Controller::fitToScreen()
{
    fitOutlineToNames();
    // The preview is the one part that grows: at the panel's least size it has its least width,
    // beside the controls' column, which is taller than the preview needs.
    const QSize least = minimumSizeHint().expandedTo(minimumSize());
    QSize wanted = least + QSize(kPreviewSize.width() - kLeastPreviewSize.width(), 0);
    const QWidget *placed = isVisible() ? this : parentWidget();
    const QRect area = ScreenArea::available(placed);
    if (!area.isEmpty()) {
        // What the window system adds round the panel, as it adds it round the window it is over.
        QSize frame(0, 0);
        if (const QWidget *window = placed ? placed->window() : nullptr)
            frame = window->frameGeometry().size() - window->geometry().size();
        wanted = wanted.boundedTo(area.size() - frame);
    }
    resize(wanted.expandedTo(least));
    layout()->activate();
}

void Controller::showEvent(QShowEvent *event)
{
    // The screen may have changed since the panel was made.
    const QRect area = ScreenArea::available(this);
    if (!area.isEmpty() && (width() > area.width() || height() > area.height()))
        fitToScreen();
    QDialog::showEvent(event);
}

Controller::~Controller()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_final && m_final->cancelled)
        *m_final->cancelled = true;
    if (m_final)
        QApplication::restoreOverrideCursor();
    m_worker.waitForDone();
}

void Controller::retranslate()
{
    setWindowTitle(Language::stringForKey(QStringLiteral("Image Effects")));
    m_ok->setText(Language::stringForKey(QStringLiteral("OK")));
    m_close->setText(Language::stringForKey(QStringLiteral("Close")));
    m_apply->setText(Language::stringForKey(QStringLiteral("Apply")));
    m_cancel->setText(Language::stringForKey(QStringLiteral("Cancel")));
    m_zoomSlider->setToolTip(Language::stringForKey(QStringLiteral("Zoom")));
    if (m_dataSource->rowCount() > 0)
        emit m_dataSource->dataChanged(m_dataSource->index(0, 0),
                                       m_dataSource->index(m_dataSource->rowCount() - 1, 1));
    fitOutlineToNames();
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
        // Read as every picture file is, under the same limits: the path may be set to any file.
        const QImage image = ImageProbe::decodeFile(path);
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
    m_appliedUnchanged = false;
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
    box->distinguishLabels();
    return box;
}

FilterView *Controller::filterView() const
{
    return m_placeCntrlView->findChild<FilterView *>(QString(), Qt::FindDirectChildrenOnly);
}

// ---- source picture and results ----

void Controller::sourceChanged()
{
    ++m_sourceGeneration;
    m_levels.clear();
    m_sourcePixels = QImage();
    m_appliedUnchanged = false;
    ++m_revision;
}

void Controller::setBackgroundImage(const FilterImage &image)
{
    backgroundImage = image;
    sourceChanged();
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
    // Right after Apply the source is the result the user saw; applying the filter to it
    // again would give something else than what OK is expected to keep.
    if (!currentFilter || m_appliedUnchanged)
        return backgroundImage;
    return resultFor(currentFilter.get(), backgroundImage, r);
}

FilterImage Controller::resultFor(ImageFilter *filter, const FilterImage &backgroundImage, const QRectF &r) const
{
    if (!filter)
        return backgroundImage;
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
    m_sourcePixels = image;
}

std::optional<QImage> Controller::runModal(QWidget *parent, const QImage &source)
{
    showPanel(source);
    m_okResult.reset();
    const int code = Prompts::current().runPanel(parent, this);
    std::optional<QImage> processed;
    if (code == OkTag)
        processed = m_okResult ? *m_okResult : processedImage();
    m_okResult.reset();
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
    // Apply pressed again with nothing changed applies the filter once more, to the result:
    // pressing it twice blurs twice as much.
    if (!m_final && m_appliedUnchanged) {
        m_appliedUnchanged = false;
        ++m_revision;
    }
    startFinalRender(false);
}

void Controller::okBtn()
{
    startFinalRender(true);
}

void Controller::done(int code)
{
    // Ending the panel while the full-size result is computed drops it.
    if (m_final)
        cancelRender();
    QDialog::done(code);
}

// ---- rendering on the worker ----
//
// The recipes of results are made here, on the window's thread, where the filters live; only
// their pixels are computed on the worker. A recipe holds copies of the values it was made
// from, so the user may go on changing the filter while its pixels are computed.

double Controller::previewScale(double zoom) const
{
    const QRectF extent = backgroundImage.extent();
    if (backgroundImage.isNull() || !(zoom < 1) || !std::isfinite(extent.width())
        || extent.width() * extent.height() <= double(kFullPreviewPixels))
        return 1;
    double scale = 1;
    while (scale / 2 >= zoom && scale > 1.0 / 64)
        scale /= 2;
    return scale;
}

FilterImage Controller::previewResult(const FilterImage &source, double scale, const QRectF &bounds) const
{
    if (!currentFilter || m_appliedUnchanged)
        return source;
    if (scale == 1)
        return resultFor(currentFilter.get(), source, bounds);
    // A copy of the filter whose lengths and places fit the smaller copy of the picture.
    std::unique_ptr<ImageFilter> copy = m_catalogue.filterWithName ? m_catalogue.filterWithName(currentFilter->name())
                                                                   : nullptr;
    if (!copy)
        return {};
    copy->setDefaults();
    // Features of a size of their own in pixels, or finer than the copy's inputs can ask for,
    // cannot be drawn on the smaller copy at their size: the preview is then the full-size
    // result, averaged down.
    bool fits = currentFilter->fixedFeatureSize() <= 1;
    for (const QString &key : currentFilter->inputKeys()) {
        const FilterInput *input = currentFilter->input(key);
        if (!fits || !input)
            continue;
        const std::optional<QVariant> scaled = scaledValue(*input, currentFilter->value(key), scale);
        if (scaled)
            copy->setValue(key, *scaled);
        else
            fits = false;
    }
    if (!fits)
        return averagedDown(resultFor(currentFilter.get(), backgroundImage, bounds), scale);
    const QRectF scaledBounds(bounds.x() * scale, bounds.y() * scale, bounds.width() * scale, bounds.height() * scale);
    return resultFor(copy.get(), source, scaledBounds);
}

void Controller::requestPreview(const QRect &rect, double scale)
{
    m_wantedPreview = PreviewRequest{rect, scale, m_revision};
    startNextRender();
}

bool Controller::isRendering() const
{
    return m_workerBusy || m_wantedPreview.has_value() || m_final.has_value();
}

void Controller::startNextRender()
{
    if (m_workerBusy)
        return;
    QPointer<Controller> self(this);
    if (m_final && !m_final->started) {
        // The full-size result of the filter as it is now.
        m_final->started = true;
        const FilterImage result = coreImageResult(false);
        const bool forOk = m_final->forOk;
        const std::shared_ptr<std::atomic_bool> cancelled = m_final->cancelled;
        const QRectF extent = result.isNull() || result.isInfinite() ? QRectF() : result.extent();
        const QRect pixels = extent.toAlignedRect();
        m_workerBusy = true;
        m_worker.start([self, result, pixels, extent, forOk, cancelled] {
            const QImage image = result.isNull() || pixels.isEmpty() ? QImage() : renderInBands(result, pixels, *cancelled);
            QMetaObject::invokeMethod(self.data(), [self, cancelled, forOk, image, extent] {
                if (self)
                    self->finalRendered(cancelled, forOk, image, extent);
            }, Qt::QueuedConnection);
        });
        return;
    }
    if (m_final || !m_wantedPreview)
        return;
    const PreviewRequest request = *m_wantedPreview;
    m_wantedPreview.reset();
    if (hasMissingImage() || backgroundImage.isNull()) {
        previewRendered(request, QRect(), QImage());
        return;
    }
    FilterImage source = backgroundImage;
    if (request.scale < 1) {
        const auto level = m_levels.constFind(levelKey(request.scale));
        if (level == m_levels.constEnd()) {
            // The smaller copy of the picture comes first; the request waits for it.
            m_wantedPreview = request;
            m_workerBusy = true;
            const quint64 generation = m_sourceGeneration;
            const QImage pixels = m_sourcePixels;
            const FilterImage whole = backgroundImage;
            const double scale = request.scale;
            m_worker.start([self, generation, pixels, whole, scale] {
                QImage full = pixels.isNull() ? whole.toImage() : pixels;
                const QPointF origin = whole.extent().topLeft() * scale;
                FilterImage level;
                if (!full.isNull()) {
                    const QSize size(std::max(1, int(std::lround(full.width() * scale))),
                                     std::max(1, int(std::lround(full.height() * scale))));
                    level = FilterImage(full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), origin);
                }
                QMetaObject::invokeMethod(self.data(), [self, generation, scale, level] {
                    if (self)
                        self->levelMade(generation, scale, level);
                }, Qt::QueuedConnection);
            });
            return;
        }
        source = *level;
    }
    const FilterImage result = previewResult(source, request.scale, m_ciView->boundsRect());
    QRect rect = request.rect;
    if (!result.isNull() && !result.isInfinite())
        rect &= FilterExtent::pixelRect(FilterExtent::intersected(result.extent(), QRectF(rect)));
    if (result.isNull() || rect.isEmpty() || !FilterExtent::isRenderable(rect)) {
        previewRendered(request, result.isNull() ? QRect() : rect, QImage());
        return;
    }
    m_workerBusy = true;
    m_worker.start([self, request, result, rect] {
        const QImage image = result.render(rect);
        QMetaObject::invokeMethod(self.data(), [self, request, rect, image] {
            if (self) {
                self->m_workerBusy = false;
                self->previewRendered(request, rect, image);
            }
        }, Qt::QueuedConnection);
    });
}

void Controller::levelMade(quint64 generation, double scale, const FilterImage &level)
{
    m_workerBusy = false;
    if (generation == m_sourceGeneration) {
        if (level.isNull()) {
            // No smaller copy: the preview makes do with the picture itself.
            if (m_wantedPreview)
                m_wantedPreview->scale = 1;
        } else {
            m_levels.insert(levelKey(scale), level);
        }
    }
    startNextRender();
}

void Controller::previewRendered(const PreviewRequest &request, const QRect &rendered, const QImage &image)
{
    m_ciView->takePreview(image, rendered, request.rect, request.scale, request.revision);
    startNextRender();
}

void Controller::startFinalRender(bool forOk)
{
    if (m_final)
        return;
    m_final = FinalRender{forOk, false, std::make_shared<std::atomic_bool>(false)};
    setBusy(true);
    startNextRender();
}

void Controller::cancelRender()
{
    if (!m_final)
        return;
    // The worker finishes its band and drops the rest; the panel is free at once.
    *m_final->cancelled = true;
    m_final.reset();
    setBusy(false);
    startNextRender();
}

void Controller::finalRendered(const std::shared_ptr<std::atomic_bool> &job, bool forOk, const QImage &image,
                               const QRectF &extent)
{
    m_workerBusy = false;
    if (*job || !m_final || m_final->cancelled != job) {
        startNextRender();
        return;
    }
    m_final.reset();
    setBusy(false);
    if (forOk) {
        m_okResult = image;
        QDialog::done(OkTag);
        // A preview asked for meanwhile is still served, for the next opening.
        startNextRender();
        return;
    }
    if (!image.isNull()) {
        // The result becomes the source; until something changes it is also the result.
        backgroundImage = FilterImage(image, extent.toAlignedRect().topLeft());
        sourceChanged();
        m_sourcePixels = image;
        m_appliedUnchanged = true;
        m_ciView->update();
    }
    startNextRender();
}

void Controller::setBusy(bool busy)
{
    // While Apply or OK computes, the panel waits for it: only Cancel and Close answer.
    m_outline->setEnabled(!busy);
    m_placeCntrlView->setEnabled(!busy);
    m_apply->setEnabled(!busy);
    m_ok->setEnabled(!busy);
    m_cancel->setVisible(busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
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
    m_appliedUnchanged = false;
    ++m_revision;
}

} // namespace quillmark
