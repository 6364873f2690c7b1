#include "render/RenderJob.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "editing/SceneSession.h"
#include "scene/FileIO.h"
#include "scene/TextCodec.h"
#include "support/SampleScene.h"
#include "support/TempDir.h"

using namespace kelvane;
using kelvane::test::TempDir;

namespace {

struct TRecordingView : IRenderJobView {
    std::vector<std::string> messages, captions, times;
    std::vector<int> maxima;
    long long lastProgress = -1, topProgress = 0;
    int pictures = 0, busyChanges = 0;
    TRenderJob* job = nullptr;
    int stopAtProgress = -1;
    void Busy(bool) override { ++busyChanges; }
    void SetCaption(const std::string& c) override { captions.push_back(c); }
    void SetProgressMax(int m) override { maxima.push_back(m); }
    void SetProgress(long long p) override
    {
        lastProgress = p;
        topProgress = std::max(topProgress, p);
        if (job && stopAtProgress >= 0 && p >= stopAtProgress)
            job->RequestStop();
    }
    void Message(const std::string& text) override { messages.push_back(text); }
    void SetTimeText(const std::string& t) override { times.push_back(t); }
    void ShowPicture(const TPicture&, const fs::path&) override { ++pictures; }
    void OutputTexts(const std::string&, const std::string&) override {}
};

fs::path Scene(const TempDir& dir, const std::string& name, const std::string& mode = {})
{
    return dir.Write(name, kelvane::test::SampleScene(mode));
}

// The sample at 32 x 24 pixels: quick to render.
fs::path TinyScene(const TempDir& dir, const std::string& name)
{
    std::string text = kelvane::test::SampleScene();
    const std::string size = "resx=\"640\" resy=\"480\"";
    return dir.Write(name, text.replace(text.find(size), size.size(), "resx=\"32\" resy=\"24\""));
}

struct TJobFixture {
    TempDir program, scenes;
    TSceneSession session{program.Path()};
    TRecordingView view;
    TRenderJob job{session, program.Path(), view};
    TJobFixture() { view.job = &job; }
    int Run(const std::vector<fs::path>& files, std::optional<std::string> saveName = {})
    {
        session.OpenScene(files);
        session.SelectRow(session.FindRow("render -- Front"));
        TRenderOptions options;
        options.executable = KELVANE_STANDIN_EXE;
        options.antiAliasing = 3;
        options.saveName = std::move(saveName);
        return job.Run(options);
    }
};

} // namespace

TEST(RenderJob, SingleSceneRendersToTheProgramFolderAndPutsTheOutfileBack)
{
    TJobFixture f;
    EXPECT_EQ(f.Run({Scene(f.scenes, "one.xml")}, "sample"), 0);
    EXPECT_TRUE(f.view.messages.empty()) << f.view.messages[0];
    ASSERT_NE(f.job.LastPicture(), nullptr);
    EXPECT_EQ(f.job.LastPicture()->width, 640);
    EXPECT_EQ(f.view.pictures, 1);
    EXPECT_TRUE(FileExists(f.program / "LastRenderedImage.tga"));
    EXPECT_FALSE(FileExists(f.program / "~Rendering.tmp"));
    // 40 per sample first; the progress frame then names the real count: 8 for 640 x 480.
    EXPECT_EQ(f.view.maxima, (std::vector<int>{640, 8}));
    EXPECT_EQ(f.view.topProgress, 8);
    EXPECT_EQ(f.view.lastProgress, 0);
    ASSERT_EQ(f.view.times.size(), 1u);
    EXPECT_EQ(f.session.GetValue("render.outfile.value", ""), "sample.tga");
    EXPECT_EQ(f.view.busyChanges, 2);
}

TEST(RenderJob, BatchStopsAfterTheFailingSceneAndReadsTheFirstAgain)
{
    TJobFixture f;
    const fs::path a = Scene(f.scenes, "a.xml"), b = Scene(f.scenes, "b.xml", "fail"), c = Scene(f.scenes, "c.xml");
    EXPECT_EQ(f.Run({a, b, c}), 1);
    EXPECT_TRUE(FileExists(f.scenes / "a.tga"));
    EXPECT_FALSE(FileExists(f.scenes / "b.tga"));
    EXPECT_FALSE(FileExists(f.scenes / "c.tga"));
    EXPECT_EQ(f.view.pictures, 0);
    ASSERT_EQ(f.view.messages.size(), 1u);
    EXPECT_EQ(f.view.messages[0].rfind("There is something wrong on this file, " + b.string() + "\n\rYafRay said: Error at line", 0), 0u);
    EXPECT_EQ(f.view.captions.back(), "Kelvane  --  a.xml");
    EXPECT_FALSE(FileExists(f.program / "~Rendering.tmp"));
    EXPECT_FALSE(FileExists(f.program / "~Fake.tmp"));
    // The first scene is in the document again: its render has no test mode.
    EXPECT_EQ(f.session.GetValue("render.standin_mode.value", ""), "");
}

TEST(RenderJob, FailuresAreNamed)
{
    {   // A saving line without a picture names the missing file.
        TJobFixture f;
        EXPECT_EQ(f.Run({Scene(f.scenes, "s.xml", "nosave")}), 1);
        ASSERT_EQ(f.view.messages.size(), 1u);
        EXPECT_NE(f.view.messages[0].find("no file " + (f.program / "LastRenderedImage.tga").string()), std::string::npos);
        EXPECT_EQ(f.job.LastPicture(), nullptr);
    }
    {   // "Failed" on standard error only, as the real renderer reports a parse error.
        TJobFixture f;
        const fs::path s = Scene(f.scenes, "s.xml", "fail-stderr");
        EXPECT_EQ(f.Run({s}), 1);
        ASSERT_EQ(f.view.messages.size(), 1u);
        EXPECT_EQ(f.view.messages[0].rfind("There is something wrong on this file, " + s.string() + "\n\rYafRay said: Error at line ", 0), 0u);
    }
    {   // No report at all: the renderer was ended by a signal (it aborts).
        TJobFixture f;
        EXPECT_EQ(f.Run({Scene(f.scenes, "s.xml", "crash")}), 1);
        EXPECT_EQ(f.view.messages, std::vector<std::string>{"The renderer was killed by signal SIGABRT."});
    }
    {   // No renderer: the message names the configured path; a batch goes on.
        TJobFixture f;
        f.session.OpenScene({Scene(f.scenes, "a.xml"), Scene(f.scenes, "b.xml")});
        TRenderOptions options;
        options.executable = (f.program / "no-yafray").string();
        EXPECT_EQ(f.job.Run(options), 2);
        ASSERT_EQ(f.view.messages.size(), 2u);
        EXPECT_EQ(f.view.messages[0], "There is not yafray.exe in " + options.executable +
                                      "\r\nMake sure File>Configuration>Path to yafray.exe is correct.");
        EXPECT_TRUE(f.view.times.empty());
    }
}

TEST(RenderJob, StopEndsTheRenderWithoutAMessage)
{
    TJobFixture f;
    ::setenv("KELVANE_STANDIN_DELAY_MS", "300", 1);
    f.view.stopAtProgress = 1;
    const fs::path a = Scene(f.scenes, "a.xml"), b = Scene(f.scenes, "b.xml");
    EXPECT_EQ(f.Run({a, b}), 1);
    ::unsetenv("KELVANE_STANDIN_DELAY_MS");
    EXPECT_TRUE(f.view.messages.empty());
    EXPECT_TRUE(f.job.StopRequested());
    EXPECT_FALSE(FileExists(f.scenes / "a.tga"));
    EXPECT_FALSE(FileExists(f.scenes / "b.tga"));
    EXPECT_EQ(f.view.times.size(), 1u);
    EXPECT_FALSE(FileExists(f.program / "~Rendering.tmp"));
}

TEST(RenderJob, TimeTextMarksAndReportTail)
{
    EXPECT_EQ(RenderTimeText(59999), "Rendering Time  :  0min 59sec");
    EXPECT_EQ(RenderPassMarks(640, 64), 1);
    EXPECT_EQ(RenderPassMarks(704, 64), 2);
    EXPECT_EQ(RenderPassMarks(800, 600), 13);
    EXPECT_EQ(RenderPassMarks(0, 600), 0);
    EXPECT_EQ(ReportTail("Failed\nError at line 3"), "Error at line 3");
    EXPECT_EQ(ReportTail("Failed\n"), "Failed\n");
}

TEST(RenderJob, PathsTheRendererCannotReadAreRefusedOthersAreWrittenAsTheyAre)
{
    TJobFixture f;
    // The renderer reads values raw: '&' and '<' pass, a double quote cannot be carried.
    const fs::path odd = TinyScene(f.scenes, "a&b<c/s.xml");
    const fs::path quoted = TinyScene(f.scenes, "q\"d/s.xml");
    EXPECT_EQ(f.Run({odd, quoted}), 1);
    EXPECT_TRUE(FileExists(f.scenes / "a&b<c" / "s.tga"));
    EXPECT_EQ(f.view.messages, std::vector<std::string>{"The path " + (f.scenes / "q\"d" / "s.tga").string() +
                                                        " holds a character the renderer cannot read: \"."});
    EXPECT_EQ(RendererPathError("/x/a\rb.tga"), "The path /x/a\rb.tga holds a character the renderer cannot read: CR.");
    EXPECT_EQ(RendererPathError("/x/a\nb.tga"), "The path /x/a\nb.tga holds a character the renderer cannot read: LF.");
}

TEST(RenderJob, AHelperHoldingTheOutputOpenIsNamedAndDoesNotHoldTheJob)
{
    TJobFixture f;
    const fs::path renderer = f.program.Write("r", "#!/bin/sh\nsleep 300 &\nexec '" + std::string(KELVANE_STANDIN_EXE) + "' \"$1\"\n");
    fs::permissions(renderer, fs::perms::owner_all);
    f.session.OpenScene({TinyScene(f.scenes, "s.xml")});
    TRenderOptions options;
    options.executable = renderer.string();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.job.Run(options), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
    EXPECT_NE(f.job.LastPicture(), nullptr);
    const std::string& err = f.job.ErrorText();
    const size_t at = err.find("Left running: ");
    ASSERT_NE(at, std::string::npos) << err;
    const pid_t helper = std::atoi(err.c_str() + at + 14);
    EXPECT_EQ(err.substr(at), "Left running: " + std::to_string(helper) + " sleep\n");
    ::kill(helper, SIGKILL);
}
