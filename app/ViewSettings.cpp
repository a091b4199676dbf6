#include "app/ViewSettings.h"

#include <algorithm>
#include <cstring>

#include "core/SettingsKeys.h"

ViewSettings ViewSettings::Load(const AppSettings& s) {
    ViewSettings v;
    v.alwaysOnTop = settings::kAlwaysOnTop.Read(s) != 0;
    v.exitFromTrayOnly = settings::kExitFromTrayOnly.Read(s) != 0;
    v.startMinimized = settings::kStartMinimized.Read(s) != 0;
    v.saveLastTab = settings::kSaveLastTab.Read(s) != 0;
    v.showGridLines = settings::kShowGridLines.Read(s) != 0;
    v.alternateRowColors = settings::kAlternateRowColors.Read(s) != 0;
    v.autoSizeColumns = settings::kAutoSizeColumns.Read(s) != 0;
    v.highlightSortColumn = settings::kHighlightSortColumn.Read(s) != 0;
    v.autoUpdateEnabled = settings::kEnableAutoUpdate.Read(s) != 0;
    v.autoMode = settings::kAutoMode.Read(s) != 0;
    v.updateTimeIndex = std::clamp(settings::kUpdateTime.Read(s), 0, 4);
    return v;
}

void ViewSettings::Save(const AppSettings& s, int lastTabIndex) const {
    settings::kLastTabIndex.Write(s, lastTabIndex);
    settings::kShowGridLines.Write(s, showGridLines ? 1 : 0);
    settings::kAlternateRowColors.Write(s, alternateRowColors ? 1 : 0);
    settings::kAutoSizeColumns.Write(s, autoSizeColumns ? 1 : 0);
    settings::kEnableAutoUpdate.Write(s, autoUpdateEnabled ? 1 : 0);
    settings::kAutoMode.Write(s, autoMode ? 1 : 0);
    settings::kUpdateTime.Write(s, updateTimeIndex);
}

int LastTabToSelect(const AppSettings& s, const ViewSettings& view) {
    if (!view.saveLastTab) return -1;
    return std::clamp(settings::kLastTabIndex.Read(s), 0, 5);
}

unsigned UpdateIntervalMs(int index) {
    static const unsigned kIntervals[] = {500, 1000, 2000, 5000, 10000};
    return kIntervals[std::clamp(index, 0, 4)];
}

bool DecodeWindowPlacement(const std::vector<BYTE>& bytes, WINDOWPLACEMENT& out) {
    static_assert(sizeof(WINDOWPLACEMENT) == 44, "the stored record is 44 bytes");
    if (bytes.size() != sizeof(WINDOWPLACEMENT)) return false;
    std::memcpy(&out, bytes.data(), sizeof(out));
    out.length = sizeof(WINDOWPLACEMENT);
    return true;
}
