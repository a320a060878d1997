#pragma once
// The small turning wheel beside the image-source pop-up that says a source is still
// loading. It is hidden while it stands still.
#include <QWidget>

class QTimer;

namespace quillmark {

class ProgressSpinner : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressSpinner(QWidget *parent = nullptr);

    void setSpinning(bool spinning);
    bool isSpinning() const;

    QSize sizeHint() const override { return QSize(18, 18); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
    int m_step = 0;
};

} // namespace quillmark
