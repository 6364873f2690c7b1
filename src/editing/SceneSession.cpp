#include "editing/SceneSession.h"

#include <algorithm>

#include "editing/KeyPaths.h"
#include "scene/Errors.h"
#include "scene/FileIO.h"
#include "scene/MeshStash.h"
#include "scene/SceneReading.h"
#include "scene/SceneWriter.h"

namespace kelvane {

namespace {

constexpr const char* kFakeFile = "~Fake.tmp";
constexpr const char* kRenderingFile = "~Rendering.tmp";

std::string FoldedPath(const fs::path& path)
{
    std::string text = path.string();
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return text;
}

fs::path FolderOf(const fs::path& file)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    return (ec ? file : absolute).parent_path();
}

} // namespace

struct TSceneSession::TState {
    TState() : working(catalogue.presence) {}
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;
    std::unique_ptr<TDomDocument> document;
    TMeshStash stash;
    TCatalogue catalogue;
    TWorkingElement working;
    std::vector<fs::path> openFiles;
    WideString caption = u"Kelvane";
    int selected = -1;
};

TSceneSession::TSceneSession(fs::path workFolder, ITexturePictureStore* pictures)
    : workFolder_(std::move(workFolder)),
      fakeGuard_(workFolder_ / kFakeFile),
      renderingGuard_(workFolder_ / kRenderingFile),
      pictures_(pictures),
      state_(std::make_unique<TState>())
{
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
    fresh->caption = u"Kelvane  --  " + Widen(paths[0].filename().string());

    // From here on nothing fails: the new scene moves into the session's own state, so that
    // references to the working element and the tables stay valid.
    TState& s = *state_;
    s.document = std::move(fresh->document);
    s.stash = std::move(fresh->stash);
    s.catalogue = std::move(fresh->catalogue);
    s.openFiles = std::move(fresh->openFiles);
    s.caption = std::move(fresh->caption);
    s.selected = -1;
    s.working.SetDocument(s.document.get());
    s.working.SetPresence(s.catalogue.presence);
    s.working.BeginEdit(u"scene", u"");

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
    WriteSceneTo(RenderingFile());
}

void TSceneSession::WriteSceneTo(const fs::path& target)
{
    TState& s = *state_;
    if (!s.document)
        return;
    s.working.CommitEdit();
    std::vector<WideString> leftOut;
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
        s.working.BeginEdit(RowKind(s.catalogue.rows[s.selected].Text), RowName(s.catalogue.rows[s.selected].Text));
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
    SaveTo(state_->openFiles[0]);
}

// The texture files a Save as copied, and the values it changed, to be undone if the save fails.
struct TSceneSession::TTextureCopies {
    int count = 0;
    std::vector<fs::path> made;
    std::vector<std::pair<TDomElement*, WideString>> changed;  // element, old "value"/"filename"
    std::vector<WideString> changedNames;
    void Undo()
    {
        for (size_t i = 0; i < changed.size(); ++i)
            changed[i].first->SetAttribute(changedNames[i], changed[i].second);
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
            copies.changed.emplace_back(holder, value);
            copies.changedNames.push_back(attribute);
            holder->SetAttribute(attribute, Widen(used.string()));
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
    if (state_->openFiles.empty() || !HasScene())
        return {};
    const fs::path folder = FolderOf(target);
    std::error_code ec;
    TTextureCopies copies;
    if (!fs::equivalent(SceneFolder(), folder, ec)) {
        // Edits not yet committed may name textures too.
        state_->working.CommitEdit();
        try {
            CopyTextures(folder, copies);
        } catch (...) {
            copies.Undo();
            BeginSelected();
            throw;
        }
    }
    try {
        SaveTo(target);
    } catch (...) {
        copies.Undo();
        throw;
    }
    state_->openFiles[0] = target;
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
    TMeshStash stash;
    std::unique_ptr<TDomDocument> document = ReadSceneFile(file, stash, workFolder_ / kFakeFile);
    TState& s = *state_;
    s.document = std::move(document);
    s.stash = std::move(stash);
    s.selected = -1;
    s.working.SetDocument(s.document.get());
    s.working.BeginEdit(u"render", RenderCameraName());
}

WideString TSceneSession::RenderCameraName() const
{
    const TDomDocument* document = state_->document.get();
    const TDomElement* root = document ? document->DocumentElement() : nullptr;
    if (!root)
        return {};
    for (const TDomNode* node = root->FirstChild(); node; node = node->NextSibling())
        if (node->NodeName() == u"render")
            if (const auto* element = dynamic_cast<const TDomElement*>(node))
                return element->GetAttribute(u"camera_name");
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

WideString TSceneSession::Caption() const
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

int TSceneSession::FindRow(WideView text) const
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

void TSceneSession::SelectRow(int index)
{
    if (index < -1 || index >= RowCount())
        throw EListError(index);
    TState& s = *state_;
    s.selected = index;
    s.working.CommitEdit();
    if (index < 0)
        s.working.BeginEdit(u"scene", u"");
    else
        s.working.BeginEdit(SelectedKind(), SelectedName());
}

bool TSceneSession::SetRowChecked(int index, bool checked)
{
    if (index < 0 || index >= RowCount())
        throw EListError(index);
    TElementRow& row = state_->catalogue.rows[index];
    if (!row.CheckEnabled)
        return false;
    row.Checked = checked;
    return true;
}

int TSceneSession::AddRow(WideView text, bool checked, bool checkEnabled)
{
    auto& rows = state_->catalogue.rows;
    auto at = std::upper_bound(rows.begin(), rows.end(), text,
                               [](WideView t, const TElementRow& row) { return RowTextLess(t, row.Text); });
    const int index = static_cast<int>(at - rows.begin());
    rows.insert(at, TElementRow{WideString(text), checked, checkEnabled});
    if (state_->selected >= index)
        ++state_->selected;
    return index;
}

int TSceneSession::SetRowText(int index, WideView text)
{
    const TElementRow row = Row(index);
    const bool wasSelected = state_->selected == index;
    RemoveRow(index);
    const int now = AddRow(text, row.Checked, row.CheckEnabled);
    if (wasSelected)
        state_->selected = now;
    return now;
}

void TSceneSession::RemoveRow(int index)
{
    if (index < 0 || index >= RowCount())
        throw EListError(index);
    auto& rows = state_->catalogue.rows;
    rows.erase(rows.begin() + index);
    if (state_->selected == index)
        state_->selected = -1;
    else if (state_->selected > index)
        --state_->selected;
}

WideString TSceneSession::SelectedName() const
{
    return state_->selected < 0 ? WideString() : RowName(state_->catalogue.rows[state_->selected].Text);
}

WideString TSceneSession::SelectedKind() const
{
    return state_->selected < 0 ? WideString() : RowKind(state_->catalogue.rows[state_->selected].Text);
}

// ---- Working element and key paths ---------------------------------------------------------

void TSceneSession::BeginEdit(WideView kind, WideView name)
{
    state_->working.BeginEdit(kind, name);
}

void TSceneSession::CommitEdit()
{
    state_->working.CommitEdit();
}

WideString TSceneSession::GetValue(WideView path, WideView name)
{
    return kelvane::GetValue(state_->working, path, name);
}

void TSceneSession::SetValue(WideView path, WideView name, WideView value, TKeyKind keyKind)
{
    kelvane::SetValue(state_->working, path, name, value, keyKind);
    // On the document itself a value may have renamed an element.
    if (state_->working.IsDocument())
        state_->working.Index().Invalidate();
}

void TSceneSession::DeleteValue(WideView path, WideView name)
{
    kelvane::DeleteValue(state_->working, path, name);
    if (state_->working.IsDocument())
        state_->working.Index().Invalidate();
}

void TSceneSession::CopyElementAs(WideView kind, WideView source, WideView newName)
{
    kelvane::CopyElementAs(state_->working, kind, source, newName);
}

void TSceneSession::BeginModulatorView()
{
    kelvane::BeginModulatorView(state_->working);
}

void TSceneSession::EndModulatorView()
{
    kelvane::EndModulatorView(state_->working);
}

TWorkingElement& TSceneSession::Working()
{
    return state_->working;
}

// ---- Tables and lists ----------------------------------------------------------------------

TNameValueList& TSceneSession::PresenceTable()
{
    return state_->catalogue.presence;
}

TNameValueList& TSceneSession::ThumbnailIndex()
{
    return state_->catalogue.thumbnails;
}

std::vector<WideString>& TSceneSession::CameraNames()
{
    return state_->catalogue.cameras;
}

std::vector<WideString>& TSceneSession::BackgroundNames()
{
    return state_->catalogue.backgrounds;
}

std::vector<WideString>& TSceneSession::ShaderNames()
{
    return state_->catalogue.shaders;
}

TDomDocument* TSceneSession::Document() const
{
    return state_->document.get();
}

void TSceneSession::DocumentChanged()
{
    state_->working.Index().Invalidate();
}

} // namespace kelvane
