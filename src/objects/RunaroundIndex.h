#pragma once
// Finds the objects whose outlines a text box's lines flow around: those with runaround on,
// above the box on its page and layer, reaching into the box. Only the objects with
// runaround are kept, in cells of a grid by where they lie, so that a box asks about the few
// that can reach it and a design without runaround asks about none.
//
// The owner says when its object list changed (markStale) and when objects may have moved
// or changed (markMoved): the kept objects are then checked once before the next answer.
#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

namespace quillmark {

class ColorRect;

class RunaroundIndex
{
public:
    using GraphicList = QList<std::shared_ptr<ColorRect>>;

    void markStale() { m_stale = true; }
    void markMoved() { m_checked = false; }

    // The obstacles of `box` among `objects` (the owner's list in stacking order), bottom
    // to top.
    GraphicList obstaclesOver(const ColorRect &box, const GraphicList &objects);

    // The same answer found by walking every object, for owners that keep no index.
    static GraphicList obstaclesByWalking(const ColorRect &box, const GraphicList &objects);

private:
    struct Entry
    {
        std::shared_ptr<ColorRect> object;
        int position = 0;
        QString page;
        int layer = 0;
        QRectF bounds;
    };
    void rebuild(const GraphicList &objects);
    bool entriesCurrent() const;

    bool m_stale = true;
    bool m_checked = false;
    qsizetype m_count = -1;
    std::vector<Entry> m_entries;
    // Every object's place in the list, kept only while some object has runaround.
    QHash<const ColorRect *, int> m_positions;
    QHash<quint64, QList<int>> m_cells;
    // Obstacles spanning more cells than are worth filling, asked about by every box.
    QList<int> m_large;
};

} // namespace quillmark
