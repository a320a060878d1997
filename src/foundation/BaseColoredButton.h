#pragma once
// A borderless image button with a coloured selected state (the Save tool button, the tab
// buttons of the side panel): selected, it lies on a grey wash and shows its alternate
// image; disabled, the grey wash lies over its image. It is selected while pressed, or
// while on when it does not allow a mixed state. Without an image it draws as usual.
#include <QIcon>
#include <QToolButton>

namespace quillmark {

class BaseColoredButton : public QToolButton
{
    Q_OBJECT
public:
    explicit BaseColoredButton(QWidget *parent = nullptr);

    QIcon alternateIcon() const { return m_alternate; }
    void setAlternateIcon(const QIcon &icon);
    bool allowsMixedState() const { return m_allowsMixedState; }
    void setAllowsMixedState(bool flag) { m_allowsMixedState = flag; }

    bool isSelected() const;
    // The selection and disabled wash: grey 0.6 at half strength.
    static QColor washColor();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QIcon m_alternate;
    bool m_allowsMixedState = false;
};

} // namespace quillmark
