// The view settings that the main window caches: read together at start-up
// and after the settings dialog, written (in part) at exit and after the View
// menu toggles.
#pragma once

#include <windows.h>

#include <vector>

#include "core/AppSettings.h"

struct ViewSettings {
    bool alwaysOnTop = false;
    bool exitFromTrayOnly = true;
    bool startMinimized = false;
    bool saveLastTab = true;
    bool showGridLines = true;
    bool alternateRowColors = true;
    bool autoSizeColumns = true;
    bool highlightSortColumn = true;
    bool autoUpdateEnabled = true;
    bool autoMode = false;
    int updateTimeIndex = 2;

    // Reads every cached value with its default.
    static ViewSettings Load(const AppSettings& settings);
    // Writes the values the window itself changes: the last tab, grid lines,
    // row colours, auto-size and the three update values. "Keep on top" and
    // the settings-dialog-only values are left alone on purpose.
    void Save(const AppSettings& settings, int lastTabIndex) const;
};

// The stored tab to open at start, or -1 when the last tab is not restored.
// Out-of-range stored values are clamped to the six tabs.
int LastTabToSelect(const AppSettings& settings, const ViewSettings& view);

// The update interval for an index (0..4 → 500..10000 ms); clamps the index.
unsigned UpdateIntervalMs(int index);

// A stored window placement is used only when it is exactly the 44-byte record.
bool DecodeWindowPlacement(const std::vector<BYTE>& bytes, WINDOWPLACEMENT& out);
