// Every control of the window shows its whole text in each of the five languages: the row
// above the canvas (sides, layers, Draw by Type, Landscape), the mode switch, and the
// inspector's geometry page (the flips, Shaped Text). Each control's text is measured against
// the width the control is given, as the barcode drawer's own test does for its strip.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "database/window/DatabaseModeSwitch.h"
#include "foundation/SegmentedControl.h"
#include "inspector/GeometryPage.h"
#include "inspector/ObjectInfoPanel.h"

using namespace quillmark;

namespace {

// The width a control needs to show its text whole: its own size hint, which for labels,
// check boxes and buttons is the text's advance plus the indicator and margins of the style.
void expectWhole(QWidget *control, const std::string &when)
{
    QString text;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        text = button->text();
    else if (auto *label = qobject_cast<QLabel *>(control))
        text = label->text();
    if (text.isEmpty())
        return;
    const int advance = control->fontMetrics().horizontalAdvance(text);
    EXPECT_GE(control->width(), control->sizeHint().width())
        << when << ": \"" << text.toStdString() << "\" needs " << control->sizeHint().width() << ", has "
        << control->width();
    EXPECT_GE(control->width(), advance) << when << ": \"" << text.toStdString() << "\"";
}

// Each segment whole, and the segments side by side without overlapping.
void expectSegmentsWhole(SegmentedControl *control, const std::string &when)
{
    for (int i = 0; i < control->segmentCount(); ++i) {
        expectWhole(control->segmentButton(i), when);
        if (i > 0) {
            EXPECT_LE(control->segmentButton(i - 1)->geometry().right(), control->segmentButton(i)->geometry().left())
                << when << ": segments " << i - 1 << " and " << i << " overlap";
        }
    }
    EXPECT_GE(control->width(), control->sizeHint().width()) << when;
}

} // namespace

TEST(ControlTextWidths, EveryControlIsWideEnoughForItsTextInEachLanguage)
{
    for (const char *language : {"en", "de", "es", "ru", "zh"}) {
        apptest::WindowFixture f(QStringLiteral("text-widths-") + QLatin1String(language), QLatin1String(language));
        MainWindow *window = f.window.get();
        const std::string lang = language;

        // The row above the canvas, the layer segments beside its scroller, the mode switch.
        expectSegmentsWhole(window->sideControl(), lang + " Front/Back");
        expectSegmentsWhole(window->layerControl(), lang + " layers");
        expectWhole(window->drawByTypeBox(), lang + " Draw by Type");
        expectWhole(window->landscapeBox(), lang + " Landscape");
        EXPECT_FALSE(window->drawByTypeBox()->geometry().intersects(window->landscapeBox()->geometry())) << lang;
        expectSegmentsWhole(window->modeSwitch()->labelModeSwitch(), lang + " Design/Database");

        // The geometry page: every title whole and inside the page's column.
        GeometryPage *page = window->objectInfo()->geometryPage();
        ASSERT_NE(page, nullptr);
        int checked = 0;
        for (QWidget *w : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!qobject_cast<QLabel *>(w) && !qobject_cast<QAbstractButton *>(w))
                continue;
            expectWhole(w, lang + " geometry page " + w->objectName().toStdString());
            EXPECT_LE(w->geometry().right(), InspectorPage::pageWidth) << lang << ": " << w->objectName().toStdString();
            ++checked;
        }
        EXPECT_GE(checked, 8) << lang << ": the labels and check boxes of the page";
        for (QCheckBox *box : {page->bFlipHor, page->bFlipVert, page->bPowerText})
            for (QWidget *other : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (other != box && other->isVisibleTo(page)) {
                    EXPECT_FALSE(box->geometry().intersects(other->geometry()))
                        << lang << ": " << box->objectName().toStdString() << " and " << other->objectName().toStdString();
                }
    }
}
