#pragma once
// The journal of an open scene: every call that changed the session since the scene was opened
// or saved, appended and flushed step by step to a file in the program folder's journal/, so
// that the edits of a killed editor can be made again on the next start.
//
// File: a header line naming the scene (path, size, modification time), then one line per
// record. Each line is "H" or "R", the payload's length and check value, and the payload: calls
// separated by 0x1E, each call's words separated by 0x1F, with '%', CR, LF, 0x1E and 0x1F
// written as %XX. A line whose length or check value does not match ends what can be read.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvane {

namespace fs = std::filesystem;

using TJournalCall = std::vector<std::string>;

// The scene file a journal belongs to, as it was when the journal started.
struct TJournalBase {
    std::string path;
    uint64_t size = 0;
    int64_t time = 0;  // modification time in the file clock's ticks
    bool operator==(const TJournalBase&) const = default;
};
// The scene's path (absolute), size and modification time; size and time 0 when it is missing.
TJournalBase JournalBaseOf(const fs::path& scene);
// folder / (scene file stem + "-" + a hash of its absolute path + ".journal")
fs::path JournalFileFor(const fs::path& folder, const fs::path& scene);

class TEditJournal {
public:
    explicit TEditJournal(fs::path folder) : folder_(std::move(folder)) {}
    ~TEditJournal();
    TEditJournal(const TEditJournal&) = delete;
    TEditJournal& operator=(const TEditJournal&) = delete;

    // A new journal for scene (its file is made with the first record); pending calls go.
    void Start(const fs::path& scene);
    // Notes a call; it reaches the file with the next record (or once many calls wait).
    void Call(TJournalCall call);
    // Writes the pending calls as one record and flushes the file. A failure to write is kept
    // quiet: the journal stops (the edits themselves are not touched).
    void Flush();
    // The calls noted since the last record; the ones from count on are forgotten.
    size_t PendingCount() const { return pending_.size(); }
    void DropPendingFrom(size_t count)
    {
        if (count < pending_.size())
            pending_.resize(count);
    }
    // Deletes the file; what follows starts a new one for the same scene, as it now is.
    void Remove();
    const fs::path& File() const { return file_; }
    const fs::path& Folder() const { return folder_; }
    bool Started() const { return !file_.empty(); }
    // Records written since Start (a test hook counts them).
    int Records() const { return records_; }

private:
    void Close();
    fs::path folder_;
    fs::path scene_;
    fs::path file_;
    TJournalBase base_;
    std::vector<TJournalCall> pending_;
    struct TOut;
    TOut* out_ = nullptr;
    bool failed_ = false;
    int records_ = 0;
};

struct TJournalContents {
    bool readable = false;  // a header was found
    TJournalBase base;
    std::vector<std::vector<TJournalCall>> records;  // every whole record before any damage
    int lost = 0;  // damaged records and those after them
};
TJournalContents ReadJournal(const fs::path& file);

// Moves a journal aside (beside it, ".old" and a number added); returns the new name.
fs::path KeepJournalAside(const fs::path& file);

} // namespace kelvane
