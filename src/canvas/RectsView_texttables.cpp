// Text actions on the selection: the start angle and the flip of the text along an oval,
// and tables in the text of a box (the table panel and the cells it builds).
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <cmath>

#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "objects/ColorOval.h"
#include "objects/NSTextWrapContainer.h"
#include "objects/ObjectTextEditor.h"
#include "objects/TextFlow.h"
#include "platform/Prompts.h"

namespace quillmark {

namespace {

ColorOval *firstOval(const GraphicList &selection)
{
    return selection.isEmpty() ? nullptr : dynamic_cast<ColorOval *>(selection.first().get());
}

// A table put into a box too short for it would be typed into unseen: the box grows down to
// hold its text (an undoable change of its frame). A box of a chain passes on what it cannot
// hold to the next box, and a turned box keeps its frame; both show the overflow mark instead.
void growToHoldText(ColorRect &box)
{
    box.initContainer();
    if (box.angle() != 0.0f || !dynamic_cast<NSTextWrapContainer *>(box.textContainer()))
        return;
    TextFlow *flow = box.layoutText();
    if (!flow || flow->containers().size() != 1 || !flow->hasOverflow())
        return;
    // The text laid out again in a box as wide and as tall as any: where it ends.
    NSTextWrapContainer tall(QSizeF(box.frameBounds().width(), ColorRect::maxCoordinate));
    tall.setGraphicObject(&box);
    tall.setTextView(&box);
    tall.setAroundBezierPaths(box.getBezierPaths());
    TextFlow whole(flow->sharedDocument());
    whole.insertContainer(&tall, 0);
    whole.layout();
    qreal bottom = 0.0;
    for (const TextFlow::Line &line : whole.lines())
        bottom = std::max(bottom, line.fragment.bottom());
    for (const TextFlow::Cell &cell : whole.tableCells())
        bottom = std::max(bottom, cell.rect.bottom() + cell.border);
    QRectF frame = box.frameBounds();
    if (!(bottom > frame.height()))
        return;
    frame.setHeight(std::min(std::ceil(bottom), ColorRect::maxCoordinate - frame.top()));
    box.setFrameBounds(frame);
    box.updateContainer();
}

} // namespace

void RectsView::rotateText(float degrees)
{
    ColorOval *oval = firstOval(_selectedObjects);
    if (!oval || oval->textAngle() == degrees)
        return;
    const GraphicPtr graphic = _selectedObjects.first();
    setOvalText(graphic, degrees, oval->textFlip(), QStringLiteral("Text Angle"));
}

void RectsView::flipText(int flip)
{
    ColorOval *oval = firstOval(_selectedObjects);
    if (!oval || oval->textFlip() == flip)
        return;
    const GraphicPtr graphic = _selectedObjects.first();
    setOvalText(graphic, oval->textAngle(), flip, QStringLiteral("Flip Text"));
}

void RectsView::setOvalText(const GraphicPtr &graphic, float degrees, int flip, const QString &actionName)
{
    auto *oval = dynamic_cast<ColorOval *>(graphic.get());
    if (!oval)
        return;
    const float oldAngle = oval->textAngle();
    const int oldFlip = oval->textFlip();
    registerUndo([this, graphic, oldAngle, oldFlip, actionName] { setOvalText(graphic, oldAngle, oldFlip, actionName); });
    setActionName(Language::stringForKey(actionName));
    invalidateGraphic(oval);
    oval->setTextAngle(degrees);
    oval->setTextFlip(flip);
    oval->updateContainer();
    invalidateGraphic(oval);
    wasChanged(true);
}

QTextDocumentFragment RectsView::tableAttributedString()
{
    return QTextDocumentFragment();
}

bool RectsView::setTextTable()
{
    const GraphicPtr edited = editedObject();
    ObjectTextEditor *editor = ObjectTextEditor::current();
    if (_selectedObjects.isEmpty() || !edited || !editor || !isSelected(edited.get())) {
        // Tables go into text being typed: say so instead of doing nothing.
        Prompts::current().alert(window(), Language::stringForKey(QStringLiteral("Table")),
                                 Language::stringForKey(QStringLiteral("Edit the text of a text box to insert a table.")),
                                 {Language::stringForKey(QStringLiteral("OK"))});
        return false;
    }
    int rows = 2;
    int columns = 2;
    if (!runTablePanel(&rows, &columns))
        return false;
    rows = std::clamp(rows, 1, 100);
    columns = std::clamp(columns, 1, 50);

    // The selected text makes room for the table, which comes as one undo step.
    endTypingBurst();
    typingEdit([editor, rows, columns] {
        editor->insertFragment(QTextDocumentFragment());
        QTextDocument scratch;
        QTextCursor cursor(&scratch);
        QTextTableFormat format;
        format.setBorder(1.0);
        format.setCellPadding(2.0);
        format.setCellSpacing(0.0);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        cursor.insertTable(rows, columns, format);
        QTextCursor whole(&scratch);
        whole.select(QTextCursor::Document);
        editor->insertFragment(whole.selection());
    });
    endTypingBurst();
    // The caret waits in the first cell of the new table, ready for typing.
    const int from = editor->selectionStart();
    QTextTable *inserted = nullptr;
    for (QTextFrame *frame : edited->textStorage()->rootFrame()->childFrames())
        if (auto *table = qobject_cast<QTextTable *>(frame); table && table->lastPosition() < from)
            inserted = table;
    if (inserted) {
        const int first = inserted->cellAt(0, 0).firstCursorPosition().position();
        editor->setSelection(first, first);
    }
    edited->updateContainer();
    growToHoldText(*edited);
    setActionName(Language::stringForKey(QStringLiteral("Change Text")));
    invalidateEditedText(edited);
    wasChanged(true);
    return true;
}

bool RectsView::runTablePanel(int *rows, int *columns)
{
    QDialog panel(window());
    panel.setObjectName(QStringLiteral("TablePanel"));
    panel.setWindowTitle(Language::stringForKey(QStringLiteral("Table")));
    auto *form = new QFormLayout(&panel);
    auto *rowBox = new QSpinBox(&panel);
    rowBox->setObjectName(QStringLiteral("rows"));
    rowBox->setRange(1, 100);
    rowBox->setValue(*rows);
    auto *columnBox = new QSpinBox(&panel);
    columnBox->setObjectName(QStringLiteral("columns"));
    columnBox->setRange(1, 50);
    columnBox->setValue(*columns);
    form->addRow(Language::stringForKey(QStringLiteral("Rows")), rowBox);
    form->addRow(Language::stringForKey(QStringLiteral("Columns")), columnBox);
    auto *buttons = new QDialogButtonBox(&panel);
    QPushButton *ok = buttons->addButton(Language::stringForKey(QStringLiteral("OK")), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(Language::stringForKey(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, &panel, [&panel] { panel.done(1); });
    connect(cancel, &QPushButton::clicked, &panel, [&panel] { panel.done(0); });
    form->addRow(buttons);
    if (Prompts::current().runPanel(window(), &panel) != 1)
        return false;
    *rows = rowBox->value();
    *columns = columnBox->value();
    return true;
}

QTextDocumentFragment RectsView::tableCellAttributedStringWithString(const QString &text, const QColor &backgroundColor,
                                                                      const QColor &borderColor, int row, int column)
{
    // One cell of a table of row + 1 rows and column + 1 columns, with the text in it.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextTableFormat format;
    format.setBorder(1.0);
    format.setBorderBrush(borderColor);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setPadding(0.0);
    format.setCellPadding(0.0);
    format.setCellSpacing(0.0);
    QTextTable *table = cursor.insertTable(std::max(1, row + 1), std::max(1, column + 1), format);
    QTextTableCell cell = table->cellAt(std::max(0, row), std::max(0, column));
    QTextCharFormat cellFormat = cell.format();
    cellFormat.setBackground(backgroundColor);
    cell.setFormat(cellFormat);
    QTextCursor inCell = cell.firstCursorPosition();
    inCell.insertText(text);
    QTextCursor whole(&document);
    whole.select(QTextCursor::Document);
    return whole.selection();
}

void RectsView::textDidChange()
{
    if (_selectedObjects.size() == 1)
        invalidateRect(updateRectsForSelection());
}

} // namespace quillmark
