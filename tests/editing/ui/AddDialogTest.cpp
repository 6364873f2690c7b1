// The add dialog's type list follows the kind table, a registered kind included.
#include "editing/SceneSession.h"
#include "editing/ui/UnitAddObj.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <gtest/gtest.h>

namespace kelvane::test {
namespace {

TEST(AddDialog, ListsTheKindTableEntriesInOrder)
{
    TempDir dir;
    TSceneSession session(dir.Path());
    TKindRegistration volume({.name = "volume", .add = {{.caption = "volume", .position = 11, .type = "fog"}}});
    TfrmAddObj dialog(session, [](const QString&) {});
    QStringList items;
    for (int i = 0; i < dialog.combType->count(); ++i)
        items << dialog.combType->itemText(i);
    EXPECT_EQ(items, (QStringList{"shader", "hemilight ( Sky Light )", "pathlight ( Global Ilumination )", "filter",
                                  "background", "pointlight", "spotlight", "sunlight", "arealight", "softlight",
                                  "camera", "volume"}));
}

} // namespace
} // namespace kelvane::test
