#pragma once
// The pop-up menus the barcode drawer and the inspector's barcode page share: the
// symbologies the user can choose (item data = the symbology number), the ISBN hyphenation
// patterns in the order of their rows, and the two character-gap scales.
#include <QList>
#include <QString>

class QComboBox;

namespace quillmark {

struct SymbologyItem
{
    int type;
    // The English name, the key of its translation.
    QString name;
};

// The symbologies that draw a symbol, in the order the menus list them.
const QList<SymbologyItem> &symbologyItems();
// Fills a pop-up with the symbologies; each item's data is its symbology number.
void fillSymbologyPopUp(QComboBox *popUp);
// Selects the item of that symbology; a number the menu does not list selects nothing.
void selectSymbology(QComboBox *popUp, int type);
// The symbology of the selected item; 0 when none.
int selectedSymbology(const QComboBox *popUp);

// One item per hyphenation row: the digits as "X" with the hyphens where the row puts them
// ("X-XXXXXXX-X-X" for row 0).
void fillIsbnPatternPopUp(QComboBox *popUp);

// The drawer's gap items: item i means a gap factor of i + 1.
void fillDrawerGapPopUp(QComboBox *popUp);
// The inspector's gap items: item i means a gap factor of (i + 2) / 2.
void fillInspectorGapPopUp(QComboBox *popUp);

} // namespace quillmark
