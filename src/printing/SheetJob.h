#pragma once
// What one print job keeps from page to page: the records a merged job walks, read through
// one reader for the whole job, and the outlines of the sheet's positions, made once.
#include <memory>
#include <optional>
#include <vector>

#include "canvas/RectsView.h"
#include "printing/RecordRun.h"

namespace quillmark {

struct RectsView::SheetJob
{
    std::unique_ptr<RecordRun> records;
    std::vector<std::optional<PositionOutline>> outlines;
};

} // namespace quillmark
