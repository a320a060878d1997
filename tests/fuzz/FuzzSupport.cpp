#include "fuzz/FuzzSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/AllKinds.h"
#include "app/MainWindow.h"
#include "canvas/RectsView.h"
#include "foundation/Language.h"
#include "platform/Prompts.h"
#include "platform/UserDefaults.h"

namespace qmfuzz {

namespace {

QMap<QString, Entry> &table()
{
    static QMap<QString, Entry> entries;
    return entries;
}

// Every alert takes its default button and every panel is cancelled: a damaged file must
// be refused without the user's help, and nothing may block.
class AnsweringPrompts : public quillmark::Prompts
{
public:
    int alert(QWidget *, const QString &, const QString &, const QStringList &, AlertStyle) override
    {
        return FirstButton;
    }
    QString openFile(QWidget *, const QString &, const QString &, const QStringList &) override { return {}; }
    QStringList openFiles(QWidget *, const QString &, const QString &, const QStringList &) override { return {}; }
    QString saveFile(QWidget *, const QString &, const QString &, const QString &, const QStringList &) override
    {
        return {};
    }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    QString saveFileOfType(QWidget *, const QString &, const QString &, const QString &, const QList<FileType> &,
                           int &, QWidget *) override
    {
        return {};
    }
    int runPanel(QWidget *, QDialog *) override { return 0; }
};

QString rootFolder()
{
    static QTemporaryDir root(QDir::tempPath() + QStringLiteral("/quillmark-fuzz-XXXXXX"));
    return root.path();
}

QString folder(const QString &name)
{
    const QString path = rootFolder() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

} // namespace

Registration::Registration(const char *name, Entry entry)
{
    table().insert(QString::fromUtf8(name), entry);
}

Entry entryNamed(const QString &name)
{
    return table().value(name);
}

QStringList entryNames()
{
    return table().keys();
}

void initialize()
{
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC");
    if (qgetenv("QUILLMARK_RESOURCES").isEmpty())
        qputenv("QUILLMARK_RESOURCES", QM_SOURCE_RESOURCES);
    qputenv("XDG_CONFIG_HOME", folder(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", folder(QStringLiteral("data")).toUtf8());
    qputenv("HOME", folder(QStringLiteral("home")).toUtf8());

    // Readers warn about every damaged line; millions of inputs would drown the findings.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtFatalMsg) {
            fprintf(stderr, "%s\n", qPrintable(message));
            abort();
        }
    });
    static int argc = 1;
    static char name[] = "quillmark-fuzz";
    static char *argv[] = {name, nullptr};
    // Kept for the life of the process: libFuzzer never returns to a caller that could end it.
    new QApplication(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brenholt"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));

    quillmark::UserDefaults::resetStandardForTesting(folder(QStringLiteral("defaults")) + QStringLiteral("/defaults.ini"));
    quillmark::Prompts::install(std::make_unique<AnsweringPrompts>());
    quillmark::Language::initialize();
    quillmark::registerAllKinds();
    quillmark::RectsView::setTerminatePromptFlag(true);
}

QString scratchFile(const QString &name, const QByteArray &data)
{
    const QString path = folder(QStringLiteral("scratch")) + QLatin1Char('/') + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
    return path;
}

quillmark::MainWindow &window()
{
    static quillmark::MainWindow *shared = [] {
        auto *made = new quillmark::MainWindow;
        made->show();
        settle();
        return made;
    }();
    return *shared;
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

QImage drawWidget(QWidget *widget)
{
    QImage image(widget->size().boundedTo(QSize(640, 480)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    widget->render(&painter);
    return image;
}

} // namespace qmfuzz
