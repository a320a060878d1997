#include "foundation/Preference.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <tuple>
#include <memory>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include "foundation/Language.h"
#include "platform/Format.h"
#include "platform/LocalNumber.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompts.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {


// A text field with its stepper beside it; each follows the other.
QWidget *fieldWithStepper(QLineEdit *field, QSpinBox *stepper)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(stepper);
    stepper->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    QObject::connect(stepper, &QSpinBox::valueChanged, field, [field](int value) {
        field->setText(QString::number(value));
    });
    QObject::connect(field, &QLineEdit::editingFinished, stepper, [field, stepper] {
        const QSignalBlocker blocker(stepper);
        stepper->setValue(leadingInt(field->text()));
    });
    return row;
}

// The date and time styles: the item tags are the styles (0 none, 1 short, 2 medium, 3 long,
// 4 full).
void fillStyles(QComboBox *popUp)
{
    const QStringList names = {Language::stringForKey(QStringLiteral("None")),
                               Language::stringForKey(QStringLiteral("Short")),
                               Language::stringForKey(QStringLiteral("Medium")),
                               Language::stringForKey(QStringLiteral("Long")),
                               Language::stringForKey(QStringLiteral("Full"))};
    for (int tag = 0; tag < names.size(); ++tag)
        popUp->addItem(names[tag], tag);
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// The platform's style numbers (0 none, 1 short, 2 medium, 3 long, 4 full) as ICU styles.
icu::DateFormat::EStyle icuStyle(int style)
{
    switch (style) {
    case 0: return icu::DateFormat::kNone;
    case 2: return icu::DateFormat::kMedium;
    case 3: return icu::DateFormat::kLong;
    case 4: return icu::DateFormat::kFull;
    default: return icu::DateFormat::kShort;
    }
}

} // namespace

// The sample shows a date as the merge fields will: the locale's own pattern for the styles
// (its order of day, month and year), written with the symbols the fields use.
QString Preference::dateSample(const QDateTime &now, int dateStyle, int timeStyle)
{
    if (dateStyle <= 0 && timeStyle <= 0)
        return {};
    std::unique_ptr<icu::DateFormat> styled(icu::DateFormat::createDateTimeInstance(
        icuStyle(dateStyle), icuStyle(timeStyle), icu::Locale::getDefault()));
    auto *simple = dynamic_cast<icu::SimpleDateFormat *>(styled.get());
    if (!simple)
        return {};
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat writer(pattern, icu::Locale("en_US"), status);
    if (U_FAILURE(status))
        return {};
    icu::UnicodeString text;
    writer.format(UDate(now.toMSecsSinceEpoch()), text);
    return fromIcu(text);
}

namespace {

void selectTag(QComboBox *popUp, int tag)
{
    const int index = popUp->findData(tag);
    popUp->setCurrentIndex(index >= 0 ? index : 0);
}

} // namespace

Preference::Preference(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(Language::stringForKey(QStringLiteral("Preferences")));
    setWindowModality(Qt::WindowModal);

    tfReplicate = new QLineEdit;
    tfOffsetX = new QLineEdit;
    tfOffsetY = new QLineEdit;
    tfExportRes = new QLineEdit;
    tfBleeds = new QLineEdit;
    spReplicate = new QSpinBox;
    spReplicate->setRange(1, MaximumCopies);
    spOffsetX = new QSpinBox;
    spOffsetX->setRange(-MaximumOffset, MaximumOffset);
    spOffsetY = new QSpinBox;
    spOffsetY->setRange(-MaximumOffset, MaximumOffset);
    spBleeds = new QDoubleSpinBox;
    spBleeds->setRange(0.0, MaximumBleeds);
    spBleeds->setDecimals(2);
    connect(spBleeds, &QDoubleSpinBox::valueChanged, tfBleeds, [this](double value) {
        tfBleeds->setText(localNumber(value, 'g', 6));
    });
    auto *bleedsRow = new QWidget;
    auto *bleedsLayout = new QHBoxLayout(bleedsRow);
    bleedsLayout->setContentsMargins(0, 0, 0, 0);
    bleedsLayout->addWidget(tfBleeds);
    bleedsLayout->addWidget(spBleeds);

    mxScrollWheel = new QButtonGroup(this);
    auto *wheelYes = new QRadioButton(Language::stringForKey(QStringLiteral("Yes")));
    auto *wheelNo = new QRadioButton(Language::stringForKey(QStringLiteral("No")));
    mxScrollWheel->addButton(wheelYes, 1);
    mxScrollWheel->addButton(wheelNo, 2);
    auto *wheelRow = new QWidget;
    auto *wheelLayout = new QHBoxLayout(wheelRow);
    wheelLayout->setContentsMargins(0, 0, 0, 0);
    wheelLayout->addWidget(wheelYes);
    wheelLayout->addWidget(wheelNo);
    wheelLayout->addStretch();

    saveImageToDocument = new QCheckBox(Language::stringForKey(QStringLiteral("Save Images in Document")));
    includeSalutation = new QCheckBox(Language::stringForKey(QStringLiteral("Full Name Includes Salutation")));
    includeMiddleName = new QCheckBox(Language::stringForKey(QStringLiteral("Full Name Includes Middle Name")));
    _profileDateFormat = new QComboBox;
    _profileTimeFormat = new QComboBox;
    fillStyles(_profileDateFormat);
    fillStyles(_profileTimeFormat);
    cbDisplayTime = new QCheckBox(Language::stringForKey(QStringLiteral("Show Time")));
    tfDateSample = new QLineEdit;
    tfDateSample->setReadOnly(true);
    connect(_profileDateFormat, &QComboBox::currentIndexChanged, this, [this] { dateFormatChanged(); });
    connect(_profileTimeFormat, &QComboBox::currentIndexChanged, this, [this] { dateFormatChanged(); });
    connect(cbDisplayTime, &QCheckBox::toggled, this, [this] { dateFormatChanged(); });

    auto *form = new QFormLayout;
    form->addRow(Language::stringForKey(QStringLiteral("Replicate Copies")), fieldWithStepper(tfReplicate, spReplicate));
    form->addRow(Language::stringForKey(QStringLiteral("Horizontal Offset")), fieldWithStepper(tfOffsetX, spOffsetX));
    form->addRow(Language::stringForKey(QStringLiteral("Vertical Offset")), fieldWithStepper(tfOffsetY, spOffsetY));
    form->addRow(Language::stringForKey(QStringLiteral("Export Resolution")), tfExportRes);
    form->addRow(Language::stringForKey(QStringLiteral("Printing Bleeds")), bleedsRow);
    form->addRow(Language::stringForKey(QStringLiteral("Scroll Wheel Zooms")), wheelRow);
    form->addRow(saveImageToDocument);
    form->addRow(includeSalutation);
    form->addRow(includeMiddleName);
    form->addRow(Language::stringForKey(QStringLiteral("Date Format")), _profileDateFormat);
    form->addRow(cbDisplayTime);
    form->addRow(Language::stringForKey(QStringLiteral("Time Format")), _profileTimeFormat);
    form->addRow(tfDateSample);

    cancelButton = new QPushButton(Language::stringForKey(QStringLiteral("Cancel")));
    okButton = new QPushButton(Language::stringForKey(QStringLiteral("OK")));
    okButton->setDefault(true);
    connect(cancelButton, &QPushButton::clicked, this, [this] { buttonPressed(0); });
    connect(okButton, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    awakeFromNib();
}

void Preference::awakeFromNib()
{
    UserDefaults &defaults = UserDefaults::standard();
    const QList<std::pair<QString, QString>> registered = {
        {QStringLiteral("Export Res"), QStringLiteral("300")},
        {QStringLiteral("Replicate"), QStringLiteral("2")},
        {QStringLiteral("Hor"), QStringLiteral("5")},
        {QStringLiteral("Vert"), QStringLiteral("5")},
        {QStringLiteral("imgToDoc"), QStringLiteral("NO")},
    };
    for (const auto &[key, value] : registered) {
        if (defaults.objectForKey(key).isNull()) {
            defaults.registerDefaults({{key, value}});
            defaults.synchronize();
        }
    }
    if (defaults.objectForKey(QStringLiteral("wheelZoom")).isNull()) {
        defaults.setBool(true, QStringLiteral("wheelZoom"));
        defaults.synchronize();
    }

    const QString replicate = defaults.stringForKey(QStringLiteral("Replicate"));
    const QString hor = defaults.stringForKey(QStringLiteral("Hor"));
    const QString vert = defaults.stringForKey(QStringLiteral("Vert"));
    double bleed = defaults.floatForKey(QStringLiteral("Printing Bleeds"));
    if (!std::isfinite(bleed) || bleed < 0.0)
        bleed = 0.0;
    // A stored value beyond what the controls take is shown as the nearest one they do.
    bleed = std::min(bleed, MaximumBleeds);
    const int copies = std::clamp(leadingInt(replicate), 1, MaximumCopies);
    const int offsetX = std::clamp(leadingInt(hor), -MaximumOffset, MaximumOffset);
    const int offsetY = std::clamp(leadingInt(vert), -MaximumOffset, MaximumOffset);
    spReplicate->setValue(copies);
    spOffsetX->setValue(offsetX);
    spOffsetY->setValue(offsetY);
    spBleeds->setValue(bleed);
    tfReplicate->setText(QString::number(copies));
    tfOffsetX->setText(QString::number(offsetX));
    tfOffsetY->setText(QString::number(offsetY));
    tfBleeds->setText(localNumber(bleed, 'g', 6));
    tfExportRes->setText(defaults.stringForKey(QStringLiteral("Export Res")));

    saveImageToDocument->setChecked(defaults.stringForKey(QStringLiteral("imgToDoc")) == QLatin1String("YES"));
    mxScrollWheel->button(defaults.boolForKey(QStringLiteral("wheelZoom")) ? 1 : 2)->setChecked(true);

    for (const QString &key : {QStringLiteral("addFullNameMiddleName"), QStringLiteral("addFullNameSalutation")}) {
        if (defaults.objectForKey(key).isNull()) {
            defaults.setBool(false, key);
            defaults.synchronize();
        }
    }
    includeMiddleName->setChecked(defaults.boolForKey(QStringLiteral("addFullNameMiddleName")));
    includeSalutation->setChecked(defaults.boolForKey(QStringLiteral("addFullNameSalutation")));

    qint64 date = defaults.integerForKey(QStringLiteral("profileDateFormat"));
    if (date == 0) {
        date = 1;
        defaults.setInteger(date, QStringLiteral("profileDateFormat"));
    }
    qint64 time = defaults.integerForKey(QStringLiteral("profileTimeFormat"));
    if (time == 0) {
        time = date;
        defaults.setInteger(time, QStringLiteral("profileTimeFormat"));
    }
    defaults.synchronize();
    const qint64 show = defaults.integerForKey(QStringLiteral("showTime"));
    selectTag(_profileDateFormat, int(date));
    selectTag(_profileTimeFormat, int(time));
    cbDisplayTime->setChecked(show != 0);
    dateFormatChanged();
}

void Preference::dateFormatChanged()
{
    tfDateSample->setText(dateSample(QDateTime::currentDateTime(), _profileDateFormat->currentData().toInt(),
                                     cbDisplayTime->isChecked() ? _profileTimeFormat->currentData().toInt() : 0));
}

int Preference::replicateCount() const
{
    return spReplicate->value();
}

int Preference::offsetX() const
{
    return spOffsetX->value();
}

int Preference::offsetY() const
{
    return leadingInt(tfOffsetY->text());
}

int Preference::exportRes() const
{
    return leadingInt(tfExportRes->text());
}

int Preference::bleeds() const
{
    const double value = leadingLocalNumber(tfBleeds->text());
    return std::isfinite(value) ? int(std::clamp(value, -1e9, 1e9)) : 0;
}

QString Preference::validatedInteger(QLineEdit *field, const QString &key, int minimum, int maximum,
                                     const QString &reason)
{
    const int value = leadingInt(field->text());
    if (value >= minimum && value <= maximum)
        return fmtInt(value);
    // A value the rest of the system cannot use keeps the one stored before.
    const QString previous = UserDefaults::standard().stringForKey(key);
    field->setText(previous);
    Prompts::current().alert(this, Language::stringForKey(QStringLiteral("Invalid Value")), reason,
                             {Language::stringForKey(QStringLiteral("OK"))});
    return previous;
}

void Preference::buttonPressed(int tag)
{
    if (tag == 1) {
        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(validatedInteger(tfExportRes, QStringLiteral("Export Res"), 1, std::numeric_limits<int>::max(),
                                            Language::stringForKey(QStringLiteral("The export resolution must be at least 1."))),
                           QStringLiteral("Export Res"));
        const QString copies = validatedInteger(tfReplicate, QStringLiteral("Replicate"), 1, MaximumCopies,
                                                Language::stringForKey(QStringLiteral("The number of copies must be from 1 to 1000.")));
        defaults.setString(copies, QStringLiteral("Replicate"));
        {
            const QSignalBlocker blocker(spReplicate);
            spReplicate->setValue(leadingInt(copies));
        }
        const QString offsetReason = Language::stringForKey(QStringLiteral("The offsets must be from -1000 to 1000 points."));
        for (const auto &[field, stepper, key] : {std::tuple{tfOffsetX, spOffsetX, QStringLiteral("Hor")},
                                                  std::tuple{tfOffsetY, spOffsetY, QStringLiteral("Vert")}}) {
            const QString offset = validatedInteger(field, key, -MaximumOffset, MaximumOffset, offsetReason);
            defaults.setString(offset, key);
            const QSignalBlocker blocker(stepper);
            stepper->setValue(leadingInt(offset));
        }

        const double bleed = leadingLocalNumber(tfBleeds->text());
        if (std::isfinite(bleed) && bleed >= 0.0 && bleed <= MaximumBleeds) {
            defaults.setFloat(bleed, QStringLiteral("Printing Bleeds"));
        } else {
            tfBleeds->setText(localNumber(defaults.floatForKey(QStringLiteral("Printing Bleeds")), 'g', 6));
            Prompts::current().alert(this, Language::stringForKey(QStringLiteral("Invalid Value")),
                                     Language::stringForKey(QStringLiteral("The bleeds must be from 0 to 36 points.")),
                                     {Language::stringForKey(QStringLiteral("OK"))});
        }

        defaults.setString(saveImageToDocument->isChecked() ? QStringLiteral("YES") : QStringLiteral("NO"),
                           QStringLiteral("imgToDoc"));
        defaults.setBool(mxScrollWheel->checkedId() == 1, QStringLiteral("wheelZoom"));

        if (includeSalutation->isChecked() != defaults.boolForKey(QStringLiteral("addFullNameSalutation"))
            || includeMiddleName->isChecked() != defaults.boolForKey(QStringLiteral("addFullNameMiddleName"))) {
            defaults.setBool(includeSalutation->isChecked(), QStringLiteral("addFullNameSalutation"));
            defaults.setBool(includeMiddleName->isChecked(), QStringLiteral("addFullNameMiddleName"));
            NotificationCenter::defaultCenter().post(QStringLiteral("RecordChangedNotification"));
            if (canvasNeedsDisplay)
                canvasNeedsDisplay();
        }

        const qint64 oldDate = defaults.integerForKey(QStringLiteral("profileDateFormat"));
        const qint64 oldTime = defaults.integerForKey(QStringLiteral("profileTimeFormat"));
        const qint64 oldShow = defaults.integerForKey(QStringLiteral("showTime"));
        const qint64 date = _profileDateFormat->currentData().toInt();
        const qint64 time = _profileTimeFormat->currentData().toInt();
        const qint64 show = cbDisplayTime->isChecked() ? 1 : 0;
        defaults.setInteger(date, QStringLiteral("profileDateFormat"));
        defaults.setInteger(time, QStringLiteral("profileTimeFormat"));
        defaults.setInteger(show, QStringLiteral("showTime"));
        defaults.synchronize();
        if ((date != oldDate || time != oldTime || show != oldShow) && updateDateFields)
            updateDateFields();
    }
    done(tag);
}

} // namespace quillmark
