#pragma once
// The merged sheet the export and print benchmarks share: an address database of any size and
// the canvas on the catalogue's 5160 sheet with a merge field for name, street and city.
#include <QCheckBox>
#include <QString>

#include <memory>

#include "BenchSupport.h"
#include "canvas/RectsView.h"
#include "database/merge/ColorField.h"
#include "database/merge/GroupField.h"
#include "database/merge/MergeFieldTool.h"
#include "database/merge/MergeKinds.h"
#include "database/store/Database.h"
#include "foundation/LanguageControls.h"
#include "foundation/SegmentedControl.h"
#include "objects/ColorRect.h"
#include "objects/Group.h"
#include "stock/DataSource.h"
#include "stock/TLabelType.h"

namespace qmbench {

using namespace quillmark;

constexpr int FullNamePk = 100;
constexpr int AddressPk = 9;
constexpr int CityPk = 10;

// A database of `count` addresses, written in one transaction.
inline std::unique_ptr<quillmark::Database> addressDatabase(int count)
{
    static const char *const first[] = {"Anna", "Bernd", "Chloé", "Dmitri", "Elena", "Farid", "Grace", "Hiro"};
    static const char *const last[] = {"Müller", "Smith", "García-Núñez", "O'Brien", "Kowalski", "Nguyen", "Larsen"};
    static const char *const streets[] = {"Oak Street", "Harbour Road", "Rue de la Paix", "Elm Avenue", "Main St."};
    static const char *const cities[] = {"Springfield", "Santa Cruz", "Portland", "Zürich", "Saint-Étienne"};
    // A file of its own for every benchmark of the process.
    static int made = 0;
    const QString path = workDir().filePath(QStringLiteral("Addresses%1-%2.sqlite").arg(count).arg(++made));
    QString error;
    if (!Database::createDatabaseAtPath(path, &error))
        return nullptr;
    std::unique_ptr<Database> db = Database::openDatabaseAtPath(path, &error);
    if (!db)
        return nullptr;
    db->beginTransaction();
    for (int i = 0; i < count; ++i) {
        db->fieldValues().clear();
        db->initFieldValues();
        QVariantMap &values = db->fieldValues();
        values.insert(QStringLiteral("First_Name"), QString::fromUtf8(first[i % 8]));
        values.insert(QStringLiteral("Last_Name"), QStringLiteral("%1 %2").arg(QString::fromUtf8(last[i % 7])).arg(i));
        values.insert(QStringLiteral("Address"),
                      QStringLiteral("%1 %2").arg(100 + i % 9000).arg(QString::fromUtf8(streets[i % 5])));
        values.insert(QStringLiteral("City"), QString::fromUtf8(cities[i % 5]));
        db->insertRecord();
    }
    db->commitTransaction();
    db->refreshBrowser();
    return db;
}

// The controls the canvas reads its side, layer and orientation from.
struct CanvasControls
{
    SegmentedControl side{{QStringLiteral("Front"), QStringLiteral("Back")}};
    SegmentedControl layers{{QStringLiteral("Background"), QStringLiteral("Foreground")}};
    QCheckBox landscape;
    std::unique_ptr<RectsView> view;
};

// The canvas on the catalogue's 5160 sheet with a merge field for each of the three fields,
// made by the merge-field tool as a click on the label makes them.
inline std::unique_ptr<CanvasControls> mergedSheet()
{
    auto controls = std::make_unique<CanvasControls>();
    controls->side.setSelectedSegment(0);
    controls->layers.setSelectedSegment(1);
    LanguageControls::awakeFromNib(&controls->side);
    controls->view = std::make_unique<RectsView>();
    RectsView *view = controls->view.get();
    RectsView::Outlets outlets;
    outlets.segmentedFrontBackOutlet = &controls->side;
    outlets.segmentedLayersOutlet = &controls->layers;
    outlets.cbLandscapeView = &controls->landscape;
    view->setOutlets(outlets);
    const QModelIndex index = view->dataSource()->modelIndexByName(QStringLiteral("5160"));
    const TLabelType *entry = view->dataSource()->labelTypeAt(index);
    if (!entry)
        return nullptr;
    view->setTLabel(entry->getLabelStruct());
    QPointF at;
    RectsView::mergeFieldPairMaker = [&at](CanvasServices *canvas, const QPointF &, int pk) {
        const MergeFieldPair pair = createDBField(canvas, at, pk);
        return std::pair<GraphicPtr, GraphicPtr>(pair.title, pair.contents);
    };
    const int pks[] = {FullNamePk, AddressPk, CityPk};
    for (int i = 0; i < 3; ++i) {
        at = QPointF(14.0, 8.0 + 18.0 * i);
        view->createDBField(pks[i]);
    }
    view->clearSelection();
    RectsView::mergeFieldPairMaker = nullptr;
    if (view->groups().size() != 3)
        return nullptr;
    return controls;
}

} // namespace qmbench
