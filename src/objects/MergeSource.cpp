#include "objects/MergeSource.h"

namespace quillmark {

namespace {

MergeSource *installedSource = nullptr;

} // namespace

MergeSource *MergeSource::current()
{
    return installedSource;
}

void MergeSource::install(MergeSource *source)
{
    installedSource = source;
}

} // namespace quillmark
