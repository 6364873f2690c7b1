// kelvane-scene farm without a cluster: Slurm missing, and stand-in Slurm tools that record what
// they are given.
#include "render/Farm.h"
#include "render/FarmJobList.h"
#include "support/Process.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

using kelvane::test::ReadAll;
using kelvane::test::TempDir;
using kelvane::test::TProcessResult;
namespace fs = std::filesystem;

namespace {

// The sample scene at 32 x 24 pixels, with the stand-in's test mode when given.
std::string Tiny(const std::string& mode = {})
{
    std::string text = kelvane::test::SampleScene(mode);
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

// kelvane-scene farm, run from a program folder of the test's own: its list of jobs is the test's.
TProcessResult Farm(const TempDir& dir, std::vector<std::string> args)
{
    const fs::path program = dir / "program";
    if (!fs::exists(program / "kelvane-scene")) {
        fs::create_directories(program);
        fs::copy_file(KELVANE_SCENE_EXE, program / "kelvane-scene");
        dir.Write("program/readme.txt", "");
    }
    kelvane::test::TProcessOptions options;
    options.tempFolder = dir / "tmp";
    args.insert(args.begin(), "farm");
    return kelvane::test::RunProcess(dir.Path(), (program / "kelvane-scene").string(), args, options);
}

void WriteStatus(const fs::path& job, int scene, const std::string& text)
{
    std::FILE* f = std::fopen((job / "status" / (std::to_string(scene) + ".txt")).c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string Clock(std::time_t when)
{
    return kelvane::LocalTimeText(when, "%H:%M");
}

// sbatch, squeue, scancel and scontrol that write their arguments to NAME.args and answer as told.
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
    tool("scontrol", "");
    return bin;
}

} // namespace

TEST(CliFarm, SlurmChosenWithoutSlurmSaysSo)
{
    TempDir dir;
    const std::string scene = dir.Write("a.xml", Tiny()).string();
    {
        TEnvironment env((dir / "nothing").string());
        TProcessResult r = Farm(dir, {"submit", scene, "--scheduler", "slurm"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "kelvane-scene: Slurm is not installed here: no \"sbatch\" on PATH\n");
        r = Farm(dir, {"submit", scene, "--scheduler", "pbs"});
        EXPECT_EQ(r.err, "kelvane-scene: no scheduler \"pbs\"; there are slurm, local\n");
        r = Farm(dir, {"status", "17", "--scheduler", "slurm"});
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

    // Scenes from the command line, then from a list (CR LF, a blank line); two scenes a task.
    const std::string flaky = dir.Write("it's %a\\x/flaky.xml", Tiny("fail-once")).string();
    dir.Write("frames.txt", flaky + "\r\n\r\n" + b + "\r\n");
    r = Farm(dir, {"submit", a, "--list", (dir / "frames.txt").string(), "--renderer", KELVANE_STANDIN_EXE, "--partition", "gpu",
                   "--time", "10", "--max-parallel", "2", "--per-task", "2", "--retries", "1", "--hold", "--nice", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "42\n");
    fs::path job;
    for (const fs::path& p : kelvane::test::FolderEntries(dir / "it's %a\\x"))
        if (p.filename().string().rfind("kelvane-farm-", 0) == 0)
            job = p;
    ASSERT_FALSE(job.empty());
    EXPECT_EQ(ReadAll(job / "scenes.txt"), a + "\n" + flaky + "\n" + b + "\n");
    EXPECT_EQ(ReadAll(job / "tasks/0.txt"), "0 1\n2\n");
    EXPECT_EQ(ReadAll(job / "job.txt"), "slurm 42\n");
    EXPECT_EQ(ReadAll(dir / "bin/sbatch.args"), "--parsable --job-name=kelvane-farm --array=0-1%2 --chdir=" + job.string() +
                                                    " --output=/dev/null --partition=gpu --time=10 --mem=1G --hold --nice=5 " +
                                                    job.string() + "/job.sh 0\n");

    // Task 0 as a node runs it: the flaky scene on its second attempt; task 1 is running by the queue.
    r = kelvane::test::RunProcess(dir.Path(), job / "job.sh", {}, {});
    EXPECT_NE(r.status, 0);  // without a task id it is refused
    ::setenv("SLURM_ARRAY_TASK_ID", "0", 1);
    r = kelvane::test::RunProcess(dir.Path(), job / "job.sh", {}, {});
    ::unsetenv("SLURM_ARRAY_TASK_ID");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "it's %a\\x/a.tga").size(), 18u + 32 * 24 * 3);
    EXPECT_NE(ReadAll(job / "log/0.txt").find("a.xml: Rendering Time  :  0min "), std::string::npos);
    const std::string log = ReadAll(job / "log/1.txt");
    EXPECT_NE(log.find("--- attempt 1 of 2, "), std::string::npos) << log;
    EXPECT_NE(log.find("\nThere is something wrong on this file, " + flaky), std::string::npos) << log;
    EXPECT_NE(log.find("--- attempt 2 of 2, "), std::string::npos) << log;

    r = Farm(dir, {"status", job.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(a + ": done (0min "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n" + flaky + ": done (2 attempts, 0min "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n" + b + ": running\n2 done, 1 running, 0 pending, 0 failed, 0 cancelled; mean "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" s; finish about "), std::string::npos) << r.out;
    EXPECT_EQ(ReadAll(dir / "bin/squeue.args"), "--noheader --array --states=all --jobs=42 --format=%i %t\n");

    r = Farm(dir, {"cancel", job.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "bin/scancel.args"), "42\n");
    EXPECT_EQ(ReadAll(job / "status/1.txt").rfind("done 2 ", 0), 0u);
    EXPECT_EQ(ReadAll(job / "status/2.txt"), "cancelled\n");
}

// Following a job whose controller does not answer, the list of jobs, and a resubmission.
TEST(CliFarm, FollowListAndResubmit)
{
    TempDir dir;
    const fs::path bin = FakeSlurm(dir, "42_[0-1] PD\\n");
    TEnvironment env(bin.string() + ":/usr/bin:/bin");
    auto farm = [&](const std::vector<std::string>& args) { return Farm(dir, args); };
    const std::string a = dir.Write("a.xml", Tiny()).string(), b = dir.Write("b.xml", Tiny()).string();
    TProcessResult r = farm({"submit", a, b, "--renderer", KELVANE_STANDIN_EXE, "--folder", (dir / "job").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    r = farm({"list"});
    EXPECT_EQ(r.out.rfind("42\t" + (dir / "job").string() + "\t2\t0/0/0/2\t", 0), 0u) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 9), "\tpending\n") << r.out;

    // The controller does not answer: the scenes only Slurm knows about say so, and wait gives up.
    const fs::path squeue = dir.Write("bin/squeue", "#!/bin/sh\necho 'slurm_load_jobs error: Unable to contact slurm controller' >&2\nexit 1\n");
    fs::permissions(squeue, fs::perms::owner_all);
    WriteStatus(dir / "job", 0, "done 1 2500\n");
    const std::time_t before = std::time(nullptr);
    r = farm({"status", (dir / "job").string()});
    const std::string expected = a + ": done (0min 2sec)\n" + b + ": Slurm does not answer\n1 done, 0 running, 1 pending, 0 failed, "
                                 "0 cancelled; mean 2.5 s; finish about ";
    EXPECT_TRUE(r.out == expected + Clock(before + 3) + "\n" || r.out == expected + Clock(std::time(nullptr) + 3) + "\n") << r.out;
    EXPECT_NE(r.err.find("Slurm does not answer: squeue failed: slurm_load_jobs error"), std::string::npos) << r.err;
    r = farm({"wait", (dir / "job").string(), "--timeout", "1"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("\nkelvane-scene: Slurm does not answer; the job folder is " + (dir / "job").string() + "\n"), std::string::npos) << r.err;
    r = farm({"list"});
    EXPECT_NE(r.out.find("\t2\t1/0/0/1\t"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 23), "\tSlurm does not answer\n") << r.out;

    // Scene b failed: resubmitted alone, as submission 1 of the folder; then released.
    WriteStatus(dir / "job", 1, "failed 1\nthe render failed");
    dir.Write("bin/squeue", "#!/bin/sh\n");
    fs::permissions(squeue, fs::perms::owner_all);
    r = farm({"resubmit", (dir / "job").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(bin / "sbatch.args"), "--parsable --job-name=kelvane-farm --array=0-0 --chdir=" + (dir / "job").string() +
                                                " --output=/dev/null --mem=1G " + (dir / "job").string() + "/job.sh 1\n");
    EXPECT_EQ(ReadAll(dir / "job/tasks/1.txt"), "1\n");
    EXPECT_EQ(ReadAll(dir / "job/job.txt"), "slurm 42\nslurm 42\n");
    EXPECT_EQ(ReadAll(dir / "job/status/1.txt"), "pending\n");
    dir.Write("bin/squeue", "#!/bin/sh\nprintf '42_0 PD\\n'\n");
    r = farm({"resubmit", (dir / "job").string(), "--failed"});
    EXPECT_EQ(r.status, 1);  // nothing failed any more
    r = farm({"release", (dir / "job").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(bin / "scontrol.args"), "release 42\n");

    // A folder goes with --delete only once its job has ended.
    r = farm({"forget", "42", "--delete"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("job 42 has not ended; cancel it first (its folder stays)"), std::string::npos) << r.err;
    r = farm({"forget", "42"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(farm({"list"}).out, "");
    EXPECT_EQ(farm({"forget", "42"}).status, 1);
    EXPECT_TRUE(fs::exists(dir / "job/scenes.txt"));
    kelvane::RecordFarmJob(dir / "program" / "FarmJobs.txt", "42", dir / "job", std::time(nullptr));
    WriteStatus(dir / "job", 1, "done 1 100\n");
    r = farm({"forget", (dir / "job").string(), "--delete"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(dir / "job"));
    EXPECT_EQ(farm({"list"}).out, "");
}

TEST(CliFarm, UsageErrorsAndHelp)
{
    TempDir dir;
    TProcessResult r = Farm(dir, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("  local   this machine, N tasks at a time\n"), std::string::npos) << r.out;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"submit", "a.xml", "--max-parallel", "0"}, {"status", "1", "--partition", "p"},
             {"task", dir.Path().string(), "x", "--renderer", "r"}, {"submit", "a.xml", "--retries", "-1"},
             {"wait", "1", "--timeout", "soon"}, {"submit", "a.xml", "--mem", "lots"}, {"submit", "a.xml", "--mem", "G"},
             {"submit", "a.xml", "--time", "2h"}, {"resubmit", "1", "--failed", "--all"}, {"list", "1"}}) {
        r = Farm(dir, args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << r.err;
    }
    r = kelvane::test::RunProcess(dir.Path(), KELVANE_SCENE_EXE, {"render", "a.xml", "--time", "1"});
    EXPECT_EQ(r.err, "kelvane-scene: --time is an option of farm submit\nTry 'kelvane-scene --help'.\n");
}
