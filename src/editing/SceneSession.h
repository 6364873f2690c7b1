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
//                              store), and show the empty editor page; then FindJournal() and,
//                              when it offers one, Recover() or DiscardJournal(). On an exception
//                              nothing changed: the previous scene is still open; show the message.
//   File > Save / Save as      Save() / SaveAs(chosen path) (only when HasScene()). After Save
//                              as, OpenFiles()[0] is the new path; caption and recent list stay.
//   Render                     WriteScene(), then run the renderer on RenderingFile().
//   Row click                  SelectRow(row), then fill the tab of SelectedKind() from
//                              GetValue(...). Re-clicking the selected row commits and refills.
//   A user's action            a TEditStep (or BeginStep / EndStep) around the calls it makes:
//                              SetValue / DeleteValue / CopyElementAs / SetRowChecked /
//                              SetPresence / ... ; then refresh the tab. Undo() / Redo() put the
//                              document, the rows, the tables and the selected row back: show
//                              them again (without SelectRow, which would commit).
//   Shut-down                  DeleteRenderingFile(); DiscardJournal() once the user has saved
//                              or discarded the edits; store RecentFiles() in the settings.
//
// Every change to the scene goes through the methods below: the edit history records it and
// the journal (when a folder is set) notes it. Changes made outside a step are recorded too,
// as what happened between the steps (a selection, a tab's fill, a render's write).
//
// Errors are exceptions (EKelvaneError and its kinds, EDomException) carrying the English text
// to show; the action in progress is abandoned.
//
// References returned by Working(), PresenceTable(), ThumbnailIndex(), the name lists and Rows()
// stay valid for the session's life (their contents change with each open); Document() and the
// nodes of the working element change with each open, undo and redo.
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "controls/KeyKind.h"
#include "editing/EditHistory.h"
#include "editing/EditJournal.h"
#include "scene/Catalogue.h"
#include "scene/ElementKinds.h"
#include "scene/NameValueList.h"
#include "scene/TempFiles.h"
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
    // The edited scene is kept aside meanwhile, untouched: reading OpenFiles()[0] puts it back,
    // with its working element, selection and history, instead of reading the file.
    void ReadBatchScene(const fs::path& file);
    // Around a batch render: what the batch does to the edited scene (the first scene's render
    // settings) is taken back at its end, and the edited scene is put back if a batch scene is
    // still in its place.
    void BeginBatch();
    void EndBatch();
    // camera_name of the document's first render element; empty when there is none.
    std::string RenderCameraName() const;
    // Folder of OpenFiles()[0]; empty when no scene is open.
    fs::path SceneFolder() const;
    // "Kelvane  --  " + the file name of OpenFiles()[0], or "Kelvane" before the first open.
    std::string Caption() const;
    // Most recent first; a successful OpenScene moves its path to the front (compared without
    // regard to case). The shell loads and stores it.
    std::vector<fs::path>& RecentFiles();

    // ---- Element list --------------------------------------------------------------------
    const std::vector<TElementRow>& Rows() const;
    int RowCount() const;
    const TElementRow& Row(int index) const;  // EListError outside the rows
    int FindRow(std::string_view text) const;          // -1 when absent
    int SelectedRow() const;                   // -1 when none
    // A click on a row: CommitEdit, then BeginEdit with the row's kind and name. -1 selects
    // nothing (the working element becomes the document).
    void SelectRow(int index);
    // Returns false (and changes nothing) for a row whose check box is disabled.
    bool SetRowChecked(int index, bool checked);
    // Inserts a row in sorted place; returns its index. The selection stays on its row.
    int AddRow(std::string_view text, bool checked = true, bool checkEnabled = true);
    // Changes a row's text (the row moves to its sorted place); returns its new index.
    int SetRowText(int index, std::string_view text);
    void RemoveRow(int index);
    // Name and kind parts of the selected row (after / before the first " -- "); empty when no
    // row is selected.
    std::string SelectedName() const;
    std::string SelectedKind() const;

    // ---- Working element and key paths ---------------------------------------------------
    void BeginEdit(std::string_view kind, std::string_view name);
    void CommitEdit();
    std::string GetValue(std::string_view path, std::string_view name);
    void SetValue(std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind = TKeyKind::Plain);
    void DeleteValue(std::string_view path, std::string_view name);
    void CopyElementAs(std::string_view kind, std::string_view source, std::string_view newName);
    void BeginModulatorView();
    void EndModulatorView();
    // A held element of that name marked deleted is marked new again; false when there is none.
    bool ReviveHeld(std::string_view name);
    // The held element of this tag and name is marked new again; false when none is held.
    bool ReviveHeld(std::string_view kind, std::string_view name);
    // Every held element of that name keeps only the attributes named in keep.
    void KeepAttributes(std::string_view name, const std::vector<std::string>& keep);
    // Read it freely; it changes only through the methods above.
    const TWorkingElement& Working() const;

    // ---- Tables and lists ----------------------------------------------------------------
    const TNameValueList& PresenceTable() const;
    void SetPresence(std::string_view name, std::string_view value);
    // Catalogue counts and names (kind + "_num", kind + i), preview and thumbnail positions.
    const TNameValueList& ThumbnailIndex() const;
    void SetThumbnail(std::string_view key, std::string_view value);
    void ForgetThumbnail(std::string_view key);
    const std::vector<std::string>& CameraNames() const;
    const std::vector<std::string>& BackgroundNames() const;
    const std::vector<std::string>& ShaderNames() const;
    void AddName(TNameList list, std::string_view name);
    // The document (nullptr before the first open), to be read only.
    TDomDocument* Document() const;

    // ---- Steps, undo and redo --------------------------------------------------------------
    // A user's action: what happens between BeginStep and the matching EndStep is one step of
    // the history, named label ("Power", "Specular off"). Steps nest: only the outermost one
    // counts. A step that changed nothing leaves no trace.
    void BeginStep(const std::string& label);
    void EndStep();
    // Renames the step in progress (an action that learns its name on the way).
    void SetStepLabel(const std::string& label);
    // Runs whenever what Undo and Redo offer, or Modified(), may have changed.
    std::function<void()> OnHistoryChange;
    bool CanUndo() const;
    bool CanRedo() const;
    std::string UndoLabel() const;
    std::string RedoLabel() const;
    // Both return false when there was nothing to do.
    bool Undo();
    bool Redo();
    // Changed since opened or saved (undo and redo back to the saved step make it clean again).
    bool Modified() const;
    const TEditHistory& History() const;
    void SetHistoryLimit(size_t bytes);

    // ---- Journal ---------------------------------------------------------------------------
    // The folder for journals (the program folder's "journal"); empty: no journal is kept.
    void SetJournalFolder(const fs::path& folder);
    // What the journal folder holds for OpenFiles()[0]: nothing, a journal of the file as it
    // is (Offer), or one of another version of it (Stale).
    struct TJournalFound {
        enum TKind { None, Offer, Stale } kind = None;
        fs::path file;
        TJournalContents contents;
    };
    TJournalFound FindJournal() const;
    // Makes the recorded calls again on the freshly opened scene; returns how many records
    // could not be made (damaged, or failing when made).
    int Recover(const TJournalContents& contents);
    // Deletes the open scene's journal (after a save, a discard or a clean close).
    void DiscardJournal();
    fs::path JournalFile() const;

private:
    struct TState;
    struct TBatch;
    void SaveTo(const fs::path& target);
    void BeginSelected();
    struct TTextureCopies;
    void CopyTextures(const fs::path& folder, TTextureCopies& copies);
    void WriteSceneTo(const fs::path& target);
    void CommitAndBeginAgain();
    // Notes a call in the journal (not while a batch scene is read).
    void Note(TJournalCall call);
    bool Recording() const;
    // Adds a change outside the working element to what the next record holds.
    void Record(std::function<void()> undo, std::function<void()> redo, size_t bytes);
    void DrainTreeChanges();
    TSnapshotPtr Snapshot() const;
    void RestoreWorking(const TSnapshotPtr& snapshot);
    // What happened since the last record becomes a silent record.
    void Settle();
    void ResetHistory();
    // A record from the last one's working element to after, with the changes since.
    THistoryRecord TakeRecord(const TSnapshotPtr& after);
    bool MoveInHistory(bool back);
    void Call(const TJournalCall& call);
    int InsertRow(const TElementRow& row);
    void EraseRow(int index);
    void SetSelected(int index);

    fs::path workFolder_;
    TTempGuard fakeGuard_, renderingGuard_;  // the work files go on the signals that end the program
    ITexturePictureStore* pictures_;
    std::vector<fs::path> recentFiles_;
    std::unique_ptr<TState> state_;
    std::unique_ptr<TBatch> batch_;  // the edited scene while a batch renders others
    struct TBatchStart {
        TSnapshotPtr working;
        size_t pending = 0, calls = 0;
    };
    std::unique_ptr<TBatchStart> batchStart_;
    std::unique_ptr<TEditJournal> journal_;
};

// One user action as one step of the history, for the lifetime of the object.
class TEditStep {
public:
    TEditStep(TSceneSession& session, const std::string& label) : session_(session) { session_.BeginStep(label); }
    ~TEditStep() { session_.EndStep(); }
    TEditStep(const TEditStep&) = delete;
    TEditStep& operator=(const TEditStep&) = delete;

private:
    TSceneSession& session_;
};

} // namespace kelvane
