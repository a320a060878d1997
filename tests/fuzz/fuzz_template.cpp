// A design template as the template browser reads it: its preview tile, then applied to
// the current design and drawn.
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "canvas/TemplateFile.h"
#include "fuzz/FuzzSupport.h"
#include "platform/UndoManager.h"

using namespace quillmark;

QM_FUZZ_TARGET(template)
{
    const QString path = qmfuzz::scratchFile(QStringLiteral("Fuzzed.vrxtemp"), qmfuzz::bytes(data, size));
    TemplateFile::previewOfFile(path, QSize(90, 90));
    RectsView *canvas = qmfuzz::window().canvas();
    if (canvas->setupNewTemplate(path, size % 2 == 1)) {
        qmfuzz::settle();
        qmfuzz::drawWidget(canvas);
    }
    // The next template applied replaces this one's objects.
    canvas->undoManager()->removeAllActions();
    return 0;
}
