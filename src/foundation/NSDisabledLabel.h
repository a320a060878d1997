#pragma once
// A label that dims with its control: it draws only its text, in the font of its first
// character, in the control text colour while enabled and the disabled control text colour
// while not. No background, no border; an empty label draws nothing.
#include <QLabel>

namespace quillmark {

class NSDisabledLabel : public QLabel
{
    Q_OBJECT
public:
    explicit NSDisabledLabel(QWidget *parent = nullptr);
    explicit NSDisabledLabel(const QString &text, QWidget *parent = nullptr);

    // The colour the text is drawn in now.
    QColor textColor() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace quillmark
