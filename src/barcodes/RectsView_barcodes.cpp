// The canvas's side of the barcode drawer: it fills the drawer's controls from the selected
// barcode and applies each control's value to every selected barcode through the barcode's
// record (getBarInfo, one field changed, setBarInfo), as one undo step under the control's
// own action name. Metrics outside what a symbol can be drawn with are refused with the
// reason, and square symbols (sized by their frame) take none.
#include "canvas/RectsView.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QToolTip>

#include <cmath>
#include <functional>
#include <optional>

#include "barcodes/BarcodeDrawer.h"
#include "barcodes/BarcodeRecordEdit.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/SymbologyMenu.h"
#include "canvas/CanvasInspector.h"
#include "foundation/Language.h"
#include "foundation/TypedNumber.h"
#include "platform/Prompts.h"
#include "platform/Format.h"

namespace quillmark {

namespace {

template<typename Control>
Control *drawerControl(QWidget *drawer, int tag)
{
    if (!drawer)
        return nullptr;
    for (QWidget *child : drawer->findChildren<QWidget *>())
        if (child->property("tag").toInt() == tag)
            return qobject_cast<Control *>(child);
    return nullptr;
}

std::shared_ptr<ColorBarcode> asBarcode(const std::shared_ptr<ColorRect> &graphic)
{
    if (!graphic || graphic->className() != QLatin1String("ColorBarcode"))
        return nullptr;
    return std::dynamic_pointer_cast<ColorBarcode>(graphic);
}

// Up to three decimals, without trailing zeros: 0.4 in, 1.016 cm, 28.8 pt.
QString measureText(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    if (text == QLatin1String("-0"))
        return QStringLiteral("0");
    // The decimal mark the user reads and types.
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

// Bars need some width and height, and a symbol must stay within what its extent holds.
struct MetricRange
{
    double low;
    double high;
};

// The field's number in `unit` (a number alone, or one with a unit that converts into it),
// within the range; otherwise the field says why and gives none.
std::optional<TypedNumber> metricOf(QObject *sender, const QString &unit, const MetricRange &range,
                                    const std::function<QString(double)> &shown)
{
    auto *field = qobject_cast<QLineEdit *>(sender);
    if (!field)
        return std::nullopt;
    const TypedNumber typed = readTypedNumber(field->text(), unit);
    QString reason = typed.refusal;
    if (typed.value && !(*typed.value >= range.low && *typed.value <= range.high))
        reason = outOfRangeReason(shown(range.low), shown(range.high));
    if (reason.isEmpty()) {
        field->setToolTip(QString());
        return typed;
    }
    // The field shows the barcode's value again (the caller refreshes it); the note says why
    // what was typed was not taken.
    field->setToolTip(reason);
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), reason, field);
    return std::nullopt;
}

QList<std::shared_ptr<ColorBarcode>> selectedBarcodes(const GraphicList &selection)
{
    QList<std::shared_ptr<ColorBarcode>> found;
    for (const GraphicPtr &graphic : selection)
        if (auto barcode = asBarcode(graphic))
            found.append(barcode);
    return found;
}

// `change` edits one field of a record and says whether it changed anything.
void changeSelectedBarcodes(RectsView *view, const char *actionName,
                            const std::function<bool(ColorBarcode &, TBarInfo &)> &change)
{
    const GraphicList selection = view->selectedObjects();
    if (selection.isEmpty())
        return;
    // Leaving a field without changing it is no edit: no undo step, no changed mark.
    editBarcodeRecords(view, selectedBarcodes(selection), QString::fromLatin1(actionName), change);
    for (const auto &graphic : selection)
        view->invalidateGraphic(graphic.get());
    view->setDrawersItemsState();
}

// Bars and spaces too thin to print would not scan as the data: a width or an adjustment that
// leaves any selected linear barcode such elements is refused, the field saying why.
bool elementsPrintable(RectsView *view, QObject *sender, double TBarInfo::*metric, double value)
{
    for (const auto &barcode : selectedBarcodes(view->selectedObjects())) {
        if (barcode->isSquareSymbol())
            continue;
        TBarInfo record = barcode->getBarInfo();
        record.*metric = value;
        const QString problem = ColorBarcode::elementWidthProblem(record.barW, record.spaceW, record.widthAdjust);
        if (problem.isEmpty())
            continue;
        view->setObjBarcodeDrawerItemsState();
        if (auto *field = qobject_cast<QLineEdit *>(sender)) {
            field->setToolTip(problem);
            QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), problem, field);
        }
        return false;
    }
    return true;
}

} // namespace

void RectsView::setBarcodeDrawer(QWidget *drawer)
{
    barcodeOptDrawerOutlet = drawer;
    setObjBarcodeDrawerItemsState();
}

void RectsView::setObjBarcodeDrawerItemsState()
{
    QWidget *drawer = barcodeOptDrawerOutlet;
    if (!drawer)
        return;
    std::optional<TBarInfo> shown;
    QString problem;
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        auto barcode = asBarcode(graphic);
        if (barcode && barcode->isDrawBarcode()) {
            shown = barcode->getBarInfo();
            problem = BarcodeRenderer::dataProblem(barcode->workingBarInfo());
        }
    }
    if (shown)
        setDrawerBarInfo(*shown);
    // Data that make no symbol: the field says why and shows them in red.
    if (auto *data = drawerControl<QLineEdit>(drawer, BarcodeDrawer::DataTag)) {
        data->setToolTip(problem);
        data->setStyleSheet(problem.isEmpty() ? QString() : QStringLiteral("QLineEdit { color: #a40000; }"));
    }
    if (auto *data = drawerControl<QWidget>(drawer, BarcodeDrawer::DataTag); data && data->parentWidget())
        data->parentWidget()->setVisible(shown.has_value());
    drawer->update();
}

void RectsView::setDrawerBarInfo(const TBarInfo &info)
{
    QWidget *drawer = barcodeOptDrawerOutlet;
    if (auto *data = drawerControl<QLineEdit>(drawer, BarcodeDrawer::DataTag)) {
        const QString text = QString::fromUtf8(info.BarStr.data(), qsizetype(info.BarStr.size()));
        if (data->text() != text)
            data->setText(text);
    }
    if (auto *type = drawerControl<QComboBox>(drawer, BarcodeDrawer::TypeTag))
        selectSymbology(type, info.type);
    if (auto *width = drawerControl<QLineEdit>(drawer, BarcodeDrawer::WidthTag))
        width->setText(measureText(info.barW));
    if (auto *adjust = drawerControl<QLineEdit>(drawer, BarcodeDrawer::AdjustTag))
        adjust->setText(measureText(info.widthAdjust));
    if (auto *height = drawerControl<QLineEdit>(drawer, BarcodeDrawer::HeightTag))
        height->setText(measureText(convertUnitsF(float(info.barH))));
    if (auto *gap = drawerControl<QComboBox>(drawer, BarcodeDrawer::GapTag)) {
        // The gap comes from the design's file as any number: one past the choices (or not a
        // number at all) shows no choice rather than being forced into an index.
        const double choice = std::trunc(double(info.chargap) - 1.0);
        gap->setCurrentIndex(choice >= 0.0 && choice < double(gap->count()) ? int(choice) : -1);
    }
    showHideBarcodeInfoItems(info.type);
    if (auto *unit = drawerControl<QLabel>(drawer, BarcodeDrawer::UnitTag)) {
        const QString key = shortUnitKey(measure());
        const QString text = Language::stringForKey(key);
        unit->setText(text.isEmpty() ? key : text);
    }
}

void RectsView::showHideBarcodeInfoItems(int type)
{
    if (auto *gap = drawerControl<QComboBox>(barcodeOptDrawerOutlet, BarcodeDrawer::GapTag))
        gap->setEnabled(type == BarcodeType::Code39);
    // Square symbols are sized by their frame: no bar metrics to edit.
    const bool linear = !ColorBarcode::isSquareType(type);
    for (int tag : {int(BarcodeDrawer::WidthTag), int(BarcodeDrawer::AdjustTag), int(BarcodeDrawer::HeightTag)})
        if (auto *field = drawerControl<QWidget>(barcodeOptDrawerOutlet, tag))
            field->setEnabled(linear);
}

void RectsView::setBarcodeData(QObject *sender)
{
    auto *field = qobject_cast<QLineEdit *>(sender);
    if (!field)
        return;
    const QByteArray bytes = field->text().toUtf8();
    changeSelectedBarcodes(this, "Barcode Data", [&bytes](ColorBarcode &, TBarInfo &info) {
        const std::string before = info.BarStr;
        info.setData(std::string(bytes.constData(), size_t(bytes.size())));
        return info.BarStr != before;
    });
}

void RectsView::setBarcodeType(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    const int type = selectedSymbology(popUp);
    changeSelectedBarcodes(this, "Barcode Type", [type](ColorBarcode &, TBarInfo &info) {
        if (info.type == type)
            return false;
        info.type = int16_t(type);
        return true;
    });
    // A square symbol can be sized in the inspector, a linear one cannot.
    if (m_objectInfo) {
        m_objectInfo->updateValues();
        m_objectInfo->enableControls();
    }
}

void RectsView::setBarcodeWidth(QObject *sender)
{
    const auto mils = metricOf(sender, QStringLiteral("mils"), {ColorBarcode::minBarWidth, ColorBarcode::maxBarWidth},
                               [](double v) { return measureText(v) + QStringLiteral(" mils"); });
    if (!mils) {
        setObjBarcodeDrawerItemsState();
        return;
    }
    const double value = *mils->value;
    if (!elementsPrintable(this, sender, &TBarInfo::barW, value))
        return;
    // Square symbols are sized by their frame: bar metrics change nothing in them.
    changeSelectedBarcodes(this, "Barcode Width", [value](ColorBarcode &barcode, TBarInfo &info) {
        if (barcode.isSquareSymbol() || info.barW == value)
            return false;
        info.barW = value;
        return true;
    });
}

void RectsView::setBarcodeAdjust(QObject *sender)
{
    const auto mils = metricOf(sender, QStringLiteral("mils"),
                               {-ColorBarcode::maxWidthAdjust, ColorBarcode::maxWidthAdjust},
                               [](double v) { return measureText(v) + QStringLiteral(" mils"); });
    if (!mils) {
        setObjBarcodeDrawerItemsState();
        return;
    }
    const double value = *mils->value;
    if (!elementsPrintable(this, sender, &TBarInfo::widthAdjust, value))
        return;
    changeSelectedBarcodes(this, "Barcode Width Adjust", [value](ColorBarcode &barcode, TBarInfo &info) {
        if (barcode.isSquareSymbol() || info.widthAdjust == value)
            return false;
        info.widthAdjust = value;
        return true;
    });
}

void RectsView::setBarcodeHeight(QObject *sender)
{
    const QString unit = shortUnitKey(measure());
    const auto height = metricOf(sender, unit,
                                 {double(convertUnitsF(float(ColorBarcode::minBarHeight))),
                                  double(convertUnitsF(float(ColorBarcode::maxBarHeight)))},
                                 [unit](double v) { return measureText(v) + QLatin1Char(' ') + unit; });
    if (!height) {
        setObjBarcodeDrawerItemsState();
        return;
    }
    // A height typed in another unit is taken in that unit; one in the canvas unit converts
    // as the field shows it.
    const double inches = height->typedUnit.isEmpty()
        ? double(convertUnits2inchesF(float(*height->value)))
        : height->typedNumber * pointsPerUnit(height->typedUnit).value_or(72.0) / 72.0;
    changeSelectedBarcodes(this, "Barcode Height", [this, inches](ColorBarcode &barcode, TBarInfo &info) {
        // What the field showed, read back, is no change.
        if (barcode.isSquareSymbol()
            || measureText(convertUnitsF(float(info.barH))) == measureText(convertUnitsF(float(inches))))
            return false;
        info.barH = inches;
        return true;
    });
}

void RectsView::setBarcodeGap(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    const double gap = popUp->currentIndex() + 1;
    changeSelectedBarcodes(this, "Barcode Gap", [gap](ColorBarcode &, TBarInfo &info) {
        if (info.chargap == gap)
            return false;
        info.chargap = gap;
        return true;
    });
}

bool RectsView::barcodeSequenceFilesReadable()
{
    const QString page = getCurrPageName();
    QStringList problems;
    for (const GraphicPtr &graphic : std::as_const(rects)) {
        auto barcode = asBarcode(graphic);
        if (!barcode || !graphic->isOnPageNamed(page))
            continue;
        // Read on a copy: the object loads its entries itself when its labels print.
        TSequence sequence = barcode->getSequenceInfo();
        if (!sequence.isPresent || sequence.counter.empty() || !sequence.isFile)
            continue;
        QString message;
        if (!getseq_datafile(sequence, &message)) {
            const QString line = message + QStringLiteral(" (") + QDir::toNativeSeparators(sequence.path) + QLatin1Char(')');
            if (!problems.contains(line))
                problems.append(line);
        }
    }
    if (problems.isEmpty())
        return true;
    Prompts::current().alert(window(), localizedString(QStringLiteral("A barcode's sequence file cannot be read: nothing was written.")),
                             problems.join(QLatin1Char('\n')), {}, Prompts::Warning);
    return false;
}

QString RectsView::coarseBarsMessage(double dotsPerInch) const
{
    const QString page = getCurrPageName();
    QStringList lines;
    for (const GraphicPtr &graphic : std::as_const(rects)) {
        auto barcode = asBarcode(graphic);
        if (!barcode || !barcode->isDrawBarcode() || barcode->isSquareSymbol() || !graphic->isOnPageNamed(page))
            continue;
        const TBarInfo info = barcode->workingBarInfo();
        // The bars as the label's bitmap takes them: turned or not, kept inside the label.
        const QRectF label(0, 0, double(_tlabel.width) * 72.0, double(_tlabel.height) * 72.0);
        auto drawnAt = [&](double dpi) { return barcode->bitmapModule(dpi, label); };
        const int better = BarcodeRenderer::resolutionKeepingBars(info, dotsPerInch, drawnAt);
        if (better == 0)
            continue;
        const double chosen = (info.barW + info.spaceW) / 2.0;
        const double drawn = drawnAt(dotsPerInch);
        const QLocale locale;
        const QString line = Language::withValues(
            localizedString(QStringLiteral("At %@ dpi, bars of %@ mils are drawn %@ mils wide, in whole pixels. Export at %@ dpi to keep their width.")),
            {locale.toString(dotsPerInch, 'f', 0), locale.toString(chosen, 'f', 1), locale.toString(drawn, 'f', 1),
             locale.toString(better)});
        if (!lines.contains(line))
            lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace quillmark
