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
};

} // namespace textwalk
