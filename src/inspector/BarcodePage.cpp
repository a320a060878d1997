#include "inspector/BarcodePage.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "barcodes/BarcodeRecordEdit.h"
#include "barcodes/ColorBarcode.h"
#include "barcodes/SymbologyMenu.h"
#include "canvas/RectsView.h"
#include "foundation/LanguageControls.h"
#include "foundation/MyStepper.h"
#include "inspector/NumberField.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/CanvasServices.h"
#include "platform/ColorWell.h"
#include "platform/Format.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

namespace quillmark {

namespace {

bool isBarcode(const ColorRect &object)
{
    return object.className() == QLatin1String("ColorBarcode");
}

bool isTwoDimensional(int type)
{
    return type == BarcodeType::DataMatrix || type == BarcodeType::QRCode;
}

bool takesIsbnPattern(int type)
{
    return type == BarcodeType::BooklandIsbn || type == BarcodeType::BooklandIsbnPrefixed
        || type == BarcodeType::BooklandIsmn;
}

} // namespace

BarcodePage::BarcodePage(ObjectInfoPanel *info)
    : InspectorPage(info, ObjectInfoPanel::BarcodeTab, QStringLiteral("InspectorBarcode"), QStringLiteral("Barcode"))
{
    addLabel(QStringLiteral("Data"), QRect(4, 4, 198, 18));
    tvBarData = new QPlainTextEdit(this);
    tvBarData->setObjectName(QStringLiteral("tvBarData"));
    tvBarData->setGeometry(4, 22, 198, 52);
    tvBarData->setTabChangesFocus(true);
    // The window's Undo takes back the data as typed into the barcodes; the view keeps no
    // undo of its own that would differ from it.
    tvBarData->setUndoRedoEnabled(false);
    tvBarData->installEventFilter(this);
    connect(tvBarData->document(), &QTextDocument::contentsChanged, this, [this] { textStorageDidProcessEditing(); });

    addLabel(QStringLiteral("Type"), QRect(4, 80, 60, 22));
    pbBarType = new QComboBox(this);
    pbBarType->setObjectName(QStringLiteral("pbBarType"));
    pbBarType->setGeometry(64, 80, 138, 22);
    fillSymbologyPopUp(pbBarType);
    // Whether the pop-up is used from the keyboard or with the mouse, in it or in its list.
    pbBarType->installEventFilter(this);
    pbBarType->view()->installEventFilter(this);
    pbBarType->view()->viewport()->installEventFilter(this);

    lblDataProblem = new QLabel(this);
    lblDataProblem->setObjectName(QStringLiteral("lblDataProblem"));
    lblDataProblem->setWordWrap(true);
    lblDataProblem->setStyleSheet(QStringLiteral("QLabel { color: #a40000; }"));
    lblDataProblem->setGeometry(4, 108, 198, 30);
    lblDataProblem->hide();

    lblWidth = addLabel(QStringLiteral("Bar Width"), QRect(4, 108, 98, 22));
    tvBarWidth = addField(QStringLiteral("tvBarWidth"), QRect(104, 108, 72, 22));
    spBarWidth = addStepper(QStringLiteral("spBarWidth"), QRect(177, 108, 13, 22), 1.0, 100.0, 1.0);
    lblWidthAdjust = addLabel(QStringLiteral("Width Adjust"), QRect(4, 136, 98, 22));
    tvBarAdjust = addField(QStringLiteral("tvBarAdjust"), QRect(104, 136, 72, 22));
    spBarAdjust = addStepper(QStringLiteral("spBarAdjust"), QRect(177, 136, 13, 22), -20.0, 20.0, 1.0);
    lblHeight = addLabel(QStringLiteral("Bar Height"), QRect(4, 164, 98, 22));
    tvBarHeight = addField(QStringLiteral("tvBarHeight"), QRect(104, 164, 72, 22));
    spBarHeight = addStepper(QStringLiteral("spBarHeight"), QRect(177, 164, 13, 22), 0.05, 20.0, 0.05);
    // The metrics a symbol can be drawn with; others are refused with the reason.
    tvBarWidth->setAcceptedRange(ColorBarcode::minBarWidth, ColorBarcode::maxBarWidth);
    tvBarAdjust->setAcceptedRange(-ColorBarcode::maxWidthAdjust, ColorBarcode::maxWidthAdjust);
    tvBarHeight->setAcceptedRange(ColorBarcode::minBarHeight, ColorBarcode::maxBarHeight);

    // The gap applies to one symbology no menu offers; the pop-up stays hidden for good.
    pbBarGap = new QComboBox(this);
    pbBarGap->setObjectName(QStringLiteral("pbBarGap"));
    pbBarGap->setGeometry(84, 192, 90, 22);
    fillInspectorGapPopUp(pbBarGap);
    pbBarGap->setEnabled(false);
    pbBarGap->hide();

    btnHRT = addCheckBox(QStringLiteral("btnHRT"), QStringLiteral("Human-Readable Text"), QRect(4, 192, 198, 20));
    lblColor = addLabel(QStringLiteral("Color"), QRect(4, 218, 60, 22));
    cwBarcodeColor = addColorWell(QStringLiteral("cwBarcodeColor"), QRect(64, 218, 44, 22));

    lbISBNPattern = addLabel(QStringLiteral("ISBN Pattern"), QRect(4, 246, 80, 22));
    pbISBNPattern = new QComboBox(this);
    pbISBNPattern->setObjectName(QStringLiteral("pbISBNPattern"));
    pbISBNPattern->setGeometry(84, 246, 118, 22);
    fillIsbnPatternPopUp(pbISBNPattern);

    rbData = new QRadioButton(QStringLiteral("Typed Data"), this);
    rbData->setObjectName(QStringLiteral("rbData"));
    rbData->setGeometry(4, 274, 198, 20);
    rbDatabaseField = new QRadioButton(QStringLiteral("Database Field"), this);
    rbDatabaseField->setObjectName(QStringLiteral("rbDatabaseField"));
    rbDatabaseField->setGeometry(4, 296, 198, 20);
    // The action turns one on and the other off itself.
    for (QRadioButton *radio : {rbData, rbDatabaseField}) {
        radio->setAutoExclusive(false);
        LanguageControls::awakeFromNib(radio);
    }
    pbBarFieldType = new QComboBox(this);
    pbBarFieldType->setObjectName(QStringLiteral("pbBarFieldType"));
    pbBarFieldType->setGeometry(22, 318, 180, 22);
    setMinimumHeight(346);

    connectEdit(pbBarType, &QComboBox::activated, [this] { setBarType(pbBarType); });
    connectValue(tvBarWidth, [this](QObject *s) { setBarWidth(s); });
    connectValue(spBarWidth, [this](QObject *s) { setBarWidth(s); });
    connectValue(tvBarAdjust, [this](QObject *s) { setBarAdjust(s); });
    connectValue(spBarAdjust, [this](QObject *s) { setBarAdjust(s); });
    connectValue(tvBarHeight, [this](QObject *s) { setBarHeight(s); });
    connectValue(spBarHeight, [this](QObject *s) { setBarHeight(s); });
    connectEdit(pbBarGap, &QComboBox::activated, [this] { setBarGap(pbBarGap); });
    connectValue(btnHRT, [this](QObject *s) { setHRT(s); });
    connectValue(cwBarcodeColor, [this](QObject *s) { setBarcodeColor(s); });
    connectEdit(pbISBNPattern, &QComboBox::activated, [this] { setISBNPattern(pbISBNPattern); });
    connectEdit(rbData, &QRadioButton::clicked, [this] { barDataChange(rbData); });
    connectEdit(rbDatabaseField, &QRadioButton::clicked, [this] { barDataChange(rbDatabaseField); });
    connectEdit(pbBarFieldType, &QComboBox::activated, [this] { setBarFieldType(pbBarFieldType); });
}

QList<std::shared_ptr<ColorBarcode>> BarcodePage::barcodes() const
{
    QList<std::shared_ptr<ColorBarcode>> found;
    for (const std::shared_ptr<ColorRect> &object : selection())
        if (isBarcode(*object))
            if (auto barcode = std::dynamic_pointer_cast<ColorBarcode>(object))
                found.append(barcode);
    return found;
}

ColorBarcode *BarcodePage::endBarcode(bool last) const
{
    // The controls show the first or the last barcode's values: found from that end, so
    // that a refresh over thousands of selected barcodes does not gather them all for each.
    const GraphicList &objects = selection();
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const std::shared_ptr<ColorRect> &object = objects[last ? objects.size() - 1 - i : i];
        if (isBarcode(*object))
            if (auto *barcode = dynamic_cast<ColorBarcode *>(object.get()))
                return barcode;
    }
    return nullptr;
}

// ---- getters ----

QString BarcodePage::barData() const
{
    const ColorBarcode *first = endBarcode(false);
    return first ? first->getBarcodeString() : QString();
}

int BarcodePage::barType() const
{
    const ColorBarcode *first = endBarcode(false);
    return first ? first->getBarInfo().type : -1;
}

QString BarcodePage::barWidth() const
{
    const ColorBarcode *last = endBarcode(true);
    return last ? fmt2(last->getBarInfo().barW) : QString();
}

QString BarcodePage::barAdjust() const
{
    const ColorBarcode *last = endBarcode(true);
    return last ? fmt2(last->getBarInfo().widthAdjust) : QString();
}

QString BarcodePage::barHeight() const
{
    // In the canvas unit, as the drawer shows it.
    const ColorBarcode *last = endBarcode(true);
    return last ? fmt2(RectsView::convertUnitsF(float(last->getBarInfo().barH), info()->measure())) : QString();
}

int BarcodePage::barGap() const
{
    const ColorBarcode *first = endBarcode(false);
    if (!first)
        return -2;
    // A file may hold any number here: one far past the pop-up's items, or none, is no item.
    const double item = std::trunc(2.0 * first->getBarInfo().chargap) - 2.0;
    return item >= -2.0 && item <= 1000.0 ? int(item) : -1;
}

int BarcodePage::hrt() const
{
    int state = 0;
    const GraphicList &objects = selection();
    for (int i = 0; i < objects.size(); ++i) {
        if (!isBarcode(*objects[i]))
            continue;
        auto *barcode = dynamic_cast<ColorBarcode *>(objects[i].get());
        if (!barcode)
            continue;
        const int flag = barcode->getBarInfo().HRT ? 1 : 0;
        if (i == 0)
            state = flag;
        else if (flag != state)
            return -1;
    }
    return state;
}

int BarcodePage::isbnPattern() const
{
    const ColorBarcode *first = endBarcode(false);
    return first ? int(first->getBarInfo().isbnFormat) : 0;
}

int BarcodePage::barFieldType() const
{
    const ColorBarcode *first = endBarcode(false);
    return first ? first->fieldPk() : 0;
}

// ---- the record edits ----

bool BarcodePage::changeRecords(const QString &actionKey, const std::function<bool(ColorBarcode &, TBarInfo &)> &change)
{
    return editBarcodeRecords(info()->rectsView(), barcodes(), actionKey, change);
}

void BarcodePage::finishRecordAction(bool invalidateAlways)
{
    if (invalidateAlways || !selection().isEmpty())
        info()->invalidateCanvas();
    if (CanvasServices *canvas = info()->rectsView())
        canvas->setDrawersItemsState();
    // The frame follows the symbol.
    info()->updateObjectValues();
    // A changed record marked the design changed itself; an edit that changed nothing does
    // not, unless there was no barcode to edit at all.
    if (!endBarcode(false))
        info()->wasChanged();
    info()->makeRectViewKey();
}

void BarcodePage::textStorageDidProcessEditing()
{
    if (!m_listening || m_editPending)
        return;
    // After the text system has finished the edit, on the next turn of the event loop.
    m_editPending = true;
    QTimer::singleShot(0, this, [this] {
        m_editPending = false;
        applyEdit([this] { processEdit(); });
    });
}

void BarcodePage::processEdit()
{
    setBarData(tvBarData);
}

bool BarcodePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tvBarData) {
        if (event->type() == QEvent::FocusOut)
            endDataEdit();
        // Undo and Redo are the window's: they take back the whole edit of the barcodes.
        if (event->type() == QEvent::ShortcutOverride) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
                endDataEdit();
                key->ignore();
                return true;
            }
        }
    } else if (watched == pbBarType || watched == pbBarType->view() || watched == pbBarType->view()->viewport()) {
        if (event->type() == QEvent::KeyPress)
            m_typeFromKeyboard = true;
        else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease
                 || event->type() == QEvent::Wheel)
            m_typeFromKeyboard = false;
    }
    return InspectorPage::eventFilter(watched, event);
}

void BarcodePage::setBarData(QObject *sender)
{
    auto *view = qobject_cast<QPlainTextEdit *>(sender);
    if (!view)
        return;
    const QByteArray bytes = view->toPlainText().toUtf8();
    auto write = [&bytes](ColorBarcode &, TBarInfo &info) {
        const std::string before = info.BarStr;
        info.setData(std::string(bytes.constData(), size_t(bytes.size())));
        return info.BarStr != before;
    };
    // The first change of the edit registers the way back to the data before it; the rest of
    // the edit goes into the records without a step of its own.
    CanvasServices *canvas = info()->rectsView();
    UndoManager *undo = canvas ? canvas->undoManager() : nullptr;
    const bool continuing = m_dataEditOpen && undo;
    m_applyingData = true;
    if (continuing)
        undo->disableUndoRegistration();
    const bool changed = changeRecords(QStringLiteral("Barcode Data"), write);
    if (continuing)
        undo->enableUndoRegistration();
    if (changed && !continuing)
        m_dataEditOpen = view->hasFocus();
    // Filling the view from another barcode is no edit of this one.
    if (!changed) {
        m_applyingData = false;
        return;
    }
    if (!selection().isEmpty())
        info()->invalidateCanvas();
    if (canvas)
        canvas->setDrawersItemsState();
    info()->updateObjectValues();
    m_applyingData = false;
    showDataProblem();
    // The typing goes on in the view.
}

void BarcodePage::setBarType(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    const int type = selectedSymbology(popUp);
    const auto found = barcodes();
    if (!found.isEmpty()) {
        UserDefaults::standard().setInteger(type, QStringLiteral("BarcodeType"));
        UserDefaults::standard().synchronize();
    }
    // The type and the typed data put back with it are one step.
    CanvasServices *canvas = info()->rectsView();
    UndoManager *undo = canvas ? canvas->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const auto &barcode : found) {
        if (type == BarcodeType::Code128B && barcode->useAddressData()) {
            if (const auto kept = barcode->saveBarData()) {
                tvBarData->setPlainText(*kept);
                processEdit();
            }
            barcode->setUseAddressData(false);
        }
    }
    changeRecords(QStringLiteral("Barcode Type"), [type](ColorBarcode &, TBarInfo &record) {
        if (record.type == type)
            return false;
        record.type = int16_t(type);
        return true;
    });
    if (undo)
        undo->endUndoGrouping();
    if (!selection().isEmpty())
        info()->invalidateCanvas();
    if (canvas)
        canvas->setDrawersItemsState();
    // A square symbol can be sized, a linear one cannot: the geometry controls follow too.
    info()->updateValues();
    info()->enableControls();
    if (found.isEmpty())
        info()->wasChanged();
    // Chosen with the arrow keys, the pop-up keeps them for the next choice; they would
    // nudge the barcode on the canvas.
    if (!(m_typeFromKeyboard && popUp->hasFocus()))
        info()->makeRectViewKey();
}

void BarcodePage::setBarWidth(QObject *sender)
{
    setLinearMetric(sender, tvBarWidth, spBarWidth, true, ColorBarcode::minBarWidth, ColorBarcode::maxBarWidth,
                    QStringLiteral("Barcode Width"), &TBarInfo::barW);
}

void BarcodePage::setBarAdjust(QObject *sender)
{
    setLinearMetric(sender, tvBarAdjust, spBarAdjust, true, -ColorBarcode::maxWidthAdjust,
                    ColorBarcode::maxWidthAdjust, QStringLiteral("Barcode Width Adjust"), &TBarInfo::widthAdjust);
}

void BarcodePage::setBarHeight(QObject *sender)
{
    // The field and the stepper show the canvas unit; the record keeps inches.
    const QString unit = info()->measure();
    setLinearMetric(sender, tvBarHeight, spBarHeight, false, ColorBarcode::minBarHeight, ColorBarcode::maxBarHeight,
                    QStringLiteral("Barcode Height"), &TBarInfo::barH,
                    [unit](double shown) { return double(RectsView::convertUnits2inchesF(float(shown), unit)); },
                    [unit](double inches) { return double(RectsView::convertUnitsF(float(inches), unit)); });
}

void BarcodePage::setLinearMetric(QObject *sender, NumberField *field, MyStepper *stepper, bool wholeSteps,
                                  double minimum, double maximum, const QString &actionKey, double TBarInfo::*metric,
                                  const std::function<double(double)> &stored,
                                  const std::function<double(double)> &shown)
{
    double value = takeMetric(sender, field, stepper, wholeSteps);
    if (stored) {
        value = stored(value);
        // Turned back into the record's unit, a bound the field took may land a hair past.
        if (value < minimum && value >= minimum * (1.0 - 1e-6))
            value = minimum;
        if (value > maximum && value <= maximum * (1.0 + 1e-6))
            value = maximum;
    }
    // The field refuses what is out of bounds with the reason; a stepper stays within them.
    if (!(value >= minimum && value <= maximum)) {
        updateValues();
        return;
    }
    // Bars and spaces that the width and its adjustment leave too thin to print would not
    // scan as the data: refused beside the field, with the adjustments these bars take.
    if (metric == &TBarInfo::barW || metric == &TBarInfo::widthAdjust) {
        for (const auto &barcode : barcodes()) {
            if (barcode->isSquareSymbol())
                continue;
            TBarInfo record = barcode->getBarInfo();
            record.*metric = value;
            const QString problem = ColorBarcode::elementWidthProblem(record.barW, record.spaceW, record.widthAdjust);
            if (!problem.isEmpty()) {
                updateValues();
                field->refuseValue(problem);
                return;
            }
        }
    }
    // Square symbols are sized by their frame: bar metrics change nothing in them.
    // A value converted back from the field is the record's when the field shows both alike.
    auto same = [&](double held) {
        return stored ? field->formatted(shown(held)) == field->formatted(shown(value)) : held == value;
    };
    changeRecords(actionKey, [value, metric, &same](ColorBarcode &barcode, TBarInfo &record) {
        if (barcode.isSquareSymbol() || same(record.*metric))
            return false;
        record.*metric = value;
        return true;
    });
    finishRecordAction();
}

double BarcodePage::takeMetric(QObject *sender, NumberField *field, MyStepper *stepper, bool wholeSteps)
{
    if (sender == stepper) {
        // The stepper's value goes into the field, whole mils for the widths.
        const double value = wholeSteps ? std::trunc(stepper->doubleValue()) : stepper->doubleValue();
        field->setFloatValue(value);
        return value;
    }
    // A typed value moves the stepper along, so that its next step starts from it.
    const double value = floatValueOf(sender);
    const QSignalBlocker blocker(stepper);
    stepper->setDoubleValue(value);
    return value;
}

void BarcodePage::setBarGap(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    const double gap = (popUp->currentIndex() + 2) / 2.0;
    changeRecords(QStringLiteral("Barcode Gap"), [gap](ColorBarcode &, TBarInfo &record) {
        if (record.type != BarcodeType::Code39 || record.chargap == gap)
            return false;
        record.chargap = gap;
        return true;
    });
    finishRecordAction();
}

void BarcodePage::setHRT(QObject *sender)
{
    const uint8_t flag = intValueOf(sender) == 1 ? 1 : 0;
    changeRecords(QString(), [flag](ColorBarcode &, TBarInfo &record) {
        if (record.HRT == flag)
            return false;
        record.HRT = flag;
        return true;
    });
    finishRecordAction(true);
}

void BarcodePage::setISBNPattern(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    const int row = popUp->currentIndex();
    changeRecords(QString(), [row](ColorBarcode &, TBarInfo &record) {
        if (record.isbnFormat == row)
            return false;
        record.isbnFormat = row;
        return true;
    });
    finishRecordAction(true);
}

void BarcodePage::setBarcodeColor(QObject *sender)
{
    auto *well = qobject_cast<ColorWell *>(sender);
    if (!well)
        return;
    // The bars and their text take the colour, one undoable step for the selection.
    const auto found = barcodes();
    for (const auto &barcode : found) {
        barcode->setTextColor(well->color());
        info()->invalidateGraphic(barcode.get());
    }
    if (!found.isEmpty())
        info()->wasChanged();
}

void BarcodePage::barDataChange(QObject *sender)
{
    const bool typed = sender == rbData;
    rbData->setChecked(typed);
    rbDatabaseField->setChecked(!typed);
    pbBarFieldType->setEnabled(rbData->isEnabled() && rbDatabaseField->isEnabled() && !rbData->isChecked());
    const QVariant chosen = pbBarFieldType->currentData();
    const int key = rbDatabaseField->isChecked() && chosen.isValid() ? chosen.toInt() : 0;
    const auto found = barcodes();
    QList<std::pair<std::shared_ptr<ColorRect>, int>> bindings;
    for (const auto &barcode : found) {
        // The choice it has already leaves no step for Undo.
        if (barcode->fieldPk() != key)
            bindings.append({barcode, key});
    }
    ColorRect::setFieldPks(bindings);
    for (const auto &[barcode, pk] : std::as_const(bindings)) {
        barcode->updateframeSize();
        info()->invalidateGraphic(barcode.get());
    }
    if (found.isEmpty())
        return;
    info()->invalidateCanvas();
    info()->wasChanged();
    info()->makeRectViewKey();
}

void BarcodePage::setBarFieldType(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp || popUp->currentIndex() < 0)
        return;
    const int key = popUp->currentData().toInt();
    const auto found = barcodes();
    if (found.isEmpty())
        return;
    QList<std::pair<std::shared_ptr<ColorRect>, int>> bindings;
    for (const auto &barcode : found)
        bindings.append({barcode, key});
    ColorRect::setFieldPks(bindings);
    for (const auto &barcode : found) {
        barcode->updateframeSize();
        info()->invalidateGraphic(barcode.get());
    }
    // The choice is remembered once for the command, not written to disk for each barcode.
    UserDefaults::standard().setInteger(key, QStringLiteral("BarFieldType"));
    UserDefaults::standard().synchronize();
    info()->invalidateCanvas();
    info()->wasChanged();
    info()->makeRectViewKey();
    info()->enableBar();
}

// ---- refresh ----

void BarcodePage::updateFormatters()
{
    // The bar height in the canvas unit, as in the drawer: its bounds to the hundredth the
    // field shows, rounded inwards, so that the bound the note names is taken.
    const QString unit = info()->measure();
    tvBarHeight->setFormat(QStringLiteral("#,###.00 ") + ObjectInfoPanel::unitSuffix(unit));
    // The conversion is in single precision: 20 in is 50.7999 cm there.
    const double low = std::ceil(double(RectsView::convertUnitsF(float(ColorBarcode::minBarHeight), unit)) * 100.0 - 1e-3) / 100.0;
    const double high = std::floor(double(RectsView::convertUnitsF(float(ColorBarcode::maxBarHeight), unit)) * 100.0 + 1e-3) / 100.0;
    tvBarHeight->setAcceptedRange(low, high);
    spBarHeight->setMinValue(low);
    spBarHeight->setMaxValue(high);
    spBarHeight->setIncrement(double(RectsView::convertUnitsF(0.05f, unit)));
    tvBarWidth->setFormat(QStringLiteral("#,###.0 mils"));
    tvBarAdjust->setFormat(QStringLiteral("#,###.0 mils"));
}

void BarcodePage::updateValues()
{
    // Filled from the selection anew (not by the typing itself): the next typing is a new edit.
    if (!m_applyingData)
        endDataEdit();
    // Filling the data view is no typing.
    m_listening = false;
    const ColorBarcode *first = endBarcode(false);
    if (first) {
        const QString data = barData();
        if (tvBarData->toPlainText() != data) {
            // A text cut to what the record holds: the typing goes on at its end.
            const bool typing = tvBarData->hasFocus();
            tvBarData->setPlainText(data);
            if (typing)
                tvBarData->moveCursor(QTextCursor::End);
        }
        selectSymbology(pbBarType, barType());
        tvBarWidth->setStringValue(barWidth());
        tvBarAdjust->setStringValue(barAdjust());
        tvBarHeight->setStringValue(barHeight());
        const int state = hrt();
        setState(btnHRT, state);
        btnHRT->setTristate(state == -1);
    } else {
        tvBarData->clear();
        selectSymbology(pbBarType, 0);
        tvBarWidth->clear();
        tvBarAdjust->clear();
        tvBarHeight->clear();
        setState(btnHRT, -1);
    }
    m_listening = true;

    cwBarcodeColor->setColor(first ? first->textColor() : lightGray());
    for (auto [field, stepper] : {std::pair{tvBarWidth, spBarWidth}, std::pair{tvBarAdjust, spBarAdjust},
                                  std::pair{tvBarHeight, spBarHeight}}) {
        const QSignalBlocker blocker(stepper);
        stepper->setDoubleValue(double(field->floatValue()));
    }
    const int gap = barGap();
    pbBarGap->setCurrentIndex(gap >= 0 && gap < pbBarGap->count() ? gap : -1);
    const int key = barFieldType();
    if (key != 0) {
        const int index = pbBarFieldType->findData(key);
        if (index >= 0)
            pbBarFieldType->setCurrentIndex(index);
    }
    rbData->setChecked(key == 0);
    rbDatabaseField->setChecked(key >= 1);
    const ColorBarcode *last = endBarcode(true);
    const int type = last ? last->getBarInfo().type : 0;
    const int row = isbnPattern();
    pbISBNPattern->setCurrentIndex(takesIsbnPattern(type) && row >= 0 && row < pbISBNPattern->count() ? row : 0);
    info()->enableBar();
    showDataProblem();
}

void BarcodePage::showDataProblem()
{
    const ColorBarcode *first = endBarcode(false);
    QString problem;
    // A bound barcode is judged by the current record's value, as it prints.
    if (first && first->isDrawBarcode())
        problem = BarcodeRenderer::dataProblem(first->workingBarInfo());
    if (lblDataProblem->text() == problem && lblDataProblem->isHidden() == problem.isEmpty())
        return;
    lblDataProblem->setText(problem);
    lblDataProblem->setVisible(!problem.isEmpty());
    layOutRows();
}

void BarcodePage::enableControls()
{
    const GraphicList &objects = selection();
    bool selected = false;
    bool twoDimensional = false;
    int type = 0;
    for (const std::shared_ptr<ColorRect> &object : objects) {
        if (!isBarcode(*object))
            continue;
        auto *barcode = dynamic_cast<ColorBarcode *>(object.get());
        if (!barcode)
            continue;
        selected = true;
        type = barcode->getBarInfo().type;
        if (isTwoDimensional(type)) {
            twoDimensional = true;
            break;
        }
    }
    tvBarData->setReadOnly(!selected);
    tvBarData->setEnabled(selected);
    pbBarType->setEnabled(selected);
    cwBarcodeColor->setEnabled(selected);
    const bool hidden = selected && twoDimensional;
    for (QLabel *label : {lblWidth, lblWidthAdjust, lblHeight})
        label->setVisible(!hidden);
    for (QWidget *control : std::initializer_list<QWidget *>{tvBarWidth, tvBarAdjust, tvBarHeight, btnHRT, spBarWidth,
                                                            spBarAdjust, spBarHeight}) {
        control->setEnabled(selected && !twoDimensional);
        control->setVisible(!hidden);
    }
    pbBarFieldType->setEnabled(selected && !rbData->isChecked());
    rbData->setEnabled(selected);
    rbDatabaseField->setEnabled(selected);
    const bool isbn = takesIsbnPattern(type);
    pbISBNPattern->setEnabled(isbn);
    pbISBNPattern->setVisible(isbn);
    lbISBNPattern->setVisible(isbn);
    layOutRows();
}

void BarcodePage::layOutRows()
{
    // The rows below the type close up over the hidden ones: a square symbol has no bar
    // metrics, and only the Bookland codes take a pattern.
    struct Row
    {
        QList<QWidget *> controls;
        int height;
    };
    // The note wraps within the page's width; without a text it takes no height.
    const int noteHeight = lblDataProblem->text().isEmpty() ? 0 : lblDataProblem->heightForWidth(198);
    lblDataProblem->setFixedSize(198, std::max(noteHeight, 0));
    const Row rows[] = {
        {{lblDataProblem}, lblDataProblem->height() + 6},
        {{lblWidth, tvBarWidth, spBarWidth}, 28},
        {{lblWidthAdjust, tvBarAdjust, spBarAdjust}, 28},
        {{lblHeight, tvBarHeight, spBarHeight}, 28},
        {{btnHRT}, 26},
        {{lblColor, cwBarcodeColor}, 28},
        {{lbISBNPattern, pbISBNPattern}, 28},
        {{rbData}, 22},
        {{rbDatabaseField}, 22},
        {{pbBarFieldType}, 28},
    };
    int y = 108;
    for (const Row &row : rows) {
        const bool shown = std::any_of(row.controls.begin(), row.controls.end(),
                                       [](const QWidget *control) { return !control->isHidden(); });
        if (!shown)
            continue;
        for (QWidget *control : row.controls)
            control->move(control->x(), y);
        y += row.height;
    }
    setMinimumHeight(y + 6);
}

} // namespace quillmark
