#pragma once
// The preview of the address dialog: the parts of the edited record laid out by the block's
// line rules with the parts' titles, under sample POSTNET bars when the bars are on.
#include <QWidget>

#include "database/merge/TQuickAddress.h"

class QPainter;

namespace quillmark {

class QuickAddressView : public QWidget
{
    Q_OBJECT
public:
    explicit QuickAddressView(QWidget *parent = nullptr);

    const TQuickAddress &qa() const { return _qa; }
    // Keeps a copy and redraws.
    void setQa(const TQuickAddress &qa);
    // A check box of the dialog changed: the preview redraws.
    void checkBoxPress();
    // Draws the preview into `bounds` (page points as widget points).
    void drawPreview(QPainter *painter, const QRectF &bounds) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TQuickAddress _qa;
};

} // namespace quillmark
