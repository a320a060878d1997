// A vCard file chosen for import: split into cards, each card's properties read, its name,
// addresses and photo taken out, and the card written again.
#include "database/exchange/CVCard.h"
#include "database/exchange/ImportVCardFile.h"
#include "fuzz/FuzzSupport.h"

using namespace quillmark;

QM_FUZZ_TARGET(vcard)
{
    const QString path = qmfuzz::scratchFile(QStringLiteral("Fuzzed.vcf"), qmfuzz::bytes(data, size));
    const ImportVCardFile file(path);
    int n = 0;
    for (CVCard card : file.cards()) {
        if (++n > 50)
            break;
        for (const CVCard::Property &property : card.properties()) {
            CVCard::componentText(property, 0);
            CVCard::componentText(property, 2);
            CVCard::listValues(property);
            CVCard::propertyData(property);
        }
        card.parse();
        card.extractByTag(QStringLiteral("N"), QString(), 0);
        card.extractByTag(QStringLiteral("ADR"), QStringLiteral("HOME"), 2);
        card.extractByTag(QStringLiteral("TEL"), QStringLiteral("WORK"), 0);
        const QByteArray photo = card.extractDataByTag(QStringLiteral("PHOTO"));
        CVCard::imageType(photo);
        CVCard::storedPhoto(photo);
        card.writeVCard();
    }
    return 0;
}
