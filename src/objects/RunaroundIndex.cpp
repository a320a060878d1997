#include "objects/RunaroundIndex.h"

#include <algorithm>
#include <cmath>

#include "objects/ColorRect.h"

namespace quillmark {

namespace {

// Page points of one side of a grid cell.
constexpr double CellSide = 72.0;
// Cells further apart than this along one side are not walked one by one.
constexpr qint64 MaxCellSpan = 64;

// Where an obstacle can reach: its turned frame, a little grown so that a line of no
// width or height still meets what it touches.
QRectF reach(const ColorRect &object)
{
    return object.frameBoundsRotated().adjusted(-1.0, -1.0, 1.0, 1.0);
}

bool touches(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

qint64 cellOf(double coordinate)
{
    const double c = std::floor(coordinate / CellSide);
    return qint64(std::clamp(c, -1.0e6, 1.0e6));
}

quint64 cellKey(qint64 x, qint64 y)
{
    return (quint64(quint32(qint32(x))) << 32) | quint64(quint32(qint32(y)));
}

bool isObstacleOf(const ColorRect &candidate, const ColorRect &box)
{
    return candidate.getRunaroundState() != 0 && candidate.isOnPageNamed(box.getPageName())
           && candidate.objectLayer() == box.objectLayer();
}

} // namespace

RunaroundIndex::GraphicList RunaroundIndex::obstaclesByWalking(const ColorRect &box, const GraphicList &objects)
{
    GraphicList found;
    const QRectF area = reach(box);
    bool above = false;
    for (const std::shared_ptr<ColorRect> &object : objects) {
        if (!object)
            continue;
        if (object.get() == &box) {
            above = true;
            continue;
        }
        if (above && isObstacleOf(*object, box) && touches(reach(*object), area))
            found.append(object);
    }
    return above ? found : GraphicList();
}

void RunaroundIndex::rebuild(const GraphicList &objects)
{
    m_entries.clear();
    m_positions.clear();
    m_cells.clear();
    m_large.clear();
    m_count = objects.size();
    m_stale = false;
    m_checked = true;
    for (int i = 0; i < objects.size(); ++i) {
        const std::shared_ptr<ColorRect> &object = objects[i];
        if (object && object->getRunaroundState() != 0)
            m_entries.push_back({object, i, object->getPageName(), object->objectLayer(), reach(*object)});
    }
    if (m_entries.empty())
        return;
    m_positions.reserve(objects.size());
    for (int i = 0; i < objects.size(); ++i)
        m_positions.insert(objects[i].get(), i);
    for (int e = 0; e < int(m_entries.size()); ++e) {
        const QRectF &b = m_entries[size_t(e)].bounds;
        const qint64 x0 = cellOf(b.left()), x1 = cellOf(b.right());
        const qint64 y0 = cellOf(b.top()), y1 = cellOf(b.bottom());
        if (x1 - x0 > MaxCellSpan || y1 - y0 > MaxCellSpan) {
            m_large.append(e);
            continue;
        }
        for (qint64 x = x0; x <= x1; ++x)
            for (qint64 y = y0; y <= y1; ++y)
                m_cells[cellKey(x, y)].append(e);
    }
}

bool RunaroundIndex::entriesCurrent() const
{
    for (const Entry &entry : m_entries) {
        const ColorRect &object = *entry.object;
        if (object.getRunaroundState() == 0 || object.getPageName() != entry.page
            || object.objectLayer() != entry.layer || reach(object) != entry.bounds)
            return false;
    }
    return true;
}

RunaroundIndex::GraphicList RunaroundIndex::obstaclesOver(const ColorRect &box, const GraphicList &objects)
{
    if (m_stale || objects.size() != m_count) {
        rebuild(objects);
    } else if (!m_checked) {
        if (!entriesCurrent())
            rebuild(objects);
        m_checked = true;
    }
    if (m_entries.empty())
        return {};
    const int place = m_positions.value(&box, -1);
    if (place < 0)
        return {};
    const QRectF area = reach(box);
    std::vector<int> hits;
    const qint64 x0 = cellOf(area.left()), x1 = cellOf(area.right());
    const qint64 y0 = cellOf(area.top()), y1 = cellOf(area.bottom());
    auto consider = [&](int e) {
        const Entry &entry = m_entries[size_t(e)];
        if (entry.position > place && isObstacleOf(*entry.object, box) && touches(entry.bounds, area))
            hits.push_back(e);
    };
    if ((x1 - x0 + 1) * (y1 - y0 + 1) > qint64(m_entries.size()) || x1 - x0 > MaxCellSpan || y1 - y0 > MaxCellSpan) {
        // A box larger than the cells worth walking: the kept obstacles are fewer.
        for (int e = 0; e < int(m_entries.size()); ++e)
            consider(e);
    } else {
        for (const int e : std::as_const(m_large))
            consider(e);
        for (qint64 x = x0; x <= x1; ++x)
            for (qint64 y = y0; y <= y1; ++y) {
                const auto it = m_cells.constFind(cellKey(x, y));
                if (it != m_cells.constEnd())
                    for (const int e : *it)
                        consider(e);
            }
    }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    GraphicList found;
    for (const int e : hits)
        found.append(m_entries[size_t(e)].object);
    return found;
}

} // namespace quillmark
