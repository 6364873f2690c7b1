// kelvane-scene farm against a private single-node Slurm cluster, started once for all cases.
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

class TClusterEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string missing = kelvane::test::TSlurmCluster::Missing();
        if (!missing.empty()) {
            // On a build machine the set-up script installs Slurm: missing tools are a failure
            // there. Without root the daemons cannot run at all, wherever the tests run.
            if (std::getenv("CI") && ::geteuid() == 0)
                FAIL() << missing;
            GTEST_SKIP() << "no private Slurm cluster: " << missing;
        }
        cluster = new kelvane::test::TSlurmCluster;
        if (!cluster->Start(clusterError))
            FAIL() << clusterError;
    }
    void TearDown() override
    {
        delete cluster;
        cluster = nullptr;
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new TClusterEnvironment);

TProcessResult Farm(const TempDir& dir, std::vector<std::string> args, int timeoutSeconds = 120)
{
    kelvane::test::TProcessOptions options;
    options.timeoutSeconds = timeoutSeconds;
    args.insert(args.begin(), "farm");
    return kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, args, options);
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

} // namespace

TEST(FarmCluster, BatchOneAtATimeEqualsLocalRender)
{
    REQUIRE_CLUSTER();
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
    const TProcessResult job = kelvane::test::RunProcess(dir.Path(), "/bin/sh", {"-c", "scontrol show job " + jobId});
    EXPECT_NE(job.out.find("ArrayTaskThrottle=1"), std::string::npos) << job.out;

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

TEST(FarmCluster, FailingScenesFailTheWaitAndAreNamed)
{
    REQUIRE_CLUSTER();
    TempDir dir;
    const std::string good = Scene(dir.Path(), "good.xml"), bad = Scene(dir.Path(), "bad.xml", "fail"),
                      crash = Scene(dir.Path(), "crash.xml", "crash");
    TProcessResult r = Farm(dir, {"submit", good, bad, crash, "--renderer", KELVANE_STANDIN_EXE, "--folder", (dir / "job").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Farm(dir, {"wait", (dir / "job").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("1/3 done"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(bad + ": failed: There is something wrong on this file, " + bad), std::string::npos) << r.err;
    r = Farm(dir, {"status", (dir / "job").string()});
    EXPECT_NE(r.out.find(good + ": done"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(bad + ": failed: There is something wrong"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(crash + ": failed: The renderer was killed by signal SIGABRT.\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir / "good.tga"));
    EXPECT_FALSE(fs::exists(dir / "bad.tga"));
}

TEST(FarmCluster, CancelStopsTheRunningRenderers)
{
    REQUIRE_CLUSTER();
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
    EXPECT_EQ(r.out, a + ": cancelled\n" + b + ": cancelled\n" + c + ": cancelled\n");
    EXPECT_FALSE(fs::exists(dir / "a.tga"));
}
