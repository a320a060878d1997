#include "database/merge/MergeKinds.h"

#include <memory>

#include "database/merge/ColorAddress.h"
#include "database/merge/ColorField.h"
#include "database/merge/DatabaseMergeSource.h"
#include "database/merge/GroupField.h"
#include "database/merge/TextAttachmentCell.h"
#include "objects/MergeSource.h"
#include "objects/ObjectFactory.h"

namespace quillmark {

void registerMergeKinds()
{
    ObjectFactory::registerClass(QStringLiteral("ColorField"), [] { return std::make_shared<ColorField>(); });
    ColorAddress::registerKind();
    TextAttachmentCell::registerKind();
    registerGroupFieldKind();
    MergeSource::install(&DatabaseMergeSource::shared());
}

} // namespace quillmark
