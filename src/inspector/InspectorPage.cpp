#include "inspector/InspectorPage.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cmath>

#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/MyStepper.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/CanvasServices.h"
#include "objects/ColorRect.h"
#include "platform/ColorWell.h"
#include "platform/UndoManager.h"

namespace quillmark {

InspectorPage::InspectorPage(ObjectInfoPanel *info, int tab, const QString &identifier, const QString &title)
    : QWidget(nullptr)
    , m_info(info)
    , m_tab(tab)
    , m_title(title)
{
    setObjectName(identifier);
    QFont small = font();
    small.setPointSizeF(8.5);
    setFont(small);
}

const InspectorPage::GraphicList &InspectorPage::selection() const
{
    return m_info->selectedRects();
}

int InspectorPage::fold(const GraphicList &objects, const std::function<bool(const ColorRect &)> &property)
{
    int state = 0;
    for (const std::shared_ptr<ColorRect> &object : objects) {
        if (property(*object))
            state = 1;
        else if (state == 1)
            state = -1;
    }
    return state;
}

int InspectorPage::stateOf(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return -1;
    default:
        return 0;
    }
}

void InspectorPage::setState(QCheckBox *box, int state)
{
    // Only a box showing mixed may step through mixed: a click on one that shows off turns
    // it on, not mixed (a box once shown mixed would otherwise stay three-state).
    box->setTristate(state != 0 && state != 1);
    box->setCheckState(state == 1 ? Qt::Checked : state == 0 ? Qt::Unchecked : Qt::PartiallyChecked);
}

QColor InspectorPage::lightGray()
{
    return QColor::fromRgbF(2.0f / 3.0f, 2.0f / 3.0f, 2.0f / 3.0f);
}

void InspectorPage::showEvent(QShowEvent *event)
{
    // Texts are translated after the page is built: the room they need is known by now.
    fitTitleColumn();
    QWidget::showEvent(event);
}

void InspectorPage::fitTitleColumn()
{
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        if (!m_builtFrames.contains(child))
            m_builtFrames.insert(child, child->geometry());
    auto builtFrame = [this](const QWidget *w) { return m_builtFrames.value(w); };
    auto sameRow = [](const QRect &a, const QRect &b) { return a.top() < b.bottom() && b.top() < a.bottom(); };
    auto neededWidth = [](QWidget *title) {
        if (auto *label = qobject_cast<QLabel *>(title))
            return label->fontMetrics().horizontalAdvance(label->text()) + 2;
        return title->sizeHint().width();
    };

    // The titles of rows: at the page's left edge, narrower than the page, a control right after.
    struct Row
    {
        QWidget *title;
        QList<QWidget *> controls;
    };
    QList<Row> rows;
    QHash<int, int> extraOfColumn; // the built width of a column of titles -> the room it lacks
    for (QWidget *title : children) {
        if (!qobject_cast<QLabel *>(title) && !qobject_cast<QCheckBox *>(title))
            continue;
        const QRect frame = builtFrame(title);
        if (frame.left() > 8 || frame.width() >= pageWidth / 2)
            continue;
        Row row{title, {}};
        for (QWidget *other : children)
            if (other != title && sameRow(builtFrame(other), frame) && builtFrame(other).left() >= frame.right()
                && builtFrame(other).left() <= frame.right() + 8 + pageWidth)
                row.controls.append(other);
        if (row.controls.isEmpty())
            continue;
        rows.append(row);
        int &extra = extraOfColumn[frame.width()];
        extra = std::max(extra, neededWidth(title) - frame.width());
    }
    for (const Row &row : std::as_const(rows)) {
        const QRect frame = builtFrame(row.title);
        const int extra = std::max(0, extraOfColumn.value(frame.width()));
        if (extra == 0)
            continue;
        row.title->setGeometry(frame.adjusted(0, 0, extra, 0));
        int builtRight = 0;
        QWidget *widest = nullptr;
        for (QWidget *control : row.controls) {
            builtRight = std::max(builtRight, builtFrame(control).right());
            if (!widest || builtFrame(control).width() > builtFrame(widest).width())
                widest = control;
        }
        const int limit = std::max(builtRight, pageWidth - 4);
        const int overflow = std::max(0, builtRight + extra - limit);
        for (QWidget *control : row.controls) {
            QRect moved = builtFrame(control).translated(extra, 0);
            if (control == widest) {
                moved.setWidth(std::max(24, moved.width() - overflow));
            } else if (builtFrame(control).left() > builtFrame(widest).left()) {
                moved.translate(-overflow, 0);
            }
            control->setGeometry(moved);
        }
    }
}

QLabel *InspectorPage::addLabel(const QString &text, const QRect &frame)
{
    // English texts: the window's language refresh shows them translated.
    auto *label = new QLabel(text, this);
    label->setGeometry(frame);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    LanguageControls::awakeFromNib(label);
    return label;
}

NumberField *InspectorPage::addField(const QString &name, const QRect &frame)
{
    auto *field = new NumberField(this);
    field->setObjectName(name);
    field->setGeometry(frame);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return field;
}

MyStepper *InspectorPage::addStepper(const QString &name, const QRect &frame, double min, double max,
                                     double increment, bool wraps)
{
    auto *stepper = new MyStepper(this);
    stepper->setObjectName(name);
    stepper->setGeometry(frame);
    stepper->setMinValue(min);
    stepper->setMaxValue(max);
    stepper->setIncrement(increment);
    stepper->setValueWraps(wraps);
    return stepper;
}

QSlider *InspectorPage::addSlider(const QString &name, const QRect &frame, int min, int max)
{
    auto *slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(name);
    slider->setGeometry(frame);
    slider->setRange(min, max);
    return slider;
}

QCheckBox *InspectorPage::addCheckBox(const QString &name, const QString &title, const QRect &frame)
{
    auto *box = new QCheckBox(title, this);
    box->setObjectName(name);
    box->setGeometry(frame);
    LanguageControls::awakeFromNib(box);
    return box;
}

ColorWell *InspectorPage::addColorWell(const QString &name, const QRect &frame)
{
    auto *well = new ColorWell(this);
    well->setObjectName(name);
    well->setGeometry(frame);
    return well;
}

QPushButton *InspectorPage::addButton(const QString &name, const QString &title, const QRect &frame)
{
    auto *button = new QPushButton(title, this);
    button->setObjectName(name);
    button->setGeometry(frame);
    LanguageControls::awakeFromNib(button);
    return button;
}

void InspectorPage::connectValue(NumberField *field, const std::function<void(QObject *)> &action)
{
    // The inspector decides which fields apply their value when their editing ends.
    m_endOfEditing.insert(field, action);
    connect(field, &NumberField::valueEntered, this, [this, field] { m_info->controlTextDidEndEditing(field); });
}

bool InspectorPage::applyEndOfEditing(QObject *field)
{
    const auto action = m_endOfEditing.constFind(field);
    if (action == m_endOfEditing.constEnd())
        return false;
    const std::function<void(QObject *)> apply = *action;
    applyEdit([&] { apply(field); });
    return true;
}

void InspectorPage::applyEdit(const std::function<void()> &edit)
{
    CanvasServices *canvas = m_info->rectsView();
    // Each object's setter would otherwise measure the whole selection for the rulers and
    // ask for its own redraw: an edit of many objects grew with the square of their number.
    // What the setters register is one step already: the user's event groups it.
    struct Batch
    {
        CanvasServices *canvas;
        explicit Batch(CanvasServices *c)
            : canvas(c)
        {
            if (canvas)
                canvas->beginChangeBatch();
        }
        ~Batch()
        {
            if (canvas)
                canvas->endChangeBatch();
        }
    } batch(canvas);
    edit();
    // Any setter may have moved an edge of the selection (a barcode sizes itself to its bars):
    // the rulers are measured once, when the batch ends.
    if (canvas)
        canvas->updateRulers();
}

void InspectorPage::connectValue(MyStepper *stepper, const std::function<void(QObject *)> &action)
{
    connect(stepper, &MyStepper::valueChanged, this, [this, stepper, action] { applyEdit([&] { action(stepper); }); });
}

void InspectorPage::connectValue(QSlider *slider, const std::function<void(QObject *)> &action)
{
    // Each move applies at once; the moves of one drag undo as one step.
    auto undo = [this]() -> UndoManager * {
        CanvasServices *canvas = m_info->rectsView();
        return canvas ? canvas->undoManager() : nullptr;
    };
    auto open = std::make_shared<bool>(false);
    connect(slider, &QSlider::sliderPressed, this, [undo, open] {
        if (UndoManager *manager = undo(); manager && !*open) {
            manager->beginUndoGrouping();
            *open = true;
        }
    });
    connect(slider, &QSlider::sliderReleased, this, [undo, open] {
        if (UndoManager *manager = undo(); manager && *open)
            manager->endUndoGrouping();
        *open = false;
    });
    connect(slider, &QSlider::valueChanged, this, [this, slider, action] {
        // A value set by a refresh is no edit.
        if (slider->signalsBlocked())
            return;
        applyEdit([&] { action(slider); });
    });
}

void InspectorPage::connectValue(QCheckBox *box, const std::function<void(QObject *)> &action)
{
    connect(box, &QCheckBox::clicked, this, [this, box, action] {
        // Clicked out of mixed, the box shows what every object now has: on or off.
        box->setTristate(false);
        applyEdit([&] { action(box); });
    });
}

void InspectorPage::connectValue(ColorWell *well, const std::function<void(QObject *)> &action)
{
    connect(well, &ColorWell::colorChanged, this, [this, well, action] { applyEdit([&] { action(well); }); });
}

double InspectorPage::floatValueOf(QObject *sender)
{
    if (auto *field = qobject_cast<NumberField *>(sender))
        return double(field->floatValue());
    if (auto *stepper = qobject_cast<MyStepper *>(sender))
        return stepper->doubleValue();
    if (auto *slider = qobject_cast<QSlider *>(sender))
        return slider->value();
    if (auto *box = qobject_cast<QCheckBox *>(sender))
        return stateOf(box);
    return 0.0;
}

double InspectorPage::doubleValueOf(QObject *sender)
{
    if (auto *field = qobject_cast<NumberField *>(sender))
        return field->value().value_or(0.0);
    return floatValueOf(sender);
}

double InspectorPage::reducedDegrees(double degrees)
{
    if (!std::isfinite(degrees))
        return 0.0;
    double reduced = std::fmod(degrees, 360.0);
    if (reduced < 0.0)
        reduced += 360.0;
    // A tiny negative remainder rounds up to a whole turn.
    return reduced >= 360.0 ? 0.0 : reduced;
}

int InspectorPage::intValueOf(QObject *sender)
{
    if (auto *field = qobject_cast<NumberField *>(sender))
        return field->intValue();
    const double value = floatValueOf(sender);
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483648.0)
        return -2147483647 - 1;
    return int(value);
}

} // namespace quillmark
