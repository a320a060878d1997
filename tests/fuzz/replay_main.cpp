// Runs the readers' fuzz entry points over stored inputs, without libFuzzer: each named
// entry point takes every file of the given files and folders once. A test passes when no
// input crashes, hangs or trips a sanitizer.
//   test_fuzz <entry> <file or folder>...
//   test_fuzz --list
//   test_fuzz --make-seeds <corpus folder>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include "fuzz/FuzzSupport.h"

namespace qmfuzz {
int makeSeeds(const QString &root);
}

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--make-seeds")
        return qmfuzz::makeSeeds(QString::fromLocal8Bit(argv[2]));
    if (argc >= 2 && QByteArray(argv[1]) == "--list") {
        for (const QString &name : qmfuzz::entryNames())
            std::printf("%s\n", qPrintable(name));
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <entry> <file or folder>... | --list\n", argv[0]);
        return 2;
    }
    const qmfuzz::Entry entry = qmfuzz::entryNamed(QString::fromUtf8(argv[1]));
    if (!entry) {
        std::fprintf(stderr, "no entry point named %s\n", argv[1]);
        return 2;
    }
    QStringList inputs;
    for (int i = 2; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isDir()) {
            QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
            QStringList found;
            while (it.hasNext())
                found.append(it.next());
            found.sort();
            inputs += found;
        } else {
            inputs.append(path);
        }
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "no inputs for %s\n", argv[1]);
        return 1;
    }
    qmfuzz::initialize();
    for (const QString &path : std::as_const(inputs)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray data = file.readAll();
        std::printf("%s\n", qPrintable(QFileInfo(path).fileName()));
        std::fflush(stdout);
        entry(reinterpret_cast<const uint8_t *>(data.constData()), size_t(data.size()));
    }
    std::printf("%lld inputs\n", static_cast<long long>(inputs.size()));
    return 0;
}
