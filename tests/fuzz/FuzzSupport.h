#pragma once
// What every fuzz entry point shares: a headless application made once per process with
// fresh user folders, alerts and panels that answer at once, and scratch files for the
// readers that take a path.
//
// An entry point is written once with QM_FUZZ_TARGET(name) { ... } and becomes either a
// libFuzzer executable (built with QM_FUZZ) or one of the entry points of the replay test,
// which runs it over every file of tests/fuzz/corpus/<name>.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

class QImage;
class QWidget;

namespace quillmark {
class MainWindow;
}

namespace qmfuzz {

using Entry = int (*)(const uint8_t *data, size_t size);

// Adds an entry point to the replay executable's table.
struct Registration
{
    Registration(const char *name, Entry entry);
};
// The entry point of that name, or null.
Entry entryNamed(const QString &name);
QStringList entryNames();

// The headless application, user defaults, language and object kinds; once per process.
void initialize();

// A file of the given name in the process's scratch folder holding `data` (replaced each call).
QString scratchFile(const QString &name, const QByteArray &data);

// The whole window, built once per process, for the entry points that open documents the way
// the user does.
quillmark::MainWindow &window();
// Lets queued events run (deferred redraws and the like).
void settle();
// Draws a widget into an image, the way the screen would show it.
QImage drawWidget(QWidget *widget);

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace qmfuzz

#ifdef QM_LIBFUZZER
#define QM_FUZZ_TARGET(name)                                                                  \
    static int qmFuzz_##name(const uint8_t *, size_t);                                        \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)                   \
    {                                                                                         \
        qmfuzz::initialize();                                                                 \
        return qmFuzz_##name(data, size);                                                     \
    }                                                                                         \
    static int qmFuzz_##name(const uint8_t *data, size_t size)
#else
#define QM_FUZZ_TARGET(name)                                                                  \
    static int qmFuzz_##name(const uint8_t *, size_t);                                        \
    static const qmfuzz::Registration qmFuzzRegistration_##name(#name, qmFuzz_##name);        \
    static int qmFuzz_##name(const uint8_t *data, size_t size)
#endif
