#include "render/ProcessRunner.h"
#include "render/KeptText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

#include <sys/stat.h>
#include <sys/wait.h>

#include "support/TempDir.h"

using namespace kelvane;
using kelvane::test::TempDir;

namespace {

int OpenFdCount()
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

bool NoChildLeft()
{
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

std::filesystem::path Script(const TempDir& dir, const std::string& name, const std::string& body)
{
    const auto path = dir.Write(name, "#!/bin/sh\n" + body);
    ::chmod(path.c_str(), 0755);
    return path;
}

struct TRecorder : IRunObserver {
    int idles = 0;
    int stopAfterIdles = -1;
    std::string stopOnOutput, seen;
    std::vector<long long> progress;
    void Idle() override { ++idles; }
    bool StopRequested() override
    {
        return (stopAfterIdles >= 0 && idles >= stopAfterIdles) ||
               (!stopOnOutput.empty() && seen.find(stopOnOutput) != std::string::npos);
    }
    void Output(std::string_view slice, bool) override
    {
        if (!stopOnOutput.empty())
            seen.append(slice);
    }
    void Progress(long long hashes) override
    {
        if (progress.empty() || progress.back() != hashes)
            progress.push_back(hashes);
    }
};

} // namespace

TEST(ProcessRunner, OneArgumentWorkingFolderNoInputAndCommandOnPath)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "scenes dir");
    const auto renderer = Script(dir, "r", "printf '%s|%s|' \"$#\" \"$1\"; pwd; cat; echo err >&2\n");
    std::string out, err;
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "a b.xml", dir / "scenes dir", false}, out, err));
    EXPECT_EQ(out, "1|" + (dir / "a b.xml").string() + "|" + (dir / "scenes dir").string() + "\n");
    EXPECT_EQ(err, "err\n");

    // A bare command is looked up on PATH; the scene is the one argument after the first word.
    const auto scene = dir.Write("scene.sh", "echo \"from $PWD\"\n");
    ASSERT_TRUE(RunRenderer({"sh", scene, dir.Path(), false}, out, err));
    EXPECT_EQ(out, "from " + dir.Path().string() + "\n");
}

TEST(ProcessRunner, FloodOnErrorBeforeOutputKeepsEachTextInOrder)
{
    TempDir dir;
    const auto renderer = Script(dir, "r",
                                 "i=0; while [ $i -lt 4000 ]; do echo \"line $i 0123456789012345678901234567890123456789\" >&2;"
                                 " i=$((i+1)); done; echo out1; echo done >&2; echo out2\n");
    std::string out, err;
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "s", dir.Path(), true}, out, err));
    EXPECT_EQ(out, "out1\nout2\n");
    EXPECT_EQ(err.rfind("line 0 ", 0), 0u);
    EXPECT_NE(err.find("line 3999 0123"), std::string::npos);
    EXPECT_EQ(err.substr(err.size() - 5), "done\n");
    EXPECT_GT(err.size(), 160000u);

    // The same variable for both: the error text follows the output text.
    const auto both = Script(dir, "b", "echo e1 >&2; echo o1; sleep 0.1; echo e2 >&2; echo o2\n");
    std::string text;
    ASSERT_TRUE(RunRenderer({both.string(), dir / "s", dir.Path(), false}, text, text));
    EXPECT_EQ(text, "o1\no2\ne1\ne2\n");
}

TEST(ProcessRunner, ZeroByteCutsItsChunkAndHashesCountOnlyInARenderJob)
{
    TempDir dir;
    const auto renderer = Script(dir, "r", "printf 'ab#\\000#cd'; sleep 0.2; printf '##x'; printf 'E\\000F' >&2\n");
    std::string out, err;
    TRecorder plain;
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "s", dir.Path(), false}, out, err, &plain));
    EXPECT_EQ(out, "ab###x");
    EXPECT_EQ(err, "E");
    EXPECT_TRUE(plain.progress.empty());

    TRecorder job;
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "~Rendering.tmp", dir.Path(), true}, out, err, &job));
    // The '#' after the zero byte still counts: the whole chunk is counted.
    ASSERT_FALSE(job.progress.empty());
    EXPECT_EQ(job.progress.back(), 4);
    EXPECT_TRUE(IsRenderJobFile("C:\\x\\~Rendering.tmp"));
    EXPECT_TRUE(IsRenderJobFile("/tmp/~Rendering.tmp"));
    EXPECT_FALSE(IsRenderJobFile("/tmp/~rendering.tmp"));
    EXPECT_FALSE(IsRenderJobFile("/tmp/~Preview.tmp"));
}

TEST(ProcessRunner, StartFailuresLeaveNothingBehind)
{
    TempDir dir;
    const int before = OpenFdCount();
    std::string out = "old", err = "old";
    TRunOutcome outcome;
    EXPECT_FALSE(RunRenderer({(dir / "missing").string(), dir / "s", dir.Path(), true}, out, err, nullptr, &outcome));
    EXPECT_FALSE(RunRenderer({"kelvane-no-such-renderer", dir / "s", dir.Path(), true}, out, err));
    // Executable bits but no program: the exec failure comes back through the pipe.
    const auto junk = dir.Write("junk", std::string("\x7f" "ELF\x01garbage", 12));
    ::chmod(junk.c_str(), 0755);
    EXPECT_FALSE(RunRenderer({junk.string(), dir / "s", dir.Path(), true}, out, err, nullptr, &outcome));
    EXPECT_FALSE(outcome.startError.empty());
    // A working folder that does not exist fails the start too.
    EXPECT_FALSE(RunRenderer({"sh", dir / "s", dir / "nowhere", true}, out, err, nullptr, &outcome));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(err.empty());
    EXPECT_EQ(OpenFdCount(), before);
    EXPECT_TRUE(NoChildLeft());
}

TEST(ProcessRunner, StopKillsASilentRendererAndItsHelpers)
{
    TempDir dir;
    const auto renderer = Script(dir, "r", "echo started; sleep 30 & sleep 30; echo never\n");
    const int before = OpenFdCount();
    std::string out, err;
    TRecorder job;
    job.stopAfterIdles = 3;
    TRunOutcome outcome;
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "~Rendering.tmp", dir.Path(), true}, out, err, &job, &outcome));
    EXPECT_TRUE(outcome.killed);
    EXPECT_EQ(out, "started\n");
    EXPECT_EQ(OpenFdCount(), before);
    EXPECT_TRUE(NoChildLeft());

    // An observer that throws still leaves nothing behind.
    struct TThrower : IRunObserver {
        void Idle() override { throw std::runtime_error("closed"); }
    } thrower;
    EXPECT_THROW(RunRenderer({renderer.string(), dir / "s", dir.Path(), true}, out, err, &thrower), std::runtime_error);
    EXPECT_EQ(OpenFdCount(), before);
    EXPECT_TRUE(NoChildLeft());
}

TEST(KeptText, HeadAndTailAroundOneLineThatCountsTheRest)
{
    TKeptText text(8);
    text.Append("0123");
    text.Append("4567ab");
    EXPECT_EQ(text.Text(), "01234567ab");
    text.Append(std::string(100, 'x') + "TAIL1234");
    EXPECT_EQ(text.Total(), 118u);
    EXPECT_EQ(text.Text(), "01234567\n[... 102 bytes left out ...]\nTAIL1234");
    // The cut never splits a UTF-8 sequence: "é" is C3 A9.
    TKeptText utf(4);
    utf.Append("abc\xC3\xA9" + std::string(16, '.') + "\xA9xyz");
    EXPECT_EQ(utf.Text(), "abc\n[... 19 bytes left out ...]\nxyz");

    // A text found across the seam of two slices, and where it ends in the slice that completes it.
    TStreamFind find("Saving");
    EXPECT_EQ(find.Feed("..Sav"), std::string_view::npos);
    EXPECT_EQ(find.Feed("ing as"), 3u);
    EXPECT_TRUE(find.Found());
    TStreamFind inside("ab");
    EXPECT_EQ(inside.Feed("xxabx"), 4u);
}

TEST(ProcessRunner, EndlessOutputKeepsHeadAndTailAndCountsEveryMark)
{
    TempDir dir;
    // 64 MiB of '#' on one line between two words, on standard output; a long error text.
    const auto renderer = Script(dir, "r", "echo first; head -c 67108864 /dev/zero | tr '\\000' '#'; echo; echo last;"
                                           " head -c 8000000 /dev/zero | tr '\\000' 'e' >&2\n");
    std::string out, err;
    TRecorder job;
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "~Rendering.tmp", dir.Path(), true}, out, err, &job));
    EXPECT_EQ(job.progress.back(), 67108864);
    EXPECT_LE(out.size(), 2 * kKeptOutputBytes + 64);
    EXPECT_EQ(out.rfind("first\n#", 0), 0u);
    EXPECT_EQ(out.substr(out.size() - 7), "#\nlast\n");
    EXPECT_NE(out.find("\n[... " + std::to_string(67108864 + 12 - 2 * kKeptOutputBytes) + " bytes left out ...]\n"),
              std::string::npos);
    EXPECT_LE(err.size(), 2 * kKeptOutputBytes + 64);

    // Tools that need all their output ask for it.
    TRunRequest whole{"sh", {}, dir.Path(), false, {"sh", "-c", "head -c 5000000 /dev/zero | tr '\\000' 'w'"}, 0};
    ASSERT_TRUE(RunRenderer(whole, out, err));
    EXPECT_EQ(out.size(), 5000000u);
}

TEST(ProcessRunner, AChildHoldingThePipeEndsTheRunASecondAfterTheRenderer)
{
    TempDir dir;
    // The helper keeps standard output open for half a minute after the renderer has ended.
    const auto renderer = Script(dir, "r", "echo picture; sleep 30 &\n");
    std::string out, err;
    TRunOutcome outcome;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "~Rendering.tmp", dir.Path(), true}, out, err, nullptr, &outcome));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(out, "picture\n");
    EXPECT_EQ(outcome.exitCode, 0);
    ASSERT_EQ(outcome.leftRunning.size(), 1u);
    EXPECT_EQ(outcome.leftRunning[0].substr(outcome.leftRunning[0].find(' ')), " sleep");
    ::kill(std::stoi(outcome.leftRunning[0]), SIGKILL);
}

TEST(ProcessRunner, StopEndsTheGroupAndNamesWhatLeftIt)
{
    TempDir dir;
    // One helper in the renderer's group (killed with it), one in a session of its own that keeps
    // no pipe open (left running, named).
    const auto renderer = Script(dir, "r", "setsid sh -c 'echo $$ > pid; exec sleep 31' </dev/null >/dev/null 2>&1 &\n"
                                           "sleep 30 & while [ ! -s pid ]; do sleep 0.05; done; echo started; wait\n");
    std::string out, err;
    TRecorder job;
    job.stopOnOutput = "started";
    TRunOutcome outcome;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunRenderer({renderer.string(), dir / "~Rendering.tmp", dir.Path(), true}, out, err, &job, &outcome));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(outcome.killed);
    ASSERT_EQ(outcome.leftRunning.size(), 1u) << out;
    const pid_t left = std::stoi(kelvane::test::ReadAll(dir / "pid"));
    EXPECT_EQ(outcome.leftRunning[0], std::to_string(left) + " sleep");
    ::kill(left, SIGKILL);
}
