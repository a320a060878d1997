// With a German locale every measurement the window writes takes the user's decimal comma, as
// the number fields write and read it: each text of each widget of the window (the line
// under the sheet, the Geometry page, pop-up items, tool tips) and the labels of both rulers.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>

#include "app/AppTestSupport.h"

using namespace quillmark;

namespace decimalmark {

// A German user: the locale's numbers and the German interface, set before the window is made.
QString germanUser()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    return QStringLiteral("de");
}

class DecimalMark : public ::testing::Test
{
protected:
    DecimalMark() : before(QLocale()), f(QStringLiteral("decimal-mark"), germanUser()) {}
    ~DecimalMark() override { QLocale::setDefault(before); }

    // Every text a widget of the window shows.
    QStringList windowTexts() const
    {
        QStringList texts;
        for (QWidget *widget : f.window->findChildren<QWidget *>()) {
            if (!widget->toolTip().isEmpty())
                texts << widget->toolTip();
            if (auto *label = qobject_cast<QLabel *>(widget))
                texts << label->text();
            else if (auto *edit = qobject_cast<QLineEdit *>(widget))
                texts << edit->text() << edit->placeholderText();
            else if (auto *button = qobject_cast<QAbstractButton *>(widget))
                texts << button->text();
            else if (auto *combo = qobject_cast<QComboBox *>(widget))
                for (int i = 0; i < combo->count(); ++i)
                    texts << combo->itemText(i);
        }
        return texts;
    }

    const QLocale before;
    apptest::WindowFixture f;
};

TEST_F(DecimalMark, EveryMeasurementTheWindowWritesTakesTheUsersDecimalMark)
{
    ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
    f.drawRect(QRectF(20, 20, 30.24, 80));
    f.tool(RectsView::SelectTool)->trigger();
    f.click(QPointF(30, 50));
    ASSERT_EQ(f.canvas()->selectedObjects().size(), 1);

    // A number with a point before the name of a unit, in the language shown.
    QStringList units;
    for (const char *unit : {"inch", "cm", "pt", "pc", "mm", "in"})
        units << QRegularExpression::escape(Language::stringForKey(QString::fromLatin1(unit)));
    const QString unit = QStringLiteral("\\s*(") + units.join(QLatin1Char('|')) + QStringLiteral(")\\b");
    const QRegularExpression pointed(QStringLiteral("\\d\\.\\d+") + unit);
    const QRegularExpression comma(QStringLiteral("\\d,\\d+") + unit);
    int measurements = 0;
    for (const QString &text : windowTexts()) {
        EXPECT_FALSE(pointed.match(text).hasMatch()) << text.toStdString();
        measurements += comma.match(text).hasMatch() ? 1 : 0;
    }
    // The line under the sheet and the Geometry page at least.
    EXPECT_GE(measurements, 2);

    // The rulers' labels, close enough for fractions of the unit.
    for (int i = 0; i < 6; ++i)
        f.canvas()->zoomIn();
    apptest::settle();
    for (RulerView *ruler : {f.canvas()->horizontalRuler(), f.canvas()->verticalRuler()}) {
        ASSERT_NE(ruler, nullptr);
        int fractions = 0;
        for (const RulerView::Tick &tick : ruler->ticksBetween(0.0, 200.0)) {
            EXPECT_FALSE(tick.label.contains(QLatin1Char('.'))) << tick.label.toStdString();
            fractions += tick.label.contains(QLatin1Char(',')) ? 1 : 0;
        }
        EXPECT_GT(fractions, 0) << "no fraction of the unit was labelled";
    }
}

} // namespace decimalmark
