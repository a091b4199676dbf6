// The six function tabs of the main window, in the order the tab control
// shows them: the one definition of what a tab is.
#pragma once

enum class FunctionTab { Applications, Tasks, Services, Drivers, Performance, Network };

constexpr int kFunctionTabCount = 6;

// The tab control's index of a tab, and back.
constexpr int TabIndex(FunctionTab tab) { return static_cast<int>(tab); }
constexpr bool IsTabIndex(int index) { return index >= 0 && index < kFunctionTabCount; }
// The tab of an index; an index outside the six is the first tab.
constexpr FunctionTab TabAt(int index) { return IsTabIndex(index) ? static_cast<FunctionTab>(index) : FunctionTab::Applications; }

// The tab after tab, or before it, round the six (Ctrl+Tab, Ctrl+Shift+Tab).
constexpr FunctionTab NeighbourTab(FunctionTab tab, bool previous) {
    return TabAt((TabIndex(tab) + (previous ? kFunctionTabCount - 1 : 1)) % kFunctionTabCount);
}

// Whether the tab shows one of the four function lists (and the detail pane).
constexpr bool IsListTab(FunctionTab tab) { return tab <= FunctionTab::Drivers; }

// A set of tabs, one bit each.
using TabSet = unsigned;
constexpr TabSet TabBit(FunctionTab tab) { return 1u << TabIndex(tab); }
constexpr TabSet kAllTabs = (1u << kFunctionTabCount) - 1;
constexpr TabSet kListTabs = TabBit(FunctionTab::Applications) | TabBit(FunctionTab::Tasks) |
                             TabBit(FunctionTab::Services) | TabBit(FunctionTab::Drivers);
constexpr TabSet kProgramTabs = TabBit(FunctionTab::Applications) | TabBit(FunctionTab::Tasks);
constexpr TabSet kServiceTabs = TabBit(FunctionTab::Services) | TabBit(FunctionTab::Drivers);
