#include "shell/ui/UnitMain.h"

#include "controls/IniFileCompo.h"
#include "controls/ui/BusyCursor.h"
#include "controls/ui/WidgetPlacement.h"
#include "controls/ui/WidgetTag.h"
#include "editing/SceneSession.h"
#include "controls/ui/ColorPanel.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/QtText.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlAccess.h"
#include "editing/ui/ElementList.h"
#include "editing/EditJournal.h"
#include "editing/ui/SessionStore.h"
#include "render/PictureDecoders.h"
#include "render/RenderHistory.h"
#include "render/ui/RenderJobUi.h"
#include "render/ui/UnitDos.h"
#include "render/ui/UnitImgRen.h"
#include "shell/ProgramFolder.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/FarmWindow.h"
#include "shell/ui/RecentFiles.h"
#include "shell/ui/UnitColor.h"
#include "shell/ui/UnitConfiguration.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>

namespace kelvane {

namespace {

const char* const openFilter = "YafRay ( *.xml, *.txt )|*.xml; *.txt|All Files ( *.* )|*.*";
const char* const saveFilter = "YafRay ( *.xml; *.txt )|*.xml; *.txt|AllFiles ( *.* )|*.*";

QString ToQ(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

fs::path ToPath(const QString& s)
{
    return fs::path(s.toStdString());
}

} // namespace

TfrmMain::TfrmMain(fs::path programFolder, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kelvane"));

    // The settings store is a component of the window: it loads the settings file first.
    iniFileCom_ = std::make_unique<TIniFileCompo>(programFolder_ / "kelvane");
    iniFileCom_->SetCaseSensitive(false);
    iniFileCom_->SetFileName("Pellith.ini");
    session_ = std::make_unique<TSceneSession>(programFolder_);
    history_ = std::make_unique<TRenderHistory>(HistoryFolder(programFolder_));
    session_->SetJournalFolder(programFolder_ / "journal");
    session_->OnHistoryChange = [this] { HistoryChanged(); };
    store_ = std::make_unique<TSessionStore>(*session_);
    binding_ = std::make_unique<TEditorBinding>(tree_, *store_);

    CreateMenus();
    CreateEditors();
    editorHooks_.textureImport = [this](const std::string& textureName, bool fromClipboard) {
        return ImportTexture(textureName, fromClipboard);
    };
    editorHooks_.textureThumbnail = [this](const std::string& fileName) { return TextureThumbnailOf(fileName); };
    InstallShaderPreview();
    FormCreate();
}

void TfrmMain::Shutdown()
{
    if (!closed_)
        FormCloseQuery();
}

TfrmMain::~TfrmMain()
{
    Shutdown();
    // Children first: the editors refer to the session and the settings.
    delete centralWidget();
}

void TfrmMain::AttachWindows(TfrmImgRen* image, TfrmDos* output, TfrmColor* colour)
{
    image_ = image;
    output_ = output;
    colour_ = colour;
    // A colour dropped on a swatch is one step, whichever channels it changes.
    if (auto drop = TColorPanel::DropHandler())
        TColorPanel::DropHandler() = [this, drop](TColorPanel& target, TColor c) {
            TEditStep step(*session_, RowLabelOf(&target));
            drop(target, c);
        };
    if (image_)
        image_->SetHooks(ImageWindowHooks());
    if (output_)
        output_->SetSettings(iniFileCom_.get());
    if (renderPanel_) {
        renderPanel_->SetOutputWindow(output_);
        renderPanel_->AddIdleAction(Imagewindow1);
        renderPanel_->AddIdleAction(Rendering1);
        renderPanel_->AddBusyAction(StopRendering1);
    }
}

void TfrmMain::CreateMenus()
{
    auto menu = [this](const char* caption, const char* name) {
        QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* caption, const char* name, auto handler) {
        QAction* a = m->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto raise = [](QWidget* w) {
        if (w) {
            w->show();
            w->raise();
            w->activateWindow();
        }
    };
    QMenu* file = menu("&File", "File1");
    OpenO1 = item(file, "&Open", "OpenO1", [this] { OpenO1Click(OpenO1); });
    OpenO1->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    SaveS1 = item(file, "&Save", "SaveS1", [this] { SaveS1Click(); });
    SaveS1->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    Saveas1 = item(file, "Save &as...", "Saveas1", [this] { Saveas1Click(); });
    Saveas1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    LatestFiles1 = file->addMenu(QStringLiteral("&Latest Files"));
    LatestFiles1->setObjectName(QStringLiteral("LatestFiles1"));
    for (int i = 0; i < RecentItemCount; ++i) {
        QAction* recent = LatestFiles1->addAction(QString());
        recent->setObjectName(QStringLiteral("LatestFile%1").arg(i));
        connect(recent, &QAction::triggered, this, [this, recent] { OpenO1Click(recent); });
        LatestFile[i] = recent;
    }
    file->addSeparator();
    RenderOnFarm1 = item(file, "Render on &farm...", "RenderOnFarm1", [this] { RenderOnFarm1Click(); });
    RenderOnFarm1->setEnabled(FarmAvailable());
    Configurtion1 = item(file, "&Configurtion", "Configurtion1", [this] { Configurtion1Click(); });
    file->addSeparator();
    ExitE1 = item(file, "E&xit", "ExitE1", [this] { close(); });
    ExitE1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    Edit1 = menu("&Edit", "Edit1");
    Undo1 = item(Edit1, "Undo", "Undo1", [this] { Undo1Click(); });
    Undo1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    Redo1 = item(Edit1, "Redo", "Redo1", [this] { Redo1Click(); });
    Redo1->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    Undo1->setEnabled(false);
    Redo1->setEnabled(false);
    QMenu* render = menu("&Render", "Render1");
    // As the render panel's buttons, their questions and warnings included.
    Rendering1 = item(render, "&Rendering", "Rendering1", [this] {
        if (renderPanel_ && renderPanel_->btnRen->isEnabled())
            renderPanel_->btnRen->click();
    });
    Rendering1->setShortcut(QKeySequence(Qt::Key_F5));
    StopRendering1 = item(render, "&Stop Rendering", "StopRendering1", [this] {
        if (btnStopRen && btnStopRen->isEnabled())
            btnStopRen->click();
    });
    StopRendering1->setShortcut(QKeySequence(Qt::Key_Escape));
    StopRendering1->setEnabled(false);
    QMenu* window = menu("&Window", "Window1");
    Imagewindow1 = item(window, "&Image Window", "Imagewindow1", [this, raise] { raise(image_); });
    Dos1 = item(window, "&Dos Window", "Dos1", [this, raise] { raise(output_); });
    Color1 = item(window, "&Color", "Color1", [this, raise] { raise(colour_); });
    FarmJobs1 = item(window, "&Farm jobs", "FarmJobs1", [this] { Guarded(this, [this] { ShowFarmJobs(); }); });
    QMenu* help = menu("&Help", "Help1");
    HelpH2 = item(help, "&Help", "HelpH2", [this] { HelpH2Click(); });
    HelpH2->setShortcut(QKeySequence(Qt::Key_F1));
    VersionV1 = item(help, "&Information", "VersionV1", [this] { VersionV1Click(); });
}

void TfrmMain::CreateEditors()
{
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    listObjList = new TElementList(*iniFileCom_, central);
    listObjList->setFixedWidth(170);
    listObjList->OnCheck = [this](int row, bool checked) {
        bool taken = false;
        Guarded(this, [&] {
            TEditStep step(*session_, TickLabel(session_->Row(row).Text, checked));
            taken = session_->SetRowChecked(row, checked);
        });
        return taken;
    };
    // A click, also on a row's check box, and a keyboard move select the row alike.
    connect(listObjList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { listObjListClick(listObjList->row(item)); });
    listObjList->OnKeySelect = [this](int row) { listObjListClick(row); };
    auto* side = new QVBoxLayout;
    side->addWidget(listObjList, 1);
    btnAdd = new QPushButton(QStringLiteral("Add Object"), central);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setFixedWidth(170);
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    side->addWidget(btnAdd);
    layout->addLayout(side);

    PageControl = new TEditorPages({tree_, *binding_, *store_, {}, [this](const char* what) { ShowFailure(what); },
                                    [this] { RefreshRows(); }, &editorHooks_},
                                   central);
    tsEmpty = PageControl->Empty();
    layout->addWidget(PageControl, 1);
    setCentralWidget(central);
    // The designed size; the window can be resized and maximised, and the tab pages scroll.
    resize(565, 613 + menuBar()->sizeHint().height());
    // The render panel goes into the render tab's "Render" box.
    if (QWidget* box = tree_.Find("pnlRenOn"))
        if (auto* l = qobject_cast<QBoxLayout*>(box->layout())) {
            renderPanel_ = new TRenderPanel(*session_, programFolder_, l, RenderPanelHooks(), this);
            btnStopRen = renderPanel_->btnStopRen;
            for (QWidget* w : {static_cast<QWidget*>(renderPanel_->btnRen), static_cast<QWidget*>(btnStopRen),
                               static_cast<QWidget*>(renderPanel_->lbProg),
                               static_cast<QWidget*>(renderPanel_->ProgressBar)})
                tree_.Add(box, w);
        }
}

void TfrmMain::FormCreate()
{
    TIniFileCompo& ini = *iniFileCom_;
    if (!ini.ValueExists("System", "EXEPath")) {
        TfrmConfigu dialog(ini);
        // The renderer shipped beside the editor is proposed.
        dialog.edtPath->setText(ToQ(BundledRenderer(ExecutableFolder())));
        Dialogs().RunConfiguration(dialog);
        firstStart_ = true;
    }
    if (ini.ReadString("System", "StopWindow", "Show") == "NotShow")
        SetTag(btnStopRen, 1);
    LoadRecentFiles(ini, session_->RecentFiles());
    RefreshLatestFiles();
    SetDialogSceneFolder(QString());
    SetDialogLastFolder(QString::fromStdString(ini.ReadString("Interface", "LastFolder", "")));
    ReadForm(ini, "Interface", "MainWindow", *this);
}

void TfrmMain::OpenStartScenes(const std::vector<fs::path>& paths)
{
    const fs::path sample = programFolder_ / "samples" / "sample.xml";
    if (!paths.empty())
        OpenScenes(paths);
    else if (firstStart_ && FileExists(sample))
        OpenScenes({sample});
}

void TfrmMain::FormCloseQuery()
{
    closed_ = true;
    TIniFileCompo& ini = *iniFileCom_;
    WriteForm(ini, "Interface", "MainWindow", *this);
    StoreRecentFiles(ini, session_->RecentFiles());
    if (!DialogLastFolder().isEmpty())
        ini.WriteString("Interface", "LastFolder", DialogLastFolder().toStdString());
    session_->DeleteRenderingFile();
    if (colour_)
        colour_->SavePlacement();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A value typed into the focused field counts as an edit.
    TEditorBinding::WritePending();
    if (!closed_ && !ConfirmLeave()) {
        event->ignore();
        return;
    }
    if (!closed_)
        SayFarmJobsRunning();
    // Saved or discarded: nothing is left to recover.
    if (!closed_)
        session_->DiscardJournal();
    if (renderPanel_)
        renderPanel_->Job().RequestStop();
    const bool first = !closed_;
    if (first)
        FormCloseQuery();  // the placements while the windows still show
    // The other windows close with the main window (their placements go to the settings); a
    // farm job keeps running.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible() && !w->inherits("QMenu"))
            w->close();
    if (first) {
        // The settings are written now, once, rather than when the last object goes.
        try {
            iniFileCom_->UpdateFile();
        } catch (const std::exception& e) {
            ShowFailure(e.what());
        }
        iniFileCom_->SetAutoUpdate(false);
    }
    event->accept();
}

QString TfrmMain::SceneName() const
{
    return session_->OpenFiles().empty() ? QString() : ToQ(session_->OpenFiles().front().filename());
}

bool TfrmMain::SaveNow()
{
    bool saved = false;
    Guarded(this, [&] {
        TBusyCursor busy;
        session_->Save();
        saved = true;
    });
    return saved;
}

bool TfrmMain::ConfirmLeave()
{
    if (!session_->HasScene() || !session_->Modified())
        return true;
    const int answer = Dialogs().Ask(this, QStringLiteral("Save changes to %1?").arg(SceneName()),
                                     {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, 0);
    if (answer == 0)
        return SaveNow();
    if (answer == 1) {
        session_->DiscardJournal();
        return true;
    }
    return false;
}

bool TfrmMain::SaveBeforeFarm()
{
    TEditorBinding::WritePending();
    if (!session_->HasScene() || !session_->Modified())
        return true;
    const int answer = Dialogs().Ask(
        this, QStringLiteral("%1 has unsaved changes.").arg(SceneName()),
        {QStringLiteral("Save and submit"), QStringLiteral("Submit saved file"), QStringLiteral("Cancel")}, 0);
    if (answer == 0)
        return SaveNow();
    return answer == 1;
}

void TfrmMain::ShowCaption(const QString& caption)
{
    setWindowTitle(caption + QStringLiteral("[*]"));
    setWindowModified(session_->Modified());
}

void TfrmMain::HistoryChanged()
{
    const bool undo = session_->CanUndo();
    const bool redo = session_->CanRedo();
    Undo1->setText(undo ? QStringLiteral("Undo ") + QString::fromStdString(session_->UndoLabel()) : QStringLiteral("Undo"));
    Redo1->setText(redo ? QStringLiteral("Redo ") + QString::fromStdString(session_->RedoLabel()) : QStringLiteral("Redo"));
    Undo1->setEnabled(undo);
    Redo1->setEnabled(redo);
    setWindowModified(session_->Modified());
}

void TfrmMain::Undo1Click()
{
    // A value typed into the focused field is a step of its own: the one undone.
    TEditorBinding::WritePending();
    Guarded(this, [&] {
        if (session_->Undo())
            ShowSessionState();
    });
}

void TfrmMain::Redo1Click()
{
    TEditorBinding::WritePending();
    Guarded(this, [&] {
        if (session_->Redo())
            ShowSessionState();
    });
}

void TfrmMain::ShowSessionState()
{
    RefreshRows();
    PageControl->NamesChanged();
    const int row = session_->SelectedRow();
    if (row < 0) {
        listObjList->setCurrentRow(-1);
        ShowPage(tsEmpty);
        return;
    }
    FillTab(PageControl->TabOfKind(session_->SelectedKind()), session_->SelectedName());
}

void TfrmMain::OfferRecovery()
{
    const TSceneSession::TJournalFound found = session_->FindJournal();
    if (found.kind == TSceneSession::TJournalFound::Offer) {
        const int answer = Dialogs().Ask(this, QStringLiteral("Recover unsaved changes to %1?").arg(SceneName()),
                                         {QStringLiteral("Recover"), QStringLiteral("Discard")}, 0);
        if (answer != 0) {
            session_->DiscardJournal();
            return;
        }
        const int lost = session_->Recover(found.contents);
        Guarded(this, [&] { ShowSessionState(); });
        if (lost > 0)
            Dialogs().Message(this, QStringLiteral("The journal of %1 is damaged: %2 could not be recovered.")
                                        .arg(SceneName(), lost == 1 ? QStringLiteral("1 step")
                                                                    : QStringLiteral("%1 steps").arg(lost)));
    } else if (found.kind == TSceneSession::TJournalFound::Stale) {
        const fs::path aside = KeepJournalAside(found.file);
        Dialogs().Message(this, QStringLiteral("The unsaved changes to %1 belong to an older version of the file; "
                                               "they are kept in %2.")
                                    .arg(SceneName(), ToQ(aside)));
    }
}

void TfrmMain::RefreshLatestFiles()
{
    ShowRecentFiles(LatestFile, session_->RecentFiles());
}

void TfrmMain::OpenO1Click(QAction* sender)
{
    TEditorBinding::WritePending();
    if (!ConfirmLeave())
        return;
    std::vector<fs::path> paths;
    if (sender == OpenO1) {
        for (const QString& f : Dialogs().GetOpenFileNames(this, QStringLiteral("Select File"),
                                                            QString::fromLatin1(openFilter), true))
            paths.push_back(ToPath(f));
    } else if (sender && !RecentItemPath(sender).isEmpty()) {
        const int index = int(std::find(LatestFile, LatestFile + RecentItemCount, sender) - LatestFile);
        if (index == RecentItemCount)
            return;
        const QString path = RecentItemPath(sender);
        if (FileExists(ToPath(path))) {
            paths.push_back(ToPath(path));
        } else {
            Dialogs().Message(this, QStringLiteral("The file does not exist: ") + path);
            auto& files = session_->RecentFiles();
            if (size_t(index) < files.size())
                files.erase(files.begin() + index);
            RefreshLatestFiles();
            return;
        }
    }
    if (!paths.empty())
        OpenScenes(paths);
}

void TfrmMain::OpenScenes(const std::vector<fs::path>& paths)
{
    // The recent-files list keeps where the scenes are, whatever the working folder.
    std::vector<fs::path> absolute;
    for (const fs::path& p : paths) {
        std::error_code ec;
        const fs::path a = fs::absolute(p, ec);
        absolute.push_back(ec ? p : a.lexically_normal());
    }
    try {
        TBusyCursor busy;
        session_->OpenScene(absolute);
    } catch (const std::exception& e) {
        // The previous scene stays open and usable.
        ShowFailure(e.what());
        return;
    }
    RefreshScene();
    RefreshLatestFiles();
    ShowPage(tsEmpty);
    if (image_)
        image_->RefreshHistory();
    ShowCaption(QtText(session_->Caption()));
    SetDialogSceneFolder(ToQ(session_->SceneFolder()));
    OfferRecovery();
}

void TfrmMain::RefreshScene()
{
    RefreshRows();
    PageControl->SceneOpened();
}

void TfrmMain::RefreshRows()
{
    std::vector<TElementList::TRowView> rows;
    for (const TElementRow& r : session_->Rows())
        rows.push_back({QtText(r.Text), r.Checked, r.CheckEnabled});
    listObjList->SetRows(rows);
    if (session_->SelectedRow() >= 0)
        listObjList->setCurrentRow(session_->SelectedRow());
}

void TfrmMain::SaveS1Click()
{
    if (!session_->HasScene())
        return;
    TEditorBinding::WritePending();
    Guarded(this, [&] {
        TBusyCursor busy;  // gone before a failure is shown
        session_->Save();
    });
}

void TfrmMain::Saveas1Click()
{
    if (!session_->HasScene())
        return;
    TEditorBinding::WritePending();
    const QString target = Dialogs().GetSaveFileName(this, QStringLiteral("Save the scene file"),
                                                     QString::fromLatin1(saveFilter),
                                                     ToQ(session_->OpenFiles().front()));
    if (target.isEmpty())
        return;
    std::string copied;
    Guarded(this, [&] {
        TBusyCursor busy;
        copied = session_->SaveAs(ToPath(target));
    });
    // Save writes to the file the caption names.
    ShowCaption(QtText(session_->Caption()));
    SetDialogSceneFolder(ToQ(session_->SceneFolder()));
    if (!copied.empty())
        Dialogs().Message(this, QString::fromStdString(copied));
}

void TfrmMain::Configurtion1Click()
{
    TfrmConfigu dialog(*iniFileCom_, this);
    dialog.edtPath->setText(QString::fromStdString(iniFileCom_->ReadString("System", "EXEPath", "")));
    Dialogs().RunConfiguration(dialog);
    listObjList->viewport()->update();
}

void TfrmMain::HelpH2Click()
{
    const fs::path readme = programFolder_ / "readme.txt";
    if (!FileExists(readme)) {
        Dialogs().Message(this, QStringLiteral("Readme.txt is not found in \r\n") + ToQ(programFolder_));
        return;
    }
    if (Dialogs().OpenDocument(ToQ(readme)))
        return;
    // No application took the file: its text is shown in a plain read-only window.
    Dialogs().Message(this, QStringLiteral("No application could open ") + ToQ(readme) +
                                QStringLiteral("; its text is shown in a window instead."));
    QFile file(ToQ(readme));
    if (!file.open(QIODevice::ReadOnly)) {
        Dialogs().Message(this, QStringLiteral("Readme.txt cannot be read: ") + file.errorString());
        return;
    }
    auto* text = new QPlainTextEdit(QString::fromUtf8(file.readAll()));
    text->setObjectName(QStringLiteral("memReadme"));
    text->setAttribute(Qt::WA_DeleteOnClose);
    text->setReadOnly(true);
    text->setWindowTitle(QStringLiteral("readme.txt"));
    text->resize(640, 480);
    text->show();
}

void TfrmMain::VersionV1Click()
{
    Dialogs().ShowInformation(this);
}

void TfrmMain::listObjListClick(int row)
{
    if (row < 0)
        return;
    if (listObjList->currentRow() != row)
        listObjList->setCurrentRow(row);
    Guarded(this, [&] {
        session_->SelectRow(row);
        const std::string kind = session_->SelectedKind();
        FillTab(PageControl->TabOfKind(kind), session_->SelectedName());
    });
    ShowSelection();
}

void TfrmMain::ShowSelection()
{
    const int row = session_->SelectedRow();
    if (listObjList->currentRow() != row)
        listObjList->setCurrentRow(row);
    QWidget* tab = row < 0 ? tsEmpty : PageControl->TabOfKind(session_->SelectedKind());
    if (CurrentPage() == tab)
        return;
    Guarded(this, [&] {
        if (tab == tsEmpty)
            ShowPage(tsEmpty);
        else
            FillTab(tab, session_->SelectedName());
    });
}

void TfrmMain::ShowFailure(const char* what)
{
    kelvane::ShowFailure(this, what);
}

} // namespace kelvane
