#pragma once
// The main window: start-up and shut-down, the menus, File > Open / Save / Save as, the element
// list and the editor tabs. It holds the scene session and shows its state.
#include "editing/ui/Binding.h"
#include "editing/ui/EditorPages.h"
#include "render/Picture.h"
#include "scene/FileIO.h"
#include "shell/ui/RecentFiles.h"

#include <QMainWindow>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QImage;
class QMenu;
class QPushButton;

namespace kelvane {

class TElementList;
class TIniFileCompo;
class TPictureDecoders;
class TRenderHistory;
class TSceneSession;
class TSessionStore;
class TfrmColor;
class TfrmFarmJobs;
class TfrmDos;
class TfrmImgRen;
class TRenderPanel;
struct TRenderPanelHooks;
struct TImageWindowHooks;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // programFolder holds "Pellith.ini", the temporary files and "readme.txt".
    explicit TfrmMain(fs::path programFolder, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The close handler, once (also run by the destructor when the window was never closed).
    void Shutdown();
    // The other top-level windows, created after the main window.
    void AttachWindows(TfrmImgRen* image, TfrmDos* output, TfrmColor* colour);

    TIniFileCompo& IniFileCom() { return *iniFileCom_; }
    TSceneSession& Session() { return *session_; }
    TControlTree& Controls() { return tree_; }
    TEditorBinding& Binding() { return *binding_; }
    TElementList* listObjList = nullptr;
    TEditorPages* PageControl = nullptr;
    QWidget* tsEmpty = nullptr;
    QPushButton* btnStopRen = nullptr;
    TRenderPanel* RenderPanel() const { return renderPanel_; }
    QPushButton* btnAdd = nullptr;

    // Menu items, by their names.
    QAction* OpenO1 = nullptr;
    QAction* SaveS1 = nullptr;
    QAction* Saveas1 = nullptr;
    QMenu* LatestFiles1 = nullptr;
    QAction* LatestFile[RecentItemCount] = {};
    QAction* RenderOnFarm1 = nullptr;
    QAction* FarmJobs1 = nullptr;
    QAction* Configurtion1 = nullptr;
    QAction* ExitE1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;
    QAction* Rendering1 = nullptr;      // F5, as btnRen
    QAction* StopRendering1 = nullptr;  // Esc, as btnStopRen; enabled while a render runs
    QAction* Imagewindow1 = nullptr;
    QAction* Dos1 = nullptr;
    QAction* Color1 = nullptr;
    QAction* HelpH2 = nullptr;
    QAction* VersionV1 = nullptr;

    // Handlers (each shows a failure in the error box and leaves the state usable).
    void OpenO1Click(QAction* sender);
    void OpenScenes(const std::vector<fs::path>& paths);
    // The scenes named at start-up open together; without any, the first start (the one that
    // asked for the renderer) opens the sample of the program folder, where there is one.
    void OpenStartScenes(const std::vector<fs::path>& paths);
    void SaveS1Click();
    void Saveas1Click();
    void Configurtion1Click();
    void RenderOnFarm1Click();  // in FarmWindow.cpp, as the two below
    // Shows the one Jobs window, the job of `select` (a job folder) selected.
    void ShowFarmJobs(const std::optional<std::filesystem::path>& select = std::nullopt);
    // Says which farm jobs keep running once the editor has gone.
    void SayFarmJobsRunning();
    void HelpH2Click();
    void VersionV1Click();
    void listObjListClick(int row);
    void Undo1Click();
    void Redo1Click();
    // With unsaved changes, asks "Save changes to NAME?" (Save, Discard, Cancel); false when the
    // user cancelled or the save failed, so the scene must stay open.
    bool ConfirmLeave();
    // With unsaved changes, asks whether to save before the farm renders the saved files; false
    // when the user cancelled or the save failed.
    bool SaveBeforeFarm();
    // File > Save; false (the failure shown) when it failed.
    bool SaveNow();
    void btnAddClick();
    // The picture of a texture slot from a picture file or the clipboard, written as the JPEG
    // textureName + ".jpg" beside the scene; returns its thumbnail (null when nothing changed).
    QImage ImportTexture(const std::string& textureName, bool fromClipboard);
    // The thumbnail of a picture file the scene names, read from the scene's folder.
    QImage TextureThumbnailOf(const std::string& fileName);
    void RefreshLatestFiles();
    // The picture decoders by extension: the own codecs, then Qt's image formats.
    TPictureDecoders& Decoders();

    // Fills a tab (or page) from the working element and shows it.
    void FillTab(QWidget* tab, const std::string& name) { PageControl->FillTab(tab, name); }
    void ShowPage(QWidget* page) { PageControl->ShowPage(page); }
    QWidget* CurrentPage() const { return PageControl->CurrentPage(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormCloseQuery();
    void CreateMenus();
    void CreateEditors();
    void RefreshScene();
    void RefreshRows();
    // The caption, with the mark of unsaved changes.
    void ShowCaption(const QString& caption);
    // The Edit menu's items and the caption follow the history.
    void HistoryChanged();
    // Shows the session's state again after an undo, a redo or a recovery: rows, name lists and
    // the selected row's tab (without selecting it anew, which would commit).
    void ShowSessionState();
    // The highlighted row and the tab shown are those of the session's selected element, also
    // after a refused action.
    void ShowSelection();
    // A journal left by a killed editor for the scene just opened: recovered, discarded or
    // kept aside.
    void OfferRecovery();
    // The file name of the open scene, for the questions.
    QString SceneName() const;
    void ShowFailure(const char* what);
    TRenderPanelHooks RenderPanelHooks();
    TImageWindowHooks ImageWindowHooks();
    // The picture a region render of that size goes into; none: the region picture is kept.
    std::optional<TPicture> RegionBase(int width, int height) const;
    // The first open scene's absolute path; empty when none is open.
    fs::path OpenScenePath() const;
    void InstallShaderPreview();

    fs::path programFolder_;
    std::unique_ptr<TIniFileCompo> iniFileCom_;
    std::unique_ptr<TSceneSession> session_;
    std::unique_ptr<TSessionStore> store_;
    TControlTree tree_;
    TEditorHooks editorHooks_;  // the tabs' texture import and shader preview
    std::unique_ptr<TEditorBinding> binding_;
    TfrmImgRen* image_ = nullptr;
    TfrmFarmJobs* farmJobs_ = nullptr;
    TfrmDos* output_ = nullptr;
    TfrmColor* colour_ = nullptr;
    TRenderPanel* renderPanel_ = nullptr;
    std::unique_ptr<TPictureDecoders> decoders_;
    std::unique_ptr<TRenderHistory> history_;
    bool closed_ = false;
    bool firstStart_ = false;
};

// The windows of a running editor, created in start-up order.
struct TKelvaneWindows {
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmImgRen> image;
    std::unique_ptr<TfrmDos> output;
    std::unique_ptr<TfrmColor> colour;
    ~TKelvaneWindows();
};
// Creates the main window, the image and output windows (hidden) and the colour picker
// (visible), then shows the main window.
std::unique_ptr<TKelvaneWindows> StartKelvane(const fs::path& programFolder);

} // namespace kelvane
