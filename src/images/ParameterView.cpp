#include "images/ParameterView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QResizeEvent>
#include <QStyle>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "foundation/Language.h"
#include "foundation/Measures.h"
#include "foundation/TypedNumber.h"
#include "images/Autoresizing.h"
#include "images/Controller.h"
#include "images/EffectSlider.h"
#include "images/FunHouseImageView.h"
#include "objects/ImageProbe.h"
#include "platform/ColorWell.h"
#include "platform/Format.h"
#include "platform/ImageFilter.h"
#include "platform/LocalNumber.h"
#include "platform/Prompts.h"

namespace quillmark {

using namespace Autoresizing;

namespace {

constexpr int kLabelFontSize = 9;

QFont smallFont(QFont font)
{
    font.setPointSizeF(kLabelFontSize);
    return font;
}

double component(const QList<double> &vector, int index)
{
    return index < vector.size() ? vector.at(index) : 0.0;
}

// The largest thumbnail an image well shows.
constexpr int kWellThumbnail = 64;

const char *const kTransformRowNames[4] = {"Scale", "Angle", "Stretch", "Skew"};

// A value field that keeps Return to itself: Return commits what was typed and the panel stays
// open, instead of reaching the panel's default button.
class ReadoutField : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QLineEdit::keyPressEvent(event);
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            event->accept();
    }
};

// A value held to the range an input's description gives.
double clampToInput(const FilterInput *input, double value)
{
    if (!input)
        return value;
    if (input->minimum.isValid() && value < input->minimum.toDouble())
        value = input->minimum.toDouble();
    if (input->maximum.isValid() && value > input->maximum.toDouble())
        value = input->maximum.toDouble();
    // Single precision, as the controls keep it, must still be a finite number.
    const double largest = double(std::numeric_limits<float>::max());
    return std::clamp(value, -largest, largest);
}

} // namespace

ParameterView::ParameterView(QWidget *parent)
    : QWidget(parent)
{
}

ParameterView::~ParameterView() = default;

// ---- routines ----

QString ParameterView::formatReadoutValue(int width, int decimals, double value)
{
    // The readouts are typed into too, and typing reads the user's decimal mark: a point
    // written here would read back as a grouping mark ("1.000" as a thousand in German). No
    // value, however long, is cut off.
    return localNumber(value, 'f', decimals).rightJustified(width, QLatin1Char(' '));
}

QString ParameterView::splitCamelCaseWords(const QString &text)
{
    QString words;
    bool inserted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool upper = c != c.toLower();
        if (i > 0 && (upper || c.isDigit())) {
            words.append(QLatin1Char(' '));
            inserted = true;
        }
        words.append(c);
    }
    return inserted ? words : text;
}

QString ParameterView::stringByReplacingOccurrences(const QString &text, const QString &target,
                                                    const QString &replacement)
{
    if (target.isEmpty())
        return text;
    QString result = text;
    // A replacement holding its own target would never run out of occurrences: one pass then.
    if (replacement.contains(target))
        return result.replace(target, replacement);
    for (qsizetype at = result.indexOf(target); at >= 0; at = result.indexOf(target))
        result.replace(at, target.size(), replacement);
    return result;
}

QString ParameterView::ellipsizeField(int width, const QFont &font, const QString &string)
{
    const int limit = width - 5;
    QString text = stringByReplacingOccurrences(string, QStringLiteral("Replacement Color"),
                                                QStringLiteral("Replace With"));
    const QFontMetricsF metrics(font);
    if (int(metrics.horizontalAdvance(text)) <= limit || text.isEmpty())
        return text;
    const QString dots = QStringLiteral("...");
    text = text.left(text.size() - 1) + dots;
    while (int(metrics.horizontalAdvance(text)) > limit && text.size() > dots.size())
        text = text.left(text.size() - 4) + dots;
    return text;
}

QTransform ParameterView::affineTransformFromParts(double s, double angle, double t, double k, double tX, double tY)
{
    const double c = std::cos(angle);
    const double n = std::sin(angle);
    return QTransform(t * s * (c - k * n), t * s * (n + k * c), -s * n, s * c, tX, tY);
}

QList<double> ParameterView::transformVectorFromParts(double s, double angle, double t, double k, double tX, double tY)
{
    const QTransform m = affineTransformFromParts(s, angle, t, k, tX, tY);
    return {m.m11(), m.m12(), m.m21(), m.m22(), tX, tY};
}

double ParameterView::shownValue(int dataType, double value)
{
    switch (dataType) {
    case AngleData: return value * 180.0 / Pi;
    case TimeData: return value * 100.0;
    default: return value;
    }
}

double ParameterView::valueFromShown(int dataType, double shown)
{
    switch (dataType) {
    case AngleData: return shown * Pi / 180.0;
    case TimeData: return shown * 0.01;
    default: return shown;
    }
}

void ParameterView::readoutFormat(int dataType, int &width, int &decimals)
{
    switch (dataType) {
    case AngleData: width = 3; decimals = 1; break;
    case TimeData: width = 1; decimals = 3; break;
    case DistanceData: width = 4; decimals = 1; break;
    default: width = 4; decimals = 2; break;
    }
}

QString ParameterView::inputLabel(const ImageFilter *filter, const QString &key)
{
    const FilterInput *input = filter ? filter->input(key) : nullptr;
    if (input && !input->displayName.isEmpty())
        return input->displayName;
    return splitCamelCaseWords(key.mid(5));
}

int ParameterView::drawingWidth(const QLabel *label)
{
    // A label draws its text inset by its indent on either side.
    return label->contentsRect().width() - 2 * qMax(0, label->indent());
}

// ---- helpers ----

void ParameterView::keep(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    m_filter = std::move(filter);
    m_key = key;
    m_master = master;
}

QRect ParameterView::widgetFrame(int x, int y, int w, int h) const
{
    return QRect(x, height() - (y + h), w, h);
}

QLabel *ParameterView::makeLabel(const QRect &frame, const QString &text, bool shorten, Qt::Alignment alignment)
{
    auto *label = new QLabel(this);
    label->setGeometry(widgetFrame(frame.x(), frame.y(), frame.width(), frame.height()));
    label->setFont(smallFont(label->font()));
    label->setIndent(2);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    label->setText(shorten ? ellipsizeField(drawingWidth(label), label->font(), text) : text);
    label->setToolTip(text);
    return label;
}

QLineEdit *ParameterView::makeReadout(const QRect &frame, const QString &text)
{
    auto *readout = new ReadoutField(this);
    readout->setGeometry(widgetFrame(frame.x(), frame.y(), frame.width(), frame.height()));
    readout->setFont(smallFont(readout->font()));
    readout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    readout->setTextMargins(0, 0, 0, 0);
    readout->setText(text);
    Autoresizing::setFlags(readout, LeftMargin | BottomMargin);
    return readout;
}

void ParameterView::sendAndUpdate(const QVariant &value)
{
    if (!m_master)
        return;
    m_master->setFilter(m_filter.get(), value, m_key);
    m_master->updateView();
}

void ParameterView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resizeSubviews(this, event->oldSize());
}

// ---- slider ----

void ParameterView::addSliderForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    if (!key.startsWith(QLatin1String("input"))) {
        std::fputs("input key does not begin with input\n", stdout);
        std::fflush(stdout);
    }
    const int w = width();
    const FilterInput *input = m_filter ? m_filter->input(key) : nullptr;
    if (input && !input->choices.isEmpty()) {
        addPopUpForFilter(*input, w);
        return;
    }

    const QString type = input ? input->type : QString();
    m_dataType = type == QLatin1String(FilterInputType::Angle)      ? AngleData
                 : type == QLatin1String(FilterInputType::Time)     ? TimeData
                 : type == QLatin1String(FilterInputType::Distance) ? DistanceData
                                                                    : ScalarData;
    readoutFormat(m_dataType, m_beforeDecimal, m_afterDecimal);
    // The readout is widened, at the slider's cost, until the longest number the input takes
    // shows whole ("1500.0").
    int readoutWidth = 43;
    if (input) {
        const QFontMetrics metrics(smallFont(font()));
        const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        for (const QVariant &end : {input->minimum, input->maximum, input->sliderMinimum, input->sliderMaximum}) {
            if (!end.isValid())
                continue;
            const QString text = formatReadoutValue(m_beforeDecimal, m_afterDecimal, shownValue(m_dataType, end.toDouble()));
            // The field's frame and the margin it keeps inside it on either side.
            readoutWidth = std::max(readoutWidth, metrics.horizontalAdvance(text) + 2 * frame + 6);
        }
        readoutWidth = std::min(readoutWidth, std::max(43, w - 150));
    }
    const int wider = readoutWidth - 43;

    m_slider = new EffectSlider(Qt::Horizontal, this);
    m_slider->setGeometry(widgetFrame(94, 0, w - 145 - wider, 16));
    Autoresizing::setFlags(m_slider, Width | BottomMargin);
    if (input) {
        const QVariant max = input->sliderMaximum.isValid() ? input->sliderMaximum : input->maximum;
        const QVariant min = input->sliderMinimum.isValid() ? input->sliderMinimum : input->minimum;
        m_slider->setDoubleRange(float(min.toDouble()), float(max.toDouble()));
    }
    const float current = m_filter ? float(m_filter->value(key).toDouble()) : 0.0f;
    m_slider->setDoubleValue(current);
    m_lastFloatValue = current;
    m_slider->action = [this] { sliderChanged(); };

    m_labelTextField = makeLabel(QRect(0, 0, 90, 16), inputLabel(m_filter.get(), key), true);
    Autoresizing::setFlags(m_labelTextField, RightMargin | BottomMargin);
    m_readoutTextField = makeReadout(QRect(w - 47 - wider, 0, readoutWidth, 16),
                                     formatReadoutValue(m_beforeDecimal, m_afterDecimal,
                                                        shownValue(m_dataType, current)));
    connect(m_readoutTextField, &QLineEdit::editingFinished, this, [this] { readoutTextFieldChanged(); });
}

void ParameterView::sliderChanged()
{
    if (!m_labelTextField || !m_readoutTextField || !m_slider)
        return;
    const float v = float(m_slider->doubleValue());
    if (v == m_lastFloatValue)
        return;
    m_lastFloatValue = v;
    m_readoutTextField->setText(formatReadoutValue(m_beforeDecimal, m_afterDecimal, shownValue(m_dataType, v)));
    sendAndUpdate(m_slider->doubleValue());
}

void ParameterView::readoutTextFieldChanged()
{
    if (!m_labelTextField)
        return;
    float v = m_lastFloatValue;
    if (m_readoutTextField && m_slider) {
        // Text that is no number leaves the value as it was, and the field says so; a number
        // beyond what the input takes is held to its range. A typed value outside the
        // slider's own range but inside the input's reaches the filter as typed.
        if (const std::optional<double> typed = readTypedNumber(m_readoutTextField->text(), QString()).value)
            v = float(clampToInput(m_filter ? m_filter->input(m_key) : nullptr, valueFromShown(m_dataType, *typed)));
    }
    if (v != m_lastFloatValue) {
        m_lastFloatValue = v;
        if (m_slider)
            m_slider->setDoubleValue(v);
        sendAndUpdate(double(v));
    }
    // The field shows the value in use.
    if (m_readoutTextField) {
        const double used = m_filter ? m_filter->value(m_key).toDouble() : double(v);
        m_readoutTextField->setText(formatReadoutValue(m_beforeDecimal, m_afterDecimal, shownValue(m_dataType, used)));
    }
}

// ---- pop-up of a fixed set of choices ----

void ParameterView::addPopUpForFilter(const FilterInput &input, int w)
{
    m_popUp = new QComboBox(this);
    m_popUp->setGeometry(widgetFrame(94, 0, w - 98, 18));
    m_popUp->setFont(smallFont(m_popUp->font()));
    m_popUp->addItems(input.choices);
    Autoresizing::setFlags(m_popUp, Width | BottomMargin);
    const double current = m_filter ? m_filter->value(m_key).toDouble() : 0.0;
    const int index = int(std::clamp(std::lround(current), 0L, long(input.choices.size() - 1)));
    m_popUp->setCurrentIndex(index);
    m_lastFloatValue = float(index);
    connect(m_popUp, &QComboBox::activated, this, [this] { popUpChanged(); });
    m_labelTextField = makeLabel(QRect(0, 0, 90, 16), inputLabel(m_filter.get(), m_key), true);
    Autoresizing::setFlags(m_labelTextField, RightMargin | BottomMargin);
}

void ParameterView::popUpChanged()
{
    if (!m_labelTextField || !m_popUp)
        return;
    const float v = float(m_popUp->currentIndex());
    if (v == m_lastFloatValue || v < 0)
        return;
    m_lastFloatValue = v;
    sendAndUpdate(double(v));
}

// ---- check box ----

void ParameterView::addCheckBoxForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    if (!key.startsWith(QLatin1String("input"))) {
        std::fputs("input key does not begin with input\n", stdout);
        std::fflush(stdout);
    }
    m_checkBox = new QCheckBox(this);
    m_checkBox->setGeometry(widgetFrame(76, 0, 155, 16));
    m_checkBox->setFont(smallFont(m_checkBox->font()));
    m_checkBox->setText(inputLabel(m_filter.get(), key));
    Autoresizing::setFlags(m_checkBox, RightMargin | BottomMargin);
    const QVariant value = m_filter ? m_filter->value(key) : QVariant();
    m_checkBox->setChecked(value.toDouble() != 0.0 || value.toBool());
    connect(m_checkBox, &QCheckBox::clicked, this, [this] { checkBoxChanged(); });
}

void ParameterView::checkBoxChanged()
{
    if (!m_checkBox)
        return;
    sendAndUpdate(m_checkBox->isChecked());
}

// ---- colour well ----

void ParameterView::addColorWellForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    if (!key.startsWith(QLatin1String("input"))) {
        std::fputs("input key does not begin with input\n", stdout);
        std::fflush(stdout);
    }
    const int w = width();
    m_colorWell = new ColorWell(this);
    m_colorWell->setGeometry(widgetFrame(w - 38, 0, 38, 24));
    Autoresizing::setFlags(m_colorWell, LeftMargin | Width | BottomMargin);
    const QVariant value = m_filter ? m_filter->value(key) : QVariant();
    if (value.canConvert<QColor>())
        m_colorWell->setColor(value.value<QColor>());
    connect(m_colorWell, &ColorWell::colorChanged, this, [this] { colorWellChanged(); });
    m_labelTextField = makeLabel(QRect(0, 0, w - 43, 16), inputLabel(m_filter.get(), key), true);
    Autoresizing::setFlags(m_labelTextField, Width | BottomMargin);
}

void ParameterView::colorWellChanged()
{
    if (!m_labelTextField || !m_colorWell)
        return;
    sendAndUpdate(m_colorWell->color());
}

// ---- image well ----

void ParameterView::addImageWellForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    m_imageView = new FunHouseImageView(this);
    m_imageView->setGeometry(widgetFrame(80, 0, 48, 44));
    Autoresizing::setFlags(m_imageView, LeftMargin | Width | BottomMargin);
    m_imageView->action = [this] { imageWellChanged(); };

    const QVariant value = m_filter ? m_filter->value(key) : QVariant();
    const FilterImage current = value.canConvert<FilterImage>() ? value.value<FilterImage>() : FilterImage();
    if (!current.isNull() && !current.isInfinite()) {
        const double w = current.extent().width();
        const double h = current.extent().height();
        int tw = 64;
        int th = 64;
        if (w > h) {
            th = std::max(1, int(std::lround(h * (64.0 / w))));
        } else if (h > 0) {
            tw = std::max(1, int(std::lround(w * (64.0 / h))));
        }
        const QImage full = Controller::imageFromCIImage(current);
        if (!full.isNull())
            m_imageView->setImage(full.scaled(tw, th, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }

    m_labelTextField = makeLabel(QRect(0, 10, 75, 16), inputLabel(m_filter.get(), key), true);
    Autoresizing::setFlags(m_labelTextField, RightMargin | BottomMargin);
    m_pushButton = new QPushButton(this);
    m_pushButton->setGeometry(widgetFrame(135, 13, 75, 16));
    m_pushButton->setFont(smallFont(m_pushButton->font()));
    m_pushButton->setText(Language::stringForKey(QStringLiteral("Choose")));
    m_pushButton->setAutoDefault(false);
    Autoresizing::setFlags(m_pushButton, LeftMargin | Width | BottomMargin);
    connect(m_pushButton, &QPushButton::clicked, this, [this] { pushButtonChanged(); });
}

void ParameterView::imageWellChanged()
{
    if (!m_labelTextField || !m_imageView)
        return;
    const QString path = m_imageView->filePath();
    if (path.isEmpty()) {
        // Nothing to load: whatever was the input's picture is gone.
        ++m_loadTicket;
        sendAndUpdate(QVariant());
        return;
    }
    loadPicture(path, true);
}

void ParameterView::pushButtonChanged()
{
    const QString path = Prompts::current().openFile(window(), Language::stringForKey(QStringLiteral("Choose")),
                                                     QString(), QStringList());
    if (path.isEmpty())
        return;
    loadPicture(path, false);
}

void ParameterView::loadPicture(const QString &path, bool showInWell)
{
    // The file is opened, checked and decoded on a worker: a large picture takes long to
    // decode, and a file that is no regular file must never hold up the window. Only the
    // newest choice is taken when several are under way.
    const quint64 ticket = ++m_loadTicket;
    ++m_loadsUnderWay;
    QPointer<ParameterView> self(this);
    QThreadPool::globalInstance()->start([self, path, ticket, showInWell] {
        ImageProbe::Refusal refusal = ImageProbe::Refusal::None;
        QImage picture = ImageProbe::decodeFile(path, &refusal);
        QImage thumbnail;
        if (!picture.isNull()) {
            // Converted here once, so that taking it as a filter's picture costs nothing.
            picture.convertTo(QImage::Format_ARGB32_Premultiplied);
            if (showInWell)
                thumbnail = picture.width() > kWellThumbnail || picture.height() > kWellThumbnail
                                ? picture.scaled(kWellThumbnail, kWellThumbnail, Qt::KeepAspectRatio,
                                                 Qt::SmoothTransformation)
                                : picture;
        }
        QMetaObject::invokeMethod(qApp, [self, path, ticket, picture, thumbnail, refusal] {
            if (self)
                self->pictureLoaded(ticket, path, picture, thumbnail, int(refusal));
        }, Qt::QueuedConnection);
    });
}

void ParameterView::pictureLoaded(quint64 ticket, const QString &path, const QImage &picture, const QImage &thumbnail,
                                  int refusal)
{
    --m_loadsUnderWay;
    if (ticket != m_loadTicket || !m_labelTextField)
        return;
    if (picture.isNull()) {
        // The input is left without a picture, and the preview shows nothing: say why.
        sendAndUpdate(QVariant());
        Prompts::current().alert(window(), ImageProbe::message(ImageProbe::Refusal(refusal)),
                                 QFileInfo(path).fileName(), {});
        return;
    }
    if (m_imageView && !thumbnail.isNull())
        m_imageView->setImage(thumbnail);
    sendAndUpdate(QVariant::fromValue(FilterImage(picture)));
}

// ---- vector and offset ----

void ParameterView::addReadouts(int count)
{
    const int w = width();
    const double q = (std::floor(double(w) - 5) - 95) / 4;
    const int x[4] = {80, int(std::floor(q + 85)), int(std::floor(2 * q + 90)), int(std::floor(3 * q + 95))};
    const QList<double> current = vectorComponents(m_filter ? m_filter->value(m_key) : QVariant());
    for (int i = 0; i < count; ++i) {
        QLineEdit *readout = makeReadout(QRect(x[i], 0, int(std::floor(q)), 16),
                                         formatReadoutValue(1, 3, component(current, i)));
        m_readouts[i] = readout;
        // At the end of editing and on every keystroke.
        connect(readout, &QLineEdit::editingFinished, this, [this, i] { readoutChanged(i, true); });
        connect(readout, &QLineEdit::textEdited, this, [this, i] { readoutChanged(i, false); });
    }
}

void ParameterView::addVectorForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    m_labelTextField = makeLabel(QRect(0, 0, 75, 16), inputLabel(m_filter.get(), key), true);
    Autoresizing::setFlags(m_labelTextField, RightMargin | BottomMargin);
    addReadouts(4);
}

void ParameterView::addOffsetForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    m_labelTextField = makeLabel(QRect(0, 0, 75, 16), inputLabel(m_filter.get(), key), true);
    Autoresizing::setFlags(m_labelTextField, RightMargin | BottomMargin);
    addReadouts(2);
}

void ParameterView::readoutChanged(int index, bool finished)
{
    if (!m_labelTextField || index < 0 || index > 3 || !m_readouts[index])
        return;
    const QList<double> current = vectorComponents(m_filter ? m_filter->value(m_key) : QVariant());
    QList<double> value{component(current, 0), component(current, 1), component(current, 2), component(current, 3)};
    // While the user types, only numbers go on; text that is no number at the end of editing
    // gives the component its value back.
    if (const std::optional<double> typed = readTypedNumber(m_readouts[index]->text(), QString()).value) {
        value[index] = double(float(clampToInput(nullptr, *typed)));
        sendAndUpdate(QVariant::fromValue(value));
    }
    if (finished) {
        const QList<double> used = vectorComponents(m_filter ? m_filter->value(m_key) : QVariant());
        m_readouts[index]->setText(formatReadoutValue(1, 3, component(used, index)));
    }
}

QLineEdit *ParameterView::vectorReadout(int index) const
{
    return index >= 0 && index < 4 ? m_readouts[index] : nullptr;
}

// ---- transform ----

void ParameterView::addTransformForFilter(std::shared_ptr<ImageFilter> filter, const QString &key, Controller *master)
{
    keep(std::move(filter), key, master);
    const QVariant value = m_filter ? m_filter->value(key) : QVariant();
    double a = 0, b = 0, c = 0, d = 0;
    m_usingNSAffineTransform = value.canConvert<QTransform>() && value.metaType() == QMetaType::fromType<QTransform>();
    if (m_usingNSAffineTransform) {
        const QTransform m = value.value<QTransform>();
        a = m.m11();
        b = m.m12();
        c = m.m21();
        d = m.m22();
    } else {
        const QList<double> v = vectorComponents(value);
        a = component(v, 0);
        b = component(v, 1);
        c = component(v, 2);
        d = component(v, 3);
    }
    double angle = 0;
    if (!(c == 0 && d == 1)) {
        angle = std::atan2(-c, d);
        if (angle < 0)
            angle += 2 * Pi;
    }
    const double sn = std::sin(angle);
    const double cs = std::cos(angle);
    double skew = 0;
    if (a * sn - b * cs != 0)
        skew = -(a * sn - b * cs) / (b * sn + a * cs);
    const double scale = std::sqrt(c * c + d * d);
    const double stretch = a / ((cs - skew * sn) * scale);

    const double parts[4] = {scale, angle, stretch, skew};
    const double ranges[4][2] = {{-2, 2}, {0, 2 * Pi}, {-2, 2}, {-10, 10}};
    const int ys[4] = {51, 34, 17, 0};
    const int w = width();
    for (int row = 0; row < 4; ++row) {
        QLabel *label = makeLabel(QRect(0, ys[row], 75, 16), Language::stringForKey(QLatin1String(kTransformRowNames[row])), true);
        Autoresizing::setFlags(label, RightMargin | BottomMargin);
        m_transformLabels[row] = label;
        auto *slider = new EffectSlider(Qt::Horizontal, this);
        slider->setGeometry(widgetFrame(80, ys[row], w - 133, 16));
        Autoresizing::setFlags(slider, Width | BottomMargin);
        slider->setDoubleRange(ranges[row][0], ranges[row][1]);
        const bool logarithmic = row == 0 || row == 2;
        slider->setDoubleValue(logarithmic ? std::log10(parts[row]) : parts[row]);
        slider->action = [this, row] { transformSliderChanged(row); };
        m_transformSliders[row] = slider;
        int fieldWidth = 4, decimals = 2;
        readoutFormat(m_transformDataTypes[row], fieldWidth, decimals);
        QLineEdit *readout = makeReadout(QRect(w - 48, ys[row], 43, 16),
                                         formatReadoutValue(fieldWidth, decimals,
                                                            shownValue(m_transformDataTypes[row], parts[row])));
        connect(readout, &QLineEdit::editingFinished, this, [this, row] { transformReadoutTextFieldChanged(row); });
        m_transformReadouts[row] = readout;
        m_transformLast[row] = float(parts[row]);
    }
}

void ParameterView::transformSliderChanged(int row)
{
    if (row < 0 || row > 3 || !m_transformLabels[row] || !m_transformReadouts[row] || !m_transformSliders[row])
        return;
    const double position = m_transformSliders[row]->doubleValue();
    const float part = float(row == 0 || row == 2 ? std::pow(10.0, position) : position);
    if (part == m_transformLast[row])
        return;
    m_transformLast[row] = part;
    int fieldWidth = 4, decimals = 2;
    readoutFormat(m_transformDataTypes[row], fieldWidth, decimals);
    m_transformReadouts[row]->setText(
        formatReadoutValue(fieldWidth, decimals, shownValue(m_transformDataTypes[row], part)));
    transformChanged();
}

void ParameterView::transformReadoutTextFieldChanged(int row)
{
    if (row < 0 || row > 3 || !m_transformReadouts[row])
        return;
    const std::optional<double> typed = readTypedNumber(m_transformReadouts[row]->text(), QString()).value;
    float part = m_transformLast[row];
    if (typed) {
        // Held to what the row's slider spans: scale and stretch stay positive.
        const double lowest[4] = {0.01, 0.0, 0.01, -10.0};
        const double highest[4] = {100.0, 2 * Pi, 100.0, 10.0};
        part = float(std::clamp(valueFromShown(m_transformDataTypes[row], *typed), lowest[row], highest[row]));
    }
    int fieldWidth = 4, decimals = 2;
    readoutFormat(m_transformDataTypes[row], fieldWidth, decimals);
    m_transformReadouts[row]->setText(formatReadoutValue(fieldWidth, decimals, shownValue(m_transformDataTypes[row], part)));
    if (part == m_transformLast[row])
        return;
    m_transformLast[row] = part;
    if (m_transformSliders[row])
        m_transformSliders[row]->setDoubleValue(row == 0 || row == 2 ? std::log10(double(part)) : double(part));
    transformChanged();
}

void ParameterView::transformChanged()
{
    const QVariant value = m_filter ? m_filter->value(m_key) : QVariant();
    double tX = 0, tY = 0;
    if (value.metaType() == QMetaType::fromType<QTransform>()) {
        const QTransform m = value.value<QTransform>();
        tX = m.dx();
        tY = m.dy();
    } else {
        const QList<double> v = vectorComponents(value);
        tX = component(v, 4);
        tY = component(v, 5);
    }
    const double s = m_transformLast[0], angle = m_transformLast[1], t = m_transformLast[2], k = m_transformLast[3];
    if (m_usingNSAffineTransform)
        sendAndUpdate(affineTransformFromParts(s, angle, t, k, tX, tY));
    else
        sendAndUpdate(QVariant::fromValue(transformVectorFromParts(s, angle, t, k, tX, tY)));
}

EffectSlider *ParameterView::transformSlider(int row) const
{
    return row >= 0 && row < 4 ? m_transformSliders[row] : nullptr;
}

QLineEdit *ParameterView::transformReadout(int row) const
{
    return row >= 0 && row < 4 ? m_transformReadouts[row] : nullptr;
}

QLabel *ParameterView::transformLabel(int row) const
{
    return row >= 0 && row < 4 ? m_transformLabels[row] : nullptr;
}

float ParameterView::transformLastValue(int row) const
{
    return row >= 0 && row < 4 ? m_transformLast[row] : 0.0f;
}

} // namespace quillmark
