// The view settings that the main window caches: read together at start-up
// and after the settings dialog, written (in part) at exit and after the View
// menu and update commands.
#pragma once

#include <windows.h>

#include <vector>

#include "app/UpdatePolicy.h"
#include "core/AppSettings.h"
#include "ui/FunctionTabs.h"

struct ViewSettings {
    bool alwaysOnTop = false;
    bool exitFromTrayOnly = true;
    bool startMinimized = false;
    bool saveLastTab = true;
    bool showGridLines = true;
    bool alternateRowColors = true;
    bool autoSizeColumns = true;
    bool highlightSortColumn = true;
    UpdateSettings update;

    // Reads every cached value with its default; an update index outside the
    // interval table reads as the default.
    static ViewSettings Load(const AppSettings& settings);
    // Writes the values the window itself changes: the last tab, grid lines,
    // row colours, auto-size and the three update values. "Keep on top" and
    // the settings-dialog-only values are left alone on purpose. With
    // `before` (what was written last), only the values that differ from it.
    void Save(const AppSettings& settings, FunctionTab lastTab, const ViewSettings* before = nullptr,
              FunctionTab lastTabBefore = FunctionTab::Applications) const;
};

// The stored tab to open at start; false when the last tab is not restored.
// A stored index outside the six tabs is clamped to them.
bool LastTabToSelect(const AppSettings& settings, const ViewSettings& view, FunctionTab& tab);

// A stored window placement is used only when it is exactly the 44-byte record.
bool DecodeWindowPlacement(const std::vector<BYTE>& bytes, WINDOWPLACEMENT& out);
