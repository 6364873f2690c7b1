#include "render/ui/RenderJobUi.h"

#include "controls/ui/QtText.h"
#include "render/ui/UnitDos.h"
#include "scene/NumFormat.h"
#include "render/ui/UnitStopRen.h"

#include <QAction>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace kelvane {

TRenderPanel::TRenderPanel(TSceneSession& session, std::filesystem::path programFolder, QBoxLayout* layout,
                           TRenderPanelHooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)),
      job_(std::make_unique<TRenderJob>(session, std::move(programFolder), static_cast<IRenderJobView&>(*this)))
{
    btnRen = new QPushButton(QStringLiteral("Rendering"));
    btnRen->setObjectName(QStringLiteral("btnRen"));
    btnStopRen = new QPushButton(QStringLiteral("Stop Rendering"));
    btnStopRen->setObjectName(QStringLiteral("btnStopRen"));
    btnStopRen->setEnabled(false);
    lbProg = new QLabel;
    lbProg->setObjectName(QStringLiteral("lbProg"));
    lbProg->setMinimumWidth(70);
    lbTime = new QLabel;
    lbTime->setObjectName(QStringLiteral("lbTime"));
    lbPicture = new QLabel;
    lbPicture->setObjectName(QStringLiteral("lbPicture"));
    lbPicture->setWordWrap(true);
    lbPicture->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProgressBar = new QProgressBar;
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setMinimum(0);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    if (layout) {
        layout->addWidget(btnRen);
        layout->addWidget(btnStopRen);
        layout->addWidget(lbProg);
        layout->addWidget(ProgressBar);
        layout->addWidget(lbTime);
        layout->addWidget(lbPicture);
    }
    connect(btnRen, &QPushButton::clicked, this, [this] { btnRenClick(); });
    connect(btnStopRen, &QPushButton::clicked, this, [this] { btnStopRenClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

TRenderPanel::~TRenderPanel() = default;

void TRenderPanel::btnRenClick()
{
    if (job_->Running() || !hooks_.options)
        return;
    job_->Run(hooks_.options());
}

void TRenderPanel::RenderRegion(const TPixelRect& rect)
{
    if (job_->Running() || !hooks_.options)
        return;
    TRenderOptions options = hooks_.options();
    options.region = TRegionRequest{rect, {}};
    job_->Run(options);
}

void TRenderPanel::btnStopRenClick()
{
    if (hooks_.stopWarningOff && hooks_.stopWarningOff()) {
        job_->RequestStop();
        return;
    }
    TfrmStopRen dialog([this] { job_->RequestStop(); }, hooks_.neverShowStopWarning);
    dialog.exec();
}

void TRenderPanel::Timer1Timer()
{
    lbProg->setText(lbProg->text() == QStringLiteral("Rendering") ? QStringLiteral("Render...")
                                                                  : QStringLiteral("Rendering"));
    ShowTimes();
}

void TRenderPanel::ShowTimes()
{
    const long long elapsed = clock_.isValid() ? clock_.elapsed() / 1000 : 0;
    QString text = QStringLiteral("%1:%2 elapsed").arg(elapsed / 60).arg(elapsed % 60, 2, 10, QLatin1Char('0'));
    // The progress count grows evenly with the finished blocks: the rest takes as long again
    // in proportion.
    const int done = ProgressBar->value(), all = ProgressBar->maximum();
    if (done > 0 && all > done) {
        const long long left = (long long)((double)clock_.elapsed() * (all - done) / done / 1000.0 + 0.5);
        text += QStringLiteral(", about %1:%2 left").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    lbTime->setText(text);
}

void TRenderPanel::Busy(bool busy)
{
    btnRen->setEnabled(!busy);
    for (QAction* action : idleActions_)
        action->setEnabled(!busy);
    btnStopRen->setEnabled(busy);
    for (QAction* action : busyActions_)
        action->setEnabled(busy);
    if (busy)
        lbPicture->clear();
    lbProg->setText(busy ? QStringLiteral("Rendering") : QString());
    if (busy) {
        Timer1->start();
        clock_.start();
        ShowTimes();
    } else {
        Timer1->stop();
    }
    if (busy)
        busyCursor_ = std::make_unique<TBusyCursor>();
    else
        busyCursor_.reset();
}

void TRenderPanel::SetCaption(const std::string& caption)
{
    if (hooks_.setCaption)
        hooks_.setCaption(caption);
}

void TRenderPanel::SetProgressMax(int max)
{
    ProgressBar->setMaximum(max);
}

void TRenderPanel::SetProgress(long long position)
{
    ProgressBar->setValue(static_cast<int>(std::min<long long>(position, ProgressBar->maximum())));
}

void TRenderPanel::Idle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TRenderPanel::Message(const std::string& text)
{
    if (hooks_.message)
        hooks_.message(text);
}

void TRenderPanel::SetTimeText(const std::string& text)
{
    if (hooks_.setTimeText)
        hooks_.setTimeText(QtText(text));
}

void TRenderPanel::ShowPicture(const TPicture& picture, const std::filesystem::path& file)
{
    lbPicture->setText(QStringLiteral("Picture written to ") + QtText(file.string()));
    if (hooks_.showPicture)
        hooks_.showPicture(picture);
}

bool TRenderPanel::ConfirmFindings(const std::vector<std::string>& findings)
{
    QString text;
    for (const std::string& line : findings)
        text += QLatin1Char('\n') + QtText(line);
    return !hooks_.confirmFindings || hooks_.confirmFindings(text);
}

void TRenderPanel::RenderTook(double seconds, bool stopped)
{
    clock_.restart();
    lbTime->setText((stopped ? QStringLiteral("Stopped after ") : QStringLiteral("Took ")) +
                    QtText(FixedToStr(seconds, 1)) + QStringLiteral(" s"));
}

void TRenderPanel::Recorded(const THistoryEntry& entry)
{
    if (hooks_.recorded)
        hooks_.recorded(entry);
}

void TRenderPanel::OutputTexts(const std::string& dos, const std::string& dosErr)
{
    if (dos_)
        dos_->SetTexts(QtText(dos), QtText(dosErr));
}

} // namespace kelvane
