// What kelvane-scene leaves in the temporary folder when a signal ends it.
#include "support/Process.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <sys/wait.h>

using kelvane::test::TempDir;
namespace fs = std::filesystem;

namespace {

bool HoldsRenderingFile(const fs::path& folder)
{
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.path().filename() == "~Rendering.tmp")
            return true;
    return false;
}

} // namespace

// SIGHUP and SIGTERM end a render with its work folder removed; a SIGKILL leaves the folder,
// which the next run removes once it is no longer in use.
TEST(CliTempFiles, EndingSignalsLeaveNothingAndAKilledRunsFolderGoesWithTheNextRun)
{
    for (const int signal : {SIGHUP, SIGKILL}) {
        TempDir dir;
        const std::string scene = dir.Write("quiet.xml", kelvane::test::SampleScene("silent")).string();
        kelvane::test::TProcessOptions options;
        options.tempFolder = dir / "tmp";
        // The renderer left without its reader ends at its first output, a second later.
        options.environment = {"KELVANE_STANDIN_SILENT_MS=1000"};
        const int pid = kelvane::test::SpawnProcess(dir.Path(), KELVANE_SCENE_EXE,
                                                    {"render", scene, "--renderer", KELVANE_STANDIN_EXE}, options);
        ASSERT_GT(pid, 0);
        bool running = false;
        for (int i = 0; i < 1200 && !running; ++i) {
            running = HoldsRenderingFile(dir / "tmp");
            if (!running)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(running);
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << signal;
        EXPECT_EQ(WTERMSIG(status), signal);
        if (signal == SIGKILL) {
            ASSERT_FALSE(fs::is_empty(dir / "tmp"));
            // A folder of that name without the lock file is someone else's: it stays.
            fs::create_directory(dir / "tmp/kelvane-scene-other1");
            // A folder just made may not be locked yet: only one left a while ago is removed.
            for (const auto& e : fs::directory_iterator(dir / "tmp"))
                fs::last_write_time(e.path(), fs::file_time_type::clock::now() - std::chrono::minutes(1));
            const auto check = kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, {"check", scene}, options);
            EXPECT_EQ(check.status, 0) << check.err;
            fs::remove(dir / "tmp/kelvane-scene-other1");
        }
        EXPECT_TRUE(fs::is_empty(dir / "tmp")) << signal;
    }
}
