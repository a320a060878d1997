// The guarded reader: a FIFO, a device or a link to one is refused at once and never waited
// on, a file past its reader's limit is refused before it is read, and a copy never replaces a
// file. And it is the only reader: the sources are read for every call that opens a file by
// its name, and each one outside the guarded reader must say why the file is the program's own.
#include "common/FifoRelease.h"
#include "common/TestSupport.h"
#include "platform/GuardedReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <sys/stat.h>

using namespace quillmark;

namespace {

using Refusal = GuardedReader::Refusal;

// Files that are no regular files, each made as a user (or a document) could name it.
struct Hostile
{
    QString name;
    QString path;
};

QList<Hostile> hostileFiles(const QString &folder)
{
    const QString fifo = folder + QStringLiteral("/pipe.png");
    if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0)
        return {};
    QFile::link(QStringLiteral("/dev/zero"), folder + QStringLiteral("/zero.png"));
    QFile::link(fifo, folder + QStringLiteral("/link-to-pipe.png"));
    QDir(folder).mkdir(QStringLiteral("folder.png"));
    return {{QStringLiteral("a FIFO"), fifo},
            {QStringLiteral("a link to /dev/zero"), folder + QStringLiteral("/zero.png")},
            {QStringLiteral("a link to a FIFO"), folder + QStringLiteral("/link-to-pipe.png")},
            {QStringLiteral("a folder"), folder + QStringLiteral("/folder.png")},
            {QStringLiteral("a missing file"), folder + QStringLiteral("/missing.png")},
            {QStringLiteral("/dev/zero"), QStringLiteral("/dev/zero")}};
}

QString sourceRoot()
{
    const QByteArray fromEnvironment = qgetenv("QM_SOURCE_DIR");
    if (!fromEnvironment.isEmpty())
        return QString::fromUtf8(fromEnvironment);
    return QDir(QString::fromUtf8(QM_SOURCE_RESOURCES) + QStringLiteral("/..")).absolutePath();
}

} // namespace

TEST(GuardedReader, NoRegularFileIsOpenedReadOrCopiedAndNoneIsWaitedOn)
{
    const QString folder = qmtest::freshDir(QStringLiteral("guarded-hostile"));
    const QList<Hostile> hostile = hostileFiles(folder);
    ASSERT_FALSE(hostile.isEmpty());
    for (const Hostile &file : hostile) {
        SCOPED_TRACE(file.name.toStdString());
        qmtest::FifoRelease release(file.path, std::chrono::seconds(10));
        Refusal why = Refusal::None;
        EXPECT_FALSE(GuardedReader::open(file.path, 1 << 20, &why));
        EXPECT_EQ(why, Refusal::Unreadable);
        EXPECT_FALSE(GuardedReader::read(file.path, 1 << 20, &why));
        EXPECT_EQ(why, Refusal::Unreadable);
        EXPECT_FALSE(GuardedReader::isRegularFile(file.path));
        const QString copy = folder + QStringLiteral("/copy-of-") + QFileInfo(file.path).fileName();
        EXPECT_EQ(GuardedReader::copy(file.path, copy, 1 << 20), Refusal::Unreadable);
        EXPECT_FALSE(QFileInfo::exists(copy));
        EXPECT_FALSE(release.stop()) << "waited on it until it was let go";
    }
}

TEST(GuardedReader, AFileIsReadWithinItsLimitAndCopiedOnlyUnderAFreeName)
{
    const QString folder = qmtest::freshDir(QStringLiteral("guarded-regular"));
    const QString path = folder + QStringLiteral("/words.txt");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("twelve bytes");
    }
    Refusal why = Refusal::Unreadable;
    EXPECT_EQ(GuardedReader::read(path, 12, &why), QByteArray("twelve bytes"));
    EXPECT_EQ(why, Refusal::None);
    EXPECT_FALSE(GuardedReader::read(path, 11, &why));
    EXPECT_EQ(why, Refusal::TooLarge);
    // A link to a regular file reads as the file.
    ASSERT_TRUE(QFile::link(path, folder + QStringLiteral("/link.txt")));
    EXPECT_EQ(GuardedReader::read(folder + QStringLiteral("/link.txt"), 100), QByteArray("twelve bytes"));

    const QString copy = folder + QStringLiteral("/copy.txt");
    EXPECT_EQ(GuardedReader::copy(path, copy, 100), Refusal::None);
    EXPECT_EQ(GuardedReader::read(copy, 100), QByteArray("twelve bytes"));
    // The name is taken now: nothing is replaced.
    const QString other = folder + QStringLiteral("/other.txt");
    {
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("other");
    }
    EXPECT_EQ(GuardedReader::copy(other, copy, 100), Refusal::NotWritten);
    EXPECT_EQ(GuardedReader::read(copy, 100), QByteArray("twelve bytes"));
    // The reader's own check sees the file first; what it refuses is not copied.
    const QString refused = folder + QStringLiteral("/refused.txt");
    EXPECT_EQ(GuardedReader::copy(path, refused, 100, [](QIODevice *device) { return device->peek(6) == "eleven"; }),
              Refusal::Refused);
    EXPECT_FALSE(QFileInfo::exists(refused));
    EXPECT_EQ(GuardedReader::copy(path, folder + QStringLiteral("/small.txt"), 5), Refusal::TooLarge);
    // No temporary file is left behind by any of them.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"copy.txt", "link.txt", "other.txt", "words.txt"}));
}

namespace {

// ---- reading the sources for every open of a file by its name ----

// The sources with comments blanked and the insides of string literals blanked (their quotes
// kept), line ends kept, so that a call found in it has the line of the original.
QString codeOnly(const QString &text)
{
    QString out = text;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto blank = [&](qsizetype from, qsizetype to) {
        for (qsizetype k = from; k < to && k < n; ++k)
            if (out[k] != QLatin1Char('\n'))
                out[k] = QLatin1Char(' ');
    };
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('/')) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), i);
            if (end < 0)
                end = n;
            blank(i, end);
            i = end;
        } else if (c == QLatin1Char('/') && i + 1 < n && text[i + 1] == QLatin1Char('*')) {
            qsizetype end = text.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? n : end + 2;
            blank(i, end);
            i = end;
        } else if (c == QLatin1Char('R') && i + 1 < n && text[i + 1] == QLatin1Char('"')
                   && (i == 0 || !(text[i - 1].isLetterOrNumber() || text[i - 1] == QLatin1Char('_')))) {
            const qsizetype open = text.indexOf(QLatin1Char('('), i);
            const QString delimiter = QLatin1Char(')') + text.mid(i + 2, open - i - 2) + QLatin1Char('"');
            qsizetype end = text.indexOf(delimiter, open);
            end = end < 0 ? n : end + delimiter.size();
            blank(i + 2, end - 1);
            i = end;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype k = i + 1;
            while (k < n && text[k] != c && text[k] != QLatin1Char('\n')) {
                if (text[k] == QLatin1Char('\\'))
                    ++k;
                ++k;
            }
            blank(i + 1, k);
            i = k + 1;
        } else {
            ++i;
        }
    }
    return out;
}

// The arguments of the call whose "(" is at `open`, split at their top-level commas.
QStringList argumentsAt(const QString &code, qsizetype open)
{
    QStringList arguments;
    int depth = 0;
    QString current;
    const QChar close = code[open] == QLatin1Char('{') ? QLatin1Char('}') : QLatin1Char(')');
    for (qsizetype k = open + 1; k < code.size(); ++k) {
        const QChar c = code[k];
        if (depth == 0 && c == close) {
            if (!current.trimmed().isEmpty() || !arguments.isEmpty())
                arguments.append(current.trimmed());
            return arguments;
        }
        if (c == QLatin1Char('(') || c == QLatin1Char('{') || c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(')') || c == QLatin1Char('}') || c == QLatin1Char(']'))
            --depth;
        if (depth == 0 && c == QLatin1Char(',')) {
            arguments.append(current.trimmed());
            current.clear();
        } else {
            current += c;
        }
    }
    return arguments;
}

// What one source file declares its names as: `QString path`, `const QString &path`, ...
class Declarations
{
public:
    explicit Declarations(const QString &code)
    {
        static const QRegularExpression declaration(
            QStringLiteral("\\b(QString|QByteArray|QIODevice|QBuffer|QFile|QImage|QPixmap|QSvgRenderer|QImageReader|QSize)"
                           "\\s*(?:>\\s*)?[&*]?\\s*(\\w+)\\s*[;,)=({\\[]"));
        for (auto it = declaration.globalMatch(code); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            m_types.insert(m.captured(2), m.captured(1));
        }
    }
    QString typeOf(const QString &name) const { return m_types.value(name); }

private:
    QHash<QString, QString> m_types;
};

// Whether an argument is a file's name: a string, text declared as such, or what a function
// named for paths or files gives. A device, bytes or a picture is none.
bool namesAFile(const QString &argument, const Declarations &declared)
{
    const QString arg = argument.trimmed();
    if (arg.isEmpty() || arg.startsWith(QLatin1Char('&')) || arg.startsWith(QLatin1Char('*'))
        || arg.endsWith(QLatin1String(".get()")) || arg == QLatin1String("this"))
        return false;
    if (arg.contains(QLatin1Char('"')))
        return true;
    static const QRegularExpression call(QStringLiteral("(\\w+)\\s*\\("));
    for (auto it = call.globalMatch(arg); it.hasNext();) {
        const QString function = it.next().captured(1);
        if (function.contains(QLatin1String("path"), Qt::CaseInsensitive)
            || function.contains(QLatin1String("file"), Qt::CaseInsensitive))
            return true;
    }
    static const QRegularExpression word(QStringLiteral("\\b[A-Za-z_]\\w*\\b"));
    for (auto it = word.globalMatch(arg); it.hasNext();)
        if (declared.typeOf(it.next().captured(0)) == QLatin1String("QString"))
            return true;
    return false;
}

// A parameter list rather than arguments: `const QString &path`, `QIODevice *device`.
bool isParameter(const QString &argument)
{
    static const QRegularExpression parameter(
        QStringLiteral("^\\s*(?:const\\s+)?[\\w:<>]+(?:\\s+|\\s*[&*]+\\s*)\\w+\\s*(?:=.*)?$"));
    return parameter.match(argument).hasMatch() && !argument.contains(QLatin1Char('('));
}

struct Opening
{
    QString file;
    int line = 0;
    QString text;
};

int lineOf(const QString &code, qsizetype at)
{
    return int(code.left(at).count(QLatin1Char('\n'))) + 1;
}

// Every place of one file's code that opens a file by its name.
QList<int> openingLines(const QString &code)
{
    const Declarations declared(code);
    QList<int> lines;
    auto add = [&](qsizetype at) { lines.append(lineOf(code, at)); };

    // Calls that take nothing but a name.
    static const QRegularExpression byName(QStringLiteral(
        "(?:\\bf(?:re)?open|(?<![\\w>.])::open|\\bopenat|\\bTIFFOpen(?:W|Ext)?|Poppler::Document::load|"
        "\\bunzOpen(?:64)?|\\bsqlite3_open(?:_v2)?|QFile::copy|QFontDatabase::addApplicationFont|mimeTypeForFile)"
        "\\s*\\("));
    for (auto it = byName.globalMatch(code); it.hasNext();)
        add(it.next().capturedStart());
    static const QRegularExpression streams(QStringLiteral("\\bstd::(?:i|)fstream\\b"));
    for (auto it = streams.globalMatch(code); it.hasNext();)
        add(it.next().capturedStart());
    // A reader's own opening from a name given to it.
    static const QRegularExpression renamed(QStringLiteral("\\.setFileName\\s*\\("));
    for (auto it = renamed.globalMatch(code); it.hasNext();)
        add(it.next().capturedStart());

    // Objects made from a name: `QFile file(path)`, `QImageReader(path)`, `new QFile(path)`,
    // `std::make_unique<QSettings>(path, ...)`; a QFile or settings made with any argument,
    // the picture classes only with a name (their other constructors take devices, bytes,
    // sizes or pictures).
    static const QRegularExpression made(QStringLiteral(
        "\\b(QFile|QSettings|QMovie|QImageReader|QSvgRenderer|QImage|QPixmap|QIcon|QBitmap)\\b"
        "(?!::)(?:\\s*>\\s*|\\s*\\w+\\s*|\\s*)([({])"));
    for (auto it = made.globalMatch(code); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString kind = m.captured(1);
        const qsizetype open = m.capturedStart(2);
        // `QImageReader::imageFormat`, a cast `(QFile *)` and the like are no construction.
        if (m.capturedStart(1) > 0 && code.mid(m.capturedStart(1) - 2, 2) == QLatin1String("::"))
            continue;
        const QStringList arguments = argumentsAt(code, open);
        if (arguments.isEmpty() || isParameter(arguments.first()))
            continue;
        const bool anyArgument = kind == QLatin1String("QFile") || kind == QLatin1String("QSettings")
                                 || kind == QLatin1String("QMovie");
        if (anyArgument || namesAFile(arguments.first(), declared))
            add(m.capturedStart());
    }
    // A picture reader asked a file's format, or a picture loaded from a name.
    static const QRegularExpression asked(QStringLiteral("QImageReader::imageFormat\\s*(\\()"));
    for (auto it = asked.globalMatch(code); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QStringList arguments = argumentsAt(code, m.capturedStart(1));
        if (!arguments.isEmpty() && namesAFile(arguments.first(), declared))
            add(m.capturedStart());
    }
    static const QRegularExpression loaded(QStringLiteral("\\b(\\w+)\\s*(?:\\.|->)\\s*load\\s*(\\()"));
    for (auto it = loaded.globalMatch(code); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString type = declared.typeOf(m.captured(1));
        if (type != QLatin1String("QImage") && type != QLatin1String("QPixmap") && type != QLatin1String("QSvgRenderer"))
            continue;
        const QStringList arguments = argumentsAt(code, m.capturedStart(2));
        if (!arguments.isEmpty() && namesAFile(arguments.first(), declared))
            add(m.capturedStart());
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

// Whether the opening at `line` (1-based) says why its file is the program's own: "own file:"
// and a reason, in a comment on the line or in the comment lines right above it.
bool saysItsOwn(const QStringList &lines, int line)
{
    static const QRegularExpression marker(QStringLiteral("//.*\\bown file:\\s*\\S+\\s+\\S+\\s+\\S+"));
    if (marker.match(lines[line - 1]).hasMatch())
        return true;
    for (int k = line - 2; k >= 0; --k) {
        const QString above = lines[k].trimmed();
        if (!above.startsWith(QLatin1String("//")))
            return false;
        if (marker.match(above).hasMatch())
            return true;
    }
    return false;
}

} // namespace

// Every call in the sources that opens a file by its name is the guarded reader's, or says in
// a comment beside it why the file is one the program wrote or ships (its settings, its
// databases after they were copied in, its bundle). Anything else is a file of the user or of
// a document opened past the guard: a FIFO there hangs the window.
TEST(GuardedReader, IsTheOnlyReaderOfFilesTheProgramDidNotWrite)
{
    const QString root = sourceRoot() + QStringLiteral("/src");
    const QString guarded = QDir(root).filePath(QStringLiteral("platform/GuardedReader.cpp"));
    EXPECT_TRUE(QFileInfo::exists(guarded)) << root.toStdString();
    QList<Opening> unexplained;
    int files = 0;
    int explained = 0;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path) == QFileInfo(guarded))
            continue;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        ++files;
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int line : openingLines(codeOnly(text))) {
            if (saysItsOwn(lines, line))
                ++explained;
            else
                unexplained.append({QDir(root).relativeFilePath(path), line, lines[line - 1].trimmed()});
        }
    }
    EXPECT_GT(files, 300);
    QString report;
    for (const Opening &o : unexplained)
        report += QStringLiteral("\n  %1:%2: %3").arg(o.file).arg(o.line).arg(o.text);
    EXPECT_TRUE(unexplained.isEmpty()) << unexplained.size() << " openings of a file by its name outside the guarded "
                                       << "reader, none saying why the file is the program's own:"
                                       << report.toStdString();
    // The reading finds what it looks for: the guarded reader's own opens, read the same way.
    QFile self(guarded);
    ASSERT_TRUE(self.open(QIODevice::ReadOnly));
    EXPECT_FALSE(openingLines(codeOnly(QString::fromUtf8(self.readAll()))).isEmpty());
}

// The reading of the sources itself, on lines made for it: what opens a file by its name is
// found, and what only looks like it is not.
TEST(GuardedReader, TheSourceReadingFindsOpensByNameAndNothingElse)
{
    const QString opens = QStringLiteral(
        "void f(const QString &path, QIODevice *device, const QByteArray &bytes) {\n"
        "    QFile file(path);\n"                               // 2
        "    QImageReader reader(path);\n"                      // 3
        "    QImage picture(Bundle::pathForResource(name));\n"  // 4
        "    FILE *f = fopen(name, \"rb\");\n"                  // 5
        "    QFile::copy(path, other);\n"                       // 6
        "    auto doc = Poppler::Document::load(path);\n"       // 7
        "    QSvgRenderer(QStringLiteral(\"x.svg\"));\n"        // 8
        "    QImage image; image.load(path);\n"                 // 9
        "    TIFF *t = TIFFOpen(name, \"r\");\n"                // 10
        "    auto s = std::make_unique<QSettings>(path, format);\n" // 11
        "    QImageReader::imageFormat(path);\n"                // 12
        "}\n");
    EXPECT_EQ(openingLines(codeOnly(opens)), QList<int>({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    const QString others = QStringLiteral(
        "QImage thumbnail(const QString &path, QSize box);\n"
        "void g(QIODevice *device, const QByteArray &bytes, QSize size, const QImage &image) {\n"
        "    QImageReader reader(device, format);\n"
        "    QImageReader fromBuffer(&buffer);\n"
        "    QSvgRenderer renderer(bytes);\n"
        "    QImage canvas(size, QImage::Format_ARGB32);\n"
        "    QIcon icon(QPixmap::fromImage(image));\n"
        "    QImageReader::imageFormat(device);\n"
        "    // QFile file(path); in a comment\n"
        "    const char *text = \"QFile file(path)\";\n"
        "    std::unique_ptr<TIFFOpenOptions> options; file.open(QIODevice::ReadOnly);\n"
        "    QFile file; file.open(fd, QIODevice::ReadOnly);\n"
        "}\n");
    EXPECT_EQ(openingLines(codeOnly(others)), QList<int>());
    const QStringList marked = {QStringLiteral("// The settings file is written here alone."),
                                QStringLiteral("// own file: the settings this program writes"),
                                QStringLiteral("QFile file(path);"), QStringLiteral("QFile bare(path);"),
                                QStringLiteral("QFile inline_(path); // own file: a resource of the bundle")};
    EXPECT_TRUE(saysItsOwn(marked, 3));
    EXPECT_FALSE(saysItsOwn(marked, 4));
    EXPECT_TRUE(saysItsOwn(marked, 5));
}
