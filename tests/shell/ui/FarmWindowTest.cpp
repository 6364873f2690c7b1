// The farm status window on a job folder and a scheduler whose queue the test sets.
#include "EditorFixture.h"

#include "render/Farm.h"
#include "shell/ui/FarmWindow.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QEvent>
#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace kelvane::test {

namespace {

struct TFakeScheduler : IScheduler {
    TQueue* queue = nullptr;
    int* cancels = nullptr;
    std::string Name() const override { return "fake"; }
    std::string Title() const override { return "fake"; }
    std::string Unavailable() const override { return {}; }
    std::string Submit(const TFarmJob&, size_t, size_t, const TFarmOptions&) override { return "7"; }
    TQueue Query(const std::string&) override
    {
        if (!queue)
            throw EFarmError("squeue failed: no answer");
        return *queue;
    }
    void Cancel(const std::string&) override { ++*cancels; }
    void Release(const std::string&) override {}
    std::optional<std::filesystem::path> FolderOfJob(const std::string&) override { return std::nullopt; }
};

} // namespace

TEST(FarmWindow, FollowsTheJobUntilItEndsAndCancelsOnRequest)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "status");
    TFarmJob job{dir.Path(), {dir / "a.xml", dir / "b.xml", dir / "c.xml"}, "fake", "7", {}};
    TQueue queue = {{0, {ETaskState::Running, {}}}, {1, {ETaskState::Pending, {}}}, {2, {ETaskState::Pending, {}}}};
    int cancels = 0;
    auto scheduler = std::make_unique<TFakeScheduler>();
    scheduler->queue = &queue;
    scheduler->cancels = &cancels;
    TFakeScheduler* fake = scheduler.get();
    TFakeDialogs dialogs;
    TDialogsScope scope{dialogs};

    auto* w = new TFarmWindow(std::move(scheduler), job);
    QPointer<TFarmWindow> alive(w);
    EXPECT_TRUE(w->refreshTimer->isActive());
    EXPECT_EQ(w->gridScenes->item(1, 0)->text(), QStringLiteral("b.xml"));
    EXPECT_EQ(w->gridScenes->item(0, 1)->text(), QStringLiteral("running"));
    EXPECT_EQ(w->gridScenes->item(2, 1)->text(), QStringLiteral("pending"));

    WriteTaskStatus(job.folder, 0, {ETaskState::Done, "Rendering Time  :  0min 1sec"});
    WriteTaskStatus(job.folder, 1, {ETaskState::Failed, "Error at line 3\nYafRay said no"});
    fake->queue = nullptr;  // the queue does not answer: the label says so, nothing else changes
    w->Refresh();
    EXPECT_EQ(w->gridScenes->item(1, 1)->text(), QStringLiteral("failed: Error at line 3 YafRay said no"));
    EXPECT_EQ(w->gridScenes->item(2, 1)->text(), QStringLiteral("pending"));
    EXPECT_EQ(w->farmProgress->value(), 1);
    EXPECT_TRUE(w->lbJob->text().contains(QStringLiteral("squeue failed: no answer")));
    EXPECT_TRUE(w->refreshTimer->isActive());

    fake->queue = &queue;
    w->btnCancelJob->click();
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(w->gridScenes->item(0, 1)->text(), QStringLiteral("done (0min 1sec)"));
    EXPECT_EQ(w->gridScenes->item(2, 1)->text(), QStringLiteral("cancelled"));
    EXPECT_TRUE(w->Finished());
    EXPECT_FALSE(w->refreshTimer->isActive());
    EXPECT_FALSE(w->btnCancelJob->isEnabled());
    EXPECT_TRUE(dialogs.errors.empty());
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST(FarmWindow, MenuItemFollowsSbatchAndReportsARefusal)
{
    const std::string path = std::getenv("PATH");
    {
        TEditorFixture f;
        ::setenv("PATH", (f.dir / "none").c_str(), 1);
        f.Start();
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_FALSE(f.Main().findChild<QAction*>(QStringLiteral("RenderOnFarm1"))->isEnabled());
    }
    TEditorFixture f;
    // An sbatch that refuses every job.
    const fs::path sbatch = f.dir.Write("bin/sbatch", "#!/bin/sh\necho 'sbatch: error: invalid partition' >&2\nexit 1\n");
    fs::permissions(sbatch, fs::perms::owner_all);
    for (const char* tool : {"squeue", "scancel"})
        fs::copy_file(sbatch, f.dir / "bin" / tool);
    ::setenv("PATH", ((f.dir / "bin").string() + ":" + path).c_str(), 1);
    f.Start();
    QAction* item = f.Main().findChild<QAction*>(QStringLiteral("RenderOnFarm1"));
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(f.dialogs.messages.size(), 1u);  // nothing open yet

    f.dialogs.openAnswers.push_back({QString::fromStdString(f.CopySample("a").string())});
    f.Main().findChild<QAction*>(QStringLiteral("OpenO1"))->trigger();
    item->trigger();
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_EQ(f.dialogs.errors.size(), 1u);
    EXPECT_EQ(f.dialogs.errors[0], QStringLiteral("sbatch failed: sbatch: error: invalid partition"));
    EXPECT_EQ(f.Main().findChild<TFarmWindow*>(), nullptr);
}

} // namespace kelvane::test
