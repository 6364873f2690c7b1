#include "controls/IniFileCompo.h"

#include "scene/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kelvane {
namespace {

using test::ReadAll;
using test::TempDir;

// A store whose "executable" lives in a private folder, so its file is <dir>/kelvane.ini.
struct Store {
    explicit Store(const TempDir& dir, bool autoUpdate = false) : ini(dir / "kelvane")
    {
        ini.SetAutoUpdate(autoUpdate);
    }
    TIniFileCompo ini;
};

class FakeWindow : public IPlacementTarget {
public:
    TWindowPlacement placement{0, 1, -1, -1, 10, 20, 110, 220};
    bool showing = false;
    int state = wsNormal;
    int clientWidth = 90;
    int clientHeight = 180;
    std::vector<TWindowPlacement> applied;
    std::vector<int> statesSet;

    TWindowPlacement GetPlacement() const override { return placement; }
    void SetPlacement(const TWindowPlacement& p) override
    {
        placement = p;
        applied.push_back(p);
    }
    bool IsShowing() const override { return showing; }
    int WindowState() const override { return state; }
    void SetWindowState(int s) override
    {
        state = s;
        statesSet.push_back(s);
    }
    int ClientWidth() const override { return clientWidth; }
    int ClientHeight() const override { return clientHeight; }
};

TEST(IniFileCompo, NoFileGivesDefaultsAndIsWrittenAtDestructionOnlyWithAutoUpdate)
{
    TempDir dir;
    {
        Store s(dir, true);
        EXPECT_EQ(s.ini.FullPath(), dir / "kelvane.ini");
        EXPECT_EQ(s.ini.ReadString("System", "StopWindow", "Show"), "Show");
        std::vector<std::string> list{"x"};
        s.ini.ReadList("System", "LatestFiles", list);
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "kelvane.ini"));
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "kelvane.ini"));
    TempDir other;
    {
        Store s(other, false);
        s.ini.WriteString("System", "EXEPath", "/opt/yafray");
    }
    EXPECT_FALSE(std::filesystem::exists(other / "kelvane.ini"));
}

TEST(IniFileCompo, LoadingRules)
{
    TempDir dir;
    dir.Write("kelvane.ini",
              "\xEF\xBB\xBF"
              "stray=before any section\r\n"
              "  [ system ]  \r\n"
              "exepath  =  /opt/yafray  \n"
              "; a comment\r"
              "\r\n"
              "Empty=\r\n"
              "a line without equals\r\n"
              "Spaces = a = b \r\n"
              "[Other]\r\n"
              "k=1\r\n"
              "[System]\r\n"
              "EXEPath=second\r\n");
    Store s(dir);
    EXPECT_EQ(s.ini.ReadString("System", "EXEPath", "?"), "/opt/yafray");
    EXPECT_TRUE(s.ini.ValueExists("SYSTEM", "exePATH"));
    EXPECT_EQ(s.ini.ReadString("System", "Empty", "default"), "");
    EXPECT_EQ(s.ini.ReadString("System", "Spaces", ""), "a = b");
    EXPECT_FALSE(s.ini.ValueExists("System", "stray"));
    EXPECT_FALSE(s.ini.ValueExists("System", "a line without equals"));
    s.ini.SetCaseSensitive(true);
    EXPECT_FALSE(s.ini.ValueExists("SYSTEM", "exepath"));
    EXPECT_TRUE(s.ini.ValueExists("system", "exepath"));
    s.ini.UpdateFile();
    EXPECT_EQ(ReadAll(dir / "kelvane.ini"),
              "[system]\r\n"
              "exepath=/opt/yafray\r\n"
              "Empty=\r\n"
              "a line without equals\r\n"
              "Spaces=a = b\r\n"
              "\r\n"
              "[Other]\r\n"
              "k=1\r\n"
              "\r\n"
              "[System]\r\n"
              "EXEPath=second\r\n"
              "\r\n");
}

TEST(IniFileCompo, WritesReplaceInPlaceAndAppend)
{
    TempDir dir;
    dir.Write("kelvane.ini", "[System]\r\nexepath=/old\r\nOther=1\r\n");
    Store s(dir);
    s.ini.WriteString("SYSTEM", "EXEPath", "/new");
    s.ini.WriteString("System", "Third", "3");
    s.ini.WriteString("Save", "PNGFilter", "0");
    s.ini.WriteString("System", "Broken", "one\r\n[Evil]\nx=y");
    s.ini.WriteString("System", "Bytes", "\xff\xfe caf\xc3\xa9");
    EXPECT_EQ(s.ini.Document().GetText(),
              "[System]\r\nEXEPath=/new\r\nOther=1\r\nThird=3\r\nBroken=one  [Evil] x=y\r\n"
              "Bytes=\xff\xfe caf\xc3\xa9\r\n\r\n"
              "[Save]\r\nPNGFilter=0\r\n\r\n");
    s.ini.UpdateFile();
    Store again(dir);
    EXPECT_EQ(again.ini.ReadString("System", "Bytes", ""), "\xff\xfe caf\xc3\xa9");
    EXPECT_FALSE(again.ini.Document().SectionExists("Evil"));
}

TEST(IniFileCompo, IntegersAndColours)
{
    TempDir dir;
    dir.Write("kelvane.ini",
              "[S]\r\nhex=0x0A\r\nletters=abc\r\ndollar=$1F\r\nbig=2147483648\r\nallbits=0xFFFFFFFF\r\n"
              "bare=0x\r\nwide=0x100000000\r\nspaced= 7 \r\nempty=\r\n"
              "[C]\r\nbare=00808000\r\nnothex=teal\r\nshort=F\r\nnine=$100000000\r\nall=$FFFFFFFF\r\nlone=$\r\n");
    Store s(dir);
    const std::pair<const char*, int32_t> integers[] = {
        {"hex", 10}, {"letters", -99}, {"dollar", 31}, {"big", -99}, {"allbits", -1},
        {"bare", -99}, {"wide", -99}, {"spaced", 7}, {"empty", -99},
    };
    for (const auto& [key, value] : integers)
        EXPECT_EQ(s.ini.ReadInteger("S", key, -99), value) << key;
    const TColor def = 0x123456;
    const std::pair<const char*, TColor> colours[] = {
        {"bare", 0x808000}, {"nothex", def}, {"short", 0xF}, {"nine", def}, {"all", 0xFFFFFFFF}, {"lone", def},
    };
    for (const auto& [key, value] : colours)
        EXPECT_EQ(s.ini.ReadColor("C", key, def), value) << key;
    s.ini.WriteInteger("S", "written", -42);
    EXPECT_EQ(s.ini.ReadString("S", "written", ""), "-42");
    s.ini.WriteColor("C", "low", 0xab);
    EXPECT_EQ(s.ini.ReadString("C", "low", ""), "$000000AB");
}

TEST(IniFileCompo, ListGroups)
{
    TempDir dir;
    Store s(dir);
    s.ini.WriteList("System", "LatestFiles", {"a", "b", "c", "d", "e", "f"});
    s.ini.WriteList("System", "latestfiles", {"1", "2", "3", "4"});
    EXPECT_EQ(s.ini.Document().GetText(),
              "[System]\r\nlatestfiles=LIST\r\nlatestfiles.count=4\r\nlatestfiles.0=1\r\nlatestfiles.1=2\r\n"
              "latestfiles.2=3\r\nlatestfiles.3=4\r\n\r\n");
    std::vector<std::string> list;
    s.ini.ReadList("System", "LatestFiles", list);
    EXPECT_EQ(list, (std::vector<std::string>{"1", "2", "3", "4"}));

    dir.Write("other.ini",
              "[System]\r\nNoCount=LIST\r\nNoCount.0=x\r\nGap.count=3\r\nGap.0=a\r\nGap.2=c\r\nGap.02=zero\r\n"
              "Huge.count=2000000000\r\nHuge.0=first\r\nHuge.1=second\r\n");
    s.ini.SetFileName("other.ini");
    s.ini.ReadList("System", "NoCount", list);
    EXPECT_TRUE(list.empty());
    s.ini.ReadList("System", "Gap", list);
    EXPECT_EQ(list, (std::vector<std::string>{"a", "", "c"}));
    s.ini.ReadList("System", "Huge", list);
    EXPECT_EQ(list, (std::vector<std::string>{"first", "second"}));
    // Writing over a huge stored count deletes the old entries in one pass.
    s.ini.WriteList("System", "Huge", {"only"});
    EXPECT_FALSE(s.ini.ValueExists("System", "Huge.1"));
    EXPECT_EQ(s.ini.ReadString("System", "Huge.0", ""), "only");
}

TEST(IniFileCompo, WriteFormStoresTheGroupInOrder)
{
    TempDir dir;
    Store s(dir);
    FakeWindow w;
    w.placement = TWindowPlacement{2, 3, -1, -8, 10, 20, 110, 220};
    w.state = wsMaximized;
    s.ini.WriteForm("Interface", "MainWindow", w);
    EXPECT_EQ(s.ini.Document().GetText(),
              "[Interface]\r\nMainWindow=FORM\r\nMainWindow.flags=2\r\nMainWindow.show=3\r\n"
              "MainWindow.maxx=-1\r\nMainWindow.maxy=-8\r\nMainWindow.left=10\r\nMainWindow.top=20\r\n"
              "MainWindow.width=110\r\nMainWindow.height=220\r\nMainWindow.state=2\r\n"
              "MainWindow.cwidth=90\r\nMainWindow.cheight=180\r\n\r\n");
}

TEST(IniFileCompo, ReadFormChangesOnlyWhatIsStored)
{
    TempDir dir;
    dir.Write("kelvane.ini", "[Interface]\r\nW.left=300\r\nW.top=400\r\nW.state=1\r\n"
                             "M.state=2\r\nM.show=3\r\n");
    Store s(dir);
    FakeWindow w;
    s.ini.ReadForm("Interface", "W", w);
    ASSERT_EQ(w.applied.size(), 1u);
    const TWindowPlacement& p = w.applied[0];
    EXPECT_EQ(p.left, 300);
    EXPECT_EQ(p.right, 110);
    EXPECT_EQ(p.showCmd, swHide); // a window not yet showing is placed hidden
    EXPECT_EQ(w.statesSet, std::vector<int>{wsNormal}); // a stored minimized state restores normal

    FakeWindow m;
    s.ini.ReadForm("Interface", "M", m);
    EXPECT_EQ(m.statesSet, std::vector<int>{wsMaximized});

    FakeWindow shown;
    shown.showing = true;
    s.ini.ReadForm("Interface", "M", shown);
    ASSERT_EQ(shown.applied.size(), 1u);
    EXPECT_EQ(shown.applied[0].showCmd, 3);
    EXPECT_TRUE(shown.statesSet.empty());
}

TEST(IniFileCompo, UpdateAtOnceWritesAndNotifies)
{
    TempDir dir;
    Store s(dir);
    int updates = 0;
    s.ini.OnUpdate = [&](TIniFileCompo&) { ++updates; };
    s.ini.WriteString("S", "a", "1");
    EXPECT_EQ(updates, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "kelvane.ini"));
    s.ini.SetUpdateAtOnce(true);
    s.ini.WriteString("S", "b", "2");
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(ReadAll(dir / "kelvane.ini"), "[S]\r\na=1\r\nb=2\r\n\r\n");
    s.ini.WriteList("S", "L", {"x", "y"});
    EXPECT_EQ(updates, 2); // one write for the whole group
}

TEST(IniFileCompo, FileNameAndFoldersReload)
{
    TempDir dir;
    dir.Write("Pellith.ini", "[System]\r\nEXEPath=/p\r\n");
    dir.Write("config/kelvane/Pellith.ini", "[System]\r\nEXEPath=/appdata\r\n");
    Store s(dir);
    int loads = 0;
    s.ini.OnLoad = [&](TIniFileCompo&) { ++loads; };
    s.ini.WriteString("System", "Unsaved", "1");
    s.ini.SetFileName("Pellith.ini");
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(s.ini.FullPath(), dir / "Pellith.ini");
    EXPECT_EQ(s.ini.ReadString("System", "EXEPath", ""), "/p");
    EXPECT_FALSE(s.ini.ValueExists("System", "Unsaved"));

    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    s.ini.SetDefaultFolder(TDefaultFolder::dfAppData);
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(s.ini.FullPath(), dir / "config/kelvane/Pellith.ini");
    EXPECT_EQ(s.ini.ReadString("System", "EXEPath", ""), "/appdata");

    s.ini.SetFileName("New.ini");
    setenv("XDG_CONFIG_HOME", (dir / "fresh").c_str(), 1);
    s.ini.SetDefaultFolder(TDefaultFolder::dfAppData);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "fresh/kelvane")); // missing folders are made
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");

    s.ini.SetDefaultFolder(TDefaultFolder::dfApplication);
    EXPECT_EQ(s.ini.FullPath(), dir / "New.ini");
}

TEST(IniFileCompo, UnwritableFileIsReportedOnce)
{
    TempDir dir;
    std::vector<std::string> errors;
    {
        Store s(dir, true);
        s.ini.OnError = [&](const std::string& m) { errors.push_back(m); };
        s.ini.SetFileName("missing/folder/x.ini");
        EXPECT_THROW(s.ini.UpdateFile(), EFileError);
        EXPECT_TRUE(errors.empty()); // a direct write raises instead
        s.ini.SetUpdateAtOnce(true);
        s.ini.WriteString("S", "a", "1");
        s.ini.WriteString("S", "b", "2");
        EXPECT_EQ(errors.size(), 1u);
        EXPECT_EQ(s.ini.LastError(), errors[0]);
        EXPECT_NE(errors[0].find("x.ini"), std::string::npos);
    }
    EXPECT_EQ(errors.size(), 1u); // the write at destruction fails the same way: not repeated

    errors.clear();
    {
        Store s(dir, true);
        s.ini.OnError = [&](const std::string& m) { errors.push_back(m); };
        s.ini.SetFileName("missing/x.ini");
    }
    EXPECT_EQ(errors.size(), 1u); // a failure at destruction alone is reported
}

TEST(IniFileCompo, FailedWriteKeepsTheOldFileAndRecovers)
{
    TempDir dir;
    dir.Write("kelvane.ini", "[S]\r\nkeep=1\r\n");
    std::vector<std::string> errors;
    Store s(dir);
    s.ini.OnError = [&](const std::string& m) { errors.push_back(m); };
    s.ini.SetUpdateAtOnce(true);
    // A folder in the way of the temporary file's rename: the old folder entry stays intact.
    std::filesystem::create_directory(dir / "blocked.ini");
    dir.Write("blocked.ini/inside", "x");
    s.ini.SetFileName("blocked.ini");
    EXPECT_EQ(errors.size(), 1u); // the folder cannot be read as a settings file
    s.ini.WriteString("S", "a", "1");
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "blocked.ini"));
    s.ini.SetFileName("kelvane.ini");
    EXPECT_EQ(s.ini.ReadString("S", "keep", ""), "1");
    s.ini.WriteString("S", "b", "2");
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(ReadAll(dir / "kelvane.ini"), "[S]\r\nkeep=1\r\nb=2\r\n\r\n");
}

} // namespace
} // namespace kelvane
