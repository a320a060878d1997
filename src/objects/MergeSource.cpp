#include "objects/MergeSource.h"

namespace quillmark {

namespace {

MergeSource *installedSource = nullptr;
thread_local MergeSource *threadSource = nullptr;

} // namespace

MergeSource *MergeSource::current()
{
    return threadSource ? threadSource : installedSource;
}

void MergeSource::installForThisThread(MergeSource *source)
{
    threadSource = source;
}

void MergeSource::install(MergeSource *source)
{
    installedSource = source;
}

} // namespace quillmark
