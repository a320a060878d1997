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

#include "foundation/Language.h"
#include "platform/Format.h"
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

QString dateText(const QDateTime &now, int style, bool time)
{
    const QLocale locale;
    if (style <= 0)
        return {};
    if (time) {
        return style <= 2 ? locale.toString(now.time(), QLocale::ShortFormat)
                          : locale.toString(now.time(), QLocale::LongFormat);
    }
    switch (style) {
    case 1: return locale.toString(now.date(), QLocale::ShortFormat);
    case 2: return locale.toString(now.date(), QStringLiteral("MMM d, yyyy"));
    case 3: return locale.toString(now.date(), QStringLiteral("MMMM d, yyyy"));
    default: return locale.toString(now.date(), QLocale::LongFormat);
    }
}

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
    spReplicate->setRange(1, 1000);
    spOffsetX = new QSpinBox;
    spOffsetX->setRange(-1000, 1000);
    spOffsetY = new QSpinBox;
    spOffsetY->setRange(-1000, 1000);
    spBleeds = new QDoubleSpinBox;
    spBleeds->setRange(0.0, 72.0);
    spBleeds->setDecimals(2);
    connect(spBleeds, &QDoubleSpinBox::valueChanged, tfBleeds, [this](double value) {
        tfBleeds->setText(QString::number(value));
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
    spReplicate->setValue(leadingInt(replicate));
    spOffsetX->setValue(leadingInt(hor));
    spOffsetY->setValue(leadingInt(vert));
    spBleeds->setValue(bleed);
    tfReplicate->setText(QString::number(leadingInt(replicate)));
    tfOffsetX->setText(QString::number(leadingInt(hor)));
    tfOffsetY->setText(QString::number(leadingInt(vert)));
    tfBleeds->setText(QString::number(bleed));
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
    const QDateTime now = QDateTime::currentDateTime();
    QString text = dateText(now, _profileDateFormat->currentData().toInt(), false);
    if (cbDisplayTime->isChecked()) {
        const QString time = dateText(now, _profileTimeFormat->currentData().toInt(), true);
        if (!time.isEmpty())
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + time;
    }
    tfDateSample->setText(text);
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
    const double value = leadingDouble(tfBleeds->text());
    return std::isfinite(value) ? int(std::clamp(value, -1e9, 1e9)) : 0;
}

QString Preference::validatedInteger(QLineEdit *field, const QString &key, int minimum, const QString &reason)
{
    const int value = leadingInt(field->text());
    if (value >= minimum)
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
        defaults.setString(validatedInteger(tfExportRes, QStringLiteral("Export Res"), 1,
                                            Language::stringForKey(QStringLiteral("The export resolution must be at least 1."))),
                           QStringLiteral("Export Res"));
        const QString copies = validatedInteger(tfReplicate, QStringLiteral("Replicate"), 1,
                                                Language::stringForKey(QStringLiteral("The number of copies must be at least 1.")));
        defaults.setString(copies, QStringLiteral("Replicate"));
        {
            const QSignalBlocker blocker(spReplicate);
            spReplicate->setValue(leadingInt(copies));
        }
        defaults.setString(fmtInt(leadingInt(tfOffsetX->text())), QStringLiteral("Hor"));
        defaults.setString(fmtInt(leadingInt(tfOffsetY->text())), QStringLiteral("Vert"));

        const double bleed = leadingDouble(tfBleeds->text());
        if (std::isfinite(bleed) && bleed >= 0.0) {
            defaults.setFloat(bleed, QStringLiteral("Printing Bleeds"));
        } else {
            tfBleeds->setText(QString::number(defaults.floatForKey(QStringLiteral("Printing Bleeds"))));
            Prompts::current().alert(this, Language::stringForKey(QStringLiteral("Invalid Value")),
                                     Language::stringForKey(QStringLiteral("The bleeds must be 0 or more.")),
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
