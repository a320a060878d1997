#pragma once
// A canvas with the controls it reads (side, layer, landscape) and fresh user defaults, for
// the canvas tests.
#include <QCheckBox>
#include <QCoreApplication>
#include <QScrollArea>
#include <QTest>
#include <memory>

#include "canvas/RectsView.h"
#include "common/TestSupport.h"
#include "foundation/Language.h"
#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "platform/UserDefaults.h"

namespace canvastest {

inline void freshDefaults(const QString &name)
{
    quillmark::UserDefaults::resetStandardForTesting(qmtest::freshDir(name) + QStringLiteral("/defaults.ini"));
}

struct CanvasFixture
{
    CanvasFixture()
        : side({QStringLiteral("Front"), QStringLiteral("Back")})
        , layers({QStringLiteral("Background"), QStringLiteral("Foreground")})
    {
        side.setSelectedSegment(0);
        layers.setSelectedSegment(1);
        quillmark::LanguageControls::awakeFromNib(&side);
        view = std::make_unique<quillmark::RectsView>();
        quillmark::RectsView::Outlets outlets;
        outlets.segmentedFrontBackOutlet = &side;
        outlets.segmentedLayersOutlet = &layers;
        outlets.cbLandscapeView = &landscape;
        view->setOutlets(outlets);
    }

    // Events handled until a picture being decoded for placing has been placed; NO when it
    // never ends.
    bool settle()
    {
        QCoreApplication::processEvents();
        const bool done = QTest::qWaitFor([this] { return !view->isLoadingPicture(); }, 60000);
        QCoreApplication::processEvents();
        return done;
    }

    // A filled graphic on the current page and layer, added to the canvas.
    std::shared_ptr<quillmark::ColorRect> add(const QRectF &frame, int layer = 1)
    {
        auto graphic = quillmark::ColorRect::create(frame);
        graphic->setPageName(view->getCurrPageName());
        graphic->setObjectLayer(layer);
        view->addGraphic(graphic);
        return graphic;
    }

    quillmark::SegmentedControl side;
    quillmark::SegmentedControl layers;
    QCheckBox landscape;
    std::unique_ptr<quillmark::RectsView> view;
};

} // namespace canvastest
