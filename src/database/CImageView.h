#pragma once
// The photo well of the record form: shows the picture of a photo field and holds its data.
#include <QByteArray>
#include <QWidget>

namespace quillmark {

class CImageView : public QWidget
{
    Q_OBJECT
public:
    explicit CImageView(QWidget *parent = nullptr);

    // Null data is "no photo"; data that is no picture is kept and shows nothing.
    void setData(const QByteArray &data);
    QByteArray data() const { return _data; }
    bool hasData() const { return !_data.isNull(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QByteArray _data;
    QImage _image;
};

} // namespace quillmark
