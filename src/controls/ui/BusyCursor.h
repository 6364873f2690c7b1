#pragma once
// The busy cursor for long work: shown once the work has run for the delay, until the guard
// ends. Work that runs the event loop (a render) gets it from a timer; work that holds the
// thread (reading or writing a scene) from its WorkTick() calls, which also let the windows
// repaint once the delay has passed. Guards nest; the innermost one takes the ticks.
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>

namespace kelvane {

class TBusyCursor {
public:
    explicit TBusyCursor(std::chrono::milliseconds delay = std::chrono::milliseconds(500));
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

    // Shows the cursor when the delay has passed and lets pending paints and timers run.
    void Tick();
    bool Shown() const { return shown_; }

private:
    void Show();

    std::chrono::milliseconds delay_;
    QElapsedTimer clock_;
    QTimer timer_;
    bool shown_ = false;
    bool ticking_ = false;
    qint64 nextPump_ = 0;  // clock time before which ticks do not run the event loop
    TBusyCursor* outer_ = nullptr;
    void (*outerHook_)() = nullptr;
};

} // namespace kelvane
