// The state behind TSceneSession, shared by its source files (not for other users).
#pragma once

#include "editing/SceneSession.h"
#include "scene/MeshStash.h"

namespace kelvane {

struct TSceneSession::TState {
    TState() : working(catalogue.presence) {}
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;
    std::unique_ptr<TDomDocument> document;
    TMeshStash stash;
    TCatalogue catalogue;
    TWorkingElement working;
    std::vector<fs::path> openFiles;
    std::string caption = "Kelvane";
    int selected = -1;

    TEditHistory history;
    TSnapshotPtr last;                    // the working element at the last record
    std::vector<THistoryOp> pending;      // changes since the last record
    std::vector<TTreeChange> treeLog;     // the working element's commits, not yet in pending
    int stepDepth = 0;
    std::string stepLabel;
    uint64_t saved = 0;                   // the history's position at the last open or save
    // The step edits the document itself: it works on a copy of the root put in its place.
    TDomNode* rootBefore = nullptr;
};

// The edited scene while a batch renders the other scenes of the open-file list.
struct TSceneSession::TBatch {
    std::unique_ptr<TDomDocument> document;
    TMeshStash stash;
    TDomNode* node = nullptr;
    TWorkingState state;
    int selected = -1;
};

} // namespace kelvane
