// The window messages that the system-information workers post. Workers only
// ever post these (never send), so a worker never waits for the window.
#pragma once

#include <windows.h>

// Snapshot loader: wParam = step 0..3 (windows, processes, services,
// drivers), lParam = 0 when the step starts, 1 when it has finished.
constexpr UINT WM_SNAPSHOT_STEP = 0x9EC7;
// Snapshot loader: every step succeeded; both parameters 0.
constexpr UINT WM_SNAPSHOT_DONE = 0x9EC6;
// CPU sampler: a new usage value is ready (CpuUsageSampler::Usage); params 0.
constexpr UINT WM_CPU_SAMPLE = 0x8412;
// Network sampler: a new sample is ready (copy it under the sampler's lock).
constexpr UINT WM_NETWORK_SAMPLE = 0x8413;
