// The farm's queue reading and how status files and the queue combine into a scene's state.
#include "render/Farm.h"
#include "render/SlurmScheduler.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kelvane;
using kelvane::test::TempDir;

TEST(SlurmQueue, TasksRangesAndStatesOfOneJob)
{
    const TQueue q = ParseSlurmQueue(" 12_0 CD\n12_1 R\n120_2 R\n12_2 CG\n12_[3-5,8%2] PD\n12_9 TO\n12_10 CA\n12_11 F\ngarbage\n", "12");
    ASSERT_EQ(q.size(), 10u);  // none of job 120
    EXPECT_EQ(q.at(0).state, ETaskState::Done);
    EXPECT_EQ(q.at(1).state, ETaskState::Running);
    EXPECT_EQ(q.at(2).state, ETaskState::Running);  // completing is still running
    for (size_t t : {3, 4, 5, 8})
        EXPECT_EQ(q.at(t).state, ETaskState::Pending) << t;
    EXPECT_EQ(q.count(6), 0u);
    EXPECT_EQ(q.at(9).state, ETaskState::Failed);
    EXPECT_EQ(q.at(9).detail, "the time limit was reached");
    EXPECT_EQ(q.at(10).state, ETaskState::Cancelled);
}

TEST(FarmStates, StatusFilesWinAndVanishedTasksFail)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "status");
    TFarmJob job;
    job.folder = dir.Path();
    job.scenes.resize(6);
    WriteTaskStatus(job.folder, 0, {ETaskState::Done, "Rendering Time  :  0min 2sec"});
    WriteTaskStatus(job.folder, 1, {ETaskState::Failed, "line one\nline two"});
    WriteTaskStatus(job.folder, 2, {ETaskState::Running, {}});  // killed without a word
    WriteTaskStatus(job.folder, 3, {ETaskState::Running, {}});
    const TQueue queue = {{0, {ETaskState::Running, {}}}, {3, {ETaskState::Running, {}}},
                          {4, {ETaskState::Cancelled, {}}}, {5, {ETaskState::Pending, {}}}};

    std::vector<TTaskStatus> s = MergeTaskStates(job, {{job.jobId, queue}});
    EXPECT_EQ(s[0].state, ETaskState::Done);  // written just before the task left the queue
    EXPECT_EQ(s[0].detail, "Rendering Time  :  0min 2sec");
    EXPECT_EQ(s[1].detail, "line one\nline two");
    EXPECT_EQ(s[2].state, ETaskState::Failed);
    EXPECT_NE(s[2].detail.find("without a result"), std::string::npos);
    EXPECT_EQ(s[3].state, ETaskState::Running);
    EXPECT_EQ(s[4].state, ETaskState::Cancelled);
    EXPECT_EQ(s[5].state, ETaskState::Pending);

    // No answer from the queue: nothing is declared failed.
    s = MergeTaskStates(job, {});
    EXPECT_EQ(s[2].state, ETaskState::Running);
    EXPECT_EQ(s[4].state, ETaskState::Pending);
}

TEST(FarmStates, AttemptsTimesAndScenesWaitingInARunningTask)
{
    EXPECT_EQ(TaskStateText({ETaskState::Done, {}, 2, 3500}), "done (2 attempts, 0min 3sec)");
    EXPECT_EQ(TaskStateText({ETaskState::Done, {}, 1, 61000}), "done (1min 1sec)");
    EXPECT_EQ(TaskStateText({ETaskState::Failed, "Error at line 3", 3}), "failed after 3 attempts: Error at line 3");
    EXPECT_EQ(TaskStateText({ETaskState::Running, {}, 2}), "running (attempt 2)");

    // Task 0 renders scenes 0 and 1: while scene 0 renders, scene 1 waits in the running task.
    TempDir dir;
    std::filesystem::create_directories(dir / "status");
    TFarmJob job{dir.Path(), {"a", "b", "c"}, "slurm", "9", {{"9", {{0, 1}, {2}}}}};
    WriteTaskStatus(job.folder, 0, {ETaskState::Running, {}, 1});
    WriteTaskStatus(job.folder, 1, {ETaskState::Pending, {}});
    const TQueue queue = {{0, {ETaskState::Running, {}}}, {1, {ETaskState::Pending, {}}}};
    const std::vector<TTaskStatus> s = MergeTaskStates(job, {{"9", queue}});
    EXPECT_EQ(s[0].state, ETaskState::Running);
    EXPECT_EQ(s[1].state, ETaskState::Pending);
    EXPECT_EQ(s[2].state, ETaskState::Pending);
    EXPECT_EQ(ReadTaskStatus(job.folder, 0)->attempts, 1);

    // Nothing left to render: no finishing time.
    EXPECT_EQ(FarmSummary({{ETaskState::Done, {}, 1, 1000}, {ETaskState::Done, {}, 2, 2000}, {ETaskState::Failed, "x", 3}}, 0),
              "2 done, 0 running, 0 pending, 1 failed, 0 cancelled; mean 1.5 s");
}

TEST(FarmText, OneLineMessagesLabelsFolderNamesAndFields)
{
    EXPECT_EQ(OneLine("There is something wrong\r\n\r\nat line 3\n"), "There is something wrong / at line 3");
    EXPECT_EQ(OneLine("\nonly\r"), "only");

    const std::vector<std::string> labels =
        SceneLabels({"/s/a/f3/sample.xml", "/s/b/f3/sample.xml", "/s/f4/sample.xml", "/s/c.xml", "/c.xml"});
    EXPECT_EQ(labels, (std::vector<std::string>{"a/f3/sample.xml", "b/f3/sample.xml", "f4/sample.xml", "s/c.xml", "c.xml"}));

    const std::string name = FarmFolderName(0, "/x/shot 1:a.xml");
    EXPECT_EQ(name.rfind("kelvane-farm-"), 0u);
    EXPECT_EQ(name.substr(name.size() - 9), "-shot_1_a") << name;

    for (const char* good : {"1G", "512M", "2048", "1t"})
        EXPECT_EQ(MemorySizeError(good), "") << good;
    for (const char* bad : {"", "G", "1.5G", "1GB", "-1G", "lots"})
        EXPECT_NE(MemorySizeError(bad), "") << bad;
    for (const char* good : {"90", "5:30", "2:00:00", "1-12", "1-12:30:00"})
        EXPECT_EQ(TimeLimitError(good), "") << good;
    for (const char* bad : {"", "1:2:3:4", "a", ":5", "5:", "1--2", "1-"})
        EXPECT_NE(TimeLimitError(bad), "") << bad;
}
