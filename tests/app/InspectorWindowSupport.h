#pragma once
// The inspector of the whole window as the window tests work it: its pages opened as the side
// panel's buttons open them, objects put where Select All and the inspector reach them, and the
// stored forms an edit changes and Undo must give back.
#include <QList>
#include <QPointer>
#include <QVariantMap>

#include <functional>

#include "app/AppTestSupport.h"
#include "inspector/InspectorPage.h"
#include "inspector/ObjectInfoPanel.h"
#include "inspector/PropertiesView.h"

namespace apptest {

// Opens the pages whose tab `wanted` accepts (every page without it), then lets the window
// settle.
inline void openInspectorPages(WindowFixture &f, const std::function<bool(int tab)> &wanted = {})
{
    quillmark::ObjectInfoPanel *info = f.window->objectInfo();
    quillmark::PropertiesView *panel = f.window->propertiesView();
    ASSERT_TRUE(info && panel);
    for (const QPointer<quillmark::InspectorPage> &page : info->pages()) {
        if (!page || (wanted && !wanted(page->tab())))
            continue;
        if (const int tag = info->tagOfPage(page->tab()); tag > 0 && !panel->isButtonSelected(tag))
            panel->openPropertiesByType(tag);
    }
    settle();
}

// The object added to the design on the canvas's current page and first layer.
inline quillmark::GraphicPtr placeOnCanvas(quillmark::RectsView *canvas, const quillmark::GraphicPtr &object)
{
    object->setPageName(canvas->getCurrPageName());
    object->setObjectLayer(1);
    canvas->addGraphic(object);
    return object;
}

// Each object's stored form, in the design's order.
inline QList<QVariantMap> storedForms(quillmark::RectsView *canvas)
{
    QList<QVariantMap> forms;
    for (const quillmark::GraphicPtr &object : canvas->getRects())
        forms.append(object->propertyListRepresentation(nullptr));
    return forms;
}

} // namespace apptest
