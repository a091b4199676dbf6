#include "app/UpdatePolicy.h"

#include <cstdio>

int UpdatePolicy::ValidIndex(int index) { return index >= 0 && index < kIntervalCount ? index : 2; }

unsigned UpdatePolicy::IntervalMs(int index) {
    static const unsigned kMs[kIntervalCount] = {500, 1000, 2000, 5000, 10000};
    return kMs[ValidIndex(index)];
}

int UpdatePolicy::AutoIndex(int cpuPercent) {
    if (cpuPercent <= 1) return 0;
    if (cpuPercent <= 5) return 1;
    if (cpuPercent <= 10) return 2;
    if (cpuPercent <= 30) return 3;
    return 4;
}

std::string UpdatePolicy::IntervalStatus(int index) {
    index = ValidIndex(index);
    char text[64];
    std::snprintf(text, sizeof text, "Auto update time changed to: %0.1f second%s", IntervalMs(index) * 0.001,
                  index == 1 ? "" : "s");
    return text;
}

UpdatePolicy::Decision UpdatePolicy::Apply(int index, bool enabled) {
    Decision d;
    const unsigned ms = enabled ? IntervalMs(index) : 0;
    d.rearm = ms != armedMs_;
    d.intervalMs = ms;
    armedMs_ = ms;
    tickSeen_ = false;
    return d;
}

UpdatePolicy::Decision UpdatePolicy::Choose(UpdateSettings& settings, int index, int cpuPercent) {
    if (settings.enabled && settings.autoMode && !tickSeen_) return Decision();
    if (settings.enabled && settings.autoMode) {
        index = AutoIndex(cpuPercent);
    } else {
        index = ValidIndex(index);
        settings.index = index;
    }
    Decision d = Apply(index, settings.enabled);
    // The user chose: the status says what the view runs at now, and a
    // manual choice shows its effect at once.
    d.showStatus = settings.enabled;
    d.statusIndex = index;
    d.postTick = !settings.autoMode;
    return d;
}

UpdatePolicy::Decision UpdatePolicy::Adjust(const UpdateSettings& settings, int cpuPercent) {
    if (!settings.enabled || !settings.autoMode || !tickSeen_) return Decision();
    const int index = AutoIndex(cpuPercent);
    Decision d = Apply(index, true);
    d.showStatus = d.rearm;
    d.statusIndex = index;
    return d;
}
