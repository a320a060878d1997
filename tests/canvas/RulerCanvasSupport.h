#pragma once
// A canvas in the scroll view that shows its rulers, with the unit button and the page
// controls it reads, shown in a window, for the tests of rulers, units and snapping. Mouse
// helpers send events at page points, as the pointer would deliver them.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "canvas/CanvasTestSupport.h"
#include "foundation/MyScrollView.h"
#include "platform/RulerView.h"

namespace canvastest {

struct RulerCanvas
{
    explicit RulerCanvas(const QString &name)
    {
        freshDefaults(name);
        side = new quillmark::SegmentedControl({QStringLiteral("Front"), QStringLiteral("Back")});
        side->setSelectedSegment(0);
        quillmark::LanguageControls::awakeFromNib(side);
        layers = new quillmark::SegmentedControl({QStringLiteral("Background"), QStringLiteral("Foreground")});
        layers->setSelectedSegment(1);
        unitButton = new QToolButton;
        unitButton->setText(QStringLiteral("inch"));
        scroll = new quillmark::MyScrollView;
        view = new quillmark::RectsView;
        scroll->setWidget(view);
        scroll->setWidgetResizable(false);
        scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        quillmark::RectsView::Outlets outlets;
        outlets.scrollView = scroll;
        outlets.segmentedFrontBackOutlet = side;
        outlets.segmentedLayersOutlet = layers;
        outlets.cbLandscapeView = &landscape;
        outlets.mesurementOutlet = unitButton;
        view->setOutlets(outlets);
        view->initRulers();
        QObject::connect(unitButton, &QToolButton::clicked, view, [this] { view->changeMesurement(); });
        window.resize(900, 600);
        scroll->setParent(&window);
        scroll->setGeometry(0, 0, 900, 600);
        side->setParent(&window);
        layers->setParent(&window);
        unitButton->setParent(&window);
        side->hide();
        layers->hide();
        unitButton->setGeometry(0, 0, 40, 20);
        window.show();
        view->zoomMenuSelect(2);
        QApplication::processEvents();
    }

    std::shared_ptr<quillmark::ColorRect> add(const QRectF &frame, int layer = 1)
    {
        auto graphic = quillmark::ColorRect::create(frame);
        graphic->setPageName(view->getCurrPageName());
        graphic->setObjectLayer(layer);
        view->addGraphic(graphic);
        return graphic;
    }

    quillmark::RulerView *horizontal() const { return view->horizontalRuler(); }
    quillmark::RulerView *vertical() const { return view->verticalRuler(); }

    void send(QEvent::Type type, const QPointF &page, Qt::KeyboardModifiers modifiers = {})
    {
        const QPointF local = view->pageToWidget().map(page);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, view->mapToGlobal(local), Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(view, &event);
    }
    void press(const QPointF &p, Qt::KeyboardModifiers m = {}) { send(QEvent::MouseButtonPress, p, m); }
    void drag(const QPointF &p, Qt::KeyboardModifiers m = {}) { send(QEvent::MouseMove, p, m); }
    void release(const QPointF &p, Qt::KeyboardModifiers m = {}) { send(QEvent::MouseButtonRelease, p, m); }

    // The point of a marker's image on its ruler, and a drag of it by `pixels` along the ruler
    // (and `across` pixels across it), with a step on the way.
    QPoint markerSpot(quillmark::RulerView *ruler, const QString &edge) const
    {
        for (const quillmark::RulerMarkerPtr &marker : ruler->markers())
            if (marker->representedObject() == edge)
                return ruler->markerRect(*marker).center().toPoint();
        ADD_FAILURE() << "no marker " << edge.toStdString();
        return {};
    }
    void dragMarker(quillmark::RulerView *ruler, const QString &edge, int pixels)
    {
        const QPoint start = markerSpot(ruler, edge);
        const QPoint step = ruler->orientation() == quillmark::RulerView::Horizontal ? QPoint(1, 0) : QPoint(0, 1);
        QTest::mousePress(ruler, Qt::LeftButton, {}, start);
        QTest::mouseMove(ruler, start + step * (pixels / 2));
        QTest::mouseMove(ruler, start + step * pixels);
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, start + step * pixels);
    }

    QCheckBox landscape;
    QWidget window;
    quillmark::SegmentedControl *side;
    quillmark::SegmentedControl *layers;
    QToolButton *unitButton;
    quillmark::MyScrollView *scroll;
    quillmark::RectsView *view;
};

} // namespace canvastest
