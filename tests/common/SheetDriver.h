#pragma once
// Working a sheet of the application as the user does: shown and active, text typed into its
// fields and the field left with Tab, its buttons clicked. Used inside the answers queued on
// TestPrintPanels, so the sheet's own controls and rules are what the test goes through.
#include <QString>

class QDialog;
class QLineEdit;
class QPushButton;

namespace qmtest {

// Shows the sheet (offscreen) and makes it the active window, laid out at its size.
void presentSheet(QDialog &sheet);
// The sheet's field or button with that object name; the test fails without one.
QLineEdit *sheetField(QDialog &sheet, const QString &name);
QPushButton *sheetButton(QDialog &sheet, const QString &name);
// Replaces the field's text by typing, then Tab ends its editing.
void typeIntoField(QLineEdit *field, const QString &text);
void typeIntoField(QDialog &sheet, const QString &name, const QString &text);
// Clicks a button of the sheet when it is enabled; answers whether it was.
bool clickSheetButton(QDialog &sheet, const QString &name);

} // namespace qmtest
