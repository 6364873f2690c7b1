#include "render/ui/RenderJobUi.h"

#include "render/ui/UnitDos.h"
#include "render/ui/UnitStopRen.h"

#include <QAction>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace kelvane {

namespace {

QString ToQ(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

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
}

void TRenderPanel::Busy(bool busy)
{
    btnRen->setEnabled(!busy);
    if (imageWindowAction_)
        imageWindowAction_->setEnabled(!busy);
    btnStopRen->setEnabled(busy);
    lbProg->setText(busy ? QStringLiteral("Rendering") : QString());
    if (busy)
        Timer1->start();
    else
        Timer1->stop();
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
        hooks_.setTimeText(ToQ(text));
}

void TRenderPanel::ShowPicture(const TPicture& picture, const std::filesystem::path&)
{
    if (hooks_.showPicture)
        hooks_.showPicture(picture);
}

void TRenderPanel::OutputTexts(const std::string& dos, const std::string& dosErr)
{
    if (dos_)
        dos_->SetTexts(ToQ(dos), ToQ(dosErr));
}

} // namespace kelvane
