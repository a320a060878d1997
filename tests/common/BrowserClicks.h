#pragma once
// Pressing on the window's widgets as a user's mouse does: a button's press, release or double
// click at a widget's middle, and the pictures of the image browser waited for.
#include <QEvent>

class QWidget;

namespace quillmark {
class listImageViewItem;
}

namespace qmtest {

// The first picture of the image browser in the window, once its thumbnails are drawn; null
// when the browser shows none within 20 seconds.
quillmark::listImageViewItem *firstImageTile(QWidget *window);

// A left-button mouse event at the middle of the widget: held for a press, a double click or a
// move, let go for a release.
void sendMouse(QWidget *widget, QEvent::Type type);

} // namespace qmtest
