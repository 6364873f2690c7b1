// kelvane-scene farm without a cluster: Slurm missing, and stand-in Slurm tools that record what
// they are given.
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using kelvane::test::ReadAll;
using kelvane::test::TempDir;
using kelvane::test::TProcessResult;
namespace fs = std::filesystem;

namespace {

// The sample scene at 32 x 24 pixels.
std::string Tiny()
{
    std::string text = ReadAll(fs::path(KELVANE_SOURCE_DIR) / "data/samples/sample.xml");
    const std::string size = "resx=\"640\" resy=\"480\"";
    return text.replace(text.find(size), size.size(), "resx=\"32\" resy=\"24\"");
}

// PATH (and SLURM_CONF) for the programs a test starts, put back afterwards.
class TEnvironment {
public:
    TEnvironment(const std::string& path, const char* slurmConf = nullptr)
    {
        ::setenv("PATH", path.c_str(), 1);
        if (slurmConf)
            ::setenv("SLURM_CONF", slurmConf, 1);
    }
    ~TEnvironment()
    {
        ::setenv("PATH", path_.c_str(), 1);
        if (conf_)
            ::setenv("SLURM_CONF", conf_->c_str(), 1);
        else
            ::unsetenv("SLURM_CONF");
    }

private:
    std::string path_ = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    std::optional<std::string> conf_ = std::getenv("SLURM_CONF") ? std::optional<std::string>(std::getenv("SLURM_CONF")) : std::nullopt;
};

TProcessResult Farm(const TempDir& dir, std::vector<std::string> args)
{
    kelvane::test::TProcessOptions options;
    options.tempFolder = dir / "tmp";
    args.insert(args.begin(), "farm");
    return kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, args, options);
}

// sbatch, squeue and scancel that write their arguments to NAME.args and answer as told.
fs::path FakeSlurm(const TempDir& dir, const std::string& squeueOutput)
{
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    auto tool = [&](const std::string& name, const std::string& answer) {
        const fs::path file = dir.Write("bin/" + name, "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/" + name + ".args\"\n" + answer);
        fs::permissions(file, fs::perms::owner_all);
    };
    tool("sbatch", "echo '42;cluster'\n");
    tool("squeue", "printf '" + squeueOutput + "'\n");
    tool("scancel", "");
    return bin;
}

} // namespace

TEST(CliFarm, WithoutSlurmEveryCommandSaysSo)
{
    TempDir dir;
    const std::string scene = dir.Write("a.xml", Tiny()).string();
    {
        TEnvironment env((dir / "nothing").string());
        TProcessResult r = Farm(dir, {"submit", scene});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "kelvane-scene: Slurm is not installed here: no \"sbatch\" on PATH\n");
        r = Farm(dir, {"status", "17"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("no \"sbatch\" on PATH"), std::string::npos);
    }
    TEnvironment env(FakeSlurm(dir, "").string(), (dir / "no.conf").c_str());
    const TProcessResult r = Farm(dir, {"submit", scene});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("SLURM_CONF names \"" + (dir / "no.conf").string() + "\", which is not a file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "bin/sbatch.args"));
}

TEST(CliFarm, SubmitWritesTheJobFolderAndItsScriptRendersATask)
{
    TempDir dir;
    TEnvironment env(FakeSlurm(dir, "42_0 CD\\n42_1 R\\n7_1 PD\\n").string() + ":/usr/bin:/bin");
    // A quote in the folder name: the job script quotes every path; '%' and '\\' are never handed to
    // Slurm in a file name, where it would expand them.
    const std::string a = dir.Write("it's %a\\x/a.xml", Tiny()).string();
    const std::string b = dir.Write("it's %a\\x/b.xml", Tiny()).string();
    const std::string bad = dir.Write("it's %a\\x/bad.xml", "<scene><shad").string();

    TProcessResult r = Farm(dir, {"submit", a, bad, "--renderer", KELVANE_STANDIN_EXE});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(bad + ": "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "bin/sbatch.args"));
    EXPECT_EQ(kelvane::test::FolderEntries(dir / "it's %a\\x").size(), 3u);  // no job folder left

    r = Farm(dir, {"submit", a, b, "--renderer", KELVANE_STANDIN_EXE, "--partition", "gpu", "--time", "10",
                   "--max-parallel", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "42\n");
    fs::path job;
    for (const fs::path& p : kelvane::test::FolderEntries(dir / "it's %a\\x"))
        if (p.filename().string().rfind("kelvane-farm-", 0) == 0)
            job = p;
    ASSERT_FALSE(job.empty());
    EXPECT_EQ(ReadAll(job / "scenes.txt"), a + "\n" + b + "\n");
    EXPECT_EQ(ReadAll(job / "job.txt"), "slurm 42\n");
    EXPECT_EQ(ReadAll(dir / "bin/sbatch.args"), "--parsable --job-name=kelvane-farm --array=0-1%2 --chdir=" + job.string() +
                                                    " --output=/dev/null --partition=gpu --time=10 " + job.string() + "/job.sh\n");

    // Task 0 as a node runs it; task 1 is still running by the queue.
    r = kelvane::test::RunProcess(dir.Path(), job / "job.sh", {}, {});
    EXPECT_NE(r.status, 0);  // without a task id it is refused
    ::setenv("SLURM_ARRAY_TASK_ID", "0", 1);
    r = kelvane::test::RunProcess(dir.Path(), job / "job.sh", {}, {});
    ::unsetenv("SLURM_ARRAY_TASK_ID");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "it's %a\\x/a.tga").size(), 18u + 32 * 24 * 3);
    EXPECT_NE(ReadAll(job / "log/0.txt").find("a.xml: Rendering Time  :  0min "), std::string::npos);

    r = Farm(dir, {"status", job.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')).rfind(a + ": done (0min ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), b + ": running\n");
    EXPECT_EQ(ReadAll(dir / "bin/squeue.args"), "--noheader --array --states=all --jobs=42 --format=%i %t\n");

    r = Farm(dir, {"cancel", job.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "bin/scancel.args"), "42\n");
    EXPECT_EQ(ReadAll(job / "status/0.txt").rfind("done\nRendering Time  :  0min ", 0), 0u);
    EXPECT_EQ(ReadAll(job / "status/1.txt"), "cancelled\n");
}

TEST(CliFarm, UsageErrorsAndHelp)
{
    TempDir dir;
    TProcessResult r = Farm(dir, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("submit FILE... [--renderer PATH] [--partition P] [--max-parallel N] [--time LIMIT]"), std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"submit", "a.xml", "--max-parallel", "0"}, {"status", "1", "--partition", "p"},
             {"task", dir.Path().string(), "x", "--renderer", "r"}}) {
        r = Farm(dir, args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << r.err;
    }
    r = kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, {"render", "a.xml", "--time", "1"});
    EXPECT_EQ(r.err, "kelvane-scene: --time is an option of farm submit\nTry 'kelvane-scene --help'.\n");
}
