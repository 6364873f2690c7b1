#pragma once
// Long-running work that keeps the event loop alive (a render job, a preview) holds a TBusyScope
// while it runs; a scripted session's "wait" lets the program run until none is held.
namespace kelvane {

class TBusyScope {
public:
    TBusyScope();
    ~TBusyScope();
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;
};

// True while any TBusyScope exists.
bool IsBusy();

} // namespace kelvane
