#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/QtText.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(QtText, NamesFromScenesComeBackByteForByte)
{
    // UTF-8, Latin-1 bytes, an encoded surrogate and a cut sequence, as scene files hold them.
    const std::string name = "Caf\xC3\xA9 \xF0\x9F\x98\x80 caf\xE9 \xED\xB2\x80 \xF0\x9F";
    const QString shown = QtText(name);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Caf\u00E9 ")));
    EXPECT_EQ(Utf8Text(shown), name);
    EXPECT_EQ(Utf8Text(QStringLiteral("Gl\u00E4ser")), "Gl\xC3\xA4ser");

    // Through the editor's fields and name lists, which write back what they show.
    TNumberEdit field;
    field.SetTextUtf8(name);
    EXPECT_EQ(field.TextUtf8(), name);
    TComboBoxYafRay names;
    names.SetItems({"Wood", name});
    EXPECT_EQ(names.Item(1), name);
    EXPECT_EQ(names.IndexOfValue(name), 1);
}

} // namespace
} // namespace kelvane
