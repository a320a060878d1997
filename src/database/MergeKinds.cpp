#include "database/MergeKinds.h"

#include <memory>

#include "database/ColorAddress.h"
#include "database/ColorField.h"
#include "database/DatabaseMergeSource.h"
#include "database/GroupField.h"
#include "database/TextAttachmentCell.h"
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
