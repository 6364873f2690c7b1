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

    std::vector<TTaskStatus> s = MergeTaskStates(job, &queue);
    EXPECT_EQ(s[0].state, ETaskState::Done);  // written just before the task left the queue
    EXPECT_EQ(s[0].detail, "Rendering Time  :  0min 2sec");
    EXPECT_EQ(s[1].detail, "line one\nline two");
    EXPECT_EQ(s[2].state, ETaskState::Failed);
    EXPECT_NE(s[2].detail.find("without a result"), std::string::npos);
    EXPECT_EQ(s[3].state, ETaskState::Running);
    EXPECT_EQ(s[4].state, ETaskState::Cancelled);
    EXPECT_EQ(s[5].state, ETaskState::Pending);

    // No answer from the queue: nothing is declared failed.
    s = MergeTaskStates(job, nullptr);
    EXPECT_EQ(s[2].state, ETaskState::Running);
    EXPECT_EQ(s[4].state, ETaskState::Pending);
}
