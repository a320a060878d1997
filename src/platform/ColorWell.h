#pragma once
// A colour well: a small button showing a colour. A click opens the colour chooser on the
// well's colour; choosing a colour there (OK) takes it into the well and reports it as the
// user's choice. The chooser is not modal, so the window stays usable while it is open.
#include <QColor>
#include <QPointer>
#include <QWidget>

class QColorDialog;

namespace quillmark {

class ColorWell : public QWidget
{
    Q_OBJECT
public:
    explicit ColorWell(QWidget *parent = nullptr);
    ~ColorWell() override;

    QColor color() const { return m_color; }
    // Shows the colour; no signal.
    void setColor(const QColor &color);

    // Opens the chooser on the well's colour, as a click does; answers the chooser (the
    // open one when it is already open).
    QColorDialog *activate();
    QColorDialog *chooser() const { return m_chooser; }
    // Takes a colour as if the user had chosen it: shows it and reports it.
    void takeColor(const QColor &color);

    QSize sizeHint() const override;

signals:
    // The user chose a colour.
    void colorChanged(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QColor m_color = Qt::black;
    QPointer<QColorDialog> m_chooser;
};

} // namespace quillmark
