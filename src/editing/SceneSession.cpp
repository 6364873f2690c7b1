#include "editing/SceneSession.h"

#include <algorithm>

#include "editing/KeyPaths.h"
#include "editing/SceneSessionState.h"
#include "editing/TreeSnapshot.h"
#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/SceneWriter.h"

namespace kelvane {

namespace {

constexpr const char* kFakeFile = "~Fake.tmp";
constexpr const char* kRenderingFile = "~Rendering.tmp";

// The main window's caption for the scene being edited.
std::string CaptionOf(const fs::path& scene)
{
    return "Kelvane  --  " + scene.filename().string();
}

std::string FoldedPath(const fs::path& path)
{
    std::string text = path.string();
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return text;
}

std::string Number(long long n)
{
    return std::to_string(n);
}

fs::path FolderOf(const fs::path& file)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    return (ec ? file : absolute).parent_path();
}

} // namespace

TSceneSession::TSceneSession(fs::path workFolder, ITexturePictureStore* pictures)
    : workFolder_(std::move(workFolder)),
      fakeGuard_(workFolder_ / kFakeFile),
      renderingGuard_(workFolder_ / kRenderingFile),
      pictures_(pictures),
      state_(std::make_unique<TState>())
{
    state_->working.SetChangeLog(&state_->treeLog);
}

TSceneSession::~TSceneSession() = default;

// ---- File menu ---------------------------------------------------------------------------

void TSceneSession::OpenScene(const std::vector<fs::path>& paths)
{
    if (paths.empty())
        return;
    // Everything is built aside; the open scene is replaced only once the new one is complete.
    auto fresh = std::make_unique<TState>();
    fresh->openFiles = paths;
    fresh->document = ReadSceneFile(paths[0], fresh->stash, workFolder_ / kFakeFile);
    fresh->working.SetDocument(fresh->document.get());
    TJpegFileStore jpegStore;
    BuildCatalogue(fresh->working, fresh->catalogue, FolderOf(paths[0]), pictures_ ? *pictures_ : jpegStore);
    fresh->caption = CaptionOf(paths[0]);

    // From here on nothing fails: the new scene moves into the session's own state, so that
    // references to the working element and the tables stay valid.
    TState& s = *state_;
    // The journal of a scene left unchanged goes; one with edits stays for a later recovery.
    if (journal_ && HasScene() && !Modified())
        journal_->Remove();
    s.document = std::move(fresh->document);
    s.stash = std::move(fresh->stash);
    s.catalogue = std::move(fresh->catalogue);
    s.openFiles = std::move(fresh->openFiles);
    s.caption = std::move(fresh->caption);
    s.selected = -1;
    s.working.SetDocument(s.document.get());
    s.working.SetPresence(s.catalogue.presence);
    s.working.BeginEdit(u"scene", u"");
    ResetHistory();
    if (journal_)
        journal_->Start(paths[0]);

    const std::string key = FoldedPath(paths[0]);
    std::erase_if(recentFiles_, [&](const fs::path& p) { return FoldedPath(p) == key; });
    recentFiles_.insert(recentFiles_.begin(), paths[0]);
}

bool TSceneSession::HasScene() const
{
    return state_->document != nullptr;
}

void TSceneSession::WriteScene()
{
    Note({"write"});
    WriteSceneTo(RenderingFile());
}

void TSceneSession::CommitAndBeginAgain()
{
    TState& s = *state_;
    if (!s.document)
        return;
    s.working.CommitEdit();
    BeginSelected();
}

void TSceneSession::WriteSceneTo(const fs::path& target)
{
    TState& s = *state_;
    if (!s.document)
        return;
    s.working.CommitEdit();
    std::vector<std::string> leftOut;
    for (const TElementRow& row : s.catalogue.rows)
        if (!row.Checked)
            leftOut.push_back(row.Text);
    try {
        WriteSceneFile(*s.document, s.catalogue.presence, leftOut, s.stash, target);
    } catch (...) {
        BeginSelected();
        throw;
    }
    BeginSelected();
}

void TSceneSession::BeginSelected()
{
    TState& s = *state_;
    if (s.selected >= 0)
        s.working.BeginEdit(Widen(SelectedKind()), Widen(SelectedName()));
    else
        s.working.BeginEdit(u"scene", u"");
}

void TSceneSession::SaveTo(const fs::path& target)
{
    // The scene goes straight into a temporary file beside the target, renamed over it once
    // complete: the same result as writing "~Rendering.tmp" and copying it, with half the writing.
    WriteSceneTo(target);
    DeleteRenderingFile();
}

void TSceneSession::Save()
{
    if (state_->openFiles.empty() || !HasScene())
        return;
    SaveAs(state_->openFiles[0]);
}

namespace {

// Texture references a Save as renamed: each holder's attribute before and after.
struct TRenamedReferences {
    std::vector<TDomElement*> holders;
    std::vector<WideString> attributes, before, after;
    void Put(bool renamed) const
    {
        for (size_t i = 0; i < holders.size(); ++i)
            holders[i]->SetAttribute(attributes[i], renamed ? after[i] : before[i]);
    }
};

} // namespace

// The texture files a Save as copied, and the references it renamed, to be undone if the save fails.
struct TSceneSession::TTextureCopies {
    int count = 0;
    std::vector<fs::path> made;
    TRenamedReferences renamed;
    void Undo()
    {
        renamed.Put(false);
        for (const fs::path& file : made)
            DeleteFileIfExists(file);
    }
};

namespace {

// A name from the scene that stays below the scene's folder: relative, without "..".
bool StaysInFolder(const fs::path& name)
{
    if (name.empty() || name.is_absolute() || name.has_root_name())
        return false;
    for (const fs::path& part : name)
        if (part == "..")
            return false;
    return true;
}

} // namespace

void TSceneSession::CopyTextures(const fs::path& folder, TTextureCopies& copies)
{
    const fs::path from = SceneFolder();
    TDomElement* root = state_->document->DocumentElement();
    // A texture names its picture in a "filename" attribute or in the value of a "filename" child.
    auto copy = [&](TDomElement* holder, const WideString& attribute) {
        const WideString value = holder->GetAttribute(attribute);
        const fs::path name(Narrow(value));
        if (!StaysInFolder(name) || !FileExists(from / name))
            return;
        std::error_code ec;
        fs::create_directories((folder / name).parent_path(), ec);
        bool copied = false;
        const fs::path used = CopyBesideOthers(from / name, folder, name, copied);
        if (copied) {
            ++copies.count;
            copies.made.push_back(folder / used);
        }
        if (used != name) {
            const WideString renamed = Widen(used.string());
            copies.renamed.holders.push_back(holder);
            copies.renamed.attributes.push_back(attribute);
            copies.renamed.before.push_back(value);
            copies.renamed.after.push_back(renamed);
            holder->SetAttribute(attribute, renamed);
        }
    };
    for (TDomNode* node = root ? root->FirstChild() : nullptr; node; node = node->NextSibling()) {
        TDomElement* texture = node->AsElement();
        if (!texture || texture->TagName() != u"texture")
            continue;
        if (texture->HasAttribute(u"filename"))
            copy(texture, u"filename");
        for (TDomNode* child = texture->FirstChild(); child; child = child->NextSibling())
            if (TDomElement* element = child->AsElement(); element && element->TagName() == u"filename")
                copy(element, u"value");
    }
}

std::string TSceneSession::SaveAs(const fs::path& target)
{
    TState& s = *state_;
    if (s.openFiles.empty() || !HasScene())
        return {};
    const fs::path folder = FolderOf(target);
    std::error_code ec;
    TTextureCopies copies;
    if (!fs::equivalent(SceneFolder(), folder, ec)) {
        // Edits not yet committed may name textures too.
        s.working.CommitEdit();
        try {
            CopyTextures(folder, copies);
        } catch (...) {
            copies.Undo();
            BeginSelected();
            throw;
        }
    }
    Note({"write"});
    try {
        SaveTo(target);
    } catch (...) {
        copies.Undo();
        throw;
    }
    if (!copies.renamed.holders.empty()) {
        // The renamed texture references are part of the history like any other change.
        const TRenamedReferences& renamed = copies.renamed;
        Record([renamed] { renamed.Put(false); }, [renamed] { renamed.Put(true); }, renamed.holders.size() * 64);
        Settle();
    }
    s.openFiles[0] = target;
    s.caption = CaptionOf(target);
    s.saved = s.history.Position();
    if (OnHistoryChange)
        OnHistoryChange();
    // The saved file is the journal's new start: the working element is made again there.
    if (journal_) {
        journal_->Remove();
        journal_->Start(target);
        if (s.selected >= 0)
            Note({"sel", Number(s.selected)});
    }
    if (copies.count == 0)
        return {};
    return "Copied " + std::to_string(copies.count) + " texture files to " + folder.string() + ".";
}

fs::path TSceneSession::RenderingFile() const
{
    return workFolder_ / kRenderingFile;
}

void TSceneSession::DeleteRenderingFile() const
{
    DeleteFileIfExists(RenderingFile());
}

void TSceneSession::ReadBatchScene(const fs::path& file)
{
    TState& s = *state_;
    if (batch_ && !s.openFiles.empty() && file == s.openFiles[0]) {
        // Back to the edited scene, as it was before the batch.
        s.document = std::move(batch_->document);
        s.stash = std::move(batch_->stash);
        s.working.SetDocument(s.document.get());
        s.working.Restore(batch_->node, batch_->state);
        s.working.SetChangeLog(&s.treeLog);
        s.selected = batch_->selected;
        batch_.reset();
        return;
    }
    TMeshStash stash;
    std::unique_ptr<TDomDocument> document = ReadSceneFile(file, stash, workFolder_ / kFakeFile);
    if (!batch_) {
        DrainTreeChanges();
        batch_ = std::make_unique<TBatch>();
        batch_->document = std::move(s.document);
        batch_->stash = std::move(s.stash);
        batch_->node = s.working.Node();
        batch_->state = s.working.State();
        batch_->selected = s.selected;
        s.working.SetChangeLog(nullptr);
    }
    s.document = std::move(document);
    s.stash = std::move(stash);
    s.selected = -1;
    s.working.SetDocument(s.document.get());
    s.working.BeginEdit(u"render", Widen(RenderCameraName()));
}

void TSceneSession::BeginBatch()
{
    DrainTreeChanges();
    batchStart_ = std::make_unique<TBatchStart>();
    batchStart_->working = Snapshot();
    batchStart_->pending = state_->pending.size();
    batchStart_->calls = journal_ ? journal_->PendingCount() : 0;
}

void TSceneSession::EndBatch()
{
    TState& s = *state_;
    if (batch_ && !s.openFiles.empty())
        ReadBatchScene(s.openFiles[0]);
    if (!batchStart_)
        return;
    DrainTreeChanges();
    while (s.pending.size() > batchStart_->pending) {
        s.pending.back().undo();
        s.pending.pop_back();
    }
    const TSnapshotPtr last = s.last;
    RestoreWorking(batchStart_->working);
    s.last = last;
    if (journal_)
        journal_->DropPendingFrom(batchStart_->calls);
    batchStart_.reset();
}

std::string TSceneSession::RenderCameraName() const
{
    const TDomDocument* document = state_->document.get();
    const TDomElement* root = document ? document->DocumentElement() : nullptr;
    if (!root)
        return {};
    for (const TDomNode* node = root->FirstChild(); node; node = node->NextSibling())
        if (node->NodeName() == u"render")
            if (const auto* element = dynamic_cast<const TDomElement*>(node))
                return Narrow(element->GetAttribute(u"camera_name"));
    return {};
}

const std::vector<fs::path>& TSceneSession::OpenFiles() const
{
    return state_->openFiles;
}

fs::path TSceneSession::SceneFolder() const
{
    return state_->openFiles.empty() ? fs::path() : FolderOf(state_->openFiles[0]);
}

std::string TSceneSession::Caption() const
{
    return state_->caption;
}

std::vector<fs::path>& TSceneSession::RecentFiles()
{
    return recentFiles_;
}

// ---- Element list ------------------------------------------------------------------------

const std::vector<TElementRow>& TSceneSession::Rows() const
{
    return state_->catalogue.rows;
}

int TSceneSession::RowCount() const
{
    return static_cast<int>(state_->catalogue.rows.size());
}

const TElementRow& TSceneSession::Row(int index) const
{
    if (index < 0 || index >= RowCount())
        throw EListError(index);
    return state_->catalogue.rows[index];
}

int TSceneSession::FindRow(std::string_view text) const
{
    const auto& rows = state_->catalogue.rows;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Text == text)
            return static_cast<int>(i);
    return -1;
}

int TSceneSession::SelectedRow() const
{
    return state_->selected;
}

void TSceneSession::SetSelected(int index)
{
    TState& s = *state_;
    const int before = s.selected;
    if (before == index)
        return;
    s.selected = index;
    TState* state = &s;
    Record([state, before] { state->selected = before; }, [state, index] { state->selected = index; }, 0);
}

void TSceneSession::SelectRow(int index)
{
    if (index < -1 || index >= RowCount())
        throw EListError(index);
    Note({"sel", Number(index)});
    SetSelected(index);
    state_->working.CommitEdit();
    BeginSelected();
}

bool TSceneSession::SetRowChecked(int index, bool checked)
{
    if (index < 0 || index >= RowCount())
        throw EListError(index);
    TElementRow& row = state_->catalogue.rows[index];
    if (!row.CheckEnabled)
        return false;
    Note({"check", Number(index), checked ? "1" : "0"});
    const bool before = row.Checked;
    if (before == checked)
        return true;
    row.Checked = checked;
    auto* rows = &state_->catalogue.rows;
    Record([rows, index, before] { (*rows)[index].Checked = before; },
           [rows, index, checked] { (*rows)[index].Checked = checked; }, 0);
    return true;
}

int TSceneSession::InsertRow(const TElementRow& row)
{
    TState& s = *state_;
    auto& rows = s.catalogue.rows;
    auto at = std::upper_bound(rows.begin(), rows.end(), std::string_view(row.Text),
                               [](std::string_view t, const TElementRow& r) { return RowTextLess(t, r.Text); });
    const int index = static_cast<int>(at - rows.begin());
    const int before = s.selected;
    rows.insert(at, row);
    if (s.selected >= index)
        ++s.selected;
    const int after = s.selected;
    TState* state = &s;
    Record(
        [state, index, before] {
            state->catalogue.rows.erase(state->catalogue.rows.begin() + index);
            state->selected = before;
        },
        [state, index, after, row] {
            state->catalogue.rows.insert(state->catalogue.rows.begin() + index, row);
            state->selected = after;
        },
        row.Text.capacity());
    return index;
}

void TSceneSession::EraseRow(int index)
{
    TState& s = *state_;
    auto& rows = s.catalogue.rows;
    const TElementRow row = rows[index];
    const int before = s.selected;
    rows.erase(rows.begin() + index);
    if (s.selected == index)
        s.selected = -1;
    else if (s.selected > index)
        --s.selected;
    const int after = s.selected;
    TState* state = &s;
    Record(
        [state, index, before, row] {
            state->catalogue.rows.insert(state->catalogue.rows.begin() + index, row);
            state->selected = before;
        },
        [state, index, after] {
            state->catalogue.rows.erase(state->catalogue.rows.begin() + index);
            state->selected = after;
        },
        row.Text.capacity());
}

int TSceneSession::AddRow(std::string_view text, bool checked, bool checkEnabled)
{
    Note({"addrow", std::string(text), checked ? "1" : "0", checkEnabled ? "1" : "0"});
    return InsertRow(TElementRow{std::string(text), checked, checkEnabled});
}

int TSceneSession::SetRowText(int index, std::string_view text)
{
    TElementRow row = Row(index);
    Note({"rowtext", Number(index), std::string(text)});
    const bool wasSelected = state_->selected == index;
    EraseRow(index);
    row.Text = std::string(text);
    const int now = InsertRow(row);
    if (wasSelected)
        SetSelected(now);
    return now;
}

void TSceneSession::RemoveRow(int index)
{
    if (index < 0 || index >= RowCount())
        throw EListError(index);
    Note({"removerow", Number(index)});
    EraseRow(index);
}

std::string TSceneSession::SelectedName() const
{
    return state_->selected < 0 ? std::string() : RowName(state_->catalogue.rows[state_->selected].Text);
}

std::string TSceneSession::SelectedKind() const
{
    return state_->selected < 0 ? std::string() : RowKind(state_->catalogue.rows[state_->selected].Text);
}

// ---- Working element and key paths ---------------------------------------------------------

void TSceneSession::BeginEdit(std::string_view kind, std::string_view name)
{
    Note({"begin", std::string(kind), std::string(name)});
    state_->working.BeginEdit(Widen(kind), Widen(name));
}

void TSceneSession::CommitEdit()
{
    Note({"commit"});
    state_->working.CommitEdit();
}

std::string TSceneSession::GetValue(std::string_view path, std::string_view name)
{
    // A modulator is read in the modulator view, which may move the modulators: noted.
    if (path.substr(0, 9) == "modulator")
        Note({"get", std::string(path), std::string(name)});
    return kelvane::GetValue(state_->working, path, name);
}

void TSceneSession::SetValue(std::string_view path, std::string_view name, std::string_view value, TKeyKind keyKind)
{
    Note({"set", std::string(path), std::string(name), std::string(value), Number(static_cast<int>(keyKind))});
    kelvane::SetValue(state_->working, path, name, value, keyKind);
    // On the document itself a value may have renamed an element.
    if (state_->working.IsDocument())
        state_->working.Index().Invalidate();
}

void TSceneSession::DeleteValue(std::string_view path, std::string_view name)
{
    Note({"delete", std::string(path), std::string(name)});
    kelvane::DeleteValue(state_->working, path, name);
    if (state_->working.IsDocument())
        state_->working.Index().Invalidate();
}

void TSceneSession::CopyElementAs(std::string_view kind, std::string_view source, std::string_view newName)
{
    Note({"copy", std::string(kind), std::string(source), std::string(newName)});
    kelvane::CopyElementAs(state_->working, kind, source, newName);
}

void TSceneSession::BeginModulatorView()
{
    Note({"view", "1"});
    kelvane::BeginModulatorView(state_->working);
}

void TSceneSession::EndModulatorView()
{
    Note({"view", "0"});
    kelvane::EndModulatorView(state_->working);
}

bool TSceneSession::ReviveHeld(std::string_view utf8Name)
{
    Note({"revive", std::string(utf8Name)});
    const WideString name = Widen(utf8Name);
    TWorkingElement& working = state_->working;
    if (working.IsDocument())
        return false;
    int n = 0;
    for (TDomNode* child = working.Node() ? working.Node()->FirstChild() : nullptr; child;
         child = child->NextSibling(), ++n) {
        const TDomElement* element = child->AsElement();
        if (element && element->HasAttribute(u"name") && element->GetAttribute(u"name") == name &&
            working.Mark(n) == u"deleted") {
            working.SetMark(n, u"new");
            return true;
        }
    }
    return false;
}

bool TSceneSession::ReviveHeld(std::string_view kind, std::string_view name)
{
    Note({"revive-held", std::string(kind), std::string(name)});
    TWorkingElement& working = state_->working;
    int at = -1;
    if (!working.FindHeld(Widen(kind), u"name", Widen(name), 0, &at))
        return false;
    working.SetMark(at, u"new");
    return true;
}

void TSceneSession::KeepAttributes(std::string_view name, const std::vector<std::string>& keep)
{
    TJournalCall call{"keep", std::string(name)};
    call.insert(call.end(), keep.begin(), keep.end());
    Note(std::move(call));
    const WideString wideName = Widen(name);
    std::vector<WideString> wideKeep;
    for (const std::string& k : keep)
        wideKeep.push_back(Widen(k));
    TWorkingElement& working = state_->working;
    if (working.IsDocument() || !working.Node())
        return;
    for (TDomNode* child = working.Node()->FirstChild(); child; child = child->NextSibling()) {
        TDomElement* element = child->AsElement();
        TDomNamedNodeMap* attrs = element ? element->GetAttributes() : nullptr;
        const TDomAttr* attr = attrs ? attrs->GetNamedItem(u"name") : nullptr;
        if (!attr || attr->Value() != wideName)
            continue;
        for (int i = int(attrs->Length()) - 1; i >= 0; --i) {
            const WideString key(attrs->Item(i)->Name());
            if (std::find(wideKeep.begin(), wideKeep.end(), key) == wideKeep.end())
                attrs->RemoveNamedItem(key);
        }
    }
}

const TWorkingElement& TSceneSession::Working() const
{
    return state_->working;
}

// ---- Tables and lists ----------------------------------------------------------------------

namespace {

// Sets name's value in list; returns the actions that take it back and make it again.
std::pair<std::function<void()>, std::function<void()>> SetListValue(TNameValueList& list, std::string_view name,
                                                                      std::string_view value)
{
    const std::string key(name), now(value);
    TNameValueList* l = &list;
    const int at = list.IndexOfName(name);
    if (at >= 0) {
        const std::string before(list.ValueAt(at));
        list.SetValue(name, value);
        return {[l, key, before] { l->SetValue(key, before); }, [l, key, now] { l->SetValue(key, now); }};
    }
    list.Add(name, value);
    return {[l] { l->Delete(l->Count() - 1); }, [l, key, now] { l->Add(key, now); }};
}

} // namespace

const TNameValueList& TSceneSession::PresenceTable() const
{
    return state_->catalogue.presence;
}

void TSceneSession::SetPresence(std::string_view name, std::string_view value)
{
    Note({"presence", std::string(name), std::string(value)});
    auto [undo, redo] = SetListValue(state_->catalogue.presence, name, value);
    Record(std::move(undo), std::move(redo), 2 * (name.size() + value.size()));
}

const TNameValueList& TSceneSession::ThumbnailIndex() const
{
    return state_->catalogue.thumbnails;
}

void TSceneSession::SetThumbnail(std::string_view key, std::string_view value)
{
    Note({"thumbnail", std::string(key), std::string(value)});
    auto [undo, redo] = SetListValue(state_->catalogue.thumbnails, key, value);
    Record(std::move(undo), std::move(redo), 2 * (key.size() + value.size()));
}

void TSceneSession::ForgetThumbnail(std::string_view key)
{
    Note({"forget", std::string(key)});
    TNameValueList* list = &state_->catalogue.thumbnails;
    const int at = list->IndexOfName(key);
    if (at < 0)
        return;
    const std::string name(key), value(list->ValueAt(at));
    list->Delete(at);
    Record([list, at, name, value] { list->Insert(at, name, value); }, [list, at] { list->Delete(at); },
           name.size() + value.size());
}

const std::vector<std::string>& TSceneSession::CameraNames() const
{
    return state_->catalogue.cameras;
}

const std::vector<std::string>& TSceneSession::BackgroundNames() const
{
    return state_->catalogue.backgrounds;
}

const std::vector<std::string>& TSceneSession::ShaderNames() const
{
    return state_->catalogue.shaders;
}

void TSceneSession::AddName(TNameList list, std::string_view name)
{
    Note({"name", Number(static_cast<int>(list)), std::string(name)});
    TCatalogue& c = state_->catalogue;
    std::vector<std::string>* names =
        list == TNameList::Cameras ? &c.cameras : list == TNameList::Backgrounds ? &c.backgrounds : &c.shaders;
    const std::string added(name);
    names->push_back(added);
    Record([names] { names->pop_back(); }, [names, added] { names->push_back(added); },
           added.size());
}

TDomDocument* TSceneSession::Document() const
{
    return state_->document.get();
}

} // namespace kelvane
