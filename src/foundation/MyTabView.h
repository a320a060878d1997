#pragma once
// A tab view that can be switched off as a whole: while off it ignores the mouse (tabs and
// the controls on its pages alike) and shows at half strength with its labels upright; on
// again, it draws normally at once. Qt's own setEnabled would also grey every control and
// take the keyboard away, which the design does not ask for, hence the own name.
#include <QPointer>
#include <QTabWidget>

namespace quillmark {

class MyTabView : public QTabWidget
{
    Q_OBJECT
public:
    explicit MyTabView(QWidget *parent = nullptr);

    bool isTabViewEnabled() const { return _enabled; }
    void setTabViewEnabled(bool flag);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool _enabled = true;
    // Lies over the whole view while it is off and takes the mouse.
    QWidget *m_shield;
};

} // namespace quillmark
