// TSceneSession: recording, steps, undo and redo, and the crash-recovery journal.
#include "editing/SceneSession.h"

#include "editing/SceneSessionState.h"
#include "editing/TreeSnapshot.h"
#include "scene/Errors.h"

namespace kelvane {

namespace {

// A whole decimal number from a journal line; raises EKelvaneError on anything else.
int JournalInt(const std::string& text)
{
    size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used != text.size())
        throw EKelvaneError("not a number: " + text);
    return value;
}

} // namespace

// ---- Recording -----------------------------------------------------------------------------

bool TSceneSession::Recording() const
{
    return !batch_;
}

void TSceneSession::Note(TJournalCall call)
{
    if (journal_ && !batch_)
        journal_->Call(std::move(call));
}

void TSceneSession::DrainTreeChanges()
{
    TState& s = *state_;
    for (const TTreeChange& change : s.treeLog)
        s.pending.push_back({[change] { UndoTreeChange(change); }, [change] { RedoTreeChange(change); },
                             sizeof(change)});
    s.treeLog.clear();
}

void TSceneSession::Record(std::function<void()> undo, std::function<void()> redo, size_t bytes)
{
    if (!Recording())
        return;
    DrainTreeChanges();
    state_->pending.push_back({std::move(undo), std::move(redo), bytes});
}

TSnapshotPtr TSceneSession::Snapshot() const
{
    const TWorkingElement& working = state_->working;
    auto snapshot = std::make_shared<TWorkingSnapshot>();
    if (const TDomNode* node = working.Node()) {
        if (working.IsDocument()) {
            snapshot->kind = TWorkingSnapshot::Document;
        } else {
            snapshot->kind = TWorkingSnapshot::Element;
            snapshot->tree = TreeSnapshot(*node);
        }
    }
    snapshot->state = working.State();
    return snapshot;
}

void TSceneSession::RestoreWorking(const TSnapshotPtr& snapshot)
{
    TState& s = *state_;
    TDomNode* node = nullptr;
    if (snapshot->kind == TWorkingSnapshot::Document)
        node = s.document.get();
    else if (snapshot->kind == TWorkingSnapshot::Element && s.document)
        node = RebuildTree(*s.document, snapshot->tree);
    s.working.Restore(node, snapshot->state);
    s.treeLog.clear();
    s.last = snapshot;
}

void TSceneSession::Settle()
{
    TState& s = *state_;
    if (!Recording() || s.stepDepth > 0)
        return;
    DrainTreeChanges();
    TSnapshotPtr now = Snapshot();
    const bool same = s.last && *now == *s.last;
    if (same && s.pending.empty())
        return;
    s.history.PushSilent(TakeRecord(same ? s.last : now));
}

THistoryRecord TSceneSession::TakeRecord(const TSnapshotPtr& after)
{
    TState& s = *state_;
    THistoryRecord record;
    record.before = s.last;
    record.after = after;
    record.ops = std::move(s.pending);
    s.pending.clear();
    s.last = after;
    return record;
}

void TSceneSession::ResetHistory()
{
    TState& s = *state_;
    s.history.Clear();
    s.pending.clear();
    s.treeLog.clear();
    s.stepDepth = 0;
    s.rootBefore = nullptr;
    s.last = Snapshot();
    s.saved = s.history.Position();
    if (OnHistoryChange)
        OnHistoryChange();
}

// ---- Steps, undo and redo ------------------------------------------------------------------

void TSceneSession::BeginStep(const std::string& label)
{
    TState& s = *state_;
    if (s.stepDepth > 0) {
        ++s.stepDepth;
        return;
    }
    Settle();
    s.stepDepth = 1;
    s.stepLabel = label;
    Note({"step", label});
    if (!Recording() || !s.working.IsDocument() || !s.document)
        return;
    // Edits on the document itself go to a copy of its root, so the root before stays whole.
    if (TDomElement* root = s.document->DocumentElement()) {
        TDomNode* copy = root->CloneNode(true);
        s.document->ReplaceChild(copy, root);
        s.treeLog.push_back({TTreeChange::Replace, s.document.get(), copy, root});
        s.working.Index().Invalidate();
        s.rootBefore = root;
    }
}

void TSceneSession::SetStepLabel(const std::string& label)
{
    if (state_->stepDepth > 0)
        state_->stepLabel = label;
}

void TSceneSession::EndStep()
{
    TState& s = *state_;
    if (s.stepDepth == 0 || --s.stepDepth > 0)
        return;
    // The name the step has at its end (it may have been renamed on the way).
    Note({"end", s.stepLabel});
    if (!Recording())
        return;
    DrainTreeChanges();
    TSnapshotPtr now = Snapshot();
    const bool same = s.last && *now == *s.last;
    if (s.rootBefore) {
        // Nothing but the copy of the root: the step changed nothing when the copy is equal.
        TDomNode* root = s.document->DocumentElement();
        if (s.pending.size() == 1 && same && root && TreeSnapshot(*root) == TreeSnapshot(*s.rootBefore)) {
            s.document->ReplaceChild(s.rootBefore, root);
            s.working.Index().Invalidate();
            s.pending.clear();
        }
        s.rootBefore = nullptr;
    }
    if (same && s.pending.empty())
        return;
    THistoryRecord record = TakeRecord(same ? s.last : now);
    record.label = s.stepLabel;
    s.history.PushUser(std::move(record));
    if (journal_)
        journal_->Flush();
    if (OnHistoryChange)
        OnHistoryChange();
}

bool TSceneSession::CanUndo() const
{
    return Recording() && state_->stepDepth == 0 && state_->history.CanUndo();
}

bool TSceneSession::CanRedo() const
{
    return Recording() && state_->stepDepth == 0 && state_->history.CanRedo();
}

std::string TSceneSession::UndoLabel() const
{
    return state_->history.UndoLabel();
}

std::string TSceneSession::RedoLabel() const
{
    return state_->history.RedoLabel();
}

bool TSceneSession::Undo()
{
    return MoveInHistory(true);
}

bool TSceneSession::Redo()
{
    return MoveInHistory(false);
}

bool TSceneSession::MoveInHistory(bool back)
{
    if (back ? !CanUndo() : !CanRedo())
        return false;
    Settle();
    RestoreWorking(back ? state_->history.Undo() : state_->history.Redo());
    Note({back ? "undo" : "redo"});
    if (journal_)
        journal_->Flush();
    if (OnHistoryChange)
        OnHistoryChange();
    return true;
}

bool TSceneSession::Modified() const
{
    return state_->history.Position() != state_->saved;
}

const TEditHistory& TSceneSession::History() const
{
    return state_->history;
}

void TSceneSession::SetHistoryLimit(size_t bytes)
{
    state_->history.SetLimit(bytes);
}

// ---- Journal -------------------------------------------------------------------------------

void TSceneSession::SetJournalFolder(const fs::path& folder)
{
    if (folder.empty()) {
        journal_.reset();
        return;
    }
    journal_ = std::make_unique<TEditJournal>(folder);
    if (HasScene() && !state_->openFiles.empty())
        journal_->Start(state_->openFiles[0]);
}

TSceneSession::TJournalFound TSceneSession::FindJournal() const
{
    TJournalFound found;
    if (!journal_ || state_->openFiles.empty())
        return found;
    found.file = JournalFileFor(journal_->Folder(), state_->openFiles[0]);
    std::error_code ec;
    if (!fs::exists(found.file, ec))
        return found;
    found.contents = ReadJournal(found.file);
    const bool same = found.contents.readable && found.contents.base == JournalBaseOf(state_->openFiles[0]);
    found.kind = same ? TJournalFound::Offer : TJournalFound::Stale;
    return found;
}

int TSceneSession::Recover(const TJournalContents& contents)
{
    int lost = contents.lost;
    const size_t count = contents.records.size();
    for (size_t r = 0; r < count; ++r) {
        try {
            for (const TJournalCall& call : contents.records[r])
                Call(call);
        } catch (const std::exception&) {
            lost += static_cast<int>(count - r);
            break;
        }
    }
    while (state_->stepDepth > 0)
        EndStep();
    if (journal_)
        journal_->Flush();
    return lost;
}

void TSceneSession::DiscardJournal()
{
    if (journal_)
        journal_->Remove();
}

fs::path TSceneSession::JournalFile() const
{
    return journal_ ? journal_->File() : fs::path();
}

void TSceneSession::Call(const TJournalCall& w)
{
    const auto need = [&](size_t n) {
        if (w.size() < n)
            throw EKelvaneError("damaged journal call");
    };
    need(1);
    const std::string& c = w[0];
    auto at = [&](size_t i) -> const std::string& { return w[i]; };
    if (c == "step") {
        need(2);
        BeginStep(w[1]);
    } else if (c == "end") {
        if (w.size() > 1)
            SetStepLabel(w[1]);
        EndStep();
    } else if (c == "sel") {
        need(2);
        SelectRow(JournalInt(w[1]));
    } else if (c == "check") {
        need(3);
        SetRowChecked(JournalInt(w[1]), w[2] == "1");
    } else if (c == "addrow") {
        need(4);
        AddRow(at(1), w[2] == "1", w[3] == "1");
    } else if (c == "rowtext") {
        need(3);
        SetRowText(JournalInt(w[1]), at(2));
    } else if (c == "removerow") {
        need(2);
        RemoveRow(JournalInt(w[1]));
    } else if (c == "begin") {
        need(3);
        BeginEdit(at(1), at(2));
    } else if (c == "commit") {
        CommitEdit();
    } else if (c == "get") {
        need(3);
        GetValue(at(1), at(2));
    } else if (c == "set") {
        need(5);
        SetValue(at(1), at(2), at(3), TKeyKind(JournalInt(w[4])));
    } else if (c == "delete") {
        need(3);
        DeleteValue(at(1), at(2));
    } else if (c == "copy") {
        need(4);
        CopyElementAs(at(1), at(2), at(3));
    } else if (c == "view") {
        need(2);
        if (w[1] == "1")
            BeginModulatorView();
        else
            EndModulatorView();
    } else if (c == "revive") {
        need(2);
        ReviveHeld(at(1));
    } else if (c == "revive-held") {
        need(3);
        ReviveHeld(at(1), at(2));
    } else if (c == "keep") {
        need(2);
        KeepAttributes(at(1), std::vector<std::string>(w.begin() + 2, w.end()));
    } else if (c == "presence") {
        need(3);
        SetPresence(at(1), at(2));
    } else if (c == "thumbnail") {
        need(3);
        SetThumbnail(at(1), at(2));
    } else if (c == "forget") {
        need(2);
        ForgetThumbnail(at(1));
    } else if (c == "name") {
        need(3);
        AddName(TNameList(JournalInt(w[1])), at(2));
    } else if (c == "write") {
        Note({"write"});
        CommitAndBeginAgain();
    } else if (c == "undo") {
        Undo();
    } else if (c == "redo") {
        Redo();
    } else {
        throw EKelvaneError("unknown journal call: " + c);
    }
}

} // namespace kelvane
