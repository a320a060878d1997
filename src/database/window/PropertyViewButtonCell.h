#pragma once
// A tab button of the database side panel: on while its pane is open, with a small round mark
// while that pane filters the record browser.
#include <QToolButton>

namespace quillmark {

class PropertyViewButtonCell : public QToolButton
{
    Q_OBJECT
public:
    explicit PropertyViewButtonCell(QWidget *parent = nullptr);

    bool filter() const { return _filter; }
    void setFilter(bool filter);
    int tag() const { return _tag; }
    void setTag(int tag) { _tag = tag; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool _filter = false;
    int _tag = 0;
};

} // namespace quillmark
