#pragma once
// A tab button of the property-page side panel: an image the width of the panel with the
// page's title written over it, 35 points in from the left, in the text colour of its state.
#include <QColor>
#include <QFont>

#include "foundation/BaseColoredButton.h"
#include "platform/PaintedTexts.h"

namespace quillmark {

class PropertiesTabButton : public BaseColoredButton, public PaintedTexts
{
    Q_OBJECT
public:
    explicit PropertiesTabButton(QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // The base name of the button's images ("<base>_on", "<base>_off").
    QString imageName() const { return m_imageName; }
    void setImageName(const QString &name) { m_imageName = name; }

    // How the title is written: its font and colour.
    QFont titleFont() const { return m_titleFont; }
    QColor titleColor() const { return m_titleColor; }
    void setTitleStyle(const QFont &font, const QColor &color);
    static constexpr int titleIndent = 35;
    // The title written over the image; none while the button has no image and draws its
    // title as any button does.
    QList<PaintedText> paintedTexts() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_tag = 0;
    QString m_imageName;
    QFont m_titleFont;
    QColor m_titleColor;
};

} // namespace quillmark
