#include "barcodes/BarcodeDrawer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "barcodes/SymbologyMenu.h"
#include "canvas/RectsView.h"
#include "foundation/LanguageControls.h"

namespace quillmark {

namespace {

QLabel *titleLabel(const QString &english, QWidget *parent)
{
    auto *label = new QLabel(english, parent);
    LanguageControls::awakeFromNib(label);
    LanguageControls::refreshLanguage(label);
    return label;
}

QLineEdit *numberField(int tag, int width, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setProperty("tag", tag);
    field->setFixedWidth(width);
    field->setAlignment(Qt::AlignRight);
    return field;
}

} // namespace

BarcodeDrawer::BarcodeDrawer(RectsView *canvas, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("BarcodeDrawer"));
    setFrameShape(QFrame::StyledPanel);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 2, 6, 2);
    outer->addWidget(titleLabel(QStringLiteral("Barcode"), this));
    outer->addSpacing(8);

    m_controls = new QWidget(this);
    // The strip asks the window for no width of its own: the panes beside the canvas keep
    // theirs, and a narrow canvas takes its width from the data field first.
    m_controls->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *row = new QHBoxLayout(m_controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    m_data = new QLineEdit(m_controls);
    m_data->setProperty("tag", int(DataTag));
    m_data->setMinimumWidth(48);
    m_type = new QComboBox(m_controls);
    m_type->setProperty("tag", int(TypeTag));
    m_type->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_type->setMinimumContentsLength(10);
    fillSymbologyPopUp(m_type);
    m_width = numberField(WidthTag, 44, m_controls);
    m_adjust = numberField(AdjustTag, 44, m_controls);
    m_height = numberField(HeightTag, 52, m_controls);
    m_unit = new QLabel(m_controls);
    m_unit->setProperty("tag", int(UnitTag));
    m_gap = new QComboBox(m_controls);
    m_gap->setProperty("tag", int(GapTag));
    fillDrawerGapPopUp(m_gap);

    row->addWidget(titleLabel(QStringLiteral("Data"), m_controls));
    row->addWidget(m_data, 1);
    row->addSpacing(10);
    row->addWidget(titleLabel(QStringLiteral("Type"), m_controls));
    row->addWidget(m_type);
    row->addSpacing(6);
    row->addWidget(titleLabel(QStringLiteral("Width"), m_controls));
    row->addWidget(m_width);
    row->addWidget(titleLabel(QStringLiteral("Adjust"), m_controls));
    row->addWidget(m_adjust);
    row->addWidget(titleLabel(QStringLiteral("mils"), m_controls));
    row->addSpacing(6);
    row->addWidget(titleLabel(QStringLiteral("Height"), m_controls));
    row->addWidget(m_height);
    row->addWidget(m_unit);
    row->addSpacing(6);
    row->addWidget(titleLabel(QStringLiteral("Gap"), m_controls));
    row->addWidget(m_gap);
    outer->addWidget(m_controls, 1);

    connect(m_data, &QLineEdit::editingFinished, canvas, [canvas, this] { canvas->setBarcodeData(m_data); });
    connect(m_type, &QComboBox::activated, canvas, [canvas, this] { canvas->setBarcodeType(m_type); });
    connect(m_width, &QLineEdit::editingFinished, canvas, [canvas, this] { canvas->setBarcodeWidth(m_width); });
    connect(m_adjust, &QLineEdit::editingFinished, canvas, [canvas, this] { canvas->setBarcodeAdjust(m_adjust); });
    connect(m_height, &QLineEdit::editingFinished, canvas, [canvas, this] { canvas->setBarcodeHeight(m_height); });
    connect(m_gap, &QComboBox::activated, canvas, [canvas, this] { canvas->setBarcodeGap(m_gap); });
    // The height shows in the display unit.
    connect(canvas, &RectsView::measureChanged, this, [canvas] { canvas->setObjBarcodeDrawerItemsState(); });
    connect(canvas, &RectsView::selectionChanged, this, [canvas] { canvas->setObjBarcodeDrawerItemsState(); });
    // The strip keeps its height whether its controls show or not, so the canvas below
    // never jumps when a barcode is selected.
    setFixedHeight(sizeHint().height());
    canvas->setBarcodeDrawer(this);
}

} // namespace quillmark
