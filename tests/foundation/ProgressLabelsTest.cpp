// The labels of progress, in every language: each table's key ends in "..." as the keys of
// menu items do, and every language writes the ellipsis of all its progress labels the one
// way its table writes most of its ellipses.
#include <gtest/gtest.h>

#include <QDir>
#include <QHash>
#include <QRegularExpression>

#include "foundation/Language.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

// How a text ends in an ellipsis: " …", "…" or "..."; empty for none.
QString ellipsisOf(const QString &text)
{
    for (const char *style : {" \u2026", "\u2026", "..."})
        if (text.endsWith(QString::fromUtf8(style)))
            return QString::fromUtf8(style);
    return QString();
}

} // namespace

TEST(ProgressLabels, EachLanguageWritesTheEllipsisOfItsProgressLabelsOneWayAsItsTableDoes)
{
    const QDir root(Language::resourcesRoot());
    const QVariantMap english = PropertyList::readFile(root.filePath(QStringLiteral("en.lproj/strings.plist"))).toMap();
    ASSERT_FALSE(english.isEmpty());
    // A progress label says what is going on: "Importing records...", "Reading the file...".
    const QRegularExpression going(QStringLiteral("^\\w+ing\\b"));
    QStringList labels;
    for (auto it = english.cbegin(); it != english.cend(); ++it)
        if (going.match(it.key()).hasMatch() && !ellipsisOf(it.key()).isEmpty())
            labels.append(it.key());
    ASSERT_GE(labels.size(), 8);
    for (const QString &label : labels)
        EXPECT_EQ(ellipsisOf(label), "...") << label.toStdString();

    const QStringList folders = root.entryList({QStringLiteral("*.lproj")}, QDir::Dirs);
    ASSERT_EQ(folders.size(), 5);
    for (const QString &folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        const QVariantMap table = PropertyList::readFile(root.filePath(folder + QStringLiteral("/strings.plist"))).toMap();
        QHash<QString, int> styles;
        for (const QVariant &value : table)
            if (const QString style = ellipsisOf(value.toString()); !style.isEmpty())
                ++styles[style];
        QString usual;
        for (auto it = styles.cbegin(); it != styles.cend(); ++it)
            if (usual.isEmpty() || it.value() > styles.value(usual))
                usual = it.key();
        for (const QString &label : labels)
            EXPECT_EQ(ellipsisOf(table.value(label).toString()), usual) << table.value(label).toString().toStdString();
    }
}
