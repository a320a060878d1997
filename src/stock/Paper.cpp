#include "stock/Paper.h"

#include <array>

namespace quillmark {

namespace {

struct KnownPaper
{
    const char *name;
    const char *media;
    QPageSize::PageSizeId id;
};

constexpr std::array<KnownPaper, 10> kPapers = {{
    {"Letter", "na-letter", QPageSize::Letter},
    {"Legal", "na-legal", QPageSize::Legal},
    {"Executive", "na-executive", QPageSize::ExecutiveStandard},
    {"Statement", "na-invoice", QPageSize::Statement},
    {"Tabloid", "na-ledger", QPageSize::Tabloid},
    {"A3", "iso-a3", QPageSize::A3},
    {"A4", "iso-a4", QPageSize::A4},
    {"A5", "iso-a5", QPageSize::A5},
    {"A6", "iso-a6", QPageSize::A6},
    {"B5", "iso-b5", QPageSize::B5},
}};

const KnownPaper *findPaper(const QString &name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return nullptr;
    for (const KnownPaper &paper : kPapers)
        if (wanted.compare(QLatin1String(paper.name), Qt::CaseInsensitive) == 0
            || wanted.compare(QLatin1String(paper.media), Qt::CaseInsensitive) == 0)
            return &paper;
    return nullptr;
}

} // namespace

QPageSize pageSizeForPaper(const QString &name)
{
    const KnownPaper *paper = findPaper(name);
    return paper ? QPageSize(paper->id) : QPageSize();
}

QString canonicalPaperName(const QString &name)
{
    const KnownPaper *paper = findPaper(name);
    return paper ? QString::fromLatin1(paper->name) : QString();
}

QString paperNameForPageSize(const QPageSize &size)
{
    if (!size.isValid())
        return {};
    for (const KnownPaper &paper : kPapers)
        if (size.id() == paper.id)
            return QString::fromLatin1(paper.name);
    return {};
}

} // namespace quillmark
