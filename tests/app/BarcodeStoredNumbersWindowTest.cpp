// Every real number a barcode writes, given a value two decimals do not hold, comes back as it
// was through Save and Open, Copy and Paste, and Duplicate in the window, as libplist reads
// the saved file and each copy's stored form; so does the size of the font under its bars.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cmath>
#include <map>

#include <plist/plist.h>

#include "app/AppTestSupport.h"
#include "barcodes/ColorBarcode.h"
#include "platform/PropertyList.h"

using namespace quillmark;

namespace {

using Numbers = std::map<std::string, std::string>;

// The string values of a stored object's dictionary, as libplist reads them.
Numbers stringsOf(plist_t dict)
{
    Numbers strings;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    for (;;) {
        char *key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, it, &key, &value);
        if (!key)
            break;
        if (plist_get_node_type(value) == PLIST_STRING) {
            char *text = nullptr;
            plist_get_string_val(value, &text);
            strings[key] = text ? text : "";
            free(text);
        }
        free(key);
    }
    free(it);
    return strings;
}

plist_t parsed(const QByteArray &bytes)
{
    plist_t root = nullptr;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
    return root;
}

// The stored form of each object of a saved design, read by libplist.
std::vector<Numbers> savedObjects(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    plist_t root = parsed(file.readAll());
    std::vector<Numbers> objects;
    EXPECT_NE(root, nullptr);
    if (!root)
        return objects;
    plist_t list = plist_dict_get_item(root, "ObjectsList");
    for (uint32_t i = 0; list && i < plist_array_get_size(list); ++i)
        objects.push_back(stringsOf(plist_array_get_item(list, i)));
    plist_free(root);
    return objects;
}

// An object's stored form as libplist reads it from the binary file the program writes.
Numbers storedForm(ColorRect &object)
{
    plist_t root = parsed(PropertyList::toData(object.propertyListRepresentation(), PlistFormat::Binary));
    EXPECT_NE(root, nullptr);
    if (!root)
        return {};
    Numbers strings = stringsOf(root);
    plist_free(root);
    return strings;
}

bool isRealText(const std::string &text)
{
    static const QRegularExpression real(QStringLiteral("^-?[0-9]+\\.[0-9]+$"));
    return real.match(QString::fromStdString(text)).hasMatch();
}

// Whether `written` holds `wanted` to the precision of the field (a float at least), not to
// two decimals.
bool holds(const std::string &written, double wanted)
{
    const double got = QString::fromStdString(written).toDouble();
    return std::abs(got - wanted) <= 1e-6 * std::max(1.0, std::abs(wanted));
}

} // namespace

TEST(BarcodeStoredNumbersWindow, EveryRealNumberSurvivesSaveOpenCopyPasteAndDuplicate)
{
    apptest::WindowFixture f(QStringLiteral("barcode-stored-numbers"));
    RectsView *canvas = f.canvas();

    // Every key the barcode writes as a real number, each given, in turn, values beyond two
    // decimals until the object takes one: some keys bound their values.
    auto barcode = ColorBarcode::create(QRectF(40, 50, 0, 0));
    barcode->setPageName(canvas->getCurrPageName());
    barcode->setObjectLayer(1);
    QVariantMap dict = barcode->propertyListRepresentation();
    Numbers expected;
    std::map<std::string, double> wanted;
    const double awkward[] = {0.4375, -0.4375, 0.123456, -0.123456, 1.0 / 2.54, 0.0075};
    for (const auto &[key, text] : storedForm(*barcode)) {
        if (!isRealText(text))
            continue;
        bool taken = false;
        for (const double step : awkward) {
            const double value = QString::fromStdString(text).toDouble() + step;
            QVariantMap trial = dict;
            trial.insert(QString::fromStdString(key), QString::number(value, 'g', 17));
            auto probe = ColorBarcode::create();
            probe->loadPropertyListRepresentation(trial);
            const std::string written = storedForm(*probe)[key];
            if (holds(written, value)) {
                dict = trial;
                wanted[key] = value;
                taken = true;
                break;
            }
        }
        EXPECT_TRUE(taken) << key << " keeps no value that two decimals do not hold";
    }
    // The real numbers of a barcode: its bar metrics, text height and the base object's.
    for (const char *key : {"BarcodeH", "BarcodeW", "BarcodeSpaceW", "BarcodeWAdjust", "BarcodeTextHeight", "Rotation"})
        EXPECT_EQ(wanted.count(key), 1u) << key;

    auto stored = ColorBarcode::create();
    stored->loadPropertyListRepresentation(dict);
    QFont font = stored->getFont();
    font.setPointSizeF(9.4375);
    stored->setFont(font);
    expected = storedForm(*stored);
    for (const auto &[key, value] : wanted)
        EXPECT_TRUE(holds(expected[key], value)) << key << " " << expected[key];

    // What every path gives back: the numbers and the font's size as they were.
    auto check = [&](const Numbers &got, const std::string &path) {
        for (const auto &[key, value] : wanted)
            EXPECT_EQ(got.count(key) ? got.at(key) : std::string("(missing)"), expected[key]) << path << ": " << key;
    };
    auto checkObject = [&](const GraphicPtr &object, const std::string &path) {
        auto *copy = dynamic_cast<ColorBarcode *>(object.get());
        ASSERT_NE(copy, nullptr) << path;
        check(storedForm(*copy), path);
        EXPECT_EQ(copy->getFont().pointSizeF(), 9.4375) << path;
    };

    const QString dir = qmtest::freshDir(QStringLiteral("barcode-stored-numbers"));
    const QString design = dir + QStringLiteral("/Numbers.qkdoc");
    ASSERT_TRUE(PropertyList::writeFile(design, canvas->drawDocumentDictionaryForGraphics({stored}), PlistFormat::Binary));
    f.prompts->queuePath(design);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    canvas = f.canvas();
    ASSERT_EQ(canvas->getRects().size(), 1);
    checkObject(canvas->getRects()[0], "open");

    // Saved, read by libplist, and opened again.
    auto saveAs = [&](const QString &name) {
        f.prompts->queueSaveOfType(dir + QLatin1Char('/') + name, 0);
        f.trigger(QStringLiteral("File"), QStringLiteral("Save As..."));
        return dir + QLatin1Char('/') + name + QStringLiteral(".qkdoc");
    };
    const QString saved = saveAs(QStringLiteral("Saved"));
    std::vector<Numbers> objects = savedObjects(saved);
    ASSERT_EQ(objects.size(), 1u);
    check(objects[0], "save");
    f.trigger(QStringLiteral("File"), QStringLiteral("New"));
    f.prompts->queuePath(saved);
    f.trigger(QStringLiteral("File"), QStringLiteral("Open..."));
    canvas = f.canvas();
    ASSERT_EQ(canvas->getRects().size(), 1);
    checkObject(canvas->getRects()[0], "save and open");

    // Copied and pasted, duplicated, and the three saved together.
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Select All"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Copy"));
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Paste"));
    ASSERT_EQ(canvas->getRects().size(), 2);
    checkObject(canvas->getRects()[1], "paste");
    f.trigger(QStringLiteral("Edit"), QStringLiteral("Duplicate"));
    ASSERT_EQ(canvas->getRects().size(), 3);
    checkObject(canvas->getRects()[2], "duplicate");
    objects = savedObjects(saveAs(QStringLiteral("Copies")));
    ASSERT_EQ(objects.size(), 3u);
    for (const Numbers &object : objects)
        check(object, "copies saved");
}
