#include "editing/EditHistory.h"

#include <algorithm>

namespace kelvane {

size_t TWorkingSnapshot::Bytes() const
{
    return sizeof(*this) + tree.capacity() + state.sources.capacity() * sizeof(TDomElement*) +
           state.partner.capacity() * sizeof(int);
}

bool TWorkingSnapshot::operator==(const TWorkingSnapshot& other) const
{
    return kind == other.kind && tree == other.tree && state.sources == other.state.sources &&
           state.partner == other.state.partner;
}

void TEditHistory::SetLimit(size_t bytes)
{
    limit_ = bytes;
    Trim();
}

void TEditHistory::Clear()
{
    undo_.clear();
    redo_.clear();
    base_ = npos;
    bytes_ = 0;
    floor_ = 0;
}

size_t TEditHistory::Measure(const THistoryRecord& record)
{
    // A snapshot shared with the record before counts there.
    size_t bytes = sizeof(record) + record.label.capacity() + (record.after ? record.after->Bytes() : 0);
    if (record.before && record.before != record.after)
        bytes += record.before->Bytes();
    for (const THistoryOp& op : record.ops)
        bytes += sizeof(op) + op.bytes;
    return bytes;
}

void TEditHistory::Revert(const THistoryRecord& record)
{
    for (auto op = record.ops.rbegin(); op != record.ops.rend(); ++op)
        op->undo();
}

void TEditHistory::Apply(const THistoryRecord& record)
{
    for (const THistoryOp& op : record.ops)
        op.redo();
}

bool TEditHistory::AnyUser(const std::vector<THistoryRecord>& records) const
{
    return std::any_of(records.begin(), records.end(), [](const THistoryRecord& r) { return r.user; });
}

void TEditHistory::PushSilent(THistoryRecord record)
{
    const bool mergeable = !undo_.empty() && !undo_.back().user && (base_ == npos || undo_.size() - 1 >= base_);
    if (mergeable) {
        THistoryRecord& top = undo_.back();
        bytes_ -= top.bytes;
        top.after = std::move(record.after);
        for (THistoryOp& op : record.ops)
            top.ops.push_back(std::move(op));
        top.bytes = Measure(top);
        bytes_ += top.bytes;
    } else {
        record.user = false;
        record.bytes = Measure(record);
        bytes_ += record.bytes;
        undo_.push_back(std::move(record));
    }
    Trim();
}

void TEditHistory::PushUser(THistoryRecord record)
{
    for (const THistoryRecord& dropped : redo_)
        bytes_ -= dropped.bytes;
    redo_.clear();
    base_ = npos;
    record.user = true;
    if (record.serial == 0)
        record.serial = NextSerial();
    record.bytes = Measure(record);
    bytes_ += record.bytes;
    undo_.push_back(std::move(record));
    Trim();
}

void TEditHistory::Trim()
{
    size_t drop = 0;
    size_t bytes = bytes_;
    // The newest record always stays.
    while (bytes > limit_ && drop + 1 < undo_.size()) {
        bytes -= undo_[drop].bytes;
        if (undo_[drop].user)
            floor_ = undo_[drop].serial;
        ++drop;
    }
    if (drop == 0)
        return;
    undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(drop));
    bytes_ = bytes;
    if (base_ != npos)
        base_ = base_ > drop ? base_ - drop : 0;
}

bool TEditHistory::CanUndo() const
{
    return AnyUser(undo_);
}

bool TEditHistory::CanRedo() const
{
    return AnyUser(redo_);
}

std::string TEditHistory::UndoLabel() const
{
    for (auto r = undo_.rbegin(); r != undo_.rend(); ++r)
        if (r->user)
            return r->label;
    return {};
}

std::string TEditHistory::RedoLabel() const
{
    for (auto r = redo_.rbegin(); r != redo_.rend(); ++r)
        if (r->user)
            return r->label;
    return {};
}

TSnapshotPtr TEditHistory::Undo()
{
    if (!CanUndo())
        return nullptr;
    TSnapshotPtr restored;
    for (;;) {
        THistoryRecord record = std::move(undo_.back());
        undo_.pop_back();
        Revert(record);
        restored = record.before;
        const bool user = record.user;
        if (!user && base_ != npos && undo_.size() >= base_) {
            bytes_ -= record.bytes;  // came after the last undo: forgotten
        } else {
            redo_.push_back(std::move(record));
        }
        if (user)
            break;
    }
    base_ = undo_.size();
    return restored;
}

TSnapshotPtr TEditHistory::Redo()
{
    if (!CanRedo())
        return nullptr;
    // What happened since the last undo or redo is taken back first.
    while (base_ != npos && undo_.size() > base_ && !undo_.back().user) {
        Revert(undo_.back());
        bytes_ -= undo_.back().bytes;
        undo_.pop_back();
    }
    TSnapshotPtr restored;
    bool userDone = false;
    while (!redo_.empty()) {
        if (redo_.back().user && userDone)
            break;
        THistoryRecord record = std::move(redo_.back());
        redo_.pop_back();
        Apply(record);
        restored = record.after;
        userDone = userDone || record.user;
        undo_.push_back(std::move(record));
        // After the last step the silent records that followed it come back too.
        if (userDone && AnyUser(redo_))
            break;
    }
    base_ = undo_.size();
    return restored;
}

uint64_t TEditHistory::Position() const
{
    for (auto r = undo_.rbegin(); r != undo_.rend(); ++r)
        if (r->user)
            return r->serial;
    return floor_;
}

} // namespace kelvane
