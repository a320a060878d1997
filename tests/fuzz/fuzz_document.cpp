// A design document opened the way File > Open does, then drawn once on the canvas, so
// whatever geometry it carries reaches the drawing code.
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "fuzz/FuzzSupport.h"
#include "platform/UndoManager.h"

using namespace quillmark;

QM_FUZZ_TARGET(document)
{
    RectsView *canvas = qmfuzz::window().canvas();
    const QString path = qmfuzz::scratchFile(QStringLiteral("Fuzzed.qkdoc"), qmfuzz::bytes(data, size));
    if (canvas->open(path)) {
        canvas->selectAll();
        qmfuzz::settle();
        qmfuzz::drawWidget(canvas);
        // The next document opened replaces every object of this one.
        canvas->undoManager()->removeAllActions();
    }
    return 0;
}
