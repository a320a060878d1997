// The canvas's side of the barcode drawer: it fills the drawer's controls from the selected
// barcode and applies each control's value to every selected barcode through the barcode's
// record (getBarInfo, one field changed, setBarInfo), as one undo step under the control's
// own action name.
#include "canvas/RectsView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <cmath>
#include <functional>
#include <optional>

#include "barcodes/BarcodeDrawer.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/SymbologyMenu.h"
#include "foundation/Language.h"
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
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

double numberOf(QObject *sender, bool *ok)
{
    auto *field = qobject_cast<QLineEdit *>(sender);
    if (!field) {
        *ok = false;
        return 0;
    }
    const double value = leadingDouble(field->text());
    *ok = std::isfinite(value);
    return value;
}

using BarInfoList = QList<std::pair<std::shared_ptr<ColorBarcode>, TBarInfo>>;

QString undoName(const char *key)
{
    return localizedStringFromTable(QString::fromLatin1(key), QStringLiteral("UndoStrings"));
}

// Gives each barcode its record back; the inverse puts the records of now back in turn, so
// undo and redo alternate under the same name.
void restoreBarInfos(RectsView *view, const BarInfoList &records, const QString &name)
{
    BarInfoList now;
    for (const auto &[barcode, info] : records) {
        now.append({barcode, barcode->getBarInfo()});
        view->invalidateGraphic(barcode.get());
        barcode->setBarInfo(info);
        view->invalidateGraphic(barcode.get());
    }
    view->undoManager()->registerUndo([view, now, name] { restoreBarInfos(view, now, name); });
    view->undoManager()->setActionName(name);
    view->setDrawersItemsState();
    view->wasChanged(true);
}

// `change` edits one field of a record and says whether it changed anything.
void changeSelectedBarcodes(RectsView *view, const char *actionName, const std::function<bool(TBarInfo &)> &change)
{
    const GraphicList selection = view->selectedObjects();
    if (selection.isEmpty())
        return;
    BarInfoList before;
    for (const auto &graphic : selection) {
        if (auto barcode = asBarcode(graphic)) {
            TBarInfo info = barcode->getBarInfo();
            const TBarInfo old = info;
            if (change(info)) {
                view->invalidateGraphic(barcode.get());
                barcode->setBarInfo(info);
                before.append({barcode, old});
            }
        }
        view->invalidateGraphic(graphic.get());
    }
    view->setDrawersItemsState();
    // Leaving a field without changing it is no edit.
    if (before.isEmpty())
        return;
    const QString name = undoName(actionName);
    view->undoManager()->registerUndo([view, before, name] { restoreBarInfos(view, before, name); });
    view->undoManager()->setActionName(name);
    view->wasChanged(true);
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
    for (const GraphicPtr &graphic : std::as_const(_selectedObjects)) {
        auto barcode = asBarcode(graphic);
        if (barcode && barcode->isDrawBarcode())
            shown = barcode->getBarInfo();
    }
    if (shown)
        setDrawerBarInfo(*shown);
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
        const int index = int(std::trunc(info.chargap - 1));
        gap->setCurrentIndex(index >= 0 && index < gap->count() ? index : -1);
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
}

void RectsView::setBarcodeData(QObject *sender)
{
    auto *field = qobject_cast<QLineEdit *>(sender);
    if (!field)
        return;
    const QByteArray bytes = field->text().toUtf8();
    changeSelectedBarcodes(this, "Barcode Data", [&bytes](TBarInfo &info) {
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
    changeSelectedBarcodes(this, "Barcode Type", [type](TBarInfo &info) {
        if (info.type == type)
            return false;
        info.type = int16_t(type);
        return true;
    });
}

void RectsView::setBarcodeWidth(QObject *sender)
{
    bool ok = false;
    const double mils = numberOf(sender, &ok);
    // A bar needs some width; the field shows the barcode's own value again.
    if (!ok || mils <= 0) {
        setObjBarcodeDrawerItemsState();
        return;
    }
    changeSelectedBarcodes(this, "Barcode Width", [mils](TBarInfo &info) {
        if (info.barW == mils)
            return false;
        info.barW = mils;
        return true;
    });
}

void RectsView::setBarcodeAdjust(QObject *sender)
{
    bool ok = false;
    const double mils = numberOf(sender, &ok);
    if (!ok) {
        setObjBarcodeDrawerItemsState();
        return;
    }
    changeSelectedBarcodes(this, "Barcode Width Adjust", [mils](TBarInfo &info) {
        if (info.widthAdjust == mils)
            return false;
        info.widthAdjust = mils;
        return true;
    });
}

void RectsView::setBarcodeHeight(QObject *sender)
{
    bool ok = false;
    const double value = numberOf(sender, &ok);
    if (!ok || value <= 0) {
        setObjBarcodeDrawerItemsState();
        return;
    }
    const double inches = convertUnits2inchesF(float(value));
    changeSelectedBarcodes(this, "Barcode Height", [this, inches](TBarInfo &info) {
        // What the field showed, read back, is no change.
        if (measureText(convertUnitsF(float(info.barH))) == measureText(convertUnitsF(float(inches))))
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
    changeSelectedBarcodes(this, "Barcode Gap", [gap](TBarInfo &info) {
        if (info.chargap == gap)
            return false;
        info.chargap = gap;
        return true;
    });
}

} // namespace quillmark
