#include "common/SheetDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace qmtest {

void presentSheet(QDialog &sheet)
{
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    sheet.activateWindow();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QLineEdit *sheetField(QDialog &sheet, const QString &name)
{
    auto *field = sheet.findChild<QLineEdit *>(name);
    EXPECT_TRUE(field) << "no field " << name.toStdString();
    return field;
}

QPushButton *sheetButton(QDialog &sheet, const QString &name)
{
    auto *button = sheet.findChild<QPushButton *>(name);
    EXPECT_TRUE(button) << "no button " << name.toStdString();
    return button;
}

void typeIntoField(QLineEdit *field, const QString &text)
{
    if (!field)
        return;
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    // Leaving the field ends its editing, as Tab does for the user.
    QTest::keyClick(field, Qt::Key_Tab);
    if (field->hasFocus())
        field->clearFocus();
}

void typeIntoField(QDialog &sheet, const QString &name, const QString &text)
{
    typeIntoField(sheetField(sheet, name), text);
}

bool clickSheetButton(QDialog &sheet, const QString &name)
{
    QPushButton *button = sheetButton(sheet, name);
    if (!button || !button->isEnabled())
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

} // namespace qmtest
