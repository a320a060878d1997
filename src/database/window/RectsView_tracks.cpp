// Track lists for disc labels: the names of a folder's entries, numbered, or the whole text of
// a file, typed into the selected text object as ordinary editable text.
#include "canvas/RectsView.h"

#include "foundation/Language.h"
#include "objects/ColorOval.h"
#include "objects/ColorRect.h"
#include "objects/ObjectTextEditor.h"
#include "platform/GuardedReader.h"
#include "platform/Prompts.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <typeinfo>

namespace quillmark {

namespace {

// A track list larger than this is no track list.
constexpr qint64 MaximumTrackListSize = 4 * 1024 * 1024;

} // namespace

bool RectsView::canImportTracks() const
{
    if (_selectedObjects.size() != 1)
        return false;
    const ColorRect *object = _selectedObjects.first().get();
    return object && (typeid(*object) == typeid(ColorRect) || dynamic_cast<const ColorOval *>(object));
}

QString RectsView::trackListFromFolder(const QString &folder, bool oval)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
    // Hidden entries (".DS_Store") are no tracks; the rest in the order a person reads them.
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString &name) { return name.startsWith(QLatin1Char('.')); }),
                names.end());
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    QString text;
    int n = 0;
    for (const QString &name : std::as_const(names)) {
        text += QStringLiteral("%1. %2\t").arg(++n).arg(name);
        // In an oval the entries follow each other along the line.
        if (!oval)
            text += QLatin1Char('\n');
    }
    return text;
}

bool RectsView::insertTrackText(const QString &text)
{
    if (!canImportTracks() || text.isEmpty())
        return false;
    const GraphicPtr target = _selectedObjects.first();
    if (!setEditableObject(target))
        return false;
    ObjectTextEditor *editor = ObjectTextEditor::current();
    if (!editor)
        return false;
    editor->insertText(text);
    wasChanged(true);
    // The list is ordinary text of the object, which stays selected for the next command.
    clearEditable();
    setupCurrObjectTool(SelectTool);
    selectRect(target);
    return true;
}

void RectsView::importFolder()
{
    if (!canImportTracks())
        return;
    const SpinScope busy(*this);
    const QString folder = Prompts::current().chooseFolder(window(), translated(QStringLiteral("Please Choose a Folder to import Track Names from")),
                                                           QDir::homePath());
    if (folder.isEmpty())
        return;
    const bool oval = dynamic_cast<const ColorOval *>(_selectedObjects.first().get()) != nullptr;
    insertTrackText(trackListFromFolder(folder, oval));
}

void RectsView::importTextFile()
{
    if (!canImportTracks())
        return;
    const QString path = Prompts::current().openFile(window(), translated(QStringLiteral("Please Choose a Text File containing a Tracks List")),
                                                     QDir::homePath(), {"txt", "text", "m3u", "m3u8"});
    if (path.isEmpty())
        return;
    int error = 0;
    QString reason;
    QString text;
    GuardedReader::Refusal refusal = GuardedReader::Refusal::None;
    std::optional<QByteArray> read = GuardedReader::read(path, MaximumTrackListSize, &refusal);
    if (!read && refusal == GuardedReader::Refusal::TooLarge) {
        error = int(QFileDevice::ResourceError);
        reason = translated(QStringLiteral("The file is too large for a track list."));
    } else if (!read) {
        // Missing, unreadable, or no file at all (a FIFO would never end).
        error = int(QFileDevice::OpenError);
        reason = translated(QStringLiteral("The file \u201c%@\u201d cannot be read.")).replace(QStringLiteral("%@"), QFileInfo(path).fileName());
    } else {
        QByteArray bytes = std::move(*read);
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = decoder.decode(bytes);
        if (decoder.hasError()) {
            // The code the platform gives a file in an encoding it cannot read.
            error = 261;
            reason = translated(QStringLiteral("The file is not UTF-8 text."));
            text.clear();
        }
    }
    if (error != 0) {
        Prompts::current().alert(window(), translated(QStringLiteral("Could not import text file because of error %ld")).replace(QLatin1String("%ld"), QString::number(error)),
                                 reason, {translated(QStringLiteral("OK"))});
        setupCurrObjectTool(SelectTool);
        return;
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    insertTrackText(text);
}

} // namespace quillmark
