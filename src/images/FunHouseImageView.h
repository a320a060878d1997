#pragma once
// The image well of a picture input: it takes a picture file dropped on it, remembers the
// file's path (the first of several) for the control to load, shows the picture the control
// gives it, and drags that file out again.
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

namespace quillmark {

class FunHouseImageView : public QWidget
{
    Q_OBJECT
public:
    explicit FunHouseImageView(QWidget *parent = nullptr);

    void setFilePath(const QString &path) { m_filePath = path; }
    QString filePath() const { return m_filePath; }

    void setImage(const QImage &image);
    QImage image() const { return m_image; }

    // The well's action: runs after a drop.
    std::function<void()> action;

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString m_filePath;
    QImage m_image;
};

} // namespace quillmark
