#pragma once
#include <QTextStream>

namespace quillmark {

// The program's start-up check, run by "quillmark --self-check" after an installation: it
// names the resources folder the program found, looks for what the program cannot run
// without, then builds the main window and puts it away. 0 when all is well.
int runSelfCheck(QTextStream &out);

} // namespace quillmark
