#include "barcodes/SymbologyMenu.h"

#include <QComboBox>

#include "barcodes/TBarInfo.h"
#include "barcodes/UpcEan.h"
#include "foundation/LanguageControls.h"
#include "platform/LocalNumber.h"

namespace quillmark {

const QList<SymbologyItem> &symbologyItems()
{
    static const QList<SymbologyItem> items = {
        {BarcodeType::Code128B, QStringLiteral("Code 128")},
        {BarcodeType::Code128A, QStringLiteral("Code 128 (Set A)")},
        {BarcodeType::Code128C, QStringLiteral("Code 128 (Set C)")},
        {BarcodeType::UpcA, QStringLiteral("UPC-A")},
        {BarcodeType::UpcE, QStringLiteral("UPC-E")},
        {BarcodeType::Ean13, QStringLiteral("EAN-13")},
        {BarcodeType::Ean8, QStringLiteral("EAN-8")},
        {BarcodeType::BooklandIsbn, QStringLiteral("Bookland ISBN")},
        {BarcodeType::BooklandIsbnPrefixed, QStringLiteral("Bookland ISBN-13")},
        {BarcodeType::BooklandIssn, QStringLiteral("Bookland ISSN")},
        {BarcodeType::BooklandIsmn, QStringLiteral("Bookland ISMN")},
        {BarcodeType::Postnet, QStringLiteral("POSTNET")},
        {BarcodeType::DataMatrix, QStringLiteral("Data Matrix")},
        {BarcodeType::QRCode, QStringLiteral("QR Code")},
    };
    return items;
}

void fillSymbologyPopUp(QComboBox *popUp)
{
    popUp->clear();
    for (const SymbologyItem &item : symbologyItems())
        popUp->addItem(item.name, item.type);
    // The English names stay the items' keys, so a change of language renames them.
    LanguageControls::awakeFromNib(popUp);
    LanguageControls::refreshLanguage(popUp);
}

void selectSymbology(QComboBox *popUp, int type)
{
    popUp->setCurrentIndex(popUp->findData(type));
}

int selectedSymbology(const QComboBox *popUp)
{
    const QVariant data = popUp->currentData();
    return data.isValid() ? data.toInt() : 0;
}

void fillIsbnPatternPopUp(QComboBox *popUp)
{
    popUp->clear();
    for (int row = 0; row < isbnHyphenRowCount(); ++row) {
        QString pattern = QString::fromStdString(formatIsbnWithCheckDigit(row, "000000000"));
        pattern.replace(QLatin1Char('0'), QLatin1Char('X'));
        popUp->addItem(pattern);
    }
}

void fillDrawerGapPopUp(QComboBox *popUp)
{
    popUp->clear();
    for (int i = 0; i < 4; ++i)
        popUp->addItem(QString::number(i + 1));
}

void fillInspectorGapPopUp(QComboBox *popUp)
{
    popUp->clear();
    for (int i = 0; i < 7; ++i)
        popUp->addItem(localNumber((i + 2) / 2.0, 'f', 1));
}

} // namespace quillmark
