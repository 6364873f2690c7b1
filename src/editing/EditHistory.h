#pragma once
// The edit history of one open scene: records of what each step changed, taken back (undo) and
// made again (redo) exactly.
//
// A record holds the working element before and after it (as snapshots) and the changes it made
// to everything else (the document's tree, the rows, the tables), each as a pair of actions.
// User records are the steps the user made and names; silent records hold what happened between
// them (a row selected, a tab filled, a scene written), so that undoing a step first takes back
// what followed it. Silent records that follow each other are merged.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scene/WorkingElement.h"

namespace kelvane {

// The working element as the history keeps it.
struct TWorkingSnapshot {
    enum TKind { None, Document, Element } kind = None;
    std::string tree;  // TreeSnapshot of the element (kind Element)
    TWorkingState state;
    size_t Bytes() const;
    bool operator==(const TWorkingSnapshot& other) const;
};
using TSnapshotPtr = std::shared_ptr<const TWorkingSnapshot>;

// One change outside the working element, as the actions that take it back and make it again.
struct THistoryOp {
    std::function<void()> undo, redo;
    size_t bytes = 0;  // what the actions hold
};

struct THistoryRecord {
    bool user = false;
    std::string label;
    uint64_t serial = 0;  // user records: unique, rising
    TSnapshotPtr before, after;
    std::vector<THistoryOp> ops;
    size_t bytes = 0;
};

class TEditHistory {
public:
    // Past this many bytes the oldest records go (the default is 256 MiB).
    void SetLimit(size_t bytes);
    void Clear();

    // Adds a record of what happened outside the steps (merged with a silent record on top).
    void PushSilent(THistoryRecord record);
    // Adds a user step; the steps that could be redone go.
    void PushUser(THistoryRecord record);

    bool CanUndo() const;
    bool CanRedo() const;
    // The name of the step Undo / Redo would take back / make again ("" when none).
    std::string UndoLabel() const;
    std::string RedoLabel() const;
    // Takes back the last user step with the silent records after it; returns the working
    // element to put in place (nullptr when there was nothing to undo).
    TSnapshotPtr Undo();
    // Makes the next step again (and, after the last one, the silent records that followed it).
    TSnapshotPtr Redo();

    // The serial of the user step the state stands after (0: none, or the oldest dropped one).
    uint64_t Position() const;
    uint64_t NextSerial() { return ++serial_; }
    size_t Bytes() const { return bytes_; }
    size_t RecordCount() const { return undo_.size() + redo_.size(); }

private:
    static void Revert(const THistoryRecord& record);
    static void Apply(const THistoryRecord& record);
    static size_t Measure(const THistoryRecord& record);
    bool AnyUser(const std::vector<THistoryRecord>& records) const;
    void Trim();

    std::vector<THistoryRecord> undo_, redo_;  // last: most recent / next to redo
    // Records at or above this index of undo_ came after the last undo or redo: they are
    // taken back and forgotten by the next one (npos: no undo or redo since the last step).
    size_t base_ = npos;
    size_t limit_ = size_t(256) << 20;
    size_t bytes_ = 0;
    uint64_t serial_ = 0;
    uint64_t floor_ = 0;  // serial of the newest user record dropped by the limit
    static constexpr size_t npos = size_t(-1);
};

} // namespace kelvane
