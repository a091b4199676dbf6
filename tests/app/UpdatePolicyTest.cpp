// How often the view is updated: the interval table, auto mode's choice and
// the rule that the timer, the status and the settings change only when the
// interval does.
#include <gtest/gtest.h>

#include "app/UpdatePolicy.h"

namespace {

TEST(UpdatePolicy, IntervalsAndTheirTexts) {
    EXPECT_EQ("Auto update time changed to: 1.0 second", UpdatePolicy::IntervalStatus(1));
    EXPECT_EQ("Auto update time changed to: 0.5 seconds", UpdatePolicy::IntervalStatus(0));
    EXPECT_EQ("Auto update time changed to: 10.0 seconds", UpdatePolicy::IntervalStatus(4));
    // No interval is defined outside 0..4: the default two seconds.
    EXPECT_EQ(2000u, UpdatePolicy::IntervalMs(7));
    EXPECT_EQ(2000u, UpdatePolicy::IntervalMs(-1));
    EXPECT_EQ(500u, UpdatePolicy::IntervalMs(0));
    // Auto mode's choice from the CPU load, at each boundary.
    const int loads[] = {0, 1, 2, 5, 6, 10, 11, 30, 31, 100};
    const int want[] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(want[i], UpdatePolicy::AutoIndex(loads[i])) << loads[i];
}

TEST(UpdatePolicy, AChosenFrequencyArmsOnceAndUpdatesAtOnce) {
    UpdatePolicy policy;
    UpdateSettings s;
    UpdatePolicy::Decision d = policy.Choose(s, 1, 0);
    EXPECT_TRUE(d.rearm);
    EXPECT_EQ(1000u, d.intervalMs);
    EXPECT_TRUE(d.showStatus);
    EXPECT_TRUE(d.postTick);
    EXPECT_EQ(1, s.index);
    // The same frequency again: said and shown, the timer left running.
    policy.TickSeen();
    d = policy.Choose(s, 1, 0);
    EXPECT_FALSE(d.rearm);
    EXPECT_TRUE(d.showStatus);
    EXPECT_TRUE(d.postTick);
    // Disabled: the timer goes, one update still runs, the index is kept.
    s.enabled = false;
    d = policy.Choose(s, s.index, 0);
    EXPECT_TRUE(d.rearm);
    EXPECT_EQ(0u, d.intervalMs);
    EXPECT_FALSE(d.showStatus);
    EXPECT_TRUE(d.postTick);
    EXPECT_EQ(1, s.index);
    EXPECT_EQ(0u, policy.ArmedMs());
}

TEST(UpdatePolicy, AutoModeChangesOnlyWhenTheLoadMovesTheIntervalAndAfterAnUpdate) {
    UpdatePolicy policy;
    UpdateSettings s;
    policy.Choose(s, 2, 0);  // two seconds, manual
    s.autoMode = true;
    // Switched on before any view update at the new interval: nothing changes,
    // the timer keeps running.
    UpdatePolicy::Decision d = policy.Choose(s, s.index, 3);
    EXPECT_FALSE(d.rearm);
    EXPECT_FALSE(d.postTick);
    EXPECT_EQ(2000u, policy.ArmedMs());
    policy.TickSeen();
    d = policy.Choose(s, s.index, 3);  // 3 % -> one second
    EXPECT_TRUE(d.rearm);
    EXPECT_EQ(1000u, d.intervalMs);
    EXPECT_EQ(2, s.index);  // the stored index is the manual one
    // Timer 8 at a steady load: no timer change, no status, tick after tick.
    for (int second = 0; second < 5; ++second) {
        policy.TickSeen();
        d = policy.Adjust(s, 4);
        EXPECT_FALSE(d.rearm) << second;
        EXPECT_FALSE(d.showStatus) << second;
    }
    // The load rises: one change, then none until the next view update.
    policy.TickSeen();
    d = policy.Adjust(s, 50);
    EXPECT_TRUE(d.rearm);
    EXPECT_EQ(10000u, d.intervalMs);
    EXPECT_TRUE(d.showStatus);
    EXPECT_EQ(4, d.statusIndex);
    d = policy.Adjust(s, 0);
    EXPECT_FALSE(d.rearm);
    EXPECT_EQ(10000u, policy.ArmedMs());
    // Auto mode off or updates disabled: the timer is the commands' alone.
    s.autoMode = false;
    policy.TickSeen();
    EXPECT_FALSE(policy.Adjust(s, 0).rearm);
}

}  // namespace
