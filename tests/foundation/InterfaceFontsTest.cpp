// The translated interface can be drawn: every character of the Russian and Chinese tables is
// in some installed font (scripts/setup-deps installs one for Chinese), so no text shows as
// empty boxes on a fresh machine.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QRawFont>
#include <QSet>
#include <QVariantMap>

#include "common/TestSupport.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

QSet<char32_t> charactersOf(const QString &folder)
{
    QSet<char32_t> characters;
    for (const char *table : {"strings", "UndoStrings", "PrintPanelAccessory"}) {
        const QVariantMap map = PropertyList::readFile(
            qmtest::resourcesDir() + QStringLiteral("/%1.lproj/%2.plist").arg(folder, QLatin1String(table))).toMap();
        for (const QVariant &value : map)
            for (const char32_t c : value.toString().toUcs4())
                if (c > 0x20)
                    characters.insert(c);
    }
    return characters;
}

TEST(InterfaceFonts, EveryTranslatedCharacterHasAFont)
{
    for (const auto &[folder, system] : {std::pair{"ru", QFontDatabase::Cyrillic},
                                         std::pair{"zh-Hans", QFontDatabase::SimplifiedChinese}}) {
        const QStringList families = QFontDatabase::families(system);
        ASSERT_FALSE(families.isEmpty()) << "no font for " << folder << ": run scripts/setup-deps";
        std::vector<QRawFont> fonts;
        for (const QString &family : families) {
            QFont font(family);
            font.setStyleStrategy(QFont::NoFontMerging);
            fonts.push_back(QRawFont::fromFont(font, system));
        }
        const QSet<char32_t> characters = charactersOf(QString::fromLatin1(folder));
        ASSERT_GT(characters.size(), 30) << folder;
        QString missing;
        for (const char32_t c : characters) {
            bool covered = false;
            for (const QRawFont &font : fonts)
                covered = covered || (font.isValid() && font.supportsCharacter(c));
            if (!covered)
                missing += QString::fromUcs4(&c, 1);
        }
        EXPECT_TRUE(missing.isEmpty()) << folder << ": " << missing.toStdString();
    }
}

} // namespace
