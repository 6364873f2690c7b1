// A scripted editor killed with SIGKILL after some edits (or in the middle of writing one): the
// next start recovers the journal and saves what the same edits followed by a save write.
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

// Each line is one step, so one record of the journal.
const char* const kEdits[] = {
    "select \"light -- Lamp\"\ntype edtLgtPower 30\n",
    "tick cbDiffuse off\n",
    "select \"shader -- Glass\"\ntick-item listShaderList Reflection off\n",
    "choose combShrType constant\n",
};

// A private program folder with the sample scene.
struct TEditorFolder {
    TEditorFolder()
    {
        std::error_code ec;
        fs::create_hard_link(KELVANE_EDITOR_EXE, dir / "kelvane", ec);
        if (ec)
            fs::copy_file(KELVANE_EDITOR_EXE, dir / "kelvane");
        dir.Write("Pellith.ini", "[System]\r\nEXEPath=/opt/yafray/yafray\r\n");
        fs::copy(fs::path(KELVANE_SOURCE_DIR) / "data" / "preview", dir / "preview");
        fs::create_directories(dir / "scene");
        fs::create_directories(dir / "out");
        for (const char* file : {"sample.xml", "wood.jpg"})
            fs::copy_file(fs::path(KELVANE_SOURCE_DIR) / "data" / "samples" / file, dir / "scene" / file);
    }
    TProcessResult Run(const std::string& script, const char* kill = nullptr)
    {
        dir.Write("script.txt", script);
        if (kill)
            setenv("KELVANE_JOURNAL_KILL", kill, 1);
        TProcessOptions options;
        options.workFolder = dir.Path();
        options.tempFolder = dir / "out";
        TProcessResult r = RunProcess(dir / "out", (dir / "kelvane").string(),
                                      {"--script", "script.txt", "scene/sample.xml"}, options);
        unsetenv("KELVANE_JOURNAL_KILL");
        return r;
    }
    std::string Scene() const { return ReadAll(dir / "scene" / "sample.xml"); }

    TempDir dir;
};

std::string Edits(int count)
{
    std::string script;
    for (int i = 0; i < count; ++i)
        script += kEdits[i];
    return script;
}

// kill: records written before the end ("2.5": half of the third written too); steps: the
// steps a recovery makes again.
void KilledAndRecovered(const char* kill, int steps, const std::string& damage)
{
    TEditorFolder reference;
    ASSERT_EQ(reference.Run(Edits(steps) + "click SaveS1\n").status, 0);

    TEditorFolder killed;
    const TProcessResult k = killed.Run(Edits(4) + "click SaveS1\n", kill);
    EXPECT_FALSE(k.exited);
    EXPECT_EQ(k.status, -SIGKILL) << k.err;
    const TProcessResult r = killed.Run("click SaveS1\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "message: Recover unsaved changes to sample.xml?\n" + damage);
    EXPECT_EQ(killed.Scene(), reference.Scene());
    // Saved: the journal is gone, and the next start finds nothing to recover.
    EXPECT_TRUE(FolderEntries(killed.dir / "journal").empty());
    EXPECT_EQ(killed.Run("").out, "");
}

TEST(JournalKill, AfterOneEdit)
{
    KilledAndRecovered("1", 1, "");
}

TEST(JournalKill, AfterThreeEdits)
{
    KilledAndRecovered("3", 3, "");
}

TEST(JournalKill, WhileWritingTheThirdEdit)
{
    KilledAndRecovered("2.5", 2, "message: The journal of sample.xml is damaged: 1 step could not be recovered.\n");
}

TEST(JournalKill, AJournalOfAnOlderFileIsKeptAside)
{
    TEditorFolder f;
    ASSERT_EQ(f.Run(Edits(1), "1").status, -SIGKILL);
    f.dir.Write("scene/sample.xml", f.Scene() + "\r\n");
    const TProcessResult r = f.Run("");
    const std::vector<fs::path> kept = FolderEntries(f.dir / "journal");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(r.out, "message: The unsaved changes to sample.xml belong to an older version of the file; they are "
                     "kept in " + kept[0].string() + ".\n");
}

} // namespace
} // namespace kelvane::test
