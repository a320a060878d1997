#pragma once
// What one print job keeps from page to page: the records a merged job walks, read through
// one reader for the whole job, and what the sheet renderer reads of the canvas, taken once.
#include <memory>
#include <optional>
#include <vector>

#include "canvas/RectsView.h"
#include "printing/RecordRun.h"
#include "printing/SheetImaging.h"

namespace quillmark {

struct RectsView::SheetJob
{
    std::unique_ptr<RecordRun> records;
    std::unique_ptr<SheetLayout> layout;
};

} // namespace quillmark
