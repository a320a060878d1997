#pragma once
// The image effects panel ("CIFilter"): one filter at a time applied to a copy of an object's
// picture. It owns the source picture and the current filter, lists the filters by category,
// builds the current filter's box of controls, fits the preview's zoom to a new picture and
// computes the result for the preview, for Apply and for the inspector (code 1 of the modal
// run is OK). The panel keeps its filter, controls and values from one opening to the next.
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

#include "images/CIFilterDataSource.h"
#include "platform/ImageFilter.h"

class QPushButton;
class QScrollArea;
class QTreeView;

namespace quillmark {

class EffectSlider;
class FilterView;
class MyImageView;

class Controller : public QDialog
{
    Q_OBJECT
public:
    // The tag of the box of controls made for a filter chosen in the list.
    static constexpr int FilterBoxTag = 111;
    // The modal codes of the two buttons that end the panel.
    static constexpr int OkTag = 1;
    static constexpr int CloseTag = 0;

    explicit Controller(QWidget *parent = nullptr, EffectCatalogue catalogue = EffectCatalogue::standard());
    ~Controller() override;

    // ---- default images of filters that need a second picture ----
    // Each path is set from the bundle when unset; each image is loaded on first use and kept
    // (null when its file cannot be read).
    FilterImage defaultTexture();
    QString defaultTexturePath();
    FilterImage defaultShadingEMap();
    QString defaultShadingEMapPath();
    FilterImage defaultAlphaEMap();
    QString defaultAlphaEMapPath();
    FilterImage defaultRamp();
    QString defaultRampPath();
    FilterImage defaultMask();
    QString defaultMaskPath();
    // Another file for a default image; the image is read from it on next use.
    void setDefaultTexturePath(const QString &path);

    // ---- the current filter ----
    bool filterHasMissingImage(const ImageFilter *filter) const;
    bool hasMissingImage() const;
    void setAutomaticDefaults(ImageFilter *filter, int index);
    ImageFilter *getCurrentFilter() const { return currentFilter.get(); }
    std::shared_ptr<ImageFilter> currentFilterShared() const { return currentFilter; }
    // Makes the named filter current with its defaults and builds its box of controls in the
    // control area; null for a name the catalogue does not know.
    FilterView *addFilter(const QString &name, int tag);
    // The input that takes the source picture.
    static QString sourceKey(const ImageFilter *filter);

    // ---- source picture and results ----
    void setBackgroundImage(const FilterImage &image);
    FilterImage backImage() const { return backgroundImage; }
    FilterImage filteredImage() const { return {}; }
    // The result for the preview's bounds; null while a required picture input is unset.
    FilterImage coreImageResult(bool opaque);
    FilterImage coreImageResultForRect(const QRectF &rect);
    // A platform picture of the result's extent; a null image without a finite result.
    static QImage imageFromCIImage(const FilterImage &image);
    QImage processedImage();
    // Takes a copy of a picture as the new source.
    void showPanel(const QImage &image);
    // The inspector's way in: the picture becomes the source, the panel runs modally over
    // `parent` (through the installed prompts), and OK (code 1) answers the processed picture;
    // anything else answers nothing. The window is closed in every case.
    std::optional<QImage> runModal(QWidget *parent, const QImage &source);

    // The zoom that fits a picture of `imageSize` into a scroll view of `frameSize` whose
    // scrollers are `scrollerWidth` wide.
    static double fittedZoom(const QSizeF &imageSize, const QSizeF &frameSize, double scrollerWidth);
    // Zoom slider position (0 to 10) to zoom and back.
    static double zoomForSliderPosition(double position);
    static double sliderPositionForZoom(double zoom);
    // The width of a scroller of the preview's scroll view.
    int scrollerWidth() const;

    // ---- actions ----
    void outlineViewSelectionDidChange();
    void applyBtn();
    void okBtn();
    void closeBtn();
    void zoomChanged();
    void setZoom(float zoom);
    void updateView();
    void setFilter(ImageFilter *filter, const QVariant &value, const QString &key);

    // Grows with every change the result depends on, so the preview knows when to render anew.
    quint64 revision() const { return m_revision; }

    // ---- the window's parts ----
    QWidget *placeCntrlView() const { return m_placeCntrlView; }
    EffectSlider *zoomSlider() const { return m_zoomSlider; }
    MyImageView *ciView() const { return m_ciView; }
    QScrollArea *previewScrollView() const { return m_scrollView; }
    QTreeView *outlineView() const { return m_outline; }
    CIFilterDataSource *dataSource() const { return m_dataSource; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *closeButton() const { return m_close; }
    QPushButton *applyButton() const { return m_apply; }
    // The box of controls of the current filter; null before the first choice.
    FilterView *filterView() const;

private:
    void awakeFromNib();
    FilterImage loadDefault(FilterImage &cache, QString &path, const QString &name, const QString &type,
                            const QString &fallbackType = {});
    FilterImage sourceOver(const FilterImage &top, const FilterImage &below) const;
    FilterImage crop(const FilterImage &image, const QRectF &rect) const;
    void retranslate();

    EffectCatalogue m_catalogue;
    QWidget *m_placeCntrlView = nullptr;
    EffectSlider *m_zoomSlider = nullptr;
    FilterImage backgroundImage;
    std::shared_ptr<ImageFilter> currentFilter;
    FilterImage texture, shadingemap, alphaemap, ramp, mask;
    QString texturepath, shadingemappath, alphaemappath, ramppath, maskpath;
    MyImageView *m_ciView = nullptr;

    QScrollArea *m_scrollView = nullptr;
    QTreeView *m_outline = nullptr;
    CIFilterDataSource *m_dataSource = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_close = nullptr;
    QPushButton *m_apply = nullptr;
    quint64 m_revision = 0;
};

} // namespace quillmark
