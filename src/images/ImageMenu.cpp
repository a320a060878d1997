#include "images/ImageMenu.h"

#include <QAction>
#include <QMenu>

#include "canvas/RectsView.h"
#include "foundation/LanguageControls.h"

namespace quillmark {

namespace {

QAction *addItem(QMenu *menu, const char *title, const std::function<void()> &action)
{
    QAction *item = menu->addAction(QString::fromLatin1(title));
    QObject::connect(item, &QAction::triggered, menu, action);
    return item;
}

} // namespace

QMenu *ImageMenu::create(RectsView *canvas, QWidget *parent)
{
    auto *menu = new QMenu(QStringLiteral("Image"), parent);
    menu->setObjectName(QStringLiteral("ImageMenu"));
    addItem(menu, "Select Image File...", [canvas] { canvas->openImage(); });
    menu->addSeparator();
    QAction *fit = addItem(menu, "Fit Image", [canvas] { canvas->setObjectFitImage(); });
    QAction *reset = addItem(menu, "Reset Fit Image", [canvas] { canvas->setObjectResetImage(); });
    QAction *scale = addItem(menu, "Scale with Box", [canvas] { canvas->fitResetImage(); });
    scale->setCheckable(true);
    QAction *mono = addItem(menu, "Make Monochrome Image", [canvas] { canvas->makeMonohromeFrameImage(); });
    menu->addSeparator();
    addItem(menu, "Select Background Image File...", [canvas] { canvas->openBackgroundImage(); });
    QAction *clear = addItem(menu, "Clear Background Image", [canvas] { canvas->clearBackgroundImage(); });

    QObject::connect(menu, &QMenu::aboutToShow, menu, [canvas, fit, reset, scale, mono, clear] {
        const bool selection = !canvas->selectedObjects().isEmpty();
        for (QAction *item : {fit, reset, scale, mono})
            item->setEnabled(selection);
        // On for every selected object scaling its picture with its box; a mixed selection
        // shows no mark.
        scale->setChecked(selection && canvas->isSelectedScaleImageWithBox() == 1);
        clear->setEnabled(canvas->canClearBackgroundImage());
    });
    LanguageControls::awakeFromNib(menu);
    return menu;
}

} // namespace quillmark
