// The configuration dialog on a settings store in a temporary program folder.
#include "FakeDialogs.h"

#include "controls/IniFileCompo.h"
#include "support/TempDir.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace kelvane::test {

namespace {

struct ConfigFixture {
    TempDir dir;
    TIniFileCompo ini{dir.Path() / "kelvane"};
    TFakeDialogs dialogs;
    TDialogsScope scope{dialogs};
    ConfigFixture() { ini.SetFileName("Pellith.ini"); }
};

int ColourIndex(const QString& name)
{
    const auto& named = NamedColours();
    for (size_t i = 0; i < named.size(); ++i)
        if (named[i].name == name)
            return int(i);
    return -1;
}

} // namespace

TEST(ConfigDialog, EscapeAndACancelledBrowseChangeNothing)
{
    ConfigFixture f;
    TfrmConfigu d(f.ini);
    d.reject();  // Escape does not leave the dialog while the path is empty
    EXPECT_EQ(d.result(), 0);
    f.dialogs.openAnswers.push_back({});
    d.btnOpenExe->click();
    EXPECT_TRUE(d.edtPath->text().isEmpty());
}

TEST(ConfigDialog, ColourChoiceIsStoredForTheSelectedRowOnly)
{
    ConfigFixture f;
    TfrmConfigu d(f.ini);
    // No row selected: nothing is written.
    d.clbFontColor->setCurrentIndex(ColourIndex(QStringLiteral("Lime")));
    d.clbFontColorChange();
    EXPECT_FALSE(f.ini.ValueExists("System", "FColor_L"));

    d.listFontList->setCurrentRow(2);  // light
    d.clbFontColor->setCurrentIndex(ColourIndex(QStringLiteral("Purple")));
    d.clbFontColorChange();
    d.listFontList->setCurrentRow(0);
    EXPECT_EQ(d.clbFontColor->currentText(), QStringLiteral("Black"));
    d.listFontList->setCurrentRow(2);
    EXPECT_EQ(d.clbFontColor->currentText(), QStringLiteral("Purple"));

    // A hand-written colour that has no name leaves the drop-down empty.
    f.ini.WriteColor("System", "FColor_S", 0x123456);
    d.listFontList->setCurrentRow(5);
    EXPECT_EQ(d.clbFontColor->currentIndex(), -1);
}

TEST(ConfigDialog, FiltersTranslateForQt)
{
    EXPECT_EQ(QtFilter(QStringLiteral("YafRay ( *.xml, *.txt )|*.xml; *.txt|All Files ( *.* )|*.*")),
              QStringLiteral("YafRay ( *.xml, *.txt ) (*.xml *.txt);;All Files ( *.* ) (*)"));
    EXPECT_EQ(QtFilter(QStringLiteral("yafray.exe|yafray.exe|yafray|yafray")),
              QStringLiteral("yafray.exe (yafray.exe);;yafray (yafray)"));
}

} // namespace kelvane::test
