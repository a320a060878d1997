#include "printing/PrintingPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringList>
#include <QTabWidget>
#include <QThreadPool>
#include <QTimer>
#include <QCoreApplication>
#include <QVBoxLayout>

#include <algorithm>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorRect.h"
#include "objects/PictureWorker.h"
#include "platform/PrintPanels.h"
#include "platform/UserDefaults.h"
#include "printing/CalibrationView.h"
#include "printing/EpsonPrintingView.h"
#include "printing/SequentialDrawing.h"

namespace quillmark {

namespace {

// A spin box whose arrow steps are told apart from typing: only steps store the offset.
class StepperBox : public QDoubleSpinBox
{
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    std::function<void()> stepped;
    void stepBy(int steps) override
    {
        QDoubleSpinBox::stepBy(steps);
        if (stepped)
            stepped();
    }
};

// The bleed field shows two decimals with the locale's grouping ("#,###.00 in") and keeps the
// exact value the stepper reached, so steps of 0.025 inch do not round away.
class BleedBox : public QDoubleSpinBox
{
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QString textFromValue(double value) const override { return locale().toString(value, 'f', 2); }
};

} // namespace

PrintingPanel::PrintingPanel(RectsView *rectsView, QWidget *parent)
    : QDialog(parent)
    , m_rectsView(rectsView)
{
    setWindowTitle(Language::stringForKey(QStringLiteral("Print Options")));
    setWindowModality(Qt::WindowModal);
    auto *layout = new QHBoxLayout(this);
    m_previews = new QTabWidget(this);
    m_viewCalibration = new CalibrationView(this, m_previews);
    m_previews->addTab(m_viewCalibration, Language::stringForKey(QStringLiteral("Calibration")));
    // Discs get a second look: the whole disc, or the outline or the label at five times,
    // centred on the hole. Its switches sit under it, apart from the print options: they
    // change what the preview shows, not what prints.
    auto *discPage = new QWidget(m_previews);
    discPage->setObjectName(QStringLiteral("discPreviewPage"));
    auto *discLayout = new QVBoxLayout(discPage);
    m_discScroller = new QScrollArea(discPage);
    m_discScroller->setAlignment(Qt::AlignCenter);
    m_discScroller->viewport()->installEventFilter(this);
    m_discPreview = new EpsonPrintingView(m_discScroller);
    m_discScroller->setWidget(m_discPreview);
    discLayout->addWidget(m_discScroller, 1);
    auto *discSwitches = new QHBoxLayout;
    btnOutline = new QCheckBox(Language::stringForKey(QStringLiteral("Outline")), discPage);
    btnOutline->setToolTip(Language::stringForKey(QStringLiteral("Shows the label's outline with rulers in the preview; it does not print.")));
    btnCloseUp = new QCheckBox(Language::stringForKey(QStringLiteral("Five Times")), discPage);
    btnCloseUp->setToolTip(Language::stringForKey(QStringLiteral("Shows the disc at five times its size, centred on its hole.")));
    discSwitches->addWidget(btnOutline);
    discSwitches->addWidget(btnCloseUp);
    discSwitches->addStretch();
    discLayout->addLayout(discSwitches);
    m_previews->addTab(discPage, Language::stringForKey(QStringLiteral("Disc Preview")));
    layout->addWidget(m_previews, 1);

    auto *side = new QVBoxLayout;
    auto *form = new QFormLayout;
    auto *offsetX = new StepperBox(this);
    auto *offsetY = new StepperBox(this);
    tfOffsetX = offsetX;
    tfOffsetY = offsetY;
    for (QDoubleSpinBox *box : {tfOffsetX, tfOffsetY}) {
        box->setDecimals(3);
        box->setRange(-1000.0, 1000.0);
    }
    pbMeasure = new QComboBox(this);
    pbMeasure->addItem(Language::stringForKey(QStringLiteral("Inches")));
    pbMeasure->addItem(Language::stringForKey(QStringLiteral("Centimeters")));
    tfBleeds = new BleedBox(this);
    tfBleeds->setDecimals(4);
    tfBleeds->setMinimum(0.0);
    bnCrop = new QCheckBox(Language::stringForKey(QStringLiteral("Crop Marks")), this);
    bnTrim = new QCheckBox(Language::stringForKey(QStringLiteral("Trim Marks")), this);
    form->addRow(Language::stringForKey(QStringLiteral("Offset X:")), tfOffsetX);
    form->addRow(Language::stringForKey(QStringLiteral("Offset Y:")), tfOffsetY);
    form->addRow(Language::stringForKey(QStringLiteral("Units:")), pbMeasure);
    form->addRow(Language::stringForKey(QStringLiteral("Bleeds:")), tfBleeds);
    side->addLayout(form);
    side->addWidget(bnCrop);
    side->addWidget(bnTrim);

    cardSides = new QButtonGroup(this);
    const QStringList sides = {Language::stringForKey(QStringLiteral("Front")),
                               Language::stringForKey(QStringLiteral("Back")),
                               Language::stringForKey(QStringLiteral("Both Sides"))};
    for (int i = 0; i < 3; ++i) {
        auto *radio = new QRadioButton(sides.at(i), this);
        cardSides->addButton(radio, i);
        side->addWidget(radio);
    }
    cardSides->button(0)->setChecked(true);

    lblInfo = new QLabel(this);
    prgrIndicator = new QProgressBar(this);
    prgrIndicator->setRange(0, 0);
    prgrIndicator->hide();
    side->addWidget(lblInfo);
    side->addWidget(prgrIndicator);
    side->addStretch();

    auto *buttons = new QHBoxLayout;
    auto *cancel = new QPushButton(Language::stringForKey(QStringLiteral("Cancel")), this);
    auto *calibrate = new QPushButton(Language::stringForKey(QStringLiteral("Print Calibration Sheet")), this);
    okButton = new QPushButton(Language::stringForKey(QStringLiteral("Print")), this);
    okButton->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(calibrate);
    buttons->addWidget(okButton);
    side->addLayout(buttons);
    layout->addLayout(side);

    connect(cancel, &QPushButton::clicked, this, [this] { buttonPressed(0); });
    connect(calibrate, &QPushButton::clicked, this, [this] { buttonPressed(3); });
    connect(okButton, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    offsetX->stepped = [this] { setOffsetX(float(tfOffsetX->value())); };
    offsetY->stepped = [this] { setOffsetY(float(tfOffsetY->value())); };
    connect(tfOffsetX, &QDoubleSpinBox::editingFinished, this, [this] { offsetEdited(true); });
    connect(tfOffsetY, &QDoubleSpinBox::editingFinished, this, [this] { offsetEdited(false); });
    connect(pbMeasure, &QComboBox::currentIndexChanged, this, [this](int index) { setMeasure(index); });
    connect(btnOutline, &QCheckBox::toggled, this, [this] { updateDiscPreview(); });
    connect(btnCloseUp, &QCheckBox::toggled, this, [this] { updateDiscPreview(); });
    // The scroller knows its size once it is laid out for the first time it shows.
    connect(m_previews, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1)
            QTimer::singleShot(0, this, [this] { updateDiscPreview(); });
    });
    connect(tfBleeds, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (!m_loading)
            setBleed(float(value));
    });
    connect(bnCrop, &QCheckBox::toggled, this, [this](bool on) { setCrop(on); });
    connect(bnTrim, &QCheckBox::toggled, this, [this](bool on) { setTrim(on); });
    connect(cardSides, &QButtonGroup::idClicked, this, [this](int id) { setCardSide(id); });
    setMeasure(0);
}

// The design taken for previews drawn aside: the capture while slices of it are taken, then the
// drawing.
struct DesignCopy
{
    std::unique_ptr<SequentialDrawing::Capture> capture;
    std::shared_ptr<SequentialDrawing> drawing;
    QTimer *slices = nullptr;
};

PrintingPanel::~PrintingPanel()
{
    *m_alive = false;
    ++*m_previewGeneration;
    clear();
}

void PrintingPanel::clear()
{
    mImage = QImage();
}

double PrintingPanel::pointsPerUnit() const
{
    return measure() == 0 ? 72.0 : PointsPerCentimetre;
}

float PrintingPanel::convertValueFromPixels(float points) const
{
    return float(double(points) / pointsPerUnit());
}

float PrintingPanel::convertValueToPixels(float value) const
{
    return float(double(value) * pointsPerUnit());
}

int PrintingPanel::measure() const
{
    return pbMeasure ? std::max(0, pbMeasure->currentIndex()) : 0;
}

int PrintingPanel::outline() const
{
    return btnOutline && btnOutline->isChecked() ? 1 : 0;
}

void PrintingPanel::initPrinters()
{
    UserDefaults &defaults = UserDefaults::standard();
    m_loading = true;
    {
        const QSignalBlocker crop(bnCrop);
        const QSignalBlocker trim(bnTrim);
        bnCrop->setChecked(defaults.boolForKey(QStringLiteral("CropMarks")));
        bnTrim->setChecked(defaults.boolForKey(QStringLiteral("TrimMarks")));
    }
    updateFormatter();
    m_loading = false;
    const float x = convertValueFromPixels(float(defaults.floatForKey(QStringLiteral("Printing OffsetX"))));
    const float y = convertValueFromPixels(float(defaults.floatForKey(QStringLiteral("Printing OffsetY"))));
    setOffsetX(x);
    setOffsetY(y);
}

void PrintingPanel::updateFormatter()
{
    const bool cm = measure() != 0;
    const double bleedPoints = UserDefaults::standard().floatForKey(QStringLiteral("Printing Bleeds"));
    const QSignalBlocker blocker(tfBleeds);
    // The unit as the language writes it, as the unit button names it.
    tfBleeds->setSuffix(QLatin1Char(' ') + translated(cm ? QStringLiteral("cm") : QStringLiteral("in")));
    tfBleeds->setMaximum(36.0 / pointsPerUnit());
    tfBleeds->setSingleStep(cm ? 0.05 : 0.025);
    tfBleeds->setValue(bleedPoints / pointsPerUnit());
}

void PrintingPanel::buttonPressed(int tag)
{
    done(tag);
}

int PrintingPanel::runModal()
{
    return PrintPanels::current().runSheet(*this);
}

void PrintingPanel::setCalibrationOffset(const QPointF &points)
{
    m_calibrationOffset = QPointF(convertValueFromPixels(float(points.x())), convertValueFromPixels(float(points.y())));
    const QSignalBlocker bx(tfOffsetX);
    const QSignalBlocker by(tfOffsetY);
    tfOffsetX->setValue(m_calibrationOffset.x());
    tfOffsetY->setValue(m_calibrationOffset.y());
}

void PrintingPanel::offsetEdited(bool x)
{
    if (x) {
        m_calibrationOffset.setX(tfOffsetX->value());
        m_viewCalibration->setOffsetX(convertValueToPixels(float(tfOffsetX->value())));
    } else {
        m_calibrationOffset.setY(tfOffsetY->value());
        m_viewCalibration->setOffsetY(convertValueToPixels(float(tfOffsetY->value())));
    }
}

void PrintingPanel::setOffsetX(float x)
{
    m_calibrationOffset.setX(x);
    const float points = convertValueToPixels(x);
    m_viewCalibration->setOffsetX(points);
    {
        const QSignalBlocker blocker(tfOffsetX);
        tfOffsetX->setValue(x);
    }
    UserDefaults::standard().setFloat(points, QStringLiteral("Printing OffsetX"));
}

void PrintingPanel::setOffsetY(float y)
{
    m_calibrationOffset.setY(y);
    const float points = convertValueToPixels(y);
    m_viewCalibration->setOffsetY(points);
    {
        const QSignalBlocker blocker(tfOffsetY);
        tfOffsetY->setValue(y);
    }
    UserDefaults::standard().setFloat(points, QStringLiteral("Printing OffsetY"));
}

void PrintingPanel::setMeasure(int index)
{
    {
        const QSignalBlocker blocker(pbMeasure);
        pbMeasure->setCurrentIndex(std::clamp(index, 0, 1));
    }
    const double step = measure() == 0 ? 0.01 : 0.02;
    const QSignalBlocker bx(tfOffsetX);
    const QSignalBlocker by(tfOffsetY);
    tfOffsetX->setSingleStep(step);
    tfOffsetY->setSingleStep(step);
    m_calibrationOffset = QPointF(convertValueFromPixels(m_viewCalibration->offsetX()),
                                  convertValueFromPixels(m_viewCalibration->offsetY()));
    tfOffsetX->setValue(m_calibrationOffset.x());
    tfOffsetY->setValue(m_calibrationOffset.y());
    m_viewCalibration->update();
    updateFormatter();
    updateDiscPreview();
}

void PrintingPanel::showSpinView()
{
    prgrIndicator->show();
}

void PrintingPanel::hideSpinView()
{
    prgrIndicator->hide();
}

void PrintingPanel::setInfo(const QString &text)
{
    lblInfo->setText(text);
}

float PrintingPanel::bleed() const
{
    return float(tfBleeds->value());
}

void PrintingPanel::setBleed(float value)
{
    {
        const QSignalBlocker blocker(tfBleeds);
        tfBleeds->setValue(value);
    }
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setFloat(convertValueToPixels(float(tfBleeds->value())), QStringLiteral("Printing Bleeds"));
    defaults.synchronize();
    m_viewCalibration->update();
}

void PrintingPanel::setCrop(bool flag)
{
    {
        const QSignalBlocker blocker(bnCrop);
        bnCrop->setChecked(flag);
    }
    UserDefaults::standard().setBool(flag, QStringLiteral("CropMarks"));
    UserDefaults::standard().synchronize();
    m_viewCalibration->update();
}

bool PrintingPanel::crop() const
{
    return bnCrop->isChecked();
}

void PrintingPanel::setTrim(bool flag)
{
    {
        const QSignalBlocker blocker(bnTrim);
        bnTrim->setChecked(flag);
    }
    UserDefaults::standard().setBool(flag, QStringLiteral("TrimMarks"));
    UserDefaults::standard().synchronize();
    m_viewCalibration->update();
}

bool PrintingPanel::trim() const
{
    return bnTrim->isChecked();
}

int PrintingPanel::cardSide() const
{
    return std::max(0, cardSides->checkedId());
}

void PrintingPanel::setCardSide(int side)
{
    if (QAbstractButton *button = cardSides->button(std::clamp(side, 0, 2)))
        button->setChecked(true);
    setPreview(QImage());
}

void PrintingPanel::setPreview(const QImage &image)
{
    clear();
    if (!image.isNull())
        mImage = image;
    drawPreview();
}

namespace {

// The objects the preview draws on the window's thread; more are drawn aside. A few hundred
// objects draw in a moment, the pictures and large paths among them from what the canvas holds.
constexpr qsizetype PreviewObjectsHere = 300;

} // namespace

void PrintingPanel::drawPreview()
{
    if (!m_rectsView)
        return;
    ++*m_previewGeneration;
    // A design drawn aside once is drawn aside again: its copy is at hand.
    if (m_design) {
        drawPreviewAside();
        return;
    }
    // A design of thousands of objects is drawn aside from a copy, the window answering.
    const QString page = previewPage();
    qsizetype shown = 0;
    for (const GraphicPtr &graphic : m_rectsView->getRects())
        shown += graphic->isOnPageNamed(page) ? 1 : 0;
    if (shown > PreviewObjectsHere) {
        drawPreviewAside();
        return;
    }
    const bool printing = m_rectsView->isPrinting();
    m_rectsView->setPrinting(true);
    // A detailed drawing takes seconds to rasterise: the preview never waits for one but draws
    // what the canvas holds of it, or its place while a raster is made aside, and is drawn
    // again once the pictures being made have arrived.
    m_rectsView->setDrawingPrintPreview(true);
    const QImage preview = createObjectImage();
    m_rectsView->setDrawingPrintPreview(false);
    m_rectsView->setPrinting(printing);
    if (PictureWorker::busy()) {
        if (!m_pictureWait) {
            m_pictureWait = new QTimer(this);
            m_pictureWait->setInterval(100);
            connect(m_pictureWait, &QTimer::timeout, this, [this] {
                if (PictureWorker::busy())
                    return;
                m_pictureWait->stop();
                if (isVisible())
                    drawPreview();
            });
        }
        m_pictureWait->start();
    }
    showPreview(preview);
}

void PrintingPanel::showPreview(const QImage &preview)
{
    if (!preview.isNull()) {
        QImage sized = preview;
        sized.setDevicePixelRatio(5.0);
        m_viewCalibration->setPreview(sized);
        m_discPreview->setPreview(sized);
    }
    updateDiscPreview();
}

QStringList PrintingPanel::designPages() const
{
    if (!m_rectsView)
        return {};
    const QString folder = m_rectsView->getTemplateFolder();
    QStringList pages{folder + QStringLiteral("Front"), folder + QStringLiteral("Back")};
    if (!m_rectsView->getTFormat())
        pages.append(QStringLiteral("MyCustom"));
    return pages;
}

std::shared_ptr<SequentialDrawing> PrintingPanel::designFor(const QStringList &pages, const std::function<bool()> &answer)
{
    if (!m_design)
        return nullptr;
    for (const QString &page : pages)
        if (!designPages().contains(page))
            return nullptr;
    // A second copy taken beside the one under way would hold the design twice over.
    if (m_design->capture) {
        m_design->slices->stop();
        while (!m_design->capture->step(20))
            if (!answer() || !m_design || !m_design->capture)
                return nullptr;
        m_design->drawing = m_design->capture->result();
        m_design->capture.reset();
    }
    // A preview still being drawn stops: the job draws on the same thread after it.
    ++*m_previewGeneration;
    return m_design->drawing;
}

void PrintingPanel::forgetDesign()
{
    ++*m_previewGeneration;
    if (m_design && m_design->slices)
        m_design->slices->deleteLater();
    m_design.reset();
}

void PrintingPanel::drawPreviewAside()
{
    if (!m_design) {
        m_design = std::make_unique<DesignCopy>();
        m_design->capture = std::make_unique<SequentialDrawing::Capture>(*m_rectsView, designPages());
        // The window answers between slices: a design of tens of thousands of objects takes a
        // second or two to copy.
        m_design->slices = new QTimer(this);
        m_design->slices->setInterval(0);
        connect(m_design->slices, &QTimer::timeout, this, &PrintingPanel::takeDesignSlice);
        m_design->slices->start();
        return;
    }
    // Still being taken: the preview follows once it is.
    if (m_design->capture)
        return;
    // A design holding a kind drawn on the window's thread only is drawn here, however long.
    if (!m_design->drawing) {
        const bool printing = m_rectsView->isPrinting();
        m_rectsView->setPrinting(true);
        m_rectsView->setDrawingPrintPreview(true);
        showPreview(createObjectImage());
        m_rectsView->setDrawingPrintPreview(false);
        m_rectsView->setPrinting(printing);
        return;
    }
    const TLabel &label = m_rectsView->getLabel();
    const double Wp = (double(label.width) + 1.0) * 72.0;
    const double Hp = (double(label.height) + 1.0) * 72.0;
    const BezierPath clip = RectsView::getLabelBoundPath(label, true);
    const int labelNumber = m_rectsView->isPrintSequense() ? m_rectsView->currentRecordLabel() : 0;
    const SequentialDrawing::Record record = m_design->drawing->currentRecord(labelNumber);
    const int generation = ++*m_previewGeneration;
    // Drawn on the thread the job draws the copy on: made there, the copy is drawn there
    // however long the user looks at the preview first.
    SequentialDrawing::onCopyThread([drawing = m_design->drawing, record, page = previewPage(), Wp, Hp, clip,
                                          current = m_previewGeneration, alive = m_alive, panel = this, generation] {
        QImage image(int(Wp * 5.0), int(Hp * 5.0), QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return;
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(5.0, 5.0);
            painter.translate(36.0, 36.0);
            if (!clip.isEmpty())
                painter.setClipPath(clip.toPainterPath());
            drawing->drawObjects(&painter, record, page, QRectF(0, 0, Wp, Hp),
                                 [current, generation] { return current->load() != generation; });
        }
        if (current->load() != generation)
            return;
        QMetaObject::invokeMethod(qApp, [image, current, alive, panel, generation] {
            if (*alive && current->load() == generation)
                panel->showPreview(image);
        }, Qt::QueuedConnection);
    });
}

void PrintingPanel::takeDesignSlice()
{
    if (!m_design || !m_design->capture)
        return;
    if (!m_design->capture->step(20))
        return;
    m_design->drawing = m_design->capture->result();
    m_design->capture.reset();
    m_design->slices->stop();
    drawPreviewAside();
}

QString PrintingPanel::previewPage() const
{
    return m_rectsView->getTemplateFolder() + (cardSide() == 1 ? QStringLiteral("Back") : QStringLiteral("Front"));
}

bool PrintingPanel::isDisc() const
{
    if (!m_rectsView)
        return false;
    const TLabel &label = m_rectsView->getLabel();
    return label.shape == TLabel::Oval || label.hole > 0.0f;
}

void PrintingPanel::updateDiscPreview()
{
    const bool disc = isDisc();
    m_previews->setTabEnabled(1, disc);
    m_previews->setTabVisible(1, disc);
    m_discPreview->setMeasure(measure());
    m_discPreview->setOutline(outline() != 0);
    // A design that shows nothing gives a white image: the disc's edge shows where it lies.
    m_discPreview->setEdgeShown(designShowsNothing());
    // The drawing's own size, centred in it.
    const QSize size = m_discPreview->sizeHint();
    m_discPreview->SetCDCenterPoint(QPointF(size.width() / 2.0, size.height() / 2.0));
    if (closeUp()) {
        // At five times the scroller starts on the centre.
        m_discPreview->setZoom(1.0);
        m_discPreview->resize(size);
        centreDiscPreview();
        return;
    }
    // The whole disc, shrunk to the room the scroller gives.
    const QSize room = m_discScroller->viewport()->size().expandedTo(QSize(1, 1));
    const double zoom = std::min({1.0, double(room.width()) / size.width(), double(room.height()) / size.height()});
    m_discPreview->setZoom(zoom);
    m_discPreview->resize(room);
}

bool PrintingPanel::designShowsNothing() const
{
    if (!m_rectsView)
        return false;
    const QString page = m_rectsView->getCurrPageName();
    for (const GraphicPtr &graphic : m_rectsView->getRects())
        if (graphic->isOnPageNamed(page) && !graphic->isHidden())
            return false;
    return true;
}

bool PrintingPanel::closeUp() const
{
    return btnCloseUp && btnCloseUp->isChecked();
}

bool PrintingPanel::eventFilter(QObject *watched, QEvent *event)
{
    // The whole disc follows the room it is given.
    if (event->type() == QEvent::Resize && m_discScroller && watched == m_discScroller->viewport() && !closeUp()
        && m_discPreview->size() != m_discScroller->viewport()->size())
        QTimer::singleShot(0, this, [this] { updateDiscPreview(); });
    return QDialog::eventFilter(watched, event);
}

void PrintingPanel::centreDiscPreview()
{
    // Five times is for checking where the print meets the disc's edge: it opens on the
    // label's left edge at the height of the hole, where the ruler meets it.
    QPointF target = m_discPreview->cdCenterPoint();
    const QRectF outline = m_discPreview->outlineRect();
    if (!outline.isEmpty())
        target.setX(outline.left());
    const QSize viewport = m_discScroller->viewport()->size();
    m_discScroller->horizontalScrollBar()->setValue(qRound(target.x() - viewport.width() / 2.0));
    m_discScroller->verticalScrollBar()->setValue(qRound(target.y() - viewport.height() / 2.0));
}

QImage PrintingPanel::createObjectImage()
{
    if (!m_rectsView)
        return {};
    const TLabel &label = m_rectsView->getLabel();
    const double Wp = (double(label.width) + 1.0) * 72.0;
    const double Hp = (double(label.height) + 1.0) * 72.0;
    if (!(Wp > 0.0 && Hp > 0.0) || Wp * Hp * 25.0 > 400e6)
        return {};
    QImage image(int(Wp * 5.0), int(Hp * 5.0), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(5.0, 5.0);
    painter.translate(36.0, 36.0);
    const QString page = previewPage();
    const QRectF area(0, 0, Wp, Hp);
    // Cut as it prints: to the label with its bleed, a disc's centre hole left out.
    const BezierPath clip = RectsView::getLabelBoundPath(label, true);
    if (!clip.isEmpty())
        painter.setClipPath(clip.toPainterPath());
    // The current record's label, numbered as the job will print it.
    const int labelNumber = m_rectsView->isPrintSequense() ? m_rectsView->currentRecordLabel() : 0;
    const ColorRect::DrawingPass pass;
    for (const GraphicPtr &graphic : sortedByLayer(m_rectsView->getRects()))
        if (graphic->isOnPageNamed(page))
            graphic->printFrame(&painter, area, labelNumber);
    painter.end();
    return image;
}

} // namespace quillmark
