#include "database/exchange/ContactSource.h"

namespace quillmark {

namespace {

std::unique_ptr<ContactSource> &installed()
{
    static std::unique_ptr<ContactSource> source;
    return source;
}

} // namespace

const QString ContactSource::LabelWork = QStringLiteral("_$!<Work>!$_");
const QString ContactSource::LabelHome = QStringLiteral("_$!<Home>!$_");
const QString ContactSource::LabelWorkFax = QStringLiteral("_$!<WorkFAX>!$_");
const QString ContactSource::LabelHomeFax = QStringLiteral("_$!<HomeFAX>!$_");
const QString ContactSource::LabelMobile = QStringLiteral("_$!<Mobile>!$_");

ContactSource::~ContactSource() = default;

bool ContactSource::fetch(QString *)
{
    return true;
}

ContactSource *ContactSource::system()
{
    return installed().get();
}

void ContactSource::setSystem(std::unique_ptr<ContactSource> source)
{
    installed() = std::move(source);
}

} // namespace quillmark
