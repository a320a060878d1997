#pragma once
// Measures the texts a window shows against the room it gives them, finding the controls
// itself (no list of names to fall behind the windows): labels (wrapped ones too), buttons,
// check boxes, tabs, header sections, group titles, menu bar titles, the text inside line
// edits and spin boxes, every item of a combo box (each may be chosen and shown), every item
// of a list, tree or table, the texts a view paints itself (PaintedTexts), the notes number
// fields show beside themselves, and whether a window fits the screen's free area.
#include <QHash>
#include <QRect>
#include <QSet>
#include <QString>
#include <QStringList>

class QMenu;
class QWidget;

namespace textwalk {

class TextWalk
{
public:
    // `screen` is the free area of the screen the windows are on.
    TextWalk(QString language, const QRect &screen);

    // Every visible control under `root` (`root` too), measured.
    void walk(QWidget *root, const QString &where);
    // The window and the least size its layout asks for lie inside the screen's free area.
    void fitsScreen(QWidget *window, const QString &where);
    // Each visible, enabled number field under `root` is given a length in a unit it does not
    // take; the note that refuses it must show whole, inside the screen's free area.
    void refusalNotes(QWidget *root, const QString &where);

    // Every widget under `root` (`root` too) is asked for its context menu as a right click
    // over its middle asks; each menu that opens is read, its submenus too, and closed. Every
    // item must speak the language: in English a text of the tables, in another language no
    // English text that the language's table translates.
    void contextMenus(QWidget *root, const QString &where);
    // The tool tips of every control under `root`, and of the actions its tool buttons show,
    // speak the language.
    void toolTips(QWidget *root, const QString &where);
    // The menus contextMenus() read, and the texts it and toolTips() checked.
    int menusRead() const { return m_menusRead; }
    int textsSpoken() const { return m_spoken; }

    const QStringList &problems() const { return m_problems; }
    int measured() const { return m_measured; }
    int notes() const { return m_notes; }

private:
    void measure(QWidget *widget, const QString &where);
    void measureLabel(QWidget *widget, const QString &where);
    void measureLineEdit(QWidget *widget, const QString &where);
    void measureField(QWidget *widget, const QString &where);
    void measureComboItems(QWidget *widget, const QString &where);
    void measureItems(QWidget *widget, const QString &where);
    void measurePainted(QWidget *widget, const QString &where);

    void problem(const QString &where, const QWidget *widget, const QString &what);
    // A text the program shows in a menu or tool tip, in the language; `mustBeKey` in English
    // asks for a text of the tables.
    void spoken(const QWidget *widget, const QString &where, const QString &text, bool mustBeKey);
    void readMenu(QMenu *menu, const QString &where, QSet<const QMenu *> &read, bool qtOwn);
    void clipped(const QWidget *widget, const QString &where, const QString &text, int needs, int has);
    void cutBelow(const QWidget *widget, const QString &where, const QString &text, int needs, int has);
    void textIn(const QWidget *widget, const QString &where, const QString &text, int needs, const QRect &room);
    int visibleWidth(const QWidget *widget, QRect span) const;

    QString m_language;
    QRect m_screen;
    QStringList m_problems;
    int m_measured = 0;
    int m_notes = 0;
    QSet<const QWidget *> m_typedInto;
    QHash<const QWidget *, QString> m_measuredViews;
    QSet<QString> m_programWords;
    // The English texts and what this language's table says for each.
    QHash<QString, QString> m_translations;
    int m_menusRead = 0;
    int m_spoken = 0;
};

} // namespace textwalk
