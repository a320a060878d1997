// Objects pasted from the clipboard: the canvas's own pasteboard type holds a document
// dictionary that any program could have put there.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "fuzz/FuzzSupport.h"
#include "platform/UndoManager.h"

using namespace quillmark;

QM_FUZZ_TARGET(clipboard)
{
    RectsView *canvas = qmfuzz::window().canvas();
    auto *mime = new QMimeData;
    mime->setData(RectsView::pasteboardType(), qmfuzz::bytes(data, size));
    QGuiApplication::clipboard()->setMimeData(mime);
    canvas->paste();
    qmfuzz::settle();
    qmfuzz::drawWidget(canvas);
    // Undone and redone as the user would after pasting; undone again, the canvas is as it was.
    canvas->undoManager()->closeEventGroup();
    canvas->undo();
    canvas->redo();
    canvas->undo();
    canvas->undoManager()->removeAllActions();
    return 0;
}
