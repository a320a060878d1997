#pragma once
#include <QPainter>

namespace quillmark {

// Saves the painter's state and restores it however the block is left.
class SavedPainterState
{
public:
    explicit SavedPainterState(QPainter *painter)
        : m_painter(painter)
    {
        m_painter->save();
    }
    ~SavedPainterState() { m_painter->restore(); }
    SavedPainterState(const SavedPainterState &) = delete;
    SavedPainterState &operator=(const SavedPainterState &) = delete;

private:
    QPainter *m_painter;
};

} // namespace quillmark
