#pragma once
// A scroll area that can show a ruler along its top and another along its left side, as
// the design expects of the platform's scroll view. The rulers lie outside the viewport:
// the visible area of the document is what is left beside them. The square where the two
// rulers meet is a plain widget of its own (rulerCorner) that owners may put a control in.
#include <QPointer>
#include <QScrollArea>

#include "platform/RulerView.h"

namespace quillmark {

class ScrollView : public QScrollArea
{
    Q_OBJECT
public:
    explicit ScrollView(QWidget *parent = nullptr);
    ~ScrollView() override;

    // The rulers: taken over as children of the scroll view. Setting one replaces (and
    // deletes) the ruler there before.
    void setHorizontalRulerView(RulerView *ruler);
    void setVerticalRulerView(RulerView *ruler);
    RulerView *horizontalRulerView() const { return m_horizontalRuler; }
    RulerView *verticalRulerView() const { return m_verticalRuler; }
    // Makes a plain ruler when there is none; NO deletes the ruler.
    void setHasHorizontalRuler(bool flag);
    void setHasVerticalRuler(bool flag);
    bool hasHorizontalRuler() const { return m_horizontalRuler != nullptr; }
    bool hasVerticalRuler() const { return m_verticalRuler != nullptr; }

    void setRulersVisible(bool flag);
    bool rulersVisible() const { return m_rulersVisible; }

    QWidget *rulerCorner() const { return m_corner; }

    // Lays the rulers out beside the viewport; runs after every change of size, scrollers
    // or rulers.
    virtual void tile();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Called after the visible part of the document moved.
    virtual void reflectScrolledClipView();

private:
    void adoptRuler(RulerView *ruler);
    void placeRulers();

    QPointer<RulerView> m_horizontalRuler;
    QPointer<RulerView> m_verticalRuler;
    QWidget *m_corner = nullptr;
    bool m_rulersVisible = false;
    bool m_tiling = false;
};

} // namespace quillmark
