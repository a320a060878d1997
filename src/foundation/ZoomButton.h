#pragma once
// The zoom button beside the canvas's horizontal scroller: it shows the zoom ("229%") and,
// pressed, pops up the zoom menu (25 % to 400 %, Fit Page, Fit Width, Fit Height) with a check
// mark on the zoom or fit in force. It reaches the canvas only through ZoomClient.
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include "foundation/ZoomClient.h"
#include "platform/PaintedTexts.h"

class QAction;

namespace quillmark {

class ZoomButton : public QPushButton, public PaintedTexts
{
    Q_OBJECT
public:
    // The ten positions of the menu: title ("" for the separator), fit mode, zoom factor.
    struct Entry
    {
        const char *title;
        int fitMode;
        double zoom;
    };
    static const Entry entries[10];

    // No canvas yet, showing "Fit".
    explicit ZoomButton(QWidget *parent = nullptr);

    void setRectView(ZoomClient *view) { mView = view; }
    ZoomClient *rectView() const { return mView; }

    QString scaleText() const { return m_scaleText; }
    void setScaleText(const QString &text);
    // The canvas's zoom text; a null text is ignored.
    void setZoomValue(const QString &text);

    // The menu the last press popped up (null before the first press). Its items carry
    // their position as data.
    QMenu *zoomMenu() const { return m_menu; }
    // Builds the menu anew: ten entries, the check marks validated.
    QMenu *buildMenu();
    // Enables the zoom items and sets their check marks from the canvas; NO for any other.
    bool validateMenuItem(QAction *item) const;
    // Hands the item's position to the canvas.
    void selectZoom(QAction *item);

    QSize sizeHint() const override;
    // The zoom written left of the menu's triangle.
    QList<PaintedText> paintedTexts() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // The font of the zoom for the button's height.
    QFont scaleFont(int height) const;

    ZoomClient *mView = nullptr;
    QString m_scaleText;
    QPointer<QMenu> m_menu;
};

} // namespace quillmark
