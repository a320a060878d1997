#pragma once
// The image effects panel ("CIFilter"): one filter at a time applied to a copy of an object's
// picture. It owns the source picture and the current filter, lists the filters by category,
// builds the current filter's box of controls, fits the preview's zoom to a new picture and
// computes the result for the preview, for Apply and for the inspector (code 1 of the modal
// run is OK). The panel keeps its filter, controls and values from one opening to the next.
#include <QDialog>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QThreadPool>
#include <QRectF>
#include <QString>
#include <QVariant>

#include <atomic>
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
    // The result for the preview's bounds; null while a required picture input is unset. Right
    // after Apply, and until anything changes, it is the applied picture itself.
    FilterImage coreImageResult(bool opaque);
    FilterImage coreImageResultForRect(const QRectF &rect);
    // The result of `filter` fed with `source`, for a preview of `bounds` (picture units).
    FilterImage resultFor(ImageFilter *filter, const FilterImage &source, const QRectF &bounds) const;
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

    // ---- rendering off the window's thread ----
    // The pixels per picture pixel the preview is rendered at for a zoom: 1, or a power of two
    // below it no smaller than the zoom for a picture large enough to be worth it.
    double previewScale(double zoom) const;
    // Asks for the result's pixels of `rect` (picture pixels times `scale`). Only the newest
    // request is kept; the answer goes to the preview (MyImageView::takePreview).
    void requestPreview(const QRect &rect, double scale);
    // Whether a render for the preview, Apply or OK is asked for or under way.
    bool isRendering() const;
    // Whether Apply or OK is computing the full-size result (the panel waits, Cancel shows).
    bool isBusy() const { return m_final.has_value(); }
    // Stops the full-size render of Apply or OK; the panel stays as it was before.
    void cancelRender();
    QPushButton *cancelButton() const { return m_cancel; }

    void done(int code) override;

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

protected:
    void showEvent(QShowEvent *event) override;

private:
    void awakeFromNib();
    // The list as wide as the longest name it holds (the library names its filters in the
    // user's locale), the preview taking what the screen leaves.
    void fitOutlineToNames();
    // The panel at its preferred size where the screen has room for it, smaller where not.
    void fitToScreen();
    FilterImage loadDefault(FilterImage &cache, QString &path, const QString &name, const QString &type,
                            const QString &fallbackType = {});
    FilterImage sourceOver(const FilterImage &top, const FilterImage &below) const;
    FilterImage crop(const FilterImage &image, const QRectF &rect) const;
    void retranslate();
    struct PreviewRequest
    {
        QRect rect;
        double scale = 1;
        quint64 revision = 0;
    };
    struct FinalRender
    {
        bool forOk = false;
        bool started = false;
        std::shared_ptr<std::atomic_bool> cancelled;
    };
    void startFinalRender(bool forOk);
    void startNextRender();
    void previewRendered(const PreviewRequest &request, const QRect &rendered, const QImage &image);
    void levelMade(quint64 sourceGeneration, double scale, const FilterImage &level);
    void finalRendered(const std::shared_ptr<std::atomic_bool> &job, bool forOk, const QImage &image,
                       const QRectF &extent);
    void setBusy(bool busy);
    FilterImage previewResult(const FilterImage &source, double scale, const QRectF &bounds) const;
    void sourceChanged();

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
    QPushButton *m_cancel = nullptr;
    quint64 m_revision = 0;

    // The source's own pixels when known (no render needed to scale them), its generation, and
    // its smaller copies for the preview by scale, made on the worker.
    QImage m_sourcePixels;
    quint64 m_sourceGeneration = 0;
    QHash<int, FilterImage> m_levels;
    // Set by Apply's result; cleared by every change: while set, the result is the source.
    bool m_appliedUnchanged = false;
    // One worker: renders one at a time, GEGL's work never runs on two threads at once.
    QThreadPool m_worker;
    bool m_workerBusy = false;
    std::optional<PreviewRequest> m_wantedPreview;
    std::optional<FinalRender> m_final;
    std::optional<QImage> m_okResult;
};

} // namespace quillmark
