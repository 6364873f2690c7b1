// kelvane-scene render with the stand-in renderer, on copies of the sample scene.
#include "support/Process.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>

using kelvane::test::ReadAll;
using kelvane::test::TempDir;
namespace fs = std::filesystem;

extern char** environ;

namespace {

kelvane::test::TProcessResult Render(const TempDir& dir, std::vector<std::string> args,
                                     const std::string& program = KELVANE_SCENE_EXE)
{
    kelvane::test::TProcessOptions options;
    fs::create_directories(dir / "tmp");
    options.tempFolder = dir / "tmp";
    args.insert(args.begin(), "render");
    return kelvane::test::RunProcess(dir.Path(), program, args, options);
}

std::string Scene(const TempDir& dir, const std::string& name, const std::string& mode = {})
{
    return dir.Write(name, kelvane::test::SampleScene(mode)).string();
}

} // namespace

TEST(CliRender, BatchBesideEachSceneStopsAtTheFailingOne)
{
    TempDir dir;
    const std::string a = Scene(dir, "a.xml"), b = Scene(dir, "b.xml", "fail"), c = Scene(dir, "c.xml");
    const auto r = Render(dir, {a, b, c, "--renderer", KELVANE_STANDIN_EXE});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(fs::exists(dir / "a.tga"));
    EXPECT_FALSE(fs::exists(dir / "b.tga"));
    EXPECT_FALSE(fs::exists(dir / "c.tga"));
    EXPECT_NE(r.err.find("There is something wrong on this file, " + b + "\n\rYafRay said: Error at line"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("a.xml: Rendering Time  :  0min "), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST(CliRender, WithoutRendererOptionTheSettingsFileNamesIt)
{
    TempDir dir;
    const std::string a = Scene(dir, "a.xml");
    // The renderer comes from "Pellith.ini" beside the program.
    fs::create_directory(dir / "program");
    fs::copy_file(KELVANE_SCENE_EXE, dir / "program/kelvane-scene");
    dir.Write("program/Pellith.ini", std::string("[System]\nEXEPath=") + KELVANE_STANDIN_EXE + "\n");
    const auto r = Render(dir, {a}, (dir / "program/kelvane-scene").string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "a.tga"));
}

TEST(CliRender, InterruptStopsASilentRendererAndLeavesNoTemporaryFile)
{
    TempDir dir;
    fs::create_directory(dir / "tmp");
    const std::string scene = Scene(dir, "quiet.xml", "silent");
    const std::string tmpdir = "TMPDIR=" + (dir / "tmp").string();
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("TMPDIR=", 0) != 0)
            env.emplace_back(*e);
    env.push_back(tmpdir);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = KELVANE_SCENE_EXE, render = "render", option = "--renderer", standin = KELVANE_STANDIN_EXE;
    std::vector<char*> argv = {exe.data(), render.data(), const_cast<char*>(scene.c_str()), option.data(), standin.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
    // The scene is handed to the renderer once the job (and its interrupt handler) runs.
    bool running = false;
    for (int i = 0; i < 600 && !running; ++i) {
        for (const auto& e : fs::recursive_directory_iterator(dir / "tmp"))
            running = running || e.path().filename() == "~Rendering.tmp";
        if (!running)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(running);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_FALSE(fs::exists(dir / "quiet.tga"));
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}

TEST(CliRender, ASignalIsNamedAndWorkFoldersOfKilledRunsGo)
{
    TempDir dir;
    // What a killed run leaves: its work folder with the scene it handed to the renderer.
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const char* name : {"kelvane-scene-killed", "kelvane-scene-living", "kelvane-scene-justmade"}) {
        dir.Write(std::string("tmp/") + name + "/~Rendering.tmp", "<scene/>");
        dir.Write(std::string("tmp/") + name + "/kelvane.lock", "");
        if (std::string(name) != "kelvane-scene-justmade")
            fs::last_write_time(dir / "tmp" / name, old);
    }
    // A living run holds its folder's lock.
    const int held = ::open((dir / "tmp/kelvane-scene-living/kelvane.lock").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string scene = Scene(dir, "a.xml", "crash");
    const auto r = Render(dir, {scene, "--renderer", KELVANE_STANDIN_EXE});
    ::close(held);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\nThe renderer was killed by signal SIGABRT.\n"), std::string::npos) << r.err;
    EXPECT_EQ(kelvane::test::FolderEntries(dir / "tmp"),
              (std::vector<fs::path>{dir / "tmp/kelvane-scene-justmade", dir / "tmp/kelvane-scene-living"}));
}
