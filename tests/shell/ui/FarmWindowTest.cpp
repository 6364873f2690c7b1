// The farm from the editor: the Jobs window on job folders and a scheduler whose queue the test
// sets, and File > Render on farm through the submit dialog.
#include "EditorFixture.h"

#include "controls/IniFileCompo.h"
#include "render/Farm.h"
#include "render/FarmJobList.h"
#include "shell/ui/FarmSubmit.h"
#include "shell/ui/FarmWindow.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
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

// A job folder as a submission leaves it.
void WriteJob(const TempDir& dir, const std::string& name, const std::string& id, const std::vector<std::string>& scenes)
{
    std::string list;
    for (const std::string& s : scenes)
        list += (dir / s).string() + "\n";
    dir.Write(name + "/scenes.txt", list);
    dir.Write(name + "/job.txt", "fake " + id + "\n");
    std::filesystem::create_directories(dir / name / "status");
    RecordFarmJob(dir / "FarmJobs.txt", id, dir / name, 1700000000);
}

} // namespace

// Jobs of an earlier run are found from the list and their folders; same-named scenes show their
// folders; a failure reads whole; Cancel job asks first.
TEST(FarmJobs, ListsJobsOfEarlierRunsFollowsAndCancelsOnRequest)
{
    TempDir dir;
    WriteJob(dir, "old", "5", {"a.xml"});
    WriteJob(dir, "job", "7", {"f3/sample.xml", "f4/sample.xml", "c.xml"});
    WriteTaskStatus(dir / "old", 0, {ETaskState::Done, {}, 1, 1500});
    TQueue queue = {{0, {ETaskState::Running, {}}}, {1, {ETaskState::Pending, {}}}, {2, {ETaskState::Pending, {}}}};
    int cancels = 0;
    TFakeDialogs dialogs;
    TDialogsScope scope{dialogs};

    TfrmFarmJobs w(TSchedulerPlace{dir.Path(), {}}, dir / "FarmJobs.txt");
    w.schedulerFor = [&](const std::filesystem::path&) {
        auto s = std::make_unique<TFakeScheduler>();
        s->queue = &queue;
        s->cancels = &cancels;
        return s;
    };
    w.Reload(dir / "job");
    ASSERT_EQ(w.gridJobs->rowCount(), 2);
    EXPECT_EQ(w.gridJobs->item(1, 4)->text(), QStringLiteral("done"));
    EXPECT_EQ(w.gridJobs->item(0, 4)->text(), QStringLiteral("running"));
    EXPECT_EQ(w.gridJobs->item(0, 2)->text(), QStringLiteral("0/0/1/2"));
    EXPECT_TRUE(w.refreshTimer->isActive());
    ASSERT_EQ(w.gridScenes->rowCount(), 3);
    EXPECT_EQ(w.gridScenes->item(0, 0)->text(), QStringLiteral("f3/sample.xml"));
    EXPECT_EQ(w.gridScenes->item(1, 0)->text(), QStringLiteral("f4/sample.xml"));
    EXPECT_EQ(w.gridScenes->item(1, 0)->toolTip(), QString::fromStdString((dir / "f4/sample.xml").string()));
    EXPECT_EQ(w.gridScenes->item(2, 0)->text(), QStringLiteral("c.xml"));

    WriteTaskStatus(dir / "job", 0, {ETaskState::Done, {}, 2, 1000});
    WriteTaskStatus(dir / "job", 1, {ETaskState::Failed, "Error at line 3\r\nYafRay said no", 1});
    w.Refresh();
    EXPECT_EQ(w.gridScenes->item(0, 1)->text(), QStringLiteral("done (2 attempts, 0min 1sec)"));
    EXPECT_EQ(w.gridScenes->item(0, 2)->text(), QStringLiteral("2"));
    EXPECT_EQ(w.gridScenes->item(1, 1)->text(), QStringLiteral("failed: Error at line 3 / YafRay said no"));
    w.gridScenes->selectRow(1);
    EXPECT_TRUE(w.memoDetails->toPlainText().endsWith(QStringLiteral("failed: Error at line 3\nYafRay said no")))
        << w.memoDetails->toPlainText().toStdString();
    w.gridScenes->cellDoubleClicked(1, 0);
    ASSERT_EQ(dialogs.openedDocuments.size(), 1u);
    EXPECT_EQ(dialogs.openedDocuments[0], QString::fromStdString((dir / "job/log/1.txt").string()));

    // No, the default, keeps the job; Yes cancels it.
    w.btnCancelJob->click();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0], QStringLiteral("Cancel job 7 with 1 scenes still to render?"));
    EXPECT_EQ(cancels, 0);
    dialogs.askAnswers.push_back(0);
    w.btnCancelJob->click();
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(w.gridScenes->item(2, 1)->text(), QStringLiteral("cancelled"));
    EXPECT_EQ(w.gridJobs->item(0, 4)->text(), QStringLiteral("failed"));
    EXPECT_FALSE(w.refreshTimer->isActive());
    EXPECT_FALSE(w.btnCancelJob->isEnabled());
    EXPECT_TRUE(w.RunningJobs().empty());

    // Forgotten with its folder: the job folder goes, the other job stays listed.
    ASSERT_TRUE(w.btnForgetJob->isEnabled());
    dialogs.askAnswers.push_back(0);
    w.btnForgetJob->click();
    EXPECT_EQ(dialogs.asked.back().toStdString(), "Take job 7 off the list and delete its folder " + (dir / "job").string() + "?");
    EXPECT_FALSE(std::filesystem::exists(dir / "job"));
    ASSERT_EQ(w.gridJobs->rowCount(), 1);
    EXPECT_EQ(w.gridJobs->item(0, 0)->text(), QStringLiteral("5 (fake)"));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(FarmSubmit, FieldsAreCheckedAndRemembered)
{
    TEditorFixture f;
    f.Start();
    TIniFileCompo settings((f.dir / "farm.ini").string());
    {
        TfrmFarmSubmit d(settings);
        EXPECT_EQ(d.edtMemory->text(), QStringLiteral("1G"));
        EXPECT_EQ(d.combScheduler->count(), 2);
        for (auto [field, text] : std::vector<std::pair<QLineEdit*, const char*>>{
                 {d.edtMemory, "lots"}, {d.edtTimeLimit, "1:2:3:4"}, {d.edtRetries, "-1"}, {d.edtPerTask, "0"}}) {
            const QString was = field->text();
            field->setText(QString::fromLatin1(text));
            d.OKBtn->click();
            EXPECT_EQ(d.result(), QDialog::Rejected) << text;
            field->setText(was);
        }
        EXPECT_EQ(f.dialogs.errors.size(), 4u);
        d.combScheduler->setCurrentIndex(d.combScheduler->findText(QStringLiteral("local")));
        d.edtPartition->setText(QStringLiteral("render"));
        d.edtTimeLimit->setText(QStringLiteral("1-12"));
        d.edtMemory->setText(QStringLiteral("2G"));
        d.edtMaxParallel->setText(QStringLiteral("3"));
        d.edtRetries->setText(QStringLiteral("2"));
        d.cbHold->setChecked(true);
        d.OKBtn->click();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.Scheduler(), "local");
        EXPECT_EQ(d.Options().timeLimit, "1-12");
        EXPECT_EQ(d.Options().maxParallel, 3);
        EXPECT_TRUE(d.Options().hold);
    }
    TfrmFarmSubmit again(settings);
    EXPECT_EQ(again.combScheduler->currentText(), QStringLiteral("local"));
    EXPECT_EQ(again.edtPartition->text(), QStringLiteral("render"));
    EXPECT_EQ(again.edtMemory->text(), QStringLiteral("2G"));
    EXPECT_EQ(again.edtRetries->text(), QStringLiteral("2"));
    EXPECT_TRUE(again.cbHold->isChecked());
}

// Without sbatch the local scheduler makes the item usable. The pre-flight findings come first;
// the dialog's options reach sbatch; a refusal is reported and nothing is listed.
TEST(FarmSubmit, MenuItemPreflightAndARefusal)
{
    const std::string path = std::getenv("PATH");
    {
        TEditorFixture f;
        ::setenv("PATH", (f.dir / "none").c_str(), 1);
        f.Start();
        ::setenv("PATH", path.c_str(), 1);
        EXPECT_TRUE(f.Main().findChild<QAction*>(QStringLiteral("RenderOnFarm1"))->isEnabled());
    }
    TEditorFixture f;
    const fs::path sbatch = f.dir.Write("bin/sbatch", "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/sbatch.args\"\n"
                                                      "echo 'sbatch: error: invalid partition' >&2\nexit 1\n");
    fs::permissions(sbatch, fs::perms::owner_all);
    for (const char* tool : {"squeue", "scancel", "scontrol"})
        fs::copy_file(sbatch, f.dir / "bin" / tool);
    ::setenv("PATH", ((f.dir / "bin").string() + ":" + path).c_str(), 1);
    f.Start();
    QAction* item = f.Main().findChild<QAction*>(QStringLiteral("RenderOnFarm1"));
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    EXPECT_EQ(f.dialogs.messages.size(), 1u);  // nothing open yet

    // The sample names a texture file that the copy leaves out: a finding.
    const fs::path scene = f.CopySample("a");
    fs::remove(scene.parent_path() / "wood.jpg");
    f.dialogs.openAnswers.push_back({QString::fromStdString(scene.string())});
    f.Main().findChild<QAction*>(QStringLiteral("OpenO1"))->trigger();
    int runs = 0;
    f.dialogs.onFarmSubmit = [&](TfrmFarmSubmit& d) {
        ++runs;
        d.combScheduler->setCurrentIndex(d.combScheduler->findText(QStringLiteral("slurm")));
        d.edtPartition->setText(QStringLiteral("gpu"));
        d.edtMemory->setText(QStringLiteral("3G"));
        d.OKBtn->click();
    };
    f.dialogs.askAnswers = {1};  // Cancel at the findings
    item->trigger();
    ASSERT_FALSE(f.dialogs.asked.empty());
    EXPECT_TRUE(f.dialogs.asked.back().startsWith(QStringLiteral("The check before submitting found:\na.xml: "))) << f.dialogs.asked.back().toStdString();
    EXPECT_FALSE(fs::exists(f.dir / "bin/sbatch.args"));

    f.dialogs.askAnswers = {0};  // Submit anyway
    item->trigger();
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(runs, 2);
    ASSERT_EQ(f.dialogs.errors.size(), 1u);
    EXPECT_EQ(f.dialogs.errors[0], QStringLiteral("sbatch failed: sbatch: error: invalid partition"));
    const std::string args = ReadAll(f.dir / "bin/sbatch.args");
    EXPECT_NE(args.find("--partition=gpu --mem=3G"), std::string::npos) << args;
    EXPECT_EQ(f.Main().findChild<TfrmFarmJobs*>(), nullptr);
}

} // namespace kelvane::test
