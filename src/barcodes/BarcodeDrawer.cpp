#include "barcodes/BarcodeDrawer.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

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
    m_title = titleLabel(QStringLiteral("Barcode"), this);
    outer->addWidget(m_title);
    outer->addSpacing(TitleSpacing);

    m_controls = new QWidget(this);
    // The strip asks the window for no width of its own: the panes beside the canvas keep
    // theirs. A narrower canvas takes its width from the data field first; when even that
    // is not enough, the metrics go to a second row (fitRows).
    m_controls->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_controls->installEventFilter(this);

    m_data = new QLineEdit(m_controls);
    m_data->setProperty("tag", int(DataTag));
    m_data->setMinimumWidth(60);
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

    m_first = new QHBoxLayout;
    m_first->setSpacing(4);
    m_first->addWidget(titleLabel(QStringLiteral("Data"), m_controls));
    m_first->addWidget(m_data, 1);
    m_first->addSpacing(10);
    m_first->addWidget(titleLabel(QStringLiteral("Type"), m_controls));
    m_first->addWidget(m_type);
    m_second = new QHBoxLayout;
    m_second->setSpacing(4);
    m_second->addWidget(titleLabel(QStringLiteral("Width"), m_controls));
    m_second->addWidget(m_width);
    m_second->addWidget(titleLabel(QStringLiteral("Adjust"), m_controls));
    m_second->addWidget(m_adjust);
    m_second->addWidget(titleLabel(QStringLiteral("mils"), m_controls));
    m_second->addSpacing(10);
    m_second->addWidget(titleLabel(QStringLiteral("Height"), m_controls));
    m_second->addWidget(m_height);
    m_second->addWidget(m_unit);
    m_gapBox = new QHBoxLayout;
    m_gapBox->setSpacing(4);
    m_gapBox->addSpacing(6);
    m_gapBox->addWidget(titleLabel(QStringLiteral("Gap"), m_controls));
    m_gapBox->addWidget(m_gap);
    m_second->addLayout(m_gapBox);
    // Stacked, the metrics keep together at the left.
    m_second->addStretch(1);
    m_rows = new QBoxLayout(QBoxLayout::LeftToRight, m_controls);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(10);
    m_rows->addLayout(m_first, 1);
    m_rows->addLayout(m_second);
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
    fitRows();
    m_controls->hide();
    updateOpened();
    canvas->setBarcodeDrawer(this);
}

void BarcodeDrawer::toggleOpened()
{
    const bool barcodeShown = !m_controls->isHidden();
    if (isOpen()) {
        m_keptOpen = false;
        m_dismissed = barcodeShown;
    } else {
        m_keptOpen = true;
        m_dismissed = false;
    }
    updateOpened();
}

void BarcodeDrawer::updateOpened()
{
    const bool barcodeShown = !m_controls->isHidden();
    setVisible(m_keptOpen || (barcodeShown && !m_dismissed));
}

bool BarcodeDrawer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_controls && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        fitRows();
    // The canvas shows the controls for a selected barcode, also while the drawer is closed.
    if (watched == m_controls && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        if (event->type() == QEvent::HideToParent)
            m_dismissed = false;
        updateOpened();
    }
    return QFrame::eventFilter(watched, event);
}

void BarcodeDrawer::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitRows();
}

void BarcodeDrawer::fitRows()
{
    const QMargins margins = layout()->contentsMargins();
    const int room = contentsRect().width() - margins.left() - margins.right();
    const int oneRow = m_title->sizeHint().width() + TitleSpacing + m_first->minimumSize().width() + m_rows->spacing()
        + m_second->minimumSize().width();
    const bool stacked = room < oneRow;
    const auto direction = stacked ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
    if (m_rows->direction() != direction) {
        m_rows->setDirection(direction);
        // Stacked, the gap joins the first row, whose data field gives way, so that the
        // metrics row stays short enough for long translations.
        QHBoxLayout *from = stacked ? m_second : m_first;
        QHBoxLayout *to = stacked ? m_first : m_second;
        from->removeItem(m_gapBox);
        m_gapBox->setParent(nullptr);
        to->insertLayout(stacked ? -1 : m_second->count() - 1, m_gapBox);
    }
    // Stacked rows need the title's width; the data and symbology fields say what they are.
    m_title->setVisible(!(stacked && m_controls->isVisibleTo(this)));
    // Opened by its command with no barcode selected, the strip keeps the height it has with
    // one; it changes only with the rows.
    setFixedHeight(std::max(m_title->sizeHint().height(), m_rows->sizeHint().height()) + margins.top()
                   + margins.bottom() + 2 * frameWidth());
}

} // namespace quillmark
