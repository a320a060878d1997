#pragma once
// A ruler beside a scrolled view, the way the design expects the platform's ruler to behave:
// named measurement units with their tick cycles, an origin offset, markers that the user
// drags and the client view answers for, and temporary ruler lines that echo a drag.
//
// Locations of markers are in the client's coordinates along the ruler's axis (page points
// for the canvas). Ruler lines are in the ruler's own coordinates: pixels along the ruler
// from its leading edge, as convertClientToRuler gives them; -1 means "no line".
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <QWidget>

#include <memory>
#include <optional>

namespace quillmark {

class RulerView;

class RulerMarker
{
public:
    // `imageOrigin` is the point of the image that stands on the marker's location at the
    // ruler's inner edge (the edge next to the client). It is given as the design gives it:
    // x from the image's left edge, y counted upwards from the image's bottom edge.
    RulerMarker(double location, const QImage &image, const QPointF &imageOrigin);

    double markerLocation() const { return m_location; }
    void setMarkerLocation(double location) { m_location = location; }
    const QImage &image() const { return m_image; }
    QPointF imageOrigin() const { return m_origin; }
    bool isMovable() const { return m_movable; }
    void setMovable(bool flag) { m_movable = flag; }
    bool isRemovable() const { return m_removable; }
    void setRemovable(bool flag) { m_removable = flag; }
    // What the marker stands for, as the client named it ("Left Edge").
    QString representedObject() const { return m_represented; }
    void setRepresentedObject(const QString &object) { m_represented = object; }

private:
    double m_location;
    QImage m_image;
    QPointF m_origin;
    bool m_movable = true;
    bool m_removable = false;
    QString m_represented;
};

using RulerMarkerPtr = std::shared_ptr<RulerMarker>;

// The view a ruler measures. It says where its coordinates lie on the screen and decides
// about marker drags; every decision has a default that lets the ruler do as it would.
class RulerClient
{
public:
    virtual ~RulerClient() = default;

    // The widget that shows the client's coordinates, and the map from those coordinates
    // to the widget's pixels.
    virtual QWidget *rulerClientWidget() = 0;
    virtual QTransform rulerClientTransform() const = 0;
    // The client coordinate the origin offset is counted from (its bounds origin).
    virtual QPointF rulerClientBoundsOrigin() const = 0;

    virtual bool rulerViewShouldMoveMarker(RulerView *, RulerMarker *) { return true; }
    // The location the marker goes to while dragged; the proposal by default.
    virtual double rulerViewWillMoveMarker(RulerView *, RulerMarker *, double location) { return location; }
    virtual void rulerViewDidMoveMarker(RulerView *, RulerMarker *) {}
    // Asked when a removable marker is dragged off the ruler and let go there.
    virtual bool rulerViewShouldRemoveMarker(RulerView *, RulerMarker *) { return false; }
    virtual void rulerViewDidRemoveMarker(RulerView *, RulerMarker *) {}
    // A press on the ruler that hits no marker.
    virtual void rulerViewHandleMouseDown(RulerView *, const QPointF &) {}
    virtual void rulerViewWillSetClientView(RulerView *, RulerClient *) {}
};

class RulerView : public QWidget
{
    Q_OBJECT
public:
    enum Orientation { Horizontal, Vertical };

    struct Unit
    {
        QString name;
        QString abbreviation;
        double pointsPerUnit = 1.0;
        // Factors from one labelled step to the next larger and the next smaller one,
        // used in turn and repeated (2.0 gives 1, 2, 4, 8; 0.5, 0.2 gives 1, 0.5, 0.1, 0.05).
        QList<double> stepUpCycle;
        QList<double> stepDownCycle;
    };

    // A tick the ruler draws: its location in the client's coordinates, its level (0 the
    // labelled ticks, 1 to 3 ever finer subdivisions) and, for level 0, its label.
    struct Tick
    {
        double location = 0.0;
        int level = 0;
        QString label;
    };

    explicit RulerView(Orientation orientation, QWidget *parent = nullptr);
    ~RulerView() override;

    // The units every ruler knows. "Inches", "Centimeters", "Points" and "Picas" are there
    // from the start; registering a name again replaces its entry. A unit needs a positive
    // size and cycles whose factors lie above 1 (up) and between 0 and 1 (down).
    static bool registerUnitWithName(const QString &name, const QString &abbreviation, double pointsPerUnit,
                                     const QList<double> &stepUpCycle, const QList<double> &stepDownCycle);
    static std::optional<Unit> unitNamed(const QString &name);
    static QStringList registeredUnitNames();

    Orientation orientation() const { return m_orientation; }

    // An unknown name leaves the unit as it is and answers false.
    bool setMeasurementUnits(const QString &name);
    QString measurementUnits() const { return m_unit.name; }

    void setClientView(RulerClient *client);
    RulerClient *clientView() const { return m_client; }

    // Where zero stands: this far from the client's bounds origin, in client coordinates.
    void setOriginOffset(double offset);
    double originOffset() const { return m_originOffset; }

    const QList<RulerMarkerPtr> &markers() const { return m_markers; }
    void setMarkers(const QList<RulerMarkerPtr> &markers);
    void addMarker(const RulerMarkerPtr &marker);
    void removeMarker(const RulerMarkerPtr &marker);
    // The marker being dragged, null when none.
    RulerMarker *trackedMarker() const { return m_tracked.get(); }

    // Ruler lines, in ruler coordinates: removes a line at `from` (when there is one) and
    // adds one at `to` (when it is not negative).
    void moveRulerlineFromLocation(double from, double to);
    const QList<double> &rulerlines() const { return m_rulerlines; }

    // Along the ruler's axis: a client coordinate to the ruler's pixels and back.
    double convertClientToRuler(double location) const;
    double convertRulerToClient(double location) const;
    // The client coordinate where the ruler counts zero.
    double zeroLocation() const;

    // Thickness across the ruler: the rule (ticks and labels), the band for markers and the
    // room for an accessory view.
    double ruleThickness() const { return m_ruleThickness; }
    void setRuleThickness(double thickness);
    double reservedThicknessForMarkers() const { return m_markerThickness; }
    void setReservedThicknessForMarkers(double thickness);
    double reservedThicknessForAccessoryView() const { return m_accessoryThickness; }
    virtual void setReservedThicknessForAccessoryView(double thickness);
    double requiredThickness() const;
    QWidget *accessoryView() const { return m_accessory; }
    virtual void setAccessoryView(QWidget *view);

    // The ticks drawn between two client coordinates at the client's present scale.
    QList<Tick> ticksBetween(double from, double to) const;
    // The client's pixels per client unit along the ruler's axis.
    double clientScale() const;
    // Where a marker's image lies in the ruler's pixels.
    QRectF markerRect(const RulerMarker &marker) const;

    QSize sizeHint() const override;

signals:
    // The ruler needs another thickness; whoever lays it out does so again.
    void thicknessChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Draws the background, the rule, the markers and the ruler lines in `area`.
    void drawRuler(QPainter *painter, const QRectF &area);
    // The ruler's background: the palette's base colour.
    virtual QColor backgroundColor() const;

private:
    double along(const QPointF &point) const;
    double across(const QPointF &point) const;
    double clientWidgetOffset() const;
    void watchClientWidget();

    Orientation m_orientation;
    Unit m_unit;
    RulerClient *m_client = nullptr;
    QPointer<QWidget> m_watched;
    double m_originOffset = 0.0;
    QList<RulerMarkerPtr> m_markers;
    RulerMarkerPtr m_tracked;
    double m_grabOffset = 0.0;
    bool m_trackedMoved = false;
    QList<double> m_rulerlines;
    double m_ruleThickness = 16.0;
    double m_markerThickness = 9.0;
    double m_accessoryThickness = 0.0;
    QPointer<QWidget> m_accessory;
};

} // namespace quillmark
