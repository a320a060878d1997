#pragma once
// The pop-up of the shapes shaped text takes: item 0 the text stretched to its box, items 1
// to 20 the warps (an arch, a wave, a slant, a lens...). Each item shows its shape as a
// picture: a sample word bent by the very warp the item stands for, so the picture is what
// the text will look like.
#include <QComboBox>

namespace quillmark {

class ShapePopUp : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int shapeCount = 21;

    explicit ShapePopUp(QWidget *parent = nullptr);

    // The picture of item `index` in `ink`, of `size` in device-independent pixels.
    static QPixmap shapePicture(int index, const QSize &size, const QColor &ink, qreal pixelRatio = 1.0);

    // Draws the pictures anew in the palette's text colour (the appearance changed).
    void updatePictures();

protected:
    void changeEvent(QEvent *event) override;
};

} // namespace quillmark
