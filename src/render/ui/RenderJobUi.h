#pragma once
// The render panel of the render tab: "Rendering" and "Stop Rendering", the blinking busy label
// and the progress bar, wired to a TRenderJob. The panel shows what the job reports; the main
// window supplies, through TRenderPanelHooks, what lies outside the render layer (messages, the
// caption, the settings and the other windows).
#include "controls/ui/BusyCursor.h"
#include "render/RenderJob.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kelvane {

class TfrmDos;

struct TRenderPanelHooks {
    std::function<void(const std::string&)> message;
    std::function<void(const std::string&)> setCaption;
    std::function<TRenderOptions()> options;      // read when a job starts
    std::function<bool()> stopWarningOff;         // the stop warning is not to be shown
    std::function<void()> neverShowStopWarning;   // the warning's check box was ticked
    std::function<void(const TPicture&)> showPicture;
    std::function<void(const QString&)> setTimeText;
    // The pre-flight findings, one a line; true renders anyway.
    std::function<bool(const QString&)> confirmFindings;
    std::function<void(const THistoryEntry&)> recorded;
};

class TRenderPanel : public QObject, public IRenderJobView {
    Q_OBJECT
public:
    // The controls are added to layout.
    TRenderPanel(TSceneSession& session, std::filesystem::path programFolder, QBoxLayout* layout,
                 TRenderPanelHooks hooks, QObject* parent = nullptr);
    ~TRenderPanel() override;

    void btnRenClick();
    // Renders the rectangle (picture pixels) of the open scene anew, as btnRenClick renders it
    // whole; the result goes into the picture regionBase gives for the rendered size.
    void RenderRegion(const TPixelRect& rect);
    void btnStopRenClick();
    void Timer1Timer();

    TRenderJob& Job() { return *job_; }
    // Disabled while a job runs (Window > Image Window, the render menu item).
    void AddIdleAction(QAction* action) { idleActions_.push_back(action); }
    // Enabled only while a job runs (the stop menu item).
    void AddBusyAction(QAction* action) { busyActions_.push_back(action); }
    void SetOutputWindow(TfrmDos* dos) { dos_ = dos; }

    QPushButton* btnRen = nullptr;
    QPushButton* btnStopRen = nullptr;
    QLabel* lbProg = nullptr;
    QLabel* lbTime = nullptr;  // elapsed and estimated time left; afterwards the duration
    QLabel* lbPicture = nullptr;  // where the picture shown was written
    QProgressBar* ProgressBar = nullptr;
    QTimer* Timer1 = nullptr;

    // IRenderJobView
    void Busy(bool busy) override;
    void SetCaption(const std::string& caption) override;
    void SetProgressMax(int max) override;
    void SetProgress(long long position) override;
    void Idle() override;
    void Message(const std::string& text) override;
    void SetTimeText(const std::string& text) override;
    void ShowPicture(const TPicture& picture, const std::filesystem::path& file) override;
    void OutputTexts(const std::string& dos, const std::string& dosErr) override;
    bool ConfirmFindings(const std::vector<std::string>& findings) override;
    void RenderTook(double seconds, bool stopped) override;
    void Recorded(const THistoryEntry& entry) override;

private:
    void ShowTimes();

    TRenderPanelHooks hooks_;
    QElapsedTimer clock_;
    std::unique_ptr<TRenderJob> job_;
    std::unique_ptr<TBusyCursor> busyCursor_;
    std::vector<QAction*> idleActions_;
    std::vector<QAction*> busyActions_;
    TfrmDos* dos_ = nullptr;
};

} // namespace kelvane
