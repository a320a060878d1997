#pragma once
// The inspector over a canvas stand-in whose unit can be chosen: the selection is the
// fixture's own list, handed over once as the canvas hands over its own; edits are made
// as a user makes them, by typing into the pages' fields and clicking their controls.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include <memory>

#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "inspector/ObjectInfoPanel.h"
#include "objects/ColorRect.h"
#include "objects/FakeCanvas.h"
#include "objects/ObjectInfo.h"
#include "platform/UserDefaults.h"

namespace inspectortest {

class UnitCanvas : public qmtest::FakeCanvas
{
public:
    QString unit = QStringLiteral("Inches");
    QString measure() override { return unit; }
};

class InspectorFixture
{
public:
    explicit InspectorFixture(const QString &name)
    {
        quillmark::UserDefaults::resetStandardForTesting(qmtest::freshDir(name) + QStringLiteral("/defaults.ini"));
        quillmark::Language::reset(qmtest::resourcesDir(), QStringLiteral("en"));
        info = std::make_unique<quillmark::ObjectInfoPanel>();
        info->setRectsView(&canvas);
        info->setSelectedRects(&selection);
        info->show();
    }
    ~InspectorFixture()
    {
        info.reset();
        quillmark::Language::reset();
    }

    std::shared_ptr<quillmark::ColorRect> add(const QRectF &frame)
    {
        auto object = quillmark::ColorRect::create(frame);
        object->setMainView(&canvas);
        canvas.rects.append(object);
        return object;
    }
    // Selects as the canvas does: its list changes and the inspector is told.
    void select(const QList<std::shared_ptr<quillmark::ColorRect>> &objects)
    {
        selection = objects;
        info->refresh();
    }
    void setUnit(const QString &unit)
    {
        canvas.unit = unit;
        info->measureChanged(unit, 1.0);
    }
    // Clears what setting up the objects registered, so that an edit's undo is the first.
    void startFresh()
    {
        canvas.undo.closeEventGroup();
        canvas.undo.removeAllActions();
        canvas.changedCalls = 0;
    }

    UnitCanvas canvas;
    QList<std::shared_ptr<quillmark::ColorRect>> selection;
    std::unique_ptr<quillmark::ObjectInfoPanel> info;
};

// Types the text over a field's contents and ends the edit with Return, holding the
// modifiers on that key as a user would.
inline void type(QLineEdit *field, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return, modifiers);
}

inline void click(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

} // namespace inspectortest
