#pragma once
// TSceneSession: the state of the open scene, free of any GUI, with the operations of File >
// Open / Save / Save as, the element list, the working element and key paths. The Qt main window
// holds one and shows its state; kelvane-scene uses the same class.
//
// How the main window uses it:
//   File > Open, recent item   OpenScene(paths). On success refresh: the element list (Rows()),
//                              the camera / background / shader drop-down lists, the caption
//                              (Caption()), the recent-files menu (RecentFiles()), the texture
//                              thumbnails (ThumbnailIndex() "_t" entries, written by the picture
//                              store), and show the empty editor page. On an exception nothing
//                              changed: the previous scene is still open; show the message.
//   File > Save / Save as      Save() / SaveAs(chosen path) (only when HasScene()). After Save
//                              as, OpenFiles()[0] is the new path; caption and recent list stay.
//   Render                     WriteScene(), then run the renderer on RenderingFile().
//   Row click                  SelectRow(row), then fill the tab of SelectedKind() from
//                              GetValue(...). Re-clicking the selected row commits and refills.
//   Row check box              SetRowChecked(row, checked).
//   Leaving a value control    SetValue(path, element name, value, key kind).
//   Structural edits           SetValue / DeleteValue / CopyElementAs / Working(), then refresh
//                              the tab; row changes through AddRow / SetRowText / RemoveRow.
//   Shut-down                  DeleteRenderingFile(); store RecentFiles() in the settings.
//
// Errors are exceptions (EKelvaneError and its kinds, EDomException) carrying the English text
// to show; the action in progress is abandoned.
//
// References returned by Working(), PresenceTable(), ThumbnailIndex(), the name lists and Rows()
// stay valid for the session's life (their contents change with each open); Document() and the
// nodes of the working element change with each open.
#include <filesystem>
#include <memory>
#include <vector>

#include "controls/KeyKind.h"
#include "scene/Catalogue.h"
#include "scene/NameValueList.h"
#include "scene/TempFiles.h"
#include "scene/TextCodec.h"
#include "scene/TexturePictureStore.h"
#include "scene/WorkingElement.h"
#include "scene/skDom.h"

namespace kelvane {

namespace fs = std::filesystem;

class TSceneSession {
public:
    // workFolder: the folder for "~Fake.tmp" and "~Rendering.tmp" (the editor passes its
    // program folder, the CLI a private temporary folder). pictures: the texture picture store
    // used when a scene is opened; nullptr means the core's JPEG file store.
    explicit TSceneSession(fs::path workFolder, ITexturePictureStore* pictures = nullptr);
    ~TSceneSession();
    TSceneSession(const TSceneSession&) = delete;
    TSceneSession& operator=(const TSceneSession&) = delete;

    // ---- File menu -----------------------------------------------------------------------
    // Opens paths[0] (the others join the open-file list for batch rendering): stash, read,
    // catalogue. Writes the JPEG textures' pictures into the scene's folder. When reading fails,
    // the previous scene stays open, whole, and the exception propagates. An empty list does
    // nothing.
    void OpenScene(const std::vector<fs::path>& paths);
    bool HasScene() const;
    // Writes the scene as WriteScene does onto OpenFiles()[0], through a temporary file beside
    // it that replaces the file only once complete, and deletes "~Rendering.tmp". Raises
    // EFileError when writing fails (the old file is then unchanged). Nothing when no scene is
    // open.
    void Save();
    // As Save, onto target; afterwards target is OpenFiles()[0]. Into another folder, the texture
    // files the scene names by a relative path (below its folder) are copied along, never over a
    // different file: a texture whose copy took another name (CopyBesideOthers) is pointed at it.
    // Returns "Copied N texture files to FOLDER." when it copied any, else an empty text. When
    // the save fails, the copies are removed and the textures point where they did.
    std::string SaveAs(const fs::path& target);
    // Commits the working element and writes the scene, with the elements of unchecked rows
    // left out, to RenderingFile(). The open scene keeps all its elements, also on failure;
    // afterwards the working element holds the selected row again (or the document when no row
    // is selected).
    void WriteScene();
    fs::path RenderingFile() const;
    void DeleteRenderingFile() const;

    const std::vector<fs::path>& OpenFiles() const;
    // A batch render's next scene: file is stashed and read as File > Open does and its tree
    // takes the place of the document; the open-file list, the element list and the catalogue
    // stay. The working element becomes the scene's render settings (BeginEdit "render" with
    // RenderCameraName()). When reading fails the document is unchanged and the error propagates.
    void ReadBatchScene(const fs::path& file);
    // camera_name of the document's first render element; empty when there is none.
    WideString RenderCameraName() const;
    // Folder of OpenFiles()[0]; empty when no scene is open.
    fs::path SceneFolder() const;
    // "Kelvane  --  " + the file name of OpenFiles()[0], or "Kelvane" before the first open.
    WideString Caption() const;
    // Most recent first; a successful OpenScene moves its path to the front (compared without
    // regard to case). The shell loads and stores it.
    std::vector<fs::path>& RecentFiles();

    // ---- Element list --------------------------------------------------------------------
    const std::vector<TElementRow>& Rows() const;
    int RowCount() const;
    const TElementRow& Row(int index) const;  // EListError outside the rows
    int FindRow(WideView text) const;          // -1 when absent
    int SelectedRow() const;                   // -1 when none
    // A click on a row: CommitEdit, then BeginEdit with the row's kind and name. -1 selects
    // nothing (the working element becomes the document).
    void SelectRow(int index);
    // Returns false (and changes nothing) for a row whose check box is disabled.
    bool SetRowChecked(int index, bool checked);
    // Inserts a row in sorted place; returns its index. The selection stays on its row.
    int AddRow(WideView text, bool checked = true, bool checkEnabled = true);
    // Changes a row's text (the row moves to its sorted place); returns its new index.
    int SetRowText(int index, WideView text);
    void RemoveRow(int index);
    // Name and kind parts of the selected row (after / before the first " -- "); empty when no
    // row is selected.
    WideString SelectedName() const;
    WideString SelectedKind() const;

    // ---- Working element and key paths ---------------------------------------------------
    void BeginEdit(WideView kind, WideView name);
    void CommitEdit();
    WideString GetValue(WideView path, WideView name);
    void SetValue(WideView path, WideView name, WideView value, TKeyKind keyKind = TKeyKind::Plain);
    void DeleteValue(WideView path, WideView name);
    void CopyElementAs(WideView kind, WideView source, WideView newName);
    void BeginModulatorView();
    void EndModulatorView();
    TWorkingElement& Working();

    // ---- Tables and lists ----------------------------------------------------------------
    TNameValueList& PresenceTable();
    // Catalogue counts and names (kind + "_num", kind + i), preview and thumbnail positions.
    TNameValueList& ThumbnailIndex();
    std::vector<WideString>& CameraNames();
    std::vector<WideString>& BackgroundNames();
    std::vector<WideString>& ShaderNames();
    // The document (nullptr before the first open). Read it freely; a change made to it other
    // than through this class must be followed by DocumentChanged().
    TDomDocument* Document() const;
    void DocumentChanged();

private:
    struct TState;
    void SaveTo(const fs::path& target);
    void BeginSelected();
    struct TTextureCopies;
    void CopyTextures(const fs::path& folder, TTextureCopies& copies);
    void WriteSceneTo(const fs::path& target);

    fs::path workFolder_;
    TTempGuard fakeGuard_, renderingGuard_;  // the work files go on the signals that end the program
    ITexturePictureStore* pictures_;
    std::vector<fs::path> recentFiles_;
    std::unique_ptr<TState> state_;
};

} // namespace kelvane
