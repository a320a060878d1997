#pragma once

// The filters on offer, gathered from GEGL's operations and from our own: what the catalogue
// of ImageFilter lists and makes.

#include "platform/ImageFilter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace quillmark {

struct FilterEntry
{
    QString name;
    QString displayName;
    QStringList categories;
    std::function<std::unique_ptr<ImageFilter>()> make;
};

// Our own filters (OwnImageFilters*.cpp).
QList<FilterEntry> ownFilterEntries();
// The GEGL operations we offer; empty when GEGL cannot start (GeglImageFilter.cpp).
QList<FilterEntry> geglFilterEntries();

} // namespace quillmark
