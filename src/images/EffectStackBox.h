#pragma once
// A box of effect controls: a line-bordered frame that is drawn only while it holds controls,
// so an empty box is invisible. It knows the filter its controls edit and the panel they
// report to.
#include <QWidget>

#include <memory>

namespace quillmark {

class Controller;
class ImageFilter;

class EffectStackBox : public QWidget
{
    Q_OBJECT
public:
    explicit EffectStackBox(QWidget *parent = nullptr);

    void setFilter(std::shared_ptr<ImageFilter> filter) { m_filter = std::move(filter); }
    ImageFilter *filter() const { return m_filter.get(); }
    std::shared_ptr<ImageFilter> sharedFilter() const { return m_filter; }
    void setMaster(Controller *master) { m_master = master; }
    Controller *master() const { return m_master; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::shared_ptr<ImageFilter> m_filter;
    Controller *m_master = nullptr;
};

} // namespace quillmark
