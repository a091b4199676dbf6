// How often the visible view is brought up to date: the interval table, the
// automatic choice from the CPU load and the rule that the automatic choice
// waits for a view update between two changes. The window arms its timer as
// a decision says; the decisions themselves take plain values, so the rules
// are tested without a window.
#pragma once

#include <string>

// The three stored values ("Update"/"EnableAutoUpdate", "AutoMode",
// "UpdateTime").
struct UpdateSettings {
    bool enabled = true;
    bool autoMode = false;
    int index = 2;  // into the interval table
};

class UpdatePolicy {
public:
    static constexpr int kIntervalCount = 5;
    // 0..4 -> 500, 1000, 2000, 5000, 10000 ms; an index outside that range
    // reads as the default two seconds, since no interval is defined for it.
    static int ValidIndex(int index);
    static unsigned IntervalMs(int index);
    // The automatic choice from the CPU load: <=1 % -> 0, <=5 -> 1, <=10 -> 2,
    // <=30 -> 3, above -> 4.
    static int AutoIndex(int cpuPercent);
    // "Auto update time changed to: %0.1f second%s" (no "s" for one second).
    static std::string IntervalStatus(int index);

    // What the window does after a decision.
    struct Decision {
        bool rearm = false;        // set the view-update timer to intervalMs (0: kill it)
        unsigned intervalMs = 0;
        bool showStatus = false;   // the interval text of statusIndex
        int statusIndex = 0;
        bool postTick = false;     // an immediate view update
    };

    // A frequency chosen (a command, the settings dialog, start-up): with
    // auto mode off, index becomes the stored index. With auto mode on the
    // interval follows cpuPercent, but only once a view update was seen
    // since the last choice; until then nothing changes, so the view never
    // stops with no timer armed.
    Decision Choose(UpdateSettings& settings, int index, int cpuPercent);
    // The auto-mode timer's second: a new interval from the CPU load when
    // auto mode is on and a view update was seen. The timer is touched and
    // the status written only when the interval really changes.
    Decision Adjust(const UpdateSettings& settings, int cpuPercent);
    // A view update ran.
    void TickSeen() { tickSeen_ = true; }
    bool IsTickSeen() const { return tickSeen_; }
    // The interval the timer runs at; 0 when none.
    unsigned ArmedMs() const { return armedMs_; }

private:
    Decision Apply(int index, bool enabled);
    bool tickSeen_ = true;
    unsigned armedMs_ = 0;
};
