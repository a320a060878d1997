#include "stock/EditCustomLabel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPageLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "foundation/Language.h"
#include "foundation/MyStepper.h"
#include "platform/PrintInfo.h"
#include "stock/Paper.h"
#include "stock/StockConversions.h"
#include "stock/StockFields.h"

namespace quillmark {

namespace {

// No sheet is larger: a length beyond it is a typing slip.
constexpr float LongestLengthInches = 100.0f;
constexpr int LargestCount = 32767;

// The papers offered, as the paper format list names them.
const QStringList &paperNames()
{
    static const QStringList names = {QStringLiteral("Letter"), QStringLiteral("Legal"), QStringLiteral("Executive"),
                                      QStringLiteral("Statement"), QStringLiteral("Tabloid"), QStringLiteral("A3"),
                                      QStringLiteral("A4"), QStringLiteral("A5"), QStringLiteral("A6"),
                                      QStringLiteral("B5")};
    return names;
}

} // namespace

EditCustomLabel::EditCustomLabel(QWidget *parent, StockCanvas *rectsView)
    : QDialog(parent)
    , m_rectsView(rectsView)
{
    setObjectName(QStringLiteral("EditCustomLabel"));
    setWindowTitle(localizedString("Custom Label"));
    setWindowModality(Qt::WindowModal);

    auto *grid = new QGridLayout;
    formatTitleField = new QLineEdit(this);
    formatTitleField->setObjectName(QStringLiteral("formatTitle"));
    formatTitleField->setMaxLength(62);
    grid->addWidget(new QLabel(localizedString("Name"), this), 0, 0);
    grid->addWidget(formatTitleField, 0, 1, 1, 6);

    const char *captions[FieldCount] = {"Left Margin", "Top Margin", "Width", "Height", "Corner Radius",
                                        "Hole", "Horizontal Gap", "Vertical Gap", "Across", "Down"};
    const char *names[FieldCount] = {"OffsetX", "OffsetY", "Width", "Height", "OutRadius",
                                     "InRadius", "SpacingX", "SpacingY", "NumberX", "NumberY"};
    // Two columns: the horizontal value on the left, the vertical one on the right.
    for (int i = 0; i < FieldCount; ++i) {
        const auto which = Field(i);
        const StockFields::LengthField made = StockFields::makeLengthField(
            this, names[i], 100, [this] { enableDisable(); }, [this, which] { controlTextDidEndEditing(which); },
            [this, which](double value) { stepperStepped(which, value); });
        tf[i] = made.field;
        sp[i] = made.stepper;
        auto *caption = new QLabel(localizedString(captions[i]), this);
        const int row = 1 + i / 2;
        const int column = (i % 2) * 4;
        grid->addWidget(caption, row, column);
        grid->addWidget(tf[i], row, column + 1);
        grid->addWidget(sp[i], row, column + 2);
    }
    grid->setColumnMinimumWidth(3, 16);

    pbPaper = new QComboBox(this);
    pbPaper->setObjectName(QStringLiteral("pbPaper"));
    pbPaper->addItem(localizedString("None"), QString());
    for (const QString &name : paperNames())
        pbPaper->addItem(name, name);
    grid->addWidget(new QLabel(localizedString("Paper:"), this), 1 + FieldCount / 2, 0);
    grid->addWidget(pbPaper, 1 + FieldCount / 2, 1, 1, 2);
    connect(pbPaper, &QComboBox::activated, this, [this] {
        _tlabel.paper = pbPaper->currentData().toString();
        enableDisable();
    });

    lbMessage = new QLabel(this);
    lbMessage->setObjectName(QStringLiteral("lbMessage"));
    lbMessage->setWordWrap(true);
    lbMessage->setStyleSheet(QStringLiteral("color: #b0261f;"));

    cancelButton = new QPushButton(localizedString("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    cancelButton->setAutoDefault(false);
    okButton = new QPushButton(localizedString("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    connect(cancelButton, &QPushButton::clicked, this, [this] { buttonPressed(0); });
    connect(okButton, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    connect(formatTitleField, &QLineEdit::textChanged, this, [this] { enableDisable(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(lbMessage);
    layout->addStretch();
    layout->addLayout(buttons);
}

EditCustomLabel::~EditCustomLabel()
{
    // A field losing the focus while the panel goes away must not reach the panel.
    for (QLineEdit *edit : tf)
        disconnect(edit, nullptr, this, nullptr);
    disconnect(formatTitleField, nullptr, this, nullptr);
}

// ---- units ----

float EditCustomLabel::convertToInch(float value) const
{
    const QString unit = StockFields::measure(m_rectsView);
    if (unit == QLatin1String("Inches"))
        return value;
    // Centimetres are shown as millimetres in this panel.
    if (unit == QLatin1String("Centimeters"))
        return value / 25.4f;
    if (unit == QLatin1String("Picas"))
        return value / 6.0f;
    return value / 72.0f;
}

float EditCustomLabel::convertFromInch(float value) const
{
    const QString unit = StockFields::measure(m_rectsView);
    if (unit == QLatin1String("Inches"))
        return value;
    if (unit == QLatin1String("Centimeters"))
        return value * 25.4f;
    if (unit == QLatin1String("Picas"))
        return value * 6.0f;
    return value * 72.0f;
}

float EditCustomLabel::convertFromPoints(float value) const
{
    return StockFields::stepFromPoints(StockFields::measure(m_rectsView), value);
}

// Centimetres are shown as millimetres in this panel.
QString EditCustomLabel::unitSuffix() const
{
    return StockFields::unitSuffix(StockFields::measure(m_rectsView), "mm");
}

// ---- set-up and result ----

void EditCustomLabel::setup()
{
    _tlabel = TLabel();
    _tlabel.paper = paperNameForPageSize(PrintInfo::sharedPrintInfo().pageSize());
    formatTitleField->setText(_tlabel.name);
    showPaper();
    updateFormatters();
    updateValues();
}

void EditCustomLabel::setLabel(const TLabel &label)
{
    _tlabel = label;
    formatTitleField->setText(_tlabel.name);
    showPaper();
    updateFormatters();
    updateValues();
}

void EditCustomLabel::showPaper()
{
    const int index = pbPaper->findData(canonicalPaperName(_tlabel.paper));
    pbPaper->setCurrentIndex(std::max(0, index));
}

TLabel EditCustomLabel::label()
{
    const float longer = std::isnan(_tlabel.width) ? _tlabel.height : std::max(_tlabel.width, _tlabel.height);
    const float shorter = std::isnan(_tlabel.width) ? _tlabel.height : std::min(_tlabel.width, _tlabel.height);
    if (_tlabel.round_param != 0.0f)
        _tlabel.shape = longer / 2.0f > _tlabel.round_param ? TLabel::RoundedRectangle : TLabel::Oval;
    // A hole only has to be smaller than the label: a mini disc of 78 mm takes the 41 mm hole
    // of the full-size discs. The panel refuses a larger one; one given otherwise is halved.
    if (_tlabel.hole >= shorter)
        _tlabel.hole = shorter / 2.0f;
    _tlabel.name = formatTitleField->text().trimmed();
    _tlabel.paper = pbPaper->currentData().toString();
    return _tlabel;
}

QString EditCustomLabel::formatTitle() const
{
    return formatTitleField->text();
}

bool EditCustomLabel::canConfirm() const
{
    if (formatTitleField->text().trimmed().isEmpty())
        return false;
    for (int i = 0; i < FieldCount; ++i)
        if (!refusal(Field(i), tf[i]->text()).isEmpty())
            return false;
    return gridRefusal().isEmpty() && holeRefusal().isEmpty();
}

QString EditCustomLabel::holeRefusal() const
{
    const float shorter = std::isnan(_tlabel.width) ? _tlabel.height : std::min(_tlabel.width, _tlabel.height);
    if (_tlabel.hole > 0.0f && _tlabel.hole >= shorter)
        return localizedString("The hole must be smaller than the label.");
    return {};
}

QString EditCustomLabel::gridRefusal() const
{
    // The canvas lays out no grid of more positions than this: a larger one would show and
    // print blank.
    const std::optional<int> across = StockFields::parseWholeNumber(tf[NumberX]->text());
    const std::optional<int> down = StockFields::parseWholeNumber(tf[NumberY]->text());
    if (!across || !down || qint64(*across) * qint64(*down) <= MaximumGridPositions)
        return {};
    return Language::withValues(localizedString("A sheet holds at most %@ labels: make fewer across or down."),
                                {QLocale().toString(MaximumGridPositions)});
}

QString EditCustomLabel::paperWarning() const
{
    QPageSize paper = pageSizeForPaper(_tlabel.paper);
    if (!paper.isValid())
        paper = PrintInfo::sharedPrintInfo().pageSize();
    const QSizeF points = PrintInfo::exactPaperSize(QPageLayout(paper, QPageLayout::Portrait, QMarginsF()));
    const int across = _tlabel.num_label;
    const int down = _tlabel.num_downlabel;
    if (across < 1 || down < 1)
        return {};
    const double w = double(_tlabel.width);
    const double h = double(_tlabel.height);
    const QRectF extent(double(_tlabel.left_margin) * 72.0, double(_tlabel.top_margin) * 72.0,
                        ((across - 1) * (w + double(_tlabel.hor_distance)) + w) * 72.0,
                        ((down - 1) * (h + double(_tlabel.vert_distance)) + h) * 72.0);
    if (!StockFields::reachesPastPaper(extent, points))
        return {};
    const QString name = paperNameForPageSize(paper);
    return Language::withValues(localizedString("The labels reach past the %@ paper."), {name.isEmpty() ? paper.name() : name});
}

void EditCustomLabel::buttonPressed(int tag)
{
    if (tag == 1) {
        // A field edited last and not yet taken (Return pressed in it) is taken first.
        for (int i = 0; i < FieldCount; ++i)
            if (tf[i]->hasFocus())
                controlTextDidEndEditing(Field(i));
        if (!canConfirm()) {
            enableDisable();
            return;
        }
    }
    done(tag);
}

// ---- fields ----

QString EditCustomLabel::refusal(Field which, const QString &value) const
{
    if (isCount(which)) {
        const std::optional<int> count = StockFields::parseWholeNumber(value);
        if (!count || *count < 1 || *count > LargestCount)
            return localizedString("Enter a whole number from 1 to 32767.");
        return {};
    }
    const std::optional<double> number = StockFields::parseNumber(value);
    if (!number)
        return localizedString("Enter a number.");
    if (which == Width || which == Height) {
        if (!(*number > 0.0))
            return localizedString("Enter a length greater than 0.");
    } else if (*number < 0.0) {
        return localizedString("Enter a length of 0 or more.");
    }
    if (convertToInch(float(*number)) > LongestLengthInches)
        return localizedString("Lengths cannot exceed 100 inches.");
    return {};
}

void EditCustomLabel::enableDisable()
{
    QString message;
    for (int i = 0; i < FieldCount; ++i) {
        const QString reason = refusal(Field(i), tf[i]->text());
        StockFields::markField(tf[i], reason);
        if (message.isEmpty())
            message = reason;
    }
    if (message.isEmpty()) {
        message = gridRefusal();
        for (Field count : {NumberX, NumberY})
            StockFields::markField(tf[count], message);
    }
    // The hole is measured against the label's sides as they stand, whichever was typed last.
    if (message.isEmpty()) {
        message = holeRefusal();
        StockFields::markField(tf[InRadius], message);
    }
    // Labels past the paper are told of, not refused: the paper may be chosen later.
    if (message.isEmpty())
        message = paperWarning();
    lbMessage->setText(message);
    okButton->setEnabled(canConfirm());
}

float &EditCustomLabel::lengthField(Field which)
{
    switch (which) {
    case OffsetX:
        return _tlabel.left_margin;
    case OffsetY:
        return _tlabel.top_margin;
    case Width:
        return _tlabel.width;
    case Height:
        return _tlabel.height;
    case OutRadius:
        return _tlabel.round_param;
    case InRadius:
        return _tlabel.hole;
    case SpacingX:
        return _tlabel.hor_distance;
    case SpacingY:
    default:
        return _tlabel.vert_distance;
    }
}

void EditCustomLabel::updateFormatters()
{
    const float step = convertFromPoints(1.0f);
    const float longest = convertFromInch(LongestLengthInches);
    for (int i = 0; i < FieldCount; ++i) {
        const auto which = Field(i);
        if (isCount(which))
            StockFields::prepareStepper(sp[i], 1.0, LargestCount, 1.0);
        else
            StockFields::prepareStepper(sp[i], (which == Width || which == Height) ? step : 0.0, longest, step);
    }
    updateValues();
}

void EditCustomLabel::updateValues()
{
    for (int i = 0; i < FieldCount; ++i) {
        const auto which = Field(i);
        const QSignalBlocker blocker(sp[i]);
        if (isCount(which)) {
            const int count = which == NumberX ? _tlabel.num_label : _tlabel.num_downlabel;
            tf[i]->setText(QString::number(count));
            sp[i]->setDoubleValue(count);
        } else {
            const float value = convertFromInch(lengthField(which));
            tf[i]->setText(StockFields::formatLength(value, unitSuffix()));
            sp[i]->setDoubleValue(value);
        }
    }
    enableDisable();
}

void EditCustomLabel::controlTextDidEndEditing(Field which)
{
    if (!refusal(which, tf[which]->text()).isEmpty()) {
        enableDisable();
        return;
    }
    setValue(which, *StockFields::parseNumber(tf[which]->text()));
}

void EditCustomLabel::stepperStepped(Field which, double value)
{
    if (isCount(which))
        value = qRound(value);
    tf[which]->setText(isCount(which) ? QString::number(int(value)) : StockFields::formatLength(value, unitSuffix()));
    // The stepped value itself, not its two decimals: steps of a seventy-second of an inch add up.
    if (refusal(which, tf[which]->text()).isEmpty())
        setValue(which, value);
    else
        enableDisable();
}

void EditCustomLabel::setValue(Field which, double value)
{
    if (which == NumberX)
        _tlabel.num_label = qint16(value);
    else if (which == NumberY)
        _tlabel.num_downlabel = qint16(value);
    else
        lengthField(which) = convertToInch(float(value));
    updateValues();
}

} // namespace quillmark
