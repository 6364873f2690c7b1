// kelvane-scene farm on both schedulers: a private single-node Slurm cluster, started once for all
// cases, and the local scheduler, which runs the same cases without one.
#include "SlurmCluster.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include <unistd.h>

using kelvane::test::ReadAll;
using kelvane::test::TempDir;
using kelvane::test::TProcessResult;
namespace fs = std::filesystem;

namespace {

kelvane::test::TSlurmCluster* cluster = nullptr;
std::string clusterError;
// kelvane-scene in a program folder of its own, so that its list of jobs is the tests'.
TempDir* program = nullptr;

class TClusterEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        program = new TempDir;
        fs::copy_file(KELVANE_SCENE_EXE, *program / "kelvane-scene");
        program->Write("readme.txt", "");
        const std::string missing = kelvane::test::TSlurmCluster::Missing();
        if (!missing.empty()) {
            // On a build machine the set-up script installs Slurm: missing tools are a failure
            // there. Without root the daemons cannot run at all, wherever the tests run.
            if (std::getenv("CI") && ::geteuid() == 0)
                FAIL() << missing;
            return;
        }
        cluster = new kelvane::test::TSlurmCluster;
        if (!cluster->Start(clusterError)) {
            delete cluster;
            cluster = nullptr;
            FAIL() << clusterError;
        }
    }
    void TearDown() override
    {
        delete cluster;
        cluster = nullptr;
        delete program;
        program = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TClusterEnvironment);

// The scheduler of the running case.
std::string scheduler = "slurm";

bool Slurm()
{
    return scheduler == "slurm";
}

TProcessResult Farm(const TempDir& dir, std::vector<std::string> args, int timeoutSeconds = 120)
{
    kelvane::test::TProcessOptions options;
    options.timeoutSeconds = timeoutSeconds;
    if (args[0] != "list" && args[0] != "forget")
        args.insert(args.end(), {"--scheduler", scheduler});
    args.insert(args.begin(), "farm");
    return kelvane::test::RunProcess(dir.Path(), (*program / "kelvane-scene").string(), args, options);
}

// The sample scene at 32 x 24 pixels, with the stand-in's test mode in its render element.
std::string Scene(const fs::path& folder, const std::string& name, const std::string& mode = {})
{
    std::string text = ReadAll(fs::path(KELVANE_SOURCE_DIR) / "data/samples/sample.xml");
    const std::string size = "resx=\"640\" resy=\"480\"";
    text.replace(text.find(size), size.size(), "resx=\"32\" resy=\"24\"");
    if (!mode.empty()) {
        const std::string outfile = "<outfile value=\"sample.tga\"/>";
        text.replace(text.find(outfile), outfile.size(), outfile + "<standin_mode value=\"" + mode + "\"/>");
    }
    fs::create_directories(folder);
    const fs::path file = folder / name;
    FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return file.string();
}

// Polls until `done` holds, for at most `seconds`.
bool Eventually(const std::function<bool()>& done, int seconds = 60)
{
    for (int i = 0; i < seconds * 5; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return done();
}

size_t RenderersRunning()
{
    const fs::path standin = fs::canonical(KELVANE_STANDIN_EXE);
    size_t count = 0;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator("/proc", ec)) {
        std::error_code linkError;
        const fs::path exe = fs::read_symlink(e.path() / "exe", linkError);
        count += !linkError && exe == standin;
    }
    return count;
}

#define REQUIRE_CLUSTER() \
    if (!cluster)         \
    GTEST_SKIP() << "no cluster"

class FarmCases : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        scheduler = GetParam();
        if (Slurm() && !cluster)
            GTEST_SKIP() << "no cluster";
    }
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Schedulers, FarmCases, ::testing::Values("slurm", "local"));

TEST_P(FarmCases, BatchOneAtATimeEqualsLocalRender)
{
    TempDir dir;
    std::vector<std::string> farmScenes, localScenes;
    for (const char* name : {"a.xml", "b.xml", "c.xml"}) {
        farmScenes.push_back(Scene(dir / "farm", name));
        localScenes.push_back(Scene(dir / "local", name));
    }
    std::vector<std::string> args = {"render"};
    args.insert(args.end(), localScenes.begin(), localScenes.end());
    args.insert(args.end(), {"--renderer", KELVANE_STANDIN_EXE});
    const TProcessResult local = kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, args);
    ASSERT_EQ(local.status, 0) << local.err;

    args = {"submit"};
    args.insert(args.end(), farmScenes.begin(), farmScenes.end());
    // Slurm expands '%' and '\\' in the file names it is given: none of the job folder's reach it.
    const fs::path folder = dir / "job %a\\x";
    args.insert(args.end(), {"--renderer", KELVANE_STANDIN_EXE, "--max-parallel", "1", "--folder", folder.string()});
    TProcessResult r = Farm(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string jobId = r.out.substr(0, r.out.find('\n'));
    if (Slurm()) {
        const TProcessResult job = kelvane::test::RunProcess(dir.Path(), "/bin/sh", {"-c", "scontrol show job " + jobId});
        EXPECT_NE(job.out.find("ArrayTaskThrottle=1"), std::string::npos) << job.out;
    }

    r = Farm(dir, {"wait", jobId});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("3/3 done"), std::string::npos) << r.err;
    for (const char* name : {"a.tga", "b.tga", "c.tga"}) {
        const std::string picture = ReadAll(dir / "farm" / name);
        EXPECT_EQ(picture.size(), 18u + 32 * 24 * 3) << name;
        EXPECT_TRUE(picture == ReadAll(dir / "local" / name)) << name;
    }
    r = Farm(dir, {"status", folder.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(farmScenes[1] + ": done (0min "), std::string::npos) << r.out;
    EXPECT_NE(ReadAll(folder / "log" / "2.txt").find("c.xml: Rendering Time"), std::string::npos);
}

TEST_P(FarmCases, FailingScenesFailTheWaitAndAreNamed)
{
    TempDir dir;
    const std::string good = Scene(dir.Path(), "good.xml"), bad = Scene(dir.Path(), "bad.xml", "fail"),
                      crash = Scene(dir.Path(), "crash.xml", "crash");
    TProcessResult r = Farm(dir, {"submit", good, bad, crash, "--renderer", KELVANE_STANDIN_EXE, "--folder", (dir / "job").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Farm(dir, {"wait", (dir / "job").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("1/3 done, 2 failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n1 done, 2 failed, 0 cancelled\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(bad + ": failed: There is something wrong on this file, " + bad), std::string::npos) << r.err;
    r = Farm(dir, {"status", (dir / "job").string()});
    EXPECT_NE(r.out.find(good + ": done"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(bad + ": failed: There is something wrong"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(crash + ": failed: The renderer was killed by signal SIGABRT.\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\\n"), std::string::npos) << r.out;  // line breaks read " / ", never escaped
    EXPECT_TRUE(fs::exists(dir / "good.tga"));
    EXPECT_FALSE(fs::exists(dir / "bad.tga"));
}

TEST_P(FarmCases, CancelStopsTheRunningRenderers)
{
    TempDir dir;
    const std::string a = Scene(dir.Path(), "a.xml"), b = Scene(dir.Path(), "b.xml"), c = Scene(dir.Path(), "c.xml");
    // The tasks take the submitter's environment: each render stalls a minute after its first '#'.
    ::setenv("KELVANE_STANDIN_DELAY_MS", "60000", 1);
    TProcessResult r = Farm(dir, {"submit", a, b, c, "--renderer", KELVANE_STANDIN_EXE, "--folder", (dir / "job").string()});
    ::unsetenv("KELVANE_STANDIN_DELAY_MS");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(Eventually([&] { return RenderersRunning() > 0; })) << ReadAll(dir / "job" / "log" / "0.txt");
    r = Farm(dir, {"status", (dir / "job").string()});
    EXPECT_NE(r.out.find(": running"), std::string::npos) << r.out;

    r = Farm(dir, {"cancel", (dir / "job").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Eventually([] { return RenderersRunning() == 0; }, 30));
    r = Farm(dir, {"wait", (dir / "job").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    r = Farm(dir, {"status", (dir / "job").string()});
    EXPECT_EQ(r.out, a + ": cancelled\n" + b + ": cancelled\n" + c + ": cancelled\n0 done, 0 running, 0 pending, 0 failed, 3 cancelled\n");
    EXPECT_FALSE(fs::exists(dir / "a.tga"));
}

// Each task asks for 1G by default, so two share the 4000 MB node; the options reach the scheduler.
TEST_P(FarmCases, DefaultMemoryLetsTasksShareANode)
{
    TempDir dir;
    const std::string a = Scene(dir / "f1", "sample.xml"), b = Scene(dir / "f2", "sample.xml");
    ::setenv("KELVANE_STANDIN_DELAY_MS", "60000", 1);
    std::vector<std::string> args = {"submit", a, b, "--renderer", KELVANE_STANDIN_EXE, "--folder", (dir / "job").string()};
    if (Slurm())
        args.insert(args.end(), {"--partition", "kelvane", "--time", "10"});
    else
        args.insert(args.end(), {"--max-parallel", "2"});
    TProcessResult r = Farm(dir, args);
    ::unsetenv("KELVANE_STANDIN_DELAY_MS");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string jobId = r.out.substr(0, r.out.find('\n'));
    if (Slurm()) {
        const TProcessResult job = kelvane::test::RunProcess(dir.Path(), "/bin/sh", {"-c", "scontrol show job " + jobId + "_0"});
        for (const char* field : {"MinMemoryNode=1G", "Partition=kelvane", "TimeLimit=00:10:00"})
            EXPECT_NE(job.out.find(field), std::string::npos) << field << "\n" << job.out;
    }
    EXPECT_TRUE(Eventually([] { return RenderersRunning() == 2; }, 30)) << RenderersRunning();
    r = Farm(dir, {"cancel", jobId});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Eventually([] { return RenderersRunning() == 0; }, 30));
}

// One job of seven scenes, three to a task, held: a flaky scene comes back on its second attempt,
// a broken one fails after every attempt and renders once mended and resubmitted.
TEST_P(FarmCases, RetriesPerTaskHoldAndResubmit)
{
    TempDir dir;
    std::vector<std::string> scenes;
    for (int i = 0; i < 7; ++i)
        scenes.push_back(Scene(dir.Path(), "s" + std::to_string(i) + ".xml", i == 1 ? "fail-once" : i == 5 ? "fail" : ""));
    std::string list;
    for (size_t i = 2; i < scenes.size(); ++i)
        list += scenes[i] + "\n";
    dir.Write("frames.txt", list);
    const fs::path folder = dir / "job";
    TProcessResult r = Farm(dir, {"submit", scenes[0], scenes[1], "--list", (dir / "frames.txt").string(), "--renderer",
                                  KELVANE_STANDIN_EXE, "--per-task", "3", "--retries", "2", "--hold", "--folder", folder.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string jobId = r.out.substr(0, r.out.find('\n'));
    EXPECT_NE(r.err.find("7 scenes in 3 tasks submitted as " + std::string(Slurm() ? "Slurm" : "local") + " job " + jobId + " (held)"),
              std::string::npos)
        << r.err;
    if (Slurm()) {
        const TProcessResult queue = kelvane::test::RunProcess(dir.Path(), "/bin/sh", {"-c", "squeue --noheader --array --jobs=" + jobId + " --format='%i %t %r'"});
        EXPECT_EQ(queue.out, jobId + "_0 PD JobHeldUser\n" + jobId + "_1 PD JobHeldUser\n" + jobId + "_2 PD JobHeldUser\n");
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    r = Farm(dir, {"status", jobId});
    EXPECT_NE(r.out.find("0 done, 0 running, 7 pending, 0 failed, 0 cancelled\n"), std::string::npos) << r.out;

    r = Farm(dir, {"release", jobId});
    EXPECT_EQ(r.status, 0) << r.err;
    r = Farm(dir, {"wait", folder.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    r = Farm(dir, {"status", folder.string()});
    EXPECT_NE(r.out.find(scenes[0] + ": done (0min "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(scenes[1] + ": done (2 attempts, 0min "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(scenes[5] + ": failed after 3 attempts: There is something wrong on this file, " + scenes[5]), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("6 done, 0 running, 0 pending, 1 failed, 0 cancelled; mean "), std::string::npos) << r.out;
    const std::string log = ReadAll(folder / "log/5.txt");
    EXPECT_NE(log.find("--- attempt 3 of 3, "), std::string::npos) << log;

    // Mended, the broken scene alone goes again, in the same folder; its earlier log stays.
    Scene(dir.Path(), "s5.xml");
    r = Farm(dir, {"resubmit", jobId});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string again = r.out.substr(0, r.out.find('\n'));
    EXPECT_NE(again, jobId);
    r = Farm(dir, {"wait", again});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("7/7 done"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(folder / "log/5.txt").rfind(log, 0), 0u);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(fs::exists(dir / ("s" + std::to_string(i) + ".tga"))) << i;

    r = Farm(dir, {"list"});
    EXPECT_NE(r.out.find(again + "\t" + folder.string() + "\t7\t7/0/0/0\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\tdone\n"), std::string::npos) << r.out;
}

// Last: it stops the controller. With nothing moving, wait gives up after its time-out.
TEST(FarmCluster, WaitGivesUpOnAControllerThatDoesNotAnswer)
{
    REQUIRE_CLUSTER();
    TempDir dir;
    TProcessResult r = Farm(dir, {"submit", Scene(dir.Path(), "a.xml"), "--renderer", KELVANE_STANDIN_EXE, "--hold",
                                  "--folder", (dir / "job").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    cluster->StopController();
    const auto start = std::chrono::steady_clock::now();
    r = Farm(dir, {"wait", (dir / "job").string(), "--timeout", "2"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("Slurm does not answer; the job folder is " + (dir / "job").string() + "\n"), std::string::npos) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    std::string error;
    EXPECT_TRUE(cluster->StartController(error)) << error;
}
