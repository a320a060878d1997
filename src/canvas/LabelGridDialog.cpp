#include "canvas/LabelGridDialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "stock/StockConversions.h"

namespace quillmark {

namespace {


QDoubleSpinBox *lengthBox(double minimum)
{
    auto *box = new QDoubleSpinBox;
    box->setDecimals(3);
    box->setRange(minimum, 100.0);
    box->setSingleStep(0.125);
    box->setSuffix(QStringLiteral(" in"));
    return box;
}

} // namespace

LabelGridDialog::LabelGridDialog(QWidget *parent)
    : QDialog(parent)
    , m_name(new QLineEdit)
    , m_width(lengthBox(0.01))
    , m_height(lengthBox(0.01))
    , m_top(lengthBox(0.0))
    , m_left(lengthBox(0.0))
    , m_vertical(lengthBox(0.0))
    , m_horizontal(lengthBox(0.0))
    , m_across(new QSpinBox)
    , m_down(new QSpinBox)
    , m_radius(lengthBox(0.0))
    , m_hole(lengthBox(0.0))
    , m_shape(new QComboBox)
{
    setWindowTitle(Language::stringForKey(QStringLiteral("Label Format")));
    setWindowModality(Qt::WindowModal);
    m_across->setRange(1, 100);
    m_down->setRange(1, 100);
    m_name->setMaxLength(62);
    m_shape->addItem(QStringLiteral("Rectangle"), 1);
    m_shape->addItem(QStringLiteral("Rounded Rectangle"), 2);
    m_shape->addItem(QStringLiteral("Oval"), 3);
    LanguageControls::awakeFromNib(m_shape);

    auto *form = new QFormLayout;
    auto row = [form](const QString &title, QWidget *field) { form->addRow(title, field); };
    row(Language::stringForKey(QStringLiteral("Name")), m_name);
    row(Language::stringForKey(QStringLiteral("Width")), m_width);
    row(Language::stringForKey(QStringLiteral("Height")), m_height);
    row(Language::stringForKey(QStringLiteral("Top Margin")), m_top);
    row(Language::stringForKey(QStringLiteral("Left Margin")), m_left);
    row(Language::stringForKey(QStringLiteral("Vertical Gap")), m_vertical);
    row(Language::stringForKey(QStringLiteral("Horizontal Gap")), m_horizontal);
    row(Language::stringForKey(QStringLiteral("Across")), m_across);
    row(Language::stringForKey(QStringLiteral("Down")), m_down);
    row(Language::stringForKey(QStringLiteral("Corner Radius")), m_radius);
    row(Language::stringForKey(QStringLiteral("Hole")), m_hole);
    row(Language::stringForKey(QStringLiteral("Shape")), m_shape);

    auto *cancel = new QPushButton(Language::stringForKey(QStringLiteral("Cancel")));
    auto *ok = new QPushButton(Language::stringForKey(QStringLiteral("OK")));
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { buttonPressed(0); });
    connect(ok, &QPushButton::clicked, this, [this] { buttonPressed(1); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(ok);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void LabelGridDialog::buttonPressed(int tag)
{
    done(tag);
}

void LabelGridDialog::setLabel(const TLabel &label)
{
    m_label = label;
    m_name->setText(label.name);
    m_width->setValue(label.width);
    m_height->setValue(label.height);
    m_top->setValue(label.top_margin);
    m_left->setValue(label.left_margin);
    m_vertical->setValue(label.vert_distance);
    m_horizontal->setValue(label.hor_distance);
    m_across->setValue(label.num_label);
    m_down->setValue(label.num_downlabel);
    m_radius->setValue(label.round_param);
    m_hole->setValue(label.hole);
    m_shape->setCurrentIndex(std::clamp(int(label.shape) - 1, 0, 2));
}

TLabel LabelGridDialog::label() const
{
    TLabel label = m_label;
    label.name = m_name->text().trimmed().isEmpty() ? Language::stringForKey(QStringLiteral("Untitled"))
                                                    : m_name->text().trimmed();
    label.width = float(m_width->value());
    label.height = float(m_height->value());
    label.top_margin = float(m_top->value());
    label.left_margin = float(m_left->value());
    label.vert_distance = float(m_vertical->value());
    label.hor_distance = float(m_horizontal->value());
    label.num_label = qint16(m_across->value());
    label.num_downlabel = qint16(m_down->value());
    label.round_param = float(m_radius->value());
    label.hole = float(m_hole->value());
    label.shape = qint16(m_shape->currentData().toInt());
    return label;
}

std::optional<TLabel> LabelGridDialog::editLabel(QWidget *parent, const TLabel &label)
{
    LabelGridDialog dialog(parent);
    dialog.setLabel(label);
    if (dialog.exec() != 1)
        return std::nullopt;
    return dialog.label();
}

} // namespace quillmark
