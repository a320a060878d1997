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

QString MergeSource::titleAtPk(int pk)
{
    MergeSource *source = current();
    return source ? source->fieldTitleAtPk(pk) : QString();
}

void MergeSource::install(MergeSource *source)
{
    installedSource = source;
}

} // namespace quillmark
