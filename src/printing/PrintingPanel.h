#pragma once
// The print options sheet run before the system print panel: calibration offset, bleed,
// crop and trim marks, card side and the unit they are shown in, with the label preview.
// Its buttons end it with their tag: 0 cancels, 3 prints the calibration test sheet, any
// other tag prints.
#include <QDialog>
#include <QImage>
#include <QPointF>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QTimer;

namespace quillmark {

class CalibrationView;
class EpsonPrintingView;
class RectsView;
class SequentialDrawing;

class PrintingPanel : public QDialog
{
    Q_OBJECT

public:
    // The centimetre of the panel, the calibration view and the printed rulers.
    static constexpr double PointsPerCentimetre = 28.35;

    explicit PrintingPanel(RectsView *rectsView, QWidget *parent = nullptr);
    ~PrintingPanel() override;

    RectsView *rectsView() const { return m_rectsView; }
    CalibrationView *viewCalibration() const { return m_viewCalibration; }
    // The disc preview, shown for round labels and labels with a hole; the outline switch
    // under it chooses between the outline with rulers and the label itself, the five-times
    // switch between the whole disc and a close look at its hole.
    EpsonPrintingView *discPreview() const { return m_discPreview; }
    QTabWidget *previewTabs() const { return m_previews; }
    bool isDisc() const;

    void clear();
    void initPrinters();
    void updateFormatter();
    // Ends the sheet with the tag as its result.
    void buttonPressed(int tag);
    // Runs the sheet window-modally over the canvas's window; the result is the tag.
    int runModal();

    void setCalibrationOffset(const QPointF &points);
    QPointF calibrationOffset() const { return m_calibrationOffset; }
    float convertValueFromPixels(float points) const;
    float convertValueToPixels(float value) const;
    double pointsPerUnit() const;

    void setPreview(const QImage &image);
    void setOffsetX(float x);
    void setOffsetY(float y);
    // The unit: 0 inches, 1 centimetres.
    void setMeasure(int index);
    int measure() const;
    int outline() const;
    bool closeUp() const;
    // Whether the page being printed holds nothing that prints.
    bool designShowsNothing() const;
    void showSpinView();
    void hideSpinView();
    void setInfo(const QString &text);
    float bleed() const;
    void setBleed(float value);
    void setCrop(bool flag);
    bool crop() const;
    void setTrim(bool flag);
    bool trim() const;
    // The preview: the label with half an inch around it, at five times its size.
    QImage createObjectImage();
    // The pages the preview and the print job draw objects of.
    QStringList designPages() const;
    // The copy of the design taken for a preview drawn aside, when it covers the pages: the
    // print job that follows the sheet draws from it. One still being taken is taken to its
    // end here, `answer` called between slices (false there gives it up: null). Null when
    // none was begun.
    std::shared_ptr<SequentialDrawing> designFor(const QStringList &pages, const std::function<bool()> &answer);
    // Lets go of the copy: the canvas may change from now on.
    void forgetDesign();
    // 0 front, 1 back, 2 both sides.
    int cardSide() const;
    void setCardSide(int side);

    bool printCalibrationSheet() const { return m_printCalibrationSheet; }
    void setPrintCalibrationSheet(bool flag) { m_printCalibrationSheet = flag; }

    QDoubleSpinBox *offsetXField() const { return tfOffsetX; }
    QDoubleSpinBox *offsetYField() const { return tfOffsetY; }
    QDoubleSpinBox *bleedField() const { return tfBleeds; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A typed offset is used by the job; a stepped one is also stored in the defaults.
    void offsetEdited(bool x);
    void updateDiscPreview();
    // Draws the previews of the label again from the pictures the canvas holds; a design that
    // takes longer than a moment is drawn aside from a copy instead.
    void drawPreview();
    // Copies the design a slice at a time and has the preview drawn from the copy aside.
    void drawPreviewAside();
    void takeDesignSlice();
    void showPreview(const QImage &preview);
    // The page the preview shows, and what a preview needs of the label.
    QString previewPage() const;
    // Scrolls the disc preview to its centre, the disc's hole.
    void centreDiscPreview();

    RectsView *m_rectsView = nullptr;
    QPushButton *okButton = nullptr;
    QTabWidget *m_previews = nullptr;
    CalibrationView *m_viewCalibration = nullptr;
    QScrollArea *m_discScroller = nullptr;
    EpsonPrintingView *m_discPreview = nullptr;
    QDoubleSpinBox *tfOffsetX = nullptr;
    QDoubleSpinBox *tfOffsetY = nullptr;
    QComboBox *pbMeasure = nullptr;
    QCheckBox *btnOutline = nullptr;
    QCheckBox *btnCloseUp = nullptr;
    QDoubleSpinBox *tfBleeds = nullptr;
    QCheckBox *bnCrop = nullptr;
    QCheckBox *bnTrim = nullptr;
    QLabel *lblInfo = nullptr;
    QProgressBar *prgrIndicator = nullptr;
    QButtonGroup *cardSides = nullptr;
    QPointF m_calibrationOffset;
    QImage mImage;
    // Ticks while pictures the preview waits for are being made.
    QTimer *m_pictureWait = nullptr;
    // The copy of the design a preview is drawn from aside, taken a slice at a time.
    std::unique_ptr<struct DesignCopy> m_design;
    // Which preview the latest request is: a preview drawn aside for an earlier one is dropped.
    std::shared_ptr<std::atomic<int>> m_previewGeneration = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_printCalibrationSheet = false;
    bool m_loading = false;
};

} // namespace quillmark
