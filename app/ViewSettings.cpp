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
    v.update.enabled = settings::kEnableAutoUpdate.Read(s) != 0;
    v.update.autoMode = settings::kAutoMode.Read(s) != 0;
    v.update.index = UpdatePolicy::ValidIndex(settings::kUpdateTime.Read(s));
    return v;
}

void ViewSettings::Save(const AppSettings& s, FunctionTab lastTab, const ViewSettings* before,
                        FunctionTab lastTabBefore) const {
    auto changed = [before](auto mine, auto theirs) { return !before || mine != theirs; };
    if (changed(lastTab, lastTabBefore)) settings::kLastTabIndex.Write(s, TabIndex(lastTab));
    if (changed(showGridLines, before ? before->showGridLines : false))
        settings::kShowGridLines.Write(s, showGridLines ? 1 : 0);
    if (changed(alternateRowColors, before ? before->alternateRowColors : false))
        settings::kAlternateRowColors.Write(s, alternateRowColors ? 1 : 0);
    if (changed(autoSizeColumns, before ? before->autoSizeColumns : false))
        settings::kAutoSizeColumns.Write(s, autoSizeColumns ? 1 : 0);
    if (changed(update.enabled, before ? before->update.enabled : false))
        settings::kEnableAutoUpdate.Write(s, update.enabled ? 1 : 0);
    if (changed(update.autoMode, before ? before->update.autoMode : false))
        settings::kAutoMode.Write(s, update.autoMode ? 1 : 0);
    if (changed(update.index, before ? before->update.index : 0)) settings::kUpdateTime.Write(s, update.index);
}

bool LastTabToSelect(const AppSettings& s, const ViewSettings& view, FunctionTab& tab) {
    if (!view.saveLastTab) return false;
    tab = TabAt(std::clamp(settings::kLastTabIndex.Read(s), 0, kFunctionTabCount - 1));
    return true;
}

bool DecodeWindowPlacement(const std::vector<BYTE>& bytes, WINDOWPLACEMENT& out) {
    static_assert(sizeof(WINDOWPLACEMENT) == 44, "the stored record is 44 bytes");
    if (bytes.size() != sizeof(WINDOWPLACEMENT)) return false;
    std::memcpy(&out, bytes.data(), sizeof(out));
    out.length = sizeof(WINDOWPLACEMENT);
    return true;
}
