// Shared entry of every test executable: a headless, isolated Qt application.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/TestSupport.h"
#include "platform/ScreenArea.h"

namespace {

QString makeFreshDir(const char *name)
{
    // One folder per run; the test executable removes it on exit.
    static QTemporaryDir root(QDir::tempPath() + "/quillmark-test-XXXXXX");
    const QString path = root.path() + "/" + name;
    QDir().mkpath(path);
    return path;
}

// A test that cannot run is a failure, never a pass: a skipped test fails the run, naming
// itself, so a missing program or service is seen instead of passing unnoticed.
class SkipsFail : public ::testing::EmptyTestEventListener
{
public:
    void OnTestEnd(const ::testing::TestInfo &test) override
    {
        if (test.result()->Skipped())
            skipped.push_back(std::string(test.test_suite_name()) + "." + test.name());
    }
    std::vector<std::string> skipped;
};

QtMessageHandler qtHandler = nullptr;

// The headless platform says so each time a window is raised or grabs the keyboard: hundreds of
// lines per group that would bury what a failing test prints.
void quietPlatformHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "UTC");
    if (qgetenv("QUILLMARK_RESOURCES").isEmpty())
        qputenv("QUILLMARK_RESOURCES", QM_SOURCE_RESOURCES);
    const QString config = makeFreshDir("config");
    const QString data = makeFreshDir("data");
    const QString tmp = makeFreshDir("tmp");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("TMPDIR", tmp.toUtf8());

    qtHandler = qInstallMessageHandler(quietPlatformHandler);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brenholt");
    QApplication::setApplicationName("Quillmark");
    qmtest::loadTestFont();
    // The offscreen platform's one screen is 800 x 600; the tests' window stands on a desktop
    // screen with room for it. The window tests of small screens put in their own.
    quillmark::ScreenArea::setOverride([](const QWidget *) { return QRect(0, 0, 1920, 1200); });

    ::testing::InitGoogleTest(&argc, argv);
    auto *skips = new SkipsFail; // owned by the listener list
    ::testing::UnitTest::GetInstance()->listeners().Append(skips);
    int result = RUN_ALL_TESTS();
    for (const std::string &name : skips->skipped) {
        std::fprintf(stderr, "SKIPPED COUNTS AS FAILED: %s\n", name.c_str());
        result = 1;
    }
    return result;
}
