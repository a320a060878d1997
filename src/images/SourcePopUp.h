#pragma once
#include <QAbstractItemView>
#include <QComboBox>

namespace quillmark {

// A browser's source pop-up lists folder names and translated categories of any length. Sized
// to its longest item it would widen its pane and narrow the canvas, and a pane once widened
// stays so: it asks for room for a few characters only, takes the width its pane has, and cuts
// a longer item in the middle, where folder names differ least.
inline void fitSourcePopUp(QComboBox *popUp)
{
    popUp->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    popUp->setMinimumContentsLength(10);
    popUp->view()->setTextElideMode(Qt::ElideMiddle);
}

} // namespace quillmark
