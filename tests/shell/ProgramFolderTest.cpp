#include "shell/ProgramFolder.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

#include <unistd.h>

namespace kelvane {
namespace {

using test::ReadAll;
using test::TempDir;

struct InstalledLayout {
    TempDir dir;
    fs::path bin = dir / "prefix/bin";
    fs::path data = dir / "prefix/share/kelvane";
    InstalledLayout()
    {
        fs::create_directories(bin);
        fs::create_directories(data / "samples");
        dir.Write("prefix/share/kelvane/readme.txt", "read me");
        dir.Write("prefix/share/kelvane/samples/sample.xml", "<scene/>");
    }
    TProgramFolderPlace Place(std::string xdg, std::string home) const
    {
        return {bin, data, std::move(xdg), std::move(home)};
    }
};

TEST(ProgramFolder, AFolderHoldingTheProgramFilesIsItsOwnProgramFolder)
{
    InstalledLayout l;
    const std::string xdg = (l.dir / "xdg").string();
    // The read-me or the settings file mark a build folder or a portable copy.
    for (const char* marker : {"readme.txt", "Pellith.ini"}) {
        TempDir own;
        own.Write(marker, "x");
        EXPECT_EQ(ChooseProgramFolder({own.Path(), l.data, xdg, ""}), own.Path() / "") << marker;
    }
    // A folder holding only other files is not one; without any home there is nowhere else.
    EXPECT_EQ(ChooseProgramFolder(l.Place("", "")), l.bin / "");
    EXPECT_FALSE(fs::exists(l.dir / "xdg"));
}

TEST(ProgramFolder, AnInstalledProgramGetsAPerUserFolderFilledFromItsData)
{
    InstalledLayout l;
    const fs::path folder = ChooseProgramFolder(l.Place((l.dir / "xdg").string(), (l.dir / "home").string()));
    EXPECT_EQ(folder, l.dir / "xdg/kelvane/");
    EXPECT_EQ(ReadAll(folder / "readme.txt"), "read me");
    EXPECT_EQ(ReadAll(folder / "samples/sample.xml"), "<scene/>");
    EXPECT_FALSE(fs::exists(l.bin / "readme.txt"));

    // Later starts keep what the user changed and add what a newer installation brings.
    std::ofstream(folder / "readme.txt", std::ios::binary) << "edited";
    l.dir.Write("prefix/share/kelvane/preview.jpg", "jpeg");
    ChooseProgramFolder(l.Place((l.dir / "xdg").string(), ""));
    EXPECT_EQ(ReadAll(folder / "readme.txt"), "edited");
    EXPECT_EQ(ReadAll(folder / "preview.jpg"), "jpeg");

    // A relative XDG_DATA_HOME is ignored for the default under the home folder; a missing data
    // folder still gives the folder, empty.
    InstalledLayout bare;
    fs::remove_all(bare.data);
    const fs::path home = bare.dir / "home";
    EXPECT_EQ(ChooseProgramFolder(bare.Place("relative/xdg", home.string())), home / ".local/share/kelvane/");
    EXPECT_TRUE(fs::is_directory(home / ".local/share/kelvane"));
}

TEST(ProgramFolder, AReadOnlyFolderIsNotTheProgramFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    InstalledLayout l;
    l.dir.Write("prefix/bin/readme.txt", "x");
    fs::permissions(l.bin, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(ChooseProgramFolder(l.Place((l.dir / "xdg").string(), "")), l.dir / "xdg/kelvane/");
    fs::permissions(l.bin, fs::perms::owner_write, fs::perm_options::add);
}

TEST(ProgramFolder, TheBundledRendererIsAnExecutableBesideTheProgram)
{
    TempDir dir;
    EXPECT_EQ(BundledRenderer(dir.Path()), fs::path());
    const fs::path renderer = dir.Write("yafray", "#!/bin/sh\n");
    EXPECT_EQ(BundledRenderer(dir.Path()), fs::path());  // not executable
    fs::permissions(renderer, fs::perms::owner_exec, fs::perm_options::add);
    EXPECT_EQ(BundledRenderer(dir.Path()), renderer);
}

} // namespace
} // namespace kelvane
