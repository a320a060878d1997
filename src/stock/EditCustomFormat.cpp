#include "stock/EditCustomFormat.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

#include "foundation/Language.h"
#include "foundation/MyStepper.h"
#include "platform/PrintInfo.h"
#include "platform/PrintPanels.h"
#include "stock/CustomFormat.h"
#include "stock/CustomPageView.h"
#include "stock/CustomTypesView.h"
#include "stock/Paper.h"
#include "stock/StockFields.h"

namespace quillmark {

namespace {

// No sheet is larger: a length beyond it is a typing slip, and would make the sheet unusable.
constexpr float LongestLengthMM = 2540.0f;
constexpr int PaletteWidth = 245;

} // namespace

EditCustomFormat::EditCustomFormat(QWidget *parent, StockCanvas *rectsView, std::unique_ptr<FormatTypesReader> palette)
    : QDialog(parent)
    , m_rectsView(rectsView)
    , m_layout(PrintInfo::sharedPrintInfo().pageLayout())
{
    setObjectName(QStringLiteral("EditCustomFormat"));
    setWindowTitle(localizedString("Custom Format"));
    setWindowModality(Qt::WindowModal);

    // The palette, two tiles to a row, scrolling.
    m_paletteScroller = new QScrollArea(this);
    m_paletteScroller->setWidgetResizable(false);
    m_paletteScroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_paletteScroller->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_paletteScroller->setBackgroundRole(QPalette::Base);
    m_customTypesView = new CustomTypesView(nullptr, std::move(palette));
    m_customTypesView->setGeometry(0, 0, PaletteWidth, 100);
    m_paletteScroller->setWidget(m_customTypesView);
    m_customTypesView->setEditCustomFormat(this);
    m_customTypesView->awakeFromNib();
    m_paletteScroller->setFixedWidth(PaletteWidth + m_paletteScroller->verticalScrollBar()->sizeHint().width()
                                     + 2 * m_paletteScroller->frameWidth());

    m_customPageView = new CustomPageView(this);
    m_customPageView->setCustomTypes(m_customTypesView);
    m_customPageView->setCustomFormat(this);
    m_customPageView->setRectsView(rectsView);

    auto *side = new QVBoxLayout;
    auto *grid = new QGridLayout;
    formatTitleField = new QLineEdit(this);
    formatTitleField->setObjectName(QStringLiteral("formatTitle"));
    formatTitleField->setMaxLength(62);
    grid->addWidget(new QLabel(localizedString("Name"), this), 0, 0);
    grid->addWidget(formatTitleField, 0, 1, 1, 2);
    const char *captions[FieldCount] = {"Offset X:", "Offset Y:", "Width", "Height", "Outer Radius", "Inner Radius",
                                        "Corner Radius"};
    const char *names[FieldCount] = {"OffsetX", "OffsetY", "Width", "Height", "OutRadius", "InRadius", "CornerRadius"};
    for (int i = 0; i < FieldCount; ++i) {
        const auto which = Field(i);
        lb[i] = new QLabel(localizedString(captions[i]), this);
        lb[i]->setObjectName(QStringLiteral("lb") + QLatin1String(names[i]));
        const StockFields::LengthField made = StockFields::makeLengthField(
            this, names[i], 110, [this] { enableDisable(); }, [this, which] { controlTextDidEndEditing(which); },
            [this, which](double value) { stepperStepped(which, value); });
        tf[i] = made.field;
        sp[i] = made.stepper;
        grid->addWidget(lb[i], i + 1, 0);
        grid->addWidget(tf[i], i + 1, 1);
        grid->addWidget(sp[i], i + 1, 2);
    }
    side->addLayout(grid);

    bnRotate = new QPushButton(localizedString("Rotate"), this);
    bnRotate->setObjectName(QStringLiteral("bnRotate"));
    bnDuplicate = new QPushButton(localizedString("Duplicate"), this);
    bnDuplicate->setObjectName(QStringLiteral("bnDuplicate"));
    auto *shapeButtons = new QHBoxLayout;
    shapeButtons->addWidget(bnRotate);
    shapeButtons->addWidget(bnDuplicate);
    side->addLayout(shapeButtons);
    connect(bnRotate, &QPushButton::clicked, this, [this] { rotateLabel(); });
    connect(bnDuplicate, &QPushButton::clicked, this, [this] { duplicate(); });
    duplicateAction = new QAction(localizedString("Duplicate"), this);
    duplicateAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    duplicateAction->setShortcutContext(Qt::WindowShortcut);
    addAction(duplicateAction);
    connect(duplicateAction, &QAction::triggered, this, [this] { duplicate(); });

    side->addSpacing(12);
    lbPaper = new QLabel(this);
    lbPaper->setObjectName(QStringLiteral("lbPaper"));
    lbPaper->setWordWrap(true);
    bnPageSetup = new QPushButton(localizedString("Page Setup..."), this);
    bnPageSetup->setObjectName(QStringLiteral("bnPageSetup"));
    connect(bnPageSetup, &QPushButton::clicked, this, [this] { pageLayout(); });
    side->addWidget(lbPaper);
    side->addWidget(bnPageSetup);
    side->addStretch();
    lbMessage = new QLabel(this);
    lbMessage->setObjectName(QStringLiteral("lbMessage"));
    lbMessage->setWordWrap(true);
    lbMessage->setStyleSheet(QStringLiteral("color: #b0261f;"));
    side->addWidget(lbMessage);

    cancelButton = new QPushButton(localizedString("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton = new QPushButton(localizedString("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    // Return ends the editing of a field here, not the panel.
    for (QPushButton *button : {bnRotate, bnDuplicate, bnPageSetup, cancelButton, okButton})
        button->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, [this] { buttonPressed(0); });
    connect(okButton, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);
    side->addLayout(buttons);

    connect(formatTitleField, &QLineEdit::textChanged, this, [this] { controlTextDidChange(); });

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_paletteScroller);
    layout->addWidget(m_customPageView, 1);
    layout->addLayout(side);
    resize(1000, 620);

    enableDisable();
}

EditCustomFormat::~EditCustomFormat()
{
    // A field losing the focus while the panel goes away must not reach the panel.
    for (QLineEdit *edit : tf)
        disconnect(edit, nullptr, this, nullptr);
    disconnect(formatTitleField, nullptr, this, nullptr);
}

QLineEdit *EditCustomFormat::field(Field which) const
{
    return tf[which];
}

MyStepper *EditCustomFormat::stepper(Field which) const
{
    return sp[which];
}

// ---- units ----

float EditCustomFormat::convertToMM(float value) const
{
    const QString unit = StockFields::measure(m_rectsView);
    if (unit == QLatin1String("Inches"))
        return value * 25.4f;
    if (unit == QLatin1String("Centimeters"))
        return value * 10.0f;
    if (unit == QLatin1String("Picas"))
        return value * 25.4f / 6.0f;
    return value * 25.4f / 72.0f;
}

float EditCustomFormat::convertFromMM(float value) const
{
    const QString unit = StockFields::measure(m_rectsView);
    if (unit == QLatin1String("Inches"))
        return value / 25.4f;
    if (unit == QLatin1String("Centimeters"))
        return value / 10.0f;
    if (unit == QLatin1String("Picas"))
        return value * 6.0f / 25.4f;
    return value * 72.0f / 25.4f;
}

float EditCustomFormat::convertFromPoints(float value) const
{
    return StockFields::stepFromPoints(StockFields::measure(m_rectsView), value);
}

QString EditCustomFormat::unitSuffix() const
{
    return StockFields::unitSuffix(StockFields::measure(m_rectsView), "cm");
}

// ---- set-up and result ----

void EditCustomFormat::setup(const TFormat *format)
{
    m_layout = PrintInfo::sharedPrintInfo().pageLayout();
    m_papersize.clear();
    if (format) {
        formatTitleField->setText(format->name);
        m_customPageView->setLabels(format->labels);
        m_papersize = format->papersize;
        // The format's own paper when it names one; the shared one otherwise.
        if (const QPageSize own = pageSizeForPaper(format->papersize); own.isValid())
            m_layout = QPageLayout(own, QPageLayout::Portrait, QMarginsF());
    } else {
        formatTitleField->clear();
        m_customPageView->clear();
    }
    showPaper();
    enableDisable();
    updateValues();
    updateFormatters();
    m_customPageView->update();
}

TFormat EditCustomFormat::format() const
{
    TFormat result;
    result.name = formatTitleField->text().trimmed();
    result.manufacturer = CustomFormat::makerWord();
    result.setLabels(m_customPageView->labels());
    const QString paper = paperNameForPageSize(m_layout.pageSize());
    result.papersize = paper.isEmpty() ? m_papersize : paper;
    return result;
}

QString EditCustomFormat::formatTitle() const
{
    return formatTitleField->text();
}

bool EditCustomFormat::canConfirm() const
{
    if (formatTitleField->text().trimmed().isEmpty() || m_customPageView->labels().empty())
        return false;
    for (int i = 0; i < FieldCount; ++i)
        if (tf[i]->isEnabled() && tf[i]->isVisibleTo(this) && !refusal(Field(i), tf[i]->text()).isEmpty())
            return false;
    return true;
}

void EditCustomFormat::buttonPressed(int tag)
{
    // A format without a name or without labels is no format: OK stays refused.
    if (tag == 1 && !canConfirm()) {
        enableDisable();
        return;
    }
    done(tag);
}

// ---- fields ----

QString EditCustomFormat::refusal(Field which, const QString &value) const
{
    const std::optional<double> number = StockFields::parseNumber(value);
    if (!number)
        return localizedString("Enter a number.");
    const float mm = convertToMM(float(*number));
    switch (which) {
    case Width:
    case Height:
    case OutRadius:
        if (!(*number > 0.0))
            return localizedString("Enter a length greater than 0.");
        break;
    case InRadius:
    case CornerRadius:
        if (*number < 0.0)
            return localizedString("Enter a length of 0 or more.");
        break;
    default:
        break;
    }
    const float longest = (which == OutRadius || which == InRadius) ? LongestLengthMM / 2.0f : LongestLengthMM;
    if (std::abs(mm) > longest)
        return localizedString("Lengths cannot exceed 100 inches.");
    if (which == InRadius) {
        const TLabelT *label = const_cast<EditCustomFormat *>(this)->m_customPageView->selectedLabel();
        if (label && 2.0f * mm >= std::min(label->widthValue(), label->heightValue()))
            return localizedString("The hole must be smaller than the label.");
    }
    return {};
}

void EditCustomFormat::enableDisable()
{
    const TLabelT *label = m_customPageView->selectedLabel();
    const bool selected = label != nullptr;
    const bool round = selected && label->isRound();
    for (Field which : {OffsetX, OffsetY, Width, Height, OutRadius, InRadius}) {
        tf[which]->setEnabled(selected);
        sp[which]->setEnabled(selected);
        lb[which]->setEnabled(selected);
    }
    tf[CornerRadius]->setEnabled(selected && !round);
    sp[CornerRadius]->setEnabled(selected && !round);
    lb[CornerRadius]->setEnabled(selected && !round);
    bnRotate->setEnabled(selected && !round);
    for (Field which : {Width, Height}) {
        tf[which]->setVisible(!round);
        sp[which]->setVisible(!round);
        lb[which]->setVisible(!round);
    }
    for (Field which : {OutRadius, InRadius}) {
        tf[which]->setVisible(round);
        sp[which]->setVisible(round);
        lb[which]->setVisible(round);
    }
    bnDuplicate->setEnabled(validateDuplicate());
    duplicateAction->setEnabled(validateDuplicate());

    // The reason of the first refused field, or why the panel cannot be confirmed yet.
    QString message;
    for (int i = 0; i < FieldCount; ++i) {
        const bool live = tf[i]->isEnabled() && tf[i]->isVisibleTo(this);
        const QString reason = live ? refusal(Field(i), tf[i]->text()) : QString();
        StockFields::markField(tf[i], reason);
        if (message.isEmpty())
            message = reason;
    }
    if (message.isEmpty() && m_customPageView->labels().empty())
        message = localizedString("Drag label shapes from the palette onto the sheet.");
    // Shapes past the paper are told of, not refused: the paper may be chosen later.
    if (message.isEmpty()) {
        QRectF extent;
        for (const TLabelT &shape : m_customPageView->labels()) {
            const QRectF box(QPointF(shape.origin()), QSizeF(shape.size()));
            extent = extent.isNull() ? box : extent.united(box);
        }
        if (StockFields::reachesPastPaper(extent, PrintInfo::exactPaperSize(m_layout))) {
            const QString name = paperNameForPageSize(m_layout.pageSize());
            message = Language::withValues(localizedString("The labels reach past the %@ paper."),
                                           {name.isEmpty() ? m_layout.pageSize().name() : name});
        }
    }
    lbMessage->setText(message);
    okButton->setEnabled(canConfirm());
}

void EditCustomFormat::updateFormatters()
{
    const float step = convertFromPoints(1.0f);
    const float longest = convertFromMM(LongestLengthMM);
    for (int i = 0; i < FieldCount; ++i) {
        const auto which = Field(i);
        double minimum = 0.0;
        double maximum = longest;
        if (which == OffsetX || which == OffsetY)
            minimum = -longest;
        else if (which == Width || which == Height || which == OutRadius)
            minimum = step;
        if (which == OutRadius || which == InRadius)
            maximum = longest / 2.0;
        StockFields::prepareStepper(sp[i], minimum, maximum, step);
    }
    updateValues();
}

void EditCustomFormat::updateValues()
{
    const TLabelT *label = m_customPageView->selectedLabel();
    const bool round = label && label->isRound();
    auto show = [this](Field which, bool condition, float mm) {
        QLineEdit *edit = tf[which];
        const QSignalBlocker blocker(sp[which]);
        if (condition && edit->isEnabled()) {
            const float value = convertFromMM(mm);
            edit->setText(StockFields::formatLength(value, unitSuffix()));
            sp[which]->setDoubleValue(value);
        } else {
            edit->clear();
            sp[which]->setDoubleValue(0.0);
        }
    };
    show(OffsetX, label, label ? label->xValue() : 0.0f);
    show(OffsetY, label, label ? label->yValue() : 0.0f);
    show(OutRadius, round, label ? label->widthValue() / 2.0f : 0.0f);
    show(InRadius, round, label ? label->holeValue() / 2.0f : 0.0f);
    show(Width, label, label ? label->widthValue() : 0.0f);
    show(Height, label, label ? label->heightValue() : 0.0f);
    show(CornerRadius, label && !round, label ? label->radiusValue() : 0.0f);
    enableDisable();
}

void EditCustomFormat::selectLabel()
{
    enableDisable();
    updateValues();
}

void EditCustomFormat::controlTextDidChange()
{
    enableDisable();
}

void EditCustomFormat::controlTextDidEndEditing(Field which)
{
    QLineEdit *edit = tf[which];
    if (!edit->isEnabled() || !m_customPageView->selectedLabel())
        return;
    // A refused value changes nothing: the shape keeps its value, the field its text and its
    // mark until the next refresh.
    if (!refusal(which, edit->text()).isEmpty()) {
        enableDisable();
        return;
    }
    setValue(which, float(*StockFields::parseNumber(edit->text())));
}

void EditCustomFormat::stepperStepped(Field which, double value)
{
    if (!tf[which]->isEnabled())
        return;
    tf[which]->setText(StockFields::formatLength(value, unitSuffix()));
    // The stepped value itself, not its two decimals: steps of a seventy-second of an inch add up.
    if (refusal(which, tf[which]->text()).isEmpty())
        setValue(which, float(value));
    else
        enableDisable();
}

void EditCustomFormat::setValue(Field which, float value)
{
    TLabelT *label = m_customPageView->selectedLabel();
    if (!label)
        return;
    const float mm = convertToMM(value);
    switch (which) {
    case OffsetX:
        label->setX(mm);
        break;
    case OffsetY:
        label->setY(mm);
        break;
    case Width:
        label->setWidth(mm);
        break;
    case Height:
        label->setHeight(mm);
        break;
    case OutRadius: {
        const float diameter = convertToMM(2.0f * value);
        label->setWidth(diameter);
        label->setHeight(diameter);
        // A hole never outgrows its disc.
        if (label->holeValue() >= diameter)
            label->setHole(diameter / 2.0f);
        break;
    }
    case InRadius:
        label->setHole(convertToMM(2.0f * value));
        break;
    case CornerRadius:
        label->setRadius(mm);
        break;
    default:
        break;
    }
    updateValues();
    m_customPageView->labelDidChange();
}

// ---- commands ----

bool EditCustomFormat::validateDuplicate() const
{
    return const_cast<EditCustomFormat *>(this)->m_customPageView->selectedLabel() != nullptr;
}

void EditCustomFormat::duplicate()
{
    if (validateDuplicate())
        m_customPageView->duplicate();
}

void EditCustomFormat::rotateLabel()
{
    TLabelT *label = m_customPageView->selectedLabel();
    if (!label || label->isRound())
        return;
    const float w = convertFromMM(label->widthValue());
    const float h = convertFromMM(label->heightValue());
    label->setWidth(convertToMM(h));
    label->setHeight(convertToMM(w));
    updateValues();
    // A turned shape is a label type of its own; turning it back gives the former type again.
    QString type = label->getType();
    if (type.endsWith(QLatin1Char(' ')))
        type.chop(1);
    else
        type.append(QLatin1Char(' '));
    label->setType(type);
    m_customPageView->labelDidChange();
}

void EditCustomFormat::pageLayout()
{
    QPageLayout layout = m_layout;
    if (PrintPanels::current().runPageLayout(this, layout)) {
        m_layout = QPageLayout(layout.pageSize(), layout.orientation(), QMarginsF());
        PrintInfo::sharedPrintInfo().setPageLayout(m_layout);
    }
    showPaper();
    enableDisable();
}

void EditCustomFormat::showPaper()
{
    m_customPageView->setPaperSize(PrintInfo::exactPaperSize(m_layout));
    lbPaper->setText(localizedString("Paper:") + QLatin1Char(' ') + m_layout.pageSize().name());
}

} // namespace quillmark
